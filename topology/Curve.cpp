#include "topology/Curve.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "database/ArchiveReading.h"
#include "database/ArchiveSchema.h"
#include "database/CurrentModel.h"
#include "database/DefinitionList.h"
#include "database/EntityContainer.h"
#include "database/EntitySet.h"
#include "database/IComponent.h"
#include "database/IModelContext.h"
#include "geometry/Transform3d.h"
#include "platform/mfc/Archive.h"
#include "topology/ArcCurve.h"
#include "topology/CurveFixupList.h"
#include "topology/Edge.h"
#include "topology/Vertex.h"

IMPLEMENT_SERIAL(CCurve, CEntity, VERSIONABLE_SCHEMA | 4)

using orbisk::geometry::CTransform3d;
using orbisk::geometry::CUnitVector3d;
using orbisk::geometry::kGeomTolerance;

namespace {

// The vertex an edge's walk along the curve leaves from, and the one it arrives at.
CVertex* BackwardVertexOf(CEdge* edge)
{
    return edge->GetCurveDirection() == CEdge::kAgainstCurve ? edge->GetEnd() : edge->GetStart();
}

CVertex* ForwardVertexOf(CEdge* edge)
{
    return edge->GetCurveDirection() == CEdge::kAgainstCurve ? edge->GetStart() : edge->GetEnd();
}

int CurveEdgesAt(const CVertex* vertex, const CCurve* curve)
{
    int count = 0;
    for (int i = 0; i < vertex->GetEdgeCount(); ++i) {
        const CEdge* edge = vertex->GetEdge(i);
        if (edge && edge->GetCurve() == curve)
            ++count;
    }
    return count;
}

}  // namespace

CCurve::CCurve(const CCurve& other)
    : CEntity(other),
      m_firstEdge(other.m_firstEdge),
      m_lastEdge(other.m_lastEdge),
      m_edgeCount(other.m_edgeCount),
      m_flag(other.m_flag)
{}

CCurve::~CCurve()
{
    CCurveFixupList::ForgetCurve(this);
}

void CCurve::Serialize(CArchive& ar)
{
    ReadDroppingOnFailure(ar, [&] {
        SerializeGuarded(ar, [&] {
            CEntity::Serialize(ar);
            if (ar.IsLoading())
                ReadCurveRecord(ar);
            else
                WriteCurveRecord(ar);
        });
    });
}

void CCurve::ReadCurveRecord(CArchive& ar)
{
    const int32_t schema = GetClassVersion(RUNTIME_CLASS(CCurve));
    if (schema == 0 || schema == 3) {
        CEdge* ends[2] = {nullptr, nullptr};
        for (CEdge*& end : ends) {
            const uint32_t objectsBefore = ar.GetLoadCount();
            ar >> end;
            // Read here first: only a component that lists it later will own it.
            if (end && ar.GetLoadCount() != objectsBefore)
                KeepUnownedObject(end);
        }
        if (schema == 3) {
            m_firstEdge = ends[0];
            m_lastEdge = ends[1];
        }
    }
    if (schema >= 2 && schema <= 4)
        ar >> m_flag;
    // The stored count is not trusted: until the edges read are counted once everything is
    // read, an edge erased by a failing record must not release the curve under the others.
    if (schema == 3 || schema == 4) {
        int32_t storedCount = 0;
        ar >> storedCount;
    }
}

void CCurve::WriteCurveRecord(CArchive& ar) const
{
    const int format = GetSaveFormat();
    if (format == 3000)
        ar << static_cast<const CObject*>(m_firstEdge) << static_cast<const CObject*>(m_lastEdge);
    if (format >= 3000 && format <= 8000)
        ar << m_flag << m_edgeCount;
}

CEntity* CCurve::CreateCopy() const
{
    return new CCurve(*this);
}

