// The questions the camera operations ask of the view: the extents of the visible geometry
// (fitting the camera, the box on the screen), the centre of what is in view, and the depth
// buffer read back over a rectangle or around a pixel.

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "components/Component.h"
#include "database/DrawingElement.h"
#include "database/EntityTypes.h"
#include "database/IPickHelper.h"
#include "geometry/BoundingBox2d.h"
#include "model/ZephyronModel.h"
#include "settings/Camera.h"
#include "settings/RenderingOptions.h"
#include "tests/support/TopViewSetup.h"
#include "tests/view/ViewTestSupport.h"
#include "topology/Edge.h"
#include "topology/Vertex.h"
#include "view/ViewAnalyzer.h"
#include "view/ViewCenterFinder.h"
#include "view/ViewExtentsFinder.h"
#include "view/ZphView.h"

using orbisk::geometry::CBoundingBox2d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CVector3d;

namespace {

constexpr int kExtentsViewSize = 100;
constexpr double kPi = 3.14159265358979323846;

// An entity that reports one point to every walk and counts the walks; its type decides
// whether it changes size with the camera.
class CountingPoint : public CDrawingElement {
public:
    CountingPoint(int type, const CPoint3d& position) : m_type(type), m_position(position) {}
    int GetEntityType() const override { return m_type; }
    int PickInside(IPickHelper* picker) override
    {
        ++walks;
        return picker->PickPoint(m_position);
    }
    int walks = 0;

private:
    int m_type;
    CPoint3d m_position;
};

class ViewExtentsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SetUpTopView(view, kExtentsViewSize));
        model = view.GetModel();
        view.GetRenderingOptions()->SetAxesShown(false);
    }

    // The twelve edges of a box, in the model's root component.
    std::vector<CEdge*> AddBox(const CPoint3d& low, const CPoint3d& high)
    {
        std::vector<CPoint3d> corners;
        for (int i = 0; i < 8; ++i)
            corners.emplace_back(i & 1 ? high.x : low.x, i & 2 ? high.y : low.y, i & 4 ? high.z : low.z);
        std::vector<CEdge*> edges;
        for (int i = 0; i < 8; ++i) {
            for (int bit : {1, 2, 4}) {
                if (i & bit)
                    continue;
                auto* edge = new CEdge(new CVertex(corners[i]), new CVertex(corners[i | bit]), false);
                model->GetRoot()->AddEntity(edge);
                edges.push_back(edge);
            }
        }
        return edges;
    }

    void SetCamera(const CPoint3d& eye, const CPoint3d& target, const CVector3d& up, bool perspective,
                   double parallelHeight = 10.0)
    {
        CCamera camera(view.GetViewDefinition()->GetCamera());
        camera.SetEyeTargetUp(eye, target, up);
        camera.SetPerspective(perspective);
        camera.SetFieldOfView(30.0);
        camera.SetParallelHeight(parallelHeight);
        view.SetCamera(camera, 0.0);
    }

    // Picture coordinates of a model point: -1 to 1 across the viewport, y up.
    void Normalized(const CPoint3d& point, double& x, double& y)
    {
        CPoint3d window;
        ASSERT_TRUE(view.GetViewDefinition()->ModelToScreen(point, window));
        int vx = 0, vy = 0, width = 0, height = 0;
        view.GetViewDefinition()->GetViewport(vx, vy, width, height);
        x = 2 * window.x / width - 1;
        y = 1 - 2 * window.y / height;
    }

    // The largest picture coordinate of the box's corners, each checked to be inside the view.
    double LargestExtent(const CPoint3d& low, const CPoint3d& high)
    {
        double largest = 0;
        for (int i = 0; i < 8; ++i) {
            const CPoint3d corner(i & 1 ? high.x : low.x, i & 2 ? high.y : low.y, i & 4 ? high.z : low.z);
            double x = 0, y = 0;
            Normalized(corner, x, y);
            EXPECT_LE(std::abs(x), 1.0 + 1e-9) << i;
            EXPECT_LE(std::abs(y), 1.0 + 1e-9) << i;
            largest = std::max({largest, std::abs(x), std::abs(y)});
        }
        return largest;
    }

    const CCamera& Camera() { return view.GetViewDefinition()->GetCamera(); }

    ManualClock clock;
    CZphView view{clock, clock};
    CZephyronModel* model = nullptr;
};

