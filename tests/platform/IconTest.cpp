// Icons and cursors made from pixels: what shows of each pixel, without a display.

#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "platform/win32/Icon.h"

namespace {

struct Made {
    HICON handle;
    ~Made() { DestroyIcon(handle); }
};

// Three pixels, blue-green-red-alpha each.
const std::vector<BYTE> kWithAlpha = {10, 20, 30, 0, 10, 20, 30, 128, 10, 20, 30, 255};
const std::vector<BYTE> kWithoutAlpha = {10, 20, 30, 0, 10, 20, 30, 0, 10, 20, 30, 0};

TEST(IconPixels, AlphaShowsUnlessTheMaskLetsTheScreenThrough)
{
    struct Case {
        const char* what;
        const std::vector<BYTE>& colour;
        std::vector<BYTE> mask;
        std::vector<BYTE> shownAlpha;
    };
    const Case cases[] = {
        {"alpha as given", kWithAlpha, {}, {0, 128, 255}},
        {"the mask wins over alpha", kWithAlpha, {0, 1, 0}, {0, 0, 255}},
        {"no alpha anywhere: opaque", kWithoutAlpha, {}, {255, 255, 255}},
        {"no alpha anywhere: the mask decides", kWithoutAlpha, {1, 0, 1}, {0, 255, 0}},
    };
    for (const Case& c : cases) {
        const ICONPIXELS info{TRUE, 0, 0, 3, 1, c.colour.data(), c.mask.empty() ? nullptr : c.mask.data()};
        const Made icon{CreateIconFromPixels(&info)};
        ASSERT_NE(icon.handle, nullptr) << c.what;
        ASSERT_EQ(icon.handle->rgba.size(), 12u) << c.what;
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(icon.handle->rgba[4 * i], 30) << c.what << " red";
            EXPECT_EQ(icon.handle->rgba[4 * i + 2], 10) << c.what << " blue";
            EXPECT_EQ(icon.handle->rgba[4 * i + 3], c.shownAlpha[i]) << c.what << " pixel " << i;
        }
    }
}

TEST(IconPixels, ACursorKeepsItsHotSpot)
{
    const ICONPIXELS info{FALSE, 2, 1, 3, 1, kWithAlpha.data(), nullptr};
    const Made cursor{CreateIconFromPixels(&info)};
    ASSERT_NE(cursor.handle, nullptr);
    EXPECT_FALSE(cursor.handle->isIcon);
    EXPECT_EQ(cursor.handle->xHotspot, 2);
    EXPECT_EQ(cursor.handle->yHotspot, 1);
    EXPECT_EQ(cursor.handle->width, 3);
    EXPECT_EQ(cursor.handle->height, 1);
}

TEST(IconPixels, NothingIsMadeOfNoPixels)
{
    const ICONPIXELS noColours{TRUE, 0, 0, 3, 1, nullptr, nullptr};
    const ICONPIXELS noWidth{TRUE, 0, 0, 0, 1, kWithAlpha.data(), nullptr};
    const ICONPIXELS negativeHeight{TRUE, 0, 0, 3, -1, kWithAlpha.data(), nullptr};
    EXPECT_EQ(CreateIconFromPixels(nullptr), nullptr);
    EXPECT_EQ(CreateIconFromPixels(&noColours), nullptr);
    EXPECT_EQ(CreateIconFromPixels(&noWidth), nullptr);
    EXPECT_EQ(CreateIconFromPixels(&negativeHeight), nullptr);
    EXPECT_FALSE(DestroyIcon(nullptr));
}

}  // namespace
