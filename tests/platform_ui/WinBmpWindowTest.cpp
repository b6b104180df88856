// The user interface's bitmaps on a real display: drawn into device contexts over wx ones,
// turned into icons and cursors, and a cursor shown by a window.
#include "image/CWinBmp.h"
#include "image/ImageRep.h"
#include "image/PLWinBmp.h"
#include "platform/mfc/DC.h"
#include "platform/mfc/IconCursor.h"
#include "support/ResourceLoader.h"
#include "tests/support/WindowTest.h"

#include <gtest/gtest.h>
#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/frame.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <vector>

// Last: Xlib's macros (None, Status, ...) would clash with the headers above.
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

namespace {
using orbisk::bmputils::CWinBmp;
using orbisk::imageutils::ImageRep;
using orbisk::utils::IntRect;
namespace bmp = orbisk::bmputils;

const wxColour kCanvasWhite(255, 255, 255);

std::wstring DataFile(const char* name)
{
    const char* root = std::getenv("ZPH_SOURCE_DIR");
    return (std::filesystem::path(root ? root : ".") / "tests" / "data" / "image" / name).wstring();
}

// A 32-bit bitmap whose pixel (x, y) is colour(x, y) as red, green, blue, alpha.
void MakeBitmap(CWinBmp& bitmap, int width, int height, const std::function<wxColour(int, int)>& colour)
{
    std::vector<uint8_t> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const wxColour c = colour(x, y);
            pixels.insert(pixels.end(), {c.Blue(), c.Green(), c.Red(), c.Alpha()});
        }
    }
    ImageRep image;
    image.Create(width, height, orbisk::imageutils::kFormatRGBA, 0, pixels.data());
    ASSERT_TRUE(bitmap.CreateFromImageRep(image));
}

// Four columns red, green, blue, and a fully transparent grey; two rows.
wxColour Columns(int x, int)
{
    const wxColour colours[] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {90, 90, 90, 0}};
    return colours[x];
}

// Draws into a white 40 x 30 canvas and gives back what it shows.
wxImage WhiteCanvas(const std::function<void(HDC)>& draw)
{
    wxBitmap target(40, 30, 24);
    {
        wxMemoryDC memory(target);
        memory.SetBackground(wxBrush(kCanvasWhite));
        memory.Clear();
        CDC dc(memory);
        draw(dc);
    }
    return target.ConvertToImage();
}

// Handles made by the tests, destroyed with them.
struct Icon {
    HICON handle;
    ~Icon() { DestroyIcon(handle); }
};

wxColour PixelAt(const wxImage& image, int x, int y)
{
    return {image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y)};
}

TEST(WinBmpDrawing, DrawsAtItsOwnSizeCopyingTheColoursWithoutBlending)
{
    CWinBmp bitmap;
    MakeBitmap(bitmap, 4, 2, Columns);
    const wxImage shown = WhiteCanvas([&](HDC dc) {
        EXPECT_TRUE(bitmap.Draw(dc, IntRect{5, 6, 30, 30}, false));
    });
    EXPECT_EQ(PixelAt(shown, 5, 6), wxColour(255, 0, 0));
    EXPECT_EQ(PixelAt(shown, 6, 7), wxColour(0, 255, 0));
    EXPECT_EQ(PixelAt(shown, 7, 6), wxColour(0, 0, 255));
    EXPECT_EQ(PixelAt(shown, 8, 7), wxColour(90, 90, 90))
        << "the fourth byte is not alpha to a device context";
    EXPECT_EQ(PixelAt(shown, 9, 6), kCanvasWhite);
    EXPECT_EQ(PixelAt(shown, 5, 8), kCanvasWhite);
    EXPECT_EQ(PixelAt(shown, 4, 6), kCanvasWhite);
}

TEST(WinBmpDrawing, StretchFillsTheRectangleByRepeatingPixels)
{
    CWinBmp bitmap;
    MakeBitmap(bitmap, 4, 2, Columns);
    const wxImage shown = WhiteCanvas([&](HDC dc) {
        EXPECT_TRUE(bitmap.Draw(dc, IntRect{0, 0, 8, 4}, true));
    });
    EXPECT_EQ(PixelAt(shown, 0, 0), wxColour(255, 0, 0));
    EXPECT_EQ(PixelAt(shown, 1, 3), wxColour(255, 0, 0));
    EXPECT_EQ(PixelAt(shown, 2, 0), wxColour(0, 255, 0));
    EXPECT_EQ(PixelAt(shown, 5, 2), wxColour(0, 0, 255));
    EXPECT_EQ(PixelAt(shown, 8, 0), kCanvasWhite);
    EXPECT_EQ(PixelAt(shown, 0, 4), kCanvasWhite);
}

