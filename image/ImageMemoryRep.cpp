#include "image/ImageMemoryRep.h"

#include "image/ImageFileType.h"
#include "image/ImageRep.h"
#include "image/JpegDirect.h"
#include "image/PLAnyBmp.h"
#include "image/PLAnyPicDecoder.h"
#include "image/PLBmpEncoder.h"
#include "image/PLFileSink.h"
#include "image/PLFileSource.h"
#include "image/PLJPEGEncoder.h"
#include "image/PLMemSink.h"
#include "image/PLPNGEncoder.h"
#include "image/PLTIFFEncoder.h"
#include "image/PLTextException.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace orbisk::imageutils {
namespace {

// Room for the headers of an encoding beyond its pixels.
constexpr int64_t kEncodeSlack = 2000;

[[noreturn]] void RaiseNoMemory()
{
    throw PLTextException(PLErr::NoMemory, "Out of memory holding an encoded image.");
}

// Writes bitmap as type into sink; returns the type and quality the bytes then have.
void EncodeAs(const PLBmp& bitmap, PLDataSink& sink, int& type, int& quality)
{
    switch (type) {
        case kImageFileJPEG: {
            PLJPEGEncoder encoder;
            quality = std::clamp(quality, 1, 100);
            encoder.SetQuality(quality);
            encoder.EncodeToSink(bitmap, sink);
            return;
        }
        case kImageFileBMP: PLBmpEncoder().EncodeToSink(bitmap, sink); return;
        case kImageFileTIFF: PLTIFFEncoder().EncodeToSink(bitmap, sink); return;
        default: {
            PLPNGEncoder encoder;
            encoder.SetCompressionLevel(std::clamp(quality, 0, 9));
            encoder.EncodeToSink(bitmap, sink);
            type = kImageFilePNG;
            return;
        }
    }
}

}  // namespace

ImageMemoryRep::Bytes ImageMemoryRep::CopyBytes(const uint8_t* bytes, size_t count)
{
    Bytes copy(static_cast<uint8_t*>(std::malloc(std::max<size_t>(count, 1))));
    if (copy)
        std::memcpy(copy.get(), bytes, count);
    return copy;
}

void ImageMemoryRep::Free()
{
    m_pData.reset();
}

void ImageMemoryRep::DropBytes()
{
    m_pData.reset();
    m_size = 0;
}

void ImageMemoryRep::Describe(int type, int width, int height, int bitsPerPixel)
{
    m_type = type;
    m_width = width;
    m_height = height;
    m_bytesPerPixel = (bitsPerPixel + 7) / 8;
}

bool ImageMemoryRep::Equals(const ImageMemoryRep& other) const
{
    if (&other == this)
        return true;
    if (m_type != other.m_type || m_size != other.m_size || m_width != other.m_width ||
        m_height != other.m_height || m_bytesPerPixel != other.m_bytesPerPixel ||
        m_quality != other.m_quality || m_size == 0)
        return false;
    if (!m_pData || !other.m_pData)
        return false;
    return std::memcmp(m_pData.get(), other.m_pData.get(), size_t(m_size)) == 0;
}

bool ImageMemoryRep::Assign(const ImageMemoryRep& other)
{
    if (&other == this)
        return true;
    DropBytes();
    if (other.m_pData && other.m_size > 0) {
        m_pData = CopyBytes(other.m_pData.get(), size_t(other.m_size));
        m_size = m_pData ? other.m_size : 0;
    }
    m_type = other.m_type;
    m_quality = other.m_quality;
    m_width = other.m_width;
    m_height = other.m_height;
    m_bytesPerPixel = other.m_bytesPerPixel;
    return true;
}

