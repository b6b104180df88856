#include "topology/Loop.h"

#include <algorithm>
#include <unordered_set>

#include "database/ArchiveSchema.h"
#include "database/CurrentModel.h"
#include "database/EntityContainer.h"
#include "database/EntitySet.h"
#include "database/IComponent.h"
#include "database/IModelContext.h"
#include "geometry/GeomFunctions.h"
#include "platform/mfc/Archive.h"
#include "topology/CompactPtrArray.h"
#include "topology/Edge.h"
#include "topology/EdgeUse.h"
#include "topology/IFace.h"
#include "topology/TopologyEnumerators.h"
#include "topology/Vertex.h"

IMPLEMENT_SERIAL(CLoop, CEntity, VERSIONABLE_SCHEMA | 1)

using orbisk::geometry::CPlane3d;
using orbisk::geometry::CPolygon2d;
using orbisk::geometry::kGeomTolerance;
using orbisk::geometry::kGeomToleranceSquared;

namespace {

int EntityCountOf(CEntity* entity)
{
    IComponent* component = AsComponent(entity);
    return component ? component->GetEntities().GetCount() : -1;
}

const IFace* FaceOf(const CEdgeUse* use)
{
    return AsFace(use ? use->GetFace() : nullptr);
}

// The other uses of the use's edge.
std::vector<CEdgeUse*> PartnersOf(const CEdgeUse* use)
{
    std::vector<CEdgeUse*> partners;
    CEnumEdgeUsePartners walk(use);
    for (CEdgeUse* partner = nullptr; walk.Next(partner);)
        partners.push_back(partner);
    return partners;
}

// The use's edge, checked as such: 0 or 1 to go on, 2 or 3 to stop. The check may merge the edge
// into a duplicate, which the use then runs along: callers read the edge from the use again.
int CheckEdgeOfUse(const CEdgeUse* use, int index, const CString& loopName, int level, CCheckedObjectMap* map)
{
    CEdge* edge = use->GetEdge();
    if (!edge || !edge->IsKindOf(RUNTIME_CLASS(CEdge))) {
        AppendValidityMessage("Edge %d in %s is not a CEdge\n", index, loopName.GetString());
        if (edge)
            RecordValidity(edge, 3, map);
        return 3;
    }
    return edge->CheckValidity(level, map);
}

}  // namespace

CLoop::CLoop() = default;

CLoop::CLoop(const CLoop& other) : CEntity(), m_outer(false), m_convex(other.m_convex)
{
    CEdgeUse* previous = nullptr;
    for (const CEdgeUse* use : other.GetEdgeUses())
        previous = new CEdgeUse(use->GetEdge(), use->IsReversed(), previous, this);
}

CLoop::CLoop(const CLoop& other, ShallowCopy)
    : CEntity(other),
      m_face(other.m_face),
      m_firstUse(other.m_firstUse),
      m_outer(other.m_outer),
      m_convex(other.m_convex)
{}

CLoop::CLoop(int count, CEdge* const* edges, const CVector3d& normal) : m_outer(false), m_convex(false)
{
    BuildFromEdges(count, edges, normal);
    if (GetArea(normal) > 0.0)
        Reverse();
}

CLoop::CLoop(int count, CEdge* const* edges, CEntity* face) : m_face(face)
{
    const IFace* asFace = AsFace(face);
    const CVector3d normal = asFace ? asFace->GetPlane().GetNormal() : CVector3d(0.0, 0.0, 1.0);
    BuildFromEdges(count, edges, normal);
    if (GetArea(normal) <= 0.0)
        Reverse();
}

CLoop* CLoop::AdoptRing(CEdgeUse* firstUse, CEntity* face)
{
    auto* loop = new CLoop;
    loop->m_face = face;
    loop->m_firstUse = firstUse;
    for (CEdgeUse* use : loop->GetEdgeUses())
        use->SetLoop(loop);
    return loop;
}

bool CLoop::BuildFromEdges(int count, CEdge* const* edges, const CVector3d& normal)
{
    CEdgeUse* previous = nullptr;
    for (int i = 0; i < count; ++i) {
        CEdge* edge = edges[i];
        const CEdge* next = edges[(i + 1) % count];
        const bool reversed = !next->UsesVertex(edge->GetEnd());
        previous = new CEdgeUse(edge, reversed, previous, this);
    }
    return UpdateConvexity(normal, false);
}

