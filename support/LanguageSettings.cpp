#include "support/LanguageSettings.h"

#include "support/PathUtils.h"
#include "support/StringUtils.h"
#include "support/SystemQueries.h"

#include <array>
#include <cstdlib>
#include <string_view>

namespace orbisk::utils {

namespace {

struct LanguageCode {
    std::uint16_t primary;
    const wchar_t* code;
};

// Searched in this order: the first row of a primary id wins, so Serbian (the second
// 0x1A) is never chosen.
constexpr std::array<LanguageCode, 37> kLanguageCodes = {{
    {0x01, L"ar"}, {0x02, L"bg"}, {0x03, L"ca"}, {0x04, L"zh"}, {0x1A, L"hr"}, {0x05, L"cs"}, {0x06, L"da"},
    {0x13, L"nl"}, {0x09, L"en"}, {0x0B, L"fi"}, {0x0C, L"fr"}, {0x07, L"de"}, {0x08, L"el"}, {0x0D, L"iw"},
    {0x39, L"hi"}, {0x0E, L"hu"}, {0x21, L"id"}, {0x10, L"it"}, {0x11, L"ja"}, {0x12, L"ko"}, {0x26, L"lv"},
    {0x27, L"lt"}, {0x14, L"no"}, {0x15, L"pl"}, {0x16, L"pt"}, {0x18, L"ro"}, {0x19, L"ru"}, {0x1A, L"sr"},
    {0x1B, L"sk"}, {0x24, L"sl"}, {0x0A, L"es"}, {0x1D, L"sv"}, {0x1E, L"th"}, {0x1F, L"tr"}, {0x22, L"uk"},
    {0x2A, L"vi"}, {0x64, L"tl"},
}};

constexpr std::uint16_t kEnglish = 0x09;
constexpr std::uint16_t kChinese = 0x04;
constexpr std::uint16_t kPortuguese = 0x16;

// POSIX language codes that differ from the table's.
struct LanguageAlias {
    std::string_view posix;
    std::uint16_t primary;
};
constexpr std::array<LanguageAlias, 4> kLanguageAliases = {{
    {"he", 0x0D},
    {"nb", 0x14},
    {"nn", 0x14},
    {"fil", 0x64},
}};

// Windows sublanguages of the countries that decide a language folder; every other
// country is sublanguage 1, the language's default.
struct SublanguageRow {
    std::string_view language;
    std::string_view country;
    std::uint16_t sublanguage;
};
constexpr std::array<SublanguageRow, 10> kSublanguages = {{
    {"en", "GB", 2},
    {"en", "AU", 3},
    {"en", "CA", 4},
    {"en", "NZ", 5},
    {"en", "IE", 6},
    {"zh", "CN", 2},
    {"zh", "HK", 3},
    {"zh", "SG", 4},
    {"zh", "MO", 5},
    {"pt", "PT", 2},
}};

constexpr std::wstring_view kLanguageMarker = L"i18n.dat";
constexpr std::wstring_view kLanguageFolders = L"Resources/";

std::uint16_t PrimaryLanguage(std::uint16_t languageId)
{
    return languageId & 0x3FF;
}
std::uint16_t Sublanguage(std::uint16_t languageId)
{
    return languageId >> 10;
}

std::uint16_t PrimaryOfPosixCode(std::string_view code)
{
    for (const LanguageAlias& alias : kLanguageAliases)
        if (alias.posix == code)
            return alias.primary;
    for (const LanguageCode& row : kLanguageCodes)
        if (ToUtf8(row.code) == code)
            return row.primary;
    return 0;
}

std::uint16_t SublanguageOf(std::string_view language, std::string_view country)
{
    for (const SublanguageRow& row : kSublanguages)
        if (row.language == language && row.country == country)
            return row.sublanguage;
    return 1;
}

const char* UserLocale()
{
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value)
            return value;
    }
    return "";
}

