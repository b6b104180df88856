#include "ImageRepTestUtil.h"

#include "image/ImageFileType.h"
#include "image/JpegDirect.h"
#include "image/PLAnyPicDecoder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>

namespace {

using namespace imagetest;
using orbisk::imageutils::EstimateJpegQuality;
using orbisk::imageutils::kFormatGrey;
using orbisk::imageutils::kFormatRGB;
using orbisk::imageutils::kFormatRGBA;
namespace ft = orbisk::imageutils;

void Pattern(ImageRep& image, int width, int height, int format)
{
    MakeImage(image, width, height, format, [](int x, int y) { return Colour(x % 12, y % 7); });
}

TEST(ImageMemoryRep, StartsEmptyWithQuality70)
{
    const ImageMemoryRep memory;
    EXPECT_FALSE(memory.IsValid());
    EXPECT_EQ(memory.GetSize(), 0);
    EXPECT_EQ(memory.GetType(), ft::kImageFileUnknown);
    EXPECT_EQ(memory.GetQuality(), 70);
}

TEST(ImageMemoryRep, LoadFileDescribesTheImageFromItsHeader)
{
    struct Case {
        const char* file;
        int type;
        int bytesPerPixel;
        int quality;
    };
    const Case cases[] = {
        {"rgb.png", ft::kImageFilePNG, 3, 70},   {"rgba.png", ft::kImageFilePNG, 4, 70},
        {"grey.png", ft::kImageFilePNG, 1, 70},  {"colour.jpg", ft::kImageFileJPEG, 4, 95},
        {"grey.jpg", ft::kImageFileJPEG, 1, 95}, {"large.jpg", ft::kImageFileJPEG, 4, 90},
        {"rgb.tif", ft::kImageFileTIFF, 4, 70},  {"plain.gif", ft::kImageFileGIF, 1, 70},
    };
    for (const Case& c : cases) {
        ImageMemoryRep memory;
        ASSERT_TRUE(LoadEncoded(memory, c.file)) << c.file;
        EXPECT_EQ(memory.GetType(), c.type) << c.file;
        EXPECT_EQ(memory.GetBytesPerPixel(), c.bytesPerPixel) << c.file;
        EXPECT_EQ(memory.GetQuality(), c.quality) << c.file;
        EXPECT_EQ(memory.GetSize(), int(ReadData(c.file).size()));
        EXPECT_EQ(std::memcmp(memory.GetData(), ReadData(c.file).data(), size_t(memory.GetSize())), 0);
        if (std::string(c.file) != "large.jpg") {
            EXPECT_EQ(memory.GetWidth(), kWidth);
            EXPECT_EQ(memory.GetHeight(), kHeight);
        }
    }
}

TEST(ImageMemoryRep, LoadFileRefusesWhatIsNotAnImage)
{
    TempFolder folder;
    std::ofstream(folder / "text.jpg") << "plain text";
    for (const auto& path : {folder / "missing.png", folder / "text.jpg"}) {
        ImageMemoryRep memory;
        EXPECT_FALSE(memory.LoadFile(WidePath(path)));
        EXPECT_FALSE(memory.IsValid());
        EXPECT_EQ(memory.GetSize(), 0);
    }
}

TEST(ImageMemoryRep, SetDataEstimatesTheQualityOnlyWhenNoneIsGiven)
{
    std::vector<uint8_t> jpeg = ReadData("large.jpg");  // written at quality 90
    struct Case {
        int given, stored;
    };
    for (const Case& c : {Case{0, 90}, Case{-4, 90}, Case{101, 90}, Case{85, 85}, Case{100, 100}}) {
        ImageMemoryRep memory;
        ASSERT_TRUE(memory.SetData(int(jpeg.size()), jpeg.data(), false, c.given));
        EXPECT_EQ(memory.GetQuality(), c.stored) << c.given;
        EXPECT_EQ(memory.GetType(), ft::kImageFileJPEG);
        EXPECT_EQ(memory.GetWidth(), 800);
        EXPECT_NE(memory.GetData(), jpeg.data());
    }
    std::vector<uint8_t> png = ReadData("rgb.png");
    ImageMemoryRep memory;
    ASSERT_TRUE(memory.SetData(int(png.size()), png.data(), false, 0));
    EXPECT_EQ(memory.GetQuality(), 0) << "only JPEG qualities are estimated";
}

TEST(ImageMemoryRep, SetDataTakesOverMallocBytes)
{
    const std::vector<uint8_t> png = ReadData("rgba.png");
    auto* bytes = static_cast<uint8_t*>(std::malloc(png.size()));
    std::memcpy(bytes, png.data(), png.size());
    ImageMemoryRep memory;
    ASSERT_TRUE(memory.SetData(int(png.size()), bytes, true, 0));
    EXPECT_EQ(memory.GetData(), bytes);
    EXPECT_EQ(memory.GetBytesPerPixel(), 4);
}

TEST(ImageMemoryRep, SetDataDropsBytesThatDoNotDecode)
{
    std::vector<uint8_t> garbage(300, 0x41);
    ImageMemoryRep memory;
    ASSERT_TRUE(LoadEncoded(memory, "rgb.png"));
    EXPECT_FALSE(memory.SetData(int(garbage.size()), garbage.data(), false, 0));
    EXPECT_FALSE(memory.IsValid());
    EXPECT_EQ(memory.GetSize(), 0);
    EXPECT_EQ(memory.GetWidth(), 0);
    EXPECT_EQ(memory.GetType(), ft::kImageFileUnknown);
    EXPECT_FALSE(memory.SetData(0, garbage.data(), false, 0));
    EXPECT_FALSE(memory.SetData(10, nullptr, false, 0));
    auto* owned = static_cast<uint8_t*>(std::malloc(16));
    std::memset(owned, 0, 16);
    EXPECT_FALSE(memory.SetData(16, owned, true, 0)) << "refused bytes that were handed over are freed";
}

TEST(ImageMemoryRep, AJpegWrittenAtAKnownQualityReadsBackThatQuality)
{
    ImageRep image;
    Pattern(image, 24, 16, kFormatRGB);
    for (int quality : {10, 25, 50, 70, 75, 90, 95}) {
        ImageMemoryRep encoded;
        ASSERT_TRUE(encoded.Encode(image, ft::kImageFileJPEG, quality));
        EXPECT_EQ(encoded.GetQuality(), quality);
        EXPECT_EQ(EstimateJpegQuality(encoded.GetData(), size_t(encoded.GetSize())), quality);

        ImageMemoryRep reread;
        std::vector<uint8_t> bytes(encoded.GetData(), encoded.GetData() + encoded.GetSize());
        ASSERT_TRUE(reread.SetData(int(bytes.size()), bytes.data(), false, 0));
        EXPECT_EQ(reread.GetQuality(), quality);
    }
    EXPECT_EQ(EstimateJpegQuality(ReadData("colour.jpg").data(), ReadData("colour.jpg").size()), 95);
    const std::vector<uint8_t> png = ReadData("rgb.png");
    EXPECT_EQ(EstimateJpegQuality(png.data(), png.size()), 0);
}

TEST(ImageMemoryRep, EncodeStoresTheTypeAndDepthOfWhatWasWritten)
{
    struct Case {
        int format;
        int type;
        int storedType;
        int bytesPerPixel;
        int detected;
    };
    const Case cases[] = {
        {kFormatRGB, ft::kImageFileBMP, ft::kImageFileBMP, 4, PLAnyPicDecoder::BMP},
        {kFormatRGB, ft::kImageFilePNG, ft::kImageFilePNG, 3, PLAnyPicDecoder::PNG},
        {kFormatRGB, 7, ft::kImageFilePNG, 3, PLAnyPicDecoder::PNG},
        {kFormatRGB, ft::kImageFileTIFF, ft::kImageFileTIFF, 4, PLAnyPicDecoder::TIFF},
        {kFormatRGBA, ft::kImageFileTIFF, ft::kImageFileTIFF, 4, PLAnyPicDecoder::TIFF},
        {kFormatGrey, ft::kImageFileJPEG, ft::kImageFileJPEG, 4, PLAnyPicDecoder::JPEG},
        {kFormatGrey, ft::kImageFilePNG, ft::kImageFilePNG, 1, PLAnyPicDecoder::PNG},
        {kFormatGrey, ft::kImageFileBMP, ft::kImageFileBMP, 1, PLAnyPicDecoder::BMP},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("format " + std::to_string(c.format) + " as type " + std::to_string(c.type));
        ImageRep image;
        Pattern(image, 12, 7, c.format);
        ImageMemoryRep encoded;
        ASSERT_TRUE(encoded.Encode(image, c.type, 80));
        EXPECT_EQ(encoded.GetType(), c.storedType);
        EXPECT_EQ(encoded.GetBytesPerPixel(), c.bytesPerPixel);
        EXPECT_EQ(encoded.GetWidth(), 12);
        EXPECT_EQ(encoded.GetHeight(), 7);
        EXPECT_EQ(PLAnyPicDecoder::DetectFileType(encoded.GetData(), size_t(encoded.GetSize())), c.detected);
    }
}

TEST(ImageMemoryRep, EncodedImagesDecodeBack)
{
    ImageRep image;
    Pattern(image, 12, 7, kFormatRGB);
    for (int type : {ft::kImageFilePNG, ft::kImageFileTIFF, ft::kImageFileJPEG}) {
        ImageMemoryRep encoded;
        ASSERT_TRUE(encoded.Encode(image, type, type == ft::kImageFileJPEG ? 95 : 6));
        ImageRep decoded;
        ASSERT_TRUE(decoded.LoadMemory(encoded));
        // The JPEG encoder halves the chroma resolution, which blurs this small pattern.
        EXPECT_LE(ImageDistance(decoded, [](int x, int y) { return Colour(x, y); }),
                  type == ft::kImageFileJPEG ? 32 : 0);
    }
}

TEST(ImageMemoryRep, EncodingLargerThanFourBytesAPixelPlus2000Fails)
{
    // Stored (level 0) PNG rows cost 4 bytes a pixel and a filter byte each: 3000 rows of
    // one pixel need 15,000 bytes, more than 3000 x 4 + 2000.
    ImageRep image, small;
    Pattern(image, 1, 3000, kFormatRGBA);
    Pattern(small, 2, 2, kFormatRGB);
    ImageMemoryRep encoded;
    ASSERT_TRUE(encoded.Encode(small, ft::kImageFilePNG, 0));
    EXPECT_FALSE(encoded.Encode(image, ft::kImageFilePNG, 0));
    EXPECT_FALSE(encoded.IsValid());
    EXPECT_EQ(encoded.GetSize(), 0);
    EXPECT_EQ(encoded.GetType(), ft::kImageFileUnknown);
    EXPECT_TRUE(encoded.Encode(image, ft::kImageFilePNG, 9));
    EXPECT_FALSE(encoded.Encode(ImageRep(), ft::kImageFilePNG, 9));
}

TEST(ImageMemoryRep, SaveFileWritesTheBytesOnlyUnderAMatchingExtension)
{
    struct Case {
        const char* name;
        bool written;
    };
    TempFolder folder;
    ImageMemoryRep memory;
    ASSERT_TRUE(LoadEncoded(memory, "colour.jpg"));
    for (const Case& c : {Case{"a.png", false}, Case{"a.jpeg", true}, Case{"a.JPG", true},
                          Case{"a.dat", true}, Case{"a.tif", false}}) {
        const auto path = folder / c.name;
        EXPECT_EQ(memory.SaveFile(WidePath(path)), c.written) << c.name;
        EXPECT_EQ(memory.MatchesExtension(WidePath(path)),
                  ft::GetImageFileType(WidePath(path)) == ft::kImageFileJPEG);
        if (c.written)
            EXPECT_EQ(ReadDataAt(path), ReadData("colour.jpg"));
        else
            EXPECT_FALSE(std::filesystem::exists(path));
    }
    EXPECT_FALSE(ImageMemoryRep().SaveFile(WidePath(folder / "b.jpg")));
    EXPECT_FALSE(memory.SaveFile(WidePath(folder / "missing" / "b.jpg")));
}

TEST(ImageMemoryRep, AssignCopiesAndEqualsComparesEverything)
{
    ImageMemoryRep a, b;
    EXPECT_FALSE(a.Equals(b)) << "two empty images are not equal";
    EXPECT_TRUE(a.Equals(a));
    ASSERT_TRUE(LoadEncoded(a, "colour.jpg"));
    ASSERT_TRUE(b.Assign(a));
    EXPECT_NE(b.GetData(), a.GetData());
    EXPECT_TRUE(a.Equals(b));
    EXPECT_EQ(b.GetQuality(), 95);

    std::vector<uint8_t> bytes(a.GetData(), a.GetData() + a.GetSize());
    ASSERT_TRUE(b.SetData(int(bytes.size()), bytes.data(), false, 80));
    EXPECT_FALSE(a.Equals(b)) << "the quality differs";
    ASSERT_TRUE(b.SetData(int(bytes.size()), bytes.data(), false, 95));
    EXPECT_TRUE(a.Equals(b));

    b.Free();
    EXPECT_FALSE(a.Equals(b));
    EXPECT_EQ(b.GetWidth(), kWidth) << "Free keeps the description";
    ASSERT_TRUE(b.Assign(ImageMemoryRep()));
    EXPECT_FALSE(b.IsValid());
}

}  // namespace
