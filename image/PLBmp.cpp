#include "image/PLBmp.h"

#include "image/PLAnyBmp.h"
#include "image/PLFilterQuantize.h"
#include "image/PLTextException.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr PLPixel32 kWhite{255, 255, 255, 255};
constexpr PLPixel32 kBlack{0, 0, 0, 255};

// Pixel readers give blue, green, red, alpha; writers take them. The conversion table of
// the bitmap is every reader composed with every writer.
template <int Bits>
PLPixel32 ReadPixel(const uint8_t* row, int32_t x, const PLPixel32* palette);

template <>
PLPixel32 ReadPixel<1>(const uint8_t* row, int32_t x, const PLPixel32* palette)
{
    const int bit = (row[x >> 3] >> (7 - (x & 7))) & 1;
    if (palette)
        return palette[bit];
    return bit ? kBlack : kWhite;
}

template <>
PLPixel32 ReadPixel<8>(const uint8_t* row, int32_t x, const PLPixel32* palette)
{
    if (palette)
        return palette[row[x]];
    return {row[x], row[x], row[x], 255};
}

template <>
PLPixel32 ReadPixel<16>(const uint8_t* row, int32_t x, const PLPixel32*)
{
    const unsigned v = row[2 * x] | row[2 * x + 1] << 8;
    return {uint8_t((v & 0x1F) << 3), uint8_t((v >> 3) & 0xFC), uint8_t((v >> 8) & 0xF8), 255};
}

template <>
PLPixel32 ReadPixel<24>(const uint8_t* row, int32_t x, const PLPixel32*)
{
    const uint8_t* p = row + 3 * x;
    return {p[0], p[1], p[2], 255};
}

template <>
PLPixel32 ReadPixel<32>(const uint8_t* row, int32_t x, const PLPixel32*)
{
    PLPixel32 pixel;
    std::memcpy(&pixel, row + 4 * x, 4);
    return pixel;
}

template <int Bits>
void WritePixel(uint8_t* row, int32_t x, PLPixel32 c);

template <>
void WritePixel<1>(uint8_t* row, int32_t x, PLPixel32 c)
{
    const uint8_t mask = uint8_t(0x80 >> (x & 7));
    if (c.r < 128 && c.g < 128 && c.b < 128)
        row[x >> 3] |= mask;
    else
        row[x >> 3] &= uint8_t(~mask);
}

template <>
void WritePixel<16>(uint8_t* row, int32_t x, PLPixel32 c)
{
    const unsigned v = (c.r >> 3) << 11 | (c.g >> 2) << 5 | (c.b >> 3);
    row[2 * x] = uint8_t(v);
    row[2 * x + 1] = uint8_t(v >> 8);
}

template <>
void WritePixel<24>(uint8_t* row, int32_t x, PLPixel32 c)
{
    uint8_t* p = row + 3 * x;
    p[0] = c.b;
    p[1] = c.g;
    p[2] = c.r;
}

template <>
void WritePixel<32>(uint8_t* row, int32_t x, PLPixel32 c)
{
    std::memcpy(row + 4 * x, &c, 4);
}

template <int From, int To>
void ConvertRows(const PLBmp& source, PLBmp& target, int32_t rows, int32_t width)
{
    const PLPixel32* palette = source.GetPalette();
    for (int32_t y = 0; y < rows; ++y) {
        const uint8_t* in = source.GetLine(y);
        uint8_t* out = target.GetLine(y);
        for (int32_t x = 0; x < width; ++x)
            WritePixel<To>(out, x, ReadPixel<From>(in, x, palette));
    }
}

template <int To>
bool ConvertRowsTo(const PLBmp& source, PLBmp& target, int32_t rows, int32_t width)
{
    switch (source.GetBitsPerPixel()) {
        case 1: ConvertRows<1, To>(source, target, rows, width); return true;
        case 8: ConvertRows<8, To>(source, target, rows, width); return true;
        case 16: ConvertRows<16, To>(source, target, rows, width); return true;
        case 24: ConvertRows<24, To>(source, target, rows, width); return true;
        case 32: ConvertRows<32, To>(source, target, rows, width); return true;
        default: return false;
    }
}

