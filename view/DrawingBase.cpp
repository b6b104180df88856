#include "view/DrawingBase.h"

#include <GL/gl.h>

#include "geometry/GeomFilterCombined.h"

using orbisk::geometry::CGeomFilterCombined;

CDrawingBase::CDrawingBase()
{
    m_transforms.reserve(4);
    m_inverses.reserve(4);
    m_filters.reserve(5);
}

CDrawingBase::~CDrawingBase() = default;

void CDrawingBase::PushTransform(const CTransform3d& t, bool applyToGL)
{
    const CTransform3d accumulated = m_transforms.empty() ? t : m_transforms.back() * t;
    const CTransform3d inverse = accumulated.Inverse();
    m_transforms.push_back(accumulated);
    m_inverses.push_back(inverse);

    const CPoint3d modelEye = m_eyes.empty() ? CPoint3d() : m_eyes.front();
    const CVector3d modelDirection = m_directions.empty() ? CVector3d(0, 0, 1) : m_directions.front();
    m_eyes.push_back(inverse.MultiplyPoint(modelEye));
    m_directions.push_back(inverse.MultiplyVector(modelDirection));

    if (applyToGL) {
        double matrix[16];
        t.GetMatrix(matrix);
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glMultMatrixd(matrix);
    }

    // A filter is carried into the new coordinates so that it still selects the same volume.
    if (!m_filters.empty()) {
        std::unique_ptr<IGeomFilter> carried;
        if (m_filters.back()) {
            carried = m_filters.back()->Clone();
            carried->Transform(t.Inverse());
        }
        m_filters.push_back(std::move(carried));
    }

    m_sectionPlanes.PushTransform(t);
}

void CDrawingBase::PopTransform(bool applyToGL)
{
    if (!m_transforms.empty())
        m_transforms.pop_back();
    if (!m_inverses.empty())
        m_inverses.pop_back();
    if (applyToGL) {
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
    }
    PopGeometryFilter();
    m_sectionPlanes.PopTransform();
    if (!m_eyes.empty())
        m_eyes.pop_back();
    if (!m_directions.empty())
        m_directions.pop_back();
}

CDrawingBase::CTransform3d CDrawingBase::GetTransform()
{
    return m_transforms.empty() ? CTransform3d() : m_transforms.back();
}

CDrawingBase::CTransform3d CDrawingBase::GetInverseTransform()
{
    return m_inverses.empty() ? CTransform3d() : m_inverses.back();
}

CDrawingBase::CPoint3d CDrawingBase::GetEyePoint()
{
    return m_eyes.empty() ? CPoint3d() : m_eyes.back();
}

CDrawingBase::CVector3d CDrawingBase::GetViewDirection()
{
    return m_directions.empty() ? CVector3d(0, 0, 1) : m_directions.back();
}

void CDrawingBase::SetEyeAndDirection(const CPoint3d& eye, const CVector3d& direction)
{
    m_eyes.assign(1, eye);
    m_directions.assign(1, direction);
}

CDrawingBase::IGeomFilter* CDrawingBase::GetGeometryFilter()
{
    return m_filters.empty() ? nullptr : m_filters.back().get();
}

void CDrawingBase::ClearGeometryFilters()
{
    m_filters.clear();
}

void CDrawingBase::PushGeometryFilter(IGeomFilter* filter)
{
    std::unique_ptr<IGeomFilter> owned(filter);
    IGeomFilter* active = GetGeometryFilter();
    if (active && owned)
        owned = std::make_unique<CGeomFilterCombined>(active->Clone(), std::move(owned));
    m_filters.push_back(std::move(owned));
}

void CDrawingBase::PopGeometryFilter()
{
    if (!m_filters.empty())
        m_filters.pop_back();
}

void CDrawingBase::PushSectionPlane(CSectionPlane* plane, bool clip)
{
    m_sectionPlanes.Push(plane, clip);
}

int CDrawingBase::PopSectionPlane(bool clip)
{
    m_sectionPlanes.Pop(clip);
    return m_sectionPlanes.GetCount();
}

void CDrawingBase::SetDrawFlags(bool off)
{
    m_sectionPlanes.SetSwitchedOff(off);
    m_clippingOff = off;
}

void CDrawingBase::DisablePlanes(uint32_t mask)
{
    m_sectionPlanes.DisablePlanes(mask);
}

void CDrawingBase::EnablePlanes(uint32_t mask)
{
    m_sectionPlanes.EnablePlanes(mask);
}
