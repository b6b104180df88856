#include "database/Entity.h"

#include <algorithm>
#include <memory>
#include <unordered_set>
#include <utility>

#include "database/ArchiveReading.h"
#include "database/ArchiveSchema.h"
#include "database/Attribute.h"
#include "database/AttributeContainer.h"
#include "database/BackReferenceIndex.h"
#include "database/CurrentModel.h"
#include "database/DroppedObjectPool.h"
#include "database/EntityDisposal.h"
#include "database/EntitySet.h"
#include "database/IComponent.h"
#include "database/IEdge.h"
#include "database/IModelContext.h"
#include "database/Relationship.h"
#include "database/RelationshipMap.h"
#include "database/UndoManager.h"
#include "platform/mfc/Archive.h"
#include "support/NotificationCenter.h"

IMPLEMENT_SERIAL(CEntity, CObject, VERSIONABLE_SCHEMA | 3)

namespace {

int32_t g_nextId = 1;

// Entities whose CollectWithDependents is running further up the walk: relationships read
// from a file may form cycles.
using CollectingMarks = std::unordered_set<const CEntity*>;
// Entities reading their attribute container, innermost last; a stack, so that reading entities
// allocates nothing.
using ReadingMarks = std::vector<const CEntity*>;

CollectingMarks& EntitiesBeingCollected()
{
    static CollectingMarks entities;
    return entities;
}

ReadingMarks& EntitiesReadingAttributes()
{
    static ReadingMarks entities;
    return entities;
}

void Mark(CollectingMarks& marks, const CEntity* entity)
{
    marks.insert(entity);
}

void Unmark(CollectingMarks& marks, const CEntity* entity)
{
    marks.erase(entity);
}

void Mark(ReadingMarks& marks, const CEntity* entity)
{
    marks.push_back(entity);
}

void Unmark(ReadingMarks& marks, const CEntity*)
{
    marks.pop_back();
}

template <class Marks>
class ScopedMark {
public:
    ScopedMark(Marks& marks, const CEntity* entity) : m_marks(marks), m_entity(entity)
    {
        Mark(marks, entity);
    }
    ~ScopedMark() { Unmark(m_marks, m_entity); }
    ScopedMark(const ScopedMark&) = delete;
    ScopedMark& operator=(const ScopedMark&) = delete;

private:
    Marks& m_marks;
    const CEntity* m_entity;
};

CBackReferenceIndex* CurrentBackReferenceIndex()
{
    IModelContext* model = GetCurrentModel();
    return model ? &model->GetBackReferenceIndex() : nullptr;
}

bool AreCurrentModelNotificationsSuspended()
{
    IModelContext* model = GetCurrentModel();
    return model && model->AreNotificationsSuspended();
}

// Someone else owns the entity now, or it is going: the pool must not free it.
void LeaveDroppedObjects(const CEntity* entity)
{
    IModelContext* model = GetCurrentModel();
    if (!model)
        return;
    CDroppedObjectPool& pool = model->GetDroppedObjects();
    if (!pool.IsEmpty())
        pool.Release(entity);
}

}  // namespace

CEntity::CEntity()
{
    if (CUndoOperation* operation = IsUndoRecording() ? GetCurrentUndoOperation() : nullptr)
        operation->EntityCreated(this);
    m_id = g_nextId++;
}

CEntity::CEntity(const CEntity& other) : CObject(other), m_attributes(other.m_attributes) {}

CEntity::~CEntity()
{
    LeaveDroppedObjects(this);
}

void CEntity::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        if (IsSaveFormat4000OrLater())
            ar << static_cast<const CObject*>(m_attributes.Get());
        return;
    }
    const int32_t schema = GetClassVersion(RUNTIME_CLASS(CEntity));
    if (schema == 1) {
        int32_t ignored = 0;
        ar >> ignored;
    } else if (schema >= 3) {
        ReadAttributeContainer(ar);
    }
}

