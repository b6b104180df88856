#pragma once

// Helpers of the tests above the codec layer: images made from patterns, pixels read
// back whatever the format, and the test files as encoded images.

#include "ImageTestUtil.h"

#include "image/ImageMemoryRep.h"
#include "image/ImageRep.h"

#include <functional>
#include <string>
#include <vector>

namespace imagetest {

using orbisk::imageutils::ImageMemoryRep;
using orbisk::imageutils::ImageRep;

// The pixel at (x, y) as blue, green, red, alpha: grey repeats its byte, RGB is opaque.
inline PLPixel32 PixelOf(const ImageRep& image, int x, int y)
{
    const int bytes = image.GetBytesPerPixel();
    const uint8_t* p = image.GetPixels() + y * image.GetBytesPerLine() + x * bytes;
    switch (bytes) {
        case 1: return {p[0], p[0], p[0], 255};
        case 3: return {p[0], p[1], p[2], 255};
        default: return {p[0], p[1], p[2], p[3]};
    }
}

// The bytes of a width x height image of the format, each pixel from colour(x, y).
inline std::vector<uint8_t> PatternBytes(int width, int height, int format,
                                         const std::function<PLPixel32(int, int)>& colour, int padding = 0)
{
    const int bytes = orbisk::imageutils::BytesPerPixelForFormat(format);
    std::vector<uint8_t> data(size_t(width * bytes + padding) * size_t(height), 0xEE);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const PLPixel32 c = colour(x, y);
            const uint8_t channels[4] = {c.b, c.g, c.r, c.a};
            std::copy(channels, channels + bytes, data.begin() + (width * bytes + padding) * y + x * bytes);
        }
    }
    return data;
}

inline void MakeImage(ImageRep& image, int width, int height, int format,
                      const std::function<PLPixel32(int, int)>& colour)
{
    image.Create(width, height, format, 0, PatternBytes(width, height, format, colour).data());
}

// Largest channel difference between an image and the expected colours over its whole area.
inline int ImageDistance(const ImageRep& image, const std::function<PLPixel32(int, int)>& expected)
{
    int worst = 0;
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x)
            worst = std::max(worst, ChannelDistance(PixelOf(image, x, y), expected(x, y)));
    return worst;
}

inline std::wstring WidePath(const std::filesystem::path& path)
{
    return path.wstring();
}

inline std::vector<uint8_t> ReadDataAt(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// A test file as an encoded image.
inline bool LoadEncoded(ImageMemoryRep& memory, const std::string& file)
{
    return memory.LoadFile(WidePath(DataPath(file)));
}

}  // namespace imagetest
