#include "GeomTestSupport.h"

#include "geometry/Plane3d.h"
#include "geometry/Ray3d.h"

#include <limits>
#include <vector>

namespace geomtest {
namespace {

TEST(Plane3d, ThreePointsOrientTheNormalByTheirOrder)
{
    EXPECT_TRUE(
        NearPlane(CPlane3d(CPoint3d(0, 0, 0), CPoint3d(1, 0, 0), CPoint3d(0, 1, 0)), RawPlane(0, 0, 1, 0)));
    EXPECT_TRUE(
        NearPlane(CPlane3d(CPoint3d(0, 0, 0), CPoint3d(0, 1, 0), CPoint3d(1, 0, 0)), RawPlane(0, 0, -1, 0)));
    EXPECT_TRUE(
        NearPlane(CPlane3d(CPoint3d(0, 0, 2), CPoint3d(1, 0, 2), CPoint3d(0, 1, 2)), RawPlane(0, 0, 1, -2)));
    // Collinear points give the zero normal, never a rejection.
    EXPECT_TRUE(
        NearPlane(CPlane3d(CPoint3d(0, 0, 0), CPoint3d(1, 0, 0), CPoint3d(2, 0, 0)), RawPlane(0, 0, 0, 0)));
}

TEST(Plane3d, FourValuesAreNormalised)
{
    EXPECT_TRUE(NearPlane(CPlane3d(0, 0, 2, 4), RawPlane(0, 0, 1, 2)));
    EXPECT_TRUE(NearPlane(CPlane3d(0, 0, 1e-11, 3), RawPlane(0, 0, 0, 3)));
}

TEST(Plane3d, DistancesAndProjection)
{
    const CPlane3d plane(0, 0, 1, -2);
    EXPECT_DOUBLE_EQ(plane.SignedDistance(CPoint3d(5, 5, -1)), -3);
    EXPECT_DOUBLE_EQ(plane.DistanceTo(CPoint3d(5, 5, -1)), 3);
    EXPECT_TRUE(Near3(plane.ProjectPoint(CPoint3d(5, 6, 7)), CPoint3d(5, 6, 2)));
    EXPECT_TRUE(Near3(plane.GetPoint(), CPoint3d(0, 0, 2)));
    EXPECT_TRUE(Near3(CPlane3d(0, 0, 1, 0.0005).GetPoint(), CPoint3d(), 0.0));

    CPlane3d moved = plane;
    moved.Offset(3);
    EXPECT_TRUE(NearPlane(moved, RawPlane(0, 0, 1, -5)));
}

TEST(Plane3d, OrientMakesTheFirstSignificantCoefficientPositive)
{
    struct Case {
        CPlane3d plane, oriented;
    } cases[] = {
        {RawPlane(0, 0, -1, 0), RawPlane(0, 0, 1, 0)},
        {RawPlane(0.0005, -1, 0, 0.0002), RawPlane(-0.0005, 1, 0, -0.0002)},
        {RawPlane(0, 0, 1, -5), RawPlane(0, 0, -1, 5)},
        {RawPlane(-1, 0, 0.0009, 0), RawPlane(1, 0, -0.0009, 0)},
        {RawPlane(0.6, 0.8, 0, 0), RawPlane(0.6, 0.8, 0, 0)},
    };
    for (const Case& c : cases) {
        CPlane3d plane = c.plane;
        plane.Orient();
        EXPECT_TRUE(NearPlane(plane, c.oriented, 0.0));
    }
}

TEST(Plane3d, RayIntersectionRefusesNearlyParallelRays)
{
    const CPlane3d plane;
    const CRay3d down(CPoint3d(1, 2, 5), -CUnitVector3d::ZAxis());
    double t = 0;
    ASSERT_TRUE(plane.IntersectRay(down, t));
    EXPECT_DOUBLE_EQ(t, 5);
    CPoint3d p;
    ASSERT_TRUE(plane.Intersect(down, p));
    EXPECT_TRUE(Near3(p, CPoint3d(1, 2, 0)));

    const CRay3d grazing(CPoint3d(0, 0, 1), CUnitVector3d(1, 0, 5e-7));
    ASSERT_LT(std::abs(grazing.direction.z), 1e-6);
    const CPoint3d untouched(9, 9, 9);
    p = untouched;
    EXPECT_FALSE(plane.Intersect(grazing, p));
    EXPECT_TRUE(Near3(p, untouched, 0.0));
}

TEST(Plane3d, TwoPlanesMeetInALine)
{
    CRay3d line;
    ASSERT_TRUE(CPlane3d(0, 0, 1, -3).IntersectPlane(CPlane3d(1, 0, 0, -2), line));
    EXPECT_TRUE(CUnitVector3d(line.direction).IsParallelTo(CUnitVector3d::YAxis()));
    EXPECT_TRUE(Near3(line.origin, CPoint3d(2, line.origin.y, 3)));
    EXPECT_FALSE(CPlane3d(0, 0, 1, -3).IntersectPlane(CPlane3d(0, 0, -1, 5), line));
}

TEST(Plane3d, ClassifyBoxHasNoTolerance)
{
    const CPlane3d plane(0, 0, 1, 0);
    EXPECT_EQ(plane.ClassifyBox(Box({0, 0, 0.5}, {1, 1, 1})), CPlane3d::kBoxPositive);
    EXPECT_EQ(plane.ClassifyBox(Box({0, 0, -2}, {1, 1, -1})), CPlane3d::kBoxNegative);
    EXPECT_EQ(plane.ClassifyBox(Box({0, 0, 0}, {1, 1, 1})), CPlane3d::kBoxStraddling);
    EXPECT_EQ(plane.ClassifyBox(Box({0, 0, -1}, {1, 1, 0})), CPlane3d::kBoxStraddling);
    EXPECT_EQ(CPlane3d(1, 1, 1, -10).ClassifyBox(UnitBox()), CPlane3d::kBoxNegative);
}

TEST(Plane3d, BoxWhollyOnTheNegativeSide)
{
    struct Case {
        const char* what;
        CPlane3d plane;
        CBoundingBox3d box;
        bool negative;
    } cases[] = {
        {"+Z plane, box not beyond the tolerance", RawPlane(0, 0, 1, 0), Box({0, 0, -1}, {1, 1, -0.0005}),
         false},
        {"+Z plane, box beyond the tolerance", RawPlane(0, 0, 1, 0), Box({0, 0, -1}, {1, 1, -0.002}), true},
        {"-Z plane z = 2, box above it", RawPlane(0, 0, -1, 2), Box({0, 0, 2.002}, {1, 1, 3}), true},
        {"-Z plane z = 2, box touching", RawPlane(0, 0, -1, 2), Box({0, 0, 2}, {1, 1, 3}), false},
        {"-X plane, box beyond", RawPlane(-1, 0, 0, 0), Box({0.5, 0, 0}, {1, 1, 1}), true},
        {"oblique plane, box straddling", CPlane3d(1, 1, 1, -1.5), UnitBox(), false},
        {"oblique plane, box wholly below", CPlane3d(1, 1, 1, -3.5), UnitBox(), true},
        {"oblique plane, box just below its far corner", CPlane3d(1, 1, 1, -3.0001), UnitBox(), true},
        {"oblique plane, box above", CPlane3d(1, 1, 1, 1), UnitBox(), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.plane.TestBoxSide(c.box), c.negative) << c.what;
}

TEST(Plane3d, ClipSegmentKeepsTheNonPositiveSide)
{
    const CPlane3d plane(0, 0, 1, 0);
    struct Case {
        const char* what;
        CPoint3d a, b;
        int result;
        CPoint3d clippedA, clippedB;
    } cases[] = {
        {"wholly positive", {0, 0, 1}, {0, 0, 2}, 1, {0, 0, 1}, {0, 0, 2}},
        {"wholly non-positive", {0, 0, 0}, {0, 0, -2}, -1, {0, 0, 0}, {0, 0, -2}},
        {"crossing, start positive", {0, 0, 1}, {0, 0, -3}, 0, {0, 0, 0}, {0, 0, -3}},
        {"crossing, end positive", {2, 0, -1}, {0, 0, 1}, 0, {2, 0, -1}, {1, 0, 0}},
    };
    for (const Case& c : cases) {
        CPoint3d a = c.a, b = c.b;
        EXPECT_EQ(plane.ClipSegment(a, b), c.result) << c.what;
        EXPECT_TRUE(Near3(a, c.clippedA)) << c.what;
        EXPECT_TRUE(Near3(b, c.clippedB)) << c.what;
    }
}

TEST(Plane3d, EqualityAcceptsTheReverseUnlessExact)
{
    const CPlane3d planes[] = {CPlane3d(1, 2, 3, 4), CPlane3d(0, 0, 1, 0), CPlane3d(0, 1, 0, 0.0005)};
    for (const CPlane3d& plane : planes) {
        CPlane3d reverse = plane;
        reverse.Reverse();
        EXPECT_TRUE(plane.IsEqual(reverse, false, kGeomTolerance));
        EXPECT_FALSE(plane.IsEqual(reverse, true, kGeomTolerance));
        EXPECT_TRUE(plane.IsEqual(plane, true, 0.0));
    }
    EXPECT_FALSE(CPlane3d(0, 0, 1, -1).IsEqual(CPlane3d(0, 0, 1, 1), false, kGeomTolerance));
}

TEST(Plane3d, PlaneCoordinatesAgreeForAPlaneAndItsReverse)
{
    const CPoint2d q = CPlane3d(0, 0, 1, 0).ProjectTo2d(CPoint3d(3, 4, 7));
    EXPECT_DOUBLE_EQ(q.x, 3);
    EXPECT_DOUBLE_EQ(q.y, 4);
    const CPlane3d planes[] = {CPlane3d(1, 2, 3, 4), CPlane3d(0, 0, -1, 0), CPlane3d(-1, 0, 0, 0.0002)};
    const CPoint3d p(0.3, -2, 5);
    for (const CPlane3d& plane : planes) {
        CPlane3d reverse = plane;
        reverse.Reverse();
        const CPoint2d a = plane.ProjectTo2d(p), b = reverse.ProjectTo2d(p);
        EXPECT_DOUBLE_EQ(a.x, b.x);
        EXPECT_DOUBLE_EQ(a.y, b.y);
    }
}

TEST(Plane3d, FitFollowsTheWindingOfThePoints)
{
    const std::vector<CPoint3d> ccw = {{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
    CPlane3d plane;
    ASSERT_TRUE(plane.FitToPoints(ccw.size(), ccw.data()));
    EXPECT_TRUE(NearPlane(plane, RawPlane(0, 0, 1, -1)));

    const std::vector<CPoint3d> cw(ccw.rbegin(), ccw.rend());
    ASSERT_TRUE(plane.FitToPoints(cw.size(), cw.data()));
    EXPECT_TRUE(NearPlane(plane, RawPlane(0, 0, -1, 1)));

    const std::vector<CPoint3d> tilted = {{0, 0, 0}, {0, 2, 0}, {0, 2, 2}, {0, 0, 2}, {0, 1, 1}};
    ASSERT_TRUE(plane.FitToPoints(tilted.size(), tilted.data()));
    EXPECT_TRUE(NearPlane(plane, RawPlane(1, 0, 0, 0)));
}

TEST(Plane3d, FitFailsOnPointsOffThePlane)
{
    std::vector<CPoint3d> points = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0.5, 0.5, 0.002}};
    CPlane3d plane;
    EXPECT_FALSE(plane.FitToPoints(points.size(), points.data()));
    // Written nonetheless: the least-squares plane.
    EXPECT_TRUE(CUnitVector3d(plane.GetNormal()).IsParallelTo(CUnitVector3d::ZAxis()));
}

TEST(Plane3d, FitLeavesThePlaneForTooFewOrDegeneratePoints)
{
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* what;
        std::vector<CPoint3d> points;
    } cases[] = {
        {"two points", {{0, 0, 0}, {1, 0, 0}}},
        {"collinear", {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {3, 3, 3}}},
        {"coincident", {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}},
        {"not a number", {{0, 0, 0}, {1, 0, 0}, {kNaN, 1, 0}}},
    };
    const CPlane3d original(0.6, 0.8, 0, -3);
    for (const Case& c : cases) {
        CPlane3d plane = original;
        EXPECT_FALSE(plane.FitToPoints(c.points.size(), c.points.data())) << c.what;
        EXPECT_TRUE(NearPlane(plane, original, 0.0)) << c.what;
    }
}

}  // namespace
}  // namespace geomtest
