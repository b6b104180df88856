#pragma once

// Icons and cursors made of the user interface's bitmaps (CWinBmp). The pixel work is
// CWinBmp's; this turns it into wxWidgets objects, which the caller owns. Cursors keep
// the bitmap's alpha (every X server with the RENDER extension shows it), so the masked
// black-and-white form of very old systems is not needed.

#include "platform/win32/WinTypes.h"

#include <wx/cursor.h>
#include <wx/icon.h>

#include <cstdint>
#include <string>

namespace orbisk::bmputils {

class CWinBmp;

// Transparent where the bitmap's alpha is 0; elsewhere its colours over the background
// (a Windows colour reference). Not IsOk without a bitmap.
wxIcon CreateIcon(const CWinBmp& bitmap, COLORREF background);
// The bitmap's colours and alpha with the hotspot at (hotspotX, hotspotY), from the
// top-left corner. Not IsOk without a bitmap.
wxCursor CreateCursor(const CWinBmp& bitmap, int hotspotX, int hotspotY);

// The image of a file, or of a resource (imageutils::kResourceTypeData for image files),
// over the button face colour; greyed out when not enabled. Not IsOk when it does not load.
wxIcon CreateIconFromFile(const std::wstring& path, bool enabled);
wxIcon CreateIconFromResource(uint32_t id, uint32_t resourceType, bool enabled);
wxCursor CreateCursorFromFile(const std::wstring& path, int hotspotX, int hotspotY);
wxCursor CreateCursorFromResource(uint32_t id, uint32_t resourceType, int hotspotX, int hotspotY);

}  // namespace orbisk::bmputils
