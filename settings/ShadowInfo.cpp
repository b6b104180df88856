#include "settings/ShadowInfo.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <ctime>

#include "database/ArchiveSchema.h"
#include "geometry/Tolerance.h"
#include "platform/mfc/Archive.h"
#include "platform/mfc/Time.h"
#include "settings/SunPositionFinder.h"
#include "support/ArchiveOperators.h"
#include "support/NotificationCenter.h"

IMPLEMENT_SERIAL(CShadowInfo, CEntity, VERSIONABLE_SCHEMA | 7)

using orbisk::geometry::CUnitVector3d;
using orbisk::geometry::CVector3d;

const wchar_t* const kDefaultShadowCity = L"Oslo";
const wchar_t* const kDefaultShadowCountry = L"Norway";
const double kDefaultShadowLongitude = 10.75;
const double kDefaultShadowLatitude = 59.91;
const double kDefaultShadowTimeZone = 1.0;

const double CShadowInfo::kTimeZones[kTimeZoneCount] = {
    -12, -11,  -10, -9.5, -9,   -8.5, -8,   -7,  -6,   -5,  -4.5, -4,    -3.5, -3,    -2.5, -2,
    -1,  0,    1,   2,    3,    3.5,  4,    4.5, 5,    5.5, 5.75, 6,     6.5,  6.75,  7,    7.5,
    8,   8.75, 9,   9.5,  9.75, 10,   10.5, 11,  11.5, 12,  12.5, 12.75, 13,   13.75, 14,   15};

namespace {

constexpr int kEdgeSegmentRoom = 100;
// The shadow times a record may hold: 1900-01-01 00:00:00 up to the end of 9999.
constexpr int64_t kFirstReadTime = -2208988800;
constexpr int64_t kEndReadTime = 253402300800;
// Beyond any zone: keeps the minute arithmetic of a damaged zone in range.
constexpr double kMaxZoneMinutes = 100000.0;
constexpr double kRadiansPerDegree = 0.0174532925199433;
constexpr double kDegreesPerRadian = 57.29577951308232;

void DeleteList(uint32_t& list)
{
    if (list != 0)
        glDeleteLists(list, 1);
    list = 0;
}

CUtcTime DefaultShadowTime()
{
    return CUtcTime::FromFields(CTime::GetCurrentTime().GetYear(), 6, 21, 13, 30, 0);
}

// The machine's offset from UTC in the runtime library's terms: whole hours of its standard
// zone, plus one hour when the zone has daylight saving.
int64_t MachineZoneSeconds()
{
    tzset();
    const auto hours = static_cast<int64_t>(static_cast<double>(timezone) / -3600.0);
    return hours * 3600 + (daylight ? 3600 : 0);
}

bool IsValidUnit(const CUnitVector3d& v)
{
    return CVector3d(v).IsValid() && std::abs(v.x * v.x + v.y * v.y + v.z * v.z - 1.0) <= 1e-6;
}

bool SameDate(CUtcTime a, CUtcTime b)
{
    return a.GetDayNumber() == b.GetDayNumber();
}

}  // namespace

CShadowInfo::CShadowInfo()
{
    SetDefaults();
}

CShadowInfo::CShadowInfo(const CShadowInfo& other)
    : CEntity(other),
      m_sunDirection(other.m_sunDirection),
      m_sunrise(other.m_sunrise),
      m_sunset(other.m_sunset),
      m_shadowTime(other.m_shadowTime),
      m_daylightSaving(other.m_daylightSaving),
      m_city(other.m_city),
      m_country(other.m_country),
      m_longitude(other.m_longitude),
      m_latitude(other.m_latitude),
      m_timeZone(other.m_timeZone),
      m_north(other.m_north),
      m_shadowsShown(other.m_shadowsShown),
      m_northShown(other.m_northShown),
      m_onFaces(other.m_onFaces),
      m_onGround(other.m_onGround),
      m_fromEdges(other.m_fromEdges),
      m_lightIntensity(other.m_lightIntensity),
      m_darkIntensity(other.m_darkIntensity),
      m_useSunForShading(other.m_useSunForShading)
{}

CShadowInfo::~CShadowInfo()
{
    DeleteGroundShadowList();
    DeleteVolumeList();
}

