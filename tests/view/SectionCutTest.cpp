// Section planes in real offscreen GL contexts: the clip of the model, the cut outline through
// nested instances, the plane's symbol, and the cut made again when the plane changes, read back
// as pixels.

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "components/Component.h"
#include "components/ComponentDefinition.h"
#include "components/ComponentInstance.h"
#include "database/DefinitionList.h"
#include "geometry/UnitVector3d.h"
#include "model/ZephyronModel.h"
#include "settings/RenderingOptions.h"
#include "tests/support/FaceBuilding.h"
#include "tests/support/GLPixelCheck.h"
#include "tests/support/TopViewSetup.h"
#include "tests/view/ViewTestSupport.h"
#include "topology/Edge.h"
#include "topology/Face.h"
#include "topology/SectionPlane.h"
#include "topology/SectionPlaneStack.h"
#include "topology/Vertex.h"
#include "view/SectionSlice.h"
#include "view/ZphView.h"

using orbisk::geometry::CPlane3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CUnitVector3d;
using orbisk::geometry::CVector3d;
using orbisk::utils::CColor;

namespace {

constexpr int kCutViewSize = 64;
const GLPixel kCutRed{255, 0, 0, 255};
const CColor kFaceColor(0, 0, 255, 255);

CTransform3d Moved(double x, double y)
{
    CTransform3d transform;
    transform.SetTranslation(CVector3d(x, y, 0));
    return transform;
}

// The model view, counting the lines it is asked to draw.
class LineCountingView : public CZphView {
public:
    using CZphView::CZphView;
    void DrawLine(const CPoint3d& from, const CPoint3d& to) override
    {
        ++lines;
        CZphView::DrawLine(from, to);
    }

    int lines = 0;
};

class SectionCutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SetUpTopView(view, kCutViewSize));
        model = view.GetModel();
        root = model->GetRoot();
        Options().SetAxesShown(false);
    }

    void TearDown() override
    {
        view.ResetDrawState();
        EXPECT_TRUE(GLStateIsClean());
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
        GLboolean depthWrites = GL_FALSE;
        glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
        EXPECT_TRUE(depthWrites);
        for (int i = 0; i < 6; ++i)
            EXPECT_FALSE(glIsEnabled(GL_CLIP_PLANE0 + i)) << "clip plane " << i;
    }

    CRenderingOptions& Options() { return *view.GetRenderingOptions(); }

    // A square face at z = 0 facing up, centred on (x, y), with its four edges.
    CFace* AddSquare(CComponent& component, double x, double y, double half)
    {
        return AddSquareFace(component, x, y, half);
    }
    CEdge* AddEdge(CComponent& component, const CPoint3d& from, const CPoint3d& to)
    {
        auto* edge = new CEdge(new CVertex(from), new CVertex(to), false);
        component.AddEntity(edge);
        return edge;
    }
    CSectionPlane* AddPlane(CComponent& component, const CPlane3d& plane)
    {
        auto* section = new CSectionPlane;
        section->SetPlane(plane);
        component.AddEntity(section);
        return section;
    }
    CComponentDefinition* NewDefinition()
    {
        auto* definition = new CComponentDefinition;
        root->GetDefinitionList()->Add(definition);
        return definition;
    }
    CComponentInstance* Place(CComponent& component, CComponentDefinition& definition,
                              const CTransform3d& transform)
    {
        auto* instance = new CComponentInstance;
        instance->SetTransform(transform);
        definition.AddInstance(instance);
        component.AddEntity(instance);
        return instance;
    }

    void Clear()
    {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        view.ResetDrawState();
    }
    GLPixel At(double x, double y) { return PixelUnder(view, CPoint3d(x, y, 0), kCutViewSize); }

    ManualClock clock;
    LineCountingView view{clock, clock};
    CZephyronModel* model = nullptr;
    CComponent* root = nullptr;
};

