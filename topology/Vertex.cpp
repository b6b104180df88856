#include "topology/Vertex.h"

#include <utility>
#include <vector>

#include "geometry/Transform3d.h"
#include "platform/mfc/Archive.h"
#include "support/ArchiveOperators.h"
#include "topology/ArcCurve.h"
#include "topology/Edge.h"
#include "topology/EdgeUse.h"
#include "topology/TopologyEnumerators.h"

IMPLEMENT_SERIAL(CVertex, CEntity, VERSIONABLE_SCHEMA | 0)

using orbisk::geometry::CPlane3d;
using orbisk::geometry::kGeomTolerance;
using orbisk::geometry::kPi;

namespace {

constexpr double kHalfPi = kPi / 2.0;

// The arc an edge lies on while it still counts edges, or null.
CArcCurve* LiveArcOf(const CEdge* edge)
{
    auto* arc = dynamic_cast<CArcCurve*>(edge->GetCurve());
    return arc && arc->GetEdgeCount() > 0 ? arc : nullptr;
}

}  // namespace

CVertex::CVertex(const CVertex& other) : CEntity(other), m_position(other.m_position), m_edges(other.m_edges)
{}

void CVertex::Serialize(CArchive& ar)
{
    ReadDroppingOnFailure(ar, [&] {
        SerializeGuarded(ar, [&] {
            CEntity::Serialize(ar);
            if (ar.IsLoading())
                ar >> m_position;
            else
                ar << m_position;
        });
    });
}

void CVertex::Erase()
{
    MarkChanged();
    for (int i = 0; i < m_edges.GetCount(); ++i) {
        if (CEdge* edge = GetEdge(i))
            edge->ForgetVertex(this, true);
    }
    CEntity::Erase();
}

void CVertex::Transform(const orbisk::geometry::CTransform3d& transform)
{
    MarkChanged();
    m_position = transform.MultiplyPoint(m_position);
}

CEntity* CVertex::CreateCopy() const
{
    return new CVertex(*this);
}

void CVertex::SwapContents(CEntity& other)
{
    CEntity::SwapContents(other);
    auto& vertex = static_cast<CVertex&>(other);
    std::swap(m_position, vertex.m_position);
    m_edges.Swap(vertex.m_edges);
}

CEntity* CVertex::GetParent() const
{
    if (CEntity* parent = CEntity::GetParent())
        return parent;
    for (int i = 0; i < m_edges.GetCount(); ++i) {
        CEdge* edge = GetEdge(i);
        if (CEntity* parent = edge ? edge->GetParent() : nullptr)
            return parent;
    }
    return nullptr;
}

void CVertex::CutLinks()
{
    for (int i = 0; i < m_edges.GetCount(); ++i) {
        if (CEdge* edge = GetEdge(i))
            edge->ForgetVertex(this, false);
    }
    m_edges.SetCapacity(0);
}

void CVertex::SetPosition(const CPoint3d& position)
{
    MarkChanged();
    m_position = position;
}

CEdge* CVertex::GetEdge(int index) const
{
    return static_cast<CEdge*>(m_edges.GetAt(index));
}

void CVertex::ForgetEdge(const CEdge* edge)
{
    while (m_edges.Remove(edge)) {}
}

bool CVertex::HasEdge(const CEdge* edge) const
{
    return m_edges.Contains(edge);
}

bool CVertex::AddEdge(CEdge* edge, bool splitCurve)
{
    if (m_edges.IsFull())
        return false;
    MarkChanged();
    CEdge* first = nullptr;
    CEdge* second = nullptr;
    // A third edge at an inner point of a curve's chain: the curve ends here now.
    if (splitCurve && GetSharedCurveEdges(first, second))
        first->GetCurve()->SplitAt(this, first, second);
    return m_edges.Append(edge);
}

void CVertex::RemoveEdge(CEdge* edge, bool mergeArcs)
{
    MarkChanged();
    m_edges.Remove(edge);
    if (mergeArcs)
        MergeArcsMeetingHere();
}

