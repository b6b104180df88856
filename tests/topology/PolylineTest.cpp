// Polylines: their record (counts that lie about the points that follow among them), bounds,
// picks in every mode, the polygon clip by a plane, checks, transformation and export.

#include <limits>

#include "geometry/Transform3d.h"
#include "tests/topology/ContentsTestSupport.h"
#include "topology/Polyline3d.h"
#include "topology/SectionPlane.h"

using orbisk::geometry::CBoundingBox3d;
using orbisk::geometry::CRay3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CUnitVector3d;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

void ExpectPoints(const std::vector<CPoint3d>& actual, const std::vector<CPoint3d>& expected, const char* why)
{
    ASSERT_EQ(actual.size(), expected.size()) << why;
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_TRUE(actual[i].IsEqual(expected[i], 1e-9)) << why << ", point " << i;
}

class PolylineTest : public ContentsTest {
protected:
    CPolyline3d* NewPolyline(std::vector<CPoint3d> points) { return new CPolyline3d(std::move(points)); }

    ContentsRecords records;
    // An L in the plane z = 0.
    const std::vector<CPoint3d> ell{{0, 0, 0}, {4, 0, 0}, {4, 3, 0}};
};

TEST_F(PolylineTest, ARecordReadsItsPoints)
{
    auto* polyline = Read<CPolyline3d>(records, records.Polyline({}, 3, ell));
    ASSERT_NE(polyline, nullptr);
    ExpectPoints(polyline->GetPoints(), ell, "as stored");
    EXPECT_EQ(polyline->GetEntityType(), 27);

    auto* empty = Read<CPolyline3d>(records, records.Polyline({}, 0, {}));
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->GetPointCount(), 0);
    CValidityCheckScope checking;
    EXPECT_EQ(empty->CheckValidity(kValidityCheck, nullptr), 0) << "no points is valid";
}

TEST_F(PolylineTest, APolylineCopiesThroughTheArchive)
{
    auto* copy = CopyThroughArchive(NewPolyline(ell));
    ASSERT_NE(copy, nullptr);
    ExpectPoints(copy->GetPoints(), ell, "copied");
}

TEST_F(PolylineTest, ACountThatIsNegativeOrBeyondThePointsFailsTheRecord)
{
    UseSchemas(records);
    struct Case {
        int32_t count;
        size_t written;
        int cause;
    };
    const Case cases[] = {
        {-1, 0, CArchiveException::genericException},
        {-5, 3, CArchiveException::genericException},
        {4, 3, CArchiveException::endOfFile},
        {std::numeric_limits<int32_t>::max(), 3, CArchiveException::endOfFile},
    };
    for (const Case& c : cases) {
        const std::vector<CPoint3d> points(ell.begin(), ell.begin() + static_cast<std::ptrdiff_t>(c.written));
        EXPECT_EQ(ReadFailure(records.Polyline({}, c.count, points)), c.cause) << "count " << c.count;
    }
}

TEST_F(PolylineTest, EveryRecordOfTheseClassesCutShortFailsCleanly)
{
    UseSchemas(records);
    const double plane[4] = {0, 0, 1, 0};
    const Bytes whole[] = {
        records.Polyline({}, 3, ell), records.SectionPlane({}, plane),
        records.GuideLine({}, {}),    records.GuidePoint({}, {}, {}, true),
        records.Axes({}, {}),
    };
    for (const Bytes& bytes : whole) {
        for (size_t length = 1; length < bytes.size(); ++length) {
            const Bytes cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
            EXPECT_NE(ReadFailure(cut), CArchiveException::none)
                << length << " of " << bytes.size() << " bytes";
        }
    }
}

