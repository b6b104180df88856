#pragma once
// The openings that glued cutting components (windows, doors) make in a face: what the face's
// area, point classification and picking need of them. The openings themselves are found by
// the drawing layer from the relationships the face drives; the model reaches them through its
// object factory (IObjectFactory::CreateOpeningEnumerator), and a model without one has none.

#include "geometry/Transform3d.h"

class CLoop;

// One opening loop: a perimeter loop of the cutting definition, placed into the face's
// component.
class IOpeningLoop {
public:
    virtual ~IOpeningLoop() = default;

    // The perimeter loop in the cutting definition's coordinates.
    virtual const CLoop* GetPerimeterLoop() const = 0;
    // From the definition's coordinates to the face's component.
    virtual orbisk::geometry::CTransform3d GetPlacement() const = 0;
    // Minus the absolute area of the placed loop about the face's normal (the extra
    // transformation, when given, applied after the placement): never positive.
    virtual double GetArea(const orbisk::geometry::CTransform3d* extra) const = 0;
};

// The opening loops of one face, owned by the enumerator; deleted by its user.
class CEnumOpeningLoop {
public:
    virtual ~CEnumOpeningLoop() = default;
    virtual void Reset() = 0;
    virtual bool Next(IOpeningLoop*& loop) = 0;
    virtual int GetCount() const = 0;
    // The edge uses of all perimeter loops.
    virtual int GetVertexCount() const = 0;
    virtual IOpeningLoop* GetAt(int index) const = 0;
};
