#include "ImageTestUtil.h"

#include "image/PLFilterQuantize.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <set>

namespace {

using imagetest::PixelAt;

// A 32-bit bitmap whose pixels are colour(x, y) (red, green, blue).
PLAnyBmp Image(int width, int height, const std::function<PLPixel32(int, int)>& colour)
{
    PLAnyBmp bmp;
    bmp.Create(width, height, PLPixelFormat::FindByName("X8R8G8B8"), nullptr, 0, {72, 72});
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const PLPixel32 c = colour(x, y);
            std::memcpy(bmp.GetLine(y) + 4 * x, &c, 4);
        }
    return bmp;
}

PLPixel32 Rgb(int r, int g, int b)
{
    return {uint8_t(b), uint8_t(g), uint8_t(r), 255};
}

PLPixel32 Grey(int v)
{
    return Rgb(v, v, v);
}

// 256 entries: the given ones first, then copies of the first, which never win a look-up
// (a tie keeps the lower index).
std::array<PLPixel32, 256> Palette(std::initializer_list<PLPixel32> entries)
{
    std::array<PLPixel32, 256> palette;
    palette.fill(*entries.begin());
    std::copy(entries.begin(), entries.end(), palette.begin());
    return palette;
}

PLAnyBmp Quantise(const PLBmp& source, int paletteType, int ditherType, const PLPixel32* user = nullptr)
{
    PLFilterQuantize filter(paletteType, ditherType);
    filter.SetUserPalette(user);
    PLAnyBmp indexed;
    filter.ApplyFilter(source, indexed);
    return indexed;
}

// The colour of a 5-bit cube corner, cell or box, as the palette holds it.
PLPixel32 Cell(int r5, int g5, int b5)
{
    return Rgb(r5 * 255 / 31, g5 * 255 / 31, b5 * 255 / 31);
}

const PLPixel32 kCorners[8] = {Cell(0, 0, 0),   Cell(31, 0, 0),  Cell(0, 31, 0),  Cell(0, 0, 31),
                               Cell(31, 31, 0), Cell(0, 31, 31), Cell(31, 0, 31), Cell(31, 31, 31)};

TEST(Quantize, MedianCutOfOneColourIsTheCornersAndThatCell)
{
    const PLAnyBmp source = Image(5, 3, [](int, int) { return Rgb(100, 150, 200); });
    const PLAnyBmp indexed = Quantise(source, PLFilterQuantize::MedianCut, PLFilterQuantize::NoDither);
    EXPECT_EQ(indexed.GetPixelFormat().GetName(), "I8");
    EXPECT_EQ(indexed.GetResolution(), (PLPoint{72, 72}));
    const PLPixel32* palette = indexed.GetPalette();
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(palette[i], kCorners[i]) << i;
    EXPECT_EQ(palette[8], Cell(100 / 8, 150 / 8, 200 / 8));
    for (int i = 9; i < 256; ++i)
        EXPECT_EQ(palette[i], Rgb(0, 0, 0)) << i;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(indexed.GetLine(y)[x], 8);
}

TEST(Quantize, MedianCutSplitsTheWidestChannel)
{
    // Two colours that differ only in red: the whole-cube box splits on red into one box
    // per colour.
    const PLAnyBmp source =
        Image(4, 2, [](int x, int) { return x < 2 ? Rgb(40, 96, 96) : Rgb(200, 96, 96); });
    const PLAnyBmp indexed = Quantise(source, PLFilterQuantize::MedianCut, PLFilterQuantize::NoDither);
    const std::set<std::pair<int, int>> found = {{indexed.GetLine(0)[0], indexed.GetLine(1)[1]},
                                                 {indexed.GetLine(0)[2], indexed.GetLine(1)[3]}};
    ASSERT_EQ(found, (std::set<std::pair<int, int>>{{8, 8}, {9, 9}}));
    EXPECT_EQ(PixelAt(indexed, 0, 0), Cell(40 / 8, 12, 12));
    EXPECT_EQ(PixelAt(indexed, 3, 0), Cell(200 / 8, 12, 12));
    EXPECT_EQ(indexed.GetPalette()[10], Rgb(0, 0, 0));
}

TEST(Quantize, MedianCutKeepsManyColoursClose)
{
    // A smooth ramp of 64 colours: every pixel stays within a few levels of its colour.
    const auto ramp = [](int x, int y) { return Rgb(4 * x, 255 - 4 * x, 32 * y); };
    const PLAnyBmp source = Image(64, 8, ramp);
    const PLAnyBmp indexed = Quantise(source, PLFilterQuantize::MedianCut, PLFilterQuantize::NoDither);
    EXPECT_LE(imagetest::MaxDistance(indexed, [&](int x, int y) { return ramp(x, y); }), 12);
}