TEST_F(PolylineTest, EveryPointBoundsThePolylineEvenASingleOne)
{
    CBoundingBox3d box;
    NewPolyline({{2, 3, 4}})->AddBounds(box);
    EXPECT_EQ(box.x.min, 2.0);
    EXPECT_EQ(box.z.max, 4.0);

    CBoundingBox3d moved;
    NewPolyline(ell)->AddBoundsTransformed(CTransform3d(2, 2, 2), moved);
    EXPECT_EQ(moved.x.max, 8.0);
    EXPECT_EQ(moved.y.max, 6.0);
}

TEST_F(PolylineTest, ScreenBoundsTakeThePointsTheViewCanProject)
{
    // Ten pixels a unit; points behind x = 0 cannot be projected.
    class HalfView : public RecordingView {
    public:
        bool ModelToScreen(const CPoint3d& local, CPoint3d& out) override
        {
            out = CPoint3d(local.x * 10, local.y * 10, 0.5);
            return local.x >= 0;
        }
    } view;
    CBoundingBox3d box;
    NewPolyline({{-5, 9, 0}, {1, 1, 0}, {2, 3, 0}})->AddScreenBounds(box, &view);
    EXPECT_EQ(box.x.min, 10.0);
    EXPECT_EQ(box.x.max, 20.0);
    EXPECT_EQ(box.y.max, 30.0) << "the point that cannot be projected adds nothing";
}

TEST_F(PolylineTest, APointPickHitsASegmentUnderTheRay)
{
    RecordingPicker picker;
    picker.ray = CRay3d({4.05, 1, 10}, CUnitVector3d(0, 0, -1));
    auto* polyline = NewPolyline(ell);
    EXPECT_EQ(polyline->PickInside(&picker), 1);
    EXPECT_EQ(picker.segments.size(), 2u) << "the second segment is the one under the ray";

    picker.ray = CRay3d({2, 2, 10}, CUnitVector3d(0, 0, -1));
    EXPECT_EQ(polyline->PickInside(&picker), 0);

    EXPECT_EQ(NewPolyline({{4, 1, 0}})->PickInside(&picker), 0) << "one point is never picked";
    picker.visible = false;
    EXPECT_EQ(polyline->PickInside(&picker), 0);
}

TEST_F(PolylineTest, PickingGivesTheDepthOfTheNearestSegment)
{
    RecordingPicker picker;
    // Two segments near the ray: the second passes through it, the first 0.05 beside it.
    auto* polyline = NewPolyline({{0, 0.05, 1}, {2, 0.05, 1}, {2, 0, 3}, {0, 0, 3}});
    picker.ray = CRay3d({1, 0, 10}, CUnitVector3d(0, 0, -1));
    double depth = 0, distance = 0;
    ASSERT_TRUE(polyline->Pick(&picker, depth, distance));
    EXPECT_NEAR(depth, 7.0, 1e-9) << "the segment at z = 3 is nearest the ray";
    EXPECT_EQ(depth, distance);

    picker.ray = CRay3d({1, 5, 10}, CUnitVector3d(0, 0, -1));
    EXPECT_FALSE(polyline->Pick(&picker, depth, distance)) << "no segment within the aperture";
    EXPECT_EQ(depth, 0.0);
    EXPECT_FALSE(NewPolyline({{1, 0, 0}})->Pick(&picker, depth, distance));
}

TEST_F(PolylineTest, AWindowPickWantsEveryPointInside)
{
    RecordingPicker picker;
    picker.mode = IPickHelper::kWindowPick;
    picker.window.Add(CPoint3d(-1, -1, -1));
    picker.window.Add(CPoint3d(5, 5, 1));
    auto* polyline = NewPolyline(ell);
    EXPECT_EQ(polyline->PickInside(&picker), 1);

    auto* leaving = NewPolyline({{0, 0, 0}, {9, 0, 0}, {4, 3, 0}});
    picker.points.clear();
    EXPECT_EQ(leaving->PickInside(&picker), 0);
    EXPECT_EQ(picker.points.size(), 2u) << "the walk ends at the first point outside";

    picker.mode = IPickHelper::kCrossingPick;
    EXPECT_EQ(polyline->PickInside(&picker), 0) << "crossing picks do not pick polylines";
}

