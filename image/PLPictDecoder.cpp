#include "image/PLPictDecoder.h"

#include "image/PLBmp.h"
#include "image/PLDataSource.h"
#include "image/PLJPEGDecoder.h"
#include "image/PLPackBits.h"
#include "image/PLSourceReader.h"
#include "image/PLTextException.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr int kVariable = -1;  // a 16-bit length gives the size of the data
constexpr int kRegion = -2;    // a region or polygon, whose first word is its size
constexpr int kText = -3;      // a text opcode: its fixed part, then a counted string

// Bytes of data of the QuickDraw opcodes 0x00 to 0xA1 that carry no image.
int StandardDataLength(int op)
{
    switch (op) {
        case 0x02:
        case 0x09:
        case 0x0A:
        case 0x10:
        case 0x20: return 8;
        case 0x03:
        case 0x05:
        case 0x08:
        case 0x0D:
        case 0x15:
        case 0x16:
        case 0x23:
        case 0xA0: return 2;
        case 0x04:
        case 0x11: return 1;
        case 0x06:
        case 0x07:
        case 0x0B:
        case 0x0C:
        case 0x0E:
        case 0x0F:
        case 0x21: return 4;
        case 0x1A:
        case 0x1B:
        case 0x1D:
        case 0x1F:
        case 0x22: return 6;
        case 0x01: return kRegion;
        case 0x28:
        case 0x29:
        case 0x2A:
        case 0x2B: return kText;
    }
    if ((op >= 0x30 && op <= 0x37) || (op >= 0x40 && op <= 0x47) || (op >= 0x50 && op <= 0x57))
        return 8;
    if (op >= 0x60 && op <= 0x67)
        return 12;
    if (op >= 0x68 && op <= 0x6F)
        return 4;
    if ((op >= 0x70 && op <= 0x77) || (op >= 0x80 && op <= 0x87))
        return kRegion;
    if ((op >= 0x24 && op <= 0x27) || (op >= 0x2C && op <= 0x2F) || (op >= 0x92 && op <= 0x97) ||
        (op >= 0x9B && op <= 0x9F))
        return kVariable;
    return 0;
}

PLPictDecoder::Rect ReadRect(PLDataSource& source)
{
    PLPictDecoder::Rect r;
    r.top = int16_t(plread::Be16(source));
    r.left = int16_t(plread::Be16(source));
    r.bottom = int16_t(plread::Be16(source));
    r.right = int16_t(plread::Be16(source));
    return r;
}

void SkipRegionData(PLDataSource& source)
{
    CodecTrace(3, "Skipping polygon or region.\n");
    const uint16_t size = plread::Be16(source);
    if (size < 2)
        RaiseDecoderError(PLErr::FormatUnknown, "PICT decoder: Region size %d is too small.", size);
    plread::Skip(source, size - 2);
}

}  // namespace

PLPictDecoder::PLPictDecoder(PLJPEGDecoder* jpegDecoder) : m_pJPEGDec(jpegDecoder) {}

void PLPictDecoder::Close()
{
    // JPEG data read for a header that was never decoded is released with this image.
    if (m_kind == Jpeg && m_pJPEGDec)
        m_pJPEGDec->Close();
    m_kind = None;
    PLPicDecoder::Close();
}

void PLPictDecoder::ReadHeader(PLDataSource* source)
{
    CodecTrace(2, "Decoding mac pict.\n");
    m_pSource = source;
    m_kind = None;
    m_hasRegion = false;
    m_pixMap = {};
    m_start = source->GetPosition();
    plread::Skip(*source, 512 + 2 + 8);  // preamble, picture size, picture frame

    uint8_t c = plread::Byte(*source);
    while (c == 0)
        c = plread::Byte(*source);
    if (c != 0x11)
        RaiseDecoderError(PLErr::WrongSignature, "Error decoding pict: Version number missing.");
    const uint8_t version = plread::Byte(*source);
    if (version == 1)
        m_version = 1;
    else if (version == 2 && plread::Byte(*source) == 0xFF)
        m_version = 2;
    else
        RaiseDecoderError(PLErr::WrongSignature, "Illegal version number.");
    CodecTraceF(3, "PICT version %d found.\n", m_version);

    for (;;) {
        int opcode;
        if (m_version == 1) {
            opcode = plread::Byte(*source);
        } else {
            if ((source->GetPosition() - m_start) % 2)
                plread::Skip(*source, 1);
            opcode = plread::Be16(*source);
        }
        if (ReadOpcode(opcode))
            return;
    }
}

