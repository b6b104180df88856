#pragma once
// Faces as triangles through the GLU polygon tessellator, which needs no GL context.
//
// CFaceTesselator feeds one face (its loops, and on request the openings glued components cut
// into it) to GLU under the positive winding rule about the face normal, and turns each GLU
// callback into a virtual operation; a consumer overrides the ones it needs. It owns every
// vertex record GLU sees: the loops' records, the openings' records and the records GLU makes
// where contours cross, all kept until Clear, so a subclass may read them after Tessellate.
//
// A record is x, y, z, followed by nx, ny, nz when normals were asked for. Because an edge-flag
// callback is always installed, GLU emits independent triangles only (GL_TRIANGLES): every
// Vertex call is one corner of a triangle.
//
// CDisplayTesselator sends the triangles to the current GL context in immediate mode.
// CFaceToMesh adds them to a CPolygonMesh with texture coordinates and normals as its flags ask.

#include <cstdint>
#include <memory>
#include <vector>

#include "geometry/PolygonMesh.h"
#include "geometry/Transform2d.h"
#include "geometry/Transform3d.h"

class CFace;
class IModelView;
class IOpeningLoop;
struct GLUtesselator;

// GLU's sweep misbehaves (and can crash) on coordinates that are not finite or so large that its
// products overflow; a damaged file can hold both. Far beyond any real model's size.
constexpr double kMaxTessellatedCoordinate = 1e30;
// The point, or the normal, can be handed to GLU.
bool IsTessellatable(double x, double y, double z);

class CFaceTesselator {
public:
    // The face may be null for a subclass that sets it later.
    explicit CFaceTesselator(CFace* face);
    CFaceTesselator(const CFaceTesselator&) = delete;
    CFaceTesselator& operator=(const CFaceTesselator&) = delete;
    virtual ~CFaceTesselator();

    // A GL primitive type (always GL_TRIANGLES here).
    virtual void Begin(unsigned int /*type*/) {}
    // False: the edge that starts at the next vertex lies inside the face.
    virtual void EdgeFlag(bool /*boundary*/) {}
    virtual void Vertex(const double* /*record*/) {}
    virtual void End() {}
    // GLU's error code; a polygon GLU rejects just gives fewer or no triangles.
    virtual void Error(unsigned int /*code*/) {}
    // A record for a point where contours cross or merge; neighbours are null past the last.
    virtual void Combine(const double coords[3], void* neighbours[4], const float weights[4], void** result);
    // Frees every record and the loop counts and forgets the face.
    virtual void Clear();
    // With a view, the openings are those the view shows; without one, all of them.
    virtual void Tessellate(IModelView* view, bool includeOpenings, bool withNormals);
    virtual void RegisterCallbacks(GLUtesselator* tess);
    // The normal of the vertex that follows (three doubles); only with normals.
    virtual void Normal(const double* /*normal*/) {}
    virtual void BuildVertexArrays(bool withNormals);

    CFace* GetFace() const { return face; }
    int GetLoopCount() const { return loopCount; }
    // The records written for a loop: its edge-use count, or fewer when its ring is damaged.
    int GetLoopVertexCount(int loop) const;
    bool HasNormals() const { return withNormals; }
    // The normal written for a vertex of a loop (zero without normals or out of range).
    orbisk::geometry::CVector3d GetVertexRecordNormal(int loop, int vertex) const;
    // Whether the loop counts live in the inline array (four loops or fewer).
    bool UsesInlineCounts() const { return counts == inlineCounts; }
    int GetCombinedCount() const { return static_cast<int>(combined.size()); }

protected:
    int RecordSize() const { return withNormals ? 6 : 3; }

    // The data-carrying GLU callbacks; the polygon data is the tessellator.
    static void CallBegin(unsigned int type, void* tesselator);
    static void CallEdgeFlag(unsigned char flag, void* tesselator);
    static void CallVertex(void* record, void* tesselator);
    static void CallEnd(void* tesselator);
    static void CallError(unsigned int code, void* tesselator);
    static void CallCombine(double coords[3], void* neighbours[4], float weights[4], void** result,
                            void* tesselator);

    CFace* face;
    int32_t loopCount = 0;
    int32_t inlineCounts[4] = {0, 0, 0, 0};
    int32_t* counts = nullptr;
    std::vector<int32_t> heapCounts;
    std::vector<double> vertices;
    bool withNormals = false;
    std::vector<std::unique_ptr<double[]>> combined;
    // One buffer per opening contour fed to GLU.
    std::vector<std::vector<double>> openingVertices;

private:
    void AddOpeningContour(GLUtesselator* tess, const IOpeningLoop& opening);
};

// Draws the face's triangles into the current GL context. The caller sets the face normal
// first; with normals, each vertex carries its own.
class CDisplayTesselator : public CFaceTesselator {
public:
    explicit CDisplayTesselator(CFace* face) : CFaceTesselator(face) {}
    void RegisterCallbacks(GLUtesselator* tess) override;

private:
    static void DrawVertex(void* record, void* tesselator);
    static void IgnoreEdgeFlag(unsigned char flag, void* tesselator);
};

// Adds the face's triangles to a mesh. Point indexes are 1-based and shared with equal points
// already in the mesh; an index is negative where the edge from that corner to the next lies
// inside the face. Texture coordinates (u, v, q) and normals are set only for new points.
class CFaceToMesh : public CFaceTesselator {
public:
    CFaceToMesh(CFace* face, orbisk::geometry::CPolygonMesh& mesh);

    void Begin(unsigned int type) override;
    void EdgeFlag(bool boundary) override;
    void Vertex(const double* record) override;

private:
    void ComputeTextureFrame(bool front);
    orbisk::geometry::CPoint3d TextureCoordinates(bool front, const orbisk::geometry::CPoint3d& point) const;
    orbisk::geometry::CVector3d VertexNormal(const orbisk::geometry::CPoint3d& point) const;

    orbisk::geometry::CPolygonMesh& mesh;
    int position = 0;
    int32_t indexes[3] = {0, 0, 0};
    bool edgeFlag = true;
    // Model points into the side's texture frame, then the frame's (x, y, 1) into (u, v, q).
    orbisk::geometry::CTransform3d frontFrame;
    orbisk::geometry::CTransform3d backFrame;
    orbisk::geometry::CTransform2d frontUV;
    orbisk::geometry::CTransform2d backUV;
};
