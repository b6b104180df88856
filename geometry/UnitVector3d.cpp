#include "geometry/UnitVector3d.h"

namespace orbisk::geometry {

void CUnitVector3d::NormalizeStep()
{
    const double sq = x * x + y * y + z * z;
    if (sq < kZeroLengthSquared) {
        x = y = z = 0.0;
        return;
    }
    if (std::abs(sq - 1.0) <= kZeroLengthSquared)
        return;
    const double length = std::sqrt(sq);
    x /= length, y /= length, z /= length;
}

double CUnitVector3d::Set(double x_, double y_, double z_)
{
    CVector3d v(x_, y_, z_);
    double length = 0.0;
    v.NormalizeWithLength(length);
    x = v.x, y = v.y, z = v.z;
    return length;
}

double CUnitVector3d::SetFromPoints(const CPoint3d& from, const CPoint3d& to)
{
    const CVector3d v = to - from;
    return Set(v.x, v.y, v.z);
}

double CUnitVector3d::AngleBetween(const CUnitVector3d& u) const
{
    const double d = Dot(u);
    if (d >= 1.0)
        return 0.0;
    if (d <= -1.0)
        return kPi;
    return std::acos(d);
}

bool CUnitVector3d::GetArbitraryAxes(CUnitVector3d& xAxis, CUnitVector3d& yAxis) const
{
    const CUnitVector3d r = IsParallelTo(ZAxis()) ? YAxis() : ZAxis();
    xAxis = CUnitVector3d(r.Cross(*this));
    yAxis = CUnitVector3d(Cross(xAxis));
    return yAxis.IsNonZero();
}

void ComputeCameraUpVector(const CPoint3d& eye, const CPoint3d& target, const CVector3d& preferredUp,
                           CUnitVector3d& up)
{
    constexpr double kMinSideLength = 1e-6;
    const CUnitVector3d dir(eye, target);
    CVector3d side = CUnitVector3d::ZAxis().Cross(dir);
    // The side vector built from the preferred up already puts up on its side.
    bool agreeWithPreferred = true;
    if (side.Length() <= kMinSideLength) {
        side = preferredUp.Cross(dir);
        agreeWithPreferred = side.Length() <= kMinSideLength;
        if (agreeWithPreferred)
            side = CUnitVector3d::YAxis().Cross(dir);
    }
    up = CUnitVector3d(dir.Cross(side));
    if (agreeWithPreferred && up.Dot(preferredUp) < 0.0)
        up = -up;
}

}  // namespace orbisk::geometry
