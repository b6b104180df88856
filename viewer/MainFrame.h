#pragma once
// CMainFrame: the viewer's one top-level window, made by the document template. It holds the
// view, which fills it, and carries the open model's name in its title. A first start opens it
// at least 630 by 440 pixels, inside the screen.

#include "platform/mfc/FrameWnd.h"

class CMainFrame : public CFrameWnd {
    DECLARE_DYNCREATE(CMainFrame)
public:
    static constexpr int kMinimumWidth = 630;
    static constexpr int kMinimumHeight = 440;

    CMainFrame();
    // The view goes with the frame.
    ~CMainFrame() override;

protected:
    bool PreCreateWindow(wxPoint& position, wxSize& size) override;
    bool OnCreateClient(CCreateContext* context) override;
    void InitialUpdateFrame(CDocument* document, bool makeVisible) override;
};
