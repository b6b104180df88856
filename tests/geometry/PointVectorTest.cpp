#include "GeomTestSupport.h"

#include "geometry/Plane3d.h"
#include "geometry/Ray3d.h"

#include <limits>

namespace geomtest {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(Tolerance, SquaredToleranceIsTheSquareOfTheTolerance)
{
    EXPECT_DOUBLE_EQ(kGeomToleranceSquared, 1e-6);
    EXPECT_FLOAT_EQ(kGeomToleranceFloat, 0.001f);
}

TEST(Tolerance, ComparisonsKeepTheirStrictnessAtTheBoundary)
{
    // Values around 0, where a difference of 0.001 is exact.
    struct Case {
        const char* what;
        bool actual;
        bool expected;
    } cases[] = {
        {"equal within tolerance is strict", EqualWithinTolerance(0.0, 0.001), false},
        {"equal within tolerance below it", EqualWithinTolerance(0.0, 0.0009), true},
        {"zero within tolerance is strict", IsZeroWithinTolerance(-0.001), false},
        {"zero within eps is strict", IsZeroWithin(0.5, 0.5), false},
        {"equal within eps is inclusive", EqualWithin(0.0, 0.5, 0.5), true},
        {"definitely less at exactly the tolerance", IsDefinitelyLess(0.0, 0.001), true},
        {"definitely less inside the tolerance", IsDefinitelyLess(0.0, 0.0009), false},
        {"definitely greater at exactly the tolerance", IsDefinitelyGreater(0.001, 0.0), true},
        {"less or equal within tolerance is strict", IsLessOrEqualWithinTolerance(0.001, 0.0), false},
        {"less or equal within tolerance inside it", IsLessOrEqualWithinTolerance(0.0009, 0.0), true},
        {"greater or equal within tolerance is strict", IsGreaterOrEqualWithinTolerance(0.0, 0.001), false},
        {"zero has the sign of positives", SameSign(0.0, 5.0), true},
        {"zero and a negative differ", SameSign(0.0, -5.0), false},
        {"two negatives", SameSign(-1.0, -5.0), true},
        {"NaN is not finite", IsFiniteNumber(kNaN), false},
        {"infinity is not finite", IsFiniteNumber(-kInf), false},
        {"a large number is finite", IsFiniteNumber(1e300), true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.actual, c.expected) << c.what;
}

TEST(Point3d, EqualityNeedsTheSquaredDistanceBelowTheSquaredTolerance)
{
    const CPoint3d p(0, 0, 0), q(0.0009, 0.0009, 0.0009);
    EXPECT_FALSE(p == q);
    EXPECT_TRUE(p != q);
    // Vectors compare components only.
    EXPECT_TRUE(CVector3d(0, 0, 0) == CVector3d(0.0009, 0.0009, 0.0009));
    EXPECT_TRUE(p == CPoint3d(0.0009, 0, 0));
    EXPECT_FALSE(p == CPoint3d(0.001, 0, 0));
}

TEST(Point3d, ArithmeticMixesPointsAndVectors)
{
    const CPoint3d p(1, 2, 3);
    EXPECT_TRUE(Near3(p + CVector3d(1, 1, 1), CPoint3d(2, 3, 4)));
    EXPECT_TRUE(Near3(CPoint3d(4, 4, 4) - p, CVector3d(3, 2, 1)));
    EXPECT_TRUE(Near3(CPoint3d(p, 2.0, CVector3d(1, 0, 0)), CPoint3d(3, 2, 3)));
    EXPECT_TRUE(Near3(CPoint3d(0.25, CPoint3d(4, 0, 0), 0.75, CPoint3d(0, 4, 0)), CPoint3d(1, 3, 0)));
    EXPECT_TRUE(Near3(CVector3d(CPoint3d(1, 1, 1), CPoint3d(2, 3, 4)), CVector3d(1, 2, 3)));
    CPoint3d moved = p;
    moved.Offset(-1.0, CVector3d(1, 2, 3));
    EXPECT_TRUE(Near3(moved, CPoint3d(0, 0, 0)));
}

TEST(Point3d, IndexBeyondOneIsZ)
{
    const CPoint3d p(1, 2, 3);
    EXPECT_EQ(p[0], 1);
    EXPECT_EQ(p[1], 2);
    EXPECT_EQ(p[2], 3);
    EXPECT_EQ(p[7], 3);
}

TEST(Point3d, NearerPrefersTheFirstOnATie)
{
    const CPoint3d origin, a(1, 0, 0), b(-1, 0, 0);
    EXPECT_TRUE(Near3(origin.Nearer(a, b), a));
    EXPECT_TRUE(Near3(origin.Nearer(b, a), b));
    EXPECT_TRUE(Near3(CPoint3d(-0.5, 0, 0).Nearer(a, b), b));
}

TEST(Point3d, DistancesToLinesAndPlanes)
{
    const CRay3d xAxis(CPoint3d(), CUnitVector3d::XAxis());
    const CPoint3d p(5, 3, 4);
    EXPECT_DOUBLE_EQ(p.DistanceToLine(xAxis), 5.0);
    EXPECT_DOUBLE_EQ(p.DistanceSquaredToLine(xAxis), 25.0);
    EXPECT_TRUE(Near3(p.ProjectToLine(xAxis), CPoint3d(5, 0, 0)));
    EXPECT_TRUE(CPoint3d(7, 0.0009, 0).IsOnLine(xAxis));
    EXPECT_FALSE(CPoint3d(7, 0.001, 0).IsOnLine(xAxis));

    const CPlane3d plane(CPoint3d(0, 0, 1), CUnitVector3d::ZAxis());
    EXPECT_TRUE(Near3(p.ProjectToPlane(plane), CPoint3d(5, 3, 1)));
    EXPECT_TRUE(CPoint3d(9, 9, 1.0009).IsOnPlane(plane));
    EXPECT_FALSE(CPoint3d(9, 9, 1.0011).IsOnPlane(plane));
    EXPECT_EQ(CPoint3d(1, 1, 1).DistanceTo(CPoint3d(1, 1, 1 + 1e-11)), 0.0);
}

TEST(Point3d, PerspectiveProjection)
{
    CPoint3d onPlane(2, 4, -4);
    ASSERT_TRUE(onPlane.ProjectPerspective(2.0, true));
    EXPECT_TRUE(Near3(onPlane, CPoint3d(1, 2, -2)));

    CPoint3d scaled(1, 1, -2);
    ASSERT_TRUE(scaled.ProjectPerspective(2.0, false));
    EXPECT_TRUE(Near3(scaled, CPoint3d(0.5, 0.5, -1)));

    CPoint3d atEye(1, 1, 1e-11);
    EXPECT_FALSE(atEye.ProjectPerspective(2.0, true));
    EXPECT_TRUE(Near3(atEye, CPoint3d(1, 1, 1e-11), 0.0));
}

TEST(Vector3d, NormalisationFailsToTheZeroVector)
{
    CVector3d tiny(0, 0, 1e-11);
    EXPECT_FALSE(tiny.Normalize());
    EXPECT_FALSE(tiny.IsNonZero());

    CVector3d v(3, 0, 4);
    double length = 0;
    EXPECT_TRUE(v.NormalizeWithLength(length));
    EXPECT_DOUBLE_EQ(length, 5.0);
    EXPECT_TRUE(Near3(v, CVector3d(0.6, 0, 0.8)));

    // Below 1e-10 the squared length is below 1e-20, so the length written is 0.
    CVector3d small(0, 5e-11, 0);
    EXPECT_FALSE(small.NormalizeWithLength(length));
    EXPECT_EQ(length, 0.0);
    EXPECT_FALSE(small.IsNonZero());
}

TEST(Vector3d, SetLengthLeavesANearZeroVectorUnchanged)
{
    CVector3d v(0, 3, 4);
    EXPECT_TRUE(v.SetLength(10));
    EXPECT_TRUE(Near3(v, CVector3d(0, 6, 8)));
    CVector3d small(5e-11, 0, 0);
    EXPECT_FALSE(small.SetLength(10));
    EXPECT_EQ(small.x, 5e-11);
}

TEST(Vector3d, CrossAndPerpendicular)
{
    EXPECT_TRUE(Near3(CVector3d(1, 0, 0).Cross(CVector3d(0, 1, 0)), CVector3d(0, 0, 1)));
    EXPECT_TRUE(CVector3d(1, 0, 0).IsPerpendicularTo(CVector3d(0.0009, 1, 0)));
    EXPECT_FALSE(CVector3d(1, 0, 0).IsPerpendicularTo(CVector3d(0.001, 1, 0)));
    EXPECT_FALSE(CVector3d(kNaN, 0, 0).IsValid());
}

TEST(Vector3d, AngleAboutAnAxis)
{
    const CVector3d z(0, 0, 1);
    struct Case {
        CVector3d a, b;
        double angle;
    } cases[] = {
        {{1, 0, 0}, {0, 1, 0}, kPi / 2},
        {{1, 0, 0}, {0, -1, 0}, 3 * kPi / 2},
        // Components along the axis do not count.
        {{1, 0, 5}, {-1, 0, -3}, kPi},
        {{1, 0, 0}, {1, 0, 0}, 0.0},
        // a or b parallel to the axis.
        {{0, 0, 2}, {1, 0, 0}, 0.0},
        {{1, 0, 0}, {0, 0, -1}, 0.0},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(z.AngleAbout(c.a, c.b), c.angle, 1e-12);
}

TEST(UnitVector3d, ConstructionNormalises)
{
    const CUnitVector3d tiny(0, 0, 1e-11);
    EXPECT_FALSE(tiny.IsNonZero());
    EXPECT_FALSE(tiny.IsValid());
    EXPECT_TRUE(Near3(CUnitVector3d(0, 0, 5), CUnitVector3d(0, 0, 1), 0.0));
    EXPECT_TRUE(Near3(CUnitVector3d(0, 0, 1), CUnitVector3d::ZAxis(), 0.0));
    EXPECT_TRUE(Near3(CUnitVector3d(CPoint3d(1, 1, 1), CPoint3d(1, 4, 5)), CUnitVector3d(0, 0.6, 0.8)));
    EXPECT_TRUE(CUnitVector3d(1, 2, 3).IsValid());
}

TEST(UnitVector3d, SettersReturnTheLengthBeforeNormalising)
{
    CUnitVector3d u;
    EXPECT_DOUBLE_EQ(u.Set(0, 3, 4), 5.0);
    EXPECT_TRUE(Near3(u, CUnitVector3d(0, 0.6, 0.8)));
    EXPECT_DOUBLE_EQ(u.SetFromPoints(CPoint3d(1, 0, 0), CPoint3d(1, 0, 2)), 2.0);
    EXPECT_TRUE(Near3(u, CUnitVector3d::ZAxis()));
    EXPECT_EQ(u.Set(0, 0, 0), 0.0);
    EXPECT_FALSE(u.IsNonZero());
}

TEST(UnitVector3d, ParallelInEitherSenseWithinTheTolerance)
{
    const CUnitVector3d z = CUnitVector3d::ZAxis();
    EXPECT_TRUE(z.IsParallelTo(-z));
    EXPECT_TRUE(z.IsParallelTo(CUnitVector3d(0.0009, 0, 1)));
    EXPECT_FALSE(z.IsParallelTo(CUnitVector3d(0.002, 0, 1)));
}

TEST(UnitVector3d, AngleBetweenClampsTheDotProduct)
{
    const CUnitVector3d x = CUnitVector3d::XAxis();
    EXPECT_EQ(x.AngleBetween(x), 0.0);
    EXPECT_EQ(x.AngleBetween(-x), kPi);
    EXPECT_NEAR(x.AngleBetween(CUnitVector3d::YAxis()), kPi / 2, 1e-15);
}

TEST(UnitVector3d, ArbitraryAxesCompleteARightHandedFrame)
{
    struct Case {
        CUnitVector3d normal, x, y;
    } cases[] = {
        {CUnitVector3d::ZAxis(), CUnitVector3d::XAxis(), CUnitVector3d::YAxis()},
        {CUnitVector3d::XAxis(), CUnitVector3d::YAxis(), CUnitVector3d::ZAxis()},
        {-CUnitVector3d::ZAxis(), -CUnitVector3d::XAxis(), CUnitVector3d::YAxis()},
    };
    for (const Case& c : cases) {
        CUnitVector3d x, y;
        EXPECT_TRUE(c.normal.GetArbitraryAxes(x, y));
        EXPECT_TRUE(Near3(x, c.x));
        EXPECT_TRUE(Near3(y, c.y));
    }
}

TEST(UnitVector3d, CameraUpVector)
{
    struct Case {
        const char* what;
        CPoint3d target;
        CVector3d preferredUp;
        CUnitVector3d up;
    } cases[] = {
        {"level view keeps +Z up", {10, 0, 0}, {0, 0, 1}, CUnitVector3d::ZAxis()},
        {"level view turned to the preferred side", {10, 0, 0}, {0, 0, -1}, -CUnitVector3d::ZAxis()},
        {"straight down takes the preferred up", {0, 0, -10}, {0, 1, 0}, CUnitVector3d::YAxis()},
        {"straight down, preferred up reversed", {0, 0, -10}, {0, -1, 0}, -CUnitVector3d::YAxis()},
        {"straight down, preferred up along the view", {0, 0, -10}, {0, 0, 1}, CUnitVector3d::YAxis()},
    };
    for (const Case& c : cases) {
        CUnitVector3d up;
        ComputeCameraUpVector(CPoint3d(), c.target, c.preferredUp, up);
        EXPECT_TRUE(Near3(up, c.up)) << c.what;
    }
}

}  // namespace
}  // namespace geomtest
