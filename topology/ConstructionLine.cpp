#include "topology/ConstructionLine.h"

#include <GL/gl.h>

#include <algorithm>
#include <utility>

#include "database/ArchiveSchema.h"
#include "database/IModelView.h"
#include "database/IPickHelper.h"
#include "platform/mfc/Archive.h"
#include "settings/ViewDefinition.h"
#include "support/ArchiveOperators.h"
#include "topology/EntityExportVisitor.h"
#include "topology/SectionPlaneStack.h"

IMPLEMENT_SERIAL(CConstructionLine, CConstructionGeometry, VERSIONABLE_SCHEMA | 1)

using orbisk::geometry::CLine3d;
using orbisk::geometry::CPlane3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CRay3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CUnitVector3d;
using orbisk::geometry::kLineUnbounded;

namespace {

constexpr uint16_t kHiddenGuideStipple = 0x3333;
constexpr uint16_t kGuideStipple = 0x0F0F;
constexpr int kFlatDrawing = 1;
// A guide with this flag that the eye looks along shows as a point instead of vanishing.
constexpr uint32_t kEndOnAsPoint = 0x08;
constexpr uint32_t kAllPlanes = 0xFFFFFFFFu;
constexpr double kGuideWidth = 1.0;
constexpr float kEndOnPointSize = 5.0f;
// Just beyond the near plane, so that depth clipping keeps the point.
constexpr double kEndOnNearFactor = 1.001;

}  // namespace

void CConstructionLine::Serialize(CArchive& ar)
{
    SerializeGuarded(ar, [&] {
        SerializeGuidePart(ar);
        if (ar.IsLoading())
            ReadRecord(ar);
        else
            WriteRecord(ar);
    });
}

void CConstructionLine::ReadRecord(CArchive& ar)
{
    const int32_t schema = GetClassVersion(RUNTIME_CLASS(CConstructionLine));
    CLine3d line;
    ar >> line.origin >> line.direction;
    uint16_t stipple = 0;
    if (schema >= 1) {
        int32_t pattern = 0;
        ar >> line.t0 >> line.t1 >> pattern;
        stipple = static_cast<uint16_t>(pattern & 0xFFFF);
    }
    m_line = line;
    m_stipple = stipple;
}

void CConstructionLine::WriteRecord(CArchive& ar) const
{
    if (IsSaveFormat4000OrLater()) {
        ar << m_line.origin << m_line.direction << m_line.t0 << m_line.t1 << static_cast<int32_t>(m_stipple);
    } else if (GetSaveFormat() == 3000) {
        ar << m_line.origin << m_line.direction;
    }
}

void CConstructionLine::Transform(const CTransform3d& transform)
{
    MarkChanged();
    // The ends keep their places on the transformed line: bounded parameters stretch with it.
    const double stretch = transform.TransformRay(m_line);
    if (m_line.HasStart())
        m_line.t0 *= stretch;
    if (m_line.HasEnd())
        m_line.t1 *= stretch;
}

CEntity* CConstructionLine::CreateCopy() const
{
    return new CConstructionLine(*this);
}

void CConstructionLine::SwapContents(CEntity& other)
{
    CDrawingElement::SwapContents(other);
    auto& guide = static_cast<CConstructionLine&>(other);
    std::swap(m_line, guide.m_line);
    std::swap(m_stipple, guide.m_stipple);
}

int CConstructionLine::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CConstructionLine), map,
        [&] { return CConstructionGeometry::CheckValidity(level, map); },
        [&] {
            if (level == kValidityCheckIgnoringIds || m_line.IsValid())
                return 0;
            AppendValidityMessage("The line for %s is not valid\n", DescribeEntity(this).GetString());
            return 2;
        });
}

void CConstructionLine::Draw(IModelView* view)
{
    if (!view || !IsVisible(view) || !view->IsFullDetail() || view->GetDrawingMode() == kFlatDrawing)
        return;
    const uint16_t pattern = GetDrawStipple();
    const CColor color = GetColorForView(view);
    SetDrawColor(view, color);
    CLine3d clipped = m_line;
    CSectionPlaneStack* planes = view->GetSectionPlaneStack();
    if (!planes || planes->ClipLine(clipped)) {
        // The line is cut here already; the GL clip planes would only cut it again.
        if (planes)
            planes->DisablePlanes(kAllPlanes);
        if ((m_flags & kEndOnAsPoint) && view->GetEyePoint().IsOnLine(clipped))
            DrawGuideLineAsPoint(clipped, view);
        else
            DrawGuideLine(clipped, view, pattern, color);
        if (planes)
            planes->EnablePlanes(kAllPlanes);
    }
    view->SetLineStipple(0);
}