void CEntity::ReadAttributeContainer(CArchive& ar)
{
    const uint32_t objectsBefore = ar.GetLoadCount();
    CAttributeContainer* container = nullptr;
    {
        ScopedMark reading(EntitiesReadingAttributes(), this);
        ar >> container;
    }
    if (!container)
        return;
    // A container belongs to one entity: a reference back to one read before would share it,
    // or make it own its owner.
    if (ar.GetLoadCount() == objectsBefore)
        AfxThrowArchiveException(CArchiveException::genericException);
    m_attributes.Reset(container);
    container->SetParent(this);
}

void CEntity::Erase()
{
    m_attributes.Erase();
    OnErase();
    if (CBackReferenceIndex* index = CurrentBackReferenceIndex())
        index->NotifyReferrers(this, kEventErased, nullptr);
    // With no operation open nothing could bring the entity back, and nothing would own it.
    CUndoOperation* operation = IsUndoRecording() ? GetUndoOperation() : nullptr;
    if (!operation) {
        delete this;
        return;
    }
    operation->EntityErased(this);
}

CUndoOperation* CEntity::GetUndoOperation() const
{
    return GetCurrentUndoOperation();
}

bool CEntity::CollectWithDependents(CEntitySet& set)
{
    auto& beingCollected = EntitiesBeingCollected();
    if (set.Contains(this) || beingCollected.contains(this))
        return false;
    {
        ScopedMark collecting(beingCollected, this);
        std::vector<CEntity*> relationships;
        GetRelationshipsAsDriver(relationships);
        for (CEntity* relationship : relationships) {
            CEntity* driven = static_cast<CRelationship*>(relationship)->GetDriven();
            if (!driven)
                continue;
            CEntity* dependent =
                driven->GetParent() == m_parent ? driven : FindSiblingAncestor(driven->GetParent());
            if (!dependent || dependent == this)
                continue;
            set.Insert(relationship);
            dependent->CollectWithDependents(set);
        }
    }
    set.Insert(this);
    if (CBackReferenceIndex* index = CurrentBackReferenceIndex()) {
        std::unique_ptr<IEntityIterator> referrers(index->CreateIterator(this));
        for (CEntity* referrer = nullptr; referrers && referrers->Next(referrer);) {
            if (referrer)
                referrer->CollectWithDependents(set);
        }
    }
    if (m_attributes)
        m_attributes->CollectWithDependents(set);
    return true;
}

void CEntity::Transform(const orbisk::geometry::CTransform3d&) {}

CEntity* CEntity::CreateCopy() const
{
    return nullptr;
}

void CEntity::SwapContents(CEntity& other)
{
    m_attributes.Swap(other.m_attributes);
    NotifyChanged();
}

CString CEntity::GetClassName() const
{
    return CString(GetRuntimeClass()->m_lpszClassName);
}

CString CEntity::GetTypeName() const
{
    CString name = GetClassName();
    if (name.IsEmpty() || name.GetAt(0) != L'C')
        return name;
    return CString(name.GetString() + 1);
}

IModelContext* CEntity::GetModel() const
{
    return m_parent ? m_parent->GetModel() : nullptr;
}

CEntity* CEntity::GetParent() const
{
    return m_parent;
}

CEntity* CEntity::GetParentComponent() const
{
    if (!m_parent)
        return nullptr;
    return IsComponentType(m_parent->GetEntityType()) ? m_parent : m_parent->GetParentComponent();
}

void CEntity::OnReferencedEntityEvent(int, CEntity*, void*) {}

void CEntity::HandleEntityEvent(int kind)
{
    if (kind == kHandleChange)
        OnChange();
    else if (kind == kHandleErase)
        OnErase();
}

void CEntity::OnChange() {}

void CEntity::OnErase() {}

