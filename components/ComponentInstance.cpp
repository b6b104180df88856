#include "components/ComponentInstance.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "components/InstancePath.h"
#include "database/ArchiveReading.h"
#include "database/ArchiveSchema.h"
#include "database/ComponentBehavior.h"
#include "database/ComponentNotification.h"
#include "database/IComponent.h"
#include "database/Material.h"
#include "database/Relationship.h"
#include "database/RelationshipMap.h"
#include "geometry/Tolerance.h"
#include "geometry/UnitVector3d.h"
#include "support/ArchiveOperators.h"
#include "topology/IFace.h"

using orbisk::geometry::CLine3d;
using orbisk::geometry::CPlane3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CUnitVector3d;
using orbisk::geometry::CVector3d;

IMPLEMENT_SERIAL(CComponentInstance, CDrawingElement, VERSIONABLE_SCHEMA | 4)

namespace {

// The axis frame (x, y, z, origin) as a transformation; the axes are taken as they are.
CTransform3d FrameTransform(const CVector3d& x, const CVector3d& y, const CVector3d& z,
                            const CPoint3d& origin)
{
    const double matrix[16] = {x.x, x.y, x.z, 0, y.x,      y.y,      y.z,      0,
                               z.x, z.y, z.z, 0, origin.x, origin.y, origin.z, 1};
    return CTransform3d(matrix);
}

bool IsFinite(const CTransform3d& transform)
{
    double matrix[16];
    transform.GetMatrix(matrix);
    return std::all_of(std::begin(matrix), std::end(matrix),
                       [](double value) { return std::isfinite(value); });
}

}  // namespace

CComponentInstance* AsInstanceClass(CEntity* entity)
{
    return entity && CComponent::IsInstanceType(entity->GetEntityType())
               ? dynamic_cast<CComponentInstance*>(entity)
               : nullptr;
}

const CComponentInstance* AsInstanceClass(const CEntity* entity)
{
    return entity && CComponent::IsInstanceType(entity->GetEntityType())
               ? dynamic_cast<const CComponentInstance*>(entity)
               : nullptr;
}

CComponentInstance::CComponentInstance(const CComponentInstance& other)
    : CDrawingElement(other),
      IComponentInstance(),
      m_definition(other.m_definition),
      m_transform(other.m_transform),
      m_name(other.m_name)
{}

CComponentInstance::~CComponentInstance()
{
    if (m_definition)
        m_definition->ForgetInstance(this);
}

void CComponentInstance::Serialize(CArchive& ar)
{
    SerializeGuarded(
        ar,
        [&] {
            CDrawingElement::Serialize(ar);
            if (ar.IsLoading()) {
                ReadRecord(ar);
                return;
            }
            ar << static_cast<const CObject*>(m_definition) << m_transform;
            if (GetSaveFormat() >= 5000)
                ar << m_name;
        },
        [&] {
            // The definition must not keep listing an instance that goes with its record.
            if (CComponentDefinition* definition = std::exchange(m_definition, nullptr))
                definition->ForgetInstance(this);
        });
}

void CComponentInstance::ReadRecord(CArchive& ar)
{
    const int32_t schema = GetClassVersion(RUNTIME_CLASS(CComponentInstance));
    bool madeHere = false;
    CObject* object = ReadObjectReference(ar, CRuntimeClass::FromName("CComponentDefinition"), madeHere);
    auto* definition = dynamic_cast<CComponentDefinition*>(object);
    if (object && !definition) {
        if (madeHere)
            KeepUnownedObject(object);
        AfxThrowArchiveException(CArchiveException::badClass);
    }
    // A definition met here first waits for the definition list that lists it.
    if (madeHere)
        KeepUntilAdopted(definition);
    if (m_definition)
        m_definition->ForgetInstance(this);
    m_definition = nullptr;
    if (definition)
        definition->AddInstance(this);
    ar >> m_transform;
    if (schema < 2) {
        int32_t unused = 0;
        ar >> unused;
    }
    if (schema == 1 || schema == 2) {
        int32_t present = 0;
        ar >> present;
        if (present) {
            if (CMaterial* material = ReadUnownedReference<CMaterial>(ar)) {
                if (m_material)
                    m_material->RemoveUse(false);
                m_material = material;
                m_material->AddUse(false);
            }
        }
    }
    if (schema > 3)
        ar >> m_name;
}

