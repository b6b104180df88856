#pragma once
// CDimensionLinear: the distance between two points of the model (entity type 13), each held by
// a reference point that follows the geometry it sits on. The dimension line runs parallel to
// the measured direction in the dimension's plane, at the Y offset from the measured points;
// extension lines lead from the points to it, and the text sits on it, above or below it, or
// beyond one of its ends (the sign of the X offset).
//
// The dimension's frame: x axis the stored x axis (type 1), turned a quarter (type 2) or turned
// towards the second point (type 0); z axis the normal; origin the first point.

#include <cstdint>

#include "components/Dimension.h"
#include "components/ReferencePoint.h"

class CDimensionLinear : public CDimension {
    DECLARE_SERIAL(CDimensionLinear)
public:
    enum DimensionType : int32_t { kAligned = 0, kAlongXAxis = 1, kAcrossXAxis = 2 };

    CDimensionLinear() = default;
    // Every member, the reference points as copies.
    CDimensionLinear(const CDimensionLinear& other);
    CDimensionLinear& operator=(const CDimensionLinear&) = delete;

    // Schemas 0 to 6; after reading, the dimension registers as a referrer of its anchors.
    void Serialize(CArchive& ar) override;
    bool CollectWithDependents(CEntitySet& set) override;
    CEntity* CreateCopy() const override;
    void SwapContents(CEntity& other) override;
    void OnReferencedEntityEvent(int kind, CEntity* entity, void* data) override;
    void OnChange() override;
    void OnErase() override;
    void ForgetSharedParts() override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityDimensionLinear; }
    void AddBoundsTransformed(const CTransform3d& transform, CBoundingBox3d& box) const override;
    // 1 hit, 0 missed, 2 a measured point is cut away by the section planes (the dimension is
    // shown whole or not at all).
    int PickInside(IPickHelper* picker) override;

    bool RefersTo(const CEntity* entity) const override;
    void AddReferencedEntities(CEntitySet& set, bool includeFirst) const override;
    void ReplaceReference(CEntity* oldEntity, CEntity* newEntity) override;
    void TransformWithMode(const CTransform3d& transform, int kind, int mode) override;
    void ApplyStyle(CDimensionStyle* style) override;
    void GetTextPosition(IModelView* view, CPoint3d& anchor, int& alignment, int& justification) override;
    CPlane3d GetPlane() const override;
    CPoint3d GetLocation() const override;
    void PrepareCopy(const CEntitySet& set, bool markOnly) override;
    void OnEntitiesGrouped(const CEntitySet& set, CDrawingElement* instance) override;
    void OnInstanceExploded(CDrawingElement* instance, const CMapPtrToPtr* map) override;
    // False while either end is a free point.
    bool IsAssociated() const override;
    // The length of the dimension line, as the enclosing instances scale it.
    CString GetMeasurementText(IModelView* view) override;
    int GetScreenSize(IModelView* view) override;
    // Extension lines, the dimension line (broken around text that sits on it), its arrow heads,
    // a leader to text beyond an end, and the text; nothing while a section plane cuts away a
    // measured point.
    void DrawGeometry(IModelView* view, bool draw) override;
    // Whether the picker hits the text where GetTextPosition puts it.
    int PickText(IPickHelper* picker);

    CTransform3d GetBaseFrame() const;
    CTransform3d GetFrame() const;
    // p0, p1 the measured points in the plane, p2, p3 the ends of the dimension line, p4, p5 the
    // measured points with their heights above the plane; all in the frame, which is given too.
    void GetDimensionPoints(CPoint3d (&points)[6], CTransform3d& frame) const;
    // The middle of the line, or one text height before its start (X offset < 0) or beyond its
    // end (> 0).
    CPoint3d GetTextAnchor(const CPoint3d& start, const CPoint3d& end, IModelView* view) const;
    // The directions of the extension lines from the measured points; true when the dimension
    // line lies on the same side of both (also when it runs through them: zero directions).
    static bool GetExtensionDirections(double yOffset, const CPoint3d& p0, const CPoint3d& p1, CVector3d& d1,
                                       CVector3d& d2);
    // Where the text goes, in the coordinates of the points given; true when it sits on the
    // line (which then breaks around it).
    bool PlaceText(IModelView* view, const CPoint3d& anchor, const CPoint3d& start, const CPoint3d& end,
                   bool sameSide, CPoint3d& textPoint, int& alignment) const;

    CReferencePoint& GetPoint(int which) { return which == 0 ? m_point1 : m_point2; }
    const CReferencePoint& GetPoint(int which) const { return which == 0 ? m_point1 : m_point2; }
    const CVector3d& GetNormal() const { return m_normal; }
    const CVector3d& GetXAxis() const { return m_xAxis; }
    int32_t GetDimensionType() const { return m_type; }
    double GetYOffset() const { return m_yOffset; }
    double GetXOffset() const { return m_xOffset; }
    int32_t GetTextPlacement() const { return m_textPosition; }

    // Each with a change notice when the value differs; the points with the back references.
    void SetPoints(const CReferencePoint& first, const CReferencePoint& second);
    void SetAxes(const CVector3d& normal, const CVector3d& xAxis);
    void SetDimensionType(int32_t type);
    void SetOffsets(double xOffset, double yOffset);
    void SetTextPlacement(int32_t position);

private:
    void ReadRecord(CArchive& ar, int32_t version);
    void WriteRecord(CArchive& ar);
    int CheckOwnValidity(int level, CCheckedObjectMap* map);
    // The position of a reference point, which the point caches.
    CPoint3d PositionOf(const CReferencePoint& point) const;

    // Mutable: asking a reference point for its position refreshes its cache.
    mutable CReferencePoint m_point1;
    mutable CReferencePoint m_point2;
    CVector3d m_normal{0.0, 0.0, 1.0};
    CVector3d m_xAxis{1.0, 0.0, 0.0};
    int32_t m_type = kAligned;
    double m_yOffset = 0.0;
    double m_xOffset = 0.0;
    int32_t m_textPosition = 1;
};
