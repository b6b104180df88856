#include "DecoderCases.h"
#include "ImageRepTestUtil.h"

#include "image/ImageFileType.h"
#include "image/JpegDirect.h"
#include "image/PLAnyPicDecoder.h"
#include "image/PLWinBmp.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using namespace imagetest;
using orbisk::imageutils::DecodeJpegScaled;
using orbisk::imageutils::GetImageFileType;
using orbisk::imageutils::ImageFileTypeFromDecoderType;
using orbisk::imageutils::JpegScaledRequest;
using orbisk::imageutils::kFormatGrey;
using orbisk::imageutils::kFormatRGB;
using orbisk::imageutils::kFormatRGBA;
namespace ft = orbisk::imageutils;

const PLPixel32 kLeftHalf{40, 40, 200, 255};   // large.jpg and large.png: rgb(200,40,40)
const PLPixel32 kRightHalf{200, 40, 40, 255};  // rgb(40,40,200)

struct LoadCase {
    const char* file;
    int format;
    int tolerance;
    std::function<PLPixel32(int, int)> expected;
};

void PrintTo(const LoadCase& c, std::ostream* os)
{
    *os << c.file;
}

class Load : public testing::TestWithParam<LoadCase> {};

// Files and encoded memory give the same image: RGB unless transparency is used, grey
// only for JPEG greyscale.
TEST_P(Load, FileAndMemoryGiveThePatternInTheNormalisedFormat)
{
    const LoadCase& c = GetParam();
    ImageRep fromFile, fromMemory;
    ASSERT_TRUE(fromFile.LoadFile(WidePath(DataPath(c.file))));
    ImageMemoryRep encoded;
    ASSERT_TRUE(LoadEncoded(encoded, c.file));
    ASSERT_TRUE(fromMemory.LoadMemory(encoded));
    for (const ImageRep* image : {&fromFile, &fromMemory}) {
        EXPECT_EQ(image->GetFormat(), c.format);
        ASSERT_EQ(image->GetWidth(), kWidth);
        ASSERT_EQ(image->GetHeight(), kHeight);
        EXPECT_LE(ImageDistance(*image, c.expected), c.tolerance);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Image, Load,
    testing::Values(
        LoadCase{"rgb.png", kFormatRGB, 0, kColour}, LoadCase{"interlaced.png", kFormatRGB, 0, kColour},
        LoadCase{"rgba.png", kFormatRGBA, 0, kColourAlpha}, LoadCase{"palette.png", kFormatRGB, 0, kColour},
        LoadCase{"grey.png", kFormatRGB, 0, kGrey}, LoadCase{"grey16.png", kFormatRGB, 0, kGrey},
        LoadCase{"grey2.png", kFormatRGB, 0, kLevels4}, LoadCase{"greyalpha.png", kFormatRGBA, 0, kGreyAlpha},
        LoadCase{"colour.jpg", kFormatRGB, 6, kColour}, LoadCase{"progressive.jpg", kFormatRGB, 6, kColour},
        LoadCase{"cmyk.jpg", kFormatRGB, 8, kColour}, LoadCase{"grey.jpg", kFormatGrey, 4, kGrey},
        LoadCase{"rgb.tif", kFormatRGB, 0, kColour}, LoadCase{"tiled.tif", kFormatRGB, 0, kColour},
        LoadCase{"rgba.tif", kFormatRGBA, 0, kColourAlpha}, LoadCase{"palette.tif", kFormatRGB, 0, kColour},
        LoadCase{"grey.tif", kFormatRGB, 0, kGrey}, LoadCase{"grey4.tif", kFormatRGB, 0, kLevels16},
        LoadCase{"grey2.tif", kFormatRGB, 0, kLevels4}, LoadCase{"bilevel.tif", kFormatRGB, 0, kBilevel},
        LoadCase{"plain.gif", kFormatRGB, 0, kColour}, LoadCase{"interlaced.gif", kFormatRGB, 0, kColour},
        LoadCase{"animated.gif", kFormatRGB, 0, kColour}),
    [](const testing::TestParamInfo<LoadCase>& info) {
        std::string name = info.param.file;
        for (char& c : name)
            c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

TEST(ImageLoad, OpaqueAlphaKeepsFourBytesButTheFormatLosesItsAlpha)
{
    ImageRep image;
    ASSERT_TRUE(image.LoadFile(WidePath(DataPath("opaque.png"))));
    EXPECT_EQ(image.GetFormat(), kFormatRGBA);
    EXPECT_EQ(image.CloneBitmap()->GetPixelFormat().GetName(), "X8R8G8B8");
    EXPECT_EQ(ImageDistance(image, kColour), 0);

    ASSERT_TRUE(image.LoadFile(WidePath(DataPath("rgba.png"))));
    EXPECT_EQ(image.CloneBitmap()->GetPixelFormat().GetName(), "A8R8G8B8");
}

TEST(ImageLoad, FullyTransparentImagesOtherThanBitmapFilesStayRGBA)
{
    TempFolder folder;
    ImageRep image;
    MakeImage(image, 3, 2, kFormatRGB, kColour);
    ASSERT_TRUE(image.SetAlpha(0));
    const std::wstring path = WidePath(folder / "clear.png");
    ASSERT_TRUE(image.SaveFile(path));
    ImageRep loaded;
    ASSERT_TRUE(loaded.LoadFile(path));
    EXPECT_EQ(loaded.GetFormat(), kFormatRGBA);
    EXPECT_EQ(PixelOf(loaded, 2, 1).a, 0);
}

TEST(ImageLoad, AlphaSetOnAnOpaqueImageIsSavedWithIt)
{
    TempFolder folder;
    ImageRep image;
    ASSERT_TRUE(image.LoadFile(WidePath(DataPath("colour.jpg"))));
    ASSERT_TRUE(image.SetAlpha(0.5));
    const std::wstring path = WidePath(folder / "half.png");
    ASSERT_TRUE(image.SaveFile(path));
    ImageRep loaded;
    ASSERT_TRUE(loaded.LoadFile(path));
    EXPECT_EQ(loaded.GetFormat(), kFormatRGBA);
    EXPECT_EQ(PixelOf(loaded, 5, 5).a, 127);
}

TEST(ImageLoad, SixteenBitGreyIsRefused)
{
    ImageRep image;
    MakeImage(image, 2, 2, kFormatRGB, kColour);
    EXPECT_FALSE(image.LoadFile(WidePath(DataPath("grey16.tif"))));
    EXPECT_FALSE(image.IsValid());

    ImageMemoryRep encoded;
    ASSERT_TRUE(LoadEncoded(encoded, "grey16.tif"));
    EXPECT_FALSE(image.LoadMemory(encoded));
    EXPECT_FALSE(image.IsValid());
}

TEST(ImageLoad, MissingOrUnreadableFilesEmptyTheImage)
{
    TempFolder folder;
    std::ofstream(folder / "text.png") << "not an image at all";
    for (const std::wstring& path : {WidePath(folder / "missing.png"), WidePath(folder / "text.png"),
                                     WidePath(folder / "missing.jpg"), WidePath(folder / "")}) {
        ImageRep image;
        MakeImage(image, 2, 2, kFormatRGB, kColour);
        EXPECT_FALSE(image.LoadFile(path));
        EXPECT_FALSE(image.IsValid());
    }
}

TEST(ImageLoad, EmptyMemoryKeepsTheCurrentImage)
{
    ImageRep image;
    MakeImage(image, 2, 2, kFormatRGB, kColour);
    const ImageMemoryRep empty;
    EXPECT_FALSE(image.LoadMemory(empty));
    EXPECT_TRUE(image.IsValid());
}

TEST(ImageLoad, JpegIsDecodedAtTheSmallestScaleThatCoversTheBox)
{
    struct Case {
        int boxWidth, boxHeight, width, height;
    };
    const Case cases[] = {
        {0, 0, 800, 600},     {100, 100, 100, 75},  {256, 256, 200, 150}, {500, 500, 400, 300},
        {50, 50, 100, 75},    {800, 600, 800, 600}, {1000, 10, 100, 75},  {0, 100, 800, 600},
        {400, 300, 400, 300}, {399, 300, 200, 150},
    };
    const std::vector<uint8_t> data = ReadData("large.jpg");
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.boxWidth) + " x " + std::to_string(c.boxHeight));
        ImageRep image;
        int width = 0, height = 0;
        JpegScaledRequest request;
        request.boxWidth = c.boxWidth;
        request.boxHeight = c.boxHeight;
        ASSERT_TRUE(DecodeJpegScaled(data.data(), data.size(), request, image, width, height));
        EXPECT_EQ(width, c.width);
        EXPECT_EQ(height, c.height);
        EXPECT_EQ(image.GetWidth(), c.width);
        EXPECT_EQ(image.GetFormat(), kFormatRGB);
        EXPECT_LE(ChannelDistance(PixelOf(image, c.width / 4, c.height / 2), kLeftHalf), 2);
        EXPECT_LE(ChannelDistance(PixelOf(image, 3 * c.width / 4, c.height / 2), kRightHalf), 2);
    }
}

