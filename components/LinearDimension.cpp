#include "components/LinearDimension.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "components/ArrowHeads.h"
#include "components/DimensionStyle.h"
#include "components/ZpFont.h"
#include "database/ArchiveReading.h"
#include "database/ArchiveSchema.h"
#include "database/EntitySet.h"
#include "database/IModelView.h"
#include "database/IPickHelper.h"
#include "geometry/UnitVector3d.h"
#include "settings/Camera.h"
#include "settings/RenderingOptions.h"
#include "settings/ViewDefinition.h"
#include "support/ArchiveOperators.h"
#include "topology/SectionPlaneStack.h"
#include "topology/Vertex.h"

IMPLEMENT_SERIAL(CDimensionLinear, CDimension, VERSIONABLE_SCHEMA | 6)

using orbisk::geometry::CUnitVector3d;

namespace {

constexpr double kTolerance = 0.001;
constexpr double kQuarterTurn = 1.570796326794897;

bool IsUnitVector(const orbisk::geometry::CVector3d& v)
{
    return v.IsValid() && std::abs(v.LengthSquared() - 1.0) < 1e-6;
}

// The frame turned about its own z axis.
orbisk::geometry::CTransform3d TurnedAboutZ(const orbisk::geometry::CTransform3d& frame, double angle)
{
    return frame * orbisk::geometry::CTransform3d({0, 0, 0}, CUnitVector3d::ZAxis(), angle);
}

orbisk::geometry::CVector3d Unit(const orbisk::geometry::CVector3d& v)
{
    orbisk::geometry::CVector3d unit = v;
    unit.Normalize();
    return unit;
}

}  // namespace

CDimensionLinear::CDimensionLinear(const CDimensionLinear& other)
    : CDimension(other),
      m_point1(other.m_point1),
      m_point2(other.m_point2),
      m_normal(other.m_normal),
      m_xAxis(other.m_xAxis),
      m_type(other.m_type),
      m_yOffset(other.m_yOffset),
      m_xOffset(other.m_xOffset),
      m_textPosition(other.m_textPosition)
{}

void CDimensionLinear::Serialize(CArchive& ar)
{
    const int32_t version = GetClassVersion(RUNTIME_CLASS(CDimensionLinear));
    CZpFont* const fontBefore = PeekOwnFont();
    SerializeGuarded(
        ar,
        [&] {
            // The oldest records have no dimension, drawing element or entity part.
            if (!ar.IsLoading() || version >= 2)
                CDimension::Serialize(ar);
            if (ar.IsLoading())
                ReadRecord(ar, version);
            else
                WriteRecord(ar);
        },
        [&] { RestoreFont(fontBefore); });
    if (ar.IsLoading())
        OnChange();
}

void CDimensionLinear::ReadRecord(CArchive& ar, int32_t version)
{
    CReferencePoint first;
    CReferencePoint second;
    if (version >= 1) {
        first.Read(ar);
        second.Read(ar);
    } else {
        first = CReferencePoint(ReadUnownedReference<CVertex>(ar));
        second = CReferencePoint(ReadUnownedReference<CVertex>(ar));
    }
    CVector3d normal;
    ar >> normal;
    CVector3d xAxis;
    if (version >= 4) {
        ar >> xAxis;
    } else {
        double angle = 0.0;
        ar >> angle;
        // The x axis of the normal's standard frame, turned about the normal.
        const orbisk::geometry::CTransform3d frame({0, 0, 0}, CUnitVector3d(normal));
        xAxis = std::cos(angle) * CVector3d(frame.GetXAxis()) + std::sin(angle) * CVector3d(frame.GetYAxis());
    }
    int32_t type = 0;
    double yOffset = 0.0;
    double xOffset = 0.0;
    ar >> type >> yOffset;
    if (version >= 3)
        ar >> xOffset;
    // Older programs stored a position there that the text placement no longer means.
    if (version <= 4)
        xOffset = 0.0;
    int32_t textPosition = m_textPosition;
    if (version >= 6) {
        ar >> textPosition;
    } else if (const CDimensionStyle* style = GetStyle()) {
        textPosition = style->GetTextPosition();
    }
    m_point1 = first;
    m_point2 = second;
    m_normal = normal;
    m_xAxis = xAxis;
    m_type = type;
    m_yOffset = yOffset;
    m_xOffset = xOffset;
    m_textPosition = textPosition;
}

