#include "settings/Camera.h"

#include <algorithm>
#include <cmath>

#include "database/ArchiveReading.h"
#include "database/ArchiveSchema.h"
#include "geometry/Tolerance.h"
#include "platform/mfc/Archive.h"
#include "support/ArchiveOperators.h"

IMPLEMENT_SERIAL(CCamera, CObject, VERSIONABLE_SCHEMA | 5)

using orbisk::geometry::CPoint3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CUnitVector3d;
using orbisk::geometry::CVector3d;
using orbisk::geometry::kGeomTolerance;

namespace {

constexpr double kRadiansPerDegree = 0.0174532925199433;
constexpr double kDegreesPerRadian = 57.29577951308232;
constexpr double kDefaultFilmWidth = 36.0;
constexpr double kDefaultFieldOfView = 30.0;
constexpr double kDefaultParallelHeight = 1.0;
// The target is kept at least this fraction of the larger distance from the origin away from
// the eye, so that depth precision survives far from the origin.
constexpr double kMinTargetDistanceRatio = 0.1;

bool IsWithinTolerance(const CPoint3d& a, const CPoint3d& b)
{
    return a.DistanceSquaredTo(b) < kGeomTolerance * kGeomTolerance;
}

double DistanceFromOrigin(const CPoint3d& p)
{
    return (p - CPoint3d()).Length();
}

}  // namespace

CCamera::CCamera() = default;

CCamera::CCamera(const CCamera& other) : CObject(), ICamera()
{
    Copy(other);
}

CCamera& CCamera::operator=(const CCamera& other)
{
    if (this != &other)
        Copy(other);
    return *this;
}

void CCamera::Copy(const CCamera& other)
{
    SetEyeTargetUp(other.m_eye, other.m_target, other.m_up);
    m_near = other.m_near;
    m_far = other.m_far;
    m_perspective = other.m_perspective;
    m_fieldOfView = other.m_fieldOfView;
    m_parallelHeight = other.m_parallelHeight;
    m_imageAspect = other.m_imageAspect;
    m_fovIsVertical = other.m_fovIsVertical;
    m_stored = other.m_stored;
    m_referencePoint = other.m_referencePoint;
    m_name = other.m_name;
    m_filmWidth = other.m_filmWidth;
    Copy2DPanZoom(other);
}

void CCamera::SwapCameras(CCamera& a, CCamera& b)
{
    const CCamera kept(a);
    a = b;
    b = kept;
}

bool CCamera::operator==(const CCamera& other) const
{
    const auto near = [](double x, double y) { return std::abs(x - y) < kGeomTolerance; };
    if (!IsWithinTolerance(m_eye, other.m_eye) || !IsWithinTolerance(m_target, other.m_target))
        return false;
    if (!near(m_up.x, other.m_up.x) || !near(m_up.y, other.m_up.y) || !near(m_up.z, other.m_up.z))
        return false;
    if (m_perspective != other.m_perspective || !near(m_imageAspect, other.m_imageAspect) ||
        !near(m_fieldOfView, other.m_fieldOfView) || m_fovIsVertical != other.m_fovIsVertical ||
        m_panZoom2D != other.m_panZoom2D)
        return false;
    return !m_panZoom2D || (near(m_scale2D, other.m_scale2D) && near(m_offsetX2D, other.m_offsetX2D) &&
                            near(m_offsetY2D, other.m_offsetY2D));
}

bool CCamera::Is2DPanZoomIdentity() const
{
    return m_panZoom2D && std::abs(m_scale2D - 1.0) < kGeomTolerance &&
           std::abs(m_offsetX2D) < kGeomTolerance && std::abs(m_offsetY2D) < kGeomTolerance;
}

