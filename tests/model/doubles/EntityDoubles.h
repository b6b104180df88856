#pragma once
// Test doubles of the entity classes of later subsystems that the entity layer reaches through
// model/EntityLinks.h (components with their relationships, edges and their curves, drawing
// elements and layers), and a plain entity with one persistent value.

#include <cstdint>
#include <vector>

#include "model/Entity.h"
#include "model/EntityContainer.h"

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

class CLayer : public CEntity {
public:
    int GetEntityType() const override { return kEntityLayer; }
};

class TestDrawingElement : public TestEntity {
public:
    static constexpr uint32_t kSelected = 0x40;
    bool IsDrawingElement() const override { return true; }
    int GetEntityType() const override { return kEntityDrawingElement; }

    uint32_t flags = 0x06;
    CLayer* layer = nullptr;
};

class TestCurve : public TestEntity {
public:
    int GetEntityType() const override { return kEntityCurve; }
};

class TestEdge : public TestEntity {
public:
    int GetEntityType() const override { return kEntityEdge; }
    CEntity* curve = nullptr;
};

class TestRelationship : public CEntity {
public:
    TestRelationship(CEntity* driving_, CEntity* driven_) : driving(driving_), driven(driven_) {}
    int GetEntityType() const override { return kEntityRelationship; }

    CEntity* driving;
    CEntity* driven;
};

// A component (or, with the definition flag, a component definition): an entity container with
// its own relationship map, which owns its relationships.
class TestComponent : public TestEntity, public IEntityContainer {
public:
    explicit TestComponent(bool definition = false) : m_definition(definition) {}
    ~TestComponent() override;
    int GetEntityType() const override { return m_definition ? kEntityComponentDefinition : kEntityComponent; }

    int GetCount() const override { return static_cast<int>(members.size()); }
    bool IsEmpty() const override { return members.empty(); }
    bool Contains(const CEntity* entity) const override;
    void Add(CEntity* entity) override;
    bool Remove(CEntity* entity) override;
    void RemoveAll() override { members.clear(); }
    CEntity* GetAt(int index) const override;
    IEntityIterator* CreateIterator() override { return nullptr; }

    TestRelationship* Relate(CEntity* driving, CEntity* driven);

    std::vector<CEntity*> members;
    std::vector<TestRelationship*> relationships;

private:
    bool m_definition;
};
