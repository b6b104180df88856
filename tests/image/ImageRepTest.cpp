#include "ImageRepTestUtil.h"

#include "image/ImageBitmapRep.h"
#include "image/PLWinBmp.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace imagetest;
using orbisk::imageutils::BytesPerPixelForFormat;
using orbisk::imageutils::CreateImageBitmapRep;
using orbisk::imageutils::ImageBitmapRep;
using orbisk::imageutils::kFormatGrey;
using orbisk::imageutils::kFormatRGB;
using orbisk::imageutils::kFormatRGBA;
using orbisk::imageutils::PixelFormatForBits;
using orbisk::imageutils::PixelRGB;
using orbisk::imageutils::PixelRGBA;
using orbisk::utils::CColor;

PLPixel32 Solid(uint8_t b, uint8_t g, uint8_t r, uint8_t a = 255)
{
    return {b, g, r, a};
}

// Blue x, green y, red x + y, alpha 255 - 10x: every pixel of a small image differs.
PLPixel32 Gradient(int x, int y)
{
    return {uint8_t(x), uint8_t(y), uint8_t(x + y), uint8_t(255 - 10 * x)};
}

TEST(ImageRep, CreatedImageHoldsPackedRowsOfItsFormat)
{
    struct Case {
        int format;
        int bytesPerPixel;
    };
    for (const Case& c : {Case{kFormatRGB, 3}, Case{kFormatRGBA, 4}, Case{kFormatGrey, 1}}) {
        ImageRep image;
        image.Create(5, 3, c.format, 0, nullptr);
        ASSERT_TRUE(image.IsValid());
        EXPECT_EQ(image.GetFormat(), c.format);
        EXPECT_EQ(image.GetBytesPerPixel(), c.bytesPerPixel);
        EXPECT_EQ(image.GetBytesPerLine(), 5 * c.bytesPerPixel);
        EXPECT_EQ(image.GetRowPadding(), 0);
        EXPECT_EQ(image.GetImageSize(), 15 * c.bytesPerPixel);
    }
}

TEST(ImageRep, EmptyImageReportsZeroSizesAndFormatRGBA)
{
    ImageRep image;
    EXPECT_FALSE(image.IsValid());
    EXPECT_EQ(image.GetWidth(), 0);
    EXPECT_EQ(image.GetHeight(), 0);
    EXPECT_EQ(image.GetBytesPerPixel(), 0);
    EXPECT_EQ(image.GetPixels(), nullptr);
    EXPECT_EQ(image.GetFormat(), kFormatRGBA);
}

TEST(ImageRep, CreateRefusesUnknownFormatsEmptySizesAndNegativePadding)
{
    struct Case {
        int width, height, format, padding;
    };
    for (const Case& c :
         {Case{4, 4, 3, 0}, Case{4, 4, -1, 0}, Case{0, 4, kFormatRGB, 0}, Case{4, 0, kFormatRGB, 0},
          Case{-2, 4, kFormatRGB, 0}, Case{4, 4, kFormatRGB, -1}}) {
        ImageRep image;
        image.Create(2, 2, kFormatRGB, 0, nullptr);
        image.Create(c.width, c.height, c.format, c.padding, nullptr);
        EXPECT_FALSE(image.IsValid()) << c.width << "x" << c.height << " format " << c.format;
    }
}

TEST(ImageRep, CreateReadsPaddedRowsAndStoresThemPacked)
{
    const std::vector<uint8_t> rows = PatternBytes(3, 2, kFormatRGB, Gradient, 5);
    ImageRep image;
    image.Create(3, 2, kFormatRGB, 5, rows.data());
    ASSERT_TRUE(image.IsValid());
    EXPECT_EQ(image.GetRowPadding(), 0);
    EXPECT_EQ(image.GetBytesPerLine(), 9);
    EXPECT_EQ(
        ImageDistance(image, [](int x, int y) { return Solid(uint8_t(x), uint8_t(y), uint8_t(x + y)); }), 0);
}

