#include "settings/DisplayOverride.h"

#include "database/IModelContext.h"
#include "database/IZphView.h"
#include "database/SelectionSet.h"
#include "database/UndoManager.h"
#include "settings/RenderingOptions.h"
#include "settings/SceneModel.h"
#include "settings/ShadowInfo.h"
#include "support/NotificationCenter.h"

using orbisk::utils::CColor;

namespace {

const CColor kWhite(255, 255, 255, 255);
const CColor kBlack(0, 0, 0, 255);

}  // namespace

CDisplayOverride::CDisplayOverride(IZphView* view, int flags)
{
    if (view)
        Apply(view, flags);
}

CDisplayOverride::~CDisplayOverride()
{
    Restore();
}

void CDisplayOverride::Apply(IZphView* view, int flags)
{
    // Applying over an active override would save the overridden settings as the user's and
    // lose the real ones for good.
    Restore();

    IModelContext* viewModel = view ? view->GetModelContext() : nullptr;
    auto* scenes = dynamic_cast<ISceneModel*>(viewModel);
    CRenderingOptions* options = scenes ? scenes->GetModelOptions() : nullptr;
    if (!options)
        return;

    host = view;
    model = viewModel;
    CSuspendUndo suspendUndo;
    orbisk::utils::CNotificationSuspender suspendNotifications;

    CShadowInfo* shadows = scenes->GetShadowInfo();
    if (shadows) {
        savedNorthShown = shadows->GetNorthShown();
        shadows->SetNorthShown(false);
    }

    savedOptions = std::make_unique<CRenderingOptions>();
    savedOptions->Assign(*options);

    options->SetShowViewName(false);
    if (options->GetComponentAxesShown())
        options->HideComponentAxes();
    if (!(flags & kKeepAxes))
        options->SetAxesShown(false);
    options->SetShowToolOverlay(false);
    options->SetShowEditingContext(false);
    viewModel->GetSelection().MarkSelected(false);

    if (flags & kShowAxes)
        options->SetAxesShown(true);
    if (flags & kPlainDrawing) {
        options->SetEdgeKind(0);
        options->SetJitter(false);
        options->SetProfiles(false);
        options->SetExtension(false);
        options->SetDepthCue(false);
        options->SetEndpoints(false);
        options->SetEdgePresetEffect(false);
        options->SetDrawSky(false);
        options->SetDrawGround(false);
        options->SetBackgroundColor(kWhite);
        options->SetEdgeColor(kBlack);
        options->SetDisplayWatermarks(false);
    }

    if (shadows) {
        savedShadowsShown = shadows->AreShadowsShown();
        if (flags & kHideShadows)
            shadows->SetShadowsShownSilently(false);
    }
    if (flags & kHideTextAndDimensions) {
        options->SetTextShown(false);
        options->SetDimensionsShown(false);
    }
    if ((flags & kWhiteBackground) && options->GetBackgroundColor() != kWhite) {
        options->SetBackgroundColor(kWhite);
        options->SetEdgeColor(kBlack);
    }
    if (flags & kHideWatermarks)
        options->SetDisplayWatermarks(false);
    if (flags & kHideCameraBars)
        options->SetHideCameraBars(true);
}

void CDisplayOverride::Restore()
{
    if (!host)
        return;
    IZphView* view = host;
    IModelContext* overridden = model;
    std::unique_ptr<CRenderingOptions> saved = std::move(savedOptions);
    host = nullptr;
    model = nullptr;

    {
        CSuspendUndo suspendUndo;
        // When the host has changed models meanwhile, the overridden one is gone or no longer
        // shown, and the saved settings must not overwrite the new model's own.
        auto* scenes = dynamic_cast<ISceneModel*>(overridden);
        if (view->GetModelContext() == overridden && scenes) {
            if (CShadowInfo* shadows = scenes->GetShadowInfo()) {
                shadows->SetNorthShown(savedNorthShown);
                shadows->SetShadowsShownSilently(savedShadowsShown);
            }
            if (CRenderingOptions* options = scenes->GetModelOptions(); options && saved)
                options->Assign(*saved);
            overridden->GetSelection().MarkSelected(true);
        }
        orbisk::utils::CNotificationCenter::GetInstance().PostNotification(
            kDisplayOverrideRestoreNotification, view);
    }
    savedShadowsShown = true;
    savedNorthShown = false;
}
