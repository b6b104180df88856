#pragma once
// A closed 2D outline (closed implicitly from the last vertex back to the first), such as
// a face's outline in its plane's coordinates. The library tolerance decides what lies on
// the boundary.

#include "geometry/BoundingBox2d.h"

#include <cstddef>
#include <vector>

namespace orbisk::geometry {

// Where a point lies against a polygon.
enum PointInPolygon : int {
    kInsidePolygon = 1,
    kOnPolygonEdge = 2,
    kOnPolygonVertex = 4,
    kOutsidePolygon = 8,
};

// Crossing count of the ray from p towards +x over the outline of count points.
int ClassifyPointInPolygon2d(const CPoint2d& p, const CPoint2d* points, std::size_t count);

class CPolygon2d {
public:
    std::vector<CPoint2d> points;
    CBoundingBox2d box;

    void AddPoint(const CPoint2d& p)
    {
        points.push_back(p);
        box.Add(p);
    }
    // kOutsidePolygon already when p is outside the box widened by the tolerance.
    int Classify(const CPoint2d& p) const;
    // The same vertices in the same cyclic order, possibly starting elsewhere; a reversed
    // order is not equal, nor are two empty polygons.
    bool IsEqual(const CPolygon2d& other) const;
    // Every vertex of other lies inside this polygon (or, with boundaryCounts, on its
    // boundary) and no vertex of this polygon lies strictly inside other.
    bool Contains(const CPolygon2d& other, bool boundaryCounts) const;
};

}  // namespace orbisk::geometry
