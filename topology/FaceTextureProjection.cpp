#include "topology/FaceTextureProjection.h"

#include "geometry/UnitVector3d.h"
#include "geometry/Vector3d.h"
#include "topology/Face.h"
#include "topology/FaceTextureCoords.h"

using orbisk::geometry::CPoint3d;
using orbisk::geometry::CUnitVector3d;
using orbisk::geometry::CVector3d;

namespace {

double PlaneValue(const double (&plane)[4], const CPoint3d& p)
{
    return plane[0] * p.x + plane[1] * p.y + plane[2] * p.z + plane[3];
}

}  // namespace

CPoint3d CFaceTextureProjection::GetUVQ(const CPoint3d& point) const
{
    CPoint3d uvq(PlaneValue(sPlane, point), PlaneValue(tPlane, point), 1.0);
    if (hasTransform)
        transform.TransformPoint(uvq);
    return uvq;
}

void CFace::GetTextureProjection(bool front, CFaceTextureProjection& out) const
{
    const CFaceTextureCoords* coords = GetFaceTextureCoords(this);
    const CFaceTextureMapping* side = coords ? &coords->GetSide(front) : nullptr;
    const bool mapped = side && !(side->flags == 0 && !side->projection.IsNonZero());

    CVector3d direction = m_plane.GetNormal();
    if (mapped && side->projection.IsNonZero() && (side->flags & CFaceTextureMapping::kProjected) != 0)
        direction = side->projection;
    CUnitVector3d u;
    CUnitVector3d v;
    CUnitVector3d(direction).GetArbitraryAxes(u, v);
    out.sPlane[0] = u.x;
    out.sPlane[1] = u.y;
    out.sPlane[2] = u.z;
    out.sPlane[3] = 0.0;
    out.tPlane[0] = v.x;
    out.tPlane[1] = v.y;
    out.tPlane[2] = v.z;
    out.tPlane[3] = 0.0;

    out.hasTransform = mapped ? 1 : 0;
    out.projective = 0;
    out.transform.SetIdentity();
    if (!mapped)
        return;
    out.transform = side->inverseMapping;
    out.projective = out.transform.IsProjective() ? 1 : 0;
    // Normalize leaves a matrix whose m22 is near zero or already 1 as it is.
    if (!out.projective)
        out.transform.Normalize();
}
