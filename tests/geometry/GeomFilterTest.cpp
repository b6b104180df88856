#include "GeomTestSupport.h"

#include "geometry/GeomFilterCombined.h"
#include "geometry/GeomFilterPlane.h"
#include "geometry/GeomFilterSelectAll.h"
#include "geometry/GeomFilterVolume.h"
#include "geometry/Transform3d.h"

#include <cmath>

namespace geomtest {
namespace {

// The unit cube, normals outwards; the last plane is z >= 0.
VolumePlanes UnitCube()
{
    return {CPlane3d(1, 0, 0, -1), CPlane3d(-1, 0, 0, 0), CPlane3d(0, 1, 0, -1),
            CPlane3d(0, -1, 0, 0), CPlane3d(0, 0, 1, -1), CPlane3d(0, 0, -1, 0)};
}

// The unit cube open downwards: its sixth plane is not in use.
VolumePlanes OpenCube()
{
    VolumePlanes planes = UnitCube();
    planes[5] = RawPlane(0, 0, -1, HUGE_VAL);
    return planes;
}

TEST(GeomFilterVolume, BoxesInsideOnTheBoundaryAndOutside)
{
    const CGeomFilterInsideVolume inside(UnitCube());
    const CGeomFilterCrossingVolume crossing(UnitCube());
    struct Case {
        const char* what;
        CBoundingBox3d box;
        bool accepted, fullyInside;
    } cases[] = {
        {"wholly inside", Box({0.2, 0.2, 0.2}, {0.8, 0.8, 0.8}), true, true},
        {"far corner on a plane", Box({0.2, 0.2, 0.2}, {1, 0.8, 0.8}), true, false},
        {"straddling a plane", Box({0.5, 0.5, 0.5}, {2, 0.8, 0.8}), true, false},
        {"wholly outside", Box({2, 0, 0}, {3, 1, 1}), false, false},
    };
    for (const Case& c : cases) {
        for (const IGeomFilter* filter :
             {static_cast<const IGeomFilter*>(&inside), static_cast<const IGeomFilter*>(&crossing)}) {
            bool fullyInside = !c.fullyInside;
            EXPECT_EQ(filter->TestBox(c.box, fullyInside), c.accepted) << c.what;
            EXPECT_EQ(fullyInside, c.fullyInside) << c.what;
            EXPECT_EQ(filter->IntersectsBox(c.box), c.accepted) << c.what;
        }
    }
}

TEST(GeomFilterVolume, SegmentsThroughTheVolume)
{
    const CGeomFilterInsideVolume inside(UnitCube());
    const CGeomFilterCrossingVolume crossing(UnitCube());
    struct Case {
        const char* what;
        CPoint3d a, b;
        bool inside, crossing;
    } cases[] = {
        {"wholly inside", {0.2, 0.2, 0.2}, {0.8, 0.8, 0.8}, true, true},
        {"entering through one plane and leaving through another",
         {-0.5, 0.2, 0.5},
         {0.5, 1.5, 0.5},
         false,
         true},
        {"passing outside a corner", {-0.5, 0.6, 0.5}, {0.6, 1.7, 0.5}, false, false},
        {"wholly outside one plane", {2, 0, 0}, {3, 1, 1}, false, false},
        {"ends on the surface", {0, 0, 0}, {1, 1, 1}, true, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(inside.TestSegment(c.a, c.b), c.inside) << c.what;
        EXPECT_EQ(crossing.TestSegment(c.a, c.b), c.crossing) << c.what;
    }
    EXPECT_TRUE(inside.TestPoint(CPoint3d(1, 1, 1)));
    EXPECT_FALSE(inside.TestPoint(CPoint3d(1.0000001, 0.5, 0.5)));
}

TEST(GeomFilterVolume, AnUnusedSixthPlaneIsIgnoredButStillGiven)
{
    CGeomFilterCrossingExpandedVolume open(OpenCube());
    EXPECT_FALSE(open.IsSixthPlaneInUse());
    EXPECT_TRUE(open.TestPoint(CPoint3d(0.5, 0.5, -5)));
    bool fullyInside = false;
    EXPECT_TRUE(open.TestBox(Box({0.2, 0.2, -9}, {0.8, 0.8, 0.8}), fullyInside));
    EXPECT_TRUE(fullyInside);
    EXPECT_TRUE(open.TestSegmentExpanded(CPoint3d(0.5, 0.5, -9), CPoint3d(0.5, 0.5, -8), 0.01));

    CTransform3d lift;
    lift.SetTranslation(CVector3d(0, 0, 10));
    open.Transform(lift);
    ASSERT_NE(open.GetPlane(5), nullptr);
    EXPECT_EQ(open.GetPlane(5)->d, HUGE_VAL);
    EXPECT_TRUE(NearPlane(*open.GetPlane(4), CPlane3d(0, 0, 1, -11)));
    EXPECT_EQ(open.GetPlane(6), nullptr);
    EXPECT_EQ(open.GetPlane(-1), nullptr);
}

TEST(GeomFilterVolume, TransformMovesTheVolume)
{
    CGeomFilterInsideVolume volume(UnitCube());
    CTransform3d shift;
    shift.SetTranslation(CVector3d(10, 0, 0));
    volume.Transform(shift);
    EXPECT_TRUE(volume.TestPoint(CPoint3d(10.5, 0.5, 0.5)));
    EXPECT_FALSE(volume.TestPoint(CPoint3d(0.5, 0.5, 0.5)));
}

TEST(GeomFilterVolume, TheApertureWidensThePlanesAcrossTheEdge)
{
    const CGeomFilterCrossingExpandedVolume volume(UnitCube());
    // An edge parallel to the plane x = 1, 0.05 beyond it: the whole width counts.
    const CPoint3d a(1.05, 0.2, 0.5), b(1.05, 0.8, 0.5);
    EXPECT_FALSE(volume.TestSegment(a, b));
    EXPECT_TRUE(volume.TestSegmentExpanded(a, b, 0.1));
    EXPECT_FALSE(volume.TestSegmentExpanded(a, b, 0.01));
    // The planes are as they were.
    EXPECT_FALSE(volume.TestSegment(a, b));
    EXPECT_TRUE(NearPlane(*volume.GetPlane(0), CPlane3d(1, 0, 0, -1), 0.0));

    // An edge along the normal of x = 1, ending 0.05 beyond it: that plane does not widen.
    EXPECT_FALSE(volume.TestSegmentExpanded(CPoint3d(1.05, 0.5, 0.5), CPoint3d(2, 0.5, 0.5), 0.1));
}

TEST(GeomFilterVolume, ClonesKeepTheirClassAndPlanes)
{
    const CGeomFilterInsideVolume inside(UnitCube());
    const auto clone = inside.Clone();
    EXPECT_NE(dynamic_cast<CGeomFilterInsideVolume*>(clone.get()), nullptr);
    EXPECT_FALSE(clone->TestSegment(CPoint3d(-1, 0.5, 0.5), CPoint3d(0.5, 0.5, 0.5)));

    const CGeomFilterCrossingExpandedVolume expanded(UnitCube());
    EXPECT_NE(dynamic_cast<CGeomFilterCrossingExpandedVolume*>(expanded.Clone().get()), nullptr);
    EXPECT_NE(dynamic_cast<CGeomFilterCrossingVolume*>(CGeomFilterCrossingVolume(UnitCube()).Clone().get()),
              nullptr);
}

TEST(GeomFilterPlane, AcceptsWhatLiesOnOrCrossesThePlane)
{
    const CGeomFilterPlane filter(CPlane3d(0, 0, 1, 0));
    struct Case {
        const char* what;
        CPoint3d a, b;
        bool accepted;
    } cases[] = {
        {"one end within the tolerance, other far above", {0, 0, 0.0009}, {0, 0, 50}, true},
        {"one end within the tolerance, other far below", {0, 0, 50}, {0, 0, -0.0009}, true},
        {"crossing", {0, 0, -1}, {0, 0, 1}, true},
        {"both above", {0, 0, 0.002}, {0, 0, 1}, false},
        {"both below", {0, 0, -0.002}, {0, 0, -1}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(filter.TestSegment(c.a, c.b), c.accepted) << c.what;

    EXPECT_TRUE(filter.TestPoint(CPoint3d(5, 5, -0.0009)));
    EXPECT_FALSE(filter.TestPoint(CPoint3d(5, 5, 0.0011)));
    bool fullyInside = true;
    EXPECT_TRUE(filter.TestBox(Box({0, 0, 0}, {1, 1, 1}), fullyInside));
    EXPECT_FALSE(fullyInside);
    EXPECT_FALSE(filter.IntersectsBox(Box({0, 0, 0.5}, {1, 1, 1})));
    EXPECT_EQ(filter.GetPlane(0), nullptr);

    const auto moved = filter.Clone();
    CTransform3d lift;
    lift.SetTranslation(CVector3d(0, 0, 3));
    moved->Transform(lift);
    EXPECT_TRUE(moved->TestPoint(CPoint3d(0, 0, 3)));
    EXPECT_TRUE(filter.TestPoint(CPoint3d(0, 0, 0)));
}

TEST(GeomFilterSelectAll, AcceptsEverything)
{
    const CGeomFilterSelectAll all;
    bool fullyInside = false;
    EXPECT_TRUE(all.TestBox(CBoundingBox3d(), fullyInside));
    EXPECT_TRUE(fullyInside);
    EXPECT_TRUE(all.Clone()->TestSegment(CPoint3d(), CPoint3d(1e9, 0, 0)));
    EXPECT_EQ(all.GetPlane(0), nullptr);
}

TEST(GeomFilterCombined, AcceptsWhatEveryChildAccepts)
{
    CGeomFilterCombined combined(std::make_unique<CGeomFilterCrossingVolume>(UnitCube()),
                                 std::make_unique<CGeomFilterPlane>(CPlane3d(0, 0, 1, -0.5)));
    EXPECT_TRUE(combined.TestPoint(CPoint3d(0.5, 0.5, 0.5)));
    EXPECT_FALSE(combined.TestPoint(CPoint3d(0.5, 0.5, 0.7)));
    EXPECT_FALSE(combined.TestPoint(CPoint3d(3, 0.5, 0.5)));
    EXPECT_TRUE(combined.TestSegment(CPoint3d(0.5, 0.5, 0), CPoint3d(0.5, 0.5, 1)));
    EXPECT_FALSE(combined.TestSegment(CPoint3d(3, 0.5, 0), CPoint3d(3, 0.5, 1)));

    bool fullyInside = true;
    EXPECT_TRUE(combined.TestBox(Box({0.2, 0.2, 0.2}, {0.8, 0.8, 0.8}), fullyInside));
    EXPECT_FALSE(fullyInside);
    EXPECT_FALSE(combined.IntersectsBox(Box({0.2, 0.2, 0.6}, {0.8, 0.8, 0.8})));

    ASSERT_NE(combined.GetPlane(0), nullptr);
    EXPECT_TRUE(NearPlane(*combined.GetPlane(0), CPlane3d(1, 0, 0, -1), 0.0));
}

TEST(GeomFilterCombined, FullyInsideWhenEveryChildIs)
{
    CGeomFilterCombined combined(std::make_unique<CGeomFilterSelectAll>(),
                                 std::make_unique<CGeomFilterInsideVolume>(UnitCube()));
    bool fullyInside = false;
    EXPECT_TRUE(combined.TestBox(Box({0.2, 0.2, 0.2}, {0.8, 0.8, 0.8}), fullyInside));
    EXPECT_TRUE(fullyInside);
    EXPECT_TRUE(NearPlane(*combined.GetPlane(3), CPlane3d(0, -1, 0, 0), 0.0));

    CGeomFilterCombined empty(nullptr, nullptr);
    EXPECT_TRUE(empty.TestPoint(CPoint3d(1e9, 0, 0)));
    EXPECT_EQ(empty.GetPlane(0), nullptr);
}

TEST(GeomFilterCombined, ClonesAreIndependent)
{
    CGeomFilterCombined combined(std::make_unique<CGeomFilterInsideVolume>(UnitCube()),
                                 std::make_unique<CGeomFilterSelectAll>());
    auto clone = combined.Clone();
    CTransform3d shift;
    shift.SetTranslation(CVector3d(10, 0, 0));
    clone->Transform(shift);
    EXPECT_TRUE(clone->TestPoint(CPoint3d(10.5, 0.5, 0.5)));
    EXPECT_FALSE(clone->TestPoint(CPoint3d(0.5, 0.5, 0.5)));
    EXPECT_TRUE(combined.TestPoint(CPoint3d(0.5, 0.5, 0.5)));
}

}  // namespace
}  // namespace geomtest
