#include "components/RadialDimension.h"

#include <GL/gl.h>

#include <cmath>

#include "components/ArrowHeads.h"
#include "components/DimensionStyle.h"
#include "components/ZpFont.h"
#include "database/ArchiveReading.h"
#include "database/ArchiveSchema.h"
#include "database/BackReferenceIndex.h"
#include "database/EntitySet.h"
#include "database/IModelContext.h"
#include "database/IModelView.h"
#include "database/IPickHelper.h"
#include "geometry/UnitVector3d.h"
#include "settings/ViewDefinition.h"
#include "support/ArchiveOperators.h"
#include "support/StringTable.h"
#include "topology/ArcCurve.h"
#include "topology/Curve.h"
#include "topology/Edge.h"
#include "topology/SectionPlaneStack.h"

IMPLEMENT_SERIAL(CDimensionRadial, CDimension, VERSIONABLE_SCHEMA | 2)

using orbisk::geometry::CUnitVector3d;
using orbisk::geometry::CVector3d;

namespace {

constexpr double kTolerance = 0.001;
constexpr double kPi = 3.14159265358979323846;

CVector3d Unit(const CVector3d& v)
{
    CVector3d unit = v;
    unit.Normalize();
    return unit;
}

bool Near(double a, double b)
{
    return std::abs(a - b) <= kTolerance;
}

}  // namespace

CDimensionRadial::CDimensionRadial(const CDimensionRadial& other)
    : CDimension(other),
      m_edge(other.m_edge),
      m_leaderAngle(other.m_leaderAngle),
      m_leaderPosition(other.m_leaderPosition),
      m_diameter(other.m_diameter)
{}

void CDimensionRadial::Serialize(CArchive& ar)
{
    CZpFont* const fontBefore = PeekOwnFont();
    SerializeGuarded(
        ar,
        [&] {
            CDimension::Serialize(ar);
            if (ar.IsLoading())
                ReadRecord(ar);
            else
                WriteRecord(ar);
        },
        [&] { RestoreFont(fontBefore); });
    if (ar.IsLoading())
        OnChange();
}

void CDimensionRadial::ReadRecord(CArchive& ar)
{
    CEdge* edge = ReadUnownedReference<CEdge>(ar);
    double angle = 0.0;
    double position = 0.0;
    uint8_t diameter = 0;
    ar >> angle >> position >> diameter;
    CArc3d arc = m_arc;
    if (!edge)
        orbisk::utils::SerializeArc3d(ar, arc, GetClassVersion(RUNTIME_CLASS(CDimensionRadial)) >= 2);
    m_edge = edge;
    m_leaderAngle = angle;
    m_leaderPosition = position;
    m_diameter = diameter != 0;
    m_arc = arc;
}

void CDimensionRadial::WriteRecord(CArchive& ar)
{
    CEdge* edge = m_detachedOnSave ? nullptr : m_edge;
    m_detachedOnSave = false;
    ar << static_cast<const CObject*>(edge) << m_leaderAngle << m_leaderPosition
       << static_cast<uint8_t>(m_diameter);
    if (!edge) {
        CArc3d arc = GetArc();
        orbisk::utils::SerializeArc3d(ar, arc, true);
    }
}

CDimensionRadial::CArc3d CDimensionRadial::GetArc() const
{
    if (const CArcCurve* curve = m_edge ? m_edge->GetArcCurve() : nullptr)
        m_arc = curve->GetArc();
    return m_arc;
}

CDimensionRadial::CPlane3d CDimensionRadial::GetPlane() const
{
    return GetArc().plane;
}

CDimensionRadial::CPoint3d CDimensionRadial::GetLocation() const
{
    return GetArc().center;
}

bool CDimensionRadial::IsAssociated() const
{
    return m_edge && m_edge->GetArcCurve();
}

void CDimensionRadial::Detach()
{
    if (!m_edge)
        return;
    GetArc();
    OnErase();
    MarkChanged();
    m_edge = nullptr;
    OnChange();
}

void CDimensionRadial::SetEdge(CEdge* edge)
{
    if (edge == m_edge)
        return;
    OnErase();
    MarkChanged();
    m_edge = edge;
    GetArc();
    OnChange();
}

void CDimensionRadial::OnChange()
{
    if (m_edge)
        m_edge->AddBackReference(this);
}