// Faces beyond the plane's back side are not drawn, by GL clip planes or, while those are
// suppressed, by clipping the face itself.
TEST_F(SectionCutTest, AnActivePlaneCutsAwayWhatLiesBehindIt)
{
    CFace* face = AddSquare(*root, 0, 0, 4);
    // Keeps x above -1.
    CSectionPlane* section = AddPlane(*root, CPlane3d(1, 0, 0, 1));
    for (const bool suppressed : {false, true}) {
        SCOPED_TRACE(suppressed ? "clipped in software" : "clipped by GL");
        Clear();
        CSectionPlaneStack::SetClipPlanesSuppressed(suppressed);
        view.PushSectionPlane(section, true);
        view.SetLighting(false);
        view.SetColor(kFaceColor);
        face->FillFace(&view, true);
        view.PopSectionPlane(true);
        CSectionPlaneStack::SetClipPlanesSuppressed(false);
        EXPECT_EQ(At(2, 2), GLPixel(0, 0, 255, 255)) << "kept side";
        EXPECT_EQ(At(-0.5, -3), GLPixel(0, 0, 255, 255)) << "kept side";
        EXPECT_EQ(At(-2, 2), kWhitePixel) << "cut away";
        EXPECT_EQ(At(-3.5, -3), kWhitePixel) << "cut away";
    }
    EXPECT_EQ(section->GetClipPlaneId(), 0u);
}

// The cut shows where faces cross the plane and along edges lying in it, in the cut colour;
// edges that only cross the plane add nothing.
TEST_F(SectionCutTest, TheCutOutlineDrawsWhereFacesCrossThePlaneAndAlongEdgesInIt)
{
    AddSquare(*root, 0, -2, 2);              // crossed by x = 0 for y in -4..0
    AddEdge(*root, {0, 1.5, 0}, {0, 4, 0});  // lies in x = 0
    AddEdge(*root, {-3, 3, 0}, {3, 3, 0});   // only crosses it
    CSectionPlane* section = AddPlane(*root, CPlane3d(1, 0, 0, 0));
    root->SetActiveSectionPlane(section);

    Clear();
    section->DrawCut(&view);
    EXPECT_EQ(At(0, -2), kCutRed);
    EXPECT_EQ(At(0, -3.5), kCutRed);
    EXPECT_EQ(At(0, 3), kCutRed);
    EXPECT_EQ(At(-1.5, -2), kWhitePixel) << "only the cut is drawn";
    EXPECT_EQ(At(-2, 3), kWhitePixel) << "a crossing edge is no part of the cut";
    EXPECT_EQ(view.GetLineWidth(), 1.0);

    const auto* slice = dynamic_cast<CSectionPlaneSlice*>(section->GetSlice());
    ASSERT_NE(slice, nullptr);
    int faces = 0;
    int edges = 0;
    for (const auto& child : slice->GetRoot().GetChildren()) {
        faces += dynamic_cast<CFaceSlice*>(child.get()) != nullptr;
        edges += dynamic_cast<CEdgeSlice*>(child.get()) != nullptr;
    }
    EXPECT_EQ(faces, 1);
    EXPECT_EQ(edges, 1);

    // Without cuts shown nothing is drawn; in the cut colour again once they show.
    Options().SetSectionDisplay(CRenderingOptions::kSectionPlanesShown);
    Clear();
    section->DrawCut(&view);
    EXPECT_EQ(At(0, -2), kWhitePixel);
    Options().SetSectionDisplay(CRenderingOptions::kSectionPlanesShown |
                                CRenderingOptions::kSectionCutsShown);
    Options().SetSectionCutColor(CColor(0, 160, 0, 255));
    Clear();
    section->DrawCut(&view);
    EXPECT_EQ(At(0, -2), GLPixel(0, 160, 0, 255));
}

// A selected face's pieces take the selected colour, and the next face the cut colour again.
TEST_F(SectionCutTest, TheCutOfASelectedFaceTakesTheSelectedColour)
{
    CFace* selected = AddSquare(*root, 0, 2, 1.5);
    AddSquare(*root, 0, -2, 1.5);
    CSectionPlane* section = AddPlane(*root, CPlane3d(1, 0, 0, 0));
    Options().SetSelectedColor(CColor(255, 160, 0, 255));
    selected->SetSelectedFlag(true);
    Clear();
    section->DrawCut(&view);
    EXPECT_EQ(At(0, 2), GLPixel(255, 160, 0, 255));
    EXPECT_EQ(At(0, -2), kCutRed);
}

