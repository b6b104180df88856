#include "view/Clipping.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "database/IModelView.h"
#include "geometry/Tolerance.h"
#include "settings/Camera.h"
#include "settings/ViewDefinition.h"

using orbisk::geometry::CBoundingBox3d;
using orbisk::geometry::CLine3d;
using orbisk::geometry::CPlane3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CRay3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CUnitVector3d;
using orbisk::geometry::CVector3d;
using orbisk::geometry::kGeomTolerance;
using orbisk::utils::CColor;

namespace {

// Where the drawn depth range ends, as fractions of the near and far clipping distances.
constexpr double kNearPlaneFactor = 1.0001;
constexpr double kFarPlaneFactor = 0.9999;
// The limits of the frustum an infinite line is clipped to, in eye z.
constexpr double kNearLimitFactor = 1.0001;
constexpr double kFarLimitFactor = 0.9997;
// The squared library tolerance, which ContainsPoint allows outside the frustum.
constexpr double kFrustumTolerance = 1e-6;
constexpr double kInfinite = std::numeric_limits<double>::infinity();
constexpr int kArrowPixels = 5;

}  // namespace

// -------------------------------------------------------------------------------------------
// Depth-range planes.

CDepthRangePlanes::CDepthRangePlanes(IModelView* view)
    : CDepthRangePlanes(*view->GetViewDefinition(), view->GetInverseTransform())
{}

CDepthRangePlanes::CDepthRangePlanes(const CViewDefinition& definition, const CTransform3d& localFromModel)
{
    const CCamera& camera = definition.GetCamera();
    const CUnitVector3d modelDirection = camera.GetDirection();
    m_eye = localFromModel.MultiplyPoint(camera.GetEye());
    m_nearAxisPoint = localFromModel.MultiplyPoint(
        CPoint3d(camera.GetEye(), kNearPlaneFactor * definition.GetNear(), modelDirection));
    m_farAxisPoint = localFromModel.MultiplyPoint(
        CPoint3d(camera.GetEye(), kFarPlaneFactor * definition.GetFar(), modelDirection));
    m_direction = CUnitVector3d(localFromModel.MultiplyVector(modelDirection));
    m_nearDistance = DepthOf(m_nearAxisPoint) / kNearPlaneFactor;
    m_perspective = camera.IsPerspective();
    m_near = CPlane3d(m_nearAxisPoint, m_direction);
    m_far = CPlane3d(m_farAxisPoint, m_direction);
}

CPoint3d CDepthRangePlanes::Project(const CPlane3d& plane, const CPoint3d& axisPoint, const CPoint3d& p) const
{
    if (!m_perspective)
        return plane.ProjectPoint(p);
    CRay3d fromEye;
    fromEye.SetThrough(m_eye, p);
    CPoint3d hit;
    if (!fromEye.direction.IsNonZero() || !fromEye.Intersect(plane, hit))
        return axisPoint;
    return hit;
}

CPoint3d CDepthRangePlanes::Clip(const CPlane3d& plane, const CPoint3d& axisPoint, const CPoint3d& a,
                                 const CPoint3d& b)
{
    CRay3d line;
    line.SetThrough(a, b);
    CPoint3d hit;
    if (!line.direction.IsNonZero() || !line.Intersect(plane, hit))
        return axisPoint;
    return hit;
}