TEST(ImageLoad, JpegLoadedIntoABoxIsScaledThenFitted)
{
    ImageRep image;
    ASSERT_TRUE(image.LoadFile(WidePath(DataPath("large.jpg")), 500, 500));
    EXPECT_EQ(image.GetWidth(), 500);
    EXPECT_EQ(image.GetHeight(), 375);
    EXPECT_LE(ChannelDistance(PixelOf(image, 100, 200), kLeftHalf), 2);
    EXPECT_LE(ChannelDistance(PixelOf(image, 400, 200), kRightHalf), 2);

    ASSERT_TRUE(image.LoadFile(WidePath(DataPath("large.jpg"))));
    EXPECT_EQ(image.GetWidth(), 800);
    EXPECT_EQ(image.GetHeight(), 600);

    ImageMemoryRep encoded;
    ASSERT_TRUE(LoadEncoded(encoded, "large.jpg"));
    ASSERT_TRUE(image.LoadMemory(encoded, 100, 100));
    EXPECT_EQ(image.GetWidth(), 100);
    EXPECT_EQ(image.GetHeight(), 75);
}

TEST(ImageLoad, OtherFormatsLoadedIntoABoxAreFitted)
{
    ImageRep image;
    ASSERT_TRUE(image.LoadFile(WidePath(DataPath("large.png")), 40, 40));
    EXPECT_EQ(image.GetWidth(), 40);
    EXPECT_EQ(image.GetHeight(), 30);
    EXPECT_EQ(PixelOf(image, 5, 15), kLeftHalf);
    EXPECT_EQ(PixelOf(image, 35, 15), kRightHalf);
}

