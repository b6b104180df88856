// Edges: their record in every schema, their links to vertices, curve and uses, display and
// export, erasing, and their check with the repair of duplicates.
#include <gtest/gtest.h>

#include "database/UndoManager.h"
#include "database/Validity.h"
#include "platform/mfc/ArchiveException.h"
#include "settings/RenderingOptions.h"
#include "tests/model/doubles/EntityDoubles.h"
#include "tests/topology/TopologyTestSupport.h"
#include "topology/ArcCurve.h"
#include "topology/CurveFixupList.h"
#include "topology/Edge.h"
#include "topology/EdgeUse.h"
#include "topology/Loop.h"
#include "topology/Vertex.h"

namespace {

using EdgeTest = TopologyTest;
using orbisk::utils::CColor;

TEST_F(EdgeTest, ReadsItsVerticesAndFromSchemaOneItsCurve)
{
    struct Case {
        int32_t schema;
        bool withCurve;
        bool onCurve;
    };
    const Case cases[] = {
        {0, false, false}, {1, false, false}, {2, false, false}, {1, true, true}, {2, true, true}};
    for (const Case& c : cases) {
        TopologyRecords records({.edge = c.schema});
        auto& curve = records.Curve();
        curve.count = 1;
        auto& edgeRecord = records.Edge(records.Vertex({0, 0, 0}), records.Vertex({1, 0, 0}),
                                        c.withCurve ? &curve : nullptr);
        edgeRecord.soft = true;
        UseSchemas(records);
        auto* edge = ReadOne<CEdge>(TopologyRecords::Archive({&edgeRecord}));
        ASSERT_NE(edge, nullptr);
        EXPECT_EQ(edge->GetCurve() != nullptr, c.onCurve) << "schema " << c.schema;
        EXPECT_EQ(CCurveFixupList::IsEmpty(), !c.onCurve);
        EXPECT_TRUE(edge->IsSoft());
        EXPECT_EQ(edge->GetStart()->GetPosition(), CPoint3d(0, 0, 0));
        EXPECT_EQ(edge->GetEnd()->GetPosition(), CPoint3d(1, 0, 0));
        EXPECT_TRUE(edge->GetStart()->HasEdge(edge));
        EXPECT_TRUE(edge->GetEnd()->HasEdge(edge));
        CCurveFixupList::Clear();
    }
}

TEST_F(EdgeTest, AMissingVertexIsNotLinkedAndTheCheckReportsIt)
{
    TopologyRecords records;
    auto& end = records.Vertex({1, 0, 0});
    auto& edgeRecord = records.Edge(end, end);
    edgeRecord.start = nullptr;
    UseSchemas(records);
    auto* edge = ReadOne<CEdge>(TopologyRecords::Archive({&edgeRecord}));
    ASSERT_NE(edge, nullptr);
    EXPECT_EQ(edge->GetStart(), nullptr);
    EXPECT_EQ(edge->GetEnd()->GetEdgeCount(), 1);
    CValidityCheckScope checking;
    CCheckedObjectMap map;
    EXPECT_EQ(edge->CheckValidity(kValidityCheck, &map), 2);
    EXPECT_EQ(Report(), L"One of the vertices for CEdge (" + std::to_wstring(edge->GetId()) + L") is NULL\n");
}

TEST_F(EdgeTest, AVertexOfAnotherClassFailsTheRecordAndLeavesNothing)
{
    TopologyRecords records;
    auto& loop = records.Loop();
    auto& edgeRecord = records.Edge(records.Vertex({0, 0, 0}), loop);
    UseSchemas(records);
    EXPECT_EQ(ReadFailure(TopologyRecords::Archive({&edgeRecord})), CArchiveException::badClass);
}

TEST_F(EdgeTest, MovingItsVerticesMakesItsFacesForgetTheirBounds)
{
    TestFace* face = nullptr;
    const std::vector<CEdge*> edges = NewPolygon({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    NewFaceLoop(edges, &face);
    edges[0]->Transform(orbisk::geometry::CTransform3d());
    EXPECT_EQ(face->boundsInvalidations, 1);
}

TEST_F(EdgeTest, ErasingTheOnlyEdgeBetweenTwoVerticesErasesThem)
{
    CVertex* start = NewVertex({0, 0, 0});
    CVertex* end = NewVertex({1, 0, 0});
    CEdge* edge = NewEdge(start, end);
    edge->Erase();
    EXPECT_TRUE(WasCreatedAndErased(edge));
    EXPECT_TRUE(WasCreatedAndErased(start));
    EXPECT_TRUE(WasCreatedAndErased(end));
}

TEST_F(EdgeTest, AnswersItsVerticesAndGeometry)
{
    CVertex* a = NewVertex({0, 0, 0});
    CVertex* b = NewVertex({3, 4, 0});
    CVertex* c = NewVertex({9, 9, 9});
    CEdge* ab = NewEdge(a, b);
    CEdge* cb = NewEdge(c, b);
    CEdge* apart = NewEdge(NewVertex({5, 0, 0}), NewVertex({6, 0, 0}));
    EXPECT_EQ(ab->GetOtherVertex(c), a);
    EXPECT_EQ(ab->GetOtherVertex(a), b);
    EXPECT_EQ(ab->GetCommonVertex(cb), b);
    EXPECT_EQ(ab->GetCommonVertex(apart), nullptr);
    EXPECT_DOUBLE_EQ(ab->GetLength(), 5.0);
    EXPECT_EQ(ab->GetMidpoint(), CPoint3d(1.5, 2, 0));
    orbisk::geometry::CRay3d line;
    ab->GetLine(line);
    EXPECT_EQ(line.origin, CPoint3d(0, 0, 0));
    EXPECT_EQ(CVector3d(line.direction), CVector3d(0.6, 0.8, 0));
}

TEST_F(EdgeTest, ShowsInShadedModesOnlyWithEdgesOrProfilesOrWhenSelected)
{
    struct Case {
        int mode;
        int edgeDisplay;
        bool profiles;
        bool selected;
        bool visible;
    };
    const Case cases[] = {
        {0, 0, false, false, true}, {1, 0, false, false, true},  {2, 1, false, false, true},
        {2, 0, true, false, true},  {2, 0, false, false, false}, {3, 0, false, true, true},
    };
    CEdge* edge = NewEdge(NewVertex({0, 0, 0}), NewVertex({1, 0, 0}));
    TestEdgeOptions options;
    RecordingView view;
    view.options = &options;
    for (const Case& c : cases) {
        options.renderingMode = c.mode;
        options.edgeDisplay = c.edgeDisplay;
        options.profiles = c.profiles;
        edge->SetSelectedFlag(c.selected);
        EXPECT_EQ(edge->IsVisible(&view), c.visible) << "mode " << c.mode << " display " << c.edgeDisplay;
    }
}

TEST_F(EdgeTest, TakesItsColourByMaterialUniformlyOrByAxis)
{
    CEdge* alongY = NewEdge(NewVertex({0, 0, 0}), NewVertex({0, 2, 0}));
    CEdge* diagonal = NewEdge(NewVertex({0, 0, 0}), NewVertex({1, 1, 0}));
    TestEdgeOptions options;
    AxisColorView view;
    view.options = &options;
    options.edgeColorMode = IEdgeDisplayOptions::kEdgeColorByAxis;
    EXPECT_EQ(alongY->GetColorForView(&view), CColor(0, 255, 0));
    EXPECT_EQ(diagonal->GetColorForView(&view), CColor(128, 128, 128));
    options.edgeColorMode = IEdgeDisplayOptions::kEdgeColorUniform;
    EXPECT_EQ(alongY->GetColorForView(&view), options.edgeColor);
}

TEST_F(EdgeTest, SoftAndSmoothFollowTheirSwitches)
{
    CEdge* edge = NewEdge(NewVertex({0, 0, 0}), NewVertex({1, 0, 0}));
    edge->SetSoftAndSmooth(true, true);
    TestEdgeOptions options;
    EXPECT_TRUE(edge->IsSoft(&options));
    EXPECT_TRUE(edge->IsSmooth(&options));
    options.hideSoftEdges = false;
    options.averageNormals = false;
    EXPECT_FALSE(edge->IsSoft(&options));
    EXPECT_FALSE(edge->IsSmooth(&options));
    EXPECT_TRUE(edge->IsSoft());

    // The model's own options carry the same switches (the fixture frees what the test made).
    auto* modelOptions = new CRenderingOptions;
    EXPECT_TRUE(edge->IsSoft(modelOptions));
    modelOptions->SetHideSoftEdges(false);
    modelOptions->SetAverageNormals(false);
    EXPECT_FALSE(edge->IsSoft(modelOptions));
    EXPECT_FALSE(edge->IsSmooth(modelOptions));
}

TEST_F(EdgeTest, ExportsALineOrItsCurveOnceFromTheFirstEdge)
{
    RecordingExportVisitor visitor;
    CEdge* line = NewEdge(NewVertex({0, 0, 0}), NewVertex({1, 0, 0}));
    EXPECT_TRUE(line->Accept(&visitor));
    EXPECT_EQ(visitor.sent, std::vector<std::string>{"line"});

    const std::vector<CEdge*> chain = NewPolygon({{0, 0, 5}, {1, 0, 5}, {2, 1, 5}, {3, 3, 5}});
    auto* curve = new CCurve;
    for (size_t i = 0; i + 1 < chain.size(); ++i)
        chain[i]->SetCurve(curve);
    curve->FindEnds(chain[1]);
    visitor.sent.clear();
    for (size_t i = 0; i + 1 < chain.size(); ++i)
        EXPECT_TRUE(chain[i]->Accept(&visitor));
    EXPECT_EQ(visitor.sent, std::vector<std::string>{"polyline 4"});
    EXPECT_EQ(visitor.points.front(), CPoint3d(0, 0, 5));

    visitor.wantsEdges = false;
    visitor.sent.clear();
    EXPECT_TRUE(line->Accept(&visitor));
    EXPECT_TRUE(visitor.sent.empty());
}

TEST_F(EdgeTest, GivesItsCurveItsNewParentButNotANullOne)
{
    auto* component = new TestComponent;
    CEdge* edge = NewEdge(NewVertex({0, 0, 0}), NewVertex({1, 0, 0}));
    auto* curve = new CCurve;
    edge->SetCurve(curve);
    EXPECT_EQ(edge->SetParent(component), kEntityEdge);
    EXPECT_EQ(curve->GetParent(), component);
    EXPECT_EQ(edge->SetParent(nullptr), kEntityEdge);
    EXPECT_EQ(curve->GetParent(), component) << "a null parent is not passed on";
}

TEST_F(EdgeTest, ErasingOneEdgeOfACurveDissolvesTheCurve)
{
    const std::vector<CEdge*> chain = NewPolygon({{0, 0, 0}, {1, 0, 0}, {2, 1, 0}, {3, 3, 0}});
    auto* arc = new CArcCurve;
    for (size_t i = 0; i < 3; ++i)
        chain[i]->SetCurve(arc);
    ASSERT_EQ(arc->GetEdgeCount(), 3);
    chain[1]->Erase();
    EXPECT_EQ(chain[0]->GetCurve(), nullptr);
    EXPECT_EQ(chain[2]->GetCurve(), nullptr);
    EXPECT_TRUE(WasCreatedAndErased(arc));
}

TEST_F(EdgeTest, RepairOfTwoEdgesBetweenTheSameVerticesKeepsOneWithEveryUse)
{
    // Two triangles sharing the side a-b, each side made by its own edge.
    CVertex* a = NewVertex({0, 0, 0});
    CVertex* b = NewVertex({1, 0, 0});
    CVertex* c = NewVertex({0, 1, 0});
    CVertex* d = NewVertex({0, -1, 0});
    CEdge* ab = NewEdge(a, b);
    CEdge* ba = NewEdge(b, a);
    CEdge* upper[] = {ab, NewEdge(b, c), NewEdge(c, a)};
    CEdge* lower[] = {ba, NewEdge(a, d), NewEdge(d, b)};
    for (CEdge* edge : {upper[0], upper[1], upper[2], lower[1], lower[2], ba})
        component.Add(edge);
    TestFace* top = NewFace();
    TestFace* bottom = NewFace();
    top->AddLoop(new CLoop(3, upper, top));
    bottom->AddLoop(new CLoop(3, lower, bottom));

    CValidityCheckScope checking;
    CCheckedObjectMap map;
    EXPECT_EQ(ab->CheckValidity(kValidityFix, &map), 0);
    EXPECT_TRUE(WasCreatedAndErased(ab));
    EXPECT_EQ(ba->GetUseCount(), 2);
    EXPECT_TRUE(ba->IsUsedByFace(top));
    EXPECT_TRUE(ba->IsUsedByFace(bottom));
    EXPECT_EQ(a->GetEdgeCount(), 3);
    EXPECT_FALSE(component.Contains(ab));
    // The moved use still runs from a to b.
    const CEdgeUse* moved = ba->FindUseInFace(top);
    EXPECT_EQ(moved->GetStartVertex(), a);
    EXPECT_EQ(moved->GetEndVertex(), b);
}

}  // namespace
