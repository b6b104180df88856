#include "ImageTestUtil.h"

#include "image/PLAnyBmp.h"
#include "image/PLTextException.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using imagetest::CodeOf;
using imagetest::PixelAt;

const PLPixelFormat& Format(const char* name)
{
    return PLPixelFormat::FindByName(name);
}

PLAnyBmp Make(int width, int height, const char* format)
{
    PLAnyBmp bmp;
    bmp.Create(width, height, Format(format), nullptr, 0, {});
    for (int y = 0; y < height; ++y)
        std::memset(bmp.GetLine(y), 0, size_t(bmp.GetBytesPerLine()));
    return bmp;
}

TEST(AnyBmp, NewBitmapIsSixteenSquareIndexedWithGreyPalette)
{
    const PLAnyBmp bmp;
    EXPECT_EQ(bmp.GetWidth(), 16);
    EXPECT_EQ(bmp.GetHeight(), 16);
    EXPECT_EQ(bmp.GetPixelFormat().GetName(), "I8");
    EXPECT_EQ(bmp.GetPalette()[0], (PLPixel32{0, 0, 0, 255}));
    EXPECT_EQ(bmp.GetPalette()[200], (PLPixel32{200, 200, 200, 255}));
}

TEST(AnyBmp, RowsArePackedWithWholeBytes)
{
    EXPECT_EQ(Make(10, 1, "L1").GetBytesPerLine(), 2);
    EXPECT_EQ(Make(16, 1, "L1").GetBytesPerLine(), 2);
    EXPECT_EQ(Make(10, 1, "B8G8R8").GetBytesPerLine(), 30);
    EXPECT_EQ(Make(10, 1, "A8R8G8B8").GetBytesPerLine(), 40);
    const PLAnyBmp bmp = Make(10, 3, "B8G8R8");
    EXPECT_EQ(bmp.GetLine(2) - bmp.GetLine(0), 60);
    EXPECT_EQ(bmp.GetMemoryUsed(), 3 * 30 + 384);
}

TEST(AnyBmp, OneBitPaletteRunsFromBlackToWhite)
{
    const PLAnyBmp bmp = Make(4, 4, "L1");
    EXPECT_EQ(bmp.GetPalette()[0], (PLPixel32{0, 0, 0, 255}));
    EXPECT_EQ(bmp.GetPalette()[1], (PLPixel32{255, 255, 255, 255}));
}

TEST(AnyBmp, CreateCopiesCallerRowsWithTheirStride)
{
    const uint8_t pixels[] = {1, 2, 3, 99, 4, 5, 6, 99};
    PLAnyBmp bmp;
    bmp.Create(1, 2, Format("B8G8R8"), pixels, 4, {72, 96});
    EXPECT_EQ(PixelAt(bmp, 0, 1), (PLPixel32{4, 5, 6, 255}));
    EXPECT_EQ(bmp.GetResolution(), (PLPoint{72, 96}));
}

TEST(AnyBmp, ImpossibleSizesAreRefusedBeforeAllocating)
{
    PLAnyBmp bmp;
    EXPECT_EQ(CodeOf([&] { bmp.Create(-1, 5, Format("I8"), nullptr, 0, {}); }), PLErr::NoMemory);
    EXPECT_EQ(CodeOf([&] { bmp.Create(70000, 70000, Format("A8R8G8B8"), nullptr, 0, {}); }), PLErr::NoMemory);
    EXPECT_EQ(bmp.GetWidth(), 0);  // the old pixels are gone, and nothing dangles
}

TEST(AnyBmp, CopyKeepsPixelsPaletteAndResolution)
{
    PLAnyBmp source = Make(3, 2, "I8");
    source.GetLine(1)[2] = 7;
    source.GetPalette()[7] = {1, 2, 3, 4};
    source.SetResolution({300, 150});
    const PLAnyBmp copy(source);
    EXPECT_EQ(PixelAt(copy, 2, 1), (PLPixel32{1, 2, 3, 4}));
    EXPECT_EQ(copy.GetResolution(), (PLPoint{300, 150}));
}

TEST(AnyBmp, TwentyFourBitsToSixteenAndBackKeepTheColour)
{
    PLAnyBmp source = Make(1, 1, "B8G8R8");
    const uint8_t pixel[] = {0x10, 0x20, 0x30};
    std::memcpy(source.GetLine(0), pixel, 3);
    PLAnyBmp packed;
    packed.CreateConvertedCopy(source, Format("R5G6B5"));
    EXPECT_EQ(packed.GetLine(0)[0] | packed.GetLine(0)[1] << 8, 0x3102);
    PLAnyBmp back;
    back.CreateConvertedCopy(packed, Format("B8G8R8"));
    EXPECT_EQ(PixelAt(back, 0, 0), (PLPixel32{0x10, 0x20, 0x30, 255}));
}

