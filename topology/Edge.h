#pragma once
// CEdge: a straight segment between two vertices, and the drawing element through which lines
// appear in the model. Edges are members of a component's entity list; their vertices hang off
// them, faces use them through edge uses (the partner ring, headed by the edge's first use),
// and a run of edges may form one curve, which each of them names.
//
// The edge owns none of them: its operations keep them consistent. The destructor unlinks
// nothing; an edge is erased (CEdge::Erase) to leave its vertices, curve and uses.
//
// Record: the drawing element part, the start and end vertex, and from schema 1 the curve.
// After reading, the edge registers with its vertices (null ones are skipped, for the check
// to report) and an edge on a curve goes on the curve fix-up list.
//
// Drawing and picking (EdgeDrawing.cpp): an edge decides from the view's options and level of
// detail whether it shows as a plain line, a profile, a dashed hidden or soft line, a selected
// line, or a decorated one (depth cue, jitter, extensions past corners, endpoint marks), and
// draws it through the view's line operations. Shadow volumes are not here.

#include <cstddef>
#include <cstdint>

#include "database/DrawingElement.h"
#include "database/IEdge.h"
#include "database/ILinePick.h"
#include "topology/Curve.h"
#include "topology/LineProvider.h"
#include "topology/TopologyReading.h"

class CArcCurve;
class CEdgeUse;
class CEnumEdgeUse;
class CEnumFace;
class CEnumLoop;
class CLoop;
class CVertex;
class IEdgeDisplayOptions;
class IRenderingOptions;