void CDimensionRadial::ForgetSharedParts()
{
    CDimension::ForgetSharedParts();
    m_edge = nullptr;
}

void CDimensionRadial::OnErase()
{
    if (m_edge)
        m_edge->RemoveBackReference(this);
}

void CDimensionRadial::OnReferencedEntityEvent(int kind, CEntity* entity, void* data)
{
    if (entity != m_edge)
        return;
    if (kind == CEntity::kEventErased)
        Detach();
    else if (kind == 5 && !AsCircularArcCurve(static_cast<CEntity*>(data)))
        Detach();
}

bool CDimensionRadial::RefersTo(const CEntity* entity) const
{
    return entity && entity == m_edge;
}

void CDimensionRadial::AddReferencedEntities(CEntitySet& set, bool includeFirst) const
{
    if (includeFirst && m_edge)
        set.Insert(m_edge);
}

void CDimensionRadial::ReplaceReference(CEntity* oldEntity, CEntity* newEntity)
{
    if (!oldEntity)
        return;
    // The caller brackets the call with OnErase and OnChange.
    if (auto* edge = dynamic_cast<CEdge*>(newEntity))
        m_edge = edge;
    else if (m_edge)
        Detach();
}

void CDimensionRadial::PrepareCopy(const CEntitySet& set, bool markOnly)
{
    if (m_edge && set.Contains(m_edge))
        return;
    if (markOnly)
        m_detachedOnSave = true;
    else
        Detach();
}

void CDimensionRadial::OnEntitiesGrouped(const CEntitySet& set, CDrawingElement*)
{
    if (m_edge && set.Contains(m_edge))
        Detach();
}

bool CDimensionRadial::CollectWithDependents(CEntitySet& set)
{
    if (set.Contains(this) || (m_edge && !set.Contains(m_edge)))
        return false;
    return CEntity::CollectWithDependents(set);
}

void CDimensionRadial::GetLeaderPoints(CPoint3d& outer, CPoint3d& onArc, CPoint3d& opposite) const
{
    const CArc3d arc = GetArc();
    const CPoint3d& centre = arc.center;
    const double r = arc.radius;
    const double a0 = arc.startAngle;
    const double a1 = arc.endAngle;
    const double alpha = m_leaderAngle;
    const double x = m_leaderPosition;
    const CVector3d u = Unit(arc.GetPointAt(alpha) - centre);
    outer = x >= 0.0 ? CPoint3d(centre, r * x, u) : CPoint3d(centre, r + std::abs(x), u);
    onArc = CPoint3d(centre, r, u);
    opposite = CPoint3d(centre, -r, u);
    if (m_diameter || arc.IsFullCircle(true) || alpha - a1 < kTolerance)
        return;
    if (a1 - kPi > -kTolerance || (alpha > a0 + kPi - kTolerance && alpha < a1 + kPi + kTolerance)) {
        // Beyond the arc's end but across from it: the leader meets the arc on the other side.
        onArc = CPoint3d(centre, -r, u);
        opposite = CPoint3d(centre, r, u);
        return;
    }
    // Otherwise the leader moves to the nearer end of the arc.
    const CPoint3d start = arc.GetStartPoint();
    const CPoint3d end = arc.GetEndPoint();
    const CVector3d n = Unit(arc.plane.GetNormal().Cross(start - end));
    const double d = n.Dot(outer - centre);
    const bool w = alpha - a1 >= kTolerance && alpha - (a0 + kPi) <= -kTolerance;
    if (w == (d > 0.0)) {
        onArc = end;
        opposite = arc.GetPointAt(a1 + kPi);
    } else {
        onArc = start;
        opposite = arc.GetPointAt(a0 + kPi);
    }
    const CVector3d radial = Unit(onArc - centre);
    outer = CPoint3d(centre, radial.Dot(outer - centre), radial);
}

