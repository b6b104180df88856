#pragma once
// CString: the framework's text value, a thin wrapper over std::wstring. Characters are wchar_t
// (UTF-32 on Linux); UTF-16 exists only in archive records. Narrow text given to it converts
// through the system code page (Windows-1252, platform/mfc/TextEncoding.h).
//
// Format follows the Windows rules of wide formats, not the C library's:
//   %s %ls %ws  a wide string       %S %hs  a narrow string
//   %c %lc %wc  a wide character    %C %hc  a narrow character
//   %I64d %I64u %I64x ...  64-bit integers; %I32d 32-bit; %Id size_t-sized
// A null string prints as "(null)"; %n prints nothing. Numbers use the C library's rules.
// A CString cannot be passed through "..." itself: pass GetString().

#include <compare>
#include <cstdarg>
#include <string>
#include <string_view>

class CString {
public:
    CString() = default;
    CString(const wchar_t* text);
    CString(const wchar_t* text, int length);
    CString(wchar_t ch, int repeat = 1);
    CString(const char* text);
    explicit CString(std::wstring_view text) : m_text(text) {}

    int GetLength() const { return static_cast<int>(m_text.size()); }
    bool IsEmpty() const { return m_text.empty(); }
    void Empty() { m_text.clear(); }
    const wchar_t* GetString() const { return m_text.c_str(); }
    operator const wchar_t*() const { return m_text.c_str(); }
    wchar_t GetAt(int index) const { return m_text.at(static_cast<size_t>(index)); }

    // Room for at least minLength characters; ReleaseBuffer sets the length (-1: up to the first
    // 0).
    wchar_t* GetBuffer(int minLength);
    void ReleaseBuffer(int newLength = -1);

    CString& operator=(const wchar_t* text);
    CString& operator+=(const CString& text);
    CString& operator+=(const wchar_t* text);
    CString& operator+=(wchar_t ch);

    void Format(const wchar_t* format, ...);
    void AppendFormat(const wchar_t* format, ...);
    void FormatV(const wchar_t* format, va_list args);
    void AppendFormatV(const wchar_t* format, va_list args);

    friend CString operator+(const CString& a, const CString& b);
    friend CString operator+(const CString& a, const wchar_t* b);
    friend CString operator+(const wchar_t* a, const CString& b);
    friend CString operator+(const CString& a, wchar_t b);

    // Code-unit order, case-sensitive.
    friend bool operator==(const CString& a, const CString& b) { return a.m_text == b.m_text; }
    friend bool operator==(const CString& a, const wchar_t* b) { return a.m_text == Safe(b); }
    friend std::strong_ordering operator<=>(const CString& a, const CString& b)
    {
        return a.m_text <=> b.m_text;
    }
    friend std::strong_ordering operator<=>(const CString& a, const wchar_t* b)
    {
        return std::wstring_view(a.m_text) <=> Safe(b);
    }

private:
    static std::wstring_view Safe(const wchar_t* text)
    {
        return text ? std::wstring_view(text) : std::wstring_view();
    }

    std::wstring m_text;
};
