// Loops: their record and the ring it links, walks that end on broken rings, area, convexity,
// point classification, and the check with its repairs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "database/UndoManager.h"
#include "database/Validity.h"
#include "platform/mfc/ArchiveException.h"
#include "tests/model/doubles/EntityDoubles.h"
#include "tests/topology/TopologyTestSupport.h"
#include "topology/Edge.h"
#include "topology/EdgeUse.h"
#include "topology/Loop.h"
#include "topology/TopologyEnumerators.h"
#include "topology/Vertex.h"

namespace {

const std::vector<CPoint3d> kUnitSquare = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};

class LoopTest : public TopologyTest {
protected:
    // A quad face's loop as a file holds it: four vertices, edges, uses and the loop, with
    // the uses' directions alternating so that both kinds are read.
    struct QuadFile {
        explicit QuadFile(TopologySchemas schemas) : records(schemas)
        {
            TopologyRecords::VertexRecord* corners[4];
            for (int i = 0; i < 4; ++i)
                corners[i] = &records.Vertex(kUnitSquare[static_cast<size_t>(i)]);
            loop = &records.Loop();
            for (int i = 0; i < 4; ++i) {
                const bool reversed = i % 2 == 1;
                auto& from = *corners[i];
                auto& to = *corners[(i + 1) % 4];
                auto& edge = reversed ? records.Edge(to, from) : records.Edge(from, to);
                uses.push_back(&records.EdgeUse(edge, reversed, *loop));
            }
            for (size_t i = 0; i < 4; ++i) {
                uses[i]->next = uses[(i + 1) % 4];
                uses[i]->previous = uses[(i + 3) % 4];
            }
            loop->uses.assign(uses.begin(), uses.end());
        }
        TopologyRecords records;
        TopologyRecords::LoopRecord* loop;
        std::vector<TopologyRecords::EdgeUseRecord*> uses;
    };

    // Puts the face and the edges of its loops into the component, as a model holds them.
    static void Own(TestComponent& component, TestFace* face)
    {
        component.Add(face);
        for (int i = 0; i < face->loops.GetCount(); ++i) {
            CEnumEdgeLoop edges(static_cast<CLoop*>(face->loops.GetAt(i)));
            for (CEdge* edge = nullptr; edges.Next(edge);)
                component.Add(edge);
        }
    }
    // A ring of uses of new edges along the polygon, linked by hand.
    CLoop* HandLinkedLoop(const std::vector<CPoint3d>& points, std::vector<CEdgeUse*>& uses)
    {
        auto* loop = new CLoop;
        CEdgeUse* previous = nullptr;
        for (CEdge* edge : NewPolygon(points)) {
            previous = new CEdgeUse(edge, false, previous, loop);
            uses.push_back(previous);
        }
        return loop;
    }
};

TEST_F(LoopTest, AQuadFacesLoopReadFromAFileEndsAsLinkedRings)
{
    const TopologySchemas schemaSets[] = {{}, {.edgeUse = 0, .loop = 0}, {.entity = 0, .drawingElement = 5}};
    for (const TopologySchemas& schemas : schemaSets) {
        QuadFile file(schemas);
        UseSchemas(file.records);
        CLoop* loop = ReadOne<CLoop>(TopologyRecords::Archive({file.loop}));
        ASSERT_NE(loop, nullptr);
        TestFace* face = NewFace();
        face->AddLoop(loop);

        const std::vector<CEdgeUse*> ring = loop->GetEdgeUses();
        ASSERT_EQ(ring.size(), 4u) << "use schema " << schemas.edgeUse;
        for (size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(ring[i]->GetNext(), ring[(i + 1) % 4]);
            EXPECT_EQ(ring[(i + 1) % 4]->GetPrevious(), ring[i]);
            EXPECT_EQ(ring[i]->GetEndVertex(), ring[(i + 1) % 4]->GetStartVertex());
            EXPECT_EQ(ring[i]->GetStartVertex()->GetPosition(), kUnitSquare[i]);
            EXPECT_EQ(ring[i]->GetEdge()->GetFirstUse(), ring[i]);
            EXPECT_EQ(ring[i]->GetStartVertex()->GetEdgeCount(), 2);
        }
        Own(component, face);
        CValidityCheckScope checking;
        CCheckedObjectMap map;
        EXPECT_EQ(loop->CheckValidity(kValidityCheck, &map), 0) << Report().c_str();
    }
}

