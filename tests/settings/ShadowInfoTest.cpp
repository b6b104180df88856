// UTC time values and the shadow settings: the Gregorian calendar, the setters and their
// announcements, sunrise and sunset of the shadow day, time zones, north, copies, the
// model-file record of every schema and the self-check.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>

#include "database/Validity.h"
#include "platform/mfc/ArchiveException.h"
#include "settings/ShadowInfo.h"
#include "settings/SunPositionFinder.h"
#include "tests/settings/SettingsTestSupport.h"
#include "tests/support/SettingsRecords.h"
#include "tests/support/TempFolder.h"

using orbisk::geometry::CVector3d;

namespace {

CUtcTime Utc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return CUtcTime::FromFields(year, month, day, hour, minute, second);
}

// The process's time zone for a scope: the shadow records of schema 6 and older depend on it.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone) : m_zone("TZ", zone) { tzset(); }
    ~ScopedTimeZone() { tzset(); }

private:
    ScopedEnvironment m_zone;
};

class ShadowInfoTest : public ::testing::Test {
protected:
    ~ShadowInfoTest() override { ClearValidityReport(); }

    // Settings at the equator on Greenwich time, at the equinox.
    static void AtEquator(CShadowInfo& shadows, CUtcTime time)
    {
        shadows.SetLocation(L"Atlantic", L"Null Island", 0.0, 0.0);
        shadows.SetShadowTime(time);
    }

    // Reads a record of the schema into fresh settings.
    std::unique_ptr<CShadowInfo> Read(const Bytes& body, int32_t schema)
    {
        ScopedSchemas schemas{{"CShadowInfo", schema}};
        auto shadows = std::make_unique<CShadowInfo>();
        EXPECT_EQ(BytesLeftAfter(EntityPart() + body, [&](CArchive& ar) { shadows->Serialize(ar); }), 0u);
        return shadows;
    }

    SettingsPosts posts{kShadowNotification};
};

}  // namespace

// UTC time values.

TEST(UtcTime, FieldsBuildAndBreakDownAsUtcWhateverTheMachinesZone)
{
    ScopedTimeZone zone("NZST-12NZDT");
    const CUtcTime time = Utc(2010, 6, 21, 13, 30, 15);
    EXPECT_EQ(time.GetTime(), 1277127015);
    EXPECT_EQ(time.GetYear(), 2010);
    EXPECT_EQ(time.GetMonth(), 6);
    EXPECT_EQ(time.GetDay(), 21);
    EXPECT_EQ(time.GetHour(), 13);
    EXPECT_EQ(time.GetMinute(), 30);
    EXPECT_EQ(time.GetSecond(), 15);
    EXPECT_EQ(time.GetMinuteOfDay(), 810);
    EXPECT_DOUBLE_EQ(time.GetDayFraction(), 13 / 24.0 + 30 / 1440.0 + 15 / 86400.0);
    EXPECT_EQ(CUtcTime().GetYear(), 1970);
    EXPECT_EQ(Utc(1969, 12, 31, 23, 59, 59).GetTime(), -1);
    EXPECT_EQ(Utc(1900, 1, 1).GetDay(), 1);
}

TEST(UtcTime, FieldsOutOfRangeAreRefused)
{
    const int cases[][6] = {{1899, 1, 1, 0, 0, 0},  {2000, 0, 1, 0, 0, 0},  {2000, 13, 1, 0, 0, 0},
                            {2000, 1, 0, 0, 0, 0},  {2000, 1, 32, 0, 0, 0}, {2000, 1, 1, 24, 0, 0},
                            {2000, 1, 1, 0, 60, 0}, {2000, 1, 1, 0, 0, 60}, {2000, 1, 1, -1, 0, 0}};
    for (const auto& c : cases)
        EXPECT_THROW(CUtcTime::FromFields(c[0], c[1], c[2], c[3], c[4], c[5]), std::invalid_argument) << c[0];
}