void CCurve::SwapContents(CEntity& other)
{
    CEntity::SwapContents(other);
    auto& curve = static_cast<CCurve&>(other);
    std::swap(m_firstEdge, curve.m_firstEdge);
    std::swap(m_lastEdge, curve.m_lastEdge);
    std::swap(m_edgeCount, curve.m_edgeCount);
    std::swap(m_flag, curve.m_flag);
}

void CCurve::CutLinks()
{
    m_firstEdge = m_lastEdge = nullptr;
}

bool CCurve::CollectWithDependents(CEntitySet& set)
{
    if (!CEntity::CollectWithDependents(set))
        return false;
    std::vector<CEdge*> edges;
    GetEdgesInOrder(edges);
    for (CEdge* edge : edges)
        edge->CollectWithDependents(set);
    return true;
}

int CCurve::GetEdgeDirection(CEdge* edge)
{
    if (!edge || !m_firstEdge || !m_lastEdge || m_firstEdge->GetCurve() != this ||
        m_lastEdge->GetCurve() != this || m_edgeCount <= 0)
        return CEdge::kDirectionUnknown;
    // Walking back from the edge's start ends at the first edge exactly when it runs along.
    CEdge* current = edge;
    CVertex* at = edge->GetStart();
    for (int steps = 0;;) {
        CEdge* next = at ? FindNextEdge(current, at) : nullptr;
        if (!next)
            return current == m_firstEdge ? CEdge::kAlongCurve : CEdge::kAgainstCurve;
        if (next == m_lastEdge) {
            if (m_edgeCount == 2)
                return CEdge::kAgainstCurve;
            return current == m_firstEdge ? CEdge::kAlongCurve : CEdge::kAgainstCurve;
        }
        at = next->GetOtherVertex(at);
        current = next;
        if (++steps >= m_edgeCount)
            return CEdge::kDirectionUnknown;
    }
}

bool CCurve::IsClosed(bool test)
{
    if (!test)
        return false;
    const CVertex* start = GetStartVertex();
    const CVertex* end = GetEndVertex();
    return start && end && start->GetPosition().IsEqual(end->GetPosition(), kGeomTolerance);
}

bool CCurve::GetQuadrantPoints(CPoint3d&, CPoint3d&, CPoint3d&, CPoint3d&)
{
    return false;
}

bool CCurve::IsCoplanarWithFaces()
{
    return false;
}

void CCurve::ResetParameterization(bool, bool) {}

void CCurve::PassThroughPoint(const CPoint3d&) {}

void CCurve::SetRadiusThroughPoint(const CPoint3d&, const CPoint3d&) {}

double CCurve::GetLength()
{
    std::vector<CEdge*> edges;
    GetEdgesInOrder(edges);
    double length = 0.0;
    for (const CEdge* edge : edges)
        length += edge->GetLength();
    return length;
}

bool CCurve::GetMidpoint(CPoint3d&)
{
    return false;
}

bool CCurve::IsPointOnCurve(const CPoint3d&)
{
    return false;
}

CCurve::CVector3d CCurve::GetNormal()
{
    CPlane3d plane;
    const std::vector<CPoint3d> positions = GetPositionsInOrder();
    plane.FitToPoints(positions.size(), positions.data());
    return plane.GetNormal();
}

CCurve* CCurve::CreateEmptyLike() const
{
    auto* curve = new CCurve;
    curve->m_flag = m_flag;
    return curve;
}

void CCurve::AddReference()
{
    MarkChanged();
    ++m_edgeCount;
}

void CCurve::Release()
{
    MarkChanged();
    if (m_edgeCount-- == 1)
        Erase();
}

CEdge* CCurve::FindNextEdge(const CEdge* edge, const CVertex* vertex) const
{
    if (!vertex)
        return nullptr;
    for (int i = 0; i < vertex->GetEdgeCount(); ++i) {
        CEdge* candidate = vertex->GetEdge(i);
        if (candidate && candidate != edge && candidate->GetCurve() == this)
            return candidate;
    }
    return nullptr;
}