TEST(ImageRep, FormatsAndDepthsCorrespond)
{
    EXPECT_EQ(BytesPerPixelForFormat(kFormatRGB), 3);
    EXPECT_EQ(BytesPerPixelForFormat(kFormatRGBA), 4);
    EXPECT_EQ(BytesPerPixelForFormat(kFormatGrey), 1);
    EXPECT_EQ(BytesPerPixelForFormat(7), 0);
    EXPECT_EQ(PixelFormatForBits(8).GetName(), "I8");
    EXPECT_EQ(PixelFormatForBits(16).GetName(), "B5G6R5");
    EXPECT_EQ(PixelFormatForBits(24).GetName(), "B8G8R8");
    EXPECT_EQ(PixelFormatForBits(32).GetName(), "A8R8G8B8");
    EXPECT_TRUE(PixelFormatForBits(12).IsUnnamed());
}

TEST(ImageRep, CopyFromCopiesPixelsAndAnInvalidSourceEmptiesTheCopy)
{
    ImageRep source, copy;
    MakeImage(source, 4, 3, kFormatRGBA, Gradient);
    ASSERT_TRUE(copy.CopyFrom(source));
    EXPECT_TRUE(copy.Equals(source));
    EXPECT_NE(copy.GetPixels(), source.GetPixels());
    EXPECT_TRUE(copy.CopyFrom(copy));
    EXPECT_TRUE(copy.IsValid());

    const ImageRep empty;
    EXPECT_TRUE(copy.CopyFrom(empty));
    EXPECT_FALSE(copy.IsValid());
}

TEST(ImageRep, CopyScaledFromResizesAndScalesGreyInColour)
{
    ImageRep grey, scaled;
    MakeImage(grey, 4, 4, kFormatGrey, [](int, int) { return Solid(90, 90, 90); });
    ASSERT_TRUE(scaled.CopyScaledFrom(grey, 8, 2));
    EXPECT_EQ(scaled.GetWidth(), 8);
    EXPECT_EQ(scaled.GetHeight(), 2);
    EXPECT_EQ(scaled.GetFormat(), kFormatRGBA);
    EXPECT_EQ(ImageDistance(scaled, [](int, int) { return Solid(90, 90, 90); }), 0);
    EXPECT_FALSE(scaled.CopyScaledFrom(scaled, 2, 2));
}

TEST(ImageRep, ConvertingGreyToRGBAGivesOpaqueGreyPixels)
{
    ImageRep image;
    MakeImage(image, 3, 2, kFormatGrey, [](int x, int y) { return Solid(uint8_t(40 * x + y), 0, 0); });
    ASSERT_TRUE(image.ConvertToRGBA());
    EXPECT_EQ(image.GetFormat(), kFormatRGBA);
    EXPECT_EQ(ImageDistance(image,
                            [](int x, int y) {
                                const auto v = uint8_t(40 * x + y);
                                return Solid(v, v, v, 255);
                            }),
              0);
}

TEST(ImageRep, ConvertToRGBDropsAlphaAndConvertToGreyWeighsChannels)
{
    ImageRep image;
    MakeImage(image, 2, 1, kFormatRGBA,
              [](int x, int) { return x ? Solid(255, 255, 255, 7) : Solid(0, 0, 255, 7); });
    ASSERT_TRUE(image.ConvertToRGB());
    EXPECT_EQ(image.GetFormat(), kFormatRGB);
    EXPECT_EQ(PixelOf(image, 0, 0), Solid(0, 0, 255));
    ASSERT_TRUE(image.ConvertToGrey());
    EXPECT_EQ(image.GetFormat(), kFormatGrey);
    EXPECT_EQ(PixelOf(image, 0, 0).r, 54);  // pure red
    EXPECT_EQ(PixelOf(image, 1, 0).r, 255);
}

TEST(ImageRep, ConversionsOfAnEmptyImageFail)
{
    ImageRep image;
    EXPECT_FALSE(image.ConvertToRGB());
    EXPECT_FALSE(image.ConvertToRGBA());
    EXPECT_FALSE(image.ConvertToGrey());
    EXPECT_FALSE(image.SetAlpha(1));
    EXPECT_FALSE(image.FlipVertical());
    EXPECT_FALSE(image.SwapRedBlue());
    EXPECT_FALSE(image.Resize(2, 2));
    EXPECT_FALSE(image.ScaleToFit(2, 2));
}

