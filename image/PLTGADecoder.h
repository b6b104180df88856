#pragma once

#include "image/PLPicDecoder.h"
#include "image/PLPixel32.h"

// Targa images, uncompressed (types 1, 2, 3) and run-length (9, 10, 11): 8 bits with a
// colour map ("I8") or grey ("L8"), 15 and 24 bits ("X8R8G8B8"), 16 and 32 bits
// ("A8R8G8B8"; a 16-bit pixel's attribute bit gives alpha 0x80). Both row orders and
// both column orders of the descriptor are honoured.
class PLTGADecoder : public PLPicDecoder {
public:
    void ReadHeader(PLDataSource* source) override;
    void ReadPixels(PLBmp& bmp) override;

    struct Header {
        uint8_t idLength = 0;
        uint8_t colorMapType = 0;
        uint8_t imageType = 0;
        uint16_t cmapStart = 0;
        uint16_t cmapLength = 0;
        uint8_t cmapEntrySize = 0;
        uint16_t xOrigin = 0;
        uint16_t yOrigin = 0;
        uint16_t width = 0;
        uint16_t height = 0;
        uint8_t pixelDepth = 0;
        uint8_t imageDesc = 0;
    };

private:
    // One pixel of depth bits from in, as a 32-bit pixel; 8-bit ones as the byte in b.
    static PLPixel32 Pixel(const uint8_t* in, int depth);
    void ReadRows(PLBmp& bmp, bool runLength);

    Header m_header;
    PLDataSource* m_pSource = nullptr;
};
