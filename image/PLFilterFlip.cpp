#include "image/PLFilterFlip.h"

#include "image/PLBmp.h"

#include <cstring>

void PLFilterFlip::ApplyFilter(const PLBmp& source, PLBmp& destination) const
{
    if (&source == &destination) {
        Apply(destination);
        return;
    }
    const int32_t height = source.GetHeight();
    destination.Create(source.GetWidth(), height, source.GetPixelFormat(), nullptr, 0,
                       source.GetResolution());
    const size_t rowBytes = size_t(PLRowBytes(source.GetWidth(), source.GetBitsPerPixel()));
    for (int32_t y = 0; y < height; ++y)
        std::memcpy(destination.GetLine(height - 1 - y), source.GetLine(y), rowBytes);
    if (source.GetBitsPerPixel() <= 8 && source.GetPalette())
        destination.CopyPalette(source.GetPalette());
}
