#include "viewer/WxTimerService.h"

#include <wx/timer.h>

#include <algorithm>

// One wxTimer; id 0 while it is idle, waiting to be reused.
class CWxTimerService::CTimer : public wxTimer {
public:
    void Notify() override
    {
        // The procedure may kill this timer and start it again under a new id.
        const uint32_t fired = id;
        CZphTimerCallback::ZphTimerProc(fired);
    }

    uint32_t id = 0;
};

CWxTimerService::CWxTimerService() = default;

CWxTimerService::~CWxTimerService()
{
    for (const auto& timer : m_timers)
        timer->Stop();
}

uint32_t CWxTimerService::SetTimer(int milliseconds)
{
    auto idle =
        std::find_if(m_timers.begin(), m_timers.end(), [](const auto& timer) { return timer->id == 0; });
    if (idle == m_timers.end()) {
        m_timers.push_back(std::make_unique<CTimer>());
        idle = std::prev(m_timers.end());
    }
    CTimer& timer = **idle;
    if (!timer.Start(std::max(milliseconds, 1), wxTIMER_CONTINUOUS))
        return 0;
    if (++m_lastId == 0)
        ++m_lastId;
    timer.id = m_lastId;
    return timer.id;
}

void CWxTimerService::KillTimer(uint32_t id)
{
    if (id == 0)
        return;
    for (const auto& timer : m_timers) {
        if (timer->id != id)
            continue;
        timer->Stop();
        timer->id = 0;
        return;
    }
}

bool CWxTimerService::IsRunning(uint32_t id) const
{
    return id != 0 &&
           std::any_of(m_timers.begin(), m_timers.end(), [id](const auto& timer) { return timer->id == id; });
}

int CWxTimerService::GetRunningCount() const
{
    return static_cast<int>(
        std::count_if(m_timers.begin(), m_timers.end(), [](const auto& timer) { return timer->id != 0; }));
}
