// The view definition: its projections against what OpenGL builds and draws, conversions
// between model and window in both directions, pick rays, the depth range fitted to a model,
// frustum and selection planes, zooms that keep a point under the cursor, and viewport changes.

#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "settings/ViewDefinition.h"
#include "tests/support/OffscreenGLTest.h"

using orbisk::geometry::CBoundingBox3d;
using orbisk::geometry::CMatrix4d;
using orbisk::geometry::CPlane3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CRay3d;
using orbisk::geometry::CVector3d;

namespace {

const double kTan15 = std::tan(15 * std::numbers::pi / 180);

void ExpectPoint(const CPoint3d& actual, const CPoint3d& expected, double tolerance)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

// GL keeps its matrices in single precision: elements agree to a millionth of the largest.
void ExpectMatrix(const CMatrix4d& actual, const double (&expected)[16])
{
    double largest = 1.0;
    for (double element : expected)
        largest = std::max(largest, std::abs(element));
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(actual.m[i], expected[i], 1e-6 * largest) << "element " << i;
}

CBoundingBox3d Box(const CPoint3d& a, const CPoint3d& b)
{
    CBoundingBox3d box;
    box.SetEmpty();
    box.Add(a);
    box.Add(b);
    return box;
}

// A perspective view of 800 x 600 pixels from (0, -100, 20) at the origin, +z up, with the
// clipping range fitted to a box around the origin.
CViewDefinition PerspectiveView()
{
    CViewDefinition view;
    view.SetViewportSize(800, 600);
    view.SetCameraPosition(CPoint3d(0, -100, 20), CPoint3d(), CVector3d(0, 0, 1));
    view.SetDepthRangeFromBounds(Box(CPoint3d(-30, -30, -30), CPoint3d(30, 30, 30)));
    return view;
}

CViewDefinition ParallelView()
{
    CViewDefinition view = PerspectiveView();
    view.SetPerspective(false);
    view.SetParallelHeight(80);
    return view;
}

struct ProjectionCase {
    const char* name;
    CViewDefinition view;
    // The frustum's extents at the near plane, worked out by hand.
    double left, right, bottom, top;
};

std::vector<ProjectionCase> ProjectionCases()
{
    std::vector<ProjectionCase> cases;
    {
        CViewDefinition view = PerspectiveView();
        const double top = view.GetNear() * kTan15;
        cases.push_back({"perspective", view, -top * 4 / 3, top * 4 / 3, -top, top});
    }
    {
        CViewDefinition view = PerspectiveView();
        // Scale 0.5, offsets a quarter of the half width and a tenth of the half height.
        view.Set2DPanZoom(true, 0.5, 0.25, -0.1);
        const double hh = view.GetNear() * kTan15, hw = hh * 4 / 3;
        cases.push_back({"2D pan and zoom", view, -hw * 0.25, hw * 0.75, -hh * 0.6, hh * 0.4});
    }
    {
        CViewDefinition view = PerspectiveView();
        view.SetFrustumWindow(true, -3, 5, -2, 4);
        cases.push_back({"explicit window", view, -3, 5, -2, 4});
    }
    {
        CViewDefinition view = ParallelView();
        cases.push_back({"parallel", view, -40.0 * 4 / 3, 40.0 * 4 / 3, -40, 40});
    }
    return cases;
}

class ViewDefinitionGLTest : public OffscreenGLTest {
protected:
    ViewDefinitionGLTest() : OffscreenGLTest(80, 60) {}
};

}  // namespace

TEST(ViewDefinition, ANewViewClipsFromOneToTenThousand)
{
    const CViewDefinition view;
    EXPECT_EQ(view.GetNear(), 1.0);
    EXPECT_EQ(view.GetFar(), 10000.0);
    EXPECT_EQ(view.GetAspect(), 1.0);
    EXPECT_NEAR(view.GetFovFactor(), 2 * kTan15, 1e-15);
}

