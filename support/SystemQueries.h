#pragma once
// What the system asks the platform about itself. Every query has a fixed fallback
// instead of an error.

#include "platform/win32/SystemInfo.h"
#include "support/Color.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace orbisk::utils {

// 0 unknown (also Win32s and any platform that is not Windows), 1 Windows 95, 2 98,
// 3 Me, 4 NT 4 or older, 5 2000, 6 XP, 7 Vista (any NT 6).
enum OSCode { kOSUnknown = 0, kOSWin95, kOSWin98, kOSWinMe, kOSWinNT4, kOSWin2000, kOSWinXP, kOSWinVista };

// The OS code of the platform's version record, describing it into `text`.
int GetOSVersionText(std::wstring& text);
// The same for a given record: codes 1 to 7 replace the text with the version's name
// ("Windows XP "); from NT 5 on "%s (Build %d)" (service pack, build) follows, and NT 4
// and older get "version %d.%d %s (Build %d)". An unknown version leaves the text as it
// is, except that an NT one above 4 still gets the build part.
int DescribeOSVersion(const OSVERSIONINFOEX& info, std::wstring& text);
int GetOSVersion();

struct ScreenRect {
    std::int32_t left, top, width, height;
};

// The virtual screen (all monitors), or the primary one on NT 4.
void GetScreenSize(int& width, int& height);
int GetMonitorCount();
void GetScreenRect(ScreenRect& rect);
// The mean of the screen's horizontal and vertical pixels per inch.
int GetScreenDpi();

CColor GetDefaultWindowColor();
CColor GetDefaultWindowTextColor();

// The folder of the program's executable.
std::wstring GetModuleFolder();
// The default value of the machine-wide registry key
// "Software\Quenta\Quenta Zephyron 8\InstallLocation", normalised; the program's
// folder when the store has none.
std::wstring GetInstallLocation();

bool FileExists(const std::wstring& path);

// The user's decimal point (from the environment's numeric locale), "." when unknown.
wchar_t GetLocaleDecimalPoint();
// Parses a number written in the user's numeric locale, with spaces and tabs around
// it. False when anything follows the number, or when the value is 0 but the text does
// not start with "0" ("-0" and ".0" fail); `value` holds what was parsed. The process
// locale is not touched.
bool ParseLocaleDouble(const std::wstring& text, double& value);

// Seconds since 1970 shifted from local to universal time.
std::int64_t ToUtcTime(std::int64_t localTime);

// Uniform in [a, b] from the runtime's generator (rand); b only at its maximum.
double RandomDouble(double a, double b);
int RandomInt(int a, int b);

// The text of a platform error (errno value; -1 for the last one), trimmed, or the id
// in decimal when it has none. No module carries a message table on this platform, so
// the module name adds nothing.
std::wstring GetErrorText(int id, const std::wstring& moduleName);
// Looks the last error's text up and discards it.
void DescribeLastError();

// Formats into 2,048 bytes (longer messages are cut) and writes to the trace stream,
// when one is set: by default nothing is written.
void DebugTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The stream is the caller's; null switches the trace off.
void SetDebugTraceStream(std::FILE* stream);

struct IntRect {
    std::int32_t left, top, right, bottom;
};

void InitIntRect(IntRect& rect, std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom);

}  // namespace orbisk::utils
