// Thumbnails: the default camera, replacing and clearing the image, the exchange for undo,
// the record of both schemas and the self-check.

#include <gtest/gtest.h>

#include <memory>

#include <array>
#include <limits>

#include "database/Dib.h"
#include "database/Thumbnail.h"
#include "settings/Camera.h"
#include "tests/model/ManagerTestSupport.h"
#include "tests/support/SettingsRecords.h"

using orbisk::utils::CColor;

namespace {

class ThumbnailTest : public ManagerTest {
protected:
    ThumbnailTest() { cleared.payloads.clear(); }
    std::unique_ptr<CThumbnail> Read(const Bytes& body, int32_t schema)
    {
        UseSchemas({{"CThumbnail", schema}, {"CCamera", 5}, {"CDib", 3}});
        return std::unique_ptr<CThumbnail>(ReadObjectFrom<CThumbnail>(NewObject("CThumbnail") + body));
    }

    NotificationRecorder cleared{"Thumbnail Cleared"};
};

const CCamera& CameraOf(const CThumbnail& thumbnail)
{
    return dynamic_cast<const CCamera&>(*thumbnail.GetCamera());
}

// A camera 10 units above the point it looks at.
CameraFields Camera(double fieldOfView, std::array<double, 3> eye = {0, 0, 10})
{
    return {.eye = eye, .target = {eye[0], eye[1], eye[2] - 10}, .fieldOfView = fieldOfView};
}

// The camera as a thumbnail of schema 1 keeps it: an object of its own, here new.
Bytes CameraObject(double fieldOfView)
{
    return NewObject("CCamera") + CameraRecord(Camera(fieldOfView), 5);
}

}  // namespace

TEST_F(ThumbnailTest, ANewThumbnailLooksDownWithNoImage)
{
    CThumbnail thumbnail;
    EXPECT_EQ(thumbnail.GetImage(), nullptr);
    EXPECT_EQ(CameraOf(thumbnail).GetEye(), orbisk::geometry::CPoint3d(0, 0, 1));
    EXPECT_EQ(orbisk::geometry::CVector3d(CameraOf(thumbnail).GetUp()), orbisk::geometry::CVector3d(0, 1, 0));
    EXPECT_TRUE(CameraOf(thumbnail).IsPerspective());
    EXPECT_EQ(CameraOf(thumbnail).GetStoredFieldOfView(), 30.0);
    CValidityCheckScope checks;
    EXPECT_EQ(thumbnail.CheckValidity(kValidityCheck, nullptr), 0);
}

TEST_F(ThumbnailTest, ClearingTheImageIsAnnounced)
{
    CThumbnail thumbnail;
    CDib* image = MakeImage(CColor(1, 2, 3));
    thumbnail.SetImage(image);
    thumbnail.SetImage(image);
    EXPECT_TRUE(cleared.payloads.empty());
    EXPECT_EQ(image->GetRefCount(), 1);
    thumbnail.SetImage(nullptr);
    EXPECT_EQ(cleared.payloads, (std::vector<void*>{&thumbnail}));
    thumbnail.SetImage(MakeImage(CColor(4, 5, 6)));
    EXPECT_EQ(cleared.payloads.size(), 1u);
}

TEST_F(ThumbnailTest, AnExchangeForUndoSwapsTheCamerasAndDropsTheImage)
{
    CThumbnail thumbnail;
    thumbnail.SetImage(MakeImage(CColor(1, 2, 3)));
    std::unique_ptr<CThumbnail> snapshot(static_cast<CThumbnail*>(thumbnail.CreateCopy()));
    EXPECT_EQ(snapshot->GetImage(), nullptr);
    CCamera wide;
    wide.SetFieldOfView(60.0);
    thumbnail.SetCamera(wide);
    thumbnail.SwapContents(*snapshot);
    EXPECT_EQ(CameraOf(thumbnail).GetStoredFieldOfView(), 30.0);
    EXPECT_EQ(CameraOf(*snapshot).GetStoredFieldOfView(), 60.0);
    EXPECT_EQ(thumbnail.GetImage(), nullptr);
    EXPECT_EQ(cleared.payloads, (std::vector<void*>{&thumbnail}));
}