// Two arcs of one circle that now meet here with nothing else but soft edges become one.
void CVertex::MergeArcsMeetingHere()
{
    CEdge* edgeA = nullptr;
    CArcCurve* arcA = nullptr;
    CArcCurve* arcB = nullptr;
    int counted = 0;
    for (int i = 0; i < m_edges.GetCount(); ++i) {
        CEdge* edge = GetEdge(i);
        if (!edge)
            continue;
        CArcCurve* arc = LiveArcOf(edge);
        if (!arc) {
            if (!edge->IsSoft())
                return;
            continue;
        }
        if (++counted == 1) {
            edgeA = edge;
            arcA = arc;
        } else if (counted == 2) {
            arcB = arc;
        }
    }
    if (counted != 2 || arcA == arcB)
        return;
    const auto& a = arcA->GetArc();
    const auto& b = arcB->GetArc();
    if (!a.plane.IsEqual(b.plane, false, kGeomTolerance) || !a.center.IsEqual(b.center, kGeomTolerance))
        return;
    for (double angle : {0.0, kHalfPi}) {
        const CPoint3d onB = b.GetPointAt(angle);
        if (!a.GetPointAt(a.GetAngleOfPoint(onB)).IsEqual(onB, kGeomTolerance))
            return;
    }
    const bool sameSense = a.plane.IsEqual(b.plane, true, kGeomTolerance);
    const bool aStarts = arcA->GetStartVertex() == this, aEnds = arcA->GetEndVertex() == this;
    const bool bStarts = arcB->GetStartVertex() == this, bEnds = arcB->GetEndVertex() == this;
    const bool joined =
        sameSense ? (aStarts && bEnds) || (aEnds && bStarts) : (aStarts && bStarts) || (aEnds && bEnds);
    if (!joined)
        return;
    arcA->MarkChanged();
    arcB->MarkChanged();
    std::vector<CEdge*> moving;
    arcB->GetEdgesInOrder(moving);
    for (CEdge* edge : moving) {
        edge->SetCurve(arcA);
        arcB->Release();
    }
    arcA->FindEnds(edgeA);
    arcA->ResetParameterization(true, false);
}

void CVertex::Absorb(CVertex* other)
{
    if (!other || other == this || !m_position.IsEqual(other->m_position, kGeomTolerance))
        return;
    other->NotifyReferencers(3, this);
    MarkChanged();
    if (!other->HasEdges()) {
        other->Erase();
        return;
    }
    // Moving the last edge away erases the other vertex.
    for (int i = other->GetEdgeCount() - 1; i >= 0; --i) {
        CEdge* edge = other->GetEdge(i);
        if (!edge)
            continue;
        if (edge->GetStart() == other)
            edge->SetStart(this, false);
        else
            edge->SetEnd(this, false);
    }
}

CEdge* CVertex::FindEdgeTo(const CVertex* other) const
{
    for (int i = 0; i < m_edges.GetCount(); ++i) {
        CEdge* edge = GetEdge(i);
        if (edge && edge->UsesVertex(other))
            return edge;
    }
    return nullptr;
}

CEdge* CVertex::GetOtherEdge(const CEdge* edge) const
{
    for (int i = 0; i < m_edges.GetCount(); ++i) {
        if (GetEdge(i) != edge)
            return GetEdge(i);
    }
    return nullptr;
}

bool CVertex::TouchesFace(const CEntity* face) const
{
    for (int i = 0; i < m_edges.GetCount(); ++i) {
        CEdge* edge = GetEdge(i);
        if (edge && edge->IsUsedByFace(face))
            return true;
    }
    return false;
}

CEdgeUse* CVertex::FindEdgeUseInFace(const CEntity* face) const
{
    for (int i = 0; i < m_edges.GetCount(); ++i) {
        CEdge* edge = GetEdge(i);
        if (CEdgeUse* use = edge ? edge->FindUseInFace(face) : nullptr)
            return use;
    }
    return nullptr;
}

