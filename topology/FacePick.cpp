// The face's answers to the view's picker: the aperture pick with its depth range, the ray
// pick, and the point, crossing and window picks. The picker tests points and segments
// against its pick volume; the face decides what of it lies inside the face.

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "database/IModelView.h"
#include "database/IPickHelper.h"
#include "geometry/GeomFunctions.h"
#include "geometry/Tolerance.h"
#include "geometry/Vector2d.h"
#include "settings/Camera.h"
#include "settings/RenderingOptions.h"
#include "settings/ViewDefinition.h"
#include "topology/Edge.h"
#include "topology/EdgeUse.h"
#include "topology/Face.h"
#include "topology/IEdgeDisplayOptions.h"
#include "topology/Loop.h"
#include "topology/SectionPlaneStack.h"
#include "topology/Vertex.h"

using orbisk::geometry::CBoundingBox3d;
using orbisk::geometry::CLine3d;
using orbisk::geometry::CPoint2d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CRay3d;
using orbisk::geometry::CVector3d;
using orbisk::geometry::kGeomTolerance;

namespace {

// The pick volume's plane whose distance bounds the tolerance of a point pick.
constexpr int kDepthTolerancePlane = 0;

bool IsOnFace(int pointClass)
{
    return pointClass == CFace::kInside || pointClass == CFace::kOnEdge || pointClass == CFace::kOnVertex;
}

// The section planes that cut what the picker sees, or null when none is active.
const CSectionPlaneStack* ActiveSectionPlanes(IPickHelper* picker)
{
    const CSectionPlaneStack* planes = picker->GetSectionPlaneStack();
    return planes && !planes->IsEmpty() && !planes->IsSwitchedOff() ? planes : nullptr;
}

// The outer loop's vertex positions in loop order.
std::vector<CPoint3d> OuterPolygon(const CFace& face)
{
    std::vector<CPoint3d> points;
    if (const CLoop* outer = face.GetOuterLoop()) {
        for (const CEdgeUse* use : outer->GetEdgeUses()) {
            if (const CVertex* vertex = use->GetStartVertex())
                points.push_back(vertex->GetPosition());
        }
    }
    return points;
}

bool IsPerspective(IModelView* view)
{
    const CViewDefinition* definition = view ? view->GetViewDefinition() : nullptr;
    return definition && definition->GetCamera().IsPerspective();
}

// The depth range along the pick ray that a face's aperture pick gathers.
class CDepthRange {
public:
    explicit CDepthRange(const CRay3d& ray) : m_ray(ray) {}
    double DepthOf(const CPoint3d& point) const { return std::max(0.0, m_ray.GetParameter(point)); }
    void Add(const CPoint3d& point)
    {
        const double depth = DepthOf(point);
        nearDepth = std::min(nearDepth, depth);
        farDepth = std::max(farDepth, depth);
    }

    double nearDepth = std::numeric_limits<double>::infinity();
    double farDepth = -std::numeric_limits<double>::infinity();

private:
    CRay3d m_ray;
};

// The aperture as a counter-clockwise quadrilateral in the coordinate plane of the face's
// dominant axis, the plane in which the face classifies points.
class CApertureQuad {
public:
    CApertureQuad(const CPoint3d (&hits)[4], int axis) : m_u(axis % 3), m_v((axis + 1) % 3)
    {
        std::copy(std::begin(hits), std::end(hits), m_hits);
        SetCorners();
        if (Cross(m_sides[0], m_sides[1]) < 0.0) {
            std::reverse(std::begin(m_hits), std::end(m_hits));
            SetCorners();
        }
    }
    // Bit j: the point lies more than 0.001 to the right of side j.
    int Outcode(const CPoint3d& point) const
    {
        const CPoint2d p = Project(point);
        int code = 0;
        for (int j = 0; j < 4; ++j) {
            const double cross = Cross(m_sides[j], {p.x - m_corners[j].x, p.y - m_corners[j].y});
            if (cross <= -kGeomTolerance)
                code |= 1 << j;
        }
        return code;
    }
    const CPoint3d& Hit(int j) const { return m_hits[j % 4]; }

private:
    CPoint2d Project(const CPoint3d& p) const { return {p[m_u], p[m_v]}; }
    static double Cross(const CPoint2d& a, const CPoint2d& b) { return a.x * b.y - a.y * b.x; }
    void SetCorners()
    {
        for (int j = 0; j < 4; ++j)
            m_corners[j] = Project(m_hits[j]);
        for (int j = 0; j < 4; ++j) {
            const CPoint2d& a = m_corners[j];
            const CPoint2d& b = m_corners[(j + 1) % 4];
            double dx = b.x - a.x;
            double dy = b.y - a.y;
            const double length = std::hypot(dx, dy);
            if (length > 0.0)
                dx /= length, dy /= length;
            m_sides[j] = {dx, dy};
        }
    }

