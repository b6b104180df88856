// CEdge's drawing and picking: what one edge draws for a view (plain line, profile, dashed
// hidden or soft line, selected line, or a decorated line with depth cue, jitter, extensions
// and endpoint marks) and how it answers picks. Everything is drawn through IModelView; the
// only state an edge leaves behind is the view's colour and lighting, which every element sets
// before it draws. Shadow volumes are not here.

#include <algorithm>
#include <cmath>
#include <new>
#include <typeinfo>
#include <vector>

#include "database/IInstancePath.h"
#include "database/IModelView.h"
#include "database/IPickHelper.h"
#include "geometry/GeomFunctions.h"
#include "geometry/Line3d.h"
#include "settings/Camera.h"
#include "settings/RenderingOptions.h"
#include "settings/ViewDefinition.h"
#include "support/SystemQueries.h"
#include "topology/Curve.h"
#include "topology/Edge.h"
#include "topology/EdgeUse.h"
#include "topology/Face.h"
#include "topology/IEdgeDisplayOptions.h"
#include "topology/IFace.h"
#include "topology/SectionPlaneStack.h"
#include "topology/Vertex.h"

using orbisk::geometry::CLine3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CRay3d;
using orbisk::geometry::CUnitVector3d;
using orbisk::geometry::CVector3d;
using orbisk::geometry::kGeomTolerance;

