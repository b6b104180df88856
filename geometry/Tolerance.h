#pragma once
// The one library tolerance and the scalar comparisons built on it. All lengths are
// model units (inches). Each comparison keeps its own strictness (< or <=), which
// callers rely on at the boundary.

#include <cmath>
#include <numbers>

namespace orbisk::geometry {

inline constexpr double kGeomTolerance = 0.001;
inline constexpr double kGeomToleranceSquared = kGeomTolerance * kGeomTolerance;
inline constexpr float kGeomToleranceFloat = 0.001f;
// A squared length at or below this counts as length 0 (no square root is taken).
inline constexpr double kZeroLengthSquared = 1e-20;
// Parallel lines and near-zero lengths after a square root.
inline constexpr double kNearZero = 1e-10;

inline constexpr double kPi = std::numbers::pi;
inline constexpr double kTwoPi = 2.0 * std::numbers::pi;

inline bool EqualWithinTolerance(double a, double b)
{
    return std::abs(a - b) < kGeomTolerance;
}
inline bool IsZeroWithinTolerance(double x)
{
    return std::abs(x) < kGeomTolerance;
}
inline bool IsZeroWithin(double x, double eps)
{
    return std::abs(x) < eps;
}
// Unlike the others, inclusive.
inline bool EqualWithin(double a, double b, double eps)
{
    return std::abs(a - b) <= eps;
}
inline bool IsDefinitelyLess(double a, double b)
{
    return a - b <= -kGeomTolerance;
}
inline bool IsDefinitelyGreater(double a, double b)
{
    return a - b >= kGeomTolerance;
}
inline bool IsLessOrEqualWithinTolerance(double a, double b)
{
    return a - b < kGeomTolerance;
}
inline bool IsGreaterOrEqualWithinTolerance(double a, double b)
{
    return a - b > -kGeomTolerance;
}
// Zero counts as positive.
inline bool SameSign(double a, double b)
{
    return (a >= 0.0) == (b >= 0.0);
}
inline bool IsFiniteNumber(double x)
{
    return std::isfinite(x);
}

}  // namespace orbisk::geometry
