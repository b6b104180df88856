// Serialised images: the record in every schema, decoding on first use, sharing, the pixel
// counts, encoding rules and files.

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "database/ArchiveSchema.h"
#include "database/Dib.h"
#include "database/VersionMap.h"
#include "image/ImageFileType.h"
#include "image/ImageMemoryRep.h"
#include "image/ImageRep.h"
#include "tests/model/ModelTestSupport.h"
#include "tests/support/ArchiveBytes.h"
#include "tests/support/TempFolder.h"

using orbisk::imageutils::ImageRep;
using orbisk::imageutils::kImageFileJPEG;
using orbisk::imageutils::kImageFilePNG;

namespace {

// Pixels in memory order blue, green, red (, alpha).
std::vector<uint8_t> Pixels(int width, int height, std::vector<uint8_t> pixel)
{
    std::vector<uint8_t> pixels;
    for (int i = 0; i < width * height; ++i)
        pixels.insert(pixels.end(), pixel.begin(), pixel.end());
    return pixels;
}

CDibRef MadeFrom(int width, int height, int bits, std::vector<uint8_t> pixel)
{
    CDibRef dib(new CDib);
    EXPECT_TRUE(dib->CreateFromPixels(width, height, bits, Pixels(width, height, pixel).data(), 1.0));
    return dib;
}

Bytes FileOf(const CDib& dib)
{
    const auto* encoded = dib.GetEncodedImage();
    return encoded ? Bytes(encoded->GetData(), encoded->GetData() + encoded->GetSize()) : Bytes();
}

// The encoded file of an opaque image made from pixels: PNG for 32 bits, JPEG otherwise.
Bytes EncodedFile(int bits)
{
    std::vector<uint8_t> pixel(static_cast<size_t>(bits / 8), 200);
    if (bits == 32)
        pixel.back() = 255;
    return FileOf(*MadeFrom(8, 4, bits, pixel).Get());
}

class DibTest : public ::testing::Test {
protected:
    ~DibTest() override { SetCurrentVersionMap(nullptr); }

    static void UseSchema(int32_t schema)
    {
        auto map = std::make_unique<CVersionMap>();
        map->Set("CDib", schema);
        SetCurrentVersionMap(map.release());
    }

    // Reads one record body with the schema; every byte must be consumed.
    static CDibRef Read(int32_t schema, const Bytes& body)
    {
        UseSchema(schema);
        CDibRef dib(new CDib);
        EXPECT_EQ(BytesLeftAfter(body, [&](CArchive& ar) { dib->Serialize(ar); }), 0u) << "schema " << schema;
        return dib;
    }

