#include "ImageTestUtil.h"

#include "image/PLFilterFlip.h"
#include "image/PLFilterFlipRGB.h"
#include "image/PLFilterGrayscale.h"
#include "image/PLFilterResizeBilinear.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using imagetest::CodeOf;
using imagetest::PixelAt;

// A bitmap whose bytes count up from start.
PLAnyBmp Counting(int width, int height, const char* format, int start = 0)
{
    PLAnyBmp bmp;
    bmp.Create(width, height, PLPixelFormat::FindByName(format), nullptr, 0, {});
    int value = start;
    for (int y = 0; y < height; ++y)
        for (int64_t i = 0; i < bmp.GetBytesPerLine(); ++i)
            bmp.GetLine(y)[i] = uint8_t(value++);
    return bmp;
}

bool SamePixels(const PLBmp& a, const PLBmp& b)
{
    if (a.GetSize() != b.GetSize() || a.GetPixelFormat() != b.GetPixelFormat())
        return false;
    const size_t rowBytes = size_t(PLRowBytes(a.GetWidth(), a.GetBitsPerPixel()));
    for (int y = 0; y < a.GetHeight(); ++y)
        if (std::memcmp(a.GetLine(y), b.GetLine(y), rowBytes) != 0)
            return false;
    return true;
}

TEST(Filter, FlipPutsTheTopRowAtTheBottomAndTwiceRestores)
{
    const PLAnyBmp original = Counting(4, 3, "B8G8R8");
    PLAnyBmp flipped;
    PLFilterFlip().ApplyFilter(original, flipped);
    EXPECT_EQ(std::memcmp(flipped.GetLine(2), original.GetLine(0), 12), 0);
    PLFilterFlip().Apply(flipped);
    EXPECT_TRUE(SamePixels(flipped, original));
}

TEST(Filter, FlipKeepsThePalette)
{
    PLAnyBmp indexed = Counting(2, 2, "I8");
    indexed.GetPalette()[3] = {9, 8, 7, 6};
    PLFilterFlip().Apply(indexed);
    EXPECT_EQ(PixelAt(indexed, 1, 0), (PLPixel32{9, 8, 7, 6}));
}

TEST(Filter, FlipRGBSwapsPixelsAndFormatName)
{
    PLAnyBmp bmp = Counting(2, 1, "X8R8G8B8");
    PLFilterFlipRGB().Apply(bmp);
    EXPECT_EQ(bmp.GetPixelFormat().GetName(), "X8B8G8R8");
    EXPECT_EQ(PixelAt(bmp, 1, 0), (PLPixel32{6, 5, 4, 7}));

    PLAnyBmp packed = Counting(2, 1, "B8G8R8");
    PLFilterFlipRGB().Apply(packed);
    EXPECT_EQ(PixelAt(packed, 1, 0), (PLPixel32{5, 4, 3, 255}));
}

TEST(Filter, GreyscaleUsesRec709Weights)
{
    PLAnyBmp bmp;
    bmp.Create(3, 1, PLPixelFormat::FindByName("B8G8R8"), nullptr, 0, {72, 72});
    const uint8_t pixels[] = {0, 0, 255, 255, 255, 255, 0, 255, 0};
    std::memcpy(bmp.GetLine(0), pixels, sizeof pixels);
    PLAnyBmp grey;
    PLFilterGrayscale().ApplyFilter(bmp, grey);
    EXPECT_EQ(grey.GetPixelFormat().GetName(), "L8");
    EXPECT_EQ(grey.GetLine(0)[0], 54);   // pure red
    EXPECT_EQ(grey.GetLine(0)[1], 255);  // white
    EXPECT_EQ(grey.GetLine(0)[2], 182);  // pure green
    EXPECT_EQ(grey.GetResolution(), (PLPoint{72, 72}));
}

TEST(Filter, GreyscaleReadsPalettesAsColours)
{
    PLAnyBmp indexed = Counting(1, 1, "I8");
    indexed.GetPalette()[0] = {0, 0, 255, 255};
    PLFilterGrayscale().Apply(indexed);
    EXPECT_EQ(indexed.GetPixelFormat().GetName(), "L8");
    EXPECT_EQ(indexed.GetLine(0)[0], 54);
}

TEST(Filter, ResizeToTheSameSizeKeepsThePixels)
{
    for (const char* format : {"A8R8G8B8", "B8G8R8", "L8"}) {
        const PLAnyBmp original = Counting(5, 4, format, 17);
        PLAnyBmp resized;
        PLFilterResizeBilinear(5, 4).ApplyFilter(original, resized);
        EXPECT_TRUE(SamePixels(resized, original)) << format;
    }
}

TEST(Filter, DoublingMixesNoNeighbours)
{
    PLAnyBmp bmp;
    bmp.Create(2, 1, PLPixelFormat::FindByName("L8"), nullptr, 0, {});
    bmp.GetLine(0)[0] = 0;
    bmp.GetLine(0)[1] = 255;
    PLFilterResizeBilinear(4, 1).Apply(bmp);
    const uint8_t expected[] = {0, 0, 255, 255};
    EXPECT_EQ(std::memcmp(bmp.GetLine(0), expected, 4), 0);
}

TEST(Filter, ShrinkingBetweenTwoPixelsAverages)
{
    PLAnyBmp bmp;
    bmp.Create(2, 1, PLPixelFormat::FindByName("L8"), nullptr, 0, {});
    bmp.GetLine(0)[0] = 0;
    bmp.GetLine(0)[1] = 200;
    PLFilterResizeBilinear(1, 1).Apply(bmp);
    EXPECT_EQ(bmp.GetLine(0)[0], 100);
}

TEST(Filter, ShrinkingTooFarLeavesBlack)
{
    PLAnyBmp bmp;
    bmp.Create(400, 1, PLPixelFormat::FindByName("B8G8R8"), nullptr, 0, {});
    std::memset(bmp.GetLine(0), 255, 1200);
    PLFilterResizeBilinear(2, 1).Apply(bmp);
    EXPECT_EQ(PixelAt(bmp, 0, 0), (PLPixel32{0, 0, 0, 255}));
}

TEST(Filter, ResizeRefusesIndexedBitmaps)
{
    PLAnyBmp indexed = Counting(4, 4, "I8");
    EXPECT_EQ(CodeOf([&] { PLFilterResizeBilinear(2, 2).Apply(indexed); }), PLErr::NotSupported);
}

}  // namespace
