// Dimensions and their style: the records of every schema, the measured points, lines and texts
// of linear and radial dimensions (inside scaled instances too), and detaching from erased
// geometry.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "components/Component.h"
#include "components/ComponentDefinition.h"
#include "components/DimensionStyle.h"
#include "components/LinearDimension.h"
#include "components/RadialDimension.h"
#include "components/ZpFont.h"
#include "database/ArchiveSchema.h"
#include "database/BackReferenceIndex.h"
#include "database/DefinitionList.h"
#include "database/EntitySet.h"
#include "database/LengthFormatter.h"
#include "database/VersionMap.h"
#include "tests/support/DimensionRecords.h"
#include "tests/support/VersionMaps.h"
#include "tests/topology/TopologyTestSupport.h"
#include "topology/Edge.h"
#include "topology/Vertex.h"

using orbisk::geometry::CArc3d;
using orbisk::geometry::CTransform3d;

namespace {

constexpr double kPi = 3.14159265358979323846;

std::wstring Formatted(double inches)
{
    return CLengthFormatter().Format(inches).GetString();
}

// A view whose drawing sits inside instances with the given transformation.
class TransformedView : public RecordingView {
public:
    CTransform3d GetTransform() override { return transform; }
    CTransform3d GetInverseTransform() override { return transform.Inverse(); }
    CTransform3d transform;
};

class DimensionTest : public TopologyTest {
protected:
    ~DimensionTest() override;

    // The model's own dimension style.
    CDimensionStyle& Style() { return *model.GetDimensionStyleObject(); }

    void UseSchemas(const TopologyRecords& topology, const DimensionRecords& dimensions)
    {
        InstallVersionMap(topology.GetVersionMap(), dimensions.GetVersionMap());
    }

    template <class T>
    T* Read(const Bytes& bytes)
    {
        CSuspendUndo unrecorded;
        T* object = nullptr;
        EXPECT_EQ(
            BytesLeftAfter(bytes, [&](CArchive& ar) { object = dynamic_cast<T*>(ar.ReadObject(nullptr)); }),
            0u);
        if (object)
            read.push_back(object);
        return object;
    }

    int Failure(const Bytes& bytes)
    {
        CSuspendUndo unrecorded;
        return ArchiveCause([&] {
            ReadFrom(bytes, [](CArchive& ar) {
                if (auto* entity = dynamic_cast<CEntity*>(ar.ReadObject(nullptr)))
                    entity->Erase();
            });
        });
    }

    // A linear dimension between two free points.
    CDimensionLinear* NewLinear(const CPoint3d& first, const CPoint3d& second, int32_t type, double yOffset)
    {
        auto* dimension = new CDimensionLinear;
        dimension->SetPoints(CReferencePoint(first), CReferencePoint(second));
        dimension->SetDimensionType(type);
        dimension->SetOffsets(0.0, yOffset);
        return dimension;
    }

    // A radial dimension of an arc about the origin in the plane normal to the given normal.
    CDimensionRadial* NewRadial(double radius, double leaderAngle, double leaderPosition,
                                CVector3d normal = {0, 0, 1}, double startAngle = 0.0, double endAngle = 0.0)
    {
        CArc3d arc;
        const CTransform3d frame({0, 0, 0}, orbisk::geometry::CUnitVector3d(normal));
        arc.xAxis = CVector3d(frame.GetXAxis()) * radius;
        arc.yAxis = CVector3d(frame.GetYAxis()) * radius;
        arc.SetNormal(orbisk::geometry::CUnitVector3d(normal));
        arc.startAngle = startAngle;
        arc.endAngle = endAngle;
        arc.Recompute(false);
        auto* dimension = new CDimensionRadial;
        dimension->SetArc(arc);
        dimension->SetLeader(leaderAngle, leaderPosition);
        return dimension;
    }

