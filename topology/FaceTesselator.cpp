#include "topology/FaceTesselator.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "database/Material.h"
#include "database/Texture.h"
#include "geometry/Plane3d.h"
#include "geometry/UnitVector3d.h"
#include "topology/AverageNormalCache.h"
#include "topology/EdgeUse.h"
#include "topology/Face.h"
#include "topology/FaceOpenings.h"
#include "topology/FaceTextureCoords.h"
#include "topology/Loop.h"
#include "topology/Vertex.h"

using orbisk::geometry::CPoint3d;
using orbisk::geometry::CPolygonMesh;
using orbisk::geometry::CTransform2d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CUnitVector3d;
using orbisk::geometry::CVector3d;

namespace {

// GLU takes every callback as a function without arguments and calls it with the arguments
// its kind has.
template <typename Function>
_GLUfuncptr AsGluCallback(Function* function)
{
    return reinterpret_cast<_GLUfuncptr>(function);
}

void WriteRecord(double* record, const CPoint3d& point, const CVector3d& normal, bool withNormals)
{
    record[0] = point.x;
    record[1] = point.y;
    record[2] = point.z;
    if (!withNormals)
        return;
    record[3] = normal.x;
    record[4] = normal.y;
    record[5] = normal.z;
}

// Twice the signed area of a closed polygon about a normal (Newell's sum).
double SignedAreaAbout(const std::vector<CPoint3d>& points, const CVector3d& normal)
{
    CVector3d sum(0.0, 0.0, 0.0);
    for (size_t i = 0; i < points.size(); ++i) {
        const CPoint3d& a = points[i];
        const CPoint3d& b = points[(i + 1) % points.size()];
        sum = sum + CVector3d(a.x, a.y, a.z).Cross(CVector3d(b.x, b.y, b.z));
    }
    return sum.Dot(normal);
}

}  // namespace

// CFaceTesselator ---------------------------------------------------------------------------------

CFaceTesselator::CFaceTesselator(CFace* face_) : face(face_) {}

CFaceTesselator::~CFaceTesselator()
{
    Clear();
}

int CFaceTesselator::GetLoopVertexCount(int loop) const
{
    if (!counts || loop < 0 || loop >= loopCount)
        return 0;
    return counts[loop];
}

void CFaceTesselator::Clear()
{
    vertices.clear();
    vertices.shrink_to_fit();
    heapCounts.clear();
    heapCounts.shrink_to_fit();
    counts = nullptr;
    loopCount = 0;
    combined.clear();
    openingVertices.clear();
    face = nullptr;
}

void CFaceTesselator::BuildVertexArrays(bool withNormals_)
{
    withNormals = withNormals_;
    vertices.clear();
    heapCounts.clear();
    counts = nullptr;
    loopCount = face ? face->GetLoopCount() : 0;
    if (loopCount > 4) {
        heapCounts.assign(static_cast<size_t>(loopCount), 0);
        counts = heapCounts.data();
    } else {
        std::fill(std::begin(inlineCounts), std::end(inlineCounts), 0);
        counts = inlineCounts;
    }

    size_t total = 0;
    for (int i = 0; i < loopCount; ++i) {
        const CLoop* loop = face->GetLoop(i);
        counts[i] = loop ? loop->GetEdgeUseCount() : 0;
        total += static_cast<size_t>(counts[i]);
    }
    vertices.assign(total * static_cast<size_t>(RecordSize()), 0.0);

    // The buffer is sized by the counts, so each walk stops at its loop's count; a use without
    // a start vertex (a damaged ring) is skipped and its loop's count lowered to what was written.
    const CVector3d normal = face ? face->GetPlane().GetNormal() : CVector3d(0.0, 0.0, 1.0);
    // Smooth faces carry their averaged normals; flat ones answer their plane normal per use.
    const CAverageNormalCache* cache = withNormals && face ? face->GetNormalCache() : nullptr;
    double* record = vertices.data();
    for (int i = 0; i < loopCount; ++i) {
        const CLoop* loop = face->GetLoop(i);
        int written = 0;
        CEdgeUse* use = loop ? loop->GetFirstEdgeUse() : nullptr;
        for (int step = 0; use && step < counts[i]; ++step, use = use->GetNext()) {
            const CVertex* vertex = use->GetStartVertex();
            if (!vertex)
                continue;
            const CVector3d useNormal = withNormals ? face->GetVertexNormal(*use, cache) : normal;
            WriteRecord(record, vertex->GetPosition(), useNormal, withNormals);
            record += RecordSize();
            ++written;
        }
        counts[i] = written;
    }
}

