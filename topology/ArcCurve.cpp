#include "topology/ArcCurve.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "database/ArchiveSchema.h"
#include "database/UndoManager.h"
#include "database/UndoOperation.h"
#include "geometry/Transform3d.h"
#include "platform/mfc/Archive.h"
#include "support/ArchiveOperators.h"
#include "topology/Edge.h"
#include "topology/IFace.h"
#include "topology/TopologyEnumerators.h"
#include "topology/Vertex.h"

IMPLEMENT_SERIAL(CArcCurve, CCurve, VERSIONABLE_SCHEMA | 1)

using orbisk::geometry::CArc3d;
using orbisk::geometry::CRay3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CUnitVector3d;
using orbisk::geometry::kGeomTolerance;
using orbisk::geometry::kGeomToleranceSquared;
using orbisk::geometry::kPi;
using orbisk::geometry::kTwoPi;

namespace {

constexpr double kHalfPi = kPi / 2.0;

}  // namespace

void SwapArcs(CArc3d& a, CArc3d& b)
{
    std::swap(a, b);
}

CArcCurve::CArcCurve(const CArcCurve& other) : CCurve(other), m_arc(other.m_arc) {}

void CArcCurve::Serialize(CArchive& ar)
{
    ReadDroppingOnFailure(ar, [&] {
        SerializeGuarded(ar, [&] {
            CEntity::Serialize(ar);
            if (ar.IsStoring()) {
                WriteCurveRecord(ar);
                orbisk::utils::SerializeArc3d(ar, m_arc, true);
                return;
            }
            ReadCurveRecord(ar);
            const int32_t schema = GetClassVersion(RUNTIME_CLASS(CArcCurve));
            orbisk::utils::SerializeArc3d(ar, m_arc, schema >= 1);
            // The axes always turn positively about the normal.
            if (m_arc.xAxis.Cross(m_arc.yAxis).Dot(m_arc.plane.GetNormal()) < 0.0)
                m_arc.plane.Reverse();
        });
    });
}

void CArcCurve::Transform(const orbisk::geometry::CTransform3d& transform)
{
    MarkChanged();
    m_arc.Transform(transform);
}

CEntity* CArcCurve::CreateCopy() const
{
    return new CArcCurve(*this);
}

void CArcCurve::SwapContents(CEntity& other)
{
    CCurve::SwapContents(other);
    SwapArcs(m_arc, static_cast<CArcCurve&>(other).m_arc);
}

CCurve* CArcCurve::CreateEmptyLike() const
{
    auto* curve = new CArcCurve;
    CArc3d& arc = curve->m_arc;
    arc.center = m_arc.center;
    arc.xAxis = m_arc.xAxis;
    arc.yAxis = m_arc.yAxis;
    arc.SetNormal(CUnitVector3d(m_arc.plane.GetNormal()));
    arc.Recompute(false);
    curve->SetFlag(GetFlag());
    return curve;
}

int CArcCurve::GetEdgeDirection(CEdge* edge)
{
    if (!edge || !edge->GetStart() || !edge->GetEnd())
        return CEdge::kDirectionUnknown;
    const double a = m_arc.GetAngleOfPoint(edge->GetStart()->GetPosition());
    const double c = m_arc.GetAngleOfPoint(edge->GetEnd()->GetPosition());
    // Along the arc: turning positively about the normal by less than half a turn.
    if (std::abs(c - a) <= kPi)
        return c > a ? CEdge::kAlongCurve : CEdge::kAgainstCurve;
    return c < a ? CEdge::kAlongCurve : CEdge::kAgainstCurve;
}

