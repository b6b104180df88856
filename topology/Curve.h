#pragma once
// CCurve: a run of straight edges, end to end, treated as one curve. The edges stay ordinary
// edges and name the curve; the curve knows only the first and last edge of its chain and how
// many edges belong to it. The chain order is never stored: it is found by walking from vertex
// to vertex over edges that name the same curve. Arc curves (CArcCurve) add a circle.
//
// An edge runs along the curve (direction 1) when its start faces the chain's start, against
// it (2) otherwise. The curve owns nothing; it lives while edges name it and erases itself when
// the last one leaves (Release). Its parent is the parent of its edges.
//
// Record: the entity part; schemas 0 and 3 the first and last edge (schema 0 discards them);
// schemas 2 to 4 the flag; schemas 3 and 4 the count. The curve fix-up list settles the ends
// after reading.
//
// Chain walks keep track of the edges they passed: a chain read from a file may close on
// itself anywhere, and no walk goes round it twice.

#include <cstdint>
#include <vector>

#include "database/Entity.h"
#include "geometry/Plane3d.h"
#include "topology/TopologyReading.h"

class CArcCurve;
class CEdge;
class CVertex;

class CCurve : public CEntity, public IReadLinks {
    DECLARE_SERIAL(CCurve)
public:
    using CPoint3d = orbisk::geometry::CPoint3d;
    using CVector3d = orbisk::geometry::CVector3d;
    using CPlane3d = orbisk::geometry::CPlane3d;

    CCurve() = default;
    // The entity copy, both end edges, the count and the flag.
    CCurve(const CCurve& other);
    ~CCurve() override;
    CCurve& operator=(const CCurve&) = delete;

    void Serialize(CArchive& ar) override;
    // With every edge of its chain.
    bool CollectWithDependents(CEntitySet& set) override;
    CEntity* CreateCopy() const override;
    void SwapContents(CEntity& other) override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityCurve; }
    void CutLinks() override;

    // 1 along, 2 against, 0 for a broken chain (or a curve without ends).
    virtual int GetEdgeDirection(CEdge* edge);
    // With test, whether the chain's two ends are at one position.
    virtual bool IsClosed(bool test);
    virtual bool GetQuadrantPoints(CPoint3d& p0, CPoint3d& p1, CPoint3d& p2, CPoint3d& p3);
    virtual bool IsCoplanarWithFaces();
    // Puts angle 0 at the chain start (arcs); see CArcCurve.
    virtual void ResetParameterization(bool allowFreeCircle, bool radiusToStart);
    virtual void PassThroughPoint(const CPoint3d& point);
    virtual void SetRadiusThroughPoint(const CPoint3d& directionPoint, const CPoint3d& point);
    // Drags a chain end to a new position, carrying the chain along; oldPosition gets the
    // moving end's position.
    virtual void MoveEnd(CVertex* vertex, CPoint3d& oldPosition, const CPoint3d& newPosition);
    virtual double GetLength();
    virtual bool GetMidpoint(CPoint3d& point);
    virtual bool IsPointOnCurve(const CPoint3d& point);
    virtual bool IsArc() const { return false; }
    virtual CPlane3d GetPlane() const { return {}; }
    virtual CVector3d GetNormal();
    // An empty curve of the same kind, with this one's flag (and circle).
    virtual CCurve* CreateEmptyLike() const;

    CEdge* GetFirstEdge() const { return m_firstEdge; }
    CEdge* GetLastEdge() const { return m_lastEdge; }
    // Without a change notice.
    void SetFirstEdge(CEdge* edge) { m_firstEdge = edge; }
    void SetLastEdge(CEdge* edge) { m_lastEdge = edge; }
    int32_t GetEdgeCount() const { return m_edgeCount; }
    void SetEdgeCount(int32_t count) { m_edgeCount = count; }
    bool GetFlag() const { return m_flag; }
    void SetFlag(bool flag) { m_flag = flag; }
    // One more edge names the curve.
    void AddReference();
    // One edge fewer; the curve erases itself when the last one leaves.
    void Release();

    // The first edge at the vertex, other than the given one, that names this curve; the unique
    // one (null when two or more qualify).
    CEdge* FindNextEdge(const CEdge* edge, const CVertex* vertex) const;
    CEdge* FindUniqueNextEdge(const CEdge* edge, const CVertex* vertex) const;
    CVertex* GetStartVertex() const;
    CVertex* GetEndVertex() const;
    // The chain from the first to the last edge (or to where it breaks); returns the size.
    int GetEdgesInOrder(std::vector<CEdge*>& edges) const;
    // The chain's vertices in order (a closed chain lists its start twice); returns the size.
    int GetVerticesInOrder(std::vector<CVertex*>& vertices) const;
    // Every edge of this curve reachable from the vertex over edges of this curve.
    int CollectEdges(CVertex* vertex, CEntitySet& edges) const;

    // Rebuilds both ends from any edge of the chain, then resets the angles.
    void FindEnds(CEdge* edge);
    // Splits the chain at the vertex where edge `moving` and edge `staying` meet: `moving` and
    // the edges beyond it go to a new curve (a full circle is only re-anchored there).
    void SplitAt(CVertex* vertex, CEdge* moving, CEdge* staying);
    // Every edge that names the curve (in its component, else the current model) leaves it,
    // and the curve goes.
    void Dissolve();
    void DetachFromEdgesIn(CEntity* component);
    // One new curve for each simple chain when the curve is not one; false when it is.
    bool SplitIntoChains(std::vector<CCurve*>& curves);
    // More than two edges meet at the vertex and the curve does not pass through cleanly.
    bool HasBranchAt(const CVertex* vertex) const;

protected:
    void ReadCurveRecord(CArchive& ar);
    void WriteCurveRecord(CArchive& ar) const;
    // The chain's vertex positions in order.
    std::vector<CPoint3d> GetPositionsInOrder() const;
    // The curve's own checks; dissolved tells that a repair dissolved the curve, which is gone.
    int CheckCurveValidity(int level, CCheckedObjectMap* map, bool& dissolved);

    CEdge* m_firstEdge = nullptr;
    CEdge* m_lastEdge = nullptr;
    int32_t m_edgeCount = 0;
    bool m_flag = false;

private:
    int CheckChain(int level, int result, bool& dissolved);
    void DetachFromEdgesIn(CEntity* component, std::vector<const CEntity*>& searched);
    // Every edge left that names the curve (its chain's, its component's) lets go of it.
    void DetachFromRemainingEdges();
};

// The entity is an arc curve whose circle is a true circle, not an ellipse.
bool IsCircularArcCurve(const CEntity* entity);
CArcCurve* AsCircularArcCurve(CEntity* entity);
