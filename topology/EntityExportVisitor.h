#pragma once
// IEntityExportVisitor: what a drawing element's Accept hands its geometry to. Edges send lines,
// arcs and polylines through the operations here; the other element classes add the operations
// they send through.

#include <vector>

#include "geometry/Arc3d.h"
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
};
