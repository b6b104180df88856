#include "tools/CameraTool.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string_view>

#include "components/Component.h"
#include "database/IZphView.h"
#include "geometry/Plane3d.h"
#include "geometry/Ray3d.h"
#include "geometry/Transform3d.h"
#include "geometry/UnitVector3d.h"
#include "model/ZephyronModel.h"
#include "settings/ViewDefinition.h"
#include "settings/ZphStyleManager.h"
#include "support/NotificationCenter.h"
#include "tools/CameraContextMenu.h"
#include "tools/ToolManager.h"
#include "view/PickHelper.h"
#include "view/ViewCenterFinder.h"
#include "view/ViewProfile.h"
#include "view/ZphView.h"

using orbisk::geometry::CPlane3d;
using orbisk::geometry::CRay3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CUnitVector3d;
using orbisk::geometry::CVector3d;

namespace {

// The payload of "Animation Notification".
struct AnimationNotificationPayload {
    int code;
    IAnimation* animation;
    IZphView* view;
};

constexpr int kPivotAperture = 6;
constexpr int kPivotApertureStep = 25;
constexpr double kZeroSquared = 1e-20;

int ViewportHeight(const CViewDefinition& definition)
{
    int x = 0, y = 0, width = 0, height = 0;
    definition.GetViewport(x, y, width, height);
    return height;
}

}  // namespace

CCameraTool::CCameraTool(int fixedOperation)
    : m_fixedOperation(fixedOperation), m_currentOperation(fixedOperation)
{}

CCameraTool::~CCameraTool()
{
    ObserveAnimations(false);
}

int CCameraTool::CursorForOperation(int operation, bool shift)
{
    if (shift && (operation == kZoom || operation == kFieldOfView))
        operation = operation == kZoom ? kFieldOfView : kZoom;
    switch (operation) {
        case kPan: return 1003;
        case kLookAround: return 418;
        case kWalk: return 420;
        case kZoom:
        case kFieldOfView: return 421;
        case kZoomWindow: return 422;
        default: return 419;
    }
}

void CCameraTool::ObserveAnimations(bool on)
{
    if (on == m_observingAnimations)
        return;
    auto& center = orbisk::utils::CNotificationCenter::GetInstance();
    if (on)
        center.AddObserver(kAnimationNotification, this);
    else
        center.RemoveObserver(kAnimationNotification, this);
    m_observingAnimations = on;
}

void CCameraTool::OnNotification(const char* name, void* payload)
{
    if (std::string_view(name) == kAnimationNotification) {
        // The measurements box follows camera animations.
        if (payload)
            if (IZphView* view = static_cast<AnimationNotificationPayload*>(payload)->view)
                UpdateValueBox(view);
        return;
    }
    CTool::OnNotification(name, payload);
}

void CCameraTool::OnActivate()
{
    CTool::OnActivate();
    ObserveAnimations(true);
    UpdateStatusText();
    m_swapOrbitAndPan = ReadViewProfileInt(L"Preferences", L"SwapOrbitAndDolly", 0) != 0;
}

void CCameraTool::OnDeactivate()
{
    CTool::OnDeactivate();
    ObserveAnimations(false);
}

void CCameraTool::OnSuspend()
{
    CTool::OnSuspend();
    ObserveAnimations(false);
}

void CCameraTool::OnResume()
{
    CTool::OnResume();
    ObserveAnimations(true);
}

bool CCameraTool::CanBeReplacedBy(CTool* tool)
{
    return dynamic_cast<CCameraTool*>(tool) != nullptr;
}

bool CCameraTool::OnContextMenu(int, int x, int y, IZphView* view)
{
    return ShowCameraContextMenu(x, y, view);
}

void CCameraTool::UpdateStatusText()
{
    const CString text = GetStatusText();
    if (!text.IsEmpty())
        SetPromptText(text);
}

void CCameraTool::ComputeOrbitCenter(int x, int y, IZphView* view)
{
    const int pixel[2] = {x, y};
    auto* modelView = dynamic_cast<CZphView*>(view);
    if (!modelView) {
        // A view that cannot be searched turns about what it looks at.
        m_orbitCenter = view->GetViewDefinition()->GetCamera().GetTarget();
        return;
    }
    CViewCenterFinder finder(modelView);
    m_orbitCenter = finder.GetOrbitCenter(pixel);
}

