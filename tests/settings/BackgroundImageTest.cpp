// The background photo: its frame geometry, the matched pan and zoom, its stored paths, its
// record of every version, its uses and its self-check.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "database/CurrentArchivePath.h"
#include "database/Dib.h"
#include "database/UndoManager.h"
#include "database/Validity.h"
#include "image/ImageMemoryRep.h"
#include "settings/BackgroundImage.h"
#include "settings/Camera.h"
#include "settings/ViewDefinition.h"
#include "tests/settings/SettingsTestSupport.h"
#include "tests/support/SceneRecords.h"

using orbisk::geometry::CPoint3d;

namespace {

constexpr double kTolerance = 1e-9;

CDibRef GreyImage(int width, int height)
{
    CDibRef dib(new CDib);
    std::vector<uint8_t> pixels(static_cast<size_t>(width * height), 100);
    EXPECT_TRUE(dib->CreateFromPixels(width, height, 8, pixels.data(), 1.0));
    return dib;
}

// A new CDib object with its record (schema 1: the encoded file).
Bytes DibObject(int width, int height)
{
    const CDibRef dib = GreyImage(width, height);
    const auto* encoded = dib->GetEncodedImage();
    const Bytes file(encoded->GetData(), encoded->GetData() + encoded->GetSize());
    return NewObject("CDib") + LittleEndian(static_cast<int32_t>(file.size())) + file;
}

// A photo of the size (no image) shifted by the offset.
std::unique_ptr<CBackgroundImage> SizedPhoto(int width, int height, CPoint3d offset = {})
{
    auto photo = std::make_unique<CBackgroundImage>();
    const CDibRef image = GreyImage(width, height);
    photo->SetImage(image.Get());
    photo->SetOffset(offset);
    return photo;
}

class BackgroundImageTest : public ::testing::Test {
protected:
    // Reads the record of the class version into a new photo; the bytes must be used up.
    std::unique_ptr<CBackgroundImage> Read(const Bytes& body, int32_t version)
    {
        ScopedSchemas schemas({{"CBackgroundImage", version}, {"CDib", 1}});
        auto photo = std::make_unique<CBackgroundImage>();
        EXPECT_EQ(BytesLeftAfter(EntityPart() + body, [&](CArchive& ar) { photo->Serialize(ar); }), 0u)
            << "version " << version;
        return photo;
    }

    CZephyronModel model;

    CCurrentModelScope current{&model};
};

void ExpectRect(const CBackgroundImage::Rect& rect, double l, double r, double b, double t)
{
    EXPECT_NEAR(rect.left, l, kTolerance);
    EXPECT_NEAR(rect.right, r, kTolerance);
    EXPECT_NEAR(rect.bottom, b, kTolerance);
    EXPECT_NEAR(rect.top, t, kTolerance);
}

}  // namespace

TEST_F(BackgroundImageTest, OffsetsWidenTheFrameAndPlaceThePhotoInIt)
{
    struct Case {
        const char* what;
        CPoint3d offset;
        double aspect;
        // Where the photo's corners (0, 0) and (a, 1) land in the frame.
        double x0, y0, x1, y1;
    };
    const Case cases[] = {
        {"no offset", {0, 0, 0}, 4.0 / 3, -2.0 / 3, -0.5, 2.0 / 3, 0.5},
        {"shifted right", {0.25, 0, 0}, 11.0 / 6, -11.0 / 12, -0.5, 5.0 / 12, 0.5},
        {"shifted left", {-0.25, 0, 0}, 11.0 / 6, -5.0 / 12, -0.5, 11.0 / 12, 0.5},
        {"shifted down", {0, -0.25, 0}, (4.0 / 3) / 1.5, -4.0 / 9, -1.0 / 6, 4.0 / 9, 0.5},
        {"shifted up", {0, 0.25, 0}, (4.0 / 3) / 1.5, -4.0 / 9, -0.5, 4.0 / 9, 1.0 / 6},
    };
    for (const Case& c : cases) {
        const auto photo = SizedPhoto(1600, 1200, c.offset);
        EXPECT_NEAR(photo->ComputeAspect(), c.aspect, kTolerance) << c.what;
        const auto frame = photo->ComputeFrameTransform();
        const CPoint3d low = frame.MultiplyPoint(CPoint3d(0, 0, 0));
        const CPoint3d high = frame.MultiplyPoint(CPoint3d(4.0 / 3, 1, 7));
        EXPECT_NEAR(low.x, c.x0, kTolerance) << c.what;
        EXPECT_NEAR(low.y, c.y0, kTolerance) << c.what;
        EXPECT_NEAR(high.x, c.x1, kTolerance) << c.what;
        EXPECT_NEAR(high.y, c.y1, kTolerance) << c.what;
        EXPECT_NEAR(high.z, 7.0, kTolerance) << c.what << ": depth is left alone";
    }
    PhotoFields flat;
    flat.height = 0;
    EXPECT_NEAR(Read(PhotoRecord(flat, 10), 10)->ComputeAspect(), 1.0, kTolerance) << "no height: square";
}

