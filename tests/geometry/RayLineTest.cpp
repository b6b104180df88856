#include "GeomTestSupport.h"

#include "geometry/Line3d.h"
#include "geometry/Plane3d.h"
#include "geometry/Transform3d.h"

namespace geomtest {
namespace {

const CUnitVector3d kX = CUnitVector3d::XAxis();

TEST(Ray3d, IsAnInfiniteLine)
{
    const CRay3d ray(CPoint3d(1, 0, 0), kX);
    EXPECT_DOUBLE_EQ(ray.GetParameter(CPoint3d(-4, 3, 0)), -5);
    EXPECT_TRUE(Near3(ray.ProjectPoint(CPoint3d(-4, 3, 0)), CPoint3d(-4, 0, 0)));
    CPoint3d hit;
    ASSERT_TRUE(ray.Intersect(CPlane3d(1, 0, 0, 3), hit));
    EXPECT_TRUE(Near3(hit, CPoint3d(-3, 0, 0)));
}

TEST(Ray3d, DefaultIsTheZAxisAndSetThroughNormalises)
{
    const CRay3d ray;
    EXPECT_TRUE(Near3(ray.direction, CUnitVector3d::ZAxis(), 0.0));
    CRay3d through;
    through.SetThrough(CPoint3d(1, 1, 1), CPoint3d(1, 1, 5));
    EXPECT_TRUE(Near3(through.direction, CUnitVector3d::ZAxis()));
    through.SetThrough(CPoint3d(1, 1, 1), CPoint3d(1, 1, 1));
    EXPECT_FALSE(through.direction.IsNonZero());
    EXPECT_FALSE(through.IsValid());
}

TEST(Ray3d, IntersectingLines)
{
    const CRay3d xAxis(CPoint3d(), kX);
    CPoint3d p;
    EXPECT_TRUE(xAxis.IntersectRay(CRay3d(CPoint3d(2, -1, 0), CUnitVector3d::YAxis()), p));
    EXPECT_TRUE(Near3(p, CPoint3d(2, 0, 0)));
    // Skew lines: p is still the midpoint of the nearest points.
    EXPECT_FALSE(xAxis.IntersectRay(CRay3d(CPoint3d(2, -1, 1), CUnitVector3d::YAxis()), p));
    EXPECT_TRUE(Near3(p, CPoint3d(2, 0, 0.5)));
    EXPECT_FALSE(xAxis.IntersectRay(CRay3d(CPoint3d(0, 0, 0.0001), kX), p));
}

TEST(Ray3d, ClosestParameterToASegment)
{
    const CRay3d xAxis(CPoint3d(), kX);
    struct Case {
        const char* what;
        CPoint3d a, b;
        bool onSegment;
        double t;
    } cases[] = {
        {"segment passing above the axis", {2, 1, 0}, {2, 1, 5}, true, 2},
        {"nearest point beyond the segment: t untouched", {2, 1, 1}, {2, 1, 5}, false, -99},
        {"degenerate segment on the line", {3, 0, 0}, {3, 0, 0.0001}, true, 3},
        {"degenerate segment off the line", {3, 1, 0}, {3, 1, 0}, false, 3},
        {"parallel segment on the line", {4, 0, 0}, {6, 0, 0}, true, 4},
        {"parallel segment off the line", {4, 1, 0}, {6, 1, 0}, false, 4},
    };
    for (const Case& c : cases) {
        double t = -99;
        EXPECT_EQ(xAxis.ClosestParameterToSegment(c.a, c.b, t), c.onSegment) << c.what;
        EXPECT_NEAR(t, c.t, 1e-9) << c.what;
    }
}

TEST(Ray3d, BoxHitsCountOnlyAheadOfTheOrigin)
{
    const CBoundingBox3d box = UnitBox();
    struct Case {
        const char* what;
        CRay3d ray;
        bool hits;
        CPoint3d point;
        int face;
    } cases[] = {
        {"along +X into the xmin face", {{-1, 0.5, 0.5}, kX}, true, {0, 0.5, 0.5}, CRay3d::kXMin},
        {"along -X away from the box", {{-1, 0.5, 0.5}, -kX}, false, {}, 0},
        {"origin inside", {{0.5, 0.5, 0.5}, kX}, true, {0.5, 0.5, 0.5}, CRay3d::kOriginInside},
        {"down into the zmax face",
         {{0.25, 0.75, 3}, -CUnitVector3d::ZAxis()},
         true,
         {0.25, 0.75, 1},
         CRay3d::kZMax},
        {"passing beside the box", {{-1, 2, 0.5}, kX}, false, {}, 0},
        {"diagonal into the ymin face",
         {{0.5, -1, 0.5}, CUnitVector3d(0.2, 1, 0)},
         true,
         {0.7, 0, 0.5},
         CRay3d::kYMin},
    };
    for (const Case& c : cases) {
        CPoint3d point;
        int face = -1;
        EXPECT_EQ(c.ray.IntersectBox(box, point, face), c.hits) << c.what;
        if (!c.hits)
            continue;
        EXPECT_TRUE(Near3(point, c.point)) << c.what;
        EXPECT_EQ(face, c.face) << c.what;
    }
    CPoint3d point;
    int face = -1;
    EXPECT_FALSE(CRay3d(CPoint3d(), kX).IntersectBox(CBoundingBox3d(), point, face));
}

TEST(Ray3d, TransformMovesOriginAndDirection)
{
    CRay3d ray(CPoint3d(1, 0, 0), kX);
    ray.Transform(CTransform3d(CPoint3d(), CUnitVector3d::ZAxis(), kPi / 2));
    EXPECT_TRUE(Near3(ray.origin, CPoint3d(0, 1, 0)));
    EXPECT_TRUE(Near3(ray.direction, CUnitVector3d::YAxis()));
}

TEST(Line3d, SegmentAndHalfLineEnds)
{
    const CLine3d segment(CPoint3d(0, 0, 0), CPoint3d(3, 4, 0));
    EXPECT_DOUBLE_EQ(segment.t1, 5);
    CPoint3d end;
    EXPECT_TRUE(segment.GetEndPoint(end));
    EXPECT_TRUE(Near3(end, CPoint3d(3, 4, 0)));

    const CLine3d halfLine(CRay3d(CPoint3d(1, 0, 0), kX), true, false);
    CPoint3d start;
    EXPECT_FALSE(halfLine.GetStartPoint(start));
    EXPECT_TRUE(halfLine.GetEndPoint(end));
    EXPECT_TRUE(Near3(end, CPoint3d(2, 0, 0)));

    const CLine3d point(CPoint3d(1, 1, 1), CPoint3d(1, 1, 1));
    EXPECT_TRUE(point.IsZeroLength());
    EXPECT_FALSE(point.direction.IsNonZero());

    const CLine3d whole;
    EXPECT_FALSE(whole.GetStartPoint(start));
    EXPECT_FALSE(whole.GetEndPoint(end));
    EXPECT_TRUE(whole.IsValid());
}

TEST(Line3d, RayFromTheOneBoundedEnd)
{
    CRay3d ray(CPoint3d(9, 9, 9), kX);
    EXPECT_FALSE(CLine3d().GetRay(ray));
    EXPECT_FALSE(CLine3d(CPoint3d(), CPoint3d(1, 0, 0)).GetRay(ray));
    EXPECT_TRUE(Near3(ray.origin, CPoint3d(9, 9, 9), 0.0));

    ASSERT_TRUE(CLine3d(CRay3d(CPoint3d(1, 0, 0), kX), true, false).GetRay(ray));
    EXPECT_TRUE(Near3(ray.origin, CPoint3d(2, 0, 0)));
    EXPECT_TRUE(Near3(ray.direction, -kX));
    ASSERT_TRUE(CLine3d(CRay3d(CPoint3d(1, 0, 0), kX), false, true).GetRay(ray));
    EXPECT_TRUE(Near3(ray.origin, CPoint3d(1, 0, 0)));
    EXPECT_TRUE(Near3(ray.direction, kX));
}

TEST(Line3d, SetDirectionTurnsAboutTheExistingEnd)
{
    CLine3d segment(CPoint3d(0, 0, 0), CPoint3d(2, 0, 0));
    segment.t0 = 1;
    segment.SetDirection(CUnitVector3d::YAxis());
    EXPECT_TRUE(Near3(segment.origin, CPoint3d(1, 0, 0)));
    EXPECT_EQ(segment.t0, 0);
    EXPECT_EQ(segment.t1, 1);

    CLine3d noStart(CRay3d(CPoint3d(1, 0, 0), kX), true, false);
    noStart.SetDirection(CUnitVector3d::YAxis());
    EXPECT_TRUE(Near3(noStart.origin, CPoint3d(2, 0, 0)));
    EXPECT_EQ(noStart.t1, 0);
    EXPECT_FALSE(noStart.HasStart());
}

TEST(Line3d, ClipToPlaneKeepsThePositiveSide)
{
    CLine3d upper(CPoint3d(0, 0, -1), CPoint3d(0, 0, 1));
    EXPECT_TRUE(upper.ClipToPlane(CPlane3d(0, 0, 1, 0)));
    CPoint3d p;
    upper.GetStartPoint(p);
    EXPECT_TRUE(Near3(p, CPoint3d(0, 0, 0)));
    EXPECT_EQ(upper.t1, 2);

    CLine3d lower(CPoint3d(0, 0, -1), CPoint3d(0, 0, 1));
    EXPECT_TRUE(lower.ClipToPlane(CPlane3d(0, 0, -1, 0)));
    lower.GetEndPoint(p);
    EXPECT_TRUE(Near3(p, CPoint3d(0, 0, 0)));
    EXPECT_EQ(lower.t0, 0);

    CLine3d below(CPoint3d(0, 0, -3), CPoint3d(0, 0, -1));
    EXPECT_FALSE(below.ClipToPlane(CPlane3d(0, 0, 1, 0)));
    CLine3d above(CPoint3d(0, 0, 1), CPoint3d(0, 0, 3));
    EXPECT_TRUE(above.ClipToPlane(CPlane3d(0, 0, 1, 0)));
    EXPECT_EQ(above.t0, 0);

    CLine3d touching(CPoint3d(0, 0, -1), CPoint3d(0, 0, 0));
    EXPECT_FALSE(touching.ClipToPlane(CPlane3d(0, 0, 1, 0)));

    CLine3d alongPlane(CPoint3d(0, 0, 0.0005), CPoint3d(1, 0, 0.0005));
    EXPECT_TRUE(alongPlane.ClipToPlane(CPlane3d(0, 0, 1, 0)));
    CLine3d alongBelow(CPoint3d(0, 0, -1), CPoint3d(1, 0, -1));
    EXPECT_FALSE(alongBelow.ClipToPlane(CPlane3d(0, 0, 1, 0)));
}

TEST(Line3d, IntersectsBoxForSegmentsHalfLinesAndWholeLines)
{
    const CBoundingBox3d box = UnitBox();
    const CUnitVector3d minusX = -kX;
    struct Case {
        const char* what;
        CLine3d line;
        bool hits;
    } cases[] = {
        {"whole line through the box", CLine3d(CRay3d({5, 0.5, 0.5}, minusX), true, true), true},
        {"half-line from outside towards the box", CLine3d(CRay3d({5, 0.5, 0.5}, minusX), false, true), true},
        {"half-line from outside away from the box", CLine3d(CRay3d({5, 0.5, 0.5}, kX), false, true), false},
        {"half-line ending before the box", CLine3d(CRay3d({-5, 0.5, 0.5}, kX), true, false), false},
        {"half-line ending inside the box", CLine3d(CRay3d({-0.5, 0.5, 0.5}, kX), true, false), true},
        {"whole line beside the box", CLine3d(CRay3d({5, 2, 0.5}, minusX), true, true), false},
        {"segment inside", CLine3d(CPoint3d(0.2, 0.2, 0.2), CPoint3d(0.8, 0.8, 0.8)), true},
        {"segment crossing two faces", CLine3d(CPoint3d(-0.5, 0.8, 0.5), CPoint3d(0.8, -0.5, 0.5)), true},
        {"segment past a corner", CLine3d(CPoint3d(-0.5, 0.6, 0.5), CPoint3d(0.6, 1.7, 0.5)), false},
        {"segment short of the box", CLine3d(CPoint3d(-3, 0.5, 0.5), CPoint3d(-1, 0.5, 0.5)), false},
        {"diagonal whole line through the box",
         CLine3d(CRay3d({-1, -1, 0.5}, CUnitVector3d(1, 1, 0)), true, true), true},
        {"diagonal whole line missing the box",
         CLine3d(CRay3d({-1, 0.5, 0.5}, CUnitVector3d(1, -1, 0)), true, true), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.line.IntersectsBox(box), c.hits) << c.what;
}

}  // namespace
}  // namespace geomtest
