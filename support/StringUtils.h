#pragma once
// Text of the two kinds the system uses: wide strings (wchar_t, one code point per unit
// on Linux) for user-visible text and paths, and narrow UTF-8 strings for notification
// names, XML and files.
//
// The conversions are the platform codec's (platform/mfc/TextEncoding.h): UTF-8 input is
// decoded leniently, every ill-formed sequence (a bad lead byte, a missing or wrong
// continuation, a cut-off end, an over-long form, an encoded surrogate, a value above
// U+10FFFF) becoming one U+FFFD per maximal bad subsequence. Wide input holding a UTF-16
// surrogate pair is encoded as the one code point the pair forms; a lone surrogate and a
// unit above U+10FFFF are encoded as U+FFFD.

#include <cstdarg>
#include <cstddef>
#include <string>
#include <string_view>

namespace orbisk::utils {

std::wstring WideFromUtf8(const char* text);  // null gives an empty string
std::wstring WideFromUtf8String(const std::string& text);
std::wstring WideFromUtf8Bytes(const char* bytes, size_t count);

// Replaces the target's contents; a null pointer clears it.
void AssignUtf8(std::wstring& target, const char* bytes, size_t count);
// As above with the text's length, but a null pointer leaves the target unchanged.
void AssignUtf8(std::wstring& target, const char* text);
void AssignUtf8(std::wstring& target, const std::string& text);

std::string ToUtf8(std::wstring_view text);

// Byte-for-byte comparison of the UTF-8 form of `wide` with `utf8` (null counts as "").
bool EqualsUtf8(std::wstring_view wide, const char* utf8);
bool NotEqualsUtf8(std::wstring_view wide, const char* utf8);

// Case mapping is Unicode's (the C.UTF-8 locale's), whatever the process locale.
void ToLowerInPlace(std::wstring& text);

// Compares up to the first null of each; units match when equal or when neither is a
// surrogate and their upper-case forms are equal. At the first mismatch the raw
// (unmapped) units decide: -1 when a's is smaller, else 1; 0 when both end together.
int CompareNoCase(std::wstring_view a, std::wstring_view b);

// White space is tab, line feed, vertical tab, form feed, carriage return and space.
std::wstring& TrimLeft(std::wstring& text);
std::wstring& TrimRight(std::wstring& text);
std::wstring& Trim(std::wstring& text);

// Replaces every occurrence, counting them. Text formed by a replacement together with
// its neighbours is found again ("//" by "/" collapses any run of slashes). An empty
// search replaces nothing; a replacement that holds the search is not searched again.
int ReplaceAll(std::wstring& target, std::wstring_view search, std::wstring_view replacement);

// printf-style formatting under the Windows rules for wide formats ("%s" takes a wide
// string, "%S" and "%hs" a narrow one). A null format leaves the target unchanged.
void FormatV(std::wstring& target, const wchar_t* format, va_list arguments);
void Format(std::wstring& target, const wchar_t* format, ...);
// The format is UTF-8; the arguments follow the wide rules, so "%s" takes a wide string.
void FormatNarrow(std::wstring& target, const char* format, ...);

}  // namespace orbisk::utils
