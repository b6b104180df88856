// The viewer application under a real display: start-up from the command line with the model
// in the title and on the screen, the slideshow switch, a file that is no model, the recent
// files, the profile, the animation timer, the process-wide hooks, the level-of-detail restore
// and the order of exit.
#include "viewer/ViewerApp.h"

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <wx/frame.h>

#include <wx/statusbr.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "components/Component.h"
#include "platform/mfc/FrameWnd.h"
#include "platform/mfc/MessageBox.h"
#include "platform/wgl/GLCanvas.h"
#include "platform/win32/Cursor.h"
#include "settings/GLTextCache.h"
#include "support/LanguageSettings.h"
#include "support/NotificationCenter.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WindowTest.h"
#include "tools/CameraOrbitTool.h"
#include "tools/MenuHook.h"
#include "tools/StatusBarHook.h"
#include "tools/ToolManager.h"
#include "view/IAnimation.h"
#include "view/ZphTimerCallback.h"
#include "viewer/GLConfigUtils.h"
#include "viewer/ViewerDoc.h"
#include "viewer/ViewerView.h"

namespace {

namespace fs = std::filesystem;

fs::path HousePath()
{
    const char* source = std::getenv("ZPH_SOURCE_DIR");
    return fs::path(source ? source : ".") / "examples" / "house.zph";
}

CString Wide(const fs::path& path)
{
    return path.wstring().c_str();
}

// A frame as the paint message draws it, read back before the buffers are swapped: the
// centre of the window is not the background's colour.
bool CentreShowsModel(CViewerView& view)
{
    int width = 0;
    int height = 0;
    view.GetViewportSize(width, height);
    view.MakeCurrent();
    view.DrawFrame(false, 0);
    glReadBuffer(GL_BACK);
    unsigned char centre[4] = {};
    glReadPixels(width / 2, height / 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, centre);
    // Just after the window shows, X may still give it a 1 x 1 buffer that reads black: the top
    // left corner (sky or background, never black) proves the frame is really there.
    unsigned char corner[4] = {};
    glReadPixels(2, height - 3, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, corner);
    if (corner[0] + corner[1] + corner[2] == 0)
        return false;
    orbisk::utils::CColor background;
    view.GetBackgroundColor(background);
    const int difference = std::abs(centre[0] - background.red) + std::abs(centre[1] - background.green) +
                           std::abs(centre[2] - background.blue);
    return difference > 30;
}

class AppTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Each test starts the application as a new process would: no graphics configuration
        // chosen yet (an earlier test's choice would be checked against this test's empty
        // profile and reported as reset settings).
        *GLConfigUtils::GetActiveConfig() = GLConfigRecord{};
        *GLConfigUtils::GetCurrentConfig() = GLConfigRecord{};
        GLConfigUtils::SetUseFastFeedback(1);
        m_previousHook = SetMessageBoxHook([this](const CString& text, unsigned) {
            m_messages.emplace_back(text.GetString());
            return IDOK;
        });
    }

    void TearDown() override
    {
        if (m_app)
            Exit();
        SetMessageBoxHook(m_previousHook);
    }

    bool Start(std::vector<CString> arguments)
    {
        m_app = std::make_unique<CViewerApp>();
        m_app->SetArguments(std::move(arguments));
        return m_app->InitInstance();
    }

    // As the program ends: the user closes the window, then the application exits.
    int Exit()
    {
        if (CFrameWnd* frame = AfxGetMainWnd()) {
            frame->Close();
            PumpEventsUntil([] { return AfxGetMainWnd() == nullptr; });
        }
        const int result = m_app->ExitInstance();
        m_app.reset();
        return result;
    }

    CViewerView* View() { return dynamic_cast<CViewerView*>(GetCurrentZphView()); }
    CViewerDoc* Document()
    {
        CFrameWnd* frame = AfxGetMainWnd();
        return frame ? dynamic_cast<CViewerDoc*>(frame->GetActiveDocument()) : nullptr;
    }
    std::wstring Title() { return AfxGetMainWnd()->GetTitle().ToStdWstring(); }
    bool ShownOnScreen()
    {
        return PumpEventsUntil([this] { return View() && View()->GetWindow()->IsShownOnScreen(); });
    }

    TempFolder m_folder;
    ScopedEnvironment m_config{"XDG_CONFIG_HOME", m_folder.Path().c_str()};
    ScopedEnvironment m_home{"HOME", m_folder.Path().c_str()};
    std::vector<std::wstring> m_messages;
    std::unique_ptr<CViewerApp> m_app;

