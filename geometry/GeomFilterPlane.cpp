#include "geometry/GeomFilterPlane.h"

#include "geometry/Transform3d.h"

namespace orbisk::geometry {

bool CGeomFilterPlane::TestBox(const CBoundingBox3d& box, bool& fullyInside) const
{
    fullyInside = false;
    return IntersectsBox(box);
}

bool CGeomFilterPlane::IntersectsBox(const CBoundingBox3d& box) const
{
    return m_plane.ClassifyBox(box) == CPlane3d::kBoxStraddling;
}

bool CGeomFilterPlane::TestSegment(const CPoint3d& a, const CPoint3d& b) const
{
    const double e = m_plane.SignedDistance(a), f = m_plane.SignedDistance(b);
    if (IsZeroWithinTolerance(e) || IsZeroWithinTolerance(f))
        return true;
    return !SameSign(e, f);
}

bool CGeomFilterPlane::TestPoint(const CPoint3d& p) const
{
    return m_plane.DistanceTo(p) < kGeomTolerance;
}

std::unique_ptr<IGeomFilter> CGeomFilterPlane::Clone() const
{
    return std::make_unique<CGeomFilterPlane>(*this);
}

void CGeomFilterPlane::Transform(const CTransform3d& transformation)
{
    transformation.TransformPlane(m_plane);
}

const CPlane3d* CGeomFilterPlane::GetPlane(int) const
{
    return nullptr;
}

}  // namespace orbisk::geometry
