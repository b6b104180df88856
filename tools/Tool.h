#pragma once
// CTool: the base of every interactive tool. The tool manager hands it the mouse and key events
// of a model window and the text typed into the measurements box, and tells it when it becomes
// active, is suspended under another tool, resumes and is deactivated. A tool draws its
// feedback as an overlay after the model, or, while frames are slow, straight into the front
// buffer (the XOR overlay) so that it need not wait for a whole frame.
//
// Event flags are the Win32 mouse-key bits (kLeftButton ... kMiddleButton) with kAltKey added
// while Alt is down; coordinates are client pixels of the view.
//
// Cursors are ids of the application's cursor table; the tool keeps the id it asks for and
// shows it through the installed IToolHost.
//
// A tool can hand a text or a dimension to an in-place editor: it announces the text with
// "BeginEditingTextNotification" and applies the answer of "EndEditingTextNotificaiton" (so
// spelled) as one undoable operation, or forgets it on "CancelEditingTextNotification". The
// editor itself is not part of this program.

#include <cstdint>

#include "geometry/BoundingBox3d.h"
#include "geometry/Point3d.h"
#include "platform/mfc/String.h"
#include "platform/win32/Icon.h"
#include "platform/win32/WinTypes.h"
#include "support/Observer.h"
#include "view/ZphTimerCallback.h"

class CDimension;
class CText;
class CToolManager;
class CUndoManager;
class CZephyronModel;
class CEntity;
class CSelectionSet;
class IZphView;

// What tools ask of the application beyond the view: the mouse cursor (ids of the application's
// cursor table) and the current model view, used by a tool that has seen no event yet. The
// application installs its host at start-up; without one no cursor is shown and there is no
// current view.
class IToolHost {
public:
    virtual ~IToolHost() = default;
    // The cursor of an id of the cursor table; null for 0 or an id without a cursor.
    virtual HCURSOR GetViewerCursor(int id) = 0;
    virtual void SetCursor(HCURSOR cursor) = 0;
    // The mouse position in screen coordinates; false when it cannot be read.
    virtual bool GetCursorPos(POINT& point) = 0;
    virtual IZphView* GetCurrentZphView() = 0;
};

// Null uninstalls; returns the previous host. The caller keeps the host alive while installed.
IToolHost* SetToolHost(IToolHost* host);
IToolHost* GetToolHost();

inline constexpr char kBeginEditingTextNotification[] = "BeginEditingTextNotification";
// The payload is the edited text, a CString.
inline constexpr char kEndEditingTextNotification[] = "EndEditingTextNotificaiton";
inline constexpr char kCancelEditingTextNotification[] = "CancelEditingTextNotification";

// The payload of "BeginEditingTextNotification": the text to edit and where it shows.
struct CTextEditingRecord {
    IZphView* view = nullptr;
    // The model point the text is drawn from, and that point in window pixels.
    orbisk::geometry::CPoint3d position;
    int x = 0;
    int y = 0;
    CString text;
    // The text alignment code (0 to 10) the text is drawn with at the position.
    int alignment = 0;
    // A text pinned to the window; a dimension's text aligned with its dimension line.
    bool screenText = false;
    bool aligned = false;
};

class CTool : public orbisk::utils::IObserver, public CZphTimerCallback {
public:
    // Mouse-key flags of events.
    enum : int {
        kLeftButton = 0x01,
        kRightButton = 0x02,
        kShiftKey = 0x04,
        kControlKey = 0x08,
        kMiddleButton = 0x10,
        kAltKey = 0x20,
    };
    // Key codes the tools look at.
    enum : int { kKeyShift = 16, kKeyControl = 17, kKeyApps = 93 };

    // Listens for the end and the cancel of in-place text editing.
    CTool();
    ~CTool() override;

    // IObserver: the end and the cancel of in-place text editing, while a text is edited.
    void OnNotification(const char* name, void* payload) override;

