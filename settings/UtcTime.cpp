#include "settings/UtcTime.h"

#include <algorithm>
#include <ctime>
#include <cwchar>
#include <stdexcept>

namespace {

constexpr int kMonthLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
constexpr size_t kMaxFormattedLength = 128;

int MonthLength(int month, bool leap)
{
    return kMonthLengths[month - 1] + (month == 2 && leap ? 1 : 0);
}

std::tm ToTm(int year, int month, int day, int hour, int minute, int second)
{
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    return fields;
}

bool BreakDown(int64_t seconds, std::tm& fields)
{
    const auto time = static_cast<std::time_t>(seconds);
    return gmtime_r(&time, &fields) != nullptr;
}

}  // namespace

CUtcTime CUtcTime::FromFields(int year, int month, int day, int hour, int minute, int second)
{
    if (year < 1900 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 ||
        minute < 0 || minute > 59 || second < 0 || second > 59)
        throw std::invalid_argument("calendar fields out of range");
    // timegm converts as UTC without touching the process's time-zone settings.
    std::tm fields = ToTm(year, month, day, hour, minute, second);
    const std::time_t time = timegm(&fields);
    if (time == static_cast<std::time_t>(-1) &&
        !(year == 1969 && month == 12 && day == 31 && hour == 23 && minute == 59 && second == 59))
        throw std::invalid_argument("calendar conversion failed");
    return CUtcTime(time);
}

bool CUtcTime::IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

CUtcTime::Fields CUtcTime::Breakdown() const
{
    std::tm fields{};
    if (!BreakDown(m_seconds, fields))
        BreakDown(0, fields);
    return {fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday,
            fields.tm_hour,        fields.tm_min,     fields.tm_sec};
}

int CUtcTime::GetYear() const
{
    return Breakdown().year;
}
int CUtcTime::GetMonth() const
{
    return Breakdown().month;
}
int CUtcTime::GetDay() const
{
    return Breakdown().day;
}
int CUtcTime::GetHour() const
{
    return Breakdown().hour;
}
int CUtcTime::GetMinute() const
{
    return Breakdown().minute;
}
int CUtcTime::GetSecond() const
{
    return Breakdown().second;
}

int CUtcTime::GetDaysInYear() const
{
    return IsLeapYear(GetYear()) ? 366 : 365;
}

int CUtcTime::GetDayOfYear() const
{
    const Fields fields = Breakdown();
    const bool leap = IsLeapYear(fields.year);
    int day = fields.day;
    for (int month = 1; month < fields.month; ++month)
        day += MonthLength(month, leap);
    return day;
}

bool CUtcTime::DayOfYearToMonthDay(int dayOfYear, int& month, int& day) const
{
    const bool leap = IsLeapYear(GetYear());
    int remaining = std::clamp(dayOfYear, 1, leap ? 366 : 365);
    month = 1;
    while (remaining > MonthLength(month, leap)) {
        remaining -= MonthLength(month, leap);
        ++month;
    }
    day = remaining;
    return leap;
}

int CUtcTime::GetMinuteOfDay() const
{
    const Fields fields = Breakdown();
    return fields.hour * 60 + fields.minute;
}

double CUtcTime::GetDayFraction() const
{
    const Fields fields = Breakdown();
    return fields.hour / 24.0 + fields.minute / 1440.0 + fields.second / 86400.0;
}

int64_t CUtcTime::GetDayNumber() const
{
    const int64_t days = m_seconds / kSecondsPerDay;
    return m_seconds % kSecondsPerDay < 0 ? days - 1 : days;
}

CString CUtcTime::Format(const wchar_t* format) const
{
    if (!format || !*format)
        format = L"%I:%M %p";
    std::tm fields{};
    if (!BreakDown(m_seconds, fields))
        BreakDown(0, fields);
    wchar_t text[kMaxFormattedLength + 1] = {};
    const size_t length = std::wcsftime(text, kMaxFormattedLength + 1, format, &fields);
    return length == 0 ? CString() : CString(text, static_cast<int>(length));
}
