#pragma once
// CComponent: the entity container of a model. It owns a list of drawable entities (edges,
// faces, guides, polylines, section planes, texts, dimensions, and the instances, groups and
// images that place component definitions inside it), keeps the non-owning lists of its
// annotation-like entities and of its section planes, caches the box of its contents, and owns
// a relationship map, a definition list, a material manager and a layer manager (the model uses
// those of its root component). Every component definition is a component too.
//
// Ownership: the component owns the entities whose parent it is. Deleting a component without
// erasing it (a failed record, the end of a model) frees those entities and its four owned
// objects; erasing it erases them.

#include <cstdint>
#include <memory>
#include <vector>

#include "database/DBListener.h"
#include "database/DrawingElement.h"
#include "database/EntityContainer.h"
#include "database/IComponent.h"
#include "database/ISectionPlaneHolder.h"
#include "database/OwnedPart.h"
#include "geometry/BoundingBox3d.h"
#include "geometry/Line3d.h"
#include "geometry/Transform3d.h"
#include "topology/AverageNormalCache.h"

class CComponentDefinition;
class CDefinitionList;
class IRenderingOptions;
class CTransparencySorter;
class CDimensionStyle;
class CEntitySet;
class CInstancePath;
class CLayerManager;
class CMaterialManager;
class CRelationshipMap;

