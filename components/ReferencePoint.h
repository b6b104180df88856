#pragma once
// CReferencePoint: a point of an annotation tied to the model (the tip of a text leader, an end
// of a linear dimension). It keeps which entity the point sits on, how the point is found on it
// (a parameter or two), and the instances through which the entity is reached from the
// annotation's own component; its position is recomputed from the current geometry on every
// request. When its entity goes away it detaches: it becomes a free point at the position it
// last computed.
//
// The annotation that embeds a reference point is its referrer. The reference point registers
// the referrer as a back reference of every entity and instance it names, and the referrer hands
// the events those entities report to HandleEntityEvent. A reference point is a value: copies
// copy every field and touch no back reference.
//
// Kinds, with the entity type each needs (another entity resolves to the origin):
//   0 empty                          6 guide line (7), parameter t
//   1 free point at the parameters   7 face (18), face parameters (u, v)
//   2 vertex (39)                    8 image (21), (u, v) of its width and height
//   3 guide point (8)                9 crossing of entity and entity 2 (lines and planes)
//   4 middle of an edge (16)        10 centre of an arc curve (1)
//   5 edge (16) at parameter t      11 the parameters projected onto a section plane (31)

#include <cstdint>
#include <vector>

#include "components/InstancePath.h"
#include "geometry/BoundingBox2d.h"
#include "geometry/Plane3d.h"
#include "geometry/Point3d.h"
#include "geometry/Transform3d.h"
#include "platform/mfc/Archive.h"
#include "topology/TopologyEnumerators.h"

class CDrawingElement;
class CEntity;
class CEntitySet;
class CMapPtrToPtr;
class ILineProvider;

class CReferencePoint {
public:
    using CPoint3d = orbisk::geometry::CPoint3d;
    using CPlane3d = orbisk::geometry::CPlane3d;
    using CTransform3d = orbisk::geometry::CTransform3d;
    // Component instances (groups and images among them), outermost first.
    using Path = CInstancePath;

    enum Kind : int32_t {
        kEmpty = 0,
        kFree = 1,
        kVertex = 2,
        kGuidePoint = 3,
        kEdgeMiddle = 4,
        kEdgePoint = 5,
        kGuideLine = 6,
        kFacePoint = 7,
        kImagePoint = 8,
        kIntersection = 9,
        kArcCenter = 10,
        kSectionPlanePoint = 11,
    };
    // The events referenced entities report (CEntity::NotifyReferencers) that concern anchors.
    // For kFaceSplit the data is the new face; for kReplacedByList a std::vector<CEntity*> of
    // the new entities.
    enum Event : int {
        kErased = 2,
        kReplaced = 3,
        kFaceSplit = 4,
        kCurveChanged = 5,
        kReplacedByList = 6,
        kFaceReversed = 7,
        kDetachAll = 8,
    };
    // The version of the record that Write stores.
    static constexpr int32_t kRecordVersion = 4;

    CReferencePoint() { Clear(); }
    // A free point.
    explicit CReferencePoint(const CPoint3d& position);
    // A vertex, or any entity that needs no parameters, as kind 2.
    explicit CReferencePoint(CEntity* entity);
    // On an edge (kind 5, t along the edge from its start) or a face (kind 7, its face
    // parameters); on anything else a free point at the point.
    CReferencePoint(CEntity* entity, const CPoint3d& point);

    // Kind 0, parameters zero, no entities, empty paths, cached position at the parameters.
    void Clear();
    // Sets every anchor field at once (tools and readers of other records); no bookkeeping.
    void Set(int32_t kind, const CPoint3d& parameters, CEntity* entity, Path path = {},
             CDrawingElement* entity2 = nullptr, Path path2 = {});
    int32_t GetKind() const { return m_kind; }
    bool IsFree() const { return m_kind == kFree; }
    const double* GetParameters() const { return m_parameters; }
    CEntity* GetEntity() const { return m_entity; }
    CDrawingElement* GetEntity2() const { return m_entity2; }
    const Path& GetPath() const { return m_path; }
    const Path& GetPath2() const { return m_path2; }
    const CPoint3d& GetCachedPosition() const { return m_cachedPosition; }
    bool GetDetachOnWrite() const { return m_detachOnWrite; }
    void SetDetachOnWrite(bool detach) { m_detachOnWrite = detach; }

