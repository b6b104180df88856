// Transforming a set of entities with what depends on them: arcs reshaped through a vertex
// that moves alone, the role of each dimension and how it follows, texts without a leader
// following the text transformation, and a component that an identity leaves untouched.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "components/Component.h"
#include "components/LinearDimension.h"
#include "components/ReferencePoint.h"
#include "components/Text.h"
#include "components/TransformController.h"
#include "database/UndoManager.h"
#include "geometry/UnitVector3d.h"
#include "support/NotificationCenter.h"
#include "tests/topology/TopologyTestSupport.h"
#include "topology/ArcCurve.h"
#include "topology/Edge.h"
#include "topology/Vertex.h"

using orbisk::geometry::CArc3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CUnitVector3d;

namespace {

// An arc that counts how often it is asked to move through one of its vertices.
class MoveCountingArc : public CArcCurve {
public:
    void MoveEnd(CVertex* vertex, CPoint3d& oldPosition, const CPoint3d& newPosition) override
    {
        ++moves;
        CArcCurve::MoveEnd(vertex, oldPosition, newPosition);
    }
    int moves = 0;
};

// Counts the change notices of every entity.
class EntityChangeCount : public orbisk::utils::IObserver {
public:
    EntityChangeCount()
    {
        orbisk::utils::CNotificationCenter::GetInstance().AddObserver("EntityChanged", this);
    }
    ~EntityChangeCount() override
    {
        orbisk::utils::CNotificationCenter::GetInstance().RemoveObserverFromAll(this);
    }
    void OnNotification(const char*, void*) override { ++changes; }
    int changes = 0;
};

CTransform3d Translation(const CVector3d& offset)
{
    CTransform3d transform;
    transform.SetTranslation(offset);
    return transform;
}

class TransformControllerTest : public TopologyTest {
protected:
    // Two chords of the unit circle about the origin, from 0 through 90 to 180 degrees, each
    // named by the arc.
    std::vector<CEdge*> HalfCircle(MoveCountingArc* arc)
    {
        CArc3d circle;
        circle.xAxis = {1, 0, 0};
        circle.yAxis = {0, 1, 0};
        circle.Recompute(false);
        arc->SetArc(circle);
        std::vector<CEdge*> edges = NewPolygon({{1, 0, 0}, {0, 1, 0}, {-1, 0, 0}});
        edges.pop_back();
        for (CEdge* edge : edges)
            edge->SetCurve(arc);
        arc->FindEnds(edges[0]);
        return edges;
    }

    // Measures along x between the middles of two edges, registered as their referrer.
    CDimensionLinear* DimensionBetween(CEdge* first, CEdge* second)
    {
        auto* dimension = new CDimensionLinear;
        const auto middle = [](CEdge* edge) {
            return edge->GetStart()->GetPosition() +
                   (edge->GetEnd()->GetPosition() - edge->GetStart()->GetPosition()) * 0.5;
        };
        dimension->SetPoints(CReferencePoint(first, middle(first)), CReferencePoint(second, middle(second)));
        dimension->SetDimensionType(CDimensionLinear::kAlongXAxis);
        return dimension;
    }
};

}  // namespace

TEST_F(TransformControllerTest, AVertexEndingTwoEdgesOfOneArcReshapesTheArcOnce)
{
    auto* arc = new MoveCountingArc;
    const std::vector<CEdge*> edges = HalfCircle(arc);
    CVertex* top = edges[0]->GetEnd();
    ASSERT_EQ(top, edges[1]->GetStart());

    CTransformController controller({top});
    controller.Apply(Translation({0, 1, 0}));
    EXPECT_EQ(arc->moves, 1);
    // The arc now runs through the moved vertex; translated once more it would stand at y = 3.
    ExpectNear(top->GetPosition(), {0, 2, 0});
    ExpectNear(edges[0]->GetStart()->GetPosition(), {1, 0, 0});
    ExpectNear(edges[1]->GetEnd()->GetPosition(), {-1, 0, 0});
}

TEST_F(TransformControllerTest, VerticesWhoseEdgesAllMoveAreTransformedDirectly)
{
    auto* arc = new MoveCountingArc;
    const std::vector<CEdge*> edges = HalfCircle(arc);
    CTransformController controller({edges[0], edges[1]});
    controller.Apply(Translation({0, 0, 5}));
    EXPECT_EQ(arc->moves, 0);
    ExpectNear(edges[0]->GetEnd()->GetPosition(), {0, 1, 5});
    ExpectNear(edges[1]->GetEnd()->GetPosition(), {-1, 0, 5});
}

