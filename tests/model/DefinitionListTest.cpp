// The model's definition list: membership and its notifications, unique names, purging and
// erasing unused definitions, the write order, the record and the check.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "components/ComponentDefinition.h"
#include "components/ComponentInstance.h"
#include "components/InstancePath.h"
#include "database/DefinitionList.h"
#include "database/EntityDisposal.h"
#include "tests/model/DatabaseTestSupport.h"
#include "tests/model/doubles/EntityDoubles.h"

namespace {

using Post = ComponentPosts::Post;

// The definition list of the model's root component.
class DefinitionListTest : public DatabaseTest {
protected:
    static CComponentDefinition* Named(const wchar_t* name)
    {
        auto* definition = new CComponentDefinition;
        definition->SetName(name);
        return definition;
    }
    // A definition of the list, which frees it with the model.
    CComponentDefinition* Define(const wchar_t* name)
    {
        CComponentDefinition* definition = Named(name);
        list.Add(definition);
        return definition;
    }
    // An instance of the definition placed in the component.
    static CComponentInstance* Place(CComponentDefinition* definition, CComponent& in)
    {
        auto* instance = new CComponentInstance;
        definition->AddInstance(instance);
        in.Add(instance);
        return instance;
    }

    std::vector<CEntity*> Items() const
    {
        std::vector<CEntity*> items;
        for (int i = 0; i < list.GetCount(); ++i)
            items.push_back(list.GetAt(i));
        return items;
    }