CEdge* CCurve::FindUniqueNextEdge(const CEdge* edge, const CVertex* vertex) const
{
    if (!vertex)
        return nullptr;
    CEdge* found = nullptr;
    for (int i = 0; i < vertex->GetEdgeCount(); ++i) {
        CEdge* candidate = vertex->GetEdge(i);
        if (!candidate || candidate == edge || candidate->GetCurve() != this)
            continue;
        if (found)
            return nullptr;
        found = candidate;
    }
    return found;
}

CVertex* CCurve::GetStartVertex() const
{
    return m_firstEdge ? BackwardVertexOf(m_firstEdge) : nullptr;
}

CVertex* CCurve::GetEndVertex() const
{
    return m_lastEdge ? ForwardVertexOf(m_lastEdge) : nullptr;
}

int CCurve::GetEdgesInOrder(std::vector<CEdge*>& edges) const
{
    if (!m_firstEdge)
        return static_cast<int>(edges.size());
    std::unordered_set<const CEdge*> passed{m_firstEdge};
    edges.push_back(m_firstEdge);
    CEdge* current = m_firstEdge;
    CVertex* at = ForwardVertexOf(m_firstEdge);
    while (current != m_lastEdge) {
        CEdge* next = FindNextEdge(current, at);
        if (!next || !passed.insert(next).second)
            break;
        edges.push_back(next);
        at = next->GetOtherVertex(at);
        current = next;
    }
    return static_cast<int>(edges.size());
}

int CCurve::GetVerticesInOrder(std::vector<CVertex*>& vertices) const
{
    if (!m_firstEdge)
        return static_cast<int>(vertices.size());
    CVertex* start = BackwardVertexOf(m_firstEdge);
    CVertex* at = m_firstEdge->GetOtherVertex(start);
    if (start)
        vertices.push_back(start);
    if (at)
        vertices.push_back(at);
    std::unordered_set<const CEdge*> passed{m_firstEdge};
    CEdge* current = m_firstEdge;
    while (current != m_lastEdge) {
        CEdge* next = FindNextEdge(current, at);
        if (!next || !passed.insert(next).second)
            break;
        at = next->GetOtherVertex(at);
        if (at)
            vertices.push_back(at);
        current = next;
    }
    return static_cast<int>(vertices.size());
}

std::vector<CCurve::CPoint3d> CCurve::GetPositionsInOrder() const
{
    std::vector<CVertex*> vertices;
    GetVerticesInOrder(vertices);
    std::vector<CPoint3d> positions;
    positions.reserve(vertices.size());
    for (const CVertex* vertex : vertices)
        positions.push_back(vertex->GetPosition());
    return positions;
}

int CCurve::CollectEdges(CVertex* vertex, CEntitySet& edges) const
{
    std::vector<CVertex*> pending{vertex};
    std::unordered_set<const CVertex*> visited;
    while (!pending.empty()) {
        CVertex* at = pending.back();
        pending.pop_back();
        if (!at || !visited.insert(at).second)
            continue;
        for (int i = at->GetEdgeCount() - 1; i >= 0; --i) {
            CEdge* edge = at->GetEdge(i);
            if (edge && edge->GetCurve() == this && edges.Insert(edge))
                pending.push_back(edge->GetOtherVertex(at));
        }
    }
    return edges.GetCount();
}

