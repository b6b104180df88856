#include "view/ViewExtentsFinder.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "components/Component.h"
#include "database/DrawingElement.h"
#include "database/EntityContainer.h"
#include "database/EntityTypes.h"
#include "geometry/GeomFilterVolume.h"
#include "geometry/Tolerance.h"
#include "model/ZephyronModel.h"
#include "settings/Camera.h"
#include "settings/RenderingOptions.h"
#include "settings/ViewDefinition.h"
#include "topology/SectionPlane.h"
#include "topology/ZphCS.h"
#include "view/ZphView.h"

using orbisk::geometry::CBoundingBox2d;
using orbisk::geometry::CGeomFilterInsideVolume;
using orbisk::geometry::CPlane3d;
using orbisk::geometry::CPoint2d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CRay3d;
using orbisk::geometry::CUnitVector3d;
using orbisk::geometry::CVector3d;
using orbisk::geometry::VolumePlanes;

namespace {

constexpr double kTolerance = 0.001;
constexpr double kPi = 3.14159265358979323846;
// The fitted picture leaves this share of the view free around the geometry.
constexpr double kFillRatio = 0.95;
// How far the eye backs off when the geometry would come closer to it than one unit.
constexpr double kEyeBackOff = 1.05263;

bool IsAnnotation(int type)
{
    return type == kEntityDimension || type == kEntityDimensionLinear || type == kEntityDimensionRadial ||
           type == kEntityText;
}

}  // namespace

CViewExtentsFinder::CViewExtentsFinder(CZphView* view) : m_zphView(view)
{
    std::fill(std::begin(m_largest), std::end(m_largest), -std::numeric_limits<double>::infinity());
    if (!view)
        return;
    int x = 0, y = 0, width = 0, height = 0;
    view->GetViewDefinition()->GetViewport(x, y, width, height);
    const int cornerA[2] = {x, y};
    const int cornerB[2] = {x + width, y + height};
    SetupWindow(view, cornerA, cornerB, kWindowPick);
    SetPickMode(kExtentsWalk);
    // Each pass installs its own volume.
    view->ClearGeometryFilters();
}

void CViewExtentsFinder::BuildPlanes()
{
    const CViewDefinition& definition = *m_zphView->GetViewDefinition();
    const CCamera& camera = definition.GetCamera();
    int x = 0, y = 0, width = 0, height = 0;
    definition.GetViewport(x, y, width, height);
    CViewDefinition::FrustumPlanes sides;
    // Window pixels are counted from the viewport's own corner.
    definition.GetSelectionFrustum(0, width, 0, height, sides);
    for (int i = kLeft; i <= kTop; ++i)
        m_planes[i] = sides[i];
    const CUnitVector3d direction = camera.GetDirection();
    const CPoint3d& eye = camera.GetEye();
    m_planes[kNear] = CPlane3d(eye + definition.GetNear() * CVector3d(direction), -direction);
    m_planes[kFar] = CPlane3d(eye + definition.GetFar() * CVector3d(direction), direction);
}

int CViewExtentsFinder::PickPoint(const CPoint3d& local)
{
    const CPoint3d point = HasElements() ? GetTransform().MultiplyPoint(local) : local;
    if (m_2DMode) {
        const CPoint3d inCamera = m_viewTransform.MultiplyPoint(point);
        double px = inCamera.x, py = inCamera.y;
        if (m_projectionDistance > 0.0) {
            // Behind the near plane nothing reaches the picture.
            if (inCamera.z > -m_projectionDistance)
                return 0;
            px *= m_projectionDistance / -inCamera.z;
            py *= m_projectionDistance / -inCamera.z;
        }
        if (m_box2D)
            m_box2D->Add(CPoint2d(px, py));
        return 1;
    }
    for (int i = 0; i < kSideCount; ++i) {
        const double value = m_planes[i].SignedDistance(point);
        if (value > m_largest[i]) {
            m_largest[i] = value;
            m_extremePoints[i] = point;
        }
    }
    m_bounds.Add(point);
    ++m_count;
    return 1;
}

