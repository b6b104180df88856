// The enumerators over edges, vertices, loops and faces, in the orders they promise.
#include <gtest/gtest.h>

#include <memory>

#include "tests/model/doubles/EntityDoubles.h"
#include "tests/topology/TopologyTestSupport.h"
#include "topology/Edge.h"
#include "topology/EdgeUse.h"
#include "topology/Loop.h"
#include "topology/TopologyEnumerators.h"
#include "topology/Vertex.h"

namespace {

using EnumeratorTest = TopologyTest;

template <class Item, class Enumerator>
std::vector<Item*> Drain(Enumerator& walk)
{
    std::vector<Item*> items;
    for (Item* item = nullptr; walk.Next(item);)
        items.push_back(item);
    Item* after = nullptr;
    EXPECT_FALSE(walk.Next(after));
    return items;
}

TEST_F(EnumeratorTest, AnEdgeWithoutUsesHasNone)
{
    CEdge* edge = NewEdge(NewVertex({0, 0, 0}), NewVertex({1, 0, 0}));
    std::unique_ptr<CEnumEdgeUse> uses(edge->NewEdgeUseEnumerator());
    EXPECT_TRUE(Drain<CEdgeUse>(*uses).empty());
}

TEST_F(EnumeratorTest, WalksALoopForwardAndBackward)
{
    CLoop* loop = NewFaceLoop(NewPolygon({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}));
    const std::vector<CEdgeUse*> ring = loop->GetEdgeUses();
    std::unique_ptr<CEnumEdgeUse> walk(loop->NewEdgeUseEnumerator());
    EXPECT_EQ(Drain<CEdgeUse>(*walk), ring);
    walk->Reset();
    std::vector<CEdgeUse*> backward;
    for (CEdgeUse* use = nullptr; walk->NextInDirection(use, false);)
        backward.push_back(use);
    EXPECT_EQ(backward, (std::vector<CEdgeUse*>{ring[0], ring[2], ring[1]}));

    std::unique_ptr<CEnumVertex> vertices(loop->NewVertexEnumerator());
    EXPECT_EQ(Drain<CVertex>(*vertices).front()->GetPosition(), ring[0]->GetStartVertex()->GetPosition());
    auto* empty = new CLoop;
    std::unique_ptr<CEnumVertex> none(empty->NewVertexEnumerator());
    EXPECT_TRUE(Drain<CVertex>(*none).empty());
}

TEST_F(EnumeratorTest, PartnersOfTheOnlyUseAreNone)
{
    CLoop* loop = NewFaceLoop(NewPolygon({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}));
    std::unique_ptr<CEnumEdgeUse> partners(loop->GetFirstEdgeUse()->NewPartnerEnumerator());
    EXPECT_TRUE(Drain<CEdgeUse>(*partners).empty());
}

TEST_F(EnumeratorTest, GivesEachLoopThroughAVertexOnce)
{
    const std::vector<CEdge*> edges = NewPolygon({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
    CLoop* loop = NewFaceLoop(edges);
    // The corner at (0, 0) is on two edges of the loop.
    CVertex* corner = edges.front()->GetStart();
    std::unique_ptr<CEnumLoop> loops(corner->NewLoopEnumerator());
    EXPECT_EQ(Drain<CLoop>(*loops), std::vector<CLoop*>{loop});
    std::unique_ptr<CEnumFace> faces(corner->NewFaceEnumerator());
    EXPECT_EQ(Drain<CEntity>(*faces), std::vector<CEntity*>{loop->GetFace()});
}

TEST_F(EnumeratorTest, AnArrayWalkFollowsRemovalsFromTheArray)
{
    CVertex* hub = NewVertex({0, 0, 0});
    CEdge* edges[] = {NewEdge(hub, NewVertex({1, 0, 0})), NewEdge(hub, NewVertex({0, 1, 0})),
                      NewEdge(hub, NewVertex({0, 0, 1}))};
    std::unique_ptr<CEnumEdge> walk(hub->NewEdgeEnumerator());
    CEdge* edge = nullptr;
    ASSERT_TRUE(walk->Next(edge));
    EXPECT_EQ(edge, edges[0]);
    hub->RemoveEdge(edges[0], false);
    // The second edge moved into the freed slot and is passed over.
    ASSERT_TRUE(walk->Next(edge));
    EXPECT_EQ(edge, edges[2]);
    EXPECT_FALSE(walk->Next(edge));
    hub->AddEdge(edges[0], false);
}

TEST_F(EnumeratorTest, MultiUseEdgesStopAtTheFirstEdgeWithMoreThanTwoUses)
{
    CEdge* edges[] = {NewEdge(NewVertex({0, 0, 0}), NewVertex({1, 0, 0})),
                      NewEdge(NewVertex({0, 1, 0}), NewVertex({1, 1, 0})),
                      NewEdge(NewVertex({0, 2, 0}), NewVertex({1, 2, 0})),
                      NewEdge(NewVertex({0, 3, 0}), NewVertex({1, 3, 0}))};
    const int useCounts[] = {2, 3, 2, 0};
    component.Add(NewFace());
    for (int i = 0; i < 4; ++i) {
        component.Add(edges[i]);
        for (int u = 0; u < useCounts[i]; ++u)
            new CEdgeUse(edges[i], false, nullptr, nullptr);
    }
    CEnumMultiUseEdges multiUse(component);
    EXPECT_EQ(Drain<CEdge>(multiUse), std::vector<CEdge*>{edges[0]});
    CEnumUnusedEdges unused(component);
    EXPECT_EQ(Drain<CEdge>(unused), std::vector<CEdge*>{edges[3]});
}

TEST_F(EnumeratorTest, AFaceWalkPausesAtALoopWithoutUses)
{
    const std::vector<CEdge*> outerEdges = NewPolygon({{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}});
    const std::vector<CEdge*> holeEdges = NewPolygon({{1, 1, 0}, {2, 1, 0}, {2, 2, 0}});
    TestFace* face = nullptr;
    CLoop* outer = NewFaceLoop(outerEdges, &face);
    auto* empty = new CLoop;
    auto* hole = new CLoop(3, holeEdges.data(), CVector3d(0, 0, 1));
    face->AddLoop(empty);
    face->AddLoop(hole);

    CEnumEdgeUseFace walk(face->GetLoops());
    CEdgeUse* use = nullptr;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(walk.Next(use));
        EXPECT_EQ(use->GetLoop(), outer);
    }
    EXPECT_FALSE(walk.Next(use));
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(walk.Next(use));
        EXPECT_EQ(use->GetLoop(), hole);
    }
    EXPECT_FALSE(walk.Next(use));
    EXPECT_FALSE(walk.Next(use));
    walk.Reset();
    ASSERT_TRUE(walk.Next(use));
    EXPECT_EQ(use, outer->GetFirstEdgeUse());
}

}  // namespace
