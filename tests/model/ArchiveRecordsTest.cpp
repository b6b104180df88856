// The records of typed values, scene pictures and stroke sets inside entity records.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "image/ImageMemoryRep.h"
#include "image/ImageRep.h"
#include "model/ArchiveRecords.h"
#include "model/ArchiveSchema.h"
#include "model/VersionMap.h"
#include "support/Variant.h"
#include "tests/support/ArchiveBytes.h"

using orbisk::Variant;
using orbisk::imageutils::ImageRep;

namespace {

Bytes Header(int32_t code)
{
    return LittleEndian(int32_t{1}, code);
}

// A stroke set with the validating setters of the hand-drawn edges' stroke set; it owns its
// images through their reference counts.
struct TestStrokeSet {
    ~TestStrokeSet() { SetImages({}); }
    void SetDropoutLength(double value)
    {
        if (value >= 0.0 && value <= 1.0)
            dropoutLength = value;
    }
    void SetFadeFactor(double value)
    {
        if (value >= 1.0)
            fadeFactor = value;
    }
    void SetDropoutLengthPixels(int32_t pixels) { SetDropoutLength(pixels / 2200.0); }
    void SetFadeLengthPixels(int32_t pixels)
    {
        if (dropoutLength != 0.0)
            SetFadeFactor(pixels / 2200.0 / dropoutLength);
    }
    void SetLengths(const std::vector<int32_t>& values) { lengths = values; }
    void SetImages(const std::vector<CDib*>& values)
    {
        for (CDib* image : images) {
            if (image)
                image->Release();
        }
        images = values;
        for (CDib* image : images) {
            if (image)
                image->AddRef();
        }
    }

    double dropoutLength = 0.01;
    double fadeFactor = 1.5;
    int32_t width = 16;
    bool useHalo = true;
    int32_t haloLength = 6;
    int32_t numProtos = 0;
    std::vector<int32_t> lengths;
    std::vector<CDib*> images;
};

// The encoded file of a small opaque grey image.
Bytes GreyFile()
{
    const CDibRef dib(new CDib);
    std::vector<uint8_t> pixels(16, 64);
    EXPECT_TRUE(dib->CreateFromPixels(4, 4, 8, pixels.data(), 1.0));
    const auto* encoded = dib->GetEncodedImage();
    return Bytes(encoded->GetData(), encoded->GetData() + encoded->GetSize());
}

class StrokeSetRecordTest : public ::testing::Test {
protected:
    StrokeSetRecordTest()
    {
        auto map = std::make_unique<CVersionMap>();
        map->Set("CDib", 1);
        SetCurrentVersionMap(map.release());
    }
    ~StrokeSetRecordTest() override { SetCurrentVersionMap(nullptr); }

    // Everything after the two fractions, with the given lengths and image references.
    static Bytes Tail(const std::vector<int32_t>& lengths, const Bytes& images, int32_t imageCount)
    {
        Bytes bytes = LittleEndian(int32_t{20}, uint8_t{0}, int32_t{8}, int32_t{2},
                                   static_cast<int32_t>(lengths.size()));
        for (int32_t length : lengths)
            bytes = bytes + LittleEndian(length);
        return bytes + LittleEndian(imageCount) + images;
    }

    static Bytes NewImage(const Bytes& file)
    {
        return LittleEndian(uint16_t{0xFFFF}, uint16_t{1}, uint16_t{4}) + Ascii("CDib") +
               LittleEndian(static_cast<int32_t>(file.size())) + file;
    }

    TestStrokeSet strokeSet;
};

}  // namespace

