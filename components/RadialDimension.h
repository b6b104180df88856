#pragma once
// CDimensionRadial: the radius or diameter of a circular arc (entity type 14). It refers to the
// arc's edge, whose curve is a circular arc curve, and keeps a copy of the arc for when the edge
// is gone. A leader runs from a point outside (or inside) the circle to the arc, where the arrow
// sits; a diameter runs across the circle with an arrow at each end.
//
// The leader angle is in the circle's own parameter (radians); the leader position is a multiple
// of the radius from the centre when not negative, else that distance outside the circle.

#include <cstdint>

#include "components/Dimension.h"
#include "geometry/Arc3d.h"

class CEdge;

class CDimensionRadial : public CDimension {
    DECLARE_SERIAL(CDimensionRadial)
public:
    using CArc3d = orbisk::geometry::CArc3d;

    CDimensionRadial() = default;
    // Edge pointer, leader angle and position and the diameter flag; the default arc.
    CDimensionRadial(const CDimensionRadial& other);
    CDimensionRadial& operator=(const CDimensionRadial&) = delete;

    // Schemas 0 to 2: the arc follows only when the edge is null, with its y axis from schema 2
    // on. After reading, the dimension registers as a referrer of its edge.
    void Serialize(CArchive& ar) override;
    bool CollectWithDependents(CEntitySet& set) override;
    CEntity* CreateCopy() const override;
    void SwapContents(CEntity& other) override;
    void OnReferencedEntityEvent(int kind, CEntity* entity, void* data) override;
    void OnChange() override;
    void OnErase() override;
    void ForgetSharedParts() override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityDimensionRadial; }
    void AddBoundsTransformed(const CTransform3d& transform, CBoundingBox3d& box) const override;
    // 1 hit, 0 missed, 2 the arrow's point on the arc (either, for a diameter) is cut away by
    // the section planes.
    int PickInside(IPickHelper* picker) override;

    bool RefersTo(const CEntity* entity) const override;
    void AddReferencedEntities(CEntitySet& set, bool includeFirst) const override;
    void ReplaceReference(CEntity* oldEntity, CEntity* newEntity) override;
    void TransformWithMode(const CTransform3d& transform, int kind, int mode) override;
    void GetTextPosition(IModelView* view, CPoint3d& anchor, int& alignment, int& justification) override;
    CPlane3d GetPlane() const override;
    CPoint3d GetLocation() const override;
    void PrepareCopy(const CEntitySet& set, bool markOnly) override;
    void OnEntitiesGrouped(const CEntitySet& set, CDrawingElement* instance) override;
    bool IsAssociated() const override;
    // The radius or diameter as the enclosing instances scale it; "?" when a non-uniform scale
    // makes the circle an ellipse.
    CString GetMeasurementText(IModelView* view) override;
    int GetScreenSize(IModelView* view) override;
    // The leader (or the diameter line, broken around text that sits on it), the arrow heads,
    // the shoulder to the text and the text; nothing while a section plane cuts away an arrow's
    // point.
    void DrawGeometry(IModelView* view, bool draw) override;
    // Whether the picker hits the text where PlaceText puts it.
    int PickText(IPickHelper* picker);

    // Refreshed from the edge's arc curve while there is one.
    CArc3d GetArc() const;
    // The leader's outer end, its point on the arc and the opposite point.
    void GetLeaderPoints(CPoint3d& outer, CPoint3d& onArc, CPoint3d& opposite) const;
    // The text point, alignment and justification; true when a shoulder line leads to the text.
    bool PlaceText(IModelView* view, const CPoint3d& outer, const CPoint3d& onArc, const CPlane3d& plane,
                   CPoint3d& textPoint, int& alignment, int& justification) const;
    // The leader through a point: snap puts it at 1.5 radii (a diameter at the centre); without
    // keepRatio a point outside the circle keeps its distance from it.
    void SetLeaderFromPoint(const CPoint3d& point, bool snap, bool keepRatio);
    // Forgets the edge and keeps the cached arc.
    void Detach();

    CEdge* GetEdge() const { return m_edge; }
    // With the back references.
    void SetEdge(CEdge* edge);
    void SetArc(const CArc3d& arc) { m_arc = arc; }
    double GetLeaderAngle() const { return m_leaderAngle; }
    double GetLeaderPosition() const { return m_leaderPosition; }
    bool IsDiameter() const { return m_diameter; }
    // Each with a change notice when it differs.
    void SetLeader(double angle, double position);
    void SetDiameter(bool diameter);
    void SetDetachedOnSave(bool detached) { m_detachedOnSave = detached; }

private:
    void ReadRecord(CArchive& ar);
    void WriteRecord(CArchive& ar);
    int CheckOwnValidity(int level, CCheckedObjectMap* map);

    CEdge* m_edge = nullptr;
    // Mutable: asking for the arc refreshes it from the edge.
    mutable CArc3d m_arc;
    double m_leaderAngle = 0.0;
    double m_leaderPosition = 0.0;
    bool m_diameter = false;
    bool m_detachedOnSave = false;
};
