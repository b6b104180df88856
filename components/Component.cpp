#include "components/Component.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "components/ComponentDefinition.h"
#include "components/ComponentInstance.h"
#include "components/Dimension.h"
#include "components/InstancePath.h"
#include "components/TransformController.h"
#include "database/ArchiveReading.h"
#include "database/ArchiveSchema.h"
#include "database/AttributeContainer.h"
#include "database/AttributeNamed.h"
#include "database/ComponentBehavior.h"
#include "database/CurrentModel.h"
#include "database/DefinitionList.h"
#include "database/EntitySet.h"
#include "database/FontManager.h"
#include "database/IFaceTextureMapping.h"
#include "database/ILinePick.h"
#include "database/IModelContext.h"
#include "database/Layer.h"
#include "database/LayerManager.h"
#include "database/Material.h"
#include "database/MaterialManager.h"
#include "database/Relationship.h"
#include "database/RelationshipMap.h"
#include "database/Texture.h"
#include "database/UndoManager.h"
#include "database/UndoOperation.h"
#include "geometry/Tolerance.h"
#include "support/ArchiveOperators.h"
#include "topology/Curve.h"
#include "topology/CurveFixupList.h"
#include "topology/Edge.h"
#include "topology/Face.h"
#include "topology/SectionPlane.h"
#include "topology/TopologyEnumerators.h"
#include "topology/Vertex.h"

using orbisk::geometry::CLine3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CRay3d;
using orbisk::geometry::CTransform3d;

IMPLEMENT_SERIAL(CComponent, CDrawingElement, VERSIONABLE_SCHEMA | 11)

namespace {

constexpr uint32_t kMinEntityReferenceBytes = kMinObjectReferenceBytes;

CUndoOperation* RecordingOperation()
{
    return IsUndoRecording() ? GetCurrentUndoOperation() : nullptr;
}

CDrawingElement* AsElement(CEntity* entity)
{
    return entity && entity->IsDrawingElement() ? static_cast<CDrawingElement*>(entity) : nullptr;
}

bool IsSectionPlane(const CEntity* entity)
{
    return entity && entity->GetEntityType() == kEntitySectionPlane;
}

// The definition that an instance, group or image places; null for other entities and for an
// instance without one.
CComponentDefinition* PlacedDefinition(const CEntity* entity)
{
    const CComponentInstance* instance = AsInstanceClass(entity);
    return instance ? instance->GetDefinition() : nullptr;
}

void EraseFirst(std::vector<CDrawingElement*>& list, const CEntity* entity)
{
    const auto found = std::find(list.begin(), list.end(), entity);
    if (found != list.end())
        list.erase(found);
}

}  // namespace

CComponent* AsComponentClass(CEntity* entity)
{
    return entity && IsComponentType(entity->GetEntityType()) ? dynamic_cast<CComponent*>(entity) : nullptr;
}

const CComponent* AsComponentClass(const CEntity* entity)
{
    return entity && IsComponentType(entity->GetEntityType()) ? dynamic_cast<const CComponent*>(entity)
                                                              : nullptr;
}

bool CComponent::IsAnnotationType(int type)
{
    switch (type) {
        case kEntityComponentInstance:
        case kEntityDimension:
        case kEntityDimensionLinear:
        case kEntityDimensionRadial:
        case kEntityGroup:
        case kEntityText: return true;
        default: return false;
    }
}

bool CComponent::IsInstanceType(int type)
{
    return type == kEntityComponentInstance || type == kEntityGroup || type == kEntityImage;
}

CComponent::CComponent()
{
    m_entities.reserve(1024);
    m_bounds.SetEmpty();
    m_axesBounds.SetEmpty();
    m_relationships.Reset(new CRelationshipMap);
    m_definitions.Reset(new CDefinitionList);
    m_materials.Reset(new CMaterialManager);
    m_layers.Reset(new CLayerManager);
    m_relationships->SetParent(this);
    m_definitions->SetParent(this);
    m_materials->SetParent(this);
    m_layers->SetParent(this);
    if (!m_layers->GetDefaultLayer())
        m_layers->AddDefaultLayer();
}

CComponent::CComponent(const CComponent& other)
    : CDrawingElement(other),
      IEntityContainer(),
      IComponent(),
      CDBListener(),
      m_activeSectionPlane(other.m_activeSectionPlane)
{
    m_bounds.SetEmpty();
    m_axesBounds.SetEmpty();
}

CComponent::~CComponent()
{
    FreeEntities();
    FreeDefinitions();
}

// The definition list does not free what it lists; the component that owns the list does.
void CComponent::FreeDefinitions()
{
    CDefinitionList* list = m_definitions.IsOwned() ? m_definitions.Get() : nullptr;
    if (!list)
        return;
    std::vector<CEntity*> definitions;
    for (int i = 0; i < list->GetCount(); ++i)
        definitions.push_back(list->GetAt(i));
    list->RemoveAll();
    // Instances are gone first, so that no definition is freed while another places it.
    for (CEntity* entity : definitions) {
        if (auto* definition = AsDefinitionClass(entity); definition && definition->GetParent() == list)
            definition->FreeEntities();
    }
    for (auto it = definitions.rbegin(); it != definitions.rend(); ++it) {
        if ((*it)->GetParent() == list)
            delete *it;
    }
}

