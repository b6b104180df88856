#include "platform/win32/Registry.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

class RegistryTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (key)
            RegCloseKey(key);
    }

    HKEY Create(HKEY root, const wchar_t* path, REGSAM access = KEY_ALL_ACCESS)
    {
        HKEY created = nullptr;
        EXPECT_EQ(RegCreateKeyEx(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &created,
                                 nullptr),
                  ERROR_SUCCESS);
        return created;
    }

    static LSTATUS SetText(HKEY at, const wchar_t* name, const std::wstring& text)
    {
        return RegSetValueEx(at, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }

    static std::wstring GetText(HKEY at, const wchar_t* name)
    {
        wchar_t buffer[256] = {};
        DWORD size = sizeof buffer;
        DWORD type = REG_NONE;
        const LSTATUS status =
            RegQueryValueEx(at, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
        if (status != ERROR_SUCCESS || type != REG_SZ)
            return L"<" + std::to_wstring(status) + L">";
        return buffer;
    }

    std::string HiveText(const char* file) const
    {
        std::ifstream in(temp.Path() / "zephyron" / file);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    TempFolder temp;
    ScopedEnvironment config{"XDG_CONFIG_HOME", temp.Path().c_str()};
    HKEY key = nullptr;
};

TEST_F(RegistryTest, TextValuesRoundTripThroughTheHiveFile)
{
    key = Create(HKEY_CURRENT_USER, L"Software\\Quenta\\Zephyron8\\GLConfig\\Display");
    const std::wstring text{L'd', 0xE9, L'j', L'\x00e0', L' ', L'=', L'"', L'\\'};
    ASSERT_EQ(SetText(key, L"Renderer", text), ERROR_SUCCESS);
    ASSERT_EQ(SetText(key, nullptr, L"default"), ERROR_SUCCESS);
    RegCloseKey(std::exchange(key, nullptr));

    ASSERT_EQ(
        RegOpenKeyEx(HKEY_CURRENT_USER, L"Software\\Quenta\\Zephyron8\\GLConfig\\Display", 0, KEY_READ, &key),
        ERROR_SUCCESS);
    EXPECT_EQ(GetText(key, L"Renderer"), text);
    EXPECT_EQ(GetText(key, L""), L"default");
    EXPECT_NE(HiveText("HKEY_CURRENT_USER.ini").find("[Software/Quenta/Zephyron8/GLConfig/Display]"),
              std::string::npos);
    EXPECT_TRUE(HiveText("HKEY_LOCAL_MACHINE.ini").empty());
}

TEST_F(RegistryTest, SurrogatesReachTheHiveFileAsStandardUtf8)
{
    key = Create(HKEY_CURRENT_USER, L"Software\\Test");
    ASSERT_EQ(SetText(key, L"Lone", std::wstring{L'a', 0xD800, L'b'}), ERROR_SUCCESS);
    ASSERT_EQ(SetText(key, L"Pair", std::wstring{0xD83D, 0xDE00}), ERROR_SUCCESS);
    RegCloseKey(std::exchange(key, nullptr));

    const std::string hive = HiveText("HKEY_CURRENT_USER.ini");
    EXPECT_NE(hive.find("Lone=sz:a\xEF\xBF\xBD"
                        "b"),
              std::string::npos);
    EXPECT_NE(hive.find("Pair=sz:\xF0\x9F\x98\x80"), std::string::npos);
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, L"Software\\Test", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(GetText(key, L"Lone"), L"a\uFFFDb");
    EXPECT_EQ(GetText(key, L"Pair"), L"\U0001F600");

    // A hive file that holds a surrogate as its own three bytes reads by the same rule.
    RegCloseKey(std::exchange(key, nullptr));
    std::ofstream(temp.Path() / "zephyron" / "HKEY_LOCAL_MACHINE.ini")
        << "[Software/Old]\nLone=sz:a\xED\xA0\x80"
           "b\nPair=sz:\xED\xA0\xBD\xED\xB8\x80\n";
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, L"Software\\Old", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(GetText(key, L"Lone"), L"a\uFFFDb");
    EXPECT_EQ(GetText(key, L"Pair"), L"\U0001F600");
}

TEST_F(RegistryTest, DwordAndBinaryValuesKeepTheirType)
{
    key = Create(HKEY_CURRENT_USER, L"Software\\Test");
    const DWORD number = 0xFFFFFFF0u;
    ASSERT_EQ(RegSetValueEx(key, L"Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4),
              ERROR_SUCCESS);
    const BYTE blob[] = {0x00, 0xFF, 0x10, 0x7F};
    ASSERT_EQ(RegSetValueEx(key, L"Blob", 0, REG_BINARY, blob, sizeof blob), ERROR_SUCCESS);

    DWORD type = REG_NONE, read = 0, size = sizeof read;
    ASSERT_EQ(RegQueryValueEx(key, L"Number", nullptr, &type, reinterpret_cast<BYTE*>(&read), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(read, number);

    BYTE back[8] = {};
    size = sizeof back;
    ASSERT_EQ(RegQueryValueEx(key, L"Blob", nullptr, &type, back, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_BINARY);
    ASSERT_EQ(size, sizeof blob);
    EXPECT_EQ(std::memcmp(back, blob, sizeof blob), 0);
}

TEST_F(RegistryTest, SizesAreReportedAndShortBuffersRefused)
{
    key = Create(HKEY_CURRENT_USER, L"Software\\Test");
    ASSERT_EQ(SetText(key, L"Name", L"abc"), ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueEx(key, L"Name", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 4 * sizeof(wchar_t));
    wchar_t small[2];
    size = sizeof small;
    EXPECT_EQ(RegQueryValueEx(key, L"Name", nullptr, nullptr, reinterpret_cast<BYTE*>(small), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 4 * sizeof(wchar_t));
    EXPECT_EQ(RegQueryValueEx(key, L"Name", nullptr, nullptr, reinterpret_cast<BYTE*>(small), nullptr),
              ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryTest, MissingKeysAndValues)
{
    HKEY missing = nullptr;
    EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, L"Software\\Nowhere", 0, KEY_READ, &missing),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(missing, nullptr);
    key = Create(HKEY_CURRENT_USER, L"Software\\Test");
    EXPECT_EQ(GetText(key, L"Absent"), L"<2>");
    EXPECT_EQ(RegDeleteValue(key, L"Absent"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCloseKey(nullptr), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegQueryValueEx(nullptr, L"x", nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, CreateReportsWhetherTheKeyExisted)
{
    DWORD disposition = 0;
    HKEY first = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, L"Software\\New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                             &first, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    ASSERT_EQ(SetText(first, L"v", L"1"), ERROR_SUCCESS);
    RegCloseKey(first);
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, L"Software\\New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                             &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
}

TEST_F(RegistryTest, ReadOnlyKeysRefuseChanges)
{
    RegCloseKey(Create(HKEY_CURRENT_USER, L"Software\\Test"));
    HKEY writable = Create(HKEY_CURRENT_USER, L"Software\\Test");
    ASSERT_EQ(SetText(writable, L"v", L"1"), ERROR_SUCCESS);
    RegCloseKey(writable);
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, L"Software\\Test", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(SetText(key, L"v", L"2"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValue(key, L"v"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(GetText(key, L"v"), L"1");
}

TEST_F(RegistryTest, DeletedValuesAreGone)
{
    key = Create(HKEY_CURRENT_USER, L"Software\\Test");
    ASSERT_EQ(SetText(key, L"a", L"1"), ERROR_SUCCESS);
    ASSERT_EQ(SetText(key, L"b", L"2"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValue(key, L"a"), ERROR_SUCCESS);
    EXPECT_EQ(GetText(key, L"a"), L"<2>");
    EXPECT_EQ(GetText(key, L"b"), L"2");
}

TEST_F(RegistryTest, NamesWithSeparatorsAndEscapesStayDistinct)
{
    key = Create(HKEY_CURRENT_USER, L"Software\\a/b\\%2F");
    const wchar_t* names[] = {L"x/y", L"x%2Fy", L"@", L"", L"100%"};
    for (const wchar_t* name : names)
        ASSERT_EQ(SetText(key, name, name), ERROR_SUCCESS);
    for (const wchar_t* name : names)
        EXPECT_EQ(GetText(key, name), name);
    HKEY nested = nullptr;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, L"Software\\a", 0, KEY_READ, &nested), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, UnsupportedTypesAndSizesAreRefused)
{
    key = Create(HKEY_CURRENT_USER, L"Software\\Test");
    const BYTE two[2] = {};
    EXPECT_EQ(RegSetValueEx(key, L"n", 0, REG_DWORD, two, 2), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueEx(key, L"n", 0, 7 /* REG_MULTI_SZ */, two, 2), ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryTest, DamagedHiveFilesGiveErrorsNotCrashes)
{
    fs::create_directories(temp.Path() / "zephyron");
    std::ofstream(temp.Path() / "zephyron" / "HKEY_LOCAL_MACHINE.ini")
        << "[Software/Bad]\nnumber=dword:99999999999\nblob=hex:0g\nodd=hex:abc\nplain=text\n"
           "no equals sign\n[unclosed\n\xFF\xFE garbage\n";
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, L"Software\\Bad", 0, KEY_READ, &key), ERROR_SUCCESS);
    for (const wchar_t* name : {L"number", L"blob", L"odd", L"plain"})
        EXPECT_EQ(RegQueryValueEx(key, name, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_DATA) << name;
}

}  // namespace
