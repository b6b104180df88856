#include "platform/win32/Gdi.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

namespace {

// Blocks handed to a device context stay within this many bytes; larger areas go in
// tiles.
constexpr int64_t kBlockBytes = 4 << 20;

// What the drawing needs of a DIB's header. The header is read byte by byte: callers
// hand it over as raw memory.
struct DibLayout {
    int64_t width = 0;
    int64_t height = 0;  // always positive
    bool topDown = false;
    int bitCount = 0;
    int64_t stride = 0;
    std::vector<RGBQUAD> palette;
};

std::optional<DibLayout> ReadLayout(const BITMAPINFO* info)
{
    if (!info)
        return std::nullopt;
    BITMAPINFOHEADER header;
    std::memcpy(&header, info, sizeof header);
    const int bits = header.biBitCount;
    const bool knownBits = bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    if (header.biSize < sizeof header || header.biPlanes != 1 || header.biCompression != BI_RGB ||
        !knownBits || header.biWidth <= 0 || header.biHeight == 0 ||
        header.biHeight == std::numeric_limits<LONG>::min())
        return std::nullopt;
    DibLayout dib;
    dib.width = header.biWidth;
    dib.height = header.biHeight < 0 ? -int64_t{header.biHeight} : header.biHeight;
    dib.topDown = header.biHeight < 0;
    dib.bitCount = bits;
    dib.stride = (dib.width * bits + 31) / 32 * 4;
    if (bits <= 8) {
        const DWORD full = DWORD{1} << bits;
        const DWORD entries = header.biClrUsed == 0 ? full : std::min(header.biClrUsed, full);
        dib.palette.resize(entries);
        std::memcpy(dib.palette.data(), reinterpret_cast<const BYTE*>(info) + header.biSize,
                    entries * sizeof(RGBQUAD));
    }
    return dib;
}

// Pixel x of a stored row as red, green, blue. A palette index beyond the table is black.
void ReadPixel(const DibLayout& dib, const BYTE* row, int64_t x, BYTE* rgb)
{
    auto fromPalette = [&](unsigned index) {
        const RGBQUAD entry = index < dib.palette.size() ? dib.palette[index] : RGBQUAD{};
        rgb[0] = entry.rgbRed;
        rgb[1] = entry.rgbGreen;
        rgb[2] = entry.rgbBlue;
    };
    switch (dib.bitCount) {
        case 1: return fromPalette(row[x / 8] >> (7 - x % 8) & 1);
        case 4: return fromPalette(row[x / 2] >> (x % 2 ? 0 : 4) & 0x0F);
        case 8: return fromPalette(row[x]);
        case 16: {
            const unsigned value = row[2 * x] | row[2 * x + 1] << 8;
            const auto widen = [](unsigned five) { return static_cast<BYTE>(five << 3 | five >> 2); };
            rgb[0] = widen(value >> 10 & 0x1F);
            rgb[1] = widen(value >> 5 & 0x1F);
            rgb[2] = widen(value & 0x1F);
            return;
        }
        default: {
            const BYTE* pixel = row + x * (dib.bitCount / 8);
            rgb[0] = pixel[2];
            rgb[1] = pixel[1];
            rgb[2] = pixel[0];
            return;
        }
    }
}

// The smallest i with i * numerator >= k * denominator, for positive numerator and
// denominator.
int64_t FirstAtLeast(int64_t k, int64_t numerator, int64_t denominator)
{
    // k runs to about 2^33 and the denominator to 2^31.
    const __int128 product = static_cast<__int128>(k) * denominator;
    const __int128 quotient = product / numerator + (product % numerator > 0 ? 1 : 0);
    return static_cast<int64_t>(std::clamp<__int128>(quotient, -(int64_t{1} << 62), int64_t{1} << 62));
}

// One axis of a copy: destination steps 0 .. destSize - 1 sample source positions
// source + floor(i * sourceSize / destSize). Gives the steps whose sample lies in
// [low, high) and whose destination dest + i lies in [clipLow, clipHigh).
struct Span {
    int64_t first = 0;
    int64_t end = 0;
};
Span SampledSpan(int64_t dest, int64_t destSize, int64_t source, int64_t sourceSize, int64_t low,
                 int64_t high, int64_t clipLow, int64_t clipHigh)
{
    Span span;
    span.first = std::max({int64_t{0}, clipLow - dest, FirstAtLeast(low - source, sourceSize, destSize)});
    span.end = std::min({destSize, clipHigh - dest, FirstAtLeast(high - source, sourceSize, destSize)});
    return span;
}

// The copy both calls make. The source rectangle is in top-down rows; `bits` holds the
// stored rows firstStored .. firstStored + storedRows - 1.
int CopyDib(HDC dc, const DibLayout& dib, const BYTE* bits, int64_t firstStored, int64_t storedRows,
            int64_t xDest, int64_t yDest, int64_t destWidth, int64_t destHeight, int64_t xSrc, int64_t srcTop,
            int64_t srcWidth, int64_t srcHeight)
{
    // Top-down rows that the stored band holds.
    const int64_t bandTop = dib.topDown ? firstStored : dib.height - firstStored - storedRows;
    const int64_t rowLow = std::max(int64_t{0}, bandTop);
    const int64_t rowHigh = std::min(dib.height, bandTop + storedRows);

    // Without a clip box, the coordinates a device context can take.
    RECT clip{std::numeric_limits<LONG>::min(), std::numeric_limits<LONG>::min(),
              std::numeric_limits<LONG>::max(), std::numeric_limits<LONG>::max()};
    RECT box{};
    if (dc->GetClipBox(box))
        clip = box;
    const Span columns = SampledSpan(xDest, destWidth, xSrc, srcWidth, 0, dib.width, clip.left, clip.right);
    const Span rows =
        SampledSpan(yDest, destHeight, srcTop, srcHeight, rowLow, rowHigh, clip.top, clip.bottom);
    if (columns.first >= columns.end || rows.first >= rows.end)
        return 0;

    // Tiles of at most kBlockBytes, whatever the size of the destination.
    const int64_t tileWidth = std::min(columns.end - columns.first, kBlockBytes / 3);
    const int64_t tileRows = std::max(int64_t{1}, kBlockBytes / (3 * tileWidth));
    std::vector<BYTE> block;
    for (int64_t top = rows.first; top < rows.end; top += tileRows) {
        const int64_t bottom = std::min(rows.end, top + tileRows);
        for (int64_t left = columns.first; left < columns.end; left += tileWidth) {
            const int64_t right = std::min(columns.end, left + tileWidth);
            block.resize(static_cast<size_t>(3 * (right - left) * (bottom - top)));
            BYTE* out = block.data();
            for (int64_t j = top; j < bottom; ++j) {
                const int64_t topDownRow = srcTop + j * srcHeight / destHeight;
                const int64_t storedRow = dib.topDown ? topDownRow : dib.height - 1 - topDownRow;
                const BYTE* row = bits + (storedRow - firstStored) * dib.stride;
                for (int64_t i = left; i < right; ++i, out += 3)
                    ReadPixel(dib, row, xSrc + i * srcWidth / destWidth, out);
            }
            dc->PutPixels(static_cast<int>(xDest + left), static_cast<int>(yDest + top),
                          static_cast<int>(right - left), static_cast<int>(bottom - top), block.data());
        }
    }
    return static_cast<int>(rows.end - rows.first);
}

}  // namespace

int StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                  int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage,
                  DWORD rop)
{
    const std::optional<DibLayout> dib = ReadLayout(info);
    if (!dc || !bits || !dib || usage != DIB_RGB_COLORS || rop != SRCCOPY || destWidth <= 0 ||
        destHeight <= 0 || srcWidth <= 0 || srcHeight <= 0)
        return 0;
    const int64_t srcTop = dib->topDown ? ySrc : dib->height - int64_t{ySrc} - srcHeight;
    return CopyDib(dc, *dib, static_cast<const BYTE*>(bits), 0, dib->height, xDest, yDest, destWidth,
                   destHeight, xSrc, srcTop, srcWidth, srcHeight);
}

int SetDIBitsToDevice(HDC dc, int xDest, int yDest, DWORD width, DWORD height, int xSrc, int ySrc,
                      UINT startScan, UINT scanLines, const void* bits, const BITMAPINFO* info, UINT usage)
{
    const std::optional<DibLayout> dib = ReadLayout(info);
    if (!dc || !bits || !dib || usage != DIB_RGB_COLORS || width == 0 || height == 0 || scanLines == 0 ||
        width > DWORD{std::numeric_limits<int>::max()} || height > DWORD{std::numeric_limits<int>::max()})
        return 0;
    const int64_t srcTop = dib->topDown ? ySrc : dib->height - int64_t{ySrc} - height;
    return CopyDib(dc, *dib, static_cast<const BYTE*>(bits), startScan, scanLines, xDest, yDest, width,
                   height, xSrc, srcTop, width, height);
}
