// The axes of a component drawn through a view into a real GL context: colours, lengths in
// pixels, the cross of glued components, ribbons facing the viewer, the glue plane, and the
// GL state left as it was found.

#include <GL/gl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "database/ComponentAxes.h"
#include "geometry/Point3d.h"
#include "geometry/Transform3d.h"
#include "geometry/Vector3d.h"
#include "tests/model/doubles/ViewDouble.h"
#include "tests/support/OffscreenGLTest.h"

using orbisk::geometry::CBoundingBox3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CVector3d;
using orbisk::utils::CColor;

namespace {

// A view that draws the component axes for real in the current GL context (lines, quads,
// colours, line widths, the transform stack applied to GL) and records what it was asked.
// One pixel is one model unit; the eye and the view direction are given in model
// coordinates and answered in the pushed local ones.
class AxesView : public RecordingView {
public:
    struct Line {
        CPoint3d from;
        CPoint3d to;
        CColor color;
        double width;
    };

    void PushTransform(const orbisk::geometry::CTransform3d& t, bool applyToGL) override;
    void PopTransform(bool applyToGL) override;
    orbisk::geometry::CTransform3d GetTransform() override
    {
        return transforms.empty() ? orbisk::geometry::CTransform3d() : transforms.back();
    }
    orbisk::geometry::CTransform3d GetInverseTransform() override;
    orbisk::geometry::CPoint3d GetEyePoint() override;
    orbisk::geometry::CVector3d GetViewDirection() override;
    double PixelsToModel(int pixels, const CPoint3d&) override { return pixels; }
    void DrawStyledLine(const CPoint3d& from, const CPoint3d& to, const CColor& color, const double& width,
                        const unsigned short& stipple) override;
    void BeginPrimitive(int kind) override;
    void EndPrimitive() override;
    void Vertex(double x, double y, double z) override;
    void SetColor(CColor color) override;
    void SetDepthFunc(unsigned int function) override;
    void SetLineWidth(double pixels) override;
    bool SetLighting(bool on) override;
    void PushPolygonOffset(bool enable, float factor, float units) override;
    void PopPolygonOffset() override;
    int GetDrawingMode() override { return drawingMode; }

    orbisk::geometry::CPoint3d eye{0, 0, 100};
    orbisk::geometry::CVector3d direction{0, 0, -1};
    int drawingMode = 0;
    bool lighting = true;
    std::vector<orbisk::geometry::CTransform3d> transforms;
    std::vector<Line> lines;
    // The corners of each quad drawn, in local coordinates.
    std::vector<std::vector<CPoint3d>> quads;
    std::vector<double> lineWidths;
    int offsetDepth = 0;
    int maxOffsetDepth = 0;
    bool open = false;
};

void AxesView::PushTransform(const orbisk::geometry::CTransform3d& t, bool applyToGL)
{
    transforms.push_back(GetTransform() * t);
    if (!applyToGL)
        return;
    double matrix[16];
    t.GetMatrix(matrix);
    glPushMatrix();
    glMultMatrixd(matrix);
}

void AxesView::PopTransform(bool applyToGL)
{
    if (transforms.empty())
        return;
    transforms.pop_back();
    if (applyToGL)
        glPopMatrix();
}

orbisk::geometry::CTransform3d AxesView::GetInverseTransform()
{
    return GetTransform().Inverse();
}

CPoint3d AxesView::GetEyePoint()
{
    CPoint3d local = eye;
    GetInverseTransform().TransformPoint(local);
    return local;
}

CVector3d AxesView::GetViewDirection()
{
    CVector3d local = direction;
    GetInverseTransform().TransformVector(local);
    return local;
}

void AxesView::DrawStyledLine(const CPoint3d& from, const CPoint3d& to, const CColor& color,
                              const double& width, const unsigned short&)
{
    lines.push_back({from, to, color, width});
    glLineWidth(static_cast<float>(width));
    glColor4ubv(&color.red);
    glBegin(GL_LINES);
    glVertex3d(from.x, from.y, from.z);
    glVertex3d(to.x, to.y, to.z);
    glEnd();
}

void AxesView::BeginPrimitive(int kind)
{
    quads.emplace_back();
    open = true;
    glBegin(static_cast<GLenum>(kind));
}

void AxesView::EndPrimitive()
{
    if (!open)
        return;
    open = false;
    glEnd();
}

void AxesView::Vertex(double x, double y, double z)
{
    quads.back().emplace_back(x, y, z);
    glVertex3d(x, y, z);
}

void AxesView::SetColor(CColor color)
{
    RecordingView::SetColor(color);
    glColor4ubv(&color.red);
}

void AxesView::SetDepthFunc(unsigned int function)
{
    glDepthFunc(function);
}

void AxesView::SetLineWidth(double pixels)
{
    lineWidths.push_back(pixels);
    glLineWidth(static_cast<float>(pixels));
}

bool AxesView::SetLighting(bool on)
{
    return std::exchange(lighting, on);
}

void AxesView::PushPolygonOffset(bool, float, float)
{
    maxOffsetDepth = std::max(maxOffsetDepth, ++offsetDepth);
}

void AxesView::PopPolygonOffset()
{
    --offsetDepth;
}

class ComponentAxesTest : public OffscreenGLTest {
protected:
    ComponentAxesTest() : OffscreenGLTest(64, 64) {}
    void SetUp() override
    {
        OffscreenGLTest::SetUp();
        ClearGLBuffers(GLPixel{});
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);
    }
    void TearDown() override
    {
        glDisable(GL_DEPTH_TEST);
        OffscreenGLTest::TearDown();
    }
    // Axes placed at (10, 10) of the pixel projection.
    static CTransform3d At10()
    {
        CTransform3d frame;
        frame.SetTranslation(CVector3d(10, 10, 0));
        return frame;
    }

