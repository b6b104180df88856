#pragma once
// CEdgeUse: one loop of a face running along one edge, in one direction. A use sits in two
// rings at once: its loop's ring (previous and next, in the order the loop runs around its
// face) and its edge's partner ring (every use of the edge, singly linked, headed by the edge's
// first use). A use alone links to itself in both.
//
// Record: the entity part, the edge, the reversed flag and the loop; schema 0 adds the previous
// and next use, later schemas leave the loop ring to the loop's record. After reading, a use
// with an edge joins the edge's partner ring; one without is left for the check to report.
//
// Partner rings are built only by the operations here, so walks over them end when they come
// back to where they started. Loop rings come from files: walks over them are bounded by the
// loop (CLoop::GetEdgeUseCount).

#include <cstdint>

#include "database/Entity.h"
#include "topology/TopologyReading.h"

class CEdge;
class CEnumEdgeUse;
class CLoop;
class CVertex;

class CEdgeUse : public CEntity, public IReadLinks {
    DECLARE_SERIAL(CEdgeUse)
public:
    CEdgeUse();
    // A use of the edge (not null) in the loop, after the given use in its loop ring (alone
    // without one), joined to the edge's partner ring; it becomes the loop's first use when the
    // loop has none.
    CEdgeUse(CEdge* edge, bool reversed, CEdgeUse* after, CLoop* loop);
    // The entity copy and the same links (undo copies).
    CEdgeUse(const CEdgeUse& other);
    CEdgeUse& operator=(const CEdgeUse&) = delete;

    void Serialize(CArchive& ar) override;
    // Leaves both rings, then the entity's erase.
    void Erase() override;
    bool CollectWithDependents(CEntitySet& set) override;
    CEntity* CreateCopy() const override;
    void SwapContents(CEntity& other) override;
    // Its own parent, else the edge's, else the loop's.
    CEntity* GetParent() const override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityEdgeUse; }
    void CutLinks() override;

    CEdge* GetEdge() const { return m_edge; }
    bool IsReversed() const { return m_reversed; }
    CLoop* GetLoop() const { return m_loop; }
    CEdgeUse* GetPrevious() const { return m_previous; }
    CEdgeUse* GetNext() const { return m_next; }
    CEdgeUse* GetPartner() const { return m_partner; }
    int32_t GetNormalIndex() const { return m_normalIndex; }
    void SetNormalIndex(int32_t index) { m_normalIndex = index; }

    void SetLoop(CLoop* loop);
    void SetPrevious(CEdgeUse* use);
    void SetNext(CEdgeUse* use);
    void SetReversed(bool reversed);
    // Nothing at all when the edge is the current one; otherwise leaves the old edge's ring and
    // joins the new one's.
    void SetEdge(CEdge* edge, bool reversed);
    // Enters just before the edge's first use, or becomes its first use.
    void JoinPartnerRing();
    void LeavePartnerRing();

    // The loop's face, or null.
    CEntity* GetFace() const;
    // The edge's end when reversed, else its start; null without an edge.
    CVertex* GetStartVertex() const;
    CVertex* GetEndVertex() const;
    // The reversed flag exclusive-or the face's orientation bit.
    bool IsFlippedInFace() const;
    // A new enumerator over the other uses of the edge; the caller deletes it.
    CEnumEdgeUse* NewPartnerEnumerator() const;

    // After this use's edge was split in two, a use of the new edge that continues it, beside
    // this one in the same loop.
    CEdgeUse* AddSplitEdge(CEdge* newEdge);

private:
    friend class CEdge;
    friend class CLoop;

    void ReadRecord(CArchive& ar);
    void WriteRecord(CArchive& ar) const;
    // The use whose partner is this one; null when none is found on the way round.
    CEdgeUse* FindPartnerBefore() const;
    int CheckOwnValidity(int level, CCheckedObjectMap* map);

    CEdge* m_edge = nullptr;
    bool m_reversed = false;
    CLoop* m_loop = nullptr;
    CEdgeUse* m_previous;
    CEdgeUse* m_next;
    CEdgeUse* m_partner;
    // Which normal applies at the start vertex of a smooth face, kept by the component's
    // averaged-normal cache: 0 not computed, -1 the face's own, n > 0 entry n - 1. Not stored.
    int32_t m_normalIndex = 0;
};
