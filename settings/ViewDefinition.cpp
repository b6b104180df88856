#include "settings/ViewDefinition.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "geometry/Transform3d.h"

using orbisk::geometry::CMatrix4d;
using orbisk::geometry::CPlane3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CRay3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CUnitVector3d;
using orbisk::geometry::CVector3d;

namespace {

constexpr double kRadiansPerDegree = 0.0174532925199433;
constexpr double kDegreesPerRadian = 57.29577951308232;
// w at or below this puts a point in the eye's plane.
constexpr double kMinW = 1e-10;
// Depth hints that move less than this keep the clipping range.
constexpr double kHintTolerance = 0.001;
// Margin around the model's depth range, model units.
constexpr double kDepthMargin = 0.5;
// The largest far / near ratio the depth buffer resolves well.
constexpr double kMaxDepthRatio = 1000.0;

double Divisor(int size)
{
    return size > 0 ? size : 1.0;
}

// Row i of a column-major matrix.
void Row(const CMatrix4d& m, int i, double (&row)[4])
{
    for (int c = 0; c < 4; ++c)
        row[c] = m.m[4 * c + i];
}

CPlane3d PlaneOf(const double (&r3)[4], const double (&ri)[4], double sign)
{
    return CPlane3d(-(r3[0] + sign * ri[0]), -(r3[1] + sign * ri[1]), -(r3[2] + sign * ri[2]),
                    -(r3[3] + sign * ri[3]));
}

bool IsFiniteBox(const orbisk::geometry::CBoundingBox3d& box)
{
    return std::isfinite(box.x.min) && std::isfinite(box.x.max) && std::isfinite(box.y.min) &&
           std::isfinite(box.y.max) && std::isfinite(box.z.min) && std::isfinite(box.z.max);
}

}  // namespace

CViewDefinition::CViewDefinition() : m_fovFactor(2 * std::tan(15.0 * kRadiansPerDegree)) {}

// Setters.

void CViewDefinition::SetCamera(const CCamera& camera)
{
    m_camera = camera;
    Recompute();
}

void CViewDefinition::SetCameraPosition(const CPoint3d& eye, const CPoint3d& target, const CVector3d& up)
{
    m_camera.SetEyeTargetUp(eye, target, up);
    Recompute();
}

void CViewDefinition::SetCameraDirection(const CPoint3d& eye, const CVector3d& direction, const CVector3d& up)
{
    m_camera.SetEyeDirectionUp(eye, direction, up);
    Recompute();
}

void CViewDefinition::SetPerspective(bool perspective)
{
    m_camera.SetPerspective(perspective);
    Recompute();
}

void CViewDefinition::SetFieldOfView(double degrees)
{
    m_camera.SetFieldOfView(degrees);
    Recompute();
}

void CViewDefinition::SetParallelHeight(double height)
{
    m_camera.SetParallelHeight(height);
    Recompute();
}

void CViewDefinition::SetViewport(int x, int y, int width, int height)
{
    m_viewportX = x;
    m_viewportY = y;
    m_viewportWidth = width;
    m_viewportHeight = height;
    Recompute();
}

void CViewDefinition::SetFrustumWindow(bool explicitWindow, double left, double right, double bottom,
                                       double top)
{
    m_explicitWindow = explicitWindow;
    m_windowLeft = left;
    m_windowRight = right;
    m_windowBottom = bottom;
    m_windowTop = top;
    Recompute();
}

double CViewDefinition::NormalizedX(double px) const
{
    return px * 2 / Divisor(m_viewportWidth) - 1;
}

double CViewDefinition::NormalizedY(double py) const
{
    return (m_viewportHeight - py) * 2 / Divisor(m_viewportHeight) - 1;
}

void CViewDefinition::Set2DPanZoom(bool enabled, double scale, double offsetX, double offsetY)
{
    m_camera.Set2DPanZoom(enabled, scale, offsetX, offsetY);
    Recompute();
}

void CViewDefinition::Pan2D(double dx, double dy)
{
    m_camera.Pan2D(dx * 2 / Divisor(m_viewportWidth), dy * 2 / Divisor(m_viewportHeight));
    Recompute();
}

void CViewDefinition::Zoom2DAbout(double px, double py, double factor)
{
    m_camera.Zoom2DAbout(NormalizedX(px), NormalizedY(py), factor);
    Recompute();
}

