// Dimensions drawn by the real model view into an offscreen GL context and read back: linear
// dimensions draw their extension lines, a dimension line broken around its text, arrow heads of
// the style's type and upright text; radial dimensions their leader or diameter line, arrows and
// text; the style's hiding rules draw dimensions dashed; picks through the view's picker find
// them; and drawing leaves the GL state as it found it.

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "components/Component.h"
#include "components/DimensionStyle.h"
#include "components/LinearDimension.h"
#include "components/RadialDimension.h"
#include "components/ReferencePoint.h"
#include "components/TextRasterizer.h"
#include "components/ZpFont.h"
#include "database/FontManager.h"
#include "database/UndoManager.h"
#include "geometry/Arc3d.h"
#include "geometry/Transform3d.h"
#include "model/ZephyronModel.h"
#include "settings/Camera.h"
#include "settings/RenderingOptions.h"
#include "tests/support/GLPixelCheck.h"
#include "tests/support/TopViewSetup.h"
#include "topology/SectionPlane.h"
#include "topology/SectionPlaneStack.h"
#include "view/PickHelper.h"
#include "view/ZphView.h"

using orbisk::geometry::CArc3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CUnitVector3d;
using orbisk::geometry::CVector3d;
using orbisk::utils::CColor;

namespace {

constexpr int kDimensionViewSize = 200;
// The camera looks down the z axis near (5, 3), 20 units high: a tenth of a unit per pixel, whole
// and tenth model coordinates falling in the middle of pixels.
const CPoint3d kTarget(5.05, 3.05, 0);
constexpr double kDimensionUnitsPerPixel = 20.0 / kDimensionViewSize;

struct DrawnLine {
    CPoint3d from;
    CPoint3d to;
};

// The real model view, noting the lines it draws in model coordinates and the line stipple and
// width they were drawn with.
class LineRecordingView : public CZphView {
public:
    void BeginPrimitive(int kind) override
    {
        CZphView::BeginPrimitive(kind);
        m_kind = kind;
        m_pending.clear();
    }
    void Vertex(double x, double y, double z) override
    {
        CZphView::Vertex(x, y, z);
        if (m_kind != GL_LINES)
            return;
        m_pending.push_back(GetTransform().MultiplyPoint({x, y, z}));
        if (m_pending.size() == 2) {
            lines.push_back({m_pending[0], m_pending[1]});
            stipples.push_back(GetLineStipple());
            m_pending.clear();
        }
    }

    std::vector<DrawnLine> lines;
    std::vector<unsigned short> stipples;

private:
    int m_kind = -1;
    std::vector<CPoint3d> m_pending;
};

// The dark pixels of a window region around a model point, in pixels each way.
struct Ink {
    std::vector<unsigned char> pixels;
    int left = 0, bottom = 0, width = 0, height = 0;

    bool At(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= width || y >= height)
            return false;
        return pixels[(static_cast<size_t>(y) * width + x) * 4] < 128;
    }
    int Count() const
    {
        int count = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                count += At(x, y);
        return count;
    }
    int CountInRow(int y) const
    {
        int count = 0;
        for (int x = 0; x < width; ++x)
            count += At(x, y);
        return count;
    }
    double MeanColumn(int y) const
    {
        double sum = 0;
        int count = 0;
        for (int x = 0; x < width; ++x)
            if (At(x, y))
                sum += x, ++count;
        return count ? sum / count : -1.0;
    }
    // Rows of ink: the lowest and highest.
    void Rows(int& low, int& high) const
    {
        low = high = -1;
        for (int y = 0; y < height; ++y) {
            if (CountInRow(y) == 0)
                continue;
            if (low < 0)
                low = y;
            high = y;
        }
    }
};

// An "L": its foot along the bottom reaching right of its stem.
::testing::AssertionResult IsUprightL(const Ink& ink)
{
    int low = -1, high = -1;
    ink.Rows(low, high);
    if (low < 0 || high - low < 4)
        return ::testing::AssertionFailure() << "no text drawn";
    const int foot = ink.CountInRow(low + 1);
    const int head = ink.CountInRow(high - 1);
    if (foot <= 2 * head)
        return ::testing::AssertionFailure() << "upside down: bottom row " << foot << " top row " << head;
    if (ink.MeanColumn(high - 1) >= ink.MeanColumn(low + 1))
        return ::testing::AssertionFailure() << "mirrored";
    return ::testing::AssertionSuccess();
}

class DimensionDrawingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InstallTextRasterizer();
        ASSERT_TRUE(SetUpTopView(view, kDimensionViewSize, kTarget, 20.0));
        model = view.GetModel();
        style = model->GetDimensionStyleObject();
        ASSERT_NE(style, nullptr);
        style->SetDefaultColor(CColor(0, 0, 0, 255));
        // Edges drawn past their ends would move the extension lines away from their points.
        options = dynamic_cast<CRenderingOptions*>(view.GetRenderingOptions());
        ASSERT_NE(options, nullptr);
        options->SetProfiles(false);
        options->SetExtension(false);
        options->SetJitter(false);
    }
    void TearDown() override
    {
        EXPECT_EQ(view.GetLineStipple(), 0);
        EXPECT_FALSE(glIsEnabled(GL_POLYGON_OFFSET_FILL));
        EXPECT_FALSE(glIsEnabled(GL_LINE_STIPPLE));
        view.ResetDrawState();
        EXPECT_TRUE(GLStateIsClean());
    }

    CDimensionLinear* AddLinear(const CPoint3d& first, const CPoint3d& second, double yOffset)
    {
        auto* dimension = new CDimensionLinear;
        model->GetRoot()->AddEntity(dimension);
        dimension->SetPoints(CReferencePoint(first), CReferencePoint(second));
        dimension->SetDimensionType(CDimensionLinear::kAligned);
        dimension->SetOffsets(0.0, yOffset);
        dimension->ApplyStyle(style);
        return dimension;
    }

    // A circle in the x-y plane.
    CDimensionRadial* AddRadial(const CPoint3d& centre, double radius, double leaderAngle,
                                double leaderPosition, bool diameter)
    {
        CArc3d arc;
        arc.center = centre;
        arc.xAxis = CVector3d(radius, 0, 0);
        arc.yAxis = CVector3d(0, radius, 0);
        arc.SetNormal(CUnitVector3d::ZAxis());
        arc.startAngle = 0.0;
        arc.endAngle = 0.0;
        arc.Recompute(false);
        auto* dimension = new CDimensionRadial;
        model->GetRoot()->AddEntity(dimension);
        dimension->SetArc(arc);
        dimension->SetLeader(leaderAngle, leaderPosition);
        dimension->SetDiameter(diameter);
        dimension->ApplyStyle(style);
        return dimension;
    }

    void Clear() { ClearGLBuffers(GLPixel::FromFloats(1, 1, 1)); }

    // The camera looking at the usual target from the eye's side, the GL matrices with it.
    void LookFrom(const CVector3d& eyeOffset)
    {
        CCamera camera;
        camera.SetEyeTargetUp(kTarget + eyeOffset, kTarget, {0, 1, 0});
        camera.SetPerspective(false);
        camera.SetParallelHeight(20.0);
        view.SetCamera(camera, 0.0);
        view.SetupProjection();
    }

    void Draw(CDimension* dimension)
    {
        view.lines.clear();
        view.stipples.clear();
        Clear();
        dimension->Draw(&view);
        view.EndPrimitive();
        glFinish();
    }

    bool Inked(const CPoint3d& point) { return PixelUnder(view, point, kDimensionViewSize).r < 128; }

    // The window region of half-size `half` pixels around a model point.
    Ink Region(const CPoint3d& centre, int halfWidth, int halfHeight)
    {
        CPoint3d window;
        EXPECT_TRUE(view.ModelToScreen(centre, window));
        Ink ink;
        ink.width = 2 * halfWidth;
        ink.height = 2 * halfHeight;
        ink.left = static_cast<int>(window.x) - halfWidth;
        ink.bottom = kDimensionViewSize - 1 - static_cast<int>(window.y) - halfHeight;
        ink.pixels.resize(static_cast<size_t>(ink.width) * ink.height * 4);
        glFinish();
        glReadPixels(ink.left, ink.bottom, ink.width, ink.height, GL_RGBA, GL_UNSIGNED_BYTE,
                     ink.pixels.data());
        return ink;
    }

    // Lines drawn from (near) one point to (near) another, either way round.
    int CountLines(const CPoint3d& a, const CPoint3d& b, double tolerance) const
    {
        int count = 0;
        for (const DrawnLine& line : view.lines)
            count += (line.from.IsEqual(a, tolerance) && line.to.IsEqual(b, tolerance)) ||
                     (line.from.IsEqual(b, tolerance) && line.to.IsEqual(a, tolerance));
        return count;
    }

    CSuspendUndo unrecorded;
    LineRecordingView view;
    CZephyronModel* model = nullptr;
    CDimensionStyle* style = nullptr;
    CRenderingOptions* options = nullptr;
};

