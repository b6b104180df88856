#pragma once
// Test doubles of what the drawing element, the definition list, the relationship maps and the
// font manager reach through model/DatabaseLinks.h: layers, materials and their managers,
// rendering options, instance paths, component definitions with their instances, the root
// component, fonts and their users. The model double (ModelDouble.h) has no room for its parts;
// they are kept beside it, per model, by ModelParts.

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "model/DatabaseLinks.h"
#include "model/DrawingElement.h"
#include "tests/model/doubles/EntityDoubles.h"

class CDefinitionList;
class CFontManager;

class CMaterial : public CEntity {
    DECLARE_SERIAL(CMaterial)
public:
    CMaterial() = default;
    explicit CMaterial(orbisk::utils::CColor color_) : color(color_) {}
    // The entity record, then the colour.
    void Serialize(CArchive& ar) override;
    int GetEntityType() const override { return kEntityMaterial; }

    orbisk::utils::CColor color;
    bool plain = true;
    // What a textured material shows: its texture's average colour.
    orbisk::utils::CColor textureColor;
    int uses = 0;
    // Use changes made with a notice.
    int notices = 0;
};

class TestLayer : public CLayer {
    DECLARE_SERIAL(TestLayer)
public:
    TestLayer() = default;
    explicit TestLayer(bool isDefault_) : isDefault(isDefault_) {}

    bool isDefault = false;
    bool hidden = false;
    CMaterial* material = nullptr;
};

class CLayerManager : public CEntity {
public:
    int GetEntityType() const override { return kEntityLayerManager; }
    std::vector<CLayer*> layers;
    CLayer* current = nullptr;
};

// Owns the colour materials it makes.
class CMaterialManager : public CEntity {
public:
    int GetEntityType() const override { return kEntityMaterialManager; }
    CMaterial* ColorMaterial(orbisk::utils::CColor color);

    std::vector<CMaterial*> materials;
    std::vector<std::unique_ptr<CMaterial>> made;
};

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

struct ModelParts {
    CLayerManager* layers = nullptr;
    CMaterialManager* materials = nullptr;
    CEntity* root = nullptr;
    CFontManager* fonts = nullptr;
    CEntity* textStyleFonts[2] = {nullptr, nullptr};
    CEntity* dimensionStyleFont = nullptr;

    // The parts of a model, empty until set; forgotten by Clear.
    static ModelParts& Of(const CZephyronModel& model);
    static void Clear();
};

// The "Component Notification" posts: kind, definition, value.
using ComponentNotification = std::tuple<int, CEntity*, int>;
std::vector<ComponentNotification>& ComponentNotifications();
