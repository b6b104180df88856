#include "database/DroppedObjectPool.h"

#include <iterator>
#include <stdexcept>

#include "database/Dib.h"
#include "database/DrawingElement.h"
#include "database/Entity.h"
#include "database/EntityDisposal.h"

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

bool CDroppedObjectPool::Holds(const CEntity* entity) const
{
    const uint32_t place = entity->m_droppedPlace;
    return place != 0 && place <= m_order.size() && m_order[place - 1] == entity;
}

bool CDroppedObjectPool::Contains(const CObject* object) const
{
    if (auto* entity = dynamic_cast<const CEntity*>(object))
        return Holds(entity);
    return m_places.contains(object);
}

void CDroppedObjectPool::Keep(CEntity* entity)
{
    if (!entity || Holds(entity))
        return;
    // An entity notes a 32-bit place: four billion entities would need far more memory than a
    // process gets, so this only guards the note.
    if (m_order.size() >= UINT32_MAX)
        throw std::length_error("too many dropped objects");
    m_order.push_back(entity);
    entity->m_droppedPlace = static_cast<uint32_t>(m_order.size());
    ++m_count;
}

void CDroppedObjectPool::Keep(CObject* object)
{
    if (auto* entity = dynamic_cast<CEntity*>(object)) {
        Keep(entity);
        return;
    }
    if (!object)
        return;
    const auto [where, added] = m_places.try_emplace(object, m_order.size());
    if (!added)
        return;
    if (auto* image = dynamic_cast<CDib*>(object))
        image->AddRef();
    m_order.push_back(object);
    ++m_count;
}

bool CDroppedObjectPool::Release(const CEntity* entity)
{
    if (!entity || !Holds(entity))
        return false;
    m_order[entity->m_droppedPlace - 1] = nullptr;
    const_cast<CEntity*>(entity)->m_droppedPlace = 0;
    --m_count;
    return true;
}

bool CDroppedObjectPool::Release(const CObject* object)
{
    if (auto* entity = dynamic_cast<const CEntity*>(object))
        return Release(entity);
    const auto found = m_places.find(object);
    if (found == m_places.end())
        return false;
    m_order[found->second] = nullptr;
    m_places.erase(found);
    --m_count;
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
        if (!object) {
            m_order.pop_back();
            continue;
        }
        if (auto* entity = dynamic_cast<CEntity*>(object))
            entity->m_droppedPlace = 0;
        else
            m_places.erase(object);
        m_order.pop_back();
        --m_count;
        Dispose(object);
    }
    m_places.clear();
    m_count = 0;
}
