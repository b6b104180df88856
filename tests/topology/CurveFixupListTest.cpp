// The curve fix-up list: chains read in any order settle their ends, counts and angles; chains
// that do not hold exactly the edges naming their curve dissolve.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "database/UndoManager.h"
#include "tests/topology/TopologyTestSupport.h"
#include "topology/ArcCurve.h"
#include "topology/CurveFixupList.h"
#include "topology/Edge.h"
#include "topology/Vertex.h"

namespace {

using orbisk::geometry::kPi;

class CurveFixupListTest : public TopologyTest {
protected:
    // Three chords of the quarter circle of radius 2 about the origin, from 0 to 90 degrees;
    // the middle one is stored from its far end.
    struct QuarterArcFile {
        explicit QuarterArcFile(TopologySchemas schemas) : records(schemas)
        {
            arc = &records.ArcCurve({0, 0, 0}, 2.0);
            arc->endAngle = kPi / 2.0;
            TopologyRecords::VertexRecord* corners[4];
            for (int i = 0; i < 4; ++i) {
                const double angle = kPi / 6.0 * i;
                corners[i] = &records.Vertex({2.0 * std::cos(angle), 2.0 * std::sin(angle), 0});
            }
            edges[0] = &records.Edge(*corners[0], *corners[1], arc);
            edges[1] = &records.Edge(*corners[2], *corners[1], arc);
            edges[2] = &records.Edge(*corners[2], *corners[3], arc);
            arc->first = edges[0];
            arc->last = edges[2];
            arc->count = 3;
        }
        TopologyRecords records;
        TopologyRecords::ArcCurveRecord* arc;
        std::array<TopologyRecords::EdgeRecord*, 3> edges;
    };