TEST(UtcTime, TheCalendarIsGregorian)
{
    const struct {
        int year;
        int days;
        int dayOfMarchFirst;
    } cases[] = {{1900, 365, 60}, {1999, 365, 60}, {2000, 366, 61}, {2004, 366, 61}, {2100, 365, 60}};
    for (const auto& c : cases) {
        const CUtcTime march = Utc(c.year, 3, 1);
        EXPECT_EQ(march.GetDaysInYear(), c.days) << c.year;
        EXPECT_EQ(march.GetDayOfYear(), c.dayOfMarchFirst) << c.year;
        EXPECT_EQ(Utc(c.year, 12, 31).GetDayOfYear(), c.days) << c.year;
    }
}

TEST(UtcTime, DaysOfTheYearBecomeMonthsAndDaysWithinTheYear)
{
    const struct {
        int year;
        int dayOfYear;
        int month, day;
    } cases[] = {{2008, 60, 2, 29},   {2008, 61, 3, 1},    {2009, 60, 3, 1},    {2100, 60, 3, 1},
                 {2000, 60, 2, 29},   {2009, 1, 1, 1},     {2009, 365, 12, 31}, {2008, 366, 12, 31},
                 {2009, 366, 12, 31}, {2009, 400, 12, 31}, {2009, 0, 1, 1}};
    for (const auto& c : cases) {
        int month = 0, day = 0;
        const bool leap = Utc(c.year, 5, 5).DayOfYearToMonthDay(c.dayOfYear, month, day);
        EXPECT_EQ(leap, CUtcTime::IsLeapYear(c.year));
        EXPECT_EQ(month, c.month) << c.year << " " << c.dayOfYear;
        EXPECT_EQ(day, c.day) << c.year << " " << c.dayOfYear;
    }
}

TEST(UtcTime, FormatsTheBreakdownAsAClockTimeByDefault)
{
    const CUtcTime time = Utc(2010, 6, 21, 13, 5);
    EXPECT_EQ(time.Format(), CString(L"01:05 PM"));
    EXPECT_EQ(time.Format(L""), CString(L"01:05 PM"));
    EXPECT_EQ(time.Format(L"%Y-%m-%d %H:%M"), CString(L"2010-06-21 13:05"));
    EXPECT_EQ(time.Format(std::wstring(200, L'x').c_str()), CString());
}

// Shadow settings.

TEST_F(ShadowInfoTest, NewSettingsStartAtTheDefaultPlaceOnMidsummerAfternoon)
{
    const CShadowInfo shadows;
    EXPECT_EQ(shadows.GetCity(), CString(kDefaultShadowCity));
    EXPECT_EQ(shadows.GetTimeZone(), kDefaultShadowTimeZone);
    EXPECT_EQ(CSunPositionFinder::TimeZoneFromLongitude(kDefaultShadowLongitude),
              static_cast<int>(kDefaultShadowTimeZone));
    EXPECT_EQ(shadows.GetShadowTime().GetMonth(), 6);
    EXPECT_EQ(shadows.GetShadowTime().GetDay(), 21);
    EXPECT_EQ(shadows.GetShadowTime().GetMinuteOfDay(), 13 * 60 + 30);
    EXPECT_EQ(shadows.GetLightIntensity(), 80);
    EXPECT_EQ(shadows.GetDarkIntensity(), 20);
    EXPECT_TRUE(shadows.GetOnFaces());
    EXPECT_FALSE(shadows.AreShadowsShown());
    EXPECT_EQ(shadows.GetEntityType(), kEntityShadowInfo);
    // An afternoon sun in the south-west, above the horizon; a northern summer day.
    EXPECT_GT(shadows.GetSunDirection().z, 0.5);
    EXPECT_LT(shadows.GetSunDirection().x, 0);
    EXPECT_LT(shadows.GetSunDirection().y, 0);
    EXPECT_LT(shadows.GetSunrise().GetHour(), 5);
    // Standard time all year: an hour before the summer clock.
    EXPECT_GE(shadows.GetSunset().GetHour(), 21);
    EXPECT_EQ(shadows.GetSunrise().GetDayNumber(), shadows.GetShadowTime().GetDayNumber());
    EXPECT_TRUE(posts.posts.empty());
}

