// Reference points: where they resolve (through nested instances, along edges and guides, on
// faces, at crossings), how they follow their entities and detach from erased ones, and their
// record, read from hand-made bytes and written back.

#include <gtest/gtest.h>

#include <cmath>

#include "components/ComponentInstance.h"
#include "components/LinearDimension.h"
#include "components/ReferencePoint.h"
#include "database/ArchiveSchema.h"
#include "database/BackReferenceIndex.h"
#include "database/EntitySet.h"
#include "database/VersionMap.h"
#include "geometry/Line3d.h"
#include "tests/support/ComponentRecords.h"
#include "tests/support/DimensionRecords.h"
#include "tests/support/VersionMaps.h"
#include "tests/topology/TopologyTestSupport.h"
#include "topology/ArcCurve.h"
#include "topology/ConstructionLine.h"
#include "topology/ConstructionPoint.h"
#include "topology/Edge.h"
#include "topology/SectionPlane.h"
#include "topology/Vertex.h"

using orbisk::geometry::CArc3d;
using orbisk::geometry::CLine3d;
using orbisk::geometry::CTransform3d;

namespace {

// The record of a free point: kind 1, version 4, the position, two null references, two empty
// paths.
Bytes FreePointRecord(const CPoint3d& position)
{
    return LittleEndian(int32_t{1}, int32_t{4}, position.x, position.y, position.z, uint16_t{0}, uint16_t{0},
                        int32_t{0}, int32_t{0});
}

Bytes Written(CReferencePoint& point)
{
    return WrittenBy([&](CArchive& ar) { point.Write(ar); });
}

class ReferencePointTest : public TopologyTest {
protected:
    CComponentInstance* NewInstance(const CTransform3d& transform)
    {
        auto* instance = new CComponentInstance;
        instance->SetTransform(transform);
        return instance;
    }

    static void UseSchemas(const TopologyRecords& topology, const DimensionRecords& dimensions)
    {
        InstallVersionMap(topology.GetVersionMap(), dimensions.GetVersionMap());
    }

    // Reads one reference point record from the bytes, and expects nothing left.
    static CReferencePoint ReadPoint(const Bytes& bytes)
    {
        CReferencePoint point;
        EXPECT_EQ(BytesLeftAfter(bytes, [&](CArchive& ar) { point.Read(ar); }), 0u);
        return point;
    }

