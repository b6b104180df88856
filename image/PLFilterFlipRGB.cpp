#include "image/PLFilterFlipRGB.h"

#include "image/PLBmp.h"

#include <utility>

void PLFilterFlipRGB::ApplyInPlace(PLBmp& bmp) const
{
    bmp.SwapRedBlueInFormat();
    const int bits = bmp.GetBitsPerPixel();
    if (bits <= 8) {
        PLPixel32* palette = bmp.GetPalette();
        for (int i = 0; palette && i < bmp.GetPixelFormat().PaletteSize(); ++i)
            std::swap(palette[i].r, palette[i].b);
        return;
    }
    if (bits != 24 && bits != 32)
        return;
    const int step = bits / 8;
    for (int32_t y = 0; y < bmp.GetHeight(); ++y) {
        uint8_t* pixel = bmp.GetLine(y);
        for (int32_t x = 0; x < bmp.GetWidth(); ++x, pixel += step)
            std::swap(pixel[0], pixel[2]);
    }
}
