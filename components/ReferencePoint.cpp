#include "components/ReferencePoint.h"

#include "components/ComponentInstance.h"
#include "components/Image.h"

#include <algorithm>
#include <cmath>

#include "database/ArchiveReading.h"
#include "database/BackReferenceIndex.h"
#include "database/CurrentModel.h"
#include "database/DrawingElement.h"
#include "database/EntitySet.h"
#include "database/IComponentInstance.h"
#include "database/IModelContext.h"
#include "geometry/Ray3d.h"
#include "geometry/Tolerance.h"
#include "geometry/UnitVector3d.h"
#include "platform/mfc/MapPtrToPtr.h"
#include "topology/ArcCurve.h"
#include "topology/ConstructionPoint.h"
#include "topology/Edge.h"
#include "topology/Face.h"
#include "topology/FacePointClassifier.h"
#include "topology/IFace.h"
#include "topology/LineProvider.h"
#include "topology/Loop.h"
#include "topology/SectionPlane.h"
#include "topology/Vertex.h"

using orbisk::geometry::CBoundingBox2d;
using orbisk::geometry::CPlane3d;
using orbisk::geometry::CPoint2d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CRay3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CUnitVector3d;
using orbisk::geometry::CVector3d;

namespace {

constexpr double kTolerance = 0.001;

bool IsInstanceType(int type)
{
    return type == kEntityComponentInstance || type == kEntityGroup || type == kEntityImage;
}

const CLoop* GetOuterLoop(const CEntity* face)
{
    const IFace* asFace = AsFace(face);
    if (!asFace || asFace->GetLoops().GetCount() == 0)
        return nullptr;
    return dynamic_cast<const CLoop*>(asFace->GetLoops().GetAt(0));
}

// The classifier's inside: not on the boundary, not in a hole.
bool IsInsideFace(const CEntity* face, const CPoint3d& point)
{
    const auto* asFace = dynamic_cast<const CFace*>(face);
    return asFace && CFacePointClassifier(asFace).ClassifyPoint(point) == CFacePointClassifier::kInside;
}

// The face frame's x axis has the length of the outer loop's first edge, and the frame made from
// its columns still claims to be orthonormal: its inverse must be computed in full.
CTransform3d InverseFaceFrame(const CEntity* face)
{
    CTransform3d frame = GetFaceFrame(face);
    frame.orthonormal = frame.IsOrthonormal();
    return frame.Inverse();
}

CPoint3d PointOf(const double (&parameters)[3])
{
    return {parameters[0], parameters[1], parameters[2]};
}

void SetParameters(double (&parameters)[3], const CPoint3d& point)
{
    parameters[0] = point.x;
    parameters[1] = point.y;
    parameters[2] = point.z;
}

CDrawingElement* AsDrawingElement(CEntity* entity)
{
    return entity && entity->IsDrawingElement() ? static_cast<CDrawingElement*>(entity) : nullptr;
}

void ReadPath(CArchive& ar, CReferencePoint::Path& path)
{
    const int32_t count = ReadItemCount(ar, kMinObjectReferenceBytes);
    path.Clear();
    for (int32_t i = 0; i < count; ++i) {
        // Instances are listed by their components, which may come later in the file.
        auto* instance = ReadUnownedReference<CComponentInstance>(ar);
        if (!instance)
            AfxThrowArchiveException(CArchiveException::badClass);
        path.PushBack(instance);
    }
}

void WritePath(CArchive& ar, const CReferencePoint::Path& path)
{
    ar << static_cast<int32_t>(path.GetSize());
    for (CEntity* instance : path.GetEntries())
        ar << static_cast<CObject*>(instance);
}

// The path without its first instance, or with the instance in front.
CReferencePoint::Path WithoutFirst(const CReferencePoint::Path& path)
{
    CReferencePoint::Path rest;
    for (int i = 1; i < path.GetSize(); ++i)
        rest.PushBack(path.GetAt(i));
    return rest;
}

CReferencePoint::Path WithFirst(CEntity* instance, const CReferencePoint::Path& path)
{
    CReferencePoint::Path longer;
    longer.PushBack(instance);
    longer.Append(path);
    return longer;
}

// Every occurrence of one instance replaced by another (or removed, for null).
CReferencePoint::Path WithReplaced(const CReferencePoint::Path& path, const CEntity* old,
                                   CEntity* replacement)
{
    CReferencePoint::Path changed;
    for (CEntity* entry : path.GetEntries()) {
        if (entry != old)
            changed.PushBack(entry);
        else if (replacement)
            changed.PushBack(replacement);
    }
    return changed;
}

void ForEachAnchor(const CReferencePoint& point, const auto& visit)
{
    if (CEntity* entity = point.GetEntity())
        visit(entity);
    if (CDrawingElement* entity2 = point.GetEntity2())
        visit(entity2);
    for (CEntity* instance : point.GetPath().GetEntries())
        if (instance)
            visit(instance);
    for (CEntity* instance : point.GetPath2().GetEntries())
        if (instance)
            visit(instance);
}

// The outermost element of an anchor chain is in the set; an anchor without entity counts.
bool IsChainWithin(const CEntitySet& set, const CEntity* entity, const CReferencePoint::Path& path)
{
    if (!path.IsEmpty())
        return set.Contains(path.GetFirst());
    return !entity || set.Contains(entity);
}

void CollectPathChain(CEntitySet& set, CEntity* entity, const CReferencePoint::Path& path, bool includeFirst)
{
    std::vector<CEntity*> chain(path.GetEntries());
    if (entity)
        chain.push_back(entity);
    for (size_t i = includeFirst ? 0 : 1; i < chain.size(); ++i)
        if (chain[i])
            set.Insert(chain[i]);
}

}  // namespace

