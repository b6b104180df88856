// Guide lines and guide points: their records, bounds, visibility and colours through a view's
// options, their picks, checks, transformations and export.

#include <cmath>
#include <limits>
#include <memory>

#include "database/ArchiveSchema.h"
#include "database/IModelView.h"
#include "database/Layer.h"
#include "database/LayerManager.h"
#include "database/Material.h"
#include "database/UndoManager.h"
#include "database/VersionMap.h"
#include "geometry/Transform3d.h"
#include "tests/topology/ContentsTestSupport.h"
#include "topology/ConstructionLine.h"
#include "topology/ConstructionPoint.h"
#include "topology/GuideDisplayOptions.h"
#include "topology/SectionPlane.h"

using orbisk::geometry::CBoundingBox3d;
using orbisk::geometry::CLine3d;
using orbisk::geometry::CRay3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CUnitVector3d;
using orbisk::utils::CColor;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr CColor kGuideColor{0, 0, 120};
constexpr CColor kWhite{255, 255, 255};

class GuideOptions : public IRenderingOptions, public IGuideDisplayOptions {
public:
    CColor GetEdgeColor() const override { return {1, 2, 3}; }
    CColor GetSelectedColor() const override { return {255, 255, 0}; }
    CColor GetLockedColor() const override { return {255, 0, 0}; }
    bool IsColorByLayer() const override { return byLayer; }
    bool IsHiddenGeometryShown() const override { return false; }
    void SetAxesShown(bool) override {}
    bool GetTransparencyEnabled() const override { return true; }
    bool GetXRay() const override { return false; }
    double GetXRayOpacity() const override { return 1.0; }
    bool AreGuidesHidden() const override { return hidden; }
    CColor GetGuideColor() const override { return kGuideColor; }

    bool hidden = false;
    bool byLayer = false;
};

class WhiteBackgroundView : public RecordingView {
public:
    void GetBackgroundColor(CColor& out) override { out = kWhite; }
};

class GuideVisitor : public RecordingExportVisitor {
public:
    bool WantsGuides() override { return wantsGuides; }
    bool AddGuideLine(const CLine3d& line, CColor, CLayer*) override
    {
        sent.push_back("guide line");
        lines.push_back(line);
        return true;
    }
    bool AddGuidePoint(const CPoint3d& point, CColor, CLayer*) override
    {
        sent.push_back("guide point");
        points = {point};
        return true;
    }

    bool wantsGuides = true;
    std::vector<CLine3d> lines;
};

class GuideTest : public ContentsTest {
protected:
    CConstructionLine* NewLine(const CLine3d& line) { return new CConstructionLine(line); }
    // The segment from a to b.
    CConstructionLine* NewSegment(const CPoint3d& a, const CPoint3d& b) { return NewLine(CLine3d(a, b)); }

    GuideOptions options;
    WhiteBackgroundView view;
};

TEST_F(GuideTest, GuideLineRecordsOfBothSchemasRead)
{
    GuideLineFields fields{{1, 2, 3}, {0, 0, 4}, -2.0, 5.0, 0x1AAAA};
    struct Case {
        int32_t schema;
        double t0, t1;
        uint16_t stipple;
    };
    const Case cases[] = {
        {0, -1e30, 1e30, 0},  // only the ray: an infinite line
        {1, -2.0, 5.0, 0xAAAA},
    };
    for (const Case& c : cases) {
        ContentsRecords records({.constructionLine = c.schema});
        auto* guide = Read<CConstructionLine>(records, records.GuideLine({}, fields));
        ASSERT_NE(guide, nullptr) << c.schema;
        const CLine3d& line = guide->GetGuideLine();
        EXPECT_TRUE(line.origin.IsEqual({1, 2, 3}, 1e-12)) << c.schema;
        EXPECT_TRUE(CVector3d(line.direction).IsEqual({0, 0, 1}, 1e-12)) << "normalised, schema " << c.schema;
        EXPECT_EQ(line.t0, c.t0) << c.schema;
        EXPECT_EQ(line.t1, c.t1) << c.schema;
        EXPECT_EQ(guide->GetStipple(), c.stipple) << c.schema;
        EXPECT_EQ(guide->GetEntityType(), 7);
    }
}

