#include "tools/ToolManager.h"

#include <GL/gl.h>
#include <cxxabi.h>

#include <cstdlib>
#include <string>
#include <typeinfo>

#include "database/IZphView.h"
#include "database/UndoManager.h"
#include "settings/RenderingOptions.h"
#include "support/NotificationCenter.h"
#include "tools/MenuHook.h"
#include "tools/StatusBarHook.h"
#include "tools/Tool.h"

namespace {

CToolManager* g_currentManager = nullptr;

// "CCameraOrbitTool" -> L"CameraOrbitTool": the class name as the log shows it.
std::wstring LogName(const CTool& tool)
{
    const char* raw = typeid(tool).name();
    int status = 0;
    char* demangled = abi::__cxa_demangle(raw, nullptr, nullptr, &status);
    std::string name = status == 0 && demangled ? demangled : raw;
    std::free(demangled);
    if (name.size() > 1 && name[0] == 'C' && name[1] >= 'A' && name[1] <= 'Z')
        name.erase(0, 1);
    return std::wstring(name.begin(), name.end());
}

bool IsOperationOpen()
{
    CUndoManager* undo = GetCurrentUndoManager();
    return undo && undo->GetCurrentOperation();
}

}  // namespace

CToolManager* GetToolManager()
{
    return g_currentManager;
}

void SetCurrentToolManager(CToolManager* manager)
{
    g_currentManager = manager;
    ToolNotification payload{ToolNotification::kManagerActivated,
                             manager ? manager->GetActiveTool() : nullptr};
    orbisk::utils::CNotificationCenter::GetInstance().PostNotification(kToolNotification, &payload);
}

CToolManager::CToolManager(CZephyronModel* model) : m_model(model) {}

CToolManager::~CToolManager()
{
    ClearTools(false, nullptr);
    DeleteRetiredTools();
    if (g_currentManager == this)
        g_currentManager = nullptr;
}

bool CToolManager::SetTool(CTool* tool, int toolId, bool replace)
{
    if (CTool* active = m_activeTool) {
        if (!active->CanBeInterrupted() || (tool && IsOperationOpen() && tool->RefusesDuringOperation())) {
            Retire(tool);
            return false;
        }
        if (replace && active->CanBeReplacedBy(tool)) {
            active->OnDeactivate();
            Retire(active);
            m_stack.pop_back();
        } else {
            active->OnSuspend();
        }
    }
    StatusBar::Refresh();
    m_stack.push_back(tool);
    m_activeTool = tool;
    if (tool) {
        tool->SetManager(this);
        tool->SetToolId(toolId);
        tool->OnActivate();
    }
    NotifyToolChanged(ToolNotification::kActiveToolChanged);
    return true;
}

bool CToolManager::PopTool()
{
    DeleteRetiredTools();
    StatusBar::Refresh();
    if (m_stack.empty())
        return false;
    m_stack.pop_back();
    if (CTool* active = m_activeTool) {
        active->OnDeactivate();
        Retire(active);
    }
    m_activeTool = m_stack.empty() ? nullptr : m_stack.back();
    if (m_activeTool) {
        m_activeTool->SetManager(this);
        m_activeTool->OnResume();
    }
    NotifyToolChanged(ToolNotification::kActiveToolChanged);
    return true;
}

bool CToolManager::PopToTool(int toolId)
{
    DeleteRetiredTools();
    StatusBar::Refresh();
    if (m_stack.empty())
        return false;
    while (m_activeTool && m_activeTool->GetToolId() != toolId) {
        m_stack.pop_back();
        m_activeTool->OnDeactivate();
        Retire(m_activeTool);
        m_activeTool = m_stack.empty() ? nullptr : m_stack.back();
    }
    if (m_activeTool) {
        m_activeTool->SetManager(this);
        m_activeTool->OnResume();
    }
    NotifyToolChanged(ToolNotification::kActiveToolChanged);
    return m_activeTool != nullptr;
}

void CToolManager::CancelActiveTool(int reason, IZphView* view)
{
    DeleteRetiredTools();
    CTool* tool = m_activeTool;
    if (!tool)
        return;
    if (view)
        tool->SetView(view);
    tool->OnCancel(reason);
    if (reason == 0 && tool == m_activeTool && tool->PopOnCancel())
        PopTool();
}

void CToolManager::ClearTools(bool notify, IZphView* view)
{
    StatusBar::Refresh();
    if (m_activeTool) {
        if (view)
            m_activeTool->SetView(view);
        m_activeTool->SetValueText(CString());
        m_activeTool = nullptr;
    }
    while (!m_stack.empty()) {
        CTool* tool = m_stack.back();
        m_stack.pop_back();
        if (!tool)
            continue;
        if (view)
            tool->SetView(view);
        tool->OnDeactivate();
        tool->SetView(nullptr);
        Retire(tool);
    }
    m_dispatchDepth = 0;
    if (notify)
        NotifyToolChanged(ToolNotification::kToolsCleared);
}

void CToolManager::ResetTools(CTool* tool, int toolId)
{
    DeleteRetiredTools();
    ClearTools(false, nullptr);
    SetTool(tool, toolId, true);
}

