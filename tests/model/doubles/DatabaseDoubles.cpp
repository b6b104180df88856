#include "tests/model/doubles/DatabaseDoubles.h"

#include <vector>

#include "model/RelationshipMap.h"
#include "model/UndoManager.h"

using orbisk::utils::CColor;

IMPLEMENT_SERIAL(CZpFont, CEntity, VERSIONABLE_SCHEMA | 1)

void TestDefinition::Erase()
{
    const std::vector<CEntity*> contents = members;
    members.clear();
    for (CEntity* entity : contents)
        entity->Erase();
    CEntity::Erase();
}

TestInstance::TestInstance(TestDefinition* definition_) : definition(definition_)
{
    if (definition)
        definition->instances.push_back(this);
}

void TestInstance::Erase()
{
    if (definition)
        std::erase(definition->instances, this);
    CDrawingElement::Erase();
}

std::vector<ComponentNotification>& ComponentNotifications()
{
    static std::vector<ComponentNotification> posts;
    return posts;
}

namespace links {

CColor GetEdgeColor(const CRenderingOptions& options)
{
    return options.edgeColor;
}

CColor GetSelectedColor(const CRenderingOptions& options)
{
    return options.selectedColor;
}

CColor GetLockedColor(const CRenderingOptions& options)
{
    return options.lockedColor;
}

bool IsColorByLayer(const CRenderingOptions& options)
{
    return options.colorByLayer;
}

bool IsHiddenGeometryShown(const CRenderingOptions& options)
{
    return options.hiddenGeometryShown;
}

int GetPathSize(const CInstancePath& path)
{
    return static_cast<int>(path.instances.size());
}

CDrawingElement* GetPathInstance(const CInstancePath& path, int index)
{
    return index >= 0 && index < GetPathSize(path) ? path.instances[static_cast<size_t>(index)] : nullptr;
}

bool EraseEntity(CEntity& component, CEntity& entity)
{
    GetRelationshipMap(component).RemoveRelationshipsOf(&entity);
    auto& container = dynamic_cast<TestComponent&>(component);
    const bool held = container.Remove(&entity);
    if (CUndoOperation* operation = IsUndoRecording() ? GetCurrentUndoOperation() : nullptr;
        held && operation)
        operation->RemoveElement(&entity, &container);
    entity.Erase();
    return held;
}

IEntityContainer& GetEntities(CEntity& component)
{
    return dynamic_cast<TestComponent&>(component);
}

CDefinitionList* GetDefinitionList(CEntity& component)
{
    auto* root = dynamic_cast<TestRoot*>(&component);
    return root ? root->definitions : nullptr;
}

CString GetDefinitionName(const CEntity& definition)
{
    return static_cast<const TestDefinition&>(definition).name;
}

int GetInstanceCount(const CEntity& definition)
{
    return static_cast<int>(static_cast<const TestDefinition&>(definition).instances.size());
}

CDrawingElement* GetInstanceAt(const CEntity& definition, int index)
{
    const auto& instances = static_cast<const TestDefinition&>(definition).instances;
    return index >= 0 && index < static_cast<int>(instances.size()) ? instances[static_cast<size_t>(index)]
                                                                    : nullptr;
}

CEntity* GetInstanceDefinition(const CDrawingElement& instance)
{
    return static_cast<const TestInstance&>(instance).definition;
}

bool IsPurgeMarked(const CEntity& definition)
{
    return static_cast<const TestDefinition&>(definition).purgeMark;
}

void PostComponentNotification(int kind, CEntity* definition, int value)
{
    ComponentNotifications().emplace_back(kind, definition, value);
}

CFontDescription DescribeFont(const CEntity& font)
{
    return static_cast<const CZpFont&>(font).description;
}

CEntity* CreateFont(const CFontDescription& description)
{
    auto* font = new CZpFont;
    font->description = description;
    return font;
}

int32_t GetFontRefCount(const CEntity& font)
{
    return static_cast<const CZpFont&>(font).refCount;
}

void SetFontRefCount(CEntity& font, int32_t count)
{
    font.MarkChanged();
    static_cast<CZpFont&>(font).refCount = count;
}

void ClearFontCacheHandle(CEntity& font)
{
    ++static_cast<CZpFont&>(font).cacheHandlesCleared;
}

CEntity* GetElementFont(const CEntity& element)
{
    return static_cast<const TestFontUser&>(element).font;
}

}  // namespace links
