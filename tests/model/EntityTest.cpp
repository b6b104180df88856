// The entity base: identity, parents, change announcement, erase, the dependency walk,
// relationships, back references, attributes and the entity record.

#include <gtest/gtest.h>

#include <memory>

#include "database/ArchiveSchema.h"
#include "database/AttributeContainer.h"
#include "database/AttributeNamed.h"
#include "database/BackReferenceIndex.h"
#include "database/EntitySet.h"
#include "tests/model/ModelTestSupport.h"
#include "tests/model/doubles/EntityDoubles.h"
#include "tests/model/doubles/ModelDouble.h"
#include "tests/support/ArchiveBytes.h"

namespace {

class EntityTest : public ModelTest {
protected:
    ~EntityTest() override
    {
        SetCurrentVersionMap(nullptr);
        SetSaveFormat(8000);
    }
    // Without an undo manager of its own, so that the fixture's stays current.
    BareModelContext model;
    CCurrentModelScope current{&model};
};

// For tests that let erased entities delete themselves.
class EntityWithoutUndoTest : public EntityTest {
protected:
    CSuspendUndo noUndo;
};

std::vector<CEntity*> Members(const CEntitySet& set)
{
    return {set.GetMembers().begin(), set.GetMembers().end()};
}

std::vector<CEntity*> Sorted(std::vector<CEntity*> entities)
{
    std::sort(entities.begin(), entities.end());
    return entities;
}

}  // namespace

TEST_F(EntityTest, NewEntitiesTakeConsecutiveIdsAndCopiesTakeNone)
{
    TestEntity first;
    TestEntity second;
    EXPECT_EQ(second.GetId(), first.GetId() + 1);
    first.SetParent(&second);
    first.AddAttributeDictionary(new CAttributeNamed(L"tags"));

    Start();
    listener.events.clear();
    TestEntity copy(first);
    EXPECT_EQ(copy.GetId(), 0);
    EXPECT_EQ(copy.GetParent(), nullptr);
    ASSERT_NE(first.GetAttributeContainer(), nullptr);
    EXPECT_EQ(copy.GetAttributeContainer(), first.GetAttributeContainer());
    EXPECT_TRUE(listener.events.empty()) << "no listener hears of a copy";
    const int32_t id = first.GetId();
    EXPECT_EQ(first.NegateId(), -id);
    EXPECT_EQ(first.GetId(), -id);

    CEntity::ResetIdCounter();
    EXPECT_EQ(TestEntity().GetId(), 1);
    Commit();
}

TEST_F(EntityTest, TypeNameDropsOnlyALeadingC)
{
    EXPECT_EQ(CAttributeNamed().GetTypeName(), CString(L"AttributeNamed"));
    EXPECT_EQ(CEntity().GetTypeName(), CString(L"Entity"));
    EXPECT_EQ(TestEntity().GetTypeName(), CString(L"TestEntity"));
    EXPECT_EQ(TestEntity().GetClassName(), CString(L"TestEntity"));
}

TEST_F(EntityTest, TheParentComponentIsTheNearestComponentOrDefinition)
{
    TestComponent root;
    TestComponent definition(true);
    TestEntity group;
    TestEntity face;
    definition.SetParent(&root);
    group.SetParent(&definition);
    face.SetParent(&group);
    EXPECT_EQ(face.GetParentComponent(), &definition);
    EXPECT_EQ(definition.GetParentComponent(), &root);
    EXPECT_EQ(root.GetParentComponent(), nullptr);
}

TEST_F(EntityTest, ASiblingAncestorIsFoundOnTheChainAndNullWhenTheChainEnds)
{
    TestEntity root;
    TestEntity entity;
    TestEntity sibling;
    TestEntity inner;
    TestEntity stranger;
    entity.SetParent(&root);
    sibling.SetParent(&root);
    inner.SetParent(&sibling);
    EXPECT_EQ(entity.FindSiblingAncestor(&inner), &sibling);
    EXPECT_EQ(entity.FindSiblingAncestor(&sibling), &sibling);
    EXPECT_EQ(entity.FindSiblingAncestor(&stranger), nullptr) << "the chain ends before the common parent";
    EXPECT_EQ(entity.FindSiblingAncestor(nullptr), nullptr);
}

