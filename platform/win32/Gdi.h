#pragma once
// The GDI calls that copy device-independent bitmaps (DIBs) into device contexts:
// StretchDIBits and SetDIBitsToDevice with DIB_RGB_COLORS and SRCCOPY. A DIB is a
// BITMAPINFO header (with its colour table) and a pointer to its rows, as bitmap files,
// resources and the clipboard hold them. The pixel work is done here, over no library:
// a device context only has to take a block of finished pixels, so the window side of
// the layer makes them over its drawing surfaces (CDC in platform/mfc/DC.h) and
// anything else can draw without a display.
//
// Supported DIBs: BI_RGB at 1, 4 and 8 bits (through the colour table), 16 bits (five
// bits each of red, green and blue), 24 and 32 bits (blue, green, red and an unused
// byte); rows bottom-up (positive height) or top-down (negative height), each padded to
// a multiple of 4 bytes. Like GDI with SRCCOPY, the fourth byte of a 32-bit pixel is not
// alpha: colours are copied, never blended. Stretching repeats or drops pixels.

#include "platform/win32/WinTypes.h"

struct BITMAPINFOHEADER {
    DWORD biSize;  // 40, or the size of a longer header the colour table follows
    LONG biWidth;
    LONG biHeight;  // positive: rows stored bottom row first
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;  // entries of the colour table; 0 for 2^biBitCount
    DWORD biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};

// The header, then the colour table (which runs on beyond the one entry declared).
struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};

inline constexpr DWORD BI_RGB = 0;
inline constexpr UINT DIB_RGB_COLORS = 0;
inline constexpr DWORD SRCCOPY = 0x00CC0020;

// What a device context does for the calls below. Coordinates are the surface's own
// (logical) ones.
class IDeviceContext {
public:
    virtual ~IDeviceContext() = default;
    // The part of the surface that drawing can change; false when the surface cannot
    // tell (nothing is then left out).
    virtual bool GetClipBox(RECT& box) const = 0;
    // Replaces the pixels of the block at (x, y), width x height, by `rgb`: 3 bytes red,
    // green, blue a pixel, top row first, rows unpadded.
    virtual void PutPixels(int x, int y, int width, int height, const BYTE* rgb) = 0;
};
using HDC = IDeviceContext*;

// Copies the source rectangle of the DIB, stretched, to the destination rectangle. The
// source rectangle's (xSrc, ySrc) is its lower-left corner counted from the bottom row in
// a bottom-up DIB, its top-left corner in a top-down one. Parts of the source outside
// the DIB and of the destination outside the clip box are left out. Returns the rows
// of the destination drawn, 0 when nothing could be drawn: a null context, DIB or
// bits, a DIB of another kind, sizes that are not positive, another usage or raster
// operation.
int StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                  int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage,
                  DWORD rop);

// Copies the width x height rectangle of the DIB at (xSrc, ySrc) (counted as for
// StretchDIBits) unscaled to (xDest, yDest). `bits` holds only the stored rows startScan
// to startScan + scanLines - 1 (counted in storage order, from the bottom row in a
// bottom-up DIB); rows outside them are left out. Returns the rows drawn, 0 as above.
int SetDIBitsToDevice(HDC dc, int xDest, int yDest, DWORD width, DWORD height, int xSrc, int ySrc,
                      UINT startScan, UINT scanLines, const void* bits, const BITMAPINFO* info, UINT usage);
