#pragma once

#include "image/PLPicDecoder.h"

#include <cstdint>

// ZSoft PCX: 1, 2, 4 and 8 bits in one plane, 1 bit in up to 4 planes, and 8 bits in 3
// planes (RGB), all decoded to "X8R8G8B8". Palettes come from the header, or for 8 bits in
// one plane from the 256 colours after the image data. Run-length data cut short decodes
// as far as it goes.
class PLPCXDecoder : public PLPicDecoder {
public:
    void ReadHeader(PLDataSource* source) override;
    void ReadPixels(PLBmp& bmp) override;

    struct Header {
        uint8_t manufacturer = 0;
        uint8_t version = 0;
        uint8_t encoding = 0;
        uint8_t bitsPerPixel = 0;
        uint16_t xmin = 0, ymin = 0, xmax = 0, ymax = 0;
        uint16_t hdpi = 0, vdpi = 0;
        uint8_t colorMap[48] = {};
        uint8_t reserved = 0;
        uint8_t planes = 0;
        uint16_t bytesPerLine = 0;
        uint16_t paletteInfo = 0;
    };

private:
    Header m_header;
    PLDataSource* m_pSource = nullptr;
};