bool GetPlaneOfEntity(const CEntity* entity, CPlane3d& plane)
{
    if (const IFace* face = AsFace(entity)) {
        plane = face->GetPlane();
        return true;
    }
    if (const auto* section = dynamic_cast<const CSectionPlane*>(entity)) {
        plane = section->GetPlane();
        return true;
    }
    return false;
}

const ILineProvider* AsLineProvider(const CObject* object)
{
    // Every model object is polymorphic, so the query itself cannot fail.
    return dynamic_cast<const ILineProvider*>(object);
}

bool IntersectAnchors(const CEntity* a, const CTransform3d& ta, const CEntity* b, const CTransform3d& tb,
                      CPoint3d& out)
{
    if (!a || !b)
        return false;
    const ILineProvider* lineA = AsLineProvider(a);
    const ILineProvider* lineB = AsLineProvider(b);
    if (lineA && lineB) {
        CRay3d rayA;
        CRay3d rayB;
        lineA->GetLine(rayA);
        lineB->GetLine(rayB);
        rayA.Transform(ta);
        rayB.Transform(tb);
        CPoint3d p;
        CPoint3d q;
        if (!rayA.ClosestPoints(rayB, p, q) || p.DistanceTo(q) > kTolerance)
            return false;
        out = CPoint3d(0.5, p, 0.5, q);
        return true;
    }
    if (!lineA && !lineB)
        return false;
    const ILineProvider* line = lineA ? lineA : lineB;
    const CEntity* other = lineA ? b : a;
    CRay3d ray;
    line->GetLine(ray);
    ray.Transform(lineA ? ta : tb);
    CPlane3d plane;
    if (!GetPlaneOfEntity(other, plane))
        return false;
    (lineA ? tb : ta).TransformPlane(plane);
    return ray.Intersect(plane, out);
}

bool CBoundsProc::Visit(const CPoint3d& point)
{
    const CPoint3d p = m_transform->MultiplyPoint(point);
    m_box->Add(CPoint2d(p.x, p.y));
    return true;
}

CBoundingBox2d GetFaceLoopBounds2d(const CEntity* face, const CTransform3d& transform)
{
    CBoundingBox2d box;
    box.SetEmpty();
    if (const CLoop* loop = GetOuterLoop(face)) {
        CBoundsProc visitor(&box, &transform);
        loop->ForEachVertexPoint(visitor);
    }
    return box;
}

CPoint3d GetFaceUV(const CEntity* face, const CPoint3d& point)
{
    const CTransform3d inverse = InverseFaceFrame(face);
    const CBoundingBox2d box = GetFaceLoopBounds2d(face, inverse);
    const CPoint3d p = inverse.MultiplyPoint(point);
    // A loop without extent along an axis (or no loop) gives no parameter along it rather
    // than a division by zero.
    const double width = box.x.max - box.x.min;
    const double height = box.y.max - box.y.min;
    return {width > 0.0 ? p.x / width : 0.0, height > 0.0 ? p.y / height : 0.0, 0.0};
}