TEST(ImageRep, MultiplyAlphaScalesEveryPixelsOpacity)
{
    struct Case {
        double factor;
        bool result;
        uint8_t alpha;  // of a pixel that had 200
    };
    const Case cases[] = {
        {1.0005, true, 200},  // within the tolerance of 1: unchanged
        {-0.5, false, 200},  {0, true, 0}, {0.5, true, 100}, {2, true, 255}, {-0.0005, true, 0},
    };
    for (const Case& c : cases) {
        ImageRep image;
        MakeImage(image, 2, 2, kFormatRGBA, [](int, int) { return Solid(1, 2, 3, 200); });
        EXPECT_EQ(image.MultiplyAlpha(c.factor), c.result) << c.factor;
        EXPECT_EQ(PixelOf(image, 1, 1), Solid(1, 2, 3, c.alpha)) << c.factor;
    }
}

TEST(ImageRep, SetAlphaClampsTheOpacity)
{
    struct Case {
        double opacity;
        uint8_t alpha;
    };
    for (const Case& c : {Case{0.5, 127}, Case{1, 255}, Case{1.5, 255}, Case{-1, 0}, Case{0, 0}}) {
        ImageRep image;
        MakeImage(image, 2, 1, kFormatRGB, [](int, int) { return Solid(1, 2, 3); });
        ASSERT_TRUE(image.SetAlpha(c.opacity));
        EXPECT_EQ(image.GetFormat(), kFormatRGBA);
        EXPECT_EQ(PixelOf(image, 1, 0), Solid(1, 2, 3, c.alpha)) << c.opacity;
    }
}

TEST(ImageRep, AlphaToGreyAndLuminanceToAlpha)
{
    ImageRep image;
    MakeImage(image, 1, 1, kFormatRGBA, [](int, int) { return Solid(30, 60, 90, 55); });
    ASSERT_TRUE(image.AlphaToGrey());
    EXPECT_EQ(PixelOf(image, 0, 0), Solid(200, 200, 200, 255));

    MakeImage(image, 1, 1, kFormatRGB, [](int, int) { return Solid(30, 60, 91); });
    ASSERT_TRUE(image.LuminanceToAlpha());
    EXPECT_EQ(PixelOf(image, 0, 0), Solid(255, 255, 255, 255 - 60));
}

TEST(ImageRep, TintFromLuminanceMakesDarkPixelsOpaqueInTheTint)
{
    struct Case {
        PLPixel32 pixel;
        CColor tint;
        double factor;
        PLPixel32 expected;
    };
    const Case cases[] = {
        {Solid(0, 0, 0, 255), CColor(), 1, Solid(0, 0, 0, 255)},               // black: opaque
        {Solid(255, 255, 255, 255), CColor(), 1, Solid(255, 255, 255, 0)},     // white: clear
        {Solid(0, 0, 0, 0), CColor(), 1, Solid(255, 255, 255, 0)},             // transparent: white, clear
        {Solid(0, 0, 0, 255), CColor(10, 20, 30), 1, Solid(30, 20, 10, 255)},  // tinted
        {Solid(0, 0, 0, 255), CColor(), 0.5, Solid(0, 0, 0, 127)},
        {Solid(0, 0, 51, 255), CColor(), 1, Solid(0, 0, 51, 204)},  // value 0.2
    };
    for (const Case& c : cases) {
        ImageRep image;
        MakeImage(image, 1, 1, kFormatRGBA, [&](int, int) { return c.pixel; });
        image.TintFromLuminance(c.tint, c.factor);
        EXPECT_EQ(PixelOf(image, 0, 0), c.expected);
    }
    ImageRep rgb;
    MakeImage(rgb, 1, 1, kFormatRGB, [](int, int) { return Solid(0, 0, 0); });
    rgb.TintFromLuminance(CColor(), 1);
    EXPECT_EQ(rgb.GetFormat(), kFormatRGB) << "only RGBA images are tinted";
}

TEST(ImageRep, AdjustHLSSetsTheHueOfColourImagesOnly)
{
    ImageRep image;
    MakeImage(image, 1, 1, kFormatRGB, [](int, int) { return Solid(0, 0, 255); });
    EXPECT_TRUE(image.AdjustHLS(0, 0, 0, false));
    EXPECT_EQ(PixelOf(image, 0, 0), Solid(0, 0, 255));
    ASSERT_TRUE(image.AdjustHLS(120, 0, 0, false));
    EXPECT_EQ(PixelOf(image, 0, 0), Solid(0, 255, 0));

    ImageRep grey;
    MakeImage(grey, 1, 1, kFormatGrey, [](int, int) { return Solid(9, 9, 9); });
    EXPECT_FALSE(grey.AdjustHLS(120, 0, 0, false));
}