    // Recomputes the position in the referrer's coordinates and caches it.
    CPoint3d GetPosition();
    // The cached position in the entity's own coordinates.
    CPoint3d GetLocalPosition() const;
    bool HasPlane() const;
    // In the referrer's coordinates; the default plane when the anchor has none.
    CPlane3d GetPlane() const;
    CDrawingElement* GetDrawingElement() const;
    bool RefersTo(const CEntity* entity) const;
    bool IsAnchoredWithin(const CEntitySet& set) const;
    void CollectAnchors(CEntitySet& set, bool includeFirst) const;

    // Moves a free point; other kinds follow their entities.
    void Transform(const CTransform3d& transform);
    void AddBackReferences(CEntity* referrer) const;
    void RemoveBackReferences(CEntity* referrer) const;
    void PrependInstance(CDrawingElement* instance);
    void OnEntitiesGrouped(CEntity* referrer, const CEntitySet& set, CDrawingElement* instance);
    // The map, when given, maps old objects to new ones.
    void DropFirstInstance(const CMapPtrToPtr* map);
    void OnInstanceExploded(CEntity* referrer, CDrawingElement* instance, const CMapPtrToPtr* map);
    // Becomes a free point at the cached position.
    void Detach(CEntity* referrer);
    void ReplaceEntity(CEntity* referrer, CEntity* oldEntity, CEntity* newEntity);
    // True when the event concerned this reference point.
    bool HandleEntityEvent(CEntity* referrer, int kind, CEntity* entity, void* data);
    // Checks the back references and that each path leads from the referrer's parent to its
    // entity; with repair, adds missing back references and detaches from broken paths.
    bool Verify(CEntity* referrer, bool repair);

    // The record inside the referrer's record. Reading checks counts against the bytes left and
    // the class of every reference; a failure raises the archive exception. Entities that the
    // record introduces wait for their owners in the current model's dropped-object pool.
    void Read(CArchive& ar);
    // With detach on write set, a free point at the cached position; the flag is cleared.
    void Write(CArchive& ar);

private:
    CPoint3d ComputeUntransformed();
    bool RefersToAnchor(const CEntity* entity) const;
    bool IsOnPath(const CEntity* entity) const;
    void RecomputeFaceParameters();
    void MoveToEntity(CEntity* referrer, CEntity* entity);
    void ConvertLegacyRecord(int32_t version);
    bool IsPathConsistent(CEntity* referrer, const CEntity* entity, const Path& path) const;

    int32_t m_kind = kEmpty;
    double m_parameters[3] = {0.0, 0.0, 0.0};
    CEntity* m_entity = nullptr;
    Path m_path;
    CDrawingElement* m_entity2 = nullptr;
    Path m_path2;
    CPoint3d m_cachedPosition;
    bool m_detachOnWrite = false;
};

// The plane of a face or a section plane.
bool GetPlaneOfEntity(const CEntity* entity, orbisk::geometry::CPlane3d& plane);
// Edges and guide lines; null for anything else.
const ILineProvider* AsLineProvider(const CObject* object);
// The crossing of two lines, or of a line with a plane, each entity in its own coordinates
// taken through its transformation.
bool IntersectAnchors(const CEntity* a, const orbisk::geometry::CTransform3d& ta, const CEntity* b,
                      const orbisk::geometry::CTransform3d& tb, orbisk::geometry::CPoint3d& out);
// The box of the face's outer loop taken through the transformation.
orbisk::geometry::CBoundingBox2d GetFaceLoopBounds2d(const CEntity* face,
                                                     const orbisk::geometry::CTransform3d& transform);
// The face parameters of a point: its coordinates in the face frame divided by the extents of
// the outer loop there (0 where an extent is not positive). The third value is 0.
orbisk::geometry::CPoint3d GetFaceUV(const CEntity* face, const orbisk::geometry::CPoint3d& point);

// Grows a 2D box by the x and y of the points it visits, each taken through a transformation.
class CBoundsProc : public CPointProc {
public:
    CBoundsProc(orbisk::geometry::CBoundingBox2d* box, const orbisk::geometry::CTransform3d* transform)
        : m_box(box), m_transform(transform)
    {}
    bool Visit(const orbisk::geometry::CPoint3d& point) override;

private:
    orbisk::geometry::CBoundingBox2d* m_box;
    const orbisk::geometry::CTransform3d* m_transform;
};
