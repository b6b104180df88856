#include "image/PLIFF85Decoder.h"

#include "image/PLBmp.h"
#include "image/PLDataSource.h"
#include "image/PLPackBits.h"
#include "image/PLSourceReader.h"
#include "image/PLTextException.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr uint32_t kHAM = 0x800;
constexpr uint32_t kExtraHalfBrite = 0x80;
constexpr uint8_t kMaskPlane = 1;
constexpr uint8_t kTransparentColour = 2;

bool Is(const uint8_t* id, const char* name)
{
    return std::memcmp(id, name, 4) == 0;
}

}  // namespace

bool PLIFF85Decoder::IsHAM() const
{
    return (m_viewportMode & kHAM) && !m_pbm;
}

size_t PLIFF85Decoder::PlaneRowBytes() const
{
    // PBM rows are whole bytes padded to an even count; ILBM planes to 16 pixels.
    return m_pbm ? (size_t(m_bmhd.width) + 1) / 2 * 2 : (size_t(m_bmhd.width) + 15) / 16 * 2;
}

size_t PLIFF85Decoder::StoredRowBytes() const
{
    if (m_pbm)
        return PlaneRowBytes();
    return PlaneRowBytes() * (m_bmhd.planes + (m_bmhd.masking == kMaskPlane ? 1 : 0));
}

void PLIFF85Decoder::ReadHeader(PLDataSource* source)
{
    CodecTrace(2, "Decoding IFF-85 header.\n");
    m_pSource = source;
    const size_t start = source->GetPosition();
    if (!Is(source->PeekBytes(4), "FORM"))
        RaiseDecoderError(PLErr::WrongSignature, "File is not a single-form IFF.");
    plread::Skip(*source, 4);
    const uint64_t formEnd = uint64_t(start) + plread::Be32(*source) + 8;
    const uint8_t* type = source->ReadBytes(4);
    if (Is(type, "PBM ")) {
        CodecTrace(3, "Form type: PBM\n");
        m_pbm = true;
    } else if (Is(type, "ILBM")) {
        CodecTrace(3, "Form type: ILBM\n");
        m_pbm = false;
    } else {
        RaiseDecoderError(PLErr::FormatUnknown, "Unknown form type.");
    }

    bool haveHeader = false;
    int colours = -1;
    int64_t bodySize = -1;
    m_viewportMode = 0;
    m_bmhd = {};
    for (int i = 0; i < 256; ++i)
        m_palette[i] = {0, 0, 0, 255};
    while (source->GetPosition() + 1 < formEnd && bodySize < 0) {
        const uint8_t* id = source->ReadBytes(4);
        const uint32_t size = plread::Be32(*source);
        if (Is(id, "BMHD")) {
            if (size != 20)
                RaiseDecoderError(PLErr::FormatUnknown, "Unexpected header size.");
            const uint8_t* b = source->ReadBytes(20);
            BitmapHeader& h = m_bmhd;
            h.width = plread::Be16(b);
            h.height = plread::Be16(b + 2);
            h.x = int16_t(plread::Be16(b + 4));
            h.y = int16_t(plread::Be16(b + 6));
            h.planes = b[8];
            h.masking = b[9];
            h.compression = b[10];
            h.pad = b[11];
            h.transparentColour = plread::Be16(b + 12);
            h.xAspect = b[14];
            h.yAspect = b[15];
            h.pageWidth = int16_t(plread::Be16(b + 16));
            h.pageHeight = int16_t(plread::Be16(b + 18));
            static const char* const kMasking[] = {"No masking.\n", "Has mask plane.\n",
                                                   "Has transparent colour.\n", "Lasso"};
            if (h.masking > 3)
                RaiseDecoderError(PLErr::FormatUnknown, "Unknown masking technique.");
            CodecTrace(3, kMasking[h.masking]);
            if (h.compression > 1)
                RaiseDecoderError(PLErr::FormatUnknown, "Unknown compression method.");
            CodecTrace(3, h.compression ? "Byte run encoding.\n" : "No compression.\n");
            haveHeader = true;
        } else if (Is(id, "CMAP")) {
            const uint8_t* b = source->ReadBytes(size);
            colours = int(std::min<uint32_t>(size / 3, 1u << 16));
            for (int i = 0; i < std::min(colours, 256); ++i)
                m_palette[i] = plread::Opaque(b[3 * i], b[3 * i + 1], b[3 * i + 2]);
        } else if (Is(id, "CAMG")) {
            if (size != 4)
                RaiseDecoderError(PLErr::FormatUnknown, "Unexpected CAMG size.");
            m_viewportMode = plread::Be32(*source);
        } else if (Is(id, "BODY")) {
            bodySize = size;
            break;
        } else {
            plread::Skip(*source, size);
        }
        // Chunks are padded to whole words.
        if (size % 2 && source->GetPosition() < formEnd)
            plread::Skip(*source, 1);
    }

    const BitmapHeader& h = m_bmhd;
    if (!haveHeader)
        RaiseDecoderError(PLErr::FormatUnknown, "Header not found.");
    if (colours < 0 && h.planes <= 8)
        RaiseDecoderError(PLErr::FormatUnknown, "Palette not found.");
    if (bodySize < 0)
        RaiseDecoderError(PLErr::FormatUnknown, "Body not found.");
    if (m_pbm     ? h.planes != 8
        : IsHAM() ? h.planes != 6 && h.planes != 8
                  : h.planes == 0 || (h.planes > 8 && h.planes != 24 && h.planes != 32))
        RaiseDecoderError(PLErr::NotSupported, "%d planes are not supported.", h.planes);
    if (h.compression == 0 && uint64_t(bodySize) != uint64_t(StoredRowBytes()) * h.height)
        RaiseDecoderError(PLErr::FormatUnknown, "Unexpected body size.");
    if (source->GetPosition() + uint64_t(bodySize) > formEnd)
        RaiseDecoderError(PLErr::FormatUnknown, "Body extends beyond form.");
    const int indexBits = IsHAM() ? h.planes - 2 : h.planes;
    if (indexBits <= 8 && colours > (1 << indexBits))
        RaiseDecoderError(PLErr::FormatUnknown, "Too many CMAP entries.");

    // Extra half-brite: the upper 32 colours are the lower ones at half brightness.
    if ((m_viewportMode & kExtraHalfBrite) && h.planes == 6 && !IsHAM()) {
        for (int i = 0; i < 32; ++i) {
            const PLPixel32& c = m_palette[i];
            m_palette[32 + i] = {uint8_t(c.b / 2), uint8_t(c.g / 2), uint8_t(c.r / 2), 255};
        }
    }
    const char* format = h.masking == kTransparentColour ? "A8R8G8B8"
                         : h.planes > 8 || IsHAM()       ? "X8R8G8B8"
                                                         : "I8";
    plread::CheckSides(*source, h.width, h.height);
    SetHeader({h.width, h.height}, {}, PLPixelFormat::FindByName(format));
}