void CComponent::FreeEntities()
{
    std::vector<CDrawingElement*> entities = std::exchange(m_entities, {});
    m_annotations.clear();
    m_sectionPlanes.clear();
    std::unordered_set<const CEntity*> freed;
    // The last first: later entities refer to earlier ones (faces to edges).
    for (auto it = entities.rbegin(); it != entities.rend(); ++it) {
        CDrawingElement* entity = *it;
        if (entity && entity->GetParent() == this && freed.insert(entity).second)
            DeleteUnrecorded(entity);
    }
}

// ---------------------------------------------------------------------------------------------
// The record.

void CComponent::Serialize(CArchive& ar)
{
    SerializeGuarded(ar, [&] {
        CDrawingElement::Serialize(ar);
        if (ar.IsLoading())
            ReadRecord(ar);
        else
            WriteRecord(ar);
    });
}

void CComponent::ReadRecord(CArchive& ar)
{
    const int32_t schema = GetClassVersion(RUNTIME_CLASS(CComponent));
    // Entities listed before (a record read into an existing component) are given up. Materials
    // the manager already lists may be named by records read before this one: they go to the
    // model's pool rather than being erased under them.
    if (m_materials) {
        std::vector<CMaterial*> listed;
        for (int i = 0; i < m_materials->GetCount(); ++i)
            listed.push_back(m_materials->GetMaterialAt(i));
        for (CMaterial* material : listed) {
            if (m_materials->Remove(material))
                KeepUntilAdopted(material);
        }
    }
    RemoveAll();
    CRecordAdoptions adopted(*this, [this](CEntity* entity) {
        EraseFirst(m_entities, entity);
        EraseFirst(m_annotations, entity);
    });
    if (schema >= 9)
        ReadManagersBeforeEntities(ar, schema);
    ReadEntities(ar, adopted);
    ReadPartsAfterEntities(ar, schema);
    adopted.Keep();
    AfterReading();
}

void CComponent::ReadManagersBeforeEntities(CArchive& ar, int32_t)
{
    m_materials->Serialize(ar);
    m_layers->Serialize(ar);
    m_definitions->Serialize(ar);
}

void CComponent::ReadEntityList(CArchive& ar)
{
    CRecordAdoptions adopted(*this, [this](CEntity* entity) {
        EraseFirst(m_entities, entity);
        EraseFirst(m_annotations, entity);
    });
    ReadEntities(ar, adopted);
    adopted.Keep();
    InvalidateBounds();
}

void CComponent::ReadEntities(CArchive& ar, CRecordAdoptions& adopted)
{
    const int32_t count = ReadItemCount(ar, kMinEntityReferenceBytes);
    const CRuntimeClass* elementClass = RUNTIME_CLASS(CDrawingElement);
    for (int32_t i = 0; i < count; ++i) {
        bool madeHere = false;
        CObject* object = ReadObjectReference(ar, elementClass, madeHere);
        auto* element = dynamic_cast<CDrawingElement*>(object);
        if (!element)
            continue;
        // An entity listed by another container stays there.
        if (element->GetParent()) {
            if (madeHere)
                KeepUnownedObject(element);
            continue;
        }
        // The component itself, or one that holds it (or will, once its record is read), would
        // become its own ancestor.
        if (element == this || HasAncestor(element) || ar.IsStillReading(element))
            AfxThrowArchiveException(CArchiveException::badClass);
        AppendEntity(element);
        element->SetParent(this);
        adopted.Note(element, madeHere);
    }
}

void CComponent::ReadPartsAfterEntities(CArchive& ar, int32_t schema)
{
    if (schema < 7)
        ar >> m_legacyTransform;
    if (schema >= 1)
        m_relationships->Serialize(ar);
    if (schema >= 2 && schema < 9)
        m_definitions->Serialize(ar);
    if (schema >= 3 && schema < 6) {
        int32_t present = 0;
        ar >> present;
        if (present)
            m_material = ReadUnownedReference<CMaterial>(ar);
    }
    if (schema >= 4 && schema < 9)
        m_materials->Serialize(ar);
    if (schema >= 5 && schema < 9)
        m_layers->Serialize(ar);
    if (schema >= 8)
        ReadActiveSectionPlane(ar);
    if (schema == 10)
        ReadFontManager(ar);
}

void CComponent::ReadActiveSectionPlane(CArchive& ar)
{
    const CRuntimeClass* planeClass = CRuntimeClass::FromName("CSectionPlane");
    bool madeHere = false;
    CObject* object =
        ReadObjectReference(ar, planeClass ? planeClass : RUNTIME_CLASS(CDrawingElement), madeHere);
    auto* plane = dynamic_cast<CDrawingElement*>(object);
    if (object && !IsSectionPlane(plane)) {
        if (madeHere)
            KeepUnownedObject(object);
        AfxThrowArchiveException(CArchiveException::badClass);
    }
    if (madeHere)
        KeepUntilAdopted(plane);
    m_activeSectionPlane = plane;
}