TEST_F(ShadowInfoTest, SettersAnnounceTheirCodeWhenTheValueChanges)
{
    CShadowInfo shadows;
    shadows.SetShadowsShown(true);
    shadows.SetShadowsShown(true);
    shadows.SetNorthShown(true);
    shadows.SetOnFaces(false);
    shadows.SetOnGround(false);
    shadows.SetFromEdges(true);
    shadows.SetLightIntensity(60);
    shadows.SetDarkIntensity(20);
    shadows.SetUseSunForShading(false);
    shadows.SetUseSunForShading(false);
    shadows.SetShadowsShownSilently(false);
    EXPECT_EQ(posts.Codes(), (std::vector<int32_t>{1, 5, 10, 9, 8, 2, 7, 7}));
    EXPECT_EQ(posts.posts.front().object, &shadows);
    EXPECT_FALSE(shadows.AreShadowsShown());
}

TEST_F(ShadowInfoTest, IntensitiesOutsideZeroToHundredAreIgnored)
{
    CShadowInfo shadows;
    for (int32_t value : {101, -1, 1000, std::numeric_limits<int32_t>::min()}) {
        shadows.SetLightIntensity(value);
        shadows.SetDarkIntensity(value);
    }
    EXPECT_EQ(shadows.GetLightIntensity(), 80);
    EXPECT_EQ(shadows.GetDarkIntensity(), 20);
    EXPECT_TRUE(posts.posts.empty());
    shadows.SetLightIntensity(100);
    shadows.SetDarkIntensity(0);
    EXPECT_EQ(posts.Codes(), (std::vector<int32_t>{2, 2}));
}

TEST_F(ShadowInfoTest, TheClockTimeKeepsTheDaysSunriseAndANewDateRecomputesIt)
{
    CShadowInfo shadows;
    AtEquator(shadows, Utc(2010, 3, 20, 12));
    const CUtcTime sunrise = shadows.GetSunrise();
    const CUtcTime sunset = shadows.GetSunset();
    EXPECT_EQ(sunrise.GetHour(), 6);
    EXPECT_EQ(sunset.GetHour(), 18);
    const auto sunAt12 = shadows.GetSunDirection();
    posts.posts.clear();

    shadows.SetShadowTime(Utc(2010, 3, 20, 9));
    EXPECT_EQ(shadows.GetSunrise(), sunrise);
    EXPECT_EQ(shadows.GetSunset(), sunset);
    EXPECT_NE(CVector3d(shadows.GetSunDirection()), CVector3d(sunAt12));
    shadows.SetShadowTime(Utc(2010, 3, 20, 9));
    EXPECT_EQ(posts.Codes(), (std::vector<int32_t>{0}));

    shadows.SetShadowTime(Utc(2010, 6, 21, 9));
    EXPECT_EQ(shadows.GetSunrise().GetMonth(), 6);
    EXPECT_EQ(shadows.GetSunrise().GetDay(), 21);
    EXPECT_NE(shadows.GetSunrise().GetMinuteOfDay(), sunrise.GetMinuteOfDay());
}

TEST_F(ShadowInfoTest, TheLocationSetsTheZoneFromTheLongitude)
{
    CShadowInfo shadows;
    shadows.SetLocation(L"Japan", L"Tokyo", 139.7, 35.7);
    shadows.SetLocation(L"Japan", L"Tokyo", 139.7, 35.7);
    EXPECT_EQ(shadows.GetTimeZone(), 9.0);
    EXPECT_EQ(shadows.GetCountry(), CString(L"Japan"));
    EXPECT_EQ(posts.Codes(), (std::vector<int32_t>{3}));
}

