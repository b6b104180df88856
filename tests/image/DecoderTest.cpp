#include "DecoderCases.h"
#include "ImageTestUtil.h"

#include "image/PLAnyPicDecoder.h"
#include "image/PLDataSource.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace imagetest;
using Type = PLAnyPicDecoder::FileType;

PLAnyBmp DecodeData(const std::string& name, const PLPixelFormat& format = {})
{
    const std::vector<uint8_t> data = ReadData(name);
    PLAnyPicDecoder decoder;
    PLAnyBmp bmp;
    decoder.DecodeMemory(data.data(), data.size(), bmp, format);
    return bmp;
}

const auto kColourPremultiplied = [](int x, int y) {
    const PLPixel32 c = Colour(x, y);
    const int a = Alpha(x, y);
    const auto times = [a](int v) { return uint8_t((v * a + 127) / 255); };
    return PLPixel32{times(c.b), times(c.g), times(c.r), uint8_t(a)};
};

TEST_P(Decode, FileShowsItsPatternInTheExpectedFormat)
{
    ExpectDecodes(GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Image, Decode,
    testing::Values(DecodeCase{"rgb.png", Type::PNG, "R8G8B8", 0, kColour},
                    DecodeCase{"interlaced.png", Type::PNG, "R8G8B8", 0, kColour},
                    DecodeCase{"rgba.png", Type::PNG, "A8R8G8B8", 0, kColourAlpha},
                    DecodeCase{"palette.png", Type::PNG, "I8", 0, kColour},
                    DecodeCase{"grey.png", Type::PNG, "L8", 0, kGrey},
                    DecodeCase{"grey16.png", Type::PNG, "L8", 0, kGrey},
                    DecodeCase{"grey2.png", Type::PNG, "L8", 0, kLevels4},
                    DecodeCase{"greyalpha.png", Type::PNG, "A8R8G8B8", 0, kGreyAlpha},
                    DecodeCase{"colour.jpg", Type::JPEG, "X8R8G8B8", 6, kColour},
                    DecodeCase{"progressive.jpg", Type::JPEG, "X8R8G8B8", 6, kColour},
                    DecodeCase{"cmyk.jpg", Type::JPEG, "X8R8G8B8", 8, kColour},
                    DecodeCase{"grey.jpg", Type::JPEG, "L8", 4, kGrey},
                    DecodeCase{"rgb.tif", Type::TIFF, "X8R8G8B8", 0, kColour},
                    DecodeCase{"tiled.tif", Type::TIFF, "X8R8G8B8", 0, kColour},
                    DecodeCase{"rgba.tif", Type::TIFF, "A8R8G8B8", 0, kColourAlpha},
                    DecodeCase{"rgba-planar.tif", Type::TIFF, "A8R8G8B8", 0, kColourAlpha},
                    DecodeCase{"rgba16.tif", Type::TIFF, "A8R8G8B8", 0, kColourAlpha},
                    DecodeCase{"rgba16-planar.tif", Type::TIFF, "A8R8G8B8", 0, kColourAlpha},
                    DecodeCase{"rgba16-associated.tif", Type::TIFF, "A8R8G8B8", 1, kColourPremultiplied},
                    DecodeCase{"palette.tif", Type::TIFF, "I8", 0, kColour},
                    DecodeCase{"grey.tif", Type::TIFF, "L8", 0, kGrey},
                    DecodeCase{"grey4.tif", Type::TIFF, "L8", 0, kLevels16},
                    DecodeCase{"grey2.tif", Type::TIFF, "L8", 0, kLevels4},
                    DecodeCase{"bilevel.tif", Type::TIFF, "L1", 0, kBilevel},
                    DecodeCase{"plain.gif", Type::GIF, "I8", 0, kColour},
                    DecodeCase{"interlaced.gif", Type::GIF, "I8", 0, kColour},
                    DecodeCase{"animated.gif", Type::GIF, "I8", 0, kColour}),
    [](const testing::TestParamInfo<DecodeCase>& info) {
        std::string name = info.param.file;
        for (char& c : name)
            c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

TEST(Decoder, ResolutionComesFromTheFile)
{
    struct Case {
        const char* file;
        PLPoint resolution;
    };
    // 3780 pixels per metre; 28 dots per centimetre; a 1:1 aspect ratio is no resolution.
    for (const Case& c : {Case{"dpi.png", {96, 96}}, Case{"dpcm.jpg", {71, 71}}, Case{"colour.jpg", {0, 0}},
                          Case{"rgb.png", {0, 0}}})
        EXPECT_EQ(DecodeData(c.file).GetResolution(), c.resolution) << c.file;
}

TEST(Decoder, BilevelMinIsWhiteHasWhiteFirst)
{
    const PLAnyBmp bmp = DecodeData("bilevel.tif");
    EXPECT_EQ(bmp.GetPalette()[0], GreyPixel(255));
    EXPECT_EQ(bmp.GetPalette()[1], GreyPixel(0));
}

TEST(Decoder, SixteenBitTiffColourMapBecomesEightBit)
{
    const std::vector<uint8_t> data = ReadData("palette.tif");
    PLAnyPicDecoder decoder;
    PLAnyBmp bmp;
    decoder.DecodeMemory(data.data(), data.size(), bmp);
    EXPECT_EQ(PixelAt(bmp, 11, 0), Colour(11, 0));  // red 220 was stored as 56540
}

TEST(Decoder, SixteenBitGreyTiffIsRefused)
{
    std::string text;
    EXPECT_EQ(CodeOf([] { DecodeData("grey16.tif"); }, &text), PLErr::WrongSignature);
    EXPECT_EQ(text, "Decoder error: TIFF subformat not supported.\n");
}

TEST(Decoder, TransparentGifColourHasNoAlpha)
{
    const PLAnyBmp bmp = DecodeData("transparent.gif");
    EXPECT_EQ(PixelAt(bmp, 0, 0).a, 0);  // the blue corner
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            if (x + y) {
                EXPECT_EQ(PixelAt(bmp, x, y), Colour(x, y)) << x << ", " << y;
            }
        }
    }
}

TEST(Decoder, RequestingMoreBitsConverts)
{
    const PLAnyBmp bmp = DecodeData("rgb.png", PLPixelFormat::FindByName("A8R8G8B8"));
    EXPECT_EQ(bmp.GetPixelFormat().GetName(), "A8R8G8B8");
    EXPECT_EQ(MaxDistance(bmp, kColour), 0);
    EXPECT_EQ(DecodeData("rgb.png", PLPixelFormat()).GetPixelFormat().GetName(), "R8G8B8");
}

TEST(Decoder, PngAskedForThirtyTwoBitsGivesTheBytesOfAConversion)
{
    // Every PNG colour type and depth below 32 bits: RGB (also interlaced), palette, and
    // grey of 2, 8 and 16 bits.
    for (const char* file :
         {"rgb.png", "interlaced.png", "palette.png", "grey.png", "grey2.png", "grey16.png"}) {
        const PLAnyBmp own = DecodeData(file);
        for (const char* format : {"A8R8G8B8", "X8R8G8B8"}) {
            PLAnyBmp converted;
            converted.CreateConvertedCopy(own, PLPixelFormat::FindByName(format));
            const PLAnyBmp direct = DecodeData(file, PLPixelFormat::FindByName(format));
            ASSERT_EQ(direct.GetPixelFormat().GetName(), format) << file;
            ASSERT_EQ(direct.GetSize(), own.GetSize()) << file;
            for (int y = 0; y < kHeight; ++y)
                EXPECT_EQ(std::memcmp(direct.GetLine(y), converted.GetLine(y), 4 * kWidth), 0)
                    << file << " " << format << " row " << y;
        }
    }
}

TEST(Decoder, RequestingFewerBitsIsRefused)
{
    std::string text;
    EXPECT_EQ(CodeOf([] { DecodeData("rgb.png", PLPixelFormat::FindByName("I8")); }, &text),
              PLErr::NotSupported);
    EXPECT_EQ(text, "Image bit depth doesn't match request.");
}

TEST(Decoder, FailureLeavesTheDecoderReadyForTheNextFile)
{
    std::vector<uint8_t> broken = ReadData("rgb.png");
    broken.resize(60);
    const std::vector<uint8_t> jpeg = ReadData("colour.jpg");
    PLAnyPicDecoder decoder;
    PLAnyBmp bmp;
    EXPECT_NE(CodeOf([&] { decoder.DecodeMemory(broken.data(), broken.size(), bmp); }), 0);
    decoder.DecodeMemory(jpeg.data(), jpeg.size(), bmp);
    EXPECT_EQ(decoder.GetFileType(), Type::JPEG);
    EXPECT_LE(MaxDistance(bmp, kColour), 6);
}

TEST(Decoder, TruncatedJpegDecodesWithTheRestFilledIn)
{
    std::vector<uint8_t> data = ReadData("colour.jpg");
    data.resize(data.size() - 20);  // the end of the scan and the End-Of-Image marker
    PLAnyPicDecoder decoder;
    PLAnyBmp bmp;
    decoder.DecodeMemory(data.data(), data.size(), bmp);
    EXPECT_EQ(bmp.GetSize(), (PLPoint{kWidth, kHeight}));
    EXPECT_LE(ChannelDistance(PixelAt(bmp, 0, 0), Colour(0, 0)), 6);
}

TEST(Decoder, OpenFileGivesTheHeaderBeforeThePixels)
{
    PLAnyPicDecoder decoder;
    decoder.OpenFile(DataPath("rgba.tif").c_str());
    EXPECT_EQ(decoder.GetSize(), (PLPoint{kWidth, kHeight}));
    EXPECT_EQ(decoder.GetPixelFormat().GetName(), "A8R8G8B8");
    decoder.Close();
    PLAnyBmp bmp;
    EXPECT_EQ(CodeOf([&] { decoder.GetImage(bmp); }), PLErr::Internal);
}

TEST(Decoder, FilesDecodeByNarrowAndWidePath)
{
    const std::string path = DataPath("plain.gif").string();
    PLAnyPicDecoder decoder;
    PLAnyBmp narrow, wide;
    decoder.DecodeFile(path.c_str(), narrow);
    decoder.DecodeFile(std::wstring(path.begin(), path.end()).c_str(), wide);
    EXPECT_EQ(MaxDistance(narrow, kColour), 0);
    EXPECT_EQ(MaxDistance(wide, kColour), 0);
}

TEST(Decoder, MissingFileNamesItselfInTheError)
{
    PLAnyPicDecoder decoder;
    PLAnyBmp bmp;
    std::string text;
    EXPECT_EQ(CodeOf([&] { decoder.DecodeFile("/nonexistent-folder/x.png", bmp); }, &text),
              PLErr::PathNotFound);
    EXPECT_EQ(text, "Decoder error: Opening /nonexistent-folder/x.png failed\n");
}

TEST(Decoder, LongMessagesAreCutToTheBuffer)
{
    const std::string path = "/nonexistent-folder/" + std::string(400, 'n') + ".png";
    PLAnyPicDecoder decoder;
    PLAnyBmp bmp;
    std::string text;
    EXPECT_EQ(CodeOf([&] { decoder.DecodeFile(path.c_str(), bmp); }, &text), PLErr::PathNotFound);
    EXPECT_EQ(text.size(), 255u);
    EXPECT_EQ(text.rfind("Decoder error: Opening /nonexistent-folder/nnn", 0), 0u);
    EXPECT_EQ(text.back(), '\n');
}

TEST(Decoder, TraceNamesTheFormatWhenSwitchedOn)
{
    TempFolder folder;
    const std::string trace = (folder / "trace.txt").string();
    SetCodecTrace(2, trace.c_str());
    DecodeData("rgb.png");
    SetCodecTrace(0, nullptr);
    DecodeData("rgb.png");
    std::ifstream file(trace);
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    EXPECT_EQ(text.rfind("--- Decoding from memory at ", 0), 0u);
    EXPECT_NE(text.find(". ---\nPNG file recognized.\n"), std::string::npos);
    EXPECT_EQ(text.find("PNG file recognized."),
              text.rfind("PNG file recognized."));  // once: trace is off again
}

}  // namespace
