#include "database/Attribute.h"

#include <utility>

#include "database/ArchiveSchema.h"
#include "database/UndoManager.h"
#include "platform/mfc/Archive.h"

IMPLEMENT_SERIAL(CAttribute, CEntity, VERSIONABLE_SCHEMA | 0)

void CAttribute::Serialize(CArchive& ar)
{
    SerializeGuarded(ar, [&] {
        CEntity::Serialize(ar);
        if (ar.IsLoading())
            ar >> m_value;
        else if (IsSaveFormat4000OrLater())
            ar << m_value;
    });
}

CEntity* CAttribute::CreateCopy() const
{
    return new CAttribute(*this);
}

void CAttribute::SwapContents(CEntity& other)
{
    CEntity::SwapContents(other);
    if (auto* attribute = dynamic_cast<CAttribute*>(&other)) {
        std::swap(m_value, attribute->m_value);
        std::swap(m_refCount, attribute->m_refCount);
    }
}

int CAttribute::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CAttribute), map, [&] { return CEntity::CheckValidity(level, map); }, [] { return 0; });
}

int CAttribute::AddRef()
{
    MarkChanged();
    return ++m_refCount;
}

int CAttribute::Release()
{
    MarkChanged();
    if (m_refCount > 0)
        --m_refCount;
    if (m_refCount > 0)
        return m_refCount;
    Erase();
    return 0;
}

CAttribute* CAttribute::Clone() const
{
    CEntity* copy = CreateCopy();
    auto* attribute = dynamic_cast<CAttribute*>(copy);
    if (!attribute)
        delete copy;
    return attribute;
}

CAttribute* CloneAttribute(const CAttribute& attribute)
{
    CAttribute* clone = attribute.Clone();
    if (!clone)
        return nullptr;
    if (CUndoOperation* operation = IsUndoRecording() ? GetCurrentUndoOperation() : nullptr)
        operation->EntityCreated(clone);
    clone->TakeNextId();
    return clone;
}