bool PLPictDecoder::ReadOpcode(int opcode)
{
    PLDataSource& source = *m_pSource;
    CodecTraceF(3, "Opcode: 0x%x.\n", opcode);
    if (opcode == 0x00FF || opcode == 0xFFFF) {
        CodecTrace(3, "Opcode: End of pict.\n");
        RaiseDecoderError(PLErr::NotSupported, "PICT contained only vector data!\n");
    }
    switch (opcode) {
        case 0x90:
        case 0x91:
        case 0x98:
        case 0x99: ReadBitsOpcode(opcode); return true;
        case 0x9A: ReadDirectBits(); return true;
        case 0x8200: ReadJpegOpcode(); return true;
        case 0x0C00:
            // Header: version and reserved words, resolution, source rectangle, reserved.
            CodecTrace(3, "Opcode: Header.\n");
            plread::Skip(source, 4);
            SetHeader(GetSize(), {int32_t(plread::Be32(source) >> 16), int32_t(plread::Be32(source) >> 16)},
                      GetPixelFormat());
            plread::Skip(source, 8 + 4);
            return false;
        case 0x12:
        case 0x13:
        case 0x14: {
            // A pixel pattern: type 1 carries a pixel map, its colour table and its pixels.
            const uint16_t type = plread::Be16(source);
            plread::Skip(source, 8);
            if (type == 2) {
                plread::Skip(source, 5);
            } else if (type == 1) {
                const uint16_t rowBytes = plread::Be16(source) & 0x3FFF;
                ReadPixMap();
                plread::Skip(source, 4 + 2);
                const int entries = int16_t(plread::Be16(source)) + 1;
                plread::Skip(source, std::max(entries, 0) * 8);
                const int height = m_pixMap.bounds.bottom - m_pixMap.bounds.top;
                if (height < 0)
                    RaiseDecoderError(PLErr::FormatUnknown, "PICT decoder: Pattern height is negative.");
                for (int y = 0; y < height; ++y) {
                    if (rowBytes < 8)
                        plread::Skip(source, rowBytes);
                    else
                        plread::Skip(source, rowBytes > 250 ? plread::Be16(source) : plread::Byte(source));
                }
                m_pixMap = {};
            } else {
                RaiseDecoderError(PLErr::FormatUnknown, "Unknown pattern type in pixPat.");
            }
            return false;
        }
        case 0xA1:
            plread::Skip(source, 2);  // kind
            plread::Skip(source, plread::Be16(source));
            return false;
    }
    if (opcode <= 0xA1) {
        const int length = StandardDataLength(opcode);
        if (length == kVariable) {
            plread::Skip(source, plread::Be16(source));
        } else if (length == kRegion) {
            SkipRegionData(source);
        } else if (length == kText) {
            // Long text: a point; horizontal or vertical: one byte; both: two bytes.
            plread::Skip(source, opcode == 0x28 ? 4 : opcode == 0x2B ? 2 : 1);
            plread::Skip(source, plread::Byte(source));
        } else {
            plread::Skip(source, length);
        }
        return false;
    }
    CodecTraceF(3, "Opcode: reserved 0x%x.\n", opcode);
    if (opcode <= 0xAF)
        plread::Skip(source, plread::Be16(source));
    else if (opcode <= 0xCF || (opcode >= 0x8000 && opcode <= 0x80FF))
        return false;
    else if (opcode <= 0xFE || opcode >= 0x1FA4)
        plread::Skip(source, plread::Be32(source));
    else if (opcode >= 0x100)
        plread::Skip(source, (opcode >> 7) & 0xFF);
    return false;
}

void PLPictDecoder::ReadPixMap()
{
    PLDataSource& source = *m_pSource;
    PixMap& p = m_pixMap;
    p.bounds = ReadRect(source);
    p.version = int16_t(plread::Be16(source));
    p.packType = int16_t(plread::Be16(source));
    p.packSize = int32_t(plread::Be32(source));
    p.hRes = int32_t(plread::Be32(source));
    p.vRes = int32_t(plread::Be32(source));
    p.pixelType = int16_t(plread::Be16(source));
    p.pixelSize = int16_t(plread::Be16(source));
    p.cmpCount = int16_t(plread::Be16(source));
    p.cmpSize = int16_t(plread::Be16(source));
    p.planeBytes = int32_t(plread::Be32(source));
    p.pmTable = int32_t(plread::Be32(source));
    p.pmReserved = int32_t(plread::Be32(source));
}

