// The model view's camera operations: zooming at a pixel or by the wheel, field of view, zoom
// window, zoom extents (of the model or of the selection), perspective and parallel projection,
// the standard and iso views, two-point perspective, matching a background photo, baking the 2D
// pan and zoom into the camera and centring on a pixel.
//
// Operations that change the camera on their own bracket the change for the camera history
// and commit the camera to the model; those that a navigation tool calls step by step leave
// that to the tool.

#include <algorithm>
#include <cmath>
#include <memory>

#include "components/Component.h"
#include "database/UndoManager.h"
#include "geometry/BoundingBox2d.h"
#include "geometry/Transform3d.h"
#include "model/ZephyronModel.h"
#include "settings/BackgroundImage.h"
#include "settings/Camera.h"
#include "settings/RenderingOptions.h"
#include "support/NotificationCenter.h"
#include "view/PickHelper.h"
#include "view/ViewAnalyzer.h"
#include "view/ViewCenterFinder.h"
#include "view/ViewExtentsFinder.h"
#include "view/ZphView.h"

using orbisk::geometry::CBoundingBox2d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CRay3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CUnitVector3d;
using orbisk::geometry::CVector3d;

namespace {

constexpr double kTolerance = 0.001;
constexpr double kPi = 3.14159265358979323846;
constexpr double kMinFieldOfView = 1.0;
constexpr double kMaxFieldOfView = 120.0;
// Zoom extents in the 2D pan and zoom leaves this margin around the geometry.
constexpr double kExtentsMargin = 1.05;

bool g_wheelDirectionPreference = false;
unsigned g_navigationFeatures = 1;

bool SameVector(const CVector3d& a, const CVector3d& b)
{
    return std::abs(a.x - b.x) <= kTolerance && std::abs(a.y - b.y) <= kTolerance &&
           std::abs(a.z - b.z) <= kTolerance;
}

// What zooming to the photo sets: the whole frame (reset), or the photo filling the view.
CBackgroundImage::PanZoom PhotoPanZoom(const CBackgroundImage& photo, double viewAspect, bool reset)
{
    return reset ? CBackgroundImage::PanZoom{} : photo.ComputeMatchedPanZoom(viewAspect);
}

// Sets hideInactive for a moment without posting: the user changed no setting.
void SetHideInactiveQuietly(CRenderingOptions* options, bool hide)
{
    if (!options)
        return;
    orbisk::utils::CNotificationSuspender quiet;
    options->SetHideInactive(hide);
}

}  // namespace

bool IsWheelDirectionPreferenceSet()
{
    return g_wheelDirectionPreference;
}
void SetWheelDirectionPreference(bool on)
{
    g_wheelDirectionPreference = on;
}
unsigned GetNavigationFeatures()
{
    return g_navigationFeatures;
}
void SetNavigationFeatures(unsigned features)
{
    g_navigationFeatures = features;
}

// ----------------------------------------------------------------------------------------------
// What lies under a pixel.

CZphView::CPoint3d& CZphView::GetPickPoint(CPoint3d& out, const int pixel[2])
{
    CPickHelper pick(this, pixel, 0);
    if (pick.GetNearestPickPoint(out))
        return out;
    const CPoint3d centre =
        m_model && m_model->GetRoot() ? m_model->GetRoot()->GetBoundsCenter() : CPoint3d();
    return out = pick.GetPickRay().ProjectPoint(centre);
}

// ----------------------------------------------------------------------------------------------
// Zooming.

bool CZphView::ZoomAt(const int pixel[2], double factor)
{
    double distance = 1.0;
    if (IsPerspective()) {
        const CCamera& camera = m_viewDefinition.GetCamera();
        CPoint3d point;
        GetPickPoint(point, pixel);
        distance = std::max(1.0, (point - camera.GetEye()).Dot(CVector3d(camera.GetDirection())));
    }
    m_viewDefinition.Zoom(distance, factor);
    return true;
}

void CZphView::ZoomAboutPixel(const int pixel[2], double factor)
{
    double distance = 1.0;
    if (IsPerspective()) {
        const CCamera& camera = m_viewDefinition.GetCamera();
        CPoint3d point;
        GetPickPoint(point, pixel);
        distance = std::max(m_viewDefinition.GetNear(),
                            (point - camera.GetEye()).Dot(CVector3d(camera.GetDirection())));
    }
    m_viewDefinition.ZoomAboutPixel(pixel[0], pixel[1], distance, factor);
}

