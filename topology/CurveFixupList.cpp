#include "topology/CurveFixupList.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "database/ArchiveReading.h"
#include "database/CurrentModel.h"
#include "topology/Curve.h"
#include "topology/Edge.h"
#include "topology/Vertex.h"

namespace {

struct FixupRecord {
    CCurve* curve;
    std::vector<CEdge*> edges;
    std::unordered_set<const CEdge*> listed;
};

struct FixupList {
    std::vector<FixupRecord> records;
    std::unordered_map<const CCurve*, size_t> byCurve;

    void Clear()
    {
        records.clear();
        byCurve.clear();
    }
};

FixupList& List()
{
    static FixupList list;
    return list;
}

// An edge at the vertex that neither lies on the curve nor is soft: the chain has a corner
// there that the closed chain should start from.
bool HasHardEdgeOffCurve(const CVertex* vertex, const CCurve* curve)
{
    for (int i = 0; i < vertex->GetEdgeCount(); ++i) {
        const CEdge* edge = vertex->GetEdge(i);
        if (edge && edge->GetCurve() != curve && !edge->IsSoft())
            return true;
    }
    return false;
}

CVertex* BackwardVertex(CEdge* edge)
{
    return edge->GetCurveDirection() == CEdge::kAgainstCurve ? edge->GetEnd() : edge->GetStart();
}

CVertex* ForwardVertex(CEdge* edge)
{
    return edge->GetCurveDirection() == CEdge::kAgainstCurve ? edge->GetStart() : edge->GetEnd();
}

void DissolveRecord(const FixupRecord& record, bool eraseOrphans, bool archiveOpen,
                    std::vector<CEdge*>& orphans)
{
    for (auto edge = record.edges.rbegin(); edge != record.edges.rend(); ++edge) {
        (*edge)->SetCurve(nullptr);
        if (eraseOrphans && !(*edge)->GetParent())
            orphans.push_back(*edge);
    }
    record.curve->SetEdgeCount(0);
    // Like an orphan edge, the curve may still be named by a later record of an open archive.
    if (archiveOpen && GetCurrentModel()) {
        record.curve->CutLinks();
        record.curve->SetParent(nullptr);
        KeepUnownedObject(record.curve);
    } else {
        record.curve->Erase();
    }
}

}  // namespace

int CheckCurveChain(CEdge* edge, CCurve* curve, int expectedCount)
{
    curve->SetFirstEdge(nullptr);
    curve->SetLastEdge(nullptr);
    if (!edge)
        return 0;
    CVertex* at = BackwardVertex(edge);
    CVertex* other = edge->GetOtherVertex(at);
    CEdge* current = edge;
    CEdge* corner = nullptr;
    bool closed = false;
    int count = 1;
    while (count <= expectedCount) {
        if (!corner && at && at->GetEdgeCount() != 2 && at->GetEdgeCount() > 0 &&
            HasHardEdgeOffCurve(at, curve))
            corner = current;
        if (at && at == other) {
            closed = true;
            break;
        }
        CEdge* previous = at ? curve->FindUniqueNextEdge(current, at) : nullptr;
        if (!previous) {
            curve->SetFirstEdge(current);
            break;
        }
        at = previous->GetOtherVertex(at);
        ++count;
        current = previous;
    }
    if (count > expectedCount)
        return 0;
    if (!closed) {
        current = edge;
        at = ForwardVertex(edge);
        for (;;) {
            CEdge* next = at ? curve->FindUniqueNextEdge(current, at) : nullptr;
            if (!next)
                break;
            if (++count > expectedCount)
                return 0;
            at = next->GetOtherVertex(at);
            current = next;
        }
        curve->SetLastEdge(current);
    } else {
        CEdge* first = corner ? corner : edge;
        curve->SetFirstEdge(first);
        CVertex* begin = BackwardVertex(first);
        curve->SetLastEdge(begin ? curve->FindUniqueNextEdge(first, begin) : nullptr);
    }
    if (count != expectedCount)
        return 0;
    curve->SetEdgeCount(expectedCount);
    return expectedCount;
}

