#pragma once
// CFace: a planar region of a component bounded by loops of edge uses (entity type 18). It
// holds its plane, whose unit normal points to the front side, its loops (loop 0 the outer
// boundary, the others holes; the face owns them), a back material beside the front material
// of every drawing element, and the cached box of its outer loop.
//
// Record: the drawing element part, the plane, the loop count and the loops; schema 1 adds the
// front material; schema 3 and later the back material. Older schemas take the back material
// from the front one, and files of writers before 7.1 share a transparent material between the
// sides. A loop count beyond what the loop array holds raises the archive exception.
//
// Also here: the face's geometric queries (bounds, area, point classification), its answers
// to the view's picker, and its drawing (FaceDrawing.cpp). Tessellation, shadow volumes and
// editing are not.

#include <cstdint>
#include <vector>

#include "database/DrawingElement.h"
#include "geometry/BoundingBox3d.h"
#include "geometry/Line3d.h"
#include "geometry/Plane3d.h"
#include "topology/CompactPtrArray.h"
#include "topology/IFace.h"
#include "topology/TopologyEnumerators.h"

class CAverageNormalCache;
class CEdge;
class CEdgeUse;
class CEnumOpeningLoop;
class CFaceTextureProjection;
class CLoop;
class CMaterial;
class CVertex;

class CFace : public CDrawingElement, public IFace {
    DECLARE_SERIAL(CFace)
public:
    using CPoint3d = orbisk::geometry::CPoint3d;
    using CVector3d = orbisk::geometry::CVector3d;
    using CPlane3d = orbisk::geometry::CPlane3d;
    using CTransform3d = orbisk::geometry::CTransform3d;

    // Codes of ClassifyPoint.
    enum PointClass : int {
        kNoLoops = 0,
        kInside = 1,
        kOnEdge = 2,
        kOnVertex = 4,
        kOutside = 16,
        kOffPlane = 32,
    };
    // Answers of PickInside and its three kinds of pick.
    enum PickResult : int { kNotPicked = 0, kPicked = 1, kCutAway = 2 };
    // The largest loop count a record may give.
    static constexpr int64_t kMaxStoredLoops = 99999;

    // Plane (0, 0, 1, 0), no loops, no back material.
    CFace();
    // The same plane, the same loop objects and back material (no use taken): an undo snapshot.
    CFace(const CFace& other);
    // The loop becomes the only loop; the plane is reversed when the loop does not run
    // counter-clockwise about it.
    CFace(const CPlane3d& plane, CLoop* loop);
    // An outer loop made of the edges.
    CFace(int count, CEdge* const* edges, const CPlane3d& plane);
    CFace& operator=(const CFace&) = delete;

