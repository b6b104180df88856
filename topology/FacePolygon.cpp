#include "topology/FacePolygon.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>

#include "geometry/Point2d.h"
#include "geometry/Polygon2d.h"
#include "geometry/Tolerance.h"
#include "topology/EdgeUse.h"
#include "topology/Face.h"
#include "topology/FaceOpenings.h"
#include "topology/FaceTesselator.h"
#include "topology/Loop.h"
#include "topology/Vertex.h"

using orbisk::geometry::ClassifyPointInPolygon2d;
using orbisk::geometry::CPlane3d;
using orbisk::geometry::CPoint2d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CRay3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CUnitVector3d;
using orbisk::geometry::CVector3d;
using orbisk::geometry::kGeomTolerance;

namespace {

// GLU takes every callback as a function without arguments and calls it with the arguments
// its kind has.
template <typename Function>
_GLUfuncptr AsGluCallback(Function* function)
{
    return reinterpret_cast<_GLUfuncptr>(function);
}

void GLAPIENTRY BeginPrimitive(GLenum mode)
{
    glBegin(mode);
}

void GLAPIENTRY EmitVertex(const GLdouble* coords)
{
    glVertex3dv(coords);
}

void GLAPIENTRY EndPrimitive()
{
    glEnd();
}

// Registering an edge-flag routine makes GLU give independent triangles only.
void GLAPIENTRY IgnoreEdgeFlag(GLboolean, void*) {}

// 0 on the plane within the tolerance, else the sign of the plane's value.
int SideOf(const CPlane3d& plane, const CPoint3d& point)
{
    const double value = plane.SignedDistance(point);
    if (std::abs(value) < kGeomTolerance)
        return 0;
    return value < 0.0 ? -1 : 1;
}

}  // namespace

CFacePolygon::CFacePolygon(const CFace* face, IModelView* view, bool outerOnly)
{
    Build(face, view, outerOnly);
}

CFacePolygon::~CFacePolygon() = default;

void CFacePolygon::Build(const CFace* face, IModelView* view, bool outerOnly)
{
    if (!face)
        return;
    plane = face->GetPlane();
    const CLoop* outer = face->GetLoop(0);
    isSimple = face->GetLoopCount() == 1 && outer && outer->IsConvex();
    loopEnds.reserve(static_cast<size_t>(face->GetLoopCount()));
    const size_t useCount = static_cast<size_t>(std::max(0, face->GetEdgeUseCount()));
    points.reserve(useCount);
    pointEdges.reserve(useCount);

    for (int i = 0; i < face->GetLoopCount(); ++i) {
        AddLoop(face->GetLoop(i), CTransform3d(), false, true);
        if (outerOnly)
            return;
    }

    std::unique_ptr<CEnumOpeningLoop> openings(face->NewOpeningEnumerator(view));
    if (!openings || openings->GetCount() <= 0)
        return;
    isSimple = 0;
    loopEnds.reserve(loopEnds.size() + static_cast<size_t>(openings->GetCount()));
    const CVector3d normal = plane.GetNormal();
    IOpeningLoop* opening = nullptr;
    while (openings->Next(opening)) {
        if (!opening)
            continue;
        // An opening is a hole, clockwise about the face normal whichever way the cutting
        // component's loop runs: its placed area tells whether it must be fed backwards.
        const CLoop* loop = opening->GetPerimeterLoop();
        if (!loop)
            continue;
        const CTransform3d placement = opening->GetPlacement();
        const bool reverse = loop->GetArea(normal, &placement) > 0.0;
        AddLoop(loop, placement, reverse, false);
    }
}

void CFacePolygon::AddLoop(const CLoop* loop, const CTransform3d& transform, bool reverse, bool withEdges)
{
    if (!loop)
        return;
    // The walk is bounded: a ring read from a file may close on itself elsewhere.
    const std::vector<CEdgeUse*> uses = loop->GetEdgeUses();
    const size_t n = uses.size();
    if (n < 3)
        return;
    const size_t before = points.size();
    for (size_t k = 0; k < n; ++k) {
        // Forward the points are the start vertices of use 1..n; backwards of use n..1.
        const size_t at = reverse ? n - 1 - k : k;
        const CVertex* vertex = uses[at]->GetStartVertex();
        if (!vertex)
            continue;
        points.push_back(transform.MultiplyPoint(vertex->GetPosition()));
        // The edge that ends at the point: going forward the previous use's, backwards the
        // use's own (it runs from this point to the one before in the new order).
        const CEdgeUse* ending = reverse ? uses[at] : uses[(at + n - 1) % n];
        pointEdges.push_back(withEdges ? ending->GetEdge() : nullptr);
    }
    if (points.size() - before < 3) {
        points.resize(before);
        pointEdges.resize(before);
        return;
    }
    loopEnds.push_back(static_cast<int32_t>(points.size()));
}

