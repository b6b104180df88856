// Faces turned into triangles through the real GLU tessellator, with no GL context: the
// triangles cover the face (holes and openings stay empty) and turn positively about the face
// normal, damaged rings give what their bounded walk reaches, and a face becomes a mesh whose
// points are the face's corners.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <GL/gl.h>

#include "database/Material.h"
#include "database/Texture.h"
#include "geometry/PolygonMesh.h"
#include "platform/wgl/EglPbufferContext.h"
#include "tests/support/GLPixelCheck.h"
#include "tests/topology/FaceTestSupport.h"
#include "topology/EdgeUse.h"
#include "topology/FaceTesselator.h"
#include "topology/Loop.h"

namespace {

using orbisk::geometry::CPolygonMesh;
using orbisk::geometry::CTransform3d;

using Triangle = std::array<CPoint3d, 3>;

// Keeps what GLU hands out.
class TriangleRecorder : public CFaceTesselator {
public:
    explicit TriangleRecorder(CFace* face) : CFaceTesselator(face) {}
    void Begin(unsigned int type) override { types.push_back(type); }
    void EdgeFlag(bool boundary) override { edgeFlags.push_back(boundary); }
    void Normal(const double* n) override { normals.emplace_back(n[0], n[1], n[2]); }
    void Vertex(const double* record) override
    {
        corners.emplace_back(record[0], record[1], record[2]);
        if (corners.size() % 3 == 0)
            triangles.push_back({corners[corners.size() - 3], corners[corners.size() - 2], corners.back()});
    }
    void Error(unsigned int code) override { errors.push_back(code); }

    std::vector<unsigned int> types;
    std::vector<bool> edgeFlags;
    std::vector<CVector3d> normals;
    std::vector<CPoint3d> corners;
    std::vector<Triangle> triangles;
    std::vector<unsigned int> errors;
};

double SignedArea(const Triangle& t, const CVector3d& normal)
{
    return 0.5 * (t[1] - t[0]).Cross(t[2] - t[0]).Dot(normal);
}

class FaceTesselatorTest : public FaceTest {
protected:
    FaceTesselatorTest()
    {
        CSuspendUndo unrecorded;
        openings = std::make_unique<OpeningModel>();
    }

    // No triangle turns against the face normal (GLU may add flat ones where corners are
    // collinear); answers the area they cover.
    static double CoveredArea(const std::vector<Triangle>& triangles, const CVector3d& normal)
    {
        double area = 0.0;
        for (const Triangle& t : triangles) {
            const double a = SignedArea(t, normal);
            EXPECT_GE(a, 0.0) << "a triangle turns against the face normal";
            area += a;
        }
        return area;
    }

