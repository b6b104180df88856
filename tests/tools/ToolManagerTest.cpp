#include "tools/ToolManager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/NotificationCenter.h"
#include "tools/Tool.h"
#include "view/ZphView.h"

namespace {

// A tool that records the protocol calls it receives into a shared journal.
class JournalTool : public CTool {
public:
    JournalTool(std::vector<std::string>& journal, std::string name, bool interruptible = true,
                bool replaceable = false)
        : m_journal(journal),
          m_name(std::move(name)),
          m_interruptible(interruptible),
          m_replaceable(replaceable)
    {}
    ~JournalTool() override { m_journal.push_back(m_name + ".deleted"); }

    void OnActivate() override { Log("activate"); }
    void OnDeactivate() override { Log("deactivate"); }
    void OnSuspend() override { Log("suspend"); }
    void OnResume() override { Log("resume"); }
    bool CanBeInterrupted() override { return m_interruptible; }
    bool CanBeReplacedBy(CTool*) override { return m_replaceable; }
    bool PopOnCancel() override { return true; }
    void OnCancel(int reason) override { Log("cancel" + std::to_string(reason)); }
    void OnLButtonUp(int, int, int, IZphView*) override { Log("lup"); }
    void OnMouseMove(int flags, int, int, IZphView*) override { Log("move" + std::to_string(flags)); }
    void OnLButtonDown(int, int, int, IZphView*) override
    {
        Log("ldown");
        // A tool may end itself from its own handler and finish running.
        if (m_popOnPress)
            GetManager()->PopTool();
        Log("ldown-end");
    }
    void OnEntityEvent(int kind, CEntity*) override { Log("entity" + std::to_string(kind)); }

    bool m_popOnPress = false;

private:
    void Log(const std::string& what) { m_journal.push_back(m_name + "." + what); }

    std::vector<std::string>& m_journal;
    std::string m_name;
    bool m_interruptible;
    bool m_replaceable;
};

class NotificationRecorder : public orbisk::utils::IObserver {
public:
    NotificationRecorder() { Center().AddObserver(kToolNotification, this); }
    ~NotificationRecorder() override { Center().RemoveObserver(kToolNotification, this); }
    void OnNotification(const char*, void* payload) override
    {
        auto* record = static_cast<ToolNotification*>(payload);
        codes.push_back(record->code);
        tools.push_back(record->tool);
    }
    static orbisk::utils::CNotificationCenter& Center()
    {
        return orbisk::utils::CNotificationCenter::GetInstance();
    }

    std::vector<int> codes;
    std::vector<CTool*> tools;
};

class ToolManagerTest : public ::testing::Test {
protected:
    JournalTool* Make(const std::string& name, bool interruptible = true, bool replaceable = false)
    {
        return new JournalTool(journal, name, interruptible, replaceable);
    }

    std::vector<std::string> journal;
    NotificationRecorder notifications;
    CZphView view;
    CToolManager manager;
};

}  // namespace