// Indexed targets keep the indices of 1- and 8-bit sources and take their palette.
bool ConvertIndexed(const PLBmp& source, PLBmp& target, int32_t rows, int32_t width)
{
    PLPixel32* palette = target.GetPalette();
    const PLPixel32* sourcePalette = source.GetPalette();
    if (source.GetBitsPerPixel() == 8) {
        if (sourcePalette)
            target.CopyPalette(sourcePalette);
        for (int32_t y = 0; y < rows; ++y)
            std::memcpy(target.GetLine(y), source.GetLine(y), size_t(width));
        return true;
    }
    if (source.GetBitsPerPixel() != 1)
        return false;
    palette[0] = sourcePalette ? sourcePalette[0] : kWhite;
    palette[1] = sourcePalette ? sourcePalette[1] : kBlack;
    palette[0].a = palette[1].a = 255;
    for (int32_t y = 0; y < rows; ++y) {
        const uint8_t* in = source.GetLine(y);
        uint8_t* out = target.GetLine(y);
        for (int32_t x = 0; x < width; ++x)
            out[x] = (in[x >> 3] >> (7 - (x & 7))) & 1;
    }
    return true;
}

// Colour pixels become indices into a palette made for them, with the target's palette
// and dither settings.
bool Quantise(const PLBmp& source, PLBmp& target, int32_t rows, int32_t width)
{
    PLAnyBmp indexed;
    PLFilterQuantize(target.GetPaletteType(), target.GetDitherType()).ApplyFilter(source, indexed);
    target.CopyPalette(indexed.GetPalette());
    for (int32_t y = 0; y < rows; ++y)
        std::memcpy(target.GetLine(y), indexed.GetLine(y), size_t(width));
    return true;
}

}  // namespace

int64_t PLRowBytes(int64_t width, int bitsPerPixel)
{
    return (width * bitsPerPixel + 7) / 8;
}

void PLBmpBase::SetGreyPalette()
{
    const int entries = m_pixelFormat.PaletteSize();
    if (!m_pClrTab || entries < 2)
        return;
    const int step = 255 / (entries - 1);
    for (int i = 0; i < entries; ++i) {
        const auto v = uint8_t(step * i);
        m_pClrTab[i] = {v, v, v, 255};
    }
}

void PLBmp::SetupGeometry(int32_t width, int32_t height, const PLPixelFormat& format)
{
    m_size = {width, height};
    m_resolution = {};
    m_pixelFormat = format;
    BuildLineArray();
    if (format.GetBitsPerPixel() <= 8)
        SetGreyPalette();
}

void PLBmp::CreateFromInfo(const PLBmpInfo& info)
{
    Create(info.GetWidth(), info.GetHeight(), info.GetPixelFormat(), nullptr, 0, info.GetResolution());
}

void PLBmp::Create(int32_t width, int32_t height, const PLPixelFormat& format, const uint8_t* pixels,
                   int32_t stride, PLPoint resolution)
{
    FreePixels();
    AllocatePixels(width, height, format);
    m_resolution = resolution;
    if (!pixels)
        return;
    const int64_t rowBytes = PLRowBytes(width, format.GetBitsPerPixel());
    const int64_t step = stride ? stride : rowBytes;
    for (int32_t y = 0; y < height; ++y)
        std::memcpy(GetLine(y), pixels + y * step, size_t(rowBytes));
}

void PLBmp::CheckGeometry(int32_t width, int32_t height, const PLPixelFormat& format)
{
    if (width < 0 || height < 0 || PLRowBytes(width, format.GetBitsPerPixel()) * height > kPLMaxBitmapBytes)
        throw PLTextException(PLErr::NoMemory, "Bitmap size out of range.");
}

