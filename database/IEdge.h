#pragma once
// IEdge: what the entity base uses of an edge (entity type 16): its curve, which follows the
// edge into every new parent. The edge class implements it beside CEntity.

class CEntity;

class IEdge {
public:
    virtual ~IEdge() = default;

    // The curve entity the edge belongs to, or null.
    virtual CEntity* GetCurve() const = 0;
};
