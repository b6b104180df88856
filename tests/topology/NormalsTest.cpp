// Averaged vertex normals of a component's smooth vertex fans.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "components/Component.h"
#include "geometry/UnitVector3d.h"
#include "model/ZephyronModel.h"
#include "topology/AverageNormalCache.h"
#include "topology/Edge.h"
#include "topology/EdgeUse.h"
#include "topology/Face.h"
#include "topology/FaceTesselator.h"
#include "topology/Loop.h"
#include "topology/Vertex.h"

using orbisk::geometry::CPlane3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CPolygonMesh;
using orbisk::geometry::CUnitVector3d;
using orbisk::geometry::CVector3d;

namespace {

class NormalsTest : public ::testing::Test {
protected:
    void TearDown() override { model->Release(); }

    CComponent& Root() { return *model->GetRoot(); }

    CEdge* AddEdge(CVertex* a, CVertex* b, bool smooth)
    {
        auto* edge = new CEdge(a, b, false);
        edge->SetSoftAndSmooth(smooth, smooth);
        Root().AddEntity(edge);
        return edge;
    }
    // The face's plane goes through its first vertex with the normal given by the corners'
    // winding, so the loop runs counter-clockwise about it.
    CFace* AddFace(std::vector<CEdge*> edges, const std::vector<CVertex*>& corners)
    {
        const CPoint3d& p0 = corners[0]->GetPosition();
        const CVector3d n = (corners[1]->GetPosition() - p0).Cross(corners[2]->GetPosition() - p0);
        auto* face = new CFace(static_cast<int>(edges.size()), edges.data(), CPlane3d(p0, CUnitVector3d(n)));
        Root().AddEntity(face);
        return face;
    }
    // The use of the face that starts at the vertex.
    static CEdgeUse* UseAt(const CFace* face, const CVertex* vertex)
    {
        CEdgeUse* use = face->GetOuterLoop()->GetFirstEdgeUse();
        for (int i = 0; i < face->GetOuterLoop()->GetEdgeUseCount(); ++i, use = use->GetNext()) {
            if (use->GetStartVertex() == vertex)
                return use;
        }
        return nullptr;
    }

    // The place of the vertex's use in the face's outer loop.
    static int UseIndex(const CFace* face, const CVertex* vertex)
    {
        CEdgeUse* use = face->GetOuterLoop()->GetFirstEdgeUse();
        for (int i = 0; i < face->GetOuterLoop()->GetEdgeUseCount(); ++i, use = use->GetNext()) {
            if (use->GetStartVertex() == vertex)
                return i;
        }
        return -1;
    }