void CLoop::Serialize(CArchive& ar)
{
    ReadDroppingOnFailure(ar, [&] {
        SerializeGuarded(ar, [&] {
            CEntity::Serialize(ar);
            if (ar.IsLoading())
                ReadRecord(ar);
            else
                WriteRecord(ar);
        });
    });
}

void CLoop::ReadRecord(CArchive& ar)
{
    const uint32_t firstNested = ar.GetLoadCount();
    m_ringSettled = false;
    m_namingUsesRead = 0;
    const int32_t schema = GetClassVersion(RUNTIME_CLASS(CLoop));
    ar >> m_outer >> m_convex;
    CEdgeUse* first = nullptr;
    ar >> first;
    if (first && first->GetLoop() != this)
        AfxThrowArchiveException(CArchiveException::genericException);
    m_firstUse = first;
    if (first && schema >= 1)
        ReadFurtherUses(ar);
    else if (first)
        RelinkStoredRing();
    DisownUsesOutsideRing(ar, firstNested);
    m_ringSettled = true;
}

// A use read inside this record (through its edge, say) may name this loop without the ring
// holding it. Erasing the loop erases its ring only, so such a use would keep naming a freed
// loop: it is left without one, alone, as an older record's stray is.
void CLoop::DisownUsesOutsideRing(CArchive& ar, uint32_t firstNested)
{
    const std::vector<CEdgeUse*> ring = GetEdgeUses();
    if (m_namingUsesRead <= ring.size())
        return;
    const std::unordered_set<const CEdgeUse*> inRing(ring.begin(), ring.end());
    for (uint32_t number = firstNested; number < ar.GetLoadCount(); ++number) {
        auto* use = dynamic_cast<CEdgeUse*>(ar.GetLoadedObject(number));
        if (use && use->m_loop == this && !inRing.count(use)) {
            use->m_loop = nullptr;
            use->m_previous = use->m_next = use;
        }
    }
}

void CLoop::ReadFurtherUses(CArchive& ar)
{
    std::unordered_set<const CEdgeUse*> listed{m_firstUse};
    CEdgeUse* previous = m_firstUse;
    for (;;) {
        CEdgeUse* use = nullptr;
        ar >> use;
        if (!use)
            break;
        // A use of another loop, or one listed twice, cannot make one ring.
        if (use->GetLoop() != this || !listed.insert(use).second)
            AfxThrowArchiveException(CArchiveException::genericException);
        previous->SetNext(use);
        use->SetPrevious(previous);
        previous = use;
    }
    previous->SetNext(m_firstUse);
    m_firstUse->SetPrevious(previous);
}

// The older records store each use's previous and next use. The ring is what the next links
// reach from the first use; it is linked both ways again. The other uses that the stored links
// reach are strays: one of this loop, of no loop, or of a loop whose ring is already settled
// without it is left alone in a ring of its own and without a loop, so that no link points
// where no ring leads. Strays of a loop still being read are left to that loop.
void CLoop::RelinkStoredRing()
{
    std::vector<CEdgeUse*> ring;
    std::unordered_set<const CEdgeUse*> inRing;
    for (CEdgeUse* use = m_firstUse; use && inRing.insert(use).second; use = use->m_next)
        ring.push_back(use);
    for (const CEdgeUse* use : ring) {
        if (use->GetLoop() != this)
            AfxThrowArchiveException(CArchiveException::genericException);
    }
    auto isSettledMember = [](const CEdgeUse* use) {
        const CLoop* owner = use->m_loop;
        if (!owner || !owner->m_ringSettled)
            return false;
        const std::vector<CEdgeUse*> members = owner->GetEdgeUses();
        return std::find(members.begin(), members.end(), use) != members.end();
    };
    std::vector<CEdgeUse*> strays;
    std::unordered_set<const CEdgeUse*> seen(inRing);
    auto reachFrom = [&](const CEdgeUse* use) {
        for (CEdgeUse* linked : {use->m_previous, use->m_next}) {
            if (linked && seen.insert(linked).second && !isSettledMember(linked))
                strays.push_back(linked);
        }
    };
    for (const CEdgeUse* use : ring)
        reachFrom(use);
    for (size_t i = 0; i < strays.size(); ++i)
        reachFrom(strays[i]);
    for (CEdgeUse* stray : strays) {
        const CLoop* owner = stray->m_loop;
        if (owner && owner != this && !owner->m_ringSettled)
            continue;
        stray->m_loop = nullptr;
        stray->m_previous = stray->m_next = stray;
    }
    for (size_t i = 0; i < ring.size(); ++i) {
        CEdgeUse* next = ring[(i + 1) % ring.size()];
        ring[i]->m_next = next;
        next->m_previous = ring[i];
    }
}

