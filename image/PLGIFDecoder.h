#pragma once

#include "image/PLPicDecoder.h"

#include <memory>

// GIF over giflib: the first image of the file, drawn on the logical screen filled with
// the background colour, as "I8" with the image's own or the global colour map. A colour
// marked transparent by a graphic control extension gets alpha 0 in the palette.
class PLGIFDecoder : public PLPicDecoder {
public:
    PLGIFDecoder();
    ~PLGIFDecoder() override;

    void Close() override;
    void ReadHeader(PLDataSource* source) override;
    void ReadPixels(PLBmp& bmp) override;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
