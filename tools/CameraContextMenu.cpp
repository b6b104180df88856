#include "tools/CameraContextMenu.h"

#include <memory>

#include "components/Component.h"
#include "database/CurrentModel.h"
#include "database/IZphView.h"
#include "model/ZephyronModel.h"
#include "support/StringTable.h"
#include "tools/CameraDollyTool.h"
#include "tools/CameraOrbitTool.h"
#include "tools/CameraZoomTool.h"
#include "tools/CameraZoomWindowTool.h"
#include "tools/MenuHook.h"
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

namespace {

// Menu items call plain functions: one per command of the menu.
template <int CommandId>
void RunItem()
{
    RunCameraMenuCommand(CommandId);
}

}  // namespace

void (*GetCameraMenuCallback(int commandId))()
{
    switch (commandId) {
        case kCameraMenuExit: return &RunItem<kCameraMenuExit>;
        case CCameraOrbitTool::kToolId: return &RunItem<CCameraOrbitTool::kToolId>;
        case CCameraDollyTool::kToolId: return &RunItem<CCameraDollyTool::kToolId>;
        case kLookAroundToolId: return &RunItem<kLookAroundToolId>;
        case kWalkToolId: return &RunItem<kWalkToolId>;
        case CCameraZoomTool::kToolId: return &RunItem<CCameraZoomTool::kToolId>;
        case CCameraZoomWindowTool::kToolId: return &RunItem<CCameraZoomWindowTool::kToolId>;
        case kCameraMenuZoomExtents: return &RunItem<kCameraMenuZoomExtents>;
        default: return nullptr;
    }
}

bool ShowCameraContextMenu(int x, int y, IZphView* view)
{
    if (!IsCameraContextMenuEnabled())
        return false;
    std::unique_ptr<CZephyronMenu> menu(ZephyronMenuHelper::CreatePopupMenu());
    if (!menu)
        return false;
    for (const CameraMenuItem& item : BuildCameraContextMenu()) {
        if (item.IsSeparator()) {
            menu->AddSeparator();
            continue;
        }
        // Greyed: the walking tools are not in this program yet.
        constexpr int kGreyed = 1;
        const bool missing = item.commandId == kLookAroundToolId || item.commandId == kWalkToolId;
        const CString label = orbisk::utils::TranslateString(item.label);
        menu->AddMenuItem(label.GetString(), GetCameraMenuCallback(item.commandId),
                          item.flags | (missing ? kGreyed : 0), item.commandId);
    }
    return ZephyronMenuHelper::ShowPopupMenu(menu.get(), x, y, view);
}

bool IsCameraContextMenuEnabled()
{
    return ReadViewProfileInt(L"Tools", L"CameraContextMenu", 1) != 0;
}
