#pragma once
// Small eye-space routines the renderer's shaders share, over the engine's matrices (row vectors,
// p' = p * M; see scenegraph/engine/Math.h). A model-view matrix takes model space to eye space,
// where the camera sits at the origin and looks down -z; a view matrix takes world space there.

#include "scenegraph/engine/Math.h"

namespace Gap::zephyron {

// The unit direction of the model's axis 0 (x), 1 (y) or 2 (z) in eye space; zero when the matrix
// collapses that axis.
Math::igVec3f ModelSpaceAxisInEyeSpace(const Math::igMatrix44f& modelView, int axis);

// Where the model's origin lies in eye space.
Math::igVec3f ModelSpaceOriginInEyeSpace(const Math::igMatrix44f& modelView);

// The part of the vector in the plane through the origin perpendicular to the normal. The normal
// need not be unit; a zero normal leaves the vector as it is.
Math::igVec3f ProjectVectorOnPlane(const Math::igVec3f& vector, const Math::igVec3f& planeNormal);

// The rotation about the line through centre that turns the direction from onto the direction to,
// about their common perpendicular (lengths do not matter). Identity when either is zero or they
// point the same way; opposite directions turn half a turn about an axis perpendicular to from.
Math::igMatrix44f MakeRotationMatrixByAxes(const Math::igVec3f& from, const Math::igVec3f& to,
                                           const Math::igVec3f& centre);

// The unit world-space direction the camera of a view matrix looks along (its eye-space -z); zero
// when the view matrix cannot be inverted.
Math::igVec3f ViewDirectionInWorldSpace(const Math::igMatrix44f& view);

}  // namespace Gap::zephyron