void CDimensionLinear::WriteRecord(CArchive& ar)
{
    m_point1.Write(ar);
    m_point2.Write(ar);
    ar << m_normal << m_xAxis << m_type << m_yOffset << m_xOffset;
    if (GetSaveFormat() >= 6000)
        ar << m_textPosition;
}

CDimensionLinear::CPoint3d CDimensionLinear::PositionOf(const CReferencePoint& point) const
{
    return const_cast<CReferencePoint&>(point).GetPosition();
}

CDimensionLinear::CTransform3d CDimensionLinear::GetBaseFrame() const
{
    return CTransform3d(m_xAxis, m_normal.Cross(m_xAxis), m_normal, PositionOf(m_point1));
}

CDimensionLinear::CTransform3d CDimensionLinear::GetFrame() const
{
    const CTransform3d base = GetBaseFrame();
    switch (m_type) {
        case kAlongXAxis: return base;
        case kAcrossXAxis: return TurnedAboutZ(base, kQuarterTurn);
        case kAligned: {
            const CPoint3d second = base.Inverse().MultiplyPoint(PositionOf(m_point2));
            return TurnedAboutZ(base, std::atan2(second.y, second.x));
        }
        default: return {};
    }
}

void CDimensionLinear::GetDimensionPoints(CPoint3d (&points)[6], CTransform3d& frame) const
{
    frame = GetFrame();
    const CTransform3d inverse = frame.Inverse();
    const CPoint3d first = inverse.MultiplyPoint(PositionOf(m_point1));
    const CPoint3d second = inverse.MultiplyPoint(PositionOf(m_point2));
    points[0] = CPoint3d(first.x, first.y, 0.0);
    points[1] = CPoint3d(second.x, second.y, 0.0);
    points[2] = CPoint3d(points[0].x, points[0].y + m_yOffset, 0.0);
    points[3] = CPoint3d(points[1].x, m_yOffset, 0.0);
    points[4] = first;
    points[5] = second;
}

CDimensionLinear::CPoint3d CDimensionLinear::GetTextAnchor(const CPoint3d& start, const CPoint3d& end,
                                                           IModelView* view) const
{
    if (m_xOffset == 0.0)
        return CPoint3d(0.5, start, 0.5, end);
    const CVector3d u = Unit(end - start);
    if (m_xOffset < 0.0)
        return CPoint3d(start, -GetTextHeight(view, start), u);
    return CPoint3d(end, GetTextHeight(view, end), u);
}

bool CDimensionLinear::GetExtensionDirections(double yOffset, const CPoint3d& p0, const CPoint3d& p1,
                                              CVector3d& d1, CVector3d& d2)
{
    if (std::abs(yOffset) < kTolerance) {
        d1 = d2 = CVector3d();
        return true;
    }
    d1 = CVector3d(0.0, yOffset < p0.y ? -1.0 : 1.0, 0.0);
    d2 = CVector3d(0.0, yOffset < p1.y ? -1.0 : 1.0, 0.0);
    return d1.x == d2.x && d1.y == d2.y && d1.z == d2.z;
}

