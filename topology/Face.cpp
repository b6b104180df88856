#include "topology/Face.h"

#include <cmath>
#include <utility>

#include "database/ArchiveReading.h"
#include "database/ArchiveSchema.h"
#include "database/CurrentModel.h"
#include "database/EntitySet.h"
#include "database/IModelContext.h"
#include "database/IModelView.h"
#include "database/IObjectFactory.h"
#include "database/Material.h"
#include "database/VersionInfo.h"
#include "geometry/Tolerance.h"
#include "platform/mfc/Archive.h"
#include "topology/Edge.h"
#include "topology/EdgeUse.h"
#include "topology/FaceTextureCoords.h"
#include "topology/Loop.h"
#include "topology/TopologyReading.h"
#include "topology/Vertex.h"

IMPLEMENT_SERIAL(CFace, CDrawingElement, VERSIONABLE_SCHEMA | 3)

using orbisk::geometry::CBoundingBox3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CVector3d;

namespace {

// The event a reversed face tells its referrers.
constexpr int kEventReversed = 7;

// Writers before 7.1 gave a transparent material to one side only, and drew it on both.
bool IsWrittenBefore71(const CVersionInfo& version)
{
    return version.major < 7 || (version.major == 7 && version.minor < 1);
}

bool IsTransparentMaterial(const CMaterial* material)
{
    return material && material->IsTransparent();
}

}  // namespace

CFace::CFace()
{
    m_bounds.SetEmpty();
}

CFace::CFace(const CFace& other)
    : CDrawingElement(other),
      IFace(),
      m_plane(other.m_plane),
      m_loops(other.m_loops),
      m_backMaterial(other.m_backMaterial)
{
    m_bounds.SetEmpty();
}

CFace::CFace(const CPlane3d& plane, CLoop* loop) : m_plane(plane)
{
    m_bounds.SetEmpty();
    if (!loop)
        return;
    m_loops.Append(loop);
    loop->SetFace(this);
    if (!loop->IsCounterClockwise(m_plane.GetNormal()))
        m_plane.Reverse();
}

CFace::CFace(int count, CEdge* const* edges, const CPlane3d& plane) : m_plane(plane)
{
    m_bounds.SetEmpty();
    m_loops.Append(new CLoop(count, edges, this));
}

// Reading --------------------------------------------------------------------------------------

void CFace::Serialize(CArchive& ar)
{
    ReadDroppingOnFailure(ar, [&] {
        SerializeGuarded(
            ar,
            [&] {
                CDrawingElement::Serialize(ar);
                if (ar.IsLoading())
                    ReadRecord(ar);
                else
                    WriteRecord(ar);
            },
            // Loops read before this record keep no link to the face the archive deletes, and
            // the materials get back the uses this record counted.
            [&] {
                for (int i = 0; i < m_loops.GetCount(); ++i) {
                    auto* loop = static_cast<CLoop*>(m_loops.GetAt(i));
                    if (loop && loop->GetFace() == this)
                        loop->SetFace(nullptr);
                }
                m_loops.SetCapacity(0);
                ReleaseBackMaterial(false);
                if (CMaterial* material = std::exchange(m_material, nullptr))
                    material->RemoveUse(false);
            });
    });
}

void CFace::ReadRecord(CArchive& ar)
{
    const int32_t schema = GetClassVersion(RUNTIME_CLASS(CFace));
    double a = 0.0;
    double b = 0.0;
    double c = 0.0;
    double d = 0.0;
    ar >> a >> b >> c >> d;
    m_plane.Set(a, b, c, d);
    m_bounds.SetEmpty();
    ReadLoops(ar);
    ReadMaterials(ar, schema);
    if (IsWrittenBefore71(CurrentFileVersion()))
        ShareTransparentMaterial();
}

void CFace::ReadLoops(CArchive& ar)
{
    int32_t stored = 0;
    ar >> stored;
    const uint32_t count = static_cast<uint32_t>(stored);
    if (count > kMaxStoredLoops)
        AfxThrowArchiveException(CArchiveException::genericException);
    // The loop array holds fewer loops than a record may name.
    CCompactPtrArray::CheckStoredCount(count);
    // Every loop reference takes at least its 16-bit tag.
    ar.CheckBytesLeft(uint64_t{count} * sizeof(uint16_t));
    m_loops.SetCapacity(0);
    m_loops.SetCapacity(static_cast<int>(count));
    const CVector3d normal = m_plane.GetNormal();
    for (uint32_t i = 0; i < count; ++i) {
        CObject* object = ar.ReadObject(nullptr);
        auto* loop = dynamic_cast<CLoop*>(object);
        if (object && !loop)
            AfxThrowArchiveException(CArchiveException::badClass);
        // A loop can bound one face once: another face's loop, or one listed twice, would be
        // owned twice.
        if (loop && (loop->GetFace() || m_loops.Contains(loop)))
            AfxThrowArchiveException(CArchiveException::genericException);
        m_loops.Append(loop);
        // A missing loop stays in its slot for the validity check to report.
        if (!loop)
            continue;
        loop->SetFace(this);
        loop->UpdateConvexity(normal, false);
    }
}

