#pragma once
// Test doubles of what the drawing element, the definition list, the relationship maps and the
// font manager reach through model/DatabaseLinks.h below the model: rendering options, instance
// paths, component definitions with their instances, the root component, fonts and their users.
// The model-level links answer from the test model (ManagerDoubles.h).

#include <tuple>
#include <vector>

#include "model/DatabaseLinks.h"
#include "model/DrawingElement.h"
#include "tests/model/doubles/EntityDoubles.h"

class CDefinitionList;

class CRenderingOptions {
public:
    orbisk::utils::CColor edgeColor;
    orbisk::utils::CColor selectedColor{255, 255, 0};
    orbisk::utils::CColor lockedColor{255, 0, 0};
    bool colorByLayer = false;
    bool hiddenGeometryShown = false;
};

class CInstancePath {
public:
    std::vector<CDrawingElement*> instances;
};

class CZpFont : public CEntity {
    DECLARE_SERIAL(CZpFont)
public:
    int GetEntityType() const override { return kEntityFont; }
    CFontDescription description;
    int32_t refCount = 0;
    int cacheHandlesCleared = 0;
};

// A definition (a component of entity type 4) with a name, its instances and a purge mark. Its
// erase erases what it contains.
class TestDefinition : public TestComponent {
public:
    explicit TestDefinition(const wchar_t* name_ = L"") : TestComponent(true), name(name_) {}
    void Erase() override;

    CString name;
    std::vector<CDrawingElement*> instances;
    bool purgeMark = false;
};

// An instance of a definition; its erase takes it out of the definition's instances.
class TestInstance : public CDrawingElement {
public:
    explicit TestInstance(TestDefinition* definition_ = nullptr);
    int GetEntityType() const override { return kEntityComponentInstance; }
    void Erase() override;

    TestDefinition* definition;
};

// The root component of a model, holding the definition list.
class TestRoot : public TestComponent {
public:
    explicit TestRoot(CZephyronModel* model_ = nullptr) : model(model_) {}
    CZephyronModel* GetModel() const override { return model; }

    CZephyronModel* model;
    CDefinitionList* definitions = nullptr;
};

// A text (type 36) or a dimension (type 13 or 14) with its font.
class TestFontUser : public TestEntity {
public:
    TestFontUser(int type_, CEntity* font_) : type(type_), font(font_) {}
    int GetEntityType() const override { return type; }

    int type;
    CEntity* font;
};

// The "Component Notification" posts: kind, definition, value.
using ComponentNotification = std::tuple<int, CEntity*, int>;
std::vector<ComponentNotification>& ComponentNotifications();
