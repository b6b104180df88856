// The view commands of the application view: standard views, navigation tools, projection and
// the planar 2D view, face and edge styles, what is shown, fog, zooming to the background photo
// and the camera history, with their update handlers.

#include "database/CurrentModel.h"
#include "model/ZephyronModel.h"
#include "platform/mfc/Menu.h"
#include "settings/RenderingOptions.h"
#include "settings/ShadowInfo.h"
#include "tools/CameraDollyTool.h"
#include "tools/CameraOrbitTool.h"
#include "tools/CameraTool.h"
#include "tools/CameraZoomTool.h"
#include "tools/CameraZoomWindowTool.h"
#include "tools/ToolManager.h"
#include "viewer/BaseDoc.h"
#include "viewer/CommandIds.h"
#include "viewer/StyleEditorHelper.h"
#include "viewer/ViewerApp.h"
#include "viewer/ViewerView.h"

namespace {

// Fog distances where there is no view to take them from.
constexpr double kDefaultFogStart = 0.0;
constexpr double kDefaultFogEnd = 1000.0;
// A cancel that is not the Escape key: the tool stays active.
constexpr int kCancelKeepingTool = 1;

// Rendering modes of the face styles.
constexpr int kWireframeMode = 0;
constexpr int kHiddenLineMode = 1;
constexpr int kShadedMode = 2;
constexpr int kShadedTexturedMode = 3;
constexpr int kMonochromeMode = 5;

struct ViewCommandEntry {
    int id;
    void (CViewerView::*run)();
    // Null: the item stays enabled and unchecked.
    void (CViewerView::*update)(CCmdUI&);
};

using namespace ViewerCommand;
using V = CViewerView;

const ViewCommandEntry kViewCommands[] = {
    {kTop, &V::OnViewTop, nullptr},
    {kBottom, &V::OnViewBottom, nullptr},
    {kFront, &V::OnViewFront, nullptr},
    {kBack, &V::OnViewBack, nullptr},
    {kLeft, &V::OnViewLeft, nullptr},
    {kRight, &V::OnViewRight, nullptr},
    {kIso, &V::OnViewIso, nullptr},
    {kOrbit, &V::OnOrbit, &V::OnUpdateOrbit},
    {kPan, &V::OnPan, &V::OnUpdatePan},
    {kZoom, &V::OnZoom, &V::OnUpdateZoom},
    {kFieldOfView, &V::OnFieldOfView, &V::OnUpdateFieldOfView},
    {kZoomWindow, &V::OnZoomWindow, &V::OnUpdateZoomWindow},
    {kWireframeButton, &V::OnWireframe, &V::OnUpdateWireframe},
    {kWireframe, &V::OnWireframe, &V::OnUpdateWireframe},
    {kHiddenLineButton, &V::OnHiddenLine, &V::OnUpdateHiddenLine},
    {kHiddenLine, &V::OnHiddenLine, &V::OnUpdateHiddenLine},
    {kShadedButton, &V::OnShaded, &V::OnUpdateShaded},
    {kShaded, &V::OnShaded, &V::OnUpdateShaded},
    {kTexturedButton, &V::OnShadedWithTextures, &V::OnUpdateShadedWithTextures},
    {kTextured, &V::OnShadedWithTextures, &V::OnUpdateShadedWithTextures},
    {kMonochromeButton, &V::OnMonochrome, &V::OnUpdateMonochrome},
    {kMonochrome, &V::OnMonochrome, &V::OnUpdateMonochrome},
    {kEdges, &V::OnEdges, &V::OnUpdateEdges},
    {kProfileEdges, &V::OnProfileEdges, &V::OnUpdateProfileEdges},
    {kExtendedEdges, &V::OnExtendedEdges, &V::OnUpdateExtendedEdges},
    {kJitterEdges, &V::OnJitterEdges, &V::OnUpdateJitterEdges},
    {kDepthCue, &V::OnDepthCue, &V::OnUpdateDepthCue},
    {kEndpoints, &V::OnEndpoints, &V::OnUpdateEndpoints},
    {kHiddenGeometry, &V::OnHiddenGeometry, &V::OnUpdateHiddenGeometry},
    {kGuides, &V::OnGuides, &V::OnUpdateGuides},
    {kSectionPlanes, &V::OnSectionPlanes, &V::OnUpdateSectionPlanes},
    {kSectionCuts, &V::OnSectionCuts, &V::OnUpdateSectionCuts},
    {kAxes, &V::OnAxes, &V::OnUpdateAxes},
    {kShadowsButton, &V::OnShadows, &V::OnUpdateShadows},
    {kShadows, &V::OnShadows, &V::OnUpdateShadows},
    {kXRayButton, &V::OnXRay, &V::OnUpdateXRay},
    {kXRay, &V::OnXRay, &V::OnUpdateXRay},
    {kBackEdges, &V::OnBackEdges, &V::OnUpdateBackEdges},
    {kTransparentMaterials, &V::OnTransparentMaterials, &V::OnUpdateTransparentMaterials},
    {kFog, &V::OnFog, &V::OnUpdateFog},
    {kPerspective, &V::OnPerspective, &V::OnUpdatePerspective},
    {kParallelProjection, &V::OnParallelProjection, &V::OnUpdateParallelProjection},
    {k2DView, &V::On2DView, &V::OnUpdate2DView},
    {kZoomExtents, &V::OnZoomExtents, nullptr},
    {kZoomToPhoto, &V::OnZoomToPhoto, &V::OnUpdateZoomToPhoto},
    {kPreviousView, &V::OnPreviousView, &V::OnUpdatePreviousView},
    {kNextView, &V::OnNextView, &V::OnUpdateNextView},
    {kExitCamera, &V::OnExitCamera, nullptr},
};

const ViewCommandEntry* FindEntry(int id)
{
    for (const ViewCommandEntry& entry : kViewCommands)
        if (entry.id == id)
            return &entry;
    return nullptr;
}

// 1 while the tool is active, 2 while it waits suspended under another, else 0.
void CheckTool(CCmdUI& ui, CToolManager* manager, int toolId)
{
    if (CToolManager::IsToolActive(manager, toolId))
        ui.SetCheck(1);
    else if (manager && manager->HasToolOnStack(toolId))
        ui.SetCheck(2);
    else
        ui.SetCheck(0);
}

void CheckFlag(CCmdUI& ui, CRenderingOptions* options, bool (CRenderingOptions::*get)() const)
{
    if (options)
        ui.SetCheck((options->*get)() ? 1 : 0);
}

CRenderingOptions* CurrentModelOptions()
{
    auto* model = dynamic_cast<CZephyronModel*>(GetCurrentModel());
    return model ? model->GetOptions() : nullptr;
}

void ToggleFlag(CRenderingOptions* options, bool (CRenderingOptions::*get)() const,
                void (CRenderingOptions::*set)(bool))
{
    if (!options)
        return;
    (options->*set)(!(options->*get)());
    UpdateActiveDocumentViews();
}

}  // namespace

