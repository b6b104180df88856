#pragma once
// Faces for drawing tests: a flat face with its vertices and edges, added to a component.

#include <vector>

#include "components/Component.h"
#include "geometry/Plane3d.h"
#include "geometry/Point3d.h"
#include "topology/Edge.h"
#include "topology/Face.h"
#include "topology/Vertex.h"

// The face on the outline, its plane through the first three corners, so the loop runs
// counter-clockwise about its normal.
inline CFace* AddOutlineFace(CComponent& component, const std::vector<orbisk::geometry::CPoint3d>& outline)
{
    std::vector<CVertex*> vertices;
    for (const orbisk::geometry::CPoint3d& p : outline)
        vertices.push_back(new CVertex(p));
    std::vector<CEdge*> edges;
    for (size_t i = 0; i < vertices.size(); ++i) {
        auto* edge = new CEdge(vertices[i], vertices[(i + 1) % vertices.size()], false);
        component.AddEntity(edge);
        edges.push_back(edge);
    }
    auto* face = new CFace(static_cast<int>(edges.size()), edges.data(),
                           orbisk::geometry::CPlane3d(outline[0], outline[1], outline[2]));
    component.AddEntity(face);
    return face;
}

// A square at z = 0 centred on (x, y), facing up.
inline CFace* AddSquareFace(CComponent& component, double x, double y, double half)
{
    return AddOutlineFace(
        component,
        {{x - half, y - half, 0}, {x + half, y - half, 0}, {x + half, y + half, 0}, {x - half, y + half, 0}});
}