void CComponent::ReadFontManager(CArchive& ar)
{
    IModelContext* model = GetCurrentModel();
    if (CFontManager* fonts = model ? model->GetFontManager() : nullptr) {
        fonts->Serialize(ar);
        return;
    }
    // Without a model to keep them, the fonts are read and let go.
    CFontManager fonts;
    fonts.Serialize(ar);
}

void CComponent::AfterReading()
{
    for (CEntity* part : {static_cast<CEntity*>(m_definitions.Get()), static_cast<CEntity*>(m_layers.Get()),
                          static_cast<CEntity*>(m_materials.Get())})
        part->SetParent(this);
    InvalidateBounds();
    RemoveDuplicateDictionaries();
    {
        CSuspendUndo suspend;
        m_materials->ClearUseCounts();
        RecountMaterialUses();
    }
    if (GetEntityType() == kEntityComponent)
        DropDefinitionCycles();
}

void CComponent::WriteRecord(CArchive& ar)
{
    m_materials->Serialize(ar);
    m_layers->Serialize(ar);
    m_definitions->Serialize(ar);
    ar << static_cast<int32_t>(m_entities.size());
    for (const CDrawingElement* entity : m_entities)
        ar << static_cast<const CObject*>(entity);
    m_relationships->Serialize(ar);
    ar << static_cast<const CObject*>(m_activeSectionPlane);
}

// ---------------------------------------------------------------------------------------------
// The entity list.

void CComponent::AppendEntity(CDrawingElement* element)
{
    m_entities.push_back(element);
    if (IsAnnotationType(element->GetEntityType()))
        m_annotations.push_back(element);
}

bool CComponent::Contains(const CEntity* entity) const
{
    return entity && entity->IsDrawingElement() &&
           std::find(m_entities.begin(), m_entities.end(), entity) != m_entities.end();
}

void CComponent::Add(CEntity* entity)
{
    CDrawingElement* element = AsElement(entity);
    if (!element)
        return;
    const bool onlyPlanes = HoldsOnlySectionPlanes();
    AppendEntity(element);
    element->SetParent(this);
    if (onlyPlanes)
        InvalidateBounds();
    else
        AddEntityBounds(element);
    if (IsSectionPlane(element) &&
        std::find(m_sectionPlanes.begin(), m_sectionPlanes.end(), element) == m_sectionPlanes.end())
        m_sectionPlanes.push_back(element);
    element->NotifyChanged();
}

bool CComponent::Remove(CEntity* entity)
{
    CDrawingElement* element = AsElement(entity);
    if (!element)
        return false;
    element->NotifyChanged();
    const auto found = std::find(m_entities.begin(), m_entities.end(), element);
    if (found == m_entities.end())
        return false;
    if (IsAnnotationType(element->GetEntityType()))
        EraseFirst(m_annotations, element);
    m_entities.erase(found);
    if (IsSectionPlane(element))
        EraseFirst(m_sectionPlanes, element);
    if (element->GetParent() == this)
        element->SetParent(nullptr);
    InvalidateBounds();
    return true;
}

void CComponent::RemoveAll()
{
    m_entities.clear();
    m_annotations.clear();
    if (m_relationships)
        m_relationships->RemoveAll();
    if (m_definitions)
        m_definitions->RemoveAll();
    if (m_materials)
        m_materials->RemoveAll();
    m_sectionPlanes.clear();
    NotifyChanged();
}

CEntity* CComponent::GetAt(int index) const
{
    return index >= 0 && index < GetCount() ? m_entities[static_cast<size_t>(index)] : nullptr;
}

IEntityIterator* CComponent::CreateIterator()
{
    return new CComponentEntityIterator(*this);
}

bool CComponentEntityIterator::Next(CEntity*& entity)
{
    entity = m_component.GetAt(m_position);
    if (!entity)
        return false;
    ++m_position;
    return true;
}

void CComponent::GetEntityVector(std::vector<CEntity*>& entities) const
{
    entities.insert(entities.end(), m_entities.begin(), m_entities.end());
}

CEntity* CComponent::AddEntity(CEntity* entity)
{
    if (CUndoOperation* operation = RecordingOperation())
        operation->AddElement(entity, this);
    Add(entity);
    return entity;
}

bool CComponent::RemoveEntity(CEntity* entity)
{
    const bool removed = Remove(entity);
    if (removed) {
        if (CUndoOperation* operation = RecordingOperation())
            operation->RemoveElement(entity, this);
    }
    return removed;
}

bool CComponent::EraseEntity(CEntity* entity)
{
    if (!entity)
        return false;
    if (IComponent* holder = AsComponent(entity->GetParent()))
        holder->GetRelationshipMap().RemoveRelationshipsOf(entity);
    const bool removed = RemoveEntity(entity);
    entity->Erase();
    return removed;
}

