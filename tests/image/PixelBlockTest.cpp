#include "image/PixelBlock.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using namespace orbisk::imageutils;

// Pixel memory of width × height pixels of bits / 8 bytes, stride bytes a row; the bytes
// of pixel (x, y) are Byte(x, y, 0..3), padding bytes 0xEE.
struct Pixels {
    int bits, width, height, stride;
    std::vector<uint8_t> bytes;

    Pixels(int bits, int width, int height, int padding = 0)
        : bits(bits),
          width(width),
          height(height),
          stride(width * bits / 8 + padding),
          bytes(size_t(stride * height), 0xEE)
    {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                for (int c = 0; c < bits / 8; ++c)
                    bytes[size_t(y * stride + x * bits / 8 + c)] = Byte(x, y, c);
    }
    static uint8_t Byte(int x, int y, int c) { return uint8_t(16 * y + 4 * x + c); }
};

// Owns a buffer the functions allocated.
using Buffer = std::unique_ptr<uint8_t[]>;

TEST(PixelBlock, TilesCoverTheImageAndPadItsEdges)
{
    struct Case {
        int sourceBits, targetBits, padding;
    };
    const Case cases[] = {{24, 0, 0}, {32, 0, 3}, {24, 32, 1}, {32, 24, 0}};
    const uint8_t fill = 0xA5;
    for (const Case& c : cases) {
        const Pixels image(c.sourceBits, 5, 3, c.padding);
        const int out = (c.targetBits ? c.targetBits : c.sourceBits) / 8;
        // 2 × 2 tiles over 5 × 3 pixels: the last column and row of tiles reach outside.
        for (int top = 0; top < 3; top += 2) {
            for (int left = 0; left < 5; left += 2) {
                const Buffer tile(CopyPixelBlock(c.sourceBits, c.targetBits, fill, image.bytes.data(), 5, 3,
                                                 image.stride, left, top, left + 2, top + 2, nullptr));
                ASSERT_NE(tile, nullptr);
                for (int i = 0; i < 2; ++i) {
                    for (int j = 0; j < 2; ++j) {
                        const int x = left + j, y = top + i;
                        const uint8_t* p = tile.get() + (i * 2 + j) * out;
                        const bool inside = x < 5 && y < 3;
                        for (int k = 0; k < 3; ++k)
                            EXPECT_EQ(p[k], inside ? Pixels::Byte(x, y, k) : fill) << x << "," << y;
                        if (out == 4) {
                            const bool alpha = inside && c.sourceBits == 32;
                            EXPECT_EQ(p[3], alpha ? Pixels::Byte(x, y, 3) : fill) << x << "," << y;
                        }
                    }
                }
            }
        }
    }
}

TEST(PixelBlock, WhitePaddingIsOpaque)
{
    const Pixels image(24, 1, 1);
    uint8_t tile[2 * 4];
    EXPECT_EQ(CopyPixelBlock(24, 32, 255, image.bytes.data(), 1, 1, 0, 0, 0, 2, 1, tile), tile);
    EXPECT_EQ(tile[3], 255);
    for (int k = 4; k < 8; ++k)
        EXPECT_EQ(tile[k], 255);
}

TEST(PixelBlock, BlocksBeforeTheImageArePadding)
{
    const Pixels image(32, 2, 2);
    const Buffer tile(CopyPixelBlock(32, 0, 7, image.bytes.data(), 2, 2, 0, -1, -1, 1, 1, nullptr));
    for (int k = 0; k < 12; ++k)
        EXPECT_EQ(tile[size_t(k)], 7);
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(tile[size_t(12 + k)], Pixels::Byte(0, 0, k));
}

TEST(PixelBlock, OtherDepthsAreRefused)
{
    uint8_t pixels[4] = {};
    EXPECT_EQ(CopyPixelBlock(8, 0, 0, pixels, 2, 2, 0, 0, 0, 2, 2, nullptr), nullptr);
    EXPECT_EQ(CopyPixelBlock(24, 16, 0, pixels, 1, 1, 0, 0, 0, 1, 1, nullptr), nullptr);
    EXPECT_EQ(InvertedLuminanceFromPixels(8, 2, pixels, 2, 0, nullptr), nullptr);
}

TEST(PixelBlock, InvertedLuminance)
{
    struct Case {
        uint8_t b, g, r;
        uint8_t expected;
    };
    const Case cases[] = {
        {255, 255, 255, 0}, {0, 0, 0, 255},   {100, 50, 200, 155},  // 255 − (1100 + 2950 + 6000) / 100
        {0, 255, 0, 105},   {255, 0, 0, 227}, {0, 0, 255, 179},
    };
    for (int bits : {24, 32}) {
        const int step = bits / 8;
        // One row of the cases, with two bytes of padding, repeated on a second row.
        const int stride = int(std::size(cases)) * step + 2;
        std::vector<uint8_t> pixels(size_t(2 * stride), 0x55);
        for (int y = 0; y < 2; ++y) {
            for (size_t i = 0; i < std::size(cases); ++i) {
                uint8_t* p = &pixels[size_t(y * stride) + i * size_t(step)];
                p[0] = cases[i].b;
                p[1] = cases[i].g;
                p[2] = cases[i].r;
            }
        }
        const Buffer map(
            InvertedLuminanceFromPixels(bits, 2, pixels.data(), int(std::size(cases)), stride, nullptr));
        for (int y = 0; y < 2; ++y)
            for (size_t i = 0; i < std::size(cases); ++i)
                EXPECT_EQ(map[size_t(y) * std::size(cases) + i], cases[i].expected) << bits << " " << i;
    }
}

TEST(PixelBlock, FlippingKeepsTheMiddleRowAndTwiceRestores)
{
    for (int height : {3, 4}) {
        const Pixels original(24, 2, height, 2);
        Pixels image = original;
        FlipRowsInPlace(24, image.bytes.data(), 2, height, image.stride);
        for (int y = 0; y < height; ++y) {
            const uint8_t* row = &image.bytes[size_t(y * image.stride)];
            for (int k = 0; k < 6; ++k)
                EXPECT_EQ(row[k], Pixels::Byte(k / 3, height - 1 - y, k % 3));
            EXPECT_EQ(row[6], 0xEE);  // padding is not touched
        }
        FlipRowsInPlace(24, image.bytes.data(), 2, height, image.stride);
        EXPECT_EQ(image.bytes, original.bytes);
    }
    // A zero stride means packed rows.
    const Pixels packed(32, 3, 2);
    Pixels flipped = packed;
    FlipRowsInPlace(32, flipped.bytes.data(), 3, 2, 0);
    EXPECT_TRUE(std::equal(flipped.bytes.begin(), flipped.bytes.begin() + 12, packed.bytes.begin() + 12));
}

}  // namespace
