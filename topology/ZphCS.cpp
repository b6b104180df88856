#include "topology/ZphCS.h"

#include <cmath>
#include <utility>

#include "database/IModelView.h"
#include "database/IPickHelper.h"
#include "database/Material.h"
#include "geometry/Line3d.h"
#include "geometry/Tolerance.h"
#include "platform/mfc/Archive.h"
#include "support/ArchiveOperators.h"

IMPLEMENT_SERIAL(CZphCS, CDrawingElement, VERSIONABLE_SCHEMA | 0)

using orbisk::geometry::CLine3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CRay3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CUnitVector3d;
using orbisk::geometry::CVector3d;
using orbisk::utils::CColor;

namespace {

constexpr int kFlatDrawing = 1;
constexpr unsigned short kNegativeHalfStipple = 0x8888;
constexpr double kAxisShade = 0.7;
constexpr double kAxisWidth = 1.0;

// The points of the axis lines nearest the ray, in the order x, y, z; false where the ray runs
// parallel to an axis.
struct AxisHits {
    CPoint3d onAxis[3];
    CPoint3d onRay[3];
    bool hit[3] = {false, false, false};
};

AxisHits NearestAxisPoints(const CZphCS& axes, const CRay3d& ray)
{
    AxisHits hits;
    for (int i = 0; i < 3; ++i) {
        const CRay3d axis(axes.GetOrigin(), axes.GetAxis(i));
        hits.hit[i] = axis.ClosestPoints(ray, hits.onAxis[i], hits.onRay[i]);
    }
    return hits;
}

// A rotation and translation: unit axes stay unit axes, and the frame keeps its handedness.
bool IsMotion(const CTransform3d& transform)
{
    const orbisk::geometry::CVector3d scales = transform.GetScales();
    for (double scale : {scales.x, scales.y, scales.z}) {
        if (std::abs(scale - 1.0) >= orbisk::geometry::kGeomTolerance)
            return false;
    }
    return transform.IsOrthonormal() && !transform.IsMirrored();
}

// A repair ends its report line with " - fixed"; a problem left as it is ends it here.
void EndUnrepairedLine()
{
    AppendValidityMessage("\n");
}

}  // namespace

void CZphCS::Draw(IModelView* view)
{
    if (!view || view->GetDrawingMode() == kFlatDrawing || !IsVisible(view))
        return;
    view->SetLighting(false);
    const CColor colors[3] = {CColor::FromUnitRGBA(kAxisShade, 0, 0, 1),
                              CColor::FromUnitRGBA(0, kAxisShade, 0, 1),
                              CColor::FromUnitRGBA(0, 0, kAxisShade, 1)};
    for (const bool negative : {false, true}) {
        const unsigned short pattern = negative ? kNegativeHalfStipple : 0;
        for (int i = 0; i < 3; ++i) {
            const CVector3d axis = GetAxis(i);
            const CUnitVector3d direction(negative ? -axis : axis);
            const CLine3d halfLine(CRay3d(m_origin, direction), false, true);
            view->DrawInfiniteLine(halfLine, pattern, false, colors[i], kAxisWidth);
        }
    }
}

CZphCS::CZphCS()
{
    // Axes belong to no layer, whatever layer is current.
    m_layer = nullptr;
}

CZphCS::CZphCS(const CZphCS& other)
    : CDrawingElement(other),
      m_origin(other.m_origin),
      m_xAxis(other.m_xAxis),
      m_yAxis(other.m_yAxis),
      m_zAxis(other.m_zAxis)
{
    // An undo copy counts no use of the material, so it may hold none.
    m_material = nullptr;
}

void CZphCS::Serialize(CArchive& ar)
{
    if (ar.IsLoading()) {
        ReadRecord(ar);
        return;
    }
    CDrawingElement::Serialize(ar);
    ar << m_origin << m_xAxis << m_yAxis << m_zAxis;
}

void CZphCS::ReadRecord(CArchive& ar)
{
    // Damaged axes must not keep a model from opening: the frame falls back to the default.
    bool elementFailed = false;
    try {
        CDrawingElement::Serialize(ar);
    } catch (const CException&) {
        elementFailed = true;
    }
    SerializeGuarded(
        ar, [&] { ar >> m_origin >> m_xAxis >> m_yAxis >> m_zAxis; },
        // The material counted these axes as a user.
        [&] {
            if (CMaterial* material = std::exchange(m_material, nullptr))
                material->RemoveUse(false);
        });
    // Axes being read have no state to record a change of.
    if (elementFailed || !m_xAxis.IsNonZero() || !m_yAxis.IsNonZero() || !m_zAxis.IsNonZero())
        SetDefaultFrame();
    DropMaterialAndLayer();
}

void CZphCS::DropMaterialAndLayer()
{
    if (CMaterial* material = std::exchange(m_material, nullptr))
        material->RemoveUse(true);
    m_layer = nullptr;
}