    // Edges along a closed polygon through new vertices, all named by one new curve.
    std::vector<CEdge*> ClosedChain(const std::vector<CPoint3d>& points, CCurve* curve)
    {
        std::vector<CEdge*> edges = NewPolygon(points);
        for (CEdge* edge : edges) {
            edge->SetCurve(curve);
            CCurveFixupList::Add(edge);
        }
        return edges;
    }
};

TEST_F(CurveFixupListTest, ArcsReadInAnyEdgeOrderSettleTheirEndsCountsAndAngles)
{
    for (int32_t curveSchema : {0, 1, 2, 3, 4}) {
        for (int32_t arcSchema : {0, 1}) {
            std::array<int, 3> order = {0, 1, 2};
            do {
                QuarterArcFile file({.curve = curveSchema, .arcCurve = arcSchema});
                UseSchemas(file.records);
                const auto read =
                    ReadObjects(TopologyRecords::Archive(
                                    {file.edges[order[0]], file.edges[order[1]], file.edges[order[2]]}),
                                3);
                CEdge* edges[3];
                for (int i = 0; i < 3; ++i)
                    edges[order[i]] = static_cast<CEdge*>(read[i]);
                CCurveFixupList::Process(true);

                auto* arc = dynamic_cast<CArcCurve*>(edges[0]->GetCurve());
                ASSERT_NE(arc, nullptr) << "curve schema " << curveSchema << ", arc schema " << arcSchema;
                EXPECT_EQ(arc->GetFirstEdge(), edges[0]);
                EXPECT_EQ(arc->GetLastEdge(), edges[2]);
                EXPECT_EQ(arc->GetEdgeCount(), 3);
                EXPECT_EQ(arc->GetStartVertex()->GetPosition(), CPoint3d(2, 0, 0));
                EXPECT_EQ(arc->GetEndVertex()->GetPosition(), CPoint3d(0, 2, 0));
                EXPECT_NEAR(arc->GetArc().startAngle, 0.0, 1e-9);
                EXPECT_NEAR(arc->GetArc().endAngle, kPi / 2.0, 1e-9);
                EXPECT_EQ(edges[1]->GetCurveDirection(), CEdge::kAgainstCurve);
                EXPECT_TRUE(CCurveFixupList::IsEmpty());
            } while (std::next_permutation(order.begin(), order.end()));
        }
    }
}

TEST_F(CurveFixupListTest, AClosedChainStartsAtTheEdgeItWasProcessedFrom)
{
    auto* curve = new CCurve;
    const std::vector<CEdge*> edges = ClosedChain({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, curve);
    CCurveFixupList::Process(true);
    EXPECT_EQ(curve->GetFirstEdge(), edges[0]);
    EXPECT_EQ(curve->GetLastEdge(), edges[3]);
    EXPECT_EQ(curve->GetEdgeCount(), 4);
    EXPECT_TRUE(curve->IsClosed(true));
}

TEST_F(CurveFixupListTest, AClosedChainStartsWhereAnotherHardEdgeMeetsIt)
{
    auto* curve = new CCurve;
    const std::vector<CEdge*> edges = ClosedChain({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, curve);
    CVertex* corner = edges[2]->GetStart();
    NewEdge(corner, NewVertex({5, 5, 0}));
    CCurveFixupList::Process(true);
    EXPECT_EQ(curve->GetFirstEdge(), edges[2]);
    EXPECT_EQ(curve->GetLastEdge(), edges[1]);
}

TEST_F(CurveFixupListTest, ABrokenChainDissolves)
{
    QuarterArcFile file({});
    auto& stray = file.records.Edge(file.records.Vertex({5, 5, 5}), file.records.Vertex({6, 6, 6}), file.arc);
    UseSchemas(file.records);
    const auto read = ReadObjects(TopologyRecords::Archive({file.edges[0], file.edges[1], &stray}), 3);
    CCurve* curve = static_cast<CEdge*>(read[0])->GetCurve();
    CCurveFixupList::Process(false);
    EXPECT_TRUE(WasCreatedAndErased(curve));
    for (CObject* object : read)
        EXPECT_EQ(static_cast<CEdge*>(object)->GetCurve(), nullptr);
}

TEST_F(CurveFixupListTest, WhileTheModelFileIsStillReadADissolvedCurveWaitsInThePool)
{
    // A later record of the file may name the curve again: it must not be freed yet.
    QuarterArcFile file({});
    auto& stray = file.records.Edge(file.records.Vertex({5, 5, 5}), file.records.Vertex({6, 6, 6}), file.arc);
    UseSchemas(file.records);
    const auto read = ReadObjects(TopologyRecords::Archive({file.edges[0], file.edges[1], &stray}), 3);
    CCurve* curve = static_cast<CEdge*>(read[0])->GetCurve();
    CCurveFixupList::Process(true, true);
    EXPECT_FALSE(WasCreatedAndErased(curve));
    EXPECT_EQ(curve->GetFirstEdge(), nullptr);
    EXPECT_FALSE(model.GetDroppedObjects().IsEmpty());
    for (CObject* object : read)
        EXPECT_EQ(static_cast<CEdge*>(object)->GetCurve(), nullptr);
}

TEST_F(CurveFixupListTest, EdgesWithoutAComponentGoWithTheirDissolvedCurveWhenAsked)
{
    auto* curve = new CCurve;
    const std::vector<CEdge*> edges = ClosedChain({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, curve);
    CEdge* stray = NewEdge(NewVertex({5, 0, 0}), NewVertex({6, 0, 0}));
    stray->SetCurve(curve);
    CCurveFixupList::Add(stray);
    CCurveFixupList::Process(true);
    EXPECT_TRUE(WasCreatedAndErased(curve));
    for (CEdge* edge : edges)
        EXPECT_TRUE(WasCreatedAndErased(edge));
    EXPECT_TRUE(WasCreatedAndErased(stray));
}

TEST_F(CurveFixupListTest, AStoredCountTooSmallDoesNotLetAnErasedEdgeFreeTheCurveOfOthers)
{
    // A failing record erases the edges it read before anything is processed: the curve must
    // outlive every edge that still names it, whatever count its record stored.
    TopologyRecords records;
    auto& curve = records.Curve();
    curve.count = 1;
    auto& one = records.Edge(records.Vertex({0, 0, 0}), records.Vertex({1, 0, 0}), &curve);
    auto& other = records.Edge(records.Vertex({5, 0, 0}), records.Vertex({6, 0, 0}), &curve);
    UseSchemas(records);
    const auto read = ReadObjects(TopologyRecords::Archive({&one, &other}), 2);
    CCurve* readCurve = static_cast<CEdge*>(read[0])->GetCurve();
    static_cast<CEdge*>(read[0])->Erase();
    EXPECT_FALSE(WasCreatedAndErased(readCurve));
    static_cast<CEdge*>(read[1])->Erase();
    CCurveFixupList::Abandon();
    EXPECT_FALSE(model.GetDroppedObjects().IsEmpty());
}

TEST_F(CurveFixupListTest, AChainWithAMissingVertexSettlesWithoutHarm)
{
    TopologyRecords records;
    auto& curve = records.Curve();
    auto& middle = records.Vertex({1, 0, 0});
    auto& first = records.Edge(records.Vertex({0, 0, 0}), middle, &curve);
    auto& broken = records.Edge(middle, middle, &curve);
    broken.end = nullptr;
    UseSchemas(records);
    const auto read = ReadObjects(TopologyRecords::Archive({&broken, &first}), 2);
    CCurve* readCurve = static_cast<CEdge*>(read[0])->GetCurve();
    CCurveFixupList::Process(false);
    EXPECT_FALSE(WasCreatedAndErased(readCurve));
    EXPECT_EQ(readCurve->GetEdgeCount(), 2);
}

TEST_F(CurveFixupListTest, ListsAnEdgeOnceAndForgetsEverythingOnClear)
{
    auto* curve = new CCurve;
    CEdge* edge = NewEdge(NewVertex({0, 0, 0}), NewVertex({1, 0, 0}));
    edge->SetCurve(curve);
    CCurveFixupList::Add(edge);
    CCurveFixupList::Add(edge);
    EXPECT_EQ(CCurveFixupList::GetEdgeCount(curve), 1);
    CCurveFixupList::Clear();
    CCurveFixupList::Process(true);
    EXPECT_FALSE(WasCreatedAndErased(curve));
    EXPECT_EQ(curve->GetFirstEdge(), nullptr);
}

}  // namespace