void ExpectPoint(const CPoint3d& actual, const CPoint3d& expected, double tolerance = 1e-6)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

}  // namespace

TEST_F(ViewExtentsTest, InParallelTheModelFillsTheViewWithAFivePercentMargin)
{
    const CPoint3d low(10, 20, 0), high(20, 24, 1);
    AddBox(low, high);
    struct Case {
        int width;
        int height;
        // The wide box keeps its width in every window shape.
        double viewHeight;
    };
    const Case cases[] = {
        {100, 100, 10.0 / 0.95},
        {50, 100, 20.0 / 0.95},
        {100, 25, 4.0 / 0.95},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        view.SetViewportRect(0, 0, c.width, c.height);
        SetCamera(CPoint3d(0, 0, 10), CPoint3d(0, 0, 0), CVector3d(0, 1, 0), false);
        const double nearDistance = view.GetViewDefinition()->GetNear();
        CViewExtentsFinder finder(&view);
        finder.ZoomExtents(nullptr);

        EXPECT_NEAR(Camera().GetParallelHeight(), c.viewHeight, 1e-9);
        // Looking down at the middle of the box, from above its top.
        ExpectPoint(Camera().GetTarget(), CPoint3d(15, 22, 0.5));
        const double back = std::max(nearDistance + 1, c.viewHeight / 2 / std::tan(15 * kPi / 180));
        ExpectPoint(Camera().GetEye(), CPoint3d(15, 22, 1 + back));
        EXPECT_NEAR(LargestExtent(low, high), 0.95, 1e-9);
    }
}

TEST_F(ViewExtentsTest, InPerspectiveTheModelFitsFromTheSameDirection)
{
    const CPoint3d low(-3, -1, 0), high(5, 2, 4);
    AddBox(low, high);
    const CVector3d direction = CVector3d(-1, 2, -1.5) / std::sqrt(1 + 4 + 2.25);
    SetCamera(CPoint3d(40, -80, 60), CPoint3d(40, -80, 60) + 10 * direction, CVector3d(0, 0, 1), true);
    CViewExtentsFinder finder(&view);
    finder.ZoomExtents(nullptr);

    const CVector3d after(Camera().GetDirection());
    EXPECT_NEAR(after.Dot(direction), 1.0, 1e-9);
    // Everything shows, and the tightest side comes to the margin or slightly beyond.
    const double largest = LargestExtent(low, high);
    EXPECT_GE(largest, 0.95 - 1e-9);
    EXPECT_LT(largest, 1.0);
    // The target lies on the view axis level with the middle of the box.
    const CPoint3d middle(1, 0.5, 2);
    const CVector3d toTarget = Camera().GetTarget() - Camera().GetEye();
    EXPECT_NEAR(toTarget.Dot(after), (middle - Camera().GetEye()).Dot(after), 1e-6);
}

TEST_F(ViewExtentsTest, AnEyeTooCloseToTheModelBacksOff)
{
    // A tiny model: the fitted eye would end up within one unit of it.
    const CPoint3d low(0, 0, 0), high(0.01, 0.01, 0.01);
    AddBox(low, high);
    SetCamera(CPoint3d(0.005, 0.005, 50), CPoint3d(0.005, 0.005, 0), CVector3d(0, 1, 0), true);
    CViewExtentsFinder finder(&view);
    finder.ZoomExtents(nullptr);
    // From the top of the box: backed off by 1.05263, then 5 % farther.
    EXPECT_NEAR(Camera().GetEye().z, 0.01 + (0.005 / std::tan(15 * kPi / 180) + 1.05263) / 0.95, 1e-6);
    EXPECT_NEAR(Camera().GetEye().x, 0.005, 1e-9);
}

