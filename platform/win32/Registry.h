#pragma once
// The Win32 registry calls over a file-backed store.
//
// Each predefined root is one file under $XDG_CONFIG_HOME/zephyron/ (or
// ~/.config/zephyron/): "HKEY_CURRENT_USER.ini" and "HKEY_LOCAL_MACHINE.ini". A key
// path "Software\Quenta\X" is the group [Software/Quenta/X]; the default (unnamed)
// value is the entry "@". Every call reads the file afresh and every change writes
// it back, so separate processes and tests that move XDG_CONFIG_HOME see one truth.
//
// Supported value types: REG_SZ, REG_DWORD and REG_BINARY. Unlike Windows, names
// are case-sensitive, and a key that holds neither values nor sub-keys is not kept.

#include "platform/win32/WinTypes.h"

struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;
using REGSAM = DWORD;

extern HKEY const HKEY_CURRENT_USER;
extern HKEY const HKEY_LOCAL_MACHINE;

inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr REGSAM KEY_WRITE = 0x20006;
inline constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;

inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// ERROR_FILE_NOT_FOUND when the key does not exist.
LSTATUS RegOpenKeyEx(HKEY key, LPCWSTR subKey, DWORD options, REGSAM access, PHKEY result);

// Opens the key, creating it when missing; `disposition` may be null.
LSTATUS RegCreateKeyEx(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass, DWORD options,
                       REGSAM access, const void* security, PHKEY result, DWORD* disposition);

// REG_SZ data is wchar_t text with its terminating null; sizes count bytes. With a
// null `data` only the size is reported; a buffer too small gives ERROR_MORE_DATA
// and the size needed.
LSTATUS RegQueryValueEx(HKEY key, LPCWSTR valueName, DWORD* reserved, DWORD* type, BYTE* data,
                        DWORD* dataSize);

LSTATUS RegSetValueEx(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                      DWORD dataSize);

LSTATUS RegDeleteValue(HKEY key, LPCWSTR valueName);

// Deletes the sub-key with its values; ERROR_ACCESS_DENIED while it still has sub-keys.
LSTATUS RegDeleteKey(HKEY key, LPCWSTR subKey);

// The numbers of direct sub-keys and of values of the key; every other out-parameter
// may be null and is answered 0.
LSTATUS RegQueryInfoKey(HKEY key, LPWSTR keyClass, DWORD* classSize, DWORD* reserved, DWORD* subKeys,
                        DWORD* maxSubKeyLength, DWORD* maxClassLength, DWORD* values,
                        DWORD* maxValueNameLength, DWORD* maxValueLength, DWORD* securityDescriptor,
                        void* lastWriteTime);

LSTATUS RegCloseKey(HKEY key);