bool CViewerView::OnViewCommand(int id)
{
    const ViewCommandEntry* entry = FindEntry(id);
    if (!entry)
        return false;
    (this->*entry->run)();
    return true;
}

bool CViewerView::OnUpdateViewCommand(CCmdUI& ui)
{
    const ViewCommandEntry* entry = FindEntry(static_cast<int>(ui.m_nID));
    if (!entry)
        return false;
    if (entry->update)
        (this->*entry->update)(ui);
    return true;
}

void CViewerView::OnViewTop()
{
    ViewTop();
}
void CViewerView::OnViewBottom()
{
    ViewBottom();
}
void CViewerView::OnViewFront()
{
    ViewFront();
}
void CViewerView::OnViewBack()
{
    ViewBack();
}
void CViewerView::OnViewLeft()
{
    ViewLeft();
}
void CViewerView::OnViewRight()
{
    ViewRight();
}
void CViewerView::OnViewIso()
{
    ViewIso();
}

void CViewerView::OnOrbit()
{
    SelectOrbitTool();
}
void CViewerView::OnPan()
{
    SelectPanTool();
}
void CViewerView::OnZoom()
{
    SelectZoomTool();
}
void CViewerView::OnFieldOfView()
{
    SelectFieldOfViewTool();
}
void CViewerView::OnZoomWindow()
{
    SelectZoomWindowTool();
}
void CViewerView::OnUpdateOrbit(CCmdUI& ui)
{
    CheckTool(ui, GetToolManager(), CCameraOrbitTool::kToolId);
}
void CViewerView::OnUpdatePan(CCmdUI& ui)
{
    CheckTool(ui, GetToolManager(), CCameraDollyTool::kToolId);
}
void CViewerView::OnUpdateZoom(CCmdUI& ui)
{
    CheckTool(ui, GetToolManager(), CCameraZoomTool::kToolId);
}
void CViewerView::OnUpdateZoomWindow(CCmdUI& ui)
{
    CheckTool(ui, GetToolManager(), CCameraZoomWindowTool::kToolId);
}
void CViewerView::OnUpdateFieldOfView(CCmdUI& ui)
{
    ui.Enable(IsPerspective());
    CheckTool(ui, GetToolManager(), CCameraFOVTool::kToolId);
}