void CComponent::AddEntities(const std::vector<CEntity*>& entities)
{
    CEntitySet added;
    auto addOne = [&](CEntity* entity) {
        if (AsElement(entity) && added.Insert(entity))
            AddEntity(entity);
    };
    for (CEntity* entity : entities) {
        if (!entity)
            continue;
        if (entity->GetEntityType() == kEntityRelationship) {
            m_relationships->AddRelationship(static_cast<CRelationship*>(entity));
            continue;
        }
        addOne(entity);
        if (entity->GetEntityType() != kEntityFace)
            continue;
        std::unique_ptr<CEnumEdge> faceEdges(static_cast<CFace*>(entity)->NewEdgeEnumerator());
        CEdge* edge = nullptr;
        while (faceEdges && faceEdges->Next(edge))
            addOne(edge);
    }
}

void CComponent::EraseContents()
{
    MarkChanged();
    m_annotations.clear();
    while (!m_entities.empty()) {
        CDrawingElement* entity = m_entities.back();
        if (!entity) {
            m_entities.pop_back();
            continue;
        }
        if (!RemoveEntity(entity))
            m_entities.pop_back();
        entity->Erase();
    }
    InvalidateBounds();
}

void CComponent::Reset()
{
    MarkChanged();
    const std::vector<CDrawingElement*> entities = std::exchange(m_entities, {});
    m_annotations.clear();
    for (CDrawingElement* entity : entities) {
        if (entity && entity->GetParent() == this)
            EraseOwnedPart(entity);
    }
    NotifyChanged();
    InvalidateBounds();
    if (m_definitions)
        m_definitions->EraseUnused(true);
    if (m_relationships)
        m_relationships->EraseRelationships(true);
    if (m_layers) {
        m_layers->RemoveAllLayers();
        if (!m_layers->GetDefaultLayer())
            m_layers->AddDefaultLayer();
    }
    if (m_materials)
        m_materials->ClearMaterials();
    if (CAttributeContainer* attributes = GetAttributeContainer())
        attributes->ReleaseAll();
    m_sectionPlanes.clear();
    m_activeSectionPlane = nullptr;
    m_material = nullptr;
    m_layer = nullptr;
    m_solidState = kSolidUnknown;
    m_transparentCount = 0;
}

CAverageNormalCache* CComponent::GetAverageNormalCache()
{
    if (!m_normalCache)
        m_normalCache = std::make_unique<CAverageNormalCache>();
    return m_normalCache.get();
}

bool CComponent::ResetSmoothing()
{
    return CAverageNormalCache::ResetSmoothing(*this);
}

void CComponent::Erase()
{
    MarkChanged();
    if (m_normalCache)
        m_normalCache->Invalidate();
    const std::vector<CDrawingElement*> entities = m_entities;
    // Gone entities leave the list in one pass at the end: one search of the list for each
    // would make erasing a large component quadratic. A sorted vector of them costs a large
    // model's teardown far less than a hash set of millions of nodes.
    std::vector<const CDrawingElement*> gone;
    gone.reserve(entities.size());
    for (CDrawingElement* entity : entities) {
        if (entity && entity->GetParent() == this && EraseOwnedPart(entity) == ErasedPart::kGone)
            gone.push_back(entity);
    }
    std::sort(gone.begin(), gone.end());
    std::erase_if(m_entities, [&gone](const CDrawingElement* entity) {
        return !entity || std::binary_search(gone.begin(), gone.end(), entity);
    });
    m_annotations.clear();
    m_sectionPlanes.clear();
    m_definitions.Erase();
    m_relationships.Erase();
    m_layers.Erase();
    m_materials.Erase();
    NotifyChanged();
    CDrawingElement::Erase();
}

void CComponent::Transform(const CTransform3d& transform)
{
    if (transform.IsIdentity())
        return;
    std::vector<CEntity*> entities;
    GetEntityVector(entities);
    CTransformController controller(entities);
    controller.Apply(transform);
    InvalidateBounds();
}

CEntity* CComponent::CreateCopy() const
{
    return new CComponent(*this);
}

void CComponent::SwapContents(CEntity& other)
{
    CDrawingElement::SwapContents(other);
    if (auto* component = dynamic_cast<CComponent*>(&other))
        std::swap(m_activeSectionPlane, component->m_activeSectionPlane);
}

IModelContext* CComponent::GetModel() const
{
    if (m_model)
        return m_model;
    const CEntity* parent = GetParent();
    return parent ? parent->GetModel() : nullptr;
}

void CComponent::ReleaseGLResources()
{
    for (CDrawingElement* entity : m_entities) {
        if (entity)
            entity->ReleaseGLResources();
    }
    if (!m_definitions)
        return;
    for (int i = 0; i < m_definitions->GetCount(); ++i) {
        if (CComponentDefinition* definition = AsDefinitionClass(m_definitions->GetAt(i)))
            definition->ReleaseGLResources();
    }
}

void CComponent::EraseRelationship(CEntity* relationship)
{
    if (relationship && m_relationships->Remove(relationship))
        relationship->Erase();
}

// ---------------------------------------------------------------------------------------------
// Bounds.

void CComponent::InvalidateBounds()
{
    m_boundsValid = 0;
    m_hasConstructionLines = 0;
    m_hasSectionPlanes = 0;
}

void CComponent::AddEntityBounds(const CDrawingElement* entity)
{
    if (entity)
        entity->AddBounds(m_bounds);
}