void CToolManager::ForgetView(const IZphView* view)
{
    for (const std::vector<CTool*>* tools : {&m_stack, &m_retired})
        for (CTool* tool : *tools)
            if (tool && tool->KeepsView(view))
                tool->SetView(nullptr);
}

void CToolManager::DeleteRetiredTools()
{
    while (!m_retired.empty()) {
        CTool* tool = m_retired.back();
        m_retired.pop_back();
        delete tool;
    }
}

bool CToolManager::IsToolActive(const CToolManager* manager, int toolId)
{
    return manager && manager->m_activeTool && manager->m_activeTool->GetToolId() == toolId;
}

int CToolManager::GetActiveToolId(const CToolManager* manager)
{
    return manager && manager->m_activeTool ? manager->m_activeTool->GetToolId() : 0;
}

bool CToolManager::HasToolOnStack(int toolId) const
{
    for (CTool* tool : m_stack)
        if (tool && tool->GetToolId() == toolId)
            return true;
    return false;
}

void CToolManager::NotifyToolChanged(int code)
{
    ToolNotification payload{code, m_activeTool};
    orbisk::utils::CNotificationCenter::GetInstance().PostNotification(kToolNotification, &payload);
    CUndoManager* undo = GetCurrentUndoManager();
    if (undo && m_activeTool) {
        const std::wstring line = L"Tool(" + LogName(*m_activeTool) + L")\n";
        undo->LogMessage(line.c_str());
    }
}

CTool* CToolManager::PrepareEvent(IZphView* view)
{
    DeleteRetiredTools();
    if (!m_activeTool || !view)
        return nullptr;
    m_activeTool->SetView(view);
    return m_activeTool;
}

void CToolManager::OnLButtonDown(int flags, int x, int y, IZphView* view)
{
    m_buttonDownSeen = true;
    if (CTool* tool = PrepareEvent(view)) {
        tool->SetLastEventFlags(flags);
        tool->OnLButtonDown(flags, x, y, view);
    }
}

void CToolManager::OnLButtonUp(int flags, int x, int y, IZphView* view)
{
    DeleteRetiredTools();
    // A button that went down outside the window is not ours to release.
    const bool seen = m_buttonDownSeen;
    m_buttonDownSeen = false;
    if (!seen)
        return;
    if (CTool* tool = PrepareEvent(view)) {
        tool->SetLastEventFlags(flags);
        tool->OnLButtonUp(flags, x, y, view);
    }
}

void CToolManager::OnLButtonDblClk(int flags, int x, int y, IZphView* view)
{
    if (CTool* tool = PrepareEvent(view)) {
        tool->SetLastEventFlags(flags);
        tool->OnLButtonDblClk(flags, x, y, view);
    }
}

void CToolManager::OnRButtonDown(int flags, int x, int y, IZphView* view)
{
    DeleteRetiredTools();
    if (ShowContextMenu(flags, x, y, view))
        return;
    if (CTool* tool = PrepareEvent(view)) {
        tool->SetLastEventFlags(flags);
        tool->OnRButtonDown(flags, x, y, view);
    }
}

void CToolManager::OnRButtonUp(int flags, int x, int y, IZphView* view)
{
    if (CTool* tool = PrepareEvent(view)) {
        tool->SetLastEventFlags(flags);
        tool->OnRButtonUp(flags, x, y, view);
    }
}

void CToolManager::OnRButtonDblClk(int flags, int x, int y, IZphView* view)
{
    if (CTool* tool = PrepareEvent(view)) {
        tool->SetLastEventFlags(flags);
        tool->OnRButtonDblClk(flags, x, y, view);
    }
}

void CToolManager::OnMButtonDown(int flags, int x, int y, IZphView* view)
{
    if (CTool* tool = PrepareEvent(view)) {
        tool->SetLastEventFlags(flags);
        tool->OnMButtonDown(flags, x, y, view);
    }
}

void CToolManager::OnMButtonUp(int flags, int x, int y, IZphView* view)
{
    if (CTool* tool = PrepareEvent(view)) {
        tool->SetLastEventFlags(flags);
        tool->OnMButtonUp(flags, x, y, view);
    }
}

void CToolManager::OnMouseMove(int flags, int x, int y, IZphView* view)
{
    // A left button that went down outside the window is not reported as held.
    if (!m_buttonDownSeen)
        flags &= ~CTool::kLeftButton;
    if (CTool* tool = PrepareEvent(view)) {
        tool->SetLastEventFlags(flags);
        tool->OnMouseMove(flags, x, y, view);
    }
}

void CToolManager::OnMouseEnter(IZphView* view)
{
    if (CTool* tool = PrepareEvent(view))
        tool->OnMouseEnter(view);
}

void CToolManager::OnMouseLeave(IZphView* view)
{
    if (CTool* tool = PrepareEvent(view))
        tool->OnMouseLeave(view);
}

bool CToolManager::OnKeyDown(int key, int repeat, int keyFlags, IZphView* view)
{
    CTool* tool = PrepareEvent(view);
    return tool && tool->OnKeyDown(key, repeat, keyFlags, view);
}