TEST_F(DimensionDrawingTest, ALinearDimensionDrawsExtensionLinesABrokenDimensionLineArrowsAndText)
{
    CDimensionLinear* dimension = AddLinear({0, 0, 0}, {10, 0, 0}, 5);
    Draw(dimension);
    const double h = dimension->GetTextHeight(&view, {5, 5, 0});
    ASSERT_GT(h, 0.5);
    const double gap = 0.25 * h;

    // Extension lines from just above each measured point to a quarter text height above the
    // dimension line.
    EXPECT_EQ(CountLines({0, gap / 2, 0}, {0, 5 + gap, 0}, 1e-6), 1);
    EXPECT_EQ(CountLines({10, gap / 2, 0}, {10, 5 + gap, 0}, 1e-6), 1);
    // The dimension line, in two pieces around the text in its middle.
    int pieces = 0;
    for (const DrawnLine& line : view.lines) {
        if (std::abs(line.from.y - 5) > 1e-6 || std::abs(line.to.y - 5) > 1e-6)
            continue;
        ++pieces;
        EXPECT_TRUE(std::min(line.from.x, line.to.x) > 5.5 || std::max(line.from.x, line.to.x) < 4.5);
    }
    EXPECT_EQ(pieces, 2);

    EXPECT_TRUE(Inked({0, 2.5, 0}));
    EXPECT_TRUE(Inked({10, 2.5, 0}));
    EXPECT_FALSE(Inked({0, 5.5 + gap, 0}));
    EXPECT_TRUE(Inked({2.5, 5, 0}));
    EXPECT_TRUE(Inked({7.5, 5, 0}));
    // Closed arrows at both ends, pointing outwards: filled just inside each end, off the line.
    const double s = 0.75 * h;
    EXPECT_TRUE(Inked({0.8 * s, 5 + 0.15 * s, 0}));
    EXPECT_TRUE(Inked({10 - 0.8 * s, 5 - 0.15 * s, 0}));
    // The measurement is written over the middle of the line.
    EXPECT_GT(Region({5, 5, 0}, 20, 10).Count(), 10);
    EXPECT_EQ(Region({5, 1.5, 0}, 20, 5).Count(), 0);

    // Profiles 3 pixels wide: the extension lines keep clear of them.
    options->SetProfiles(true);
    options->SetProfileWidth(3);
    Draw(dimension);
    EXPECT_EQ(CountLines({0, gap / 2 + 3 * kDimensionUnitsPerPixel, 0}, {0, 5 + gap, 0}, 1e-6), 1);
}

TEST_F(DimensionDrawingTest, ArrowHeadsOfEveryTypeSitAtTheEndsOfTheLine)
{
    // Probes from the start of the dimension line, in arrow sizes, where each type leaves ink.
    struct Probe {
        int type;
        double x, y;
    } probes[] = {
        {1, -0.4, -0.4},  // the slash, through the end on the diagonal
        {2, -0.2, 0.1},   // inside the dot around the end
        {3, 0.8, 0.15},   // inside the closed arrow
        {4, 0.5, 0.5},    // on a stroke of the open arrow
    };
    CDimensionLinear* dimension = AddLinear({0, 0, 0}, {10, 0, 0}, 5);
    for (int type = 0; type <= 4; ++type) {
        SCOPED_TRACE(type);
        style->SetArrowType(type);
        dimension->ApplyStyle(style);
        ASSERT_EQ(dimension->GetArrowType(), type);
        Draw(dimension);
        const double s = 0.75 * dimension->GetTextHeight(&view, {0, 5, 0});
        for (const Probe& probe : probes) {
            SCOPED_TRACE(probe.type);
            EXPECT_EQ(Inked({probe.x * s, 5 + probe.y * s, 0}), probe.type == type);
        }
    }
}

