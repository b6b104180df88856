// The model's definition list: membership and its notifications, unique names, purging and
// erasing unused definitions, the write order, the record and the check.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "model/DefinitionList.h"
#include "tests/model/DatabaseTestSupport.h"

namespace {

class DefinitionListTest : public DatabaseTest {
protected:
    DefinitionListTest()
    {
        root.definitions = &list;
        list.SetParent(&root);
    }

    TestDefinition* Define(const wchar_t* name)
    {
        auto* definition = new TestDefinition(name);
        owned.emplace_back(definition);
        list.Add(definition);
        return definition;
    }

    std::vector<CEntity*> Items() const
    {
        std::vector<CEntity*> items;
        for (int i = 0; i < list.GetCount(); ++i)
            items.push_back(list.GetAt(i));
        return items;
    }

    CDefinitionList list;
    std::vector<std::unique_ptr<TestDefinition>> owned;
};

// Definitions and instances that erase themselves (undo off), so that purging frees them.
class DefinitionPurgeTest : public DefinitionListTest {
protected:
    TestDefinition* DefineErasable(const wchar_t* name)
    {
        auto* definition = new TestDefinition(name);
        list.Add(definition);
        return definition;
    }
    // An instance of the definition placed in the component.
    TestInstance* Place(TestDefinition* definition, TestComponent& in)
    {
        auto* instance = new TestInstance(definition);
        in.Add(instance);
        return instance;
    }

