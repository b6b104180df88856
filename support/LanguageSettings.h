#pragma once
// The user-interface language and the search for support files and language files.
//
// A support file is searched in the program's folder, then its parent folder, then the
// install folder (GetInstallLocation); in each, first under its name alone and then
// inside the given subfolder. Language files live in language folders
// "Resources/<culture>/" (for example "Resources/en-US/"), each marked by a file
// "i18n.dat".
//
// Language ids are Windows language ids: the primary language in the low 10 bits, the
// sublanguage (country) in the top 6.

#include <cstdint>
#include <memory>
#include <string>

namespace orbisk::utils {

inline constexpr wchar_t kDefaultLanguage[] = L"en-US";

// The language id of the user's locale, taken from LC_ALL, LC_MESSAGES or LANG (the
// first one set, for example "pt_BR.UTF-8"); 0 when it names no language ("C").
std::uint16_t GetUserLanguageId();

// The two-letter code of the id's primary language, empty when it has none. Croatian
// and Serbian share a primary id; the code is "hr".
std::wstring GetLanguageCode(std::uint16_t languageId = GetUserLanguageId());
// "US" or "GB" for English, "CN" or "TW" for Chinese, "PT" or "BR" for Portuguese;
// empty for every other language.
std::wstring GetCountryCode(std::uint16_t languageId = GetUserLanguageId());

// The full path of the first existing candidate, or empty. The subfolder ends in "/"
// (or "\").
std::wstring FindSupportFile(const std::wstring& name, const std::wstring& subfolder = {});
// The same search with the two folders given; an empty folder is not searched.
std::wstring FindSupportFileIn(const std::wstring& programFolder, const std::wstring& installFolder,
                               const std::wstring& name, const std::wstring& subfolder);

class CLanguageSettings {
public:
    // Made on first use: the current language is the system language when its language
    // folder has an "i18n.dat", else "en-US".
    static CLanguageSettings& GetInstance();
    // Frees the settings; the next GetInstance makes them again.
    static void ReleaseInstance();

    // Code and country ("pt-BR"), the code alone ("fr"), or "en-US" for a language that
    // has no code.
    static std::wstring GetSystemLanguage(std::uint16_t languageId = GetUserLanguageId());

    // The explicit language when one is set, else the current one.
    std::wstring GetLanguage() const
    {
        return m_explicitLanguage.empty() ? m_currentLanguage : m_explicitLanguage;
    }
    // "en" for the current languages "en-US" and "en-GB", else the current language.
    std::wstring GetServiceCulture() const { return m_serviceCulture; }
    // The command line's choice; set it before the first text is translated.
    void SetExplicitLanguage(const std::wstring& language) { m_explicitLanguage = language; }

    // The file in the folder of GetLanguage, else in that of "en-US", else empty.
    std::wstring FindLocalizedFile(const std::wstring& name) const;

    CLanguageSettings(const CLanguageSettings&) = delete;
    CLanguageSettings& operator=(const CLanguageSettings&) = delete;

private:
    CLanguageSettings();
    friend std::default_delete<CLanguageSettings>;
    ~CLanguageSettings() = default;

    std::wstring m_explicitLanguage;
    std::wstring m_currentLanguage;
    std::wstring m_serviceCulture;
};

}  // namespace orbisk::utils
