#pragma once
// A cubic Bezier segment (the curves of glyph outlines) and its flattening into points.

#include "geometry/Point3d.h"

namespace orbisk::geometry {

// Receives the points of a flattened curve.
class IBezier3dDraw {
public:
    virtual void AddPoint(const CPoint3d& point) = 0;
    virtual ~IBezier3dDraw() = default;
};

class CBezier3d {
public:
    CPoint3d P0, P1, P2, P3;

    CBezier3d() = default;
    CBezier3d(const CPoint3d& p0, const CPoint3d& p1, const CPoint3d& p2, const CPoint3d& p3)
        : P0(p0), P1(p1), P2(p2), P3(p3)
    {}

    // de Casteljau at t = 1/2.
    void Subdivide(CBezier3d& left, CBezier3d& right) const;
    // Both inner control points lie within dist of the line P0-P3.
    bool IsFlat(double dist) const;
    // Sends the end point of every flat piece, in order from P0 towards P3; the caller
    // emits P0 itself. Halving stops at a fixed depth, where the piece counts as flat, so
    // that a distance of 0 ends too; a curve with a non-finite control point sends P3 only.
    void Flatten(IBezier3dDraw* sink, double dist) const;

private:
    void Flatten(IBezier3dDraw& sink, double dist, int depth) const;
};

}  // namespace orbisk::geometry
