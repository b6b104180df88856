#pragma once

#include "image/PLPicDecoder.h"

#include <memory>

// Windows metafiles, rendered by libwmf on a white background into "B8G8R8A8" (opaque).
// A placeable metafile's bounding box sets the size at the screen's resolution; another
// one's drawn extent does. Enhanced metafiles (a name containing ".EMF", or the EMF header
// record) have no renderer here and are refused with code 12.
class PLWEMFDecoder : public PLPicDecoder {
public:
    PLWEMFDecoder();
    ~PLWEMFDecoder() override;

    void Close() override;
    void ReadHeader(PLDataSource* source) override;
    void ReadPixels(PLBmp& bmp) override;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
