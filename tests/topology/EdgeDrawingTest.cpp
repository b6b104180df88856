// Edges drawing themselves into a real model view over an offscreen GL context: which lines
// each display style draws and with what stipple, width and colour (recorded in call order by
// a view that then draws them for real), the pixels they leave, the depth-cue widths, the
// extensions past corners, silhouettes, and edges hit by picks through the view's picker.

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "components/Component.h"
#include "geometry/Line3d.h"
#include "model/ZephyronModel.h"
#include "settings/Camera.h"
#include "settings/RenderingOptions.h"
#include "settings/ViewDefinition.h"
#include "tests/support/GLPixelCheck.h"
#include "tests/support/TopViewSetup.h"
#include "tests/view/ViewTestSupport.h"
#include "topology/Edge.h"
#include "topology/Face.h"
#include "topology/Vertex.h"
#include "view/MemoryGLContext.h"
#include "view/PickHelper.h"
#include "view/ZphView.h"

using orbisk::geometry::CLine3d;
using orbisk::geometry::CPlane3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CRay3d;
using orbisk::geometry::CUnitVector3d;
using orbisk::geometry::CVector3d;
using orbisk::utils::CColor;

namespace {

constexpr int kEdgeViewSize = 64;
// The camera looks down the z axis from z = 10 in parallel projection, 10 units high.
constexpr double kEdgeUnitsPerPixel = 10.0 / kEdgeViewSize;
const int kCentre[2] = {kEdgeViewSize / 2, kEdgeViewSize / 2};

// One line as the view was asked to draw it, with the state it was drawn in.
struct DrawnLine {
    CPoint3d from;
    CPoint3d to;
    unsigned short stipple;
    double width;
    CColor color;
};

// The real model view, noting every line it draws (plain or styled) with the stipple, width
// and colour in force, and every stroke chain.
class RecordingZphView : public CZphView {
public:
    using CZphView::CZphView;

    void DrawLine(const CPoint3d& from, const CPoint3d& to) override
    {
        CColor color;
        lines.push_back({from, to, GetLineStipple(), GetLineWidth(), GetColor(color)});
        CZphView::DrawLine(from, to);
    }
    void DrawStyledLine(const CPoint3d& from, const CPoint3d& to, const CColor& color, const double& width,
                        const unsigned short& stipple) override
    {
        ++styledLines;
        CZphView::DrawStyledLine(from, to, color, width, stipple);
    }
    void DrawStrokePolyline(const std::vector<CEntity*>& points, bool wide) override
    {
        strokeChains.push_back(points.size());
        CZphView::DrawStrokePolyline(points, wide);
    }

    std::vector<DrawnLine> lines;
    std::vector<size_t> strokeChains;
    int styledLines = 0;
};

// The walk a component makes for the picker over a list of entities: each entity's own pick,
// then a hit for what reports itself picked.
class PickWalk : public CDrawingElement {
public:
    std::vector<CDrawingElement*> entities;

    int PickInside(IPickHelper* picker) override
    {
        int result = 0;
        for (CDrawingElement* entity : entities) {
            if (!(entity->PickInside(picker) & 1))
                continue;
            picker->AddHit(entity, false, false);
            result |= 1;
        }
        return result;
    }
};

class EdgeDrawingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Half a pixel aside, so that x = 0 runs through the middle of a pixel column.
        ASSERT_TRUE(SetUpTopView(view, kEdgeViewSize, CPoint3d(-0.5 * kEdgeUnitsPerPixel, 0, 0)));
        model = view.GetModel();
        Options().SetAxesShown(false);
    }

    void TearDown() override
    {
        view.ResetDrawState();
        EXPECT_TRUE(GLStateIsClean());
    }

    CRenderingOptions& Options() { return *view.GetRenderingOptions(); }

    CEdge* AddEdge(const CPoint3d& a, const CPoint3d& b) { return AddEdge(new CVertex(a), new CVertex(b)); }
    CEdge* AddEdge(CVertex* a, CVertex* b)
    {
        auto* edge = new CEdge(a, b, false);
        model->GetRoot()->AddEntity(edge);
        return edge;
    }
    // A planar face over the given edges, which run round it in order.
    CFace* AddFace(std::vector<CEdge*> edges, const CPlane3d& plane)
    {
        auto* face = new CFace(static_cast<int>(edges.size()), edges.data(), plane);
        model->GetRoot()->AddEntity(face);
        return face;
    }
    // Two faces meeting at the edge from (0, -1, 0) to (0, 1, 0): one lying flat over x < 0,
    // the other rising to height 1 at x = reach. Seen from above, the second face turns
    // towards the eye for a positive reach and away from it, folded back over the first, for a
    // negative one.
    CEdge* AddFold(double reach)
    {
        auto* bottom = new CVertex(CPoint3d(0, -1, 0));
        auto* top = new CVertex(CPoint3d(0, 1, 0));
        auto* leftTop = new CVertex(CPoint3d(-1, 1, 0));
        auto* leftBottom = new CVertex(CPoint3d(-1, -1, 0));
        auto* rightBottom = new CVertex(CPoint3d(reach, -1, 1));
        auto* rightTop = new CVertex(CPoint3d(reach, 1, 1));
        CEdge* ridge = AddEdge(bottom, top);
        AddFace({ridge, AddEdge(top, leftTop), AddEdge(leftTop, leftBottom), AddEdge(leftBottom, bottom)},
                CPlane3d(0, 0, 1, 0));
        AddFace({AddEdge(bottom, rightBottom), AddEdge(rightBottom, rightTop), AddEdge(rightTop, top), ridge},
                CPlane3d(bottom->GetPosition(), rightBottom->GetPosition(), rightTop->GetPosition()));
        return ridge;
    }

    GLPixel PixelAt(const CPoint3d& point) { return PixelUnder(view, point, kEdgeViewSize); }

    ManualClock clock;
    RecordingZphView view{clock, clock};
    CZephyronModel* model = nullptr;
};

