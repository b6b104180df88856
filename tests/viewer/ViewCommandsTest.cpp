// The viewer's commands under a real display: the View and Camera menus of the main window with
// their face styles and check marks, the camera commands (projection, the planar 2D view, zoom to
// the photo), fog, and the popup menus of tools with the deferred release of their commands at
// idle time.
#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/menu.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "model/ZephyronModel.h"
#include "platform/mfc/Document.h"
#include "platform/mfc/FrameWnd.h"
#include "platform/mfc/MessageBox.h"
#include "platform/wgl/GLCanvas.h"
#include "settings/BackgroundImage.h"
#include "settings/RenderingOptions.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WindowTest.h"
#include "tools/CameraDollyTool.h"
#include "tools/CameraOrbitTool.h"
#include "tools/MenuHook.h"
#include "tools/ToolManager.h"
#include "viewer/Command.h"
#include "viewer/CommandIds.h"
#include "viewer/MainFrame.h"
#include "viewer/ViewerApp.h"
#include "viewer/ViewerMenus.h"
#include "viewer/ViewerView.h"

namespace {

namespace fs = std::filesystem;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CVector3d;

CString HousePath()
{
    const char* source = std::getenv("ZPH_SOURCE_DIR");
    return (fs::path(source ? source : ".") / "examples" / "house.zph").wstring().c_str();
}

class ViewCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_previousHook = SetMessageBoxHook([](const CString&, unsigned) { return IDOK; });
        m_app = std::make_unique<CViewerApp>();
        m_app->SetArguments({HousePath()});
        ASSERT_TRUE(m_app->InitInstance());
        ASSERT_TRUE(PumpEventsUntil([this] { return View() && View()->GetWindow()->IsShownOnScreen(); }));
    }

    void TearDown() override
    {
        if (CFrameWnd* frame = AfxGetMainWnd()) {
            frame->Close();
            PumpEventsUntil([] { return AfxGetMainWnd() == nullptr; });
        }
        m_app->ExitInstance();
        m_app.reset();
        SetMessageBoxHook(m_previousHook);
    }

    CViewerView* View() { return dynamic_cast<CViewerView*>(GetCurrentZphView()); }
    CMainFrame* Frame() { return dynamic_cast<CMainFrame*>(AfxGetMainWnd()); }
    CRenderingOptions& Options() { return *View()->GetRenderingOptions(); }

    // As a chosen toolbar button or accelerator arrives.
    void SendCommand(int id)
    {
        wxCommandEvent command(wxEVT_MENU, id);
        command.SetEventObject(Frame());
        Frame()->ProcessWindowEvent(command);
    }

    // What the command's update handler says.
    CCmdUI Update(int id)
    {
        CCmdUI ui(static_cast<UINT>(id));
        EXPECT_TRUE(Frame()->RouteUpdate(ui)) << id;
        return ui;
    }

    // Looking down at the model at an angle, in perspective.
    void LookDownAtAnAngle()
    {
        CCamera camera(View()->GetViewDefinition()->GetCamera());
        camera.SetEyeTargetUp(CPoint3d(-300, -400, 300), CPoint3d(0, 0, 0), CVector3d(0, 0, 1));
        camera.SetPerspective(true);
        View()->SetCamera(camera, 0.0);
    }

    // The check marks as the menu shows them after the frame's update pass.
    std::vector<int> CheckedItems(wxMenu& menu)
    {
        Frame()->UpdateWindowUI();
        std::vector<int> checked;
        for (const wxMenuItem* item : menu.GetMenuItems())
            if (item->IsCheckable() && item->IsChecked())
                checked.push_back(item->GetId());
        return checked;
    }

    TempFolder m_folder;
    ScopedEnvironment m_config{"XDG_CONFIG_HOME", m_folder.Path().c_str()};
    ScopedEnvironment m_home{"HOME", m_folder.Path().c_str()};
    std::unique_ptr<CViewerApp> m_app;

private:
    MessageBoxHook m_previousHook;
};

wxMenu* SubMenu(wxMenu& menu, const wxString& label)
{
    for (wxMenuItem* item : menu.GetMenuItems())
        if (item->IsSubMenu() && item->GetItemLabelText() == label)
            return item->GetSubMenu();
    return nullptr;
}