std::vector<CSegment3d> CDepthRangePlanes::SplitSegment(const CPoint3d& a, const CPoint3d& b) const
{
    if (a.DistanceTo(b) < kGeomTolerance)
        return {};
    // P is the end farther along the view direction.
    const bool aIsFarther = DepthOf(a) >= DepthOf(b);
    const CPoint3d p = aIsFarther ? a : b;
    CPoint3d q = aIsFarther ? b : a;
    if (m_perspective) {
        // A point at or behind the eye would be projected through the eye onto the other side
        // of the picture. The part behind the eye is dropped, down to a point just in front of
        // it, whose projection runs off the picture in the direction the segment goes.
        const double minDepth = std::max(1e-3 * m_nearDistance, 1e-9);
        const double depthP = DepthOf(p);
        const double depthQ = DepthOf(q);
        if (depthP <= minDepth)
            return {};
        if (depthQ < minDepth)
            q = CPoint3d(p, (depthP - minDepth) / (depthP - depthQ), q - p);
    }

    if (IsBeyondFarPlane(p)) {
        if (IsBeyondFarPlane(q))
            return {{ProjectToFarPlane(p), ProjectToFarPlane(q)}};
        const CPoint3d c = ClipToFarPlane(p, q);
        if (!IsBeforeNearPlane(q))
            return {{ProjectToFarPlane(p), c}, {c, q}};
        const CPoint3d c2 = ClipToNearPlane(p, q);
        return {{ProjectToFarPlane(p), c}, {c, c2}, {c2, ProjectToNearPlane(q)}};
    }
    if (IsBeforeNearPlane(p))
        return {{ProjectToNearPlane(p), ProjectToNearPlane(q)}};
    if (IsBeforeNearPlane(q)) {
        const CPoint3d c2 = ClipToNearPlane(p, q);
        return {{p, c2}, {c2, ProjectToNearPlane(q)}};
    }
    return {{p, q}};
}

// -------------------------------------------------------------------------------------------
// View frustum.

CViewFrustumClip::CViewFrustumClip() = default;

CViewFrustumClip::CViewFrustumClip(const CBoundingBox3d& box_, double focalDistance_, const CRay3d& ray_)
    : box(box_), focalDistance(focalDistance_), ray(ray_)
{}

bool CViewFrustumClip::ContainsPoint(const CPoint3d& p, bool withDepth) const
{
    constexpr double t = kFrustumTolerance;
    const bool perspective = focalDistance != 0.0;
    if (withDepth) {
        if (p.z < box.z.min - t || p.z > box.z.max + t)
            return false;
    } else if (perspective && p.z >= 0.0) {
        return false;
    }
    const double s = perspective ? -p.z / focalDistance : 1.0;
    if (p.x < s * box.x.min - t || p.x > s * box.x.max + t)
        return false;
    return p.y >= s * box.y.min - t && p.y <= s * box.y.max + t;
}

namespace {

struct CFramePlane {
    CPlane3d plane;
    int face;
};

// Two hits of a line on the frustum's planes, told apart by more than the tolerance.
class CHitPair {
public:
    void Add(double t, int face)
    {
        if (m_count == 0) {
            m_t[0] = t, m_face[0] = face, m_count = 1;
        } else if (m_count == 1 && std::abs(t - m_t[0]) > kGeomTolerance) {
            m_t[1] = t, m_face[1] = face, m_count = 2;
            if (m_t[1] < m_t[0]) {
                std::swap(m_t[0], m_t[1]);
                std::swap(m_face[0], m_face[1]);
            }
        }
    }
    int Count() const { return m_count; }
    double T(int i) const { return m_t[i]; }
    int Face(int i) const { return m_face[i]; }

private:
    int m_count = 0;
    double m_t[2] = {0.0, 0.0};
    int m_face[2] = {0, 0};
};

}  // namespace

