#include "image/PLTGADecoder.h"

#include "image/PLBmp.h"
#include "image/PLDataSource.h"
#include "image/PLSourceReader.h"
#include "image/PLTextException.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

bool IsGrey(uint8_t type)
{
    return type == 3 || type == 11;
}

}  // namespace

void PLTGADecoder::ReadHeader(PLDataSource* source)
{
    CodecTrace(2, "Decoding TGA.\n");
    m_pSource = source;
    const uint8_t* b = source->ReadBytes(18);
    const auto le16 = [b](int at) { return uint16_t(b[at] | b[at + 1] << 8); };
    Header& h = m_header;
    h = {b[0], b[1], b[2], le16(3), le16(5), b[7], le16(8), le16(10), le16(12), le16(14), b[16], b[17]};
    plread::Skip(*source, h.idLength);

    const char* format = nullptr;
    switch (h.pixelDepth) {
        case 8: format = IsGrey(h.imageType) ? "L8" : "I8"; break;
        case 15:
        case 24: format = "X8R8G8B8"; break;
        case 16:
        case 32: format = "A8R8G8B8"; break;
        default: RaiseDecoderError(PLErr::FormatUnknown, "TGA decoder: Unknown bits per pixel in file.");
    }
    plread::CheckSides(*source, h.width, h.height);
    SetHeader({h.width, h.height}, {}, PLPixelFormat::FindByName(format));
}

PLPixel32 PLTGADecoder::Pixel(const uint8_t* in, int depth)
{
    switch (depth) {
        case 15:
        case 16: {
            const int v = in[0] | in[1] << 8;
            // The attribute bit of 16-bit pixels marks an opaque pixel; a clear bit, a clear one.
            const auto alpha = uint8_t(depth == 15 || (v & 0x8000) ? 255 : 0);
            return {plread::ExpandBits(v & 0x1F, 5), plread::ExpandBits((v >> 5) & 0x1F, 5),
                    plread::ExpandBits((v >> 10) & 0x1F, 5), alpha};
        }
        case 24: return {in[0], in[1], in[2], 255};
        case 32: return {in[0], in[1], in[2], in[3]};
        default: return {in[0], in[0], in[0], 255};
    }
}

void PLTGADecoder::ReadPixels(PLBmp& bmp)
{
    const Header& h = m_header;
    if (h.colorMapType) {
        int entryBytes = 0;
        switch (h.cmapEntrySize) {
            case 8: entryBytes = 1; break;
            case 15:
            case 16: entryBytes = 2; break;
            case 24: entryBytes = 3; break;
            case 32: entryBytes = 4; break;
            default: RaiseDecoderError(PLErr::FormatUnknown, "TGA decoder: Unknown colour map entry size.");
        }
        PLPixel32 palette[256];
        for (int i = 0; i < 256; ++i)
            palette[i] = {0, 0, 0, 255};
        const uint8_t* entries = m_pSource->ReadBytes(size_t(h.cmapLength) * entryBytes);
        for (int i = 0; i < h.cmapLength; ++i)
            palette[(h.cmapStart + i) % 256] = Pixel(entries + i * entryBytes, h.cmapEntrySize);
        if (bmp.GetBitsPerPixel() == 8)
            bmp.CopyPalette(palette);
    }
    if (IsGrey(h.imageType))
        bmp.SetGreyPalette();
    switch (h.imageType) {
        case 1:
        case 2:
        case 3: ReadRows(bmp, false); break;
        case 9:
        case 10:
        case 11: ReadRows(bmp, true); break;
        default: RaiseDecoderError(PLErr::FormatUnknown, "Unknown TGA image type.");
    }
}

void PLTGADecoder::ReadRows(PLBmp& bmp, bool runLength)
{
    if (bmp.GetWidth() == 0 || bmp.GetHeight() == 0)
        return;  // nothing to read, and no row to read it into
    const int depth = m_header.pixelDepth;
    const int bytes = (depth + 7) / 8;
    const int outBytes = bmp.GetBitsPerPixel() / 8;
    const int32_t width = bmp.GetWidth();
    const int32_t height = bmp.GetHeight();
    const bool topFirst = m_header.imageDesc & 0x20;
    const bool rightToLeft = m_header.imageDesc & 0x10;
    // A run may go on into the next row, as many writers let it: what is left of it is
    // carried over.
    int runLeft = 0;
    bool repeating = false;
    const uint8_t* runPixel = nullptr;
    for (int32_t fileRow = 0; fileRow < height; ++fileRow) {
        uint8_t* out = bmp.GetLine(topFirst ? fileRow : height - 1 - fileRow);
        int32_t x = 0;
        while (x < width) {
            if (!runLength) {
                runLeft = width;
                repeating = false;
            } else if (runLeft == 0) {
                const uint8_t packet = plread::Byte(*m_pSource);
                repeating = packet & 0x80;
                runLeft = (packet & 0x7F) + 1;
                if (repeating)
                    runPixel = m_pSource->ReadBytes(size_t(bytes));
            }
            const int32_t n = std::min(runLeft, width - x);
            const uint8_t* in = repeating ? runPixel : m_pSource->ReadBytes(size_t(n) * bytes);
            for (int32_t i = 0; i < n; ++i, ++x) {
                const PLPixel32 p = Pixel(repeating ? in : in + i * bytes, depth);
                if (outBytes == 1)
                    out[x] = p.b;
                else
                    std::memcpy(out + 4 * x, &p, 4);
            }
            runLeft -= n;
        }
        if (rightToLeft) {
            if (outBytes == 1) {
                std::reverse(out, out + width);
            } else {
                for (int32_t l = 0, r = width - 1; l < r; ++l, --r)
                    std::swap_ranges(out + 4 * l, out + 4 * l + 4, out + 4 * r);
            }
        }
    }
}