void PLIFF85Decoder::ReadPixels(PLBmp& bmp)
{
    CodecTrace(2, "Decoding IFF-85 body.\n");
    const BitmapHeader& h = m_bmhd;
    if (bmp.GetBitsPerPixel() == 8)
        bmp.CopyPalette(m_palette);
    if (bmp.GetWidth() == 0 || bmp.GetHeight() == 0)
        return;  // nothing to read, and no row to read it into
    const int32_t width = bmp.GetWidth();
    const int planes = h.planes;
    const size_t planeBytes = PlaneRowBytes();
    std::vector<uint8_t> stored(StoredRowBytes());
    std::vector<uint32_t> values(static_cast<size_t>(width));
    const bool deep = planes > 8 && !IsHAM();
    const int indexBits = IsHAM() ? planes - 2 : planes;
    const uint32_t lowMask = (1u << std::min(indexBits, 8)) - 1;

    for (int32_t y = 0; y < bmp.GetHeight(); ++y) {
        if (h.compression)
            PLUnpackBitsFrom(*m_pSource, stored.data(), stored.size());
        else
            std::memcpy(stored.data(), m_pSource->ReadBytes(stored.size()), stored.size());
        if (m_pbm) {
            for (int32_t x = 0; x < width; ++x)
                values[x] = stored[x];
        } else {
            // Bit 7 - (x mod 8) of byte x / 8 of plane j is bit j of pixel x; a mask plane
            // after the last one is left out.
            std::fill(values.begin(), values.end(), 0);
            for (int j = 0; j < planes; ++j) {
                const uint8_t* plane = stored.data() + j * planeBytes;
                for (int32_t x = 0; x < width; ++x)
                    values[x] |= uint32_t((plane[x / 8] >> (7 - x % 8)) & 1) << j;
            }
        }

        uint8_t* out = bmp.GetLine(y);
        if (bmp.GetBitsPerPixel() == 8) {
            for (int32_t x = 0; x < width; ++x)
                out[x] = uint8_t(values[x]);
            continue;
        }
        PLPixel32 previous{0, 0, 0, 255};
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t v = values[x];
            PLPixel32 p;
            if (IsHAM()) {
                // The top two bits choose: a palette colour, or the previous pixel with its
                // blue, red or green replaced by the low bits.
                const uint8_t low = plread::ExpandBits(v & lowMask, indexBits);
                p = previous;
                switch (v >> indexBits) {
                    case 0: p = m_palette[v & lowMask]; break;
                    case 1: p.b = low; break;
                    case 2: p.r = low; break;
                    default: p.g = low; break;
                }
                p.a = 255;
            } else if (deep) {
                p = {uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v), 255};
            } else {
                p = m_palette[v & 0xFF];
                p.a = h.masking == kTransparentColour && v == h.transparentColour ? 0 : 255;
            }
            std::memcpy(out + 4 * int64_t(x), &p, 4);
            previous = p;
        }
    }
}
