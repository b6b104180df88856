// The recursive drawing walk and the component drawing passes, drawn by a real model view into
// an offscreen GL context and read back as pixels: instances draw their definition's contents
// where they place them, hidden things stay undrawn, materials and layers pass down the walk,
// the opaque and transparent passes split the faces, and the GL state is left as found.

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "components/Component.h"
#include "components/ComponentDefinition.h"
#include "components/ComponentInstance.h"
#include "database/DefinitionList.h"
#include "database/Layer.h"
#include "database/LayerManager.h"
#include "database/Material.h"
#include "model/ZephyronModel.h"
#include "settings/RenderingOptions.h"
#include "tests/support/FaceBuilding.h"
#include "tests/support/GLPixelCheck.h"
#include "tests/support/TopViewSetup.h"
#include "tests/view/ViewTestSupport.h"
#include "topology/Edge.h"
#include "topology/Face.h"
#include "topology/Vertex.h"
#include "view/PickHelper.h"
#include "view/ZphView.h"

using orbisk::geometry::CPlane3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CVector3d;
using orbisk::utils::CColor;

namespace {

constexpr int kWalkViewSize = 64;
const GLPixel kClear{255, 255, 255, 255};

// The model view, noting the instances the walk enters and the colours it is given.
class WalkRecordingView : public CZphView {
public:
    using CZphView::CZphView;
    void PushInstance(CComponentInstance* instance) override
    {
        entered.push_back(instance);
        CZphView::PushInstance(instance);
    }
    void SetColor(CColor color) override
    {
        colors.push_back(color);
        CZphView::SetColor(color);
    }
    void NextItemColor(CColor& out) override
    {
        ++itemColors;
        CZphView::NextItemColor(out);
    }
    void PushTransform(const CTransform3d& t, bool applyToGL) override
    {
        transformsToGL.push_back(applyToGL);
        CZphView::PushTransform(t, applyToGL);
    }

    std::vector<CComponentInstance*> entered;
    std::vector<CColor> colors;
    int itemColors = 0;
    std::vector<bool> transformsToGL;
};

CTransform3d Translation(double x, double y)
{
    CTransform3d t;
    t.SetTranslation(CVector3d(x, y, 0));
    return t;
}

bool IsReddish(const GLPixel& p)
{
    return p.r > 120 && p.g < 90 && p.b < 90;
}

bool IsBluish(const GLPixel& p)
{
    return p.b > 120 && p.r < 90 && p.g < 90;
}

class DrawingWalkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SetUpTopView(view, kWalkViewSize));
        model = view.GetModel();
        root = model->GetRoot();
        Options().SetAxesShown(false);
        red.SetColor(CColor(230, 0, 0, 255));
        blue.SetColor(CColor(0, 0, 230, 255));
        seeThrough.SetColor(CColor(230, 0, 0, 255));
        seeThrough.SetUseTransparency(true);
        seeThrough.SetTransparency(0.5);
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &modelViewDepth);
    }

    void TearDown() override
    {
        // Every push of the walk was popped: the view, the sink and the GL matrices are back.
        EXPECT_EQ(view.GetInstanceDepth(), 0);
        EXPECT_FALSE(view.HasElements());
        EXPECT_EQ(view.GetMaterial(), nullptr);
        EXPECT_EQ(view.GetLayer(), nullptr);
        GLint depth = 0;
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
        EXPECT_EQ(depth, modelViewDepth);
        GLint frontFace = 0;
        glGetIntegerv(GL_FRONT_FACE, &frontFace);
        EXPECT_EQ(frontFace, GL_CCW);
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
        EXPECT_FALSE(glIsEnabled(GL_POLYGON_STIPPLE));
        view.ResetDrawState();
        EXPECT_TRUE(GLStateIsClean());
    }

    CRenderingOptions& Options() { return *view.GetRenderingOptions(); }

    // A square at z = 0 around (x, y) facing up, with its four edges, in the component.
    CFace* AddSquare(CComponent& component, double x, double y, double half = 1.0)
    {
        return AddSquareFace(component, x, y, half);
    }

    CComponentDefinition* NewDefinition(const wchar_t* name)
    {
        auto* definition = new CComponentDefinition;
        definition->SetName(name);
        root->GetDefinitionList()->Add(definition);
        return definition;
    }

    CComponentInstance* Place(CComponent& component, CComponentDefinition& definition, const CTransform3d& t)
    {
        auto* instance = new CComponentInstance;
        definition.AddInstance(instance);
        instance->SetTransform(t);
        component.AddEntity(instance);
        return instance;
    }

    GLPixel At(double x, double y) { return PixelUnder(view, CPoint3d(x, y, 0), kWalkViewSize); }

    void Clear()
    {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        view.entered.clear();
        view.colors.clear();
        view.itemColors = 0;
        view.transformsToGL.clear();
    }

    // Declared before the view, so that they outlive the model's entities that use them.
    CMaterial red;
    CMaterial blue;
    CMaterial seeThrough;
    ManualClock clock;
    WalkRecordingView view{clock, clock};
    CZephyronModel* model = nullptr;
    CComponent* root = nullptr;
    GLint modelViewDepth = 0;
};

