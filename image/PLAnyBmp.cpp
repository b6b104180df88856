#include "image/PLAnyBmp.h"

#include <algorithm>
#include <cstring>

PLAnyBmp::PLAnyBmp()
{
    AllocatePixels(16, 16, PLPixelFormat::FindByName("I8"));
    std::memset(m_pBits.get(), 0, 16 * 16);
}

PLAnyBmp::PLAnyBmp(const PLAnyBmp& other) : PLAnyBmp(static_cast<const PLBmp&>(other)) {}

PLAnyBmp::PLAnyBmp(const PLBmp& other)
{
    Duplicate(other);
}

PLAnyBmp& PLAnyBmp::operator=(const PLAnyBmp& other)
{
    return *this = static_cast<const PLBmp&>(other);
}

PLAnyBmp& PLAnyBmp::operator=(const PLBmp& other)
{
    Duplicate(other);
    return *this;
}

int64_t PLAnyBmp::GetMemoryUsed() const
{
    const int bits = GetBitsPerPixel();
    return m_size.y * m_bytesPerLine + (bits <= 15 ? int64_t{4} << bits : 0) + 384;
}

void PLAnyBmp::AllocatePixels(int32_t width, int32_t height, const PLPixelFormat& format)
{
    CheckGeometry(width, height, format);
    const int64_t bytesPerLine = PLRowBytes(width, format.GetBitsPerPixel());
    // Pixels are left uninitialised: every creator writes all of them.
    auto bits = std::make_unique_for_overwrite<uint8_t[]>(std::max<int64_t>(1, bytesPerLine * height));
    std::unique_ptr<PLPixel32[]> palette;
    if (format.PaletteSize() > 0)
        palette = std::make_unique<PLPixel32[]>(format.PaletteSize());
    auto lines = std::make_unique<uint8_t*[]>(std::max(1, height));

    m_pBits = std::move(bits);
    m_palette = std::move(palette);
    m_lines = std::move(lines);
    m_pClrTab = m_palette.get();
    m_pLineArray = m_lines.get();
    m_bytesPerLine = bytesPerLine;
    SetupGeometry(width, height, format);
}

void PLAnyBmp::BuildLineArray()
{
    for (int32_t row = 0; row < m_size.y; ++row)
        m_lines[row] = m_pBits.get() + row * m_bytesPerLine;
}

void PLAnyBmp::FreePixels()
{
    m_pBits.reset();
    m_palette.reset();
    m_lines.reset();
    m_pClrTab = nullptr;
    m_pLineArray = nullptr;
    m_bytesPerLine = 0;
    m_size = {};
}
