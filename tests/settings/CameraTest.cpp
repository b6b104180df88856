// The camera: how its setters keep eye, target and up apart and upright, projections and focal
// lengths, the view transformation, repairs, the 2D pan and zoom, and its records: its own, the
// older inline form, and both as a thumbnail embeds them.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <numbers>

#include "database/ArchiveSchema.h"
#include "database/Thumbnail.h"
#include "platform/mfc/ArchiveException.h"
#include "settings/Camera.h"
#include "tests/settings/SettingsTestSupport.h"
#include "tests/support/SettingsRecords.h"

using orbisk::geometry::CPoint3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CUnitVector3d;
using orbisk::geometry::CVector3d;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

void ExpectPoint(const CPoint3d& actual, const CPoint3d& expected, double tolerance = 1e-5)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

void ExpectUpright(const CCamera& camera)
{
    const CUnitVector3d& up = camera.GetUp();
    EXPECT_NEAR(up.x * up.x + up.y * up.y + up.z * up.z, 1.0, 1e-12);
    EXPECT_LT(std::abs(up.Dot(camera.GetDirection())), 1e-3);
}

class CameraTest : public ::testing::Test {
protected:
    // A camera read through ReadEmbedded from the bytes, with CCamera at the schema.
    std::unique_ptr<CCamera> ReadEmbedded(const Bytes& bytes, bool inlineForm, int32_t schema = 5)
    {
        ScopedSchemas schemas{{"CCamera", schema}};
        auto camera = std::make_unique<CCamera>();
        EXPECT_EQ(BytesLeftAfter(bytes, [&](CArchive& ar) { camera->ReadEmbedded(ar, inlineForm); }), 0u);
        return camera;
    }

    // Keeps the separate camera objects that reading drops.
    CZephyronModel model;
    CCurrentModelScope current{&model};
};

}  // namespace

TEST_F(CameraTest, ANewCameraLooksDownAtTheOrigin)
{
    const CCamera camera;
    ExpectPoint(camera.GetEye(), CPoint3d(0, 0, 1));
    ExpectPoint(camera.GetTarget(), CPoint3d());
    EXPECT_EQ(CVector3d(camera.GetUp()), CVector3d(0, 1, 0));
    EXPECT_TRUE(camera.IsPerspective());
    EXPECT_EQ(camera.GetStoredFieldOfView(), 30.0);
    EXPECT_TRUE(camera.IsFieldOfViewVertical());
    EXPECT_EQ(camera.GetNear(), 0.1);
    EXPECT_EQ(camera.GetFar(), 2.0);
    EXPECT_FALSE(camera.Is2DPanZoomEnabled());
    EXPECT_EQ(camera.GetEntityType(), kEntityCamera);
    EXPECT_TRUE(camera.IsValid());
}

TEST_F(CameraTest, EyeAndTargetAreKeptApart)
{
    const struct {
        CPoint3d eye, target, expectedTarget;
    } cases[] = {
        // Coincident: the target steps away along the old eye-to-target offset, then at least a
        // tenth of its distance from the origin.
        {{10, 0, 0}, {10, 0, 0}, {10, 0, 1.0049875621}},
        // Too close for their distance from the origin.
        {{1000, 0, 0}, {1000, 0, 5}, {1000, 0, 100.00125}},
        // Far enough apart: unchanged.
        {{0, 0, 500}, {0, 0, 0}, {0, 0, 0}},
    };
    for (const auto& c : cases) {
        CCamera camera;
        camera.SetEyeTargetUp(c.eye, c.target, CVector3d(0, 1, 0));
        ExpectPoint(camera.GetEye(), c.eye);
        ExpectPoint(camera.GetTarget(), c.expectedTarget);
        ExpectUpright(camera);
    }
}

TEST_F(CameraTest, AnUpVectorAlongTheViewIsRebuiltFromZOrY)
{
    const struct {
        CPoint3d eye, target;
        CVector3d up, expectedUp;
    } cases[] = {
        {{10, 0, 0}, {0, 0, 0}, {-1, 0, 0}, {0, 0, 1}},
        {{0, 0, 10}, {0, 0, 0}, {0, 0, -1}, {0, 1, 0}},
        {{0, 0, -10}, {0, 0, 0}, {0, 0, 1}, {0, 1, 0}},
        // Tilted up: only its part across the view is kept.
        {{10, 0, 0}, {0, 0, 0}, {-1, 0, 1}, {0, 0, 1}},
    };
    for (const auto& c : cases) {
        CCamera camera;
        EXPECT_TRUE(camera.SetEyeTargetUp(c.eye, c.target, c.up));
        EXPECT_NEAR((CVector3d(camera.GetUp()) - c.expectedUp).Length(), 0.0, 1e-12) << c.eye.z;
        ExpectUpright(camera);
    }
    CCamera camera;
    EXPECT_FALSE(camera.SetEyeTargetUp(CPoint3d(0, 0, 5), CPoint3d(), CVector3d(0, 0, 0)));
}