void CCurve::FindEnds(CEdge* edge)
{
    MarkChanged();
    m_firstEdge = m_lastEdge = nullptr;
    if (!edge)
        return;
    // With the ends cleared only a cached direction counts; an edge without one runs along.
    CVertex* backward =
        edge->GetCachedCurveDirection() == CEdge::kAgainstCurve ? edge->GetEnd() : edge->GetStart();
    CVertex* forward = edge->GetOtherVertex(backward);
    CEdge* junction = nullptr;
    CEdge* current = edge;
    CVertex* at = backward;
    std::unordered_set<const CEdge*> passed{edge};
    bool closed = false;
    for (;;) {
        if (!junction && at && at->GetEdgeCount() != 2) {
            for (int i = 0; i < at->GetEdgeCount(); ++i) {
                const CEdge* other = at->GetEdge(i);
                if (other && other->GetCurve() != this && !other->IsSoft()) {
                    junction = current;
                    break;
                }
            }
        }
        if (at && at == forward) {
            closed = true;
            break;
        }
        CEdge* next = FindNextEdge(current, at);
        if (!next || !passed.insert(next).second)
            break;
        at = next->GetOtherVertex(at);
        current = next;
    }
    if (!closed) {
        m_firstEdge = current;
        CEdge* last = edge;
        at = forward;
        std::unordered_set<const CEdge*> ahead{edge};
        for (CEdge* next = FindNextEdge(last, at); next && ahead.insert(next).second;
             next = FindNextEdge(last, at)) {
            at = next->GetOtherVertex(at);
            last = next;
        }
        m_lastEdge = last;
    } else {
        m_firstEdge = junction ? junction : edge;
        m_lastEdge = FindNextEdge(m_firstEdge, BackwardVertexOf(m_firstEdge));
    }
    ResetParameterization(true, false);
}

void CCurve::SplitAt(CVertex* vertex, CEdge* moving, CEdge* staying)
{
    MarkChanged();
    if (!vertex || !moving)
        return;
    if (IsClosed(true)) {
        if (IsClosed(false)) {
            // A full circle only takes the vertex as its new start.
            const bool along = moving->GetCurveDirection() != CEdge::kAgainstCurve;
            const bool startsHere = vertex == moving->GetStart();
            if (along == startsHere) {
                m_firstEdge = moving;
                m_lastEdge = staying;
            } else {
                m_firstEdge = staying;
                m_lastEdge = moving;
            }
            ResetParameterization(false, false);
            return;
        }
        if (m_firstEdge && m_lastEdge && m_firstEdge->UsesVertex(vertex) && m_lastEdge->UsesVertex(vertex))
            return;
    }
    CCurve* part = CreateEmptyLike();
    CEdge* current = moving;
    CVertex* at = vertex;
    bool alive = true;
    std::unordered_set<const CEdge*> moved;
    while (current && moved.insert(current).second) {
        const bool wasEnd = current == m_firstEdge || current == m_lastEdge;
        alive = m_edgeCount != 1;
        Release();
        current->SetCurve(part);
        if (!alive || wasEnd)
            break;
        at = current->GetOtherVertex(at);
        current = FindNextEdge(current, at);
    }
    if (alive && m_edgeCount > 0) {
        FindEnds(staying);
        ResetParameterization(false, false);
    }
    part->FindEnds(moving);
    part->ResetParameterization(false, false);
}

void CCurve::Dissolve()
{
    CEntity* component = CEntity::GetParent();
    if (!AsComponent(component)) {
        IModelContext* model = GetCurrentModel();
        component = model ? model->GetRootComponent() : nullptr;
    }
    DetachFromEdgesIn(component);
    DetachFromRemainingEdges();
    m_edgeCount = 0;
    Erase();
}

void CCurve::DetachFromRemainingEdges()
{
    CEntitySet edges;
    for (CEdge* end : {m_firstEdge, m_lastEdge}) {
        if (!end || !end->IsKindOf(RUNTIME_CLASS(CEdge)))
            continue;
        for (CVertex* vertex : {end->GetStart(), end->GetEnd()})
            CollectEdges(vertex, edges);
        if (end->GetCurve() == this)
            edges.Insert(end);
    }
    for (CEntity* entity : edges.GetMembers())
        static_cast<CEdge*>(entity)->SetCurve(nullptr);
    m_firstEdge = m_lastEdge = nullptr;
}

void CCurve::DetachFromEdgesIn(CEntity* component)
{
    std::vector<const CEntity*> searched;
    DetachFromEdgesIn(component, searched);
}

