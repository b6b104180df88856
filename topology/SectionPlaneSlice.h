#pragma once
// ISectionPlaneSlice: the cut geometry of a section plane through its component, the lines
// drawn where the plane meets the component's faces. The drawing layer builds it; the section
// plane only owns it as a cache, dropped whenever the plane, the active plane or the geometry
// changes.

#include <memory>

#include "geometry/Plane3d.h"

class CComponent;
class IModelView;

class ISectionPlaneSlice {
public:
    virtual ~ISectionPlaneSlice() = default;
    virtual void Build(const orbisk::geometry::CPlane3d& plane, IModelView* view) = 0;
    virtual void Draw(IModelView* view) = 0;
};

// Makes an empty cut of a component; the drawing layer, which knows the concrete cut, installs
// it on the section planes.
using SectionPlaneSliceFactory = std::unique_ptr<ISectionPlaneSlice> (*)(CComponent& component);
