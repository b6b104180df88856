#include "geometry/GeomFilterVolume.h"

#include "geometry/Transform3d.h"

#include <algorithm>
#include <cmath>

namespace orbisk::geometry {

bool CGeomFilterVolume::IsSixthPlaneInUse() const
{
    return m_planes[5].d != HUGE_VAL;
}

bool CGeomFilterVolume::TestBox(const CBoundingBox3d& box, bool& fullyInside) const
{
    fullyInside = false;
    bool allNegative = true;
    for (int i = 0; i < PlanesInUse(); ++i) {
        const int side = m_planes[i].ClassifyBox(box);
        if (side == CPlane3d::kBoxPositive)
            return false;
        allNegative = allNegative && side == CPlane3d::kBoxNegative;
    }
    fullyInside = allNegative;
    return true;
}

bool CGeomFilterVolume::IntersectsBox(const CBoundingBox3d& box) const
{
    for (int i = 0; i < PlanesInUse(); ++i) {
        if (m_planes[i].ClassifyBox(box) == CPlane3d::kBoxPositive)
            return false;
    }
    return true;
}

bool CGeomFilterVolume::TestPoint(const CPoint3d& p) const
{
    for (int i = 0; i < PlanesInUse(); ++i) {
        if (m_planes[i].SignedDistance(p) > 0.0)
            return false;
    }
    return true;
}

void CGeomFilterVolume::Transform(const CTransform3d& transformation)
{
    for (int i = 0; i < PlanesInUse(); ++i)
        transformation.TransformPlane(m_planes[i]);
}

const CPlane3d* CGeomFilterVolume::GetPlane(int i) const
{
    return i >= 0 && i < static_cast<int>(m_planes.size()) ? &m_planes[i] : nullptr;
}

bool CGeomFilterVolume::SegmentCrosses(const VolumePlanes& planes, int count, CPoint3d a, CPoint3d b)
{
    for (int i = 0; i < count; ++i) {
        if (planes[i].ClipSegment(a, b) == 1)
            return false;
    }
    return true;
}

bool CGeomFilterInsideVolume::TestSegment(const CPoint3d& a, const CPoint3d& b) const
{
    return TestPoint(a) && TestPoint(b);
}

std::unique_ptr<IGeomFilter> CGeomFilterInsideVolume::Clone() const
{
    return std::make_unique<CGeomFilterInsideVolume>(*this);
}

bool CGeomFilterCrossingVolume::TestSegment(const CPoint3d& a, const CPoint3d& b) const
{
    return SegmentCrosses(m_planes, PlanesInUse(), a, b);
}

std::unique_ptr<IGeomFilter> CGeomFilterCrossingVolume::Clone() const
{
    return std::make_unique<CGeomFilterCrossingVolume>(*this);
}

std::unique_ptr<IGeomFilter> CGeomFilterCrossingExpandedVolume::Clone() const
{
    return std::make_unique<CGeomFilterCrossingExpandedVolume>(*this);
}

bool CGeomFilterCrossingExpandedVolume::TestSegmentExpanded(const CPoint3d& a, const CPoint3d& b,
                                                            double width) const
{
    const CUnitVector3d u(a, b);
    VolumePlanes expanded = m_planes;
    const int count = PlanesInUse();
    for (int i = 0; i < count; ++i) {
        const double cosine = expanded[i].GetNormal().Dot(u);
        // Clamped: rounding can push cosine^2 just above 1.
        expanded[i].d -= width * std::sqrt(std::max(0.0, 1.0 - cosine * cosine));
    }
    return SegmentCrosses(expanded, count, a, b);
}

}  // namespace orbisk::geometry
