#pragma once

#include "image/PLPicEncoder.h"

// Windows bitmap files: 1 and 8-bit bitmaps keep their depth and palette, deeper ones are
// written as 24 bits. Rows are written bottom-up and padded to 4 bytes.
class PLBmpEncoder : public PLPicEncoder {
public:
    void WriteImage(const PLBmp& bmp, PLDataSink& sink) override;
};
