#include "image/PLPCXDecoder.h"

#include "image/PLBmp.h"
#include "image/PLDataSource.h"
#include "image/PLSourceReader.h"
#include "image/PLTextException.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// The run-length stream of the whole image, handed out line by line: a run may go on
// into the next line, but never past the end of the image. When the data runs out, the
// rest of the image is left 0.
class RunLengthStream {
public:
    RunLengthStream(PLDataSource& source, int64_t total) : m_source(source), m_left(total) {}

    void Fill(uint8_t* line, size_t length)
    {
        size_t filled = 0;
        while (filled < length && !m_dry) {
            if (m_runLeft > 0) {
                const size_t n = std::min(size_t(m_runLeft), length - filled);
                std::memset(line + filled, m_runValue, n);
                m_runLeft -= int(n);
                filled += n;
                continue;
            }
            try {
                const uint8_t c = plread::Byte(m_source);
                if (c >= 0xC0) {
                    const int count = c & 0x3F;
                    m_runValue = plread::Byte(m_source);
                    if (count > m_left)
                        RaiseDecoderError(PLErr::Internal, "repeat count spans end of image.");
                    m_runLeft = count;
                    m_left -= count;
                } else {
                    line[filled++] = c;
                    --m_left;
                }
            } catch (const PLTextException& e) {
                if (e.GetCode() != PLErr::EndOfData)
                    throw;
                m_dry = true;
            }
        }
        if (filled < length)
            std::memset(line + filled, 0, length - filled);
    }

private:
    PLDataSource& m_source;
    int64_t m_left;
    int m_runLeft = 0;
    uint8_t m_runValue = 0;
    bool m_dry = false;
};

}  // namespace

void PLPCXDecoder::ReadHeader(PLDataSource* source)
{
    CodecTrace(2, "Decoding PCX.\n");
    m_pSource = source;
    const uint8_t* b = source->ReadBytes(128);
    const auto le16 = [b](int at) { return uint16_t(b[at] | b[at + 1] << 8); };
    Header& h = m_header;
    h.manufacturer = b[0];
    h.version = b[1];
    h.encoding = b[2];
    h.bitsPerPixel = b[3];
    h.xmin = le16(4);
    h.ymin = le16(6);
    h.xmax = le16(8);
    h.ymax = le16(10);
    h.hdpi = le16(12);
    h.vdpi = le16(14);
    std::memcpy(h.colorMap, b + 16, 48);
    h.reserved = b[64];
    h.planes = b[65];
    h.bytesPerLine = le16(66);
    h.paletteInfo = le16(68);

    if (h.manufacturer != 0x0A || h.encoding != 1) {
        RaiseDecoderError(PLErr::WrongSignature, "%s",
                          h.manufacturer == 0x0A ? "File has unknown encoding scheme."
                                                 : "Error decoding pcx: Not a PCX file.");
    }
    const int bits = h.bitsPerPixel;
    if (bits == 1 && h.planes >= 5)
        RaiseDecoderError(PLErr::FormatUnknown, "Can't handle image with more than 4 planes.");
    const bool planesFit =
        bits == 1 ? h.planes >= 1 : (bits == 2 || bits == 4 || bits == 8) && (h.planes == 1 || h.planes == 3);
    if (!planesFit)
        RaiseDecoderError(PLErr::FormatUnknown, "Can't handle bits per pixel image with planes.");
    const int32_t width = int32_t(h.xmax) - h.xmin + 1;
    const int32_t height = int32_t(h.ymax) - h.ymin + 1;
    // Every plane's line must hold the row's pixels.
    if (width > 0 && int64_t(h.bytesPerLine) * 8 < int64_t(width) * bits)
        RaiseDecoderError(PLErr::FormatUnknown, "PCX decoder: Line too short for the image width.");
    plread::CheckSides(*source, width, height);
    SetHeader({width, height}, {h.hdpi, h.vdpi}, PLPixelFormat::FindByName("X8R8G8B8"));
}

void PLPCXDecoder::ReadPixels(PLBmp& bmp)
{
    CodecTrace(2, "PCX getimage.\n");
    if (bmp.GetWidth() == 0 || bmp.GetHeight() == 0)
        return;  // nothing to read, and no row to read it into
    const Header& h = m_header;
    const int bits = h.bitsPerPixel;
    const int planes = h.planes;
    const bool rgb = bits == 8 && planes == 3;
    if (planes > 1 && !rgb) {
        if (bits != 1)
            RaiseDecoderError(PLErr::Internal, "Can't handle more than 1 bit per pixel.");
        if (planes > 4)
            RaiseDecoderError(PLErr::Internal, "Can't handle more than 4 planes.");
    }
    const int32_t width = bmp.GetWidth();
    const int32_t height = bmp.GetHeight();
    const size_t bytesPerLine = h.bytesPerLine;
    std::vector<uint8_t> line(bytesPerLine * planes);
    RunLengthStream stream(*m_pSource, int64_t(line.size()) * height);

    // Indexed rows are first written as one index byte per pixel at the start of the row,
    // and looked up once the palette is known (it may follow the image data).
    for (int32_t y = 0; y < height; ++y) {
        stream.Fill(line.data(), line.size());
        uint8_t* out = bmp.GetLine(y);
        if (rgb) {
            for (int32_t x = 0; x < width; ++x) {
                out[4 * x] = line[2 * bytesPerLine + x];
                out[4 * x + 1] = line[bytesPerLine + x];
                out[4 * x + 2] = line[x];
                out[4 * x + 3] = 255;
            }
        } else if (planes == 1) {
            const int perByte = 8 / bits;
            const int mask = (1 << bits) - 1;
            for (int32_t x = 0; x < width; ++x)
                out[x] = uint8_t((line[x / perByte] >> (8 - bits * (x % perByte + 1))) & mask);
        } else {
            for (int32_t x = 0; x < width; ++x) {
                uint8_t index = 0;
                for (int p = 0; p < planes; ++p)
                    index |= uint8_t(((line[p * bytesPerLine + x / 8] >> (7 - x % 8)) & 1) << p);
                out[x] = index;
            }
        }
    }
    if (rgb)
        return;

    PLPixel32 palette[256];
    for (int i = 0; i < 256; ++i)
        palette[i] = i < 16 ? plread::Opaque(h.colorMap[3 * i], h.colorMap[3 * i + 1], h.colorMap[3 * i + 2])
                            : PLPixel32{0, 0, 0, 255};
    if (bits == 8) {
        plread::Skip(*m_pSource, 1);  // the marker of the 256-colour palette
        const uint8_t* entries = m_pSource->ReadBytes(768);
        for (int i = 0; i < 256; ++i)
            palette[i] = plread::Opaque(entries[3 * i], entries[3 * i + 1], entries[3 * i + 2]);
    } else if (bits == 1 && planes == 1) {
        palette[0] = plread::Opaque(0, 0, 0);
        palette[1] = plread::Opaque(255, 255, 255);
    }
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = bmp.GetLine(y);
        for (int32_t x = width - 1; x >= 0; --x)
            std::memcpy(row + 4 * int64_t(x), &palette[row[x]], 4);
    }
}