TEST_F(ShadowInfoTest, TimeZonesMapToTheirListIndex)
{
    EXPECT_EQ(CShadowInfo::kTimeZones[0], -12.0);
    EXPECT_EQ(CShadowInfo::kTimeZones[CShadowInfo::kUtcTimeZoneIndex], 0.0);
    EXPECT_EQ(CShadowInfo::kTimeZones[CShadowInfo::kTimeZoneCount - 1], 15.0);
    EXPECT_TRUE(std::is_sorted(std::begin(CShadowInfo::kTimeZones), std::end(CShadowInfo::kTimeZones)));
    CShadowInfo shadows;
    const struct {
        double zone;
        int index;
    } cases[] = {{14, 46}, {5.75, 26}, {2.25, 17}, {-12, 0}, {15, 47}, {0, 17}, {-3.5, 12}};
    for (const auto& c : cases) {
        shadows.SetTimeZone(c.zone);
        EXPECT_EQ(shadows.GetTimeZoneIndex(), c.index) << c.zone;
    }
    shadows.SetTimeZoneByIndex(26);
    EXPECT_EQ(shadows.GetTimeZone(), 5.75);
    shadows.SetTimeZoneByIndex(48);
    EXPECT_EQ(shadows.GetTimeZone(), 0.0);
    shadows.SetTimeZoneByIndex(-1);
    EXPECT_EQ(shadows.GetTimeZone(), 0.0);
}

TEST_F(ShadowInfoTest, AZoneWithinAThousandthOfAnHourChangesNothing)
{
    CShadowInfo shadows;
    shadows.SetTimeZone(3.0);
    posts.posts.clear();
    shadows.SetTimeZone(3.0009);
    EXPECT_EQ(shadows.GetTimeZone(), 3.0);
    EXPECT_TRUE(posts.posts.empty());
}

TEST_F(ShadowInfoTest, ANewZoneKeepsTheShadowTimeWithinDaylight)
{
    CShadowInfo evening;
    AtEquator(evening, Utc(2010, 3, 20, 17, 30));
    posts.posts.clear();
    // On the clock of a zone four hours behind Greenwich the equinox sun sets near 14:07.
    evening.SetTimeZone(-4);
    EXPECT_EQ(evening.GetShadowTime(), evening.GetSunset() - 60);
    EXPECT_EQ(evening.GetShadowTime().GetHour(), 14);
    EXPECT_EQ(posts.Codes(), (std::vector<int32_t>{0}));

    // Four hours ahead it rises near 10:07.
    CShadowInfo morning;
    AtEquator(morning, Utc(2010, 3, 20, 7, 0));
    morning.SetTimeZone(4);
    EXPECT_EQ(morning.GetShadowTime(), morning.GetSunrise() + 60);
    EXPECT_EQ(morning.GetShadowTime().GetHour(), 10);
}

TEST_F(ShadowInfoTest, PolarDaysRiseAtMidnightAndSetJustBeforeTheNext)
{
    CShadowInfo shadows;
    shadows.SetLocation(L"Norway", L"Longyearbyen", 15.6, 78.2);
    for (const CUtcTime time : {Utc(2010, 6, 21, 12), Utc(2010, 12, 21, 12)}) {
        shadows.SetShadowTime(time);
        EXPECT_EQ(shadows.GetSunrise(), Utc(time.GetYear(), time.GetMonth(), time.GetDay(), 0, 0, 0));
        EXPECT_EQ(shadows.GetSunset(), Utc(time.GetYear(), time.GetMonth(), time.GetDay(), 23, 59, 59));
    }
}