TEST_F(DimensionDrawingTest, TextReadsUprightFacingTheViewerAndInThePlaneSeenFromBelow)
{
    // Large enough for the letter's strokes to be told apart.
    auto* font =
        dynamic_cast<CZpFont*>(model->GetFontManager()->GetFont(L"Arial", 0, 0, 36, nullptr, 0, 1.0));
    ASSERT_NE(font, nullptr);
    style->SetFont(font, false);
    CDimensionLinear* dimension = AddLinear({0, 0, 0}, {10, 0, 0}, 5);
    dimension->SetText(L"L");
    Draw(dimension);
    // Narrower than the gap left in the line for the letter.
    EXPECT_TRUE(IsUprightL(Region({5, 5, 0}, 14, 30)));

    // Text lying in the dimension's plane, seen from under the plane: still readable.
    style->SetAlignedText(true);
    dimension->ApplyStyle(style);
    ASSERT_TRUE(dimension->IsTextAligned());
    LookFrom({0, 0, -10});
    Draw(dimension);
    // Text position 1 puts the text on the line, so it is centred on (5, 5) here too.
    EXPECT_TRUE(IsUprightL(Region({5, 5, 0}, 14, 30)));
}

TEST_F(DimensionDrawingTest, HiddenDimensionsAreDashedAndTheStippleIsSwitchedOffAfterwards)
{
    CDimensionLinear* dimension = AddLinear({0, 0, 0}, {10, 0, 0}, 5);
    Draw(dimension);
    ASSERT_FALSE(view.stipples.empty());
    EXPECT_TRUE(
        std::all_of(view.stipples.begin(), view.stipples.end(), [](unsigned short s) { return s == 0; }));

    // Out of plane: with the value 0.6, a plane turned so that |n . d| < 0.4 is hidden unless
    // hidden geometry is shown, when it is drawn dashed.
    style->SetHideOutOfPlane(true, 0.6);
    dimension->SetAxes(CVector3d(0, -std::sqrt(1 - 0.39 * 0.39), 0.39), {1, 0, 0});
    Draw(dimension);
    EXPECT_TRUE(view.lines.empty());
    options->SetShowHiddenGeometry(true);
    Draw(dimension);
    ASSERT_FALSE(view.lines.empty());
    EXPECT_TRUE(std::all_of(view.stipples.begin(), view.stipples.end(),
                            [](unsigned short s) { return s == 0x3333; }));
}

TEST_F(DimensionDrawingTest, APointAboveThePlaneGetsAConnectorUnlessSeenAlongTheNormal)
{
    CDimensionLinear* dimension = AddLinear({0, 0, 0}, {10, 0, 2}, 5);
    dimension->SetDimensionType(CDimensionLinear::kAlongXAxis);
    Draw(dimension);
    const double half = 0.125 * dimension->GetTextHeight(&view, {5, 5, 0});
    EXPECT_EQ(CountLines({10, 0, 2 - half}, {10, 0, 0}, 1e-6), 0);
    // Straight down the normal the connector would be a dot; from aside it is drawn, and the
    // extension line then starts at the point in the plane.
    EXPECT_EQ(CountLines({10, half, 0}, {10, 5 + 2 * half, 0}, 1e-6), 1);
    LookFrom({0, -6, 8});
    Draw(dimension);
    EXPECT_EQ(CountLines({10, 0, 2 - half}, {10, 0, 0}, 1e-6), 1);
    EXPECT_EQ(CountLines({10, 0, 0}, {10, 5 + 2 * half, 0}, 1e-6), 1);
}

