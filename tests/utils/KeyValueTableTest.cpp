#include "support/KeyValueTable.h"

#include "tests/utils/LocalizationTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace orbisk::utils {
namespace {

using testing::TestInstallation;
using testing::WriteBytes;

TEST(KeyValueTable, ReadsKeyValueLines)
{
    TempFolder temp;
    WriteBytes(temp.Path() / "table.dat",
               "// web addresses\n"
               "[Servers]\n"
               "  \"{QWS_SERVER}\" = \"http://qws.example\";  \n"
               "Plain = value ; \n"
               "plain = replaced\n"
               "NoEquals\n"
               " = no key\n"
               "Url = http://a/b?c=d\n"
               "Twice = \"x\";;\n"
               "  /indented comment = 1\n");
    CKeyValueTable table;
    ASSERT_TRUE(table.Load((temp.Path() / "table.dat").wstring()));
    EXPECT_TRUE(table.IsLoaded());
    struct Case {
        std::wstring key;
        std::wstring value;
    };
    const Case cases[] = {
        {L"{QWS_SERVER}", L"http://qws.example"},
        {L"{qws_server}", L"http://qws.example"},  // keys regardless of case
        {L"PLAIN", L"replaced"},                   // a later line replaces the value
        {L"Url", L"http://a/b?c=d"},               // the key ends at the first "="
        {L"Twice", L"x\";"},                       // one ";" off; only the leading quote goes
        {L"NoEquals", L"default"},
        {L"", L"default"},
        {L"/indented comment", L"default"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(table.GetValue(c.key, L"default"), c.value) << c.key.size();
}

TEST(KeyValueTable, UnreadableFileLeavesItUnloaded)
{
    CKeyValueTable table;
    EXPECT_FALSE(table.Load(L"/nonexistent/Zephyron.dat"));
    EXPECT_FALSE(table.IsLoaded());
    EXPECT_EQ(table.GetValue(L"EULA"), L"");
}

TEST(KeyValueTable, FileWithoutEntriesStillLoads)
{
    TempFolder temp;
    WriteBytes(temp.Path() / "empty.dat", "[Nothing]\n");
    CKeyValueTable table;
    EXPECT_TRUE(table.Load((temp.Path() / "empty.dat").wstring()));
    EXPECT_TRUE(table.IsLoaded());
}

TEST(KeyValueTable, SupportFileIsFoundInTheSupportFolder)
{
    TestInstallation installation;
    CKeyValueTable table;
    EXPECT_FALSE(table.LoadSupportFile());
    WriteBytes(installation.Folder() / "Support" / "Zephyron.dat", "EULA = \"{QWS_SERVER}/eula\";\n");
    EXPECT_TRUE(table.LoadSupportFile()) << "searched again while not loaded";
    EXPECT_EQ(table.GetValue(L"eula"), L"{QWS_SERVER}/eula");
}

TEST(KeyValueTable, ShippedSupportFileHoldsTheWebAddressTemplates)
{
    const char* source = std::getenv("ZPH_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    CKeyValueTable table;
    ASSERT_TRUE(
        table.Load((std::filesystem::path(source) / "resources" / "Support" / "Zephyron.dat").wstring()));
    for (const wchar_t* key : {L"EULA", L"{VAULTRIX_SERVER}", L"{QWS_SERVER}", L"{VERSION}"})
        EXPECT_NE(table.GetValue(key), L"") << key;
    EXPECT_EQ(table.GetValue(L"{VERSION}"), L"8.0.3669");
}

}  // namespace
}  // namespace orbisk::utils
