#include "viewer/ViewerApp.h"

#include <wx/event.h>

#include <clocale>

#include "database/CurrentModel.h"
#include "database/UndoManager.h"
#include "database/XmlValueHelpers.h"
#include "platform/mfc/Document.h"
#include "platform/mfc/FrameWnd.h"
#include "platform/mfc/IconCursor.h"
#include "platform/mfc/MessageBox.h"
#include "platform/wgl/GLCanvas.h"
#include "settings/ShadowInfo.h"
#include "support/LanguageSettings.h"
#include "support/NotificationCenter.h"
#include "support/StringTable.h"
#include "view/ZphView.h"
#include "viewer/Command.h"
#include "viewer/CommandLineInfoEx.h"
#include "viewer/GLConfigUtils.h"
#include "viewer/MainFrame.h"
#include "viewer/ViewerCursors.h"
#include "viewer/ViewerDoc.h"
#include "viewer/ViewerView.h"

namespace {

using orbisk::utils::CNotificationCenter;

constexpr wchar_t kDocTemplateString[] =
    L"Zephyron Viewer\n\nZephyron Viewer\nZephyron Model (*.zph)\n.zph\nZephyron.Document\nZephyron Model";
constexpr char kSettingsResetWarning[] =
    "WARNING: Your OpenGL Properties settings have been reset to\ntheir defaults.  This may have been caused "
    "by "
    "resetting your\nWindows Display Properties or by tampering with the Zephyron registry.";
constexpr char kResynchUINotification[] = "Resynch UI Notification";
constexpr char kExitNotification[] = "Exit Notification";
constexpr int kRecentFileCount = 4;

IZphView* g_currentViewOverride = nullptr;

void PostResynchUI()
{
    CNotificationCenter::GetInstance().PostNotification(kResynchUINotification, GetCurrentModel());
}

CView* ActiveView()
{
    CFrameWnd* frame = AfxGetMainWnd();
    return frame ? frame->GetActiveView() : nullptr;
}

}  // namespace

// The title under which the profile lives: "Software\Quenta\Viewer".
CViewerApp::CViewerApp() : CWinApp(L"Viewer") {}

CViewerApp::~CViewerApp() = default;

bool CViewerApp::InitInstance()
{
    // First: every later step may reach a hook (the first frame already draws text images).
    m_services.emplace();
    std::setlocale(LC_TIME, "");
    CSuspendUndo unrecorded;

    CCommandLineInfoEx commandLine;
    ParseCommandLine(commandLine);
    CString language;
    if (commandLine.GetSwitchValue(L"lang", language) && !language.IsEmpty())
        orbisk::utils::CLanguageSettings::GetInstance().SetExplicitLanguage(language.GetString());
    m_resourceLoader.Load(L"Viewer");
    GLConfigUtils::InitConfigKey();

    SetRegistryKey(L"Quenta");
    LoadStdProfileSettings(kRecentFileCount);
    AddDocTemplate(new CSingleDocTemplate(kDocTemplateId, kDocTemplateString, RUNTIME_CLASS(CViewerDoc),
                                          RUNTIME_CLASS(CMainFrame), RUNTIME_CLASS(CViewerView)));

    if (!ProcessShellCommand(commandLine))
        return false;
    auto* view = dynamic_cast<CViewerView*>(GetCurrentZphView());
    if (!view || view->m_error != 0)
        return false;

    CFrameWnd* frame = m_pMainWnd;
    if (!frame)
        return false;
    frame->Show();
    if (dynamic_cast<CMainFrame*>(frame)) {
        if (auto* document = dynamic_cast<CViewerDoc*>(frame->GetActiveDocument()))
            document->SyncSceneTabs();
        CShadowNotification notification{CShadowNotification::kReplacedByModel, nullptr};
        CNotificationCenter::GetInstance().PostNotification(kShadowNotification, &notification);
    }
    frame->SetFocus();
    frame->Update();
    frame->DragAcceptFiles(true);

    if (view->GetGLSettingsReset())
        AfxMessageBox(orbisk::utils::TranslateString(kSettingsResetWarning), MB_OK);
    if (commandLine.HasSwitch(L"slideshow")) {
        // Queued, so that the slideshow starts once the message loop runs.
        wxCommandEvent play(wxEVT_MENU, kPlayCommand);
        wxPostEvent(frame, play);
    }
    view->MakeCurrent();
    if (!GLConfigUtils::UseHWAccelerationFirstTime())
        CViewerView::UpdateView();
    return true;
}

