// GDI's DIB copies into device contexts over real wxWidgets ones: every pixel layout, both
// row orders, stretching, source rectangles, bands of rows and the calls refused.
#include "platform/mfc/DC.h"
#include "tests/support/WindowTest.h"

#include <gtest/gtest.h>
#include <wx/bitmap.h>
#include <wx/dcmemory.h>

#include <cstring>
#include <functional>
#include <vector>

namespace {

const wxColour kWhite(255, 255, 255);
const wxColour kBlack(0, 0, 0);
const wxColour kRed(255, 0, 0);
const wxColour kGreen(0, 255, 0);
const wxColour kBlue(0, 0, 255);
const wxColour kGrey(128, 128, 128);  // the canvas: untouched by the picture

// A DIB as callers hold one: header and colour table in one block, the rows in another.
struct Dib {
    std::vector<uint8_t> header;
    std::vector<uint8_t> rows;
    const BITMAPINFO* Info() const { return reinterpret_cast<const BITMAPINFO*>(header.data()); }
};

Dib MakeDib(int width, int height, int bits, const std::vector<RGBQUAD>& palette, std::vector<uint8_t> rows)
{
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = WORD(bits);
    header.biCompression = BI_RGB;
    header.biClrUsed = DWORD(palette.size());
    Dib dib;
    dib.header.resize(sizeof header + palette.size() * sizeof(RGBQUAD));
    std::memcpy(dib.header.data(), &header, sizeof header);
    if (!palette.empty())
        std::memcpy(dib.header.data() + sizeof header, palette.data(), palette.size() * sizeof(RGBQUAD));
    dib.rows = std::move(rows);
    return dib;
}

// Red, green, blue, white: the colours of the 2 x 2 pictures below.
const std::vector<RGBQUAD> kPalette = {{0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}, {255, 255, 255, 0}};

// Draws into a grey 40 x 30 canvas and gives back what it shows.
wxImage Canvas(const std::function<void(HDC)>& draw)
{
    wxBitmap target(40, 30, 24);
    {
        wxMemoryDC memory(target);
        memory.SetBackground(wxBrush(kGrey));
        memory.Clear();
        CDC dc(memory);
        draw(dc);
    }
    return target.ConvertToImage();
}

wxColour At(const wxImage& image, int x, int y)
{
    return {image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y)};
}

int DrawWhole(HDC dc, const Dib& dib, int x, int y)
{
    const int height = std::abs(dib.Info()->bmiHeader.biHeight);
    return StretchDIBits(dc, x, y, dib.Info()->bmiHeader.biWidth, height, 0, 0, dib.Info()->bmiHeader.biWidth,
                         height, dib.rows.data(), dib.Info(), DIB_RGB_COLORS, SRCCOPY);
}

TEST(GdiDibs, EveryPixelLayoutDrawsItsColours)
{
    // 2 x 2 pictures stored bottom row first, each row padded to 4 bytes.
    struct Case {
        const char* what;
        Dib dib;
        wxColour topLeft, topRight, bottomLeft, bottomRight;
    };
    const Case cases[] = {
        {"1 bit", MakeDib(2, 2, 1, {{0, 0, 0, 0}, {255, 255, 255, 0}}, {0x40, 0, 0, 0, 0x80, 0, 0, 0}),
         kWhite, kBlack, kBlack, kWhite},
        {"4 bits", MakeDib(2, 2, 4, kPalette, {0x23, 0, 0, 0, 0x01, 0, 0, 0}), kRed, kGreen, kBlue, kWhite},
        {"8 bits", MakeDib(2, 2, 8, kPalette, {2, 3, 0, 0, 0, 1, 0, 0}), kRed, kGreen, kBlue, kWhite},
        {"16 bits, five each", MakeDib(2, 2, 16, {}, {0x1F, 0x00, 0xFF, 0x7F, 0x00, 0x7C, 0xE0, 0x03}), kRed,
         kGreen, kBlue, kWhite},
        {"24 bits", MakeDib(2, 2, 24, {}, {255, 0, 0, 255, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0}), kRed,
         kGreen, kBlue, kWhite},
        {"32 bits, the fourth byte is not alpha",
         MakeDib(2, 2, 32, {}, {255, 0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 7, 0, 255, 0, 7}), kRed, kGreen,
         kBlue, kWhite},
        {"8 bits, an index beyond the table", MakeDib(2, 2, 8, kPalette, {2, 200, 0, 0, 0, 1, 0, 0}), kRed,
         kGreen, kBlue, kBlack},
    };
    for (const Case& c : cases) {
        int rows = 0;
        const wxImage shown = Canvas([&](HDC dc) { rows = DrawWhole(dc, c.dib, 3, 4); });
        EXPECT_EQ(rows, 2) << c.what;
        EXPECT_EQ(At(shown, 3, 4), c.topLeft) << c.what;
        EXPECT_EQ(At(shown, 4, 4), c.topRight) << c.what;
        EXPECT_EQ(At(shown, 3, 5), c.bottomLeft) << c.what;
        EXPECT_EQ(At(shown, 4, 5), c.bottomRight) << c.what;
        EXPECT_EQ(At(shown, 5, 4), kGrey) << c.what;
        EXPECT_EQ(At(shown, 3, 6), kGrey) << c.what;
    }
}

