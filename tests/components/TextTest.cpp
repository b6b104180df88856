// Texts: their record in every schema with the conversions of the older ones, the leader in
// view and model terms, the layout of leader and label, transformation, picking, the check
// with its repairs, and the uses of fonts.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "components/Text.h"
#include "components/ZpFont.h"
#include "database/ArchiveReading.h"
#include "database/ArchiveSchema.h"
#include "database/IPickHelper.h"
#include "database/Validity.h"
#include "database/VersionMap.h"
#include "geometry/Ray3d.h"
#include "geometry/UnitVector3d.h"
#include "tests/components/TextTestSupport.h"
#include "tests/support/TopologyRecords.h"
#include "tests/support/VersionMaps.h"
#include "tests/topology/TopologyTestSupport.h"
#include "topology/CurveFixupList.h"
#include "topology/Edge.h"
#include "topology/Vertex.h"

namespace {

using orbisk::geometry::CRay3d;
using orbisk::geometry::CUnitVector3d;

CObject* AsObject(CVertex* vertex)
{
    return vertex;
}

// Erases the text (giving its font use back) when it goes.
struct TextDeleter {
    void operator()(CText* text) const
    {
        if (text)
            text->Erase();
    }
};
using TextPtr = std::unique_ptr<CText, TextDeleter>;

// A picker over the text view: segments and points within `tolerance` of the ray are hit.
class TextPicker : public TextView, public IPickHelper {
public:
    int GetPickMode() override { return mode; }
    bool IsWindowPick() override { return false; }
    CRay3d GetPickRay() override { return ray; }
    CRay3d GetLocalRay() override { return ray; }
    int PickLine(const orbisk::geometry::CLine3d&) override { return 0; }
    int PickSegment(const CPoint3d& start, const CPoint3d& end) override
    {
        segments.emplace_back(start, end);
        double t = 0.0;
        if (!ray.ClosestParameterToSegment(start, end, t))
            return 0;
        const CPoint3d onRay = ray.GetPointAt(t);
        const CVector3d along = end - start;
        const double s = along.LengthSquared() > 0 ? (onRay - start).Dot(along) / along.LengthSquared() : 0.0;
        return onRay.DistanceTo(start + along * std::clamp(s, 0.0, 1.0)) <= tolerance ? 1 : 0;
    }
    bool TestBox(const orbisk::geometry::CBoundingBox3d&) override { return true; }
    int PickPoint(const CPoint3d&) override { return pointAnswer; }
    bool IsEntityVisible(CEntity*) override { return true; }
    IModelView* GetView() override { return this; }
    void PushPathEntity(CEntity*) override {}
    void PopPathEntity() override {}
    bool DescendsIntoInstances() override { return true; }
    bool GetSecondaryFlag() override { return false; }
    bool GetPicksSoftEdges() override { return false; }
    void SetPicksSoftEdges(bool) override {}
    void AddHit(CEntity*, bool, bool) override {}
    void SetHitTag(int) override {}
    CEntity* GetHitElement() override { return nullptr; }
    void SetHitElement(CEntity*) override {}
    double DistanceToFilterPlane(const CPoint3d&, int) override { return 0.001; }
    void GetApertureCorners(CPoint3d (&)[4]) override {}

    CRay3d ray{{0, 0, 100}, CUnitVector3d(0, 0, -1)};
    double tolerance = 0.1;
    int mode = kPointPick;
    int pointAnswer = 1;
    bool clippingOff = false;
    void SetDrawFlags(bool off) override { clippingOff = off; }
    std::vector<std::pair<CPoint3d, CPoint3d>> segments;
};

class TextReadTest : public TextTest {
protected:
    ~TextReadTest() override { CCurveFixupList::Clear(); }

