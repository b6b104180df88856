#pragma once
// CViewerView: the application's view. It gives the model view its window (redraws, screen
// coordinates, capture, the animation timer), follows the document's model, and routes the
// window's mouse messages. The animation timer has id 123: after each drawn frame it is armed
// with the delay the running animation last asked for, and when it fires the animation takes
// one step.

#include <memory>

#include "viewer/GLBaseView.h"

class wxTimer;
class wxTimerEvent;

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

protected:
    // Also the mouse messages.
    void BindWindowEvents() override;

private:
    int m_lastMouseX = 0;
    int m_lastMouseY = 0;
    int m_timerId = 0;
    double m_animationInterval = 0.0;
    std::unique_ptr<wxTimer> m_timer;
};
