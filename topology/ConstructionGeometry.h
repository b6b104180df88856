#pragma once
// CConstructionGeometry: the common base of guides, the construction aids a modeller places to
// line up geometry (CConstructionLine, CConstructionPoint). Guides live in a component's entity
// list like edges, draw dashed in the guide colour, hide as a class when the options hide
// guides, and never carry a material: one read with a record is given back at once.

#include "database/DrawingElement.h"
#include "geometry/Point3d.h"
#include "geometry/Ray3d.h"

class CConstructionGeometry : public CDrawingElement {
    DECLARE_SERIAL(CConstructionGeometry)
public:
    using CPoint3d = orbisk::geometry::CPoint3d;

    CConstructionGeometry() = default;
    CConstructionGeometry(const CConstructionGeometry& other) = default;
    CConstructionGeometry& operator=(const CConstructionGeometry&) = delete;

    // The drawing element part; a material it named loses this use and is dropped.
    void Serialize(CArchive& ar) override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityConstructionGeometry; }
    // The element's visibility, and the view's options do not hide guides.
    bool IsVisible(IModelView* view) override;
    bool AcceptsMaterial() const override { return false; }
    // The selection colours when selected (or on a selected path), else the layer's colour when
    // the options colour by layer, else the guide colour; halfway to the background when hidden.
    CColor GetColorForView(IModelView* view) override;

    // Moves the guide (its origin, or its position); nothing in the base.
    virtual void SetPosition(const CPoint3d& point);

protected:
    void SerializeGuidePart(CArchive& ar);
};

// For the ray picks of guides: the point lies within 0.001 of the line through the ray, not
// behind its origin, and not beyond its end when it has one (end = the end parameter).
bool IsPointOnRayWithin(const orbisk::geometry::CPoint3d& point, const orbisk::geometry::CRay3d& ray,
                        double end);
