#include "settings/GLImage.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <utility>

#include "database/TextureSizeLimit.h"

namespace {

constexpr int kTileStart = 1024;
constexpr int kTileMinimum = 16;
constexpr int kTileTolerance = 32;

// The next power of two, at least 2.
int PowerOfTwoAtLeast(int side)
{
    return std::max(2, static_cast<int>(std::bit_ceil(static_cast<unsigned>(std::max(side, 1)))));
}

// 255 minus the luminance: black text on white becomes opaque on transparent.
uint8_t AlphaOf(const uint8_t* pixel, int bytesPerPixel)
{
    if (bytesPerPixel == 1)
        return static_cast<uint8_t>(255 - pixel[0]);
    return static_cast<uint8_t>(((pixel[0] * 11 + pixel[1] * 59 + pixel[2] * 30) / 100) ^ 0xFF);
}

// A caller's picture: its size, pixel size and row layout.
struct Picture {
    int width = 0;
    int height = 0;
    const uint8_t* pixels = nullptr;
    int bytesPerPixel = 0;
    int stride = 0;
    bool flip = false;

    // Row `row` counted in drawing order (row 0 drawn at the bottom).
    const uint8_t* Row(int row) const
    {
        const int stored = flip ? height - 1 - row : row;
        return pixels + static_cast<std::ptrdiff_t>(stored) * stride;
    }
};

// Checks the caller's description; false for anything that could read outside the pixels.
bool MakePicture(int width, int height, const uint8_t* pixels, int bitsPerPixel, int stride, bool flip,
                 Picture& picture)
{
    if (!pixels || width < 1 || height < 1)
        return false;
    if (bitsPerPixel != 8 && bitsPerPixel != 24 && bitsPerPixel != 32)
        return false;
    const int bytesPerPixel = bitsPerPixel / 8;
    if (width > (1 << 24) / bytesPerPixel || height > (1 << 24))
        return false;
    const int rowBytes = width * bytesPerPixel;
    if (stride == 0)
        stride = rowBytes;
    if (stride < rowBytes)
        return false;
    picture = {width, height, pixels, bytesPerPixel, stride, flip};
    return true;
}

// Texture state pushed for a make-or-draw and popped afterwards, so that the caller's binding,
// enables and unpack alignment survive.
class CTextureStateScope {
public:
    CTextureStateScope()
    {
        glPushAttrib(GL_TEXTURE_BIT | GL_ENABLE_BIT);
        glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    }
    ~CTextureStateScope()
    {
        glPopClientAttrib();
        glPopAttrib();
    }
    CTextureStateScope(const CTextureStateScope&) = delete;
    CTextureStateScope& operator=(const CTextureStateScope&) = delete;
};

struct UploadFormat {
    GLint internalFormat;
    GLenum format;
    int bytesPerTexel;
};

void UploadTexture(const UploadFormat& upload, int width, int height, const uint8_t* texels, bool mipmaps,
                   GLint magnification, GLint minification)
{
    glPixelStorei(GL_UNPACK_ALIGNMENT, upload.bytesPerTexel == 4 ? 4 : 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magnification);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minification);
    if (mipmaps)
        gluBuild2DMipmaps(GL_TEXTURE_2D, upload.internalFormat, width, height, upload.format,
                          GL_UNSIGNED_BYTE, texels);
    else
        glTexImage2D(GL_TEXTURE_2D, 0, upload.internalFormat, width, height, 0, upload.format,
                     GL_UNSIGNED_BYTE, texels);
}

constexpr UploadFormat kAlphaUpload = {GL_ALPHA, GL_ALPHA, 1};

GLint AlphaMagnification(bool smooth)
{
    return smooth ? GL_LINEAR : GL_NEAREST;
}

GLint AlphaMinification(bool smooth, bool mipmaps)
{
    if (!mipmaps)
        return AlphaMagnification(smooth);
    return smooth ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_NEAREST;
}

