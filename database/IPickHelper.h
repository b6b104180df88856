#pragma once
// IPickHelper: the sink that the entities' pick operations walk into instead of a drawing
// sink. It is the drawing sink extended by the questions of picking: the pick ray and aperture,
// the tests of points, segments, lines and boxes against the pick volume (the geometry filter
// it installs in the view), the instance path being walked and the hits found. The model view
// implements it; picking does not read pixels.
//
// Pick modes: 1 point pick with an aperture (hits carry a depth range), 2 window pick (wholly
// inside), 3 crossing window pick, 4 extents walk (no culling).

#include "database/IDrawingBase.h"
#include "geometry/BoundingBox3d.h"
#include "geometry/Line3d.h"
#include "geometry/Point3d.h"
#include "geometry/Ray3d.h"

class CEntity;
class IModelView;

class IPickHelper : public virtual IDrawingBase {
public:
    enum PickMode : int { kPointPick = 1, kWindowPick = 2, kCrossingPick = 3, kExtentsWalk = 4 };

    virtual int GetPickMode() = 0;
    // Mode 2 or 3.
    virtual bool IsWindowPick() = 0;
    // In model (root) coordinates.
    virtual orbisk::geometry::CRay3d GetPickRay() = 0;
    // In the current drawing coordinates.
    virtual orbisk::geometry::CRay3d GetLocalRay() = 0;
    // 1 hit, 0 miss.
    virtual int PickLine(const orbisk::geometry::CLine3d& line) = 0;
    // 1 accepted, 0 rejected, 2 wholly cut away by section planes.
    virtual int PickSegment(const orbisk::geometry::CPoint3d& start,
                            const orbisk::geometry::CPoint3d& end) = 0;
    // The geometry filter's box test.
    virtual bool TestBox(const orbisk::geometry::CBoundingBox3d& box) = 0;
    // 1 accepted, 0 rejected, 2 cut away by section planes.
    virtual int PickPoint(const orbisk::geometry::CPoint3d& point) = 0;
    // The entity's visibility in the picker's view.
    virtual bool IsEntityVisible(CEntity* entity) = 0;
    virtual IModelView* GetView() = 0;
    // The instance path being walked, outermost first.
    virtual void PushPathEntity(CEntity* entity) = 0;
    virtual void PopPathEntity() = 0;
    // False: instances are tested by the corners of their definition's box only.
    virtual bool DescendsIntoInstances() = 0;
    virtual bool GetSecondaryFlag() = 0;
    // Soft edges that are not drawn may still be picked.
    virtual bool GetPicksSoftEdges() = 0;
    virtual void SetPicksSoftEdges(bool picks) = 0;
    // With force the hit is kept wherever it lies along the ray; with useTag it carries the
    // hit tag.
    virtual void AddHit(CEntity* entity, bool force, bool useTag) = 0;
    virtual void SetHitTag(int tag) = 0;
    // The element (vertex, edge or face) that an entity's pick last reported.
    virtual CEntity* GetHitElement() = 0;
    virtual void SetHitElement(CEntity* element) = 0;
    // |value| at the point of the geometry filter's plane of that index (0 to 5); 0.001
    // without a filter or such a plane.
    virtual double DistanceToFilterPlane(const orbisk::geometry::CPoint3d& point, int index) = 0;
    // In the current drawing coordinates, in the order (x0, y1), (x1, y1), (x0, y0), (x1, y0)
    // of the aperture's window rectangle.
    virtual void GetApertureCorners(orbisk::geometry::CPoint3d (&corners)[4]) = 0;
};