double CCamera::GetFieldOfView(double windowAspect) const
{
    const double a = windowAspect;
    const double A = m_imageAspect;
    const double halfTangent = std::tan(m_fieldOfView * kRadiansPerDegree / 2);
    if (m_fovIsVertical) {
        // A picture wider than the window keeps its width: the window shows more height.
        if (A > 0 && A > a)
            return 2 * std::atan(halfTangent * A / a) * kDegreesPerRadian;
        return m_fieldOfView;
    }
    double t = halfTangent / a;
    if (A > 0 && a >= A)
        t = halfTangent / A;
    return 2 * std::atan(t) * kDegreesPerRadian;
}

double CCamera::FovToFocalLength(double fov) const
{
    if (fov >= 180.0)
        return 0.0;
    const double film = m_filmWidth < 0.1 ? kDefaultFilmWidth : m_filmWidth;
    return (film / 2) / std::tan(fov * kRadiansPerDegree / 2);
}

double CCamera::FocalLengthToFov(double focalLength) const
{
    if (focalLength < 1e-6)
        return 180.0;
    const double film = m_filmWidth < 0.1 ? kDefaultFilmWidth : m_filmWidth;
    return 2 * std::atan((film / 2) / focalLength) * kDegreesPerRadian;
}

double CCamera::GetViewTransform(CTransform3d& transform, bool originAtEye) const
{
    CVector3d back = m_eye - m_target;
    double distance = 0.0;
    back.NormalizeWithLength(distance);
    CVector3d x = m_up.Cross(back);
    if (!x.Normalize())
        return -1.0;
    const CVector3d y = back.Cross(x);
    const CVector3d origin = (originAtEye ? m_eye : m_target) - CPoint3d();
    const CVector3d rows[3] = {x, y, back};
    for (int r = 0; r < 3; ++r) {
        transform.m[3 * r] = rows[r].x;
        transform.m[3 * r + 1] = rows[r].y;
        transform.m[3 * r + 2] = rows[r].z;
    }
    transform.t = CVector3d(-x.Dot(origin), -y.Dot(origin), -back.Dot(origin));
    transform.scale = 1.0;
    transform.identity = false;
    transform.orthonormal = true;
    return distance;
}

bool CCamera::SetEyeTargetUp(const CPoint3d& eye, const CPoint3d& target, const CVector3d& up)
{
    CVector3d v = m_eye - m_target;
    m_eye = eye;
    m_target = target;
    if (IsWithinTolerance(m_target, m_eye)) {
        if (v.LengthSquared() < kGeomTolerance)
            v = CVector3d(0, 0, 1);
        // Far from the origin a small step may vanish in the eye's precision: grow it.
        while (IsWithinTolerance(m_target, m_eye)) {
            m_target = m_eye + v;
            v *= 10.0;
        }
    }
    const double minDistance =
        kMinTargetDistanceRatio * std::max(DistanceFromOrigin(m_eye), DistanceFromOrigin(m_target));
    if (m_eye.DistanceTo(m_target) < minDistance)
        m_target = m_eye + minDistance * CVector3d(CUnitVector3d(m_eye, m_target));
    m_up = CUnitVector3d(up);
    return OrthogonalizeUp();
}

bool CCamera::SetEyeDirectionUp(const CPoint3d& eye, const CVector3d& direction, const CVector3d& up)
{
    const CPoint3d target = eye + GetTargetDistance() * CVector3d(CUnitVector3d(direction));
    return SetEyeTargetUp(eye, target, up);
}

void CCamera::Set(const CPoint3d& eye, const CPoint3d& target, const CVector3d& up, double nearDistance,
                  double farDistance, bool perspective, double fov, double parallelHeight)
{
    SetEyeTargetUp(eye, target, up);
    m_near = nearDistance;
    m_far = farDistance;
    m_perspective = perspective;
    m_fieldOfView = fov;
    m_parallelHeight = parallelHeight;
    m_stored = false;
}