    int m_u;
    int m_v;
    CPoint3d m_hits[4];
    CPoint2d m_corners[4];
    CPoint2d m_sides[4];
};

}  // namespace

bool CFace::Pick(IPickHelper* picker, double& nearDepth, double& farDepth)
{
    nearDepth = std::numeric_limits<double>::infinity();
    farDepth = -std::numeric_limits<double>::infinity();
    if (!picker)
        return false;
    const CRay3d ray = picker->GetLocalRay();
    CPoint3d given[4];
    picker->GetApertureCorners(given);
    // The picker lists the corners row by row; round the aperture they run 0, 1, 3, 2.
    const CPoint3d corners[4] = {given[0], given[1], given[3], given[2]};
    const bool perspective = IsPerspective(picker->GetView());
    CDepthRange range(ray);
    CPoint3d hits[4];
    for (int j = 0; j < 4; ++j) {
        CRay3d cornerRay(corners[j], ray.direction);
        if (perspective)
            cornerRay.SetThrough(ray.origin, corners[j]);
        if (!cornerRay.Intersect(m_plane, hits[j]) || range.DepthOf(hits[j]) < kGeomTolerance)
            return false;
        if (IsOnFace(ClassifyPoint(hits[j], kGeomTolerance, true)))
            range.Add(hits[j]);
    }
    const CApertureQuad aperture(hits, GetDominantAxis());
    for (int i = 0; i < m_loops.GetCount(); ++i) {
        const CLoop* loop = GetLoop(i);
        if (!loop)
            continue;
        bool first = true;
        int startCode = 0;
        for (const CEdgeUse* use : loop->GetEdgeUses()) {
            const CVertex* startVertex = use->GetStartVertex();
            const CVertex* endVertex = use->GetEndVertex();
            if (!startVertex || !endVertex) {
                first = true;
                continue;
            }
            const CPoint3d start = startVertex->GetPosition();
            const CPoint3d end = endVertex->GetPosition();
            if (first)
                startCode = aperture.Outcode(start);
            first = false;
            const int endCode = aperture.Outcode(end);
            if ((startCode & endCode) == 0) {
                if (startCode == 0)
                    range.Add(start);
                for (int j = 0; j < 4; ++j) {
                    if (((startCode ^ endCode) & (1 << j)) == 0)
                        continue;
                    CPoint3d crossing;
                    if (orbisk::geometry::IntersectSegments(start, end, aperture.Hit(j), aperture.Hit(j + 1),
                                                            crossing))
                        range.Add(crossing);
                }
            }
            startCode = endCode;
        }
    }
    nearDepth = range.nearDepth;
    farDepth = range.farDepth;
    return true;
}

bool CFace::PickRay(const CLine3d& line, CPoint3d& point, bool skipHidden)
{
    if (skipHidden && IsHidden(nullptr))
        return false;
    CBoundingBox3d box = GetBounds();
    box.Expand(kGeomTolerance);
    if (!line.IntersectsBox(box))
        return false;
    double t = 0.0;
    if (!line.IntersectParameter(m_plane, t) || t <= -kGeomTolerance)
        return false;
    if (line.HasEnd() && t - line.t1 >= kGeomTolerance)
        return false;
    point = line.GetPointAt(t);
    return IsOnFace(ClassifyPoint(point, kGeomTolerance, false));
}

bool CFace::PickRay(IPickHelper*, const CRay3d& ray, CPoint3d& point, CVector3d& normal, void*)
{
    if (!PickRay(CLine3d(ray, false, true), point, true))
        return false;
    normal = m_plane.GetNormal();
    return true;
}

int CFace::PickInside(IPickHelper* picker)
{
    if (!picker || !picker->IsEntityVisible(this))
        return kNotPicked;
    const int mode = picker->GetPickMode();
    if (mode != IPickHelper::kExtentsWalk && !picker->TestBox(GetBounds()))
        return kNotPicked;
    switch (mode) {
        case IPickHelper::kPointPick:
        case IPickHelper::kCrossingPick: {
            const int atPoint = PickAtPoint(picker);
            return (atPoint & kPicked) ? atPoint : PickCrossing(picker);
        }
        case IPickHelper::kWindowPick:
        case IPickHelper::kExtentsWalk: return PickWindow(picker);
        default: return kNotPicked;
    }
}

