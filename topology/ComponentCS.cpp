#include "topology/ComponentCS.h"

#include "database/IModelView.h"
#include "settings/Camera.h"
#include "settings/ViewDefinition.h"

CComponentCS::CComponentCS(int32_t size, bool cross, bool depthTest, bool ribbons, double ribbonRatio)
    : m_display(size, cross, depthTest, ribbons, ribbonRatio)
{}

CComponentCS::CComponentCS() : m_display(0, false, true, false, CComponentAxes::kDefaultRibbonRatio) {}

void CComponentCS::Draw(IModelView* view)
{
    if (!view)
        return;
    const CViewDefinition* definition = view->GetViewDefinition();
    const bool perspective = definition && definition->GetCamera().IsPerspective();
    m_display.Draw(*view, GetTransform(), perspective);
}
