#include "topology/Edge.h"

#include <unordered_set>
#include <utility>
#include <vector>

#include "database/ArchiveReading.h"
#include "database/ArchiveSchema.h"
#include "database/CurrentModel.h"
#include "database/EntitySet.h"
#include "database/IComponent.h"
#include "database/IModelView.h"
#include "platform/mfc/Archive.h"
#include "topology/ArcCurve.h"
#include "topology/CurveFixupList.h"
#include "topology/EdgeUse.h"
#include "topology/EntityExportVisitor.h"
#include "topology/IEdgeDisplayOptions.h"
#include "topology/IFace.h"
#include "topology/Loop.h"
#include "topology/TopologyEnumerators.h"
#include "topology/Vertex.h"

IMPLEMENT_SERIAL(CEdge, CDrawingElement, VERSIONABLE_SCHEMA | 2)

using orbisk::geometry::CPoint3d;
using orbisk::geometry::CRay3d;
using orbisk::geometry::kGeomTolerance;

namespace {

// Event kinds an edge tells its referrers.
constexpr int kEventReplaced = 3;
constexpr int kEventCurveChanged = 5;

// The uses of an edge in partner ring order; a ring that does not come back to its first use
// ends where it would repeat.
// Nearly every ring is one or two uses long and closes on its first use; only a ring that runs
// longer than this is checked for a repeat that bypasses the first use.
constexpr int kShortRing = 16;

// Calls visit (use) for each use in ring order until it answers false; no allocation for rings
// that close on their first use within kShortRing steps.
template <typename Visit>
void ForEachUse(const CEdge& edge, Visit visit)
{
    CEdgeUse* first = edge.GetFirstUse();
    CEdgeUse* use = first;
    for (int step = 0; use && step < kShortRing; ++step) {
        if (!visit(use))
            return;
        use = use->GetPartner();
        if (use == first)
            return;
    }
    if (!use)
        return;
    // A long ring: remember what was visited so that a ring that does not come back to its
    // first use still ends where it would repeat.
    std::unordered_set<const CEdgeUse*> seen;
    for (CEdgeUse* u = first; u != use; u = u->GetPartner())
        seen.insert(u);
    for (; use && seen.insert(use).second; use = use->GetPartner()) {
        if (!visit(use))
            return;
    }
}

std::vector<CEdgeUse*> UsesOf(const CEdge& edge)
{
    std::vector<CEdgeUse*> uses;
    ForEachUse(edge, [&](CEdgeUse* use) {
        uses.push_back(use);
        return true;
    });
    return uses;
}

}  // namespace

CEdge::CEdge(CVertex* start, CVertex* end, bool splitCurve) : m_start(start), m_end(end)
{
    if (m_start)
        m_start->AddEdge(this, splitCurve);
    if (m_end)
        m_end->AddEdge(this, splitCurve);
}

CEdge::CEdge(const CEdge& other)
    : CDrawingElement(other),
      m_start(other.m_start),
      m_end(other.m_end),
      m_curve(other.m_curve),
      m_curveDirection(other.m_curveDirection),
      m_firstUse(other.m_firstUse)
{}

void CEdge::Serialize(CArchive& ar)
{
    ReadDroppingOnFailure(ar, [&] {
        SerializeGuarded(ar, [&] {
            CDrawingElement::Serialize(ar);
            if (ar.IsLoading())
                ReadRecord(ar);
            else
                WriteRecord(ar);
        });
    });
}

void CEdge::ReadRecord(CArchive& ar)
{
    const int32_t schema = GetClassVersion(RUNTIME_CLASS(CEdge));
    ar >> m_start >> m_end;
    if (schema >= 1)
        ar >> m_curve;
    m_curveDirection = kDirectionUnknown;
    // A vertex that cannot list one more edge fails the record before either vertex lists it.
    const int needed = m_start == m_end ? 2 : 1;
    for (const CVertex* vertex : {m_start, m_end}) {
        if (vertex && vertex->GetEdgeCount() + needed > CCompactPtrArray::kMaxCount)
            AfxThrowArchiveException(CArchiveException::genericException);
    }
    // A missing vertex is left for the check to report.
    if (m_start)
        m_start->AddEdge(this, false);
    if (m_end)
        m_end->AddEdge(this, false);
    if (m_curve)
        CCurveFixupList::Add(this);
}