    std::unique_ptr<OpeningModel> openings;
};

std::vector<CPoint3d> Reversed(std::vector<CPoint3d> points)
{
    return {points.rbegin(), points.rend()};
}

TEST_F(FaceTesselatorTest, FacesTessellateIntoPositiveTrianglesThatCoverThem)
{
    struct Case {
        std::string name;
        std::function<CFace*()> make;
        size_t triangles;
        double area;
    };
    const std::vector<Case> cases = {
        {"triangle",
         [&] {
             return NewFace({{0, 0, 0}, {3, 0, 0}, {0, 2, 0}});
         },
         1, 3.0},
        {"convex quad",
         [&] {
             return NewSquareFace({1, 1, 0}, 2);
         },
         2, 4.0},
        {"concave L",
         [&] {
             return NewFace({{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}, {1, 2, 0}, {0, 2, 0}});
         },
         4, 3.0},
        {"square ring",
         [&] {
             CFace* face = NewSquareFace({0, 0, 0}, 3);
             AddHole(face, Reversed(Square({1, 1, 0}, 1)));
             return face;
         },
         8, 8.0},
        {"ring facing down",
         [&] {
             CFace* face = NewSquareFace({0, 0, 0}, 3);
             AddHole(face, Reversed(Square({1, 1, 0}, 1)));
             face->Reverse();
             return face;
         },
         8, 8.0},
        {"tilted quad",
         [&] {
             return new CFace(4, NewPolygon({{0, 0, 0}, {2, 0, 0}, {2, 0, 2}, {0, 0, 2}}).data(),
                              CPlane3d(0, -1, 0, 0));
         },
         2, 4.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CFace* face = c.make();
        const CVector3d normal = face->GetPlane().GetNormal();
        TriangleRecorder tess(face);
        tess.Tessellate(nullptr, false, false);
        EXPECT_TRUE(tess.errors.empty());
        for (unsigned int type : tess.types)
            EXPECT_EQ(type, 4u /* GL_TRIANGLES */);
        EXPECT_EQ(tess.triangles.size(), c.triangles);
        EXPECT_EQ(tess.corners.size(), 3 * c.triangles);
        EXPECT_NEAR(CoveredArea(tess.triangles, normal), c.area, 1e-9);
        EXPECT_TRUE(tess.normals.empty());
    }
}

TEST_F(FaceTesselatorTest, AHoleStaysEmpty)
{
    CFace* face = NewSquareFace({0, 0, 0}, 3);
    AddHole(face, Reversed(Square({1, 1, 0}, 1)));
    TriangleRecorder tess(face);
    tess.Tessellate(nullptr, false, false);
    const CPoint3d middle(1.5, 1.5, 0);
    for (const Triangle& t : tess.triangles) {
        const CPoint3d centre((t[0].x + t[1].x + t[2].x) / 3, (t[0].y + t[1].y + t[2].y) / 3, 0);
        EXPECT_FALSE(std::abs(centre.x - middle.x) < 0.5 && std::abs(centre.y - middle.y) < 0.5)
            << "a triangle lies in the hole";
    }
    // Hole edges are boundary edges: some flags are true, the diagonals false.
    EXPECT_NE(std::count(tess.edgeFlags.begin(), tess.edgeFlags.end(), true), 0);
    EXPECT_NE(std::count(tess.edgeFlags.begin(), tess.edgeFlags.end(), false), 0);
}

TEST_F(FaceTesselatorTest, ADamagedRingIsWalkedOnlyAsFarAsItsCount)
{
    CFace* face = NewSquareFace({0, 0, 0}, 2);
    std::vector<CEdgeUse*> uses = face->GetOuterLoop()->GetEdgeUses();
    ASSERT_EQ(uses.size(), 4u);
    CEdgeUse* next = uses[2]->GetNext();
    uses[2]->SetNext(uses[2]);  // the ring now ends at its third use
    {
        TriangleRecorder tess(face);
        tess.Tessellate(nullptr, false, false);
        EXPECT_EQ(tess.GetLoopVertexCount(0), 3);
        ASSERT_EQ(tess.triangles.size(), 1u);
        EXPECT_NEAR(CoveredArea(tess.triangles, {0, 0, 1}), 2.0, 1e-9);
    }
    uses[2]->SetNext(uses[1]);  // 0 -> 1 -> 2 -> 1 -> ...: a walk without a bound never ends
    {
        TriangleRecorder tess(face);
        tess.Tessellate(nullptr, false, false);
        EXPECT_EQ(tess.GetLoopVertexCount(0), face->GetOuterLoop()->GetEdgeUseCount());
    }
    uses[2]->SetNext(next);
}

TEST_F(FaceTesselatorTest, FiveLoopsKeepTheirCountsOnTheHeapAndFourInline)
{
    CFace* face = NewSquareFace({0, 0, 0}, 10);
    for (int i = 0; i < 3; ++i)
        AddHole(face, Reversed(Square({1.0 + 3 * i, 1, 0}, 1)));
    {
        TriangleRecorder tess(face);
        tess.Tessellate(nullptr, false, false);
        EXPECT_EQ(tess.GetLoopCount(), 4);
        EXPECT_TRUE(tess.UsesInlineCounts());
        EXPECT_NEAR(CoveredArea(tess.triangles, {0, 0, 1}), 97.0, 1e-9);
    }
    AddHole(face, Reversed(Square({1, 5, 0}, 2)));
    TriangleRecorder tess(face);
    tess.Tessellate(nullptr, false, false);
    EXPECT_EQ(tess.GetLoopCount(), 5);
    EXPECT_FALSE(tess.UsesInlineCounts());
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(tess.GetLoopVertexCount(i), 4);
    EXPECT_NEAR(CoveredArea(tess.triangles, {0, 0, 1}), 93.0, 1e-9);
}

TEST_F(FaceTesselatorTest, CrossingLoopsGetCombinedPointsWithUnitNormals)
{
    // A hole that sticks out of the face: only the part inside the outer loop is cut away.
    CFace* face = NewSquareFace({0, 0, 0}, 2);
    AddHole(face, Reversed(Square({1, 1, 0}, 2)));
    TriangleRecorder tess(face);
    tess.Tessellate(nullptr, false, true);
    EXPECT_GE(tess.GetCombinedCount(), 2);
    EXPECT_NEAR(CoveredArea(tess.triangles, {0, 0, 1}), 3.0, 1e-9);
    ASSERT_EQ(tess.normals.size(), tess.corners.size());
    for (const CVector3d& n : tess.normals) {
        EXPECT_NEAR(n.x, 0.0, 1e-9);
        EXPECT_NEAR(n.y, 0.0, 1e-9);
        EXPECT_NEAR(n.z, 1.0, 1e-9);
    }
}

TEST_F(FaceTesselatorTest, OpeningsAreCutOnlyWhenAskedFor)
{
    CFace* wall = NewSquareFace({0, 0, 0}, 10);
    wall->SetParent(new ModelHolder(openings.get()));
    CFace* window = NewSquareFace({0, 0, 0}, 2);
    CTransform3d placement;
    placement.SetTranslation({6, 6, 0});
    openings->factory.openings.emplace_back(window->GetOuterLoop(), placement, CVector3d(0, 0, 1));
    CFace* sliver = NewFace({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    std::vector<CEdgeUse*> uses = sliver->GetOuterLoop()->GetEdgeUses();
    CEdgeUse* next = uses[1]->GetNext();
    uses[1]->SetNext(uses[1]);  // an opening of two vertices adds no contour
    openings->factory.openings.emplace_back(sliver->GetOuterLoop(), placement, CVector3d(0, 0, 1));

    struct Case {
        bool includeOpenings;
        double area;
    };
    for (const Case& c : {Case{false, 100.0}, Case{true, 96.0}}) {
        SCOPED_TRACE(c.includeOpenings ? "with openings" : "without openings");
        const int created = openings->factory.created;
        TriangleRecorder tess(wall);
        tess.Tessellate(nullptr, c.includeOpenings, true);
        EXPECT_EQ(openings->factory.created, created + (c.includeOpenings ? 1 : 0));
        EXPECT_NEAR(CoveredArea(tess.triangles, {0, 0, 1}), c.area, 1e-9);
    }
    uses[1]->SetNext(next);
}

TEST_F(FaceTesselatorTest, AFaceWithoutLoopsGivesNothing)
{
    auto* face = new CFace;
    TriangleRecorder tess(face);
    tess.Tessellate(nullptr, true, true);
    EXPECT_TRUE(tess.corners.empty());
    EXPECT_EQ(tess.GetLoopCount(), 0);
    CPolygonMesh mesh;
    CFaceToMesh(face, mesh).Tessellate(nullptr, false, false);
    EXPECT_TRUE(mesh.points.empty());
    EXPECT_EQ(mesh.GetPolygonCount(), 0);
}

TEST_F(FaceTesselatorTest, AFaceBecomesAMeshOfItsCornersWithInteriorEdgesMarked)
{
    CFace* face = NewSquareFace({0, 0, 0}, 3);
    AddHole(face, Reversed(Square({1, 1, 0}, 1)));
    CPolygonMesh mesh(CPolygonMesh::kNormals | CPolygonMesh::kFrontUVs);
    {
        CFaceToMesh toMesh(face, mesh);
        toMesh.Tessellate(nullptr, false, false);
    }
    // The points are the eight corners, each once.
    ASSERT_EQ(mesh.points.size(), 8u);
    for (const CPoint3d& corner : Square({0, 0, 0}, 3))
        EXPECT_NE(mesh.FindPoint(corner), 0);
    for (const CPoint3d& corner : Square({1, 1, 0}, 1))
        EXPECT_NE(mesh.FindPoint(corner), 0);
    ASSERT_EQ(mesh.GetPolygonCount(), 8);
    double area = 0.0;
    int interior = 0;
    for (int p = 1; p <= mesh.GetPolygonCount(); ++p) {
        ASSERT_EQ(mesh.GetPolygonVertexCount(p), 3);
        Triangle t;
        for (int v = 1; v <= 3; ++v) {
            t[v - 1] = mesh.GetPolygonPoint(p, v);
            if (mesh.GetPolygonVertexIndex(p, v) < 0)
                ++interior;
        }
        area += SignedArea(t, {0, 0, 1});
        EXPECT_GE(SignedArea(t, {0, 0, 1}), 0.0);
    }
    EXPECT_NEAR(area, 8.0, 1e-9);
    // Eight triangles over eight boundary edges: sixteen corners start an interior edge.
    EXPECT_EQ(interior, 16);
    // Every point has the face normal, and without a texture its plane coordinates as (u, v, 1).
    for (size_t i = 0; i < mesh.points.size(); ++i) {
        EXPECT_NEAR(CVector3d(mesh.normals[i]).z, 1.0, 1e-12);
        EXPECT_NEAR(mesh.frontUVs[i].z, 1.0, 1e-12);
    }
    const CPoint3d uv0 = mesh.frontUVs[0];
    const CPoint3d uv1 = mesh.frontUVs[1];
    EXPECT_NEAR(std::hypot(uv1.x - uv0.x, uv1.y - uv0.y), mesh.points[0].DistanceTo(mesh.points[1]), 1e-9);
}

TEST_F(FaceTesselatorTest, AMeshWithoutFlagsGetsOnlyPointsAndSharesPointsBetweenFaces)
{
    CFace* left = NewSquareFace({0, 0, 0}, 1);
    CFace* right = NewSquareFace({1, 0, 0}, 1);
    CPolygonMesh mesh;
    CFaceToMesh(left, mesh).Tessellate(nullptr, false, false);
    CFaceToMesh(right, mesh).Tessellate(nullptr, false, false);
    EXPECT_EQ(mesh.points.size(), 6u);
    EXPECT_EQ(mesh.GetPolygonCount(), 4);
    EXPECT_TRUE(mesh.frontUVs.empty());
    EXPECT_TRUE(mesh.backUVs.empty());
    EXPECT_TRUE(mesh.normals.empty());
}

TEST_F(FaceTesselatorTest, TheDisplayTessellationFillsTheRingAndLeavesTheHoleInAnOffscreenContext)
{
    constexpr int kSize = 32;
    std::string failure;
    std::unique_ptr<CEglPbufferContext> context = CEglPbufferContext::Create(kSize, kSize, {}, &failure);
    ASSERT_TRUE(context) << failure;
    ASSERT_TRUE(context->MakeCurrent());
    glViewport(0, 0, kSize, kSize);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, kSize, 0.0, kSize, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    // A 24-pixel square at (4, 4) with an 8-pixel hole in its middle.
    CFace* face = NewSquareFace({4, 4, 0}, 24);
    AddHole(face, Reversed(Square({12, 12, 0}, 8)));
    const GLPixel black = GLPixel::FromFloats(0, 0, 0);
    const GLPixel white = GLPixel::FromFloats(1, 1, 1);
    for (bool withNormals : {false, true}) {
        SCOPED_TRACE(withNormals ? "with normals" : "without normals");
        ClearGLBuffers(black);
        glColor3f(1, 1, 1);
        CDisplayTesselator(face).Tessellate(nullptr, false, withNormals);
        glFinish();
        EXPECT_TRUE(PixelNear(ReadGLPixel(6, 6), white));    // in the ring
        EXPECT_TRUE(PixelNear(ReadGLPixel(16, 26), white));  // in the ring, above the hole
        EXPECT_TRUE(PixelNear(ReadGLPixel(16, 16), black));  // in the hole
        EXPECT_TRUE(PixelNear(ReadGLPixel(1, 1), black));    // outside
        EXPECT_TRUE(GLStateIsClean());
    }
}

TEST_F(FaceTesselatorTest, TextureCoordinatesArePlaneCoordinatesOverTheTextureScale)
{
    CFace* face = NewSquareFace({0, 0, 0}, 2);
    CMaterial* material = NewMaterial(false);
    CTexture* texture = nullptr;
    {
        // The material owns its texture: not one of the entities the fixture deletes.
        CSuspendUndo unrecorded;
        texture = new CTexture;
    }
    texture->SetXScale(2.0);
    texture->SetYScale(4.0);
    material->SetTexture(texture);
    face->SetMaterial(material);

    CPolygonMesh mesh(CPolygonMesh::kFrontUVs | CPolygonMesh::kBackUVs);
    CFaceToMesh(face, mesh).Tessellate(nullptr, false, false);
    ASSERT_EQ(mesh.points.size(), 4u);
    orbisk::geometry::CUnitVector3d xAxis;
    orbisk::geometry::CUnitVector3d yAxis;
    ASSERT_TRUE(orbisk::geometry::CUnitVector3d::ZAxis().GetArbitraryAxes(xAxis, yAxis));
    for (size_t i = 0; i < mesh.points.size(); ++i) {
        const CVector3d p = mesh.points[i] - CPoint3d();
        // The front side's texture repeats every 2 by 4 units; the bare back side every unit.
        EXPECT_NEAR(mesh.frontUVs[i].x, p.Dot(xAxis) / 2.0, 1e-12);
        EXPECT_NEAR(mesh.frontUVs[i].y, p.Dot(yAxis) / 4.0, 1e-12);
        EXPECT_NEAR(mesh.frontUVs[i].z, 1.0, 1e-12);
        EXPECT_NEAR(mesh.backUVs[i].x, p.Dot(xAxis), 1e-12);
        EXPECT_NEAR(mesh.backUVs[i].y, p.Dot(yAxis), 1e-12);
    }
    face->SetMaterial(nullptr);
}

}  // namespace
