// The text style: its default fonts, the uses it counts, and its record in every schema.
#include <gtest/gtest.h>

#include "components/TextStyle.h"
#include "components/ZpFont.h"
#include "database/Validity.h"
#include "tests/components/TextTestSupport.h"

namespace {

using orbisk::utils::CColor;

class TextStyleTest : public TextTest {
protected:
    // A style read from its record, with the font record its schema wants.
    std::unique_ptr<CTextStyle> ReadStyle(int32_t schema, TextRecords::TextStyleRecord** out = nullptr)
    {
        m_records = std::make_unique<TextRecords>(TextSchemas{.textStyle = schema});
        auto& record = m_records->TextStyle();
        record.font = &m_records->Font(L"Arial", 14);
        record.secondFont = &m_records->Font(L"Verdana", 9);
        record.face = L"Courier New";
        record.height = 11;
        record.bold = true;
        record.setting1 = 7;
        record.setting2 = 8;
        record.flag3 = true;
        record.setting4 = 9;
        record.flag5 = false;
        record.color = CColor(10, 20, 30, 40);
        record.secondColor = CColor(50, 60, 70, 80);
        if (out)
            *out = &record;
        UseSchemas(*m_records);
        return std::unique_ptr<CTextStyle>(ReadOne<CTextStyle>(TextRecords::Archive({&record})));
    }

    std::unique_ptr<TextRecords> m_records;
};

TEST_F(TextStyleTest, NewStyleUsesTheDefaultFontTwice)
{
    CZpFont* font = model.GetTextStyle()->GetOwnFont();
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->GetFaceName(), CString(L"Tahoma"));
    EXPECT_EQ(font->GetPointSize(), 12);
    EXPECT_FALSE(font->IsBold());
    EXPECT_FALSE(font->IsItalic());
    EXPECT_EQ(model.GetTextStyle()->GetOwnSecondFont(), font);
    EXPECT_EQ(font->GetReferenceCount(), 2);
    EXPECT_TRUE(model.GetFontManager()->Contains(font));
    CColor color;
    model.GetTextStyle()->GetColor(color);
    EXPECT_EQ(color, CColor(0, 0, 0, 255));
    EXPECT_EQ(model.GetTextStyle()->GetSetting1(), 3);
    EXPECT_EQ(model.GetTextStyle()->GetSetting2(), 1);
    EXPECT_FALSE(model.GetTextStyle()->GetFlag3());
    EXPECT_EQ(model.GetTextStyle()->GetSetting4(), 2);
    EXPECT_TRUE(model.GetTextStyle()->GetFlag5());
}

TEST_F(TextStyleTest, ReadsEverySchema)
{
    struct Case {
        int32_t schema;
        const wchar_t* face;
        CColor color;
        const wchar_t* secondFace;
        CColor secondColor;
    };
    const CColor black(0, 0, 0, 255);
    const CColor read(10, 20, 30, 40);
    const Case cases[] = {
        {0, L"Arial", black, L"Arial", black}, {1, L"Arial", black, L"Arial", black},
        {2, L"Arial", read, L"Arial", read},   {3, L"Courier New", read, L"Courier New", read},
        {4, L"Arial", read, L"Arial", read},   {5, L"Arial", read, L"Verdana", CColor(50, 60, 70, 80)},
    };
    for (const Case& c : cases) {
        std::unique_ptr<CTextStyle> style = ReadStyle(c.schema);
        ASSERT_NE(style, nullptr);
        CZpFont* font = style->GetOwnFont();
        ASSERT_NE(font, nullptr) << "schema " << c.schema;
        EXPECT_EQ(font->GetFaceName(), CString(c.face)) << "schema " << c.schema;
        CColor color;
        style->GetColor(color);
        EXPECT_EQ(color, c.color) << "schema " << c.schema;
        style->GetSecondColor(color);
        EXPECT_EQ(color, c.secondColor) << "schema " << c.schema;
        ASSERT_NE(style->GetOwnSecondFont(), nullptr);
        EXPECT_EQ(style->GetOwnSecondFont()->GetFaceName(), CString(c.secondFace));
        EXPECT_EQ(style->GetSetting1(), 7);
        EXPECT_EQ(style->GetSetting2(), 8);
        EXPECT_TRUE(style->GetFlag3());
        EXPECT_EQ(style->GetSetting4(), 9);
        EXPECT_FALSE(style->GetFlag5());
        // One use for each slot that holds the font.
        if (c.schema < 5)
            EXPECT_EQ(font->GetReferenceCount(), 2);
        else
            EXPECT_EQ(font->GetReferenceCount(), 1);
    }
}