void CLoop::WriteRecord(CArchive& ar) const
{
    ar << m_outer << m_convex;
    const std::vector<CEdgeUse*> uses = GetEdgeUses();
    for (const CEdgeUse* use : uses)
        ar << static_cast<const CObject*>(use);
    if (!uses.empty())
        ar << static_cast<const CObject*>(nullptr);
}

CEntity* CLoop::CreateCopy() const
{
    return new CLoop(*this, ShallowCopy{});
}

void CLoop::SwapContents(CEntity& other)
{
    CEntity::SwapContents(other);
    auto& loop = static_cast<CLoop&>(other);
    std::swap(m_face, loop.m_face);
    std::swap(m_firstUse, loop.m_firstUse);
    std::swap(m_outer, loop.m_outer);
    std::swap(m_convex, loop.m_convex);
}

CEntity* CLoop::GetParent() const
{
    if (CEntity* parent = CEntity::GetParent())
        return parent;
    return m_face ? m_face->GetParent() : nullptr;
}

void CLoop::CutLinks()
{
    for (CEdgeUse* use : GetEdgeUses()) {
        if (use->m_loop == this)
            use->m_loop = nullptr;
    }
    m_firstUse = nullptr;
    m_face = nullptr;
}

void CLoop::SetFace(CEntity* face)
{
    MarkChanged();
    m_face = face;
}

void CLoop::SetFirstEdgeUse(CEdgeUse* use)
{
    MarkChanged();
    m_firstUse = use;
}

void CLoop::SetOuter(bool outer)
{
    MarkChanged();
    m_outer = outer;
}

void CLoop::Erase()
{
    MarkChanged();
    while (CEdgeUse* use = m_firstUse) {
        if (use->GetLoop() == this)
            use->Erase();
        else
            m_firstUse = nullptr;
        // A ring whose previous links lead nowhere cannot move the first use on.
        if (m_firstUse == use)
            m_firstUse = nullptr;
    }
    CEntity::Erase();
}

bool CLoop::CollectWithDependents(CEntitySet& set)
{
    if (!CEntity::CollectWithDependents(set))
        return false;
    if (m_firstUse)
        m_firstUse->CollectWithDependents(set);
    return true;
}

int CLoop::GetWalkBound() const
{
    int count = EntityCountOf(GetParent());
    if (count < 0) {
        IModelContext* model = GetModel();
        if (!model)
            model = GetCurrentModel();
        count = model ? EntityCountOf(model->GetRootComponent()) : -1;
    }
    return std::max(kMinWalkBound, count);
}

std::vector<CEdgeUse*> CLoop::GetEdgeUses() const
{
    std::vector<CEdgeUse*> uses;
    if (!m_firstUse)
        return uses;
    const size_t bound = static_cast<size_t>(GetWalkBound());
    for (CEdgeUse* use = m_firstUse;;) {
        uses.push_back(use);
        CEdgeUse* next = use->GetNext();
        if (!next || next == use || next == m_firstUse || uses.size() > bound)
            break;
        use = next;
    }
    return uses;
}

int CLoop::GetEdgeUseCount() const
{
    return static_cast<int>(GetEdgeUses().size());
}

void CLoop::Reverse()
{
    MarkChanged();
    for (CEdgeUse* use : GetEdgeUses()) {
        CEdgeUse* previous = use->GetPrevious();
        use->SetPrevious(use->GetNext());
        use->SetNext(previous);
        use->SetReversed(!use->IsReversed());
    }
}

double CLoop::GetArea(const CVector3d& normal, const CTransform3d* transform) const
{
    std::vector<CPoint3d> points;
    for (const CEdgeUse* use : GetEdgeUses()) {
        if (const CVertex* vertex = use->GetStartVertex())
            points.push_back(transform ? transform->MultiplyPoint(vertex->GetPosition())
                                       : vertex->GetPosition());
    }
    double area = 0.0;
    for (size_t k = 2; k < points.size(); ++k)
        area += 0.5 * (points[k - 1] - points[0]).Cross(points[k] - points[0]).Dot(normal);
    return area;
}

