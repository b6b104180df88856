#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// Reading pixels back from the current GL context's read buffer (glReadBuffer chooses
// it), as tightly packed 8-bit channels. Works the same for window and offscreen contexts.

// Byte order of one pixel in memory.
enum class GLPixelLayout { RGB, RGBA, BGR, BGRA };

// BottomFirst is GL's own order (row 0 is the bottom of the rectangle); TopFirst is the
// order of image files.
enum class GLRowOrder { BottomFirst, TopFirst };

// In GL window coordinates: x to the right and y up from the bottom-left pixel.
struct GLPixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// Bytes of a width x height image in that layout, rows without padding; 0 for an empty size.
std::size_t GLPixelBytes(GLPixelLayout layout, int width, int height);

// Fills the first GLPixelBytes(...) bytes of pixels with the rectangle. The pack state
// (alignment, row length, skips) is set for the read and restored afterwards. False, with
// nothing read, for an empty rectangle, a buffer too small for it, or a pixel-pack buffer
// object bound (glReadPixels would write into that instead). GL errors are left for the
// caller's glGetError.
bool ReadGLPixels(const GLPixelRect& rect, GLPixelLayout layout, GLRowOrder order,
                  std::span<std::uint8_t> pixels);