TEST_F(ThumbnailTest, BothSchemasReadTheCameraAndTheImage)
{
    std::unique_ptr<CThumbnail> current =
        Read(EntityPart() + NewObject("CCamera") + CameraRecord(Camera(45.0, {1, 2, 3}), 5) +
                 NewObject("CDib") + ImageRecord(CColor(9, 9, 9)),
             1);
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(CameraOf(*current).GetEye(), orbisk::geometry::CPoint3d(1, 2, 3));
    EXPECT_EQ(CameraOf(*current).GetStoredFieldOfView(), 45.0);
    ASSERT_NE(current->GetImage(), nullptr);
    EXPECT_EQ(current->GetImage()->GetWidth(), 4);

    std::unique_ptr<CThumbnail> oldest =
        Read(EntityPart() + InlineCameraRecord(Camera(20.0, {4, 5, 6})) + kNullObject, 0);
    ASSERT_NE(oldest, nullptr) << "schema 0 reads the camera's record in place";
    EXPECT_EQ(CameraOf(*oldest).GetEye(), orbisk::geometry::CPoint3d(4, 5, 6));
    EXPECT_EQ(CameraOf(*oldest).GetStoredFieldOfView(), 20.0);
    EXPECT_EQ(oldest->GetImage(), nullptr);
}

TEST_F(ThumbnailTest, AnImageWithoutBytesIsDropped)
{
    std::unique_ptr<CThumbnail> thumbnail =
        Read(EntityPart() + CameraObject(30.0) + NewObject("CDib") + LittleEndian(int32_t{4}, int32_t{0}), 1);
    EXPECT_EQ(thumbnail->GetImage(), nullptr);
}

TEST_F(ThumbnailTest, AnImageThatTwoRecordsShareOutlivesEitherThumbnail)
{
    UseSchemas({{"CThumbnail", 1}, {"CCamera", 5}, {"CDib", 3}});
    // Objects: thumbnail class 1, thumbnail 2, camera class 3, camera 4, image class 5, image 6;
    // the second thumbnail 7 and its camera 8.
    const Bytes first = NewObject("CThumbnail") + EntityPart() + CameraObject(30.0) + NewObject("CDib") +
                        ImageRecord(CColor(5, 5, 5));
    const Bytes second = ObjectReference(0x8001) + EntityPart() + ObjectReference(0x8003) +
                         CameraRecord(Camera(30.0), 5) + ObjectReference(6);
    std::unique_ptr<CThumbnail> a;
    std::unique_ptr<CThumbnail> b;
    ReadFrom(first + second, [&](CArchive& ar) {
        a.reset(dynamic_cast<CThumbnail*>(ar.ReadObject(nullptr)));
        b.reset(dynamic_cast<CThumbnail*>(ar.ReadObject(nullptr)));
    });
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->GetImage(), b->GetImage());
    EXPECT_EQ(a->GetImage()->GetRefCount(), 2);
    a.reset();
    EXPECT_EQ(b->GetImage()->GetWidth(), 4);
}

TEST_F(ThumbnailTest, AWrittenThumbnailReadsBack)
{
    CThumbnail source;
    source.SetImage(MakeImage(CColor(7, 7, 7), 2, 2));
    const Bytes written = WrittenBy([&](CArchive& ar) { ar.WriteObject(&source); });
    std::unique_ptr<CThumbnail> read(ReadObjectFrom<CThumbnail>(written));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(CameraOf(*read).GetStoredFieldOfView(), 30.0);
    EXPECT_EQ(read->GetImage()->GetHeight(), 2);
}

TEST_F(ThumbnailTest, AnInvalidCameraFailsTheCheckBeforeTheImageIsLookedAt)
{
    CValidityCheckScope checks;
    CThumbnail thumbnail;
    CCamera broken;
    broken.SetNearFar(std::numeric_limits<double>::quiet_NaN(), 1.0);
    thumbnail.SetCamera(broken);
    EXPECT_EQ(thumbnail.CheckValidity(kValidityCheck, nullptr), 2);
    EXPECT_NE(std::wstring(GetValidityReport().GetString()).find(L"The camera for CThumbnail"),
              std::wstring::npos);
    EXPECT_EQ(thumbnail.CheckValidity(kValidityCheckIgnoringIds, nullptr), 0);
}

TEST_F(ThumbnailTest, WithoutACameraFactoryAThumbnailHasNoCameraUntilOneIsSet)
{
    CCurrentModelScope none(nullptr);
    CThumbnail thumbnail;
    EXPECT_EQ(thumbnail.GetCamera(), nullptr);
    CValidityCheckScope checks;
    EXPECT_EQ(thumbnail.CheckValidity(kValidityCheck, nullptr), 2) << "a thumbnail needs its camera";
    EXPECT_EQ(ArchiveCause([&] {
                  ReadFrom(EntityPart() + CameraObject(45.0) + kNullObject,
                           [&](CArchive& ar) { thumbnail.Serialize(ar); });
              }),
              CArchiveException::genericException);
    CCamera wide;
    wide.SetFieldOfView(60.0);
    thumbnail.SetCamera(wide);
    EXPECT_EQ(CameraOf(thumbnail).GetStoredFieldOfView(), 60.0);
    EXPECT_NE(thumbnail.GetCamera(), &wide) << "the thumbnail keeps a copy";
    EXPECT_EQ(thumbnail.CheckValidity(kValidityCheck, nullptr), 0);
}
