#include "database/EntitySet.h"

void CEntitySet::InsertAll(const CEntitySet& other)
{
    m_members.insert(other.m_members.begin(), other.m_members.end());
}

void CEntitySet::InsertVector(const std::vector<CEntity*>& entities)
{
    m_members.insert(entities.begin(), entities.end());
}

void CEntitySet::EraseAll(const CEntitySet& other)
{
    if (&other == this) {
        m_members.clear();
        return;
    }
    for (CEntity* entity : other.m_members)
        m_members.erase(entity);
}

void CEntitySet::EraseVector(const std::vector<CEntity*>& entities)
{
    for (CEntity* entity : entities)
        m_members.erase(entity);
}

void CEntitySet::Assign(const CEntitySet& other)
{
    if (&other != this)
        m_members = other.m_members;
}

int CEntitySet::ToVector(std::vector<CEntity*>& entities) const
{
    entities.reserve(entities.size() + m_members.size());
    entities.insert(entities.end(), m_members.begin(), m_members.end());
    return GetCount();
}

IEntityIterator* CEntitySet::CreateIterator() const
{
    return new CEntityIterator(*this);
}

bool CEntityIterator::Next(CEntity*& entity)
{
    if (m_position == m_set.GetMembers().end()) {
        entity = nullptr;
        return false;
    }
    entity = *m_position++;
    return true;
}
