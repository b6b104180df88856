#include "support/LanguageSettings.h"

#include "tests/utils/LocalizationTestSupport.h"

#include <gtest/gtest.h>

namespace orbisk::utils {
namespace {

namespace fs = std::filesystem;
using testing::TestInstallation;
using testing::WriteBytes;

TEST(SystemLanguage, FollowsTheLanguageIdOfTheUser)
{
    struct Case {
        std::uint16_t languageId;
        std::wstring language;
    };
    const Case cases[] = {
        {0x0409, L"en-US"},
        {0x0809, L"en-GB"},
        {0x0C09, L"en-GB"},  // every other English is
                             // British
        {0x0416, L"pt-BR"},
        {0x0816, L"pt-PT"},
        {0x0804, L"zh-CN"},
        {0x1004, L"zh-CN"},
        {0x0C04, L"zh-TW"},
        {0x0404, L"zh-TW"},
        {0x041A, L"hr"},
        {0x081A, L"hr"},  // Serbian too
        {0x040C, L"fr"},
        {0x0411, L"ja"},
        {0x040D, L"iw"},
        {0x0464, L"tl"},
        {0x0000, L"en-US"},
        {0x043F, L"en-US"},  // no language, an unknown one
    };
    for (const Case& c : cases)
        EXPECT_EQ(CLanguageSettings::GetSystemLanguage(c.languageId), c.language) << std::hex << c.languageId;
}

TEST(SystemLanguage, UserLanguageIdComesFromTheLocale)
{
    struct Case {
        const char* locale;
        std::uint16_t languageId;
    };
    const Case cases[] = {
        {"en_US.UTF-8", 0x0409},
        {"en_GB.UTF-8", 0x0809},
        {"pt_BR", 0x0416},
        {"pt_PT.UTF-8@euro", 0x0816},
        {"zh_HK.UTF-8", 0x0C04},
        {"de_DE.UTF-8", 0x0407},
        {"de", 0x0407},
        {"he_IL.UTF-8", 0x040D},
        {"nb_NO.UTF-8", 0x0414},
        {"C", 0},
        {"POSIX", 0},
        {"xx_YY", 0},
    };
    for (const Case& c : cases) {
        ScopedEnvironment locale("LC_ALL", c.locale);
        EXPECT_EQ(GetUserLanguageId(), c.languageId) << c.locale;
    }
    ScopedEnvironment all("LC_ALL", nullptr);
    ScopedEnvironment messages("LC_MESSAGES", "fr_CA.UTF-8");
    ScopedEnvironment lang("LANG", "de_DE.UTF-8");
    EXPECT_EQ(GetUserLanguageId(), 0x040C) << "LC_MESSAGES comes before LANG";
}

TEST(SupportFiles, AreSearchedInProgramParentAndInstallFolders)
{
    TempFolder temp;
    const fs::path program = temp.Path() / "app" / "bin";
    const fs::path parent = temp.Path() / "app";
    const fs::path install = temp.Path() / "install";
    // Candidates in the order of the search; each case removes the ones before it.
    const fs::path candidates[] = {
        program / "data.txt",        program / "Sub" / "data.txt", parent / "data.txt",
        parent / "Sub" / "data.txt", install / "data.txt",         install / "Sub" / "data.txt",
    };
    for (const fs::path& candidate : candidates)
        WriteBytes(candidate, "x");
    for (const fs::path& expected : candidates) {
        EXPECT_EQ(FindSupportFileIn(program.wstring(), install.wstring(), L"data.txt", L"Sub/"),
                  expected.wstring());
        fs::remove(expected);
    }
    EXPECT_EQ(FindSupportFileIn(program.wstring(), install.wstring(), L"data.txt", L"Sub/"), L"");
}

TEST(SupportFiles, WithoutSubfolderOnlyTheNameIsTried)
{
    TempFolder temp;
    WriteBytes(temp.Path() / "install" / "Sub" / "data.txt", "x");
    const std::wstring install = (temp.Path() / "install").wstring();
    EXPECT_EQ(FindSupportFileIn(L"", install, L"data.txt", L""), L"");
    EXPECT_EQ(FindSupportFileIn(L"", install, L"data.txt", L"Sub\\"), install + L"/Sub/data.txt");
}

TEST(SupportFiles, AreFoundInTheRegisteredInstallFolder)
{
    TestInstallation installation;
    WriteBytes(installation.Folder() / "Support" / "Zephyron.dat", "x");
    EXPECT_EQ(FindSupportFile(L"Zephyron.dat", L"Support\\"),
              (installation.Folder() / "Support" / "Zephyron.dat").wstring());
    EXPECT_EQ(FindSupportFile(L"Zephyron.dat"), L"");
}

TEST(LanguageSettings, SystemLanguageIsCurrentWhenItsFolderIsInstalled)
{
    struct Case {
        const char* locale;
        const char* installed;  // null: no language folder
        std::wstring language;
        std::wstring serviceCulture;
    };
    const Case cases[] = {
        {"en_GB.UTF-8", "en-GB", L"en-GB", L"en"}, {"en_US.UTF-8", "en-US", L"en-US", L"en"},
        {"fr_FR.UTF-8", "fr", L"fr", L"fr"},       {"pt_BR.UTF-8", "pt-BR", L"pt-BR", L"pt-BR"},
        {"fr_FR.UTF-8", nullptr, L"en-US", L"en"}, {"de_DE.UTF-8", "fr", L"en-US", L"en"},
    };
    for (const Case& c : cases) {
        TestInstallation installation(c.locale);
        if (c.installed)
            installation.InstallLanguage(c.installed);
        const CLanguageSettings& settings = CLanguageSettings::GetInstance();
        EXPECT_EQ(settings.GetLanguage(), c.language) << c.locale;
        EXPECT_EQ(settings.GetServiceCulture(), c.serviceCulture) << c.locale;
    }
}

TEST(LanguageSettings, ExplicitLanguageIsSearchedFirstThenEnglishPerFile)
{
    TestInstallation installation;
    WriteBytes(installation.LanguageFolder("fr-FR") / "Localizable.strings", "x");
    WriteBytes(installation.LanguageFolder("en-US") / "Localizable.strings", "x");
    WriteBytes(installation.LanguageFolder("en-US") / "Help.txt", "x");
    CLanguageSettings& settings = CLanguageSettings::GetInstance();
    settings.SetExplicitLanguage(L"fr-FR");  // fr-FR has no i18n.dat: the switch needs none
    EXPECT_EQ(settings.GetLanguage(), L"fr-FR");
    EXPECT_EQ(settings.GetServiceCulture(), L"en");
    EXPECT_EQ(settings.FindLocalizedFile(L"Localizable.strings"),
              (installation.LanguageFolder("fr-FR") / "Localizable.strings").wstring());
    EXPECT_EQ(settings.FindLocalizedFile(L"Help.txt"),
              (installation.LanguageFolder("en-US") / "Help.txt").wstring());
    EXPECT_EQ(settings.FindLocalizedFile(L"Absent.txt"), L"");
}

TEST(LanguageSettings, ReleasedSettingsAreMadeAgain)
{
    TestInstallation installation("fr_FR.UTF-8");
    CLanguageSettings::GetInstance().SetExplicitLanguage(L"de");
    CLanguageSettings::ReleaseInstance();
    EXPECT_EQ(CLanguageSettings::GetInstance().GetLanguage(), L"en-US");
}

}  // namespace
}  // namespace orbisk::utils
