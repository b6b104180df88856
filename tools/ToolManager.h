#pragma once
// CToolManager: the owner of the active tool, of the tools suspended under it, and of retired
// tools waiting to be deleted. Window events go to the active tool through it. A tool may pop
// or replace itself from its own handler: tools are retired instead of deleted, and retired
// tools are deleted at the start of the manager's next operation, never inside the event that
// retired them.
//
// The manager listens to its model's database and selection and passes those events to every
// stacked tool. "Tool Notification" announces changes of the active tool with a
// ToolNotification payload.

#include <cstdint>
#include <vector>

#include "database/DBListener.h"
#include "database/SelectionSet.h"
#include "platform/mfc/String.h"

class CTool;
class CZephyronModel;
class IZphView;

// The payload of "Tool Notification".
struct ToolNotification {
    enum Code : int32_t { kActiveToolChanged = 0, kManagerActivated = 1, kToolsCleared = 2 };
    int32_t code;
    CTool* tool;
};
inline constexpr char kToolNotification[] = "Tool Notification";

class CToolManager : public CDBListener, public ISSListener {
public:
    // The model the manager's tools work on when they have no view (the document's).
    explicit CToolManager(CZephyronModel* model = nullptr);
    // Clears the tools and deletes them; stops being the current manager.
    ~CToolManager() override;
    CToolManager(const CToolManager&) = delete;
    CToolManager& operator=(const CToolManager&) = delete;

    // Takes ownership of the tool whether or not it is accepted. With replace, an active tool
    // that may be replaced by it is retired; otherwise the active tool is suspended under it.
    // False when the active tool cannot be interrupted, or an undoable operation is open and
    // the new tool refuses to start then.
    bool SetTool(CTool* tool, int toolId, bool replace);
    // Retires the active tool and resumes the one below; false with an empty stack.
    bool PopTool();
    // Pops until a tool with that id is active; whether a tool is active.
    bool PopToTool(int toolId);
    // Reason 0 is the Escape key: a tool that asks for it is popped.
    void CancelActiveTool(int reason, IZphView* view);
    void ClearTools(bool notify, IZphView* view);
    // Deletes the retired tools, clears the others and activates the tool.
    void ResetTools(CTool* tool, int toolId);
    void DeleteRetiredTools();
    // A view is going away: no tool, stacked or retired, may keep it.
    void ForgetView(const IZphView* view);

    CTool* GetActiveTool() const { return m_activeTool; }
    int GetStackSize() const { return static_cast<int>(m_stack.size()); }
    CTool* GetStackedTool(int index) const { return m_stack[index]; }
    int GetRetiredCount() const { return static_cast<int>(m_retired.size()); }
    bool HasToolOnStack(int toolId) const;
    // Both accept a null manager (no document): no tool is active then.
    static bool IsToolActive(const CToolManager* manager, int toolId);
    static int GetActiveToolId(const CToolManager* manager);
    CZephyronModel* GetModel() const { return m_model; }
    void SetModel(CZephyronModel* model) { m_model = model; }

    // Event forwarders; events with no active tool or no view are dropped.
    void OnLButtonDown(int flags, int x, int y, IZphView* view);
    void OnLButtonUp(int flags, int x, int y, IZphView* view);
    void OnLButtonDblClk(int flags, int x, int y, IZphView* view);
    void OnRButtonDown(int flags, int x, int y, IZphView* view);
    void OnRButtonUp(int flags, int x, int y, IZphView* view);
    void OnRButtonDblClk(int flags, int x, int y, IZphView* view);
    void OnMButtonDown(int flags, int x, int y, IZphView* view);
    void OnMButtonUp(int flags, int x, int y, IZphView* view);
    void OnMouseMove(int flags, int x, int y, IZphView* view);
    void OnMouseEnter(IZphView* view);
    void OnMouseLeave(IZphView* view);
    bool OnKeyDown(int key, int repeat, int keyFlags, IZphView* view);
    bool OnKeyUp(int key, int repeat, int keyFlags, IZphView* view);
    void OnUserText(const CString& text, IZphView* view);
    void OnReturn(IZphView* view);
    bool OnSetCursor(int hitTest, int message, IZphView* view);

    // Called by the frame after the model is drawn.
    void DrawToolOverlay(IZphView* view);
    void DrawXorOverlay(IZphView* view);
    bool UseXorOverlay();
    // The active tool's context menu, else the application's; true when one handled it.
    bool ShowContextMenu(int flags, int x, int y, IZphView* view);

    // CDBListener.
    void OnOperationStart(int value, int typeCode) override;
    void OnOperationEnd(int resultKind, int typeCode, uint32_t flags) override;
    void OnEntityChanged(CEntity* entity) override;
    void OnEntityErased(CEntity* entity) override;
    void OnModelCleared(IModelContext* model) override;
    void OnOperationReset(int, int, uint32_t) override;
    // ISSListener.
    void OnSelectionChanged(CSelectionSet* selection, int kind, CEntity* entity) override;

private:
    void NotifyToolChanged(int code);
    void Retire(CTool* tool) { m_retired.push_back(tool); }
    // The active tool with the view (and flags) of an event stored on it; null when the event
    // is to be dropped.
    CTool* PrepareEvent(IZphView* view);
    template <class Call>
    void ForEachStackedTool(Call call);

    CZephyronModel* m_model;
    std::vector<CTool*> m_stack;
    std::vector<CTool*> m_retired;
    CTool* m_activeTool = nullptr;
    bool m_buttonDownSeen = false;
    int m_dispatchDepth = 0;
};

// The manager of the active document (null when none).
CToolManager* GetToolManager();
// Posts "Tool Notification" with kManagerActivated and the manager's active tool.
void SetCurrentToolManager(CToolManager* manager);