TEST_F(LoopTest, AUseOfAnotherLoopFailsTheRecordAndLeavesNothing)
{
    QuadFile file({});
    auto& stranger = file.records.Loop();
    file.uses[1]->loop = &stranger;
    UseSchemas(file.records);
    EXPECT_EQ(ReadFailure(TopologyRecords::Archive({file.loop})), CArchiveException::genericException);
}

TEST_F(LoopTest, AUseListedTwiceFailsTheRecord)
{
    QuadFile file({});
    file.loop->uses.push_back(file.uses[1]);
    UseSchemas(file.records);
    EXPECT_EQ(ReadFailure(TopologyRecords::Archive({file.loop})), CArchiveException::genericException);
}

TEST_F(LoopTest, AnOldRingThatClosesOnItselfElsewhereIsLinkedFromItsFirstUse)
{
    QuadFile file({.edgeUse = 0, .loop = 0});
    file.uses[3]->next = file.uses[1];  // 0 -> 1 -> 2 -> 3 -> 1
    UseSchemas(file.records);
    CLoop* loop = ReadOne<CLoop>(TopologyRecords::Archive({file.loop}));
    ASSERT_NE(loop, nullptr);
    const std::vector<CEdgeUse*> ring = loop->GetEdgeUses();
    ASSERT_EQ(ring.size(), 4u);
    EXPECT_EQ(ring[3]->GetNext(), ring[0]);
    EXPECT_EQ(ring[0]->GetPrevious(), ring[3]);
}

TEST_F(LoopTest, WithoutAModelWhatAFailedRecordReadGoesAtOnce)
{
    QuadFile file({});
    file.uses[2]->loop = &file.records.Loop();
    UseSchemas(file.records);
    SetCurrentModel(nullptr);
    EXPECT_EQ(ReadFailure(TopologyRecords::Archive({file.loop})), CArchiveException::genericException);
    SetCurrentModel(&model);
    EXPECT_TRUE(model.GetDroppedObjects().IsEmpty());
}

TEST_F(LoopTest, FindsTheFaceThatFillsAHole)
{
    const std::vector<CEdge*> square = NewPolygon({{1, 1, 0}, {2, 1, 0}, {2, 2, 0}, {1, 2, 0}});
    auto* hole = new CLoop(4, square.data(), CVector3d(0, 0, 1));
    TestFace* host = NewFace();
    host->AddLoop(NewFaceLoop(NewPolygon({{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}})));
    host->AddLoop(hole);
    TestFace* filler = nullptr;
    NewFaceLoop(square, &filler);
    EXPECT_EQ(hole->FindFaceCoveringLoop(), filler);

    // A face on another plane does not cover it.
    filler->plane = CPlane3d(0, 0, 1, -5);
    EXPECT_EQ(hole->FindFaceCoveringLoop(), nullptr);
}

TEST_F(LoopTest, ProjectsIntoThePlaneOfItsFace)
{
    CLoop* loop = NewFaceLoop(NewPolygon({{0, 0, 3}, {2, 0, 3}, {2, 1, 3}}));
    orbisk::geometry::CPolygon2d polygon;
    loop->GetPolygon2d(CPlane3d(0, 0, 1, -3), polygon);
    ASSERT_EQ(polygon.points.size(), 3u);
    EXPECT_NEAR(std::abs(polygon.points[1].x - polygon.points[0].x) +
                    std::abs(polygon.points[1].y - polygon.points[0].y),
                2.0, 1e-9);
    EXPECT_EQ(polygon.Classify({(polygon.points[0].x + polygon.points[1].x + polygon.points[2].x) / 3,
                                (polygon.points[0].y + polygon.points[1].y + polygon.points[2].y) / 3}),
              orbisk::geometry::kInsidePolygon);
}

