#include "scenegraph/ext/MathRoutines.h"

#include <cmath>

namespace Gap::zephyron {

using Math::igMatrix44f;
using Math::igVec3f;

igVec3f ModelSpaceAxisInEyeSpace(const igMatrix44f& modelView, int axis)
{
    igVec3f unit;
    unit[axis] = 1.0f;
    return unit.transformVector(modelView).normalized();
}

igVec3f ModelSpaceOriginInEyeSpace(const igMatrix44f& modelView)
{
    return igVec3f().transformPoint(modelView);
}

igVec3f ProjectVectorOnPlane(const igVec3f& vector, const igVec3f& planeNormal)
{
    const float normalSquared = planeNormal.lengthSquared();
    if (normalSquared == 0.0f)
        return vector;
    return vector - planeNormal * (vector.dot(planeNormal) / normalSquared);
}

namespace {

// Rodrigues' rotation by the angle with the given cosine and sine about the unit axis, written for
// row vectors: row i is the image of axis i.
igMatrix44f RotationAbout(const igVec3f& axis, float cosine, float sine)
{
    const float t = 1.0f - cosine;
    const float x = axis[0], y = axis[1], z = axis[2];
    igMatrix44f r;
    r(0, 0) = t * x * x + cosine;
    r(0, 1) = t * x * y + sine * z;
    r(0, 2) = t * x * z - sine * y;
    r(1, 0) = t * x * y - sine * z;
    r(1, 1) = t * y * y + cosine;
    r(1, 2) = t * y * z + sine * x;
    r(2, 0) = t * x * z + sine * y;
    r(2, 1) = t * y * z - sine * x;
    r(2, 2) = t * z * z + cosine;
    return r;
}

// Some unit vector perpendicular to the unit vector v: crossed with the coordinate axis it is least
// aligned with, so the cross product cannot vanish.
igVec3f AnyPerpendicular(const igVec3f& v)
{
    int least = 0;
    for (int i = 1; i < 3; ++i) {
        if (std::fabs(v[i]) < std::fabs(v[least]))
            least = i;
    }
    igVec3f axis;
    axis[least] = 1.0f;
    return v.cross(axis).normalized();
}

}  // namespace

igMatrix44f MakeRotationMatrixByAxes(const igVec3f& from, const igVec3f& to, const igVec3f& centre)
{
    const igVec3f a = from.normalized();
    const igVec3f b = to.normalized();
    igMatrix44f rotation;
    if (a.lengthSquared() == 0.0f || b.lengthSquared() == 0.0f)
        return rotation;

    igVec3f axis = a.cross(b);
    const float sine = axis.normalize();
    const float cosine = a.dot(b);
    // Below this the cross product's direction is rounding noise.
    if (sine < 1e-6f) {
        if (cosine > 0.0f)
            return rotation;
        rotation = RotationAbout(AnyPerpendicular(a), -1.0f, 0.0f);
    } else {
        rotation = RotationAbout(axis, cosine, sine);
    }
    // About the centre rather than the origin: move the centre to the origin, turn, move back.
    igMatrix44f toOrigin;
    toOrigin.makeTranslation(-centre);
    igMatrix44f back;
    back.makeTranslation(centre);
    return toOrigin * rotation * back;
}

igVec3f ViewDirectionInWorldSpace(const igMatrix44f& view)
{
    igMatrix44f eyeToWorld;
    if (!eyeToWorld.invert(view))
        return {};
    return igVec3f(0.0f, 0.0f, -1.0f).transformVector(eyeToWorld).normalized();
}

}  // namespace Gap::zephyron