void CViewerView::OnWireframe()
{
    SetRenderMode(kWireframeMode);
}
void CViewerView::OnHiddenLine()
{
    SetRenderMode(kHiddenLineMode);
}
void CViewerView::OnShaded()
{
    SetRenderMode(kShadedMode);
    CRenderingOptions* options = GetRenderingOptions();
    if (options && options->GetTexturesShown()) {
        options->SetTexturesShown(false);
        Invalidate(false);
    }
}
void CViewerView::OnShadedWithTextures()
{
    SetRenderMode(kShadedMode);
    CRenderingOptions* options = GetRenderingOptions();
    if (options && !options->GetTexturesShown()) {
        options->SetTexturesShown(true);
        Invalidate(false);
    }
}
void CViewerView::OnMonochrome()
{
    SetRenderMode(kMonochromeMode);
}
void CViewerView::OnUpdateWireframe(CCmdUI& ui)
{
    if (CRenderingOptions* options = GetRenderingOptions())
        ui.SetCheck(options->GetRenderingMode() == kWireframeMode);
}
void CViewerView::OnUpdateHiddenLine(CCmdUI& ui)
{
    if (CRenderingOptions* options = GetRenderingOptions())
        ui.SetCheck(options->GetRenderingMode() == kHiddenLineMode);
}
void CViewerView::OnUpdateShaded(CCmdUI& ui)
{
    if (CRenderingOptions* options = GetRenderingOptions())
        ui.SetCheck(options->GetRenderingMode() == kShadedMode && !options->GetTexturesShown());
}
void CViewerView::OnUpdateShadedWithTextures(CCmdUI& ui)
{
    if (CRenderingOptions* options = GetRenderingOptions()) {
        const int mode = options->GetRenderingMode();
        ui.SetCheck((mode == kShadedMode || mode == kShadedTexturedMode) && options->GetTexturesShown());
    }
}
void CViewerView::OnUpdateMonochrome(CCmdUI& ui)
{
    if (CRenderingOptions* options = GetRenderingOptions())
        ui.SetCheck(options->GetRenderingMode() == kMonochromeMode);
}

void CViewerView::OnEdges()
{
    CRenderingOptions* options = GetRenderingOptions();
    if (!options)
        return;
    options->SetEdgeDisplay(options->GetEdgeDisplay() == 0 ? 1 : 0);
    UpdateActiveDocumentViews();
}
void CViewerView::OnProfileEdges()
{
    ToggleFlag(GetRenderingOptions(), &CRenderingOptions::GetProfiles, &CRenderingOptions::SetProfiles);
}
void CViewerView::OnExtendedEdges()
{
    ToggleFlag(GetRenderingOptions(), &CRenderingOptions::GetExtension, &CRenderingOptions::SetExtension);
}
void CViewerView::OnJitterEdges()
{
    ToggleFlag(GetRenderingOptions(), &CRenderingOptions::GetJitter, &CRenderingOptions::SetJitter);
}
void CViewerView::OnDepthCue()
{
    ToggleFlag(GetRenderingOptions(), &CRenderingOptions::GetDepthCue, &CRenderingOptions::SetDepthCue);
}
void CViewerView::OnEndpoints()
{
    ToggleFlag(GetRenderingOptions(), &CRenderingOptions::GetEndpoints, &CRenderingOptions::SetEndpoints);
}
void CViewerView::OnUpdateEdges(CCmdUI& ui)
{
    if (CRenderingOptions* options = GetRenderingOptions())
        ui.SetCheck(options->GetEdgeDisplay() == 1);
}
void CViewerView::OnUpdateProfileEdges(CCmdUI& ui)
{
    CheckFlag(ui, GetRenderingOptions(), &CRenderingOptions::GetProfiles);
}
void CViewerView::OnUpdateExtendedEdges(CCmdUI& ui)
{
    CheckFlag(ui, GetRenderingOptions(), &CRenderingOptions::GetExtension);
}
void CViewerView::OnUpdateJitterEdges(CCmdUI& ui)
{
    CheckFlag(ui, GetRenderingOptions(), &CRenderingOptions::GetJitter);
}
void CViewerView::OnUpdateDepthCue(CCmdUI& ui)
{
    CheckFlag(ui, GetRenderingOptions(), &CRenderingOptions::GetDepthCue);
}
void CViewerView::OnUpdateEndpoints(CCmdUI& ui)
{
    CheckFlag(ui, GetRenderingOptions(), &CRenderingOptions::GetEndpoints);
}