CVector3d CFaceTesselator::GetVertexRecordNormal(int loop, int vertex) const
{
    if (!withNormals || !counts || loop < 0 || loop >= loopCount || vertex < 0 || vertex >= counts[loop])
        return CVector3d();
    size_t first = 0;
    for (int i = 0; i < loop; ++i)
        first += static_cast<size_t>(counts[i]);
    const double* record = vertices.data() + (first + static_cast<size_t>(vertex)) * 6;
    return CVector3d(record[3], record[4], record[5]);
}

bool IsTessellatable(double x, double y, double z)
{
    return std::abs(x) <= kMaxTessellatedCoordinate && std::abs(y) <= kMaxTessellatedCoordinate &&
           std::abs(z) <= kMaxTessellatedCoordinate;
}

void CFaceTesselator::Tessellate(IModelView* view, bool includeOpenings, bool withNormals_)
{
    if (!face)
        return;
    BuildVertexArrays(withNormals_);
    // A damaged face is left out whole: without one of its loops it would cover its holes.
    const CVector3d faceNormal = face->GetPlane().GetNormal();
    if (!IsTessellatable(faceNormal.x, faceNormal.y, faceNormal.z))
        return;
    for (size_t i = 0; i < vertices.size(); i += static_cast<size_t>(RecordSize())) {
        if (!IsTessellatable(vertices[i], vertices[i + 1], vertices[i + 2]))
            return;
    }

    // GLU keeps the contours' vertex pointers until the polygon ends; the openings' records are
    // the tessellator's own, and their enumerator also outlives the polygon.
    std::unique_ptr<CEnumOpeningLoop> openings;
    GLUtesselator* tess = gluNewTess();
    if (!tess)
        return;
    const CVector3d normal = face->GetPlane().GetNormal();
    gluTessNormal(tess, normal.x, normal.y, normal.z);
    RegisterCallbacks(tess);
    gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_POSITIVE);
    gluTessBeginPolygon(tess, this);

    double* record = vertices.data();
    for (int i = 0; i < loopCount; ++i) {
        // Fewer than three points bound nothing.
        if (counts[i] < 3) {
            record += static_cast<ptrdiff_t>(counts[i]) * RecordSize();
            continue;
        }
        gluTessBeginContour(tess);
        for (int v = 0; v < counts[i]; ++v, record += RecordSize())
            gluTessVertex(tess, record, record);
        gluTessEndContour(tess);
    }

    if (includeOpenings) {
        openings.reset(face->NewOpeningEnumerator(view));
        IOpeningLoop* opening = nullptr;
        while (openings && openings->Next(opening)) {
            if (opening)
                AddOpeningContour(tess, *opening);
        }
    }

    gluTessEndPolygon(tess);
    gluDeleteTess(tess);
}

void CFaceTesselator::AddOpeningContour(GLUtesselator* tess, const IOpeningLoop& opening)
{
    const CLoop* loop = opening.GetPerimeterLoop();
    if (!loop)
        return;
    const CTransform3d placement = opening.GetPlacement();
    std::vector<CPoint3d> points;
    for (CEdgeUse* use : loop->GetEdgeUses()) {
        if (const CVertex* vertex = use->GetStartVertex()) {
            CPoint3d point = vertex->GetPosition();
            placement.TransformPoint(point);
            points.push_back(point);
        }
    }
    if (points.size() < 3)
        return;
    for (const CPoint3d& point : points) {
        if (!IsTessellatable(point.x, point.y, point.z))
            return;
    }
    // An opening is a hole: it must run clockwise about the face normal to stay empty under
    // the positive winding rule, whichever way the cutting component's loop runs.
    const CVector3d normal = face->GetPlane().GetNormal();
    if (SignedAreaAbout(points, normal) > 0.0)
        std::reverse(points.begin(), points.end());

    std::vector<double>& buffer =
        openingVertices.emplace_back(points.size() * static_cast<size_t>(RecordSize()));
    double* record = buffer.data();
    for (const CPoint3d& point : points) {
        WriteRecord(record, point, normal, withNormals);
        record += RecordSize();
    }
    gluTessBeginContour(tess);
    record = buffer.data();
    for (size_t v = 0; v < points.size(); ++v, record += RecordSize())
        gluTessVertex(tess, record, record);
    gluTessEndContour(tess);
}