TEST_F(EdgeDrawingTest, EachStyleDrawsItsLinesWithItsStippleWidthAndColour)
{
    const CColor selectedColor(0, 0, 255, 255);
    struct Case {
        const char* name;
        bool hidden, soft, selected, hiddenShown;
        int profileWidth;
        // Lines drawn after the plain one: stipple, width and whether in a selection colour.
        std::vector<DrawnLine> styled;
        bool plainLine;
    };
    const CColor none(0, 0, 0, 255);
    const Case cases[] = {
        {"an ordinary edge", false, false, false, false, 1, {{{}, {}, 0, 1, none}}, true},
        {"a hidden edge shown as hidden geometry",
         true,
         false,
         false,
         true,
         1,
         {{{}, {}, 0x3333, 1, none}},
         true},
        {"a soft edge, hidden while soft edges hide", false, true, false, false, 1, {}, false},
        {"a selected soft edge", false, true, true, false, 1, {{{}, {}, 0x0F0F, 2, selectedColor}}, false},
        {"a soft edge with hidden geometry shown",
         false,
         true,
         false,
         true,
         1,
         {{{}, {}, 0x0F0F, 1, none}},
         true},
        {"a selected edge", false, false, true, false, 1, {{{}, {}, 0, 2, selectedColor}}, true},
        {"a selected edge with wide profiles",
         false,
         false,
         true,
         false,
         4,
         {{{}, {}, 0, 4, selectedColor}},
         true},
    };
    Options().SetSelectedColor(selectedColor);
    Options().SetProfiles(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Options().SetProfileWidth(c.profileWidth);
        Options().SetShowHiddenGeometry(c.hiddenShown);
        // Between two faces seen from above, so that it is no silhouette.
        CEdge* edge = AddFold(1.0);
        edge->SetHidden(c.hidden);
        edge->SetSoft(c.soft);
        edge->SetSelectedFlag(c.selected);
        view.ResetDrawState();
        view.lines.clear();
        edge->Draw(&view);
        std::vector<DrawnLine> expected;
        if (c.plainLine)
            expected.push_back({{}, {}, 0, 1, none});
        expected.insert(expected.end(), c.styled.begin(), c.styled.end());
        ASSERT_EQ(view.lines.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(view.lines[i].from, CPoint3d(0, -1, 0));
            EXPECT_EQ(view.lines[i].to, CPoint3d(0, 1, 0));
            EXPECT_EQ(view.lines[i].stipple, expected[i].stipple);
            EXPECT_EQ(view.lines[i].width, expected[i].width);
            EXPECT_EQ(view.lines[i].color, expected[i].color);
        }
        // What the edge changed of the line state is put back.
        EXPECT_EQ(view.GetLineStipple(), 0);
        EXPECT_EQ(view.GetLineWidth(), 1.0);
        EXPECT_FALSE(glIsEnabled(GL_LINE_STIPPLE));
    }
}