TEST_F(TransformControllerTest, ADimensionsRoleSaysHowItWasInvolvedAndItFollowsWithIt)
{
    const CTransform3d quarterTurn({0, 0, 0}, CUnitVector3d(0, 0, 1), M_PI / 2);
    struct Case {
        const char* name;
        bool dimensionGiven;
        int edgesGiven;
        int32_t role;
    };
    const Case cases[] = {
        {"given with both edges", true, 2, CTransformController::kRoleGivenWhole},
        {"given with one edge", true, 1, CTransformController::kRoleGivenPartly},
        {"both edges given", false, 2, CTransformController::kRoleDependent},
        {"one edge given", false, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<CEdge*> edges = NewPolygon({{0, 0, 0}, {0, 4, 0}, {10, 4, 0}, {10, 0, 0}});
        CDimensionLinear* dimension = DimensionBetween(edges[0], edges[2]);
        std::vector<CEntity*> given = {edges[0]};
        if (c.edgesGiven == 2)
            given.push_back(edges[2]);
        if (c.dimensionGiven)
            given.push_back(dimension);

        CTransformController controller(given);
        controller.Apply(quarterTurn);
        EXPECT_EQ(controller.GetRole(dimension), c.role);
        // A dimension with a role turns its measuring axis with the geometry; one without is
        // left alone.
        const CVector3d expected = c.role ? CVector3d(0, 1, 0) : CVector3d(1, 0, 0);
        EXPECT_TRUE(dimension->GetXAxis().IsEqual(expected, 1e-9)) << dimension->GetXAxis().x;
    }
}

TEST_F(TransformControllerTest, AScreenTextFollowsTheTextTransformation)
{
    for (bool shortForm : {true, false}) {
        SCOPED_TRACE(shortForm ? "short form" : "with a text transformation");
        auto* text = new CText;
        text->SetOffsets(0.5, 0.5);
        CTransformController controller({text});
        if (shortForm)
            controller.Apply(Translation({3, 3, 0}));
        else
            controller.Apply(Translation({3, 3, 0}), CTransform3d(0.5, 0.5, 0.5), nullptr);
        EXPECT_EQ(controller.GetRole(text), CTransformController::kRoleGivenWhole);
        EXPECT_DOUBLE_EQ(text->GetXOffset(), shortForm ? 0.5 : 0.25);
        EXPECT_DOUBLE_EQ(text->GetYOffset(), shortForm ? 0.5 : 0.25);
    }
}

TEST_F(TransformControllerTest, AComponentGivenTheIdentityChangesNothing)
{
    // Made outside the test's operation, whose entities the fixture frees: the component
    // frees its own parts.
    std::unique_ptr<CComponent> component;
    {
        CSuspendUndo unrecorded;
        component = std::make_unique<CComponent>();
    }
    const std::vector<CEdge*> edges = NewPolygon({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}});
    for (CEdge* edge : edges)
        component->AddEntity(edge);
    EntityChangeCount count;
    component->Transform(CTransform3d());
    EXPECT_EQ(count.changes, 0);
    ExpectNear(edges[1]->GetStart()->GetPosition(), {1, 0, 0});

    component->Transform(Translation({0, 0, 2}));
    EXPECT_GT(count.changes, 0);
    ExpectNear(edges[1]->GetStart()->GetPosition(), {1, 0, 2});

    // The edges are the fixture's to free.
    for (CEdge* edge : edges)
        component->RemoveEntity(edge);
}

// The anchor follows the edge it sits on, which the text's own move leaves where it is: the label
// goes where the move takes it, measured from the anchor that stayed.
TEST_F(TransformControllerTest, MovingATextAnchoredOnAnEdgeThatStaysMovesItsLabelOnly)
{
    CEdge* edge = NewPolygon({{0, 0, 0}, {4, 0, 0}, {4, 4, 0}})[0];
    auto* text = new CText;
    text->SetAnchor(CReferencePoint(edge, CPoint3d(2, 0, 0)), true);
    text->SetLeaderTypeRaw(CText::kModelLeader);
    text->SetLeaderVector(CVector3d(0, 3, 0));
    text->Transform(Translation({1, 1, 0}));
    ExpectNear(text->GetAnchorPosition(), CPoint3d(2, 0, 0));
    ExpectNear(text->GetAnchorPosition() + text->GetLeaderVector(), CPoint3d(3, 4, 0));
}