TEST_F(CameraTest, DirectionsPlaceTheTargetAtTheCurrentDistance)
{
    CCamera camera;
    camera.SetEyeTargetUp(CPoint3d(0, 0, 10), CPoint3d(), CVector3d(0, 1, 0));
    camera.SetEyeDirectionUp(CPoint3d(5, 0, 0), CVector3d(0, 3, 0), CVector3d(0, 0, 1));
    ExpectPoint(camera.GetTarget(), CPoint3d(5, 10, 0));
    camera.SetTargetDistance(2);
    ExpectPoint(camera.GetTarget(), CPoint3d(5, 2, 0));
    // The distance 2 is below a tenth of the eye's distance from the origin: the target keeps 5
    // away.
    camera.SetFromDirection(CPoint3d(0, 0, 50), CVector3d(0, 0, -1), CVector3d(0, 1, 0), 1, 100, false, 40,
                            7);
    ExpectPoint(camera.GetTarget(), CPoint3d(0, 0, 45));
    EXPECT_FALSE(camera.IsPerspective());
    EXPECT_EQ(camera.GetParallelHeight(), 7.0);
    EXPECT_FALSE(camera.GetStoredFlag());
}

TEST_F(CameraTest, GoingParallelKeepsThePicturesSizeAtTheTarget)
{
    CCamera camera;
    camera.SetEyeTargetUp(CPoint3d(0, 0, 10), CPoint3d(), CVector3d(0, 1, 0));
    camera.SetPerspective(false);
    EXPECT_NEAR(camera.GetParallelHeight(), 5.3590, 5e-5);
    camera.SetParallelHeight(99);
    camera.SetPerspective(false);
    EXPECT_EQ(camera.GetParallelHeight(), 99.0);
    camera.SetPerspective(true);
    EXPECT_EQ(camera.GetStoredFieldOfView(), 30.0);
}

TEST_F(CameraTest, FocalLengthsAndFieldsOfViewConvertOnTheFilmWidth)
{
    CCamera camera;
    EXPECT_EQ(camera.FovToFocalLength(180), 0.0);
    EXPECT_EQ(camera.FocalLengthToFov(0), 180.0);
    EXPECT_NEAR(camera.FocalLengthToFov(36), 53.1301, 1e-4);
    EXPECT_NEAR(camera.FovToFocalLength(53.130102354), 36.0, 1e-6);
    camera.SetFilmWidth(24);
    EXPECT_NEAR(camera.FocalLengthToFov(12), 90.0, 1e-9);
}

TEST_F(CameraTest, TheEffectiveFieldOfViewFollowsWindowAndImageAspects)
{
    const struct {
        double fov;
        bool vertical;
        double imageAspect, windowAspect, expected;
    } cases[] = {
        {30, true, 3.0, 2.0, 43.7927},  {30, true, 0.0, 2.0, 30.0},     {30, true, 1.5, 2.0, 30.0},
        {60, false, 0.0, 2.0, 32.2042}, {60, false, 1.5, 2.0, 42.1034}, {60, false, 3.0, 2.0, 32.2042},
    };
    for (const auto& c : cases) {
        CCamera camera;
        camera.SetFieldOfView(c.fov);
        camera.SetFieldOfViewVertical(c.vertical);
        camera.SetImageAspect(c.imageAspect);
        EXPECT_NEAR(camera.GetFieldOfView(c.windowAspect), c.expected, 1e-4) << c.fov << " " << c.imageAspect;
    }
}

TEST_F(CameraTest, TheViewTransformPutsTheEyeAtTheOriginLookingDownZ)
{
    CCamera camera;
    camera.SetEyeTargetUp(CPoint3d(10, 20, 30), CPoint3d(10, 20, 0), CVector3d(1, 0, 0));
    CTransform3d view;
    EXPECT_NEAR(camera.GetViewTransform(view, true), 30.0, 1e-12);
    ExpectPoint(view.MultiplyPoint(CPoint3d(10, 20, 30)), CPoint3d(0, 0, 0), 1e-12);
    ExpectPoint(view.MultiplyPoint(CPoint3d(10, 20, 0)), CPoint3d(0, 0, -30), 1e-12);
    // Up becomes +y, and right (the model's -y here) +x.
    ExpectPoint(view.MultiplyPoint(CPoint3d(11, 20, 30)), CPoint3d(0, 1, 0), 1e-12);
    ExpectPoint(view.MultiplyPoint(CPoint3d(10, 19, 30)), CPoint3d(1, 0, 0), 1e-12);

    CTransform3d aboutTarget;
    camera.GetViewTransform(aboutTarget, false);
    ExpectPoint(aboutTarget.MultiplyPoint(CPoint3d(10, 20, 0)), CPoint3d(), 1e-12);
}