// Every byte of the canvas outside the image part is zero.
bool ZeroOutside(const ImageRep& canvas, int width, int height)
{
    for (int y = 0; y < canvas.GetHeight(); ++y) {
        const uint8_t* row = canvas.GetPixels() + y * canvas.GetBytesPerLine();
        const int from = y < height ? width * canvas.GetBytesPerPixel() : 0;
        for (int i = from; i < canvas.GetBytesPerLine(); ++i) {
            if (row[i] != 0)
                return false;
        }
    }
    return true;
}

TEST(ImageLoad, BoundedLoadingPutsTheImageInTheCornerOfAZeroCanvas)
{
    struct Case {
        const char* file;
        bool withAlpha;
        int format;
        int width, height;  // of the image part
        PLPixel32 corner;   // the pixel at (1, 1)
        int tolerance;
    };
    const PLPixel32 colour = Colour(1, 1);
    const Case cases[] = {
        {"rgb.png", false, kFormatRGB, 12, 7, colour, 0},
        {"rgb.png", true, kFormatRGBA, 12, 7, colour, 0},
        {"rgba.png", false, kFormatRGB, 12, 7, colour, 0},
        {"colour.jpg", false, kFormatRGB, 12, 7, colour, 6},
        {"colour.jpg", true, kFormatRGBA, 12, 7, colour, 6},
        {"grey.jpg", false, kFormatGrey, 12, 7, GreyPixel(Grey(1, 1)), 4},
        {"grey.jpg", true, kFormatRGBA, 12, 7, GreyPixel(Grey(1, 1)), 4},
        {"large.jpg", false, kFormatRGB, 200, 150, kLeftHalf, 2},  // decoded at 1/4
        {"large.jpg", true, kFormatRGBA, 200, 150, kLeftHalf, 2},
        {"large.png", false, kFormatRGB, 256, 192, kLeftHalf, 0},  // decoded whole, then fitted
        {"large.png", true, kFormatRGBA, 256, 192, kLeftHalf, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + (c.withAlpha ? " with alpha" : ""));
        ImageMemoryRep encoded;
        ASSERT_TRUE(LoadEncoded(encoded, c.file));
        ImageRep canvas;
        int width = 0, height = 0;
        ASSERT_TRUE(canvas.LoadMemoryBounded(encoded, 256, 256, c.withAlpha, width, height));
        EXPECT_EQ(width, c.width);
        EXPECT_EQ(height, c.height);
        EXPECT_EQ(canvas.GetWidth(), 256);
        EXPECT_EQ(canvas.GetHeight(), 256);
        EXPECT_EQ(canvas.GetFormat(), c.format);
        EXPECT_LE(ChannelDistance(PixelOf(canvas, 1, 1), c.corner), c.tolerance);
        EXPECT_TRUE(ZeroOutside(canvas, width, height));
    }
}