TEST_F(EntityTest, ChangesAreRecordedAndAnnouncedUnlessTheModelSuspendsThem)
{
    NotificationRecorder changes("EntityChanged");
    TestEntity entity;
    entity.value = 4;
    CUndoOperation* operation = Start();
    entity.SetValue(5);
    entity.SetValue(6);
    ASSERT_NE(operation->FindRecord(&entity), nullptr);
    EXPECT_EQ(static_cast<const TestEntity*>(operation->FindRecord(&entity)->GetCopy())->value, 4)
        << "the snapshot is taken before the first change";
    EXPECT_EQ(changes.CountFor(static_cast<CEntity*>(&entity)), 2);

    model.notificationsSuspended = true;
    entity.SetValue(7);
    entity.NotifyChanged();
    EXPECT_EQ(changes.CountFor(static_cast<CEntity*>(&entity)), 2);
    {
        CCurrentModelScope none(nullptr);
        entity.NotifyChanged();
    }
    EXPECT_EQ(changes.CountFor(static_cast<CEntity*>(&entity)), 3)
        << "without a current model nothing suspends";
    Commit();
}

TEST_F(EntityTest, SwappingExchangesAttributeContainersAndAnnouncesTheChange)
{
    CSuspendUndo noUndo;
    NotificationRecorder changes("EntityChanged");
    TestEntity a;
    TestEntity b;
    a.value = 1;
    a.AddAttributeDictionary(new CAttributeNamed(L"tags"));
    CAttributeContainer* container = a.GetAttributeContainer();
    changes.payloads.clear();
    a.SwapContents(b);
    EXPECT_EQ(b.GetAttributeContainer(), container);
    EXPECT_EQ(a.GetAttributeContainer(), nullptr);
    EXPECT_EQ(b.value, 1);
    EXPECT_EQ(changes.payloads, std::vector<void*>{static_cast<CEntity*>(&a)});
}

TEST_F(EntityWithoutUndoTest, AnErasedEntityTellsItsReferrersAndDeletesItself)
{
    TestEntity referrer;
    // A referrer forgets an entity that goes.
    referrer.onEvent = [](TestEntity& self, int, CEntity* erased) { erased->RemoveBackReference(&self); };
    auto* entity = new TestEntity;
    entity->AddBackReference(&referrer);
    auto* attribute = new CAttributeNamed(L"tags");
    entity->AddAttributeDictionary(attribute);
    const int destroyed = TestEntity::destroyed;
    entity->Erase();
    EXPECT_EQ(TestEntity::destroyed, destroyed + 1);
    ASSERT_EQ(referrer.events.size(), 1u);
    EXPECT_EQ(referrer.events[0].kind, CEntity::kEventErased);
    EXPECT_EQ(referrer.events[0].entity, entity);
    EXPECT_EQ(model.GetBackReferenceIndex().FindEntry(entity), nullptr);
}

// Recording with no operation open: nothing could bring the entity back, so it goes at once
// instead of living on with no owner.
TEST_F(EntityTest, AnErasedEntityGoesAtOnceWhenRecordingWithoutAnOperation)
{
    const int destroyed = TestEntity::destroyed;
    auto* entity = new TestEntity;
    entity->Erase();
    EXPECT_EQ(TestEntity::destroyed, destroyed + 1);
}

TEST_F(EntityTest, AnOperationTakesOverAnErasedEntityUntilItIsDropped)
{
    auto* entity = new TestEntity;
    const int32_t id = entity->GetId();
    Start();
    entity->Erase();
    EXPECT_EQ(entity->GetId(), -id);
    Commit();
    const int destroyed = TestEntity::destroyed;
    manager->Clear();
    EXPECT_EQ(TestEntity::destroyed, destroyed + 1);
}

TEST_F(EntityTest, DependentsAreWhatTheEntityDrivesWhatRefersToItAndItsAttributes)
{
    CSuspendUndo noUndo;
    TestComponent component;
    TestEntity entity, driven, group, inGroup, referrer, unrelated;
    for (CEntity* e : {&entity, &driven, &group, &unrelated})
        component.Add(e);
    inGroup.SetParent(&group);
    TestRelationship* drives = component.Relate(&entity, &driven);
    TestRelationship* drivesInside = component.Relate(&entity, &inGroup);
    component.Relate(&entity, &referrer);  // no parent: no sibling ancestor, not collected
    component.Relate(&unrelated, &entity);
    entity.AddBackReference(&referrer);
    auto* attribute = new CAttributeNamed(L"tags");
    entity.AddAttributeDictionary(attribute);

    CEntitySet set;
    EXPECT_TRUE(entity.CollectWithDependents(set));
    EXPECT_EQ(Members(set), Sorted({&entity, drives, &driven, drivesInside, &group, &referrer,
                                    entity.GetAttributeContainer(), attribute}));
    EXPECT_FALSE(entity.CollectWithDependents(set));
}