TEST_F(CameraTest, RepairMendsWhatTheReaderMayLeave)
{
    const struct {
        CameraFields fields;
        CPoint3d eye, target;
        CVector3d up;
    } cases[] = {
        {{.eye = {1, 2, 3}, .target = {1, 2, 3}}, {1, 2, 3}, {1, 2, 2}, {0, 1, 0}},
        {{.eye = {1, 2, 3}, .target = {1, 2, 3}, .up = {0, 0, 1}}, {1, 2, 3}, {1, 3, 3}, {0, 0, 1}},
        {{.eye = {0, 0, 5}, .up = {0, 0, 0}}, {0, 0, 5}, {0, 0, 0}, {0, 1, 0}},
        {{.eye = {5, 0, 0}, .up = {2, 0, 0}}, {5, 0, 0}, {0, 0, 0}, {0, 0, 1}},
        {{.eye = {kNaN, 0, 0}}, {0, 0, 1}, {0, 0, 0}, {0, 1, 0}},
        {{.target = {0, HUGE_VAL, 0}}, {0, 0, 1}, {0, 0, 0}, {0, 1, 0}},
    };
    for (const auto& c : cases) {
        const std::unique_ptr<CCamera> camera =
            ReadEmbedded(NewObject("CCamera") + CameraRecord(c.fields, 5), false);
        ExpectPoint(camera->GetEye(), c.eye);
        ExpectPoint(camera->GetTarget(), c.target);
        EXPECT_NEAR((CVector3d(camera->GetUp()) - c.up).Length(), 0.0, 1e-9) << c.eye.x << " " << c.eye.z;
        EXPECT_TRUE(camera->IsValid());
        EXPECT_TRUE(camera->Repair());
    }
}

TEST_F(CameraTest, CopiesCompareEqualWhateverTheyDoNotCompare)
{
    CCamera a;
    a.SetEyeTargetUp(CPoint3d(0, 0, 10), CPoint3d(), CVector3d(0, 1, 0));
    a.SetPerspective(false);
    CCamera b(a);
    b.SetParallelHeight(123);
    b.SetName(L"other");
    b.SetNearFar(5, 6);
    EXPECT_TRUE(a == b);
    b.SetImageAspect(1.5);
    EXPECT_FALSE(a == b);
    b = a;
    b.Set2DPanZoom(true, 1, 0, 0);
    EXPECT_FALSE(a == b);
    a.Set2DPanZoom(true, 1.0005, 0, 0);
    EXPECT_TRUE(a == b);
    EXPECT_TRUE(b.Is2DPanZoomIdentity());
    a.SetEyeTargetUp(CPoint3d(0, 0, 10.002), CPoint3d(), CVector3d(0, 1, 0));
    EXPECT_FALSE(a == b);
}

TEST_F(CameraTest, SwappingExchangesEverything)
{
    CCamera a, b;
    a.SetEyeTargetUp(CPoint3d(0, 0, 10), CPoint3d(), CVector3d(0, 1, 0));
    a.SetName(L"a");
    b.SetEyeTargetUp(CPoint3d(10, 0, 0), CPoint3d(), CVector3d(0, 0, 1));
    b.SetName(L"b");
    CCamera::SwapCameras(a, b);
    EXPECT_EQ(a.GetName(), CString(L"b"));
    ExpectPoint(a.GetEye(), CPoint3d(10, 0, 0));
    ExpectPoint(b.GetEye(), CPoint3d(0, 0, 10));
}

TEST_F(CameraTest, TransformingMovesTheCameraAndKeepsItUpright)
{
    CCamera camera;
    camera.SetEyeTargetUp(CPoint3d(0, -10, 0), CPoint3d(), CVector3d(0, 0, 1));
    camera.Transform(CTransform3d(CPoint3d(), CUnitVector3d(0, 0, 1), std::numbers::pi / 2));
    ExpectPoint(camera.GetEye(), CPoint3d(10, 0, 0));
    EXPECT_NEAR((CVector3d(camera.GetUp()) - CVector3d(0, 0, 1)).Length(), 0.0, 1e-12);
}