void CViewDefinition::Transform2D(double px, double py, double scale)
{
    m_camera.Transform2D(NormalizedX(px), NormalizedY(py), scale);
    Recompute();
}

double CViewDefinition::GetCurrentParallelHeight() const
{
    return m_explicitWindow ? m_windowTop - m_windowBottom : m_camera.GetParallelHeight();
}

void CViewDefinition::Zoom(double distance, double factor)
{
    if (m_camera.Is2DPanZoomEnabled()) {
        m_camera.Set2DPanZoom(true, m_camera.Get2DScale() * (1 + factor), m_camera.Get2DOffsetX(),
                              m_camera.Get2DOffsetY());
    } else if (m_camera.IsPerspective()) {
        const CVector3d step = CVector3d(m_camera.GetDirection()) * (distance * factor);
        m_camera.SetEyeTargetUp(m_camera.GetEye() - step, m_camera.GetTarget() - step, m_camera.GetUp());
    } else {
        m_camera.SetParallelHeight((1 + factor) * GetCurrentParallelHeight());
    }
    Recompute();
}

void CViewDefinition::ZoomAboutPixel(double px, double py, double distance, double factor)
{
    if (m_camera.Is2DPanZoomEnabled()) {
        Zoom2DAbout(px, py, factor);
        return;
    }
    const CVector3d up = m_camera.GetUp();
    CVector3d step;
    if (m_camera.IsPerspective()) {
        step = CVector3d(GetPickRay(px, py).direction) * -(distance * factor);
    } else {
        const CPoint3d onEyePlane = PickPointOnPlaneThrough(px, py, m_camera.GetEye());
        step = factor * (m_camera.GetEye() - onEyePlane);
        if (factor > -1)
            m_camera.SetParallelHeight((1 + factor) * GetCurrentParallelHeight());
    }
    m_camera.SetEyeTargetUp(m_camera.GetEye() + step, m_camera.GetTarget() + step, up);
    Recompute();
}

void CViewDefinition::RotateAboutPoint(const CPoint3d& point, const CVector3d& axis, double angle)
{
    const CTransform3d rotation(point, CUnitVector3d(axis), angle);
    const CPoint3d eye = rotation.MultiplyPoint(m_camera.GetEye());
    const CUnitVector3d up(rotation.MultiplyVector(m_camera.GetUp()));
    m_camera.SetEyeTargetUp(eye, point, up);
    Recompute();
}

double CViewDefinition::SetViewportSizeKeepingView(int width, int height)
{
    const bool perspective = m_camera.IsPerspective();
    const double old = perspective ? m_camera.GetStoredFieldOfView() : GetViewHeight();
    if (width > 0 && height > 0 && m_viewportWidth > 0 && m_viewportHeight > 0) {
        const double e = static_cast<double>(height) / width;
        const double g = static_cast<double>(m_viewportHeight) / m_viewportWidth;
        if (e > g) {
            if (perspective) {
                const double half = std::tan(old * kRadiansPerDegree / 2);
                m_camera.SetFieldOfView(2 * std::atan(half * e / g) * kDegreesPerRadian);
            } else {
                m_camera.SetParallelHeight(GetCurrentParallelHeight() * e / g);
            }
        }
    }
    SetViewport(0, 0, width, height);
    return old;
}

double CViewDefinition::SetViewportSizeKeepingImage(int width, int height)
{
    const double imageAspect = m_camera.GetImageAspect();
    if (imageAspect <= 0)
        return SetViewportSizeKeepingView(width, height);
    const bool perspective = m_camera.IsPerspective();
    const double old = perspective ? m_camera.GetStoredFieldOfView() : GetViewHeight();
    // In perspective the camera's effective field of view already widens to the image; a
    // parallel view grows its height until the image's width fits.
    if (!perspective && width > 0 && height > 0) {
        const double windowAspect = static_cast<double>(width) / height;
        if (imageAspect > windowAspect)
            m_camera.SetParallelHeight(GetCurrentParallelHeight() * imageAspect / windowAspect);
    }
    SetViewport(0, 0, width, height);
    return old;
}

void CViewDefinition::SetViewportSizeKeepFov(double value, int width, int height)
{
    m_viewportX = 0;
    m_viewportY = 0;
    m_viewportWidth = width;
    m_viewportHeight = height;
    if (m_camera.IsPerspective())
        m_camera.SetFieldOfView(value);
    else
        m_camera.SetParallelHeight(value);
    Recompute();
}

