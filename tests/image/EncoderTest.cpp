#include "ImageTestUtil.h"

#include "image/PLAnyPicDecoder.h"
#include "image/PLBmpEncoder.h"
#include "image/PLJPEGEncoder.h"
#include "image/PLMemSink.h"
#include "image/PLPNGEncoder.h"
#include "image/PLTIFFEncoder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include <tiffio.h>

namespace {

using namespace imagetest;

PLAnyBmp Pattern(const char* format, PLPoint resolution = {})
{
    PLAnyBmp bmp;
    bmp.Create(kWidth, kHeight, PLPixelFormat::FindByName(format), nullptr, 0, resolution);
    const bool alpha = bmp.GetPixelFormat().HasAlphaChannel();
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            PLPixel32 c = Colour(x, y);
            c.a = alpha ? Alpha(x, y) : 255;
            uint8_t* row = bmp.GetLine(y);
            if (bmp.GetBitsPerPixel() == 32)
                std::memcpy(row + 4 * x, &c, 4);
            else if (bmp.GetBitsPerPixel() == 24)
                std::memcpy(row + 3 * x, &c, 3);
            else if (bmp.GetBitsPerPixel() == 16)
                row[2 * x] = uint8_t((c.g >> 2) << 5 | c.b >> 3),
                        row[2 * x + 1] = uint8_t((c.r >> 3) << 3 | c.g >> 5);
            else if (bmp.GetBitsPerPixel() == 8)
                row[x] = Grey(x, y);
        }
    }
    return bmp;
}

std::vector<uint8_t> Encode(PLPicEncoder& encoder, const PLBmp& bmp)
{
    PLMemSink sink;
    EXPECT_EQ(sink.OpenMemory("Mem", 1 << 20), 0);
    encoder.EncodeToSink(bmp, sink);
    return {sink.GetBytes(), sink.GetBytes() + sink.GetDataSize()};
}

PLAnyBmp Decode(const std::vector<uint8_t>& data)
{
    PLAnyPicDecoder decoder;
    PLAnyBmp bmp;
    decoder.DecodeMemory(data.data(), data.size(), bmp);
    return bmp;
}

uint32_t Little32(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}