bool ImageMemoryRep::SetData(int size, uint8_t* bytes, bool takeOwnership, int quality)
{
    DropBytes();
    Bytes data(takeOwnership ? bytes : nullptr);
    if (size <= 0 || !bytes)
        return false;
    if (!takeOwnership)
        data = CopyBytes(bytes, size_t(size));
    if (!data)
        return false;
    m_pData = std::move(data);
    m_size = size;
    m_quality = quality;
    try {
        PLAnyPicDecoder decoder;
        PLAnyBmp bitmap;
        decoder.DecodeMemory(m_pData.get(), size_t(size), bitmap);
        Describe(ImageFileTypeFromDecoderType(decoder.GetFileType()), bitmap.GetWidth(), bitmap.GetHeight(),
                 bitmap.GetBitsPerPixel());
    } catch (...) {
        Describe(kImageFileUnknown, 0, 0, 0);
        DropBytes();
        return false;
    }
    if (m_type == kImageFileJPEG && (quality <= 0 || quality > 100)) {
        if (const int estimate = EstimateJpegQuality(m_pData.get(), size_t(m_size)))
            m_quality = estimate;
    }
    return true;
}

bool ImageMemoryRep::LoadFile(const std::wstring& path)
{
    DropBytes();
    try {
        PLAnyPicDecoder decoder;
        decoder.OpenFile(path.c_str());
        Describe(ImageFileTypeFromDecoderType(decoder.GetFileType()), decoder.GetWidth(), decoder.GetHeight(),
                 decoder.GetBitsPerPixel());
        decoder.Close();

        PLFileSource source;
        if (const int result = source.OpenFile(path.c_str()))
            throw PLTextException(result, "The image file cannot be read.");
        const size_t size = source.GetFileSize();
        if (size > size_t(INT_MAX))
            throw PLTextException(PLErr::NotSupported, "The image file is too large.");
        m_pData = CopyBytes(source.GetCurrentPointer(), size);
        source.EndRead();
        if (!m_pData)
            RaiseNoMemory();
        m_size = int(size);
    } catch (...) {
        DropBytes();
        return false;
    }
    if (m_type == kImageFileJPEG) {
        if (const int estimate = EstimateJpegQuality(m_pData.get(), size_t(m_size)))
            m_quality = estimate;
    }
    return true;
}

bool ImageMemoryRep::Encode(const ImageRep& image, int type, int quality)
{
    DropBytes();
    // JPEG is written from 32-bit pixels, BMP and TIFF from 32-bit rather than 24-bit ones.
    const bool toRGBA = type == kImageFileJPEG
                            ? !image.IsRGBA()
                            : (type == kImageFileBMP || type == kImageFileTIFF) && image.IsRGB();
    const ImageRep* source = &image;
    ImageRep converted;
    if (toRGBA) {
        if (!converted.CopyFrom(image) || !converted.ConvertToRGBA())
            return false;
        source = &converted;
    }
    PLAnyBmp bitmap;
    if (!source->CopyToBitmap(bitmap))
        return false;
    try {
        const int64_t capacity = int64_t(image.GetHeight()) * image.GetWidth() * 4 + kEncodeSlack;
        PLMemSink sink;
        if (capacity > INT_MAX || sink.OpenMemory("tmp", size_t(capacity)) != 0)
            RaiseNoMemory();
        int storedType = type;
        int storedQuality = quality;
        EncodeAs(bitmap, sink, storedType, storedQuality);
        Bytes data = CopyBytes(sink.GetBytes(), sink.GetDataSize());
        if (!data)
            RaiseNoMemory();
        m_pData = std::move(data);
        m_size = int(sink.GetDataSize());
        m_type = storedType;
        if (storedType == kImageFileJPEG)
            m_quality = storedQuality;
        m_width = image.GetWidth();
        m_height = image.GetHeight();
        m_bytesPerPixel = source->GetBytesPerPixel();
        return true;
    } catch (...) {
        DropBytes();
        m_type = kImageFileUnknown;
        return false;
    }
}

bool ImageMemoryRep::SaveFile(const std::wstring& path) const
{
    const int named = GetImageFileType(path);
    const int type = named != kImageFileUnknown ? named : m_type;
    if (!m_pData || m_type == kImageFileUnknown || type != m_type)
        return false;
    try {
        PLFileSink sink;
        if (sink.OpenFile(path.c_str(), size_t(m_size)) != 0)
            return false;
        sink.WriteBytes(size_t(m_size), m_pData.get());
        sink.Close();
        return true;
    } catch (...) {
        return false;
    }
}

bool ImageMemoryRep::MatchesExtension(const std::wstring& path) const
{
    return GetImageFileType(path) == m_type;
}

}  // namespace orbisk::imageutils
