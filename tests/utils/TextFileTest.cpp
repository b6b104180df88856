#include "support/TextFile.h"

#include "support/KeyValueTable.h"
#include "support/StringTable.h"

#include "tests/utils/LocalizationTestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace orbisk::utils {
namespace {

using testing::Utf16WithSignature;
using testing::Utf8WithSignature;
using testing::WriteBytes;

std::vector<std::wstring> ReadAll(CTextFile& file)
{
    std::vector<std::wstring> lines;
    CString line;
    while (file.ReadLine(line))
        lines.emplace_back(line.GetString(), line.GetLength());
    return lines;
}

TEST(DecodeUtf8Line, DecodesUpToTheFirstIllFormedSequence)
{
    struct Case {
        const char* bytes;
        std::wstring text;
        bool success;
    };
    const Case cases[] = {
        {"plain", L"plain", true},
        {"caf\xC3\xA9 \xE2\x82\xAC", L"caf\u00E9 \u20AC", true},
        {"\xF0\x9F\x98\x80!", L"\U0001F600!", true},
        {"ab\x80"
         "cd",
         L"ab", false},  // a continuation byte without a lead byte
        {"a\xC3"
         "A",
         L"a", false},                           // a lead byte without its continuation
        {"a\xE2\x82", L"a", false},              // cut off by the end of the line
        {"x\xF8\x80\x80\x80\x80", L"x", false},  // no UTF-8 lead byte
        {"a\xC1\x81", L"a", false},              // an over-long form
        {"a\xED\xA0\x80", L"a", false},          // an encoded surrogate
        {"a\xF4\x90\x80\x80", L"a", false},      // beyond 10FFFF
        {"", L"", true},
    };
    for (const Case& c : cases) {
        wchar_t buffer[32];
        bool success = !c.success;
        const size_t length = DecodeUtf8Line(c.bytes, buffer, std::size(buffer), success);
        EXPECT_EQ(std::wstring(buffer, length), c.text) << c.bytes;
        EXPECT_EQ(buffer[length], L'\0');
        EXPECT_EQ(success, c.success) << c.bytes;
    }
}

TEST(DecodeUtf8Line, NeverWritesBeyondTheCapacity)
{
    wchar_t buffer[4] = {L'#', L'#', L'#', L'#'};
    bool success = false;
    EXPECT_EQ(DecodeUtf8Line("abcdef", buffer, 3, success), 2u);
    EXPECT_EQ(std::wstring(buffer), L"ab");
    EXPECT_EQ(buffer[3], L'#');
}

TEST(TextFile, EveryEncodingReadsTheSameLines)
{
    TempFolder temp;
    const std::wstring text = L"first\nzweite \u00E9 \u20AC\nlast";
    struct Case {
        const char* name;
        std::string bytes;
        CTextFile::Encoding encoding;
        bool signature;
        bool bigEndian;
    };
    const Case cases[] = {
        {"ansi.txt", "first\r\nzweite \xE9 \x80\r\nlast", CTextFile::kAnsi, false, false},
        {"utf8.txt", Utf8WithSignature("first\nzweite \xC3\xA9 \xE2\x82\xAC\nlast"), CTextFile::kUtf8, true,
         false},
        {"utf16le.txt", Utf16WithSignature(text, false), CTextFile::kUtf16, true, false},
        {"utf16be.txt", Utf16WithSignature(text, true), CTextFile::kUtf16, true, true},
    };
    for (const Case& c : cases) {
        WriteBytes(temp.Path() / c.name, c.bytes);
        CTextFile file;
        ASSERT_TRUE(file.Open((temp.Path() / c.name).wstring())) << c.name;
        EXPECT_EQ(file.GetEncoding(), c.encoding) << c.name;
        EXPECT_EQ(file.HasSignature(), c.signature) << c.name;
        EXPECT_EQ(file.IsBigEndian(), c.bigEndian) << c.name;
        EXPECT_EQ(ReadAll(file), (std::vector<std::wstring>{L"first\n", L"zweite \u00E9 \u20AC\n", L"last"}))
            << c.name;
    }
}

TEST(TextFile, BinaryEncodingsKeepTheCarriageReturn)
{
    TempFolder temp;
    WriteBytes(temp.Path() / "utf8.txt", Utf8WithSignature("a\r\nb"));
    CTextFile file;
    ASSERT_TRUE(file.Open((temp.Path() / "utf8.txt").wstring()));
    EXPECT_EQ(ReadAll(file), (std::vector<std::wstring>{L"a\r\n", L"b"}));
}

TEST(TextFile, Utf16LineSeparatorEndsALineAsLineFeed)
{
    TempFolder temp;
    WriteBytes(temp.Path() / "sep.txt", Utf16WithSignature(L"one\u2028two \U0001F600", false));
    CTextFile file;
    ASSERT_TRUE(file.Open((temp.Path() / "sep.txt").wstring()));
    EXPECT_EQ(ReadAll(file), (std::vector<std::wstring>{L"one\n", L"two \U0001F600"}));
}

TEST(TextFile, LongLinesComeInPiecesWithoutCuttingACharacter)
{
    TempFolder temp;
    const std::string ascii(1022, 'a');
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<std::wstring> lines;
    };
    const std::wstring wideAscii(ascii.begin(), ascii.end());
    const Case cases[] = {
        // ANSI pieces hold 1,022 bytes.
        {"ansi.txt", ascii + "bc\n", {wideAscii, L"bc\n"}},
        // A UTF-8 piece holds 1,023 bytes; the two bytes of the e acute straddle that
        // limit and move whole to the next piece.
        {"utf8.txt", Utf8WithSignature(ascii + "\xC3\xA9z\n"), {wideAscii, L"\u00E9z\n"}},
        {"utf16.txt",
         Utf16WithSignature(std::wstring(254, L'u') + L"\U0001F600v", false),
         {std::wstring(254, L'u') + L"\U0001F600", L"v"}},
    };
    for (const Case& c : cases) {
        WriteBytes(temp.Path() / c.name, c.bytes);
        CTextFile file;
        ASSERT_TRUE(file.Open((temp.Path() / c.name).wstring()));
        EXPECT_EQ(ReadAll(file), c.lines) << c.name;
    }
}

