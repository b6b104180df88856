#include "tools/CameraContextMenu.h"

#include <memory>

#include "components/Component.h"
#include "model/CurrentModel.h"
#include "model/IZphView.h"
#include "model/ZephyronModel.h"
#include "tools/CameraDollyTool.h"
#include "tools/CameraOrbitTool.h"
#include "tools/CameraZoomTool.h"
#include "tools/CameraZoomWindowTool.h"
#include "tools/ToolManager.h"
#include "view/ViewProfile.h"

namespace {

// Ids of the walk and look-around tools, which this program does not have yet.
constexpr int kLookAroundToolId = 10525;
constexpr int kWalkToolId = 10520;

void ExitCameraTool()
{
    CToolManager* manager = GetToolManager();
    if (manager && dynamic_cast<CCameraTool*>(manager->GetActiveTool()))
        manager->PopTool();
}

void ZoomToModelExtents()
{
    auto* model = dynamic_cast<CZephyronModel*>(GetCurrentModel());
    IToolHost* host = GetToolHost();
    IZphView* view = host ? host->GetCurrentZphView() : nullptr;
    if (!model || !model->GetRoot() || !view)
        return;
    std::unique_ptr<IEntityIterator> entities(model->GetRoot()->CreateIterator());
    view->ZoomExtents(entities.get());
}

}  // namespace

std::vector<CameraMenuItem> BuildCameraContextMenu()
{
    const CToolManager* manager = GetToolManager();
    const auto tick = [manager](int id) {
        return CToolManager::IsToolActive(manager, id) ? CameraMenuItem::kTicked : 0;
    };
    return {
        {"E&xit", kCameraMenuExit, 0},
        {"", 0, 0},
        {"&Orbit", CCameraOrbitTool::kToolId, tick(CCameraOrbitTool::kToolId)},
        {"&Pan", CCameraDollyTool::kToolId, tick(CCameraDollyTool::kToolId)},
        {"&Look Around", kLookAroundToolId, tick(kLookAroundToolId)},
        {"W&alk", kWalkToolId, tick(kWalkToolId)},
        {"&Zoom", CCameraZoomTool::kToolId, tick(CCameraZoomTool::kToolId)},
        {"", 0, 0},
        {"Zoom &Window", CCameraZoomWindowTool::kToolId, tick(CCameraZoomWindowTool::kToolId)},
        {"Zoom &Extents", kCameraMenuZoomExtents, 0},
    };
}

bool RunCameraMenuCommand(int commandId)
{
    switch (commandId) {
        case kCameraMenuExit: ExitCameraTool(); return true;
        case CCameraOrbitTool::kToolId: SelectOrbitTool(); return true;
        case CCameraDollyTool::kToolId: SelectPanTool(); return true;
        case CCameraZoomTool::kToolId: SelectZoomTool(); return true;
        case CCameraZoomWindowTool::kToolId: SelectZoomWindowTool(); return true;
        case kCameraMenuZoomExtents: ZoomToModelExtents(); return true;
        default: return false;
    }
}

bool IsCameraContextMenuEnabled()
{
    return ReadViewProfileInt(L"Tools", L"CameraContextMenu", 1) != 0;
}