TEST(ImageRep, ScaleToFitKeepsTheAspectRatioAndEnlarges)
{
    struct Case {
        int width, height, boxWidth, boxHeight, fittedWidth, fittedHeight;
    };
    const Case cases[] = {
        {400, 200, 100, 100, 100, 50},
        {20, 40, 100, 100, 50, 100},
        {3, 3, 10, 5, 5, 5},
        {1000, 1, 10, 10, 10, 1},  // an extreme aspect ratio still keeps a row
    };
    for (const Case& c : cases) {
        ImageRep image;
        MakeImage(image, c.width, c.height, kFormatRGB, Gradient);
        ASSERT_TRUE(image.ScaleToFit(c.boxWidth, c.boxHeight));
        EXPECT_EQ(image.GetWidth(), c.fittedWidth);
        EXPECT_EQ(image.GetHeight(), c.fittedHeight);
    }
    ImageRep image;
    MakeImage(image, 4, 4, kFormatRGB, Gradient);
    EXPECT_FALSE(image.ScaleToFit(0, 10));
}

TEST(ImageRep, ScaleTruncatesSizes)
{
    ImageRep image;
    MakeImage(image, 3, 3, kFormatRGB, Gradient);
    EXPECT_FALSE(image.Scale(-0.5));
    ASSERT_TRUE(image.Scale(1.0005));
    EXPECT_EQ(image.GetWidth(), 3);
    ASSERT_TRUE(image.Scale(0.5));
    EXPECT_EQ(image.GetWidth(), 1);
    EXPECT_EQ(image.GetHeight(), 1);
    EXPECT_FALSE(image.Scale(0.5)) << "nothing would be left";
    EXPECT_EQ(image.GetWidth(), 1);
}

TEST(ImageRep, ResizingToTheSameSizeKeepsEveryPixel)
{
    for (int format : {kFormatRGB, kFormatRGBA, kFormatGrey}) {
        ImageRep image, original;
        MakeImage(image, 5, 4, format,
                  [](int x, int y) { return Solid(uint8_t(31 * x), uint8_t(62 * y), 250, 125); });
        original.CopyFrom(image);
        ASSERT_TRUE(image.Resize(5, 4));
        EXPECT_EQ(image.GetFormat(), format);
        EXPECT_TRUE(image.Equals(original)) << "format " << format;
    }
}

TEST(ImageRep, FlipVerticalTurnsRowsOverAndSwapRedBlueExchangesChannels)
{
    ImageRep image, original;
    MakeImage(image, 3, 4, kFormatRGBA, Gradient);
    original.CopyFrom(image);
    ASSERT_TRUE(image.FlipVertical());
    EXPECT_EQ(PixelOf(image, 1, 0), Gradient(1, 3));
    ASSERT_TRUE(image.FlipVertical());
    EXPECT_TRUE(image.Equals(original));

    ASSERT_TRUE(image.SwapRedBlue());
    const PLPixel32 swapped = PixelOf(image, 2, 1);
    EXPECT_EQ(swapped, Solid(Gradient(2, 1).r, Gradient(2, 1).g, Gradient(2, 1).b, Gradient(2, 1).a));

    ImageRep grey;
    MakeImage(grey, 2, 2, kFormatGrey, Gradient);
    original.CopyFrom(grey);
    EXPECT_TRUE(grey.SwapRedBlue());
    EXPECT_TRUE(grey.Equals(original));
}

TEST(ImageRep, AverageColourOfARectangle)
{
    ImageRep image;
    MakeImage(image, 4, 2, kFormatRGBA,
              [](int x, int) { return x < 2 ? Solid(0, 0, 0, 0) : Solid(200, 100, 50, 255); });
    EXPECT_EQ(image.GetAverageColor(), CColor(25, 50, 100, 127));
    EXPECT_EQ(image.GetAverageColorInRect(2, 0, 3, 1), CColor(50, 100, 200, 255));
    EXPECT_EQ(image.GetAverageColorInRect(2, 0, 4, 1), CColor()) << "x1 equal to the width";
    EXPECT_EQ(image.GetAverageColorInRect(3, 0, 2, 1), CColor());
    EXPECT_EQ(image.GetAverageColorInRect(0, -1, 1, 1), CColor());

    ImageRep grey;
    MakeImage(grey, 2, 1, kFormatGrey, [](int x, int) { return Solid(uint8_t(x ? 100 : 50), 0, 0); });
    EXPECT_EQ(grey.GetAverageColor(), CColor(75, 75, 75, 255));
    EXPECT_EQ(ImageRep().GetAverageColor(), CColor());
}

