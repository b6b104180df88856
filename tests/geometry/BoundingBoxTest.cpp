#include "GeomTestSupport.h"

#include "geometry/BoundingBox2d.h"
#include "geometry/BoundingBox3d.h"

namespace geomtest {
namespace {

TEST(Interval1d, IntersectionOfTouchingAndDisjointIntervals)
{
    struct Case {
        CInterval1d a, b;
        bool empty;
        double min, max;
    } cases[] = {
        {{0, 1}, {1, 2}, false, 1, 1},
        {{0, 1}, {1.5, 2}, true, 0, 0},
        {{0, 4}, {1, 2}, false, 1, 2},
        {{0, 4}, CInterval1d(), true, 0, 0},
    };
    for (const Case& c : cases) {
        const CInterval1d i = CInterval1d::Intersection(c.a, c.b);
        EXPECT_EQ(i.IsEmpty(), c.empty);
        if (c.empty) {
            EXPECT_EQ(i.min, 1e30);
            EXPECT_EQ(i.max, -1e30);
        } else {
            EXPECT_EQ(i.min, c.min);
            EXPECT_EQ(i.max, c.max);
        }
    }
}

TEST(Interval1d, ToleranceTestsAtTheirBoundaries)
{
    const CInterval1d i(0, 1);
    EXPECT_TRUE(i.ContainsStrictly(0.001));
    EXPECT_FALSE(i.ContainsStrictly(0.0009));
    EXPECT_TRUE(i.IntersectsWithin(CInterval1d(1.0015, 2), kGeomTolerance));
    EXPECT_FALSE(i.IntersectsWithin(CInterval1d(1.0025, 2), kGeomTolerance));
    EXPECT_FALSE(CInterval1d().IntersectsWithin(i, 10));

    CInterval1d shrunk = i;
    shrunk.Expand(-0.25);
    EXPECT_EQ(shrunk.min, 0.25);
    EXPECT_EQ(shrunk.max, 0.75);
}

TEST(BoundingBox3d, ANewBoxPlusOnePointIsThatPoint)
{
    CBoundingBox3d box;
    EXPECT_TRUE(box.IsEmpty());
    EXPECT_EQ(box.GetDiagonalSquared(), 0.0);
    EXPECT_FALSE(box.Contains(CPoint3d()));

    const CPoint3d p(1, 2, 3);
    box.Add(p);
    EXPECT_TRUE(box.Contains(p));
    EXPECT_TRUE(box.Intersects(box));
    EXPECT_EQ(box.GetDiagonal(), 0.0);
    EXPECT_TRUE(Near3(box.GetMin(), p, 0.0));
    EXPECT_TRUE(Near3(box.GetMax(), p, 0.0));
}

TEST(BoundingBox3d, CornersAndCenter)
{
    const CBoundingBox3d box = Box({0, 0, 0}, {1, 2, 3});
    EXPECT_TRUE(Near3(box.GetCorner(0), CPoint3d(0, 0, 0), 0.0));
    EXPECT_TRUE(Near3(box.GetCorner(5), CPoint3d(1, 0, 3), 0.0));
    EXPECT_TRUE(Near3(box.GetCorner(7), CPoint3d(1, 2, 3), 0.0));
    EXPECT_TRUE(Near3(box.GetCenter(), CPoint3d(0.5, 1, 1.5), 0.0));
    EXPECT_DOUBLE_EQ(box.GetDiagonalSquared(), 14.0);
}

TEST(BoundingBox3d, ContainmentWidenedOrShrunkByTheTolerance)
{
    const CBoundingBox3d box = UnitBox();
    EXPECT_TRUE(box.Contains(CPoint3d(1.0009, 0.5, 0.5)));
    EXPECT_FALSE(box.Contains(CPoint3d(1.0011, 0.5, 0.5)));
    EXPECT_FALSE(box.ContainsStrictly(CPoint3d(1, 0.5, 0.5)));
    EXPECT_FALSE(box.ContainsStrictly(CPoint3d(0.5, 0.5, 0.9995)));
    EXPECT_TRUE(box.ContainsStrictly(CPoint3d(0.5, 0.5, 0.5)));
}

TEST(BoundingBox3d, BoxesSharingAFaceIntersect)
{
    const CBoundingBox3d box = UnitBox();
    EXPECT_TRUE(box.Intersects(Box({1, 0, 0}, {2, 1, 1})));
    const CBoundingBox3d nearby = Box({1.0015, 0, 0}, {2, 1, 1});
    EXPECT_FALSE(box.Intersects(nearby));
    EXPECT_TRUE(box.IntersectsWithin(nearby, kGeomTolerance));
    EXPECT_FALSE(box.IntersectsWithin(Box({1.0025, 0, 0}, {2, 1, 1}), kGeomTolerance));
    EXPECT_FALSE(box.Intersects(CBoundingBox3d()));
}

TEST(BoundingBox3d, GrowingSkipsEmptyIntervals)
{
    CBoundingBox3d empty;
    empty.Expand(5);
    EXPECT_TRUE(empty.IsEmpty());
    empty.Expand(CVector3d(1, 1, 1));
    EXPECT_TRUE(empty.IsEmpty());

    CBoundingBox3d flat;
    flat.x = {0, 2};
    flat.y = {0, 2};
    CBoundingBox3d box = UnitBox();
    box.AddBox(flat);
    EXPECT_EQ(box.x.max, 2);
    EXPECT_EQ(box.y.max, 2);
    EXPECT_EQ(box.z.min, 0);
    EXPECT_EQ(box.z.max, 1);

    box.Expand(CVector3d(1, 0, 0.5));
    EXPECT_EQ(box.x.min, -1);
    EXPECT_EQ(box.y.min, 0);
    EXPECT_EQ(box.z.max, 1.5);
}

TEST(BoundingBox3d, SegmentClipping)
{
    struct Case {
        const char* what;
        CPoint3d a, b;
        bool hits;
    } cases[] = {
        {"through the box after one clip", {-1, 0.5, 0.5}, {2, 0.5, 0.5}, true},
        {"both ends beyond the same face", {-1, -1, 0}, {-1, 2, 0}, false},
        {"one end inside", {0.5, 0.5, 0.5}, {9, 9, 9}, true},
        {"diagonal across two faces", {-0.5, -0.2, 0.5}, {1.5, 1.2, 0.5}, true},
        {"past a corner", {-0.5, 0.6, 0}, {0.6, 1.7, 0}, false},
        {"touching a face", {1, 2, 0.5}, {1, -1, 0.5}, true},
    };
    const CBoundingBox3d box = UnitBox();
    for (const Case& c : cases) {
        EXPECT_EQ(box.IntersectsSegment(c.a, c.b), c.hits) << c.what;
        EXPECT_EQ(box.IntersectsSegment(c.b, c.a), c.hits) << c.what << " (reversed)";
    }
    EXPECT_FALSE(CBoundingBox3d().IntersectsSegment(CPoint3d(-1, 0, 0), CPoint3d(1, 0, 0)));
}

TEST(BoundingBox2d, DiagonalContainmentAndCorners)
{
    CBoundingBox2d box;
    EXPECT_EQ(box.GetDiagonal(), 0.0);
    box.Add(CPoint2d(0, 0));
    box.Add(CPoint2d(3, 4));
    EXPECT_DOUBLE_EQ(box.GetDiagonal(), 5.0);
    EXPECT_TRUE(box.Contains(CPoint2d(3.0009, 2)));
    EXPECT_FALSE(box.Contains(CPoint2d(3.0011, 2)));
    EXPECT_EQ(box.GetCorner(2).x, 0);
    EXPECT_EQ(box.GetCorner(2).y, 4);
    EXPECT_TRUE(box.Intersects(box));
    EXPECT_FALSE(box.Intersects(CBoundingBox2d()));
}

}  // namespace
}  // namespace geomtest
