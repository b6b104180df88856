#include "geometry/Vector3d.h"

#include "geometry/UnitVector3d.h"

namespace orbisk::geometry {

double CVector3d::AngleAbout(const CVector3d& a, const CVector3d& b) const
{
    // a and b projected into the plane normal to this axis.
    const CUnitVector3d u(Cross(a).Cross(*this));
    const CUnitVector3d v(Cross(b).Cross(*this));
    if (!u.IsNonZero() || !v.IsNonZero())
        return 0.0;
    const double theta = u.AngleBetween(v);
    return u.Cross(v).Dot(*this) < 0.0 ? kTwoPi - theta : theta;
}

}  // namespace orbisk::geometry