void CComponent::AddPointToBounds(const CPoint3d& point)
{
    m_bounds.Add(point);
}

void CComponent::OnPointMoved(const CPoint3d& point)
{
    const double tolerance = orbisk::geometry::kGeomTolerance;
    const bool inside = point.x > m_bounds.x.min + tolerance && point.x < m_bounds.x.max - tolerance &&
                        point.y > m_bounds.y.min + tolerance && point.y < m_bounds.y.max - tolerance &&
                        point.z > m_bounds.z.min + tolerance && point.z < m_bounds.z.max - tolerance;
    if (!inside)
        InvalidateBounds();
}

void CComponent::RecomputeBounds() const
{
    if (m_computingBounds)
        return;
    m_computingBounds = true;
    m_bounds.SetEmpty();
    m_axesBounds.SetEmpty();
    m_hasConstructionLines = 0;
    m_hasSectionPlanes = 0;
    m_sectionPlanes.clear();
    auto* self = const_cast<CComponent*>(this);
    for (CDrawingElement* entity : m_entities) {
        if (!entity)
            continue;
        const int type = entity->GetEntityType();
        if (type == kEntitySectionPlane) {
            m_sectionPlanes.push_back(entity);
            m_hasSectionPlanes = 1;
            continue;
        }
        self->AddEntityBounds(entity);
        if (type == kEntityConstructionLine)
            m_hasConstructionLines = 1;
        if (const CComponentDefinition* definition = PlacedDefinition(entity)) {
            if (!m_hasConstructionLines && definition->HasConstructionLines())
                m_hasConstructionLines = 1;
            if (!m_hasSectionPlanes && definition->HasSectionPlanes())
                m_hasSectionPlanes = 1;
        }
    }
    if (!m_sectionPlanes.empty()) {
        if (m_bounds.x.IsEmpty())
            m_bounds.Add(CPoint3d());
        for (const CDrawingElement* plane : m_sectionPlanes)
            plane->AddBounds(m_bounds);
    }
    m_boundsValid = 1;
    m_computingBounds = false;
}

CDrawingElement::CBoundingBox3d CComponent::GetBounds() const
{
    if (!m_boundsValid)
        RecomputeBounds();
    return m_bounds;
}

CPoint3d CComponent::GetBoundsCenter() const
{
    return GetBounds().GetCenter();
}

CDrawingElement::CBoundingBox3d CComponent::GetAxesBounds() const
{
    if (!m_boundsValid)
        RecomputeBounds();
    return m_axesBounds;
}

bool CComponent::HasConstructionLines() const
{
    if (!m_boundsValid)
        RecomputeBounds();
    return m_hasConstructionLines != 0;
}

bool CComponent::HasSectionPlanes() const
{
    if (!m_boundsValid)
        RecomputeBounds();
    return m_hasSectionPlanes != 0;
}

bool CComponent::HoldsOnlySectionPlanes() const
{
    return !m_entities.empty() && std::all_of(m_entities.begin(), m_entities.end(),
                                              [](const CEntity* entity) { return IsSectionPlane(entity); });
}

void CComponent::AddBounds(CBoundingBox3d& box) const
{
    const CBoundingBox3d own = GetBounds();
    if (!own.x.IsEmpty())
        box.x.Add(own.x.min), box.x.Add(own.x.max);
    if (!own.y.IsEmpty())
        box.y.Add(own.y.min), box.y.Add(own.y.max);
    if (!own.z.IsEmpty())
        box.z.Add(own.z.min), box.z.Add(own.z.max);
}

void CComponent::AddBoundsTransformed(const CTransform3d& transform, CBoundingBox3d& box) const
{
    if (m_computingBounds)
        return;
    m_computingBounds = true;
    for (const CDrawingElement* entity : m_entities) {
        if (entity)
            entity->AddBoundsTransformed(transform, box);
    }
    m_computingBounds = false;
}

void CComponent::AddScreenBounds(CBoundingBox3d& box, IModelView* view) const
{
    for (const CDrawingElement* entity : m_entities) {
        if (entity && !(entity->GetFlags() & kHidden))
            entity->AddScreenBounds(box, view);
    }
}

// ---------------------------------------------------------------------------------------------
// Picking along a line.

bool CComponent::PickWithRay(const CRay3d& ray, double scale, CPoint3d& point, CInstancePath& path,
                             bool skipHidden)
{
    return PickLine(CLine3d(ray, false, true), scale, point, path, skipHidden);
}

bool CComponent::PickEntityWithLine(CDrawingElement* entity, const CLine3d& line, double scale,
                                    CPoint3d& point, CInstancePath& path, bool skipHidden)
{
    if (CComponentInstance* instance = AsInstanceClass(entity))
        return instance->PickLine(line, scale, point, path, skipHidden);
    if (CComponent* component = AsComponentClass(entity))
        return component->PickLine(line, scale, point, path, skipHidden);
    if (auto* face = dynamic_cast<CFace*>(entity))
        return face->PickRay(line, point, skipHidden);
    auto* pickable = dynamic_cast<ILinePick*>(entity);
    return pickable && pickable->PickLine(line, point, skipHidden);
}