// Where a face's cut runs along one of its edges lying in the plane, the edge's own piece
// draws it; the face draws it only while that edge is hidden.
TEST_F(SectionCutTest, APieceAlongAnEdgeThatShowsIsLeftToTheEdge)
{
    // The square's left edge lies in x = 0.
    AddSquare(*root, 1, 0, 1);
    CSectionPlane* section = AddPlane(*root, CPlane3d(1, 0, 0, 0));
    Clear();
    section->DrawCut(&view);
    EXPECT_EQ(view.lines, 1) << "only the edge's piece";
    EXPECT_EQ(At(0, 0.5), kCutRed);

    const auto* slice = dynamic_cast<CSectionPlaneSlice*>(section->GetSlice());
    ASSERT_NE(slice, nullptr);
    CDrawingElement* edge = nullptr;
    for (const auto& child : slice->GetRoot().GetChildren()) {
        if (dynamic_cast<CEdgeSlice*>(child.get()))
            edge = child->GetElement();
    }
    ASSERT_NE(edge, nullptr);
    edge->SetHidden(true);
    view.lines = 0;
    Clear();
    section->DrawCut(&view);
    EXPECT_EQ(view.lines, 1) << "only the face's piece";
    EXPECT_EQ(At(0, 0.5), kCutRed);
}

// A definition is cut once per plane it meets, in either orientation, however many instances
// place it; the outline still shows at every instance, nested ones included.
TEST_F(SectionCutTest, TheCutReachesNestedInstancesAndSharesTheCutOfOneDefinition)
{
    CComponentDefinition* square = NewDefinition();
    AddSquare(*square, 0, 0, 1);
    CComponentDefinition* holder = NewDefinition();
    Place(*holder, *square, CTransform3d());
    CComponentInstance* upper = Place(*root, *holder, Moved(0, 2.5));
    CComponentInstance* lower = Place(*root, *holder, Moved(0, -2.5));
    // Turned half round, the square meets x = 0 with the reversed normal.
    CComponentInstance* turned =
        Place(*root, *square, CTransform3d(CPoint3d(), CUnitVector3d::ZAxis(), std::acos(-1.0)));
    // Moved off the plane's line, the square meets it elsewhere: a cut of its own.
    Place(*root, *square, Moved(3.5, 0));
    CSectionPlane* section = AddPlane(*root, CPlane3d(1, 0, 0, -3));
    CSectionPlane* middle = AddPlane(*root, CPlane3d(1, 0, 0, 0));
    root->SetActiveSectionPlane(middle);

    Clear();
    middle->DrawCut(&view);
    for (const double y : {2.5, 3.2, -2.5, -1.8, 0.0})
        EXPECT_EQ(At(0, y), kCutRed) << "at y " << y;
    EXPECT_EQ(At(1.5, 2.5), kWhitePixel);
    EXPECT_EQ(At(0, 4.2), kWhitePixel);

    const auto* slice = dynamic_cast<CSectionPlaneSlice*>(middle->GetSlice());
    ASSERT_NE(slice, nullptr);
    // The holder's cut, one cut of the square along the plane, and the empty cut of the square
    // placed off it.
    EXPECT_EQ(slice->GetDefinitionSliceCount(), 3);
    std::vector<const CInstanceSlice*> instances;
    for (const auto& child : slice->GetRoot().GetChildren()) {
        if (const auto* instance = dynamic_cast<const CInstanceSlice*>(child.get()))
            instances.push_back(instance);
    }
    ASSERT_EQ(instances.size(), 4u);
    EXPECT_TRUE(instances[3]->GetDefinitionSlice()->GetChildren().empty()) << "the plane misses it";
    EXPECT_EQ(instances[0]->GetElement(), upper);
    EXPECT_EQ(instances[1]->GetElement(), lower);
    EXPECT_EQ(instances[2]->GetElement(), turned);
    EXPECT_EQ(instances[0]->GetDefinitionSlice(), instances[1]->GetDefinitionSlice());
    const auto& nested = instances[0]->GetDefinitionSlice()->GetChildren();
    ASSERT_EQ(nested.size(), 1u);
    EXPECT_EQ(static_cast<const CInstanceSlice&>(*nested[0]).GetDefinitionSlice(),
              instances[2]->GetDefinitionSlice());

    // Another plane through the square placed at x = 3.5 cuts it there.
    root->SetActiveSectionPlane(section);
    Clear();
    section->DrawCut(&view);
    EXPECT_EQ(At(3, 0), kCutRed);
    EXPECT_EQ(At(0, 2.5), kWhitePixel);
}