TEST(ImageLoad, BoundedLoadingNeedsABoxAndBytes)
{
    ImageMemoryRep encoded;
    ASSERT_TRUE(LoadEncoded(encoded, "rgb.png"));
    ImageRep canvas;
    int width = -1, height = -1;
    EXPECT_FALSE(canvas.LoadMemoryBounded(encoded, 0, 256, false, width, height));
    EXPECT_EQ(width, 0);
    EXPECT_FALSE(canvas.IsValid());
    EXPECT_FALSE(canvas.LoadMemoryBounded(ImageMemoryRep(), 16, 16, false, width, height));
    EXPECT_FALSE(canvas.IsValid());
}

TEST(ImageSave, TheExtensionChoosesTheEncoder)
{
    struct Case {
        const char* name;
        int detected;  // PLAnyPicDecoder type of the written file; 0: refused
    };
    const Case cases[] = {
        {"a.png", PLAnyPicDecoder::PNG},
        {"a.PNG", PLAnyPicDecoder::PNG},
        {"a.jpg", PLAnyPicDecoder::JPEG},
        {"a.JPG", PLAnyPicDecoder::JPEG},
        {"a.jpeg", PLAnyPicDecoder::JPEG},
        {"a.bmp", PLAnyPicDecoder::BMP},
        {"a.tif", PLAnyPicDecoder::TIFF},
        {"a.tiff", PLAnyPicDecoder::TIFF},
        {"a.gif", 0},
        {"a.txt", 0},
        {"png", 0},
        {"a.png.x", 0},
    };
    TempFolder folder;
    for (int format : {kFormatRGB, kFormatRGBA, kFormatGrey}) {
        ImageRep image;
        MakeImage(image, 5, 3, format, kColour);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + " format " + std::to_string(format));
            const auto path = folder / c.name;
            std::filesystem::remove(path);
            ASSERT_EQ(image.SaveFile(WidePath(path)), c.detected != 0);
            if (!c.detected) {
                EXPECT_FALSE(std::filesystem::exists(path));
                continue;
            }
            std::vector<uint8_t> bytes(64);
            std::ifstream(path, std::ios::binary).read(reinterpret_cast<char*>(bytes.data()), 64);
            EXPECT_EQ(PLAnyPicDecoder::DetectFileType(bytes.data(), bytes.size()), c.detected);
        }
    }
    EXPECT_FALSE(ImageRep().SaveFile(WidePath(folder / "empty.png")));
    ImageRep image;
    MakeImage(image, 2, 2, kFormatRGB, kColour);
    EXPECT_FALSE(image.SaveFile(WidePath(folder / "missing" / "a.png")));
}

