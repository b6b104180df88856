// Guides, polylines and axes drawing themselves into a real model view over an offscreen GL
// context, read back pixel by pixel: the dash patterns of guide lines and how far they reach,
// guide points as crosses with their dashed from-lines, polylines, the six half-lines of the
// drawing axes and the short axes of a component; and the line state each leaves behind.

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "components/Component.h"
#include "geometry/Line3d.h"
#include "model/ZephyronModel.h"
#include "settings/RenderingOptions.h"
#include "tests/support/GLPixelCheck.h"
#include "tests/support/TopViewSetup.h"
#include "tests/view/ViewTestSupport.h"
#include "topology/ComponentCS.h"
#include "topology/ConstructionLine.h"
#include "topology/ConstructionPoint.h"
#include "topology/Polyline3d.h"
#include "topology/SectionPlane.h"
#include "topology/ZphCS.h"
#include "view/ZphView.h"

using orbisk::geometry::CLine3d;
using orbisk::geometry::CPlane3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CRay3d;
using orbisk::geometry::CUnitVector3d;
using orbisk::geometry::CVector3d;
using orbisk::utils::CColor;

namespace {

constexpr int kGuideViewSize = 64;
// The camera looks down the z axis from z = 10 in parallel projection, 10 units high.
constexpr double kUnit = 10.0 / kGuideViewSize;
constexpr int kCentre = kGuideViewSize / 2;
// 0.7 of full intensity.
const GLPixel kAxisRed{178, 0, 0, 255};
const GLPixel kAxisGreen{0, 178, 0, 255};

// The model point at the middle of a pixel, (0, 0) being the centre pixel.
CPoint3d At(int px, int py)
{
    return CPoint3d(px * kUnit, py * kUnit, 0);
}

// The lit (not white) pixels of one row or column, in window pixels from the centre.
struct Scan {
    std::vector<bool> lit;

    int Count(int from, int to) const
    {
        int count = 0;
        for (int i = from; i <= to; ++i)
            count += lit[i + kCentre] ? 1 : 0;
        return count;
    }
    // The longest run of lit pixels between the two offsets: the dash length.
    int LongestRun(int from, int to) const
    {
        int best = 0;
        int run = 0;
        for (int i = from; i <= to; ++i) {
            run = lit[i + kCentre] ? run + 1 : 0;
            best = std::max(best, run);
        }
        return best;
    }
};

class GuideAxesDrawingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Half a pixel aside both ways, so that the axes run through the middles of pixels.
        ASSERT_TRUE(SetUpTopView(view, kGuideViewSize, CPoint3d(-0.5 * kUnit, -0.5 * kUnit, 0)));
        model = view.GetModel();
        Options().SetGuideColor(CColor(0, 0, 255, 255));
    }

    void TearDown() override
    {
        // What the entities changed of the line state is back to its defaults.
        EXPECT_EQ(view.GetLineStipple(), 0);
        EXPECT_FALSE(glIsEnabled(GL_LINE_STIPPLE));
        EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
        GLfloat width = 0;
        glGetFloatv(GL_LINE_WIDTH, &width);
        EXPECT_EQ(width, 1.0f);
        GLfloat pointSize = 0;
        glGetFloatv(GL_POINT_SIZE, &pointSize);
        EXPECT_EQ(pointSize, 1.0f);
        for (int i = 0; i < CSectionPlaneStack::kMaskedPlanes; ++i)
            EXPECT_FALSE(glIsEnabled(GL_CLIP_PLANE0 + i));
        view.ResetDrawState();
        EXPECT_TRUE(GLStateIsClean());
    }

    CRenderingOptions& Options() { return *view.GetRenderingOptions(); }

    template <class T>
    T* Add(T* entity)
    {
        model->GetRoot()->AddEntity(entity);
        return entity;
    }

    void Clear()
    {
        glClear(GL_COLOR_BUFFER_BIT);
        view.ResetDrawState();
    }

    GLPixel PixelAt(int px, int py) { return PixelUnder(view, At(px, py), kGuideViewSize); }
    bool IsLit(int px, int py) { return !PixelNear(PixelAt(px, py), kWhitePixel, 8); }

    // The pixels of the row through y = py, or of the column through x = px.
    Scan Row(int py)
    {
        glFinish();
        Scan scan;
        for (int x = -kCentre; x < kCentre; ++x)
            scan.lit.push_back(IsLit(x, py));
        return scan;
    }
    Scan Column(int px)
    {
        glFinish();
        Scan scan;
        for (int y = -kCentre; y < kCentre; ++y)
            scan.lit.push_back(IsLit(px, y));
        return scan;
    }

    // Slow frames until the level-of-detail controller drops features.
    void DropDetail()
    {
        for (int i = 0; i < 30 && view.IsFullDetail(); ++i) {
            view.GetLevelOfDetail().BeginFrame();
            clock.Advance(2.0);
            view.GetLevelOfDetail().EndFrame();
        }
        ASSERT_FALSE(view.IsFullDetail());
    }

    ManualClock clock;
    CZphView view{clock, clock};
    CZephyronModel* model = nullptr;
};

