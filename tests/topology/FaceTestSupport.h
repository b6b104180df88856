#pragma once
// The fixture of the face tests: faces built in memory from new vertices and edges, faces as a
// file holds them (the loop records of TopologyRecords inside the face records of FaceRecords),
// and the doubles of what faces reach above the model: the openings that glued components cut,
// served through a model's object factory, and a picker whose pick volume is a box.

#include <memory>
#include <vector>

#include "database/ICamera.h"
#include "database/IObjectFactory.h"
#include "database/IPickHelper.h"
#include "geometry/BoundingBox3d.h"
#include "tests/model/doubles/ModelDouble.h"
#include "tests/support/FaceRecords.h"
#include "tests/topology/TopologyTestSupport.h"
#include "topology/Face.h"
#include "topology/FaceOpenings.h"
#include "topology/SectionPlaneStack.h"

class CMaterial;

// An opening: a perimeter loop placed by a transformation.
class TestOpeningLoop : public IOpeningLoop {
public:
    TestOpeningLoop(const CLoop* loop, const orbisk::geometry::CTransform3d& placement,
                    const CVector3d& normal)
        : m_loop(loop), m_placement(placement), m_normal(normal)
    {}
    const CLoop* GetPerimeterLoop() const override { return m_loop; }
    orbisk::geometry::CTransform3d GetPlacement() const override { return m_placement; }
    double GetArea(const orbisk::geometry::CTransform3d* extra) const override;

private:
    const CLoop* m_loop;
    orbisk::geometry::CTransform3d m_placement;
    CVector3d m_normal;
};

// Hands every face the same openings.
class TestOpeningFactory : public IObjectFactory {
public:
    std::unique_ptr<ICamera> CreateCamera() override { return nullptr; }
    CEntity* CreateFont(const CFontDescription&) override { return nullptr; }
    CEnumOpeningLoop* CreateOpeningEnumerator(CEntity* face, IModelView* view) override;

    std::vector<TestOpeningLoop> openings;
    int created = 0;
};

// Hands its faces the openings a test scripts; the real model finds them in glued components.
class OpeningModel : public BareModelContext {
public:
    IObjectFactory* GetObjectFactory() override { return &factory; }
    TestOpeningFactory factory;
};

// The parent through which a face finds its model.
class ModelHolder : public CEntity {
public:
    explicit ModelHolder(IModelContext* model_) : model(model_) {}
    IModelContext* GetModel() const override { return model; }
    IModelContext* model;
};

// A picker whose pick volume is an axis-aligned box: points inside it, segments meeting it and
// boxes meeting it are accepted. It records the elements the face reports.
class BoxPickHelper : public IPickHelper {
public:
    // IDrawingBase: no transformation, no filters; the section planes a test pushes.
    void PushTransform(const orbisk::geometry::CTransform3d&, bool) override {}
    void PopTransform(bool) override {}
    bool HasElements() override { return false; }
    orbisk::geometry::CTransform3d GetTransform() override { return {}; }
    orbisk::geometry::CTransform3d GetInverseTransform() override { return {}; }
    CPoint3d GetEyePoint() override { return ray.origin; }
    CVector3d GetViewDirection() override { return ray.direction; }
    void SetEyeAndDirection(const CPoint3d&, const CVector3d&) override {}
    orbisk::geometry::IGeomFilter* GetGeometryFilter() override { return nullptr; }
    void ClearGeometryFilters() override {}
    void PushGeometryFilter(orbisk::geometry::IGeomFilter* filter) override { delete filter; }
    void PopGeometryFilter() override {}
    void PushSectionPlane(CSectionPlane*, bool) override {}
    int PopSectionPlane(bool) override { return 0; }
    void SetDrawFlags(bool) override {}
    CSectionPlaneStack* GetSectionPlaneStack() override { return &sectionPlanes; }

    int GetPickMode() override { return mode; }
    bool IsWindowPick() override { return mode == kWindowPick || mode == kCrossingPick; }
    orbisk::geometry::CRay3d GetPickRay() override { return ray; }
    orbisk::geometry::CRay3d GetLocalRay() override { return ray; }
    int PickLine(const orbisk::geometry::CLine3d&) override { return 0; }
    int PickSegment(const CPoint3d& start, const CPoint3d& end) override;
    bool TestBox(const orbisk::geometry::CBoundingBox3d& box) override;
    int PickPoint(const CPoint3d& point) override;
    bool IsEntityVisible(CEntity*) override { return visible; }
    IModelView* GetView() override { return nullptr; }
    void PushPathEntity(CEntity*) override {}
    void PopPathEntity() override {}
    bool DescendsIntoInstances() override { return true; }
    bool GetSecondaryFlag() override { return true; }
    bool GetPicksSoftEdges() override { return false; }
    void SetPicksSoftEdges(bool) override {}
    void AddHit(CEntity*, bool, bool) override {}
    void SetHitTag(int) override {}
    CEntity* GetHitElement() override { return hitElement; }
    void SetHitElement(CEntity* element) override { hitElement = element; }
    double DistanceToFilterPlane(const CPoint3d&, int) override { return 0.001; }
    void GetApertureCorners(CPoint3d (&out)[4]) override;

    // The pick volume, and the aperture around the ray at its origin (half its width).
    orbisk::geometry::CBoundingBox3d volume;
    orbisk::geometry::CRay3d ray;
    double apertureHalfWidth = 0.5;
    int mode = kPointPick;
    bool visible = true;
    CEntity* hitElement = nullptr;
    int pointTests = 0;
    CSectionPlaneStack sectionPlanes;
};

class FaceTest : public TopologyTest {
protected:
    ~FaceTest() override;

    // A face (normal +z) on the outline, its loop counter-clockwise.
    CFace* NewFace(const std::vector<CPoint3d>& outline);
    // A square of that side with its lower left corner there, in the plane z = corner.z.
    CFace* NewSquareFace(const CPoint3d& corner, double side);
    // A hole of new edges on the outline.
    CLoop* AddHole(CFace* face, const std::vector<CPoint3d>& outline);
    static std::vector<CPoint3d> Square(const CPoint3d& corner, double side);
    CMaterial* NewMaterial(bool transparent);

    static void UseSchemas(const FaceRecords& records);
    // Reads one record after mapping the objects the stand-ins stand for.
    CObject* ReadWithStandIns(const Bytes& bytes, std::initializer_list<const CObject*> standIns);
    // The cause of reading one record with the stand-ins mapped.
    static int FailureWithStandIns(const Bytes& bytes, std::initializer_list<const CObject*> standIns);
    // The records of a unit square loop (outer, marked not convex) in the topology records.
    static TopologyRecords::LoopRecord& SquareLoopRecord(TopologyRecords& records, double offset = 0.0);
    // The file's writer version for one test.
    static void SetWriterVersion(int major, int minor);
};