int CEntity::CheckValidity(int level, CCheckedObjectMap* map)
{
    try {
        int result = 0;
        if (FindValidity(this, map, result))
            return result;
        if (!IsKindOf(RUNTIME_CLASS(CEntity))) {
            AppendValidityMessage("This entity (%d) should be a CEntity but it is not\n", m_id);
            return RecordValidity(this, 3, map);
        }
        if (m_attributes && !m_attributes->IsKindOf(RUNTIME_CLASS(CAttributeContainer))) {
            AppendValidityMessage("The attribute pointer for %s is not valid",
                                  DescribeEntity(this).GetString());
            RecordValidity(m_attributes.Get(), 3, map);
            return RecordValidity(this, 3, map);
        }
        int remembered = 0;
        if (m_attributes && map) {
            const int containerResult = m_attributes->CheckValidity(level, map);
            if (containerResult >= 2)
                return RecordValidity(this, containerResult, map);
            remembered = containerResult;
        }
        if (level != kValidityCheckIgnoringIds && m_id < 0) {
            // The format names a 32-bit address: the low half of it.
            AppendValidityMessage("The entity at address %x has an invalid id (%d)\n",
                                  static_cast<unsigned>(reinterpret_cast<uintptr_t>(this)), m_id);
            return RecordValidity(this, 2, map);
        }
        return remembered == 0 ? 0 : RecordValidity(this, remembered, map);
    } catch (...) {
        return ReportCheckFailure(map);
    }
}

int CEntity::ReportCheckFailure(CCheckedObjectMap* map)
{
    AppendValidityMessage("Unknown Error while validating %s\n", DescribeEntity(this).GetString());
    return RecordValidity(this, 3, map);
}

bool CEntity::IsDrawingElement() const
{
    return false;
}

int CEntity::GetEntityType() const
{
    return kEntityEntity;
}

void CEntity::TakeNextId()
{
    m_id = g_nextId++;
}

int32_t CEntity::NegateId()
{
    m_id = -m_id;
    return m_id;
}

void CEntity::ResetIdCounter()
{
    g_nextId = 1;
}

int CEntity::SetParent(CEntity* parent)
{
    m_parent = parent;
    if (parent) {
        LeaveDroppedObjects(this);
        for (const CEntity* edge = this; edge->GetEntityType() == kEntityEdge;) {
            const auto* asEdge = dynamic_cast<const IEdge*>(edge);
            CEntity* curve = asEdge ? asEdge->GetCurve() : nullptr;
            if (!curve || curve == this)
                break;
            curve->m_parent = parent;
            edge = curve;
        }
    }
    return GetEntityType();
}

bool CEntity::HasAncestor(const CEntity* entity) const
{
    for (const CEntity* parent = GetParent(); parent; parent = parent->GetParent()) {
        if (parent == entity)
            return true;
    }
    return false;
}

CEntity* CEntity::FindSiblingAncestor(CEntity* entity) const
{
    for (; entity; entity = entity->GetParent()) {
        if (entity->GetParent() == m_parent)
            return entity;
    }
    return nullptr;
}

void CEntity::MarkChanged(bool keepCopy)
{
    if (CUndoOperation* operation = IsUndoRecording() ? GetUndoOperation() : nullptr)
        operation->RecordChange(this, keepCopy);
    NotifyChanged();
}

void CEntity::NotifyChanged()
{
    if (AreCurrentModelNotificationsSuspended())
        return;
    orbisk::utils::CNotificationCenter::GetInstance().PostNotification("EntityChanged",
                                                                       static_cast<CEntity*>(this));
}

namespace {

enum class RelationshipRole { kDriver, kDriven };

int CollectRelationships(const CEntity& entity, RelationshipRole role, std::vector<CEntity*>& relationships)
{
    int count = 0;
    for (const CEntity* ancestor = entity.GetParent(); const IComponent* component = AsComponent(ancestor);
         ancestor = ancestor->GetParent()) {
        const CRelationshipMap& map = component->GetRelationshipMap();
        count += role == RelationshipRole::kDriver ? map.GetRelationshipsAsDriver(&entity, relationships)
                                                   : map.GetRelationshipsAsDriven(&entity, relationships);
    }
    return count;
}

}  // namespace

