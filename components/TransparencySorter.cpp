#include "components/TransparencySorter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "components/ArrowHeads.h"
#include "components/ComponentDefinition.h"
#include "components/ComponentInstance.h"
#include "components/Image.h"
#include "database/DrawingElement.h"
#include "database/EntityTypes.h"
#include "database/IModelView.h"
#include "geometry/BoundingBox3d.h"
#include "geometry/Line3d.h"
#include "geometry/Plane3d.h"
#include "geometry/Polygon2d.h"
#include "geometry/Tolerance.h"
#include "geometry/Transform3d.h"
#include "settings/Camera.h"
#include "settings/ViewDefinition.h"
#include "topology/Face.h"
#include "topology/FacePointClassifier.h"
#include "topology/FacePolygon.h"
#include "topology/Loop.h"
#include "topology/TopologyEnumerators.h"

using orbisk::geometry::CBoundingBox3d;
using orbisk::geometry::CInterval1d;
using orbisk::geometry::CLine3d;
using orbisk::geometry::CPlane3d;
using orbisk::geometry::CPoint2d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CPolygon2d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CUnitVector3d;
using orbisk::geometry::CVector3d;
using orbisk::geometry::kGeomTolerance;

// The strategy of a sorter. The eye is kept in the coordinates the component is drawn in.
class CTransSortImpl {
public:
    explicit CTransSortImpl(IModelView* view);
    virtual ~CTransSortImpl() = default;
    virtual void Add(CFace* face, CDrawingElement* other) = 0;
    virtual void Draw(IModelView* view) = 0;

protected:
    // From the eye point in perspective; from the eye plane, unsigned, in parallel projection.
    double DepthDistance(const CPoint3d& point) const;
    // A plane given in model coordinates, carried into the drawing coordinates.
    CPlane3d ToDrawing(const CPlane3d& plane) const { return toDrawing.MultiplyPlane(plane); }

    CTransform3d toDrawing;
    CPoint3d eyePoint;
    // Through the eye, its normal the viewing direction: the scene lies on its positive side.
    CPlane3d eyePlane{0, 0, 1, 0};
    uint8_t perspective = 0;
};

CTransSortImpl::CTransSortImpl(IModelView* view)
{
    const CViewDefinition* definition = view ? view->GetViewDefinition() : nullptr;
    if (!definition)
        return;
    const CCamera& camera = definition->GetCamera();
    perspective = camera.IsPerspective() ? 1 : 0;
    eyePoint = camera.GetEye();
    eyePlane = CPlane3d(eyePoint, camera.GetDirection());
    if (view->HasElements()) {
        toDrawing = view->GetInverseTransform();
        toDrawing.TransformPoint(eyePoint);
        eyePlane = ToDrawing(eyePlane);
    }
}

double CTransSortImpl::DepthDistance(const CPoint3d& point) const
{
    return perspective ? eyePoint.DistanceTo(point) : std::abs(eyePlane.SignedDistance(point));
}

namespace {

// ---------------------------------------------------------------------------------------
// Box-centre sort.

struct CenterSortItem {
    CDrawingElement* entity = nullptr;
    uint8_t isImage = 0;
    double depth = 0.0;
};

class CBboxCenterSort : public CTransSortImpl {
public:
    CBboxCenterSort(int capacity, IModelView* view) : CTransSortImpl(view), capacity(std::max(0, capacity))
    {
        records.reserve(static_cast<size_t>(this->capacity));
    }

    void Add(CFace* face, CDrawingElement* other) override
    {
        CDrawingElement* entity = face ? face : other;
        if (!entity || static_cast<int>(records.size()) >= capacity)
            return;
        CenterSortItem item;
        item.entity = entity;
        item.isImage = !face && other->GetEntityType() == kEntityImage;
        item.depth = DepthDistance(entity->GetBounds().GetCenter());
        records.push_back(item);
    }

