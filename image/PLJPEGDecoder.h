#pragma once

#include "image/PLPicDecoder.h"

#include <memory>

// JPEG over libjpeg, reading the source's block in place. Colour images become
// "X8R8G8B8" (alpha 255), greyscale ones "L8". One decompressor serves every image.
class PLJPEGDecoder : public PLPicDecoder {
public:
    PLJPEGDecoder();
    ~PLJPEGDecoder() override;

    void ReadHeader(PLDataSource* source) override;
    void ReadPixels(PLBmp& bmp) override;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
