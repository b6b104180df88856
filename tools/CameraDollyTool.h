#pragma once
// CCameraDollyTool: the pan tool. Dragging slides the camera so that the model point under the
// pointer stays under it.

#include "tools/CameraTool.h"

class CCameraDollyTool : public CCameraTool {
public:
    static constexpr int kToolId = 10523;

    CCameraDollyTool();

    CString GetStatusText() override;
    int GetHistoryKind() override { return kHistoryPan; }
};

// Activates a new pan tool on the current tool manager.
void SelectPanTool();
