#include "topology/TopologyEnumerators.h"

#include <algorithm>

#include "database/EntityContainer.h"
#include "topology/CompactPtrArray.h"
#include "topology/Edge.h"
#include "topology/EdgeUse.h"
#include "topology/Loop.h"
#include "topology/Vertex.h"

CEnumEdgeUseEdge::CEnumEdgeUseEdge(const CEdge* edge) : m_first(edge ? edge->GetFirstUse() : nullptr) {}

bool CEnumEdgeUseEdge::Next(CEdgeUse*& use)
{
    CEdgeUse* next = m_current ? m_current->GetPartner() : m_first;
    if (!next || (m_current && next == m_first)) {
        use = nullptr;
        return false;
    }
    m_current = next;
    use = next;
    return true;
}

CEnumEdgeUsePartners::CEnumEdgeUsePartners(const CEdgeUse* start) : m_start(start)
{
    Reset();
}

void CEnumEdgeUsePartners::Reset()
{
    m_current = m_start ? m_start->GetPartner() : nullptr;
}

bool CEnumEdgeUsePartners::Next(CEdgeUse*& use)
{
    if (!m_current || m_current == m_start) {
        use = nullptr;
        return false;
    }
    use = m_current;
    m_current = m_current->GetPartner();
    return true;
}

CEnumEdgeUseLoop::CEnumEdgeUseLoop(const CLoop* loop) : m_loop(loop) {}

void CEnumEdgeUseLoop::Reset()
{
    m_current = nullptr;
    m_given = 0;
    m_done = false;
}

bool CEnumEdgeUseLoop::NextInDirection(CEdgeUse*& use, bool forward)
{
    use = nullptr;
    if (m_done || !m_loop)
        return false;
    CEdgeUse* first = m_loop->GetFirstEdgeUse();
    if (!m_current) {
        if (!first) {
            m_done = true;
            return false;
        }
        if (m_bound < 0)
            m_bound = m_loop->GetWalkBound() + 1;
        m_current = first;
        m_given = 1;
        use = first;
        return true;
    }
    CEdgeUse* next = forward ? m_current->GetNext() : m_current->GetPrevious();
    if (!next || next == m_current || next == first || m_given >= m_bound) {
        m_done = true;
        return false;
    }
    m_current = next;
    ++m_given;
    use = next;
    return true;
}

CEnumEdgeUseFace::CEnumEdgeUseFace(const CCompactPtrArray& loops) : m_loops(new CEnumLoopArray(loops)) {}

CEnumEdgeUseFace::~CEnumEdgeUseFace()
{
    delete m_current;
    delete m_loops;
}

void CEnumEdgeUseFace::Reset()
{
    m_loops->Reset();
    delete m_current;
    m_current = nullptr;
    m_done = false;
}

bool CEnumEdgeUseFace::Next(CEdgeUse*& use)
{
    use = nullptr;
    if (m_done)
        return false;
    if (m_current && m_current->Next(use))
        return true;
    delete m_current;
    m_current = nullptr;
    CLoop* loop = nullptr;
    if (!m_loops->Next(loop)) {
        m_done = true;
        return false;
    }
    // A loop without uses answers false once; the next call opens the following loop.
    m_current = new CEnumEdgeUseLoop(loop);
    return m_current->Next(use);
}

bool CEnumEdgeArray::Next(CEdge*& edge)
{
    if (m_index >= m_array.GetCount()) {
        edge = nullptr;
        return false;
    }
    edge = static_cast<CEdge*>(m_array.GetAt(m_index++));
    return true;
}

bool CEnumLoopArray::Next(CLoop*& loop)
{
    if (m_index >= m_array.GetCount()) {
        loop = nullptr;
        return false;
    }
    loop = static_cast<CLoop*>(m_array.GetAt(m_index++));
    return true;
}