TEST_F(EdgeDrawingTest, ALineLeavesItsPixelsAndAProfileIsWider)
{
    struct Case {
        const char* name;
        double reach;
        // Whether the pixel two pixels beside the line is covered.
        bool wide;
    };
    const Case cases[] = {
        {"two faces towards the eye: an ordinary edge", 1.0, false},
        {"a fold whose second face turns away: a profile", -1.0, true},
    };
    Options().SetProfiles(true);
    Options().SetProfileWidth(5);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        glClear(GL_COLOR_BUFFER_BIT);
        view.ResetDrawState();
        CEdge* edge = AddFold(c.reach);
        edge->Draw(&view);
        EXPECT_TRUE(PixelNear(PixelAt(CPoint3d(0, 0, 0)), GLPixel{0, 0, 0, 255}));
        const GLPixel beside = PixelAt(CPoint3d(2 * kEdgeUnitsPerPixel, 0.5, 0));
        EXPECT_EQ(static_cast<bool>(PixelNear(beside, GLPixel{0, 0, 0, 255})), c.wide);
        EXPECT_TRUE(PixelNear(PixelAt(CPoint3d(2, 0, 0)), GLPixel{255, 255, 255, 255}));
        EXPECT_FALSE(glIsEnabled(GL_LINE_STIPPLE));
        GLfloat width = 0;
        glGetFloatv(GL_LINE_WIDTH, &width);
        EXPECT_EQ(width, 1.0f);
    }
}

TEST_F(EdgeDrawingTest, OptionsReadOnceForALoopOfEdgesAreReadAfreshOnceTheLoopEnds)
{
    CEdge* edge = AddFold(-1.0);
    auto widest = [&] {
        double width = 0;
        for (const DrawnLine& line : view.lines)
            width = std::max(width, line.width);
        view.lines.clear();
        return width;
    };
    Options().SetProfiles(true);
    Options().SetProfileWidth(5);
    {
        const CEdge::OptionsScope outer(&view);
        edge->Draw(&view);
        EXPECT_EQ(widest(), 5.0);
        {
            const CEdge::OptionsScope inner(&view);
            edge->Draw(&view);
            EXPECT_EQ(widest(), 5.0);
        }
        // The inner loop's end puts the outer one's options back.
        edge->Draw(&view);
        EXPECT_EQ(widest(), 5.0);
    }
    // Options changed between loops are seen by the next draw, inside a loop or not.
    Options().SetProfiles(false);
    edge->Draw(&view);
    EXPECT_EQ(widest(), 1.0);
    Options().SetProfiles(true);
    Options().SetProfileWidth(3);
    const CEdge::OptionsScope next(&view);
    edge->Draw(&view);
    EXPECT_EQ(widest(), 3.0);
}

TEST_F(EdgeDrawingTest, EdgeDisplayOfLooseEdgesOnlySkipsTheEdgesOfFaces)
{
    Options().SetEdgeDisplay(2);
    CEdge* ofFaces = AddFold(0.0);
    CEdge* loose = AddEdge(CPoint3d(-2, 2, 0), CPoint3d(2, 2, 0));
    ofFaces->Draw(&view);
    EXPECT_TRUE(view.lines.empty());
    loose->Draw(&view);
    ASSERT_FALSE(view.lines.empty());
    for (const DrawnLine& line : view.lines) {
        EXPECT_EQ(line.from, CPoint3d(-2, 2, 0));
        EXPECT_EQ(line.to, CPoint3d(2, 2, 0));
    }
}

TEST_F(EdgeDrawingTest, TheDepthCueTableGivesThinnerLinesFurtherAway)
{
    struct Case {
        int option;
        double depth;
        int width;
    };
    const Case cases[] = {
        {0, 0.0, 1},   {1, 0.9, 1},  {2, 0.0, 3},  {3, 0.25, 2},    {3, 0.5, 1},
        {4, 0.149, 4}, {4, 0.15, 3}, {4, 0.35, 2}, {5, 0.17, 4},    {6, 0.10, 5},
        {7, 0.32, 3},  {8, 0.26, 5}, {9, 0.15, 7}, {10, 0.049, 10}, {10, 0.05, 9},
        {12, 0.35, 4}, {10, 0.5, 2}, {10, 0.6, 1}, {10, 7.0, 1},    {8, -1.0, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "width " << c.option << " at depth " << c.depth);
        EXPECT_EQ(CEdge::GetDepthCueWidth(c.option, c.depth), c.width);
    }
}

