#include "view/PickHelper.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>

#include "components/ComponentInstance.h"
#include "database/DrawingElement.h"
#include "database/EntityTypes.h"
#include "database/IZphView.h"
#include "geometry/GeomFunctions.h"
#include "geometry/Tolerance.h"
#include "model/ZephyronModel.h"
#include "settings/Camera.h"
#include "settings/RenderingOptions.h"
#include "settings/ViewDefinition.h"
#include "topology/ConstructionLine.h"
#include "topology/ConstructionPoint.h"
#include "topology/Edge.h"
#include "topology/Face.h"
#include "topology/LineProvider.h"
#include "topology/SectionPlaneStack.h"
#include "topology/Vertex.h"
#include "topology/ZphCS.h"

using orbisk::geometry::CBoundingBox3d;
using orbisk::geometry::CLine3d;
using orbisk::geometry::CPlane3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CRay3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CUnitVector3d;
using orbisk::geometry::CVector3d;
using orbisk::geometry::IGeomFilter;
using orbisk::geometry::kGeomTolerance;

namespace {

// Depths closer than this are equal when hits are ordered.
constexpr double kDepthEpsilon = 1e-6;
// An edge or guide point this close to a face's plane lies in it.
constexpr double kOnPlaneDistance = 1e-6;

int TypeOf(const CEntity* entity)
{
    return entity ? entity->GetEntityType() : -1;
}

bool IsLineLike(const CEntity* entity)
{
    const int type = TypeOf(entity);
    return type == kEntityEdge || type == kEntityConstructionLine || type == kEntityConstructionPoint;
}

}  // namespace

CTransform3d PickHit::GetPathTransform() const
{
    CTransform3d placement;
    for (size_t i = 0; i + 1 < path.size(); ++i) {
        if (const auto* instance = dynamic_cast<const CComponentInstance*>(path[i]))
            placement = placement * instance->GetTransform();
    }
    return placement;
}

// -------------------------------------------------------------------------------------------
// Set-up.

CPickHelper::CPickHelper() = default;

CPickHelper::CPickHelper(IZphView* view, const int pixel[2], int aperture)
{
    if (!view)
        return;
    SetupRay(view, pixel[0], pixel[1]);
    m_pickMode = kPointPick;
    m_apertureSize = aperture > 0 ? aperture : kDefaultAperture;
    const double half = m_apertureSize / 2.0;
    m_x0 = m_pixelX - half, m_x1 = m_pixelX + half;
    m_y0 = m_pixelY - half, m_y1 = m_pixelY + half;
    SetCornersFromWindow();
    m_view->PushApertureFilter(pixel, m_apertureSize);
    Reset();
}

void CPickHelper::SetupWindow(IZphView* view, const int cornerA[2], const int cornerB[2], int mode)
{
    if (!view)
        return;
    SetupRay(view, (cornerA[0] + cornerB[0]) / 2, (cornerA[1] + cornerB[1]) / 2);
    m_pickMode = mode == kWindowPick ? kWindowPick : kCrossingPick;
    m_apertureSize = 0;
    // A single click still spans a pixel.
    auto span = [](int a, int b, double& lo, double& hi) {
        lo = std::min(a, b), hi = std::max(a, b);
        if (a == b)
            lo -= 0.5, hi += 0.5;
    };
    span(cornerA[0], cornerB[0], m_x0, m_x1);
    span(cornerA[1], cornerB[1], m_y0, m_y1);
    SetCornersFromWindow();
    if (m_pickMode == kWindowPick)
        m_view->PushWindowFilter(m_x0, m_x1, m_y0, m_y1);
    else
        m_view->PushCrossingWindowFilter(m_x0, m_x1, m_y0, m_y1);
    Reset();
}

void CPickHelper::SetupRay(IZphView* view, int x, int y)
{
    m_view = view;
    m_pixelX = x, m_pixelY = y;
    const int pixel[2] = {x, y};
    m_view->GetPickRay(m_modelRay, pixel);
    m_localRay = m_modelRay;
    if (m_view->GetGeometryFilter())
        m_view->ClearGeometryFilters();
}

