#pragma once
// The program's one codec between wide text (wchar_t, one code point per unit) and the
// encodings at its boundaries.
//
// Narrow text of the framework layer: the system code page of 8-bit archive strings and of
// narrow names is Windows-1252 on every machine. Bytes 00-7F and A0-FF are the code points of
// the same value; 80-9F go through a table, and the five bytes that 1252 leaves undefined
// (81, 8D, 8F, 90, 9D) become the C1 controls of the same value, so every byte converts.
//
// Unicode text (UTF-8 for file names, XML and text files; UTF-16 for archive strings,
// UTF-16 files and Xerces) follows one rule in every direction:
// - a high surrogate followed by a low surrogate is one character, whether the two come as
//   UTF-16 units or sit in two wide characters;
// - any other surrogate, and any value above 10FFFF, becomes U+FFFD;
// - in UTF-8, each maximal ill-formed subsequence becomes one U+FFFD: a byte that leads no
//   sequence, a stray continuation byte, a lead byte with the continuations that were right
//   so far (cut short by a wrong byte or the end). Over-long forms, encoded surrogates and
//   values above 10FFFF are ill-formed from their second byte, so each byte becomes U+FFFD.
// Decoding goes on after a replacement; a caller that stops at bad input asks
// DecodeUtf8Character.

#include <array>
#include <cstddef>
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

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

constexpr bool IsHighSurrogate(char32_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}
constexpr bool IsLowSurrogate(char32_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}
constexpr bool IsSurrogate(char32_t unit)
{
    return unit >= 0xD800 && unit <= 0xDFFF;
}

// The bytes of the sequence this byte leads (1 to 4), 0 for a byte that leads none.
size_t Utf8SequenceLength(unsigned char lead);

struct DecodedCharacter {
    char32_t value;  // U+FFFD when not valid
    size_t length;   // units used, at least 1
    bool valid;
};
// The character at the front of non-empty input.
DecodedCharacter DecodeUtf8Character(std::string_view bytes);
DecodedCharacter DecodeUtf16Character(std::u16string_view units);

std::string WideToUtf8(std::wstring_view text);
std::wstring Utf8ToWide(std::string_view text);
std::u16string WideToUtf16(std::wstring_view text);
std::wstring Utf16ToWide(std::u16string_view units);