bool CDimensionLinear::PlaceText(IModelView* view, const CPoint3d& anchor, const CPoint3d& start,
                                 const CPoint3d& end, bool sameSide, CPoint3d& textPoint,
                                 int& alignment) const
{
    textPoint = anchor;
    if (!IsTextAligned()) {
        alignment = 4;
        return true;
    }
    const double gap =
        view ? view->PixelsToModel(static_cast<int>(GetStyleLineWidth() * 0.5 + 2.0), anchor) : 0.0;
    CVector3d up(0.0, 1.0, 0.0);
    CPoint3d a, ax, ay;
    if (GetKeepTextReadable() && view && view->ModelToScreen(anchor, a) &&
        view->ModelToScreen(CPoint3d(anchor, 1.0, CVector3d(1, 0, 0)), ax) &&
        view->ModelToScreen(CPoint3d(anchor, 1.0, up), ay)) {
        // Window coordinates run downwards: the text's visual up decides which way is up.
        const CVector3d xDir = Unit(CVector3d(ax.x - a.x, ax.y - a.y, 0.0));
        const CVector3d yDir = Unit(CVector3d(ay.x - a.x, ay.y - a.y, 0.0));
        if (xDir.Cross(yDir).z > 0.0)
            up.Reverse();
        if (std::abs(xDir.x) < 0.1 ? xDir.y > 0.0 : xDir.x < 0.0)
            up.Reverse();
    }
    bool onLine = false;
    const double c = m_yOffset * up.y;
    bool above = true;
    switch (m_textPosition) {
        case 0: break;
        case 1:
            alignment = 4;
            onLine = true;
            break;
        case 2: above = false; break;
        case 3: above = !(sameSide && c < 0.0); break;
        case 4: above = sameSide && c < 0.0; break;
        default: break;
    }
    if (m_textPosition == 0 || (m_textPosition >= 2 && m_textPosition <= 4)) {
        alignment = above ? 1 : 7;
        textPoint = CPoint3d(anchor, above ? gap : -gap, up);
    }
    if (std::abs(m_xOffset) < kTolerance)
        return onLine;
    textPoint = anchor;
    CPoint3d near, far;
    if (!view || !view->ModelToScreen(m_xOffset < 0.0 ? start : end, near) ||
        !view->ModelToScreen(anchor, far)) {
        alignment = m_xOffset < 0.0 ? 5 : 3;
        return false;
    }
    const CVector3d v = Unit(CVector3d(far.x - near.x, far.y - near.y, 0.0));
    if (v.x > 0.1)
        alignment = 3;
    else if (v.x < -0.1)
        alignment = 5;
    else
        alignment = v.y < 0.0 ? 3 : 5;
    return false;
}

void CDimensionLinear::GetTextPosition(IModelView* view, CPoint3d& anchor, int& alignment, int& justification)
{
    CPoint3d points[6];
    CTransform3d frame;
    GetDimensionPoints(points, frame);
    const CPoint3d start = frame.MultiplyPoint(points[2]);
    const CPoint3d end = frame.MultiplyPoint(points[3]);
    CVector3d d1, d2;
    const bool sameSide = GetExtensionDirections(m_yOffset, points[0], points[1], d1, d2);
    justification = 1;
    alignment = 4;
    PlaceText(view, GetTextAnchor(start, end, view), start, end, sameSide, anchor, alignment);
}

CDimensionLinear::CPlane3d CDimensionLinear::GetPlane() const
{
    return CPlane3d(PositionOf(m_point1), CUnitVector3d(m_normal));
}

CDimensionLinear::CPoint3d CDimensionLinear::GetLocation() const
{
    return CPoint3d(0.5, PositionOf(m_point1), 0.5, PositionOf(m_point2));
}

bool CDimensionLinear::IsAssociated() const
{
    return !m_point1.IsFree() && !m_point2.IsFree();
}

CString CDimensionLinear::GetMeasurementText(IModelView* view)
{
    CPoint3d points[6];
    CTransform3d frame;
    GetDimensionPoints(points, frame);
    // The enclosing instances' scale counts: the frame first, then the view's transformation.
    const CTransform3d toView = view ? view->GetTransform() * frame : frame;
    return FormatLength(toView.MultiplyPoint(points[2]).DistanceTo(toView.MultiplyPoint(points[3])));
}

