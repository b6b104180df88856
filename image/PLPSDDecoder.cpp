#include "image/PLPSDDecoder.h"

#include "image/PLBmp.h"
#include "image/PLDataSource.h"
#include "image/PLPackBits.h"
#include "image/PLSourceReader.h"
#include "image/PLTextException.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

enum Mode : uint16_t { Greyscale = 1, Indexed = 2, RGB = 3 };

// Channel c of a 32-bit pixel: red, green, blue, alpha in memory order blue first.
constexpr int kByteOfChannel[] = {2, 1, 0, 3};

// Bytes of a layer record before its channel list, and of each channel entry, blend
// signature and key, opacity, clipping, flags, filler and extra length after it.
constexpr uint64_t kLayerBytes = 16 + 2 + 4 + 4 + 4 + 4;
constexpr uint64_t kLayerChannelBytes = 6;

}  // namespace

void PLPSDDecoder::Close()
{
    m_layers.clear();
    PLPicDecoder::Close();
}

void PLPSDDecoder::ReadHeader(PLDataSource* source)
{
    m_pSource = source;
    m_layers.clear();
    const uint8_t* b = source->ReadBytes(26);
    Header& h = m_header;
    std::memcpy(h.signature, b, 4);
    h.version = plread::Be16(b + 4);
    h.channels = plread::Be16(b + 12);
    h.rows = plread::Be32(b + 14);
    h.columns = plread::Be32(b + 18);
    h.depth = plread::Be16(b + 22);
    h.mode = plread::Be16(b + 24);
    if (std::memcmp(h.signature, "8BPS", 4) != 0)
        RaiseDecoderError(PLErr::FormatUnknown, "PSD decoder: This isn't a photoshop file.");
    // Version 2 is the large-document format, whose lengths are of another size.
    if (h.version != 1)
        RaiseDecoderError(PLErr::NotSupported, "PSD decoder: Version %d is not supported.", h.version);
    if (h.depth != 8 && h.depth != 16)
        RaiseDecoderError(PLErr::NotSupported, "PSD decoder: %d bits per channel are not supported.",
                          h.depth);
    if (h.channels == 0 || h.rows > INT32_MAX || h.columns > INT32_MAX)
        RaiseDecoderError(PLErr::FormatUnknown, "PSD decoder: Image size out of range.");

    // Colour-mode data: the palette of indexed images.
    const uint32_t modeLength = plread::Be32(*source);
    plread::Require(*source, modeLength);
    for (int i = 0; i < 256; ++i)
        m_palette[i] = {0, 0, 0, 255};
    if (modeLength >= 768) {
        const uint8_t* p = source->GetCurrentPointer();
        for (int i = 0; i < 256; ++i)
            m_palette[i] = plread::Opaque(p[i], p[256 + i], p[512 + i]);
    }
    plread::Skip(*source, modeLength);

    m_resolution = {};
    ReadResources(*source);

    const char* format = nullptr;
    switch (h.mode) {
        case Greyscale:
            format = "L8";
            for (int i = 0; i < 256; ++i)
                m_palette[i] = {uint8_t(i), uint8_t(i), uint8_t(i), 255};
            break;
        case Indexed: format = "I8"; break;
        case RGB: format = h.channels < 4 ? "X8R8G8B8" : "A8R8G8B8"; break;
        default: RaiseDecoderError(PLErr::NotSupported, "This PSD color mode is not supported.");
    }
    plread::CheckSides(*source, h.columns, h.rows);
    ReadLayers(*source);
    SetHeader({int32_t(h.columns), int32_t(h.rows)}, m_resolution, PLPixelFormat::FindByName(format));
}

void PLPSDDecoder::ReadResources(PLDataSource& source)
{
    const uint32_t length = plread::Be32(source);
    plread::Require(source, length);
    const size_t end = source.GetPosition() + length;
    while (source.GetPosition() < end) {
        if (std::memcmp(source.ReadBytes(4), "8BIM", 4) != 0)
            RaiseDecoderError(PLErr::FormatUnknown, "PSD decoder: Wrong signature in resource data block.");
        const uint16_t id = plread::Be16(source);
        const uint8_t nameLength = plread::Byte(source);
        const std::string name(reinterpret_cast<const char*>(source.ReadBytes(nameLength)), nameLength);
        if (nameLength % 2 == 0)
            plread::Skip(source, 1);  // the name with its length byte fills whole words
        CodecTraceF(3, "Reading resource: %s\n", name.c_str());
        const uint32_t size = plread::Be32(source);
        plread::Require(source, size);
        if (source.GetPosition() + size > end)
            RaiseDecoderError(PLErr::FormatUnknown, "PSD decoder: Resource block beyond its section.");
        if (id == 0x03ED && size >= 16) {
            // Horizontal and vertical resolution, 16.16 fixed point, each followed by two
            // unit words; the integer part is the resolution.
            const uint8_t* r = source.GetCurrentPointer();
            m_resolution = {int32_t(plread::Be32(r) >> 16), int32_t(plread::Be32(r + 8) >> 16)};
        }
        plread::Skip(source, size + size % 2);
    }
    source.Seek(end);
}

