// The font manager: one shared font per face, style, size and text cache; the record; and the
// check of the fonts' reference counts against their users.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "model/DefinitionList.h"
#include "model/FontManager.h"
#include "tests/model/DatabaseTestSupport.h"

namespace {

class FontManagerTest : public DatabaseTest {
protected:
    FontManagerTest()
    {
        model.fonts = &fonts;
        fonts.SetParent(&root);
    }

    CEntity* Arial(double size = 12.0, const void* cache = nullptr)
    {
        return fonts.GetFont(L"Arial", 0, 1, 0, cache, 0, size);
    }

    CFontManager fonts;
};

TEST_F(FontManagerTest, EqualRequestsShareOneFont)
{
    CEntity* arial = Arial();
    ASSERT_NE(arial, nullptr);
    EXPECT_EQ(arial->GetParent(), &fonts);
    EXPECT_EQ(fonts.GetFont(L"ARIAL", 0, 1, 0, nullptr, 0, 12.0005), arial) << "case and half the tolerance";
    EXPECT_NE(Arial(12.002), arial) << "twice the tolerance";
    int otherCache = 0;
    EXPECT_NE(Arial(12.0, &otherCache), arial) << "another text cache";
    EXPECT_NE(fonts.GetFont(L"Arial", 1, 1, 0, nullptr, 0, 12.0), arial);
    EXPECT_EQ(fonts.GetCount(), 4);
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
    EXPECT_EQ(fonts.GetCount(), 1);
    EXPECT_EQ(font->GetParent(), &fonts);
    TestEntity notAFont;
    fonts.Add(&notAFont);
    EXPECT_FALSE(fonts.Contains(&notAFont));
    std::unique_ptr<IEntityIterator> iterator(fonts.CreateIterator());
    CEntity* walked = nullptr;
    EXPECT_TRUE(iterator->Next(walked));
    EXPECT_EQ(walked, font);
    EXPECT_FALSE(iterator->Next(walked));
}

TEST_F(FontManagerTest, TheCurrentModelsManagerIsFound)
{
    EXPECT_EQ(CFontManager::GetCurrentFontManager(), &fonts);
    CCurrentModelScope none(nullptr);
    EXPECT_EQ(CFontManager::GetCurrentFontManager(), nullptr);
}

TEST_F(FontManagerTest, UsesAreCountedFromTheStylesAndTheTextsOfEveryComponent)
{
    CEntity* title = Arial(20);
    CEntity* body = Arial(10);
    CEntity* dimensions = Arial(8);
    model.textStyleFonts[0] = title;
    model.textStyleFonts[1] = body;
    model.dimensionStyleFont = dimensions;
    CDefinitionList definitions;
    root.definitions = &definitions;
    TestDefinition door(L"Door");
    definitions.Add(&door);
    TestFontUser rootText(kEntityText, body), doorText(kEntityText, title),
        doorDimension(kEntityDimensionLinear, dimensions), noFont(kEntityText, nullptr);
    root.members = {&rootText, &noFont};
    door.members = {&doorText, &doorDimension};

    CFontManager::UseCounts format6, format5;
    CFontManager::CountUsedFonts(model, format6, 6);
    EXPECT_EQ(format6, (CFontManager::UseCounts{{title, 2}, {body, 2}, {dimensions, 2}}));
    CFontManager::CountUsedFonts(model, format5, 5);
    EXPECT_EQ(format5, (CFontManager::UseCounts{{title, 2}, {body, 1}, {dimensions, 1}}))
        << "format 5 counts neither the second style font nor dimensions";
    definitions.RemoveAll();
    root.members.clear();
}

TEST_F(FontManagerTest, TheCheckReportsUnreferencedFontsAndRemovesThemOnlyWhenFixing)
{
    CValidityCheckScope checks;
    CEntity* used = Arial(10);
    Arial(11);
    Arial(12);
    model.textStyleFonts[0] = used;
    static_cast<TestFont*>(used)->refCount = 1;

    EXPECT_EQ(fonts.CheckValidity(kValidityCheck, nullptr), 1);
    EXPECT_EQ(GetValidityReport(), L"Found 2 unreferenced fonts");
    EXPECT_EQ(fonts.GetCount(), 3);

    ClearValidityReport();
    CSuspendUndo noUndo;
    EXPECT_EQ(fonts.CheckValidity(kValidityFix, nullptr), 0);
    EXPECT_EQ(GetValidityReport(), L"Found 2 unreferenced fonts - fixed\n");
    EXPECT_EQ(fonts.GetCount(), 1);
}

TEST_F(FontManagerTest, TheCheckRepairsWrongCountsAndMissingFonts)
{
    CValidityCheckScope checks;
    CEntity* listed = Arial(10);
    auto* missing = new TestFont;
    model.textStyleFonts[0] = listed;
    model.dimensionStyleFont = missing;
    TestFontUser text(kEntityText, listed);
    root.members = {&text};

    EXPECT_EQ(fonts.CheckValidity(kValidityCheck, nullptr), 1);
    EXPECT_EQ(GetValidityReport(), L"Found 1 fonts with incorrect reference countFound 1 missing fonts");
    ClearValidityReport();
    EXPECT_EQ(fonts.CheckValidity(kValidityFix, nullptr), 0);
    EXPECT_EQ(static_cast<TestFont*>(listed)->refCount, 2);
    EXPECT_EQ(missing->refCount, 1);
    EXPECT_TRUE(fonts.Contains(missing));
    root.members.clear();
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
    UseSchemas({{"CFontManager", 0}, {"TestFont", 1}});
    const Bytes bytes =
        LittleEndian(int32_t{3}) + NewObject("TestFont") + LittleEndian(uint16_t{0}, uint16_t{0x8000 | 1});
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
    model.fonts = manager;
    manager->GetFont(L"Arial", 0, 1, 0, nullptr, 0, 12.0);
    CEntity* kept = manager->GetFont(L"Arial", 0, 1, 0, nullptr, 0, 14.0);
    manager->Remove(kept);
    const int destroyed = TestFont::destroyed;
    delete manager;
    model.fonts = &fonts;
    EXPECT_EQ(TestFont::destroyed, destroyed + 1) << "the listed font, not the removed one";
    delete kept;
}

TEST_F(FontManagerTest, WritingOlderFormatsStoresOnlyTheFontsInUse)
{
    CEntity* used = Arial(10);
    Arial(11);
    model.textStyleFonts[0] = used;
    const Bytes all = WrittenBy([&](CArchive& ar) { fonts.Serialize(ar); });
    SetSaveFormat(5000);
    const Bytes inUse = WrittenBy([&](CArchive& ar) { fonts.Serialize(ar); });
    EXPECT_EQ(Bytes(all.begin() + 2, all.begin() + 6), LittleEndian(int32_t{2}));
    EXPECT_EQ(Bytes(inUse.begin() + 2, inUse.begin() + 6), LittleEndian(int32_t{1}));
}

TEST_F(FontManagerTest, ClearingCacheHandlesReachesEveryFont)
{
    auto* first = static_cast<TestFont*>(Arial(10));
    auto* second = static_cast<TestFont*>(Arial(11));
    fonts.ClearCacheHandles();
    EXPECT_EQ(first->cacheHandlesCleared, 1);
    EXPECT_EQ(second->cacheHandlesCleared, 1);
}

}  // namespace
