// The cache's cursors on a real display: the table's images and the system's standard cursors
// both become cursors that a window shows.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include <wx/frame.h>

#include "platform/mfc/IconCursor.h"
#include "platform/win32/Cursor.h"
#include "tests/support/WindowTest.h"
#include "viewer/ViewerCursors.h"

TEST(CursorsWindow, TableAndStandardCursorsBecomeWindowCursors)
{
    const char* source = std::getenv("ZPH_SOURCE_DIR");
    ASSERT_TRUE(source);
    CViewerCursors cursors((std::filesystem::path(source) / "resources" / "cursors").wstring());
    auto* frame = new wxFrame(nullptr, wxID_ANY, "cursors");
    frame->Show();
    for (int id : {418, 1003, int(IDC_ARROW), int(IDC_WAIT), int(IDC_SIZEWE)}) {
        const wxCursor cursor = ToWxCursor(cursors.FindCursor(id));
        EXPECT_TRUE(cursor.IsOk()) << id;
        frame->SetCursor(cursor);
    }
    frame->Destroy();
    EXPECT_TRUE(PumpEventsUntil([] { return wxTopLevelWindows.IsEmpty(); }));
}