// The alpha of the picture's pixels in blocks of factorX x factorY averaged into one texel
// each (1 x 1: unchanged), in a textureWidth x textureHeight buffer padded with 0.
std::vector<uint8_t> AlphaTexels(const Picture& picture, int factorX, int factorY, int textureWidth,
                                 int textureHeight)
{
    std::vector<uint8_t> texels(static_cast<size_t>(textureWidth) * static_cast<size_t>(textureHeight), 0);
    const int usedWidth = std::min(textureWidth, (picture.width + factorX - 1) / factorX);
    const int usedHeight = std::min(textureHeight, (picture.height + factorY - 1) / factorY);
    for (int ty = 0; ty < usedHeight; ++ty) {
        const int y0 = ty * factorY;
        const int y1 = std::min(picture.height, y0 + factorY);
        uint8_t* out = texels.data() + static_cast<size_t>(ty) * static_cast<size_t>(textureWidth);
        for (int tx = 0; tx < usedWidth; ++tx) {
            const int x0 = tx * factorX;
            const int x1 = std::min(picture.width, x0 + factorX);
            int sum = 0;
            for (int y = y0; y < y1; ++y) {
                const uint8_t* row = picture.Row(y);
                for (int x = x0; x < x1; ++x)
                    sum += AlphaOf(row + static_cast<std::ptrdiff_t>(x) * picture.bytesPerPixel,
                                   picture.bytesPerPixel);
            }
            out[tx] = static_cast<uint8_t>(sum / ((y1 - y0) * (x1 - x0)));
        }
    }
    return texels;
}

// A rectangle from (x0, y0) to (x1, y1).
struct Span2d {
    double x0;
    double y0;
    double x1;
    double y1;
};

// The texture's part `texels` on the quad `quad` in the z = 0 plane.
void DrawTexturedQuad(GLuint texture, const Span2d& texels, const Span2d& quad)
{
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_QUADS);
    glTexCoord2d(texels.x0, texels.y0);
    glVertex3d(quad.x0, quad.y0, 0.0);
    glTexCoord2d(texels.x1, texels.y0);
    glVertex3d(quad.x1, quad.y0, 0.0);
    glTexCoord2d(texels.x1, texels.y1);
    glVertex3d(quad.x1, quad.y1, 0.0);
    glTexCoord2d(texels.x0, texels.y1);
    glVertex3d(quad.x0, quad.y1, 0.0);
    glEnd();
}

// The texture coordinates of the used part of a tile side, inset by half a texel at each end
// when filtering, so that no texel of the clamped border (or beyond the picture) bleeds in.
std::pair<double, double> TileTexels(int size, int used, bool smooth)
{
    const double inset = smooth ? 0.5 / size : 0.0;
    return {inset, static_cast<double>(used) / size - inset};
}

}  // namespace

int SplitIntoTiles(int length, int* sizes, int* lastUsed, int capacity, int startSize, int minimumSize,
                   int tolerance)
{
    *lastUsed = 0;
    if (length <= 0 || capacity <= 0 || startSize < 1)
        return 0;
    int count = 0;
    for (;;) {
        int tile = startSize;
        while (tile > 1 && length - tile < -tolerance)
            tile /= 2;
        *lastUsed = length;
        sizes[count++] = tile;
        const int rest = length - tile;
        // A length that the tiles cover exactly is laid out, even when it fills the table.
        if (rest <= 0)
            return count;
        if (count == capacity)
            return -count;
        if (rest < minimumSize) {
            sizes[count] = minimumSize;
            *lastUsed = rest;
            return count + 1;
        }
        length = rest;
    }
}

bool CGLImageBase::IsScaleValid() const
{
    return std::isfinite(m_scale) && m_scale != 0.0;
}

void CGLImageBase::DrawAlphaTwoPass()
{
    if (m_format != GL_ALPHA) {
        Draw();
        return;
    }
    glPushAttrib(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_ENABLE_BIT);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_EQUAL, 1.0f);
    Draw();
    glAlphaFunc(GL_LESS, 1.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthMask(GL_FALSE);
    Draw();
    glPopAttrib();
}

void CGLImageBase::ResetFields()
{
    m_format = 0;
    m_width = 0;
    m_height = 0;
    m_scale = 1.0;
}

CGLImage::~CGLImage()
{
    Release();
}

void CGLImage::Release()
{
    if (m_texture != 0) {
        const GLuint texture = m_texture;
        glDeleteTextures(1, &texture);
    }
    m_texture = 0;
    m_textureWidth = 0;
    m_textureHeight = 0;
    m_extentS = 0.0;
    m_extentT = 0.0;
    ResetFields();
}

