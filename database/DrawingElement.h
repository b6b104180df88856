#pragma once
// CDrawingElement: the base of every entity that can be drawn and picked (edges, faces,
// curves, guides, axes, section planes, components and their instances, dimensions, text).
// It adds the display state they all share, a flags word, a material and a layer, and the
// operations through which the views draw, pick, bound, colour and hide elements; the drawing
// itself belongs to the derived classes and the model view.
//
// The element counts as one use of its material while it holds it; copies (undo snapshots)
// and swaps leave the use counts alone. A null layer means the model's default layer.

#include <cstdint>

#include "database/Entity.h"
#include "geometry/BoundingBox3d.h"
#include "geometry/Point3d.h"
#include "geometry/Ray3d.h"
#include "geometry/Transform3d.h"
#include "geometry/Vector3d.h"
#include "support/Color.h"

class CEntitySet;
class CLayer;
class CMaterial;
class CShadowVolumeBuilder;
class IEntityExportVisitor;
class IRenderingOptions;
class IModelView;
class IPickHelper;

// What GetSolidColor takes the colour of an element without a plain material from.
class IColorContext {
public:
    virtual ~IColorContext() = default;
    // 0 for none.
    virtual orbisk::utils::CColor GetOverrideColor() const = 0;
    // The material an element without one of its own takes in this context; null for none.
    virtual CMaterial* GetCurrentMaterial() const { return nullptr; }
};

class CDrawingElement : public CEntity {
    DECLARE_SERIAL(CDrawingElement)
public:
    using CColor = orbisk::utils::CColor;
    using CBoundingBox3d = orbisk::geometry::CBoundingBox3d;

    // Bits of the flags word. Bits 0 to 5 are stored in the file; the others live only while
    // the program runs.
    enum : uint32_t {
        kHidden = 0x01,
        kCastsShadows = 0x02,
        kSecondShadow = 0x04,
        kSoft = 0x08,
        kSmooth = 0x10,
        kSecondHighlight = 0x20,
        kSelected = 0x40,
        // The display bits of the derived classes; bits 7 to 9 travel with CopyDisplayProperties.
        kDisplayBits = 0x3F80,
        kCopiedDisplayBits = 0x0380,
        kPersistentBits = 0x3F,
        kRunTimeBits = kSelected | kDisplayBits,
    };

    // Casts shadows and the second shadow flag; the current layer of the current model unless
    // that is the default layer.
    CDrawingElement();
    // Bits 0 to 5, the material and the layer; the run-time bits start clear.
    CDrawingElement(const CDrawingElement& other);

    // The element refers to its material and layer without owning them: one that its record
    // introduces waits in the dropped-object pool for the manager that lists it
    // (ReadUnownedReference). A failed record gives its material use back.
    void Serialize(CArchive& ar) override;
    // The material loses this element's use, then the entity's erase.
    void Erase() override;
    CEntity* CreateCopy() const override;
    void SwapContents(CEntity& other) override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    bool IsDrawingElement() const override { return true; }
    int GetEntityType() const override { return kEntityDrawingElement; }