int CViewFrustumClip::ClipRay()
{
    firstEntry = firstExit = secondEntry = secondExit = 0.0;
    firstEntryFace = firstExitFace = secondEntryFace = secondExitFace = 0;

    const double left = box.x.min, right = box.x.max, bottom = box.y.min, top = box.y.max;
    // Left, top, right, bottom, then near and far.
    CFramePlane planes[6];
    if (focalDistance != 0.0) {
        const double z = -focalDistance;
        const CPoint3d eye;
        const CPoint3d leftBottom(left, bottom, z), leftTop(left, top, z);
        const CPoint3d rightTop(right, top, z), rightBottom(right, bottom, z);
        planes[0] = {CPlane3d(eye, leftBottom, leftTop), kLeft};
        planes[1] = {CPlane3d(eye, leftTop, rightTop), kTop};
        planes[2] = {CPlane3d(eye, rightTop, rightBottom), kRight};
        planes[3] = {CPlane3d(eye, rightBottom, leftBottom), kBottom};
    } else {
        planes[0] = {CPlane3d(1, 0, 0, -left), kLeft};
        planes[1] = {CPlane3d(0, 1, 0, -top), kTop};
        planes[2] = {CPlane3d(1, 0, 0, -right), kRight};
        planes[3] = {CPlane3d(0, 1, 0, -bottom), kBottom};
    }
    planes[4] = {CPlane3d(0, 0, 1, -box.z.max), kNear};
    planes[5] = {CPlane3d(0, 0, 1, -box.z.min), kFar};

    auto collect = [this](const CFramePlane* begin, const CFramePlane* end, bool withDepth) {
        CHitPair hits;
        for (const CFramePlane* p = begin; p != end && hits.Count() < 2; ++p) {
            CPoint3d hit;
            if (ray.Intersect(p->plane, hit) && ContainsPoint(hit, withDepth))
                hits.Add(ray.GetParameter(hit), p->face);
        }
        return hits;
    };

    int result = 0;
    const CHitPair first = collect(planes, planes + 6, true);
    if (first.Count() == 2) {
        firstEntry = first.T(0), firstEntryFace = first.Face(0);
        firstExit = first.T(1), firstExitFace = first.Face(1);
        result |= kCrossesFrustum;
        if (firstEntryFace <= kTop && firstExitFace <= kTop)
            return result;
    }
    const CHitPair second = collect(planes, planes + 4, false);
    if (second.Count() >= 1) {
        secondEntry = second.T(0), secondEntryFace = second.Face(0);
        if (second.Count() == 2)
            secondExit = second.T(1), secondExitFace = second.Face(1);
        result |= kCrossesSideWalls;
    }
    return result;
}

// -------------------------------------------------------------------------------------------
// Infinite lines.

namespace {

// The line in eye coordinates, and how its points are moved onto a depth limit.
class CEyeLine {
public:
    CEyeLine(const CRay3d& ray, bool perspective, double farLimit)
        : m_ray(ray), m_perspective(perspective), m_farLimit(farLimit)
    {}

    // In perspective a point keeps its place on the screen; in parallel projection only its
    // depth changes.
    CPoint3d Flatten(const CPoint3d& p, double limit) const
    {
        if (!m_perspective)
            return CPoint3d(p.x, p.y, limit);
        if (p.z >= 0.0)
            return p;
        const double s = limit / p.z;
        return CPoint3d(p.x * s, p.y * s, limit);
    }
    // A parameter at infinity stands for the vanishing point on the far limit: where the line
    // from the eye in the direction the line runs off meets the far limit.
    CPoint3d FlattenedPointAt(double t, double limit) const
    {
        if (std::isfinite(t))
            return Flatten(m_ray.GetPointAt(t), limit);
        const CVector3d d = t > 0.0 ? CVector3d(m_ray.direction) : CVector3d(-m_ray.direction);
        if (!m_perspective || d.z >= 0.0)
            return Flatten(m_ray.origin, m_farLimit);
        return CPoint3d() + d * (m_farLimit / d.z);
    }

private:
    CRay3d m_ray;
    bool m_perspective;
    double m_farLimit;
};

}  // namespace