// A face of a definition is drawn once for every instance, where each instance places it,
// also through a definition placed inside another.
TEST_F(DrawingWalkTest, FacesDrawWhereTheirInstancesPlaceThem)
{
    CComponentDefinition* square = NewDefinition(L"Square");
    AddSquare(*square, 0, 0)->SetMaterial(&red);
    Place(*root, *square, Translation(-3, 0));
    Place(*root, *square, Translation(3, 0));
    CComponentDefinition* holder = NewDefinition(L"Holder");
    Place(*holder, *square, Translation(0, 3));
    CComponentInstance* outer = Place(*root, *holder, Translation(0, 0));

    root->DrawFacesWithChildren(&view);

    EXPECT_TRUE(IsReddish(At(-3, 0))) << At(-3, 0);
    EXPECT_TRUE(IsReddish(At(3, 0))) << At(3, 0);
    EXPECT_TRUE(IsReddish(At(0, 3))) << "nested: " << At(0, 3);
    EXPECT_EQ(At(0, 0), kClear) << "the definition's own place is empty";
    EXPECT_EQ(At(0, -3), kClear);
    ASSERT_EQ(view.entered.size(), 4u);
    EXPECT_EQ(view.entered[2], outer);

    // Moving the outer instance carries the nested one along.
    Clear();
    outer->SetTransform(Translation(0, -6));
    root->DrawFacesWithChildren(&view);
    EXPECT_EQ(At(0, 3), kClear);
    EXPECT_TRUE(IsReddish(At(0, -3))) << At(0, -3);
}