class CEdge : public CDrawingElement,
              public ILineProvider,
              public IEdge,
              public IReadLinks,
              public ILinePick {
    DECLARE_SERIAL(CEdge)
public:
    using CPoint3d = orbisk::geometry::CPoint3d;
    using CVector3d = orbisk::geometry::CVector3d;

    // Bits of a drawing call: the plain line, the effects path (styled line).
    enum DrawLineMode : int { kDrawPlain = 1, kDrawStyled = 2, kDrawPlainAndStyled = 3 };
    // Line styles of the effects path, each with its stipple.
    enum LineStyle : int { kSolidLine = 0, kHiddenLine = 1, kSoftLine = 2 };

    // Curve directions: not yet known, along the curve, against it.
    enum CurveDirection : int32_t { kDirectionUnknown = 0, kAlongCurve = 1, kAgainstCurve = 2 };

    CEdge() = default;
    // Registers with the start and then the end vertex (each when not null; a vertex that
    // already lists 65,535 edges refuses, and the check reports it).
    CEdge(CVertex* start, CVertex* end, bool splitCurve);
    // The drawing element copy and the same links; registers nowhere (undo copies).
    CEdge(const CEdge& other);
    CEdge& operator=(const CEdge&) = delete;

    void Serialize(CArchive& ar) override;
    void Erase() override;
    bool CollectWithDependents(CEntitySet& set) override;
    // The positions belong to the vertices; the faces of the edge forget their bounds.
    void Transform(const orbisk::geometry::CTransform3d& transform) override;
    CEntity* CreateCopy() const override;
    void SwapContents(CEntity& other) override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityEdge; }
    void CutLinks() override;

    void AddBoundsTransformed(const orbisk::geometry::CTransform3d& transform,
                              CBoundingBox3d& box) const override;
    void AddScreenBounds(CBoundingBox3d& box, IModelView* view) const override;
    void AddBounds(CBoundingBox3d& box) const override;
    bool IsVisible(IModelView* view) override;
    bool Accept(IEntityExportVisitor* visitor) override;
    CColor GetColorForView(IModelView* view) override;
    bool UsesHighlightColor() const override { return false; }

    // The settings an edge draws with, read from the view's options. Options that are only the
    // colour and visibility settings leave every effect off.
    struct DrawStyle {
        int edgeDisplay = 1;
        int edgeKind = 0;
        bool hiddenShown = false;
        bool hideSoftEdges = true;
        bool effects = false;
        bool profiles = false;
        int profileWidth = 3;
        bool extension = false;
        int extensionLength = 8;
        bool depthCue = false;
        int depthCueWidth = 4;
        bool endpoints = false;
        int endpointLength = 5;
        bool jitter = false;
        CColor selectedColor;
        CColor lockedColor;
    };

    // While one lives, edges drawn or tested in its view read the options it read once instead
    // of each looking them up again; a loop over many edges opens one around itself. The view's
    // options must not change while it lives (another options object is noticed and read
    // afresh). Scopes nest; each puts back the one it replaced.
    class OptionsScope {
    public:
        explicit OptionsScope(IModelView* view);
        ~OptionsScope();
        OptionsScope(const OptionsScope&) = delete;
        OptionsScope& operator=(const OptionsScope&) = delete;

    private:
        using Storage = std::max_align_t;
        alignas(Storage) unsigned char m_storage[256];
        const void* m_previous;
    };

    // Drawing. Every routine leaves the view's stipple and line width as it found them.
    void Draw(IModelView* view) override;
    // mode: DrawLineMode bits.
    void DrawSegment(IModelView* view, int mode);
    void DrawEdgeLine(IModelView* view, CPoint3d start, CPoint3d end, int mode);
    // width in pixels before the view's line-width scale; style: LineStyle.
    void DrawPlainLine(const CPoint3d& start, const CPoint3d& end, double width, IModelView* view, int style,
                       bool selected, bool locked = false, bool highlight = false);
    void DrawDecoratedLine(const CPoint3d& start, const CPoint3d& end, double minimumWidth, IModelView* view);
    void DrawJitteredLine(const CPoint3d& start, const CPoint3d& end, double width, IModelView* view);
    // Lengthens the segment in place past the corners it ends at.
    void DrawExtensions(CPoint3d& start, CPoint3d& end, IModelView* view);
    bool IsSilhouette(IModelView* view);
    bool IsSilhouetteFor(const CVector3d& direction) const;
    // The depth-cue line width (pixels) for the option's width and a depth normalised between
    // the near (0) and far (1) distances.
    static int GetDepthCueWidth(int depthCueWidth, double depth);

    // Picking. Pick gives the distance along the picker's local ray to where it passes nearest
    // the edge's line; false when they are parallel.
    bool Pick(IPickHelper* picker, double& depth, double& distance) override;
    int PickInside(IPickHelper* picker) override;
    bool PickRay(IPickHelper* picker, const orbisk::geometry::CRay3d& ray, CPoint3d& point, CVector3d& normal,
                 void* data) override;
    // ILinePick: the point of the segment nearest the line, when it lies on the line and within
    // its range (0.001 either way).
    bool PickLine(const orbisk::geometry::CLine3d& line, CPoint3d& point, bool skipHidden) override;

    // ILineProvider: from the start towards the end; the Z axis at the origin without both.
    void GetLine(orbisk::geometry::CRay3d& ray) const override;
    // IEdge, with the curve's own class.
    CCurve* GetCurve() const override { return m_curve; }

    CVertex* GetStart() const { return m_start; }
    CVertex* GetEnd() const { return m_end; }
    void SetStart(CVertex* vertex, bool splitCurve);
    void SetEnd(CVertex* vertex, bool splitCurve);
    // Tells the edge's referrers (event 5), counts the edge on a new curve and gives the curve
    // the edge's parent; the direction is computed again when next asked.
    void SetCurve(CCurve* curve);
    // 1 along, 2 against, 0 without a curve or on a broken chain; cached.
    int GetCurveDirection();
    bool IsReversedOnCurve() { return GetCurveDirection() == kAgainstCurve; }
    // The cached direction as it is, without asking the curve.
    int GetCachedCurveDirection() const { return m_curveDirection; }
    void ClearCurveDirection() { m_curveDirection = kDirectionUnknown; }
    // The curve when it is a circular (not elliptical) arc curve.
    CArcCurve* GetArcCurve() const;
    CEdgeUse* GetFirstUse() const { return m_firstUse; }
    void SetFirstUse(CEdgeUse* use);
    int16_t GetSilhouetteCount() const { return m_silhouetteCount; }
    void SetSilhouetteCount(int16_t count) { m_silhouetteCount = count; }

    CPoint3d GetMidpoint() const;
    // 0 without both vertices.
    double GetLength() const;
    // The end when vertex is the start, otherwise the start.
    CVertex* GetOtherVertex(const CVertex* vertex) const;
    bool UsesVertex(const CVertex* vertex) const { return vertex && (vertex == m_start || vertex == m_end); }
    CVertex* GetCommonVertex(const CEdge* other) const;
    // Clears the start and the end reference where they name the vertex, leaving the vertex's
    // list alone (the vertex is going); with announce, after a change notice.
    void ForgetVertex(const CVertex* vertex, bool announce);

    int GetUseCount() const;
    CEdgeUse* FindUseInLoop(const CLoop* loop) const;
    // face: an entity of type 18.
    CEdgeUse* FindUseInFace(const CEntity* face) const;
    CLoop* GetLoopInFace(const CEntity* face) const;
    bool IsUsedByFace(const CEntity* face) const { return FindUseInFace(face) != nullptr; }
    // New enumerators that the caller deletes.
    CEnumEdgeUse* NewEdgeUseEnumerator() const;
    CEnumLoop* NewLoopEnumerator() const;
    CEnumFace* NewFaceEnumerator() const;

    // The stored flags, unless options are given whose switch ("Hide Soft Edges", "Average
    // Normals") is off: then false.
    bool IsSoft(const IRenderingOptions* options = nullptr) const;
    bool IsSmooth(const IRenderingOptions* options = nullptr) const;
    void SetSoftAndSmooth(bool soft, bool smooth);

    // Every edge of the curve reachable from this one leaves the curve, which goes with its
    // last edge.
    void DetachFromCurve();
    // Takes over a duplicate edge between the same two vertices: its referrers, its visibility,
    // its place on this edge's curve and all its uses. The other edge is left without uses.
    void Absorb(CEdge* other, CEntity* component);

private:
    friend class CEdgeUse;

    // The view's options as edge display options, from the open OptionsScope when it is the view's.
    static const IEdgeDisplayOptions* DisplayOptionsOf(IModelView* view);

    void ReadRecord(CArchive& ar);
    void WriteRecord(CArchive& ar) const;
    void SetVertex(CVertex*& end, CVertex* vertex, bool splitCurve);
    void LeaveVertex(CVertex*& end);
    void LeaveCurveQuietly();
    void EraseAbsorbed(CEntity* component);
    int CheckOwnValidity(int level, CCheckedObjectMap* map);
    int CheckVertices(int level, CCheckedObjectMap* map);
    int CheckDuplicates(int level, int result);
    int CheckUses(int level, CCheckedObjectMap* map, int result);

    CVertex* m_start = nullptr;
    CVertex* m_end = nullptr;
    CCurve* m_curve = nullptr;
    int32_t m_curveDirection = kDirectionUnknown;
    CEdgeUse* m_firstUse = nullptr;
    int16_t m_silhouetteCount = 0;
};
