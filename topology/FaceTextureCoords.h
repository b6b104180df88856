#pragma once
// CFaceTextureCoords: how a texture lies on a face whose texture was positioned, distorted or
// projected (entity type 50, an attribute of the face). It keeps one CFaceTextureMapping for
// the front side and one for the back side, and moves them with the face when the face is
// transformed, so that the texture stays attached to the same spots of the face.
//
// Plane coordinates: for a plane with unit normal n and n's arbitrary axes x and y, a point p
// has the plane coordinates (p . x, p . y). A side maps texture space to the plane coordinates
// of its mapping plane: the face plane, or for a projected side the plane through the face
// plane's point nearest the origin whose normal is the projection direction.
//
// Record: the attribute part; the front mapping (9 doubles); from schema 1 the front projection;
// from 2 the back mapping and projection; from 3 the front and back reference pairs, each list
// a count and 4 doubles a pair; from 4 the front and back flags. Older records derive the
// flags. The inverses are not stored.

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "database/Attribute.h"
#include "database/IFaceTextureMapping.h"
#include "geometry/Plane3d.h"
#include "geometry/Point2d.h"
#include "geometry/Transform2d.h"
#include "geometry/Transform3d.h"
#include "geometry/Vector3d.h"

// One side of a face's texture placement.
class CFaceTextureMapping : public IFaceTextureMapping {
public:
    using CPoint2d = orbisk::geometry::CPoint2d;
    using CTransform2d = orbisk::geometry::CTransform2d;

    enum : uint32_t { kMapped = 0x1, kProjected = 0x2 };
    // {first, second}: the second point is in plane coordinates and moves with the face.
    using ReferencePair = std::pair<CPoint2d, CPoint2d>;

    std::unique_ptr<IFaceTextureMapping> CopyWithoutPairs() const override;
    bool IsValid() const override;

    // Flags 0, identity mappings, zero projection, no pairs.
    void Reset() { *this = CFaceTextureMapping(); }
    bool IsEmpty() const;
    // Stores the mapping (texture space to plane coordinates) and its inverse; sets kMapped.
    void SetMapping(const CTransform2d& mapping);
    // Moves the side with its face: T the face's transform, plane the face plane before it.
    void Transform(const orbisk::geometry::CTransform3d& transform, const orbisk::geometry::CPlane3d& plane);
    // The plane whose plane coordinates the mapping gives, for the face plane.
    orbisk::geometry::CPlane3d GetMappingPlane(const orbisk::geometry::CPlane3d& facePlane) const;

    uint32_t flags = 0;
    CTransform2d mapping;
    // Plane coordinates to texture space; the identity when the mapping is singular.
    CTransform2d inverseMapping;
    orbisk::geometry::CVector3d projection{0.0, 0.0, 0.0};
    std::vector<ReferencePair> referencePairs;

    // The inverse as the face drawing uses it: the identity for a determinant below 1e-6.
    static CTransform2d InverseOf(const CTransform2d& mapping);
};

class CFaceTextureCoords : public CAttribute {
    DECLARE_SERIAL(CFaceTextureCoords)
public:
    using CTransform2d = orbisk::geometry::CTransform2d;
    using CVector3d = orbisk::geometry::CVector3d;

    CFaceTextureCoords() = default;
    // A full copy, reference pairs included (undo).
    CFaceTextureCoords(const CFaceTextureCoords& other) = default;

    // A record of a bad pair count raises the archive exception and changes nothing.
    void Serialize(CArchive& ar) override;
    CEntity* CreateCopy() const override;
    void SwapContents(CEntity& other) override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityFaceTextureCoords; }
    // A copy without reference pairs on either side.
    CAttribute* Clone() const override;

    const CFaceTextureMapping& GetFrontSide() const { return m_front; }
    const CFaceTextureMapping& GetBackSide() const { return m_back; }
    const CFaceTextureMapping& GetSide(bool front) const { return front ? m_front : m_back; }

    void SetFrontMapping(const CTransform2d& mapping) { SetMapping(m_front, mapping); }
    void SetBackMapping(const CTransform2d& mapping) { SetMapping(m_back, mapping); }
    // Nothing when the direction is within 0.001 per component and the flag is already so.
    void SetFrontProjection(const CVector3d& direction, bool projected)
    {
        SetProjection(m_front, direction, projected);
    }
    void SetBackProjection(const CVector3d& direction, bool projected)
    {
        SetProjection(m_back, direction, projected);
    }
    void SetFrontSide(const CFaceTextureMapping& side) { SetSide(m_front, side); }
    void SetBackSide(const CFaceTextureMapping& side) { SetSide(m_back, side); }
    void ClearFrontPairs() { ClearPairs(m_front); }
    void ClearBackPairs() { ClearPairs(m_back); }

    bool IsEmpty() const { return m_front.IsEmpty() && m_back.IsEmpty(); }
    bool IsSideEmpty(bool front) const { return GetSide(front).IsEmpty(); }

    // Both sides follow the face's transform (plane: the face plane before it).
    void TransformWithFace(const orbisk::geometry::CTransform3d& transform,
                           const orbisk::geometry::CPlane3d& plane);

private:
    void SetMapping(CFaceTextureMapping& side, const CTransform2d& mapping);
    void SetProjection(CFaceTextureMapping& side, const CVector3d& direction, bool projected);
    void SetSide(CFaceTextureMapping& side, const CFaceTextureMapping& value);
    void ClearPairs(CFaceTextureMapping& side);
    void ReadRecord(CArchive& ar);
    void WriteRecord(CArchive& ar) const;
    int CheckOwnValidity(int level);

    CFaceTextureMapping m_front;
    CFaceTextureMapping m_back;
};

// The face's first attribute of type 50; null for none or a null face.
CFaceTextureCoords* GetFaceTextureCoords(const CEntity* face);