int CFacePolygon::GetLoopVertexCount(int loop) const
{
    if (loop < 0 || loop >= GetLoopCount())
        return 0;
    return loopEnds[static_cast<size_t>(loop)] - LoopStart(loop);
}

const CFacePolygon::CPoint3d& CFacePolygon::GetLoopPoint(int loop, int index) const
{
    return points[static_cast<size_t>(LoopStart(loop) + index)];
}

CEdge* CFacePolygon::GetPointEdge(int loop, int index) const
{
    return pointEdges[static_cast<size_t>(LoopStart(loop) + index)];
}

void CFacePolygon::GetLoopSegment(int loop, int index, CPoint3d& previous, CPoint3d& point,
                                  CEdge*& edge) const
{
    const int count = GetLoopVertexCount(loop);
    previous = GetLoopPoint(loop, index == 0 ? count - 1 : index - 1);
    point = GetLoopPoint(loop, index);
    edge = GetPointEdge(loop, index);
}

void CFacePolygon::Draw(bool reverse)
{
    if (loopEnds.empty())
        return;
    const CVector3d normal = reverse ? -plane.GetNormal() : plane.GetNormal();
    if (!isSimple) {
        Tessellate(normal, reverse);
        return;
    }
    const size_t n = points.size();
    if (n < 3)
        return;
    glBegin(n == 3 ? GL_TRIANGLES : n == 4 ? GL_QUADS : GL_POLYGON);
    glNormal3d(normal.x, normal.y, normal.z);
    for (size_t k = 0; k < n; ++k) {
        const CPoint3d& p = points[reverse ? n - 1 - k : k];
        glVertex3d(p.x, p.y, p.z);
    }
    glEnd();
}

void CFacePolygon::Combine(const double coords[3], void* [4], const float[4], void** out, void* polygon)
{
    auto made = std::make_unique<double[]>(3);
    made[0] = coords[0];
    made[1] = coords[1];
    made[2] = coords[2];
    *out = made.get();
    static_cast<CFacePolygon*>(polygon)->combined.push_back(std::move(made));
}

void CFacePolygon::Tessellate(const CVector3d& normal, bool reverse)
{
    if (!IsTessellatable(normal.x, normal.y, normal.z))
        return;
    for (const CPoint3d& point : points) {
        if (!IsTessellatable(point.x, point.y, point.z))
            return;
    }
    GLUtesselator* tess = gluNewTess();
    if (!tess)
        return;
    gluTessCallback(tess, GLU_TESS_BEGIN, AsGluCallback(&BeginPrimitive));
    gluTessCallback(tess, GLU_TESS_VERTEX, AsGluCallback(&EmitVertex));
    gluTessCallback(tess, GLU_TESS_END, AsGluCallback(&EndPrimitive));
    gluTessCallback(tess, GLU_TESS_EDGE_FLAG_DATA, AsGluCallback(&IgnoreEdgeFlag));
    gluTessCallback(tess, GLU_TESS_COMBINE_DATA, AsGluCallback(&CFacePolygon::Combine));
    gluTessNormal(tess, normal.x, normal.y, normal.z);
    gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_POSITIVE);
    glNormal3d(normal.x, normal.y, normal.z);
    gluTessBeginPolygon(tess, this);
    for (int i = 0; i < GetLoopCount(); ++i) {
        const int first = LoopStart(i);
        const int count = GetLoopVertexCount(i);
        if (count < 3)
            continue;
        gluTessBeginContour(tess);
        for (int k = 0; k < count; ++k) {
            // The coordinates are the polygon's own storage, which lives past the tessellation.
            double* coords = &points[static_cast<size_t>(first + (reverse ? count - 1 - k : k))].x;
            gluTessVertex(tess, coords, coords);
        }
        gluTessEndContour(tess);
    }
    gluTessEndPolygon(tess);
    gluDeleteTess(tess);
}

