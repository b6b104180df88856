#pragma once
// Win32 system queries answered on Linux: the version record, the screen from the X
// display (fixed answers when there is no display), system colours, the program's
// own file, the temporary folder and the last error with its text.

#include "platform/win32/WinTypes.h"

inline constexpr DWORD VER_PLATFORM_WIN32s = 0;
inline constexpr DWORD VER_PLATFORM_WIN32_WINDOWS = 1;
inline constexpr DWORD VER_PLATFORM_WIN32_NT = 2;
// Not a Windows value: the platform reported on Linux, so that a version test written
// for Windows finds no Windows.
inline constexpr DWORD VER_PLATFORM_LINUX = 0x100;

struct OSVERSIONINFOEX {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    WCHAR szCSDVersion[128];
    WORD wServicePackMajor;
    WORD wServicePackMinor;
    WORD wSuiteMask;
    BYTE wProductType;
    BYTE wReserved;
};

// On Linux: VER_PLATFORM_LINUX, the kernel's major, minor and patch numbers, and the
// kernel's release text in szCSDVersion. FALSE for a null record.
BOOL GetVersionEx(OSVERSIONINFOEX* info);

inline constexpr int SM_CXSCREEN = 0;
inline constexpr int SM_CYSCREEN = 1;
inline constexpr int SM_XVIRTUALSCREEN = 76;
inline constexpr int SM_YVIRTUALSCREEN = 77;
inline constexpr int SM_CXVIRTUALSCREEN = 78;
inline constexpr int SM_CYVIRTUALSCREEN = 79;
inline constexpr int SM_CMONITORS = 80;

// The screen metrics above, 0 for any other index. The X root window is both the
// primary and the virtual screen, counted as one monitor. Without a display the
// screen is 1280 x 1024 at (0, 0).
int GetSystemMetrics(int index);

inline constexpr int LOGPIXELSX = 88;
inline constexpr int LOGPIXELSY = 90;

// GetDeviceCaps of the screen's device context for LOGPIXELSX and LOGPIXELSY: the
// display's resolution, 96 without a display; 0 for any other index.
int GetScreenDeviceCaps(int index);

inline constexpr int COLOR_WINDOW = 5;
inline constexpr int COLOR_WINDOWTEXT = 8;

// White window background and black window text; 0 for any other index.
COLORREF GetSysColor(int index);

// The full path of the program's executable (the module must be null: the program is
// the only module), truncated to size - 1 characters and null-terminated; returns the
// characters written, 0 on failure.
DWORD GetModuleFileName(HMODULE module, LPWSTR buffer, DWORD size);

// TMPDIR, else "/tmp", with a trailing "/". Returns the length written; when the
// buffer is too small, nothing is written and the size needed (with the null).
DWORD GetTempPath(DWORD size, LPWSTR buffer);

// The last error is errno: the platform's own calls report through it.
DWORD GetLastError();
void SetLastError(DWORD error);

inline constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x0200;
inline constexpr DWORD FORMAT_MESSAGE_FROM_HMODULE = 0x0800;
inline constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x1000;

// The text of a system error (an errno value) into the buffer; the characters
// written, or 0 when the id has no text or the buffer is too small. No module
// carries a message table here, so FORMAT_MESSAGE_FROM_HMODULE alone finds nothing.
DWORD FormatMessage(DWORD flags, const void* source, DWORD messageId, DWORD languageId, LPWSTR buffer,
                    DWORD size, void* arguments);