void CFace::ReadMaterials(CArchive& ar, int32_t schema)
{
    auto takeUse = [](CMaterial* material) {
        if (material)
            material->AddUse(false);
        return material;
    };
    if (schema == 1) {
        int32_t hasFront = 0;
        ar >> hasFront;
        if (hasFront) {
            CMaterial* front = ReadUnownedReference<CMaterial>(ar);
            if (CMaterial* old = std::exchange(m_material, takeUse(front)))
                old->RemoveUse(false);
        }
    }
    if (schema >= 3)
        m_backMaterial = takeUse(ReadUnownedReference<CMaterial>(ar));
    else
        m_backMaterial = takeUse(m_material);
}

void CFace::ShareTransparentMaterial()
{
    if (!m_backMaterial && IsTransparentMaterial(m_material)) {
        m_backMaterial = m_material;
        m_backMaterial->AddUse(false);
    } else if (!m_material && IsTransparentMaterial(m_backMaterial)) {
        m_material = m_backMaterial;
        m_material->AddUse(false);
    }
}

void CFace::WriteRecord(CArchive& ar) const
{
    ar << m_plane.a << m_plane.b << m_plane.c << m_plane.d;
    ar << static_cast<int32_t>(m_loops.GetCount());
    for (int i = 0; i < m_loops.GetCount(); ++i)
        ar.WriteObject(m_loops.GetAt(i));
    ar.WriteObject(m_backMaterial);
}

// Entity operations ----------------------------------------------------------------------------

void CFace::ForgetSharedParts()
{
    CDrawingElement::ForgetSharedParts();
    m_backMaterial = nullptr;
}

void CFace::Erase()
{
    MarkChanged();
    ReleaseBackMaterial(true);
    for (int i = 0; i < m_loops.GetCount(); ++i) {
        auto* loop = static_cast<CLoop*>(m_loops.GetAt(i));
        m_loops.SetAt(i, nullptr);
        if (loop)
            loop->Erase();
    }
    m_loops.SetCapacity(0);
    CDrawingElement::Erase();
}

void CFace::ReleaseBackMaterial(bool notify)
{
    if (CMaterial* material = std::exchange(m_backMaterial, nullptr))
        material->RemoveUse(notify);
}

bool CFace::CollectWithDependents(CEntitySet& set)
{
    if (!CDrawingElement::CollectWithDependents(set))
        return false;
    for (int i = 0; i < m_loops.GetCount(); ++i) {
        if (auto* loop = static_cast<CLoop*>(m_loops.GetAt(i)))
            loop->CollectWithDependents(set);
    }
    return true;
}

void CFace::Transform(const CTransform3d& transform)
{
    MarkChanged();
    if (CFaceTextureCoords* coords = GetFaceTextureCoords(this))
        coords->TransformWithFace(transform, m_plane);
    transform.TransformPlane(m_plane);
    if (transform.IsMirrored()) {
        for (int i = 0; i < m_loops.GetCount(); ++i) {
            if (auto* loop = static_cast<CLoop*>(m_loops.GetAt(i)))
                loop->Reverse();
        }
    }
    m_bounds.SetEmpty();
}

CEntity* CFace::CreateCopy() const
{
    return new CFace(*this);
}

void CFace::SwapContents(CEntity& other)
{
    auto* face = dynamic_cast<CFace*>(&other);
    if (!face)
        return;
    CDrawingElement::SwapContents(other);
    m_bounds.SetEmpty();
    face->m_bounds.SetEmpty();
    std::swap(m_plane, face->m_plane);
    m_loops.Swap(face->m_loops);
    std::swap(m_backMaterial, face->m_backMaterial);
}

void CFace::CopyDisplayProperties(CDrawingElement& other)
{
    CDrawingElement::CopyDisplayProperties(other);
    auto* face = other.GetEntityType() == kEntityFace ? dynamic_cast<CFace*>(&other) : nullptr;
    if (face && face->m_backMaterial != m_backMaterial)
        SetBackMaterial(face->m_backMaterial);
}

int CFace::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CFace), map, [&] { return CDrawingElement::CheckValidity(level, map); },
        [&] { return CheckOwnValidity(level, map); });
}