void CFaceTesselator::Combine(const double coords[3], void* neighbours[4], const float weights[4],
                              void** result)
{
    auto record = std::make_unique<double[]>(static_cast<size_t>(RecordSize()));
    record[0] = coords[0];
    record[1] = coords[1];
    record[2] = coords[2];
    if (withNormals) {
        CVector3d sum(0.0, 0.0, 0.0);
        for (int i = 0; i < 4 && neighbours[i]; ++i) {
            const double* n = static_cast<const double*>(neighbours[i]) + 3;
            sum = sum + CVector3d(n[0], n[1], n[2]) * static_cast<double>(weights[i]);
        }
        const CVector3d unit = CUnitVector3d(sum);
        record[3] = unit.x;
        record[4] = unit.y;
        record[5] = unit.z;
    }
    *result = record.get();
    combined.push_back(std::move(record));
}

void CFaceTesselator::RegisterCallbacks(GLUtesselator* tess)
{
    gluTessCallback(tess, GLU_TESS_BEGIN_DATA, AsGluCallback(&CallBegin));
    gluTessCallback(tess, GLU_TESS_VERTEX_DATA, AsGluCallback(&CallVertex));
    gluTessCallback(tess, GLU_TESS_END_DATA, AsGluCallback(&CallEnd));
    gluTessCallback(tess, GLU_TESS_EDGE_FLAG_DATA, AsGluCallback(&CallEdgeFlag));
    gluTessCallback(tess, GLU_TESS_ERROR_DATA, AsGluCallback(&CallError));
    gluTessCallback(tess, GLU_TESS_COMBINE_DATA, AsGluCallback(&CallCombine));
}

void CFaceTesselator::CallBegin(unsigned int type, void* tesselator)
{
    if (tesselator)
        static_cast<CFaceTesselator*>(tesselator)->Begin(type);
}

void CFaceTesselator::CallEdgeFlag(unsigned char flag, void* tesselator)
{
    if (tesselator)
        static_cast<CFaceTesselator*>(tesselator)->EdgeFlag(flag != 0);
}

void CFaceTesselator::CallVertex(void* record, void* tesselator)
{
    if (!tesselator)
        return;
    auto* self = static_cast<CFaceTesselator*>(tesselator);
    const auto* values = static_cast<const double*>(record);
    if (self->withNormals)
        self->Normal(values + 3);
    self->Vertex(values);
}

void CFaceTesselator::CallEnd(void* tesselator)
{
    if (tesselator)
        static_cast<CFaceTesselator*>(tesselator)->End();
}

void CFaceTesselator::CallError(unsigned int code, void* tesselator)
{
    if (tesselator)
        static_cast<CFaceTesselator*>(tesselator)->Error(code);
}

void CFaceTesselator::CallCombine(double coords[3], void* neighbours[4], float weights[4], void** result,
                                  void* tesselator)
{
    if (tesselator)
        static_cast<CFaceTesselator*>(tesselator)->Combine(coords, neighbours, weights, result);
}

// CDisplayTesselator ------------------------------------------------------------------------------

void CDisplayTesselator::RegisterCallbacks(GLUtesselator* tess)
{
    gluTessCallback(tess, GLU_TESS_BEGIN, AsGluCallback(&glBegin));
    gluTessCallback(tess, GLU_TESS_END, AsGluCallback(&glEnd));
    gluTessCallback(tess, GLU_TESS_VERTEX_DATA, AsGluCallback(&DrawVertex));
    gluTessCallback(tess, GLU_TESS_ERROR_DATA, AsGluCallback(&CallError));
    gluTessCallback(tess, GLU_TESS_COMBINE_DATA, AsGluCallback(&CallCombine));
    // Installed only so that GLU emits independent triangles, never fans or strips.
    gluTessCallback(tess, GLU_TESS_EDGE_FLAG_DATA, AsGluCallback(&IgnoreEdgeFlag));
}

void CDisplayTesselator::DrawVertex(void* record, void* tesselator)
{
    const auto* values = static_cast<const double*>(record);
    if (tesselator && static_cast<CDisplayTesselator*>(tesselator)->withNormals)
        glNormal3dv(values + 3);
    glVertex3dv(values);
}

void CDisplayTesselator::IgnoreEdgeFlag(unsigned char, void*) {}

// CFaceToMesh -------------------------------------------------------------------------------------