void CGLImage::Load(int width, int height, const uint8_t* pixels, int bitsPerPixel, int stride, bool flip,
                    double scale, bool mipmaps)
{
    Release();
    Picture picture;
    if (!MakePicture(width, height, pixels, bitsPerPixel, stride, flip, picture))
        return;
    m_format = GL_ALPHA;
    m_width = width;
    m_height = height;
    m_scale = scale;

    // Beyond the texture size limit the image is averaged down into a texture of the limit and
    // stretched back over the same quad.
    const int paddedWidth = PowerOfTwoAtLeast(width);
    const int paddedHeight = PowerOfTwoAtLeast(height);
    int32_t textureWidth = paddedWidth;
    int32_t textureHeight = paddedHeight;
    FitTextureSize(textureWidth, textureHeight);
    const std::vector<uint8_t> texels = AlphaTexels(
        picture, paddedWidth / textureWidth, paddedHeight / textureHeight, textureWidth, textureHeight);
    m_textureWidth = textureWidth;
    m_textureHeight = textureHeight;
    m_extentS = static_cast<double>(width) / paddedWidth;
    m_extentT = static_cast<double>(height) / paddedHeight;

    CTextureStateScope scope;
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    UploadTexture(kAlphaUpload, textureWidth, textureHeight, texels.data(), mipmaps,
                  AlphaMagnification(m_smooth), AlphaMinification(m_smooth, mipmaps));
    m_texture = texture;
}

void CGLImage::Draw()
{
    if (m_texture == 0)
        return;
    const double w = m_scale * m_width;
    const double h = m_scale * m_height;
    CTextureStateScope scope;
    glEnable(GL_TEXTURE_2D);
    DrawTexturedQuad(m_texture, {0.0, 0.0, m_extentS, m_extentT}, {0.0, 0.0, w, h});
}

// Where the texels of the tiles come from, and how they are stored.
struct CGLTiledImage::TileSource {
    Picture picture;
    UploadFormat upload;
    // Alpha images turn pixels into alpha; colour pictures copy them, converted to the tile's
    // texel size.
    bool alpha = true;
    // For texels beyond the picture, and a colour picture's missing alpha byte.
    uint8_t fill = 255;
    GLint magnification = GL_NEAREST;
    GLint minification = GL_NEAREST;

    void CopyTexel(const uint8_t* pixel, uint8_t* texel) const
    {
        if (alpha) {
            texel[0] = AlphaOf(pixel, picture.bytesPerPixel);
            return;
        }
        if (picture.bytesPerPixel == 1) {
            texel[0] = texel[1] = texel[2] = pixel[0];
        } else {
            texel[0] = pixel[0];
            texel[1] = pixel[1];
            texel[2] = pixel[2];
        }
        if (upload.bytesPerTexel == 4)
            texel[3] = picture.bytesPerPixel == 4 ? pixel[3] : fill;
    }

    // The tile's texels: the picture's rectangle from (x, y), rows in drawing order; beyond
    // the picture the fill byte (which an alpha image turns into alpha like a pixel: white is
    // transparent).
    std::vector<uint8_t> Texels(int x, int y, int width, int height) const
    {
        const int bytes = upload.bytesPerTexel;
        const uint8_t outside = alpha ? static_cast<uint8_t>(255 - fill) : fill;
        std::vector<uint8_t> texels(static_cast<size_t>(width) * static_cast<size_t>(height) * bytes,
                                    outside);
        const int columns = std::min(width, picture.width - x);
        const int rows = std::min(height, picture.height - y);
        for (int row = 0; row < rows; ++row) {
            const uint8_t* in = picture.Row(y + row) + static_cast<std::ptrdiff_t>(x) * picture.bytesPerPixel;
            uint8_t* out = texels.data() + static_cast<size_t>(row) * static_cast<size_t>(width) * bytes;
            for (int column = 0; column < columns; ++column)
                CopyTexel(in + static_cast<std::ptrdiff_t>(column) * picture.bytesPerPixel,
                          out + column * bytes);
        }
        return texels;
    }
};

CGLTiledImage::~CGLTiledImage()
{
    Release();
}

void CGLTiledImage::Release()
{
    if (!m_textures.empty())
        glDeleteTextures(static_cast<GLsizei>(m_textures.size()), m_textures.data());
    m_textures.clear();
    std::fill(std::begin(m_tileHeights), std::end(m_tileHeights), 0);
    std::fill(std::begin(m_tileWidths), std::end(m_tileWidths), 0);
    m_rowCount = 0;
    m_columnCount = 0;
    m_lastRowUsed = 0;
    m_lastColumnUsed = 0;
    ResetFields();
}

