#include "geometry/Circle3d.h"

#include "geometry/Ray3d.h"
#include "geometry/Transform3d.h"

namespace orbisk::geometry {

namespace {

// Slack of the angle range, and the limit below which the axes span no area.
constexpr double kAngleSlack = kGeomToleranceSquared;
// Distance of the centre of the circle that stands for a straight line.
constexpr double kStraightLineRadius = 1e9;

// The exact construction through three points that are not collinear; false when the
// perpendicular bisector planes give no centre.
bool ExactCircle(const CPoint3d& p1, const CPoint3d& p2, const CPoint3d& p3, CCircle3d& circle)
{
    const CPlane3d plane(p1, p2, p3);
    const CPlane3d bisector12(Midpoint(p1, p2), CUnitVector3d(p1, p2));
    const CPlane3d bisector23(Midpoint(p2, p3), CUnitVector3d(p2, p3));
    CRay3d axis;
    CPoint3d center;
    if (!bisector12.IntersectPlane(bisector23, axis) || !plane.Intersect(axis, center))
        return false;
    circle.plane = plane;
    circle.center = center;
    circle.xAxis = p1 - center;
    circle.Recompute(true);
    return true;
}

// A circle so large that it passes for the line along the longest chord.
void StraightLineCircle(const CPoint3d& p1, const CPoint3d& p2, const CPoint3d& p3, CCircle3d& circle)
{
    const double d12 = p1.DistanceSquaredTo(p2), d13 = p1.DistanceSquaredTo(p3),
                 d23 = p2.DistanceSquaredTo(p3);
    // Ties go to the later chord.
    const CPoint3d* a = &p2;
    const CPoint3d* b = &p3;
    if (d12 > d13 && d12 > d23)
        a = &p1, b = &p2;
    else if (d13 > d23)
        a = &p1;
    const CUnitVector3d w(*a, *b);
    // The part of +Z perpendicular to the chord.
    const CVector3d zAcross = CUnitVector3d::ZAxis().Cross(w);
    const CUnitVector3d n =
        CUnitVector3d(zAcross).IsNonZero() ? CUnitVector3d(w.Cross(zAcross)) : CUnitVector3d::YAxis();
    circle.plane = CPlane3d(*a, n);
    circle.center = Midpoint(*a, *b) + n.Cross(w) * kStraightLineRadius;
    circle.xAxis = *a - circle.center;
    circle.Recompute(true);
}

}  // namespace

double NormalizeAngle(double angle)
{
    if (angle >= -kAngleSlack && angle <= kTwoPi + kAngleSlack)
        return angle;
    // fmod, not repeated subtraction, so that huge angles cannot loop for ever.
    angle = std::fmod(angle, kTwoPi);
    return angle < -kAngleSlack ? angle + kTwoPi : angle;
}

CCircle3d::CCircle3d(const CPoint3d& p1, const CPoint3d& p2, const CPoint3d& p3)
{
    CVector3d e = p2 - p1, f = p3 - p1;
    const bool distinct = e.Normalize() && f.Normalize();
    if (distinct && CUnitVector3d(e.Cross(f)).IsNonZero() && ExactCircle(p1, p2, p3, *this))
        return;
    StraightLineCircle(p1, p2, p3, *this);
}

void CCircle3d::Recompute(bool recomputeY)
{
    radius = xAxis.Length();
    const CUnitVector3d normal(plane.GetNormal());
    plane.Set(center, normal);
    if (recomputeY)
        yAxis = normal.Cross(xAxis);
}

CPoint3d CCircle3d::GetPointAt(double angle) const
{
    angle = NormalizeAngle(angle);
    return center + xAxis * std::cos(angle) + yAxis * std::sin(angle);
}

double CCircle3d::GetAngleOfPoint(const CPoint3d& p) const
{
    CCircle3d circle = *this;
    CPoint3d point = p;
    const bool spansArea = std::abs(xAxis.Cross(yAxis).Dot(plane.GetNormal())) >= kAngleSlack;
    if (!HasOrthonormalAxes() && spansArea) {
        // Map the ellipse onto the unit circle in the XY plane.
        const CTransform3d frame(CUnitVector3d(xAxis), CUnitVector3d(yAxis), plane.GetNormal(), center);
        const CTransform3d toUnit = (frame * CTransform3d(xAxis.Length(), yAxis.Length(), 1.0)).Inverse();
        circle.Transform(toUnit);
        toUnit.TransformPoint(point);
    }
    const CVector3d n = circle.plane.GetNormal();
    const CUnitVector3d r(circle.center, circle.plane.ProjectPoint(point));
    const double angle = std::atan2(circle.xAxis.Cross(r).Dot(n), circle.xAxis.Dot(r));
    return std::isfinite(angle) ? NormalizeAngle(angle) : 0.0;
}

bool CCircle3d::HasOrthonormalAxes() const
{
    if (!EqualWithinTolerance(xAxis.Length(), yAxis.Length()))
        return false;
    const CUnitVector3d x(xAxis), y(yAxis);
    if (!IsZeroWithinTolerance(x.Dot(y)))
        return false;
    return CUnitVector3d(plane.GetNormal()).IsParallelTo(CUnitVector3d(x.Cross(y)));
}

bool CCircle3d::IsEqual(const CCircle3d& other) const
{
    return center.IsEqual(other.center, kGeomTolerance) &&
           plane.IsEqual(other.plane, false, kGeomTolerance) && EqualWithinTolerance(radius, other.radius);
}

void CCircle3d::Transform(const CTransform3d& transformation)
{
    transformation.TransformPoint(center);
    transformation.TransformPlane(plane);
    transformation.TransformVector(xAxis);
    transformation.TransformVector(yAxis);
    // A mirroring transformation: keep the normal agreeing with the axes.
    if (xAxis.Cross(yAxis).Dot(plane.GetNormal()) < 0.0)
        plane.Reverse();
    Recompute(false);
}

}  // namespace orbisk::geometry
