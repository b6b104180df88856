#include "topology/EdgeUse.h"

#include <unordered_set>
#include <utility>

#include "database/ArchiveReading.h"
#include "database/ArchiveSchema.h"
#include "database/DrawingElement.h"
#include "database/EntitySet.h"
#include "platform/mfc/Archive.h"
#include "topology/Edge.h"
#include "topology/IFace.h"
#include "topology/Loop.h"
#include "topology/TopologyEnumerators.h"
#include "topology/Vertex.h"

IMPLEMENT_SERIAL(CEdgeUse, CEntity, VERSIONABLE_SCHEMA | 1)

CEdgeUse::CEdgeUse() : m_previous(this), m_next(this), m_partner(this) {}

CEdgeUse::CEdgeUse(CEdge* edge, bool reversed, CEdgeUse* after, CLoop* loop)
    : m_edge(edge), m_reversed(reversed), m_loop(loop), m_previous(this), m_next(this), m_partner(this)
{
    if (after) {
        CEdgeUse* next = after->m_next ? after->m_next : after;
        m_previous = after;
        m_next = next;
        after->MarkChanged();
        after->m_next = this;
        next->MarkChanged();
        next->m_previous = this;
    }
    JoinPartnerRing();
    if (loop && !loop->GetFirstEdgeUse())
        loop->SetFirstEdgeUse(this);
}

CEdgeUse::CEdgeUse(const CEdgeUse& other)
    : CEntity(other),
      m_edge(other.m_edge),
      m_reversed(other.m_reversed),
      m_loop(other.m_loop),
      m_previous(other.m_previous),
      m_next(other.m_next),
      m_partner(other.m_partner)
{}

void CEdgeUse::Serialize(CArchive& ar)
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

void CEdgeUse::ReadRecord(CArchive& ar)
{
    const int32_t schema = GetClassVersion(RUNTIME_CLASS(CEdgeUse));
    ar >> m_edge >> m_reversed >> m_loop;
    if (schema == 0)
        ar >> m_previous >> m_next;
    m_normalIndex = 0;
    if (m_loop && m_loop->m_ringSettled) {
        // The loop's ring was final before this record: the use cannot be in it, and erasing the
        // loop would leave it naming a freed one.
        m_loop = nullptr;
        m_previous = m_next = this;
    } else if (m_loop) {
        ++m_loop->m_namingUsesRead;
    }
    // A record may be the first to name any of these; until a loop or a component takes them
    // over, the model being read holds them.
    for (CEntity* named : {static_cast<CEntity*>(m_edge), static_cast<CEntity*>(m_loop),
                           static_cast<CEntity*>(m_previous), static_cast<CEntity*>(m_next)})
        KeepUntilAdopted(named);
    // A use without an edge is left out of every partner ring for the check to report.
    if (m_edge)
        JoinPartnerRing();
}

void CEdgeUse::WriteRecord(CArchive& ar) const
{
    ar << static_cast<const CObject*>(m_edge) << m_reversed << static_cast<const CObject*>(m_loop);
}

CEntity* CEdgeUse::CreateCopy() const
{
    return new CEdgeUse(*this);
}

void CEdgeUse::SwapContents(CEntity& other)
{
    CEntity::SwapContents(other);
    auto& use = static_cast<CEdgeUse&>(other);
    std::swap(m_edge, use.m_edge);
    std::swap(m_reversed, use.m_reversed);
    std::swap(m_loop, use.m_loop);
    std::swap(m_previous, use.m_previous);
    std::swap(m_next, use.m_next);
    std::swap(m_partner, use.m_partner);
    m_normalIndex = 0;
}

CEntity* CEdgeUse::GetParent() const
{
    if (CEntity* parent = CEntity::GetParent())
        return parent;
    if (CEntity* parent = m_edge ? m_edge->GetParent() : nullptr)
        return parent;
    return m_loop ? m_loop->GetParent() : nullptr;
}

void CEdgeUse::SetLoop(CLoop* loop)
{
    MarkChanged();
    m_loop = loop;
}

void CEdgeUse::SetPrevious(CEdgeUse* use)
{
    MarkChanged();
    m_previous = use;
}

void CEdgeUse::SetNext(CEdgeUse* use)
{
    MarkChanged();
    m_next = use;
}

void CEdgeUse::SetReversed(bool reversed)
{
    MarkChanged();
    m_reversed = reversed;
}

void CEdgeUse::SetEdge(CEdge* edge, bool reversed)
{
    if (edge == m_edge)
        return;
    MarkChanged();
    if (m_edge)
        LeavePartnerRing();
    m_edge = edge;
    m_reversed = reversed;
    if (edge)
        JoinPartnerRing();
}

void CEdgeUse::JoinPartnerRing()
{
    if (!m_edge)
        return;
    CEdgeUse* first = m_edge->GetFirstUse();
    if (!first) {
        m_partner = this;
        m_edge->SetFirstUse(this);
        return;
    }
    // The last use of the ring, whose partner is the first.
    CEdgeUse* last = first;
    std::unordered_set<const CEdgeUse*> seen;
    while (last->m_partner && last->m_partner != first && seen.insert(last).second)
        last = last->m_partner;
    m_partner = first;
    last->MarkChanged();
    last->m_partner = this;
}

CEdgeUse* CEdgeUse::FindPartnerBefore() const
{
    std::unordered_set<const CEdgeUse*> seen;
    for (CEdgeUse* use = m_partner; use && seen.insert(use).second; use = use->m_partner) {
        if (use->m_partner == this)
            return use;
    }
    return nullptr;
}

