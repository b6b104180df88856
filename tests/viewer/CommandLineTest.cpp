// The viewer's command line: the file to open and the switch map, for the argument orders a
// user types.
#include "viewer/CommandLineInfoEx.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

struct Case {
    const char* description;
    std::vector<CString> arguments;
    CCommandLineInfo::ShellCommand command;
    const wchar_t* fileName;
    // Switches that must be present, with their values; null value: must be absent.
    std::vector<std::pair<const wchar_t*, const wchar_t*>> switches;
};

TEST(CommandLine, SwitchesTakeTheirValuesAndTheFileIsOpened)
{
    const Case cases[] = {
        {"no arguments: an empty document, no switch",
         {},
         CCommandLineInfo::FileNew,
         L"",
         {{L"slideshow", nullptr}, {L"lang", nullptr}}},
        {"lang with a culture, then the file",
         {L"-lang", L"fr-FR", L"house.zph"},
         CCommandLineInfo::FileOpen,
         L"house.zph",
         {{L"lang", L"fr-FR"}}},
        {"slideshow as the last argument",
         {L"house.zph", L"-slideshow"},
         CCommandLineInfo::FileOpen,
         L"house.zph",
         {{L"slideshow", L"TRUE"}}},
        {"a switch consumes the file name as its value",
         {L"-slideshow", L"house.zph"},
         CCommandLineInfo::FileNew,
         L"",
         {{L"slideshow", L"house.zph"}}},
        {"switch names are compared exactly",
         {L"-LANG", L"fr-FR"},
         CCommandLineInfo::FileNew,
         L"",
         {{L"lang", nullptr}, {L"LANG", L"fr-FR"}}},
        {"a slash marks a switch too",
         {L"/slideshow"},
         CCommandLineInfo::FileNew,
         L"",
         {{L"slideshow", L"TRUE"}}},
        {"an absolute path is a file, not a switch",
         {L"/models/house.zph"},
         CCommandLineInfo::FileOpen,
         L"/models/house.zph",
         {{L"models/house.zph", nullptr}}},
        {"only the first plain argument is the file",
         {L"a.zph", L"b.zph"},
         CCommandLineInfo::FileOpen,
         L"a.zph",
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description);
        CCommandLineInfoEx info;
        ParseCommandLine(c.arguments, info);
        EXPECT_EQ(info.m_nShellCommand, c.command);
        EXPECT_STREQ(info.m_strFileName.GetString(), c.fileName);
        for (const auto& [name, value] : c.switches) {
            CString found;
            EXPECT_EQ(info.GetSwitchValue(name, found), value != nullptr) << name;
            EXPECT_EQ(info.HasSwitch(name), value != nullptr) << name;
            if (value) {
                EXPECT_STREQ(found.GetString(), value) << name;
            }
        }
    }
}

TEST(CommandLine, FrameworkSwitchesStillWork)
{
    CCommandLineInfoEx info;
    ParseCommandLine({L"-nologo", L"-p", L"house.zph"}, info);
    EXPECT_FALSE(info.m_bShowSplash);
    EXPECT_EQ(info.m_nShellCommand, CCommandLineInfo::FilePrint);
    EXPECT_TRUE(info.HasSwitch(L"nologo"));
    // The switch took the plain argument as its value, as every switch does.
    CString value;
    ASSERT_TRUE(info.GetSwitchValue(L"p", value));
    EXPECT_STREQ(value.GetString(), L"house.zph");
}

}  // namespace
