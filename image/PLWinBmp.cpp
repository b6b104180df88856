#include "image/PLWinBmp.h"

#include "image/ImageRep.h"
#include "image/PLTextException.h"
#include "support/ResourceLoader.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

namespace {

// Offsets of the BITMAPINFOHEADER fields the bitmap reads and writes.
constexpr size_t kSizeField = 0;
constexpr size_t kWidthField = 4;
constexpr size_t kHeightField = 8;
constexpr size_t kPlanesField = 12;
constexpr size_t kBitCountField = 14;
constexpr size_t kCompressionField = 16;
constexpr size_t kColorsUsedField = 32;

constexpr int kMaxPaletteBits = 15;

uint32_t Read32(const uint8_t* at)
{
    return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}

uint16_t Read16(const uint8_t* at)
{
    return uint16_t(at[0] | at[1] << 8);
}

void Write32(uint8_t* at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = uint8_t(value >> (8 * i));
}

void Write16(uint8_t* at, uint16_t value)
{
    at[0] = uint8_t(value);
    at[1] = uint8_t(value >> 8);
}

int64_t ColorTableBytes(int bits)
{
    return bits >= 1 && bits <= kMaxPaletteBits ? int64_t{4} << bits : 0;
}

[[noreturn]] void RaiseBadDIB(const char* reason)
{
    throw PLTextException(PLErr::FormatUnknown,
                          std::string("Device-independent bitmap refused: ") + reason + ".");
}

}  // namespace

const PLPixelFormat& FormatForDIBBits(int bits)
{
    static const PLPixelFormat kUnnamed;
    switch (bits) {
        case 1: return PLPixelFormat::FindByName("L1");
        case 8: return PLPixelFormat::FindByName("I8");
        case 16: return PLPixelFormat::FindByName("X1R5G5B5");
        case 24: return PLPixelFormat::FindByName("R8G8B8");
        case 32: return PLPixelFormat::FindByName("X8R8G8B8");
        default: return kUnnamed;
    }
}

int64_t GetDIBBytesPerLine(int64_t width, int bits)
{
    return (width * bits + 31) / 32 * 4;
}

int64_t GetDIBSize(int64_t width, int64_t height, int bits)
{
    return PLWinBmp::kHeaderSize + ColorTableBytes(bits) + height * GetDIBBytesPerLine(width, bits);
}

PLWinBmp::PLWinBmp()
{
    AllocatePixels(16, 16, PLPixelFormat::FindByName("I8"));
}

PLWinBmp::PLWinBmp(const PLWinBmp& other) : PLWinBmp(static_cast<const PLBmp&>(other)) {}

PLWinBmp::PLWinBmp(const PLBmp& other)
{
    Duplicate(other);
}

PLWinBmp::~PLWinBmp() = default;

int64_t PLWinBmp::GetMemoryUsed() const
{
    return int64_t(m_packedSize) + 192;
}

int64_t PLWinBmp::GetBytesPerLine() const
{
    return GetDIBBytesPerLine(GetWidth(), GetBitsPerPixel());
}

void PLWinBmp::AllocatePixels(int32_t width, int32_t height, const PLPixelFormat& format)
{
    CheckGeometry(width, height, format);
    const int bits = format.GetBitsPerPixel();
    const auto size = size_t(GetDIBSize(width, height, bits));
    // Zeroed, so that the padding at the end of every row is defined.
    std::unique_ptr<uint8_t[]> dib(new (std::nothrow) uint8_t[size]());
    std::unique_ptr<uint8_t*[]> lines(new (std::nothrow) uint8_t*[size_t(std::max(1, height))]());
    if (!dib || !lines)
        throw PLTextException(PLErr::NoMemory, "Out of memory creating bitmap.");
    uint8_t* header = dib.get();
    Write32(header + kSizeField, kHeaderSize);
    Write32(header + kWidthField, uint32_t(width));
    Write32(header + kHeightField, uint32_t(height));
    Write16(header + kPlanesField, 1);
    Write16(header + kBitCountField, uint16_t(bits));

    m_pDIB = std::move(dib);
    m_packedSize = size;
    m_lines = std::move(lines);
    m_pLineArray = m_lines.get();
    SetupPointers();
    SetupGeometry(width, height, format);
}

void PLWinBmp::SetupPointers()
{
    const int bits = Read16(m_pDIB.get() + kBitCountField);
    uint8_t* table = m_pDIB.get() + kHeaderSize;
    m_pClrTab = ColorTableBytes(bits) ? reinterpret_cast<PLPixel32*>(table) : nullptr;
    m_pBits = table + ColorTableBytes(bits);
}

void PLWinBmp::BuildLineArray()
{
    const int64_t bytesPerLine = GetBytesPerLine();
    for (int32_t row = 0; row < m_size.y; ++row)
        m_lines[row] = m_pBits + (m_size.y - row - 1) * bytesPerLine;
}

void PLWinBmp::FreePixels()
{
    m_pDIB.reset();
    m_lines.reset();
    m_packedSize = 0;
    m_pBits = nullptr;
    m_pClrTab = nullptr;
    m_pLineArray = nullptr;
    m_size = {};
}

void PLWinBmp::CreateFromDIB(const uint8_t* dib, size_t size)
{
    if (!dib || size < size_t(kHeaderSize))
        RaiseBadDIB("shorter than its header");
    const auto width = int32_t(Read32(dib + kWidthField));
    const auto height = int32_t(Read32(dib + kHeightField));
    const int bits = Read16(dib + kBitCountField);
    const uint32_t colorsUsed = Read32(dib + kColorsUsedField);
    if (Read32(dib + kSizeField) != uint32_t(kHeaderSize))
        RaiseBadDIB("the header is not a BITMAPINFOHEADER");
    if (Read16(dib + kPlanesField) != 1 || Read32(dib + kCompressionField) != 0)
        RaiseBadDIB("compressed or multi-plane");
    if (FormatForDIBBits(bits).IsUnnamed())
        RaiseBadDIB("unsupported bit count");
    if (width < 1 || height < 1)
        RaiseBadDIB("empty or top-down");
    if (colorsUsed != 0 && !(bits <= 8 && colorsUsed == (1u << bits)))
        RaiseBadDIB("partial colour table");
    if (int64_t(size) < GetDIBSize(width, height, bits))
        RaiseBadDIB("fewer bytes than the header announces");
    if (dib == m_pDIB.get())
        return;

    FreePixels();
    AllocatePixels(width, height, FormatForDIBBits(bits));
    // After the geometry, so that the DIB's own colour table replaces the grey one.
    std::memcpy(m_pDIB.get(), dib, m_packedSize);
}

void PLWinBmp::CreateFromResource(uint32_t id)
{
    const void* data = nullptr;
    size_t size = 0;
    if (!orbisk::utils::FindResourceData(orbisk::imageutils::kResourceTypeBitmap, id, data, size))
        throw PLTextException(PLErr::FileNotFound, "Bitmap resource " + std::to_string(id) + " not found.");
    CreateFromDIB(static_cast<const uint8_t*>(data), size);
}

std::vector<uint8_t> PLWinBmp::CopyToGlobalMemory() const
{
    try {
        return {m_pDIB.get(), m_pDIB.get() + m_packedSize};
    } catch (const std::bad_alloc&) {
        throw PLTextException(PLErr::NoMemory, "Can't allocate global memory block.");
    }
}