void PLBmp::CopyPixelsFrom(const PLBmp& source, int32_t rows, int64_t rowBytes)
{
    for (int32_t y = 0; y < rows; ++y)
        std::memcpy(GetLine(y), source.GetLine(y), size_t(rowBytes));
}

void PLBmp::Duplicate(const PLBmp& source)
{
    if (&source == this)
        return;
    AllocatePixels(source.GetWidth(), source.GetHeight(), source.GetPixelFormat());
    CopyPixelsFrom(source, source.GetHeight(), PLRowBytes(source.GetWidth(), source.GetBitsPerPixel()));
    if (GetBitsPerPixel() <= 8 && source.GetPalette())
        CopyPalette(source.GetPalette());
    m_resolution = source.GetResolution();
}

void PLBmp::CreateConvertedCopy(const PLBmp& source, const PLPixelFormat& format)
{
    const PLPixelFormat& target = format.IsUnnamed() ? source.GetPixelFormat() : format;
    if (&source == this) {
        if (target == m_pixelFormat)
            return;
        const PLAnyBmp copy(source);
        CreateConvertedCopy(copy, target);
        return;
    }
    if (target == source.GetPixelFormat()) {
        FreePixels();
        AllocatePixels(source.GetWidth(), source.GetHeight(), target);
        if (target.GetBitsPerPixel() <= 8 && source.GetPalette())
            CopyPalette(source.GetPalette());
    } else {
        Create(source.GetWidth(), source.GetHeight(), target, nullptr, 0, {});
    }
    ConvertPixelsFrom(source);
    m_resolution = source.GetResolution();
}

void PLBmp::ConvertPixelsFrom(const PLBmp& source)
{
    const int32_t rows = std::min(GetHeight(), source.GetHeight());
    const int32_t width = std::min(GetWidth(), source.GetWidth());
    const int from = source.GetBitsPerPixel();
    const int to = GetBitsPerPixel();
    if (source.GetPixelFormat() == m_pixelFormat || (from == to && from > 8)) {
        CopyPixelsFrom(source, rows, PLRowBytes(width, to));
        return;
    }
    bool done = false;
    switch (to) {
        case 1:
            m_pClrTab[0] = kWhite;
            m_pClrTab[1] = kBlack;
            done = ConvertRowsTo<1>(source, *this, rows, width);
            break;
        case 8:
            done =
                from > 8 ? Quantise(source, *this, rows, width) : ConvertIndexed(source, *this, rows, width);
            break;
        case 16: done = ConvertRowsTo<16>(source, *this, rows, width); break;
        case 24: done = ConvertRowsTo<24>(source, *this, rows, width); break;
        case 32: done = ConvertRowsTo<32>(source, *this, rows, width); break;
    }
    if (!done)
        throw PLTextException(PLErr::NotSupported, "Pixel conversion between these depths is not supported.");
}

void PLBmp::CopyPalette(const PLPixel32* entries)
{
    if (m_pClrTab)
        std::memcpy(m_pClrTab, entries, size_t(m_pixelFormat.PaletteSize()) * sizeof(PLPixel32));
}

void PLBmp::SetAlphaChannel(bool on)
{
    if (on && !m_pixelFormat.HasAlphaChannel() && GetBitsPerPixel() == 32) {
        for (int32_t y = 0; y < GetHeight(); ++y) {
            uint8_t* row = GetLine(y);
            for (int32_t x = 0; x < GetWidth(); ++x)
                row[4 * x + 3] = 255;
        }
    }
    m_pixelFormat = m_pixelFormat.WithAlpha(on);
}

void PLBmp::SwapRedBlueInFormat()
{
    m_pixelFormat = m_pixelFormat.WithRedBlueSwapped();
}

bool PLBmp::IsGreyscale() const
{
    const int bits = GetBitsPerPixel();
    if (bits <= 0)
        return false;
    const uint64_t all = bits == 64 ? ~uint64_t{0} : (uint64_t{1} << bits) - 1;
    return m_pixelFormat.GetMask(PLPixelFormat::L) == all;
}
