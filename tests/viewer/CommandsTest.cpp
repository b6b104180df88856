// Commands of run-time menus: ids handed out and reused, the deferred release of a menu's
// commands, running a command and showing its state on the item, and the support table's
// values. The registry is process-wide: the first test meets it empty, the others work with
// the ids they are handed.
#include "viewer/Command.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/mfc/Menu.h"
#include "viewer/ViewerMenus.h"

namespace {

int g_runs = 0;
void CountRun()
{
    ++g_runs;
}

// A menu's command as a menu item holds it: created, then its release queued when the menu goes.
CCommand* NewCommand()
{
    return new CCommandFunction(&CountRun);
}

TEST(Commands, IdsStartAt50000AndFreedIdsAreReusedLastFirst)
{
    CCommand* first = NewCommand();
    CCommand* second = NewCommand();
    EXPECT_EQ(first->GetId(), 50000);
    EXPECT_EQ(second->GetId(), 50001);

    QueueCommandRelease(50000);
    QueueCommandRelease(50001);
    EXPECT_NE(FindCommand(50000), nullptr) << "still registered until idle time";
    CCommand::Release(first);  // the lookup's reference
    RunDeferredCommandReleases();
    EXPECT_EQ(GetQueuedCommandReleaseCount(), 0);
    EXPECT_EQ(FindCommand(50000), nullptr);
    EXPECT_EQ(FindCommand(50001), nullptr);

    CCommand* third = NewCommand();
    CCommand* fourth = NewCommand();
    CCommand* fifth = NewCommand();
    EXPECT_EQ(third->GetId(), 50001) << "last freed, first reused";
    EXPECT_EQ(fourth->GetId(), 50000);
    EXPECT_EQ(fifth->GetId(), 50002);
    EXPECT_EQ(FindCommand(50001), third) << "a reused id leads to its new command";
    for (CCommand* command : {third, third, fourth, fifth})
        CCommand::Release(command);
}

TEST(Commands, CommandHeldElsewhereSurvivesItsMenuAndFreesItsIdWhenLetGo)
{
    g_runs = 0;
    CCommand* kept = NewCommand();
    CCommand* dropped = NewCommand();
    const int keptId = kept->GetId();
    const int droppedId = dropped->GetId();
    EXPECT_EQ(kept->Retain(), 2);
    QueueCommandRelease(keptId);
    QueueCommandRelease(droppedId);
    QueueCommandRelease(50999);  // never registered: skipped
    RunDeferredCommandReleases();

    EXPECT_EQ(kept->GetRefCount(), 1);
    CCommand* found = FindCommand(keptId);
    EXPECT_EQ(found, kept) << "kept its id and stays registered";
    CCommand::Release(found);
    EXPECT_EQ(FindCommand(droppedId), nullptr);

    // The last holder lets go later: its id no longer leads anywhere and is handed out again.
    EXPECT_EQ(CCommand::Release(kept), 0);
    EXPECT_EQ(FindCommand(keptId), nullptr);
    OnDynamicCommand(keptId);
    EXPECT_EQ(g_runs, 0);
    CCommand* next = NewCommand();
    EXPECT_EQ(next->GetId(), keptId) << "last freed, first reused";
    CCommand::Release(next);
    EXPECT_EQ(CCommand::Release(nullptr), 0);
}

TEST(Commands, RunningACommandReleasesOnlyTheLookupsReference)
{
    g_runs = 0;
    CCommand* command = NewCommand();
    OnDynamicCommand(command->GetId());
    OnDynamicCommand(command->GetId());
    EXPECT_EQ(g_runs, 2);
    EXPECT_EQ(command->GetRefCount(), 1);
    OnDynamicCommand(50500);  // unregistered ids are ignored
    EXPECT_EQ(g_runs, 2);
    CCommand::Release(command);
}

TEST(Commands, StateFlagsGreyAndTickTheItem)
{
    struct Case {
        int flags;
        bool greyed;
        int check;
    };
    const Case cases[] = {{0, false, 0},
                          {CCommand::kGreyed, true, 0},
                          {CCommand::kTicked, false, 1},
                          {0x9, true, 1},
                          {0x2, false, 0},
                          {0x4, false, 0},
                          {0x16, false, 0},
                          {0xFFFF & ~0x9, false, 0}};
    CCommand* command = NewCommand();
    for (const Case& c : cases) {
        command->SetStateFlags(c.flags);
        CCmdUI ui(static_cast<UINT>(command->GetId()));
        OnUpdateDynamicCommand(&ui);
        EXPECT_EQ(ui.WasEnableSet() && !ui.IsEnabled(), c.greyed) << c.flags;
        EXPECT_FALSE(ui.WasEnableSet() && ui.IsEnabled()) << "an item it does not grey is left alone";
        EXPECT_TRUE(ui.WasCheckSet());
        EXPECT_EQ(ui.GetCheck(), c.check) << c.flags;
    }
    EXPECT_EQ(command->GetRefCount(), 1);

    CCmdUI unknown(50777);
    OnUpdateDynamicCommand(&unknown);
    EXPECT_FALSE(unknown.WasEnableSet());
    EXPECT_FALSE(unknown.WasCheckSet());
    CCommand::Release(command);
}

TEST(SupportTable, MissingKeyGivesTheDefaultWithItsPlaceholdersFilled)
{
    std::wstring value;
    GetSupportValue(value, L"NO SUCH KEY", L"https://example/{PLATFORM}/{PLATFORM}");
    EXPECT_EQ(value, L"https://example/win/win");
    GetSupportValue(value, L"NO SUCH KEY");
    EXPECT_EQ(value, L"");
    GetSupportValue(value, L"NO SUCH KEY", L"{CULTURE}");
    EXPECT_FALSE(value.empty());
    EXPECT_EQ(value.find(L"{CULTURE}"), std::wstring::npos);
}

}  // namespace
