#pragma once
// CViewerView: the application's view. It gives the model view its window (redraws, screen
// coordinates, capture, the animation timer), follows the document's model, and routes every
// mouse, wheel and key message of its window to the document's tool manager. The animation
// timer has id 123: after each drawn frame it is armed with the delay the running animation
// last asked for, and when it fires the animation takes one step.

#include <memory>
#include <set>

#include "viewer/GLBaseView.h"

class wxTimer;
class wxTimerEvent;
class wxMouseEvent;
class wxKeyEvent;
class CCmdUI;

class CViewerView : public CBaseGLView {
    DECLARE_DYNCREATE(CViewerView)
public:
    static constexpr int kAnimationTimerId = 123;

    CViewerView();
    ~CViewerView() override;

    // CBaseGLView.
    int OnCreate() override;
    void OnInitialUpdate() override;
    void OnDraw() override;
    void OnDestroy() override;

    // The model view takes the document's model.
    virtual void AttachModelView();
    // The document's model and tool manager become the current ones.
    virtual void ActivateDocument();

    // Window services of the model view.
    void Invalidate(bool erase) override;
    void ClientToScreen(POINT& point) override;
    void ScreenToClient(POINT& point) override;
    void SetCapture() override;
    void GetDPI(int out[2]) override;
    void SetFrameDelay(double seconds) override;

    // The animation timer: one shot after the animation's interval (at least 1 ms).
    void StartTimer();
    void StopTimer();
    // The id of the running timer, 0 when none runs.
    int GetTimerId() const { return m_timerId; }
    // A window timer fired; only the animation timer counts.
    void OnTimer(int id);
    // One step of the running animation unless it is paused; an animation that reports its
    // end is removed.
    void AdvanceAnimation();

    // Replaces the frame's view by a new one that starts OpenGL with the now active
    // configuration; the old view stays when the new one fails.
    static void UpdateView();

    // The last handled mouse position, client pixels.
    int GetLastMouseX() const { return m_lastMouseX; }
    int GetLastMouseY() const { return m_lastMouseY; }

    // The tool manager of the view's document; null when the document has none.
    CToolManager* GetToolManager() override;
    void DrawToolOverlay() override;

    // The window's messages in the tools' terms: flags are the mouse-key flags of CTool (Alt
    // included), points are client pixels. Each reaches the active tool through the manager.
    void OnLButtonDown(int flags, int x, int y);
    void OnLButtonUp(int flags, int x, int y);
    void OnLButtonDblClk(int flags, int x, int y);
    void OnRButtonDown(int flags, int x, int y);
    void OnRButtonUp(int flags, int x, int y);
    void OnRButtonDblClk(int flags, int x, int y);
    void OnMButtonDown(int flags, int x, int y);
    void OnMButtonUp(int flags, int x, int y);
    void OnMButtonDblClk(int flags, int x, int y);
    void OnMouseMove(int flags, int x, int y);
    void OnMouseLeave();
    // One zoom step about the pixel whatever the size of the delta.
    void OnMouseWheel(int flags, int delta, int x, int y);
    // Virtual-key codes; true when a tool used the key.
    bool OnKeyDown(int key, int repeat, int keyFlags);
    bool OnKeyUp(int key, int repeat, int keyFlags);
    // A typed character: Enter and Escape, else the measurements box's text.
    void OnChar(wchar_t ch);
    // The active tool's cursor; false when it shows none.
    bool OnSetCursor();