void CEdge::WriteRecord(CArchive& ar) const
{
    ar << static_cast<const CObject*>(m_start) << static_cast<const CObject*>(m_end)
       << static_cast<const CObject*>(m_curve);
}

CEntity* CEdge::CreateCopy() const
{
    return new CEdge(*this);
}

void CEdge::SwapContents(CEntity& other)
{
    CDrawingElement::SwapContents(other);
    auto& edge = static_cast<CEdge&>(other);
    std::swap(m_start, edge.m_start);
    std::swap(m_end, edge.m_end);
    std::swap(m_firstUse, edge.m_firstUse);
    std::swap(m_curve, edge.m_curve);
    std::swap(m_curveDirection, edge.m_curveDirection);
}

void CEdge::CutLinks()
{
    for (CVertex* vertex : {m_start, m_end}) {
        if (!vertex)
            continue;
        vertex->ForgetEdge(this);
        // Vertices live through their edges: one that no edge lists any more would have no
        // owner left, so the model being read keeps it until it frees what it dropped. (Without
        // a model, whoever cuts the links frees what it read itself.)
        if (GetCurrentModel() && !vertex->HasEdges() && !vertex->GetParent())
            KeepUnownedObject(vertex);
    }
    m_start = m_end = nullptr;
    CCurveFixupList::Remove(this);
    m_curve = nullptr;
    m_curveDirection = kDirectionUnknown;
    for (CEdgeUse* use : UsesOf(*this)) {
        use->m_edge = nullptr;
        use->m_partner = use;
    }
    m_firstUse = nullptr;
}

void CEdge::ForgetVertex(const CVertex* vertex, bool announce)
{
    if (!vertex || (vertex != m_start && vertex != m_end))
        return;
    if (announce)
        MarkChanged();
    if (m_start == vertex)
        m_start = nullptr;
    if (m_end == vertex)
        m_end = nullptr;
}

void CEdge::SetStart(CVertex* vertex, bool splitCurve)
{
    SetVertex(m_start, vertex, splitCurve);
}

void CEdge::SetEnd(CVertex* vertex, bool splitCurve)
{
    SetVertex(m_end, vertex, splitCurve);
}

void CEdge::SetVertex(CVertex*& end, CVertex* vertex, bool splitCurve)
{
    if (end == vertex)
        return;
    MarkChanged();
    if (CVertex* old = std::exchange(end, nullptr)) {
        old->RemoveEdge(this, true);
        if (!old->HasEdges())
            old->Erase();
    }
    end = vertex;
    if (vertex)
        vertex->AddEdge(this, splitCurve);
}

void CEdge::LeaveVertex(CVertex*& end)
{
    CVertex* vertex = std::exchange(end, nullptr);
    if (!vertex)
        return;
    vertex->MarkChanged();
    vertex->RemoveEdge(this, true);
    if (!vertex->HasEdges())
        vertex->Erase();
}

void CEdge::SetCurve(CCurve* curve)
{
    MarkChanged();
    NotifyReferencers(kEventCurveChanged, curve);
    m_curve = curve;
    m_curveDirection = kDirectionUnknown;
    if (curve) {
        curve->AddReference();
        curve->SetParent(GetParent());
    }
}

int CEdge::GetCurveDirection()
{
    if (m_curveDirection == kDirectionUnknown && m_curve)
        m_curveDirection = m_curve->GetEdgeDirection(this);
    return m_curve ? m_curveDirection : kDirectionUnknown;
}

