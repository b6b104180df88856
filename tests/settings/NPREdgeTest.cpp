// The stroke set of hand-drawn edges: its setters, the choice of a stroke image, the sets from
// files that cannot draw strokes, its model-file record and its XML form.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <vector>

#include "database/ArchiveSchema.h"
#include "database/Dib.h"
#include "database/VersionMap.h"
#include "image/ImageMemoryRep.h"
#include "settings/NPREdge.h"
#include "settings/StyleRecord.h"
#include "support/DocumentPersister.h"
#include "support/StringUtils.h"
#include "support/XMLNamespaces.h"
#include "support/XercesXMLOutput.h"
#include "tests/settings/XmlTestInput.h"
#include "tests/support/ArchiveBytes.h"
#include "tests/support/XmlTestSupport.h"

using orbisk::NPREdge;

namespace {

const std::wstring kNpr = orbisk::utils::WideFromUtf8String(orbisk::kNPRNamespace);

// A grey image of the given shade, held by the returned reference.
CDibRef GreyImage(uint8_t grey, int size = 4)
{
    CDibRef dib(new CDib);
    std::vector<uint8_t> pixels(static_cast<size_t>(size * size), grey);
    EXPECT_TRUE(dib->CreateFromPixels(size, size, 8, pixels.data(), 1.0));
    return dib;
}

// The encoded file of a small opaque grey image.
Bytes GreyFile()
{
    const CDibRef dib = GreyImage(64);
    const auto* encoded = dib->GetEncodedImage();
    return Bytes(encoded->GetData(), encoded->GetData() + encoded->GetSize());
}

// A set of the lengths with numProtos variants and as many images as given.
std::unique_ptr<NPREdge> StrokeSet(const std::vector<int32_t>& lengths, int32_t numProtos, size_t images)
{
    auto set = std::make_unique<NPREdge>();
    set->SetLengths(lengths);
    set->SetNumProtos(numProtos);
    std::vector<CDibRef> held;
    std::vector<CDib*> pointers;
    for (size_t i = 0; i < images; ++i) {
        held.push_back(GreyImage(static_cast<uint8_t>(10 * i)));
        pointers.push_back(held.back().Get());
    }
    set->SetImages(pointers);
    return set;
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

    NPREdge strokeSet;
};

}  // namespace

TEST(NPREdge, ANewSetHasTheDefaultLookAndNoStrokes)
{
    const NPREdge set;
    EXPECT_EQ(set.GetWidth(), 16);
    EXPECT_TRUE(set.GetUseHalo());
    EXPECT_EQ(set.GetHaloLength(), 6);
    EXPECT_DOUBLE_EQ(set.GetDropoutLength(), 0.01);
    EXPECT_DOUBLE_EQ(set.GetFadeFactor(), 1.5);
    EXPECT_EQ(set.GetImageCount(), 0);
    EXPECT_FALSE(set.HasUsableStrokes());
}

TEST(NPREdge, SettersRefuseFractionsOutOfRange)
{
    struct Case {
        double dropout;
        bool dropoutTaken;
        double fade;
        bool fadeTaken;
    };
    const Case cases[] = {
        {1.0, true, 0.5, false},
        {0.0, true, 1.0, true},
        {-0.01, false, 7.0, true},
        {1.5, false, std::nan(""), false},
        {std::nan(""), false, 0.999, false},
    };
    for (const Case& c : cases) {
        NPREdge set;
        EXPECT_EQ(set.SetDropoutLength(c.dropout), c.dropoutTaken) << c.dropout;
        EXPECT_DOUBLE_EQ(set.GetDropoutLength(), c.dropoutTaken ? c.dropout : 0.01) << c.dropout;
        EXPECT_EQ(set.SetFadeFactor(c.fade), c.fadeTaken) << c.fade;
        EXPECT_DOUBLE_EQ(set.GetFadeFactor(), c.fadeTaken ? c.fade : 1.5) << c.fade;
    }
}

