#pragma once
// CFrameWnd: the top-level window of a single-document application, over wxFrame. It is made
// by the document template in two steps as the framework does (construct, then LoadFrame) so
// that derived frames can size themselves before the window exists and make their client
// view afterwards. It keeps its active view, titles itself "<document> - <application>", opens
// dropped files through the application, and tells the template when it is gone.

#include <wx/frame.h>

#include "platform/mfc/Object.h"
#include "platform/mfc/String.h"

class CDocument;
class CView;
struct CCreateContext;

class CFrameWnd : public wxFrame, public CObject {
    DECLARE_DYNAMIC(CFrameWnd)
public:
    CFrameWnd();
    ~CFrameWnd() override;

    // Makes the window with the application's title: PreCreateWindow, the window, OnCreate,
    // then OnCreateClient for the view. False (nothing left open) when a step fails.
    bool LoadFrame(const CString& appTitle, CCreateContext* context);

    CView* GetActiveView() const { return m_pActiveView; }
    void SetActiveView(CView* view) { m_pActiveView = view; }
    // The active view's document.
    CDocument* GetActiveDocument() const;

    // Shows the frame, then gives the views their first update.
    virtual void InitialUpdateFrame(CDocument* document, bool makeVisible);
    // "<document title> - <application title>"; the document title is the file name of its
    // path, "Untitled" without one.
    virtual void OnUpdateFrameTitle();
    const CString& GetAppTitle() const { return m_appTitle; }

protected:
    // Position and size before the window exists; false cancels creation.
    virtual bool PreCreateWindow(wxPoint& position, wxSize& size);
    // -1 ends creation.
    virtual int OnCreate(CCreateContext* context);
    // Makes the client view; false ends creation.
    virtual bool OnCreateClient(CCreateContext* context);
    // Closing the window destroys it.
    virtual void OnClose();

    CView* m_pActiveView = nullptr;

private:
    void OnDropFiles(wxDropFilesEvent& event);

    CString m_appTitle;
};
