#include "image/ImageBitmapRep.h"

#include <cstring>
#include <utility>
#include <vector>

namespace orbisk::imageutils {

bool ImageBitmapRep::IsValid() const
{
    return m_pPixels && m_width >= 1 && m_height >= 1 && m_padding >= 0 && GetBytesPerPixel() > 0;
}

bool ImageBitmapRep::SaveFile(const std::wstring& path, int quality)
{
    if (!IsValid())
        return false;
    ImageRep copy;
    copy.Create(m_width, m_height, m_format, m_padding, m_pPixels);
    return copy.SaveFile(path, quality);
}

bool ImageBitmapRep::CopyFrom(const ImageRep&)
{
    return false;
}

bool ImageBitmapRep::CopyScaledFrom(const ImageRep&, int, int)
{
    return false;
}

bool ImageBitmapRep::LoadFile(const std::wstring&)
{
    return false;
}

bool ImageBitmapRep::LoadMemory(const ImageMemoryRep&)
{
    return false;
}

bool ImageBitmapRep::LoadFile(const std::wstring&, int, int)
{
    return false;
}

bool ImageBitmapRep::LoadMemory(const ImageMemoryRep&, int, int)
{
    return false;
}

bool ImageBitmapRep::LoadMemoryBounded(const ImageMemoryRep&, int, int, bool, int&, int&)
{
    return false;
}

bool ImageBitmapRep::LoadResource(uint32_t, uint32_t)
{
    return false;
}

void ImageBitmapRep::Create(int, int, int, int, const uint8_t*)
{
    m_pPixels = nullptr;
    m_width = m_height = m_padding = 0;
}

void ImageBitmapRep::Attach(int width, int height, int format, int padding, uint8_t* pixels)
{
    m_width = width;
    m_height = height;
    m_format = format;
    m_padding = padding;
    m_pPixels = pixels;
}

bool ImageBitmapRep::SwapRedBlue()
{
    if (!IsValid() || IsGrey())
        return false;
    const int step = GetBytesPerPixel();
    for (int y = 0; y < m_height; ++y) {
        uint8_t* pixel = m_pPixels + int64_t(y) * GetBytesPerLine();
        for (int x = 0; x < m_width; ++x, pixel += step)
            std::swap(pixel[0], pixel[2]);
    }
    return true;
}

bool ImageBitmapRep::FlipVertical()
{
    if (!IsValid())
        return false;
    const size_t lineBytes = size_t(GetBytesPerLine());
    std::vector<uint8_t> spare(lineBytes);
    for (int y = 0; y < m_height / 2; ++y) {
        uint8_t* top = m_pPixels + y * lineBytes;
        uint8_t* bottom = m_pPixels + size_t(m_height - 1 - y) * lineBytes;
        std::memcpy(spare.data(), top, lineBytes);
        std::memcpy(top, bottom, lineBytes);
        std::memcpy(bottom, spare.data(), lineBytes);
    }
    return true;
}

bool ImageBitmapRep::SetOpaque()
{
    if (!IsValid() || !IsRGBA())
        return false;
    for (int y = 0; y < m_height; ++y) {
        uint8_t* pixel = m_pPixels + int64_t(y) * GetBytesPerLine();
        for (int x = 0; x < m_width; ++x, pixel += 4)
            pixel[3] = 255;
    }
    return true;
}

std::unique_ptr<ImageBitmapRep> CreateImageBitmapRep(int width, int height, int channels, int stride,
                                                     uint8_t* pixels)
{
    int format = 0;
    switch (channels) {
        case 1: format = kFormatGrey; break;
        case 3: format = kFormatRGB; break;
        case 4: format = kFormatRGBA; break;
        default: return nullptr;
    }
    auto image = std::make_unique<ImageBitmapRep>();
    image->Attach(width, height, format, stride > 0 ? stride - width * channels : 0, pixels);
    return image;
}

}  // namespace orbisk::imageutils
