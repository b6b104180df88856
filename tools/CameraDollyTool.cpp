#include "tools/CameraDollyTool.h"

#include "support/StringTable.h"
#include "tools/ToolManager.h"

CCameraDollyTool::CCameraDollyTool() : CCameraTool(kPan)
{
    SetCursorId(CursorForOperation(kPan, false));
}

CString CCameraDollyTool::GetStatusText()
{
    return orbisk::utils::TranslateString("Drag in direction to pan");
}

void SelectPanTool()
{
    if (CToolManager* manager = GetToolManager())
        manager->SetTool(new CCameraDollyTool(), CCameraDollyTool::kToolId, true);
}