int CFace::CheckOwnValidity(int level, CCheckedObjectMap* map)
{
    const CString name = DescribeEntity(this);
    auto* outer = m_loops.IsEmpty() ? nullptr : m_loops.GetAt(0);
    if (!outer) {
        AppendValidityMessage("The outer loop for %s is not valid\n", name.GetString());
        return 2;
    }
    if (!outer->IsKindOf(RUNTIME_CLASS(CLoop))) {
        AppendValidityMessage("The outer loop for %s is not valid\n", name.GetString());
        RecordValidity(outer, 3, map);
        return 3;
    }
    if (!static_cast<CLoop*>(outer)->IsOuter()) {
        AppendValidityMessage("The outer loop for %s is not valid\n", name.GetString());
        RecordValidity(outer, 2, map);
        return 2;
    }
    int result = 0;
    const int count = m_loops.GetCount();
    for (int i = 0; i < count; ++i) {
        CObject* entry = m_loops.GetAt(i);
        if (!entry || !entry->IsKindOf(RUNTIME_CLASS(CLoop))) {
            AppendValidityMessage("Loop %d for %s is not a CLoop\n", i, name.GetString());
            if (entry)
                RecordValidity(entry, 3, map);
            return 3;
        }
        auto* loop = static_cast<CLoop*>(entry);
        if (!map)
            continue;
        if (loop->CheckValidity(level, map) != 0) {
            if (i == 0) {
                AppendValidityMessage("Loop %d of %s is an invalid outer loop\n", i, name.GetString());
                return 2;
            }
            // Removing invalid holes belongs to the repair of faces; the check reports them.
            if (level != kValidityCheckIgnoringIds) {
                AppendValidityMessage("Loop %d of %s is an invalid inner loop\n", i, name.GetString());
                result = 1;
            }
        }
        if (level != kValidityCheckIgnoringIds && loop->GetFace() != this) {
            AppendValidityMessage("%s does not reference %s", DescribeEntity(loop).GetString(),
                                  name.GetString());
            if (ShouldFix(level)) {
                loop->SetFace(this);
            } else {
                AppendValidityMessage("\n");
                result = 1;
            }
        }
    }
    if (level == kValidityCheckIgnoringIds)
        return result;
    if (m_backMaterial && !m_backMaterial->IsKindOf(RUNTIME_CLASS(CMaterial))) {
        AppendValidityMessage("The back material for %s is not valid", name.GetString());
        if (ShouldFix(level)) {
            MarkChanged();
            m_backMaterial = nullptr;
        } else {
            AppendValidityMessage("\n");
            result = 1;
        }
    }
    if (m_backMaterial && map) {
        const int materialResult = m_backMaterial->CheckValidity(level, map);
        if (materialResult == 1)
            result = 1;
        if (materialResult >= 2) {
            RecordValidity(m_backMaterial, materialResult, map);
            return materialResult;
        }
    }
    // A zero normal (a degenerate plane in the file) is as unusable as a non-finite one.
    if (!m_plane.IsValid() || m_plane.GetNormal().LengthSquared() == 0.0) {
        AppendValidityMessage("The plane for %s is not valid\n", name.GetString());
        return 2;
    }
    return result;
}

// Loops ----------------------------------------------------------------------------------------

CLoop* CFace::GetLoop(int index) const
{
    if (index < 0 || index >= m_loops.GetCount())
        return nullptr;
    return dynamic_cast<CLoop*>(m_loops.GetAt(index));
}

bool CFace::HasLoop(const CLoop* loop) const
{
    return loop && m_loops.Contains(loop);
}

bool CFace::AddLoop(CLoop* loop)
{
    if (!loop || m_loops.IsFull())
        return false;
    MarkChanged();
    // A loop of another face stays there; this face takes a copy.
    auto* other =
        loop->GetFace() && loop->GetFace() != this ? dynamic_cast<CFace*>(loop->GetFace()) : nullptr;
    if (other) {
        loop = new CLoop(*loop);
        if (!other->GetPlane().GetNormal().IsEqual(m_plane.GetNormal(), orbisk::geometry::kGeomTolerance))
            other->Reverse();
    }
    loop->SetFace(this);
    // Holes run clockwise about the normal.
    if (loop->IsCounterClockwise(m_plane.GetNormal()))
        loop->Reverse();
    loop->SetOuter(false);
    m_loops.Append(loop);
    m_bounds.SetEmpty();
    if (other)
        other->CopyDisplayProperties(*this);
    return true;
}

void CFace::RemoveLoop(CLoop* loop, bool erase)
{
    MarkChanged();
    if (!m_loops.Remove(loop) || !loop)
        return;
    m_bounds.SetEmpty();
    if (erase)
        loop->Erase();
    else
        loop->SetFace(nullptr);
}

