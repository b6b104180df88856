// The font manager: one shared font per face, style, size and text cache; the record; and the
// check of the fonts' reference counts against their users.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "components/ComponentDefinition.h"
#include "components/DimensionStyle.h"
#include "components/LinearDimension.h"
#include "components/Text.h"
#include "components/TextStyle.h"
#include "components/ZpFont.h"
#include "database/DefinitionList.h"
#include "database/FontManager.h"
#include "tests/model/DatabaseTestSupport.h"
#include "tests/model/doubles/EntityDoubles.h"

namespace {

// The model's own font manager, which already holds the fonts of its text and dimension styles.
class FontManagerTest : public DatabaseTest {
protected:
    CZpFont* Arial(double size = 12.0, const void* cache = nullptr)
    {
        return dynamic_cast<CZpFont*>(fonts.GetFont(L"Arial", 0, 1, 0, cache, 0, size));
    }
    // A text of the component that uses the font.
    static CText* TextIn(CComponent& component, CZpFont* font)
    {
        auto* text = new CText;
        text->SetFont(font, false);
        component.Add(text);
        return text;
    }

    CFontManager& fonts = *model.GetFontManager();
    CTextStyle& textStyle = *model.GetTextStyle();
    CDimensionStyle& dimensionStyle = *model.GetDimensionStyleObject();
    const int stylesFonts = fonts.GetCount();
};

TEST_F(FontManagerTest, EqualRequestsShareOneFont)
{
    CEntity* arial = Arial();
    ASSERT_NE(arial, nullptr);
    EXPECT_EQ(fonts.GetCount(), stylesFonts + 1);
    EXPECT_EQ(arial->GetParent(), &fonts);
    EXPECT_EQ(fonts.GetFont(L"ARIAL", 0, 1, 0, nullptr, 0, 12.0005), arial) << "case and half the tolerance";
    EXPECT_NE(Arial(12.002), arial) << "twice the tolerance";
    int otherCache = 0;
    EXPECT_NE(Arial(12.0, &otherCache), arial) << "another text cache";
    EXPECT_NE(fonts.GetFont(L"Arial", 1, 1, 0, nullptr, 0, 12.0), arial);
    EXPECT_EQ(fonts.GetCount(), stylesFonts + 4);
}

TEST_F(FontManagerTest, ANewFontIsRecordedAsAdded)
{
    Start();
    CEntity* font = Arial();
    Commit();
    EXPECT_EQ(listener.Names(), (std::vector<std::string>{"start", "created", "added", "end"}));
    Start();
    EXPECT_TRUE(fonts.RemoveFont(font));
    EXPECT_FALSE(fonts.RemoveFont(font));
    Commit();
    EXPECT_EQ(listener.events.back().what, "end");
    EXPECT_EQ(listener.events[listener.events.size() - 2].what, "removed");
    delete font;
}

TEST_F(FontManagerTest, WithoutAModelThatMakesFontsNoneIsMade)
{
    CFontManager loose;
    CCurrentModelScope none(nullptr);
    EXPECT_EQ(loose.GetFont(L"Arial", 0, 1, 0, nullptr, 0, 12.0), nullptr);
    EXPECT_TRUE(loose.IsEmpty());
}

TEST_F(FontManagerTest, AddingAListedFontSetsItsParentAgainWithoutAppending)
{
    CEntity* font = Arial();
    font->SetParent(nullptr);
    fonts.Add(font);
    EXPECT_EQ(fonts.GetCount(), stylesFonts + 1);
    EXPECT_EQ(font->GetParent(), &fonts);
    TestEntity notAFont;
    fonts.Add(&notAFont);
    EXPECT_FALSE(fonts.Contains(&notAFont));
    std::unique_ptr<IEntityIterator> iterator(fonts.CreateIterator());
    std::vector<CEntity*> walked;
    for (CEntity* next = nullptr; iterator->Next(next);)
        walked.push_back(next);
    ASSERT_EQ(walked.size(), static_cast<size_t>(stylesFonts + 1));
    EXPECT_EQ(walked.back(), font) << "the new font comes after the styles' fonts";
}

TEST_F(FontManagerTest, TheCurrentModelsManagerIsFound)
{
    EXPECT_EQ(CFontManager::GetCurrentFontManager(), &fonts);
    CCurrentModelScope none(nullptr);
    EXPECT_EQ(CFontManager::GetCurrentFontManager(), nullptr);
}

TEST_F(FontManagerTest, UsesAreCountedFromTheStylesAndTheTextsOfEveryComponent)
{
    CZpFont* title = Arial(20);
    CZpFont* body = Arial(10);
    CZpFont* dimensions = Arial(8);
    // Unrecorded, so that the styles' default fonts go once their last use does.
    CSuspendUndo noUndo;
    textStyle.SetFont(title, false);
    textStyle.SetSecondFont(body, false);
    dimensionStyle.SetFont(dimensions, false);
    auto* door = new CComponentDefinition;
    root.GetDefinitionList()->Add(door);
    TextIn(root, body);
    TextIn(root, nullptr);
    TextIn(*door, title);
    auto* doorDimension = new CDimensionLinear;
    doorDimension->SetFont(dimensions);
    door->Add(doorDimension);

    CFontManager::UseCounts format6, format5;
    CFontManager::CountUsedFonts(model, format6, 6);
    EXPECT_EQ(format6, (CFontManager::UseCounts{{title, 2}, {body, 2}, {dimensions, 2}}));
    CFontManager::CountUsedFonts(model, format5, 5);
    EXPECT_EQ(format5, (CFontManager::UseCounts{{title, 2}, {body, 1}, {dimensions, 1}}))
        << "format 5 counts neither the second style font nor dimensions";
}

TEST_F(FontManagerTest, TheCheckReportsUnreferencedFontsAndRemovesThemOnlyWhenFixing)
{
    CValidityCheckScope checks;
    CZpFont* used = Arial(10);
    Arial(11);
    Arial(12);
    textStyle.SetFont(used, false);

    EXPECT_EQ(fonts.CheckValidity(kValidityCheck, nullptr), 1);
    EXPECT_EQ(GetValidityReport(), L"Found 2 unreferenced fonts");
    EXPECT_EQ(fonts.GetCount(), stylesFonts + 3);

    ClearValidityReport();
    CSuspendUndo noUndo;
    EXPECT_EQ(fonts.CheckValidity(kValidityFix, nullptr), 0);
    EXPECT_EQ(GetValidityReport(), L"Found 2 unreferenced fonts - fixed\n");
    EXPECT_EQ(fonts.GetCount(), stylesFonts + 1);
}

TEST_F(FontManagerTest, TheCheckRepairsWrongCountsAndMissingFonts)
{
    CValidityCheckScope checks;
    CZpFont* listed = Arial(10);
    textStyle.SetFont(listed, false);
    TextIn(root, listed);
    // As a damaged file leaves it: one use short.
    listed->SetReferenceCount(1);
    auto* missing = new CZpFont(CFontDescription{.faceName = L"Courier New", .type = 10, .pointSize = 1.0});
    TextIn(root, missing);

    EXPECT_EQ(fonts.CheckValidity(kValidityCheck, nullptr), 1);
    EXPECT_EQ(GetValidityReport(), L"Found 1 fonts with incorrect reference countFound 1 missing fonts");
    ClearValidityReport();
    EXPECT_EQ(fonts.CheckValidity(kValidityFix, nullptr), 0);
    EXPECT_EQ(listed->GetReferenceCount(), 2);
    EXPECT_EQ(missing->GetReferenceCount(), 1);
    EXPECT_TRUE(fonts.Contains(missing));
}

TEST_F(FontManagerTest, ARecordNamingAnotherClassIsRefused)
{
    UseSchemas({});
    TestEntity stranger;
    const Bytes bytes = LittleEndian(int32_t{1}, uint16_t{1});
    EXPECT_EQ(ArchiveCause([&] {
                  ReadFrom(bytes, [&](CArchive& ar) {
                      ar.MapObject(&stranger);
                      CFontManager other;
                      other.Serialize(ar);
                  });
              }),
              CArchiveException::badClass);
}

TEST_F(FontManagerTest, TheRecordReadsTheFontsAndRecordsTheirAddition)
{
    UseSchemas({{"CFontManager", 0}, {"CZpFont", 0}});
    // Face, italic, bold, point size.
    const Bytes font =
        LittleEndian(uint8_t{5}) + Ascii("Arial") + LittleEndian(uint8_t{0}, uint8_t{1}, int32_t{12});
    const Bytes bytes = LittleEndian(int32_t{3}) + NewObject("CZpFont") + font + LittleEndian(uint16_t{0}) +
                        LittleEndian(uint16_t{0x8000 | 1}) + font;
    CFontManager read;
    Start();
    ReadFrom(bytes, [&](CArchive& ar) { read.Serialize(ar); });
    Commit();
    ASSERT_EQ(read.GetCount(), 2);
    EXPECT_EQ(read.GetAt(0)->GetParent(), &read);
    EXPECT_EQ(listener.Names(),
              (std::vector<std::string>{"start", "created", "added", "created", "added", "end"}));
    CEntity* first = read.GetAt(0);
    EXPECT_EQ(
        ArchiveCause([&] { ReadFrom(LittleEndian(int32_t{-1}), [&](CArchive& ar) { read.Serialize(ar); }); }),
        CArchiveException::genericException);
    EXPECT_EQ(read.GetCount(), 0) << "the list was emptied before the bad count";
    EXPECT_EQ(first->GetParent(), nullptr);
    EXPECT_TRUE(model.GetDroppedObjects().Contains(first))
        << "users may still hold the fonts of the old list";
}

TEST_F(FontManagerTest, DeletingAManagerFreesItsFonts)
{
    auto* manager = new CFontManager(&root);
    manager->GetFont(L"Arial", 0, 1, 0, nullptr, 0, 12.0);
    CEntity* kept = manager->GetFont(L"Arial", 0, 1, 0, nullptr, 0, 14.0);
    manager->Remove(kept);
    // Deleted without Erase, as the archive deletes a manager whose record fails: the listed
    // font goes with it, which the leak checker sees, and the removed one stays.
    delete manager;
    EXPECT_EQ(kept->GetParent(), nullptr);
    EXPECT_EQ(dynamic_cast<CZpFont&>(*kept).GetModelHeightSetting(), 14.0);
    delete kept;
}

TEST_F(FontManagerTest, WritingOlderFormatsStoresOnlyTheFontsInUse)
{
    CZpFont* used = Arial(10);
    Arial(11);
    textStyle.SetFont(used, false);
    const Bytes all = WrittenBy([&](CArchive& ar) { fonts.Serialize(ar); });
    SetSaveFormat(5000);
    const Bytes inUse = WrittenBy([&](CArchive& ar) { fonts.Serialize(ar); });
    EXPECT_EQ(Bytes(all.begin() + 2, all.begin() + 6), LittleEndian(int32_t{stylesFonts + 2}));
    EXPECT_EQ(Bytes(inUse.begin() + 2, inUse.begin() + 6), LittleEndian(int32_t{2}))
        << "the text style's first font and the dimension style's";
}

TEST_F(FontManagerTest, ClearingCacheHandlesReachesEveryFont)
{
    // Counts the clearings it is asked for.
    struct ClearCounter : CZpFont {
        void ClearCacheHandle() override { ++cleared; }
        int cleared = 0;
    };
    auto* first = new ClearCounter;
    auto* second = new ClearCounter;
    fonts.Add(first);
    fonts.Add(second);
    fonts.ClearCacheHandles();
    EXPECT_EQ(first->cleared, 1);
    EXPECT_EQ(second->cleared, 1);
}

}  // namespace
