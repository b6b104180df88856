#include "settings/SunPositionFinder.h"

#include <algorithm>
#include <cmath>

namespace {

// Degrees to radians and back in the position computation, shortened as the model has it.
constexpr double K = 0.0174532925;
// Degrees to radians in the direction computation.
constexpr double kDirectionRadians = 0.0174532925199433;
constexpr double kHalfTurn = 3.14159265;
constexpr double kFullTurn = 6.283185307;
// Obliquity of the ecliptic, radians.
constexpr double kObliquity = 0.4091051762;
// Makes the day count 0 on 1 January 1975.
constexpr double kDayCountOffset = 2474489;
// One minute, in days: where the search stops.
constexpr double kSearchTolerance = 0.0006944444444444445;
// Bisection steps that halve a window down to the tolerance many times over.
constexpr int kMaxSearchSteps = 64;
// Search windows further than this from the base day are not days of a real time zone.
constexpr double kMaxWindowDays = 10.0;

double Clamp1(double x)
{
    return std::clamp(x, -1.0, 1.0);
}

double Trunc(double x)
{
    return std::trunc(x);
}

}  // namespace

int64_t CSunPositionFinder::GetDayNumber(int year, int month, int day)
{
    const double g = Trunc(std::floor(14.0 - month) / -12.0);
    const double h = year + 4800 + g;
    const double c = Trunc(std::floor((std::floor(h / 100.0) + 1) * 3 * 0.25));
    const double o = Trunc(std::floor((month - 2 - 12 * g) * 367 / 12.0));
    const double r = Trunc(std::floor(h * 1461 * 0.25));
    return static_cast<int64_t>(day - c + o + r - kDayCountOffset);
}

void CSunPositionFinder::ComputeSolarPosition(double longitude, double latitude, const CUtcTime& time,
                                              double& altitude, double& azimuth)
{
    const double lambda = longitude * K;
    const double phi = latitude * K;
    const double d = static_cast<double>(GetDayNumber(time.GetYear(), time.GetMonth(), time.GetDay())) +
                     time.GetDayFraction();

    const double omega = (d * 0.00004709 + 282.5105) * K;
    const double meanAnomaly = (d * 0.98560026 + 357.5166) * K;
    const double e = 0.01672 - d * 0.0000000011;
    const double q = (1 + e) / (1 - e);
    const double s = q > 1e-20 ? std::sqrt(q) : 0.0;

    double eccentric = 2 * std::atan(s * std::tan(meanAnomaly / 2));
    for (int i = 0; i < 9; ++i)
        eccentric = meanAnomaly + e * std::sin(eccentric);
    const double trueAnomaly = 2 * std::atan(s * std::tan(eccentric / 2));
    const double L = trueAnomaly + omega;

    const double declination = std::asin(Clamp1(std::sin(kObliquity) * std::sin(L)));
    double rightAscension = std::atan(std::cos(kObliquity) * std::tan(L));
    if (std::cos(L) < 0)
        rightAscension += kHalfTurn;

    const double sidereal = (d * 360.98564734 + 100.0215) * K;
    const double H = rightAscension - sidereal - lambda;

    const double cosDecl = std::cos(declination), sinDecl = std::sin(declination);
    const double alt = std::asin(Clamp1(cosDecl * std::cos(phi) * std::cos(H) + sinDecl * std::sin(phi)));
    const double N = cosDecl * std::sin(phi) * std::cos(H) - sinDecl * std::cos(phi);
    const double a0 = std::atan(cosDecl * std::sin(H) / N);
    double A = N >= 0 ? kHalfTurn - a0 : -a0;
    if (A < 0)
        A += kFullTurn;

    altitude = alt / K;
    azimuth = A / K;
}

orbisk::geometry::CVector3d CSunPositionFinder::SunDirection(double longitude, double latitude,
                                                             const CUtcTime& time,
                                                             const orbisk::geometry::CVector3d& north)
{
    double altitude = 0, azimuth = 0;
    ComputeSolarPosition(longitude, latitude, time, altitude, azimuth);
    // Towards the horizon's north point, raised by the altitude; then turned clockwise (seen
    // from above) by the azimuth and counter-clockwise onto the model's north.
    const double up = altitude * kDirectionRadians;
    double x = 0.0, y = std::cos(up);
    const auto rotate = [&](double angle) {
        const double c = std::cos(angle), s = std::sin(angle);
        const double rx = x * c - y * s;
        y = x * s + y * c;
        x = rx;
    };
    rotate(-azimuth * kDirectionRadians);
    rotate(std::atan2(-north.x, north.y));
    return {x, y, std::sin(up)};
}

CUtcTime CSunPositionFinder::CSunPositionEvaluator::TimeAt(double x) const
{
    const double days = Trunc(x);
    const double f = (x - days) * 24;
    const double hours = Trunc(f);
    const double minutes = Trunc(f * 60 - hours * 60);
    const double seconds = Trunc(f * 3600 - hours * 3600 - minutes * 60);
    const double offset = ((days * 24 + hours) * 60 + minutes) * 60 + seconds;
    return m_baseTime + static_cast<int64_t>(offset);
}

double CSunPositionFinder::CSunPositionEvaluator::Evaluate(double x) const
{
    double altitude = 0, azimuth = 0;
    ComputeSolarPosition(m_longitude, m_latitude, TimeAt(x), altitude, azimuth);
    return std::sin(altitude * 3.141592653589793 / 180);
}

bool CSunPositionFinder::FindSunEvent(CUtcTime& time, double longitude, double latitude, double windowStart,
                                      double windowEnd, double timeZone)
{
    double lo = windowStart - timeZone / 24;
    double hi = windowEnd - timeZone / 24;
    if (!(std::abs(lo) <= kMaxWindowDays && std::abs(hi) <= kMaxWindowDays))
        return false;
    // UTC midnight of the time's day.
    const CUtcTime baseTime(time.GetDayNumber() * CUtcTime::kSecondsPerDay);
    const CSunPositionEvaluator evaluator(longitude, latitude, baseTime);
    const double fraction = time.GetDayFraction();
    double x = lo < fraction && fraction < hi ? fraction : (lo + hi) / 2;

    const double fl = evaluator.Evaluate(lo);
    const double fh = evaluator.Evaluate(hi);
    if ((fl > 0 && fh > 0) || (fl < 0 && fh < 0))
        return false;
    const bool rising = fl < 0 && fh > 0;
    for (int step = 0; step < kMaxSearchSteps; ++step) {
        const double fx = evaluator.Evaluate(x);
        const bool past = rising ? fx > 0 : fx < 0;
        (past ? hi : lo) = x;
        x = (lo + hi) / 2;
        if (hi - lo <= kSearchTolerance)
            break;
    }
    time = evaluator.TimeAt(x);
    return true;
}

int CSunPositionFinder::TimeZoneFromLongitude(double longitude)
{
    if (!std::isfinite(longitude))
        return 0;
    const double x = std::clamp(longitude, -1e6, 1e6);
    int zone = 0;
    if (x > 7.5)
        zone = static_cast<int>(Trunc((x - 7.5) / 15 + 1));
    else if (x <= -7.5)
        zone = static_cast<int>(Trunc((x + 7.5) / 15 - 1));
    return zone == -12 ? 12 : zone;
}