    void Draw(IModelView* view) override
    {
        if (view->IsDrawingSuppressed())
            return;
        std::sort(records.begin(), records.end(), [](const CenterSortItem& a, const CenterSortItem& b) {
            if (a.isImage != b.isImage)
                return !a.isImage;
            return a.depth < b.depth;
        });
        for (auto it = records.rbegin(); it != records.rend(); ++it) {
            if (view->IsDrawingSuppressed())
                return;
            it->entity->Draw(view);
        }
    }

private:
    std::vector<CenterSortItem> records;
    int capacity;
};

// ---------------------------------------------------------------------------------------
// Region codes of points against axis-aligned boxes: per axis 0 inside, 1 below, 2 above;
// x in bits 0-1, y in bits 2-3, z in bits 4-5.

int AxisCode(int code, int axis)
{
    return (code >> (2 * axis)) & 3;
}

int RegionCode(const CPoint3d& p, const CBoundingBox3d& box, int defaults = 0)
{
    return ClassifyInInterval(p.x, AxisCode(defaults, 0), box.x) |
           ClassifyInInterval(p.y, AxisCode(defaults, 1), box.y) << 2 |
           ClassifyInInterval(p.z, AxisCode(defaults, 2), box.z) << 4;
}

int MirrorCode(int code)
{
    int mirrored = 0;
    for (int axis = 0; axis < 3; ++axis) {
        const int c = AxisCode(code, axis);
        mirrored |= (c == 1 ? 2 : c == 2 ? 1 : c) << (2 * axis);
    }
    return mirrored;
}

// Whether code b lies in the region that code a names.
bool InRegion(int a, int b)
{
    if (a == 0)
        return b == 0;
    if (a == b)
        return true;
    if ((a & b) == 0)
        return false;
    int axes[3];
    int count = 0;
    for (int axis = 0; axis < 3; ++axis) {
        if (AxisCode(a, axis) != 0)
            axes[count++] = axis;
    }
    if (count == 1)
        return false;
    if (count == 3)
        return (b & MirrorCode(a)) == 0;
    const int u = axes[0], v = axes[1], w = 3 - u - v;
    if (AxisCode(b, w) != 0)
        return false;
    return (AxisCode(b, u) == AxisCode(a, u) && AxisCode(b, v) == 0) ||
           (AxisCode(b, v) == AxisCode(a, v) && AxisCode(b, u) == 0);
}

// Whether a point of code b lies behind the box, seen from an eye of code e.
bool IsBeyond(int e, int b, bool perspective)
{
    if (e == 0)
        return b != 0;
    if (perspective)
        return (b & e) == 0 || b == 0;
    return InRegion(MirrorCode(e), b);
}

// ---------------------------------------------------------------------------------------
// Point visitors of a face's outer loop.

class CFaceBounds : public CPointProc {
public:
    CFaceBounds(IModelView* view, CBoundingBox3d& box) : view(view), box(box) {}
    bool Visit(const CPoint3d& point) override
    {
        CPoint3d window;
        if (view->ModelToScreen(point, window))
            box.Add(window);
        return true;
    }

private:
    IModelView* view;
    CBoundingBox3d& box;
};

class CFaceProjector : public CPointProc {
public:
    CFaceProjector(const CTransform3d& transform, IModelView* view, CPolygon2d& polygon)
        : transform(transform), view(view), polygon(polygon)
    {}
    bool Visit(const CPoint3d& point) override
    {
        CPoint3d window;
        if (view->ModelToScreen(transform.MultiplyPoint(point), window))
            polygon.AddPoint({window.x, window.y});
        return true;
    }

private:
    const CTransform3d& transform;
    IModelView* view;
    CPolygon2d& polygon;
};

// Looks for a vertex, carried into a box's coordinates, in the region the eye sees the box
// from (or, in swapped mode, beyond the box).
class CFaceBboxTest : public CPointProc {
public:
    CFaceBboxTest(const CTransform3d& toBox, const CBoundingBox3d& box, int eyeCode, int defaults,
                  bool perspective, bool swapped)
        : toBox(toBox),
          box(box),
          eyeCode(eyeCode),
          defaults(defaults),
          perspective(perspective),
          swapped(swapped)
    {}
    bool Visit(const CPoint3d& point) override
    {
        const int code = RegionCode(toBox.MultiplyPoint(point), box, defaults);
        found = swapped ? IsBeyond(eyeCode, code, perspective) : InRegion(eyeCode, code);
        return !found;
    }
    bool found = false;

private:
    const CTransform3d& toBox;
    const CBoundingBox3d& box;
    int eyeCode;
    int defaults;
    bool perspective;
    bool swapped;
};

class CFaceInsideBbox : public CPointProc {
public:
    CFaceInsideBbox(const CTransform3d& toBox, const CBoundingBox3d& box, int defaults)
        : toBox(toBox), box(box), defaults(defaults)
    {}
    bool Visit(const CPoint3d& point) override
    {
        found = RegionCode(toBox.MultiplyPoint(point), box, defaults) == 0;
        return !found;
    }
    bool found = false;

private:
    const CTransform3d& toBox;
    const CBoundingBox3d& box;
    int defaults;
};

// Which side of a plane a loop lies on: +1 all positive, -1 all negative, 0 both or neither.
class CIsLoopAbovePlane : public CPointProc {
public:
    CIsLoopAbovePlane(const CPlane3d& plane, const CTransform3d& transform)
        : plane(plane), transform(transform)
    {}
    bool Visit(const CPoint3d& point) override
    {
        const double value = plane.SignedDistance(transform.MultiplyPoint(point));
        if (std::abs(value) < kGeomTolerance)
            return true;
        const int sign = value > 0.0 ? 1 : -1;
        if (!seen) {
            seen = true;
            side = sign;
            return true;
        }
        if (sign != side) {
            side = 0;
            return false;
        }
        return true;
    }
    int side = 0;

private:
    const CPlane3d& plane;
    const CTransform3d& transform;
    bool seen = false;
};

bool WalkOuterLoop(const CFace* face, CPointProc& visitor)
{
    const CLoop* loop = face ? face->GetOuterLoop() : nullptr;
    return loop && loop->ForEachVertexPoint(visitor);
}

// ---------------------------------------------------------------------------------------
// 2D outline helpers, in window pixels.

struct Dir2 {
    double x = 0.0;
    double y = 0.0;
};

Dir2 UnitFrom(const CPoint2d& from, const CPoint2d& to)
{
    const double dx = to.x - from.x, dy = to.y - from.y;
    const double length = std::sqrt(dx * dx + dy * dy);
    if (length <= orbisk::geometry::kNearZero)
        return {};
    return {dx / length, dy / length};
}

double Cross(const Dir2& u, const Dir2& v)
{
    return u.x * v.y - u.y * v.x;
}

Dir2 Oriented(Dir2 u, bool orientation)
{
    if (!orientation)
        u.x = -u.x, u.y = -u.y;
    return u;
}

bool TurnsInto(Dir2 u, const Dir2& v, bool orientation)
{
    return Cross(Oriented(u, orientation), v) >= kGeomTolerance;
}

bool InCorner(Dir2 u, Dir2 w, const Dir2& v, bool orientation)
{
    return Cross(Oriented(u, orientation), v) >= kGeomTolerance &&
           Cross(Oriented(w, orientation), v) >= kGeomTolerance;
}

// Whether a vertex of b enters the interior of a (o: a runs the outline's way round).
bool VertexInside(const CPolygon2d& a, bool orientation, const CPolygon2d& b)
{
    const size_t na = a.points.size(), nb = b.points.size();
    if (na == 0 || nb == 0)
        return false;
    for (size_t k = 0; k < nb; ++k) {
        const CPoint2d& point = b.points[k];
        const int where = a.Classify(point);
        if (where == orbisk::geometry::kInsidePolygon)
            return true;
        if (where != orbisk::geometry::kOnPolygonEdge && where != orbisk::geometry::kOnPolygonVertex)
            continue;
        const Dir2 pb = UnitFrom(point, b.points[(k + nb - 1) % nb]);
        const Dir2 nextB = UnitFrom(point, b.points[(k + 1) % nb]);
        bool atVertex = false;
        for (size_t m = 0; m < na; ++m) {
            const double dx = a.points[m].x - point.x, dy = a.points[m].y - point.y;
            if (std::abs(dx) < kGeomTolerance && std::abs(dy) < kGeomTolerance &&
                dx * dx + dy * dy < kGeomTolerance * kGeomTolerance) {
                const Dir2 pa = UnitFrom(a.points[(m + na - 1) % na], a.points[m]);
                const Dir2 nextA = UnitFrom(a.points[m], a.points[(m + 1) % na]);
                if (InCorner(pa, nextA, pb, orientation) || InCorner(pa, nextA, nextB, orientation))
                    return true;
                atVertex = true;
                break;
            }
        }
        if (atVertex)
            continue;
        for (size_t m = 0; m < na; ++m) {
            const CPoint2d& s = a.points[m];
            const CPoint2d& e = a.points[(m + 1) % na];
            const double ex = e.x - s.x, ey = e.y - s.y;
            const double lengthSquared = ex * ex + ey * ey;
            if (lengthSquared <= orbisk::geometry::kZeroLengthSquared)
                continue;
            const double t = ((point.x - s.x) * ex + (point.y - s.y) * ey) / lengthSquared;
            const double fx = s.x + t * ex - point.x, fy = s.y + t * ey - point.y;
            if (t <= 0.0 || t >= 1.0 || fx * fx + fy * fy >= kGeomTolerance * kGeomTolerance)
                continue;
            const Dir2 ea = UnitFrom(s, e);
            if (TurnsInto(ea, pb, orientation) || TurnsInto(ea, nextB, orientation))
                return true;
            break;
        }
    }
    return false;
}

bool SegmentsCross(const CPoint2d& p0, const CPoint2d& p1, const CPoint2d& q0, const CPoint2d& q1)
{
    double t = 0.0;
    return IntersectSegments2d({p0.x, p0.y, 0}, {p1.x, p1.y, 0}, {q0.x, q0.y, 0}, {q1.x, q1.y, 0}, t);
}

bool EdgesCross(const CPolygon2d& a, const CPolygon2d& b)
{
    const size_t na = a.points.size(), nb = b.points.size();
    if (na < 2 || nb < 2)
        return false;
    for (size_t m = 0; m < na; ++m) {
        const CPoint2d& p0 = a.points[m];
        const CPoint2d& p1 = a.points[(m + 1) % na];
        const int x0 = ClassifyInInterval(p0.x, 0, b.box.x), x1 = ClassifyInInterval(p1.x, 0, b.box.x);
        const int y0 = ClassifyInInterval(p0.y, 0, b.box.y), y1 = ClassifyInInterval(p1.y, 0, b.box.y);
        if ((x0 != 0 && x0 == x1) || (y0 != 0 && y0 == y1))
            continue;
        for (size_t k = 0; k < nb; ++k) {
            if (SegmentsCross(p0, p1, b.points[k], b.points[(k + 1) % nb]))
                return true;
        }
    }
    return false;
}

double OverlapLength(const CInterval1d& a, const CInterval1d& b)
{
    return CInterval1d::Intersection(a, b).GetLength();
}

// The twelve edges of a box as pairs of corner indices.
constexpr int kBoxEdges[12][2] = {{0, 1}, {2, 3}, {0, 2}, {1, 3}, {4, 5}, {6, 7},
                                  {4, 6}, {5, 7}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};

// ---------------------------------------------------------------------------------------
// Depth sort.

struct DepthSortItem {
    CDrawingElement* entity = nullptr;
    // Window x and y in pixels, z the window depth from 0 (near) to 1 (far).
    CBoundingBox3d box;
    uint8_t reversed = 0;
    uint8_t clipped = 0;
    uint8_t moved = 0;
};

class CSimpleNNSSort : public CTransSortImpl {
public:
    CSimpleNNSSort(int capacity, IModelView* view);
    void Add(CFace* face, CDrawingElement* other) override;
    void Draw(IModelView* view) override;

private:
    bool IsFrontFacing(const CPlane3d& plane) const;
    void FaceWindowBox(const CFace* face, DepthSortItem& item) const;
    void InstanceWindowBox(const CComponentInstance* instance, DepthSortItem& item) const;
    bool IsInterrupted() const { return view->IsDrawingSuppressed(); }
    int CompareItems(int i, int j) const;