int CEntity::GetRelationshipsAsDriver(std::vector<CEntity*>& relationships) const
{
    return CollectRelationships(*this, RelationshipRole::kDriver, relationships);
}

int CEntity::GetRelationshipsAsDriven(std::vector<CEntity*>& relationships) const
{
    return CollectRelationships(*this, RelationshipRole::kDriven, relationships);
}

void CEntity::RemoveRelationshipsOf()
{
    if (IComponent* component = AsComponent(m_parent))
        component->GetRelationshipMap().RemoveRelationshipsOf(this);
}

void CEntity::ReplaceInRelationships(CEntity* other)
{
    if (IComponent* component = AsComponent(GetParentComponent()))
        component->GetRelationshipMap().ReplaceEntity(this, other);
}

void CEntity::AddBackReference(CEntity* referrer)
{
    if (CBackReferenceIndex* index = CurrentBackReferenceIndex())
        index->AddReference(this, referrer);
}

void CEntity::RemoveBackReference(CEntity* referrer)
{
    if (CBackReferenceIndex* index = CurrentBackReferenceIndex())
        index->RemoveReference(this, referrer);
}

void CEntity::NotifyReferencers(int kind, void* data)
{
    if (CBackReferenceIndex* index = CurrentBackReferenceIndex())
        index->NotifyReferrers(this, kind, data);
}

void CEntity::AddAttributeDictionary(CAttribute* attribute)
{
    if (!m_attributes) {
        MarkChanged();
        m_attributes.Reset(new CAttributeContainer);
        m_attributes->SetParent(this);
    }
    m_attributes->Add(attribute);
}

void CEntity::CopyAttributesFrom(const CEntity& other, bool share)
{
    if (!other.m_attributes)
        return;
    // Taken first: with the entity itself as the other, adding would extend the walk.
    std::vector<CAttribute*> attributes;
    for (int i = 0; i < other.m_attributes->GetCount(); ++i)
        attributes.push_back(other.m_attributes->GetAt(i));
    for (CAttribute* attribute : attributes) {
        CAttribute* added = share ? attribute : CloneAttribute(*attribute);
        if (added)
            AddAttributeDictionary(added);
    }
}

CAttribute* CEntity::FindAttribute(int type) const
{
    return m_attributes ? m_attributes->FindByType(type) : nullptr;
}

bool CEntity::ShouldFix(int level)
{
    if (level != kValidityFix)
        return false;
    AppendValidityMessage(L" - fixed\n");
    return true;
}

void CEntity::DiscardAttributeContainer()
{
    // The archive still lists the container and its attributes as read, and a failing topology
    // record goes through that list after this: the model's pool frees them later.
    CAttributeContainer* container = m_attributes.Release();
    if (!container)
        return;
    container->SetParent(nullptr);
    KeepUnownedObject(container);
}

void DeleteUnrecorded(CEntity* entity)
{
    if (!entity)
        return;
    CSuspendUndo unrecorded;
    entity->Erase();
}

ErasedPart EraseOwnedPart(CEntity* entity)
{
    // Recording with no operation open erases for good too (an erase deletes what no operation
    // could bring back): the owner must forget the part, or it would free it a second time.
    if (!IsUndoRecording() || !entity->GetUndoOperation()) {
        entity->Erase();
        return ErasedPart::kGone;
    }
    entity->Erase();
    // An entity created in the same operation is deleted at once.
    return WasCreatedAndErased(entity) ? ErasedPart::kGone : ErasedPart::kHandedOver;
}

bool CEntity::IsReadingAttributeContainer(const CEntity* entity)
{
    const ReadingMarks& reading = EntitiesReadingAttributes();
    return std::find(reading.begin(), reading.end(), entity) != reading.end();
}
