#pragma once
// Accepts what every child accepts, asking the children in order and stopping at the
// first that refuses. Owns its children; without children it accepts everything.

#include "geometry/GeomFilter.h"

#include <vector>

namespace orbisk::geometry {

class CGeomFilterCombined : public IGeomFilter {
public:
    // Takes over both filters; a null one is left out.
    CGeomFilterCombined(std::unique_ptr<IGeomFilter> first, std::unique_ptr<IGeomFilter> second);

    // Fully inside when every child says so.
    bool TestBox(const CBoundingBox3d& box, bool& fullyInside) const override;
    bool IntersectsBox(const CBoundingBox3d& box) const override;
    bool TestSegment(const CPoint3d& a, const CPoint3d& b) const override;
    bool TestPoint(const CPoint3d& p) const override;
    // Clones every child, in order.
    std::unique_ptr<IGeomFilter> Clone() const override;
    void Transform(const CTransform3d& transformation) override;
    // The first plane any child gives.
    const CPlane3d* GetPlane(int i) const override;

private:
    CGeomFilterCombined() = default;

    template <typename Test>
    bool All(Test test) const
    {
        for (const auto& child : m_children) {
            if (!test(*child))
                return false;
        }
        return true;
    }

    std::vector<std::unique_ptr<IGeomFilter>> m_children;
};

}  // namespace orbisk::geometry