CReferencePoint::CReferencePoint(const CPoint3d& position)
{
    Clear();
    m_kind = kFree;
    SetParameters(m_parameters, position);
    m_cachedPosition = position;
}

CReferencePoint::CReferencePoint(CEntity* entity)
{
    Clear();
    m_kind = kVertex;
    m_entity = entity;
}

CReferencePoint::CReferencePoint(CEntity* entity, const CPoint3d& point)
{
    Clear();
    m_cachedPosition = point;
    if (IsEntityOfType(entity, kEntityEdge)) {
        const auto* edge = static_cast<const CEdge*>(entity);
        CRay3d line;
        edge->GetLine(line);
        const double length = edge->GetLength();
        m_kind = kEdgePoint;
        m_entity = entity;
        m_parameters[0] = length > 0.0 ? line.GetParameter(point) / length : 0.0;
        return;
    }
    if (AsFace(entity)) {
        m_kind = kFacePoint;
        m_entity = entity;
        SetParameters(m_parameters, GetFaceUV(entity, point));
        return;
    }
    m_kind = kFree;
    SetParameters(m_parameters, point);
}

void CReferencePoint::Clear()
{
    m_kind = kEmpty;
    std::fill(std::begin(m_parameters), std::end(m_parameters), 0.0);
    m_entity = nullptr;
    m_entity2 = nullptr;
    m_path.Clear();
    m_path2.Clear();
    m_cachedPosition = PointOf(m_parameters);
    m_detachOnWrite = false;
}

void CReferencePoint::Set(int32_t kind, const CPoint3d& parameters, CEntity* entity, Path path,
                          CDrawingElement* entity2, Path path2)
{
    m_kind = kind;
    SetParameters(m_parameters, parameters);
    m_entity = entity;
    m_path = std::move(path);
    m_entity2 = entity2;
    m_path2 = std::move(path2);
    m_cachedPosition = parameters;
}

CPoint3d CReferencePoint::ComputeUntransformed()
{
    const CEntity* entity = m_entity;
    switch (m_kind) {
        case kFree: return PointOf(m_parameters);
        case kVertex:
            if (IsEntityOfType(entity, kEntityVertex))
                return static_cast<const CVertex*>(entity)->GetPosition();
            break;
        case kGuidePoint:
            if (const auto* guide = dynamic_cast<const CConstructionPoint*>(entity))
                return guide->GetPosition();
            break;
        case kEdgeMiddle:
        case kEdgePoint:
            if (IsEntityOfType(entity, kEntityEdge)) {
                const auto* edge = static_cast<const CEdge*>(entity);
                if (!edge->GetStart() || !edge->GetEnd())
                    break;
                const double t = m_kind == kEdgeMiddle ? 0.5 : m_parameters[0];
                return CPoint3d(1.0 - t, edge->GetStart()->GetPosition(), t, edge->GetEnd()->GetPosition());
            }
            break;
        case kGuideLine:
            if (IsEntityOfType(entity, kEntityConstructionLine))
                if (const ILineProvider* line = AsLineProvider(entity)) {
                    CRay3d ray;
                    line->GetLine(ray);
                    return ray.GetPointAt(m_parameters[0]);
                }
            break;
        case kFacePoint:
            if (AsFace(entity)) {
                const CTransform3d frame = GetFaceFrame(entity);
                const CBoundingBox2d box = GetFaceLoopBounds2d(entity, InverseFaceFrame(entity));
                return frame.MultiplyPoint({m_parameters[0] * (box.x.max - box.x.min),
                                            m_parameters[1] * (box.y.max - box.y.min), 0.0});
            }
            break;
        case kArcCenter:
            if (IsEntityOfType(entity, kEntityArcCurve))
                return static_cast<const CArcCurve*>(entity)->GetArc().center;
            break;
        case kSectionPlanePoint: {
            CPlane3d plane;
            if (IsEntityOfType(entity, kEntitySectionPlane) && GetPlaneOfEntity(entity, plane))
                return plane.ProjectPoint(PointOf(m_parameters));
            break;
        }
        default: break;
    }
    return {};
}

