#include "platform/wgl/GLPixelReader.h"

#include <GL/gl.h>

#include <algorithm>

namespace {
struct LayoutFacts {
    GLenum format;
    int bytesPerPixel;
};

LayoutFacts FactsOf(GLPixelLayout layout)
{
    switch (layout) {
        case GLPixelLayout::RGB: return {GL_RGB, 3};
        case GLPixelLayout::RGBA: return {GL_RGBA, 4};
        case GLPixelLayout::BGR: return {GL_BGR, 3};
        case GLPixelLayout::BGRA: return {GL_BGRA, 4};
    }
    return {GL_RGBA, 4};
}

void FlipRows(std::span<std::uint8_t> pixels, std::size_t rowBytes)
{
    const std::size_t rows = pixels.size() / rowBytes;
    for (std::size_t top = 0, bottom = rows - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(pixels.begin() + top * rowBytes, pixels.begin() + (top + 1) * rowBytes,
                         pixels.begin() + bottom * rowBytes);
}
}  // namespace

std::size_t GLPixelBytes(GLPixelLayout layout, int width, int height)
{
    if (width <= 0 || height <= 0)
        return 0;
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
           static_cast<std::size_t>(FactsOf(layout).bytesPerPixel);
}

bool ReadGLPixels(const GLPixelRect& rect, GLPixelLayout layout, GLRowOrder order,
                  std::span<std::uint8_t> pixels)
{
    const std::size_t bytes = GLPixelBytes(layout, rect.width, rect.height);
    if (bytes == 0 || pixels.size() < bytes)
        return false;
    GLint packBuffer = 0;
    glGetIntegerv(GL_PIXEL_PACK_BUFFER_BINDING, &packBuffer);
    if (packBuffer != 0)
        return false;

    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_PACK_SWAP_BYTES, GL_FALSE);
    glReadPixels(rect.x, rect.y, rect.width, rect.height, FactsOf(layout).format, GL_UNSIGNED_BYTE,
                 pixels.data());
    glPopClientAttrib();

    if (order == GLRowOrder::TopFirst)
        FlipRows(pixels.first(bytes), bytes / static_cast<std::size_t>(rect.height));
    return true;
}