bool CFacePolygon::ContainsPoint(const CPoint3d& point)
{
    plane.Orient();
    origin = plane.GetPoint();
    CUnitVector3d(plane.GetNormal()).GetArbitraryAxes(u, v);
    if (points.empty())
        return false;
    auto project = [&](const CPoint3d& p) {
        const CVector3d offset = p - origin;
        return CPoint2d(u.Dot(offset), v.Dot(offset));
    };
    std::vector<CPoint2d> projected;
    projected.reserve(points.size());
    for (const CPoint3d& p : points)
        projected.push_back(project(p));
    const CPoint2d query = project(point);
    for (int i = 0; i < GetLoopCount(); ++i) {
        const int code = ClassifyPointInPolygon2d(query, projected.data() + LoopStart(i),
                                                  static_cast<size_t>(GetLoopVertexCount(i)));
        if (code != (i == 0 ? 1 : 8))
            return false;
    }
    return true;
}

bool CFacePolygon::ClipToPlane(const CPlane3d& cuttingPlane, bool* cut)
{
    const std::vector<CPoint3d> oldPoints = std::move(points);
    const std::vector<int32_t> oldEnds = std::move(loopEnds);
    const std::vector<CEdge*> oldEdges = std::move(pointEdges);
    points.clear();
    loopEnds.clear();
    pointEdges.clear();
    points.reserve(oldPoints.size() + 2 * oldEnds.size());
    pointEdges.reserve(points.capacity());

    bool anyCut = false;
    int32_t first = 0;
    for (size_t loop = 0; loop < oldEnds.size(); first = oldEnds[loop], ++loop) {
        const int32_t end = oldEnds[loop];
        const size_t before = points.size();
        bool anyInFront = false;
        if (end > first) {
            CPoint3d prev = oldPoints[static_cast<size_t>(end - 1)];
            int prevSide = SideOf(cuttingPlane, prev);
            for (int32_t k = first; k < end; ++k) {
                const CPoint3d& w = oldPoints[static_cast<size_t>(k)];
                if (w.IsEqual(prev, kGeomTolerance))
                    continue;
                CEdge* e = oldEdges[static_cast<size_t>(k)];
                const int side = SideOf(cuttingPlane, w);
                if (side == 0) {
                    points.push_back(w);
                    pointEdges.push_back(prevSide == -1 ? nullptr : e);
                } else if (side < 0) {
                    if (prevSide > 0) {
                        points.push_back(cuttingPlane.LineCrossing(prev, w));
                        pointEdges.push_back(e);
                        anyCut = true;
                    }
                } else {
                    anyInFront = true;
                    if (prevSide < 0) {
                        // The piece from the crossing runs along the cut line, not along an edge.
                        points.push_back(cuttingPlane.LineCrossing(prev, w));
                        pointEdges.push_back(nullptr);
                        anyCut = true;
                    }
                    points.push_back(w);
                    pointEdges.push_back(e);
                }
                prev = w;
                prevSide = side;
            }
        }
        if (points.size() - before < 3) {
            points.resize(before);
            pointEdges.resize(before);
        } else {
            loopEnds.push_back(static_cast<int32_t>(points.size()));
        }
        if (loop == 0 && (points.empty() || !anyInFront))
            return false;
    }
    if (cut)
        *cut = anyCut;
    return !points.empty();
}

CFacePolygonSlicer::CFacePolygonSlicer()
{
    intervals.reserve(16);
}

