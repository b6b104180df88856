#pragma once
// The enumerators that walk topology, and the two visitors with which a loop hands out its
// points and its uses.
//
// An entity's factory makes an enumerator (CVertex::NewLoopEnumerator, ...); the caller calls
// Next until it answers false and deletes it. A new enumerator stands before its first item;
// Reset returns there. Enumerators own nothing they walk and do not notice changes during the
// walk, except the array walks, which read the array's count at every step. Faces are entities
// of type 18 (IFace).
//
// Ring walks end on coming back to where they started. A loop's ring, which may come from a
// file, is walked at most GetEdgeUseCount steps and ends at a use linked to itself or to
// nothing, so that a ring closing on itself elsewhere cannot keep a walk going.

#include <cstddef>
#include <vector>

#include "geometry/Point3d.h"

class CCompactPtrArray;
class CEdge;
class CEdgeUse;
class CEntity;
class CLoop;
class CVertex;
class IEntityContainer;

class CEnumEdge {
public:
    virtual ~CEnumEdge() = default;
    virtual void Reset() = 0;
    virtual bool Next(CEdge*& edge) = 0;
};

// Also the empty enumerator: a loop without uses hands one out for its vertices.
class CEnumVertex {
public:
    virtual ~CEnumVertex() = default;
    virtual void Reset() {}
    virtual bool Next(CVertex*& vertex)
    {
        vertex = nullptr;
        return false;
    }
};

class CEnumFace {
public:
    virtual ~CEnumFace() = default;
    virtual void Reset() = 0;
    virtual bool Next(CEntity*& face) = 0;
};

class CEnumLoop {
public:
    virtual ~CEnumLoop() = default;
    virtual void Reset() = 0;
    virtual bool Next(CLoop*& loop) = 0;
};

class CEnumEdgeUse {
public:
    virtual ~CEnumEdgeUse() = default;
    virtual void Reset() = 0;
    // Only the loop walk has a direction; the others walk alike either way.
    virtual bool NextInDirection(CEdgeUse*& use, bool forward) = 0;
    virtual bool Next(CEdgeUse*& use) = 0;
};

// The uses of one edge, from its first use along the partner ring.
class CEnumEdgeUseEdge : public CEnumEdgeUse {
public:
    explicit CEnumEdgeUseEdge(const CEdge* edge);
    void Reset() override { m_current = nullptr; }
    bool NextInDirection(CEdgeUse*& use, bool) override { return Next(use); }
    bool Next(CEdgeUse*& use) override;

private:
    CEdgeUse* m_first;
    CEdgeUse* m_current = nullptr;
};

// The other uses of a use's edge, from the use's partner on; the use itself is never given.
class CEnumEdgeUsePartners : public CEnumEdgeUse {
public:
    explicit CEnumEdgeUsePartners(const CEdgeUse* start);
    void Reset() override;
    bool NextInDirection(CEdgeUse*& use, bool) override { return Next(use); }
    bool Next(CEdgeUse*& use) override;

private:
    const CEdgeUse* m_start;
    CEdgeUse* m_current = nullptr;
};

// The uses of one loop in ring order; backwards along previous links when asked.
class CEnumEdgeUseLoop : public CEnumEdgeUse {
public:
    explicit CEnumEdgeUseLoop(const CLoop* loop);
    void Reset() override;
    bool NextInDirection(CEdgeUse*& use, bool forward) override;
    bool Next(CEdgeUse*& use) override { return NextInDirection(use, true); }

private:
    const CLoop* m_loop;
    CEdgeUse* m_current = nullptr;
    int m_given = 0;
    int m_bound = -1;
    bool m_done = false;
};

class CEnumLoopArray;

// The uses of every loop of a face: the loops in array order (the outer loop first), each loop
// in ring order. A loop without uses makes that call answer false; the next call goes on with
// the following loop.
class CEnumEdgeUseFace : public CEnumEdgeUse {
public:
    // loops: the face's loop array, which must outlive the enumerator.
    explicit CEnumEdgeUseFace(const CCompactPtrArray& loops);
    ~CEnumEdgeUseFace() override;
    void Reset() override;
    bool NextInDirection(CEdgeUse*& use, bool) override { return Next(use); }
    bool Next(CEdgeUse*& use) override;

private:
    CEnumLoop* m_loops;
    CEnumEdgeUseLoop* m_current = nullptr;
    bool m_done = false;
};

// The items of an array of edges (a vertex's list); the count is read at every step.
class CEnumEdgeArray : public CEnumEdge {
public:
    explicit CEnumEdgeArray(const CCompactPtrArray& array) : m_array(array) {}
    void Reset() override { m_index = 0; }
    bool Next(CEdge*& edge) override;

private:
    const CCompactPtrArray& m_array;
    int m_index = 0;
};