TEST_F(EntityTest, CyclicRelationshipsFromAFileEndTheWalk)
{
    TestComponent component;
    TestEntity a, b, c;
    for (CEntity* e : {&a, &b, &c})
        component.Add(e);
    TestRelationship* ab = component.Relate(&a, &b);
    TestRelationship* bc = component.Relate(&b, &c);
    TestRelationship* ca = component.Relate(&c, &a);
    TestRelationship* aa = component.Relate(&a, &a);
    CEntitySet set;
    EXPECT_TRUE(a.CollectWithDependents(set));
    EXPECT_EQ(Members(set), Sorted({&a, &b, &c, ab, bc, ca}));
    EXPECT_FALSE(set.Contains(aa)) << "an entity driving itself adds nothing";
}

TEST_F(EntityTest, RelationshipsAreGatheredFromEveryEnclosingComponent)
{
    TestComponent root;
    TestComponent definition(true);
    TestEntity holder;
    TestEntity entity, other;
    definition.SetParent(&root);
    entity.SetParent(&definition);
    root.Relate(&entity, &other);
    definition.Relate(&entity, &other);
    definition.Relate(&other, &entity);
    std::vector<CEntity*> relationships;
    EXPECT_EQ(entity.GetRelationshipsAsDriver(relationships), 2);
    EXPECT_EQ(entity.GetRelationshipsAsDriven(relationships), 1);
    EXPECT_EQ(relationships.size(), 3u);

    holder.SetParent(&root);
    definition.SetParent(&holder);
    relationships.clear();
    EXPECT_EQ(entity.GetRelationshipsAsDriver(relationships), 1)
        << "the climb stops at the first non-component";
}

TEST_F(EntityTest, RelationshipsOfTheParentComponentAreReplacedAndRemoved)
{
    TestComponent component;
    TestEntity entity, other, replacement;
    component.Add(&entity);
    component.Relate(&entity, &other);
    component.Relate(&other, &entity);
    entity.ReplaceInRelationships(&replacement);
    std::vector<CEntity*> found;
    EXPECT_EQ(replacement.GetRelationshipsAsDriver(found), 0) << "the replacement is in no component";
    replacement.SetParent(&component);
    EXPECT_EQ(replacement.GetRelationshipsAsDriver(found), 1);
    EXPECT_EQ(replacement.GetRelationshipsAsDriven(found), 1);
    replacement.RemoveRelationshipsOf();
    EXPECT_TRUE(component.relationships.empty());
}

TEST_F(EntityTest, BackReferencesNeedACurrentModel)
{
    TestEntity entity, referrer;
    {
        CCurrentModelScope none(nullptr);
        entity.AddBackReference(&referrer);
        entity.NotifyReferencers(5, nullptr);
    }
    EXPECT_FALSE(model.HasBackReferenceIndex());
    entity.AddBackReference(&referrer);
    int data = 0;
    entity.NotifyReferencers(5, &data);
    ASSERT_EQ(referrer.events.size(), 1u);
    EXPECT_EQ(referrer.events[0].kind, 5);
    EXPECT_EQ(referrer.events[0].data, &data);
    entity.RemoveBackReference(&referrer);
    EXPECT_FALSE(model.GetBackReferenceIndex().HasEntry(&entity, &referrer));
}

TEST_F(EntityWithoutUndoTest, TheFirstDictionaryCreatesTheContainerWithAChangeNotice)
{
    NotificationRecorder changes("EntityChanged");
    TestEntity entity;
    auto* dictionary = new CAttributeNamed(L"dynamic_attributes");
    entity.AddAttributeDictionary(dictionary);
    CAttributeContainer* container = entity.GetAttributeContainer();
    ASSERT_NE(container, nullptr);
    EXPECT_EQ(container->GetParent(), &entity);
    EXPECT_EQ(changes.CountFor(static_cast<CEntity*>(&entity)), 1);
    EXPECT_EQ(entity.FindAttribute(kEntityAttributeNamed), dictionary);
    EXPECT_EQ(entity.FindAttribute(kEntityFaceTextureCoords), nullptr);
}

TEST_F(EntityTest, AnEntityOwnsItsAttributeContainerWhicheverWayItGoes)
{
    // Deleted outside Erase: the container and its dictionary go with the entity (the leak
    // checker watches), but not with a copy that shares them.
    auto lone = std::make_unique<TestEntity>();
    lone->AddAttributeDictionary(new CAttributeNamed(L"tags"));
    delete new TestEntity(*lone);
    EXPECT_EQ(lone->GetAttributeContainer()->GetCount(), 1);
    lone.reset();

    // Erased inside an operation: the operation takes the container over with the entity and
    // frees both when it goes.
    auto* erased = new TestEntity;
    erased->AddAttributeDictionary(new CAttributeNamed(L"tags"));
    Start();
    erased->Erase();
    Commit();
    manager->Clear();

    // An undo copy that receives the container in an exchange owns it from then on.
    CSuspendUndo noUndo;
    TestEntity live;
    auto snapshot = std::make_unique<TestEntity>(live);
    live.AddAttributeDictionary(new CAttributeNamed(L"tags"));
    live.SwapContents(*snapshot);
    EXPECT_EQ(live.GetAttributeContainer(), nullptr);
    snapshot.reset();
}

