// Relationships and the relationship map of a component: adding, finding, replacing and removing
// relationships, their records, and their checks.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "database/Relationship.h"
#include "database/RelationshipMap.h"
#include "tests/model/DatabaseTestSupport.h"
#include "tests/model/doubles/EntityDoubles.h"

namespace {

// A drawing element that counts how often its display was invalidated.
class CountingElement : public CDrawingElement {
public:
    void ReleaseGLResources() override { ++invalidated; }
    int invalidated = 0;
};

class RelationshipMapTest : public DatabaseTest {
protected:
    ~RelationshipMapTest() override
    {
        for (int i = map.GetCount() - 1; i >= 0; --i)
            delete map.GetAt(i);
    }

    // Reads a map record of the given relationships, each (driving object number, driven object
    // number) into the entities mapped before it as numbers 1 and 2.
    Bytes MapRecord(const std::vector<std::pair<uint16_t, uint16_t>>& pairs)
    {
        Bytes bytes = LittleEndian(static_cast<int32_t>(pairs.size()));
        for (size_t i = 0; i < pairs.size(); ++i) {
            bytes = bytes + (i == 0 ? NewObject("CRelationship") : LittleEndian(uint16_t{0x8000 | 3}));
            bytes = bytes + LittleEndian(pairs[i].first, pairs[i].second);
        }
        return bytes;
    }

    void ReadMap(const Bytes& bytes)
    {
        UseSchemas({{"CRelationship", 0}});
        ReadFrom(bytes, [&](CArchive& ar) {
            ar.MapObject(&a);
            ar.MapObject(&b);
            map.Serialize(ar);
        });
    }