int CFace::GetEdgeUseCount() const
{
    int count = 0;
    for (int i = 0; i < m_loops.GetCount(); ++i) {
        if (const CLoop* loop = GetLoop(i))
            count += loop->GetEdgeUseCount();
    }
    return count;
}

CPoint3d CFace::GetFirstPoint() const
{
    const CLoop* outer = GetOuterLoop();
    const CEdgeUse* use = outer ? outer->GetFirstEdgeUse() : nullptr;
    const CVertex* vertex = use ? use->GetStartVertex() : nullptr;
    return vertex ? vertex->GetPosition() : CPoint3d();
}

CEnumLoop* CFace::NewLoopEnumerator() const
{
    return new CEnumLoopArray(m_loops);
}

CEnumEdgeUse* CFace::NewEdgeUseEnumerator() const
{
    return new CEnumEdgeUseFace(m_loops);
}

CEnumEdge* CFace::NewEdgeEnumerator() const
{
    return new CEnumEdgeFace(m_loops);
}

CEnumVertex* CFace::NewVertexEnumerator() const
{
    return new CEnumVertexFace(m_loops);
}

CEnumOpeningLoop* CFace::NewOpeningEnumerator(IModelView* view) const
{
    IModelContext* model = GetModel();
    if (!model)
        model = GetCurrentModel();
    IObjectFactory* factory = model ? model->GetObjectFactory() : nullptr;
    return factory ? factory->CreateOpeningEnumerator(const_cast<CFace*>(this), view) : nullptr;
}

// Plane and materials --------------------------------------------------------------------------

void CFace::SetPlane(const CPlane3d& plane)
{
    MarkChanged();
    m_plane = plane;
    m_bounds.SetEmpty();
}

void CFace::ReversePlane()
{
    MarkChanged();
    m_plane.Reverse();
}

void CFace::InvalidateBounds()
{
    m_bounds.SetEmpty();
}

void CFace::Reverse()
{
    MarkChanged();
    m_plane.Reverse();
    m_secondFlags ^= 1u;
    for (int i = 0; i < m_loops.GetCount(); ++i) {
        if (CLoop* loop = GetLoop(i))
            loop->Reverse();
    }
    NotifyReferencers(kEventReversed, this);
}

void CFace::SetBackMaterial(CMaterial* material)
{
    if (material == m_backMaterial)
        return;
    MarkChanged();
    ReleaseBackMaterial(true);
    m_backMaterial = material;
    if (material)
        material->AddUse(true);
}

int CFace::GetDominantAxis() const
{
    const double x = std::abs(m_plane.a);
    const double y = std::abs(m_plane.b);
    const double z = std::abs(m_plane.c);
    if (x >= y && x >= z)
        return 1;
    if (y >= z)
        return 2;
    return 0;
}

// Bounds ---------------------------------------------------------------------------------------

bool CAccumulateExtents::Visit(const CPoint3d& point)
{
    if (m_view) {
        CPoint3d window;
        if (m_view->ModelToScreen(point, window))
            m_box.Add(window);
    } else {
        m_box.Add(m_transform ? m_transform->MultiplyPoint(point) : point);
    }
    return true;
}

const CBoundingBox3d& CFace::GetCachedBounds() const
{
    if (m_bounds.x.min > m_bounds.x.max) {
        if (const CLoop* outer = GetOuterLoop()) {
            CAccumulateExtents visitor(m_bounds, nullptr, nullptr);
            outer->ForEachVertexPoint(visitor);
        }
    }
    return m_bounds;
}

void CFace::AddBoundsTransformed(const CTransform3d& transform, CBoundingBox3d& box) const
{
    if (const CLoop* outer = GetOuterLoop()) {
        CAccumulateExtents visitor(box, nullptr, &transform);
        outer->ForEachVertexPoint(visitor);
    }
}

void CFace::AddScreenBounds(CBoundingBox3d& box, IModelView* view) const
{
    if (const CLoop* outer = GetOuterLoop()) {
        CAccumulateExtents visitor(box, view, nullptr);
        outer->ForEachVertexPoint(visitor);
    }
}

void CFace::AddBounds(CBoundingBox3d& box) const
{
    if (const CLoop* outer = GetOuterLoop()) {
        CAccumulateExtents visitor(box, nullptr, nullptr);
        outer->ForEachVertexPoint(visitor);
    }
}

bool CFace::PassesCulling(IModelView* view)
{
    const orbisk::geometry::IGeomFilter* filter = view ? view->GetGeometryFilter() : nullptr;
    if (!filter)
        return true;
    bool fullyInside = false;
    return filter->TestBox(GetBounds(), fullyInside);
}
