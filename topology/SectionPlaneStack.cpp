#include "topology/SectionPlaneStack.h"

#include <GL/gl.h>

#include <algorithm>

#include "geometry/Tolerance.h"
#include "topology/FacePolygon.h"
#include "topology/Polyline3d.h"
#include "topology/SectionPlane.h"

using orbisk::geometry::CLine3d;
using orbisk::geometry::CPlane3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::kGeomTolerance;

CSectionPlaneStack::CSectionPlaneStack()
{
    m_entries.reserve(kMaskedPlanes);
}

void CSectionPlaneStack::Push(CSectionPlane* plane, bool enableGL)
{
    const int position = GetCount();
    if (enableGL && plane && position < kMaskedPlanes)
        plane->EnableClipPlane(GL_CLIP_PLANE0 + static_cast<uint32_t>(position));
    Entry entry{plane, {}};
    entry.carried.reserve(kMaskedPlanes);
    m_entries.push_back(std::move(entry));
}

void CSectionPlaneStack::Pop(bool enableGL)
{
    if (m_entries.empty())
        return;
    CSectionPlane* plane = m_entries.back().plane;
    if (enableGL && plane && plane->GetClipPlaneId() != 0)
        plane->DisableClipPlane();
    m_entries.pop_back();
}

void CSectionPlaneStack::PushTransform(const CTransform3d& transform)
{
    const CTransform3d inverse = transform.Inverse();
    for (int i = 0; i < GetCount(); ++i) {
        CPlane3d plane = GetCurrentPlane(i);
        inverse.TransformPlane(plane);
        m_entries[i].carried.push_back(plane);
    }
}

void CSectionPlaneStack::PopTransform()
{
    for (Entry& entry : m_entries) {
        if (!entry.carried.empty())
            entry.carried.pop_back();
    }
}

CPlane3d CSectionPlaneStack::GetCurrentPlane(int i) const
{
    const Entry& entry = m_entries[i];
    if (!entry.carried.empty())
        return entry.carried.back();
    return entry.plane ? entry.plane->GetPlane() : CPlane3d();
}

bool CSectionPlaneStack::IsPointVisible(const CPoint3d& point) const
{
    if (m_switchedOff)
        return true;
    for (int i = 0; i < GetCount(); ++i) {
        if (GetCurrentPlane(i).SignedDistance(point) <= -kGeomTolerance)
            return false;
    }
    return true;
}

bool CSectionPlaneStack::ClipSegment(CPoint3d& p0, CPoint3d& p1) const
{
    if (m_switchedOff)
        return true;
    CLine3d line(p0, p1);
    if (line.t1 - line.t0 < kGeomTolerance || !ClipLine(line))
        return false;
    line.GetStartPoint(p0);
    line.GetEndPoint(p1);
    return true;
}

bool CSectionPlaneStack::ClipLine(CLine3d& line) const
{
    if (m_switchedOff)
        return true;
    for (int i = 0; i < GetCount(); ++i) {
        if (!line.ClipToPlane(GetCurrentPlane(i)))
            return false;
    }
    return true;
}

bool CSectionPlaneStack::ClipPointPolygon(std::vector<CPoint3d>& points) const
{
    if (m_switchedOff || m_entries.empty())
        return true;
    std::vector<CPoint3d> clipped = points;
    for (int i = 0; i < GetCount(); ++i) {
        if (!ClipPointPolygonToPlane(clipped, GetCurrentPlane(i)))
            return false;
    }
    points = std::move(clipped);
    return true;
}

bool CSectionPlaneStack::ClipPolygon(CFacePolygon& polygon, bool* cut) const
{
    if (cut)
        *cut = true;
    if (m_switchedOff)
        return true;
    for (int i = 0; i < GetCount(); ++i) {
        if (!polygon.ClipToPlane(GetCurrentPlane(i), cut))
            return false;
    }
    return true;
}

void CSectionPlaneStack::EnablePlanes(uint32_t mask) const
{
    SwitchPlanes(mask, true);
}

void CSectionPlaneStack::DisablePlanes(uint32_t mask) const
{
    SwitchPlanes(mask, false);
}

void CSectionPlaneStack::SwitchPlanes(uint32_t mask, bool on) const
{
    if (s_clipPlanesSuppressed)
        return;
    for (int i = 0; i < std::min(GetCount(), kMaskedPlanes); ++i) {
        const CSectionPlane* plane = m_entries[i].plane;
        if (!(mask & (1u << i)) || !plane || plane->GetClipPlaneId() == 0)
            continue;
        if (on)
            glEnable(plane->GetClipPlaneId());
        else
            glDisable(plane->GetClipPlaneId());
    }
}

uint32_t CSectionPlaneStack::GetContainingMask(const CPoint3d& p0, const CPoint3d& p1) const
{
    if (m_switchedOff)
        return 0;
    uint32_t mask = 0;
    for (int i = 0; i < std::min(GetCount(), kMaskedPlanes); ++i) {
        const CPlane3d plane = GetCurrentPlane(i);
        if (p0.IsOnPlane(plane) && p1.IsOnPlane(plane))
            mask |= 1u << i;
    }
    return mask;
}

uint32_t CSectionPlaneStack::GetCoplanarMask(const CPlane3d& plane) const
{
    if (m_switchedOff)
        return 0;
    uint32_t mask = 0;
    for (int i = 0; i < std::min(GetCount(), kMaskedPlanes); ++i) {
        if (GetCurrentPlane(i).IsEqual(plane, false, kGeomTolerance))
            mask |= 1u << i;
    }
    return mask;
}
