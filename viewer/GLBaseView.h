#pragma once
// CBaseGLView: a document view that is at the same time the model view. Its window is a GL
// canvas, a child of the frame. OpenGL starts on that window at the first update, with the
// pixel format the graphics configuration chooses, and failures are told to the user once;
// OpenGL ends when the window goes. Painting draws one frame of the model view.

#include "platform/mfc/Document.h"
#include "platform/mfc/Object.h"
#include "view/ZphView.h"

class CGLCanvas;
class CGLWindowDC;
class wxWindow;
class wxSizeEvent;

class CBaseGLView : public CView, public CZphView {
    DECLARE_DYNAMIC(CBaseGLView)
public:
    CBaseGLView();
    // Destroys the window when it still exists.
    ~CBaseGLView() override;

    // Makes the view's window in the parent and joins the document; false when the display
    // offers no GL window or OnCreate refuses.
    bool Create(wxWindow* parent, CDocument* document);
    // Ends OpenGL (OnDestroy), then destroys the window. Safe to call twice.
    void DestroyWindow();

    // Called when the window exists; -1 ends creation.
    virtual int OnCreate() { return 0; }
    // The framework's first update, then OpenGL when the model view has no context yet.
    virtual void OnInitialUpdate();
    // The redraw of the document's UpdateAllViews.
    void OnUpdate(CView* sender, intptr_t hint, CObject* hintObject) override;
    virtual bool InitializeOpenGL();
    virtual void TerminateOpenGL();
    // Draws one frame into the window.
    virtual void OnDraw();
    // The window's client size changed.
    virtual void OnSize(int width, int height);
    // The window is going: OpenGL ends.
    virtual void OnDestroy();

    // The GL configuration was reset at start-up because the stored data were invalid.
    bool GetGLSettingsReset() const { return m_settingsReset; }
    bool IsAcceleratedFormat() const { return m_acceleratedFormat; }
    // The device context of the view's window context, null without a context.
    CGLWindowDC* GetGLDC() const;
    CGLCanvas* GetWindow() const { return m_window; }

    // The context error code of the last OpenGL start, 0 when none.
    int m_error = 0;

protected:
    // Connects the window's messages to the view; run again when the window is replaced.
    virtual void BindWindowEvents();

    bool m_acceleratedFormat = false;
    bool m_settingsReset = false;
    CGLCanvas* m_window = nullptr;

private:
    // The canvas again, on the frame-buffer configuration of the chosen pixel format; false
    // when the display cannot make one.
    bool RecreateWindowForFormat(CGLWindowDC& dc, int pixelFormat);
    void OnWindowSize(wxSizeEvent& event);

    bool m_destroyed = false;
};