void CViewerView::OnHiddenGeometry()
{
    CRenderingOptions* options = GetRenderingOptions();
    if (!options)
        return;
    options->SetShowHiddenGeometry(!options->IsHiddenGeometryShown());
    Invalidate(false);
}
void CViewerView::OnGuides()
{
    CRenderingOptions* options = GetRenderingOptions();
    if (!options)
        return;
    // The stored flag hides the guides: clear means shown.
    options->SetDisplayGuides(!options->AreGuidesHidden());
    Invalidate(false);
}
void CViewerView::OnSectionPlanes()
{
    if (auto* document = dynamic_cast<CBaseDoc*>(GetDocument()))
        document->ToggleSectionPlanes();
}
void CViewerView::OnSectionCuts()
{
    if (auto* document = dynamic_cast<CBaseDoc*>(GetDocument()))
        document->ToggleSectionCuts();
}
void CViewerView::OnAxes()
{
    ToggleFlag(GetRenderingOptions(), &CRenderingOptions::GetAxesShown, &CRenderingOptions::SetAxesShown);
}
void CViewerView::OnShadows()
{
    CShadowInfo* shadows = GetShadowInfo();
    if (!shadows)
        return;
    shadows->SetShadowsShown(!shadows->GetShadowsShown());
    Invalidate(false);
}
void CViewerView::OnTransparentMaterials()
{
    CRenderingOptions* options = GetRenderingOptions();
    if (!options)
        return;
    options->SetTransparencyEnabled(!options->GetTransparencyEnabled());
    Invalidate(false);
}
void CViewerView::OnFog()
{
    CRenderingOptions* options = CurrentModelOptions();
    if (!options)
        return;
    const bool on = !options->GetFogShown();
    // Fog without distances would draw nothing: it starts with the current view's depth range.
    if (on && options->GetFogStart() == -1.0 && options->GetFogEnd() == -1.0) {
        double start = kDefaultFogStart, end = kDefaultFogEnd;
        if (IZphView* current = GetCurrentZphView()) {
            start = current->GetViewDefinition()->GetNear();
            end = current->GetViewDefinition()->GetFar();
        }
        options->SetFogStart(start);
        options->SetFogEnd(end);
    }
    options->SetDisplayFog(on);
    UpdateActiveDocumentViews();
    Invalidate(false);
}
void CViewerView::OnUpdateFog(CCmdUI& ui)
{
    CheckFlag(ui, CurrentModelOptions(), &CRenderingOptions::GetFogShown);
}
void CViewerView::OnUpdateHiddenGeometry(CCmdUI& ui)
{
    CheckFlag(ui, GetRenderingOptions(), &CRenderingOptions::IsHiddenGeometryShown);
}
// X-ray and back edges exclude each other; the helper switches the other one off.
void CViewerView::OnXRay()
{
    CStyleEditorHelper styles;
    styles.SetXRay(!styles.GetXRay());
    Invalidate(false);
}
void CViewerView::OnBackEdges()
{
    CStyleEditorHelper styles;
    styles.SetBackEdges(!styles.GetBackEdges());
    UpdateActiveDocumentViews();
}
void CViewerView::OnUpdateXRay(CCmdUI& ui)
{
    const CRenderingOptions* options = GetRenderingOptions();
    const bool faces = options && options->GetRenderingMode() != kWireframeMode;
    ui.Enable(faces);
    ui.SetCheck(faces && CStyleEditorHelper().GetXRay());
}
void CViewerView::OnUpdateBackEdges(CCmdUI& ui)
{
    const CRenderingOptions* options = GetRenderingOptions();
    const bool enabled = options && options->DrawsPlainEdgesWithFaces() && options->GetEdgeDisplay() != 0;
    ui.Enable(enabled);
    ui.SetCheck(enabled && CStyleEditorHelper().GetBackEdges());
}
void CViewerView::OnUpdateGuides(CCmdUI& ui)
{
    if (CRenderingOptions* options = GetRenderingOptions())
        ui.SetCheck(!options->AreGuidesHidden());
}
void CViewerView::OnUpdateSectionPlanes(CCmdUI& ui)
{
    if (CRenderingOptions* options = GetRenderingOptions())
        ui.SetCheck((options->GetSectionDisplay() & CRenderingOptions::kSectionPlanesShown) != 0);
}
void CViewerView::OnUpdateSectionCuts(CCmdUI& ui)
{
    if (CRenderingOptions* options = GetRenderingOptions())
        ui.SetCheck((options->GetSectionDisplay() & CRenderingOptions::kSectionCutsShown) != 0);
}
void CViewerView::OnUpdateAxes(CCmdUI& ui)
{
    CheckFlag(ui, GetRenderingOptions(), &CRenderingOptions::GetAxesShown);
}
void CViewerView::OnUpdateShadows(CCmdUI& ui)
{
    if (CShadowInfo* shadows = GetShadowInfo())
        ui.SetCheck(shadows->GetShadowsShown());
}
void CViewerView::OnUpdateTransparentMaterials(CCmdUI& ui)
{
    CheckFlag(ui, GetRenderingOptions(), &CRenderingOptions::GetTransparencyEnabled);
}

