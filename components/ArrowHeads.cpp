#include "components/ArrowHeads.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "components/ZpFont.h"
#include "database/IModelView.h"
#include "geometry/Tolerance.h"
#include "geometry/Transform3d.h"
#include "settings/Camera.h"
#include "settings/ViewDefinition.h"

using orbisk::geometry::CInterval1d;
using orbisk::geometry::CPlane3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CVector3d;
using orbisk::geometry::kGeomTolerance;

namespace {

constexpr int kDotSides = 10;
// Filled shapes are pulled towards the viewer so that the line they sit on does not show
// through them.
constexpr float kFillOffset = -2.5f;

void Line(IModelView* view, double x0, double y0, double x1, double y1)
{
    view->Vertex(x0, y0, 0.0);
    view->Vertex(x1, y1, 0.0);
}

// The dot and the closed arrow: a polygon pulled forward, or its outline.
template <class EmitVertices>
void DrawClosedShape(IModelView* view, bool fill, EmitVertices emit)
{
    if (fill)
        view->PushPolygonOffset(true, kFillOffset, kFillOffset);
    view->BeginPrimitive(fill ? GL_POLYGON : GL_LINE_LOOP);
    emit();
    view->EndPrimitive();
    if (fill)
        view->PopPolygonOffset();
}

bool SamePoint2d(const CPoint3d& a, const CPoint3d& b)
{
    return std::abs(a.x - b.x) < kGeomTolerance && std::abs(a.y - b.y) < kGeomTolerance;
}

void DrawSegment(IModelView* view, const CPoint3d& from, const CPoint3d& to)
{
    view->Vertex(from.x, from.y, from.z);
    view->Vertex(to.x, to.y, to.z);
}

}  // namespace

void DrawArrowShape(int arrowType, IModelView* view, double lineWidth, double size, bool fill, bool flip)
{
    switch (arrowType) {
        case kArrowSlash: {
            const double e = size / 2.0;
            const double lean = flip ? -e : e;
            view->SetLineWidth(2.0 * lineWidth);
            view->BeginPrimitive(GL_LINES);
            Line(view, -e, -lean, 0.0, 0.0);
            Line(view, 0.0, 0.0, e, lean);
            view->EndPrimitive();
            view->SetLineWidth(lineWidth);
            view->BeginPrimitive(GL_LINES);
            Line(view, 0.0, 0.0, -e, 0.0);
            view->EndPrimitive();
            break;
        }
        case kArrowDot:
            DrawClosedShape(view, fill, [&] {
                const double radius = size / 3.0;
                for (int i = 0; i < kDotSides; ++i) {
                    const double angle = i * orbisk::geometry::kTwoPi / kDotSides;
                    view->Vertex(std::cos(angle) * radius, std::sin(angle) * radius, 0.0);
                }
            });
            break;
        case kArrowClosed:
            DrawClosedShape(view, fill, [&] {
                view->Vertex(0.0, 0.0, 0.0);
                view->Vertex(size, -size / 3.0, 0.0);
                view->Vertex(size, size / 3.0, 0.0);
            });
            break;
        case kArrowOpen:
            view->SetLineWidth(2.0 * lineWidth);
            view->BeginPrimitive(GL_LINE_STRIP);
            view->Vertex(0.75 * size, -0.75 * size, 0.0);
            view->Vertex(0.0, 0.0, 0.0);
            view->Vertex(0.75 * size, 0.75 * size, 0.0);
            view->EndPrimitive();
            view->SetLineWidth(lineWidth);
            break;
        default: break;
    }
}

void DrawArrowHead(IModelView* view, const CPlane3d& plane, const CPoint3d& tip, const CVector3d& direction,
                   int arrowType, double size, int lineWidth)
{
    if (arrowType == kArrowNone || direction.LengthSquared() < orbisk::geometry::kZeroLengthSquared)
        return;
    // The head is drawn in model coordinates, so that its size is a model size whatever the
    // scale of the instances it sits in.
    const CTransform3d toModel = view->GetTransform();
    CVector3d xAxis = toModel.MultiplyVector(direction);
    CVector3d zAxis = toModel.MultiplyPlane(plane).GetNormal();
    const CPoint3d origin = toModel.MultiplyPoint(tip);
    CVector3d yAxis = zAxis.Cross(xAxis);
    // A direction along the plane's normal leaves no plane to draw the head in.
    if (!xAxis.Normalize() || !zAxis.Normalize() || !yAxis.Normalize())
        return;
    view->PushTransform(toModel.Inverse(), true);
    view->PushTransform(CTransform3d(xAxis, yAxis, zAxis, origin), true);

    bool flip = false;
    if (arrowType == kArrowSlash) {
        // The slash leans the same way on screen whichever way the line runs.
        if (const CViewDefinition* definition = view->GetViewDefinition()) {
            const CTransform3d current = view->GetTransform();
            const CVector3d x = current.MultiplyVector({1, 0, 0});
            const CVector3d y = current.MultiplyVector({0, 1, 0});
            flip = (x.Dot(definition->GetRight()) < 0.0) != (y.Dot(definition->GetUp()) < 0.0);
        }
    }
    DrawArrowShape(arrowType, view, lineWidth, size, true, flip);

    view->PopTransform(true);
    view->PopTransform(true);
}

