#include "platform/win32/Registry.h"

#include "platform/mfc/TextEncoding.h"

#include <wx/convauto.h>
#include <wx/fileconf.h>
#include <wx/log.h>
#include <wx/sstream.h>
#include <wx/wfstream.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

enum class Hive { CurrentUser, LocalMachine };

}  // namespace

struct HKEY__ {
    Hive hive;
    wxString group;  // absolute group path in the hive file, "" for the root
    REGSAM access;
};

namespace {

HKEY__ currentUserRoot{Hive::CurrentUser, wxString(), KEY_ALL_ACCESS};
HKEY__ localMachineRoot{Hive::LocalMachine, wxString(), KEY_ALL_ACCESS};

}  // namespace

HKEY const HKEY_CURRENT_USER = &currentUserRoot;
HKEY const HKEY_LOCAL_MACHINE = &localMachineRoot;

namespace {

std::filesystem::path StoreFolder()
{
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config)
        return std::filesystem::path(config) / "zephyron";
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : ".") / ".config" / "zephyron";
}

std::filesystem::path HivePath(Hive hive)
{
    return StoreFolder() / (hive == Hive::CurrentUser ? "HKEY_CURRENT_USER.ini" : "HKEY_LOCAL_MACHINE.ini");
}

// One hive file, read on construction. wx logging is silenced for the object's life:
// in the program a logged error would open a modal dialog.
class HiveFile {
public:
    explicit HiveFile(Hive hive) : m_path(HivePath(hive))
    {
        std::error_code error;
        if (std::filesystem::is_regular_file(m_path, error)) {
            wxFileInputStream in(wxString::FromUTF8(m_path.string()));
            if (in.IsOk()) {
                // Files are written in UTF-8; a damaged one is read as Latin-1 rather than lost.
                m_config = std::make_unique<wxFileConfig>(in, wxConvAuto(wxFONTENCODING_ISO8859_1));
                return;
            }
        }
        wxStringInputStream empty{wxString()};
        m_config = std::make_unique<wxFileConfig>(empty, wxConvUTF8);
    }

    wxFileConfig& Config() { return *m_config; }

    // Writes beside the file and renames, so a failed write never leaves half a file.
    bool Save()
    {
        std::error_code error;
        std::filesystem::create_directories(m_path.parent_path(), error);
        const std::filesystem::path temporary = m_path.string() + ".tmp";
        {
            wxFileOutputStream out(wxString::FromUTF8(temporary.string()));
            if (!out.IsOk() || !m_config->Save(out, wxConvUTF8) || !out.Close())
                return false;
        }
        std::filesystem::rename(temporary, m_path, error);
        return !error;
    }

private:
    wxLogNull m_quiet;
    std::filesystem::path m_path;
    std::unique_ptr<wxFileConfig> m_config;
};

// wx's own UTF-8 writes each surrogate as three bytes of its own, so text reaches the
// hive file through the program's codec and the file holds standard UTF-8.
wxString HiveText(std::wstring_view text)
{
    const std::string utf8 = WideToUtf8(text);
    return wxString::FromUTF8(utf8.data(), utf8.size());
}

// Key and value names may hold any character but "/" separates groups in the file and
// "@" names the default value, so both are escaped (and "%", the escape itself).
wxString EscapeName(std::wstring_view name)
{
    std::wstring escaped;
    for (wchar_t c : name) {
        switch (c) {
            case L'%': escaped += L"%25"; break;
            case L'/': escaped += L"%2F"; break;
            case L'@': escaped += L"%40"; break;
            default: escaped += c;
        }
    }
    return HiveText(escaped);
}

wxString SubKeyGroup(const wxString& parent, LPCWSTR subKey)
{
    wxString group = parent;
    std::wstring_view rest = subKey ? subKey : L"";
    while (!rest.empty()) {
        const size_t separator = rest.find(L'\\');
        const std::wstring_view component = rest.substr(0, separator);
        if (!component.empty())
            group += L"/" + EscapeName(component);
        rest = separator == std::wstring_view::npos ? std::wstring_view() : rest.substr(separator + 1);
    }
    return group;
}

wxString EntryPath(HKEY key, LPCWSTR valueName)
{
    const wxString entry = valueName && *valueName ? EscapeName(valueName) : wxString(L"@");
    return key->group + L"/" + entry;
}

struct Value {
    DWORD type;
    std::vector<BYTE> bytes;
};

