#include "geometry/Transform3d.h"

#include "geometry/Plane3d.h"
#include "geometry/Ray3d.h"

#include <algorithm>
#include <iterator>

namespace orbisk::geometry {

namespace {

constexpr double kSingular = 1e-15;

CVector3d Multiply(const double (&m)[9], const CVector3d& v)
{
    return {m[0] * v.x + m[1] * v.y + m[2] * v.z, m[3] * v.x + m[4] * v.y + m[5] * v.z,
            m[6] * v.x + m[7] * v.y + m[8] * v.z};
}

CVector3d MultiplyTransposed(const double (&m)[9], const CVector3d& v)
{
    return {m[0] * v.x + m[3] * v.y + m[6] * v.z, m[1] * v.x + m[4] * v.y + m[7] * v.z,
            m[2] * v.x + m[5] * v.y + m[8] * v.z};
}

// The inverse of a general 3x3 by its adjugate; false when nearly singular.
bool Invert3x3(const double (&m)[9], double (&inverse)[9])
{
    const double c00 = m[4] * m[8] - m[5] * m[7];
    const double c01 = m[5] * m[6] - m[3] * m[8];
    const double c02 = m[3] * m[7] - m[4] * m[6];
    const double det = m[0] * c00 + m[1] * c01 + m[2] * c02;
    if (std::abs(det) < kSingular)
        return false;
    const double adjugate[9] = {c00, m[2] * m[7] - m[1] * m[8], m[1] * m[5] - m[2] * m[4],
                                c01, m[0] * m[8] - m[2] * m[6], m[2] * m[3] - m[0] * m[5],
                                c02, m[1] * m[6] - m[0] * m[7], m[0] * m[4] - m[1] * m[3]};
    for (int i = 0; i < 9; ++i)
        inverse[i] = adjugate[i] / det;
    return true;
}

}  // namespace

CTransform3d::CTransform3d(const CVector3d& xAxis, const CVector3d& yAxis, const CVector3d& zAxis,
                           const CPoint3d& origin)
    : t(origin - CPoint3d()), identity(false)
{
    SetColumns(xAxis, yAxis, zAxis);
}

CTransform3d::CTransform3d(const CPoint3d& origin, const CUnitVector3d& normal)
    : t(origin - CPoint3d()), identity(false)
{
    CUnitVector3d xAxis, yAxis;
    normal.GetArbitraryAxes(xAxis, yAxis);
    SetColumns(xAxis, yAxis, normal);
}

void CTransform3d::SetColumns(const CVector3d& x, const CVector3d& y, const CVector3d& z)
{
    for (int row = 0; row < 3; ++row) {
        m[3 * row] = x[row], m[3 * row + 1] = y[row], m[3 * row + 2] = z[row];
    }
}

void CTransform3d::SetRotation(const CPoint3d& point, const CUnitVector3d& axis, double angle)
{
    const double x = axis.x, y = axis.y, z = axis.z;
    const double c = std::cos(angle), s = std::sin(angle), k = 1.0 - c;
    const double rotation[9] = {x * x + (1 - x * x) * c, k * x * y - z * s,       k * x * z + y * s,
                                k * x * y + z * s,       y * y + (1 - y * y) * c, k * y * z - x * s,
                                k * x * z - y * s,       k * y * z + x * s,       z * z + (1 - z * z) * c};
    std::copy(std::begin(rotation), std::end(rotation), m);
    const CVector3d p = point - CPoint3d();
    t = p - Multiply(m, p);
    scale = 1.0;
    identity = false;
    orthonormal = true;
}

void CTransform3d::SetTranslation(const CVector3d& v)
{
    *this = CTransform3d();
    t = v;
    identity = false;
}

void CTransform3d::SetUniformScale(double s)
{
    *this = CTransform3d();
    scale = s;
    identity = false;
}

void CTransform3d::SetScale(double sx, double sy, double sz)
{
    *this = CTransform3d();
    m[0] = sx, m[4] = sy, m[8] = sz;
    identity = false;
    orthonormal = false;
}

void CTransform3d::SetMatrix(const double (&matrix)[16])
{
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column)
            m[3 * row + column] = matrix[4 * column + row];
    }
    t = {matrix[12], matrix[13], matrix[14]};
    scale = 1.0 / matrix[15];
    identity = false;
    orthonormal = false;
}

