// The zoom-window tool on a real model view in an offscreen context: the rectangle dragged fills
// the view, the tool then hands control back, and the rubber band is part of the tool overlay.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "settings/Camera.h"
#include "settings/ViewDefinition.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TopViewSetup.h"
#include "tests/view/ViewTestSupport.h"
#include "tools/CameraContextMenu.h"
#include "tools/CameraOrbitTool.h"
#include "tools/CameraZoomTool.h"
#include "tools/CameraZoomWindowTool.h"
#include "tools/MenuHook.h"
#include "tools/ToolManager.h"

using orbisk::geometry::CPoint3d;
using orbisk::geometry::CVector3d;

namespace {

constexpr int kZoomViewSize = 64;
constexpr int kLeftDown = CTool::kLeftButton;

// What a host following the rubber band would see.
class RecordingBand : public ZoomWindow::UI {
public:
    RecordingBand() : m_previous(ZoomWindow::SetHook(this)) {}
    ~RecordingBand() override { ZoomWindow::SetHook(m_previous); }
    void Begin(IZphView*, int x, int y) override { calls.push_back("begin " + Point(x, y)); }
    void Move(int x, int y) override { calls.push_back("move " + Point(x, y)); }
    void End() override { calls.push_back("end"); }

    std::vector<std::string> calls;

private:
    static std::string Point(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }
    ZoomWindow::UI* m_previous;
};

// A menu hook that keeps the items of the menus it makes and the point it shows them at.
class RecordingMenu : public CZephyronMenu {
public:
    struct Item {
        std::wstring text;
        void (*function)();
        int flags;
    };
    void AddMenuItem(const wchar_t* text, void (*function)(), int flags, int) override
    {
        items.push_back({text, function, flags});
    }
    void AddSeparator() override { items.push_back({L"", nullptr, 0}); }
    std::vector<Item> items;
};

class RecordingMenuHook : public ZephyronMenuHelper::UI {
public:
    CZephyronMenu* CreatePopupMenu() override { return new RecordingMenu; }
    bool ShowPopupMenu(CZephyronMenu* menu, int x, int y, IZphView*) override
    {
        shown = static_cast<RecordingMenu*>(menu)->items;
        at = {x, y};
        return true;
    }
    std::vector<RecordingMenu::Item> shown;
    std::pair<int, int> at{-1, -1};
};

// A model view over an empty model, kZoomViewSize pixels square, looking along +y at the origin from
// 20 units; the orbit tool is active on the current manager.
class ZoomWindowToolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SetUpTopView(view, kZoomViewSize));
        SetCamera(true);
        SetCurrentToolManager(&manager);
        SelectOrbitTool();
    }
    void TearDown() override { SetCurrentToolManager(nullptr); }

    void SetCamera(bool perspective)
    {
        CCamera camera;
        camera.SetEyeTargetUp({0, -20, 0}, {0, 0, 0}, {0, 0, 1});
        camera.SetPerspective(perspective);
        camera.SetFieldOfView(35);
        camera.SetParallelHeight(10);
        view.SetCamera(camera, 0.0);
    }
    const CCamera& Camera() { return view.GetViewDefinition()->GetCamera(); }
    CCameraZoomWindowTool* ZoomWindowTool()
    {
        return dynamic_cast<CCameraZoomWindowTool*>(manager.GetActiveTool());
    }

    TempFolder config;
    ScopedEnvironment configHome{"XDG_CONFIG_HOME", config.Path().c_str()};
    ManualClock clock;
    CZphView view{clock, clock};
    CToolManager manager;
};

}  // namespace

TEST_F(ZoomWindowToolTest, RectangleAroundTheCentreFillsTheViewThenTheOrbitToolResumes)
{
    for (bool perspective : {true, false}) {
        SetCamera(perspective);
        SelectZoomWindowTool();
        ASSERT_TRUE(ZoomWindowTool());
        EXPECT_EQ(manager.GetStackSize(), 2) << "the orbit tool waits under the zoom window";
        EXPECT_EQ(ZoomWindowTool()->GetCursorId(), 422);

        RecordingBand band;
        manager.OnLButtonDown(kLeftDown, 16, 16, &view);
        manager.OnMouseMove(kLeftDown, 48, 48, &view);
        EXPECT_TRUE(ZoomWindowTool()->IsRectangleShown());
        manager.OnLButtonUp(0, 48, 48, &view);

        // Half the viewport's height now fills it: the camera comes halfway to what it looks at,
        // or shows half the height.
        if (perspective)
            EXPECT_NEAR(Camera().GetEye().DistanceTo(CPoint3d()), 10.0, 0.5);
        else
            EXPECT_NEAR(Camera().GetParallelHeight(), 5.0, 0.2);
        EXPECT_NEAR(CVector3d(Camera().GetDirection()).Dot(CVector3d(0, 1, 0)), 1.0, 1e-9);
        EXPECT_EQ(band.calls, (std::vector<std::string>{"begin 16,16", "move 48,48", "end"}));
        EXPECT_TRUE(CToolManager::IsToolActive(&manager, CCameraOrbitTool::kToolId));
        EXPECT_EQ(manager.GetStackSize(), 1);
    }
}

