#pragma once
// ISectionPlaneSlice: the cut geometry of a section plane through its component, the lines
// drawn where the plane meets the component's faces. The drawing layer builds it; the section
// plane only owns it as a cache, dropped whenever the plane, the active plane or the geometry
// changes.

#include "geometry/Plane3d.h"

class IModelView;

class ISectionPlaneSlice {
public:
    virtual ~ISectionPlaneSlice() = default;
    virtual void Build(const orbisk::geometry::CPlane3d& plane, IModelView* view) = 0;
    virtual void Draw(IModelView* view) = 0;
};