TEST(ImageRep, PasteImageCopiesClippedAndOptionallyBottomUp)
{
    ImageRep target, source;
    MakeImage(source, 2, 2, kFormatRGB,
              [](int x, int y) { return Solid(uint8_t(10 + x), uint8_t(10 + y), 0); });
    MakeImage(target, 3, 3, kFormatRGB, [](int, int) { return Solid(0, 0, 0); });

    ASSERT_TRUE(target.PasteImage(source, 2, 2, false));
    EXPECT_EQ(PixelOf(target, 2, 2), Solid(10, 10, 0));
    EXPECT_EQ(PixelOf(target, 1, 2), Solid(0, 0, 0));
    ASSERT_TRUE(target.PasteImage(source, 0, 0, true));
    EXPECT_EQ(PixelOf(target, 0, 0), Solid(10, 11, 0));
    EXPECT_EQ(PixelOf(target, 1, 1), Solid(11, 10, 0));

    ImageRep before;
    before.CopyFrom(target);
    EXPECT_TRUE(target.PasteImage(source, 3, 0, false)) << "at x = width: nothing to copy";
    EXPECT_TRUE(target.Equals(before));
    EXPECT_FALSE(target.PasteImage(source, 4, 0, false));
    EXPECT_FALSE(target.PasteImage(source, -1, 0, false));

    ImageRep rgba;
    MakeImage(rgba, 1, 1, kFormatRGBA, Gradient);
    EXPECT_FALSE(target.PasteImage(rgba, 0, 0, false));
}

TEST(ImageRep, CountAlphaPixelsSortsByOpacity)
{
    ImageRep image;
    MakeImage(image, 3, 2, kFormatRGBA,
              [](int x, int y) { return Solid(0, 0, 0, uint8_t(y ? 255 : x * 100)); });
    int opaque = -1, transparent = -1, partial = -1;
    image.CountAlphaPixels(opaque, transparent, partial);
    EXPECT_EQ(opaque, 3);
    EXPECT_EQ(transparent, 1);
    EXPECT_EQ(partial, 2);

    MakeImage(image, 3, 2, kFormatRGB, Gradient);
    image.CountAlphaPixels(opaque, transparent, partial);
    EXPECT_EQ(opaque, 6);
    EXPECT_EQ(transparent + partial, 0);
}

TEST(ImageRep, EqualsComparesSizeDepthAndPixels)
{
    ImageRep a, b;
    MakeImage(a, 3, 2, kFormatRGB, Gradient);
    MakeImage(b, 3, 2, kFormatRGB, Gradient);
    EXPECT_TRUE(a.Equals(b));
    b.GetPixels()[17] ^= 1;
    EXPECT_FALSE(a.Equals(b));
    MakeImage(b, 2, 3, kFormatRGB, Gradient);
    EXPECT_FALSE(a.Equals(b));
    MakeImage(b, 3, 2, kFormatRGBA, Gradient);
    EXPECT_FALSE(a.Equals(b));
}

TEST(ImageRep, RowCursorWalksOneRow)
{
    ImageRep image;
    MakeImage(image, 3, 2, kFormatRGBA, Gradient);
    PixelRGBA pixel;
    ASSERT_TRUE(image.GetRowCursor(1, pixel));
    EXPECT_EQ(pixel.GetCount(), 3);
    ASSERT_TRUE(pixel.Next());
    EXPECT_EQ(pixel.GetRed(), Gradient(1, 1).r);
    EXPECT_EQ(pixel.GetAlpha(), Gradient(1, 1).a);
    pixel.SetRGBA(1, 2, 3, 4);
    EXPECT_EQ(PixelOf(image, 1, 1), Solid(3, 2, 1, 4));
    EXPECT_FALSE(pixel.SetPosition(-1));
    ASSERT_TRUE(pixel.SetPosition(2));
    EXPECT_EQ(pixel.GetBlue(), Gradient(2, 1).b);

    EXPECT_FALSE(image.GetRowCursor(2, pixel));
    EXPECT_FALSE(image.GetRowCursor(-1, pixel));
    PixelRGB narrow;
    EXPECT_FALSE(image.GetRowCursor(0, narrow)) << "a 3-byte cursor would walk 4-byte pixels";

    ImageRep single;
    MakeImage(single, 1, 1, kFormatRGB, Gradient);
    ASSERT_TRUE(single.GetRowCursor(0, narrow));
    EXPECT_FALSE(narrow.Next());
}