void CArcCurve::ResetParameterization(bool allowFreeCircle, bool radiusToStart)
{
    const CVertex* startVertex = GetStartVertex();
    const CVertex* endVertex = GetEndVertex();
    if (!startVertex || !endVertex)
        return;
    CPoint3d start = startVertex->GetPosition();
    CPoint3d end = endVertex->GetPosition();
    const CVector3d normal = m_arc.plane.GetNormal();
    // An ellipse is mapped onto the unit circle for the while.
    const bool mapped = !m_arc.HasOrthonormalAxes() &&
                        std::abs(m_arc.xAxis.Cross(m_arc.yAxis).Dot(normal)) >= kGeomToleranceSquared;
    CTransform3d mapping;
    if (mapped) {
        mapping = CTransform3d(CUnitVector3d(m_arc.xAxis), CUnitVector3d(m_arc.yAxis), CUnitVector3d(normal),
                               m_arc.center) *
                  CTransform3d(m_arc.xAxis.Length(), m_arc.yAxis.Length(), 1.0);
        const CTransform3d inverse = mapping.Inverse();
        m_arc.Transform(inverse);
        inverse.TransformPoint(start);
        inverse.TransformPoint(end);
    }
    if (radiusToStart) {
        m_arc.xAxis = start - m_arc.center;
    } else {
        const CUnitVector3d towardStart(m_arc.center, start);
        const CVector3d d = towardStart;
        m_arc.xAxis = d * m_arc.radius;
        const CVector3d n = m_arc.plane.GetNormal();
        m_arc.SetNormal(CUnitVector3d(d.Cross(n.Cross(d))));
    }
    m_arc.Recompute(true);
    m_arc.startAngle = 0.0;
    if (startVertex != endVertex)
        m_arc.endAngle = m_arc.GetAngleOfPoint(end);
    else
        m_arc.endAngle = allowFreeCircle && startVertex->GetEdgeCount() == 2 ? 0.0 : kTwoPi;
    if (mapped)
        m_arc.Transform(mapping);
}

bool CArcCurve::IsPointOnCurve(const CPoint3d& point)
{
    if (m_arc.plane.DistanceTo(point) > kGeomTolerance)
        return false;
    if (std::abs(point.DistanceTo(m_arc.center) - m_arc.radius) > kGeomTolerance)
        return false;
    const double angle = m_arc.GetAngleOfPoint(point);
    return angle >= m_arc.startAngle - kGeomToleranceSquared &&
           angle <= m_arc.endAngle + kGeomToleranceSquared;
}

bool CArcCurve::GetMidpoint(CPoint3d& point)
{
    if (!m_arc.HasOrthonormalAxes() || IsClosed(true))
        return false;
    return ProjectToPolygon(m_arc.GetPointAt((m_arc.startAngle + m_arc.endAngle) / 2.0), point);
}

bool CArcCurve::GetQuadrantPoints(CPoint3d& p0, CPoint3d& p1, CPoint3d& p2, CPoint3d& p3)
{
    if (!m_arc.HasOrthonormalAxes() || !IsClosed(true))
        return false;
    const std::vector<CPoint3d> positions = GetPositionsInOrder();
    if (positions.empty())
        return false;
    const CVector3d n = m_arc.plane.GetNormal();
    const int axis = n.x > n.y && n.x > n.z ? 1 : 0;
    p0 = positions.front();
    for (const CPoint3d& position : positions) {
        if (position[axis] > p0[axis])
            p0 = position;
    }
    const double angle = m_arc.GetAngleOfPoint(p0);
    return ProjectToPolygon(m_arc.GetPointAt(angle + kHalfPi), p1) &&
           ProjectToPolygon(m_arc.GetPointAt(angle + kPi), p2) &&
           ProjectToPolygon(m_arc.GetPointAt(angle + 3.0 * kHalfPi), p3);
}

bool CArcCurve::IsCoplanarWithFaces()
{
    if (!m_arc.HasOrthonormalAxes())
        return false;
    const CUnitVector3d normal(m_arc.plane.GetNormal());
    std::vector<CEdge*> edges;
    GetEdgesInOrder(edges);
    for (const CEdge* edge : edges) {
        CEnumFaceEdge faces(edge);
        for (CEntity* face = nullptr; faces.Next(face);) {
            const IFace* asFace = AsFace(face);
            if (asFace && !CUnitVector3d(asFace->GetPlane().GetNormal()).IsParallelTo(normal))
                return false;
        }
    }
    return true;
}