void CShadowInfo::SetDefaults()
{
    m_sunDirection = CUnitVector3d::ZAxis();
    m_shadowTime = DefaultShadowTime();
    m_daylightSaving = false;
    m_city = kDefaultShadowCity;
    m_country = kDefaultShadowCountry;
    m_longitude = kDefaultShadowLongitude;
    m_latitude = kDefaultShadowLatitude;
    m_timeZone = kDefaultShadowTimeZone;
    m_north = CUnitVector3d::YAxis();
    m_shadowsShown = false;
    m_northShown = false;
    m_onFaces = true;
    m_onGround = true;
    m_fromEdges = false;
    m_lightIntensity = 80;
    m_darkIntensity = 20;
    m_useSunForShading = false;
    ComputeSunDirection();
    ComputeSunrise();
    ComputeSunset();
    m_edgeSegments.clear();
    m_edgeSegments.reserve(kEdgeSegmentRoom);
}

void CShadowInfo::Announce(int32_t code)
{
    CShadowNotification notification{code, this};
    orbisk::utils::CNotificationCenter::GetInstance().PostNotification(kShadowNotification, &notification);
}

IModelContext* CShadowInfo::GetModel() const
{
    return m_owner ? m_owner : CEntity::GetModel();
}

// Time and place.

int64_t CShadowInfo::ZoneMinutes() const
{
    const double minutes = std::isfinite(m_timeZone) ? std::trunc(m_timeZone * 60) : 0.0;
    return static_cast<int64_t>(std::clamp(minutes, -kMaxZoneMinutes, kMaxZoneMinutes)) +
           (m_daylightSaving ? 60 : 0);
}

CUtcTime CShadowInfo::ToUniversal(CUtcTime local) const
{
    return local - ZoneMinutes() * 60;
}

CUtcTime CShadowInfo::ToLocal(CUtcTime universal) const
{
    return universal + ZoneMinutes() * 60;
}

void CShadowInfo::ComputeSunDirection()
{
    m_sunDirection = CUnitVector3d(
        CSunPositionFinder::SunDirection(m_longitude, m_latitude, ToUniversal(m_shadowTime), m_north));
    DeleteGroundShadowList();
    DeleteVolumeList();
}

CUtcTime CShadowInfo::FindEventOnShadowDay(double windowStart, double windowEnd, int hour, int minute,
                                           int second) const
{
    const int64_t shadowDay = m_shadowTime.GetDayNumber();
    CUtcTime event = ToUniversal(m_shadowTime);
    if (!CSunPositionFinder::FindSunEvent(event, m_longitude, m_latitude, windowStart, windowEnd, m_timeZone))
        return CUtcTime(shadowDay * CUtcTime::kSecondsPerDay + (hour * 60 + minute) * 60 + second);
    // Whole days between the dates, not days of the year, so that a window reaching into the
    // next or the previous year lands on the shadow day too.
    const CUtcTime local = ToLocal(event);
    return local + (shadowDay - local.GetDayNumber()) * CUtcTime::kSecondsPerDay;
}

void CShadowInfo::ComputeSunrise()
{
    m_sunrise = FindEventOnShadowDay(0.0, 0.5, 0, 0, 0);
}

void CShadowInfo::ComputeSunset()
{
    m_sunset = FindEventOnShadowDay(0.5, 1.0, 23, 59, 59);
}

void CShadowInfo::SetShadowTime(CUtcTime time)
{
    if (time == m_shadowTime)
        return;
    const bool newDay = !SameDate(time, m_shadowTime);
    m_shadowTime = time;
    ComputeSunDirection();
    if (newDay) {
        ComputeSunrise();
        ComputeSunset();
    }
    Announce(CShadowNotification::kShadowTime);
}

void CShadowInfo::SetTimeZone(double hours)
{
    if (std::abs(hours - m_timeZone) < orbisk::geometry::kGeomTolerance)
        return;
    m_timeZone = hours;
    ComputeSunrise();
    ComputeSunset();
    // The clock time keeps within the new zone's daylight.
    if (m_shadowTime.GetDayFraction() > m_sunset.GetDayFraction())
        m_shadowTime = m_sunset - 60;
    if (m_shadowTime.GetDayFraction() < m_sunrise.GetDayFraction())
        m_shadowTime = m_sunrise + 60;
    ComputeSunDirection();
    Announce(CShadowNotification::kShadowTime);
}

void CShadowInfo::SetTimeZoneByIndex(int index)
{
    SetTimeZone(index >= 0 && index < kTimeZoneCount ? kTimeZones[index] : 0.0);
}

int CShadowInfo::GetTimeZoneIndex() const
{
    const double* found = std::find(std::begin(kTimeZones), std::end(kTimeZones), m_timeZone);
    return found == std::end(kTimeZones) ? kUtcTimeZoneIndex
                                         : static_cast<int>(found - std::begin(kTimeZones));
}

void CShadowInfo::SetLocation(const CString& country, const CString& city, double longitude, double latitude)
{
    if (country == m_country && city == m_city && longitude == m_longitude && latitude == m_latitude)
        return;
    m_country = country;
    m_city = city;
    m_longitude = longitude;
    m_latitude = latitude;
    m_timeZone = CSunPositionFinder::TimeZoneFromLongitude(longitude);
    ComputeSunDirection();
    ComputeSunrise();
    ComputeSunset();
    Announce(CShadowNotification::kLocation);
}