TEST(NPREdge, ALegacyPixelCountOf22IsADropoutOfOneHundredth)
{
    NPREdge set;
    set.SetDropoutLengthPixels(22 * 50);
    set.SetDropoutLengthPixels(22);
    EXPECT_DOUBLE_EQ(set.GetDropoutLength(), 0.01);
    set.SetFadeLengthPixels(66);
    EXPECT_DOUBLE_EQ(set.GetFadeFactor(), 3.0);
}

TEST(NPREdge, TheNearestPrototypeLengthAndTheVariantModuloPickTheStroke)
{
    const auto set = StrokeSet({50, 100, 200}, 3, 9);
    struct Case {
        double length;
        uint32_t variant;
        int image;
    };
    const Case cases[] = {
        {75.0, 0, 0},    // a tie keeps the earlier length
        {76.0, 0, 3},    // nearer to 100
        {75.0, 7, 1},    // variant 7 of 3 is variant 1
        {1000.0, 2, 8},  // beyond the longest
        {-5.0, 4, 1},    // below the shortest
    };
    for (const Case& c : cases)
        EXPECT_EQ(set->GetStrokeImageIndex(c.length, c.variant), c.image) << c.length << " " << c.variant;
    // Distances are whole pixels: 25.6 and 25.4 are both 25, and the tie keeps the first length.
    const auto uneven = StrokeSet({50, 101}, 1, 2);
    EXPECT_EQ(uneven->GetStrokeImageIndex(75.6, 0), 0);
}

TEST(NPREdge, SetsThatCannotDrawStrokesOfferNoStrokeImage)
{
    struct Case {
        const char* what;
        std::vector<int32_t> lengths;
        int32_t numProtos;
        size_t images;
        int32_t width;
    };
    const Case cases[] = {
        {"no variants", {50, 100}, 0, 4, 16},
        {"negative variants", {50, 100}, -2, 4, 16},
        {"no lengths", {}, 2, 4, 16},
        {"zero width", {50, 100}, 2, 4, 0},
        {"negative width", {50, 100}, 2, 4, -3},
        {"fewer images than lengths x variants", {50, 100}, 2, 3, 16},
        {"a huge variant count", {50}, 0x7FFFFFFF, 2, 16},
    };
    for (const Case& c : cases) {
        const auto set = StrokeSet(c.lengths, c.numProtos, c.images);
        set->SetWidth(c.width);
        EXPECT_FALSE(set->HasUsableStrokes()) << c.what;
        for (uint32_t variant : {0u, 1u, 0xFFFFFFFFu})
            EXPECT_EQ(set->GetStrokeImageIndex(100.0, variant), -1) << c.what;
    }
    const auto usable = StrokeSet({50, 100}, 2, 4);
    EXPECT_TRUE(usable->HasUsableStrokes());
    EXPECT_EQ(usable->GetStrokeImageIndex(100.0, 0xFFFFFFFFu), 3);
}

TEST(NPREdge, AMissingImageGivesNoStrokeInsteadOfANullOne)
{
    const CDibRef image = GreyImage(20);
    NPREdge set;
    set.SetLengths({50});
    set.SetNumProtos(2);
    set.SetImages({image.Get(), nullptr});
    EXPECT_EQ(set.GetStrokeImageIndex(50.0, 0), 0);
    EXPECT_EQ(set.GetStrokeImageIndex(50.0, 1), -1);
}

TEST(NPREdge, SetsThatDifferOnlyInTheirImagesAreEqual)
{
    const auto a = StrokeSet({50, 100}, 1, 2);
    const auto b = StrokeSet({50, 100}, 1, 0);
    EXPECT_TRUE(a->Equals(*b));
    b->SetDropoutLength(0.0105);
    EXPECT_TRUE(a->Equals(*b)) << "within 0.001";
    b->SetDropoutLength(0.02);
    EXPECT_FALSE(a->Equals(*b));
    const auto c = StrokeSet({50, 101}, 1, 2);
    EXPECT_FALSE(a->Equals(*c));
    const auto d = StrokeSet({50, 100}, 1, 2);
    d->SetUseHalo(false);
    EXPECT_FALSE(a->Equals(*d));
}

