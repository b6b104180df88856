#include "geometry/Transform2d.h"

#include <algorithm>
#include <iterator>

namespace orbisk::geometry {

namespace {

constexpr double kEpsilon = kGeomToleranceSquared;

}  // namespace

void CTransform2d::TransformPoint(CPoint3d& p) const
{
    p = CPoint3d(m[0] * p.x + m[3] * p.y + m[6] * p.z, m[1] * p.x + m[4] * p.y + m[7] * p.z,
                 m[2] * p.x + m[5] * p.y + m[8] * p.z);
}

bool CTransform2d::IsIdentity() const
{
    for (int i = 0; i < 9; ++i) {
        const bool diagonal = i % 4 == 0;
        if (diagonal ? !EqualWithin(m[i], 1.0, kEpsilon) : !IsZeroWithin(m[i], kEpsilon))
            return false;
    }
    return true;
}

bool CTransform2d::IsAffine() const
{
    return std::abs(m[2]) < kEpsilon && std::abs(m[5]) < kEpsilon && std::abs(m[8]) >= kEpsilon;
}

bool CTransform2d::Normalize()
{
    if (std::abs(m[8]) < kEpsilon)
        return false;
    if (EqualWithin(m[8], 1.0, kEpsilon))
        return true;
    const double w = m[8];
    for (double& value : m)
        value /= w;
    return true;
}

bool CTransform2d::IsEqual(const CTransform2d& other, double eps) const
{
    for (int i = 0; i < 9; ++i) {
        if (!EqualWithin(m[i], other.m[i], eps))
            return false;
    }
    return true;
}

bool CTransform2d::IsValid() const
{
    return std::all_of(std::begin(m), std::end(m), [](double v) { return std::isfinite(v); });
}

void CTransform2d::SetFromMatrix4(const double (&matrix)[16])
{
    constexpr int kSource[9] = {0, 1, 3, 4, 5, 7, 12, 13, 15};
    for (int i = 0; i < 9; ++i)
        m[i] = matrix[kSource[i]];
    NormalizeIfAffine();
}

void CTransform2d::GetMatrix4(double (&matrix)[16]) const
{
    const double values[16] = {m[0], m[1], 0, m[2], m[3], m[4], 0, m[5], 0, 0, 1, 0, m[6], m[7], 0, m[8]};
    std::copy(std::begin(values), std::end(values), matrix);
}

CTransform2d CTransform2d::operator*(const CTransform2d& other) const
{
    CTransform2d product;
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            product.m[3 * column + row] = other.m[row] * m[3 * column] +
                                          other.m[3 + row] * m[3 * column + 1] +
                                          other.m[6 + row] * m[3 * column + 2];
        }
    }
    product.NormalizeIfAffine();
    return product;
}

CTransform2d CTransform2d::Inverse() const
{
    // Element (r, c) as a(r, c); the adjugate's (r, c) is the cofactor of (c, r).
    const auto a = [this](int r, int c) { return m[3 * c + r]; };
    const auto cofactor = [&](int r, int c) {
        const int r0 = (r + 1) % 3, r1 = (r + 2) % 3, c0 = (c + 1) % 3, c1 = (c + 2) % 3;
        return a(r0, c0) * a(r1, c1) - a(r0, c1) * a(r1, c0);
    };
    const double det = a(0, 0) * cofactor(0, 0) + a(0, 1) * cofactor(0, 1) + a(0, 2) * cofactor(0, 2);
    const double divisor = std::abs(det) >= kEpsilon ? det : 1.0;
    CTransform2d inverse;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c)
            inverse.m[3 * c + r] = cofactor(c, r) / divisor;
    }
    inverse.NormalizeIfAffine();
    return inverse;
}

}  // namespace orbisk::geometry
