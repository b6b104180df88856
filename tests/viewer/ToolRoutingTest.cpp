// The viewer's window hands its mouse, wheel and key messages to the document's tools: real
// toolkit events on the view's window of the running application, under its own display.

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <wx/event.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <numbers>

#include "platform/mfc/FrameWnd.h"
#include "platform/mfc/MessageBox.h"
#include "platform/wgl/GLCanvas.h"
#include "settings/Camera.h"
#include "settings/ViewDefinition.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WindowTest.h"
#include "tools/CameraOrbitTool.h"
#include "tools/CameraZoomTool.h"
#include "tools/CameraZoomWindowTool.h"
#include "tools/ToolManager.h"
#include "view/ViewCenterFinder.h"
#include "viewer/ViewerApp.h"
#include "viewer/ViewerDoc.h"
#include "viewer/ViewerView.h"

using orbisk::geometry::CPoint3d;
using orbisk::geometry::CVector3d;

namespace {

namespace fs = std::filesystem;

double DegreesBetween(const CVector3d& a, const CVector3d& b)
{
    return std::acos(std::clamp(a.Dot(b) / (a.Length() * b.Length()), -1.0, 1.0)) * 180 / std::numbers::pi;
}

// Records the flags of the events that reach it.
class FlagProbe : public CTool {
public:
    void OnLButtonDown(int flags, int, int, IZphView*) override { down = flags; }
    void OnLButtonUp(int flags, int, int, IZphView*) override { up = flags; }
    void OnMouseMove(int flags, int, int, IZphView*) override { move = flags; }
    int down = -1, up = -1, move = -1;
};

class ToolRoutingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_previousHook = SetMessageBoxHook([](const CString&, unsigned) { return IDOK; });
        const char* source = std::getenv("ZPH_SOURCE_DIR");
        const fs::path house = fs::path(source ? source : ".") / "examples" / "house.zph";
        m_app = std::make_unique<CViewerApp>();
        m_app->SetArguments({CString(house.wstring().c_str())});
        ASSERT_TRUE(m_app->InitInstance());
        ASSERT_TRUE(PumpEventsUntil([this] { return View() && View()->GetWindow()->IsShownOnScreen(); }));
        View()->GetViewportSize(width, height);
        ASSERT_GT(height, 0);
        // The toolkit sizes the window's native surface a little after showing it; until then
        // the GL buffers are a single pixel.
        PumpEventsUntil([] { return false; }, std::chrono::milliseconds(300));
    }

    void TearDown() override
    {
        if (CFrameWnd* frame = AfxGetMainWnd()) {
            frame->Close();
            PumpEventsUntil([] { return AfxGetMainWnd() == nullptr; });
        }
        if (m_app)
            m_app->ExitInstance();
        m_app.reset();
        SetMessageBoxHook(m_previousHook);
    }

    CViewerView* View() { return dynamic_cast<CViewerView*>(GetCurrentZphView()); }
    CToolManager& Tools() { return *View()->GetToolManager(); }
    const CCamera& Camera() { return View()->GetViewDefinition()->GetCamera(); }

    // A toolkit mouse event at a client point, with the buttons and keys given as held.
    void Mouse(wxEventType type, int x, int y, int held = 0, int wheel = 0)
    {
        wxMouseEvent event(type);
        event.SetPosition(wxPoint(x, y));
        event.SetLeftDown((held & CTool::kLeftButton) != 0);
        event.SetRightDown((held & CTool::kRightButton) != 0);
        event.SetMiddleDown((held & CTool::kMiddleButton) != 0);
        event.SetShiftDown((held & CTool::kShiftKey) != 0);
        event.SetControlDown((held & CTool::kControlKey) != 0);
        event.SetAltDown((held & CTool::kAltKey) != 0);
        event.m_wheelRotation = wheel;
        event.m_wheelDelta = 120;
        event.SetEventObject(View()->GetWindow());
        View()->GetWindow()->HandleWindowEvent(event);
    }

    // The pixel (client coordinates) of the frame the paint message would show, read back
    // before the swap.
    void DrawFrame()
    {
        View()->MakeCurrent();
        View()->DrawFrame(false, 0);
        glFinish();
        glReadBuffer(GL_BACK);
    }
    std::array<int, 3> Pixel(int x, int y)
    {
        unsigned char rgba[4] = {};
        glReadPixels(x, height - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        return {rgba[0], rgba[1], rgba[2]};
    }

    TempFolder m_folder;
    ScopedEnvironment m_config{"XDG_CONFIG_HOME", m_folder.Path().c_str()};
    ScopedEnvironment m_home{"HOME", m_folder.Path().c_str()};
    std::unique_ptr<CViewerApp> m_app;
    int width = 0;
    int height = 0;

private:
    MessageBoxHook m_previousHook;
};

}  // namespace

