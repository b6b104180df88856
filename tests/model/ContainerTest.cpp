// Entity sets and their iterators, the selection and its listeners, and the back-reference
// index.

#include <gtest/gtest.h>

#include <memory>

#include "database/BackReferenceIndex.h"
#include "database/EntityDisposal.h"
#include "database/EntitySet.h"
#include "database/Layer.h"
#include "database/SelectionSet.h"
#include "tests/model/ModelTestSupport.h"
#include "tests/model/doubles/EntityDoubles.h"

using Report = SelectionRecorder::Report;

namespace {

std::vector<CEntity*> Walk(IEntityIterator& iterator)
{
    std::vector<CEntity*> entities;
    for (CEntity* entity = nullptr; iterator.Next(entity);)
        entities.push_back(entity);
    return entities;
}

std::vector<CEntity*> Sorted(std::vector<CEntity*> entities)
{
    std::sort(entities.begin(), entities.end());
    return entities;
}

std::vector<CEntity*> operator+(std::vector<CEntity*> a, const std::vector<CEntity*>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class SelectionTest : public ModelTest {
protected:
    SelectionTest()
    {
        selection.ResumeNotifications(false);
        selection.AddListener(&recorder);
        for (TestDrawingElement* element : {&a, &b, &c})
            element->flags |= TestDrawingElement::kSelected;
        for (CEntity* entity : {static_cast<CEntity*>(&a), static_cast<CEntity*>(&b),
                                static_cast<CEntity*>(&c), static_cast<CEntity*>(&plain)})
            selection.Insert(entity);
    }
    bool IsMarked(const TestDrawingElement& element) const
    {
        return element.flags & TestDrawingElement::kSelected;
    }

    TestDrawingElement a, b, c;
    TestEntity plain;
    CSelectionSet selection;
    SelectionRecorder recorder;
    NotificationRecorder changes{"EntityChanged"};
};

}  // namespace

TEST(EntitySet, KeepsEachEntityOnceInAddressOrder)
{
    TestEntity e1, e2, e3;
    CEntitySet set;
    EXPECT_TRUE(set.Insert(&e2));
    EXPECT_FALSE(set.Insert(&e2));
    set.InsertVector({&e3, &e1, &e3});
    std::vector<CEntity*> members{&e1};
    EXPECT_EQ(set.ToVector(members), 3);
    EXPECT_EQ(members, (std::vector<CEntity*>{&e1} + Sorted({&e1, &e2, &e3})));
    EXPECT_TRUE(set.Erase(&e1));
    EXPECT_FALSE(set.Erase(&e1));
    EXPECT_FALSE(set.Contains(&e1));

    const CEntitySet copy(set);
    CEntitySet other;
    other.Insert(&e1);
    other.InsertAll(copy);
    EXPECT_EQ(other.GetCount(), 3);
    other.EraseAll(copy);
    EXPECT_EQ(other.GetCount(), 1);
    other.EraseVector({&e1});
    EXPECT_TRUE(other.IsEmpty());
    std::vector<CEntity*> none;
    EXPECT_EQ(other.ToVector(none), 0);
    EXPECT_TRUE(none.empty());
    other.Assign(copy);
    EXPECT_EQ(other.GetMembers(), copy.GetMembers());
    other.EraseAll(other);
    EXPECT_TRUE(other.IsEmpty());
}

TEST(EntitySet, ItsIteratorEndsWithNullAndStartsAgainAfterAReset)
{
    TestEntity e1, e2;
    CEntitySet set;
    set.InsertVector({&e1, &e2});
    std::unique_ptr<IEntityIterator> iterator(set.CreateIterator());
    EXPECT_EQ(Walk(*iterator), Sorted({&e1, &e2}));
    CEntity* entity = &e1;
    EXPECT_FALSE(iterator->Next(entity));
    EXPECT_EQ(entity, nullptr);
    iterator->Reset();
    EXPECT_EQ(Walk(*iterator).size(), 2u);
}

TEST_F(SelectionTest, RemovingAMemberAnnouncesAndReportsIt)
{
    EXPECT_TRUE(selection.Remove(&a, true));
    EXPECT_FALSE(IsMarked(a));
    EXPECT_EQ(changes.CountFor(static_cast<CEntity*>(&a)), 1);
    EXPECT_EQ(recorder.reports, (std::vector<Report>{{ISSListener::kRemoved, &a}}));

    EXPECT_TRUE(selection.Remove(&b, false));
    EXPECT_TRUE(IsMarked(b)) << "the mark stays when not asked to clear it";
}

TEST_F(SelectionTest, RemovingANonMemberOnlyClearsItsMark)
{
    TestDrawingElement outsider;
    outsider.flags |= TestDrawingElement::kSelected;
    EXPECT_FALSE(selection.Remove(&outsider, true));
    EXPECT_FALSE(IsMarked(outsider));
    EXPECT_TRUE(changes.payloads.empty());
    EXPECT_TRUE(recorder.reports.empty());
}

TEST_F(SelectionTest, ClearingAnnouncesEveryMemberAndReportsOnce)
{
    selection.Clear(true);
    EXPECT_TRUE(selection.IsEmpty());
    for (TestDrawingElement* element : {&a, &b, &c})
        EXPECT_FALSE(IsMarked(*element));
    EXPECT_EQ(changes.payloads.size(), 4u);
    EXPECT_EQ(recorder.reports, (std::vector<Report>{{ISSListener::kCleared, nullptr}}));
    selection.Clear(true);
    EXPECT_EQ(recorder.reports.size(), 1u) << "an empty selection reports nothing";
}

TEST_F(SelectionTest, MarkingSetsTheBitsOfDrawingElementsAndAnnouncesEveryMember)
{
    selection.MarkSelected(false);
    EXPECT_FALSE(IsMarked(a) || IsMarked(b) || IsMarked(c));
    selection.MarkSelected(true);
    EXPECT_TRUE(IsMarked(a) && IsMarked(b) && IsMarked(c));
    EXPECT_EQ(changes.CountFor(static_cast<CEntity*>(&plain)), 2);
    EXPECT_TRUE(recorder.reports.empty());
}

TEST_F(SelectionTest, ChangesWhileSuspendedOrInABatchAreReportedOnce)
{
    selection.SuspendNotifications();
    selection.Remove(&a, true);
    selection.Remove(&b, true);
    EXPECT_TRUE(recorder.reports.empty());
    selection.ResumeNotifications(true);
    EXPECT_EQ(recorder.reports, (std::vector<Report>{{ISSListener::kBatchEnded, nullptr}}));

    selection.SuspendNotifications();
    selection.Remove(&c, true);
    selection.ResumeNotifications(false);
    selection.BeginBatch();
    selection.EndBatch();
    EXPECT_EQ(recorder.reports.size(), 1u) << "a pending change dropped without a report";

    selection.BeginBatch();
    selection.Remove(&plain, true);
    selection.Insert(&a);
    selection.Remove(&a, true);
    EXPECT_EQ(recorder.reports.size(), 1u);
    selection.EndBatch();
    EXPECT_EQ(recorder.reports.back(), (Report{ISSListener::kBatchEnded, nullptr}));
    EXPECT_EQ(recorder.reports.size(), 2u);
}

TEST_F(SelectionTest, HidingALayerRemovesItsElementsWithOneReport)
{
    const std::unique_ptr<CLayer, void (*)(CEntity*)> hidden(new CLayer, &DeleteUnrecorded);
    const std::unique_ptr<CLayer, void (*)(CEntity*)> shown(new CLayer, &DeleteUnrecorded);
    a.layer = hidden.get();
    b.layer = hidden.get();
    c.layer = shown.get();
    selection.RemoveOnLayer(hidden.get());
    EXPECT_EQ(selection.GetMembers(), (CEntitySet::Members{&c, &plain}));
    EXPECT_FALSE(IsMarked(a) || IsMarked(b));
    EXPECT_TRUE(IsMarked(c));
    EXPECT_EQ(changes.payloads.size(), 2u);
    EXPECT_EQ(recorder.reports, (std::vector<Report>{{ISSListener::kBatchEnded, nullptr}}));
    EXPECT_TRUE(selection.AreNotificationsOn());
}

TEST_F(SelectionTest, ListenersAreCalledOnceEachAndOnlyWhileRegistered)
{
    SelectionRecorder second;
    selection.AddListener(&recorder);
    selection.AddListener(&second);
    selection.Remove(&a, true);
    EXPECT_EQ(recorder.reports.size(), 1u);
    EXPECT_EQ(second.reports.size(), 1u);
    selection.RemoveListener(&recorder);
    selection.Remove(&b, true);
    EXPECT_EQ(recorder.reports.size(), 1u);
    EXPECT_EQ(second.reports.size(), 2u);
}

TEST(SelectionSet, StartsWithNotificationsOff)
{
    CSelectionSet selection;
    EXPECT_FALSE(selection.AreNotificationsOn());
}

TEST(BackReferenceIndex, KeepsReferrersInOrderAndForgetsEmptyEntries)
{
    CBackReferenceIndex index;
    TestEntity referred, first, second;
    index.AddReference(&referred, &first);
    index.AddReference(&referred, &second);
    index.AddReference(&referred, &first);
    index.AddReference(nullptr, &first);
    index.AddReference(&referred, nullptr);
    std::unique_ptr<IEntityIterator> iterator(index.CreateIterator(&referred));
    ASSERT_TRUE(iterator);
    EXPECT_EQ(Walk(*iterator), (std::vector<CEntity*>{&first, &second, &first}));
    EXPECT_TRUE(index.HasEntry(&referred, &second));
    EXPECT_FALSE(index.HasEntry(&referred, nullptr));

    index.NotifyReferrers(&referred, 3, nullptr);
    EXPECT_EQ(first.events.size(), 2u) << "a referrer added twice is told twice";
    EXPECT_EQ(second.events.size(), 1u);

    index.RemoveReference(&referred, &first);
    index.RemoveReference(&referred, &second);
    EXPECT_TRUE(index.HasEntry(&referred, &first));
    index.RemoveReference(&referred, &first);
    EXPECT_FALSE(index.HasEntry(&referred, &first));
    EXPECT_EQ(index.CreateIterator(&referred), nullptr);
}

TEST(BackReferenceIndex, AReferrerThatLeavesWhileToldIsNotCalledAgainAndLeavesNoGap)
{
    static CBackReferenceIndex* index = nullptr;
    CBackReferenceIndex local;
    index = &local;
    TestEntity referred, leaving, staying;
    leaving.onEvent = [](TestEntity& self, int, CEntity* entity) { index->RemoveReference(entity, &self); };
    staying.onEvent = [](TestEntity&, int, CEntity* entity) {
        index->AddReference(entity, entity);         // dropped: the entry is busy
        index->NotifyReferrers(entity, 9, nullptr);  // dropped: the same entity is being told
    };
    local.AddReference(&referred, &leaving);
    local.AddReference(&referred, &staying);
    local.AddReference(&referred, &leaving);
    local.NotifyReferrers(&referred, 2, nullptr);
    EXPECT_EQ(leaving.events.size(), 2u) << "the second slot is removed only by the second call";
    EXPECT_EQ(staying.events.size(), 1u);
    ASSERT_NE(local.FindEntry(&referred), nullptr);
    EXPECT_EQ(local.FindEntry(&referred)->referrers, std::vector<CEntity*>{&staying});
}

TEST(BackReferenceIndex, AnEntryWhoseReferrersAllLeftGoesAfterTheTelling)
{
    static CBackReferenceIndex* index = nullptr;
    CBackReferenceIndex local;
    index = &local;
    TestEntity referred, leaving;
    leaving.onEvent = [](TestEntity& self, int, CEntity* entity) { index->RemoveReference(entity, &self); };
    local.AddReference(&referred, &leaving);
    local.NotifyReferrers(&referred, 2, nullptr);
    EXPECT_EQ(local.FindEntry(&referred), nullptr);
    local.NotifyReferrers(&referred, 2, nullptr);
    EXPECT_EQ(leaving.events.size(), 1u);
}