void CCurveFixupList::Add(CEdge* edge)
{
    CCurve* curve = edge ? edge->GetCurve() : nullptr;
    if (!curve)
        return;
    FixupList& list = List();
    auto found = list.byCurve.find(curve);
    if (found == list.byCurve.end()) {
        list.byCurve.emplace(curve, list.records.size());
        list.records.push_back({curve, {edge}, {edge}});
        return;
    }
    FixupRecord& record = list.records[found->second];
    if (record.listed.insert(edge).second)
        record.edges.push_back(edge);
}

void CCurveFixupList::Remove(const CEdge* edge)
{
    FixupList& list = List();
    for (size_t i = 0; i < list.records.size(); ++i) {
        FixupRecord& record = list.records[i];
        if (!record.listed.erase(edge))
            continue;
        std::erase(record.edges, edge);
        if (!record.edges.empty())
            return;
        list.records.erase(list.records.begin() + static_cast<std::ptrdiff_t>(i));
        list.byCurve.clear();
        for (size_t j = 0; j < list.records.size(); ++j)
            list.byCurve.emplace(list.records[j].curve, j);
        return;
    }
}

void CCurveFixupList::Process(bool eraseOrphans, bool archiveOpen)
{
    FixupList& list = List();
    std::vector<FixupRecord> records = std::move(list.records);
    list.Clear();
    // Erased only after every record: erasing an edge may merge arcs at its vertices, and those
    // may be curves whose records are still to come.
    std::vector<CEdge*> orphans;
    for (auto record = records.rbegin(); record != records.rend(); ++record) {
        CCurve* curve = record->curve;
        if (!curve)
            continue;
        const int count = static_cast<int>(record->edges.size());
        CEdge* first = curve->GetFirstEdge() ? curve->GetFirstEdge() : record->edges.front();
        CEdge* lastBefore = curve->GetLastEdge();
        bool accepted = false;
        if (CheckCurveChain(first, curve, count) == count) {
            if (!lastBefore) {
                curve->ResetParameterization(true, false);
                accepted = true;
            } else if (curve->GetLastEdge() == lastBefore) {
                accepted = true;
            } else {
                accepted =
                    CheckCurveChain(lastBefore, curve, count) == count && curve->GetLastEdge() == first;
            }
        }
        if (!accepted)
            DissolveRecord(*record, eraseOrphans, archiveOpen, orphans);
    }
    // The archive may still hand an orphan out to a later record: while it is open an orphan is
    // cut loose and left to the model's pool instead of freed.
    for (CEdge* edge : orphans) {
        if (archiveOpen && GetCurrentModel()) {
            edge->CutLinks();
            KeepUnownedObject(edge);
        } else {
            edge->Erase();
        }
    }
}

void CCurveFixupList::ForgetCurve(const CCurve* curve)
{
    FixupList& list = List();
    auto found = list.byCurve.find(curve);
    if (found == list.byCurve.end())
        return;
    list.records[found->second].curve = nullptr;
    list.byCurve.erase(found);
}

void CCurveFixupList::Clear()
{
    List().Clear();
}

void CCurveFixupList::Abandon()
{
    FixupList& list = List();
    const std::vector<FixupRecord> records = std::move(list.records);
    list.Clear();
    // A curve takes its edges' component as parent, but no component lists it.
    for (const FixupRecord& record : records) {
        if (!record.curve)
            continue;
        record.curve->SetParent(nullptr);
        KeepUnownedObject(record.curve);
    }
}

bool CCurveFixupList::IsEmpty()
{
    return List().records.empty();
}

int CCurveFixupList::GetEdgeCount(const CCurve* curve)
{
    const FixupList& list = List();
    auto found = list.byCurve.find(curve);
    return found == list.byCurve.end() ? 0 : static_cast<int>(list.records[found->second].edges.size());
}
