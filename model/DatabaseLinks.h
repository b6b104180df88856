#pragma once
// What the drawing element, the definition list, the relationship maps and the font manager
// use of the classes built on top of them: layers and materials with their managers, the
// rendering options, instance paths, components and their definitions, fonts and the text and
// dimension styles. They reach those classes only through these functions, so that they never
// include their headers; each function is defined beside the class it serves.

#include <cstdint>

#include "model/Entity.h"
#include "platform/mfc/String.h"
#include "support/Color.h"

class CArchive;
class CDefinitionList;
class CDrawingElement;
class CFontManager;
class CInstancePath;
class CLayer;
class CLayerManager;
class CMaterial;
class CMaterialManager;
class CRelationshipMap;
class CRenderingOptions;
class CZephyronModel;
class IEntityContainer;

// What a font is matched on (CFontManager::GetFont).
struct CFontDescription {
    CString faceName;
    uint8_t style1 = 0;
    uint8_t style2 = 0;
    int32_t type = 0;
    uint8_t extra = 0;
    double pointSize = 0.0;
    // The font's text-cache object, compared by identity.
    const void* textCache = nullptr;
};

// The classes reached through these functions are recognised by their entity type code: true
// for an entity (checked as such) of that type.
inline bool IsEntityOfType(const CEntity* entity, int type)
{
    return entity && entity->IsKindOf(RUNTIME_CLASS(CEntity)) && entity->GetEntityType() == type;
}

namespace links {

// Layers (entity type 22) and their managers.
CEntity* AsEntity(CLayer* layer);
// The layer manager of the model's root component, or null.
CLayerManager* GetRootLayerManager(CZephyronModel& model);
CLayer* GetCurrentLayer(const CLayerManager& manager);
// The first layer, or null.
CLayer* GetDefaultLayer(const CLayerManager& manager);
bool ContainsLayer(const CLayerManager& manager, const CLayer* layer);
CEntity* AsEntity(CLayerManager* manager);
// True for null and for a layer named like the default layer.
bool IsDefaultLayer(const CLayer* layer);
bool IsLayerHidden(const CLayer& layer);
CMaterial* GetLayerMaterial(const CLayer& layer);
// An object reference of the class; one of another class raises the archive's badClass.
CLayer* ReadLayerReference(CArchive& ar);

// Materials (entity type 25) and their managers.
CEntity* AsEntity(CMaterial* material);
// The use count that drawing elements hold; with notify the material posts its change.
void AddMaterialUse(CMaterial& material, bool notify);
void RemoveMaterialUse(CMaterial& material, bool notify);
orbisk::utils::CColor GetMaterialColor(const CMaterial& material);
bool IsPlainColorMaterial(const CMaterial& material);
// The colour, or the texture's average colour.
orbisk::utils::CColor GetMaterialDisplayColor(const CMaterial& material);
// The material manager of the model's root component, or null.
CMaterialManager* GetRootMaterialManager(CZephyronModel& model);
CMaterial* GetOrCreateColorMaterial(CMaterialManager& manager, orbisk::utils::CColor color);
bool ContainsMaterial(const CMaterialManager& manager, const CMaterial* material);
CEntity* AsEntity(CMaterialManager* manager);
CMaterial* ReadMaterialReference(CArchive& ar);

// Rendering options: the default element colour (0 meaning the system colour), the selection
// colour (property 14), the second selection colour (property 34), colour by layer (property
// 16) and hidden geometry shown (property 26).
orbisk::utils::CColor GetEdgeColor(const CRenderingOptions& options);
orbisk::utils::CColor GetSelectedColor(const CRenderingOptions& options);
orbisk::utils::CColor GetLockedColor(const CRenderingOptions& options);
bool IsColorByLayer(const CRenderingOptions& options);
bool IsHiddenGeometryShown(const CRenderingOptions& options);

// Instance paths: the component instances (groups and images included) from the root on.
int GetPathSize(const CInstancePath& path);
// Null outside the path.
CDrawingElement* GetPathInstance(const CInstancePath& path, int index);

// Components (entity types 2 and 4).
// Removes the entity's relationships, takes it out of the component's list (recording the
// removal) and erases it; true when it was in the list.
bool EraseEntity(CEntity& component, CEntity& entity);
CRelationshipMap& GetRelationshipMap(const CEntity& component);
// The entities of the component (of a definition: of its own component).
IEntityContainer& GetEntities(CEntity& component);
// Only the root component holds one.
CDefinitionList* GetDefinitionList(CEntity& component);

// Component definitions (entity type 4) and their instances.
CString GetDefinitionName(const CEntity& definition);
int GetInstanceCount(const CEntity& definition);
// Null outside the count.
CDrawingElement* GetInstanceAt(const CEntity& definition, int index);
CEntity* GetInstanceDefinition(const CDrawingElement& instance);
bool IsPurgeMarked(const CEntity& definition);
// "Component Notification": kind 0 added, 1 removed.
void PostComponentNotification(int kind, CEntity* definition, int value);

// The model.
CEntity* GetRootComponent(CZephyronModel& model);
CFontManager* GetFontManager(CZephyronModel& model);
// The fonts that the text style (first and second) and the dimension style already hold; null
// when the style or its font does not exist yet.
CEntity* GetTextStyleFont(CZephyronModel& model, int which);
CEntity* GetDimensionStyleFont(CZephyronModel& model);

// Fonts (entity type 19) and their users.
CFontDescription DescribeFont(const CEntity& font);
// A new font with those properties.
CEntity* CreateFont(const CFontDescription& description);
int32_t GetFontRefCount(const CEntity& font);
// With a change notice.
void SetFontRefCount(CEntity& font, int32_t count);
void ClearFontCacheHandle(CEntity& font);
// The font of a dimension (its own, else its style's) or a text; null when it has none.
CEntity* GetElementFont(const CEntity& element);

}  // namespace links
