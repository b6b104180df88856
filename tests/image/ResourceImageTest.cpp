#include "ImageRepTestUtil.h"

#include "image/CWinBmp.h"
#include "image/ImageBitmapRep.h"
#include "image/PLWinBmp.h"
#include "support/ResourceLoader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <utility>

namespace {

using namespace imagetest;
using orbisk::bmputils::CWinBmp;
using orbisk::imageutils::ImageBitmapRep;
using orbisk::imageutils::kFormatRGBA;
using orbisk::imageutils::kResourceTypeBitmap;
using orbisk::imageutils::kResourceTypeData;

using ResourceKey = std::pair<uint32_t, uint32_t>;  // type, id

std::map<ResourceKey, std::vector<uint8_t>>& Resources()
{
    static std::map<ResourceKey, std::vector<uint8_t>> resources;
    return resources;
}

int ProgramResources(uint32_t type, uint32_t id, const void** data, size_t* size)
{
    const auto found = Resources().find({type, id});
    if (found == Resources().end())
        return 0;
    *data = found->second.data();
    *size = found->second.size();
    return 1;
}

// A packed 8-bit DIB, 3 x 2, whose palette entry i is (i, 255 - i, 9) and pixel (x, y) is 3y + x.
std::vector<uint8_t> IndexedDib()
{
    PLWinBmp bitmap;
    bitmap.Create(3, 2, PLPixelFormat::FindByName("I8"), nullptr, 0, {});
    for (int i = 0; i < 256; ++i)
        bitmap.GetPalette()[i] = {uint8_t(i), uint8_t(255 - i), 9, 0};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            bitmap.GetLine(y)[x] = uint8_t(3 * y + x);
    return bitmap.CopyToGlobalMemory();
}

// The program's resources: image files as raw data, a bitmap, and broken ones.
class ImageResources : public testing::Test {
protected:
    static constexpr uint32_t kColourPng = 201, kGreyPng = 202, kNoImage = 203;
    static constexpr uint32_t kIndexedDib = 301, kCutDib = 302;

    void SetUp() override
    {
        const std::vector<uint8_t> dib = IndexedDib();
        Resources() = {
            {{kResourceTypeData, kColourPng}, ReadData("rgb.png")},
            {{kResourceTypeData, kGreyPng}, ReadData("grey.png")},
            {{kResourceTypeData, kNoImage}, {'n', 'o', 'n', 'e'}},
            {{kResourceTypeBitmap, kIndexedDib}, dib},
            {{kResourceTypeBitmap, kCutDib}, {dib.begin(), dib.end() - 1}},
        };
        orbisk::utils::SetProgramResources(&ProgramResources);
    }
    void TearDown() override
    {
        orbisk::utils::SetProgramResources(nullptr);
        Resources().clear();
    }
};

TEST_F(ImageResources, ImageFilesLoadAsRGBA)
{
    ImageRep image;
    ASSERT_TRUE(image.LoadResource(kColourPng, kResourceTypeData));
    EXPECT_EQ(image.GetFormat(), kFormatRGBA);
    EXPECT_EQ(ImageDistance(image, [](int x, int y) { return Colour(x, y); }), 0);
    ASSERT_TRUE(image.LoadResource(kGreyPng, kResourceTypeData));
    EXPECT_EQ(image.GetFormat(), kFormatRGBA);
    EXPECT_EQ(PixelOf(image, 4, 3), (PLPixel32{Grey(4, 3), Grey(4, 3), Grey(4, 3), 255}));
}

TEST_F(ImageResources, MissingOrUndecodableResourcesEmptyTheImage)
{
    struct Case {
        uint32_t id, type;
    };
    for (const Case& c : {Case{kNoImage, kResourceTypeData}, Case{999, kResourceTypeData},
                          Case{kColourPng, kResourceTypeBitmap}}) {
        ImageRep image;
        MakeImage(image, 2, 2, kFormatRGBA, [](int x, int y) { return Colour(x, y); });
        EXPECT_FALSE(image.LoadResource(c.id, c.type)) << c.id;
        EXPECT_FALSE(image.IsValid());
    }
    EXPECT_FALSE(ImageBitmapRep().LoadResource(kColourPng, kResourceTypeData));
}

TEST_F(ImageResources, InterfaceBitmapsLoadAs32Bit)
{
    CWinBmp bitmap;
    ASSERT_TRUE(bitmap.LoadResource(kColourPng, kResourceTypeData));
    EXPECT_EQ(bitmap.GetBitmap()->GetPixelFormat().GetName(), "X8R8G8B8");
    EXPECT_EQ(PixelAt(*bitmap.GetBitmap(), 5, 6), Colour(5, 6));
    EXPECT_FALSE(bitmap.LoadResource(kNoImage, kResourceTypeData));
    EXPECT_EQ(bitmap.GetBitmap(), nullptr);
}

TEST_F(ImageResources, BitmapResourcesAreDibsWithTheirOwnPalette)
{
    PLWinBmp bitmap;
    bitmap.CreateFromResource(kIndexedDib);
    EXPECT_EQ(bitmap.GetPixelFormat().GetName(), "I8");
    ASSERT_EQ(bitmap.GetSize(), (PLPoint{3, 2}));
    EXPECT_EQ(PixelAt(bitmap, 2, 1), (PLPixel32{5, 250, 9, 0}));
    EXPECT_EQ(CodeOf([&] { bitmap.CreateFromResource(kCutDib); }), PLErr::FormatUnknown);
    EXPECT_EQ(CodeOf([&] { bitmap.CreateFromResource(999); }), PLErr::FileNotFound);
}

}  // namespace
