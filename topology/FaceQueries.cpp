// The face's geometric queries: area, where a point lies against it, the element nearest a
// point, and the coplanar hole its outer loop may fill; and the material and colour it answers
// for a view or a colour context, which sorting, the scene-graph builders and export ask.

#include <algorithm>
#include <cmath>
#include <memory>
#include <unordered_set>
#include <vector>

#include "database/Material.h"
#include "geometry/Tolerance.h"
#include "topology/Edge.h"
#include "topology/EdgeUse.h"
#include "topology/Face.h"
#include "topology/FaceOpenings.h"
#include "topology/Loop.h"
#include "topology/Vertex.h"

using orbisk::geometry::CBoundingBox3d;
using orbisk::geometry::CPlane3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CVector3d;
using orbisk::geometry::kGeomTolerance;

namespace {

// Loops number a point on a vertex 2 and on an edge 4; faces the other way round.
int FaceClassOf(int loopClass)
{
    switch (loopClass) {
        case CLoop::kInside: return CFace::kInside;
        case CLoop::kOnVertex: return CFace::kOnVertex;
        case CLoop::kOnEdge: return CFace::kOnEdge;
        default: return CFace::kOutside;
    }
}

// Shorter edges have no direction.
constexpr double kShortestEdge = 1e-10;

}  // namespace

double CFace::GetArea(const CTransform3d* transform) const
{
    const CPlane3d plane = transform ? transform->MultiplyPlane(m_plane) : m_plane;
    const CVector3d normal = plane.GetNormal();
    double area = 0.0;
    for (int i = 0; i < m_loops.GetCount(); ++i) {
        const CLoop* loop = GetLoop(i);
        if (!loop)
            continue;
        const double loopArea = std::abs(loop->GetArea(normal, transform));
        area += loop->IsOuter() ? loopArea : -loopArea;
    }
    std::unique_ptr<CEnumOpeningLoop> openings(NewOpeningEnumerator(nullptr));
    if (openings) {
        IOpeningLoop* opening = nullptr;
        while (openings->Next(opening)) {
            if (opening)
                area += opening->GetArea(transform);
        }
    }
    return area;
}

int CFace::ClassifyPoint(const CPoint3d& point, double tolerance, bool skipOpenings) const
{
    if (m_loops.IsEmpty())
        return kNoLoops;
    if (m_plane.DistanceTo(point) > tolerance)
        return kOffPlane;
    CBoundingBox3d box = GetCachedBounds();
    box.Expand(kGeomTolerance);
    if (!box.Contains(point))
        return kOutside;
    const int axis = GetDominantAxis();
    const CLoop* outer = GetOuterLoop();
    if (!outer)
        return kOutside;
    const int outerClass = FaceClassOf(outer->ClassifyPoint(point, tolerance, axis));
    if (outerClass != kInside)
        return outerClass;
    for (int i = 1; i < m_loops.GetCount(); ++i) {
        const CLoop* hole = GetLoop(i);
        if (!hole)
            continue;
        const int holeClass = FaceClassOf(hole->ClassifyPoint(point, tolerance, axis));
        if (holeClass == kInside)
            return kOutside;
        if (holeClass != kOutside)
            return holeClass;
    }
    if (skipOpenings)
        return kInside;
    return ClassifyAgainstOpenings(point, tolerance, axis);
}

int CFace::ClassifyAgainstOpenings(const CPoint3d& point, double tolerance, int axis) const
{
    std::unique_ptr<CEnumOpeningLoop> openings(NewOpeningEnumerator(nullptr));
    if (!openings)
        return kInside;
    IOpeningLoop* opening = nullptr;
    while (openings->Next(opening)) {
        const CLoop* loop = opening ? opening->GetPerimeterLoop() : nullptr;
        if (!loop)
            continue;
        const CTransform3d placement = opening->GetPlacement();
        const int openingClass = FaceClassOf(loop->ClassifyPoint(point, tolerance, axis, &placement));
        if (openingClass == kInside)
            return kOutside;
        if (openingClass != kOutside)
            return openingClass;
    }
    return kInside;
}