TEST(ImageRep, CopyToBitmapAndCloneBitmapBridgeToTheCodecs)
{
    ImageRep image;
    MakeImage(image, 3, 2, kFormatRGB, Gradient);
    PLAnyBmp bitmap;
    ASSERT_TRUE(image.CopyToBitmap(bitmap));
    EXPECT_EQ(bitmap.GetPixelFormat().GetName(), "B8G8R8");
    EXPECT_EQ(PixelAt(bitmap, 2, 1), Solid(2, 1, 3));

    const std::unique_ptr<PLWinBmp> clone = image.CloneBitmap();
    ASSERT_TRUE(clone);
    EXPECT_EQ(clone->GetBitsPerPixel(), 24);
    EXPECT_EQ(PixelAt(*clone, 2, 1), Solid(2, 1, 3));
    EXPECT_FALSE(ImageRep().CloneBitmap());
    EXPECT_FALSE(ImageRep().CopyToBitmap(bitmap));
}

TEST(ImageBitmapRep, DescribesTheCallersMemory)
{
    std::vector<uint8_t> memory = PatternBytes(3, 2, kFormatRGBA, Gradient, 4);
    ImageBitmapRep image;
    EXPECT_FALSE(image.IsValid());
    image.Attach(3, 2, kFormatRGBA, 4, memory.data());
    ASSERT_TRUE(image.IsValid());
    EXPECT_EQ(image.GetPixels(), memory.data());
    EXPECT_EQ(image.GetBytesPerLine(), 16);
    EXPECT_EQ(image.GetRowPadding(), 4);
    EXPECT_EQ(PixelOf(image, 2, 1), Gradient(2, 1));

    struct Case {
        int width, height, format, padding;
        uint8_t* pixels;
    };
    for (const Case& c : {Case{0, 2, kFormatRGB, 0, memory.data()}, Case{2, 0, kFormatRGB, 0, memory.data()},
                          Case{2, 2, kFormatRGB, -1, memory.data()}, Case{2, 2, kFormatRGB, 0, nullptr},
                          Case{2, 2, 9, 0, memory.data()}}) {
        image.Attach(c.width, c.height, c.format, c.padding, c.pixels);
        EXPECT_FALSE(image.IsValid());
    }
}

TEST(ImageBitmapRep, CopiesIntoItReportFailureAndKeepTheDescription)
{
    std::vector<uint8_t> memory = PatternBytes(2, 2, kFormatRGB, Gradient);
    ImageBitmapRep image;
    image.Attach(2, 2, kFormatRGB, 0, memory.data());
    ImageRep source;
    MakeImage(source, 2, 2, kFormatRGB, Gradient);
    EXPECT_FALSE(image.CopyFrom(source));
    EXPECT_FALSE(image.CopyScaledFrom(source, 4, 4));
    EXPECT_TRUE(image.IsValid());
    EXPECT_EQ(image.GetPixels(), memory.data());

    ImageMemoryRep encoded;
    ASSERT_TRUE(LoadEncoded(encoded, "rgb.png"));
    int width = 0, height = 0;
    EXPECT_FALSE(image.LoadFile(WidePath(DataPath("rgb.png"))));
    EXPECT_FALSE(image.LoadFile(WidePath(DataPath("rgb.png")), 4, 4));
    EXPECT_FALSE(image.LoadMemory(encoded));
    EXPECT_FALSE(image.LoadMemory(encoded, 4, 4));
    EXPECT_FALSE(image.LoadMemoryBounded(encoded, 16, 16, false, width, height));
    EXPECT_EQ(image.GetPixels(), memory.data());

    image.Create(2, 2, kFormatRGB, 0, memory.data());
    EXPECT_FALSE(image.IsValid()) << "Create only clears the description";
    EXPECT_EQ(image.GetPixels(), nullptr);
}

