#pragma once
// CComponentCS: the axes of a component. A kind of drawing axes (CZphCS) with the same record,
// type code, run-time class, checks and picks; it adds how the component's axes show (their
// length in pixels, the glue cross, the depth test and the ribbons, CComponentAxes). A copy of
// it is a plain CZphCS.

#include "database/ComponentAxes.h"
#include "topology/ZphCS.h"

class CComponentCS : public CZphCS {
public:
    // size: the axis length in pixels; cross: glued components show a cross for z; depthTest
    // false draws the axes over everything; ribbons: flat ribbons towards the viewer, their
    // half-width ribbonRatio times the length.
    CComponentCS(int32_t size, bool cross, bool depthTest, bool ribbons,
                 double ribbonRatio = CComponentAxes::kDefaultRibbonRatio);
    // The model's own axes: size 0, no cross, depth-tested, lines.
    CComponentCS();

    // The three axes of the frame, their length the axis size in pixels; nothing for size 0 or
    // in item-buffer drawing.
    void Draw(IModelView* view) override;

    CComponentAxes& GetDisplay() { return m_display; }
    const CComponentAxes& GetDisplay() const { return m_display; }

private:
    CComponentAxes m_display;
};
