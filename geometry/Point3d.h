#pragma once
// A position in model units. Point minus point is a vector, point plus vector a point.

#include "geometry/Vector3d.h"

namespace orbisk::geometry {

class CUnitVector3d;
class CRay3d;
class CPlane3d;

class CPoint3d {
public:
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    constexpr CPoint3d() = default;
    constexpr CPoint3d(double x_, double y_, double z_) : x(x_), y(y_), z(z_) {}
    // base + t*v
    constexpr CPoint3d(const CPoint3d& base, double t, const CVector3d& v)
        : x(base.x + t * v.x), y(base.y + t * v.y), z(base.z + t * v.z)
    {}
    // Affine combinations s*a + t*b and s*a + t*b + u*c.
    constexpr CPoint3d(double s, const CPoint3d& a, double t, const CPoint3d& b)
        : x(s * a.x + t * b.x), y(s * a.y + t * b.y), z(s * a.z + t * b.z)
    {}
    constexpr CPoint3d(double s, const CPoint3d& a, double t, const CPoint3d& b, double u, const CPoint3d& c)
        : x(s * a.x + t * b.x + u * c.x), y(s * a.y + t * b.y + u * c.y), z(s * a.z + t * b.z + u * c.z)
    {}

    constexpr void Set(double x_, double y_, double z_) { x = x_, y = y_, z = z_; }
    constexpr void Set(const CPoint3d& base, double t, const CVector3d& v) { *this = CPoint3d(base, t, v); }
    constexpr void Offset(double t, const CVector3d& v) { *this = CPoint3d(*this, t, v); }
    constexpr void SetSum(const CPoint3d& a, const CPoint3d& b) { Set(a.x + b.x, a.y + b.y, a.z + b.z); }

    // 0 is x, 1 is y, every other index z.
    constexpr double operator[](int i) const { return i == 0 ? x : i == 1 ? y : z; }
    constexpr double& operator[](int i) { return i == 0 ? x : i == 1 ? y : z; }

    constexpr double DistanceSquaredTo(const CPoint3d& p) const
    {
        return (x - p.x) * (x - p.x) + (y - p.y) * (y - p.y) + (z - p.z) * (z - p.z);
    }
    double DistanceTo(const CPoint3d& p) const
    {
        const double sq = DistanceSquaredTo(p);
        return sq > kZeroLengthSquared ? std::sqrt(sq) : 0.0;
    }
    // Every coordinate strictly within tol and the squared distance strictly below tol^2.
    bool IsEqual(const CPoint3d& p, double tol) const
    {
        const double dx = x - p.x, dy = y - p.y, dz = z - p.z;
        return std::abs(dx) < tol && std::abs(dy) < tol && std::abs(dz) < tol &&
               dx * dx + dy * dy + dz * dz < tol * tol;
    }
    bool IsValid() const { return std::isfinite(x) && std::isfinite(y) && std::isfinite(z); }
    // a when this point is at least as near to a as to b.
    constexpr const CPoint3d& Nearer(const CPoint3d& a, const CPoint3d& b) const
    {
        return DistanceSquaredTo(b) >= DistanceSquaredTo(a) ? a : b;
    }

    // A line is an origin and a unit direction, as a CRay3d holds them.
    double DistanceToLine(const CPoint3d& origin, const CUnitVector3d& dir) const;
    double DistanceSquaredToLine(const CPoint3d& origin, const CUnitVector3d& dir) const;
    double DistanceToLine(const CRay3d& ray) const;
    double DistanceSquaredToLine(const CRay3d& ray) const;
    bool IsOnLine(const CRay3d& ray) const;
    bool IsOnPlane(const CPlane3d& plane) const;
    CPoint3d ProjectToLine(const CRay3d& ray) const;
    CPoint3d ProjectToPlane(const CPlane3d& plane) const;

    // Projects an eye-space point (eye at the origin looking down -z) in place: onPlane
    // gives the central projection onto z = -dist; otherwise every component is scaled by
    // dist/(dist - z), unguarded. False, and unchanged, when abs(z) < 1e-10.
    bool ProjectPerspective(double dist, bool onPlane);

    constexpr CPoint3d& operator+=(const CVector3d& v)
    {
        x += v.x, y += v.y, z += v.z;
        return *this;
    }
    constexpr CPoint3d& operator-=(const CVector3d& v)
    {
        x -= v.x, y -= v.y, z -= v.z;
        return *this;
    }
    constexpr CPoint3d& operator*=(double t)
    {
        x *= t, y *= t, z *= t;
        return *this;
    }
    constexpr CPoint3d& operator/=(double t)
    {
        x /= t, y /= t, z /= t;
        return *this;
    }
};

constexpr CPoint3d operator+(const CPoint3d& p, const CVector3d& v)
{
    return {p.x + v.x, p.y + v.y, p.z + v.z};
}
constexpr CPoint3d operator-(const CPoint3d& p, const CVector3d& v)
{
    return {p.x - v.x, p.y - v.y, p.z - v.z};
}
constexpr CVector3d operator-(const CPoint3d& a, const CPoint3d& b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline bool operator==(const CPoint3d& a, const CPoint3d& b)
{
    return a.IsEqual(b, kGeomTolerance);
}
inline bool operator!=(const CPoint3d& a, const CPoint3d& b)
{
    return !(a == b);
}

constexpr CVector3d::CVector3d(const CPoint3d& from, const CPoint3d& to)
    : x(to.x - from.x), y(to.y - from.y), z(to.z - from.z)
{}

constexpr CPoint3d Midpoint(const CPoint3d& a, const CPoint3d& b)
{
    return CPoint3d(0.5, a, 0.5, b);
}

}  // namespace orbisk::geometry