TEST_F(BackgroundImageTest, TheViewportShowsTheWholeFrameAndFollowsTheCamerasZoom)
{
    const auto photo = SizedPhoto(1600, 1200);
    CViewDefinition view;
    view.SetViewportSize(200, 100);
    ExpectRect(photo->ComputePhotoRect(view), -1, 1, -0.5, 0.5);
    view.SetViewportSize(100, 100);
    ExpectRect(photo->ComputePhotoRect(view), -2.0 / 3, 2.0 / 3, -2.0 / 3, 2.0 / 3);

    view.SetViewportSize(200, 100);
    CCamera camera = view.GetCamera();
    camera.Set2DPanZoom(true, 0.5, 0.0, 0.0);
    view.SetCamera(camera);
    ExpectRect(photo->ComputePhotoRect(view), -0.5, 0.5, -0.25, 0.25);

    view.SetViewportSize(0, 100);
    ExpectRect(photo->ComputePhotoRect(view), 0, 0, 0, 0);
}

TEST_F(BackgroundImageTest, TheMatchedPanAndZoomFitThePhotoToTheView)
{
    struct Case {
        const char* what;
        CPoint3d offset;
        double viewAspect;
        double scale, offsetX, offsetY;
    };
    const Case cases[] = {
        {"centred, wide view", {0, 0, 0}, 2.0, 1.0, 0.0, 0.0},
        {"centred, narrow view", {0, 0, 0}, 1.0, 1.0, 0.0, 0.0},
        {"shifted, wide view", {0.25, 0, 0}, 2.0, 1.0, -0.25, 0.0},
        {"shifted, narrow view", {0.25, 0, 0}, 1.0, 8.0 / 11, -3.0 / 11, 0.0},
        {"a view without aspect", {0.25, 0, 0}, 0.0, 1.0, 0.0, 0.0},
    };
    for (const Case& c : cases) {
        const auto pz = SizedPhoto(1600, 1200, c.offset)->ComputeMatchedPanZoom(c.viewAspect);
        EXPECT_NEAR(pz.scale, c.scale, kTolerance) << c.what;
        EXPECT_NEAR(pz.offsetX, c.offsetX, kTolerance) << c.what;
        EXPECT_NEAR(pz.offsetY, c.offsetY, kTolerance) << c.what;
    }
}

TEST_F(BackgroundImageTest, TheCameraFramesExactlyThePhoto)
{
    const auto photo = SizedPhoto(1600, 1200, {0.25, 0, 0});
    CCamera camera;
    camera.Set2DPanZoom(false, 0.5, 0.1, 0.2);
    photo->ApplyAspectToCamera(camera);
    EXPECT_TRUE(camera.Is2DPanZoomEnabled());
    EXPECT_DOUBLE_EQ(camera.Get2DScale(), 0.5) << "pan and zoom kept";
    EXPECT_NEAR(camera.GetImageAspect(), 11.0 / 6, kTolerance);
}

TEST_F(BackgroundImageTest, ThePlaceholderIsHalfAsWideAsTheViewAndSkipsAnUnmeasuredText)
{
    EXPECT_EQ(CBackgroundImage::ComputePlaceholderTextSize(400, 100.0), 20);
    EXPECT_EQ(CBackgroundImage::ComputePlaceholderTextSize(300, 40.0), 38);
    for (double width : {0.0, -5.0, std::nan("")})
        EXPECT_EQ(CBackgroundImage::ComputePlaceholderTextSize(400, width), 0) << width;
    EXPECT_EQ(CBackgroundImage::ComputePlaceholderTextSize(400, 1e-300), 0) << "no overflowing size";
}