void PLPictDecoder::SetPixMapHeader()
{
    const PixMap& p = m_pixMap;
    switch (p.pixelSize) {
        case 1:
        case 2:
        case 4:
        case 8:
        case 16: break;
        case 32:
            if (p.cmpCount == 3 || p.cmpCount == 4)
                break;
            RaiseDecoderError(PLErr::FormatUnknown, "PICT decoder: %d components are not supported.",
                              p.cmpCount);
        default:
            RaiseDecoderError(PLErr::FormatUnknown, "Illegal bpp value in unpackbits: %d\n", p.pixelSize);
    }
    m_bounds = p.bounds;
    plread::CheckSides(*m_pSource, p.bounds.right - p.bounds.left, p.bounds.bottom - p.bounds.top);
    const char* format = p.pixelSize <= 8 ? "I8" : p.cmpCount == 4 ? "A8R8G8B8" : "X8R8G8B8";
    SetHeader({p.bounds.right - p.bounds.left, p.bounds.bottom - p.bounds.top}, {p.hRes >> 16, p.vRes >> 16},
              PLPixelFormat::FindByName(format));
}

void PLPictDecoder::ReadBitsOpcode(int opcode)
{
    PLDataSource& source = *m_pSource;
    const uint16_t rowBytes = plread::Be16(source);
    m_hasRegion = opcode == 0x91 || opcode == 0x99;
    if (rowBytes & 0x8000) {
        m_rowBytes = rowBytes & 0x3FFF;
        ReadPixMap();
        SetPixMapHeader();
        m_kind = IndexedPixMap;
        return;
    }
    CodecTrace(3, "Reading version 1 bitmap.\n");
    m_rowBytes = rowBytes;
    m_bounds = ReadRect(source);
    plread::Skip(source, 16);  // source and destination rectangles
    m_pixMap = {};
    m_pixMap.pixelSize = 1;
    m_pixMap.cmpCount = 1;
    plread::CheckSides(source, m_bounds.right - m_bounds.left, m_bounds.bottom - m_bounds.top);
    SetHeader({m_bounds.right - m_bounds.left, m_bounds.bottom - m_bounds.top}, {},
              PLPixelFormat::FindByName("I8"));
    m_kind = Version1Bitmap;
}

void PLPictDecoder::ReadDirectBits()
{
    PLDataSource& source = *m_pSource;
    plread::Skip(source, 4);  // base address
    m_rowBytes = plread::Be16(source) & 0x3FFF;
    ReadPixMap();
    plread::Skip(source, 16 + 2);  // source and destination rectangles, transfer mode
    SetPixMapHeader();
    m_kind = DirectPixMap;
}

void PLPictDecoder::ReadJpegOpcode()
{
    CodecTrace(3, "Opcode: JPEG.\n");
    PLDataSource& source = *m_pSource;
    const uint32_t length = plread::Be32(source);
    // The QuickTime image description comes first; the JPEG data starts at its marker.
    for (uint32_t i = 0; i < length && source.GetBytesLeft() >= 3; ++i) {
        const uint8_t* b = source.PeekBytes(3);
        if (b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF) {
            if (!m_pJPEGDec)
                RaiseDecoderError(PLErr::NotSupported, "Library not compiled for PICT/JPEG.");
            m_kind = Jpeg;
            m_pJPEGDec->ReadHeader(&source);
            CopyHeader(*m_pJPEGDec);
            return;
        }
        plread::Skip(source, 1);
    }
    RaiseDecoderError(PLErr::NotSupported, "PICT file contains unrecognized quicktime data.\n");
}

void PLPictDecoder::SkipRegion()
{
    if (m_hasRegion)
        SkipRegionData(*m_pSource);
}

void PLPictDecoder::ReadColourTable(PLBmp& bmp)
{
    PLDataSource& source = *m_pSource;
    plread::Skip(source, 4);  // seed
    const bool inOrder = plread::Be16(source) & 0x8000;
    const int count = int16_t(plread::Be16(source)) + 1;
    PLPixel32 palette[256];
    for (int i = 0; i < 256; ++i)
        palette[i] = {0, 0, 0, 255};
    for (int i = 0; i < count; ++i) {
        const uint8_t* e = source.ReadBytes(8);
        const int index = inOrder ? i : plread::Be16(e);
        if (index >= count || index >= 256)
            RaiseDecoderError(PLErr::FormatUnknown, "pixel value greater than colour table size.");
        palette[index] = plread::Opaque(e[2], e[4], e[6]);
    }
    if (bmp.GetBitsPerPixel() == 8)
        bmp.CopyPalette(palette);
}

