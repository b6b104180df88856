#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <numbers>
#include <sstream>

#include "database/UndoManager.h"
#include "settings/Camera.h"
#include "settings/ViewDefinition.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TopViewSetup.h"
#include "tests/view/ViewTestSupport.h"
#include "tools/CameraDollyTool.h"
#include "tools/CameraOrbitTool.h"
#include "tools/CameraZoomTool.h"
#include "tools/StatusBarHook.h"
#include "tools/ToolManager.h"
#include "view/ViewProfile.h"

using orbisk::geometry::CPoint3d;
using orbisk::geometry::CVector3d;

namespace {

constexpr int kCameraViewSize = 64;
constexpr int kLeft = CTool::kLeftButton;

double AngleBetween(const CVector3d& a, const CVector3d& b)
{
    return std::acos(std::clamp(a.Dot(b) / (a.Length() * b.Length()), -1.0, 1.0)) * 180 / std::numbers::pi;
}

// The measurements box of a status bar, as the tools leave it.
class RecordingStatusBar : public StatusBar::UI {
public:
    RecordingStatusBar() : m_previous(StatusBar::SetHook(this)) {}
    ~RecordingStatusBar() override { StatusBar::SetHook(m_previous); }
    bool IsValueBoxVisible() override { return shown; }
    void ShowValueBox(bool show) override { shown = show; }
    void SetValueLabel(const CString& text) override { label = text; }
    void SetValueText(const CString& text, bool) override { value = text; }
    void SetPromptText(const CString& text) override { prompt = text; }

    bool shown = false;
    CString label, value, prompt;

private:
    StatusBar::UI* m_previous;
};

// A real model view over an empty model in an offscreen context, kCameraViewSize pixels square; the
// camera looks level along +y at the origin from 20 units away.
class CameraToolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SetUpTopView(view, kCameraViewSize));
        SetCamera({0, -20, 0}, {0, 0, 0}, {0, 0, 1}, true);
    }

    void SetCamera(const CPoint3d& eye, const CPoint3d& target, const CVector3d& up, bool perspective)
    {
        CCamera camera;
        camera.SetEyeTargetUp(eye, target, up);
        camera.SetPerspective(perspective);
        camera.SetFieldOfView(35);
        camera.SetParallelHeight(10);
        view.SetCamera(camera, 0.0);
    }

    const CCamera& Camera() { return view.GetViewDefinition()->GetCamera(); }

    // A left-button drag through the manager, in one move.
    void Drag(int x0, int y0, int x1, int y1, int flags = 0)
    {
        manager.OnLButtonDown(kLeft | flags, x0, y0, &view);
        manager.OnMouseMove(kLeft | flags, x1, y1, &view);
        manager.OnLButtonUp(flags, x1, y1, &view);
    }

    // The tools' preferences go to a scratch profile.
    TempFolder config;
    ScopedEnvironment configHome{"XDG_CONFIG_HOME", config.Path().c_str()};
    ManualClock clock;
    CZphView view{clock, clock};
    RecordingStatusBar statusBar;
    CToolManager manager;
};

}  // namespace

TEST_F(CameraToolTest, OrbitDragOverTheViewportHeightTurnsAQuarterTurn)
{
    struct Case {
        int dx, dy;
        double degrees;
    } cases[] = {
        {kCameraViewSize, 0, 90.0},  // across, about the vertical
        {-kCameraViewSize / 2, 0, 45.0},
        {0, -kCameraViewSize / 2, 45.0},  // upward, about the camera's right axis
    };
    for (const Case& c : cases) {
        SetCamera({0, -20, 0}, {0, 0, 0}, {0, 0, 1}, true);
        manager.SetTool(new CCameraOrbitTool(), CCameraOrbitTool::kToolId, true);
        const CVector3d before = Camera().GetEye() - CPoint3d();
        Drag(0, kCameraViewSize - 1, c.dx, kCameraViewSize - 1 + c.dy);
        const CVector3d after = Camera().GetEye() - CPoint3d();
        EXPECT_NEAR(AngleBetween(before, after), c.degrees, 1e-6) << c.dx << "," << c.dy;
        EXPECT_NEAR(after.Length(), 20.0, 1e-9);
        // The camera stays level: its right axis stays horizontal.
        EXPECT_NEAR(view.GetViewDefinition()->GetRight().z, 0.0, 1e-9);
    }
}

