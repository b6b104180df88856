#pragma once
// IFace: what the loops, edge uses, edges and curves use of the face that a loop bounds (entity
// type 18): its plane, whose normal orients the loops, its loop list (the outer loop first),
// reversing its plane, and forgetting its cached bounding box when the geometry under it
// moves. The face class implements it beside its drawing element; its orientation bit is bit 0
// of the drawing element's second flag word.

#include "database/Entity.h"
#include "geometry/Plane3d.h"

class CCompactPtrArray;
class CLoop;

class IFace {
public:
    virtual ~IFace() = default;

    virtual const orbisk::geometry::CPlane3d& GetPlane() const = 0;
    // Reverses the plane (and so which loop direction counts as outer).
    virtual void ReversePlane() = 0;
    // The loops of the face, the outer loop first.
    virtual const CCompactPtrArray& GetLoops() const = 0;
    // Empties the cached bounding box.
    virtual void InvalidateBounds() = 0;
};

// The face behind an entity of type 18, or null for any other entity.
inline IFace* AsFace(CEntity* entity)
{
    return entity && entity->GetEntityType() == kEntityFace ? dynamic_cast<IFace*>(entity) : nullptr;
}

inline const IFace* AsFace(const CEntity* entity)
{
    return entity && entity->GetEntityType() == kEntityFace ? dynamic_cast<const IFace*>(entity) : nullptr;
}