TEST_F(ShadowInfoTest, SunriseAcrossTheNewYearStaysOnTheShadowDay)
{
    CShadowInfo shadows;
    // Far east of its zone's meridian the morning search starts in the previous UTC year.
    shadows.SetLocation(L"Kiribati", L"Kiritimati", -157.4, 1.9);
    shadows.SetTimeZone(14);
    shadows.SetShadowTime(Utc(2011, 1, 1, 12));
    EXPECT_EQ(shadows.GetSunrise().GetDayNumber(), Utc(2011, 1, 1).GetDayNumber());
    EXPECT_EQ(shadows.GetSunset().GetDayNumber(), Utc(2011, 1, 1).GetDayNumber());
    EXPECT_LT(shadows.GetSunrise(), shadows.GetSunset());
}

TEST_F(ShadowInfoTest, NorthIsAnAngleClockwiseFromTheModelsY)
{
    CShadowInfo shadows;
    const struct {
        CVector3d north;
        double angle;
    } cases[] = {{{1, 0, 0}, 90},      {{0, -1, 0}, 180},     {{-1, 0, 0}, 270}, {{0, 1, 0}, 0},
                 {{0.00001, 1, 0}, 0}, {{-0.00001, 1, 0}, 0}, {{-1, 1, 0}, 315}};
    for (const auto& c : cases) {
        shadows.SetNorthDirection(CVector3d(0, 0, 1));
        shadows.SetNorthDirection(c.north);
        EXPECT_NEAR(shadows.GetNorthAngle(), c.angle, 1e-9) << c.angle;
    }
    shadows.SetNorthAngle(90);
    posts.posts.clear();
    shadows.SetNorthDirection(CVector3d(1, 0.0009, 0));
    EXPECT_TRUE(posts.posts.empty());
    shadows.SetNorthAngle(180);
    EXPECT_NEAR(shadows.GetNorth().y, -1, 1e-12);
    EXPECT_EQ(posts.Codes(), (std::vector<int32_t>{4}));
}

TEST_F(ShadowInfoTest, CopiesTakeTheSettingsAndAssignTakesThePlaceToo)
{
    CShadowInfo scene;
    scene.SetLocation(L"Chile", L"Santiago", -70.6, -33.4);
    scene.SetShadowTime(Utc(2010, 12, 21, 8));
    scene.SetLightIntensity(55);
    scene.SetShadowsShown(true);

    CShadowInfo model;
    model.CopySettings(scene);
    EXPECT_EQ(model.GetCity(), CString(kDefaultShadowCity));
    EXPECT_EQ(model.GetShadowTime(), scene.GetShadowTime());
    EXPECT_EQ(model.GetLightIntensity(), 55);
    EXPECT_TRUE(model.GetShadowsShown());
    // The model's own place gives its own sunrise.
    EXPECT_NE(model.GetSunrise(), scene.GetSunrise());

    model.Assign(scene);
    EXPECT_EQ(model.GetCity(), CString(L"Santiago"));
    EXPECT_EQ(model.GetSunrise(), scene.GetSunrise());
    EXPECT_EQ(CVector3d(model.GetSunDirection()), CVector3d(scene.GetSunDirection()));

    const std::unique_ptr<CShadowInfo> copy(static_cast<CShadowInfo*>(scene.CreateCopy()));
    EXPECT_EQ(copy->GetSunset(), scene.GetSunset());
    EXPECT_EQ(copy->GetOwner(), nullptr);
}

TEST_F(ShadowInfoTest, SwappingExchangesPlaceAndTimeAndAnnouncesALocationChange)
{
    CShadowInfo a;
    CShadowInfo b;
    b.SetLocation(L"Chile", L"Santiago", -70.6, -33.4);
    b.SetDarkIntensity(5);
    const CUtcTime sunriseB = b.GetSunrise();
    posts.posts.clear();
    a.SwapContents(b);
    EXPECT_EQ(a.GetCity(), CString(L"Santiago"));
    EXPECT_EQ(a.GetDarkIntensity(), 5);
    EXPECT_EQ(a.GetSunrise(), sunriseB);
    EXPECT_EQ(b.GetCity(), CString(kDefaultShadowCity));
    EXPECT_EQ(posts.posts, (std::vector<SettingsPosts::Post>{{3, &a}}));
}