bool IsEdgeOnToView(const CPlane3d& plane, const CPoint3d& point, IModelView* view, double tolerance)
{
    const CViewDefinition* definition = view->GetViewDefinition();
    if (!definition)
        return false;
    const CTransform3d toModel = view->GetTransform();
    CVector3d normal = toModel.MultiplyPlane(plane).GetNormal();
    const CPoint3d onPlane = toModel.MultiplyPoint(plane.ProjectPoint(point));
    const CCamera& camera = definition->GetCamera();
    // In a parallel projection every sight line runs along the view direction, wherever the eye
    // has been put.
    CVector3d sight = camera.IsPerspective() ? onPlane - camera.GetEye() : CVector3d(camera.GetDirection());
    if (!sight.Normalize() || !normal.Normalize())
        return false;
    return std::abs(normal.Dot(sight)) <= tolerance;
}

int ClassifyInInterval(double value, int code, const CInterval1d& interval)
{
    const double t = kGeomTolerance;
    if (std::abs(interval.min - interval.max) < t && std::abs(interval.min - value) < t)
        return code;
    if (value - interval.min < t)
        return 1;
    if (value - interval.max > -t)
        return 2;
    return 0;
}

bool IntersectSegments2d(const CPoint3d& p, const CPoint3d& q, const CPoint3d& r, const CPoint3d& s,
                         double& t)
{
    t = 0.0;
    const CVector3d u = q - p;
    const CVector3d w = s - r;
    const double den = u.x * w.y - w.x * u.y;
    if (std::abs(den) < orbisk::geometry::kNearZero)
        return false;
    const double along = (w.y * (r.x - p.x) - w.x * (r.y - p.y)) / den;
    const CPoint3d crossing = p + u * along;
    if ((along < 0.0 || along > 1.0) && !SamePoint2d(crossing, p) && !SamePoint2d(crossing, q))
        return false;
    t = (u.y * (r.x - p.x) - u.x * (r.y - p.y)) / den;
    return (t >= 0.0 && t <= 1.0) || SamePoint2d(crossing, r) || SamePoint2d(crossing, s);
}

void DrawLineAroundText(IModelView* view, const CPoint3d& start, const CPoint3d& end, const CPoint3d& anchor,
                        CZpFont* font, const wchar_t* text, int alignment, bool inPlane)
{
    CPoint3d a = start;
    CPoint3d b = end;
    CPoint3d at = anchor;
    double k = 1.0;
    if (inPlane) {
        const double scale = view->GetPixelSizeScale();
        k = scale > 0.0 ? view->PixelsToModel(1, anchor) / scale : 0.0;
    } else if (!view->ModelToScreen(start, a) || !view->ModelToScreen(end, b) ||
               !view->ModelToScreen(anchor, at)) {
        // Without window positions there is no knowing where the text is.
        view->BeginPrimitive(GL_LINES);
        DrawSegment(view, start, end);
        view->EndPrimitive();
        return;
    }

    double width = 0.0;
    double height = 0.0;
    if (font && text) {
        const orbisk::geometry::CBoundingBox2d extents = font->GetTextExtents(view, CString(text), anchor);
        width = std::max(0.0, extents.x.GetLength());
        height = std::max(0.0, extents.y.GetLength());
    }
    const CVector3d w(width * k, 0.0, 0.0);
    // Window rows grow downwards, so there the text's up is -y.
    const CVector3d h(0.0, inPlane ? height * k : -height * k, 0.0);
    CVector3d offset;
    const int column = alignment % 3;
    const int row = alignment / 3;
    if (column == 1)
        offset -= w / 2.0;
    else if (column == 2)
        offset -= w;
    if (row == 1)
        offset -= h / 2.0;
    else if (row == 2)
        offset -= h;
    const CPoint3d corner0 = at + offset;
    const CPoint3d corner1 = corner0 + w + h;
    const double margin = 3.0 * k;
    CInterval1d xs(std::min(corner0.x, corner1.x) - margin, std::max(corner0.x, corner1.x) + margin);
    CInterval1d ys(std::min(corner0.y, corner1.y) - margin, std::max(corner0.y, corner1.y) + margin);
    CInterval1d zs(at.z - margin, at.z + margin);

    const int ax = ClassifyInInterval(a.x, 0, xs), ay = ClassifyInInterval(a.y, 0, ys);
    const int az = ClassifyInInterval(a.z, 0, zs);
    const int bx = ClassifyInInterval(b.x, 0, xs), by = ClassifyInInterval(b.y, 0, ys);
    const int bz = ClassifyInInterval(b.z, 0, zs);
    if (16 * az + 4 * ay + ax == 0 || 16 * bz + 4 * by + bx == 0)
        return;

    view->BeginPrimitive(GL_LINES);
    if ((ax == bx && ax != 0) || (ay == by && ay != 0) || (az == bz && az != 0)) {
        DrawSegment(view, start, end);
        view->EndPrimitive();
        return;
    }
    const CPoint3d corners[4] = {
        {xs.min, ys.min, at.z}, {xs.max, ys.min, at.z}, {xs.min, ys.max, at.z}, {xs.max, ys.max, at.z}};
    const int edges[4][2] = {{0, 1}, {1, 3}, {3, 2}, {2, 0}};
    double tMin = 1.0;
    double tMax = 0.0;
    for (const auto& edge : edges) {
        double t = 0.0;
        if (IntersectSegments2d(corners[edge[0]], corners[edge[1]], a, b, t)) {
            tMin = std::min(tMin, t);
            tMax = std::max(tMax, t);
        }
    }
    if (tMin > tMax) {
        // The line passes the box by.
        DrawSegment(view, start, end);
        view->EndPrimitive();
        return;
    }
    const CVector3d d = b - a;
    CPoint3d cutIn = a + d * tMin;
    CPoint3d cutOut = a + d * tMax;
    if (!inPlane) {
        view->ScreenToModel(a + d * tMin, cutIn);
        view->ScreenToModel(a + d * tMax, cutOut);
    }
    DrawSegment(view, start, cutIn);
    DrawSegment(view, cutOut, end);
    view->EndPrimitive();
}
