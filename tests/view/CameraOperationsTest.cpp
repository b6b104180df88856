// The model view's camera operations on a real offscreen view: zooming at a pixel and by the
// wheel, field of view, zoom window, zoom extents of the model and of the selection,
// perspective and parallel projection, the standard and iso views, two-point perspective,
// zooming to the background photo, baking the 2D pan and zoom, centring.

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "components/Component.h"
#include "components/ComponentDefinition.h"
#include "components/ComponentInstance.h"
#include "database/DefinitionList.h"
#include "model/ZephyronModel.h"
#include "settings/BackgroundImage.h"
#include "settings/Camera.h"
#include "settings/RenderingOptions.h"
#include "support/NotificationCenter.h"
#include "support/Observer.h"
#include "tests/support/TopViewSetup.h"
#include "tests/view/ViewTestSupport.h"
#include "topology/Edge.h"
#include "topology/Face.h"
#include "topology/Vertex.h"
#include "view/ZphView.h"
#include "view/ZphViewDelegate.h"

using orbisk::geometry::CPlane3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CUnitVector3d;
using orbisk::geometry::CVector3d;

namespace {

constexpr int kCameraViewSize = 100;
const int kCentre[2] = {50, 50};
constexpr double kPi = 3.14159265358979323846;

// A model view that has no tools counts when it would bring up the pan tool.
class PanToolCountingView : public CZphView {
public:
    using CZphView::CZphView;
    void BringUpPanTool() override { ++panToolCalls; }
    int panToolCalls = 0;
};

struct RenderingOptionsListener : orbisk::utils::IObserver {
    void OnNotification(const char*, void*) override { ++count; }
    int count = 0;
};

void ExpectPoint(const CPoint3d& actual, const CPoint3d& expected, double tolerance = 1e-6)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

void ExpectVector(const CVector3d& actual, const CVector3d& expected, double tolerance = 1e-9)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

class CameraOperationsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SetUpTopView(view, kCameraViewSize));
        model = view.GetModel();
        view.GetRenderingOptions()->SetAxesShown(false);
    }

    // A square facing up with its edges, in the component (the model's root by default).
    CFace* AddSquare(const CPoint3d& centre, double half, CComponent* component = nullptr)
    {
        if (!component)
            component = model->GetRoot();
        const std::vector<CPoint3d> outline = {{centre.x - half, centre.y - half, centre.z},
                                               {centre.x + half, centre.y - half, centre.z},
                                               {centre.x + half, centre.y + half, centre.z},
                                               {centre.x - half, centre.y + half, centre.z}};
        std::vector<CEdge*> edges;
        CVertex* first = new CVertex(outline.front());
        CVertex* start = first;
        for (size_t i = 1; i <= outline.size(); ++i) {
            CVertex* end = i < outline.size() ? new CVertex(outline[i]) : first;
            edges.push_back(new CEdge(start, end, false));
            start = end;
        }
        auto* face = new CFace(4, edges.data(), CPlane3d(outline[0], outline[1], outline[2]));
        for (CEdge* edge : edges)
            component->AddEntity(edge);
        component->AddEntity(face);
        return face;
    }

    void SetCamera(const CPoint3d& eye, const CPoint3d& target, const CVector3d& up, bool perspective,
                   double parallelHeight = 10.0)
    {
        CCamera camera(Camera());
        camera.SetEyeTargetUp(eye, target, up);
        camera.SetPerspective(perspective);
        camera.SetFieldOfView(30.0);
        camera.SetParallelHeight(parallelHeight);
        view.SetCamera(camera, 0.0);
        view.UpdateDepthRange();
    }

    CPoint3d Screen(const CPoint3d& point)
    {
        CPoint3d window;
        EXPECT_TRUE(view.GetViewDefinition()->ModelToScreen(point, window));
        return window;
    }
    void ExpectUnderPixel(const CPoint3d& point, double x, double y)
    {
        const CPoint3d window = Screen(point);
        EXPECT_NEAR(window.x, x, 1e-6);
        EXPECT_NEAR(window.y, y, 1e-6);
    }

    const CCamera& Camera() { return view.GetViewDefinition()->GetCamera(); }
    int HistoryCount() { return view.GetDelegate().GetHistory().GetCount(); }

    ManualClock clock;
    PanToolCountingView view{clock, clock};
    CZephyronModel* model = nullptr;
};

}  // namespace