TEST_F(LoopTest, AnOldUseLinkedIntoAnotherLoopsSettledRingIsCutLoose)
{
    // The square's loop is read first; the triangle's loop then reads a use that names the
    // square's loop without being in its ring, and links into that ring.
    QuadFile file({.edgeUse = 0, .loop = 0});
    TopologyRecords& records = file.records;
    auto& triangle = records.Loop();
    auto& a = records.Vertex({5, 0, 0});
    auto& b = records.Vertex({6, 0, 0});
    auto& c = records.Vertex({5, 1, 0});
    TopologyRecords::EdgeUseRecord* sides[] = {&records.EdgeUse(records.Edge(a, b), false, triangle),
                                               &records.EdgeUse(records.Edge(b, c), false, triangle),
                                               &records.EdgeUse(records.Edge(c, a), false, triangle)};
    for (size_t i = 0; i < 3; ++i) {
        sides[i]->next = sides[(i + 1) % 3];
        sides[i]->previous = sides[(i + 2) % 3];
    }
    auto& strayEdge = records.Edge(records.Vertex({9, 0, 0}), records.Vertex({9, 1, 0}));
    auto& stray = records.EdgeUse(strayEdge, false, *file.loop);
    stray.previous = sides[0];
    stray.next = file.uses[1];
    sides[0]->previous = &stray;
    triangle.uses = {sides[0]};
    UseSchemas(records);

    const auto read = ReadObjects(TopologyRecords::Archive({file.loop, &triangle, &strayEdge}), 3);
    auto* square = static_cast<CLoop*>(read[0]);
    auto* three = static_cast<CLoop*>(read[1]);
    CEdgeUse* cut = static_cast<CEdge*>(read[2])->GetFirstUse();
    EXPECT_EQ(cut->GetLoop(), nullptr);
    EXPECT_EQ(cut->GetNext(), cut);
    EXPECT_EQ(square->GetEdgeUseCount(), 4);
    EXPECT_EQ(three->GetEdgeUseCount(), 3);
    EXPECT_EQ(three->GetFirstEdgeUse()->GetPrevious()->GetNext(), three->GetFirstEdgeUse());

    square->Erase();
    three->Erase();
    static_cast<CEdge*>(read[2])->Erase();
    EXPECT_TRUE(WasCreatedAndErased(cut));
}

TEST_F(LoopTest, AUseNamingALoopWhoseRingLeavesItOutIsLeftWithoutALoop)
{
    // Erasing a loop erases its ring only: a use outside the ring that kept naming the loop
    // would name a freed one when its edge goes next.
    struct Case {
        const char* name;
        TopologySchemas schemas;
        bool readInsideTheLoop;
    };
    const Case cases[] = {
        {"a use record read after the loop's", {}, false},
        {"an old use reached from the ring by its stored link", {.edgeUse = 0}, true},
    };
    for (const Case& c : cases) {
        QuadFile file(c.schemas);
        auto& strayEdge = file.records.Edge(file.records.Vertex({9, 0, 0}), file.records.Vertex({9, 1, 0}));
        auto& stray = file.records.EdgeUse(strayEdge, false, *file.loop);
        if (c.readInsideTheLoop) {
            stray.previous = file.uses[3];
            stray.next = file.uses[1];
            file.uses[0]->previous = &stray;
        }
        UseSchemas(file.records);
        const auto read = ReadObjects(TopologyRecords::Archive({file.loop, &stray}), 2);
        auto* square = static_cast<CLoop*>(read[0]);
        auto* cut = static_cast<CEdgeUse*>(read[1]);
        EXPECT_EQ(cut->GetLoop(), nullptr) << c.name;
        EXPECT_EQ(cut->GetNext(), cut) << c.name;
        EXPECT_EQ(square->GetEdgeUseCount(), 4) << c.name;

        CEdge* edge = cut->GetEdge();
        square->Erase();
        edge->Erase();
        EXPECT_TRUE(WasCreatedAndErased(cut)) << c.name;
    }
}