    static Bytes Sized(const Bytes& file) { return LittleEndian(static_cast<int32_t>(file.size())) + file; }
};

TEST_F(DibTest, EverySchemaReadsBackTheEncodedImage)
{
    const Bytes png = EncodedFile(32);
    const Bytes jpeg = EncodedFile(24);
    struct Case {
        int32_t schema;
        Bytes body;
        int type;
    };
    const Case cases[] = {
        {1, Sized(png), kImageFilePNG},
        {2, LittleEndian(int32_t{4}) + Sized(png), kImageFilePNG},
        {2, LittleEndian(int32_t{1}) + Sized(jpeg), kImageFileJPEG},
        {3, LittleEndian(int32_t{1}) + Sized(jpeg) + LittleEndian(int32_t{85}), kImageFileJPEG},
        {3, LittleEndian(int32_t{4}) + Sized(png), kImageFilePNG},
    };
    for (const Case& c : cases) {
        CDibRef dib = Read(c.schema, c.body);
        ASSERT_TRUE(dib->HasData()) << c.schema;
        EXPECT_EQ(dib->GetEncodedImage()->GetType(), c.type) << c.schema;
        EXPECT_EQ(dib->GetWidth(), 8);
        EXPECT_EQ(dib->GetHeight(), 4);
        EXPECT_TRUE(dib->IsValid());
    }
}

TEST_F(DibTest, OnlySchema3StoresTheJpegQuality)
{
    const Bytes jpeg = EncodedFile(24);
    EXPECT_EQ(Read(3, LittleEndian(int32_t{1}) + Sized(jpeg) + LittleEndian(int32_t{85}))
                  ->GetEncodedImage()
                  ->GetQuality(),
              85);
    const int estimated = Read(2, LittleEndian(int32_t{1}) + Sized(jpeg))->GetEncodedImage()->GetQuality();
    EXPECT_GE(estimated, 60);
    EXPECT_LE(estimated, 80) << "estimated from bytes encoded at 70";
}

TEST_F(DibTest, RecordsWithoutBytesLeaveNoData)
{
    struct Case {
        const char* what;
        int32_t schema;
        Bytes body;
    };
    const Case cases[] = {
        {"schema 0", 0, {}},
        {"size 0", 2, LittleEndian(int32_t{4}, int32_t{0})},
        {"negative size", 3, LittleEndian(int32_t{4}, int32_t{-5})},
        {"negative size of a JPEG", 3, LittleEndian(int32_t{1}, int32_t{-5}, int32_t{90})},
        {"bytes that are no image", 1, Sized(Ascii("not an image at all"))},
    };
    for (const Case& c : cases) {
        CDibRef dib = Read(c.schema, c.body);
        EXPECT_FALSE(dib->HasData()) << c.what;
        EXPECT_EQ(dib->GetImageRep(), nullptr) << c.what;
        EXPECT_EQ(dib->GetImageRep(), nullptr) << c.what;
        EXPECT_TRUE(dib->IsOpaque()) << c.what;
        EXPECT_FALSE(dib->HasOpaquePixels()) << c.what;
    }
    EXPECT_TRUE(Read(2, LittleEndian(int32_t{4}, int32_t{0}))->IsValid()) << "no encoded image is valid";
}

TEST_F(DibTest, ASizeBeyondTheDataIsRefusedBeforeAllocating)
{
    UseSchema(2);
    for (int32_t size : {0x7FFFFFFF, 100}) {
        const CDibRef dib(new CDib);
        const Bytes body = LittleEndian(int32_t{4}, size) + Bytes(10, 0);
        EXPECT_EQ(ArchiveCause([&] { ReadFrom(body, [&](CArchive& ar) { dib->Serialize(ar); }); }),
                  CArchiveException::endOfFile)
            << size;
        EXPECT_FALSE(dib->HasData());
    }
}

TEST_F(DibTest, PixelsAreDecodedOnFirstUse)
{
    CDibRef dib = Read(1, Sized(EncodedFile(32)));
    EXPECT_EQ(dib->GetOpaqueCount(), 0) << "nothing decoded yet";
    ASSERT_NE(dib->GetImageRep(), nullptr);
    EXPECT_EQ(dib->GetOpaqueCount(), 32);
    EXPECT_NE(dib->GetPixels(), nullptr);
    EXPECT_EQ(dib->GetImageRep(), dib->GetImageRep()) << "decoded once";
}

TEST_F(DibTest, RecordsNamingTheSameImageShareOneObject)
{
    UseSchema(1);
    const Bytes bytes = LittleEndian(uint16_t{0xFFFF}, uint16_t{1}, uint16_t{4}) + Ascii("CDib") +
                        Sized(EncodedFile(32)) + LittleEndian(uint16_t{2});
    CObject* first = nullptr;
    CObject* second = nullptr;
    ReadFrom(bytes, [&](CArchive& ar) {
        first = ar.ReadObject(RUNTIME_CLASS(CDib));
        second = ar.ReadObject(RUNTIME_CLASS(CDib));
    });
    EXPECT_EQ(first, second);
    auto* dib = static_cast<CDib*>(first);
    dib->AddRef();
    dib->AddRef();
    dib->Release();
    EXPECT_EQ(dib->GetRefCount(), 1);
    dib->Release();  // deletes it
}

TEST_F(DibTest, TheLastHolderFreesTheImageAndNothingElseCan)
{
    static_assert(!std::is_destructible_v<CDib>, "an image goes only by its count");
    CDibRef first = MadeFrom(2, 2, 24, {1, 2, 3});
    CDibRef second = first;
    EXPECT_EQ(first->GetRefCount(), 2);
    first.Reset();
    EXPECT_EQ(second->GetRefCount(), 1) << "the image lives on for the other holder";
    CDibRef moved = std::move(second);
    EXPECT_EQ(moved->GetRefCount(), 1);
    EXPECT_FALSE(second);
}

TEST_F(DibTest, TheRecordRoundTrips)
{
    for (int bits : {24, 32}) {
        const CDibRef dib = MadeFrom(5, 3, bits, std::vector<uint8_t>(static_cast<size_t>(bits / 8), 90));
        const Bytes written = WrittenBy([&](CArchive& ar) { dib->Serialize(ar); });
        CDibRef read = Read(3, written);
        EXPECT_EQ(FileOf(*read.Get()), FileOf(*dib.Get())) << bits;
        EXPECT_EQ(read->GetEncodedImage()->GetType(), dib->GetEncodedImage()->GetType()) << bits;
    }
}

TEST_F(DibTest, SettingPixelsEncodesAlphaAsPngAndTheRestAsJpeg)
{
    struct Case {
        int bits;
        int type;
    };
    for (const Case& c : {Case{32, kImageFilePNG}, Case{24, kImageFileJPEG}, Case{8, kImageFileJPEG}}) {
        const CDibRef dib =
            MadeFrom(4, 4, c.bits, std::vector<uint8_t>(static_cast<size_t>(c.bits / 8), 128));
        EXPECT_EQ(dib->GetEncodedImage()->GetType(), c.type) << c.bits;
        if (c.type == kImageFileJPEG) {
            EXPECT_EQ(dib->GetEncodedImage()->GetQuality(), 70);
        }
    }
    const CDibRef dib(new CDib);
    EXPECT_FALSE(dib->CreateFromPixels(4, 4, 16, Pixels(4, 4, {0, 0}).data(), 1.0));
    EXPECT_FALSE(dib->SetImageRep(nullptr));
}

TEST_F(DibTest, ScalingFromPixelsAndScaledCopies)
{
    const CDibRef scaled(new CDib);
    ASSERT_TRUE(scaled->CreateFromPixels(8, 4, 24, Pixels(8, 4, {1, 2, 3}).data(), 0.5));
    EXPECT_EQ(scaled->GetWidth(), 4);
    EXPECT_EQ(scaled->GetHeight(), 2);
    const CDibRef copy(CDib::MakeScaledCopy(2, scaled.Get()));
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->GetWidth(), 2);
    EXPECT_EQ(copy->GetHeight(), 1);
    EXPECT_EQ(CDib::MakeScaledCopy(2, nullptr), nullptr);
}