TEST_F(CameraOperationsTest, ZoomAtMovesByTheDepthUnderThePixelOrScalesTheParallelView)
{
    AddSquare(CPoint3d(0, 0, 0), 3);
    SetCamera(CPoint3d(0, 0, 20), CPoint3d(0, 0, 0), CVector3d(0, 1, 0), true);
    EXPECT_TRUE(view.ZoomAt(kCentre, -0.25));
    // The face lies 20 units away: a quarter of that closer.
    ExpectPoint(Camera().GetEye(), CPoint3d(0, 0, 15));

    SetCamera(CPoint3d(0, 0, 20), CPoint3d(0, 0, 0), CVector3d(0, 1, 0), false, 10.0);
    EXPECT_TRUE(view.ZoomAt(kCentre, 0.5));
    EXPECT_NEAR(Camera().GetParallelHeight(), 15.0, 1e-9);
}

TEST_F(CameraOperationsTest, ZoomAboutAPixelKeepsThePointUnderThePixel)
{
    AddSquare(CPoint3d(0, 0, 0), 5);
    for (const bool perspective : {true, false}) {
        SCOPED_TRACE(perspective ? "perspective" : "parallel");
        SetCamera(CPoint3d(0, 0, 20), CPoint3d(0, 0, 0), CVector3d(0, 1, 0), perspective);
        const int pixel[2] = {30, 70};
        const CPoint3d point = view.GetViewDefinition()->PickPointOnPlaneThrough(30, 70, CPoint3d(0, 0, 0));
        view.ZoomAboutPixel(pixel, -0.5);
        ExpectUnderPixel(point, 30, 70);
        EXPECT_LT(Camera().GetEye().z, 20 + 1e-9);
    }
}

TEST_F(CameraOperationsTest, TheWheelZoomsAboutThePointerAndRecordsOneCameraChange)
{
    AddSquare(CPoint3d(0, 0, 0), 5);
    struct Case {
        bool preference;
        double eyeHeight;
    };
    // Rolled forward the wheel moves a tenth of the way in, unless the preference turns it round.
    const Case cases[] = {{false, 18.0}, {true, 22.0}};
    for (const Case& c : cases) {
        SetWheelDirectionPreference(c.preference);
        SetCamera(CPoint3d(0, 0, 20), CPoint3d(0, 0, 0), CVector3d(0, 1, 0), true);
        const int before = HistoryCount();
        view.MouseWheelZoom(0, 1.0f, kCentre);
        ExpectPoint(Camera().GetEye(), CPoint3d(0, 0, c.eyeHeight));
        EXPECT_EQ(HistoryCount(), before + 1);
        EXPECT_TRUE(model->GetCamera() == Camera());
        // The next wheel step is a separate change.
        clock.Advance(10);
    }
    SetWheelDirectionPreference(false);
}

TEST_F(CameraOperationsTest, FieldOfViewChangesWithinOneTo120Degrees)
{
    struct Case {
        double fov;
        double factor;
        bool changed;
        double result;
    };
    const Case cases[] = {
        {30, 0.0, false, 30}, {30, 1.0, true, 60},    {100, 0.5, true, 120},
        {2, -0.9, true, 1},   {120, 0.5, false, 120},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.fov << " x " << c.factor);
        SetCamera(CPoint3d(0, 0, 20), CPoint3d(0, 0, 0), CVector3d(0, 1, 0), true);
        view.GetViewDefinition()->SetFieldOfView(c.fov);
        EXPECT_EQ(view.ChangeFieldOfView(c.factor), c.changed);
        EXPECT_NEAR(Camera().GetStoredFieldOfView(), c.result, 1e-9);
    }
    // In parallel projection the view height changes instead.
    SetCamera(CPoint3d(0, 0, 20), CPoint3d(0, 0, 0), CVector3d(0, 1, 0), false, 10.0);
    EXPECT_TRUE(view.ChangeFieldOfView(0.5));
    EXPECT_NEAR(Camera().GetParallelHeight(), 15.0, 1e-9);
}

