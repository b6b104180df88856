#pragma once
// IComponent: what the model database uses of a component (entity type 2) and of a component
// definition (4), which is a kind of component: its entity list, its relationship map, the
// definition list that only the root component holds, and erasing one of its entities. The
// component classes implement it beside CEntity.

#include "database/Entity.h"

class CDefinitionList;
class CRelationshipMap;
class IEntityContainer;

class IComponent {
public:
    virtual ~IComponent() = default;

    virtual IEntityContainer& GetEntities() = 0;
    // A member of the component, never made on demand.
    virtual CRelationshipMap& GetRelationshipMap() const = 0;
    // Null for every component but the root component.
    virtual CDefinitionList* GetDefinitionList() const = 0;
    // Removes the entity's relationships, takes it out of the entity list (recording the
    // removal in the open operation) and erases it; true when it was in the list.
    virtual bool EraseEntity(CEntity* entity) = 0;
};

// The component behind an entity of type 2 or 4, or null for any other entity.
inline IComponent* AsComponent(CEntity* entity)
{
    return entity && IsComponentType(entity->GetEntityType()) ? dynamic_cast<IComponent*>(entity) : nullptr;
}

inline const IComponent* AsComponent(const CEntity* entity)
{
    return entity && IsComponentType(entity->GetEntityType()) ? dynamic_cast<const IComponent*>(entity)
                                                              : nullptr;
}
