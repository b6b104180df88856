#pragma once
// Test doubles of the entities that the entity layer reaches through interfaces (components with
// their relationship maps, edges and their curves), a drawing element whose state the tests set,
// and a plain entity with one persistent value.

#include <cstdint>
#include <memory>
#include <vector>

#include "database/DrawingElement.h"
#include "database/Entity.h"
#include "database/EntityContainer.h"
#include "database/IComponent.h"
#include "database/Relationship.h"
#include "database/RelationshipMap.h"

// A plain entity with one value that setters change through MarkChanged, and an undo copy.
class TestEntity : public CEntity {
    DECLARE_SERIAL(TestEntity)
public:
    struct Event {
        int kind;
        CEntity* entity;
        void* data;
    };

    TestEntity() = default;
    TestEntity(const TestEntity& other) : CEntity(other), value(other.value) {}
    ~TestEntity() override { ++destroyed; }

    void Serialize(CArchive& ar) override;
    CEntity* CreateCopy() const override { return new TestEntity(*this); }
    void SwapContents(CEntity& other) override;
    void OnReferencedEntityEvent(int kind, CEntity* entity, void* data) override;
    void OnErase() override { ++erasedHooks; }
    void OnChange() override { ++changedHooks; }

    void SetValue(int32_t newValue);

    int32_t value = 0;
    std::vector<Event> events;
    int erasedHooks = 0;
    int changedHooks = 0;
    // Called on every event after it is recorded.
    void (*onEvent)(TestEntity& self, int kind, CEntity* entity) = nullptr;
    static inline int destroyed = 0;
};

// A drawing element whose flags word and layer the tests set directly.
class TestDrawingElement : public CDrawingElement {
public:
    TestDrawingElement() = default;
    TestDrawingElement(const TestDrawingElement&) = delete;

    uint32_t& flags = m_flags;
    CLayer*& layer = m_layer;
};

// A relationship that knows whether it is still alive, so that the component that made it can
// free it when nothing else will.
class TestRelationship : public CRelationship {
public:
    TestRelationship(CEntity* driving, CEntity* driven);
    ~TestRelationship() override;
    static bool IsAlive(const TestRelationship* relationship);
};

// The relationship map of a TestComponent; the tests ask it empty() like a standard container.
class TestRelationshipMap : public CRelationshipMap {
public:
    bool empty() const { return IsEmpty(); }
};

// A component (or, with the definition flag, a component definition): an entity container with
// its own relationship map (made with undo recording off, so that it is never reported as
// created). It frees the relationships it made that no operation owns.
class TestComponent : public TestEntity, public IEntityContainer, public IComponent {
public:
    explicit TestComponent(bool definition = false);
    ~TestComponent() override;
    int GetEntityType() const override
    {
        return m_definition ? kEntityComponentDefinition : kEntityComponent;
    }

    int GetCount() const override { return static_cast<int>(members.size()); }
    bool IsEmpty() const override { return members.empty(); }
    bool Contains(const CEntity* entity) const override;
    void Add(CEntity* entity) override;
    bool Remove(CEntity* entity) override;
    void RemoveAll() override { members.clear(); }
    CEntity* GetAt(int index) const override;
    IEntityIterator* CreateIterator() override;

    IEntityContainer& GetEntities() override { return *this; }
    CRelationshipMap& GetRelationshipMap() const override { return *m_map; }
    CDefinitionList* GetDefinitionList() const override { return nullptr; }
    bool EraseEntity(CEntity* entity) override;

    TestRelationship* Relate(CEntity* driving, CEntity* driven);

    std::vector<CEntity*> members;

private:
    bool m_definition;
    std::unique_ptr<TestRelationshipMap> m_map;
    std::vector<TestRelationship*> m_made;

public:
    // Declared after the map it refers to, so that the map exists when it is bound.
    TestRelationshipMap& relationships;
};