void CPickHelper::SetCornersFromWindow()
{
    const CViewDefinition* definition = m_view->GetViewDefinition();
    const double xs[4] = {m_x0, m_x1, m_x0, m_x1};
    const double ys[4] = {m_y1, m_y1, m_y0, m_y0};
    for (int i = 0; i < 4; ++i) {
        m_modelCorners[i] = definition ? definition->ScreenToModel(xs[i], ys[i]) : CPoint3d();
        m_localCorners[i] = m_modelCorners[i];
    }
}

CPickHelper::~CPickHelper()
{
    m_hits.clear();
    if (m_view)
        m_view->ClearGeometryFilters();
}

void CPickHelper::GetWindow(double& x0, double& x1, double& y0, double& y1) const
{
    x0 = m_x0, x1 = m_x1, y0 = m_y0, y1 = m_y1;
}

void CPickHelper::Reset()
{
    m_hits.clear();
    m_validCount = 0;
    m_frontFace = nullptr;
    m_modelNear = m_modelFar = 0.0;
    const CViewDefinition* definition = m_view ? m_view->GetViewDefinition() : nullptr;
    if (definition) {
        // The planes lie across the view direction; the ray meets them farther out the more it
        // slants.
        const double slant = m_modelRay.direction.Dot(definition->GetCamera().GetDirection());
        if (std::abs(slant) > orbisk::geometry::kNearZero) {
            m_modelNear = definition->GetNear() / slant;
            m_modelFar = definition->GetFar() / slant;
        }
    }
    std::tie(m_nearParameter, m_farParameter) = LocalDepthLimits();
}

// -------------------------------------------------------------------------------------------
// The drawing sink.

std::pair<double, double> CPickHelper::LocalDepthLimits() const
{
    if (!m_view)
        return {m_modelNear, m_modelFar};
    const CTransform3d localFromModel = m_view->GetInverseTransform();
    // Measured in the coordinates the entities test their geometry in, whatever the scale of
    // the placements entered.
    auto along = [&](double t) {
        return m_localRay.GetParameter(localFromModel.MultiplyPoint(m_modelRay.GetPointAt(t)));
    };
    return {along(m_modelNear), along(m_modelFar)};
}

void CPickHelper::CarryIntoLocal()
{
    const CTransform3d localFromModel = m_view->GetInverseTransform();
    m_localRay = localFromModel.MultiplyRay(m_modelRay);
    for (int i = 0; i < 4; ++i)
        m_localCorners[i] = localFromModel.MultiplyPoint(m_modelCorners[i]);
}

void CPickHelper::PushTransform(const CTransform3d& t, bool applyToGL)
{
    if (!m_view)
        return;
    m_view->PushTransform(t, applyToGL);
    CarryIntoLocal();
    m_savedParameters.emplace_back(m_nearParameter, m_farParameter);
    std::tie(m_nearParameter, m_farParameter) = LocalDepthLimits();
}

void CPickHelper::PopTransform(bool applyToGL)
{
    if (!m_view)
        return;
    m_view->PopTransform(applyToGL);
    CarryIntoLocal();
    if (!m_savedParameters.empty()) {
        std::tie(m_nearParameter, m_farParameter) = m_savedParameters.back();
        m_savedParameters.pop_back();
    }
}

bool CPickHelper::HasElements()
{
    return m_view && m_view->HasElements();
}

CTransform3d CPickHelper::GetTransform()
{
    return m_view ? m_view->GetTransform() : CTransform3d();
}

CTransform3d CPickHelper::GetInverseTransform()
{
    return m_view ? m_view->GetInverseTransform() : CTransform3d();
}

CPoint3d CPickHelper::GetEyePoint()
{
    return m_view ? m_view->GetEyePoint() : CPoint3d();
}

CVector3d CPickHelper::GetViewDirection()
{
    return m_view ? m_view->GetViewDirection() : CVector3d(0, 0, 1);
}

void CPickHelper::SetEyeAndDirection(const CPoint3d& eye, const CVector3d& direction)
{
    if (m_view)
        m_view->SetEyeAndDirection(eye, direction);
}

IGeomFilter* CPickHelper::GetGeometryFilter()
{
    return m_view ? m_view->GetGeometryFilter() : nullptr;
}

void CPickHelper::ClearGeometryFilters()
{
    if (m_view)
        m_view->ClearGeometryFilters();
}

void CPickHelper::PushGeometryFilter(IGeomFilter* filter)
{
    if (m_view)
        m_view->PushGeometryFilter(filter);
    else
        delete filter;
}

