#include "view/ViewCenterFinder.h"

#include <memory>

#include "components/Component.h"
#include "components/Text.h"
#include "database/DrawingElement.h"
#include "database/EntityContainer.h"
#include "model/ZephyronModel.h"
#include "settings/Camera.h"
#include "settings/RenderingOptions.h"
#include "settings/ViewDefinition.h"
#include "view/ZphView.h"

using orbisk::geometry::CPoint3d;
using orbisk::geometry::CVector3d;

namespace {

// Texts pinned to the window rather than placed in the model.
bool IsScreenText(const CEntity* entity)
{
    const auto* text = dynamic_cast<const CText*>(entity);
    return text && text->GetLeaderType() == CText::kScreenText;
}

}  // namespace

CViewCenterFinder::CViewCenterFinder(CZphView* view) : m_zphView(view)
{
    if (!view)
        return;
    const CViewDefinition& definition = *view->GetViewDefinition();
    int x = 0, y = 0, width = 0, height = 0;
    definition.GetViewport(x, y, width, height);
    const int cornerA[2] = {x, y};
    const int cornerB[2] = {x + width, y + height};
    // The window pick's ray runs through the mean of the corners: the viewport's centre.
    SetupWindow(view, cornerA, cornerB, kWindowPick);
    m_eye = definition.GetCamera().GetEye();
}

int CViewCenterFinder::PickPoint(const CPoint3d& local)
{
    const CPoint3d point = HasElements() ? GetTransform().MultiplyPoint(local) : local;
    CPoint3d window;
    if (!m_zphView->GetViewDefinition()->ModelToScreen(point, window))
        return 0;
    double x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    GetWindow(x0, x1, y0, y1);
    if (window.z < 0.0 || window.z > 1.0 || window.x < x0 || window.x > x1 || window.y < y0 || window.y > y1)
        return 0;
    const double depth = (point - m_eye).Dot(GetPickRay().direction);
    if (depth < m_depthLimit) {
        m_sum += depth;
        ++m_count;
    }
    m_bounds.Add(point);
    return 1;
}

int CViewCenterFinder::PickSegment(const CPoint3d& start, const CPoint3d& end)
{
    const int answer = PickPoint(start);
    return answer == 1 ? PickPoint(end) : answer;
}

void CViewCenterFinder::CenterWalk()
{
    m_sum = 0.0;
    m_count = 0;
    m_bounds.SetEmpty();
    CZephyronModel* model = m_zphView ? m_zphView->GetModel() : nullptr;
    if (!model || !model->GetRoot())
        return;
    m_zphView->PushDrawModeForModel(model);
    model->PushActivePathSectionPlanes(this, false, true);
    std::unique_ptr<IEntityIterator> entities(model->GetRoot()->CreateIterator());
    CEntity* entity = nullptr;
    while (entities->Next(entity)) {
        auto* element = dynamic_cast<CDrawingElement*>(entity);
        if (!element || IsScreenText(element) || !element->IsVisible(m_zphView))
            continue;
        element->PickInside(this);
    }
    model->PopActivePathSectionPlanes(this, false, true);
    m_zphView->PopDrawMode();
    if (m_count > 0)
        m_sum /= m_count;
}

CPoint3d CViewCenterFinder::GetViewCenter()
{
    m_depthLimit = std::numeric_limits<double>::infinity();
    CenterWalk();
    if (m_count > 0)
        return m_bounds.GetCenter();
    CZephyronModel* model = m_zphView ? m_zphView->GetModel() : nullptr;
    return model && model->GetRoot() ? model->GetRoot()->GetBoundsCenter() : CPoint3d();
}

CPoint3d CViewCenterFinder::GetOrbitCenter(const int pixel[2])
{
    if (!m_zphView)
        return CPoint3d();
    const CViewDefinition& definition = *m_zphView->GetViewDefinition();
    const CCamera& camera = definition.GetCamera();
    // The point pick's aperture replaces this finder's viewport volume.
    m_zphView->ClearGeometryFilters();
    auto pick = std::make_unique<CPickHelper>(m_zphView, pixel, 0);
    CPoint3d point;
    bool found = pick->GetNearestPickPoint(point);
    if (!found) {
        // Over empty sky: try the middle of the view. The old pick goes first, since its end
        // clears the view's filters.
        pick.reset();
        const CViewDefinition::Pixel centre = definition.GetViewportCenter();
        const int centrePixel[2] = {centre.x, centre.y};
        pick = std::make_unique<CPickHelper>(m_zphView, centrePixel, 0);
        found = pick->GetNearestPickPoint(point);
    }
    m_depthLimit = std::numeric_limits<double>::infinity();
    bool limited = false;
    if (found) {
        const double depth = (point - camera.GetEye()).Dot(CVector3d(camera.GetDirection()));
        if (depth > definition.GetNear()) {
            m_depthLimit = 2 * depth;
            limited = true;
        }
    }
    // Only geometry near the pick ray passes the aperture volume and adds its depth.
    CenterWalk();
    pick.reset();
    if (m_count > 0)
        return m_eye + m_sum * CVector3d(GetPickRay().direction);
    return limited ? point : camera.GetTarget();
}
