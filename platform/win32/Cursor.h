#pragma once
// The system's standard cursors. LoadCursor with no module gives one handle per standard id
// for the whole run (never destroyed); the handle carries no pixels, and the window side
// (platform/mfc/IconCursor.h) shows the display's own cursor of that kind.

#include "platform/win32/Icon.h"

enum : int {
    IDC_ARROW = 32512,
    IDC_IBEAM = 32513,
    IDC_WAIT = 32514,
    IDC_CROSS = 32515,
    IDC_UPARROW = 32516,
    IDC_SIZE = 32640,
    IDC_ICON = 32641,
    IDC_SIZENWSE = 32642,
    IDC_SIZENESW = 32643,
    IDC_SIZEWE = 32644,
    IDC_SIZENS = 32645,
    IDC_SIZEALL = 32646,
    IDC_NO = 32648,
    IDC_HAND = 32649,
    IDC_APPSTARTING = 32650,
    IDC_HELP = 32651,
};

// Null for a module (no cursor resources live in modules here) and for an id that is no
// standard cursor.
HCURSOR LoadCursor(HINSTANCE module, int cursorId);
// The standard id of a handle from LoadCursor, 0 for any other handle.
int GetStandardCursorId(HCURSOR cursor);
