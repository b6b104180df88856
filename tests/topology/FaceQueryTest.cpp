// What a face answers about its geometry: bounds of its outer loop, area net of holes and
// openings, where a point lies against it, the element nearest a point and the coplanar hole
// its outer loop fills; and the material and colours it answers for a view or a colour context.
#include <gtest/gtest.h>

#include <memory>

#include "database/Material.h"
#include "database/UndoManager.h"
#include "settings/Camera.h"
#include "settings/RenderingOptions.h"
#include "settings/ViewDefinition.h"
#include "tests/model/doubles/ViewDouble.h"
#include "tests/topology/FaceTestSupport.h"
#include "topology/Edge.h"
#include "topology/EdgeUse.h"
#include "topology/Loop.h"
#include "topology/Vertex.h"

namespace {

using orbisk::geometry::CTransform3d;

class FaceQueryTest : public FaceTest {
protected:
    // Made outside the test's operation: the model's own entities are not the test's.
    FaceQueryTest()
    {
        CSuspendUndo unrecorded;
        openings = std::make_unique<OpeningModel>();
    }

    // A 10 x 10 face with a 2 x 2 hole at (2, 2) and, through the model's factory, a glued
    // 1 x 1 opening at (6, 6), its perimeter loop placed by a translation.
    CFace* WallWithHoleAndWindow()
    {
        CFace* wall = NewSquareFace({0, 0, 0}, 10);
        AddHole(wall, Square({2, 2, 0}, 2));
        auto* host = new ModelHolder(openings.get());
        wall->SetParent(host);
        CFace* window = NewSquareFace({0, 0, 0}, 1);
        CTransform3d placement;
        placement.SetTranslation({6, 6, 0});
        openings->factory.openings.emplace_back(window->GetOuterLoop(), placement, CVector3d(0, 0, 1));
        return wall;
    }