int CCameraTool::ChooseOperation(int flags)
{
    int operation = m_fixedOperation;
    if (operation == kOrbit) {
        bool pan =
            (flags & kShiftKey) || (m_middleWithLeftPans && (flags & kMiddleButton) && (flags & kLeftButton));
        if (m_swapOrbitAndPan)
            pan = !pan;
        operation = pan ? kPan : m_startedFromWalk ? kLookAround : kOrbit;
    }
    SetCursorId(CursorForOperation(operation, (flags & kShiftKey) != 0));
    return operation;
}

void CCameraTool::Reanchor(int flags, int x, int y, IZphView* view)
{
    m_currentOperation = ChooseOperation(flags);
    switch (m_currentOperation) {
        case kOrbit:
            ComputeOrbitCenter(x, y, view);
            ComputeTrackballRadius(view);
            break;
        case kPan:
        case kWalk:
        case kFieldOfView: ComputePivot(x, y, view); break;
        default: break;
    }
}

void CCameraTool::ComputeTrackballRadius(IZphView* view)
{
    const CViewDefinition& definition = *view->GetViewDefinition();
    const CCamera& camera = definition.GetCamera();
    const double height = camera.IsPerspective()
                              ? definition.GetViewHeightAtDistance(camera.GetEye().DistanceTo(m_orbitCenter))
                              : definition.GetViewHeight();
    m_trackballRadius = height / 2;
    int x = 0, y = 0, width = 0, pixels = 0;
    definition.GetViewport(x, y, width, pixels);
    if (width > pixels && std::abs(static_cast<double>(pixels)) > 0.001)
        m_trackballRadius *= static_cast<double>(width) / pixels;
}

void CCameraTool::ComputePivot(int x, int y, IZphView* view)
{
    const CViewDefinition& definition = *view->GetViewDefinition();
    int vx = 0, vy = 0, width = 0, height = 0;
    definition.GetViewport(vx, vy, width, height);
    const int limit = definition.GetAspect() > 1 ? width : height;
    const int pixel[2] = {x, y};
    bool found = false;
    for (int aperture = kPivotAperture; !found; aperture += kPivotApertureStep) {
        CPickHelper picker(view, pixel, aperture);
        found = picker.GetNearestPickPoint(m_pivot);
        if (aperture > limit)
            break;
    }
    const CCamera& camera = definition.GetCamera();
    if (!found) {
        CRay3d ray;
        view->GetPickRay(ray, pixel);
        CZephyronModel* model = view->GetModel();
        const CPoint3d center = model && model->GetRoot() ? model->GetRoot()->GetBoundsCenter() : CPoint3d();
        m_pivot = ray.ProjectPoint(center);
    }
    // A pivot behind the eye would turn drags around.
    if (CVector3d(camera.GetDirection()).Dot(m_pivot - camera.GetEye()) < 0)
        m_pivot = camera.GetTarget();
}

void CCameraTool::BeginDrag(int flags, int x, int y, IZphView* view)
{
    view->SetAutopanEnabled(false);
    m_dragStartX = m_lastX = x;
    m_dragStartY = m_lastY = y;
    m_dragging = true;
    Reanchor(flags, x, y, view);
    view->SetCapture();
    view->BeginCameraChange();
}

void CCameraTool::EndDrag(int x, int y, IZphView* view)
{
    view->SetAutopanEnabled(true);
    // The window layer releases the capture when the button goes up.
    m_buttonUpX = x;
    m_buttonUpY = y;
    m_dragging = false;
    view->EndCameraChange(GetHistoryKind());
    view->CommitCamera();
}

void CCameraTool::OnLButtonDown(int flags, int x, int y, IZphView* view)
{
    if (flags & kMiddleButton)
        ChooseOperation(flags | kLeftButton);
    else
        BeginDrag(flags, x, y, view);
}