bool CLoop::HasArea(const CVector3d& normal, double* area) const
{
    const double value = GetArea(normal);
    if (area)
        *area = value;
    return std::abs(value) >= kGeomToleranceSquared;
}

bool CLoop::UpdateConvexity(const CVector3d& normal, bool allowCollinear)
{
    MarkChanged();
    m_convex = true;
    std::vector<CPoint3d> points;
    const std::vector<CEdgeUse*> uses = GetEdgeUses();
    for (const CEdgeUse* use : uses) {
        if (const CVertex* vertex = use->GetStartVertex())
            points.push_back(vertex->GetPosition());
    }
    if (uses.size() < 2 || points.size() < 2)
        return m_convex;
    const size_t n = points.size();
    bool haveTurn = false;
    double referenceTurn = 0.0;
    for (size_t j = 1; j <= n && m_convex; ++j) {
        const CPoint3d& corner = points[j % n];
        const CVector3d incoming = corner - points[j - 1];
        const CVector3d outgoing = points[(j + 1) % n] - corner;
        const double turn = incoming.Cross(outgoing).Dot(normal);
        if (std::abs(turn) < kGeomTolerance) {
            // Straight on, or turning back on itself.
            if (incoming.Dot(outgoing) <= -kGeomTolerance || !allowCollinear)
                m_convex = false;
        } else if (!haveTurn) {
            haveTurn = true;
            referenceTurn = turn;
        } else if (!orbisk::geometry::SameSign(turn, referenceTurn)) {
            m_convex = false;
        }
    }
    return m_convex;
}

bool CLoop::UsesEdge(const CEdge* edge) const
{
    const std::vector<CEdgeUse*> uses = GetEdgeUses();
    return std::any_of(uses.begin(), uses.end(), [&](const CEdgeUse* use) { return use->GetEdge() == edge; });
}

CEdge* CLoop::FindEdgeUsedTwice() const
{
    for (const CEdgeUse* use : GetEdgeUses()) {
        for (const CEdgeUse* partner : PartnersOf(use)) {
            if (partner->GetLoop() == this)
                return use->GetEdge();
        }
    }
    return nullptr;
}

bool CLoop::FindUseSharedInFace(CEdgeUse*& use, CEdgeUse*& otherUse) const
{
    use = otherUse = nullptr;
    if (!m_face)
        return false;
    for (CEdgeUse* candidate : GetEdgeUses()) {
        for (CEdgeUse* partner : PartnersOf(candidate)) {
            if (partner->GetLoop() != this && partner->GetFace() == m_face) {
                use = candidate;
                otherUse = partner;
                return true;
            }
        }
    }
    return false;
}

CEdge* CLoop::FindEdgeSharedWith(const CLoop* other) const
{
    for (const CEdgeUse* use : GetEdgeUses()) {
        if (CEdge* edge = use->GetEdge(); edge && edge->FindUseInLoop(other))
            return edge;
    }
    return nullptr;
}

bool CLoop::ForEachVertexPoint(CPointProc& visitor) const
{
    bool answer = false;
    for (const CEdgeUse* use : GetEdgeUses()) {
        const CVertex* vertex = use->GetStartVertex();
        if (!vertex)
            continue;
        answer = visitor.Visit(vertex->GetPosition());
        if (!answer)
            break;
    }
    return answer;
}

bool CLoop::ForEachEdgeUse(CEdgeUseProc& visitor) const
{
    bool answer = false;
    for (CEdgeUse* use : GetEdgeUses()) {
        answer = visitor.Visit(use);
        if (!answer)
            break;
    }
    return answer;
}

CEnumVertex* CLoop::NewVertexEnumerator() const
{
    if (!m_firstUse)
        return new CEnumVertex;
    return new CEnumVertexLoop(this);
}

CEnumEdgeUse* CLoop::NewEdgeUseEnumerator() const
{
    return new CEnumEdgeUseLoop(this);
}

CEnumEdge* CLoop::NewEdgeEnumerator() const
{
    return new CEnumEdgeLoop(this);
}

