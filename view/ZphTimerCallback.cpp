#include "view/ZphTimerCallback.h"

#include <algorithm>
#include <vector>

namespace {

ITimerService* g_service = nullptr;

// In the order the timers were started; not owned.
std::vector<CZphTimerCallback*>& Registry()
{
    static std::vector<CZphTimerCallback*> registry;
    return registry;
}

void KillServiceTimer(uint32_t id)
{
    if (g_service)
        g_service->KillTimer(id);
}

}  // namespace

ITimerService* SetTimerService(ITimerService* service)
{
    ITimerService* previous = g_service;
    g_service = service;
    return previous;
}

ITimerService* GetTimerService()
{
    return g_service;
}

CZphTimerCallback::~CZphTimerCallback()
{
    Unregister();
}

void CZphTimerCallback::StartTimer(int milliseconds, bool repeating)
{
    m_interval = milliseconds;
    m_repeating = repeating;
    m_timerId = g_service ? g_service->SetTimer(milliseconds) : 0;
    Registry().push_back(this);
}

void CZphTimerCallback::StopTimer()
{
    if (m_timerId != 0)
        KillServiceTimer(m_timerId);
    Unregister();
    OnTimerStopped();
}

void CZphTimerCallback::Unregister()
{
    auto& registry = Registry();
    auto found = std::find(registry.begin(), registry.end(), this);
    if (found != registry.end())
        registry.erase(found);
}

CZphTimerCallback* CZphTimerCallback::FindTimerCallback(uint32_t id)
{
    if (id == 0)
        return nullptr;
    for (CZphTimerCallback* callback : Registry())
        if (callback->m_timerId == id)
            return callback;
    return nullptr;
}

void CZphTimerCallback::ZphTimerProc(uint32_t id)
{
    CZphTimerCallback* callback = FindTimerCallback(id);
    if (!callback) {
        KillServiceTimer(id);
        return;
    }
    callback->OnTimer();
    // OnTimer may have stopped or destroyed the callback itself: look it up again.
    if (FindTimerCallback(id) == callback && !callback->m_repeating)
        callback->StopTimer();
}
