#include "tests/topology/TopologyTestSupport.h"

#include <cstdlib>

#include "database/ArchiveSchema.h"
#include "database/Validity.h"
#include "database/VersionMap.h"
#include "tests/support/UndoLogFolder.h"
#include "tests/support/VersionMaps.h"
#include "topology/CurveFixupList.h"
#include "topology/Edge.h"
#include "topology/Loop.h"
#include "topology/Vertex.h"

void TestFace::AddLoop(CLoop* loop)
{
    loops.Append(loop);
    loop->SetFace(this);
}

CDrawingElement::CColor& AxisColorView::GetColorByAxis(CColor& out, CPoint3d start, CPoint3d end)
{
    const CVector3d d = end - start;
    if (d.y == 0.0 && d.z == 0.0)
        out = CColor(255, 0, 0);
    else if (d.x == 0.0 && d.z == 0.0)
        out = CColor(0, 255, 0);
    else if (d.x == 0.0 && d.y == 0.0)
        out = CColor(0, 0, 255);
    else
        out = CColor(128, 128, 128);
    return out;
}

bool RecordingExportVisitor::AddLine(const CPoint3d& start, const CPoint3d& end, CColor, CLayer*)
{
    sent.push_back("line");
    points = {start, end};
    return true;
}

bool RecordingExportVisitor::AddArc(const orbisk::geometry::CArc3d&, CColor, CLayer*)
{
    sent.push_back("arc");
    return true;
}

bool RecordingExportVisitor::AddPolyline(const std::vector<CPoint3d>& points_, CColor, CLayer*)
{
    sent.push_back("polyline " + std::to_string(points_.size()));
    points = points_;
    return true;
}

TopologyTest::TopologyTest()
{
    SetCurrentModel(&model);
    operation = model.GetUndoManager()->StartOperation(0, L"Test", false, false);
    ClearValidityReport();
}

TopologyTest::~TopologyTest()
{
    CCurveFixupList::Clear();
    SetCurrentVersionMap(nullptr);
    // What the operation saw made and still lives.
    const std::vector<CEntity*> alive = operation->GetCreatedEntities();
    for (CEntity* entity : alive)
        delete entity;
    model.GetUndoManager()->Clear();
    SetValidityChecksEnabled(false);
    ClearValidityReport();
}

CVertex* TopologyTest::NewVertex(const CPoint3d& position)
{
    return new CVertex(position);
}

CEdge* TopologyTest::NewEdge(CVertex* start, CVertex* end)
{
    return new CEdge(start, end, false);
}

std::vector<CEdge*> TopologyTest::NewPolygon(const std::vector<CPoint3d>& points)
{
    std::vector<CVertex*> vertices;
    for (const CPoint3d& point : points)
        vertices.push_back(NewVertex(point));
    std::vector<CEdge*> edges;
    for (size_t i = 0; i < vertices.size(); ++i)
        edges.push_back(NewEdge(vertices[i], vertices[(i + 1) % vertices.size()]));
    return edges;
}

TestFace* TopologyTest::NewFace(const CPlane3d& plane)
{
    return new TestFace(plane);
}

CLoop* TopologyTest::NewFaceLoop(const std::vector<CEdge*>& edges, TestFace** face)
{
    TestFace* owner = NewFace();
    auto* loop = new CLoop(static_cast<int>(edges.size()), edges.data(), owner);
    owner->loops.Append(loop);
    if (face)
        *face = owner;
    return loop;
}

void TopologyTest::UseSchemas(const TopologyRecords& records)
{
    InstallVersionMap(records.GetVersionMap());
}

std::vector<CObject*> TopologyTest::ReadObjects(const Bytes& bytes, size_t count)
{
    std::vector<CObject*> objects;
    EXPECT_EQ(BytesLeftAfter(bytes,
                             [&](CArchive& ar) {
                                 for (size_t i = 0; i < count; ++i)
                                     objects.push_back(ar.ReadObject(nullptr));
                             }),
              0u);
    return objects;
}

int TopologyTest::ReadFailure(const Bytes& bytes)
{
    CSuspendUndo unrecorded;
    return ArchiveCause([&] {
        ReadFrom(bytes, [](CArchive& ar) {
            CObject* object = ar.ReadObject(nullptr);
            // Read after all: not this test's case, but nothing may stay behind.
            if (auto* entity = dynamic_cast<CEntity*>(object))
                entity->Erase();
        });
    });
}

std::wstring Report()
{
    return GetValidityReport().GetString();
}

void ExpectNear(const orbisk::geometry::CPoint3d& actual, const orbisk::geometry::CPoint3d& expected)
{
    EXPECT_NEAR(actual.x, expected.x, 1e-9);
    EXPECT_NEAR(actual.y, expected.y, 1e-9);
    EXPECT_NEAR(actual.z, expected.z, 1e-9);
}
