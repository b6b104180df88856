// Arrow heads and lines broken around their text, drawn by the real model view into an offscreen
// GL context: the shapes of each arrow type (the primitives the view was asked for, in order,
// and the pixels they leave), the slash that leans the same way on screen whichever way its line
// runs, the classification and segment tests the text gap is cut with, and lines that stop at
// the box of their text.

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "components/ArrowHeads.h"
#include "components/ZpFont.h"
#include "database/FontManager.h"
#include "database/UndoManager.h"
#include "geometry/Interval1d.h"
#include "geometry/Plane3d.h"
#include "model/ZephyronModel.h"
#include "tests/support/GLPixelCheck.h"
#include "tests/support/TopViewSetup.h"
#include "view/ZphView.h"

using orbisk::geometry::CInterval1d;
using orbisk::geometry::CPlane3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CUnitVector3d;
using orbisk::geometry::CVector3d;
using orbisk::utils::CColor;

namespace {

constexpr int kArrowViewSize = 200;
// The camera looks down the z axis at the origin, 20 units high: a tenth of a unit per pixel.
constexpr double kArrowUnitsPerPixel = 20.0 / kArrowViewSize;

// One GL primitive as the view was asked to draw it: its kind, its vertices (local and in
// window pixels, y downwards), the line width and the polygon offset in force.
struct Primitive {
    int kind = 0;
    std::vector<CPoint3d> local;
    std::vector<CPoint3d> window;
    double width = 0.0;
    bool offset = false;
    float factor = 0.0f;
    float units = 0.0f;
};

// The real model view, noting the primitives it draws.
class PrimitiveRecordingView : public CZphView {
public:
    void BeginPrimitive(int kind) override
    {
        CZphView::BeginPrimitive(kind);
        primitives.push_back({kind, {}, {}, GetLineWidth(), !offsets.empty(), factor, units});
    }
    void Vertex(double x, double y, double z) override
    {
        CZphView::Vertex(x, y, z);
        if (primitives.empty())
            return;
        CPoint3d window;
        ModelToScreen({x, y, z}, window);
        primitives.back().local.push_back({x, y, z});
        primitives.back().window.push_back(window);
    }
    void PushPolygonOffset(bool enable, float f, float u) override
    {
        CZphView::PushPolygonOffset(enable, f, u);
        offsets.push_back(enable);
        factor = f;
        units = u;
    }
    void PopPolygonOffset() override
    {
        CZphView::PopPolygonOffset();
        offsets.pop_back();
        ++pops;
    }

    std::vector<Primitive> primitives;
    std::vector<bool> offsets;
    float factor = 0.0f;
    float units = 0.0f;
    int pops = 0;
};

class ArrowHeadsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SetUpTopView(view, kArrowViewSize, {0, 0, 0}, 20.0));
        view.SetColor(CColor(0, 0, 0, 255));
    }
    void TearDown() override
    {
        view.EndPrimitive();
        EXPECT_TRUE(view.offsets.empty());
        EXPECT_FALSE(glIsEnabled(GL_POLYGON_OFFSET_FILL));
        EXPECT_TRUE(GLStateIsClean());
    }

    // Dark at the model point.
    bool Inked(const CPoint3d& point) { return PixelUnder(view, point, kArrowViewSize).r < 128; }

    CZpFont* Font(int points)
    {
        return dynamic_cast<CZpFont*>(
            view.GetModel()->GetFontManager()->GetFont(L"Arial", 0, 0, points, nullptr, 0, 1.0));
    }

    CSuspendUndo unrecorded;
    PrimitiveRecordingView view;
    const CPlane3d facing{CPoint3d(), CUnitVector3d::ZAxis()};
};

TEST(ArrowHeadGeometryTest, ClassifyInIntervalPlacesValuesAgainstTheInterval)
{
    const double t = orbisk::geometry::kGeomTolerance;
    struct Case {
        double value;
        int code;
        CInterval1d interval;
        int expected;
    } cases[] = {
        {5.0, 7, {5.0, 5.0}, 7},              // a one-point interval holding the value: the code
        {5.0 + 0.5 * t, 0, {5.0, 10.0}, 1},   // within the tolerance above the minimum
        {10.0 - 0.5 * t, 0, {5.0, 10.0}, 2},  // within the tolerance below the maximum
        {7.0, 0, {5.0, 10.0}, 0},
        {-3.0, 0, {5.0, 10.0}, 1},
        {12.0, 0, {5.0, 10.0}, 2},
        {6.0, 7, {5.0, 5.0}, 2},  // a one-point interval not holding the value
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(ClassifyInInterval(c.value, c.code, c.interval), c.expected);
    }
}