TEST_F(ToolRoutingTest, FullHeightDragOfTheStartingOrbitToolTurnsTheCameraAQuarterTurn)
{
    EXPECT_TRUE(CToolManager::IsToolActive(&Tools(), CCameraOrbitTool::kToolId)) << "orbit is the start tool";
    EXPECT_EQ(GetToolManager(), &Tools()) << "the document's manager is the current one";
    const CVector3d before(Camera().GetDirection());
    const int x = width / 2;
    Mouse(wxEVT_LEFT_DOWN, x, height - 1, CTool::kLeftButton);
    EXPECT_TRUE(View()->GetWindow()->HasCapture());
    // The camera turns about what the view-centre finder sees at the pointer.
    const int pixel[2] = {x, height - 1};
    const CPoint3d centre = CViewCenterFinder(View()).GetOrbitCenter(pixel);
    EXPECT_LT(static_cast<CCameraTool*>(Tools().GetActiveTool())->GetOrbitCenter().DistanceTo(centre), 1e-9);
    Mouse(wxEVT_MOTION, x, -1, CTool::kLeftButton);
    Mouse(wxEVT_LEFT_UP, x, -1);
    EXPECT_FALSE(View()->GetWindow()->HasCapture()) << "released with the button";
    EXPECT_NEAR(DegreesBetween(before, CVector3d(Camera().GetDirection())), 90.0, 0.01);
}

TEST_F(ToolRoutingTest, WheelZoomsOneStepWhateverTheDelta)
{
    const CCamera start = Camera();
    const CPoint3d eye = Camera().GetEye();
    Mouse(wxEVT_MOUSEWHEEL, width / 2, height / 2, 0, 120);
    const CPoint3d oneNotch = Camera().GetEye();
    EXPECT_GT(eye.DistanceTo(oneNotch), 1e-6);
    EXPECT_NEAR(DegreesBetween(CVector3d(start.GetDirection()), CVector3d(Camera().GetDirection())), 0.0,
                1e-6);

    View()->SetCamera(start, 0.0);
    Mouse(wxEVT_MOUSEWHEEL, width / 2, height / 2, 0, 240);
    EXPECT_LT(Camera().GetEye().DistanceTo(oneNotch), 1e-9);
    EXPECT_TRUE(CToolManager::IsToolActive(&Tools(), CCameraOrbitTool::kToolId));
}

TEST_F(ToolRoutingTest, MiddleDragOrbitsOverTheActiveToolAndHandsItBack)
{
    SelectZoomTool();
    CTool* zoom = Tools().GetActiveTool();
    ASSERT_TRUE(CToolManager::IsToolActive(&Tools(), CCameraZoomTool::kToolId));
    const CVector3d before(Camera().GetDirection());

    Mouse(wxEVT_MIDDLE_DOWN, width / 2, height / 2, CTool::kMiddleButton);
    EXPECT_EQ(Tools().GetStackSize(), 2);
    EXPECT_TRUE(CToolManager::IsToolActive(&Tools(), CCameraOrbitTool::kToolId));
    Mouse(wxEVT_MOTION, width / 2, height / 2 - height / 2, CTool::kMiddleButton);
    Mouse(wxEVT_MIDDLE_UP, width / 2, 0);

    EXPECT_EQ(Tools().GetStackSize(), 1);
    EXPECT_EQ(Tools().GetActiveTool(), zoom);
    // Half the height (rounded down) turns by half a quarter turn.
    EXPECT_NEAR(DegreesBetween(before, CVector3d(Camera().GetDirection())), 90.0 * (height / 2) / height,
                0.01);
    EXPECT_FALSE(View()->GetWindow()->HasCapture());
}