uint32_t Big32(const std::vector<uint8_t>& b, size_t at)
{
    return uint32_t(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
}

// The data of the first PNG chunk of that type.
std::vector<uint8_t> PngChunk(const std::vector<uint8_t>& png, const char* type)
{
    for (size_t at = 8; at + 8 <= png.size();) {
        const uint32_t length = Big32(png, at);
        if (std::memcmp(png.data() + at + 4, type, 4) == 0)
            return {png.begin() + long(at) + 8, png.begin() + long(at + 8 + length)};
        at += 12 + length;
    }
    return {};
}

// The first value of the first quantisation table of a JPEG file.
int FirstQuantiser(const std::vector<uint8_t>& jpeg)
{
    for (size_t at = 2; at + 4 < jpeg.size(); at += 2 + (jpeg[at + 2] << 8 | jpeg[at + 3])) {
        if (jpeg[at + 1] == 0xDB)
            return jpeg[at + 5];
    }
    return -1;
}

class TiffFile {
public:
    explicit TiffFile(const std::vector<uint8_t>& data) : m_folder(), m_path(m_folder / "t.tif")
    {
        std::ofstream(m_path, std::ios::binary)
            .write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
        m_tiff = TIFFOpen(m_path.c_str(), "r");
    }
    ~TiffFile()
    {
        if (m_tiff)
            TIFFClose(m_tiff);
    }
    TIFF* operator*() const { return m_tiff; }

private:
    TempFolder m_folder;
    std::filesystem::path m_path;
    TIFF* m_tiff = nullptr;
};

TEST(BmpEncoder, ThirtyTwoBitsAreWrittenAsTwentyFourBottomUp)
{
    PLAnyBmp bmp;
    bmp.Create(3, 2, PLPixelFormat::FindByName("X8R8G8B8"), nullptr, 0, {});
    for (int y = 0; y < 2; ++y)
        for (int i = 0; i < 12; ++i)
            bmp.GetLine(y)[i] = uint8_t(16 * y + i);
    PLBmpEncoder encoder;
    const std::vector<uint8_t> expected = {
        'B', 'M', 78, 0,  0,  0,  0,  0,  0,  0,    54, 0, 0, 0,  // file header
        40,  0,   0,  0,  3,  0,  0,  0,  2,  0,    0,  0, 1, 0,
        24,  0,  // size, width, height, planes, depth
        0,   0,   0,  0,  0,  0,  0,  0,  0,  0,    0,  0, 0, 0,
        0,   0,                                             // compression, image size, resolution
        0,   0,   0,  0,  0,  0,  0,  0,                    // colours used and important
        16,  17,  18, 20, 21, 22, 24, 25, 26, 0x20, 0,  0,  // bottom row first, fourth bytes dropped
        0,   1,   2,  4,  5,  6,  8,  9,  10, 0x20, 0,  0,  // top row
    };
    EXPECT_EQ(Encode(encoder, bmp), expected);
}

TEST(BmpEncoder, RowPaddingIsASpaceThenZerosForColourAndZerosForIndices)
{
    struct Case {
        const char* format;
        int width;
        std::vector<uint8_t> padding;
    } cases[] = {
        {"X8R8G8B8", 1, {0x20}}, {"X8R8G8B8", 2, {0x20, 0}}, {"X8R8G8B8", 3, {0x20, 0, 0}},
        {"X8R8G8B8", 4, {}},     {"I8", 1, {0, 0, 0}},       {"I8", 6, {0, 0}},
        {"L1", 9, {0, 0}},
    };
    for (const Case& c : cases) {
        PLAnyBmp bmp;
        bmp.Create(c.width, 1, PLPixelFormat::FindByName(c.format), nullptr, 0, {});
        std::memset(bmp.GetLine(0), 0xFF, size_t(PLRowBytes(c.width, bmp.GetBitsPerPixel())));
        PLBmpEncoder encoder;
        const std::vector<uint8_t> file = Encode(encoder, bmp);
        const std::vector<uint8_t> tail(file.end() - long(c.padding.size()), file.end());
        EXPECT_EQ(tail, c.padding) << c.format << " " << c.width;
        EXPECT_EQ(file[file.size() - c.padding.size() - 1], 0xFF) << c.format << " " << c.width;
    }
}

TEST(BmpEncoder, OneBitRowsKeepEveryPixel)
{
    PLAnyBmp bmp;
    bmp.Create(10, 1, PLPixelFormat::FindByName("L1"), nullptr, 0, {});
    bmp.GetLine(0)[0] = 0xFF;
    bmp.GetLine(0)[1] = 0xC0;
    PLBmpEncoder encoder;
    const std::vector<uint8_t> file = Encode(encoder, bmp);
    EXPECT_EQ(Little32(file, 10), 54u + 8);  // two palette entries
    ASSERT_EQ(file.size(), 54u + 8 + 4);
    EXPECT_EQ(file[62], 0xFF);
    EXPECT_EQ(file[63], 0xC0);
}

TEST(Encoders, ResolutionIsRoundedForBmpAndCutForPng)
{
    const PLAnyBmp bmp = Pattern("X8R8G8B8", {72, 72});
    PLBmpEncoder bmpEncoder;
    EXPECT_EQ(Little32(Encode(bmpEncoder, bmp), 38), 2835u);
    PLPNGEncoder pngEncoder;
    const std::vector<uint8_t> phys = PngChunk(Encode(pngEncoder, bmp), "pHYs");
    ASSERT_EQ(phys.size(), 9u);
    EXPECT_EQ(Big32(phys, 0), 2834u);
    EXPECT_EQ(phys[8], 1);  // per metre
}

TEST(PngEncoder, AlphaDecidesBetweenRgbAndRgba)
{
    PLPNGEncoder encoder;
    EXPECT_EQ(PngChunk(Encode(encoder, Pattern("X8R8G8B8")), "IHDR")[9], 2);
    EXPECT_EQ(PngChunk(Encode(encoder, Pattern("A8R8G8B8")), "IHDR")[9], 6);
}

TEST(PngEncoder, LevelZeroStoresTheRowsUncompressed)
{
    PLPNGEncoder encoder;
    const std::vector<uint8_t> stored = PngChunk(Encode(encoder, Pattern("X8R8G8B8")), "IDAT");
    // zlib header, one stored block (type 0), then filter byte and raw rows.
    EXPECT_EQ(stored[2] & 0x06, 0);
    EXPECT_GE(stored.size(), size_t(kHeight * (1 + 3 * kWidth)));
    encoder.SetCompressionLevel(9);
    EXPECT_LT(PngChunk(Encode(encoder, Pattern("X8R8G8B8")), "IDAT").size(), stored.size());
}

TEST(PngEncoder, BilevelImagesKeepTheirPalette)
{
    // Palette entry 0 white, 1 black, as a conversion to one bit leaves them.
    PLAnyBmp bmp;
    bmp.CreateConvertedCopy(Pattern("X8R8G8B8"), PLPixelFormat::FindByName("L1"));
    PLPNGEncoder encoder;
    const PLAnyBmp back = Decode(Encode(encoder, bmp));
    for (int x = 0; x < kWidth; ++x)
        EXPECT_EQ(PixelAt(back, x, 3), PixelAt(bmp, x, 3)) << x;
}

TEST(TiffEncoder, AlphaGivesFourSamplesWithAnExtraSample)
{
    PLTIFFEncoder encoder;
    const TiffFile tiff(Encode(encoder, Pattern("A8R8G8B8")));
    ASSERT_TRUE(*tiff);
    uint16_t samples = 0, count = 0;
    uint16_t* extra = nullptr;
    TIFFGetField(*tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetField(*tiff, TIFFTAG_EXTRASAMPLES, &count, &extra);
    EXPECT_EQ(samples, 4);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(extra[0], EXTRASAMPLE_ASSOCALPHA);
}

TEST(TiffEncoder, ColourMapHoldsEightBitValues)
{
    PLAnyBmp bmp = Pattern("I8");
    PLTIFFEncoder encoder;
    const TiffFile tiff(Encode(encoder, bmp));
    ASSERT_TRUE(*tiff);
    uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    ASSERT_TRUE(TIFFGetField(*tiff, TIFFTAG_COLORMAP, &red, &green, &blue));
    EXPECT_EQ(red[255], 255);
    EXPECT_EQ(red[100], 100);
}

TEST(JpegEncoder, QualityScalesTheStandardTables)
{
    PLJPEGEncoder encoder;
    EXPECT_EQ(FirstQuantiser(Encode(encoder, Pattern("X8R8G8B8"))),
              8);  // libjpeg's default, quality 75
    encoder.SetQuality(70);
    EXPECT_EQ(FirstQuantiser(Encode(encoder, Pattern("X8R8G8B8"))), 10);
}

struct RoundTrip {
    const char* name;
    std::function<std::unique_ptr<PLPicEncoder>()> encoder;
    const char* format;
    const char* decoded;
    int tolerance;
};

void PrintTo(const RoundTrip& c, std::ostream* os)
{
    *os << c.name;
}

class EncodeAndDecode : public testing::TestWithParam<RoundTrip> {};

TEST_P(EncodeAndDecode, PixelsSurvive)
{
    const RoundTrip& c = GetParam();
    const PLAnyBmp original = Pattern(c.format, {300, 300});
    const PLAnyBmp back = Decode(Encode(*c.encoder(), original));
    EXPECT_EQ(back.GetPixelFormat().GetName(), c.decoded);
    EXPECT_EQ(back.GetResolution(), (PLPoint{300, 300}));
    EXPECT_LE(MaxDistance(back, [&](int x, int y) { return PixelAt(original, x, y); }), c.tolerance);
}

std::unique_ptr<PLPicEncoder> Jpeg()
{
    auto encoder = std::make_unique<PLJPEGEncoder>();
    encoder->SetQuality(95);
    return encoder;
}
std::unique_ptr<PLPicEncoder> Png()
{
    auto encoder = std::make_unique<PLPNGEncoder>();
    encoder->SetCompressionLevel(6);
    return encoder;
}
std::unique_ptr<PLPicEncoder> Tiff()
{
    return std::make_unique<PLTIFFEncoder>();
}

INSTANTIATE_TEST_SUITE_P(Encoders, EncodeAndDecode,
                         testing::Values(RoundTrip{"PngRgb", Png, "X8R8G8B8", "R8G8B8", 0},
                                         RoundTrip{"PngRgba", Png, "A8R8G8B8", "A8R8G8B8", 0},
                                         RoundTrip{"PngPacked", Png, "B8G8R8", "R8G8B8", 0},
                                         RoundTrip{"PngIndexed", Png, "I8", "I8", 0},
                                         RoundTrip{"TiffRgb", Tiff, "X8R8G8B8", "X8R8G8B8", 0},
                                         RoundTrip{"TiffRgba", Tiff, "A8R8G8B8", "A8R8G8B8", 0},
                                         RoundTrip{"TiffPacked", Tiff, "B8G8R8", "X8R8G8B8", 0},
                                         RoundTrip{"TiffIndexed", Tiff, "I8", "I8", 0},
                                         RoundTrip{"TiffSixteen", Tiff, "R5G6B5", "X8R8G8B8", 0},
                                         // libjpeg's defaults halve the chroma resolution both ways.
                                         RoundTrip{"JpegRgb", Jpeg, "X8R8G8B8", "X8R8G8B8", 32},
                                         RoundTrip{"JpegPacked", Jpeg, "B8G8R8", "X8R8G8B8", 32}),
                         [](const testing::TestParamInfo<RoundTrip>& info) {
                             return std::string(info.param.name);
                         });

TEST(Encoders, FullSinkIsEndOfDataForEveryEncoder)
{
    const PLAnyBmp bmp = Pattern("X8R8G8B8");
    std::unique_ptr<PLPicEncoder> encoders[] = {std::make_unique<PLBmpEncoder>(), Jpeg(), Png(), Tiff()};
    for (auto& encoder : encoders) {
        PLMemSink sink;
        ASSERT_EQ(sink.OpenMemory("Mem", 40), 0);
        std::string text;
        EXPECT_EQ(CodeOf([&] { encoder->EncodeToSink(bmp, sink); }, &text), PLErr::EndOfData);
        EXPECT_EQ(text, "Buffer overflow while encoding.\n");
        EXPECT_LE(sink.GetDataSize(), 40u);
    }
}

TEST(Encoders, FilesAreWrittenAndCutToTheirLength)
{
    TempFolder folder;
    const PLAnyBmp bmp = Pattern("X8R8G8B8");
    PLPNGEncoder encoder;
    const std::string path = (folder / "out.png").string();
    encoder.EncodeFile(path.c_str(), bmp);
    PLAnyPicDecoder decoder;
    PLAnyBmp back;
    decoder.DecodeFile(path.c_str(), back);
    EXPECT_EQ(MaxDistance(back, Colour), 0);
    EXPECT_EQ(std::filesystem::file_size(path), Encode(encoder, bmp).size());
}

TEST(Encoders, UnwritableFileNamesTheReason)
{
    PLBmpEncoder encoder;
    std::string text;
    EXPECT_EQ(CodeOf([&] { encoder.EncodeFile("/nonexistent-folder/out.bmp", Pattern("X8R8G8B8")); }, &text),
              PLErr::PathNotFound);
    EXPECT_EQ(text, "Decoder error: Opening /nonexistent-folder/out.bmp failed: No such file or directory\n");
}

}  // namespace
