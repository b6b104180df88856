#pragma once
// A circle (or ellipse) from startAngle to endAngle, in radians.

#include "geometry/Circle3d.h"

namespace orbisk::geometry {

class CArc3d : public CCircle3d {
public:
    double startAngle = 0.0;
    double endAngle = kTwoPi;

    CArc3d() = default;
    // From p1 through p2 to p3: p1 is at angle 0, and the plane is turned so that p2
    // comes before p3.
    CArc3d(const CPoint3d& p1, const CPoint3d& p2, const CPoint3d& p3);

    CPoint3d GetStartPoint() const { return GetPointAt(startAngle); }
    CPoint3d GetEndPoint() const { return GetPointAt(endAngle); }
    // Both angles exactly 0, or, with useTolerance, a sweep of 2pi within the tolerance.
    bool IsFullCircle(bool useTolerance) const
    {
        if (startAngle == 0.0 && endAngle == 0.0)
            return true;
        return useTolerance && IsZeroWithinTolerance(kTwoPi - std::abs(endAngle - startAngle));
    }
};

}  // namespace orbisk::geometry