int CDimensionLinear::GetScreenSize(IModelView* view)
{
    if (!view)
        return 0;
    CPoint3d points[6];
    CTransform3d frame;
    GetDimensionPoints(points, frame);
    const CPoint3d anchor =
        GetTextAnchor(frame.MultiplyPoint(points[2]), frame.MultiplyPoint(points[3]), view);
    const double pixel = view->PixelsToModel(1, anchor);
    if (!(pixel > 0.0))
        return 0;
    const double size = points[2].DistanceTo(points[3]) / pixel;
    return size > 0.0 ? static_cast<int>(size) : 0;
}

namespace {

constexpr uint32_t kAllPlanes = 0xFFFFFFFFu;

void DrawLine(IModelView* view, const orbisk::geometry::CPoint3d& from, const orbisk::geometry::CPoint3d& to)
{
    view->Vertex(from.x, from.y, from.z);
    view->Vertex(to.x, to.y, to.z);
}

// How far past their ends the view draws edges, in pixels: extension lines start that far (and
// half a gap more) from the measured points, so that they never touch the edges they measure.
int EdgeOvershoot(IModelView* view)
{
    const auto* options = dynamic_cast<const CRenderingOptions*>(view->GetRenderingOptions());
    if (!options)
        return 0;
    int pixels = options->GetJitter() ? 10 : 0;
    if (options->GetProfiles())
        pixels = std::max(pixels, static_cast<int>(options->GetProfileWidth()));
    if (options->GetExtension())
        pixels = std::max(pixels, static_cast<int>(options->GetExtensionLength()));
    return pixels;
}

}  // namespace

void CDimensionLinear::DrawGeometry(IModelView* view, bool draw)
{
    // The measurement is taken in the coordinates the dimension lives in, before entering its
    // frame.
    bool replaced = false;
    const CString text = GetDisplayText(view, replaced);
    CPoint3d p[6];
    CTransform3d frame;
    GetDimensionPoints(p, frame);
    view->PushTransform(frame, true);
    // A dimension is drawn whole or not at all.
    CSectionPlaneStack* sections = view->GetSectionPlaneStack();
    const bool cut = sections && !sections->IsEmpty();
    if (cut && (!sections->IsPointVisible(p[0]) || !sections->IsPointVisible(p[1]))) {
        view->PopTransform(true);
        return;
    }
    if (cut)
        sections->DisablePlanes(kAllPlanes);

    const CPoint3d start = p[2];
    const CPoint3d end = p[3];
    const CPoint3d anchor = GetTextAnchor(start, end, view);
    const double gap = 0.25 * GetTextHeight(view, anchor);
    const double half = gap / 2.0;
    const int overshoot = EdgeOvershoot(view);
    CVector3d d1, d2;
    const bool sameSide = GetExtensionDirections(m_yOffset, p[0], p[1], d1, d2);
    const double g1 = view->PixelsToModel(overshoot, p[0]) + half;
    const double g2 = view->PixelsToModel(overshoot, p[1]) + half;
    CPoint3d from1 = p[0] + d1 * g1;
    CPoint3d from2 = p[1] + d2 * g2;

    // Measured points off the dimension's plane get a connector down to it, unless the view
    // looks straight along the plane's normal, where the connector would be a dot.
    view->BeginPrimitive(GL_LINES);
    const double z[2] = {p[4].z, p[5].z};
    if (std::abs(z[0]) >= kTolerance || std::abs(z[1]) >= kTolerance) {
        const CViewDefinition* definition = view->GetViewDefinition();
        const bool perspective = definition && definition->GetCamera().IsPerspective();
        CVector3d direction = definition ? view->GetInverseTransform().MultiplyVector(
                                               CVector3d(definition->GetCamera().GetDirection()))
                                         : CVector3d(0, 0, 1);
        direction.Normalize();
        const bool alongNormal =
            (std::abs(direction.x) < kTolerance && std::abs(direction.y) < kTolerance &&
             (std::abs(direction.z - 1.0) < kTolerance || std::abs(direction.z + 1.0) < kTolerance));
        for (int i = 0; i < 2; ++i) {
            if (std::abs(z[i]) < kTolerance || (!perspective && alongNormal))
                continue;
            const double g = i == 0 ? g1 : g2;
            const CPoint3d measured = p[4 + i];
            DrawLine(view, CPoint3d(measured.x, measured.y, measured.z + (z[i] > 0.0 ? -g : g)), p[i]);
            (i == 0 ? from1 : from2) = p[i];
        }
    }
    DrawLine(view, from1, start + d1 * gap);
    DrawLine(view, from2, end + d2 * gap);
    view->EndPrimitive();

    const CPlane3d plane;
    DrawArrow(view, plane, start, Unit(end - start));
    DrawArrow(view, plane, end, Unit(start - end));

    const CColor color = GetNonAssociatedColor(replaced);
    CPoint3d textPoint;
    int alignment = 4;
    const bool onLine = PlaceText(view, anchor, start, end, sameSide, textPoint, alignment);
    CZpFont* font = GetFont();
    view->BeginPrimitive(GL_LINES);
    if (std::abs(m_xOffset) >= kTolerance)
        DrawLine(view, m_xOffset < 0.0 ? start : end, textPoint);
    if (view->GetDrawPurpose() == 3 || !onLine) {
        DrawLine(view, start, end);
        view->EndPrimitive();
    } else {
        view->EndPrimitive();
        DrawLineAroundText(view, start, end, anchor, font, text.GetString(), alignment, IsTextAligned());
        view->EndPrimitive();
    }
    if (font)
        view->DrawText3D(font, textPoint, text.GetString(), alignment, 1,
                         color == CColor() ? nullptr : &color, !draw, draw, !IsTextAligned(), &plane,
                         GetKeepTextReadable(), GetTextCache());

    view->PopTransform(true);
    if (cut)
        sections->EnablePlanes(kAllPlanes);
}