TEST_F(ViewExtentsTest, AnEmptyModelLooksAtTheOriginFromTheSameDirectionAndDistance)
{
    SetCamera(CPoint3d(7, 8, 19), CPoint3d(7, 8, 9), CVector3d(0, 1, 0), true);
    CViewExtentsFinder finder(&view);
    finder.ZoomExtents(nullptr);
    ExpectPoint(Camera().GetTarget(), CPoint3d(0, 0, 0));
    ExpectPoint(Camera().GetEye(), CPoint3d(0, 0, 10));
}

TEST_F(ViewExtentsTest, HiddenEntitiesDoNotCountAndAnnotationsAreMeasuredAgain)
{
    AddBox(CPoint3d(-1, -1, 0), CPoint3d(1, 1, 0));
    for (CEdge* edge : AddBox(CPoint3d(100, 100, 0), CPoint3d(101, 101, 0)))
        edge->SetHidden(true);
    struct Case {
        int type;
        int walks;
    };
    // Dimensions and texts change size with the camera: up to four passes.
    const Case cases[] = {{kEntityConstructionPoint, 1}, {kEntityText, 4}, {kEntityDimensionLinear, 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        auto* point = new CountingPoint(c.type, CPoint3d(0, 0, 0));
        model->GetRoot()->AddEntity(point);
        SetCamera(CPoint3d(50, 50, 10), CPoint3d(50, 50, 0), CVector3d(0, 1, 0), false);
        CViewExtentsFinder finder(&view);
        finder.ZoomExtents(nullptr);
        EXPECT_EQ(point->walks, c.walks);
        ExpectPoint(Camera().GetTarget(), CPoint3d(0, 0, 0));
        EXPECT_NEAR(Camera().GetParallelHeight(), 2 / 0.95, 1e-9);
        model->GetRoot()->RemoveEntity(point);
        delete point;
    }
}

TEST_F(ViewExtentsTest, ScreenExtentsAreInTheImagePlaneAndLeaveOutWhatIsBehindTheEye)
{
    AddBox(CPoint3d(-2, -1, 0), CPoint3d(4, 3, 0));
    SetCamera(CPoint3d(0, 0, 10), CPoint3d(0, 0, 0), CVector3d(0, 1, 0), false);
    CBoundingBox2d box;
    {
        CViewExtentsFinder finder(&view);
        EXPECT_TRUE(finder.GetScreenExtents(box, nullptr));
    }
    EXPECT_NEAR(box.x.min, -2, 1e-9);
    EXPECT_NEAR(box.x.max, 4, 1e-9);
    EXPECT_NEAR(box.y.min, -1, 1e-9);
    EXPECT_NEAR(box.y.max, 3, 1e-9);

    // In perspective the points are carried onto the near plane; a point behind the eye
    // (here one above it) adds nothing.
    model->GetRoot()->AddEntity(new CountingPoint(kEntityConstructionPoint, CPoint3d(50, 50, 20)));
    SetCamera(CPoint3d(0, 0, 10), CPoint3d(0, 0, 0), CVector3d(0, 1, 0), true);
    const double nearDistance = view.GetViewDefinition()->GetNear();
    CViewExtentsFinder finder(&view);
    EXPECT_TRUE(finder.GetScreenExtents(box, nullptr));
    EXPECT_NEAR(box.x.min, -2 * nearDistance / 10, 1e-9);
    EXPECT_NEAR(box.x.max, 4 * nearDistance / 10, 1e-9);
    EXPECT_NEAR(box.y.max, 3 * nearDistance / 10, 1e-9);
}

TEST_F(ViewExtentsTest, TheViewCentreIsTheMiddleOfWhatShowsElseOfTheModel)
{
    // A square filling the middle of the view and one far outside it.
    AddBox(CPoint3d(-2, -2, 0), CPoint3d(2, 2, 0));
    AddBox(CPoint3d(40, 40, 0), CPoint3d(44, 44, 0));
    {
        CViewCenterFinder finder(&view);
        ExpectPoint(finder.GetViewCenter(), CPoint3d(0, 0, 0));
        EXPECT_GT(finder.GetCount(), 0);
        EXPECT_NEAR(finder.GetAverageDepth(), 10.0, 1e-9);
    }
    // Looking at empty space: the centre of the model's bounds.
    SetCamera(CPoint3d(-100, -100, 10), CPoint3d(-100, -100, 0), CVector3d(0, 1, 0), false);
    CViewCenterFinder finder(&view);
    ExpectPoint(finder.GetViewCenter(), CPoint3d(21, 21, 0));
    EXPECT_EQ(finder.GetCount(), 0);
}

TEST_F(ViewExtentsTest, TheOrbitCentreFollowsGeometryNearTheRayElseTheTarget)
{
    {
        // Nothing anywhere: the camera's target.
        CViewCenterFinder finder(&view);
        const int pixel[2] = {10, 10};
        ExpectPoint(finder.GetOrbitCenter(pixel), CPoint3d(0, 0, 0));
    }
    SetCamera(CPoint3d(0, 0, 10), CPoint3d(0, 0, -30), CVector3d(0, 1, 0), false);
    AddBox(CPoint3d(-1, -1, 2), CPoint3d(1, 1, 2));
    // The clipping range as a frame fits it to the model.
    view.UpdateDepthRange();
    CViewCenterFinder finder(&view);
    const int centre[2] = {50, 50};
    // At the depth of the square, not at the target.
    EXPECT_NEAR(finder.GetOrbitCenter(centre).z, 2.0, 1e-9);
    EXPECT_EQ(view.GetGeometryFilter(), nullptr);
}

// ----------------------------------------------------------------------------------------------
// The depth buffer read back.

class ViewAnalyzerTest : public ViewExtentsTest {
protected:
    // Sets the depth of a GL rectangle (origin at the bottom left).
    void FillDepth(int x, int y, int width, int height, double depth)
    {
        glEnable(GL_SCISSOR_TEST);
        glScissor(x, y, width, height);
        glClearDepth(depth);
        glClear(GL_DEPTH_BUFFER_BIT);
        glDisable(GL_SCISSOR_TEST);
        glClearDepth(1.0);
    }
};

TEST_F(ViewAnalyzerTest, ARectangleCountsThePixelsNearerThanTheBackground)
{
    glClear(GL_DEPTH_BUFFER_BIT);
    // Window rows 10..29 are GL rows 70..89.
    FillDepth(10, 70, 30, 20, 0.25);
    // Too close to the background to count.
    FillDepth(60, 0, 10, 10, 0.999995);
    CViewAnalyzer analyzer(&view);
    const int a[2] = {0, 0}, b[2] = {kExtentsViewSize, kExtentsViewSize};
    analyzer.AnalyzeRect(a, b);
    EXPECT_EQ(analyzer.GetCoveredCount(), 30 * 20);
    EXPECT_NEAR(analyzer.GetAverageDepth(), 0.25, 1e-6);

    // Corners in any order.
    const int c[2] = {40, 29}, d[2] = {25, 10};
    analyzer.AnalyzeRect(c, d);
    EXPECT_EQ(analyzer.GetCoveredCount(), 15 * 19);
}

TEST_F(ViewAnalyzerTest, AroundAPixelTheSquareGrowsUntilItFindsGeometry)
{
    glClear(GL_DEPTH_BUFFER_BIT);
    CViewAnalyzer analyzer(&view);
    const int pixel[2] = {90, 90};
    analyzer.AnalyzeAtPixel(pixel);
    EXPECT_EQ(analyzer.GetCoveredCount(), 0);
    EXPECT_DOUBLE_EQ(analyzer.GetAverageDepth(), 0.5);

    // Far from the pixel's first square, found once the square grows.
    FillDepth(0, 95, 5, 5, 0.5);
    analyzer.AnalyzeAtPixel(pixel);
    EXPECT_EQ(analyzer.GetCoveredCount(), 25);
    EXPECT_NEAR(analyzer.GetAverageDepth(), 0.5, 1e-6);
}