TEST(ImageSave, LosslessFormatsReadBackTheSamePixels)
{
    struct Case {
        const char* name;
        int format;
        int loadedFormat;  // TIFF is written from 32-bit pixels, so RGB comes back opaque RGBA
    };
    const auto pattern = [](int x, int y) {
        PLPixel32 c = Colour(x, y);
        c.a = uint8_t(40 * y + 5);
        return c;
    };
    TempFolder folder;
    for (const Case& c : {Case{"a.png", kFormatRGB, kFormatRGB}, Case{"b.png", kFormatRGBA, kFormatRGBA},
                          Case{"c.tif", kFormatRGB, kFormatRGBA}, Case{"d.tif", kFormatRGBA, kFormatRGBA}}) {
        ImageRep image, loaded;
        MakeImage(image, 7, 5, c.format, pattern);
        const std::wstring path = WidePath(folder / c.name);
        ASSERT_TRUE(image.SaveFile(path));
        ASSERT_TRUE(loaded.LoadFile(path));
        EXPECT_EQ(loaded.GetFormat(), c.loadedFormat) << c.name;
        EXPECT_EQ(ImageDistance(loaded, [&](int x, int y) { return PixelOf(image, x, y); }), 0) << c.name;
    }
}

TEST(ImageSave, JpegQualityDefaultsTo70AndIsClamped)
{
    struct Case {
        const char* name;
        int quality;  // 0: SaveFile without a quality
        int estimated;
    };
    TempFolder folder;
    ImageRep image;
    MakeImage(image, 16, 16, kFormatRGB, [](int x, int y) { return Colour(x % 12, y % 7); });
    for (const Case& c : {Case{"a.JPG", 0, 70}, Case{"b.jpeg", 40, 40}, Case{"c.jpg", 150, 99}}) {
        const std::wstring path = WidePath(folder / c.name);
        ASSERT_TRUE(c.quality ? image.SaveFile(path, c.quality) : image.SaveFile(path));
        ImageMemoryRep written;
        ASSERT_TRUE(written.LoadFile(path));
        EXPECT_EQ(written.GetQuality(), c.estimated) << c.name;
    }
}

TEST(ImageSave, PngQualityIsTheCompressionLevelClampedTo9)
{
    TempFolder folder;
    ImageRep image;
    MakeImage(image, 64, 64, kFormatRGB, [](int x, int y) { return Colour(x % 12, y % 7); });
    const auto written = [&](int quality) {
        const auto path = folder / ("q" + std::to_string(quality) + ".png");
        EXPECT_TRUE(image.SaveFile(WidePath(path), quality));
        return ReadDataAt(path);
    };
    EXPECT_EQ(written(20), written(9));
    EXPECT_LT(written(9).size(), written(0).size());
    EXPECT_EQ(written(-3), written(0));
}