    // The face a record stands for (an image's own face) with the transformation that places it.
    const CFace* RecordFace(const DepthSortItem& item, CTransform3d& transform) const;
    CPlane3d ItemPlane(const DepthSortItem& item) const;
    bool RecordBox(const DepthSortItem& item, CBoundingBox3d& box, CTransform3d& transform) const;

    int CompareFacePlanes(int i, int j) const;
    int LoopSideOfPlane(const CFace* face, const CTransform3d& transform, const CPlane3d& plane) const;
    int CompareBoxes(int i, int j) const;
    int EyeCode(const CTransform3d& transform, const CBoundingBox3d& box) const;
    bool AnyCornerBeyond(const CBoundingBox3d& box, int eye, const CBoundingBox3d& other,
                         const CTransform3d& otherToBox) const;
    int CompareFaceAndBox(int f, int k, bool swapped) const;
    bool FaceInsideBox(const CFace* face, const CTransform3d& transform, const CBoundingBox3d& box,
                       int defaults) const;
    bool BoxOverlapsFaceOutline(int f, int k) const;
    CPolygon2d ProjectOutline(const CFace* face, const CTransform3d& transform, bool clipped) const;
    bool ProjectionsOverlap(int i, int j) const;

    std::vector<DepthSortItem> records;
    int capacity;
    IModelView* view;
    CPlane3d nearPlane{0, 0, 1, 0};
};

CSimpleNNSSort::CSimpleNNSSort(int capacity, IModelView* view)
    : CTransSortImpl(view), capacity(std::max(0, capacity)), view(view)
{
    records.reserve(static_cast<size_t>(this->capacity));
    const CViewDefinition* definition = view ? view->GetViewDefinition() : nullptr;
    if (!definition)
        return;
    const CCamera& camera = definition->GetCamera();
    const CUnitVector3d direction = camera.GetDirection();
    nearPlane =
        ToDrawing(CPlane3d(camera.GetEye() + CVector3d(direction) * definition->GetNear(), direction));
}

bool CSimpleNNSSort::IsFrontFacing(const CPlane3d& plane) const
{
    if (perspective)
        return plane.SignedDistance(eyePoint) > 0.0;
    return eyePlane.GetNormal().Dot(plane.GetNormal()) < 0.0;
}

void CSimpleNNSSort::FaceWindowBox(const CFace* face, DepthSortItem& item) const
{
    item.box.SetEmpty();
    const CBoundingBox3d bounds = face->GetBounds();
    if (bounds.IsEmpty())
        return;
    const double a = bounds.GetDiagonal();
    const double b = nearPlane.SignedDistance(bounds.GetCenter());
    if (b < -0.5 * a)
        return;
    if (b > 0.5 * a) {
        CFaceBounds visitor(view, item.box);
        WalkOuterLoop(face, visitor);
        return;
    }
    CFacePolygon polygon(face, view, true);
    bool cut = false;
    if (!polygon.ClipToPlane(nearPlane, &cut) || polygon.GetLoopCount() == 0)
        return;
    item.clipped = cut ? 1 : 0;
    for (int k = polygon.GetLoopVertexCount(0) - 1; k >= 0; --k) {
        CPoint3d window;
        if (view->ModelToScreen(polygon.GetLoopPoint(0, k), window))
            item.box.Add(window);
    }
}

void CSimpleNNSSort::InstanceWindowBox(const CComponentInstance* instance, DepthSortItem& item) const
{
    item.box.SetEmpty();
    const CComponentDefinition* definition = instance->GetDefinition();
    if (!definition)
        return;
    const CBoundingBox3d box = definition->GetBounds();
    if (box.IsEmpty())
        return;
    const CTransform3d& transform = instance->GetTransform();
    for (const auto& edge : kBoxEdges) {
        const CPoint3d from = transform.MultiplyPoint(box.GetCorner(edge[0]));
        const CPoint3d to = transform.MultiplyPoint(box.GetCorner(edge[1]));
        CLine3d line(from, to);
        if (!line.ClipToPlane(nearPlane))
            continue;
        CPoint3d start, end;
        line.GetStartPoint(start);
        line.GetEndPoint(end);
        if (!item.clipped && (!start.IsEqual(from, kGeomTolerance) || !end.IsEqual(to, kGeomTolerance)))
            item.clipped = 1;
        CPoint3d window;
        if (view->ModelToScreen(start, window))
            item.box.Add(window);
        if (view->ModelToScreen(end, window))
            item.box.Add(window);
    }
}

void CSimpleNNSSort::Add(CFace* face, CDrawingElement* other)
{
    if (static_cast<int>(records.size()) >= capacity)
        return;
    DepthSortItem item;
    if (face) {
        item.entity = face;
        item.reversed = IsFrontFacing(face->GetPlane()) ? 1 : 0;
        FaceWindowBox(face, item);
    } else {
        auto* instance = dynamic_cast<CComponentInstance*>(other);
        if (!instance)
            return;
        item.entity = instance;
        InstanceWindowBox(instance, item);
        if (instance->GetEntityType() == kEntityImage) {
            const CTransform3d& placement = instance->GetTransform();
            item.reversed = IsFrontFacing(CPlane3d(placement.GetOrigin(), placement.GetZAxis())) ? 1 : 0;
        }
    }
    if (item.box.x.IsEmpty())
        return;
    records.push_back(item);
}

const CFace* CSimpleNNSSort::RecordFace(const DepthSortItem& item, CTransform3d& transform) const
{
    transform = CTransform3d();
    const int type = item.entity->GetEntityType();
    if (type == kEntityFace)
        return static_cast<const CFace*>(item.entity);
    if (type == kEntityImage) {
        const auto* image = static_cast<const CImage*>(item.entity);
        transform = image->GetTransform();
        return image->GetFace();
    }
    return nullptr;
}

CPlane3d CSimpleNNSSort::ItemPlane(const DepthSortItem& item) const
{
    CPlane3d plane{0, 0, 1, 0};
    const int type = item.entity->GetEntityType();
    if (type == kEntityFace) {
        plane = static_cast<const CFace*>(item.entity)->GetPlane();
    } else if (type == kEntityImage) {
        const CTransform3d& placement = static_cast<const CImage*>(item.entity)->GetTransform();
        plane = CPlane3d(placement.GetOrigin(), placement.GetZAxis());
    }
    if (item.reversed)
        plane.Reverse();
    return plane;
}

bool CSimpleNNSSort::RecordBox(const DepthSortItem& item, CBoundingBox3d& box, CTransform3d& transform) const
{
    const auto* instance = dynamic_cast<const CComponentInstance*>(item.entity);
    const CComponentDefinition* definition = instance ? instance->GetDefinition() : nullptr;
    if (!definition)
        return false;
    box = definition->GetBounds();
    transform = instance->GetTransform();
    return !box.IsEmpty();
}

int CSimpleNNSSort::CompareItems(int i, int j) const
{
    const int ti = records[static_cast<size_t>(i)].entity->GetEntityType();
    const int tj = records[static_cast<size_t>(j)].entity->GetEntityType();
    const auto faceLike = [](int type) { return type == kEntityFace || type == kEntityImage; };
    const auto boxLike = [](int type) {
        return type == kEntityImage || type == kEntityComponentInstance || type == kEntityGroup;
    };
    if (faceLike(ti) && faceLike(tj))
        return CompareFacePlanes(i, j);
    if (ti == kEntityFace && boxLike(tj))
        return CompareFaceAndBox(i, j, false);
    if (boxLike(ti) && boxLike(tj))
        return CompareBoxes(i, j);
    if (boxLike(ti) && tj == kEntityFace)
        return CompareFaceAndBox(j, i, true);
    return 0;
}

int CSimpleNNSSort::LoopSideOfPlane(const CFace* face, const CTransform3d& transform,
                                    const CPlane3d& plane) const
{
    CIsLoopAbovePlane visitor(plane, transform);
    WalkOuterLoop(face, visitor);
    return visitor.side;
}

int CSimpleNNSSort::CompareFacePlanes(int i, int j) const
{
    const DepthSortItem& ri = records[static_cast<size_t>(i)];
    const DepthSortItem& rj = records[static_cast<size_t>(j)];
    CTransform3d ti, tj;
    const CFace* fi = RecordFace(ri, ti);
    const CFace* fj = RecordFace(rj, tj);
    if (!fi || !fj)
        return 0;
    const CPlane3d pi = ItemPlane(ri), pj = ItemPlane(rj);
    const CVector3d ni = pi.GetNormal(), nj = pj.GetNormal();
    if (ni.IsEqual(nj, kGeomTolerance)) {
        const double x = pi.SignedDistance(pj.ProjectPoint(CPoint3d()));
        if (std::abs(x) >= kGeomTolerance && x > 0.0)
            return ProjectionsOverlap(i, j) ? -1 : 1;
        return 1;
    }
    if (ni.IsEqual(-nj, kGeomTolerance))
        return 1;
    const int si = LoopSideOfPlane(fi, ti, pj);
    if (si <= 0) {
        const int sj = LoopSideOfPlane(fj, tj, pi);
        if (sj >= 0 && ProjectionsOverlap(i, j))
            return (si == 0 && sj == 0) || rj.moved ? 0 : -1;
    }
    return 1;
}

int CSimpleNNSSort::EyeCode(const CTransform3d& transform, const CBoundingBox3d& box) const
{
    const CTransform3d toBox = transform.Inverse();
    if (perspective)
        return RegionCode(toBox.MultiplyPoint(eyePoint), box);
    return RegionCode(toBox.MultiplyPlane(eyePlane).ProjectPoint(box.GetCenter()), box);
}

bool CSimpleNNSSort::AnyCornerBeyond(const CBoundingBox3d& box, int eye, const CBoundingBox3d& other,
                                     const CTransform3d& otherToBox) const
{
    const int defaults = RegionCode(otherToBox.MultiplyPoint(other.GetCenter()), box);
    for (int corner = 0; corner < 8; ++corner) {
        const int code = RegionCode(otherToBox.MultiplyPoint(other.GetCorner(corner)), box, defaults);
        if (IsBeyond(eye, code, perspective))
            return true;
    }
    return false;
}

int CSimpleNNSSort::CompareBoxes(int i, int j) const
{
    CBoundingBox3d bi, bj;
    CTransform3d ti, tj;
    if (!RecordBox(records[static_cast<size_t>(i)], bi, ti) ||
        !RecordBox(records[static_cast<size_t>(j)], bj, tj))
        return 0;
    const CTransform3d jToI = ti.Inverse() * tj;
    const CTransform3d iToJ = jToI.Inverse();
    const bool overlap = bi.Intersects(jToI.MultiplyBox(bj)) && bj.Intersects(iToJ.MultiplyBox(bi));
    const int ei = EyeCode(ti, bi);
    if (!overlap)
        return AnyCornerBeyond(bi, ei, bj, jToI) ? -1 : 1;
    const int ej = EyeCode(tj, bj);
    const int ci = RegionCode(iToJ.MultiplyPoint(bi.GetCenter()), bj);
    const int cj = RegionCode(jToI.MultiplyPoint(bj.GetCenter()), bi);
    if (IsBeyond(ej, ci, perspective))
        return 1;
    if (cj & ei)
        return 1;
    if (ci & ej)
        return -1;
    if (IsBeyond(ei, cj, perspective))
        return -1;
    return 0;
}

bool CSimpleNNSSort::FaceInsideBox(const CFace* face, const CTransform3d& transform,
                                   const CBoundingBox3d& box, int defaults) const
{
    const CTransform3d toBox = transform.Inverse();
    CFaceInsideBbox visitor(toBox, box, defaults);
    WalkOuterLoop(face, visitor);
    if (visitor.found)
        return true;
    CFacePointClassifier classifier(face);
    const CPlane3d& plane = face->GetPlane();
    for (int corner = 0; corner < 8; ++corner) {
        const CPoint3d placed = plane.ProjectPoint(transform.MultiplyPoint(box.GetCorner(corner)));
        if (classifier.ClassifyPoint(placed) == CFacePointClassifier::kInside)
            return true;
    }
    return false;
}

int CSimpleNNSSort::CompareFaceAndBox(int f, int k, bool swapped) const
{
    const DepthSortItem& rf = records[static_cast<size_t>(f)];
    CTransform3d faceTransform;
    const CFace* face = RecordFace(rf, faceTransform);
    CBoundingBox3d box;
    CTransform3d transform;
    if (!face || !RecordBox(records[static_cast<size_t>(k)], box, transform))
        return 0;

    const CPlane3d plane = ItemPlane(rf);
    bool positive = false, negative = false;
    for (int corner = 0; corner < 8; ++corner) {
        const double value = plane.SignedDistance(transform.MultiplyPoint(box.GetCorner(corner)));
        if (std::abs(value) < kGeomTolerance)
            continue;
        (value > 0.0 ? positive : negative) = true;
    }
    const bool straddles = positive && negative;
    const int side = straddles ? 0 : positive ? 1 : negative ? -1 : 0;
    if ((!straddles && side == 0) || side == (swapped ? 1 : -1))
        return 1;

    const CTransform3d toBox = transform.Inverse();
    const CPoint3d faceCentre = face->GetBounds().GetCenter();
    const int defaults = RegionCode(toBox.MultiplyPoint(faceCentre), box);
    if (straddles && FaceInsideBox(face, transform, box, defaults)) {
        const double df = DepthDistance(faceCentre);
        const double db = DepthDistance(transform.MultiplyPoint(box.GetCenter()));
        const int r = df > db ? 1 : df < db ? -1 : 0;
        return swapped ? -r : r;
    }
    CFaceBboxTest reach(toBox, box, EyeCode(transform, box), defaults, perspective != 0, swapped);
    WalkOuterLoop(face, reach);
    if (!reach.found)
        return 1;
    return BoxOverlapsFaceOutline(f, k) ? -1 : 1;
}

bool CSimpleNNSSort::BoxOverlapsFaceOutline(int f, int k) const
{
    const DepthSortItem& rf = records[static_cast<size_t>(f)];
    const DepthSortItem& rk = records[static_cast<size_t>(k)];
    CTransform3d faceTransform;
    const CFace* face = RecordFace(rf, faceTransform);
    CBoundingBox3d box;
    CTransform3d transform;
    if (!face || !RecordBox(rk, box, transform))
        return false;
    const CPolygon2d outline = ProjectOutline(face, CTransform3d(), rf.clipped != 0);
    if (outline.points.empty())
        return false;
    const auto hits = [&](const CPoint3d& point) {
        CPoint3d window;
        if (!view->ModelToScreen(point, window))
            return false;
        const int where = outline.Classify({window.x, window.y});
        return where == orbisk::geometry::kInsidePolygon || where == orbisk::geometry::kOnPolygonEdge ||
               where == orbisk::geometry::kOnPolygonVertex;
    };
    if (rk.clipped) {
        for (const auto& edge : kBoxEdges) {
            CLine3d line(transform.MultiplyPoint(box.GetCorner(edge[0])),
                         transform.MultiplyPoint(box.GetCorner(edge[1])));
            if (!line.ClipToPlane(nearPlane))
                continue;
            CPoint3d start, end;
            line.GetStartPoint(start);
            line.GetEndPoint(end);
            if (hits(start) || hits(end))
                return true;
        }
        return false;
    }
    for (int corner = 0; corner < 8; ++corner) {
        if (hits(transform.MultiplyPoint(box.GetCorner(corner))))
            return true;
    }
    return false;
}

CPolygon2d CSimpleNNSSort::ProjectOutline(const CFace* face, const CTransform3d& transform,
                                          bool clipped) const
{
    CPolygon2d outline;
    if (!clipped) {
        CFaceProjector projector(transform, view, outline);
        WalkOuterLoop(face, projector);
        return outline;
    }
    CFacePolygon polygon(face, view, true);
    if (!polygon.ClipToPlane(transform.Inverse().MultiplyPlane(nearPlane)) || polygon.GetLoopCount() == 0)
        return outline;
    const int count = polygon.GetLoopVertexCount(0);
    if (count <= 2)
        return outline;
    for (int k = 0; k < count; ++k) {
        CPoint3d window;
        if (view->ModelToScreen(transform.MultiplyPoint(polygon.GetLoopPoint(0, k)), window))
            outline.AddPoint({window.x, window.y});
    }
    return outline;
}

bool CSimpleNNSSort::ProjectionsOverlap(int i, int j) const
{
    const DepthSortItem& ri = records[static_cast<size_t>(i)];
    const DepthSortItem& rj = records[static_cast<size_t>(j)];
    CTransform3d ti, tj;
    const CFace* fi = RecordFace(ri, ti);
    const CFace* fj = RecordFace(rj, tj);
    if (!fi || !fj)
        return false;
    const CPolygon2d a = ProjectOutline(fi, ti, ri.clipped != 0);
    const CPolygon2d b = ProjectOutline(fj, tj, rj.clipped != 0);
    return VertexInside(a, !ri.reversed, b) || VertexInside(b, !rj.reversed, a) || EdgesCross(a, b);
}

void CSimpleNNSSort::Draw(IModelView* drawView)
{
    if (IsInterrupted())
        return;
    std::sort(records.begin(), records.end(), [](const DepthSortItem& a, const DepthSortItem& b) {
        if (a.box.z.max != b.box.z.max)
            return a.box.z.max < b.box.z.max;
        return a.box.z.min < b.box.z.min;
    });

    // From the record reaching farthest back forwards: a nearer record that must be drawn
    // before it takes its place. A record moves at most once, which ends cyclic overlaps.
    int i = static_cast<int>(records.size()) - 1;
    bool fresh = true;
    while (i >= 1) {
        const int first = fresh ? i - 1 : i - 2;
        fresh = true;
        bool moved = false;
        for (int j = first; j >= 0; --j) {
            if (IsInterrupted())
                return;
            const DepthSortItem& ri = records[static_cast<size_t>(i)];
            const DepthSortItem& rj = records[static_cast<size_t>(j)];
            if (!rj.moved && rj.box.z.max < ri.box.z.min)
                break;
            if (OverlapLength(ri.box.x, rj.box.x) < kGeomTolerance ||
                OverlapLength(ri.box.y, rj.box.y) < kGeomTolerance)
                continue;
            if (CompareItems(i, j) != -1 || rj.moved)
                continue;
            DepthSortItem item = rj;
            item.moved = 1;
            records.erase(records.begin() + j);
            records.insert(records.begin() + i, item);
            fresh = false;
            moved = true;
            break;
        }
        if (!moved)
            --i;
    }

    for (auto it = records.rbegin(); it != records.rend(); ++it) {
        if (drawView->IsDrawingSuppressed())
            return;
        it->entity->Draw(drawView);
    }
}

}  // namespace

CTransparencySorter::CTransparencySorter() = default;
CTransparencySorter::~CTransparencySorter() = default;

void CTransparencySorter::Init(int mode, int capacity, IModelView* view)
{
    strategy.reset();
    if (mode == 1)
        strategy = std::make_unique<CBboxCenterSort>(capacity, view);
    else if (mode == 2)
        strategy = std::make_unique<CSimpleNNSSort>(capacity, view);
}

void CTransparencySorter::Add(CFace* face, CDrawingElement* other)
{
    if (strategy && (face || other))
        strategy->Add(face, other);
}

void CTransparencySorter::Draw(IModelView* view)
{
    if (strategy && view)
        strategy->Draw(view);
}
