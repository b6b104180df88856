// Section planes: their record, the plane setter, bounds, the rectangle kept around their
// component's extent, picks in every mode, the active-plane bookkeeping, visibility and colours
// through a view's options, and the check.

#include <limits>
#include <memory>

#include "components/Component.h"
#include "database/ISectionPlaneHolder.h"
#include "database/UndoManager.h"
#include "geometry/Transform3d.h"
#include "tests/topology/ContentsTestSupport.h"
#include "topology/SectionPlane.h"
#include "topology/SectionPlaneDisplayOptions.h"

using orbisk::geometry::CBoundingBox2d;
using orbisk::geometry::CBoundingBox3d;
using orbisk::geometry::CRay3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CUnitVector3d;
using orbisk::utils::CColor;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr CColor kCutColor{200, 0, 50};

// A component with fixed bounds that keeps an active section plane.
class BoundedComponent : public CDrawingElement, public ISectionPlaneHolder {
public:
    int GetEntityType() const override { return kEntityComponent; }
    void AddBounds(CBoundingBox3d& box) const override
    {
        if (!bounds.IsEmpty()) {
            box.Add(bounds.GetCorner(0));
            box.Add(bounds.GetCorner(7));
        }
    }
    CDrawingElement* GetActiveSectionPlane() const override { return active; }
    void SetActiveSectionPlane(CDrawingElement* plane) override { active = plane; }

    CBoundingBox3d bounds;
    CDrawingElement* active = nullptr;
};

class SectionOptions : public TestEdgeOptions, public ISectionPlaneDisplayOptions {
public:
    int32_t GetSectionDisplay() const override { return display; }
    CColor GetInactiveSectionColor() const override { return {1, 1, 1}; }
    CColor GetActiveSectionColor() const override { return {2, 2, 2}; }
    CColor GetSectionCutColor() const override { return kCutColor; }
    int32_t GetSectionCutWidth() const override { return 3; }
    int display = kPlanesShown | kCutsShown;
};

// 100 pixels are one model unit everywhere.
class ScaledView : public RecordingView {
public:
    double PixelsToModel(int pixels, const CPoint3d&) override { return pixels / 100.0; }
};

class SectionPlaneTest : public ContentsTest {
protected:
    // A plane of the owner component.
    CSectionPlane* NewPlane(const CPlane3d& plane)
    {
        auto* section = new CSectionPlane;
        section->SetPlane(plane);
        section->SetParent(owner);
        return section;
    }

    BoundedComponent* owner = new BoundedComponent;
    ContentsRecords records;
};

TEST_F(SectionPlaneTest, ARecordReadsItsPlaneNormalised)
{
    const double stored[4] = {0, 0, 2, -4};
    ElementFields hidden;
    hidden.hidden = true;
    auto* plane = Read<CSectionPlane>(records, records.SectionPlane(hidden, stored));
    ASSERT_NE(plane, nullptr);
    EXPECT_TRUE(plane->GetPlane().IsEqual({0, 0, 1, -2}, true, 1e-12)) << "the normal (0, 0, 2) halves d";
    EXPECT_TRUE(plane->GetFlags() & CDrawingElement::kHidden);
    EXPECT_EQ(plane->GetEntityType(), 31);
    EXPECT_TRUE(plane->GetRect().IsEmpty()) << "the rectangle is not stored";
}

TEST_F(SectionPlaneTest, APlaneCopiesThroughTheArchive)
{
    CSectionPlane* copy = CopyThroughArchive(NewPlane({0, 1, 0, -3}));
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(copy->GetPlane().IsEqual({0, 1, 0, -3}, true, 1e-12));
}

