// A program with windows answers the screen and colour queries from its display, with no
// call of its own to ask for it.
#include "platform/win32/SystemInfo.h"
#include "tests/support/WindowTest.h"

#include <gtest/gtest.h>
#include <wx/gdicmn.h>
#include <wx/settings.h>

namespace {

TEST(DisplayQueries, TheScreenAndTheThemeColoursAreTheDisplays)
{
    const wxSize screen = wxGetDisplaySize();
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), screen.GetWidth());
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), screen.GetHeight());
    struct Case {
        int index;
        wxSystemColour theme;
    };
    for (const Case c : {Case{COLOR_BTNFACE, wxSYS_COLOUR_BTNFACE}, Case{COLOR_WINDOW, wxSYS_COLOUR_WINDOW},
                         Case{COLOR_WINDOWTEXT, wxSYS_COLOUR_WINDOWTEXT}}) {
        const wxColour colour = wxSystemSettings::GetColour(c.theme);
        EXPECT_EQ(GetSysColor(c.index), COLORREF(colour.Red() | colour.Green() << 8 | colour.Blue() << 16))
            << c.index;
    }
}

}  // namespace
