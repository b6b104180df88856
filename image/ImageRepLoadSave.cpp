// ImageRep: loading from files and encoded memory, and saving by file extension.
//
// Decoding goes through the auto-detecting decoder, except that JPEG is first tried
// through libjpeg directly, which can scale while decoding (and pad into a canvas). After
// decoding, images are brought to 24-bit RGB unless they really use transparency.
#include "image/ImageRep.h"

#include "image/ImageFileType.h"
#include "image/ImageMemoryRep.h"
#include "image/JpegDirect.h"
#include "image/PLAnyBmp.h"
#include "image/PLAnyPicDecoder.h"
#include "image/PLBmpEncoder.h"
#include "image/PLFileSource.h"
#include "image/PLJPEGEncoder.h"
#include "image/PLPNGEncoder.h"
#include "image/PLTIFFEncoder.h"
#include "image/PLTextException.h"
#include "support/ResourceLoader.h"

#include <algorithm>
#include <cstring>

namespace orbisk::imageutils {
namespace {

constexpr int kDefaultJpegQuality = 70;
constexpr int kDefaultPngLevel = 4;

bool EncodeImageFile(const PLBmp* bitmap, PLPicEncoder& encoder, const std::wstring& path)
{
    if (!bitmap || path.empty())
        return false;
    try {
        encoder.EncodeFile(path.c_str(), *bitmap);
        return true;
    } catch (...) {
        return false;
    }
}

// The bytes decoded in their file's own format; the decoder's detected type goes to type.
std::unique_ptr<PLBmp> DecodeBytes(const uint8_t* data, size_t size, int& type)
{
    PLAnyPicDecoder decoder;
    auto bitmap = std::make_unique<PLAnyBmp>();
    decoder.DecodeMemory(data, size, *bitmap);
    type = decoder.GetFileType();
    return bitmap;
}

}  // namespace

bool ImageRep::SaveFile(const std::wstring& path)
{
    const std::wstring extension = GetLowerExtension(path);
    if (extension == L"jpg" || extension == L"jpeg")
        return SaveFile(path, kDefaultJpegQuality);
    return SaveFile(path, extension == L"png" ? kDefaultPngLevel : 0);
}

bool ImageRep::SaveFile(const std::wstring& path, int quality)
{
    if (!m_pBitmap)
        return false;
    try {
        // JPEG and BMP are written from 32-bit pixels, TIFF from 32-bit rather than 24-bit ones.
        PLAnyBmp scratch;
        const auto pixels = [&](bool toRGBA) -> const PLBmp* {
            if (!toRGBA)
                return m_pBitmap.get();
            scratch.CreateConvertedCopy(*m_pBitmap, PLPixelFormat::FindByName("A8R8G8B8"));
            return &scratch;
        };
        switch (GetImageFileType(path)) {
            case kImageFileJPEG: {
                PLJPEGEncoder encoder;
                encoder.SetQuality(std::clamp(quality, 1, 100));
                return EncodeImageFile(pixels(GetBytesPerPixel() != 4), encoder, path);
            }
            case kImageFileBMP: {
                PLBmpEncoder encoder;
                return EncodeImageFile(pixels(GetBytesPerPixel() != 4), encoder, path);
            }
            case kImageFileTIFF: {
                PLTIFFEncoder encoder;
                return EncodeImageFile(pixels(GetBytesPerPixel() == 3), encoder, path);
            }
            case kImageFilePNG: {
                PLPNGEncoder encoder;
                encoder.SetCompressionLevel(std::clamp(quality, 0, 9));
                return EncodeImageFile(m_pBitmap.get(), encoder, path);
            }
            default: return false;
        }
    } catch (...) {
        return false;
    }
}

bool ImageRep::LoadFile(const std::wstring& path)
{
    return LoadFile(path, 0, 0);
}

bool ImageRep::LoadMemory(const ImageMemoryRep& memory)
{
    return LoadMemory(memory, 0, 0);
}

bool ImageRep::FitOrValid(int width, int height)
{
    if (width != 0 && height != 0)
        return ScaleToFit(width, height);
    return IsValid();
}

bool ImageRep::DecodeJpegMemory(const ImageMemoryRep& memory, int width, int height, bool pad, bool withAlpha,
                                int& outWidth, int& outHeight)
{
    try {
        return DecodeJpegScaled(memory.GetData(), size_t(memory.GetSize()), {width, height, pad, withAlpha},
                                *this, outWidth, outHeight);
    } catch (...) {
        Free();
        return false;
    }
}

bool ImageRep::DecodeJpegFile(const std::wstring& path, int width, int height)
{
    try {
        PLFileSource source;
        if (source.OpenFile(path.c_str()) != 0)
            return false;
        int decodedWidth = 0, decodedHeight = 0;
        return DecodeJpegScaled(source.GetCurrentPointer(), source.GetFileSize(),
                                {width, height, false, false}, *this, decodedWidth, decodedHeight);
    } catch (...) {
        Free();
        return false;
    }
}

void ImageRep::AdoptDecoded(std::unique_ptr<PLBmp> bitmap, bool fromBmpFile)
{
    if (bitmap->GetWidth() < 1 || bitmap->GetHeight() < 1)
        throw PLTextException(PLErr::FormatUnknown, "The image is empty.");
    if (bitmap->GetPixelFormat().GetName() == "L16")
        throw PLTextException(PLErr::NotSupported, "16-bit greyscale images are not supported.");
    m_pBitmap = std::move(bitmap);
    NormaliseAlpha(fromBmpFile);
}

void ImageRep::NormaliseAlpha(bool ignoreFullyTransparent)
{
    if (!m_pBitmap)
        return;
    bool ok = true;
    if (m_pBitmap->GetBitsPerPixel() < 24 || !m_pBitmap->GetPixelFormat().HasAlphaChannel()) {
        ok = ConvertToRGB();
    } else {
        int opaque = 0, transparent = 0, partial = 0;
        CountAlphaPixels(opaque, transparent, partial);
        const int64_t count = int64_t(GetWidth()) * GetHeight();
        // Bitmap files often leave the fourth byte 0 without meaning transparency.
        if (ignoreFullyTransparent && transparent == count)
            ok = ConvertToRGB();
        else if (opaque == count)
            ok = DropAlphaFromFormat();
    }
    if (!ok)
        Free();
}

bool ImageRep::DropAlphaFromFormat()
{
    try {
        m_pBitmap->SetAlphaChannel(false);
        return true;
    } catch (...) {
        return false;
    }
}

bool ImageRep::LoadMemory(const ImageMemoryRep& memory, int width, int height)
{
    if (!memory.IsValid())
        return false;
    Free();
    if (memory.GetType() == kImageFileJPEG) {
        int decodedWidth = 0, decodedHeight = 0;
        if (DecodeJpegMemory(memory, width, height, false, false, decodedWidth, decodedHeight))
            return FitOrValid(width, height);
        Free();
    }
    try {
        int type = 0;
        std::unique_ptr<PLBmp> bitmap = DecodeBytes(memory.GetData(), size_t(memory.GetSize()), type);
        AdoptDecoded(std::move(bitmap), type == PLAnyPicDecoder::BMP);
        return FitOrValid(width, height);
    } catch (...) {
        Free();
        return false;
    }
}

bool ImageRep::LoadFile(const std::wstring& path, int width, int height)
{
    Free();
    if (GetImageFileType(path) == kImageFileJPEG) {
        if (DecodeJpegFile(path, width, height))
            return FitOrValid(width, height);
        Free();
    }
    try {
        PLAnyPicDecoder decoder;
        decoder.OpenFile(path.c_str());
        auto bitmap = std::make_unique<PLAnyBmp>();
        decoder.GetImage(*bitmap);
        decoder.Close();
        AdoptDecoded(std::move(bitmap), decoder.GetFileType() == PLAnyPicDecoder::BMP);
        return FitOrValid(width, height);
    } catch (...) {
        Free();
        return false;
    }
}

bool ImageRep::LoadResource(uint32_t id, uint32_t resourceType)
{
    Free();
    const void* data = nullptr;
    size_t size = 0;
    if (!utils::FindResourceData(resourceType, id, data, size))
        return false;
    try {
        int type = 0;
        m_pBitmap = DecodeBytes(static_cast<const uint8_t*>(data), size, type);
    } catch (...) {
        Free();
        return false;
    }
    if (GetBytesPerPixel() < 4 && !ConvertToRGBA())
        Free();
    return IsValid();
}

bool ImageRep::LoadMemoryPadded(const ImageMemoryRep& memory, int width, int height, bool withAlpha,
                                int& outWidth, int& outHeight)
{
    ImageRep decoded;
    if (!decoded.LoadMemory(memory, 0, 0))
        return false;
    if ((decoded.GetWidth() > width || decoded.GetHeight() > height) && !decoded.ScaleToFit(width, height))
        return false;
    // Converted before it is placed, so that the canvas is zero outside the image, alpha too.
    if (!(withAlpha ? decoded.ConvertToRGBA() : decoded.ConvertToRGB()))
        return false;
    Create(width, height, decoded.GetFormat(), 0, nullptr);
    if (!IsValid())
        return false;
    std::memset(GetPixels(), 0, size_t(GetImageSize()));
    PasteImage(decoded, 0, 0, false);
    outWidth = decoded.GetWidth();
    outHeight = decoded.GetHeight();
    return true;
}

bool ImageRep::LoadMemoryBounded(const ImageMemoryRep& memory, int maxWidth, int maxHeight, bool withAlpha,
                                 int& width, int& height)
{
    Free();
    width = height = 0;
    if (maxWidth < 1 || maxHeight < 1)
        return false;
    const auto inside = [&] { return width <= maxWidth && height <= maxHeight; };
    if (memory.GetType() == kImageFileJPEG) {
        if (DecodeJpegMemory(memory, maxWidth, maxHeight, true, withAlpha, width, height) && inside())
            return true;
        Free();
    }
    if (LoadMemoryPadded(memory, maxWidth, maxHeight, withAlpha, width, height) && inside())
        return true;
    Free();
    width = height = 0;
    return false;
}

}  // namespace orbisk::imageutils
