#pragma once
// A geometric filter decides which geometry a selection, a pick or a section slice keeps.
// Entities test their boxes, points and edges against it; a box test can skip a whole
// subtree or accept it whole. Filters are owned by whoever created them.

#include "geometry/BoundingBox3d.h"

#include <memory>

namespace orbisk::geometry {

class CPlane3d;
class CTransform3d;

class IGeomFilter {
public:
    virtual ~IGeomFilter() = default;
    // False: nothing in the box can be accepted. True: something may be, and fullyInside
    // tells whether everything in it is.
    virtual bool TestBox(const CBoundingBox3d& box, bool& fullyInside) const = 0;
    virtual bool IntersectsBox(const CBoundingBox3d& box) const = 0;
    virtual bool TestSegment(const CPoint3d& a, const CPoint3d& b) const = 0;
    virtual bool TestPoint(const CPoint3d& p) const = 0;
    virtual std::unique_ptr<IGeomFilter> Clone() const = 0;
    // Maps the filter into another coordinate system, so that a filter built in world
    // coordinates can test a component's local geometry.
    virtual void Transform(const CTransform3d& transformation) = 0;
    // Bounding plane i (0 to 5), or null.
    virtual const CPlane3d* GetPlane(int i) const = 0;
};

}  // namespace orbisk::geometry
