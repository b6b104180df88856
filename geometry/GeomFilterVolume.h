#pragma once
// Filters bounded by six planes with outward normals: a point is inside when its signed
// distance to every plane in use is <= 0. The sixth plane is not in use when its d is
// +infinity (HUGE_VAL); the other five always are.
//   CGeomFilterInsideVolume            window selection: what lies wholly inside
//   CGeomFilterCrossingVolume          crossing selection: what touches the volume
//   CGeomFilterCrossingExpandedVolume  crossing with a pick aperture widening the volume
//                                      per tested edge

#include "geometry/GeomFilter.h"
#include "geometry/Plane3d.h"

#include <array>

namespace orbisk::geometry {

using VolumePlanes = std::array<CPlane3d, 6>;

class CGeomFilterVolume : public IGeomFilter {
public:
    explicit CGeomFilterVolume(const VolumePlanes& planes) : m_planes(planes) {}

    bool TestBox(const CBoundingBox3d& box, bool& fullyInside) const override;
    bool IntersectsBox(const CBoundingBox3d& box) const override;
    // Without tolerance.
    bool TestPoint(const CPoint3d& p) const override;
    void Transform(const CTransform3d& transformation) override;
    // Also the sixth plane when it is not in use.
    const CPlane3d* GetPlane(int i) const override;

    bool IsSixthPlaneInUse() const;

protected:
    int PlanesInUse() const { return IsSixthPlaneInUse() ? 6 : 5; }
    // The segment clipped plane by plane keeps something inside the planes.
    static bool SegmentCrosses(const VolumePlanes& planes, int count, CPoint3d a, CPoint3d b);

    VolumePlanes m_planes;
};

class CGeomFilterInsideVolume : public CGeomFilterVolume {
public:
    using CGeomFilterVolume::CGeomFilterVolume;

    // Both ends inside.
    bool TestSegment(const CPoint3d& a, const CPoint3d& b) const override;
    std::unique_ptr<IGeomFilter> Clone() const override;
};

class CGeomFilterCrossingVolume : public CGeomFilterVolume {
public:
    using CGeomFilterVolume::CGeomFilterVolume;

    bool TestSegment(const CPoint3d& a, const CPoint3d& b) const override;
    std::unique_ptr<IGeomFilter> Clone() const override;
};

class CGeomFilterCrossingExpandedVolume : public CGeomFilterCrossingVolume {
public:
    using CGeomFilterCrossingVolume::CGeomFilterCrossingVolume;

    std::unique_ptr<IGeomFilter> Clone() const override;
    // The crossing test with every plane in use moved outwards by width times the sine of
    // the angle between its normal and the segment: the aperture's extent across the edge.
    virtual bool TestSegmentExpanded(const CPoint3d& a, const CPoint3d& b, double width) const;
};

}  // namespace orbisk::geometry