bool CComponent::PickLine(const CLine3d& line, double scale, CPoint3d& point, CInstancePath& path,
                          bool skipHidden)
{
    if (m_computingBounds)
        return false;
    CBoundingBox3d box = GetBounds();
    box.Expand(orbisk::geometry::kGeomTolerance);
    if (!line.IntersectsBox(box))
        return false;
    // Marked as in use, so that a definition reached again through its own contents is skipped.
    m_computingBounds = true;
    double best = std::numeric_limits<double>::infinity();
    CInstancePath bestPath;
    bool hit = false;
    for (CDrawingElement* entity : m_entities) {
        if (!entity)
            continue;
        CInstancePath entityPath;
        CPoint3d entityPoint;
        if (!PickEntityWithLine(entity, line, scale, entityPoint, entityPath, skipHidden))
            continue;
        const double distance = scale * line.GetParameter(entityPoint);
        if (distance < orbisk::geometry::kGeomTolerance || distance >= best)
            continue;
        best = distance;
        point = entityPoint;
        if (entityPath.IsEmpty())
            bestPath.Set(entity);
        else
            bestPath = entityPath;
        hit = true;
    }
    m_computingBounds = false;
    if (hit)
        path.Append(bestPath);
    return hit;
}

// ---------------------------------------------------------------------------------------------
// Definitions.

void CComponent::CollectDefinitions(CEntitySet& set, bool recursive) const
{
    for (const CDrawingElement* entity : m_entities) {
        CComponentDefinition* definition = PlacedDefinition(entity);
        // Each definition once: a definition that places itself ends the walk.
        if (definition && set.Insert(definition) && recursive)
            definition->CollectDefinitions(set, true);
    }
}

bool CComponent::CanContain(const CComponentDefinition*) const
{
    return true;
}

int CComponent::DropDefinitionCycles()
{
    // Depth-first over "definition places definition": an instance leading back to a
    // definition still being walked closes a cycle.
    enum class State { kWalking, kDone };
    std::unordered_map<const CComponent*, State> states;
    std::vector<CComponentInstance*> closing;
    auto walk = [&](auto& self, const CComponent* component) -> void {
        states[component] = State::kWalking;
        for (CDrawingElement* entity : component->m_entities) {
            CComponentInstance* instance = AsInstanceClass(entity);
            CComponentDefinition* definition = instance ? instance->GetDefinition() : nullptr;
            if (!definition)
                continue;
            const auto found = states.find(definition);
            if (found == states.end())
                self(self, definition);
            else if (found->second == State::kWalking)
                closing.push_back(instance);
        }
        states[component] = State::kDone;
    };
    walk(walk, this);
    if (m_definitions) {
        for (int i = 0; i < m_definitions->GetCount(); ++i) {
            const CComponentDefinition* definition = AsDefinitionClass(m_definitions->GetAt(i));
            if (definition && !states.contains(definition))
                walk(walk, definition);
        }
    }
    CSuspendUndo suspend;
    for (CComponentInstance* instance : closing) {
        if (auto* holder = AsComponentClass(instance->GetParent()))
            holder->Remove(instance);
        DeleteUnrecorded(instance);
    }
    return static_cast<int>(closing.size());
}

// ---------------------------------------------------------------------------------------------
// Section planes.

CDrawingElement* CComponent::GetActiveSectionPlane() const
{
    return m_activeSectionPlane && m_activeSectionPlane->GetParent() == this ? m_activeSectionPlane : nullptr;
}

void CComponent::SetActiveSectionPlane(CDrawingElement* plane)
{
    if (plane == m_activeSectionPlane)
        return;
    // A cut was made for the plane's role: both planes make theirs again.
    for (CDrawingElement* changed : {m_activeSectionPlane, plane}) {
        if (auto* section = dynamic_cast<CSectionPlane*>(changed))
            section->ClearSlice();
    }
    MarkChanged();
    m_activeSectionPlane = plane;
}

const std::vector<CDrawingElement*>& CComponent::GetSectionPlanes() const
{
    if (!m_boundsValid)
        RecomputeBounds();
    return m_sectionPlanes;
}

// ---------------------------------------------------------------------------------------------
// Clean-ups after reading.

void CComponent::RecountMaterialUses()
{
    std::unordered_set<const CComponent*> counted;
    auto count = [&](auto& self, CComponent& component) -> void {
        if (!counted.insert(&component).second)
            return;
        if (CMaterial* material = component.GetMaterial())
            material->AddUse(false);
        for (CDrawingElement* entity : component.m_entities) {
            if (!entity)
                continue;
            if (CMaterial* material = entity->GetMaterial())
                material->AddUse(false);
            if (auto* face = dynamic_cast<CFace*>(entity)) {
                if (CMaterial* back = face->GetBackMaterial())
                    back->AddUse(false);
            }
        }
        if (!component.m_definitions)
            return;
        for (int i = 0; i < component.m_definitions->GetCount(); ++i) {
            if (CComponentDefinition* definition = AsDefinitionClass(component.m_definitions->GetAt(i)))
                self(self, *definition);
        }
    };
    count(count, *this);
}

