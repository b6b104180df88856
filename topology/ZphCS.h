#pragma once
// CZphCS: drawing axes, an origin with three unit axes (x red, y green, z blue). The model owns
// one, scenes keep copies, and every component keeps its own as a CComponentCS. Other code reads
// them as a transformation (axes as matrix columns, origin as translation) or one axis at a time.
//
// Axes never carry a material or a layer. Record: the drawing element part, the origin and the
// three axes (three doubles each, the axes normalised). A drawing element part that fails to
// read, or a zero axis, leaves the default frame: a model with damaged axes still opens.
//
// Transformations that would make the frame other than orthonormal and right-handed (scales,
// shears, mirrors) are ignored.

#include "database/DrawingElement.h"
#include "geometry/Point3d.h"
#include "geometry/Transform3d.h"
#include "geometry/UnitVector3d.h"

class CZphCS : public CDrawingElement {
    DECLARE_SERIAL(CZphCS)
public:
    using CPoint3d = orbisk::geometry::CPoint3d;
    using CUnitVector3d = orbisk::geometry::CUnitVector3d;
    using CTransform3d = orbisk::geometry::CTransform3d;

    // Origin (0, 0, 0) and the unit axes along x, y and z; no material, no layer.
    CZphCS();
    // The drawing element state, origin and axes; no material.
    CZphCS(const CZphCS& other);
    CZphCS& operator=(const CZphCS&) = delete;

    void Serialize(CArchive& ar) override;
    // Only orthonormal, non-mirroring transformations; others leave the axes as they are.
    void Transform(const CTransform3d& transform) override;
    // A plain CZphCS, also for the axes of a component.
    CEntity* CreateCopy() const override;
    void SwapContents(CEntity& other) override;
    // 1 for a problem left unrepaired: a non-finite origin or an axis that is not a unit vector.
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityCoordinateSystem; }

    // Six half-lines from the origin to the edge of the view, lit off: the positive halves solid,
    // the negative ones dotted, x red, y green, z blue. Nothing in item-buffer drawing.
    void Draw(IModelView* view) override;
    // The nearest of the three infinite axis lines along the local pick ray.
    bool Pick(IPickHelper* picker, double& depth, double& distance) override;
    // The own hidden flag only: layers and the view play no part.
    bool IsHidden(IModelView* view) override;
    // Point picks only: the axes' points nearest the pick ray, tested in the order x, y, z.
    int PickInside(IPickHelper* picker) override;
    bool AcceptsMaterial() const override { return false; }
    // The axes stay: nothing is erased.
    bool EraseFrom(CEntity* component) override;

    const CPoint3d& GetOrigin() const { return m_origin; }
    const CUnitVector3d& GetXAxis() const { return m_xAxis; }
    const CUnitVector3d& GetYAxis() const { return m_yAxis; }
    const CUnitVector3d& GetZAxis() const { return m_zAxis; }
    // 1 the y axis, 2 the z axis, any other value the x axis.
    const CUnitVector3d& GetAxis(int index) const;

    // With a change notice.
    void SetFrame(const CPoint3d& origin, const CUnitVector3d& x, const CUnitVector3d& y,
                  const CUnitVector3d& z);
    // Without a change notice: scenes and the model copy axes this way.
    void CopyFrame(const CZphCS& other);
    // The default frame, with a change notice.
    void Reset();
    CTransform3d GetTransform() const;
    // The image of the origin and the transformation's matrix columns as unit axes.
    void SetFromTransform(const CTransform3d& transform);

private:
    void ReadRecord(CArchive& ar);
    void DropMaterialAndLayer();
    void SetDefaultFrame();
    int CheckOwnValidity(int level);

    CPoint3d m_origin;
    CUnitVector3d m_xAxis = CUnitVector3d::XAxis();
    CUnitVector3d m_yAxis = CUnitVector3d::YAxis();
    CUnitVector3d m_zAxis = CUnitVector3d::ZAxis();
};