// Records.

TEST_F(ShadowInfoTest, TheNewestRecordIsReadAsItsLocalClockTime)
{
    ScopedTimeZone zone("EST5EDT");
    ShadowFields fields;
    fields.shadowTime = Utc(2009, 8, 1, 15, 45).GetTime();
    fields.north = {1, 0, 0};
    fields.northShown = true;
    fields.onGround = false;
    fields.fromEdges = true;
    fields.lightIntensity = 64;
    fields.darkIntensity = 32;
    fields.useSunForShading = true;
    const std::unique_ptr<CShadowInfo> shadows = Read(ShadowInfoRecord(fields, 7), 7);
    EXPECT_EQ(shadows->GetShadowTime(), Utc(2009, 8, 1, 15, 45));
    EXPECT_EQ(shadows->GetCity(), CString(L"Trondheim"));
    EXPECT_EQ(shadows->GetLatitude(), 63.4);
    EXPECT_EQ(shadows->GetTimeZone(), 1.0);
    EXPECT_NEAR(shadows->GetNorthAngle(), 90, 1e-9);
    EXPECT_TRUE(shadows->GetNorthShown());
    EXPECT_FALSE(shadows->GetOnGround());
    EXPECT_TRUE(shadows->GetFromEdges());
    EXPECT_EQ(shadows->GetLightIntensity(), 64);
    EXPECT_EQ(shadows->GetDarkIntensity(), 32);
    EXPECT_TRUE(shadows->GetUseSunForShading());
    EXPECT_EQ(shadows->GetSunrise().GetDayNumber(), shadows->GetShadowTime().GetDayNumber());
    EXPECT_TRUE(posts.posts.empty());

    CShadowInfo expected;
    expected.SetLocation(L"Norway", L"Trondheim", 10.4, 63.4);
    expected.SetNorthDirection(CVector3d(1, 0, 0));
    expected.SetShadowTime(Utc(2009, 8, 1, 15, 45));
    EXPECT_EQ(CVector3d(shadows->GetSunDirection()), CVector3d(expected.GetSunDirection()));
}

TEST_F(ShadowInfoTest, OlderRecordsStoredAnInstantThatBecomesTheMachinesLocalTime)
{
    // Five hours west, with daylight saving: the runtime library's offset is -5 + 1 hours.
    ScopedTimeZone zone("EST5EDT");
    ShadowFields fields;
    fields.shadowTime = Utc(2009, 8, 1, 19, 45).GetTime();
    fields.lightIntensity = 1;
    const std::unique_ptr<CShadowInfo> shadows = Read(ShadowInfoRecord(fields, 4), 4);
    EXPECT_EQ(shadows->GetShadowTime(), Utc(2009, 8, 1, 15, 45));
    EXPECT_EQ(shadows->GetLightIntensity(), 80);
    EXPECT_EQ(shadows->GetDarkIntensity(), 20);
    EXPECT_EQ(shadows->GetLongitude(), 10.4);
}

TEST_F(ShadowInfoTest, EachSchemaReadsItsOwnFields)
{
    ScopedTimeZone zone("UTC0");
    ShadowFields fields;
    fields.shadowTime = Utc(2009, 8, 1, 12).GetTime();
    fields.northShown = true;
    fields.onFaces = false;
    fields.useSunForShading = true;
    const struct {
        int schema;
        bool place, north, flags, shading;
    } cases[] = {{0, false, false, false, false}, {1, true, false, false, false},
                 {2, true, true, false, false},   {3, true, true, false, false},
                 {5, true, true, true, false},    {6, true, true, true, true}};
    for (const auto& c : cases) {
        const std::unique_ptr<CShadowInfo> shadows = Read(ShadowInfoRecord(fields, c.schema), c.schema);
        EXPECT_EQ(shadows->GetShadowTime(), Utc(2009, 8, 1, 12)) << c.schema;
        EXPECT_EQ(shadows->GetLongitude() == 10.4, c.place) << c.schema;
        EXPECT_EQ(shadows->GetNorthShown(), c.north) << c.schema;
        EXPECT_EQ(!shadows->GetOnFaces(), c.flags) << c.schema;
        EXPECT_EQ(shadows->GetUseSunForShading(), c.shading) << c.schema;
    }
}