    CRelationshipMap map;
    TestEntity a, b;
};

std::vector<CEntity*> Items(const CRelationshipMap& map)
{
    std::vector<CEntity*> items;
    for (int i = 0; i < map.GetCount(); ++i)
        items.push_back(map.GetAt(i));
    return items;
}

TEST_F(RelationshipMapTest, ThePairIsAddedOnce)
{
    auto* first = new CRelationship(&a, &b);
    CRelationship second(&a, &b);
    EXPECT_TRUE(map.AddRelationship(first));
    EXPECT_FALSE(map.AddRelationship(&second));
    EXPECT_EQ(Items(map), std::vector<CEntity*>{first});
    EXPECT_EQ(first->GetParent(), &map);
    EXPECT_TRUE(map.Contains(first));
    EXPECT_FALSE(map.Contains(&second));
}

TEST_F(RelationshipMapTest, AnAdditionIsRecordedInTheOpenOperation)
{
    auto* relationship = new CRelationship(&a, &b);
    Start();
    map.AddRelationship(relationship);
    Commit();
    EXPECT_EQ(listener.Names(), (std::vector<std::string>{"start", "added", "end"}));
}

TEST_F(RelationshipMapTest, RelationshipsAreFoundByRoleInListOrder)
{
    auto* ab = new CRelationship(&a, &b);
    auto* ba = new CRelationship(&b, &a);
    auto* ab2 = new CRelationship(&a, &b);
    for (CEntity* relationship : {ab, ba, ab2})
        map.Add(relationship);
    std::vector<CEntity*> found;
    EXPECT_EQ(map.GetRelationshipsAsDriver(&a, found), 2);
    EXPECT_EQ(map.GetRelationshipsAsDriven(&a, found), 1);
    EXPECT_EQ(found, (std::vector<CEntity*>{ab, ab2, ba}));

    std::unique_ptr<IEntityIterator> iterator(map.CreateIterator());
    std::vector<CEntity*> walked;
    for (CEntity* entity = nullptr; iterator->Next(entity);)
        walked.push_back(entity);
    EXPECT_EQ(walked, Items(map));
}

TEST_F(RelationshipMapTest, AddingOrRemovingARelationshipInvalidatesADrivingElement)
{
    CountingElement element;
    auto* relationship = new CRelationship(&element, &b);
    map.Add(relationship);
    EXPECT_EQ(element.invalidated, 1);
    EXPECT_TRUE(map.Remove(relationship));
    EXPECT_EQ(element.invalidated, 1) << "outside an operation the removal does not invalidate";
    map.Add(relationship);
    Start();
    EXPECT_TRUE(map.Remove(relationship));
    Commit();
    EXPECT_EQ(element.invalidated, 3);
    EXPECT_EQ(relationship->GetParent(), nullptr);
    EXPECT_FALSE(map.Remove(relationship));
    delete relationship;
}

TEST_F(RelationshipMapTest, RemovingTheRelationshipsOfAnEntityRecordsAndErasesEachOnce)
{
    auto* ab = new CRelationship(&a, &b);
    auto* aa = new CRelationship(&a, &a);
    auto* bb = new CRelationship(&b, &b);
    for (CEntity* relationship : {ab, aa, bb})
        map.Add(relationship);
    Start();
    listener.events.clear();
    map.RemoveRelationshipsOf(&a);
    EXPECT_EQ(Items(map), std::vector<CEntity*>{bb});
    EXPECT_EQ(listener.Names(), (std::vector<std::string>{"removed", "erased", "removed", "erased"}))
        << "a relationship of the entity with itself goes once";
    Commit();
}

TEST_F(RelationshipMapTest, ReplacingAnEntityAnnouncesEveryChangedRelationship)
{
    TestEntity c;
    auto* ab = new CRelationship(&a, &b);
    auto* ba = new CRelationship(&b, &a);
    map.Add(ab);
    map.Add(ba);
    NotificationRecorder changes("EntityChanged");
    map.ReplaceEntity(&a, &c);
    EXPECT_EQ(ab->GetDriving(), &c);
    EXPECT_EQ(ba->GetDriven(), &c);
    EXPECT_EQ(changes.payloads.size(), 2u);
}

TEST_F(RelationshipMapTest, ErasingWithForgetEmptiesTheMap)
{
    CSuspendUndo noUndo;
    map.Add(new CRelationship(&a, &b));
    map.EraseRelationships(true);
    EXPECT_TRUE(map.IsEmpty());
}

TEST_F(RelationshipMapTest, TheRecordDropsARelationshipOfAnEntityWithItself)
{
    ReadMap(MapRecord({{1, 2}, {1, 1}, {2, 1}}));
    ASSERT_EQ(map.GetCount(), 2);
    auto* first = static_cast<CRelationship*>(map.GetAt(0));
    auto* second = static_cast<CRelationship*>(map.GetAt(1));
    EXPECT_EQ(first->GetDriving(), &a);
    EXPECT_EQ(first->GetDriven(), &b);
    EXPECT_EQ(second->GetDriving(), &b);
    EXPECT_EQ(first->GetParent(), nullptr) << "relationships read keep no parent";
}

TEST_F(RelationshipMapTest, TheRecordRoundTrips)
{
    map.Add(new CRelationship(&a, &b));
    const Bytes bytes = WrittenBy([&](CArchive& ar) {
        ar.MapObject(&a);
        ar.MapObject(&b);
        map.Serialize(ar);
    });
    CRelationshipMap copy;
    ReadFrom(bytes, [&](CArchive& ar) {
        ar.MapObject(&a);
        ar.MapObject(&b);
        copy.Serialize(ar);
    });
    ASSERT_EQ(copy.GetCount(), 1);
    EXPECT_EQ(static_cast<CRelationship*>(copy.GetAt(0))->GetDriven(), &b);
    delete copy.GetAt(0);
}

TEST_F(RelationshipMapTest, ABadCountIsRefusedBeforeAnythingIsAllocated)
{
    struct Case {
        const char* what;
        Bytes bytes;
        int cause;
    };
    const Case cases[] = {
        {"negative", LittleEndian(int32_t{-1}), CArchiveException::genericException},
        {"beyond the data", LittleEndian(int32_t{0x7FFFFFFF}, uint16_t{0}), CArchiveException::endOfFile},
        {"cut record", LittleEndian(int32_t{1}) + NewObject("CRelationship") + LittleEndian(uint16_t{1}),
         CArchiveException::endOfFile},
    };
    for (const Case& c : cases) {
        const Bytes& bytes = c.bytes;
        EXPECT_EQ(ArchiveCause([&] { ReadMap(bytes); }), c.cause) << c.what;
    }
}

TEST_F(RelationshipMapTest, TheChecksReportBrokenEnds)
{
    CValidityCheckScope checks;
    CRelationship loose(&a, nullptr);
    EXPECT_EQ(loose.CheckValidity(kValidityCheck, nullptr), 3);
    EXPECT_EQ(GetValidityReport(), L"The driven pointer for " + DescribeEntity(&loose) + L" is not valid\n");

    ClearValidityReport();
    auto* good = new CRelationship(&a, &b);
    map.Add(good);
    CCheckedObjectMap checked;
    EXPECT_EQ(map.CheckValidity(kValidityCheck, &checked), 0);
    map.Add(new CRelationship(nullptr, &b));
    CCheckedObjectMap again;
    EXPECT_EQ(map.CheckValidity(kValidityCheck, &again), 3);
    EXPECT_EQ(GetValidityReport(),
              L"The driving pointer for " + DescribeEntity(map.GetAt(1)) + L" is not valid\n");
}

TEST_F(RelationshipMapTest, AnUndoSnapshotSwapsBackBothEnds)
{
    CRelationship relationship(&a, &b);
    std::unique_ptr<CEntity> copy(relationship.CreateCopy());
    relationship.SetDriving(&b);
    relationship.SwapContents(*copy);
    EXPECT_EQ(relationship.GetDriving(), &a);
    EXPECT_EQ(static_cast<CRelationship&>(*copy).GetDriving(), &b);
}

}  // namespace