bool CVertex::GetSharedCurveEdges(CEdge*& first, CEdge*& second) const
{
    first = second = nullptr;
    int onCurves = 0;
    for (int i = 0; i < m_edges.GetCount(); ++i) {
        CEdge* edge = GetEdge(i);
        if (!edge || !edge->GetCurve())
            continue;
        ++onCurves;
        if (!first)
            first = edge;
        else if (!second)
            second = edge;
    }
    return onCurves == 2 && first->GetCurve() == second->GetCurve();
}

void CVertex::ReleaseEdgeCurves()
{
    for (int i = 0; i < m_edges.GetCount(); ++i) {
        CEdge* edge = GetEdge(i);
        CCurve* curve = edge ? edge->GetCurve() : nullptr;
        if (!curve)
            continue;
        edge->SetCurve(nullptr);
        curve->Release();
    }
}

CEnumEdge* CVertex::NewEdgeEnumerator() const
{
    return new CEnumEdgeArray(m_edges);
}

CEnumLoop* CVertex::NewLoopEnumerator() const
{
    return new CEnumLoopVertex(this);
}

CEnumFace* CVertex::NewFaceEnumerator() const
{
    return new CEnumFaceVertex(this);
}

int CVertex::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CVertex), map, [&] { return CEntity::CheckValidity(level, map); },
        [&] { return CheckOwnValidity(level, map); });
}

int CVertex::CheckOwnValidity(int level, CCheckedObjectMap* map)
{
    const CString name = DescribeEntity(this);
    int result = 0;
    if (level != kValidityCheckIgnoringIds) {
        if (CEntity::GetParent()) {
            AppendValidityMessage("The parent for %s is not NULL", name.GetString());
            if (ShouldFix(level)) {
                MarkChanged();
                SetParent(nullptr);
            } else {
                result = 1;
            }
        }
        if (!m_position.IsValid()) {
            AppendValidityMessage("The position for %s is not valid", name.GetString());
            if (ShouldFix(level)) {
                MarkChanged();
                m_position = CPoint3d();
            } else {
                result = 1;
            }
        }
    }
    bool cleared = false;
    for (int i = 0; i < m_edges.GetCount(); ++i) {
        CObject* item = m_edges.GetAt(i);
        if (!item || !item->IsKindOf(RUNTIME_CLASS(CEdge))) {
            AppendValidityMessage("Edge %d attached to %s not a CEdge\n", i, name.GetString());
            RecordValidity(item, 3, map);
            return 3;
        }
        auto* edge = static_cast<CEdge*>(item);
        if (map && level != kValidityCheckIgnoringIds && !edge->UsesVertex(this)) {
            AppendValidityMessage("%s references %s that does not use it", name.GetString(),
                                  DescribeEntity(edge).GetString());
            if (ShouldFix(level)) {
                m_edges.SetAt(i, nullptr);
                cleared = true;
            } else {
                result = 1;
            }
        }
    }
    if (level != kValidityCheckIgnoringIds) {
        for (int i = 0; i < m_edges.GetCount(); ++i) {
            for (int j = i + 1; j < m_edges.GetCount(); ++j) {
                if (!m_edges.GetAt(i) || m_edges.GetAt(j) != m_edges.GetAt(i))
                    continue;
                AppendValidityMessage("%s references %s more than once", name.GetString(),
                                      DescribeEntity(GetEdge(j)).GetString());
                if (ShouldFix(level)) {
                    m_edges.SetAt(j, nullptr);
                    cleared = true;
                } else {
                    result = 1;
                }
            }
        }
    }
    if (cleared) {
        MarkChanged();
        std::vector<CObject*> kept;
        for (int i = 0; i < m_edges.GetCount(); ++i) {
            if (m_edges.GetAt(i))
                kept.push_back(m_edges.GetAt(i));
        }
        m_edges.RemoveAll();
        for (CObject* item : kept)
            m_edges.Append(item);
    }
    return result;
}
