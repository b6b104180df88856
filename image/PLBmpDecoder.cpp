#include "image/PLBmpDecoder.h"

#include "image/PLBmp.h"
#include "image/PLDataSource.h"
#include "image/PLSourceReader.h"
#include "image/PLTextException.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

constexpr int32_t kRGB = 0;
constexpr int32_t kBitFields = 3;
constexpr int32_t kAlphaBitFields = 6;

int32_t Le32At(const uint8_t* b)
{
    return int32_t(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24);
}

int16_t Le16At(const uint8_t* b)
{
    return int16_t(b[0] | b[1] << 8);
}

bool IsSignature(const uint8_t* b)
{
    for (const char* tag : {"BA", "IC", "CI", "BM", "CP"}) {
        if (b[0] == tag[0] && b[1] == tag[1])
            return true;
    }
    return false;
}

// One channel of a masked pixel as 8 bits.
uint8_t Channel(uint32_t value, uint32_t mask)
{
    if (!mask)
        return 0;
    const int shift = std::countr_zero(mask);
    const int bits = std::min(std::popcount(mask >> shift), 16);
    return plread::ExpandBits((value & mask) >> shift, bits);
}

int32_t DotsPerInch(int32_t perMetre)
{
    if (perMetre <= 0)
        return 0;
    const float inchesPerMetre = 39.37f;
    const auto dpi = int32_t(perMetre / inchesPerMetre + 0.5);
    return dpi <= 1 ? 0 : dpi;
}

}  // namespace

PLBmpDecoder::PLBmpDecoder() = default;

PLBmpDecoder::~PLBmpDecoder() = default;

void PLBmpDecoder::Close()
{
    m_pBmih.reset();
    PLPicDecoder::Close();
}

void PLBmpDecoder::ReadHeader(PLDataSource* source)
{
    m_pSource = source;
    m_pBmih.reset();
    const size_t start = source->GetPosition();
    const uint8_t* signature = source->ReadBytes(2);
    // Bitmap arrays: the first bitmap of the array is read.
    while (signature[0] == 'B' && signature[1] == 'A') {
        plread::Skip(*source, 12);
        signature = source->ReadBytes(2);
    }
    plread::Skip(*source, 8);  // file size, two reserved words
    const uint32_t dataOffset = plread::Le32(*source);
    if (!IsSignature(signature))
        RaiseDecoderError(PLErr::WrongSignature, "Bitmap decoder: This isn't a bitmap.");
    CodecTrace(3, "Bitmap file signature found\n");

    auto info = std::make_unique<InfoHeader>();
    info->size = int32_t(plread::Le32(*source));
    int entryBytes = 4;
    uint8_t extra[16] = {};  // header bytes 40 to 55: the masks of the longer headers
    if (info->size == 12) {
        entryBytes = 3;
        info->width = plread::Le16(*source);
        info->height = plread::Le16(*source);
        info->planes = int16_t(plread::Le16(*source));
        info->bitCount = int16_t(plread::Le16(*source));
    } else {
        // Windows headers (40 bytes and the longer versions) and the OS/2 2.x one, which
        // may stop after any field; fields it leaves out are 0.
        if (info->size < 16)
            RaiseDecoderError(PLErr::FormatUnknown, "Decoding bmp: Illegal header size.");
        const size_t length = size_t(info->size) - 4;
        const uint8_t* b = source->ReadBytes(length);
        uint8_t fields[36] = {};
        std::memcpy(fields, b, std::min<size_t>(length, 36));
        if (length > 36)
            std::memcpy(extra, b + 36, std::min<size_t>(length - 36, 16));
        info->width = Le32At(fields);
        info->height = Le32At(fields + 4);
        info->planes = Le16At(fields + 8);
        info->bitCount = Le16At(fields + 10);
        info->compression = Le32At(fields + 12);
        info->imageSize = Le32At(fields + 16);
        info->xPelsPerMeter = Le32At(fields + 20);
        info->yPelsPerMeter = Le32At(fields + 24);
        info->clrUsed = Le32At(fields + 28);
        info->clrImportant = Le32At(fields + 32);
    }
    const int bits = info->bitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        RaiseDecoderError(PLErr::FormatUnknown, "Decoding bmp: Illegal bpp value.");

    // Bit-field masks follow a 40-byte header and are part of the longer ones.
    std::fill(std::begin(m_masks), std::end(m_masks), 0);
    const bool masked = (bits == 16 || bits == 32) &&
                        (info->compression == kBitFields || info->compression == kAlphaBitFields);
    if (masked) {
        if (info->size == 40) {
            const size_t count = info->compression == kAlphaBitFields ? 4 : 3;
            const uint8_t* b = source->ReadBytes(4 * count);
            std::memcpy(extra, b, 4 * count);
        }
        for (int i = 0; i < 4; ++i)
            m_masks[i] = uint32_t(Le32At(extra + 4 * i));
        if (info->size == 40 && info->compression == kBitFields)
            m_masks[3] = 0;
    } else if (bits == 16) {
        m_masks[0] = 0x7C00;  // 5-5-5
        m_masks[1] = 0x03E0;
        m_masks[2] = 0x001F;
    }

    std::fill(std::begin(m_palette), std::end(m_palette), PLPixel32{0, 0, 0, 255});
    if (bits <= 8) {
        const int full = 1 << bits;
        const int entries = info->clrUsed > 0 && info->clrUsed <= full ? info->clrUsed : full;
        const uint8_t* b = source->ReadBytes(size_t(entries * entryBytes));
        for (int i = 0; i < entries; ++i, b += entryBytes)
            m_palette[i] = {b[0], b[1], b[2], 255};
    }
    // The pixels start at the file header's offset, when that points past the headers
    // and into the data; writers that leave it 0 put them right after the palette.
    const uint64_t pixels = uint64_t(start) + dataOffset;
    if (dataOffset != 0 && pixels >= source->GetPosition() && pixels <= source->GetFileSize())
        source->Seek(size_t(pixels));

    if (info->height == INT32_MIN)
        RaiseDecoderError(PLErr::FormatUnknown, "Decoding bmp: Illegal height.");
    m_topDown = info->height < 0;
    plread::CheckSides(*source, info->width, m_topDown ? -int64_t(info->height) : info->height);
    CodecTrace(3, "Bitmap header is ok.\n");
    const char* format = bits <= 8 ? "I8" : bits == 32 ? "A8R8G8B8" : "X8R8G8B8";
    SetHeader({info->width, m_topDown ? -info->height : info->height},
              {DotsPerInch(info->xPelsPerMeter), DotsPerInch(info->yPelsPerMeter)},
              PLPixelFormat::FindByName(format));
    m_pBmih = std::move(info);
}