TEST_F(GuideAxesDrawingTest, GuideLinesDrawDashedWithTheirPatternAndReachTheEdgeOfTheViewWhereUnbounded)
{
    struct Case {
        const char* name;
        CLine3d line;
        bool hidden;
        // The dash length, and whether the left and the right end of the row are reached.
        int dash;
        bool left, right;
    };
    const CRay3d alongX(CPoint3d(0, 0, 0), CUnitVector3d::XAxis());
    const CLine3d segment(At(-10, 0), At(10, 0));
    const Case cases[] = {
        {"an infinite guide", CLine3d(alongX, true, true), false, 4, true, true},
        {"a hidden infinite guide", CLine3d(alongX, true, true), true, 2, true, true},
        {"a half-line from its start", CLine3d(alongX, false, true), false, 4, false, true},
        {"a half-line up to its end", CLine3d(CRay3d(At(0, 0), CUnitVector3d::XAxis()), true, false), false,
         4, true, false},
        {"a segment", segment, false, 4, false, false},
    };
    Options().SetShowHiddenGeometry(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Clear();
        auto* guide = Add(new CConstructionLine(c.line));
        guide->SetHidden(c.hidden);
        guide->Draw(&view);
        const Scan row = Row(0);
        EXPECT_EQ(row.LongestRun(-25, 25), c.dash) << "the dash of the pattern";
        EXPECT_GT(row.Count(-6, 6), 0) << "drawn around the origin";
        EXPECT_LT(row.Count(-6, 6), 13) << "with gaps";
        EXPECT_EQ(row.Count(-kCentre, -kCentre + 8) > 0, c.left);
        EXPECT_EQ(row.Count(kCentre - 9, kCentre - 1) > 0, c.right);
        if (!c.left && !c.right) {
            EXPECT_EQ(row.Count(-kCentre, -12), 0) << "nothing beyond the start of the segment";
            EXPECT_EQ(row.Count(12, kCentre - 1), 0) << "nothing beyond its end";
        }
        EXPECT_EQ(Row(5).Count(-kCentre, kCentre - 1), 0) << "nothing off the line";
        const GLPixel expected = c.hidden ? GLPixel{127, 127, 255, 255} : kBluePixel;
        int dash = -6;
        while (dash <= 6 && !row.lit[dash + kCentre])
            ++dash;
        EXPECT_TRUE(PixelNear(PixelAt(dash, 0), expected, 3))
            << "the guide colour, halfway to white when hidden";
    }
}

