#pragma once
// A closed interval. Empty when min > max; the empty interval is written (1e30, -1e30),
// and emptiness is a value, not an error: every test of an empty interval is false.

#include "geometry/Tolerance.h"

namespace orbisk::geometry {

inline constexpr double kEmptyMin = 1e30;
inline constexpr double kEmptyMax = -1e30;

class CInterval1d {
public:
    double min = kEmptyMin;
    double max = kEmptyMax;

    constexpr CInterval1d() = default;
    constexpr CInterval1d(double min_, double max_) : min(min_), max(max_) {}

    constexpr void SetEmpty() { min = kEmptyMin, max = kEmptyMax; }
    constexpr bool IsEmpty() const { return min > max; }
    // Two independent tests, so the first value added to an empty interval sets both ends.
    constexpr void Add(double v)
    {
        if (v < min)
            min = v;
        if (v > max)
            max = v;
    }
    constexpr double GetCenter() const { return 0.5 * (min + max); }
    // The width, 0 for an empty or one-point interval.
    constexpr double GetLength() const { return min < max ? max - min : 0.0; }

    // Touching counts.
    constexpr bool Intersects(const CInterval1d& other) const
    {
        if (IsEmpty() || other.IsEmpty())
            return false;
        return !(other.min > max || other.max < min);
    }
    // Both widened by tol on each side overlap.
    constexpr bool IntersectsWithin(const CInterval1d& other, double tol) const
    {
        if (IsEmpty() || other.IsEmpty())
            return false;
        return !(other.min - tol > max + tol || min - tol > other.max + tol);
    }
    // Strictly inside the interval widened by kGeomTolerance.
    constexpr bool ContainsWithinTolerance(double v) const
    {
        return min - kGeomTolerance < v && v < max + kGeomTolerance;
    }
    // Inside by at least the tolerance.
    constexpr bool ContainsStrictly(double v) const
    {
        return v - min >= kGeomTolerance && v - max <= -kGeomTolerance;
    }
    // A negative margin shrinks; an empty interval stays empty.
    constexpr void Expand(double margin)
    {
        if (IsEmpty())
            return;
        min -= margin, max += margin;
    }
    // Empty when a or b is empty or they are disjoint; ties take a's value.
    static constexpr CInterval1d Intersection(const CInterval1d& a, const CInterval1d& b)
    {
        if (!a.Intersects(b))
            return {};
        return {a.min >= b.min ? a.min : b.min, a.max <= b.max ? a.max : b.max};
    }
    bool IsValid() const { return std::isfinite(min) && std::isfinite(max); }
};

}  // namespace orbisk::geometry
