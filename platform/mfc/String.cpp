#include "platform/mfc/String.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <vector>

#include "platform/mfc/TextEncoding.h"

namespace {

// A va_list walked by reference: a va_list handed to another function may not be used again.
struct ArgList {
    va_list args;
};

enum class LengthModifier {
    None,
    Char,
    Short,
    Long,
    LongLong,
    LongDouble,
    IntMax,
    Size,
    PtrDiff,
    Int32,
    Wide
};

struct Conversion {
    std::wstring flags;
    int width = -1;
    int precision = -1;
    LengthModifier length = LengthModifier::None;
    wchar_t type = 0;
};

int ParseNumber(const wchar_t*& p)
{
    int value = 0;
    while (*p >= L'0' && *p <= L'9') {
        if (value < 100000)
            value = value * 10 + (*p - L'0');
        ++p;
    }
    return value;
}

LengthModifier ParseLength(const wchar_t*& p)
{
    auto take = [&p](std::wstring_view text) {
        if (std::wstring_view(p).substr(0, text.size()) != text)
            return false;
        p += text.size();
        return true;
    };
    if (take(L"hh"))
        return LengthModifier::Char;
    if (take(L"h"))
        return LengthModifier::Short;
    if (take(L"ll") || take(L"I64") || take(L"q"))
        return LengthModifier::LongLong;
    if (take(L"l"))
        return LengthModifier::Long;
    if (take(L"L"))
        return LengthModifier::LongDouble;
    if (take(L"j"))
        return LengthModifier::IntMax;
    if (take(L"z"))
        return LengthModifier::Size;
    if (take(L"I32"))
        return LengthModifier::Int32;
    if (take(L"t") || take(L"I"))
        return LengthModifier::PtrDiff;
    if (take(L"w"))
        return LengthModifier::Wide;
    return LengthModifier::None;
}

// Parses the conversion after '%'; * widths and precisions are taken from the arguments.
const wchar_t* ParseConversion(const wchar_t* p, ArgList& list, Conversion& c)
{
    while (*p && std::wstring_view(L"-+ #0").find(*p) != std::wstring_view::npos)
        c.flags += *p++;
    if (*p == L'*') {
        ++p;
        c.width = va_arg(list.args, int);
        if (c.width < 0) {
            c.flags += L'-';
            c.width = -c.width;
        }
    } else if (*p >= L'0' && *p <= L'9') {
        c.width = ParseNumber(p);
    }
    if (*p == L'.') {
        ++p;
        if (*p == L'*') {
            ++p;
            c.precision = va_arg(list.args, int);
            if (c.precision < 0)
                c.precision = -1;
        } else {
            c.precision = ParseNumber(p);
        }
    }
    c.length = ParseLength(p);
    c.type = *p;
    return *p ? p + 1 : p;
}

std::wstring CConversionText(const Conversion& c, std::wstring_view lengthAndType)
{
    std::wstring conversion = L"%" + c.flags;
    if (c.width >= 0)
        conversion += std::to_wstring(c.width);
    if (c.precision >= 0)
        conversion += L"." + std::to_wstring(c.precision);
    conversion += lengthAndType;
    return conversion;
}

template <class T>
void AppendPrintf(std::wstring& out, const std::wstring& conversion, T value)
{
    std::vector<wchar_t> buffer(128);
    for (;;) {
        int written = std::swprintf(buffer.data(), buffer.size(), conversion.c_str(), value);
        if (written >= 0) {
            out.append(buffer.data(), static_cast<size_t>(written));
            return;
        }
        if (buffer.size() >= (1u << 24))
            return;
        buffer.resize(buffer.size() * 2);
    }
}

void AppendPadded(std::wstring& out, std::wstring_view text, const Conversion& c)
{
    if (c.precision >= 0 && text.size() > static_cast<size_t>(c.precision))
        text = text.substr(0, static_cast<size_t>(c.precision));
    size_t pad = c.width > 0 && static_cast<size_t>(c.width) > text.size() ? c.width - text.size() : 0;
    bool left = c.flags.find(L'-') != std::wstring::npos;
    if (!left)
        out.append(pad, L' ');
    out += text;
    if (left)
        out.append(pad, L' ');
}

long long SignedArg(ArgList& list, LengthModifier length)
{
    switch (length) {
        case LengthModifier::Char: return static_cast<signed char>(va_arg(list.args, int));
        case LengthModifier::Short: return static_cast<short>(va_arg(list.args, int));
        case LengthModifier::Long: return va_arg(list.args, long);
        case LengthModifier::LongLong: return va_arg(list.args, long long);
        case LengthModifier::IntMax: return va_arg(list.args, std::intmax_t);
        case LengthModifier::Size:
        case LengthModifier::PtrDiff: return va_arg(list.args, std::ptrdiff_t);
        default: return va_arg(list.args, int);
    }
}

unsigned long long UnsignedArg(ArgList& list, LengthModifier length)
{
    switch (length) {
        case LengthModifier::Char: return static_cast<unsigned char>(va_arg(list.args, unsigned));
        case LengthModifier::Short: return static_cast<unsigned short>(va_arg(list.args, unsigned));
        case LengthModifier::Long: return va_arg(list.args, unsigned long);
        case LengthModifier::LongLong: return va_arg(list.args, unsigned long long);
        case LengthModifier::IntMax: return va_arg(list.args, std::uintmax_t);
        case LengthModifier::Size:
        case LengthModifier::PtrDiff: return va_arg(list.args, std::size_t);
        default: return va_arg(list.args, unsigned);
    }
}

// Windows rule: lower-case s and c are wide in a wide format, upper-case narrow; h forces
// narrow and l or w wide.
bool IsNarrow(const Conversion& c)
{
    if (c.length == LengthModifier::Short)
        return true;
    if (c.length == LengthModifier::Long || c.length == LengthModifier::Wide)
        return false;
    return c.type == L'S' || c.type == L'C';
}

void AppendString(std::wstring& out, ArgList& list, const Conversion& c)
{
    if (IsNarrow(c)) {
        const char* text = va_arg(list.args, const char*);
        if (!text)
            return AppendPadded(out, L"(null)", c);
        size_t size = c.precision >= 0 ? strnlen(text, static_cast<size_t>(c.precision)) : strlen(text);
        return AppendPadded(out, AnsiToWide(std::string_view(text, size)), c);
    }
    const wchar_t* text = va_arg(list.args, const wchar_t*);
    if (!text)
        return AppendPadded(out, L"(null)", c);
    size_t size = c.precision >= 0 ? wcsnlen(text, static_cast<size_t>(c.precision)) : wcslen(text);
    AppendPadded(out, std::wstring_view(text, size), c);
}

void AppendCharacter(std::wstring& out, ArgList& list, const Conversion& c)
{
    int value = va_arg(list.args, int);
    wchar_t ch =
        IsNarrow(c) ? AnsiToWideChar(static_cast<unsigned char>(value)) : static_cast<wchar_t>(value);
    Conversion noPrecision = c;
    noPrecision.precision = -1;
    AppendPadded(out, std::wstring_view(&ch, 1), noPrecision);
}

// Formats one conversion; returns false for a type it does not know.
bool AppendConversion(std::wstring& out, ArgList& list, const Conversion& c)
{
    switch (c.type) {
        case L'd':
        case L'i': AppendPrintf(out, CConversionText(c, L"lld"), SignedArg(list, c.length)); return true;
        case L'u':
        case L'o':
        case L'x':
        case L'X':
            AppendPrintf(out, CConversionText(c, std::wstring(L"ll") + c.type), UnsignedArg(list, c.length));
            return true;
        case L'f':
        case L'F':
        case L'e':
        case L'E':
        case L'g':
        case L'G':
        case L'a':
        case L'A':
            if (c.length == LengthModifier::LongDouble)
                AppendPrintf(out, CConversionText(c, std::wstring(L"L") + c.type),
                             va_arg(list.args, long double));
            else
                AppendPrintf(out, CConversionText(c, std::wstring(1, c.type)), va_arg(list.args, double));
            return true;
        case L'p': AppendPrintf(out, CConversionText(c, L"p"), va_arg(list.args, void*)); return true;
        case L's':
        case L'S': AppendString(out, list, c); return true;
        case L'c':
        case L'C': AppendCharacter(out, list, c); return true;
        case L'n': va_arg(list.args, void*); return true;
        default: return false;
    }
}

void AppendFormatted(std::wstring& out, const wchar_t* format, va_list args)
{
    if (!format)
        return;
    ArgList list;
    va_copy(list.args, args);
    const wchar_t* p = format;
    while (*p) {
        if (*p != L'%') {
            const wchar_t* next = wcschr(p, L'%');
            size_t size = next ? static_cast<size_t>(next - p) : wcslen(p);
            out.append(p, size);
            p += size;
            continue;
        }
        if (p[1] == L'%') {
            out += L'%';
            p += 2;
            continue;
        }
        Conversion c;
        const wchar_t* end = ParseConversion(p + 1, list, c);
        if (!AppendConversion(out, list, c))
            out.append(p, static_cast<size_t>(end - p));
        p = end;
    }
    va_end(list.args);
}

}  // namespace