TEST_F(GuideTest, AGuideDrawsWithItsOwnStippleElseTheDefaultOfItsState)
{
    ContentsRecords records({.constructionLine = 0});
    ElementFields hidden;
    hidden.hidden = true;
    auto* shown = Read<CConstructionLine>(records, records.GuideLine({}, {}));
    auto* dimmed = Read<CConstructionLine>(records, records.GuideLine(hidden, {}));
    EXPECT_EQ(shown->GetDrawStipple(), 0x0F0F);
    EXPECT_EQ(dimmed->GetDrawStipple(), 0x3333);

    ContentsRecords current;
    GuideLineFields own;
    own.stipple = 0xAAAA;
    EXPECT_EQ(Read<CConstructionLine>(current, current.GuideLine(hidden, own))->GetDrawStipple(), 0xAAAA);
    EXPECT_EQ(Read<CConstructionLine>(current, current.GuideLine({}, own))->GetDrawStipple(), 0xAAAA);
}

TEST_F(GuideTest, AGuidePointRecordReads)
{
    ContentsRecords records;
    auto* guide = Read<CConstructionPoint>(records, records.GuidePoint({}, {1, 2, 3}, {4, 5, 6}, true));
    ASSERT_NE(guide, nullptr);
    EXPECT_TRUE(guide->GetPosition().IsEqual({1, 2, 3}, 1e-12));
    EXPECT_TRUE(guide->GetFromPosition().IsEqual({4, 5, 6}, 1e-12));
    EXPECT_TRUE(guide->HasFromLine());
    EXPECT_EQ(guide->GetEntityType(), 8);
}

TEST_F(GuideTest, GuidesCopyThroughTheArchive)
{
    CLine3d half(CRay3d({1, 2, 3}, CUnitVector3d::YAxis()), false, true);
    half.t0 = -2.0;
    auto* line = NewLine(half);
    line->SetHidden(true);
    auto* copy = CopyThroughArchive(line);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetGuideLine().t0, -2.0);
    EXPECT_EQ(copy->GetGuideLine().t1, 1e30);
    EXPECT_TRUE(copy->GetGuideLine().origin.IsEqual({1, 2, 3}, 1e-12));
    EXPECT_TRUE(copy->GetFlags() & CDrawingElement::kHidden);

    auto* point = CopyThroughArchive(new CConstructionPoint({1, 2, 3}, {4, 5, 6}, true));
    ASSERT_NE(point, nullptr);
    EXPECT_TRUE(point->GetFromPosition().IsEqual({4, 5, 6}, 1e-12));
    EXPECT_TRUE(point->HasFromLine());
}

TEST_F(GuideTest, TheOldestSaveFormatStoresAGuideLineAsItsRay)
{
    auto* line = NewSegment({0, 0, 0}, {0, 0, 2});
    SetSaveFormat(3000);
    const Bytes oldest = WrittenBy([&](CArchive& ar) { ar << static_cast<const CObject*>(line); });
    SetSaveFormat(8000);

    // Read back as a file of that format: every class at the schema the format gives it.
    auto* map = new CVersionMap;
    for (const ClassSchema& entry : GetClassSchemaTable()) {
        const int32_t schema = entry.registry[kClassVersionRegistryCount - 1];
        if (schema != ClassSchema::kAbsent)
            map->Set(entry.className, schema);
    }
    SetCurrentVersionMap(map);
    auto* read = ReadOne<CConstructionLine>(oldest);
    ASSERT_NE(read, nullptr);
    EXPECT_FALSE(read->GetGuideLine().HasStart()) << "the ray only: an infinite guide";
    EXPECT_FALSE(read->GetGuideLine().HasEnd());
}

TEST_F(GuideTest, AGuideReadWithAMaterialKeepsNone)
{
    ContentsRecords records({.entity = 0});
    ElementFields painted;
    painted.material = CColor(255, 0, 0);
    CDrawingElement* guides[] = {
        Read<CConstructionLine>(records, records.GuideLine(painted, {})),
        Read<CConstructionPoint>(records, records.GuidePoint(painted, {}, {}, false)),
    };
    for (CDrawingElement* guide : guides) {
        ASSERT_NE(guide, nullptr);
        EXPECT_EQ(guide->GetMaterial(), nullptr) << guide->GetClassName().GetString();
        EXPECT_FALSE(guide->AcceptsMaterial());
    }
    EXPECT_EQ(model.GetDroppedObjects().GetCount(), 2) << "the materials wait for the model to free them";
}

