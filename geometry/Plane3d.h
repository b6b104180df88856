#pragma once
// The plane a*x + b*y + c*z + d = 0. Every constructor and setter except the copy leaves
// (a, b, c) unit length, or zero for degenerate input, which is kept, never rejected.
// The side the normal points to is positive.

#include "geometry/BoundingBox3d.h"
#include "geometry/Point2d.h"
#include "geometry/UnitVector3d.h"

#include <cstddef>

namespace orbisk::geometry {

class CRay3d;

class CPlane3d {
public:
    double a = 0.0;
    double b = 0.0;
    double c = 1.0;
    double d = 0.0;

    // The XY plane, normal +Z.
    constexpr CPlane3d() = default;
    CPlane3d(const CPoint3d& point, const CUnitVector3d& normal) { Set(point, normal); }
    // Normal unit((p2 - p1) x (p3 - p1)); collinear points give the zero normal and d = 0.
    CPlane3d(const CPoint3d& p1, const CPoint3d& p2, const CPoint3d& p3);
    CPlane3d(double a_, double b_, double c_, double d_) { Set(a_, b_, c_, d_); }

    void Set(const CPoint3d& point, const CUnitVector3d& normal)
    {
        a = normal.x, b = normal.y, c = normal.z;
        d = -normal.Dot(point - CPoint3d());
    }
    // Divides all four by the length of (a, b, c); a (near) zero normal becomes (0, 0, 0)
    // and d stays.
    void Set(double a_, double b_, double c_, double d_);

    constexpr CVector3d GetNormal() const { return {a, b, c}; }
    constexpr double SignedDistance(const CPoint3d& p) const { return a * p.x + b * p.y + c * p.z + d; }
    double DistanceTo(const CPoint3d& p) const { return std::abs(SignedDistance(p)); }
    constexpr CPoint3d ProjectPoint(const CPoint3d& p) const
    {
        return CPoint3d(p, -SignedDistance(p), GetNormal());
    }
    // The point of the plane nearest the world origin; the origin itself when abs(d) is
    // below the tolerance.
    CPoint3d GetPoint() const;
    constexpr void Reverse() { a = -a, b = -b, c = -c, d = -d; }
    // Moves the plane by dist along its normal.
    constexpr void Offset(double dist) { d -= dist; }

    // The ray's (infinite) line against the plane; false when nearly parallel
    // (abs(n . dir) < 1e-6), leaving the output unchanged.
    bool IntersectRay(const CRay3d& ray, double& t) const;
    bool Intersect(const CRay3d& ray, CPoint3d& p) const;
    bool IntersectLine(const CPoint3d& point, const CUnitVector3d& direction, CPoint3d& p) const;
    // The line common to both planes; false when they are parallel.
    // Where the line through a and b meets the plane, interpolated by their signed distances;
    // a when the two distances are equal (the line runs parallel to the plane).
    CPoint3d LineCrossing(const CPoint3d& a, const CPoint3d& b) const;
    bool IntersectPlane(const CPlane3d& other, CRay3d& ray) const;

    enum BoxSide : int { kBoxPositive = 1, kBoxNegative = 2, kBoxStraddling = 3 };
    // Without tolerance: a box touching the plane straddles it.
    int ClassifyBox(const CBoundingBox3d& box) const;
    // The box lies wholly on the negative side; an axis-aligned plane needs the box
    // beyond the tolerance.
    bool TestBoxSide(const CBoundingBox3d& box) const;
    // Clips the segment to the non-positive side: 1 wholly positive (unchanged), -1 wholly
    // non-positive, 0 clipped (the positive end moved onto the plane).
    int ClipSegment(CPoint3d& p, CPoint3d& q) const;

    // Without exact, a plane also equals its reverse.
    bool IsEqual(const CPlane3d& other, bool exact, double tol) const;
    // Canonical orientation: the first of d, c, b, a that is not within the tolerance of 0
    // becomes positive.
    void Orient();
    // Coordinates in the frame of the oriented plane, so a plane and its reverse agree.
    CPoint2d ProjectTo2d(const CPoint3d& p) const;
    // Least-squares plane through the points, oriented by their winding. False for fewer
    // than three points or a degenerate set (plane unchanged), and for points that are not
    // coplanar within the tolerance (plane written nonetheless).
    bool FitToPoints(std::size_t count, const CPoint3d* points);

    bool IsValid() const
    {
        return std::isfinite(a) && std::isfinite(b) && std::isfinite(c) && std::isfinite(d);
    }
};

}  // namespace orbisk::geometry
