#include "platform/win32/SystemInfo.h"

#include <X11/Xlib.h>
#include <sys/utsname.h>
#include <unistd.h>
#include <wx/string.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>

namespace {

constexpr int kHeadlessWidth = 1280;
constexpr int kHeadlessHeight = 1024;
constexpr int kHeadlessDpi = 96;

std::wstring WideFromUtf8(std::string_view text)
{
    return wxString::FromUTF8(text.data(), text.size()).ToStdWstring();
}

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

int Dpi(int pixels, int millimetres)
{
    if (millimetres <= 0)
        return kHeadlessDpi;
    return static_cast<int>(std::lround(pixels * 25.4 / millimetres));
}

// Opened for each query: the queries are rare and the display may come and go.
ScreenFacts QueryScreen()
{
    ScreenFacts facts;
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return facts;
    const int screen = DefaultScreen(display);
    facts.width = DisplayWidth(display, screen);
    facts.height = DisplayHeight(display, screen);
    facts.dpiX = Dpi(facts.width, DisplayWidthMM(display, screen));
    facts.dpiY = Dpi(facts.height, DisplayHeightMM(display, screen));
    XCloseDisplay(display);
    return facts;
}

}  // namespace

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
    const std::wstring release = WideFromUtf8(name.release);
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
    switch (index) {
        case COLOR_WINDOW: return 0x00FFFFFF;
        case COLOR_WINDOWTEXT: return 0x00000000;
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
    std::wstring wide = WideFromUtf8(std::string_view(path, static_cast<size_t>(length)));
    if (wide.size() >= size)
        wide.resize(size - 1);
    return CopyOut(wide, buffer, size);
}

DWORD GetTempPath(DWORD size, LPWSTR buffer)
{
    const char* folder = std::getenv("TMPDIR");
    std::wstring path = WideFromUtf8(folder && *folder ? folder : "/tmp");
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
    return CopyOut(WideFromUtf8(description), buffer, size);
}
