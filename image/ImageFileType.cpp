#include "image/ImageFileType.h"

#include "image/PLAnyPicDecoder.h"
#include "support/PathUtils.h"
#include "support/StringUtils.h"

namespace orbisk::imageutils {

std::wstring GetLowerExtension(const std::wstring& path)
{
    std::wstring extension = utils::GetFileExtension(path);
    utils::ToLowerInPlace(extension);
    return extension;
}

int GetImageFileType(const std::wstring& path)
{
    struct Entry {
        const wchar_t* extension;
        int type;
    };
    static const Entry kTypes[] = {
        {L"jpg", kImageFileJPEG}, {L"jpeg", kImageFileJPEG}, {L"bmp", kImageFileBMP},
        {L"tif", kImageFileTIFF}, {L"tiff", kImageFileTIFF}, {L"png", kImageFilePNG},
        {L"gif", kImageFileGIF},  {L"tga", kImageFileTGA},   {L"pct", kImageFilePICT},
        {L"psd", kImageFilePSD},
    };
    const std::wstring extension = GetLowerExtension(path);
    for (const Entry& entry : kTypes) {
        if (extension == entry.extension)
            return entry.type;
    }
    return kImageFileUnknown;
}

int ImageFileTypeFromDecoderType(int decoderType)
{
    switch (decoderType) {
        case PLAnyPicDecoder::BMP: return kImageFileBMP;
        case PLAnyPicDecoder::PICT: return kImageFilePICT;
        case PLAnyPicDecoder::TGA: return kImageFileTGA;
        case PLAnyPicDecoder::TIFF: return kImageFileTIFF;
        case PLAnyPicDecoder::JPEG: return kImageFileJPEG;
        case PLAnyPicDecoder::PNG: return kImageFilePNG;
        case PLAnyPicDecoder::GIF: return kImageFileGIF;
        case PLAnyPicDecoder::PSD: return kImageFilePSD;
        default: return kImageFileUnknown;
    }
}

}  // namespace orbisk::imageutils
