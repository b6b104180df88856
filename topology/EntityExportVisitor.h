#pragma once
// IEntityExportVisitor: what a drawing element's Accept hands its geometry to. Edges send lines,
// arcs and polylines through the operations here, polylines their points, and guides their
// lines and points; the other element classes add the operations they send through.

#include <vector>

#include "geometry/Arc3d.h"
#include "geometry/Line3d.h"
#include "geometry/Point3d.h"
#include "support/Color.h"

class CLayer;

class IEntityExportVisitor {
public:
    using CColor = orbisk::utils::CColor;

    virtual ~IEntityExportVisitor() = default;

    virtual bool WantsEdges() = 0;
    // Each answers whether the export goes on.
    virtual bool AddLine(const orbisk::geometry::CPoint3d& start, const orbisk::geometry::CPoint3d& end,
                         CColor color, CLayer* layer) = 0;
    virtual bool AddArc(const orbisk::geometry::CArc3d& arc, CColor color, CLayer* layer) = 0;
    virtual bool AddPolyline(const std::vector<orbisk::geometry::CPoint3d>& points, CColor color,
                             CLayer* layer) = 0;

    // Guides go only to a visitor that wants them; a visitor that does not answers false here
    // and need not take them.
    virtual bool WantsGuides() { return false; }
    virtual bool AddGuideLine(const orbisk::geometry::CLine3d&, CColor, CLayer*) { return true; }
    virtual bool AddGuidePoint(const orbisk::geometry::CPoint3d&, CColor, CLayer*) { return true; }
};
