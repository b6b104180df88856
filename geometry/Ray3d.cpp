#include "geometry/Ray3d.h"

#include "geometry/GeomFunctions.h"
#include "geometry/Plane3d.h"
#include "geometry/Transform3d.h"

namespace orbisk::geometry {

bool CRay3d::IntersectParameter(const CPlane3d& plane, double& t) const
{
    return plane.IntersectRay(*this, t);
}

bool CRay3d::Intersect(const CPlane3d& plane, CPoint3d& p) const
{
    return plane.Intersect(*this, p);
}

bool CRay3d::ClosestPoints(const CRay3d& other, CPoint3d& p, CPoint3d& q) const
{
    return ClosestLinePoints(origin, direction, other.origin, other.direction, p, q);
}

bool CRay3d::IntersectRay(const CRay3d& other, CPoint3d& p) const
{
    CPoint3d mine, theirs;
    const bool crossing = ClosestPoints(other, mine, theirs);
    p = Midpoint(mine, theirs);
    return crossing && mine.IsEqual(theirs, kGeomTolerance);
}

bool CRay3d::ClosestParameterToSegment(const CPoint3d& a, const CPoint3d& b, double& t) const
{
    const CVector3d r = b - a;
    // A segment standing for its midpoint, or one parallel to this line: its end a.
    auto onLine = [&](const CPoint3d& point) {
        t = GetParameter(point);
        return GetPointAt(t).IsEqual(point, kGeomTolerance);
    };
    if (r.LengthSquared() < kGeomToleranceSquared)
        return onLine(Midpoint(a, b));
    const CVector3d p = r.Cross(direction);
    const double e = p.LengthSquared();
    if (std::abs(e) < kNearZero)
        return onLine(a);
    const double g = (origin - a).Cross(direction).Dot(p) / e;
    const CPoint3d q(a, g, r);
    if ((g < 0.0 || g > 1.0) && !q.IsEqual(a, kGeomTolerance) && !q.IsEqual(b, kGeomTolerance))
        return false;
    t = GetParameter(q);
    return true;
}

bool CRay3d::IntersectBox(const CBoundingBox3d& box, CPoint3d& point, int& face) const
{
    face = kOriginInside;
    if (box.x.IsEmpty())
        return false;
    const CInterval1d* axes[3] = {&box.x, &box.y, &box.z};
    double candidate[3] = {};
    int candidateFace[3] = {};
    bool inside = true;
    for (int axis = 0; axis < 3; ++axis) {
        if (origin[axis] < axes[axis]->min) {
            candidate[axis] = axes[axis]->min, candidateFace[axis] = kXMin + 2 * axis;
        } else if (origin[axis] > axes[axis]->max) {
            candidate[axis] = axes[axis]->max, candidateFace[axis] = kXMax + 2 * axis;
        }
        inside = inside && candidateFace[axis] == 0;
    }
    if (inside) {
        point = origin;
        return true;
    }
    const CVector3d dir = direction;
    double parameter[3];
    for (int axis = 0; axis < 3; ++axis) {
        const double component = dir[axis];
        parameter[axis] = candidateFace[axis] == 0 || component == 0.0
                              ? -1.0
                              : (candidate[axis] - origin[axis]) / component;
    }
    int best = 0;
    if (parameter[1] > parameter[best])
        best = 1;
    if (parameter[2] > parameter[best])
        best = 2;
    if (parameter[best] < 0.0)
        return false;

    CPoint3d hit = GetPointAt(parameter[best]);
    hit[best] = candidate[best];
    for (int axis = 0; axis < 3; ++axis) {
        if (axis != best && (hit[axis] < axes[axis]->min || hit[axis] > axes[axis]->max))
            return false;
    }
    point = hit;
    face = candidateFace[best];
    return true;
}

void CRay3d::Transform(const CTransform3d& transformation)
{
    transformation.TransformRay(*this);
}

}  // namespace orbisk::geometry