    CZephyronModel* model = new CZephyronModel();
    CAverageNormalCache cache;
};

void ExpectNear(const CVector3d& actual, const CVector3d& expected)
{
    EXPECT_NEAR(actual.x, expected.x, 1e-9);
    EXPECT_NEAR(actual.y, expected.y, 1e-9);
    EXPECT_NEAR(actual.z, expected.z, 1e-9);
}

TEST_F(NormalsTest, AComponentWithoutSmoothEdgesKeepsNoNormals)
{
    auto* a = new CVertex(CPoint3d(0, 0, 0));
    auto* b = new CVertex(CPoint3d(1, 0, 0));
    auto* c = new CVertex(CPoint3d(0, 1, 0));
    CFace* face = AddFace({AddEdge(a, b, false), AddEdge(b, c, false), AddEdge(c, a, false)}, {a, b, c});

    cache.Compute(Root());

    EXPECT_TRUE(cache.IsValid());
    EXPECT_EQ(cache.GetCount(), 0);
    EXPECT_FALSE(face->HasAveragedNormals());
    EXPECT_EQ(UseAt(face, a)->GetNormalIndex(), 0);
    ExpectNear(face->GetVertexNormal(*UseAt(face, a), &cache), CVector3d(0, 0, 1));
}

// Two quads meet at a smooth ridge from (0, -1, 0) to (0, 1, 0): a flat one over x < 0 and one
// rising at 45 degrees over x > 0. The ridge's vertices are open fans of two equal right
// angles, so their normal is the plain mean of the two face normals; the outer corners keep
// their face's normal. A reversed rising face contributes its normal reversed, and reading the
// shared normal through it turns the normal to its side.
TEST_F(NormalsTest, RidgeVerticesTakeTheMeanOfTheirTwoFaces)
{
    for (bool reversed : {false, true}) {
        SCOPED_TRACE(reversed ? "reversed neighbour" : "oriented neighbour");
        NormalsTest::TearDown();
        model = new CZephyronModel();
        cache.Invalidate();

        auto* bottom = new CVertex(CPoint3d(0, -1, 0));
        auto* top = new CVertex(CPoint3d(0, 1, 0));
        auto* leftTop = new CVertex(CPoint3d(-1, 1, 0));
        auto* leftBottom = new CVertex(CPoint3d(-1, -1, 0));
        auto* rightBottom = new CVertex(CPoint3d(1, -1, 1));
        auto* rightTop = new CVertex(CPoint3d(1, 1, 1));
        CEdge* ridge = AddEdge(bottom, top, true);
        CFace* flat = AddFace({ridge, AddEdge(top, leftTop, false), AddEdge(leftTop, leftBottom, false),
                               AddEdge(leftBottom, bottom, false)},
                              {bottom, top, leftTop});
        CEdge* rb = AddEdge(bottom, rightBottom, false);
        CEdge* rr = AddEdge(rightBottom, rightTop, false);
        CEdge* rt = AddEdge(rightTop, top, false);
        CFace* rising = reversed ? AddFace({ridge, rt, rr, rb}, {bottom, top, rightTop})
                                 : AddFace({rb, rr, rt, ridge}, {bottom, rightBottom, rightTop});

        cache.Compute(Root());

        const CVector3d risingUp = CVector3d(-1, 0, 1) / std::sqrt(2.0);
        const CVector3d meanUp = CVector3d(CUnitVector3d(CVector3d(0, 0, 1) + risingUp).x,
                                           CUnitVector3d(CVector3d(0, 0, 1) + risingUp).y,
                                           CUnitVector3d(CVector3d(0, 0, 1) + risingUp).z);
        EXPECT_EQ(cache.GetCount(), 2);
        EXPECT_TRUE(flat->HasAveragedNormals());
        EXPECT_TRUE(rising->HasAveragedNormals());
        for (CVertex* v : {bottom, top}) {
            EXPECT_GT(UseAt(flat, v)->GetNormalIndex(), 0);
            EXPECT_EQ(UseAt(flat, v)->GetNormalIndex(), UseAt(rising, v)->GetNormalIndex());
            ExpectNear(flat->GetVertexNormal(*UseAt(flat, v), &cache), meanUp);
            ExpectNear(rising->GetVertexNormal(*UseAt(rising, v), &cache), reversed ? -meanUp : meanUp);
        }
        EXPECT_EQ(UseAt(flat, leftTop)->GetNormalIndex(), -1);
        ExpectNear(flat->GetVertexNormal(*UseAt(flat, leftTop), &cache), CVector3d(0, 0, 1));
    }
}

// Eight equal triangles round the tip of a steep cone: the tip is an apex and keeps flat
// normals, while the triangles still draw smooth through their base vertices.
TEST_F(NormalsTest, TheTipOfASteepConeKeepsFlatNormals)
{
    constexpr int kSides = 8;
    auto* tip = new CVertex(CPoint3d(0, 0, 3));
    std::vector<CVertex*> base;
    for (int i = 0; i < kSides; ++i) {
        const double angle = 2.0 * M_PI * i / kSides;
        base.push_back(new CVertex(CPoint3d(std::cos(angle), std::sin(angle), 0)));
    }
    std::vector<CEdge*> radial;
    for (CVertex* v : base)
        radial.push_back(AddEdge(tip, v, true));
    std::vector<CFace*> faces;
    for (int i = 0; i < kSides; ++i) {
        const int j = (i + 1) % kSides;
        CEdge* rim = AddEdge(base[i], base[j], false);
        faces.push_back(AddFace({radial[i], rim, radial[j]}, {tip, base[i], base[j]}));
    }

    cache.Compute(Root());

    for (CFace* face : faces) {
        EXPECT_TRUE(face->HasAveragedNormals());
        EXPECT_EQ(UseAt(face, tip)->GetNormalIndex(), -1);
    }
    EXPECT_EQ(cache.GetCount(), kSides);
    EXPECT_GT(UseAt(faces[0], base[1])->GetNormalIndex(), 0);
}

TEST_F(NormalsTest, AHeldCacheRebuildsOnEveryCompute)
{
    auto* a = new CVertex(CPoint3d(0, 0, 0));
    auto* b = new CVertex(CPoint3d(1, 0, 0));
    auto* c = new CVertex(CPoint3d(0, 1, 0));
    auto* d = new CVertex(CPoint3d(0, 0, 1));
    CEdge* shared = AddEdge(a, b, true);
    CFace* floor = AddFace({shared, AddEdge(b, c, false), AddEdge(c, a, false)}, {a, b, c});
    AddFace({shared, AddEdge(a, d, false), AddEdge(d, b, false)}, {b, a, d});

    cache.SetHold(true);
    cache.Compute(Root());
    EXPECT_FALSE(cache.IsValid());
    const int first = cache.GetCount();
    EXPECT_GT(first, 0);
    UseAt(floor, a)->SetNormalIndex(0);
    cache.Compute(Root());
    EXPECT_EQ(cache.GetCount(), first);
    EXPECT_GT(UseAt(floor, a)->GetNormalIndex(), 0);

    cache.SetHold(false);
    cache.Compute(Root());
    EXPECT_TRUE(cache.IsValid());
}

}  // namespace