TEST_F(ShadowInfoTest, CutRecordsAndTimesOffTheCalendarAreArchiveErrors)
{
    ShadowFields fields;
    fields.shadowTime = Utc(2009, 8, 1, 12).GetTime();
    const Bytes body = ShadowInfoRecord(fields, 7);
    ScopedSchemas schemas{{"CShadowInfo", 7}};
    for (size_t length : {size_t{0}, size_t{7}, size_t{9}, body.size() - 1}) {
        CShadowInfo shadows;
        const Bytes cut(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_EQ(
            ArchiveCause([&] { ReadFrom(EntityPart() + cut, [&](CArchive& ar) { shadows.Serialize(ar); }); }),
            CArchiveException::endOfFile)
            << length;
    }
    for (int64_t time : {std::numeric_limits<int64_t>::max(), std::numeric_limits<int64_t>::min(),
                         Utc(1900, 1, 1).GetTime() - 1, int64_t{253402300800}}) {
        fields.shadowTime = time;
        CShadowInfo shadows;
        EXPECT_EQ(ArchiveCause([&] {
                      ReadFrom(EntityPart() + ShadowInfoRecord(fields, 7),
                               [&](CArchive& ar) { shadows.Serialize(ar); });
                  }),
                  CArchiveException::genericException)
            << time;
    }
}

TEST_F(ShadowInfoTest, DamagedNumbersReadWithoutHangingAndFailTheCheck)
{
    ShadowFields fields;
    fields.shadowTime = Utc(2009, 8, 1, 12).GetTime();
    fields.timeZone = std::numeric_limits<double>::quiet_NaN();
    fields.longitude = std::numeric_limits<double>::infinity();
    const std::unique_ptr<CShadowInfo> shadows = Read(ShadowInfoRecord(fields, 7), 7);
    CValidityCheckScope checks;
    EXPECT_EQ(shadows->CheckValidity(kValidityFix, nullptr), 2);
    EXPECT_NE(std::wstring(GetValidityReport().GetString()).find(L"for CShadowInfo ("), std::wstring::npos);
}

// The self-check.

TEST_F(ShadowInfoTest, TheCheckReportsTheFirstBadNumberAndRepairsNothing)
{
    CValidityCheckScope checks;
    CShadowInfo good;
    EXPECT_EQ(good.CheckValidity(kValidityCheck, nullptr), 0);

    CShadowInfo badNorth;
    badNorth.SetNorthDirection(CVector3d(0, 0, 0));
    EXPECT_EQ(badNorth.CheckValidity(kValidityFix, nullptr), 2);
    EXPECT_NE(std::wstring(GetValidityReport().GetString()).find(L"The north direction for CShadowInfo ("),
              std::wstring::npos);
    EXPECT_FALSE(badNorth.GetNorth().IsNonZero());
    EXPECT_EQ(badNorth.CheckValidity(kValidityCheckIgnoringIds, nullptr), 0);

    CCheckedObjectMap map;
    ClearValidityReport();
    CShadowInfo badPlace;
    badPlace.SetLocation(L"", L"", std::nan(""), 0);
    EXPECT_EQ(badPlace.CheckValidity(kValidityCheck, &map), 2);
    EXPECT_EQ(map.at(&badPlace), 2);
    // The sun direction of a place that is not a number is no direction either: it is the
    // first problem reported.
    EXPECT_NE(std::wstring(GetValidityReport().GetString()).find(L"The sun direction"), std::wstring::npos);
}