CPoint3d CReferencePoint::GetPosition()
{
    CPoint3d point;
    const auto* image = m_kind == kImagePoint ? dynamic_cast<const CImage*>(m_entity) : nullptr;
    if (image) {
        if (!image->GetDefinition())
            return m_cachedPosition;
        point = image->GetTransform().MultiplyPoint(
            {m_parameters[0] * image->GetWidth(), m_parameters[1] * image->GetHeight(), 0.0});
    } else if (m_kind == kIntersection) {
        if (!IntersectAnchors(AsDrawingElement(m_entity), m_path.GetTransform(), m_entity2,
                              m_path2.GetTransform(), point))
            point = CPoint3d();
        m_cachedPosition = point;
        return point;
    } else {
        point = ComputeUntransformed();
    }
    if (!m_path.IsEmpty())
        point = m_path.GetTransform().MultiplyPoint(point);
    m_cachedPosition = point;
    return point;
}

CPoint3d CReferencePoint::GetLocalPosition() const
{
    return m_path.GetTransform().Inverse().MultiplyPoint(m_cachedPosition);
}

bool CReferencePoint::HasPlane() const
{
    return m_kind == kFacePoint || m_kind == kImagePoint || m_kind == kArcCenter;
}

CPlane3d CReferencePoint::GetPlane() const
{
    CPlane3d plane;
    if (m_kind == kFacePoint && AsFace(m_entity)) {
        plane = AsFace(m_entity)->GetPlane();
    } else if (m_kind == kImagePoint && IsEntityOfType(m_entity, kEntityImage)) {
        if (const auto* placed = dynamic_cast<const CComponentInstance*>(m_entity)) {
            const CTransform3d& transform = placed->GetTransform();
            plane = CPlane3d(transform.GetOrigin(), transform.GetZAxis());
        }
    } else if (m_kind == kArcCenter && IsEntityOfType(m_entity, kEntityArcCurve)) {
        plane = static_cast<const CArcCurve*>(m_entity)->GetPlane();
    }
    if (!m_path.IsEmpty())
        m_path.GetTransform().TransformPlane(plane);
    return plane;
}

CDrawingElement* CReferencePoint::GetDrawingElement() const
{
    return AsDrawingElement(m_entity);
}

bool CReferencePoint::RefersToAnchor(const CEntity* entity) const
{
    return entity && (entity == m_entity || entity == m_entity2);
}

bool CReferencePoint::IsOnPath(const CEntity* entity) const
{
    return entity && (m_path.Contains(entity) || m_path2.Contains(entity));
}

bool CReferencePoint::RefersTo(const CEntity* entity) const
{
    return RefersToAnchor(entity) || IsOnPath(entity);
}

bool CReferencePoint::IsAnchoredWithin(const CEntitySet& set) const
{
    return IsChainWithin(set, m_entity, m_path) && IsChainWithin(set, m_entity2, m_path2);
}

void CReferencePoint::CollectAnchors(CEntitySet& set, bool includeFirst) const
{
    if (m_detachOnWrite)
        return;
    CollectPathChain(set, m_entity, m_path, includeFirst);
    CollectPathChain(set, m_entity2, m_path2, includeFirst);
}

void CReferencePoint::Transform(const CTransform3d& transform)
{
    if (m_kind != kFree)
        return;
    const CPoint3d moved = transform.MultiplyPoint(PointOf(m_parameters));
    SetParameters(m_parameters, moved);
    m_cachedPosition = moved;
}

void CReferencePoint::AddBackReferences(CEntity* referrer) const
{
    ForEachAnchor(*this, [&](CEntity* entity) { entity->AddBackReference(referrer); });
}

void CReferencePoint::RemoveBackReferences(CEntity* referrer) const
{
    ForEachAnchor(*this, [&](CEntity* entity) { entity->RemoveBackReference(referrer); });
}

void CReferencePoint::PrependInstance(CDrawingElement* instance)
{
    m_path = WithFirst(instance, m_path);
    if (m_entity2)
        m_path2 = WithFirst(instance, m_path2);
}

void CReferencePoint::OnEntitiesGrouped(CEntity* referrer, const CEntitySet& set, CDrawingElement* instance)
{
    bool concerned = false;
    ForEachAnchor(*this, [&](CEntity* entity) { concerned = concerned || set.Contains(entity); });
    if (!concerned)
        return;
    RemoveBackReferences(referrer);
    referrer->MarkChanged();
    PrependInstance(instance);
    AddBackReferences(referrer);
}

