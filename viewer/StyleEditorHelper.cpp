#include "viewer/StyleEditorHelper.h"

#include "database/CurrentModel.h"
#include "model/ZephyronModel.h"
#include "settings/RenderingOptions.h"
#include "viewer/ViewerApp.h"

CRenderingOptions* CStyleEditorHelper::CurrentOptions()
{
    auto* model = dynamic_cast<CZephyronModel*>(GetCurrentModel());
    return model ? model->GetOptions() : nullptr;
}

bool CStyleEditorHelper::GetXRay() const
{
    const CRenderingOptions* options = CurrentOptions();
    return options && options->GetXRay();
}

bool CStyleEditorHelper::GetBackEdges() const
{
    const CRenderingOptions* options = CurrentOptions();
    return options && options->GetBackEdges();
}

bool CStyleEditorHelper::HasFaces() const
{
    const CRenderingOptions* options = CurrentOptions();
    return !options || options->GetRenderingMode() != CRenderingOptions::kWireframe;
}

void CStyleEditorHelper::SetXRay(bool on)
{
    CRenderingOptions* options = CurrentOptions();
    if (!options)
        return;
    options->SetXRay(on);
    if (on && options->GetBackEdges())
        options->SetBackEdges(false);
    UpdateActiveDocumentViews();
}

void CStyleEditorHelper::SetBackEdges(bool on)
{
    CRenderingOptions* options = CurrentOptions();
    if (!options)
        return;
    options->SetBackEdges(on);
    if (on && options->GetXRay())
        options->SetXRay(false);
    UpdateActiveDocumentViews();
}
