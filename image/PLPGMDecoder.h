#pragma once

#include "image/PLPnmDecoder.h"

// Netpbm grey maps, text (P2) and binary (P5), of up to 16 bits per sample: "L8", every
// sample scaled by 255 / maximum.
class PLPGMDecoder : public PLPnmDecoder {
public:
    PLPGMDecoder();

    void ReadPixels(PLBmp& bmp) override;
};
