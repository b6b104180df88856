// Vertices: their record, the edges they list, absorbing a coincident vertex, and their check.
#include <gtest/gtest.h>

#include "database/UndoManager.h"
#include "database/Validity.h"
#include "platform/mfc/ArchiveException.h"
#include "tests/model/doubles/EntityDoubles.h"
#include "tests/topology/TopologyTestSupport.h"
#include "topology/Edge.h"
#include "topology/Vertex.h"

namespace {

using VertexTest = TopologyTest;

TEST_F(VertexTest, ReadsItsPositionAfterTheEntityPartOfEverySchema)
{
    for (int32_t entitySchema : {0, 1, 2, 3}) {
        TopologyRecords records({.entity = entitySchema});
        UseSchemas(records);
        auto* vertex = ReadOne<CVertex>(TopologyRecords::Archive({&records.Vertex({1.5, -2.0, 1e6})}));
        ASSERT_NE(vertex, nullptr) << "entity schema " << entitySchema;
        EXPECT_EQ(vertex->GetPosition(), CPoint3d(1.5, -2.0, 1e6));
        EXPECT_FALSE(vertex->HasEdges());
    }
}

TEST_F(VertexTest, ListsItsEdgesInTheOrderTheyWereRead)
{
    TopologyRecords records;
    auto& hub = records.Vertex({0, 0, 0});
    auto& a = records.Edge(hub, records.Vertex({1, 0, 0}));
    auto& b = records.Edge(records.Vertex({0, 1, 0}), hub);
    auto& c = records.Edge(hub, records.Vertex({0, 0, 1}));
    UseSchemas(records);
    const auto read = ReadObjects(TopologyRecords::Archive({&b, &c, &a}), 3);
    const auto* second = static_cast<CEdge*>(read[0]);
    CVertex* center = second->GetEnd();
    ASSERT_EQ(center->GetEdgeCount(), 3);
    EXPECT_EQ(center->GetEdge(0), read[0]);
    EXPECT_EQ(center->GetEdge(1), read[1]);
    EXPECT_EQ(center->GetEdge(2), read[2]);
}

TEST_F(VertexTest, AFullVertexRefusesAnotherEdgeAndItsRecordFails)
{
    CVertex* full = NewVertex({0, 0, 0});
    CEdge* filler = NewEdge(nullptr, NewVertex({1, 0, 0}));
    for (int i = 0; i < CCompactPtrArray::kMaxCount; ++i)
        ASSERT_TRUE(full->AddEdge(filler, false));
    EXPECT_FALSE(full->AddEdge(filler, false));

    // An edge record of a file that reaches the full vertex by back reference.
    TopologyRecords records;
    auto& fullRecord = records.Vertex({0, 0, 0});
    auto& edge = records.Edge(fullRecord, records.Vertex({2, 0, 0}));
    UseSchemas(records);
    const Bytes bytes = WrittenBy([&](CArchive& ar) {
        ar.MapObject(&fullRecord);
        TopologyRecords::WriteReference(ar, &edge);
    });
    CSuspendUndo unrecorded;
    const int cause = ArchiveCause([&] {
        ReadFrom(bytes, [&](CArchive& ar) {
            ar.MapObject(full);
            ar.ReadObject(nullptr);
        });
    });
    EXPECT_EQ(cause, CArchiveException::genericException);
    EXPECT_EQ(full->GetEdgeCount(), 65535);
}

TEST_F(VertexTest, FindsItsComponentThroughTheFirstEdgeThatHasOne)
{
    CVertex* vertex = NewVertex({0, 0, 0});
    NewEdge(vertex, NewVertex({1, 0, 0}));
    CEdge* second = NewEdge(vertex, NewVertex({0, 1, 0}));
    component.Add(second);
    EXPECT_EQ(vertex->GetParent(), &component);
}

TEST_F(VertexTest, AbsorbsOnlyACoincidentVertex)
{
    CVertex* keeper = NewVertex({0, 0, 0});
    CVertex* near = NewVertex({0.002, 0, 0});
    NewEdge(near, NewVertex({1, 0, 0}));
    keeper->Absorb(near);
    EXPECT_EQ(keeper->GetEdgeCount(), 0);

    CVertex* twin = NewVertex({0.0005, 0, 0});
    CEdge* edges[] = {NewEdge(twin, NewVertex({1, 1, 0})), NewEdge(NewVertex({2, 1, 0}), twin),
                      NewEdge(twin, NewVertex({1, 2, 0}))};
    keeper->Absorb(twin);
    EXPECT_TRUE(WasCreatedAndErased(twin));
    ASSERT_EQ(keeper->GetEdgeCount(), 3);
    EXPECT_EQ(edges[0]->GetStart(), keeper);
    EXPECT_EQ(edges[1]->GetEnd(), keeper);
    EXPECT_EQ(edges[2]->GetStart(), keeper);
}

TEST_F(VertexTest, RepairCompactsAListThatNamesAnEdgeTwice)
{
    CVertex* vertex = NewVertex({0, 0, 0});
    CEdge* edge = NewEdge(vertex, NewVertex({1, 0, 0}));
    vertex->AddEdge(edge, false);
    vertex->AddEdge(edge, false);
    CValidityCheckScope checking;
    CCheckedObjectMap map;
    EXPECT_EQ(vertex->CheckValidity(kValidityFix, &map), 0);
    const std::wstring expected = L"CVertex (" + std::to_wstring(vertex->GetId()) + L") references CEdge (" +
                                  std::to_wstring(edge->GetId()) + L") more than once - fixed\n";
    EXPECT_EQ(Report(), expected + expected);
    EXPECT_EQ(vertex->GetEdgeCount(), 1);
    EXPECT_EQ(vertex->GetEdge(0), edge);
}

TEST_F(VertexTest, ReportsAnEdgeThatDoesNotEndAtIt)
{
    CVertex* vertex = NewVertex({0, 0, 0});
    CEdge* stranger = NewEdge(NewVertex({1, 0, 0}), NewVertex({2, 0, 0}));
    vertex->AddEdge(stranger, false);
    CValidityCheckScope checking;
    CCheckedObjectMap map;
    EXPECT_EQ(vertex->CheckValidity(kValidityCheck, &map), 1);
    EXPECT_EQ(vertex->GetEdgeCount(), 1);
    ClearValidityReport();
    map.clear();
    EXPECT_EQ(vertex->CheckValidity(kValidityFix, &map), 0);
    EXPECT_EQ(vertex->GetEdgeCount(), 0);
}

}  // namespace