void CReferencePoint::DropFirstInstance(const CMapPtrToPtr* map)
{
    m_path = WithoutFirst(m_path);
    m_path2 = WithoutFirst(m_path2);
    if (!map)
        return;
    void* mapped = nullptr;
    if (m_entity && map->Lookup(m_entity, mapped) && mapped)
        m_entity = static_cast<CEntity*>(mapped);
    if (m_entity2 && map->Lookup(m_entity2, mapped) && mapped)
        m_entity2 = AsDrawingElement(static_cast<CEntity*>(mapped));
}

void CReferencePoint::OnInstanceExploded(CEntity* referrer, CDrawingElement* instance,
                                         const CMapPtrToPtr* map)
{
    const bool isImage = IsEntityOfType(instance, kEntityImage);
    const bool leadsPath =
        (instance && m_path.GetFirst() == instance) || (instance && m_path2.GetFirst() == instance);
    if (!leadsPath && !isImage)
        return;
    RemoveBackReferences(referrer);
    referrer->MarkChanged();
    if (isImage) {
        m_kind = kFree;
        SetParameters(m_parameters, m_cachedPosition);
        m_entity = nullptr;
        m_entity2 = nullptr;
    }
    DropFirstInstance(map);
    AddBackReferences(referrer);
}

void CReferencePoint::Detach(CEntity* referrer)
{
    RemoveBackReferences(referrer);
    if (referrer)
        referrer->MarkChanged();
    const CPoint3d position = m_cachedPosition;
    Clear();
    m_kind = kFree;
    SetParameters(m_parameters, position);
    m_cachedPosition = position;
}

void CReferencePoint::ReplaceEntity(CEntity* referrer, CEntity* oldEntity, CEntity* newEntity)
{
    if (!newEntity) {
        Detach(referrer);
        return;
    }
    if (m_entity == oldEntity)
        m_entity = newEntity;
    if (m_entity2 && m_entity2 == oldEntity)
        m_entity2 = AsDrawingElement(newEntity);
    if (!oldEntity || !IsInstanceType(oldEntity->GetEntityType()))
        return;
    CEntity* instance = IsInstanceType(newEntity->GetEntityType()) ? newEntity : nullptr;
    m_path = WithReplaced(m_path, oldEntity, instance);
    m_path2 = WithReplaced(m_path2, oldEntity, instance);
}

void CReferencePoint::RecomputeFaceParameters()
{
    if (AsFace(m_entity))
        SetParameters(m_parameters, GetFaceUV(m_entity, GetLocalPosition()));
}

void CReferencePoint::MoveToEntity(CEntity* referrer, CEntity* entity)
{
    RemoveBackReferences(referrer);
    referrer->MarkChanged();
    m_entity = entity;
    AddBackReferences(referrer);
}

bool CReferencePoint::HandleEntityEvent(CEntity* referrer, int kind, CEntity* entity, void* data)
{
    switch (kind) {
        case kErased:
            if (!RefersTo(entity))
                return false;
            Detach(referrer);
            return true;
        case kReplaced: {
            auto* replacement = static_cast<CEntity*>(data);
            if (!replacement || !RefersToAnchor(entity))
                return false;
            RemoveBackReferences(referrer);
            referrer->MarkChanged();
            if (m_entity == entity)
                m_entity = replacement;
            if (m_entity2 == entity)
                m_entity2 = AsDrawingElement(replacement);
            AddBackReferences(referrer);
            if (m_kind == kFacePoint)
                RecomputeFaceParameters();
            return true;
        }
        case kFaceSplit: {
            if (!RefersToAnchor(entity))
                return false;
            if (m_kind == kIntersection)
                return true;
            if (m_kind != kFacePoint)
                return false;
            auto* newFace = static_cast<CEntity*>(data);
            if (!AsFace(entity) || !AsFace(newFace) || newFace == entity)
                return false;
            if (IsInsideFace(newFace, GetLocalPosition()))
                MoveToEntity(referrer, newFace);
            RecomputeFaceParameters();
            return true;
        }
        case kCurveChanged: return true;
        case kReplacedByList: {
            if (!entity || entity != m_entity)
                return false;
            const auto* list = static_cast<const std::vector<CEntity*>*>(data);
            const int type = entity->GetEntityType();
            if (type == kEntityVertex || type == kEntityEdge) {
                // Only one replacement fits an anchor that is a single point or edge: the first.
                if (list && !list->empty() && list->front())
                    MoveToEntity(referrer, list->front());
                return true;
            }
            if (type != kEntityFace)
                return true;
            bool matched = false;
            const CPoint3d local = GetLocalPosition();
            const size_t count = list ? list->size() : 0;
            for (size_t i = 0; i < count; ++i) {
                CEntity* candidate = (*list)[i];
                if (candidate && (count == 1 || IsInsideFace(candidate, local))) {
                    MoveToEntity(referrer, candidate);
                    matched = true;
                }
                RecomputeFaceParameters();
            }
            if (!matched)
                Detach(referrer);
            return true;
        }
        case kFaceReversed:
            if (m_kind != kFacePoint || entity != m_entity || !AsFace(entity))
                return false;
            referrer->MarkChanged();
            RecomputeFaceParameters();
            return true;
        case kDetachAll: Detach(referrer); return true;
        default: return false;
    }
}

