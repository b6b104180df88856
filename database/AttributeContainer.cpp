#include "database/AttributeContainer.h"

#include <algorithm>
#include <utility>

#include "database/ArchiveSchema.h"
#include "database/Attribute.h"

IMPLEMENT_SERIAL(CAttributeContainer, CEntity, VERSIONABLE_SCHEMA | 0)

CAttributeContainer::CAttributeContainer(const CAttributeContainer& other) : CEntity(other)
{
    Resize(other.m_count);
    std::copy_n(other.m_items.get(), other.m_count, m_items.get());
    m_count = other.m_count;
}

void CAttributeContainer::Serialize(CArchive& ar)
{
    SerializeGuarded(
        ar,
        [&] {
            CEntity::Serialize(ar);
            if (ar.IsLoading())
                ReadAttributes(ar);
            else if (IsSaveFormat4000OrLater())
                WriteAttributes(ar);
        },
        // The attributes read so far are given back (erased when new).
        [&] {
            while (m_count > 0)
                ReleaseHeld(m_items[--m_count]);
        });
}

void CAttributeContainer::ReadAttributes(CArchive& ar)
{
    m_count = 0;
    for (;;) {
        CAttribute* attribute = nullptr;
        ar >> attribute;
        if (!attribute)
            return;
        // An attribute whose own record is still being read would end up owning this container.
        if (IsReadingAttributeContainer(attribute))
            AfxThrowArchiveException(CArchiveException::genericException);
        if (!Append(attribute)) {
            // Full: the count would wrap. Give back the attribute (erased when new).
            attribute->AddRef();
            attribute->Release();
            AfxThrowArchiveException(CArchiveException::genericException);
        }
        attribute->AddRef();
        attribute->SetParent(this);
    }
}

void CAttributeContainer::WriteAttributes(CArchive& ar) const
{
    for (int i = 0; i < m_count; ++i) {
        if (m_items[i]->IsPersistent())
            ar << static_cast<const CObject*>(m_items[i]);
    }
    ar << static_cast<const CObject*>(nullptr);
}

void CAttributeContainer::Erase()
{
    ReleaseAll();
    CEntity::Erase();
}

bool CAttributeContainer::CollectWithDependents(CEntitySet& set)
{
    if (!CEntity::CollectWithDependents(set))
        return false;
    for (int i = 0; i < m_count; ++i) {
        if (m_items[i])
            m_items[i]->CollectWithDependents(set);
    }
    return true;
}

CEntity* CAttributeContainer::CreateCopy() const
{
    return new CAttributeContainer(*this);
}

void CAttributeContainer::SwapContents(CEntity& other)
{
    CEntity::SwapContents(other);
    if (auto* container = dynamic_cast<CAttributeContainer*>(&other)) {
        std::swap(m_count, container->m_count);
        std::swap(m_capacity, container->m_capacity);
        std::swap(m_items, container->m_items);
    }
}

int CAttributeContainer::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CAttributeContainer), map, [&] { return CEntity::CheckValidity(level, map); },
        [&] {
            int result = 0;
            for (int i = m_count - 1; i >= 0; --i) {
                CAttribute* attribute = m_items[i];
                if (!attribute || !attribute->IsKindOf(RUNTIME_CLASS(CAttribute))) {
                    AppendValidityMessage("Attribute %d for %s is not valid\n", i,
                                          DescribeEntity(this).GetString());
                    RecordValidity(attribute, 3, map);
                    return 3;
                }
                if (!map)
                    continue;
                const int attributeResult = attribute->CheckValidity(level, map);
                if (attributeResult >= 2)
                    return attributeResult;
                result = std::max(result, attributeResult);
            }
            return result;
        });
}

void CAttributeContainer::ReleaseAll()
{
    std::unique_ptr<CAttribute*[]> items = std::exchange(m_items, nullptr);
    const int count = std::exchange(m_count, 0);
    m_capacity = 0;
    for (int i = 0; i < count; ++i)
        ReleaseHeld(items[i]);
}

bool CAttributeContainer::Add(CAttribute* attribute)
{
    if (!attribute || m_count == kMaxCount)
        return false;
    MarkChanged();
    Append(attribute);
    attribute->SetParent(this);
    attribute->AddRef();
    return true;
}

void CAttributeContainer::Remove(CAttribute* attribute)
{
    CAttribute** end = m_items.get() + m_count;
    CAttribute** found = std::find(m_items.get(), end, attribute);
    if (!attribute || found == end)
        return;
    MarkChanged();
    std::move(found + 1, end, found);
    --m_count;
    ReleaseHeld(attribute);
}

void CAttributeContainer::ReleaseHeld(CAttribute* attribute)
{
    if (attribute->Release() > 0 && attribute->GetParent() == this)
        attribute->SetParent(nullptr);
}

CAttribute* CAttributeContainer::GetAt(int index) const
{
    return index >= 0 && index < m_count ? m_items[index] : nullptr;
}

CAttribute* CAttributeContainer::FindByType(int type) const
{
    for (int i = 0; i < m_count; ++i) {
        if (m_items[i]->GetEntityType() == type)
            return m_items[i];
    }
    return nullptr;
}

CAttribute* CAttributeContainer::FindNamed(int type, const CString& name) const
{
    for (int i = 0; i < m_count; ++i) {
        if (m_items[i]->GetEntityType() == type && m_items[i]->HasName(name))
            return m_items[i];
    }
    return nullptr;
}

bool CAttributeContainer::Append(CAttribute* attribute)
{
    if (m_count == kMaxCount)
        return false;
    if (m_count == m_capacity) {
        const int step = m_count < 32 ? 4 : m_count < 8200 ? m_count / 8 : 1024;
        Resize(std::min(std::max(m_count + 1, m_capacity + step), kMaxCount));
    }
    m_items[m_count++] = attribute;
    return true;
}

void CAttributeContainer::Resize(int capacity)
{
    if (capacity == 0) {
        m_items.reset();
        m_count = 0;
        m_capacity = 0;
        return;
    }
    auto items = std::make_unique<CAttribute*[]>(static_cast<size_t>(capacity));
    m_count = static_cast<uint16_t>(std::min<int>(m_count, capacity));
    std::copy_n(m_items.get(), m_count, items.get());
    m_items = std::move(items);
    m_capacity = static_cast<uint16_t>(capacity);
}