bool CDimensionRadial::PlaceText(IModelView* view, const CPoint3d& outer, const CPoint3d& onArc,
                                 const CPlane3d& plane, CPoint3d& textPoint, int& alignment,
                                 int& justification) const
{
    textPoint = outer;
    if (m_diameter && m_leaderPosition >= 0.0 && m_leaderPosition <= 1.0) {
        alignment = 4;
        justification = 1;
        return false;
    }
    CPoint3d outerOnScreen, arcOnScreen;
    double vx = 1.0;
    if (view && view->ModelToScreen(outer, outerOnScreen) && view->ModelToScreen(onArc, arcOnScreen))
        vx = outerOnScreen.x - arcOnScreen.x;
    alignment = vx >= 0.0 ? 3 : 5;
    justification = vx >= 0.0 ? 0 : 2;
    const CViewDefinition* definition = view ? view->GetViewDefinition() : nullptr;
    if (!definition)
        return true;
    CVector3d right = view->GetInverseTransform().MultiplyVector(CVector3d(definition->GetRight()));
    if (vx < 0.0)
        right.Reverse();
    const CVector3d n = plane.GetNormal();
    const CVector3d across = n.Cross(right);
    if (!across.IsNonZero() || across.LengthSquared() < 1e-20)
        return true;
    // The viewer's right, within the arc's plane.
    const CVector3d inPlane = Unit(across.Cross(n));
    textPoint = CPoint3d(outer, GetTextHeight(view, outer), inPlane);
    return true;
}

void CDimensionRadial::GetTextPosition(IModelView* view, CPoint3d& anchor, int& alignment, int& justification)
{
    CPoint3d outer, onArc, opposite;
    GetLeaderPoints(outer, onArc, opposite);
    PlaceText(view, outer, onArc, GetPlane(), anchor, alignment, justification);
}

CString CDimensionRadial::GetMeasurementText(IModelView* view)
{
    const CArc3d arc = GetArc();
    const CVector3d scales = view ? view->GetTransform().GetScales() : CVector3d(1.0, 1.0, 1.0);
    const CVector3d n = arc.plane.GetNormal();
    const double r = arc.radius;
    double value = 0.0;
    if (Near(scales.x, scales.y) && Near(scales.x, scales.z))
        value = r * scales.x;
    else if (Near(scales.x, scales.y) && n.IsEqual(CVector3d(0, 0, 1), kTolerance))
        value = r * scales.x;
    else if (Near(scales.x, scales.z) && n.IsEqual(CVector3d(0, 1, 0), kTolerance))
        value = r * scales.x;
    else if (Near(scales.y, scales.z) && n.IsEqual(CVector3d(1, 0, 0), kTolerance))
        value = r * scales.y;
    else
        return CString(L"?");
    if (m_diameter)
        value *= 2.0;
    CString text = FormatLength(value);
    const CDimensionStyle* style = GetStyle();
    if (style && style->GetShowRadiusPrefix())
        text = orbisk::utils::TranslateString(m_diameter ? "DIA " : "R") + text;
    return text;
}

int CDimensionRadial::GetScreenSize(IModelView* view)
{
    if (!view)
        return 0;
    const CArc3d arc = GetArc();
    const double pixel = view->PixelsToModel(1, arc.center);
    if (!(pixel > 0.0))
        return 0;
    const double size = (m_diameter ? 2.0 : 1.0) * arc.radius / pixel;
    return size > 0.0 ? static_cast<int>(size) : 0;
}

namespace {

constexpr uint32_t kAllPlanes = 0xFFFFFFFFu;

void DrawLine(IModelView* view, const orbisk::geometry::CPoint3d& from, const orbisk::geometry::CPoint3d& to)
{
    view->Vertex(from.x, from.y, from.z);
    view->Vertex(to.x, to.y, to.z);
}

}  // namespace