TEST_F(CameraTest, ThePictureZoomsAboutAPointThatStaysPut)
{
    CCamera camera;
    camera.Set2DPanZoom(true, 0.5, 0.1, -0.2);
    // The picture coordinate under (x, y) is offset + scale x (x, y).
    const double x = 0.6, y = -0.4;
    const double beforeX = camera.Get2DOffsetX() + camera.Get2DScale() * x;
    const double beforeY = camera.Get2DOffsetY() + camera.Get2DScale() * y;
    camera.Zoom2DAbout(x, y, -0.5);
    EXPECT_DOUBLE_EQ(camera.Get2DScale(), 0.25);
    EXPECT_NEAR(camera.Get2DOffsetX() + camera.Get2DScale() * x, beforeX, 1e-12);
    EXPECT_NEAR(camera.Get2DOffsetY() + camera.Get2DScale() * y, beforeY, 1e-12);
    camera.Pan2D(1, 2);
    EXPECT_NEAR(camera.Get2DOffsetY(), beforeY - 0.25 * y + 0.5, 1e-12);
    camera.Transform2D(0.4, 0, 2);
    EXPECT_DOUBLE_EQ(camera.Get2DScale(), 0.5);
}

// Records.

TEST_F(CameraTest, EachSchemaOfTheOwnRecordReadsItsFields)
{
    CameraFields fields{.eye = {0, -50, 10}, .target = {0, 0, 10}, .up = {0, 0, 2}};
    fields.nearDistance = 1;
    fields.farDistance = 900;
    fields.perspective = false;
    fields.fieldOfView = 35;
    fields.parallelHeight = 44;
    fields.referencePoint = {1, 2, 3};
    fields.imageAspect = 1.5;
    fields.fieldOfViewVertical = false;
    fields.stored = true;
    fields.name = "Front";
    fields.filmWidth = 24;
    fields.panZoom = true;
    fields.scale = 0.5;
    fields.offsetX = 0.25;
    fields.offsetY = -0.25;
    for (int schema = 1; schema <= 5; ++schema) {
        const std::unique_ptr<CCamera> camera =
            ReadEmbedded(NewObject("CCamera") + CameraRecord(fields, schema), false, schema);
        ExpectPoint(camera->GetEye(), CPoint3d(0, -50, 10));
        ExpectPoint(camera->GetTarget(), CPoint3d(0, 0, 10));
        EXPECT_EQ(CVector3d(camera->GetUp()), CVector3d(0, 0, 1));
        EXPECT_EQ(camera->GetFar(), 900.0);
        EXPECT_FALSE(camera->IsPerspective());
        EXPECT_EQ(camera->GetParallelHeight(), 44.0);
        ExpectPoint(camera->GetReferencePoint(), CPoint3d(1, 2, 3));
        EXPECT_EQ(camera->GetImageAspect(), 1.5);
        EXPECT_FALSE(camera->IsFieldOfViewVertical());
        EXPECT_EQ(camera->GetStoredFlag(), schema >= 2) << schema;
        EXPECT_EQ(camera->GetName(), CString(schema >= 3 ? L"Front" : L"")) << schema;
        EXPECT_EQ(camera->GetFilmWidth(), schema >= 4 ? 24.0 : 0.0) << schema;
        EXPECT_EQ(camera->Is2DPanZoomEnabled(), schema >= 5) << schema;
        EXPECT_EQ(camera->Get2DOffsetY(), schema >= 5 ? -0.25 : 0.0) << schema;
    }
}

TEST_F(CameraTest, TheInlineFormIsReadInPlaceWithTheTargetOneUnitAhead)
{
    CameraFields fields{.eye = {0, 0, 500}, .target = {0, 0, 300}, .up = {0, 1, 0}};
    fields.fieldOfView = 45;
    fields.perspective = false;
    const std::unique_ptr<CCamera> camera = ReadEmbedded(InlineCameraRecord(fields), true);
    ExpectPoint(camera->GetEye(), CPoint3d(0, 0, 500));
    ExpectPoint(camera->GetTarget(), CPoint3d(0, 0, 499));
    EXPECT_EQ(camera->GetStoredFieldOfView(), 45.0);
    EXPECT_FALSE(camera->IsPerspective());
    EXPECT_EQ(camera->GetImageAspect(), 0.0);
    EXPECT_TRUE(camera->IsFieldOfViewVertical());
    EXPECT_TRUE(camera->GetName().IsEmpty());
    EXPECT_FALSE(camera->Is2DPanZoomEnabled());
    EXPECT_TRUE(model.GetDroppedObjects().IsEmpty());

    // A direction of no length: the repair looks down.
    fields.target = fields.eye;
    const std::unique_ptr<CCamera> still = ReadEmbedded(InlineCameraRecord(fields), true);
    ExpectPoint(still->GetTarget(), CPoint3d(0, 0, 499));
}

