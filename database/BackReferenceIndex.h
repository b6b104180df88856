#pragma once
// CBackReferenceIndex: which entities refer to which others, one per model, so that an entity
// about to change or go can tell everything that points at it. It owns none of the entities:
// a referrer removes its references before it goes.
//
// Telling the referrers of one entity is not reentrant: while it runs, the entry is busy, an
// event raised for the same entity is dropped, additions to the entry are dropped, and a
// referrer that removes itself leaves an empty slot that is squeezed out afterwards.

#include <cstddef>
#include <map>
#include <utility>
#include <vector>

#include "database/EntityContainer.h"

class CEntity;

class CBackReferenceIndex {
public:
    struct Entry {
        // While the referrers are being told of an event.
        bool busy = false;
        // In order of addition; a referrer added twice is told twice.
        std::vector<CEntity*> referrers;
    };

    // Every operation does nothing for a null entity.
    void AddReference(CEntity* referred, CEntity* referrer);
    // Removes the first occurrence of the referrer; an entry left empty goes.
    void RemoveReference(CEntity* referred, CEntity* referrer);
    // Calls OnReferencedEntityEvent(kind, referred, data) on every referrer, in order.
    void NotifyReferrers(CEntity* referred, int kind, void* data);
    // True when the referred entity has an entry (the referrer is only tested for null).
    bool HasEntry(const CEntity* referred, const CEntity* referrer) const;
    // A new iterator over the referrers of the entity, or null when it has no entry; the
    // caller deletes it.
    IEntityIterator* CreateIterator(const CEntity* referred) const;

    const Entry* FindEntry(const CEntity* referred) const;

private:
    std::map<const CEntity*, Entry, std::less<>> m_entries;
};

// Walks a copy of one entry's referrers, empty slots included.
class CBackReferenceIterator : public IEntityIterator {
public:
    explicit CBackReferenceIterator(std::vector<CEntity*> referrers) : m_referrers(std::move(referrers)) {}
    void Reset() override { m_index = 0; }
    bool Next(CEntity*& entity) override;

private:
    std::vector<CEntity*> m_referrers;
    size_t m_index = 0;
};
