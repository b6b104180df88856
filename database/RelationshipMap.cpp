#include "database/RelationshipMap.h"

#include <algorithm>

#include "database/ArchiveReading.h"
#include "database/DrawingElement.h"
#include "database/Relationship.h"
#include "database/UndoManager.h"
#include "platform/mfc/Archive.h"

IMPLEMENT_SERIAL(CRelationshipMap, CEntity, VERSIONABLE_SCHEMA | 0)

namespace {

CDrawingElement* DrivingElement(const CRelationship& relationship)
{
    CEntity* driving = relationship.GetDriving();
    return driving && driving->IsDrawingElement() ? static_cast<CDrawingElement*>(driving) : nullptr;
}

template <class End>
int CollectWhere(const std::vector<CRelationship*>& relationships, const CEntity* entity, End end,
                 std::vector<CEntity*>& out)
{
    int count = 0;
    for (CRelationship* relationship : relationships) {
        if ((relationship->*end)() == entity) {
            out.push_back(relationship);
            ++count;
        }
    }
    return count;
}

CUndoOperation* RecordingOperation()
{
    return IsUndoRecording() ? GetCurrentUndoOperation() : nullptr;
}

}  // namespace

void CRelationshipMap::Serialize(CArchive& ar)
{
    if (ar.IsLoading()) {
        ReadRelationships(ar);
        return;
    }
    ar << static_cast<int32_t>(m_relationships.size());
    for (const CRelationship* relationship : m_relationships)
        ar << static_cast<const CObject*>(relationship);
}

void CRelationshipMap::ReadRelationships(CArchive& ar)
{
    const int32_t count = ReadItemCount(ar, kMinObjectReferenceBytes);
    m_relationships.clear();
    m_relationships.reserve(static_cast<size_t>(count));
    CRecordAdoptions adopted(*this,
                             [&](CEntity* relationship) { std::erase(m_relationships, relationship); });
    for (int32_t i = 0; i < count; ++i) {
        bool madeHere = false;
        CRelationship* relationship = ReadReference<CRelationship>(ar, madeHere);
        if (!relationship)
            continue;
        if (relationship->GetDriving() != relationship->GetDriven()) {
            m_relationships.push_back(relationship);
            adopted.Note(relationship, madeHere);
        } else if (madeHere) {
            KeepUnownedObject(relationship);
        }
    }
    adopted.Keep();
}

bool CRelationshipMap::Contains(const CEntity* entity) const
{
    return std::find(m_relationships.begin(), m_relationships.end(), entity) != m_relationships.end();
}

void CRelationshipMap::Add(CEntity* entity)
{
    if (!entity)
        return;
    auto* relationship = static_cast<CRelationship*>(entity);
    m_relationships.push_back(relationship);
    relationship->SetParent(this);
    if (CDrawingElement* driving = DrivingElement(*relationship))
        driving->InvalidateDisplay();
}

bool CRelationshipMap::Remove(CEntity* entity)
{
    auto found = std::find(m_relationships.begin(), m_relationships.end(), entity);
    if (found == m_relationships.end())
        return false;
    CRelationship* relationship = *found;
    m_relationships.erase(found);
    relationship->SetParent(nullptr);
    if (RecordingOperation() && !WasCreatedAndErased(relationship)) {
        if (CDrawingElement* driving = DrivingElement(*relationship))
            driving->InvalidateDisplay();
    }
    return true;
}

CEntity* CRelationshipMap::GetAt(int index) const
{
    return index >= 0 && index < GetCount() ? m_relationships[static_cast<size_t>(index)] : nullptr;
}

IEntityIterator* CRelationshipMap::CreateIterator()
{
    return new CContainerIterator(*this);
}

bool CRelationshipMap::AddRelationship(CRelationship* relationship)
{
    const bool held =
        std::any_of(m_relationships.begin(), m_relationships.end(), [&](const CRelationship* other) {
            return other->GetDriving() == relationship->GetDriving() &&
                   other->GetDriven() == relationship->GetDriven();
        });
    if (held)
        return false;
    if (CUndoOperation* operation = RecordingOperation())
        operation->AddElement(relationship, this);
    Add(relationship);
    return true;
}

int CRelationshipMap::GetRelationshipsAsDriver(const CEntity* entity,
                                               std::vector<CEntity*>& relationships) const
{
    return CollectWhere(m_relationships, entity, &CRelationship::GetDriving, relationships);
}

int CRelationshipMap::GetRelationshipsAsDriven(const CEntity* entity,
                                               std::vector<CEntity*>& relationships) const
{
    return CollectWhere(m_relationships, entity, &CRelationship::GetDriven, relationships);
}

void CRelationshipMap::RemoveRelationshipsOf(const CEntity* entity)
{
    std::vector<CEntity*> collected;
    GetRelationshipsAsDriver(entity, collected);
    GetRelationshipsAsDriven(entity, collected);
    for (CEntity* relationship : collected) {
        // A relationship of the entity with itself is collected twice: only the first removal
        // erases it.
        if (!Remove(relationship))
            continue;
        if (CUndoOperation* operation = RecordingOperation())
            operation->RemoveElement(relationship, this);
        relationship->Erase();
    }
}

void CRelationshipMap::ReplaceEntity(const CEntity* oldEntity, CEntity* newEntity)
{
    for (CRelationship* relationship : m_relationships) {
        if (relationship->GetDriving() == oldEntity)
            relationship->SetDriving(newEntity);
    }
    for (CRelationship* relationship : m_relationships) {
        if (relationship->GetDriven() == oldEntity)
            relationship->SetDriven(newEntity);
    }
}

void CRelationshipMap::EraseRelationships(bool forget)
{
    // Erasing may delete: walk a copy.
    const std::vector<CRelationship*> relationships = m_relationships;
    if (forget)
        m_relationships.clear();
    for (CRelationship* relationship : relationships)
        relationship->Erase();
}

int CRelationshipMap::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CRelationshipMap), map, [&] { return CEntity::CheckValidity(level, map); },
        [&] { return CheckRelationships(level, map); });
}

int CRelationshipMap::CheckRelationships(int level, CCheckedObjectMap* map)
{
    int remembered = 0;
    for (int i = GetCount() - 1; i >= 0; --i) {
        CRelationship* relationship = m_relationships[static_cast<size_t>(i)];
        if (!relationship || !relationship->IsKindOf(RUNTIME_CLASS(CRelationship))) {
            AppendValidityMessage("Relationship %d for %s is not valid\n", i,
                                  DescribeEntity(this).GetString());
            return RecordValidity(relationship, 3, map);
        }
        if (!map)
            continue;
        const int result = relationship->CheckValidity(level, nullptr);
        if (result >= 2)
            return RecordValidity(relationship, result, map);
        if (result == 1)
            remembered = 1;
    }
    return remembered;
}
