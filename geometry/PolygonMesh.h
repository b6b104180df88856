#pragma once
// The indexed polygon mesh into which faces are tessellated: shared points, optional
// per-point texture coordinates (front and back) and normals, and polygons as lists of
// signed 1-based point indices. The sign is a per-vertex mark kept for the mesh's users
// (the tessellation marks hidden edges negative); 0 never occurs. Polygons and their
// vertices are numbered from 1.

#include "geometry/UnitVector3d.h"

#include <cstddef>
#include <vector>

namespace orbisk::geometry {

class CPolygonMesh {
public:
    // Bits of flags: which optional per-point arrays exist.
    enum : int { kFrontUVs = 1, kBackUVs = 2, kNormals = 4 };

    std::vector<CPoint3d> points;
    int flags = 0;
    std::vector<CPoint3d> frontUVs;  // (u, v, q), parallel to points
    std::vector<CPoint3d> backUVs;
    std::vector<CUnitVector3d> normals;
    std::vector<int> polygonStarts;  // per polygon, the position of its first index
    std::vector<int> indices;

    explicit CPolygonMesh(int flags_ = 0) : flags(flags_) {}

    // Room for pointCount more points and polygonCount more polygons (three indices
    // each); every optional array present gets pointCount zero entries appended, which
    // the Set operations below then overwrite.
    void Reserve(std::size_t pointCount, std::size_t polygonCount);
    // The 1-based index of the first point equal to p within the tolerance, or 0. A
    // linear search: building a mesh costs quadratic time in its points.
    int FindPoint(const CPoint3d& p) const;
    // An equal existing point's index, else p appended.
    int AddPoint(const CPoint3d& p);
    // Returns the number of polygons, or 0, leaving the mesh unchanged, for fewer than
    // three indices or an index that is 0 or beyond the points.
    int AddPolygon(std::size_t count, const int* polygonIndices);

    int GetPolygonCount() const { return static_cast<int>(polygonStarts.size()); }
    // polygon from 1 to GetPolygonCount(), vertex from 1 to its vertex count.
    int GetPolygonVertexCount(int polygon) const;
    int GetPolygonVertexIndex(int polygon, int vertex) const;
    const CPoint3d& GetPolygonPoint(int polygon, int vertex) const;

    // Overwrite the entry of a valid signed index; otherwise append.
    void SetFrontUV(int index, const CPoint3d& uvq);
    void SetBackUV(int index, const CPoint3d& uvq);
    void SetNormal(int index, const CUnitVector3d& normal);
};

}  // namespace orbisk::geometry
