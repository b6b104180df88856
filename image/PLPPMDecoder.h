#pragma once

#include "image/PLPnmDecoder.h"

// Netpbm pixel maps, text (P3) and binary (P6), of up to 16 bits per sample: "X8R8G8B8",
// every sample scaled by 255 / maximum.
class PLPPMDecoder : public PLPnmDecoder {
public:
    PLPPMDecoder();

    void ReadPixels(PLBmp& bmp) override;
};
