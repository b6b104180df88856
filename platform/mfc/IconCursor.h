#pragma once
// Icon and cursor handles (platform/win32/Icon.h) as wxWidgets icons and cursors, which
// keep the handle's alpha (every X server with the RENDER extension shows it). The
// handle stays the caller's.

#include "platform/win32/Icon.h"

#include <wx/cursor.h>
#include <wx/icon.h>

// Not IsOk for a null handle.
wxIcon ToWxIcon(HICON icon);
// With the handle's hot spot. Not IsOk for a null handle.
wxCursor ToWxCursor(HCURSOR cursor);
