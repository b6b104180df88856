#pragma once

#include "image/PLPicDecoder.h"
#include "image/PLPixel32.h"

#include <cstdint>

// EA IFF-85 pictures: ILBM (bit planes, with or without a mask plane) and PBM (one byte
// per pixel), uncompressed or ByteRun1. Up to 8 planes give "I8" with the CMAP palette
// (extra half-brite included); HAM6 and HAM8 and 24- or 32-plane (deep) images give
// "X8R8G8B8"; a transparent colour gives "A8R8G8B8".
class PLIFF85Decoder : public PLPicDecoder {
public:
    void ReadHeader(PLDataSource* source) override;
    void ReadPixels(PLBmp& bmp) override;

    struct BitmapHeader {
        uint16_t width = 0, height = 0;
        int16_t x = 0, y = 0;
        uint8_t planes = 0;
        uint8_t masking = 0;
        uint8_t compression = 0;
        uint8_t pad = 0;
        uint16_t transparentColour = 0;
        uint8_t xAspect = 0, yAspect = 0;
        int16_t pageWidth = 0, pageHeight = 0;
    };

private:
    bool IsHAM() const;
    // Bytes of one plane's row, and of a whole stored row (all planes and the mask).
    size_t PlaneRowBytes() const;
    size_t StoredRowBytes() const;

    bool m_pbm = false;
    BitmapHeader m_bmhd;
    PLPixel32 m_palette[256];
    uint32_t m_viewportMode = 0;
    PLDataSource* m_pSource = nullptr;
};