uint8_t* PLBmpDecoder::Row(PLBmp& bmp, int32_t fileRow) const
{
    return bmp.GetLine(m_topDown ? fileRow : bmp.GetHeight() - 1 - fileRow);
}

void PLBmpDecoder::ReadPixels(PLBmp& bmp)
{
    if (!m_pBmih)
        throw PLTextException(PLErr::Internal, "No bitmap header was read.");
    if (bmp.GetBitsPerPixel() == 8)
        bmp.CopyPalette(m_palette);
    if (bmp.GetWidth() == 0 || bmp.GetHeight() == 0)
        return;
    const int bits = m_pBmih->bitCount;
    const bool compressed = m_pBmih->compression != kRGB;
    if ((bits == 8 || bits == 4) && compressed) {
        ReadRunLength(bmp);
    } else if (bits <= 8) {
        ReadPacked(bmp);
    } else {
        ReadTrueColour(bmp);
    }
}

void PLBmpDecoder::ReadPacked(PLBmp& bmp)
{
    const int bits = m_pBmih->bitCount;
    CodecTrace(3, bits == 1   ? "Decoding 1 bit per pixel bitmap.\n"
                  : bits == 4 ? "Decoding uncompressed 4 bit per pixel bitmap.\n"
                              : "Decoding uncompressed 8 bit per pixel bitmap.\n");
    const int32_t width = bmp.GetWidth();
    const int64_t dataBytes = PLRowBytes(width, bits);
    const int64_t padding = (4 - dataBytes % 4) % 4;
    const int perByte = 8 / bits;
    const int mask = (1 << bits) - 1;
    for (int32_t fileRow = 0; fileRow < bmp.GetHeight(); ++fileRow) {
        const uint8_t* in = m_pSource->ReadBytes(size_t(dataBytes));
        uint8_t* out = Row(bmp, fileRow);
        if (bits == 8) {
            std::memcpy(out, in, size_t(width));
        } else {
            for (int32_t x = 0; x < width; ++x) {
                const int shift = 8 - bits * (x % perByte + 1);
                out[x] = uint8_t((in[x / perByte] >> shift) & mask);
            }
        }
        if (fileRow + 1 < bmp.GetHeight())
            plread::Skip(*m_pSource, padding);
    }
}

