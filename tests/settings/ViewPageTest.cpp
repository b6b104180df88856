// Scenes: their records of every class version, the picture and photo they keep, the failures
// of damaged records, their tab labels and transitions.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "database/Dib.h"
#include "database/SlideshowOptions.h"
#include "database/UndoManager.h"
#include "database/Validity.h"
#include "image/ImageMemoryRep.h"
#include "image/ImageRep.h"
#include "settings/BackgroundImage.h"
#include "settings/RenderingOptions.h"
#include "settings/ShadowInfo.h"
#include "settings/ViewPage.h"
#include "tests/settings/SettingsTestSupport.h"
#include "tests/support/SceneRecords.h"
#include "tests/support/SettingsRecords.h"

namespace {

CameraFields SomeCamera()
{
    CameraFields camera;
    camera.eye = {10, 20, 30};
    camera.up = {0, 0, 1};
    camera.target = {10, 25, 30};
    return camera;
}

Bytes GreyFile()
{
    const CDibRef dib(new CDib);
    std::vector<uint8_t> pixels(16, 64);
    EXPECT_TRUE(dib->CreateFromPixels(4, 4, 8, pixels.data(), 1.0));
    const auto* encoded = dib->GetEncodedImage();
    return Bytes(encoded->GetData(), encoded->GetData() + encoded->GetSize());
}

class ViewPageTest : public ::testing::Test {
protected:
    std::unique_ptr<CViewPage> Read(const ScenePageFields& fields, int32_t version)
    {
        ScopedSchemas schemas({{"CViewPage", version},
                               {"CZephyronPage", 1},
                               {"CCamera", 5},
                               {"CRenderingOptions", 36},
                               {"CShadowInfo", 7},
                               {"CBackgroundImage", 10},
                               {"CDib", 1}});
        auto scene = std::make_unique<CViewPage>();
        EXPECT_EQ(BytesLeftAfter(EntityPart() + ScenePageRecord(fields, version),
                                 [&](CArchive& ar) { scene->Serialize(ar); }),
                  0u)
            << "version " << version;
        return scene;
    }

    int ReadCause(const ScenePageFields& fields, int32_t version)
    {
        ScopedSchemas schemas({{"CViewPage", version}, {"CZephyronPage", 1}, {"CSectionPlane", 1}});
        CViewPage scene;
        return ArchiveCause([&] {
            ReadFrom(EntityPart() + ScenePageRecord(fields, version),
                     [&](CArchive& ar) { scene.Serialize(ar); });
        });
    }

    CZephyronModel model;

    CCurrentModelScope current{&model};
    CSuspendUndo noRecording{true};
};

}  // namespace

TEST_F(ViewPageTest, Version4ReadsTheInlineCameraAndExactlyOneSectionPlane)
{
    ScenePageFields fields;
    fields.flags = CViewPage::kStoresCamera | CViewPage::kStoresSectionPlanes;
    fields.camera = InlineCameraRecord(SomeCamera());
    fields.included = false;
    const auto scene = Read(fields, 4);
    EXPECT_EQ(scene->GetName(), CString(L"Scene 1"));
    EXPECT_DOUBLE_EQ(scene->GetCamera().GetEye().y, 20.0);
    EXPECT_TRUE(scene->GetSectionPlanes().empty()) << "a null plane is not kept";
    EXPECT_FALSE(scene->IsIncludedInAnimation());
    EXPECT_DOUBLE_EQ(scene->GetTransitionTime(), -1.0);
    EXPECT_DOUBLE_EQ(scene->GetDelayTime(), -1.0);
}

