#include "topology/FaceTextureCoords.h"

#include <cmath>

#include "database/ArchiveSchema.h"
#include "database/Validity.h"
#include "geometry/Matrix4d.h"
#include "geometry/Tolerance.h"
#include "geometry/UnitVector3d.h"
#include "platform/mfc/Archive.h"

IMPLEMENT_SERIAL(CFaceTextureCoords, CAttribute, VERSIONABLE_SCHEMA | 4)

using orbisk::geometry::CMatrix4d;
using orbisk::geometry::CPlane3d;
using orbisk::geometry::CPoint2d;
using orbisk::geometry::CTransform2d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CUnitVector3d;
using orbisk::geometry::CVector3d;
using orbisk::geometry::kGeomToleranceSquared;

namespace {

// The smallest determinant of a mapping that is inverted.
constexpr double kSingularDeterminant = 1e-6;
// Bytes of one stored reference pair: four doubles.
constexpr uint64_t kPairBytes = 4 * sizeof(double);

// F(Q): a model point to (plane coordinates, signed distance, 1) of the plane Q.
CMatrix4d PlaneFrame(const CPlane3d& plane)
{
    CUnitVector3d xAxis;
    CUnitVector3d yAxis;
    CUnitVector3d(plane.GetNormal()).GetArbitraryAxes(xAxis, yAxis);
    const double rows[4][4] = {
        {xAxis.x, xAxis.y, xAxis.z, 0.0},
        {yAxis.x, yAxis.y, yAxis.z, 0.0},
        {plane.a, plane.b, plane.c, plane.d},
        {0.0, 0.0, 0.0, 1.0},
    };
    CMatrix4d frame;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c)
            frame.m[4 * c + r] = rows[r][c];
    }
    return frame;
}

CMatrix4d MatrixOf(const CTransform3d& transform)
{
    CMatrix4d matrix;
    transform.GetMatrix(matrix.m);
    return matrix;
}

bool IsFinite(const CTransform2d& transform)
{
    for (double value : transform.m) {
        if (!std::isfinite(value))
            return false;
    }
    return true;
}

bool IsValidUnitVector(const CVector3d& v)
{
    return v.IsValid() && std::abs(v.LengthSquared() - 1.0) < 1e-6;
}

void ReadMapping(CArchive& ar, CTransform2d& mapping)
{
    for (double& value : mapping.m)
        ar >> value;
}

void ReadVector(CArchive& ar, CVector3d& v)
{
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    ar >> x >> y >> z;
    v = CVector3d(x, y, z);
}

// The count is checked against the bytes left before anything is reserved for it.
void ReadPairs(CArchive& ar, std::vector<CFaceTextureMapping::ReferencePair>& pairs)
{
    int32_t count = 0;
    ar >> count;
    if (count < 0)
        AfxThrowArchiveException(CArchiveException::genericException);
    ar.CheckBytesLeft(static_cast<uint64_t>(count) * kPairBytes);
    pairs.clear();
    pairs.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        CFaceTextureMapping::ReferencePair pair;
        ar >> pair.first.x >> pair.first.y >> pair.second.x >> pair.second.y;
        pairs.push_back(pair);
    }
}

void WritePairs(CArchive& ar, const std::vector<CFaceTextureMapping::ReferencePair>& pairs)
{
    ar << static_cast<int32_t>(pairs.size());
    for (const auto& pair : pairs)
        ar << pair.first.x << pair.first.y << pair.second.x << pair.second.y;
}

}  // namespace

// One side --------------------------------------------------------------------------------------

std::unique_ptr<IFaceTextureMapping> CFaceTextureMapping::CopyWithoutPairs() const
{
    auto copy = std::make_unique<CFaceTextureMapping>(*this);
    copy->referencePairs.clear();
    return copy;
}

bool CFaceTextureMapping::IsEmpty() const
{
    return flags == 0 && projection.x == 0.0 && projection.y == 0.0 && projection.z == 0.0;
}

