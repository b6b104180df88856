#pragma once
// Clocks of the view: the frame timer of the level of detail and the times of the camera
// history read them through IClock, so that tests can drive time by hand.
//
// SteadyClock: monotonic seconds with sub-millisecond resolution (frame times).
// WallClock: seconds since 1970 in whole milliseconds (camera-history times).

class IClock {
public:
    virtual ~IClock() = default;
    // Seconds from the clock's own origin.
    virtual double Now() const = 0;
};

IClock& SteadyClock();
IClock& WallClock();

// Seconds since the last Restart (or construction), on a clock the caller keeps alive.
class CStopwatch {
public:
    explicit CStopwatch(const IClock& clock = SteadyClock()) : m_clock(&clock) { Restart(); }

    void Restart() { m_start = m_lap = m_clock->Now(); }
    double GetElapsed() const { return m_clock->Now() - m_start; }
    // Marks a lap; seconds from the start to it.
    double Lap()
    {
        m_lap = m_clock->Now();
        return m_lap - m_start;
    }

private:
    const IClock* m_clock;
    double m_start = 0.0;
    double m_lap = 0.0;
};