    void Serialize(CArchive& ar) override;
    // Gives up the back material and erases the loops.
    void Erase() override;
    bool CollectWithDependents(CEntitySet& set) override;
    // Plane and texture placement; the loops turn round under a mirroring transform. The
    // vertices move by their own transform.
    void Transform(const CTransform3d& transform) override;
    CEntity* CreateCopy() const override;
    void SwapContents(CEntity& other) override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityFace; }
    void CopyDisplayProperties(CDrawingElement& other) override;

    // Bounds: the outer loop's vertices only.
    void AddBoundsTransformed(const CTransform3d& transform, CBoundingBox3d& box) const override;
    void AddScreenBounds(CBoundingBox3d& box, IModelView* view) const override;
    void AddBounds(CBoundingBox3d& box) const override;
    // The view's geometry filter's box test on the bounds; true without a view or filter.
    bool PassesCulling(IModelView* view) override;
    const CBoundingBox3d& GetCachedBounds() const;

    // IFace.
    const CPlane3d& GetPlane() const override { return m_plane; }
    void ReversePlane() override;
    const CCompactPtrArray& GetLoops() const override { return m_loops; }
    void InvalidateBounds() override;

    int GetLoopCount() const { return m_loops.GetCount(); }
    // Null for an index outside the array.
    CLoop* GetLoop(int index) const;
    CLoop* GetOuterLoop() const { return GetLoop(0); }
    bool HasLoop(const CLoop* loop) const;
    // Appends the loop as a hole (clockwise, not outer) and makes this face its face; a loop of
    // another face is copied instead. False when the array is full.
    bool AddLoop(CLoop* loop);
    // Erases the loop, or with erase false only releases it (its face becomes null).
    void RemoveLoop(CLoop* loop, bool erase);
    int GetEdgeUseCount() const;
    // The start of the outer loop's first use; the origin when there is none.
    CPoint3d GetFirstPoint() const;

    // New enumerators that the caller deletes.
    CEnumLoop* NewLoopEnumerator() const;
    CEnumEdgeUse* NewEdgeUseEnumerator() const;
    CEnumEdge* NewEdgeEnumerator() const;
    CEnumVertex* NewVertexEnumerator() const;
    // The openings glued cutting components make in the face as the view shows them (all of
    // them without a view); null when the model finds none.
    CEnumOpeningLoop* NewOpeningEnumerator(IModelView* view) const;

    void SetPlane(const CPlane3d& plane);
    // Plane, loop directions and the orientation bit.
    void Reverse();
    CMaterial* GetBackMaterial() const { return m_backMaterial; }
    void ForgetSharedParts() override;
    void SetBackMaterial(CMaterial* material);
    // The first of the two coordinates spanning the projection plane of point
    // classification: 1 (y, z), 2 (z, x) or 0 (x, y).
    int GetDominantAxis() const;

    // The area left: outer loop minus holes minus openings.
    double GetArea(const CTransform3d* transform = nullptr) const;
    // A PointClass; with skipOpenings points inside openings count as inside.
    int ClassifyPoint(const CPoint3d& point, double tolerance, bool skipOpenings) const;
    // The face vertex within 0.001 of the point, else the edge within 0.001 of it, else this face.
    CEntity* FindNearestVertexOrEdge(const CPoint3d& point) const;
    // The inner loop of another coplanar face along whose edges the outer loop runs, or null.
    CLoop* FindCoplanarHoleLoop() const;

    // Picking. Pick gives the depth range along the pick ray that the aperture meets.
    bool Pick(IPickHelper* picker, double& nearDepth, double& farDepth) override;
    int PickInside(IPickHelper* picker) override;
    // The ray as a half-line from its origin; hidden faces are skipped.
    bool PickRay(IPickHelper* picker, const orbisk::geometry::CRay3d& ray, CPoint3d& point, CVector3d& normal,
                 void* data) override;
    bool PickRay(const orbisk::geometry::CLine3d& line, CPoint3d& point, bool skipHidden);
    int PickAtPoint(IPickHelper* picker);
    int PickCrossing(IPickHelper* picker);
    int PickWindow(IPickHelper* picker);

    // Drawing. A side is true for the front (the side the plane normal points to).
    // Kinds of the material GetSideMaterial gives.
    enum MaterialKind : int { kNoMaterial = 0, kOwnMaterial = 1, kLayerMaterial = 3, kInheritedMaterial = 4 };
    // Bits of the state word BeginSide returns and EndSide undoes.
    enum SideState : int {
        kTextureBound = 0x01,
        kDepthWritesOff = 0x02,
        kAlphaTestOn = 0x04,
        kStippleOn = 0x08,
        kTextureMatrixPushed = 0x10,
    };
    // The face has a vertex whose averaged normal differs from its own (it draws smooth).
    static constexpr uint32_t kAveragedNormals = 0x2000;
    // 32 rows of four bytes, as glPolygonStipple takes them.
    static const unsigned char* GetHiddenStipple();
    static const unsigned char* GetSelectedStipple();

    void Draw(IModelView* view) override;
    // In wireframe only a selected face is visible.
    bool IsVisible(IModelView* view) override;
    // Whether the viewer sees the front side; zero counts as the back.
    bool IsFrontFacing(IModelView* view) const;
    // Null for none; kind may be null.
    CMaterial* GetSideMaterial(IModelView* view, bool front, int* kind) const;
    CMaterial* GetDrawColor(IModelView* view, bool front, CColor& color, int& kind) const;
    // As GetDrawColor, but under X-ray the alpha is 127 (times the material's opacity).
    void GetSideColor(CColor& color, IModelView* view, bool front) const;
    int BeginSide(IModelView* view, bool front, CMaterial* material, CColor color);
    void EndSide(int state, const CMaterial* material) const;
    // The textured side: white lit material, the material's texture planes and the side's
    // mapping on the texture matrix; 0 when the side draws no texture.
    int BeginTexturedSide(IModelView* view, bool front, CMaterial* material);
    bool PushTextureMatrix(bool front, CMaterial* material) const;
    void DrawFill(IModelView* view, bool front);
    void FillFace(IModelView* view, bool front);
    void DrawConvexFan(IModelView* view, bool front);
    void DrawTessellated(IModelView* view, bool front);
    // Clipped by the view's section planes in software, for when GL clip planes are suppressed.
    void DrawClipped(IModelView* view);
    bool UsesAveragedNormals(IModelView* view) const;
    void DrawSelectionHighlight(IModelView* view);
    bool IsTransparentInView(IModelView* view, bool front) const;
    // The material and colour of the side the viewer sees (the colour as GetSideColor gives it).
    CMaterial* GetMaterialForView(IModelView* view) override;
    CColor GetColorForView(IModelView* view) override;
    // The front material's plain colour; else the context's override colour, else the
    // material's display colour; opaque, or 0 for none.
    CColor GetSolidColor(const IColorContext* context) override;
    // The own material, else the context's current one.
    virtual CMaterial* GetFrontMaterial(const IColorContext* context) const;
    // The side's generation planes, from its projection direction (else the face normal), and
    // its stored mapping when it has one.
    void GetTextureProjection(bool front, CFaceTextureProjection& out) const;
    // The normal at the use's start vertex: the cache's averaged normal, else the face normal.
    CVector3d GetVertexNormal(const CEdgeUse& use, const CAverageNormalCache* cache) const;
    // The cache of the face's component; null outside a component.
    CAverageNormalCache* GetNormalCache() const;
    bool HasAveragedNormals() const { return (m_flags & kAveragedNormals) != 0; }
    void SetHasAveragedNormals(bool on) { SetBit(m_flags, kAveragedNormals, on); }

