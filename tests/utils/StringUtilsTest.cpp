#include "support/StringUtils.h"

#include <gtest/gtest.h>

#include <string>

namespace orbisk::utils {
namespace {

std::string Bytes(std::initializer_list<unsigned char> bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

TEST(Utf8Encoding, WideTextBecomesStandardUtf8)
{
    struct Case {
        std::wstring wide;
        std::string utf8;
    };
    const Case cases[] = {
        {L"abc", "abc"},
        {std::wstring{0xE9}, Bytes({0xC3, 0xA9})},
        {std::wstring{0x20AC}, Bytes({0xE2, 0x82, 0xAC})},
        {std::wstring{0x1F600}, Bytes({0xF0, 0x9F, 0x98, 0x80})},
        // A UTF-16 surrogate pair held in wide text is one code point.
        {std::wstring{0xD83D, 0xDE00}, Bytes({0xF0, 0x9F, 0x98, 0x80})},
        // A lone surrogate and a unit beyond Unicode: the replacement character.
        {std::wstring{L'a', 0xD800}, Bytes({'a', 0xEF, 0xBF, 0xBD})},
        {std::wstring{0xDC00, L'b'}, Bytes({0xEF, 0xBF, 0xBD, 'b'})},
        {std::wstring{static_cast<wchar_t>(0x110000)}, Bytes({0xEF, 0xBF, 0xBD})},
        {L"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ToUtf8(c.wide), c.utf8);
}

TEST(Utf8Decoding, WellFormedAndIllFormedInput)
{
    constexpr wchar_t R = 0xFFFD;
    struct Case {
        const char* what;
        std::string utf8;
        std::wstring wide;
    };
    const Case cases[] = {
        {"ASCII", "plain", L"plain"},
        {"two bytes", Bytes({0xC3, 0xA9}), std::wstring{0xE9}},
        {"four bytes", Bytes({0xF0, 0x9F, 0x98, 0x80}), std::wstring{0x1F600}},
        {"encoded surrogate", Bytes({0xED, 0xA0, 0x80}), std::wstring{R, R, R}},
        {"over-long lead byte", Bytes({0xC0, 0x80}), std::wstring{R, R}},
        {"above U+10FFFF", Bytes({0xF4, 0x90, 0x80, 0x80}), std::wstring{R, R, R, R}},
        {"over-long three-byte form", Bytes({0xE0, 0x80, 0x80}), std::wstring{R, R, R}},
        {"five-byte lead", Bytes({0xF8, 0x88, 0x80, 0x80, 0x80}), std::wstring(5, R)},
        {"stray continuation", Bytes({'a', 0x80, 'b'}), std::wstring{L'a', R, L'b'}},
        {"cut off at the end", Bytes({'a', 0xE2, 0x82}), std::wstring{L'a', R}},
        {"wrong continuation", Bytes({0xE2, 'x', 0xAC}), std::wstring{R, L'x', R}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(WideFromUtf8String(c.utf8), c.wide);
        EXPECT_EQ(WideFromUtf8Bytes(c.utf8.data(), c.utf8.size()), c.wide);
    }
}

TEST(Utf8Decoding, NullAndLengthRules)
{
    EXPECT_EQ(WideFromUtf8(nullptr), L"");
    EXPECT_EQ(WideFromUtf8("x\xC3\xA9"), std::wstring({L'x', 0xE9}));
    // Only the given bytes are read, embedded nulls included.
    EXPECT_EQ(WideFromUtf8Bytes("ab\0cd", 4), std::wstring(L"ab\0c", 4));

    std::wstring target = L"old";
    AssignUtf8(target, nullptr, 5);
    EXPECT_EQ(target, L"");
    target = L"old";
    AssignUtf8(target, static_cast<const char*>(nullptr));
    EXPECT_EQ(target, L"old");
    AssignUtf8(target, std::string("new"));
    EXPECT_EQ(target, L"new");
}

TEST(Utf8Comparison, ComparesTheUtf8FormByteForByte)
{
    EXPECT_TRUE(EqualsUtf8(std::wstring{L'x', 0xE9}, "x\xC3\xA9"));
    EXPECT_FALSE(EqualsUtf8(L"X", "x"));
    EXPECT_TRUE(NotEqualsUtf8(L"ab", "abc"));
    EXPECT_TRUE(EqualsUtf8(L"", nullptr));
}

TEST(CaseMapping, LowerCaseCoversUnicodeButNotSurrogates)
{
    std::wstring text{L'A', 0xC9, 0x391, 0xD800, L'z'};
    ToLowerInPlace(text);
    EXPECT_EQ(text, (std::wstring{L'a', 0xE9, 0x3B1, 0xD800, L'z'}));
}

TEST(CaseMapping, CompareNoCase)
{
    struct Case {
        std::wstring a, b;
        int expected;
    };
    const Case cases[] = {
        {L"abc", L"ABC", 0},
        {L"a", L"B", 1},  // raw 0x61 is above 0x42
        {L"B", L"a", -1},
        {L"ab", L"abc", -1},
        {L"abc", L"ab", 1},
        {L"", L"", 0},
        {std::wstring{0xC9}, std::wstring{0xE9}, 0},
        {std::wstring(L"ab\0x", 4), L"AB", 0},  // stops at the terminating null
        {std::wstring{0xD800}, std::wstring{0xDC00}, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CompareNoCase(c.a, c.b), c.expected);
}

TEST(Trimming, RemovesOnlyTheSixWhiteSpaceCharacters)
{
    std::wstring text = L"\t\n\v\f\r x y \r\n";
    EXPECT_EQ(TrimLeft(text), L"x y \r\n");
    EXPECT_EQ(TrimRight(text), L"x y");
    std::wstring nbsp{0xA0, L'x', L' '};
    EXPECT_EQ(Trim(nbsp), std::wstring({0xA0, L'x'}));
    std::wstring blank = L" \t ";
    EXPECT_EQ(Trim(blank), L"");
}

TEST(Replacing, ReplaceAll)
{
    struct Case {
        std::wstring text, search, replacement, expected;
        int count;
    };
    const Case cases[] = {
        {L"a\\b\\c", L"\\", L"/", L"a/b/c", 2},
        {L"a///b", L"//", L"/", L"a/b", 2},
        {L"x////", L"//", L"/", L"x/", 3},
        {L"same", L"s", L"s", L"same", 0},
        {L"none", L"z", L"y", L"none", 0},
        {L"abab", L"ab", L"b", L"bb", 2},
        // A replacement that holds the search text is not searched again.
        {L"aXa", L"a", L"aa", L"aaXaa", 2},
        {L"text", L"", L"x", L"text", 0},
    };
    for (const Case& c : cases) {
        std::wstring text = c.text;
        EXPECT_EQ(ReplaceAll(text, c.search, c.replacement), c.count) << c.expected;
        EXPECT_EQ(text, c.expected);
    }
}

TEST(Formatting, FollowsTheWindowsRulesOfWideFormats)
{
    std::wstring text;
    Format(text, L"%s|%S|%hs|%ls|%c|%d|%5.2f", L"wide", "narrow", "h", L"l", L'w', -3, 1.5);
    EXPECT_EQ(text, L"wide|narrow|h|l|w|-3| 1.50");
    Format(text, L"%I64d %x %%", static_cast<long long>(1) << 40, 255u);
    EXPECT_EQ(text, L"1099511627776 ff %");
    Format(text, L"%s", std::wstring(5000, L'x').c_str());
    EXPECT_EQ(text.size(), 5000u);
}

TEST(Formatting, NullFormatLeavesTheTargetAlone)
{
    std::wstring text = L"kept";
    Format(text, nullptr);
    FormatNarrow(text, nullptr);
    EXPECT_EQ(text, L"kept");
}

TEST(Formatting, NarrowFormatTakesWideArguments)
{
    std::wstring text;
    FormatNarrow(text, "\xC3\xA9 %s %d", L"wide", 7);
    EXPECT_EQ(text, (std::wstring{0xE9} + L" wide 7"));
}

}  // namespace
}  // namespace orbisk::utils