CArcCurve* CEdge::GetArcCurve() const
{
    return AsCircularArcCurve(m_curve);
}

void CEdge::SetFirstUse(CEdgeUse* use)
{
    MarkChanged();
    m_firstUse = use;
}

CPoint3d CEdge::GetMidpoint() const
{
    if (!m_start || !m_end)
        return m_start ? m_start->GetPosition() : m_end ? m_end->GetPosition() : CPoint3d();
    return orbisk::geometry::Midpoint(m_start->GetPosition(), m_end->GetPosition());
}

double CEdge::GetLength() const
{
    return m_start && m_end ? m_start->GetPosition().DistanceTo(m_end->GetPosition()) : 0.0;
}

CVertex* CEdge::GetOtherVertex(const CVertex* vertex) const
{
    return vertex == m_start ? m_end : m_start;
}

CVertex* CEdge::GetCommonVertex(const CEdge* other) const
{
    if (!other)
        return nullptr;
    if (m_start && other->UsesVertex(m_start))
        return m_start;
    if (m_end && other->UsesVertex(m_end))
        return m_end;
    return nullptr;
}

void CEdge::AddBounds(CBoundingBox3d& box) const
{
    for (const CVertex* vertex : {m_start, m_end}) {
        if (vertex)
            box.Add(vertex->GetPosition());
    }
}

void CEdge::AddBoundsTransformed(const orbisk::geometry::CTransform3d& transform, CBoundingBox3d& box) const
{
    for (const CVertex* vertex : {m_start, m_end}) {
        if (vertex)
            box.Add(transform.MultiplyPoint(vertex->GetPosition()));
    }
}

void CEdge::AddScreenBounds(CBoundingBox3d& box, IModelView* view) const
{
    if (!view)
        return;
    for (const CVertex* vertex : {m_start, m_end}) {
        CPoint3d onScreen;
        if (vertex && view->ModelToScreen(vertex->GetPosition(), onScreen))
            box.Add(onScreen);
    }
}

void CEdge::Transform(const orbisk::geometry::CTransform3d&)
{
    for (CEdgeUse* use : UsesOf(*this)) {
        if (IFace* face = AsFace(use->GetFace()))
            face->InvalidateBounds();
    }
}

void CEdge::GetLine(CRay3d& ray) const
{
    if (!m_start || !m_end) {
        ray = CRay3d();
        return;
    }
    ray.SetThrough(m_start->GetPosition(), m_end->GetPosition());
}

int CEdge::GetUseCount() const
{
    int count = 0;
    ForEachUse(*this, [&](CEdgeUse*) {
        ++count;
        return true;
    });
    return count;
}

CEdgeUse* CEdge::FindUseInLoop(const CLoop* loop) const
{
    CEdgeUse* found = nullptr;
    ForEachUse(*this, [&](CEdgeUse* use) {
        if (use->GetLoop() == loop)
            found = use;
        return !found;
    });
    return found;
}

CEdgeUse* CEdge::FindUseInFace(const CEntity* face) const
{
    CEdgeUse* found = nullptr;
    ForEachUse(*this, [&](CEdgeUse* use) {
        if (use->GetFace() == face)
            found = use;
        return !found;
    });
    return found;
}

CLoop* CEdge::GetLoopInFace(const CEntity* face) const
{
    CEdgeUse* use = FindUseInFace(face);
    return use ? use->GetLoop() : nullptr;
}

CEnumEdgeUse* CEdge::NewEdgeUseEnumerator() const
{
    return new CEnumEdgeUseEdge(this);
}

CEnumLoop* CEdge::NewLoopEnumerator() const
{
    return new CEnumLoopEdge(this);
}

CEnumFace* CEdge::NewFaceEnumerator() const
{
    return new CEnumFaceEdge(this);
}

bool CEdge::IsSoft(const IRenderingOptions* options) const
{
    const IEdgeDisplayOptions* display = GetEdgeDisplayOptions(options);
    if (display && !display->HidesSoftEdges())
        return false;
    return (m_flags & kSoft) != 0;
}