namespace {

// The level-of-detail feature that carries every edge effect and stroke edges.
constexpr unsigned kEdgeEffectsFeature = 0x80;
// Drawing modes of the view: flat (item buffer) and the stroke-edge pass.
constexpr int kFlatDrawing = 1;
constexpr int kStrokeDrawing = 2;
constexpr int kStrokeEdges = 1;
// |cos| above this: the directions count as parallel for extensions.
constexpr double kNearlyParallel = 0.707;

constexpr unsigned short kStipples[] = {0, 0x3333, 0x0F0F};

using EdgeStyle = CEdge::DrawStyle;

EdgeStyle ReadStyle(const IRenderingOptions* options)
{
    EdgeStyle style;
    if (!options)
        return style;
    style.hiddenShown = options->IsHiddenGeometryShown();
    style.selectedColor = options->GetSelectedColor();
    style.lockedColor = options->GetLockedColor();
    if (const auto* full = dynamic_cast<const CRenderingOptions*>(options)) {
        style.edgeDisplay = full->GetEdgeDisplay();
        style.edgeKind = full->GetEdgeKind();
        style.hideSoftEdges = full->GetHideSoftEdges();
        style.effects = full->HasEdgeEffects(~0u);
        style.profiles = full->GetProfiles();
        style.profileWidth = full->GetProfileWidth();
        style.extension = full->GetExtension();
        style.extensionLength = full->GetExtensionLength();
        style.depthCue = full->GetDepthCue();
        style.depthCueWidth = full->GetDepthCueWidth();
        style.endpoints = full->GetEndpoints();
        style.endpointLength = full->GetEndpointLength();
        style.jitter = full->GetJitter();
    } else if (const IEdgeDisplayOptions* display = GetEdgeDisplayOptions(options)) {
        style.edgeDisplay = display->GetEdgeDisplay();
        style.hideSoftEdges = display->HidesSoftEdges();
        style.profiles = display->AreProfilesShown();
    }
    return style;
}

// The options a component's edge loop reads once for all its edges (CEdge::OptionsScope).
struct ScopedOptions {
    IModelView* view = nullptr;
    const IRenderingOptions* options = nullptr;
    const IEdgeDisplayOptions* display = nullptr;
    EdgeStyle style;
};

thread_local const ScopedOptions* t_scopedOptions = nullptr;

const ScopedOptions* ScopedFor(IModelView* view, const IRenderingOptions* options)
{
    const ScopedOptions* scoped = t_scopedOptions;
    return scoped && scoped->view == view && scoped->options == options ? scoped : nullptr;
}

EdgeStyle StyleOf(IModelView* view)
{
    const IRenderingOptions* options = view ? view->GetRenderingOptions() : nullptr;
    if (const ScopedOptions* scoped = ScopedFor(view, options))
        return scoped->style;
    return ReadStyle(options);
}

// The face of a use as the face interface. Faces are nearly always CFace, which needs no
// run-time cast; anything else that says it is a face goes through AsFace.
const IFace* FaceOfUse(const CEdgeUse* use)
{
    const CEntity* entity = use->GetFace();
    if (!entity)
        return nullptr;
    if (typeid(*entity) == typeid(CFace))
        return static_cast<const CFace*>(entity);
    return AsFace(entity);
}

// The view's stipple and line width, put back when an edge has drawn.
class LineStateScope {
public:
    explicit LineStateScope(IModelView* view)
        : m_view(view), m_stipple(view->GetLineStipple()), m_width(view->GetLineWidth())
    {}
    ~LineStateScope()
    {
        m_view->SetLineStipple(m_stipple);
        if (m_view->GetLineWidth() == m_width)
            return;
        // The view keeps the width with its scale applied.
        const double scale = m_view->GetLineWidthScale();
        m_view->SetLineWidth(scale > 0.0 ? m_width / scale : m_width);
    }
    LineStateScope(const LineStateScope&) = delete;
    LineStateScope& operator=(const LineStateScope&) = delete;

private:
    IModelView* m_view;
    unsigned short m_stipple;
    double m_width;
};

// Depth-cue widths by option row and depth column; a boundary belongs to the column it heads.
constexpr double kDepthColumns[] = {0.05, 0.10, 0.15, 0.17, 0.20, 0.25, 0.30, 0.32, 0.35, 0.40, 0.50, 0.60};
constexpr int kDepthCueWidths[][13] = {
    {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1},   // 0 or 1
    {3, 3, 3, 3, 3, 3, 2, 2, 2, 2, 2, 1, 1},   // 2 or 3
    {4, 4, 4, 3, 3, 3, 3, 3, 3, 2, 2, 1, 1},   // 4
    {5, 5, 5, 4, 4, 4, 3, 3, 3, 2, 2, 1, 1},   // 5
    {6, 6, 5, 5, 5, 4, 4, 3, 3, 3, 2, 1, 1},   // 6
    {7, 7, 6, 6, 5, 5, 4, 4, 3, 3, 2, 1, 1},   // 7
    {8, 8, 7, 7, 7, 6, 5, 4, 4, 3, 2, 1, 1},   // 8
    {9, 9, 8, 7, 7, 6, 5, 4, 4, 3, 2, 1, 1},   // 9
    {10, 9, 8, 7, 7, 6, 5, 4, 4, 4, 3, 2, 1},  // 10 and more
};

// The model size of the pixels at a point, each component's magnitude times the direction's.
CVector3d PixelStep(IModelView* view, int pixels, const CPoint3d& at, const CVector3d& direction)
{
    CVector3d size;
    view->PixelsToLocalSize(size, pixels, at);
    return CVector3d(std::abs(size.x) * direction.x, std::abs(size.y) * direction.y,
                     std::abs(size.z) * direction.z);
}

// The segment's length in window pixels.
double GetScreenLength(const CPoint3d& start, const CPoint3d& end, IModelView* view)
{
    CPoint3d a, b;
    const double scale = view->GetPixelSizeScale();
    if (view->ModelToScreen(start, a) && view->ModelToScreen(end, b) && scale > 0.0)
        return std::hypot(b.x - a.x, b.y - a.y) / scale;
    const CPoint3d middle = CPoint3d(start, 0.5, end - start);
    const double pixel = view->PixelsToModel(1, middle);
    return pixel > 0.0 ? start.DistanceTo(end) / pixel : 0.0;
}

bool IsPerspective(IModelView* view)
{
    const CViewDefinition* definition = view ? view->GetViewDefinition() : nullptr;
    return definition && definition->GetCamera().IsPerspective();
}

}  // namespace