TEST(ArrowHeadGeometryTest, IntersectSegments2dFindsCrossingsAlongTheSecondSegment)
{
    struct Case {
        CPoint3d p, q, r, s;
        bool crosses;
        double t;
    } cases[] = {
        {{0, 0, 0}, {10, 0, 0}, {5, -5, 0}, {5, 5, 0}, true, 0.5},
        {{0, 0, 0}, {10, 0, 0}, {2, -1, 0}, {2, 3, 0}, true, 0.25},
        // The heights are not looked at.
        {{0, 0, 7}, {10, 0, 7}, {5, -5, -3}, {5, 5, 2}, true, 0.5},
        // The first segment would be crossed only beyond its end.
        {{0, 0, 0}, {10, 0, 0}, {12, -5, 0}, {12, 5, 0}, false, 0.0},
        // Parallel segments never intersect, overlapping or not.
        {{0, 0, 0}, {10, 0, 0}, {2, 0, 0}, {8, 0, 0}, false, 0.0},
        {{0, 0, 0}, {10, 0, 0}, {0, 1, 0}, {10, 1, 0}, false, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.r.x << "," << c.r.y);
        double t = -1.0;
        EXPECT_EQ(IntersectSegments2d(c.p, c.q, c.r, c.s, t), c.crosses);
        if (c.crosses) {
            EXPECT_NEAR(t, c.t, 1e-12);
        }
    }
    double t = -1.0;
    IntersectSegments2d({0, 0, 0}, {10, 0, 0}, {2, 0, 0}, {8, 0, 0}, t);
    EXPECT_EQ(t, 0.0);
}

TEST_F(ArrowHeadsTest, ADotOfSizeThreeIsATenSidedPolygonOfRadiusOnePulledForward)
{
    DrawArrowShape(kArrowDot, &view, 1.0, 3.0, true, false);
    view.EndPrimitive();
    ASSERT_EQ(view.primitives.size(), 1u);
    const Primitive& dot = view.primitives[0];
    EXPECT_EQ(dot.kind, GL_POLYGON);
    EXPECT_TRUE(dot.offset);
    EXPECT_FLOAT_EQ(dot.factor, -2.5f);
    EXPECT_FLOAT_EQ(dot.units, -2.5f);
    EXPECT_EQ(view.pops, 1);
    ASSERT_EQ(dot.local.size(), 10u);
    for (const CPoint3d& p : dot.local) {
        EXPECT_NEAR(std::hypot(p.x, p.y), 1.0, 1e-12);
        EXPECT_EQ(p.z, 0.0);
    }
    // Without filling: its outline, nothing pulled forward.
    view.primitives.clear();
    DrawArrowShape(kArrowDot, &view, 1.0, 3.0, false, false);
    view.EndPrimitive();
    ASSERT_EQ(view.primitives.size(), 1u);
    EXPECT_EQ(view.primitives[0].kind, GL_LINE_LOOP);
    EXPECT_FALSE(view.primitives[0].offset);
}