int CFace::PickAtPoint(IPickHelper* picker)
{
    CPoint3d point;
    if (!picker->GetLocalRay().Intersect(m_plane, point))
        return kNotPicked;
    if (const CSectionPlaneStack* planes = ActiveSectionPlanes(picker)) {
        if (planes->GetCoplanarMask(m_plane) != 0 || !planes->IsPointVisible(point))
            return kCutAway;
    }
    // The picker answers 2 for a point the section planes cut away.
    const int tested = picker->PickPoint(point);
    if (tested == kCutAway)
        return kCutAway;
    if (!(tested & kPicked))
        return kNotPicked;
    const double tolerance =
        std::min(picker->DistanceToFilterPlane(point, kDepthTolerancePlane), kGeomTolerance);
    if (!IsOnFace(ClassifyPoint(point, tolerance, false)))
        return kNotPicked;
    picker->SetHitElement(this);
    return kPicked;
}

int CFace::ClipOuterPolygon(IPickHelper* picker, std::vector<CPoint3d>& polygon) const
{
    const CSectionPlaneStack* planes = ActiveSectionPlanes(picker);
    if (!planes)
        return kClipKept;
    if (planes->GetCoplanarMask(m_plane) != 0)
        return kClipRemoved;
    polygon = OuterPolygon(*this);
    const std::vector<CPoint3d> original = polygon;
    if (!planes->ClipPointPolygon(polygon))
        return kClipRemoved;
    return polygon == original ? kClipKept : kClipChanged;
}

int CFace::PickCrossing(IPickHelper* picker)
{
    std::vector<CPoint3d> clipped;
    const int clipping = ClipOuterPolygon(picker, clipped);
    if (clipping == kClipRemoved)
        return kCutAway;
    if (clipping == kClipChanged)
        return PickClippedCrossing(picker, clipped);
    std::vector<const CEdgeUse*> uses;
    for (int i = 0; i < m_loops.GetCount(); ++i) {
        if (const CLoop* loop = GetLoop(i)) {
            for (const CEdgeUse* use : loop->GetEdgeUses())
                uses.push_back(use);
        }
    }
    for (const CEdgeUse* use : uses) {
        CVertex* vertex = use->GetStartVertex();
        if (vertex && (picker->PickPoint(vertex->GetPosition()) & kPicked)) {
            picker->SetHitElement(vertex);
            return kPicked;
        }
    }
    for (const CEdgeUse* use : uses) {
        CEdge* edge = use->GetEdge();
        if (!edge || !edge->GetStart() || !edge->GetEnd())
            continue;
        if (picker->PickSegment(edge->GetStart()->GetPosition(), edge->GetEnd()->GetPosition()) & kPicked) {
            picker->SetHitElement(edge);
            return kPicked;
        }
    }
    return kNotPicked;
}

int CFace::PickClippedCrossing(IPickHelper* picker, const std::vector<CPoint3d>& polygon)
{
    for (const CPoint3d& point : polygon) {
        if (picker->PickPoint(point) & kPicked) {
            picker->SetHitElement(FindNearestVertexOrEdge(point));
            return kPicked;
        }
    }
    const CSectionPlaneStack* planes = ActiveSectionPlanes(picker);
    const CRay3d ray = picker->GetLocalRay();
    for (size_t i = 0; i < polygon.size(); ++i) {
        const CPoint3d& start = polygon[i];
        const CPoint3d& end = polygon[(i + 1) % polygon.size()];
        // The cut itself is the section plane's to pick.
        if (planes && planes->GetContainingMask(start, end) != 0)
            continue;
        if (!(picker->PickSegment(start, end) & kPicked))
            continue;
        CPoint3d nearest = start;
        orbisk::geometry::ClosestPointOnSegmentToLine(start, end, ray.origin, ray.direction, nearest);
        picker->SetHitElement(FindNearestVertexOrEdge(nearest));
        return kPicked;
    }
    return kNotPicked;
}

int CFace::PickWindow(IPickHelper* picker)
{
    std::vector<CPoint3d> clipped;
    const int clipping = ClipOuterPolygon(picker, clipped);
    if (clipping == kClipRemoved)
        return kCutAway;
    if (clipping == kClipChanged) {
        int result = kNotPicked;
        for (const CPoint3d& point : clipped) {
            result = picker->PickPoint(point);
            if (!(result & kPicked))
                break;
        }
        return result;
    }
    const CLoop* outer = GetOuterLoop();
    if (!outer)
        return kNotPicked;
    int result = kNotPicked;
    for (const CEdgeUse* use : outer->GetEdgeUses()) {
        const CVertex* vertex = use->GetStartVertex();
        result = vertex ? picker->PickPoint(vertex->GetPosition()) : kNotPicked;
        if (!(result & kPicked))
            break;
    }
    return result;
}

bool FacesOccludeInView(IModelView* view)
{
    const auto* options =
        view ? dynamic_cast<const CRenderingOptions*>(view->GetRenderingOptions()) : nullptr;
    if (!options)
        return true;
    return options->GetRenderingMode() != IEdgeDisplayOptions::kWireframe && !options->GetXRay() &&
           !options->GetBackEdges();
}
