#include "support/StringUtils.h"

#include "platform/mfc/String.h"
#include "platform/mfc/TextEncoding.h"

#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <cstring>

namespace orbisk::utils {

static_assert(sizeof(wchar_t) == 4, "wide strings hold one code point per unit");

namespace {

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
    target = bytes ? Utf8ToWide(std::string_view(bytes, count)) : std::wstring();
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
    return WideToUtf8(text);
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
