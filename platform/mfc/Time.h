#pragma once
// CTime: an instant as seconds since 1970-01-01 00:00 UTC, in 64 bits. The calendar getters
// give local time (the TZ of the process). In an archive a CTime is a 32-bit unsigned count of
// seconds: reading zero-extends it, writing keeps the low 32 bits.

#include <compare>
#include <cstdint>
#include <ctime>

class CArchive;

class CTime {
public:
    CTime() = default;
    CTime(int64_t time) : m_time(time) {}

    static CTime GetCurrentTime();

    int64_t GetTime() const { return m_time; }
    std::tm GetGmtTm() const;
    std::tm GetLocalTm() const;
    int GetYear() const { return GetLocalTm().tm_year + 1900; }
    int GetMonth() const { return GetLocalTm().tm_mon + 1; }
    int GetDay() const { return GetLocalTm().tm_mday; }
    int GetHour() const { return GetLocalTm().tm_hour; }
    int GetMinute() const { return GetLocalTm().tm_min; }
    int GetSecond() const { return GetLocalTm().tm_sec; }

    friend auto operator<=>(const CTime&, const CTime&) = default;

private:
    int64_t m_time = 0;
};

CArchive& operator<<(CArchive& ar, CTime time);
CArchive& operator>>(CArchive& ar, CTime& time);
