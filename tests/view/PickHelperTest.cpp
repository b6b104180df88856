// Picking through a real model view: faces and guides of the topology layer, a component
// instance, section planes and the drawing axes, hit by a point pick with an aperture or by a
// window, with hits ordered nearest first.

#include "view/PickHelper.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "components/ComponentInstance.h"
#include "geometry/Line3d.h"
#include "model/ZephyronModel.h"
#include "settings/Camera.h"
#include "settings/RenderingOptions.h"
#include "topology/ConstructionLine.h"
#include "topology/ConstructionPoint.h"
#include "topology/Edge.h"
#include "topology/Face.h"
#include "topology/SectionPlane.h"
#include "topology/SectionPlaneStack.h"
#include "topology/Vertex.h"
#include "topology/ZphCS.h"
#include "view/ZphView.h"

using orbisk::geometry::CLine3d;
using orbisk::geometry::CPlane3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CRay3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CUnitVector3d;
using orbisk::geometry::CVector3d;

namespace {

constexpr int kPickViewSize = 100;
// The camera looks down from z = 100 in parallel projection, 10 units high: a pixel is 0.1
// units, and pixel (50, 50) lies over the origin.
constexpr double kEyeHeight = 100.0;
constexpr double kPickUnitsPerPixel = 0.1;
const int kCentre[2] = {50, 50};
// The view definition's clipping range.
constexpr double kNear = 1.0;
constexpr double kFar = 10000.0;

// The depth of a model height under the camera: 0 at the near plane, 1 at the far plane.
double DepthOfHeight(double z)
{
    return (kEyeHeight - z - kNear) / (kFar - kNear);
}

// The walk a component makes for the picker, over a list of entities and of instances with
// their contents: each entity's own pick, then a hit for what it reports picked (guides kept
// wherever they lie along the ray), the instances entered with their placement and path.
class PickWalk : public CDrawingElement {
public:
    struct Placed {
        CComponentInstance* instance;
        std::vector<CDrawingElement*> contents;
    };

    std::vector<CDrawingElement*> entities;
    std::vector<Placed> instances;

    int PickInside(IPickHelper* picker) override
    {
        int result = WalkList(picker, entities);
        for (const Placed& placed : instances) {
            picker->PushTransform(placed.instance->GetTransform(), false);
            picker->PushPathEntity(placed.instance);
            result |= WalkList(picker, placed.contents);
            picker->PopPathEntity();
            picker->PopTransform(false);
        }
        return result;
    }

private:
    static int WalkList(IPickHelper* picker, const std::vector<CDrawingElement*>& list)
    {
        int result = 0;
        for (CDrawingElement* entity : list) {
            const int picked = entity->PickInside(picker);
            if (!(picked & 1))
                continue;
            const int type = entity->GetEntityType();
            picker->AddHit(entity, type == kEntityConstructionLine || type == kEntityConstructionPoint,
                           false);
            result |= 1;
        }
        return result;
    }
};

class PickHelperTest : public ::testing::Test {
protected:
    PickHelperTest()
    {
        model = new CZephyronModel();
        view.SetModel(model);
        model->Release();
        view.SetViewportRect(0, 0, kPickViewSize, kPickViewSize);
        CCamera camera;
        camera.SetEyeTargetUp(CPoint3d(0, 0, kEyeHeight), CPoint3d(0, 0, 0), CVector3d(0, 1, 0));
        camera.SetPerspective(false);
        camera.SetParallelHeight(kPickViewSize * kPickUnitsPerPixel);
        view.SetCamera(camera, 0.0);
        Options().SetXRay(true);
        Options().SetAxesShown(false);
    }

    CRenderingOptions& Options() { return *view.GetRenderingOptions(); }