TEST_F(EntityWithoutUndoTest, AttributesAreCopiedOrSharedFromAnotherEntity)
{
    TestEntity source, copies, sharer;
    auto* dictionary = new CAttributeNamed(L"info");
    dictionary->SetValue(L"key", orbisk::utils::CTypedValue(3));
    source.AddAttributeDictionary(dictionary);

    copies.CopyAttributesFrom(source, false);
    auto* copy = static_cast<CAttributeNamed*>(copies.FindAttribute(kEntityAttributeNamed));
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, dictionary);
    EXPECT_GT(copy->GetId(), dictionary->GetId());
    EXPECT_EQ(copy->GetValue(L"key").GetInt(), 3);

    sharer.CopyAttributesFrom(source, true);
    EXPECT_EQ(sharer.FindAttribute(kEntityAttributeNamed), dictionary);
    EXPECT_EQ(dictionary->GetRefCount(), 2);
    sharer.CopyAttributesFrom(sharer, true);
    EXPECT_EQ(sharer.GetAttributeContainer()->GetCount(), 2) << "copying from itself doubles once";

    TestEntity bare;
    bare.CopyAttributesFrom(TestEntity(), false);
    EXPECT_EQ(bare.GetAttributeContainer(), nullptr);
}

TEST_F(EntityWithoutUndoTest, TheEntityRecordFollowsTheSchemaInTheFile)
{
    // A TestEntity record: class tag, the CEntity part by schema, then its 32-bit value.
    const Bytes tag = LittleEndian(uint16_t{0xFFFF}, uint16_t{1}, uint16_t{10}) + Ascii("TestEntity");
    struct Case {
        int32_t schema;
        Bytes entityPart;
        bool hasContainer;
    };
    const Case cases[] = {
        {0, {}, false},
        {1, LittleEndian(int32_t{77}), false},
        {2, {}, false},
        {3, LittleEndian(uint16_t{0}), false},
        {3,
         LittleEndian(uint16_t{0xFFFF}, uint16_t{0}, uint16_t{19}) + Ascii("CAttributeContainer") +
             LittleEndian(uint16_t{0}, uint16_t{0}),
         true},
    };
    for (const Case& c : cases) {
        auto map = std::make_unique<CVersionMap>();
        map->Set("CEntity", c.schema);
        SetCurrentVersionMap(map.release());
        const Bytes bytes = tag + c.entityPart + LittleEndian(int32_t{42});
        std::unique_ptr<TestEntity> entity;
        EXPECT_EQ(
            BytesLeftAfter(
                bytes, [&](CArchive& ar) { entity.reset(static_cast<TestEntity*>(ar.ReadObject(nullptr))); }),
            0u)
            << c.schema;
        ASSERT_TRUE(entity);
        EXPECT_EQ(entity->value, 42);
        EXPECT_EQ(entity->GetAttributeContainer() != nullptr, c.hasContainer) << c.schema;
        if (CAttributeContainer* container = entity->GetAttributeContainer()) {
            EXPECT_EQ(container->GetParent(), entity.get());
        }
    }
}

TEST_F(EntityWithoutUndoTest, TheContainerIsWrittenOnlyFromFormat4000On)
{
    TestEntity entity;
    entity.value = 9;
    entity.AddAttributeDictionary(new CAttributeNamed(L"n"));
    const Bytes withContainer = WrittenBy([&](CArchive& ar) { entity.Serialize(ar); });
    EXPECT_EQ(Bytes(withContainer.begin(), withContainer.begin() + 6),
              LittleEndian(uint16_t{0xFFFF}, uint16_t{0}, uint16_t{19}));
    SetSaveFormat(3000);
    EXPECT_EQ(WrittenBy([&](CArchive& ar) { entity.Serialize(ar); }), LittleEndian(int32_t{9}));
}

TEST_F(EntityWithoutUndoTest, AContainerReferencedTwiceInAFileIsRefused)
{
    // A container whose attribute names that same container (object 2) as its own.
    const Bytes bytes = LittleEndian(uint16_t{0xFFFF}, uint16_t{0}, uint16_t{19}) +
                        Ascii("CAttributeContainer") + LittleEndian(uint16_t{0}) +  // no container
                        LittleEndian(uint16_t{0xFFFF}, uint16_t{0}, uint16_t{10}) + Ascii("CAttribute") +
                        LittleEndian(uint16_t{2}, uint32_t{0}, uint16_t{0});
    EXPECT_EQ(ArchiveCause([&] { ReadFrom(bytes, [](CArchive& ar) { ar.ReadObject(nullptr); }); }),
              CArchiveException::genericException);
}