void CTransform3d::SetMatrix(const float (&matrix)[16])
{
    double values[16];
    std::copy(std::begin(matrix), std::end(matrix), values);
    SetMatrix(values);
}

void CTransform3d::Set(const double (&matrix)[9], const CVector3d& translation, double scale_)
{
    std::copy(std::begin(matrix), std::end(matrix), m);
    t = translation;
    scale = scale_;
    identity = false;
    if (IsIdentity())
        SetIdentity();
    orthonormal = IsOrthonormal();
    OrthonormalizeIfNeeded();
}

void CTransform3d::GetMatrix(double (&matrix)[16]) const
{
    for (int column = 0; column < 3; ++column) {
        for (int row = 0; row < 3; ++row)
            matrix[4 * column + row] = m[3 * row + column];
        matrix[4 * column + 3] = 0.0;
    }
    matrix[12] = t.x, matrix[13] = t.y, matrix[14] = t.z;
    matrix[15] = 1.0 / scale;
}

void CTransform3d::GetMatrix(float (&matrix)[16]) const
{
    double values[16];
    GetMatrix(values);
    std::transform(std::begin(values), std::end(values), matrix,
                   [](double v) { return static_cast<float>(v); });
}

bool CTransform3d::IsMirrored() const
{
    const CUnitVector3d x(Column(0)), y(Column(1)), z(Column(2));
    return x.Cross(y).Dot(z) < 0.0;
}

bool CTransform3d::IsRotationIdentity() const
{
    for (int i = 0; i < 9; ++i) {
        if (std::abs(m[i] - (i % 4 == 0 ? 1.0 : 0.0)) >= kGeomTolerance)
            return false;
    }
    return true;
}

bool CTransform3d::IsIdentity() const
{
    return IsRotationIdentity() && IsZeroWithinTolerance(t.x) && IsZeroWithinTolerance(t.y) &&
           IsZeroWithinTolerance(t.z) && EqualWithinTolerance(scale, 1.0);
}

bool CTransform3d::IsOrthonormal() const
{
    if (identity)
        return true;
    const CVector3d rows[3] = {{m[0], m[1], m[2]}, {m[3], m[4], m[5]}, {m[6], m[7], m[8]}};
    for (int i = 0; i < 3; ++i) {
        if (!EqualWithinTolerance(rows[i].LengthSquared(), 1.0))
            return false;
        if (!IsZeroWithinTolerance(rows[i].Dot(rows[(i + 1) % 3])))
            return false;
    }
    return true;
}

bool CTransform3d::IsEqual(const CTransform3d& other) const
{
    for (int i = 0; i < 9; ++i) {
        if (!EqualWithinTolerance(m[i], other.m[i]))
            return false;
    }
    return EqualWithinTolerance(t.x, other.t.x) && EqualWithinTolerance(t.y, other.t.y) &&
           EqualWithinTolerance(t.z, other.t.z) && EqualWithinTolerance(scale, other.scale);
}

bool CTransform3d::IsValid() const
{
    return std::all_of(std::begin(m), std::end(m), [](double v) { return std::isfinite(v); }) &&
           t.IsValid() && std::isfinite(scale);
}

void CTransform3d::TransformUnitVector(CUnitVector3d& u) const
{
    if (identity)
        return;
    u = CUnitVector3d(MultiplyVector(u));
}

