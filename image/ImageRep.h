#pragma once

// The pixel image passed around above the codec layer. It owns one codec bitmap and
// shows it through a fixed pixel layout:
//   format 0 RGB   3 bytes per pixel: blue, green, red
//   format 1 RGBA  4 bytes per pixel: blue, green, red, alpha (255 opaque)
//   format 2 grey  1 byte per pixel: luminance
// Rows are stored top row first, unpadded (bytes per line = width x bytes per pixel).
// Every operation reports failure by its result (or leaves the image empty); none lets an
// exception out.

#include "image/PixelRGB.h"
#include "support/Color.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class PLBmp;
class PLPixelFormat;
class PLWinBmp;

namespace orbisk::imageutils {

class ImageMemoryRep;

enum ImageFormat { kFormatRGB = 0, kFormatRGBA = 1, kFormatGrey = 2 };

// Resource types of image files, with their Windows numbers: raw data (RT_RCDATA) holds an
// image file; a bitmap (RT_BITMAP) a packed device-independent bitmap.
inline constexpr uint32_t kResourceTypeData = 10;
inline constexpr uint32_t kResourceTypeBitmap = 2;

// 3, 4 and 1 for the three formats, 0 for any other code.
int BytesPerPixelForFormat(int format);
// The layout a representation gives a bitmap of that depth: 8 "I8", 16 "B5G6R5",
// 24 "B8G8R8", 32 "A8R8G8B8", any other the unnamed format.
const PLPixelFormat& PixelFormatForBits(int bits);

class ImageRep {
public:
    ImageRep();
    ImageRep(const ImageRep&) = delete;
    ImageRep& operator=(const ImageRep&) = delete;
    virtual ~ImageRep();

    virtual bool IsValid() const;

    // Writes by the extension: "jpg"/"jpeg" (quality 1 to 100, default 70), "png" (zlib
    // level 0 to 9, default 4), "bmp", "tif"/"tiff"; false for any other.
    virtual bool SaveFile(const std::wstring& path);
    virtual bool SaveFile(const std::wstring& path, int quality);

    virtual bool CopyFrom(const ImageRep& other);
    // The other image resized to width x height; a grey source gives an RGBA result.
    virtual bool CopyScaledFrom(const ImageRep& other, int width, int height);

    // Loaders replace the image. A box of width x height (both non-zero) fits the result
    // into it, keeping the aspect ratio, enlarging as well as shrinking. Images come out
    // as RGB unless they really use transparency; JPEG greyscale stays grey.
    virtual bool LoadFile(const std::wstring& path);
    virtual bool LoadMemory(const ImageMemoryRep& memory);
    virtual bool LoadFile(const std::wstring& path, int width, int height);
    virtual bool LoadMemory(const ImageMemoryRep& memory, int width, int height);
    // A maxWidth x maxHeight canvas with the image (shrunk to fit when larger) in its
    // top-left corner and zero bytes elsewhere; RGBA with withAlpha, else RGB (or grey,
    // for a grey JPEG that fits). The outputs give the size of the image part.
    virtual bool LoadMemoryBounded(const ImageMemoryRep& memory, int maxWidth, int maxHeight, bool withAlpha,
                                   int& width, int& height);
    // An image file kept as a resource (from the localised resource library, else the
    // program's own), as RGBA unless it has more bytes per pixel.
    virtual bool LoadResource(uint32_t id, uint32_t resourceType);

    // A new image of the format, whose pixels are copied from the caller's rows (each
    // width x bytes per pixel + padding bytes apart) when given, else left undefined.
    // An unknown format, a size below 1 or a negative padding leaves the image empty.
    virtual void Create(int width, int height, int format, int padding, const uint8_t* pixels);

    virtual int GetHeight() const;
    virtual int GetWidth() const;
    virtual int GetBytesPerPixel() const;
    virtual int GetBytesPerLine() const;
    virtual int GetRowPadding() const;
    virtual uint8_t* GetPixels();
    virtual const uint8_t* GetPixels() const;
    // 0, 1 or 2; an empty image answers 1.
    virtual int GetFormat() const;

