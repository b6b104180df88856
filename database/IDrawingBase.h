#pragma once
// IDrawingBase: the drawing sink every entity draws into. It keeps where the drawing is (a
// stack of model-from-local transformations with their inverses, and the eye point and view
// direction in local coordinates), which geometry is wanted (a stack of geometry filters, the
// sink owning each filter on it) and which section planes clip the drawing.
//
// Pops on empty stacks do nothing; queries on empty stacks answer the identity, the origin,
// (0, 0, 1) or null. Derived interfaces inherit it virtually, so a view holds one. Like
// IModelView it sits with the model, whose entities draw into it.

#include "geometry/GeomFilter.h"
#include "geometry/Point3d.h"
#include "geometry/Transform3d.h"
#include "geometry/Vector3d.h"

class CSectionPlane;
class CSectionPlaneStack;

class IDrawingBase {
public:
    // Implementations delete every filter still on their filter stack.
    virtual ~IDrawingBase() = default;

    // Enters a local coordinate system placed by t in the current one; with applyToGL the GL
    // model-view matrix is pushed and multiplied by t itself.
    virtual void PushTransform(const orbisk::geometry::CTransform3d& t, bool applyToGL) = 0;
    virtual void PopTransform(bool applyToGL) = 0;
    // True while a transformation of an entered instance is in force.
    virtual bool HasElements() = 0;
    virtual orbisk::geometry::CTransform3d GetTransform() = 0;
    virtual orbisk::geometry::CTransform3d GetInverseTransform() = 0;
    virtual orbisk::geometry::CPoint3d GetEyePoint() = 0;
    virtual orbisk::geometry::CVector3d GetViewDirection() = 0;
    // The eye and direction in model coordinates become the only entries of their stacks.
    virtual void SetEyeAndDirection(const orbisk::geometry::CPoint3d& eye,
                                    const orbisk::geometry::CVector3d& direction) = 0;

    virtual orbisk::geometry::IGeomFilter* GetGeometryFilter() = 0;
    virtual void ClearGeometryFilters() = 0;
    // Takes ownership. Over an active filter a non-null one is combined with a clone of it,
    // so that both must accept; null means no filtering until it is popped.
    virtual void PushGeometryFilter(orbisk::geometry::IGeomFilter* filter) = 0;
    virtual void PopGeometryFilter() = 0;

    // With clip set the plane takes the next free GL clip plane.
    virtual void PushSectionPlane(CSectionPlane* plane, bool clip) = 0;
    // Returns the number of planes still active.
    virtual int PopSectionPlane(bool clip) = 0;
    // With off set, section planes clip nothing.
    virtual void SetDrawFlags(bool off) = 0;
    virtual CSectionPlaneStack* GetSectionPlaneStack() = 0;
};