void CZphCS::Transform(const CTransform3d& transform)
{
    if (!IsMotion(transform))
        return;
    MarkChanged();
    transform.TransformPoint(m_origin);
    transform.TransformUnitVector(m_xAxis);
    transform.TransformUnitVector(m_yAxis);
    transform.TransformUnitVector(m_zAxis);
}

CEntity* CZphCS::CreateCopy() const
{
    return new CZphCS(*this);
}

void CZphCS::SwapContents(CEntity& other)
{
    CDrawingElement::SwapContents(other);
    auto& axes = static_cast<CZphCS&>(other);
    std::swap(m_origin, axes.m_origin);
    std::swap(m_xAxis, axes.m_xAxis);
    std::swap(m_yAxis, axes.m_yAxis);
    std::swap(m_zAxis, axes.m_zAxis);
}

int CZphCS::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CZphCS), map, [&] { return CDrawingElement::CheckValidity(level, map); },
        [&] { return CheckOwnValidity(level); });
}

int CZphCS::CheckOwnValidity(int level)
{
    if (level == kValidityCheckIgnoringIds)
        return 0;
    const CString name = DescribeEntity(this);
    int result = 0;
    if (!m_origin.IsValid()) {
        AppendValidityMessage("The origin for %s is not valid", name.GetString());
        if (ShouldFix(level)) {
            MarkChanged();
            m_origin = CPoint3d();
        } else {
            EndUnrepairedLine();
            result = 1;
        }
    }
    struct AxisCheck {
        CUnitVector3d& axis;
        CUnitVector3d repaired;
        const char* message;
    };
    AxisCheck checks[] = {{m_xAxis, CUnitVector3d::XAxis(), "The X axis for %s is not valid"},
                          {m_yAxis, CUnitVector3d::YAxis(), "The Y axis for %s is not valid"},
                          {m_zAxis, CUnitVector3d::ZAxis(), "The Z axis for %s is not valid"}};
    for (AxisCheck& check : checks) {
        if (check.axis.IsValid())
            continue;
        AppendValidityMessage(check.message, name.GetString());
        if (ShouldFix(level)) {
            MarkChanged();
            check.axis = check.repaired;
        } else {
            EndUnrepairedLine();
            result = 1;
        }
    }
    return result;
}

bool CZphCS::Pick(IPickHelper* picker, double& depth, double& distance)
{
    depth = distance = 0.0;
    const CRay3d ray = picker->GetLocalRay();
    const AxisHits hits = NearestAxisPoints(*this, ray);
    bool found = false;
    double best = 0.0;
    for (int i = 0; i < 3; ++i) {
        if (!hits.hit[i])
            continue;
        const double candidate = ray.origin.DistanceTo(hits.onAxis[i]);
        if (!found || candidate < best)
            best = candidate;
        found = true;
    }
    if (found)
        depth = distance = best;
    return found;
}

bool CZphCS::IsHidden(IModelView*)
{
    return (m_flags & kHidden) != 0;
}

int CZphCS::PickInside(IPickHelper* picker)
{
    if (!picker->IsEntityVisible(this) || picker->GetPickMode() != 1)
        return 0;
    const AxisHits hits = NearestAxisPoints(*this, picker->GetLocalRay());
    int result = 0;
    for (int i = 0; i < 3; ++i) {
        if (!hits.hit[i])
            continue;
        result = picker->PickPoint(hits.onAxis[i]);
        if (result & 1)
            break;
    }
    return result;
}

bool CZphCS::EraseFrom(CEntity*)
{
    return false;
}

const CUnitVector3d& CZphCS::GetAxis(int index) const
{
    switch (index) {
        case 1: return m_yAxis;
        case 2: return m_zAxis;
        default: return m_xAxis;
    }
}

void CZphCS::SetFrame(const CPoint3d& origin, const CUnitVector3d& x, const CUnitVector3d& y,
                      const CUnitVector3d& z)
{
    MarkChanged();
    m_origin = origin;
    m_xAxis = x;
    m_yAxis = y;
    m_zAxis = z;
}

void CZphCS::CopyFrame(const CZphCS& other)
{
    m_origin = other.m_origin;
    m_xAxis = other.m_xAxis;
    m_yAxis = other.m_yAxis;
    m_zAxis = other.m_zAxis;
}

void CZphCS::Reset()
{
    MarkChanged();
    SetDefaultFrame();
}

void CZphCS::SetDefaultFrame()
{
    m_origin = CPoint3d();
    m_xAxis = CUnitVector3d::XAxis();
    m_yAxis = CUnitVector3d::YAxis();
    m_zAxis = CUnitVector3d::ZAxis();
}

CTransform3d CZphCS::GetTransform() const
{
    return CTransform3d(m_xAxis, m_yAxis, m_zAxis, m_origin);
}

void CZphCS::SetFromTransform(const CTransform3d& transform)
{
    SetFrame(transform.GetOrigin(), transform.GetXAxis(), transform.GetYAxis(), transform.GetZAxis());
}
