#pragma once
// A displacement or direction of any length. Same layout as CPoint3d.

#include "geometry/Tolerance.h"

namespace orbisk::geometry {

class CPoint3d;

class CVector3d {
public:
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    constexpr CVector3d() = default;
    constexpr CVector3d(double x_, double y_, double z_) : x(x_), y(y_), z(z_) {}
    constexpr CVector3d(double t, const CVector3d& v) : x(t * v.x), y(t * v.y), z(t * v.z) {}
    // to - from; defined in Point3d.h.
    constexpr CVector3d(const CPoint3d& from, const CPoint3d& to);

    // 0 is x, 1 is y, every other index z, as for points.
    constexpr double operator[](int i) const { return i == 0 ? x : i == 1 ? y : z; }

    constexpr double Dot(const CVector3d& v) const { return x * v.x + y * v.y + z * v.z; }
    constexpr CVector3d Cross(const CVector3d& v) const
    {
        return {y * v.z - z * v.y, z * v.x - x * v.z, x * v.y - y * v.x};
    }
    constexpr double LengthSquared() const { return Dot(*this); }
    double Length() const
    {
        const double sq = LengthSquared();
        return sq > kZeroLengthSquared ? std::sqrt(sq) : 0.0;
    }

    // Below kZeroLengthSquared: becomes the zero vector and returns false.
    bool Normalize()
    {
        const double sq = LengthSquared();
        if (sq < kZeroLengthSquared) {
            *this = {};
            return false;
        }
        *this /= std::sqrt(sq);
        return true;
    }
    // Writes the length first; a length below 1e-10 gives the zero vector and false.
    bool NormalizeWithLength(double& length)
    {
        length = Length();
        if (length < kNearZero) {
            *this = {};
            return false;
        }
        *this /= length;
        return true;
    }
    // A length below 1e-10 leaves the vector unchanged and returns false.
    bool SetLength(double newLength)
    {
        const double length = Length();
        if (length < kNearZero)
            return false;
        *this *= newLength / length;
        return true;
    }
    constexpr void Reverse() { x = -x, y = -y, z = -z; }

    // Componentwise within tol (inclusive); no squared-distance test, unlike points.
    bool IsEqual(const CVector3d& v, double tol) const
    {
        return std::abs(x - v.x) <= tol && std::abs(y - v.y) <= tol && std::abs(z - v.z) <= tol;
    }
    bool IsPerpendicularTo(const CVector3d& v) const { return std::abs(Dot(v)) < kGeomTolerance; }
    constexpr bool IsNonZero() const { return x != 0.0 || y != 0.0 || z != 0.0; }
    bool IsValid() const { return std::isfinite(x) && std::isfinite(y) && std::isfinite(z); }

    // This vector is the axis: the angle from a to b turned about it by the right-hand
    // rule, in [0, 2pi); 0 when a or b is parallel to the axis.
    double AngleAbout(const CVector3d& a, const CVector3d& b) const;

    constexpr CVector3d& operator+=(const CVector3d& v)
    {
        x += v.x, y += v.y, z += v.z;
        return *this;
    }
    constexpr CVector3d& operator-=(const CVector3d& v)
    {
        x -= v.x, y -= v.y, z -= v.z;
        return *this;
    }
    constexpr CVector3d& operator*=(double t)
    {
        x *= t, y *= t, z *= t;
        return *this;
    }
    // No guard against t = 0.
    constexpr CVector3d& operator/=(double t)
    {
        x /= t, y /= t, z /= t;
        return *this;
    }
};

// Free operators, so that a CUnitVector3d converts to a vector on either side.
constexpr CVector3d operator+(const CVector3d& a, const CVector3d& b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
constexpr CVector3d operator-(const CVector3d& a, const CVector3d& b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
constexpr CVector3d operator-(const CVector3d& v)
{
    return {-v.x, -v.y, -v.z};
}
constexpr CVector3d operator*(const CVector3d& v, double t)
{
    return {v.x * t, v.y * t, v.z * t};
}
constexpr CVector3d operator*(double t, const CVector3d& v)
{
    return {v.x * t, v.y * t, v.z * t};
}
constexpr CVector3d operator/(const CVector3d& v, double t)
{
    return {v.x / t, v.y / t, v.z / t};
}
inline bool operator==(const CVector3d& a, const CVector3d& b)
{
    return a.IsEqual(b, kGeomTolerance);
}
inline bool operator!=(const CVector3d& a, const CVector3d& b)
{
    return !(a == b);
}

}  // namespace orbisk::geometry
