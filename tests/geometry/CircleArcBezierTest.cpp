#include "GeomTestSupport.h"

#include "geometry/Arc3d.h"
#include "geometry/Bezier3d.h"
#include "geometry/Transform3d.h"

#include <limits>
#include <vector>

namespace geomtest {
namespace {

TEST(Circle3d, ThroughThreePoints)
{
    const CCircle3d circle(CPoint3d(1, 0, 0), CPoint3d(0, 1, 0), CPoint3d(-1, 0, 0));
    EXPECT_TRUE(Near3(circle.center, CPoint3d(0, 0, 0)));
    EXPECT_DOUBLE_EQ(circle.radius, 1);
    EXPECT_TRUE(Near3(circle.plane.GetNormal(), CVector3d(0, 0, 1)));
    EXPECT_TRUE(Near3(circle.yAxis, CVector3d(0, 1, 0)));
    EXPECT_NEAR(circle.GetAngleOfPoint(CPoint3d(0, -1, 0)), 3 * kPi / 2, 1e-12);
    EXPECT_TRUE(circle.HasOrthonormalAxes());

    const CCircle3d tilted(CPoint3d(3, 1, 5), CPoint3d(1, 3, 5), CPoint3d(1, 1, 7));
    for (const CPoint3d& p : {CPoint3d(3, 1, 5), CPoint3d(1, 3, 5), CPoint3d(1, 1, 7)})
        EXPECT_NEAR(tilted.center.DistanceTo(p), tilted.radius, 1e-9);
    EXPECT_TRUE(CPoint3d(1, 3, 5).IsOnPlane(tilted.plane));
}

TEST(Circle3d, CollinearPointsGiveAHugeCircleInTheirPlane)
{
    const CPoint3d points[] = {{0, 0, 0}, {1, 1, 0}, {3, 3, 0}};
    const CCircle3d circle(points[0], points[1], points[2]);
    EXPECT_NEAR(circle.radius, 1e9, 1e3);
    for (const CPoint3d& p : points)
        EXPECT_TRUE(p.IsOnPlane(circle.plane));

    const CCircle3d vertical(CPoint3d(0, 0, 0), CPoint3d(0, 0, 1), CPoint3d(0, 0, 2));
    EXPECT_NEAR(vertical.radius, 1e9, 1e3);
    EXPECT_TRUE(Near3(vertical.plane.GetNormal(), CVector3d(0, 1, 0)));

    const CCircle3d coincident(CPoint3d(1, 1, 1), CPoint3d(1, 1, 1), CPoint3d(1, 1, 1));
    EXPECT_EQ(coincident.radius, 0);
}

TEST(Circle3d, AnglesWrapByWholeTurns)
{
    const CCircle3d circle(CPoint3d(1, 0, 0), CPoint3d(0, 1, 0), CPoint3d(-1, 0, 0));
    EXPECT_TRUE(Near3(circle.GetPointAt(-kPi / 2), circle.GetPointAt(3 * kPi / 2)));
    EXPECT_TRUE(Near3(circle.GetPointAt(9 * kPi), CPoint3d(-1, 0, 0), 1e-9));
    // Angles far beyond a turn, or not finite, must not loop.
    EXPECT_TRUE(circle.GetPointAt(1e300).IsValid());
    EXPECT_FALSE(circle.GetPointAt(std::numeric_limits<double>::infinity()).IsValid());
    EXPECT_NEAR(NormalizeAngle(-1e-7), -1e-7, 0.0);
    EXPECT_NEAR(NormalizeAngle(kTwoPi + 1e-7), kTwoPi + 1e-7, 0.0);
    EXPECT_NEAR(NormalizeAngle(-kPi), kPi, 1e-12);
}

TEST(Circle3d, AnEllipseKeepsItsAngles)
{
    CCircle3d circle(CPoint3d(1, 0, 0), CPoint3d(0, 1, 0), CPoint3d(-1, 0, 0));
    circle.Transform(CTransform3d(2, 1, 1));
    EXPECT_FALSE(circle.HasOrthonormalAxes());
    EXPECT_NEAR(circle.GetAngleOfPoint(circle.GetPointAt(1.0)), 1.0, 1e-9);

    // Sheared: axes of different lengths and not perpendicular.
    CTransform3d shear(CVector3d(1, 0, 0), CVector3d(0.5, 1, 0), CVector3d(0, 0, 1), CPoint3d(3, 0, 0));
    shear.orthonormal = false;
    circle.Transform(shear);
    for (const double angle : {0.3, 2.0, 5.5})
        EXPECT_NEAR(circle.GetAngleOfPoint(circle.GetPointAt(angle)), angle, 1e-9);
}

TEST(Circle3d, MirroringKeepsTheNormalWithTheAxes)
{
    CCircle3d circle(CPoint3d(1, 0, 0), CPoint3d(0, 1, 0), CPoint3d(-1, 0, 0));
    circle.Transform(CTransform3d(1, -1, 1));
    EXPECT_TRUE(Near3(circle.plane.GetNormal(), CVector3d(0, 0, -1)));
    EXPECT_NEAR(circle.GetAngleOfPoint(CPoint3d(0, -1, 0)), kPi / 2, 1e-12);
}

TEST(Circle3d, EqualityAcceptsAReversedPlane)
{
    const CCircle3d circle(CPoint3d(1, 0, 0), CPoint3d(0, 1, 0), CPoint3d(-1, 0, 0));
    const CCircle3d reversed(CPoint3d(1, 0, 0), CPoint3d(0, -1, 0), CPoint3d(-1, 0, 0));
    EXPECT_TRUE(circle.IsEqual(reversed));
    const CCircle3d larger(CPoint3d(2, 0, 0), CPoint3d(0, 2, 0), CPoint3d(-2, 0, 0));
    EXPECT_FALSE(circle.IsEqual(larger));
}

TEST(Circle3d, SetNormalAndRecompute)
{
    CCircle3d circle;
    circle.center = CPoint3d(0, 0, 4);
    circle.xAxis = CVector3d(3, 0, 0);
    circle.SetNormal(CUnitVector3d(0, 0, -1));
    circle.Recompute(true);
    EXPECT_EQ(circle.radius, 3);
    EXPECT_TRUE(NearPlane(circle.plane, RawPlane(0, 0, -1, 4)));
    EXPECT_TRUE(Near3(circle.yAxis, CVector3d(0, -3, 0)));
}

TEST(Arc3d, RunsFromTheFirstThroughTheSecondToTheThirdPoint)
{
    const CArc3d upper(CPoint3d(1, 0, 0), CPoint3d(0, 1, 0), CPoint3d(-1, 0, 0));
    EXPECT_EQ(upper.startAngle, 0);
    EXPECT_NEAR(upper.endAngle, kPi, 1e-12);

    const CArc3d lower(CPoint3d(1, 0, 0), CPoint3d(0, -1, 0), CPoint3d(-1, 0, 0));
    EXPECT_TRUE(Near3(lower.plane.GetNormal(), CVector3d(0, 0, -1)));
    EXPECT_NEAR(lower.endAngle, kPi, 1e-12);
    EXPECT_TRUE(Near3(lower.GetPointAt(kPi / 2), CPoint3d(0, -1, 0)));
    EXPECT_TRUE(Near3(lower.GetEndPoint(), CPoint3d(-1, 0, 0)));
    EXPECT_TRUE(Near3(lower.GetStartPoint(), CPoint3d(1, 0, 0)));
}

TEST(Arc3d, CollinearPointsOutOfOrderReverseTheHugeCircle)
{
    const CArc3d arc(CPoint3d(0, 0, 0), CPoint3d(2, 0, 0), CPoint3d(1, 0, 0));
    EXPECT_GT(arc.endAngle, kTwoPi - 1e-8);
    EXPECT_LT(arc.endAngle, kTwoPi);
    EXPECT_TRUE(arc.GetEndPoint() == CPoint3d(1, 0, 0));
}

TEST(Arc3d, FullCircle)
{
    const CArc3d arc;
    EXPECT_FALSE(arc.IsFullCircle(false));
    EXPECT_TRUE(arc.IsFullCircle(true));
    CArc3d zero;
    zero.endAngle = 0;
    EXPECT_TRUE(zero.IsFullCircle(false));
    CArc3d half;
    half.endAngle = kPi;
    EXPECT_FALSE(half.IsFullCircle(true));
}

class CollectPoints : public IBezier3dDraw {
public:
    void AddPoint(const CPoint3d& point) override { points.push_back(point); }
    std::vector<CPoint3d> points;
};

TEST(Bezier3d, AStraightCurveEmitsItsEndOnly)
{
    const CBezier3d straight(CPoint3d(0, 0, 0), CPoint3d(1, 0, 0), CPoint3d(2, 0, 0), CPoint3d(3, 0, 0));
    CollectPoints sink;
    straight.Flatten(&sink, 0.01);
    ASSERT_EQ(sink.points.size(), 1u);
    EXPECT_TRUE(Near3(sink.points[0], CPoint3d(3, 0, 0), 0.0));
    straight.Flatten(nullptr, 0.01);
}

TEST(Bezier3d, CurvedPiecesEndOnTheCurveInOrder)
{
    const CBezier3d arch(CPoint3d(0, 0, 0), CPoint3d(0, 1, 0), CPoint3d(1, 1, 0), CPoint3d(1, 0, 0));
    CBezier3d left, right;
    arch.Subdivide(left, right);
    EXPECT_TRUE(Near3(left.P3, CPoint3d(0.5, 0.75, 0)));
    EXPECT_TRUE(Near3(right.P0, left.P3, 0.0));

    CollectPoints sink;
    arch.Flatten(&sink, 0.001);
    ASSERT_GT(sink.points.size(), 4u);
    EXPECT_TRUE(Near3(sink.points.back(), arch.P3, 0.0));
    for (std::size_t i = 1; i < sink.points.size(); ++i)
        EXPECT_GT(sink.points[i].x, sink.points[i - 1].x);
}

TEST(Bezier3d, FlatteningEndsForAnyDistanceAndAnyPoints)
{
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    constexpr double kInf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* what;
        CBezier3d curve;
        double dist;
    } cases[] = {
        {"distance 0", {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}}, 0.0},
        {"negative distance", {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}}, -1.0},
        {"not a number", {{0, 0, 0}, {kNaN, 1, 0}, {1, 1, 0}, {1, 0, 0}}, 0.01},
        {"infinite", {{0, 0, 0}, {0, kInf, 0}, {1, 1, 0}, {1, 0, 0}}, 0.01},
        {"not-a-number distance", {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}}, kNaN},
    };
    for (const Case& c : cases) {
        CollectPoints sink;
        c.curve.Flatten(&sink, c.dist);
        ASSERT_FALSE(sink.points.empty()) << c.what;
        EXPECT_LE(sink.points.size(), 1u << 16) << c.what;
        EXPECT_TRUE(Near3(sink.points.back(), c.curve.P3, 0.0)) << c.what;
    }
}

}  // namespace
}  // namespace geomtest
