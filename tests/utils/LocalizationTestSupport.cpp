#include "tests/utils/LocalizationTestSupport.h"

#include "platform/win32/Registry.h"
#include "support/LanguageSettings.h"
#include "support/StringTable.h"

#include <gtest/gtest.h>

#include <fstream>

namespace orbisk::utils::testing {

namespace fs = std::filesystem;

void WriteBytes(const fs::path& path, std::string_view bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream file(path, std::ios::binary);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Utf16WithSignature(std::wstring_view text, bool bigEndian)
{
    std::string bytes;
    auto append = [&](char16_t unit) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    };
    append(0xFEFF);
    for (const wchar_t c : text) {
        const char32_t code = static_cast<char32_t>(c);
        if (code < 0x10000) {
            append(static_cast<char16_t>(code));
            continue;
        }
        append(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
        append(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
    }
    return bytes;
}

std::string Utf8WithSignature(std::string_view utf8)
{
    return "\xEF\xBB\xBF" + std::string(utf8);
}

TestInstallation::TestInstallation(const char* locale)
    : m_config("XDG_CONFIG_HOME", (m_temp.Path() / "config").c_str()),
      m_locale("LC_ALL", locale),
      m_folder(m_temp.Path() / "install")
{
    fs::create_directories(m_folder);
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, L"Software\\Quenta\\Quenta Zephyron 8\\InstallLocation", 0,
                             nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::wstring value = m_folder.wstring();
    RegSetValueEx(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                  static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    CStringTable::ReleaseInstance();
    CLanguageSettings::ReleaseInstance();
}

TestInstallation::~TestInstallation()
{
    CStringTable::ReleaseInstance();
    CLanguageSettings::ReleaseInstance();
}

void TestInstallation::InstallLanguage(std::string_view culture) const
{
    WriteBytes(LanguageFolder(culture) / "i18n.dat", std::string(culture) + "\n");
}

}  // namespace orbisk::utils::testing