CFaceToMesh::CFaceToMesh(CFace* face_, CPolygonMesh& mesh_) : CFaceTesselator(face_), mesh(mesh_)
{
    if (!face)
        return;
    const int uses = face->GetEdgeUseCount();
    const int triangles = uses + 2 * face->GetLoopCount() - 4;
    mesh.Reserve(static_cast<size_t>(std::max(uses, 0)), static_cast<size_t>(std::max(triangles, 0)));
    if (mesh.flags & CPolygonMesh::kFrontUVs)
        ComputeTextureFrame(true);
    if (mesh.flags & CPolygonMesh::kBackUVs)
        ComputeTextureFrame(false);
}

void CFaceToMesh::ComputeTextureFrame(bool front)
{
    const CMaterial* material = front ? face->GetMaterial() : face->GetBackMaterial();
    const CTexture* texture = material ? material->GetTexture() : nullptr;
    const orbisk::geometry::CPlane3d& plane = face->GetPlane();
    CTransform3d frame(plane.GetPoint(), CUnitVector3d(plane.GetNormal()));
    const CFaceTextureCoords* coords = texture ? GetFaceTextureCoords(face) : nullptr;
    if (coords) {
        const CFaceTextureMapping& side = coords->GetSide(front);
        const CUnitVector3d direction(side.projection);
        if ((side.flags & CFaceTextureMapping::kProjected) && direction.IsNonZero())
            frame = CTransform3d(CPoint3d(), direction);
    }
    CTransform2d uv;
    if (texture) {
        // A zero scale would divide by zero; it is read as no scaling.
        const double xScale = texture->GetXScale() != 0.0 ? texture->GetXScale() : 1.0;
        const double yScale = texture->GetYScale() != 0.0 ? texture->GetYScale() : 1.0;
        const CTransform2d scale(1.0 / xScale, 1.0 / yScale);
        CTransform2d mapping;
        if (coords && (coords->GetSide(front).flags & CFaceTextureMapping::kMapped))
            mapping = coords->GetSide(front).inverseMapping;
        // The mapping first, then the scale.
        uv = mapping * scale;
        if (uv.IsAffine())
            uv.Normalize();
    }
    (front ? frontFrame : backFrame) = frame.Inverse();
    (front ? frontUV : backUV) = uv;
}

CPoint3d CFaceToMesh::TextureCoordinates(bool front, const CPoint3d& point) const
{
    CPoint3d local = point;
    (front ? frontFrame : backFrame).TransformPoint(local);
    CPoint3d uvq(local.x, local.y, 1.0);
    (front ? frontUV : backUV).TransformPoint(uvq);
    return uvq;
}

// GLU hands back positions, not uses: the averaged normal is found through the use of the face
// that starts at the point. Points GLU made at crossings have no use and take the face normal.
CVector3d CFaceToMesh::VertexNormal(const CPoint3d& point) const
{
    const CVector3d flat = face->GetPlane().GetNormal();
    const CAverageNormalCache* cache = face->GetNormalCache();
    if (!cache)
        return flat;
    for (int i = 0; i < face->GetLoopCount(); ++i) {
        const CLoop* loop = face->GetLoop(i);
        if (!loop)
            continue;
        CEdgeUse* use = loop->GetFirstEdgeUse();
        for (int step = 0; use && step < loop->GetEdgeUseCount(); ++step, use = use->GetNext()) {
            const CVertex* vertex = use->GetStartVertex();
            if (!vertex || vertex->GetPosition() != point)
                continue;
            const CVector3d averaged = cache->GetUseNormal(*use);
            return averaged.LengthSquared() > 0.0 ? averaged : flat;
        }
    }
    return flat;
}

void CFaceToMesh::Begin(unsigned int)
{
    position = 0;
}

void CFaceToMesh::EdgeFlag(bool boundary)
{
    edgeFlag = boundary;
}

void CFaceToMesh::Vertex(const double* record)
{
    const CPoint3d point(record[0], record[1], record[2]);
    const int before = static_cast<int>(mesh.points.size());
    const int index = mesh.AddPoint(point);
    const int signedIndex = edgeFlag ? index : -index;
    indexes[position] = signedIndex;
    if (index > before) {
        if (mesh.flags & CPolygonMesh::kFrontUVs)
            mesh.SetFrontUV(signedIndex, TextureCoordinates(true, point));
        if (mesh.flags & CPolygonMesh::kBackUVs)
            mesh.SetBackUV(signedIndex, TextureCoordinates(false, point));
        if (mesh.flags & CPolygonMesh::kNormals)
            mesh.SetNormal(signedIndex, CUnitVector3d(VertexNormal(point)));
    }
    if (++position < 3)
        return;
    mesh.AddPolygon(3, indexes);
    position = 0;
}
