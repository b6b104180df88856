#pragma once

#include "image/PLPicEncoder.h"

#include <memory>

// JPEG over libjpeg: baseline JFIF with the floating-point DCT. The bitmap's resolution
// becomes the JFIF density. Bitmaps of other than 24 or 32 bits are encoded from a 32-bit copy.
class PLJPEGEncoder : public PLPicEncoder {
public:
    PLJPEGEncoder();
    ~PLJPEGEncoder() override;

    // 1 to 100; 0 keeps libjpeg's default tables.
    void SetQuality(int quality) { m_quality = quality; }
    void WriteImage(const PLBmp& bmp, PLDataSink& sink) override;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    int m_quality = 0;
};
