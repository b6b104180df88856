#include "view/ZphView.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>

#include "image/ImageRep.h"
#include "model/ZephyronModel.h"
#include "settings/RenderingOptions.h"
#include "tests/support/GLPixelCheck.h"
#include "tests/support/TopViewSetup.h"
#include "tests/view/ViewTestSupport.h"
#include "view/MemoryGLContext.h"
#include "view/PrintScaleScope.h"

using orbisk::geometry::CBoundingBox3d;
using orbisk::geometry::CLine3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CVector3d;
using orbisk::imageutils::ImageRep;
using orbisk::utils::CColor;

namespace {

CBoundingBox3d Box(const CPoint3d& low, const CPoint3d& high)
{
    CBoundingBox3d box;
    box.Add(low);
    box.Add(high);
    return box;
}

constexpr int kZphViewSize = 64;

// A view over a new model, drawing into its own offscreen context, looking down the z axis at
// the origin in parallel projection, 10 units high.
class ViewGLTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SetUpTopView(view, kZphViewSize));
        model = view.GetModel();
    }

    void TearDown() override
    {
        view.ResetDrawState();
        EXPECT_TRUE(GLStateIsClean());
    }

    GLPixel PixelAt(const CPoint3d& point) { return PixelUnder(view, point, kZphViewSize); }

    ManualClock clock;
    CZphView view{clock, clock};
    CZephyronModel* model = nullptr;
};

}  // namespace

TEST_F(ViewGLTest, ProjectionAndLightsComeFromTheCameraAndOptions)
{
    double projection[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    for (int i = 0; i < 16; ++i) {
        const double expected = view.GetViewDefinition()->GetProjectionMatrix().m[i];
        // GL keeps its matrices in single precision.
        EXPECT_NEAR(projection[i], expected, 1e-6 * (1 + std::abs(expected))) << i;
    }
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], kZphViewSize);
    GLfloat diffuse[4];
    glGetLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    EXPECT_FLOAT_EQ(diffuse[0], 0.8f);

    // Hidden line: the light gives a flat full ambient.
    view.GetRenderingOptions()->SetRenderingMode(1);
    view.SetupLights(false);
    GLfloat ambient[4];
    glGetLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    EXPECT_FLOAT_EQ(ambient[0], 1.0f);
}

TEST_F(ViewGLTest, BoxEdgesLandOnTheirProjectedPixels)
{
    const CBoundingBox3d box = Box(CPoint3d(-2, -2, -1), CPoint3d(2, 2, 1));
    view.DrawBox(box, 1.0);
    EXPECT_TRUE(PixelNear(PixelAt(CPoint3d(-2, 0, 1)), kBlackPixel));
    EXPECT_TRUE(PixelNear(PixelAt(CPoint3d(2, 0, 1)), kBlackPixel));
    EXPECT_TRUE(PixelNear(PixelAt(CPoint3d(0, 2, 1)), kBlackPixel));
    EXPECT_TRUE(PixelNear(PixelAt(CPoint3d(0, 0, 0)), kWhitePixel));
}

TEST_F(ViewGLTest, BoxEdgesFacingTheEyeTakeTheFrontColour)
{
    const CBoundingBox3d box = Box(CPoint3d(-2, -2, -1), CPoint3d(2, 2, 1));
    const CColor front(255, 0, 0);
    const CColor back(0, 0, 255);
    view.DrawBoxEdgesFacing(box, CPoint3d(0, 0, 10), front, back, 1.0, 0);
    // Every edge of the top face faces the eye above; the side edges run along faces that do.
    EXPECT_TRUE(PixelNear(PixelAt(CPoint3d(2, 0, 1)), GLPixel{255, 0, 0, 255}));
}

TEST_F(ViewGLTest, LineWidthFollowsScaleAndDrawingMode)
{
    struct Case {
        double scale;
        int drawingMode;
        double width;
        double applied;
    };
    for (const Case& c : {Case{1, 0, 0.5, 1}, Case{3, 0, 2, 6}, Case{3, 1, 4, 1}}) {
        view.SetLineWidthScale(c.scale);
        view.SetDrawingMode(c.drawingMode);
        view.SetLineWidth(c.width);
        EXPECT_DOUBLE_EQ(view.GetLineWidth(), c.applied);
        GLfloat gl = 0;
        glGetFloatv(GL_LINE_WIDTH, &gl);
        EXPECT_FLOAT_EQ(gl, static_cast<float>(c.applied));
    }
    view.SetDrawingMode(0);
    view.SetLineWidthScale(1);
}

// A print at another size shows what the window showed; sizes in pixels grow with the output.
TEST_F(ViewGLTest, PrintScaleFollowsTheOutputAndRestoresTheWindow)
{
    const CPoint3d origin(0, 0, 0);
    const double pixelBefore = view.PixelsToModel(1, origin);
    {
        CPrintScaleScope scope;
        scope.Apply(&view, 4 * kZphViewSize, 4 * kZphViewSize, 0.0);
        int width = 0;
        int height = 0;
        view.GetViewportSize(width, height);
        EXPECT_EQ(width, 4 * kZphViewSize);
        EXPECT_DOUBLE_EQ(view.GetPixelSizeScale(), 4.0);
        EXPECT_DOUBLE_EQ(view.GetLineWidthScale(), 4.0);
        // A pixel of the window still covers the same model length.
        EXPECT_NEAR(view.PixelsToModel(1, origin), pixelBefore, 1e-9);
        EXPECT_DOUBLE_EQ(view.GetLineWidth(), 4.0);
    }
    int width = 0;
    int height = 0;
    view.GetViewportSize(width, height);
    EXPECT_EQ(width, kZphViewSize);
    EXPECT_DOUBLE_EQ(view.GetPixelSizeScale(), 1.0);
    EXPECT_DOUBLE_EQ(view.GetLineWidthScale(), 1.0);
    EXPECT_DOUBLE_EQ(view.GetViewDefinition()->GetCamera().GetParallelHeight(), 10.0);
}