TEST_F(BackgroundImageTest, StoredPathsAreWindowsTextRelativeToTheModelFolder)
{
    struct Case {
        const char* stored;
        const wchar_t* modelPath;
        const wchar_t* resolved;
    };
    const Case cases[] = {
        {".\\photos\\site.jpg", L"D:\\work\\model.zph", L"D:\\work\\photos\\site.jpg"},
        {"./photos/site.jpg", L"D:/work/model.zph", L"D:\\work\\photos\\site.jpg"},
        {".\\site.jpg", L"D:model.zph", L"D:\\site.jpg"},
        {"E:\\elsewhere\\site.jpg", L"D:\\work\\model.zph", L"E:\\elsewhere\\site.jpg"},
        {".\\photos\\site.jpg", L"", L".\\photos\\site.jpg"},
        {"./photos/site.jpg", L"", L"./photos/site.jpg"},
    };
    for (const Case& c : cases) {
        CCurrentArchivePathScope modelFile(c.modelPath);
        PhotoFields fields;
        fields.path = c.stored;
        const auto photo = Read(PhotoRecord(fields, 9), 9);
        EXPECT_EQ(photo->GetPath(), CString(c.resolved))
            << c.stored << " in " << CString(c.modelPath).GetString();
    }
    EXPECT_EQ(CurrentArchivePath(), CString());

    EXPECT_EQ(CBackgroundImage::MakeStoredPath(L"d:\\WORK\\photos\\a.jpg", L"D:\\work\\m.zph"),
              CString(L".\\photos\\a.jpg"));
    EXPECT_EQ(CBackgroundImage::MakeStoredPath(L"D:/work/a.jpg", L"D:\\work\\m.zph"), CString(L".\\a.jpg"));
    EXPECT_EQ(CBackgroundImage::MakeStoredPath(L"D:\\workshop\\a.jpg", L"D:\\work\\m.zph"),
              CString(L"D:\\workshop\\a.jpg"));
    EXPECT_EQ(CBackgroundImage::MakeStoredPath(L"D:\\work\\a.jpg", L""), CString(L"D:\\work\\a.jpg"));
}

TEST_F(BackgroundImageTest, EveryVersionReadsItsOwnFields)
{
    PhotoFields fields;
    fields.path = "C:\\p.jpg";
    fields.mode = 2;
    fields.width = 640;
    fields.height = 480;
    fields.reserved = 9;
    fields.fileTime = -2;
    fields.shown = false;
    fields.opacity = 0.25;
    fields.points = {{1, 2, 3}, {4, 5, 6}};
    fields.offset = {0.1, 0.2, 0.3};
    fields.depth = 5.0;
    fields.pairCount = 3;
    fields.extra = 77;
    struct Case {
        int version;
        int32_t mode;
        int32_t width;
        int64_t fileTime;
        double offsetX;
        double depth;
        int32_t extra;
    };
    const Case cases[] = {
        {0, 0, 0, 0, 0.0, 0.0, 0},     {1, 0, 0, 0, 0.0, 0.0, 0},       {2, 2, 0, 0, 0.0, 0.0, 0},
        {3, 2, 640, 0, 0.0, 0.0, 0},   {4, 2, 640, -2, 0.0, 0.0, 0},    {5, 2, 640, -2, 0.0, 0.0, 0},
        {6, 2, 640, -2, 0.1, 0.0, 0},  {7, 2, 640, -2, 0.1, -5.0, 0},   {8, 2, 640, -2, 0.1, -5.0, 0},
        {9, 2, 640, -2, 0.1, -5.0, 0}, {10, 2, 640, -2, 0.1, -5.0, 77},
    };
    for (const Case& c : cases) {
        const auto photo = Read(PhotoRecord(fields, c.version), c.version);
        EXPECT_EQ(photo->GetPath(), CString(L"C:\\p.jpg")) << c.version;
        EXPECT_EQ(photo->GetMode(), c.mode) << c.version;
        EXPECT_EQ(photo->GetWidth(), c.width) << c.version;
        EXPECT_EQ(photo->GetFileTime(), c.fileTime) << c.version;
        EXPECT_FALSE(photo->IsShown()) << c.version;
        EXPECT_DOUBLE_EQ(photo->GetOpacity(), 0.25) << c.version;
        EXPECT_EQ(photo->GetPoints().size(), 2u) << c.version;
        EXPECT_DOUBLE_EQ(photo->GetOffset().x, c.offsetX) << c.version;
        EXPECT_DOUBLE_EQ(photo->GetDepth(), c.depth) << c.version;
        EXPECT_EQ(photo->GetExtra(), c.extra) << c.version;
    }
}