constexpr const wchar_t* kTextPrefix = L"sz:";
constexpr const wchar_t* kDwordPrefix = L"dword:";
constexpr const wchar_t* kBinaryPrefix = L"hex:";

std::optional<wxString> Encode(DWORD type, const BYTE* data, DWORD size)
{
    switch (type) {
        case REG_SZ: {
            std::wstring text(size / sizeof(wchar_t), L'\0');
            if (!text.empty())
                std::memcpy(text.data(), data, text.size() * sizeof(wchar_t));
            text.resize(std::wcslen(text.c_str()));
            return kTextPrefix + HiveText(text);
        }
        case REG_DWORD: {
            if (size != sizeof(DWORD))
                return std::nullopt;
            DWORD number;
            std::memcpy(&number, data, sizeof number);
            return kDwordPrefix + wxString::Format(L"%u", number);
        }
        case REG_BINARY: {
            wxString hex = kBinaryPrefix;
            for (DWORD i = 0; i < size; ++i)
                hex += wxString::Format(L"%02x", data[i]);
            return hex;
        }
        default: return std::nullopt;
    }
}

std::optional<Value> Decode(const wxString& stored)
{
    wxString rest;
    if (stored.StartsWith(kTextPrefix, &rest)) {
        // wx reads surrogates that an older hive file holds as it wrote them; they follow the
        // codec's rule like all other text.
        const std::wstring text = Utf8ToWide(WideToUtf8(rest.ToStdWstring()));
        std::vector<BYTE> bytes((text.size() + 1) * sizeof(wchar_t));
        std::memcpy(bytes.data(), text.c_str(), bytes.size());
        return Value{REG_SZ, std::move(bytes)};
    }
    if (stored.StartsWith(kDwordPrefix, &rest)) {
        unsigned long number = 0;
        if (!rest.ToULong(&number) || number > 0xFFFFFFFFul)
            return std::nullopt;
        const DWORD dword = static_cast<DWORD>(number);
        std::vector<BYTE> bytes(sizeof dword);
        std::memcpy(bytes.data(), &dword, sizeof dword);
        return Value{REG_DWORD, std::move(bytes)};
    }
    if (stored.StartsWith(kBinaryPrefix, &rest)) {
        if (rest.length() % 2 != 0)
            return std::nullopt;
        std::vector<BYTE> bytes;
        bytes.reserve(rest.length() / 2);
        for (size_t i = 0; i < rest.length(); i += 2) {
            unsigned long byte = 0;
            if (!rest.Mid(i, 2).ToULong(&byte, 16))
                return std::nullopt;
            bytes.push_back(static_cast<BYTE>(byte));
        }
        return Value{REG_BINARY, std::move(bytes)};
    }
    return std::nullopt;
}

LSTATUS OpenKey(HKEY key, LPCWSTR subKey, REGSAM access, PHKEY result, bool create, DWORD* disposition)
{
    if (!key)
        return ERROR_INVALID_HANDLE;
    if (!result)
        return ERROR_INVALID_PARAMETER;
    const wxString group = SubKeyGroup(key->group, subKey);
    const bool exists = group.empty() || HiveFile(key->hive).Config().HasGroup(group);
    if (!exists && !create)
        return ERROR_FILE_NOT_FOUND;
    if (disposition)
        *disposition = exists ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
    *result = new HKEY__{key->hive, group, access};
    return ERROR_SUCCESS;
}

}  // namespace

LSTATUS RegOpenKeyEx(HKEY key, LPCWSTR subKey, DWORD, REGSAM access, PHKEY result)
{
    return OpenKey(key, subKey, access, result, false, nullptr);
}

LSTATUS RegCreateKeyEx(HKEY key, LPCWSTR subKey, DWORD, LPWSTR, DWORD, REGSAM access, const void*,
                       PHKEY result, DWORD* disposition)
{
    return OpenKey(key, subKey, access, result, true, disposition);
}

