// Fonts: their record in both schemas, sharing through the font manager and counted uses, the
// check with its repairs, the sizes of text in a view, the alignment offsets, line splitting, and
// text measured on the installed faces that the model's face names resolve to.
#include <gtest/gtest.h>

#include "components/TextLayout.h"
#include "components/TextLayoutMeasure.h"
#include "components/ZpFont.h"
#include "database/Validity.h"
#include "tests/components/TextTestSupport.h"

namespace {

class FontTest : public TextTest {
protected:
    // A font of the manager with one use.
    CZpFont* ManagedFont(const wchar_t* face, int32_t pointSize)
    {
        auto* font =
            dynamic_cast<CZpFont*>(model.GetFontManager()->GetFont(face, 0, 0, pointSize, nullptr, 0, 1.0));
        font->AddRef();
        return font;
    }
};

TEST_F(FontTest, ReadsBothSchemas)
{
    struct Case {
        int32_t schema;
        bool modelSize;
        double modelHeight;
    };
    for (const Case& c : {Case{0, false, 10.0}, Case{1, true, 2.5}}) {
        TextRecords records({.font = c.schema});
        auto& record = records.Font(L"Arial", 14);
        record.italic = true;
        record.modelSize = true;
        record.modelHeight = 2.5;
        UseSchemas(records);
        std::unique_ptr<CZpFont> font(ReadOne<CZpFont>(TextRecords::Archive({&record})));
        ASSERT_NE(font, nullptr);
        EXPECT_EQ(font->GetFaceName(), CString(L"Arial"));
        EXPECT_TRUE(font->IsItalic());
        EXPECT_FALSE(font->IsBold());
        EXPECT_EQ(font->GetPointSize(), 14);
        EXPECT_EQ(font->HasModelSize(), c.modelSize) << "schema " << c.schema;
        EXPECT_EQ(font->GetModelHeightSetting(), c.modelHeight);
        EXPECT_EQ(font->GetReferenceCount(), 0);
    }
}

TEST_F(FontTest, TruncatedRecordFailsCleanly)
{
    TextRecords records;
    Bytes bytes = TextRecords::Archive({&records.Font(L"Arial", 14)});
    bytes.resize(bytes.size() - 4);
    UseSchemas(records);
    EXPECT_EQ(ReadFailure(bytes), CArchiveException::endOfFile);
}

TEST_F(FontTest, ManagerMakesRealFontsFromTheDescription)
{
    auto* font = dynamic_cast<CZpFont*>(model.GetFontManager()->GetFont(L"Arial", 1, 0, 12, nullptr, 1, 3.0));
    ASSERT_NE(font, nullptr);
    EXPECT_TRUE(font->IsItalic());
    EXPECT_FALSE(font->IsBold());
    EXPECT_EQ(font->GetPointSize(), 12);
    EXPECT_TRUE(font->HasModelSize());
    EXPECT_EQ(font->GetModelHeightSetting(), 3.0);
    EXPECT_EQ(model.GetFontManager()->GetFont(L"ARIAL", 1, 0, 12, nullptr, 1, 3.0), font);
    EXPECT_NE(model.GetFontManager()->GetFont(L"Arial", 1, 0, 14, nullptr, 1, 3.0), font);
}

TEST_F(FontTest, LastReleaseRemovesTheFontFromItsManager)
{
    const int before = model.GetFontManager()->GetCount();
    CZpFont* font = ManagedFont(L"Courier New", 9);
    font->AddRef();
    EXPECT_EQ(model.GetFontManager()->GetCount(), before + 1);
    font->Release();
    EXPECT_EQ(font->GetReferenceCount(), 1);
    EXPECT_TRUE(model.GetFontManager()->Contains(font));
    font->Release();
    EXPECT_EQ(model.GetFontManager()->GetCount(), before);
}

TEST_F(FontTest, SetFontComparesTheFaceWithoutCase)
{
    CZpFont font;
    font.SetFont(L"Arial", false, false, 12, false, 1.0);
    font.UpdateMetrics();
    EXPECT_EQ(font.GetLineMetric(), 15);
    font.SetFont(L"ARIAL", false, false, 12, false, 1.0);
    EXPECT_TRUE(font.AreMetricsComputed());
    EXPECT_EQ(font.GetFaceName(), CString(L"Arial"));
    font.SetFont(L"Arial", false, true, 12, false, 1.0);
    EXPECT_FALSE(font.AreMetricsComputed());
    EXPECT_TRUE(font.IsBold());
}

TEST_F(FontTest, CheckReportsAndRepairsFaceAndSize)
{
    CValidityCheckScope checks;
    struct Case {
        const wchar_t* face;
        int32_t pointSize;
        int level;
        int result;
        int messages;
    };
    const Case cases[] = {
        {L"", 0, kValidityCheck, 1, 2},         {L"", 0, kValidityFix, 0, 2},
        {L"Arial", 1000, kValidityCheck, 0, 0}, {L"Arial", 1001, kValidityCheck, 1, 1},
        {L"Arial", 1, kValidityCheck, 0, 0},    {L"", 0, kValidityCheckIgnoringIds, 0, 0},
    };
    for (const Case& c : cases) {
        ClearValidityReport();
        CZpFont font;
        font.SetFont(c.face, false, false, c.pointSize, false, 1.0);
        EXPECT_EQ(font.CheckValidity(c.level, nullptr), c.result) << c.pointSize << " level " << c.level;
        const std::wstring report = TextReport();
        int messages = 0;
        for (size_t at = report.find(L"is not valid"); at != std::wstring::npos;
             at = report.find(L"is not valid", at + 1))
            ++messages;
        EXPECT_EQ(messages, c.messages);
        if (c.level == kValidityFix) {
            EXPECT_EQ(font.GetFaceName(), CString(L"Tahoma"));
            EXPECT_EQ(font.GetPointSize(), 10);
            EXPECT_NE(report.find(L" - fixed"), std::wstring::npos);
        }
    }
    ClearValidityReport();
    CZpFont counted;
    counted.SetFont(L"Arial", false, false, 12, false, 1.0);
    counted.SetReferenceCount(-1);
    EXPECT_EQ(counted.CheckValidity(kValidityFix, nullptr), 2);
    EXPECT_NE(TextReport().find(L"The reference count for"), std::wstring::npos);
}

TEST_F(FontTest, PixelHeightFollowsPixelScaleAndModelSize)
{
    TextView view;
    CZpFont font;
    font.SetFont(L"Arial", false, false, 12, false, 1.0);
    EXPECT_EQ(font.GetPixelHeight(&view, {}), 12);
    view.pixelScale = 2.0;
    EXPECT_EQ(font.GetPixelHeight(&view, {}), 24);

    // Height 10 where a pixel is 0.5 at 96 dots per inch: 10 / 0.5 x 72 / 96 points.
    view.pixelScale = 1.0;
    view.pixelSize = 0.5;
    font.SetFont(L"Arial", false, false, 12, true, 10.0);
    EXPECT_EQ(font.GetPixelHeight(&view, {}), 15);
    EXPECT_EQ(font.GetModelHeight(&view, {}), 10.0);
    // A view that cannot size a pixel gives no height instead of an overflow.
    view.pixelSize = 0.0;
    EXPECT_EQ(font.GetPixelHeight(&view, {}), 0);

    // 12 points are 16 screen pixels of 0.5.
    view.pixelSize = 0.5;
    font.SetFont(L"Arial", false, false, 12, false, 1.0);
    EXPECT_EQ(font.GetModelHeight(&view, {}), 8.0);
    EXPECT_EQ(font.GetModelHeight(nullptr, {}), 0.0);
}

TEST_F(FontTest, AlignmentOffsetsPlaceTheBoxAroundTheAnchor)
{
    CZpFont font;
    font.SetFont(L"Arial", false, false, 12, false, 1.0);
    font.UpdateMetrics();
    const CVector3d w(100, 0, 0);
    const CVector3d h(0, 20, 0);
    struct Case {
        int alignment;
        int lines;
        CVector3d offset;
    };
    const Case cases[] = {
        {0, 1, {0, 0, 0}},      {1, 1, {-50, 0, 0}},    {2, 1, {-100, 0, 0}},    {3, 1, {0, -10, 0}},
        {4, 1, {-50, -10, 0}},  {5, 1, {-100, -10, 0}}, {6, 1, {0, -20, 0}},     {7, 1, {-50, -20, 0}},
        {8, 1, {-100, -20, 0}}, {9, 1, {0, -10, 0}},    {10, 1, {-100, -10, 0}}, {9, 2, {0, -15, 0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(font.GetAlignmentOffset(w, h, c.alignment, c.lines), c.offset)
            << "alignment " << c.alignment;
    // The middle of the first of three lines of a box 60 high.
    EXPECT_EQ(font.GetAlignmentOffset(w, {0, 60, 0}, 9, 3), CVector3d(0, -50, 0));
    // Without a line metric the first line is taken from the top.
    CZpFont unmeasured;
    EXPECT_EQ(unmeasured.GetAlignmentOffset(w, {0, 60, 0}, 9, 3), CVector3d(0, -60, 0));
}

TEST_F(FontTest, SplitsLinesAtNewlinesAndEscapedNewlines)
{
    struct Case {
        const wchar_t* text;
        std::vector<CString> lines;
    };
    const Case cases[] = {
        {L"one", {L"one"}},
        {L"one\ntwo", {L"one", L"two"}},
        {L"one\\ntwo", {L"one", L"two"}},
        {L"end\n", {L"end", L""}},
        {L"", {L""}},
    };
    for (const Case& c : cases) {
        std::vector<CString> lines;
        EXPECT_EQ(SplitLines(c.text, lines), static_cast<int>(c.lines.size()));
        EXPECT_EQ(lines, c.lines);
    }
    EXPECT_EQ(JoinLines({L"a", L"b", L""}), CString(L"a\nb\n"));
}

TEST_F(FontTest, ModelFaceNamesResolveToInstalledFaces)
{
    for (const wchar_t* face : {L"Arial", L"Tahoma"}) {
        EXPECT_FALSE(ResolveFontFile(face, false, false).empty());
        CTextMeasure measure;
        EXPECT_TRUE(MeasureText(L"Text", 0, face, false, false, 12, measure));
        EXPECT_GT(measure.width, 0);
        EXPECT_GT(measure.height, 0);
    }
}

TEST_F(FontTest, MeasuresLikeTheTextImages)
{
    auto measure = [](const wchar_t* text, int points, bool italic = false) {
        CTextMeasure size;
        EXPECT_TRUE(MeasureText(text, 0, L"Arial", false, italic, points, size));
        return size;
    };
    const CTextMeasure one = measure(L"MMMMMMMMMM", 12);
    const int em = PointsToPixels(12);
    // Widths are whole multiples of 4; lines are at least the character height apart.
    EXPECT_EQ(one.width % 4, 0);
    EXPECT_GE(one.height, em);
    EXPECT_LE(one.height, 2 * em);
    // Lines stack; the widest one sets the width.
    const CTextMeasure three = measure(L"MMMMMMMMMM\nM\\nMM", 12);
    EXPECT_EQ(three.width, one.width);
    EXPECT_EQ(three.height, 3 * one.height);
    EXPECT_EQ(measure(L"a\r\nb", 12).height, 2 * one.height);
    // Twenty Ms are about twice as wide as ten, give or take the rounding.
    EXPECT_NEAR(measure(L"MMMMMMMMMMMMMMMMMMMM", 12).width, 2 * one.width, 8);
    // Twice the size, about twice the height.
    EXPECT_NEAR(measure(L"MMMMMMMMMM", 24).height, 2 * one.height, 2);
    // Italic text makes room for its slant: half the character height more.
    CTextMeasure upright = measure(L"Slanted", 15);
    CTextMeasure slanted = measure(L"Slanted", 15, true);
    const int em15 = PointsToPixels(15);
    EXPECT_GE(slanted.width, upright.width + em15 / 2 - 8);
    EXPECT_LE(slanted.width, upright.width + em15 / 2 + 8);
    EXPECT_EQ(slanted.width % 4, 0);

    CTextMeasure nothing;
    EXPECT_FALSE(MeasureText(L"Text", 0, L"Arial", false, false, 0, nothing));
    EXPECT_EQ(nothing.width, 0);
    EXPECT_EQ(nothing.height, 0);
    EXPECT_TRUE(MeasureText(L"", 0, L"Arial", false, false, 12, nothing));
    EXPECT_EQ(nothing.width, 0);
    EXPECT_EQ(nothing.height, 0);
}

TEST_F(FontTest, TextBoundsFaceTheCamera)
{
    TextView view;
    view.pixelSize = 0.5;
    CZpFont font;
    font.SetFont(L"Arial", false, false, 12, false, 1.0);
    font.UpdateMetrics();
    const std::vector<CString> lines{L"Label"};
    const auto extents = font.GetLinesExtents(&view, lines, {});
    ASSERT_FALSE(extents.IsEmpty());
    const double width = extents.x.max * 0.5;
    const double height = extents.y.max * 0.5;
    // Alignment 4 centres the box on the point, in the camera's right-up plane.
    const auto box = font.GetTextBounds(&view, lines, {10, 20, 0}, 4);
    EXPECT_NEAR(box.x.min, 10 - width / 2, 1e-9);
    EXPECT_NEAR(box.x.max, 10 + width / 2, 1e-9);
    EXPECT_NEAR(box.y.min, 20 - height / 2, 1e-9);
    EXPECT_NEAR(box.y.max, 20 + height / 2, 1e-9);
    EXPECT_EQ(box.z.min, 0.0);
    EXPECT_EQ(box.z.max, 0.0);
    // A font without a size at the point has no extents.
    view.pixelSize = 0.0;
    CZpFont modelSize;
    modelSize.SetFont(L"Arial", false, false, 12, true, 1.0);
    EXPECT_TRUE(modelSize.GetTextExtents(&view, L"Label", {}).IsEmpty());
}

TEST_F(FontTest, TextGapIsTheFontHeightAlongTheCameraRight)
{
    TextView view;
    view.pixelSize = 0.5;
    CZpFont font;
    font.SetFont(L"Arial", false, false, 12, false, 1.0);
    // 12 points are 16 pixels of 0.5.
    EXPECT_EQ(GetTextGapVector(&view, &font, {}, 9), CVector3d(8, 0, 0));
    EXPECT_EQ(GetTextGapVector(&view, &font, {}, 3), CVector3d(8, 0, 0));
    EXPECT_EQ(GetTextGapVector(&view, &font, {}, 10), CVector3d(-8, 0, 0));
    EXPECT_EQ(GetTextGapVector(&view, &font, {}, 4), CVector3d(0, 0, 0));
    EXPECT_EQ(GetTextGapVector(&view, nullptr, {}, 9), CVector3d(0, 0, 0));
    EXPECT_TRUE(view.transforms.empty());
}

}  // namespace