TEST(TextFile, Utf16LoneSurrogateReadsAsReplacementCharacter)
{
    TempFolder temp;
    struct Case {
        const char* name;
        std::wstring units;
        std::vector<std::wstring> lines;
    };
    const std::wstring full(254, L'u');
    const Case cases[] = {
        {"lone.txt", std::wstring{L'a', 0xD800, L'b', L'\n', 0xDC00}, {L"a\uFFFDb\n", L"\uFFFD"}},
        // A high surrogate as the piece's last unit still looks at the next one, which
        // is no low surrogate and so starts the next piece.
        {"limit.txt", full + std::wstring{0xD800, L'v'}, {full + L"\uFFFD", L"v"}},
        {"end.txt", std::wstring{L'z', 0xD800}, {L"z\uFFFD"}},
    };
    for (const Case& c : cases) {
        WriteBytes(temp.Path() / c.name, Utf16WithSignature(c.units, false));
        CTextFile file;
        ASSERT_TRUE(file.Open((temp.Path() / c.name).wstring()));
        EXPECT_EQ(ReadAll(file), c.lines) << c.name;
    }
}

TEST(TextFile, InvalidUtf8LineEndsTheReading)
{
    TempFolder temp;
    WriteBytes(temp.Path() / "bad.txt", Utf8WithSignature("one\ntwo\nx\xC3"
                                                          "A\nfour\n"));
    CTextFile file;
    ASSERT_TRUE(file.Open((temp.Path() / "bad.txt").wstring()));
    EXPECT_EQ(ReadAll(file), (std::vector<std::wstring>{L"one\n", L"two\n"}));
}

TEST(TextFile, ShortOrMissingFilesDoNotOpen)
{
    TempFolder temp;
    WriteBytes(temp.Path() / "empty.txt", "");
    WriteBytes(temp.Path() / "one.txt", "x");
    for (const char* name : {"empty.txt", "one.txt", "absent.txt"}) {
        CTextFile file;
        EXPECT_FALSE(file.Open((temp.Path() / name).wstring())) << name;
        CString line;
        EXPECT_FALSE(file.ReadLine(line));
    }
}

TEST(TextFile, IncompleteUtf8SignatureIsAnsiText)
{
    TempFolder temp;
    WriteBytes(temp.Path() / "almost.txt",
               "\xEF\xBB"
               "A");
    CTextFile file;
    ASSERT_TRUE(file.Open((temp.Path() / "almost.txt").wstring()));
    EXPECT_EQ(file.GetEncoding(), CTextFile::kAnsi);
    EXPECT_EQ(ReadAll(file), (std::vector<std::wstring>{L"\u00EF\u00BB"
                                                        L"A"}));
}

TEST(TextFile, ArbitraryBytesAreReadWithoutHarm)
{
    TempFolder temp;
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> byte(0, 255);
    for (const std::string signature : {"", "\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"}) {
        for (int round = 0; round < 20; ++round) {
            std::string bytes = signature;
            // Mostly high bytes, quotes, equals signs and line ends, to reach every branch.
            const char specials[] = {'"', '=', '\n', '\r', '\\', '\0', '/', '['};
            for (int i = 0; i < 3000; ++i) {
                const int value = byte(random);
                bytes += value < 64 ? specials[value % 8] : static_cast<char>(value);
            }
            const auto path = temp.Path() / "noise.txt";
            WriteBytes(path, bytes);
            CTextFile file;
            ASSERT_TRUE(file.Open(path.wstring()));
            CString line;
            size_t characters = 0;
            while (file.ReadLine(line))
                characters += static_cast<size_t>(line.GetLength());
            EXPECT_LE(characters, bytes.size());
            CStringTable strings(path.wstring());
            CKeyValueTable values;
            EXPECT_TRUE(values.Load(path.wstring()));
        }
    }
}

}  // namespace
}  // namespace orbisk::utils