    // Entities read with undo recording off, which the test deletes.
    std::vector<CEntity*> read;
};

DimensionTest::~DimensionTest()
{
    CSuspendUndo unrecorded;
    for (CEntity* entity : read)
        delete entity;
}

TEST_F(DimensionTest, StyleRecordsOfEachSchemaReadTheirFields)
{
    struct Case {
        int32_t schema;
        int32_t lineWidthRead;
        int32_t textPositionRead;
    };
    // Before schema 3 the width field meant something else, and before 4 there is no position.
    for (const Case& c : {Case{0, 1, 1}, Case{2, 1, 1}, Case{3, 3, 1}, Case{4, 3, 2}}) {
        SCOPED_TRACE(c.schema);
        DimensionRecords records({.style = c.schema});
        UseSchemas(TopologyRecords(), records);
        auto& record = records.Style();
        record.fontType = 3;
        record.lineWidth = 3;
        record.arrowType = 2;
        record.highlight = true;
        record.outOfPlane = 0.25;
        record.textPosition = 2;
        auto* style = Read<CDimensionStyle>(DimensionRecords::Archive({&record}));
        ASSERT_NE(style, nullptr);
        EXPECT_EQ(style->GetFontType(), 0);
        EXPECT_EQ(style->GetLineWidth(), c.lineWidthRead);
        EXPECT_EQ(style->GetTextPosition(), c.textPositionRead);
        EXPECT_EQ(style->GetArrowType(), 2);
        EXPECT_TRUE(style->GetHighlightFlag());
        EXPECT_DOUBLE_EQ(style->GetOutOfPlaneValue(), 0.25);
    }
}

TEST_F(DimensionTest, StyleCheckFixesAnArrowTypeOutOfRange)
{
    CValidityCheckScope checks;
    auto* font = new CZpFont;
    Style().SetFont(font, false);
    Style().SetArrowType(9);
    EXPECT_EQ(Style().CheckValidity(kValidityCheck, nullptr), 1);
    EXPECT_EQ(Style().CheckValidity(kValidityFix, nullptr), 0);
    EXPECT_EQ(Style().GetArrowType(), 0);
    EXPECT_NE(Report().find(L" - fixed"), std::wstring::npos);
    Style().SetFont(nullptr, false);
}

TEST_F(DimensionTest, LinearRecordsOfEachSchemaReadTheirFields)
{
    struct Case {
        int32_t linear;
        int32_t dimension;
        double xOffsetRead;
        int32_t textPositionRead;
    };
    // Schema 4 records held an X offset that later programs read as 0; before schema 6 the
    // style gives the text position (3 here).
    const Case cases[] = {{0, 1, 0.0, 3}, {1, 1, 0.0, 3}, {2, 0, 0.0, 3}, {3, 1, 0.0, 3},
                          {4, 1, 0.0, 3}, {5, 1, 7.0, 3}, {6, 1, 7.0, 2}};
    Style().SetTextPosition(3);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.linear);
        TopologyRecords topology;
        DimensionRecords records({.dimension = c.dimension, .linear = c.linear});
        UseSchemas(topology, records);
        auto& a = topology.Vertex({0, 0, 0});
        auto& b = topology.Vertex({10, 0, 0});
        auto& record = records.Linear();
        record.text = L"a\\nb";
        record.vertex1 = &a;
        record.vertex2 = &b;
        record.point1 = DimensionRecords::Point::On(CReferencePoint::kVertex, &a);
        record.point2 = DimensionRecords::Point::On(CReferencePoint::kVertex, &b);
        record.xAxisAngle = kPi / 2;
        record.xAxis = {0, 1, 0};
        record.type = 1;
        record.yOffset = 5;
        record.xOffset = 7;
        record.textPosition = 2;
        auto* dimension = Read<CDimensionLinear>(DimensionRecords::Archive({&record}));
        ASSERT_NE(dimension, nullptr);
        ExpectNear(dimension->GetPoint(0).GetPosition(), {0, 0, 0});
        ExpectNear(dimension->GetPoint(1).GetPosition(), {10, 0, 0});
        EXPECT_TRUE(dimension->IsAssociated());
        // The angle of old records turns the x axis of the normal's standard frame: a quarter
        // turn gives its y axis.
        const CVector3d expectedAxis =
            c.linear >= 4
                ? CVector3d(0, 1, 0)
                : CVector3d(CTransform3d({0, 0, 0}, orbisk::geometry::CUnitVector3d::ZAxis()).GetYAxis());
        EXPECT_TRUE(dimension->GetXAxis().IsEqual(expectedAxis, 1e-9));
        EXPECT_EQ(dimension->GetDimensionType(), 1);
        EXPECT_DOUBLE_EQ(dimension->GetYOffset(), 5.0);
        EXPECT_DOUBLE_EQ(dimension->GetXOffset(), c.xOffsetRead);
        EXPECT_EQ(dimension->GetTextPlacement(), c.textPositionRead);
        EXPECT_EQ(std::wstring(dimension->GetText().GetString()), c.linear >= 2 ? L"a\nb" : L"");
        // The dimension registered with its vertices.
        EXPECT_TRUE(model.GetBackReferenceIndex().HasEntry(dimension->GetPoint(0).GetEntity(), dimension));
        dimension->OnErase();
    }
}