void CViewDefinition::SetDepthRangeFromBounds(const CBoundingBox3d& box)
{
    double dmin = 0.0, dmax = 0.0;
    if (!box.IsEmpty() && IsFiniteBox(box)) {
        const CPoint3d& eye = m_camera.GetEye();
        const CUnitVector3d direction = m_camera.GetDirection();
        dmin = std::numeric_limits<double>::max();
        dmax = std::numeric_limits<double>::lowest();
        for (int corner = 0; corner < 8; ++corner) {
            const double s = direction.Dot(box.GetCorner(corner) - eye);
            dmin = std::min(dmin, s);
            dmax = std::max(dmax, s);
        }
    }
    const double nearHint = dmin - kDepthMargin;
    const double farHint = dmax + kDepthMargin;
    if (std::abs(nearHint - m_nearHint) < kHintTolerance && std::abs(farHint - m_farHint) < kHintTolerance)
        return;
    m_nearHint = nearHint;
    m_farHint = farHint;
    if (m_farHint > 0.01)
        m_far = m_farHint;
    const double a = m_nearHint > 0.01 ? m_nearHint : m_far / kMaxDepthRatio;
    m_near = 0.9 * a;
    m_far = 1.1 * m_far;
    if (m_far / m_near > kMaxDepthRatio)
        m_near = m_far / kMaxDepthRatio;
    Recompute();
}

// Derived values.

void CViewDefinition::MarkMatricesDirty()
{
    m_combinedDirty = true;
    m_inverseDirty = true;
}

void CViewDefinition::Recompute()
{
    const double heightDivisor = Divisor(m_viewportHeight);
    m_aspect = m_viewportHeight > 0 ? m_viewportWidth / heightDivisor : 1.0;
    m_fovFactor = 2 * std::tan(m_camera.GetFieldOfView(m_aspect) * kRadiansPerDegree / 2);
    m_camera.Repair();

    CVector3d back = m_camera.GetEye() - m_camera.GetTarget();
    double distance = 0.0;
    back.NormalizeWithLength(distance);
    m_back = CUnitVector3d(back);
    m_right = CUnitVector3d(m_camera.GetUp().Cross(m_back));
    m_up = CUnitVector3d(m_back.Cross(m_right));

    const double h = m_camera.IsPerspective() ? distance * m_fovFactor : GetCurrentParallelHeight();
    m_pixelSize = h / heightDivisor;
    m_viewportCenterX = (m_viewportX + m_viewportWidth) / 2.0;
    m_viewportCenterY = (m_viewportY + m_viewportHeight) / 2.0;

    double l = 0, r = 0, b = 0, t = 0;
    GetFrustumAt(m_near, l, r, b, t);
    const double n = m_near, f = m_far;
    CMatrix4d& m = m_projection;
    std::fill(std::begin(m.m), std::end(m.m), 0.0);
    if (m_camera.IsPerspective()) {
        m.m[0] = 2 * n / (r - l);
        m.m[5] = 2 * n / (t - b);
        m.m[8] = (r + l) / (r - l);
        m.m[9] = (t + b) / (t - b);
        m.m[10] = -(f + n) / (f - n);
        m.m[11] = -1;
        m.m[14] = -2 * f * n / (f - n);
    } else {
        m.m[0] = 2 / (r - l);
        m.m[5] = 2 / (t - b);
        m.m[10] = -2 / (f - n);
        m.m[12] = -(r + l) / (r - l);
        m.m[13] = -(t + b) / (t - b);
        m.m[14] = -(f + n) / (f - n);
        m.m[15] = 1;
    }
    MarkMatricesDirty();
}

const CMatrix4d& CViewDefinition::GetViewProjectionMatrix() const
{
    if (m_combinedDirty) {
        CTransform3d view;
        m_camera.GetViewTransform(view, true);
        double viewMatrix[16];
        view.GetMatrix(viewMatrix);
        CMatrix4d viewProjection;
        std::copy(std::begin(viewMatrix), std::end(viewMatrix), viewProjection.m);
        m_combined = m_projection * viewProjection;
        m_combinedDirty = false;
        m_inverseDirty = true;
    }
    return m_combined;
}