int CDimensionLinear::PickInside(IPickHelper* picker)
{
    IModelView* view = picker ? picker->GetView() : nullptr;
    if (!view || !picker->IsEntityVisible(this))
        return 0;
    CPoint3d p[6];
    CTransform3d frame;
    GetDimensionPoints(p, frame);
    for (CPoint3d& point : p)
        point = frame.MultiplyPoint(point);
    const CSectionPlaneStack* sections = picker->GetSectionPlaneStack();
    if (sections && !sections->IsEmpty() &&
        (!sections->IsPointVisible(p[0]) || !sections->IsPointVisible(p[1])))
        return 2;
    picker->SetDrawFlags(true);
    int result = 0;
    const int mode = picker->GetPickMode();
    if (mode == IPickHelper::kPointPick || mode == IPickHelper::kCrossingPick) {
        const bool onLines = (picker->PickSegment(p[0], p[2]) & 1) || (picker->PickSegment(p[2], p[3]) & 1) ||
                             (picker->PickSegment(p[3], p[1]) & 1);
        result = onLines ? 1 : PickText(picker);
    } else {
        bool inside = true;
        for (const CPoint3d& point : p)
            inside = inside && picker->PickPoint(point) == 1;
        result = inside ? PickText(picker) : 0;
    }
    picker->SetDrawFlags(false);
    return result;
}

int CDimensionLinear::PickText(IPickHelper* picker)
{
    IModelView* view = picker->GetView();
    CZpFont* font = GetFont();
    if (!view || !font)
        return 0;
    bool replaced = false;
    const CString text = GetDisplayText(view, replaced);
    CPoint3d p[6];
    CTransform3d frame;
    GetDimensionPoints(p, frame);
    // The text is placed in the frame, as it is drawn; the font pops the frame.
    picker->PushTransform(frame, true);
    CVector3d d1, d2;
    const bool sameSide = GetExtensionDirections(m_yOffset, p[0], p[1], d1, d2);
    const CPoint3d anchor = GetTextAnchor(p[2], p[3], view);
    CPoint3d textPoint;
    int alignment = 4;
    PlaceText(view, anchor, p[2], p[3], sameSide, textPoint, alignment);
    return font->PickText(picker, this, textPoint, text, alignment, 1, !IsTextAligned(),
                          GetKeepTextReadable(), true);
}

