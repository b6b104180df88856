#include "image/PLPGMDecoder.h"

#include "image/PLBmp.h"
#include "image/PLDataSource.h"

PLPGMDecoder::PLPGMDecoder()
    : PLPnmDecoder("PGM", '2', '5', "PGM decoder: Is not the correct identifier P5 or P2.", "L8")
{}

void PLPGMDecoder::ReadPixels(PLBmp& bmp)
{
    bmp.SetGreyPalette();
    const int32_t width = bmp.GetWidth();
    const int bytes = BytesPerSample();
    for (int32_t y = 0; y < bmp.GetHeight(); ++y) {
        uint8_t* out = bmp.GetLine(y);
        const uint8_t* in = IsBinary() ? m_pSource->ReadBytes(size_t(width) * bytes) : nullptr;
        for (int32_t x = 0; x < width; ++x)
            out[x] = in ? BinarySample(in + x * bytes) : ReadTextSample();
    }
}