    // Events; nothing by default.
    virtual void OnLButtonDown(int flags, int x, int y, IZphView* view);
    virtual void OnLButtonUp(int flags, int x, int y, IZphView* view);
    virtual void OnLButtonDblClk(int flags, int x, int y, IZphView* view);
    virtual void OnRButtonDown(int flags, int x, int y, IZphView* view);
    virtual void OnRButtonUp(int flags, int x, int y, IZphView* view);
    virtual void OnRButtonDblClk(int flags, int x, int y, IZphView* view);
    virtual void OnMButtonDown(int flags, int x, int y, IZphView* view);
    virtual void OnMButtonUp(int flags, int x, int y, IZphView* view);
    virtual void OnMButtonDblClk(int flags, int x, int y, IZphView* view);
    virtual void OnMouseMove(int flags, int x, int y, IZphView* view);
    // False: a middle-button drag over this tool orbits with a temporary orbit tool.
    virtual bool HandlesMiddleButton() { return false; }
    virtual void OnMouseEnter(IZphView* view);
    virtual void OnMouseLeave(IZphView* view);
    // True when the key was handled.
    virtual bool OnKeyDown(int key, int repeat, int keyFlags, IZphView* view);
    virtual bool OnKeyUp(int key, int repeat, int keyFlags, IZphView* view);
    // Shows the requested cursor; true when it could.
    virtual bool OnSetCursor(int hitTest, int message, IZphView* view);
    virtual void OnUserText(const CString& text);
    virtual void SetToolValue(double value);
    virtual double GetToolValue();
    // Reason 0: the Escape key.
    virtual void OnCancel(int reason);
    // Enter with an empty measurements box.
    virtual void OnReturn() {}
    virtual bool PopOnCancel() { return false; }
    virtual void OnEntityEvent(int kind, CEntity* entity);
    virtual void OnOperationStart(int value, int typeCode);
    virtual void OnOperationEnd(int resultKind);
    virtual void OnSelectionChanged(CSelectionSet* selection, int kind, CEntity* entity);

    // Activation protocol.
    virtual void OnActivate();
    virtual void OnDeactivate();
    virtual bool CanBeInterrupted() { return true; }
    virtual void OnSuspend();
    virtual void OnResume();
    // The level of detail the view keeps while this tool is active.
    virtual int GetDetailLevel() { return 3; }
    virtual bool RefusesDuringOperation() { return true; }
    virtual bool CanBeReplacedBy(CTool* tool);

    // Overlays.
    virtual bool DrawsOverlayInMode1() { return false; }
    virtual void DrawOverlay(IZphView* view);
    virtual bool SupportsXorOverlay() { return false; }
    virtual void DrawXorOverlay(IZphView* view);
    virtual void EraseOverlay();
    virtual bool UseXorOverlay();
    // Null: the tool's view.
    virtual void RefreshOverlay(IZphView* view);

    virtual int GetToolFlags() { return 0; }
    virtual bool OnContextMenu(int flags, int x, int y, IZphView* view);
    virtual void GetOverlayBounds(orbisk::geometry::CBoundingBox3d& box);
    // Announce the text (an empty one as "Text") or the dimension's text with where it shows in
    // the view, and remember it until the editing ends or is cancelled.
    virtual void BeginEditDimensionText(CDimension* dimension, IZphView* view);
    virtual void BeginEditText(CText* text, IZphView* view);
    virtual CString GetDescription();

    // Shared operations.
    void SetCursorId(int id);
    int GetCursorId() const { return m_requestedCursorId; }
    // The tool's view, else the current model view.
    IZphView* GetView();
    // Set by the manager before every forwarded event.
    void SetView(IZphView* view) { m_view = view; }
    // Whether the tool keeps this view (not the current view it falls back to).
    bool KeepsView(const IZphView* view) const { return m_view == view; }
    CZephyronModel* GetModel();
    CUndoManager* GetUndoManager();
    void SetPromptText(const CString& text);
    void SetValueLabel(const CString& text);
    void SetValueText(const CString& text);
    void ShowValueBox(bool show);
    // At a client point of the tool's view.
    void ShowTip(int x, int y, const CString& text);

    int GetToolId() const { return m_toolId; }
    void SetToolId(int id) { m_toolId = id; }
    CToolManager* GetManager() const { return m_manager; }
    void SetManager(CToolManager* manager) { m_manager = manager; }
    int GetLastEventFlags() const { return m_lastEventFlags; }
    void SetLastEventFlags(int flags) { m_lastEventFlags = flags; }
    bool IsOverlayDrawn() const { return m_overlayDrawn; }
    bool IsEditingText() const { return m_editingText; }
    // Ends the editing of a text or dimension that goes away (null: whatever is edited), so
    // that a late answer of the editor never reaches it.
    void ForgetEditedEntity(const CEntity* entity);

protected:
    void SetOverlayDrawn(bool drawn) { m_overlayDrawn = drawn; }
    // Loads the requested cursor when it changed, then shows it; false without a cursor.
    bool ApplyCursor();

private:
    // Fills in the view and the window position, then posts the record.
    void AnnounceEditing(CTextEditingRecord& record, IZphView* view);
    void ApplyEditedText(const CString& text);
    void StopEditing();

    int m_requestedCursorId = 0;
    int m_loadedCursorId = 0;
    HCURSOR m_cursor = nullptr;
    int m_toolId = 0;
    bool m_valueBoxWasShown = false;
    CToolManager* m_manager = nullptr;
    IZphView* m_view = nullptr;
    int m_lastEventFlags = 0;
    bool m_overlayDrawn = false;
    CText* m_editedText = nullptr;
    CDimension* m_editedDimension = nullptr;
    bool m_editingText = false;
};
