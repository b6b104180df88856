#pragma once
// CMainFrame: the viewer's one top-level window, made by the document template. It holds the
// view, which fills it, and carries the open model's name in its title. A first start opens it
// at least 630 by 440 pixels, inside the screen.
//
// It carries the menu bar and routes every menu and toolbar command, and every update of an
// item's state, to the view first and then to the run-time command range; an item of the
// menu bar whose command nobody handles is greyed.

#include "platform/mfc/FrameWnd.h"

class CCmdUI;
class wxCommandEvent;
class wxUpdateUIEvent;

class CMainFrame : public CFrameWnd {
    DECLARE_DYNCREATE(CMainFrame)
public:
    static constexpr int kMinimumWidth = 630;
    static constexpr int kMinimumHeight = 440;

    CMainFrame();
    // The view goes with the frame.
    ~CMainFrame() override;

    // Runs the command; false when nobody handles it.
    bool RouteCommand(int id);
    // Runs the update handler of the item's command; false when nobody handles the command.
    bool RouteUpdate(CCmdUI& ui);

protected:
    bool PreCreateWindow(wxPoint& position, wxSize& size) override;
    int OnCreate(CCreateContext* context) override;
    bool OnCreateClient(CCreateContext* context) override;
    void InitialUpdateFrame(CDocument* document, bool makeVisible) override;

private:
    void OnMenuCommand(wxCommandEvent& event);
    void OnUpdateCommandUI(wxUpdateUIEvent& event);
};
