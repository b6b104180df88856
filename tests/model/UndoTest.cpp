// Change recording: operations, the undo manager, its listeners and its debug log.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <string>

#include "database/UndoManager.h"
#include "support/NotificationCenter.h"
#include "support/StringUtils.h"
#include "tests/model/ModelTestSupport.h"
#include "tests/model/doubles/EntityDoubles.h"
#include "tests/model/doubles/ModelDouble.h"
#include "tests/support/TempFolder.h"

using Event = ListenerRecorder::Event;

namespace {

// Keeps the result kind of each "Undo Notification".
struct UndoNotifications : orbisk::utils::IObserver {
    UndoNotifications()
    {
        orbisk::utils::CNotificationCenter::GetInstance().AddObserver("Undo Notification", this);
    }
    ~UndoNotifications() override
    {
        orbisk::utils::CNotificationCenter::GetInstance().RemoveObserverFromAll(this);
    }
    void OnNotification(const char*, void* payload) override { kinds.push_back(*static_cast<int*>(payload)); }
    std::vector<int> kinds;
};

std::string LogText(const CUndoManager& manager)
{
    return ReadFileText(orbisk::utils::ToUtf8(manager.GetLog().GetPath()));
}

}  // namespace

TEST_F(ModelTest, ACommittedOperationTellsTheListenersWhatHappened)
{
    UndoNotifications undo;
    TestEntity existing;
    CUndoOperation* operation = Start(95, L"Text");
    ASSERT_NE(operation, nullptr);
    auto* created = new TestEntity;
    existing.SetValue(3);
    existing.SetValue(4);
    EXPECT_EQ(listener.Names(), (std::vector<std::string>{"start", "created"}))
        << "changes wait for the commit";
    const int32_t serial = operation->GetSerial();
    EXPECT_EQ(Commit(3), serial);
    EXPECT_EQ(listener.events, (std::vector<Event>{{"start", nullptr, nullptr, 0, 95},
                                                   {"created", created},
                                                   {"changed", &existing},
                                                   {"end", nullptr, nullptr, 0, 95, 3}}));
    EXPECT_EQ(undo.kinds, std::vector<int>{0});
    EXPECT_EQ(manager->GetLastOperation(), operation);
    EXPECT_EQ(manager->GetLastCommitFlags(), 3u);
    EXPECT_EQ(manager->GetCurrentOperation(), nullptr);
    CSuspendUndo noUndo;
    created->Erase();
}

TEST_F(ModelTest, TheFirstCommitClosesNestedStartsAndASecondFindsNothing)
{
    UndoNotifications undo;
    TestEntity entity;
    CUndoOperation* outer = Start();
    EXPECT_EQ(Start(), outer) << "a nested start joins the open operation";
    EXPECT_EQ(manager->GetNestingDepth(), 2);
    entity.SetValue(1);
    EXPECT_EQ(Commit(), outer->GetSerial());
    EXPECT_EQ(manager->GetNestingDepth(), 0);
    EXPECT_FALSE(manager->IsHistoryChanged());
    EXPECT_EQ(Commit(), 0);
    EXPECT_TRUE(manager->IsHistoryChanged());
    EXPECT_EQ(undo.kinds, (std::vector<int>{0, 0}));
    EXPECT_NE(LogText(*manager).find("Commit(0)\n"), std::string::npos);
    EXPECT_EQ(listener.Names(), (std::vector<std::string>{"start", "start", "changed", "end"}));
}

TEST_F(ModelTest, AnEmptyOperationIsDiscardedUnlessKept)
{
    struct Case {
        uint32_t flags;
        int undoCount;
        std::vector<std::string> events;
    };
    const Case cases[] = {
        {3, 0, {"start", "end"}},
        {CUndoManager::kNoOperationEnd, 0, {"start"}},
        {CUndoManager::kKeepEmpty, 1, {"start", "end"}},
    };
    for (const Case& c : cases) {
        UndoNotifications undo;
        manager->Clear();
        listener.events.clear();
        const int32_t serial = Start()->GetSerial();
        EXPECT_EQ(Commit(c.flags), c.undoCount ? serial : 0);
        EXPECT_EQ(manager->GetUndoCount(), c.undoCount);
        EXPECT_EQ(listener.Names(), c.events);
        if (c.events.size() == 2) {
            EXPECT_EQ(listener.events[1].first,
                      c.undoCount ? CDBListener::kCommitted : CDBListener::kDiscarded);
        }
        EXPECT_EQ(undo.kinds, std::vector<int>{c.undoCount ? 0 : 4});
    }
}

