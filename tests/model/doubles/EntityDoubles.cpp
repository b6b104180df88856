#include "tests/model/doubles/EntityDoubles.h"

#include <algorithm>
#include <utility>

#include "model/EntityLinks.h"
#include "platform/mfc/Archive.h"

IMPLEMENT_SERIAL(TestEntity, CEntity, VERSIONABLE_SCHEMA | 1)

void TestEntity::Serialize(CArchive& ar)
{
    SerializeGuarded(ar, [&] {
        CEntity::Serialize(ar);
        if (ar.IsLoading())
            ar >> value;
        else
            ar << value;
    });
}

void TestEntity::SwapContents(CEntity& other)
{
    CEntity::SwapContents(other);
    std::swap(value, static_cast<TestEntity&>(other).value);
}

void TestEntity::OnReferencedEntityEvent(int kind, CEntity* entity, void* data)
{
    events.push_back({kind, entity, data});
    if (onEvent)
        onEvent(*this, kind, entity);
}

void TestEntity::SetValue(int32_t newValue)
{
    if (newValue == value)
        return;
    MarkChanged();
    value = newValue;
}

TestComponent::~TestComponent()
{
    for (TestRelationship* relationship : relationships)
        delete relationship;
}

bool TestComponent::Contains(const CEntity* entity) const
{
    return std::find(members.begin(), members.end(), entity) != members.end();
}

void TestComponent::Add(CEntity* entity)
{
    members.push_back(entity);
    entity->SetParent(this);
}

bool TestComponent::Remove(CEntity* entity)
{
    auto found = std::find(members.begin(), members.end(), entity);
    if (found == members.end())
        return false;
    members.erase(found);
    entity->SetParent(nullptr);
    return true;
}

CEntity* TestComponent::GetAt(int index) const
{
    return index >= 0 && index < GetCount() ? members[static_cast<size_t>(index)] : nullptr;
}

TestRelationship* TestComponent::Relate(CEntity* driving, CEntity* driven)
{
    auto* relationship = new TestRelationship(driving, driven);
    relationships.push_back(relationship);
    return relationship;
}

namespace links {

CEntity* GetEdgeCurve(const CEntity& edge)
{
    return static_cast<const TestEdge&>(edge).curve;
}

int GetRelationships(const CEntity& component, const CEntity& entity, RelationshipRole role,
                     std::vector<CEntity*>& relationships)
{
    int count = 0;
    for (TestRelationship* relationship : dynamic_cast<const TestComponent&>(component).relationships) {
        const CEntity* end = role == RelationshipRole::kDriver ? relationship->driving : relationship->driven;
        if (end == &entity) {
            relationships.push_back(relationship);
            ++count;
        }
    }
    return count;
}

void RemoveRelationshipsOf(CEntity& component, CEntity& entity)
{
    auto& relationships = dynamic_cast<TestComponent&>(component).relationships;
    std::erase_if(relationships, [&](TestRelationship* relationship) {
        if (relationship->driving != &entity && relationship->driven != &entity)
            return false;
        delete relationship;
        return true;
    });
}

void ReplaceInRelationships(CEntity& component, CEntity& oldEntity, CEntity* newEntity)
{
    for (TestRelationship* relationship : dynamic_cast<TestComponent&>(component).relationships) {
        if (relationship->driving == &oldEntity)
            relationship->driving = newEntity;
        if (relationship->driven == &oldEntity)
            relationship->driven = newEntity;
    }
}

CEntity* GetDrivenEntity(const CEntity& relationship)
{
    return static_cast<const TestRelationship&>(relationship).driven;
}

void SetSelectedFlag(CEntity& element, bool selected)
{
    auto& drawingElement = static_cast<TestDrawingElement&>(element);
    drawingElement.flags = selected ? drawingElement.flags | TestDrawingElement::kSelected
                                    : drawingElement.flags & ~TestDrawingElement::kSelected;
}

CLayer* GetLayer(CEntity& element)
{
    return static_cast<TestDrawingElement&>(element).layer;
}

} // namespace links