    std::unique_ptr<OpeningModel> openings;
};

TEST_F(FaceQueryTest, BoundsAreThoseOfTheOuterLoopAndFollowThePlane)
{
    CFace* face = NewSquareFace({1, 2, 3}, 4);
    AddHole(face, Square({2, 3, 3}, 1));
    const auto& box = face->GetCachedBounds();
    EXPECT_EQ(box.GetMin(), CPoint3d(1, 2, 3));
    EXPECT_EQ(box.GetMax(), CPoint3d(5, 6, 3));

    CTransform3d shift;
    shift.SetTranslation({10, 0, 0});
    orbisk::geometry::CBoundingBox3d moved;
    face->AddBoundsTransformed(shift, moved);
    EXPECT_EQ(moved.GetMin(), CPoint3d(11, 2, 3));

    face->SetPlane(CPlane3d(0, 0, 1, -3));
    EXPECT_FALSE(face->GetCachedBounds().IsEmpty()) << "refilled when next asked";
    EXPECT_TRUE((new CFace)->GetCachedBounds().IsEmpty());
}

TEST_F(FaceQueryTest, TheAreaIsTheOuterLoopLessHolesAndOpenings)
{
    CFace* wall = WallWithHoleAndWindow();
    EXPECT_DOUBLE_EQ(wall->GetArea(), 95.0);
    CTransform3d doubled(2.0, 2.0, 2.0);
    EXPECT_DOUBLE_EQ(wall->GetArea(&doubled), 380.0) << "every loop and opening scaled";
    EXPECT_GT(openings->factory.created, 0);
}

TEST_F(FaceQueryTest, APointIsClassifiedAgainstOuterLoopHolesAndOpenings)
{
    CFace* wall = WallWithHoleAndWindow();
    struct Case {
        CPoint3d point;
        bool skipOpenings;
        int expected;
    };
    const Case cases[] = {
        {{5, 1, 0}, false, CFace::kInside},       {{3, 3, 0}, false, CFace::kOutside},  // inside the hole
        {{3, 2, 0}, false, CFace::kOnEdge},                                             // on the hole's edge
        {{2, 2, 0}, false, CFace::kOnVertex},                                           // on a hole vertex
        {{5, 0, 0}, false, CFace::kOnEdge},                                             // on the outer edge
        {{10, 10, 0}, false, CFace::kOnVertex},                                         // on an outer vertex
        {{5, 1, 0.002}, false, CFace::kOffPlane},  // above the plane by more than the tolerance
        {{5, 1, 0.0005}, false, CFace::kInside},   // within it
        {{12, 5, 0}, false, CFace::kOutside},      // outside the box
        {{6.5, 6.5, 0}, false, CFace::kOutside},   // in the window's opening
        {{6.5, 6.5, 0}, true, CFace::kInside},     // openings skipped
        {{6.5, 6, 0}, false, CFace::kOnEdge},      // on the opening's edge
    };
    for (const Case& c : cases)
        EXPECT_EQ(wall->ClassifyPoint(c.point, 0.001, c.skipOpenings), c.expected)
            << c.point.x << ", " << c.point.y << ", " << c.point.z;
    EXPECT_EQ((new CFace)->ClassifyPoint({0, 0, 0}, 0.001, false), CFace::kNoLoops);
}

TEST_F(FaceQueryTest, TheFaceNumbersVertexAndEdgeTheOtherWayRoundFromItsLoops)
{
    CFace* face = NewSquareFace({0, 0, 0}, 2);
    const CLoop* outer = face->GetOuterLoop();
    const CPoint3d corner(2, 2, 0);
    const CPoint3d side(2, 1, 0);
    EXPECT_EQ(outer->ClassifyPoint(corner, 0.001, face->GetDominantAxis()), CLoop::kOnVertex);
    EXPECT_EQ(outer->ClassifyPoint(side, 0.001, face->GetDominantAxis()), CLoop::kOnEdge);
    EXPECT_EQ(CLoop::kOnVertex, 2);
    EXPECT_EQ(CLoop::kOnEdge, 4);
    EXPECT_EQ(face->ClassifyPoint(corner, 0.001, true), 4);
    EXPECT_EQ(face->ClassifyPoint(side, 0.001, true), 2);
}

TEST_F(FaceQueryTest, APointOnAVerticalFaceIsClassifiedInTheDominantPlane)
{
    // A face in the plane x = 3: its loops classify in (y, z).
    CFace* face = NewSquareFace({0, 0, 0}, 2);
    const CTransform3d turn(CPoint3d(), orbisk::geometry::CUnitVector3d(0, 1, 0), orbisk::geometry::kPi / 2);
    CTransform3d shift;
    shift.SetTranslation({3, 0, 0});
    const CTransform3d place = shift * turn;
    for (int i = 0; i < 4; ++i) {
        CVertex* vertex = face->GetOuterLoop()->GetEdgeUses()[static_cast<size_t>(i)]->GetStartVertex();
        vertex->SetPosition(place.MultiplyPoint(vertex->GetPosition()));
    }
    face->Transform(place);
    EXPECT_EQ(face->GetDominantAxis(), 1);
    EXPECT_EQ(face->ClassifyPoint({3, 1, -1}, 0.001, true), CFace::kInside);
    EXPECT_EQ(face->ClassifyPoint({3, 1, 1}, 0.001, true), CFace::kOutside);
}

TEST_F(FaceQueryTest, TheNearestElementIsAVertexThenAnEdgeWithinTheTolerance)
{
    CFace* face = NewSquareFace({0, 0, 0}, 2);
    const CEdgeUse* first = face->GetOuterLoop()->GetFirstEdgeUse();
    CVertex* origin = first->GetStartVertex();
    CEdge* bottom = first->GetEdge();
    struct Case {
        CPoint3d point;
        CEntity* expected;
    };
    const Case cases[] = {
        {{0.0005, 0, 0}, origin},  // within 0.001 of a vertex
        {{1, 0.0005, 0}, bottom},  // 0.0005 from the edge's interior
        {{1, 0.002, 0}, face},     // too far from the edge
        {{-0.5, 0, 0}, face},      // beyond the edge's end, no vertex near
        {{1, 1, 0}, face},
    };
    for (const Case& c : cases)
        EXPECT_EQ(face->FindNearestVertexOrEdge(c.point), c.expected) << c.point.x << ", " << c.point.y;
}

TEST_F(FaceQueryTest, AFaceFillingACoplanarHoleFindsThatHole)
{
    for (bool reversedHost : {false, true}) {
        CFace* host = NewSquareFace({0, 0, 0}, 4);
        const std::vector<CEdge*> holeEdges = NewPolygon(Square({1, 1, 0}, 2));
        auto* hole = new CLoop(4, holeEdges.data(), host->GetPlane().GetNormal());
        host->AddLoop(hole);
        if (reversedHost)
            host->Reverse();
        auto* filler = new CFace(4, holeEdges.data(), CPlane3d(0, 0, 1, 0));
        EXPECT_EQ(filler->FindCoplanarHoleLoop(), hole) << "host reversed " << reversedHost;
    }
}

TEST_F(FaceQueryTest, AFaceBesideANeighbourOrWithoutLoopsFindsNoHole)
{
    CFace* left = NewSquareFace({0, 0, 0}, 1);
    const CEdgeUse* shared = left->GetOuterLoop()->GetFirstEdgeUse()->GetNext();  // x = 1
    CEdge* edge = shared->GetEdge();
    CVertex* a = edge->GetStart();
    CVertex* b = edge->GetEnd();
    CEdge* edges[] = {edge, NewEdge(b, NewVertex({2, 1, 0})), nullptr, nullptr};
    edges[2] = NewEdge(edges[1]->GetEnd(), NewVertex({2, 0, 0}));
    edges[3] = NewEdge(edges[2]->GetEnd(), a);
    auto* right = new CFace(4, edges, CPlane3d(0, 0, 1, 0));
    EXPECT_EQ(right->FindCoplanarHoleLoop(), nullptr) << "the neighbour shares through its outer loop";
    EXPECT_EQ((new CFace)->FindCoplanarHoleLoop(), nullptr);
}

TEST_F(FaceQueryTest, AnEdgeOfAnotherCoplanarHoleRulesTheCandidateOut)
{
    for (bool otherHole : {false, true}) {
        CFace* host = NewSquareFace({0, 0, 0}, 10);
        const std::vector<CEdge*> holeEdges = NewPolygon(Square({1, 1, 0}, 2));
        auto* hole = new CLoop(4, holeEdges.data(), host->GetPlane().GetNormal());
        host->AddLoop(hole);
        // The filler runs along three sides of the hole and closes over an edge of its own.
        CEdge* own = NewEdge(holeEdges[3]->GetStart(), holeEdges[3]->GetEnd());
        if (otherHole) {
            CFace* other = NewSquareFace({-5, -5, 0}, 20);
            CEdge* sides[] = {own, NewEdge(own->GetEnd(), NewVertex({-1, 2, 0})), nullptr};
            sides[2] = NewEdge(sides[1]->GetEnd(), own->GetStart());
            other->AddLoop(new CLoop(3, sides, other->GetPlane().GetNormal()));
        }
        CEdge* fillerEdges[] = {holeEdges[0], holeEdges[1], holeEdges[2], own};
        auto* filler = new CFace(4, fillerEdges, CPlane3d(0, 0, 1, 0));
        EXPECT_EQ(filler->FindCoplanarHoleLoop(), otherHole ? nullptr : hole) << "other hole " << otherHole;
    }
}

}  // namespace

