#include "model/DroppedObjectPool.h"

#include <iterator>

#include "model/Dib.h"
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
    if (!object || Contains(object))
        return;
    if (auto* image = dynamic_cast<CDib*>(object))
        image->AddRef();
    const uint64_t age = m_nextAge++;
    m_byAge.emplace(age, object);
    m_ages.emplace(object, age);
}

bool CDroppedObjectPool::Release(const CObject* object)
{
    const auto found = m_ages.find(object);
    if (found == m_ages.end())
        return false;
    m_byAge.erase(found->second);
    m_ages.erase(found);
    return true;
}

void CDroppedObjectPool::Free()
{
    // All are cut loose before any goes, so that none is reached through a link of another
    // after it is freed. Entities that found a parent belong to the model and stay linked.
    for (const auto& [age, object] : m_byAge) {
        auto* entity = dynamic_cast<CEntity*>(object);
        if (entity && entity->GetParent())
            continue;
        if (auto* links = dynamic_cast<IReadLinks*>(object))
            links->CutLinks();
    }
    // Taken out before it is freed: its destruction looks for it in the pool.
    while (!m_byAge.empty()) {
        const auto last = std::prev(m_byAge.end());
        CObject* object = last->second;
        m_ages.erase(object);
        m_byAge.erase(last);
        Dispose(object);
    }
}
