#pragma once
// AfxMessageBox: the one way code below the windows tells the user something. The application
// installs a hook that shows a real message box; tests install one that records the text, so
// that no modal dialog ever waits in a test. Without a hook the text goes to standard error and
// the answer is IDOK.

#include <functional>

#include "platform/mfc/String.h"

enum : unsigned {
    MB_OK = 0x0000,
    MB_OKCANCEL = 0x0001,
    MB_YESNO = 0x0004,
    MB_ICONEXCLAMATION = 0x0030,
    MB_ICONINFORMATION = 0x0040,
};

enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

using MessageBoxHook = std::function<int(const CString& text, unsigned type)>;

int AfxMessageBox(const CString& text, unsigned type = MB_OK);
// Returns the hook installed before.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);
bool HasMessageBoxHook();
