#pragma once
// CViewExtentsFinder: walks the visible geometry with the pick traversal and collects its
// extreme points, to fit the camera to it (zoom extents) or to measure its box in the camera's
// image plane (the 2D pan and zoom, printing).
//
// It is an extents walk (mode 4): nothing is culled, instances are entered, no hit is kept. In
// 3D mode every point met is measured against the six planes of the view frustum (normals
// out): the largest signed distance of each plane and the point that gave it. In 2D mode the
// points go into camera coordinates and, in perspective, onto the near plane.

#include <limits>

#include "geometry/BoundingBox2d.h"
#include "geometry/BoundingBox3d.h"
#include "geometry/Plane3d.h"
#include "geometry/Transform3d.h"
#include "view/PickHelper.h"

class CZphView;
class IEntityIterator;

class CViewExtentsFinder : public CPickHelper {
public:
    using CBoundingBox2d = orbisk::geometry::CBoundingBox2d;

    // Left, right, bottom, top, near, far.
    enum Side { kLeft = 0, kRight, kBottom, kTop, kNear, kFar, kSideCount };

    explicit CViewExtentsFinder(CZphView* view);

    // Moves the camera so that the entities (null: the model's root component) fill the view,
    // then redraws.
    void ZoomExtents(IEntityIterator* entities);
    // The box of the entities' points in the camera's image plane (camera coordinates, at the
    // near plane in perspective); whether any drawable entity was walked.
    bool GetScreenExtents(CBoundingBox2d& box, IEntityIterator* entities);

    // After a 3D pass: the points collected, their box, and each side's extreme point.
    int GetPointCount() const { return m_count; }
    const CBoundingBox3d& GetBounds() const { return m_bounds; }
    const CPoint3d& GetExtremePoint(Side side) const { return m_extremePoints[side]; }

    // IPickHelper.
    int PickPoint(const CPoint3d& point) override;
    int PickSegment(const CPoint3d& start, const CPoint3d& end) override;
    bool DescendsIntoInstances() override { return true; }
    bool GetSecondaryFlag() override { return false; }
    void AddHit(CEntity*, bool, bool) override {}

private:
    void BuildPlanes();
    // One walk over the entities; whether a dimension or a text was among them. walked tells
    // whether any drawable entity was asked.
    bool Walk(IEntityIterator* entities, bool& walked);
    // One 3D pass with the frustum volume installed; whether a dimension or a text was met.
    bool CollectPass(IEntityIterator* entities);
    void MoveTargetToOrigin();
    void FitPerspective();
    void FitParallel();

    CZphView* m_zphView;
    CPlane3d m_planes[kSideCount];
    double m_largest[kSideCount];
    CPoint3d m_extremePoints[kSideCount];
    CBoundingBox3d m_bounds;
    int m_count = 0;
    bool m_2DMode = false;
    CTransform3d m_viewTransform;
    double m_projectionDistance = 0.0;
    CBoundingBox2d* m_box2D = nullptr;
};