    CSuspendUndo noUndo;
};

TEST_F(DefinitionListTest, AddingAndRemovingPostComponentNotifications)
{
    TestDefinition* box = Define(L"Box");
    list.Add(box);
    TestEntity notADefinition;
    list.Add(&notADefinition);
    EXPECT_EQ(Items(), std::vector<CEntity*>{box});
    EXPECT_EQ(box->GetParent(), &list);
    EXPECT_TRUE(list.Remove(box));
    EXPECT_FALSE(list.Remove(box));
    EXPECT_EQ(box->GetParent(), nullptr);
    EXPECT_EQ(componentPosts.posts,
              (std::vector<ComponentPosts::Post>{{0, box, nullptr}, {1, box, nullptr}}));
}

TEST_F(DefinitionListTest, AddingADefinitionIsRecordedAndCanRefreshItsInstances)
{
    struct Refreshed : TestInstance {
        using TestInstance::TestInstance;
        void OnChange() override { ++changes; }
        int changes = 0;
    };
    auto* box = new TestDefinition(L"Box");
    owned.emplace_back(box);
    Refreshed instance(box);
    Start();
    list.AddDefinition(box, true);
    Commit();
    EXPECT_EQ(instance.changes, 1);
    EXPECT_EQ(listener.Names(), (std::vector<std::string>{"start", "added", "end"}));
    box->instances.clear();
}

TEST_F(DefinitionListTest, UniqueNamesFollowTheNumberingRule)
{
    Define(L"Box");
    Define(L"Box#3");
    Define(L"Box#1");
    Define(L"Box#12a");
    Define(L"#5");
    Define(L"Tree#");
    struct Case {
        const wchar_t* name;
        bool force;
        const wchar_t* unique;
    };
    const Case cases[] = {
        {L"Box", false, L"Box#2"},   {L"Box#3", false, L"Box#2"},  {L"Box#12a", false, L"Box#12a#1"},
        {L"#5", false, L"#5#1"},     {L"Tree#", false, L"Tree#1"}, {L"BOX", false, L"BOX#2"},
        {L"Chair", false, L"Chair"}, {L"Chair", true, L"Chair#1"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(list.MakeUniqueName(c.name, c.force, nullptr), CString(c.unique)) << c.name;
        list.RebuildNameIndex();
        EXPECT_EQ(list.MakeUniqueNameIndexed(c.name, c.force), CString(c.unique)) << c.name;
        list.ClearNameIndex();
    }
}

TEST_F(DefinitionListTest, UniquenessIgnoresCaseAndTheDefinitionAskingForIt)
{
    TestDefinition* box = Define(L"box");
    EXPECT_FALSE(list.IsNameUnique(L"BOX", nullptr));
    EXPECT_TRUE(list.IsNameUnique(L"BOX", box));
    EXPECT_EQ(list.MakeUniqueName(L"Box", false, nullptr), CString(L"Box#1"));
}

TEST_F(DefinitionPurgeTest, PurgingErasesUnusedDefinitionsInPassesAndCanKeepUnmarkedOnes)
{
    TestDefinition* used = DefineErasable(L"Used");
    TestDefinition* marked = DefineErasable(L"Marked");
    TestDefinition* unmarked = DefineErasable(L"Unmarked");
    marked->purgeMark = true;
    TestInstance* instance = Place(used, root);
    list.PurgeUnused(true);
    EXPECT_EQ(Items(), (std::vector<CEntity*>{used, unmarked}));
    list.PurgeUnused(false);
    EXPECT_EQ(Items(), std::vector<CEntity*>{used});
    instance->EraseFrom(&root);
    list.EraseUnused(true);
}

TEST_F(DefinitionPurgeTest, EraseUnusedReachesDefinitionsFreedByAnEarlierErase)
{
    TestDefinition* a = DefineErasable(L"A");
    TestDefinition* b = DefineErasable(L"B");
    Place(a, *b);
    const int destroyed = TestEntity::destroyed;
    list.EraseUnused(false);
    EXPECT_EQ(TestEntity::destroyed, destroyed + 2)
        << "B goes in the first pass, A once B's erase has removed A's only instance";
    EXPECT_EQ(componentPosts.posts, (std::vector<ComponentPosts::Post>{
                                        {0, a, nullptr}, {0, b, nullptr}, {1, a, nullptr}, {1, b, nullptr}}));
    EXPECT_EQ(list.GetCount(), 2) << "the list still names what it erased until told to forget";
    list.RemoveAll();
}

TEST_F(DefinitionPurgeTest, PurgeUnusedExceptKeepsTheDefinitionsOfTheActivePath)
{
    TestDefinition* onPath = DefineErasable(L"OnPath");
    DefineErasable(L"Other");
    // The instance being edited, not yet listed among its definition's instances.
    TestInstance edited;
    edited.definition = onPath;
    TestInstancePath path;
    path.instances = {&edited};
    list.PurgeUnusedExcept(path);
    EXPECT_EQ(Items(), std::vector<CEntity*>{onPath});
    list.EraseUnused(true);
}

TEST_F(DefinitionPurgeTest, ErasingADefinitionErasesItsInstancesFirst)
{
    TestDefinition* box = DefineErasable(L"Box");
    Place(box, root);
    Place(box, root);
    list.EraseDefinitionAndInstances(box);
    EXPECT_TRUE(root.members.empty());
    EXPECT_TRUE(list.IsEmpty());
}

TEST_F(DefinitionListTest, WritingPutsTheDeepestDefinitionsFirst)
{
    TestDefinition* top = Define(L"Top");
    TestDefinition* inner = Define(L"Inner");
    TestDefinition* loose = Define(L"Loose");
    TestDefinition* cycleA = Define(L"CycleA");
    TestDefinition* cycleB = Define(L"CycleB");
    TestInstance topInRoot(top), innerInTop(inner), aInB(cycleA), bInA(cycleB);
    root.Add(&topInRoot);
    top->Add(&innerInTop);
    cycleB->Add(&aInB);
    cycleA->Add(&bInA);
    std::vector<CEntity*> ordered;
    list.OrderDefinitions(&root, ordered);
    EXPECT_EQ(ordered, (std::vector<CEntity*>{inner, loose, top, cycleA, cycleB}))
        << "placed ones in reverse placement order, then the ones never placed";
    for (TestDefinition* definition : {top, inner, cycleA, cycleB})
        definition->instances.clear();
}

TEST_F(DefinitionListTest, TheRecordListsADefinitionReferencedTwiceOnce)
{
    TestDefinition first(L"A"), second(L"B");
    const Bytes bytes = LittleEndian(int32_t{4}, uint16_t{1}, uint16_t{0}, uint16_t{2}, uint16_t{1});
    ReadFrom(bytes, [&](CArchive& ar) {
        ar.MapObject(&first);
        ar.MapObject(&second);
        list.Serialize(ar);
    });
    EXPECT_EQ(Items(), (std::vector<CEntity*>{&first, &second}));
    EXPECT_EQ(first.GetParent(), &list);
    EXPECT_TRUE(componentPosts.posts.empty()) << "reading posts nothing";
    list.RemoveAll();
}

TEST_F(DefinitionListTest, TheRecordRefusesOtherClassesAndBadCounts)
{
    TestEntity stranger;
    struct Case {
        const char* what;
        Bytes bytes;
        int cause;
    };
    const Case cases[] = {
        {"not a definition", LittleEndian(int32_t{1}, uint16_t{1}), CArchiveException::badClass},
        {"negative count", LittleEndian(int32_t{-3}), CArchiveException::genericException},
        {"count beyond the data", LittleEndian(int32_t{1000}, uint16_t{1}), CArchiveException::endOfFile},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ArchiveCause([&] {
                      ReadFrom(c.bytes, [&](CArchive& ar) {
                          ar.MapObject(&stranger);
                          list.Serialize(ar);
                      });
                  }),
                  c.cause)
            << c.what;
    }
}

TEST_F(DefinitionListTest, TheCheckRunsEveryDefinitionsCheckWithTheNameIndex)
{
    struct Checked : TestDefinition {
        using TestDefinition::TestDefinition;
        int CheckValidity(int, CCheckedObjectMap*) override
        {
            seenFree = static_cast<CDefinitionList*>(GetParent())->IsNameFree(L"SOFA");
            return result;
        }
        int result = 0;
        bool seenFree = true;
    };
    CValidityCheckScope checks;
    auto* sofa = new Checked(L"Sofa");
    owned.emplace_back(sofa);
    list.Add(sofa);
    CCheckedObjectMap map;
    EXPECT_EQ(list.CheckValidity(kValidityCheck, &map), 0);
    EXPECT_FALSE(sofa->seenFree) << "the index holds the names while the list checks itself";
    EXPECT_TRUE(list.IsNameFree(L"Sofa")) << "and is emptied afterwards";
    sofa->result = 2;
    CCheckedObjectMap again;
    EXPECT_EQ(list.CheckValidity(kValidityCheck, &again), 2);
}

}  // namespace
