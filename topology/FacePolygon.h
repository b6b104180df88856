#pragma once
// CFacePolygon: a face flattened for one view into closed point lists: its loops in order, then
// the openings that glued components cut into it. Each point remembers the face edge that ends
// at it (null for opening points and for points made by clipping), so that what survives a cut
// can still be traced to its edges. The polygon can draw itself, clip itself by planes and
// answer whether a point lies strictly inside the face.
//
// It lives for one drawing, picking or slicing call; clipping changes it in place.

#include <cstdint>
#include <memory>
#include <vector>

#include "geometry/Plane3d.h"
#include "geometry/Point3d.h"
#include "geometry/Ray3d.h"
#include "geometry/Transform3d.h"
#include "geometry/UnitVector3d.h"
#include "geometry/Vector3d.h"

class CEdge;
class CFace;
class CLoop;
class IModelView;

class CFacePolygon {
public:
    using CPlane3d = orbisk::geometry::CPlane3d;
    using CPoint3d = orbisk::geometry::CPoint3d;
    using CTransform3d = orbisk::geometry::CTransform3d;
    using CVector3d = orbisk::geometry::CVector3d;

    // The face's loops (only the outer one with outerOnly, which also leaves the openings out)
    // and the openings the view shows in it.
    CFacePolygon(const CFace* face, IModelView* view, bool outerOnly);
    CFacePolygon(const CFacePolygon&) = delete;
    CFacePolygon& operator=(const CFacePolygon&) = delete;
    ~CFacePolygon();

    // A simple polygon goes straight to GL; any other through the GLU tessellator. Reversed,
    // the normal is negated and every loop fed backwards.
    void Draw(bool reverse);
    void Tessellate(const CVector3d& normal, bool reverse);

    int GetLoopCount() const { return static_cast<int>(loopEnds.size()); }
    int GetLoopVertexCount(int loop) const;
    const CPoint3d& GetLoopPoint(int loop, int index) const;
    CEdge* GetPointEdge(int loop, int index) const;
    // The point before index (the loop's last for index 0), the point, and the point's edge.
    void GetLoopSegment(int loop, int index, CPoint3d& previous, CPoint3d& point, CEdge*& edge) const;
    bool IsSimple() const { return isSimple != 0; }
    const CPlane3d& GetPlane() const { return plane; }

    // Strictly inside the outer loop and outside every other one: a point on any boundary, or
    // in a hole, is not contained.
    bool ContainsPoint(const CPoint3d& point);
    // Keeps the part on the plane's positive side (points within 0.001 of the plane stay).
    // False when nothing remains or nothing of the outer loop lies strictly in front; cut, when
    // given, tells whether the plane crossed the polygon.
    bool ClipToPlane(const CPlane3d& cuttingPlane, bool* cut = nullptr);

private:
    void Build(const CFace* face, IModelView* view, bool outerOnly);
    void AddLoop(const CLoop* loop, const CTransform3d& transform, bool reverse, bool withEdges);
    int LoopStart(int loop) const { return loop == 0 ? 0 : loopEnds[static_cast<size_t>(loop) - 1]; }
    static void Combine(const double coords[3], void* neighbours[4], const float weights[4], void** out,
                        void* polygon);

    std::vector<CPoint3d> points;
    std::vector<int32_t> loopEnds;
    // Points GLU makes where contours cross; they must outlive the tessellation.
    std::vector<std::unique_ptr<double[]>> combined;
    std::vector<CEdge*> pointEdges;
    uint8_t isSimple = 0;
    CPlane3d plane;
    CPoint3d origin;
    orbisk::geometry::CUnitVector3d u = orbisk::geometry::CUnitVector3d::ZAxis();
    orbisk::geometry::CUnitVector3d v = orbisk::geometry::CUnitVector3d::ZAxis();
};

// The pieces of the line where a plane cuts a face polygon that lie inside the face. A face edge
// lying in the cutting plane is a piece of its own, carrying that edge, and is taken out of the
// interior pieces it overlaps.
class CFacePolygonSlicer {
public:
    using CPoint3d = orbisk::geometry::CPoint3d;

    CFacePolygonSlicer();

    // False when the planes are parallel, a loop lies wholly in the cutting plane, or nothing
    // was produced.
    bool Slice(const CFacePolygon& polygon, const orbisk::geometry::CPlane3d& cuttingPlane);
    int GetSegmentCount() const { return static_cast<int>(intervals.size()); }
    // The piece's two ends and the edge it runs along (null for an interior piece).
    void GetSegment(int i, CPoint3d& start, CPoint3d& end, CEdge*& edge) const;
    bool IsEmpty() const { return intervals.empty(); }

private:
    struct Interval {
        double t0;
        double t1;
        CEdge* edge;
    };

    void AddInterval(const CPoint3d& p, const CPoint3d& q, bool reverse, CEdge* edge);
    void AddCrossing(const CPoint3d& point, bool reverse);
    void Merge();

    CPoint3d pendingStart;
    int32_t crossings = 0;
    std::vector<Interval> intervals;
    orbisk::geometry::CRay3d line;
};
