#include "database/Relationship.h"

#include <utility>

#include "database/ArchiveReading.h"
#include "platform/mfc/Archive.h"

IMPLEMENT_SERIAL(CRelationship, CEntity, VERSIONABLE_SCHEMA | 0)

void CRelationship::Serialize(CArchive& ar)
{
    SerializeGuarded(ar, [&] {
        CEntity::Serialize(ar);
        if (ar.IsLoading()) {
            m_driving = ReadUnownedReference<CEntity>(ar);
            m_driven = ReadUnownedReference<CEntity>(ar);
        } else {
            ar << static_cast<const CObject*>(m_driving) << static_cast<const CObject*>(m_driven);
        }
    });
}

CEntity* CRelationship::CreateCopy() const
{
    return new CRelationship(*this);
}

void CRelationship::SwapContents(CEntity& other)
{
    CEntity::SwapContents(other);
    auto& relationship = static_cast<CRelationship&>(other);
    std::swap(m_driving, relationship.m_driving);
    std::swap(m_driven, relationship.m_driven);
}

void CRelationship::SetDriving(CEntity* entity)
{
    if (entity == m_driving)
        return;
    MarkChanged();
    m_driving = entity;
}

void CRelationship::SetDriven(CEntity* entity)
{
    if (entity == m_driven)
        return;
    MarkChanged();
    m_driven = entity;
}

int CRelationship::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CRelationship), map, [&] { return CEntity::CheckValidity(level, map); },
        [&] { return CheckEnds(map); });
}

int CRelationship::CheckEnds(CCheckedObjectMap* map)
{
    auto isEntity = [](const CEntity* entity) { return entity && entity->IsKindOf(RUNTIME_CLASS(CEntity)); };
    if (!isEntity(m_driving)) {
        AppendValidityMessage("The driving pointer for %s is not valid\n", DescribeEntity(this).GetString());
        return RecordValidity(m_driving, 3, map);
    }
    if (!isEntity(m_driven)) {
        AppendValidityMessage("The driven pointer for %s is not valid\n", DescribeEntity(this).GetString());
        return RecordValidity(m_driven, 3, map);
    }
    return 0;
}