TEST(WinBmpDrawing, PartsAndScaledCopiesOfAWindowsBitmap)
{
    CWinBmp bitmap;
    MakeBitmap(bitmap, 4, 2, Columns);
    const PLWinBmp& pixels = *bitmap.GetBitmap();
    const wxImage shown = WhiteCanvas([&](HDC dc) {
        bmp::DrawPart(dc, pixels, 0, 0, 1, 1, 3, 2);  // green and blue of the bottom row
        bmp::DrawScaled(dc, pixels, 10, 10, 2.5);     // 10 x 5
    });
    EXPECT_EQ(PixelAt(shown, 0, 0), wxColour(0, 255, 0));
    EXPECT_EQ(PixelAt(shown, 1, 0), wxColour(0, 0, 255));
    EXPECT_EQ(PixelAt(shown, 2, 0), kCanvasWhite);
    EXPECT_EQ(PixelAt(shown, 0, 1), kCanvasWhite);
    EXPECT_EQ(PixelAt(shown, 10, 10), wxColour(255, 0, 0));
    EXPECT_EQ(PixelAt(shown, 19, 14), wxColour(90, 90, 90));
    EXPECT_EQ(PixelAt(shown, 20, 14), kCanvasWhite);
    EXPECT_EQ(PixelAt(shown, 19, 15), kCanvasWhite);
}

TEST(WinBmpDrawing, EffectsKeepTheAspectRatioCentredInTheRectangle)
{
    CWinBmp bitmap;
    MakeBitmap(bitmap, 4, 2, [](int, int) { return wxColour(0, 0, 0); });
    bitmap.SetFadeAmount(255);
    const wxImage shown = WhiteCanvas([&](HDC dc) {
        EXPECT_TRUE(bitmap.DrawWithEffects(dc, IntRect{0, 0, 20, 20}, true));
    });
    // 20 x 10 from row 5; the fade whitens the lower-right triangle.
    EXPECT_EQ(PixelAt(shown, 2, 4), kCanvasWhite);
    EXPECT_EQ(PixelAt(shown, 2, 6), wxColour(0, 0, 0));
    EXPECT_EQ(PixelAt(shown, 18, 14), kCanvasWhite);
    EXPECT_EQ(PixelAt(shown, 2, 15), kCanvasWhite);

    CWinBmp empty;
    WhiteCanvas([&](HDC dc) {
        EXPECT_FALSE(empty.Draw(dc, IntRect{0, 0, 5, 5}, false));
        EXPECT_FALSE(empty.DrawWithEffects(dc, IntRect{0, 0, 5, 5}, true));
    });
}

TEST(WinBmpIcons, TransparentPixelsAreMaskedAndTheRestBlendedOverTheBackground)
{
    CWinBmp bitmap;
    MakeBitmap(bitmap, 3, 1, [](int x, int) {
        const wxColour colours[] = {{9, 9, 9, 0}, {255, 0, 0, 255}, {0, 0, 255, 51}};
        return colours[x];
    });
    const Icon made{bitmap.CreateIcon(false, 0x0000FF, 0, 0)};
    const wxIcon icon = ToWxIcon(made.handle);
    ASSERT_TRUE(icon.IsOk());
    EXPECT_EQ(icon.GetWidth(), 3);
    EXPECT_EQ(icon.GetHeight(), 1);
    const wxImage image = icon.ConvertToImage();
    ASSERT_TRUE(image.HasAlpha());
    EXPECT_EQ(image.GetAlpha(0, 0), 0);
    EXPECT_EQ(image.GetAlpha(1, 0), 255);
    EXPECT_EQ(PixelAt(image, 1, 0), wxColour(255, 0, 0));
    EXPECT_EQ(PixelAt(image, 2, 0), wxColour(204, 0, 50)) << "a fifth blue over red";
    EXPECT_EQ(CWinBmp().CreateIcon(false, 0, 0, 0), nullptr);
    EXPECT_FALSE(ToWxIcon(nullptr).IsOk());

    const Icon asCursor{bitmap.CreateIcon(true, 0x0000FF, 1, 0)};
    ASSERT_NE(asCursor.handle, nullptr);
    EXPECT_EQ(asCursor.handle->rgba[3], 0) << "masked";
    EXPECT_EQ(asCursor.handle->rgba[0], 0) << "and black as a cursor";
    EXPECT_EQ(asCursor.handle->xHotspot, 1);
}