void CCamera::SetFromDirection(const CPoint3d& eye, const CVector3d& direction, const CVector3d& up,
                               double nearDistance, double farDistance, bool perspective, double fov,
                               double parallelHeight)
{
    const CPoint3d target = eye + GetTargetDistance() * CVector3d(CUnitVector3d(direction));
    Set(eye, target, up, nearDistance, farDistance, perspective, fov, parallelHeight);
}

void CCamera::SetTargetDistance(double distance)
{
    CVector3d v = m_target - m_eye;
    if (v.LengthSquared() < 1e-20 || !v.Normalize())
        return;
    m_target = m_eye + distance * v;
}

void CCamera::SetPerspective(bool perspective)
{
    if (perspective == m_perspective)
        return;
    if (!perspective)
        m_parallelHeight = 2 * std::tan(m_fieldOfView * kRadiansPerDegree / 2) * m_eye.DistanceTo(m_target);
    m_perspective = perspective;
}

void CCamera::RebuildUp(const CUnitVector3d& direction)
{
    const CUnitVector3d axis =
        direction.IsParallelTo(CUnitVector3d::ZAxis()) ? CUnitVector3d::YAxis() : CUnitVector3d::ZAxis();
    const CUnitVector3d x(axis.Cross(direction));
    m_up = CUnitVector3d(direction.Cross(x));
}

bool CCamera::OrthogonalizeUp()
{
    const CUnitVector3d d = GetDirection();
    if (std::abs(d.Dot(m_up)) < kGeomTolerance)
        return m_up.IsNonZero();
    const CUnitVector3d r(d.Cross(m_up));
    if (r.IsNonZero())
        m_up = CUnitVector3d(r.Cross(d));
    else
        RebuildUp(d);
    return m_up.IsNonZero();
}

void CCamera::Transform(const CTransform3d& transform)
{
    CVector3d direction = m_target - m_eye;
    CVector3d up = m_up;
    transform.TransformPoint(m_eye);
    transform.TransformPoint(m_target);
    transform.TransformVector(direction);
    transform.TransformVector(up);
    const CUnitVector3d d(direction);
    const CUnitVector3d right(d.Cross(up));
    m_up = CUnitVector3d(right.Cross(d));
}

bool CCamera::Repair()
{
    bool changed = false;
    if (m_eye.DistanceTo(m_target) < kGeomTolerance) {
        const CUnitVector3d down(0, 0, -1);
        const CUnitVector3d direction = m_up.IsParallelTo(down) ? CUnitVector3d::YAxis() : down;
        m_target = m_eye + CVector3d(direction);
        changed = true;
    }
    const CUnitVector3d direction = GetDirection();
    if (!m_up.IsNonZero() || m_up.IsParallelTo(direction)) {
        RebuildUp(direction);
        changed = true;
    }
    if (!m_eye.IsValid() || !m_target.IsValid() || !CVector3d(m_up).IsValid() || !m_up.IsNonZero()) {
        m_eye = CPoint3d(0, 0, 1);
        m_target = CPoint3d();
        m_up = CUnitVector3d::YAxis();
        changed = true;
    }
    // A projection that is not a number would poison every matrix of the view.
    if (!std::isfinite(m_fieldOfView)) {
        m_fieldOfView = kDefaultFieldOfView;
        changed = true;
    }
    if (!std::isfinite(m_parallelHeight)) {
        m_parallelHeight = kDefaultParallelHeight;
        changed = true;
    }
    return !changed;
}

bool CCamera::IsValid() const
{
    return m_eye.IsValid() && m_target.IsValid() && std::isfinite(m_near) && std::isfinite(m_far) &&
           std::isfinite(m_fieldOfView) && std::isfinite(m_parallelHeight) && std::isfinite(m_imageAspect) &&
           m_referencePoint.IsValid() && std::isfinite(m_filmWidth) && CVector3d(m_up).IsValid() &&
           std::abs(m_up.x * m_up.x + m_up.y * m_up.y + m_up.z * m_up.z - 1.0) < 1e-6;
}