TEST_F(DimensionDrawingTest, DimensionsSeenEdgeOnSwitchedOffOrCutAwayAreNotDrawn)
{
    CDimensionLinear* dimension = AddLinear({0, 0, 0}, {10, 0, 0}, 5);
    Draw(dimension);
    ASSERT_FALSE(view.lines.empty());

    // Its plane stood on edge under the camera.
    dimension->SetAxes({0, -1, 0}, {1, 0, 0});
    Draw(dimension);
    EXPECT_TRUE(view.lines.empty());
    EXPECT_EQ(Region({5, 3, 0}, 90, 90).Count(), 0);
    dimension->SetAxes({0, 0, 1}, {1, 0, 0});

    options->SetDimensionsShown(false);
    Draw(dimension);
    EXPECT_TRUE(view.lines.empty());
    options->SetDimensionsShown(true);

    // A section plane keeping x < 5 cuts away the second measured point: nothing is drawn, not
    // even the half that is kept. Keeping x < 12, the dimension is drawn whole, unclipped.
    for (const double keep : {5.0, 12.0}) {
        SCOPED_TRACE(keep);
        auto* section = new CSectionPlane;
        section->SetPlane(orbisk::geometry::CPlane3d(-1, 0, 0, keep));
        model->GetRoot()->AddEntity(section);
        view.PushSectionPlane(section, true);
        Draw(dimension);
        // The plane clips what is drawn after the dimension again.
        if (section->GetClipPlaneId() != 0) {
            EXPECT_TRUE(glIsEnabled(section->GetClipPlaneId()));
        }
        view.PopSectionPlane(true);
        EXPECT_EQ(view.lines.empty(), keep < 10);
        EXPECT_EQ(Inked({2.5, 5, 0}), keep > 10);
    }
}

TEST_F(DimensionDrawingTest, DimensionsOnFreePointsAreDrawnInTheHighlightColourWhenTheStyleAsks)
{
    // Free points are not associated with the model.
    CDimensionLinear* dimension = AddLinear({0, 0, 0}, {10, 0, 0}, 5);
    ASSERT_FALSE(dimension->IsAssociated());
    Draw(dimension);
    EXPECT_TRUE(PixelNear(PixelUnder(view, {2.5, 5, 0}, kDimensionViewSize), GLPixel{0, 0, 0, 255}));
    style->SetHighlight(true, CColor(255, 0, 0, 255));
    Draw(dimension);
    EXPECT_TRUE(PixelNear(PixelUnder(view, {2.5, 5, 0}, kDimensionViewSize), GLPixel{255, 0, 0, 255}));
    EXPECT_TRUE(PixelNear(PixelUnder(view, {10, 2.5, 0}, kDimensionViewSize), GLPixel{255, 0, 0, 255}));
}

TEST_F(DimensionDrawingTest, ARadiusDrawsItsLeaderArrowShoulderAndText)
{
    // Radius 2 about (4, 3): the leader at 1.5 radii runs from (7, 3) to the arc at (6, 3).
    CDimensionRadial* dimension = AddRadial({4, 3, 0}, 2.0, 0.0, 1.5, false);
    Draw(dimension);
    const double h = dimension->GetTextHeight(&view, {7, 3, 0});
    // The shoulder goes on from the leader's end to the text, to the right.
    EXPECT_EQ(CountLines({7, 3, 0}, {6, 3, 0}, 1e-6), 1);
    EXPECT_EQ(CountLines({7, 3, 0}, {7 + h, 3, 0}, 1e-6), 1);
    EXPECT_TRUE(Inked({6.5, 3, 0}));
    const double s = 0.75 * h;
    EXPECT_TRUE(Inked({6 + 0.8 * s, 3 + 0.15 * s, 0}));
    EXPECT_GT(Region({7 + h + 1.5, 3, 0}, 15, 10).Count(), 10);
    EXPECT_EQ(Region({3, 3, 0}, 8, 8).Count(), 0);
}