bool CEdge::IsSmooth(const IRenderingOptions* options) const
{
    const IEdgeDisplayOptions* display = GetEdgeDisplayOptions(options);
    if (display && !display->AveragesNormals())
        return false;
    return (m_flags & kSmooth) != 0;
}

void CEdge::SetSoftAndSmooth(bool soft, bool smooth)
{
    SetSoft(soft);
    SetFlagBit4(smooth);
}

bool CEdge::IsVisible(IModelView* view)
{
    if (!CDrawingElement::IsVisible(view) || !m_start || !m_end)
        return false;
    if (IsSelected())
        return true;
    const IEdgeDisplayOptions* display = DisplayOptionsOf(view);
    if (!display)
        return true;
    return display->GetRenderingMode() == IEdgeDisplayOptions::kWireframe ||
           display->GetRenderingMode() == IEdgeDisplayOptions::kHiddenLine ||
           display->GetEdgeDisplay() != 0 || display->AreProfilesShown();
}

CDrawingElement::CColor CEdge::GetColorForView(IModelView* view)
{
    const IRenderingOptions* options = view ? view->GetRenderingOptions() : nullptr;
    const IEdgeDisplayOptions* display = DisplayOptionsOf(view);
    const int mode = display ? display->GetEdgeColorMode() : IEdgeDisplayOptions::kEdgeColorByMaterial;
    if (mode == IEdgeDisplayOptions::kEdgeColorUniform)
        return options->GetEdgeColor();
    if (mode == IEdgeDisplayOptions::kEdgeColorByAxis && m_start && m_end) {
        CColor color;
        return view->GetColorByAxis(color, m_start->GetPosition(), m_end->GetPosition());
    }
    return CDrawingElement::GetColorForView(view);
}

bool CEdge::Accept(IEntityExportVisitor* visitor)
{
    if (!visitor || !visitor->WantsEdges())
        return true;
    const CColor color = GetSolidColor(nullptr);
    CLayer* layer = GetLayer();
    if (!m_curve) {
        if (!m_start || !m_end)
            return false;
        return visitor->AddLine(m_start->GetPosition(), m_end->GetPosition(), color, layer);
    }
    // A curve is reported once, by its first edge.
    if (m_curve->GetFirstEdge() != this)
        return true;
    if (const CArcCurve* arc = GetArcCurve()) {
        visitor->AddArc(arc->GetArc(), color, layer);
        return true;
    }
    std::vector<CVertex*> vertices;
    m_curve->GetVerticesInOrder(vertices);
    std::vector<CPoint3d> points;
    points.reserve(vertices.size());
    for (const CVertex* vertex : vertices)
        points.push_back(vertex->GetPosition());
    return visitor->AddPolyline(points, color, layer);
}

bool CEdge::CollectWithDependents(CEntitySet& set)
{
    if (!CDrawingElement::CollectWithDependents(set))
        return false;
    if (m_start)
        m_start->CollectWithDependents(set);
    if (m_end)
        m_end->CollectWithDependents(set);
    if (m_curve)
        m_curve->CollectWithDependents(set);
    return true;
}

void CEdge::Erase()
{
    MarkChanged();
    if (m_curve)
        DetachFromCurve();
    LeaveVertex(m_start);
    LeaveVertex(m_end);
    MarkChanged();
    while (CEdgeUse* use = m_firstUse) {
        use->Erase();
        // A use of another edge in this ring could not move the head on.
        if (m_firstUse == use)
            m_firstUse = nullptr;
    }
    CDrawingElement::Erase();
}

