#pragma once
// CDBListener: a model-database listener. A model's undo manager tells its listeners, in
// registration order, when operations start and end, and, when an operation is committed,
// which entities were created, changed and erased and which were added to or removed from
// containers. Every operation is empty here; destroying a listener does not unregister it.

#include <cstdint>

class CEntity;
class IModelContext;
class IEntityContainer;

class CDBListener {
public:
    // Result kinds of OnOperationEnd.
    enum { kCommitted = 0, kDiscarded = 4 };

    virtual ~CDBListener() = default;
    // Every StartOperation that records, nested ones included; the first argument is 0.
    virtual void OnOperationStart(int, int /*typeCode*/) {}
    virtual void OnOperationEnd(int /*resultKind*/, int /*typeCode*/, uint32_t /*flags*/) {}
    virtual void OnEntityCreated(CEntity*) {}
    virtual void OnEntityChanged(CEntity*) {}
    virtual void OnEntityErased(CEntity*) {}
    virtual void OnElementAdded(CEntity*, IEntityContainer*) {}
    virtual void OnElementRemoved(CEntity*, IEntityContainer*) {}
    // Never sent in this program.
    virtual void OnOperationReset(int, int, uint32_t) {}
    virtual void OnModelCleared(IModelContext*) {}
    virtual void OnModelDeleted(IModelContext*) {}
};
