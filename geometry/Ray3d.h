#pragma once
// A point and a unit direction. Despite the name, every operation but IntersectBox
// treats it as the infinite line origin + t*direction.

#include "geometry/BoundingBox3d.h"
#include "geometry/UnitVector3d.h"

namespace orbisk::geometry {

class CPlane3d;
class CTransform3d;

class CRay3d {
public:
    CPoint3d origin;
    CUnitVector3d direction = CUnitVector3d::ZAxis();

    constexpr CRay3d() = default;
    // The direction is taken as it is, not renormalised.
    constexpr CRay3d(const CPoint3d& origin_, const CUnitVector3d& direction_)
        : origin(origin_), direction(direction_)
    {}

    constexpr void Set(const CPoint3d& origin_, const CUnitVector3d& direction_)
    {
        origin = origin_, direction = direction_;
    }
    // The direction from origin to point; zero when they coincide.
    void SetThrough(const CPoint3d& origin_, const CPoint3d& point)
    {
        origin = origin_;
        direction = CUnitVector3d(origin_, point);
    }

    constexpr CPoint3d GetPointAt(double t) const { return CPoint3d(origin, t, direction); }
    constexpr double GetParameter(const CPoint3d& p) const { return direction.Dot(p - origin); }
    constexpr CPoint3d ProjectPoint(const CPoint3d& p) const { return GetPointAt(GetParameter(p)); }

    // False when nearly parallel to the plane (abs(n . direction) < 1e-6).
    bool IntersectParameter(const CPlane3d& plane, double& t) const;
    bool Intersect(const CPlane3d& plane, CPoint3d& p) const;
    // The nearest points of both lines; false when the lines are parallel.
    bool ClosestPoints(const CRay3d& other, CPoint3d& p, CPoint3d& q) const;
    // p, the midpoint of the two nearest points, is written in every case; true when the
    // lines are not parallel and those points coincide within the tolerance.
    bool IntersectRay(const CRay3d& other, CPoint3d& p) const;
    // The parameter along this line of the point of segment a-b nearest to it; false when
    // that point lies off the segment. The distance between the two is not tested.
    bool ClosestParameterToSegment(const CPoint3d& a, const CPoint3d& b, double& t) const;

    // Face codes of IntersectBox.
    enum BoxFace : int { kOriginInside = 0, kXMin, kXMax, kYMin, kYMax, kZMin, kZMax };
    // The first hit at or ahead of the origin (only t >= 0 counts here), and the face hit.
    bool IntersectBox(const CBoundingBox3d& box, CPoint3d& point, int& face) const;

    void Transform(const CTransform3d& transformation);
    bool IsValid() const { return origin.IsValid() && direction.IsValid(); }
};

}  // namespace orbisk::geometry
