// The window side's answers to the screen and colour queries of SystemInfo.h: the screen
// of the X display, and the colours of the GTK theme once wxWidgets has started.
//
// This file is linked into every program that links zph_platform_ui (see
// platform/win32/CMakeLists.txt), and installs its answers before main() runs, so no
// program can forget to.

#include "platform/win32/SystemInfo.h"

#include <wx/app.h>
#include <wx/settings.h>

#include <cmath>

// Last: Xlib's macros (None, Status, ...) would clash with the headers above.
#include <X11/Xlib.h>

namespace {

int Dpi(int pixels, int millimetres)
{
    if (millimetres <= 0)
        return 96;
    return static_cast<int>(std::lround(pixels * 25.4 / millimetres));
}

class CDisplayQueries final : public IDisplayQueries {
public:
    CDisplayQueries() { SetDisplayQueries(this); }
    ~CDisplayQueries() override { SetDisplayQueries(nullptr); }

    // The display is opened for each query: queries are rare, and the display may come
    // and go during the program's life.
    bool GetScreen(int& width, int& height, int& dpiX, int& dpiY) const override
    {
        Display* display = XOpenDisplay(nullptr);
        if (!display)
            return false;
        const int screen = DefaultScreen(display);
        width = DisplayWidth(display, screen);
        height = DisplayHeight(display, screen);
        dpiX = Dpi(width, DisplayWidthMM(display, screen));
        dpiY = Dpi(height, DisplayHeightMM(display, screen));
        XCloseDisplay(display);
        return true;
    }

    bool GetSysColor(int index, COLORREF& colour) const override
    {
        // The theme's colours are known once wxWidgets (and GTK) have started.
        if (!wxTheApp)
            return false;
        wxSystemColour system;
        switch (index) {
            case COLOR_WINDOW: system = wxSYS_COLOUR_WINDOW; break;
            case COLOR_WINDOWTEXT: system = wxSYS_COLOUR_WINDOWTEXT; break;
            case COLOR_BTNFACE: system = wxSYS_COLOUR_BTNFACE; break;
            default: return false;
        }
        const wxColour value = wxSystemSettings::GetColour(system);
        if (!value.IsOk())
            return false;
        colour = static_cast<COLORREF>(value.Red() | value.Green() << 8 | value.Blue() << 16);
        return true;
    }
};

const CDisplayQueries g_displayQueries;

}  // namespace