TEST_F(GuideAxesDrawingTest, GuidesAreNotDrawnWhileHiddenByTheOptionsOrBelowFullDetail)
{
    auto* guide = Add(new CConstructionLine(CLine3d(CRay3d(CPoint3d(), CUnitVector3d::XAxis()), true, true)));
    auto* point = Add(new CConstructionPoint(At(0, 10), At(0, 10), false));

    // The stored bit of property 44 hides the guides when set.
    Options().SetDisplayGuides(true);
    guide->SetSelectedFlag(true);
    guide->Draw(&view);
    point->Draw(&view);
    EXPECT_EQ(Row(0).Count(-kCentre, kCentre - 1), 0) << "guides hidden: not even a selected one";
    EXPECT_FALSE(IsLit(0, 10));
    guide->SetSelectedFlag(false);
    Options().SetDisplayGuides(false);

    DropDetail();
    guide->Draw(&view);
    point->Draw(&view);
    EXPECT_EQ(Row(0).Count(-kCentre, kCentre - 1), 0) << "below full detail";
    EXPECT_FALSE(IsLit(0, 10));
}

TEST_F(GuideAxesDrawingTest, AGuideCutBySectionPlanesKeepsOnlyItsKeptSideAndLeavesTheClipPlanesOn)
{
    CSectionPlane section;
    section.SetPlane(CPlane3d(CPoint3d(), CUnitVector3d::XAxis()));
    view.PushSectionPlane(&section, true);
    auto* guide = Add(new CConstructionLine(CLine3d(CRay3d(CPoint3d(), CUnitVector3d::XAxis()), true, true)));
    guide->Draw(&view);
    EXPECT_TRUE(glIsEnabled(GL_CLIP_PLANE0)) << "switched on again after the guide";
    view.PopSectionPlane(true);
    const Scan row = Row(0);
    EXPECT_EQ(row.Count(-kCentre, -2), 0) << "cut away behind the plane";
    EXPECT_GT(row.Count(kCentre - 9, kCentre - 1), 0) << "reaching the edge of the view in front of it";
}

TEST_F(GuideAxesDrawingTest, AGuideSeenEndOnWithItsFlagIsAFivePixelPoint)
{
    // Along the line of sight through the eye: nothing of it but a point could show.
    CLine3d line(CRay3d(CPoint3d(-0.5 * kUnit, -0.5 * kUnit, 0), CUnitVector3d::ZAxis()), true, true);
    auto* guide = Add(new CConstructionLine(line));
    guide->SetSoft(true);
    guide->Draw(&view);
    // The eye is half a pixel aside of the model's origin, at the corner of four pixels.
    EXPECT_TRUE(IsLit(0, 0));
    EXPECT_TRUE(IsLit(-1, -1));
    EXPECT_TRUE(IsLit(1, 1)) << "five pixels wide";
    EXPECT_FALSE(IsLit(4, 0));
    EXPECT_FALSE(IsLit(0, 4));
}

TEST_F(GuideAxesDrawingTest, AGuidePointIsAScreenCrossWithADashedLineBackToWhereItWasMeasuredFrom)
{
    struct Case {
        const char* name;
        bool fromLine;
    };
    for (const Case& c : {Case{"only its cross", false}, Case{"with its from-line", true}}) {
        SCOPED_TRACE(c.name);
        Clear();
        auto* point = Add(new CConstructionPoint(At(0, 0), At(-20, 0), c.fromLine));
        point->Draw(&view);
        EXPECT_TRUE(PixelNear(PixelAt(0, 0), kBluePixel, 3));
        for (auto [px, py] : {std::pair{2, 0}, {-2, 0}, {0, 2}, {0, -2}})
            EXPECT_TRUE(IsLit(px, py)) << "an arm reaching " << px << ", " << py;
        for (auto [px, py] : {std::pair{2, 2}, {-2, -2}, {6, 0}, {0, 6}, {0, -6}})
            EXPECT_FALSE(IsLit(px, py)) << "beside the arms at " << px << ", " << py;
        const Scan row = Row(0);
        if (c.fromLine) {
            EXPECT_EQ(row.LongestRun(-19, -5), 4) << "dashed with 0x0F0F";
            EXPECT_GT(row.Count(-20, -17), 0) << "back to the from-position";
        } else {
            EXPECT_EQ(row.Count(-kCentre, -5), 0);
        }
        EXPECT_EQ(row.Count(5, kCentre - 1), 0);
    }
}

