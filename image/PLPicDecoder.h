#pragma once

#include "image/PLBmpInfo.h"

#include <cstddef>
#include <cstdint>
#include <memory>

class IProgressNotification;
class PLBmp;
class PLDataSource;

// Base of every image decoder. One sequence for all formats: attach a source, read the
// header into this object (so a caller can look at it), create the caller's bitmap from
// it, read the pixels, converting to a requested format of more bits, release the source.
// A decode that fails leaves no source attached. Errors are PLTextExceptions.
class PLPicDecoder : public PLBmpInfo {
public:
    PLPicDecoder() = default;
    PLPicDecoder(const PLPicDecoder&) = delete;
    PLPicDecoder& operator=(const PLPicDecoder&) = delete;
    ~PLPicDecoder() override;

    // The unnamed format asks for the image's own format.
    virtual void DecodeFile(const char* path, PLBmp& bmp, const PLPixelFormat& format = {},
                            IProgressNotification* progress = nullptr);
    virtual void DecodeFile(const wchar_t* path, PLBmp& bmp, const PLPixelFormat& format = {},
                            IProgressNotification* progress = nullptr);
    virtual void DecodeMemory(const uint8_t* data, size_t size, PLBmp& bmp, const PLPixelFormat& format = {});
    // After OpenFile: fills bmp. A requested format must have more bits than the image's.
    virtual void GetImage(PLBmp& bmp, const PLPixelFormat& format = {});
    // Releases the source and whatever the decoder keeps for the image.
    virtual void Close();

    // Opens a file and reads its header; then GetImage or Close.
    void OpenFile(const char* path, IProgressNotification* progress = nullptr);
    void OpenFile(const wchar_t* path, IProgressNotification* progress = nullptr);

    // The format part: read the header from source and end with SetHeader; fill a bitmap
    // created from that header through its rows (row 0 on top) and palette.
    virtual void ReadHeader(PLDataSource* source) = 0;
    virtual void ReadPixels(PLBmp& bmp) = 0;
    // Whether ReadPixels can also fill a bitmap of format (more bits than the header's),
    // giving the bytes a conversion from the header's format would give. GetImage then
    // decodes straight into the caller's bitmap instead of converting a copy.
    virtual bool CanReadPixelsAs(const PLPixelFormat& format) const;

private:
    // Attaches source and reads the header; on failure everything is released.
    void Open(std::unique_ptr<PLDataSource> source);
    // GetImage, then Close whatever happens.
    void DecodeOpened(PLBmp& bmp, const PLPixelFormat& format);
    // A hostile header must not size an allocation: the pixels may be at most a few
    // thousand times larger than the encoded data (more than any of the codecs reaches).
    void CheckImageSize(int bitsPerPixel) const;

    std::unique_ptr<PLDataSource> m_pDataSrc;
};