bool CReferencePoint::IsPathConsistent(CEntity* referrer, const CEntity* entity, const Path& path) const
{
    if (path.IsEmpty() && !entity)
        return true;
    const CEntity* current = entity;
    const std::vector<CEntity*>& entries = path.GetEntries();
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        if (!current)
            return false;
        const auto* instance = dynamic_cast<const IComponentInstance*>(*it);
        CEntity* parent = current->GetParent();
        if (!instance || !parent || !IsComponentType(parent->GetEntityType()) ||
            instance->GetDefinition() != parent)
            return false;
        current = *it;
    }
    return current && current->GetParent() == referrer->GetParent();
}

bool CReferencePoint::Verify(CEntity* referrer, bool repair)
{
    bool valid = true;
    // Back references live in the current model's index (CEntity::AddBackReference).
    IModelContext* model = referrer ? referrer->GetModel() : nullptr;
    if (!model)
        model = GetCurrentModel();
    if (model) {
        const CBackReferenceIndex& index = model->GetBackReferenceIndex();
        ForEachAnchor(*this, [&](CEntity* entity) {
            if (index.HasEntry(entity, referrer))
                return;
            valid = false;
            if (repair)
                entity->AddBackReference(referrer);
        });
    }
    const bool consistent = referrer && IsPathConsistent(referrer, m_entity, m_path) &&
                            IsPathConsistent(referrer, m_entity2, m_path2);
    if (consistent)
        return valid;
    if (repair) {
        GetPosition();
        Detach(referrer);
    }
    return false;
}

void CReferencePoint::ConvertLegacyRecord(int32_t version)
{
    if (version < 2 && m_kind == kImagePoint && IsEntityOfType(m_entity, kEntityImage))
        m_path.PopBack();
    const auto* face = dynamic_cast<const CFace*>(m_entity);
    if (version < 3 && m_kind == kFacePoint && face) {
        // Older records held coordinates in the face's plane, from its first point along the
        // arbitrary axes of its normal.
        const CTransform3d planeFrame(face->GetFirstPoint(), CUnitVector3d(face->GetPlane().GetNormal()));
        const CPoint3d point = planeFrame.MultiplyPoint({m_parameters[0], m_parameters[1], 0.0});
        SetParameters(m_parameters, GetFaceUV(m_entity, point));
    }
}

void CReferencePoint::Read(CArchive& ar)
{
    Clear();
    int32_t version = 0;
    ar >> m_kind >> version;
    ar >> m_parameters[0] >> m_parameters[1] >> m_parameters[2];
    m_cachedPosition = PointOf(m_parameters);
    m_entity = ReadUnownedReference<CEntity>(ar);
    if (version > 0)
        m_entity2 = ReadUnownedReference<CDrawingElement>(ar);
    ReadPath(ar, m_path);
    if (version > 3)
        ReadPath(ar, m_path2);
    ConvertLegacyRecord(version);
}

void CReferencePoint::Write(CArchive& ar)
{
    if (m_detachOnWrite) {
        const CPoint3d position = m_cachedPosition;
        ar << static_cast<int32_t>(kFree) << kRecordVersion << position.x << position.y << position.z;
        ar << static_cast<CObject*>(nullptr) << static_cast<CObject*>(nullptr);
        ar << int32_t{0} << int32_t{0};
        m_detachOnWrite = false;
        return;
    }
    ar << m_kind << kRecordVersion << m_parameters[0] << m_parameters[1] << m_parameters[2];
    ar << static_cast<CObject*>(m_entity) << static_cast<CObject*>(m_entity2);
    WritePath(ar, m_path);
    WritePath(ar, m_path2);
}
