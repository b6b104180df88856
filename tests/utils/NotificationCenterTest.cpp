#include "support/NotificationCenter.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace orbisk::utils {
namespace {

using Log = std::vector<std::string>;

// Logs "label:name" for every delivery, then runs its action once if it has one.
class Recorder : public IObserver {
public:
    Recorder(std::string label, Log& log) : m_label(std::move(label)), m_log(log) {}

    std::function<void()> action;

    void OnNotification(const char* name, void*) override
    {
        m_log.push_back(m_label + ":" + name);
        if (auto run = std::exchange(action, nullptr))
            run();
    }

private:
    std::string m_label;
    Log& m_log;
};

class NotificationCenterTest : public ::testing::Test {
public:  // the scenario table reaches the observers through the fixture
    void TearDown() override
    {
        centre.EnableAll();
        for (Recorder* observer : {&a, &b, &c}) {
            centre.RemoveObserverFromAll(observer);
            observer->action = nullptr;
        }
    }

    Log Post(const char* name)
    {
        log.clear();
        centre.PostNotification(name, nullptr);
        return log;
    }

    CNotificationCenter& centre = CNotificationCenter::GetInstance();
    Log log;
    Recorder a{"A", log}, b{"B", log}, c{"C", log};
};

TEST_F(NotificationCenterTest, ReentrancyRules)
{
    struct Case {
        const char* rule;
        std::function<void(NotificationCenterTest&)> arrange;
        Log firstPost;   // of "N"
        Log secondPost;  // of "N", once the first post has returned
    };
    const Case cases[] = {
        {"observers are called in subscription order",
         [](auto& t) {
             t.centre.AddObserver("N", &t.a);
             t.centre.AddObserver("N", &t.b);
         },
         {"A:N", "B:N"},
         {"A:N", "B:N"}},
        {"an observer subscribed twice is called twice",
         [](auto& t) {
             t.centre.AddObserver("N", &t.a);
             t.centre.AddObserver("N", &t.a);
         },
         {"A:N", "A:N"},
         {"A:N", "A:N"}},
        {"an observer added during a post is reached in that post",
         [](auto& t) {
             t.centre.AddObserver("N", &t.a);
             t.centre.AddObserver("N", &t.b);
             t.a.action = [&t] { t.centre.AddObserver("N", &t.c); };
         },
         {"A:N", "B:N", "C:N"},
         {"A:N", "B:N", "C:N"}},
        {"an observer removed by name during a post is skipped, then gone",
         [](auto& t) {
             t.centre.AddObserver("N", &t.a);
             t.centre.AddObserver("N", &t.b);
             t.a.action = [&t] { t.centre.RemoveObserver("N", &t.b); };
         },
         {"A:N"},
         {"A:N"}},
        {"an observer removed from all names during a post is skipped, then gone",
         [](auto& t) {
             t.centre.AddObserver("N", &t.a);
             t.centre.AddObserver("N", &t.b);
             t.a.action = [&t] { t.centre.RemoveObserverFromAll(&t.b); };
         },
         {"A:N"},
         {"A:N"}},
        {"an observer removed and added again during a post ends unsubscribed",
         [](auto& t) {
             t.centre.AddObserver("N", &t.a);
             t.centre.AddObserver("N", &t.b);
             t.a.action = [&t] {
                 t.centre.RemoveObserver("N", &t.b);
                 t.centre.AddObserver("N", &t.b);
             };
         },
         {"A:N"},
         {"A:N"}},
        {"the last observer removing itself empties the name",
         [](auto& t) {
             t.centre.AddObserver("N", &t.a);
             t.a.action = [&t] { t.centre.RemoveObserver("N", &t.a); };
         },
         {"A:N"},
         {}},
        {"disabling delivery during a post stops the rest of it",
         [](auto& t) {
             t.centre.AddObserver("N", &t.a);
             t.centre.AddObserver("N", &t.b);
             t.a.action = [&t] { t.centre.DisableAll(); };
         },
         {"A:N"},
         {}},
        {"a nested post runs completely before the outer one goes on",
         [](auto& t) {
             t.centre.AddObserver("N", &t.a);
             t.centre.AddObserver("N", &t.b);
             t.centre.AddObserver("M", &t.c);
             t.a.action = [&t] { t.centre.PostNotification("M", nullptr); };
         },
         {"A:N", "C:M", "B:N"},
         {"A:N", "B:N"}},
        {"a removal made in a nested post waits for the outermost post",
         [](auto& t) {
             t.centre.AddObserver("N", &t.a);
             t.centre.AddObserver("N", &t.b);
             t.centre.AddObserver("M", &t.c);
             t.a.action = [&t] { t.centre.PostNotification("M", nullptr); };
             t.c.action = [&t] { t.centre.RemoveObserver("N", &t.b); };
         },
         {"A:N", "C:M"},
         {"A:N"}},
        {"a removal pending under one name keeps delivery under another",
         [](auto& t) {
             t.centre.AddObserver("N", &t.a);
             t.centre.AddObserver("N", &t.b);
             t.centre.AddObserver("M", &t.b);
             t.centre.AddObserver("M", &t.c);
             t.a.action = [&t] {
                 t.centre.RemoveObserver("M", &t.b);
                 t.centre.PostNotification("M", nullptr);
             };
         },
         {"A:N", "C:M", "B:N"},
         {"A:N", "B:N"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        c.arrange(*this);
        EXPECT_EQ(Post("N"), c.firstPost);
        EXPECT_EQ(Post("N"), c.secondPost);
        TearDown();
    }
}

TEST_F(NotificationCenterTest, NamesAreComparedByContentNotAddress)
{
    centre.AddObserver("Layer Changed", &a);
    const std::string name = "Layer Changed";
    EXPECT_EQ(Post(name.c_str()), (Log{"A:Layer Changed"}));
    EXPECT_TRUE(Post("layer changed").empty());
}

TEST_F(NotificationCenterTest, PayloadReachesObserverUnchanged)
{
    struct Capture : IObserver {
        void* seen = nullptr;
        void OnNotification(const char*, void* payload) override { seen = payload; }
    } capture;
    centre.AddObserver("N", &capture);
    int record = 7;
    centre.PostNotification("N", &record);
    centre.RemoveObserverFromAll(&capture);
    EXPECT_EQ(capture.seen, &record);
}

TEST_F(NotificationCenterTest, PostWhileDisabledLeavesNoTrace)
{
    centre.AddObserver("N", &a);
    centre.AddObserver("N", &b);
    centre.DisableAll();
    EXPECT_TRUE(Post("N").empty());
    // Not inside a post, so the removal is immediate.
    centre.RemoveObserver("N", &b);
    EXPECT_FALSE(centre.IsRemovalPending("N", &b));
    centre.EnableAll();
    EXPECT_EQ(Post("N"), (Log{"A:N"}));
}

TEST_F(NotificationCenterTest, RemovalIsPendingOnlyDuringThePost)
{
    centre.AddObserver("N", &a);
    centre.AddObserver("N", &b);
    bool pendingForN = false, pendingForOther = true;
    a.action = [&] {
        centre.RemoveObserver("N", &b);
        pendingForN = centre.IsRemovalPending("N", &b);
        pendingForOther = centre.IsRemovalPending("Other", &b);
    };
    Post("N");
    EXPECT_TRUE(pendingForN);
    EXPECT_FALSE(pendingForOther);
    EXPECT_FALSE(centre.IsRemovalPending("N", &b));
}

TEST_F(NotificationCenterTest, UnknownNamesAndObserversChangeNothing)
{
    centre.AddObserver("N", &a);
    centre.RemoveObserver("Nobody", &a);
    centre.RemoveObserver("N", &b);
    centre.RemoveObserverFromAll(&c);
    EXPECT_TRUE(Post("Nobody").empty());
    EXPECT_EQ(Post("N"), (Log{"A:N"}));
}

TEST_F(NotificationCenterTest, ExceptionFromObserverReachesPosterAndEndsThePost)
{
    centre.AddObserver("N", &a);
    centre.AddObserver("N", &b);
    a.action = [&] {
        centre.RemoveObserver("N", &b);
        throw std::runtime_error("observer failed");
    };
    EXPECT_THROW(centre.PostNotification("N", nullptr), std::runtime_error);
    EXPECT_FALSE(centre.IsRemovalPending("N", &b));
    EXPECT_EQ(Post("N"), (Log{"A:N"}));
}

TEST_F(NotificationCenterTest, SuspenderTurnsDeliveryOffForItsLifetime)
{
    centre.AddObserver("N", &a);
    {
        CNotificationSuspender outer;
        EXPECT_TRUE(Post("N").empty());
        {
            CNotificationSuspender inner;
            EXPECT_TRUE(Post("N").empty());
        }
        EXPECT_FALSE(centre.IsEnabled());
        EXPECT_TRUE(Post("N").empty());
    }
    EXPECT_TRUE(centre.IsEnabled());
    EXPECT_EQ(Post("N"), (Log{"A:N"}));
}

TEST_F(NotificationCenterTest, SuspenderMadeWhileDisabledChangesNothing)
{
    centre.DisableAll();
    {
        CNotificationSuspender suspender;
    }
    EXPECT_FALSE(centre.IsEnabled());
}

TEST_F(NotificationCenterTest, ThereIsOneCentre)
{
    EXPECT_EQ(&CNotificationCenter::GetInstance(), &centre);
}

}  // namespace
}  // namespace orbisk::utils
