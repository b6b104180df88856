#pragma once
// CZphTimerCallback: the base of objects woken after a delay. One process-wide timer procedure
// (ZphTimerProc) finds the registered callback of a timer id and calls it, so that a callback
// that was stopped or destroyed is never called: its timer is killed when it next fires.
//
// The timers themselves come from an ITimerService: the window layer installs one over its
// event loop, tests install one that they fire by hand. Without a service no timer starts
// (the id stays 0) and nothing ever fires.

#include <cstdint>

class ITimerService {
public:
    virtual ~ITimerService() = default;
    // A new non-zero timer id, 0 on failure. When the timer fires, the service calls
    // CZphTimerCallback::ZphTimerProc with the id, until the id is killed.
    virtual uint32_t SetTimer(int milliseconds) = 0;
    virtual void KillTimer(uint32_t id) = 0;
};

// Null uninstalls; returns the previous service. The caller keeps the service alive while it
// is installed.
ITimerService* SetTimerService(ITimerService* service);
ITimerService* GetTimerService();

class CZphTimerCallback {
public:
    CZphTimerCallback() = default;
    CZphTimerCallback(const CZphTimerCallback&) = delete;
    CZphTimerCallback& operator=(const CZphTimerCallback&) = delete;
    // Leaves the registry; a running timer is killed by the procedure when it next fires.
    virtual ~CZphTimerCallback();

    virtual void OnTimer() {}
    virtual void OnTimerStopped() {}

    // Registers the callback and starts a timer; a non-repeating one stops itself after its
    // first call.
    void StartTimer(int milliseconds, bool repeating);
    // Kills the timer (when it ever got an id), unregisters, then OnTimerStopped.
    void StopTimer();

    // The last id the service gave; 0 before the first start or when the start failed.
    uint32_t GetTimerId() const { return m_timerId; }
    bool IsRepeating() const { return m_repeating; }
    int GetInterval() const { return m_interval; }

    // The first registered callback with that id; null for 0 or no match.
    static CZphTimerCallback* FindTimerCallback(uint32_t id);
    // What a timer service calls when timer id fires.
    static void ZphTimerProc(uint32_t id);

private:
    void Unregister();

    uint32_t m_timerId = 0;
    bool m_repeating = false;
    int m_interval = 0;
};
