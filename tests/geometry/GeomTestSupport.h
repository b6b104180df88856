#pragma once
// Comparisons and printers shared by the geometry tests.

#include "geometry/Plane3d.h"
#include "geometry/Point2d.h"
#include "geometry/UnitVector3d.h"

#include <gtest/gtest.h>

#include <ostream>

namespace orbisk::geometry {

inline void PrintTo(const CPoint3d& p, std::ostream* os)
{
    *os << "(" << p.x << ", " << p.y << ", " << p.z << ")";
}
inline void PrintTo(const CVector3d& v, std::ostream* os)
{
    *os << "<" << v.x << ", " << v.y << ", " << v.z << ">";
}
inline void PrintTo(const CUnitVector3d& u, std::ostream* os)
{
    PrintTo(CVector3d(u), os);
}
inline void PrintTo(const CPoint2d& p, std::ostream* os)
{
    *os << "(" << p.x << ", " << p.y << ")";
}
inline void PrintTo(const CPlane3d& p, std::ostream* os)
{
    *os << "[" << p.a << ", " << p.b << ", " << p.c << ", " << p.d << "]";
}

}  // namespace orbisk::geometry

namespace geomtest {

using namespace orbisk::geometry;

// Every coordinate within eps; for results that are exact up to rounding.
template <typename T>
::testing::AssertionResult Near3(const T& actual, const T& expected, double eps = 1e-9)
{
    if (std::abs(actual.x - expected.x) <= eps && std::abs(actual.y - expected.y) <= eps &&
        std::abs(actual.z - expected.z) <= eps)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << ::testing::PrintToString(actual) << " is not within " << eps
                                         << " of " << ::testing::PrintToString(expected);
}

inline ::testing::AssertionResult NearPlane(const CPlane3d& actual, const CPlane3d& expected,
                                            double eps = 1e-9)
{
    if (actual.IsEqual(expected, true, eps))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << ::testing::PrintToString(actual) << " is not within " << eps
                                         << " of " << ::testing::PrintToString(expected);
}

// A plane with its coefficients as written, bypassing the normalisation of Set.
inline CPlane3d RawPlane(double a, double b, double c, double d)
{
    CPlane3d plane;
    plane.a = a, plane.b = b, plane.c = c, plane.d = d;
    return plane;
}

inline CBoundingBox3d Box(const CPoint3d& min, const CPoint3d& max)
{
    CBoundingBox3d box;
    box.Add(min);
    box.Add(max);
    return box;
}

inline CBoundingBox3d UnitBox()
{
    return Box({0, 0, 0}, {1, 1, 1});
}

}  // namespace geomtest
