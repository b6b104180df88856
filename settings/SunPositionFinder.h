#pragma once
// CSunPositionFinder: where the sun stands, seen from a place, at an instant; the direction
// towards it in model coordinates; and the moments of a day when it crosses the horizon.
//
// A compact astronomical model: a day count from 1 January 1975, Kepler's equation for an orbit
// of slowly changing eccentricity, then right ascension, declination, sidereal angle, hour
// angle, altitude and azimuth. Its constants are used exactly as the model states them,
// shortened degree factor included, so that positions match the published ones to their
// printed digits. Longitudes are east positive, latitudes north positive, all in degrees;
// times are UTC instants.

#include <cstdint>

#include "geometry/Vector3d.h"
#include "settings/UtcTime.h"

class CSunPositionFinder {
public:
    // A real function of one variable.
    class CEvaluator {
    public:
        virtual ~CEvaluator() = default;
        virtual double Evaluate(double x) const = 0;
    };

    // The sine of the sun's altitude at the base time plus x days.
    class CSunPositionEvaluator : public CEvaluator {
    public:
        CSunPositionEvaluator(double longitude, double latitude, CUtcTime baseTime)
            : m_longitude(longitude), m_latitude(latitude), m_baseTime(baseTime)
        {}
        double Evaluate(double x) const override;
        // The base time plus x days, to the second (each part truncated toward zero).
        CUtcTime TimeAt(double x) const;

    private:
        double m_longitude;
        double m_latitude;
        // UTC midnight of the day searched.
        CUtcTime m_baseTime;
    };

    // Whole days from 1 January 1975 to the date.
    static int64_t GetDayNumber(int year, int month, int day);
    // Altitude above the horizon and azimuth clockwise from north (0 to 360), in degrees.
    static void ComputeSolarPosition(double longitude, double latitude, const CUtcTime& time,
                                     double& altitude, double& azimuth);
    // The unit vector towards the sun, north being the model direction given (x and y only).
    static orbisk::geometry::CVector3d SunDirection(double longitude, double latitude, const CUtcTime& time,
                                                    const orbisk::geometry::CVector3d& north);
    // Searches the window [windowStart, windowEnd] (fractions of the local day of a zone hours
    // ahead of UTC) for the moment the altitude crosses zero. When found, the time becomes that
    // instant (to about a minute) and the answer is true; otherwise the time is left alone.
    static bool FindSunEvent(CUtcTime& time, double longitude, double latitude, double windowStart,
                             double windowEnd, double timeZone);
    // The whole-hour zone of a longitude: 0 within 7.5 degrees of Greenwich, 12 at the date line.
    static int TimeZoneFromLongitude(double longitude);
};
