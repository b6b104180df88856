#pragma once
// CComponentInstance: places a component definition inside a component. It refers to the
// definition (which lists it among its instances), holds the transformation from the
// definition's coordinates into its parent's, and has a name of its own. Groups and images are
// kinds of instance.
//
// Instances whose definition is missing (a damaged file) are skipped by bounds, picks and
// walks; the validity check reports them.

#include "components/ComponentDefinition.h"
#include "database/IComponentInstance.h"
#include "geometry/Plane3d.h"
#include "geometry/Transform3d.h"
#include "geometry/Vector3d.h"

class CInstancePath;

class CComponentInstance : public CDrawingElement, public IComponentInstance {
    DECLARE_SERIAL(CComponentInstance)
public:
    CComponentInstance() = default;
    // The drawing-element part, the definition pointer, the transformation and the name; the
    // copy is not listed by the definition.
    CComponentInstance(const CComponentInstance& other);
    CComponentInstance& operator=(const CComponentInstance&) = delete;
    // Leaves the definition's list when still listed there.
    ~CComponentInstance() override;

    // Schemas 0 to 4. The instance joins its definition's list as it reads the reference; a
    // failed record leaves it again.
    void Serialize(CArchive& ar) override;
    void Erase() override;
    // The transformation applied after the stored one.
    void Transform(const orbisk::geometry::CTransform3d& transform) override;
    CEntity* CreateCopy() const override;
    void SwapContents(CEntity& other) override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityComponentInstance; }

    void AddBoundsTransformed(const orbisk::geometry::CTransform3d& transform,
                              CBoundingBox3d& box) const override;
    void AddBounds(CBoundingBox3d& box) const override;
    bool CanExplode() const override { return true; }
    void UpdateDependents() override;
    CColor GetSolidColor(const IColorContext* context) override;

    // IComponentInstance.
    CComponentDefinition* GetDefinition() const override { return m_definition; }
    // Only the definition's AddInstance and RemoveInstance set it.
    void SetDefinition(CComponentDefinition* definition);
    virtual bool IsSoleInstance() const;
    // Drops the pointer without a change record: for a definition that goes first.
    void ForgetDefinition() { m_definition = nullptr; }

    const orbisk::geometry::CTransform3d& GetTransform() const { return m_transform; }
    void SetTransform(const orbisk::geometry::CTransform3d& transform);
    // Keeps the axis directions and the origin; the given per-axis scales replace the current.
    void SetScales(const orbisk::geometry::CVector3d& scales);
    // Makes the axes perpendicular again, keeping the x direction, the origin and the scales.
    void Orthogonalize();
    // After every change of the transformation.
    virtual void OnTransformChanged();
    const CString& GetName() const { return m_name; }
    void SetName(const CString& name);

    // The stored transformation turned about its own z axis until its y axis points along the
    // viewing direction d; enclosing is the product of the enclosing instances' transformations.
    orbisk::geometry::CTransform3d GetCameraFacingTransform(
        const orbisk::geometry::CVector3d& direction, const orbisk::geometry::CTransform3d& enclosing) const;
    // Whether the definition's instances turn towards the camera.
    bool IsFacingCamera() const;
    // The definition's box, widened for every turn of camera-facing definitions.
    CBoundingBox3d GetDefinitionBox(bool forCulling) const;

    // The nearest hit of the line inside the definition, carried back into this instance's
    // parent coordinates; the path gets this instance followed by the definition's path.
    bool PickLine(const orbisk::geometry::CLine3d& line, double scale, orbisk::geometry::CPoint3d& point,
                  CInstancePath& path, bool skipHidden);

    // Drawing (ComponentDrawing.cpp). The draw transform is the stored one, turned towards the
    // camera for face-me definitions that are not being edited.
    orbisk::geometry::CTransform3d GetDrawTransform(IModelView* view) const;
    bool PassesCulling(IModelView* view) override;
    void Draw(IModelView* view) override;
    int PickInside(IPickHelper* picker) override;
    // The definition's axes box holding the origin (unless an image), grown by 30 pixels.
    CBoundingBox3d GetSelectionBounds(IModelView* view) const;
    void DrawSelectionBox(IModelView* view);
    void DrawComponentAxes(IModelView* view);

    // The recursive drawing walk: one visitor per kind of content, called for the instance's
    // definition with the instance's path, material, layer and transform in force.
    class Drawer {
    public:
        virtual ~Drawer() = default;
        virtual void Visit(CComponentInstance* instance, IModelView* view) = 0;
    };
    // Nothing for an instance that is not visible in the view, or that has no definition.
    static void WalkWithDrawer(CComponentInstance* instance, Drawer& drawer, IModelView* view,
                               bool applyToGL);
    void DrawFacesRecursively(IModelView* view);
    void DrawEdgesRecursively(IModelView* view);
    void DrawBackEdges(IModelView* view);
    void DrawEdgesItemBuffer(IModelView* view);
    void DrawEdgesNPR(IModelView* view);
    void DrawAnnotations(IModelView* view);
    void PushInheritedMaterial(IModelView* view);
    void PopInheritedMaterial(IModelView* view);
    void PushInheritedLayer(IModelView* view);
    void PopInheritedLayer(IModelView* view);

    // Glue: the relationships in which the instance is driven.
    bool IsGlued() const;
    bool GetGluePlane(orbisk::geometry::CPlane3d& plane, CEntity*& driver) const;

protected:
    void SetTransformRaw(const orbisk::geometry::CTransform3d& transform) { m_transform = transform; }

private:
    void ReadRecord(CArchive& ar);
    int CheckOwnValidity(int level, CCheckedObjectMap* map);
    int CheckGlue(int level, int result);

    CComponentDefinition* m_definition = nullptr;
    orbisk::geometry::CTransform3d m_transform;
    CString m_name;
};

// The instance behind an entity of type 5, 20 or 21, or null.
CComponentInstance* AsInstanceClass(CEntity* entity);
const CComponentInstance* AsInstanceClass(const CEntity* entity);