TEST_F(SectionPlaneTest, MovingAPlaneToAnEqualPlaneRecordsNoChange)
{
    CSectionPlane* plane = NewPlane({0, 0, 1, -1});
    ChangeCounter counter(plane);
    plane->SetPlane({0, 0, 1, -1.0005});
    plane->Transform(CTransform3d());
    EXPECT_EQ(counter.changes, 0);
    EXPECT_EQ(plane->GetPlane().d, -1.0);

    plane->SetPlane({0, 0, 1, -1.002});
    EXPECT_EQ(counter.changes, 1);
    CTransform3d lift;
    lift.SetTranslation({0, 0, 1});
    plane->Transform(lift);
    EXPECT_EQ(counter.changes, 2);
    EXPECT_NEAR(plane->GetPlane().d, -2.002, 1e-9);
}

TEST_F(SectionPlaneTest, APlaneBoundsThePointOfItNearestTheCentreOfTheBox)
{
    CSectionPlane* plane = NewPlane({0, 0, 1, -1});
    CBoundingBox3d empty;
    plane->AddBounds(empty);
    EXPECT_TRUE(empty.GetCenter().IsEqual({0, 0, 1}, 1e-12)) << "the origin projected";

    CBoundingBox3d box;
    box.Add(CPoint3d(2, 2, 4));
    box.Add(CPoint3d(4, 4, 6));
    plane->AddBounds(box);
    EXPECT_EQ(box.z.min, 1.0) << "the centre (3, 3, 5) projected to (3, 3, 1)";

    CBoundingBox3d moved;
    moved.Add(CPoint3d(3, 3, 5));
    CTransform3d lift;
    lift.SetTranslation({0, 0, 2});
    plane->AddBoundsTransformed(lift, moved);
    EXPECT_EQ(moved.z.min, 3.0);
}

TEST_F(SectionPlaneTest, TheRectangleCoversTheComponentsExtentInThePlane)
{
    owner->bounds.Add(CPoint3d(0, 0, 0));
    owner->bounds.Add(CPoint3d(2, 4, 6));
    CSectionPlane* plane = NewPlane({0, 0, 1, -1});
    plane->UpdateRect();
    const CBoundingBox2d& rect = plane->GetRect();
    EXPECT_NEAR(rect.x.min, 0.0, 1e-12);
    EXPECT_NEAR(rect.x.max, 2.0, 1e-12);
    EXPECT_NEAR(rect.y.min, 0.0, 1e-12);
    EXPECT_NEAR(rect.y.max, 4.0, 1e-12);

    const CBoundingBox2d grown = CSectionPlane::GrowRect(rect, nullptr, plane->GetPlaneFrame());
    EXPECT_NEAR(grown.x.min, -0.3, 1e-12) << "a twentieth of the sides' sum at each end";
    EXPECT_NEAR(grown.y.max, 4.3, 1e-12);

    auto* copy = static_cast<CSectionPlane*>(plane->CreateCopy());
    EXPECT_TRUE(copy->GetRect().IsEmpty());
    EXPECT_TRUE(copy->GetPlane().IsEqual(plane->GetPlane(), true, 1e-12));
    delete copy;
}

TEST_F(SectionPlaneTest, InAnEmptyComponentTheRectangleGrowsFromAPointTo110PixelsEachSide)
{
    CSectionPlane* plane = NewPlane({0, 0, 1, -1});
    plane->UpdateRect();
    EXPECT_EQ(plane->GetRect().x.GetLength(), 0.0) << "a single point";
    ScaledView view;
    const CBoundingBox2d grown = CSectionPlane::GrowRect(plane->GetRect(), &view, plane->GetPlaneFrame());
    EXPECT_NEAR(grown.x.min, -0.6, 1e-12) << "50 pixels, then another 10";
    EXPECT_NEAR(grown.x.max, 0.6, 1e-12);
    EXPECT_NEAR(grown.y.min, -0.6, 1e-12);
}

