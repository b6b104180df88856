#include "GeomTestSupport.h"

#include "geometry/GeomFunctions.h"

namespace geomtest {
namespace {

TEST(IntersectSegments, ReportsWhereEachSegmentIsMet)
{
    struct Case {
        const char* what;
        CPoint3d a, b, c, d;
        int code;
        CPoint3d p;
        double s, t;
    } cases[] = {
        {"end of the first at the start of the second",
         {0, 0, 0},
         {1, 0, 0},
         {1, 0, 0},
         {1, 1, 0},
         10,
         {1, 0, 0},
         1,
         0},
        {"crossing inside both", {-1, 0, 0}, {1, 0, 0}, {0, -1, 0}, {0, 1, 0}, 36, {0, 0, 0}, 0.5, 0.5},
        {"start of the second inside the first",
         {0, 0, 0},
         {2, 0, 0},
         {1, 0, 0},
         {1, 1, 0},
         12,
         {1, 0, 0},
         0.5,
         0},
        {"crossing within the tolerance",
         {-1, 0, 0},
         {1, 0, 0},
         {0, -1, 0.0005},
         {0, 1, 0.0005},
         36,
         {0, 0, 0.00025},
         0.5,
         0.5},
        {"collinear overlap: first coinciding point only",
         {0, 0, 0},
         {2, 0, 0},
         {1, 0, 0},
         {3, 0, 0},
         12,
         {1, 0, 0},
         0.5,
         0},
        {"collinear end to end", {0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {2, 0, 0}, 10, {1, 0, 0}, 1, 0},
        {"collinear first inside the second",
         {1, 0, 0},
         {2, 0, 0},
         {0, 0, 0},
         {3, 0, 0},
         33,
         {1, 0, 0},
         0,
         1.0 / 3},
        {"first degenerate inside the second",
         {0.5, 0, 0},
         {0.5, 0, 0},
         {0, 0, 0},
         {1, 0, 0},
         33,
         {0.5, 0, 0},
         0,
         0.5},
        {"first degenerate at the end of the second",
         {1, 0, 0},
         {1, 0, 0.0001},
         {0, 0, 0},
         {1, 0, 0},
         17,
         {1, 0, 0.00005 / 2},
         0,
         1},
        {"second degenerate at the end of the first",
         {0, 0, 0},
         {1, 0, 0},
         {1, 0, 0},
         {1, 0, 0},
         10,
         {1, 0, 0},
         1,
         0},
        {"second degenerate inside the first",
         {0, 0, 0},
         {1, 0, 0},
         {0.25, 0, 0},
         {0.25, 0, 0},
         12,
         {0.25, 0, 0},
         0.25,
         0},
        {"both degenerate and coincident",
         {1, 1, 1},
         {1, 1, 1},
         {1, 1, 1.0002},
         {1, 1, 1.0002},
         9,
         {1, 1, 1.0001},
         0,
         0},
    };
    for (const Case& c : cases) {
        CPoint3d p;
        double s = 0, t = 0;
        EXPECT_EQ(IntersectSegments(c.a, c.b, c.c, c.d, p, &s, &t), c.code) << c.what;
        EXPECT_TRUE(Near3(p, c.p, 1e-6)) << c.what;
        EXPECT_NEAR(s, c.s, 1e-9) << c.what;
        EXPECT_NEAR(t, c.t, 1e-9) << c.what;
    }
}

TEST(IntersectSegments, SegmentsThatDoNotMeetGiveMinusOneParameters)
{
    struct Case {
        const char* what;
        CPoint3d a, b, c, d;
    } cases[] = {
        {"skew", {0, 0, 0}, {1, 0, 0}, {0.5, -1, 1}, {0.5, 1, 1}},
        {"lines cross beyond the first's end", {0, 0, 0}, {1, 0, 0}, {2, -1, 0}, {2, 1, 0}},
        {"parallel, apart", {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}},
        {"collinear with a gap", {0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}},
        {"both degenerate, apart", {0, 0, 0}, {0, 0, 0}, {0, 0, 1}, {0, 0, 1}},
        {"degenerate off the other", {0.5, 1, 0}, {0.5, 1, 0}, {0, 0, 0}, {1, 0, 0}},
    };
    for (const Case& c : cases) {
        const CPoint3d untouched(7, 7, 7);
        CPoint3d p = untouched;
        double s = 0, t = 0;
        EXPECT_EQ(IntersectSegments(c.a, c.b, c.c, c.d, p, &s, &t), 0) << c.what;
        EXPECT_EQ(s, -1.0) << c.what;
        EXPECT_EQ(t, -1.0) << c.what;
        EXPECT_TRUE(Near3(p, untouched, 0.0)) << c.what;
        EXPECT_FALSE(SegmentsIntersect(c.a, c.b, c.c, c.d, p)) << c.what;
    }
}

TEST(ClosestPointOnSegmentToLine, ClampsToTheSegment)
{
    const CPoint3d o(0, 0, 0);
    const CUnitVector3d zAxis = CUnitVector3d::ZAxis();
    struct Case {
        const char* what;
        CPoint3d a, b;
        int code;
        CPoint3d p;
    } cases[] = {
        {"parallel: the end nearer the line's origin", {1, 0, 5}, {1, 0, -1}, kSegmentParallel, {1, 0, -1}},
        {"crossing inside", {-1, 0, 3}, {1, 0, 3}, kSegmentInside, {0, 0, 3}},
        {"nearest before the start", {1, 0, 0}, {2, 0, 0}, kSegmentStart, {1, 0, 0}},
        {"nearest beyond the end", {-2, 0, 0}, {-1, 0, 0}, kSegmentEnd, {-1, 0, 0}},
    };
    for (const Case& c : cases) {
        CPoint3d p;
        EXPECT_EQ(ClosestPointOnSegmentToLine(c.a, c.b, o, zAxis, p), c.code) << c.what;
        EXPECT_TRUE(Near3(p, c.p)) << c.what;
    }
}

TEST(ClosestLineParameters, ParallelLinesProjectTheFirstOrigin)
{
    double t1 = 9, t2 = 9;
    EXPECT_FALSE(ClosestLineParameters(CPoint3d(0, 0, 3), CUnitVector3d::XAxis(), CPoint3d(0, 1, 0),
                                       -CUnitVector3d::XAxis(), t1, t2));
    EXPECT_EQ(t1, 0.0);
    EXPECT_DOUBLE_EQ(t2, 0.0);
    EXPECT_FALSE(ClosestLineParameters(CPoint3d(4, 0, 0), CUnitVector3d::XAxis(), CPoint3d(0, 1, 0),
                                       CUnitVector3d::XAxis(), t1, t2));
    EXPECT_DOUBLE_EQ(t2, 4.0);

    CPoint3d p1, p2;
    EXPECT_TRUE(ClosestLinePoints(CPoint3d(0, 0, 0), CUnitVector3d::XAxis(), CPoint3d(2, -1, 3),
                                  CUnitVector3d::YAxis(), p1, p2));
    EXPECT_TRUE(Near3(p1, CPoint3d(2, 0, 0)));
    EXPECT_TRUE(Near3(p2, CPoint3d(2, 0, 3)));
}

TEST(SegmentNearness, BeyondTheEndsTheEndPointsCount)
{
    const CPoint3d a(0, 0, 0), b(10, 0, 0);
    EXPECT_TRUE(IsPointNearSegment(a, b, CPoint3d(5, 0.09, 0), 0.1));
    EXPECT_FALSE(IsPointNearSegment(a, b, CPoint3d(5, 0.11, 0), 0.1));
    EXPECT_TRUE(IsPointNearSegment(a, b, CPoint3d(10.05, 0.05, 0), 0.1));
    EXPECT_FALSE(IsPointNearSegment(a, b, CPoint3d(10.2, 0, 0), 0.1));
    EXPECT_EQ(SegmentParameter(a, a, CPoint3d(4, 0, 0)), 0.0);
}

TEST(SegmentNearness, LineNearnessIsUnboundedAndTrueForAShortChord)
{
    const CPoint3d p0(0, 0, 0), p1(1, 0, 0);
    EXPECT_TRUE(IsPointNearLine(p0, p1, CPoint3d(50, 0.09, 0), 0.1));
    EXPECT_FALSE(IsPointNearLine(p0, p1, CPoint3d(50, 0.2, 0), 0.1));
    EXPECT_TRUE(IsPointNearLine(p0, CPoint3d(0.05, 0, 0), CPoint3d(0, 99, 0), 0.1));
}

TEST(SegmentNearness, PointOnLine2dGivesAnUnclampedParameter)
{
    double t = 0;
    EXPECT_TRUE(IsPointOnLine2d(CPoint2d(0, 0), CPoint2d(1, 1), CPoint2d(2, 2), &t));
    EXPECT_DOUBLE_EQ(t, 2.0);
    EXPECT_FALSE(IsPointOnLine2d(CPoint2d(0, 0), CPoint2d(1, 1), CPoint2d(2, 2.01)));
}

}  // namespace
}  // namespace geomtest