TEST_F(BackgroundImageTest, ImagesOfEveryFormLandInTheirPlace)
{
    PhotoFields linked;
    linked.mode = 2;
    linked.image = DibObject(8, 6);
    const auto thumbnailOnly = Read(PhotoRecord(linked, 10), 10);
    EXPECT_EQ(thumbnailOnly->GetImage(), nullptr);
    ASSERT_NE(thumbnailOnly->GetThumbnail(), nullptr);
    EXPECT_EQ(thumbnailOnly->GetDisplayImage(), thumbnailOnly->GetThumbnail());
    EXPECT_FALSE(thumbnailOnly->IsEmbedded());

    PhotoFields embedded;
    embedded.image = DibObject(8, 6);
    const auto full = Read(PhotoRecord(embedded, 3), 3);
    ASSERT_NE(full->GetImage(), nullptr);
    EXPECT_EQ(full->GetThumbnail(), nullptr);
    EXPECT_TRUE(full->IsEmbedded());

    PhotoFields old;
    old.oldImage = Bytes{1} + LittleEndian(int32_t{0});
    {
        const CDibRef image = GreyImage(8, 6);
        const auto* encoded = image->GetEncodedImage();
        const Bytes file(encoded->GetData(), encoded->GetData() + encoded->GetSize());
        old.oldImage = Bytes{1} + LittleEndian(static_cast<int32_t>(file.size())) + file;
    }
    const auto inPlace = Read(PhotoRecord(old, 0), 0);
    ASSERT_NE(inPlace->GetImage(), nullptr);
    EXPECT_EQ(inPlace->GetWidth(), 8) << "the size of an old record's image";
    EXPECT_EQ(inPlace->GetHeight(), 6);

    old.oldImage = DibObject(5, 4);
    const auto referenced = Read(PhotoRecord(old, 1), 1);
    ASSERT_NE(referenced->GetImage(), nullptr);
    EXPECT_EQ(referenced->GetWidth(), 5);
}

TEST_F(BackgroundImageTest, DamagedCountsFailBeforeAnythingIsAllocated)
{
    PhotoFields fields;
    const Bytes good = PhotoRecord(fields, 8);
    // The point count sits after path, mode, image, size, time, shown and opacity.
    const size_t countAt = 1 + fields.path.size() + 4 + 2 + 12 + 4 + 1 + 8;
    struct Case {
        const char* what;
        int32_t count;
        int cause;
    };
    const Case cases[] = {
        {"negative point count", -1, CArchiveException::genericException},
        {"point count beyond the data", 0x7FFFFFFF, CArchiveException::endOfFile},
    };
    for (const Case& c : cases) {
        Bytes bad = good;
        std::memcpy(bad.data() + countAt, &c.count, sizeof c.count);
        ScopedSchemas schemas({{"CBackgroundImage", 8}});
        CBackgroundImage photo;
        EXPECT_EQ(
            ArchiveCause([&] { ReadFrom(EntityPart() + bad, [&](CArchive& ar) { photo.Serialize(ar); }); }),
            c.cause)
            << c.what;
    }
    fields.pairCount = 0;
    Bytes pairs = PhotoRecord(fields, 8);
    const int32_t hugePairs = 0x10000000;
    std::memcpy(pairs.data() + pairs.size() - 4, &hugePairs, sizeof hugePairs);
    ScopedSchemas schemas({{"CBackgroundImage", 8}});
    CBackgroundImage photo;
    EXPECT_EQ(
        ArchiveCause([&] { ReadFrom(EntityPart() + pairs, [&](CArchive& ar) { photo.Serialize(ar); }); }),
        CArchiveException::endOfFile);
}

