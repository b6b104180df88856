#pragma once

#include "image/PLPicDecoder.h"

#include <memory>

class PLTiffStream;

// TIFF over libtiff, reading the source's block in place. Images of one or two samples of
// at most 8 bits keep their samples ("L1", "L8" or "I8" with a palette from the
// photometric interpretation or the colour map); everything else goes through libtiff's
// RGBA reader into "X8R8G8B8", or "A8R8G8B8" for four samples, whose colour comes out as
// stored: straight for straight alpha, premultiplied for premultiplied alpha.
class PLTIFFDecoder : public PLPicDecoder {
public:
    PLTIFFDecoder();
    ~PLTIFFDecoder() override;

    void Close() override;
    void ReadHeader(PLDataSource* source) override;
    void ReadPixels(PLBmp& bmp) override;

private:
    void DoLoColor(PLBmp& bmp);
    void DoRGBA(PLBmp& bmp);
    // Throws what libtiff reported during the last call, if anything.
    void CheckLibraryErrors() const;

    std::unique_ptr<PLTiffStream> m_pStream;
};
