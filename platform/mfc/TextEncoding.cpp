#include "platform/mfc/TextEncoding.h"

std::wstring AnsiToWide(std::string_view text)
{
    std::wstring wide(text.size(), L'\0');
    for (size_t i = 0; i < text.size(); ++i)
        wide[i] = AnsiToWideChar(static_cast<unsigned char>(text[i]));
    return wide;
}

char WideCharToAnsi(wchar_t c)
{
    if (c >= 0 && (c < 0x80 || (c >= 0xA0 && c <= 0xFF)))
        return static_cast<char>(c);
    const auto& table = textencoding_detail::kCp1252High;
    for (size_t i = 0; i < table.size(); ++i) {
        if (static_cast<wchar_t>(table[i]) == c)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

std::string WideToAnsi(std::wstring_view text)
{
    std::string narrow(text.size(), '\0');
    for (size_t i = 0; i < text.size(); ++i)
        narrow[i] = WideCharToAnsi(text[i]);
    return narrow;
}

std::string WideToUtf8(std::wstring_view text)
{
    std::string utf8;
    utf8.reserve(text.size());
    for (wchar_t wc : text) {
        auto c = static_cast<char32_t>(wc);
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            c = 0xFFFD;
        if (c < 0x80) {
            utf8 += static_cast<char>(c);
        } else if (c < 0x800) {
            utf8 += static_cast<char>(0xC0 | (c >> 6));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            utf8 += static_cast<char>(0xE0 | (c >> 12));
            utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            utf8 += static_cast<char>(0xF0 | (c >> 18));
            utf8 += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return utf8;
}

std::wstring Utf8ToWide(std::string_view text)
{
    std::wstring wide;
    wide.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            wide += static_cast<wchar_t>(lead);
            ++i;
            continue;
        }
        // The sequence's length and the smallest code point it may carry.
        const size_t length = lead >= 0xF8 ? 0 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
        const char32_t smallest = length == 4 ? 0x10000 : length == 3 ? 0x800 : 0x80;
        char32_t c = length == 4 ? lead & 0x07 : length == 3 ? lead & 0x0F : lead & 0x1F;
        bool valid = length != 0 && i + length <= text.size();
        for (size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            c = c << 6 | (next & 0x3F);
        }
        valid = valid && c >= smallest && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
        wide += valid ? static_cast<wchar_t>(c) : L'\xFFFD';
        i += valid ? length : 1;
    }
    return wide;
}