// What the walk skips: hidden instances (unless hidden geometry shows), instances on hidden
// layers, and faces that inherit a hidden layer from a selected instance that is walked.
TEST_F(DrawingWalkTest, HiddenInstancesAndLayersAreSkipped)
{
    CComponentDefinition* square = NewDefinition(L"Square");
    AddSquare(*square, 0, 0)->SetMaterial(&red);
    CComponentInstance* instance = Place(*root, *square, Translation(3, 0));
    CLayer* hiddenLayer = root->GetLayerManager()->AddLayer(L"Hidden");
    hiddenLayer->SetHidden(true);
    CLayer* shownLayer = root->GetLayerManager()->AddLayer(L"Shown");

    struct Case {
        const char* name;
        bool hidden, hiddenShown, selected;
        CLayer* layer;
        bool walked, drawn;
    };
    const Case cases[] = {
        {"plain", false, false, false, nullptr, true, true},
        {"hidden", true, false, false, nullptr, false, false},
        {"hidden, hidden geometry shown", true, true, false, nullptr, true, true},
        {"on a hidden layer", false, false, false, hiddenLayer, false, false},
        {"selected on a hidden layer: walked, its faces inherit the layer", false, false, true, hiddenLayer,
         true, false},
        {"on a shown layer", false, false, false, shownLayer, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Clear();
        instance->SetHidden(c.hidden);
        Options().SetShowHiddenGeometry(c.hiddenShown);
        instance->SetSelectedFlag(c.selected);
        instance->SetLayer(c.layer);
        root->DrawFacesWithChildren(&view);
        EXPECT_EQ(view.entered.size(), c.walked ? 1u : 0u);
        EXPECT_EQ(IsReddish(At(3, 0)), c.drawn) << At(3, 0);
    }
    instance->SetSelectedFlag(false);
    instance->SetLayer(nullptr);

    // A face on a hidden layer of its own stays undrawn inside a visible instance.
    Clear();
    CFace* face = static_cast<CFace*>(square->GetEntityList().back());
    face->SetLayer(hiddenLayer);
    root->DrawFacesWithChildren(&view);
    EXPECT_EQ(At(3, 0), kClear);
}

// Faces without a material of their own take the material of the instance around them; their
// own material wins.
TEST_F(DrawingWalkTest, FacesInheritTheInstanceMaterial)
{
    CComponentDefinition* plain = NewDefinition(L"Plain");
    AddSquare(*plain, 0, 0);
    CComponentDefinition* painted = NewDefinition(L"Painted");
    AddSquare(*painted, 0, 0)->SetMaterial(&red);
    Place(*root, *plain, Translation(-3, 0))->SetMaterial(&blue);
    Place(*root, *painted, Translation(3, 0))->SetMaterial(&blue);
    CComponentDefinition* holder = NewDefinition(L"Holder");
    Place(*holder, *plain, Translation(0, 0));
    Place(*root, *holder, Translation(0, 3))->SetMaterial(&blue);

    root->DrawFacesWithChildren(&view);

    EXPECT_TRUE(IsBluish(At(-3, 0))) << At(-3, 0);
    EXPECT_TRUE(IsReddish(At(3, 0))) << At(3, 0);
    EXPECT_TRUE(IsBluish(At(0, 3))) << "through two levels: " << At(0, 3);
}

// The component's own drawing puts opaque faces in the opaque pass and transparent ones, also
// those inside instances, in the transparent pass, in list order or through the sorter.
TEST_F(DrawingWalkTest, OpaqueAndTransparentPassesSplitTheFaces)
{
    Options().SetTransparencyEnabled(true);
    AddSquare(*root, -3, 0)->SetMaterial(&red);
    AddSquare(*root, 3, 0)->SetMaterial(&seeThrough);
    CComponentDefinition* glass = NewDefinition(L"Glass");
    AddSquare(*glass, 0, 0)->SetMaterial(&seeThrough);
    Place(*root, *glass, Translation(0, 3));

    struct Case {
        const char* name;
        int pass;
        int sort;
        bool opaqueDrawn, transparentDrawn;
    };
    const Case cases[] = {
        {"single pass draws the opaque part", CRenderingOptions::kDrawEverything, 0, true, false},
        {"opaque pass", CRenderingOptions::kDrawOpaqueFaces, 0, true, false},
        {"transparent pass, list order", CRenderingOptions::kDrawTransparentFaces, 0, false, true},
        {"transparent pass, sorted by box centre", CRenderingOptions::kDrawTransparentFaces, 1, false, true},
        {"transparent pass, nearest-neighbour sort", CRenderingOptions::kDrawTransparentFaces, 2, false,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Clear();
        Options().SetDrawPass(c.pass);
        Options().SetTransparencySort(c.sort);
        root->DrawModel(&view);
        EXPECT_EQ(At(-3, 0) != kClear, c.opaqueDrawn) << At(-3, 0);
        EXPECT_EQ(At(3, 0) != kClear, c.transparentDrawn) << At(3, 0);
        EXPECT_EQ(At(0, 3) != kClear, c.transparentDrawn) << "inside the instance: " << At(0, 3);
    }
    Options().SetDrawPass(CRenderingOptions::kDrawEverything);
}

// The edges of a definition are drawn where each instance places them; hidden edges only while
// hidden geometry shows.
TEST_F(DrawingWalkTest, EdgesDrawThroughTheWalk)
{
    CComponentDefinition* line = NewDefinition(L"Line");
    auto* edge = new CEdge(new CVertex(CPoint3d(-2, 0, 0)), new CVertex(CPoint3d(2, 0, 0)), false);
    line->AddEntity(edge);
    Place(*root, *line, Translation(0, 3));
    Place(*root, *line, Translation(0, -3));
    Options().SetEdgeDisplay(1);

    auto drawnOnRow = [&](double y) {
        int drawn = 0;
        for (double x = -1.5; x <= 1.5; x += 0.25)
            drawn += At(x, y) != kClear;
        return drawn;
    };
    root->DrawEdgesWithChildren(&view);
    EXPECT_EQ(drawnOnRow(3), 13);
    EXPECT_EQ(drawnOnRow(-3), 13);
    EXPECT_EQ(drawnOnRow(0), 0);

    Clear();
    edge->SetHidden(true);
    root->DrawEdgesWithChildren(&view);
    EXPECT_EQ(drawnOnRow(3), 0);

    Clear();
    Options().SetShowHiddenGeometry(true);
    root->DrawEdgesWithChildren(&view);
    const int dashed = drawnOnRow(3);
    EXPECT_GT(dashed, 0);
    EXPECT_LT(dashed, 13) << "hidden edges are dashed";
    Options().SetShowHiddenGeometry(false);
}

// The back-edge pass draws every edge, hidden ones included, at a quarter alpha without depth
// test, and leaves depth test, depth writes and blending as a frame expects them.
TEST_F(DrawingWalkTest, BackEdgePassDrawsFadedEdgesAndRestoresState)
{
    CComponentDefinition* square = NewDefinition(L"Square");
    AddSquare(*square, 0, 0);
    Place(*root, *square, Translation(3, 0));
    Options().SetEdgeDisplay(1);
    Options().SetBackEdges(true);
    glEnable(GL_DEPTH_TEST);

    root->DrawBackEdgePass(&view);

    EXPECT_EQ(view.colors.size(), 4u) << "the four edges inside the instance";
    for (const CColor& color : view.colors)
        EXPECT_NEAR(color.alpha, 64, 1);
    int drawn = 0;
    for (double y = -0.9; y <= 0.9; y += 0.15)
        drawn += At(2, y) != kClear;
    EXPECT_GT(drawn, 0) << "the instance's left edge, dashed";
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_EQ(depthWrites, GL_TRUE);
    glDisable(GL_DEPTH_TEST);

    // Without back edges in the options the pass draws nothing.
    Clear();
    Options().SetBackEdges(false);
    root->DrawBackEdgePass(&view);
    EXPECT_TRUE(view.colors.empty());
}

// The item-buffer and stroke-edge passes number every edge alike, hidden ones too, and stop
// at the first edge of geometry that the editing context hides; the stroke pass follows the
// instances' placement without loading it into the GL matrix.
TEST_F(DrawingWalkTest, ItemBufferAndStrokePassesNumberEveryEdge)
{
    CComponentDefinition* square = NewDefinition(L"Square");
    AddSquare(*square, 0, 0);
    Place(*root, *square, Translation(3, 0));
    auto* hiddenEdge = new CEdge(new CVertex(CPoint3d(-4, 2, 0)), new CVertex(CPoint3d(-2, 2, 0)), false);
    root->AddEntity(hiddenEdge);
    hiddenEdge->SetHidden(true);
    root->AddEntity(new CEdge(new CVertex(CPoint3d(-4, -2, 0)), new CVertex(CPoint3d(-2, -2, 0)), false));

    struct Case {
        const char* name;
        bool stroke;
        bool hideOutside;
        int itemColors;
        size_t colors;
    };
    const Case cases[] = {
        {"item buffer", false, false, 6, 5},
        {"stroke edges", true, false, 6, 5},
        {"item buffer, outside geometry hidden", false, true, 0, 0},
        {"stroke edges, outside geometry hidden", true, true, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Clear();
        Options().SetHideInactive(c.hideOutside);
        view.PushDrawMode(3);
        if (c.stroke)
            root->DrawEdgesNPR(&view);
        else
            root->DrawEdgesItemBuffer(&view);
        view.PopDrawMode();
        EXPECT_EQ(view.itemColors, c.itemColors);
        EXPECT_EQ(view.colors.size(), c.colors) << "the hidden edge takes a number but draws nothing";
        ASSERT_EQ(view.transformsToGL.size(), 1u) << "the instance listed first is still walked";
        EXPECT_EQ(view.transformsToGL[0], !c.stroke);
        EXPECT_EQ(view.GetSectionPlaneStack()->GetCount(), 0);
    }
    Options().SetHideInactive(false);
}

// An instance drawn as one element: a mirroring placement still shows its faces and the front
// face winding is restored; a hidden one drawn because hidden geometry shows is stippled.
TEST_F(DrawingWalkTest, InstanceDrawMirrorsWindingAndStipplesHidden)
{
    CComponentDefinition* square = NewDefinition(L"Square");
    AddSquare(*square, 0, 0, 2.0)->SetMaterial(&red);
    CTransform3d mirrored(-1, 1, 1);
    mirrored.SetTranslation(CVector3d(3, 0, 0));
    CComponentInstance* instance = Place(*root, *square, mirrored);
    glEnable(GL_CULL_FACE);

    instance->Draw(&view);
    EXPECT_TRUE(IsReddish(At(3, 0))) << "the front side still faces the viewer: " << At(3, 0);
    glDisable(GL_CULL_FACE);

    Clear();
    instance->SetHidden(true);
    Options().SetShowHiddenGeometry(true);
    instance->Draw(&view);
    int covered = 0;
    for (int i = 0; i < 16; ++i)
        covered += At(2 + i * 0.1, 0.3) != kClear;
    EXPECT_GT(covered, 0);
    EXPECT_LT(covered, 16) << "drawn through the hidden stipple";
    Options().SetShowHiddenGeometry(false);
}

// A whole frame of the root leaves no push behind, in every drawing mode.
TEST_F(DrawingWalkTest, DrawModelLeavesStateBalanced)
{
    CComponentDefinition* square = NewDefinition(L"Square");
    AddSquare(*square, 0, 0)->SetMaterial(&red);
    CComponentInstance* instance = Place(*root, *square, Translation(3, 0));
    instance->SetMaterial(&blue);
    AddSquare(*root, -3, 0);
    Options().SetEdgeDisplay(1);
    Options().SetBackEdges(true);
    for (int pass : {CRenderingOptions::kDrawEverything, CRenderingOptions::kDrawOpaqueFaces,
                     CRenderingOptions::kDrawTransparentFaces}) {
        SCOPED_TRACE(pass);
        Clear();
        Options().SetDrawPass(pass);
        root->DrawModel(&view);
        EXPECT_EQ(view.GetInstanceDepth(), 0);
        EXPECT_FALSE(view.HasElements());
        glDisable(GL_DEPTH_TEST);
    }
    Options().SetDrawPass(CRenderingOptions::kDrawEverything);
    EXPECT_TRUE(Options().GetTexturesShown());
}

// Picking walks into instances with their placement: the hit's path runs from the instance to
// the face inside it; a window pick keeps the faces that lie wholly inside.
TEST_F(DrawingWalkTest, PicksWalkIntoInstances)
{
    CComponentDefinition* square = NewDefinition(L"Square");
    CFace* face = AddSquare(*square, 0, 0);
    CComponentInstance* instance = Place(*root, *square, Translation(3, 0));
    auto pixelOf = [&](double x, double y, int(&pixel)[2]) {
        CPoint3d window;
        ASSERT_TRUE(view.ModelToScreen(CPoint3d(x, y, 0), window));
        pixel[0] = static_cast<int>(window.x);
        pixel[1] = static_cast<int>(window.y);
    };

    int over[2];
    pixelOf(3, 0.2, over);
    CPickHelper picker(&view, over, 2);
    ASSERT_GE(picker.Pick(root), 1);
    const PickHit& nearest = picker.GetHit(0);
    ASSERT_FALSE(nearest.path.empty());
    EXPECT_EQ(nearest.path.front(), instance);

    int beside[2];
    pixelOf(0, 0.2, beside);
    CPickHelper missing(&view, beside, 2);
    EXPECT_EQ(missing.Pick(root), 0) << "the definition's own place holds nothing";

    struct Case {
        const char* name;
        CPoint3d a, b;
        bool picked;
    };
    const Case cases[] = {
        {"around the instance", {1.5, -1.5, 0}, {4.5, 1.5, 0}, true},
        {"over half of it", {3, -1.5, 0}, {4.5, 1.5, 0}, false},
        {"where the definition sits", {-1.5, -1.5, 0}, {1.5, 1.5, 0}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int a[2];
        int b[2];
        pixelOf(c.a.x, c.a.y, a);
        pixelOf(c.b.x, c.b.y, b);
        CPickHelper window;
        window.SetupWindow(&view, a, b, IPickHelper::kWindowPick);
        window.SetFullPath(true);
        window.Pick(root);
        bool faceHit = false;
        for (int i = 0; i < window.GetHitCount(); ++i) {
            const PickHit& hit = window.GetHit(i);
            if (hit.GetEntity() == face) {
                faceHit = true;
                EXPECT_EQ(hit.path.front(), instance);
            }
        }
        EXPECT_EQ(faceHit, c.picked);
    }
}

}  // namespace