void CShadowInfo::SetNorthDirection(const CVector3d& north)
{
    if (CVector3d(m_north).IsEqual(north, orbisk::geometry::kGeomTolerance))
        return;
    m_north = CUnitVector3d(north);
    ComputeSunDirection();
    Announce(CShadowNotification::kNorthDirection);
}

void CShadowInfo::SetNorthAngle(double degrees)
{
    const double a = degrees * kRadiansPerDegree;
    SetNorthDirection(CVector3d(std::sin(a), std::cos(a), 0.0));
}

double CShadowInfo::GetNorthAngle() const
{
    double angle = std::atan2(m_north.x, m_north.y) * kDegreesPerRadian;
    if (std::abs(angle) < orbisk::geometry::kGeomTolerance)
        return 0.0;
    if (angle < 0)
        angle += 360.0;
    return std::abs(angle - 360.0) < orbisk::geometry::kGeomTolerance ? 0.0 : angle;
}

// Flags and intensities.

void CShadowInfo::SetShadowsShown(bool shown)
{
    if (shown == m_shadowsShown)
        return;
    m_shadowsShown = shown;
    Announce(CShadowNotification::kShadowsShown);
}

void CShadowInfo::SetNorthShown(bool shown)
{
    if (shown == m_northShown)
        return;
    m_northShown = shown;
    Announce(CShadowNotification::kNorthShown);
}

void CShadowInfo::SetOnFaces(bool on)
{
    if (on == m_onFaces)
        return;
    m_onFaces = on;
    Announce(CShadowNotification::kOnFaces);
}

void CShadowInfo::SetOnGround(bool on)
{
    if (on == m_onGround)
        return;
    m_onGround = on;
    Announce(CShadowNotification::kOnGround);
}

void CShadowInfo::SetFromEdges(bool on)
{
    if (on == m_fromEdges)
        return;
    m_fromEdges = on;
    Announce(CShadowNotification::kFromEdges);
    DeleteGroundShadowList();
    DeleteVolumeList();
}

void CShadowInfo::SetLightIntensity(int32_t intensity)
{
    // Taken as unsigned: negative values are out of range too.
    if (static_cast<uint32_t>(intensity) > 100 || intensity == m_lightIntensity)
        return;
    m_lightIntensity = intensity;
    Announce(CShadowNotification::kIntensity);
}

void CShadowInfo::SetDarkIntensity(int32_t intensity)
{
    if (static_cast<uint32_t>(intensity) > 100 || intensity == m_darkIntensity)
        return;
    m_darkIntensity = intensity;
    Announce(CShadowNotification::kIntensity);
}

void CShadowInfo::SetUseSunForShading(bool on)
{
    m_useSunForShading = on;
    Announce(CShadowNotification::kUseSunForShading);
}

// Display lists.

void CShadowInfo::DeleteGroundShadowList()
{
    DeleteList(m_groundShadowList);
}

void CShadowInfo::DeleteVolumeList()
{
    DeleteList(m_volumeList);
}

// Copies and exchanges.

CEntity* CShadowInfo::CreateCopy() const
{
    return new CShadowInfo(*this);
}

void CShadowInfo::CopySettings(const CShadowInfo& other)
{
    m_shadowTime = other.m_shadowTime;
    m_daylightSaving = other.m_daylightSaving;
    m_north = other.m_north;
    m_shadowsShown = other.m_shadowsShown;
    m_northShown = other.m_northShown;
    m_onFaces = other.m_onFaces;
    m_onGround = other.m_onGround;
    m_fromEdges = other.m_fromEdges;
    m_lightIntensity = other.m_lightIntensity;
    m_darkIntensity = other.m_darkIntensity;
    m_useSunForShading = other.m_useSunForShading;
    m_groundShadowList = 0;
    m_volumeList = 0;
    ComputeSunDirection();
    ComputeSunrise();
    ComputeSunset();
}

void CShadowInfo::Assign(const CShadowInfo& other)
{
    m_city = other.m_city;
    m_country = other.m_country;
    m_longitude = other.m_longitude;
    m_latitude = other.m_latitude;
    m_timeZone = other.m_timeZone;
    CopySettings(other);
}