void CComponentInstance::Erase()
{
    if (m_definition)
        m_definition->RemoveInstance(this);
    CDrawingElement::Erase();
}

void CComponentInstance::Transform(const CTransform3d& transform)
{
    MarkChanged();
    m_transform = transform * m_transform;
    OnTransformChanged();
    UpdateDependents();
}

CEntity* CComponentInstance::CreateCopy() const
{
    return new CComponentInstance(*this);
}

void CComponentInstance::SwapContents(CEntity& other)
{
    CDrawingElement::SwapContents(other);
    auto* instance = dynamic_cast<CComponentInstance*>(&other);
    if (!instance)
        return;
    std::swap(m_definition, instance->m_definition);
    std::swap(m_transform, instance->m_transform);
    std::swap(m_name, instance->m_name);
}

void CComponentInstance::SetDefinition(CComponentDefinition* definition)
{
    MarkChanged();
    m_definition = definition;
}

bool CComponentInstance::IsSoleInstance() const
{
    return m_definition && m_definition->GetInstanceCount() == 1;
}

void CComponentInstance::SetTransform(const CTransform3d& transform)
{
    MarkChanged();
    m_transform = transform;
    OnTransformChanged();
    UpdateDependents();
}

void CComponentInstance::SetName(const CString& name)
{
    if (name == m_name)
        return;
    MarkChanged();
    m_name = name;
}

void CComponentInstance::OnTransformChanged()
{
    if (m_transform.orthonormal && !m_transform.IsIdentity())
        m_transform.Orthonormalize();
}

void CComponentInstance::SetScales(const CVector3d& scales)
{
    const CVector3d old = m_transform.GetScales();
    if (old.x == 0.0 || old.y == 0.0 || old.z == 0.0)
        return;
    const CTransform3d unscale(1.0 / old.x, 1.0 / old.y, 1.0 / old.z);
    const CTransform3d scale(scales.x, scales.y, scales.z);
    SetTransform(m_transform * unscale * scale);
}

void CComponentInstance::Orthogonalize()
{
    const CVector3d scales = m_transform.GetScales();
    const bool mirrored = m_transform.IsMirrored();
    const CUnitVector3d x = m_transform.GetXAxis();
    const CUnitVector3d y = m_transform.GetYAxis();
    const CUnitVector3d z(mirrored ? y.Cross(x) : x.Cross(y));
    const CUnitVector3d newY(mirrored ? x.Cross(z) : z.Cross(x));
    const CTransform3d frame = FrameTransform(x, newY, z, m_transform.GetOrigin());
    SetTransform(frame * CTransform3d(scales.x, scales.y, scales.z));
}

CTransform3d CComponentInstance::GetCameraFacingTransform(const CVector3d& direction,
                                                          const CTransform3d& enclosing) const
{
    const CUnitVector3d z = m_transform.GetZAxis();
    const CUnitVector3d d(direction);
    if (std::abs(d.Dot(z)) > 0.9999)
        return m_transform;
    CUnitVector3d y = m_transform.GetYAxis();
    enclosing.TransformUnitVector(y);
    double angle = CVector3d(z).AngleAbout(y, d);
    if (std::abs(angle) < orbisk::geometry::kGeomTolerance)
        return m_transform;
    if (enclosing.IsMirrored())
        angle = -angle;
    const CTransform3d rotation(m_transform.GetOrigin(), z, angle);
    return rotation * m_transform;
}

