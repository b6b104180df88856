#pragma once

#include "image/PLPicDecoder.h"

#include <memory>

// PNG over libpng. Grey images become "L8" with a grey ramp, palette images "I8", RGB
// "R8G8B8" and images with alpha (grey or colour) "A8R8G8B8"; 16-bit samples are reduced
// to 8 bits and smaller ones spread to one byte each. Asked for 32 bits, images of fewer
// bits decode straight into them (alpha 255), with the bytes a conversion would give.
class PLPNGDecoder : public PLPicDecoder {
public:
    PLPNGDecoder();
    ~PLPNGDecoder() override;

    void Close() override;
    void ReadHeader(PLDataSource* source) override;
    void ReadPixels(PLBmp& bmp) override;
    bool CanReadPixelsAs(const PLPixelFormat& format) const override;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
