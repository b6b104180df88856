#include "viewer/MainFrame.h"

#include <wx/display.h>

#include <algorithm>

#include "platform/mfc/WinApp.h"
#include "viewer/GLBaseView.h"

IMPLEMENT_DYNCREATE(CMainFrame, CFrameWnd)

CMainFrame::CMainFrame() = default;

CMainFrame::~CMainFrame()
{
    CView* view = m_pActiveView;
    m_pActiveView = nullptr;
    delete view;
}

bool CMainFrame::PreCreateWindow(wxPoint& position, wxSize& size)
{
    const wxRect screen = wxDisplay(0u).GetGeometry();
    int width = std::max(size.GetWidth(), kMinimumWidth);
    int height = std::max(size.GetHeight(), kMinimumHeight);
    width = std::min(width, screen.GetWidth());
    height = std::min(height, screen.GetHeight());
    // Moved left and up so that the window ends inside the screen.
    int x = position == wxDefaultPosition ? screen.GetX() : position.x;
    int y = position == wxDefaultPosition ? screen.GetY() : position.y;
    x = std::max(screen.GetX(), std::min(x, screen.GetRight() + 1 - width));
    y = std::max(screen.GetY(), std::min(y, screen.GetBottom() + 1 - height));
    position = wxPoint(x, y);
    size = wxSize(width, height);
    return CFrameWnd::PreCreateWindow(position, size);
}

bool CMainFrame::OnCreateClient(CCreateContext* context)
{
    if (!context || !context->m_pNewViewClass)
        return false;
    CObject* object = context->m_pNewViewClass->CreateObject();
    auto* view = dynamic_cast<CBaseGLView*>(object);
    if (!view) {
        delete object;
        return false;
    }
    if (!view->Create(this, context->m_pCurrentDoc)) {
        delete view;
        return false;
    }
    SetActiveView(view);
    return true;
}

void CMainFrame::InitialUpdateFrame(CDocument* document, bool makeVisible)
{
    // GL starts on a window that exists on the screen.
    if (makeVisible)
        Show();
    if (auto* view = dynamic_cast<CBaseGLView*>(m_pActiveView)) {
        // A view made before the document joins it now.
        if (document && !view->GetDocument())
            document->AddView(view);
        view->OnInitialUpdate();
    }
    CFrameWnd::InitialUpdateFrame(document, makeVisible);
}
