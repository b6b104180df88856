#pragma once

// Shared helpers of the image tests: the test files and the patterns they show.

#include "image/PLAnyBmp.h"
#include "image/PLTextException.h"
#include "tests/support/TempFolder.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace imagetest {

// Every test file is 12 × 7 pixels (see tests/data/image/make.sh).
inline constexpr int kWidth = 12;
inline constexpr int kHeight = 7;

inline PLPixel32 Colour(int x, int y)
{
    return {uint8_t(255 - 10 * (x + y)), uint8_t(36 * y), uint8_t(20 * x), 255};
}
inline uint8_t Grey(int x, int y)
{
    return uint8_t(18 * x + 6 * y);
}
inline uint8_t Alpha(int, int y)
{
    return uint8_t(255 - 30 * y);
}

inline std::filesystem::path DataPath(const std::string& name)
{
    if (const char* root = std::getenv("ZPH_SOURCE_DIR"))
        return std::filesystem::path(root) / "tests" / "data" / "image" / name;
    return std::filesystem::path(ZPH_IMAGE_TEST_DATA) / name;
}

inline std::vector<uint8_t> ReadData(const std::string& name)
{
    std::ifstream file(DataPath(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The colour of a pixel whatever the depth: palette entries for 1 and 8 bits.
inline PLPixel32 PixelAt(const PLBmp& bmp, int x, int y)
{
    const uint8_t* row = bmp.GetLine(y);
    switch (bmp.GetBitsPerPixel()) {
        case 1: return bmp.GetPalette()[(row[x / 8] >> (7 - x % 8)) & 1];
        case 8: return bmp.GetPalette()[row[x]];
        case 16: {
            const int v = row[2 * x] | row[2 * x + 1] << 8;
            return {uint8_t((v & 0x1F) << 3), uint8_t((v >> 3) & 0xFC), uint8_t((v >> 8) & 0xF8), 255};
        }
        case 24: return {row[3 * x], row[3 * x + 1], row[3 * x + 2], 255};
        case 32: return {row[4 * x], row[4 * x + 1], row[4 * x + 2], row[4 * x + 3]};
        default: return {};
    }
}

inline int ChannelDistance(PLPixel32 a, PLPixel32 b)
{
    const auto d = [](int u, int v) { return u > v ? u - v : v - u; };
    return std::max({d(a.b, b.b), d(a.g, b.g), d(a.r, b.r), d(a.a, b.a)});
}

// Largest channel difference between a bitmap and the expected colours.
inline int MaxDistance(const PLBmp& bmp, const std::function<PLPixel32(int, int)>& expected)
{
    int worst = 0;
    for (int y = 0; y < bmp.GetHeight(); ++y)
        for (int x = 0; x < bmp.GetWidth(); ++x)
            worst = std::max(worst, ChannelDistance(PixelAt(bmp, x, y), expected(x, y)));
    return worst;
}

// Runs action and gives the code of the PLTextException it throws, 0 when none.
inline int CodeOf(const std::function<void()>& action, std::string* text = nullptr)
{
    try {
        action();
    } catch (const PLTextException& e) {
        if (text)
            *text = e.GetText();
        return e.GetCode();
    }
    return 0;
}

}  // namespace imagetest