void CDimensionLinear::TransformWithMode(const CTransform3d& transform, int kind, int mode)
{
    if (transform.IsIdentity())
        return;
    MarkChanged();
    const CTransform3d before = GetFrame();
    m_point1.Transform(transform);
    m_point2.Transform(transform);
    m_normal = Unit(transform.MultiplyVector(m_normal));
    m_xAxis = Unit(transform.MultiplyVector(m_xAxis));
    // The offset moves with the dimension: from the old frame through the transformation into
    // the new one (a frame that moved with its anchors leaves a rigid motion's offset as it was).
    const CTransform3d after = GetFrame().Inverse();
    double y = m_yOffset;
    if (mode == kTransformMoveAll && kind != 2)
        y = after.MultiplyPoint(transform.MultiplyPoint(before.MultiplyPoint({m_xOffset, m_yOffset, 0.0}))).y;
    else if ((mode == 3 && kind == 3) || (kind == 4 && mode != kTransformMoveAll))
        y = after.MultiplyVector(transform.MultiplyVector(before.MultiplyVector({0.0, m_yOffset, 0.0}))).y;
    if (y != m_yOffset) {
        MarkChanged();
        m_yOffset = y;
    }
}

void CDimensionLinear::ApplyStyle(CDimensionStyle* style)
{
    CDimension::ApplyStyle(style);
    if (style)
        SetTextPlacement(style->GetTextPosition());
}

void CDimensionLinear::OnChange()
{
    m_point1.AddBackReferences(this);
    m_point2.AddBackReferences(this);
}

void CDimensionLinear::ForgetSharedParts()
{
    CDimension::ForgetSharedParts();
    m_point1.Clear();
    m_point2.Clear();
}

void CDimensionLinear::OnErase()
{
    m_point1.RemoveBackReferences(this);
    m_point2.RemoveBackReferences(this);
}

bool CDimensionLinear::RefersTo(const CEntity* entity) const
{
    return m_point1.RefersTo(entity) || m_point2.RefersTo(entity);
}

void CDimensionLinear::AddReferencedEntities(CEntitySet& set, bool includeFirst) const
{
    m_point1.CollectAnchors(set, includeFirst);
    m_point2.CollectAnchors(set, includeFirst);
}

void CDimensionLinear::ReplaceReference(CEntity* oldEntity, CEntity* newEntity)
{
    m_point1.ReplaceEntity(this, oldEntity, newEntity);
    m_point2.ReplaceEntity(this, oldEntity, newEntity);
}

void CDimensionLinear::PrepareCopy(const CEntitySet& set, bool markOnly)
{
    for (CReferencePoint* point : {&m_point1, &m_point2}) {
        if (point->IsAnchoredWithin(set))
            continue;
        if (markOnly)
            point->SetDetachOnWrite(true);
        else
            point->Detach(this);
    }
}

void CDimensionLinear::OnEntitiesGrouped(const CEntitySet& set, CDrawingElement* instance)
{
    m_point1.OnEntitiesGrouped(this, set, instance);
    m_point2.OnEntitiesGrouped(this, set, instance);
}

void CDimensionLinear::OnInstanceExploded(CDrawingElement* instance, const CMapPtrToPtr* map)
{
    m_point1.OnInstanceExploded(this, instance, map);
    m_point2.OnInstanceExploded(this, instance, map);
}

void CDimensionLinear::OnReferencedEntityEvent(int kind, CEntity* entity, void* data)
{
    m_point1.HandleEntityEvent(this, kind, entity, data);
    m_point2.HandleEntityEvent(this, kind, entity, data);
}

bool CDimensionLinear::CollectWithDependents(CEntitySet& set)
{
    if (set.Contains(this) || !m_point1.IsAnchoredWithin(set) || !m_point2.IsAnchoredWithin(set))
        return false;
    return CEntity::CollectWithDependents(set);
}

