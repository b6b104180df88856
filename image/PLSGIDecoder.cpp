#include "image/PLSGIDecoder.h"

#include "image/PLBmp.h"
#include "image/PLDataSource.h"
#include "image/PLSourceReader.h"
#include "image/PLTextException.h"

#include <cstring>
#include <vector>

namespace {

// Channel c of a 32-bit pixel: red, green, blue, alpha in memory order blue first.
constexpr int kByteOfChannel[] = {2, 1, 0, 3};

// Decodes one run-length row of samples of `bytes` bytes (the high byte kept) from the
// row's own data: a count of 0 ends the row, bit 7 set means that many literal samples,
// clear that the next sample repeats. Nothing is read past the row's data nor written
// past its end; what the data leaves out stays 0.
void UnpackRow(const uint8_t* in, size_t length, int bytes, uint8_t* out, int32_t width)
{
    std::memset(out, 0, size_t(width));
    const uint8_t* const end = in + length;
    int32_t x = 0;
    while (size_t(end - in) >= size_t(bytes)) {
        const uint8_t n = in[bytes - 1];  // the low byte of a 16-bit count
        const int count = n & 0x7F;
        in += bytes;
        if (count == 0)
            return;
        if (n & 0x80) {
            for (int i = 0; i < count && size_t(end - in) >= size_t(bytes); ++i, in += bytes) {
                if (x < width)
                    out[x++] = in[0];
            }
        } else {
            if (size_t(end - in) < size_t(bytes))
                return;
            for (int i = 0; i < count && x < width; ++i)
                out[x++] = in[0];
            in += bytes;
        }
    }
}

}  // namespace

void PLSGIDecoder::ReadHeader(PLDataSource* source)
{
    CodecTrace(2, "Decoding SGI.\n");
    m_pSource = source;
    m_start = source->GetPosition();
    const uint8_t* b = source->ReadBytes(512);
    Header& h = m_header;
    h.magic = int16_t(plread::Be16(b));
    h.storage = b[2];
    h.bytesPerChannel = b[3];
    h.dimension = plread::Be16(b + 4);
    h.xSize = plread::Be16(b + 6);
    h.ySize = plread::Be16(b + 8);
    h.zSize = plread::Be16(b + 10);
    h.pixMin = int32_t(plread::Be32(b + 12));
    h.pixMax = int32_t(plread::Be32(b + 16));
    std::memcpy(h.name, b + 24, 80);
    h.colorMap = int32_t(plread::Be32(b + 104));

    if (h.magic != 474)
        throw PLTextException(PLErr::WrongSignature, "SGI decoder invoked for non-SGI file.");
    if (h.dimension == 1)
        throw PLTextException(PLErr::NotSupported, "One-dimensional SGI RGB files are not supported.");
    if (h.dimension != 2 && h.dimension != 3)
        RaiseDecoderError(PLErr::FormatUnknown, "SGI decoder: Unknown dimension.");
    if (h.bytesPerChannel != 1 && h.bytesPerChannel != 2)
        RaiseDecoderError(PLErr::FormatUnknown, "SGI decoder: Unknown number of bytes per channel.");
    // A two-dimensional image has one channel whatever the z size says.
    m_channels = h.dimension == 2 ? 1 : h.zSize;
    const char* format = nullptr;
    switch (m_channels) {
        case 1: format = h.colorMap == 0 ? "L8" : "I8"; break;
        case 2: throw PLTextException(PLErr::NotSupported, "Two-channel SGI RGB files are not supported.");
        case 3: format = "X8R8G8B8"; break;
        case 4: format = "A8R8G8B8"; break;
        default: RaiseDecoderError(PLErr::FormatUnknown, "SGI decoder: Unknown number of channels.");
    }
    plread::CheckSides(*source, h.xSize, h.ySize);
    SetHeader({h.xSize, h.ySize}, {}, PLPixelFormat::FindByName(format));
}

void PLSGIDecoder::StoreRow(PLBmp& bmp, int channel, int32_t fileRow, const uint8_t* samples) const
{
    uint8_t* out = bmp.GetLine(bmp.GetHeight() - 1 - fileRow);
    const int32_t width = bmp.GetWidth();
    if (m_channels == 1) {
        std::memcpy(out, samples, size_t(width));
        return;
    }
    uint8_t* at = out + kByteOfChannel[channel];
    for (int32_t x = 0; x < width; ++x, at += 4)
        *at = samples[x];
}

void PLSGIDecoder::ReadPixels(PLBmp& bmp)
{
    const Header& h = m_header;
    const int32_t width = bmp.GetWidth();
    const int32_t height = bmp.GetHeight();
    const int bytes = h.bytesPerChannel;
    if (h.storage > 1)
        throw PLTextException(PLErr::NotSupported, "Unknown SGI RGB file compression format.");
    if (m_channels == 1)
        bmp.SetGreyPalette();
    if (bmp.GetWidth() == 0 || bmp.GetHeight() == 0)
        return;  // nothing to read, and no row to read it into
    if (m_channels == 3) {
        for (int32_t y = 0; y < height; ++y) {
            uint8_t* row = bmp.GetLine(y);
            for (int32_t x = 0; x < width; ++x)
                row[4 * x + 3] = 255;
        }
    }
    std::vector<uint8_t> samples(static_cast<size_t>(width));

    if (h.storage == 0) {
        for (int channel = 0; channel < m_channels; ++channel) {
            for (int32_t fileRow = 0; fileRow < height; ++fileRow) {
                const uint8_t* in = m_pSource->ReadBytes(size_t(width) * bytes);
                for (int32_t x = 0; x < width; ++x)
                    samples[x] = in[x * bytes];
                StoreRow(bmp, channel, fileRow, samples.data());
            }
        }
        return;
    }

    // The offset table, then the length table: one entry per row of each channel.
    const size_t rows = size_t(height) * m_channels;
    plread::Require(*m_pSource, rows * 8);
    const uint8_t* offsets = m_pSource->ReadBytes(rows * 4);
    const uint8_t* lengths = m_pSource->ReadBytes(rows * 4);
    for (int channel = 0; channel < m_channels; ++channel) {
        for (int32_t fileRow = 0; fileRow < height; ++fileRow) {
            const size_t entry = size_t(channel) * height + fileRow;
            m_pSource->Seek(m_start + plread::Be32(offsets + 4 * entry));
            const uint32_t length = plread::Be32(lengths + 4 * entry);
            const uint8_t* in = m_pSource->ReadBytes(length);
            UnpackRow(in, length, bytes, samples.data(), width);
            StoreRow(bmp, channel, fileRow, samples.data());
        }
    }
}