bool CFaceTextureMapping::IsValid() const
{
    if ((flags & kMapped) && (!IsFinite(mapping) || !IsFinite(inverseMapping)))
        return false;
    if ((flags & kProjected) && !IsValidUnitVector(projection))
        return false;
    if (!(std::abs(mapping.m[8]) >= kGeomToleranceSquared))
        return false;
    for (const auto& pair : referencePairs) {
        if (!pair.first.IsValid() || !pair.second.IsValid())
            return false;
    }
    return true;
}

CTransform2d CFaceTextureMapping::InverseOf(const CTransform2d& mapping)
{
    const double* m = mapping.m;
    const double determinant = m[0] * (m[4] * m[8] - m[7] * m[5]) - m[3] * (m[1] * m[8] - m[7] * m[2]) +
                               m[6] * (m[1] * m[5] - m[4] * m[2]);
    if (!(std::abs(determinant) >= kSingularDeterminant))
        return CTransform2d();
    return mapping.Inverse();
}

void CFaceTextureMapping::SetMapping(const CTransform2d& value)
{
    mapping = value;
    inverseMapping = InverseOf(value);
    flags |= kMapped;
}

CPlane3d CFaceTextureMapping::GetMappingPlane(const CPlane3d& facePlane) const
{
    const bool hasProjection = projection.x != 0.0 || projection.y != 0.0 || projection.z != 0.0;
    if (!(flags & kProjected) || !hasProjection)
        return facePlane;
    return CPlane3d(facePlane.GetPoint(), CUnitVector3d(projection));
}

void CFaceTextureMapping::Transform(const CTransform3d& transform, const CPlane3d& plane)
{
    if (flags == 0)
        return;
    if (flags & kMapped) {
        const CPlane3d before = GetMappingPlane(plane);
        const CPlane3d after = transform.MultiplyPlane(before);
        CMatrix4d unframe;
        PlaneFrame(before).GetInverse(unframe);
        // Old plane coordinates (at distance 0) to the plane coordinates of the moved point.
        const CMatrix4d moved = PlaneFrame(after) * MatrixOf(transform) * unframe;
        CTransform2d newMapping;
        newMapping.SetFromMatrix4((moved * CMatrix4d(mapping)).m);
        SetMapping(newMapping);
        for (auto& pair : referencePairs) {
            double p[4] = {pair.second.x, pair.second.y, 0.0, 1.0};
            moved.Transform(p);
            if (p[3] != 0.0)
                pair.second = CPoint2d(p[0] / p[3], p[1] / p[3]);
        }
    }
    if (flags & kProjected)
        projection = transform.MultiplyVector(projection);
}

// The attribute ---------------------------------------------------------------------------------

void CFaceTextureCoords::Serialize(CArchive& ar)
{
    SerializeGuarded(ar, [&] {
        CAttribute::Serialize(ar);
        if (ar.IsLoading())
            ReadRecord(ar);
        else if (IsSaveFormat4000OrLater())
            WriteRecord(ar);
    });
}

void CFaceTextureCoords::ReadRecord(CArchive& ar)
{
    const int32_t schema = GetClassVersion(RUNTIME_CLASS(CFaceTextureCoords));
    // Read aside, so that a record that fails leaves both sides as they were.
    CFaceTextureMapping front = m_front;
    CFaceTextureMapping back = m_back;
    ReadMapping(ar, front.mapping);
    if (schema >= 1)
        ReadVector(ar, front.projection);
    if (schema >= 2) {
        ReadMapping(ar, back.mapping);
        ReadVector(ar, back.projection);
    }
    if (schema >= 3) {
        ReadPairs(ar, front.referencePairs);
        ReadPairs(ar, back.referencePairs);
    }
    if (schema >= 4) {
        ar >> front.flags >> back.flags;
    } else {
        for (CFaceTextureMapping* side : {&front, &back}) {
            if (side->mapping.IsIdentity())
                side->flags &= ~CFaceTextureMapping::kMapped;
            else
                side->flags |= CFaceTextureMapping::kMapped;
        }
    }
    for (CFaceTextureMapping* side : {&front, &back})
        side->inverseMapping = CFaceTextureMapping::InverseOf(side->mapping);
    m_front = std::move(front);
    m_back = std::move(back);
}