namespace {

// A view from above through a parallel camera: a face whose normal points up shows its front.
class FaceFromAboveView : public RecordingView {
public:
    FaceFromAboveView()
    {
        CCamera camera;
        camera.SetEyeTargetUp({0, 0, 10}, {0, 0, 0}, {0, 1, 0});
        camera.SetPerspective(false);
        definition.SetCamera(camera);
    }
    const CViewDefinition* GetViewDefinition() const override { return &definition; }
    CViewDefinition* GetViewDefinition() override { return &definition; }

    CViewDefinition definition;
};

// Where export and the scene-graph builders take a colour from.
class FaceColorContext : public IColorContext {
public:
    CColor GetOverrideColor() const override { return overrideColor; }
    CMaterial* GetCurrentMaterial() const override { return material; }

    CColor overrideColor;
    CMaterial* material = nullptr;
};

}  // namespace

TEST_F(FaceQueryTest, AViewGetsTheMaterialAndColourOfTheSideItSees)
{
    CMaterial* red = NewMaterial(false);
    red->SetColor(CColor(200, 0, 0, 255));
    CMaterial* inherited = NewMaterial(false);
    inherited->SetColor(CColor(0, 0, 200, 255));
    // Deleted with the entities the test's operation made, as the materials are.
    auto* options = new CRenderingOptions;
    FaceFromAboveView view;
    view.options = options;
    view.inheritedMaterial = inherited;

    CFace* up = NewSquareFace({0, 0, 0}, 1);
    up->SetMaterial(red);
    CFace* down = NewSquareFace({0, 0, 0}, 1);
    down->SetMaterial(red);
    down->Reverse();
    const struct {
        const char* name;
        CFace* face;
        bool xRay;
        CMaterial* material;
        CColor color;
    } cases[] = {
        {"front", up, false, red, {200, 0, 0, 255}},
        // Without a back material the enclosing instance's material shows.
        {"back", down, false, inherited, {0, 0, 200, 255}},
        // The colour queries see X-ray faces half opaque.
        {"front under x-ray", up, true, red, {200, 0, 0, 127}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        options->SetXRay(c.xRay);
        EXPECT_EQ(c.face->GetMaterialForView(&view), c.material);
        EXPECT_EQ(c.face->GetColorForView(&view), c.color);
    }
}

TEST_F(FaceQueryTest, TheSolidColourIsAPlainFrontMaterialsElseTheContextsOverride)
{
    CMaterial* own = NewMaterial(false);
    own->SetColor(CColor(200, 0, 0, 100));
    CMaterial* current = NewMaterial(false);
    current->SetColor(CColor(0, 200, 0, 255));
    const CColor yellow(250, 250, 0, 255);
    const struct {
        const char* name;
        CMaterial* ownMaterial;
        CMaterial* contextMaterial;
        CColor overrideColor;
        CMaterial* frontMaterial;
        CColor color;
    } cases[] = {
        {"own plain material, made opaque", own, current, yellow, own, {200, 0, 0, 255}},
        {"the context's material", nullptr, current, yellow, current, {0, 200, 0, 255}},
        {"the override", nullptr, nullptr, yellow, nullptr, yellow},
        {"nothing", nullptr, nullptr, CColor(), nullptr, CColor()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CFace* face = NewSquareFace({0, 0, 0}, 1);
        face->SetMaterial(c.ownMaterial);
        FaceColorContext context;
        context.material = c.contextMaterial;
        context.overrideColor = c.overrideColor;
        EXPECT_EQ(face->GetFrontMaterial(&context), c.frontMaterial);
        EXPECT_EQ(face->GetSolidColor(&context), c.color);
    }
    EXPECT_EQ(NewSquareFace({0, 0, 0}, 1)->GetSolidColor(nullptr), CColor());
}
