#include "components/ComponentDefinition.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "components/ComponentInstance.h"
#include "database/ArchiveReading.h"
#include "database/ArchiveSchema.h"
#include "database/ComponentBehavior.h"
#include "database/ComponentNotification.h"
#include "database/DefinitionList.h"
#include "database/EntitySet.h"
#include "database/Layer.h"
#include "database/Thumbnail.h"
#include "database/UndoManager.h"
#include "platform/mfc/Time.h"
#include "support/ArchiveOperators.h"
#include "support/StringTable.h"

using orbisk::geometry::CPoint3d;
using orbisk::geometry::CTransform3d;

IMPLEMENT_SERIAL(CComponentDefinition, CComponent, VERSIONABLE_SCHEMA | 10)

CComponentDefinition* AsDefinitionClass(CEntity* entity)
{
    return entity && entity->GetEntityType() == kEntityComponentDefinition
               ? dynamic_cast<CComponentDefinition*>(entity)
               : nullptr;
}

const CComponentDefinition* AsDefinitionClass(const CEntity* entity)
{
    return entity && entity->GetEntityType() == kEntityComponentDefinition
               ? dynamic_cast<const CComponentDefinition*>(entity)
               : nullptr;
}

CComponentDefinition::CComponentDefinition() : m_behavior(new CComponentBehavior)
{
    m_behavior->SetParent(this);
    m_layer = nullptr;
}

CComponentDefinition::CComponentDefinition(const CComponentDefinition& other)
    : CComponent(other),
      IComponentDefinition(),
      m_guid(other.m_guid),
      m_name(other.m_name),
      m_description(other.m_description),
      m_thirdText(other.m_thirdText),
      m_time(other.m_time),
      m_edited(other.m_edited),
      m_insertionPoint(other.m_insertionPoint),
      m_instances(other.m_instances),
      m_kind(other.m_kind),
      m_thumbnail(other.m_thumbnail)
{}

CComponentDefinition::~CComponentDefinition()
{
    for (CComponentInstance* instance : m_instances) {
        if (instance && instance->GetDefinition() == this)
            instance->ForgetDefinition();
    }
    if (m_ownsThumbnail && m_thumbnail && m_thumbnail->GetParent() == this)
        DeleteUnrecorded(m_thumbnail);
}

// ---------------------------------------------------------------------------------------------
// The record.

void CComponentDefinition::Serialize(CArchive& ar)
{
    SerializeGuarded(ar, [&] {
        CComponent::Serialize(ar);
        if (ar.IsLoading()) {
            ReadRecord(ar);
            return;
        }
        ar << m_guid.value.Data1 << m_guid.value.Data2 << m_guid.value.Data3;
        for (const uint8_t byte : m_guid.value.Data4)
            ar << byte;
        ar << m_name << m_description << m_thirdText << m_time << m_edited << m_insertionPoint;
        m_behavior->Serialize(ar);
        ar << m_kind << static_cast<const CObject*>(m_thumbnail);
    });
}

void CComponentDefinition::ReadRecord(CArchive& ar)
{
    const int32_t schema = GetClassVersion(RUNTIME_CLASS(CComponentDefinition));
    ar >> m_guid.value.Data1 >> m_guid.value.Data2 >> m_guid.value.Data3;
    for (uint8_t& byte : m_guid.value.Data4)
        ar >> byte;
    if (schema > 2)
        ar >> m_name >> m_description;
    if (schema > 3) {
        ar >> m_thirdText;
    } else {
        // Each text needs at least its length byte.
        const int32_t count = ReadItemCount(ar, 1);
        for (int32_t i = 0; i < count; ++i)
            ar >> m_thirdText;
    }
    ar >> m_time;
    if (schema > 8)
        ar >> m_edited;
    if (schema > 4)
        ar >> m_insertionPoint;
    if (schema < 6) {
        // The instances list themselves as their own records are read.
        const int32_t count = ReadItemCount(ar, kMinObjectReferenceBytes);
        for (int32_t i = 0; i < count; ++i) {
            bool madeHere = false;
            CObject* object = ReadObjectReference(ar, nullptr, madeHere);
            if (madeHere)
                KeepUntilAdopted(dynamic_cast<CEntity*>(object));
        }
    }
    if (schema > 1)
        m_behavior->Serialize(ar);
    if (schema < 7)
        m_layer = nullptr;
    if (schema > 7)
        ar >> m_kind;
    if (schema > 9)
        ReadThumbnail(ar);
    EnsureThumbnail();
}

