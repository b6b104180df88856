#include "ImageRepTestUtil.h"

#include "image/CWinBmp.h"
#include "image/PLAnyPicDecoder.h"
#include "image/PLWinBmp.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

namespace {

using namespace imagetest;
using orbisk::bmputils::BlendOverColorRef;
using orbisk::bmputils::CWinBmp;
using orbisk::bmputils::GetEncoderNameForPath;
using orbisk::bmputils::IconImages;
using orbisk::imageutils::kFormatRGB;
using orbisk::imageutils::kFormatRGBA;
using orbisk::utils::CColor;
using orbisk::utils::IntRect;

uint32_t Le32(const uint8_t* at)
{
    return at[0] | at[1] << 8 | at[2] << 16 | uint32_t(at[3]) << 24;
}

uint16_t Le16(const uint8_t* at)
{
    return uint16_t(at[0] | at[1] << 8);
}

void SetPixel(PLBmp& bitmap, int x, int y, PLPixel32 c)
{
    std::memcpy(bitmap.GetLine(y) + x * (bitmap.GetBitsPerPixel() / 8), &c,
                size_t(bitmap.GetBitsPerPixel() / 8));
}

// A 32-bit CWinBmp of width x height pixels from colour(x, y), alpha included.
void MakeWinBmp(CWinBmp& bitmap, int width, int height, const std::function<PLPixel32(int, int)>& colour)
{
    ImageRep image;
    MakeImage(image, width, height, kFormatRGBA, colour);
    ASSERT_TRUE(bitmap.CreateFromImageRep(image));
}

TEST(PLWinBmp, RowsArePaddedToWholeWords)
{
    struct Case {
        int width;
        const char* format;
        int64_t bytesPerLine;
    };
    const Case cases[] = {{10, "B8G8R8", 32}, {10, "L1", 4},    {5, "I8", 8}, {3, "A8R8G8B8", 12},
                          {33, "L1", 8},      {1, "R5G6B5", 4}, {4, "I8", 4}};
    for (const Case& c : cases) {
        PLWinBmp bitmap;
        bitmap.Create(c.width, 2, PLPixelFormat::FindByName(c.format), nullptr, 0, {});
        EXPECT_EQ(bitmap.GetBytesPerLine(), c.bytesPerLine) << c.width << " " << c.format;
        EXPECT_EQ(int64_t(bitmap.GetPackedSize()), GetDIBSize(c.width, 2, bitmap.GetBitsPerPixel()));
        EXPECT_EQ(bitmap.GetMemoryUsed(), int64_t(bitmap.GetPackedSize()) + 192);
    }
}

TEST(PLWinBmp, ANewBitmapIsSixteenSquareGreyIndexed)
{
    const PLWinBmp bitmap;
    EXPECT_EQ(bitmap.GetWidth(), 16);
    EXPECT_EQ(bitmap.GetHeight(), 16);
    EXPECT_EQ(bitmap.GetPixelFormat().GetName(), "I8");
    EXPECT_EQ(bitmap.GetPalette()[200], (PLPixel32{200, 200, 200, 255}));
    EXPECT_EQ(bitmap.GetPackedSize(), size_t(40 + 1024 + 256));
}

TEST(PLWinBmp, PackedDibHasTheHeaderThenBottomUpRows)
{
    PLWinBmp bitmap;
    bitmap.Create(3, 2, PLPixelFormat::FindByName("B8G8R8"), nullptr, 0, {});
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            SetPixel(bitmap, x, y, {uint8_t(10 * x), uint8_t(y), uint8_t(100 + x), 0});
    const uint8_t* dib = bitmap.GetBitmapInfo();
    ASSERT_EQ(bitmap.GetPackedSize(), size_t(40 + 2 * 12));
    EXPECT_EQ(Le32(dib), 40u);
    EXPECT_EQ(Le32(dib + 4), 3u);
    EXPECT_EQ(Le32(dib + 8), 2u);
    EXPECT_EQ(Le16(dib + 12), 1);
    EXPECT_EQ(Le16(dib + 14), 24);
    for (int offset = 16; offset < 40; offset += 4)
        EXPECT_EQ(Le32(dib + offset), 0u) << "header field at " << offset;
    // The bottom row (y = 1) first, padded with zeros to 12 bytes.
    const uint8_t rows[24] = {0, 1, 100, 10, 1, 101, 20, 1, 102, 0, 0, 0,
                              0, 0, 100, 10, 0, 101, 20, 0, 102, 0, 0, 0};
    EXPECT_EQ(std::memcmp(dib + 40, rows, sizeof rows), 0);
}

TEST(PLWinBmp, PaletteIsTheColourTable)
{
    PLWinBmp bitmap;
    bitmap.Create(2, 1, PLPixelFormat::FindByName("L1"), nullptr, 0, {});
    const uint8_t* dib = bitmap.GetBitmapInfo();
    EXPECT_EQ(bitmap.GetPackedSize(), size_t(40 + 8 + 4));
    EXPECT_EQ(Le16(dib + 14), 1);
    EXPECT_EQ(static_cast<const void*>(bitmap.GetPalette()), static_cast<const void*>(dib + 40));
    EXPECT_EQ(Le32(dib + 44), 0xFFFFFFFFu) << "entry 1 of the grey ramp is white";
    EXPECT_EQ(bitmap.GetLine(0), dib + 48);
}

TEST(PLWinBmp, FormatsOfDibBitCounts)
{
    EXPECT_EQ(FormatForDIBBits(1).GetName(), "L1");
    EXPECT_EQ(FormatForDIBBits(8).GetName(), "I8");
    EXPECT_EQ(FormatForDIBBits(16).GetName(), "X1R5G5B5");
    EXPECT_EQ(FormatForDIBBits(24).GetName(), "R8G8B8");
    EXPECT_EQ(FormatForDIBBits(32).GetName(), "X8R8G8B8");
    EXPECT_TRUE(FormatForDIBBits(4).IsUnnamed());
    EXPECT_EQ(GetDIBSize(10, 3, 8), 40 + 1024 + 3 * 12);
    EXPECT_EQ(GetDIBSize(10, 3, 32), 40 + 3 * 40);
}

TEST(PLWinBmp, ACopiedDibComesBackWithItsPixelsAndPalette)
{
    PLWinBmp original;
    original.Create(5, 3, PLPixelFormat::FindByName("I8"), nullptr, 0, {});
    for (int i = 0; i < 256; ++i)
        original.GetPalette()[i] = {uint8_t(i), uint8_t(255 - i), 7, 0};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            original.GetLine(y)[x] = uint8_t(x * 3 + y);
    const std::vector<uint8_t> packed = original.CopyToGlobalMemory();
    ASSERT_EQ(packed.size(), original.GetPackedSize());

    PLWinBmp copy;
    copy.CreateFromDIB(packed.data(), packed.size());
    EXPECT_EQ(copy.GetPixelFormat().GetName(), "I8");
    ASSERT_EQ(copy.GetSize(), (PLPoint{5, 3}));
    EXPECT_EQ(copy.GetPalette()[9], (PLPixel32{9, 246, 7, 0}));
    EXPECT_EQ(copy.GetLine(2)[4], 14);
    EXPECT_EQ(copy.CopyToGlobalMemory(), packed);
}

TEST(PLWinBmp, MalformedDibsAreRefusedWithACodecError)
{
    PLWinBmp source;
    source.Create(4, 2, PLPixelFormat::FindByName("B8G8R8"), nullptr, 0, {});
    const std::vector<uint8_t> good = source.CopyToGlobalMemory();
    struct Case {
        const char* what;
        size_t offset;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {"a larger header", 0, {124, 0, 0, 0}},
        {"no width", 4, {0, 0, 0, 0}},
        {"top-down rows", 8, {0xFE, 0xFF, 0xFF, 0xFF}},
        {"two planes", 12, {2, 0}},
        {"4 bits", 14, {4, 0}},
        {"run-length encoding", 16, {1, 0, 0, 0}},
        {"a huge width", 4, {0xFF, 0xFF, 0xFF, 0x7F}},
        {"more rows than bytes", 8, {3, 0, 0, 0}},
        {"a partial colour table", 32, {16, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bad = good;
        std::copy(c.bytes.begin(), c.bytes.end(), bad.begin() + long(c.offset));
        PLWinBmp bitmap;
        EXPECT_EQ(CodeOf([&] { bitmap.CreateFromDIB(bad.data(), bad.size()); }), PLErr::FormatUnknown)
            << c.what;
    }
    for (size_t length = 0; length < good.size(); ++length) {
        PLWinBmp bitmap;
        EXPECT_EQ(CodeOf([&] { bitmap.CreateFromDIB(good.data(), length); }), PLErr::FormatUnknown) << length;
    }
    PLWinBmp bitmap;
    EXPECT_EQ(CodeOf([&] { bitmap.CreateFromDIB(nullptr, 100); }), PLErr::FormatUnknown);
}

TEST(PLWinBmp, DecodersFillItLikeAPlainBitmap)
{
    for (const char* file : {"rgb.png", "rgba.png", "palette.png", "colour.jpg", "grey.jpg", "rgb.tif",
                             "tiled.tif", "bilevel.tif", "plain.gif", "interlaced.gif"}) {
        const std::vector<uint8_t> data = ReadData(file);
        PLAnyPicDecoder decoder;
        PLAnyBmp plain;
        PLWinBmp windows;
        decoder.DecodeMemory(data.data(), data.size(), plain);
        decoder.DecodeMemory(data.data(), data.size(), windows);
        EXPECT_EQ(windows.GetPixelFormat(), plain.GetPixelFormat()) << file;
        EXPECT_EQ(MaxDistance(windows, [&](int x, int y) { return PixelAt(plain, x, y); }), 0) << file;
    }
}

TEST(CWinBmp, LoadingGivesA32BitBitmap)
{
    struct Case {
        const char* file;
        const char* format;
    };
    for (const Case& c :
         {Case{"rgb.png", "X8R8G8B8"}, Case{"rgba.png", "A8R8G8B8"}, Case{"plain.gif", "X8R8G8B8"},
          Case{"grey.jpg", "X8R8G8B8"}, Case{"bilevel.tif", "X8R8G8B8"}}) {
        CWinBmp bitmap;
        ASSERT_TRUE(bitmap.LoadFile(WidePath(DataPath(c.file)))) << c.file;
        EXPECT_EQ(bitmap.GetBitmap()->GetPixelFormat().GetName(), c.format) << c.file;
        EXPECT_EQ(bitmap.GetWidth(), kWidth);
        EXPECT_EQ(bitmap.GetHeight(), kHeight);
    }
}

TEST(CWinBmp, AMissingFileKeepsTheBitmapAndABadOneEmptiesIt)
{
    TempFolder folder;
    std::ofstream(folder / "bad.png") << "no picture";
    CWinBmp bitmap;
    ASSERT_TRUE(bitmap.LoadFile(WidePath(DataPath("rgb.png"))));
    EXPECT_FALSE(bitmap.LoadFile(WidePath(folder / "missing.png")));
    EXPECT_EQ(bitmap.GetWidth(), kWidth);
    EXPECT_FALSE(bitmap.LoadFile(WidePath(folder / "")));
    EXPECT_EQ(bitmap.GetWidth(), kWidth) << "a folder is no regular file";
    EXPECT_FALSE(bitmap.LoadFile(WidePath(folder / "bad.png")));
    EXPECT_EQ(bitmap.GetBitmap(), nullptr);
    EXPECT_EQ(bitmap.GetWidth(), 0);
}

TEST(CWinBmp, ImageRepCopiesKeepTheirDepthUntilConverted)
{
    ImageRep image;
    MakeImage(image, 4, 3, kFormatRGB, [](int x, int y) { return Colour(x, y); });
    CWinBmp bitmap;
    ASSERT_TRUE(bitmap.CreateFromImageRep(image));
    EXPECT_EQ(bitmap.GetBitmap()->GetBitsPerPixel(), 24);
    bitmap.ConvertTo32Bit();
    EXPECT_EQ(bitmap.GetBitmap()->GetPixelFormat().GetName(), "X8R8G8B8");
    EXPECT_EQ(PixelAt(*bitmap.GetBitmap(), 3, 2), Colour(3, 2));
    ASSERT_TRUE(bitmap.Resize(8, 6));
    EXPECT_EQ(bitmap.GetWidth(), 8);
    EXPECT_FALSE(bitmap.CreateFromImageRep(ImageRep()));
    EXPECT_FALSE(bitmap.Resize(2, 2));
}

TEST(CWinBmp, FadeLightensTheTriangleBelowTheRisingDiagonal)
{
    CWinBmp bitmap;
    MakeWinBmp(bitmap, 4, 4, [](int, int) { return PLPixel32{0, 100, 200, 77}; });
    CWinBmp::Fade(*bitmap.GetBitmap(), 255);
    // Row i is faded from column (4 - i) x 4 / 4 on.
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            const PLPixel32 expected = x >= 4 - y ? PLPixel32{255, 255, 255, 77} : PLPixel32{0, 100, 200, 77};
            EXPECT_EQ(PixelAt(*bitmap.GetBitmap(), x, y), expected) << x << "," << y;
        }
    }
    CWinBmp half;
    MakeWinBmp(half, 2, 2, [](int, int) { return PLPixel32{0, 100, 200, 255}; });
    CWinBmp::Fade(*half.GetBitmap(), 51);  // a fifth of the way to white
    EXPECT_EQ(PixelAt(*half.GetBitmap(), 1, 1), (PLPixel32{51, 131, 211, 255}));
}

TEST(CWinBmp, GreyOutGivesTheDisabledLook)
{
    struct Case {
        PLPixel32 pixel;
        PLPixel32 expected;
    };
    const CColor face(200, 10, 20, 255);
    // White: luminance 255, grey 255; black: grey 128.
    const Case cases[] = {
        {{255, 255, 255, 255}, {255, 255, 255, 255}},
        {{0, 0, 0, 255}, {128, 128, 128, 255}},
        {{9, 9, 9, 0}, {20, 10, 200, 255}},      // transparent: the colour itself
        {{0, 0, 0, 102}, {171, 171, 171, 255}},  // 0.6 of the way from grey 128 to red level 200
    };
    for (const Case& c : cases) {
        CWinBmp bitmap;
        MakeWinBmp(bitmap, 1, 1, [&](int, int) { return c.pixel; });
        bitmap.GreyOut(face);
        EXPECT_EQ(PixelAt(*bitmap.GetBitmap(), 0, 0), c.expected);
    }
    ImageRep rgb;
    MakeImage(rgb, 1, 1, kFormatRGB, [](int, int) { return PLPixel32{0, 0, 255, 255}; });
    CWinBmp bitmap;
    ASSERT_TRUE(bitmap.CreateFromImageRep(rgb));
    bitmap.GreyOut(face);
    EXPECT_EQ(PixelAt(*bitmap.GetBitmap(), 0, 0), (PLPixel32{155, 155, 155, 255})) << "red: luminance 54";
}

TEST(CWinBmp, FlattenOntoComposesOverTheColour)
{
    struct Case {
        PLPixel32 pixel;
        PLPixel32 expected;
    };
    const CColor background(0, 0, 255, 255);
    const Case cases[] = {
        {{10, 20, 30, 255}, {10, 20, 30, 255}},
        {{10, 20, 30, 0}, {255, 0, 0, 255}},
        {{0, 0, 255, 51}, {204, 0, 50, 255}},
    };
    for (const Case& c : cases) {
        CWinBmp bitmap;
        MakeWinBmp(bitmap, 1, 1, [&](int, int) { return c.pixel; });
        bitmap.FlattenOnto(background);
        EXPECT_EQ(PixelAt(*bitmap.GetBitmap(), 0, 0), c.expected);
        bitmap.FlattenOnto(CColor());
    }
    CWinBmp opaque;
    ASSERT_TRUE(opaque.LoadFile(WidePath(DataPath("rgb.png"))));
    SetPixel(*opaque.GetBitmap(), 0, 0, {1, 2, 3, 0});
    opaque.FlattenOnto(background);
    EXPECT_EQ(PixelAt(*opaque.GetBitmap(), 0, 0), (PLPixel32{1, 2, 3, 0})) << "a format without alpha stays";
}

TEST(CWinBmp, BlendOverColorRef)
{
    struct Case {
        int red, green, blue, alpha;
        COLORREF background, expected;
    };
    const Case cases[] = {
        {10, 20, 30, 0, 0x123456, 0x123456},
        {10, 20, 30, 255, 0x123456, 0x1E140A},
        {255, 0, 0, 51, 0x0000FF, 0x0000FF},    // red over red
        {0, 0, 255, 51, 0x000000FF, 0x3200CC},  // blue over red: a fifth blue
    };
    for (const Case& c : cases)
        EXPECT_EQ(BlendOverColorRef(c.red, c.green, c.blue, c.alpha, c.background), c.expected) << c.alpha;
}

TEST(CWinBmp, EncoderNameByTheLastFourCharacters)
{
    struct Case {
        const wchar_t* path;
        const wchar_t* name;
    };
    const Case cases[] = {{L"a.jpg", L"JPEG"}, {L"A.JPG", L"JPEG"}, {L"x/a.Png", L"PNG"}, {L"a.bmp", L"BMP"},
                          {L"a.tif", L"TIF"},  {L"a.TIFF", L""},    {L"a.jpeg", L""},     {L"jpg", L""},
                          {L"", L""},          {L".gif", L""}};
    for (const Case& c : cases)
        EXPECT_EQ(GetEncoderNameForPath(c.path), c.name);
}

TEST(CWinBmp, EffectsFitTheBitmapIntoTheRectangle)
{
    struct Case {
        int width, height;
        IntRect rect;
        bool keepAspect;
        IntRect placement;
    };
    const Case cases[] = {
        {100, 50, {0, 0, 200, 200}, true, {0, 50, 200, 150}},
        {50, 100, {10, 10, 210, 210}, true, {60, 10, 160, 210}},
        {100, 50, {0, 0, 400, 100}, true, {100, 0, 300, 100}},  // a wide rectangle: fitted by height
        {100, 50, {5, 5, 45, 25}, false, {5, 5, 45, 25}},
        {100, 100, {0, 0, 30, 30}, true, {0, 0, 30, 30}},
    };
    for (const Case& c : cases) {
        CWinBmp bitmap;
        MakeWinBmp(bitmap, c.width, c.height, [](int, int) { return PLPixel32{1, 2, 3, 4}; });
        IntRect placement{};
        const auto rendered = bitmap.RenderWithEffects(c.rect, c.keepAspect, placement);
        ASSERT_TRUE(rendered);
        EXPECT_EQ(placement.left, c.placement.left);
        EXPECT_EQ(placement.top, c.placement.top);
        EXPECT_EQ(placement.right, c.placement.right);
        EXPECT_EQ(placement.bottom, c.placement.bottom);
        EXPECT_EQ(rendered->GetWidth(), c.placement.right - c.placement.left);
        EXPECT_EQ(rendered->GetHeight(), c.placement.bottom - c.placement.top);
        EXPECT_EQ(rendered->GetPixelFormat().GetName(), "A8R8G8B8");
        EXPECT_EQ(PixelAt(*rendered, 3, 3), (PLPixel32{1, 2, 3, 4}));
    }
    CWinBmp empty;
    IntRect placement{};
    EXPECT_FALSE(empty.RenderWithEffects({0, 0, 10, 10}, false, placement));
    CWinBmp bitmap;
    MakeWinBmp(bitmap, 2, 2, Colour);
    EXPECT_FALSE(bitmap.RenderWithEffects({0, 0, 0, 10}, false, placement));
}

TEST(CWinBmp, RecolouringIsUsedOnceAndAColourAdjustmentWins)
{
    const CColor key(10, 20, 30), match(200, 0, 0), other(0, 0, 200);
    CWinBmp bitmap;
    MakeWinBmp(bitmap, 2, 1, [](int x, int) {
        return x ? PLPixel32{30, 20, 10, 255} : PLPixel32{1, 1, 1, 255};
    });
    const IntRect rect{0, 0, 2, 1};
    IntRect placement{};

    bitmap.SetRecolor(key, match, other);
    auto rendered = bitmap.RenderWithEffects(rect, false, placement);
    EXPECT_EQ(PixelAt(*rendered, 1, 0), (PLPixel32{0, 0, 200, 255}));
    EXPECT_EQ(PixelAt(*rendered, 0, 0), (PLPixel32{200, 0, 0, 255}));
    rendered = bitmap.RenderWithEffects(rect, false, placement);
    EXPECT_EQ(PixelAt(*rendered, 1, 0), (PLPixel32{30, 20, 10, 255})) << "the recolouring was used up";

    bitmap.SetRecolor(key, match, other);
    bitmap.SetColorAdjustment(240, 0, 0, false);  // blue hue
    rendered = bitmap.RenderWithEffects(rect, false, placement);
    const PLPixel32 adjusted = PixelAt(*rendered, 1, 0);
    EXPECT_GT(adjusted.b, adjusted.r) << "adjusted, not recoloured";
    bitmap.SetColorAdjustment(0.0005, 0, 0, false);
    rendered = bitmap.RenderWithEffects(rect, false, placement);
    EXPECT_EQ(PixelAt(*rendered, 1, 0), (PLPixel32{0, 0, 200, 255}))
        << "a tiny adjustment lets the recolouring run";
}

TEST(CWinBmp, EffectsFadeTheCopyNotTheBitmap)
{
    CWinBmp bitmap;
    MakeWinBmp(bitmap, 2, 2, [](int, int) { return PLPixel32{0, 0, 0, 255}; });
    bitmap.SetFadeAmount(255);
    IntRect placement{};
    const auto rendered = bitmap.RenderWithEffects({0, 0, 2, 2}, false, placement);
    EXPECT_EQ(PixelAt(*rendered, 1, 1), (PLPixel32{255, 255, 255, 255}));
    EXPECT_EQ(PixelAt(*rendered, 0, 0), (PLPixel32{0, 0, 0, 255}));
    EXPECT_EQ(PixelAt(*bitmap.GetBitmap(), 1, 1), (PLPixel32{0, 0, 0, 255}));
}

TEST(CWinBmp, IconImagesMaskTransparentPixelsAndBlendTheRest)
{
    CWinBmp bitmap;
    MakeWinBmp(bitmap, 3, 1, [](int x, int) {
        const PLPixel32 pixels[] = {{10, 20, 30, 0}, {10, 20, 30, 255}, {255, 0, 0, 51}};
        return pixels[x];
    });
    const IconImages images = bitmap.GetIconImages(0x0000FF);
    ASSERT_EQ(images.width, 3);
    ASSERT_EQ(images.height, 1);
    EXPECT_EQ(images.mask, (std::vector<uint8_t>{1, 0, 0}));
    EXPECT_EQ(images.colour, (std::vector<COLORREF>{0x0000FF, 0x0A141E, 0x3200CC}));

    ImageRep rgb;
    MakeImage(rgb, 2, 1, kFormatRGB, [](int, int) { return PLPixel32{1, 2, 3, 255}; });
    CWinBmp opaque;
    ASSERT_TRUE(opaque.CreateFromImageRep(rgb));
    EXPECT_EQ(opaque.GetIconImages(0).colour, (std::vector<COLORREF>{0x010203, 0x010203}));
    EXPECT_EQ(CWinBmp().GetIconImages(0).width, 0);
}

}  // namespace