TEST_F(PolylineTest, WindowAndExtentsPicksTestThePolygonKeptBySectionPlanes)
{
    auto* plane = new CSectionPlane;
    plane->SetPlane({1, 0, 0, -1});  // keeps x above 1
    RecordingPicker picker;
    picker.mode = IPickHelper::kExtentsWalk;
    picker.window.Add(CPoint3d(-9, -9, -9));
    picker.window.Add(CPoint3d(9, 9, 9));
    picker.planes.Push(plane);
    EXPECT_EQ(NewPolyline(ell)->PickInside(&picker), 1);
    ExpectPoints(picker.points, {{1, 0.75, 0}, {1, 0, 0}, {4, 0, 0}, {4, 3, 0}},
                 "the clipped closed polygon");

    EXPECT_EQ(NewPolyline({{0, 0, 0}, {0.5, 0, 0}})->PickInside(&picker), 2) << "wholly cut away";
}

TEST_F(PolylineTest, ClippingAPolygonByAPlaneKeepsThePartOnItsPositiveSide)
{
    std::vector<CPoint3d> square{{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}};
    ASSERT_TRUE(ClipPointPolygonToPlane(square, {1, 0, 0, -1}));
    ExpectPoints(square, {{1, 0, 0}, {2, 0, 0}, {2, 2, 0}, {1, 2, 0}}, "x - 1 = 0");

    std::vector<CPoint3d> repeated{{2, 0, 0}, {2, 0, 0}, {2, 2, 0}};
    ASSERT_TRUE(ClipPointPolygonToPlane(repeated, {1, 0, 0, -1}));
    ExpectPoints(repeated, {{2, 0, 0}, {2, 2, 0}}, "a repeated point counts once");

    std::vector<CPoint3d> behind{{0, 0, 0}, {0.5, 0, 0}, {0, 1, 0}};
    EXPECT_FALSE(ClipPointPolygonToPlane(behind, {1, 0, 0, -1}));
    EXPECT_TRUE(behind.empty());
}

TEST_F(PolylineTest, TheCheckNamesTheLastInvalidPoint)
{
    CValidityCheckScope checking;
    auto* polyline = NewPolyline({{0, 0, 0}, {kNaN, 0, 0}, {1, 1, 1}, {0, 0, kNaN}});
    EXPECT_EQ(polyline->CheckValidity(kValidityCheck, nullptr), 2);
    EXPECT_NE(Report().find(L"Point 3 for"), std::wstring::npos) << Report();
    EXPECT_EQ(Report().find(L"Point 1 for"), std::wstring::npos) << Report();
    EXPECT_EQ(polyline->CheckValidity(kValidityCheckIgnoringIds, nullptr), 0);
}

TEST_F(PolylineTest, TransformMovesEveryPointAndSwapExchangesThem)
{
    auto* polyline = NewPolyline(ell);
    polyline->Transform(CTransform3d(2, 1, 1));
    ExpectPoints(polyline->GetPoints(), {{0, 0, 0}, {8, 0, 0}, {8, 3, 0}}, "scaled along x");

    auto* other = NewPolyline({{1, 1, 1}});
    polyline->SwapContents(*other);
    EXPECT_EQ(polyline->GetPointCount(), 1);
    EXPECT_EQ(other->GetPointCount(), 3);
}

TEST_F(PolylineTest, APolylineIsExportedToVisitorsThatWantEdges)
{
    RecordingExportVisitor visitor;
    auto* polyline = NewPolyline(ell);
    EXPECT_TRUE(polyline->Accept(&visitor));
    EXPECT_EQ(visitor.sent, std::vector<std::string>{"polyline 3"});
    visitor.wantsEdges = false;
    visitor.sent.clear();
    EXPECT_TRUE(polyline->Accept(&visitor));
    EXPECT_TRUE(visitor.sent.empty());
}

}  // namespace