TEST_F(GuideTest, AnUnboundedGuideBoundsOnlyItsOriginABoundedOneBothEnds)
{
    const CRay3d ray({1, 1, 1}, CUnitVector3d::XAxis());
    struct Case {
        CLine3d line;
        CBoundingBox3d expected;
    };
    CBoundingBox3d origin, segment;
    origin.Add(CPoint3d(1, 1, 1));
    segment.Add(CPoint3d(1, 1, 1));
    segment.Add(CPoint3d(2, 1, 1));
    const Case cases[] = {{CLine3d(ray, true, true), origin},
                          {CLine3d(ray, false, true), origin},
                          {CLine3d(ray, true, false), origin},
                          {CLine3d(ray, false, false), segment}};
    for (const Case& c : cases) {
        CBoundingBox3d box;
        NewLine(c.line)->AddBounds(box);
        EXPECT_EQ(box.x.min, c.expected.x.min);
        EXPECT_EQ(box.x.max, c.expected.x.max);
    }

    CBoundingBox3d moved;
    NewSegment({0, 0, 0}, {1, 0, 0})->AddBoundsTransformed(CTransform3d(2, 2, 2), moved);
    EXPECT_EQ(moved.x.max, 2.0);

    CBoundingBox3d point;
    (new CConstructionPoint({3, 3, 3}, {9, 9, 9}, true))->AddBounds(point);
    EXPECT_EQ(point.x.min, 3.0);
    EXPECT_EQ(point.x.max, 3.0) << "the from-position is not part of the bounds";
}

TEST_F(GuideTest, HiddenGuidesHideEveryGuideSelectedOrNot)
{
    view.options = &options;
    auto* line = NewLine({});
    auto* point = new CConstructionPoint;
    EXPECT_TRUE(line->IsVisible(&view));
    options.hidden = true;
    for (CConstructionGeometry* guide :
         {static_cast<CConstructionGeometry*>(line), static_cast<CConstructionGeometry*>(point)}) {
        EXPECT_FALSE(guide->IsVisible(&view));
        guide->SetSelectedFlag(true);
        EXPECT_FALSE(guide->IsVisible(&view)) << "selected";
    }
    EXPECT_TRUE(line->IsVisible(nullptr)) << "without options";
}

TEST_F(GuideTest, AGuideTakesTheGuideColourDimmedWhenHiddenAndTheSelectionColoursWhenSelected)
{
    view.options = &options;
    auto* guide = NewLine({});
    EXPECT_EQ(guide->GetColorForView(&view), kGuideColor);
    guide->SetHidden(true);
    EXPECT_EQ(guide->GetColorForView(&view), CColor(127, 127, 187, 255)) << "halfway to the white background";
    guide->SetSelectedFlag(true);
    EXPECT_EQ(guide->GetColorForView(&view), options.GetSelectedColor()) << "selection is not dimmed";
}

TEST_F(GuideTest, ColouredByLayerAGuideTakesItsLayersColourOrTheOneItsInstanceHandsDown)
{
    std::unique_ptr<CLayer> walls;
    {
        // The layer owns its material: neither is the operation's to free.
        CSuspendUndo unrecorded;
        walls = std::make_unique<CLayer>();
        walls->SetName(L"Walls");
        walls->GetMaterial()->SetColor(CColor(10, 200, 30));
    }
    options.byLayer = true;
    view.options = &options;
    auto* own = NewLine({});
    own->SetLayer(walls.get());
    EXPECT_EQ(own->GetColorForView(&view), CColor(10, 200, 30));

    auto* inherited = NewLine({});
    const CLayer* layer0 = model.GetLayerManager()->GetDefaultLayer();
    ASSERT_EQ(inherited->GetLayer(), layer0) << "a new element takes the model's current layer";
    EXPECT_EQ(inherited->GetColorForView(&view), layer0->GetMaterial()->GetDisplayColor());
    view.inheritedLayer = walls.get();
    EXPECT_EQ(inherited->GetColorForView(&view), CColor(10, 200, 30));
    own->SetLayer(nullptr);
    inherited->SetLayer(nullptr);
}