void CViewDefinition::UpdateFrustumPlanes()
{
    const CMatrix4d& m = GetViewProjectionMatrix();
    double r0[4], r1[4], r2[4], r3[4];
    Row(m, 0, r0);
    Row(m, 1, r1);
    Row(m, 2, r2);
    Row(m, 3, r3);
    m_frustumPlanes[kLeftPlane] = PlaneOf(r3, r0, 1);
    m_frustumPlanes[kRightPlane] = PlaneOf(r3, r0, -1);
    m_frustumPlanes[kTopPlane] = PlaneOf(r3, r1, -1);
    m_frustumPlanes[kBottomPlane] = PlaneOf(r3, r1, 1);
    m_frustumPlanes[kNearPlane] = PlaneOf(r3, r2, 1);
    m_frustumPlanes[kFarPlane] = PlaneOf(r3, r2, -1);
}

// Queries.

void CViewDefinition::GetViewport(int& x, int& y, int& width, int& height) const
{
    x = m_viewportX;
    y = m_viewportY;
    width = m_viewportWidth;
    height = m_viewportHeight;
}

CViewDefinition::Pixel CViewDefinition::GetViewportCenter() const
{
    return {m_viewportX + m_viewportWidth / 2, m_viewportY + m_viewportHeight / 2};
}

double CViewDefinition::GetViewHeight() const
{
    return GetCurrentParallelHeight();
}

double CViewDefinition::GetViewHeightAtDistance(double distance) const
{
    if (m_explicitWindow)
        return (m_windowTop - m_windowBottom) * distance / m_near;
    return m_fovFactor * distance;
}

bool CViewDefinition::ModelToScreen(const CPoint3d& point, CPoint3d& window) const
{
    const CMatrix4d& m = GetViewProjectionMatrix();
    double v[4] = {point.x, point.y, point.z, 1.0};
    m.Transform(v);
    const bool divided = std::abs(v[3]) > kMinW;
    if (divided) {
        v[0] /= v[3];
        v[1] /= v[3];
        v[2] /= v[3];
    }
    window.x = m_viewportX + m_viewportWidth * (v[0] + 1) / 2;
    window.y = m_viewportHeight - (m_viewportY + m_viewportHeight * (v[1] + 1) / 2);
    window.z = (v[2] + 1) / 2;
    return divided;
}

bool CViewDefinition::ScreenToModel3(double x, double y, double depth, CPoint3d& point) const
{
    const CMatrix4d& m = GetViewProjectionMatrix();
    if (m_inverseDirty) {
        if (!m.GetInverse(m_inverse))
            return false;
        m_inverseDirty = false;
    }
    double v[4] = {(x - m_viewportX) * 2 / Divisor(m_viewportWidth) - 1,
                   (m_viewportHeight - y - m_viewportY) * 2 / Divisor(m_viewportHeight) - 1, 2 * depth - 1,
                   1.0};
    m_inverse.Transform(v);
    const bool divided = std::abs(v[3]) > kMinW;
    if (divided)
        point = CPoint3d(v[0] / v[3], v[1] / v[3], v[2] / v[3]);
    else
        point = CPoint3d(v[0], v[1], v[2]);
    return divided;
}

CPoint3d CViewDefinition::ScreenToModel(double x, double y) const
{
    double l = 0, r = 0, b = 0, t = 0;
    GetFrustumAt(m_near, l, r, b, t);
    const double across = l + (r - l) * x / Divisor(m_viewportWidth);
    const double upward = b + (t - b) * (m_viewportHeight - y) / Divisor(m_viewportHeight);
    return m_camera.GetEye() + across * CVector3d(m_right) + upward * CVector3d(m_up) -
           m_near * CVector3d(m_back);
}

CPoint3d CViewDefinition::ScreenToViewPlane(double px, double py) const
{
    return {(px - m_viewportCenterX) * m_pixelSize, (m_viewportCenterY - py) * m_pixelSize, 0.0};
}

CRay3d CViewDefinition::GetPickRay(double px, double py) const
{
    CPoint3d onNear;
    ScreenToModel3(px, py, 0.0, onNear);
    CRay3d ray;
    if (m_camera.IsPerspective()) {
        ray.origin = m_camera.GetEye();
        const CUnitVector3d direction(m_camera.GetEye(), onNear);
        if (direction.IsNonZero())
            ray.direction = direction;
    } else {
        ray.direction = m_camera.GetDirection();
        ray.origin = onNear - m_near * CVector3d(ray.direction);
    }
    return ray;
}

