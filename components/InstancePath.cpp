#include "components/InstancePath.h"

#include <algorithm>

#include "components/ComponentInstance.h"

using orbisk::geometry::CTransform3d;

CEntity* CInstancePath::GetAt(int index) const
{
    return index >= 0 && index < GetSize() ? m_entries[static_cast<size_t>(index)] : nullptr;
}

CDrawingElement* CInstancePath::GetInstance(int index) const
{
    return AsInstanceClass(GetAt(index));
}

bool CInstancePath::Contains(const CEntity* entity) const
{
    return entity && std::find(m_entries.begin(), m_entries.end(), entity) != m_entries.end();
}

void CInstancePath::PopBack()
{
    if (!m_entries.empty())
        m_entries.pop_back();
}

void CInstancePath::Set(CEntity* entity)
{
    m_entries.assign(1, entity);
}

void CInstancePath::Append(const CInstancePath& other)
{
    m_entries.insert(m_entries.end(), other.m_entries.begin(), other.m_entries.end());
}

CTransform3d CInstancePath::GetTransform() const
{
    CTransform3d accumulated;
    for (const CEntity* entry : m_entries) {
        const CComponentInstance* instance = AsInstanceClass(entry);
        if (!instance)
            break;
        accumulated = accumulated * instance->GetTransform();
    }
    return accumulated;
}
