#pragma once
// A 3x3 linear part m, a translation t and a uniform scale applied last: a point maps to
// scale*(m*p + t), a vector to scale*(m*v). The equivalent 4x4 matrix is
// [m t; 0 0 0 1/scale]. The flag identity (m = I, t = 0, scale = 1) lets every
// transforming operation return at once; orthonormal (m is a rotation, possibly mirrored)
// is a promise of whoever sets it, and makes the inverse a transpose.

#include "geometry/BoundingBox3d.h"
#include "geometry/UnitVector3d.h"

namespace orbisk::geometry {

class CPlane3d;
class CRay3d;

class CTransform3d {
public:
    // Row by row: m[3*row + column]. Column j is the image of axis j.
    double m[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    CVector3d t;
    double scale = 1.0;
    bool identity = true;
    bool orthonormal = true;

    constexpr CTransform3d() = default;
    // The three columns as given (not normalised or tested), translation origin.
    CTransform3d(const CVector3d& xAxis, const CVector3d& yAxis, const CVector3d& zAxis,
                 const CPoint3d& origin);
    // Columns x, y, normal with x and y from CUnitVector3d::GetArbitraryAxes.
    CTransform3d(const CPoint3d& origin, const CUnitVector3d& normal);
    CTransform3d(const CPoint3d& point, const CUnitVector3d& axis, double angle)
    {
        SetRotation(point, axis, angle);
    }
    CTransform3d(double sx, double sy, double sz) { SetScale(sx, sy, sz); }
    // From a column-major 4x4 (OpenGL order).
    explicit CTransform3d(const double (&matrix)[16]) { SetMatrix(matrix); }

    void SetIdentity() { *this = CTransform3d(); }
    // Rotation by angle (radians, right-hand rule) about the line through point along axis.
    void SetRotation(const CPoint3d& point, const CUnitVector3d& axis, double angle);
    void SetTranslation(const CVector3d& v);
    void SetUniformScale(double s);
    void SetScale(double sx, double sy, double sz);
    // Elements 3, 7 and 11 are ignored; scale = 1/element 15, unguarded.
    void SetMatrix(const double (&matrix)[16]);
    void SetMatrix(const float (&matrix)[16]);
    // The values, then the flags detected: within the tolerance of the identity gives the
    // exact identity; a near-orthonormal m is orthonormalised.
    void Set(const double (&matrix)[9], const CVector3d& translation, double scale_);

    // Column-major 4x4, element 15 = 1/scale.
    void GetMatrix(double (&matrix)[16]) const;
    void GetMatrix(float (&matrix)[16]) const;
    CUnitVector3d GetXAxis() const { return CUnitVector3d(Column(0)); }
    CUnitVector3d GetYAxis() const { return CUnitVector3d(Column(1)); }
    CUnitVector3d GetZAxis() const { return CUnitVector3d(Column(2)); }
    CPoint3d GetOrigin() const { return identity ? CPoint3d() : CPoint3d() + t * scale; }
    // Lengths of the images of the unit axes, scale included.
    double GetXScale() const { return MultiplyVector({1, 0, 0}).Length(); }
    double GetYScale() const { return MultiplyVector({0, 1, 0}).Length(); }
    double GetZScale() const { return MultiplyVector({0, 0, 1}).Length(); }
    CVector3d GetScales() const { return {GetXScale(), GetYScale(), GetZScale()}; }
    // The normalised columns form a left-handed frame.
    bool IsMirrored() const;
    bool IsRotationIdentity() const;
    bool IsIdentity() const;
    bool IsOrthonormal() const;
    // All 13 values within the tolerance; the flags are not compared.
    bool IsEqual(const CTransform3d& other) const;
    bool IsValid() const;

    void TransformPoint(CPoint3d& p) const
    {
        if (identity)
            return;
        p = CPoint3d(scale * (m[0] * p.x + m[1] * p.y + m[2] * p.z + t.x),
                     scale * (m[3] * p.x + m[4] * p.y + m[5] * p.z + t.y),
                     scale * (m[6] * p.x + m[7] * p.y + m[8] * p.z + t.z));
    }
    void TransformVector(CVector3d& v) const
    {
        if (identity)
            return;
        v = CVector3d(scale * (m[0] * v.x + m[1] * v.y + m[2] * v.z),
                      scale * (m[3] * v.x + m[4] * v.y + m[5] * v.z),
                      scale * (m[6] * v.x + m[7] * v.y + m[8] * v.z));
    }
    CPoint3d MultiplyPoint(CPoint3d p) const
    {
        TransformPoint(p);
        return p;
    }
    CVector3d MultiplyVector(CVector3d v) const
    {
        TransformVector(v);
        return v;
    }
    // As a vector, then renormalised.
    void TransformUnitVector(CUnitVector3d& u) const;
    // Returns the stretch along the ray (the length of the image of its unit direction);
    // 1 for the identity.
    double TransformRay(CRay3d& ray) const;
    CRay3d MultiplyRay(const CRay3d& ray) const;
    // The box around the transformed box (Arvo's method).
    void TransformBox(CBoundingBox3d& box) const;
    CBoundingBox3d MultiplyBox(CBoundingBox3d box) const
    {
        TransformBox(box);
        return box;
    }
    // Maps the plane through the inverse, then renormalises it.
    void TransformPlane(CPlane3d& plane) const;
    CPlane3d MultiplyPlane(const CPlane3d& plane) const;
    void TransformPlaneNoNormalize(CPlane3d& plane) const;

    // Composition: other is applied first.
    CTransform3d operator*(const CTransform3d& other) const;
    // No-op, without report, for the identity, a scale near 0 or a singular m.
    void Invert();
    CTransform3d Inverse() const
    {
        CTransform3d inverse = *this;
        inverse.Invert();
        return inverse;
    }
    // Keeps the direction of the Z column and rebuilds the other two with the same
    // handedness; t, scale and the flags stay.
    void Orthonormalize();
    void OrthonormalizeIfNeeded()
    {
        if (orthonormal && !identity)
            Orthonormalize();
    }

private:
    constexpr CVector3d Column(int j) const { return {m[j], m[3 + j], m[6 + j]}; }
    void SetColumns(const CVector3d& x, const CVector3d& y, const CVector3d& z);
};

}  // namespace orbisk::geometry
