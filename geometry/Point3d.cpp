#include "geometry/Point3d.h"

#include "geometry/Plane3d.h"
#include "geometry/Ray3d.h"

namespace orbisk::geometry {

double CPoint3d::DistanceToLine(const CPoint3d& origin, const CUnitVector3d& dir) const
{
    return (*this - origin).Cross(dir).Length();
}

double CPoint3d::DistanceSquaredToLine(const CPoint3d& origin, const CUnitVector3d& dir) const
{
    return (*this - origin).Cross(dir).LengthSquared();
}

double CPoint3d::DistanceToLine(const CRay3d& ray) const
{
    return DistanceToLine(ray.origin, ray.direction);
}

double CPoint3d::DistanceSquaredToLine(const CRay3d& ray) const
{
    return DistanceSquaredToLine(ray.origin, ray.direction);
}

bool CPoint3d::IsOnLine(const CRay3d& ray) const
{
    return DistanceToLine(ray) < kGeomTolerance;
}

bool CPoint3d::IsOnPlane(const CPlane3d& plane) const
{
    return plane.DistanceTo(*this) < kGeomTolerance;
}

CPoint3d CPoint3d::ProjectToLine(const CRay3d& ray) const
{
    return ray.ProjectPoint(*this);
}

CPoint3d CPoint3d::ProjectToPlane(const CPlane3d& plane) const
{
    return plane.ProjectPoint(*this);
}

bool CPoint3d::ProjectPerspective(double dist, bool onPlane)
{
    if (std::abs(z) < kNearZero)
        return false;
    if (onPlane) {
        const double f = -dist / z;
        Set(f * x, f * y, -dist);
    } else {
        *this *= dist / (dist - z);
    }
    return true;
}

}  // namespace orbisk::geometry
