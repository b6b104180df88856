#include "view/GLContext.h"

#include <GL/gl.h>

#include <span>

#include "database/Dib.h"
#include "image/ImageRep.h"
#include "platform/wgl/GLPixelReader.h"

using orbisk::imageutils::ImageRep;

CGLContext::CGLContext(int width, int height, int colorBits, int alphaBits, int stencilBits, int depthBits)
    : m_width(width),
      m_height(height),
      m_colorBits(colorBits),
      m_alphaBits(alphaBits),
      m_stencilBits(stencilBits),
      m_depthBits(depthBits),
      m_requestedWidth(width)
{}

int CGLContext::WidenedWidth(int width)
{
    if (width <= 0)
        return 4;
    return width % 4 == 0 ? width : (width / 4 + 1) * 4;
}

bool CGLContext::SetSize(int width, int height)
{
    if (width < 0 || height < 1)
        return false;
    const int widened = WidenedWidth(width);
    if (widened == m_width && height == m_height) {
        m_requestedWidth = width;
        return true;
    }
    // The limit of this context, which the rebuild leaves current anyway.
    if (!MakeCurrent())
        return false;
    int maxWidth = 0;
    int maxHeight = 0;
    if (!GetMaxViewportDims(&maxWidth, &maxHeight) || widened > maxWidth || height > maxHeight)
        return false;
    if (!ResizeBuffer(widened, height))
        return false;
    m_width = widened;
    m_height = height;
    m_requestedWidth = width;
    while (glGetError() != GL_NO_ERROR) {}
    glViewport(0, 0, m_requestedWidth, m_height);
    return glGetError() != GL_OUT_OF_MEMORY;
}

void CGLContext::GetSize(int* width, int* height)
{
    *width = m_width;
    *height = m_height;
}

std::unique_ptr<ImageRep> CGLContext::ReadImage()
{
    if (!IsCurrent() || m_requestedWidth < 1 || m_height < 1)
        return nullptr;
    const bool rgb = m_colorBits + m_alphaBits == 24;
    auto image = std::make_unique<ImageRep>();
    image->Create(m_requestedWidth, m_height,
                  rgb ? orbisk::imageutils::kFormatRGB : orbisk::imageutils::kFormatRGBA, 0, nullptr);
    if (!image->IsValid())
        return nullptr;

    GLint readBuffer = GL_FRONT;
    glGetIntegerv(GL_READ_BUFFER, &readBuffer);
    glReadBuffer(GL_FRONT);
    const std::span<std::uint8_t> pixels(image->GetPixels(), static_cast<std::size_t>(image->GetImageSize()));
    const bool read =
        ReadGLPixels({0, 0, m_requestedWidth, m_height}, rgb ? GLPixelLayout::BGR : GLPixelLayout::BGRA,
                     GLRowOrder::TopFirst, pixels);
    glReadBuffer(static_cast<GLenum>(readBuffer));
    if (!read)
        return nullptr;
    return image;
}

CDib* CGLContext::GetDib()
{
    std::unique_ptr<ImageRep> image = ReadImage();
    if (!image)
        return nullptr;
    auto* dib = new CDib;
    if (!dib->SetImageRep(image.release())) {
        // A new image has no holders yet: one hold and its release free it.
        CDibRef(dib).Reset();
        return nullptr;
    }
    return dib;
}

bool CGLContext::SaveImage(const wchar_t* path, int quality)
{
    std::unique_ptr<ImageRep> image = ReadImage();
    return image && path && image->SaveFile(path, quality);
}