void CEdge::DetachFromCurve()
{
    CCurve* curve = m_curve;
    if (!curve)
        return;
    curve->MarkChanged();
    CEntitySet edges;
    if (CVertex* from = m_start ? m_start : m_end)
        curve->CollectEdges(from, edges);
    edges.Insert(this);
    bool curveAlive = true;
    for (CEntity* entity : edges.GetMembers()) {
        auto* edge = static_cast<CEdge*>(entity);
        edge->MarkChanged();
        edge->NotifyReferencers(kEventCurveChanged, nullptr);
        edge->m_curve = nullptr;
        edge->m_curveDirection = kDirectionUnknown;
        if (curveAlive && curve->GetEdgeCount() > 0) {
            // The release of the last counted edge erases the curve.
            curveAlive = curve->GetEdgeCount() > 1;
            curve->Release();
        }
    }
}

// Leaves the curve as an end edge leaves it: the curve keeps the rest of its chain.
void CEdge::LeaveCurveQuietly()
{
    CCurve* curve = m_curve;
    MarkChanged();
    NotifyReferencers(kEventCurveChanged, nullptr);
    m_curve = nullptr;
    m_curveDirection = kDirectionUnknown;
    CEdge* otherEnd = curve->GetFirstEdge() == this ? curve->GetLastEdge() : curve->GetFirstEdge();
    const bool curveStays = curve->GetEdgeCount() > 1;
    curve->Release();
    if (curveStays && otherEnd && otherEnd != this)
        curve->FindEnds(otherEnd);
}

void CEdge::Absorb(CEdge* other, CEntity*)
{
    if (!other || other == this)
        return;
    const bool sameWay = other->m_start == m_start && other->m_end == m_end;
    const bool opposite = other->m_start == m_end && other->m_end == m_start;
    if (!sameWay && !opposite)
        return;
    other->NotifyReferencers(kEventReplaced, this);
    if ((other->m_flags & kHidden) == 0)
        SetHidden(false);
    if (other->GetSecondFlag())
        SetSecondFlag(true);
    MarkChanged();
    if (CCurve* curve = other->m_curve; curve && curve == m_curve) {
        SetCurve(curve);
        if (curve->GetFirstEdge() == other)
            curve->SetFirstEdge(this);
        if (curve->GetLastEdge() == other)
            curve->SetLastEdge(this);
        other->MarkChanged();
        other->NotifyReferencers(kEventCurveChanged, nullptr);
        other->m_curve = nullptr;
        other->m_curveDirection = kDirectionUnknown;
        curve->Release();
        curve->Release();
    } else if (other->m_curve) {
        other->DetachFromCurve();
    }
    for (CEdgeUse* use : UsesOf(*other))
        use->SetEdge(this, opposite ? !use->IsReversed() : use->IsReversed());
}

// Erases an edge left without uses by Absorb: no face needs mending around it.
void CEdge::EraseAbsorbed(CEntity* component)
{
    MarkChanged();
    if (m_curve) {
        m_curve->MarkChanged();
        if (m_curve->GetFirstEdge() == this || m_curve->GetLastEdge() == this)
            LeaveCurveQuietly();
        else
            DetachFromCurve();
    }
    LeaveVertex(m_start);
    LeaveVertex(m_end);
    if (IComponent* owner = AsComponent(component); owner && owner->EraseEntity(this))
        return;
    Erase();
}

int CEdge::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CEdge), map, [&] { return CDrawingElement::CheckValidity(level, map); },
        [&] { return CheckOwnValidity(level, map); });
}