TEST_F(DimensionTest, TruncatedLinearRecordsRaiseTheArchiveException)
{
    TopologyRecords topology;
    DimensionRecords records;
    UseSchemas(topology, records);
    auto& record = records.Linear();
    record.point1 = DimensionRecords::Point::On(CReferencePoint::kVertex, &topology.Vertex({0, 0, 0}));
    const Bytes full = DimensionRecords::Archive({&record});
    for (size_t length : {full.size() / 3, full.size() / 2, full.size() - 1}) {
        SCOPED_TRACE(length);
        EXPECT_EQ(Failure(Bytes(full.begin(), full.begin() + static_cast<long>(length))),
                  CArchiveException::endOfFile);
    }
}

TEST_F(DimensionTest, AlignedDimensionLineRunsAtTheYOffsetAndMeasuresTheDistance)
{
    CDimensionLinear* dimension = NewLinear({0, 0, 0}, {10, 0, 0}, CDimensionLinear::kAligned, 5);
    CPoint3d points[6];
    CTransform3d frame;
    dimension->GetDimensionPoints(points, frame);
    ExpectNear(frame.MultiplyPoint(points[2]), {0, 5, 0});
    ExpectNear(frame.MultiplyPoint(points[3]), {10, 5, 0});
    CVector3d d1, d2;
    EXPECT_TRUE(CDimensionLinear::GetExtensionDirections(5, points[0], points[1], d1, d2));
    EXPECT_TRUE(d1.IsEqual({0, 1, 0}, 0));
    EXPECT_EQ(std::wstring(dimension->GetMeasurementText(nullptr).GetString()), Formatted(10));
}

TEST_F(DimensionTest, DimensionAlongTheXAxisMeasuresOnlyAlongIt)
{
    CDimensionLinear* dimension = NewLinear({0, 0, 0}, {10, 4, 0}, CDimensionLinear::kAlongXAxis, 8);
    CPoint3d points[6];
    CTransform3d frame;
    dimension->GetDimensionPoints(points, frame);
    ExpectNear(frame.MultiplyPoint(points[2]), {0, 8, 0});
    ExpectNear(frame.MultiplyPoint(points[3]), {10, 8, 0});
    ExpectNear(frame.MultiplyPoint(points[1]), {10, 4, 0});
    EXPECT_EQ(std::wstring(dimension->GetMeasurementText(nullptr).GetString()), Formatted(10));

    TransformedView inScaledInstance;
    inScaledInstance.transform = CTransform3d(2, 2, 2);
    EXPECT_EQ(std::wstring(dimension->GetMeasurementText(&inScaledInstance).GetString()), Formatted(20));
}

TEST_F(DimensionTest, ExtensionLinesFollowTheSideOfTheDimensionLine)
{
    struct Case {
        double yOffset;
        double firstY;
        double secondY;
        CVector3d d1;
        CVector3d d2;
        bool sameSide;
    };
    const Case cases[] = {
        {-5, 0, 0, {0, -1, 0}, {0, -1, 0}, true},
        {0, 0, 0, {0, 0, 0}, {0, 0, 0}, true},
        {2, 0, 4, {0, 1, 0}, {0, -1, 0}, false},
    };
    for (const Case& c : cases) {
        CVector3d d1, d2;
        EXPECT_EQ(
            CDimensionLinear::GetExtensionDirections(c.yOffset, {0, c.firstY, 0}, {10, c.secondY, 0}, d1, d2),
            c.sameSide);
        EXPECT_TRUE(d1.IsEqual(c.d1, 0));
        EXPECT_TRUE(d2.IsEqual(c.d2, 0));
    }
}