void CZphView::MouseWheelZoom(int, float amount, const int pixel[2])
{
    BeginCameraChange();
    if (!IsWheelDirectionPreferenceSet())
        amount = -amount;
    SetRedrawFeatures(GetNavigationFeatures());
    ZoomAboutPixel(pixel, amount / 10.0);
    Invalidate(false);
    CommitCamera();
    EndCameraChange(8);
}

bool CZphView::ChangeFieldOfView(double factor)
{
    if (!IsPerspective()) {
        m_viewDefinition.Zoom(1.0, factor);
        return true;
    }
    const double old = m_viewDefinition.GetCamera().GetStoredFieldOfView();
    const double angle = std::clamp(old * (factor + 1.0), kMinFieldOfView, kMaxFieldOfView);
    if (std::abs(angle - old) < kTolerance)
        return false;
    m_viewDefinition.SetFieldOfView(angle);
    return true;
}

void CZphView::ZoomWindow(const int corner1[2], const int corner2[2])
{
    const double width = std::abs(corner1[0] - corner2[0]);
    double height = std::abs(corner1[1] - corner2[1]);
    if (width == 0 || height == 0)
        return;
    int x = 0, y = 0, viewportWidth = 0, viewportHeight = 0;
    m_viewDefinition.GetViewport(x, y, viewportWidth, viewportHeight);
    if (viewportWidth <= 0 || viewportHeight <= 0)
        return;
    const int centre[2] = {(corner1[0] + corner2[0]) / 2, (corner1[1] + corner2[1]) / 2};
    const CCamera& camera = m_viewDefinition.GetCamera();

    if (camera.Is2DPanZoomEnabled()) {
        const double widthRatio = width / viewportWidth;
        const double heightRatio = height / viewportHeight;
        m_viewDefinition.Transform2D(centre[0], centre[1],
                                     widthRatio > heightRatio ? widthRatio : heightRatio);
        CommitCamera();
        return;
    }
    // All of the rectangle stays in view: a rectangle wider than the viewport's shape is
    // given the viewport's shape.
    if (static_cast<double>(viewportHeight) / viewportWidth > height / width)
        height = width * viewportHeight / viewportWidth;

    const CPoint3d eye = camera.GetEye();
    const CVector3d toTarget = camera.GetTarget() - eye;
    const CVector3d direction(camera.GetDirection());
    if (IsPerspective()) {
        CViewAnalyzer analyzer(this);
        analyzer.AnalyzeRect(corner1, corner2);
        CPoint3d point = camera.GetTarget();
        if (analyzer.GetCoveredCount() > 0)
            ScreenToModel(CPoint3d(centre[0], centre[1], analyzer.GetAverageDepth()), point);
        const CPoint3d focus = m_viewDefinition.GetPickRay(centre[0], centre[1]).ProjectPoint(point);
        const CPoint3d onTopEdge =
            m_viewDefinition.PickPointOnPlaneThrough(centre[0], centre[1] - height / 2, focus);
        const double halfHeight = focus.DistanceTo(onTopEdge);
        const double halfTangent = m_viewDefinition.GetFovFactor() / 2;
        if (halfTangent <= 0.0)
            return;
        const CPoint3d newEye = focus - (halfHeight / halfTangent) * direction;
        m_viewDefinition.SetCameraPosition(newEye, newEye + toTarget, camera.GetUp());
    } else {
        const CPoint3d newEye = m_viewDefinition.PickPointOnPlaneThrough(centre[0], centre[1], eye);
        const double viewHeight = m_viewDefinition.GetViewHeight() * height / viewportHeight;
        m_viewDefinition.SetCameraPosition(newEye, newEye + toTarget, camera.GetUp());
        m_viewDefinition.SetParallelHeight(viewHeight);
    }
    CommitCamera();
}

void CZphView::ZoomToSelection()
{
    if (!m_model || m_model->GetSelection().IsEmpty())
        return;
    // Selected geometry outside the component being edited counts too, though hidden.
    CRenderingOptions* options = GetRenderingOptions();
    const bool hideInactive = options && options->GetHideInactive();
    SetHideInactiveQuietly(options, false);
    const std::unique_ptr<IEntityIterator> selection(m_model->GetSelection().CreateIterator());
    ZoomExtents(selection.get());
    SetHideInactiveQuietly(options, hideInactive);
}