    // The version map of both writers' schemas.
    static void UseSchemas(const TextRecords& text, const TopologyRecords& topology)
    {
        InstallVersionMap(topology.GetVersionMap(), text.GetVersionMap());
    }
    TextPtr Read(const Bytes& bytes) { return TextPtr(ReadOne<CText>(bytes)); }
};

// A text at a free anchor with a leader in model terms.
TextPtr ModelLeaderText(const CPoint3d& anchor, const CVector3d& vector)
{
    TextPtr text(new CText);
    text->SetAnchor(CReferencePoint(anchor), true);
    text->SetLeaderTypeRaw(CText::kModelLeader);
    text->SetLeaderVector(vector);
    return text;
}

TEST_F(TextReadTest, ReadsEverySchema)
{
    struct Case {
        int32_t schema;
        int32_t leaderType;
        CVector3d leaderVector;
        bool leaderShown;
        bool ownFont;
        bool extraFlag;
        int32_t extension;
    };
    const Case cases[] = {
        {0, 0, {0, 0, 0}, true, false, false, 0},   {1, 1, {0, 0, 0}, true, false, false, 0},
        {2, 1, {0, 0, 0}, false, false, false, 0},  {3, 1, {6, -15, 0}, false, false, false, 0},
        {4, 1, {6, -15, 0}, false, true, false, 0}, {5, 1, {6, -15, 0}, false, true, false, 0},
        {6, 1, {6, -15, 0}, false, true, false, 0}, {7, 1, {2, 5, 0}, false, true, false, 0},
        {8, 1, {2, 5, 0}, false, true, true, 0},    {9, 1, {2, 5, 0}, false, true, true, 2},
    };
    for (const Case& c : cases) {
        TextRecords records({.text = c.schema});
        TopologyRecords topology;
        auto& font = records.Font(L"Arial", 20);
        auto& record = records.Text(L"two\\nlines");
        record.font = &font;
        record.xOffset = 0.25;
        record.yOffset = 0.75;
        record.anchor.kind = CReferencePoint::kFree;
        record.anchor.parameters[0] = 1;
        record.first = {2, 5, 0};
        record.second = {0, 3, 0};
        record.leaderVector = {2, 5, 0};
        record.placementDirection = {0, 0, 2};
        record.viewScale = 3;
        record.leaderType = 1;
        record.lineWidth = 2;
        record.frontSide = false;
        record.hideWhenTurned = true;
        record.arrowType = 3;
        record.leaderShown = false;
        record.extraFlag = true;
        record.extension = 2;
        UseSchemas(records, topology);
        // The text, then a vertex record after it: the text must read exactly its own part.
        const auto read = ReadObjects(TextRecords::Archive({&record, &topology.Vertex({7, 7, 7})}), 2);
        TextPtr text(dynamic_cast<CText*>(read[0]));
        ASSERT_NE(text, nullptr);
        SCOPED_TRACE(testing::Message() << "schema " << c.schema);
        EXPECT_EQ(text->GetLeaderType(), c.leaderType);
        EXPECT_EQ(text->GetLeaderVector(), c.leaderVector);
        EXPECT_EQ(text->IsLeaderShown(), c.leaderShown);
        EXPECT_EQ(text->GetOwnFont() != nullptr, c.ownFont);
        EXPECT_EQ(text->GetExtraFlag(), c.extraFlag);
        EXPECT_EQ(text->GetExtensionDirection(), c.extension);
        EXPECT_FALSE(text->GetHideWhenTurned());
        if (c.schema > 0) {
            EXPECT_EQ(text->GetText(), CString(L"two\nlines"));
            EXPECT_EQ(text->GetXOffset(), 0.25);
            EXPECT_EQ(text->GetYOffset(), 0.75);
            EXPECT_EQ(text->GetPlacementViewDirection(), CVector3d(0, 0, 1));
            EXPECT_EQ(text->GetLineWidth(), 2);
            EXPECT_FALSE(text->IsFrontSide());
            EXPECT_EQ(text->GetArrowType(), 3);
        }
        if (c.schema >= 5) {
            EXPECT_EQ(text->GetAnchorPosition(), CPoint3d(1, 0, 0));
        }
        if (c.ownFont) {
            EXPECT_EQ(text->GetOwnFont()->GetPointSize(), 20);
            EXPECT_EQ(text->GetOwnFont()->GetReferenceCount(), 1);
        }
        delete read[1];
    }
}

TEST_F(TextReadTest, SecondPointIsAPointBeforeSchema5AndAVectorIn5)
{
    for (const int32_t schema : {4, 5}) {
        TextRecords records({.text = schema});
        TopologyRecords topology;
        auto& edge = topology.Edge(topology.Vertex({0, 0, 0}), topology.Vertex({10, 0, 0}));
        auto& record = records.Text(L"Leader");
        record.legacyEntity = &edge;
        record.legacyPoint = {4, 0, 0};
        record.anchor.kind = CReferencePoint::kFree;
        record.anchor.parameters[0] = 4;
        record.second = {4, 3, 0};
        record.leaderType = CText::kModelLeader;
        UseSchemas(records, topology);
        TextPtr text = Read(TextRecords::Archive({&record}));
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(text->GetAnchorPosition(), CPoint3d(4, 0, 0)) << "schema " << schema;
        const CVector3d expected = schema == 4 ? CVector3d(0, 3, 0) : CVector3d(4, 3, 0);
        EXPECT_EQ(text->GetLeaderVector(), expected) << "schema " << schema;
        if (schema == 4) {
            EXPECT_EQ(text->GetAnchor().GetKind(), CReferencePoint::kEdgePoint);
            auto* edge = dynamic_cast<CEdge*>(text->GetAnchor().GetEntity());
            ASSERT_NE(edge, nullptr);
            // Nothing but the text names the edge here: the model frees it, and its vertices.
            KeepUnownedObject(AsObject(edge->GetStart()));
            KeepUnownedObject(AsObject(edge->GetEnd()));
        }
    }
}

TEST_F(TextReadTest, RecordWithoutFontTakesTheTextStyleFont)
{
    TextRecords records({.text = 4});
    TopologyRecords topology;
    auto& record = records.Text(L"Styled");
    UseSchemas(records, topology);
    CZpFont* styleFont = model.GetTextStyle()->GetFont();
    const int32_t uses = styleFont->GetReferenceCount();
    {
        TextPtr text = Read(TextRecords::Archive({&record}));
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(text->GetOwnFont(), styleFont);
        EXPECT_EQ(text->GetUsedFont(), styleFont);
        EXPECT_EQ(styleFont->GetReferenceCount(), uses + 1);
    }
    // Erasing the text gives the use back.
    EXPECT_EQ(styleFont->GetReferenceCount(), uses);

    // Before fonts were stored, the text draws with the style's font without owning a use.
    TextRecords older({.text = 3});
    UseSchemas(older, topology);
    TextPtr text = Read(TextRecords::Archive({&older.Text(L"Old")}));
    EXPECT_EQ(text->GetOwnFont(), nullptr);
    EXPECT_EQ(text->GetFont(), styleFont);
    EXPECT_EQ(styleFont->GetReferenceCount(), uses);
}

TEST_F(TextReadTest, DamagedRecordsFailCleanly)
{
    TextRecords records;
    TopologyRecords topology;
    auto& record = records.Text(L"Damaged");
    record.font = &records.Font(L"Arial", 12);
    const Bytes whole = TextRecords::Archive({&record});
    UseSchemas(records, topology);
    for (const size_t cut : {size_t(1), size_t(5), size_t(20), size_t(60)}) {
        Bytes bytes = whole;
        bytes.resize(bytes.size() - cut);
        EXPECT_EQ(ReadFailure(bytes), CArchiveException::endOfFile) << cut;
    }
    // A font that is not a font.
    record.font = &topology.Vertex({1, 2, 3});
    EXPECT_EQ(ReadFailure(TextRecords::Archive({&record})), CArchiveException::badClass);
    // A legacy anchor that is not a drawing element.
    TextRecords older({.text = 4});
    auto& legacy = older.Text(L"Old");
    legacy.legacyEntity = &older.Font(L"Arial", 12);
    UseSchemas(older, topology);
    EXPECT_EQ(ReadFailure(TextRecords::Archive({&legacy})), CArchiveException::badClass);
}

class TextLeaderTest : public TextTest {
protected:
    TextView view;
};

TEST_F(TextLeaderTest, ConvertsLeadersBetweenModelAndViewTerms)
{
    TextPtr text = ModelLeaderText({1, 2, 3}, {3, 4, 7});
    // Seen along -z in a parallel view, the depth of the vector does not show.
    EXPECT_EQ(text->GetViewLeaderVector(&view), CVector3d(3, 4, 0));
    text->SetLeaderType(CText::kViewLeader, &view);
    EXPECT_EQ(text->GetLeaderType(), CText::kViewLeader);
    EXPECT_EQ(text->GetLeaderVector(), CVector3d(3, 4, 0));
    EXPECT_EQ(text->GetPlacementViewDirection(), CVector3d(0, 0, -1));
    EXPECT_EQ(text->GetTextPosition(&view), CPoint3d(4, 6, 3));
    // Inside an instance turned a quarter about z, the view vector is turned back.
    view.PushTransform(CTransform3d({0, 0, 0}, CUnitVector3d(0, 0, 1), M_PI / 2), false);
    EXPECT_EQ(text->GetModelLeaderVector(&view), CVector3d(4, -3, 0));
    view.PopTransform(false);
    text->SetLeaderType(CText::kModelLeader, &view);
    EXPECT_EQ(text->GetLeaderVector(), CVector3d(3, 4, 0));
}

TEST_F(TextLeaderTest, PerspectiveViewsSeeTheLeaderEndFromTheEye)
{
    view.definition.SetPerspective(true);
    TextPtr text = ModelLeaderText({0, 0, 0}, {10, 0, 50});
    // From the eye at (0, 0, 100), (10, 0, 50) lies in front of (20, 0, 0).
    EXPECT_EQ(text->GetViewLeaderVector(&view), CVector3d(20, 0, 0));
}

TEST_F(TextLeaderTest, LeaderTypeNeedsAViewToConvert)
{
    TextPtr text(new CText);
    text->SetAnchor(CReferencePoint(CPoint3d(1, 2, 3)), true);
    text->SetLeaderTypeRaw(CText::kViewLeader);
    text->SetLeaderVector({3, 4, 0});
    text->SetLeaderType(CText::kModelLeader, nullptr);
    EXPECT_EQ(text->GetLeaderType(), CText::kViewLeader);
    EXPECT_EQ(text->GetLeaderVector(), CVector3d(3, 4, 0));

    // Screen text never gains a leader this way, nor loses it.
    TextPtr screen(new CText);
    screen->SetLeaderType(CText::kModelLeader, &view);
    EXPECT_EQ(screen->GetLeaderType(), CText::kScreenText);
    text->SetLeaderType(CText::kScreenText, &view);
    EXPECT_EQ(text->GetLeaderType(), CText::kViewLeader);
}

TEST_F(TextLeaderTest, LaysOutKneeAndLabelOneFontHeightAlongTheLeader)
{
    view.pixelSize = 0.5;
    TextPtr text = ModelLeaderText({1, 2, 3}, {3, 4, 0});
    // The style font of 12 points is 16 pixels of 0.5: a gap of 8 along the camera's right.
    CText::LeaderLayout layout = text->ComputeLeaderPoints(&view);
    EXPECT_EQ(layout.anchor, CPoint3d(1, 2, 3));
    EXPECT_EQ(layout.textPosition, CPoint3d(4, 6, 3));
    EXPECT_EQ(layout.knee, CPoint3d(12, 6, 3));
    EXPECT_EQ(layout.textPoint, CPoint3d(16, 6, 3));
    EXPECT_EQ(layout.alignment, 9);
    EXPECT_EQ(layout.justification, 0);

    // Leftwards the label ends at the leader, right-justified.
    text->SetLeaderVector({-3, 4, 0});
    layout = text->ComputeLeaderPoints(&view);
    EXPECT_EQ(layout.knee, CPoint3d(-10, 6, 3));
    EXPECT_EQ(layout.textPoint, CPoint3d(-14, 6, 3));
    EXPECT_EQ(layout.alignment, 10);
    EXPECT_EQ(layout.justification, 2);

    // A leader shorter than the tolerance puts everything at the anchor.
    text->SetLeaderVector({0.0005, 0, 0});
    layout = text->ComputeLeaderPoints(&view);
    EXPECT_EQ(layout.textPoint, CPoint3d(1, 2, 3));
    EXPECT_EQ(layout.knee, CPoint3d(1, 2, 3));

    // Without a view the label stands at the end of the leader.
    text->SetLeaderVector({3, 4, 0});
    layout = text->ComputeLeaderPoints(nullptr);
    EXPECT_EQ(layout.textPoint, CPoint3d(4, 6, 3));
}

TEST_F(TextLeaderTest, HiddenLeaderKeepsTheLabelOnItsSide)
{
    TextPtr text = ModelLeaderText({0, 0, 0}, {-3, 1, 0});
    text->SetLeaderShown(false, &view);
    EXPECT_EQ(text->GetExtensionDirection(), CText::kExtendLeft);
    // Seen from behind, the leader points right, but the label stays on the left.
    view.definition.SetCameraPosition({0, 0, -100}, {0, 0, 0}, {0, 1, 0});
    EXPECT_GT(text->GetViewLeaderVector(&view).x, 0);
    EXPECT_EQ(text->ComputeLeaderPoints(&view).alignment, 10);
    // Shown again, the side follows the view.
    text->SetLeaderShown(true, &view);
    EXPECT_EQ(text->GetExtensionDirection(), CText::kExtendAutomatic);
    EXPECT_EQ(text->ComputeLeaderPoints(&view).alignment, 9);
}

TEST_F(TextLeaderTest, ScreenTextStandsAtItsViewportOffsets)
{
    TextPtr text(new CText);
    text->SetOffsets(0.25, 0.5);
    int x = 0;
    int y = 0;
    text->GetScreenPosition(&view, x, y);
    EXPECT_EQ(x, 200);
    EXPECT_EQ(y, 300);
    text->SetOffsets(0.5, 0.5);
    const CText::LeaderLayout layout = text->ComputeLeaderPoints(&view);
    // On the camera's axis, in front of the eye.
    EXPECT_NEAR(layout.textPoint.x, 0.0, 1e-6);
    EXPECT_NEAR(layout.textPoint.y, 0.0, 1e-6);
    EXPECT_LT(layout.textPoint.z, 100.0);
    EXPECT_EQ(layout.anchor, layout.textPoint);
    EXPECT_EQ(layout.knee, layout.textPoint);
}

TEST_F(TextLeaderTest, TransformMovesTheLabelWithItsAnchor)
{
    TextPtr text = ModelLeaderText({1, 0, 0}, {0, 1, 0});
    text->Transform(CTransform3d(2, 2, 2));
    EXPECT_EQ(text->GetAnchorPosition(), CPoint3d(2, 0, 0));
    EXPECT_EQ(text->GetLeaderVector(), CVector3d(0, 2, 0));
    CTransform3d shift;
    shift.SetTranslation({5, 5, 5});
    text->Transform(shift);
    EXPECT_EQ(text->GetAnchorPosition(), CPoint3d(7, 5, 5));
    EXPECT_EQ(text->GetLeaderVector(), CVector3d(0, 2, 0));

    // Moved by the transform controller, screen text moves its offsets.
    TextPtr screen(new CText);
    CTransform3d nudge;
    nudge.SetTranslation({0.25, -0.25, 0});
    screen->TransformText(nudge, 0, nullptr);
    EXPECT_EQ(screen->GetXOffset(), 0.75);
    EXPECT_EQ(screen->GetYOffset(), 0.25);
}

TEST_F(TextLeaderTest, PicksTheNearestPointOfTheLeader)
{
    TextPicker picker;
    picker.pixelSize = 0.5;
    // The leader runs from (0, 0, 0) up to (0, 10, 0); the ray comes down at the origin.
    TextPtr text = ModelLeaderText({0, 0, 0}, {0, 10, 0});
    double depth = 0.0;
    double distance = 0.0;
    EXPECT_TRUE(text->Pick(&picker, depth, distance));
    EXPECT_NEAR(distance, 100.0, 1e-9);
    EXPECT_EQ(depth, distance);
    // Missed, the distance is to the knee.
    picker.ray = CRay3d({50, 50, 100}, CUnitVector3d(0, 0, -1));
    EXPECT_TRUE(text->Pick(&picker, depth, distance));
    const CPoint3d knee = text->ComputeLeaderPoints(&picker).knee;
    EXPECT_NEAR(distance, picker.ray.origin.DistanceTo(knee), 1e-9);
    // Screen text reports -1.
    TextPtr screen(new CText);
    EXPECT_TRUE(screen->Pick(&picker, depth, distance));
    EXPECT_EQ(distance, -1.0);
}

TEST_F(TextLeaderTest, PicksTheLeaderOrTheLabel)
{
    TextPicker picker;
    picker.pixelSize = 0.5;
    // The leader runs to (10, 0, 0), the knee is at (18, 0, 0) and the label starts at (22, 0, 0),
    // centred on the leader's line.
    TextPtr text = ModelLeaderText({0, 0, 0}, {10, 0, 0});
    text->SetText(L"Label");
    auto rayAt = [](double x, double y) { return CRay3d({x, y, 100}, CUnitVector3d(0, 0, -1)); };
    struct Case {
        double x;
        double y;
        int result;
    };
    const Case cases[] = {{5, 0, 1}, {15, 0, 1}, {23, 0, 1}, {5, 30, 0}, {21, 0, 0}, {23, 30, 0}};
    for (const Case& c : cases) {
        picker.ray = rayAt(c.x, c.y);
        EXPECT_EQ(text->PickInside(&picker), c.result) << c.x << ", " << c.y;
        EXPECT_TRUE(picker.transforms.empty());
    }
    // A window takes the text when every point of it is inside.
    picker.mode = IPickHelper::kWindowPick;
    EXPECT_EQ(text->PickInside(&picker), 1);
    picker.pointAnswer = 0;
    EXPECT_EQ(text->PickInside(&picker), 0);
    // An anchor cut away by a section plane.
    picker.pointAnswer = 2;
    EXPECT_EQ(text->PickInside(&picker), 2);
}

TEST_F(TextLeaderTest, ScreenTextIsPickedWithoutSectionClipping)
{
    TextPicker picker;
    TextPtr text(new CText);
    text->SetText(L"Title");
    const CPoint3d at = text->ComputeLeaderPoints(&picker).textPoint;
    picker.ray = CRay3d({at.x + 2, at.y, 100}, CUnitVector3d(0, 0, -1));
    EXPECT_EQ(text->PickInside(&picker), 1);
    EXPECT_FALSE(picker.clippingOff);
    picker.ray = CRay3d({at.x - 2, at.y, 100}, CUnitVector3d(0, 0, -1));
    EXPECT_EQ(text->PickInside(&picker), 0);
}

TEST_F(TextLeaderTest, BoundsHoldLeaderAndLabel)
{
    view.pixelSize = 0.5;
    TextPtr text = ModelLeaderText({0, 0, 0}, {10, 0, 0});
    text->SetText(L"Label");
    const auto box = text->GetTextBounds(&view);
    EXPECT_EQ(box.x.min, 0.0);
    EXPECT_GT(box.x.max, 22.0);
    EXPECT_LT(box.y.min, 0.0);
    EXPECT_GT(box.y.max, 0.0);
    TextPtr screen(new CText);
    EXPECT_TRUE(screen->GetTextBounds(&view).IsEmpty());
}

TEST_F(TextLeaderTest, TextBoxIsPlacedAtItsAnchorInPixels)
{
    view.pixelSize = 0.5;
    CZpFont* font = model.GetTextStyle()->GetFont();
    CVector3d w;
    CVector3d h;
    ASSERT_TRUE(font->SetupTextTransform(&view, &view, {1, 2, 3}, L"one line", 4, true, nullptr, false, 100,
                                         20, w, h));
    EXPECT_EQ(w, CVector3d(100, 0, 0));
    EXPECT_EQ(h, CVector3d(0, 20, 0));
    EXPECT_EQ(view.GetTransform().MultiplyPoint({0, 0, 0}), CPoint3d(-24, -3, 3));
    EXPECT_EQ(view.GetTransform().MultiplyPoint({100, 20, 0}), CPoint3d(26, 7, 3));
    view.PopTransform(true);
    view.PopTransform(true);
    EXPECT_TRUE(view.transforms.empty());
}

TEST_F(TextLeaderTest, TextInTheModelTurnsToStayReadable)
{
    double x = 1.0;
    double y = 1.0;
    FlipTextToReadable(&view, {}, x, y);
    EXPECT_EQ(x, 1.0);
    EXPECT_EQ(y, 1.0);
    // Seen from behind, the text is mirrored back along x.
    view.definition.SetCameraPosition({0, 0, -100}, {0, 0, 0}, {0, 1, 0});
    FlipTextToReadable(&view, {}, x, y);
    EXPECT_EQ(x, -1.0);
    EXPECT_EQ(y, 1.0);
    // Seen upside down, it is turned half round.
    view.definition.SetCameraPosition({0, 0, 100}, {0, 0, 0}, {0, -1, 0});
    x = y = 1.0;
    FlipTextToReadable(&view, {}, x, y);
    EXPECT_EQ(x, -1.0);
    EXPECT_EQ(y, -1.0);
}

TEST_F(TextLeaderTest, FrontSideFollowsItsFace)
{
    auto* face = new TestFace(CPlane3d(CPoint3d(0, 0, 0), CUnitVector3d(0, 0, 1)));
    auto* turned = new TestFace(CPlane3d(CPoint3d(0, 0, 0), CUnitVector3d(0, 0, -1)));
    auto* same = new TestFace(CPlane3d(CPoint3d(0, 0, 0), CUnitVector3d(0, 0, 1)));
    TextPtr text(new CText);
    text->SetLeaderTypeRaw(CText::kViewLeader);
    CReferencePoint anchor;
    anchor.Set(CReferencePoint::kFacePoint, {0, 0, 0}, face);
    text->SetAnchor(anchor, true);
    // The face reversed: the label now shows from the other side.
    text->OnReferencedEntityEvent(CReferencePoint::kFaceReversed, face, face);
    EXPECT_FALSE(text->IsFrontSide());
    // Replaced by a face that looks the other way, the side turns with it.
    text->OnReferencedEntityEvent(CReferencePoint::kReplaced, face, turned);
    EXPECT_EQ(text->GetAnchor().GetEntity(), turned);
    EXPECT_TRUE(text->IsFrontSide());
    // Replaced by one that looks the same way, it stays.
    text->OnReferencedEntityEvent(CReferencePoint::kReplaced, turned, same);
    EXPECT_EQ(text->GetAnchor().GetEntity(), same);
    EXPECT_FALSE(text->IsFrontSide());
    // Events of other entities change nothing.
    text->OnReferencedEntityEvent(CReferencePoint::kFaceReversed, face, face);
    EXPECT_FALSE(text->IsFrontSide());
    text.reset();
    delete face;
    delete turned;
    delete same;
}

TEST_F(TextLeaderTest, CheckRepairsOffsetsAndCodes)
{
    CValidityCheckScope checks;
    struct Case {
        double x;
        double y;
        int32_t leaderType;
        int32_t arrowType;
        int level;
        int result;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {1.001, 0.0, 0, 0, kValidityCheck, 0},  {-0.001, 1.001, 0, 4, kValidityCheck, 0},
        {1.0011, 0.5, 0, 0, kValidityCheck, 1}, {1.0011, 0.5, 0, 0, kValidityFix, 0},
        {0.5, nan, 0, 0, kValidityCheck, 1},    {0.5, 0.5, 3, 0, kValidityCheck, 1},
        {0.5, 0.5, 0, 5, kValidityFix, 0},      {2.0, 0.5, 0, 0, kValidityCheckIgnoringIds, 0},
    };
    for (const Case& c : cases) {
        ClearValidityReport();
        TextPtr text(new CText);
        text->SetOffsets(c.x, c.y);
        text->SetLeaderTypeRaw(c.leaderType);
        text->SetArrowType(c.arrowType);
        EXPECT_EQ(text->CheckValidity(c.level, nullptr), c.result) << c.x << " " << c.y;
        if (c.level == kValidityFix) {
            EXPECT_EQ(text->GetXOffset(), c.x > 1.001 ? 0.5 : c.x);
            EXPECT_EQ(text->GetArrowType(), 0);
        }
    }
    ClearValidityReport();
    TextPtr broken = ModelLeaderText({0, 0, 0}, {nan, 0, 0});
    EXPECT_EQ(broken->CheckValidity(kValidityFix, nullptr), 2);
    EXPECT_NE(TextReport().find(L"The leader direction for"), std::wstring::npos);
}

TEST_F(TextLeaderTest, FontUsesFollowTheText)
{
    auto* arial =
        dynamic_cast<CZpFont*>(model.GetFontManager()->GetFont(L"Arial", 0, 0, 10, nullptr, 0, 1.0));
    // The test's own use keeps the font while the text lets go of it.
    arial->AddRef();
    {
        TextPtr text(new CText);
        text->SetFont(arial, true);
        EXPECT_EQ(arial->GetReferenceCount(), 2);
        EXPECT_EQ(text->GetFont(), arial);
        std::unique_ptr<CEntity> snapshot(text->CreateCopy());
        EXPECT_EQ(arial->GetReferenceCount(), 2);
        text->SetFont(nullptr, true);
        EXPECT_EQ(arial->GetReferenceCount(), 1);
        EXPECT_EQ(text->GetFont(), model.GetTextStyle()->GetFont());
        text->SetFont(arial, true);
    }
    // Erasing the text gave its use back; the last use takes the font out of the manager.
    EXPECT_EQ(arial->GetReferenceCount(), 1);
    arial->Release();
    EXPECT_FALSE(model.GetFontManager()->Contains(arial));
}

}  // namespace