TEST_F(DimensionTest, UserTextReplacesThePlaceholderWithTheMeasurement)
{
    CDimensionLinear* dimension = NewLinear({0, 0, 0}, {10, 0, 0}, CDimensionLinear::kAligned, 5);
    struct Case {
        const wchar_t* text;
        std::wstring shown;
        bool replaced;
    };
    for (const Case& c : {Case{L"", Formatted(10), false}, Case{L"<> long", Formatted(10) + L" long", false},
                          Case{L"fixed", L"fixed", true}}) {
        dimension->SetText(c.text);
        bool replaced = false;
        EXPECT_EQ(std::wstring(dimension->GetDisplayText(nullptr, replaced).GetString()), c.shown);
        EXPECT_EQ(replaced, c.replaced);
    }
    Style().SetHighlight(true, {255, 0, 0, 255});
    EXPECT_EQ(dimension->GetNonAssociatedColor(true), CDrawingElement::CColor(255, 0, 0, 255));
    EXPECT_EQ(dimension->GetNonAssociatedColor(false), CDrawingElement::CColor());
}

TEST_F(DimensionTest, RadialLeaderPointsLieOnTheLeaderLine)
{
    struct Case {
        double leaderPosition;
        CPoint3d outer;
    };
    for (const Case& c : {Case{1.5, {3, 0, 0}}, Case{-0.5, {2.5, 0, 0}}}) {
        CDimensionRadial* dimension = NewRadial(2, 0, c.leaderPosition);
        CPoint3d outer, onArc, opposite;
        dimension->GetLeaderPoints(outer, onArc, opposite);
        ExpectNear(outer, c.outer);
        ExpectNear(onArc, {2, 0, 0});
        ExpectNear(opposite, {-2, 0, 0});
    }
}

TEST_F(DimensionTest, LeaderBeyondTheEndOfAQuarterArcMovesToTheArcsEnd)
{
    CDimensionRadial* dimension = NewRadial(2, kPi / 2 + 0.3, 1.5, {0, 0, 1}, 0, kPi / 2);
    CPoint3d outer, onArc, opposite;
    dimension->GetLeaderPoints(outer, onArc, opposite);
    ExpectNear(onArc, {0, 2, 0});
    ExpectNear(opposite, {0, -2, 0});
    EXPECT_NEAR(outer.x, 0, 1e-9);
    EXPECT_NEAR(outer.y, 3 * std::cos(0.3), 1e-9);
}

TEST_F(DimensionTest, RadialMeasurementFollowsTheInstanceScale)
{
    struct Case {
        CVector3d normal;
        CTransform3d transform;
        std::wstring shown;
    };
    const Case cases[] = {
        {{0, 0, 1}, CTransform3d(3, 3, 3), Formatted(6)},
        {{0, 0, 1}, CTransform3d(1, 1, 2), Formatted(2)},
        {{1, 0, 0}, CTransform3d(1, 1, 2), L"?"},
    };
    Style().SetShowRadiusPrefix(false);
    for (const Case& c : cases) {
        CDimensionRadial* dimension = NewRadial(2, 0, 1.5, c.normal);
        TransformedView view;
        view.transform = c.transform;
        EXPECT_EQ(std::wstring(dimension->GetMeasurementText(&view).GetString()), c.shown);
    }
}

TEST_F(DimensionTest, DiameterWithThePrefixReadsDiaAndTheDiameter)
{
    CDimensionRadial* dimension = NewRadial(2, 0, 0.5);
    dimension->SetDiameter(true);
    EXPECT_EQ(std::wstring(dimension->GetMeasurementText(nullptr).GetString()), L"DIA " + Formatted(4));
    CPoint3d anchor;
    int alignment = 0, justification = 0;
    dimension->GetTextPosition(nullptr, anchor, alignment, justification);
    EXPECT_EQ(alignment, 4);
}

