// Definitions: where instances may be placed, the cycles a damaged file brings and how they
// are dropped, names, purges and the notifications of the definitions.

#include <gtest/gtest.h>

#include <cmath>

#include "components/Group.h"
#include "components/InstancePath.h"
#include "database/DefinitionList.h"
#include "database/Validity.h"
#include "tests/components/ComponentTestSupport.h"
#include "tests/model/doubles/DatabaseDoubles.h"

using orbisk::geometry::CLine3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CRay3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CVector3d;
using Transform = ComponentRecords::Transform;

namespace {

using DefinitionTest = ComponentTest;

// root places A; A places B; B places C. D is placed nowhere.
struct Chain {
    CComponent* root;
    CComponentDefinition* a;
    CComponentDefinition* b;
    CComponentDefinition* c;
    CComponentDefinition* d;
};

class ChainTest : public ComponentTest {
protected:
    Chain MakeChain()
    {
        Chain chain{};
        chain.root = NewRoot();
        chain.a = NewDefinition(*chain.root, L"A");
        chain.b = NewDefinition(*chain.root, L"B");
        chain.c = NewDefinition(*chain.root, L"C");
        chain.d = NewDefinition(*chain.root, L"D");
        Place(*chain.root, *chain.a);
        Place(*chain.a, *chain.b);
        Place(*chain.b, *chain.c);
        return chain;
    }
};

TEST_F(ChainTest, CanContainRefusesEveryDefinitionThatWouldCloseACycle)
{
    const Chain chain = MakeChain();
    EXPECT_TRUE(chain.root->CanContain(chain.a));
    EXPECT_FALSE(chain.c->CanContain(nullptr));
    EXPECT_FALSE(chain.c->CanContain(chain.c));
    // A and B hold C, at some depth.
    EXPECT_FALSE(chain.c->CanContain(chain.a));
    EXPECT_FALSE(chain.c->CanContain(chain.b));
    EXPECT_FALSE(chain.b->CanContain(chain.a));
    EXPECT_TRUE(chain.a->CanContain(chain.c));
    EXPECT_TRUE(chain.c->CanContain(chain.d));
    EXPECT_TRUE(chain.d->CanContain(chain.a));
}

TEST_F(ChainTest, ParentsAndUseAreFoundAtAnyDepth)
{
    const Chain chain = MakeChain();
    CEntitySet parents;
    chain.c->CollectParentComponents(parents, true);
    EXPECT_EQ(parents.GetCount(), 3);
    EXPECT_TRUE(parents.Contains(chain.root));
    EXPECT_TRUE(chain.c->IsUsedIn(chain.root, true));
    EXPECT_FALSE(chain.c->IsUsedIn(chain.root, false));
    EXPECT_TRUE(chain.c->IsUsedIn(chain.b, false));
    EXPECT_FALSE(chain.d->IsUsedIn(chain.root, true));

    CEntitySet nested;
    chain.root->CollectDefinitions(nested, true);
    EXPECT_EQ(nested.GetCount(), 3);
    EXPECT_FALSE(nested.Contains(chain.d));
}

// A file that places a definition inside itself (here C places A, which holds C) would make
// every walk through the tree endless: the instance that closes the cycle is dropped, walks
// that meet one before then end, and the validity check reports and repairs one.
TEST_F(ChainTest, CyclesEndWalksAndAreReportedAndDropped)
{
    const Chain chain = MakeChain();
    Place(*chain.c, *chain.a);
    chain.c->InvalidateBounds();

    CEntitySet nested;
    chain.root->CollectDefinitions(nested, true);
    EXPECT_EQ(nested.GetCount(), 3);
    EXPECT_TRUE(chain.root->GetBounds().IsEmpty());
    EXPECT_FALSE(chain.root->HasConstructionLines());
    CEntitySet parents;
    chain.a->CollectParentComponents(parents, true);
    EXPECT_TRUE(parents.Contains(chain.c));

    CValidityCheckScope checks;
    CCheckedObjectMap map;
    EXPECT_EQ(chain.c->CheckValidity(kValidityCheck, &map), 1);
    EXPECT_NE(std::wstring(GetValidityReport().GetString()).find(L"inside itself"), std::wstring::npos);

    const int before = chain.c->GetCount();
    EXPECT_EQ(chain.root->DropDefinitionCycles(), 1);
    EXPECT_EQ(chain.c->GetCount(), before - 1);
    EXPECT_EQ(chain.a->GetInstanceCount(), 1);
    EXPECT_EQ(chain.root->DropDefinitionCycles(), 0);
}

TEST_F(ChainTest, ACycleInAFileIsDroppedAfterReading)
{
    ComponentRecords records;
    auto& a = records.Definition(L"A");
    auto& b = records.Definition(L"B");
    auto& aInB = records.Instance(a);
    auto& bInA = records.Instance(b);
    auto& placed = records.Instance(a);
    a.entities = {&bInA};
    b.entities = {&aInB};
    auto& root = records.Component();
    root.entities = {&placed};
    root.definitions = {&a, &b};
    UseSchemas(records.GetVersionMap());
    auto* component = Read<CComponent>(ComponentRecords::Archive(root));
    ASSERT_NE(component, nullptr);
    auto* readA = AsDefinitionClass(component->GetDefinitionList()->GetAt(0));
    auto* readB = AsDefinitionClass(component->GetDefinitionList()->GetAt(1));
    ASSERT_TRUE(readA && readB);
    // Walking from the root, A places B and B's instance of A closes the cycle.
    EXPECT_EQ(readA->GetCount(), 1);
    EXPECT_EQ(readB->GetCount(), 0);
    EXPECT_EQ(readA->GetInstanceCount(), 1);
    EXPECT_TRUE(readA->CanContain(readB));
    EXPECT_EQ(component->GetBounds().IsEmpty(), true);
}

TEST_F(DefinitionTest, MakeUniqueNameComparesWithoutCaseAndRenumbers)
{
    CComponent* root = NewRoot();
    CComponentDefinition* box = NewDefinition(*root, L"Box");
    NewDefinition(*root, L"Box#1");
    const CDefinitionList& list = *root->GetDefinitionList();
    struct Case {
        const wchar_t* name;
        bool force;
        const CEntity* except;
        const wchar_t* expected;
    } cases[] = {
        {L"Chair", false, nullptr, L"Chair"},
        {L"BOX", false, nullptr, L"BOX#2"},
        {L"Box", false, box, L"Box"},
        {L"Chair", true, nullptr, L"Chair#1"},
        {L"Box#7", false, nullptr, L"Box#7"},
        {L"Box#1", false, nullptr, L"Box#2"},
        {L"Box#1a", true, nullptr, L"Box#1a#1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(list.MakeUniqueName(c.name, c.force, c.except), CString(c.expected)) << c.name;
}

TEST_F(DefinitionTest, PurgeRemovesChainsInPassesAndKeepsComponentsWhenAsked)
{
    CComponent* root = NewRoot();
    CComponentDefinition* component = NewDefinition(*root, L"Component");
    CComponentDefinition* outerGroup = NewDefinition(*root, L"Group#1", CComponentDefinition::kKindPlain);
    CComponentDefinition* innerGroup = NewDefinition(*root, L"Group#2", CComponentDefinition::kKindPlain);
    NewDefinition(*root, L"Used", CComponentDefinition::kKindPlain);
    // The inner group is used only by the outer one, which nothing uses.
    Place(*outerGroup, *innerGroup);
    Place(*root, *AsDefinitionClass(root->GetDefinitionList()->GetAt(3)));
    (void)component;
    CDefinitionList& list = *root->GetDefinitionList();

    list.PurgeUnused(true);
    ASSERT_EQ(list.GetCount(), 2);
    EXPECT_EQ(AsDefinitionClass(list.GetAt(0))->GetName(), CString(L"Component"));
    EXPECT_EQ(AsDefinitionClass(list.GetAt(1))->GetName(), CString(L"Used"));

    list.PurgeUnused(false);
    ASSERT_EQ(list.GetCount(), 1);
    EXPECT_EQ(AsDefinitionClass(list.GetAt(0))->GetName(), CString(L"Used"));
}

TEST_F(DefinitionTest, EmptyDefinitionsGoWithTheirInstancesUnlessOnTheActivePath)
{
    CComponent* root = NewRoot();
    CComponentDefinition* empty = NewDefinition(*root, L"Empty");
    // Erased with its instance: only its address is kept.
    CComponentDefinition* edited = NewDefinition(*root, L"Edited");
    CComponentDefinition* full = NewDefinition(*root, L"Full");
    Place(*root, *empty);
    CComponentInstance* editedInstance = Place(*root, *edited);
    Place(*full, *edited);
    CInstancePath activePath;
    activePath.PushBack(editedInstance);
    CDefinitionList& list = *root->GetDefinitionList();

    list.RemoveEmptyDefinitions(activePath);
    ASSERT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.GetAt(0), edited);
    EXPECT_EQ(list.GetAt(1), full);
    EXPECT_EQ(root->GetCount(), 1);
}

TEST_F(DefinitionTest, NotificationsTellOfNamesInstancesAndKinds)
{
    CComponent* root = NewRoot();
    CComponentDefinition* definition = NewDefinition(*root, L"Box");
    CComponentDefinition* other = NewDefinition(*root, L"Other", CComponentDefinition::kKindImage);
    ComponentPosts posts;
    definition->SetName(L"Box");
    definition->SetName(L"Crate");
    auto* instance = new CComponentInstance;
    definition->AddInstance(instance);
    definition->RemoveInstance(instance);
    delete instance;
    definition->SwapContents(*other);
    using Post = ComponentPosts::Post;
    EXPECT_EQ(posts.posts,
              (std::vector<Post>{{CComponentDefinition::kNotifyChanged, definition, nullptr},
                                 {CComponentDefinition::kNotifyInstanceAdded, definition, instance},
                                 {CComponentDefinition::kNotifyInstanceRemoved, definition, instance},
                                 {CComponentDefinition::kNotifyKindChanged, definition, nullptr}}));
    EXPECT_EQ(definition->GetName(), CString(L"Other"));
    EXPECT_EQ(definition->GetKind(), CComponentDefinition::kKindImage);
    definition->SwapContents(*other);
}

TEST_F(DefinitionTest, InsertionPointChangesBeyondTheTolerance)
{
    CComponent* root = NewRoot();
    CComponentDefinition* definition = NewDefinition(*root, L"Box");
    definition->SetInsertionPoint(CPoint3d(1, 2, 3), false);
    definition->SetInsertionPoint(CPoint3d(1.0005, 2.0005, 3.0005), false);
    EXPECT_EQ(definition->GetInsertionPoint().x, 1.0);
    definition->ResetInsertionPoint();
    EXPECT_EQ(definition->GetInsertionPoint().z, 0.0);
}

// Moving a definition's contents moves its instances the other way: the model looks the same.
TEST_F(DefinitionTest, TransformingADefinitionKeepsItsInstancesInPlace)
{
    CComponent* root = NewRoot();
    CComponentDefinition* definition = NewDefinition(*root, L"Box");
    CComponentInstance* instance = Place(*root, *definition);
    CTransform3d placement;
    placement.SetTranslation(CVector3d(5, 0, 0));
    instance->SetTransform(placement);
    CTransform3d move;
    move.SetTranslation(CVector3d(0, 2, 0));
    definition->Transform(move);
    EXPECT_EQ(instance->GetTransform().MultiplyPoint(move.MultiplyPoint(CPoint3d(1, 1, 1))),
              CPoint3d(6, 1, 1));
}

TEST_F(DefinitionTest, ADanglingInstanceIsReportedAndDroppedWhenFixing)
{
    CComponent* root = NewRoot();
    CComponentDefinition* definition = NewDefinition(*root, L"Box");
    Place(*root, *definition);
    auto* dangling = new CComponentInstance;
    definition->AddInstance(dangling);
    CValidityCheckScope checks;
    CCheckedObjectMap map;
    EXPECT_EQ(definition->CheckValidity(kValidityCheck, &map), 1);
    EXPECT_NE(std::wstring(GetValidityReport().GetString()).find(L"Found dangling"), std::wstring::npos);
    CCheckedObjectMap fixing;
    EXPECT_EQ(definition->CheckValidity(kValidityFix, &fixing), 0);
    EXPECT_EQ(definition->GetInstanceCount(), 1);
}

// An instance whose definition is gone (a damaged file, a repair half done) is passed over by
// every walk instead of being followed.
TEST_F(DefinitionTest, InstancesWithoutADefinitionArePassedOver)
{
    CComponent* root = NewRoot();
    auto* orphan = new CComponentInstance;
    root->Add(orphan);
    EXPECT_TRUE(root->GetBounds().IsEmpty());
    EXPECT_FALSE(root->HasConstructionLines());
    CEntitySet definitions;
    root->CollectDefinitions(definitions, true);
    EXPECT_EQ(definitions.GetCount(), 0);
    EXPECT_EQ(root->DropDefinitionCycles(), 0);

    CDrawingElement::CBoundingBox3d box;
    box.SetEmpty();
    orphan->AddBounds(box);
    orphan->AddBoundsTransformed(CTransform3d(), box);
    EXPECT_TRUE(box.IsEmpty());
    CInstancePath path;
    CPoint3d point;
    const CLine3d line(CRay3d(CPoint3d(0, 0, -1), orbisk::geometry::CUnitVector3d(0, 0, 1)), false, true);
    EXPECT_FALSE(orphan->PickLine(line, 1.0, point, path, false));
    EXPECT_EQ(path.GetSize(), 0);
}

// Repairs erase from the list that the check walks: every broken instance goes, not only every
// other one.
TEST_F(DefinitionTest, TheRepairErasesEachBrokenInstanceInTurn)
{
    CComponent* root = NewRoot();
    CComponentDefinition* definition = NewDefinition(*root, L"Box");
    CTransform3d broken;
    broken.SetTranslation(CVector3d(std::nan(""), 0, 0));
    for (int i = 0; i < 3; ++i)
        Place(*root, *definition)->SetTransform(broken);
    CComponentInstance* sound = Place(*root, *definition);
    CValidityCheckScope checks;
    CCheckedObjectMap map;
    root->CheckValidity(kValidityFix, &map);
    EXPECT_EQ(root->GetEntityList(), std::vector<CDrawingElement*>{sound});
    EXPECT_EQ(definition->GetInstances(), std::vector<CComponentInstance*>{sound});
}

}  // namespace