TEST(VariantRecord, EveryCodeReadsItsPayload)
{
    auto with = [](auto set) {
        Variant variant;
        set(variant);
        return variant;
    };
    struct Case {
        int32_t code;
        Bytes payload;
        Variant expected;
    };
    const Case cases[] = {
        {1, LittleEndian(uint8_t{7}), Variant(true)},
        {2, LittleEndian(uint8_t{200}), with([](Variant& v) { v.SetByte(200); })},
        {3, LittleEndian(int16_t{-3}), with([](Variant& v) { v.SetShort(-3); })},
        {4, LittleEndian(int32_t{-70000}), Variant(-70000)},
        {5, LittleEndian(uint8_t{1}, uint8_t{2}, uint8_t{3}, uint8_t{4}),
         Variant(orbisk::utils::CColor(1, 2, 3, 4))},
        {6, LittleEndian(0.25f), with([](Variant& v) { v.SetFloat(0.25f); })},
        {7, LittleEndian(2.5), Variant(2.5)},
        {9, LittleEndian(1.0, 2.0, 3.0), with([](Variant& v) {
             v.SetPoint({1.0, 2.0, 3.0});
         })},
        {10, LittleEndian(1.0, 2.0, 3.0), with([](Variant& v) {
             v.SetVector({1.0, 2.0, 3.0});
         })},
        {11, LittleEndian(0.0, 0.0, 2.0), with([](Variant& v) {
             v.SetUnitVector({0.0, 0.0, 1.0});
         })},
        {14, LittleEndian(int64_t{1} << 40), with([](Variant& v) { v.SetInt64(int64_t{1} << 40); })},
    };
    for (const Case& c : cases) {
        Variant variant;
        // A second record follows at once: nothing may be left of this one.
        Variant next;
        ReadFrom(Header(c.code) + c.payload + Header(4) + LittleEndian(int32_t{5}), [&](CArchive& ar) {
            ReadVariantRecord(ar, variant);
            ReadVariantRecord(ar, next);
            EXPECT_TRUE(IsAtEnd(ar));
        });
        EXPECT_TRUE(variant == c.expected) << c.code;
        EXPECT_EQ(next.GetInt(), 5) << c.code;
    }
}

TEST(VariantRecord, CodesWithoutPayloadSetNothing)
{
    for (int32_t code : {8, 13, 0, 99}) {
        Variant variant;
        Variant next;
        ReadFrom(Header(code) + Header(4) + LittleEndian(int32_t{5}), [&](CArchive& ar) {
            ReadVariantRecord(ar, variant);
            ReadVariantRecord(ar, next);
        });
        EXPECT_TRUE(variant.IsEmpty()) << code;
        EXPECT_EQ(next.GetInt(), 5) << "the next record starts right after the code " << code;
    }
}

TEST(VariantRecord, ACodeWithoutPayloadKeepsTheVariant)
{
    Variant variant(3);
    ReadFrom(Header(8), [&](CArchive& ar) { ReadVariantRecord(ar, variant); });
    EXPECT_EQ(variant.GetInt(), 3);
    EXPECT_EQ(ArchiveCause([&] {
                  ReadFrom(Header(7) + Bytes(4, 0), [&](CArchive& ar) { ReadVariantRecord(ar, variant); });
              }),
              CArchiveException::endOfFile);
}

TEST(ImageRecord, APresentImageIsDecoded)
{
    const Bytes file = GreyFile();
    ImageRep image;
    ReadFrom(LittleEndian(uint8_t{1}, static_cast<int32_t>(file.size())) + file,
             [&](CArchive& ar) { ReadImageRecord(ar, image); });
    EXPECT_EQ(image.GetWidth(), 4);
    EXPECT_EQ(image.GetHeight(), 4);
}

TEST(ImageRecord, RecordsWithoutUsableBytesLeaveAnEmptyImage)
{
    struct Case {
        const char* what;
        Bytes bytes;
    };
    const Case cases[] = {
        {"size 0", LittleEndian(uint8_t{1}, int32_t{0})},
        {"negative size", LittleEndian(uint8_t{1}, int32_t{-8})},
        {"bytes that are no image", LittleEndian(uint8_t{1}, int32_t{4}) + Ascii("junk")},
    };
    for (const Case& c : cases) {
        ImageRep image;
        image.Create(2, 2, orbisk::imageutils::kFormatRGB, 0, nullptr);
        EXPECT_EQ(BytesLeftAfter(c.bytes, [&](CArchive& ar) { ReadImageRecord(ar, image); }), 0u) << c.what;
        EXPECT_FALSE(image.IsValid()) << c.what;
    }
    ImageRep untouched;
    untouched.Create(2, 2, orbisk::imageutils::kFormatRGB, 0, nullptr);
    ReadFrom(LittleEndian(uint8_t{0}), [&](CArchive& ar) { ReadImageRecord(ar, untouched); });
    EXPECT_TRUE(untouched.IsValid()) << "no image: the record ends after its first byte";
    EXPECT_EQ(ArchiveCause([&] {
                  ReadFrom(LittleEndian(uint8_t{1}, int32_t{0x7FFFFFFF}),
                           [&](CArchive& ar) { ReadImageRecord(ar, untouched); });
              }),
              CArchiveException::endOfFile);
}

