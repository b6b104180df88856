#include "geometry/Plane3d.h"

#include "geometry/Ray3d.h"

#include <initializer_list>

namespace orbisk::geometry {

namespace {

// Below this, a direction counts as parallel to the plane.
constexpr double kParallelCosine = 1e-6;

bool LineParameter(const CPlane3d& plane, const CPoint3d& point, const CUnitVector3d& direction, double& t)
{
    const double cosine = plane.GetNormal().Dot(direction);
    if (std::abs(cosine) < kParallelCosine)
        return false;
    t = -plane.SignedDistance(point) / cosine;
    return true;
}

struct Moments {
    double xx, yy, zz, xy, xz, yz;
};

// Normal (not yet unit) of the least-squares plane from the centred second moments,
// fixing to 1 the component whose 2x2 determinant is largest. False when degenerate.
bool SolveFitNormal(const Moments& c, CVector3d& n)
{
    const double dxy = c.xx * c.yy - c.xy * c.xy;
    const double dxz = c.xx * c.zz - c.xz * c.xz;
    const double dyz = c.yy * c.zz - c.yz * c.yz;
    constexpr double kMinDeterminant = 1e-10;
    if (std::abs(dxz) <= std::abs(dxy) && std::abs(dxy) >= std::abs(dyz)) {
        // Not "below", so that non-finite input counts as degenerate.
        if (!(std::abs(dxy) >= kMinDeterminant))
            return false;
        n = {-(c.xz * c.yy - c.xy * c.yz) / dxy, -(c.yz * c.xx - c.xy * c.xz) / dxy, 1.0};
    } else if (std::abs(dxz) >= std::abs(dyz)) {
        if (!(std::abs(dxz) >= kMinDeterminant))
            return false;
        n = {-(c.zz * c.xy - c.xz * c.yz) / dxz, 1.0, -(c.yz * c.xx - c.xy * c.xz) / dxz};
    } else {
        if (!(std::abs(dyz) >= kMinDeterminant))
            return false;
        n = {1.0, -(c.zz * c.xy - c.xz * c.yz) / dyz, -(c.xz * c.yy - c.xy * c.yz) / dyz};
    }
    return true;
}

}  // namespace

CPlane3d::CPlane3d(const CPoint3d& p1, const CPoint3d& p2, const CPoint3d& p3)
{
    Set(p1, CUnitVector3d((p2 - p1).Cross(p3 - p1)));
}

void CPlane3d::Set(double a_, double b_, double c_, double d_)
{
    const double sq = a_ * a_ + b_ * b_ + c_ * c_;
    if (sq <= kZeroLengthSquared) {
        a = b = c = 0.0;
        d = d_;
        return;
    }
    const double length = std::sqrt(sq);
    a = a_ / length, b = b_ / length, c = c_ / length, d = d_ / length;
}

CPoint3d CPlane3d::GetPoint() const
{
    if (std::abs(d) < kGeomTolerance)
        return {};
    return CPoint3d(CPoint3d(), -d, GetNormal());
}

bool CPlane3d::IntersectRay(const CRay3d& ray, double& t) const
{
    return LineParameter(*this, ray.origin, ray.direction, t);
}

bool CPlane3d::Intersect(const CRay3d& ray, CPoint3d& p) const
{
    return IntersectLine(ray.origin, ray.direction, p);
}

bool CPlane3d::IntersectLine(const CPoint3d& point, const CUnitVector3d& direction, CPoint3d& p) const
{
    double t = 0.0;
    if (!LineParameter(*this, point, direction, t))
        return false;
    p = CPoint3d(point, t, direction);
    return true;
}

bool CPlane3d::IntersectPlane(const CPlane3d& other, CRay3d& ray) const
{
    const CVector3d n = GetNormal();
    const CUnitVector3d dir(n.Cross(other.GetNormal()));
    if (!dir.IsNonZero())
        return false;
    // From this plane's point nearest the origin, go within this plane across the line.
    const CPoint3d q(CPoint3d(), -d, n);
    CPoint3d hit;
    if (!other.IntersectLine(q, CUnitVector3d(n.Cross(dir)), hit))
        return false;
    ray.Set(hit, dir);
    return true;
}

int CPlane3d::ClassifyBox(const CBoundingBox3d& box) const
{
    // The corners nearest and farthest along the normal.
    const CPoint3d nearCorner(a >= 0.0 ? box.x.min : box.x.max, b >= 0.0 ? box.y.min : box.y.max,
                              c >= 0.0 ? box.z.min : box.z.max);
    const CPoint3d farCorner(a >= 0.0 ? box.x.max : box.x.min, b >= 0.0 ? box.y.max : box.y.min,
                             c >= 0.0 ? box.z.max : box.z.min);
    if (SignedDistance(nearCorner) > 0.0)
        return kBoxPositive;
    if (SignedDistance(farCorner) < 0.0)
        return kBoxNegative;
    return kBoxStraddling;
}

bool CPlane3d::TestBoxSide(const CBoundingBox3d& box) const
{
    const CVector3d n = GetNormal();
    // For a normal along an axis, the signed distance of the box face farthest along it.
    struct AxisFace {
        CVector3d normal;
        double distance;
    };
    const AxisFace axisFaces[] = {{{0, 0, 1}, box.z.max + d}, {{0, 0, -1}, d - box.z.min},
                                  {{1, 0, 0}, box.x.max + d}, {{-1, 0, 0}, d - box.x.min},
                                  {{0, 1, 0}, box.y.max + d}, {{0, -1, 0}, d - box.y.min}};
    for (const AxisFace& face : axisFaces) {
        if (n == face.normal)
            return face.distance <= -kGeomTolerance;
    }
    const double e = SignedDistance(box.GetCenter());
    if (e > 0.0)
        return false;
    if (e * e > box.GetDiagonalSquared())
        return true;
    for (int corner = 0; corner < 8; ++corner) {
        if (SignedDistance(box.GetCorner(corner)) > 0.0)
            return false;
    }
    return true;
}

int CPlane3d::ClipSegment(CPoint3d& p, CPoint3d& q) const
{
    const double e = SignedDistance(p), f = SignedDistance(q);
    if (e > 0.0 && f > 0.0)
        return 1;
    if (e <= 0.0 && f <= 0.0)
        return -1;
    const double sum = std::abs(e) + std::abs(f);
    if (sum < kNearZero)
        return 0;
    const CPoint3d crossing(p, std::abs(e) / sum, q - p);
    (e > 0.0 ? p : q) = crossing;
    return 0;
}

bool CPlane3d::IsEqual(const CPlane3d& other, bool exact, double tol) const
{
    CPlane3d self = *this;
    if (!exact) {
        const bool reverse =
            std::abs(d) < kGeomTolerance ? GetNormal().Dot(other.GetNormal()) < 0.0 : !SameSign(d, other.d);
        if (reverse)
            self.Reverse();
    }
    return EqualWithin(self.a, other.a, tol) && EqualWithin(self.b, other.b, tol) &&
           EqualWithin(self.c, other.c, tol) && EqualWithin(self.d, other.d, tol);
}

void CPlane3d::Orient()
{
    for (const double value : {d, c, b, a}) {
        if (value >= kGeomTolerance)
            return;
        if (value <= -kGeomTolerance) {
            Reverse();
            return;
        }
    }
}

CPoint2d CPlane3d::ProjectTo2d(const CPoint3d& p) const
{
    CPlane3d oriented = *this;
    oriented.Orient();
    const CPoint3d origin = oriented.GetPoint();
    CUnitVector3d xAxis, yAxis;
    CUnitVector3d(oriented.GetNormal()).GetArbitraryAxes(xAxis, yAxis);
    const CVector3d offset = p - origin;
    return {offset.Dot(xAxis), offset.Dot(yAxis)};
}

bool CPlane3d::FitToPoints(std::size_t count, const CPoint3d* points)
{
    if (count <= 2 || !points)
        return false;
    const double n = static_cast<double>(count);
    CVector3d sum;
    for (std::size_t i = 0; i < count; ++i)
        sum += points[i] - CPoint3d();
    const CPoint3d centroid = CPoint3d() + sum / n;

    CVector3d s;
    Moments m{};
    for (std::size_t i = 0; i < count; ++i) {
        const CVector3d o = points[i] - centroid;
        s += o;
        m.xx += o.x * o.x, m.yy += o.y * o.y, m.zz += o.z * o.z;
        m.xy += o.x * o.y, m.xz += o.x * o.z, m.yz += o.y * o.z;
    }
    const Moments centred{m.xx - s.x * s.x / n, m.yy - s.y * s.y / n, m.zz - s.z * s.z / n,
                          m.xy - s.x * s.y / n, m.xz - s.x * s.z / n, m.yz - s.y * s.z / n};
    CVector3d normal;
    if (!SolveFitNormal(centred, normal))
        return false;
    normal.Normalize();
    a = normal.x, b = normal.y, c = normal.z;
    // Through the centroid.
    d = -normal.Dot(s) / n - normal.Dot(centroid - CPoint3d());

    // Orientation follows the winding of the points.
    CVector3d area;
    for (std::size_t i = 1; i + 1 < count; ++i)
        area += (points[i] - points[0]).Cross(points[i + 1] - points[0]);
    if (normal.Dot(area) < 0.0)
        Reverse();

    for (std::size_t i = 0; i < count; ++i) {
        if (DistanceTo(points[i]) > kGeomTolerance)
            return false;
    }
    return true;
}

CPoint3d CPlane3d::LineCrossing(const CPoint3d& a, const CPoint3d& b) const
{
    const double va = SignedDistance(a);
    const double vb = SignedDistance(b);
    if (va == vb)
        return a;
    const double t = va / (va - vb);
    return CPoint3d(1.0 - t, a, t, b);
}

}  // namespace orbisk::geometry
