#pragma once
// Point, segment and line computations shared by the whole library. A line is an
// origin and a unit direction; a segment is given by its two end points.

#include "geometry/Point2d.h"
#include "geometry/UnitVector3d.h"

namespace orbisk::geometry {

// ((b - a).(p - a)) / |b - a|^2, the parameter of p's foot on the line a-b; 0 when the
// segment is shorter than the tolerance.
double SegmentParameter(const CPoint3d& a, const CPoint3d& b, const CPoint3d& p);
double SegmentParameter2d(const CPoint2d& a, const CPoint2d& b, const CPoint2d& p);

// p lies within tol of the segment a-b (CPoint3d::IsEqual against the nearest point).
bool IsPointNearSegment(const CPoint3d& a, const CPoint3d& b, const CPoint3d& p, double tol);
// q lies within dist of the line through p0 and p1; always true when p0 and p1 are
// closer than dist.
bool IsPointNearLine(const CPoint3d& p0, const CPoint3d& p1, const CPoint3d& q, double dist);
// p lies on the line a-b (t not clamped); t, when given, receives the parameter.
bool IsPointOnLine2d(const CPoint2d& a, const CPoint2d& b, const CPoint2d& p, double* t = nullptr);

// Parameters of the nearest points of two lines. Parallel lines give false, t1 = 0 and
// t2 the parameter of the point of line 2 nearest o1.
bool ClosestLineParameters(const CPoint3d& o1, const CUnitVector3d& d1, const CPoint3d& o2,
                           const CUnitVector3d& d2, double& t1, double& t2);
bool ClosestLinePoints(const CPoint3d& o1, const CUnitVector3d& d1, const CPoint3d& o2,
                       const CUnitVector3d& d2, CPoint3d& p1, CPoint3d& p2);

// Where the segment a-b comes nearest the line through o along d.
enum ClosestOnSegment : int {
    kSegmentParallel = 0,  // p is the end nearer to o
    kSegmentStart = 1,     // clamped to a
    kSegmentEnd = 2,       // clamped to b
    kSegmentInside = 3,
};
int ClosestPointOnSegmentToLine(const CPoint3d& a, const CPoint3d& b, const CPoint3d& o,
                                const CUnitVector3d& d, CPoint3d& p);

// Bits of the result of IntersectSegments.
enum SegmentIntersection : int {
    kAtA = 1,
    kAtB = 2,
    kInsideAB = 4,
    kAtC = 8,
    kAtD = 16,
    kInsideCD = 32,
};
// Where the segments a-b and c-d meet within kGeomTolerance: a combination of one bit
// for each segment, 0 when they do not meet (then s = t = -1 and p is unchanged). p is
// the midpoint of the two coinciding points; s and t, when given, the parameters on the
// two segments. Collinear overlapping segments report their first coinciding point only.
int IntersectSegments(const CPoint3d& a, const CPoint3d& b, const CPoint3d& c, const CPoint3d& d, CPoint3d& p,
                      double* s = nullptr, double* t = nullptr);
bool SegmentsIntersect(const CPoint3d& a, const CPoint3d& b, const CPoint3d& c, const CPoint3d& d,
                       CPoint3d& p);

}  // namespace orbisk::geometry