TEST_F(BackgroundImageTest, ALinkedPhotoKeepsAThumbnailOfItsImage)
{
    CBackgroundImage photo;
    const CDibRef image = GreyImage(400, 200);
    photo.SetImage(image.Get());
    EXPECT_EQ(photo.GetWidth(), 400);
    photo.SetMode(CBackgroundImage::kModeLinked);
    ASSERT_NE(photo.GetThumbnail(), nullptr);
    EXPECT_EQ(photo.GetThumbnail()->GetWidth(), 128);
    EXPECT_EQ(photo.GetThumbnail()->GetHeight(), 64);
    EXPECT_EQ(photo.GetThumbnail()->GetRefCount(), 1);
    photo.SetMode(-1);
    EXPECT_EQ(photo.GetMode(), 0);
    EXPECT_EQ(photo.GetThumbnail(), nullptr);
    photo.SetImage(nullptr);
    EXPECT_EQ(photo.GetWidth(), 400) << "no image keeps the size";
}

TEST_F(BackgroundImageTest, ACopyHasTheSettingsButNoImage)
{
    const auto photo = SizedPhoto(400, 200, {0.5, 0, 0});
    photo->SetMode(CBackgroundImage::kModeLinked);
    photo->AddUse();
    std::unique_ptr<CBackgroundImage> copy(static_cast<CBackgroundImage*>(photo->CreateCopy()));
    EXPECT_EQ(copy->GetMode(), CBackgroundImage::kModeLinked);
    EXPECT_EQ(copy->GetUseCount(), 1);
    EXPECT_DOUBLE_EQ(copy->GetOffset().x, 0.5);
    EXPECT_EQ(copy->GetImage(), nullptr);
    EXPECT_EQ(copy->GetThumbnail(), nullptr);
    EXPECT_EQ(copy->GetWidth(), 0);

    CBackgroundImage other;
    other.SetImage(GreyImage(10, 10).Get());
    other.SwapContents(*photo);
    EXPECT_EQ(other.GetMode(), CBackgroundImage::kModeLinked);
    ASSERT_NE(other.GetThumbnail(), nullptr) << "made from its own image";
    EXPECT_EQ(other.GetThumbnail()->GetWidth(), 128);
    EXPECT_EQ(other.GetUseCount(), 1);
    EXPECT_EQ(photo->GetMode(), 0);
    EXPECT_EQ(photo->GetThumbnail(), nullptr);
    EXPECT_EQ(photo->GetWidth(), 400) << "images and sizes stay";
}

TEST_F(BackgroundImageTest, TheLastReleasedUseErasesThePhoto)
{
    CSuspendUndo noRecording(true);
    auto* photo = new CBackgroundImage;
    EXPECT_EQ(photo->AddUse(), 1);
    EXPECT_EQ(photo->AddUse(), 2);
    EXPECT_EQ(photo->ReleaseUse(), 1);
    // Without undo recording the erase deletes it: the sanitizer reports a leak otherwise.
    EXPECT_EQ(photo->ReleaseUse(), 0);
    CBackgroundImage unused;
    EXPECT_EQ(unused.ReleaseUse(), 0) << "never below 0, and no erase";
}

TEST_F(BackgroundImageTest, AnOpacityOutOfRangeIsRepairedToOpaque)
{
    CValidityCheckScope checks;
    PhotoFields fields;
    fields.opacity = 1.5;
    const auto photo = Read(PhotoRecord(fields, 10), 10);
    ClearValidityReport();
    EXPECT_EQ(photo->CheckValidity(kValidityCheck, nullptr), 1);
    EXPECT_NE(std::wstring(GetValidityReport().GetString()).find(L"The opacity value for CBackgroundImage"),
              std::wstring::npos)
        << GetValidityReport().GetString();
    EXPECT_EQ(photo->CheckValidity(kValidityFix, nullptr), 0);
    EXPECT_DOUBLE_EQ(photo->GetOpacity(), 1.0);

    fields.opacity = std::nan("");
    fields.mode = 2;
    EXPECT_EQ(Read(PhotoRecord(fields, 10), 10)->CheckValidity(kValidityCheck, nullptr), 0)
        << "a linked photo's opacity is not checked";
}