TEST_F(ToolRoutingTest, ZoomWindowBandIsDrawnInTheFrameAndTheZoomMovesTheCamera)
{
    SelectZoomWindowTool();
    const int left = width / 4, top = height / 4, right = 3 * width / 4, bottom = 3 * height / 4;
    const int edgeX = (left + right) / 2;
    Mouse(wxEVT_LEFT_DOWN, left, top, CTool::kLeftButton);
    DrawFrame();
    const auto plainEdge = Pixel(edgeX, top);
    const auto plainInside = Pixel(edgeX, (top + bottom) / 2);

    Mouse(wxEVT_MOTION, right, bottom, CTool::kLeftButton);
    DrawFrame();
    const auto bandEdge = Pixel(edgeX, top);
    for (int channel = 0; channel < 3; ++channel)
        EXPECT_NEAR(bandEdge[channel], 255 - plainEdge[channel], 2) << "the band inverts what it crosses";
    EXPECT_EQ(Pixel(edgeX, (top + bottom) / 2), plainInside);

    const CPoint3d eye = Camera().GetEye();
    const CVector3d direction(Camera().GetDirection());
    Mouse(wxEVT_LEFT_UP, right, bottom);
    // The middle half of the window now fills it: the camera moved forward, looking the same way.
    EXPECT_GT((Camera().GetEye() - eye).Dot(direction), 0.0);
    EXPECT_NEAR(DegreesBetween(direction, CVector3d(Camera().GetDirection())), 0.0, 1e-6);
    EXPECT_TRUE(CToolManager::IsToolActive(&Tools(), CCameraOrbitTool::kToolId)) << "orbit resumes";
    DrawFrame();
    EXPECT_EQ(Tools().GetStackSize(), 1);
}

TEST_F(ToolRoutingTest, ToolsReceiveTheWin32MouseKeyFlagsWithAltAndEscapeEndsACameraTool)
{
    auto* probe = new FlagProbe;
    Tools().SetTool(probe, 1, false);
    Mouse(wxEVT_LEFT_DOWN, 10, 10, CTool::kLeftButton | CTool::kAltKey | CTool::kShiftKey);
    Mouse(wxEVT_MOTION, 12, 10, CTool::kLeftButton | CTool::kControlKey);
    Mouse(wxEVT_LEFT_UP, 12, 10, CTool::kAltKey);
    EXPECT_EQ(probe->down, CTool::kLeftButton | CTool::kShiftKey | CTool::kAltKey);
    EXPECT_EQ(probe->move, CTool::kLeftButton | CTool::kControlKey);
    EXPECT_EQ(probe->up, CTool::kAltKey) << "the released button is no longer held";

    Tools().PopTool();
    ASSERT_TRUE(CToolManager::IsToolActive(&Tools(), CCameraOrbitTool::kToolId));
    wxKeyEvent escape(wxEVT_CHAR);
    escape.m_keyCode = WXK_ESCAPE;
    escape.m_uniChar = WXK_ESCAPE;
    View()->GetWindow()->HandleWindowEvent(escape);
    EXPECT_EQ(Tools().GetActiveTool(), nullptr) << "Escape ends a camera tool";
}

TEST_F(ToolRoutingTest, ReCreatedViewStartsOverWithTheOrbitTool)
{
    SelectZoomTool();
    CViewerView::UpdateView();
    ASSERT_TRUE(View());
    EXPECT_EQ(Tools().GetStackSize(), 1);
    EXPECT_TRUE(CToolManager::IsToolActive(&Tools(), CCameraOrbitTool::kToolId));
    const CVector3d before(Camera().GetDirection());
    Mouse(wxEVT_LEFT_DOWN, width / 2, height - 1, CTool::kLeftButton);
    Mouse(wxEVT_MOTION, width / 2, -1, CTool::kLeftButton);
    Mouse(wxEVT_LEFT_UP, width / 2, -1);
    EXPECT_NEAR(DegreesBetween(before, CVector3d(Camera().GetDirection())), 90.0, 0.01);
}