private:
    void ReadRecord(CArchive& ar);
    void WriteRecord(CArchive& ar) const;
    void ReadLoops(CArchive& ar);
    void ReadMaterials(CArchive& ar, int32_t schema);
    void ShareTransparentMaterial();
    void ReleaseBackMaterial(bool notify);
    int ClassifyAgainstOpenings(const CPoint3d& point, double tolerance, int axis) const;
    // How active section planes leave the outer loop for region picks: kept whole, removed
    // (or the face lies on a section plane), or cut (the kept polygon in polygon).
    enum ClipResult : int { kClipKept, kClipRemoved, kClipChanged };
    int ClipOuterPolygon(IPickHelper* picker, std::vector<CPoint3d>& polygon) const;
    int PickClippedCrossing(IPickHelper* picker, const std::vector<CPoint3d>& polygon);
    int CheckOwnValidity(int level, CCheckedObjectMap* map);
    CMaterial* GetSideColorAndMaterial(IModelView* view, bool front, CColor& color, int& kind,
                                       bool halfXRay) const;

    CPlane3d m_plane{0.0, 0.0, 1.0, 0.0};
    CCompactPtrArray m_loops;
    CMaterial* m_backMaterial = nullptr;
    mutable CBoundingBox3d m_bounds;
};

// Grows a box by the points visited: projected to window coordinates with a view (points the
// view cannot project are skipped), else transformed when a transformation is given.
class CAccumulateExtents : public CPointProc {
public:
    CAccumulateExtents(orbisk::geometry::CBoundingBox3d& box, IModelView* view,
                       const orbisk::geometry::CTransform3d* transform)
        : m_box(box), m_view(view), m_transform(transform)
    {}
    bool Visit(const orbisk::geometry::CPoint3d& point) override;

private:
    orbisk::geometry::CBoundingBox3d& m_box;
    IModelView* m_view;
    const orbisk::geometry::CTransform3d* m_transform;
};

// Whether faces hide what lies behind them for picking: the view draws with options that are
// not wireframe, without X-ray and without back edges (or with no options at all).
bool FacesOccludeInView(IModelView* view);