void CPickHelper::PopGeometryFilter()
{
    if (m_view)
        m_view->PopGeometryFilter();
}

void CPickHelper::PushSectionPlane(CSectionPlane* plane, bool clip)
{
    if (m_view)
        m_view->PushSectionPlane(plane, clip);
}

int CPickHelper::PopSectionPlane(bool clip)
{
    return m_view ? m_view->PopSectionPlane(clip) : 0;
}

void CPickHelper::SetDrawFlags(bool off)
{
    if (m_view)
        m_view->SetDrawFlags(off);
}

CSectionPlaneStack* CPickHelper::GetSectionPlaneStack()
{
    return m_view ? m_view->GetSectionPlaneStack() : nullptr;
}

// -------------------------------------------------------------------------------------------
// The tests of geometry against the pick volume.

bool CPickHelper::HasActiveSectionPlanes()
{
    const CSectionPlaneStack* planes = GetSectionPlaneStack();
    return planes && !planes->IsEmpty() && !planes->IsSwitchedOff();
}

int CPickHelper::PickPoint(const CPoint3d& point)
{
    const IGeomFilter* filter = GetGeometryFilter();
    if (!filter)
        return 0;
    if (HasActiveSectionPlanes() && !GetSectionPlaneStack()->IsPointVisible(point))
        return 2;
    return filter->TestPoint(point) ? 1 : 0;
}

int CPickHelper::PickSegment(const CPoint3d& start, const CPoint3d& end)
{
    const IGeomFilter* filter = GetGeometryFilter();
    if (!filter)
        return 0;
    CPoint3d a = start, b = end;
    if (HasActiveSectionPlanes() && !GetSectionPlaneStack()->ClipSegment(a, b))
        return 2;
    return filter->TestSegment(a, b) ? 1 : 0;
}

int CPickHelper::PickLine(const CLine3d& line)
{
    CPoint3d start, end;
    const bool hasStart = line.GetStartPoint(start);
    const bool hasEnd = line.GetEndPoint(end);
    if (m_pickMode == kWindowPick || m_pickMode == kExtentsWalk) {
        // Inside a window only when the whole of it is.
        if (!hasStart || !hasEnd)
            return 0;
        return PickPoint(start) == 1 && PickPoint(end) == 1 ? 1 : 0;
    }
    CPoint3d onRay, onLine;
    if (!m_localRay.ClosestPoints(line, onRay, onLine))
        return 0;
    if (m_localRay.GetParameter(onRay) < 0.0)
        return 0;
    if (hasStart && hasEnd)
        return PickSegment(start, end);
    const double t = line.GetParameter(onLine);
    if (hasStart) {
        if (PickPoint(start) == 1)
            return 1;
        return t < line.t0 ? 0 : PickPoint(onLine);
    }
    if (hasEnd) {
        if (PickPoint(end) == 1)
            return 1;
        return t > line.t1 ? 0 : PickPoint(onLine);
    }
    // Unbounded both ways: only its point nearest the ray can be under the cursor.
    return PickPoint(onLine);
}

bool CPickHelper::TestBox(const CBoundingBox3d& box)
{
    const IGeomFilter* filter = GetGeometryFilter();
    bool fullyInside = false;
    return filter && filter->TestBox(box, fullyInside);
}

bool CPickHelper::IsEntityVisible(CEntity* entity)
{
    auto* element = dynamic_cast<CDrawingElement*>(entity);
    return element && element->IsVisible(m_view);
}

IModelView* CPickHelper::GetView()
{
    return m_view;
}

void CPickHelper::PopPathEntity()
{
    if (!m_path.empty())
        m_path.pop_back();
}

double CPickHelper::DistanceToFilterPlane(const CPoint3d& point, int index)
{
    const IGeomFilter* filter = GetGeometryFilter();
    const CPlane3d* plane = filter ? filter->GetPlane(index) : nullptr;
    return plane ? plane->DistanceTo(point) : kGeomTolerance;
}

void CPickHelper::GetApertureCorners(CPoint3d (&corners)[4])
{
    std::copy(std::begin(m_localCorners), std::end(m_localCorners), corners);
}

// -------------------------------------------------------------------------------------------
// The walk and its hits.

