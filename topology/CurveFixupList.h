#pragma once
// CCurveFixupList: the edges that named each curve while an archive was read. A curve stores
// no list of its edges, only its first and last edge and its count, and edges arrive in any
// order; once everything is read, Process walks each curve's chain, settles its ends, count
// and angles, and dissolves a curve whose chain does not hold exactly the edges that name it.
//
// One process-wide list. Reading a model: Clear, read the root component, Process(true, true).
// Copying through an archive: Clear, copy, Process(false). A reader that fails abandons it.

class CCurve;
class CEdge;

class CCurveFixupList {
public:
    // Called by an edge read with a curve: appends the edge to its curve's record (once), or
    // makes a record for a curve met for the first time. Nothing for an edge without a curve.
    static void Add(CEdge* edge);
    // Forgets the edge (an edge dropped while reading); a record left without edges goes.
    static void Remove(const CEdge* edge);
    // The records from the last to the first; the list is empty afterwards. With eraseOrphans,
    // edges of dissolved curves that belong to no component are erased.
    // With archiveOpen (a model file still being read), erased orphans are cut loose and kept by
    // the current model instead, since later records may refer back to them.
    static void Process(bool eraseOrphans, bool archiveOpen = false);
    // A curve going away while its edges are read (a failed record erases the edges it took,
    // and the last of them the curve): its record no longer names it.
    static void ForgetCurve(const CCurve* curve);
    // Forgets every record without looking at curves or edges.
    static void Clear();
    // Reading failed before the records were processed: no edge counts its curve yet, so the
    // curves go to the model being read, which frees them after its contents; the list is
    // empty afterwards.
    static void Abandon();
    static bool IsEmpty();
    // The number of edges listed for the curve.
    static int GetEdgeCount(const CCurve* curve);
};

// Walks the chain of the curve's edges through the edge and settles the curve's first and last
// edge; the count (and the count set on the curve) when the chain holds exactly expectedCount
// edges, else 0.
int CheckCurveChain(CEdge* edge, CCurve* curve, int expectedCount);