TEST_F(DibTest, AlphaCountsTellOpaqueAndPartlyTransparentImages)
{
    EXPECT_TRUE(MadeFrom(3, 3, 24, {10, 20, 30})->IsOpaque());
    std::vector<uint8_t> pixels = Pixels(3, 3, {10, 20, 30, 255});
    pixels[3] = 128;
    pixels[7] = 0;
    const CDibRef dib(new CDib);
    ASSERT_TRUE(dib->CreateFromPixels(3, 3, 32, pixels.data(), 1.0));
    EXPECT_FALSE(dib->IsOpaque());
    EXPECT_TRUE(dib->HasPartialAlpha());
    EXPECT_TRUE(dib->HasTransparentPixels());
    EXPECT_TRUE(dib->HasOpaquePixels());
    EXPECT_EQ(dib->GetPartialCount(), 1);
}

TEST_F(DibTest, LuminanceBecomesAlphaAndBack)
{
    CDibRef dib = MadeFrom(2, 2, 24, {30, 60, 90});
    ASSERT_TRUE(dib->LuminanceToAlpha());
    const uint8_t* pixel = dib->GetPixels();
    ASSERT_EQ(dib->GetImageRep()->GetBytesPerPixel(), 4);
    EXPECT_EQ(pixel[0], 255);
    EXPECT_NEAR(pixel[3], 255 - 60, 3) << "alpha is 255 minus the mean of the (JPEG-decoded) channels";
    EXPECT_EQ(dib->GetEncodedImage()->GetType(), kImageFileJPEG) << "the encoded image stays as it was";
    EXPECT_TRUE(dib->AlphaToGrey());
    EXPECT_NEAR(dib->GetPixels()[0], 60, 3);
}

TEST_F(DibTest, CopiesAreDeepAndStartUncounted)
{
    const CDibRef original = MadeFrom(4, 4, 32, {1, 2, 3, 255});
    auto* made = new CDib;
    made->Assign(*original.Get());
    EXPECT_EQ(made->GetRefCount(), 0);
    const CDibRef copy(made);
    EXPECT_EQ(original->GetRefCount(), 1);
    EXPECT_TRUE(copy->Equals(original.Get()));
    EXPECT_NE(copy->GetEncodedImage(), original->GetEncodedImage());
    EXPECT_NE(copy->GetImageRep(), original->GetImageRep());
    EXPECT_EQ(copy->GetOpaqueCount(), 16);
    EXPECT_FALSE(copy->Equals(nullptr));
    EXPECT_FALSE(copy->Equals(MadeFrom(4, 4, 32, {9, 2, 3, 255}).Get()));
}

TEST_F(DibTest, ResizingCanReencode)
{
    CDibRef dib = MadeFrom(8, 8, 32, {1, 2, 3, 255});
    ASSERT_TRUE(dib->Resize(4, 2, true));
    EXPECT_EQ(dib->GetEncodedImage()->GetWidth(), 4);
    EXPECT_EQ(dib->GetOpaqueCount(), 8);
    ASSERT_TRUE(dib->Resize(2, 2, false));
    EXPECT_EQ(dib->GetEncodedImage()->GetWidth(), 4) << "the bytes stay";
    EXPECT_EQ(dib->GetWidth(), 2) << "the pixels answer first";
}

TEST_F(DibTest, FilesAreLoadedAndSavedUnchangedWhenTheTypeMatches)
{
    TempFolder folder;
    CDibRef dib = MadeFrom(6, 6, 32, {40, 50, 60, 255});
    const std::wstring dir = folder.Wide();
    ASSERT_TRUE(dib->SaveFile(dir + L"/same.png"));
    ASSERT_TRUE(dib->SaveFile(dir + L"/other.jpg"));
    EXPECT_TRUE(dib->CanSaveAs(dir + L"/x.tiff"));
    EXPECT_FALSE(dib->CanSaveAs(dir + L"/x.gif"));
    EXPECT_FALSE(dib->SaveFile(dir + L"/x.gif"));

    const CDibRef same(new CDib);
    const CDibRef other(new CDib);
    ASSERT_TRUE(same->LoadFile(dir + L"/same.png"));
    EXPECT_EQ(FileOf(*same.Get()), FileOf(*dib.Get())) << "the PNG bytes were written as they were";
    ASSERT_TRUE(other->LoadFile(dir + L"/other.jpg"));
    EXPECT_EQ(other->GetEncodedImage()->GetType(), kImageFileJPEG);
    EXPECT_FALSE(other->LoadFile(dir + L"/missing.png"));
    EXPECT_FALSE(other->HasData());
}

}  // namespace
