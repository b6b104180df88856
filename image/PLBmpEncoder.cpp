#include "image/PLBmpEncoder.h"

#include "image/PLAnyBmp.h"
#include "image/PLDataSink.h"
#include "image/PLTextException.h"

#include <algorithm>
#include <vector>

namespace {

constexpr uint32_t kHeadersSize = 14 + 40;

class LittleEndianWriter {
public:
    explicit LittleEndianWriter(PLDataSink& sink) : m_sink(sink) {}
    void U16(uint16_t v) { Bytes<2>(v); }
    void U32(uint32_t v) { Bytes<4>(v); }

private:
    template <int N>
    void Bytes(uint32_t v)
    {
        uint8_t bytes[N];
        for (int i = 0; i < N; ++i)
            bytes[i] = uint8_t(v >> (8 * i));
        m_sink.WriteBytes(N, bytes);
    }
    PLDataSink& m_sink;
};

// Pixels per metre from dots per inch, rounded.
uint32_t PerMetre(int32_t dpi)
{
    return uint32_t(int32_t(float(dpi) * 39.37f + 0.5f));
}

}  // namespace

void PLBmpEncoder::WriteImage(const PLBmp& source, PLDataSink& sink)
{
    PLAnyBmp scratch;
    const PLBmp& bmp = WithDepthIn(source, {1, 8, 24, 32}, scratch);
    const int bits = bmp.GetBitsPerPixel();
    const int depth = bits <= 8 ? bits : 24;
    const int32_t width = bmp.GetWidth();
    const int32_t height = bmp.GetHeight();
    const uint32_t paletteBytes = depth <= 8 ? 4u << depth : 0;
    const uint32_t rowBytes = uint32_t(PLRowBytes(width, depth));
    const uint32_t paddedRow = (rowBytes + 3) & ~3u;
    const uint32_t offset = kHeadersSize + paletteBytes;
    const uint64_t fileSize = offset + uint64_t(paddedRow) * uint64_t(height);
    if (fileSize > UINT32_MAX)
        throw PLTextException(PLErr::NotSupported, "Image too large for a BMP file.");

    LittleEndianWriter out(sink);
    sink.WriteBytes(2, "BM");
    out.U32(uint32_t(fileSize));
    out.U32(0);
    out.U32(offset);

    out.U32(40);
    out.U32(uint32_t(width));
    out.U32(uint32_t(height));  // positive: bottom-up rows
    out.U16(1);
    out.U16(uint16_t(depth));
    out.U32(0);  // no compression
    out.U32(0);
    out.U32(PerMetre(bmp.GetResolution().x));
    out.U32(PerMetre(bmp.GetResolution().y));
    out.U32(0);
    out.U32(0);

    if (depth <= 8)
        sink.WriteBytes(paletteBytes, bmp.GetPalette());

    // Readers ignore the padding; 24-bit rows pad with a space (0x20) and then zeros, rows
    // of palette indices with zeros.
    std::vector<uint8_t> row(paddedRow, 0);
    if (depth == 24 && paddedRow > rowBytes)
        row[rowBytes] = 0x20;
    const int pixelBytes = bits / 8;
    for (int32_t y = height - 1; y >= 0; --y) {
        const uint8_t* in = bmp.GetLine(y);
        if (depth <= 8) {
            std::copy(in, in + rowBytes, row.begin());
        } else {
            for (int32_t x = 0; x < width; ++x) {
                row[3 * x] = in[pixelBytes * x];
                row[3 * x + 1] = in[pixelBytes * x + 1];
                row[3 * x + 2] = in[pixelBytes * x + 2];
            }
        }
        sink.WriteBytes(paddedRow, row.data());
    }
}
