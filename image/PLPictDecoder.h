#pragma once

#include "image/PLPicDecoder.h"

#include <cstdint>

class PLJPEGDecoder;

// Macintosh PICT pictures, version 1 and 2: the first bitmap of the picture is decoded,
// whatever comes after it is never read. Bitmaps are version-1 bit images ("I8", white
// and black), indexed pixel maps of 1 to 8 bits ("I8" with their colour table), 16- and
// 32-bit pixel maps ("X8R8G8B8", "A8R8G8B8" with an alpha component) and QuickTime JPEG
// data, which the JPEG decoder given at construction reads. A picture of vector drawing
// only is refused.
class PLPictDecoder : public PLPicDecoder {
public:
    explicit PLPictDecoder(PLJPEGDecoder* jpegDecoder);

    void Close() override;
    void ReadHeader(PLDataSource* source) override;
    void ReadPixels(PLBmp& bmp) override;

    struct Rect {
        int16_t top = 0, left = 0, bottom = 0, right = 0;
    };
    struct PixMap {
        Rect bounds;
        int16_t version = 0;
        int16_t packType = 0;
        int32_t packSize = 0;
        int32_t hRes = 0;  // 16.16 fixed point
        int32_t vRes = 0;
        int16_t pixelType = 0;
        int16_t pixelSize = 0;
        int16_t cmpCount = 0;
        int16_t cmpSize = 0;
        int32_t planeBytes = 0;
        int32_t pmTable = 0;
        int32_t pmReserved = 0;
    };

private:
    enum Kind { None = 0, DirectPixMap = 1, Jpeg = 2, IndexedPixMap = 3, Version1Bitmap = 4 };

    // Reads opcodes until the first bitmap; true when one was found.
    bool ReadOpcode(int opcode);
    void ReadBitsOpcode(int opcode);
    void ReadDirectBits();
    void ReadJpegOpcode();
    void ReadPixMap();
    void SetPixMapHeader();
    void SkipRegion();
    void ReadColourTable(PLBmp& bmp);
    void ReadRows(PLBmp& bmp);

    PLJPEGDecoder* m_pJPEGDec;
    int m_version = 0;
    Kind m_kind = None;
    PixMap m_pixMap;
    uint16_t m_rowBytes = 0;
    bool m_hasRegion = false;
    Rect m_bounds;
    size_t m_start = 0;
    PLDataSource* m_pSource = nullptr;
};