void CDimensionLinear::AddBoundsTransformed(const CTransform3d& transform, CBoundingBox3d& box) const
{
    CPoint3d points[6];
    CTransform3d frame;
    GetDimensionPoints(points, frame);
    const CTransform3d toBox = transform * frame;
    for (const CPoint3d& point : points)
        box.Add(toBox.MultiplyPoint(point));
}

CEntity* CDimensionLinear::CreateCopy() const
{
    return new CDimensionLinear(*this);
}

void CDimensionLinear::SwapContents(CEntity& other)
{
    CDimension::SwapContents(other);
    auto& dimension = static_cast<CDimensionLinear&>(other);
    OnErase();
    dimension.OnErase();
    std::swap(m_point1, dimension.m_point1);
    std::swap(m_point2, dimension.m_point2);
    std::swap(m_normal, dimension.m_normal);
    std::swap(m_xAxis, dimension.m_xAxis);
    std::swap(m_type, dimension.m_type);
    std::swap(m_yOffset, dimension.m_yOffset);
    std::swap(m_xOffset, dimension.m_xOffset);
    std::swap(m_textPosition, dimension.m_textPosition);
    OnChange();
}

void CDimensionLinear::SetPoints(const CReferencePoint& first, const CReferencePoint& second)
{
    MarkChanged();
    OnErase();
    m_point1 = first;
    m_point2 = second;
    OnChange();
}

void CDimensionLinear::SetAxes(const CVector3d& normal, const CVector3d& xAxis)
{
    if (normal.IsEqual(m_normal, kTolerance) && xAxis.IsEqual(m_xAxis, kTolerance))
        return;
    MarkChanged();
    m_normal = normal;
    m_xAxis = xAxis;
}

void CDimensionLinear::SetDimensionType(int32_t type)
{
    if (type == m_type)
        return;
    MarkChanged();
    m_type = type;
}

void CDimensionLinear::SetOffsets(double xOffset, double yOffset)
{
    if (xOffset == m_xOffset && yOffset == m_yOffset)
        return;
    MarkChanged();
    m_xOffset = xOffset;
    m_yOffset = yOffset;
}

void CDimensionLinear::SetTextPlacement(int32_t position)
{
    if (position == m_textPosition)
        return;
    MarkChanged();
    m_textPosition = position;
}

int CDimensionLinear::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CDimensionLinear), map, [&] { return CDimension::CheckValidity(level, map); },
        [&] { return CheckOwnValidity(level, map); });
}

int CDimensionLinear::CheckOwnValidity(int level, CCheckedObjectMap* map)
{
    if (level == kValidityCheckIgnoringIds)
        return 0;
    const CString name = DescribeEntity(this);
    if (map) {
        const bool repair = level == kValidityFix;
        if (!m_point1.Verify(this, repair)) {
            AppendValidityMessage("Point reference 1 for %s is not valid\n", name.GetString());
            return 2;
        }
        if (!m_point2.Verify(this, repair)) {
            AppendValidityMessage("Point reference 2 for %s is not valid\n", name.GetString());
            return 2;
        }
    }
    if (!IsUnitVector(m_normal)) {
        AppendValidityMessage("The normal vector for %s is not valid\n", name.GetString());
        return 2;
    }
    if (!IsUnitVector(m_xAxis)) {
        AppendValidityMessage("The X axis for %s is not valid \n", name.GetString());
        return 2;
    }
    int result = 0;
    if (m_type < kAligned || m_type > kAcrossXAxis) {
        AppendValidityMessage("The dimension type for %s is not valid", name.GetString());
        if (ShouldFix(level)) {
            MarkChanged();
            m_type = kAlongXAxis;
        } else {
            result = 1;
        }
    }
    if (!std::isfinite(m_yOffset)) {
        AppendValidityMessage("The Y position for %s is not valid\n", name.GetString());
        return 2;
    }
    if (!std::isfinite(m_xOffset)) {
        AppendValidityMessage("The X position for %s is not valid\n", name.GetString());
        return 2;
    }
    return result;
}
