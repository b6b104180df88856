#include "topology/SectionPlane.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>
#include <vector>

#include "components/Component.h"
#include "database/CurrentModel.h"
#include "database/IModelContext.h"
#include "database/IModelView.h"
#include "database/IPickHelper.h"
#include "database/ISectionPlaneHolder.h"
#include "geometry/Point2d.h"
#include "geometry/Tolerance.h"
#include "geometry/UnitVector3d.h"
#include "platform/mfc/Archive.h"
#include "topology/SectionPlaneDisplayOptions.h"
#include "topology/SectionPlaneStack.h"

IMPLEMENT_SERIAL(CSectionPlane, CDrawingElement, VERSIONABLE_SCHEMA | 2)

using orbisk::geometry::CBoundingBox2d;
using orbisk::geometry::CBoundingBox3d;
using orbisk::geometry::CPlane3d;
using orbisk::geometry::CPoint2d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CRay3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CUnitVector3d;
using orbisk::geometry::CVector3d;
using orbisk::geometry::kGeomTolerance;
using orbisk::utils::CColor;

namespace {

// A side this short is grown to this many pixels before the margin is added.
constexpr int kShortSidePixels = 100;
// The margin at each end, as a fraction of the sum of the sides.
constexpr double kMarginFraction = 1.0 / 20.0;
// Tags the picker keeps with the plane's hit: a side of the rectangle was hit, or only its
// inside.
constexpr int kSideHit = 1;
constexpr int kInsideHit = 2;

const ISectionPlaneDisplayOptions* SectionOptionsOf(IModelView* view)
{
    return view ? GetSectionPlaneDisplayOptions(view->GetRenderingOptions()) : nullptr;
}

// Grows an interval shorter than the tolerance by half the length at both ends; an empty one
// counts as a zero-length interval at its centre.
void GrowShortSide(orbisk::geometry::CInterval1d& side, double centre, double length)
{
    if (side.GetLength() >= kGeomTolerance)
        return;
    if (side.IsEmpty())
        side = {centre, centre};
    side.min -= length / 2;
    side.max += length / 2;
}

// The sides of the quadrilateral from corner 4 to 1, 1 to 2, 2 to 3 and 3 to 4.
template <class Test>
bool AnySide(const CPoint3d (&corners)[4], Test test)
{
    for (int i = 0; i < 4; ++i) {
        if (test(corners[(i + 3) % 4], corners[i]))
            return true;
    }
    return false;
}

// The point lies in the convex quadrilateral, or on its boundary within the tolerance.
bool IsInQuad(const CPoint3d& point, const CPoint3d (&corners)[4], const CPlane3d& plane)
{
    const orbisk::geometry::CVector3d normal = plane.GetNormal();
    int sign = 0;
    for (int i = 0; i < 4; ++i) {
        const CPoint3d& a = corners[i];
        const CPoint3d& b = corners[(i + 1) % 4];
        const orbisk::geometry::CVector3d side = b - a;
        const double length = side.Length();
        if (length < kGeomTolerance)
            continue;
        const double across = side.Cross(point - a).Dot(normal) / length;
        if (std::abs(across) < kGeomTolerance)
            continue;
        const int s = across > 0 ? 1 : -1;
        if (sign != 0 && s != sign)
            return false;
        sign = s;
    }
    return true;
}

// The symbol's translucent fill; the options hold no colour for it.
const CColor kFillColor(204, 204, 204, 51);
// A hidden plane's lines, as hidden guides and polylines draw.
constexpr unsigned short kHiddenStipple = 0x3333;
constexpr double kSymbolLineWidth = 2.0;
// The arrows are never longer than this.
constexpr int kArrowPixels = 30;
// Each side is drawn as five dashes: four short gaps around its middle.
constexpr double kDashes[5][2] = {
    {0.0, 0.4125}, {0.4375, 0.4625}, {0.4875, 0.5125}, {0.5375, 0.5625}, {0.5875, 1.0}};

void SendVertex(IModelView* view, double x, double y, double z)
{
    view->Vertex(x, y, z);
}

}  // namespace

CSectionPlane::CSectionPlane(const CSectionPlane& other) : CDrawingElement(other), m_plane(other.m_plane) {}

CSectionPlane::~CSectionPlane() = default;