TEST_F(TextStyleTest, InlineFontComesFromTheFontManager)
{
    std::unique_ptr<CTextStyle> style = ReadStyle(3);
    CZpFont* font = style->GetOwnFont();
    ASSERT_NE(font, nullptr);
    EXPECT_TRUE(model.GetFontManager()->Contains(font));
    EXPECT_EQ(font->GetPointSize(), 11);
    EXPECT_TRUE(font->IsBold());
    EXPECT_FALSE(font->IsItalic());
    EXPECT_EQ(font->GetModelHeightSetting(), 1.0);
}

TEST_F(TextStyleTest, TruncatedRecordFailsCleanly)
{
    TextRecords records;
    auto& record = records.TextStyle();
    record.font = &records.Font(L"Arial", 14);
    Bytes bytes = TextRecords::Archive({&record});
    bytes.resize(bytes.size() - 3);
    UseSchemas(records);
    EXPECT_EQ(ReadFailure(bytes), CArchiveException::endOfFile);
}

TEST_F(TextStyleTest, SecondFontWithoutAFirstGetsTheDefaultForBoth)
{
    std::unique_ptr<CTextStyle> style = ReadStyle(5);
    style->SetFont(nullptr, false);
    ASSERT_NE(style->GetOwnSecondFont(), nullptr);
    CZpFont* second = style->GetSecondFont();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->GetFaceName(), CString(L"Tahoma"));
    EXPECT_EQ(style->GetOwnFont(), second);
}

TEST_F(TextStyleTest, SettingAFontMovesTheUse)
{
    CZpFont* tahoma = model.GetTextStyle()->GetOwnFont();
    auto* arial =
        dynamic_cast<CZpFont*>(model.GetFontManager()->GetFont(L"Arial", 0, 0, 10, nullptr, 0, 1.0));
    model.GetTextStyle()->SetFont(arial, true);
    EXPECT_EQ(arial->GetReferenceCount(), 1);
    EXPECT_EQ(tahoma->GetReferenceCount(), 1);
    // The last use of a font of the manager takes it out of the manager.
    const int before = model.GetFontManager()->GetCount();
    model.GetTextStyle()->SetSecondFont(arial, true);
    EXPECT_EQ(model.GetFontManager()->GetCount(), before - 1);
    EXPECT_EQ(arial->GetReferenceCount(), 2);
    model.GetTextStyle()->SetFont(arial, true);
    EXPECT_EQ(arial->GetReferenceCount(), 2);
}

TEST_F(TextStyleTest, UndoSnapshotSharesFontsWithoutUses)
{
    CZpFont* font = model.GetTextStyle()->GetOwnFont();
    std::unique_ptr<CEntity> copy(model.GetTextStyle()->CreateCopy());
    auto* style = dynamic_cast<CTextStyle*>(copy.get());
    ASSERT_NE(style, nullptr);
    EXPECT_EQ(style->GetOwnFont(), font);
    EXPECT_EQ(style->GetModel(), nullptr);
    EXPECT_EQ(font->GetReferenceCount(), 2);
    model.GetTextStyle()->SetSetting1(42);
    model.GetTextStyle()->SwapContents(*style);
    EXPECT_EQ(model.GetTextStyle()->GetSetting1(), 3);
    EXPECT_EQ(style->GetSetting1(), 42);
}

}  // namespace