TEST_F(CameraTest, TheObjectFormIsCopiedAndTheReadObjectKeptForBackReferences)
{
    CameraFields fields{.eye = {0, 0, 20}};
    fields.name = "Top";
    const Bytes object = NewObject("CCamera") + CameraRecord(fields, 5);
    // The same object twice: the second is a back reference to object 2 (class 1, object 2).
    const Bytes twice = object + LittleEndian(uint16_t{2});
    ScopedSchemas schemas{{"CCamera", 5}};
    CCamera first, second;
    EXPECT_EQ(BytesLeftAfter(twice,
                             [&](CArchive& ar) {
                                 first.ReadEmbedded(ar, false);
                                 second.ReadEmbedded(ar, false);
                             }),
              0u);
    EXPECT_EQ(first.GetName(), CString(L"Top"));
    EXPECT_EQ(second.GetName(), CString(L"Top"));
    EXPECT_EQ(model.GetDroppedObjects().GetCount(), 1);

    // A null reference leaves the camera as it was.
    CCamera untouched;
    EXPECT_EQ(
        BytesLeftAfter(LittleEndian(uint16_t{0}), [&](CArchive& ar) { untouched.ReadEmbedded(ar, false); }),
        0u);
    ExpectPoint(untouched.GetEye(), CPoint3d(0, 0, 1));
}

TEST_F(CameraTest, WhatIsWrittenEmbeddedReadsBackEqual)
{
    CCamera camera;
    camera.Set(CPoint3d(3, 4, 5), CPoint3d(), CVector3d(0, 0, 1), 2, 3000, false, 50, 12);
    camera.SetName(L"Saved");
    camera.Set2DPanZoom(true, 0.75, 0.5, 0.25);
    const Bytes bytes = WrittenBy([&](CArchive& ar) { camera.WriteEmbedded(ar); });
    CCamera read;
    EXPECT_EQ(BytesLeftAfter(bytes, [&](CArchive& ar) { read.ReadEmbedded(ar, false); }), 0u);
    EXPECT_TRUE(read == camera);
    EXPECT_EQ(read.GetName(), CString(L"Saved"));
    EXPECT_EQ(read.GetParallelHeight(), 12.0);
}

TEST_F(CameraTest, ACutRecordRaisesEndOfFile)
{
    const Bytes record = CameraRecord(CameraFields{}, 5);
    const Bytes inlineRecord = InlineCameraRecord(CameraFields{});
    for (size_t length : {size_t{0}, size_t{24}, inlineRecord.size() - 1}) {
        ScopedSchemas schemas{{"CCamera", 5}};
        CCamera camera;
        const Bytes cut =
            NewObject("CCamera") + Bytes(record.begin(), record.begin() + static_cast<long>(length));
        EXPECT_EQ(ArchiveCause([&] { ReadFrom(cut, [&](CArchive& ar) { camera.ReadEmbedded(ar, false); }); }),
                  CArchiveException::endOfFile);
        const Bytes inlineCut(inlineRecord.begin(), inlineRecord.begin() + static_cast<long>(length));
        EXPECT_EQ(
            ArchiveCause([&] { ReadFrom(inlineCut, [&](CArchive& ar) { camera.ReadEmbedded(ar, true); }); }),
            CArchiveException::endOfFile);
    }
}

TEST_F(CameraTest, ThumbnailsReadTheirCameraInPlaceBeforeSchemaOneAndAsAnObjectFrom)
{
    CameraFields fields{.eye = {0, 0, 40}};
    fields.fieldOfView = 25;
    const struct {
        int32_t schema;
        Bytes camera;
    } cases[] = {{0, InlineCameraRecord(fields)}, {1, NewObject("CCamera") + CameraRecord(fields, 5)}};
    for (const auto& c : cases) {
        ScopedSchemas schemas{{"CThumbnail", c.schema}, {"CCamera", 5}};
        CThumbnail thumbnail(std::make_unique<CCamera>());
        // Entity part, the camera, no image.
        const Bytes record = EntityPart() + c.camera + LittleEndian(uint16_t{0});
        EXPECT_EQ(BytesLeftAfter(record, [&](CArchive& ar) { thumbnail.Serialize(ar); }), 0u) << c.schema;
        const auto& camera = dynamic_cast<const CCamera&>(*thumbnail.GetCamera());
        ExpectPoint(camera.GetEye(), CPoint3d(0, 0, 40));
        EXPECT_EQ(camera.GetStoredFieldOfView(), 25.0);
    }
}
