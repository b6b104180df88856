#pragma once
// CUndoManager: the per-model bracket of undoable operations. StartOperation opens an operation
// (nested calls join it), CommitOperation closes it: an empty one is discarded, any other is
// broadcast to the listeners and kept on a stack bounded by the depth limit. The history is
// never replayed in this program; it serves the listeners and owns the erased entities until
// their operation is dropped.
//
// Process-wide: the undo recording switch (on from the start; CSuspendUndo turns it off for a
// scope), the current undo manager (the one whose open operation entity changes go to), the
// operation serial counter and the check-after-operation preference (off).

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "database/UndoLog.h"
#include "database/UndoOperation.h"
#include "platform/mfc/String.h"

class CDBListener;
class CEntity;
class IModelContext;
class IEntityContainer;

// The depth limit every model gives its manager.
inline constexpr int kUndoDepthLimit = 100;

class CUndoManager {
public:
    // Flags of CommitOperation.
    enum : uint32_t {
        kNoChangeBroadcast = 0x100,
        kNoOperationEnd = 0x200,
        kKeepEmpty = 0x400,
    };
    // Kinds of Broadcast.
    enum BroadcastKind { kCreated = 0, kChanged = 1, kErased = 2, kAdded = 3, kRemoved = 4 };
    // Operations of type 92 write no commit line to the log.
    static constexpr int kSilentCommitType = 92;

    // A depth limit of 0 disables recording. Opens the log.
    CUndoManager(IModelContext* model, int depthLimit);
    // Stops being the current manager, clears the history, closes the log.
    ~CUndoManager();
    CUndoManager(const CUndoManager&) = delete;
    CUndoManager& operator=(const CUndoManager&) = delete;

    // Duplicates are allowed; RemoveListener removes every occurrence.
    void AddListener(CDBListener* listener);
    void RemoveListener(CDBListener* listener);
    void Broadcast(BroadcastKind kind, CEntity* entity, IEntityContainer* container = nullptr);
    void BroadcastModelCleared(IModelContext* model);
    void BroadcastModelDeleted(IModelContext* model);

    // The open operation, or null when recording is off or the depth limit is 0.
    CUndoOperation* StartOperation(int typeCode, const CString& name, bool joinFlag, bool joinWithPrevious);
    // The first commit closes the operation however deeply it was started. Returns the serial
    // of the committed operation, or 0 when it was discarded or none was open. Posts
    // "Undo Notification" with a pointer to the result kind (0 or 4).
    int32_t CommitOperation(uint32_t flags, int unused, bool skipCheck);
    // Ends all history.
    void Clear();

    CUndoOperation* GetCurrentOperation() const { return m_current.get(); }
    // The newest committed operation, or null.
    CUndoOperation* GetLastOperation() const;
    uint32_t GetLastCommitFlags() const;
    int GetUndoCount() const { return static_cast<int>(m_undoStack.size()); }
    int GetNestingDepth() const { return m_nestingDepth; }
    bool IsHistoryChanged() const { return m_historyChanged; }
    int GetFirstPositionCounter() const { return m_firstPosition; }
    int GetSecondPositionCounter() const { return m_secondPosition; }
    IModelContext* GetModel() const { return m_model; }

    void LogMessage(const wchar_t* text) { m_log.Write(text); }
    const CUndoLog& GetLog() const { return m_log; }

private:
    using Stack = std::deque<std::unique_ptr<CUndoOperation>>;

    template <class Call>
    void ForEachListener(Call call);
    void Discard(uint32_t flags);
    void Keep(uint32_t flags, bool skipCheck);
    void DropOldest();

    std::unique_ptr<CUndoOperation> m_current;
    int m_nestingDepth = 0;
    Stack m_undoStack;
    Stack m_redoStack;
    int m_depthLimit;
    bool m_historyChanged = false;
    int m_firstPosition = 0;
    int m_secondPosition = 0;
    std::vector<CDBListener*> m_listeners;
    bool m_joinMarkTaken = false;
    CUndoLog m_log;
    IModelContext* m_model;
};

bool IsUndoRecording();

// Turns undo recording off for its lifetime (when suspend is true) and on again at its end
// when it was on at its start; it never turns recording off at its end.
class CSuspendUndo {
public:
    explicit CSuspendUndo(bool suspend = true);
    ~CSuspendUndo();
    CSuspendUndo(const CSuspendUndo&) = delete;
    CSuspendUndo& operator=(const CSuspendUndo&) = delete;

private:
    bool m_wasRecording;
};

CUndoManager* GetCurrentUndoManager();
void SetCurrentUndoManager(CUndoManager* manager);
// The current manager's open operation, or null.
CUndoOperation* GetCurrentUndoOperation();
// True when recording is on, an operation is open and the address is among the entities it
// created and erased. Code that may still hold a pointer to an entity asks this before using it.
bool WasCreatedAndErased(const void* entity);

bool IsCheckAfterOperationOn();
void SetCheckAfterOperation(bool on);