void CPickHelper::AddHit(CEntity* entity, bool force, bool useTag)
{
    if (!entity)
        return;
    PickHit hit;
    if (m_pickMode == kPointPick) {
        auto* element = dynamic_cast<CDrawingElement*>(entity);
        double t0 = 0.0, t1 = 0.0;
        if (!element || !element->Pick(this, t0, t1))
            return;
        double lo = std::min(t0, t1), hi = std::max(t0, t1);
        if (lo < 0.0)
            lo = hi = m_nearParameter;
        if (!force && (lo < m_nearParameter || hi > m_farParameter))
            return;
        const double range = m_farParameter - m_nearParameter;
        if (range > 0.0) {
            hit.nearDepth = (lo - m_nearParameter) / range;
            hit.farDepth = (hi - m_nearParameter) / range;
        }
    }
    if (m_fullPath || m_path.empty()) {
        hit.path = m_path;
        hit.path.push_back(entity);
    } else {
        hit.path.push_back(m_path.front());
    }
    hit.tag = useTag ? m_hitTag : 0;
    m_hits.push_back(std::move(hit));
}

void CPickHelper::BeginPick(bool atRoot)
{
    // From the root, geometry outside a component being edited is faded or hidden as drawn;
    // a walk that starts inside a component sees all of it.
    CZephyronModel* model = m_view->GetModel();
    if (atRoot && model)
        m_view->PushDrawModeForModel(model);
    else
        m_view->PushDrawMode(0);
}

void CPickHelper::EndPick()
{
    m_view->PopDrawMode();
}

int CPickHelper::Pick(CDrawingElement* root)
{
    if (!m_view)
        return 0;
    Reset();
    CZephyronModel* model = m_view->GetModel();
    const bool atRoot = model && root == model->GetRoot();
    BeginPick(atRoot);
    const bool clipByActivePath = !atRoot && model;
    if (clipByActivePath)
        model->PushActivePathSectionPlanes(this, false, false);
    if (root)
        root->PickInside(this);
    if (clipByActivePath)
        model->PopActivePathSectionPlanes(this, false, false);
    EndPick();

    if (m_pickMode == kPointPick && model) {
        const auto* options = dynamic_cast<const CRenderingOptions*>(m_view->GetRenderingOptions());
        CZphCS* axes = model->GetDrawingAxes();
        if (options && options->GetAxesShown() && axes && !axes->IsHidden(m_view) &&
            (axes->PickInside(this) & 1))
            AddHit(axes, true, false);
    }
    m_validCount = static_cast<int>(m_hits.size());
    if (m_pickMode == kPointPick && m_validCount > 0)
        SortHits();
    return m_validCount;
}

// -------------------------------------------------------------------------------------------
// Hit order.

bool CPickHelper::ElementOnFace(const PickHit& element, const PickHit& face)
{
    const auto* faceEntity = dynamic_cast<const CFace*>(face.GetEntity());
    const CEntity* entity = element.GetEntity();
    if (!faceEntity || !IsLineLike(entity))
        return false;
    const CPlane3d plane = face.GetPathTransform().MultiplyPlane(faceEntity->GetPlane());
    const CTransform3d placement = element.GetPathTransform();
    if (const auto* edge = dynamic_cast<const CEdge*>(entity)) {
        if (!edge->GetStart() || !edge->GetEnd())
            return false;
        return plane.DistanceTo(placement.MultiplyPoint(edge->GetStart()->GetPosition())) <
                   kOnPlaneDistance &&
               plane.DistanceTo(placement.MultiplyPoint(edge->GetEnd()->GetPosition())) < kOnPlaneDistance;
    }
    if (const auto* guide = dynamic_cast<const CConstructionLine*>(entity)) {
        CRay3d line;
        guide->GetLine(line);
        line = placement.MultiplyRay(line);
        return plane.DistanceTo(line.origin) < kGeomTolerance &&
               std::abs(line.direction.Dot(plane.GetNormal())) < kOnPlaneDistance;
    }
    if (const auto* point = dynamic_cast<const CConstructionPoint*>(entity))
        return plane.DistanceTo(placement.MultiplyPoint(point->GetPosition())) < kOnPlaneDistance;
    return false;
}

bool CPickHelper::HitLess(const PickHit& a, const PickHit& b) const
{
    // Lines drawn on a face are picked before it, even a hair behind it.
    if (ElementOnFace(a, b))
        return true;
    if (ElementOnFace(b, a))
        return false;
    if (std::abs(a.nearDepth - b.nearDepth) >= kDepthEpsilon)
        return a.nearDepth < b.nearDepth;
    if (std::abs(a.farDepth - b.farDepth) >= kDepthEpsilon)
        return a.farDepth < b.farDepth;
    return TypeOf(a.GetEntity()) == kEntityEdge;
}