TEST_F(ViewDefinitionGLTest, TheProjectionIsTheMatrixOpenGLBuilds)
{
    for (const ProjectionCase& c : ProjectionCases()) {
        SCOPED_TRACE(c.name);
        const CViewDefinition& view = c.view;
        double expected[16];
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        if (view.GetCamera().IsPerspective())
            glFrustum(c.left, c.right, c.bottom, c.top, view.GetNear(), view.GetFar());
        else
            glOrtho(c.left, c.right, c.bottom, c.top, view.GetNear(), view.GetFar());
        glGetDoublev(GL_PROJECTION_MATRIX, expected);
        ExpectMatrix(view.GetProjectionMatrix(), expected);

        // The combined matrix is the projection after the camera's look-at.
        const CPoint3d& eye = view.GetCamera().GetEye();
        const CPoint3d& target = view.GetCamera().GetTarget();
        const CVector3d up = view.GetCamera().GetUp();
        gluLookAt(eye.x, eye.y, eye.z, target.x, target.y, target.z, up.x, up.y, up.z);
        glGetDoublev(GL_PROJECTION_MATRIX, expected);
        ExpectMatrix(view.GetViewProjectionMatrix(), expected);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
    }
}

TEST_F(ViewDefinitionGLTest, PointsAreDrawnWhereModelToScreenPutsThem)
{
    const CPoint3d points[] = {{0, 0, 0}, {12, -5, 7}, {-20, 10, -9}, {25, 25, 15}};
    for (const CViewDefinition& base : {PerspectiveView(), ParallelView()}) {
        CViewDefinition view = base;
        view.SetViewportSize(Width(), Height());
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadMatrixd(view.GetViewProjectionMatrix().m);
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        for (const CPoint3d& p : points) {
            ClearGLBuffers(GLPixel{0, 0, 0, 255});
            glColor3ub(255, 255, 255);
            glBegin(GL_POINTS);
            glVertex3d(p.x, p.y, p.z);
            glEnd();
            CPoint3d window;
            ASSERT_TRUE(view.ModelToScreen(p, window));
            // Window rows count down from the top, GL rows up from the bottom.
            const int x = static_cast<int>(std::floor(window.x));
            const int row = static_cast<int>(std::floor(Height() - window.y));
            EXPECT_TRUE(PixelNear(ReadGLPixel(x, row), GLPixel{255, 255, 255, 255}))
                << p.x << " " << p.y << " " << p.z << " at " << x << ", " << row;
        }
        glPopMatrix();
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
    }
}

TEST(ViewDefinition, ModelToScreenToModelComesBack)
{
    const CPoint3d points[] = {{0, 0, 0}, {12, -5, 7}, {-20, 10, -9}, {25, 25, 15}, {0, 40, 0}};
    for (CViewDefinition view : {PerspectiveView(), ParallelView()}) {
        for (bool offset : {false, true}) {
            if (offset)
                view.SetViewport(30, 40, 640, 480);
            for (const CPoint3d& p : points) {
                CPoint3d window, back;
                ASSERT_TRUE(view.ModelToScreen(p, window));
                EXPECT_GT(window.z, 0.0);
                EXPECT_LT(window.z, 1.0);
                ASSERT_TRUE(view.ScreenToModel3(window.x, window.y, window.z, back));
                ExpectPoint(back, p, 1e-6);
            }
        }
    }
}

TEST(ViewDefinition, TheTargetIsAtTheViewportCentreAndYGrowsDownward)
{
    const CViewDefinition view = PerspectiveView();
    CPoint3d window;
    view.ModelToScreen(CPoint3d(), window);
    EXPECT_NEAR(window.x, 400, 1e-9);
    EXPECT_NEAR(window.y, 300, 1e-9);
    CPoint3d above;
    view.ModelToScreen(CPoint3d(0, 0, 5), above);
    EXPECT_LT(above.y, 300);
    EXPECT_EQ(view.GetViewportCenter().x, 400);
    EXPECT_EQ(view.GetViewportCenter().y, 300);
}

TEST(ViewDefinition, TheEyeHasNoWindowPosition)
{
    const CViewDefinition view = PerspectiveView();
    CPoint3d window;
    EXPECT_FALSE(view.ModelToScreen(view.GetCamera().GetEye(), window));
}

