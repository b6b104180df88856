#pragma once
// Accepts everything.

#include "geometry/GeomFilter.h"

namespace orbisk::geometry {

class CGeomFilterSelectAll : public IGeomFilter {
public:
    bool TestBox(const CBoundingBox3d&, bool& fullyInside) const override
    {
        fullyInside = true;
        return true;
    }
    bool IntersectsBox(const CBoundingBox3d&) const override { return true; }
    bool TestSegment(const CPoint3d&, const CPoint3d&) const override { return true; }
    bool TestPoint(const CPoint3d&) const override { return true; }
    std::unique_ptr<IGeomFilter> Clone() const override { return std::make_unique<CGeomFilterSelectAll>(); }
    void Transform(const CTransform3d&) override {}
    const CPlane3d* GetPlane(int) const override { return nullptr; }
};

}  // namespace orbisk::geometry