void CPickHelper::FindFrontFace()
{
    m_frontFace = nullptr;
    if (!FacesOccludeInView(m_view))
        return;
    for (const PickHit& hit : m_hits) {
        auto* face = dynamic_cast<CFace*>(hit.GetEntity());
        if (!face)
            continue;
        if (!m_frontFace || hit.farDepth <= m_frontHit.nearDepth - kDepthEpsilon) {
            m_frontFace = face;
            m_frontHit = hit;
        }
    }
    if (!m_frontFace)
        return;
    m_frontPlane = m_frontHit.GetPathTransform().MultiplyPlane(m_frontFace->GetPlane());
    const CViewDefinition* definition = m_view->GetViewDefinition();
    const CPoint3d eye = definition ? definition->GetCamera().GetEye() : m_modelRay.origin;
    if (m_frontPlane.SignedDistance(eye) < 0.0)
        m_frontPlane.Reverse();
}

bool CPickHelper::IsBehindFrontFace(const PickHit& hit) const
{
    const auto* provider = dynamic_cast<const ILineProvider*>(hit.GetEntity());
    if (!provider)
        return true;
    CRay3d line;
    provider->GetLine(line);
    line = hit.GetPathTransform().MultiplyRay(line);
    CPoint3d onLine, onRay;
    if (!line.ClosestPoints(m_modelRay, onLine, onRay))
        onLine = line.origin;
    // A line reaching to the front of the face shows in front of it.
    return m_frontPlane.SignedDistance(onLine) <= -kGeomTolerance;
}

void CPickHelper::SortHits()
{
    FindFrontFace();
    // Each hit in turn is placed among those before it by a binary search.
    for (size_t i = 1; i < m_hits.size(); ++i) {
        auto place = std::upper_bound(m_hits.begin(), m_hits.begin() + i, m_hits[i],
                                      [this](const PickHit& a, const PickHit& b) { return HitLess(a, b); });
        std::rotate(place, m_hits.begin() + i, m_hits.begin() + i + 1);
    }
    if (!m_frontFace)
        return;
    for (int i = 0; i < m_validCount; ++i) {
        const PickHit& hit = m_hits[i];
        if (hit.nearDepth >= m_frontHit.farDepth + kDepthEpsilon && IsBehindFrontFace(hit)) {
            m_validCount = i;
            return;
        }
    }
}

bool CPickHelper::GetNearestPickPoint(CPoint3d& point)
{
    CZephyronModel* model = m_view ? m_view->GetModel() : nullptr;
    if (!model)
        return false;
    const bool fullPath = m_fullPath;
    m_fullPath = true;
    Pick(model->GetRoot());
    m_fullPath = fullPath;

    const CViewDefinition* definition = m_view->GetViewDefinition();
    const double nearDistance = definition ? definition->GetNear() : 0.0;
    double best = std::numeric_limits<double>::infinity();
    for (int i = 0; i < m_validCount; ++i) {
        const PickHit& hit = m_hits[i];
        const CTransform3d placement = hit.GetPathTransform();
        CPoint3d candidate;
        double depth = 0.0;
        if (const auto* face = dynamic_cast<const CFace*>(hit.GetEntity())) {
            if (!m_modelRay.Intersect(placement.MultiplyPlane(face->GetPlane()), candidate))
                continue;
            depth = candidate.DistanceTo(m_modelRay.origin);
        } else if (const auto* edge = dynamic_cast<const CEdge*>(hit.GetEntity())) {
            if (!edge->GetStart() || !edge->GetEnd())
                continue;
            orbisk::geometry::ClosestPointOnSegmentToLine(
                placement.MultiplyPoint(edge->GetStart()->GetPosition()),
                placement.MultiplyPoint(edge->GetEnd()->GetPosition()), m_modelRay.origin,
                m_modelRay.direction, candidate);
            depth = m_modelRay.GetParameter(candidate);
            if (depth <= nearDistance)
                continue;
        } else {
            continue;
        }
        if (depth < best)
            best = depth, point = candidate;
    }
    return std::isfinite(best);
}
