#include "support/Color.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace orbisk::utils {
namespace {

TEST(ColorLayout, ChannelsAreRedGreenBlueAlphaInMemory)
{
    const CColor color(0x11, 0x22, 0x33, 0x44);
    std::uint8_t bytes[4];
    std::memcpy(bytes, &color, 4);
    EXPECT_EQ(bytes[0], 0x11);
    EXPECT_EQ(bytes[3], 0x44);
    EXPECT_EQ(color.GetPacked(), 0x44332211u);
    EXPECT_EQ(color.GetRGB(), 0x332211u);
    EXPECT_EQ(CColor(0xFF332211u), CColor(0x11, 0x22, 0x33, 0xFF));
    EXPECT_EQ(CColor(0x111, -1, 256, 1), CColor(0x11, 0xFF, 0x00, 0x01));  // low bytes only
}

TEST(ColorUnits, UnitToByteTruncates)
{
    struct Case {
        double unit;
        int byte;
    };
    const Case cases[] = {{-0.2, 0}, {0, 0}, {0.5, 127}, {0.999, 254}, {1, 255}, {1.5, 255}};
    for (const Case& c : cases)
        EXPECT_EQ(UnitToByte(c.unit), c.byte) << c.unit;
}

TEST(ColorUnits, UnitAccessors)
{
    CColor color = CColor::FromUnitRGBA(1.0, 0.5, 0.0, 2.0);
    EXPECT_EQ(color, CColor(255, 127, 0, 255));
    EXPECT_FLOAT_EQ(color.GetGreenUnit(), 127 / 255.0f);
    EXPECT_FLOAT_EQ(color.GetMaxUnit(), 1.0f);
    color.SetAlphaUnit(0.5);
    EXPECT_EQ(color.alpha, 127);
    color.SetUnitRGBA(0, 0, 1, 1);
    EXPECT_EQ(color, CColor(0, 0, 255, 255));

    float own[4];
    EXPECT_EQ(color.GetUnitRGBA(own), own);
    EXPECT_FLOAT_EQ(own[2], 1.0f);
    const float* shared = CColor(255, 0, 0, 0).GetUnitRGBA();
    EXPECT_FLOAT_EQ(shared[0], 1.0f);
    EXPECT_EQ(CColor(0, 255, 0, 0).GetUnitRGBA(), shared);
    EXPECT_FLOAT_EQ(shared[0], 0.0f);
}

TEST(ColorBlending, LerpAndBlendWith)
{
    CColor result;
    CColor::Lerp(result, CColor(255, 0, 100, 255), CColor(0, 255, 100, 0), 0.25);
    EXPECT_EQ(result, CColor(63, 191, 100, 63));
    CColor color(255, 255, 255, 255);
    color.BlendWith(CColor(0, 0, 0, 0), 0.5);
    EXPECT_EQ(color, CColor(127, 127, 127, 127));
}

TEST(ColorBlending, BlendOverByThisColoursAlpha)
{
    const CColor white(255, 255, 255, 255);
    CColor transparent(10, 20, 30, 0);
    transparent.BlendOver(white);
    EXPECT_EQ(transparent, white);

    CColor opaque(10, 20, 30, 255);
    opaque.BlendOver(white);
    EXPECT_EQ(opaque, CColor(10, 20, 30, 255));

    CColor half(0, 0, 0, 128);
    half.BlendOver(white);
    EXPECT_NEAR(half.red, 127, 1);
    EXPECT_EQ(half.red, half.green);
    EXPECT_NEAR(half.alpha, 191, 1);
}

TEST(ColorSpaces, RGBToHSL)
{
    struct Case {
        std::uint8_t r, g, b;
        double hue, lightness, saturation;
    };
    const Case cases[] = {
        {255, 0, 0, 0, 0.5, 1},     {0, 0, 255, 240, 0.5, 1},
        {0, 255, 0, 120, 0.5, 1},   {128, 128, 128, -1, 128 / 255.0, 0},
        {255, 0, 255, 300, 0.5, 1}, {255, 255, 255, -1, 1, 0},
        {0, 0, 0, -1, 0, 0},
    };
    for (const Case& c : cases) {
        double h = 0, l = 0, s = 0;
        RGBToHSL(c.r, c.g, c.b, h, l, s);
        EXPECT_NEAR(h, c.hue, 1e-9);
        EXPECT_NEAR(l, c.lightness, 1e-6);
        EXPECT_NEAR(s, c.saturation, 1e-9);
    }
}

TEST(ColorSpaces, RGBToHSV)
{
    double h = 0, s = 0, v = 0;
    RGBToHSV(0, 0, 255, h, s, v);
    EXPECT_NEAR(h, 240, 1e-9);
    EXPECT_NEAR(s, 1, 1e-9);
    EXPECT_NEAR(v, 1, 1e-9);
    RGBToHSV(0, 0, 0, h, s, v);
    EXPECT_EQ(h, -1);
    EXPECT_EQ(s, 0);
}

TEST(ColorSpaces, HSLRoundTripsWithinOneStep)
{
    std::srand(7);
    for (int i = 0; i < 500; ++i) {
        const auto r = static_cast<std::uint8_t>(std::rand()), g = static_cast<std::uint8_t>(std::rand()),
                   b = static_cast<std::uint8_t>(std::rand());
        double h = 0, l = 0, s = 0;
        RGBToHSL(r, g, b, h, l, s);
        std::uint8_t r2 = 0, g2 = 0, b2 = 0;
        HSLToRGB(h, l, s, r2, g2, b2);
        ASSERT_NEAR(r2, r, 1);
        ASSERT_NEAR(g2, g, 1);
        ASSERT_NEAR(b2, b, 1);
    }
}

TEST(ColorSpaces, GetHSLRefusesTheAllZeroColour)
{
    double h = 5, l = 5, s = 5;
    EXPECT_FALSE(CColor().GetHSL(h, l, s));
    EXPECT_EQ(h, 5);
    EXPECT_TRUE(CColor(0, 0, 0, 255).GetHSL(h, l, s));
    EXPECT_EQ(l, 0);
    double v = 5;
    EXPECT_FALSE(CColor().GetHSV(h, s, v));
}

TEST(ColorAdjustment, AdjustHSL)
{
    std::uint8_t r = 0, g = 0, b = 0;
    AdjustHSL(r, g, b, 0, -0.5, 0, true);  // lightness never drops below 0.01
    EXPECT_EQ(r, 2);
    EXPECT_EQ(g, 2);
    EXPECT_EQ(b, 2);

    r = 255, g = 0, b = 0;
    AdjustHSL(r, g, b, 120, 0, 0, true);  // red turned by 120 degrees is green
    EXPECT_EQ(CColor(r, g, b), CColor(0, 255, 0));
    r = 255, g = 0, b = 0;
    AdjustHSL(r, g, b, 240, 0, 0, false);  // absolute hue
    EXPECT_EQ(CColor(r, g, b), CColor(0, 0, 255));
    r = 255, g = 0, b = 0;
    AdjustHSL(r, g, b, 1e300, 0, -1, true);  // no saturation left: grey of the lightness
    EXPECT_EQ(CColor(r, g, b), CColor(127, 127, 127));
}

TEST(ColorAdjustment, CompareHSLGivesTheTint)
{
    struct Case {
        CColor a, b;
        bool relative;
        double dh, dl, ds;
        bool grey;
    };
    const Case cases[] = {
        {CColor(128, 128, 128), CColor(255, 255, 255), true, 0, 1 - 128 / 255.0, 0, true},
        {CColor(255, 0, 0), CColor(128, 128, 128), true, 0, 128 / 255.0 - 0.5, -1, true},
        {CColor(0, 0, 0), CColor(0, 0, 255), true, 240, 0.5, 1, true},
        {CColor(255, 0, 0), CColor(0, 0, 255), true, 240, 0, 0, false},
        {CColor(0, 255, 0), CColor(0, 0, 255), false, 240, 0, 0, false},
        {CColor(0, 255, 0), CColor(0, 0, 255), true, 120, 0, 0, false},
    };
    for (const Case& c : cases) {
        double dh = 9, dl = 9, ds = 9;
        EXPECT_EQ(CompareHSL(dh, dl, ds, c.a, c.b, c.relative), c.grey);
        EXPECT_NEAR(dh, c.dh, 1e-9);
        EXPECT_NEAR(dl, c.dl, 1e-6);
        EXPECT_NEAR(ds, c.ds, 1e-9);
    }
}

TEST(ColorImages, ColorizePixelsWalksRowsByStride)
{
    // Two rows of one 24-bit pixel (blue, green, red), padded to 4 bytes; the padding stays.
    std::vector<std::uint8_t> pixels = {0, 0, 255, 0xAA, 0, 0, 255, 0xBB};
    ASSERT_TRUE(ColorizePixels(pixels.data(), 1, 2, 24, 4, 120, 0, 0, true));
    EXPECT_EQ(pixels, (std::vector<std::uint8_t>{0, 255, 0, 0xAA, 0, 255, 0, 0xBB}));
    EXPECT_FALSE(ColorizePixels(pixels.data(), 1, 2, 16, 0, 120, 0, 0, true));
    EXPECT_FALSE(ColorizePixels(nullptr, 1, 2, 24, 0, 120, 0, 0, true));
}

TEST(ColorImages, ReplaceColorPixelsKeepsTheFourthByte)
{
    std::vector<std::uint8_t> pixels = {1, 2, 3, 9, 7, 7, 7, 8};  // 32-bit: b, g, r, x
    ASSERT_TRUE(ReplaceColorPixels(pixels.data(), 2, 1, 32, 0, CColor(3, 2, 1), CColor(10, 20, 30),
                                   CColor(40, 50, 60)));
    EXPECT_EQ(pixels, (std::vector<std::uint8_t>{30, 20, 10, 9, 60, 50, 40, 8}));
    EXPECT_FALSE(ReplaceColorPixels(pixels.data(), 2, 1, 8, 0, {}, {}, {}));
}

TEST(ColorText, ParseHexColor)
{
    struct Case {
        std::wstring text;
        bool ok;
        CColor color;
    };
    const CColor untouched(1, 2, 3, 4);
    const Case cases[] = {
        {L"#FF8000", true, CColor(255, 128, 0, 255)},
        {L"ff8000", true, CColor(255, 128, 0, 255)},
        {L"##f80", true, CColor(255, 136, 0, 255)},
        {L"ff80", false, untouched},
        {L"ff800g", false, untouched},
        {L"", false, untouched},
        {L"#", false, untouched},
        {std::wstring{0xE9, L'a'}, false, untouched},
    };
    for (const Case& c : cases) {
        CColor color = untouched;
        EXPECT_EQ(ParseHexColor(c.text, color), c.ok) << c.text.size();
        EXPECT_EQ(color, c.color);
    }
}

TEST(ColorText, SetFromNameUsesTheTableThenHex)
{
    struct Case {
        std::wstring text;
        bool ok;
        CColor color;
    };
    const CColor untouched(1, 2, 3, 4);
    const Case cases[] = {
        {L"lightgrey", true, CColor(211, 211, 211, 255)},
        {L"LIGHTGREY", true, CColor(211, 211, 211, 255)},
        {L"LightGray", false, untouched},
        {L"Gray", true, CColor(128, 128, 128, 255)},
        {L"Green", true, CColor(0, 128, 0, 255)},
        {L"AliceBlue", true, CColor(240, 248, 255, 255)},
        {L"YellowGreen", true, CColor(154, 205, 50, 255)},
        {L"RebeccaPurple", false, untouched},
        {L"#123456", true, CColor(0x12, 0x34, 0x56, 255)},
        {L"Red ", false, untouched},
    };
    for (const Case& c : cases) {
        CColor color = untouched;
        EXPECT_EQ(color.SetFromName(c.text), c.ok) << c.text.size();
        EXPECT_EQ(color, c.color);
    }
}

}  // namespace
}  // namespace orbisk::utils