void CSectionPlane::EnableClipPlane(uint32_t clipPlane)
{
    m_clipPlaneId = clipPlane;
    if (CSectionPlaneStack::GetClipPlanesSuppressed())
        return;
    glEnable(clipPlane);
    const double equation[4] = {m_plane.a, m_plane.b, m_plane.c, m_plane.d};
    glClipPlane(clipPlane, equation);
}

void CSectionPlane::DisableClipPlane()
{
    if (m_clipPlaneId != 0 && !CSectionPlaneStack::GetClipPlanesSuppressed())
        glDisable(m_clipPlaneId);
    m_clipPlaneId = 0;
}

void CSectionPlane::Serialize(CArchive& ar)
{
    SerializeGuarded(ar, [&] {
        CDrawingElement::Serialize(ar);
        if (ar.IsLoading()) {
            double a = 0, b = 0, c = 0, d = 0;
            ar >> a >> b >> c >> d;
            m_plane.Set(a, b, c, d);
        } else {
            ar << m_plane.a << m_plane.b << m_plane.c << m_plane.d;
        }
    });
}

void CSectionPlane::Transform(const CTransform3d& transform)
{
    if (transform.IsIdentity())
        return;
    MarkChanged();
    transform.TransformPlane(m_plane);
    ClearSlice();
}

CEntity* CSectionPlane::CreateCopy() const
{
    return new CSectionPlane(*this);
}

void CSectionPlane::SwapContents(CEntity& other)
{
    CDrawingElement::SwapContents(other);
    std::swap(m_plane, static_cast<CSectionPlane&>(other).m_plane);
    ClearSlice();
}

int CSectionPlane::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CSectionPlane), map, [&] { return CDrawingElement::CheckValidity(level, map); },
        [&] { return CheckOwnValidity(level); });
}

int CSectionPlane::CheckOwnValidity(int level)
{
    if (!m_plane.IsValid()) {
        AppendValidityMessage("The plane for %s is not valid\n", DescribeEntity(this).GetString());
        return 2;
    }
    if (level != kValidityCheckIgnoringIds && !m_rect.IsValid()) {
        AppendValidityMessage("The bounds rectangle for %s is not valid\n", DescribeEntity(this).GetString());
        return 2;
    }
    return 0;
}

bool CSectionPlane::Pick(IPickHelper* picker, double& depth, double& distance)
{
    depth = distance = 0.0;
    const CRay3d ray = picker->GetLocalRay();
    CPoint3d hit;
    if (!m_plane.Intersect(ray, hit))
        return false;
    depth = distance = ray.origin.DistanceTo(hit);
    return true;
}

void CSectionPlane::AddBoundsTransformed(const CTransform3d& transform, CBoundingBox3d& box) const
{
    const CPoint3d centre = box.IsEmpty() ? CPoint3d() : box.GetCenter();
    box.Add(transform.MultiplyPlane(m_plane).ProjectPoint(centre));
}

void CSectionPlane::AddBounds(CBoundingBox3d& box) const
{
    const CPoint3d centre = box.IsEmpty() ? CPoint3d() : box.GetCenter();
    box.Add(m_plane.ProjectPoint(centre));
}

bool CSectionPlane::IsVisible(IModelView* view)
{
    if (!CDrawingElement::IsVisible(view))
        return false;
    const ISectionPlaneDisplayOptions* options = SectionOptionsOf(view);
    return !options || (options->GetSectionDisplay() & ISectionPlaneDisplayOptions::kPlanesShown) ||
           IsSelected();
}

int CSectionPlane::PickInside(IPickHelper* picker)
{
    if (!picker->IsEntityVisible(this))
        return 2;
    UpdateRect();
    const CTransform3d frame = GetPlaneFrame();
    const CBoundingBox2d grown = GrowRect(m_rect, picker->GetView(), frame);
    CPoint3d corners[4];
    for (int i = 0; i < 4; ++i) {
        // (xmin, ymin), (xmax, ymin), (xmax, ymax), (xmin, ymax).
        const CPoint2d corner = grown.GetCorner(i == 0 ? 0 : i == 1 ? 1 : i == 2 ? 3 : 2);
        corners[i] = frame.MultiplyPoint(CPoint3d(corner.x, corner.y, 0.0));
    }
    const int result = PickRectangle(picker, corners);
    if (!(result & 1))
        return result;
    const bool sideHit = AnySide(
        corners, [&](const CPoint3d& a, const CPoint3d& b) { return (picker->PickSegment(a, b) & 1) != 0; });
    picker->SetHitTag(sideHit ? kSideHit : kInsideHit);
    return 1;
}