bool CToolManager::OnKeyUp(int key, int repeat, int keyFlags, IZphView* view)
{
    DeleteRetiredTools();
    if (key == CTool::kKeyApps && view) {
        POINT point{0, 0};
        IToolHost* host = GetToolHost();
        if (host && host->GetCursorPos(point)) {
            view->ScreenToClient(point);
            if (ShowContextMenu(keyFlags, point.x, point.y, view))
                return true;
        }
    }
    CTool* tool = PrepareEvent(view);
    return tool && tool->OnKeyUp(key, repeat, keyFlags, view);
}

void CToolManager::OnUserText(const CString& text, IZphView* view)
{
    DeleteRetiredTools();
    if (!m_activeTool)
        return;
    if (view)
        m_activeTool->SetView(view);
    m_activeTool->OnUserText(text);
}

void CToolManager::OnReturn(IZphView* view)
{
    DeleteRetiredTools();
    if (!m_activeTool)
        return;
    if (view)
        m_activeTool->SetView(view);
    m_activeTool->OnReturn();
}

bool CToolManager::OnSetCursor(int hitTest, int message, IZphView* view)
{
    return m_activeTool && m_activeTool->OnSetCursor(hitTest, message, view);
}

void CToolManager::DrawToolOverlay(IZphView* view)
{
    if (!m_activeTool || !view || view->SuppressesToolDrawing())
        return;
    if (view->GetDrawingMode() == 1 && !m_activeTool->DrawsOverlayInMode1())
        return;
    auto* options = dynamic_cast<CRenderingOptions*>(view->GetRenderingOptions());
    if (!options || !options->GetBackEdges() || !options->DrawsPlainEdgesWithFaces()) {
        view->SetToolOverlayState(0);
        m_activeTool->DrawOverlay(view);
        return;
    }
    // Back edges: the overlay is drawn over the model, then once more dashed where the model
    // hides it. The display settings are changed only for the passes, so nothing is recorded
    // or announced.
    CSuspendUndo noUndo;
    orbisk::utils::CNotificationSuspender quiet;
    const int32_t edgeDisplay = options->GetEdgeDisplay();
    const int32_t renderingMode = options->GetRenderingMode();
    options->SetEdgeDisplay(0);
    view->SetToolOverlayState(1);
    m_activeTool->DrawOverlay(view);
    options->SetEdgeDisplay(edgeDisplay);

    options->SetRenderingMode(0);
    view->SetLighting(false);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    view->SetLineWidth(1.0);
    view->SetLineStipple(0x0F0F);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    view->SetToolOverlayState(2);
    m_activeTool->DrawOverlay(view);

    view->SetLineStipple(0);
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    glEnable(GL_DEPTH_TEST);
    view->SetLighting(true);
    view->SetToolOverlayState(4);
    m_activeTool->DrawOverlay(view);

    options->SetRenderingMode(renderingMode);
    view->SetToolOverlayState(0);
}

void CToolManager::DrawXorOverlay(IZphView* view)
{
    if (m_activeTool)
        m_activeTool->DrawXorOverlay(view);
}

bool CToolManager::UseXorOverlay()
{
    return m_activeTool && m_activeTool->UseXorOverlay();
}

bool CToolManager::ShowContextMenu(int flags, int x, int y, IZphView* view)
{
    if (m_activeTool && m_activeTool->OnContextMenu(flags, x, y, view))
        return true;
    return ZephyronMenuHelper::HandleContextMenu(flags, x, y, view);
}

template <class Call>
void CToolManager::ForEachStackedTool(Call call)
{
    ++m_dispatchDepth;
    // By index: a tool may push or pop tools while it is told.
    for (size_t i = 0; i < m_stack.size(); ++i)
        if (CTool* tool = m_stack[i])
            call(tool);
    --m_dispatchDepth;
}

void CToolManager::OnOperationStart(int value, int typeCode)
{
    ForEachStackedTool([&](CTool* tool) { tool->OnOperationStart(value, typeCode); });
}

void CToolManager::OnOperationEnd(int resultKind, int, uint32_t)
{
    ForEachStackedTool([&](CTool* tool) { tool->OnOperationEnd(resultKind); });
}

void CToolManager::OnEntityChanged(CEntity* entity)
{
    ForEachStackedTool([&](CTool* tool) { tool->OnEntityEvent(1, entity); });
}

void CToolManager::OnEntityErased(CEntity* entity)
{
    ForEachStackedTool([&](CTool* tool) {
        tool->ForgetEditedEntity(entity);
        tool->OnEntityEvent(2, entity);
    });
}

void CToolManager::OnModelCleared(IModelContext*)
{
    ForEachStackedTool([&](CTool* tool) {
        tool->ForgetEditedEntity(nullptr);
        tool->OnEntityEvent(5, nullptr);
    });
}

void CToolManager::OnOperationReset(int, int, uint32_t)
{
    if (m_activeTool)
        m_activeTool->ShowValueBox(false);
}

void CToolManager::OnSelectionChanged(CSelectionSet* selection, int kind, CEntity* entity)
{
    ForEachStackedTool([&](CTool* tool) { tool->OnSelectionChanged(selection, kind, entity); });
}