TEST_F(SectionPlaneTest, AnyRayThatMeetsThePlaneHitsItAtItsDistance)
{
    CSectionPlane* plane = NewPlane({0, 0, 1, -1});
    RecordingPicker picker;
    picker.ray = CRay3d({50, 50, 5}, CUnitVector3d(0, 0, -1));
    double depth = 0, distance = 0;
    ASSERT_TRUE(plane->Pick(&picker, depth, distance)) << "far outside the rectangle";
    EXPECT_NEAR(depth, 4.0, 1e-12);
    EXPECT_EQ(depth, distance);
    picker.ray = CRay3d({0, 0, 5}, CUnitVector3d::XAxis());
    EXPECT_FALSE(plane->Pick(&picker, depth, distance)) << "parallel";
}

TEST_F(SectionPlaneTest, APointPickHitsTheRectangleAndTellsWhetherASideWasHit)
{
    owner->bounds.Add(CPoint3d(0, 0, 0));
    owner->bounds.Add(CPoint3d(10, 10, 10));
    CSectionPlane* plane = NewPlane({0, 0, 1, -5});  // the grown rectangle spans -1 to 11
    RecordingPicker picker;
    struct Case {
        CPoint3d from;
        int result;
        std::vector<int> tags;
    };
    const Case cases[] = {
        {{5, 5, 20}, 1, {2}},   // inside
        {{11, 5, 20}, 1, {1}},  // on a side
        {{30, 30, 20}, 0, {}},  // outside
    };
    for (const Case& c : cases) {
        picker.tags.clear();
        picker.ray = CRay3d(c.from, CUnitVector3d(0, 0, -1));
        EXPECT_EQ(plane->PickInside(&picker), c.result) << c.from.x;
        EXPECT_EQ(picker.tags, c.tags) << c.from.x;
    }
    picker.visible = false;
    EXPECT_EQ(plane->PickInside(&picker), 2);
}

TEST_F(SectionPlaneTest, OtherActivePlanesHideWhatTheyCutAwayOfTheRectangle)
{
    owner->bounds.Add(CPoint3d(0, 0, 0));
    owner->bounds.Add(CPoint3d(10, 10, 10));
    CSectionPlane* plane = NewPlane({0, 0, 1, -5});
    RecordingPicker picker;
    picker.planes.Push(NewPlane({1, 0, 0, -5}));  // keeps x above 5
    const struct {
        double x;
        int result;
    } cases[] = {{7, 1}, {5, 1}, {3, 0}};
    for (const auto& c : cases) {
        picker.ray = CRay3d({c.x, 5, 20}, CUnitVector3d(0, 0, -1));
        EXPECT_EQ(plane->PickInside(&picker), c.result) << c.x;
    }

    picker.planes.Push(NewPlane({0, 0, -1, 5}));  // the plane itself, reversed
    picker.ray = CRay3d({7, 5, 20}, CUnitVector3d(0, 0, -1));
    EXPECT_EQ(plane->PickInside(&picker), 2) << "a plane lying in an active one";
}

TEST_F(SectionPlaneTest, WindowPicksWantTheWholeRectangleAndTheExtentsWalkTakesItsCorners)
{
    owner->bounds.Add(CPoint3d(0, 0, 0));
    owner->bounds.Add(CPoint3d(10, 10, 10));
    CSectionPlane* plane = NewPlane({0, 0, 1, -5});
    RecordingPicker picker;
    picker.mode = IPickHelper::kWindowPick;
    picker.window.Add(CPoint3d(-2, -2, 0));
    picker.window.Add(CPoint3d(12, 12, 10));
    EXPECT_EQ(plane->PickInside(&picker), 1);
    picker.window = {};
    picker.window.Add(CPoint3d(-2, -2, 0));
    picker.window.Add(CPoint3d(5, 12, 10));
    EXPECT_EQ(plane->PickInside(&picker), 0);

    picker.mode = IPickHelper::kExtentsWalk;
    picker.points.clear();
    plane->PickInside(&picker);
    ASSERT_EQ(picker.points.size(), 4u);
    EXPECT_TRUE(picker.points[0].IsEqual({-1, -1, 5}, 1e-9));
    EXPECT_TRUE(picker.points[2].IsEqual({11, 11, 5}, 1e-9));

    // Cut by another plane that keeps x above 5: the kept parts of the sides.
    auto* cutter = NewPlane({1, 0, 0, -5});
    picker.planes.Push(cutter);
    picker.points.clear();
    plane->PickInside(&picker);
    ASSERT_EQ(picker.points.size(), 6u) << "three sides survive the cut";
    for (const CPoint3d& point : picker.points)
        EXPECT_GE(point.x, 5.0 - 1e-9);
}

