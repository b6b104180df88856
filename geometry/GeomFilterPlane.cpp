#include "geometry/GeomFilterPlane.h"

#include "geometry/Transform3d.h"

namespace orbisk::geometry {

bool CGeomFilterPlane::TestBox(const CBoundingBox3d& box, bool& fullyInside) const {
    fullyInside = false;
    return IntersectsBox(box);
}

bool CGeomFilterPlane::IntersectsBox(const CBoundingBox3d& box) const {
    return plane_.ClassifyBox(box) == CPlane3d::kBoxStraddling;
}

bool CGeomFilterPlane::TestSegment(const CPoint3d& a, const CPoint3d& b) const {
    const double e = plane_.SignedDistance(a), f = plane_.SignedDistance(b);
    if (IsZeroWithinTolerance(e) || IsZeroWithinTolerance(f)) return true;
    return !SameSign(e, f);
}

bool CGeomFilterPlane::TestPoint(const CPoint3d& p) const { return plane_.DistanceTo(p) < kGeomTolerance; }

std::unique_ptr<IGeomFilter> CGeomFilterPlane::Clone() const { return std::make_unique<CGeomFilterPlane>(*this); }

void CGeomFilterPlane::Transform(const CTransform3d& transformation) { transformation.TransformPlane(plane_); }

const CPlane3d* CGeomFilterPlane::GetPlane(int) const { return nullptr; }

}  // namespace orbisk::geometry
