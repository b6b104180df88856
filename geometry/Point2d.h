#pragma once
// A 2D position, such as a vertex of a face outline in its plane's coordinates.

#include "geometry/Vector2d.h"

namespace orbisk::geometry {

class CPoint2d {
public:
    double x = 0.0;
    double y = 0.0;

    constexpr CPoint2d() = default;
    constexpr CPoint2d(double x_, double y_) : x(x_), y(y_) {}

    bool IsValid() const { return std::isfinite(x) && std::isfinite(y); }
};

constexpr CPoint2d operator+(const CPoint2d& p, const CVector2d& v)
{
    return {p.x + v.x, p.y + v.y};
}
constexpr CVector2d operator-(const CPoint2d& a, const CPoint2d& b)
{
    return {a.x - b.x, a.y - b.y};
}
// Both coordinates strictly within kGeomTolerance and the squared distance below its square.
inline bool operator==(const CPoint2d& a, const CPoint2d& b)
{
    const double dx = a.x - b.x, dy = a.y - b.y;
    return std::abs(dx) < kGeomTolerance && std::abs(dy) < kGeomTolerance &&
           dx * dx + dy * dy < kGeomToleranceSquared;
}
inline bool operator!=(const CPoint2d& a, const CPoint2d& b)
{
    return !(a == b);
}

}  // namespace orbisk::geometry
