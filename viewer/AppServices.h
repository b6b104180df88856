#pragma once
// CAppServices: every process-wide hook of the viewer, in one place. Making it installs them,
// destroying it takes them out again in the reverse order, each only while it is still the one
// installed, putting back what was there before. The application makes it as the first step of
// start-up and destroys it as the last step of exit, after the windows, the document and its
// tools have gone: they still call the hooks while they go (a view stops its level-of-detail
// timer, a tool hides the measurements box).
//
// In the order they are installed:
//   timer service    the timers of CZphTimerCallback (the level-of-detail restore), over wxTimer
//   text rasteriser  the text images; taking it out also frees its shared buffer
//   tool host        cursors, the mouse position and the current view for the tools, and
//                    the current view for the model (texts bound their labels in it)
//   menu hook        the popup menus of tools and panels
//   status-bar hook  the tools' prompts and measurements, in the main frame's status bar
//
// The message box (AfxMessageBox) is not installed here: the application host (CWinApp over
// wxApp) installs it before InitInstance and takes it out after ExitInstance, so that it
// encloses this object's whole life; a test installs a recorder instead. AreInstalled checks
// it with the rest.

#include "components/TextRasterizer.h"
#include "database/CurrentModel.h"
#include "tools/StatusBarHook.h"
#include "tools/Tool.h"
#include "viewer/ViewerMenus.h"
#include "viewer/WxTimerService.h"

// What the tools ask of the application: cursors of its table, the mouse and the current view;
// the model asks for the current view too.
class CViewerToolHost : public IToolHost, public ICurrentViewSource {
public:
    HCURSOR GetViewerCursor(int id) override;
    void SetCursor(HCURSOR cursor) override;
    bool GetCursorPos(POINT& point) override;
    IZphView* GetCurrentZphView() override;
    IModelView* GetCurrentView() override;
};

// The status bar of the main frame: pane 0 the prompt, pane 1 the measurement's label, pane 2
// its value (with fewer panes both go to pane 0). Without a main frame or without a status bar
// on it every call does nothing and the measurements box reads as hidden.
class AppStatusBarUI : public StatusBar::UI {
public:
    // Empties every pane, pane 0 last.
    void Refresh() override;
    // Shown at once, not at the next paint.
    void SetPromptText(const CString& text) override;
    bool IsValueBoxVisible() override;
    // The flag only: the panes of the toolkit's status bar have no colours of their own.
    void ShowValueBox(bool show) override;
    // Left unchanged while the value pane has a style of its own.
    void SetValueLabel(const CString& text) override;
    void SetValueText(const CString& text, bool flag) override;

private:
    bool m_valueBoxShown = false;
};

class CAppServices {
public:
    CAppServices();
    ~CAppServices();
    CAppServices(const CAppServices&) = delete;
    CAppServices& operator=(const CAppServices&) = delete;

    // Whether each hook installed here is still this object's and a message box is installed.
    bool AreInstalled() const;

    CWxTimerService& GetWxTimerService() { return m_timerService; }

private:
    CWxTimerService m_timerService;
    CTextRasterizer m_textRasterizer;
    CViewerToolHost m_toolHost;
    ViewerMenuHelperUI m_menuHook;
    AppStatusBarUI m_statusBarHook;

    ITimerService* m_previousTimerService = nullptr;
    ITextRasterizer* m_previousTextRasterizer = nullptr;
    IToolHost* m_previousToolHost = nullptr;
    ICurrentViewSource* m_previousViewSource = nullptr;
    ZephyronMenuHelper::UI* m_previousMenuHook = nullptr;
    StatusBar::UI* m_previousStatusBarHook = nullptr;
};