TEST(ViewDefinition, AViewportWithoutHeightHasAspectOne)
{
    CViewDefinition view;
    view.SetViewportSize(300, 0);
    EXPECT_EQ(view.GetAspect(), 1.0);
    EXPECT_TRUE(std::isfinite(view.GetPixelSize()));
}

TEST(ViewDefinition, PixelSizeIsTheViewHeightAtTheTargetOverTheViewportHeight)
{
    const CViewDefinition perspective = PerspectiveView();
    const double distance = CVector3d(0, -100, 20).Length();
    EXPECT_NEAR(perspective.GetPixelSize(), distance * 2 * kTan15 / 600, 1e-12);
    EXPECT_NEAR(perspective.GetViewHeightAtDistance(distance), distance * 2 * kTan15, 1e-12);
    const CViewDefinition parallel = ParallelView();
    EXPECT_NEAR(parallel.GetPixelSize(), 80.0 / 600, 1e-12);
    EXPECT_EQ(parallel.GetViewHeight(), 80.0);
    const CPoint3d offset = parallel.ScreenToViewPlane(410, 290);
    ExpectPoint(offset, CPoint3d(10 * 80.0 / 600, 10 * 80.0 / 600, 0), 1e-12);
}

TEST(ViewDefinition, ScreenToModelFindsTheNearPlanePointUnderThePixel)
{
    for (const CViewDefinition& view : {PerspectiveView(), ParallelView()}) {
        for (const auto& pixel :
             {std::to_array({0.0, 0.0}), std::to_array({400.0, 300.0}), std::to_array({123.0, 456.0})}) {
            CPoint3d onNear;
            ASSERT_TRUE(view.ScreenToModel3(pixel[0], pixel[1], 0.0, onNear));
            ExpectPoint(view.ScreenToModel(pixel[0], pixel[1]), onNear, 1e-6);
        }
    }
}

TEST(ViewDefinition, PickRaysRunThroughThePixel)
{
    const CViewDefinition perspective = PerspectiveView();
    const CRay3d ray = perspective.GetPickRay(123, 456);
    ExpectPoint(ray.origin, perspective.GetCamera().GetEye(), 1e-12);
    for (double t : {10.0, 100.0}) {
        CPoint3d window;
        perspective.ModelToScreen(ray.GetPointAt(t), window);
        EXPECT_NEAR(window.x, 123, 1e-6);
        EXPECT_NEAR(window.y, 456, 1e-6);
    }

    // Parallel rays start on the eye's plane and run along the view for every pixel.
    const CViewDefinition parallel = ParallelView();
    const CVector3d direction = parallel.GetCamera().GetDirection();
    for (const auto& pixel : {std::to_array({0.0, 0.0}), std::to_array({700.0, 20.0})}) {
        const CRay3d r = parallel.GetPickRay(pixel[0], pixel[1]);
        EXPECT_NEAR((CVector3d(r.direction) - direction).Length(), 0.0, 1e-12);
        EXPECT_NEAR(direction.Dot(r.origin - parallel.GetCamera().GetEye()), 0.0, 1e-9);
        CPoint3d window;
        parallel.ModelToScreen(r.GetPointAt(50), window);
        EXPECT_NEAR(window.x, pixel[0], 1e-6);
        EXPECT_NEAR(window.y, pixel[1], 1e-6);
    }

    const CPoint3d onPlane = perspective.PickPointOnPlaneThrough(400, 300, CPoint3d(0, 5, 1));
    EXPECT_NEAR(direction.Dot(onPlane - CPoint3d(0, 5, 1)), 0.0, 1e-9);
}

TEST(ViewDefinition, WindowDepthsTurnBackIntoDistances)
{
    for (const CViewDefinition& view : {PerspectiveView(), ParallelView()}) {
        const CPoint3d& eye = view.GetCamera().GetEye();
        const CVector3d direction = view.GetCamera().GetDirection();
        for (double distance : {view.GetNear(), 50.0, 120.0, view.GetFar()}) {
            CPoint3d window;
            view.ModelToScreen(eye + distance * direction, window);
            EXPECT_NEAR(view.DepthToDistance(window.z), distance, 1e-6 * distance);
        }
    }
}

