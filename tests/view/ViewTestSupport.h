#pragma once
// Hand-driven time for view tests: a clock that moves only when told, and a timer service whose
// timers fire only when a test fires them.

#include <cstdint>
#include <map>

#include "view/Clock.h"
#include "view/ZphTimerCallback.h"

class ManualClock : public IClock {
public:
    double Now() const override { return m_now; }
    void Advance(double seconds) { m_now += seconds; }
    void Set(double seconds) { m_now = seconds; }

private:
    double m_now = 1000.0;
};

// Installed for its lifetime.
class ManualTimerService : public ITimerService {
public:
    ManualTimerService() : m_previous(SetTimerService(this)) {}
    ~ManualTimerService() override { SetTimerService(m_previous); }

    uint32_t SetTimer(int milliseconds) override
    {
        m_timers[++m_lastId] = milliseconds;
        return m_lastId;
    }
    void KillTimer(uint32_t id) override { m_timers.erase(id); }

    bool IsRunning(uint32_t id) const { return m_timers.count(id) != 0; }
    int GetInterval(uint32_t id) const { return m_timers.at(id); }
    // What the event loop does when the timer's time has come.
    void Fire(uint32_t id) { CZphTimerCallback::ZphTimerProc(id); }

private:
    ITimerService* m_previous;
    std::map<uint32_t, int> m_timers;
    uint32_t m_lastId = 0;
};