    // Formats 0 and 1 only: red and blue change places in every pixel.
    virtual bool SwapRedBlue();
    virtual bool FlipVertical();

    void Free();
    int64_t GetImageSize() const;
    bool IsRGB() const { return GetFormat() == kFormatRGB; }
    bool IsRGBA() const { return GetFormat() == kFormatRGBA; }
    bool IsGrey() const { return GetFormat() == kFormatGrey; }

    // Points the cursor at a row; false for a row outside the image or a cursor whose
    // pixels are not this image's size.
    bool GetRowCursor(int row, PixelRGB& cursor);

    // Copies source (of the same format) with its top-left corner at column x, row y,
    // clipped to this image; bottomUp copies the source's rows from the last upwards.
    bool PasteImage(const ImageRep& source, int x, int y, bool bottomUp);

    // Hue in degrees, replaced (or added with relativeHue); lightness and saturation
    // changes added. 24 and 32-bit images only.
    bool AdjustHLS(double hue, double lightness, double saturation, bool relativeHue);

    // The mean colour of the inclusive rectangle (whole image); transparent black for an
    // invalid image or rectangle. RGB and grey pixels count as opaque.
    utils::CColor GetAverageColor() const;
    utils::CColor GetAverageColorInRect(int x0, int y0, int x1, int y1) const;

    bool Equals(const ImageRep& other) const;
    void CountAlphaPixels(int& opaque, int& transparent, int& partial) const;

    bool ConvertToRGBA();
    bool ConvertToRGB();
    bool ConvertToGrey();

    // Alpha operations turn the image into RGBA; the alpha they write is part of the
    // image from then on (saved with it).
    bool MultiplyAlpha(double factor);
    // Opacity 0 to 1 for every pixel (clamped).
    bool SetAlpha(double opacity);
    // Each pixel becomes opaque grey 255 - alpha.
    bool AlphaToGrey();
    // Each pixel becomes white, as transparent as it was bright.
    bool LuminanceToAlpha();
    // RGBA only: alpha from how dark each pixel is (over white), colour from the tint
    // unless the tint is all zero; the alpha is then scaled by factor.
    void TintFromLuminance(const utils::CColor& tint, double factor);

    bool Resize(int width, int height);
    // Keeps the aspect ratio; enlarges as well as shrinks.
    bool ScaleToFit(int width, int height);
    // Sizes are truncated: 0.5 of 3 x 3 is 1 x 1.
    bool Scale(double factor);

    // Bridges to the codec layer: target becomes a copy of the pixels.
    bool CopyToBitmap(PLBmp& target) const;
    // A Windows-bitmap copy of the image's bitmap in its own pixel format; null when the
    // image holds no bitmap.
    std::unique_ptr<PLWinBmp> CloneBitmap() const;

private:
    // Valid, with pixel memory: what every pixel walk needs first.
    bool HasPixels() const { return IsValid() && GetPixels(); }
    // The bitmap becomes a copy of source converted to format.
    bool ReplaceConverted(const char* format);
    bool ConvertToRGBAWithAlpha();
    template <class Step>
    void ForEachRGBA(Step&& step);

    bool DecodeJpegMemory(const ImageMemoryRep& memory, int width, int height, bool pad, bool withAlpha,
                          int& outWidth, int& outHeight);
    bool DecodeJpegFile(const std::wstring& path, int width, int height);
    // Takes a bitmap decoded in its file's own format and brings it into the layout of
    // the representation.
    void AdoptDecoded(std::unique_ptr<PLBmp> bitmap, bool fromBmpFile);
    void NormaliseAlpha(bool ignoreFullyTransparent);
    // The pixels stay 32-bit; the format says the fourth byte is unused ("X").
    bool DropAlphaFromFormat();
    bool FitOrValid(int width, int height);
    bool LoadMemoryPadded(const ImageMemoryRep& memory, int width, int height, bool withAlpha, int& outWidth,
                          int& outHeight);

    std::unique_ptr<PLBmp> m_pBitmap;
};

}  // namespace orbisk::imageutils