TEST_F(ToolManagerTest, PushSuspendsAndPopResumesWithNotifications)
{
    JournalTool* a = Make("a");
    JournalTool* b = Make("b");
    EXPECT_TRUE(manager.SetTool(a, 1, true));
    EXPECT_TRUE(manager.SetTool(b, 2, false));
    EXPECT_EQ(manager.GetStackSize(), 2);
    EXPECT_EQ(CToolManager::GetActiveToolId(&manager), 2);
    EXPECT_TRUE(manager.HasToolOnStack(1));
    EXPECT_TRUE(manager.PopTool());
    EXPECT_EQ(manager.GetActiveTool(), a);
    EXPECT_EQ(a->GetManager(), &manager);
    EXPECT_EQ(journal, (std::vector<std::string>{"a.activate", "a.suspend", "b.activate", "b.deactivate",
                                                 "a.resume"}));
    EXPECT_EQ(notifications.codes, (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(notifications.tools, (std::vector<CTool*>{a, b, a}));

    // The popped tool lives until the manager's next operation.
    EXPECT_EQ(manager.GetRetiredCount(), 1);
    manager.OnMouseMove(0, 1, 1, &view);
    EXPECT_EQ(journal.back(), "a.move0");
    EXPECT_EQ(journal[journal.size() - 2], "b.deleted");
}

TEST_F(ToolManagerTest, ReplaceRetiresAReplaceableToolAndRefusalsRetireTheNewOne)
{
    struct Case {
        bool interruptible;
        bool replaceable;
        bool accepted;
        int stackSize;
    } cases[] = {
        {true, true, true, 1},    // replaced
        {true, false, true, 2},   // suspended under the new tool
        {false, true, false, 1},  // refuses interruption: the new tool is retired unused
    };
    for (const Case& c : cases) {
        CToolManager local;
        journal.clear();
        local.SetTool(Make("old", c.interruptible, c.replaceable), 1, true);
        EXPECT_EQ(local.SetTool(Make("new"), 2, true), c.accepted);
        EXPECT_EQ(local.GetStackSize(), c.stackSize);
        EXPECT_EQ(CToolManager::GetActiveToolId(&local), c.accepted ? 2 : 1);
        EXPECT_EQ(local.GetRetiredCount(), c.stackSize == 1 ? 1 : 0);
    }
}

TEST_F(ToolManagerTest, PopToToolCancelAndClear)
{
    manager.SetTool(Make("a"), 1, true);
    manager.SetTool(Make("b"), 2, false);
    manager.SetTool(Make("c"), 3, false);
    // The id of the active tool pops nothing but still resumes it and announces it.
    notifications.codes.clear();
    journal.clear();
    EXPECT_TRUE(manager.PopToTool(3));
    EXPECT_EQ(journal, (std::vector<std::string>{"c.resume"}));
    EXPECT_EQ(notifications.codes, (std::vector<int>{0}));

    EXPECT_TRUE(manager.PopToTool(1));
    EXPECT_EQ(manager.GetStackSize(), 1);

    // Escape cancels and pops a tool that asks for it.
    manager.CancelActiveTool(0, &view);
    EXPECT_EQ(manager.GetStackSize(), 0);
    EXPECT_EQ(manager.GetActiveTool(), nullptr);
    // With the stack empty PopTool fails and posts nothing.
    notifications.codes.clear();
    EXPECT_FALSE(manager.PopTool());
    EXPECT_TRUE(notifications.codes.empty());

    manager.SetTool(Make("d"), 4, true);
    manager.ClearTools(true, &view);
    EXPECT_EQ(notifications.codes.back(), ToolNotification::kToolsCleared);
    EXPECT_FALSE(CToolManager::IsToolActive(&manager, 4));
    EXPECT_FALSE(CToolManager::IsToolActive(nullptr, 4));
}

TEST_F(ToolManagerTest, LeftButtonUpAndMovesNeedAPressSeenInTheWindow)
{
    manager.SetTool(Make("a"), 1, true);
    journal.clear();
    manager.OnLButtonUp(0, 1, 1, &view);
    manager.OnMouseMove(CTool::kLeftButton | CTool::kShiftKey, 1, 1, &view);
    manager.OnLButtonDown(CTool::kLeftButton, 1, 1, &view);
    manager.OnMouseMove(CTool::kLeftButton, 2, 2, &view);
    manager.OnLButtonUp(0, 2, 2, &view);
    // Events without a view are dropped.
    manager.OnMouseMove(0, 3, 3, nullptr);
    EXPECT_EQ(journal, (std::vector<std::string>{"a.move4", "a.ldown", "a.ldown-end", "a.move1", "a.lup"}));
}

TEST_F(ToolManagerTest, AToolPoppingItselfFinishesItsHandler)
{
    manager.SetTool(Make("a"), 1, true);
    JournalTool* b = Make("b");
    b->m_popOnPress = true;
    manager.SetTool(b, 2, false);
    journal.clear();
    manager.OnLButtonDown(CTool::kLeftButton, 1, 1, &view);
    EXPECT_EQ(journal, (std::vector<std::string>{"b.ldown", "b.deactivate", "a.resume", "b.ldown-end"}));
    manager.DeleteRetiredTools();
    EXPECT_EQ(journal.back(), "b.deleted");
}

TEST_F(ToolManagerTest, DatabaseEventsReachEveryStackedToolAndCurrentManagerIsAnnounced)
{
    JournalTool* a = Make("a");
    manager.SetTool(a, 1, true);
    manager.SetTool(Make("b"), 2, false);
    journal.clear();
    manager.OnEntityErased(nullptr);
    EXPECT_EQ(journal, (std::vector<std::string>{"a.entity2", "b.entity2"}));

    SetCurrentToolManager(&manager);
    EXPECT_EQ(GetToolManager(), &manager);
    EXPECT_EQ(notifications.codes.back(), ToolNotification::kManagerActivated);
    EXPECT_EQ(notifications.tools.back(), manager.GetActiveTool());
    {
        CToolManager other;
        SetCurrentToolManager(&other);
    }
    // A destroyed current manager is no longer current.
    EXPECT_EQ(GetToolManager(), nullptr);
}