void CCurve::DetachFromEdgesIn(CEntity* component, std::vector<const CEntity*>& searched)
{
    IComponent* container = AsComponent(component);
    if (!container || std::find(searched.begin(), searched.end(), component) != searched.end())
        return;
    searched.push_back(component);
    IEntityContainer& entities = container->GetEntities();
    for (int i = 0; i < entities.GetCount(); ++i) {
        CEntity* entity = entities.GetAt(i);
        if (IsEntityOfType(entity, kEntityEdge)) {
            auto* edge = static_cast<CEdge*>(entity);
            if (edge->GetCurve() == this) {
                edge->MarkChanged();
                edge->SetCurve(nullptr);
            }
        } else if (IsEntityOfType(entity, kEntityComponent)) {
            DetachFromEdgesIn(entity, searched);
        }
    }
    if (const CDefinitionList* definitions = container->GetDefinitionList()) {
        for (int i = 0; i < definitions->GetCount(); ++i)
            DetachFromEdgesIn(definitions->GetAt(i), searched);
    }
}

bool CCurve::SplitIntoChains(std::vector<CCurve*>& curves)
{
    CEntitySet collected;
    if (m_firstEdge)
        CollectEdges(m_firstEdge->GetStart(), collected);
    const int count = collected.GetCount();
    bool simple = true;
    std::vector<CEdge*> endEdges;
    for (CEntity* entity : collected.GetMembers()) {
        auto* edge = static_cast<CEdge*>(entity);
        for (const CVertex* vertex : {edge->GetStart(), edge->GetEnd()}) {
            const int here = vertex ? CurveEdgesAt(vertex, this) : 1;
            if (here == 2)
                continue;
            if (here == 1 && endEdges.size() < 2)
                endEdges.push_back(edge);
            else
                simple = false;
        }
    }
    const bool endsMatch = endEdges.empty() || (endEdges.size() == 2 &&
                                                ((endEdges[0] == m_firstEdge && endEdges[1] == m_lastEdge) ||
                                                 (endEdges[0] == m_lastEdge && endEdges[1] == m_firstEdge)));
    if (simple && endsMatch) {
        if (m_edgeCount != count) {
            MarkChanged();
            m_edgeCount = count;
        }
        return false;
    }
    MarkChanged();
    // The old curve gives up each edge it hands on; it goes once the last one has left.
    m_edgeCount = count;
    while (!collected.IsEmpty()) {
        auto* start = static_cast<CEdge*>(*collected.GetMembers().begin());
        CEdge* current = start;
        CVertex* at = start->GetStart();
        std::unordered_set<const CEdge*> passed{start};
        for (;;) {
            int found = 0;
            const CEdge* arrived = current;
            for (int i = at ? at->GetEdgeCount() - 1 : -1; i >= 0; --i) {
                CEdge* edge = at->GetEdge(i);
                if (edge && edge != arrived && edge->GetCurve() == this) {
                    current = edge;
                    ++found;
                }
            }
            // Back at an edge already passed: the remainder is a closed loop.
            if (found != 1 || !passed.insert(current).second)
                break;
            at = current->GetOtherVertex(at);
        }
        CCurve* chain = new CCurve;
        curves.push_back(chain);
        chain->m_firstEdge = current;
        current->ClearCurveDirection();
        CEdge* last = current;
        CVertex* far = current->GetOtherVertex(at);
        for (CEdge* edge = current; edge;) {
            --m_edgeCount;
            edge->SetCurve(chain);
            collected.Erase(edge);
            last = edge;
            if (!far || far->GetEdgeCount() != 2)
                break;
            CEdge* next = far->GetOtherEdge(edge);
            if (!next || next->GetCurve() != this)
                break;
            far = next->GetOtherVertex(far);
            edge = next;
        }
        chain->m_lastEdge = last;
        last->ClearCurveDirection();
    }
    if (m_edgeCount <= 0) {
        DetachFromEdgesIn(GetParentComponent());
        m_edgeCount = 0;
        Erase();
    }
    return true;
}