    // A square facing up, in the model's root component.
    CFace* AddSquare(const CPoint3d& centre, double half)
    {
        return AddFace({{centre.x - half, centre.y - half, centre.z},
                        {centre.x + half, centre.y - half, centre.z},
                        {centre.x + half, centre.y + half, centre.z},
                        {centre.x - half, centre.y + half, centre.z}});
    }
    // A planar face with its edges, in the model's root component.
    CFace* AddFace(const std::vector<CPoint3d>& outline)
    {
        std::vector<CEdge*> edges;
        CVertex* first = new CVertex(outline.front());
        CVertex* start = first;
        for (size_t i = 1; i <= outline.size(); ++i) {
            CVertex* end = i < outline.size() ? new CVertex(outline[i]) : first;
            edges.push_back(new CEdge(start, end, false));
            start = end;
        }
        auto* face = new CFace(static_cast<int>(edges.size()), edges.data(),
                               CPlane3d(outline[0], outline[1], outline[2]));
        for (CEdge* edge : edges)
            model->GetRoot()->AddEntity(edge);
        model->GetRoot()->AddEntity(face);
        return face;
    }
    CConstructionLine* AddGuideLine(const CLine3d& line)
    {
        auto* guide = new CConstructionLine(line);
        model->GetRoot()->AddEntity(guide);
        return guide;
    }
    CConstructionPoint* AddGuidePoint(const CPoint3d& position)
    {
        auto* guide = new CConstructionPoint(position, position, false);
        model->GetRoot()->AddEntity(guide);
        return guide;
    }
    std::vector<CEntity*> PickedEntities(const CPickHelper& picker)
    {
        std::vector<CEntity*> entities;
        for (int i = 0; i < picker.GetHitCount(); ++i)
            entities.push_back(picker.GetHit(i).GetEntity());
        return entities;
    }