int CSectionPlane::PickRectangle(IPickHelper* picker, const CPoint3d (&corners)[4])
{
    CPlane3d fitted = m_plane;
    fitted.FitToPoints(4, corners);
    const CSectionPlaneStack* planes = picker->GetSectionPlaneStack();
    const bool clipping = planes && !planes->IsEmpty();
    const int mode = picker->GetPickMode();

    if (mode == IPickHelper::kExtentsWalk) {
        if (!clipping || planes->GetCoplanarMask(fitted) != 0) {
            for (const CPoint3d& corner : corners)
                picker->PickPoint(corner);
            return 1;
        }
        AnySide(corners, [&](CPoint3d a, CPoint3d b) {
            if (planes->ClipSegment(a, b)) {
                picker->PickPoint(a);
                picker->PickPoint(b);
            }
            return false;
        });
        return 1;
    }

    // The rectangle is picked as a face in its plane would be.
    CBoundingBox3d box;
    for (const CPoint3d& corner : corners)
        box.Add(corner);
    if (!picker->TestBox(box))
        return 0;
    if (mode != IPickHelper::kWindowPick && mode != IPickHelper::kPointPick &&
        mode != IPickHelper::kCrossingPick)
        return 0;
    if (mode != IPickHelper::kWindowPick) {
        // At the point under the pick ray, unless the section planes hide it.
        CPoint3d hit;
        if (fitted.Intersect(picker->GetLocalRay(), hit) &&
            !(clipping && (planes->GetCoplanarMask(fitted) != 0 || !planes->IsPointVisible(hit))) &&
            (picker->PickPoint(hit) & 1) && IsInQuad(hit, corners, fitted))
            return 1;
    }
    // The outline the section planes keep.
    std::vector<CPoint3d> outline(std::begin(corners), std::end(corners));
    if (clipping && (planes->GetCoplanarMask(fitted) != 0 || !planes->ClipPointPolygon(outline)))
        return 2;
    if (mode == IPickHelper::kWindowPick) {
        int result = 0;
        for (const CPoint3d& point : outline) {
            if ((result = picker->PickPoint(point)) != 1)
                break;
        }
        return result;
    }
    // Crossing the pick region: a corner, else a side.
    for (const CPoint3d& point : outline) {
        if (picker->PickPoint(point) == 1)
            return 1;
    }
    for (size_t i = 0; i < outline.size(); ++i) {
        if (picker->PickSegment(outline[i], outline[(i + 1) % outline.size()]) & 1)
            return 1;
    }
    return 0;
}

bool CSectionPlane::EraseFrom(CEntity* component)
{
    IModelContext* context = GetModel();
    ISectionPlaneHolder* model = AsSectionPlaneHolder(context ? context : GetCurrentModel());
    if (model && model->GetActiveSectionPlane() == this)
        model->SetActiveSectionPlane(nullptr);
    return CDrawingElement::EraseFrom(component);
}

CColor CSectionPlane::GetDefaultColor(const IRenderingOptions* options)
{
    if (const ISectionPlaneDisplayOptions* section = GetSectionPlaneDisplayOptions(options))
        return section->GetSectionCutColor();
    return CDrawingElement::GetDefaultColor(options);
}

void CSectionPlane::SetPlane(const CPlane3d& plane)
{
    if (plane.IsEqual(m_plane, true, kGeomTolerance))
        return;
    MarkChanged();
    m_plane = plane;
    ClearSlice();
}

CTransform3d CSectionPlane::GetPlaneFrame() const
{
    return CTransform3d(m_plane.GetPoint(), CUnitVector3d(m_plane.GetNormal()));
}

bool CSectionPlane::IsActive() const
{
    const ISectionPlaneHolder* component = AsSectionPlaneHolder(GetParentComponent());
    return component && component->GetActiveSectionPlane() == this;
}

bool CSectionPlane::IsActiveCut(IModelView* view) const
{
    const ISectionPlaneDisplayOptions* options = SectionOptionsOf(view);
    return IsActive() && options && (options->GetSectionDisplay() & ISectionPlaneDisplayOptions::kCutsShown);
}