void PLBmpDecoder::ReadTrueColour(PLBmp& bmp)
{
    CodecTrace(3, "Decoding true-color bitmap.\n");
    const int bits = m_pBmih->bitCount;
    const int32_t width = bmp.GetWidth();
    const int64_t dataBytes = PLRowBytes(width, bits);
    const int64_t padding = (4 - dataBytes % 4) % 4;
    const bool plain32 = bits == 32 && !m_masks[0] && !m_masks[1] && !m_masks[2];
    bool anyAlpha = false;
    for (int32_t fileRow = 0; fileRow < bmp.GetHeight(); ++fileRow) {
        const uint8_t* in = m_pSource->ReadBytes(size_t(dataBytes));
        uint8_t* out = Row(bmp, fileRow);
        if (plain32) {
            std::memcpy(out, in, size_t(width) * 4);
            for (int32_t x = 0; x < width && !anyAlpha; ++x)
                anyAlpha = in[4 * x + 3] != 0;
        } else if (bits == 24) {
            for (int32_t x = 0; x < width; ++x, in += 3, out += 4) {
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
                out[3] = 255;
            }
        } else {
            const int bytes = bits / 8;
            for (int32_t x = 0; x < width; ++x, in += bytes, out += 4) {
                uint32_t v = in[0] | in[1] << 8;
                if (bytes == 4)
                    v |= uint32_t(in[2]) << 16 | uint32_t(in[3]) << 24;
                out[0] = Channel(v, m_masks[2]);
                out[1] = Channel(v, m_masks[1]);
                out[2] = Channel(v, m_masks[0]);
                out[3] = m_masks[3] ? Channel(v, m_masks[3]) : 255;
            }
        }
        if (fileRow + 1 < bmp.GetHeight())
            plread::Skip(*m_pSource, padding);
    }
    // Most 32-bit files leave the fourth byte 0 and mean an opaque picture, not an
    // invisible one: a fourth byte that is 0 throughout is no alpha channel.
    if (plain32 && !anyAlpha) {
        for (int32_t y = 0; y < bmp.GetHeight(); ++y) {
            uint8_t* row = bmp.GetLine(y);
            for (int32_t x = 0; x < width; ++x)
                row[4 * x + 3] = 255;
        }
    }
}

void PLBmpDecoder::ReadRunLength(PLBmp& bmp)
{
    const int bits = m_pBmih->bitCount;
    CodecTrace(3, bits == 8 ? "Decoding RLE8-compressed bitmap.\n" : "Decoding RLE4-compressed bitmap.\n");
    // Pixel i of a run or literal: a byte, or for 4 bits the high and the low nibble in turn.
    const auto pixel = [bits](const uint8_t* bytes, int i) {
        return bits == 8 ? bytes[i] : uint8_t(i % 2 ? bytes[i / 2] & 0x0F : bytes[i / 2] >> 4);
    };
    const int32_t width = bmp.GetWidth();
    for (int32_t y = 0; y < bmp.GetHeight(); ++y)
        std::memset(bmp.GetLine(y), 0, size_t(width));
    int32_t x = 0;
    int32_t fileRow = 0;
    while (fileRow < bmp.GetHeight()) {
        const uint8_t count = plread::Byte(*m_pSource);
        const uint8_t value = plread::Byte(*m_pSource);
        uint8_t* row = Row(bmp, fileRow);
        if (count > 0) {
            for (int i = 0; i < count && x < width; ++i)
                row[x++] = pixel(&value, bits == 8 ? 0 : i % 2);
            continue;
        }
        switch (value) {
            case 0:
                x = 0;
                ++fileRow;
                break;
            case 1: return;
            case 2: RaiseDecoderError(PLErr::NotSupported, "Encountered delta escape.");
            default: {
                // A literal of value pixels, padded to whole words.
                const int bytes = bits == 8 ? value : (value + 1) / 2;
                const uint8_t* literal = m_pSource->ReadBytes(size_t(bytes));
                for (int i = 0; i < value && x < width; ++i)
                    row[x++] = pixel(literal, i);
                if (bytes % 2)
                    plread::Skip(*m_pSource, 1);
            }
        }
    }
}