TEST_F(ViewCommandsTest, FaceStyleChosenFromTheViewMenuChangesTheModeAndMovesTheCheckMark)
{
    wxMenuBar* bar = Frame()->GetMenuBar();
    ASSERT_TRUE(bar);
    const int viewIndex = bar->FindMenu("View");
    ASSERT_NE(viewIndex, wxNOT_FOUND);
    wxMenu* faceStyle = SubMenu(*bar->GetMenu(static_cast<size_t>(viewIndex)), "Face Style");
    ASSERT_TRUE(faceStyle);
    ASSERT_TRUE(faceStyle->FindItem(ViewerCommand::kWireframe));
    EXPECT_EQ(faceStyle->FindItem(ViewerCommand::kWireframe)->GetItemLabelText(), "Wireframe");

    Options().SetTexturesShown(false);
    View()->SetRenderMode(2);
    EXPECT_EQ(CheckedItems(*faceStyle), std::vector<int>{ViewerCommand::kShaded});

    struct Step {
        int command;
        int mode;
        bool textures;
        int checked;
    };
    const Step steps[] = {
        {ViewerCommand::kWireframe, 0, false, ViewerCommand::kWireframe},
        {ViewerCommand::kHiddenLine, 1, false, ViewerCommand::kHiddenLine},
        {ViewerCommand::kTextured, 2, true, ViewerCommand::kTextured},
        {ViewerCommand::kMonochrome, 5, true, ViewerCommand::kMonochrome},
        {ViewerCommand::kShaded, 2, false, ViewerCommand::kShaded},
        {ViewerCommand::kWireframe, 0, false, ViewerCommand::kWireframe},
    };
    for (const Step& step : steps) {
        // What the window system does when the item is activated.
        faceStyle->SendEvent(step.command);
        EXPECT_EQ(Options().GetRenderingMode(), step.mode) << step.command;
        EXPECT_EQ(Options().GetTexturesShown(), step.textures) << step.command;
        EXPECT_EQ(CheckedItems(*faceStyle), std::vector<int>{step.checked}) << step.command;
    }

    // Mode 3 with textures shows the check of Shaded With Textures.
    Options().SetTexturesShown(true);
    View()->SetRenderMode(3);
    EXPECT_EQ(CheckedItems(*faceStyle), std::vector<int>{ViewerCommand::kTextured});
}

TEST_F(ViewCommandsTest, ItemsOfTheViewMenuFollowTheirSettingsAndUnhandledOnesAreGreyed)
{
    wxMenuBar* bar = Frame()->GetMenuBar();
    wxMenu* view = bar->GetMenu(static_cast<size_t>(bar->FindMenu("View")));
    Frame()->UpdateWindowUI();
    EXPECT_TRUE(view->IsChecked(ViewerCommand::kGuides)) << "guides are shown by default";
    EXPECT_FALSE(bar->IsEnabled(ViewerCommand::kCameraToolbar)) << "nobody handles it yet";
    EXPECT_TRUE(bar->IsEnabled(ViewerCommand::kAxes));

    struct Toggle {
        int command;
        bool (*read)(CRenderingOptions&);
    };
    const Toggle toggles[] = {
        {ViewerCommand::kGuides, [](CRenderingOptions& o) { return !o.AreGuidesHidden(); }},
        {ViewerCommand::kAxes, [](CRenderingOptions& o) { return o.GetAxesShown(); }},
        {ViewerCommand::kHiddenGeometry, [](CRenderingOptions& o) { return o.IsHiddenGeometryShown(); }},
        {ViewerCommand::kSectionPlanes,
         [](CRenderingOptions& o) {
             return (o.GetSectionDisplay() & CRenderingOptions::kSectionPlanesShown) != 0;
         }},
        {ViewerCommand::kSectionCuts,
         [](CRenderingOptions& o) {
             return (o.GetSectionDisplay() & CRenderingOptions::kSectionCutsShown) != 0;
         }},
    };
    for (const Toggle& toggle : toggles) {
        const bool before = toggle.read(Options());
        view->SendEvent(toggle.command);
        EXPECT_NE(toggle.read(Options()), before) << toggle.command;
        Frame()->UpdateWindowUI();
        EXPECT_EQ(view->IsChecked(toggle.command), !before) << toggle.command;
        view->SendEvent(toggle.command);
        EXPECT_EQ(toggle.read(Options()), before) << toggle.command;
    }
}