void CComponent::ApplyLegacyTransforms()
{
    if (!m_legacyTransform.IsIdentity()) {
        Transform(m_legacyTransform);
        m_legacyTransform.SetIdentity();
    }
    if (!m_definitions)
        return;
    for (int i = 0; i < m_definitions->GetCount(); ++i) {
        CComponentDefinition* definition = AsDefinitionClass(m_definitions->GetAt(i));
        if (!definition)
            continue;
        definition->ApplyLegacyTransforms();
        definition->ResetInsertionPoint();
    }
}

std::vector<CComponent*> CComponent::GetComponentsOfTree()
{
    std::vector<CComponent*> components{this};
    if (!m_definitions)
        return components;
    for (int i = 0; i < m_definitions->GetCount(); ++i) {
        if (CComponentDefinition* definition = AsDefinitionClass(m_definitions->GetAt(i)))
            components.push_back(definition);
    }
    return components;
}

void CComponent::ReleaseCurves()
{
    CSuspendUndo suspend;
    // A snapshot: releasing a curve erases it, and nothing here may change the list meanwhile.
    const std::vector<CComponent*> components = GetComponentsOfTree();
    // Every count first: the fix-up list knows a curve by its address, and released curves go.
    for (const CComponent* component : components)
        component->SettleCurveCounts();
    for (CComponent* component : components)
        component->ReleaseEdgeCurves();
    CCurveFixupList::Clear();
}

namespace {

CEdge* AsEdge(CDrawingElement* entity)
{
    return entity && entity->GetEntityType() == kEntityEdge ? dynamic_cast<CEdge*>(entity) : nullptr;
}

// The edge and the edges at its two vertices.
template <class Visit>
void ForEdgeAndNeighbours(CEdge& edge, Visit visit)
{
    visit(&edge);
    for (const CVertex* vertex : {edge.GetStart(), edge.GetEnd()}) {
        for (int i = 0; vertex && i < vertex->GetEdgeCount(); ++i) {
            if (CEdge* neighbour = vertex->GetEdge(i))
                visit(neighbour);
        }
    }
}

}  // namespace

// A file may claim any count for a curve; the edges read with it are what will release it.
// Curves the fix-up list does not know (it was already processed) keep their settled count.
void CComponent::SettleCurveCounts() const
{
    for (CDrawingElement* entity : m_entities) {
        CEdge* edge = AsEdge(entity);
        if (!edge)
            continue;
        ForEdgeAndNeighbours(*edge, [](CEdge* named) {
            CCurve* curve = named->GetCurve();
            const int listed = curve ? CCurveFixupList::GetEdgeCount(curve) : 0;
            if (listed > 0)
                curve->SetEdgeCount(listed);
        });
    }
}

void CComponent::ReleaseEdgeCurves()
{
    for (CDrawingElement* entity : m_entities) {
        CEdge* edge = AsEdge(entity);
        if (!edge)
            continue;
        for (CVertex* vertex : {edge->GetStart(), edge->GetEnd()}) {
            if (vertex)
                vertex->ReleaseEdgeCurves();
        }
        // An edge without vertices is reached through none.
        if (CCurve* curve = edge->GetCurve()) {
            edge->SetCurve(nullptr);
            curve->Release();
        }
    }
}

