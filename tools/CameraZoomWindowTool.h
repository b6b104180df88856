#pragma once
// CCameraZoomWindowTool: the user drags a rectangle and the view zooms to it; then the tool ends
// itself and the tool that was active before resumes. The rubber band is drawn in the frame's
// tool-overlay pass, inverting what lies under it, rather than XOR-drawn into the front buffer,
// which is not dependable under X11: each move asks for a frame.
//
// ZoomWindow::UI lets a host follow the rubber band; the default hook does nothing.

#include "tools/CameraTool.h"

namespace ZoomWindow {

class UI {
public:
    virtual ~UI() = default;
    virtual void Begin(IZphView* /*view*/, int /*x*/, int /*y*/) {}
    virtual void End() {}
    virtual void Move(int /*x*/, int /*y*/) {}
};

// Null restores the default hook; returns the previous one. The caller keeps a hook alive while
// it is installed.
UI* SetHook(UI* hook);
UI& GetHook();

}  // namespace ZoomWindow

class CCameraZoomWindowTool : public CCameraTool {
public:
    static constexpr int kToolId = 10526;

    CCameraZoomWindowTool();

    CString GetStatusText() override;
    int GetHistoryKind() override { return kHistoryPlain; }
    void OnLButtonDown(int flags, int x, int y, IZphView* view) override;
    void OnMouseMove(int flags, int x, int y, IZphView* view) override;
    void OnLButtonUp(int flags, int x, int y, IZphView* view) override;
    // The rectangle from the drag start to the last point, while it is shown.
    void DrawOverlay(IZphView* view) override;

    bool IsRectangleShown() const { return m_rectangleShown; }

private:
    bool m_rectangleShown = false;
    bool m_buttonDown = false;
};

// Makes a zoom-window tool the active tool of the current tool manager, over the tool that is
// active now, which resumes after the zoom.
void SelectZoomWindowTool();