private:
    MessageBoxHook m_previousHook;
};

// Records the language in force when "Exit Notification" arrives.
class CExitWatcher : public orbisk::utils::IObserver {
public:
    CExitWatcher()
    {
        orbisk::utils::CNotificationCenter::GetInstance().AddObserver("Exit Notification", this);
    }
    ~CExitWatcher() override
    {
        orbisk::utils::CNotificationCenter::GetInstance().RemoveObserverFromAll(this);
    }
    void OnNotification(const char*, void*) override
    {
        ++posts;
        language = orbisk::utils::CLanguageSettings::GetInstance().GetLanguage();
        windowOpen = AfxGetMainWnd() != nullptr;
    }

    int posts = 0;
    std::wstring language;
    bool windowOpen = true;
};

TEST_F(AppTest, OpensTheModelOfTheCommandLineShowsItsNameAndDrawsIt)
{
    ASSERT_TRUE(Start({Wide(HousePath())}));
    EXPECT_TRUE(m_messages.empty()) << "no message on a good start";
    EXPECT_EQ(Title(), L"house.zph - Zephyron Viewer");
    ASSERT_TRUE(ShownOnScreen());

    CViewerView* view = View();
    ASSERT_TRUE(view->GetGLContext());
    EXPECT_EQ(view->m_error, 0);
    int width = 0;
    int height = 0;
    view->GetViewportSize(width, height);
    ASSERT_GT(width, 0);
    ASSERT_GT(height, 0);

    EXPECT_TRUE(PumpEventsUntil([view] { return CentreShowsModel(*view); }));
}

TEST_F(AppTest, ExitPostsTheNotificationBeforeTheLanguageAndWindowsGo)
{
    ASSERT_TRUE(Start({L"-lang", L"fr-FR", Wide(HousePath())}));
    EXPECT_EQ(orbisk::utils::CLanguageSettings::GetInstance().GetLanguage(), L"fr-FR");
    CExitWatcher watcher;
    const int result = m_app->ExitInstance();
    m_app.reset();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(watcher.posts, 1);
    EXPECT_TRUE(watcher.windowOpen) << "the notification comes first";
    EXPECT_EQ(watcher.language, L"fr-FR") << "the language settings are freed after the notification";
    EXPECT_NE(orbisk::utils::CLanguageSettings::GetInstance().GetLanguage(), L"fr-FR");
    EXPECT_EQ(AfxGetMainWnd(), nullptr);
    EXPECT_EQ(GetCurrentZphView(), nullptr);

    // Closed by the user, with the window's deletion still pending at exit.
    ASSERT_TRUE(Start({Wide(HousePath())}));
    AfxGetMainWnd()->Close();
    EXPECT_EQ(m_app->ExitInstance(), 0);
    m_app.reset();
    PumpEventsUntil([] { return false; }, std::chrono::milliseconds(100));
    EXPECT_EQ(AfxGetMainWnd(), nullptr);
}

TEST_F(AppTest, LanguageSwitchInCapitalsChoosesNoLanguage)
{
    const std::wstring before = orbisk::utils::CLanguageSettings::GetInstance().GetLanguage();
    ASSERT_TRUE(Start({L"-LANG", L"fr-FR"}));
    EXPECT_EQ(orbisk::utils::CLanguageSettings::GetInstance().GetLanguage(), before);
    EXPECT_EQ(Title(), L"Untitled - Zephyron Viewer") << "the value is not opened as a file";
}

TEST_F(AppTest, SlideshowAsLastArgumentPostsPlayOnceTheLoopRuns)
{
    struct Case {
        std::vector<CString> arguments;
        int plays;
    };
    const Case cases[] = {{{Wide(HousePath()), L"-slideshow"}, 1}, {{Wide(HousePath())}, 0}};
    for (const Case& c : cases) {
        ASSERT_TRUE(Start(c.arguments));
        int plays = 0;
        AfxGetMainWnd()->Bind(
            wxEVT_MENU, [&plays](wxCommandEvent&) { ++plays; }, CViewerApp::kPlayCommand);
        PumpEventsUntil([&plays] { return plays > 0; }, std::chrono::milliseconds(c.plays ? 20000 : 300));
        EXPECT_EQ(plays, c.plays);
        Exit();
    }
}

