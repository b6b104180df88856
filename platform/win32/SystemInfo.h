#pragma once
// Win32 system queries answered on Linux: the version record, the screen, system
// colours, the program's own file, the temporary folder and the last error with its
// text.
//
// The screen and the colours are the display's only in programs that link the window
// side of the layer (zph_platform_ui), which installs its answers at start-up
// (SetDisplayQueries). Everything else gets fixed answers: a 1280 x 1024 screen at 96
// dots per inch and Windows' default colours, so that readers, tools and the tests of
// the libraries need no display and no X library.

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

// The screen metrics above, 0 for any other index. The display's screen is both the
// primary and the virtual screen, counted as one monitor, at (0, 0).
int GetSystemMetrics(int index);

inline constexpr int LOGPIXELSX = 88;
inline constexpr int LOGPIXELSY = 90;

// GetDeviceCaps of the screen's device context for LOGPIXELSX and LOGPIXELSY: the
// display's resolution; 0 for any other index.
int GetScreenDeviceCaps(int index);

inline constexpr int COLOR_WINDOW = 5;
inline constexpr int COLOR_WINDOWTEXT = 8;
inline constexpr int COLOR_BTNFACE = 15;

// The colours above; 0 for any other index. Fixed: white window background, black
// window text, light grey (240, 240, 240) button face.
COLORREF GetSysColor(int index);

// What the display tells of itself, for the queries above.
class IDisplayQueries {
public:
    virtual ~IDisplayQueries() = default;
    // Pixels and dots per inch; false when there is no display to ask.
    virtual bool GetScreen(int& width, int& height, int& dpiX, int& dpiY) const = 0;
    // False for a colour the display does not give (or cannot give yet).
    virtual bool GetSysColor(int index, COLORREF& colour) const = 0;
};

// The display the queries ask from now on; null goes back to the fixed answers. The
// object stays the caller's and must outlive its use.
void SetDisplayQueries(const IDisplayQueries* queries);

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
