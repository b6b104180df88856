#include "settings/StyleProperties.h"

#include <algorithm>

#include "settings/RenderingOptions.h"

namespace orbisk::style {

namespace {

using CColor = utils::CColor;
using O = CRenderingOptions;

CColor ColorOf(const Variant& value)
{
    return CColor(static_cast<uint32_t>(value.GetInt64()));
}

// One entry per id: its kind, the property number, the getter and the setter of the options.
#define BOOL_ENTRY(id, property, getter, setter)                                                         \
    PropertyEntry                                                                                        \
    {                                                                                                    \
        id, Variant::kBool, property, [](const O& o) { return Variant(static_cast<bool>(o.getter())); }, \
            [](O& o, const Variant& v) { o.setter(v.GetBool()); }                                        \
    }
#define INT_ENTRY(id, property, getter, setter)                                                        \
    PropertyEntry                                                                                      \
    {                                                                                                  \
        id, Variant::kInt, property, [](const O& o) { return Variant(static_cast<int>(o.getter())); }, \
            [](O& o, const Variant& v) { o.setter(v.GetInt()); }                                       \
    }
#define DOUBLE_ENTRY(id, property, getter, setter)                                      \
    PropertyEntry                                                                       \
    {                                                                                   \
        id, Variant::kDouble, property, [](const O& o) { return Variant(o.getter()); }, \
            [](O& o, const Variant& v) { o.setter(v.GetDouble()); }                     \
    }
#define COLOR_ENTRY(id, property, getter, setter)                                      \
    PropertyEntry                                                                      \
    {                                                                                  \
        id, Variant::kColor, property, [](const O& o) { return Variant(o.getter()); }, \
            [](O& o, const Variant& v) { o.setter(ColorOf(v)); }                       \
    }

const std::vector<PropertyEntry> table = {
    INT_ENTRY(1000, O::kEdgeDisplayProperty, GetEdgeDisplay, SetEdgeDisplay),
    INT_ENTRY(1001, O::kEdgeKindProperty, GetEdgeKind, SetEdgeKind),
    INT_ENTRY(1002, O::kEdgeColorModeProperty, GetEdgeColorMode, SetEdgeColorMode),
    BOOL_ENTRY(1004, O::kExtensionProperty, GetExtension, SetExtension),
    INT_ENTRY(1005, O::kExtensionLengthProperty, GetExtensionLength, SetExtensionLength),
    BOOL_ENTRY(1006, O::kProfilesProperty, GetProfiles, SetProfiles),
    INT_ENTRY(1007, O::kProfileWidthProperty, GetProfileWidth, SetProfileWidth),
    BOOL_ENTRY(1008, O::kDepthCueProperty, GetDepthCue, SetDepthCue),
    INT_ENTRY(1009, O::kDepthCueWidthProperty, GetDepthCueWidth, SetDepthCueWidth),
    BOOL_ENTRY(1010, O::kEndpointsProperty, GetEndpoints, SetEndpoints),
    INT_ENTRY(1011, O::kEndpointLengthProperty, GetEndpointLength, SetEndpointLength),
    BOOL_ENTRY(1012, O::kJitterProperty, GetJitter, SetJitter),
    COLOR_ENTRY(1014, O::kEdgeColorProperty, GetEdgeColor, SetEdgeColor),
    BOOL_ENTRY(1015, O::kBackEdgesProperty, GetBackEdges, SetBackEdges),
    INT_ENTRY(2001, O::kRenderingModeProperty, GetRenderingMode, SetRenderingMode),
    COLOR_ENTRY(2002, O::kFaceColorsProperty, GetFrontFaceColor, SetFrontFaceColor),
    COLOR_ENTRY(2003, O::kFaceColorsProperty, GetBackFaceColor, SetBackFaceColor),
    BOOL_ENTRY(2004, O::kXRayProperty, GetXRay, SetXRay),
    BOOL_ENTRY(2005, O::kTransparencyEnabledProperty, GetTransparencyEnabled, SetTransparencyEnabled),
    INT_ENTRY(2006, O::kTransparencySortProperty, GetTransparencySort, SetTransparencySort),
    BOOL_ENTRY(2007, O::kTexturesShownProperty, GetTexturesShown, SetTexturesShown),
    DOUBLE_ENTRY(2008, O::kXRayOpacityProperty, GetXRayOpacity, SetXRayOpacity),
    COLOR_ENTRY(4000, O::kBackgroundColorProperty, GetBackgroundColor, SetBackgroundColor),
    COLOR_ENTRY(4001, O::kSkyColorProperty, GetSkyColor, SetSkyColor),
    BOOL_ENTRY(4002, O::kSkyShownProperty, GetSkyShown, SetDrawSky),
    COLOR_ENTRY(4003, O::kGroundColorProperty, GetGroundColor, SetGroundColor),
    BOOL_ENTRY(4004, O::kGroundShownProperty, GetGroundShown, SetDrawGround),
    INT_ENTRY(4005, O::kGroundTransparencyProperty, GetGroundTransparency, SetGroundTransparency),
    BOOL_ENTRY(4006, O::kGroundFromBelowProperty, GetGroundFromBelow, SetGroundFromBelow),
    BOOL_ENTRY(5000, O::kWatermarksShownProperty, GetWatermarksShown, SetDisplayWatermarks),
    COLOR_ENTRY(7000, O::kSelectedColorProperty, GetSelectedColor, SetSelectedColor),
    COLOR_ENTRY(7001, O::kLockedColorProperty, GetLockedColor, SetLockedColor),
    COLOR_ENTRY(7002, O::kGuideColorProperty, GetGuideColor, SetGuideColor),
    COLOR_ENTRY(7003, O::kInactiveSectionColorProperty, GetInactiveSectionColor, SetInactiveSectionColor),
    COLOR_ENTRY(7004, O::kActiveSectionColorProperty, GetActiveSectionColor, SetActiveSectionColor),
    COLOR_ENTRY(7005, O::kSectionCutColorProperty, GetSectionCutColor, SetSectionCutColor),
    BOOL_ENTRY(7008, O::kAxesShownProperty, GetAxesShown, SetAxesShown),
    BOOL_ENTRY(7010, O::kHiddenGeometryShownProperty, IsHiddenGeometryShown, SetShowHiddenGeometry),
    BOOL_ENTRY(7011, O::kColorByLayerProperty, IsColorByLayer, SetColorByLayer),
    BOOL_ENTRY(7012, O::kGuidesShownProperty, GetGuidesShown, SetDisplayGuides),
    INT_ENTRY(7013, O::kSectionDisplayProperty, GetSectionDisplay, SetSectionDisplay),
    INT_ENTRY(7014, O::kSectionCutWidthProperty, GetSectionCutWidth, SetSectionCutWidth),
    BOOL_ENTRY(8000, O::kPhotoBehindShownProperty, GetPhotoBehindShown, SetShowPhotoBehind),
    DOUBLE_ENTRY(8001, O::kPhotoBehindOpacityProperty, GetPhotoBehindOpacity, SetPhotoBehindOpacity),
    BOOL_ENTRY(8002, O::kPhotoInFrontShownProperty, GetPhotoInFrontShown, SetShowPhotoInFront),
    DOUBLE_ENTRY(8003, O::kPhotoInFrontOpacityProperty, GetPhotoInFrontOpacity, SetPhotoInFrontOpacity),
};

#undef BOOL_ENTRY
#undef INT_ENTRY
#undef DOUBLE_ENTRY
#undef COLOR_ENTRY

}  // namespace

const std::vector<PropertyEntry>& GetPropertyTable()
{
    return table;
}

const PropertyEntry* FindProperty(int id)
{
    const auto it = std::lower_bound(table.begin(), table.end(), id,
                                     [](const PropertyEntry& e, int key) { return e.id < key; });
    return it != table.end() && it->id == id ? &*it : nullptr;
}

}  // namespace orbisk::style