TEST(ImageFileType, ByExtensionAndByDecoder)
{
    struct Case {
        const wchar_t* path;
        int type;
    };
    const Case cases[] = {
        {L"a.jpg", ft::kImageFileJPEG},
        {L"a.JPEG", ft::kImageFileJPEG},
        {L"a.Bmp", ft::kImageFileBMP},
        {L"a.tif", ft::kImageFileTIFF},
        {L"a.tiff", ft::kImageFileTIFF},
        {L"a.png", ft::kImageFilePNG},
        {L"a.gif", ft::kImageFileGIF},
        {L"a.pct", ft::kImageFilePICT},
        {L"a.tga", ft::kImageFileTGA},
        {L"a.psd", ft::kImageFilePSD},
        {L"a.pcx", 0},
        {L"a", 0},
        {L"dir.png/a", 0},
        {L"dir.png\\a", 0},
        {L"a.png.bak", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetImageFileType(c.path), c.type) << std::filesystem::path(c.path).string();

    EXPECT_EQ(ImageFileTypeFromDecoderType(PLAnyPicDecoder::BMP), ft::kImageFileBMP);
    EXPECT_EQ(ImageFileTypeFromDecoderType(PLAnyPicDecoder::PICT), ft::kImageFilePICT);
    EXPECT_EQ(ImageFileTypeFromDecoderType(PLAnyPicDecoder::TGA), ft::kImageFileTGA);
    EXPECT_EQ(ImageFileTypeFromDecoderType(PLAnyPicDecoder::TIFF), ft::kImageFileTIFF);
    EXPECT_EQ(ImageFileTypeFromDecoderType(PLAnyPicDecoder::JPEG), ft::kImageFileJPEG);
    EXPECT_EQ(ImageFileTypeFromDecoderType(PLAnyPicDecoder::PNG), ft::kImageFilePNG);
    EXPECT_EQ(ImageFileTypeFromDecoderType(PLAnyPicDecoder::GIF), ft::kImageFileGIF);
    EXPECT_EQ(ImageFileTypeFromDecoderType(PLAnyPicDecoder::PSD), ft::kImageFilePSD);
    for (int other : {int(PLAnyPicDecoder::Unknown), int(PLAnyPicDecoder::EPSTIFF), int(PLAnyPicDecoder::WMF),
                      int(PLAnyPicDecoder::PCX), int(PLAnyPicDecoder::PPM), int(PLAnyPicDecoder::IFF85), 99})
        EXPECT_EQ(ImageFileTypeFromDecoderType(other), ft::kImageFileUnknown);
}

// The direct JPEG path reads untrusted bytes: every answer must be an image or false.
TEST(ImageLoadHostile, TruncatedAndCorruptedJpegsDecodeOrFail)
{
    for (const char* file : {"colour.jpg", "grey.jpg", "progressive.jpg", "cmyk.jpg"}) {
        const std::vector<uint8_t> data = ReadData(file);
        ASSERT_FALSE(data.empty());
        for (const bool pad : {false, true}) {
            JpegScaledRequest request;
            request.boxWidth = 16;
            request.boxHeight = 16;
            request.pad = pad;
            request.withAlpha = pad;
            for (size_t length = 0; length < data.size(); ++length) {
                ImageRep image;
                int width = 0, height = 0;
                if (DecodeJpegScaled(data.data(), length, request, image, width, height)) {
                    EXPECT_TRUE(image.IsValid()) << file << " cut to " << length;
                }
            }
        }
        for (size_t bit = 0; bit < data.size() * 8; bit += bit < 2048 ? 1 : 13) {
            std::vector<uint8_t> flipped = data;
            flipped[bit / 8] ^= uint8_t(1 << (bit % 8));
            ImageRep image;
            int width = 0, height = 0;
            if (DecodeJpegScaled(flipped.data(), flipped.size(), {}, image, width, height)) {
                EXPECT_TRUE(image.IsValid()) << file << " bit " << bit;
            }
        }
    }
}

TEST(ImageLoadHostile, HugeJpegDimensionsAllocateNothing)
{
    std::vector<uint8_t> data = ReadData("progressive.jpg");
    size_t at = 2;
    while (at + 9 < data.size() && !(data[at] == 0xFF && (data[at + 1] == 0xC0 || data[at + 1] == 0xC2)))
        ++at;
    ASSERT_LT(at + 9, data.size());
    for (size_t i = at + 5; i < at + 9; ++i)
        data[i] = 0xFF;  // 65535 x 65535
    ImageRep image;
    int width = 0, height = 0;
    EXPECT_FALSE(DecodeJpegScaled(data.data(), data.size(), {}, image, width, height));
    EXPECT_FALSE(image.IsValid());
}

TEST(ImageLoadHostile, TruncatedFilesThroughEveryLoaderLoadOrFail)
{
    for (const char* file : {"rgba.png", "palette.png", "rgb.tif", "plain.gif", "colour.jpg"}) {
        const std::vector<uint8_t> data = ReadData(file);
        for (size_t length = 1; length < data.size(); length += 3) {
            ImageMemoryRep encoded;
            std::vector<uint8_t> part(data.begin(), data.begin() + long(length));
            if (!encoded.SetData(int(length), part.data(), false, 0))
                continue;
            ImageRep image, canvas;
            int width = 0, height = 0;
            if (image.LoadMemory(encoded)) {
                EXPECT_TRUE(image.IsValid());
            }
            if (canvas.LoadMemoryBounded(encoded, 8, 8, true, width, height)) {
                EXPECT_TRUE(width <= 8 && height <= 8) << file << " cut to " << length;
            }
        }
    }
}

}  // namespace
