#pragma once
// CUndoOperation: one undoable operation, opened and closed by the model's undo manager. While
// open it records the entities created, changed (with a snapshot made by CreateCopy before the
// first change) and erased, and the entities added to and removed from containers; each record
// is first broadcast to the manager's listeners (changes only when the operation is committed).
// It owns the entities erased in it until it is deleted; an entity created and erased in the
// same operation is deleted at once and leaves only its address behind.

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "database/EntitySet.h"
#include "platform/mfc/String.h"

class CEntity;
class CUndoManager;
class IEntityContainer;

class CUndoRecord {
public:
    CUndoRecord(CEntity* entity, bool keepCopy);
    virtual ~CUndoRecord();
    CUndoRecord(const CUndoRecord&) = delete;
    CUndoRecord& operator=(const CUndoRecord&) = delete;

    // Makes the snapshot when there is none yet.
    void MakeCopy();
    CEntity* GetEntity() const { return m_entity; }
    const CEntity* GetCopy() const { return m_copy; }

private:
    CEntity* m_entity;
    CEntity* m_copy = nullptr;
};

class CUndoOperation {
public:
    struct ElementPair {
        CEntity* entity;
        IEntityContainer* container;
        bool operator==(const ElementPair&) const = default;
    };

    CUndoOperation(int typeCode, const CString& name, CUndoManager* owner, bool joinFlag, int32_t serial);
    // Deletes the change records with their snapshots and every entity erased in the operation.
    virtual ~CUndoOperation();
    CUndoOperation(const CUndoOperation&) = delete;
    CUndoOperation& operator=(const CUndoOperation&) = delete;

    void EntityCreated(CEntity* entity);
    void RecordChange(CEntity* entity, bool keepCopy);
    void EntityErased(CEntity* entity);
    // An addition cancels a recorded removal of the same pair, and the other way round.
    void AddElement(CEntity* entity, IEntityContainer* container);
    void RemoveElement(CEntity* entity, IEntityContainer* container);

    // Unless flags hold kNoChangeBroadcast: one change broadcast per changed entity, in entity
    // address order.
    void BroadcastChanges(uint32_t flags);
    // Runs the model's check; shows the report when the model is not valid. True when valid.
    bool CheckAfterOperation();
    // Every component that had an entity changed, added or removed, minus the components
    // created or erased in the operation.
    void CollectChangedComponents(CEntitySet& set) const;
    // Every entity the operation recorded: the changed ones, then those created and erased.
    void CollectEntities(CEntitySet& set) const;

    int32_t GetSerial() const { return m_serial; }
    int GetTypeCode() const { return m_typeCode; }
    const CString& GetName() const { return m_name; }
    bool IsEmpty() const;
    bool WasCreatedAndErased(const void* address) const;
    bool GetJoinFlag() const { return m_joinFlag; }
    void SetJoinFlag(bool on) { m_joinFlag = on; }
    uint32_t GetCommitFlags() const { return m_commitFlags; }
    void SetCommitFlags(uint32_t flags) { m_commitFlags = flags; }

    const std::vector<ElementPair>& GetAddedPairs() const { return m_added; }
    const std::vector<ElementPair>& GetRemovedPairs() const { return m_removed; }
    const std::vector<CEntity*>& GetCreatedEntities() const { return m_created; }
    const std::vector<CEntity*>& GetErasedEntities() const { return m_erased; }
    const CUndoRecord* FindRecord(const CEntity* entity) const;

private:
    void Broadcast(int kind, CEntity* entity, IEntityContainer* container = nullptr);
    void NoteComponentOf(IEntityContainer* container);
    void ForgetCreatedEntity(CEntity* entity);
    void ForgetPairsOf(std::vector<ElementPair>& pairs, CEntity* entity);

    int m_typeCode;
    CString m_name;
    int32_t m_serial;
    CUndoManager* m_owner;
    std::map<const CEntity*, std::unique_ptr<CUndoRecord>, std::less<>> m_records;
    std::vector<ElementPair> m_added;
    std::vector<ElementPair> m_removed;
    std::vector<CEntity*> m_created;
    std::vector<CEntity*> m_erased;
    std::vector<const void*> m_createdAndErased;
    bool m_joinFlag;
    uint32_t m_commitFlags = 0;
    CEntitySet m_changedComponents;
};