int CLoop::ClassifyPoint(const CPoint3d& point, double tolerance, int axis,
                         const CTransform3d* transform) const
{
    const int u = axis % 3;
    const int v = (axis + 1) % 3;
    const double pu = point[u];
    const double pv = point[v];
    auto positionOf = [&](const CVertex* vertex) {
        return transform ? transform->MultiplyPoint(vertex->GetPosition()) : vertex->GetPosition();
    };
    auto sideOf = [&](const CPoint3d& p) {
        if (std::abs(p[v] - pv) < tolerance)
            return 0;
        return p[v] > pv ? 1 : -1;
    };
    const std::vector<CEdgeUse*> uses = GetEdgeUses();
    if (uses.empty() || !uses.front()->GetStartVertex())
        return kOutside;
    CPoint3d p = positionOf(uses.front()->GetStartVertex());
    int h = sideOf(p);
    int crossings = 0;
    for (const CEdgeUse* use : uses) {
        const CVertex* end = use->GetEndVertex();
        if (!end)
            continue;
        const CPoint3d q = positionOf(end);
        const int g = sideOf(q);
        if (p.IsEqual(point, tolerance) || q.IsEqual(point, tolerance))
            return kOnVertex;
        if (h != g) {
            if (orbisk::geometry::IsPointNearSegment(p, q, point, tolerance))
                return kOnEdge;
            if (h + g == 0) {
                const double offset = (q[u] - p[u]) * (pv - p[v]) / (q[v] - p[v]) + p[u] - pu;
                if (std::abs(offset) < tolerance)
                    return kOnEdge;
                if (offset > 0.0)
                    ++crossings;
            } else if (h + g == -1) {
                // One end on the line, the other below: counted once, from below.
                const CPoint3d& onLine = h == 0 ? p : q;
                if (pu < onLine[u])
                    ++crossings;
            }
        } else if (h == 0 && (pu - p[u]) * (pu - q[u]) < 0.0) {
            return kOnEdge;
        }
        p = q;
        h = g;
    }
    return crossings % 2 == 1 ? kInside : kOutside;
}

void CLoop::GetPolygon2d(const CPlane3d& plane, CPolygon2d& polygon, const CTransform3d* transform) const
{
    polygon = CPolygon2d();
    const std::vector<CEdgeUse*> uses = GetEdgeUses();
    polygon.points.reserve(uses.size());
    for (const CEdgeUse* use : uses) {
        const CVertex* vertex = use->GetStartVertex();
        if (!vertex)
            continue;
        const CPoint3d p =
            transform ? transform->MultiplyPoint(vertex->GetPosition()) : vertex->GetPosition();
        polygon.AddPoint(plane.ProjectTo2d(p));
    }
}

const CPlane3d* CLoop::GetFacePlane() const
{
    const IFace* face = AsFace(m_face);
    return face ? &face->GetPlane() : nullptr;
}

CEntity* CLoop::FindFaceCoveringLoop() const
{
    const CPlane3d* reference = GetFacePlane();
    const std::vector<CEdgeUse*> uses = GetEdgeUses();
    if (!reference || uses.empty())
        return nullptr;
    auto liesOnPlane = [&](const CEdgeUse* use) {
        const IFace* face = FaceOf(use);
        return face && use->GetLoop()->IsOuter() &&
               face->GetPlane().IsEqual(*reference, false, kGeomTolerance);
    };
    std::vector<CEntity*> candidates;
    for (const CEdgeUse* partner : PartnersOf(uses.front())) {
        if (liesOnPlane(partner))
            candidates.push_back(partner->GetFace());
    }
    for (size_t i = 1; i < uses.size() && !candidates.empty(); ++i) {
        const std::vector<CEdgeUse*> partners = PartnersOf(uses[i]);
        if (std::none_of(partners.begin(), partners.end(), liesOnPlane))
            continue;
        const CEdge* edge = uses[i]->GetEdge();
        std::erase_if(candidates, [&](const CEntity* face) { return !edge->IsUsedByFace(face); });
    }
    return candidates.empty() ? nullptr : candidates.front();
}

