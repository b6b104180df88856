#include "geometry/Arc3d.h"

namespace orbisk::geometry {

CArc3d::CArc3d(const CPoint3d& p1, const CPoint3d& p2, const CPoint3d& p3) : CCircle3d(p1, p2, p3)
{
    startAngle = 0.0;
    const double through = GetAngleOfPoint(p2);
    endAngle = GetAngleOfPoint(p3);
    if (endAngle >= through)
        return;
    // p3 comes before p2 counter-clockwise: run the other way round.
    plane.Reverse();
    yAxis = plane.GetNormal().Cross(xAxis);
    endAngle = kTwoPi - endAngle;
}

}  // namespace orbisk::geometry