int CViewExtentsFinder::PickSegment(const CPoint3d& start, const CPoint3d& end)
{
    PickPoint(start);
    PickPoint(end);
    return 1;
}

bool CViewExtentsFinder::Walk(IEntityIterator* entities, bool& walked)
{
    CZephyronModel* model = m_zphView->GetModel();
    std::unique_ptr<IEntityIterator> own;
    if (!entities) {
        if (!model || !model->GetRoot())
            return false;
        own.reset(model->GetRoot()->CreateIterator());
        entities = own.get();
    }
    if (model)
        m_zphView->PushDrawModeForModel(model);
    else
        m_zphView->PushDrawMode(0);
    CSectionPlane* clip = nullptr;
    if (model && model->GetRoot())
        clip = dynamic_cast<CSectionPlane*>(
            model->GetRoot()->GetActiveSectionPlane(m_zphView->GetRenderingOptions()));
    if (clip)
        PushSectionPlane(clip, false);

    bool annotated = false;
    entities->Reset();
    CEntity* entity = nullptr;
    while (entities->Next(entity)) {
        auto* element = dynamic_cast<CDrawingElement*>(entity);
        if (!element || !element->IsVisible(m_zphView))
            continue;
        walked = true;
        element->PickInside(this);
        annotated = annotated || IsAnnotation(element->GetEntityType());
    }

    if (clip)
        PopSectionPlane(false);
    m_zphView->PopDrawMode();
    return annotated;
}

bool CViewExtentsFinder::CollectPass(IEntityIterator* entities)
{
    m_count = 0;
    m_bounds.SetEmpty();
    std::fill(std::begin(m_largest), std::end(m_largest), -std::numeric_limits<double>::infinity());
    BuildPlanes();
    VolumePlanes volume;
    std::copy(std::begin(m_planes), std::end(m_planes), volume.begin());
    m_zphView->PushGeometryFilter(new CGeomFilterInsideVolume(volume));
    bool walked = false;
    const bool annotated = Walk(entities, walked);
    m_zphView->PopGeometryFilter();
    return annotated;
}

void CViewExtentsFinder::ZoomExtents(IEntityIterator* entities)
{
    if (!m_zphView)
        return;
    m_2DMode = false;
    // Dimensions and texts change size with the camera: their extents are measured again
    // after each fit, up to four times.
    for (int pass = 0; pass < 4; ++pass) {
        const bool annotated = CollectPass(entities);
        if (m_count == 0) {
            MoveTargetToOrigin();
            return;
        }
        if (m_zphView->IsPerspective())
            FitPerspective();
        else
            FitParallel();
        if (!annotated)
            break;
    }
    m_zphView->Invalidate(false);
}

void CViewExtentsFinder::MoveTargetToOrigin()
{
    CViewDefinition& definition = *m_zphView->GetViewDefinition();
    const CCamera& camera = definition.GetCamera();
    CPoint3d origin;
    CZephyronModel* model = m_zphView->GetModel();
    const CRenderingOptions* options = m_zphView->GetRenderingOptions();
    if (model && model->GetDrawingAxes() && options && options->GetAxesShown())
        origin = model->GetDrawingAxes()->GetOrigin();
    if (camera.GetTarget().DistanceTo(origin) < kTolerance)
        return;
    const CVector3d offset = camera.GetEye() - camera.GetTarget();
    definition.SetCameraPosition(origin + offset, origin, camera.GetUp());
    m_zphView->Invalidate(false);
}