int CEdge::GetDepthCueWidth(int depthCueWidth, double depth)
{
    int row = 0;
    if (depthCueWidth >= 10)
        row = 8;
    else if (depthCueWidth >= 4)
        row = depthCueWidth - 2;
    else if (depthCueWidth >= 2)
        row = 1;
    int column = 0;
    for (double boundary : kDepthColumns)
        column += depth >= boundary ? 1 : 0;
    return kDepthCueWidths[row][column];
}

CEdge::OptionsScope::OptionsScope(IModelView* view) : m_previous(t_scopedOptions)
{
    auto* scoped = new (&m_storage) ScopedOptions;
    static_assert(sizeof(ScopedOptions) <= sizeof(m_storage) && alignof(ScopedOptions) <= alignof(Storage));
    scoped->view = view;
    scoped->options = view ? view->GetRenderingOptions() : nullptr;
    scoped->display = GetEdgeDisplayOptions(scoped->options);
    scoped->style = ReadStyle(scoped->options);
    t_scopedOptions = scoped;
}

CEdge::OptionsScope::~OptionsScope()
{
    auto* scoped = std::launder(reinterpret_cast<ScopedOptions*>(&m_storage));
    t_scopedOptions = static_cast<const ScopedOptions*>(m_previous);
    scoped->~ScopedOptions();
}

const IEdgeDisplayOptions* CEdge::DisplayOptionsOf(IModelView* view)
{
    const IRenderingOptions* options = view ? view->GetRenderingOptions() : nullptr;
    if (const ScopedOptions* scoped = ScopedFor(view, options))
        return scoped->display;
    return GetEdgeDisplayOptions(options);
}

void CEdge::Draw(IModelView* view)
{
    if (!view)
        return;
    const EdgeStyle style = StyleOf(view);
    int mode = kDrawPlain;
    if (style.effects)
        mode = (view->GetFeatures() & kEdgeEffectsFeature) ? kDrawPlainAndStyled : kDrawPlain;
    if (style.edgeKind == kStrokeEdges)
        mode = kDrawStyled;
    const LineStateScope restore(view);
    DrawSegment(view, mode);
}

void CEdge::DrawSegment(IModelView* view, int mode)
{
    if (!view || !m_start || !m_end)
        return;
    if (StyleOf(view).edgeDisplay == 2 && m_firstUse)
        return;
    if (!IsVisible(view))
        return;
    DrawEdgeLine(view, m_start->GetPosition(), m_end->GetPosition(), mode);
}

void CEdge::DrawEdgeLine(IModelView* view, CPoint3d start, CPoint3d end, int mode)
{
    // A line lying in a section plane would flicker against the cut.
    const CSectionPlaneStack* planes = view->GetSectionPlaneStack();
    if (planes && !planes->IsEmpty() && planes->GetContainingMask(start, end) != 0)
        return;
    const EdgeStyle style = StyleOf(view);
    const bool soft = style.hideSoftEdges && (m_flags & kSoft);
    if (mode & kDrawPlain) {
        if ((!soft && style.edgeDisplay != 0) || style.hiddenShown)
            view->DrawLine(start, end);
        if (mode == kDrawPlain)
            return;
    }

    double width = 1.0;
    int lineStyle = ((m_flags & kHidden) || HasHiddenInstanceOnPath(view)) ? kHiddenLine : kSolidLine;
    const int drawingMode = view->GetDrawingMode();
    if (!(view->GetFeatures() & kEdgeEffectsFeature)) {
        if (soft && IsSelected())
            lineStyle = kSoftLine;
    } else {
        if (style.extension && style.edgeKind != kStrokeEdges)
            DrawExtensions(start, end, view);
        const bool profilesOnly = style.profiles && style.edgeDisplay == 0;
        double profileWidth = 1.0;
        int silhouette = -1;  // not yet computed
        if ((style.profiles && drawingMode != kFlatDrawing) || profilesOnly) {
            profileWidth = style.profileWidth;
            if (profileWidth != 1.0 || profilesOnly)
                silhouette = IsSilhouette(view) ? 1 : 0;
        }
        bool profile = silhouette == 1;
        if (!profile && profilesOnly && !IsSelected())
            return;
        if (!profile && soft) {
            if (silhouette < 0)
                silhouette = IsSilhouette(view) ? 1 : 0;
            profile = silhouette == 1;
            if (!profile) {
                if (!IsSelected() && !style.hiddenShown)
                    return;
                lineStyle = kSoftLine;
            }
        }
        if (profile) {
            view->SetLineStipple(0);
            if (drawingMode != kFlatDrawing)
                width = profileWidth;
        }
    }

    const bool highlight = CRenderingOptions::IsSelectionHighlightEnabled() && IsPathSelected(view);
    const bool selected = IsSelected() || highlight;
    const bool locked = selected && ((m_flags & kSecondHighlight) || HasFlaggedInstanceOnPath(view));
    if (view->IsFullDetail() && !selected && lineStyle == kSolidLine && style.edgeKind != kStrokeEdges)
        DrawDecoratedLine(start, end, width, view);
    else
        DrawPlainLine(start, end, width, view, lineStyle, selected, locked, highlight);
}