CEntity* CFace::FindNearestVertexOrEdge(const CPoint3d& point) const
{
    std::vector<const CEdgeUse*> uses;
    for (int i = 0; i < m_loops.GetCount(); ++i) {
        if (const CLoop* loop = GetLoop(i)) {
            for (const CEdgeUse* use : loop->GetEdgeUses())
                uses.push_back(use);
        }
    }
    for (const CEdgeUse* use : uses) {
        CVertex* vertex = use->GetStartVertex();
        if (vertex && vertex->GetPosition().DistanceTo(point) < kGeomTolerance)
            return vertex;
    }
    for (const CEdgeUse* use : uses) {
        CEdge* edge = use->GetEdge();
        if (!edge || !edge->GetStart() || !edge->GetEnd())
            continue;
        const CPoint3d start = edge->GetStart()->GetPosition();
        const CVector3d along = edge->GetEnd()->GetPosition() - start;
        const double length = along.Length();
        const CVector3d direction = length < kShortestEdge ? CVector3d() : along * (1.0 / length);
        const CVector3d toPoint = point - start;
        const double t = toPoint.Dot(direction);
        if (!(t > 0.0 && t < length))
            continue;
        if (direction.Cross(toPoint).Length() < kGeomTolerance)
            return edge;
    }
    return const_cast<CFace*>(this);
}

CLoop* CFace::FindCoplanarHoleLoop() const
{
    const CLoop* outer = GetOuterLoop();
    if (!outer)
        return nullptr;
    auto qualifies = [&](const CLoop* loop) {
        if (!loop || loop->IsOuter())
            return false;
        const IFace* face = AsFace(loop->GetFace());
        return face && face->GetPlane().IsEqual(m_plane, false, kGeomTolerance);
    };
    std::vector<CLoop*> candidates;
    bool first = true;
    for (const CEdgeUse* use : outer->GetEdgeUses()) {
        const CEdge* edge = use->GetEdge();
        std::unique_ptr<CEnumEdgeUse> partners(use->NewPartnerEnumerator());
        // A partner ring read from a file may close on itself past its start.
        std::unordered_set<const CEdgeUse*> seen;
        CEdgeUse* partner = nullptr;
        while (partners && partners->Next(partner) && seen.insert(partner).second) {
            CLoop* loop = partner ? partner->GetLoop() : nullptr;
            if (!qualifies(loop))
                continue;
            if (first) {
                candidates.push_back(loop);
                continue;
            }
            std::erase_if(candidates, [&](const CLoop* candidate) { return !candidate->UsesEdge(edge); });
        }
        first = false;
        if (candidates.empty())
            break;
    }
    return candidates.empty() ? nullptr : candidates.front();
}

CMaterial* CFace::GetMaterialForView(IModelView* view)
{
    return GetSideMaterial(view, IsFrontFacing(view), nullptr);
}

CDrawingElement::CColor CFace::GetColorForView(IModelView* view)
{
    CColor color;
    GetSideColor(color, view, IsFrontFacing(view));
    return color;
}

CMaterial* CFace::GetFrontMaterial(const IColorContext* context) const
{
    if (CMaterial* material = GetMaterial())
        return material;
    return context ? context->GetCurrentMaterial() : nullptr;
}

CDrawingElement::CColor CFace::GetSolidColor(const IColorContext* context)
{
    CColor color;
    const CMaterial* material = GetFrontMaterial(context);
    if (material && material->IsPlainColor()) {
        color = material->GetColor();
    } else {
        if (material && material->GetDisplayColor() != CColor())
            color = material->GetDisplayColor();
        if (context && context->GetOverrideColor() != CColor())
            color = context->GetOverrideColor();
    }
    // 0 stays no colour.
    if (color != CColor())
        color.alpha = 255;
    return color;
}