void CZphView::ZoomExtents(IEntityIterator* entities)
{
    BeginCameraChange();
    const int savedPurpose = m_drawPurpose;
    m_drawPurpose = 4;
    if (m_viewDefinition.GetCamera().Is2DPanZoomEnabled()) {
        CViewExtentsFinder finder(this);
        CBoundingBox2d extent;
        if (finder.GetScreenExtents(extent, entities) && !extent.IsEmpty()) {
            double left = 0, right = 0, bottom = 0, top = 0;
            m_viewDefinition.GetFrustumAtNear(left, right, bottom, top, false);
            const double frustumWidth = right - left, frustumHeight = top - bottom;
            if (frustumWidth > 0.0 && frustumHeight > 0.0) {
                const double extentWidth = std::max(extent.x.GetLength(), 0.0);
                const double extentHeight = std::max(extent.y.GetLength(), 0.0);
                double scale =
                    std::max(extentWidth / frustumWidth, extentHeight / frustumHeight) * kExtentsMargin;
                // A single point has no size to fit: it is centred at the present scale.
                if (scale <= 0.0)
                    scale = m_viewDefinition.GetCamera().Get2DScale();
                m_viewDefinition.Set2DPanZoom(true, scale, (extent.x.min + extent.x.max) / frustumWidth,
                                              (extent.y.min + extent.y.max) / frustumHeight);
            }
        }
    } else {
        CViewExtentsFinder finder(this);
        finder.ZoomExtents(entities);
    }
    m_drawPurpose = savedPurpose;
    CommitCamera();
    EndCameraChange(0);
    Invalidate(false);
}

// ----------------------------------------------------------------------------------------------
// Projection.

void CZphView::SetPerspective(bool on)
{
    const CCamera& camera = m_viewDefinition.GetCamera();
    if (camera.IsPerspective() == on && !camera.Is2DPanZoomEnabled())
        return;
    BeginCameraChange();
    Bake2DPanZoom(-1, -1);
    if (!on && camera.IsPerspective()) {
        // The parallel picture keeps the size the perspective one has at the geometry in view.
        CPoint3d centre;
        {
            CViewCenterFinder finder(this);
            centre = finder.GetViewCenter();
        }
        const double distance = camera.GetEye().DistanceTo(centre);
        if (distance > kTolerance) {
            CCamera moved(camera);
            moved.SetTargetDistance(distance);
            m_viewDefinition.SetCamera(moved);
        }
    }
    m_viewDefinition.SetPerspective(on);
    EndCameraChange(0);
}

void CZphView::ToggleProjection(bool towardsPerspective)
{
    if (IsTwoPointPerspective())
        SetPerspective(towardsPerspective);
    else
        SetPerspective(!IsPerspective());
    CommitCamera();
    Invalidate(false);
}

void CZphView::SetTwoPointPerspective()
{
    if (!CanSetTwoPointPerspective())
        return;
    BeginCameraChange();
    m_viewDefinition.SetPerspective(true);
    const CCamera& camera = m_viewDefinition.GetCamera();
    CVector3d level(camera.GetDirection());
    level.z = 0.0;
    m_viewDefinition.SetCameraDirection(camera.GetEye(), level, camera.GetUp());
    m_viewDefinition.Set2DPanZoom(true, 1.0, 0.0, 0.0);
    CommitCamera();
    EndCameraChange(0);
    Invalidate(false);
}

void CZphView::ToggleTwoPointPerspective()
{
    if (IsTwoPointPerspective()) {
        SetPerspective(true);
        CommitCamera();
        Invalidate(false);
        return;
    }
    SetTwoPointPerspective();
    // Looking straight up or down, or matched to a photo, the view stays as it was.
    if (IsTwoPointPerspective())
        BringUpPanTool();
}

void CZphView::MatchPhotoCamera(bool reset)
{
    CBackgroundImage* photo = m_model ? m_model->GetBackgroundImage() : nullptr;
    if (!photo)
        return;
    BeginCameraChange();
    const CBackgroundImage::PanZoom matched = PhotoPanZoom(*photo, m_viewDefinition.GetAspect(), reset);
    m_viewDefinition.Set2DPanZoom(true, matched.scale, matched.offsetX, matched.offsetY);
    CommitCamera();
    EndCameraChange(0);
    Invalidate(false);
}

