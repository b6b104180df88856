#pragma once
// Accepts what lies on one plane (within the tolerance) or crosses it: the filter of a
// section slice.

#include "geometry/GeomFilter.h"
#include "geometry/Plane3d.h"

namespace orbisk::geometry {

class CGeomFilterPlane : public IGeomFilter {
public:
    explicit CGeomFilterPlane(const CPlane3d& plane) : m_plane(plane) {}

    // Never fully inside.
    bool TestBox(const CBoundingBox3d& box, bool& fullyInside) const override;
    // The box touches or straddles the plane.
    bool IntersectsBox(const CBoundingBox3d& box) const override;
    bool TestSegment(const CPoint3d& a, const CPoint3d& b) const override;
    bool TestPoint(const CPoint3d& p) const override;
    std::unique_ptr<IGeomFilter> Clone() const override;
    void Transform(const CTransform3d& transformation) override;
    // Null: the plane is not a bounding plane.
    const CPlane3d* GetPlane(int i) const override;

private:
    CPlane3d m_plane;
};

}  // namespace orbisk::geometry