class CComponent : public CDrawingElement,
                   public IEntityContainer,
                   public IComponent,
                   public CDBListener,
                   public ISectionPlaneHolder {
    DECLARE_SERIAL(CComponent)
public:
    // Results of ClassifySolid.
    enum SolidState : int32_t { kSolidUnknown = 0, kNotSolid = 1, kClosedSolid = 2 };

    // An empty component with its relationship map, definition list, material manager and
    // layer manager (holding the default layer).
    CComponent();
    // The drawing-element part and the active section plane only: an undo snapshot.
    CComponent(const CComponent& other);
    CComponent& operator=(const CComponent&) = delete;
    // Frees the entities it still parents and the owned objects it still holds.
    ~CComponent() override;

    // Reads every schema (0 to 11). Entities already parented elsewhere and null references are
    // left out; counts are checked against the bytes left. After the record: the owned objects
    // are parented, the bounds invalidated, duplicate dictionaries removed and the material uses
    // recounted. A plain component (the root) then drops the instances that would place a
    // definition inside itself.
    void Serialize(CArchive& ar) override;
    void Erase() override;
    // Applies the transformation to the contents (nothing for the identity).
    void Transform(const orbisk::geometry::CTransform3d& transform) override;
    CEntity* CreateCopy() const override;
    void SwapContents(CEntity& other) override;
    IModelContext* GetModel() const override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityComponent; }

    void ReleaseGLResources() override;
    void AddBoundsTransformed(const orbisk::geometry::CTransform3d& transform,
                              CBoundingBox3d& box) const override;
    void AddScreenBounds(CBoundingBox3d& box, IModelView* view) const override;
    void AddBounds(CBoundingBox3d& box) const override;
    // The cached box (recomputed when not valid).
    CBoundingBox3d GetBounds() const override;

    // IEntityContainer. Add keeps duplicates; Remove takes the first occurrence; RemoveAll
    // empties the lists without erasing the entities.
    int GetCount() const override { return static_cast<int>(m_entities.size()); }
    bool IsEmpty() const override { return m_entities.empty(); }
    bool Contains(const CEntity* entity) const override;
    void Add(CEntity* entity) override;
    bool Remove(CEntity* entity) override;
    void RemoveAll() override;
    CEntity* GetAt(int index) const override;
    IEntityIterator* CreateIterator() override;

    // IComponent.
    IEntityContainer& GetEntities() override { return *this; }
    CRelationshipMap& GetRelationshipMap() const override { return *m_relationships.Get(); }
    CDefinitionList* GetDefinitionList() const override { return m_definitions.Get(); }
    bool EraseEntity(CEntity* entity) override;

    // Undo-aware editing.
    CEntity* AddEntity(CEntity* entity);
    bool RemoveEntity(CEntity* entity);
    // Adds each drawing element once; the edges of a face follow it; relationships go to the
    // relationship map.
    void AddEntities(const std::vector<CEntity*>& entities);
    // A counted list of entity references read into this component, after those it holds (the
    // root elements of the oldest files); a failed list leaves the component as it was.
    void ReadEntityList(CArchive& ar);
    virtual void EraseContents();
    virtual void Reset();
    // Inserts the definitions of the instances, groups and images; with recursive, those
    // nested in them too (each definition once, so that a cycle ends).
    virtual void CollectDefinitions(CEntitySet& set, bool recursive) const;
    // Whether an instance of the definition may be placed here: always for a plain component.
    virtual bool CanContain(const CComponentDefinition* definition) const;
    virtual void InvalidateBounds();
    virtual void AddEntityBounds(const CDrawingElement* entity);
    virtual void AddPointToBounds(const orbisk::geometry::CPoint3d& point);
    void GetEntityVector(std::vector<CEntity*>& entities) const;
    const std::vector<CDrawingElement*>& GetEntityList() const { return m_entities; }
    const std::vector<CDrawingElement*>& GetAnnotations() const { return m_annotations; }

    // Bounds.
    void OnPointMoved(const orbisk::geometry::CPoint3d& point);
    orbisk::geometry::CPoint3d GetBoundsCenter() const;
    CBoundingBox3d GetAxesBounds() const;
    bool HasConstructionLines() const;
    bool HasSectionPlanes() const;
    bool HoldsOnlySectionPlanes() const;
    bool AreBoundsValid() const { return m_boundsValid != 0; }

    // Ray picking: the nearest hit at least 0.001 (in top-level distance) along the line, and
    // the path that leads to it (the hit entity, or the instances down to it). Instances
    // without a definition are skipped.
    bool PickLine(const orbisk::geometry::CLine3d& line, double scale, orbisk::geometry::CPoint3d& point,
                  CInstancePath& path, bool skipHidden);
    bool PickWithRay(const orbisk::geometry::CRay3d& ray, double scale, orbisk::geometry::CPoint3d& point,
                     CInstancePath& path, bool skipHidden);

    // Section planes (entity type 31).
    CDrawingElement* GetActiveSectionPlane() const override;
    // The active plane when it is this component's and, with options, those show section cuts:
    // the plane every drawing pass clips this component's contents with.
    CDrawingElement* GetActiveSectionPlane(const IRenderingOptions* options) const;

    // Immediate drawing (ComponentDrawing.cpp). DrawModel draws a root component with all its
    // passes; Draw is the component's own drawing as one element of a frame.
    void DrawModel(IModelView* view);
    void Draw(IModelView* view) override;
    void DrawOpaque(IModelView* view);
    void DrawTransparent(IModelView* view);
    void DrawOtherEntities(IModelView* view);
    void DrawSectionPlanes(IModelView* view);
    void DrawPhotoStencil(IModelView* view);
    void DrawBackEdgePass(IModelView* view);
    // 0: nothing of the component can pass the sink's geometry filter; -1: all of it passes, and
    // a null filter was pushed that the caller pops; 1: test the entities one by one.
    int TestGeometryFilter(IModelView* view);
    // The cached box, grown by margin pixels when positive, as GL lines.
    void DrawBoundsBox(IModelView* view, int marginPixels, double lineWidth);

    // The visits of the recursive drawing walk: each draws one kind of this component's own
    // contents and walks on into its instances.
    // The faces of one class (transparent or opaque), handed to the sorter when there is one.
    void DrawFaces(IModelView* view, bool transparentClass, CTransparencySorter* sorter);
    void DrawFacesWithChildren(IModelView* view);
    void DrawEdges(IModelView* view);
    void DrawEdgesWithChildren(IModelView* view);
    void DrawBackEdges(IModelView* view);
    void DrawEdgesItemBuffer(IModelView* view);
    void DrawEdgesNPR(IModelView* view);
    void DrawAnnotations(IModelView* view);

    // Picking inside the component: section clip, visibility and culling, then each entity's
    // own PickInside. In window picks (mode 2): 0 when something lay outside, 1 when something
    // was picked, 2 when nothing was.
    int PickInside(IPickHelper* picker) override;

    // The averaged normals of the smooth edges among the component's faces, made empty on first
    // use; computed by whoever draws the component.
    CAverageNormalCache* GetAverageNormalCache();
    // Every face's averaged-normals flag and every use's normal index cleared; true when the
    // component has a smooth edge.
    bool ResetSmoothing();
    void SetActiveSectionPlane(CDrawingElement* plane) override;
    const std::vector<CDrawingElement*>& GetSectionPlanes() const;

    // Clean-ups after a model file was read.
    void RecountMaterialUses();
    // The pass over the tree once a model is read: the contents transforms old files keep beside
    // the contents are applied (and cleared) here and in every definition of the list, whose
    // insertion points go back to the origin.
    void ApplyLegacyTransforms();
    // After a read that failed: every edge here and in the definitions of the list, and every
    // edge at their vertices, leaves its curve, which goes with the last of them; the pending
    // curve fix-ups are forgotten. Curves count the edges that named them while reading, not
    // what the file claimed, so that none goes while an edge still names it.
    void ReleaseCurves();
    // Gives the style to every dimension here and in each definition of the list (files whose
    // dimensions kept no style of their own).
    void ApplyDimensionStyle(CDimensionStyle* style);
    const orbisk::geometry::CTransform3d& GetLegacyTransform() const { return m_legacyTransform; }
    // Finds the instances that place a definition inside itself, at any depth, among the
    // definitions of this component's definition list and the definitions its instances reach;
    // each instance that closes such a cycle leaves its component and is erased. Returns how
    // many went.
    int DropDefinitionCycles();

    // Closed-solid classification for shadow volumes.
    int32_t ClassifySolid();
    int32_t GetSolidState() const { return m_solidState; }
    void SetSolidState(int32_t state, bool recursive);

    // Attribute dictionaries.
    bool HasBehaviors() const;
    void ClearModelID();
    void RemoveDuplicateDictionaries();

    CMaterialManager* GetMaterialManager() const { return m_materials.Get(); }
    CLayerManager* GetLayerManager() const { return m_layers.Get(); }
    const orbisk::geometry::CTransform3d& GetAxesPlacement() const { return m_axesPlacement; }
    void SetOwnerModel(IModelContext* model) { m_model = model; }
    void EraseRelationship(CEntity* relationship);

    // Annotation list members: instances, dimensions, groups and texts.
    static bool IsAnnotationType(int type);
    // Instances, groups and images.
    static bool IsInstanceType(int type);