    AxesView view;
};

}  // namespace

TEST_F(ComponentAxesTest, ThreeAxesOfTheirPixelLengthInRedGreenAndBlue)
{
    const CComponentAxes axes(40, false, true, false, CComponentAxes::kDefaultRibbonRatio);
    axes.Draw(view, At10(), false);
    ASSERT_EQ(view.lines.size(), 3u);
    EXPECT_EQ(view.lines[0].to, CPoint3d(40, 0, 0));
    EXPECT_EQ(view.lines[1].to, CPoint3d(0, 40, 0));
    EXPECT_EQ(view.lines[2].to, CPoint3d(0, 0, 40));
    EXPECT_EQ(view.lines[0].color, CColor(178, 0, 0));
    EXPECT_EQ(view.lines[1].color, CColor(0, 178, 0));
    EXPECT_EQ(view.lines[2].color, CColor(0, 0, 178));
    EXPECT_EQ(view.lines[0].width, 3.0);
    EXPECT_TRUE(PixelNear(ReadGLPixel(30, 10), GLPixel{178, 0, 0, 255}))
        << "the X axis runs right from the origin";
    EXPECT_TRUE(PixelNear(ReadGLPixel(10, 30), GLPixel{0, 178, 0, 255}));
    EXPECT_EQ(view.lineWidths.back(), 1.0);
    EXPECT_FALSE(view.lighting) << "the axes are unlit and leave lighting to what draws next";
    EXPECT_TRUE(view.transforms.empty());
    GLint depthFunction = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunction);
    EXPECT_EQ(depthFunction, GL_LESS);
}

TEST_F(ComponentAxesTest, NothingIsDrawnBelowOnePixelOrIntoTheItemBuffer)
{
    CComponentAxes axes(0, false, true, false, CComponentAxes::kDefaultRibbonRatio);
    axes.Draw(view, At10(), false);
    EXPECT_TRUE(view.lines.empty());
    const CComponentAxes sized(25, false, true, false, CComponentAxes::kDefaultRibbonRatio);
    view.drawingMode = 1;
    sized.Draw(view, At10(), false);
    EXPECT_TRUE(view.lines.empty());
}

