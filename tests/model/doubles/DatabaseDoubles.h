#pragma once
// Test doubles of what the drawing element, the definition list, the relationship maps and the
// font manager reach through interfaces: rendering options, instance paths, component
// definitions with their instances, the root component, fonts and their users; and a recorder
// of the "Component Notification" posts. The model itself is TestModel (ManagerDoubles.h).

#include <cstdint>
#include <tuple>
#include <vector>

#include "model/DrawingElement.h"
#include "model/IComponentDefinition.h"
#include "model/IComponentInstance.h"
#include "model/IFont.h"
#include "model/IFontUser.h"
#include "model/IInstancePath.h"
#include "model/IRenderingOptions.h"
#include "support/Observer.h"
#include "tests/model/doubles/EntityDoubles.h"

class CDefinitionList;
class IModelContext;

class TestRenderingOptions : public IRenderingOptions {
public:
    CColor GetEdgeColor() const override { return edgeColor; }
    CColor GetSelectedColor() const override { return selectedColor; }
    CColor GetLockedColor() const override { return lockedColor; }
    bool IsColorByLayer() const override { return colorByLayer; }
    bool IsHiddenGeometryShown() const override { return hiddenGeometryShown; }
    void SetAxesShown(bool shown) override;

    CColor edgeColor;
    CColor selectedColor{255, 255, 0};
    CColor lockedColor{255, 0, 0};
    bool colorByLayer = false;
    bool hiddenGeometryShown = false;
    bool axesShown = false;
    int axesSettings = 0;
    // Whether notifications were delivered while the axes display was set last.
    bool notificationsOnWhenAxesSet = false;
};

class TestInstancePath : public IInstancePath {
public:
    int GetSize() const override { return static_cast<int>(instances.size()); }
    CDrawingElement* GetInstance(int index) const override
    {
        return index >= 0 && index < GetSize() ? instances[static_cast<size_t>(index)] : nullptr;
    }

    std::vector<CDrawingElement*> instances;
};

// A font entity (type 19) whose description and use count the tests set; it counts the fonts
// destroyed.
class TestFont : public CEntity, public IFont {
    DECLARE_SERIAL(TestFont)
public:
    ~TestFont() override { ++destroyed; }
    int GetEntityType() const override { return kEntityFont; }
    CFontDescription GetDescription() const override { return description; }
    int32_t GetRefCount() const override { return refCount; }
    void SetRefCount(int32_t count) override;
    void ClearCacheHandle() override { ++cacheHandlesCleared; }

    CFontDescription description;
    int32_t refCount = 0;
    int cacheHandlesCleared = 0;
    static inline int destroyed = 0;
};

// A definition (a component of entity type 4) with a name, its instances and a purge mark. Its
// erase erases what it contains. Its record is that of TestEntity.
class TestDefinition : public TestComponent, public IComponentDefinition {
    DECLARE_SERIAL(TestDefinition)
public:
    explicit TestDefinition(const wchar_t* name_ = L"") : TestComponent(true), name(name_) {}
    void Erase() override;

    CString GetName() const override { return name; }
    int GetInstanceCount() const override { return static_cast<int>(instances.size()); }
    CDrawingElement* GetInstanceAt(int index) const override
    {
        return index >= 0 && index < GetInstanceCount() ? instances[static_cast<size_t>(index)] : nullptr;
    }
    bool IsPurgeMarked() const override { return purgeMark; }
    bool IsInternal() const override { return internal; }

    CString name;
    std::vector<CDrawingElement*> instances;
    bool purgeMark = false;
    bool internal = false;
};

// An instance of a definition; its erase takes it out of the definition's instances.
class TestInstance : public CDrawingElement, public IComponentInstance {
public:
    explicit TestInstance(TestDefinition* definition_ = nullptr);
    int GetEntityType() const override { return kEntityComponentInstance; }
    void Erase() override;
    CEntity* GetDefinition() const override { return definition; }

    TestDefinition* definition;
};

// The root component of a model, holding the definition list.
class TestRoot : public TestComponent {
public:
    explicit TestRoot(IModelContext* model_ = nullptr) : model(model_) {}
    IModelContext* GetModel() const override { return model; }
    CDefinitionList* GetDefinitionList() const override { return definitions; }

    IModelContext* model;
    CDefinitionList* definitions = nullptr;
};

// A text (type 36) or a dimension (type 13 or 14) with its font.
class TestFontUser : public TestEntity, public IFontUser {
public:
    TestFontUser(int type_, CEntity* font_) : type(type_), font(font_) {}
    int GetEntityType() const override { return type; }
    CEntity* GetUsedFont() const override { return font; }

    int type;
    CEntity* font;
};

// Keeps every "Component Notification" posted during its life: kind, definition, value.
class ComponentPosts : public orbisk::utils::IObserver {
public:
    using Post = std::tuple<int, CEntity*, void*>;

    ComponentPosts();
    ~ComponentPosts() override;
    void OnNotification(const char* name, void* payload) override;

    std::vector<Post> posts;
};
