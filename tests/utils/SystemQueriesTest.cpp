#include "support/SystemQueries.h"

#include "platform/win32/Registry.h"
#include "support/PathUtils.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>

namespace orbisk::utils {
namespace {

namespace fs = std::filesystem;

OSVERSIONINFOEX Version(DWORD platform, DWORD major, DWORD minor, DWORD build, const wchar_t* servicePack)
{
    OSVERSIONINFOEX info{};
    info.dwPlatformId = platform;
    info.dwMajorVersion = major;
    info.dwMinorVersion = minor;
    info.dwBuildNumber = build;
    std::wcscpy(info.szCSDVersion, servicePack);
    return info;
}

TEST(OSVersion, DescribesEveryKnownWindows)
{
    struct Case {
        OSVERSIONINFOEX info;
        int code;
        std::wstring text;  // the caller's text starts as "before"
    };
    const Case cases[] = {
        {Version(VER_PLATFORM_WIN32_NT, 5, 1, 2600, L"Service Pack 3"), 6,
         L"Windows XP Service Pack 3 (Build 2600)"},
        {Version(VER_PLATFORM_WIN32_NT, 4, 0, 1381, L"Service Pack 6"), 4,
         L"Windows NT version 4.0 Service Pack 6 (Build 1381)"},
        {Version(VER_PLATFORM_WIN32_NT, 5, 0, 2195, L""), 5, L"Windows 2000  (Build 2195)"},
        {Version(VER_PLATFORM_WIN32_NT, 6, 1, 7601, L"Service Pack 1"), 7,
         L"Windows Vista Service Pack 1 (Build 7601)"},
        {Version(VER_PLATFORM_WIN32_NT, 5, 2, 3790, L"SP2"), 0, L"beforeSP2 (Build 3790)"},
        // Only the low 16 bits of the build number count.
        {Version(VER_PLATFORM_WIN32_NT, 5, 1, 0x10000 + 2600, L"SP"), 6, L"Windows XP SP (Build 2600)"},
        {Version(VER_PLATFORM_WIN32_WINDOWS, 4, 0, 0, L" C"), 1, L"Microsoft Windows 95 OSR2 "},
        {Version(VER_PLATFORM_WIN32_WINDOWS, 4, 0, 0, L""), 1, L"Microsoft Windows 95 "},
        {Version(VER_PLATFORM_WIN32_WINDOWS, 4, 10, 0, L" A"), 2, L"Microsoft Windows 98 SE "},
        {Version(VER_PLATFORM_WIN32_WINDOWS, 4, 90, 0, L""), 3, L"Microsoft Windows Me "},
        {Version(VER_PLATFORM_WIN32_WINDOWS, 4, 20, 0, L""), 0, L"before"},
        {Version(VER_PLATFORM_WIN32_WINDOWS, 5, 0, 0, L""), 0, L"before"},
        {Version(VER_PLATFORM_WIN32s, 3, 1, 0, L""), 0, L"Microsoft Win32s "},
        {Version(VER_PLATFORM_LINUX, 6, 1, 0, L"6.1.0"), 0, L"before"},
    };
    for (const Case& c : cases) {
        std::wstring text = L"before";
        EXPECT_EQ(DescribeOSVersion(c.info, text), c.code) << c.text;
        EXPECT_EQ(text, c.text);
    }
}

TEST(OSVersion, LinuxIsNoWindows)
{
    std::wstring text = L"unchanged";
    EXPECT_EQ(GetOSVersionText(text), 0);
    EXPECT_EQ(text, L"unchanged");
    EXPECT_EQ(GetOSVersion(), 0);
}

TEST(Screen, FixedAnswersInProgramsWithoutWindows)
{
    int width = 0, height = 0;
    GetScreenSize(width, height);
    EXPECT_EQ(width, 1280);
    EXPECT_EQ(height, 1024);
    ScreenRect rect{-1, -1, -1, -1};
    GetScreenRect(rect);
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, 0);
    EXPECT_EQ(rect.width, 1280);
    EXPECT_EQ(rect.height, 1024);
    EXPECT_EQ(GetMonitorCount(), 1);
    EXPECT_EQ(GetScreenDpi(), 96);
}

TEST(SystemColours, WindowColoursAreOpaque)
{
    EXPECT_EQ(GetDefaultWindowColor(), CColor(255, 255, 255, 255));
    EXPECT_EQ(GetDefaultWindowTextColor(), CColor(0, 0, 0, 255));
}

TEST(ProgramLocation, ModuleFolderIsTheFolderOfTheRunningProgram)
{
    const fs::path program = fs::read_symlink("/proc/self/exe");
    EXPECT_EQ(GetModuleFolder(), program.parent_path().wstring());
}

TEST(ProgramLocation, InstallLocationComesFromTheMachineStore)
{
    TempFolder temp;
    ScopedEnvironment config("XDG_CONFIG_HOME", temp.Path().c_str());
    EXPECT_EQ(GetInstallLocation(), GetModuleFolder());

    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, L"Software\\Quenta\\Quenta Zephyron 8\\InstallLocation", 0,
                             nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::wstring folder = L"/opt\\zephyron//";
    RegSetValueEx(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                  static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    EXPECT_EQ(GetInstallLocation(), L"/opt/zephyron");
}

TEST(ProgramLocation, FileExists)
{
    TempFolder temp;
    std::ofstream(temp.Path() / "present") << "x";
    EXPECT_TRUE(FileExists((temp.Path() / "present").wstring()));
    EXPECT_TRUE(FileExists(temp.Wide()));
    EXPECT_FALSE(FileExists((temp.Path() / "absent").wstring()));
}

TEST(LocaleNumbers, ParseLocaleDoubleInADotLocale)
{
    ScopedEnvironment locale("LC_ALL", "C");
    struct Case {
        std::wstring text;
        bool ok;
        double value;
    };
    const Case cases[] = {
        {L"  3.5  ", true, 3.5},    {L"3.5x", false, 3.5}, {L"abc", false, 0},
        {L"0.0", true, 0},          {L"-0", false, 0},     {L".0", false, 0},
        {L"\t-2e3\t", true, -2000}, {L"", false, 0},       {L"1 2", false, 1},
    };
    for (const Case& c : cases) {
        double value = 99;
        EXPECT_EQ(ParseLocaleDouble(c.text, value), c.ok) << c.text.size();
        EXPECT_EQ(value, c.value);
    }
    EXPECT_EQ(GetLocaleDecimalPoint(), L'.');
}

TEST(LocaleNumbers, TheProcessLocaleIsLeftAlone)
{
    ScopedEnvironment locale("LC_ALL", "C.UTF-8");
    const std::string before = setlocale(LC_NUMERIC, nullptr);
    double value = 0;
    ParseLocaleDouble(L"1.25", value);
    GetLocaleDecimalPoint();
    EXPECT_EQ(setlocale(LC_NUMERIC, nullptr), before);
    EXPECT_EQ(value, 1.25);
}

TEST(LocaleNumbers, UnknownLocaleFallsBackToDot)
{
    ScopedEnvironment locale("LC_ALL", "xx_NOWHERE.UTF-8");
    double value = 0;
    EXPECT_TRUE(ParseLocaleDouble(L"2.5", value));
    EXPECT_EQ(value, 2.5);
    EXPECT_EQ(GetLocaleDecimalPoint(), L'.');
}

TEST(Time, ToUtcTimeShiftsByZoneAndSummerTime)
{
    struct Case {
        const char* zone;
        std::int64_t local, universal;
    };
    const Case cases[] = {
        {"UTC0", 1'700'000'000, 1'700'000'000},
        // New York: 2024-01-15 12:00 local is 17:00 UTC; 2024-07-15 12:00 local is 16:00 UTC.
        {"EST5EDT,M3.2.0,M11.1.0", 1'705'320'000, 1'705'338'000},
        {"EST5EDT,M3.2.0,M11.1.0", 1'721'044'800, 1'721'059'200},
    };
    for (const Case& c : cases) {
        ScopedEnvironment zone("TZ", c.zone);
        EXPECT_EQ(ToUtcTime(c.local), c.universal) << c.zone;
    }
    tzset();
}

TEST(Random, ResultsStayInTheRangeAskedFor)
{
    std::srand(12345);
    bool seen[3] = {};
    for (int i = 0; i < 20000; ++i) {
        const int step = RandomInt(-1, 1);
        ASSERT_GE(step, -1);
        ASSERT_LE(step, 1);
        seen[step + 1] = true;
        const int reversed = RandomInt(10, 0);
        ASSERT_GE(reversed, 0);
        ASSERT_LE(reversed, 10);
        const double x = RandomDouble(2.0, 3.0);
        ASSERT_GE(x, 2.0);
        ASSERT_LE(x, 3.0);
    }
    EXPECT_TRUE(seen[0]);
    EXPECT_TRUE(seen[1]);
    EXPECT_EQ(RandomInt(5, 5), 5);
}

TEST(Random, TheWholeIntRangeIsReachedWithoutOverflow)
{
    // b - a does not fit an int: the draws still spread over both ends of the range.
    std::srand(54321);
    bool lowQuarter = false, highQuarter = false;
    for (int i = 0; i < 200; ++i) {
        const int value = RandomInt(INT32_MIN, INT32_MAX);
        lowQuarter |= value < INT32_MIN / 2;
        highQuarter |= value > INT32_MAX / 2;
    }
    EXPECT_TRUE(lowQuarter);
    EXPECT_TRUE(highQuarter);
}

TEST(ErrorText, SystemErrorsHaveTextOthersTheirNumber)
{
    EXPECT_EQ(GetErrorText(ENOENT, L""), L"No such file or directory");
    EXPECT_EQ(GetErrorText(99999, L"zephyron"), L"99999");
    errno = EACCES;
    EXPECT_EQ(GetErrorText(-1, L""), L"Permission denied");
}

TEST(DebugTraceOutput, SilentWithoutAStreamAndCutAt2048Bytes)
{
    DebugTrace("nothing %d\n", 1);  // no stream: nothing to observe, nothing must break
    std::FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    SetDebugTraceStream(stream);
    DebugTrace("value %d %s|", 42, "text");
    DebugTrace("%s", std::string(5000, 'x').c_str());
    DebugTrace("100%% literal %s", "%d");
    SetDebugTraceStream(nullptr);
    DebugTrace("after\n");

    std::rewind(stream);
    std::string written(8000, '\0');
    written.resize(std::fread(written.data(), 1, written.size(), stream));
    std::fclose(stream);
    EXPECT_EQ(written, "value 42 text|" + std::string(2047, 'x') + "100% literal %d");
}

}  // namespace
}  // namespace orbisk::utils
