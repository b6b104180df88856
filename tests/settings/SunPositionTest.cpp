// The sun's position: the day count, the altitude and azimuth of published examples, the
// direction towards the sun in model coordinates, sunrise and sunset searches, and time zones
// from longitudes.

#include <gtest/gtest.h>

#include <cmath>

#include "settings/SunPositionFinder.h"

using orbisk::geometry::CVector3d;

namespace {

CUtcTime UtcAt(int year, int month, int day, int hour, int minute = 0, int second = 0)
{
    return CUtcTime::FromFields(year, month, day, hour, minute, second);
}

double AltitudeAt(double longitude, double latitude, const CUtcTime& time)
{
    double altitude = 0, azimuth = 0;
    CSunPositionFinder::ComputeSolarPosition(longitude, latitude, time, altitude, azimuth);
    return altitude;
}

}  // namespace

TEST(SunPosition, TheDayCountStartsOnTheFirstOf1975)
{
    EXPECT_EQ(CSunPositionFinder::GetDayNumber(1975, 1, 1), 0);
    EXPECT_EQ(CSunPositionFinder::GetDayNumber(2000, 1, 1), 9131);
    EXPECT_EQ(CSunPositionFinder::GetDayNumber(2010, 3, 20), 12862);
    EXPECT_EQ(CSunPositionFinder::GetDayNumber(1974, 12, 31), -1);
    EXPECT_EQ(CSunPositionFinder::GetDayNumber(2000, 3, 1) - CSunPositionFinder::GetDayNumber(2000, 2, 28),
              2);
    EXPECT_EQ(CSunPositionFinder::GetDayNumber(2100, 3, 1) - CSunPositionFinder::GetDayNumber(2100, 2, 28),
              1);
}

TEST(SunPosition, AltitudeAndAzimuthMatchThePublishedExamples)
{
    const struct {
        double longitude, latitude;
        CUtcTime time;
        double altitude, azimuth;
    } cases[] = {
        {0, 0, UtcAt(2010, 3, 20, 12), 88.11, 92.74},
        {0, 45, UtcAt(2010, 6, 21, 12), 68.44, 178.87},
        {0, 0, UtcAt(2010, 3, 20, 6), -1.91, 90.19},
    };
    for (const auto& c : cases) {
        double altitude = 0, azimuth = 0;
        CSunPositionFinder::ComputeSolarPosition(c.longitude, c.latitude, c.time, altitude, azimuth);
        // The examples print two decimals: the values must round to exactly those.
        EXPECT_DOUBLE_EQ(std::round(altitude * 100) / 100, c.altitude) << c.latitude << " " << altitude;
        EXPECT_DOUBLE_EQ(std::round(azimuth * 100) / 100, c.azimuth) << c.latitude << " " << azimuth;
    }
}

TEST(SunPosition, TheDirectionPointsAtTheSunAndTurnsWithNorth)
{
    const CUtcTime time = UtcAt(2010, 6, 21, 9);
    double altitude = 0, azimuth = 0;
    CSunPositionFinder::ComputeSolarPosition(10, 50, time, altitude, azimuth);
    const CVector3d northUp = CSunPositionFinder::SunDirection(10, 50, time, CVector3d(0, 1, 0));
    EXPECT_NEAR(northUp.Length(), 1.0, 1e-12);
    EXPECT_NEAR(northUp.z, std::sin(altitude * std::numbers::pi / 180), 1e-9);
    // Morning sun in the east (+x with north along +y), south of east in summer.
    EXPECT_GT(northUp.x, 0);
    EXPECT_NEAR(std::atan2(northUp.x, northUp.y) * 180 / std::numbers::pi, azimuth, 1e-6);

    // North along +x turns the whole direction by -90 degrees about z.
    const CVector3d northRight = CSunPositionFinder::SunDirection(10, 50, time, CVector3d(1, 0, 0));
    EXPECT_NEAR(northRight.x, northUp.y, 1e-9);
    EXPECT_NEAR(northRight.y, -northUp.x, 1e-9);
    EXPECT_NEAR(northRight.z, northUp.z, 1e-12);
}

TEST(SunPosition, SunriseAndSunsetAreFoundWhereTheAltitudeCrossesZero)
{
    // The equator at the equinox, Greenwich time.
    CUtcTime rise = UtcAt(2010, 3, 20, 12);
    ASSERT_TRUE(CSunPositionFinder::FindSunEvent(rise, 0, 0, 0.0, 0.5, 0));
    EXPECT_EQ(rise.GetDay(), 20);
    EXPECT_EQ(rise.GetHour(), 6);
    EXPECT_LT(AltitudeAt(0, 0, rise - 120), 0);
    EXPECT_GT(AltitudeAt(0, 0, rise + 120), 0);

    CUtcTime set = UtcAt(2010, 3, 20, 12);
    ASSERT_TRUE(CSunPositionFinder::FindSunEvent(set, 0, 0, 0.5, 1.0, 0));
    EXPECT_EQ(set.GetHour(), 18);
    EXPECT_GT(AltitudeAt(0, 0, set - 120), 0);
    EXPECT_LT(AltitudeAt(0, 0, set + 120), 0);

    // Ten hours east of Greenwich the local morning lies in the previous UTC evening.
    CUtcTime eastern = UtcAt(2010, 3, 20, 2);
    ASSERT_TRUE(CSunPositionFinder::FindSunEvent(eastern, 150, 0, 0.0, 0.5, 10));
    EXPECT_EQ(eastern.GetDay(), 19);
    EXPECT_EQ(eastern.GetHour(), 20);
}

TEST(SunPosition, PolarDaysAndNightsHaveNoEvents)
{
    const struct {
        double latitude;
        CUtcTime time;
    } cases[] = {{80, UtcAt(2010, 6, 21, 12)}, {80, UtcAt(2010, 12, 21, 12)}, {-80, UtcAt(2010, 6, 21, 12)}};
    for (const auto& c : cases) {
        for (double window : {0.0, 0.5}) {
            CUtcTime time = c.time;
            EXPECT_FALSE(CSunPositionFinder::FindSunEvent(time, 0, c.latitude, window, window + 0.5, 0))
                << c.latitude;
            EXPECT_EQ(time, c.time);
        }
    }
}

TEST(SunPosition, DamagedPlacesAndZonesFindNoEventAndNeverHang)
{
    const CUtcTime start = UtcAt(2010, 3, 20, 12);
    for (double zone : {std::nan(""), HUGE_VAL, 1e300, -1e9}) {
        CUtcTime time = start;
        EXPECT_FALSE(CSunPositionFinder::FindSunEvent(time, 0, 0, 0.0, 0.5, zone));
        EXPECT_EQ(time, start);
    }
    CUtcTime time = start;
    CSunPositionFinder::FindSunEvent(time, std::nan(""), std::nan(""), 0.0, 0.5, 0);
    EXPECT_EQ(time.GetDay(), 20);
}

TEST(SunPosition, TimeZonesFollowTheLongitudeInFifteenDegreeBands)
{
    const struct {
        double longitude;
        int zone;
    } cases[] = {{0, 0},    {7.5, 0},   {7.6, 1},     {22.5, 2},     {-7.5, -1},       {-7.4, 0},
                 {180, 12}, {-180, 12}, {-172.5, 12}, {-172.4, -11}, {std::nan(""), 0}};
    for (const auto& c : cases)
        EXPECT_EQ(CSunPositionFinder::TimeZoneFromLongitude(c.longitude), c.zone) << c.longitude;
}