void CEdgeUse::LeavePartnerRing()
{
    if (m_partner && m_partner != this) {
        if (CEdgeUse* before = FindPartnerBefore()) {
            before->MarkChanged();
            before->m_partner = m_partner;
        }
        if (m_edge && m_edge->GetFirstUse() == this)
            m_edge->SetFirstUse(m_partner);
    } else if (m_edge && m_edge->GetFirstUse() == this) {
        m_edge->SetFirstUse(nullptr);
    }
    m_partner = this;
}

void CEdgeUse::CutLinks()
{
    if (m_previous && m_previous != this && m_previous->m_next == this)
        m_previous->m_next = m_next && m_next != this ? m_next : m_previous;
    if (m_next && m_next != this && m_next->m_previous == this)
        m_next->m_previous = m_previous && m_previous != this ? m_previous : m_next;
    if (m_loop && m_loop->m_firstUse == this)
        m_loop->m_firstUse = nullptr;
    if (CEdgeUse* before = m_partner != this ? FindPartnerBefore() : nullptr)
        before->m_partner = m_partner;
    if (m_edge && m_edge->m_firstUse == this)
        m_edge->m_firstUse = m_partner != this ? m_partner : nullptr;
    m_edge = nullptr;
    m_loop = nullptr;
    m_previous = m_next = m_partner = this;
}

CEntity* CEdgeUse::GetFace() const
{
    return m_loop ? m_loop->GetFace() : nullptr;
}

CVertex* CEdgeUse::GetStartVertex() const
{
    if (!m_edge)
        return nullptr;
    return m_reversed ? m_edge->GetEnd() : m_edge->GetStart();
}

CVertex* CEdgeUse::GetEndVertex() const
{
    if (!m_edge)
        return nullptr;
    return m_reversed ? m_edge->GetStart() : m_edge->GetEnd();
}

bool CEdgeUse::IsFlippedInFace() const
{
    const auto* face = dynamic_cast<const CDrawingElement*>(GetFace());
    const bool faceFlipped = face && face->GetSecondFlag();
    return m_reversed != faceFlipped;
}

CEnumEdgeUse* CEdgeUse::NewPartnerEnumerator() const
{
    return new CEnumEdgeUsePartners(this);
}

void CEdgeUse::Erase()
{
    MarkChanged();
    if (m_previous) {
        m_previous->MarkChanged();
        m_previous->m_next = m_next;
    }
    if (m_next) {
        m_next->MarkChanged();
        m_next->m_previous = m_previous;
    }
    if (m_loop && m_loop->GetFirstEdgeUse() == this)
        m_loop->SetFirstEdgeUse(m_previous == this ? nullptr : m_previous);
    LeavePartnerRing();
    CEntity::Erase();
}

bool CEdgeUse::CollectWithDependents(CEntitySet& set)
{
    if (!CEntity::CollectWithDependents(set))
        return false;
    if (m_edge)
        m_edge->CollectWithDependents(set);
    // The rest of the loop ring, walked rather than recursed: rings can be long.
    for (CEdgeUse* use = m_next; use && use != this && !set.Contains(use); use = use->m_next) {
        if (!use->CEntity::CollectWithDependents(set))
            break;
        if (use->m_edge)
            use->m_edge->CollectWithDependents(set);
    }
    return true;
}

CEdgeUse* CEdgeUse::AddSplitEdge(CEdge* newEdge)
{
    MarkChanged();
    // A reversed use runs the new edge first.
    auto* use = m_reversed ? new CEdgeUse(newEdge, true, m_previous, m_loop)
                           : new CEdgeUse(newEdge, false, this, m_loop);
    if (const IFace* face = AsFace(m_loop ? m_loop->GetFace() : nullptr))
        m_loop->UpdateConvexity(face->GetPlane().GetNormal(), false);
    return use;
}

int CEdgeUse::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CEdgeUse), map, [&] { return CEntity::CheckValidity(level, map); },
        [&] { return CheckOwnValidity(level, map); });
}

int CEdgeUse::CheckOwnValidity(int level, CCheckedObjectMap* map)
{
    const CString name = DescribeEntity(this);
    auto fails = [&](const CObject* linked, const CRuntimeClass* expected, const char* message) {
        if (linked && linked->IsKindOf(expected))
            return false;
        AppendValidityMessage(message, name.GetString());
        if (linked)
            RecordValidity(linked, 3, map);
        return true;
    };
    if (fails(m_edge, RUNTIME_CLASS(CEdge), "The edge for %s is not valid\n") ||
        fails(m_loop, RUNTIME_CLASS(CLoop), "The loop for %s is not valid\n") ||
        fails(m_previous, RUNTIME_CLASS(CEdgeUse), "The previous or next edge use for %s is not valid\n") ||
        fails(m_next, RUNTIME_CLASS(CEdgeUse), "The previous or next edge use for %s is not valid\n"))
        return 3;
    int result = 0;
    auto checkLinked = [&](CEdgeUse* use) {
        if (!map || use == this)
            return 0;
        const int linkedResult = use->CheckValidity(level, nullptr);
        if (linkedResult == 1)
            result = 1;
        return linkedResult >= 2 ? linkedResult : 0;
    };
    for (CEdgeUse* use : {m_previous, m_next}) {
        if (const int failed = checkLinked(use))
            return failed;
    }
    if (fails(m_partner, RUNTIME_CLASS(CEdgeUse), "The partner for %s is not valid\n"))
        return 3;
    if (const int failed = checkLinked(m_partner))
        return failed;
    return result;
}