double CArcCurve::GetLength()
{
    if (IsClosed(false))
        return m_arc.radius * kTwoPi;
    return (m_arc.endAngle - m_arc.startAngle) * m_arc.radius;
}

bool CArcCurve::ProjectToPolygon(const CPoint3d& point, CPoint3d& out) const
{
    out = m_arc.plane.ProjectPoint(point);
    if (out.IsEqual(m_arc.center, kGeomTolerance))
        return false;
    CRay3d ray;
    ray.SetThrough(m_arc.center, out);
    const std::vector<CPoint3d> positions = GetPositionsInOrder();
    for (size_t i = 1; i < positions.size(); ++i) {
        double t = 0.0;
        if (ray.ClosestParameterToSegment(positions[i - 1], positions[i], t) && t > 0.0) {
            out = ray.GetPointAt(t);
            return true;
        }
    }
    return false;
}

void CArcCurve::PlaceInnerVertices(const std::vector<CVertex*>& vertices, double start, double step,
                                   size_t count)
{
    for (size_t i = 1; i < count && i < vertices.size(); ++i) {
        vertices[i]->MarkChanged();
        vertices[i]->SetPosition(m_arc.GetPointAt(start + static_cast<double>(i) * step));
    }
}

void CArcCurve::MoveEnd(CVertex* vertex, CPoint3d& oldPosition, const CPoint3d& newPosition)
{
    const bool closed = IsClosed(true);
    if (!closed && (vertex == GetStartVertex() || vertex == GetEndVertex())) {
        CCurve::MoveEnd(vertex, oldPosition, newPosition);
        return;
    }
    std::vector<CVertex*> vertices;
    GetVerticesInOrder(vertices);
    const size_t n = vertices.size();
    if (n < 2)
        return;
    if (vertex)
        oldPosition = vertex->GetPosition();
    const double oldStart = m_arc.startAngle;
    double step = 0.0;
    if (closed) {
        const CVector3d offset = newPosition - m_arc.center;
        const double distance = offset.Length();
        if (distance < kGeomTolerance || m_arc.radius <= 0.0)
            return;
        MarkChanged();
        m_arc.xAxis *= distance / m_arc.radius;
        m_arc.Recompute(true);
        step = kTwoPi / static_cast<double>(n - 1);
    } else {
        MarkChanged();
        const CArc3d through(vertices.front()->GetPosition(), newPosition, vertices.back()->GetPosition());
        m_arc = through;
        step = (m_arc.endAngle - oldStart) / static_cast<double>(n - 1);
    }
    for (size_t i = 0; i < n; ++i) {
        vertices[i]->MarkChanged();
        vertices[i]->SetPosition(m_arc.GetPointAt(oldStart + static_cast<double>(i) * step));
    }
}

void CArcCurve::PassThroughPoint(const CPoint3d& point)
{
    MarkChanged();
    std::vector<CVertex*> vertices;
    GetVerticesInOrder(vertices);
    const size_t n = vertices.size();
    if (n <= 2)
        return;
    const CPoint3d start = vertices.front()->GetPosition();
    const CPoint3d end = vertices.back()->GetPosition();
    CRay3d towardMiddle;
    towardMiddle.SetThrough(m_arc.center, m_arc.GetPointAt((m_arc.startAngle + m_arc.endAngle) / 2.0));
    const CPoint3d target = towardMiddle.ProjectPoint(point);
    CPoint3d guide = target;
    for (int iteration = 0; iteration < kMaxFitIterations; ++iteration) {
        m_arc = CArc3d(start, guide, end);
        PlaceInnerVertices(vertices, m_arc.startAngle,
                           (m_arc.endAngle - m_arc.startAngle) / static_cast<double>(n - 1), n - 1);
        CPoint3d onPolygon;
        if (!ProjectToPolygon(guide, onPolygon) || onPolygon.IsEqual(target, kGeomTolerance))
            return;
        guide += target - onPolygon;
    }
}