bool CComponentInstance::IsFacingCamera() const
{
    const CComponentBehavior* behavior = m_definition ? m_definition->GetBehavior() : nullptr;
    return behavior && behavior->IsAlwaysFacingCamera();
}

CDrawingElement::CBoundingBox3d CComponentInstance::GetDefinitionBox(bool forCulling) const
{
    CBoundingBox3d box;
    box.SetEmpty();
    if (!m_definition)
        return box;
    box = m_definition->GetBounds();
    if (box.IsEmpty())
        return box;
    if (forCulling && m_definition->HasSectionPlanes()) {
        const double grow = box.GetDiagonal() / 10.0;
        for (auto* interval : {&box.x, &box.y, &box.z}) {
            if (!interval->IsEmpty())
                interval->Expand(grow);
        }
    }
    if (IsFacingCamera()) {
        const double rx = std::max(std::abs(box.x.min), box.x.max);
        const double ry = std::max(std::abs(box.y.min), box.y.max);
        const double r = std::sqrt(rx * rx + ry * ry);
        box.Add(CPoint3d(-r, -r, box.z.min));
        box.Add(CPoint3d(r, r, box.z.max));
    }
    return box;
}

void CComponentInstance::AddBounds(CBoundingBox3d& box) const
{
    if (!m_definition)
        return;
    const CBoundingBox3d own = m_transform.MultiplyBox(GetDefinitionBox(false));
    if (!own.IsEmpty())
        box.AddBox(own);
}

void CComponentInstance::AddBoundsTransformed(const CTransform3d& transform, CBoundingBox3d& box) const
{
    if (m_definition)
        m_definition->AddBoundsTransformed(transform * m_transform, box);
}

bool CComponentInstance::PickLine(const CLine3d& line, double scale, CPoint3d& point, CInstancePath& path,
                                  bool skipHidden)
{
    if (!m_definition || (skipHidden && IsHidden(nullptr)))
        return false;
    const CTransform3d inverse = m_transform.Inverse();
    CLine3d local = line;
    const double stretch = inverse.TransformRay(local);
    if (stretch <= 0.0)
        return false;
    if (local.HasStart())
        local.t0 = line.t0 * stretch;
    if (local.HasEnd())
        local.t1 = line.t1 * stretch;
    CInstancePath inner;
    CPoint3d localPoint;
    if (!m_definition->PickLine(local, scale / stretch, localPoint, inner, skipHidden))
        return false;
    point = m_transform.MultiplyPoint(localPoint);
    path.PushBack(this);
    path.Append(inner);
    return true;
}

bool CComponentInstance::IsGlued() const
{
    std::vector<CEntity*> relationships;
    return GetRelationshipsAsDriven(relationships) > 0;
}

bool CComponentInstance::GetGluePlane(CPlane3d& plane, CEntity*& driver) const
{
    std::vector<CEntity*> relationships;
    if (GetRelationshipsAsDriven(relationships) == 0) {
        plane = CPlane3d();
        driver = nullptr;
        return false;
    }
    plane = CPlane3d(m_transform.GetOrigin(), m_transform.GetZAxis());
    const auto* relationship = dynamic_cast<const CRelationship*>(relationships.front());
    driver = relationship ? relationship->GetDriving() : nullptr;
    return true;
}

void CComponentInstance::UpdateDependents()
{
    std::vector<CEntity*> relationships;
    GetRelationshipsAsDriven(relationships);
    for (CEntity* entity : relationships) {
        const auto* relationship = dynamic_cast<const CRelationship*>(entity);
        CEntity* driving = relationship ? relationship->GetDriving() : nullptr;
        if (driving && driving->IsDrawingElement())
            static_cast<CDrawingElement*>(driving)->InvalidateDisplay();
    }
}