CPoint3d CViewDefinition::PickPointOnPlaneThrough(double px, double py, const CPoint3d& point) const
{
    const CPlane3d plane(point, m_camera.GetDirection());
    CPoint3d hit;
    if (!plane.Intersect(GetPickRay(px, py), hit))
        return CPoint3d();
    return hit;
}

double CViewDefinition::DepthToDistance(double depth) const
{
    const double n = m_near, f = m_far;
    if (m_camera.IsPerspective())
        return 2 * n * f / (f + n - (f - n) * (2 * depth - 1));
    return n + (f - n) * depth;
}

void CViewDefinition::GetFrustumExtents(double distance, double& left, double& right, double& bottom,
                                        double& top, bool with2D) const
{
    const double height = m_camera.IsPerspective() ? m_fovFactor * distance : GetCurrentParallelHeight();
    const double halfHeight = height / 2;
    const double halfWidth = m_aspect * halfHeight;
    if (with2D && m_camera.Is2DPanZoomEnabled()) {
        const double s = m_camera.Get2DScale();
        const double ox = m_camera.Get2DOffsetX(), oy = m_camera.Get2DOffsetY();
        left = -halfWidth * (s - ox);
        right = halfWidth * (s + ox);
        bottom = -halfHeight * (s - oy);
        top = halfHeight * (s + oy);
        return;
    }
    left = -halfWidth;
    right = halfWidth;
    bottom = -halfHeight;
    top = halfHeight;
}

void CViewDefinition::GetFrustumAt(double distance, double& left, double& right, double& bottom,
                                   double& top) const
{
    if (!m_explicitWindow) {
        GetFrustumExtents(distance, left, right, bottom, top, true);
        return;
    }
    const double scale = m_camera.IsPerspective() ? distance / m_near : 1.0;
    left = m_windowLeft * scale;
    right = m_windowRight * scale;
    bottom = m_windowBottom * scale;
    top = m_windowTop * scale;
}

void CViewDefinition::GetFrustumAtNear(double& left, double& right, double& bottom, double& top,
                                       bool with2D) const
{
    GetFrustumExtents(m_near, left, right, bottom, top, with2D);
}

bool CViewDefinition::GetFrustum(double& left, double& right, double& bottom, double& top) const
{
    if (m_explicitWindow) {
        left = m_windowLeft;
        right = m_windowRight;
        bottom = m_windowBottom;
        top = m_windowTop;
        return true;
    }
    GetFrustumAt(m_near, left, right, bottom, top);
    return false;
}

void CViewDefinition::GetFrustumPlanes(FrustumPlanes& planes) const
{
    std::copy(std::begin(m_frustumPlanes), std::end(m_frustumPlanes), planes);
}

void CViewDefinition::GetSelectionFrustum(double x0, double x1, double y0, double y1,
                                          FrustumPlanes& planes) const
{
    const CPoint3d& eye = m_camera.GetEye();
    if (m_camera.IsPerspective()) {
        const CVector3d bl = ScreenToModel(x0, y1) - eye;
        const CVector3d br = ScreenToModel(x1, y1) - eye;
        const CVector3d tr = ScreenToModel(x1, y0) - eye;
        const CVector3d tl = ScreenToModel(x0, y0) - eye;
        planes[0] = CPlane3d(eye, CUnitVector3d(tl.Cross(bl)));
        planes[1] = CPlane3d(eye, CUnitVector3d(br.Cross(tr)));
        planes[2] = CPlane3d(eye, CUnitVector3d(bl.Cross(br)));
        planes[3] = CPlane3d(eye, CUnitVector3d(tr.Cross(tl)));
    } else {
        const CPoint3d p = ScreenToModel(x0, y1);
        const CPoint3d q = ScreenToModel(x1, y0);
        planes[0] = CPlane3d(p, -m_right);
        planes[1] = CPlane3d(q, m_right);
        planes[2] = CPlane3d(p, -m_up);
        planes[3] = CPlane3d(q, m_up);
    }
    planes[4] = CPlane3d(eye, m_back);
    // No far side: a volume filter skips a plane at infinite distance.
    CPlane3d& far = planes[5];
    far.a = far.b = far.c = 0.0;
    far.d = std::numeric_limits<double>::infinity();
}

void CViewDefinition::GetPickApertureFrustum(double px, double py, double size, FrustumPlanes& planes) const
{
    GetSelectionFrustum(px - size / 2, px + size / 2, py - size / 2, py + size / 2, planes);
}
