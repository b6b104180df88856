#pragma once
// CPolyline3d: a free-standing chain of 3D points drawn as connected segments. It has no
// topology (no vertices, faces or curve); fewer than two points leave it valid but never drawn
// or picked.
//
// Record: the drawing element part, a 32-bit count and count points (three doubles each). A
// count that is negative or larger than the bytes left can hold fails the record.

#include <utility>
#include <vector>

#include "database/DrawingElement.h"
#include "geometry/Plane3d.h"
#include "geometry/Point3d.h"

class CPolyline3d : public CDrawingElement {
    DECLARE_SERIAL(CPolyline3d)
public:
    using CPoint3d = orbisk::geometry::CPoint3d;

    CPolyline3d() = default;
    explicit CPolyline3d(std::vector<CPoint3d> points) : m_points(std::move(points)) {}
    CPolyline3d(const CPolyline3d& other) = default;
    CPolyline3d& operator=(const CPolyline3d&) = delete;

    void Serialize(CArchive& ar) override;
    void Transform(const orbisk::geometry::CTransform3d& transform) override;
    CEntity* CreateCopy() const override;
    void SwapContents(CEntity& other) override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityPolyline3d; }

    // The chain as a line strip in the element's colour, dashed while hidden; lighting off.
    void Draw(IModelView* view) override;
    // The segment nearest the local pick ray within the pick tolerance: both outputs the distance
    // along the ray to its nearest point; false with both 0 when no segment comes that near.
    bool Pick(IPickHelper* picker, double& depth, double& distance) override;
    void AddBoundsTransformed(const orbisk::geometry::CTransform3d& transform,
                              CBoundingBox3d& box) const override;
    void AddScreenBounds(CBoundingBox3d& box, IModelView* view) const override;
    void AddBounds(CBoundingBox3d& box) const override;
    // Point picks test the segments, window and extents picks the points of the chain clipped
    // as a closed polygon by the section planes (2 when nothing is left).
    int PickInside(IPickHelper* picker) override;
    // Only when the visitor wants edges; always true.
    bool Accept(IEntityExportVisitor* visitor) override;

    const std::vector<CPoint3d>& GetPoints() const { return m_points; }
    int GetPointCount() const { return static_cast<int>(m_points.size()); }

private:
    void ReadRecord(CArchive& ar);
    void WriteRecord(CArchive& ar) const;
    int CheckOwnValidity(int level);

    std::vector<CPoint3d> m_points;
};

// One step of clipping a closed polygon by a plane: keeps the part where the plane value is
// above -0.001, inserting the crossing points; a point equal to its predecessor (within 0.001)
// counts once. False when nothing remains.
bool ClipPointPolygonToPlane(std::vector<orbisk::geometry::CPoint3d>& points,
                             const orbisk::geometry::CPlane3d& plane);
