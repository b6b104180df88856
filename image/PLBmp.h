#pragma once

#include "image/PLBmpInfo.h"
#include "image/PLPixel32.h"

#include <cstddef>
#include <cstdint>

// Largest pixel block a bitmap allocates. Decoders check the image size against the data
// they hold first; this bounds everything else.
inline constexpr int64_t kPLMaxBitmapBytes = int64_t{1} << 30;

// Bytes of one unpadded row: width × bits / 8, rounded up to whole bytes.
int64_t PLRowBytes(int64_t width, int bitsPerPixel);

// Bitmap header plus palette and row table. Row 0 is the top row. The palette (formats of
// at most 8 bits) holds PLPixelFormat::PaletteSize entries; the subclass owns its memory.
class PLBmpBase : public PLBmpInfo {
public:
    PLPixel32* GetPalette() const { return m_pClrTab; }
    uint8_t* const* GetLineArray() const { return m_pLineArray; }
    uint8_t* GetLine(int32_t row) const { return m_pLineArray[row]; }
    int GetPaletteType() const { return m_ditherPaletteType; }
    int GetDitherType() const { return m_ditherType; }

    // Entry i of n is grey (255 / (n − 1)) × i, the division taken first.
    void SetGreyPalette();

protected:
    PLPixel32* m_pClrTab = nullptr;
    uint8_t** m_pLineArray = nullptr;
    int m_ditherType = 1;         // ordered dither, for conversions of 32 bits to 8
    int m_ditherPaletteType = 0;  // median cut
};

// The abstract codec bitmap: creation, copying and conversion between 1, 8, 16, 24 and 32
// bits per pixel. Pixel memory order: 32 bits blue, green, red, alpha; 24 bits blue, green,
// red; 16 bits a little-endian 5-6-5 word; 8 bits a palette index; 1 bit eight pixels per
// byte, most significant first.
class PLBmp : public PLBmpBase {
public:
    PLBmp() = default;
    PLBmp(const PLBmp&) = delete;
    PLBmp& operator=(const PLBmp&) = delete;

    virtual void SetupGeometry(int32_t width, int32_t height, const PLPixelFormat& format);
    virtual void CreateFromInfo(const PLBmpInfo& info);
    // Rows of pixels are stride bytes apart (0: packed); pixels may be null.
    virtual void Create(int32_t width, int32_t height, const PLPixelFormat& format, const uint8_t* pixels,
                        int32_t stride, PLPoint resolution);
    virtual int64_t GetMemoryUsed() const = 0;
    virtual int64_t GetBytesPerLine() const = 0;
    virtual void AllocatePixels(int32_t width, int32_t height, const PLPixelFormat& format) = 0;
    virtual void BuildLineArray() = 0;
    virtual void FreePixels() = 0;

    void Duplicate(const PLBmp& source);
    // The unnamed format means the source's own format.
    void CreateConvertedCopy(const PLBmp& source, const PLPixelFormat& format);
    void ConvertPixelsFrom(const PLBmp& source);
    void CopyPalette(const PLPixel32* entries);
    void SetAlphaChannel(bool on);
    void SwapRedBlueInFormat();
    bool IsGreyscale() const;
    void SetResolution(PLPoint resolution) { m_resolution = resolution; }

protected:
    // Checks a requested size before anything is allocated for it.
    static void CheckGeometry(int32_t width, int32_t height, const PLPixelFormat& format);

private:
    void CopyPixelsFrom(const PLBmp& source, int32_t rows, int64_t rowBytes);
};
