// Curves: their record in every schema, the chain walks and directions, and the check with
// its repairs, on chains whole, miscounted, branching and closing on themselves.
#include <gtest/gtest.h>

#include "database/EntitySet.h"
#include "database/UndoManager.h"
#include "database/Validity.h"
#include "tests/topology/TopologyTestSupport.h"
#include "topology/Curve.h"
#include "topology/CurveFixupList.h"
#include "topology/Edge.h"
#include "topology/Vertex.h"

namespace {

class CurveTest : public TopologyTest {
protected:
    // A curve over the edges, its ends found from the first one.
    CCurve* CurveOver(const std::vector<CEdge*>& edges)
    {
        auto* curve = new CCurve;
        for (CEdge* edge : edges)
            edge->SetCurve(curve);
        curve->FindEnds(edges.front());
        return curve;
    }
    // An open chain of new edges through new vertices at the points.
    std::vector<CEdge*> OpenChain(const std::vector<CPoint3d>& points)
    {
        std::vector<CEdge*> edges;
        CVertex* previous = NewVertex(points.front());
        for (size_t i = 1; i < points.size(); ++i) {
            CVertex* next = NewVertex(points[i]);
            edges.push_back(NewEdge(previous, next));
            previous = next;
        }
        return edges;
    }
};

TEST_F(CurveTest, ReadsWhatEachSchemaStores)
{
    struct Case {
        int32_t schema;
        bool keepsEnds;
        bool flag;
    };
    const Case cases[] = {{0, false, false}, {1, false, false}, {2, false, true},
                          {3, true, true},   {4, false, true},  {5, false, false}};
    for (const Case& c : cases) {
        TopologyRecords records({.curve = c.schema});
        auto& curveRecord = records.Curve();
        auto& edge = records.Edge(records.Vertex({0, 0, 0}), records.Vertex({1, 0, 0}), &curveRecord);
        curveRecord.first = curveRecord.last = &edge;
        curveRecord.flag = true;
        curveRecord.count = 5;
        UseSchemas(records);
        // The curve first, then a vertex record after it: the curve must read exactly its own part.
        const auto read =
            ReadObjects(TopologyRecords::Archive({&curveRecord, &records.Vertex({7, 7, 7})}), 2);
        auto* curve = dynamic_cast<CCurve*>(read[0]);
        ASSERT_NE(curve, nullptr);
        EXPECT_EQ(curve->GetFirstEdge() != nullptr, c.keepsEnds) << "schema " << c.schema;
        EXPECT_EQ(curve->GetFlag(), c.flag);
        // A stored count is read past: the edges read are counted once everything is read.
        EXPECT_EQ(curve->GetEdgeCount(), 0);
        EXPECT_EQ(static_cast<CVertex*>(read[1])->GetPosition(), CPoint3d(7, 7, 7));
        CCurveFixupList::Clear();
    }
}

TEST_F(CurveTest, TellsWhichWayEachEdgeRuns)
{
    // A one-edge curve.
    CEdge* single = OpenChain({{0, 0, 0}, {1, 0, 0}}).front();
    CCurve* curve = CurveOver({single});
    EXPECT_EQ(curve->GetFirstEdge(), curve->GetLastEdge());
    EXPECT_EQ(single->GetCurveDirection(), CEdge::kAlongCurve);

    // A closed chain of three edges, one of them stored backwards.
    std::vector<CEdge*> triangle = NewPolygon({{0, 0, 1}, {1, 0, 1}, {0, 1, 1}});
    CVertex* start = triangle[1]->GetStart();
    CVertex* end = triangle[1]->GetEnd();
    triangle[1]->SetStart(end, false);
    triangle[1]->SetEnd(start, false);
    CCurve* closed = CurveOver(triangle);
    EXPECT_EQ(triangle[0]->GetCurveDirection(), CEdge::kAlongCurve);
    EXPECT_EQ(triangle[1]->GetCurveDirection(), CEdge::kAgainstCurve);
    EXPECT_EQ(triangle[2]->GetCurveDirection(), CEdge::kAlongCurve);
    EXPECT_TRUE(closed->IsClosed(true));
    EXPECT_FALSE(closed->IsClosed(false));
    std::vector<CVertex*> vertices;
    EXPECT_EQ(closed->GetVerticesInOrder(vertices), 4);
    EXPECT_EQ(vertices.front(), vertices.back());

    // A closed chain of two edges reaches its last edge at once.
    CVertex* a = NewVertex({0, 0, 2});
    CVertex* b = NewVertex({1, 0, 2});
    CEdge* there = NewEdge(a, b);
    CEdge* back = NewEdge(b, a);
    CCurve* pair = CurveOver({there, back});
    EXPECT_EQ(pair->GetEdgeDirection(pair->GetFirstEdge()), CEdge::kAgainstCurve);
}

TEST_F(CurveTest, WalksEndOnAChainThatClosesOnItselfBehindItsFirstEdge)
{
    // A tail into a triangle: the tail's far vertex lists the triangle's edges first.
    CVertex* v0 = NewVertex({-1, 0, 0});
    CVertex* v1 = NewVertex({0, 0, 0});
    CVertex* v2 = NewVertex({1, 0, 0});
    CVertex* v3 = NewVertex({0, 1, 0});
    CEdge* e1 = NewEdge(v1, v2);
    CEdge* e2 = NewEdge(v2, v3);
    CEdge* e3 = NewEdge(v3, v1);
    CEdge* tail = NewEdge(v0, v1);
    auto* curve = new CCurve;
    for (CEdge* edge : {e1, e2, e3, tail})
        edge->SetCurve(curve);
    curve->SetFirstEdge(tail);
    std::vector<CEdge*> edges;
    EXPECT_EQ(curve->GetEdgesInOrder(edges), 4);
    std::vector<CVertex*> vertices;
    EXPECT_EQ(curve->GetVerticesInOrder(vertices), 5);
    curve->FindEnds(e2);
    EXPECT_NE(curve->GetFirstEdge(), nullptr);
    EXPECT_GT(curve->GetLength(), 0.0);
}

TEST_F(CurveTest, TheCheckSkipsWhatNeedsAMissingEndEdge)
{
    std::vector<CEdge*> chain = OpenChain({{0, 0, 0}, {1, 0, 0}, {2, 1, 0}});
    CCurve* curve = CurveOver(chain);
    curve->SetFirstEdge(nullptr);
    CValidityCheckScope checking;
    CCheckedObjectMap map;
    EXPECT_EQ(curve->CheckValidity(kValidityCheckIgnoringIds, &map), 0);
    EXPECT_EQ(curve->CheckValidity(kValidityCheck, nullptr), 1);
    EXPECT_EQ(Report(),
              L"The start or end edge for CCurve (" + std::to_wstring(curve->GetId()) + L") is NULL");
}

TEST_F(CurveTest, RepairDissolvesACurveWhoseCountDiffersFromItsChain)
{
    std::vector<CEdge*> chain = OpenChain({{0, 0, 0}, {1, 0, 0}, {2, 1, 0}, {3, 3, 0}, {4, 6, 0}});
    CCurve* curve = CurveOver(chain);
    curve->SetEdgeCount(3);
    CValidityCheckScope checking;
    EXPECT_EQ(curve->CheckValidity(kValidityCheck, nullptr), 1);
    EXPECT_NE(Report().find(L"The reference count for CCurve"), std::wstring::npos);
    ClearValidityReport();
    EXPECT_EQ(curve->CheckValidity(kValidityFix, nullptr), 0);
    EXPECT_TRUE(WasCreatedAndErased(curve));
    for (CEdge* edge : chain)
        EXPECT_EQ(edge->GetCurve(), nullptr);
}

TEST_F(CurveTest, RepairSplitsACurveThatBranchesIntoSimpleChains)
{
    // Three edges of the curve meet at the hub.
    CVertex* hub = NewVertex({0, 0, 0});
    CEdge* arms[] = {NewEdge(NewVertex({-1, 0, 0}), hub), NewEdge(hub, NewVertex({1, 0, 0})),
                     NewEdge(hub, NewVertex({0, 1, 0}))};
    auto* curve = new CCurve;
    for (CEdge* arm : arms)
        arm->SetCurve(curve);
    curve->SetFirstEdge(arms[0]);
    curve->SetLastEdge(arms[1]);
    CValidityCheckScope checking;
    EXPECT_EQ(curve->CheckValidity(kValidityCheck, nullptr), 1);
    EXPECT_NE(Report().find(L"The connectivity for CCurve"), std::wstring::npos);
    EXPECT_EQ(curve->CheckValidity(kValidityFix, nullptr), 0);
    EXPECT_TRUE(WasCreatedAndErased(curve));
    CEntitySet curves;
    for (CEdge* arm : arms) {
        ASSERT_NE(arm->GetCurve(), nullptr);
        EXPECT_EQ(arm->GetCurve()->GetEdgeCount(), 1);
        EXPECT_EQ(arm->GetCurve()->GetFirstEdge(), arm);
        curves.Insert(arm->GetCurve());
    }
    EXPECT_EQ(curves.GetCount(), 3);
}

TEST_F(CurveTest, SplittingACurveAtAVertexGivesTwoCurves)
{
    std::vector<CEdge*> chain = OpenChain({{0, 0, 0}, {1, 0, 0}, {2, 1, 0}, {3, 3, 0}});
    CCurve* curve = CurveOver(chain);
    // A third edge at the inner vertex between the first two edges.
    CVertex* inner = chain[0]->GetEnd();
    inner->AddEdge(NewEdge(nullptr, NewVertex({1, -1, 0})), true);
    CCurve* split = chain[0]->GetCurve();
    EXPECT_NE(split, curve);
    EXPECT_EQ(chain[1]->GetCurve(), curve);
    EXPECT_EQ(curve->GetEdgeCount(), 2);
    EXPECT_EQ(split->GetEdgeCount(), 1);
    EXPECT_EQ(curve->GetFirstEdge(), chain[1]);
}

TEST_F(CurveTest, MovingAnEndCarriesTheChainAlong)
{
    std::vector<CEdge*> chain = OpenChain({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}});
    CCurve* curve = CurveOver(chain);
    CPoint3d old;
    curve->MoveEnd(chain.back()->GetEnd(), old, {0, 4, 0});
    EXPECT_EQ(old, CPoint3d(2, 0, 0));
    EXPECT_EQ(chain[0]->GetStart()->GetPosition(), CPoint3d(0, 0, 0));
    EXPECT_EQ(chain[1]->GetStart()->GetPosition(), CPoint3d(0, 2, 0));
    EXPECT_EQ(chain[1]->GetEnd()->GetPosition(), CPoint3d(0, 4, 0));
}

}  // namespace
