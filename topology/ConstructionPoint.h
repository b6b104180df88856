#pragma once
// CConstructionPoint: a guide point, a marked position, optionally with a dashed line back to the
// point it was measured from.
//
// Record: the guide part, the position, the from-position (three doubles each) and the
// from-line flag (one byte).

#include "database/ILinePick.h"
#include "geometry/Line3d.h"
#include "topology/ConstructionGeometry.h"

class CConstructionPoint : public CConstructionGeometry, public ILinePick {
    DECLARE_SERIAL(CConstructionPoint)
public:
    using CLine3d = orbisk::geometry::CLine3d;

    // Both positions at the origin, no from-line.
    CConstructionPoint() = default;
    CConstructionPoint(const CPoint3d& position, const CPoint3d& fromPosition, bool hasFromLine)
        : m_position(position), m_fromPosition(fromPosition), m_hasFromLine(hasFromLine)
    {}
    CConstructionPoint(const CConstructionPoint& other) = default;
    CConstructionPoint& operator=(const CConstructionPoint&) = delete;

    void Serialize(CArchive& ar) override;
    void Transform(const orbisk::geometry::CTransform3d& transform) override;
    CEntity* CreateCopy() const override;
    void SwapContents(CEntity& other) override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityConstructionPoint; }

    // A screen-aligned cross of 3-pixel arms at the position and, with a from-line, a dashed line
    // back to the from-position; both cut by the section planes. Not at all while the view is
    // below full detail or draws its item buffer.
    void Draw(IModelView* view) override;
    // The distance along the local pick ray to the position; always a hit.
    bool Pick(IPickHelper* picker, double& depth, double& distance) override;
    // The position only.
    void AddBoundsTransformed(const orbisk::geometry::CTransform3d& transform,
                              CBoundingBox3d& box) const override;
    void AddScreenBounds(CBoundingBox3d& box, IModelView* view) const override;
    void AddBounds(CBoundingBox3d& box) const override;
    // With a from-line the segment to the position, else the position: 0 not accepted, 2 cut
    // away by the section planes, else the picker's test.
    int PickInside(IPickHelper* picker) override;
    bool Accept(IEntityExportVisitor* visitor) override;
    void SetPosition(const CPoint3d& point) override;

    // The position, when it lies on the line within 0.001, not behind its start and not beyond
    // its end. False for a hidden guide when skipHidden.
    bool PickLine(const CLine3d& line, CPoint3d& point, bool skipHidden) override;

    const CPoint3d& GetPosition() const { return m_position; }
    const CPoint3d& GetFromPosition() const { return m_fromPosition; }
    bool HasFromLine() const { return m_hasFromLine; }

private:
    void DrawGuidePoint(IModelView* view);

    CPoint3d m_position;
    CPoint3d m_fromPosition;
    bool m_hasFromLine = false;
};