bool CGLTiledImage::LayOutTiles(int width, int height)
{
    // Never tiles larger than the texture size limit, and never below the minimum tile.
    const int start = std::max(kTileMinimum, std::min<int>(kTileStart, GetMaxTextureSize()));
    m_rowCount =
        SplitIntoTiles(height, m_tileHeights, &m_lastRowUsed, kMaxTiles, start, kTileMinimum, kTileTolerance);
    m_columnCount = SplitIntoTiles(width, m_tileWidths, &m_lastColumnUsed, kMaxTiles, start, kTileMinimum,
                                   kTileTolerance);
    if (m_rowCount > 0 && m_columnCount > 0)
        return true;
    m_rowCount = 0;
    m_columnCount = 0;
    return false;
}

void CGLTiledImage::UploadTiles(const TileSource& source, bool mipmaps)
{
    m_textures.assign(static_cast<size_t>(m_rowCount) * static_cast<size_t>(m_columnCount), 0);
    CTextureStateScope scope;
    glGenTextures(static_cast<GLsizei>(m_textures.size()), m_textures.data());
    size_t next = 0;
    for (int row = 0, y = 0; row < m_rowCount; y += m_tileHeights[row++]) {
        for (int column = 0, x = 0; column < m_columnCount; x += m_tileWidths[column++]) {
            const std::vector<uint8_t> texels = source.Texels(x, y, m_tileWidths[column], m_tileHeights[row]);
            glBindTexture(GL_TEXTURE_2D, m_textures[next++]);
            UploadTexture(source.upload, m_tileWidths[column], m_tileHeights[row], texels.data(), mipmaps,
                          source.magnification, source.minification);
        }
    }
}

void CGLTiledImage::Load(int width, int height, const uint8_t* pixels, int bitsPerPixel, int stride,
                         bool flip, double scale, bool mipmaps)
{
    Release();
    TileSource source;
    if (!MakePicture(width, height, pixels, bitsPerPixel, stride, flip, source.picture))
        return;
    m_scale = scale;
    m_width = width;
    m_height = height;
    m_format = GL_ALPHA;
    if (!LayOutTiles(width, height))
        return;
    source.upload = kAlphaUpload;
    source.magnification = AlphaMagnification(m_smooth);
    source.minification = AlphaMinification(m_smooth, mipmaps);
    UploadTiles(source, mipmaps);
}

void CGLTiledImage::LoadColour(int width, int height, const uint8_t* pixels, int bitsPerPixel, bool alpha,
                               uint8_t fill, bool mipmaps)
{
    Release();
    TileSource source;
    if (!MakePicture(width, height, pixels, bitsPerPixel, 0, false, source.picture))
        return;
    m_width = width;
    m_height = height;
    m_format = alpha ? GL_BGRA : GL_BGR;
    if (!LayOutTiles(width, height))
        return;
    source.alpha = false;
    source.fill = fill;
    source.upload = alpha ? UploadFormat{GL_RGBA, GL_BGRA, 4} : UploadFormat{GL_RGB, GL_BGR, 3};
    source.magnification = GL_NEAREST;
    source.minification = mipmaps ? GL_NEAREST_MIPMAP_NEAREST : GL_NEAREST;
    UploadTiles(source, mipmaps);
}

void CGLTiledImage::Draw()
{
    if (m_textures.empty())
        return;
    CTextureStateScope scope;
    glEnable(GL_TEXTURE_2D);
    size_t next = 0;
    double y = 0.0;
    for (int row = 0; row < m_rowCount; ++row) {
        const int usedHeight = row == m_rowCount - 1 ? m_lastRowUsed : m_tileHeights[row];
        const auto [t0, t1] = TileTexels(m_tileHeights[row], usedHeight, m_smooth);
        double x = 0.0;
        for (int column = 0; column < m_columnCount; ++column) {
            const int usedWidth = column == m_columnCount - 1 ? m_lastColumnUsed : m_tileWidths[column];
            const auto [s0, s1] = TileTexels(m_tileWidths[column], usedWidth, m_smooth);
            DrawTexturedQuad(
                m_textures[next++], {s0, t0, s1, t1},
                {m_scale * x, m_scale * y, m_scale * (x + usedWidth), m_scale * (y + usedHeight)});
            x += usedWidth;
        }
        y += usedHeight;
    }
}
