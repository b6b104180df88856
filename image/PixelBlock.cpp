#include "image/PixelBlock.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace orbisk::imageutils {

namespace {

bool Supported(int bits)
{
    return bits == 24 || bits == 32;
}

ptrdiff_t Stride(int stride, int width, int bytesPerPixel)
{
    return stride ? stride : ptrdiff_t(width) * bytesPerPixel;
}

}  // namespace

uint8_t* CopyPixelBlock(int sourceBits, int targetBits, uint8_t fill, const uint8_t* source, int sourceWidth,
                        int sourceHeight, int sourceStride, int firstColumn, int firstRow, int endColumn,
                        int endRow, uint8_t* target)
{
    if (targetBits == 0)
        targetBits = sourceBits;
    if (!Supported(sourceBits) || !Supported(targetBits))
        return nullptr;
    const int in = sourceBits / 8;
    const int out = targetBits / 8;
    const int columns = std::max(0, endColumn - firstColumn);
    const int rows = std::max(0, endRow - firstRow);
    // Sized by the target's pixels: a 32-bit tile of a 24-bit image needs the fourth byte.
    if (!target)
        target = new uint8_t[size_t(columns) * size_t(rows) * size_t(out)];
    const ptrdiff_t stride = Stride(sourceStride, sourceWidth, in);

    uint8_t* p = target;
    for (int i = 0; i < rows; ++i) {
        const int y = firstRow + i;
        const bool rowInside = y >= 0 && y < sourceHeight;
        for (int j = 0; j < columns; ++j, p += out) {
            const int x = firstColumn + j;
            if (!rowInside || x < 0 || x >= sourceWidth) {
                std::memset(p, fill, size_t(out));
                continue;
            }
            const uint8_t* s = source + y * stride + ptrdiff_t(x) * in;
            p[0] = s[0];
            p[1] = s[1];
            p[2] = s[2];
            if (out == 4)
                p[3] = in == 4 ? s[3] : fill;
        }
    }
    return target;
}

uint8_t* InvertedLuminanceFromPixels(int bits, int rows, const uint8_t* pixels, int columns, int stride,
                                     uint8_t* target)
{
    if (!Supported(bits))
        return nullptr;
    const int step = bits / 8;
    columns = std::max(0, columns);
    rows = std::max(0, rows);
    if (!target)
        target = new uint8_t[size_t(columns) * size_t(rows)];
    const ptrdiff_t rowStep = Stride(stride, columns, step);
    uint8_t* out = target;
    for (int y = 0; y < rows; ++y) {
        const uint8_t* p = pixels + y * rowStep;
        for (int x = 0; x < columns; ++x, p += step)
            *out++ = uint8_t(255 - (p[0] * 11 + p[1] * 59 + p[2] * 30) / 100);
    }
    return target;
}

void FlipRowsInPlace(int bits, uint8_t* pixels, int width, int height, int stride)
{
    if (!Supported(bits) || width <= 0)
        return;
    const size_t rowBytes = size_t(width) * size_t(bits / 8);
    const ptrdiff_t rowStep = Stride(stride, width, bits / 8);
    for (int i = 0, j = height - 1; i < j; ++i, --j)
        std::swap_ranges(pixels + i * rowStep, pixels + i * rowStep + rowBytes, pixels + j * rowStep);
}

}  // namespace orbisk::imageutils