TEST_F(ModelTest, FlagsCanSilenceTheChangeBroadcast)
{
    TestEntity entity;
    Start();
    entity.SetValue(1);
    Commit(CUndoManager::kNoChangeBroadcast);
    EXPECT_EQ(listener.Names(), (std::vector<std::string>{"start", "end"}));
    EXPECT_EQ(listener.events[1].flags, CUndoManager::kNoChangeBroadcast);
}

TEST_F(ModelTest, NothingIsRecordedWhileRecordingIsOffOrTheDepthLimitIsZero)
{
    {
        CSuspendUndo noUndo;
        EXPECT_EQ(Start(), nullptr);
        EXPECT_FALSE(WasCreatedAndErased(this));
    }
    CUndoManager disabled(nullptr, 0);
    disabled.AddListener(&listener);
    EXPECT_EQ(disabled.StartOperation(0, L"Test", false, false), nullptr);
    EXPECT_TRUE(listener.events.empty());
}

TEST_F(ModelTest, SuspendingRecordingNestsAndNeverTurnsItOffAtTheEnd)
{
    {
        CSuspendUndo outer;
        {
            CSuspendUndo inner;
        }
        EXPECT_FALSE(IsUndoRecording()) << "the inner scope found recording off";
        CSuspendUndo keep(false);
    }
    EXPECT_TRUE(IsUndoRecording());
}

TEST_F(ModelTest, AnEntityCreatedAndErasedInOneOperationLeavesOnlyItsAddress)
{
    TestComponent component;
    CUndoOperation* operation = Start();
    auto* entity = new TestEntity;
    entity->SetValue(2);
    component.Add(entity);
    operation->AddElement(entity, &component);
    component.Remove(entity);
    operation->RemoveElement(entity, &component);
    operation->AddElement(entity, &component);
    const int destroyed = TestEntity::destroyed;
    entity->Erase();
    EXPECT_EQ(TestEntity::destroyed, destroyed + 2) << "the entity and the snapshot of its change";
    EXPECT_TRUE(WasCreatedAndErased(entity));
    EXPECT_EQ(operation->FindRecord(entity), nullptr);
    EXPECT_TRUE(operation->GetCreatedEntities().empty());
    EXPECT_TRUE(operation->GetAddedPairs().empty());
    EXPECT_TRUE(operation->IsEmpty());
    Commit();
    EXPECT_EQ(manager->GetUndoCount(), 0);
    EXPECT_FALSE(WasCreatedAndErased(entity)) << "no operation is open";
}

TEST_F(ModelTest, AnAdditionAndARemovalOfTheSamePairCancelOut)
{
    TestComponent component;
    TestEntity entity;
    CUndoOperation* operation = Start();
    operation->AddElement(&entity, &component);
    operation->RemoveElement(&entity, &component);
    EXPECT_TRUE(operation->GetAddedPairs().empty());
    EXPECT_TRUE(operation->GetRemovedPairs().empty());
    operation->RemoveElement(&entity, &component);
    EXPECT_EQ(operation->GetRemovedPairs(),
              (std::vector<CUndoOperation::ElementPair>{{&entity, &component}}));
    EXPECT_EQ(listener.Names(), (std::vector<std::string>{"start", "added", "removed", "removed"}));
    Commit();
}