void CEdge::DrawPlainLine(const CPoint3d& start, const CPoint3d& end, double width, IModelView* view,
                          int style, bool selected, bool locked, bool highlight)
{
    const EdgeStyle options = StyleOf(view);
    const int drawingMode = view->GetDrawingMode();
    if (selected && drawingMode != kFlatDrawing) {
        view->SetColor(locked ? options.lockedColor : options.selectedColor);
        if (highlight)
            width = 1.0;
        else if ((options.profiles && options.profileWidth > 2) || options.jitter)
            width = options.profileWidth;
        else
            width = 2.0;
    }
    if (view->DrawsStrokeEdges()) {
        if (drawingMode == kStrokeDrawing && style == kSolidLine) {
            // Every edge of a curve draws the whole chain, so the stroke runs unbroken.
            std::vector<CVertex*> vertices;
            if (m_curve)
                m_curve->GetVerticesInOrder(vertices);
            else
                vertices = {m_start, m_end};
            std::vector<CEntity*> chain(vertices.begin(), vertices.end());
            std::erase(chain, nullptr);
            if (chain.size() >= 2)
                view->DrawStrokePolyline(chain, width != 1.0);
            return;
        }
        if (drawingMode == kFlatDrawing && style != kSolidLine)
            return;
    }
    const int index = style >= 0 && style <= kSoftLine ? style : kSolidLine;
    view->SetLineStipple(kStipples[index]);
    view->SetLineWidth(width);
    view->DrawLine(start, end);
}

void CEdge::DrawDecoratedLine(const CPoint3d& start, const CPoint3d& end, double minimumWidth,
                              IModelView* view)
{
    const EdgeStyle style = StyleOf(view);
    double width = 1.0;
    const CViewDefinition* definition = view->GetViewDefinition();
    if (style.depthCue && style.depthCueWidth >= 2 && definition) {
        const double nearDistance = definition->GetNear();
        const double farDistance = definition->GetFar();
        CPoint3d middle(start, 0.5, end - start);
        if (view->HasElements())
            view->GetTransform().TransformPoint(middle);
        // A collapsed depth range leaves every edge at the nearest width rather than dividing by 0.
        const double range = farDistance - nearDistance;
        const double depth =
            range > 0.0 ? (definition->GetCamera().GetEye().DistanceTo(middle) - nearDistance) / range : 0.0;
        width = GetDepthCueWidth(style.depthCueWidth, depth);
    }
    width = std::max(width, minimumWidth);
    auto drawPiece = [&](const CPoint3d& a, const CPoint3d& b, double w) {
        if (style.jitter)
            DrawJitteredLine(a, b, w, view);
        else
            DrawPlainLine(a, b, w, view, kSolidLine, false);
    };
    drawPiece(start, end, width);

    if (!style.endpoints)
        return;
    width += 2.0;
    CVector3d direction = end - start;
    const double third = direction.Length() / 3.0;
    direction.Normalize();
    if (m_curve && m_curve->IsClosed(true))
        return;
    if (!m_curve || m_curve->GetFirstEdge() == this) {
        CVector3d mark = PixelStep(view, style.endpointLength, start, direction);
        if (mark.Length() > third)
            mark.SetLength(third);
        drawPiece(start, start + mark, width);
    }
    if (!m_curve || m_curve->GetLastEdge() == this) {
        CVector3d mark = PixelStep(view, style.endpointLength, end, direction);
        if (mark.Length() > third)
            mark.SetLength(third);
        drawPiece(end, end - mark, width);
    }
}

