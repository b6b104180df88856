#pragma once
// CRelationship: ties a driven entity to a driving one, so that work on the driving entity can
// reach what depends on it. Neither entity is owned. Relationships live in the relationship map
// of a component (CRelationshipMap).

#include "database/Entity.h"

class CRelationship : public CEntity {
    DECLARE_SERIAL(CRelationship)
public:
    CRelationship() = default;
    CRelationship(CEntity* driving, CEntity* driven) : m_driving(driving), m_driven(driven) {}
    // The undo snapshot: both entities.
    CRelationship(const CRelationship& other) = default;

    // After the entity record, the driving and the driven entity as object references; the
    // relationship does not own them (ReadUnownedReference).
    void Serialize(CArchive& ar) override;
    CEntity* CreateCopy() const override;
    void SwapContents(CEntity& other) override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityRelationship; }

    CEntity* GetDriving() const { return m_driving; }
    CEntity* GetDriven() const { return m_driven; }
    // Both with a change notice when the entity differs.
    void SetDriving(CEntity* entity);
    void SetDriven(CEntity* entity);

private:
    int CheckEnds(CCheckedObjectMap* map);

    CEntity* m_driving = nullptr;
    CEntity* m_driven = nullptr;
};
