#include "geometry/GeomFilterCombined.h"

#include <initializer_list>

namespace orbisk::geometry {

CGeomFilterCombined::CGeomFilterCombined(std::unique_ptr<IGeomFilter> first,
                                         std::unique_ptr<IGeomFilter> second)
{
    for (auto* child : {&first, &second}) {
        if (*child)
            m_children.push_back(std::move(*child));
    }
}

bool CGeomFilterCombined::TestBox(const CBoundingBox3d& box, bool& fullyInside) const
{
    fullyInside = false;
    bool allInside = true;
    const bool accepted = All([&](const IGeomFilter& child) {
        bool inside = false;
        const bool result = child.TestBox(box, inside);
        allInside = allInside && inside;
        return result;
    });
    if (!accepted)
        return false;
    fullyInside = allInside;
    return true;
}

bool CGeomFilterCombined::IntersectsBox(const CBoundingBox3d& box) const
{
    return All([&](const IGeomFilter& child) { return child.IntersectsBox(box); });
}

bool CGeomFilterCombined::TestSegment(const CPoint3d& a, const CPoint3d& b) const
{
    return All([&](const IGeomFilter& child) { return child.TestSegment(a, b); });
}

bool CGeomFilterCombined::TestPoint(const CPoint3d& p) const
{
    return All([&](const IGeomFilter& child) { return child.TestPoint(p); });
}

std::unique_ptr<IGeomFilter> CGeomFilterCombined::Clone() const
{
    std::unique_ptr<CGeomFilterCombined> copy(new CGeomFilterCombined());
    for (const auto& child : m_children)
        copy->m_children.push_back(child->Clone());
    return copy;
}

void CGeomFilterCombined::Transform(const CTransform3d& transformation)
{
    for (const auto& child : m_children)
        child->Transform(transformation);
}

const CPlane3d* CGeomFilterCombined::GetPlane(int i) const
{
    for (const auto& child : m_children) {
        if (const CPlane3d* plane = child->GetPlane(i))
            return plane;
    }
    return nullptr;
}

}  // namespace orbisk::geometry
