// CString: values, Windows-style wide formatting, and the code page of narrow text.

#include <climits>
#include <string>

#include <gtest/gtest.h>

#include "platform/mfc/String.h"
#include "platform/mfc/TextEncoding.h"

namespace {

CString Formatted(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    CString text;
    text.FormatV(format, args);
    va_end(args);
    return text;
}

struct FormatCase {
    CString actual;
    const wchar_t* expected;
};

TEST(StringFormat, WideFormatsFollowTheWindowsRules)
{
    const wchar_t* nullWide = nullptr;
    const FormatCase cases[] = {
        {Formatted(L"%s (%d)", L"CFace", 12), L"CFace (12)"},
        {Formatted(L"{%d.%d.%d}", 8, 0, 3669), L"{8.0.3669}"},
        {Formatted(L"%ls|%ws", L"wide", L"too"), L"wide|too"},
        {Formatted(L"%S|%hs", "narrow", "\x80uro"), L"narrow|\u20ACuro"},
        {Formatted(L"%c%C%hc%lc", L'\u00E9', 'a', '\x9F', L'z'), L"\u00E9a\u0178z"},
        {Formatted(L"[%-6s][%6s][%.2s][%*s]", L"ab", L"ab", L"abc", 3, L"x"), L"[ab    ][    ab][ab][  x]"},
        {Formatted(L"%s", nullWide), L"(null)"},
        {Formatted(L"%5d|%-5d|%05d|%+d", 42, 42, 42, 42), L"   42|42   |00042|+42"},
        {Formatted(L"%u %x %X %o", 4000000000u, 255u, 255u, 8u), L"4000000000 ff FF 10"},
        {Formatted(L"%I64d %I64u %lld", INT64_MIN, UINT64_MAX, 5LL),
         L"-9223372036854775808 18446744073709551615 5"},
        {Formatted(L"%I32d %hd %hhd", -7, 70000, 300), L"-7 4464 44"},
        {Formatted(L"%.2lf %.3f %e %g", 3.14159, 2.0, 1500.0, 0.5), L"3.14 2.000 1.500000e+03 0.5"},
        {Formatted(L"100%% %"), L"100% %"},
        {Formatted(L"%k%d", 3), L"%k3"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.actual, c.expected);
}

TEST(StringFormat, LongResultsAreNotCutShort)
{
    std::wstring long_text(10000, L'q');
    CString text = Formatted(L"<%s>", long_text.c_str());
    EXPECT_EQ(text.GetLength(), 10002);
    EXPECT_EQ(Formatted(L"%600d", 1).GetLength(), 600);
}

TEST(StringFormat, AppendFormatMayReadItsOwnText)
{
    CString text = L"ab";
    text.AppendFormat(L"%s", text.GetString());
    EXPECT_EQ(text, L"abab");
    text.Format(L"[%s]", text.GetString());
    EXPECT_EQ(text, L"[abab]");
}

TEST(String, NarrowTextConvertsThroughCodePage1252)
{
    EXPECT_EQ(CString("plain"), L"plain");
    EXPECT_EQ(CString("\x80\x8D\x9F\xA0\xFF"), L"\u20AC\u008D\u0178\u00A0\u00FF");
    for (int byte = 0; byte < 256; ++byte) {
        char c = static_cast<char>(byte);
        EXPECT_EQ(WideCharToAnsi(AnsiToWideChar(static_cast<unsigned char>(c))), c) << byte;
    }
    EXPECT_EQ(WideCharToAnsi(L'\u4E2D'), '?');
    EXPECT_EQ(WideToAnsi(L"\u20ACuro \u4E2D"), "\x80uro ?");
}

TEST(String, ValuesCompareByCodeUnitsAndConcatenate)
{
    CString a = L"abc";
    CString b(L"abd", 3);
    EXPECT_LT(a, b);
    EXPECT_EQ(a + L"d", L"abcd");
    EXPECT_EQ(L">" + a + L'<', L">abc<");
    EXPECT_NE(a, CString(L"ABC"));
    EXPECT_EQ(CString(L'-', 3), L"---");
    EXPECT_EQ(CString(static_cast<const wchar_t*>(nullptr)), L"");
    EXPECT_TRUE(CString().IsEmpty());
}

TEST(String, BuffersSetTheLengthOnRelease)
{
    CString text;
    wchar_t* buffer = text.GetBuffer(10);
    wcscpy(buffer, L"four");
    text.ReleaseBuffer();
    EXPECT_EQ(text, L"four");
    text.GetBuffer(10);
    text.ReleaseBuffer(2);
    EXPECT_EQ(text, L"fo");
}

}  // namespace