std::vector<uint8_t> FileBytes(const char* name)
{
    std::ifstream file(std::filesystem::path(DataFile(name)), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The program's resources: one image file, rgba.png, as raw data 7.
int ProgramResources(uint32_t type, uint32_t id, const void** data, size_t* size)
{
    static const std::vector<uint8_t> png = FileBytes("rgba.png");
    if (type != orbisk::imageutils::kResourceTypeData || id != 7)
        return 0;
    *data = png.data();
    *size = png.size();
    return 1;
}

TEST(WinBmpIcons, IconsAndCursorsFromResources)
{
    orbisk::utils::SetProgramResources(&ProgramResources);
    const Icon icon{bmp::CreateIconFromResource(7, orbisk::imageutils::kResourceTypeData, true)};
    const Icon cursor{bmp::CreateCursorFromResource(7, orbisk::imageutils::kResourceTypeData, 1, 1)};
    const Icon missing{bmp::CreateIconFromResource(8, orbisk::imageutils::kResourceTypeData, true)};
    orbisk::utils::SetProgramResources(nullptr);
    ASSERT_TRUE(ToWxIcon(icon.handle).IsOk());
    EXPECT_EQ(ToWxIcon(icon.handle).GetWidth(), 12);
    EXPECT_EQ(ToWxIcon(icon.handle).GetHeight(), 7);
    EXPECT_TRUE(ToWxCursor(cursor.handle).IsOk());
    EXPECT_EQ(missing.handle, nullptr);
}

TEST(WinBmpIcons, IconsFromFilesAreGreyWhenDisabled)
{
    const Icon enabledIcon{bmp::CreateIconFromFile(DataFile("rgb.png"), true)};
    const Icon disabledIcon{bmp::CreateIconFromFile(DataFile("rgb.png"), false)};
    const wxIcon enabled = ToWxIcon(enabledIcon.handle);
    const wxIcon disabled = ToWxIcon(disabledIcon.handle);
    ASSERT_TRUE(enabled.IsOk());
    ASSERT_TRUE(disabled.IsOk());
    EXPECT_EQ(enabled.GetWidth(), 12);
    const wxImage colour = enabled.ConvertToImage();
    const wxImage grey = disabled.ConvertToImage();
    EXPECT_EQ(PixelAt(colour, 3, 2), wxColour(60, 72, 205)) << "the file's pattern";
    const wxColour greyed = PixelAt(grey, 3, 2);
    EXPECT_EQ(greyed.Red(), greyed.Green());
    EXPECT_EQ(greyed.Green(), greyed.Blue());
    EXPECT_GE(greyed.Red(), 128);
    EXPECT_EQ(bmp::CreateIconFromFile(DataFile("missing.png"), true), nullptr);
}

// What the X server shows at the pointer once it is moved to a point of the screen.
struct ShownCursor {
    int width = 0;
    int height = 0;
    int hotspotX = -1;
    int hotspotY = -1;
    unsigned long topLeftPixel = 0;  // ARGB, alpha premultiplied
};

bool ShowCursorAt(wxPoint point, int width, int height, ShownCursor& shown)
{
    Display* display = XOpenDisplay(nullptr);
    int eventBase = 0, errorBase = 0;
    if (!display || !XFixesQueryExtension(display, &eventBase, &errorBase))
        return false;
    XWarpPointer(display, 0, DefaultRootWindow(display), 0, 0, 0, 0, point.x, point.y);
    XFlush(display);
    const bool found = PumpEventsUntil([&] {
        XFixesCursorImage* image = XFixesGetCursorImage(display);
        if (!image)
            return false;
        // Xlib widens each 32-bit pixel to a long, extending its sign.
        shown = {image->width, image->height, image->xhot, image->yhot, image->pixels[0] & 0xFFFFFFFFul};
        XFree(image);
        return shown.width == width && shown.height == height;
    });
    XCloseDisplay(display);
    return found;
}

TEST(WinBmpCursors, AWindowShowsTheCursorOfAFileWithItsHotspotAndAlpha)
{
    const Icon made{bmp::CreateCursorFromFile(DataFile("rgba.png"), 3, 4)};
    const wxCursor cursor = ToWxCursor(made.handle);
    ASSERT_TRUE(cursor.IsOk());
    EXPECT_EQ(bmp::CreateCursorFromFile(DataFile("missing.png"), 0, 0), nullptr);
    EXPECT_EQ(CWinBmp().CreateCursor(0, 0), nullptr);
    EXPECT_FALSE(ToWxCursor(nullptr).IsOk());

    auto* frame = new wxFrame(nullptr, wxID_ANY, "Cursor", wxDefaultPosition, wxSize(100, 80));
    bool destroyed = false;
    frame->Bind(wxEVT_DESTROY, [&](wxWindowDestroyEvent& event) {
        destroyed = event.GetEventObject() == frame;
        event.Skip();
    });
    frame->SetCursor(cursor);
    frame->Show();
    ASSERT_TRUE(PumpEventsUntil([frame] { return frame->IsShownOnScreen(); }));

    ShownCursor shown;
    EXPECT_TRUE(ShowCursorAt(frame->ClientToScreen(wxPoint(30, 30)), 12, 7, shown))
        << "the pointer shows a " << shown.width << " x " << shown.height << " cursor";
    EXPECT_EQ(shown.hotspotX, 3);
    EXPECT_EQ(shown.hotspotY, 4);
    EXPECT_EQ(shown.topLeftPixel, 0xFF0000FFul) << "the file's top-left pixel, opaque blue";

    frame->Close(true);
    EXPECT_TRUE(PumpEventsUntil([&] { return destroyed; }));
}
}  // namespace
