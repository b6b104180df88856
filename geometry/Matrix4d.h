#pragma once
// A general 4x4 matrix in OpenGL order: column-major, element (r, c) at m[4c + r].

namespace orbisk::geometry {

class CTransform2d;

class CMatrix4d {
public:
    double m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

    constexpr CMatrix4d() = default;
    explicit CMatrix4d(const CTransform2d& transform);

    constexpr void SetIdentity() { *this = CMatrix4d(); }
    // this x other: other is applied first (unlike CTransform2d::operator*).
    CMatrix4d operator*(const CMatrix4d& other) const;
    // v = M*v in place.
    void Transform(double (&v)[4]) const;
    // Gauss-Jordan with partial pivoting; a pivot of exactly 0 fails, leaving out the
    // identity.
    bool GetInverse(CMatrix4d& out) const;
};

}  // namespace orbisk::geometry