TEST(NPREdge, ACopyHasItsOwnImages)
{
    const auto set = StrokeSet({50}, 2, 2);
    const NPREdge copy(*set);
    EXPECT_TRUE(copy.Equals(*set));
    ASSERT_EQ(copy.GetStoredImageCount(), 2);
    EXPECT_NE(copy.GetImage(0), set->GetImage(0));
    EXPECT_EQ(copy.GetImage(1)->GetRefCount(), 1);
    EXPECT_EQ(copy.GetImage(0)->GetWidth(), 4);
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
        NPREdge read;
        const Bytes bytes = LittleEndian(int32_t{1}, c.dropoutPixels, c.fadePixels) + Tail({}, {}, 0);
        ReadFrom(bytes, [&](CArchive& ar) { ReadNPREdgeRecord(ar, read); });
        EXPECT_DOUBLE_EQ(read.GetDropoutLength(), c.dropoutLength) << c.dropoutPixels;
        EXPECT_DOUBLE_EQ(read.GetFadeFactor(), c.fadeFactor) << c.dropoutPixels;
    }
}

TEST_F(StrokeSetRecordTest, AFadeFactorBelowOneKeepsTheOldValue)
{
    ReadFrom(LittleEndian(int32_t{2}, 0.25, 0.5) + Tail({50, 100}, {}, 0),
             [&](CArchive& ar) { ReadNPREdgeRecord(ar, strokeSet); });
    EXPECT_DOUBLE_EQ(strokeSet.GetDropoutLength(), 0.25);
    EXPECT_DOUBLE_EQ(strokeSet.GetFadeFactor(), 1.5);
    EXPECT_EQ(strokeSet.GetWidth(), 20);
    EXPECT_FALSE(strokeSet.GetUseHalo());
    EXPECT_EQ(strokeSet.GetHaloLength(), 8);
    EXPECT_EQ(strokeSet.GetNumProtos(), 2);
    EXPECT_EQ(strokeSet.GetLengths(), (std::vector<int32_t>{50, 100}));
    EXPECT_FALSE(strokeSet.HasUsableStrokes()) << "four strokes named, none stored";
}

TEST_F(StrokeSetRecordTest, ImagesArriveInTextureFormAndSharedImagesAreConvertedOnce)
{
    const Bytes file = GreyFile();
    // The first image (object 2), a back reference to it, and a null reference.
    const Bytes images = NewImage(file) + LittleEndian(uint16_t{2}, uint16_t{0});
    ReadFrom(LittleEndian(int32_t{2}, 0.5, 2.0) + Tail({50}, images, 3),
             [&](CArchive& ar) { ReadNPREdgeRecord(ar, strokeSet); });
    ASSERT_EQ(strokeSet.GetStoredImageCount(), 3);
    EXPECT_EQ(strokeSet.GetImage(0), strokeSet.GetImage(1));
    EXPECT_EQ(strokeSet.GetImage(2), nullptr);
    EXPECT_EQ(strokeSet.GetImage(0)->GetRefCount(), 2) << "held once per entry";
    const uint8_t* pixel = strokeSet.GetImage(0)->GetPixels();
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
        NPREdge read;
        EXPECT_EQ(ArchiveCause([&] {
                      ReadFrom(LittleEndian(int32_t{2}, 0.5, 2.0) + c.tail,
                               [&](CArchive& ar) { ReadNPREdgeRecord(ar, read); });
                  }),
                  c.cause)
            << c.what;
        EXPECT_EQ(read.GetStoredImageCount(), 0) << c.what;
    }
}

