#include "platform/win32/SystemInfo.h"

#include "platform/mfc/TextEncoding.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <string>
#include <string_view>

namespace {

constexpr int kHeadlessWidth = 1280;
constexpr int kHeadlessHeight = 1024;
constexpr int kHeadlessDpi = 96;

// Set by the window side at start-up. Zero-initialised, so it is null before any
// start-up code runs.
const IDisplayQueries* g_displayQueries = nullptr;

// Copies text and its null when the buffer holds them; returns the length copied, or
// 0 when it does not fit.
DWORD CopyOut(const std::wstring& text, LPWSTR buffer, DWORD size)
{
    if (!buffer || text.size() + 1 > size)
        return 0;
    std::wmemcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}

struct ScreenFacts {
    int width = kHeadlessWidth;
    int height = kHeadlessHeight;
    int dpiX = kHeadlessDpi;
    int dpiY = kHeadlessDpi;
};

ScreenFacts QueryScreen()
{
    ScreenFacts facts;
    if (!g_displayQueries || !g_displayQueries->GetScreen(facts.width, facts.height, facts.dpiX, facts.dpiY))
        return ScreenFacts{};
    return facts;
}

}  // namespace

void SetDisplayQueries(const IDisplayQueries* queries)
{
    g_displayQueries = queries;
}

BOOL GetVersionEx(OSVERSIONINFOEX* info)
{
    if (!info)
        return 0;
    utsname name{};
    if (uname(&name) != 0)
        return 0;
    *info = OSVERSIONINFOEX{};
    info->dwOSVersionInfoSize = sizeof(OSVERSIONINFOEX);
    info->dwPlatformId = VER_PLATFORM_LINUX;
    unsigned major = 0, minor = 0, patch = 0;
    std::sscanf(name.release, "%u.%u.%u", &major, &minor, &patch);
    info->dwMajorVersion = major;
    info->dwMinorVersion = minor;
    info->dwBuildNumber = patch;
    const std::wstring release = Utf8ToWide(name.release);
    const size_t length = std::min(release.size(), std::size(info->szCSDVersion) - 1);
    std::wmemcpy(info->szCSDVersion, release.c_str(), length);
    return 1;
}

int GetSystemMetrics(int index)
{
    switch (index) {
        case SM_CXSCREEN:
        case SM_CXVIRTUALSCREEN: return QueryScreen().width;
        case SM_CYSCREEN:
        case SM_CYVIRTUALSCREEN: return QueryScreen().height;
        case SM_XVIRTUALSCREEN:
        case SM_YVIRTUALSCREEN: return 0;
        case SM_CMONITORS: return 1;
        default: return 0;
    }
}

int GetScreenDeviceCaps(int index)
{
    switch (index) {
        case LOGPIXELSX: return QueryScreen().dpiX;
        case LOGPIXELSY: return QueryScreen().dpiY;
        default: return 0;
    }
}

COLORREF GetSysColor(int index)
{
    COLORREF colour = 0;
    if (g_displayQueries && g_displayQueries->GetSysColor(index, colour))
        return colour;
    switch (index) {
        case COLOR_WINDOW: return 0x00FFFFFF;
        case COLOR_WINDOWTEXT: return 0x00000000;
        case COLOR_BTNFACE: return 0x00F0F0F0;
        default: return 0;
    }
}

DWORD GetModuleFileName(HMODULE module, LPWSTR buffer, DWORD size)
{
    if (module || !buffer || size == 0)
        return 0;
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof path)
        return 0;
    std::wstring wide = Utf8ToWide(std::string_view(path, static_cast<size_t>(length)));
    if (wide.size() >= size)
        wide.resize(size - 1);
    return CopyOut(wide, buffer, size);
}

DWORD GetTempPath(DWORD size, LPWSTR buffer)
{
    const char* folder = std::getenv("TMPDIR");
    std::wstring path = Utf8ToWide(folder && *folder ? folder : "/tmp");
    if (path.back() != L'/')
        path += L'/';
    if (path.size() + 1 > size)
        return static_cast<DWORD>(path.size() + 1);
    return CopyOut(path, buffer, size);
}

DWORD GetLastError()
{
    return static_cast<DWORD>(errno);
}

void SetLastError(DWORD error)
{
    errno = static_cast<int>(error);
}

DWORD FormatMessage(DWORD flags, const void*, DWORD messageId, DWORD, LPWSTR buffer, DWORD size, void*)
{
    if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM))
        return 0;
    const char* description = strerrordesc_np(static_cast<int>(messageId));
    if (!description)
        return 0;
    return CopyOut(Utf8ToWide(description), buffer, size);
}