TEST(Quantize, PopularityOrdersCellsByCount)
{
    // Counts 6, 3 and 1; white is a corner of the cube and never a candidate.
    const PLAnyBmp source = Image(11, 1, [](int x, int) {
        return x < 6    ? Rgb(80, 80, 80)
               : x < 9  ? Rgb(8, 16, 24)
               : x < 10 ? Rgb(200, 0, 100)
                        : Rgb(255, 255, 255);
    });
    const PLAnyBmp indexed = Quantise(source, PLFilterQuantize::Popularity, PLFilterQuantize::NoDither);
    const PLPixel32* palette = indexed.GetPalette();
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(palette[i], kCorners[i]) << i;
    EXPECT_EQ(palette[8], Cell(10, 10, 10));
    EXPECT_EQ(palette[9], Cell(1, 2, 3));
    EXPECT_EQ(palette[10], Cell(25, 0, 12));
    // Entries no cell reaches are black.
    for (int i = 11; i < 256; ++i)
        EXPECT_EQ(palette[i], Rgb(0, 0, 0)) << i;
    EXPECT_EQ(indexed.GetLine(0)[0], 8);
    EXPECT_EQ(indexed.GetLine(0)[10], 7);
}

TEST(Quantize, DefaultPaletteIsFixed)
{
    const PLAnyBmp source = Image(2, 1, [](int, int) { return Rgb(0xFF, 0, 0); });
    const PLAnyBmp indexed = Quantise(source, PLFilterQuantize::DefaultPalette, PLFilterQuantize::NoDither);
    const PLPixel32* palette = indexed.GetPalette();
    // In memory order blue, green, red.
    EXPECT_EQ(palette[1], (PLPixel32{0xBF, 0, 0, 255}));
    EXPECT_EQ(palette[9], (PLPixel32{0xA6, 0xCA, 0xF0, 255}));
    EXPECT_EQ(palette[16], (PLPixel32{0, 0x51, 0, 255}));  // the cube after its first six
    EXPECT_EQ(palette[63], (PLPixel32{0x37, 0x85, 0x51, 255}));
    EXPECT_EQ(palette[224], (PLPixel32{0xD9, 0xFF, 0xFF, 255}));  // the cube before white
    EXPECT_EQ(palette[225], (PLPixel32{0xC4, 0xC4, 0xC4, 255}));
    EXPECT_EQ(palette[244], (PLPixel32{0xFD, 0xFD, 0xFD, 255}));
    EXPECT_EQ(palette[255], (PLPixel32{0xFF, 0xFF, 0xFF, 255}));
    // Pure red is in the cube (entry 190) before the fixed entries (252): the lower wins.
    EXPECT_EQ(palette[190], (PLPixel32{0, 0, 0xFF, 255}));
    EXPECT_EQ(palette[252], (PLPixel32{0, 0, 0xFF, 255}));
    EXPECT_EQ(indexed.GetLine(0)[0], 190);
    // A user palette type without a palette falls back to the default one.
    const PLAnyBmp fallback = Quantise(source, PLFilterQuantize::UserPalette, PLFilterQuantize::NoDither);
    EXPECT_EQ(std::memcmp(fallback.GetPalette(), palette, 256 * 4), 0);
}

TEST(Quantize, ColoursOfOneCellShareTheFirstOnesIndex)
{
    // Greys 15 and 8 lie in one cell; the palette has both exactly.
    const auto palette = Palette({Grey(0), Grey(8), Grey(15)});
    const PLAnyBmp source = Image(3, 1, [](int x, int) {
        return x == 0 ? Grey(15) : x == 1 ? Grey(8) : Grey(0);
    });
    const PLAnyBmp indexed =
        Quantise(source, PLFilterQuantize::UserPalette, PLFilterQuantize::NoDither, palette.data());
    EXPECT_EQ(indexed.GetLine(0)[0], 2);
    EXPECT_EQ(indexed.GetLine(0)[1], 2);
    EXPECT_EQ(indexed.GetLine(0)[2], 0);
}

TEST(Quantize, OrderedDitherAddsTheFourByFourPattern)
{
    // Entry i is grey 8i + 3: every value v finds entry v / 8, so the indices show the
    // dithered values' cells. The pattern runs from the right edge of the image.
    std::array<PLPixel32, 256> palette = Palette({Grey(3)});
    for (int i = 0; i < 32; ++i)
        palette[size_t(i)] = Grey(8 * i + 3);
    const int offsets[16] = {-7, 1, -5, 3, 5, -3, 7, -1, -4, 4, -6, 2, 8, 0, 6, -2};
    const int width = 6;
    const PLAnyBmp source = Image(width, 5, [](int, int) { return Grey(128); });
    const PLAnyBmp indexed =
        Quantise(source, PLFilterQuantize::UserPalette, PLFilterQuantize::OrderedDither, palette.data());
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < width; ++x) {
            const int v = 128 + 2 * offsets[((width - 1 - x) % 4) * 4 + y % 4];
            EXPECT_EQ(indexed.GetLine(y)[x], v / 8) << x << "," << y;
        }
    }
    EXPECT_EQ(indexed.GetLine(0)[width - 1], (128 - 14) / 8);
    EXPECT_EQ(indexed.GetLine(0)[width - 4], (128 + 16) / 8);
}

