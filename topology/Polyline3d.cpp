#include "topology/Polyline3d.h"

#include <GL/gl.h>

#include <cmath>
#include <limits>
#include <utility>

#include "database/ArchiveReading.h"
#include "database/IModelView.h"
#include "database/IPickHelper.h"
#include "geometry/GeomFunctions.h"
#include "geometry/Tolerance.h"
#include "platform/mfc/Archive.h"
#include "support/ArchiveOperators.h"
#include "topology/EntityExportVisitor.h"
#include "topology/SectionPlaneStack.h"

IMPLEMENT_SERIAL(CPolyline3d, CDrawingElement, VERSIONABLE_SCHEMA | 0)

using orbisk::geometry::CPlane3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CRay3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CUnitVector3d;
using orbisk::geometry::CVector3d;
using orbisk::geometry::kGeomTolerance;

namespace {

constexpr uint32_t kPointBytes = 3 * sizeof(double);
// Segments shorter than this have no direction to pick along.
constexpr double kShortestPickedSegment = 1e-10;
constexpr unsigned short kHiddenStipple = 0x3333;

}  // namespace

bool ClipPointPolygonToPlane(std::vector<CPoint3d>& points, const CPlane3d& plane)
{
    if (points.empty())
        return false;
    std::vector<CPoint3d> kept;
    kept.reserve(points.size() + 1);
    CPoint3d previous = points.back();
    bool previousInside = plane.SignedDistance(previous) > -kGeomTolerance;
    for (const CPoint3d& point : points) {
        if (point.IsEqual(previous, kGeomTolerance))
            continue;
        const bool inside = plane.SignedDistance(point) > -kGeomTolerance;
        if (inside) {
            if (!previousInside)
                kept.push_back(plane.LineCrossing(previous, point));
            kept.push_back(point);
        } else if (previousInside) {
            kept.push_back(plane.LineCrossing(previous, point));
        }
        previous = point;
        previousInside = inside;
    }
    points = std::move(kept);
    return !points.empty();
}

void CPolyline3d::Serialize(CArchive& ar)
{
    SerializeGuarded(ar, [&] {
        CDrawingElement::Serialize(ar);
        if (ar.IsLoading())
            ReadRecord(ar);
        else
            WriteRecord(ar);
    });
}

void CPolyline3d::ReadRecord(CArchive& ar)
{
    const int32_t count = ReadItemCount(ar, kPointBytes);
    std::vector<CPoint3d> points;
    points.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        CPoint3d point;
        ar >> point;
        points.push_back(point);
    }
    m_points = std::move(points);
}

void CPolyline3d::WriteRecord(CArchive& ar) const
{
    ar << static_cast<int32_t>(m_points.size());
    for (const CPoint3d& point : m_points)
        ar << point;
}

void CPolyline3d::Transform(const CTransform3d& transform)
{
    MarkChanged();
    for (CPoint3d& point : m_points)
        transform.TransformPoint(point);
}

CEntity* CPolyline3d::CreateCopy() const
{
    return new CPolyline3d(*this);
}

void CPolyline3d::SwapContents(CEntity& other)
{
    CDrawingElement::SwapContents(other);
    std::swap(m_points, static_cast<CPolyline3d&>(other).m_points);
}

int CPolyline3d::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CPolyline3d), map, [&] { return CDrawingElement::CheckValidity(level, map); },
        [&] { return CheckOwnValidity(level); });
}

int CPolyline3d::CheckOwnValidity(int level)
{
    if (level == kValidityCheckIgnoringIds)
        return 0;
    for (int i = GetPointCount() - 1; i >= 0; --i) {
        if (m_points[i].IsValid())
            continue;
        AppendValidityMessage("Point %d for %s is not valid\n", i, DescribeEntity(this).GetString());
        return 2;
    }
    return 0;
}

void CPolyline3d::Draw(IModelView* view)
{
    if (!view || m_points.size() < 2 || !IsVisible(view))
        return;
    const bool hidden = (m_flags & kHidden) != 0;
    view->SetLighting(false);
    if (hidden)
        view->SetLineStipple(kHiddenStipple);
    // Before the strip opens: a colour change may close an open primitive.
    ApplyDrawColor(view);
    view->BeginPrimitive(GL_LINE_STRIP);
    for (const CPoint3d& point : m_points)
        view->Vertex(point.x, point.y, point.z);
    view->EndPrimitive();
    if (hidden)
        view->SetLineStipple(0);
}

bool CPolyline3d::Pick(IPickHelper* picker, double& depth, double& distance)
{
    depth = distance = 0.0;
    if (m_points.size() < 2)
        return false;
    const CRay3d ray = picker->GetLocalRay();
    bool found = false;
    double nearest = std::numeric_limits<double>::infinity();
    CPoint3d best;
    for (size_t i = 1; i < m_points.size(); ++i) {
        const CPoint3d& start = m_points[i - 1];
        const CVector3d along = m_points[i] - start;
        const double length = along.Length();
        if (length < kShortestPickedSegment)
            continue;
        CPoint3d onSegment;
        orbisk::geometry::ClosestPointOnSegmentToLine(start, m_points[i], ray.origin, ray.direction,
                                                      onSegment);
        const double apart = onSegment.DistanceToLine(ray);
        // Near enough: on the ray within the tolerance, or inside the pick aperture.
        if (apart >= nearest || (apart >= kGeomTolerance && picker->PickPoint(onSegment) != 1))
            continue;
        nearest = apart;
        best = onSegment;
        found = true;
    }
    if (found)
        depth = distance = ray.origin.DistanceTo(best);
    return found;
}

void CPolyline3d::AddBoundsTransformed(const CTransform3d& transform, CBoundingBox3d& box) const
{
    for (const CPoint3d& point : m_points)
        box.Add(transform.MultiplyPoint(point));
}

void CPolyline3d::AddScreenBounds(CBoundingBox3d& box, IModelView* view) const
{
    if (!view)
        return;
    for (const CPoint3d& point : m_points) {
        CPoint3d onScreen;
        if (view->ModelToScreen(point, onScreen))
            box.Add(onScreen);
    }
}

void CPolyline3d::AddBounds(CBoundingBox3d& box) const
{
    for (const CPoint3d& point : m_points)
        box.Add(point);
}

int CPolyline3d::PickInside(IPickHelper* picker)
{
    if (m_points.size() < 2 || !picker->IsEntityVisible(this))
        return 0;
    const int mode = picker->GetPickMode();
    if (mode == IPickHelper::kPointPick) {
        for (size_t i = 1; i < m_points.size(); ++i) {
            if (picker->PickSegment(m_points[i - 1], m_points[i]) & 1)
                return 1;
        }
        return 0;
    }
    if (mode != IPickHelper::kWindowPick && mode != IPickHelper::kExtentsWalk)
        return 0;
    std::vector<CPoint3d> kept = m_points;
    const CSectionPlaneStack* planes = picker->GetSectionPlaneStack();
    if (planes && !planes->ClipPointPolygon(kept))
        return 2;
    int result = 0;
    for (const CPoint3d& point : kept) {
        result = picker->PickPoint(point);
        // A window pick wants the whole chain inside: the first point that is not ends it.
        if (mode == IPickHelper::kWindowPick && result != 1)
            break;
    }
    return result;
}

bool CPolyline3d::Accept(IEntityExportVisitor* visitor)
{
    if (!visitor || !visitor->WantsEdges())
        return true;
    visitor->AddPolyline(m_points, GetSolidColor(nullptr), GetLayer());
    return true;
}
