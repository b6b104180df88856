// The viewer's commands under a real display: the View menu of the main window with its face
// styles and check marks, the camera commands, and the popup menus of tools with the deferred
// release of their commands at idle time.
#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/menu.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "platform/mfc/FrameWnd.h"
#include "platform/mfc/MessageBox.h"
#include "platform/wgl/GLCanvas.h"
#include "settings/RenderingOptions.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WindowTest.h"
#include "tools/CameraDollyTool.h"
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