bool CCurve::HasBranchAt(const CVertex* vertex) const
{
    if (!vertex || vertex->GetEdgeCount() <= 2)
        return false;
    int onCurve = 0;
    std::vector<const CEdge*> others;
    for (int i = vertex->GetEdgeCount() - 1; i >= 0; --i) {
        const CEdge* edge = vertex->GetEdge(i);
        if (!edge)
            continue;
        if (edge->GetCurve() == this)
            ++onCurve;
        else
            others.push_back(edge);
    }
    if (onCurve < 2)
        return false;
    for (auto edge = others.rbegin(); edge != others.rend(); ++edge) {
        if ((*edge)->IsSoft())
            continue;
        if ((*edge)->GetCurve())
            return true;
        const CVertex* far = (*edge)->GetOtherVertex(vertex);
        CEdge* first = nullptr;
        CEdge* second = nullptr;
        if (far && far->GetSharedCurveEdges(first, second) && first->GetCurve() == this)
            return true;
    }
    return false;
}

void CCurve::MoveEnd(CVertex* vertex, CPoint3d& oldPosition, const CPoint3d& newPosition)
{
    if (IsClosed(true))
        return;
    std::vector<CVertex*> vertices;
    GetVerticesInOrder(vertices);
    if (vertices.size() < 2)
        return;
    std::vector<CPoint3d> positions;
    for (const CVertex* each : vertices)
        positions.push_back(each->GetPosition());
    CPlane3d plane = GetPlane();
    if (!IsArc()) {
        CPlane3d fitted;
        fitted.FitToPoints(positions.size(), positions.data());
        if (fitted.GetNormal().IsNonZero())
            plane = fitted;
    }
    const CPoint3d fixed = vertex == vertices.front() ? positions.back() : positions.front();
    const CPoint3d moving = vertex == vertices.front() ? positions.front() : positions.back();
    oldPosition = moving;
    CVector3d d1 = moving - fixed;
    double length1 = 0.0;
    if (!d1.NormalizeWithLength(length1))
        return;
    const CVector3d normal = plane.GetNormal();
    if (!normal.IsNonZero()) {
        const double reach = (newPosition - fixed).Length();
        const CUnitVector3d towards(fixed, newPosition);
        for (CVertex* each : vertices) {
            each->MarkChanged();
            each->SetPosition(fixed + CVector3d(towards) *
                                          ((each->GetPosition() - fixed).Length() * reach / length1));
        }
        return;
    }
    CVector3d l = normal.Cross(d1);
    if (!l.Normalize())
        return;
    const CTransform3d intoFirst = CTransform3d(d1, l, d1.Cross(l), fixed).Inverse();
    CVector3d d2 = newPosition - fixed;
    double length2 = 0.0;
    if (!d2.NormalizeWithLength(length2))
        return;
    CVector3d u = d1.Cross(l).Cross(d2);
    if (!u.Normalize())
        u = l;
    const CTransform3d outOfSecond(d2, u, d2.Cross(u), fixed);
    const double scale = length2 / length1;
    const CTransform3d motion = outOfSecond * CTransform3d(scale, scale, scale) * intoFirst;
    MarkChanged();
    Transform(motion);
    std::unordered_set<const CVertex*> moved;
    for (CVertex* each : vertices) {
        if (!moved.insert(each).second)
            continue;
        each->MarkChanged();
        each->SetPosition(motion.MultiplyPoint(each->GetPosition()));
    }
}

int CCurve::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CCurve), map, [&] { return CEntity::CheckValidity(level, map); },
        [&] {
            bool dissolved = false;
            return CheckCurveValidity(level, map, dissolved);
        });
}