TEST_F(SectionPlaneTest, TheActivePlaneShowsItsCutWhenTheOptionsShowCuts)
{
    CSectionPlane* plane = NewPlane({0, 0, 1, 0});
    SectionOptions options;
    RecordingView view;
    view.options = &options;
    EXPECT_FALSE(plane->IsActive());
    owner->active = plane;
    EXPECT_TRUE(plane->IsActive());
    EXPECT_TRUE(plane->IsActiveCut(&view));
    options.display = ISectionPlaneDisplayOptions::kPlanesShown;
    EXPECT_FALSE(plane->IsActiveCut(&view));
    EXPECT_EQ(plane->GetDefaultColor(&options), kCutColor);
}

TEST_F(SectionPlaneTest, PlanesShowWhenTheOptionsShowThemOrWhenSelected)
{
    CSectionPlane* plane = NewPlane({0, 0, 1, 0});
    SectionOptions options;
    RecordingView view;
    view.options = &options;
    EXPECT_TRUE(plane->IsVisible(&view));
    options.display = ISectionPlaneDisplayOptions::kCutsShown;
    EXPECT_FALSE(plane->IsVisible(&view));
    plane->SetSelectedFlag(true);
    EXPECT_TRUE(plane->IsVisible(&view));
}

TEST_F(SectionPlaneTest, ErasingTheModelsActivePlaneLeavesNoActivePlane)
{
    CComponent* root = model.GetRoot();
    auto* plane = new CSectionPlane;
    root->Add(plane);
    model.SetActiveSectionPlane(plane);
    ASSERT_EQ(model.GetActiveSectionPlane(), plane);
    EXPECT_TRUE(plane->EraseFrom(root));
    EXPECT_EQ(model.GetActiveSectionPlane(), nullptr);
    EXPECT_TRUE(root->GetEntityList().empty());
}

TEST_F(SectionPlaneTest, TheCheckReportsANonFinitePlane)
{
    CValidityCheckScope checking;
    CSectionPlane* plane = NewPlane({0, 0, 1, 0});
    EXPECT_EQ(plane->CheckValidity(kValidityCheck, nullptr), 0);
    CSectionPlane* broken = NewPlane({0, 0, 1, kNaN});
    EXPECT_EQ(broken->CheckValidity(kValidityCheck, nullptr), 2);
    EXPECT_NE(Report().find(L"The plane for"), std::wstring::npos);
}

}  // namespace

namespace {

// The section planes of a drawing sink: the software tests that cut picked geometry.
class SectionPlaneStackTest : public SectionPlaneTest {
protected:
    // Keeps z above the height.
    CSectionPlane* Above(double height) { return NewPlane({0, 0, 1, -height}); }