bool CFacePolygonSlicer::Slice(const CFacePolygon& polygon, const CPlane3d& cuttingPlane)
{
    intervals.clear();
    crossings = 0;
    if (!polygon.GetPlane().IntersectPlane(cuttingPlane, line))
        return false;
    for (int loop = 0; loop < polygon.GetLoopCount(); ++loop) {
        const int n = polygon.GetLoopVertexCount(loop);
        int start = -1;
        for (int k = 0; k < n && start < 0; ++k) {
            if (SideOf(cuttingPlane, polygon.GetLoopPoint(loop, k)) != 0)
                start = k;
        }
        if (start < 0)
            return false;
        CPoint3d r = polygon.GetLoopPoint(loop, start);
        int f = SideOf(cuttingPlane, r);
        // Crossings pair up in the loop's own direction; a loop seen from the back side first
        // would pair them the other way round.
        const bool reverse = f < 0;
        for (int step = 1; step <= n; ++step) {
            const int k = (start + step) % n;
            const CPoint3d& p = polygon.GetLoopPoint(loop, k);
            const int w = SideOf(cuttingPlane, p);
            if (w == 0) {
                if (f == 0)
                    AddInterval(r, p, reverse, polygon.GetPointEdge(loop, k));
                else if (f > 0)
                    AddCrossing(p, reverse);
            } else if (f != 0 && w != f) {
                AddCrossing(cuttingPlane.LineCrossing(r, p), reverse);
            } else if (f == 0 && w > 0) {
                AddCrossing(r, reverse);
            }
            r = p;
            f = w;
        }
        if (loop == 0 && intervals.empty())
            return false;
    }
    Merge();
    return !intervals.empty();
}

void CFacePolygonSlicer::AddCrossing(const CPoint3d& point, bool reverse)
{
    if (crossings % 2 == 0)
        pendingStart = point;
    else
        AddInterval(pendingStart, point, reverse, nullptr);
    ++crossings;
}

void CFacePolygonSlicer::AddInterval(const CPoint3d& p, const CPoint3d& q, bool reverse, CEdge* edge)
{
    if (p.IsEqual(q, kGeomTolerance))
        return;
    double t0 = line.GetParameter(p);
    double t1 = line.GetParameter(q);
    if (reverse)
        std::swap(t0, t1);
    intervals.push_back({t0, t1, edge});
}

void CFacePolygonSlicer::Merge()
{
    const auto firstInterior = std::stable_partition(intervals.begin(), intervals.end(),
                                                     [](const Interval& i) { return i.edge != nullptr; });
    const size_t edgeCount = static_cast<size_t>(firstInterior - intervals.begin());
    auto low = [](const Interval& i) { return std::min(i.t0, i.t1); };
    auto high = [](const Interval& i) { return std::max(i.t0, i.t1); };
    auto contains = [&](const Interval& outer, const Interval& inner) {
        return low(outer) <= low(inner) + kGeomTolerance && high(outer) >= high(inner) - kGeomTolerance;
    };

    // A hole's piece runs against the region's piece that holds it: exchanging their ends
    // splits the region's piece around the hole.
    for (size_t i = edgeCount; i < intervals.size(); ++i) {
        for (size_t j = edgeCount; j < intervals.size(); ++j) {
            if (j == i || (intervals[i].t0 < intervals[i].t1) == (intervals[j].t0 < intervals[j].t1) ||
                !contains(intervals[j], intervals[i]))
                continue;
            std::swap(intervals[i].t1, intervals[j].t1);
            break;
        }
    }

    // A face edge in the cutting plane is drawn as itself: the interior pieces lose its span.
    for (size_t e = 0; e < edgeCount; ++e) {
        const double cutLow = low(intervals[e]);
        const double cutHigh = high(intervals[e]);
        const Interval removed = intervals[e];
        for (size_t j = edgeCount; j < intervals.size();) {
            if (!contains(intervals[j], removed)) {
                ++j;
                continue;
            }
            const Interval piece = intervals[j];
            const bool forward = piece.t0 < piece.t1;
            std::vector<Interval> kept;
            if (low(piece) < cutLow - kGeomTolerance)
                kept.push_back(forward ? Interval{low(piece), cutLow, nullptr}
                                       : Interval{cutLow, low(piece), nullptr});
            if (high(piece) > cutHigh + kGeomTolerance)
                kept.push_back(forward ? Interval{cutHigh, high(piece), nullptr}
                                       : Interval{high(piece), cutHigh, nullptr});
            if (!forward)
                std::reverse(kept.begin(), kept.end());
            if (kept.empty()) {
                intervals.erase(intervals.begin() + static_cast<std::ptrdiff_t>(j));
                continue;
            }
            intervals[j] = kept[0];
            if (kept.size() > 1)
                intervals.push_back(kept[1]);
            ++j;
        }
    }
}

void CFacePolygonSlicer::GetSegment(int i, CPoint3d& start, CPoint3d& end, CEdge*& edge) const
{
    const Interval& interval = intervals[static_cast<size_t>(i)];
    start = line.GetPointAt(interval.t0);
    end = line.GetPointAt(interval.t1);
    edge = interval.edge;
}
