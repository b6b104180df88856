#include "database/ArchiveSchema.h"

#include <array>
#include <memory>

#include "platform/mfc/RuntimeClass.h"

namespace {

constexpr int32_t kNo = ClassSchema::kAbsent;

constexpr ClassSchema kClassSchemas[] = {
    {"CZephyronModel", 22, {22, 22, 18, 12, 12, 10}},
    {"CDimension", 1, {1, 1, 1, 0, 0, 0}},
    {"CDimensionStyle", 4, {4, 4, 4, 4, 4, 4}},
    {"CZpFont", 1, {1, 1, 1, 0, 0, 0}},
    {"CRenderingOptions", 35, {36, 35, 32, 28, 25, 22}},
    {"CShadowInfo", 7, {7, 7, 7, 7, 7, 7}},
    {"CComponentBehavior", 5, {5, 5, 4, 4, 4, 3}},
    {"CDib", 3, {3, 3, 3, 2, 2, 2}},
    {"CCamera", 5, {5, 5, 5, 4, 4, kNo}},
    {"CZephyronPage", 1, {1, 1, 1, 1, 1, 1}},
    {"CPageList", 1, {1, 1, 1, 1, 1, kNo}},
    {"CViewPage", 11, {12, 11, 11, 9, 9, 6}},
    {"CWatermark", 1, {1, 1, 1, 1, 1, 1}},
    {"CText", 9, {9, 9, 9, 9, 9, 9}},
    {"CTextStyle", 5, {5, 5, 5, 4, 4, 4}},
    {"CMaterial", 12, {12, 12, 12, 12, 12, 12}},
    {"CZphStyleManager", 2, {2, 2, 2, kNo, kNo, kNo}},
    {"CZphStyle", 1, {1, 1, 1, kNo, kNo, kNo}},
    {"CWatermarkManager", 2, {2, 2, 2, kNo, kNo, kNo}},
    {"CComponentInstance", 4, {4, 4, 4, 4, 3, 3}},
    {"CComponentDefinition", 10, {10, 10, 10, 10, 10, 10}},
    {"CComponent", 11, {11, 11, 11, 11, 11, 11}},
    {"CAttributeContainer", 0, {0, 0, 0, 0, 0, kNo}},
    {"CEntity", 3, {3, 3, 3, 3, 3, 2}},
    {"CAttributeNamed", 1, {1, 1, 0, 0, 0, kNo}},
    {"CBackgroundImage", 9, {10, 9, 1, kNo, kNo, kNo}},
    {"CEdge", 2, {2, 2, 2, 2, 2, 2}},
    {"CDimensionRadial", 2, {2, 2, 2, 2, 2, 2}},
    {"CDimensionLinear", 6, {6, 6, 6, 4, 4, 4}},
    {"CArcCurve", 1, {1, 1, 1, 1, 1, 1}},
    {"CSectionPlane", 2, {2, 2, 2, 2, 2, 2}},
    {"CGroup", 1, {1, 1, 1, 1, 1, 1}},
    {"CImage", 1, {1, 1, 1, 1, 1, 1}},
    {"CConstructionLine", 1, {1, 1, 1, 1, 1, 0}},
    {"CConstructionPoint", 0, {0, 0, 0, 0, 0, 0}},
    {"CPolyline3d", 0, {0, 0, 0, 0, 0, 0}},
    {"CFontManager", 0, {0, 0, 0, 0, 0, 0}},
    {"CZphCS", 0, {0, 0, 0, 0, 0, 0}},
    {"CLayerManager", 4, {4, 4, 4, 4, 4, 4}},
    {"CLayer", 2, {2, 2, 2, 2, 2, 1}},
    {"CDrawingElement", 9, {9, 9, 9, 9, 8, 8}},
    {"CDefinitionList", 0, {0, 0, 0, 0, 0, 0}},
    {"CMaterialManager", 4, {4, 4, 4, 4, 4, 4}},
    {"CVertex", 0, {0, 0, 0, 0, 0, 0}},
    {"CEdgeUse", 1, {1, 1, 1, 1, 1, 1}},
    {"CFace", 3, {3, 3, 3, 3, 3, 3}},
    {"CLoop", 1, {1, 1, 1, 1, 1, 1}},
    {"CTexture", 6, {6, 6, 6, 4, 4, 4}},
    {"CRelationship", 0, {0, 0, 0, 0, 0, 0}},
    {"CRelationshipMap", 0, {0, 0, 0, 0, 0, 0}},
    {"CThumbnail", 1, {1, 1, 1, 1, 1, 0}},
    {"CCurve", 4, {4, 4, 4, 4, 4, 3}},
    {"CFaceTextureCoords", 4, {4, 4, 4, 4, 4, kNo}},
    {"CAttribute", 0, {0, 0, 0, 0, 0, kNo}},
    {"CConstructionGeometry", 0, {0, 0, 0, 0, 0, 0}},
};

constexpr std::string_view kAcceptedUnknownClasses[] = {"CHiddenEntities", "CExportOptions"};
// A class of older files that later formats dropped; files naming it are still read.
constexpr std::string_view kIgnoredClass = "CCircularArc";

std::array<std::unique_ptr<CVersionMap>, kClassVersionRegistryCount>& Registries()
{
    static std::array<std::unique_ptr<CVersionMap>, kClassVersionRegistryCount> registries;
    return registries;
}

std::unique_ptr<CVersionMap>& CurrentVersionMap()
{
    static std::unique_ptr<CVersionMap> map;
    return map;
}

int g_saveFormat = 8000;

[[maybe_unused]] const bool g_schemaTableRegistered = (RegisterClassSchemaTable(), true);

}  // namespace