void CDimensionRadial::DrawGeometry(IModelView* view, bool draw)
{
    CPoint3d outer, onArc, opposite;
    GetLeaderPoints(outer, onArc, opposite);
    // A dimension is drawn whole or not at all.
    CSectionPlaneStack* sections = view->GetSectionPlaneStack();
    const bool cut = sections && !sections->IsEmpty();
    if (cut && (!sections->IsPointVisible(onArc) || (m_diameter && !sections->IsPointVisible(opposite))))
        return;
    if (cut)
        sections->DisablePlanes(kAllPlanes);

    bool replaced = false;
    const CString text = GetDisplayText(view, replaced);
    const CColor color = GetNonAssociatedColor(replaced);
    const CPlane3d plane = GetPlane();
    CPoint3d textPoint;
    int alignment = 4;
    int justification = 1;
    const bool shoulder = PlaceText(view, outer, onArc, plane, textPoint, alignment, justification);
    CZpFont* font = GetFont();
    const bool aligned = IsTextAligned();
    // Text in the arc's plane is drawn in a frame at the text point whose x-y plane is the
    // arc's plane.
    const CTransform3d textFrame(textPoint, CUnitVector3d(plane.GetNormal()));

    if (m_diameter) {
        if (view->GetDrawPurpose() == 3) {
            view->BeginPrimitive(GL_LINES);
            DrawLine(view, onArc, opposite);
            view->EndPrimitive();
        } else if (aligned) {
            // The gap is measured in the text's own plane.
            const CTransform3d toFrame = textFrame.Inverse();
            view->PushTransform(textFrame, true);
            DrawLineAroundText(view, toFrame.MultiplyPoint(onArc), toFrame.MultiplyPoint(opposite),
                               CPoint3d(), font, text.GetString(), alignment, true);
            view->PopTransform(true);
        } else {
            DrawLineAroundText(view, onArc, opposite, textPoint, font, text.GetString(), alignment, false);
        }
        view->EndPrimitive();
        const CVector3d f = Unit(onArc - opposite);
        DrawArrow(view, plane, onArc, -f);
        DrawArrow(view, plane, opposite, f);
        view->BeginPrimitive(GL_LINES);
        if (shoulder)
            DrawLine(view, outer, onArc);
    } else {
        view->BeginPrimitive(GL_LINES);
        DrawLine(view, outer, onArc);
        view->EndPrimitive();
        DrawArrow(view, plane, onArc, Unit(outer - onArc));
        view->BeginPrimitive(GL_LINES);
    }
    if (shoulder)
        DrawLine(view, outer, textPoint);
    view->EndPrimitive();

    if (font) {
        if (aligned)
            view->PushTransform(textFrame, true);
        // In the text's frame the arc's plane is its x-y plane.
        const CPlane3d textPlane = aligned ? CPlane3d() : plane;
        view->DrawText3D(font, aligned ? CPoint3d() : textPoint, text.GetString(), alignment, justification,
                         color == CColor() ? nullptr : &color, !draw, draw, !aligned, &textPlane,
                         GetKeepTextReadable(), GetTextCache());
        if (aligned)
            view->PopTransform(true);
    }
    if (cut)
        sections->EnablePlanes(kAllPlanes);
}

int CDimensionRadial::PickInside(IPickHelper* picker)
{
    IModelView* view = picker ? picker->GetView() : nullptr;
    if (!view || !picker->IsEntityVisible(this))
        return 0;
    CPoint3d outer, onArc, opposite;
    GetLeaderPoints(outer, onArc, opposite);
    const CSectionPlaneStack* sections = picker->GetSectionPlaneStack();
    if (sections && !sections->IsEmpty() &&
        (!sections->IsPointVisible(onArc) || (m_diameter && !sections->IsPointVisible(opposite))))
        return 2;
    picker->SetDrawFlags(true);
    int result = 0;
    const int mode = picker->GetPickMode();
    if (mode == IPickHelper::kPointPick || mode == IPickHelper::kCrossingPick) {
        const bool onLines = (picker->PickSegment(outer, onArc) & 1) ||
                             (m_diameter && (picker->PickSegment(onArc, opposite) & 1));
        result = onLines ? 1 : PickText(picker);
    } else {
        const bool inside = picker->PickPoint(outer) == 1 && picker->PickPoint(onArc) == 1 &&
                            (!m_diameter || picker->PickPoint(opposite) == 1);
        result = inside ? PickText(picker) : 0;
    }
    picker->SetDrawFlags(false);
    return result;
}

int CDimensionRadial::PickText(IPickHelper* picker)
{
    IModelView* view = picker->GetView();
    CZpFont* font = GetFont();
    if (!view || !font)
        return 0;
    CPoint3d outer, onArc, opposite;
    GetLeaderPoints(outer, onArc, opposite);
    const CPlane3d plane = GetPlane();
    CPoint3d textPoint;
    int alignment = 4;
    int justification = 1;
    PlaceText(view, outer, onArc, plane, textPoint, alignment, justification);
    bool replaced = false;
    const CString text = GetDisplayText(view, replaced);
    if (!IsTextAligned())
        return font->PickText(picker, this, textPoint, text, alignment, justification, true,
                              GetKeepTextReadable(), false);
    // As drawn: in the arc's plane, in a frame at the text point; the font pops the frame.
    picker->PushTransform(CTransform3d(textPoint, CUnitVector3d(plane.GetNormal())), true);
    return font->PickText(picker, this, CPoint3d(), text, alignment, justification, false,
                          GetKeepTextReadable(), true);
}

