#include "image/PLPixelFormat.h"

#include <gtest/gtest.h>

namespace {

using Channel = PLPixelFormat::Channel;

TEST(PixelFormat, NameGivesDepthAndMasksFirstGroupHighest)
{
    const PLPixelFormat luminanceChroma("L8Cb8Cr8");
    EXPECT_EQ(luminanceChroma.GetBitsPerPixel(), 24);
    EXPECT_EQ(luminanceChroma.GetMask(PLPixelFormat::L), 0xFF0000u);
    EXPECT_EQ(luminanceChroma.GetMask(PLPixelFormat::Cb), 0xFF00u);
    EXPECT_EQ(luminanceChroma.GetMask(PLPixelFormat::Cr), 0xFFu);
    EXPECT_EQ(luminanceChroma.GetMask(PLPixelFormat::Cbr), 0u);

    const PLPixelFormat wide("R16G16B16");
    EXPECT_EQ(wide.GetMask(PLPixelFormat::R), 0xFFFF00000000u);

    const PLPixelFormat unnamed("");
    EXPECT_EQ(unnamed.GetBitsPerPixel(), 0);
    for (int c = 0; c < PLPixelFormat::ChannelCount; ++c)
        EXPECT_EQ(unnamed.GetMask(Channel(c)), 0u);
}

TEST(PixelFormat, RegistryHoldsThePredefinedFormats)
{
    struct Case {
        const char* name;
        int bits;
        Channel channel;
        uint64_t mask;
    };
    const Case cases[] = {
        {"L1", 1, PLPixelFormat::L, 0x1},
        {"I8", 8, PLPixelFormat::I, 0xFF},
        {"X1R5G5B5", 16, PLPixelFormat::X, 0x8000},
        {"R5G6B5", 16, PLPixelFormat::G, 0x7E0},
        {"A8R8G8B8", 32, PLPixelFormat::A, 0xFF000000},
        {"B5G5R5A1", 16, PLPixelFormat::R, 0x3E},
        {"B8G8R8A8", 32, PLPixelFormat::A, 0xFF},
        {"L8Cbr8", 16, PLPixelFormat::Cbr, 0xFF},
    };
    for (const Case& c : cases) {
        const PLPixelFormat& format = PLPixelFormat::FindByName(c.name);
        EXPECT_EQ(format.GetBitsPerPixel(), c.bits) << c.name;
        EXPECT_EQ(format.GetMask(c.channel), c.mask) << c.name;
    }
    EXPECT_TRUE(PLPixelFormat::FindByName("").IsUnnamed());
}

TEST(PixelFormat, UnknownNamesAreRefusedWithTheName)
{
    for (const char* name : {"Q8", "R8G8B", "8R8", "R0G8", "R40G40"}) {
        try {
            PLPixelFormat format(name);
            ADD_FAILURE() << name << " was accepted";
        } catch (const PLPixelFormat::UnsupportedPixelFormat& e) {
            EXPECT_EQ(e.GetName(), name);
        }
    }
    // Well formed but not registered.
    EXPECT_THROW(PLPixelFormat::FindByName("C8M8Y8K8"), PLPixelFormat::UnsupportedPixelFormat);
}

TEST(PixelFormat, AlphaSwitchesBetweenAlphaAndUnusedChannel)
{
    const PLPixelFormat& argb = PLPixelFormat::FindByName("A8R8G8B8");
    EXPECT_EQ(argb.WithAlpha(false).GetName(), "X8R8G8B8");
    EXPECT_EQ(&argb.WithAlpha(false), &PLPixelFormat::FindByName("X8R8G8B8"));
    EXPECT_EQ(PLPixelFormat::FindByName("X8R8G8B8").WithAlpha(true), argb);
    EXPECT_EQ(PLPixelFormat::FindByName("R8G8B8").WithAlpha(true).GetName(), "R8G8B8");
    EXPECT_TRUE(argb.HasAlphaChannel());
    EXPECT_FALSE(argb.WithAlpha(false).HasAlphaChannel());
}

TEST(PixelFormat, RedAndBlueTradePlaces)
{
    EXPECT_EQ(PLPixelFormat::FindByName("X8R8G8B8").WithRedBlueSwapped().GetName(), "X8B8G8R8");
    EXPECT_EQ(PLPixelFormat::FindByName("B8G8R8").WithRedBlueSwapped().GetName(), "R8G8B8");
    EXPECT_EQ(PLPixelFormat::FindByName("L8").WithRedBlueSwapped().GetName(), "L8");
}

TEST(PixelFormat, PaletteSizeFollowsTheDepth)
{
    EXPECT_EQ(PLPixelFormat::FindByName("L1").PaletteSize(), 2);
    EXPECT_EQ(PLPixelFormat::FindByName("I8").PaletteSize(), 256);
    EXPECT_EQ(PLPixelFormat::FindByName("L8").PaletteSize(), 256);
    EXPECT_EQ(PLPixelFormat::FindByName("R5G6B5").PaletteSize(), 0);
}

}  // namespace