TEST_F(ArrowHeadsTest, ShapesOfEachTypeInTheirFrame)
{
    // Size 3, line width 2: the slash and the open arrow are drawn twice as wide as the line.
    struct Expected {
        int kind;
        std::vector<CPoint3d> vertices;
        double width;
    };
    struct Case {
        int type;
        std::vector<Expected> primitives;
    } cases[] = {
        {kArrowNone, {}},
        {kArrowSlash,
         {{GL_LINES, {{-1.5, -1.5, 0}, {0, 0, 0}, {0, 0, 0}, {1.5, 1.5, 0}}, 4.0},
          {GL_LINES, {{0, 0, 0}, {-1.5, 0, 0}}, 2.0}}},
        {kArrowClosed, {{GL_POLYGON, {{0, 0, 0}, {3, -1, 0}, {3, 1, 0}}, 2.0}}},
        {kArrowOpen, {{GL_LINE_STRIP, {{2.25, -2.25, 0}, {0, 0, 0}, {2.25, 2.25, 0}}, 4.0}}},
        {99, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        view.primitives.clear();
        view.SetLineWidth(2.0);
        DrawArrowShape(c.type, &view, 2.0, 3.0, true, false);
        view.EndPrimitive();
        ASSERT_EQ(view.primitives.size(), c.primitives.size());
        for (size_t i = 0; i < c.primitives.size(); ++i) {
            EXPECT_EQ(view.primitives[i].kind, c.primitives[i].kind);
            EXPECT_EQ(view.primitives[i].width, c.primitives[i].width);
            ASSERT_EQ(view.primitives[i].local.size(), c.primitives[i].vertices.size());
            for (size_t v = 0; v < c.primitives[i].vertices.size(); ++v)
                EXPECT_TRUE(view.primitives[i].local[v].IsEqual(c.primitives[i].vertices[v], 1e-12));
        }
        // The line width is the caller's again.
        EXPECT_EQ(view.GetLineWidth(), 2.0);
    }
}

TEST_F(ArrowHeadsTest, NothingForTypeNoneOrAZeroDirection)
{
    DrawArrowHead(&view, facing, {0, 0, 0}, {1, 0, 0}, kArrowNone, 3.0, 1);
    DrawArrowHead(&view, facing, {0, 0, 0}, {0, 0, 0}, kArrowClosed, 3.0, 1);
    view.EndPrimitive();
    EXPECT_TRUE(view.primitives.empty());
    glFinish();
    EXPECT_FALSE(Inked({1.5, 0, 0}));
}

TEST_F(ArrowHeadsTest, EachTypePaintsItsShapeAtTheTipAlongTheDirection)
{
    // Size 3 at the origin, the body along -x: probes relative to the tip.
    struct Case {
        int type;
        CPoint3d inked;
    } cases[] = {
        {kArrowSlash, {1.0, 1.0, 0}},    // the slash runs through the tip on the diagonal
        {kArrowDot, {0.0, 0.5, 0}},      // inside the dot of radius 1 around the tip
        {kArrowClosed, {-2.0, 0.3, 0}},  // inside the triangle, off its axis
        {kArrowOpen, {-1.5, 1.5, 0}},    // on one of the open arrow's strokes
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        ClearGLBuffers(GLPixel::FromFloats(1, 1, 1));
        DrawArrowHead(&view, facing, {0, 0, 0}, {-1, 0, 0}, c.type, 3.0, 2);
        view.EndPrimitive();
        EXPECT_TRUE(Inked(c.inked));
        // Nothing on the other side of the tip but the slash's short tail along the line.
        EXPECT_FALSE(Inked({1.5, 0.5, 0}));
        EXPECT_TRUE(GLStateIsClean());
    }
}

TEST_F(ArrowHeadsTest, ASlashLeansTheSameWayOnScreenWhicheverWayItsLineRuns)
{
    // The lean of the wide stroke on screen: the sign of dx * dy in window pixels.
    auto lean = [&](const CVector3d& direction, const CPlane3d& plane) {
        view.primitives.clear();
        DrawArrowHead(&view, plane, {1, 1, 0}, direction, kArrowSlash, 4.0, 1);
        view.EndPrimitive();
        EXPECT_FALSE(view.primitives.empty());
        if (view.primitives.empty())
            return 0;
        const std::vector<CPoint3d>& w = view.primitives[0].window;
        const double dx = w[3].x - w[0].x;
        const double dy = w[3].y - w[0].y;
        EXPECT_GT(std::abs(dx), 10.0);
        return dx * dy > 0 ? 1 : -1;
    };
    const CPlane3d away{CPoint3d(), -CUnitVector3d::ZAxis()};
    const int reference = lean({1, 0, 0}, facing);
    EXPECT_EQ(lean({-1, 0, 0}, facing), reference);
    EXPECT_EQ(lean({0, 1, 0}, facing), lean({0, -1, 0}, facing));
    EXPECT_EQ(lean({1, 0, 0}, away), reference);
    EXPECT_EQ(lean({-1, 0, 0}, away), reference);
}

TEST_F(ArrowHeadsTest, ArrowHeadsKeepTheirModelSizeInsideScaledInstances)
{
    view.PushTransform(orbisk::geometry::CTransform3d(2.0, 2.0, 2.0), true);
    DrawArrowHead(&view, facing, {1, 0, 0}, {1, 0, 0}, kArrowClosed, 3.0, 1);
    view.PopTransform(true);
    view.EndPrimitive();
    ASSERT_EQ(view.primitives.size(), 1u);
    // Tip at the scaled point (2, 0), body 3 model units long: 30 pixels on screen.
    const std::vector<CPoint3d>& w = view.primitives[0].window;
    EXPECT_NEAR(w[0].x, kArrowViewSize / 2 + 2.0 / kArrowUnitsPerPixel, 0.5);
    EXPECT_NEAR(w[1].x - w[0].x, 3.0 / kArrowUnitsPerPixel, 0.5);
}

TEST_F(ArrowHeadsTest, TheEdgeOnTestLooksAlongTheSightLine)
{
    const CPoint3d at(1, 2, 0);
    EXPECT_FALSE(IsEdgeOnToView(facing, at, &view, 0.001));
    EXPECT_TRUE(IsEdgeOnToView(CPlane3d(at, CUnitVector3d::XAxis()), at, &view, 0.001));
    EXPECT_TRUE(IsEdgeOnToView(CPlane3d(at, CUnitVector3d::YAxis()), {5, 2, -3}, &view, 0.001));
    EXPECT_FALSE(IsEdgeOnToView(CPlane3d(at, CUnitVector3d(1, 0, 1)), at, &view, 0.001));
}

class LineAroundTextTest : public ArrowHeadsTest {
protected:
    // The lines drawn, as pairs of local points.
    std::vector<std::pair<CPoint3d, CPoint3d>> Lines()
    {
        std::vector<std::pair<CPoint3d, CPoint3d>> lines;
        for (const Primitive& p : view.primitives) {
            EXPECT_EQ(p.kind, GL_LINES);
            for (size_t i = 0; i + 1 < p.local.size(); i += 2)
                lines.push_back({p.local[i], p.local[i + 1]});
        }
        return lines;
    }
    // The text's width and height in pixels.
    void Extents(CZpFont* font, const wchar_t* text, double& width, double& height)
    {
        const auto box = font->GetTextExtents(&view, text, {0, 0, 0});
        width = box.x.GetLength();
        height = box.y.GetLength();
        ASSERT_GT(width, 10.0);
        ASSERT_GT(height, 5.0);
    }
};

TEST_F(LineAroundTextTest, AHorizontalLineThroughCentredTextIsTwoPiecesEndingAtTheGrownBox)
{
    CZpFont* font = Font(24);
    double width = 0, height = 0;
    Extents(font, L"12.5", width, height);
    for (bool inPlane : {false, true}) {
        SCOPED_TRACE(inPlane);
        view.primitives.clear();
        DrawLineAroundText(&view, {-8, 0, 0}, {8, 0, 0}, {0, 0, 0}, font, L"12.5", 4, inPlane);
        view.EndPrimitive();
        const auto lines = Lines();
        ASSERT_EQ(lines.size(), 2u);
        const double halfGap = (width / 2 + 3) * kArrowUnitsPerPixel;
        EXPECT_TRUE(lines[0].first.IsEqual({-8, 0, 0}, 1e-6));
        EXPECT_NEAR(lines[0].second.x, -halfGap, 1e-3);
        EXPECT_NEAR(lines[1].first.x, halfGap, 1e-3);
        EXPECT_TRUE(lines[1].second.IsEqual({8, 0, 0}, 1e-6));
        EXPECT_NEAR(lines[0].second.y, 0.0, 1e-6);
        EXPECT_NEAR(lines[1].first.y, 0.0, 1e-6);
    }
    // On screen the gap is empty and the line on both sides of it drawn.
    ClearGLBuffers(GLPixel::FromFloats(1, 1, 1));
    DrawLineAroundText(&view, {-8, 0, 0}, {8, 0, 0}, {0, 0, 0}, font, L"12.5", 4, false);
    view.EndPrimitive();
    EXPECT_TRUE(Inked({-6, 0, 0}));
    EXPECT_TRUE(Inked({6, 0, 0}));
    EXPECT_FALSE(Inked({0, 0, 0}));
}

TEST_F(LineAroundTextTest, WhatTheTextBoxDoesToALine)
{
    CZpFont* font = Font(24);
    double width = 0, height = 0;
    Extents(font, L"12.5", width, height);
    const double justInside = (width / 2 + 2) * kArrowUnitsPerPixel;
    const double above = (height / 2 + 10) * kArrowUnitsPerPixel;
    struct Case {
        const char* name;
        CPoint3d from, to;
        int alignment;
        size_t lines;
    } cases[] = {
        // An end inside the box grown by 3 pixels: nothing is drawn.
        {"end inside", {-8, 0, 0}, {justInside, 0, 0}, 4, 0},
        {"end inside the margin", {justInside, 5, 0}, {justInside, 0, 0}, 4, 0},
        // Passing above the box: one whole line.
        {"above", {-8, above, 0}, {8, above, 0}, 4, 1},
        // A vertical line through a box whose anchor is its lower-left corner, left of it.
        {"beside", {-0.5, -8, 0}, {-0.5, 8, 0}, 0, 1},
        // The same line through the box of a right-aligned text: cut.
        {"through", {-0.5, -8, 0}, {-0.5, 8, 0}, 2, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (bool inPlane : {false, true}) {
            SCOPED_TRACE(inPlane);
            view.primitives.clear();
            DrawLineAroundText(&view, c.from, c.to, {0, 0, 0}, font, L"12.5", c.alignment, inPlane);
            view.EndPrimitive();
            EXPECT_EQ(Lines().size(), c.lines);
        }
    }
}

}  // namespace
