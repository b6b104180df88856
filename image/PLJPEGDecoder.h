#pragma once

#include "image/PLPicDecoder.h"

#include <memory>

class PLExif;

// JPEG over libjpeg, reading the source's block in place. Colour images become
// "X8R8G8B8" (alpha 255), greyscale ones "L8". One decompressor serves every image.
class PLJPEGDecoder : public PLPicDecoder {
public:
    PLJPEGDecoder();
    ~PLJPEGDecoder() override;

    void ReadHeader(PLDataSource* source) override;
    void ReadPixels(PLBmp& bmp) override;
    void Close() override;

    // The EXIF data of the open image (empty when it has none), from the header's reading
    // until Close; null when no image is open.
    const PLExif* GetExif() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