TEST_F(ViewCommandsTest, XRayAndBackEdgesExcludeEachOtherAndXRayNeedsFaces)
{
    wxMenuBar* bar = Frame()->GetMenuBar();
    wxMenu* faceStyle = SubMenu(*bar->GetMenu(static_cast<size_t>(bar->FindMenu("View"))), "Face Style");
    ASSERT_TRUE(faceStyle);
    View()->SetRenderMode(2);
    Options().SetXRay(false);

    faceStyle->SendEvent(ViewerCommand::kXRay);
    EXPECT_TRUE(Options().GetXRay());
    Frame()->UpdateWindowUI();
    EXPECT_TRUE(faceStyle->IsChecked(ViewerCommand::kXRay));

    SendCommand(ViewerCommand::kBackEdges);
    EXPECT_TRUE(Options().GetBackEdges());
    EXPECT_FALSE(Options().GetXRay()) << "back edges switch X-ray off";
    SendCommand(ViewerCommand::kXRayButton);
    EXPECT_TRUE(Options().GetXRay());
    EXPECT_FALSE(Options().GetBackEdges()) << "X-ray switches back edges off";

    View()->SetRenderMode(0);
    Frame()->UpdateWindowUI();
    EXPECT_FALSE(bar->IsEnabled(ViewerCommand::kXRay)) << "no faces to see through in wireframe";
    EXPECT_FALSE(faceStyle->IsChecked(ViewerCommand::kXRay));
}

TEST_F(ViewCommandsTest, StandardViewsAndZoomExtentsMoveTheCamera)
{
    CViewerView& view = *View();
    auto direction = [&view] { return CVector3d(view.GetViewDefinition()->GetCamera().GetDirection()); };
    struct Case {
        int command;
        CVector3d direction;
    };
    const Case cases[] = {
        {ViewerCommand::kTop, CVector3d(0, 0, -1)},  {ViewerCommand::kBottom, CVector3d(0, 0, 1)},
        {ViewerCommand::kFront, CVector3d(0, 1, 0)}, {ViewerCommand::kBack, CVector3d(0, -1, 0)},
        {ViewerCommand::kLeft, CVector3d(1, 0, 0)},  {ViewerCommand::kRight, CVector3d(-1, 0, 0)},
    };
    for (const Case& c : cases) {
        SendCommand(c.command);
        const CVector3d d = direction();
        EXPECT_NEAR(d.x, c.direction.x, 1e-6) << c.command;
        EXPECT_NEAR(d.y, c.direction.y, 1e-6) << c.command;
        EXPECT_NEAR(d.z, c.direction.z, 1e-6) << c.command;
    }
    SendCommand(ViewerCommand::kIso);
    const CVector3d iso = direction();
    EXPECT_GT(std::abs(iso.x) * std::abs(iso.y) * std::abs(iso.z), 0.01) << "looks along no axis";

    // Zoom extents brings a camera that was moved far away back to the same fit.
    SendCommand(ViewerCommand::kZoomExtents);
    const CPoint3d fitted = view.GetViewDefinition()->GetCamera().GetEye();
    CCamera away(view.GetViewDefinition()->GetCamera());
    away.SetEyeDirectionUp(fitted + CVector3d(iso) * -5000.0, CVector3d(iso), away.GetUp());
    view.GetViewDefinition()->SetCamera(away);
    ASSERT_GT(view.GetViewDefinition()->GetCamera().GetEye().DistanceTo(fitted), 1000.0);
    SendCommand(ViewerCommand::kZoomExtents);
    EXPECT_LT(view.GetViewDefinition()->GetCamera().GetEye().DistanceTo(fitted),
              1e-3 * (1 + fitted.DistanceTo({})));

    // Both projection commands toggle; the update handlers show which one is on.
    const bool perspective = view.IsPerspective();
    SendCommand(ViewerCommand::kParallelProjection);
    EXPECT_NE(view.IsPerspective(), perspective);
    SendCommand(ViewerCommand::kPerspective);
    EXPECT_EQ(view.IsPerspective(), perspective);
    CCmdUI parallel(ViewerCommand::kParallelProjection);
    ASSERT_TRUE(Frame()->RouteUpdate(parallel));
    EXPECT_EQ(parallel.GetCheck(), perspective ? 0 : 1);
    CCmdUI fieldOfView(ViewerCommand::kFieldOfView);
    ASSERT_TRUE(Frame()->RouteUpdate(fieldOfView));
    EXPECT_EQ(fieldOfView.IsEnabled(), perspective);
}

