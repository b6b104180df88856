#pragma once
// A ray bounded by the parameters t0 and t1 along its direction: a segment, a half-line
// or the whole line. t0 <= -1e30 means no start, t1 >= 1e30 no end.

#include "geometry/Ray3d.h"

namespace orbisk::geometry {

inline constexpr double kLineUnbounded = 1e30;

class CLine3d : public CRay3d {
public:
    double t0 = -kLineUnbounded;
    double t1 = kLineUnbounded;

    // The whole Z axis.
    constexpr CLine3d() = default;
    // The segment: t0 = 0 and t1 its length (0 and a zero direction for coinciding points).
    CLine3d(const CPoint3d& start, const CPoint3d& end);
    // t0 = 0 unless noStart, t1 = 1 unless noEnd.
    CLine3d(const CRay3d& ray, bool noStart, bool noEnd)
        : CRay3d(ray), t0(noStart ? -kLineUnbounded : 0.0), t1(noEnd ? kLineUnbounded : 1.0)
    {}

    constexpr bool HasStart() const { return t0 > -kLineUnbounded; }
    constexpr bool HasEnd() const { return t1 < kLineUnbounded; }
    // p is always written; the result tells whether that end exists.
    bool GetStartPoint(CPoint3d& p) const
    {
        p = GetPointAt(t0);
        return HasStart();
    }
    bool GetEndPoint(CPoint3d& p) const
    {
        p = GetPointAt(t1);
        return HasEnd();
    }
    // The half-line from its one bounded end, pointing along the line; false (ray
    // unchanged) unless exactly one end exists.
    bool GetRay(CRay3d& ray) const;
    // Turns the line about its existing start (else its end), keeping its length.
    void SetDirection(const CUnitVector3d& u);
    bool IsZeroLength() const { return std::abs(t0 - t1) < kGeomTolerance; }
    // Keeps the part on the positive side; false when nothing of length remains.
    bool ClipToPlane(const CPlane3d& plane);
    // Some point of the line lies in the closed box.
    bool IntersectsBox(const CBoundingBox3d& box) const;
    bool IsValid() const { return std::isfinite(t0) && std::isfinite(t1) && CRay3d::IsValid(); }
};

}  // namespace orbisk::geometry