void PLPSDDecoder::ReadLayers(PLDataSource& source)
{
    m_layerLength = plread::Be32(source);
    m_layerStart = source.GetPosition();
    if (m_layerLength == 0)
        return;
    plread::Require(source, m_layerLength);
    const uint32_t infoLength = plread::Be32(source);
    if (infoLength == 0)
        return;
    const int count = std::abs(int(int16_t(plread::Be16(source))));
    CodecTraceF(3, "Number of layers: %i\n", count);
    plread::Require(source, count * kLayerBytes);
    m_layers.resize(size_t(count));
    for (Layer& layer : m_layers) {
        layer.top = int32_t(plread::Be32(source));
        layer.left = int32_t(plread::Be32(source));
        layer.bottom = int32_t(plread::Be32(source));
        layer.right = int32_t(plread::Be32(source));
        const uint16_t channels = plread::Be16(source);
        plread::Require(source, channels * kLayerChannelBytes);
        layer.channels.resize(channels);
        for (LayerChannel& channel : layer.channels) {
            channel.id = int16_t(plread::Be16(source));
            channel.length = plread::Be32(source);
        }
        std::memcpy(layer.blendSignature, source.ReadBytes(4), 4);
        std::memcpy(layer.blendKey, source.ReadBytes(4), 4);
        layer.opacity = plread::Byte(source);
        layer.clipping = plread::Byte(source);
        layer.flags = plread::Byte(source);
        plread::Skip(source, 1);
        layer.extraLength = plread::Be32(source);
        plread::Skip(source, layer.extraLength);
    }
}

void PLPSDDecoder::StoreRow(PLBmp& bmp, int channel, int32_t row, const uint8_t* samples) const
{
    const int step = m_header.depth / 8;  // of 16-bit samples the high byte is kept
    const int32_t width = bmp.GetWidth();
    uint8_t* out = bmp.GetLine(row);
    if (bmp.GetBitsPerPixel() == 8) {
        for (int32_t x = 0; x < width; ++x)
            out[x] = samples[x * step];
        return;
    }
    uint8_t* at = out + kByteOfChannel[channel];
    for (int32_t x = 0; x < width; ++x, at += 4)
        *at = samples[x * step];
}

void PLPSDDecoder::ReadPixels(PLBmp& bmp)
{
    PLDataSource& source = *m_pSource;
    if (bmp.GetBitsPerPixel() == 8)
        bmp.CopyPalette(m_palette);
    if (m_layerLength > 0)
        source.Seek(m_layerStart + m_layerLength);
    m_layers.clear();
    if (bmp.GetWidth() == 0 || bmp.GetHeight() == 0)
        return;  // nothing to read, and no row to read it into

    const uint16_t compression = plread::Be16(source);
    static const char* const kCompression[] = {"No compression\n", "RLE compression\n",
                                               "ZIP compression, no prediction\n",
                                               "ZIP compression, prediction\n"};
    if (compression > 3)
        RaiseDecoderError(PLErr::FormatUnknown, "PSD decoder: Compression unknown.");
    CodecTrace(3, kCompression[compression]);
    if (compression >= 2)
        RaiseDecoderError(PLErr::FormatUnknown, "PSD decoder: Compression type not supported.");

    const int32_t width = bmp.GetWidth();
    const int32_t height = bmp.GetHeight();
    const int channels = bmp.GetBitsPerPixel() == 8 ? 1 : std::min<int>(m_header.channels, 4);
    if (bmp.GetBitsPerPixel() == 32) {
        // Channels the file does not have stay 0, and alpha opaque.
        for (int32_t y = 0; y < height; ++y) {
            uint8_t* row = bmp.GetLine(y);
            for (int32_t x = 0; x < width; ++x)
                std::memcpy(row + 4 * int64_t(x), "\0\0\0\xFF", 4);
        }
    }
    const size_t rowBytes = size_t(width) * (m_header.depth / 8);
    if (compression == 0) {
        for (int c = 0; c < channels; ++c) {
            for (int32_t y = 0; y < height; ++y)
                StoreRow(bmp, c, y, source.ReadBytes(rowBytes));
        }
        return;
    }
    // The packed length of every row of every channel, channel after channel, then the rows.
    const uint8_t* counts = source.ReadBytes(size_t(height) * m_header.channels * 2);
    std::vector<uint8_t> samples(rowBytes);
    for (int c = 0; c < channels; ++c) {
        for (int32_t y = 0; y < height; ++y) {
            const uint16_t packed = plread::Be16(counts + 2 * (size_t(c) * height + y));
            PLUnpackBits(source.ReadBytes(packed), packed, samples.data(), rowBytes);
            StoreRow(bmp, c, y, samples.data());
        }
    }
}
