#pragma once
// CRelationshipMap: the relationships of one component, in list order; the map is their parent.
// Its record has no entity part: a count and the relationships as object references.

#include <vector>

#include "database/Entity.h"
#include "database/EntityContainer.h"

class CRelationship;

class CRelationshipMap : public CEntity, public IEntityContainer {
    DECLARE_SERIAL(CRelationshipMap)
public:
    CRelationshipMap() = default;
    CRelationshipMap(const CRelationshipMap&) = delete;
    CRelationshipMap& operator=(const CRelationshipMap&) = delete;

    // Reading drops a relationship whose driving entity is its driven one; the others are kept
    // without a parent. A failed record gives up what it listed (CRecordAdoptions).
    void Serialize(CArchive& ar) override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityRelationshipMap; }

    int GetCount() const override { return static_cast<int>(m_relationships.size()); }
    bool IsEmpty() const override { return m_relationships.empty(); }
    bool Contains(const CEntity* entity) const override;
    // Appends; a driving drawing element has its display invalidated.
    void Add(CEntity* entity) override;
    // When an operation is open and recording, a driving drawing element has its display
    // invalidated, unless the relationship was created and erased in that operation.
    bool Remove(CEntity* entity) override;
    // Forgets the relationships without erasing them.
    void RemoveAll() override { m_relationships.clear(); }
    CEntity* GetAt(int index) const override;
    IEntityIterator* CreateIterator() override;

    // Records the addition, then Add; false, nothing done, when a relationship with the same
    // driving and driven entities is held (the caller keeps the given one).
    bool AddRelationship(CRelationship* relationship);
    // Append the relationships, in list order, in which the entity drives (is driven); return
    // how many were appended.
    int GetRelationshipsAsDriver(const CEntity* entity, std::vector<CEntity*>& relationships) const;
    int GetRelationshipsAsDriven(const CEntity* entity, std::vector<CEntity*>& relationships) const;
    // Removes (recording the removal) and erases every relationship in which the entity drives or
    // is driven.
    void RemoveRelationshipsOf(const CEntity* entity);
    // The relationships that name the old entity name the new one (with a change notice).
    void ReplaceEntity(const CEntity* oldEntity, CEntity* newEntity);
    // Erases every relationship; with forget the list is emptied too.
    void EraseRelationships(bool forget);

private:
    void ReadRelationships(CArchive& ar);
    int CheckRelationships(int level, CCheckedObjectMap* map);

    std::vector<CRelationship*> m_relationships;
};