void CShadowInfo::SwapContents(CEntity& other)
{
    auto& that = static_cast<CShadowInfo&>(other);
    CEntity::SwapContents(other);
    using std::swap;
    swap(m_city, that.m_city);
    swap(m_country, that.m_country);
    swap(m_longitude, that.m_longitude);
    swap(m_latitude, that.m_latitude);
    swap(m_timeZone, that.m_timeZone);
    swap(m_daylightSaving, that.m_daylightSaving);
    swap(m_shadowTime, that.m_shadowTime);
    swap(m_sunrise, that.m_sunrise);
    swap(m_sunset, that.m_sunset);
    swap(m_sunDirection, that.m_sunDirection);
    swap(m_north, that.m_north);
    swap(m_shadowsShown, that.m_shadowsShown);
    swap(m_northShown, that.m_northShown);
    swap(m_onFaces, that.m_onFaces);
    swap(m_onGround, that.m_onGround);
    swap(m_fromEdges, that.m_fromEdges);
    swap(m_lightIntensity, that.m_lightIntensity);
    swap(m_darkIntensity, that.m_darkIntensity);
    swap(m_useSunForShading, that.m_useSunForShading);
    // The cached shadows were cast by the other sun.
    DeleteGroundShadowList();
    DeleteVolumeList();
    that.DeleteGroundShadowList();
    that.DeleteVolumeList();
    Announce(CShadowNotification::kLocation);
}

void CShadowInfo::Erase()
{
    DeleteGroundShadowList();
    DeleteVolumeList();
    CEntity::Erase();
}

// The model-file record.

void CShadowInfo::Serialize(CArchive& ar)
{
    SerializeGuarded(ar, [&] {
        CEntity::Serialize(ar);
        if (ar.IsLoading())
            ReadRecord(ar);
        else
            WriteRecord(ar);
    });
}

void CShadowInfo::ReadRecord(CArchive& ar)
{
    const int32_t v = GetClassVersion(RUNTIME_CLASS(CShadowInfo));
    // 64 bits, unlike the archive's own time values.
    int64_t seconds = 0;
    ar >> seconds;
    ar >> m_daylightSaving >> m_city >> m_country;
    if (v >= 1)
        ar >> m_longitude >> m_latitude >> m_timeZone;
    if (v >= 2)
        ar >> m_north >> m_northShown;
    if (v == 3) {
        bool unused = false;
        ar >> unused;
    } else {
        if (v >= 5)
            ar >> m_onFaces >> m_onGround >> m_fromEdges >> m_lightIntensity >> m_darkIntensity;
        if (v >= 6)
            ar >> m_useSunForShading;
    }
    if (seconds < kFirstReadTime || seconds >= kEndReadTime)
        AfxThrowArchiveException(CArchiveException::genericException);
    // Older records stored a real instant; the settings keep the local clock time.
    if (v <= 6)
        seconds += MachineZoneSeconds();
    m_shadowTime = CUtcTime(seconds);
    if (v >= 1)
        ComputeSunDirection();
    ComputeSunrise();
    ComputeSunset();
}

void CShadowInfo::WriteRecord(CArchive& ar) const
{
    const int32_t v = GetClassVersion(RUNTIME_CLASS(CShadowInfo));
    int64_t seconds = m_shadowTime.GetTime();
    if (v <= 6)
        seconds -= MachineZoneSeconds();
    ar << seconds << m_daylightSaving << m_city << m_country;
    if (v >= 1)
        ar << m_longitude << m_latitude << m_timeZone;
    if (v >= 2)
        ar << m_north << m_northShown;
    if (v == 3) {
        ar << false;
        return;
    }
    if (v >= 5)
        ar << m_onFaces << m_onGround << m_fromEdges << m_lightIntensity << m_darkIntensity;
    if (v >= 6)
        ar << m_useSunForShading;
}

// The self-check.

int CShadowInfo::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CShadowInfo), map, [&] { return CEntity::CheckValidity(level, map); },
        [&] { return CheckOwnValidity(level); });
}

int CShadowInfo::CheckOwnValidity(int level)
{
    if (level == kValidityCheckIgnoringIds)
        return 0;
    const char* problem = nullptr;
    if (!IsValidUnit(m_sunDirection))
        problem = "The sun direction for %s is not valid\n";
    else if (!std::isfinite(m_longitude) || !std::isfinite(m_latitude) || !std::isfinite(m_timeZone))
        problem = "The longitude, latitude or time zone for %s is not valid\n";
    else if (!IsValidUnit(m_north))
        problem = "The north direction for %s is not valid\n";
    else if (!std::isfinite(kDefaultShadowLongitude) || !std::isfinite(kDefaultShadowLatitude) ||
             !std::isfinite(kDefaultShadowTimeZone))
        problem = "The default longitude, latitude or time zone for %s is not valid\n";
    if (!problem)
        return 0;
    AppendValidityMessage(problem, DescribeEntity(this).GetString());
    return 2;
}
