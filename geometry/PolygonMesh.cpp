#include "geometry/PolygonMesh.h"

#include <climits>
#include <cstdlib>

namespace orbisk::geometry {

namespace {

// The 0-based entry of a signed 1-based index, or the size when there is none.
std::size_t EntryOf(int index, std::size_t size)
{
    if (index == 0 || index == INT_MIN)
        return size;
    const std::size_t entry = static_cast<std::size_t>(std::abs(index)) - 1;
    return entry < size ? entry : size;
}

template <typename T>
void SetOrAppend(std::vector<T>& values, int index, const T& value)
{
    const std::size_t entry = EntryOf(index, values.size());
    if (entry < values.size())
        values[entry] = value;
    else
        values.push_back(value);
}

}  // namespace

void CPolygonMesh::Reserve(std::size_t pointCount, std::size_t polygonCount)
{
    points.reserve(points.size() + pointCount);
    polygonStarts.reserve(polygonStarts.size() + polygonCount);
    indices.reserve(indices.size() + 3 * polygonCount);
    if (flags & kFrontUVs)
        frontUVs.resize(frontUVs.size() + pointCount);
    if (flags & kBackUVs)
        backUVs.resize(backUVs.size() + pointCount);
    if (flags & kNormals)
        normals.resize(normals.size() + pointCount);
}

int CPolygonMesh::FindPoint(const CPoint3d& p) const
{
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (points[i].IsEqual(p, kGeomTolerance))
            return static_cast<int>(i + 1);
    }
    return 0;
}

int CPolygonMesh::AddPoint(const CPoint3d& p)
{
    if (const int found = FindPoint(p))
        return found;
    points.push_back(p);
    return static_cast<int>(points.size());
}

int CPolygonMesh::AddPolygon(std::size_t count, const int* polygonIndices)
{
    if (count <= 2 || !polygonIndices)
        return 0;
    // Every index is checked before anything is appended: the polygon reads trust
    // polygonStarts and indices, so a half-added polygon must never be left behind.
    for (std::size_t i = 0; i < count; ++i) {
        if (EntryOf(polygonIndices[i], points.size()) == points.size())
            return 0;
    }
    polygonStarts.push_back(static_cast<int>(indices.size()));
    indices.insert(indices.end(), polygonIndices, polygonIndices + count);
    return GetPolygonCount();
}

int CPolygonMesh::GetPolygonVertexCount(int polygon) const
{
    const int start = polygonStarts[polygon - 1];
    const int end = polygon < GetPolygonCount() ? polygonStarts[polygon] : static_cast<int>(indices.size());
    return end - start;
}

int CPolygonMesh::GetPolygonVertexIndex(int polygon, int vertex) const
{
    return indices[polygonStarts[polygon - 1] + vertex - 1];
}

const CPoint3d& CPolygonMesh::GetPolygonPoint(int polygon, int vertex) const
{
    return points[std::abs(GetPolygonVertexIndex(polygon, vertex)) - 1];
}

void CPolygonMesh::SetFrontUV(int index, const CPoint3d& uvq)
{
    SetOrAppend(frontUVs, index, uvq);
}

void CPolygonMesh::SetBackUV(int index, const CPoint3d& uvq)
{
    SetOrAppend(backUVs, index, uvq);
}

void CPolygonMesh::SetNormal(int index, const CUnitVector3d& normal)
{
    SetOrAppend(normals, index, normal);
}

}  // namespace orbisk::geometry