void PLPictDecoder::ReadPixels(PLBmp& bmp)
{
    PLDataSource& source = *m_pSource;
    switch (m_kind) {
        case Jpeg: m_pJPEGDec->ReadPixels(bmp); return;
        case IndexedPixMap:
            ReadColourTable(bmp);
            plread::Skip(source, 16 + 2);  // source and destination rectangles, transfer mode
            SkipRegion();
            break;
        case DirectPixMap: break;
        case Version1Bitmap: {
            plread::Skip(source, 2);  // transfer mode
            SkipRegion();
            PLPixel32 palette[256];
            palette[0] = plread::Opaque(255, 255, 255);
            palette[1] = plread::Opaque(0, 0, 0);
            for (int i = 2; i < 256; ++i)
                palette[i] = {0, 0, 0, 255};
            bmp.CopyPalette(palette);
            break;
        }
        default: throw PLTextException(PLErr::Internal, "No PICT header was read.");
    }
    ReadRows(bmp);
}

void PLPictDecoder::ReadRows(PLBmp& bmp)
{
    if (bmp.GetWidth() == 0 || bmp.GetHeight() == 0)
        return;  // nothing to read, and no row to read it into
    PLDataSource& source = *m_pSource;
    const PixMap& p = m_pixMap;
    const int32_t width = bmp.GetWidth();
    const int bits = p.pixelSize;
    // Rows of fewer than 8 bytes are stored as they are; so are rows of pack types 1
    // (32-bit pixels) and 2 (their three colour bytes). Other 32-bit rows hold each
    // component of the row in turn.
    const bool raw = m_rowBytes < 8 || (bits == 32 && (p.packType == 1 || p.packType == 2));
    const bool planar = bits == 32 && !raw;
    const int64_t rawBytes = bits == 32 && p.packType == 2 ? 3 * int64_t(width) : m_rowBytes;
    int64_t needed = PLRowBytes(width, bits);
    if (planar)
        needed = int64_t(p.cmpCount) * width;
    else if (bits == 32 && p.packType == 2)
        needed = 3 * int64_t(width);
    std::vector<uint8_t> row(size_t(std::max<int64_t>({needed, m_rowBytes, 1})));

    for (int32_t y = 0; y < bmp.GetHeight(); ++y) {
        if (raw) {
            std::fill(row.begin(), row.end(), 0);
            std::memcpy(row.data(), source.ReadBytes(size_t(rawBytes)), size_t(rawBytes));
        } else {
            const size_t packed = m_rowBytes > 250 ? plread::Be16(source) : plread::Byte(source);
            PLUnpackBits(source.ReadBytes(packed), packed, row.data(), row.size(), bits == 16 ? 2 : 1);
        }
        uint8_t* out = bmp.GetLine(y);
        if (bits <= 8) {
            const int perByte = 8 / bits;
            const int mask = (1 << bits) - 1;
            for (int32_t x = 0; x < width; ++x)
                out[x] = uint8_t((row[x / perByte] >> (8 - bits * (x % perByte + 1))) & mask);
        } else if (bits == 16) {
            for (int32_t x = 0; x < width; ++x, out += 4) {
                const int v = plread::Be16(&row[2 * size_t(x)]);
                out[0] = plread::ExpandBits(v & 0x1F, 5);
                out[1] = plread::ExpandBits((v >> 5) & 0x1F, 5);
                out[2] = plread::ExpandBits((v >> 10) & 0x1F, 5);
                out[3] = 255;
            }
        } else if (planar) {
            const uint8_t* c = row.data();
            const bool alpha = p.cmpCount == 4;
            const size_t w = size_t(width);
            const uint8_t* red = c + (alpha ? w : 0);
            for (size_t x = 0; x < w; ++x, out += 4) {
                out[0] = red[2 * w + x];
                out[1] = red[w + x];
                out[2] = red[x];
                out[3] = alpha ? c[x] : 255;
            }
        } else {
            // Chunky pixels: x, red, green, blue (pack type 1) or red, green, blue (2).
            const int step = p.packType == 2 ? 3 : 4;
            const uint8_t* in = row.data() + (step == 4 ? 1 : 0);
            for (int32_t x = 0; x < width; ++x, out += 4, in += step) {
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
                out[3] = step == 4 && p.cmpCount == 4 ? in[-1] : 255;
            }
        }
    }
}
