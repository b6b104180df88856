#pragma once
// CSectionPlane: a plane placed in a component that, while it is the component's active plane
// and the options show cuts, cuts away everything of the component on its back side. The kept
// side is the side the normal points to. Every visible plane, active or not, shows as a symbol
// around its component's extent in the plane; that rectangle is a cache rebuilt from the
// component's bounds whenever the plane is picked, never stored.
//
// The plane frame carries plane coordinates (x, y, 0) into model coordinates: its origin is the
// plane's point nearest the model origin, its z axis the normal, its x and y axes the normal's
// arbitrary axes.
//
// Record: the drawing element part, then a, b, c and d as doubles (no schema of its own). The
// values go through the plane setter, which normalises the normal and scales d alike.

#include <cstdint>
#include <memory>

#include "database/DrawingElement.h"
#include "geometry/BoundingBox2d.h"
#include "geometry/Plane3d.h"
#include "geometry/Transform3d.h"
#include "topology/SectionPlaneSlice.h"

class CSectionPlaneStack;

class CSectionPlane : public CDrawingElement {
    DECLARE_SERIAL(CSectionPlane)
public:
    using CPlane3d = orbisk::geometry::CPlane3d;
    using CPoint3d = orbisk::geometry::CPoint3d;
    using CTransform3d = orbisk::geometry::CTransform3d;
    using CBoundingBox2d = orbisk::geometry::CBoundingBox2d;

    // The plane z = 0.
    CSectionPlane() = default;
    // The drawing element state and the plane; the rectangle starts empty, with no slice and no
    // clip plane.
    CSectionPlane(const CSectionPlane& other);
    ~CSectionPlane() override;
    CSectionPlane& operator=(const CSectionPlane&) = delete;

    void Serialize(CArchive& ar) override;
    // Nothing for the identity.
    void Transform(const CTransform3d& transform) override;
    CEntity* CreateCopy() const override;
    void SwapContents(CEntity& other) override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntitySectionPlane; }

    // The local pick ray meets the infinite plane, also outside the drawn rectangle: both
    // outputs are the distance from the ray's origin; no hit when the ray is parallel.
    bool Pick(IPickHelper* picker, double& depth, double& distance) override;
    void AddBoundsTransformed(const CTransform3d& transform, CBoundingBox3d& box) const override;
    // One point: the centre of the box being grown (the origin for an empty box) projected onto
    // the plane.
    void AddBounds(CBoundingBox3d& box) const override;
    // The element's visibility, and the options show section planes or the plane is selected.
    bool IsVisible(IModelView* view) override;
    // 0 not picked, 1 picked, 2 not visible in the picker's view.
    int PickInside(IPickHelper* picker) override;
    // The active plane of the model stops being active first.
    bool EraseFrom(CEntity* component) override;
    // The options' section cut colour.
    CColor GetDefaultColor(const IRenderingOptions* options) override;

    const CPlane3d& GetPlane() const { return m_plane; }
    // Nothing when the plane equals the current one componentwise within 0.001.
    void SetPlane(const CPlane3d& plane);
    CTransform3d GetPlaneFrame() const;
    // The active plane of its parent component.
    bool IsActive() const;
    // Active, and the view's options show cuts.
    bool IsActiveCut(IModelView* view) const;

    // The rectangle of the last UpdateRect, in plane coordinates; empty at first.
    const CBoundingBox2d& GetRect() const { return m_rect; }
    // The parent component's bounds (the origin when it has none) projected into the plane.
    void UpdateRect();
    // Sides shorter than 0.001 first grow to the model length of 100 pixels at the centre,
    // then both sides grow at both ends by a twentieth of their sum.
    static CBoundingBox2d GrowRect(const CBoundingBox2d& rect, IModelView* view, const CTransform3d& frame);
    // The four corners in model coordinates, tested as the picker's mode asks: bit 0 of the
    // result is set when they were picked.
    int PickRectangle(IPickHelper* picker, const CPoint3d (&corners)[4]);

    // The symbol: a dashed rectangle over the component's extent in the plane, an arrow at each
    // corner pointing to the kept side, and a translucent fill. Not in flat drawing.
    void Draw(IModelView* view) override;
    void DrawSymbol(IModelView* view);

    // The cached cut geometry, owned; null until the cut is first drawn.
    ISectionPlaneSlice* GetSlice() const { return m_slice.get(); }
    void SetSlice(std::unique_ptr<ISectionPlaneSlice> slice) { m_slice = std::move(slice); }
    void ClearSlice() { m_slice.reset(); }
    // Makes the cut of the parent component when there is none (through the installed factory)
    // and builds it from the plane; a cut that found nothing is tried again on the next call.
    void EnsureSlice(IModelView* view);
    // The cut lines in the options' cut colour and width, when the options show cuts.
    void DrawCut(IModelView* view);
    // The drawing layer installs the maker of cuts once; without one no cut is drawn.
    static void SetSliceFactory(SectionPlaneSliceFactory factory) { s_sliceFactory = factory; }
    static SectionPlaneSliceFactory GetSliceFactory() { return s_sliceFactory; }

    // Takes the GL clip plane id (GL_CLIP_PLANE0..5) and, unless the section stack suppresses
    // clip planes, enables it with this plane's equation in the coordinates current in GL.
    void EnableClipPlane(uint32_t clipPlane);
    // Disables the held clip plane (unless suppressed) and holds none again.
    void DisableClipPlane();
    // 0 while the plane holds no GL clip plane.
    uint32_t GetClipPlaneId() const { return m_clipPlaneId; }

private:
    int CheckOwnValidity(int level);
    void DrawArrows(IModelView* view, const CBoundingBox2d& rect, double length, double halfWidthX,
                    double halfWidthY) const;

    static inline SectionPlaneSliceFactory s_sliceFactory = nullptr;

    CPlane3d m_plane;
    CBoundingBox2d m_rect;
    std::unique_ptr<ISectionPlaneSlice> m_slice;
    uint32_t m_clipPlaneId = 0;
};