protected:
    void RecomputeBounds() const;
    // Frees the entities the component still parents, the last first.
    void FreeEntities();
    // The box of the contents in the axes' coordinates; definitions maintain it.
    mutable CBoundingBox3d m_axesBounds;
    orbisk::geometry::CTransform3d m_axesPlacement;
    mutable CBoundingBox3d m_bounds;
    std::unique_ptr<CAverageNormalCache> m_normalCache;
    mutable uint8_t m_boundsValid = 0;
    // Set while the bounds are recomputed, so that a definition reached again through its own
    // contents is not recomputed inside itself.
    mutable bool m_computingBounds = false;

private:
    void ReadRecord(CArchive& ar);
    void ReadEntities(CArchive& ar, class CRecordAdoptions& adopted);
    void ReadManagersBeforeEntities(CArchive& ar, int32_t schema);
    void ReadPartsAfterEntities(CArchive& ar, int32_t schema);
    void ReadActiveSectionPlane(CArchive& ar);
    void ReadFontManager(CArchive& ar);
    void AfterReading();
    void WriteRecord(CArchive& ar);
    void AppendEntity(CDrawingElement* element);
    void FreeDefinitions();
    // This component, then the definitions of its list.
    std::vector<CComponent*> GetComponentsOfTree();
    void SettleCurveCounts() const;
    void ReleaseEdgeCurves();
    int CheckOwnValidity(int level, CCheckedObjectMap* map);
    int CheckEntity(CDrawingElement* element, int level, CCheckedObjectMap* map, int& result);
    bool PickEntityWithLine(CDrawingElement* entity, const orbisk::geometry::CLine3d& line, double scale,
                            orbisk::geometry::CPoint3d& point, CInstancePath& path, bool skipHidden);

    std::vector<CDrawingElement*> m_entities;
    std::vector<CDrawingElement*> m_annotations;
    orbisk::geometry::CTransform3d m_legacyTransform;
    COwnedPart<CRelationshipMap> m_relationships;
    COwnedPart<CDefinitionList> m_definitions;
    mutable uint8_t m_hasConstructionLines = 0;
    mutable uint8_t m_hasSectionPlanes = 0;
    COwnedPart<CMaterialManager> m_materials;
    COwnedPart<CLayerManager> m_layers;
    int32_t m_solidState = kSolidUnknown;
    CDrawingElement* m_activeSectionPlane = nullptr;
    mutable std::vector<CDrawingElement*> m_sectionPlanes;
    IModelContext* m_model = nullptr;
    int32_t m_transparentCount = 0;
};

// Walks a component's live entity list; the list must not change meanwhile.
class CComponentEntityIterator : public IEntityIterator {
public:
    explicit CComponentEntityIterator(const CComponent& component) : m_component(component) {}
    void Reset() override { m_position = 0; }
    bool Next(CEntity*& entity) override;

private:
    const CComponent& m_component;
    int m_position = 0;
};

// The component behind an entity of type 2 or 4, or null.
CComponent* AsComponentClass(CEntity* entity);
const CComponent* AsComponentClass(const CEntity* entity);
