#include "DecoderCases.h"

#include "image/PLAnyPicDecoder.h"
#include "image/PLWEMFDecoder.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace imagetest;

const char* const kFiles[] = {
    "rgb.png",           "rgba.png",        "palette.png",    "grey16.png",   "grey2.png",
    "greyalpha.png",     "interlaced.png",  "colour.jpg",     "grey.jpg",     "cmyk.jpg",
    "progressive.jpg",   "rgb.tif",         "rgba.tif",       "tiled.tif",    "bilevel.tif",
    "grey4.tif",         "grey2.tif",       "palette.tif",    "grey16.tif",   "rgba16.tif",
    "rgba16-planar.tif", "plain.gif",       "interlaced.gif", "animated.gif", "transparent.gif",
    "rle8.bmp",          "grey4.bmp",       "rgb565.bmp",     "rgba.bmp",     "os2-palette.bmp",
    "rle.tga",           "palette-rle.tga", "palette.pcx",    "planes4.pcx",  "grey-text.pgm",
    "colour16.ppm",      "rle.sgi",         "rle16.sgi",      "rle.psd",      "palette.psd",
    "palette.ilbm",      "ham6.ilbm",       "deep.ilbm",      "rgb.pict",     "palette.pict",
    "jpeg.pict",
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
        {"plain.gif", 6, {0xFF, 0xFF, 0xFF, 0xFF}},             // logical screen 65535 x 65535
        {"colour.jpg", 0, {}},                                  // SOF dimensions, found below
        {"rgb.bmp", 18, {0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0}},  // info header width, height
        {"rle8.bmp", 18, {0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0}},
        {"rgb.tga", 12, {0xFF, 0xFF, 0xFF, 0xFF}},              // width, height
        {"rle.sgi", 6, {0xFF, 0xFF, 0xFF, 0xFF}},               // x and y size
        {"rle.psd", 14, {0, 0, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF}},  // rows, columns
        {"rgb.pict", 576, {0x7F, 0xFF, 0x7F, 0xFF}},            // bottom and right of the pixel map
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

TEST(HostileInput, MetafilesAreCheckedBeforeLibwmfSeesThem)
{
    // A placeable metafile of a few records, cut and flipped; the metafile decoder is
    // reached only by name, so it is driven directly here.
    const std::vector<uint8_t> data = PlaceableMetafile();
    PLWEMFDecoder decoder;
    const auto decodes = [&](const std::vector<uint8_t>& bytes) {
        PLAnyBmp bmp;
        try {
            decoder.DecodeMemory(bytes.data(), bytes.size(), bmp);
        } catch (const PLTextException& e) {
            EXPECT_GT(e.GetCode(), 0);
        }
    };
    for (size_t length = 0; length < data.size(); ++length)
        decodes(std::vector<uint8_t>(data.begin(), data.begin() + long(length)));
    for (size_t bit = 0; bit < data.size() * 8; bit += 5) {
        std::vector<uint8_t> flipped = data;
        flipped[bit / 8] ^= uint8_t(1 << (bit % 8));
        decodes(flipped);
    }
}

// A placeable metafile whose box (in units of 1/inch inch) and one rectangle are given.
std::vector<uint8_t> BoxAndRectangle(int boxRight, int boxBottom, int inch, int right, int bottom)
{
    Bytes records;
    records.Le32(7).Le16(0x02FC).Le16(0).Le32(0x0000FF).Le16(0);  // solid red brush
    records.Le32(4).Le16(0x012D).Le16(0);                         // select it
    records.Le32(7).Le16(0x041B).Le16(bottom).Le16(right).Le16(0).Le16(0);
    records.Le32(3).Le16(0);
    Bytes b;
    b.Le32(0x9AC6CDD7).Le16(0).Le16(0).Le16(0).Le16(boxRight).Le16(boxBottom).Le16(inch).Le32(0).Le16(0);
    b.Le16(1).Le16(9).Le16(0x300).Le32(uint32_t(9 + records.Size() / 2)).Le16(1).Le32(7).Le16(0);
    return b.Append(records.Data()).Data();
}

TEST(HostileInput, MetafilesCannotMakeTheRendererDrawForever)
{
    PLWEMFDecoder decoder;
    PLAnyBmp bmp;
    // A box of 1 inch drawing a rectangle 32767 inches wide: refused.
    const std::vector<uint8_t> huge = BoxAndRectangle(1, 1, 1, 32767, 32767);
    EXPECT_EQ(CodeOf([&] { decoder.DecodeMemory(huge.data(), huge.size(), bmp); }), PLErr::NotSupported);
    // A box a sliver high gets the height of an empty picture at the screen's resolution,
    // so its rectangle is drawn at that scale too rather than stretched thousands of times.
    const std::vector<uint8_t> sliver = BoxAndRectangle(4088, 4, 24752, 720, 720);
    decoder.DecodeMemory(sliver.data(), sliver.size(), bmp);
    EXPECT_EQ(bmp.GetSize(), (PLPoint{15, 200}));
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