void CFaceTextureCoords::WriteRecord(CArchive& ar) const
{
    auto writeMapping = [&](const CTransform2d& mapping) {
        for (double value : mapping.m)
            ar << value;
    };
    auto writeVector = [&](const CVector3d& v) { ar << v.x << v.y << v.z; };
    writeMapping(m_front.mapping);
    writeVector(m_front.projection);
    writeMapping(m_back.mapping);
    writeVector(m_back.projection);
    WritePairs(ar, m_front.referencePairs);
    WritePairs(ar, m_back.referencePairs);
    ar << m_front.flags << m_back.flags;
}

CEntity* CFaceTextureCoords::CreateCopy() const
{
    return new CFaceTextureCoords(*this);
}

CAttribute* CFaceTextureCoords::Clone() const
{
    auto* copy = new CFaceTextureCoords(*this);
    copy->m_front.referencePairs.clear();
    copy->m_back.referencePairs.clear();
    return copy;
}

void CFaceTextureCoords::SwapContents(CEntity& other)
{
    CAttribute::SwapContents(other);
    if (auto* coords = dynamic_cast<CFaceTextureCoords*>(&other)) {
        std::swap(m_front, coords->m_front);
        std::swap(m_back, coords->m_back);
    }
}

int CFaceTextureCoords::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CFaceTextureCoords), map, [&] { return CAttribute::CheckValidity(level, map); },
        [&] { return CheckOwnValidity(level); });
}

int CFaceTextureCoords::CheckOwnValidity(int level)
{
    if (level == kValidityCheckIgnoringIds || (m_front.IsValid() && m_back.IsValid()))
        return 0;
    AppendValidityMessage("The front or back texture coordinates for %s is not valid",
                          DescribeEntity(this).GetString());
    if (!ShouldFix(level))
        return 1;
    MarkChanged();
    for (CFaceTextureMapping* side : {&m_front, &m_back}) {
        if (!side->IsValid())
            side->Reset();
    }
    return 0;
}

void CFaceTextureCoords::SetMapping(CFaceTextureMapping& side, const CTransform2d& mapping)
{
    MarkChanged();
    side.SetMapping(mapping);
}

void CFaceTextureCoords::SetProjection(CFaceTextureMapping& side, const CVector3d& direction, bool projected)
{
    const bool isProjected = (side.flags & CFaceTextureMapping::kProjected) != 0;
    if (side.projection.IsEqual(direction, 0.001) && isProjected == projected)
        return;
    MarkChanged();
    side.projection = direction;
    if (projected)
        side.flags |= CFaceTextureMapping::kProjected;
    else
        side.flags &= ~CFaceTextureMapping::kProjected;
}

void CFaceTextureCoords::SetSide(CFaceTextureMapping& side, const CFaceTextureMapping& value)
{
    MarkChanged();
    side = value;
}

void CFaceTextureCoords::ClearPairs(CFaceTextureMapping& side)
{
    MarkChanged();
    side.referencePairs.clear();
}

void CFaceTextureCoords::TransformWithFace(const CTransform3d& transform, const CPlane3d& plane)
{
    if (m_front.flags == 0 && m_back.flags == 0)
        return;
    MarkChanged();
    m_front.Transform(transform, plane);
    m_back.Transform(transform, plane);
}

CFaceTextureCoords* GetFaceTextureCoords(const CEntity* face)
{
    return face ? dynamic_cast<CFaceTextureCoords*>(face->FindAttribute(kEntityFaceTextureCoords)) : nullptr;
}
