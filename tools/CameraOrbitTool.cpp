#include "tools/CameraOrbitTool.h"

#include "support/StringTable.h"
#include "tools/ToolManager.h"

CCameraOrbitTool::CCameraOrbitTool(bool startedFromWalk) : CCameraTool(kOrbit)
{
    m_startedFromWalk = startedFromWalk;
    SetCursorId(startedFromWalk ? CursorForOperation(kLookAround, false) : CursorForOperation(kOrbit, false));
}

CString CCameraOrbitTool::GetStatusText()
{
    return orbisk::utils::TranslateString("Drag to orbit.  Shift = Pan");
}

void SelectOrbitTool()
{
    if (CToolManager* manager = GetToolManager())
        manager->SetTool(new CCameraOrbitTool(), CCameraOrbitTool::kToolId, true);
}

namespace {

bool OrbitsWithMiddleButton(const CToolManager& manager)
{
    CTool* active = manager.GetActiveTool();
    return !active || !active->HandlesMiddleButton();
}

}  // namespace

void OnMiddleButtonDown(CToolManager* manager, int flags, int x, int y, IZphView* view)
{
    if (!manager)
        return;
    if (OrbitsWithMiddleButton(*manager)) {
        // Over the walk tool the middle button looks around.
        auto* camera = dynamic_cast<CCameraTool*>(manager->GetActiveTool());
        const bool walking = camera && camera->GetFixedOperation() == CCameraTool::kWalk;
        manager->SetTool(new CCameraOrbitTool(walking), CCameraOrbitTool::kToolId, false);
    }
    manager->OnMButtonDown(flags, x, y, view);
}

void OnMiddleButtonUp(CToolManager* manager, int flags, int x, int y, IZphView* view)
{
    if (!manager)
        return;
    manager->OnMButtonUp(flags, x, y, view);
    if (OrbitsWithMiddleButton(*manager) && CToolManager::IsToolActive(manager, CCameraOrbitTool::kToolId))
        manager->PopTool();
}