TEST(ViewDefinition, TheClippingRangeIsFittedToTheModelsDepth)
{
    const CPoint3d eye(0, 0, 0);
    const struct {
        const char* name;
        double from, to;
        double nearDistance, farDistance;
    } cases[] = {
        {"ten to twenty", 10, 20, 8.55, 22.55},
        {"a thousandth to five thousand", 0.001, 5000, 5.50055, 5500.55},
        {"behind the eye", -20, -10, 11, 11000},
    };
    for (const auto& c : cases) {
        CViewDefinition view;
        view.SetCameraPosition(eye, CPoint3d(0, 0, -1), CVector3d(0, 1, 0));
        // The box spans the depths along -z.
        view.SetDepthRangeFromBounds(Box(CPoint3d(-1, -1, -c.from), CPoint3d(1, 1, -c.to)));
        EXPECT_NEAR(view.GetNear(), c.nearDistance, 1e-9) << c.name;
        EXPECT_NEAR(view.GetFar(), c.farDistance, 1e-9) << c.name;
    }
}

TEST(ViewDefinition, TheClippingRangeStaysWhileTheModelsDepthHardlyMoves)
{
    CViewDefinition view;
    view.SetCameraPosition(CPoint3d(), CPoint3d(0, 0, -1), CVector3d(0, 1, 0));
    view.SetDepthRangeFromBounds(Box(CPoint3d(-1, -1, -20), CPoint3d(1, 1, -30)));
    const double nearDistance = view.GetNear(), farDistance = view.GetFar();
    view.SetDepthRangeFromBounds(Box(CPoint3d(-1, -1, -20.0005), CPoint3d(1, 1, -30.0005)));
    EXPECT_EQ(view.GetNear(), nearDistance);
    EXPECT_EQ(view.GetFar(), farDistance);
    // A box behind the eye, again and again, does not push the far plane away each time.
    view.SetDepthRangeFromBounds(Box(CPoint3d(-1, -1, 5), CPoint3d(1, 1, 6)));
    const double farBehind = view.GetFar();
    view.SetDepthRangeFromBounds(Box(CPoint3d(-1, -1, 5), CPoint3d(1, 1, 6)));
    EXPECT_EQ(view.GetFar(), farBehind);
}

TEST(ViewDefinition, AnExplicitWindowScalesWithDistanceInPerspective)
{
    CViewDefinition view;
    view.SetCameraPosition(CPoint3d(), CPoint3d(0, 0, -1), CVector3d(0, 1, 0));
    // Near becomes 2: a hint of 2 / 0.9 from a box starting at 2 / 0.9 + 0.5.
    view.SetDepthRangeFromBounds(Box(CPoint3d(-1, -1, -(2 / 0.9 + 0.5)), CPoint3d(1, 1, -100)));
    ASSERT_NEAR(view.GetNear(), 2.0, 1e-12);
    view.SetFrustumWindow(true, -1, 1, -1, 1);
    double l = 0, r = 0, b = 0, t = 0;
    view.GetFrustumAt(4, l, r, b, t);
    EXPECT_NEAR(l, -2, 1e-12);
    EXPECT_NEAR(r, 2, 1e-12);
    EXPECT_NEAR(b, -2, 1e-12);
    EXPECT_NEAR(t, 2, 1e-12);
    EXPECT_TRUE(view.GetFrustum(l, r, b, t));
    EXPECT_EQ(r, 1.0);
    EXPECT_NEAR(view.GetViewHeightAtDistance(4), 4.0, 1e-12);
}