bool CZphView::IsPhotoViewChanged(bool reset)
{
    CBackgroundImage* photo = m_model ? m_model->GetBackgroundImage() : nullptr;
    const CCamera& camera = m_viewDefinition.GetCamera();
    if (!photo || !camera.Is2DPanZoomEnabled())
        return false;
    const CBackgroundImage::PanZoom matched = PhotoPanZoom(*photo, m_viewDefinition.GetAspect(), reset);
    return std::abs(camera.Get2DScale() - matched.scale) >= kTolerance ||
           std::abs(camera.Get2DOffsetX() - matched.offsetX) >= kTolerance ||
           std::abs(camera.Get2DOffsetY() - matched.offsetY) >= kTolerance;
}

// ----------------------------------------------------------------------------------------------
// Standard views.

bool CZphView::ShowStandardView(const CVector3d& direction, const CVector3d& up)
{
    const CCamera& camera = m_viewDefinition.GetCamera();
    if (SameVector(CVector3d(camera.GetDirection()), direction) && SameVector(CVector3d(camera.GetUp()), up))
        return true;
    Bake2DPanZoom(-1, -1);
    BeginCameraChange();
    CPoint3d point;
    {
        CViewCenterFinder finder(this);
        point = finder.GetViewCenter();
    }
    const double distance = camera.GetEye().DistanceTo(point);
    const CPoint3d eye = point - distance * CVector3d(CUnitVector3d(direction));
    m_viewDefinition.SetCameraPosition(eye, point, up);
    EndCameraChange(0);
    CommitCamera();
    Invalidate(false);
    return false;
}

void CZphView::ViewTop()
{
    ShowStandardView(CVector3d(0, 0, -1), CVector3d(0, 1, 0));
}
void CZphView::ViewBottom()
{
    ShowStandardView(CVector3d(0, 0, 1), CVector3d(0, 1, 0));
}
void CZphView::ViewFront()
{
    ShowStandardView(CVector3d(0, 1, 0), CVector3d(0, 0, 1));
}
void CZphView::ViewBack()
{
    ShowStandardView(CVector3d(0, -1, 0), CVector3d(0, 0, 1));
}
void CZphView::ViewLeft()
{
    ShowStandardView(CVector3d(1, 0, 0), CVector3d(0, 0, 1));
}
void CZphView::ViewRight()
{
    ShowStandardView(CVector3d(-1, 0, 0), CVector3d(0, 0, 1));
}

void CZphView::ViewIso()
{
    const CVector3d current(m_viewDefinition.GetCamera().GetDirection());
    double bestAngle = 2 * kPi;
    CVector3d best;
    for (const double x : {-1.0, 1.0}) {
        for (const double y : {1.0, -1.0}) {
            for (const double z : {-1.0, 1.0}) {
                const CVector3d candidate(CUnitVector3d(CVector3d(x, y, z)));
                const double angle = std::acos(std::clamp(candidate.Dot(current), -1.0, 1.0));
                if (angle < bestAngle - kTolerance)
                    bestAngle = angle, best = CVector3d(x, y, z);
            }
        }
    }
    // Perspective looks from lower down, so that the picture is not too steep.
    if (IsPerspective())
        best = CVector3d(2 * best.x, 2 * best.y, best.z);
    ShowStandardView(CVector3d(CUnitVector3d(best)), CVector3d(0, 0, 1));
}

// ----------------------------------------------------------------------------------------------
// The 2D pan and zoom made a real camera move.

