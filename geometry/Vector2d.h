#pragma once
// A 2D displacement.

#include "geometry/Tolerance.h"

namespace orbisk::geometry {

class CVector2d {
public:
    double x = 0.0;
    double y = 0.0;

    constexpr CVector2d() = default;
    constexpr CVector2d(double x_, double y_) : x(x_), y(y_) {}

    constexpr double Dot(const CVector2d& v) const { return x * v.x + y * v.y; }
    bool IsValid() const { return std::isfinite(x) && std::isfinite(y); }
};

constexpr CVector2d operator*(const CVector2d& v, double t)
{
    return {v.x * t, v.y * t};
}
constexpr CVector2d operator*(double t, const CVector2d& v)
{
    return {v.x * t, v.y * t};
}

}  // namespace orbisk::geometry