TEST_F(AppTest, TextFileIsRefusedAndLeavesAnEmptyDocument)
{
    const fs::path text = m_folder / "notes.zph";
    std::ofstream(text) << "These are notes, not a model.\n";

    // From the command line the start ends.
    EXPECT_FALSE(Start({Wide(text)}));
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0], L"This does not appear to be a Zephyron model!");
    Exit();

    // Into a running viewer that shows a model: the model is gone.
    m_messages.clear();
    ASSERT_TRUE(Start({Wide(HousePath())}));
    ASSERT_GT(Document()->GetModel().GetRoot()->GetCount(), 0);
    EXPECT_EQ(m_app->OpenDocumentFile(Wide(text)), nullptr);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0], L"This does not appear to be a Zephyron model!");
    ASSERT_TRUE(Document());
    EXPECT_EQ(Document()->GetModel().GetRoot()->GetCount(), 0);
    EXPECT_EQ(Title(), L"Untitled - Zephyron Viewer");
}

TEST_F(AppTest, RecentFilesKeepFourAndDropOneThatFailsToOpen)
{
    std::vector<fs::path> models;
    for (int i = 1; i <= 5; ++i) {
        models.push_back(m_folder / ("house" + std::to_string(i) + ".zph"));
        fs::copy_file(HousePath(), models.back());
    }
    ASSERT_TRUE(Start({}));
    for (const fs::path& model : models)
        ASSERT_TRUE(m_app->OpenDocumentFile(Wide(model)));
    CRecentFileList& recent = *m_app->GetRecentFileList();
    ASSERT_EQ(recent.GetSize(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(recent[i].GetString(), models[static_cast<size_t>(4 - i)].wstring()) << "newest first";

    // Entry 3 of the menu is house3, which has gone meanwhile.
    fs::remove(models[2]);
    EXPECT_TRUE(m_app->OnOpenRecentFile(CViewerApp::kFirstRecentFileCommand + 2));
    EXPECT_EQ(m_messages.size(), 1u) << "the user is told that the file cannot be opened";
    ASSERT_EQ(recent.GetSize(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_NE(recent[i].GetString(), models[2].wstring());
    EXPECT_EQ(Title(), L"house5.zph - Zephyron Viewer") << "the model shown stays";

    // An entry that opens moves to the front; the list lives on in the profile.
    EXPECT_TRUE(m_app->OnOpenRecentFile(CViewerApp::kFirstRecentFileCommand + 2));
    EXPECT_EQ(recent[0].GetString(), models[1].wstring());
    EXPECT_FALSE(m_app->OnOpenRecentFile(CViewerApp::kFirstRecentFileCommand + 3)) << "outside the list";
    Exit();
    ASSERT_TRUE(Start({}));
    ASSERT_EQ(m_app->GetRecentFileList()->GetSize(), 3);
    EXPECT_EQ((*m_app->GetRecentFileList())[0].GetString(), models[1].wstring());
}

TEST_F(AppTest, ProfileAccessorsNeedTheApplication)
{
    EXPECT_EQ(GetAppProfileInt(L"Preferences", L"Answer", 5), 5);
    EXPECT_FALSE(WriteAppProfileInt(L"Preferences", L"Answer", 42));
    EXPECT_TRUE(GetAppProfileBool(L"Preferences", L"Answer", true));

    ASSERT_TRUE(Start({}));
    EXPECT_TRUE(WriteAppProfileInt(L"Preferences", L"Answer", 42));
    EXPECT_EQ(GetAppProfileInt(L"Preferences", L"Answer", 5), 42);
    EXPECT_TRUE(GetAppProfileBool(L"Preferences", L"Answer", false));
    EXPECT_TRUE(WriteAppProfileInt(L"Preferences", L"Answer", 0));
    EXPECT_FALSE(GetAppProfileBool(L"Preferences", L"Answer", true));
    EXPECT_EQ(GetAppProfileInt(L"Preferences", L"Missing", -3), -3);
}

TEST_F(AppTest, CurrentViewOverrideWinsUntilCleared)
{
    ASSERT_TRUE(Start({}));
    IZphView* windowView = GetCurrentZphView();
    ASSERT_TRUE(windowView);
    EXPECT_EQ(GetActivPlumoraView(), dynamic_cast<CZphView*>(windowView));
    CZphView offscreen;
    EXPECT_EQ(SetCurrentZphView(&offscreen), &offscreen);
    EXPECT_EQ(GetCurrentZphView(), &offscreen);
    EXPECT_EQ(GetActivPlumoraView(), dynamic_cast<CZphView*>(windowView)) << "the override is ignored";
    SetCurrentZphView(nullptr);
    EXPECT_EQ(GetCurrentZphView(), windowView);
}

TEST_F(AppTest, UpdateViewReplacesTheViewWithTheSameCamera)
{
    ASSERT_TRUE(Start({Wide(HousePath())}));
    ASSERT_TRUE(ShownOnScreen());
    CViewerView* old = View();
    const auto eye = old->GetViewDefinition()->GetCamera().GetEye();

    CViewerView::UpdateView();
    CViewerView* fresh = View();
    ASSERT_TRUE(fresh);
    EXPECT_NE(fresh, old);
    EXPECT_EQ(fresh->m_error, 0);
    ASSERT_EQ(Document()->GetViews().size(), 1u);
    EXPECT_EQ(Document()->GetViews()[0], fresh);
    EXPECT_EQ(fresh->GetViewDefinition()->GetCamera().GetEye(), eye);
    ASSERT_TRUE(ShownOnScreen());
    EXPECT_TRUE(PumpEventsUntil([fresh] { return CentreShowsModel(*fresh); }));
}

TEST_F(AppTest, CursorsOfTheTableAreShownOverTheView)
{
    ASSERT_TRUE(Start({}));
    const HCURSOR arrow = LoadCursor(nullptr, IDC_ARROW);
    EXPECT_EQ(GetViewerCursor(IDC_WAIT), LoadCursor(nullptr, IDC_WAIT)) << "a standard cursor";
    EXPECT_EQ(GetViewerCursor(0), arrow);
    EXPECT_EQ(GetViewerCursor(632), arrow) << "in the table, but without an image";
    EXPECT_EQ(GetViewerCursor(12345), arrow) << "not in the cursor table";
    SetCursorIfValid(nullptr);
    EXPECT_FALSE(View()->GetWindow()->GetCursor().IsOk()) << "nothing set";
    SetCursorIfValid(LoadCursor(nullptr, IDC_ARROW));
    EXPECT_TRUE(View()->GetWindow()->GetCursor().IsOk());
}

TEST_F(AppTest, DroppedModelIsOpened)
{
    ASSERT_TRUE(Start({}));
    EXPECT_EQ(Title(), L"Untitled - Zephyron Viewer");
    // The event owns the list of names.
    auto* files = new wxString[1]{wxString(HousePath().wstring())};
    wxDropFilesEvent drop(wxEVT_DROP_FILES, 1, files);
    AfxGetMainWnd()->GetEventHandler()->ProcessEvent(drop);
    EXPECT_EQ(Title(), L"house.zph - Zephyron Viewer");
}

// A view whose OpenGL start fails with a given code.
class CRefusedGLView : public CBaseGLView {
public:
    bool InitializeOpenGL() override
    {
        m_error = code;
        m_acceleratedFormat = accelerated;
        return false;
    }

    int code = 0;
    bool accelerated = false;
};

TEST_F(AppTest, FailedOpenGLStartIsToldWithItsReason)
{
    struct Case {
        int code;
        bool accelerated;
        int error;
        const wchar_t* ending;
    };
    const Case cases[] = {
        {3, false, 3, L"\r\n\r\nError: SelectPixelFormat failed"},
        {0, false, 9, L"drivers for your graphics card."},
        {5, true, 5, L"the next time you start the application.\r\n\r\nError: wglMakeCurrent failed"},
    };
    wxFrame* frame = new wxFrame(nullptr, wxID_ANY, "Zephyron");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        m_messages.clear();
        GLConfigUtils::WriteValue(L"Accelerated", 1);
        CRefusedGLView view;
        view.code = c.code;
        view.accelerated = c.accelerated;
        ASSERT_TRUE(view.Create(frame, nullptr));
        view.OnInitialUpdate();
        EXPECT_EQ(view.m_error, c.error) << "the application sees the failure";
        ASSERT_EQ(m_messages.size(), 1u);
        EXPECT_TRUE(m_messages[0].starts_with(L"Zephyron was unable to initialize OpenGL!")) << m_messages[0];
        EXPECT_TRUE(m_messages[0].ends_with(c.ending)) << m_messages[0];
        EXPECT_EQ(GLConfigUtils::ReadValue(L"Accelerated", -1), c.accelerated ? 0 : 1)
            << "an accelerated format that failed is not chosen again";
    }
    frame->Destroy();
}

// Steps a fixed number of times, then reports its end.
class CCountingAnimation : public IAnimation {
public:
    explicit CCountingAnimation(int steps, bool& deleted) : m_left(steps), m_deleted(deleted) {}
    bool Step(IZphView* view) override
    {
        ++steps;
        view->Invalidate(false);
        return --m_left > 0;
    }
    void Finish() override {}
    void Pause(bool) override {}
    void Delete() override
    {
        m_deleted = true;
        delete this;
    }

    int steps = 0;

private:
    int m_left;
    bool& m_deleted;
};

TEST_F(AppTest, AnimationStepsOnTimer123AfterEachFrame)
{
    ASSERT_TRUE(Start({Wide(HousePath())}));
    ASSERT_TRUE(ShownOnScreen());
    CViewerView* view = View();
    bool deleted = false;
    auto* animation = new CCountingAnimation(3, deleted);
    view->SetAnimation(animation);
    view->SetFrameDelay(0.01);
    view->Invalidate(false);
    ASSERT_TRUE(PumpEventsUntil([&deleted] { return deleted; })) << "the animation ran to its end";
    EXPECT_EQ(view->GetAnimation(), nullptr);
    EXPECT_EQ(view->GetTimerId(), 0) << "no timer after the last step";

    // Only the view's timer id counts.
    deleted = false;
    animation = new CCountingAnimation(5, deleted);
    view->SetAnimation(animation);
    view->OnTimer(CViewerView::kAnimationTimerId);
    EXPECT_EQ(animation->steps, 0) << "no timer was running";
    view->StartTimer();
    EXPECT_EQ(view->GetTimerId(), CViewerView::kAnimationTimerId);
    view->OnTimer(7);
    EXPECT_EQ(animation->steps, 0);
    view->OnTimer(CViewerView::kAnimationTimerId);
    EXPECT_EQ(animation->steps, 1);
    view->SetAnimation(nullptr);
    EXPECT_TRUE(deleted);
}

TEST_F(AppTest, EveryProcessWideHookIsInstalledWhileTheApplicationRunsAndNoneOutlivesIt)
{
    ASSERT_TRUE(Start({}));
    CAppServices* services = m_app->GetServices();
    ASSERT_TRUE(services);
    EXPECT_TRUE(services->AreInstalled());
    EXPECT_EQ(GetTimerService(), &services->GetWxTimerService());
    EXPECT_TRUE(dynamic_cast<CTextRasterizer*>(GetTextRasterizer()));
    EXPECT_TRUE(dynamic_cast<ViewerMenuHelperUI*>(ZephyronMenuHelper::GetHook()));
    ASSERT_TRUE(GetToolHost());
    EXPECT_EQ(GetToolHost()->GetCurrentZphView(), GetCurrentZphView());
    EXPECT_TRUE(dynamic_cast<AppStatusBarUI*>(StatusBar::GetHook()));
    EXPECT_TRUE(HasMessageBoxHook()) << "the test's recorder, in the program the host's window";

    Exit();
    EXPECT_EQ(GetTimerService(), nullptr);
    EXPECT_EQ(GetTextRasterizer(), nullptr);
    EXPECT_EQ(GetToolHost(), nullptr);
    EXPECT_EQ(ZephyronMenuHelper::GetHook(), nullptr);
    EXPECT_EQ(StatusBar::GetHook(), nullptr);
}

TEST_F(AppTest, StatusBarHookWritesIntoTheMainFramesStatusBarOnceItHasOne)
{
    ASSERT_TRUE(Start({}));
    StatusBar::ShowValueBox(true);
    EXPECT_FALSE(StatusBar::IsValueBoxVisible()) << "no status bar yet";

    wxStatusBar* bar = AfxGetMainWnd()->CreateStatusBar(3);
    StatusBar::SetPromptText(L"Pick a point");
    StatusBar::SetValueLabel(L"Length");
    StatusBar::SetValueText(L"12.345", false);
    StatusBar::ShowValueBox(true);
    EXPECT_EQ(bar->GetStatusText(0), "Pick a point");
    EXPECT_EQ(bar->GetStatusText(1), "Length");
    EXPECT_EQ(bar->GetStatusText(2), "12.345");
    EXPECT_TRUE(StatusBar::IsValueBoxVisible());

    StatusBar::Refresh();
    for (int pane = 0; pane < 3; ++pane)
        EXPECT_TRUE(bar->GetStatusText(pane).empty()) << pane;
}

// Orbits as the orbit tool does, over a model that takes long to draw: every frame it is active
// in lasts longer than the level-of-detail target.
class CSlowFrameOrbitTool : public CCameraOrbitTool {
public:
    void DrawOverlay(IZphView*) override { std::this_thread::sleep_for(std::chrono::milliseconds(250)); }
};

// Whether each frame the view finished was at full detail, in order.
class CFrameDetailLog : public orbisk::utils::IObserver {
public:
    CFrameDetailLog()
    {
        orbisk::utils::CNotificationCenter::GetInstance().AddObserver("ViewRefreshNotification", this);
    }
    ~CFrameDetailLog() override
    {
        orbisk::utils::CNotificationCenter::GetInstance().RemoveObserverFromAll(this);
    }
    void OnNotification(const char*, void* payload) override
    {
        fullDetail.push_back(static_cast<IZphView*>(payload)->IsFullDetail());
    }

    bool HasDegraded() const
    {
        return std::find(fullDetail.begin(), fullDetail.end(), false) != fullDetail.end();
    }
    bool FullAfterDegraded() const
    {
        const auto degraded = std::find(fullDetail.begin(), fullDetail.end(), false);
        return degraded != fullDetail.end() &&
               std::find(degraded, fullDetail.end(), true) != fullDetail.end();
    }

    std::vector<bool> fullDetail;
};

void SendMouseToView(wxWindow& window, wxEventType type, int x, int y, bool leftHeld)
{
    wxMouseEvent event(type);
    event.SetPosition(wxPoint(x, y));
    event.SetLeftDown(leftHeld);
    event.SetEventObject(&window);
    window.HandleWindowEvent(event);
}

TEST_F(AppTest, FrameDegradedWhileOrbitingIsFollowedByAFullDetailFrameOnceTheCameraStops)
{
    ASSERT_TRUE(Start({Wide(HousePath())}));
    ASSERT_TRUE(ShownOnScreen());
    CViewerView* view = View();
    view->GetToolManager()->SetTool(new CSlowFrameOrbitTool, CCameraOrbitTool::kToolId, true);
    CFrameDetailLog frames;

    // A drag, one pixel per turn of the event loop, until slow frames have dropped features.
    wxWindow& window = *view->GetWindow();
    int x = window.GetClientSize().GetWidth() / 2;
    const int y = window.GetClientSize().GetHeight() / 2;
    SendMouseToView(window, wxEVT_LEFT_DOWN, x, y, true);
    ASSERT_TRUE(PumpEventsUntil(
        [&] {
            SendMouseToView(window, wxEVT_MOTION, ++x, y, true);
            return frames.HasDegraded();
        },
        std::chrono::seconds(30)));
    const uint32_t restoreTimer = view->GetDetailTimer().GetTimerId();
    EXPECT_TRUE(m_app->GetServices()->GetWxTimerService().IsRunning(restoreTimer))
        << "a timer of the event loop";
    SendMouseToView(window, wxEVT_LEFT_UP, x, y, false);

    // Nothing asks for frames any more: the restore timer brings full detail back.
    EXPECT_TRUE(PumpEventsUntil([&frames] { return frames.FullAfterDegraded(); }, std::chrono::seconds(30)));
}

}  // namespace
