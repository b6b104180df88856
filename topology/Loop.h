#pragma once
// CLoop: one closed boundary of a face, a ring of edge uses that runs around the face once.
// An outer loop runs counter-clockwise about the face normal (positive area), a hole clockwise.
// The loop owns its uses in the sense that erasing it erases them; its face sets it and its
// parent is the face's.
//
// Record: the entity part, the outer and convex flags and the first use; from schema 1 the
// further uses in ring order, ended by a null reference, which the loop links into its ring. A
// use that names another loop makes the record fail with the archive's genericException.
//
// Walks over the ring stop at the first use, at a use that links to itself or to nothing, or
// after a bound (GetEdgeUseCount): a ring read from a file may close on itself elsewhere.

#include <cstdint>
#include <vector>

#include "database/Entity.h"
#include "geometry/Plane3d.h"
#include "geometry/Polygon2d.h"
#include "geometry/Transform3d.h"
#include "topology/TopologyReading.h"

class CEdge;
class CEdgeUse;
class CEdgeUseProc;
class CEnumEdge;
class CEnumEdgeUse;
class CEnumVertex;
class CPointProc;
class CVertex;

class CLoop : public CEntity, public IReadLinks {
    DECLARE_SERIAL(CLoop)
public:
    using CPoint3d = orbisk::geometry::CPoint3d;
    using CVector3d = orbisk::geometry::CVector3d;
    using CTransform3d = orbisk::geometry::CTransform3d;

    // Point classes of ClassifyPoint.
    enum PointClass : int { kInside = 1, kOnVertex = 2, kOnEdge = 4, kOutside = 16 };
    // The smallest bound of the ring walks.
    static constexpr int kMinWalkBound = 10000;

    // No face, no uses, outer and convex.
    CLoop();
    // A deep copy of the ring: new uses of the same edges with the same directions. No face,
    // not outer; the convex flag is copied.
    CLoop(const CLoop& other);
    // A closed chain of edges, in list order, as a hole (clockwise about the normal).
    CLoop(int count, CEdge* const* edges, const CVector3d& normal);
    // A closed chain of edges, in list order, as the outer loop of the face (type 18).
    CLoop(int count, CEdge* const* edges, CEntity* face);
    CLoop& operator=(const CLoop&) = delete;
    // Takes over an existing ring: every use gets this loop.
    static CLoop* AdoptRing(CEdgeUse* firstUse, CEntity* face);

    void Serialize(CArchive& ar) override;
    // Erases its uses, then the entity's erase.
    void Erase() override;
    bool CollectWithDependents(CEntitySet& set) override;
    // A shallow copy (the same face, first use and flags) for undo.
    CEntity* CreateCopy() const override;
    void SwapContents(CEntity& other) override;
    // Its own parent, else the face's.
    CEntity* GetParent() const override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityLoop; }
    void CutLinks() override;

    // An entity of type 18, or null.
    CEntity* GetFace() const { return m_face; }
    void SetFace(CEntity* face);
    CEdgeUse* GetFirstEdgeUse() const { return m_firstUse; }
    void SetFirstEdgeUse(CEdgeUse* use);
    bool IsOuter() const { return m_outer; }
    void SetOuter(bool outer);
    bool IsConvex() const { return m_convex; }

    // Adds a use of each edge after the previous one (reversed when the next edge does not
    // touch its end), then the convexity about the normal; returns the convex flag.
    bool BuildFromEdges(int count, CEdge* const* edges, const CVector3d& normal);

    // The number of uses on the way round; at most the walk bound + 1, which the check reads
    // as a broken ring.
    int GetEdgeUseCount() const;
    // max(10,000, the entity count of the loop's component, or of the current model's root).
    int GetWalkBound() const;
    // The ring in order from the first use, bounded as above.
    std::vector<CEdgeUse*> GetEdgeUses() const;
    // Exchanges previous and next of every use and toggles their directions.
    void Reverse();
    // The signed area about the normal of the uses' start vertices (transformed when given).
    double GetArea(const CVector3d& normal, const CTransform3d* transform = nullptr) const;
    bool IsCounterClockwise(const CVector3d& normal) const { return GetArea(normal) > 0.0; }
    // True when the area's magnitude is at least 1e-6.
    bool HasArea(const CVector3d& normal, double* area = nullptr) const;
    bool UpdateConvexity(const CVector3d& normal, bool allowCollinear);

    bool UsesEdge(const CEdge* edge) const;
    // The first edge that another use of this loop also runs along, or null.
    CEdge* FindEdgeUsedTwice() const;
    // The first use whose edge is used by another loop of the same face.
    bool FindUseSharedInFace(CEdgeUse*& use, CEdgeUse*& otherUse) const;
    CEdge* FindEdgeSharedWith(const CLoop* other) const;
    // Visit each start vertex position (respectively each use) in ring order until the visitor
    // answers false; the last answer (false without uses).
    bool ForEachVertexPoint(CPointProc& visitor) const;
    bool ForEachEdgeUse(CEdgeUseProc& visitor) const;
    // New enumerators that the caller deletes.
    CEnumVertex* NewVertexEnumerator() const;
    CEnumEdgeUse* NewEdgeUseEnumerator() const;
    CEnumEdge* NewEdgeEnumerator() const;

    // A crossing test in the coordinate plane of axes (axis mod 3, axis + 1 mod 3): a PointClass.
    int ClassifyPoint(const CPoint3d& point, double tolerance, int axis,
                      const CTransform3d* transform = nullptr) const;
    // The loop in the canonical frame of the plane (CPlane3d::ProjectTo2d).
    void GetPolygon2d(const orbisk::geometry::CPlane3d& plane, orbisk::geometry::CPolygon2d& polygon,
                      const CTransform3d* transform = nullptr) const;
    // A face lying on this loop (an outer loop of another face on the same plane that uses
    // every edge of this loop another face of that plane uses), or null.
    CEntity* FindFaceCoveringLoop() const;

    // Takes zero-length uses and uses that go out along an edge and straight back out of the
    // ring, reporting each.
    void RemoveDegenerateEdges();

private:
    friend class CEdgeUse;
    struct ShallowCopy {};
    CLoop(const CLoop& other, ShallowCopy);

    void ReadRecord(CArchive& ar);
    void WriteRecord(CArchive& ar) const;
    void ReadFurtherUses(CArchive& ar);
    void RelinkStoredRing();
    void DisownUsesOutsideRing(CArchive& ar, uint32_t firstNested);
    bool RemoveOneDegenerateUse();
    const orbisk::geometry::CPlane3d* GetFacePlane() const;
    int CheckOwnValidity(int level, CCheckedObjectMap* map);
    int CheckRingUses(int level, CCheckedObjectMap* map, int result);
    int CheckShape(int level, CCheckedObjectMap* map, int result);
    int CheckEdges(int level, CCheckedObjectMap* map, int result);

    CEntity* m_face = nullptr;
    CEdgeUse* m_firstUse = nullptr;
    bool m_outer = true;
    bool m_convex = true;
    // False while the loop's record is being read: its ring is not final yet.
    bool m_ringSettled = true;
    // The uses read while the ring was not final that name this loop. More of them than the ring
    // holds means a damaged record named the loop from a use outside it.
    uint32_t m_namingUsesRead = 0;
};

// A frame on the outer loop of a face: origin at the start of the loop's first use, x axis
// along that use (not normalised), z axis the face normal, y axis normal x x.
orbisk::geometry::CTransform3d GetFaceFrame(const CEntity* face);