TEST_F(DimensionTest, RadialRecordsReadTheArcWhenThereIsNoEdge)
{
    for (int32_t schema : {0, 1, 2}) {
        SCOPED_TRACE(schema);
        TopologyRecords topology;
        DimensionRecords records({.radial = schema});
        UseSchemas(topology, records);
        auto& record = records.Radial();
        record.center = {1, 2, 0};
        record.radius = 3;
        record.leaderAngle = 0.5;
        record.leaderPosition = 1.5;
        record.diameter = true;
        auto* dimension = Read<CDimensionRadial>(DimensionRecords::Archive({&record}));
        ASSERT_NE(dimension, nullptr);
        EXPECT_FALSE(dimension->IsAssociated());
        EXPECT_DOUBLE_EQ(dimension->GetArc().radius, 3.0);
        ExpectNear(dimension->GetLocation(), {1, 2, 0});
        EXPECT_DOUBLE_EQ(dimension->GetLeaderAngle(), 0.5);
        EXPECT_TRUE(dimension->IsDiameter());
    }
}

TEST_F(DimensionTest, ErasingTheArcEdgeDetachesTheRadialDimension)
{
    CEdge* edge = NewEdge(NewVertex({2, 0, 0}), NewVertex({0, 2, 0}));
    CDimensionRadial* dimension = NewRadial(2, 0, 1.5);
    dimension->SetEdge(edge);
    EXPECT_TRUE(dimension->RefersTo(edge));

    edge->Erase();

    EXPECT_EQ(dimension->GetEdge(), nullptr);
    EXPECT_DOUBLE_EQ(dimension->GetArc().radius, 2.0);
    EXPECT_FALSE(dimension->IsAssociated());
}

TEST_F(DimensionTest, MovingAndScalingCarryFreePointsAndTheOffset)
{
    struct Case {
        CTransform3d transform;
        CPoint3d first;
        double yOffset;
    };
    CTransform3d moved;
    moved.SetTranslation({3, 4, 0});
    for (const Case& c : {Case{moved, {3, 4, 0}, 5}, Case{CTransform3d(2, 2, 2), {0, 0, 0}, 10}}) {
        CDimensionLinear* dimension = NewLinear({0, 0, 0}, {10, 0, 0}, CDimensionLinear::kAligned, 5);
        dimension->Transform(c.transform);
        ExpectNear(dimension->GetPoint(0).GetPosition(), c.first);
        EXPECT_NEAR(dimension->GetYOffset(), c.yOffset, 1e-9);
    }
}

TEST_F(DimensionTest, CopyingWithoutTheAnchorsMarksThePointsToBeWrittenFree)
{
    CVertex* vertex = NewVertex({1, 0, 0});
    auto* dimension = new CDimensionLinear;
    dimension->SetPoints(CReferencePoint(vertex), CReferencePoint(CPoint3d(5, 0, 0)));
    CEntitySet withVertex;
    withVertex.Insert(vertex);
    dimension->PrepareCopy(withVertex, true);
    EXPECT_FALSE(dimension->GetPoint(0).GetDetachOnWrite());

    dimension->PrepareCopy(CEntitySet(), true);
    EXPECT_TRUE(dimension->GetPoint(0).GetDetachOnWrite());
    dimension->PrepareCopy(CEntitySet(), false);
    EXPECT_EQ(dimension->GetPoint(0).GetKind(), CReferencePoint::kFree);
}

TEST_F(DimensionTest, LinearCheckReportsAndFixesADimensionTypeOutOfRange)
{
    CValidityCheckScope checks;
    CDimensionLinear* dimension = NewLinear({0, 0, 0}, {10, 0, 0}, 7, 5);
    EXPECT_EQ(dimension->CheckValidity(kValidityCheck, nullptr), 1);
    EXPECT_EQ(dimension->CheckValidity(kValidityFix, nullptr), 0);
    EXPECT_EQ(dimension->GetDimensionType(), CDimensionLinear::kAlongXAxis);
    dimension->SetAxes({0, 0, 2}, {1, 0, 0});
    EXPECT_EQ(dimension->CheckValidity(kValidityCheck, nullptr), 2);
    EXPECT_NE(Report().find(L"The normal vector"), std::wstring::npos);
}

