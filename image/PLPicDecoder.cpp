#include "image/PLPicDecoder.h"

#include "image/PLAnyBmp.h"
#include "image/PLFileSource.h"
#include "image/PLMemSource.h"
#include "image/PLPath.h"
#include "image/PLTextException.h"

#include <algorithm>

namespace {

constexpr int64_t kMinPixelBudget = int64_t{16} << 20;
constexpr int64_t kPixelBytesPerDataByte = 4096;

template <class Path>
std::unique_ptr<PLDataSource> OpenFileSource(const Path* path, const std::string& name,
                                             IProgressNotification* progress)
{
    CodecTraceF(1, "--- Decoding file %s. ---\n", name.c_str());
    auto source = std::make_unique<PLFileSource>(progress);
    if (const int result = source->OpenFile(path))
        RaiseDecoderError(result, "Opening %s failed", name.c_str());
    return source;
}

}  // namespace

PLPicDecoder::~PLPicDecoder() = default;

void PLPicDecoder::OpenFile(const char* path, IProgressNotification* progress)
{
    Open(OpenFileSource(path, path, progress));
}

void PLPicDecoder::OpenFile(const wchar_t* path, IProgressNotification* progress)
{
    Open(OpenFileSource(path, PLMessageName(path), progress));
}

void PLPicDecoder::Open(std::unique_ptr<PLDataSource> source)
{
    Close();
    m_pDataSrc = std::move(source);
    try {
        ReadHeader(m_pDataSrc.get());
    } catch (...) {
        Close();
        throw;
    }
}

void PLPicDecoder::DecodeFile(const char* path, PLBmp& bmp, const PLPixelFormat& format,
                              IProgressNotification* progress)
{
    OpenFile(path, progress);
    DecodeOpened(bmp, format);
}

void PLPicDecoder::DecodeFile(const wchar_t* path, PLBmp& bmp, const PLPixelFormat& format,
                              IProgressNotification* progress)
{
    OpenFile(path, progress);
    DecodeOpened(bmp, format);
}

void PLPicDecoder::DecodeMemory(const uint8_t* data, size_t size, PLBmp& bmp, const PLPixelFormat& format)
{
    CodecTraceF(1, "--- Decoding from memory at %p. ---\n", static_cast<const void*>(data));
    auto source = std::make_unique<PLMemSource>();
    source->OpenMemory(data, size);
    Open(std::move(source));
    DecodeOpened(bmp, format);
}

void PLPicDecoder::DecodeOpened(PLBmp& bmp, const PLPixelFormat& format)
{
    try {
        GetImage(bmp, format);
    } catch (...) {
        Close();
        throw;
    }
    Close();
}

void PLPicDecoder::GetImage(PLBmp& bmp, const PLPixelFormat& format)
{
    if (!m_pDataSrc)
        throw PLTextException(PLErr::Internal, "No image is open.");
    const bool direct = format.IsUnnamed() || format == GetPixelFormat();
    if (!direct && format.GetBitsPerPixel() <= GetBitsPerPixel())
        throw PLTextException(PLErr::NotSupported, "Image bit depth doesn't match request.");
    CheckImageSize(std::max(GetBitsPerPixel(), format.GetBitsPerPixel()));
    if (direct || CanReadPixelsAs(format)) {
        bmp.CreateFromInfo(PLBmpInfo(GetSize(), GetResolution(), direct ? GetPixelFormat() : format));
        ReadPixels(bmp);
        return;
    }
    PLAnyBmp decoded;
    decoded.CreateFromInfo(*this);
    ReadPixels(decoded);
    bmp.CreateConvertedCopy(decoded, format);
}

bool PLPicDecoder::CanReadPixelsAs(const PLPixelFormat&) const
{
    return false;
}

void PLPicDecoder::Close()
{
    if (!m_pDataSrc)
        return;
    m_pDataSrc->EndRead();
    m_pDataSrc.reset();
}

void PLPicDecoder::CheckImageSize(int bitsPerPixel) const
{
    if (GetWidth() < 0 || GetHeight() < 0)
        RaiseDecoderError(PLErr::FormatUnknown, "Image size %d x %d is invalid.", GetWidth(), GetHeight());
    // Each row costs its pixels and its place in the row table. Compared row by row, so that
    // two sides near the int limit cannot overflow the product.
    const int64_t rowBytes = PLRowBytes(GetWidth(), bitsPerPixel) + int64_t(sizeof(void*));
    const int64_t budget =
        std::max(kMinPixelBudget, int64_t(m_pDataSrc->GetFileSize()) * kPixelBytesPerDataByte);
    const int64_t limit = std::min(budget, kPLMaxBitmapBytes);
    if (GetHeight() > 0 && rowBytes > limit / GetHeight())
        RaiseDecoderError(PLErr::FormatUnknown, "Image size %d x %d is more than the data can hold.",
                          GetWidth(), GetHeight());
}
