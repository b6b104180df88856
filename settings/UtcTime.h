#pragma once
// CUtcTime: a signed 64-bit count of seconds since 1970-01-01 00:00:00, always broken down and
// built as UTC, whatever the machine's time zone. The shadow settings keep local clock times in
// it: a shadow time of 13:30 is the count whose UTC breakdown reads 13:30.
//
// The calendar is Gregorian throughout: 1900 and 2100 are common years, 2000 a leap year.

#include <compare>
#include <cstdint>

#include "platform/mfc/String.h"

class CUtcTime {
public:
    static constexpr int64_t kSecondsPerDay = 86400;

    CUtcTime() = default;
    explicit constexpr CUtcTime(int64_t seconds) : m_seconds(seconds) {}

    // The count of these UTC fields. Raises std::invalid_argument unless year >= 1900, month
    // 1..12, day 1..31, hour 0..23, minute 0..59 and second 0..59. A day past the month's end
    // runs on into the next month.
    static CUtcTime FromFields(int year, int month, int day, int hour, int minute, int second);
    static bool IsLeapYear(int year);

    int64_t GetTime() const { return m_seconds; }

    // The UTC breakdown. A count beyond what the calendar functions break down answers the
    // fields of 1970-01-01 00:00:00.
    int GetYear() const;
    int GetMonth() const;  // 1..12
    int GetDay() const;
    int GetHour() const;
    int GetMinute() const;
    int GetSecond() const;

    int GetDaysInYear() const;
    // 1 for January 1.
    int GetDayOfYear() const;
    // The month and day of a day of this time's year; a day before the first or after the last
    // gives the first or the last day of the year. Answers whether the year is a leap year.
    bool DayOfYearToMonthDay(int dayOfYear, int& month, int& day) const;
    int GetMinuteOfDay() const;
    // hour / 24 + minute / 1440 + second / 86400.
    double GetDayFraction() const;
    // Whole days since 1970-01-01 (negative before).
    int64_t GetDayNumber() const;

    // The breakdown through wcsftime, at most 128 characters; a null or empty format means
    // "%I:%M %p". A failed conversion gives the empty text.
    CString Format(const wchar_t* format = nullptr) const;

    CUtcTime operator+(int64_t seconds) const { return CUtcTime(m_seconds + seconds); }
    CUtcTime operator-(int64_t seconds) const { return CUtcTime(m_seconds - seconds); }
    friend auto operator<=>(const CUtcTime&, const CUtcTime&) = default;

private:
    struct Fields {
        int year, month, day, hour, minute, second;
    };
    Fields Breakdown() const;

    int64_t m_seconds = 0;
};
