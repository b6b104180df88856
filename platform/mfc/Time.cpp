#include "platform/mfc/Time.h"

#include <chrono>

#include "platform/mfc/Archive.h"

CTime CTime::GetCurrentTime()
{
    using namespace std::chrono;
    return CTime(duration_cast<seconds>(system_clock::now().time_since_epoch()).count());
}

std::tm CTime::GetGmtTm() const
{
    std::time_t time = static_cast<std::time_t>(m_time);
    std::tm fields{};
    gmtime_r(&time, &fields);
    return fields;
}

std::tm CTime::GetLocalTm() const
{
    std::time_t time = static_cast<std::time_t>(m_time);
    std::tm fields{};
    localtime_r(&time, &fields);
    return fields;
}

CArchive& operator<<(CArchive& ar, CTime time)
{
    return ar << static_cast<uint32_t>(time.GetTime());
}

CArchive& operator>>(CArchive& ar, CTime& time)
{
    uint32_t seconds = 0;
    ar >> seconds;
    time = CTime(seconds);
    return ar;
}
