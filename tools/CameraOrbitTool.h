#pragma once
// CCameraOrbitTool: dragging turns the camera about the point under the pointer (with Ctrl as a
// trackball, with Shift it pans). Besides the menu command, a middle-button drag over any tool
// that does not use the middle button orbits with a temporary orbit tool pushed over it.

#include "tools/CameraTool.h"

class CToolManager;

class CCameraOrbitTool : public CCameraTool {
public:
    static constexpr int kToolId = 10508;

    // Started from walk: a plain drag looks around instead of orbiting.
    explicit CCameraOrbitTool(bool startedFromWalk = false);

    CString GetStatusText() override;
    int GetHistoryKind() override { return kHistoryOrbit; }
};

// Activates a new orbit tool on the current tool manager.
void SelectOrbitTool();

// The window's middle button. Down: unless the active tool handles the middle button itself,
// a temporary orbit tool is pushed over it; then the press is forwarded. Up: the release is
// forwarded and a temporary orbit tool still active is popped, so the tool below resumes.
void OnMiddleButtonDown(CToolManager* manager, int flags, int x, int y, IZphView* view);
void OnMiddleButtonUp(CToolManager* manager, int flags, int x, int y, IZphView* view);
