#include "topology/ConstructionPoint.h"

#include <GL/gl.h>

#include <utility>

#include "database/IModelView.h"
#include "database/IPickHelper.h"
#include "platform/mfc/Archive.h"
#include "settings/ViewDefinition.h"
#include "support/ArchiveOperators.h"
#include "topology/EntityExportVisitor.h"
#include "topology/SectionPlaneStack.h"

IMPLEMENT_SERIAL(CConstructionPoint, CConstructionGeometry, VERSIONABLE_SCHEMA | 0)

using orbisk::geometry::CLine3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CRay3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CUnitVector3d;
using orbisk::geometry::CVector3d;

namespace {

constexpr int kFlatDrawing = 1;
constexpr uint32_t kAllPlanes = 0xFFFFFFFFu;
constexpr uint16_t kFromLineStipple = 0x0F0F;
constexpr int kCrossArmPixels = 3;
constexpr double kCrossWidth = 2.0;

// A camera direction kept by the view definition, in the view's current coordinates.
CVector3d ToLocalDirection(const CTransform3d& localFromModel, const CUnitVector3d& direction)
{
    return CVector3d(CUnitVector3d(localFromModel.MultiplyVector(direction)));
}

}  // namespace

void CConstructionPoint::Serialize(CArchive& ar)
{
    SerializeGuarded(ar, [&] {
        SerializeGuidePart(ar);
        if (ar.IsLoading()) {
            CPoint3d position;
            CPoint3d fromPosition;
            bool hasFromLine = false;
            ar >> position >> fromPosition >> hasFromLine;
            m_position = position;
            m_fromPosition = fromPosition;
            m_hasFromLine = hasFromLine;
        } else {
            ar << m_position << m_fromPosition << m_hasFromLine;
        }
    });
}

void CConstructionPoint::Transform(const CTransform3d& transform)
{
    MarkChanged();
    transform.TransformPoint(m_position);
    transform.TransformPoint(m_fromPosition);
}

CEntity* CConstructionPoint::CreateCopy() const
{
    return new CConstructionPoint(*this);
}

void CConstructionPoint::SwapContents(CEntity& other)
{
    CDrawingElement::SwapContents(other);
    auto& guide = static_cast<CConstructionPoint&>(other);
    std::swap(m_position, guide.m_position);
    std::swap(m_fromPosition, guide.m_fromPosition);
    std::swap(m_hasFromLine, guide.m_hasFromLine);
}

int CConstructionPoint::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CConstructionPoint), map,
        [&] { return CConstructionGeometry::CheckValidity(level, map); },
        [&] {
            if (level == kValidityCheckIgnoringIds)
                return 0;
            if (!m_position.IsValid()) {
                AppendValidityMessage("The position for %s is not valid\n", DescribeEntity(this).GetString());
                return 2;
            }
            if (!m_fromPosition.IsValid()) {
                AppendValidityMessage("The from position for %s is not valid\n",
                                      DescribeEntity(this).GetString());
                return 2;
            }
            return 0;
        });
}

void CConstructionPoint::Draw(IModelView* view)
{
    if (!view || !IsVisible(view) || !view->IsFullDetail() || view->GetDrawingMode() == kFlatDrawing)
        return;
    DrawGuidePoint(view);
}

void CConstructionPoint::DrawGuidePoint(IModelView* view)
{
    CSectionPlaneStack* planes = view->GetSectionPlaneStack();
    CPoint3d position = m_position;
    CPoint3d from = m_fromPosition;
    if (m_hasFromLine) {
        if (planes && !planes->ClipSegment(from, position))
            return;
    } else if (planes && !planes->IsPointVisible(m_position)) {
        return;
    }
    // What is drawn here is cut already.
    if (planes)
        planes->DisablePlanes(kAllPlanes);
    view->SetLighting(false);
    if (m_hasFromLine) {
        ApplyDrawColor(view);
        view->SetLineStipple(kFromLineStipple);
        view->DrawLine(position, from);
        view->EndPrimitive();
        view->SetLineStipple(0);
    }
    const CViewDefinition* definition = view->GetViewDefinition();
    if (definition && (!planes || planes->IsPointVisible(m_position))) {
        CVector3d size;
        view->PixelsToLocalSize(size, kCrossArmPixels, m_position);
        const CTransform3d localFromModel = view->GetInverseTransform();
        const CVector3d right = ToLocalDirection(localFromModel, definition->GetRight()) * size.x;
        const CVector3d up = ToLocalDirection(localFromModel, definition->GetUp()) * size.y;
        ApplyDrawColor(view);
        view->SetLineWidth(kCrossWidth);
        view->BeginPrimitive(GL_LINES);
        for (const CPoint3d& end : {m_position + right, m_position - right, m_position + up, m_position - up})
            view->Vertex(end.x, end.y, end.z);
        view->EndPrimitive();
        view->SetLineWidth(1.0);
    }
    if (planes)
        planes->EnablePlanes(kAllPlanes);
}

bool CConstructionPoint::Pick(IPickHelper* picker, double& depth, double& distance)
{
    depth = distance = picker->GetLocalRay().origin.DistanceTo(m_position);
    return true;
}

void CConstructionPoint::AddBoundsTransformed(const CTransform3d& transform, CBoundingBox3d& box) const
{
    box.Add(transform.MultiplyPoint(m_position));
}

void CConstructionPoint::AddScreenBounds(CBoundingBox3d& box, IModelView* view) const
{
    CPoint3d onScreen;
    if (view && view->ModelToScreen(m_position, onScreen))
        box.Add(onScreen);
}

void CConstructionPoint::AddBounds(CBoundingBox3d& box) const
{
    box.Add(m_position);
}

int CConstructionPoint::PickInside(IPickHelper* picker)
{
    if (!picker->IsEntityVisible(this))
        return 0;
    const CSectionPlaneStack* planes = picker->GetSectionPlaneStack();
    if (m_hasFromLine) {
        CPoint3d from = m_fromPosition;
        CPoint3d to = m_position;
        if (planes && !planes->ClipSegment(from, to))
            return 2;
        return picker->PickSegment(from, to);
    }
    if (planes && !planes->IsPointVisible(m_position))
        return 2;
    return picker->PickPoint(m_position);
}

bool CConstructionPoint::Accept(IEntityExportVisitor* visitor)
{
    if (!visitor || !visitor->WantsGuides())
        return true;
    return visitor->AddGuidePoint(m_position, GetSolidColor(nullptr), GetLayer());
}

void CConstructionPoint::SetPosition(const CPoint3d& point)
{
    MarkChanged();
    m_position = point;
}

bool CConstructionPoint::PickLine(const CLine3d& line, CPoint3d& point, bool skipHidden)
{
    if (skipHidden && IsHidden(nullptr))
        return false;
    // The guide point is where it is drawn, picked and bounded: the position.
    if (!IsPointOnRayWithin(m_position, line, line.t1))
        return false;
    point = m_position;
    return true;
}