LSTATUS RegQueryValueEx(HKEY key, LPCWSTR valueName, DWORD*, DWORD* type, BYTE* data, DWORD* dataSize)
{
    if (!key)
        return ERROR_INVALID_HANDLE;
    if (!(key->access & KEY_QUERY_VALUE))
        return ERROR_ACCESS_DENIED;
    if (data && !dataSize)
        return ERROR_INVALID_PARAMETER;
    HiveFile hive(key->hive);
    wxString stored;
    if (!hive.Config().Read(EntryPath(key, valueName), &stored))
        return ERROR_FILE_NOT_FOUND;
    const std::optional<Value> value = Decode(stored);
    if (!value)
        return ERROR_INVALID_DATA;
    if (type)
        *type = value->type;
    if (!dataSize)
        return ERROR_SUCCESS;
    const DWORD needed = static_cast<DWORD>(value->bytes.size());
    const DWORD available = *dataSize;
    *dataSize = needed;
    if (!data)
        return ERROR_SUCCESS;
    if (available < needed)
        return ERROR_MORE_DATA;
    std::memcpy(data, value->bytes.data(), needed);
    return ERROR_SUCCESS;
}

LSTATUS RegSetValueEx(HKEY key, LPCWSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD dataSize)
{
    if (!key)
        return ERROR_INVALID_HANDLE;
    if (!(key->access & KEY_SET_VALUE))
        return ERROR_ACCESS_DENIED;
    if (!data && dataSize != 0)
        return ERROR_INVALID_PARAMETER;
    const std::optional<wxString> encoded = Encode(type, data, dataSize);
    if (!encoded)
        return ERROR_INVALID_PARAMETER;
    HiveFile hive(key->hive);
    if (!hive.Config().Write(EntryPath(key, valueName), *encoded) || !hive.Save())
        return ERROR_ACCESS_DENIED;
    return ERROR_SUCCESS;
}

LSTATUS RegDeleteValue(HKEY key, LPCWSTR valueName)
{
    if (!key)
        return ERROR_INVALID_HANDLE;
    if (!(key->access & KEY_SET_VALUE))
        return ERROR_ACCESS_DENIED;
    HiveFile hive(key->hive);
    const wxString entry = EntryPath(key, valueName);
    if (!hive.Config().HasEntry(entry))
        return ERROR_FILE_NOT_FOUND;
    if (!hive.Config().DeleteEntry(entry, false) || !hive.Save())
        return ERROR_ACCESS_DENIED;
    return ERROR_SUCCESS;
}

LSTATUS RegDeleteKey(HKEY key, LPCWSTR subKey)
{
    if (!key)
        return ERROR_INVALID_HANDLE;
    const wxString group = SubKeyGroup(key->group, subKey);
    if (group.empty() || group == key->group)
        return ERROR_INVALID_PARAMETER;
    HiveFile hive(key->hive);
    wxFileConfig& config = hive.Config();
    if (!config.HasGroup(group))
        return ERROR_FILE_NOT_FOUND;
    config.SetPath(group);
    const bool hasSubKeys = config.GetNumberOfGroups(false) > 0;
    config.SetPath(L"/");
    if (hasSubKeys)
        return ERROR_ACCESS_DENIED;
    if (!config.DeleteGroup(group) || !hive.Save())
        return ERROR_ACCESS_DENIED;
    return ERROR_SUCCESS;
}

LSTATUS RegQueryInfoKey(HKEY key, LPWSTR, DWORD* classSize, DWORD*, DWORD* subKeys, DWORD* maxSubKeyLength,
                        DWORD* maxClassLength, DWORD* values, DWORD* maxValueNameLength,
                        DWORD* maxValueLength, DWORD* securityDescriptor, void*)
{
    if (!key)
        return ERROR_INVALID_HANDLE;
    HiveFile hive(key->hive);
    wxFileConfig& config = hive.Config();
    if (!key->group.empty() && !config.HasGroup(key->group))
        return ERROR_FILE_NOT_FOUND;
    config.SetPath(key->group.empty() ? wxString(L"/") : key->group);
    const DWORD groups = static_cast<DWORD>(config.GetNumberOfGroups(false));
    const DWORD entries = static_cast<DWORD>(config.GetNumberOfEntries(false));
    config.SetPath(L"/");
    for (DWORD* zero :
         {classSize, maxSubKeyLength, maxClassLength, maxValueNameLength, maxValueLength, securityDescriptor})
        if (zero)
            *zero = 0;
    if (subKeys)
        *subKeys = groups;
    if (values)
        *values = entries;
    return ERROR_SUCCESS;
}

LSTATUS RegCloseKey(HKEY key)
{
    if (!key)
        return ERROR_INVALID_HANDLE;
    if (key != HKEY_CURRENT_USER && key != HKEY_LOCAL_MACHINE)
        delete key;
    return ERROR_SUCCESS;
}