TEST(ImageBitmapRep, SwapsFlipsAndMakesOpaqueInPlaceRespectingThePadding)
{
    std::vector<uint8_t> memory = PatternBytes(3, 3, kFormatRGBA, Gradient, 2);
    const std::vector<uint8_t> original = memory;
    ImageBitmapRep image;
    image.Attach(3, 3, kFormatRGBA, 2, memory.data());

    ASSERT_TRUE(image.FlipVertical());
    EXPECT_EQ(PixelOf(image, 1, 0), Gradient(1, 2));
    EXPECT_EQ(PixelOf(image, 1, 1), Gradient(1, 1));
    ASSERT_TRUE(image.FlipVertical());
    EXPECT_EQ(memory, original);

    ASSERT_TRUE(image.SwapRedBlue());
    EXPECT_EQ(PixelOf(image, 2, 2).b, Gradient(2, 2).r);
    ASSERT_TRUE(image.SetOpaque());
    EXPECT_EQ(PixelOf(image, 2, 0).a, 255);
    EXPECT_EQ(memory[12], 0xEE) << "padding untouched";
    EXPECT_EQ(memory[13], 0xEE);

    std::vector<uint8_t> grey(4);
    image.Attach(2, 2, kFormatGrey, 0, grey.data());
    EXPECT_FALSE(image.SwapRedBlue());
    EXPECT_FALSE(image.SetOpaque());
}

TEST(ImageBitmapRep, AlphaOperationsWorkOnTheCallersRGBAMemory)
{
    std::vector<uint8_t> memory = PatternBytes(2, 2, kFormatRGBA, Gradient);
    ImageBitmapRep image;
    image.Attach(2, 2, kFormatRGBA, 0, memory.data());
    ASSERT_TRUE(image.SetAlpha(0.5));
    EXPECT_EQ(memory[7], 127);
    ASSERT_TRUE(image.MultiplyAlpha(0));
    EXPECT_EQ(memory[15], 0);

    image.Attach(2, 2, kFormatRGB, 0, memory.data());
    EXPECT_FALSE(image.SetAlpha(0.5)) << "the caller's memory cannot grow a fourth byte";
    EXPECT_FALSE(image.ConvertToRGBA());
}

TEST(ImageBitmapRep, SavesThroughACopy)
{
    TempFolder folder;
    std::vector<uint8_t> memory = PatternBytes(3, 2, kFormatRGB, Gradient, 3);
    ImageBitmapRep image;
    image.Attach(3, 2, kFormatRGB, 3, memory.data());
    const std::wstring path = WidePath(folder / "out.png");
    ASSERT_TRUE(image.SaveFile(path));
    ImageRep loaded;
    ASSERT_TRUE(loaded.LoadFile(path));
    EXPECT_EQ(
        ImageDistance(loaded, [](int x, int y) { return Solid(uint8_t(x), uint8_t(y), uint8_t(x + y)); }), 0);
    image.Attach(0, 0, kFormatRGB, 0, nullptr);
    EXPECT_FALSE(image.SaveFile(path));
}

TEST(ImageBitmapRep, CreatedFromChannelsAndStride)
{
    struct Case {
        int channels;
        int format;  // -1: refused
        int padding;
    };
    std::vector<uint8_t> memory(64);
    for (const Case& c :
         {Case{1, kFormatGrey, 2}, Case{3, kFormatRGB, 2}, Case{4, kFormatRGBA, 2}, Case{2, -1, 0}}) {
        const auto image = CreateImageBitmapRep(2, 2, c.channels, 2 * c.channels + 2, memory.data());
        if (c.format < 0) {
            EXPECT_FALSE(image) << c.channels;
            continue;
        }
        ASSERT_TRUE(image);
        EXPECT_EQ(image->GetFormat(), c.format);
        EXPECT_EQ(image->GetBytesPerPixel(), c.channels);
        EXPECT_EQ(image->GetRowPadding(), c.padding);
    }
    EXPECT_EQ(CreateImageBitmapRep(2, 2, 3, 0, memory.data())->GetRowPadding(), 0);
}

}  // namespace