// A face of a component draws with the component's own cache, made on first use.
TEST_F(NormalsTest, FacesTakeTheCacheOfTheirComponent)
{
    auto* bottom = new CVertex(CPoint3d(0, -1, 0));
    auto* top = new CVertex(CPoint3d(0, 1, 0));
    auto* leftTop = new CVertex(CPoint3d(-1, 1, 0));
    auto* rightTop = new CVertex(CPoint3d(1, 1, 1));
    CEdge* ridge = AddEdge(bottom, top, true);
    CFace* flat = AddFace({ridge, AddEdge(top, leftTop, false), AddEdge(leftTop, bottom, false)},
                          {bottom, top, leftTop});
    AddFace({AddEdge(bottom, rightTop, false), AddEdge(rightTop, top, false), ridge},
            {bottom, rightTop, top});

    CAverageNormalCache* own = Root().GetAverageNormalCache();
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(flat->GetNormalCache(), own);
    own->Compute(Root());
    EXPECT_TRUE(flat->HasAveragedNormals());
    const CVector3d atTop = flat->GetVertexNormal(*UseAt(flat, top), flat->GetNormalCache());
    // Between the flat face's normal (0, 0, 1) and the rising one's (-1, 0, 1) / sqrt 2.
    EXPECT_LT(atTop.x, -0.1);
    EXPECT_GT(atTop.z, 0.5);

    // The vertex records handed to GLU and the mesh's normals carry the same normal at the
    // ridge, and the flat corner keeps its face's own.
    CFaceTesselator records(flat);
    records.BuildVertexArrays(true);
    CPolygonMesh mesh;
    mesh.flags = CPolygonMesh::kNormals;
    CFaceToMesh(flat, mesh).Tessellate(nullptr, false, false);
    const std::vector<std::pair<CVertex*, CVector3d>> expected = {{top, atTop},
                                                                  {leftTop, CVector3d(0, 0, 1)}};
    for (const auto& [vertex, normal] : expected) {
        const CVector3d inRecord = records.GetVertexRecordNormal(0, UseIndex(flat, vertex));
        ExpectNear(inRecord, normal);
        const auto point = std::find(mesh.points.begin(), mesh.points.end(), vertex->GetPosition());
        ASSERT_NE(point, mesh.points.end());
        const CUnitVector3d& inMesh = mesh.normals[static_cast<size_t>(point - mesh.points.begin())];
        ExpectNear(CVector3d(inMesh.x, inMesh.y, inMesh.z), normal);
    }

    EXPECT_TRUE(Root().ResetSmoothing());
    EXPECT_FALSE(flat->HasAveragedNormals());
    EXPECT_EQ(UseAt(flat, top)->GetNormalIndex(), 0);
}
