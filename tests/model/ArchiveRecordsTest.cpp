// The records of typed values and scene pictures inside entity records (the stroke set's record
// is tested with the stroke set).

#include <gtest/gtest.h>

#include <vector>

#include "database/ArchiveRecords.h"
#include "database/Dib.h"
#include "image/ImageMemoryRep.h"
#include "image/ImageRep.h"
#include "support/Variant.h"
#include "tests/support/ArchiveBytes.h"

using orbisk::Variant;
using orbisk::imageutils::ImageRep;

namespace {

Bytes Header(int32_t code)
{
    return LittleEndian(int32_t{1}, code);
}

// The encoded file of a small opaque grey image.
Bytes GreyFile()
{
    const CDibRef dib(new CDib);
    std::vector<uint8_t> pixels(16, 64);
    EXPECT_TRUE(dib->CreateFromPixels(4, 4, 8, pixels.data(), 1.0));
    const auto* encoded = dib->GetEncodedImage();
    return Bytes(encoded->GetData(), encoded->GetData() + encoded->GetSize());
}

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
