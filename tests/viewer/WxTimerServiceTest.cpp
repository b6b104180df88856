// The program's timers for timer callbacks, fired by the toolkit's event loop under a real
// display.
#include "viewer/WxTimerService.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "tests/support/WindowTest.h"

namespace {

class CountingTimerCallback : public CZphTimerCallback {
public:
    void OnTimer() override { ++calls; }
    void OnTimerStopped() override { ++stops; }

    int calls = 0;
    int stops = 0;
};

class WxTimerServiceTest : public ::testing::Test {
protected:
    WxTimerServiceTest() : m_previous(SetTimerService(&timers)) {}
    ~WxTimerServiceTest() override { SetTimerService(m_previous); }

    // Long enough for a 1 ms timer to have fired many times over.
    static void PumpAWhile()
    {
        PumpEventsUntil([] { return false; }, std::chrono::milliseconds(100));
    }

    CWxTimerService timers;

private:
    ITimerService* m_previous;
};

TEST_F(WxTimerServiceTest, SingleShotCallbackIsCalledOnceFromTheEventLoopAndItsTimerEnds)
{
    CountingTimerCallback callback;
    callback.StartTimer(1, false);
    const uint32_t id = callback.GetTimerId();
    ASSERT_NE(id, 0u);
    EXPECT_TRUE(timers.IsRunning(id));
    EXPECT_EQ(callback.calls, 0) << "only the event loop fires timers";

    ASSERT_TRUE(PumpEventsUntil([&callback] { return callback.calls > 0; }));
    PumpAWhile();
    EXPECT_EQ(callback.calls, 1);
    EXPECT_EQ(callback.stops, 1);
    EXPECT_FALSE(timers.IsRunning(id));
    EXPECT_EQ(timers.GetRunningCount(), 0);
    EXPECT_EQ(CZphTimerCallback::FindTimerCallback(id), nullptr);
}

TEST_F(WxTimerServiceTest, RepeatingCallbackFiresUntilStopped)
{
    CountingTimerCallback callback;
    callback.StartTimer(1, true);
    ASSERT_TRUE(PumpEventsUntil([&callback] { return callback.calls >= 3; }));
    callback.StopTimer();
    const int calls = callback.calls;
    PumpAWhile();
    EXPECT_EQ(callback.calls, calls);
    EXPECT_EQ(timers.GetRunningCount(), 0);
}

TEST_F(WxTimerServiceTest, IdKilledTwiceNeverStopsALaterTimer)
{
    CountingTimerCallback first;
    first.StartTimer(1000, false);
    const uint32_t firstId = first.GetTimerId();
    first.StopTimer();

    CountingTimerCallback second;
    second.StartTimer(1, false);
    EXPECT_NE(second.GetTimerId(), firstId) << "ids are not handed out again";
    first.StopTimer();
    ASSERT_TRUE(PumpEventsUntil([&second] { return second.calls > 0; }));
    EXPECT_EQ(first.calls, 0);
}

TEST_F(WxTimerServiceTest, CallbackDestroyedWhileItsTimerRunsIsNeverCalledAndTheTimerEnds)
{
    auto callback = std::make_unique<CountingTimerCallback>();
    callback->StartTimer(1, true);
    const uint32_t id = callback->GetTimerId();
    callback.reset();
    ASSERT_TRUE(PumpEventsUntil([this, id] { return !timers.IsRunning(id); }))
        << "the next firing finds no callback and kills the timer";
}

}  // namespace
