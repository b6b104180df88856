#include "viewer/BaseDoc.h"

#include <cstring>
#include <set>
#include <vector>

#include "components/Component.h"
#include "components/ComponentDefinition.h"
#include "database/CurrentModel.h"
#include "database/DefinitionList.h"
#include "database/DrawingElement.h"
#include "database/EntitySet.h"
#include "database/EntityTypes.h"
#include "database/MaterialManager.h"
#include "database/OptionsManager.h"
#include "database/UndoManager.h"
#include "settings/RenderingOptions.h"
#include "settings/ShadowInfo.h"
#include "support/NotificationCenter.h"
#include "topology/AverageNormalCache.h"
#include "topology/SectionPlane.h"

namespace {

using orbisk::utils::CNotificationCenter;

constexpr char kMipmapChangedNotification[] = "ModelMipmapChangedNotification";
constexpr char kLoadedComponentsChanged[] = "Loaded Components Changed";

template <class Visit>
void ForEachOfType(const CEntitySet& set, bool (*accepts)(int), Visit visit)
{
    for (CEntity* entity : set.GetMembers())
        if (entity && accepts(entity->GetEntityType()))
            visit(entity);
}

bool IsDefinitionType(int type)
{
    return type == kEntityComponentDefinition;
}

bool IsAnyComponentType(int type)
{
    return IsComponentType(type);
}

}  // namespace

CBaseDoc::CBaseDoc() : m_toolManager(&m_model)
{
    // The tools hear of an operation before the document reacts to it.
    if (CUndoManager* undo = m_model.GetUndoManager()) {
        undo->AddListener(&m_toolManager);
        undo->AddListener(this);
    }
    m_model.GetSelection().AddListener(&m_toolManager);
    CNotificationCenter& center = CNotificationCenter::GetInstance();
    center.AddObserver(kRenderingOptionsChangeNotification, this);
    center.AddObserver(kMipmapChangedNotification, this);
}

CBaseDoc::~CBaseDoc()
{
    CNotificationCenter::GetInstance().RemoveObserverFromAll(this);
    // The tools go while the model they worked on is still whole.
    m_toolManager.ClearTools(true, nullptr);
    m_toolManager.DeleteRetiredTools();
    m_model.GetSelection().RemoveListener(&m_toolManager);
    if (CUndoManager* undo = m_model.GetUndoManager()) {
        undo->RemoveListener(this);
        undo->RemoveListener(&m_toolManager);
        // The history's snapshots refer to entities of the model, which the model frees
        // before its undo manager: the history goes first.
        CSuspendUndo unrecorded;
        undo->Clear();
    }
}

void CBaseDoc::MakeCurrent()
{
    SetCurrentModel(&m_model);
    if (COptionsManager* options = m_model.GetOptionsManager())
        options->MakeAllCurrent();
    SetCurrentToolManager(&m_toolManager);
}

void CBaseDoc::DeleteContents()
{
    m_toolManager.ClearTools(true, nullptr);
    m_model.GetSelection().Clear(false);
    m_model.Clear();
}

void CBaseDoc::ClearSectionSlices()
{
    for (CDrawingElement* plane : m_model.CollectActiveSectionPlanes())
        if (plane && plane->GetEntityType() == kEntitySectionPlane)
            static_cast<CSectionPlane*>(plane)->ClearSlice();
}

void CBaseDoc::ToggleSectionPlanes()
{
    CRenderingOptions* options = m_model.GetOptions();
    if (!options)
        return;
    options->ToggleSectionDisplay(CRenderingOptions::kSectionPlanesShown);
    if (!(options->GetSectionDisplay() & CRenderingOptions::kSectionPlanesShown)) {
        // Hidden planes cannot stay selected; the selection reports the removals once.
        CSelectionSet& selection = m_model.GetSelection();
        std::vector<CEntity*> planes;
        for (CEntity* entity : selection.GetMembers())
            if (entity && entity->GetEntityType() == kEntitySectionPlane)
                planes.push_back(entity);
        selection.BeginBatch();
        for (CEntity* plane : planes)
            selection.Remove(plane, true);
        selection.EndBatch();
    }
    UpdateAllViews();
}

void CBaseDoc::ToggleSectionCuts()
{
    CRenderingOptions* options = m_model.GetOptions();
    if (!options)
        return;
    options->ToggleSectionDisplay(CRenderingOptions::kSectionCutsShown);
    if (options->GetSectionDisplay() & CRenderingOptions::kSectionCutsShown)
        ClearSectionSlices();
    UpdateAllViews();
}

void CBaseDoc::OnNotification(const char* name, void* payload)
{
    if (std::strcmp(name, kRenderingOptionsChangeNotification) == 0) {
        if (const auto* change = static_cast<const CRenderingOptionsChange*>(payload)) {
            if (change->property == CRenderingOptions::kRenderingModeProperty ||
                change->property == CRenderingOptions::kEdgeDisplayProperty)
                ClearSectionSlices();
            if (change->property == CRenderingOptions::kColorByLayerProperty) {
                const CRenderingOptions* options = m_model.GetOptions();
                if (options && options->IsColorByLayer() &&
                    CToolManager::GetActiveToolId(&m_toolManager) == kLayerColorToolId)
                    m_toolManager.PopTool();
            }
        }
        DropShadowCaches();
        return;
    }
    if (std::strcmp(name, kMipmapChangedNotification) == 0) {
        m_model.ReleaseGLResources();
        UpdateAllViews();
    }
}