void CDimensionRadial::AddBoundsTransformed(const CTransform3d& transform, CBoundingBox3d& box) const
{
    CPoint3d points[3];
    GetLeaderPoints(points[0], points[1], points[2]);
    for (int i = 0; i < (m_diameter ? 3 : 2); ++i)
        box.Add(transform.MultiplyPoint(points[i]));
}

void CDimensionRadial::TransformWithMode(const CTransform3d& transform, int, int mode)
{
    CPoint3d outer, onArc, opposite;
    GetLeaderPoints(outer, onArc, opposite);
    if (!m_edge) {
        MarkChanged();
        m_arc.Transform(transform);
    }
    if (mode != kTransformMoveAll)
        return;
    SetLeaderFromPoint(transform.MultiplyPoint(outer), false, m_leaderPosition > 0.0);
}

void CDimensionRadial::SetLeaderFromPoint(const CPoint3d& point, bool snap, bool keepRatio)
{
    const CArc3d arc = GetArc();
    const double angle = arc.GetAngleOfPoint(point);
    const double b = arc.center.DistanceTo(point);
    double position = snap ? (m_diameter ? 0.0 : 1.5) : (arc.radius > 0.0 ? b / arc.radius : 0.0);
    if (!keepRatio && position >= 1.0)
        position = -(b - arc.radius);
    SetLeader(angle, position);
}

void CDimensionRadial::SetLeader(double angle, double position)
{
    if (angle != m_leaderAngle) {
        MarkChanged();
        m_leaderAngle = angle;
    }
    if (position != m_leaderPosition) {
        MarkChanged();
        m_leaderPosition = position;
    }
}

void CDimensionRadial::SetDiameter(bool diameter)
{
    if (diameter == m_diameter)
        return;
    MarkChanged();
    m_diameter = diameter;
}

CEntity* CDimensionRadial::CreateCopy() const
{
    return new CDimensionRadial(*this);
}

void CDimensionRadial::SwapContents(CEntity& other)
{
    CDimension::SwapContents(other);
    auto& dimension = static_cast<CDimensionRadial&>(other);
    OnErase();
    dimension.OnErase();
    std::swap(m_edge, dimension.m_edge);
    orbisk::geometry::CArc3d arc = m_arc;
    m_arc = dimension.m_arc;
    dimension.m_arc = arc;
    std::swap(m_leaderAngle, dimension.m_leaderAngle);
    std::swap(m_leaderPosition, dimension.m_leaderPosition);
    std::swap(m_diameter, dimension.m_diameter);
    OnChange();
}

int CDimensionRadial::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CDimensionRadial), map, [&] { return CDimension::CheckValidity(level, map); },
        [&] { return CheckOwnValidity(level, map); });
}

int CDimensionRadial::CheckOwnValidity(int level, CCheckedObjectMap* map)
{
    const CString name = DescribeEntity(this);
    if (m_edge && !m_edge->IsKindOf(RUNTIME_CLASS(CEdge))) {
        AppendValidityMessage("The arc edge for %s is not valid\n", name.GetString());
        RecordValidity(m_edge, 3, map);
        return 3;
    }
    int result = 0;
    if (map && m_edge) {
        IModelContext* model = GetModel();
        if (!model) {
            AppendValidityMessage("The model pointer (accessed from %s) is not valid\n", name.GetString());
            return 3;
        }
        if (level != kValidityCheckIgnoringIds && !model->GetBackReferenceIndex().HasEntry(m_edge, this)) {
            AppendValidityMessage("The back reference to the arc edge for %s is not valid", name.GetString());
            if (ShouldFix(level)) {
                MarkChanged();
                m_edge->AddBackReference(this);
            } else {
                result = 1;
            }
        }
    }
    if (level != kValidityCheckIgnoringIds &&
        (!std::isfinite(m_leaderAngle) || !std::isfinite(m_leaderPosition))) {
        AppendValidityMessage("The ratio value for %s is not valid\n", name.GetString());
        return 2;
    }
    return result;
}