void CEdge::DrawJitteredLine(const CPoint3d& start, const CPoint3d& end, double width, IModelView* view)
{
    using orbisk::utils::RandomDouble;
    using orbisk::utils::RandomInt;
    const double length = GetScreenLength(start, end, view);
    if (!(length >= 1.0))
        return;
    if (length < 10.0) {
        if (RandomDouble(0.0, length) > 2.0)
            DrawPlainLine(start, end, width, view, kSolidLine, false);
        return;
    }
    const int pixels = std::min(static_cast<int>(std::floor(length / 10.0)), 2);
    CVector3d atStart, atEnd;
    view->PixelsToLocalSize(atStart, pixels, start);
    view->PixelsToLocalSize(atEnd, pixels, end);
    const int strokes = pixels + (RandomDouble(0.0, length) > 10.0 ? 1 : 0);
    view->SetLighting(false);
    const CColor color = GetColorForView(view);
    auto shake = [](const CPoint3d& p, const CVector3d& step) {
        return CPoint3d(p.x + RandomInt(-1, 1) * step.x, p.y + RandomInt(-1, 1) * step.y,
                        p.z + RandomInt(-1, 1) * step.z);
    };
    for (int i = 0; i < strokes; ++i) {
        const CPoint3d a = shake(start, atStart);
        const CPoint3d b = shake(end, atEnd);
        view->DrawStyledLine(a, b, color, width, 0);
    }
}

void CEdge::DrawExtensions(CPoint3d& start, CPoint3d& end, IModelView* view)
{
    if (!m_start || !m_end)
        return;
    CVector3d along = end - start;
    const double length = along.Length();
    if (!along.Normalize())
        return;
    const int pixels = StyleOf(view).extensionLength;
    if (const CViewDefinition* definition = view->GetViewDefinition()) {
        CVector3d seen = along;
        if (view->HasElements()) {
            const auto transform = view->GetTransform();
            seen = transform.MultiplyPoint(end) - transform.MultiplyPoint(start);
            seen.Normalize();
        }
        if (std::abs(seen.Dot(CVector3d(definition->GetCamera().GetDirection()))) > kNearlyParallel)
            return;
    }
    if (length < 2.0 * pixels * view->PixelsToModel(1, start))
        return;
    const double half = length / 2.0;
    // A corner: another edge at the vertex, off this edge's curve and not nearly collinear.
    auto cornerAt = [&](const CVertex* vertex) {
        for (int i = 0; i < vertex->GetEdgeCount(); ++i) {
            const CEdge* other = vertex->GetEdge(i);
            if (!other || other == this || !other->m_start || !other->m_end)
                continue;
            if (m_curve && other->m_curve == m_curve)
                continue;
            CVector3d direction = other->m_end->GetPosition() - other->m_start->GetPosition();
            if (direction.Normalize() && std::abs(direction.Dot(along)) < kNearlyParallel)
                return true;
        }
        return false;
    };
    if (m_start->GetEdgeCount() > 1 && (!m_curve || m_curve->GetFirstEdge() == this) && cornerAt(m_start)) {
        const CVector3d step = PixelStep(view, pixels, start, along);
        if (step.Length() > half)
            return;
        start -= step;
    }
    if (m_end->GetEdgeCount() >= 2 && (!m_curve || m_curve->GetLastEdge() == this) && cornerAt(m_end)) {
        const CVector3d step = PixelStep(view, pixels, end, along);
        if (step.Length() <= half)
            end += step;
    }
}