void CConstructionLine::DrawGuideLine(const CLine3d& line, IModelView* view, uint16_t pattern,
                                      const CColor& color)
{
    // The colour is applied already; a null colour keeps it.
    const CColor current(0, 0, 0, 0);
    if (!line.HasStart() && !line.HasEnd()) {
        view->DrawInfiniteLine(line, pattern, true, current, kGuideWidth);
        return;
    }
    CRay3d ray;
    if (line.GetRay(ray)) {
        view->DrawInfiniteLine(CLine3d(ray, false, true), pattern, false, current, kGuideWidth);
        return;
    }
    CPoint3d start;
    CPoint3d end;
    line.GetStartPoint(start);
    line.GetEndPoint(end);
    view->DrawStyledLine(start, end, color, kGuideWidth, pattern);
    view->EndPrimitive();
}

void CConstructionLine::DrawGuideLineAsPoint(const CLine3d& line, IModelView* view)
{
    const CViewDefinition* definition = view->GetViewDefinition();
    const CUnitVector3d direction(view->GetViewDirection());
    if (!definition || !direction.IsNonZero())
        return;
    const CPoint3d nearPoint(view->GetEyePoint(), kEndOnNearFactor * definition->GetNear(), direction);
    CPoint3d point;
    if (!CPlane3d(nearPoint, direction).Intersect(line, point))
        return;
    // The size is put back: points drawn later (vertices, guide points) keep theirs.
    GLfloat pointSize = 1.0f;
    glGetFloatv(GL_POINT_SIZE, &pointSize);
    view->EndPrimitive();
    glPointSize(kEndOnPointSize);
    view->BeginPrimitive(GL_POINTS);
    view->Vertex(point.x, point.y, point.z);
    view->EndPrimitive();
    glPointSize(pointSize);
}

bool CConstructionLine::Pick(IPickHelper* picker, double& depth, double& distance)
{
    depth = distance = 0.0;
    const CRay3d ray = picker->GetLocalRay();
    CPoint3d onRay;
    CPoint3d onGuide;
    if (!ray.ClosestPoints(m_line, onRay, onGuide))
        return false;
    depth = distance = ray.origin.DistanceTo(onRay);
    return true;
}

void CConstructionLine::AddEnds(CBoundingBox3d& box, const CTransform3d* transform, IModelView* view) const
{
    CPoint3d points[2];
    int count = 0;
    if (m_line.GetStartPoint(points[0]) && m_line.GetEndPoint(points[1])) {
        count = 2;
    } else {
        points[0] = m_line.origin;
        count = 1;
    }
    for (int i = 0; i < count; ++i) {
        CPoint3d point = points[i];
        if (transform)
            transform->TransformPoint(point);
        if (view && !view->ModelToScreen(points[i], point))
            continue;
        box.Add(point);
    }
}

void CConstructionLine::AddBoundsTransformed(const CTransform3d& transform, CBoundingBox3d& box) const
{
    AddEnds(box, &transform, nullptr);
}

void CConstructionLine::AddScreenBounds(CBoundingBox3d& box, IModelView* view) const
{
    if (view)
        AddEnds(box, nullptr, view);
}

void CConstructionLine::AddBounds(CBoundingBox3d& box) const
{
    AddEnds(box, nullptr, nullptr);
}

int CConstructionLine::PickInside(IPickHelper* picker)
{
    if (!picker->IsEntityVisible(this))
        return 0;
    CLine3d clipped = m_line;
    const CSectionPlaneStack* planes = picker->GetSectionPlaneStack();
    if (planes && !planes->ClipLine(clipped))
        return 2;
    return picker->PickLine(clipped);
}

bool CConstructionLine::Accept(IEntityExportVisitor* visitor)
{
    if (!visitor || !visitor->WantsGuides())
        return true;
    return visitor->AddGuideLine(m_line, GetSolidColor(nullptr), GetLayer());
}

void CConstructionLine::SetPosition(const CPoint3d& point)
{
    MarkChanged();
    m_line.origin = point;
}

bool CConstructionLine::PickLine(const CLine3d& line, CPoint3d& point, bool skipHidden)
{
    if (skipHidden && IsHidden(nullptr))
        return false;
    // The guide's point nearest the line, kept within its ends. Evaluating an unbounded end at
    // 1e30 would leave no precision for the point, so the nearest point is taken on the guide's
    // own line and its parameter clamped.
    CPoint3d onGuide;
    CPoint3d onLine;
    if (!m_line.ClosestPoints(line, onGuide, onLine))
        onGuide = m_line.ProjectPoint(line.origin);
    const double t = std::clamp(m_line.GetParameter(onGuide), m_line.t0, m_line.t1);
    const CPoint3d nearest = m_line.GetPointAt(t);
    if (!IsPointOnRayWithin(nearest, line, line.t1))
        return false;
    point = nearest;
    return true;
}

uint16_t CConstructionLine::GetDrawStipple() const
{
    if (m_stipple != 0)
        return m_stipple;
    return (m_flags & kHidden) ? kHiddenGuideStipple : kGuideStipple;
}