TEST(GdiDibs, ATopDownDibStoresItsTopRowFirst)
{
    Dib topDown = MakeDib(2, -2, 8, kPalette, {0, 1, 0, 0, 2, 3, 0, 0});
    const wxImage shown = Canvas([&](HDC dc) { EXPECT_EQ(DrawWhole(dc, topDown, 0, 0), 2); });
    EXPECT_EQ(At(shown, 0, 0), kRed);
    EXPECT_EQ(At(shown, 1, 1), kWhite);
}

TEST(GdiDibs, StretchingRepeatsPixelsAndSourceRectanglesCountFromTheBottomRow)
{
    const Dib dib = MakeDib(2, 2, 8, kPalette, {2, 3, 0, 0, 0, 1, 0, 0});
    const auto stretch = [&](HDC dc, int x, int y, int width, int height, int xSrc, int ySrc, int srcWidth,
                             int srcHeight) {
        return StretchDIBits(dc, x, y, width, height, xSrc, ySrc, srcWidth, srcHeight, dib.rows.data(),
                             dib.Info(), DIB_RGB_COLORS, SRCCOPY);
    };
    const wxImage shown = Canvas([&](HDC dc) {
        EXPECT_EQ(stretch(dc, 0, 0, 4, 4, 0, 0, 2, 2), 4);
        EXPECT_EQ(stretch(dc, 10, 0, 1, 1, 0, 0, 1, 1), 1);  // the lower-left pixel
        EXPECT_EQ(stretch(dc, 12, 0, 1, 1, 1, 1, 1, 1), 1);  // the upper-right pixel
        // Half of this source lies right of the picture: only its inside half is drawn.
        EXPECT_EQ(stretch(dc, 20, 0, 4, 4, 1, 0, 2, 2), 4);
    });
    EXPECT_EQ(At(shown, 0, 0), kRed);
    EXPECT_EQ(At(shown, 1, 1), kRed);
    EXPECT_EQ(At(shown, 2, 1), kGreen);
    EXPECT_EQ(At(shown, 3, 3), kWhite);
    EXPECT_EQ(At(shown, 1, 2), kBlue);
    EXPECT_EQ(At(shown, 4, 0), kGrey);
    EXPECT_EQ(At(shown, 10, 0), kBlue);
    EXPECT_EQ(At(shown, 12, 0), kGreen);
    EXPECT_EQ(At(shown, 20, 0), kGreen);
    EXPECT_EQ(At(shown, 21, 3), kWhite);
    EXPECT_EQ(At(shown, 22, 0), kGrey);
}

TEST(GdiDibs, SetDIBitsToDeviceDrawsOnlyTheRowsItIsGiven)
{
    const Dib dib = MakeDib(2, 2, 8, kPalette, {2, 3, 0, 0, 0, 1, 0, 0});
    const uint8_t* secondStoredRow = dib.rows.data() + 4;  // the top row of a bottom-up DIB
    const wxImage shown = Canvas([&](HDC dc) {
        EXPECT_EQ(SetDIBitsToDevice(dc, 0, 0, 2, 2, 0, 0, 1, 1, secondStoredRow, dib.Info(), DIB_RGB_COLORS),
                  1);
        // The lower-right pixel alone, at (5, 5).
        EXPECT_EQ(SetDIBitsToDevice(dc, 5, 5, 1, 1, 1, 0, 0, 2, dib.rows.data(), dib.Info(), DIB_RGB_COLORS),
                  1);
    });
    EXPECT_EQ(At(shown, 0, 0), kRed);
    EXPECT_EQ(At(shown, 1, 0), kGreen);
    EXPECT_EQ(At(shown, 0, 1), kGrey) << "the bottom row was not given";
    EXPECT_EQ(At(shown, 5, 5), kWhite);
    EXPECT_EQ(At(shown, 6, 5), kGrey);
}