void CCameraTool::OnLButtonUp(int flags, int x, int y, IZphView* view)
{
    if (flags & kMiddleButton)
        ChooseOperation(flags);
    else if (m_dragging)
        EndDrag(x, y, view);
}

void CCameraTool::OnMButtonDown(int flags, int x, int y, IZphView* view)
{
    CToolManager* manager = GetManager();
    const bool otherButton = (flags & (kLeftButton | kRightButton)) != 0;
    m_middleWithLeftPans = !(otherButton && !(manager && manager->GetStackSize() == 1));
    if (flags & kLeftButton) {
        flags |= kMiddleButton;
        ChooseOperation(flags);
    }
    BeginDrag(flags, x, y, view);
}

void CCameraTool::OnMButtonUp(int flags, int x, int y, IZphView* view)
{
    if (flags & kLeftButton)
        ChooseOperation(flags);
    if (m_dragging)
        EndDrag(x, y, view);
}

void CCameraTool::OnLButtonDblClk(int, int x, int y, IZphView* view)
{
    // The model point under the double-click moves to the window centre.
    m_dragStartX = x;
    m_dragStartY = y;
    ComputePivot(x, y, view);
    const CViewDefinition::Pixel center = view->GetViewDefinition()->GetViewportCenter();
    Pan(view, x, y, center.x, center.y);
    view->Invalidate(false);
    view->CommitCamera();
}

bool CCameraTool::OnKeyDown(int key, int repeat, int, IZphView*)
{
    if (repeat == 1 && key == kKeyShift)
        ChooseOperation(kShiftKey);
    else if (repeat == 1 && key == kKeyControl)
        ChooseOperation(kControlKey);
    return false;
}

bool CCameraTool::OnKeyUp(int key, int, int, IZphView*)
{
    if (key == kKeyShift)
        ChooseOperation(0);
    return false;
}

void CCameraTool::OnMouseMove(int flags, int x, int y, IZphView* view)
{
    const int operation = ChooseOperation(flags);
    if (!m_dragging || (x == m_lastX && y == m_lastY) || !(flags & (kLeftButton | kMiddleButton)))
        return;
    if (operation != m_currentOperation)
        Reanchor(flags, x, y, view);

    CViewDefinition& definition = *view->GetViewDefinition();
    const CCamera before = definition.GetCamera();
    const int height = std::max(1, ViewportHeight(definition));
    const double step = 2.0 * (y - m_lastY) / height;
    const bool shift = (flags & kShiftKey) != 0;
    const int pixel[2] = {x, y};
    switch (operation) {
        case kOrbit:
            if (!shift) {
                view->Bake2DPanZoom(x, y);
                if (flags & kControlKey)
                    Trackball(view, x, y);
                else
                    Orbit(view, x, y);
                break;
            }
            [[fallthrough]];
        case kPan: Pan(view, m_lastX, m_lastY, x, y); break;
        case kLookAround:
        case kWalk:
            // Turning and walking belong to the walk tools.
            view->Bake2DPanZoom(x, y);
            break;
        case kZoom:
            if (!shift) {
                view->ZoomAt(pixel, step);
            } else {
                view->Bake2DPanZoom(x, y);
                view->ChangeFieldOfView(step);
            }
            break;
        case kFieldOfView:
            if (!shift) {
                view->Bake2DPanZoom(x, y);
                SetFieldOfViewKeepingPivot((step + 1) * definition.GetCamera().GetStoredFieldOfView(), view);
            } else {
                view->ZoomAt(pixel, step);
            }
            break;
        default: break;
    }
    if (!(definition.GetCamera() == before)) {
        view->Invalidate(false);
        UpdateValueBox(view);
    }
    m_lastX = x;
    m_lastY = y;
    UpdateStatusText();
}