TEST_F(GuideAxesDrawingTest, APolylineDrawsItsChainSolidOrDashedWhileHidden)
{
    struct Case {
        const char* name;
        bool hidden;
        int dash;
    };
    Options().SetShowHiddenGeometry(true);
    // The last pixel of a strip is left to what follows it.
    for (const Case& c : {Case{"shown", false, 18}, Case{"hidden", true, 2}}) {
        SCOPED_TRACE(c.name);
        Clear();
        auto* polyline = Add(new CPolyline3d({At(-20, 0), At(0, 0), At(0, 20)}));
        polyline->SetHidden(c.hidden);
        polyline->Draw(&view);
        EXPECT_GE(Row(0).LongestRun(-20, -1), c.dash) << "the first segment";
        EXPECT_LE(Row(0).LongestRun(-20, -1), c.hidden ? 2 : 20);
        EXPECT_GE(Column(0).LongestRun(1, 20), c.dash) << "the second segment";
        EXPECT_EQ(Row(0).Count(2, kCentre - 1), 0) << "the chain is not closed";
    }

    Clear();
    Add(new CPolyline3d({At(5, 5)}))->Draw(&view);
    EXPECT_FALSE(IsLit(5, 5)) << "one point draws nothing";
}

TEST_F(GuideAxesDrawingTest, TheAxesAreSixHalfLinesAcrossTheViewPositiveHalvesSolidNegativeDotted)
{
    for (const CPoint3d& origin : {At(0, 0), At(6, -4)}) {
        SCOPED_TRACE(origin.x);
        Clear();
        const int ox = static_cast<int>(std::lround(origin.x / kUnit));
        const int oy = static_cast<int>(std::lround(origin.y / kUnit));
        CZphCS axes;
        axes.SetFrame(origin, CUnitVector3d::XAxis(), CUnitVector3d::YAxis(), CUnitVector3d::ZAxis());
        view.SetLighting(true);
        axes.Draw(&view);
        EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
        view.SetLighting(false);

        const Scan x = Row(oy);
        const Scan y = Column(ox);
        EXPECT_EQ(x.Count(ox + 2, kCentre - 1), kCentre - 2 - ox) << "+x solid up to the edge of the view";
        EXPECT_EQ(y.Count(oy + 2, kCentre - 1), kCentre - 2 - oy) << "+y solid up to the edge";
        EXPECT_EQ(x.LongestRun(-kCentre, ox - 2), 1) << "-x dotted";
        EXPECT_GT(x.Count(-kCentre, -kCentre + 4), 0) << "-x reaching the edge";
        EXPECT_EQ(y.LongestRun(-kCentre, oy - 2), 1) << "-y dotted";
        EXPECT_GT(y.Count(-kCentre, -kCentre + 4), 0) << "-y reaching the edge";
        EXPECT_TRUE(PixelNear(PixelAt(ox + 10, oy), kAxisRed));
        EXPECT_TRUE(PixelNear(PixelAt(ox, oy + 10), kAxisGreen));
        EXPECT_FALSE(IsLit(ox + 10, oy + 10));
    }
}

TEST_F(GuideAxesDrawingTest, HiddenAxesShowNothing)
{
    CZphCS axes;
    axes.SetHidden(true);
    axes.Draw(&view);
    EXPECT_EQ(Row(0).Count(-kCentre, kCentre - 1), 0);
}

TEST_F(GuideAxesDrawingTest, AComponentsAxesAreAsLongAsTheirSizeInPixels)
{
    struct Case {
        const char* name;
        int size;
    };
    for (const Case& c : {Case{"25 pixels", 25}, Case{"size 0 draws nothing", 0}}) {
        SCOPED_TRACE(c.name);
        Clear();
        CComponentCS axes(c.size, false, true, false);
        axes.Draw(&view);
        EXPECT_EQ(IsLit(20, 0), c.size > 20);
        EXPECT_EQ(IsLit(0, 20), c.size > 20);
        EXPECT_FALSE(IsLit(28, 0));
        EXPECT_FALSE(IsLit(-5, 0)) << "no negative halves";
        if (c.size) {
            EXPECT_TRUE(PixelNear(PixelAt(20, 0), kAxisRed));
        }
    }
}

}  // namespace
