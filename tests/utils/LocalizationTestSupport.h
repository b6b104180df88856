#pragma once
// Helpers of the localisation tests: files with exact bytes in the four text encodings,
// and a program installation in a temporary folder.

#include "tests/support/TempFolder.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace orbisk::utils::testing {

// Writes the bytes, making the missing folders.
void WriteBytes(const std::filesystem::path& path, std::string_view bytes);

// The text (each character one UTF-16 unit or a surrogate pair) as UTF-16 bytes,
// preceded by the byte-order signature.
std::string Utf16WithSignature(std::wstring_view text, bool bigEndian);
std::string Utf8WithSignature(std::string_view utf8);

// An install folder, named by the machine-wide registry of a temporary configuration
// folder, with the user's locale fixed. The language settings and the string table are
// made afresh inside its lifetime.
class TestInstallation {
public:
    explicit TestInstallation(const char* locale = "C");
    ~TestInstallation();
    TestInstallation(const TestInstallation&) = delete;
    TestInstallation& operator=(const TestInstallation&) = delete;

    const std::filesystem::path& Folder() const { return m_folder; }
    std::filesystem::path LanguageFolder(std::string_view culture) const
    {
        return m_folder / "Resources" / culture;
    }
    // Marks the language as installed with its "i18n.dat".
    void InstallLanguage(std::string_view culture) const;

private:
    TempFolder m_temp;
    ScopedEnvironment m_config;
    ScopedEnvironment m_locale;
    std::filesystem::path m_folder;
};

}  // namespace orbisk::utils::testing