orbisk::geometry::CTransform3d GetFaceFrame(const CEntity* face)
{
    const IFace* asFace = AsFace(face);
    if (!asFace || asFace->GetLoops().IsEmpty())
        return orbisk::geometry::CTransform3d();
    const auto* outer = static_cast<const CLoop*>(asFace->GetLoops().GetAt(0));
    const CEdgeUse* use = outer ? outer->GetFirstEdgeUse() : nullptr;
    if (!use || !use->GetStartVertex() || !use->GetEndVertex())
        return orbisk::geometry::CTransform3d();
    const orbisk::geometry::CPoint3d origin = use->GetStartVertex()->GetPosition();
    const orbisk::geometry::CVector3d xAxis = use->GetEndVertex()->GetPosition() - origin;
    const orbisk::geometry::CVector3d normal = asFace->GetPlane().GetNormal();
    return orbisk::geometry::CTransform3d(xAxis, normal.Cross(xAxis), normal, origin);
}

void CLoop::RemoveDegenerateEdges()
{
    // Each pass takes out at least one use, so the passes end.
    while (RemoveOneDegenerateUse()) {}
}

bool CLoop::RemoveOneDegenerateUse()
{
    const CString name = DescribeEntity(this);
    for (CEdgeUse* use : GetEdgeUses()) {
        CVertex* start = use->GetStartVertex();
        CVertex* end = use->GetEndVertex();
        if (!start || !end)
            continue;
        if (start == end || start->GetPosition().IsEqual(end->GetPosition(), kGeomTolerance)) {
            AppendValidityMessage("zero length edge (%s) removed from %s\n",
                                  DescribeEntity(use->GetEdge()).GetString(), name.GetString());
            if (start != end)
                start->Absorb(end);
            use->Erase();
            return true;
        }
        CEdgeUse* previous = use->GetPrevious();
        if (!previous || previous == use || previous->GetEdge() != use->GetEdge())
            continue;
        // Out along an edge and straight back.
        AppendValidityMessage("Repeated edge (%s) removed from %s\n",
                              DescribeEntity(use->GetEdge()).GetString(), name.GetString());
        CEdgeUse* next = use->GetNext();
        use->Erase();
        previous->Erase();
        if (next && next != use && next != previous) {
            CEdgeUse* before = next->GetPrevious();
            CVertex* arriving = before ? before->GetEndVertex() : nullptr;
            CVertex* leaving = next->GetStartVertex();
            if (arriving && leaving && arriving != leaving &&
                arriving->GetPosition().IsEqual(leaving->GetPosition(), kGeomTolerance))
                arriving->Absorb(leaving);
        }
        return true;
    }
    return false;
}

int CLoop::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CLoop), map, [&] { return CEntity::CheckValidity(level, map); },
        [&] { return CheckOwnValidity(level, map); });
}

int CLoop::CheckOwnValidity(int level, CCheckedObjectMap* map)
{
    const CString name = DescribeEntity(this);
    if (!IsEntityOfType(m_face, kEntityFace)) {
        AppendValidityMessage("The face for %s is not a CFace\n", name.GetString());
        if (m_face)
            RecordValidity(m_face, 3, map);
        return 3;
    }
    const CString faceName = DescribeEntity(m_face);
    int result = 0;
    if (level != kValidityCheckIgnoringIds && CEntity::GetParent()) {
        AppendValidityMessage("The parent for %s is not NULL", name.GetString());
        if (ShouldFix(level)) {
            MarkChanged();
            SetParent(nullptr);
        } else {
            result = 1;
        }
    }
    if (!m_firstUse || !m_firstUse->IsKindOf(RUNTIME_CLASS(CEdgeUse))) {
        AppendValidityMessage("The first edge use pointer for %s is not a CEdgeUse\n", name.GetString());
        if (m_firstUse)
            RecordValidity(m_firstUse, 3, map);
        return 3;
    }
    if (map) {
        const int firstResult = m_firstUse->CheckValidity(level, nullptr);
        if (firstResult >= 2)
            return firstResult;
        if (firstResult == 1)
            result = 1;
    }
    if (m_firstUse->GetLoop() != this) {
        AppendValidityMessage("%s for %s has a bad first EdgeUse\n", name.GetString(), faceName.GetString());
        return 2;
    }
    if (level != kValidityCheckIgnoringIds) {
        const int count = GetEdgeUseCount();
        if (count < 3) {
            AppendValidityMessage("%s for %s has too few edges\n", name.GetString(), faceName.GetString());
            return 2;
        }
        if (count >= std::max(kMinWalkBound, EntityCountOf(m_face->GetParent()))) {
            AppendValidityMessage("%s for %s has too many edges\n", name.GetString(), faceName.GetString());
            AppendValidityMessage("\t This probably indicates a cycle within the list\n");
            return 2;
        }
    }
    result = CheckRingUses(level, map, result);
    if (result >= 2 || !map)
        return result;
    return CheckShape(level, map, result);
}