TEST_F(ModelTest, AContainerErasedWhereItWasCreatedReleasesItsMembers)
{
    TestEntity member;
    CUndoOperation* operation = Start();
    auto* component = new TestComponent;
    component->Add(&member);
    operation->AddElement(&member, component);
    operation->AddElement(component, component);
    component->Erase();
    EXPECT_EQ(member.GetParent(), nullptr);
    EXPECT_TRUE(operation->GetAddedPairs().empty());
    Commit();
}

TEST_F(ModelTest, ChangedComponentsAreThoseOfChangedAndMovedEntities)
{
    TestComponent first, second, third;
    TestEntity inFirst;
    first.Add(&inFirst);
    CUndoOperation* operation = Start();
    inFirst.SetValue(1);
    TestEntity moved;
    operation->AddElement(&moved, &second);
    auto* created = new TestComponent;
    TestEntity inCreated;
    created->Add(&inCreated);
    inCreated.SetValue(2);
    CEntitySet components;
    operation->CollectChangedComponents(components);
    EXPECT_EQ(components.GetCount(), 2);
    EXPECT_TRUE(components.Contains(&first));
    EXPECT_TRUE(components.Contains(&second));
    EXPECT_FALSE(components.Contains(created)) << "a component created in the operation";
    inCreated.SetParent(nullptr);
    created->Erase();
    Commit();
}

TEST_F(ModelTest, TheOldestOperationBeyondTheDepthLimitIsDropped)
{
    auto* erasedFirst = new TestEntity;
    TestEntity entity;
    Start();
    erasedFirst->Erase();
    const int32_t firstSerial = Commit();
    for (int i = 1; i < kUndoDepthLimit; ++i) {
        Start();
        entity.SetValue(i);
        Commit();
    }
    EXPECT_EQ(manager->GetUndoCount(), kUndoDepthLimit);
    EXPECT_FALSE(manager->IsHistoryChanged());
    const int destroyed = TestEntity::destroyed;
    Start();
    entity.SetValue(-1);
    Commit();
    EXPECT_EQ(manager->GetUndoCount(), kUndoDepthLimit);
    EXPECT_EQ(TestEntity::destroyed, destroyed + 1) << "the dropped operation deletes what it held";
    EXPECT_TRUE(manager->IsHistoryChanged());
    EXPECT_EQ(manager->GetFirstPositionCounter(), -1);
    EXPECT_EQ(manager->GetSecondPositionCounter(), -1);
    EXPECT_NE(LogText(*manager).find("~UndoOp(" + std::to_string(firstSerial) + ")\n"), std::string::npos);
}

TEST_F(ModelTest, JoiningMarksThePreviousOperationUntilTheNewOneIsDiscarded)
{
    TestEntity entity;
    Start();
    entity.SetValue(1);
    Commit();
    CUndoOperation* previous = manager->GetLastOperation();
    manager->StartOperation(0, L"Joined", false, true);
    EXPECT_TRUE(previous->GetJoinFlag());
    Commit();
    EXPECT_FALSE(previous->GetJoinFlag()) << "the empty operation was discarded";
    CUndoOperation* joined = manager->StartOperation(0, L"Joined", true, true);
    EXPECT_TRUE(joined->GetJoinFlag());
    entity.SetValue(2);
    Commit();
    EXPECT_TRUE(previous->GetJoinFlag());
}

TEST_F(ModelTest, ClearingEndsTheHistory)
{
    auto* erased = new TestEntity;
    Start();
    erased->Erase();
    Commit();
    Commit();
    const int destroyed = TestEntity::destroyed;
    manager->Clear();
    EXPECT_EQ(TestEntity::destroyed, destroyed + 1);
    EXPECT_EQ(manager->GetUndoCount(), 0);
    EXPECT_FALSE(manager->IsHistoryChanged());
    EXPECT_TRUE(IsUndoRecording());
    EXPECT_NE(LogText(*manager).find("File New\n"), std::string::npos);
}

