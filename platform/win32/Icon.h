#pragma once
// Icons and cursors made from pixels. Where Win32's CreateIconIndirect takes a colour and
// a mask bitmap, CreateIconFromPixels takes their rows; the handle holds the finished
// picture, which the window side shows (platform/mfc/IconCursor.h). Making one needs no
// display.

#include "platform/win32/WinTypes.h"

#include <vector>

struct ICONPIXELS {
    BOOL fIcon;      // FALSE for a cursor
    DWORD xHotspot;  // a cursor's hot spot, from the top-left corner
    DWORD yHotspot;
    LONG width;
    LONG height;
    // width x height pixels of 4 bytes: blue, green, red, alpha; top row first, unpadded.
    // When every alpha byte is 0 the pixels count as opaque, as with Windows' colour
    // bitmaps that carry no alpha.
    const BYTE* colour;
    // width x height bytes, non-zero where the screen shows through; may be null.
    const BYTE* mask;
};

struct HICON__ {
    bool isIcon;
    int xHotspot;
    int yHotspot;
    int width;
    int height;
    std::vector<BYTE> rgba;  // red, green, blue, alpha; top row first
};
using HICON = HICON__*;
using HCURSOR = HICON;

// Null when a size is not positive or the colours are missing. The handle is the
// caller's, to be destroyed with DestroyIcon or DestroyCursor.
HICON CreateIconFromPixels(const ICONPIXELS* info);
BOOL DestroyIcon(HICON icon);
BOOL DestroyCursor(HCURSOR cursor);
