#include "geometry/GeomFunctions.h"

#include <initializer_list>

namespace orbisk::geometry {

namespace {

bool Near(const CPoint3d& a, const CPoint3d& b)
{
    return a.IsEqual(b, kGeomTolerance);
}

struct SegmentHit {
    int code = 0;
    CPoint3d p;
    double s = -1.0;
    double t = -1.0;
};

// The foot of x on from-to coincides with x and lies within the segment.
bool HitsInterior(const CPoint3d& x, const CPoint3d& from, const CPoint3d& to, double& param, CPoint3d& p)
{
    param = SegmentParameter(from, to, x);
    const CPoint3d foot(from, param, to - from);
    if (!Near(foot, x) || param < 0.0 || param > 1.0)
        return false;
    p = Midpoint(foot, x);
    return true;
}

// Point x against the segment from-to: 1 at from, 2 at to, 4 inside, 0 off it.
int PointOnSegment(const CPoint3d& x, const CPoint3d& from, const CPoint3d& to, double& param, CPoint3d& p)
{
    if (Near(x, from)) {
        param = 0.0, p = Midpoint(x, from);
        return 1;
    }
    if (Near(x, to)) {
        param = 1.0, p = Midpoint(x, to);
        return 2;
    }
    return HitsInterior(x, from, to, param, p) ? 4 : 0;
}

SegmentHit DegenerateHit(const CPoint3d& a, const CPoint3d& b, const CPoint3d& c, const CPoint3d& d,
                         bool firstDegenerate, bool secondDegenerate)
{
    SegmentHit hit;
    const CPoint3d m1 = Midpoint(a, b), m2 = Midpoint(c, d);
    if (firstDegenerate && secondDegenerate) {
        if (!Near(m1, m2))
            return {};
        return {kAtA | kAtC, Midpoint(m1, m2), 0.0, 0.0};
    }
    if (firstDegenerate) {
        const int code = PointOnSegment(m1, c, d, hit.t, hit.p);
        if (code == 0)
            return {};
        hit.s = 0.0, hit.code = kAtA | (code << 3);
        return hit;
    }
    const int code = PointOnSegment(m2, a, b, hit.s, hit.p);
    if (code == 0)
        return {};
    hit.t = 0.0, hit.code = code | kAtC;
    return hit;
}

SegmentHit CollinearHit(const CPoint3d& a, const CPoint3d& b, const CPoint3d& c, const CPoint3d& d)
{
    SegmentHit hit;
    struct End {
        const CPoint3d& point;
        double param;
        int bit;
    };
    for (const End& end : {End{c, 0.0, kAtC}, End{d, 1.0, kAtD}}) {
        if (Near(end.point, a) || Near(end.point, b))
            continue;
        if (HitsInterior(end.point, a, b, hit.s, hit.p))
            return {kInsideAB | end.bit, hit.p, hit.s, end.param};
    }
    for (const End& end : {End{a, 0.0, kAtA}, End{b, 1.0, kAtB}}) {
        if (Near(end.point, c) || Near(end.point, d))
            continue;
        if (HitsInterior(end.point, c, d, hit.t, hit.p))
            return {end.bit | kInsideCD, hit.p, end.param, hit.t};
    }
    struct Pair {
        const CPoint3d& first;
        const CPoint3d& second;
        double s, t;
        int code;
    };
    for (const Pair& pair : {Pair{a, c, 0.0, 0.0, kAtA | kAtC}, Pair{a, d, 0.0, 1.0, kAtA | kAtD},
                             Pair{b, c, 1.0, 0.0, kAtB | kAtC}, Pair{b, d, 1.0, 1.0, kAtB | kAtD}}) {
        if (Near(pair.first, pair.second))
            return {pair.code, Midpoint(pair.first, pair.second), pair.s, pair.t};
    }
    return {};
}

// Bits of a crossing point x = from + param*(to - from): at the start, at the end or inside.
int CrossingBits(const CPoint3d& x, double param, const CPoint3d& from, const CPoint3d& to)
{
    if (Near(x, from))
        return 1;
    if (Near(x, to))
        return 2;
    return param <= 0.0 || param >= 1.0 ? 0 : 4;
}

SegmentHit GeneralHit(const CPoint3d& a, const CPoint3d& b, const CPoint3d& c, const CPoint3d& d)
{
    const CVector3d e = b - a, f = d - c, ac = c - a;
    const CVector3d normal = e.Cross(f);
    const CVector3d n = normal / normal.LengthSquared();
    const double s = ac.Cross(f).Dot(n);
    const double t = ac.Cross(e).Dot(n);
    const CPoint3d p(a, s, e), q(c, t, f);
    const int low = CrossingBits(p, s, a, b);
    const int high = CrossingBits(q, t, c, d);
    if (low == 0 || high == 0 || !Near(p, q))
        return {};
    return {low | (high << 3), Midpoint(p, q), s, t};
}

SegmentHit FindSegmentHit(const CPoint3d& a, const CPoint3d& b, const CPoint3d& c, const CPoint3d& d)
{
    const CVector3d e = b - a, f = d - c;
    const double ee = e.LengthSquared(), ff = f.LengthSquared();
    const bool firstDegenerate = ee < kGeomToleranceSquared;
    const bool secondDegenerate = ff < kGeomToleranceSquared;
    if (firstDegenerate || secondDegenerate)
        return DegenerateHit(a, b, c, d, firstDegenerate, secondDegenerate);

    if (e.Cross(f).LengthSquared() / (ff * ee) < kNearZero) {
        const CVector3d ac = c - a;
        // Not "greater than", so that c = a (0/0) counts as collinear.
        const bool collinear = !(e.Cross(ac).LengthSquared() / (ac.LengthSquared() * ee) > kNearZero);
        return collinear ? CollinearHit(a, b, c, d) : SegmentHit{};
    }
    return GeneralHit(a, b, c, d);
}

}  // namespace

double SegmentParameter(const CPoint3d& a, const CPoint3d& b, const CPoint3d& p)
{
    const CVector3d ab = b - a;
    const double length2 = ab.LengthSquared();
    return length2 < kGeomToleranceSquared ? 0.0 : ab.Dot(p - a) / length2;
}

double SegmentParameter2d(const CPoint2d& a, const CPoint2d& b, const CPoint2d& p)
{
    const CVector2d ab = b - a;
    const double length2 = ab.Dot(ab);
    return length2 < kGeomToleranceSquared ? 0.0 : ab.Dot(p - a) / length2;
}

bool IsPointNearSegment(const CPoint3d& a, const CPoint3d& b, const CPoint3d& p, double tol)
{
    const double t = SegmentParameter(a, b, p);
    if (t < 0.0)
        return p.IsEqual(a, tol);
    if (t > 1.0)
        return p.IsEqual(b, tol);
    return p.IsEqual(CPoint3d(1.0 - t, a, t, b), tol);
}

bool IsPointNearLine(const CPoint3d& p0, const CPoint3d& p1, const CPoint3d& q, double dist)
{
    const double dist2 = dist * dist;
    if (p0.DistanceSquaredTo(p1) < dist2)
        return true;
    return q.DistanceSquaredToLine(p0, CUnitVector3d(p0, p1)) < dist2;
}

bool IsPointOnLine2d(const CPoint2d& a, const CPoint2d& b, const CPoint2d& p, double* t)
{
    const double param = SegmentParameter2d(a, b, p);
    if (t)
        *t = param;
    return a + (b - a) * param == p;
}

bool ClosestLineParameters(const CPoint3d& o1, const CUnitVector3d& d1, const CPoint3d& o2,
                           const CUnitVector3d& d2, double& t1, double& t2)
{
    const double g = d1.Dot(d2);
    const double h = 1.0 - g * g;
    const CVector3d w = o1 - o2;
    const double b = w.Dot(d2), l = w.Dot(d1);
    if (h < kNearZero) {
        t1 = 0.0, t2 = b;
        return false;
    }
    t1 = (g * b - l) / h;
    t2 = (b - g * l) / h;
    return true;
}

bool ClosestLinePoints(const CPoint3d& o1, const CUnitVector3d& d1, const CPoint3d& o2,
                       const CUnitVector3d& d2, CPoint3d& p1, CPoint3d& p2)
{
    double t1 = 0.0, t2 = 0.0;
    const bool ok = ClosestLineParameters(o1, d1, o2, d2, t1, t2);
    p1 = CPoint3d(o1, t1, d1);
    p2 = CPoint3d(o2, t2, d2);
    return ok;
}

int ClosestPointOnSegmentToLine(const CPoint3d& a, const CPoint3d& b, const CPoint3d& o,
                                const CUnitVector3d& d, CPoint3d& p)
{
    const CVector3d r = b - a, w = o - a;
    const double m = w.Dot(d), t = r.Dot(d);
    const double u = r.LengthSquared() - t * t;
    if (u < kNearZero) {
        p = o.DistanceSquaredTo(a) < o.DistanceSquaredTo(b) ? a : b;
        return kSegmentParallel;
    }
    const double s = (r.Dot(w) - t * m) / u;
    if (s < 0.0) {
        p = a;
        return kSegmentStart;
    }
    if (s > 1.0) {
        p = b;
        return kSegmentEnd;
    }
    p = CPoint3d(1.0 - s, a, s, b);
    return kSegmentInside;
}

int IntersectSegments(const CPoint3d& a, const CPoint3d& b, const CPoint3d& c, const CPoint3d& d, CPoint3d& p,
                      double* s, double* t)
{
    const SegmentHit hit = FindSegmentHit(a, b, c, d);
    if (hit.code != 0)
        p = hit.p;
    if (s)
        *s = hit.code != 0 ? hit.s : -1.0;
    if (t)
        *t = hit.code != 0 ? hit.t : -1.0;
    return hit.code;
}

bool SegmentsIntersect(const CPoint3d& a, const CPoint3d& b, const CPoint3d& c, const CPoint3d& d,
                       CPoint3d& p)
{
    return IntersectSegments(a, b, c, d, p) != 0;
}

}  // namespace orbisk::geometry
