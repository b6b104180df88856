#pragma once

#include "image/PLPicEncoder.h"

// PNG over libpng: 1 and 8-bit bitmaps as palette images, 24 and 32-bit ones as RGB, or
// RGBA when the pixel format has alpha; other depths from a 32-bit copy.
class PLPNGEncoder : public PLPicEncoder {
public:
    // zlib's level, 0 (stored) to 9.
    void SetCompressionLevel(int level) { m_compressionLevel = level; }
    void WriteImage(const PLBmp& bmp, PLDataSink& sink) override;

private:
    int m_compressionLevel = 0;
};