TEST_F(CameraToolTest, OrbitEdgeCases)
{
    // From straight above, a horizontal drag has nothing to turn about.
    SetCamera({0, 0, 20}, {0, 0, 0}, {0, 1, 0}, true);
    manager.SetTool(new CCameraOrbitTool(), CCameraOrbitTool::kToolId, true);
    const CCamera before = Camera();
    Drag(10, 10, 40, 10);
    EXPECT_TRUE(Camera() == before);

    // Shift pressed mid-drag pans from the next move on, anchored at the pointer.
    auto* tool = static_cast<CCameraTool*>(manager.GetActiveTool());
    manager.OnLButtonDown(kLeft, 10, 10, &view);
    manager.OnMouseMove(kLeft, 10, 20, &view);
    EXPECT_EQ(tool->GetCurrentOperation(), CCameraTool::kOrbit);
    EXPECT_EQ(tool->GetCursorId(), 419);
    manager.OnMouseMove(kLeft | CTool::kShiftKey, 20, 20, &view);
    EXPECT_EQ(tool->GetCurrentOperation(), CCameraTool::kPan);
    EXPECT_EQ(tool->GetCursorId(), 1003);
    manager.OnLButtonUp(0, 20, 20, &view);
    EXPECT_FALSE(tool->IsDragging());
}

TEST_F(CameraToolTest, PanKeepsThePointUnderTheCursor)
{
    for (bool perspective : {true, false}) {
        SetCamera({0, -20, 0}, {0, 0, 0}, {0, 0, 1}, perspective);
        manager.SetTool(new CCameraDollyTool(), CCameraDollyTool::kToolId, true);
        auto* tool = static_cast<CCameraTool*>(manager.GetActiveTool());
        Drag(20, 30, 45, 12);
        // The point grabbed (on an empty model: the model's centre on the pointer's ray) follows
        // the pointer; the camera keeps its distance.
        CPoint3d window;
        ASSERT_TRUE(view.ModelToScreen(tool->GetPivot(), window));
        EXPECT_NEAR(window.x, 45, 1e-6) << perspective;
        EXPECT_NEAR(window.y, 12, 1e-6) << perspective;
        EXPECT_NEAR(Camera().GetEye().y, -20, 1e-9);
    }

    // A double-click brings the point under it to the window centre.
    auto* tool = static_cast<CCameraTool*>(manager.GetActiveTool());
    manager.OnLButtonDblClk(kLeft, 10, 50, &view);
    CPoint3d window;
    ASSERT_TRUE(view.ModelToScreen(tool->GetPivot(), window));
    const CViewDefinition::Pixel centre = view.GetViewDefinition()->GetViewportCenter();
    EXPECT_NEAR(window.x, centre.x, 1e-6);
    EXPECT_NEAR(window.y, centre.y, 1e-6);
}