CInfiniteLinePieces FindInfiniteLinePieces(const CViewDefinition& definition,
                                           const CTransform3d& modelFromLocal, const CLine3d& line,
                                           bool bothDirections)
{
    CInfiniteLinePieces pieces;
    const CCamera& camera = definition.GetCamera();
    CTransform3d view;
    const double focus = camera.GetViewTransform(view, true);
    if (focus < 1e-10)
        return pieces;
    const CTransform3d eyeFromLocal = view * modelFromLocal;
    const CTransform3d localFromEye = eyeFromLocal.Inverse();

    CRay3d ray;
    ray.SetThrough(eyeFromLocal.MultiplyPoint(line.origin), eyeFromLocal.MultiplyPoint(line.GetPointAt(1.0)));
    if (!ray.direction.IsNonZero())
        return pieces;
    const bool perspective = camera.IsPerspective();
    if (perspective && ray.origin.z > 0.0) {
        // Behind the eye: a ray running further back shows nothing; otherwise start just in
        // front of the eye.
        if (!bothDirections && ray.direction.z >= 0.0)
            return pieces;
        if (std::abs(ray.direction.z) < 1e-6)
            return pieces;
        ray.origin = ray.GetPointAt((-kGeomTolerance - ray.origin.z) / ray.direction.z);
    }

    const double focalDistance = perspective ? focus : 0.0;
    const double nearLimit = -kNearLimitFactor * definition.GetNear();
    const double farLimit = -kFarLimitFactor * definition.GetFar();
    double left = 0, right = 0, bottom = 0, top = 0;
    definition.GetFrustumAt(focalDistance, left, right, bottom, top);
    CBoundingBox3d box;
    box.Add(CPoint3d(left, bottom, nearLimit));
    box.Add(CPoint3d(right, top, farLimit));
    CViewFrustumClip clip(box, focalDistance, ray);
    const int result = clip.ClipRay();
    if (result == 0)
        return pieces;

    // A ray starts at its origin.
    const double lowest = bothDirections ? -kInfinite : 0.0;
    const bool crosses = (result & CViewFrustumClip::kCrossesFrustum) != 0;
    if (crosses && clip.firstExit > lowest) {
        const double from = std::max(clip.firstEntry, lowest);
        pieces.local.push_back({localFromEye.MultiplyPoint(ray.GetPointAt(from)),
                                localFromEye.MultiplyPoint(ray.GetPointAt(clip.firstExit))});
    }
    if (!(result & CViewFrustumClip::kCrossesSideWalls))
        return pieces;

    // The part between the side walls; without an exit it runs to infinity inside them, on
    // the side where the line goes away from the eye.
    double wallsFrom = clip.secondEntry;
    double wallsTo = clip.secondExit;
    if (clip.secondExitFace == 0) {
        wallsTo = kInfinite;
        if (ray.direction.z > 0.0)
            std::swap(wallsFrom, wallsTo), wallsFrom = -kInfinite;
    }
    wallsFrom = std::max(wallsFrom, lowest);

    const CEyeLine eyeLine(ray, perspective, farLimit);
    auto addFlattened = [&](double from, double to, double limit) {
        if (to <= from)
            return;
        pieces.eye.push_back({eyeLine.FlattenedPointAt(from, limit), eyeLine.FlattenedPointAt(to, limit)});
    };
    auto limitOf = [&](int face) { return face == CViewFrustumClip::kNear ? nearLimit : farLimit; };
    auto isDepthFace = [](int face) {
        return face == CViewFrustumClip::kNear || face == CViewFrustumClip::kFar;
    };

    if (!crosses) {
        // Wholly beyond the far limit or wholly before the near one.
        const double t = std::isfinite(wallsFrom) ? wallsFrom : wallsTo;
        const double z = ray.GetPointAt(t).z;
        addFlattened(wallsFrom, wallsTo, z < farLimit ? farLimit : nearLimit);
        return pieces;
    }
    if (isDepthFace(clip.firstExitFace))
        addFlattened(std::max(clip.firstExit, lowest), wallsTo, limitOf(clip.firstExitFace));
    if (isDepthFace(clip.firstEntryFace))
        addFlattened(wallsFrom, clip.firstEntry, limitOf(clip.firstEntryFace));
    return pieces;
}

// -------------------------------------------------------------------------------------------
// Drawing.

