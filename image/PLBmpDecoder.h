#pragma once

#include "image/PLPicDecoder.h"
#include "image/PLPixel32.h"

#include <memory>

// Windows and OS/2 bitmaps: 1, 4 and 8 bits with a palette ("I8", one index per byte),
// 4- and 8-bit run-length compression, 16 bits (5-5-5, or the colour masks of a bit-field
// header), 24 bits ("X8R8G8B8") and 32 bits ("A8R8G8B8", the fourth byte as alpha).
// Rows may be stored bottom-up (positive height) or top-down (negative height); the
// pixels are taken from the data offset of the file header whenever it is a valid one.
class PLBmpDecoder : public PLPicDecoder {
public:
    PLBmpDecoder();
    ~PLBmpDecoder() override;

    void Close() override;
    void ReadHeader(PLDataSource* source) override;
    void ReadPixels(PLBmp& bmp) override;

    // The info header as read; the OS/2 1.x header's missing fields are 0.
    struct InfoHeader {
        int32_t size = 0;
        int32_t width = 0;
        int32_t height = 0;
        int16_t planes = 0;
        int16_t bitCount = 0;
        int32_t compression = 0;
        int32_t imageSize = 0;
        int32_t xPelsPerMeter = 0;
        int32_t yPelsPerMeter = 0;
        int32_t clrUsed = 0;
        int32_t clrImportant = 0;
    };

private:
    // 8- and 4-bit run-length data.
    void ReadRunLength(PLBmp& bmp);
    void ReadPacked(PLBmp& bmp);
    void ReadTrueColour(PLBmp& bmp);
    uint8_t* Row(PLBmp& bmp, int32_t fileRow) const;

    std::unique_ptr<InfoHeader> m_pBmih;
    PLPixel32 m_palette[256];
    // Red, green, blue and alpha masks of 16- and 32-bit pixels; all 0 for plain ones.
    uint32_t m_masks[4] = {};
    bool m_topDown = false;
    PLDataSource* m_pSource = nullptr;
};