TEST_F(ComponentAxesTest, GluedComponentsShowACrossInsteadOfTheZAxis)
{
    const CComponentAxes axes(40, true, true, false, CComponentAxes::kDefaultRibbonRatio);
    axes.Draw(view, At10(), false);
    ASSERT_EQ(view.lines.size(), 4u);
    EXPECT_EQ(view.lines[2].from, CPoint3d(10, 10, 0));
    EXPECT_EQ(view.lines[2].to, CPoint3d(-10, -10, 0));
    EXPECT_EQ(view.lines[3].from, CPoint3d(-10, 10, 0));
    EXPECT_EQ(view.lines[3].to, CPoint3d(10, -10, 0));
    EXPECT_TRUE(view.quads.empty()) << "no glue plane unless asked";
}

TEST_F(ComponentAxesTest, AxesWithoutDepthTestShowThroughWhatIsInFront)
{
    // A quad nearer than the axes (z up to 1 near) covers their X axis.
    glColor3ub(0, 0, 0);
    glBegin(GL_QUADS);
    glVertex3d(20, 0, 0.5);
    glVertex3d(64, 0, 0.5);
    glVertex3d(64, 64, 0.5);
    glVertex3d(20, 64, 0.5);
    glEnd();
    CComponentAxes tested(40, false, true, false, CComponentAxes::kDefaultRibbonRatio);
    tested.Draw(view, At10(), false);
    EXPECT_TRUE(PixelNear(ReadGLPixel(30, 10), GLPixel{0, 0, 0, 255}));
    const CComponentAxes over(40, false, false, false, CComponentAxes::kDefaultRibbonRatio);
    over.Draw(view, At10(), false);
    EXPECT_TRUE(PixelNear(ReadGLPixel(30, 10), GLPixel{178, 0, 0, 255}));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST)) << "the depth test is on again";
}

TEST_F(ComponentAxesTest, RibbonsLieAcrossTheLineOfSight)
{
    const CComponentAxes axes(30, false, true, true, 0.1);
    view.direction = CVector3d(0, 0, -1);
    axes.Draw(view, At10(), false);
    ASSERT_EQ(view.quads.size(), 3u);
    const std::vector<CPoint3d>& x = view.quads[0];
    ASSERT_EQ(x.size(), 4u);
    EXPECT_EQ(x[0], CPoint3d(0, -3, 0))
        << "half-width 0.1 of the length, towards the eye crossed with the axis";
    EXPECT_EQ(x[1], CPoint3d(0, 3, 0));
    EXPECT_EQ(x[2], CPoint3d(30, 3, 0));
    EXPECT_EQ(x[3], CPoint3d(30, -3, 0));
    EXPECT_TRUE(PixelNear(ReadGLPixel(25, 11), GLPixel{178, 0, 0, 255}));

    view.quads.clear();
    view.eye = CPoint3d(10, 110, 0);
    const bool perspective = true;
    axes.Draw(view, At10(), perspective);
    EXPECT_NEAR(view.quads[0][0].z, 3.0, 1e-12)
        << "a perspective eye straight above the Y axis turns the X ribbon";
}

TEST_F(ComponentAxesTest, TheGluePlaneFramesTheBoundsTranslucently)
{
    CComponentAxes axes(20, true, true, false, CComponentAxes::kDefaultRibbonRatio);
    axes.SetGluePlaneShown(true);
    CBoundingBox3d bounds;
    bounds.Add(CPoint3d(0, 0, 0));
    bounds.Add(CPoint3d(30, 40, 0));
    axes.SetBounds(bounds);
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    axes.Draw(view, At10(), false);
    ASSERT_EQ(view.quads.size(), 1u);
    EXPECT_EQ(view.quads[0][0], CPoint3d(-5, -5, 0)) << "grown by a tenth of the diagonal (50)";
    EXPECT_EQ(view.quads[0][2], CPoint3d(35, 45, 0));
    EXPECT_EQ(view.maxOffsetDepth, 1);
    EXPECT_EQ(view.offsetDepth, 0);
    EXPECT_TRUE(PixelNear(ReadGLPixel(40, 50), GLPixel{217, 217, 217, 202})) << "grey at 0.3 over white";
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(depthWrites);
    glClearColor(0, 0, 0, 0);

    axes.ResetDefaults();
    EXPECT_EQ(axes.GetSize(), 0);
    EXPECT_FALSE(axes.IsGluePlaneShown());
    EXPECT_TRUE(axes.IsDepthTested());
}