TEST_F(CameraToolTest, ZoomByDragAndByWheel)
{
    // The depth along the view direction of the model point under a pixel.
    auto depthAt = [&](int x, int y) {
        const int pixel[2] = {x, y};
        CPoint3d point;
        view.GetPickPoint(point, pixel);
        return (point - Camera().GetEye()).Dot(CVector3d(Camera().GetDirection()));
    };
    manager.SetTool(new CCameraZoomTool(), CCameraZoomTool::kToolId, true);
    struct Case {
        int y0, y1;  // a vertical drag at x = 32; a quarter of the height is a factor of 0.5
        double factor;
    } drags[] = {{32, 16, -0.5}, {32, 48, 0.5}};
    for (const Case& c : drags) {
        const double expected = Camera().GetEye().y - c.factor * depthAt(32, c.y1);
        Drag(32, c.y0, 32, c.y1);
        EXPECT_NEAR(Camera().GetEye().y, expected, 1e-9) << c.factor;
    }

    // One wheel step away from the user zooms in by a tenth of the depth under the pointer.
    const int centre[2] = {32, 32};
    const double expected = Camera().GetEye().y + 0.1 * depthAt(32, 32);
    view.MouseWheelZoom(0, 1.0f, centre);
    EXPECT_NEAR(Camera().GetEye().y, expected, 1e-6);

    // Parallel projection: the view height grows with a downward drag.
    SetCamera({0, -20, 0}, {0, 0, 0}, {0, 0, 1}, false);
    Drag(32, 32, 32, 48);
    EXPECT_NEAR(view.GetViewDefinition()->GetViewHeight(), 15, 1e-9);
    // With Shift the zoom tool changes the field of view (in parallel: the height).
    Drag(32, 32, 32, 16, CTool::kShiftKey);
    EXPECT_NEAR(view.GetViewDefinition()->GetViewHeight(), 7.5, 1e-9);
}

TEST_F(CameraToolTest, FieldOfViewDragKeepsTheViewAtThePivot)
{
    manager.SetTool(new CCameraFOVTool(), CCameraFOVTool::kToolId, true);
    const CViewDefinition& definition = *view.GetViewDefinition();
    const double heightBefore = definition.GetViewHeightAtDistance(20);
    Drag(32, 32, 32, 48);
    EXPECT_NEAR(Camera().GetStoredFieldOfView(), 35 * 1.5, 1e-9);
    const double distance = Camera().GetEye().DistanceTo(CPoint3d());
    EXPECT_LT(distance, 20);
    EXPECT_NEAR(definition.GetViewHeightAtDistance(distance), heightBefore, 1e-9);
    // The measurements box shows the angle.
    EXPECT_TRUE(statusBar.shown);
    EXPECT_EQ(statusBar.label, CString(L"Field of View"));
    EXPECT_EQ(statusBar.value, CString(L"52.50 deg."));
}

TEST_F(CameraToolTest, FieldOfViewTakesTypedValues)
{
    manager.SetTool(new CCameraFOVTool(), CCameraFOVTool::kToolId, true);
    auto* tool = static_cast<CCameraFOVTool*>(manager.GetActiveTool());
    struct Case {
        const wchar_t* typed;
        double degrees;  // < 0: as the focal length
        int mode;
    } cases[] = {
        {L"50mm", -50, CCameraZoomTool::kMillimetres},
        {L"30", -30, CCameraZoomTool::kMillimetres},  // read in the mode shown
        {L"60deg", 60, CCameraZoomTool::kDegrees},
        {L"500", 120, CCameraZoomTool::kDegrees},    // clamped
        {L"wide", 120, CCameraZoomTool::kDegrees},   // ignored
        {L"-20mm", 120, CCameraZoomTool::kDegrees},  // no lens has that length: ignored
    };
    for (const Case& c : cases) {
        manager.OnUserText(c.typed, &view);
        const double expected = c.degrees < 0 ? Camera().FocalLengthToFov(-c.degrees) : c.degrees;
        EXPECT_NEAR(Camera().GetStoredFieldOfView(), expected, 1e-9) << static_cast<const wchar_t*>(c.typed);
        EXPECT_EQ(tool->GetDisplayMode(), c.mode);
    }
    // A parallel camera has no field of view to change.
    SetCamera({0, -20, 0}, {0, 0, 0}, {0, 0, 1}, false);
    const CCamera before = Camera();
    manager.OnUserText(L"40", &view);
    EXPECT_TRUE(Camera() == before);
}