void CCamera::Set2DPanZoom(bool enabled, double scale, double offsetX, double offsetY)
{
    m_panZoom2D = enabled;
    m_scale2D = scale;
    m_offsetX2D = offsetX;
    m_offsetY2D = offsetY;
}

void CCamera::Copy2DPanZoom(const CCamera& other)
{
    Set2DPanZoom(other.m_panZoom2D, other.m_scale2D, other.m_offsetX2D, other.m_offsetY2D);
}

void CCamera::Pan2D(double dx, double dy)
{
    m_offsetX2D += dx * m_scale2D;
    m_offsetY2D += dy * m_scale2D;
}

void CCamera::Zoom2DAbout(double x, double y, double factor)
{
    const double scale = m_scale2D;
    m_scale2D = scale * (1 + factor);
    m_offsetX2D -= factor * scale * x;
    m_offsetY2D -= factor * scale * y;
}

void CCamera::Transform2D(double dx, double dy, double scale)
{
    m_offsetX2D += dx * m_scale2D;
    m_offsetY2D += dy * m_scale2D;
    m_scale2D *= scale;
}

// Records.

void CCamera::Serialize(CArchive& ar)
{
    if (ar.IsLoading())
        ReadRecord(ar);
    else
        WriteRecord(ar);
}

void CCamera::ReadRecord(CArchive& ar)
{
    const int32_t v = GetClassVersion(RUNTIME_CLASS(CCamera));
    ar >> m_eye >> m_target >> m_up >> m_near >> m_far >> m_perspective >> m_fieldOfView >>
        m_parallelHeight >> m_referencePoint >> m_imageAspect >> m_fovIsVertical;
    m_stored = false;
    if (v >= 2)
        ar >> m_stored;
    if (v >= 3)
        ar >> m_name;
    if (v >= 4)
        ar >> m_filmWidth;
    if (v >= 5)
        ar >> m_panZoom2D >> m_scale2D >> m_offsetX2D >> m_offsetY2D;
    Repair();
}

void CCamera::WriteRecord(CArchive& ar) const
{
    const int32_t v = GetClassVersion(RUNTIME_CLASS(CCamera));
    ar << m_eye << m_target << m_up << m_near << m_far << m_perspective << m_fieldOfView << m_parallelHeight
       << m_referencePoint << m_imageAspect << m_fovIsVertical;
    if (v >= 2)
        ar << m_stored;
    if (v >= 3)
        ar << m_name;
    if (v >= 4)
        ar << m_filmWidth;
    if (v >= 5)
        ar << m_panZoom2D << m_scale2D << m_offsetX2D << m_offsetY2D;
}

void CCamera::ReadInline(CArchive& ar)
{
    CVector3d direction;
    ar >> m_eye >> direction >> m_up >> m_near >> m_far >> m_perspective >> m_fieldOfView >>
        m_parallelHeight >> m_referencePoint;
    double length = 0.0;
    direction.NormalizeWithLength(length);
    m_target = m_eye + direction;
    m_imageAspect = 0.0;
    m_fovIsVertical = true;
    m_stored = false;
    m_name.Empty();
    m_filmWidth = 0.0;
    Set2DPanZoom(false, 1.0, 0.0, 0.0);
    Repair();
}

void CCamera::ReadEmbedded(CArchive& ar, bool inlineForm)
{
    if (inlineForm) {
        ReadInline(ar);
        return;
    }
    CCamera* camera = nullptr;
    ar >> camera;
    if (!camera)
        return;
    Copy(*camera);
    // A later record may still refer back to the object read, so the model being read keeps
    // it until it is freed.
    KeepUnownedObject(camera);
}

void CCamera::WriteEmbedded(CArchive& ar) const
{
    ar << static_cast<const CObject*>(this);
}

std::unique_ptr<ICamera> CCamera::Clone() const
{
    return std::make_unique<CCamera>(*this);
}

void CCamera::Assign(const ICamera& other)
{
    Copy(dynamic_cast<const CCamera&>(other));
}
