#include "viewer/AppServices.h"

#include <wx/gdicmn.h>
#include <wx/statusbr.h>

#include "database/IZphView.h"
#include "platform/mfc/MessageBox.h"
#include "platform/mfc/WxText.h"
#include "viewer/MainFrame.h"
#include "viewer/ViewerApp.h"

namespace {

constexpr int kPromptPane = 0;
constexpr int kLabelPane = 1;
constexpr int kValuePane = 2;

wxStatusBar* MainStatusBar()
{
    auto* frame = dynamic_cast<CMainFrame*>(AfxGetMainWnd());
    return frame ? frame->GetStatusBar() : nullptr;
}

void SetMeasurementPane(int pane, const CString& text)
{
    wxStatusBar* bar = MainStatusBar();
    if (!bar)
        return;
    if (bar->GetFieldsCount() <= kValuePane) {
        bar->SetStatusText(ToWxString(text.GetString()), kPromptPane);
        return;
    }
    if (bar->GetStatusStyle(kValuePane) != wxSB_NORMAL)
        return;
    bar->SetStatusText(ToWxString(text.GetString()), pane);
}

}  // namespace

// ----------------------------------------------------------------------------------------------
// The tool host.

HCURSOR CViewerToolHost::GetViewerCursor(int id)
{
    return ::GetViewerCursor(id);
}

void CViewerToolHost::SetCursor(HCURSOR cursor)
{
    SetCursorIfValid(cursor);
}

bool CViewerToolHost::GetCursorPos(POINT& point)
{
    const wxPoint position = wxGetMousePosition();
    point.x = position.x;
    point.y = position.y;
    return true;
}

IZphView* CViewerToolHost::GetCurrentZphView()
{
    return ::GetCurrentZphView();
}

IModelView* CViewerToolHost::GetCurrentView()
{
    return ::GetCurrentZphView();
}

// ----------------------------------------------------------------------------------------------
// The status bar.

void AppStatusBarUI::Refresh()
{
    wxStatusBar* bar = MainStatusBar();
    if (!bar)
        return;
    for (int pane = bar->GetFieldsCount() - 1; pane >= 0; --pane)
        bar->SetStatusText(wxString(), pane);
}

void AppStatusBarUI::SetPromptText(const CString& text)
{
    wxStatusBar* bar = MainStatusBar();
    if (!bar)
        return;
    bar->SetStatusText(ToWxString(text.GetString()), kPromptPane);
    bar->Update();
}

bool AppStatusBarUI::IsValueBoxVisible()
{
    return MainStatusBar() && m_valueBoxShown;
}

void AppStatusBarUI::ShowValueBox(bool show)
{
    wxStatusBar* bar = MainStatusBar();
    if (!bar)
        return;
    m_valueBoxShown = show;
    bar->Refresh(false);
}

void AppStatusBarUI::SetValueLabel(const CString& text)
{
    SetMeasurementPane(kLabelPane, text);
}

void AppStatusBarUI::SetValueText(const CString& text, bool)
{
    SetMeasurementPane(kValuePane, text);
}

// ----------------------------------------------------------------------------------------------
// Installation.

CAppServices::CAppServices()
{
    m_previousTimerService = SetTimerService(&m_timerService);
    m_previousTextRasterizer = GetTextRasterizer();
    SetTextRasterizer(&m_textRasterizer);
    m_previousToolHost = SetToolHost(&m_toolHost);
    m_previousViewSource = SetCurrentViewSource(&m_toolHost);
    m_previousMenuHook = ZephyronMenuHelper::SetHook(&m_menuHook);
    m_previousStatusBarHook = StatusBar::SetHook(&m_statusBarHook);
}

CAppServices::~CAppServices()
{
    if (StatusBar::GetHook() == &m_statusBarHook)
        StatusBar::SetHook(m_previousStatusBarHook);
    if (ZephyronMenuHelper::GetHook() == &m_menuHook)
        ZephyronMenuHelper::SetHook(m_previousMenuHook);
    if (GetCurrentViewSource() == &m_toolHost)
        SetCurrentViewSource(m_previousViewSource);
    if (GetToolHost() == &m_toolHost)
        SetToolHost(m_previousToolHost);
    if (GetTextRasterizer() == &m_textRasterizer)
        SetTextRasterizer(m_previousTextRasterizer);
    ReleaseTextRasterizer();
    if (GetTimerService() == &m_timerService)
        SetTimerService(m_previousTimerService);
}

bool CAppServices::AreInstalled() const
{
    return GetTimerService() == &m_timerService && GetTextRasterizer() == &m_textRasterizer &&
           GetToolHost() == &m_toolHost && GetCurrentViewSource() == &m_toolHost &&
           ZephyronMenuHelper::GetHook() == &m_menuHook && StatusBar::GetHook() == &m_statusBarHook &&
           HasMessageBoxHook();
}