std::span<const ClassSchema> GetClassSchemaTable()
{
    return kClassSchemas;
}

void RegisterClassSchemaTable()
{
    for (const ClassSchema& row : kClassSchemas) {
        for (int k = 0; k < kClassVersionRegistryCount; ++k) {
            if (row.registry[k] != ClassSchema::kAbsent)
                RegisterClassVersion(k + 1, row.className, row.registry[k]);
        }
    }
}

void RegisterClassVersion(int registry, std::string_view className, int32_t schema)
{
    if (registry < 1 || registry > kClassVersionRegistryCount)
        return;
    auto& map = Registries()[registry - 1];
    if (!map)
        map = std::make_unique<CVersionMap>();
    map->Set(className, schema);
}

void RegisterClassVersion(int registry, const CRuntimeClass* runtimeClass, int32_t schema)
{
    RegisterClassVersion(registry, runtimeClass->m_lpszClassName, schema);
}

const CVersionMap* GetClassVersionRegistry(int registry)
{
    if (registry < 1 || registry > kClassVersionRegistryCount)
        return nullptr;
    return Registries()[registry - 1].get();
}

void FreeClassVersionRegistries()
{
    for (auto& map : Registries())
        map.reset();
}

void SetCurrentVersionMap(CVersionMap* map)
{
    CurrentVersionMap().reset(map);
}

CVersionMap* GetCurrentVersionMap()
{
    return CurrentVersionMap().get();
}

int32_t GetClassVersion(const CRuntimeClass* runtimeClass)
{
    if (const CVersionMap* map = GetCurrentVersionMap())
        return map->GetVersion(runtimeClass);
    return static_cast<int32_t>(runtimeClass->GetSchemaNumber());
}

bool IsAcceptedUnknownClass(std::string_view className)
{
    for (std::string_view accepted : kAcceptedUnknownClasses) {
        if (className == accepted)
            return true;
    }
    return false;
}

bool IsVersionMapIncompatible(const CVersionMap* map)
{
    if (!map)
        return false;
    const CVersionMap* newest = GetClassVersionRegistry(1);
    for (const auto& [className, number] : map->GetEntries()) {
        if (className == kIgnoredClass)
            continue;
        int32_t known = 0;
        if (!newest || !newest->Lookup(className, known)) {
            if (!IsAcceptedUnknownClass(className))
                return true;
            continue;
        }
        // Unsigned, so that a negative number in the file counts as newer than any.
        if (static_cast<uint32_t>(number) > static_cast<uint32_t>(known))
            return true;
    }
    return false;
}

int GetSaveFormat()
{
    return g_saveFormat;
}

void SetSaveFormat(int format)
{
    g_saveFormat = format;
}

bool IsSaveFormat4000OrLater()
{
    return g_saveFormat >= 4000 && g_saveFormat <= 8000;
}
