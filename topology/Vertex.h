#pragma once
// CVertex: a point of the model's topology, the one position shared by every edge that ends
// there. Vertices are no members of a component's entity list: they exist through their
// edges, which register with them (when constructed, linked or read) and leave them again; a
// vertex left without edges is erased by the edge code. The vertex lists its edges in the order
// they arrived, so that topology can be walked outward from a point.
//
// The record is the entity part and the position; the edge list is not stored.

#include "database/Entity.h"
#include "geometry/Point3d.h"
#include "topology/CompactPtrArray.h"
#include "topology/TopologyReading.h"

class CEdge;
class CEdgeUse;
class CEnumEdge;
class CEnumFace;
class CEnumLoop;

class CVertex : public CEntity, public IReadLinks {
    DECLARE_SERIAL(CVertex)
public:
    using CPoint3d = orbisk::geometry::CPoint3d;

    CVertex() = default;
    explicit CVertex(const CPoint3d& position) : m_position(position) {}
    // The entity copy, the position and the same edge pointers.
    CVertex(const CVertex& other);
    CVertex& operator=(const CVertex&) = delete;

    void Serialize(CArchive& ar) override;
    // Clears the start or end reference of every listed edge that names this vertex, then the
    // entity's erase.
    void Erase() override;
    void Transform(const orbisk::geometry::CTransform3d& transform) override;
    CEntity* CreateCopy() const override;
    void SwapContents(CEntity& other) override;
    // Its own parent, else the parent of the first listed edge that has one.
    CEntity* GetParent() const override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityVertex; }
    void CutLinks() override;

    const CPoint3d& GetPosition() const { return m_position; }
    void SetPosition(const CPoint3d& position);

    int GetEdgeCount() const { return m_edges.GetCount(); }
    bool HasEdges() const { return m_edges.GetCount() > 0; }
    // The caller keeps the index below the count.
    CEdge* GetEdge(int index) const;
    const CCompactPtrArray& GetEdges() const { return m_edges; }
    // Appends the edge (no duplicate check). With splitCurve, a vertex inside a curve's chain
    // where a third edge now meets splits that curve here first. False, with nothing changed,
    // when the vertex already lists as many edges as it can hold.
    bool AddEdge(CEdge* edge, bool splitCurve);
    // With mergeArcs, two arcs of one circle that now meet here alone become one.
    void RemoveEdge(CEdge* edge, bool mergeArcs);
    // Moves every edge of a coincident vertex (within 0.001) to this one; the other goes.
    void Absorb(CVertex* other);

    CEdge* FindEdgeTo(const CVertex* other) const;
    bool HasEdge(const CEdge* edge) const;
    CEdge* GetOtherEdge(const CEdge* edge) const;
    // Whether an edge here is used by the face (an entity of type 18).
    bool TouchesFace(const CEntity* face) const;
    CEdgeUse* FindEdgeUseInFace(const CEntity* face) const;
    // The first two listed edges on curves; true when exactly two edges here lie on curves, both
    // on the same one.
    bool GetSharedCurveEdges(CEdge*& first, CEdge*& second) const;
    // Every edge here on a curve leaves its curve.
    void ReleaseEdgeCurves();

    // New enumerators that the caller deletes.
    CEnumEdge* NewEdgeEnumerator() const;
    CEnumLoop* NewLoopEnumerator() const;
    CEnumFace* NewFaceEnumerator() const;

private:
    friend class CEdge;

    // Takes every copy of the edge off the list, without a notice (an edge cut loose).
    void ForgetEdge(const CEdge* edge);
    int CheckOwnValidity(int level, CCheckedObjectMap* map);
    void MergeArcsMeetingHere();

    CPoint3d m_position;
    CCompactPtrArray m_edges;
};
