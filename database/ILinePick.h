#pragma once
// ILinePick: the ray pick of a drawable entity along a line (a ray or a segment in the line's
// parameter range), as components ask each of their entities when they look for the nearest
// hit. Edges, faces, guides and the other pickable geometry implement it beside their drawing
// element; an entity without it is never hit by a line.

#include "geometry/Line3d.h"
#include "geometry/Point3d.h"

class ILinePick {
public:
    virtual ~ILinePick() = default;
    // The hit point on the entity and true; false, and the point untouched, on a miss. With
    // skipHidden a hidden entity is missed.
    virtual bool PickLine(const orbisk::geometry::CLine3d& line, orbisk::geometry::CPoint3d& point,
                          bool skipHidden) = 0;
};