TEST_F(CameraOperationsTest, ZoomWindowBringsTheRectangleToFillTheView)
{
    for (const bool perspective : {true, false}) {
        SCOPED_TRACE(perspective ? "perspective" : "parallel");
        SetCamera(CPoint3d(0, 0, 20), CPoint3d(0, 0, 0), CVector3d(0, 1, 0), perspective);
        const CViewDefinition& definition = *view.GetViewDefinition();
        // With nothing drawn, the target, carried onto the ray through the rectangle's centre.
        const CPoint3d focus = definition.GetPickRay(25, 35).ProjectPoint(CPoint3d());
        const CPoint3d topLeft = definition.PickPointOnPlaneThrough(10, 20, focus);
        const CPoint3d bottomRight = definition.PickPointOnPlaneThrough(40, 50, focus);
        const int a[2] = {10, 20}, b[2] = {40, 50};
        view.ZoomWindow(a, b);
        // What the rectangle showed at the focus's depth now fills the view.
        ExpectUnderPixel(topLeft, 0, 0);
        ExpectUnderPixel(bottomRight, kCameraViewSize, kCameraViewSize);
        EXPECT_TRUE(model->GetCamera() == Camera());
    }
}

TEST_F(CameraOperationsTest, InPerspectiveZoomWindowFocusesAtTheDepthDrawnInTheRectangle)
{
    AddSquare(CPoint3d(0, 0, 5), 10);
    SetCamera(CPoint3d(0, 0, 20), CPoint3d(0, 0, 0), CVector3d(0, 1, 0), true);
    const CViewDefinition& definition = *view.GetViewDefinition();
    // What a frame drew of the square, 15 units away, under the whole rectangle.
    CPoint3d focus;
    ASSERT_TRUE(
        CPlane3d(CPoint3d(0, 0, 5), CUnitVector3d::ZAxis()).Intersect(definition.GetPickRay(25, 35), focus));
    const CPoint3d window = Screen(focus);
    glEnable(GL_SCISSOR_TEST);
    glScissor(10, kCameraViewSize - 50, 30, 30);
    glClearDepth(window.z);
    glClear(GL_DEPTH_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    glClearDepth(1.0);

    const CPoint3d topLeft = definition.PickPointOnPlaneThrough(10, 20, focus);
    const int a[2] = {10, 20}, b[2] = {40, 50};
    view.ZoomWindow(a, b);
    // The depth buffer keeps single precision.
    const CPoint3d after = Screen(topLeft);
    EXPECT_NEAR(after.x, 0, 0.05);
    EXPECT_NEAR(after.y, 0, 0.05);
}

TEST_F(CameraOperationsTest, AZoomWindowWithoutWidthOrHeightChangesNothing)
{
    SetCamera(CPoint3d(1, 2, 20), CPoint3d(1, 2, 0), CVector3d(0, 1, 0), true);
    const CCamera before(Camera());
    const int corners[][2][2] = {{{30, 30}, {30, 30}}, {{10, 40}, {60, 40}}, {{10, 10}, {10, 60}}};
    for (const auto& c : corners) {
        view.ZoomWindow(c[0], c[1]);
        EXPECT_TRUE(Camera() == before);
    }
}

TEST_F(CameraOperationsTest, ZoomExtentsFitsTheModelAndRecordsTheChange)
{
    AddSquare(CPoint3d(30, 40, 0), 2);
    SetCamera(CPoint3d(0, 0, 10), CPoint3d(0, 0, 0), CVector3d(0, 1, 0), false);
    const int before = HistoryCount();
    view.ZoomExtents(nullptr);
    ExpectPoint(Camera().GetTarget(), CPoint3d(30, 40, 0));
    EXPECT_NEAR(Camera().GetParallelHeight(), 4 / 0.95, 1e-9);
    EXPECT_EQ(view.GetDrawPurpose(), 0);
    EXPECT_EQ(HistoryCount(), before + 1);
    EXPECT_TRUE(model->GetCamera() == Camera());
}

TEST_F(CameraOperationsTest, ZoomExtentsInThe2DPanAndZoomFitsThePicture)
{
    AddSquare(CPoint3d(3, -1, 0), 1);
    SetCamera(CPoint3d(0, 0, 10), CPoint3d(0, 0, 0), CVector3d(0, 1, 0), false);
    view.GetViewDefinition()->Set2DPanZoom(true, 1.0, 0.0, 0.0);
    view.ZoomExtents(nullptr);
    // The camera stays; the picture is scaled and moved so that the square fills it, with a
    // margin of 5 %.
    ExpectPoint(Camera().GetEye(), CPoint3d(0, 0, 10));
    EXPECT_TRUE(Camera().Is2DPanZoomEnabled());
    EXPECT_NEAR(Camera().Get2DScale(), 0.2 * 1.05, 1e-9);
    ExpectUnderPixel(CPoint3d(3, -1, 0), 50, 50);
    const double margin = kCameraViewSize * (1 - 1 / 1.05) / 2;
    ExpectUnderPixel(CPoint3d(2, 0, 0), margin, margin);
}

TEST_F(CameraOperationsTest, ZoomToSelectionFitsTheSelectionEvenWhereComponentEditingHidesIt)
{
    CFace* selected = AddSquare(CPoint3d(30, 40, 0), 2);
    // A component is open for editing, and what lies outside it is hidden.
    auto* definition = new CComponentDefinition;
    model->GetRoot()->GetDefinitionList()->Add(definition);
    AddSquare(CPoint3d(0, 0, 0), 3, definition);
    auto* instance = new CComponentInstance;
    definition->AddInstance(instance);
    model->GetRoot()->AddEntity(instance);
    model->GetActivePath().PushBack(instance);
    CRenderingOptions& options = *view.GetRenderingOptions();
    options.SetHideInactive(true);
    SetCamera(CPoint3d(0, 0, 10), CPoint3d(0, 0, 0), CVector3d(0, 1, 0), false);

    // With nothing selected the camera stays.
    const CCamera before(Camera());
    int history = HistoryCount();
    view.ZoomToSelection();
    EXPECT_TRUE(Camera() == before);
    EXPECT_EQ(HistoryCount(), history);

    model->GetSelection().Insert(selected);
    RenderingOptionsListener listener;
    auto& centre = orbisk::utils::CNotificationCenter::GetInstance();
    centre.AddObserver(kRenderingOptionsChangeNotification, &listener);
    view.ZoomToSelection();
    centre.RemoveObserver(kRenderingOptionsChangeNotification, &listener);
    ExpectPoint(Camera().GetTarget(), CPoint3d(30, 40, 0));
    EXPECT_NEAR(Camera().GetParallelHeight(), 4 / 0.95, 1e-9);
    EXPECT_EQ(HistoryCount(), history + 1);
    EXPECT_TRUE(options.GetHideInactive());
    EXPECT_EQ(listener.count, 0) << "the settings did not change for the user";
    model->GetSelection().Clear(false);
    model->CloseAllInstances();
}

TEST_F(CameraOperationsTest, LeavingPerspectiveKeepsThePictureSizeAtTheGeometryInView)
{
    AddSquare(CPoint3d(0, 0, 0), 3);
    // The target lies far beyond the square.
    SetCamera(CPoint3d(0, 0, 20), CPoint3d(0, 0, -100), CVector3d(0, 1, 0), true);
    const int before = HistoryCount();
    view.SetPerspective(false);
    EXPECT_FALSE(Camera().IsPerspective());
    EXPECT_NEAR(Camera().GetParallelHeight(), 2 * std::tan(15 * kPi / 180) * 20, 1e-6);
    EXPECT_EQ(HistoryCount(), before + 1);

    // Already parallel: nothing happens.
    view.SetPerspective(false);
    EXPECT_EQ(HistoryCount(), before + 1);
    view.ToggleProjection(true);
    EXPECT_TRUE(Camera().IsPerspective());
    EXPECT_TRUE(model->GetCamera() == Camera());
}

TEST_F(CameraOperationsTest, StandardViewsLookAtTheViewCentreFromTheirDirection)
{
    AddSquare(CPoint3d(0, 0, 0), 3);
    struct Case {
        std::string name;
        void (CZphView::*show)();
        CVector3d direction;
        CVector3d up;
    };
    const Case cases[] = {
        {"top", &CZphView::ViewTop, {0, 0, -1}, {0, 1, 0}},
        {"bottom", &CZphView::ViewBottom, {0, 0, 1}, {0, 1, 0}},
        {"front", &CZphView::ViewFront, {0, 1, 0}, {0, 0, 1}},
        {"back", &CZphView::ViewBack, {0, -1, 0}, {0, 0, 1}},
        {"left", &CZphView::ViewLeft, {1, 0, 0}, {0, 0, 1}},
        {"right", &CZphView::ViewRight, {-1, 0, 0}, {0, 0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetCamera(CPoint3d(6, -8, 20), CPoint3d(0, 0, 0), CVector3d(0, 0, 1), true);
        const double distance = Camera().GetEye().DistanceTo(CPoint3d());
        (view.*c.show)();
        ExpectVector(CVector3d(Camera().GetDirection()), c.direction);
        ExpectVector(CVector3d(Camera().GetUp()), c.up);
        ExpectPoint(Camera().GetTarget(), CPoint3d(0, 0, 0));
        EXPECT_NEAR(Camera().GetEye().DistanceTo(CPoint3d()), distance, 1e-6);
        EXPECT_TRUE(model->GetCamera() == Camera());
    }
}

TEST_F(CameraOperationsTest, AStandardViewAlreadyShownChangesNothing)
{
    SetCamera(CPoint3d(0, 0, 20), CPoint3d(0, 0, 0), CVector3d(0, 1, 0), true);
    view.ViewTop();
    const int before = HistoryCount();
    const CCamera shown(Camera());
    EXPECT_TRUE(view.ShowStandardView(CVector3d(0, 0, -1), CVector3d(0, 1, 0)));
    view.ViewTop();
    EXPECT_EQ(HistoryCount(), before);
    EXPECT_TRUE(Camera() == shown);
}

TEST_F(CameraOperationsTest, IsoTakesTheNearestDiagonalFlatterInPerspective)
{
    struct Case {
        bool perspective;
        CVector3d from;
        CVector3d direction;
    };
    const Case cases[] = {
        {true, {0.6, -0.6, -0.5}, CVector3d(2, -2, -1) / 3},
        {false, {0.6, -0.6, -0.5}, CVector3d(1, -1, -1) / std::sqrt(3.0)},
        // Looking straight down every lower diagonal is as near: the first one tried wins.
        {false, {0, 0, -1}, CVector3d(-1, 1, -1) / std::sqrt(3.0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.perspective ? "perspective" : "parallel");
        SetCamera(CPoint3d(0, 0, 0) - 20 * c.from / c.from.Length(), CPoint3d(0, 0, 0), CVector3d(0, 0, 1),
                  c.perspective);
        view.ViewIso();
        ExpectVector(CVector3d(Camera().GetDirection()), c.direction);
        EXPECT_GT(Camera().GetUp().z, 0.0);
    }
}

TEST_F(CameraOperationsTest, TwoPointPerspectiveLevelsTheViewAndTheToggleLeavesIt)
{
    SetCamera(CPoint3d(0, -20, 10), CPoint3d(0, 0, 0), CVector3d(0, 0, 1), false);
    view.SetTwoPointPerspective();
    EXPECT_TRUE(view.IsTwoPointPerspective());
    ExpectVector(CVector3d(Camera().GetDirection()), CVector3d(0, 1, 0));
    EXPECT_TRUE(Camera().Is2DPanZoomIdentity());

    view.ToggleProjection(true);
    EXPECT_FALSE(view.IsTwoPointPerspective());
    EXPECT_TRUE(Camera().IsPerspective());
    EXPECT_FALSE(Camera().Is2DPanZoomEnabled());
    ExpectVector(CVector3d(Camera().GetDirection()), CVector3d(0, 1, 0));
    ExpectPoint(Camera().GetEye(), CPoint3d(0, -20, 10));
}

TEST_F(CameraOperationsTest, TheTwoPointToggleEntersWithThePanToolAndLeavesForPerspective)
{
    SetCamera(CPoint3d(0, -20, 10), CPoint3d(0, 0, 0), CVector3d(0, 0, 1), false);
    view.ToggleTwoPointPerspective();
    EXPECT_TRUE(view.IsTwoPointPerspective());
    EXPECT_EQ(view.panToolCalls, 1);
    EXPECT_TRUE(model->GetCamera() == Camera());

    view.ToggleTwoPointPerspective();
    EXPECT_FALSE(view.IsTwoPointPerspective());
    EXPECT_TRUE(Camera().IsPerspective());
    EXPECT_FALSE(Camera().Is2DPanZoomEnabled());
    EXPECT_TRUE(model->GetCamera() == Camera()) << "the model keeps the camera left in";
    EXPECT_EQ(view.panToolCalls, 1);

    // Looking straight down there is nothing to level: no change and no pan tool.
    SetCamera(CPoint3d(0, 0, 20), CPoint3d(0, 0, 0), CVector3d(0, 1, 0), false);
    const CCamera down(Camera());
    view.ToggleTwoPointPerspective();
    EXPECT_TRUE(Camera() == down);
    EXPECT_EQ(view.panToolCalls, 1);
}

TEST_F(CameraOperationsTest, ThePhotoViewIsChangedOnceThe2DPanAndZoomLeavesWhatZoomingToThePhotoSets)
{
    // A photo of aspect 1 widened by a quarter on each side: in a square view it fills the view
    // at scale 2/3, moved left by a third.
    const double matchedScale = 2.0 / 3, matchedX = -1.0 / 3;
    struct Case {
        const char* name;
        bool photo;
        bool panZoom;
        double scale, offsetX, offsetY;
        bool changedFromPhoto, changedFromFrame;
    };
    const Case cases[] = {
        {"no photo", false, true, 0.5, 0.2, 0.0, false, false},
        {"no 2D pan and zoom", true, false, 0.5, 0.2, 0.0, false, false},
        {"the whole frame", true, true, 1.0, 0.0, 0.0, true, false},
        {"zoomed to the photo", true, true, matchedScale, matchedX, 0.0, false, true},
        {"moved by less than 0.001", true, true, 1.0, 0.0009, 0.0, true, false},
        {"moved by 0.001", true, true, 1.0, 0.0, 0.001, true, true},
        {"zoomed", true, true, matchedScale + 0.01, matchedX, 0.0, true, true},
    };
    SetCamera(CPoint3d(0, -20, 10), CPoint3d(0, 0, 0), CVector3d(0, 0, 1), true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CBackgroundImage* photo = nullptr;
        if (c.photo) {
            photo = new CBackgroundImage();
            photo->SetOffset(CPoint3d(0.25, 0, 0));
        }
        model->SetBackgroundImage(photo);
        view.GetViewDefinition()->Set2DPanZoom(c.panZoom, c.scale, c.offsetX, c.offsetY);
        EXPECT_EQ(view.IsPhotoViewChanged(false), c.changedFromPhoto);
        EXPECT_EQ(view.IsPhotoViewChanged(true), c.changedFromFrame);
    }
    // Zooming to the photo, or to its frame, is what the question compares with.
    for (const bool reset : {false, true}) {
        view.GetViewDefinition()->Set2DPanZoom(true, 0.3, 0.1, 0.1);
        view.MatchPhotoCamera(reset);
        EXPECT_FALSE(view.IsPhotoViewChanged(reset));
        EXPECT_TRUE(view.IsPhotoViewChanged(!reset));
    }
    model->SetBackgroundImage(nullptr);
}

TEST_F(CameraOperationsTest, BakingThe2DPanAndZoomKeepsThePicture)
{
    SetCamera(CPoint3d(0, 0, 20), CPoint3d(0, 0, 0), CVector3d(0, 1, 0), true);
    const CCamera plain(Camera());
    EXPECT_FALSE(view.Bake2DPanZoom(-1, -1));
    EXPECT_TRUE(Camera() == plain);

    // Zoomed into the picture by two: the camera moves halfway to the plane in view.
    view.GetViewDefinition()->Set2DPanZoom(true, 0.5, 0.0, 0.0);
    const CPoint3d onPlane(1.5, -0.8, 0);
    const CPoint3d window = Screen(onPlane);
    EXPECT_TRUE(view.Bake2DPanZoom(-1, -1));
    EXPECT_FALSE(Camera().Is2DPanZoomEnabled());
    ExpectPoint(Camera().GetEye(), CPoint3d(0, 0, 10));
    ExpectUnderPixel(onPlane, window.x, window.y);

    // Panned too: what showed at the pixel stays there.
    SetCamera(CPoint3d(0, 0, 20), CPoint3d(0, 0, 0), CVector3d(0, 1, 0), true);
    view.GetViewDefinition()->Set2DPanZoom(true, 0.5, 0.4, -0.2);
    const int pixel[2] = {30, 60};
    const CPoint3d shown = view.GetViewDefinition()->PickPointOnPlaneThrough(30, 60, CPoint3d());
    EXPECT_TRUE(view.Bake2DPanZoom(pixel[0], pixel[1]));
    ExpectUnderPixel(shown, 30, 60);
}

TEST_F(CameraOperationsTest, BakingDropsTheMatchedPhotoAndAnnouncesThe3DModel)
{
    struct Listener : orbisk::utils::IObserver {
        void OnNotification(const char*, void* payload) override { payloads.push_back(payload); }
        std::vector<void*> payloads;
    } listener;
    auto& centre = orbisk::utils::CNotificationCenter::GetInstance();
    centre.AddObserver("Changed To 3D", &listener);
    model->SetBackgroundImage(new CBackgroundImage());
    view.GetViewDefinition()->Set2DPanZoom(true, 1.0, 0.0, 0.0);
    CCamera withAspect(Camera());
    withAspect.SetImageAspect(1.5);
    view.SetCamera(withAspect, 0.0);

    EXPECT_TRUE(view.Bake2DPanZoom(-1, -1));
    centre.RemoveObserver("Changed To 3D", &listener);
    EXPECT_EQ(model->GetBackgroundImage(), nullptr);
    EXPECT_EQ(Camera().GetImageAspect(), 0.0);
    EXPECT_TRUE(view.GetModelFlag());
    EXPECT_EQ(listener.payloads, std::vector<void*>{model});
}

TEST_F(CameraOperationsTest, CentringOnAPixelBringsWhatLiesThereToTheMiddle)
{
    AddSquare(CPoint3d(0, 0, 0), 5);
    for (const bool perspective : {true, false}) {
        SCOPED_TRACE(perspective ? "perspective" : "parallel");
        SetCamera(CPoint3d(0, 0, 20), CPoint3d(0, 0, 0), CVector3d(0, 1, 0), perspective);
        const CPoint3d point = view.GetViewDefinition()->PickPointOnPlaneThrough(20, 35, CPoint3d());
        const int pixel[2] = {20, 35};
        view.CenterOnPixel(pixel);
        ExpectUnderPixel(point, 50, 50);
        ExpectVector(CVector3d(Camera().GetDirection()), CVector3d(0, 0, -1));
    }
}
