#pragma once
// A direction that every constructor and setter normalises. A failed normalisation
// leaves the zero vector, the only non-unit value it can hold; IsNonZero tells.

#include "geometry/Point3d.h"

namespace orbisk::geometry {

class CUnitVector3d {
public:
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    // The zero vector: no direction yet.
    constexpr CUnitVector3d() = default;
    CUnitVector3d(double x_, double y_, double z_) : x(x_), y(y_), z(z_) { NormalizeStep(); }
    explicit CUnitVector3d(const CVector3d& v) : CUnitVector3d(v.x, v.y, v.z) {}
    CUnitVector3d(const CPoint3d& from, const CPoint3d& to) : CUnitVector3d(to - from) {}

    static constexpr CUnitVector3d XAxis() { return CUnitVector3d(1.0, 0.0, 0.0, Exact{}); }
    static constexpr CUnitVector3d YAxis() { return CUnitVector3d(0.0, 1.0, 0.0, Exact{}); }
    static constexpr CUnitVector3d ZAxis() { return CUnitVector3d(0.0, 0.0, 1.0, Exact{}); }

    // Both return the length before normalising; below 1e-10 the vector becomes zero.
    double Set(double x_, double y_, double z_);
    double SetFromPoints(const CPoint3d& from, const CPoint3d& to);

    constexpr operator CVector3d() const { return {x, y, z}; }
    constexpr CUnitVector3d operator-() const { return CUnitVector3d(-x, -y, -z, Exact{}); }

    constexpr double Dot(const CVector3d& v) const { return x * v.x + y * v.y + z * v.z; }
    constexpr CVector3d Cross(const CVector3d& v) const { return CVector3d(*this).Cross(v); }
    constexpr bool IsNonZero() const { return x != 0.0 || y != 0.0 || z != 0.0; }

    // Equal or opposite within kGeomTolerance per component (inclusive).
    bool IsParallelTo(const CUnitVector3d& u) const
    {
        const CVector3d v = *this;
        return v.IsEqual(u, kGeomTolerance) || v.IsEqual(-u, kGeomTolerance);
    }
    bool IsValid() const
    {
        return CVector3d(*this).IsValid() && std::abs(x * x + y * y + z * z - 1.0) < kGeomToleranceSquared;
    }
    // In [0, pi].
    double AngleBetween(const CUnitVector3d& u) const;
    // Two unit axes completing this normal to a right-handed frame: x = unit(r x n),
    // y = n x x, with r = +Z, or +Y when n is parallel to Z. Returns the success of the
    // last normalisation.
    bool GetArbitraryAxes(CUnitVector3d& xAxis, CUnitVector3d& yAxis) const;

private:
    struct Exact {};
    // Components known to be unit length (or zero): no normalisation.
    constexpr CUnitVector3d(double x_, double y_, double z_, Exact) : x(x_), y(y_), z(z_) {}
    // Near-unit input is left untouched so that exact axes stay exact; a (near) zero
    // vector becomes exactly zero.
    void NormalizeStep();
};

// The up vector of a camera at eye looking at target: perpendicular to the view
// direction, kept level with +Z where possible and on the side of preferredUp.
void ComputeCameraUpVector(const CPoint3d& eye, const CPoint3d& target, const CVector3d& preferredUp,
                           CUnitVector3d& up);

}  // namespace orbisk::geometry