int CLoop::CheckRingUses(int level, CCheckedObjectMap* map, int result)
{
    const CString name = DescribeEntity(this);
    const CString faceName = DescribeEntity(m_face);
    CEntity* faceComponent = m_face->GetParentComponent();
    const CEdgeUse* previous = nullptr;
    int index = 0;
    for (CEdgeUse* use : GetEdgeUses()) {
        if (!use->IsKindOf(RUNTIME_CLASS(CEdgeUse))) {
            AppendValidityMessage("An edge use for %s is not a CEdgeUse\n", name.GetString());
            RecordValidity(use, 3, map);
            return 3;
        }
        if (map) {
            const int useResult = use->CheckValidity(level, map);
            if (useResult >= 2)
                return RecordValidity(use, useResult, map);
            if (useResult == 1)
                result = 1;
            if (use->GetLoop() != this) {
                AppendValidityMessage("%s for %s has bad EdgeUse (%s)\n", name.GetString(),
                                      faceName.GetString(), DescribeEntity(use).GetString());
                return 2;
            }
            if (previous && previous->GetEndVertex() != use->GetStartVertex()) {
                AppendValidityMessage("Edges are not connected in %s for %s\n", name.GetString(),
                                      faceName.GetString());
                return 2;
            }
            const int edgeResult = CheckEdgeOfUse(use, index, name, level, map);
            if (edgeResult >= 2)
                return edgeResult;
            if (edgeResult == 1)
                result = 1;
            CEdge* edge = use->GetEdge();
            if (edge->GetParentComponent() != faceComponent) {
                AppendValidityMessage("Edge parent for %s does not match Face parent in %s",
                                      DescribeEntity(edge).GetString(), faceName.GetString());
                if (ShouldFix(level))
                    edge->SetParent(faceComponent);
                else
                    result = 1;
            }
        }
        previous = use;
        ++index;
    }
    return result;
}

int CLoop::CheckShape(int level, CCheckedObjectMap* map, int result)
{
    const CString name = DescribeEntity(this);
    const CString faceName = DescribeEntity(m_face);
    const std::vector<CEdgeUse*> uses = GetEdgeUses();
    const CEdgeUse* last = uses.back();
    if (last->GetNext() != m_firstUse || last->GetEndVertex() != m_firstUse->GetStartVertex()) {
        AppendValidityMessage("%s for %s is not closed\n", name.GetString(), faceName.GetString());
        return 2;
    }
    IFace* face = AsFace(m_face);
    if (level != kValidityCheckIgnoringIds && face) {
        double area = 0.0;
        if (!HasArea(face->GetPlane().GetNormal(), &area)) {
            AppendValidityMessage("%s for %s has zero area\n", name.GetString(), faceName.GetString());
            return 2;
        }
        if ((area > 0.0) != m_outer) {
            AppendValidityMessage("%s for %s is oriented wrong", name.GetString(), faceName.GetString());
            if (!ShouldFix(level))
                result = 1;
            else if (face->GetLoops().GetCount() == 1)
                face->ReversePlane();
            else
                Reverse();
        }
    }
    return CheckEdges(level, map, result);
}

int CLoop::CheckEdges(int level, CCheckedObjectMap* map, int result)
{
    const CString name = DescribeEntity(this);
    CEntity* component = m_face->GetParentComponent();
    CEnumEdgeUseLoop uses(this);
    int index = 0;
    for (CEdgeUse* use = nullptr; uses.Next(use); ++index) {
        const int edgeResult = CheckEdgeOfUse(use, index, name, level, map);
        if (edgeResult >= 2)
            return edgeResult;
        if (edgeResult == 1)
            result = 1;
        CEdge* edge = use->GetEdge();
        if (level == kValidityCheckIgnoringIds || edge->GetParent())
            continue;
        AppendValidityMessage("%s is missing from this component (%s)", DescribeEntity(edge).GetString(),
                              DescribeEntity(m_face).GetString());
        IComponent* owner = AsComponent(component);
        if (!owner || !ShouldFix(level)) {
            result = 1;
            continue;
        }
        component->MarkChanged();
        owner->GetEntities().Add(edge);
    }
    return result;
}