// Both projection commands toggle, except that they leave the planar 2D view for their own
// projection. The projection is kept with the model, so the document counts as changed.
void CViewerView::OnPerspective()
{
    ToggleProjection(true);
    if (CDocument* document = GetDocument())
        document->SetModifiedFlag();
}
void CViewerView::OnParallelProjection()
{
    ToggleProjection(false);
    if (CDocument* document = GetDocument())
        document->SetModifiedFlag();
}
void CViewerView::OnUpdatePerspective(CCmdUI& ui)
{
    ui.SetCheck(IsPerspective() && !IsTwoPointPerspective());
}
void CViewerView::OnUpdateParallelProjection(CCmdUI& ui)
{
    ui.SetCheck(!IsPerspective());
}

void CViewerView::On2DView()
{
    ToggleTwoPointPerspective();
}
void CViewerView::OnUpdate2DView(CCmdUI& ui)
{
    ui.Enable(CanSetTwoPointPerspective());
    ui.SetCheck(IsTwoPointPerspective());
}
void CViewerView::BringUpPanTool()
{
    CToolManager* manager = GetToolManager();
    if (!manager)
        return;
    const int pan = CCameraDollyTool::kToolId;
    if (CToolManager::IsToolActive(manager, pan))
        manager->CancelActiveTool(kCancelKeepingTool, this);
    else if (manager->HasToolOnStack(pan))
        manager->PopToTool(pan);
    else
        manager->ResetTools(new CCameraDollyTool(), pan);
}

void CViewerView::OnZoomExtents()
{
    if (GetModel())
        ZoomExtents(nullptr);
}
void CViewerView::OnZoomToPhoto()
{
    MatchPhotoCamera(false);
}
void CViewerView::OnUpdateZoomToPhoto(CCmdUI& ui)
{
    CZephyronModel* model = GetModel();
    // A photo model whose camera has no 2D pan and zoom is not matched to its photo either.
    const bool matched = GetViewDefinition()->GetCamera().Is2DPanZoomEnabled() && !IsPhotoViewChanged(false);
    ui.Enable(model && model->GetBackgroundImage() && !matched);
}

void CViewerView::OnPreviousView()
{
    PreviousView();
    Invalidate(false);
}
void CViewerView::OnNextView()
{
    NextView();
    Invalidate(false);
}
void CViewerView::OnUpdatePreviousView(CCmdUI& ui)
{
    ui.Enable(CanGoPrevious());
}
void CViewerView::OnUpdateNextView(CCmdUI& ui)
{
    ui.Enable(CanGoNext());
}

void CViewerView::OnExitCamera()
{
    CToolManager* manager = GetToolManager();
    if (manager && dynamic_cast<CCameraTool*>(manager->GetActiveTool()))
        manager->PopTool();
}