// With a fixed image aspect the ratio is the image's: a 2:1 image fills a square window's
// width (64 pixels) and the height of a 3:1 output (96 x 2 = 192 pixels wide), three times.
TEST_F(ViewGLTest, PrintScaleOfAFixedImageAspectMeasuresTheImage)
{
    CCamera camera = view.GetViewDefinition()->GetCamera();
    camera.SetImageAspect(2.0);
    view.SetCamera(camera, 0.0);
    CPrintScaleScope scope;
    scope.Apply(&view, 3 * 96, 96, 2.5);
    EXPECT_DOUBLE_EQ(view.GetPixelSizeScale(), 3.0);
    EXPECT_DOUBLE_EQ(view.GetLineWidthScale(), 2.5);
}

TEST_F(ViewGLTest, UnsetColourIsNeverSent)
{
    view.SetColor(CColor(10, 20, 30, 255));
    view.SetColor(CColor(0, 0, 0, 0));
    CColor current;
    EXPECT_EQ(view.GetColor(current), CColor(10, 20, 30, 255));
    GLfloat gl[4];
    glGetFloatv(GL_CURRENT_COLOR, gl);
    EXPECT_NEAR(gl[0], 10 / 255.0, 1e-3);
}

TEST_F(ViewGLTest, StippleAndLightingFollowTheShadowCopy)
{
    view.SetLineStipple(0x00FF);
    EXPECT_TRUE(glIsEnabled(GL_LINE_STIPPLE));
    EXPECT_TRUE(view.IsStippled());
    view.SetLineStipple(0);
    EXPECT_FALSE(glIsEnabled(GL_LINE_STIPPLE));
    view.SetLighting(true);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
}

TEST_F(ViewGLTest, BatchedLinesShareOnePrimitive)
{
    view.SetBatchDrawing(true);
    view.DrawLine(CPoint3d(-4, -1, 0), CPoint3d(4, -1, 0));
    view.DrawLine(CPoint3d(-4, 1, 0), CPoint3d(4, 1, 0));
    // Still inside glBegin: a state query would be an error, so the primitive is ended first.
    view.EndPrimitive();
    view.SetBatchDrawing(false);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_TRUE(PixelNear(PixelAt(CPoint3d(0, -1, 0)), kBlackPixel));
    EXPECT_TRUE(PixelNear(PixelAt(CPoint3d(0, 1, 0)), kBlackPixel));
}

TEST_F(ViewGLTest, FogWithoutAValidRangeChangesNothing)
{
    CRenderingOptions* options = view.GetRenderingOptions();
    options->SetFogStart(10);
    options->SetFogEnd(10);
    view.SetupFog(true);
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    options->SetFogEnd(20);
    view.SetupFog(true);
    EXPECT_TRUE(glIsEnabled(GL_FOG));
    view.SetupFog(false);
}

TEST_F(ViewGLTest, InfiniteLineRunsOutToTheEdgeOfTheView)
{
    view.DrawInfiniteLine(CLine3d(CPoint3d(0, 0, 0), CPoint3d(1, 0, 0)), 0, true, CColor(0, 0, 0), 1.0);
    EXPECT_TRUE(PixelNear(ReadGLPixel(1, kZphViewSize / 2), kBlackPixel) ||
                PixelNear(ReadGLPixel(1, kZphViewSize / 2 - 1), kBlackPixel));
    EXPECT_TRUE(PixelNear(ReadGLPixel(kZphViewSize - 2, kZphViewSize / 2), kBlackPixel) ||
                PixelNear(ReadGLPixel(kZphViewSize - 2, kZphViewSize / 2 - 1), kBlackPixel));
}

TEST_F(ViewGLTest, ReadPixelsFillsOnly32BitImages)
{
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    ImageRep rgb;
    rgb.Create(8, 8, orbisk::imageutils::kFormatRGB, 0, nullptr);
    EXPECT_FALSE(view.ReadPixels(rgb));
    ImageRep rgba;
    rgba.Create(8, 8, orbisk::imageutils::kFormatRGBA, 0, nullptr);
    ASSERT_TRUE(view.ReadPixels(rgba));
    const uint8_t* pixel = rgba.GetPixels();
    EXPECT_EQ(pixel[0], 255) << "blue first";
    EXPECT_EQ(pixel[2], 0);
}

TEST_F(ViewGLTest, ShadowsReachTheGroundBelowTheBox)
{
    CBoundingBox3d box = Box(CPoint3d(0, 0, 0), CPoint3d(1, 1, 1));
    CBoundingBox3d unchanged = box;
    view.ExtendBoundsForShadows(unchanged);
    EXPECT_EQ(unchanged.GetMin(), box.GetMin()) << "shadows off";
}
