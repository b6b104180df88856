// Edge uses: the loop ring and the partner ring they sit in, their record in both schemas,
// and a use read without an edge.
#include <gtest/gtest.h>

#include "database/UndoManager.h"
#include "database/Validity.h"
#include "tests/topology/TopologyTestSupport.h"
#include "topology/Edge.h"
#include "topology/EdgeUse.h"
#include "topology/Loop.h"
#include "topology/TopologyEnumerators.h"
#include "topology/Vertex.h"

namespace {

class EdgeUseTest : public TopologyTest {
protected:
    CEdge* edge = NewEdge(NewVertex({0, 0, 0}), NewVertex({1, 0, 0}));
    CLoop* loop = new CLoop;

    std::vector<CEdgeUse*> PartnerRing() const
    {
        std::vector<CEdgeUse*> uses;
        CEnumEdgeUseEdge walk(edge);
        for (CEdgeUse* use = nullptr; walk.Next(use);)
            uses.push_back(use);
        return uses;
    }
};

TEST_F(EdgeUseTest, AUseWithoutPredecessorFormsItsOwnRing)
{
    auto* first = new CEdgeUse(edge, false, nullptr, loop);
    auto* alone = new CEdgeUse(edge, true, nullptr, loop);
    EXPECT_EQ(loop->GetFirstEdgeUse(), first);
    EXPECT_EQ(alone->GetNext(), alone);
    EXPECT_EQ(alone->GetPrevious(), alone);
}

TEST_F(EdgeUseTest, NewUsesEnterThePartnerRingBeforeTheFirst)
{
    auto* first = new CEdgeUse(edge, false, nullptr, loop);
    auto* second = new CEdgeUse(edge, true, nullptr, nullptr);
    auto* third = new CEdgeUse(edge, false, nullptr, nullptr);
    EXPECT_EQ(PartnerRing(), (std::vector<CEdgeUse*>{first, second, third}));
    EXPECT_EQ(third->GetPartner(), first);
}

TEST_F(EdgeUseTest, ErasingAUseMovesTheHeadsOfItsRings)
{
    auto* first = new CEdgeUse(edge, false, nullptr, loop);
    auto* second = new CEdgeUse(NewEdge(edge->GetEnd(), NewVertex({1, 1, 0})), false, first, loop);
    auto* partner = new CEdgeUse(edge, true, nullptr, nullptr);
    first->Erase();
    EXPECT_EQ(edge->GetFirstUse(), partner);
    EXPECT_EQ(loop->GetFirstEdgeUse(), second);
    EXPECT_EQ(second->GetNext(), second);
    partner->Erase();
    EXPECT_EQ(edge->GetFirstUse(), nullptr);
}

TEST_F(EdgeUseTest, SettingTheSameEdgeChangesNothing)
{
    auto* use = new CEdgeUse(edge, false, nullptr, loop);
    use->SetEdge(edge, true);
    EXPECT_FALSE(use->IsReversed());
    CEdge* other = NewEdge(edge->GetEnd(), edge->GetStart());
    use->SetEdge(other, true);
    EXPECT_EQ(edge->GetFirstUse(), nullptr);
    EXPECT_EQ(other->GetFirstUse(), use);
    EXPECT_EQ(use->GetStartVertex(), edge->GetStart());
}

TEST_F(EdgeUseTest, ReadsItsLoopRingOnlyInTheOldSchema)
{
    for (int32_t schema : {0, 1}) {
        TopologyRecords records({.edgeUse = schema, .loop = schema});
        auto& edgeRecord = records.Edge(records.Vertex({0, 0, 0}), records.Vertex({1, 0, 0}));
        auto& loopRecord = records.Loop();
        auto& u1 = records.EdgeUse(edgeRecord, false, loopRecord);
        auto& u2 = records.EdgeUse(edgeRecord, true, loopRecord);
        u1.previous = u1.next = &u2;
        u2.previous = u2.next = &u1;
        loopRecord.uses = {&u1, &u2};
        UseSchemas(records);
        auto* read = ReadOne<CLoop>(TopologyRecords::Archive({&loopRecord}));
        ASSERT_NE(read, nullptr) << "schema " << schema;
        CEdgeUse* first = read->GetFirstEdgeUse();
        EXPECT_EQ(first->GetNext()->GetNext(), first);
        EXPECT_NE(first->GetNext(), first);
        EXPECT_EQ(first->GetEdge()->GetUseCount(), 2);
    }
}

TEST_F(EdgeUseTest, AUseReadWithoutAnEdgeJoinsNoRingAndIsReported)
{
    TopologyRecords records;
    auto& edgeRecord = records.Edge(records.Vertex({0, 0, 0}), records.Vertex({1, 0, 0}));
    auto& loopRecord = records.Loop();
    auto& use = records.EdgeUse(edgeRecord, false, loopRecord);
    use.edge = nullptr;
    loopRecord.uses = {&use};
    UseSchemas(records);
    auto* loopRead = ReadOne<CLoop>(TopologyRecords::Archive({&loopRecord}));
    ASSERT_NE(loopRead, nullptr);
    CEdgeUse* read = loopRead->GetFirstEdgeUse();
    EXPECT_EQ(read->GetEdge(), nullptr);
    EXPECT_EQ(read->GetPartner(), read);
    CValidityCheckScope checking;
    EXPECT_EQ(read->CheckValidity(kValidityCheck, nullptr), 3);
    EXPECT_EQ(Report(), L"The edge for CEdgeUse (" + std::to_wstring(read->GetId()) + L") is not valid\n");
}

TEST_F(EdgeUseTest, AUseAfterASplitContinuesTheEdgeInItsDirection)
{
    CVertex* middle = NewVertex({2, 0, 0});
    CEdge* continuation = NewEdge(middle, NewVertex({3, 0, 0}));
    auto* forward = new CEdgeUse(edge, false, nullptr, loop);
    CEdgeUse* added = forward->AddSplitEdge(continuation);
    EXPECT_EQ(forward->GetNext(), added);
    EXPECT_FALSE(added->IsReversed());

    CLoop* other = new CLoop;
    auto* backward = new CEdgeUse(edge, true, nullptr, other);
    CEdgeUse* before = backward->AddSplitEdge(continuation);
    EXPECT_EQ(before->GetNext(), backward);
    EXPECT_TRUE(before->IsReversed());
}

}  // namespace