void CComponentDefinition::ReadThumbnail(CArchive& ar)
{
    bool madeHere = false;
    CObject* object = ReadObjectReference(ar, RUNTIME_CLASS(CThumbnail), madeHere);
    auto* thumbnail = dynamic_cast<CThumbnail*>(object);
    if (thumbnail && thumbnail->GetParent() && thumbnail->GetParent() != this) {
        // A thumbnail another definition owns is not taken.
        return;
    }
    if (m_ownsThumbnail && m_thumbnail && m_thumbnail != thumbnail && m_thumbnail->GetParent() == this)
        DeleteUnrecorded(m_thumbnail);
    m_thumbnail = thumbnail;
    m_ownsThumbnail = thumbnail != nullptr;
    if (thumbnail)
        thumbnail->SetParent(this);
}

void CComponentDefinition::EnsureThumbnail()
{
    if (m_thumbnail)
        return;
    m_thumbnail = new CThumbnail;
    m_ownsThumbnail = true;
    m_thumbnail->SetParent(this);
    m_thumbnail->SetDefaultCamera();
}

// ---------------------------------------------------------------------------------------------
// Identity and texts.

void CComponentDefinition::Post(int32_t kind, void* value)
{
    PostComponentNotification(kind, this, value);
}

void CComponentDefinition::RecordChange()
{
    MarkChanged();
}

void CComponentDefinition::SetName(const CString& name)
{
    if (name == m_name)
        return;
    RecordChange();
    m_name = name;
    Post(kNotifyChanged, nullptr);
}

void CComponentDefinition::SetInsertionPoint(const CPoint3d& point, bool applySnap)
{
    CPoint3d target = point;
    if (applySnap && m_behavior && m_behavior->IsSnapEnabled())
        target.z = 0.0;
    if (target.IsEqual(m_insertionPoint, orbisk::geometry::kGeomTolerance))
        return;
    RecordChange();
    m_insertionPoint = target;
}

void CComponentDefinition::ResetInsertionPoint()
{
    SetInsertionPoint(CPoint3d(), false);
}

void CComponentDefinition::SetEdited(bool edited)
{
    if (edited == m_edited)
        return;
    RecordChange();
    m_edited = edited;
}

void CComponentDefinition::SetKind(int32_t kind)
{
    if (kind == m_kind)
        return;
    RecordChange();
    m_kind = kind;
}

void CComponentDefinition::RenewGuid()
{
    orbisk::utils::CGuid guid;
    guid.Create();
    RecordChange();
    m_guid = guid;
}

void CComponentDefinition::InvalidateThumbnail()
{
    if (!m_thumbnail)
        return;
    if (const ICamera* camera = m_thumbnail->GetCamera())
        m_thumbnail->SetCamera(*camera);
    m_thumbnail->SetImage(nullptr);
}

// ---------------------------------------------------------------------------------------------
// Instances.

CDrawingElement* CComponentDefinition::GetInstanceAt(int index) const
{
    return GetInstance(index);
}

CComponentInstance* CComponentDefinition::GetInstance(int index) const
{
    return index >= 0 && index < GetInstanceCount() ? m_instances[static_cast<size_t>(index)] : nullptr;
}