double CTransform3d::TransformRay(CRay3d& ray) const
{
    if (identity)
        return 1.0;
    const CPoint3d origin = MultiplyPoint(ray.origin);
    const CPoint3d ahead = MultiplyPoint(ray.origin + ray.direction);
    ray.origin = origin;
    return ray.direction.SetFromPoints(origin, ahead);
}

CRay3d CTransform3d::MultiplyRay(const CRay3d& ray) const
{
    CRay3d result = ray;
    TransformRay(result);
    return result;
}

void CTransform3d::TransformBox(CBoundingBox3d& box) const
{
    if (identity || box.x.IsEmpty())
        return;
    const CInterval1d* in[3] = {&box.x, &box.y, &box.z};
    CPoint3d lo(t.x, t.y, t.z), hi = lo;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            const double a = m[3 * i + j] * in[j]->min, b = m[3 * i + j] * in[j]->max;
            lo[i] += std::min(a, b);
            hi[i] += std::max(a, b);
        }
    }
    // Through Add, so that a negative scale still gives min <= max.
    box.SetEmpty();
    box.Add(CPoint3d() + (hi - CPoint3d()) * scale);
    box.Add(CPoint3d() + (lo - CPoint3d()) * scale);
}

void CTransform3d::TransformPlaneNoNormalize(CPlane3d& plane) const
{
    if (identity)
        return;
    const CTransform3d inverse = Inverse();
    const CVector3d n = plane.GetNormal();
    const CVector3d normal = MultiplyTransposed(inverse.m, n);
    plane.d = n.Dot(inverse.t) + plane.d / inverse.scale;
    plane.a = normal.x, plane.b = normal.y, plane.c = normal.z;
}

void CTransform3d::TransformPlane(CPlane3d& plane) const
{
    if (identity)
        return;
    TransformPlaneNoNormalize(plane);
    const double sq = plane.GetNormal().LengthSquared();
    if (sq <= kZeroLengthSquared)
        return;
    const double length = std::sqrt(sq);
    plane.a /= length, plane.b /= length, plane.c /= length, plane.d /= length;
}

CPlane3d CTransform3d::MultiplyPlane(const CPlane3d& plane) const
{
    CPlane3d result = plane;
    TransformPlane(result);
    return result;
}

CTransform3d CTransform3d::operator*(const CTransform3d& other) const
{
    if (identity)
        return other;
    CTransform3d product;
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            product.m[3 * row + column] = m[3 * row] * other.m[column] +
                                          m[3 * row + 1] * other.m[3 + column] +
                                          m[3 * row + 2] * other.m[6 + column];
        }
    }
    product.t = Multiply(m, other.t) + t / other.scale;
    product.scale = scale * other.scale;
    product.identity = false;
    product.orthonormal = orthonormal && other.orthonormal;
    return product;
}

void CTransform3d::Invert()
{
    if (identity || std::abs(scale) < kSingular)
        return;
    double inverse[9];
    if (orthonormal) {
        for (int row = 0; row < 3; ++row) {
            for (int column = 0; column < 3; ++column)
                inverse[3 * row + column] = m[3 * column + row];
        }
    } else if (!Invert3x3(m, inverse)) {
        return;
    }
    std::copy(std::begin(inverse), std::end(inverse), m);
    t = Multiply(m, t) * -scale;
    scale = 1.0 / scale;
}

void CTransform3d::Orthonormalize()
{
    if (IsRotationIdentity()) {
        const CTransform3d exact;
        std::copy(std::begin(exact.m), std::end(exact.m), m);
        return;
    }
    CUnitVector3d x(Column(0)), y(Column(1));
    const CUnitVector3d z(Column(2));
    if (IsMirrored()) {
        x = CUnitVector3d(z.Cross(y));
        y = CUnitVector3d(x.Cross(z));
    } else {
        y = CUnitVector3d(z.Cross(x));
        x = CUnitVector3d(y.Cross(z));
    }
    SetColumns(x, y, z);
}

}  // namespace orbisk::geometry