// The symbol: dashed sides in the plane's colour, which tells the active plane from the
// others and a selected plane from both, over a translucent fill.
TEST_F(SectionCutTest, TheSymbolDrawsInTheColourOfThePlanesRole)
{
    AddEdge(*root, {-3, -3, 0}, {3, 3, 0});
    CSectionPlane* section = AddPlane(*root, CPlane3d(0, 0, 1, 0));
    const CColor selected(255, 160, 0, 255);
    Options().SetSelectedColor(selected);

    struct Case {
        const char* role;
        bool active;
        bool selectedPlane;
        GLPixel side;
    };
    const Case cases[] = {
        {"inactive", false, false, GLPixel(192, 192, 192, 255)},
        {"active", true, false, GLPixel(102, 110, 141, 255)},
        {"selected", false, true, GLPixel(255, 160, 0, 255)},
    };
    // The bounds -3..3 grow by a twentieth of the sides' sum at each end: the sides at 3.6.
    for (const Case& c : cases) {
        SCOPED_TRACE(c.role);
        root->SetActiveSectionPlane(c.active ? section : nullptr);
        section->SetSelectedFlag(c.selectedPlane);
        Clear();
        section->Draw(&view);
        EXPECT_TRUE(PixelNear(At(-2, -3.6), c.side));
        EXPECT_TRUE(PixelNear(At(3.6, 1.5), c.side));
        // 80 % of white under 20 % of light grey, blended without a depth write.
        EXPECT_TRUE(PixelNear(At(0.5, 0.5), GLPixel(245, 245, 245, 214), 3));
        EXPECT_EQ(At(4.3, 0), kWhitePixel);
        EXPECT_EQ(view.GetLineStipple(), 0);
    }
    section->SetSelectedFlag(false);

    // Not shown while the options hide planes, nor in flat drawing.
    Options().SetSectionDisplay(CRenderingOptions::kSectionCutsShown);
    Clear();
    section->Draw(&view);
    EXPECT_EQ(At(-2, -3.6), kWhitePixel);
}

// A cut made for one plane position or role is made again after a change.
TEST_F(SectionCutTest, TheCutIsMadeAgainWhenThePlaneOrTheActivePlaneChanges)
{
    AddSquare(*root, 0, 0, 3);
    CSectionPlane* section = AddPlane(*root, CPlane3d(1, 0, 0, 0));
    CSectionPlane* other = AddPlane(*root, CPlane3d(0, 1, 0, 0));
    root->SetActiveSectionPlane(section);

    Clear();
    section->DrawCut(&view);
    ASSERT_NE(section->GetSlice(), nullptr);
    EXPECT_EQ(At(0, 1), kCutRed);

    section->SetPlane(CPlane3d(1, 0, 0, 0.0004));
    EXPECT_NE(section->GetSlice(), nullptr) << "an equal plane keeps the cut";
    section->SetPlane(CPlane3d(1, 0, 0, -1.5));
    EXPECT_EQ(section->GetSlice(), nullptr);
    Clear();
    section->DrawCut(&view);
    EXPECT_EQ(At(1.5, 1), kCutRed);
    EXPECT_EQ(At(0, 1), kWhitePixel);

    // Another plane made active: both make their cuts again, the model's setter included.
    other->DrawCut(&view);
    ASSERT_NE(other->GetSlice(), nullptr);
    root->SetActiveSectionPlane(other);
    EXPECT_EQ(section->GetSlice(), nullptr);
    EXPECT_EQ(other->GetSlice(), nullptr);
    section->DrawCut(&view);
    ASSERT_NE(section->GetSlice(), nullptr);
    model->SetActiveSectionPlane(section);
    EXPECT_EQ(section->GetSlice(), nullptr);
    root->SetActiveSectionPlane(section);
    section->DrawCut(&view);
    EXPECT_NE(section->GetSlice(), nullptr) << "setting the active plane again changes nothing";
    root->SetActiveSectionPlane(section);
    EXPECT_NE(section->GetSlice(), nullptr);
}

}  // namespace
