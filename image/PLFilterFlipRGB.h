#pragma once

#include "image/PLFilter.h"

// Exchanges red and blue: in the pixels of 24 and 32-bit bitmaps, in the palette of
// bitmaps of at most 8 bits, and in the name of the pixel format.
class PLFilterFlipRGB : public PLInPlaceFilter {
public:
    void ApplyInPlace(PLBmp& bmp) const override;
};