TEST_F(EdgeDrawingTest, ADepthCuedEdgeTakesItsWidthFromItsDepthButNeverBelowAProfile)
{
    const CViewDefinition* definition = view.GetViewDefinition();
    const double nearDistance = definition->GetNear();
    const double farDistance = definition->GetFar();
    ASSERT_LT(nearDistance, farDistance);
    // The eye is at z = 10: this height lies at a normalised depth of 0.26.
    const double z = 10.0 - (nearDistance + 0.26 * (farDistance - nearDistance));
    Options().SetDepthCue(true);
    Options().SetDepthCueWidth(8);
    CEdge* edge = AddEdge(CPoint3d(-1, 0, z), CPoint3d(1, 0, z));
    edge->Draw(&view);
    ASSERT_EQ(view.lines.size(), 2u);
    EXPECT_EQ(view.lines[1].width, 5.0);

    Options().SetProfiles(true);
    Options().SetProfileWidth(6);
    view.lines.clear();
    edge->Draw(&view);
    ASSERT_EQ(view.lines.size(), 2u);
    EXPECT_EQ(view.lines[1].width, 6.0);
}

TEST_F(EdgeDrawingTest, ExtensionsReachPastCornersOnly)
{
    Options().SetExtension(true);
    Options().SetExtensionLength(8);
    const double reach = 8 * kEdgeUnitsPerPixel;
    struct Case {
        const char* name;
        CPoint3d corner;
        CPoint3d beyond;
        CPoint3d drawnEnd;
    };
    const Case cases[] = {
        {"a right angle", CPoint3d(3, 0, 0), CPoint3d(3, 3, 0), CPoint3d(3 + reach, 0, 0)},
        {"two collinear edges", CPoint3d(3, 0, 0), CPoint3d(4, 0, 0), CPoint3d(3, 0, 0)},
        {"a corner with a nearly collinear edge", CPoint3d(3, 0, 0), CPoint3d(4, 0.1, 0), CPoint3d(3, 0, 0)},
        {"an edge too short for its extensions", CPoint3d(-2.8, 0, 0), CPoint3d(-2.8, 3, 0),
         CPoint3d(-2.8, 0, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* start = new CVertex(CPoint3d(-3, 0, 0));
        auto* corner = new CVertex(c.corner);
        CEdge* edge = AddEdge(start, corner);
        AddEdge(corner, new CVertex(c.beyond));
        view.lines.clear();
        edge->Draw(&view);
        ASSERT_EQ(view.lines.size(), 2u);
        EXPECT_EQ(view.lines[0].to, c.corner);
        EXPECT_EQ(view.lines[1].from, CPoint3d(-3, 0, 0));
        EXPECT_NEAR(view.lines[1].to.x, c.drawnEnd.x, 1e-9);
        EXPECT_NEAR(view.lines[1].to.y, c.drawnEnd.y, 1e-9);
    }
    // An edge along the view direction.
    auto* foot = new CVertex(CPoint3d(0, 0, 0));
    CEdge* upright = AddEdge(foot, new CVertex(CPoint3d(0, 0.5, 3)));
    AddEdge(foot, new CVertex(CPoint3d(3, 0, 0)));
    view.lines.clear();
    upright->Draw(&view);
    ASSERT_EQ(view.lines.size(), 2u);
    EXPECT_EQ(view.lines[1].from, CPoint3d(0, 0, 0));
}

TEST_F(EdgeDrawingTest, AnEdgeIsASilhouetteWhereItsFacesTurnOppositeWays)
{
    struct Case {
        const char* name;
        double reach;
        CVector3d direction;
        bool silhouette;
    };
    const Case cases[] = {
        {"both faces towards the eye", 1.0, CVector3d(0, 0, -1), false},
        {"the second face turned away", -1.0, CVector3d(0, 0, -1), true},
        {"seen from below, both away", 1.0, CVector3d(0, 0, 1), false},
        {"one face edge-on is ignored", 1.0, CVector3d(1, 0, 0), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(AddFold(c.reach)->IsSilhouetteFor(c.direction), c.silhouette);
    }
    EXPECT_TRUE(AddEdge(CPoint3d(0, 0, 0), CPoint3d(1, 0, 0))->IsSilhouetteFor(CVector3d(0, 0, -1)));
}

TEST_F(EdgeDrawingTest, APickUnderTheCursorHitsTheEdgeButNotAHiddenSoftOne)
{
    CEdge* near = AddEdge(CPoint3d(-3, 0, 1), CPoint3d(3, 0, 1));
    CEdge* far = AddEdge(CPoint3d(-3, 2, 0), CPoint3d(3, 2, 0));
    CEdge* soft = AddFold(1.0);
    soft->SetSoft(true);
    PickWalk walk;
    walk.entities = {far, near, soft};
    {
        CPickHelper picker(&view, kCentre, 0);
        ASSERT_EQ(picker.Pick(&walk), 1);
        EXPECT_EQ(picker.GetHit(0).GetEntity(), near);
    }
    {
        CPickHelper picker(&view, kCentre, 0);
        picker.SetPicksSoftEdges(true);
        ASSERT_EQ(picker.Pick(&walk), 2);
        EXPECT_EQ(picker.GetHit(0).GetEntity(), near);
        EXPECT_EQ(picker.GetHit(1).GetEntity(), soft);
    }
    {
        const int away[2] = {kCentre[0], 2};
        CPickHelper picker(&view, away, 0);
        EXPECT_EQ(picker.Pick(&walk), 0);
    }
}

TEST_F(EdgeDrawingTest, ARayFindsTheEdgeOnlyAheadOfItsOriginAndBeforeItsEnd)
{
    CEdge* edge = AddEdge(CPoint3d(-1, 0, 0), CPoint3d(1, 0, 0));
    const CUnitVector3d down(0, 0, -1);
    struct Case {
        const char* name;
        CLine3d line;
        bool hit;
    };
    const Case cases[] = {
        {"a ray from above", CLine3d(CRay3d(CPoint3d(0.5, 0, 5), down), false, true), true},
        {"a ray starting past the edge", CLine3d(CRay3d(CPoint3d(0.5, 0, -1), down), false, true), false},
        {"a ray beside the edge", CLine3d(CRay3d(CPoint3d(0.5, 0.1, 5), down), false, true), false},
        {"a segment ending above the edge", CLine3d(CPoint3d(0.5, 0, 5), CPoint3d(0.5, 0, 1)), false},
        {"a segment through the edge", CLine3d(CPoint3d(0.5, 0, 5), CPoint3d(0.5, 0, -1)), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CPoint3d point;
        ASSERT_EQ(edge->PickLine(c.line, point, true), c.hit);
        if (c.hit) {
            EXPECT_EQ(point, CPoint3d(0.5, 0, 0));
        }
    }
    edge->SetHidden(true);
    CPoint3d point;
    EXPECT_FALSE(edge->PickLine(cases[0].line, point, true));
    EXPECT_TRUE(edge->PickLine(cases[0].line, point, false));
}

TEST_F(EdgeDrawingTest, EndpointsJitterAndStrokeEdgesDrawTheirOwnLines)
{
    Options().SetProfiles(false);
    Options().SetDepthCue(false);
    Options().SetEndpoints(true);
    Options().SetEndpointLength(5);
    const CPoint3d start(-2, 0, 0), end(2, 0, 0);
    CEdge* edge = AddEdge(start, end);
    edge->Draw(&view);
    // The plain line, the decorated one, then a mark at each end two pixels wider.
    const double mark = 5 * kEdgeUnitsPerPixel;
    ASSERT_EQ(view.lines.size(), 4u);
    EXPECT_EQ(view.lines[1].width, 1.0);
    EXPECT_EQ(view.lines[2].from, start);
    EXPECT_NEAR(view.lines[2].to.x, start.x + mark, 1e-9);
    EXPECT_EQ(view.lines[2].width, 3.0);
    EXPECT_EQ(view.lines[3].from, end);
    EXPECT_NEAR(view.lines[3].to.x, end.x - mark, 1e-9);
    EXPECT_EQ(view.lines[3].width, 3.0);

    // About 26 pixels long: two or three strokes, each end shaken by at most two pixels.
    Options().SetEndpoints(false);
    Options().SetJitter(true);
    view.lines.clear();
    edge->Draw(&view);
    EXPECT_GE(view.styledLines, 2);
    EXPECT_LE(view.styledLines, 3);
    ASSERT_EQ(view.lines.size(), 1u + view.styledLines);
    for (const DrawnLine& line : view.lines) {
        EXPECT_LE(line.from.DistanceTo(start), 2 * kEdgeUnitsPerPixel * 1.8);
        EXPECT_LE(line.to.DistanceTo(end), 2 * kEdgeUnitsPerPixel * 1.8);
    }

    // In the stroke pass, stroke edges draw the chain of the edge's vertices and no line.
    Options().SetJitter(false);
    Options().SetEdgeKind(1);
    view.SetDrawingMode(2);
    view.lines.clear();
    edge->Draw(&view);
    view.SetDrawingMode(0);
    EXPECT_TRUE(view.lines.empty());
    EXPECT_EQ(view.strokeChains, std::vector<size_t>{2});
}

}  // namespace