TEST_F(StrokeSetRecordTest, LegacyPixelCountsAreConvertedAndValidated)
{
    struct Case {
        int32_t dropoutPixels;
        int32_t fadePixels;
        double dropoutLength;
        double fadeFactor;
    };
    const Case cases[] = {
        {1100, 4400, 0.5, 4.0},
        // A dropout above 1 is refused; the fade is then measured against the old one.
        {4400, 4400, 0.01, 200.0},
        {0, 4400, 0.0, 1.5},
    };
    for (const Case& c : cases) {
        TestStrokeSet read;
        const Bytes bytes = LittleEndian(int32_t{1}, c.dropoutPixels, c.fadePixels) + Tail({}, {}, 0);
        ReadFrom(bytes, [&](CArchive& ar) { ReadNPREdgeRecord(ar, read); });
        EXPECT_DOUBLE_EQ(read.dropoutLength, c.dropoutLength) << c.dropoutPixels;
        EXPECT_DOUBLE_EQ(read.fadeFactor, c.fadeFactor) << c.dropoutPixels;
    }
}

TEST_F(StrokeSetRecordTest, AFadeFactorBelowOneKeepsTheOldValue)
{
    ReadFrom(LittleEndian(int32_t{2}, 0.25, 0.5) + Tail({50, 100}, {}, 0),
             [&](CArchive& ar) { ReadNPREdgeRecord(ar, strokeSet); });
    EXPECT_DOUBLE_EQ(strokeSet.dropoutLength, 0.25);
    EXPECT_DOUBLE_EQ(strokeSet.fadeFactor, 1.5);
    EXPECT_EQ(strokeSet.width, 20);
    EXPECT_FALSE(strokeSet.useHalo);
    EXPECT_EQ(strokeSet.haloLength, 8);
    EXPECT_EQ(strokeSet.numProtos, 2);
    EXPECT_EQ(strokeSet.lengths, (std::vector<int32_t>{50, 100}));
}

TEST_F(StrokeSetRecordTest, ImagesArriveInTextureFormAndSharedImagesAreConvertedOnce)
{
    const Bytes file = GreyFile();
    // The first image (object 2), a back reference to it, and a null reference.
    const Bytes images = NewImage(file) + LittleEndian(uint16_t{2}, uint16_t{0});
    ReadFrom(LittleEndian(int32_t{2}, 0.5, 2.0) + Tail({50}, images, 3),
             [&](CArchive& ar) { ReadNPREdgeRecord(ar, strokeSet); });
    ASSERT_EQ(strokeSet.images.size(), 3u);
    EXPECT_EQ(strokeSet.images[0], strokeSet.images[1]);
    EXPECT_EQ(strokeSet.images[2], nullptr);
    const uint8_t* pixel = strokeSet.images[0]->GetPixels();
    ASSERT_NE(pixel, nullptr);
    EXPECT_EQ(pixel[0], 255) << "white";
    EXPECT_NEAR(pixel[3], 255 - 64, 2) << "as transparent as the stroke was light, once";
}

TEST_F(StrokeSetRecordTest, BadCountsAndCutImageListsFailWithoutLeaking)
{
    const Bytes file = GreyFile();
    struct Case {
        const char* what;
        Bytes tail;
        int cause;
    };
    const Case cases[] = {
        {"negative length count", LittleEndian(int32_t{20}, uint8_t{0}, int32_t{8}, int32_t{2}, int32_t{-1}),
         CArchiveException::genericException},
        {"length count beyond the data",
         LittleEndian(int32_t{20}, uint8_t{0}, int32_t{8}, int32_t{2}, int32_t{1 << 30}),
         CArchiveException::endOfFile},
        {"image count beyond the data", Tail({50}, {}, 1 << 30), CArchiveException::endOfFile},
        {"cut image list", Tail({50}, NewImage(file), 2), CArchiveException::endOfFile},
    };
    for (const Case& c : cases) {
        TestStrokeSet read;
        EXPECT_EQ(ArchiveCause([&] {
                      ReadFrom(LittleEndian(int32_t{2}, 0.5, 2.0) + c.tail,
                               [&](CArchive& ar) { ReadNPREdgeRecord(ar, read); });
                  }),
                  c.cause)
            << c.what;
        EXPECT_TRUE(read.images.empty()) << c.what;
    }
}
