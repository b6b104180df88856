// The graphics configuration as remembered per user: the pixel format a view starts with, the
// protection against a driver that crashed, resetting invalid data, the known-cards file and
// the debug trace.
#include "database/UndoManager.h"
#include "platform/win32/Registry.h"
#include "tests/support/TempFolder.h"
#include "tests/support/UndoLogFolder.h"
#include "tests/viewer/ScriptedPixelFormats.h"
#include "viewer/GLConfigUtils.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

using namespace GLConfigUtils;

constexpr int kMissing = -1;

bool KeyExists(const std::wstring& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void WriteDword(const std::wstring& path, const wchar_t* name, DWORD value)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                             nullptr),
              ERROR_SUCCESS);
    RegSetValueEx(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

int ReadDword(const std::wstring& path, const wchar_t* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return kMissing;
    DWORD value = 0;
    DWORD size = sizeof value;
    const LSTATUS status =
        RegQueryValueEx(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? static_cast<int>(value) : kMissing;
}

// Every test starts a fresh process's configuration over an empty registry.
class GLConfig : public ::testing::Test {
protected:
    GLConfig() : m_config("XDG_CONFIG_HOME", m_folder.Path().c_str())
    {
        SetUseFastFeedback(1);
        *GetDefaultConfig() = GLConfigRecord{0, 0, 24, 8, 16, 8, 1};
        *GetActiveConfig() = GLConfigRecord{};
        InitConfigKey();
    }

    const std::wstring& Key() const { return GetConfigKeyPath(); }
    TempFolder& Folder() { return m_folder; }

private:
    TempFolder m_folder;
    ScopedEnvironment m_config;
};

// A display with hardware and software formats, each with and without swap copy.
CScriptedPixelFormats MixedDisplay()
{
    return CScriptedPixelFormats(
        {
            {.accelerated = true, .swapCopy = true},                // 1
            {.accelerated = true, .depth = 32, .swapCopy = false},  // 2
            {.accelerated = false, .swapCopy = true},               // 3
            {.accelerated = false, .depth = 32},                    // 4
        },
        "");
}

TEST_F(GLConfig, KeyLivesUnderTheMakersKeyForVersion8)
{
    EXPECT_EQ(Key(), L"Software\\Quenta\\Zephyron8\\GLConfig\\Display");
}

TEST_F(GLConfig, FirstStartAsksForHardwareAndCreatesTheKeyWithHardwareNotYetProven)
{
    CScriptedPixelFormats display = MixedDisplay();
    bool reset = true;
    EXPECT_EQ(GetActivePixelFormat(display, &reset), 1) << "hardware with swap copy, the fast-feedback wish";
    EXPECT_FALSE(reset);
    EXPECT_EQ(ReadDword(Key(), L"HW_OK"), 0);
    EXPECT_EQ(GetActiveConfig()->accelerated, 1);
    EXPECT_EQ(GetActiveConfig()->pixelFormat, 1);
}

TEST_F(GLConfig, AfterARunThatDidNotEndOnHardwareOnlySoftwareIsConsidered)
{
    WriteDword(Key(), L"HW_OK", 0);
    CScriptedPixelFormats display = MixedDisplay();
    EXPECT_EQ(GetActivePixelFormat(display, nullptr), 3);
    EXPECT_EQ(GetActiveConfig()->accelerated, 0);

    WriteDword(Key(), L"HW_OK", 1);
    *GetActiveConfig() = GLConfigRecord{};
    EXPECT_EQ(GetActivePixelFormat(display, nullptr), 1) << "a run that ended on hardware keeps hardware";
}

TEST_F(GLConfig, StoredValidFormatIsUsedAsItIs)
{
    SaveConfig({2, 1, 32, 8, 32, 8, 0});
    CScriptedPixelFormats display = MixedDisplay();
    bool reset = true;
    SetUseFastFeedback(0);  // the stored request is checked without swap copy
    EXPECT_EQ(GetActivePixelFormat(display, &reset), 2);
    EXPECT_FALSE(reset);
    EXPECT_EQ(ReadDword(Key(), L"HW_OK"), kMissing) << "nothing is written for a valid stored format";
}

TEST_F(GLConfig, StoredInvalidFormatResetsTheKeyKeepingDebugFlagsAndContinuesInSoftware)
{
    // Format 1 is accelerated, but the stored choice says software: no longer a candidate.
    SaveConfig({1, 0, 32, 8, 16, 8, 1});
    SetDebugFlags(5);
    SetReversedPick(true);
    CScriptedPixelFormats display = MixedDisplay();
    bool reset = false;
    EXPECT_EQ(GetActivePixelFormat(display, &reset), 3);
    EXPECT_TRUE(reset);
    EXPECT_EQ(ReadDword(Key(), L"DebugFlags"), 5);
    EXPECT_EQ(ReadDword(Key(), L"HW_OK"), 0);
    EXPECT_EQ(ReadDword(Key(), L"PixelFormat"), kMissing);
    EXPECT_EQ(ReadDword(Key(), L"ReversedPick"), kMissing);
    EXPECT_EQ(GetActiveConfig()->accelerated, 0);
}

TEST_F(GLConfig, WithoutSwapCopyFormatsFastFeedbackIsTurnedOff)
{
    CScriptedPixelFormats display({{.accelerated = true}, {.accelerated = false}}, "");
    EXPECT_EQ(GetActivePixelFormat(display, nullptr), 1);
    EXPECT_EQ(GetUseFastFeedback(), 0);
    EXPECT_EQ(GetActiveConfig()->swapCopy, 0);
}

TEST_F(GLConfig, LastSoftwareAttemptAsksForSwapCopyAgain)
{
    // No hardware at all: the hardware attempts find nothing, then software with swap copy.
    CScriptedPixelFormats display({{.accelerated = false}, {.accelerated = false, .swapCopy = true}}, "");
    EXPECT_EQ(GetActivePixelFormat(display, nullptr), 2);
    EXPECT_EQ(GetUseFastFeedback(), 1);
    EXPECT_EQ(GetActiveConfig()->accelerated, 0);
    EXPECT_EQ(GetActiveConfig()->swapCopy, 1);
}

TEST_F(GLConfig, DeletingTheKeyLeavesParentsThatStillHoldSomething)
{
    const std::wstring program = L"Software\\Quenta\\Zephyron8";
    WriteDword(Key(), L"HW_OK", 1);
    WriteDword(program, L"Installed", 1);
    WriteDword(L"Software\\Quenta", L"Shared", 7);
    DeleteConfigKey();
    EXPECT_FALSE(KeyExists(Key()));
    EXPECT_FALSE(KeyExists(program + L"\\GLConfig")) << "left empty";
    EXPECT_EQ(ReadDword(program, L"Installed"), 1) << "a parent with values is kept";
    EXPECT_EQ(ReadDword(L"Software\\Quenta", L"Shared"), 7);

    // A parent with another sub-key, or with values of its own, stays.
    WriteDword(Key(), L"HW_OK", 1);
    WriteDword(program + L"\\GLConfig", L"Card", 3);
    WriteDword(program + L"\\Preferences", L"UseFastFeedback8", 1);
    DeleteConfigKey();
    EXPECT_FALSE(KeyExists(Key()));
    EXPECT_EQ(ReadDword(program + L"\\GLConfig", L"Card"), 3);
    EXPECT_EQ(ReadDword(program + L"\\Preferences", L"UseFastFeedback8"), 1);

    // A display key with a sub-key of its own is not touched.
    WriteDword(Key(), L"HW_OK", 1);
    WriteDword(Key() + L"\\Monitor", L"Index", 2);
    DeleteConfigKey();
    EXPECT_EQ(ReadDword(Key(), L"HW_OK"), 1);
}

TEST_F(GLConfig, FirstTimeIsAskedOnceOnHardware)
{
    GetCurrentConfig()->accelerated = 0;
    EXPECT_FALSE(IsFirstTime()) << "software is never a first start";
    GetCurrentConfig()->accelerated = 1;
    EXPECT_TRUE(IsFirstTime()) << "no key";
    WriteDword(Key(), L"HW_OK", 0);
    EXPECT_TRUE(IsFirstTime()) << "no FIRST_TIME yet: it is written";
    EXPECT_EQ(ReadDword(Key(), L"FIRST_TIME"), 0);
    EXPECT_FALSE(IsFirstTime());
    EXPECT_TRUE(UseHWAccelerationFirstTime(Folder().Wide())) << "not the first time: hardware stays";
}

TEST_F(GLConfig, KnownCardsDecideByTheLastLineThatMatches)
{
    const std::filesystem::path cards = Folder() / "glcards.dat";
    std::ofstream(cards) << "// kind|vendor|renderer|note\n"
                            "HW|NVIDIA|ANY|all of them\r\n"
                            "SW|nvidia|riva|too old\n"
                            "HW|ACME|Rocket|named hardware changes nothing\n"
                            "||HW||Intel||ANY\n"
                            "SW|Intel|Software // commented out\n"
                            "SW|Mesa\n"
                            "HW\n"
                            "HW|Mesa|ANY\n";
    const struct {
        const char* vendor;
        const char* renderer;
        bool hardware;
    } cases[] = {
        {"NVIDIA Corporation", "GeForce GTX 1080/PCIe/SSE2", true},
        {"NVIDIA Corporation", "RIVA TNT2", false},
        {"ACME", "Rocket 3000", false},
        {"Intel", "Mesa Intel(R) UHD Graphics", true},
        {"Intel", "Software Rasterizer", true},
        {"Mesa", "llvmpipe (LLVM 15.0.6, 256 bits)", true},  // SW line without renderer, then HW ANY
        {"Unknown Vendor", "Whatever", false},
    };
    for (const auto& test : cases)
        EXPECT_EQ(IsCardAcceptedForHardware(cards.wstring(), test.vendor, test.renderer), test.hardware)
            << test.vendor << " / " << test.renderer;
    EXPECT_FALSE(IsCardAcceptedForHardware((Folder() / "missing.dat").wstring(), "NVIDIA", "GeForce"));
}

TEST_F(GLConfig, ShippedCardListRefusesSoftwareRenderers)
{
    const char* source = std::getenv("ZPH_SOURCE_DIR");
    ASSERT_TRUE(source);
    const std::wstring cards = (std::filesystem::path(source) / "resources" / "glcards.dat").wstring();
    EXPECT_TRUE(IsCardAcceptedForHardware(cards, "NVIDIA Corporation", "NVIDIA GeForce RTX 3060/PCIe/SSE2"));
    EXPECT_TRUE(IsCardAcceptedForHardware(cards, "Intel", "Mesa Intel(R) Xe Graphics (TGL GT2)"));
    EXPECT_FALSE(IsCardAcceptedForHardware(cards, "Mesa", "llvmpipe (LLVM 15.0.6, 256 bits)"));
    EXPECT_FALSE(IsCardAcceptedForHardware(cards, "Mesa/X.org", "softpipe"));
    EXPECT_FALSE(IsCardAcceptedForHardware(cards, "Intel Open Source Technology Center",
                                           "Mesa DRI Intel Software Rasterizer"));
}

std::string ReadAll(const std::wstring& path)
{
    std::ifstream file{std::filesystem::path(path)};
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST_F(GLConfig, TraceGoesToTheDebugLogAndLongLinesAreCut)
{
    GLTrace("nothing is written without an undo manager %d\n", 1);

    CUndoManager manager(nullptr, 10);
    CUndoManager* previous = GetCurrentUndoManager();
    SetCurrentUndoManager(&manager);
    ASSERT_TRUE(manager.GetLog().IsOpen());
    const std::string longRenderer(3000, 'R');
    GLTrace("Got vendor (%s) renderer(%s)\n", "Mesa", longRenderer.c_str());
    GLTrace("Returning %d\n", 0);
    SetCurrentUndoManager(previous);

    const std::string log = ReadAll(manager.GetLog().GetPath());
    const std::string cut = "Got vendor (Mesa) renderer(" + std::string(999 - 27, 'R');
    EXPECT_EQ(log, "======== Starting GL ========\n" + cut + "Returning 0\n");
}

}  // namespace
