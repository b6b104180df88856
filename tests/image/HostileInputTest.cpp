#include "ImageTestUtil.h"

#include "image/PLAnyPicDecoder.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace imagetest;

const char* const kFiles[] = {
    "rgb.png",           "rgba.png",       "palette.png",    "grey16.png",   "grey2.png",
    "greyalpha.png",     "interlaced.png", "colour.jpg",     "grey.jpg",     "cmyk.jpg",
    "progressive.jpg",   "rgb.tif",        "rgba.tif",       "tiled.tif",    "bilevel.tif",
    "grey4.tif",         "grey2.tif",      "palette.tif",    "grey16.tif",   "rgba16.tif",
    "rgba16-planar.tif", "plain.gif",      "interlaced.gif", "animated.gif", "transparent.gif",
};

// Decodes data and reports whether a codec error came out; anything else (a crash, another
// exception, a sanitizer report) fails the test.
bool DecodeOrError(PLAnyPicDecoder& decoder, const std::vector<uint8_t>& data)
{
    PLAnyBmp bmp;
    try {
        decoder.DecodeMemory(data.data(), data.size(), bmp);
        return true;
    } catch (const PLTextException& e) {
        EXPECT_GT(e.GetCode(), 0);
        EXPECT_NE(e.GetCode(), 9);
        return false;
    }
}

TEST(HostileInput, EveryTruncationIsDecodedOrRefused)
{
    PLAnyPicDecoder decoder;
    for (const char* file : kFiles) {
        const std::vector<uint8_t> data = ReadData(file);
        ASSERT_FALSE(data.empty()) << file;
        for (size_t length = 0; length < data.size(); ++length) {
            SCOPED_TRACE(std::string(file) + " cut to " + std::to_string(length));
            DecodeOrError(decoder, std::vector<uint8_t>(data.begin(), data.begin() + long(length)));
        }
    }
}

TEST(HostileInput, EveryFlippedBitIsDecodedOrRefused)
{
    PLAnyPicDecoder decoder;
    for (const char* file : kFiles) {
        const std::vector<uint8_t> data = ReadData(file);
        // Headers are where decoders go wrong: every bit of the first 128 bytes, then every
        // 7th bit of the rest.
        for (size_t bit = 0; bit < data.size() * 8; bit += bit < 1024 ? 1 : 7) {
            SCOPED_TRACE(std::string(file) + " bit " + std::to_string(bit));
            std::vector<uint8_t> flipped = data;
            flipped[bit / 8] ^= uint8_t(1 << (bit % 8));
            DecodeOrError(decoder, flipped);
        }
    }
}

TEST(HostileInput, HugeDimensionsInATinyFileAllocateNothing)
{
    struct Case {
        const char* file;
        size_t offset;  // of the width or height field, set to its largest value
        std::vector<uint8_t> value;
    };
    const Case cases[] = {
        {"plain.gif", 6, {0xFF, 0xFF, 0xFF, 0xFF}},  // logical screen 65535 x 65535
        {"colour.jpg", 0, {}},                       // SOF dimensions, found below
    };
    PLAnyPicDecoder decoder;
    for (const Case& c : cases) {
        std::vector<uint8_t> data = ReadData(c.file);
        if (c.value.empty()) {
            for (size_t at = 2; at + 9 < data.size(); ++at) {
                if (data[at] == 0xFF && data[at + 1] == 0xC0) {
                    const uint8_t size[] = {0xFD, 0xE8, 0xFD, 0xE8};  // 65000 x 65000, within libjpeg's limit
                    std::memcpy(data.data() + at + 5, size, 4);
                    break;
                }
            }
        } else {
            std::copy(c.value.begin(), c.value.end(), data.begin() + long(c.offset));
        }
        std::string text;
        PLAnyBmp bmp;
        EXPECT_EQ(CodeOf([&] { decoder.DecodeMemory(data.data(), data.size(), bmp); }, &text),
                  PLErr::FormatUnknown)
            << c.file;
        EXPECT_NE(text.find("more than the data can hold"), std::string::npos) << text;
    }
}

TEST(HostileInput, PngDimensionsBeyondTheLimitAreRefused)
{
    std::vector<uint8_t> data = ReadData("rgb.png");
    const uint8_t huge[] = {0x7F, 0xFF, 0xFF, 0xFF};
    std::memcpy(data.data() + 16, huge, 4);  // IHDR width (the CRC no longer matches either)
    PLAnyPicDecoder decoder;
    PLAnyBmp bmp;
    EXPECT_EQ(CodeOf([&] { decoder.DecodeMemory(data.data(), data.size(), bmp); }), PLErr::FormatUnknown);
}

TEST(HostileInput, TiffDirectoryBeyondTheDataIsRefused)
{
    // An Intel TIFF whose first directory offset is 0xFFFFFFF0.
    const uint8_t data[] = {'I', 'I', 0x2A, 0, 0xF0, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0};
    PLAnyPicDecoder decoder;
    PLAnyBmp bmp;
    EXPECT_NE(CodeOf([&] { decoder.DecodeMemory(data, sizeof data, bmp); }), 0);
}

}  // namespace