TEST_F(DimensionDrawingTest, ADiameterIsBrokenAroundItsTextWithAnArrowAtEachEnd)
{
    // Without its prefix the measurement fits in half the diameter.
    style->SetShowRadiusPrefix(false);
    CDimensionRadial* dimension = AddRadial({5, 3, 0}, 6.0, 0.0, 0.5, true);
    Draw(dimension);
    const double s = 0.75 * dimension->GetTextHeight(&view, {11, 3, 0});
    // The line from (11, 3) to (-1, 3), broken around the text centred at (8, 3); no shoulder.
    int pieces = 0;
    for (const DrawnLine& line : view.lines) {
        ++pieces;
        EXPECT_NEAR(line.from.y, 3.0, 1e-6);
        EXPECT_NEAR(line.to.y, 3.0, 1e-6);
        EXPECT_TRUE(std::min(line.from.x, line.to.x) > 8.5 || std::max(line.from.x, line.to.x) < 7.5);
    }
    EXPECT_EQ(pieces, 2);
    EXPECT_TRUE(Inked({11 - 0.8 * s, 3 + 0.15 * s, 0}));
    EXPECT_TRUE(Inked({-1 + 0.8 * s, 3 + 0.15 * s, 0}));
    EXPECT_TRUE(Inked({4, 3, 0}));
    EXPECT_GT(Region({8, 3, 0}, 15, 10).Count(), 10);
}

TEST_F(DimensionDrawingTest, PicksFindDimensionsByTheirLinesAndText)
{
    CDimensionLinear* linear = AddLinear({0, 0, 0}, {10, 0, 0}, 5);
    auto pixelOf = [&](const CPoint3d& point, int(&pixel)[2]) {
        CPoint3d window;
        ASSERT_TRUE(view.ModelToScreen(point, window));
        pixel[0] = static_cast<int>(window.x);
        pixel[1] = static_cast<int>(window.y);
    };
    struct Case {
        const char* name;
        CPoint3d at;
        bool hit;
    } cases[] = {
        {"on the dimension line", {2.5, 5, 0}, true},
        {"on an extension line", {10, 2.5, 0}, true},
        {"on the text", {5, 5, 0}, true},
        {"beside everything", {5, 1, 0}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int pixel[2];
        pixelOf(c.at, pixel);
        CPickHelper picker(&view, pixel, 2);
        const int hits = picker.Pick(model->GetRoot());
        ASSERT_EQ(hits, c.hit ? 1 : 0);
        if (c.hit) {
            EXPECT_EQ(picker.GetHit(0).GetEntity(), linear);
        }
    }
    // A window pick wants the whole dimension inside.
    int a[2], b[2], c[2];
    pixelOf({-2, -1, 0}, a);
    pixelOf({12, 8, 0}, b);
    pixelOf({6, 8, 0}, c);
    {
        CPickHelper picker;
        picker.SetupWindow(&view, a, b, IPickHelper::kWindowPick);
        EXPECT_EQ(picker.Pick(model->GetRoot()), 1);
    }
    {
        CPickHelper picker;
        picker.SetupWindow(&view, a, c, IPickHelper::kWindowPick);
        EXPECT_EQ(picker.Pick(model->GetRoot()), 0);
    }
}

TEST_F(DimensionDrawingTest, ARadialDimensionIsPickedOnItsLeader)
{
    // Away from the model's axes, which picks find too.
    CDimensionRadial* radial = AddRadial({4, 3, 0}, 2.0, 0.0, 1.5, false);
    CPoint3d window;
    ASSERT_TRUE(view.ModelToScreen({6.5, 3, 0}, window));
    const int pixel[2] = {static_cast<int>(window.x), static_cast<int>(window.y)};
    CPickHelper picker(&view, pixel, 2);
    const int hits = picker.Pick(model->GetRoot());
    ASSERT_EQ(hits, 1);
    EXPECT_EQ(picker.GetHit(0).GetEntity(), radial);
    ASSERT_TRUE(view.ModelToScreen({3, 2, 0}, window));
    const int away[2] = {static_cast<int>(window.x), static_cast<int>(window.y)};
    CPickHelper missing(&view, away, 2);
    EXPECT_EQ(missing.Pick(model->GetRoot()), 0);
}

}  // namespace