void CComponentDefinition::AddInstance(CComponentInstance* instance)
{
    if (!instance)
        return;
    RecordChange();
    m_instances.push_back(instance);
    instance->SetDefinition(this);
    Post(kNotifyInstanceAdded, instance);
}

void CComponentDefinition::RemoveInstance(CComponentInstance* instance)
{
    if (!instance)
        return;
    RecordChange();
    const auto found = std::find(m_instances.begin(), m_instances.end(), instance);
    if (found != m_instances.end())
        m_instances.erase(found);
    instance->SetDefinition(nullptr);
    Post(kNotifyInstanceRemoved, instance);
}

bool CComponentDefinition::HasInstance(const CComponentInstance* instance) const
{
    return instance && std::find(m_instances.begin(), m_instances.end(), instance) != m_instances.end();
}

void CComponentDefinition::ForgetInstance(const CComponentInstance* instance)
{
    const auto found = std::find(m_instances.begin(), m_instances.end(), instance);
    if (found != m_instances.end())
        m_instances.erase(found);
}

void CComponentDefinition::CollectParentComponents(CEntitySet& set, bool recursive) const
{
    for (const CComponentInstance* instance : m_instances) {
        CComponent* parent = instance ? AsComponentClass(instance->GetParent()) : nullptr;
        // Each component once, so that a definition placed inside itself ends the walk.
        if (!parent || !set.Insert(parent) || !recursive)
            continue;
        if (const CComponentDefinition* definition = AsDefinitionClass(parent))
            definition->CollectParentComponents(set, true);
    }
}

bool CComponentDefinition::IsUsedIn(const CComponent* component, bool recursive) const
{
    for (const CComponentInstance* instance : m_instances) {
        if (instance && instance->GetParent() == component)
            return true;
    }
    if (!recursive)
        return false;
    CEntitySet parents;
    CollectParentComponents(parents, true);
    return parents.Contains(component);
}

bool CComponentDefinition::CanContain(const CComponentDefinition* definition) const
{
    if (!definition || definition == this)
        return false;
    CEntitySet nested;
    nested.Insert(const_cast<CComponentDefinition*>(definition));
    definition->CollectDefinitions(nested, true);
    CEntitySet parents;
    CollectParentComponents(parents, true);
    if (nested.Contains(this))
        return false;
    return std::none_of(parents.GetMembers().begin(), parents.GetMembers().end(),
                        [&](const CEntity* parent) { return nested.Contains(parent); });
}

// ---------------------------------------------------------------------------------------------
// Contents.

void CComponentDefinition::Erase()
{
    RecordChange();
    Post(kNotifyErased, nullptr);
    m_behavior.Erase();
    m_displayList = 0;
    if (m_ownsThumbnail && m_thumbnail && m_thumbnail->GetParent() == this) {
        CThumbnail* thumbnail = m_thumbnail;
        if (EraseOwnedPart(thumbnail) == ErasedPart::kGone)
            m_thumbnail = nullptr;
        m_ownsThumbnail = false;
    }
    CComponent::Erase();
}

void CComponentDefinition::Transform(const CTransform3d& transform)
{
    if (transform.IsIdentity())
        return;
    RecordChange();
    CComponent::Transform(transform);
    SetInsertionPoint(transform.MultiplyPoint(m_insertionPoint), true);
    const CTransform3d inverse = transform.Inverse();
    for (CComponentInstance* instance : std::vector<CComponentInstance*>(m_instances)) {
        if (instance)
            instance->SetTransform(instance->GetTransform() * inverse);
    }
}

CEntity* CComponentDefinition::CreateCopy() const
{
    return new CComponentDefinition(*this);
}

