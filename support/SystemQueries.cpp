#include "support/SystemQueries.h"

#include "platform/win32/Registry.h"
#include "support/PathUtils.h"
#include "support/StringUtils.h"

#include <langinfo.h>
#include <locale.h>
#include <unistd.h>
#include <wchar.h>

#include <cstdarg>
#include <cstdlib>
#include <ctime>
#include <iterator>

namespace orbisk::utils {

namespace {

constexpr size_t kVersionPartLength = 63;  // the appended parts fill 64-character buffers
constexpr size_t kTraceBufferSize = 2048;
constexpr const wchar_t* kInstallLocationKey = L"Software\\Quenta\\Quenta Zephyron 8\\InstallLocation";

std::FILE* traceStream = nullptr;

void AppendVersionPart(std::wstring& text, const wchar_t* format, auto... arguments)
{
    std::wstring part;
    Format(part, format, arguments...);
    text += part.substr(0, kVersionPartLength);
}

int DescribeWindows9x(const OSVERSIONINFOEX& info, std::wstring& text)
{
    if (info.dwMajorVersion != 4)
        return kOSUnknown;
    const wchar_t servicePackLetter = info.szCSDVersion[0] ? info.szCSDVersion[1] : L'\0';
    switch (info.dwMinorVersion) {
        case 0:
            text = L"Microsoft Windows 95 ";
            if (servicePackLetter == L'C')
                text += L"OSR2 ";
            return kOSWin95;
        case 10:
            text = L"Microsoft Windows 98 ";
            if (servicePackLetter == L'A')
                text += L"SE ";
            return kOSWin98;
        case 90: text = L"Microsoft Windows Me "; return kOSWinMe;
        default: return kOSUnknown;
    }
}

int DescribeWindowsNT(const OSVERSIONINFOEX& info, std::wstring& text)
{
    const int build = static_cast<int>(info.dwBuildNumber & 0xFFFF);
    if (info.dwMajorVersion <= 4) {
        text = L"Windows NT ";
        AppendVersionPart(text, L"version %d.%d %s (Build %d)", static_cast<int>(info.dwMajorVersion),
                          static_cast<int>(info.dwMinorVersion), info.szCSDVersion, build);
        return kOSWinNT4;
    }
    int code = kOSUnknown;
    if (info.dwMajorVersion == 5 && info.dwMinorVersion == 0) {
        text = L"Windows 2000 ";
        code = kOSWin2000;
    } else if (info.dwMajorVersion == 5 && info.dwMinorVersion == 1) {
        text = L"Windows XP ";
        code = kOSWinXP;
    } else if (info.dwMajorVersion == 6) {
        text = L"Windows Vista ";
        code = kOSWinVista;
    }
    AppendVersionPart(text, L"%s (Build %d)", info.szCSDVersion, build);
    return code;
}

// The user's numeric locale from the environment, or "C" when it cannot be had; used
// through the *_l functions, so the process locale never changes.
class UserNumericLocale {
public:
    UserNumericLocale()
    {
        m_locale = newlocale(LC_NUMERIC_MASK, "", locale_t{});
        if (!m_locale)
            m_locale = newlocale(LC_NUMERIC_MASK, "C", locale_t{});
    }
    ~UserNumericLocale()
    {
        if (m_locale)
            freelocale(m_locale);
    }
    UserNumericLocale(const UserNumericLocale&) = delete;
    UserNumericLocale& operator=(const UserNumericLocale&) = delete;

    locale_t Get() const { return m_locale; }

private:
    locale_t m_locale;
};

const wchar_t* SkipBlanks(const wchar_t* text)
{
    while (*text == L' ' || *text == L'\t')
        ++text;
    return text;
}

// rand() spans 0..RAND_MAX; scaled to 0..1 inclusive.
double RandomFraction()
{
    return static_cast<double>(std::rand()) / RAND_MAX;
}

}  // namespace

int DescribeOSVersion(const OSVERSIONINFOEX& info, std::wstring& text)
{
    switch (info.dwPlatformId) {
        case VER_PLATFORM_WIN32s: text = L"Microsoft Win32s "; return kOSUnknown;
        case VER_PLATFORM_WIN32_WINDOWS: return DescribeWindows9x(info, text);
        case VER_PLATFORM_WIN32_NT: return DescribeWindowsNT(info, text);
        default: return kOSUnknown;
    }
}

int GetOSVersionText(std::wstring& text)
{
    OSVERSIONINFOEX info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionEx(&info))
        return kOSUnknown;
    return DescribeOSVersion(info, text);
}

