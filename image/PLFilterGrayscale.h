#pragma once

#include "image/PLFilter.h"

// Luminance ("L8") from the Rec. 709 weights of red, green and blue. A bitmap that is
// already pure luminance is copied as it is.
class PLFilterGrayscale : public PLFilter {
public:
    void ApplyFilter(const PLBmp& source, PLBmp& destination) const override;
};
