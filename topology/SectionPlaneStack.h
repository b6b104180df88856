#pragma once
// CSectionPlaneStack: the section planes active in one drawing sink and the tests that cut
// picked and measured geometry by them. Each entry keeps its plane re-expressed in the
// coordinates of every instance entered since it was pushed; the tests use the innermost. The
// kept side of a plane is where a x + b y + c z + d is positive; a point less than 0.001 behind a
// plane is still kept. While switched off every test passes and every clip keeps its input.
//
// This is the software side only; the GL clip planes that cut what is rasterised belong to the
// drawing sinks.

#include <cstdint>
#include <vector>

#include "geometry/Line3d.h"
#include "geometry/Plane3d.h"
#include "geometry/Point3d.h"
#include "geometry/Transform3d.h"

class CSectionPlane;

class CSectionPlaneStack {
public:
    using CPlane3d = orbisk::geometry::CPlane3d;
    using CPoint3d = orbisk::geometry::CPoint3d;
    using CLine3d = orbisk::geometry::CLine3d;

    // Masks cover the first six planes only, as many as GL has clip planes.
    static constexpr int kMaskedPlanes = 6;

    CSectionPlaneStack();

    void Push(CSectionPlane* plane);
    // Nothing when empty.
    void Pop();
    int GetCount() const { return static_cast<int>(m_entries.size()); }
    bool IsEmpty() const { return m_entries.empty(); }
    // Entering an instance placed by the transformation: every plane is re-expressed in the
    // instance's coordinates.
    void PushTransform(const orbisk::geometry::CTransform3d& transform);
    void PopTransform();
    void SetSwitchedOff(bool off) { m_switchedOff = off; }
    bool IsSwitchedOff() const { return m_switchedOff; }
    // Process-wide: while set, the drawing sinks enable and disable no GL clip plane for the
    // section planes they push and pop (depth-fail shadow passes set it).
    static void SetClipPlanesSuppressed(bool suppressed) { s_clipPlanesSuppressed = suppressed; }
    static bool GetClipPlanesSuppressed() { return s_clipPlanesSuppressed; }
    // The plane of entry i in the current coordinates.
    CPlane3d GetCurrentPlane(int i) const;

    bool IsPointVisible(const CPoint3d& point) const;
    // False when the segment is shorter than 0.001 or cut away; else its kept part.
    bool ClipSegment(CPoint3d& p0, CPoint3d& p1) const;
    bool ClipLine(CLine3d& line) const;
    // The closed polygon clipped by each plane in turn; false when nothing remains.
    bool ClipPointPolygon(std::vector<CPoint3d>& points) const;
    // Bit i: both points lie on plane i within 0.001.
    uint32_t GetContainingMask(const CPoint3d& p0, const CPoint3d& p1) const;
    // Bit i: plane i equals the plane in either orientation within 0.001.
    uint32_t GetCoplanarMask(const CPlane3d& plane) const;

private:
    struct Entry {
        CSectionPlane* plane;
        // Innermost last.
        std::vector<CPlane3d> carried;
    };

    static inline bool s_clipPlanesSuppressed = false;

    bool m_switchedOff = false;
    std::vector<Entry> m_entries;
};
