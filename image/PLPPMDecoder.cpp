#include "image/PLPPMDecoder.h"

#include "image/PLBmp.h"
#include "image/PLDataSource.h"

PLPPMDecoder::PLPPMDecoder()
    : PLPnmDecoder("PPM", '3', '6', "PPM decoder: Is not the correct identifier P3 or P6.", "X8R8G8B8")
{}

void PLPPMDecoder::ReadPixels(PLBmp& bmp)
{
    const int32_t width = bmp.GetWidth();
    const int bytes = BytesPerSample();
    for (int32_t y = 0; y < bmp.GetHeight(); ++y) {
        uint8_t* out = bmp.GetLine(y);
        const uint8_t* in = IsBinary() ? m_pSource->ReadBytes(size_t(width) * 3 * bytes) : nullptr;
        for (int32_t x = 0; x < width; ++x, out += 4) {
            // Red, green, blue in the file; blue first in the bitmap.
            for (int c = 2; c >= 0; --c)
                out[c] = in ? BinarySample(in + (3 * x + 2 - c) * bytes) : ReadTextSample();
            out[3] = 255;
        }
    }
}