TEST_F(ModelTest, TheCheckAfterAnOperationShowsTheReportOfAnInvalidModel)
{
    // Counts the model-level checks and answers the result the test chooses.
    BareModelContext model;
    model.validityResult = 2;
    CUndoManager checked(&model, kUndoDepthLimit);
    SetCurrentUndoManager(&checked);
    RecordingValidityUI ui;
    TestEntity entity;
    SetCheckAfterOperation(true);
    struct Case {
        bool skipCheck;
        int checks;
    };
    for (const Case c : {Case{true, 0}, Case{false, 1}}) {
        checked.StartOperation(0, L"Test", false, false);
        entity.SetValue(entity.value + 1);
        checked.CommitOperation(3, 0, c.skipCheck);
        EXPECT_EQ(model.validityChecks, c.checks);
    }
    SetCheckAfterOperation(false);
    EXPECT_TRUE(model.checksWereOn);
    EXPECT_FALSE(AreValidityChecksEnabled());
    EXPECT_EQ(ui.shown, 1);
    const std::wstring text(ui.text.GetString());
    EXPECT_EQ(text.rfind(L"The operation has resulted in some invalid geometry.\n", 0), 0u);
    EXPECT_NE(text.find(L"/support/bin/request.py\nwith the model"), std::wstring::npos);
    EXPECT_NE(text.find(L"Most likely, your model is just fine.\nNo problems found.\n"), std::wstring::npos);
    SetCurrentUndoManager(manager);
}

TEST_F(ModelTest, ADestroyedManagerIsNoLongerCurrent)
{
    auto other = std::make_unique<CUndoManager>(nullptr, kUndoDepthLimit);
    SetCurrentUndoManager(other.get());
    other.reset();
    EXPECT_EQ(GetCurrentUndoManager(), nullptr);
}

TEST(UndoLog, TracesOperationsInTheTemporaryFolder)
{
    TempFolder folder;
    ScopedEnvironment tmpdir("TMPDIR", folder.Path().c_str());
    CUndoManager manager(nullptr, kUndoDepthLimit);
    ASSERT_TRUE(manager.GetLog().IsOpen());
    EXPECT_EQ(orbisk::utils::ToUtf8(manager.GetLog().GetPath()), (folder / "ZephyronUndo0.log").string());
    TestEntity entity;
    SetCurrentUndoManager(&manager);
    manager.StartOperation(90, L"Edit Dimension", false, false);
    entity.SetValue(1);
    manager.CommitOperation(3, 0, true);
    manager.StartOperation(92, L"Quiet", false, false);
    manager.CommitOperation(3, 0, true);
    SetCurrentUndoManager(nullptr);
    EXPECT_EQ(LogText(manager), "Start(Edit Dimension)Commit(" +
                                    std::to_string(manager.GetLastOperation()->GetSerial()) +
                                    ")\nStart(Quiet)");

    CUndoManager second(nullptr, kUndoDepthLimit);
    EXPECT_EQ(orbisk::utils::ToUtf8(second.GetLog().GetPath()), (folder / "ZephyronUndo1.log").string())
        << "the first name is held by the first manager";
}

TEST(UndoLog, StaysClosedWhenOtherInstancesHoldAllTwentyNames)
{
    TempFolder folder;
    ScopedEnvironment tmpdir("TMPDIR", (folder.Path().string() + "/").c_str());
    std::vector<int> held;
    for (int i = 0; i < CUndoLog::kMaxFiles; ++i) {
        const std::string path = (folder / ("ZephyronUndo" + std::to_string(i) + ".log")).string();
        const int descriptor = open(path.c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(descriptor, 0);
        ASSERT_EQ(write(descriptor, "other", 5), 5);
        ASSERT_EQ(flock(descriptor, LOCK_EX | LOCK_NB), 0);
        held.push_back(descriptor);
    }
    {
        CUndoManager manager(nullptr, kUndoDepthLimit);
        EXPECT_FALSE(manager.GetLog().IsOpen());
        EXPECT_TRUE(manager.GetLog().GetPath().empty());
        manager.LogMessage(L"nowhere");
    }
    EXPECT_EQ(ReadFileText((folder / "ZephyronUndo0.log").string()), "other")
        << "a held log is not truncated";
    for (int descriptor : held)
        close(descriptor);
}