std::vector<CSegment3d> ArrowHeadStrokes(IModelView* view, const CPoint3d& a, const CPoint3d& b, bool atStart,
                                         bool atEnd)
{
    std::vector<CSegment3d> strokes;
    const CUnitVector3d d(a, b);
    if ((!atStart && !atEnd) || !d.IsNonZero())
        return strokes;
    const CViewDefinition* definition = view->GetViewDefinition();
    const bool perspective = definition && definition->GetCamera().IsPerspective();
    const CPoint3d eye = view->GetEyePoint();
    const CUnitVector3d viewDirection(view->GetViewDirection());
    // Across the segment (s) and along it (u), both in the plane facing the eye at an end.
    auto axesAt = [&](const CPoint3d& end, CVector3d& s, CVector3d& u) {
        const CUnitVector3d l = perspective ? CUnitVector3d(eye, end) : viewDirection;
        s = CUnitVector3d(d.Cross(l));
        u = CUnitVector3d(l.Cross(s));
        return s.LengthSquared() > 0.0 && u.LengthSquared() > 0.0;
    };
    CVector3d s1, u1, s2, u2;
    // A segment pointing at the eye has no direction on the screen: no head at all.
    if (!axesAt(a, s1, u1) || !axesAt(b, s2, u2))
        return strokes;
    if (atStart) {
        const double k = view->PixelsToModel(kArrowPixels, a);
        strokes.push_back({a, a + (u1 + s1) * k});
        strokes.push_back({a, a + (u1 - s1) * k});
    }
    if (atEnd) {
        const double k = view->PixelsToModel(kArrowPixels, b);
        strokes.push_back({b, b - (u2 - s2) * k});
        strokes.push_back({b, b - (u2 + s2) * k});
    }
    return strokes;
}

void DrawStyledSegment(IModelView* view, const CPoint3d& a, const CPoint3d& b, CColor color,
                       unsigned short stipple, bool arrowAtStart, bool arrowAtEnd, double width)
{
    view->SetLighting(false);
    view->DrawStyledLine(a, b, color, width, stipple);
    view->SetLineStipple(0);
    const std::vector<CSegment3d> strokes = ArrowHeadStrokes(view, a, b, arrowAtStart, arrowAtEnd);
    if (strokes.empty())
        return;
    view->BeginPrimitive(GL_LINES);
    for (const auto& [from, to] : strokes) {
        view->Vertex(from.x, from.y, from.z);
        view->Vertex(to.x, to.y, to.z);
    }
    view->EndPrimitive();
}

void DrawLineClippedToDepthRange(IModelView* view, const CPoint3d& a, const CPoint3d& b)
{
    if (!view || !view->GetViewDefinition())
        return;
    for (const auto& [from, to] : CDepthRangePlanes(view).SplitSegment(a, b))
        view->DrawLine(from, to);
}

void DrawInfiniteLine(IModelView* view, const CLine3d& line, unsigned short stipple, bool bothDirections,
                      CColor color, double width)
{
    const CViewDefinition* definition = view ? view->GetViewDefinition() : nullptr;
    if (!definition)
        return;
    const CInfiniteLinePieces pieces =
        FindInfiniteLinePieces(*definition, view->GetTransform(), line, bothDirections);
    for (const auto& [from, to] : pieces.local)
        DrawStyledSegment(view, from, to, color, stipple, false, false, width);
    if (pieces.eye.empty())
        return;

    // The flattened parts are in eye coordinates: the model-view matrix becomes the identity
    // meanwhile. No primitive may be open while the matrix changes.
    view->EndPrimitive();
    GLint matrixMode = GL_MODELVIEW;
    glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    for (const auto& [from, to] : pieces.eye)
        DrawStyledSegment(view, from, to, color, stipple, false, false, width);
    view->EndPrimitive();
    glPopMatrix();
    glMatrixMode(static_cast<GLenum>(matrixMode));
}
