#pragma once
// IComponentDefinition: what the definition list and the contributors use of a component
// definition (entity type 4): its name, its instances (the component instances, groups and
// images placed from it), its purge mark and whether it is internal. The definition class
// implements it beside CEntity and IComponent.

#include "database/Entity.h"

class CDrawingElement;

class IComponentDefinition {
public:
    virtual ~IComponentDefinition() = default;

    // Names are compared without regard to case.
    virtual CString GetName() const = 0;
    // No instances: the definition is unused.
    virtual int GetInstanceCount() const = 0;
    // Null outside the count.
    virtual CDrawingElement* GetInstanceAt(int index) const = 0;
    // Marked to go when unused definitions are purged.
    virtual bool IsPurgeMarked() const = 0;
    // Made for the program's own use and never listed to the user.
    virtual bool IsInternal() const = 0;
};

// The definition behind an entity of type 4, or null for any other entity.
inline IComponentDefinition* AsComponentDefinition(CEntity* entity)
{
    return entity && entity->GetEntityType() == kEntityComponentDefinition
               ? dynamic_cast<IComponentDefinition*>(entity)
               : nullptr;
}

inline const IComponentDefinition* AsComponentDefinition(const CEntity* entity)
{
    return entity && entity->GetEntityType() == kEntityComponentDefinition
               ? dynamic_cast<const IComponentDefinition*>(entity)
               : nullptr;
}
