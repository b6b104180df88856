#pragma once

// The file types of the image layer, by file name and by what the decoder detected. The
// numbers are stored with encoded images, so they never change.

#include <string>

namespace orbisk::imageutils {

enum ImageFileType {
    kImageFileUnknown = 0,
    kImageFileJPEG = 1,
    kImageFileBMP = 2,
    kImageFileTIFF = 3,
    kImageFilePNG = 4,
    kImageFileGIF = 5,
    kImageFilePICT = 6,
    kImageFileTGA = 7,
    kImageFilePSD = 8,
};

// By the extension (after the last "." of the file name), without regard to case: "jpg"
// and "jpeg", "bmp", "tif" and "tiff", "png", "gif", "pct", "tga", "psd".
int GetImageFileType(const std::wstring& path);

// The lower-case extension of the path's file name, empty when it has none.
std::wstring GetLowerExtension(const std::wstring& path);

// The type for a PLAnyPicDecoder::FileType; unknown for formats the layer does not name.
int ImageFileTypeFromDecoderType(int decoderType);

}  // namespace orbisk::imageutils