TEST_F(ViewCommandsTest, ToolCommandsSelectTheirToolsAndShowWhetherTheyAreActiveOrSuspended)
{
    CToolManager* tools = View()->GetToolManager();
    ASSERT_TRUE(tools);
    auto check = [this](int command) {
        CCmdUI ui(static_cast<UINT>(command));
        EXPECT_TRUE(Frame()->RouteUpdate(ui));
        return ui.GetCheck();
    };
    const int commands[] = {ViewerCommand::kPan, ViewerCommand::kZoom, ViewerCommand::kZoomWindow,
                            ViewerCommand::kOrbit};
    for (int command : commands) {
        SendCommand(command);
        EXPECT_TRUE(CToolManager::IsToolActive(tools, command)) << command;
        EXPECT_EQ(check(command), 1) << command;
    }
    EXPECT_EQ(check(ViewerCommand::kPan), 0);

    // A temporary tool over the orbit tool leaves it suspended.
    tools->SetTool(new CCameraDollyTool(), CCameraDollyTool::kToolId, false);
    EXPECT_EQ(check(ViewerCommand::kOrbit), 2);
    EXPECT_EQ(check(ViewerCommand::kPan), 1);
    SendCommand(ViewerCommand::kExitCamera);
    EXPECT_EQ(check(ViewerCommand::kOrbit), 1) << "leaving the camera tool resumes the one under it";
}

TEST_F(ViewCommandsTest, FogTurnsOnWithTheCurrentViewsDepthRangeWhenItHasNoDistancesYet)
{
    CRenderingOptions& options = Options();
    options.SetDisplayFog(false);
    options.SetFogStart(-1);
    options.SetFogEnd(-1);
    const double nearDistance = View()->GetViewDefinition()->GetNear();
    const double farDistance = View()->GetViewDefinition()->GetFar();
    ASSERT_LT(nearDistance, farDistance);

    SendCommand(ViewerCommand::kFog);
    EXPECT_TRUE(options.GetFogShown());
    EXPECT_DOUBLE_EQ(options.GetFogStart(), nearDistance);
    EXPECT_DOUBLE_EQ(options.GetFogEnd(), farDistance);
    EXPECT_EQ(Update(ViewerCommand::kFog).GetCheck(), 1);

    SendCommand(ViewerCommand::kFog);
    EXPECT_FALSE(options.GetFogShown());
    EXPECT_EQ(Update(ViewerCommand::kFog).GetCheck(), 0);

    // Distances of its own are kept.
    options.SetFogStart(5);
    options.SetFogEnd(50);
    SendCommand(ViewerCommand::kFog);
    EXPECT_TRUE(options.GetFogShown());
    EXPECT_EQ(options.GetFogStart(), 5);
    EXPECT_EQ(options.GetFogEnd(), 50);
}

