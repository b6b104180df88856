// The cursor cache: the system's cursors for the standard ids, the cursor table's images made
// on first use, and cursors made from image files at run time.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "platform/win32/Cursor.h"
#include "tests/support/ModelFiles.h"
#include "tests/support/TempFolder.h"
#include "viewer/ViewerCursors.h"

namespace {

std::wstring ShippedCursorFolder()
{
    const char* source = std::getenv("ZPH_SOURCE_DIR");
    return source ? (std::filesystem::path(source) / "resources" / "cursors").wstring() : std::wstring();
}

class CursorsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(ShippedCursorFolder().empty()) << "ZPH_SOURCE_DIR is not set"; }

    const CursorRecord* Record(int id) const
    {
        for (const CursorRecord& record : cursors.GetCursorTable())
            if (record.id == id)
                return &record;
        return nullptr;
    }

    CViewerCursors cursors{ShippedCursorFolder()};
};

}  // namespace

TEST_F(CursorsTest, TheTableHasEveryCursorWithItsHotSpot)
{
    EXPECT_EQ(cursors.GetCursorTable().size(), 73u);
    struct Case {
        int id;
        int x, y;
        const char* name;
    };
    const Case shipped[] = {
        {418, 16, 16, "cursor_Turn"},   {419, 10, 10, "cursor_Camera"},     {420, 16, 16, "cursor_Walk"},
        {421, 11, 11, "cursor_Zoom"},   {422, 11, 11, "cursor_ZoomWindow"}, {466, 16, 16, "cursor_WalkNo"},
        {1003, 16, 16, "cursor_Dolly"},
    };
    for (const Case& c : shipped) {
        const CursorRecord* record = Record(c.id);
        ASSERT_TRUE(record) << c.name;
        EXPECT_EQ(record->name, c.name);
        EXPECT_EQ(record->resourceType, "VPNG") << c.name;
        EXPECT_EQ(record->cursor, nullptr) << c.name << ": nothing is made before it is asked for";

        HCURSOR cursor = cursors.FindCursor(c.id);
        ASSERT_NE(cursor, nullptr) << c.name;
        EXPECT_EQ(GetStandardCursorId(cursor), 0) << c.name << ": the table's own image, not the arrow";
        EXPECT_EQ(cursor->xHotspot, c.x) << c.name;
        EXPECT_EQ(cursor->yHotspot, c.y) << c.name;
        EXPECT_EQ(cursor->width, 32) << c.name;
        EXPECT_EQ(Record(c.id)->cursor, cursor) << c.name << ": kept in the table";
    }
    int others = 0;
    for (const CursorRecord& record : cursors.GetCursorTable()) {
        if (record.resourceType == "PNG") {
            ++others;
            EXPECT_GE(record.id, 629) << record.name;
            EXPECT_LE(record.id, 926) << record.name;
        }
    }
    EXPECT_EQ(others, 66);
}

TEST_F(CursorsTest, ACursorIsMadeOnceAndReused)
{
    HCURSOR first = cursors.FindCursor(418);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(cursors.FindCursor(418), first);
    EXPECT_EQ(cursors.GetCursor(418), first);
}

TEST_F(CursorsTest, IdsWithoutACursorGiveTheArrow)
{
    HCURSOR arrow = LoadCursor(nullptr, IDC_ARROW);
    ASSERT_NE(arrow, nullptr);
    EXPECT_EQ(cursors.FindCursor(0), arrow);
    EXPECT_EQ(cursors.FindCursor(632), arrow) << "cursor_Pencil: no image is shipped";
    EXPECT_EQ(cursors.GetCursor(632), nullptr);
    EXPECT_EQ(cursors.FindCursor(12345), arrow) << "no such id";
    EXPECT_EQ(cursors.FindCursor(50001), arrow) << "no run-time cursor yet";

    // A cache whose images are missing gives the arrow too, and tries again next time.
    CViewerCursors missing(L"/nonexistent/cursors");
    EXPECT_EQ(missing.FindCursor(418), missing.GetDefaultCursor());
    for (const CursorRecord& record : missing.GetCursorTable())
        EXPECT_EQ(record.cursor, nullptr) << record.name;
}

TEST_F(CursorsTest, StandardIdsGiveTheSystemsCursors)
{
    for (int id : {IDC_ARROW, IDC_WAIT, IDC_CROSS, IDC_UPARROW, IDC_SIZE, IDC_ICON, IDC_SIZENWSE,
                   IDC_SIZENESW, IDC_SIZEWE, IDC_SIZENS, IDC_SIZEALL, IDC_NO, IDC_APPSTARTING, IDC_HELP}) {
        HCURSOR cursor = cursors.FindCursor(id);
        EXPECT_EQ(GetStandardCursorId(cursor), id);
        EXPECT_EQ(cursor, LoadCursor(nullptr, id)) << "one handle per standard cursor";
    }
    EXPECT_EQ(cursors.GetSystemCursor(IDC_IBEAM), nullptr) << "not one of the cache's standard ids";
}

TEST_F(CursorsTest, FileCursorsGetIdsFrom50001)
{
    TempFolder folder;
    const std::filesystem::path picture = folder / "pointer.bmp";
    {
        const Bytes bitmap = BitmapFile(4, 3, std::vector<Rgba>(12, Rgba{255, 0, 0, 255}));
        std::ofstream(picture, std::ios::binary)
            .write(reinterpret_cast<const char*>(bitmap.data()), bitmap.size());
    }
    const std::filesystem::path broken = folder / "broken.png";
    std::ofstream(broken) << "no image";

    EXPECT_EQ(cursors.AddCursorFromFile(broken.wstring(), 0, 0), 0) << "uses no id";
    const int first = cursors.AddCursorFromFile(picture.wstring(), 2, 1);
    const int second = cursors.AddCursorFromFile((ShippedCursorFolder() + L"/cursor_Zoom.png"), 11, 11);
    EXPECT_EQ(first, 50001);
    EXPECT_EQ(second, 50002);

    HCURSOR cursor = cursors.FindCursor(first);
    ASSERT_NE(cursor, nullptr);
    EXPECT_EQ(GetStandardCursorId(cursor), 0);
    EXPECT_EQ(cursor->width, 4);
    EXPECT_EQ(cursor->height, 3);
    EXPECT_EQ(cursor->xHotspot, 2);
    EXPECT_EQ(cursor->yHotspot, 1);
    ASSERT_EQ(cursors.GetRunTimeCursors().size(), 2u);
    EXPECT_EQ(cursors.GetRunTimeCursors()[0].resourceType, "BMP");
    EXPECT_EQ(cursors.GetRunTimeCursors()[1].resourceType, "PNG");
    EXPECT_EQ(cursors.GetRunTimeCursors()[0].name, picture.string());
}