    virtual void ReleaseGLResources();
    virtual void Draw(IModelView* view);
    // The base picks nothing: zero depth and distance, false.
    virtual bool Pick(IPickHelper* picker, double& depth, double& distance);
    virtual void DrawShadowVolume(IModelView* view, CShadowVolumeBuilder* builder);
    virtual void AddBoundsTransformed(const orbisk::geometry::CTransform3d& transform,
                                      CBoundingBox3d& box) const;
    // Window pixels and depth.
    virtual void AddScreenBounds(CBoundingBox3d& box, IModelView* view) const;
    virtual void AddBounds(CBoundingBox3d& box) const;
    virtual bool PassesCulling(IModelView* view);
    // The empty box grown by AddBounds.
    virtual CBoundingBox3d GetBounds() const;
    // The view may be null in the three visibility tests.
    virtual bool IsVisible(IModelView* view);
    virtual bool IsHidden(IModelView* view);
    virtual bool IsOnHiddenLayer(IModelView* view);
    // 0 no hit.
    virtual int PickInside(IPickHelper* picker);
    virtual bool PickRay(IPickHelper* picker, const orbisk::geometry::CRay3d& ray,
                         orbisk::geometry::CPoint3d& point, orbisk::geometry::CVector3d& normal, void* data);
    // An instance on the view's active instance path is selected.
    virtual bool IsPathSelected(IModelView* view);
    virtual void SetFlagBit4(bool on);
    virtual bool AcceptsMaterial() const;
    virtual CMaterial* GetMaterial() const;
    virtual void SetMaterial(CMaterial* material);
    // With colour by layer the layer's material, else the own one or the view's inherited one.
    virtual CMaterial* GetMaterialForView(IModelView* view);
    virtual bool UsesDefaultLayer() const;
    // The own layer, else the model's default layer (null when there is none).
    virtual CLayer* GetLayer() const;
    // The default layer is stored as null.
    virtual void SetLayer(CLayer* layer);
    // The component (entity type 2 or 4) erases the element; false for null or when the element
    // was not in its list.
    virtual bool EraseFrom(CEntity* component);
    virtual void CopyDisplayProperties(CDrawingElement& other);
    virtual void Explode(CEntity* component, CEntitySet& created);
    virtual bool CanExplode() const;
    virtual bool Accept(IEntityExportVisitor* visitor);
    virtual void InvalidateDisplay();
    virtual void UpdateDependents();
    // A colour of 0 leaves the view's colour.
    virtual void SetDrawColor(IModelView* view, CColor color);
    virtual void ApplyDrawColor(IModelView* view);
    virtual CColor GetDefaultColor(const IRenderingOptions* options);
    // The selection colours when selected, else the material's colour for the view, else the
    // default colour; 0 for none.
    virtual CColor GetColorForView(IModelView* view);
    virtual CColor GetSolidColor(const IColorContext* context);
    virtual bool UsesHighlightColor() const;

    uint32_t GetFlags() const { return m_flags; }
    bool IsSelected() const { return (m_flags & kSelected) != 0; }
    void SetHidden(bool on) { SetPersistentBit(kHidden, on); }
    void SetCastsShadows(bool on) { SetPersistentBit(kCastsShadows, on); }
    void SetSoft(bool on) { SetPersistentBit(kSoft, on); }
    // Run-time state only: no change notice.
    void SetSelectedFlag(bool on) { SetBit(m_flags, kSelected, on); }
    void SetSecondFlag(bool on) { SetBit(m_secondFlags, 1u, on); }
    bool GetSecondFlag() const { return (m_secondFlags & 1u) != 0; }

    // 0 without a material; the plain colour, or the material's display colour.
    CColor GetMaterialColor() const;
    // The current material manager's material for the colour; nothing for 0, for an element
    // that accepts no material or one that already has a plain material of that colour.
    void SetMaterialFromColor(CColor color, bool announce);
    bool HasFlaggedInstanceOnPath(IModelView* view);
    bool HasHiddenInstanceOnPath(IModelView* view);
    // Forgets the material and layer (and any further shared part a kind of element uses)
    // without touching them: for an element that a reader dropped and that is freed after the
    // model's contents, which held those parts, are gone.
    virtual void ForgetSharedParts();

protected:
    static void SetBit(uint32_t& word, uint32_t bit, bool on) { word = on ? word | bit : word & ~bit; }
    // With a change notice when the bit changes.
    void SetPersistentBit(uint32_t bit, bool on);

    uint32_t m_flags = kCastsShadows | kSecondShadow;
    uint32_t m_secondFlags = 0;
    CMaterial* m_material = nullptr;
    CLayer* m_layer = nullptr;

private:
    void ReadRecord(CArchive& ar);
    void WriteRecord(CArchive& ar) const;
    void ReadMaterial(CArchive& ar, int32_t schema);
    void ReplaceMaterial(CMaterial* material, bool notify);
    bool HasInstanceOnPathWith(IModelView* view, uint32_t bit);
    CLayer* GetDefaultLayer() const;
    int CheckOwnValidity(int level, CCheckedObjectMap* map);
    int CheckMaterialMembership(int level, CCheckedObjectMap* map);
    int CheckLayerMembership(int level, CCheckedObjectMap* map);
};
