#pragma once
// What the tests of section planes, guides, polylines and drawing axes share: a fixture that
// reads and copies their records, a counter of change notices, and a picker.
//
// The picker's pick volume is simple and exact: in point and crossing picks everything within
// `aperture` of the pick ray, in window and extents picks everything inside `window`. Section
// clipping runs through a real section-plane stack, as the view's picker does. It records every
// point, segment and line it is asked about and every hit tag it is given.

#include <vector>

#include "database/ArchiveSchema.h"
#include "database/IPickHelper.h"
#include "database/VersionMap.h"
#include "geometry/BoundingBox3d.h"
#include "geometry/GeomFunctions.h"
#include "support/NotificationCenter.h"
#include "support/Observer.h"
#include "tests/support/ContentsRecords.h"
#include "tests/support/VersionMaps.h"
#include "tests/topology/TopologyTestSupport.h"
#include "topology/SectionPlaneStack.h"

class RecordingPicker : public IPickHelper {
public:
    using CPoint3d = orbisk::geometry::CPoint3d;
    using CRay3d = orbisk::geometry::CRay3d;
    using CLine3d = orbisk::geometry::CLine3d;
    using CBoundingBox3d = orbisk::geometry::CBoundingBox3d;

    int mode = kPointPick;
    CRay3d ray;
    double aperture = 0.1;
    CBoundingBox3d window;
    bool visible = true;
    IModelView* view = nullptr;
    CSectionPlaneStack planes;

    std::vector<CPoint3d> points;
    std::vector<std::pair<CPoint3d, CPoint3d>> segments;
    std::vector<CLine3d> lines;
    std::vector<int> tags;

    bool Inside(const CPoint3d& point) const
    {
        if (mode == kWindowPick || mode == kExtentsWalk)
            return window.Contains(point);
        return point.DistanceToLine(ray) <= aperture;
    }

    int GetPickMode() override { return mode; }
    bool IsWindowPick() override { return mode == kWindowPick || mode == kCrossingPick; }
    CRay3d GetPickRay() override { return ray; }
    CRay3d GetLocalRay() override { return ray; }
    int PickLine(const CLine3d& line) override
    {
        lines.push_back(line);
        CPoint3d onLine, onRay;
        if (!line.ClosestPoints(ray, onLine, onRay))
            return 0;
        const double t = line.GetParameter(onLine);
        return t >= line.t0 && t <= line.t1 && onLine.DistanceTo(onRay) <= aperture ? 1 : 0;
    }
    int PickSegment(const CPoint3d& start, const CPoint3d& end) override
    {
        segments.emplace_back(start, end);
        CPoint3d a = start, b = end;
        if (!planes.ClipSegment(a, b))
            return 2;
        if (mode == kWindowPick)
            return Inside(a) && Inside(b) ? 1 : 0;
        CPoint3d nearest;
        orbisk::geometry::ClosestPointOnSegmentToLine(a, b, ray.origin, ray.direction, nearest);
        return Inside(nearest) ? 1 : 0;
    }
    bool TestBox(const CBoundingBox3d&) override { return true; }
    int PickPoint(const CPoint3d& point) override
    {
        points.push_back(point);
        if (!planes.IsPointVisible(point))
            return 2;
        return Inside(point) ? 1 : 0;
    }
    bool IsEntityVisible(CEntity*) override { return visible; }
    IModelView* GetView() override { return view; }
    void PushPathEntity(CEntity*) override {}
    void PopPathEntity() override {}
    bool DescendsIntoInstances() override { return true; }
    bool GetSecondaryFlag() override { return true; }
    bool GetPicksSoftEdges() override { return false; }
    void SetPicksSoftEdges(bool) override {}
    void AddHit(CEntity*, bool, bool) override {}
    void SetHitTag(int tag) override { tags.push_back(tag); }
    CEntity* GetHitElement() override { return nullptr; }
    void SetHitElement(CEntity*) override {}
    double DistanceToFilterPlane(const CPoint3d&, int) override { return 0.001; }
    void GetApertureCorners(CPoint3d (&)[4]) override {}

    void PushTransform(const orbisk::geometry::CTransform3d&, bool) override {}
    void PopTransform(bool) override {}
    bool HasElements() override { return false; }
    orbisk::geometry::CTransform3d GetTransform() override { return {}; }
    orbisk::geometry::CTransform3d GetInverseTransform() override { return {}; }
    CPoint3d GetEyePoint() override { return ray.origin; }
    orbisk::geometry::CVector3d GetViewDirection() override { return ray.direction; }
    void SetEyeAndDirection(const CPoint3d&, const orbisk::geometry::CVector3d&) override {}
    orbisk::geometry::IGeomFilter* GetGeometryFilter() override { return nullptr; }
    void ClearGeometryFilters() override {}
    void PushGeometryFilter(orbisk::geometry::IGeomFilter*) override {}
    void PopGeometryFilter() override {}
    void PushSectionPlane(CSectionPlane* plane, bool) override { planes.Push(plane); }
    int PopSectionPlane(bool) override
    {
        planes.Pop();
        return planes.GetCount();
    }
    void SetDrawFlags(bool off) override { planes.SetSwitchedOff(off); }
    CSectionPlaneStack* GetSectionPlaneStack() override { return &planes; }
};

// Counts the change notices of one entity.
class ChangeCounter : public orbisk::utils::IObserver {
public:
    explicit ChangeCounter(const CEntity* entity_) : entity(entity_)
    {
        orbisk::utils::CNotificationCenter::GetInstance().AddObserver("EntityChanged", this);
    }
    ~ChangeCounter() override
    {
        orbisk::utils::CNotificationCenter::GetInstance().RemoveObserverFromAll(this);
    }
    void OnNotification(const char*, void* payload) override
    {
        if (payload == entity)
            ++changes;
    }
    const CEntity* entity;
    int changes = 0;
};

class ContentsTest : public TopologyTest {
protected:
    // Installs the version map of the records' schemas.
    static void UseSchemas(const ContentsRecords& records) { InstallVersionMap(records.GetVersionMap()); }
    // Stores the entity as the entity copier does and reads the copy back.
    template <class T>
    T* CopyThroughArchive(const T* original)
    {
        const Bytes bytes = WrittenBy([&](CArchive& ar) { ar << static_cast<const CObject*>(original); });
        SetCurrentVersionMap(nullptr);
        return ReadOne<T>(bytes);
    }
    // Reads the one record of the bytes with the records' schemas.
    template <class T>
    T* Read(const ContentsRecords& records, const Bytes& bytes)
    {
        UseSchemas(records);
        return ReadOne<T>(bytes);
    }
};