void CArcCurve::SetRadiusThroughPoint(const CPoint3d& directionPoint, const CPoint3d& point)
{
    const CPoint3d projected = m_arc.plane.ProjectPoint(point);
    if (projected.IsEqual(m_arc.center, kGeomTolerance))
        return;
    MarkChanged();
    CRay3d direction;
    direction.SetThrough(m_arc.center, directionPoint);
    const CPoint3d target = direction.ProjectPoint(projected);
    CPoint3d guide = target;
    std::vector<CVertex*> vertices;
    GetVerticesInOrder(vertices);
    const size_t n = vertices.size();
    if (n < 2)
        return;
    for (int iteration = 0; iteration < kMaxFitIterations; ++iteration) {
        m_arc.xAxis = guide - m_arc.center;
        m_arc.Recompute(true);
        const double step = kTwoPi / static_cast<double>(n - 1);
        for (size_t i = 0; i + 1 < n; ++i) {
            vertices[i]->MarkChanged();
            vertices[i]->SetPosition(m_arc.GetPointAt(m_arc.startAngle + static_cast<double>(i) * step));
        }
        CPoint3d onPolygon;
        // A failed projection gives nothing to steer by.
        if (!ProjectToPolygon(guide, onPolygon) || onPolygon.IsEqual(target, kGeomTolerance))
            return;
        guide += target - onPolygon;
    }
}

int CArcCurve::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CArcCurve), map, [&] { return CEntity::CheckValidity(level, map); },
        [&] {
            bool dissolved = false;
            const int curveResult = CheckCurveValidity(level, map, dissolved);
            if (dissolved)
                return 0;
            return curveResult != 0 ? curveResult : CheckArcValidity(level);
        });
}

int CArcCurve::CheckArcValidity(int level)
{
    if (level == kValidityCheckIgnoringIds || m_edgeCount == 0)
        return 0;
    if (const CUndoOperation* operation = GetUndoOperation()) {
        const auto& erased = operation->GetErasedEntities();
        if (std::find(erased.begin(), erased.end(), this) != erased.end())
            return 0;
    }
    const CVertex* startVertex = GetStartVertex();
    const CVertex* endVertex = GetEndVertex();
    CPoint3d atStart, atEnd;
    const bool endsOff = startVertex && endVertex &&
                         ProjectToPolygon(m_arc.GetPointAt(m_arc.startAngle), atStart) &&
                         ProjectToPolygon(m_arc.GetPointAt(m_arc.endAngle), atEnd) &&
                         (!startVertex->GetPosition().IsEqual(atStart, kGeomTolerance) ||
                          !endVertex->GetPosition().IsEqual(atEnd, kGeomTolerance));
    const bool radiusOff = std::abs(m_arc.xAxis.Length() - m_arc.radius) >= kGeomTolerance;
    const bool planeOff = !CPlane3d(m_arc.center, CUnitVector3d(m_arc.xAxis.Cross(m_arc.yAxis)))
                               .IsEqual(m_arc.plane, false, kGeomTolerance);
    const std::pair<bool, const char*> problems[] = {
        {endsOff, "The start or end vertex for %s is not valid"},
        {radiusOff, "The curve radius for %s is not valid"},
        {planeOff, "The plane equation for %s not valid."},
    };
    const CString name = DescribeEntity(this);
    int result = 0;
    for (const auto& [found, message] : problems) {
        if (!found)
            continue;
        AppendValidityMessage(message, name.GetString());
        if (ShouldFix(level)) {
            Dissolve();
            return 0;
        }
        result = 1;
    }
    return result;
}
