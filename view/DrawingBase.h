#pragma once
// CDrawingBase: the one implementation of the drawing sink (IDrawingBase) that the model view
// shares: the stacks of model-from-local transformations with their inverses, the eye point
// and view direction per level, the owned geometry filters, and the active section planes with
// the GL clip planes that cut what is rasterised.
//
// The eye and direction of every level are derived from the model-space ones (the first
// entries), never from the level above. Filters are owned: popping deletes them. Section
// planes go on the sink's CSectionPlaneStack, which gives those pushed with clip the GL clip
// planes 0..5 by their position.

#include <cstdint>
#include <memory>
#include <vector>

#include "database/IDrawingBase.h"
#include "topology/SectionPlaneStack.h"

class CDrawingBase : public virtual IDrawingBase {
public:
    using CPoint3d = orbisk::geometry::CPoint3d;
    using CVector3d = orbisk::geometry::CVector3d;
    using CTransform3d = orbisk::geometry::CTransform3d;
    using IGeomFilter = orbisk::geometry::IGeomFilter;

    CDrawingBase();
    ~CDrawingBase() override;
    CDrawingBase(const CDrawingBase&) = delete;
    CDrawingBase& operator=(const CDrawingBase&) = delete;

    void PushTransform(const CTransform3d& t, bool applyToGL) override;
    void PopTransform(bool applyToGL) override;
    bool HasElements() override { return !m_transforms.empty(); }
    CTransform3d GetTransform() override;
    CTransform3d GetInverseTransform() override;
    CPoint3d GetEyePoint() override;
    CVector3d GetViewDirection() override;
    void SetEyeAndDirection(const CPoint3d& eye, const CVector3d& direction) override;

    IGeomFilter* GetGeometryFilter() override;
    void ClearGeometryFilters() override;
    void PushGeometryFilter(IGeomFilter* filter) override;
    void PopGeometryFilter() override;

    void PushSectionPlane(CSectionPlane* plane, bool clip) override;
    int PopSectionPlane(bool clip) override;
    void SetDrawFlags(bool off) override;
    CSectionPlaneStack* GetSectionPlaneStack() override { return &m_sectionPlanes; }

    // The stack's DisablePlanes and EnablePlanes.
    void DisablePlanes(uint32_t mask);
    void EnablePlanes(uint32_t mask);
    bool IsClippingOff() const { return m_clippingOff; }
    int GetFilterDepth() const { return static_cast<int>(m_filters.size()); }

private:
    std::vector<CTransform3d> m_transforms;
    std::vector<CTransform3d> m_inverses;
    std::vector<std::unique_ptr<IGeomFilter>> m_filters;
    CSectionPlaneStack m_sectionPlanes;
    bool m_clippingOff = false;
    std::vector<CPoint3d> m_eyes;
    std::vector<CVector3d> m_directions;
};