    CSectionPlaneStack stack;
};

TEST_F(SectionPlaneStackTest, APointWithinTheToleranceBehindAPlaneIsStillVisible)
{
    stack.Push(Above(0));
    const struct {
        double z;
        bool visible;
    } cases[] = {{1, true}, {0, true}, {-0.0009, true}, {-0.001, false}, {-1, false}};
    for (const auto& c : cases)
        EXPECT_EQ(stack.IsPointVisible({5, 5, c.z}), c.visible) << c.z;
}

TEST_F(SectionPlaneStackTest, SegmentsAndLinesKeepThePartOnTheKeptSide)
{
    stack.Push(Above(1));
    CPoint3d a(0, 0, 0), b(0, 0, 4);
    ASSERT_TRUE(stack.ClipSegment(a, b));
    EXPECT_TRUE(a.IsEqual({0, 0, 1}, 1e-9));
    EXPECT_TRUE(b.IsEqual({0, 0, 4}, 1e-9));

    CPoint3d c(0, 0, 0), d(0, 0, 0.5);
    EXPECT_FALSE(stack.ClipSegment(c, d)) << "wholly behind";
    CPoint3d e(0, 0, 2), f(0, 0, 2.0005);
    EXPECT_FALSE(stack.ClipSegment(e, f)) << "shorter than the tolerance";

    orbisk::geometry::CLine3d line;  // the whole z axis
    ASSERT_TRUE(stack.ClipLine(line));
    EXPECT_NEAR(line.t0, 1.0, 1e-9);
    EXPECT_FALSE(line.HasEnd());

    stack.SetSwitchedOff(true);
    CPoint3d g(0, 0, 0), h(0, 0, 0.5);
    EXPECT_TRUE(stack.ClipSegment(g, h));
    EXPECT_TRUE(g.IsEqual({0, 0, 0}, 1e-12)) << "switched off, nothing is cut";
    EXPECT_TRUE(stack.IsPointVisible({0, 0, -9}));
    EXPECT_EQ(stack.GetCoplanarMask({0, 0, 1, -1}), 0u);
}

TEST_F(SectionPlaneStackTest, EnteredInstancesSeeThePlanesInTheirOwnCoordinates)
{
    stack.Push(Above(1));
    CTransform3d up;
    up.SetTranslation({0, 0, 10});
    stack.PushTransform(up);
    stack.PushTransform(up);
    EXPECT_TRUE(stack.IsPointVisible({0, 0, -18.5})) << "two levels up: z = 1.5 in model coordinates";
    EXPECT_FALSE(stack.IsPointVisible({0, 0, -19.5}));
    stack.PopTransform();
    EXPECT_TRUE(stack.IsPointVisible({0, 0, -9}));
    EXPECT_FALSE(stack.IsPointVisible({0, 0, -9.5}));
    stack.PopTransform();
    EXPECT_TRUE(stack.GetCurrentPlane(0).IsEqual({0, 0, 1, -1}, true, 1e-12));
}

TEST_F(SectionPlaneStackTest, MasksCoverTheFirstSixPlanesOnly)
{
    for (int i = 0; i < 7; ++i)
        stack.Push(Above(1));
    EXPECT_EQ(stack.GetCoplanarMask({0, 0, -1, 1}), 0x3Fu) << "either orientation";
    EXPECT_EQ(stack.GetContainingMask({0, 0, 1}, {5, 5, 1}), 0x3Fu);
    EXPECT_EQ(stack.GetContainingMask({0, 0, 1}, {5, 5, 2}), 0u);
    stack.Pop();
    stack.Pop();
    EXPECT_EQ(stack.GetCoplanarMask({0, 0, 1, -1}), 0x1Fu);
    while (!stack.IsEmpty())
        stack.Pop();
    stack.Pop();
    EXPECT_EQ(stack.GetCount(), 0);
}

TEST_F(SectionPlaneStackTest, APolygonIsClippedByEveryPlaneInTurn)
{
    std::vector<CPoint3d> square{{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}};
    EXPECT_TRUE(stack.ClipPointPolygon(square)) << "no planes";
    EXPECT_EQ(square.size(), 4u);
    stack.Push(NewPlane({1, 0, 0, -1}));
    stack.Push(NewPlane({0, 1, 0, -1}));
    ASSERT_TRUE(stack.ClipPointPolygon(square));
    ASSERT_EQ(square.size(), 4u);
    for (const CPoint3d& point : square)
        EXPECT_TRUE(point.x >= 1 - 1e-9 && point.y >= 1 - 1e-9);
    stack.Push(NewPlane({-1, 0, 0, 0.5}));
    std::vector<CPoint3d> kept = square;
    EXPECT_FALSE(stack.ClipPointPolygon(kept));
    EXPECT_EQ(kept, square) << "a polygon cut away wholly is left as it was";
}

}  // namespace
