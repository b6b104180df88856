#pragma once
// The fixture of the topology tests and the doubles of what topology reaches above itself: a
// face (entity type 18) with a plane and a loop list, display options with the edge settings,
// a view that colours segments by axis, and an export visitor that records what it is sent.
//
// Each test runs with a current test model and one open undo operation, which sees every
// entity the test makes or reads: an entity erased in it is deleted at once (its address then
// answers WasCreatedAndErased), and the fixture deletes those still alive at the end. Entities
// a test makes must therefore be made with new, never on the stack.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "database/CurrentModel.h"
#include "database/DrawingElement.h"
#include "database/IRenderingOptions.h"
#include "database/UndoManager.h"
#include "geometry/Plane3d.h"
#include "model/ZephyronModel.h"
#include "tests/model/doubles/EntityDoubles.h"
#include "tests/model/doubles/ViewDouble.h"
#include "tests/support/ArchiveBytes.h"
#include "tests/support/TopologyRecords.h"
#include "topology/CompactPtrArray.h"
#include "topology/EntityExportVisitor.h"
#include "topology/IEdgeDisplayOptions.h"
#include "topology/IFace.h"

class CEdge;
class CEdgeUse;
class CLoop;
class CVertex;

using orbisk::geometry::CPlane3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CVector3d;

class TestFace : public CDrawingElement, public IFace {
public:
    explicit TestFace(const CPlane3d& plane_ = {}) : plane(plane_) {}
    int GetEntityType() const override { return kEntityFace; }
    const CPlane3d& GetPlane() const override { return plane; }
    void ReversePlane() override
    {
        plane.Reverse();
        ++planeReversals;
    }
    const CCompactPtrArray& GetLoops() const override { return loops; }
    void InvalidateBounds() override { ++boundsInvalidations; }
    // Appends the loop and makes this its face.
    void AddLoop(CLoop* loop);

    CPlane3d plane;
    CCompactPtrArray loops;
    int planeReversals = 0;
    int boundsInvalidations = 0;
};

class TestEdgeOptions : public IRenderingOptions, public IEdgeDisplayOptions {
public:
    CColor GetEdgeColor() const override { return edgeColor; }
    CColor GetSelectedColor() const override { return {255, 255, 0}; }
    CColor GetLockedColor() const override { return {255, 0, 0}; }
    bool IsColorByLayer() const override { return false; }
    bool IsHiddenGeometryShown() const override { return false; }
    void SetAxesShown(bool) override {}
    bool GetTransparencyEnabled() const override { return true; }
    bool GetXRay() const override { return false; }
    double GetXRayOpacity() const override { return 1.0; }

    int GetRenderingMode() const override { return renderingMode; }
    int GetEdgeDisplay() const override { return edgeDisplay; }
    bool AreProfilesShown() const override { return profiles; }
    int GetEdgeColorMode() const override { return edgeColorMode; }
    bool HidesSoftEdges() const override { return hideSoftEdges; }
    bool AveragesNormals() const override { return averageNormals; }

    CColor edgeColor{10, 20, 30};
    int renderingMode = 2;
    int edgeDisplay = 1;
    bool profiles = false;
    int edgeColorMode = 0;
    bool hideSoftEdges = true;
    bool averageNormals = true;
};

// Red, green or blue for segments along x, y or z; grey otherwise.
class AxisColorView : public RecordingView {
public:
    CColor& GetColorByAxis(CColor& out, CPoint3d start, CPoint3d end) override;
};

class RecordingExportVisitor : public IEntityExportVisitor {
public:
    bool WantsEdges() override { return wantsEdges; }
    bool AddLine(const CPoint3d& start, const CPoint3d& end, CColor, CLayer*) override;
    bool AddArc(const orbisk::geometry::CArc3d& arc, CColor, CLayer*) override;
    bool AddPolyline(const std::vector<CPoint3d>& points, CColor, CLayer*) override;

    bool wantsEdges = true;
    // "line", "arc" or "polyline" with the number of points.
    std::vector<std::string> sent;
    std::vector<CPoint3d> points;
};

class TopologyTest : public ::testing::Test {
protected:
    TopologyTest();
    ~TopologyTest() override;

    CVertex* NewVertex(const CPoint3d& position);
    CEdge* NewEdge(CVertex* start, CVertex* end);
    // A closed chain of new edges through new vertices at the points, in order.
    std::vector<CEdge*> NewPolygon(const std::vector<CPoint3d>& points);
    TestFace* NewFace(const CPlane3d& plane = {});
    // The outer loop of a new face (normal +z) on a closed chain of edges.
    CLoop* NewFaceLoop(const std::vector<CEdge*>& edges, TestFace** face = nullptr);

    // Installs the version map of the records' schemas.
    static void UseSchemas(const TopologyRecords& records);
    // Reads `count` references from the bytes (each of any class) and expects nothing left.
    std::vector<CObject*> ReadObjects(const Bytes& bytes, size_t count);
    template <class T>
    T* ReadOne(const Bytes& bytes)
    {
        return dynamic_cast<T*>(ReadObjects(bytes, 1).front());
    }
    // The archive exception cause of reading one reference (none when it reads). Undo recording
    // is off meanwhile, so that what the failed record drops goes with the model's pool.
    static int ReadFailure(const Bytes& bytes);

    // Current, with its undo manager, for the whole test.
    CZephyronModel model;
    CUndoOperation* operation = nullptr;
    // A component for what a test puts into one; made before the operation opens.
    TestComponent component;
};

// The validity report so far, as a standard string.
std::wstring Report();

// Every coordinate of the point within 1e-9 of the expected one.
void ExpectNear(const orbisk::geometry::CPoint3d& actual, const orbisk::geometry::CPoint3d& expected);