    // View commands (ViewCommands.cpp). OnViewCommand runs the view's handler of a command and
    // OnUpdateViewCommand its update handler; both are false when the view has no handler for
    // the id.
    bool OnViewCommand(int id);
    bool OnUpdateViewCommand(CCmdUI& ui);
    void OnViewTop();
    void OnViewBottom();
    void OnViewFront();
    void OnViewBack();
    void OnViewLeft();
    void OnViewRight();
    void OnViewIso();
    void OnOrbit();
    void OnPan();
    void OnZoom();
    void OnFieldOfView();
    void OnZoomWindow();
    void OnUpdateOrbit(CCmdUI& ui);
    void OnUpdatePan(CCmdUI& ui);
    void OnUpdateZoom(CCmdUI& ui);
    void OnUpdateFieldOfView(CCmdUI& ui);
    void OnUpdateZoomWindow(CCmdUI& ui);
    void OnWireframe();
    void OnHiddenLine();
    void OnShaded();
    void OnShadedWithTextures();
    void OnMonochrome();
    void OnUpdateWireframe(CCmdUI& ui);
    void OnUpdateHiddenLine(CCmdUI& ui);
    void OnUpdateShaded(CCmdUI& ui);
    void OnUpdateShadedWithTextures(CCmdUI& ui);
    void OnUpdateMonochrome(CCmdUI& ui);
    void OnEdges();
    void OnProfileEdges();
    void OnExtendedEdges();
    void OnJitterEdges();
    void OnDepthCue();
    void OnEndpoints();
    void OnUpdateEdges(CCmdUI& ui);
    void OnUpdateProfileEdges(CCmdUI& ui);
    void OnUpdateExtendedEdges(CCmdUI& ui);
    void OnUpdateJitterEdges(CCmdUI& ui);
    void OnUpdateDepthCue(CCmdUI& ui);
    void OnUpdateEndpoints(CCmdUI& ui);
    void OnHiddenGeometry();
    void OnGuides();
    void OnSectionPlanes();
    void OnSectionCuts();
    void OnAxes();
    void OnShadows();
    void OnTransparentMaterials();
    void OnUpdateHiddenGeometry(CCmdUI& ui);
    void OnUpdateGuides(CCmdUI& ui);
    void OnXRay();
    void OnBackEdges();
    void OnUpdateXRay(CCmdUI& ui);
    void OnUpdateBackEdges(CCmdUI& ui);
    void OnUpdateSectionPlanes(CCmdUI& ui);
    void OnUpdateSectionCuts(CCmdUI& ui);
    void OnUpdateAxes(CCmdUI& ui);
    void OnUpdateShadows(CCmdUI& ui);
    void OnUpdateTransparentMaterials(CCmdUI& ui);
    // Fog of the current model.
    void OnFog();
    void OnUpdateFog(CCmdUI& ui);
    void OnPerspective();
    void OnParallelProjection();
    void OnUpdatePerspective(CCmdUI& ui);
    void OnUpdateParallelProjection(CCmdUI& ui);
    // The planar 2D view (two-point perspective), entered or left.
    void On2DView();
    void OnUpdate2DView(CCmdUI& ui);
    // The pan tool becomes the one active tool; an active one is only cancelled and one
    // suspended on the stack is returned to.
    void BringUpPanTool() override;
    void OnZoomExtents();
    void OnZoomToPhoto();
    void OnUpdateZoomToPhoto(CCmdUI& ui);
    void OnPreviousView();
    void OnNextView();
    void OnUpdatePreviousView(CCmdUI& ui);
    void OnUpdateNextView(CCmdUI& ui);
    void OnExitCamera();

protected:
    // Also the mouse messages.
    void BindWindowEvents() override;

private:
    void BindToolEvents();
    void RouteMouse(wxMouseEvent& event);
    void RouteKey(wxKeyEvent& event, bool down);
    // Automatic panning ends before any button or wheel event.
    void StopAutopan() { StopAnimation(); }
    void ReleaseMouseCapture();

    int m_lastMouseX = 0;
    int m_lastMouseY = 0;
    bool m_mouseInside = false;
    // Virtual keys pressed and not yet released, to tell auto-repeats.
    std::set<int> m_keysDown;
    int m_timerId = 0;
    double m_animationInterval = 0.0;
    std::unique_ptr<wxTimer> m_timer;
};
