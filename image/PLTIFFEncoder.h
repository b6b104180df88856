#pragma once

#include "image/PLPicEncoder.h"

class PLTiffStream;

// TIFF over libtiff: 1-bit bitmaps as bilevel, 8-bit ones with a colour map, 24 and 32-bit
// ones as RGB, with an alpha sample when the pixel format has alpha; other depths from a
// 32-bit copy. PackBits compression.
class PLTIFFEncoder : public PLPicEncoder {
public:
    void WriteImage(const PLBmp& bmp, PLDataSink& sink) override;

protected:
    virtual void WriteRows(const PLBmp& bmp, PLTiffStream& stream);

private:
    int m_compression = 32773;  // PackBits
};
