#pragma once
// CSectionPlaneStack: the section planes active in one drawing sink and the tests that cut
// picked and measured geometry by them. Each entry keeps its plane re-expressed in the
// coordinates of every instance entered since it was pushed; the tests use the innermost. The
// kept side of a plane is where a x + b y + c z + d is positive; a point less than 0.001 behind a
// plane is still kept. While switched off every test passes and every clip keeps its input.
//
// Planes pushed with GL clipping also cut what is rasterised: the first six take the GL clip
// planes 0 to 5 by their position on the stack; later ones clip only here. GL keeps a clip
// plane in eye coordinates, so a plane enabled while its component is drawn keeps cutting
// inside nested instances without being carried.

#include <cstdint>
#include <vector>

#include "geometry/Line3d.h"
#include "geometry/Plane3d.h"
#include "geometry/Point3d.h"
#include "geometry/Transform3d.h"

class CFacePolygon;
class CSectionPlane;

class CSectionPlaneStack {
public:
    using CPlane3d = orbisk::geometry::CPlane3d;
    using CPoint3d = orbisk::geometry::CPoint3d;
    using CLine3d = orbisk::geometry::CLine3d;

    // Masks cover the first six planes only, as many as GL has clip planes.
    static constexpr int kMaskedPlanes = 6;

    CSectionPlaneStack();

    // With enableGL the plane takes GL_CLIP_PLANE0 + its position, when that is below six.
    void Push(CSectionPlane* plane, bool enableGL = false);
    // Nothing when empty. With enableGL the top plane gives up its GL clip plane; pass the flag
    // its push had.
    void Pop(bool enableGL = false);
    int GetCount() const { return static_cast<int>(m_entries.size()); }
    bool IsEmpty() const { return m_entries.empty(); }
    // Entering an instance placed by the transformation: every plane is re-expressed in the
    // instance's coordinates.
    void PushTransform(const orbisk::geometry::CTransform3d& transform);
    void PopTransform();
    void SetSwitchedOff(bool off) { m_switchedOff = off; }
    bool IsSwitchedOff() const { return m_switchedOff; }
    // Process-wide: while set, no GL clip plane of a section plane is enabled, disabled or set
    // (the shadow-volume passes and stroked edges set it); push and pop still record the ids.
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
    // The polygon clipped in place by each plane in push order; false as soon as nothing
    // remains. cut, when given, tells whether the last plane crossed it.
    bool ClipPolygon(CFacePolygon& polygon, bool* cut = nullptr) const;
    // glEnable / glDisable of the clip plane of every entry among the first six whose bit is
    // set (annotations are drawn between the two); nothing while suppressed.
    void EnablePlanes(uint32_t mask) const;
    void DisablePlanes(uint32_t mask) const;
    // Bit i: both points lie on plane i within 0.001.
    uint32_t GetContainingMask(const CPoint3d& p0, const CPoint3d& p1) const;
    // Bit i: plane i equals the plane in either orientation within 0.001.
    uint32_t GetCoplanarMask(const CPlane3d& plane) const;

private:
    void SwitchPlanes(uint32_t mask, bool on) const;

    struct Entry {
        CSectionPlane* plane;
        // Innermost last.
        std::vector<CPlane3d> carried;
    };

    static inline bool s_clipPlanesSuppressed = false;

    bool m_switchedOff = false;
    std::vector<Entry> m_entries;
};
