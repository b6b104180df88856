#include "GeomTestSupport.h"

#include "geometry/Polygon2d.h"
#include "geometry/PolygonMesh.h"

#include <climits>
#include <iterator>
#include <vector>

namespace geomtest {
namespace {

CPolygon2d Polygon(std::initializer_list<CPoint2d> points)
{
    CPolygon2d polygon;
    for (const CPoint2d& p : points)
        polygon.AddPoint(p);
    return polygon;
}

TEST(Polygon2d, ClassifiesPointsAgainstTheSquare)
{
    const CPolygon2d square = Polygon({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    struct Case {
        const char* what;
        CPoint2d p;
        int where;
    } cases[] = {
        {"centre", {0.5, 0.5}, kInsidePolygon},
        {"on the right edge", {1, 0.5}, kOnPolygonEdge},
        {"on a vertex", {1, 1}, kOnPolygonVertex},
        {"near the first vertex", {0.0005, 0.0005}, kOnPolygonVertex},
        {"outside to the right", {2, 0.5}, kOutsidePolygon},
        {"outside to the left, on the line of an edge", {-1, 0}, kOutsidePolygon},
        {"just beyond an edge, within the tolerance", {1.0005, 0.5}, kOnPolygonEdge},
        {"just above the bottom edge, within the tolerance", {0.5, 0.0004}, kOnPolygonEdge},
        {"beyond the tolerance", {1.002, 0.5}, kOutsidePolygon},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(square.Classify(c.p), c.where) << c.what;
        // Without the box shortcut, the crossing count agrees.
        EXPECT_EQ(ClassifyPointInPolygon2d(c.p, square.points.data(), square.points.size()), c.where)
            << c.what;
    }
}

TEST(Polygon2d, ARayThroughAVertexCountsItOnce)
{
    const CPolygon2d triangle = Polygon({{0, 0}, {2, 1}, {0, 2}});
    EXPECT_EQ(triangle.Classify(CPoint2d(1, 1)), kInsidePolygon);
    // The ray from a point left of the outline passes the vertex (2, 1) from outside.
    const CPolygon2d diamond = Polygon({{1, 0}, {2, 1}, {1, 2}, {0, 1}});
    EXPECT_EQ(diamond.Classify(CPoint2d(1, 1)), kInsidePolygon);
    EXPECT_EQ(ClassifyPointInPolygon2d(CPoint2d(-1, 1), diamond.points.data(), diamond.points.size()),
              kOutsidePolygon);
    // A horizontal edge on the ray.
    const CPolygon2d step = Polygon({{0, 0}, {3, 0}, {3, 2}, {2, 2}, {2, 1}, {1, 1}, {1, 2}, {0, 2}});
    EXPECT_EQ(step.Classify(CPoint2d(0.5, 1)), kInsidePolygon);
    EXPECT_EQ(step.Classify(CPoint2d(1.5, 1)), kOnPolygonEdge);
    EXPECT_EQ(step.Classify(CPoint2d(1.5, 1.5)), kOutsidePolygon);
}

TEST(Polygon2d, AnEmptyOutlineHoldsNothing)
{
    EXPECT_EQ(ClassifyPointInPolygon2d(CPoint2d(), nullptr, 0), kOutsidePolygon);
    EXPECT_EQ(CPolygon2d().Classify(CPoint2d()), kOutsidePolygon);
}

TEST(Polygon2d, EqualityIgnoresTheStartingVertexButNotTheDirection)
{
    const CPoint2d a(0, 0), b(1, 0), c(0, 1);
    EXPECT_TRUE(Polygon({a, b, c}).IsEqual(Polygon({b, c, a})));
    EXPECT_TRUE(Polygon({a, b, c}).IsEqual(Polygon({{0.0005, 0}, b, c})));
    EXPECT_FALSE(Polygon({a, b, c}).IsEqual(Polygon({a, c, b})));
    EXPECT_FALSE(Polygon({a, b, c}).IsEqual(Polygon({a, b})));
    EXPECT_FALSE(CPolygon2d().IsEqual(CPolygon2d()));
}

TEST(Polygon2d, ContainmentOfOutlines)
{
    const CPolygon2d square = Polygon({{0, 0}, {4, 0}, {4, 4}, {0, 4}});
    const CPolygon2d inner = Polygon({{1, 1}, {3, 1}, {3, 3}, {1, 3}});
    const CPolygon2d touching = Polygon({{0, 0}, {2, 0}, {2, 2}, {0, 2}});
    EXPECT_TRUE(square.Contains(inner, false));
    EXPECT_FALSE(square.Contains(touching, false));
    EXPECT_TRUE(square.Contains(touching, true));
    EXPECT_FALSE(inner.Contains(square, true));
    EXPECT_FALSE(square.Contains(Polygon({{10, 10}, {11, 10}, {11, 11}}), true));

    // A U whose notch spans x 1..3 above y = 1: the rectangle has its vertices in the U
    // but spans the notch, whose bottom vertices lie strictly inside it.
    const CPolygon2d u = Polygon({{0, 0}, {4, 0}, {4, 4}, {3, 4}, {3, 1}, {1, 1}, {1, 4}, {0, 4}});
    const CPolygon2d acrossTheNotch = Polygon({{0.5, 0.5}, {3.5, 0.5}, {3.5, 2}, {0.5, 2}});
    EXPECT_FALSE(u.Contains(acrossTheNotch, true));
    EXPECT_TRUE(u.Contains(Polygon({{0.5, 0.5}, {3.5, 0.5}, {3.5, 0.8}, {0.5, 0.8}}), false));
}

TEST(PolygonMesh, EqualPointsAreShared)
{
    CPolygonMesh mesh;
    EXPECT_EQ(mesh.AddPoint(CPoint3d(0, 0, 0)), 1);
    EXPECT_EQ(mesh.AddPoint(CPoint3d(1, 0, 0)), 2);
    EXPECT_EQ(mesh.AddPoint(CPoint3d(1.0005, 0, 0)), 2);
    EXPECT_EQ(mesh.AddPoint(CPoint3d(1.002, 0, 0)), 3);
    EXPECT_EQ(mesh.FindPoint(CPoint3d(5, 5, 5)), 0);
    EXPECT_EQ(mesh.points.size(), 3u);
}

TEST(PolygonMesh, PolygonsOfSignedIndices)
{
    CPolygonMesh mesh;
    for (const CPoint3d& p : {CPoint3d(0, 0, 0), CPoint3d(1, 0, 0), CPoint3d(1, 1, 0), CPoint3d(0, 1, 0)})
        mesh.AddPoint(p);
    const int first[] = {1, -2, 3};
    const int second[] = {1, 3, -4, 2};
    EXPECT_EQ(mesh.AddPolygon(3, first), 1);
    EXPECT_EQ(mesh.AddPolygon(4, second), 2);
    EXPECT_EQ(mesh.GetPolygonVertexCount(1), 3);
    EXPECT_EQ(mesh.GetPolygonVertexCount(2), 4);
    EXPECT_EQ(mesh.GetPolygonVertexIndex(1, 2), -2);
    EXPECT_TRUE(Near3(mesh.GetPolygonPoint(1, 2), CPoint3d(1, 0, 0), 0.0));
    EXPECT_TRUE(Near3(mesh.GetPolygonPoint(2, 3), CPoint3d(0, 1, 0), 0.0));
}

TEST(PolygonMesh, AFailedAddLeavesTheMeshUnchanged)
{
    const int good[] = {1, 2, 3};
    struct Case {
        const char* what;
        std::vector<int> indices;
    } cases[] = {
        {"index beyond the points", {1, -2, 5}},
        {"negative index beyond the points", {1, 2, -5}},
        {"index 0", {0, 1, 2}},
        {"most negative int", {1, INT_MIN, 2}},
        {"fewer than three indices", {1, 2}},
    };
    for (const Case& c : cases) {
        CPolygonMesh mesh;
        for (const CPoint3d& p : {CPoint3d(0, 0, 0), CPoint3d(1, 0, 0), CPoint3d(1, 1, 0), CPoint3d(0, 1, 0)})
            mesh.AddPoint(p);
        ASSERT_EQ(mesh.AddPolygon(3, good), 1);
        EXPECT_EQ(mesh.AddPolygon(c.indices.size(), c.indices.data()), 0) << c.what;
        EXPECT_EQ(mesh.GetPolygonCount(), 1) << c.what;
        EXPECT_EQ(mesh.indices, std::vector<int>(std::begin(good), std::end(good))) << c.what;
        EXPECT_EQ(mesh.GetPolygonVertexCount(1), 3) << c.what;
        // The mesh still takes polygons after the failure.
        EXPECT_EQ(mesh.AddPolygon(3, good), 2) << c.what;
    }
}

TEST(PolygonMesh, ReserveAddsZeroEntriesThatSettersOverwrite)
{
    CPolygonMesh mesh(CPolygonMesh::kFrontUVs | CPolygonMesh::kNormals);
    mesh.Reserve(2, 1);
    EXPECT_EQ(mesh.frontUVs.size(), 2u);
    EXPECT_EQ(mesh.normals.size(), 2u);
    EXPECT_TRUE(mesh.backUVs.empty());
    EXPECT_FALSE(mesh.normals[1].IsNonZero());

    const int index = mesh.AddPoint(CPoint3d(1, 2, 3));
    mesh.SetFrontUV(-index, CPoint3d(0.5, 0.25, 1));
    mesh.SetNormal(index, CUnitVector3d::ZAxis());
    EXPECT_EQ(mesh.frontUVs.size(), 2u);
    EXPECT_TRUE(Near3(mesh.frontUVs[0], CPoint3d(0.5, 0.25, 1), 0.0));
    EXPECT_TRUE(Near3(mesh.normals[0], CUnitVector3d::ZAxis(), 0.0));

    // Indices without an entry append.
    for (const int invalid : {0, INT_MIN, 3})
        mesh.SetBackUV(invalid, CPoint3d(invalid, 0, 0));
    EXPECT_EQ(mesh.backUVs.size(), 3u);
}

}  // namespace
}  // namespace geomtest