    CDefinitionList& list = *root.GetDefinitionList();
};

// Undo is off, so that what purging erases is freed.
class DefinitionPurgeTest : public DefinitionListTest {
protected:
    CSuspendUndo noUndo;
};

TEST_F(DefinitionListTest, AddingAndRemovingPostComponentNotifications)
{
    std::unique_ptr<CComponentDefinition, void (*)(CEntity*)> box(Named(L"Box"), &DeleteUnrecorded);
    componentPosts.posts.clear();
    list.Add(box.get());
    list.Add(box.get());
    TestEntity notADefinition;
    list.Add(&notADefinition);
    EXPECT_EQ(Items(), std::vector<CEntity*>{box.get()});
    EXPECT_EQ(box->GetParent(), &list);
    EXPECT_TRUE(list.Remove(box.get()));
    EXPECT_FALSE(list.Remove(box.get()));
    EXPECT_EQ(box->GetParent(), nullptr);
    EXPECT_EQ(componentPosts.posts, (std::vector<Post>{{0, box.get(), nullptr}, {1, box.get(), nullptr}}));
}

TEST_F(DefinitionListTest, AddingADefinitionIsRecordedAndCanRefreshItsInstances)
{
    // Counts the refreshes it is given.
    struct RefreshCounter : CComponentInstance {
        void OnChange() override { ++changes; }
        int changes = 0;
    };
    CComponentDefinition* box = Named(L"Box");
    RefreshCounter instance;
    box->AddInstance(&instance);
    instance.changes = 0;
    Start();
    list.AddDefinition(box, true);
    Commit();
    EXPECT_EQ(instance.changes, 1);
    EXPECT_EQ(listener.Names(), (std::vector<std::string>{"start", "added", "end"}));
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
    CComponentDefinition* box = Define(L"box");
    EXPECT_FALSE(list.IsNameUnique(L"BOX", nullptr));
    EXPECT_TRUE(list.IsNameUnique(L"BOX", box));
    EXPECT_EQ(list.MakeUniqueName(L"Box", false, nullptr), CString(L"Box#1"));
}

TEST_F(DefinitionPurgeTest, PurgingErasesUnusedDefinitionsInPassesAndCanKeepUnmarkedOnes)
{
    CComponentDefinition* used = Define(L"Used");
    CComponentDefinition* marked = Define(L"Marked");
    CComponentDefinition* unmarked = Define(L"Unmarked");
    // Definitions of any kind but an ordinary component carry the purge mark.
    marked->SetKind(CComponentDefinition::kKindPlain);
    CComponentInstance* instance = Place(used, root);
    list.PurgeUnused(true);
    EXPECT_EQ(Items(), (std::vector<CEntity*>{used, unmarked}));
    list.PurgeUnused(false);
    EXPECT_EQ(Items(), std::vector<CEntity*>{used});
    instance->EraseFrom(&root);
    list.EraseUnused(true);
}

TEST_F(DefinitionPurgeTest, EraseUnusedReachesDefinitionsFreedByAnEarlierErase)
{
    CComponentDefinition* a = Define(L"A");
    CComponentDefinition* b = Define(L"B");
    CComponentInstance* aInB = Place(a, *b);
    componentPosts.posts.clear();
    list.EraseUnused(false);
    // The list announces every definition first; then B goes in the first pass, and A once B's
    // erase has removed A's only instance.
    EXPECT_EQ(componentPosts.posts,
              (std::vector<Post>{{1, a, nullptr},
                                 {1, b, nullptr},
                                 {CComponentDefinition::kNotifyErased, b, nullptr},
                                 {CComponentDefinition::kNotifyInstanceRemoved, a, aInB},
                                 {CComponentDefinition::kNotifyErased, a, nullptr}}));
    EXPECT_EQ(list.GetCount(), 2) << "the list still names what it erased until told to forget";
    list.RemoveAll();
}

TEST_F(DefinitionPurgeTest, PurgeUnusedExceptKeepsTheDefinitionsOfTheActivePath)
{
    CComponentDefinition* onPath = Define(L"OnPath");
    Define(L"Other");
    // The instance being edited, not yet listed among its definition's instances.
    CComponentInstance edited;
    edited.SetDefinition(onPath);
    CInstancePath path;
    path.PushBack(&edited);
    list.PurgeUnusedExcept(path);
    EXPECT_EQ(Items(), std::vector<CEntity*>{onPath});
    edited.ForgetDefinition();
    list.EraseUnused(true);
}

TEST_F(DefinitionPurgeTest, ErasingADefinitionErasesItsInstancesFirst)
{
    CComponentDefinition* box = Define(L"Box");
    Place(box, root);
    Place(box, root);
    list.EraseDefinitionAndInstances(box);
    EXPECT_TRUE(root.IsEmpty());
    EXPECT_TRUE(list.IsEmpty());
}

TEST_F(DefinitionListTest, WritingPutsTheDeepestDefinitionsFirst)
{
    CComponentDefinition* top = Define(L"Top");
    CComponentDefinition* inner = Define(L"Inner");
    CComponentDefinition* loose = Define(L"Loose");
    CComponentDefinition* cycleA = Define(L"CycleA");
    CComponentDefinition* cycleB = Define(L"CycleB");
    Place(top, root);
    Place(inner, *top);
    Place(cycleA, *cycleB);
    CComponentInstance* closing = Place(cycleB, *cycleA);
    std::vector<CEntity*> ordered;
    list.OrderDefinitions(&root, ordered);
    EXPECT_EQ(ordered, (std::vector<CEntity*>{inner, loose, top, cycleA, cycleB}))
        << "placed ones in reverse placement order, then the ones never placed";
    // As readers do, so that the model can let go of the definitions of the cycle.
    CSuspendUndo noUndo;
    closing->EraseFrom(cycleA);
}

TEST_F(DefinitionListTest, TheRecordListsADefinitionReferencedTwiceOnce)
{
    CComponentDefinition first, second;
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

TEST_F(DefinitionListTest, TheRecordLeavesADefinitionOfAnotherListThere)
{
    // Two lists holding one definition would each free it.
    CComponentDefinition holder, listed;
    holder.GetDefinitionList()->Add(&listed);
    const Bytes bytes = LittleEndian(int32_t{1}, uint16_t{1});
    ReadFrom(bytes, [&](CArchive& ar) {
        ar.MapObject(&listed);
        list.Serialize(ar);
    });
    EXPECT_TRUE(Items().empty());
    EXPECT_EQ(listed.GetParent(), holder.GetDefinitionList());
    holder.GetDefinitionList()->RemoveAll();
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
    // Keeps whether its name was free in the index while it was checked, and answers the given
    // result instead of checking itself.
    struct NameIndexProbe : CComponentDefinition {
        int CheckValidity(int, CCheckedObjectMap*) override
        {
            seenFree = static_cast<CDefinitionList*>(GetParent())->IsNameFree(L"SOFA");
            return result;
        }
        int result = 0;
        bool seenFree = true;
    };
    CValidityCheckScope checks;
    auto* sofa = new NameIndexProbe;
    sofa->SetName(L"Sofa");
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