TEST(ViewDefinition, ThePictureZoomScalesAndShiftsTheFrustum)
{
    CViewDefinition view = PerspectiveView();
    double l0, r0, b0, t0;
    view.GetFrustumExtents(10, l0, r0, b0, t0, true);
    const double hw = r0, hh = t0;
    const struct {
        double scale, offsetX, offsetY;
        double l, r, b, t;
    } cases[] = {{0.5, 0, 0, -0.5 * hw, 0.5 * hw, -0.5 * hh, 0.5 * hh},
                 {1, 0.5, 0, -0.5 * hw, 1.5 * hw, -hh, hh},
                 {1, 0, -0.25, -hw, hw, -1.25 * hh, 0.75 * hh}};
    for (const auto& c : cases) {
        view.Set2DPanZoom(true, c.scale, c.offsetX, c.offsetY);
        double l, r, b, t;
        view.GetFrustumExtents(10, l, r, b, t, true);
        EXPECT_NEAR(l, c.l, 1e-12);
        EXPECT_NEAR(r, c.r, 1e-12);
        EXPECT_NEAR(b, c.b, 1e-12);
        EXPECT_NEAR(t, c.t, 1e-12);
        view.GetFrustumExtents(10, l, r, b, t, false);
        EXPECT_NEAR(r, hw, 1e-12);
    }
}

TEST(ViewDefinition, FrustumPlanesEncloseWhatIsVisible)
{
    for (CViewDefinition view : {PerspectiveView(), ParallelView()}) {
        view.UpdateFrustumPlanes();
        CViewDefinition::FrustumPlanes planes;
        view.GetFrustumPlanes(planes);
        const auto inside = [&](const CPoint3d& p) {
            for (const CPlane3d& plane : planes) {
                if (plane.SignedDistance(p) > 0)
                    return false;
            }
            return true;
        };
        EXPECT_TRUE(inside(CPoint3d()));
        EXPECT_TRUE(inside(CPoint3d(20, 20, 20)));
        EXPECT_FALSE(inside(CPoint3d(0, -200, 40)));     // behind the eye
        EXPECT_FALSE(inside(CPoint3d(500, 0, 0)));       // far to the right
        EXPECT_FALSE(inside(CPoint3d(0, 0, 500)));       // far above
        EXPECT_FALSE(inside(CPoint3d(0, 5000, -1000)));  // beyond the far plane
        EXPECT_GT(planes[CViewDefinition::kLeftPlane].SignedDistance(CPoint3d(-500, 0, 0)), 0);
        EXPECT_GT(planes[CViewDefinition::kTopPlane].SignedDistance(CPoint3d(0, 0, 500)), 0);
    }
}

TEST(ViewDefinition, TheSelectionFrustumHoldsWhatShowsInsideTheRectangle)
{
    for (const CViewDefinition& view : {PerspectiveView(), ParallelView()}) {
        CViewDefinition::FrustumPlanes planes;
        view.GetSelectionFrustum(300, 500, 200, 350, planes);
        const auto inside = [&](double px, double py, double depth) {
            CPoint3d p;
            view.ScreenToModel3(px, py, depth, p);
            for (int i = 0; i < 5; ++i) {
                if (planes[i].SignedDistance(p) > 1e-9)
                    return false;
            }
            return true;
        };
        EXPECT_TRUE(inside(400, 300, 0.5));
        EXPECT_TRUE(inside(301, 201, 0.9));
        EXPECT_TRUE(inside(499, 349, 0.1));
        EXPECT_FALSE(inside(299, 300, 0.5));
        EXPECT_FALSE(inside(501, 300, 0.5));
        EXPECT_FALSE(inside(400, 199, 0.5));
        EXPECT_FALSE(inside(400, 351, 0.5));
        EXPECT_TRUE(std::isinf(planes[5].d));
        EXPECT_EQ(planes[5].GetNormal().LengthSquared(), 0.0);
    }
    const CViewDefinition view = PerspectiveView();
    CViewDefinition::FrustumPlanes aperture, rectangle;
    view.GetPickApertureFrustum(400, 300, 10, aperture);
    view.GetSelectionFrustum(395, 405, 295, 305, rectangle);
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(aperture[i].IsEqual(rectangle[i], true, 1e-12)) << i;
}

