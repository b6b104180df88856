#pragma once
// An axis-aligned 2D box; a new box is empty and adding points grows it.

#include "geometry/Interval1d.h"
#include "geometry/Point2d.h"

namespace orbisk::geometry {

class CBoundingBox2d {
public:
    CInterval1d x;
    CInterval1d y;

    constexpr void SetEmpty() { x.SetEmpty(), y.SetEmpty(); }
    constexpr bool IsEmpty() const { return x.IsEmpty() || y.IsEmpty(); }
    constexpr void Add(const CPoint2d& p) { x.Add(p.x), y.Add(p.y); }
    constexpr CPoint2d GetCenter() const { return {x.GetCenter(), y.GetCenter()}; }
    // Bit 1 selects xmax, bit 2 ymax; otherwise the minimum of that axis.
    constexpr CPoint2d GetCorner(int flags) const
    {
        return {flags & 1 ? x.max : x.min, flags & 2 ? y.max : y.min};
    }
    // Strictly inside the box widened by kGeomTolerance.
    constexpr bool Contains(const CPoint2d& p) const
    {
        return x.ContainsWithinTolerance(p.x) && y.ContainsWithinTolerance(p.y);
    }
    constexpr bool Intersects(const CBoundingBox2d& other) const
    {
        return x.Intersects(other.x) && y.Intersects(other.y);
    }
    // Empty axes count as width 0.
    double GetDiagonal() const
    {
        const double w = x.GetLength(), h = y.GetLength();
        const double sq = w * w + h * h;
        return sq > kZeroLengthSquared ? std::sqrt(sq) : 0.0;
    }
    bool IsValid() const { return x.IsValid() && y.IsValid(); }
};

}  // namespace orbisk::geometry
