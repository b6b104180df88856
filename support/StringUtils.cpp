#include "support/StringUtils.h"

#include "platform/mfc/String.h"

#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <cstring>

namespace orbisk::utils {

static_assert(sizeof(wchar_t) == 4, "wide strings hold one code point per unit");

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsSurrogate(char32_t unit)
{
    return unit >= 0xD800 && unit <= 0xDFFF;
}
bool IsHighSurrogate(char32_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char32_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// One sequence starting at bytes[i]; advances i past the bytes used. A bad sequence
// uses its lead byte and the continuation bytes that were valid so far.
char32_t DecodeOne(const unsigned char* bytes, size_t count, size_t& i)
{
    const unsigned char lead = bytes[i++];
    if (lead < 0x80)
        return lead;
    int length = 0;
    char32_t value = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;
    } else {
        return kReplacement;
    }
    for (int k = 1; k < length; ++k) {
        if (i >= count || bytes[i] < low || bytes[i] > high)
            return kReplacement;
        value = (value << 6) | (bytes[i++] & 0x3F);
        low = 0x80;
        high = 0xBF;
    }
    return value;
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c > 0x10FFFF)
        c = kReplacement;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The Unicode case tables, independent of the process's LC_CTYPE (which is "C" in the
// program and maps ASCII only). Made once, kept until exit.
locale_t UnicodeCType()
{
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    return locale;
}

wchar_t ToLower(wchar_t c)
{
    const locale_t locale = UnicodeCType();
    return static_cast<wchar_t>(locale ? towlower_l(static_cast<wint_t>(c), locale)
                                       : towlower(static_cast<wint_t>(c)));
}

wchar_t ToUpper(wchar_t c)
{
    const locale_t locale = UnicodeCType();
    return static_cast<wchar_t>(locale ? towupper_l(static_cast<wint_t>(c), locale)
                                       : towupper(static_cast<wint_t>(c)));
}

char32_t Unit(wchar_t c)
{
    return static_cast<char32_t>(c);
}

constexpr std::wstring_view kWhiteSpace = L"\t\n\v\f\r ";

}  // namespace

std::wstring WideFromUtf8(const char* text)
{
    return text ? WideFromUtf8Bytes(text, std::strlen(text)) : std::wstring();
}

std::wstring WideFromUtf8String(const std::string& text)
{
    return WideFromUtf8Bytes(text.data(), text.size());
}

std::wstring WideFromUtf8Bytes(const char* bytes, size_t count)
{
    std::wstring wide;
    AssignUtf8(wide, bytes, count);
    return wide;
}

void AssignUtf8(std::wstring& target, const char* bytes, size_t count)
{
    target.clear();
    if (!bytes)
        return;
    target.reserve(count);
    const auto* data = reinterpret_cast<const unsigned char*>(bytes);
    for (size_t i = 0; i < count;)
        target += static_cast<wchar_t>(DecodeOne(data, count, i));
}

void AssignUtf8(std::wstring& target, const char* text)
{
    if (text)
        AssignUtf8(target, text, std::strlen(text));
}

void AssignUtf8(std::wstring& target, const std::string& text)
{
    AssignUtf8(target, text.data(), text.size());
}

std::string ToUtf8(std::wstring_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = Unit(text[i]);
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(Unit(text[i + 1]))) {
            c = (c - 0xD800) * 0x400 + (Unit(text[i + 1]) - 0xDC00) + 0x10000;
            ++i;
        }
        AppendUtf8(out, c);
    }
    return out;
}

bool EqualsUtf8(std::wstring_view wide, const char* utf8)
{
    return ToUtf8(wide) == std::string_view(utf8 ? utf8 : "");
}

bool NotEqualsUtf8(std::wstring_view wide, const char* utf8)
{
    return !EqualsUtf8(wide, utf8);
}

void ToLowerInPlace(std::wstring& text)
{
    for (wchar_t& c : text)
        if (!IsSurrogate(Unit(c)))
            c = ToLower(c);
}

int CompareNoCase(std::wstring_view a, std::wstring_view b)
{
    for (size_t i = 0;; ++i) {
        const wchar_t ca = i < a.size() ? a[i] : L'\0';
        const wchar_t cb = i < b.size() ? b[i] : L'\0';
        if (ca == L'\0' && cb == L'\0')
            return 0;
        const bool match =
            ca == cb || (!IsSurrogate(Unit(ca)) && !IsSurrogate(Unit(cb)) && ToUpper(ca) == ToUpper(cb));
        if (!match)
            return Unit(ca) < Unit(cb) ? -1 : 1;
    }
}

std::wstring& TrimLeft(std::wstring& text)
{
    text.erase(0, std::min(text.find_first_not_of(kWhiteSpace), text.size()));
    return text;
}

std::wstring& TrimRight(std::wstring& text)
{
    const size_t last = text.find_last_not_of(kWhiteSpace);
    text.erase(last == std::wstring::npos ? 0 : last + 1);
    return text;
}

std::wstring& Trim(std::wstring& text)
{
    return TrimLeft(TrimRight(text));
}

int ReplaceAll(std::wstring& target, std::wstring_view search, std::wstring_view replacement)
{
    if (search.empty() || search == replacement)
        return 0;
    // Searching again from the start finds nothing new before the last replacement's
    // reach, so the search resumes where a new occurrence could first begin.
    const bool rescans = replacement.find(search) == std::wstring_view::npos;
    int count = 0;
    size_t from = 0;
    for (size_t at; (at = target.find(search, from)) != std::wstring::npos; ++count) {
        target.replace(at, search.size(), replacement);
        from = rescans ? (at >= search.size() - 1 ? at - (search.size() - 1) : 0) : at + replacement.size();
    }
    return count;
}

void FormatV(std::wstring& target, const wchar_t* format, va_list arguments)
{
    if (!format)
        return;
    CString text;
    text.FormatV(format, arguments);
    target = text.GetString();
}

void Format(std::wstring& target, const wchar_t* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    FormatV(target, format, arguments);
    va_end(arguments);
}

void FormatNarrow(std::wstring& target, const char* format, ...)
{
    if (!format)
        return;
    const std::wstring wide = WideFromUtf8(format);
    va_list arguments;
    va_start(arguments, format);
    FormatV(target, wide.c_str(), arguments);
    va_end(arguments);
}

}  // namespace orbisk::utils