TEST_F(DimensionTest, RadialDetachedOnSaveWritesItsArcInPlaceOfTheEdge)
{
    CEdge* edge = NewEdge(NewVertex({2, 0, 0}), NewVertex({0, 2, 0}));
    CDimensionRadial* dimension = NewRadial(2, 0, 1.5);
    dimension->SetEdge(edge);
    dimension->SetDetachedOnSave(true);
    const Bytes bytes = WrittenBy([&](CArchive& ar) { ar.WriteObject(dimension); });
    // Written by this program: the schemas it declares.
    SetCurrentVersionMap(nullptr);
    auto* copy = Read<CDimensionRadial>(bytes);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetEdge(), nullptr);
    EXPECT_DOUBLE_EQ(copy->GetArc().radius, 2.0);
    EXPECT_DOUBLE_EQ(copy->GetLeaderPosition(), 1.5);
    // The flag lasts one save: the dimension itself keeps its edge.
    EXPECT_EQ(dimension->GetEdge(), edge);
}

TEST_F(DimensionTest, TextBeyondAnEndSitsOneTextHeightFromIt)
{
    auto* font = new CZpFont;
    // Sized in the model: two units high wherever it is seen.
    font->SetFont(L"Arial", false, false, 12, true, 2.0);
    CDimensionLinear* dimension = NewLinear({0, 0, 0}, {10, 0, 0}, CDimensionLinear::kAligned, 5);
    dimension->SetFont(font);
    RecordingView view;
    struct Case {
        double xOffset;
        CPoint3d anchor;
    };
    for (const Case& c :
         {Case{0, {5, 5, 0}}, Case{-3, {-2, 5, 0}}, Case{-300, {-2, 5, 0}}, Case{3, {12, 5, 0}}}) {
        SCOPED_TRACE(c.xOffset);
        dimension->SetOffsets(c.xOffset, 5);
        ExpectNear(dimension->GetTextAnchor({0, 5, 0}, {10, 5, 0}, &view), c.anchor);
    }
    dimension->SetFont(nullptr);
}

TEST_F(DimensionTest, LinearDimensionReadsBackWhatItWrites)
{
    CVertex* start = NewVertex({0, 0, 0});
    CDimensionLinear* dimension = NewLinear({0, 0, 0}, {10, 4, 0}, CDimensionLinear::kAlongXAxis, 8);
    dimension->SetPoints(CReferencePoint(start), CReferencePoint(CPoint3d(10, 4, 0)));
    dimension->SetOffsets(-3, 8);
    dimension->SetTextPlacement(4);
    dimension->SetText(L"<> wide");
    const Bytes bytes = WrittenBy([&](CArchive& ar) { ar.WriteObject(dimension); });
    SetCurrentVersionMap(nullptr);
    auto* copy = Read<CDimensionLinear>(bytes);
    ASSERT_NE(copy, nullptr);
    ExpectNear(copy->GetPoint(0).GetPosition(), {0, 0, 0});
    EXPECT_EQ(copy->GetPoint(0).GetKind(), CReferencePoint::kVertex);
    ExpectNear(copy->GetPoint(1).GetPosition(), {10, 4, 0});
    EXPECT_EQ(copy->GetDimensionType(), CDimensionLinear::kAlongXAxis);
    EXPECT_DOUBLE_EQ(copy->GetXOffset(), -3.0);
    EXPECT_DOUBLE_EQ(copy->GetYOffset(), 8.0);
    EXPECT_EQ(copy->GetTextPlacement(), 4);
    EXPECT_EQ(std::wstring(copy->GetText().GetString()), L"<> wide");
    copy->OnErase();
}

// Files whose dimensions kept no style settings of their own take the model's style, in the
// root and in every definition.
TEST_F(DimensionTest, TheStyleReachesTheDimensionsOfTheRootAndOfEveryDefinition)
{
    // The tree is the test's own, as a model's root is; the operation is not to see it.
    CSuspendUndo unrecorded;
    Style().SetArrowType(3);
    Style().SetAlignedText(true);
    CComponent root;
    auto* definition = new CComponentDefinition;
    root.GetDefinitionList()->Add(definition);
    auto* top = new CDimensionLinear;
    root.Add(top);
    auto* nested = new CDimensionRadial;
    definition->Add(nested);

    root.ApplyDimensionStyle(&Style());
    for (const CDimension* dimension : {static_cast<CDimension*>(top), static_cast<CDimension*>(nested)}) {
        EXPECT_EQ(dimension->GetArrowType(), 3);
        EXPECT_TRUE(dimension->IsTextAligned());
        EXPECT_EQ(dimension->GetUsedFont(), Style().GetFont());
    }
}

}  // namespace