bool CEdge::IsSilhouetteFor(const CVector3d& direction) const
{
    const CEdgeUse* first = m_firstUse;
    if (!first || first->GetPartner() == first || !first->GetPartner())
        return true;
    const double limit = direction.LengthSquared() * 1e-6;
    bool seen[2] = {false, false};
    const CEdgeUse* use = first;
    // A bounded walk: a broken partner ring must not loop forever.
    for (int guard = 0; use && guard < 65536; ++guard) {
        const IFace* face = FaceOfUse(use);
        if (face) {
            const double facing = direction.Dot(face->GetPlane().GetNormal());
            if (facing * facing >= limit) {
                seen[use->IsReversed() == (facing < 0.0) ? 1 : 0] = true;
                if (seen[0] && seen[1])
                    return false;
            }
        }
        use = use->GetPartner();
        if (use == first)
            break;
    }
    return true;
}

bool CEdge::IsSilhouette(IModelView* view)
{
    // Fewer than two uses, without walking the ring.
    if (!m_firstUse || !m_firstUse->GetPartner() || m_firstUse->GetPartner() == m_firstUse)
        return true;
    if (!view || !m_start || !m_end)
        return false;
    if (IsPerspective(view))
        return IsSilhouetteFor(GetMidpoint() - view->GetEyePoint());
    return IsSilhouetteFor(view->GetViewDirection());
}

bool CEdge::Pick(IPickHelper* picker, double& depth, double& distance)
{
    depth = distance = 0.0;
    if (!picker || !m_start || !m_end)
        return false;
    const CRay3d ray = picker->GetLocalRay();
    const CRay3d line(m_start->GetPosition(), CUnitVector3d(m_start->GetPosition(), m_end->GetPosition()));
    CPoint3d onRay, onEdge;
    if (!ray.ClosestPoints(line, onRay, onEdge))
        return false;
    depth = distance = ray.origin.DistanceTo(onRay);
    return true;
}

int CEdge::PickInside(IPickHelper* picker)
{
    if (!picker || !m_start || !m_end)
        return 0;
    if (!picker->GetPicksSoftEdges() && !IsSelected()) {
        IModelView* view = picker->GetView();
        const EdgeStyle style = StyleOf(view);
        const bool undrawnSoft =
            !style.hiddenShown && style.hideSoftEdges && (m_flags & kSoft) && !IsSilhouette(view);
        if (undrawnSoft && !(picker->HasElements() && picker->GetPickMode() == IPickHelper::kWindowPick))
            return 0;
    }
    if (!picker->IsEntityVisible(this))
        return 0;
    return picker->PickSegment(m_start->GetPosition(), m_end->GetPosition());
}

bool CEdge::PickRay(IPickHelper*, const CRay3d& ray, CPoint3d& point, CVector3d&, void*)
{
    return PickLine(CLine3d(ray, false, true), point, true);
}

bool CEdge::PickLine(const CLine3d& line, CPoint3d& point, bool skipHidden)
{
    if (skipHidden && IsHidden(nullptr))
        return false;
    if (!m_start || !m_end)
        return false;
    CPoint3d nearest;
    orbisk::geometry::ClosestPointOnSegmentToLine(m_start->GetPosition(), m_end->GetPosition(), line.origin,
                                                  line.direction, nearest);
    if (!nearest.IsOnLine(line))
        return false;
    const double t = line.GetParameter(nearest);
    if (t <= -kGeomTolerance)
        return false;
    if (line.HasEnd() && t >= line.t1 + kGeomTolerance)
        return false;
    point = nearest;
    return true;
}
