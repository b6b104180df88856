#include "model/DroppedObjectPool.h"

#include <iterator>

#include "model/Dib.h"
#include "model/DrawingElement.h"
#include "model/Entity.h"
#include "model/EntityDisposal.h"

namespace {

void Dispose(CObject* object)
{
    if (auto* image = dynamic_cast<CDib*>(object)) {
        image->Release();
        return;
    }
    if (auto* entity = dynamic_cast<CEntity*>(object)) {
        // A parent owns it.
        if (!entity->GetParent())
            DeleteUnrecorded(entity);
        return;
    }
    delete object;
}

}  // namespace

CDroppedObjectPool::~CDroppedObjectPool()
{
    Free();
}

void CDroppedObjectPool::Keep(CObject* object)
{
    if (!object)
        return;
    const auto [where, added] = m_places.try_emplace(object, m_order.size());
    if (!added)
        return;
    if (auto* image = dynamic_cast<CDib*>(object))
        image->AddRef();
    m_order.push_back(object);
}

bool CDroppedObjectPool::Release(const CObject* object)
{
    const auto found = m_places.find(object);
    if (found == m_places.end())
        return false;
    m_order[found->second] = nullptr;
    m_places.erase(found);
    return true;
}

void CDroppedObjectPool::Free()
{
    // All are cut loose before any goes, so that none is reached through a link of another
    // after it is freed. Entities that found a parent belong to the model and stay linked.
    // (Cutting links may keep more objects: they join the end and are cut too.)
    for (size_t i = 0; i < m_order.size(); ++i) {
        CObject* object = m_order[i];
        auto* entity = dynamic_cast<CEntity*>(object);
        if (!object || (entity && entity->GetParent()))
            continue;
        if (auto* links = dynamic_cast<IReadLinks*>(object))
            links->CutLinks();
        // The materials and layers it names went with the model's contents.
        if (auto* element = dynamic_cast<CDrawingElement*>(object))
            element->ForgetSharedParts();
    }
    // Taken out before it is freed: its destruction looks for it in the pool.
    while (!m_order.empty()) {
        CObject* object = m_order.back();
        m_order.pop_back();
        if (!object)
            continue;
        m_places.erase(object);
        Dispose(object);
    }
    m_places.clear();
}