int CCurve::CheckCurveValidity(int level, CCheckedObjectMap* map, bool& dissolved)
{
    const CString name = DescribeEntity(this);
    const bool full = level != kValidityCheckIgnoringIds;
    // Each repair here dissolves the curve: nothing of it may be touched afterwards.
    auto dissolveOr = [&](int& result) {
        if (!ShouldFix(level)) {
            result = 1;
            return false;
        }
        Dissolve();
        dissolved = true;
        return true;
    };
    int result = 0;
    bool endsUsable = m_firstEdge && m_lastEdge && m_firstEdge->IsKindOf(RUNTIME_CLASS(CEdge)) &&
                      m_lastEdge->IsKindOf(RUNTIME_CLASS(CEdge));
    if (full) {
        const char* problem = nullptr;
        if (!m_firstEdge || !m_lastEdge)
            problem = "The start or end edge for %s is NULL";
        else if (!endsUsable)
            problem = "The start or end edge for %s is not valid";
        else if (m_firstEdge->GetCurve() != this || m_lastEdge->GetCurve() != this)
            problem = "The start or end edge for %s is not on the curve";
        if (problem) {
            AppendValidityMessage(problem, name.GetString());
            if (dissolveOr(result))
                return 0;
        }
    }
    // The checks below need both end edges.
    if (!endsUsable)
        return result;
    if (map) {
        for (CEdge* end : {m_firstEdge, m_lastEdge}) {
            const int endResult = end->CheckValidity(level, map);
            if (endResult >= 2)
                return endResult;
            if (endResult == 1)
                result = 1;
        }
    }
    if (full) {
        CEntity* parent = CEntity::GetParent();
        if (!parent || parent != m_firstEdge->GetParent()) {
            AppendValidityMessage(
                parent ? "Parent for %s is different than edge parent" : "Parent for %s is NULL",
                name.GetString());
            if (ShouldFix(level))
                SetParent(m_firstEdge->GetParent());
            else
                result = 1;
        }
        result = CheckChain(level, result, dissolved);
        if (dissolved)
            return 0;
    }
    for (CVertex* end : {GetStartVertex(), GetEndVertex()}) {
        if (!end)
            continue;
        const int endResult = end->CheckValidity(level, nullptr);
        if (endResult >= 2) {
            RecordValidity(end, endResult, map);
            return endResult;
        }
        if (endResult == 1)
            result = 1;
    }
    return result;
}

int CCurve::CheckChain(int level, int result, bool& dissolved)
{
    const CString name = DescribeEntity(this);
    auto repair = [&](bool split) {
        if (!ShouldFix(level)) {
            result = 1;
            return false;
        }
        if (split) {
            std::vector<CCurve*> chains;
            SplitIntoChains(chains);
        } else {
            Dissolve();
        }
        dissolved = true;
        return true;
    };
    CVertex* start = GetStartVertex();
    if (!start || !GetEndVertex()) {
        AppendValidityMessage("The start or end vertex for %s is NULL", name.GetString());
        repair(false);
        return result;
    }
    CEntitySet edges;
    const int collected = CollectEdges(start, edges);
    if (m_edgeCount <= 0 || m_edgeCount != collected) {
        AppendValidityMessage("The reference count for %s is incorrect", name.GetString());
        if (repair(false))
            return result;
    }
    std::unordered_set<const CVertex*> examined;
    for (CEntity* entity : edges.GetMembers()) {
        auto* edge = static_cast<CEdge*>(entity);
        for (const CVertex* vertex : {edge->GetStart(), edge->GetEnd()}) {
            if (!vertex || !examined.insert(vertex).second)
                continue;
            if (CurveEdgesAt(vertex, this) > 2) {
                AppendValidityMessage("The connectivity for %s is bad", name.GetString());
                if (repair(true))
                    return result;
            }
            if (HasBranchAt(vertex)) {
                AppendValidityMessage("The connectivity for %s is bad", name.GetString());
                if (repair(false))
                    return result;
            }
        }
    }
    return result;
}

bool IsCircularArcCurve(const CEntity* entity)
{
    const auto* arc =
        IsEntityOfType(entity, kEntityArcCurve) ? dynamic_cast<const CArcCurve*>(entity) : nullptr;
    return arc && arc->GetArc().HasOrthonormalAxes();
}

CArcCurve* AsCircularArcCurve(CEntity* entity)
{
    return IsCircularArcCurve(entity) ? static_cast<CArcCurve*>(entity) : nullptr;
}