TEST(NPREdgeXML, TheSetIsWrittenWithItsLengthsAndGreyPicturesBesideTheDocument)
{
    orbisk::testing::EmptyTestDocument document;
    orbisk::CurrentPersisterScope persisting(&document);
    const CDibRef dark = GreyImage(30);
    dark->LuminanceToAlpha();
    NPREdge set;
    set.SetLengths({50, 120});
    set.SetNumProtos(1);
    set.SetWidth(12);
    set.SetUseHalo(false);
    set.SetDropoutLength(0.25);
    set.SetFadeFactor(2.0);
    set.SetImages({dark.Get(), nullptr});

    orbisk::IXMLOutput* output = orbisk::CreateXercesXMLOutput(nullptr, L"root", L"", L"");
    ASSERT_NE(output, nullptr);
    ASSERT_TRUE(output->WriteObject(&set, L""));
    const std::wstring text = output->GetText();
    orbisk::ReleaseXercesXMLOutput(output);

    const auto parsed = orbisk::testing::ParsedDocument::FromText(text);
    ASSERT_TRUE(parsed.IsWellFormed()) << text;
    const auto* element = orbisk::testing::Child(parsed.Root(), kNpr, L"nprEdge");
    ASSERT_NE(element, nullptr) << text;
    using orbisk::testing::Attribute;
    EXPECT_EQ(Attribute(element, L"", L"dropoutLength"), L"0.25");
    EXPECT_EQ(Attribute(element, L"", L"fadeFactor"), L"2");
    EXPECT_EQ(Attribute(element, L"", L"width"), L"12");
    EXPECT_EQ(Attribute(element, L"", L"useHalo"), L"0");
    EXPECT_EQ(Attribute(element, L"", L"haloLength"), L"6");
    EXPECT_EQ(Attribute(element, L"", L"numProtos"), L"1");

    const auto* lengths = orbisk::testing::Child(element, kNpr, L"lengths");
    ASSERT_NE(lengths, nullptr);
    std::vector<std::wstring> lengthTexts;
    for (const auto* length : orbisk::testing::ChildElements(lengths)) {
        EXPECT_EQ(orbisk::testing::NameOf(length), (orbisk::testing::ExpandedName{kNpr, L"length"}));
        lengthTexts.push_back(orbisk::testing::TextOf(length));
    }
    EXPECT_EQ(lengthTexts, (std::vector<std::wstring>{L"50", L"120"}));

    const auto* images = orbisk::testing::Child(element, kNpr, L"images");
    ASSERT_NE(images, nullptr);
    const auto references = orbisk::testing::ChildElements(images);
    ASSERT_EQ(references.size(), 1u) << "the missing image is left out";
    const auto path = Attribute(references[0], L"", L"path");
    ASSERT_TRUE(path);
    EXPECT_EQ(*path, L"Stroke_0_50_1.png");
    const CDibRef written(new CDib);
    ASSERT_TRUE(written->LoadFile((std::filesystem::path(document.GetReferencesFolder()) / *path).wstring()));
    const uint8_t* pixel = written->GetPixels();
    ASSERT_NE(pixel, nullptr);
    EXPECT_NEAR(pixel[0], 30, 2) << "the stroke as the grey picture it was drawn as";
    EXPECT_EQ(dark->GetPixels()[0], 255) << "the set's own image stays in texture form";
    EXPECT_NEAR(dark->GetPixels()[3], 255 - 30, 2);

    // Read back: the document loads the files it wrote.
    XmlTestInput input(parsed.Root());
    ASSERT_TRUE(input.EnterElement(kNpr + L":nprEdge"));
    NPREdge read;
    EXPECT_TRUE(read.ReadXML(input));
    EXPECT_TRUE(read.Equals(set));
    ASSERT_EQ(read.GetStoredImageCount(), 1);
    EXPECT_NEAR(read.GetImage(0)->GetPixels()[3], 255 - 30, 2) << "back in texture form";
    EXPECT_FALSE(read.HasUsableStrokes()) << "one of two strokes";
}

TEST(NPREdgeXML, LegacyFractionsAndMissingPartsAreReported)
{
    const auto parsed = orbisk::testing::ParsedDocument::FromText(
        L"<root xmlns:n='" + kNpr +
        L"'><n:nprEdge minLength='22' fadeLength='66' numProtos='1'><n:lengths/></n:nprEdge></root>");
    ASSERT_TRUE(parsed.IsWellFormed());
    XmlTestInput input(parsed.Root());
    ASSERT_TRUE(input.EnterElement(kNpr + L":nprEdge"));
    NPREdge read;
    EXPECT_FALSE(read.ReadXML(input)) << "no width and no length";
    EXPECT_DOUBLE_EQ(read.GetDropoutLength(), 0.01);
    EXPECT_DOUBLE_EQ(read.GetFadeFactor(), 3.0);
    EXPECT_EQ(read.GetNumProtos(), 1);
}