void CViewExtentsFinder::FitPerspective()
{
    CViewDefinition& definition = *m_zphView->GetViewDefinition();
    const CCamera& camera = definition.GetCamera();
    const CVector3d direction(camera.GetDirection());

    CPlane3d touching[4];
    for (int i = kLeft; i <= kTop; ++i) {
        touching[i] = m_planes[i];
        touching[i].Offset(m_largest[i]);
    }
    CRay3d lineA, lineB;
    if (!touching[kLeft].IntersectPlane(touching[kRight], lineA) ||
        !touching[kBottom].IntersectPlane(touching[kTop], lineB))
        return;
    CPoint3d a, b;
    if (!lineA.ClosestPoints(lineB, a, b))
        return;

    CPoint3d eye;
    CPoint3d chosen;
    auto nearer = [&eye](const CPoint3d& p, const CPoint3d& q) {
        return eye.DistanceTo(p) <= eye.DistanceTo(q) ? p : q;
    };
    if ((b - a).Dot(direction) >= 0.0) {
        eye = a;
        chosen = nearer(m_extremePoints[kLeft], m_extremePoints[kRight]);
    } else {
        eye = b;
        chosen = nearer(m_extremePoints[kBottom], m_extremePoints[kTop]);
    }
    if ((chosen - eye).Dot(direction) <= 1.0)
        eye = eye - kEyeBackOff * direction;

    const CRay3d viewLine(eye, CUnitVector3d(direction));
    CPoint3d target = viewLine.ProjectPoint(m_bounds.GetCenter());
    if ((target - eye).Dot(direction) <= 0.0)
        target = eye + camera.GetTargetDistance() * direction;

    const CPoint3d projection = viewLine.ProjectPoint(chosen);
    if ((eye - projection).Dot(direction) < 0.0)
        eye = projection + (eye - projection) / kFillRatio;
    definition.SetCameraPosition(eye, target, camera.GetUp());
}

void CViewExtentsFinder::FitParallel()
{
    CViewDefinition& definition = *m_zphView->GetViewDefinition();
    const CCamera& camera = definition.GetCamera();
    const CUnitVector3d& right = definition.GetRight();
    const CUnitVector3d& up = definition.GetUp();
    const CUnitVector3d direction = camera.GetDirection();
    int x = 0, y = 0, width = 0, height = 0;
    definition.GetViewport(x, y, width, height);

    const double w = std::abs((m_extremePoints[kRight] - m_extremePoints[kLeft]).Dot(right));
    double h = std::abs((m_extremePoints[kTop] - m_extremePoints[kBottom]).Dot(up));
    if (w > 1e-6 && width > 0 && h / w < static_cast<double>(height) / width)
        h = w * height / width;
    const double viewHeight = h / kFillRatio;

    const CPlane3d across(Midpoint(m_extremePoints[kLeft], m_extremePoints[kRight]), right);
    const CPlane3d upward(Midpoint(m_extremePoints[kBottom], m_extremePoints[kTop]), up);
    CRay3d viewLine;
    if (!across.IntersectPlane(upward, viewLine))
        return;
    // Measured along the view direction whichever way the intersection runs.
    viewLine.direction = direction;
    const CPoint3d target = viewLine.ProjectPoint(Midpoint(m_extremePoints[kNear], m_extremePoints[kFar]));
    const CPoint3d nearest = viewLine.ProjectPoint(m_extremePoints[kNear]);

    double t = std::tan(camera.GetFieldOfView(definition.GetAspect()) * kPi / 360.0);
    if (std::abs(t) < kTolerance)
        t = viewHeight / 2;
    const double back = std::max(definition.GetNear() + 1.0, (viewHeight / 2) / t);
    const CPoint3d eye = nearest - back * CVector3d(direction);
    definition.SetCameraPosition(eye, target, camera.GetUp());
    definition.SetParallelHeight(viewHeight);
}

bool CViewExtentsFinder::GetScreenExtents(CBoundingBox2d& box, IEntityIterator* entities)
{
    box.SetEmpty();
    if (!m_zphView)
        return false;
    const CViewDefinition& definition = *m_zphView->GetViewDefinition();
    const CCamera& camera = definition.GetCamera();
    camera.GetViewTransform(m_viewTransform, true);
    m_projectionDistance = camera.IsPerspective() ? definition.GetNear() : 0.0;
    m_2DMode = true;
    m_box2D = &box;
    m_zphView->PushDrawMode(0);
    bool walked = false;
    Walk(entities, walked);
    m_zphView->PopDrawMode();
    m_box2D = nullptr;
    m_2DMode = false;
    return walked;
}
