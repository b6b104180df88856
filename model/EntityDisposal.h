#pragma once
// Deleting entities that no operation is to record, and holding back the deletion of those a
// reader drops while the archive may still hand them out by back reference.

#include <algorithm>
#include <utility>
#include <vector>

#include "model/Entity.h"
#include "model/UndoManager.h"

// A stale, half-read or replaced entity goes by its Erase with undo recording off, so that its
// attribute container and what it owns go with it.
inline void DeleteUnrecorded(CEntity* entity)
{
    if (!entity)
        return;
    CSuspendUndo unrecorded;
    entity->Erase();
}

// Entities read from a file and dropped by their reader: kept until Discard, which the owner
// runs once the read has ended, or until the owner goes.
class CDeferredDeletions {
public:
    CDeferredDeletions() = default;
    CDeferredDeletions(const CDeferredDeletions&) = delete;
    CDeferredDeletions& operator=(const CDeferredDeletions&) = delete;
    ~CDeferredDeletions() { Discard(); }

    // Once per entity; nothing for null.
    void Add(CEntity* entity)
    {
        if (entity && std::find(m_entities.begin(), m_entities.end(), entity) == m_entities.end())
            m_entities.push_back(entity);
    }
    void TakeFrom(CDeferredDeletions& other)
    {
        for (CEntity* entity : std::exchange(other.m_entities, {}))
            Add(entity);
    }
    bool IsEmpty() const { return m_entities.empty(); }
    void Discard()
    {
        for (CEntity* entity : std::exchange(m_entities, {}))
            DeleteUnrecorded(entity);
    }

private:
    std::vector<CEntity*> m_entities;
};
