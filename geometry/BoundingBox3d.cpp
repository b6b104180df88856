#include "geometry/BoundingBox3d.h"

#include <algorithm>

namespace orbisk::geometry {

namespace {

void AddInterval(CInterval1d& to, const CInterval1d& from)
{
    if (from.IsEmpty())
        return;
    to.min = std::min(to.min, from.min);
    to.max = std::max(to.max, from.max);
}

// Cohen-Sutherland outcode: bit 1/2 below/above x, 4/8 for y, 16/32 for z. Points on a
// face are inside. Every point is outside an empty box on its x, y and z min sides.
int Outcode(const CBoundingBox3d& box, const CPoint3d& p)
{
    const CInterval1d* axes[3] = {&box.x, &box.y, &box.z};
    int code = 0;
    for (int axis = 0; axis < 3; ++axis) {
        if (p[axis] < axes[axis]->min)
            code |= 1 << (2 * axis);
        else if (p[axis] > axes[axis]->max)
            code |= 2 << (2 * axis);
    }
    return code;
}

}  // namespace

void CBoundingBox3d::AddBox(const CBoundingBox3d& other)
{
    AddInterval(x, other.x);
    AddInterval(y, other.y);
    AddInterval(z, other.z);
}

bool CBoundingBox3d::IntersectsSegment(CPoint3d a, CPoint3d b) const
{
    int codeA = Outcode(*this, a);
    const int codeB = Outcode(*this, b);
    if (codeA == 0 || codeB == 0)
        return true;
    if (codeA & codeB)
        return false;
    const CInterval1d* axes[3] = {&x, &y, &z};
    // Each step puts the start on one more face plane, so six steps decide.
    for (int step = 0; step < 6; ++step) {
        const int bit = codeA & -codeA;
        const int axis = bit < 4 ? 0 : bit < 16 ? 1 : 2;
        const bool maxFace = (bit & 0b101010) != 0;
        const double face = maxFace ? axes[axis]->max : axes[axis]->min;
        const double delta = b[axis] - a[axis];
        if (std::abs(delta) >= kGeomTolerance) {
            const double f = (face - a[axis]) / delta;
            for (int other = 0; other < 3; ++other) {
                if (other != axis)
                    a[other] += f * (b[other] - a[other]);
            }
        }
        a[axis] = face;
        codeA = Outcode(*this, a);
        if (codeA == 0)
            return true;
        if (codeA & codeB)
            return false;
    }
    return false;
}

}  // namespace orbisk::geometry
