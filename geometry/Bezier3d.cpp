#include "geometry/Bezier3d.h"

#include "geometry/GeomFunctions.h"

namespace orbisk::geometry {

namespace {

// Each halving divides a piece's deviation from its chord by about four, so 16 levels
// (at most 65536 points) go far below any drawing tolerance.
constexpr int kMaxFlattenDepth = 16;

}  // namespace

void CBezier3d::Subdivide(CBezier3d& left, CBezier3d& right) const
{
    const CPoint3d a = Midpoint(P0, P1), b = Midpoint(P1, P2), c = Midpoint(P2, P3);
    const CPoint3d d = Midpoint(a, b), e = Midpoint(b, c), f = Midpoint(d, e);
    left = {P0, a, d, f};
    right = {f, e, c, P3};
}

bool CBezier3d::IsFlat(double dist) const
{
    return IsPointNearLine(P0, P3, P1, dist) && IsPointNearLine(P0, P3, P2, dist);
}

void CBezier3d::Flatten(IBezier3dDraw* sink, double dist) const
{
    if (!sink)
        return;
    // Non-finite control points give no shape to follow.
    if (!P0.IsValid() || !P1.IsValid() || !P2.IsValid() || !P3.IsValid()) {
        sink->AddPoint(P3);
        return;
    }
    Flatten(*sink, dist, 0);
}

void CBezier3d::Flatten(IBezier3dDraw& sink, double dist, int depth) const
{
    if (depth >= kMaxFlattenDepth || IsFlat(dist)) {
        sink.AddPoint(P3);
        return;
    }
    CBezier3d left, right;
    Subdivide(left, right);
    left.Flatten(sink, dist, depth + 1);
    right.Flatten(sink, dist, depth + 1);
}

}  // namespace orbisk::geometry
