#pragma once
// CCameraZoomTool: dragging up moves the camera in, down moves it out (with Shift the field of
// view changes instead). CCameraFOVTool: dragging changes the field of view while the camera
// dollies, so the model at the pivot keeps its size on the screen. Both show the field of view
// (degrees) or focal length (millimetres) in the measurements box and take a typed value.

#include "tools/CameraTool.h"

class CCameraZoomTool : public CCameraTool {
public:
    static constexpr int kToolId = 10509;
    // How the measurements box shows the camera's angle.
    enum DisplayMode : int { kDegrees = 0, kMillimetres = 1 };

    CCameraZoomTool();
    // Remembers the display mode for the next tool.
    ~CCameraZoomTool() override;

    CString GetStatusText() override;
    int GetHistoryKind() override { return kHistoryZoom; }
    void UpdateValueBox(IZphView* view) override;
    void SetFieldOfView(IZphView* view, double degrees) override;
    // "50mm", "35 deg", or a bare number in the current display mode.
    void OnUserText(const CString& text) override;
    void OnActivate() override;
    void OnDeactivate() override;
    void OnResume() override { OnActivate(); }

    int GetDisplayMode() const { return m_displayMode; }
    double GetLastShownFieldOfView() const { return m_lastShown; }

protected:
    // For the field-of-view tool, whose own operation is the field of view.
    explicit CCameraZoomTool(int fixedOperation);

private:
    bool m_refreshValueBox = true;
    int m_displayMode = kDegrees;
    double m_lastShown = -1.0;
};

class CCameraFOVTool : public CCameraZoomTool {
public:
    static constexpr int kToolId = 21494;

    CCameraFOVTool();

    CString GetStatusText() override;
    int GetHistoryKind() override { return kHistoryFieldOfView; }
    // About the pivot at the window centre.
    void SetFieldOfView(IZphView* view, double degrees) override;
};

// Activate a new zoom or field-of-view tool on the current tool manager.
void SelectZoomTool();
void SelectFieldOfViewTool();
