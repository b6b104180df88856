#pragma once
// CWxTimerService: the timers of CZphTimerCallback in the running program, over wxTimer. They
// fire from the event loop, on the user-interface thread, between other events. A timer
// repeats until its id is killed, as the callbacks expect: a single-shot callback kills its
// own timer from inside its call.
//
// Ids count up from 1 and are never handed out twice, so that killing an id a second time (a
// callback stopped twice, or one destroyed while its timer ran) cannot stop a newer timer.
// The window view's animation timer (id 123) is its own wxTimer and does not pass through here.
//
// A killed timer's wxTimer is stopped and kept for the next SetTimer instead of being deleted:
// the kill usually comes from inside that timer's own notification.

#include <cstdint>
#include <memory>
#include <vector>

#include "view/ZphTimerCallback.h"

class CWxTimerService final : public ITimerService {
public:
    CWxTimerService();
    // Stops every timer: none fires after this.
    ~CWxTimerService() override;
    CWxTimerService(const CWxTimerService&) = delete;
    CWxTimerService& operator=(const CWxTimerService&) = delete;

    // Intervals below 1 ms wait 1 ms.
    uint32_t SetTimer(int milliseconds) override;
    // Ids that are not running (0, killed, never given) change nothing.
    void KillTimer(uint32_t id) override;

    bool IsRunning(uint32_t id) const;
    int GetRunningCount() const;

private:
    class CTimer;

    std::vector<std::unique_ptr<CTimer>> m_timers;
    uint32_t m_lastId = 0;
};