    CZphView view;
    CZephyronModel* model = nullptr;
    PickWalk walk;
};

TEST_F(PickHelperTest, HitsComeNearestFirstAndAnOpaqueFaceHidesWhatLiesBehindIt)
{
    CFace* ground = AddSquare(CPoint3d(0, 0, 0), 2);
    CConstructionPoint* below = AddGuidePoint(CPoint3d(0, 0, -3));
    CFace* roof = AddSquare(CPoint3d(0, 0, 5), 2);
    walk.entities = {ground, below, roof};
    struct Case {
        bool xRay;
        std::vector<CEntity*> hits;
    };
    const Case cases[] = {
        {true, {roof, ground, below}},
        {false, {roof}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.xRay ? "X-ray" : "opaque faces");
        Options().SetXRay(c.xRay);
        CPickHelper picker(&view, kCentre, 0);
        EXPECT_EQ(picker.Pick(&walk), static_cast<int>(c.hits.size()));
        EXPECT_EQ(PickedEntities(picker), c.hits);
        EXPECT_EQ(picker.GetFrontFace(), c.xRay ? nullptr : roof);
        const PickHit& nearest = picker.GetHit(0);
        EXPECT_NEAR(nearest.nearDepth, DepthOfHeight(5), 1e-12);
        EXPECT_NEAR(nearest.farDepth, DepthOfHeight(5), 1e-12);
    }
}

TEST_F(PickHelperTest, AGuideOnAFaceComesBeforeTheFaceEvenAHairBehindIt)
{
    CFace* face = AddSquare(CPoint3d(0, 0, 0), 2);
    struct Case {
        std::string name;
        double guideHeight;
        bool guideFirst;
    };
    const Case cases[] = {
        {"a hair below the face", -0.0005, true},
        {"on the face", 0.0, true},
        {"below the face", -0.5, false},
        {"above the face", 0.5, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CConstructionLine* guide =
            AddGuideLine(CLine3d(CRay3d(CPoint3d(-5, 0, c.guideHeight), CUnitVector3d::XAxis()), true, true));
        walk.entities = {face, guide};
        CPickHelper picker(&view, kCentre, 0);
        ASSERT_EQ(picker.Pick(&walk), 2);
        const std::vector<CEntity*> expected =
            c.guideFirst ? std::vector<CEntity*>{guide, face} : std::vector<CEntity*>{face, guide};
        EXPECT_EQ(PickedEntities(picker), expected);
    }
}

TEST_F(PickHelperTest, HitsStartingAtOneDepthAreOrderedByWhereTheyEnd)
{
    // A ramp falling away from the pixel, and a flat face at the top of the ramp: both start
    // at height 0 under the aperture, the ramp reaches further down.
    CFace* ramp = AddFace({{0, -2, 0}, {2, -2, -2}, {2, 2, -2}, {0, 2, 0}});
    CFace* flat = AddSquare(CPoint3d(0, 0, 0), 2);
    walk.entities = {ramp, flat};
    CPickHelper picker(&view, kCentre, 0);
    ASSERT_EQ(picker.Pick(&walk), 2);
    EXPECT_EQ(PickedEntities(picker), (std::vector<CEntity*>{flat, ramp}));
    EXPECT_NEAR(picker.GetHit(1).nearDepth, picker.GetHit(0).nearDepth, 1e-12);
    EXPECT_GT(picker.GetHit(1).farDepth, picker.GetHit(0).farDepth);
}

TEST_F(PickHelperTest, GuidesBeyondTheFarPlaneAreStillHitButOtherEntitiesAreNot)
{
    const double beyond = kEyeHeight - 2 * kFar;
    CFace* farFace = AddSquare(CPoint3d(0, 0, beyond), 2);
    CConstructionPoint* farGuide = AddGuidePoint(CPoint3d(0, 0, beyond));
    walk.entities = {farFace, farGuide};
    CPickHelper picker(&view, kCentre, 0);
    ASSERT_EQ(picker.Pick(&walk), 1);
    EXPECT_EQ(picker.GetHit(0).GetEntity(), farGuide);
    EXPECT_NEAR(picker.GetHit(0).nearDepth, DepthOfHeight(beyond), 1e-12);
    EXPECT_GT(picker.GetHit(0).nearDepth, 1.0);
}

TEST_F(PickHelperTest, WhatSectionPlanesCutAwayAnswersTwo)
{
    // Keeps what lies above z = 1.
    CSectionPlane section;
    section.SetPlane(CPlane3d(CPoint3d(0, 0, 1), CUnitVector3d::ZAxis()));
    CPickHelper picker(&view, kCentre, 0);
    view.PushSectionPlane(&section, false);

    struct PointCase {
        CPoint3d point;
        int answer;
    };
    const PointCase points[] = {{{0, 0, 3}, 1}, {{0, 0, -3}, 2}, {{4, 0, 3}, 0}};
    for (const PointCase& c : points)
        EXPECT_EQ(picker.PickPoint(c.point), c.answer)
            << "point at (" << c.point.x << ", " << c.point.z << ")";
    struct SegmentCase {
        CPoint3d a;
        CPoint3d b;
        int answer;
    };
    const SegmentCase segments[] = {{{0, 0, -5}, {0, 0, 5}, 1},
                                    {{-1, 0, -1}, {1, 0, -2}, 2},
                                    {{-1, 0, 3}, {1, 0, 3}, 1},
                                    {{3, 0, 3}, {5, 0, 3}, 0}};
    for (const SegmentCase& c : segments)
        EXPECT_EQ(picker.PickSegment(c.a, c.b), c.answer) << "segment at height " << c.a.z;

    CFace* low = AddSquare(CPoint3d(0, 0, 0), 2);
    CFace* high = AddSquare(CPoint3d(0, 0, 3), 2);
    EXPECT_EQ(low->PickInside(&picker), 2);
    walk.entities = {low, high};
    EXPECT_EQ(picker.Pick(&walk), 1);
    EXPECT_EQ(picker.GetHit(0).GetEntity(), high);

    // With the planes switched off nothing is cut away.
    view.SetDrawFlags(true);
    EXPECT_EQ(picker.PickPoint(CPoint3d(0, 0, -3)), 1);
    EXPECT_EQ(picker.Pick(&walk), 2);
    view.SetDrawFlags(false);
    view.PopSectionPlane(false);
}

TEST_F(PickHelperTest, TheApertureIsASquareOfPixelsAroundThePixel)
{
    struct Case {
        int aperture;
        double offsetPixels;
        bool picked;
    };
    const Case cases[] = {
        {0, 2.5, true}, {0, 3.5, false}, {-4, 2.5, true}, {4, 1.5, true}, {4, 2.5, false}, {12, 5.5, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "aperture " << c.aperture << ", " << c.offsetPixels << " pixels off");
        CConstructionPoint* guide = AddGuidePoint(CPoint3d(c.offsetPixels * kPickUnitsPerPixel, 0, 0));
        walk.entities = {guide};
        CPickHelper picker(&view, kCentre, c.aperture);
        EXPECT_EQ(picker.GetApertureSize(), c.aperture > 0 ? c.aperture : CPickHelper::kDefaultAperture);
        EXPECT_EQ(picker.Pick(&walk), c.picked ? 1 : 0);
    }
}

TEST_F(PickHelperTest, AWindowPicksWhatLiesInsideOrAlsoWhatCrossesIt)
{
    // The square spans pixels 30 to 70 both ways.
    CFace* face = AddSquare(CPoint3d(0, 0, 0), 2);
    walk.entities = {face};
    struct Case {
        std::string name;
        int a[2];
        int b[2];
        int mode;
        int hits;
    };
    const Case cases[] = {
        {"around it", {25, 75}, {75, 25}, IPickHelper::kWindowPick, 1},
        {"over half of it", {50, 25}, {75, 75}, IPickHelper::kWindowPick, 0},
        {"crossing half of it", {50, 25}, {75, 75}, IPickHelper::kCrossingPick, 1},
        {"crossing nothing", {80, 80}, {95, 95}, IPickHelper::kCrossingPick, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CPickHelper picker;
        picker.SetupWindow(&view, c.a, c.b, c.mode);
        EXPECT_EQ(picker.GetPickMode(), c.mode);
        ASSERT_EQ(picker.Pick(&walk), c.hits);
        if (c.hits > 0) {
            EXPECT_EQ(picker.GetHit(0).nearDepth, 0.0) << "window picks measure no depth";
        }
    }
}

TEST_F(PickHelperTest, ASingleClickWindowSpansOnePixel)
{
    const int click[2] = {20, 30};
    CPickHelper picker;
    picker.SetupWindow(&view, click, click, IPickHelper::kWindowPick);
    double x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    picker.GetWindow(x0, x1, y0, y1);
    EXPECT_EQ(x0, 19.5);
    EXPECT_EQ(x1, 20.5);
    EXPECT_EQ(y0, 29.5);
    EXPECT_EQ(y1, 30.5);
}

TEST_F(PickHelperTest, InAWindowALineCountsOnlyWhenBothItsEndsAreInside)
{
    const int a[2] = {25, 25};
    const int b[2] = {75, 75};
    CPickHelper window;
    window.SetupWindow(&view, a, b, IPickHelper::kWindowPick);
    const CRay3d across(CPoint3d(-1, 0, 0), CUnitVector3d::XAxis());
    EXPECT_EQ(window.PickLine(CLine3d(CPoint3d(-1, 0, 0), CPoint3d(1, 0, 0))), 1);
    EXPECT_EQ(window.PickLine(CLine3d(across, false, true)), 0) << "a ray from inside";
    EXPECT_EQ(window.PickLine(CLine3d(across, true, true)), 0) << "unbounded both ways";

    // Under the cursor a ray counts from where it starts.
    CPickHelper point(&view, kCentre, 0);
    EXPECT_EQ(point.PickLine(CLine3d(CRay3d(CPoint3d(-5, 0, 0), CUnitVector3d::XAxis()), false, true)), 1);
    EXPECT_EQ(point.PickLine(CLine3d(CRay3d(CPoint3d(1, 0, 0), CUnitVector3d::XAxis()), false, true)), 0);
    EXPECT_EQ(point.PickLine(CLine3d(CRay3d(CPoint3d(1, 0, 0), -CUnitVector3d::XAxis()), false, true)), 1);
}

TEST_F(PickHelperTest, AnInstanceCarriesTheRayAndTheDepthLimitsIntoItsCoordinates)
{
    // Twice the size, lifted by 3.
    CTransform3d placement;
    placement.SetUniformScale(2.0);
    CTransform3d lift;
    lift.SetTranslation(CVector3d(0, 0, 3));
    placement = lift * placement;

    CPickHelper picker(&view, kCentre, 0);
    EXPECT_DOUBLE_EQ(picker.GetNearParameter(), kNear);
    EXPECT_DOUBLE_EQ(picker.GetFarParameter(), kFar);
    picker.PushTransform(placement, false);
    // The near plane at height 99 is at local height 48, half a unit below the local eye.
    EXPECT_NEAR(picker.GetLocalRay().origin.z, (kEyeHeight - 3) / 2, 1e-12);
    EXPECT_NEAR(picker.GetNearParameter(), kNear / 2, 1e-12);
    EXPECT_NEAR(picker.GetFarParameter(), kFar / 2, 1e-9);
    picker.PushTransform(placement, false);
    EXPECT_NEAR(picker.GetNearParameter(), kNear / 4, 1e-12) << "measured from the model ray at every level";
    EXPECT_NEAR(picker.GetFarParameter(), kFar / 4, 1e-9);
    picker.PopTransform(false);
    picker.PopTransform(false);
    EXPECT_EQ(picker.GetNearParameter(), kNear);
    EXPECT_EQ(picker.GetLocalRay().origin, picker.GetPickRay().origin);

    // A unit square placed by the instance covers -2..2 at height 3.
    auto* instance = new CComponentInstance();
    instance->SetTransform(placement);
    model->GetRoot()->AddEntity(instance);
    CFace* inside = AddSquare(CPoint3d(0, 0, 0), 1);
    CFace* ground = AddSquare(CPoint3d(1.5, 0, 0), 2);
    walk.entities = {ground};
    walk.instances = {{instance, {inside}}};
    ASSERT_EQ(picker.Pick(&walk), 2);
    EXPECT_EQ(picker.GetHit(0).path, std::vector<CEntity*>{instance})
        << "the outermost instance stands for it";
    EXPECT_NEAR(picker.GetHit(0).nearDepth, DepthOfHeight(3), 1e-12);
    EXPECT_EQ(picker.GetHit(1).path, std::vector<CEntity*>{ground});

    picker.SetFullPath(true);
    ASSERT_EQ(picker.Pick(&walk), 2);
    EXPECT_EQ(picker.GetHit(0).path, (std::vector<CEntity*>{instance, inside}));
    EXPECT_NEAR(picker.GetHit(0).nearDepth, DepthOfHeight(3), 1e-12);
}

TEST_F(PickHelperTest, TheDrawingAxesAreHitWhereverTheyLieWhenShown)
{
    for (bool shown : {true, false}) {
        SCOPED_TRACE(shown ? "axes shown" : "axes hidden");
        Options().SetAxesShown(shown);
        CPickHelper picker(&view, kCentre, 0);
        ASSERT_EQ(picker.Pick(&walk), shown ? 1 : 0);
        if (shown) {
            EXPECT_EQ(picker.GetHit(0).GetEntity(), static_cast<CEntity*>(model->GetDrawingAxes()));
        }
    }
}

TEST_F(PickHelperTest, ThePickVolumeLivesAsLongAsThePicker)
{
    {
        CPickHelper picker(&view, kCentre, 0);
        EXPECT_NE(view.GetGeometryFilter(), nullptr);
        CPickHelper second(&view, kCentre, 10);
        EXPECT_EQ(view.GetFilterDepth(), 1) << "a new pick volume replaces the one before";
    }
    EXPECT_EQ(view.GetGeometryFilter(), nullptr);

    CPickHelper unattached;
    EXPECT_EQ(unattached.Pick(&walk), 0);
    EXPECT_EQ(unattached.PickPoint(CPoint3d()), 0) << "no pick volume";
    EXPECT_EQ(unattached.DistanceToFilterPlane(CPoint3d(), 0), 0.001);
    EXPECT_EQ(unattached.GetNearParameter(), 0.0);
    EXPECT_EQ(unattached.GetFarParameter(), 0.0);
}

}  // namespace
