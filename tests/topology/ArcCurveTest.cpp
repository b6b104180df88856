// Arc curves: their record in both schemas, directions by angle, full circles found through a
// free or an anchored vertex, projections onto the chords, and the bounded fitting loops.
#include <gtest/gtest.h>

#include <cmath>

#include "database/UndoManager.h"
#include "support/NotificationCenter.h"
#include "support/Observer.h"
#include "tests/topology/TopologyTestSupport.h"
#include "topology/ArcCurve.h"
#include "topology/CurveFixupList.h"
#include "topology/Edge.h"
#include "topology/Vertex.h"

namespace {

using orbisk::geometry::CArc3d;
using orbisk::geometry::kPi;
using orbisk::geometry::kTwoPi;

constexpr double kDegree = kPi / 180.0;

// Counts the change notices of one entity.
class ChangeCounter : public orbisk::utils::IObserver {
public:
    explicit ChangeCounter(const CEntity* entity_) : entity(entity_)
    {
        orbisk::utils::CNotificationCenter::GetInstance().AddObserver("EntityChanged", this);
    }
    ~ChangeCounter() override
    {
        orbisk::utils::CNotificationCenter::GetInstance().RemoveObserverFromAll(this);
    }
    void OnNotification(const char*, void* payload) override
    {
        if (payload == entity)
            ++changes;
    }
    const CEntity* entity;
    int changes = 0;
};

class ArcCurveTest : public TopologyTest {
protected:
    // The circle of the radius about the centre, normal +z.
    static CArc3d Circle(const CPoint3d& center, double radius)
    {
        CArc3d arc;
        arc.center = center;
        arc.xAxis = {radius, 0, 0};
        arc.yAxis = {0, radius, 0};
        arc.Recompute(false);
        return arc;
    }
    // Chords of the arc's circle between the angles (degrees), each edge named by the arc.
    std::vector<CEdge*> Chords(CArcCurve* arc, const std::vector<double>& degrees, bool closed)
    {
        std::vector<CVertex*> vertices;
        for (double angle : degrees)
            vertices.push_back(NewVertex(arc->GetArc().GetPointAt(angle * kDegree)));
        std::vector<CEdge*> edges;
        const size_t count = closed ? vertices.size() : vertices.size() - 1;
        for (size_t i = 0; i < count; ++i) {
            edges.push_back(NewEdge(vertices[i], vertices[(i + 1) % vertices.size()]));
            edges.back()->SetCurve(arc);
        }
        return edges;
    }
    CArcCurve* NewArc(const CPoint3d& center, double radius)
    {
        auto* arc = new CArcCurve;
        arc->SetArc(Circle(center, radius));
        return arc;
    }
};

TEST_F(ArcCurveTest, ReadsItsCircleAndTurnsItsAxesPositively)
{
    struct Case {
        int32_t schema;
        CVector3d yAxis;
        CVector3d normal;
        CVector3d readYAxis;
        CVector3d readNormal;
    };
    const Case cases[] = {
        {0, {0, 0, 0}, {0, 0, 1}, {0, 2, 0}, {0, 0, 1}},  // the y axis from normal x x axis
        {1, {0, 2, 0}, {0, 0, 1}, {0, 2, 0}, {0, 0, 1}},
        {1, {0, -2, 0}, {0, 0, 1}, {0, -2, 0}, {0, 0, -1}},  // axes turning negatively
    };
    for (const Case& c : cases) {
        TopologyRecords records({.arcCurve = c.schema});
        auto& arcRecord = records.ArcCurve({1, 1, 1}, 2.0);
        arcRecord.yAxis = c.yAxis;
        arcRecord.normal = c.normal;
        arcRecord.endAngle = 1.0;
        UseSchemas(records);
        auto* arc = ReadOne<CArcCurve>(TopologyRecords::Archive({&arcRecord}));
        ASSERT_NE(arc, nullptr);
        EXPECT_EQ(arc->GetArc().yAxis, c.readYAxis) << "schema " << c.schema;
        EXPECT_EQ(arc->GetNormal(), c.readNormal);
        EXPECT_DOUBLE_EQ(arc->GetArc().radius, 2.0);
        EXPECT_DOUBLE_EQ(arc->GetArc().endAngle, 1.0);
        EXPECT_EQ(arc->GetArc().center, CPoint3d(1, 1, 1));
    }
}

TEST_F(ArcCurveTest, AnEdgeRunsAlongWhenItTurnsPositivelyByLessThanHalfATurn)
{
    CArcCurve* arc = NewArc({0, 0, 0}, 1.0);
    CVertex* at350 = NewVertex(arc->GetArc().GetPointAt(350 * kDegree));
    CVertex* at10 = NewVertex(arc->GetArc().GetPointAt(10 * kDegree));
    EXPECT_EQ(arc->GetEdgeDirection(NewEdge(at350, at10)), CEdge::kAlongCurve);
    EXPECT_EQ(arc->GetEdgeDirection(NewEdge(at10, at350)), CEdge::kAgainstCurve);
}

TEST_F(ArcCurveTest, ACircleThroughAFreeVertexBecomesAFullCircle)
{
    CArcCurve* arc = NewArc({0, 0, 0}, 3.0);
    std::vector<double> degrees;
    for (int i = 0; i < 24; ++i)
        degrees.push_back(15.0 * i);
    std::vector<CEdge*> edges = Chords(arc, degrees, true);
    arc->FindEnds(edges[0]);
    EXPECT_EQ(arc->GetArc().startAngle, 0.0);
    EXPECT_EQ(arc->GetArc().endAngle, 0.0);
    EXPECT_DOUBLE_EQ(arc->GetLength(), 2 * kPi * 3.0);
    CPoint3d p0, p1, p2, p3;
    EXPECT_TRUE(arc->GetQuadrantPoints(p0, p1, p2, p3));
    EXPECT_EQ(p0, CPoint3d(3, 0, 0));
    EXPECT_EQ(p2, CPoint3d(-3, 0, 0));

    // Anchored at a vertex where another edge meets it, it keeps the span 0 to 2 pi.
    NewEdge(edges[0]->GetStart(), NewVertex({9, 9, 0}));
    arc->FindEnds(edges[0]);
    EXPECT_DOUBLE_EQ(arc->GetArc().endAngle, kTwoPi);
    EXPECT_FALSE(arc->IsClosed(false));
    EXPECT_TRUE(arc->IsClosed(true));
}

TEST_F(ArcCurveTest, AnOpenArcHasNoQuadrantsButAMidpointOnItsChords)
{
    CArcCurve* arc = NewArc({0, 0, 0}, 1.0);
    std::vector<CEdge*> edges = Chords(arc, {0, 45, 90}, false);
    arc->FindEnds(edges[0]);
    EXPECT_DOUBLE_EQ(arc->GetArc().endAngle, kPi / 2.0);
    CPoint3d p0, p1, p2, p3;
    EXPECT_FALSE(arc->GetQuadrantPoints(p0, p1, p2, p3));
    CPoint3d middle;
    ASSERT_TRUE(arc->GetMidpoint(middle));
    EXPECT_EQ(middle, edges[0]->GetEnd()->GetPosition());
    EXPECT_TRUE(arc->IsPointOnCurve(arc->GetArc().GetPointAt(30 * kDegree)));
    EXPECT_FALSE(arc->IsPointOnCurve(arc->GetArc().GetPointAt(120 * kDegree)));
    CPoint3d projected;
    EXPECT_FALSE(arc->ProjectToPolygon({0, 0, 0}, projected));
}

TEST_F(ArcCurveTest, BulgingMovesTheInnerVerticesOntoTheNewArc)
{
    CArcCurve* arc = NewArc({0, 0, 0}, 1.0);
    std::vector<CEdge*> edges = Chords(arc, {0, 30, 60, 90}, false);
    arc->FindEnds(edges[0]);
    const CPoint3d start = edges[0]->GetStart()->GetPosition();
    const CPoint3d end = edges[2]->GetEnd()->GetPosition();
    arc->PassThroughPoint({1.0, 1.0, 0});
    EXPECT_EQ(edges[0]->GetStart()->GetPosition(), start);
    EXPECT_EQ(edges[2]->GetEnd()->GetPosition(), end);
    for (CEdge* edge : edges)
        EXPECT_TRUE(arc->IsPointOnCurve(edge->GetEnd()->GetPosition()));
    EXPECT_NE(arc->GetArc().center, CPoint3d(0, 0, 0));
}

TEST_F(ArcCurveTest, TwoArcsOfOneCircleBecomeOneWhenNothingElseMeetsThem)
{
    CArcCurve* upper = NewArc({0, 0, 0}, 1.0);
    CArcCurve* lower = NewArc({0, 0, 0}, 1.0);
    CVertex* v0 = NewVertex(upper->GetArc().GetPointAt(0));
    CVertex* v90 = NewVertex(upper->GetArc().GetPointAt(90 * kDegree));
    CVertex* v180 = NewVertex(upper->GetArc().GetPointAt(180 * kDegree));
    CVertex* v270 = NewVertex(upper->GetArc().GetPointAt(270 * kDegree));
    CEdge* edges[] = {NewEdge(v0, v90), NewEdge(v90, v180), NewEdge(v180, v270), NewEdge(v270, v0)};
    for (int i = 0; i < 4; ++i)
        edges[i]->SetCurve(i < 2 ? upper : lower);
    CEdge* spoke = NewEdge(v180, NewVertex({-2, 0, 0}));
    upper->FindEnds(edges[0]);
    lower->FindEnds(edges[2]);
    ASSERT_EQ(upper->GetEndVertex(), v180);
    ASSERT_EQ(lower->GetStartVertex(), v180);

    v180->RemoveEdge(spoke, true);
    EXPECT_TRUE(WasCreatedAndErased(lower));
    for (CEdge* edge : edges)
        EXPECT_EQ(edge->GetCurve(), upper);
    EXPECT_EQ(upper->GetEdgeCount(), 4);
    EXPECT_TRUE(upper->IsClosed(false));
    v180->AddEdge(spoke, false);
}

TEST_F(ArcCurveTest, BulgingStopsWhereTheChordsCannotMeetTheTarget)
{
    // So far from the origin that positions lie two units apart: no step can land within
    // 0.001 of the target, and the loop runs to its limit.
    CArcCurve* arc = NewArc({1e16, 0, 0}, 64.0);
    std::vector<CEdge*> edges = Chords(arc, {0, 30, 60, 90}, false);
    arc->FindEnds(edges[0]);
    ChangeCounter changes(edges[1]->GetStart());
    arc->PassThroughPoint({1e16 + 128, 128, 0});
    // Each step places the vertex once: a change notice and the position's own.
    EXPECT_EQ(changes.changes, 2 * CArcCurve::kMaxFitIterations);
}

TEST_F(ArcCurveTest, ResizingStopsWhenTheChordsNeverReachTheTarget)
{
    // One chord whose far end stays on the direction ray: the projection onto the chords is
    // that end whatever the radius, so each step moves the guide by the same amount and the
    // loop runs to its limit, placing the other end once per step.
    CArcCurve* arc = NewArc({0, 0, 0}, 1.0);
    CVertex* placed = NewVertex({3, 0, 0});
    CVertex* onRay = NewVertex({0.5, std::sqrt(3.0) / 2.0, 0});
    CEdge* edge = NewEdge(placed, onRay);
    edge->SetCurve(arc);
    arc->FindEnds(edge);
    CArc3d shape = arc->GetArc();
    shape.startAngle = -kPi / 3.0;  // the placed end lies off the direction ray
    arc->SetArc(shape);
    std::vector<CVertex*> vertices;
    arc->GetVerticesInOrder(vertices);
    ASSERT_EQ(vertices.size(), 2u);
    ASSERT_EQ(vertices.front(), placed);

    ChangeCounter placedChanges(placed);
    ChangeCounter onRayChanges(onRay);
    arc->SetRadiusThroughPoint(onRay->GetPosition(), {1, std::sqrt(3.0), 0});
    EXPECT_EQ(placedChanges.changes, 2 * CArcCurve::kMaxFitIterations);
    EXPECT_EQ(onRayChanges.changes, 0);
    // The guide grew by one unit a step from radius 2: radius 101 at the placed end's angle.
    EXPECT_NEAR(placed->GetPosition().x, 101.0, 1e-9);
    EXPECT_NEAR(placed->GetPosition().y, 0.0, 1e-9);
}

}  // namespace