TEST_F(ViewPageTest, Version6ReadsSettingsAndACountedSectionPlaneList)
{
    FixedSystemColors colors;
    ScenePageFields fields;
    fields.flags = CViewPage::kStoresCamera | CViewPage::kStoresStyle | CViewPage::kStoresShadows |
                   CViewPage::kStoresSectionPlanes;
    fields.camera = InlineCameraRecord(SomeCamera());
    fields.options = EntityPart() + DefaultRenderingOptionsRecord();
    fields.shadows = EntityPart() + ShadowInfoRecord(ShadowFields{}, 7);
    fields.shadowsShown = true;
    fields.sectionPlanes = {NullReference(), NullReference()};
    fields.watermarksShown = false;
    const auto scene = Read(fields, 6);
    ASSERT_NE(scene->GetRenderingOptions(), nullptr);
    EXPECT_EQ(scene->GetRenderingOptions()->GetParent(), scene.get());
    EXPECT_FALSE(scene->GetRenderingOptions()->GetWatermarksShown());
    ASSERT_NE(scene->GetShadowInfo(), nullptr);
    EXPECT_TRUE(scene->GetShadowInfo()->GetShadowsShown());
    EXPECT_EQ(scene->GetStyle(), nullptr) << "styles come with version 10";
    EXPECT_DOUBLE_EQ(scene->GetCamera().GetEye().z, 30.0);
}

TEST_F(ViewPageTest, Version7ReadsTheCameraAsAnObjectAndHasNeitherTimesNorPhoto)
{
    ScenePageFields fields;
    fields.flags = CViewPage::kStoresCamera;
    fields.camera = NewObject("CCamera") + CameraRecord(SomeCamera(), 5);
    const auto scene = Read(fields, 7);
    EXPECT_DOUBLE_EQ(scene->GetCamera().GetEye().x, 10.0);
    EXPECT_DOUBLE_EQ(scene->GetTransitionTime(), -1.0);
    EXPECT_DOUBLE_EQ(scene->GetDelayTime(), -1.0);
    EXPECT_EQ(scene->GetBackgroundImage(), nullptr);
    EXPECT_TRUE(scene->GetPhotoFlag());
}

TEST_F(ViewPageTest, Version11TakesAUseOfItsPhotoAndLocksTheCameraToIt)
{
    ScenePageFields fields;
    fields.flags = CViewPage::kStoresCamera;
    fields.camera = NewObject("CCamera") + CameraRecord(SomeCamera(), 5);
    PhotoFields photo;
    photo.width = 1600;
    photo.height = 1200;
    fields.photo = NewObject("CBackgroundImage") + EntityPart() + PhotoRecord(photo, 10);
    const auto scene = Read(fields, 11);
    ASSERT_NE(scene->GetBackgroundImage(), nullptr);
    EXPECT_EQ(scene->GetBackgroundImage()->GetUseCount(), 1);
    EXPECT_FALSE(scene->GetPhotoFlag()) << "scenes below version 12 with a photo";
    EXPECT_TRUE(scene->GetCamera().Is2DPanZoomEnabled());
    EXPECT_NEAR(scene->GetCamera().GetImageAspect(), 4.0 / 3, 1e-12);
    EXPECT_DOUBLE_EQ(scene->GetTransitionTime(), 2.0);
    EXPECT_DOUBLE_EQ(scene->GetDelayTime(), 3.0);
}

TEST_F(ViewPageTest, ASceneWithoutItsOwnDelayWaitsTheSlideshowDefault)
{
    ScenePageFields fields;
    const auto own = Read(fields, 11);
    const auto defaulted = Read(fields, 4);
    ASSERT_DOUBLE_EQ(defaulted->GetDelayTime(), -1.0);
    EXPECT_DOUBLE_EQ(CViewPage::GetDelayTime(own.get()), 3.0);
    EXPECT_DOUBLE_EQ(CViewPage::GetDelayTime(defaulted.get()), CSlideshowOptions::GetSlideTime());
    EXPECT_DOUBLE_EQ(CViewPage::GetDelayTime(nullptr), CSlideshowOptions::GetSlideTime());
    EXPECT_GT(CSlideshowOptions::GetSlideTime(), 0.0);
}

TEST_F(ViewPageTest, Version12KeepsAPictureThatDecodesAndDropsOneThatDoesNot)
{
    const Bytes file = GreyFile();
    ScenePageFields fields;
    fields.photoFlag = false;
    fields.picture = Bytes{1} + LittleEndian(static_cast<int32_t>(file.size())) + file;
    const auto scene = Read(fields, 12);
    EXPECT_FALSE(scene->GetPhotoFlag());
    ASSERT_NE(scene->GetSceneImage(), nullptr);
    EXPECT_EQ(scene->GetSceneImage()->GetWidth(), 4);

    fields.picture = Bytes{1} + LittleEndian(int32_t{4}) + Ascii("junk");
    EXPECT_EQ(Read(fields, 12)->GetSceneImage(), nullptr);
    fields.picture.clear();
    EXPECT_EQ(Read(fields, 12)->GetSceneImage(), nullptr);
}

