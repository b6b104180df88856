// The codec between wide text and UTF-8 or UTF-16: one rule for surrogates and bad input
// whichever way the text goes.

#include <string>
#include <string_view>
#include <type_traits>

#include <gtest/gtest.h>

#include "platform/mfc/TextEncoding.h"

namespace {

enum class Direction { Utf16ToWide, WideToUtf16, Utf8ToWide, WideToUtf8 };

// Every form as 32-bit values (UTF-16 units, wide characters or UTF-8 bytes), so that one
// table holds all four directions.
template <typename Text>
std::u32string Values(const Text& text)
{
    std::u32string values;
    for (const auto c : text)
        values += static_cast<char32_t>(static_cast<std::make_unsigned_t<decltype(c)>>(c));
    return values;
}

template <typename Text>
Text As(std::u32string_view values)
{
    Text text;
    for (const char32_t value : values)
        text += static_cast<typename Text::value_type>(value);
    return text;
}

std::u32string Convert(Direction direction, std::u32string_view in)
{
    switch (direction) {
        case Direction::Utf16ToWide: return Values(Utf16ToWide(As<std::u16string>(in)));
        case Direction::WideToUtf16: return Values(WideToUtf16(As<std::wstring>(in)));
        case Direction::Utf8ToWide: return Values(Utf8ToWide(As<std::string>(in)));
        case Direction::WideToUtf8: return Values(WideToUtf8(As<std::wstring>(in)));
    }
    return {};
}

TEST(TextEncoding, PairsAreOneCharacterAndEverythingElseBadIsTheReplacementCharacter)
{
    struct Case {
        const char* what;
        Direction direction;
        std::u32string in;
        std::u32string out;
    };
    using enum Direction;
    const Case cases[] = {
        {"a pair", Utf16ToWide, U"a\xD83D\xDE00", U"a\U0001F600"},
        {"a lone high surrogate", Utf16ToWide, U"\xD800x", U"\xFFFDx"},
        {"a lone low surrogate", Utf16ToWide, U"\xDC00", U"\xFFFD"},
        {"a high surrogate at the end", Utf16ToWide, U"a\xD800", U"a\xFFFD"},
        {"low before high", Utf16ToWide, U"\xDE00\xD83D", U"\xFFFD\xFFFD"},
        {"two highs, then a low", Utf16ToWide, U"\xD800\xD83D\xDE00", U"\xFFFD\U0001F600"},

        {"a character above FFFF", WideToUtf16, U"\U0001F600", U"\xD83D\xDE00"},
        {"a pair held in wide text", WideToUtf16, U"\xD83D\xDE00", U"\xD83D\xDE00"},
        {"a lone high surrogate", WideToUtf16, U"\xD800x", U"\xFFFDx"},
        {"a lone low surrogate", WideToUtf16, U"\xDC00", U"\xFFFD"},
        {"above 10FFFF", WideToUtf16, U"\x110000", U"\xFFFD"},

        {"every length", Utf8ToWide, U"a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", U"a\u00E9\u20AC\U0001F600"},
        {"an encoded surrogate", Utf8ToWide, U"\xED\xA0\x80", U"\xFFFD\xFFFD\xFFFD"},
        {"an encoded pair", Utf8ToWide, U"\xED\xA0\xBD\xED\xB8\x80", std::u32string(6, 0xFFFD)},
        {"above 10FFFF", Utf8ToWide, U"\xF4\x90\x80\x80", U"\xFFFD\xFFFD\xFFFD\xFFFD"},
        {"an over-long slash", Utf8ToWide, U"\xC0\xAFz", U"\xFFFD\xFFFDz"},
        {"a stray continuation byte", Utf8ToWide, U"a\x80z", U"a\xFFFDz"},
        {"a five-byte lead", Utf8ToWide, U"\xFC\x80\x80\x80z", U"\xFFFD\xFFFD\xFFFD\xFFFDz"},
        {"cut short by a wrong byte", Utf8ToWide, U"\xE2\x82z", U"\xFFFDz"},
        {"cut short at the end", Utf8ToWide, U"ab\xE2\x82", U"ab\xFFFD"},

        {"a character above FFFF", WideToUtf8, U"\U0001F600", U"\xF0\x9F\x98\x80"},
        {"a pair held in wide text", WideToUtf8, U"\xD83D\xDE00", U"\xF0\x9F\x98\x80"},
        {"a lone high surrogate", WideToUtf8, U"\xD800", U"\xEF\xBF\xBD"},
        {"a lone low surrogate", WideToUtf8,
         U"\xDC00"
         U"b",
         U"\xEF\xBF\xBD"
         U"b"},
        {"above 10FFFF", WideToUtf8, U"\x110000", U"\xEF\xBF\xBD"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.what << " (direction " << static_cast<int>(c.direction) << ")");
        EXPECT_EQ(Convert(c.direction, c.in), c.out);
    }
}

}  // namespace
