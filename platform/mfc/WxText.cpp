#include "platform/mfc/WxText.h"

#include "platform/mfc/TextEncoding.h"

wxString ToWxString(std::wstring_view text)
{
    const std::string utf8 = WideToUtf8(text);
    return wxString::FromUTF8(utf8.data(), utf8.size());
}

std::wstring FromWxString(const wxString& text)
{
    // Not utf8_str(): wx writes a lone surrogate as three bytes (three U+FFFD once decoded) and
    // asserts on a value above 10FFFF. The wide units go through the codec instead.
    const std::wstring units = text.ToStdWstring();
    return Utf8ToWide(WideToUtf8(units));
}
