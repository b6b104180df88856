#include "topology/ConstructionGeometry.h"

#include <utility>

#include "database/IModelView.h"
#include "database/Layer.h"
#include "database/Material.h"
#include "geometry/Tolerance.h"
#include "platform/mfc/Archive.h"
#include "topology/GuideDisplayOptions.h"

IMPLEMENT_SERIAL(CConstructionGeometry, CDrawingElement, VERSIONABLE_SCHEMA | 0)

using orbisk::geometry::CLine3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CRay3d;
using orbisk::geometry::kGeomTolerance;
using orbisk::utils::CColor;

namespace {

constexpr double kHiddenBlend = 0.5;

const IRenderingOptions* OptionsOf(IModelView* view)
{
    return view ? view->GetRenderingOptions() : nullptr;
}

}  // namespace

bool IsPointOnRayWithin(const CPoint3d& point, const CRay3d& ray, double end)
{
    if (!point.IsOnLine(ray))
        return false;
    const double t = ray.GetParameter(point);
    if (t <= -kGeomTolerance)
        return false;
    return end >= orbisk::geometry::kLineUnbounded || t < end + kGeomTolerance;
}

void CConstructionGeometry::Serialize(CArchive& ar)
{
    SerializeGuarded(ar, [&] { SerializeGuidePart(ar); });
}

void CConstructionGeometry::SerializeGuidePart(CArchive& ar)
{
    CDrawingElement::Serialize(ar);
    if (!ar.IsLoading())
        return;
    // Guides are never shaded: a material named by the record gives its use back.
    if (CMaterial* material = std::exchange(m_material, nullptr))
        material->RemoveUse(true);
}

int CConstructionGeometry::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CConstructionGeometry), map, [&] { return CDrawingElement::CheckValidity(level, map); },
        [] { return 0; });
}

bool CConstructionGeometry::IsVisible(IModelView* view)
{
    if (!CDrawingElement::IsVisible(view))
        return false;
    const IGuideDisplayOptions* guides = GetGuideDisplayOptions(OptionsOf(view));
    return !guides || !guides->AreGuidesHidden();
}

CColor CConstructionGeometry::GetColorForView(IModelView* view)
{
    const IRenderingOptions* options = OptionsOf(view);
    if (IsSelected() || (UsesHighlightColor() && IsPathSelected(view))) {
        if (!options)
            return CColor();
        const bool locked = (m_flags & kSecondHighlight) || HasFlaggedInstanceOnPath(view);
        return locked ? options->GetLockedColor() : options->GetSelectedColor();
    }
    CColor color;
    if (options && options->IsColorByLayer()) {
        CLayer* layer = GetLayer();
        if (CLayer::IsDefaultLayer(layer) && view->GetLayer())
            layer = view->GetLayer();
        if (const CMaterial* material = layer ? layer->GetMaterial() : nullptr)
            color = material->GetDisplayColor();
    }
    if (color == CColor()) {
        const IGuideDisplayOptions* guides = GetGuideDisplayOptions(options);
        if (guides)
            color = guides->GetGuideColor();
        else if (options)
            color = options->GetEdgeColor();
    }
    if ((m_flags & kHidden) && view) {
        CColor background;
        view->GetBackgroundColor(background);
        color.BlendWith(background, kHiddenBlend);
    }
    return color;
}

void CConstructionGeometry::SetPosition(const CPoint3d&) {}