void CSectionPlane::UpdateRect()
{
    const CEntity* parent = GetParentComponent();
    CBoundingBox3d bounds;
    if (parent && parent->IsDrawingElement())
        bounds = static_cast<const CDrawingElement*>(parent)->GetBounds();
    if (bounds.IsEmpty())
        bounds.Add(CPoint3d());
    const CTransform3d toPlane = GetPlaneFrame().Inverse();
    CBoundingBox2d rect;
    for (int i = 0; i < 8; ++i) {
        const CPoint3d inPlane = toPlane.MultiplyPoint(m_plane.ProjectPoint(bounds.GetCorner(i)));
        rect.Add(CPoint2d(inPlane.x, inPlane.y));
    }
    m_rect = rect;
}

CBoundingBox2d CSectionPlane::GrowRect(const CBoundingBox2d& rect, IModelView* view,
                                       const CTransform3d& frame)
{
    CBoundingBox2d grown = rect;
    const CPoint2d centre = rect.IsEmpty() ? CPoint2d() : rect.GetCenter();
    if (grown.x.GetLength() < kGeomTolerance || grown.y.GetLength() < kGeomTolerance) {
        // The 100 pixels are measured at the rectangle's centre, in model coordinates.
        const double length =
            view ? view->PixelsToModel(kShortSidePixels,
                                       frame.MultiplyPoint(CPoint3d(centre.x, centre.y, 0.0)))
                 : 0.0;
        GrowShortSide(grown.x, centre.x, length);
        GrowShortSide(grown.y, centre.y, length);
    }
    const double margin = (grown.x.GetLength() + grown.y.GetLength()) * kMarginFraction;
    grown.x.Expand(margin);
    grown.y.Expand(margin);
    return grown;
}

void CSectionPlane::Draw(IModelView* view)
{
    DrawSymbol(view);
}

