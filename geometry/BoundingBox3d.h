#pragma once
// An axis-aligned 3D box, the extents of every entity. A new box is empty and adding
// points grows it; tests of an empty box are false.

#include "geometry/Interval1d.h"
#include "geometry/Point3d.h"

namespace orbisk::geometry {

class CBoundingBox3d {
public:
    CInterval1d x;
    CInterval1d y;
    CInterval1d z;

    constexpr void SetEmpty() { x.SetEmpty(), y.SetEmpty(), z.SetEmpty(); }
    constexpr bool IsEmpty() const { return x.IsEmpty() || y.IsEmpty() || z.IsEmpty(); }
    constexpr void Add(const CPoint3d& p) { x.Add(p.x), y.Add(p.y), z.Add(p.z); }
    // Per axis, only where other's interval is not empty.
    void AddBox(const CBoundingBox3d& other);

    constexpr CPoint3d GetMin() const { return {x.min, y.min, z.min}; }
    constexpr CPoint3d GetMax() const { return {x.max, y.max, z.max}; }
    constexpr CPoint3d GetCenter() const { return {x.GetCenter(), y.GetCenter(), z.GetCenter()}; }
    // Bit 1 selects xmax, bit 2 ymax, bit 4 zmax; flags 0..7 enumerate the corners.
    constexpr CPoint3d GetCorner(int flags) const
    {
        return {flags & 1 ? x.max : x.min, flags & 2 ? y.max : y.min, flags & 4 ? z.max : z.min};
    }

    // Strictly inside the box widened by kGeomTolerance.
    constexpr bool Contains(const CPoint3d& p) const
    {
        return x.ContainsWithinTolerance(p.x) && y.ContainsWithinTolerance(p.y) &&
               z.ContainsWithinTolerance(p.z);
    }
    // Inside by at least kGeomTolerance on every axis.
    constexpr bool ContainsStrictly(const CPoint3d& p) const
    {
        return x.ContainsStrictly(p.x) && y.ContainsStrictly(p.y) && z.ContainsStrictly(p.z);
    }
    constexpr bool Intersects(const CBoundingBox3d& other) const
    {
        return x.Intersects(other.x) && y.Intersects(other.y) && z.Intersects(other.z);
    }
    constexpr bool IntersectsWithin(const CBoundingBox3d& other, double tol) const
    {
        return x.IntersectsWithin(other.x, tol) && y.IntersectsWithin(other.y, tol) &&
               z.IntersectsWithin(other.z, tol);
    }
    // Some point of the segment a-b lies in the closed box.
    bool IntersectsSegment(CPoint3d a, CPoint3d b) const;

    constexpr void Expand(double margin) { x.Expand(margin), y.Expand(margin), z.Expand(margin); }
    constexpr void Expand(const CVector3d& margins)
    {
        x.Expand(margins.x), y.Expand(margins.y), z.Expand(margins.z);
    }

    // Empty axes count as width 0.
    constexpr double GetDiagonalSquared() const
    {
        const double w = x.GetLength(), h = y.GetLength(), d = z.GetLength();
        return w * w + h * h + d * d;
    }
    double GetDiagonal() const
    {
        const double sq = GetDiagonalSquared();
        return sq > kZeroLengthSquared ? std::sqrt(sq) : 0.0;
    }
    bool IsValid() const { return x.IsValid() && y.IsValid() && z.IsValid(); }
};

}  // namespace orbisk::geometry
