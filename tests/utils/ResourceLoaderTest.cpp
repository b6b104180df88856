#include "support/ResourceLoader.h"

#include "support/LanguageSettings.h"
#include "tests/utils/LocalizationTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace orbisk::utils {
namespace {

namespace fs = std::filesystem;
using testing::TestInstallation;
using testing::WriteBytes;

// The program's own resources: the English texts of strings 101 and 102.
int ProgramResources(uint32_t type, uint32_t id, const void** data, size_t* size)
{
    const char* text = id == 101 ? "Open" : id == 102 ? "Save" : nullptr;
    if (type != ZPH_RESOURCE_STRING || !text)
        return 0;
    *data = text;
    *size = std::strlen(text);
    return 1;
}

class ResourceLibraryTest : public ::testing::Test {
protected:
    ResourceLibraryTest() { SetProgramResources(&ProgramResources); }
    ~ResourceLibraryTest() override { SetProgramResources(nullptr); }

    void InstallLibrary(const char* builtLibrary, std::string_view culture)
    {
        fs::create_directories(m_installation.LanguageFolder(culture));
        fs::copy_file(builtLibrary, m_installation.LanguageFolder(culture) / "ViewerRc.so");
    }

    static std::wstring String(std::uint32_t id)
    {
        std::wstring text = L"(none)";
        LoadResourceString(id, text);
        return text;
    }

    TestInstallation m_installation;
};

TEST_F(ResourceLibraryTest, LibraryOfTheLanguageIsUsedFirst)
{
    InstallLibrary(ZPH_TEST_RESOURCE_LIBRARY, "fr-FR");
    CLanguageSettings::GetInstance().SetExplicitLanguage(L"fr-FR");
    ResourceLoader loader;
    ASSERT_TRUE(loader.Load(L"Viewer"));
    EXPECT_TRUE(loader.IsLoaded());
    EXPECT_EQ(String(101), L"Ouvrir \u2026");
    EXPECT_EQ(String(102), L"Save") << "a resource the library lacks comes from the program";
    EXPECT_EQ(String(103), L"(none)");

    loader.Unload();
    EXPECT_FALSE(loader.IsLoaded());
    EXPECT_EQ(String(101), L"Open");
    EXPECT_EQ(CLanguageSettings::GetInstance().GetLanguage(), L"en-US") << "the settings were freed";
}

TEST_F(ResourceLibraryTest, EnglishLibraryServesALanguageWithoutOne)
{
    InstallLibrary(ZPH_TEST_RESOURCE_LIBRARY, "en-US");
    CLanguageSettings::GetInstance().SetExplicitLanguage(L"de-DE");
    ResourceLoader loader;
    EXPECT_TRUE(loader.Load(L"Viewer"));
}

TEST_F(ResourceLibraryTest, ProgramResourcesStayWithoutALibrary)
{
    struct Case {
        const char* library;  // copied as ViewerRc.so; null: none
        const char* culture;
    };
    const Case cases[] = {
        {nullptr, nullptr},
        {ZPH_TEST_NOT_A_RESOURCE_LIBRARY, "en-US"},  // a shared object without the lookup
        {ZPH_TEST_RESOURCE_LIBRARY, "fr-FR"},        // the library of another language
    };
    for (const Case& c : cases) {
        TestInstallation installation;
        if (c.library) {
            fs::create_directories(installation.LanguageFolder(c.culture));
            fs::copy_file(c.library, installation.LanguageFolder(c.culture) / "ViewerRc.so");
        }
        ResourceLoader loader;
        EXPECT_FALSE(loader.Load(L"Viewer")) << (c.library ? c.library : "none");
        EXPECT_FALSE(loader.IsLoaded());
        EXPECT_EQ(String(101), L"Open");
    }
}

TEST_F(ResourceLibraryTest, FileThatIsNoSharedObjectIsNotLoaded)
{
    WriteBytes(m_installation.LanguageFolder("en-US") / "ViewerRc.so", "not a library");
    ResourceLoader loader;
    EXPECT_FALSE(loader.Load(L"Viewer"));
    EXPECT_EQ(String(102), L"Save");
}

TEST_F(ResourceLibraryTest, OnlyTheLibraryNameOfTheBaseNameIsSearched)
{
    InstallLibrary(ZPH_TEST_RESOURCE_LIBRARY, "en-US");
    ResourceLoader loader;
    EXPECT_FALSE(loader.Load(L"Other"));
    EXPECT_TRUE(loader.Load(L"Viewer"));
}

TEST(Resources, NoneWithoutProgramResourcesOrLibrary)
{
    const void* data = nullptr;
    size_t size = 0;
    EXPECT_FALSE(FindResourceData(ZPH_RESOURCE_STRING, 101, data, size));
    std::wstring text = L"unchanged";
    EXPECT_FALSE(LoadResourceString(101, text));
    EXPECT_EQ(text, L"unchanged");
}

}  // namespace
}  // namespace orbisk::utils