void CBaseDoc::DropShadowCaches()
{
    CShadowInfo* shadows = m_model.GetShadowInfo();
    if (!shadows)
        return;
    shadows->DeleteGroundShadowList();
    shadows->DeleteVolumeList();
    shadows->GetEdgeSegments().clear();
}

void CBaseDoc::ResetActiveNormalCache(bool hold)
{
    CComponent* active = m_model.GetActiveComponent();
    if (!active)
        return;
    CAverageNormalCache* cache = active->GetAverageNormalCache();
    cache->Invalidate();
    cache->SetHold(hold);
}

void CBaseDoc::OnOperationStart(int, int typeCode)
{
    if (typeCode != kNormalCacheKeptTypeA && typeCode != kNormalCacheKeptTypeB)
        ResetActiveNormalCache(true);
    m_model.GetSelection().BeginBatch();
}

void CBaseDoc::OnEntityErased(CEntity* entity)
{
    if (entity && entity->IsDrawingElement())
        m_model.GetSelection().Remove(entity, true);
}

void CBaseDoc::OnElementRemoved(CEntity* entity, IEntityContainer* container)
{
    if (!entity || !entity->IsDrawingElement() || !dynamic_cast<CComponent*>(container))
        return;
    m_model.GetSelection().Remove(entity, true);
    static_cast<CDrawingElement*>(entity)->ReleaseGLResources();
}

void CBaseDoc::OnOperationReset(int, int, uint32_t)
{
    m_model.GetSelection().Clear(true);
    UpdateAllViews();
}

void CBaseDoc::OnOperationEnd(int kind, int typeCode, uint32_t flags)
{
    // R: what the operation recorded; A: R with every component that holds, at any depth, an
    // instance of a definition in R, since their drawing depends on the definition.
    CEntitySet recorded;
    if (CUndoManager* undo = m_model.GetUndoManager()) {
        const CUndoOperation* operation = undo->GetCurrentOperation();
        if (!operation && kind == kCommitted)
            operation = undo->GetLastOperation();
        if (operation)
            operation->CollectEntities(recorded);
    }
    CEntitySet affected(recorded);
    ForEachOfType(recorded, IsDefinitionType, [&](CEntity* entity) {
        static_cast<CComponentDefinition*>(entity)->CollectParentComponents(affected, true);
    });

    if (!affected.IsEmpty()) {
        if (flags & kEndDropThumbnails)
            ForEachOfType(affected, IsDefinitionType, [](CEntity* entity) {
                static_cast<CComponentDefinition*>(entity)->InvalidateThumbnail();
            });
        ForEachOfType(recorded, IsAnyComponentType, [](CEntity* entity) {
            static_cast<CComponent*>(entity)->GetAverageNormalCache()->Invalidate();
        });
        if ((flags & kEndInvalidateBounds) || kind != kCommitted)
            ForEachOfType(affected, IsAnyComponentType,
                          [](CEntity* entity) { static_cast<CComponent*>(entity)->InvalidateBounds(); });
    }

    if (kind == kCommitted && !affected.IsEmpty()) {
        // The operation is closed: nothing could record these erasures, and erasing owned
        // parts with recording on but no operation open frees them twice.
        CSuspendUndo unrecorded;
        CComponent* root = m_model.GetRoot();
        CDefinitionList* definitions = root ? root->GetDefinitionList() : nullptr;
        if (definitions && !(flags & kEndKeepPurgeable))
            definitions->PurgeUnused(true);
        if (!(flags & kEndKeepUnused)) {
            // Every definition left without instances, in passes until none goes. The list's
            // EraseUnused is its teardown: it keeps the erased definitions listed, or forgets
            // the used ones too.
            if (definitions)
                definitions->PurgeUnused(false);
            if (CMaterialManager* materials = m_model.GetMaterialManager())
                materials->PurgeUnusedMaterials();
        }
        if (!(flags & kEndKeepDefinitionIdentity)) {
            // The purges above may have erased and freed definitions of A: only those still
            // listed are renewed, and the others are compared by address only.
            std::set<const CEntity*> listed;
            for (int i = 0; definitions && i < definitions->GetCount(); ++i)
                listed.insert(definitions->GetAt(i));
            for (CEntity* entity : affected.GetMembers()) {
                if (!listed.contains(entity) || !IsDefinitionType(entity->GetEntityType()))
                    continue;
                auto* definition = static_cast<CComponentDefinition*>(entity);
                definition->SetEdited(true);
                definition->RenewGuid();
            }
        }
    }

    ClearSectionSlices();
    if (typeCode != kNormalCacheKeptTypeA && typeCode != kNormalCacheKeptTypeB)
        ResetActiveNormalCache(false);
    if (kind == kEndRedone)
        m_model.GetSelection().MarkSelected(true);
    if (flags & kEndUpdateViews)
        UpdateAllViews();
    CNotificationCenter& center = CNotificationCenter::GetInstance();
    if (flags & kEndComponentsChanged)
        center.PostNotification(kLoadedComponentsChanged, &m_model);
    if (kind != kEndRedone && kind != kDiscarded)
        center.PostNotification(kLoadedComponentsChanged, &m_model);
    m_model.GetSelection().EndBatch();
    DropShadowCaches();
}
