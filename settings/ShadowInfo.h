#pragma once
// CShadowInfo: the sun and shadow settings of a model or a scene: the place (city, country,
// longitude, latitude, time zone), the date and local clock time of the shadows with their
// daylight-saving flag, north in model coordinates, what casts and receives shadows, the light
// and dark intensities, and what follows from them: the direction of the sun and the shadow
// day's sunrise and sunset (local clock times).
//
// Setters announce their change by posting "ShadowNotification" with a CShadowNotification
// record, whether or not the settings have an owner: observers compare the record's settings
// with the ones they follow. They record nothing for undo. The drawing caches compiled ground
// shadows and shadow volumes here as GL display lists; whatever changes the sun's direction
// drops them.

#include <cstdint>
#include <utility>
#include <vector>

#include "database/Entity.h"
#include "geometry/Point3d.h"
#include "geometry/UnitVector3d.h"
#include "settings/UtcTime.h"

class CShadowInfo;
class IModelContext;

inline constexpr char kShadowNotification[] = "ShadowNotification";

// The payload of "ShadowNotification".
struct CShadowNotification {
    enum Code : int32_t {
        kShadowTime = 0,
        kShadowsShown = 1,
        kIntensity = 2,
        kLocation = 3,
        kNorthDirection = 4,
        kNorthShown = 5,
        kReplacedByModel = 6,
        kUseSunForShading = 7,
        kFromEdges = 8,
        kOnGround = 9,
        kOnFaces = 10,
    };
    int32_t code;
    CShadowInfo* shadowInfo;
};

// The place new settings start at.
extern const wchar_t* const kDefaultShadowCity;
extern const wchar_t* const kDefaultShadowCountry;
extern const double kDefaultShadowLongitude;
extern const double kDefaultShadowLatitude;
extern const double kDefaultShadowTimeZone;

class CShadowInfo : public CEntity {
    DECLARE_SERIAL(CShadowInfo)
public:
    using CPoint3d = orbisk::geometry::CPoint3d;
    using CUnitVector3d = orbisk::geometry::CUnitVector3d;
    using CVector3d = orbisk::geometry::CVector3d;
    using Segment = std::pair<CPoint3d, CPoint3d>;

    // The time zones offered, standard offsets from UTC in hours, westmost first.
    static constexpr int kTimeZoneCount = 48;
    static const double kTimeZones[kTimeZoneCount];
    // UTC itself.
    static constexpr int kUtcTimeZoneIndex = 17;

    // The defaults: the default place, June 21 13:30 of the current year, derived values
    // computed.
    CShadowInfo();
    // Every field but the owner, the display lists and the edge segments; nothing recomputed.
    CShadowInfo(const CShadowInfo& other);
    CShadowInfo& operator=(const CShadowInfo&) = delete;
    // Deletes the display lists.
    ~CShadowInfo() override;