void CCameraTool::Orbit(IZphView* view, int x, int y)
{
    CViewDefinition& definition = *view->GetViewDefinition();
    const CCamera& camera = definition.GetCamera();
    const double a = m_lastY - y;  // upward positive
    const double b = x - m_lastX;
    const CVector3d X(definition.GetRight());
    const CVector3d Y(definition.GetUp());
    const CVector3d Z(definition.GetBack());
    const CVector3d side = Z.Cross(CVector3d(0, 0, 1));
    const double m = side.LengthSquared() > kZeroSquared ? std::sqrt(side.LengthSquared()) : 0.0;
    CVector3d axis = a * X - (m * b) * Y;
    if (!axis.Normalize())
        return;
    // A drag over the full viewport height turns by a quarter turn.
    const double angle = std::sqrt(a * a + (m * b) * (m * b)) / std::max(1, ViewportHeight(definition)) *
                         std::numbers::pi * 0.5;
    CTransform3d rotation;
    rotation.SetRotation(m_orbitCenter, CUnitVector3d(axis), angle);
    const CPoint3d eye = rotation.MultiplyPoint(camera.GetEye());
    const CPoint3d target = rotation.MultiplyPoint(camera.GetTarget());
    CUnitVector3d up;
    orbisk::geometry::ComputeCameraUpVector(eye, target, Y, up);
    definition.SetCameraPosition(eye, target, CVector3d(up));
}

void CCameraTool::Trackball(IZphView* view, int x, int y)
{
    CViewDefinition& definition = *view->GetViewDefinition();
    const CVector3d X(definition.GetRight());
    const CVector3d Y(definition.GetUp());
    const CVector3d Z(definition.GetBack());
    const double r = m_trackballRadius;
    auto spherePoint = [&](int px, int py) {
        const CPoint3d plane = definition.ScreenToViewPlane(px, py);
        const double u = plane.x, v = plane.y;
        const double rest = r * r - u * u - v * v;
        const double w = (u * u + v * v < r * r && rest > kZeroSquared) ? std::sqrt(rest) : 0.0;
        return m_orbitCenter + u * X + v * Y + w * Z;
    };
    CVector3d d0 = spherePoint(m_lastX, m_lastY) - m_orbitCenter;
    CVector3d d1 = spherePoint(x, y) - m_orbitCenter;
    if (!d0.Normalize() || !d1.Normalize())
        return;
    const CVector3d c = d0.Cross(d1);
    if (c.LengthSquared() <= kZeroSquared)
        return;
    const double length = std::sqrt(c.LengthSquared());
    if (length < 1e-6)
        return;
    definition.RotateAboutPoint(m_orbitCenter, c * (1.0 / length), -std::asin(std::min(1.0, length)));
}

void CCameraTool::Pan(IZphView* view, int px, int py, int qx, int qy)
{
    CViewDefinition& definition = *view->GetViewDefinition();
    const CCamera& camera = definition.GetCamera();
    if (camera.Is2DPanZoomEnabled()) {
        definition.Pan2D(px - qx, qy - py);
        return;
    }
    const CPlane3d plane(m_pivot, definition.GetBack());
    const int p[2] = {px, py};
    const int q[2] = {qx, qy};
    CRay3d r0, r1;
    view->GetPickRay(r0, p);
    view->GetPickRay(r1, q);
    CPoint3d a, b;
    if (!r0.Intersect(plane, a) || !r1.Intersect(plane, b))
        return;
    const CVector3d v = b - a;
    definition.SetCameraPosition(camera.GetEye() - v, camera.GetTarget() - v, CVector3d(camera.GetUp()));
}

bool CCameraTool::SetFieldOfViewKeepingPivot(double degrees, IZphView* view)
{
    CViewDefinition& definition = *view->GetViewDefinition();
    const CCamera& camera = definition.GetCamera();
    if (!camera.IsPerspective())
        return false;
    const double old = camera.GetStoredFieldOfView();
    const double f = std::clamp(degrees, kMinFieldOfView, kMaxFieldOfView);
    if (std::abs(old - f) < kFieldOfViewTolerance)
        return false;
    definition.SetFieldOfView(f);
    const double toRadians = std::numbers::pi / 180;
    const double distance = camera.GetEye().DistanceTo(m_pivot);
    const double half = std::tan(old * toRadians / 2) * distance;
    const double move = distance - half / std::tan(f * toRadians / 2);
    const CVector3d step = CVector3d(camera.GetDirection()) * move;
    definition.SetCameraPosition(camera.GetEye() + step, camera.GetTarget() + step,
                                 CVector3d(camera.GetUp()));
    return true;
}
