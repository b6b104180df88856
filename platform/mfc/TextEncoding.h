#pragma once
// Narrow text of the framework layer: the system code page of 8-bit archive strings and of
// narrow names is Windows-1252 on every machine. Bytes 00-7F and A0-FF are the code points of
// the same value; 80-9F go through a table, and the five bytes that 1252 leaves undefined
// (81, 8D, 8F, 90, 9D) become the C1 controls of the same value, so every byte converts.
// UTF-8 is only for the operating system's file names and for diagnostics.

#include <array>
#include <string>
#include <string_view>

namespace textencoding_detail {
inline constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
}

inline wchar_t AnsiToWideChar(unsigned char c)
{
    if (c >= 0x80 && c < 0xA0)
        return static_cast<wchar_t>(textencoding_detail::kCp1252High[c - 0x80]);
    return static_cast<wchar_t>(c);
}

std::wstring AnsiToWide(std::string_view text);

// '?' for a character that code page 1252 cannot hold.
char WideCharToAnsi(wchar_t c);
std::string WideToAnsi(std::wstring_view text);

// Characters that are no Unicode scalar value (surrogates, above 10FFFF) become U+FFFD.
std::string WideToUtf8(std::wstring_view text);
// Each byte that starts no valid sequence (a stray continuation, an overlong form, a
// surrogate, beyond 10FFFF, cut short) becomes U+FFFD, and decoding goes on after it.
std::wstring Utf8ToWide(std::string_view text);