CString::CString(const wchar_t* text) : m_text(Safe(text)) {}

CString::CString(const wchar_t* text, int length)
    : m_text(text && length > 0 ? std::wstring(text, static_cast<size_t>(length)) : std::wstring())
{}

CString::CString(wchar_t ch, int repeat) : m_text(repeat > 0 ? static_cast<size_t>(repeat) : 0, ch) {}

CString::CString(const char* text) : m_text(text ? AnsiToWide(text) : std::wstring()) {}

wchar_t* CString::GetBuffer(int minLength)
{
    if (minLength > 0 && m_text.size() < static_cast<size_t>(minLength))
        m_text.resize(static_cast<size_t>(minLength));
    return m_text.data();
}

void CString::ReleaseBuffer(int newLength)
{
    size_t length = newLength < 0 ? wcsnlen(m_text.data(), m_text.size()) : static_cast<size_t>(newLength);
    m_text.resize(std::min(length, m_text.size()));
}

CString& CString::operator=(const wchar_t* text)
{
    m_text = Safe(text);
    return *this;
}

CString& CString::operator+=(const CString& text)
{
    m_text += text.m_text;
    return *this;
}

CString& CString::operator+=(const wchar_t* text)
{
    m_text += Safe(text);
    return *this;
}

CString& CString::operator+=(wchar_t ch)
{
    m_text += ch;
    return *this;
}

void CString::Format(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void CString::AppendFormat(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    AppendFormatV(format, args);
    va_end(args);
}

void CString::FormatV(const wchar_t* format, va_list args)
{
    std::wstring text;
    AppendFormatted(text, format, args);
    m_text = std::move(text);
}

void CString::AppendFormatV(const wchar_t* format, va_list args)
{
    // Formatted apart first: the format or an argument may point into this string.
    std::wstring text;
    AppendFormatted(text, format, args);
    m_text += text;
}

CString operator+(const CString& a, const CString& b)
{
    CString result(a);
    return result += b;
}

CString operator+(const CString& a, const wchar_t* b)
{
    CString result(a);
    return result += b;
}

CString operator+(const wchar_t* a, const CString& b)
{
    CString result(a);
    return result += b;
}

CString operator+(const CString& a, wchar_t b)
{
    CString result(a);
    return result += b;
}
