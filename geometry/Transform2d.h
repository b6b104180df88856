#pragma once
// A 3x3 homogeneous transformation of the plane, mainly of texture coordinates (u, v, q),
// projective mappings included. Column-major: element (row r, column c) is m[3c + r].
// It is affine when its bottom row (m2, m5, m8) is (0, 0, non-zero); the operations that
// say so then normalise it to m8 = 1. Its epsilon is kGeomToleranceSquared.

#include "geometry/Point3d.h"

namespace orbisk::geometry {

class CTransform2d {
public:
    double m[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};

    constexpr CTransform2d() = default;
    // diag(sx, sy, 1)
    constexpr CTransform2d(double sx, double sy) : m{sx, 0, 0, 0, sy, 0, 0, 0, 1} {}

    constexpr void SetIdentity() { *this = CTransform2d(); }
    // p holds (u, v, q).
    void TransformPoint(CPoint3d& p) const;
    bool IsIdentity() const;
    bool IsAffine() const;
    bool IsProjective() const { return !IsAffine(); }
    // Scales m8 to 1; false, unchanged, when m8 is near 0.
    bool Normalize();
    bool IsEqual(const CTransform2d& other, double eps) const;
    bool IsValid() const;

    // Rows and columns x, y and w of a column-major 4x4 (an OpenGL texture matrix), then
    // normalised when affine.
    void SetFromMatrix4(const double (&matrix)[16]);
    // The 4x4 whose x, y and w act as this transformation and whose z passes through.
    void GetMatrix4(double (&matrix)[16]) const;

    // this applied first, then other: the product other x this, normalised when affine.
    CTransform2d operator*(const CTransform2d& other) const;
    // A singular matrix gives its adjugate, the same projective map for homogeneous use.
    CTransform2d Inverse() const;

private:
    void NormalizeIfAffine()
    {
        if (IsAffine())
            Normalize();
    }
};

}  // namespace orbisk::geometry
