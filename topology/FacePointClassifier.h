#pragma once
// CFacePointClassifier: a face projected once into a 2D frame of its plane, for repeated
// questions about where points, loops and other coplanar faces lie against it. The frame
// depends only on the plane taken in its canonical orientation, so two faces on one plane
// project alike whichever way their normals point.
//
// Point codes: 0 no face, 1 inside, 2 on an edge, 4 on a vertex, 8 outside (a point in a hole
// is outside). Face codes: 0 no face, 1 the other face lies inside this one, 2 this face lies
// inside the other, 3 touching, 4 overlapping or mixed, 5 apart. Loop codes: 0 nothing to
// decide, 2 the loop lies inside the face, 3 the loop surrounds the face, 4 otherwise.
//
// A classifier keeps a pointer to its face: after the face changes it is refreshed (SetupFrame
// and Rebuild) or discarded.

#include <cstddef>
#include <vector>

#include "geometry/BoundingBox2d.h"
#include "geometry/Point2d.h"
#include "geometry/Point3d.h"
#include "geometry/Transform3d.h"
#include "geometry/Vector3d.h"

class CEdge;
class CEntity;
class CFace;
class CLoop;

class CFacePointClassifier {
public:
    using CPoint2d = orbisk::geometry::CPoint2d;
    using CPoint3d = orbisk::geometry::CPoint3d;

    enum PointClass : int { kNoFace = 0, kInside = 1, kOnEdge = 2, kOnVertex = 4, kOutside = 8 };
    enum FaceClass : int {
        kOtherInside = 1,
        kInsideOther = 2,
        kTouching = 3,
        kOverlapping = 4,
        kApart = 5,
    };
    enum LoopClass : int { kUndecided = 0, kLoopInside = 2, kLoopSurrounds = 3, kLoopMixed = 4 };

    CFacePointClassifier() = default;
    explicit CFacePointClassifier(const CFace* face);

    void SetFace(const CFace* face);
    const CFace* GetFace() const { return m_face; }
    void SetupFrame();
    void Rebuild();

    CPoint2d Project(const CPoint3d& point) const;
    int ClassifyPoint2d(const CPoint2d& point, bool outerOnly) const;
    int ClassifyPoint(const CPoint3d& point) const { return ClassifyPoint2d(Project(point), false); }
    int ClassifyPointOuter(const CPoint3d& point) const;
    // The first of that loop's points, or null for a loop of another face.
    const CPoint2d* FindLoopPoints(const CLoop* loop) const;
    int ClassifyFace(const CFacePointClassifier& other, bool outerOnly) const;
    int CompareWithFace(const CFace* face) const;
    int ClassifyLoop(const CLoop* loop, const orbisk::geometry::CTransform3d* transform = nullptr) const;
    int ClassifyLoopOf(const CFacePointClassifier& other, const CLoop* loop, bool outerOnly) const;

    int GetPointCount() const { return static_cast<int>(m_points.size()); }

private:
    // The slice of the points of loop i of the face: first index and count.
    struct Slice {
        size_t first = 0;
        size_t count = 0;
    };
    Slice SliceOf(int loopIndex) const;
    // All points, or only the outer loop's.
    Slice PointsToTest(bool outerOnly) const;

    const CFace* m_face = nullptr;
    std::vector<CPoint2d> m_points;
    // The number of points of each loop, in array order.
    std::vector<size_t> m_loopSizes;
    orbisk::geometry::CBoundingBox2d m_bounds;
    CPoint3d m_origin;
    orbisk::geometry::CVector3d m_u{1.0, 0.0, 0.0};
    orbisk::geometry::CVector3d m_v{0.0, 1.0, 0.0};
};

// Whether face a lies inside face b: both on one plane (either orientation, within 0.001)
// and every vertex of a inside b.
bool IsFaceInsideFace(const CFace* a, const CFace* b);

// The faces that use every one of the edges; returns their number.
int FindFacesSharingEdges(int count, CEdge* const* edges, std::vector<CEntity*>& faces);