TEST_F(GuideTest, AGuideLineIsPickedWhereThePickRayPassesIt)
{
    auto* guide = NewSegment({0, 0, 0}, {10, 0, 0});
    RecordingPicker picker;
    picker.ray = CRay3d({4, 0.05, 7}, CUnitVector3d(0, 0, -1));
    double depth = 0, distance = 0;
    ASSERT_TRUE(guide->Pick(&picker, depth, distance));
    EXPECT_NEAR(depth, 7.0, 1e-9);
    EXPECT_EQ(depth, distance);
    EXPECT_EQ(guide->PickInside(&picker), 1);

    picker.ray = CRay3d({4, 0, 7}, CUnitVector3d::XAxis());
    EXPECT_FALSE(guide->Pick(&picker, depth, distance)) << "parallel to the guide";

    picker.visible = false;
    EXPECT_EQ(guide->PickInside(&picker), 0);
}

TEST_F(GuideTest, AGuideCutAwayBySectionPlanesIsNotPicked)
{
    auto* plane = new CSectionPlane;
    plane->SetPlane({0, 0, 1, -5});  // keeps z above 5
    RecordingPicker picker;
    picker.planes.Push(plane);
    picker.ray = CRay3d({0, 0, 10}, CUnitVector3d(0, 0, -1));
    EXPECT_EQ(NewSegment({-1, 0, 0}, {1, 0, 0})->PickInside(&picker), 2);
    EXPECT_EQ((new CConstructionPoint({0, 0, 0}, {}, false))->PickInside(&picker), 2);
    EXPECT_EQ((new CConstructionPoint({0, 0, 1}, {0, 0, 0}, true))->PickInside(&picker), 2);

    picker.ray = CRay3d({0, 7, 10}, CUnitVector3d(0, 0, -1));
    ASSERT_EQ(NewSegment({0, 0, 0}, {0, 9, 9})->PickInside(&picker), 1);
    ASSERT_EQ(picker.lines.size(), 1u);
    EXPECT_NEAR(picker.lines[0].t0, 5 * std::sqrt(2.0), 1e-9) << "the picker tests the part that is kept";
}

TEST_F(GuideTest, TheRayPickOfAGuidePointTestsItsPosition)
{
    auto* guide = new CConstructionPoint({2, 0, 0}, {0, 0, 0}, false);
    const CLine3d through(CRay3d({2, 0, 5}, CUnitVector3d(0, 0, -1)), false, true);
    CPoint3d hit;
    ASSERT_TRUE(guide->PickLine(through, hit, true));
    EXPECT_TRUE(hit.IsEqual({2, 0, 0}, 1e-12));

    const CLine3d throughFrom(CRay3d({0, 0, 5}, CUnitVector3d(0, 0, -1)), false, true);
    EXPECT_FALSE(guide->PickLine(throughFrom, hit, true)) << "the from-position is not the guide point";

    const CLine3d shortOfIt(CRay3d({2, 0, 5}, CUnitVector3d(0, 0, -1)), false, false);  // ends at z = 4
    EXPECT_FALSE(guide->PickLine(shortOfIt, hit, true));
    guide->SetHidden(true);
    EXPECT_FALSE(guide->PickLine(through, hit, true));
    EXPECT_TRUE(guide->PickLine(through, hit, false));
}

TEST_F(GuideTest, TheRayPickOfAGuideLineFindsItsPointOnTheRay)
{
    const CLine3d down(CRay3d({3, 0, 5}, CUnitVector3d(0, 0, -1)), false, true);
    CPoint3d hit;
    auto* infinite = NewLine(CLine3d(CRay3d({-100, 0, 0}, CUnitVector3d::XAxis()), true, true));
    ASSERT_TRUE(infinite->PickLine(down, hit, true)) << "an infinite guide reaches every ray that crosses it";
    EXPECT_TRUE(hit.IsEqual({3, 0, 0}, 1e-9));

    auto* segment = NewSegment({0, 0, 0}, {2, 0, 0});
    EXPECT_FALSE(segment->PickLine(down, hit, true)) << "beyond the segment's end";

    const CLine3d behind(CRay3d({3, 0, -1}, CUnitVector3d(0, 0, -1)), false, true);
    EXPECT_FALSE(infinite->PickLine(behind, hit, true)) << "behind the ray's origin";
}