TEST_F(LoopTest, WalksEndAtALinkToItselfAndAfterTheBoundOnARho)
{
    std::vector<CEdgeUse*> uses;
    CLoop* loop = HandLinkedLoop(kUnitSquare, uses);
    EXPECT_EQ(loop->GetEdgeUseCount(), 4);

    uses[2]->SetNext(uses[2]);
    EXPECT_EQ(loop->GetEdgeUseCount(), 3);

    uses[3]->SetNext(uses[1]);  // 0 -> 1 -> 2 -> 3 -> 1 -> ...
    uses[2]->SetNext(uses[3]);
    const int bound = loop->GetWalkBound();
    EXPECT_EQ(loop->GetEdgeUseCount(), bound + 1);
    CEnumEdgeUseLoop walk(loop);
    int given = 0;
    for (CEdgeUse* use = nullptr; walk.Next(use);)
        ++given;
    EXPECT_EQ(given, bound + 1);

    TestFace* face = NewFace();
    face->AddLoop(loop);
    {
        CValidityCheckScope checking;
        EXPECT_EQ(loop->CheckValidity(kValidityCheck, nullptr), 2);
    }
    EXPECT_NE(Report().find(L"This probably indicates a cycle within the list"), std::wstring::npos);
    loop->Reverse();  // ends too
}

TEST_F(LoopTest, MeasuresItsSignedArea)
{
    CLoop* loop = NewFaceLoop(NewPolygon(kUnitSquare));
    EXPECT_DOUBLE_EQ(loop->GetArea({0, 0, 1}), 1.0);
    EXPECT_TRUE(loop->IsCounterClockwise({0, 0, 1}));
    loop->Reverse();
    EXPECT_DOUBLE_EQ(loop->GetArea({0, 0, 1}), -1.0);
    EXPECT_EQ(loop->GetEdgeUseCount(), 4);
}

TEST_F(LoopTest, AHoleRunsClockwiseAndAnOuterLoopCounterClockwise)
{
    std::vector<CEdge*> edges = NewPolygon(kUnitSquare);
    auto* hole = new CLoop(4, edges.data(), CVector3d(0, 0, 1));
    EXPECT_LT(hole->GetArea({0, 0, 1}), 0.0);
    std::reverse(edges.begin(), edges.end());
    CLoop* outer = NewFaceLoop(edges);
    EXPECT_GT(outer->GetArea({0, 0, 1}), 0.0);
    EXPECT_TRUE(outer->IsConvex());
}