TEST(GdiDibs, OnlyTheClipBoxIsWorkedOn)
{
    const Dib dib = MakeDib(2, 2, 8, kPalette, {2, 3, 0, 0, 0, 1, 0, 0});
    wxBitmap target(40, 30, 24);
    wxMemoryDC memory(target);
    memory.SetClippingRegion(0, 0, 40, 3);
    CDC dc(memory);
    EXPECT_EQ(
        StretchDIBits(dc, 0, 0, 10, 10, 0, 0, 2, 2, dib.rows.data(), dib.Info(), DIB_RGB_COLORS, SRCCOPY), 3);
}

TEST(GdiDibs, CallsThatCannotDrawDrawNothing)
{
    const Dib dib = MakeDib(2, 2, 8, kPalette, {2, 3, 0, 0, 0, 1, 0, 0});
    const auto withHeader = [&](const std::function<void(BITMAPINFOHEADER&)>& change) {
        Dib changed = dib;
        BITMAPINFOHEADER header;
        std::memcpy(&header, changed.header.data(), sizeof header);
        change(header);
        std::memcpy(changed.header.data(), &header, sizeof header);
        return changed;
    };
    struct Case {
        const char* what;
        Dib dib;
        int width;
        UINT usage;
        DWORD rop;
    };
    const Case cases[] = {
        {"run-length compression", withHeader([](auto& h) { h.biCompression = 1; }), 2, DIB_RGB_COLORS,
         SRCCOPY},
        {"2 bits a pixel", withHeader([](auto& h) { h.biBitCount = 2; }), 2, DIB_RGB_COLORS, SRCCOPY},
        {"no planes", withHeader([](auto& h) { h.biPlanes = 0; }), 2, DIB_RGB_COLORS, SRCCOPY},
        {"a short header", withHeader([](auto& h) { h.biSize = 12; }), 2, DIB_RGB_COLORS, SRCCOPY},
        {"no width", withHeader([](auto& h) { h.biWidth = 0; }), 2, DIB_RGB_COLORS, SRCCOPY},
        {"no height", withHeader([](auto& h) { h.biHeight = 0; }), 2, DIB_RGB_COLORS, SRCCOPY},
        {"palette indices", dib, 2, 1, SRCCOPY},
        {"another raster operation", dib, 2, DIB_RGB_COLORS, 0x00EE0086},
        {"a negative destination", dib, -2, DIB_RGB_COLORS, SRCCOPY},
    };
    for (const Case& c : cases) {
        const wxImage shown = Canvas([&](HDC dc) {
            EXPECT_EQ(StretchDIBits(dc, 0, 0, c.width, 2, 0, 0, 2, 2, c.dib.rows.data(), c.dib.Info(),
                                    c.usage, c.rop),
                      0)
                << c.what;
        });
        EXPECT_EQ(At(shown, 0, 0), kGrey) << c.what;
    }
    Canvas([&](HDC dc) {
        EXPECT_EQ(StretchDIBits(dc, 0, 0, 2, 2, 0, 0, 2, 2, nullptr, dib.Info(), DIB_RGB_COLORS, SRCCOPY), 0);
        EXPECT_EQ(
            StretchDIBits(dc, 0, 0, 2, 2, 0, 0, 2, 2, dib.rows.data(), nullptr, DIB_RGB_COLORS, SRCCOPY), 0);
        EXPECT_EQ(SetDIBitsToDevice(dc, 0, 0, 2, 2, 0, 0, 0, 0, dib.rows.data(), dib.Info(), DIB_RGB_COLORS),
                  0);
    });
    EXPECT_EQ(
        StretchDIBits(nullptr, 0, 0, 2, 2, 0, 0, 2, 2, dib.rows.data(), dib.Info(), DIB_RGB_COLORS, SRCCOPY),
        0);
}

}  // namespace
