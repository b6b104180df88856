#include "geometry/Line3d.h"

#include "geometry/Plane3d.h"

namespace orbisk::geometry {

namespace {

// Outcode with the min faces of x, y, z as 1, 2, 4 and the max faces as 8, 16, 32.
int FaceOutcode(const CBoundingBox3d& box, const CPoint3d& p)
{
    const CInterval1d* axes[3] = {&box.x, &box.y, &box.z};
    int code = 0;
    for (int axis = 0; axis < 3; ++axis) {
        if (p[axis] < axes[axis]->min)
            code |= 1 << axis;
        else if (p[axis] > axes[axis]->max)
            code |= 8 << axis;
    }
    return code;
}

}  // namespace

CLine3d::CLine3d(const CPoint3d& start, const CPoint3d& end)
    : CRay3d(start, CUnitVector3d(start, end)), t0(0.0)
{
    t1 = GetParameter(end);
}

bool CLine3d::GetRay(CRay3d& ray) const
{
    if (HasStart() == HasEnd())
        return false;
    if (HasStart())
        ray.Set(GetPointAt(t0), direction);
    else
        ray.Set(GetPointAt(t1), -direction);
    return true;
}

void CLine3d::SetDirection(const CUnitVector3d& u)
{
    if (HasStart()) {
        origin = GetPointAt(t0);
        if (HasEnd())
            t1 -= t0;
        t0 = 0.0;
    } else if (HasEnd()) {
        origin = GetPointAt(t1);
        t1 = 0.0;
    }
    direction = u;
}

bool CLine3d::ClipToPlane(const CPlane3d& plane)
{
    double t = 0.0;
    if (!IntersectParameter(plane, t))
        return plane.SignedDistance(origin) > -kGeomTolerance;
    if (plane.GetNormal().Dot(direction) > 0.0) {
        if (t < t0)
            return true;
        if (t > t1)
            return false;
        t0 = t;
    } else {
        if (t < t0)
            return false;
        if (t > t1)
            return true;
        t1 = t;
    }
    return !IsZeroLength();
}

bool CLine3d::IntersectsBox(const CBoundingBox3d& box) const
{
    const CInterval1d* axes[3] = {&box.x, &box.y, &box.z};
    const CVector3d dir = direction;
    const double ax = std::abs(dir.x), ay = std::abs(dir.y), az = std::abs(dir.z);
    const int k = ax > ay && ax > az ? 0 : ay > az ? 1 : 2;
    // Unbounded ends are replaced by the points where the line crosses the box's two
    // faces across the dominant axis k; such a point carries that face's code.
    const auto pointOnFace = [&](int axis, double value) {
        return GetPointAt((value - origin[axis]) / dir[axis]);
    };
    const bool forward = dir[k] >= 0.0;
    const double entryFace = forward ? axes[k]->min : axes[k]->max;
    const double exitFace = forward ? axes[k]->max : axes[k]->min;
    const int entryCode = (forward ? 1 : 8) << k;
    const int exitCode = (forward ? 8 : 1) << k;

    CPoint3d start, end;
    int startCode = 0, endCode = 0;
    const bool hasStart = GetStartPoint(start);
    const bool hasEnd = GetEndPoint(end);
    if (!hasStart) {
        if (hasEnd && (forward ? end[k] < axes[k]->min : end[k] > axes[k]->max))
            return false;
        start = pointOnFace(k, entryFace), startCode = entryCode;
    }
    if (!hasEnd) {
        if (forward ? start[k] > axes[k]->max : start[k] < axes[k]->min)
            return false;
        end = pointOnFace(k, exitFace), endCode = exitCode;
    }

    const int w = startCode | FaceOutcode(box, start);
    const int v = endCode | FaceOutcode(box, end);
    if (w == 0 || v == 0)
        return true;
    if (w & v)
        return false;
    const int both = w | v;
    for (int axis = 0; axis < 3; ++axis) {
        if ((both & ~(9 << axis)) == 0)
            return true;
    }
    for (int bit = 0; bit < 6; ++bit) {
        if (!(both & (1 << bit)))
            continue;
        const int axis = bit % 3;
        if (std::abs(dir[axis]) < kGeomToleranceSquared)
            continue;
        const CPoint3d p = pointOnFace(axis, bit < 3 ? axes[axis]->min : axes[axis]->max);
        const int other1 = (axis + 1) % 3, other2 = (axis + 2) % 3;
        if (p[other1] >= axes[other1]->min && p[other1] <= axes[other1]->max &&
            p[other2] >= axes[other2]->min && p[other2] <= axes[other2]->max)
            return true;
    }
    return false;
}

}  // namespace orbisk::geometry