// The items of an array of loops (a face's list); the count is read at every step.
class CEnumLoopArray : public CEnumLoop {
public:
    explicit CEnumLoopArray(const CCompactPtrArray& array) : m_array(array) {}
    void Reset() override { m_index = 0; }
    bool Next(CLoop*& loop) override;

private:
    const CCompactPtrArray& m_array;
    int m_index = 0;
};

// The edge of each use of a loop (an edge used twice is given twice).
class CEnumEdgeLoop : public CEnumEdge {
public:
    explicit CEnumEdgeLoop(const CLoop* loop) : m_uses(loop) {}
    void Reset() override { m_uses.Reset(); }
    bool Next(CEdge*& edge) override;

private:
    CEnumEdgeUseLoop m_uses;
};

// The edge of each use of a face.
class CEnumEdgeFace : public CEnumEdge {
public:
    explicit CEnumEdgeFace(const CCompactPtrArray& loops) : m_uses(loops) {}
    void Reset() override { m_uses.Reset(); }
    bool Next(CEdge*& edge) override;

private:
    CEnumEdgeUseFace m_uses;
};

// The start vertex of each use of a loop.
class CEnumVertexLoop : public CEnumVertex {
public:
    explicit CEnumVertexLoop(const CLoop* loop) : m_uses(loop) {}
    void Reset() override { m_uses.Reset(); }
    bool Next(CVertex*& vertex) override;

private:
    CEnumEdgeUseLoop m_uses;
};

// The start vertex of each use of a face.
class CEnumVertexFace : public CEnumVertex {
public:
    explicit CEnumVertexFace(const CCompactPtrArray& loops) : m_uses(loops) {}
    void Reset() override { m_uses.Reset(); }
    bool Next(CVertex*& vertex) override;

private:
    CEnumEdgeUseFace m_uses;
};

// The loop of each use of an edge (a loop using the edge twice is given twice).
class CEnumLoopEdge : public CEnumLoop {
public:
    explicit CEnumLoopEdge(const CEdge* edge) : m_uses(edge) {}
    void Reset() override { m_uses.Reset(); }
    bool Next(CLoop*& loop) override;

private:
    CEnumEdgeUseEdge m_uses;
};

// The face of each use of an edge (null for a loop without a face; repeats possible).
class CEnumFaceEdge : public CEnumFace {
public:
    explicit CEnumFaceEdge(const CEdge* edge) : m_uses(edge) {}
    void Reset() override { m_uses.Reset(); }
    bool Next(CEntity*& face) override;

private:
    CEnumEdgeUseEdge m_uses;
};

// The distinct loops through a vertex, collected when made: its edges in list order, each
// edge's uses in partner ring order.
class CEnumLoopVertex : public CEnumLoop {
public:
    explicit CEnumLoopVertex(const CVertex* vertex);
    void Reset() override { m_position = 0; }
    bool Next(CLoop*& loop) override;

private:
    std::vector<CLoop*> m_loops;
    size_t m_position = 0;
};

// The distinct faces touching a vertex, collected the same way.
class CEnumFaceVertex : public CEnumFace {
public:
    explicit CEnumFaceVertex(const CVertex* vertex);
    void Reset() override { m_position = 0; }
    bool Next(CEntity*& face) override;

private:
    std::vector<CEntity*> m_faces;
    size_t m_position = 0;
};

// The edges without uses among a container's entities, in list order.
class CEnumUnusedEdges {
public:
    explicit CEnumUnusedEdges(const IEntityContainer& entities) : m_entities(entities) {}
    virtual ~CEnumUnusedEdges() = default;
    void Reset() { m_index = 0; }
    bool Next(CEdge*& edge);

private:
    const IEntityContainer& m_entities;
    int m_index = 0;
};

// The edges with exactly two uses among a container's entities, in list order; the first edge
// with more than two uses ends the walk.
class CEnumMultiUseEdges {
public:
    explicit CEnumMultiUseEdges(const IEntityContainer& entities) : m_entities(entities) {}
    virtual ~CEnumMultiUseEdges() = default;
    void Reset() { m_index = 0; }
    bool Next(CEdge*& edge);

private:
    const IEntityContainer& m_entities;
    int m_index = 0;
};

// A loop's visitor of points; false stops the walk.
class CPointProc {
public:
    virtual ~CPointProc() = default;
    virtual bool Visit(const orbisk::geometry::CPoint3d& point) = 0;
};

// A loop's visitor of uses; false stops the walk.
class CEdgeUseProc {
public:
    virtual ~CEdgeUseProc() = default;
    virtual bool Visit(CEdgeUse* use) = 0;
};