int GetOSVersion()
{
    std::wstring ignored;
    return GetOSVersionText(ignored);
}

void GetScreenSize(int& width, int& height)
{
    const bool primaryOnly = GetOSVersion() == kOSWinNT4;
    width = GetSystemMetrics(primaryOnly ? SM_CXSCREEN : SM_CXVIRTUALSCREEN);
    height = GetSystemMetrics(primaryOnly ? SM_CYSCREEN : SM_CYVIRTUALSCREEN);
}

int GetMonitorCount()
{
    return GetOSVersion() == kOSWinNT4 ? 1 : GetSystemMetrics(SM_CMONITORS);
}

void GetScreenRect(ScreenRect& rect)
{
    if (GetOSVersion() == kOSWinNT4) {
        rect = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        return;
    }
    rect = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
            GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

int GetScreenDpi()
{
    return (GetScreenDeviceCaps(LOGPIXELSX) + GetScreenDeviceCaps(LOGPIXELSY)) / 2;
}

CColor GetDefaultWindowColor()
{
    CColor color(GetSysColor(COLOR_WINDOW));
    color.SetAlpha(255);
    return color;
}

CColor GetDefaultWindowTextColor()
{
    CColor color(GetSysColor(COLOR_WINDOWTEXT));
    color.SetAlpha(255);
    return color;
}

std::wstring GetModuleFolder()
{
    wchar_t path[4096];
    if (GetModuleFileName(nullptr, path, std::size(path)) == 0)
        return {};
    return GetFolder(path);
}

std::wstring GetInstallLocation()
{
    HKEY key = nullptr;
    std::wstring location;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, kInstallLocationKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        wchar_t buffer[2048 / sizeof(wchar_t)];
        DWORD size = sizeof buffer;
        DWORD type = REG_NONE;
        if (RegQueryValueEx(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) ==
                ERROR_SUCCESS &&
            type == REG_SZ)
            location.assign(buffer, wcsnlen(buffer, size / sizeof(wchar_t)));
        RegCloseKey(key);
    }
    return location.empty() ? GetModuleFolder() : NormalizePath(location);
}

bool FileExists(const std::wstring& path)
{
    return access(ToUtf8(path).c_str(), F_OK) == 0;
}

wchar_t GetLocaleDecimalPoint()
{
    const UserNumericLocale locale;
    const char* point = locale.Get() ? nl_langinfo_l(RADIXCHAR, locale.Get()) : nullptr;
    const std::wstring wide = WideFromUtf8(point);
    return wide.empty() ? L'.' : wide.front();
}

bool ParseLocaleDouble(const std::wstring& text, double& value)
{
    const wchar_t* start = SkipBlanks(text.c_str());
    const wchar_t first = *start;
    const UserNumericLocale locale;
    wchar_t* end = nullptr;
    value = locale.Get() ? wcstod_l(start, &end, locale.Get()) : wcstod(start, &end);
    if (value == 0 && first != L'0')
        return false;
    return *SkipBlanks(end) == L'\0';
}

std::int64_t ToUtcTime(std::int64_t localTime)
{
    tzset();
    const std::time_t universal = static_cast<std::time_t>(localTime + timezone);
    std::tm broken{};
    if (localtime_r(&universal, &broken) && broken.tm_isdst > 0)
        return universal - 3600;
    return universal;
}

double RandomDouble(double a, double b)
{
    return a + RandomFraction() * (b - a);
}

int RandomInt(int a, int b)
{
    // In double: b - a may overflow an int, the result never leaves [a, b].
    return static_cast<int>(a + static_cast<std::int64_t>(RandomFraction() * (static_cast<double>(b) - a)));
}

std::wstring GetErrorText(int id, const std::wstring&)
{
    const DWORD code = id == -1 ? GetLastError() : static_cast<DWORD>(id);
    wchar_t buffer[1024];
    if (FormatMessage(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buffer,
                      std::size(buffer), nullptr) > 0) {
        std::wstring text = buffer;
        return Trim(text);
    }
    std::wstring number;
    Format(number, L"%d", static_cast<int>(code));
    return number;
}

void DescribeLastError()
{
    GetErrorText(-1, {});
}

void DebugTrace(const char* format, ...)
{
    if (!traceStream || !format)
        return;
    char buffer[kTraceBufferSize];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    std::fputs(buffer, traceStream);
    std::fflush(traceStream);
}

void SetDebugTraceStream(std::FILE* stream)
{
    traceStream = stream;
}

void InitIntRect(IntRect& rect, std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
{
    rect = {left, top, right, bottom};
}

}  // namespace orbisk::utils