void CComponentDefinition::SwapContents(CEntity& other)
{
    CComponent::SwapContents(other);
    auto* definition = dynamic_cast<CComponentDefinition*>(&other);
    if (!definition)
        return;
    const bool kindsDiffer = m_kind != definition->m_kind;
    std::swap(m_guid, definition->m_guid);
    std::swap(m_thirdText, definition->m_thirdText);
    std::swap(m_time, definition->m_time);
    std::swap(m_edited, definition->m_edited);
    std::swap(m_instances, definition->m_instances);
    std::swap(m_name, definition->m_name);
    std::swap(m_description, definition->m_description);
    std::swap(m_insertionPoint, definition->m_insertionPoint);
    std::swap(m_kind, definition->m_kind);
    std::swap(m_thumbnail, definition->m_thumbnail);
    std::swap(m_ownsThumbnail, definition->m_ownsThumbnail);
    if (kindsDiffer)
        Post(kNotifyKindChanged, nullptr);
    else if (!m_guid.IsNull())
        Post(kNotifyChanged, nullptr);
}

void CComponentDefinition::UpdateDependents()
{
    for (CComponentInstance* instance : std::vector<CComponentInstance*>(m_instances)) {
        if (instance)
            instance->UpdateDependents();
    }
}

// ---------------------------------------------------------------------------------------------
// Bounds.

void CComponentDefinition::InvalidateParentBounds()
{
    for (CComponentInstance* instance : m_instances) {
        CComponent* parent = instance ? AsComponentClass(instance->GetParent()) : nullptr;
        if (parent && parent != this)
            parent->InvalidateBounds();
    }
}

void CComponentDefinition::InvalidateBounds()
{
    if (!m_boundsValid)
        return;
    CComponent::InvalidateBounds();
    InvalidateParentBounds();
}

void CComponentDefinition::AddEntityBounds(const CDrawingElement* entity)
{
    if (!entity)
        return;
    CComponent::AddEntityBounds(entity);
    entity->AddBoundsTransformed(m_axesPlacement.Inverse(), m_axesBounds);
    InvalidateParentBounds();
}

void CComponentDefinition::AddPointToBounds(const CPoint3d& point)
{
    CComponent::AddPointToBounds(point);
    for (CComponentInstance* instance : m_instances) {
        CComponent* parent = instance ? AsComponentClass(instance->GetParent()) : nullptr;
        if (parent && parent != this)
            parent->AddPointToBounds(instance->GetTransform().Inverse().MultiplyPoint(point));
    }
}

// ---------------------------------------------------------------------------------------------
// Validity.

int CComponentDefinition::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CComponentDefinition), map, [&] { return CComponent::CheckValidity(level, map); },
        [&] { return CheckOwnValidity(level, map); });
}