// The program's folder without its last component, ending in "/"; empty when it has
// no parent.
std::wstring ParentFolder(std::wstring folder)
{
    if (!folder.empty() && folder.back() == L'/')
        folder.pop_back();
    const size_t slash = folder.rfind(L'/');
    return slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash + 1);
}

std::wstring LanguageFolder(const std::wstring& language)
{
    return std::wstring(kLanguageFolders) + language + L"/";
}

std::unique_ptr<CLanguageSettings> instance;

}  // namespace

std::uint16_t GetUserLanguageId()
{
    // language[_COUNTRY][.codeset][@modifier]
    const std::string_view locale = UserLocale();
    const std::string_view name = locale.substr(0, locale.find_first_of(".@"));
    const size_t underscore = name.find('_');
    const std::string_view language = name.substr(0, underscore);
    const std::string_view country =
        underscore == std::string_view::npos ? std::string_view() : name.substr(underscore + 1);
    const std::uint16_t primary = PrimaryOfPosixCode(language);
    if (primary == 0)
        return 0;
    return static_cast<std::uint16_t>(SublanguageOf(language, country) << 10 | primary);
}

std::wstring GetLanguageCode(std::uint16_t languageId)
{
    for (const LanguageCode& row : kLanguageCodes)
        if (row.primary == PrimaryLanguage(languageId))
            return row.code;
    return {};
}

std::wstring GetCountryCode(std::uint16_t languageId)
{
    const std::uint16_t sublanguage = Sublanguage(languageId);
    switch (PrimaryLanguage(languageId)) {
        case kEnglish: return sublanguage == 1 ? L"US" : L"GB";
        case kChinese: return sublanguage == 2 || sublanguage == 4 ? L"CN" : L"TW";
        case kPortuguese: return sublanguage == 2 ? L"PT" : L"BR";
        default: return {};
    }
}

std::wstring FindSupportFileIn(const std::wstring& programFolder, const std::wstring& installFolder,
                               const std::wstring& name, const std::wstring& subfolder)
{
    for (const std::wstring& folder : {programFolder, ParentFolder(programFolder), installFolder}) {
        if (folder.empty())
            continue;
        std::wstring candidate = JoinPath(folder, name);
        if (FileExists(candidate))
            return candidate;
        if (subfolder.empty())
            continue;
        candidate = JoinPath(JoinPath(folder, subfolder), name);
        if (FileExists(candidate))
            return candidate;
    }
    return {};
}

std::wstring FindSupportFile(const std::wstring& name, const std::wstring& subfolder)
{
    return FindSupportFileIn(GetModuleFolder(), GetInstallLocation(), name, subfolder);
}

CLanguageSettings& CLanguageSettings::GetInstance()
{
    if (!instance)
        instance.reset(new CLanguageSettings());
    return *instance;
}

void CLanguageSettings::ReleaseInstance()
{
    instance.reset();
}

std::wstring CLanguageSettings::GetSystemLanguage(std::uint16_t languageId)
{
    const std::wstring code = GetLanguageCode(languageId);
    if (code.empty())
        return kDefaultLanguage;
    const std::wstring country = GetCountryCode(languageId);
    return country.empty() ? code : code + L"-" + country;
}

CLanguageSettings::CLanguageSettings()
{
    const std::wstring systemLanguage = GetSystemLanguage();
    const bool installed =
        !FindSupportFile(std::wstring(kLanguageMarker), LanguageFolder(systemLanguage)).empty();
    m_currentLanguage = installed ? systemLanguage : kDefaultLanguage;
    m_serviceCulture =
        m_currentLanguage == L"en-US" || m_currentLanguage == L"en-GB" ? L"en" : m_currentLanguage;
}

std::wstring CLanguageSettings::FindLocalizedFile(const std::wstring& name) const
{
    std::wstring path = FindSupportFile(LanguageFolder(GetLanguage()) + name);
    if (path.empty())
        path = FindSupportFile(LanguageFolder(kDefaultLanguage) + name);
    return path;
}

}  // namespace orbisk::utils