TEST_F(ViewPageTest, DamagedRecordsFailInsteadOfReadingOnAtAnUnknownPlace)
{
    struct Case {
        const char* what;
        ScenePageFields fields;
        int cause;
    };
    ScenePageFields brokenPlane;
    brokenPlane.flags = CViewPage::kStoresSectionPlanes;
    brokenPlane.sectionPlanes = {NewObject("CSectionPlane") + EntityPart()};
    brokenPlane.included = false;
    const Case cases[] = {
        {"a section plane whose record fails", brokenPlane, CArchiveException::endOfFile},
    };
    for (const Case& c : cases)
        EXPECT_NE(ReadCause(c.fields, 12), CArchiveException::none) << c.what;

    ScopedSchemas schemas({{"CViewPage", 12}, {"CZephyronPage", 1}});
    for (int32_t count : {-1, 1 << 30}) {
        for (uint32_t flags : {uint32_t{CViewPage::kStoresHiddenElements}, uint32_t{CViewPage::kStoresLayers},
                               uint32_t{CViewPage::kStoresSectionPlanes}}) {
            CViewPage scene;
            const Bytes bytes = EntityPart() + Text("S") + Text("") + LittleEndian(flags, count);
            EXPECT_NE(ArchiveCause([&] { ReadFrom(bytes, [&](CArchive& ar) { scene.Serialize(ar); }); }),
                      CArchiveException::none)
                << flags << " " << count;
        }
    }
}

TEST_F(ViewPageTest, TheTabLabelShowsWhetherTheSlideshowPlaysTheScene)
{
    ScenePageFields fields;
    fields.name = "Front";
    fields.included = false;
    const auto excluded = Read(fields, 12);
    EXPECT_EQ(excluded->GetTabLabel(), CString(L"(Front)"));
    fields.included = true;
    EXPECT_EQ(Read(fields, 12)->GetTabLabel(), CString(L"Front"));
}

TEST_F(ViewPageTest, OnlyScenesThatMoveSomethingForSomeTimeHaveATransition)
{
    struct Case {
        uint32_t flags;
        double time;
        bool transition;
    };
    const Case cases[] = {
        {CViewPage::kStoresCamera, 2.0, true},
        {CViewPage::kStoresCamera, -1.0, true},
        {CViewPage::kStoresCamera, 0.0, false},
        {CViewPage::kStoresCamera, 0.0005, false},
        {CViewPage::kStoresHiddenElements | CViewPage::kStoresLayers, 2.0, false},
        {CViewPage::kStoresSectionPlanes, 2.0, true},
    };
    for (const Case& c : cases) {
        ScenePageFields fields;
        fields.flags = c.flags;
        fields.camera = NewObject("CCamera") + CameraRecord(SomeCamera(), 5);
        fields.transitionTime = c.time;
        EXPECT_EQ(Read(fields, 12)->HasTransition(), c.transition) << c.flags << " " << c.time;
    }
    CViewPage fresh(L"S", L"", CViewPage::kStoresShadows);
    EXPECT_TRUE(fresh.HasTransition()) << "the default time";
    CViewPage still(L"S", L"", CViewPage::kStoresHiddenElements | CViewPage::kStoresLayers);
    EXPECT_FALSE(still.HasTransition());
}

TEST_F(ViewPageTest, TheCheckReportsAnUnusableTimeAndRepairsIt)
{
    CValidityCheckScope checks;
    ScenePageFields fields;
    fields.transitionTime = -5.0;
    const auto scene = Read(fields, 12);
    ClearValidityReport();
    EXPECT_EQ(scene->CheckValidity(kValidityCheck, nullptr), 1);
    EXPECT_NE(std::wstring(GetValidityReport().GetString()).find(L"The transition time for"),
              std::wstring::npos);
    EXPECT_EQ(scene->CheckValidity(kValidityFix, nullptr), 0);
    EXPECT_DOUBLE_EQ(scene->GetTransitionTime(), -1.0);
}
