#include "view/ViewProfile.h"

#include <string>

#include "platform/win32/Registry.h"

namespace {

std::wstring SectionKey(const wchar_t* section)
{
    return std::wstring(L"Software\\Quenta\\Viewer\\") + section;
}

}  // namespace

int ReadViewProfileInt(const wchar_t* section, const wchar_t* entry, int defaultValue)
{
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, SectionKey(section).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return defaultValue;
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof(value);
    const LSTATUS status =
        RegQueryValueEx(key, entry, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof(value))
        return defaultValue;
    return static_cast<int>(value);
}

bool WriteViewProfileInt(const wchar_t* section, const wchar_t* entry, int value)
{
    HKEY key = nullptr;
    if (RegCreateKeyEx(HKEY_CURRENT_USER, SectionKey(section).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                       KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const DWORD data = static_cast<DWORD>(value);
    const LSTATUS status =
        RegSetValueEx(key, entry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}
