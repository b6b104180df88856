#pragma once
// A circle kept with explicit axes rather than only a radius: the point at angle theta
// (radians) is center + cos(theta)*xAxis + sin(theta)*yAxis. After a non-uniform scaling
// the axes differ in length or are not perpendicular, and the figure is an ellipse whose
// angle computations still work. Angles grow counter-clockwise seen from the side the
// plane's normal points to.

#include "geometry/Plane3d.h"

namespace orbisk::geometry {

class CTransform3d;

class CCircle3d {
public:
    CPoint3d center;
    CVector3d xAxis;  // to the point at angle 0; its length is the radius
    CPlane3d plane;   // through the center
    double radius = 0.0;
    CVector3d yAxis;  // to the point at angle pi/2; normally normal x xAxis

    CCircle3d() = default;
    // The circle through three points, its xAxis towards p1. Coincident or collinear
    // points give a circle so large (radius about 1e9) that it passes for the straight
    // line through them.
    CCircle3d(const CPoint3d& p1, const CPoint3d& p2, const CPoint3d& p3);

    // Keeps d; the normal is normalised by the plane.
    void SetNormal(const CUnitVector3d& normal) { plane.Set(normal.x, normal.y, normal.z, plane.d); }
    // radius from xAxis, plane through center; recomputeY sets yAxis = normal x xAxis.
    void Recompute(bool recomputeY);

    CPoint3d GetPointAt(double angle) const;
    // In [-1e-6, 2pi + 1e-6]; 0 when not computable.
    double GetAngleOfPoint(const CPoint3d& p) const;
    // The axes are perpendicular and of equal length, and agree with the plane's normal
    // (either sense).
    bool HasOrthonormalAxes() const;
    // Same center, same plane in either sense, same radius, within the tolerance.
    bool IsEqual(const CCircle3d& other) const;
    // The axes are transformed as they are, so a non-uniform scale makes an ellipse.
    void Transform(const CTransform3d& transformation);
};

// An angle brought into [-1e-6, 2pi + 1e-6] by whole turns. A non-finite angle stays
// non-finite.
double NormalizeAngle(double angle);

}  // namespace orbisk::geometry
