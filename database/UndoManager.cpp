#include "database/UndoManager.h"

#include <algorithm>

#include "database/DBListener.h"
#include "support/NotificationCenter.h"

namespace {

bool g_undoRecording = true;
CUndoManager* g_currentUndoManager = nullptr;
int32_t g_operationSerial = 0;
bool g_checkAfterOperation = false;

}  // namespace

CUndoManager::CUndoManager(IModelContext* model, int depthLimit) : m_depthLimit(depthLimit), m_model(model) {}

CUndoManager::~CUndoManager()
{
    if (g_currentUndoManager == this)
        g_currentUndoManager = nullptr;
    Clear();
}

void CUndoManager::AddListener(CDBListener* listener)
{
    m_listeners.push_back(listener);
}

void CUndoManager::RemoveListener(CDBListener* listener)
{
    std::erase(m_listeners, listener);
}

template <class Call>
void CUndoManager::ForEachListener(Call call)
{
    // By index: listeners may not change the list while called, but must not break the walk.
    for (size_t i = 0; i < m_listeners.size(); ++i)
        call(*m_listeners[i]);
}

void CUndoManager::Broadcast(BroadcastKind kind, CEntity* entity, IEntityContainer* container)
{
    ForEachListener([&](CDBListener& listener) {
        switch (kind) {
            case kCreated: listener.OnEntityCreated(entity); break;
            case kChanged: listener.OnEntityChanged(entity); break;
            case kErased: listener.OnEntityErased(entity); break;
            case kAdded: listener.OnElementAdded(entity, container); break;
            case kRemoved: listener.OnElementRemoved(entity, container); break;
        }
    });
}

void CUndoManager::BroadcastModelCleared(IModelContext* model)
{
    ForEachListener([&](CDBListener& listener) { listener.OnModelCleared(model); });
}

void CUndoManager::BroadcastModelDeleted(IModelContext* model)
{
    ForEachListener([&](CDBListener& listener) { listener.OnModelDeleted(model); });
}

CUndoOperation* CUndoManager::StartOperation(int typeCode, const CString& name, bool joinFlag,
                                             bool joinWithPrevious)
{
    if (!g_undoRecording || m_depthLimit == 0)
        return nullptr;
    m_joinMarkTaken = false;
    CString line;
    line.Format(L"Start(%s)", name.GetString());
    LogMessage(line);
    ForEachListener([&](CDBListener& listener) { listener.OnOperationStart(0, typeCode); });
    if (!m_current && m_nestingDepth == 0) {
        CUndoOperation* newest = GetLastOperation();
        if (joinWithPrevious && newest && !newest->GetJoinFlag()) {
            newest->SetJoinFlag(true);
            m_joinMarkTaken = true;
        }
        m_redoStack.clear();
        m_current = std::make_unique<CUndoOperation>(typeCode, name, this, joinFlag, ++g_operationSerial);
    }
    ++m_nestingDepth;
    return m_current.get();
}

int32_t CUndoManager::CommitOperation(uint32_t flags, int, bool skipCheck)
{
    if (m_nestingDepth != 0)
        --m_nestingDepth;
    if (!m_current || m_current->GetTypeCode() != kSilentCommitType) {
        CString line;
        line.Format(L"Commit(%d)\n", m_current ? m_current->GetSerial() : 0);
        LogMessage(line);
    }
    m_nestingDepth = 0;

    int resultKind = CDBListener::kCommitted;
    int32_t result = 0;
    if (!m_current) {
        m_historyChanged = true;
    } else if (m_current->IsEmpty() && !(flags & kKeepEmpty)) {
        resultKind = CDBListener::kDiscarded;
        Discard(flags);
    } else {
        result = m_current->GetSerial();
        Keep(flags, skipCheck);
    }
    m_joinMarkTaken = false;
    orbisk::utils::CNotificationCenter::GetInstance().PostNotification("Undo Notification", &resultKind);
    return result;
}

void CUndoManager::Discard(uint32_t flags)
{
    const int typeCode = m_current->GetTypeCode();
    if (!(flags & kNoOperationEnd))
        ForEachListener([&](CDBListener& listener) {
            listener.OnOperationEnd(CDBListener::kDiscarded, typeCode, flags);
        });
    m_current.reset();
    if (m_joinMarkTaken) {
        if (CUndoOperation* newest = GetLastOperation())
            newest->SetJoinFlag(false);
    }
}

void CUndoManager::Keep(uint32_t flags, bool skipCheck)
{
    CUndoOperation* operation = m_current.get();
    operation->SetCommitFlags(flags);
    operation->BroadcastChanges(flags);
    m_undoStack.push_back(std::move(m_current));
    if (!(flags & kNoOperationEnd)) {
        const int typeCode = operation->GetTypeCode();
        ForEachListener([&](CDBListener& listener) {
            listener.OnOperationEnd(CDBListener::kCommitted, typeCode, flags);
        });
    }
    if (!skipCheck && g_checkAfterOperation)
        operation->CheckAfterOperation();
    if (static_cast<int>(m_undoStack.size()) > m_depthLimit)
        DropOldest();
}

void CUndoManager::DropOldest()
{
    std::unique_ptr<CUndoOperation> oldest = std::move(m_undoStack.front());
    m_undoStack.pop_front();
    CString line;
    line.Format(L"~UndoOp(%d)\n", oldest->GetSerial());
    LogMessage(line);
    oldest.reset();
    --m_firstPosition;
    --m_secondPosition;
    m_historyChanged = true;
}

void CUndoManager::Clear()
{
    LogMessage(L"File New\n");
    m_current.reset();
    {
        CSuspendUndo suspend;
        while (!m_undoStack.empty())
            m_undoStack.pop_back();
        m_redoStack.clear();
    }
    m_firstPosition = 0;
    m_secondPosition = 0;
    m_historyChanged = false;
    m_nestingDepth = 0;
}

CUndoOperation* CUndoManager::GetLastOperation() const
{
    return m_undoStack.empty() ? nullptr : m_undoStack.back().get();
}

uint32_t CUndoManager::GetLastCommitFlags() const
{
    const CUndoOperation* newest = GetLastOperation();
    return newest ? newest->GetCommitFlags() : 0;
}

bool IsUndoRecording()
{
    return g_undoRecording;
}

CSuspendUndo::CSuspendUndo(bool suspend) : m_wasRecording(g_undoRecording)
{
    if (suspend)
        g_undoRecording = false;
}

CSuspendUndo::~CSuspendUndo()
{
    if (m_wasRecording)
        g_undoRecording = true;
}

CUndoManager* GetCurrentUndoManager()
{
    return g_currentUndoManager;
}

void SetCurrentUndoManager(CUndoManager* manager)
{
    g_currentUndoManager = manager;
}

CUndoOperation* GetCurrentUndoOperation()
{
    return g_currentUndoManager ? g_currentUndoManager->GetCurrentOperation() : nullptr;
}

bool WasCreatedAndErased(const void* entity)
{
    if (!g_undoRecording)
        return false;
    const CUndoOperation* operation = GetCurrentUndoOperation();
    return operation && operation->WasCreatedAndErased(entity);
}

bool IsCheckAfterOperationOn()
{
    return g_checkAfterOperation;
}

void SetCheckAfterOperation(bool on)
{
    g_checkAfterOperation = on;
}