TEST(Quantize, FloydSteinbergRunsOddRowsRightToLeft)
{
    // Black and white only. Row 0 is black (no error). Row 1 is grey 100: its first pixel,
    // at the right, becomes black and passes 7/16 of 100 to its left neighbour, which
    // becomes white.
    const auto palette = Palette({Grey(0), Grey(255)});
    const PLAnyBmp source = Image(2, 2, [](int, int y) { return Grey(y ? 100 : 0); });
    const PLAnyBmp indexed =
        Quantise(source, PLFilterQuantize::UserPalette, PLFilterQuantize::FloydSteinberg, palette.data());
    EXPECT_EQ(indexed.GetLine(0)[0], 0);
    EXPECT_EQ(indexed.GetLine(0)[1], 0);
    EXPECT_EQ(indexed.GetLine(1)[1], 0);
    EXPECT_EQ(indexed.GetLine(1)[0], 1);
}

TEST(Quantize, FloydSteinbergKeepsTheAverageOfAGrey)
{
    const auto palette = Palette({Grey(0), Grey(255)});
    const PLAnyBmp source = Image(32, 32, [](int, int) { return Grey(64); });
    const PLAnyBmp indexed =
        Quantise(source, PLFilterQuantize::UserPalette, PLFilterQuantize::FloydSteinberg, palette.data());
    int white = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            white += indexed.GetLine(y)[x];
    EXPECT_NEAR(white / 1024.0, 64 / 255.0, 0.03);
}

TEST(Quantize, OneFilterServesManyImages)
{
    PLFilterQuantize filter(PLFilterQuantize::MedianCut, PLFilterQuantize::NoDither);
    PLAnyBmp first, second;
    filter.ApplyFilter(Image(2, 2, [](int, int) { return Rgb(100, 150, 200); }), first);
    filter.ApplyFilter(Image(2, 2, [](int, int) { return Rgb(40, 40, 40); }), second);
    EXPECT_EQ(PixelAt(second, 0, 0), Cell(5, 5, 5));
    EXPECT_EQ(second.GetPalette()[9], Rgb(0, 0, 0));
}

TEST(Quantize, InPlaceAndFromOtherDepths)
{
    PLAnyBmp bmp = Image(3, 2, [](int x, int) { return Rgb(60 * x, 30, 200); });
    PLFilterQuantize(PLFilterQuantize::MedianCut, PLFilterQuantize::NoDither).Apply(bmp);
    EXPECT_EQ(bmp.GetPixelFormat().GetName(), "I8");
    EXPECT_EQ(PixelAt(bmp, 2, 1), Cell(120 / 8, 30 / 8, 200 / 8));

    PLAnyBmp packed;
    packed.CreateConvertedCopy(Image(3, 2, [](int x, int) { return Rgb(60 * x, 30, 200); }),
                               PLPixelFormat::FindByName("R8G8B8"));
    const PLAnyBmp indexed = Quantise(packed, PLFilterQuantize::MedianCut, PLFilterQuantize::NoDither);
    EXPECT_EQ(PixelAt(indexed, 2, 1), Cell(120 / 8, 30 / 8, 200 / 8));
}

// The bitmap's own conversion to 8 bits quantises with median cut and ordered dithering,
// and the palette it makes is opaque.
TEST(Quantize, ConvertingToEightBitsQuantises)
{
    const auto colour = [](int x, int y) {
        return x < 3 ? Rgb(200, 40, 40) : y < 2 ? Rgb(40, 200, 40) : Grey(250);
    };
    const PLAnyBmp source = Image(6, 4, colour);
    for (const char* format : {"I8", "L8"}) {
        PLAnyBmp indexed;
        indexed.CreateConvertedCopy(source, PLPixelFormat::FindByName(format));
        EXPECT_EQ(indexed.GetBitsPerPixel(), 8);
        EXPECT_EQ(indexed.GetResolution(), (PLPoint{72, 72}));
        EXPECT_LE(imagetest::MaxDistance(indexed, colour), 8) << format;

        PLAnyBmp back;
        back.CreateConvertedCopy(indexed, PLPixelFormat::FindByName("A8R8G8B8"));
        EXPECT_EQ(PixelAt(back, 0, 0).a, 255);
    }
}

}  // namespace
