#pragma once
// The entity type codes that CEntity::GetEntityType answers, one fixed number per class. Code
// that needs an entity's class switches on them. CDib, the model and CCamera are not entities
// but answer codes of the same kind; code 51 belongs to no class.

enum EntityType : int {
    kEntityEntity = 0,
    kEntityArcCurve = 1,
    kEntityComponent = 2,
    kEntityComponentBehavior = 3,
    kEntityComponentDefinition = 4,
    kEntityComponentInstance = 5,
    kEntityConstructionGeometry = 6,
    kEntityConstructionLine = 7,
    kEntityConstructionPoint = 8,
    kEntityCurve = 9,
    kEntityDefinitionList = 10,
    kEntityDib = 11,
    kEntityDimension = 12,
    kEntityDimensionLinear = 13,
    kEntityDimensionRadial = 14,
    kEntityDrawingElement = 15,
    kEntityEdge = 16,
    kEntityEdgeUse = 17,
    kEntityFace = 18,
    kEntityFont = 19,
    kEntityGroup = 20,
    kEntityImage = 21,
    kEntityLayer = 22,
    kEntityLayerManager = 23,
    kEntityLoop = 24,
    kEntityMaterial = 25,
    kEntityMaterialManager = 26,
    kEntityPolyline3d = 27,
    kEntityRelationship = 28,
    kEntityRelationshipMap = 29,
    kEntityRenderingOptions = 30,
    kEntitySectionPlane = 31,
    kEntityShadowInfo = 32,
    kEntityCoordinateSystem = 33,  // CZphCS and CComponentCS
    kEntityModel = 34,
    kEntityZephyronPage = 35,
    kEntityText = 36,
    kEntityTexture = 37,
    kEntityThumbnail = 38,
    kEntityVertex = 39,
    kEntityViewPage = 40,
    kEntityWatermark = 41,
    kEntityFontManager = 42,
    kEntityDimensionStyle = 43,
    kEntityTextStyle = 44,
    kEntityCamera = 45,
    kEntityAttribute = 46,
    kEntityAttributeNamed = 47,
    kEntityAttributeContainer = 48,
    kEntityPageList = 49,
    kEntityFaceTextureCoords = 50,
    kEntityBackgroundImage = 52,
    kEntityStyle = 53,
    kEntityStyleManager = 54,
    kEntityWatermarkManager = 55,
};

// A CComponent: a component or a component definition, which is a kind of component.
constexpr bool IsComponentType(int type)
{
    return type == kEntityComponent || type == kEntityComponentDefinition;
}
