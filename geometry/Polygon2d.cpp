#include "geometry/Polygon2d.h"

#include "geometry/GeomFunctions.h"

#include <algorithm>

namespace orbisk::geometry {

namespace {

// +1 above, -1 below, 0 on the horizontal line through p (within the tolerance).
int SideOf(const CPoint2d& v, const CPoint2d& p)
{
    if (std::abs(v.y - p.y) < kGeomTolerance)
        return 0;
    return v.y > p.y ? 1 : -1;
}

}  // namespace

int ClassifyPointInPolygon2d(const CPoint2d& p, const CPoint2d* points, std::size_t count)
{
    if (count == 0 || !points)
        return kOutsidePolygon;
    CPoint2d prev = points[count - 1];
    if (prev == p)
        return kOnPolygonVertex;
    int prevSide = SideOf(prev, p);
    int crossings = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const CPoint2d& cur = points[i];
        if (cur == p)
            return kOnPolygonVertex;
        const int side = SideOf(cur, p);
        if (side != prevSide) {
            double c = 0.0;
            if (IsPointOnLine2d(prev, cur, p, &c) && c > 0.0 && c < 1.0)
                return kOnPolygonEdge;
            if (side * prevSide == -1) {
                const double x = prev.x + (cur.x - prev.x) * (p.y - prev.y) / (cur.y - prev.y) - p.x;
                if (std::abs(x) < kGeomTolerance)
                    return kOnPolygonEdge;
                if (x > 0.0)
                    ++crossings;
            } else if (side + prevSide == -1) {
                // The edge touches the line from below; a vertex on the line counts as above.
                const CPoint2d& onLine = side == 0 ? cur : prev;
                if (p.x < onLine.x)
                    ++crossings;
            }
        } else if (side == 0 && (p.x - cur.x) * (p.x - prev.x) < 0.0) {
            // A horizontal edge on the line, with p between its ends.
            return kOnPolygonEdge;
        }
        prev = cur;
        prevSide = side;
    }
    return crossings % 2 == 1 ? kInsidePolygon : kOutsidePolygon;
}

int CPolygon2d::Classify(const CPoint2d& p) const
{
    if (!box.Contains(p))
        return kOutsidePolygon;
    return ClassifyPointInPolygon2d(p, points.data(), points.size());
}

bool CPolygon2d::IsEqual(const CPolygon2d& other) const
{
    const std::size_t n = points.size();
    if (n == 0 || other.points.size() != n)
        return false;
    const auto first = std::find(other.points.begin(), other.points.end(), points[0]);
    if (first == other.points.end())
        return false;
    const std::size_t offset = static_cast<std::size_t>(first - other.points.begin());
    for (std::size_t i = 0; i < n; ++i) {
        if (points[i] != other.points[(offset + i) % n])
            return false;
    }
    return true;
}

bool CPolygon2d::Contains(const CPolygon2d& other, bool boundaryCounts) const
{
    if (!box.Intersects(other.box))
        return false;
    const int accepted = boundaryCounts ? kInsidePolygon | kOnPolygonEdge | kOnPolygonVertex : kInsidePolygon;
    for (const CPoint2d& p : other.points) {
        if (!(Classify(p) & accepted))
            return false;
    }
    // All vertices inside a concave outline can still cross it.
    for (const CPoint2d& p : points) {
        if (other.Classify(p) == kInsidePolygon)
            return false;
    }
    return true;
}

}  // namespace orbisk::geometry