void CComponent::ApplyDimensionStyle(CDimensionStyle* style)
{
    for (const CComponent* component : GetComponentsOfTree()) {
        for (CDrawingElement* entity : component->m_entities) {
            if (auto* dimension = dynamic_cast<CDimension*>(entity))
                dimension->ApplyStyle(style);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Closed solids.

int32_t CComponent::ClassifySolid()
{
    if (m_solidState != kSolidUnknown)
        return m_solidState;
    m_solidState = kNotSolid;
    for (int i = 0; i < m_relationships->GetCount(); ++i) {
        const auto* relationship = dynamic_cast<const CRelationship*>(m_relationships->GetAt(i));
        if (!relationship || !relationship->GetDriving() ||
            relationship->GetDriving()->GetEntityType() != kEntityFace)
            continue;
        const CComponentDefinition* definition = PlacedDefinition(relationship->GetDriven());
        if (definition && definition->GetBehavior() && definition->GetBehavior()->CutsOpening())
            return m_solidState;
    }
    auto unusable = [](const CMaterial* material) {
        if (!material)
            return false;
        if (material->IsTransparent())
            return true;
        const CTexture* texture = material->GetTexture();
        return texture && !texture->GetImage();
    };
    for (CDrawingElement* entity : m_entities) {
        if (!entity || entity->GetEntityType() != kEntityEdge)
            continue;
        std::unique_ptr<CEnumFace> faces(static_cast<CEdge*>(entity)->NewFaceEnumerator());
        std::vector<CDrawingElement*> found;
        CEntity* face = nullptr;
        while (faces && faces->Next(face)) {
            auto* element = AsElement(face);
            if (!element)
                continue;
            if (found.size() == 2)
                return m_solidState;
            const auto* back = dynamic_cast<CFace*>(element);
            if ((element->GetFlags() & kHidden) || !(element->GetFlags() & kCastsShadows) ||
                unusable(element->GetMaterial()) || (back && unusable(back->GetBackMaterial())))
                return m_solidState;
            found.push_back(element);
        }
        if (found.size() == 1)
            return m_solidState;
        if (found.size() == 2 && found[0]->GetLayer() != found[1]->GetLayer())
            return m_solidState;
    }
    m_solidState = kClosedSolid;
    return m_solidState;
}

void CComponent::SetSolidState(int32_t state, bool recursive)
{
    m_solidState = state;
    if (!recursive || !m_definitions)
        return;
    for (int i = 0; i < m_definitions->GetCount(); ++i) {
        if (CComponentDefinition* definition = AsDefinitionClass(m_definitions->GetAt(i)))
            definition->SetSolidState(state, false);
    }
}

// ---------------------------------------------------------------------------------------------
// Attribute dictionaries.

bool CComponent::HasBehaviors() const
{
    const CAttributeContainer* attributes = GetAttributeContainer();
    const auto* dictionary = attributes ? dynamic_cast<const CAttributeNamed*>(attributes->FindNamed(
                                              kEntityAttributeNamed, L"dynamic_attributes"))
                                        : nullptr;
    bool value = false;
    return dictionary && dictionary->GetValue(L"_hasbehaviors").TryGetBool(value) && value;
}

void CComponent::ClearModelID()
{
    CAttributeContainer* attributes = GetAttributeContainer();
    auto* dictionary =
        attributes
            ? dynamic_cast<CAttributeNamed*>(attributes->FindNamed(kEntityAttributeNamed, L"3DVaultrix"))
            : nullptr;
    if (!dictionary)
        return;
    CSuspendUndo suspend;
    dictionary->RemoveValue(L"ModelID");
}

void CComponent::RemoveDuplicateDictionaries()
{
    CAttributeContainer* attributes = GetAttributeContainer();
    if (!attributes)
        return;
    bool seenVault = false;
    bool seenShadow = false;
    for (int i = attributes->GetCount() - 1; i >= 0; --i) {
        auto* dictionary = dynamic_cast<CAttributeNamed*>(attributes->GetAt(i));
        if (!dictionary)
            continue;
        bool* seen = dictionary->GetName() == L"3DVaultrix"       ? &seenVault
                     : dictionary->GetName() == L"TempShadowInfo" ? &seenShadow
                                                                  : nullptr;
        if (!seen)
            continue;
        if (*seen)
            attributes->Remove(dictionary);
        *seen = true;
    }
}

// ---------------------------------------------------------------------------------------------
// Validity.

int CComponent::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CComponent), map, [&] { return CDrawingElement::CheckValidity(level, map); },
        [&] { return CheckOwnValidity(level, map); });
}

int CComponent::CheckEntity(CDrawingElement* element, int level, CCheckedObjectMap* map, int& result)
{
    const int entityResult = element->CheckValidity(level, map);
    if (entityResult == 3) {
        RecordValidity(this, 3, map);
        return 3;
    }
    if (entityResult == 2) {
        AppendValidityMessage("Entity %s should be erased", DescribeEntity(element).GetString());
        if (level == kValidityFix) {
            AppendValidityMessage(L" - done\n");
            EraseEntity(element);
        } else {
            AppendValidityMessage(L"\n");
            result = std::max(result, 1);
        }
    } else if (entityResult == 1) {
        result = std::max(result, 1);
    }
    return 0;
}

int CComponent::CheckOwnValidity(int level, CCheckedObjectMap* map)
{
    int result = 0;
    if (m_activeSectionPlane && !Contains(m_activeSectionPlane)) {
        AppendValidityMessage("The active section plane for %s is not valid\n",
                              DescribeEntity(this).GetString());
        if (ShouldFix(level)) {
            CDrawingElement* plane = std::exchange(m_activeSectionPlane, nullptr);
            if (!plane->GetParent())
                plane->Erase();
        } else {
            result = 1;
        }
    }
    // Repairs erase from the list: the passes walk a snapshot and skip entries gone meanwhile.
    const std::vector<CDrawingElement*> snapshot = m_entities;
    const auto passes = {0, 1, 2};
    for (const int pass : passes) {
        for (CDrawingElement* element : snapshot) {
            if (!Contains(element))
                continue;
            const int type = element->GetEntityType();
            const int entityPass = type == kEntityEdge ? 0 : type == kEntityFace ? 1 : 2;
            if (entityPass != pass)
                continue;
            if (!element->IsKindOf(RUNTIME_CLASS(CDrawingElement))) {
                AppendValidityMessage("Entity %s should be a %s but it is not\n",
                                      DescribeEntity(element).GetString(), L"CDrawingElement");
                RecordValidity(element, 3, map);
                return 3;
            }
            if (map && CheckEntity(element, level, map, result) == 3)
                return 3;
        }
    }
    if (m_definitions && !m_definitions->IsKindOf(RUNTIME_CLASS(CDefinitionList))) {
        AppendValidityMessage("The definition list for %s is not a CDefinitionList\n",
                              DescribeEntity(this).GetString());
        RecordValidity(m_definitions.Get(), 3, map);
        return 3;
    }
    return result;
}