int CViewerApp::ExitInstance()
{
    CSuspendUndo unrecorded;
    CNotificationCenter::GetInstance().PostNotification(kExitNotification, nullptr);
    // The window and the document go before the statics they draw and read with, and before the
    // hooks they call while they go.
    const int result = CWinApp::ExitInstance();
    m_resourceLoader.Unload();
    ReleaseZephyronNamespaceMap();
    m_services.reset();
    return result;
}

bool CViewerApp::OnIdle(long count)
{
    // Commands of popup menus gone since the last idle time can go now.
    RunDeferredCommandReleases();
    return CWinApp::OnIdle(count);
}

void CViewerApp::OnFileNew()
{
    CWinApp::OnFileNew();
    PostResynchUI();
}

bool CViewerApp::OnOpenRecentFile(unsigned commandId)
{
    CRecentFileList* recent = GetRecentFileList();
    if (!recent || commandId < kFirstRecentFileCommand || commandId > kLastRecentFileCommand)
        return false;
    const int index = static_cast<int>(commandId - kFirstRecentFileCommand);
    if (index >= recent->GetSize())
        return false;
    CFrameWnd* frame = m_pMainWnd;
    if (frame && frame->GetActiveDocument()) {
        const CString path = (*recent)[index];
        if (!OpenDocumentFile(path)) {
            // The open may have changed the list meanwhile: the failing entry is found by name.
            for (int i = 0; i < recent->GetSize(); ++i) {
                if ((*recent)[i] == path) {
                    recent->Remove(i);
                    break;
                }
            }
            UpdateActiveDocumentViews();
        }
    }
    PostResynchUI();
    return true;
}

CViewerApp* GetViewerApp()
{
    return dynamic_cast<CViewerApp*>(AfxGetApp());
}

IZphView* GetCurrentZphView()
{
    if (g_currentViewOverride)
        return g_currentViewOverride;
    return dynamic_cast<IZphView*>(ActiveView());
}

IZphView* SetCurrentZphView(IZphView* view)
{
    g_currentViewOverride = view;
    return view;
}

CZphView* GetActivPlumoraView()
{
    if (!dynamic_cast<CMainFrame*>(AfxGetMainWnd()))
        return nullptr;
    return dynamic_cast<CZphView*>(ActiveView());
}

void UpdateActiveDocumentViews()
{
    CFrameWnd* frame = AfxGetMainWnd();
    if (CDocument* document = frame ? frame->GetActiveDocument() : nullptr)
        document->UpdateAllViews(nullptr, 0, nullptr);
}

HCURSOR GetViewerCursor(int id)
{
    // Standard cursors, the table's, then those added at run time; the arrow for anything else.
    return CViewerCursors::GetInstance().FindCursor(id);
}

void SetCursorIfValid(HCURSOR cursor)
{
    if (!cursor)
        return;
    CFrameWnd* frame = AfxGetMainWnd();
    auto* view = dynamic_cast<CBaseGLView*>(ActiveView());
    wxWindow* window = view && view->GetWindow() ? static_cast<wxWindow*>(view->GetWindow()) : frame;
    if (window)
        window->SetCursor(ToWxCursor(cursor));
}

int GetAppProfileInt(const wchar_t* section, const wchar_t* entry, int defaultValue)
{
    CWinApp* app = AfxGetApp();
    return app ? app->GetProfileInt(section, entry, defaultValue) : defaultValue;
}

bool WriteAppProfileInt(const wchar_t* section, const wchar_t* entry, int value)
{
    CWinApp* app = AfxGetApp();
    return app && app->WriteProfileInt(section, entry, value);
}

bool GetAppProfileBool(const wchar_t* section, const wchar_t* entry, bool defaultValue)
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return defaultValue;
    return app->GetProfileInt(section, entry, defaultValue ? 1 : 0) != 0;
}