void CSectionPlane::DrawSymbol(IModelView* view)
{
    if (!view || view->GetDrawingMode() == 1 || !IsVisible(view))
        return;
    const IRenderingOptions* options = view->GetRenderingOptions();
    const ISectionPlaneDisplayOptions* section = GetSectionPlaneDisplayOptions(options);
    const bool activeCut = IsActiveCut(view);

    view->SetLineWidth(kSymbolLineWidth);
    if (IsSelected() || IsPathSelected(view)) {
        if (options) {
            const bool locked = (GetFlags() & kSecondHighlight) || HasFlaggedInstanceOnPath(view);
            view->SetColor(locked ? options->GetLockedColor() : options->GetSelectedColor());
        }
    } else if (section) {
        // Property 40 marks the plane whose cut shows, property 41 every other plane.
        view->SetColor(activeCut ? section->GetInactiveSectionColor() : section->GetActiveSectionColor());
    }
    const bool hidden = (GetFlags() & kHidden) != 0;
    if (hidden)
        view->SetLineStipple(kHiddenStipple);
    view->SetLighting(false);

    UpdateRect();
    const CTransform3d frame = GetPlaneFrame();
    // Grown in model coordinates, before the frame is entered.
    const CBoundingBox2d rect = GrowRect(m_rect, view, frame);
    const bool framed = !frame.IsIdentity();
    if (framed)
        view->PushTransform(frame, true);

    const double xs[4] = {rect.x.min, rect.x.max, rect.x.max, rect.x.min};
    const double ys[4] = {rect.y.min, rect.y.min, rect.y.max, rect.y.max};
    view->BeginPrimitive(GL_LINES);
    for (int side = 0; side < 4; ++side) {
        const int next = (side + 1) % 4;
        const double dx = xs[next] - xs[side];
        const double dy = ys[next] - ys[side];
        for (const auto& dash : kDashes) {
            SendVertex(view, xs[side] + dx * dash[0], ys[side] + dy * dash[0], 0.0);
            SendVertex(view, xs[side] + dx * dash[1], ys[side] + dy * dash[1], 0.0);
        }
    }
    view->EndPrimitive();

    // Arrows as long as a tenth of the diagonal, but no more than 30 pixels; their heads keep
    // their shape on screen whatever the local scales.
    const CPoint2d centre = rect.GetCenter();
    CVector3d size;
    view->PixelsToLocalSize(size, kArrowPixels, CPoint3d(centre.x, centre.y, 0.0));
    const double diagonal = std::hypot(rect.x.GetLength(), rect.y.GetLength());
    const double length = std::min(diagonal / 10.0, size.z);
    const double halfX = size.z > 0.0 ? length / 2 * (size.x / size.z) : 0.0;
    const double halfY = size.z > 0.0 ? length / 2 * (size.y / size.z) : 0.0;
    if (activeCut)
        DrawArrows(view, rect, length, halfX, halfY);
    glPushAttrib(GL_POLYGON_BIT);
    if (activeCut && options)
        view->SetColor(options->GetEdgeColor());
    view->SetLineWidth(1.0);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    DrawArrows(view, rect, length, halfX, halfY);
    glPopAttrib();

    view->PushDrawMode(0);
    view->SetColor(kFillColor);
    const bool blendWasOn = glIsEnabled(GL_BLEND) == GL_TRUE;
    GLint blendSource = GL_ONE;
    GLint blendDestination = GL_ZERO;
    if (!blendWasOn) {
        glGetIntegerv(GL_BLEND_SRC, &blendSource);
        glGetIntegerv(GL_BLEND_DST, &blendDestination);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    GLboolean depthWrites = GL_TRUE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    glDepthMask(GL_FALSE);
    view->BeginPrimitive(GL_QUADS);
    for (int corner = 0; corner < 4; ++corner)
        SendVertex(view, xs[corner], ys[corner], 0.0);
    view->EndPrimitive();
    glDepthMask(depthWrites);
    if (!blendWasOn) {
        glBlendFunc(static_cast<GLenum>(blendSource), static_cast<GLenum>(blendDestination));
        glDisable(GL_BLEND);
    }
    view->PopDrawMode();

    if (framed)
        view->PopTransform(true);
    if (hidden)
        view->SetLineStipple(0);
}

void CSectionPlane::DrawArrows(IModelView* view, const CBoundingBox2d& rect, double length, double halfX,
                               double halfY) const
{
    const double xs[4] = {rect.x.min, rect.x.max, rect.x.max, rect.x.min};
    const double ys[4] = {rect.y.min, rect.y.min, rect.y.max, rect.y.max};
    const double mid = length / 2;
    for (int corner = 0; corner < 4; ++corner) {
        const double x = xs[corner];
        const double y = ys[corner];
        view->BeginPrimitive(GL_LINES);
        SendVertex(view, x, y, 0.0);
        SendVertex(view, x, y, mid);
        view->EndPrimitive();
        // Two heads crossed at right angles, each of two halves, so that the arrow shows from
        // any side.
        const double heads[4][2][3] = {
            {{x - halfX, y, mid}, {x, y, mid}},
            {{x, y, mid}, {x + halfX, y, mid}},
            {{x, y - halfY, mid}, {x, y, mid}},
            {{x, y, mid}, {x, y + halfY, mid}},
        };
        for (const auto& head : heads) {
            view->BeginPrimitive(GL_TRIANGLES);
            view->Vertex(head[0]);
            view->Vertex(head[1]);
            SendVertex(view, x, y, length);
            view->EndPrimitive();
        }
    }
}

void CSectionPlane::EnsureSlice(IModelView* view)
{
    if (!m_slice) {
        auto* component = dynamic_cast<CComponent*>(GetParentComponent());
        if (!component || !s_sliceFactory)
            return;
        m_slice = s_sliceFactory(*component);
        if (!m_slice)
            return;
    }
    m_slice->Build(m_plane, view);
}

void CSectionPlane::DrawCut(IModelView* view)
{
    const ISectionPlaneDisplayOptions* section = SectionOptionsOf(view);
    if (!section || !(section->GetSectionDisplay() & ISectionPlaneDisplayOptions::kCutsShown))
        return;
    view->SetLineWidth(section->GetSectionCutWidth());
    view->SetLighting(false);
    // The all-zero colour leaves the view's colour.
    if (const CColor color = GetDefaultColor(view->GetRenderingOptions()); color != CColor())
        view->SetColor(color);
    EnsureSlice(view);
    if (m_slice)
        m_slice->Draw(view);
    view->SetLineWidth(1.0);
}