TEST_F(LoopTest, IsConvexOnlyWhenEveryCornerTurnsTheSameWay)
{
    struct Case {
        std::vector<CPoint3d> points;
        bool allowCollinear;
        bool convex;
    };
    const Case cases[] = {
        {kUnitSquare, false, true},
        {{{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}, {1, 2, 0}, {0, 2, 0}}, false, false},  // L
        {{{0, 0, 0}, {0.5, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, false, false},
        {{{0, 0, 0}, {0.5, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, true, true},
    };
    for (const Case& c : cases) {
        CLoop* loop = NewFaceLoop(NewPolygon(c.points));
        EXPECT_EQ(loop->UpdateConvexity({0, 0, 1}, c.allowCollinear), c.convex)
            << c.points.size() << " corners";
    }
}

TEST_F(LoopTest, ClassifiesPointsInsideOnAndOutside)
{
    CLoop* square = NewFaceLoop(NewPolygon(kUnitSquare));
    CLoop* diamond = NewFaceLoop(NewPolygon({{1, 0, 0}, {2, 1, 0}, {1, 2, 0}, {0, 1, 0}}));
    struct Case {
        const CLoop* loop;
        CPoint3d point;
        int expected;
    };
    const Case cases[] = {
        {square, {0.5, 0.5, 0}, CLoop::kInside},  {square, {2, 0.5, 0}, CLoop::kOutside},
        {square, {1, 0.5, 0}, CLoop::kOnEdge},    {square, {1, 1, 0}, CLoop::kOnVertex},
        {diamond, {0.5, 1, 0}, CLoop::kInside},    // level with the corner at (2, 1): counted once
        {diamond, {-0.5, 1, 0}, CLoop::kOutside},  // level with two corners
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.loop->ClassifyPoint(c.point, 0.001, 0), c.expected) << c.point.x << ", " << c.point.y;
    }
}

TEST_F(LoopTest, RepairTakesOutAnEdgeThatGoesOutAndStraightBack)
{
    // The square with a spur from its corner (1, 1) out to (2, 2) and back.
    CVertex* corner = NewVertex({1, 1, 0});
    CVertex* tip = NewVertex({2, 2, 0});
    CVertex* v0 = NewVertex({0, 0, 0});
    CVertex* v1 = NewVertex({1, 0, 0});
    CVertex* v3 = NewVertex({0, 1, 0});
    CEdge* spur = NewEdge(corner, tip);
    CEdge* ring[] = {NewEdge(v0, v1), NewEdge(v1, corner), spur, spur, NewEdge(corner, v3), NewEdge(v3, v0)};
    auto* loop = new CLoop;
    CEdgeUse* previous = nullptr;
    for (size_t i = 0; i < 6; ++i)
        previous = new CEdgeUse(ring[i], i == 3, previous, loop);
    loop->RemoveDegenerateEdges();
    EXPECT_EQ(Report(), L"Repeated edge (CEdge (" + std::to_wstring(spur->GetId()) +
                            L")) removed from CLoop (" + std::to_wstring(loop->GetId()) + L")\n");
    EXPECT_EQ(loop->GetEdgeUseCount(), 4);
    EXPECT_EQ(spur->GetFirstUse(), nullptr);
    EXPECT_DOUBLE_EQ(loop->GetArea({0, 0, 1}), 1.0);
}

TEST_F(LoopTest, RepairTurnsALoopThatRunsTheWrongWay)
{
    TestFace* face = nullptr;
    CLoop* loop = NewFaceLoop(NewPolygon(kUnitSquare), &face);
    loop->Reverse();
    Own(component, face);
    CValidityCheckScope checking;
    CCheckedObjectMap map;
    EXPECT_EQ(loop->CheckValidity(kValidityCheck, &map), 1);
    ClearValidityReport();
    map.clear();
    EXPECT_EQ(loop->CheckValidity(kValidityFix, &map), 0);
    // A face with one loop turns its plane instead.
    EXPECT_EQ(face->planeReversals, 1);
}

TEST_F(LoopTest, ACopyRunsAlongTheSameEdges)
{
    CLoop* loop = NewFaceLoop(NewPolygon(kUnitSquare));
    auto* copy = new CLoop(*loop);
    const std::vector<CEdgeUse*> original = loop->GetEdgeUses();
    const std::vector<CEdgeUse*> copied = copy->GetEdgeUses();
    ASSERT_EQ(copied.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(copied[i]->GetEdge(), original[i]->GetEdge());
        EXPECT_EQ(copied[i]->GetLoop(), copy);
        EXPECT_EQ(original[i]->GetEdge()->GetUseCount(), 2);
    }
    EXPECT_FALSE(copy->IsOuter());
    EXPECT_EQ(copy->GetFace(), nullptr);
}

TEST_F(LoopTest, ErasingALoopErasesItsUses)
{
    const std::vector<CEdge*> edges = NewPolygon(kUnitSquare);
    CLoop* loop = NewFaceLoop(edges);
    const std::vector<CEdgeUse*> uses = loop->GetEdgeUses();
    loop->Erase();
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_TRUE(WasCreatedAndErased(uses[i]));
        EXPECT_EQ(edges[i]->GetFirstUse(), nullptr);
    }
}

}  // namespace