    // After the entity record: the shadow time (64-bit seconds), the daylight flag, city and
    // country, then what each schema adds. Records of schema 6 and older stored an instant,
    // turned into the machine's local clock here. A time outside the years 1900 to 9999
    // raises the archive's genericException. Whether shadows are shown is not part of the
    // record. Storing writes the record of the schema that GetClassVersion answers.
    void Serialize(CArchive& ar) override;
    // Deletes the display lists, then the entity's erase.
    void Erase() override;
    CEntity* CreateCopy() const override;
    // Exchanges the place, the daylight flag, the times, the sun direction, north and every
    // flag and intensity; drops both display lists; announces kLocation.
    void SwapContents(CEntity& other) override;
    IModelContext* GetModel() const override;
    // Reports the first bad number with result 2; repairs nothing.
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityShadowInfo; }
    virtual bool AreShadowsShown() const { return m_shadowsShown; }

    IModelContext* GetOwner() const { return m_owner; }
    void SetOwner(IModelContext* owner) { m_owner = owner; }

    // Every default, then the derived values; no announcement.
    void SetDefaults();
    // Everything but the place and the owner; the display lists are forgotten (the caller
    // deletes them first); derived values recomputed; no announcement.
    void CopySettings(const CShadowInfo& other);
    // The place too, then CopySettings.
    void Assign(const CShadowInfo& other);

    const CUnitVector3d& GetSunDirection() const { return m_sunDirection; }
    CUtcTime GetSunrise() const { return m_sunrise; }
    CUtcTime GetSunset() const { return m_sunset; }
    CUtcTime GetShadowTime() const { return m_shadowTime; }
    bool GetDaylightSaving() const { return m_daylightSaving; }
    CString GetCity() const { return m_city; }
    CString GetCountry() const { return m_country; }
    double GetLongitude() const { return m_longitude; }
    double GetLatitude() const { return m_latitude; }
    // Hours ahead of UTC (standard time).
    double GetTimeZone() const { return m_timeZone; }
    const CUnitVector3d& GetNorth() const { return m_north; }
    bool GetShadowsShown() const { return m_shadowsShown; }
    bool GetNorthShown() const { return m_northShown; }
    bool GetOnFaces() const { return m_onFaces; }
    bool GetOnGround() const { return m_onGround; }
    bool GetFromEdges() const { return m_fromEdges; }
    int32_t GetLightIntensity() const { return m_lightIntensity; }
    int32_t GetDarkIntensity() const { return m_darkIntensity; }
    bool GetUseSunForShading() const { return m_useSunForShading; }

    void SetShadowsShown(bool shown);
    // While models and scenes are read, and for the display override.
    void SetShadowsShownSilently(bool shown) { m_shadowsShown = shown; }
    void SetNorthShown(bool shown);
    void SetOnFaces(bool on);
    void SetOnGround(bool on);
    // Drops both display lists after the announcement.
    void SetFromEdges(bool on);
    // 0 to 100; other values are ignored.
    void SetLightIntensity(int32_t intensity);
    void SetDarkIntensity(int32_t intensity);
    // Announces even when unchanged.
    void SetUseSunForShading(bool on);
    // Also sets the time zone from the longitude.
    void SetLocation(const CString& country, const CString& city, double longitude, double latitude);
    // Keeps the shadow time within the new zone's daylight.
    void SetTimeZone(double hours);
    // An index outside the list means UTC.
    void SetTimeZoneByIndex(int index);
    // The list index of the zone; UTC's for a zone not in the list.
    int GetTimeZoneIndex() const;
    void SetShadowTime(CUtcTime time);
    void SetNorthDirection(const CVector3d& north);
    // Degrees clockwise from the model's +y axis.
    void SetNorthAngle(double degrees);
    // 0 to 360 degrees.
    double GetNorthAngle() const;

    // The derived values; no announcement.
    void ComputeSunDirection();
    void ComputeSunrise();
    void ComputeSunset();
    // The UTC instant of a local clock time of these settings and back.
    CUtcTime ToUniversal(CUtcTime local) const;
    CUtcTime ToLocal(CUtcTime universal) const;

    // GL display lists of the drawing (0 none). The setters take ownership.
    uint32_t GetGroundShadowList() const { return m_groundShadowList; }
    void SetGroundShadowList(uint32_t list) { m_groundShadowList = list; }
    uint32_t GetVolumeList() const { return m_volumeList; }
    void SetVolumeList(uint32_t list) { m_volumeList = list; }
    // Delete the list (with the drawing's context current) and forget it.
    void DeleteGroundShadowList();
    void DeleteVolumeList();
    // "ShadowNotification" code 6: the model took new settings into these as a whole.
    void AnnounceReplacedByModel() { Announce(CShadowNotification::kReplacedByModel); }
    // Free edges stored while the volumes are compiled.
    std::vector<Segment>& GetEdgeSegments() { return m_edgeSegments; }

private:
    void Announce(int32_t code);
    void ReadRecord(CArchive& ar);
    void WriteRecord(CArchive& ar) const;
    int CheckOwnValidity(int level);
    // The zone offset in minutes: hours x 60 truncated, daylight saving adding an hour.
    int64_t ZoneMinutes() const;
    // The event found in the window, brought onto the shadow day, or the fallback clock time.
    CUtcTime FindEventOnShadowDay(double windowStart, double windowEnd, int hour, int minute,
                                  int second) const;

    IModelContext* m_owner = nullptr;
    CUnitVector3d m_sunDirection = CUnitVector3d::ZAxis();
    CUtcTime m_sunrise;
    CUtcTime m_sunset;
    CUtcTime m_shadowTime;
    bool m_daylightSaving = false;
    CString m_city;
    CString m_country;
    double m_longitude = 0.0;
    double m_latitude = 0.0;
    double m_timeZone = 0.0;
    CUnitVector3d m_north = CUnitVector3d::YAxis();
    bool m_shadowsShown = false;
    bool m_northShown = false;
    bool m_onFaces = true;
    bool m_onGround = true;
    bool m_fromEdges = false;
    int32_t m_lightIntensity = 80;
    int32_t m_darkIntensity = 20;
    bool m_useSunForShading = false;
    uint32_t m_groundShadowList = 0;
    uint32_t m_volumeList = 0;
    std::vector<Segment> m_edgeSegments;
};
