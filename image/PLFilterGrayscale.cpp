#include "image/PLFilterGrayscale.h"

#include "image/PLAnyBmp.h"

void PLFilterGrayscale::ApplyFilter(const PLBmp& source, PLBmp& destination) const
{
    if (source.IsGreyscale()) {
        if (&source != &destination)
            destination.CreateConvertedCopy(source, PLPixelFormat());
        return;
    }
    const int bits = source.GetBitsPerPixel();
    if (bits != 24 && bits != 32) {
        // Palettes and packed pixels are read as colours first.
        PLAnyBmp colour;
        colour.CreateConvertedCopy(source, PLPixelFormat::FindByName("X8R8G8B8"));
        ApplyFilter(colour, destination);
        return;
    }
    if (&source == &destination) {
        Apply(destination);
        return;
    }
    destination.Create(source.GetWidth(), source.GetHeight(), PLPixelFormat::FindByName("L8"), nullptr, 0,
                       source.GetResolution());
    const int step = bits / 8;
    for (int32_t y = 0; y < source.GetHeight(); ++y) {
        const uint8_t* in = source.GetLine(y);
        uint8_t* out = destination.GetLine(y);
        for (int32_t x = 0; x < source.GetWidth(); ++x, in += step)
            out[x] = uint8_t(0.072169 * in[0] + (0.71516 * in[1] + 0.212671 * in[2]));
    }
}
