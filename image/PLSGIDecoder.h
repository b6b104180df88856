#pragma once

#include "image/PLPicDecoder.h"

#include <cstdint>

// SGI images, verbatim or run-length, of one (grey "L8", or "I8" with a colour map id),
// three ("X8R8G8B8") or four channels ("A8R8G8B8"), one or two bytes per sample (of two,
// the high byte is kept). Channels 0 to 3 are red, green, blue and alpha; rows are stored
// bottom-up.
class PLSGIDecoder : public PLPicDecoder {
public:
    void ReadHeader(PLDataSource* source) override;
    void ReadPixels(PLBmp& bmp) override;

    struct Header {
        int16_t magic = 0;
        uint8_t storage = 0;
        uint8_t bytesPerChannel = 0;
        uint16_t dimension = 0;
        uint16_t xSize = 0;
        uint16_t ySize = 0;
        uint16_t zSize = 0;
        int32_t pixMin = 0;
        int32_t pixMax = 0;
        char name[80] = {};
        int32_t colorMap = 0;
    };

private:
    // Puts the samples of one row of one channel (8 bits each) into the bitmap.
    void StoreRow(PLBmp& bmp, int channel, int32_t fileRow, const uint8_t* samples) const;

    Header m_header;
    int m_channels = 0;
    size_t m_start = 0;  // where the file begins in the source: row offsets count from there
    PLDataSource* m_pSource = nullptr;
};