TEST(AnyBmp, GreyPaletteImageBecomesOpaqueGreyPixels)
{
    PLAnyBmp source = Make(3, 1, "L8");
    source.GetLine(0)[0] = 0;
    source.GetLine(0)[1] = 128;
    source.GetLine(0)[2] = 255;
    PLAnyBmp colour;
    colour.CreateConvertedCopy(source, Format("A8R8G8B8"));
    EXPECT_EQ(PixelAt(colour, 1, 0), (PLPixel32{128, 128, 128, 255}));
    EXPECT_EQ(PixelAt(colour, 2, 0), (PLPixel32{255, 255, 255, 255}));
}

TEST(AnyBmp, ConversionsFollowTheTableOfDepths)
{
    // One colour per source depth, read back after conversion to 32 bits.
    struct Case {
        const char* from;
        const char* to;
        PLPixel32 expected;
    };
    PLAnyBmp oneBit = Make(1, 1, "L1");
    oneBit.GetLine(0)[0] = 0x80;  // palette entry 1: white
    PLAnyBmp sixteen = Make(1, 1, "R5G6B5");
    sixteen.GetLine(0)[0] = 0x1F;  // pure blue
    const std::pair<const PLAnyBmp*, Case> cases[] = {
        {&oneBit, {"L1", "X8R8G8B8", {255, 255, 255, 255}}},
        {&oneBit, {"L1", "B8G8R8", {255, 255, 255, 255}}},
        {&sixteen, {"R5G6B5", "A8R8G8B8", {0xF8, 0, 0, 255}}},
        {&sixteen, {"R5G6B5", "B8G8R8", {0xF8, 0, 0, 255}}},
    };
    for (const auto& [source, c] : cases) {
        PLAnyBmp target;
        target.CreateConvertedCopy(*source, Format(c.to));
        EXPECT_EQ(PixelAt(target, 0, 0), c.expected) << c.from << " to " << c.to;
    }
}

TEST(AnyBmp, ToOneBitDarkPixelsBecomeBlack)
{
    PLAnyBmp source = Make(10, 1, "A8R8G8B8");
    for (int x = 0; x < 10; ++x)
        std::memset(source.GetLine(0) + 4 * x, x % 2 ? 200 : 100, 4);
    PLAnyBmp bilevel;
    bilevel.CreateConvertedCopy(source, Format("L1"));
    EXPECT_EQ(bilevel.GetPalette()[0], (PLPixel32{255, 255, 255, 255}));
    EXPECT_EQ(bilevel.GetPalette()[1], (PLPixel32{0, 0, 0, 255}));
    EXPECT_EQ(bilevel.GetLine(0)[0], 0xAA);  // even pixels are dark
    EXPECT_EQ(bilevel.GetLine(0)[1] & 0xC0, 0x80);
}

TEST(AnyBmp, OneBitToIndexedKeepsTheTwoColours)
{
    PLAnyBmp source = Make(2, 1, "L1");
    source.GetLine(0)[0] = 0x40;
    source.GetPalette()[1] = {10, 20, 30, 0};
    PLAnyBmp indexed;
    indexed.CreateConvertedCopy(source, Format("I8"));
    EXPECT_EQ(indexed.GetLine(0)[0], 0);
    EXPECT_EQ(indexed.GetLine(0)[1], 1);
    EXPECT_EQ(indexed.GetPalette()[1], (PLPixel32{10, 20, 30, 255}));
}

TEST(AnyBmp, ConvertingOntoItselfWorks)
{
    PLAnyBmp bmp = Make(2, 1, "L8");
    bmp.GetLine(0)[1] = 90;
    const uint8_t* pixels = bmp.GetLine(0);
    bmp.CreateConvertedCopy(bmp, PLPixelFormat());
    EXPECT_EQ(bmp.GetLine(0), pixels);  // own format: nothing changes
    bmp.CreateConvertedCopy(bmp, Format("X8R8G8B8"));
    EXPECT_EQ(PixelAt(bmp, 1, 0), (PLPixel32{90, 90, 90, 255}));
}

TEST(AnyBmp, AlphaChannelSetsOpaqueAndRenamesTheFormat)
{
    PLAnyBmp bmp = Make(2, 2, "X8R8G8B8");
    bmp.SetAlphaChannel(true);
    EXPECT_EQ(bmp.GetPixelFormat().GetName(), "A8R8G8B8");
    EXPECT_EQ(PixelAt(bmp, 1, 1).a, 255);
    bmp.SetAlphaChannel(false);
    EXPECT_EQ(bmp.GetPixelFormat().GetName(), "X8R8G8B8");
}

TEST(AnyBmp, GreyscaleMeansPureLuminance)
{
    EXPECT_TRUE(Make(1, 1, "L8").IsGreyscale());
    EXPECT_TRUE(Make(1, 1, "L1").IsGreyscale());
    EXPECT_FALSE(Make(1, 1, "I8").IsGreyscale());
    EXPECT_FALSE(Make(1, 1, "L8Cbr8").IsGreyscale());
}

}  // namespace