TEST_F(CameraToolTest, MiddleButtonOrbitsWithATemporaryTool)
{
    manager.SetTool(new CCameraZoomTool(), CCameraZoomTool::kToolId, true);
    CTool* zoom = manager.GetActiveTool();
    const CPoint3d eye = Camera().GetEye();

    OnMiddleButtonDown(&manager, CTool::kMiddleButton, 0, 32, &view);
    EXPECT_EQ(manager.GetStackSize(), 2);
    EXPECT_TRUE(CToolManager::IsToolActive(&manager, CCameraOrbitTool::kToolId));
    manager.OnMouseMove(CTool::kMiddleButton, 32, 32, &view);
    OnMiddleButtonUp(&manager, 0, 32, 32, &view);

    EXPECT_EQ(manager.GetStackSize(), 1);
    EXPECT_EQ(manager.GetActiveTool(), zoom);
    EXPECT_NEAR(AngleBetween(eye - CPoint3d(), Camera().GetEye() - CPoint3d()), 45.0, 1e-6);
}

TEST_F(CameraToolTest, SelectingPanOverOrbitReplacesIt)
{
    SetCurrentToolManager(&manager);
    SelectOrbitTool();
    SelectPanTool();
    EXPECT_EQ(manager.GetStackSize(), 1);
    EXPECT_TRUE(CToolManager::IsToolActive(&manager, CCameraDollyTool::kToolId));
    EXPECT_EQ(manager.GetRetiredCount(), 1);
    SetCurrentToolManager(nullptr);
}

TEST_F(CameraToolTest, ActivationIsLoggedUnderTheToolsName)
{
    CUndoManager* undo = view.GetModel()->GetUndoManager();
    ASSERT_NE(undo, nullptr);
    if (!undo->GetLog().IsOpen())
        GTEST_SKIP() << "no undo log could be opened";
    CUndoManager* previous = GetCurrentUndoManager();
    SetCurrentUndoManager(undo);
    manager.SetTool(new CCameraOrbitTool(), CCameraOrbitTool::kToolId, true);
    SetCurrentUndoManager(previous);
    std::ifstream file(std::string(undo->GetLog().GetPath().begin(), undo->GetLog().GetPath().end()));
    std::stringstream text;
    text << file.rdbuf();
    EXPECT_NE(text.str().find("Tool(CameraOrbitTool)\n"), std::string::npos);
}

TEST_F(CameraToolTest, PreferencesSwapOrbitAndPanAndKeepTheDisplayMode)
{
    ASSERT_TRUE(WriteViewProfileInt(L"Preferences", L"SwapOrbitAndDolly", 1));
    manager.SetTool(new CCameraOrbitTool(), CCameraOrbitTool::kToolId, true);
    auto* orbit = static_cast<CCameraTool*>(manager.GetActiveTool());
    struct Case {
        int flags;
        int operation;
    } cases[] = {{0, CCameraTool::kPan}, {CTool::kShiftKey, CCameraTool::kOrbit}};
    for (const Case& c : cases) {
        manager.OnLButtonDown(kLeft | c.flags, 10, 10, &view);
        EXPECT_EQ(orbit->GetCurrentOperation(), c.operation) << c.flags;
        manager.OnLButtonUp(c.flags, 10, 10, &view);
    }

    // The zoom tools remember how the angle was shown.
    manager.SetTool(new CCameraFOVTool(), CCameraFOVTool::kToolId, true);
    manager.OnUserText(L"50mm", &view);
    EXPECT_EQ(statusBar.label, CString(L"Focal Length"));
    EXPECT_EQ(statusBar.value, CString(L"50 mm"));
    manager.ClearTools(false, &view);
    manager.DeleteRetiredTools();
    EXPECT_EQ(CCameraZoomTool().GetDisplayMode(), CCameraZoomTool::kMillimetres);
}