bool CEnumEdgeLoop::Next(CEdge*& edge)
{
    CEdgeUse* use = nullptr;
    const bool found = m_uses.Next(use);
    edge = found ? use->GetEdge() : nullptr;
    return found;
}

bool CEnumEdgeFace::Next(CEdge*& edge)
{
    CEdgeUse* use = nullptr;
    const bool found = m_uses.Next(use);
    edge = found ? use->GetEdge() : nullptr;
    return found;
}

bool CEnumVertexLoop::Next(CVertex*& vertex)
{
    CEdgeUse* use = nullptr;
    const bool found = m_uses.Next(use);
    vertex = found ? use->GetStartVertex() : nullptr;
    return found;
}

bool CEnumVertexFace::Next(CVertex*& vertex)
{
    CEdgeUse* use = nullptr;
    const bool found = m_uses.Next(use);
    vertex = found ? use->GetStartVertex() : nullptr;
    return found;
}

bool CEnumLoopEdge::Next(CLoop*& loop)
{
    CEdgeUse* use = nullptr;
    const bool found = m_uses.Next(use);
    loop = found ? use->GetLoop() : nullptr;
    return found;
}

bool CEnumFaceEdge::Next(CEntity*& face)
{
    CEdgeUse* use = nullptr;
    const bool found = m_uses.Next(use);
    face = found ? use->GetFace() : nullptr;
    return found;
}

namespace {

// Each use of each edge at the vertex, edges in list order, uses in partner ring order.
template <class Visit>
void ForEachUseAt(const CVertex* vertex, Visit visit)
{
    if (!vertex)
        return;
    for (int i = 0; i < vertex->GetEdgeCount(); ++i) {
        const CEdge* edge = vertex->GetEdge(i);
        if (!edge)
            continue;
        CEnumEdgeUseEdge uses(edge);
        for (CEdgeUse* use = nullptr; uses.Next(use);)
            visit(use);
    }
}

template <class T>
void AppendOnce(std::vector<T*>& items, T* item)
{
    if (item && std::find(items.begin(), items.end(), item) == items.end())
        items.push_back(item);
}

}  // namespace

CEnumLoopVertex::CEnumLoopVertex(const CVertex* vertex)
{
    ForEachUseAt(vertex, [&](const CEdgeUse* use) { AppendOnce(m_loops, use->GetLoop()); });
}

bool CEnumLoopVertex::Next(CLoop*& loop)
{
    loop = m_position < m_loops.size() ? m_loops[m_position++] : nullptr;
    return loop != nullptr;
}

CEnumFaceVertex::CEnumFaceVertex(const CVertex* vertex)
{
    ForEachUseAt(vertex, [&](const CEdgeUse* use) { AppendOnce(m_faces, use->GetFace()); });
}

bool CEnumFaceVertex::Next(CEntity*& face)
{
    face = m_position < m_faces.size() ? m_faces[m_position++] : nullptr;
    return face != nullptr;
}

namespace {

CEdge* AsEdge(CEntity* entity)
{
    return entity && entity->GetEntityType() == kEntityEdge ? dynamic_cast<CEdge*>(entity) : nullptr;
}

}  // namespace

bool CEnumUnusedEdges::Next(CEdge*& edge)
{
    while (m_index < m_entities.GetCount()) {
        edge = AsEdge(m_entities.GetAt(m_index++));
        if (edge && !edge->GetFirstUse())
            return true;
    }
    edge = nullptr;
    return false;
}

bool CEnumMultiUseEdges::Next(CEdge*& edge)
{
    while (m_index < m_entities.GetCount()) {
        edge = AsEdge(m_entities.GetAt(m_index++));
        if (!edge)
            continue;
        const int uses = edge->GetUseCount();
        if (uses == 2)
            return true;
        if (uses > 2) {
            // An edge with more than two uses ends the walk for good.
            m_index = m_entities.GetCount();
            break;
        }
    }
    edge = nullptr;
    return false;
}
