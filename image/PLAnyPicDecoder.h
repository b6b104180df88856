#pragma once

#include "image/PLPicDecoder.h"

#include <array>
#include <memory>

class PLBmpDecoder;
class PLGIFDecoder;
class PLIFF85Decoder;
class PLJPEGDecoder;
class PLPCXDecoder;
class PLPGMDecoder;
class PLPNGDecoder;
class PLPPMDecoder;
class PLPSDDecoder;
class PLPictDecoder;
class PLSGIDecoder;
class PLTGADecoder;
class PLTIFFDecoder;
class PLWEMFDecoder;

// The decoder that recognises the format of its input from the leading bytes (Windows
// metafiles from the name) and hands the header and pixel steps to the decoder of that
// format, one of the fourteen it owns.
class PLAnyPicDecoder : public PLPicDecoder {
public:
    enum FileType {
        Unknown = 0,
        BMP = 1,
        PICT = 2,
        TGA = 3,
        TIFF = 4,
        JPEG = 5,
        PNG = 6,
        EPSTIFF = 7,
        WMF = 8,
        EMF = 9,
        PCX = 10,
        PGM = 11,
        GIF = 12,
        PPM = 13,
        PSD = 14,
        SGI = 15,
        IFF85 = 16,
    };

    PLAnyPicDecoder();
    ~PLAnyPicDecoder() override;

    void Close() override;
    void ReadHeader(PLDataSource* source) override;
    void ReadPixels(PLBmp& bmp) override;
    bool CanReadPixelsAs(const PLPixelFormat& format) const override;

    // The type found by the last detection, readable after Close.
    int GetFileType() const { return m_type; }
    // The type that the first count bytes announce; 0 when none.
    static int DetectFileType(const uint8_t* bytes, size_t count);

private:
    PLPicDecoder* DecoderFor(int type) const;

    int m_type = Unknown;
    PLPicDecoder* m_pCurDec = nullptr;
    std::unique_ptr<PLBmpDecoder> m_pBmpDec;
    std::unique_ptr<PLTGADecoder> m_pTGADec;
    std::unique_ptr<PLTIFFDecoder> m_pTIFFDec;
    std::unique_ptr<PLJPEGDecoder> m_pJPEGDec;
    std::unique_ptr<PLPictDecoder> m_pPictDec;  // reads QuickTime JPEG data with m_pJPEGDec
    std::unique_ptr<PLPNGDecoder> m_pPNGDec;
    std::unique_ptr<PLWEMFDecoder> m_pWEMFDec;
    std::unique_ptr<PLPCXDecoder> m_pPCXDec;
    std::unique_ptr<PLPGMDecoder> m_pPGMDec;
    std::unique_ptr<PLGIFDecoder> m_pGIFDec;
    std::unique_ptr<PLPPMDecoder> m_pPPMDec;
    std::unique_ptr<PLPSDDecoder> m_pPSDDec;
    std::unique_ptr<PLSGIDecoder> m_pSGIDec;
    std::unique_ptr<PLIFF85Decoder> m_pIFF85Dec;
};