TEST_F(ZoomWindowToolTest, ClickWithoutDragLeavesTheCameraAndStillEnds)
{
    SelectZoomWindowTool();
    SelectZoomWindowTool();
    EXPECT_EQ(manager.GetStackSize(), 2) << "a second zoom window replaces the first";
    const CCamera before = Camera();
    manager.OnLButtonDown(kLeftDown, 20, 20, &view);
    manager.OnMouseMove(kLeftDown, 20, 20, &view);
    EXPECT_FALSE(ZoomWindowTool()->IsRectangleShown());
    manager.OnLButtonUp(0, 20, 20, &view);
    EXPECT_TRUE(Camera() == before);
    EXPECT_TRUE(CToolManager::IsToolActive(&manager, CCameraOrbitTool::kToolId));
}

TEST_F(ZoomWindowToolTest, RubberBandInvertsThePixelsItCrossesInTheOverlay)
{
    SelectZoomWindowTool();
    manager.OnLButtonDown(kLeftDown, 10, 12, &view);
    manager.OnMouseMove(kLeftDown, 50, 40, &view);

    ClearGLBuffers(GLPixel{255, 255, 255, 255});
    manager.DrawToolOverlay(&view);
    glFinish();
    EXPECT_TRUE(GLStateIsClean());
    // GL rows count from the bottom.
    const auto at = [](int x, int y) { return ReadGLPixel(x, kZoomViewSize - 1 - y); };
    // The band leaves alpha alone.
    const GLPixel black{0, 0, 0, 255};
    const GLPixel white{255, 255, 255, 255};
    EXPECT_TRUE(PixelNear(at(30, 12), black)) << "top edge";
    EXPECT_TRUE(PixelNear(at(30, 40), black)) << "bottom edge";
    EXPECT_TRUE(PixelNear(at(10, 25), black)) << "left edge";
    EXPECT_TRUE(PixelNear(at(50, 25), black)) << "right edge";
    EXPECT_TRUE(PixelNear(at(30, 25), white)) << "inside";
    EXPECT_TRUE(PixelNear(at(5, 5), white)) << "outside";

    // Once the zoom is done nothing is drawn any more.
    manager.OnLButtonUp(0, 50, 40, &view);
    ClearGLBuffers(white);
    SelectZoomWindowTool();
    manager.DrawToolOverlay(&view);
    EXPECT_TRUE(PixelNear(at(30, 12), white));
}

TEST_F(ZoomWindowToolTest, CameraMenuTicksTheActiveToolAndSwitchesTools)
{
    std::vector<CameraMenuItem> items = BuildCameraContextMenu();
    ASSERT_EQ(items.size(), 10u);
    EXPECT_STREQ(items[0].label, "E&xit");
    EXPECT_TRUE(items[1].IsSeparator());
    EXPECT_TRUE(items[7].IsSeparator());
    for (const CameraMenuItem& item : items)
        EXPECT_EQ(item.flags, item.commandId == CCameraOrbitTool::kToolId ? CameraMenuItem::kTicked : 0)
            << item.label;

    EXPECT_TRUE(RunCameraMenuCommand(CCameraZoomWindowTool::kToolId));
    EXPECT_EQ(BuildCameraContextMenu()[8].flags, CameraMenuItem::kTicked);
    // Exit ends the camera tool; the orbit tool under it comes back.
    EXPECT_TRUE(RunCameraMenuCommand(kCameraMenuExit));
    EXPECT_TRUE(CToolManager::IsToolActive(&manager, CCameraOrbitTool::kToolId));
    EXPECT_FALSE(RunCameraMenuCommand(12345));
    EXPECT_TRUE(IsCameraContextMenuEnabled()) << "on by default";
}

TEST_F(ZoomWindowToolTest, ARightClickOverACameraToolShowsTheCameraMenuWhoseItemsRunTheirCommands)
{
    RecordingMenuHook hook;
    ZephyronMenuHelper::UI* previous = ZephyronMenuHelper::SetHook(&hook);
    EXPECT_TRUE(manager.ShowContextMenu(0, 12, 34, &view));
    ZephyronMenuHelper::SetHook(previous);

    EXPECT_EQ(hook.at, std::make_pair(12, 34));
    ASSERT_EQ(hook.shown.size(), 10u);
    EXPECT_EQ(hook.shown[0].text, L"E&xit");
    EXPECT_EQ(hook.shown[2].text, L"&Orbit");
    EXPECT_EQ(hook.shown[2].flags, CameraMenuItem::kTicked);
    EXPECT_EQ(hook.shown[5].flags & 1, 1) << "no walk tool yet: greyed";
    ASSERT_EQ(hook.shown[6].text, L"&Zoom");
    ASSERT_TRUE(hook.shown[6].function);
    hook.shown[6].function();
    EXPECT_TRUE(CToolManager::IsToolActive(&manager, CCameraZoomTool::kToolId));
}