TEST_F(ViewCommandsTest, The2DViewBringsUpThePanToolWhereverItIs)
{
    CViewerView& view = *View();
    CToolManager* tools = view.GetToolManager();
    ASSERT_TRUE(tools);
    const int pan = CCameraDollyTool::kToolId, orbit = CCameraOrbitTool::kToolId;
    struct Case {
        const char* name;
        void (*arrange)(CToolManager&);
        bool samePanTool;
    };
    const Case cases[] = {
        {"orbiting", [](CToolManager& t) { t.ResetTools(new CCameraOrbitTool(), orbit); }, false},
        {"panning", [](CToolManager& t) { t.ResetTools(new CCameraDollyTool(), pan); }, true},
        {"panning under a temporary orbit",
         [](CToolManager& t) {
             t.ResetTools(new CCameraDollyTool(), pan);
             t.SetTool(new CCameraOrbitTool(), orbit, false);
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LookDownAtAnAngle();
        c.arrange(*tools);
        CTool* panBefore = nullptr;
        for (int i = 0; i < tools->GetStackSize(); ++i)
            if (tools->GetStackedTool(i)->GetToolId() == pan)
                panBefore = tools->GetStackedTool(i);
        EXPECT_TRUE(Update(ViewerCommand::k2DView).IsEnabled());
        EXPECT_EQ(Update(ViewerCommand::k2DView).GetCheck(), 0);

        SendCommand(ViewerCommand::k2DView);
        EXPECT_TRUE(view.IsTwoPointPerspective());
        EXPECT_NEAR(view.GetViewDefinition()->GetCamera().GetDirection().z, 0.0, 1e-9) << "levelled";
        EXPECT_TRUE(CToolManager::IsToolActive(tools, pan));
        EXPECT_EQ(tools->GetStackSize(), 1) << "the only tool";
        EXPECT_EQ(tools->GetActiveTool() == panBefore, c.samePanTool);
        EXPECT_EQ(Update(ViewerCommand::k2DView).GetCheck(), 1);
        EXPECT_EQ(Update(ViewerCommand::kPerspective).GetCheck(), 0) << "the 2D view is checked instead";

        SendCommand(ViewerCommand::k2DView);
        EXPECT_FALSE(view.IsTwoPointPerspective());
        EXPECT_TRUE(view.IsPerspective());
    }
    // Looking straight down there is nothing to level.
    view.ViewTop();
    EXPECT_FALSE(Update(ViewerCommand::k2DView).IsEnabled());
}

TEST_F(ViewCommandsTest, ProjectionCommandsLeaveThe2DViewForTheirOwnProjectionAndMarkTheDocument)
{
    CViewerView& view = *View();
    CDocument* document = view.GetDocument();
    ASSERT_TRUE(document);
    EXPECT_FALSE(document->IsModified()) << "just opened";
    struct Case {
        int command;
        bool perspective;
        bool modifies;
    };
    const Case cases[] = {
        {ViewerCommand::kPerspective, true, true},
        {ViewerCommand::kParallelProjection, false, true},
        {ViewerCommand::k2DView, true, false},
    };
    for (const Case& c : cases) {
        LookDownAtAnAngle();
        SendCommand(ViewerCommand::k2DView);
        ASSERT_TRUE(view.IsTwoPointPerspective()) << c.command;
        document->SetModifiedFlag(false);
        SendCommand(c.command);
        EXPECT_FALSE(view.IsTwoPointPerspective()) << c.command;
        EXPECT_EQ(view.IsPerspective(), c.perspective) << c.command;
        EXPECT_TRUE(view.GetModel()->GetCamera() == view.GetViewDefinition()->GetCamera()) << c.command;
        EXPECT_EQ(document->IsModified(), c.modifies) << c.command;
        EXPECT_EQ(Update(ViewerCommand::kPerspective).GetCheck(), c.perspective ? 1 : 0) << c.command;
        EXPECT_EQ(Update(ViewerCommand::kParallelProjection).GetCheck(), c.perspective ? 0 : 1) << c.command;
    }
}

TEST_F(ViewCommandsTest, ZoomToPhotoIsOfferedWhileTheViewIsNotMatchedToTheModelsPhoto)
{
    wxMenuBar* bar = Frame()->GetMenuBar();
    const int cameraIndex = bar->FindMenu("Camera");
    ASSERT_NE(cameraIndex, wxNOT_FOUND);
    wxMenuItem* item = bar->GetMenu(static_cast<size_t>(cameraIndex))->FindItem(ViewerCommand::kZoomToPhoto);
    ASSERT_TRUE(item);
    EXPECT_EQ(item->GetItemLabelText(), "Zoom to Photo");
    CViewerView& view = *View();
    CZephyronModel& model = *view.GetModel();
    model.SetBackgroundImage(nullptr);
    Frame()->UpdateWindowUI();
    EXPECT_FALSE(bar->IsEnabled(ViewerCommand::kZoomToPhoto)) << "no photo";

    auto* photo = new CBackgroundImage();
    photo->SetOffset(CPoint3d(0.25, 0, 0));
    model.SetBackgroundImage(photo);
    view.GetViewDefinition()->Set2DPanZoom(false, 1.0, 0.0, 0.0);
    EXPECT_TRUE(Update(ViewerCommand::kZoomToPhoto).IsEnabled()) << "a camera without 2D pan and zoom";
    EXPECT_FALSE(Update(ViewerCommand::k2DView).IsEnabled()) << "a photo model has no 2D view";

    SendCommand(ViewerCommand::kZoomToPhoto);
    const CCamera& camera = view.GetViewDefinition()->GetCamera();
    EXPECT_TRUE(camera.Is2DPanZoomEnabled());
    EXPECT_FALSE(camera.Is2DPanZoomIdentity()) << "the photo fills the view, not the whole frame";
    EXPECT_FALSE(Update(ViewerCommand::kZoomToPhoto).IsEnabled()) << "matched";

    view.GetViewDefinition()->Pan2D(20, 0);
    EXPECT_TRUE(Update(ViewerCommand::kZoomToPhoto).IsEnabled()) << "panned away";
    model.SetBackgroundImage(nullptr);
}

void Nothing() {}

TEST_F(ViewCommandsTest, PopupMenuCommandsAreFreedAtIdleUnlessSomeoneKeepsThem)
{
    ASSERT_NE(ZephyronMenuHelper::GetHook(), nullptr) << "the application installs the hook";
    CZephyronMenuWin* menu = CreateZphPopupMenu();
    ASSERT_TRUE(menu->GetMenu());
    menu->AddMenuItem(L"First", &Nothing, 0, 7);
    menu->AddSeparator();
    std::unique_ptr<CZephyronMenu> sub(menu->AddSubMenu(L"More"));
    ASSERT_TRUE(sub);
    auto* kept = new CCommandFunction(&Nothing);
    sub->AddCommandItem(L"Kept", kept, CCommand::kTicked, 0);
    ASSERT_EQ(menu->GetMenu()->GetMenuItemCount(), 3);

    wxMenu& wx = *menu->GetMenu()->GetSafeMenu();
    const int firstId = static_cast<int>(menu->GetMenu()->GetMenuItemID(0));
    ASSERT_TRUE(IsDynamicCommandId(firstId));
    EXPECT_EQ(wx.GetLabel(WxIdFromCommandId(static_cast<UINT>(firstId))), "First")
        << "no accelerator text from the application's hook";
    CCmdUI tick(static_cast<UINT>(kept->GetId()));
    ASSERT_TRUE(Frame()->RouteUpdate(tick));
    EXPECT_EQ(tick.GetCheck(), 1);

    kept->Retain();
    sub.reset();
    delete menu;
    EXPECT_EQ(GetQueuedCommandReleaseCount(), 2) << "both items, the sub-menu's too";
    CCommand* stillThere = FindCommand(firstId);
    ASSERT_TRUE(stillThere) << "a chosen item may still be on its way";
    CCommand::Release(stillThere);

    m_app->OnIdle(0);
    EXPECT_EQ(GetQueuedCommandReleaseCount(), 0);
    EXPECT_EQ(FindCommand(firstId), nullptr);
    CCommand* survivor = FindCommand(kept->GetId());
    EXPECT_EQ(survivor, kept);
    CCommand::Release(survivor);
    CCommand::Release(kept);
}

TEST_F(ViewCommandsTest, RunTimeItemsGoBeforeTheTailOfTheFrameworksMenus)
{
    struct Case {
        std::vector<UINT> items;  // 0 is a separator
        UINT position;
    };
    const Case cases[] = {
        {{}, 0},
        {{kEditUndoCommand, 0, 101, 102}, 2},
        {{kEditUndoCommand, 0}, 2},
        {{kEditMenuMarkerCommand, 101, 102, 103, 104, 105}, 2},
        {{kFileNewCommand, 101, 0, kFirstRecentFileCommand, 0, 57665}, 2},
        {{kFileNewCommand, 101, 102}, 3},
        {{101, 102, 103}, 3},
    };
    for (const Case& c : cases) {
        CMenu platformMenu;
        ASSERT_TRUE(platformMenu.CreatePopupMenu());
        for (UINT id : c.items)
            platformMenu.InsertMenu(999, MF_BYPOSITION | (id ? MF_STRING : MF_SEPARATOR), id, L"item");
        CZephyronMenuWin menu(&platformMenu, nullptr);
        EXPECT_EQ(menu.GetInsertPosition(), c.position) << c.items.size();
    }
}

}  // namespace
