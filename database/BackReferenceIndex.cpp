#include "database/BackReferenceIndex.h"

#include <algorithm>

#include "database/Entity.h"

void CBackReferenceIndex::AddReference(CEntity* referred, CEntity* referrer)
{
    if (!referred || !referrer)
        return;
    Entry& entry = m_entries[referred];
    if (!entry.busy)
        entry.referrers.push_back(referrer);
}

void CBackReferenceIndex::RemoveReference(CEntity* referred, CEntity* referrer)
{
    if (!referred || !referrer)
        return;
    auto found = m_entries.find(referred);
    if (found == m_entries.end())
        return;
    Entry& entry = found->second;
    auto slot = std::find(entry.referrers.begin(), entry.referrers.end(), referrer);
    if (slot == entry.referrers.end())
        return;
    if (entry.busy) {
        *slot = nullptr;
        return;
    }
    entry.referrers.erase(slot);
    if (entry.referrers.empty())
        m_entries.erase(found);
}

void CBackReferenceIndex::NotifyReferrers(CEntity* referred, int kind, void* data)
{
    if (!referred)
        return;
    auto found = m_entries.find(referred);
    if (found == m_entries.end() || found->second.busy)
        return;
    // Map nodes stay where they are while other entries come and go.
    Entry& entry = found->second;
    if (!entry.referrers.empty()) {
        entry.busy = true;
        const size_t count = entry.referrers.size();
        for (size_t i = 0; i < count; ++i) {
            if (CEntity* referrer = entry.referrers[i])
                referrer->OnReferencedEntityEvent(kind, referred, data);
        }
        entry.busy = false;
        std::erase(entry.referrers, nullptr);
        if (!entry.referrers.empty())
            return;
    }
    m_entries.erase(referred);
}

bool CBackReferenceIndex::HasEntry(const CEntity* referred, const CEntity* referrer) const
{
    return referred && referrer && m_entries.contains(referred);
}

IEntityIterator* CBackReferenceIndex::CreateIterator(const CEntity* referred) const
{
    const Entry* entry = FindEntry(referred);
    return entry ? new CBackReferenceIterator(entry->referrers) : nullptr;
}

const CBackReferenceIndex::Entry* CBackReferenceIndex::FindEntry(const CEntity* referred) const
{
    auto found = m_entries.find(referred);
    return found == m_entries.end() ? nullptr : &found->second;
}

bool CBackReferenceIterator::Next(CEntity*& entity)
{
    if (m_index >= m_referrers.size()) {
        entity = nullptr;
        return false;
    }
    entity = m_referrers[m_index++];
    return true;
}
