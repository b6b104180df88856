#pragma once
// Program text to and from wxWidgets strings. wxString's own wide conversions copy a lone
// surrogate through, and GTK then receives it as invalid UTF-8; going through the program's
// codec gives the window side the same characters every other boundary sees (a surrogate
// pair is one character, a lone surrogate or a value above 10FFFF is U+FFFD).

#include <string>
#include <string_view>

#include <wx/string.h>

wxString ToWxString(std::wstring_view text);
// A string that wx itself filled from wide text may still hold lone surrogates; they come back
// as U+FFFD too.
std::wstring FromWxString(const wxString& text);
