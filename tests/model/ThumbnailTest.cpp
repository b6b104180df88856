// Thumbnails: the default camera, replacing and clearing the image, the exchange for undo,
// the record of both schemas and the self-check.

#include <gtest/gtest.h>

#include <memory>

#include "model/Dib.h"
#include "model/Thumbnail.h"
#include "tests/model/ManagerTestSupport.h"

using orbisk::utils::CColor;

namespace {

class ThumbnailTest : public ManagerTest {
protected:
    ThumbnailTest() { cleared.payloads.clear(); }
    std::unique_ptr<CThumbnail> Read(const Bytes& body, int32_t schema)
    {
        UseSchemas({{"CThumbnail", schema}, {"CDib", 3}});
        return std::unique_ptr<CThumbnail>(ReadObjectFrom<CThumbnail>(NewObject("CThumbnail") + body));
    }

    NotificationRecorder cleared{"Thumbnail Cleared"};
};

const TestCamera& CameraOf(const CThumbnail& thumbnail)
{
    return dynamic_cast<const TestCamera&>(*thumbnail.GetCamera());
}

// The test camera's record: its field of view.
Bytes CameraRecord(double fieldOfView)
{
    return LittleEndian(fieldOfView);
}

}  // namespace

TEST_F(ThumbnailTest, ANewThumbnailLooksDownWithNoImage)
{
    CThumbnail thumbnail;
    EXPECT_EQ(thumbnail.GetImage(), nullptr);
    EXPECT_EQ(CameraOf(thumbnail).eye, orbisk::geometry::CPoint3d(0, 0, 1));
    EXPECT_EQ(CameraOf(thumbnail).up, orbisk::geometry::CVector3d(0, 1, 0));
    EXPECT_TRUE(CameraOf(thumbnail).perspective);
    EXPECT_EQ(CameraOf(thumbnail).fieldOfView, 30.0);
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
    TestCamera wide;
    wide.fieldOfView = 60.0;
    thumbnail.SetCamera(wide);
    thumbnail.SwapContents(*snapshot);
    EXPECT_EQ(CameraOf(thumbnail).fieldOfView, 30.0);
    EXPECT_EQ(CameraOf(*snapshot).fieldOfView, 60.0);
    EXPECT_EQ(thumbnail.GetImage(), nullptr);
    EXPECT_EQ(cleared.payloads, (std::vector<void*>{&thumbnail}));
}

TEST_F(ThumbnailTest, BothSchemasReadTheCameraAndTheImage)
{
    std::unique_ptr<CThumbnail> current =
        Read(EntityPart() + CameraRecord(45.0) + NewObject("CDib") + ImageRecord(CColor(9, 9, 9)), 1);
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(CameraOf(*current).fieldOfView, 45.0);
    EXPECT_EQ(CameraOf(*current).inlineReads, 0);
    ASSERT_NE(current->GetImage(), nullptr);
    EXPECT_EQ(current->GetImage()->GetWidth(), 4);

    std::unique_ptr<CThumbnail> oldest =
        Read(EntityPart() + LittleEndian(int32_t{1}) + CameraRecord(20.0) + kNullObject, 0);
    EXPECT_EQ(CameraOf(*oldest).inlineReads, 1) << "schema 0 reads the camera's record in place";
    EXPECT_EQ(CameraOf(*oldest).fieldOfView, 20.0);
    EXPECT_EQ(oldest->GetImage(), nullptr);
}

TEST_F(ThumbnailTest, AnImageWithoutBytesIsDropped)
{
    std::unique_ptr<CThumbnail> thumbnail =
        Read(EntityPart() + CameraRecord(30.0) + NewObject("CDib") + LittleEndian(int32_t{4}, int32_t{0}), 1);
    EXPECT_EQ(thumbnail->GetImage(), nullptr);
}

TEST_F(ThumbnailTest, AnImageThatTwoRecordsShareOutlivesEitherThumbnail)
{
    UseSchemas({{"CThumbnail", 1}, {"CDib", 3}});
    // Objects: thumbnail class 1, thumbnail 2, image class 3, image 4.
    const Bytes first = NewObject("CThumbnail") + EntityPart() + CameraRecord(30.0) + NewObject("CDib") +
                        ImageRecord(CColor(5, 5, 5));
    const Bytes second = ObjectReference(0x8001) + EntityPart() + CameraRecord(30.0) + ObjectReference(4);
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
    EXPECT_EQ(CameraOf(*read).fieldOfView, 30.0);
    EXPECT_EQ(read->GetImage()->GetHeight(), 2);
}

TEST_F(ThumbnailTest, AnInvalidCameraFailsTheCheckBeforeTheImageIsLookedAt)
{
    CValidityCheckScope checks;
    CThumbnail thumbnail;
    TestCamera broken;
    broken.valid = false;
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
                  ReadFrom(EntityPart() + CameraRecord(45.0) + kNullObject,
                           [&](CArchive& ar) { thumbnail.Serialize(ar); });
              }),
              CArchiveException::genericException);
    TestCamera wide;
    wide.fieldOfView = 60.0;
    thumbnail.SetCamera(wide);
    EXPECT_EQ(CameraOf(thumbnail).fieldOfView, 60.0);
    EXPECT_NE(thumbnail.GetCamera(), &wide) << "the thumbnail keeps a copy";
    EXPECT_EQ(thumbnail.CheckValidity(kValidityCheck, nullptr), 0);
}