TEST_F(GuideTest, AGuidePointPicksItsSegmentOrItsPosition)
{
    RecordingPicker picker;
    picker.ray = CRay3d({1, 0, 5}, CUnitVector3d(0, 0, -1));
    auto* withLine = new CConstructionPoint({2, 0, 0}, {0, 0, 0}, true);
    EXPECT_EQ(withLine->PickInside(&picker), 1) << "the ray crosses the from-line";
    ASSERT_EQ(picker.segments.size(), 1u);

    auto* alone = new CConstructionPoint({2, 0, 0}, {0, 0, 0}, false);
    EXPECT_EQ(alone->PickInside(&picker), 0);
    ASSERT_EQ(picker.points.size(), 1u);
    EXPECT_TRUE(picker.points[0].IsEqual({2, 0, 0}, 1e-12));

    double depth = 0, distance = 0;
    EXPECT_TRUE(alone->Pick(&picker, depth, distance));
    EXPECT_NEAR(depth, std::sqrt(26.0), 1e-9) << "from the ray's origin to the position";
}

TEST_F(GuideTest, ChecksReportNonFiniteLinesAndPositions)
{
    CValidityCheckScope checking;
    CLine3d broken;
    broken.t0 = kNaN;
    EXPECT_EQ(NewLine(broken)->CheckValidity(kValidityCheck, nullptr), 2);
    EXPECT_NE(Report().find(L"The line for"), std::wstring::npos);
    EXPECT_EQ(NewLine(broken)->CheckValidity(kValidityCheckIgnoringIds, nullptr), 0);
    EXPECT_EQ(NewSegment({0, 0, 0}, {1, 0, 0})->CheckValidity(kValidityCheck, nullptr), 0);

    struct Case {
        CPoint3d position, from;
        const wchar_t* message;
    };
    const Case cases[] = {{{kNaN, 0, 0}, {}, L"The position for"},
                          {{}, {0, kNaN, 0}, L"The from position for"}};
    for (const Case& c : cases) {
        ClearValidityReport();
        EXPECT_EQ((new CConstructionPoint(c.position, c.from, true))->CheckValidity(kValidityCheck, nullptr),
                  2);
        EXPECT_NE(Report().find(c.message), std::wstring::npos) << Report();
    }
}

TEST_F(GuideTest, TransformedGuidesKeepTheirEndsOnTheirGeometry)
{
    auto* segment = NewSegment({1, 0, 0}, {2, 0, 0});
    segment->Transform(CTransform3d(3, 3, 3));
    CPoint3d start, end;
    ASSERT_TRUE(segment->GetGuideLine().GetStartPoint(start));
    ASSERT_TRUE(segment->GetGuideLine().GetEndPoint(end));
    EXPECT_TRUE(start.IsEqual({3, 0, 0}, 1e-9));
    EXPECT_TRUE(end.IsEqual({6, 0, 0}, 1e-9));

    auto* point = new CConstructionPoint({1, 0, 0}, {0, 1, 0}, true);
    point->Transform(CTransform3d(CPoint3d(), CUnitVector3d::ZAxis(), std::acos(0.0)));
    EXPECT_TRUE(point->GetPosition().IsEqual({0, 1, 0}, 1e-9));
    EXPECT_TRUE(point->GetFromPosition().IsEqual({-1, 0, 0}, 1e-9));

    point->SetPosition({7, 7, 7});
    EXPECT_TRUE(point->GetPosition().IsEqual({7, 7, 7}, 1e-12));
    segment->SetPosition({7, 7, 7});
    EXPECT_TRUE(segment->GetGuideLine().origin.IsEqual({7, 7, 7}, 1e-12));
}

TEST_F(GuideTest, GuidesAreExportedOnlyToVisitorsThatWantThem)
{
    GuideVisitor visitor;
    auto* line = NewSegment({0, 0, 0}, {1, 0, 0});
    auto* point = new CConstructionPoint({5, 5, 5}, {}, false);
    EXPECT_TRUE(line->Accept(&visitor));
    EXPECT_TRUE(point->Accept(&visitor));
    ASSERT_EQ(visitor.sent, (std::vector<std::string>{"guide line", "guide point"}));
    EXPECT_TRUE(visitor.points[0].IsEqual({5, 5, 5}, 1e-12));

    visitor.sent.clear();
    visitor.wantsGuides = false;
    EXPECT_TRUE(line->Accept(&visitor));
    EXPECT_TRUE(visitor.sent.empty());
}

}  // namespace
