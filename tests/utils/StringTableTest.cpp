#include "support/StringTable.h"

#include "support/LanguageSettings.h"
#include "tests/utils/LocalizationTestSupport.h"

#include <gtest/gtest.h>

namespace orbisk::utils {
namespace {

using testing::TestInstallation;
using testing::Utf16WithSignature;
using testing::Utf8WithSignature;
using testing::WriteBytes;

TEST(StringTable, ReadsOnlyLinesOfTheQuotedForm)
{
    TempFolder temp;
    WriteBytes(temp.Path() / "Localizable.strings",
               "/* Comment */\n"
               "\"OK\" = \"D'accord\";\n"
               "\"OK\" = \"Second\";\n"
               " \"Indented\" = \"Ignored\";\n"
               "\"\" = \"Empty key\";\n"
               "\"Unclosed = \"x\";\n"
               "\"No value\";\n"
               "\"Half value\" = \"abc\n"
               "\"a\\nb\" = \"x\\ty\\rz\";\n"
               "\"Tight\"=\"Serr\xE9\"trailing\n"
               "\n");
    const CStringTable table((temp.Path() / "Localizable.strings").wstring());
    struct Case {
        std::wstring key;
        std::wstring translation;
    };
    const Case cases[] = {
        {L"OK", L"D'accord"},        // the first line of a key wins
        {L"Indented", L"Indented"},  // a line must start with its quote
        {L"", L""},
        {L"Unclosed = ", L""},  // the key runs to the next quote
        {L"No value", L""},
        {L"Half value", L""},
        {L"a\nb", L"x\ty\rz"},
        {L"Tight", L"Serr\u00E9"},
        {L"Absent", L"Absent"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(table.Lookup(c.key), c.translation) << c.key.size();
    EXPECT_EQ(table.GetCount(), 6u);
}

TEST(StringTable, InvalidUtf8LineEndsTheTable)
{
    TempFolder temp;
    WriteBytes(temp.Path() / "bad.strings",
               Utf8WithSignature("\"One\" = \"Un\";\n\"Two\" = \"Deux\";\n\"Three\" = \"\xC3"
                                 "A\";\n\"Four\" = \"Quatre\";\n"));
    const CStringTable table((temp.Path() / "bad.strings").wstring());
    EXPECT_EQ(table.Lookup(L"Two"), L"Deux");
    EXPECT_EQ(table.Lookup(L"Three"), L"Three");
    EXPECT_EQ(table.Lookup(L"Four"), L"Four");
}

TEST(StringTable, MissingFileGivesAnEmptyTable)
{
    EXPECT_EQ(CStringTable(L"/nonexistent/Localizable.strings").GetCount(), 0u);
    EXPECT_EQ(CStringTable(L"").GetCount(), 0u);
}

TEST(TranslateString, UsesTheLanguageFolderInEveryEncoding)
{
    const std::wstring text =
        L"\"Open\" = \"\u00D6ffnen\";\n\"Price\" = \"Preis \u20AC\";\n\"Line\\nbreak\" = "
        L"\"Zeilen\\numbruch\";\n";
    const std::pair<const char*, std::string> files[] = {
        {"ANSI",
         "\"Open\" = \"\xD6"
         "ffnen\";\r\n\"Price\" = \"Preis \x80\";\r\n"
         "\"Line\\nbreak\" = \"Zeilen\\numbruch\";\r\n"},
        {"UTF-8", Utf8WithSignature("\"Open\" = \"\xC3\x96"
                                    "ffnen\";\n\"Price\" = \"Preis \xE2\x82\xAC\";\n"
                                    "\"Line\\nbreak\" = \"Zeilen\\numbruch\";\n")},
        {"UTF-16LE", Utf16WithSignature(text, false)},
        {"UTF-16BE", Utf16WithSignature(text, true)},
    };
    for (const auto& [encoding, bytes] : files) {
        TestInstallation installation;
        WriteBytes(installation.LanguageFolder("de-DE") / "Localizable.strings", bytes);
        CLanguageSettings::GetInstance().SetExplicitLanguage(L"de-DE");
        EXPECT_EQ(TranslateString("Open"), L"\u00D6ffnen") << encoding;
        EXPECT_EQ(TranslateString("Price"), L"Preis \u20AC") << encoding;
        EXPECT_EQ(TranslateString("Line\nbreak"), L"Zeilen\numbruch") << encoding;
        EXPECT_EQ(TranslateString("Close"), L"Close") << encoding;
    }
}

TEST(TranslateString, EmptyAndNarrowTexts)
{
    TestInstallation installation;
    WriteBytes(installation.LanguageFolder("en-US") / "Localizable.strings", "\"Caf\xE9\" = \"Coffee\";\n");
    EXPECT_EQ(TranslateString("Caf\xE9"), L"Coffee") << "narrow texts are code page 1252";
    EXPECT_EQ(TranslateString(""), L"");
    EXPECT_EQ(TranslateString(nullptr), L"");
}

TEST(TranslateString, FallsBackToTheEnglishFolderThenToTheTextItself)
{
    TestInstallation installation;
    WriteBytes(installation.LanguageFolder("en-US") / "Localizable.strings", "\"Open\" = \"Open...\";\n");
    CLanguageSettings::GetInstance().SetExplicitLanguage(L"it-IT");
    EXPECT_EQ(TranslateString("Open"), L"Open...");

    CStringTable::ReleaseInstance();
    std::filesystem::remove(installation.LanguageFolder("en-US") / "Localizable.strings");
    EXPECT_EQ(TranslateString("Open"), L"Open");
}

TEST(TranslateString, ShippedEnglishFolderLeavesTextsUnchanged)
{
    const char* source = std::getenv("ZPH_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    const std::filesystem::path shipped = std::filesystem::path(source) / "resources" / "Resources" / "en-US";
    ASSERT_TRUE(std::filesystem::exists(shipped / "i18n.dat"));
    ASSERT_TRUE(std::filesystem::exists(shipped / "Localizable.strings"));
    const CStringTable table((shipped / "Localizable.strings").wstring());
    EXPECT_EQ(table.GetCount(), 0u);
}

}  // namespace
}  // namespace orbisk::utils