int CEdge::CheckOwnValidity(int level, CCheckedObjectMap* map)
{
    int result = CheckVertices(level, map);
    if (result >= 2)
        return result;
    const CString name = DescribeEntity(this);
    if (level != kValidityCheckIgnoringIds) {
        if (m_start == m_end || m_start->GetPosition().IsEqual(m_end->GetPosition(), kGeomTolerance)) {
            AppendValidityMessage("The start and end vertices are identical for %s\n", name.GetString());
            return 2;
        }
        for (CVertex* vertex : {m_start, m_end}) {
            if (vertex->HasEdge(this))
                continue;
            AppendValidityMessage("%s is not referenced by %s", name.GetString(),
                                  DescribeEntity(vertex).GetString());
            if (ShouldFix(level)) {
                vertex->MarkChanged();
                vertex->AddEdge(this, false);
            } else {
                result = 1;
            }
        }
        if (m_curve && !m_curve->IsKindOf(RUNTIME_CLASS(CCurve))) {
            AppendValidityMessage("The curve pointer for %s is not valid", name.GetString());
            if (ShouldFix(level)) {
                MarkChanged();
                m_curve = nullptr;
                m_curveDirection = kDirectionUnknown;
            } else {
                result = 1;
            }
        } else if (m_curve && map) {
            const int curveResult = m_curve->CheckValidity(level, nullptr);
            if (curveResult >= 2)
                return curveResult;
            if (curveResult == 1)
                result = 1;
        }
        const int duplicates = CheckDuplicates(level, result);
        if (duplicates < 0)
            return 0;  // this edge went into its duplicate
        result = duplicates;
    }
    return CheckUses(level, map, result);
}

int CEdge::CheckVertices(int level, CCheckedObjectMap* map)
{
    const CString name = DescribeEntity(this);
    if (!m_start || !m_end) {
        AppendValidityMessage("One of the vertices for %s is NULL\n", name.GetString());
        return 2;
    }
    if (!m_start->IsKindOf(RUNTIME_CLASS(CVertex))) {
        AppendValidityMessage("The start vertex for %s is not a CVertex\n", name.GetString());
        RecordValidity(m_start, 3, map);
        return 3;
    }
    if (!m_end->IsKindOf(RUNTIME_CLASS(CVertex))) {
        AppendValidityMessage("The end vertex for %s is not a CVertex\n", name.GetString());
        RecordValidity(m_end, 3, map);
        return 3;
    }
    int result = 0;
    if (map) {
        for (CVertex* vertex : {m_start, m_end}) {
            const int vertexResult = vertex->CheckValidity(level, map);
            if (vertexResult >= 2)
                return vertexResult;
            if (vertexResult == 1)
                result = 1;
        }
    }
    return result;
}

// -1 when the repair erased this edge.
int CEdge::CheckDuplicates(int level, int result)
{
    for (int i = m_start->GetEdgeCount() - 1; i >= 0; --i) {
        CEdge* other = m_start->GetEdge(i);
        if (!other || other == this || other->GetOtherVertex(m_start) != m_end || !other->UsesVertex(m_start))
            continue;
        AppendValidityMessage("%s and %s connect the same 2 vertices", DescribeEntity(this).GetString(),
                              DescribeEntity(other).GetString());
        if (!ShouldFix(level)) {
            result = 1;
            continue;
        }
        CEntity* component = GetParentComponent();
        other->Absorb(this, component);
        EraseAbsorbed(component);
        return -1;
    }
    return result;
}

int CEdge::CheckUses(int level, CCheckedObjectMap* map, int result)
{
    const CString name = DescribeEntity(this);
    std::unordered_set<const CEdgeUse*> seen;
    for (CEdgeUse* use = m_firstUse; use && seen.insert(use).second; use = use->GetPartner()) {
        if (!use->IsKindOf(RUNTIME_CLASS(CEdgeUse))) {
            AppendValidityMessage("An edge use for %s is not a CEdgeUse\n", name.GetString());
            RecordValidity(use, 3, map);
            return 3;
        }
        if (map) {
            const int useResult = use->CheckValidity(level, map);
            if (useResult >= 2) {
                RecordValidity(use, useResult, map);
                return useResult;
            }
            if (useResult == 1)
                result = 1;
        }
        if (use->GetEdge() != this) {
            AppendValidityMessage("The edge use (%s) for %s is not valid\n", DescribeEntity(use).GetString(),
                                  name.GetString());
            RecordValidity(use, 2, map);
            return 2;
        }
    }
    return result;
}