TEST(ViewDefinition, ZoomingAboutAPixelKeepsTheModelPointUnderIt)
{
    for (const CViewDefinition& base : {PerspectiveView(), ParallelView()}) {
        for (double factor : {-0.3, 0.5}) {
            CViewDefinition view = base;
            CPoint3d point;
            view.ScreenToModel3(600, 150, 0.5, point);
            view.ZoomAboutPixel(600, 150, 40, factor);
            CPoint3d window;
            view.ModelToScreen(point, window);
            EXPECT_NEAR(window.x, 600, 1e-6) << factor;
            EXPECT_NEAR(window.y, 150, 1e-6) << factor;
        }
    }
    CViewDefinition parallel = ParallelView();
    parallel.ZoomAboutPixel(600, 150, 40, 0.5);
    EXPECT_NEAR(parallel.GetViewHeight(), 120, 1e-9);
}

TEST(ViewDefinition, ZoomingMovesTheEyeOrWidensTheView)
{
    CViewDefinition perspective = PerspectiveView();
    const CPoint3d eye = perspective.GetCamera().GetEye();
    perspective.Zoom(10, 0.5);
    EXPECT_NEAR(perspective.GetCamera().GetEye().DistanceTo(eye), 5.0, 1e-9);
    EXPECT_GT(perspective.GetCamera().GetEye().DistanceTo(CPoint3d()), eye.DistanceTo(CPoint3d()));

    CViewDefinition parallel = ParallelView();
    parallel.Zoom(10, -0.25);
    EXPECT_NEAR(parallel.GetViewHeight(), 60, 1e-9);

    CViewDefinition picture = PerspectiveView();
    picture.Set2DPanZoom(true, 1, 0, 0);
    picture.Zoom(10, -0.5);
    EXPECT_NEAR(picture.GetCamera().Get2DScale(), 0.5, 1e-12);
    EXPECT_EQ(picture.GetCamera().GetEye(), PerspectiveView().GetCamera().GetEye());
}

TEST(ViewDefinition, RotatingAboutAPointLooksAtIt)
{
    CViewDefinition view = PerspectiveView();
    const CPoint3d pivot(5, 0, 0);
    const double distance = view.GetCamera().GetEye().DistanceTo(pivot);
    view.RotateAboutPoint(pivot, CVector3d(0, 0, 1), std::numbers::pi / 2);
    ExpectPoint(view.GetCamera().GetTarget(), pivot, 1e-9);
    EXPECT_NEAR(view.GetCamera().GetEye().DistanceTo(pivot), distance, 1e-9);
    ExpectPoint(view.GetCamera().GetEye(), CPoint3d(105, -5, 20), 1e-9);
}

TEST(ViewDefinition, ATallerViewportKeepsTheWidthAndGivesTheOldValueBack)
{
    CViewDefinition view = PerspectiveView();
    double l0, r0, b0, t0;
    view.GetFrustumExtents(1, l0, r0, b0, t0, false);
    EXPECT_EQ(view.SetViewportSizeKeepingView(400, 600), 30.0);
    double l, r, b, t;
    view.GetFrustumExtents(1, l, r, b, t, false);
    EXPECT_NEAR(r, r0, 1e-12);
    view.SetViewportSizeKeepFov(30.0, 800, 600);
    view.GetFrustumExtents(1, l, r, b, t, false);
    EXPECT_NEAR(t, t0, 1e-12);

    // A wider one keeps the height.
    EXPECT_EQ(view.SetViewportSizeKeepingView(1600, 600), 30.0);
    view.GetFrustumExtents(1, l, r, b, t, false);
    EXPECT_NEAR(t, t0, 1e-12);

    CViewDefinition parallel = ParallelView();
    EXPECT_EQ(parallel.SetViewportSizeKeepingView(400, 600), 80.0);
    EXPECT_NEAR(parallel.GetViewHeight(), 160.0, 1e-9);
}

TEST(ViewDefinition, AParallelViewWidensToShowTheWholeImage)
{
    CViewDefinition view = ParallelView();
    CCamera camera = view.GetCamera();
    camera.SetImageAspect(2.0);
    view.SetCamera(camera);
    EXPECT_EQ(view.SetViewportSizeKeepingImage(600, 600), 80.0);
    double l, r, b, t;
    view.GetFrustumExtents(1, l, r, b, t, false);
    // The image, 2 x 80 wide, fits across.
    EXPECT_NEAR(r - l, 160.0, 1e-9);
}
