#pragma once
// ITransformFollower: an annotation (a dimension or a text) that follows a transformation of the
// entities it is attached to, rather than being transformed as a whole. The transform
// controller tells each annotation involved how it was involved:
//   3 the annotation and all its anchors move: it moves whole;
//   2 the annotation was given but an anchor stays: it moves with what moved;
//   1 it was not given, but all its anchors move with the given entities.
// A dimension follows `transform`; a text follows `transform` when it has a leader and
// `textTransform` otherwise.

#include "geometry/Transform3d.h"

class IModelView;

class ITransformFollower {
public:
    virtual ~ITransformFollower() = default;
    // view may be null.
    virtual void FollowTransform(const orbisk::geometry::CTransform3d& transform,
                                 const orbisk::geometry::CTransform3d& textTransform, int role,
                                 IModelView* view) = 0;
};
