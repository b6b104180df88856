#include "tests/model/doubles/EntityDoubles.h"

#include <algorithm>
#include <memory>
#include <set>
#include <utility>

#include "database/UndoManager.h"
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

namespace {

std::set<const TestRelationship*>& LiveRelationships()
{
    static std::set<const TestRelationship*> live;
    return live;
}

std::unique_ptr<TestRelationshipMap> MakeMapUnrecorded()
{
    CSuspendUndo unrecorded;
    return std::make_unique<TestRelationshipMap>();
}

class VectorIterator : public IEntityIterator {
public:
    explicit VectorIterator(const std::vector<CEntity*>& entities) : m_entities(entities) {}
    void Reset() override { m_index = 0; }
    bool Next(CEntity*& entity) override
    {
        entity = m_index < m_entities.size() ? m_entities[m_index++] : nullptr;
        return entity != nullptr;
    }

private:
    const std::vector<CEntity*>& m_entities;
    size_t m_index = 0;
};

}  // namespace

TestRelationship::TestRelationship(CEntity* driving, CEntity* driven) : CRelationship(driving, driven)
{
    LiveRelationships().insert(this);
}

TestRelationship::~TestRelationship()
{
    LiveRelationships().erase(this);
}

bool TestRelationship::IsAlive(const TestRelationship* relationship)
{
    return LiveRelationships().contains(relationship);
}

TestComponent::TestComponent(bool definition)
    : m_definition(definition), m_map(MakeMapUnrecorded()), relationships(*m_map)
{}

TestComponent::~TestComponent()
{
    // Those erased into an operation (negative ids) are the operation's.
    for (TestRelationship* relationship : m_made) {
        if (TestRelationship::IsAlive(relationship) && relationship->GetId() >= 0)
            delete relationship;
    }
}

IEntityIterator* TestComponent::CreateIterator()
{
    return new VectorIterator(members);
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

bool TestComponent::EraseEntity(CEntity* entity)
{
    relationships.RemoveRelationshipsOf(entity);
    const bool held = Remove(entity);
    if (CUndoOperation* operation = IsUndoRecording() ? GetCurrentUndoOperation() : nullptr;
        held && operation)
        operation->RemoveElement(entity, this);
    entity->Erase();
    return held;
}

TestRelationship* TestComponent::Relate(CEntity* driving, CEntity* driven)
{
    auto* relationship = new TestRelationship(driving, driven);
    m_made.push_back(relationship);
    relationships.Add(relationship);
    return relationship;
}