int CComponentDefinition::CheckOwnValidity(int level, CCheckedObjectMap* map)
{
    int result = 0;
    if (level != kValidityCheckIgnoringIds) {
        if (m_name.IsEmpty()) {
            AppendValidityMessage("The name for %s is not valid", DescribeEntity(this).GetString());
            const auto* list = dynamic_cast<const CDefinitionList*>(GetParent());
            if (ShouldFix(level)) {
                const CString base = orbisk::utils::TranslateString("Component");
                RecordChange();
                m_name = list ? list->MakeUniqueName(base, true, nullptr) : base + L"#1";
                Post(kNotifyChanged, nullptr);
            } else {
                AppendValidityMessage(L"\n");
                result = 1;
            }
        }
        if (!std::isfinite(m_insertionPoint.x) || !std::isfinite(m_insertionPoint.y) ||
            !std::isfinite(m_insertionPoint.z)) {
            AppendValidityMessage("The insertion point for %s is not valid\n",
                                  DescribeEntity(this).GetString());
            return 2;
        }
    }
    result = CheckInstances(level, map, result);
    if (result == 3)
        return 3;
    if (!m_behavior || !m_behavior->IsKindOf(RUNTIME_CLASS(CComponentBehavior))) {
        AppendValidityMessage("The behavior for %s is not a CComponentBehavior\n",
                              DescribeEntity(this).GetString());
        RecordValidity(m_behavior.Get(), 3, map);
        return 3;
    }
    if (map) {
        const int behaviorResult = m_behavior->CheckValidity(level, map);
        if (behaviorResult >= 2)
            return behaviorResult;
        result = std::max(result, behaviorResult);
    }
    if (level != kValidityCheckIgnoringIds && (m_kind < kKindComponent || m_kind > kKindImage)) {
        AppendValidityMessage("The type for %s is not valid", DescribeEntity(this).GetString());
        if (ShouldFix(level)) {
            RecordChange();
            m_kind = kKindComponent;
        } else {
            AppendValidityMessage(L"\n");
            result = std::max(result, 1);
        }
    }
    if (!m_thumbnail || !m_thumbnail->IsKindOf(RUNTIME_CLASS(CThumbnail))) {
        AppendValidityMessage("The thumbnail for %s is not valid\n", DescribeEntity(this).GetString());
        RecordValidity(m_thumbnail, 3, map);
        return 3;
    }
    if (map) {
        const int thumbnailResult = m_thumbnail->CheckValidity(level, map);
        if (thumbnailResult >= 2)
            return thumbnailResult;
        result = std::max(result, thumbnailResult);
    }
    if (m_material) {
        AppendValidityMessage("Non-default material found for %s", DescribeEntity(this).GetString());
        if (ShouldFix(level)) {
            for (CComponentInstance* instance : m_instances)
                instance->SetMaterial(m_material);
            SetMaterial(nullptr);
        } else {
            AppendValidityMessage(L"\n");
            result = std::max(result, 1);
        }
    }
    if (m_layer) {
        AppendValidityMessage("Non-default layer found for %s", DescribeEntity(this).GetString());
        if (ShouldFix(level)) {
            for (CComponentInstance* instance : m_instances)
                instance->SetLayer(m_layer);
            SetLayer(nullptr);
        } else {
            AppendValidityMessage(L"\n");
            result = std::max(result, 1);
        }
    }
    return CheckCycles(level, result);
}

int CComponentDefinition::CheckInstances(int level, CCheckedObjectMap* map, int result)
{
    for (int i = GetInstanceCount() - 1; i >= 0; --i) {
        CComponentInstance* instance = m_instances[static_cast<size_t>(i)];
        if (!instance || !instance->IsKindOf(RUNTIME_CLASS(CComponentInstance))) {
            AppendValidityMessage("Instance %d of %s is not valid\n", i, DescribeEntity(this).GetString());
            RecordValidity(instance, 3, map);
            return 3;
        }
        if (AsComponentClass(instance->GetParent()))
            continue;
        AppendValidityMessage("Found dangling %s", DescribeEntity(instance).GetString());
        if (ShouldFix(level)) {
            RecordChange();
            m_instances.erase(m_instances.begin() + i);
            instance->SetDefinition(nullptr);
            instance->Erase();
        } else {
            AppendValidityMessage(L"\n");
            result = std::max(result, 1);
        }
    }
    return result;
}

// An instance inside the definition whose definition holds this one, at any depth, would make
// every walk through the tree endless.
int CComponentDefinition::CheckCycles(int level, int result)
{
    const std::vector<CDrawingElement*> snapshot = GetEntityList();
    for (CDrawingElement* entity : snapshot) {
        CComponentInstance* instance = AsInstanceClass(entity);
        const CComponentDefinition* definition = instance ? instance->GetDefinition() : nullptr;
        if (!definition || !Contains(instance))
            continue;
        CEntitySet nested;
        nested.Insert(const_cast<CComponentDefinition*>(definition));
        definition->CollectDefinitions(nested, true);
        if (!nested.Contains(this))
            continue;
        AppendValidityMessage("%s places %s inside itself", DescribeEntity(instance).GetString(),
                              DescribeEntity(this).GetString());
        if (ShouldFix(level)) {
            EraseEntity(instance);
        } else {
            AppendValidityMessage(L"\n");
            result = std::max(result, 1);
        }
    }
    return result;
}
