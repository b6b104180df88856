#include "tests/model/doubles/DatabaseDoubles.h"

#include <algorithm>
#include <map>

#include "model/DefinitionList.h"
#include "model/FontManager.h"
#include "model/RelationshipMap.h"
#include "model/UndoManager.h"
#include "platform/mfc/Archive.h"
#include "support/ArchiveOperators.h"

using orbisk::utils::CColor;

IMPLEMENT_SERIAL(CMaterial, CEntity, VERSIONABLE_SCHEMA | 12)
IMPLEMENT_SERIAL(TestLayer, CEntity, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(CZpFont, CEntity, VERSIONABLE_SCHEMA | 1)

void CMaterial::Serialize(CArchive& ar)
{
    CEntity::Serialize(ar);
    if (ar.IsLoading())
        orbisk::utils::operator>>(ar, color);
    else
        orbisk::utils::operator<<(ar, color);
}

CMaterial* CMaterialManager::ColorMaterial(CColor color)
{
    for (CMaterial* material : materials) {
        if (material->plain && material->color == color)
            return material;
    }
    made.push_back(std::make_unique<CMaterial>(color));
    materials.push_back(made.back().get());
    return made.back().get();
}

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

namespace {
std::map<const CZephyronModel*, ModelParts>& AllParts()
{
    static std::map<const CZephyronModel*, ModelParts> parts;
    return parts;
}
} // namespace

ModelParts& ModelParts::Of(const CZephyronModel& model)
{
    return AllParts()[&model];
}

void ModelParts::Clear()
{
    AllParts().clear();
}

std::vector<ComponentNotification>& ComponentNotifications()
{
    static std::vector<ComponentNotification> posts;
    return posts;
}

namespace links {

CEntity* AsEntity(CLayer* layer)
{
    return layer;
}

CLayerManager* GetRootLayerManager(CZephyronModel& model)
{
    return ModelParts::Of(model).layers;
}

CLayer* GetCurrentLayer(const CLayerManager& manager)
{
    return manager.current;
}

CLayer* GetDefaultLayer(const CLayerManager& manager)
{
    return manager.layers.empty() ? nullptr : manager.layers.front();
}

bool ContainsLayer(const CLayerManager& manager, const CLayer* layer)
{
    return std::find(manager.layers.begin(), manager.layers.end(), layer) != manager.layers.end();
}

CEntity* AsEntity(CLayerManager* manager)
{
    return manager;
}

bool IsDefaultLayer(const CLayer* layer)
{
    return !layer || static_cast<const TestLayer*>(layer)->isDefault;
}

bool IsLayerHidden(const CLayer& layer)
{
    return static_cast<const TestLayer&>(layer).hidden;
}

CMaterial* GetLayerMaterial(const CLayer& layer)
{
    return static_cast<const TestLayer&>(layer).material;
}

CLayer* ReadLayerReference(CArchive& ar)
{
    TestLayer* layer = nullptr;
    ar >> layer;
    return layer;
}

CEntity* AsEntity(CMaterial* material)
{
    return material;
}

void AddMaterialUse(CMaterial& material, bool notify)
{
    ++material.uses;
    material.notices += notify ? 1 : 0;
}

void RemoveMaterialUse(CMaterial& material, bool notify)
{
    --material.uses;
    material.notices += notify ? 1 : 0;
}

CColor GetMaterialColor(const CMaterial& material)
{
    return material.color;
}

bool IsPlainColorMaterial(const CMaterial& material)
{
    return material.plain;
}

CColor GetMaterialDisplayColor(const CMaterial& material)
{
    return material.plain ? material.color : material.textureColor;
}

CMaterialManager* GetRootMaterialManager(CZephyronModel& model)
{
    return ModelParts::Of(model).materials;
}

CMaterial* GetOrCreateColorMaterial(CMaterialManager& manager, CColor color)
{
    return manager.ColorMaterial(color);
}

bool ContainsMaterial(const CMaterialManager& manager, const CMaterial* material)
{
    return std::find(manager.materials.begin(), manager.materials.end(), material) != manager.materials.end();
}

CEntity* AsEntity(CMaterialManager* manager)
{
    return manager;
}

CMaterial* ReadMaterialReference(CArchive& ar)
{
    CMaterial* material = nullptr;
    ar >> material;
    return material;
}

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
    if (CUndoOperation* operation = IsUndoRecording() ? GetCurrentUndoOperation() : nullptr; held && operation)
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
    return index >= 0 && index < static_cast<int>(instances.size()) ? instances[static_cast<size_t>(index)] : nullptr;
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

CEntity* GetRootComponent(CZephyronModel& model)
{
    return ModelParts::Of(model).root;
}

CFontManager* GetFontManager(CZephyronModel& model)
{
    return ModelParts::Of(model).fonts;
}

CEntity* GetTextStyleFont(CZephyronModel& model, int which)
{
    return ModelParts::Of(model).textStyleFonts[which];
}

CEntity* GetDimensionStyleFont(CZephyronModel& model)
{
    return ModelParts::Of(model).dimensionStyleFont;
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

} // namespace links