CDrawingElement::CColor CComponentInstance::GetSolidColor(const IColorContext* context)
{
    const CColor own = GetMaterialColor();
    if (own != CColor())
        return own;
    return context ? context->GetOverrideColor() : CColor();
}

// ---------------------------------------------------------------------------------------------
// Validity.

int CComponentInstance::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CComponentInstance), map, [&] { return CDrawingElement::CheckValidity(level, map); },
        [&] { return CheckOwnValidity(level, map); });
}

int CComponentInstance::CheckOwnValidity(int level, CCheckedObjectMap* map)
{
    if (!m_definition || !m_definition->IsKindOf(RUNTIME_CLASS(CComponentDefinition))) {
        AppendValidityMessage("The definition for %s is not valid\n", DescribeEntity(this).GetString());
        RecordValidity(m_definition, 3, map);
        return 3;
    }
    if (level == kValidityCheckIgnoringIds)
        return 0;
    int result = 0;
    if (!m_definition->HasInstance(this)) {
        AppendValidityMessage("The entity %s was not found in %s", DescribeEntity(this).GetString(),
                              DescribeEntity(m_definition).GetString());
        if (ShouldFix(level)) {
            CComponentDefinition* definition = m_definition;
            MarkChanged();
            m_definition = nullptr;
            definition->AddInstance(this);
        } else {
            AppendValidityMessage(L"\n");
            result = 1;
        }
    }
    if (!IsFinite(m_transform)) {
        AppendValidityMessage("The transformation for %s is not valid\n", DescribeEntity(this).GetString());
        return 2;
    }
    result = CheckGlue(level, result);
    std::vector<CEntity*> relationships;
    GetRelationshipsAsDriven(relationships);
    for (size_t i = 1; i < relationships.size(); ++i) {
        CEntity* relationship = relationships[i];
        AppendValidityMessage("Detected redundant %s on %s", DescribeEntity(relationship).GetString(),
                              DescribeEntity(this).GetString());
        if (ShouldFix(level)) {
            IComponent* holder =
                AsComponent(relationship->GetParent() ? relationship->GetParent()->GetParent() : nullptr);
            if (holder && holder->GetRelationshipMap().Remove(relationship))
                relationship->Erase();
        } else {
            AppendValidityMessage(L"\n");
            result = 1;
        }
    }
    return result;
}

int CComponentInstance::CheckGlue(int level, int result)
{
    CPlane3d gluePlane;
    CEntity* driver = nullptr;
    if (!GetGluePlane(gluePlane, driver))
        return result;
    const IFace* face = AsFace(driver);
    if (!face)
        return result;
    const CPlane3d& facePlane = face->GetPlane();
    const CPoint3d origin = m_transform.GetOrigin();
    if (CUnitVector3d(gluePlane.GetNormal()).IsParallelTo(CUnitVector3d(facePlane.GetNormal())) &&
        origin.IsOnPlane(facePlane))
        return result;
    AppendValidityMessage("Glued %s not on or parallel to glue plane.", DescribeEntity(this).GetString());
    if (!ShouldFix(level)) {
        AppendValidityMessage(L"\n");
        return std::max(result, 1);
    }
    const CVector3d scales = m_transform.GetScales();
    CUnitVector3d z(facePlane.GetNormal());
    if (z.Dot(m_transform.GetZAxis()) < 0.0)
        z = -z;
    const CVector3d oldX = m_transform.GetXAxis();
    CVector3d y = CVector3d(z).Cross(oldX);
    CVector3d x;
    if (y.Length() == 0.0) {
        x = CVector3d(m_transform.GetYAxis()).Cross(z);
        y = CVector3d(z).Cross(x);
    } else {
        x = y.Cross(z);
    }
    const CTransform3d frame =
        FrameTransform(CUnitVector3d(x), CUnitVector3d(y), z, facePlane.ProjectPoint(origin));
    SetTransform(frame * CTransform3d(scales.x, scales.y, scales.z));
    return result;
}