    static int ReadPointFailure(const Bytes& bytes)
    {
        CSuspendUndo unrecorded;
        return ArchiveCause([&] {
            ReadFrom(bytes, [](CArchive& ar) {
                CReferencePoint point;
                point.Read(ar);
            });
        });
    }
};

TEST_F(ReferencePointTest, VertexReachedThroughTwoNestedInstancesTakesBothPlacements)
{
    CVertex* vertex = NewVertex({1, 2, 3});
    CTransform3d outer;
    outer.SetTranslation({10, 0, 0});
    CComponentInstance* outerInstance = NewInstance(outer);
    CComponentInstance* innerInstance = NewInstance(CTransform3d(2, 2, 2));
    CInstancePath path;
    path.PushBack(outerInstance);
    path.PushBack(innerInstance);
    CReferencePoint point;
    point.Set(CReferencePoint::kVertex, {}, vertex, path);

    ExpectNear(point.GetPosition(), {12, 4, 6});
    ExpectNear(point.GetLocalPosition(), {1, 2, 3});
}

TEST_F(ReferencePointTest, EdgePointMadeAtTheMiddleStaysInTheMiddleWhenAVertexMoves)
{
    CVertex* start = NewVertex({0, 0, 0});
    CVertex* end = NewVertex({4, 0, 0});
    CEdge* edge = NewEdge(start, end);
    CReferencePoint point(edge, CPoint3d(2, 0, 0));
    ASSERT_EQ(point.GetKind(), CReferencePoint::kEdgePoint);
    EXPECT_DOUBLE_EQ(point.GetParameters()[0], 0.5);

    end->SetPosition({8, 2, 0});
    ExpectNear(point.GetPosition(), {4, 1, 0});
}

TEST_F(ReferencePointTest, GuideLinePointLiesItsParameterAlongTheLine)
{
    auto* guide = new CConstructionLine(CLine3d({1, 1, 0}, {2, 1, 0}));
    CReferencePoint point;
    point.Set(CReferencePoint::kGuideLine, {2, 0, 0}, guide);
    ExpectNear(point.GetPosition(), {3, 1, 0});
}

TEST_F(ReferencePointTest, FacePointMadeAtAPointResolvesToThatPoint)
{
    TestFace* face = nullptr;
    NewFaceLoop(NewPolygon({{0, 0, 0}, {4, 0, 0}, {4, 2, 0}, {0, 2, 0}}), &face);
    CReferencePoint point(face, CPoint3d(1, 0.5, 0));
    ASSERT_EQ(point.GetKind(), CReferencePoint::kFacePoint);
    // Read back, a face point is its kind, face and parameters.
    CReferencePoint read;
    read.Set(CReferencePoint::kFacePoint, {point.GetParameters()[0], point.GetParameters()[1], 0}, face);
    ExpectNear(read.GetPosition(), {1, 0.5, 0});
}

TEST_F(ReferencePointTest, FaceParametersOfAFaceWithoutExtentAreZeroRatherThanInfinite)
{
    TestFace* face = nullptr;
    NewFaceLoop(NewPolygon({{0, 0, 0}, {4, 0, 0}, {8, 0, 0}}), &face);
    // Along the first edge a quarter of the way across the loop's extent of two first edges.
    const CPoint3d uv = GetFaceUV(face, {2, 0, 0});
    EXPECT_DOUBLE_EQ(uv.x, 0.25);
    EXPECT_EQ(uv.y, 0.0);
}

TEST_F(ReferencePointTest, CrossingOfAnEdgeAndAFaceIsWhereTheEdgeLinePiercesTheFacePlane)
{
    TestFace* face = nullptr;
    NewFaceLoop(NewPolygon({{0, 0, 0}, {4, 0, 0}, {4, 2, 0}, {0, 2, 0}}), &face);
    face->plane = CPlane3d(0, 0, 1, 0);
    CEdge* edge = NewEdge(NewVertex({1, 1, 5}), NewVertex({1, 1, 6}));
    CReferencePoint point;
    point.Set(CReferencePoint::kIntersection, {}, edge, {}, face);
    ExpectNear(point.GetPosition(), {1, 1, 0});
}

TEST_F(ReferencePointTest, ErasingTheEdgeTurnsTheReferenceIntoAFreePointThatWritesAsOne)
{
    CEdge* edge = NewEdge(NewVertex({0, 0, 0}), NewVertex({4, 0, 0}));
    auto* dimension = new CDimensionLinear;
    dimension->SetPoints(CReferencePoint(edge, CPoint3d(1, 0, 0)), CReferencePoint(CPoint3d(9, 9, 0)));
    CReferencePoint& point = dimension->GetPoint(0);
    ExpectNear(point.GetPosition(), {1, 0, 0});

    edge->Erase();

    EXPECT_EQ(point.GetKind(), CReferencePoint::kFree);
    EXPECT_EQ(point.GetEntity(), nullptr);
    EXPECT_FALSE(dimension->IsAssociated());
    ExpectNear(point.GetPosition(), {1, 0, 0});
    EXPECT_EQ(Written(point), FreePointRecord({1, 0, 0}));
}

TEST_F(ReferencePointTest, DetachOnWriteWritesAFreePointOnceAndKeepsTheAnchor)
{
    CVertex* vertex = NewVertex({3, 4, 5});
    CReferencePoint point(vertex);
    point.GetPosition();
    point.SetDetachOnWrite(true);

    EXPECT_EQ(Written(point), FreePointRecord({3, 4, 5}));
    EXPECT_FALSE(point.GetDetachOnWrite());
    EXPECT_EQ(point.GetEntity(), vertex);
    // The next record is the vertex reference again.
    const Bytes next = Written(point);
    EXPECT_EQ(Bytes(next.begin(), next.begin() + 4), LittleEndian(int32_t{CReferencePoint::kVertex}));
}

TEST_F(ReferencePointTest, RecordsOfEachVersionReadTheirFields)
{
    struct Case {
        int32_t version;
        bool hasSecondEntity;
    };
    for (const Case& c : {Case{0, false}, Case{1, true}, Case{3, true}, Case{4, true}}) {
        SCOPED_TRACE(c.version);
        TopologyRecords topology;
        DimensionRecords dimensions;
        UseSchemas(topology, dimensions);
        auto& vertex = topology.Vertex({1, 2, 3});
        // The edge's vertices are read already: in a file, the component that lists them owns them.
        auto& second = topology.Edge(vertex, vertex);
        DimensionRecords::Point record = DimensionRecords::Point::On(CReferencePoint::kVertex, &vertex);
        record.version = c.version;
        record.entity2 = &second;
        const Bytes bytes = WrittenBy([&](CArchive& ar) { record.Write(ar); });
        CSuspendUndo unrecorded;
        CReferencePoint point = ReadPoint(bytes);
        ASSERT_NE(point.GetEntity(), nullptr);
        ExpectNear(point.GetPosition(), {1, 2, 3});
        EXPECT_EQ(point.GetEntity2() != nullptr, c.hasSecondEntity);
        EXPECT_TRUE(point.GetPath().IsEmpty());
    }
}

TEST_F(ReferencePointTest, DamagedRecordsRaiseTheArchiveException)
{
    TopologyRecords topology;
    DimensionRecords dimensions;
    UseSchemas(topology, dimensions);
    auto& vertex = topology.Vertex({1, 2, 3});

    const Bytes negativeCount = LittleEndian(int32_t{2}, int32_t{4}, 0.0, 0.0, 0.0, uint16_t{0}, uint16_t{0},
                                             int32_t{-5}, int32_t{0});
    EXPECT_EQ(ReadPointFailure(negativeCount), CArchiveException::genericException);

    const Bytes hugeCount = LittleEndian(int32_t{2}, int32_t{4}, 0.0, 0.0, 0.0, uint16_t{0}, uint16_t{0},
                                         int32_t{0x7FFFFFFF}, int32_t{0});
    EXPECT_EQ(ReadPointFailure(hugeCount), CArchiveException::endOfFile);

    // A vertex where the path needs an instance.
    DimensionRecords::Point wrongClass = DimensionRecords::Point::On(CReferencePoint::kVertex, nullptr);
    wrongClass.path = {&vertex};
    EXPECT_EQ(ReadPointFailure(WrittenBy([&](CArchive& ar) { wrongClass.Write(ar); })),
              CArchiveException::badClass);

    const Bytes full = WrittenBy([&](CArchive& ar) { DimensionRecords::Point().Write(ar); });
    for (size_t length : {size_t{0}, size_t{7}, full.size() - 1}) {
        SCOPED_TRACE(length);
        EXPECT_EQ(ReadPointFailure(Bytes(full.begin(), full.begin() + static_cast<long>(length))),
                  CArchiveException::endOfFile);
    }
}

TEST_F(ReferencePointTest, ReplacedEntityPassesTheAnchorAndTheBackReferenceOn)
{
    CVertex* old = NewVertex({1, 0, 0});
    CVertex* replacement = NewVertex({2, 0, 0});
    auto* dimension = new CDimensionLinear;
    dimension->SetPoints(CReferencePoint(old), CReferencePoint(CPoint3d(5, 0, 0)));
    CReferencePoint& point = dimension->GetPoint(0);

    EXPECT_FALSE(point.HandleEntityEvent(dimension, CReferencePoint::kReplaced, replacement, old));
    EXPECT_TRUE(point.HandleEntityEvent(dimension, CReferencePoint::kReplaced, old, replacement));

    EXPECT_EQ(point.GetEntity(), replacement);
    ExpectNear(point.GetPosition(), {2, 0, 0});
    EXPECT_TRUE(model.GetBackReferenceIndex().HasEntry(replacement, dimension));
    EXPECT_FALSE(model.GetBackReferenceIndex().HasEntry(old, dimension));
}

TEST_F(ReferencePointTest, VerifyRestoresMissingBackReferencesAndDetachesFromBrokenPaths)
{
    CVertex* vertex = NewVertex({1, 2, 3});
    vertex->SetParent(&component);
    auto* dimension = new CDimensionLinear;
    dimension->SetParent(&component);
    CReferencePoint point(vertex);

    EXPECT_FALSE(point.Verify(dimension, false));
    EXPECT_FALSE(point.Verify(dimension, true));
    EXPECT_TRUE(point.Verify(dimension, false));

    // An instance on the path whose definition is not the vertex's component.
    CComponentInstance* instance = NewInstance({});
    CInstancePath path;
    path.PushBack(instance);
    CReferencePoint throughNothing;
    throughNothing.Set(CReferencePoint::kVertex, {}, vertex, path);
    throughNothing.AddBackReferences(dimension);
    EXPECT_FALSE(throughNothing.Verify(dimension, true));
    EXPECT_EQ(throughNothing.GetKind(), CReferencePoint::kFree);
    EXPECT_TRUE(throughNothing.GetPath().IsEmpty());
    vertex->SetParent(nullptr);
    dimension->SetParent(nullptr);
}

TEST_F(ReferencePointTest, GroupingTheAnchorPutsTheNewInstanceInFrontOfThePath)
{
    CVertex* vertex = NewVertex({1, 2, 3});
    auto* dimension = new CDimensionLinear;
    dimension->SetPoints(CReferencePoint(vertex), CReferencePoint(CPoint3d(5, 0, 0)));
    CTransform3d moved;
    moved.SetTranslation({0, 0, 10});
    CComponentInstance* group = NewInstance(moved);
    CEntitySet set;
    set.Insert(vertex);

    dimension->OnEntitiesGrouped(set, group);

    const CReferencePoint& point = dimension->GetPoint(0);
    ASSERT_EQ(point.GetPath().GetSize(), 1);
    EXPECT_EQ(point.GetPath().GetFirst(), group);
    EXPECT_TRUE(model.GetBackReferenceIndex().HasEntry(group, dimension));
    ExpectNear(dimension->GetPoint(0).GetPosition(), {1, 2, 13});
    // The free second point is anchored nowhere and stays as it was.
    EXPECT_TRUE(dimension->GetPoint(1).GetPath().IsEmpty());
}

TEST_F(ReferencePointTest, EachKindResolvesOnItsOwnEntityTypeAndToTheOriginOnAnother)
{
    auto* guidePoint = new CConstructionPoint({1, 2, 3}, {0, 0, 0}, false);
    auto* section = new CSectionPlane;
    section->SetPlane(CPlane3d(0, 0, 1, -4));
    auto* arc = new CArcCurve;
    CArc3d circle;
    circle.center = {5, 6, 0};
    circle.xAxis = {1, 0, 0};
    circle.yAxis = {0, 1, 0};
    circle.Recompute(false);
    arc->SetArc(circle);
    CVertex* vertex = NewVertex({7, 8, 9});
    struct Case {
        int32_t kind;
        CEntity* entity;
        CPoint3d parameters;
        CPoint3d position;
    };
    const Case cases[] = {
        {CReferencePoint::kFree, nullptr, {1, 1, 1}, {1, 1, 1}},
        {CReferencePoint::kGuidePoint, guidePoint, {}, {1, 2, 3}},
        {CReferencePoint::kSectionPlanePoint, section, {3, 3, 9}, {3, 3, 4}},
        {CReferencePoint::kArcCenter, arc, {}, {5, 6, 0}},
        {CReferencePoint::kVertex, guidePoint, {}, {0, 0, 0}},
        {CReferencePoint::kArcCenter, vertex, {}, {0, 0, 0}},
        {CReferencePoint::kEmpty, vertex, {}, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        CReferencePoint point;
        point.Set(c.kind, c.parameters, c.entity);
        ExpectNear(point.GetPosition(), c.position);
    }
    CReferencePoint onArc;
    onArc.Set(CReferencePoint::kArcCenter, {}, arc);
    EXPECT_TRUE(onArc.HasPlane());
    EXPECT_TRUE(onArc.GetPlane().GetNormal().IsEqual({0, 0, 1}, 1e-9));
}

TEST_F(ReferencePointTest, OldImageRecordsListedTheImageItselfOnThePath)
{
    for (int32_t version : {1, 2}) {
        SCOPED_TRACE(version);
        TopologyRecords topology;
        DimensionRecords dimensions;
        ComponentRecords components;
        UseSchemas(topology, dimensions);
        for (const auto& [name, schema] : components.GetVersionMap())
            GetCurrentVersionMap()->Set(name, schema);
        auto& box = components.Definition(L"Box");
        auto& placed = components.Instance(box, ComponentTransform::Translation(10, 0, 0));
        auto& picture = components.Image(box);
        DimensionRecords::Point record = DimensionRecords::Point::On(CReferencePoint::kImagePoint, &picture);
        record.version = version;
        record.path = {&placed, &picture};
        const Bytes bytes = WrittenBy([&](CArchive& ar) { record.Write(ar); });
        CSuspendUndo unrecorded;
        const CReferencePoint point = ReadPoint(bytes);
        ASSERT_NE(point.GetEntity(), nullptr);
        EXPECT_EQ(point.GetPath().GetSize(), version < 2 ? 1 : 2);
        EXPECT_EQ(point.GetPath().GetFirst()->GetEntityType(), kEntityComponentInstance);
    }
}

}  // namespace