bool CZphView::Bake2DPanZoom(int x, int y)
{
    const CCamera& camera = m_viewDefinition.GetCamera();
    if (!camera.Is2DPanZoomEnabled())
        return false;
    int viewportX = 0, viewportY = 0, width = 0, height = 0;
    m_viewDefinition.GetViewport(viewportX, viewportY, width, height);
    if (x == -1 && y == -1) {
        const CViewDefinition::Pixel centre = m_viewDefinition.GetViewportCenter();
        x = centre.x, y = centre.y;
    }
    const int pixel[2] = {x, y};
    CPoint3d point;
    GetPickPoint(point, pixel);

    // The pixel's angles off the view axis in the camera without its 2D pan and zoom.
    const double xn = width > 0 ? 2.0 * x / width - 1 : 0.0;
    const double yn = height > 0 ? 2.0 * (height - y) / height - 1 : 0.0;
    double left = 0, right = 0, bottom = 0, top = 0;
    m_viewDefinition.GetFrustumAtNear(left, right, bottom, top, false);
    const double n = m_viewDefinition.GetNear();
    const double a = std::atan2(xn * left, n);
    const double b = std::atan2(yn * top, std::sqrt(xn * left * xn * left + n * n));

    // Turn the camera from looking at the point so that the point stays under the pixel.
    const CPoint3d eye = camera.GetEye();
    const CVector3d oldDirection(camera.GetDirection());
    const CVector3d oldUp(camera.GetUp());
    CPoint3d turning = point.DistanceTo(eye) > kTolerance ? point : camera.GetTarget();
    CVector3d m(CUnitVector3d(eye, turning));
    CVector3d r(CUnitVector3d(m.Cross(oldUp)));
    CVector3d u(CUnitVector3d(r.Cross(m)));
    turning = CTransform3d(eye, CUnitVector3d(r), -b).MultiplyPoint(turning);
    m = CVector3d(CUnitVector3d(eye, turning));
    r = CVector3d(CUnitVector3d(m.Cross(u)));
    u = CVector3d(CUnitVector3d(r.Cross(m)));
    turning = CTransform3d(eye, CUnitVector3d(u), -a).MultiplyPoint(turning);
    m = CVector3d(CUnitVector3d(eye, turning));
    r = CVector3d(CUnitVector3d(m.Cross(u)));
    u = CVector3d(CUnitVector3d(r.Cross(m)));

    // The 2D zoom becomes a move towards the point.
    double factor = camera.Get2DScale();
    const double imageAspect = camera.GetImageAspect();
    if (imageAspect > m_viewDefinition.GetAspect())
        factor *= imageAspect;
    const CVector3d towardsPoint(CUnitVector3d(eye, point));
    const CPoint3d newEye = point - factor * (point - eye).Dot(oldDirection) * towardsPoint;
    const CPoint3d newTarget = newEye + (turning - eye);
    m_viewDefinition.SetCameraPosition(newEye, newTarget, u);
    m_viewDefinition.Set2DPanZoom(false, 1.0, 0.0, 0.0);

    if (m_model && m_model->GetBackgroundImage()) {
        // The photo no longer matches a camera that moved: the model becomes a plain 3D one.
        CSuspendUndo suspend;
        m_model->SetBackgroundImage(nullptr);
        m_modelFlag = true;
        CCamera plain(m_viewDefinition.GetCamera());
        plain.SetImageAspect(0.0);
        m_viewDefinition.SetCamera(plain);
        orbisk::utils::CNotificationCenter::GetInstance().PostNotification("Changed To 3D", m_model);
    }
    Invalidate(false);
    return true;
}

// ----------------------------------------------------------------------------------------------
// Centring.

void CZphView::CenterOnPixel(const int pixel[2])
{
    BeginCameraChange();
    const CCamera& camera = m_viewDefinition.GetCamera();
    const CPoint3d eye = camera.GetEye();
    const CPoint3d target = camera.GetTarget();
    const CVector3d direction(camera.GetDirection());
    CPoint3d point;
    bool found = false;
    {
        CPickHelper pick(this, pixel, 0);
        found = pick.GetNearestPickPoint(point);
    }
    if (!found) {
        CViewAnalyzer analyzer(this);
        analyzer.AnalyzeAtPixel(pixel);
        if (analyzer.GetCoveredCount() > 0)
            found = ScreenToModel(CPoint3d(pixel[0], pixel[1], analyzer.GetAverageDepth()), point);
    }
    if (!found)
        point = m_viewDefinition.GetPickRay(pixel[0], pixel[1]).ProjectPoint(target);
    if ((point - eye).Dot(direction) <= 0.0)
        point = target;
    const CViewDefinition::Pixel centre = m_viewDefinition.GetViewportCenter();
    const CPoint3d underPixel = m_viewDefinition.PickPointOnPlaneThrough(pixel[0], pixel[1], point);
    const CPoint3d underCentre = m_viewDefinition.PickPointOnPlaneThrough(centre.x, centre.y, point);
    const CVector3d shift = underPixel - underCentre;
    m_viewDefinition.SetCameraPosition(eye + shift, target + shift, camera.GetUp());
    EndCameraChange(0);
    Invalidate(false);
}
