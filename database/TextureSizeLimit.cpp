#include "database/TextureSizeLimit.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <bit>
#include <memory>

#include "image/ImageRep.h"
#include "support/NotificationCenter.h"

using orbisk::imageutils::ImageRep;

namespace {

constexpr int32_t kFixedLimit = 1024;
constexpr int32_t kSmallestCardLimit = 1024;
constexpr int32_t kLargestCardLimit = 4096;

int32_t g_override = -1;

bool IsPowerOfTwo(int32_t value)
{
    return value > 0 && std::has_single_bit(static_cast<uint32_t>(value));
}

// 0 becomes 2; a side that is no power of two becomes the next larger one.
int32_t RaiseToPowerOfTwo(int32_t side)
{
    if (side <= 0)
        return 2;
    if (IsPowerOfTwo(side))
        return side;
    return side > (1 << 30) ? (1 << 30) : static_cast<int32_t>(std::bit_ceil(static_cast<uint32_t>(side)));
}

// The card's limit clamped to 1024..4096, or 0 when it cannot be asked.
int32_t QueryCardLimit()
{
    while (glGetError() != GL_NO_ERROR) {}
    GLint value = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &value);
    if (glGetError() != GL_NO_ERROR || value <= 0)
        return 0;
    return std::clamp<int32_t>(value, kSmallestCardLimit, kLargestCardLimit);
}

struct UploadLayout {
    GLenum format;
    GLint components;
};

UploadLayout LayoutOf(const ImageRep& image)
{
    switch (image.GetBytesPerPixel()) {
        case 3: return {GL_BGR, 3};
        case 4: return {GL_BGRA, 4};
        case 1: return {GL_LUMINANCE, GL_LUMINANCE};
        default: return {GL_RGBA, 4};
    }
}

void Upload(const ImageRep& image, bool mipmaps)
{
    const UploadLayout layout = LayoutOf(image);
    const int width = image.GetWidth();
    const int height = image.GetHeight();
    GLint savedAlignment = 4;
    const bool unaligned = image.GetBytesPerLine() % 4 != 0;
    if (unaligned) {
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &savedAlignment);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    }
    if (height == 1)
        glTexImage1D(GL_TEXTURE_1D, 0, layout.components, width, 0, layout.format, GL_UNSIGNED_BYTE,
                     image.GetPixels());
    else if (mipmaps)
        gluBuild2DMipmaps(GL_TEXTURE_2D, layout.components, width, height, layout.format, GL_UNSIGNED_BYTE,
                          image.GetPixels());
    else
        glTexImage2D(GL_TEXTURE_2D, 0, layout.components, width, height, 0, layout.format, GL_UNSIGNED_BYTE,
                     image.GetPixels());
    if (unaligned)
        glPixelStorei(GL_UNPACK_ALIGNMENT, savedAlignment);
}

}  // namespace

void SetMaxTextureSizeOverride(int32_t value)
{
    if (value != -1 && value != 0 && !(value >= 2 && IsPowerOfTwo(value)))
        return;
    g_override = value;
    orbisk::utils::CNotificationCenter::GetInstance().PostNotification("Max texture size changed", nullptr);
}

int32_t GetMaxTextureSizeOverride()
{
    return g_override;
}

int32_t GetMaxTextureSize()
{
    if (g_override == -1)
        return kFixedLimit;
    const int32_t card = QueryCardLimit();
    if (card == 0)
        return g_override > 0 ? std::min(g_override, kFixedLimit) : kFixedLimit;
    return g_override > 0 ? std::min(g_override, card) : card;
}

bool FitTextureSize(int32_t& width, int32_t& height)
{
    const int32_t raisedWidth = RaiseToPowerOfTwo(width);
    const int32_t raisedHeight = RaiseToPowerOfTwo(height);
    bool changed = raisedWidth != width || raisedHeight != height;
    width = raisedWidth;
    height = raisedHeight;
    const int32_t limit = GetMaxTextureSize();
    while ((width > limit || height > limit) && width >= 2 && height >= 2) {
        width >>= 1;
        height >>= 1;
        changed = true;
    }
    return changed;
}

bool NeedsTextureResize(const ImageRep& image)
{
    int32_t width = image.GetWidth();
    int32_t height = image.GetHeight();
    return FitTextureSize(width, height);
}

void ResizeImageToFit(ImageRep* image)
{
    if (!image)
        return;
    int32_t width = image->GetWidth();
    int32_t height = image->GetHeight();
    if (FitTextureSize(width, height))
        image->Resize(width, height);
}

uint32_t CreateGLTexture(const ImageRep* image, bool mipmaps)
{
    if (!image)
        return 0;
    std::unique_ptr<ImageRep> fitted;
    if (NeedsTextureResize(*image)) {
        fitted = std::make_unique<ImageRep>();
        fitted->CopyFrom(*image);
        ResizeImageToFit(fitted.get());
    }
    const ImageRep& source = fitted ? *fitted : *image;
    const GLenum target = source.GetHeight() == 1 ? GL_TEXTURE_1D : GL_TEXTURE_2D;
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(target, name);
    glTexParameteri(target, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(target, GL_TEXTURE_MIN_FILTER, mipmaps ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
    glTexParameteri(target, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(target, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    const GLfloat white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, white);
    Upload(source, mipmaps);
    return name;
}
