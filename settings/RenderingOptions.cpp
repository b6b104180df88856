#include "settings/RenderingOptions.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "database/ArchiveSchema.h"
#include "database/IModelContext.h"
#include "geometry/Tolerance.h"
#include "platform/mfc/Archive.h"
#include "settings/SystemColors.h"
#include "support/ArchiveOperators.h"
#include "support/NotificationCenter.h"

IMPLEMENT_SERIAL(CRenderingOptions, CEntity, VERSIONABLE_SCHEMA | 35)

using orbisk::utils::CColor;

namespace {

constexpr CColor kNoColor;
constexpr int32_t kMinSectionCutWidth = 1;
constexpr int32_t kMaxSectionCutWidth = 20;
// 20 degrees.
constexpr double kDefaultSoftEdgeLimit = 0.3490658503988659;

bool IsNoColor(const CColor& color)
{
    return color == kNoColor;
}

int32_t ClampSectionCutWidth(int32_t width)
{
    return std::clamp(width, kMinSectionCutWidth, kMaxSectionCutWidth);
}

bool IsFade(double fade)
{
    return std::isfinite(fade) && fade >= -orbisk::geometry::kGeomTolerance &&
           fade <= 1.0 + orbisk::geometry::kGeomTolerance;
}

// The transparency code of schemas 17 to 21.
enum TransparencyCode : int32_t { kNeither = 0, kXRayOnly = 1, kTransparencyOnly = 2 };

}  // namespace

CRenderingOptions::CRenderingOptions()
{
    SetDefaults();
}

CRenderingOptions::CRenderingOptions(const CRenderingOptions& other) : CEntity(other)
{
    SetDefaults();
    m_cameraBarColor = kNoColor;
    m_auxiliaryColor = kNoColor;
    Assign(other);
}

void CRenderingOptions::SetDefaults()
{
    m_renderingMode = kShaded;
    m_texturesShown = true;
    m_edgeDisplay = 1;
    m_edgeColorMode = 1;
    m_jitter = false;
    m_profiles = true;
    m_profileWidth = 3;
    m_faceColorMode = 0;
    m_componentAxesShown = false;
    m_backgroundColor = kNoColor;
    m_edgeColor = kNoColor;
    m_selectedColor = CColor(255, 255, 0, 255);
    m_guideColor = CColor(128, 128, 128, 255);
    m_colorByLayer = false;
    m_extension = false;
    m_extensionLength = 8;
    m_fogShown = false;
    m_fogColor = kNoColor;
    m_fogStart = -1.0;
    m_fogEnd = -1.0;
    m_fogHint = 1;
    m_sectionDisplay = kSectionPlanesShown | kSectionCutsShown;
    m_hiddenGeometryShown = false;
    m_inactiveFade = 0.75;
    m_instanceFade = 0.5;
    m_hideInactive = false;
    m_hideOtherInstances = false;
    m_transparencySort = 0;
    m_depthCue = false;
    m_endpoints = false;
    m_depthCueWidth = 4;
    m_endpointLength = 5;
    m_edgePresetEffect = false;
    m_lockedColor = CColor(255, 0, 0, 255);
    m_axesShown = true;
    m_frontFaceColor = CColor(225, 225, 200, 255);
    m_backFaceColor = CColor(128, 128, 200, 255);
    m_edgeKind = 0;
    m_xRay = false;
    m_transparencyEnabled = true;
    m_inactiveSectionColor = CColor(102, 110, 141, 255);
    m_activeSectionColor = CColor(192, 192, 192, 255);
    m_sectionCutColor = CColor(255, 0, 0, 255);
    m_sectionCutWidth = 4;
    m_guidesShown = false;
    m_skyColor = CColor(140, 165, 255, 255);
    m_groundColor = CColor(63, 147, 63, 255);
    m_skyShown = false;
    m_groundShown = false;
    m_groundFromBelow = true;
    m_groundTransparency = 50;
    m_textShown = true;
    m_dimensionsShown = true;
    m_fogUsesBackground = true;
    m_watermarksShown = true;
    m_xRayOpacity = 0.5;
    m_backEdges = false;
    m_photoBehindShown = true;
    m_photoBehindOpacity = 1.0;
    m_photoInFrontShown = true;
    m_photoInFrontOpacity = 0.8;

    m_legacyFlag = false;
    m_horizonColor = kNoColor;
    m_hideSoftEdges = true;
    m_softEdgeLimit = kDefaultSoftEdgeLimit;
    m_averageNormals = true;

    m_cameraBarColor = CColor(0, 0, 0, 127);
    m_auxiliaryColor = CColor(204, 204, 204, 51);
    m_drawPass = kDrawEverything;
    m_shadowPass = kNoShadowPass;
    m_legacySortedTransparency = false;
    m_blendingOff = false;
    m_showViewName = true;
    m_showEditingContext = true;
    m_showToolOverlay = true;
    m_hideCameraBars = false;
}

void CRenderingOptions::Announce(int32_t property)
{
    if (!m_owner)
        return;
    CRenderingOptionsChange change{property, this};
    orbisk::utils::CNotificationCenter::GetInstance().PostNotification(kRenderingOptionsChangeNotification,
                                                                       &change);
}

template <class T>
bool CRenderingOptions::Change(T& field, const T& value, int32_t property)
{
    if (field == value)
        return false;
    field = value;
    Announce(property);
    return true;
}

bool CRenderingOptions::ChangeDouble(double& field, double value, int32_t property)
{
    if (std::abs(field - value) < orbisk::geometry::kGeomTolerance)
        return false;
    field = value;
    Announce(property);
    return true;
}

IModelContext* CRenderingOptions::GetModel() const
{
    return m_owner ? m_owner : CEntity::GetModel();
}

// Setters.

void CRenderingOptions::SetRenderingMode(int32_t mode)
{
    if (mode == m_renderingMode)
        return;
    m_renderingMode = mode;
    // Wireframe and hidden-line drawing show nothing without their edges.
    if ((mode == kWireframe || mode == kHiddenLine) && m_edgeDisplay != 1) {
        m_edgeDisplay = 1;
        Announce(kEdgeDisplayProperty);
    }
    Announce(kRenderingModeProperty);
}

void CRenderingOptions::ChangeEdgeDisplay(int32_t display)
{
    // Wireframe keeps its edges.
    if (display == 0 && m_renderingMode == kWireframe)
        return;
    Change(m_edgeDisplay, display, kEdgeDisplayProperty);
}

void CRenderingOptions::SetEdgeDisplay(int32_t display)
{
    ChangeEdgeDisplay(display);
}

void CRenderingOptions::SetSectionCutWidth(int32_t width)
{
    if (width == m_sectionCutWidth)
        return;
    m_sectionCutWidth = ClampSectionCutWidth(width);
    Announce(kSectionCutWidthProperty);
}

void CRenderingOptions::ToggleSectionDisplay(int32_t bits)
{
    Change(m_sectionDisplay, m_sectionDisplay ^ (bits & (kSectionPlanesShown | kSectionCutsShown)),
           kSectionDisplayProperty);
}

void CRenderingOptions::SetTexturesShown(bool shown)
{
    Change(m_texturesShown, shown, kTexturesShownProperty);
}
void CRenderingOptions::SetEdgeColorMode(int32_t mode)
{
    Change(m_edgeColorMode, mode, kEdgeColorModeProperty);
}
void CRenderingOptions::HideComponentAxes()
{
    Change(m_componentAxesShown, false, kComponentAxesShownProperty);
}
void CRenderingOptions::SetJitter(bool on)
{
    Change(m_jitter, on, kJitterProperty);
}
void CRenderingOptions::SetProfiles(bool on)
{
    Change(m_profiles, on, kProfilesProperty);
}
void CRenderingOptions::SetProfileWidth(int32_t width)
{
    Change(m_profileWidth, width, kProfileWidthProperty);
}
void CRenderingOptions::SetBackgroundColor(CColor color)
{
    Change(m_backgroundColor, color, kBackgroundColorProperty);
}
void CRenderingOptions::SetEdgeColor(CColor color)
{
    Change(m_edgeColor, color, kEdgeColorProperty);
}
void CRenderingOptions::SetSelectedColor(CColor color)
{
    Change(m_selectedColor, color, kSelectedColorProperty);
}
void CRenderingOptions::SetGuideColor(CColor color)
{
    Change(m_guideColor, color, kGuideColorProperty);
}
void CRenderingOptions::SetColorByLayer(bool on)
{
    Change(m_colorByLayer, on, kColorByLayerProperty);
}
void CRenderingOptions::SetExtension(bool on)
{
    Change(m_extension, on, kExtensionProperty);
}
void CRenderingOptions::SetExtensionLength(int32_t length)
{
    Change(m_extensionLength, length, kExtensionLengthProperty);
}
void CRenderingOptions::SetDisplayFog(bool shown)
{
    Change(m_fogShown, shown, kFogShownProperty);
}
void CRenderingOptions::SetFogColor(CColor color)
{
    Change(m_fogColor, color, kFogColorProperty);
}
void CRenderingOptions::SetFogStart(double start)
{
    ChangeDouble(m_fogStart, start, kFogDistanceProperty);
}
void CRenderingOptions::SetFogEnd(double end)
{
    ChangeDouble(m_fogEnd, end, kFogDistanceProperty);
}
void CRenderingOptions::SetSectionDisplay(int32_t bits)
{
    Change(m_sectionDisplay, bits, kSectionDisplayProperty);
}
void CRenderingOptions::SetShowHiddenGeometry(bool shown)
{
    Change(m_hiddenGeometryShown, shown, kHiddenGeometryShownProperty);
}
void CRenderingOptions::SetInactiveFade(double fade)
{
    ChangeDouble(m_inactiveFade, fade, kFadeProperty);
}
void CRenderingOptions::SetInstanceFade(double fade)
{
    ChangeDouble(m_instanceFade, fade, kFadeProperty);
}
void CRenderingOptions::SetHideInactive(bool hide)
{
    Change(m_hideInactive, hide, kFadeProperty);
}
void CRenderingOptions::SetTransparencySort(int32_t sort)
{
    Change(m_transparencySort, sort, kTransparencySortProperty);
}
void CRenderingOptions::SetDepthCue(bool on)
{
    Change(m_depthCue, on, kDepthCueProperty);
}
void CRenderingOptions::SetEndpoints(bool on)
{
    Change(m_endpoints, on, kEndpointsProperty);
}
void CRenderingOptions::SetDepthCueWidth(int32_t width)
{
    Change(m_depthCueWidth, width, kDepthCueWidthProperty);
}
void CRenderingOptions::SetEndpointLength(int32_t length)
{
    Change(m_endpointLength, length, kEndpointLengthProperty);
}
void CRenderingOptions::SetEdgePresetEffect(bool on)
{
    Change(m_edgePresetEffect, on, kEdgePresetEffectProperty);
}
void CRenderingOptions::SetLockedColor(CColor color)
{
    Change(m_lockedColor, color, kLockedColorProperty);
}
void CRenderingOptions::SetAxesShown(bool shown)
{
    Change(m_axesShown, shown, kAxesShownProperty);
}
void CRenderingOptions::SetFrontFaceColor(CColor color)
{
    Change(m_frontFaceColor, color, kFaceColorsProperty);
}
void CRenderingOptions::SetBackFaceColor(CColor color)
{
    Change(m_backFaceColor, color, kFaceColorsProperty);
}
void CRenderingOptions::SetEdgeKind(int32_t kind)
{
    Change(m_edgeKind, kind, kEdgeKindProperty);
}
void CRenderingOptions::SetXRay(bool on)
{
    Change(m_xRay, on, kXRayProperty);
}
void CRenderingOptions::SetTransparencyEnabled(bool on)
{
    Change(m_transparencyEnabled, on, kTransparencyEnabledProperty);
}
void CRenderingOptions::SetInactiveSectionColor(CColor color)
{
    Change(m_inactiveSectionColor, color, kInactiveSectionColorProperty);
}
void CRenderingOptions::SetActiveSectionColor(CColor color)
{
    Change(m_activeSectionColor, color, kActiveSectionColorProperty);
}
void CRenderingOptions::SetSectionCutColor(CColor color)
{
    Change(m_sectionCutColor, color, kSectionCutColorProperty);
}
void CRenderingOptions::SetDisplayGuides(bool shown)
{
    Change(m_guidesShown, shown, kGuidesShownProperty);
}
void CRenderingOptions::SetSkyColor(CColor color)
{
    Change(m_skyColor, color, kSkyColorProperty);
}
void CRenderingOptions::SetGroundColor(CColor color)
{
    Change(m_groundColor, color, kGroundColorProperty);
}
void CRenderingOptions::SetDrawSky(bool shown)
{
    Change(m_skyShown, shown, kSkyShownProperty);
}
void CRenderingOptions::SetDrawGround(bool shown)
{
    Change(m_groundShown, shown, kGroundShownProperty);
}
void CRenderingOptions::SetGroundFromBelow(bool visible)
{
    Change(m_groundFromBelow, visible, kGroundFromBelowProperty);
}
void CRenderingOptions::SetGroundTransparency(int32_t transparency)
{
    Change(m_groundTransparency, transparency, kGroundTransparencyProperty);
}
void CRenderingOptions::SetTextShown(bool shown)
{
    Change(m_textShown, shown, kTextShownProperty);
}
void CRenderingOptions::SetDimensionsShown(bool shown)
{
    Change(m_dimensionsShown, shown, kDimensionsShownProperty);
}
void CRenderingOptions::SetDisplayWatermarks(bool shown)
{
    Change(m_watermarksShown, shown, kWatermarksShownProperty);
}
void CRenderingOptions::SetXRayOpacity(double opacity)
{
    // Styles read from a file set opacities too: one that is no fraction is refused.
    if (IsFade(opacity))
        ChangeDouble(m_xRayOpacity, opacity, kXRayOpacityProperty);
}
void CRenderingOptions::SetBackEdges(bool on)
{
    Change(m_backEdges, on, kBackEdgesProperty);
}
void CRenderingOptions::SetShowPhotoBehind(bool shown)
{
    Change(m_photoBehindShown, shown, kPhotoBehindShownProperty);
}
void CRenderingOptions::SetPhotoBehindOpacity(double opacity)
{
    if (IsFade(opacity))
        ChangeDouble(m_photoBehindOpacity, opacity, kPhotoBehindOpacityProperty);
}
void CRenderingOptions::SetShowPhotoInFront(bool shown)
{
    Change(m_photoInFrontShown, shown, kPhotoInFrontShownProperty);
}
void CRenderingOptions::SetPhotoInFrontOpacity(double opacity)
{
    if (IsFade(opacity))
        ChangeDouble(m_photoInFrontOpacity, opacity, kPhotoInFrontOpacityProperty);
}

// Computed colours.

CColor CRenderingOptions::GetBackgroundColor() const
{
    return IsNoColor(m_backgroundColor) ? GetSystemColorProvider().GetWindowColor() : m_backgroundColor;
}

CColor CRenderingOptions::GetEdgeColor() const
{
    return IsNoColor(m_edgeColor) ? GetSystemColorProvider().GetWindowTextColor() : m_edgeColor;
}

CColor CRenderingOptions::GetHorizonColor() const
{
    if (!IsNoColor(m_horizonColor))
        return m_horizonColor;
    const auto mix = [](uint8_t sky) { return orbisk::utils::UnitToByte(0.25 * (sky / 255.0) + 0.75); };
    return CColor(mix(m_skyColor.red), mix(m_skyColor.green), mix(m_skyColor.blue), mix(m_skyColor.alpha));
}

CColor CRenderingOptions::GetAxisColor(int kind) const
{
    switch (kind) {
        case 1: return CColor(255, 0, 0, 255);
        case 2: return CColor(0, 255, 0, 255);
        case 3: return CColor(0, 0, 255, 255);
        case 7:
        case 8: return CColor(255, 0, 255, 255);
        default: return GetEdgeColor();
    }
}

CColor CRenderingOptions::GetFogColor() const
{
    return m_fogUsesBackground || IsNoColor(m_fogColor) ? GetBackgroundColor() : m_fogColor;
}

CColor CRenderingOptions::GetFogColorOrBackground() const
{
    return IsNoColor(m_fogColor) ? GetBackgroundColor() : m_fogColor;
}

bool CRenderingOptions::HasEdgeEffects(uint32_t mask) const
{
    return ((mask & kProfilesEffect) && m_profiles) || ((mask & kExtensionEffect) && m_extension) ||
           ((mask & kJitterEffect) && m_jitter) || ((mask & kDepthCueEffect) && m_depthCue) ||
           ((mask & kEndpointsEffect) && m_endpoints) || ((mask & kStrokeEdgesEffect) && m_edgeKind == 1);
}

bool CRenderingOptions::DrawsPlainEdgesWithFaces() const
{
    return m_edgeKind != 1 && m_renderingMode != kWireframe &&
           (m_edgeDisplay != 0 || m_renderingMode == kHiddenLine);
}

// Copies and exchanges.

CEntity* CRenderingOptions::CreateCopy() const
{
    return new CRenderingOptions(*this);
}

CRenderingOptions& CRenderingOptions::Assign(const CRenderingOptions& source)
{
    const CRenderingOptions& s = source;
    SetRenderingMode(s.m_renderingMode);
    SetXRay(s.m_xRay);
    SetTransparencyEnabled(s.m_transparencyEnabled);
    SetTexturesShown(s.m_texturesShown);
    ChangeEdgeDisplay(s.m_edgeDisplay);
    SetColorByLayer(s.m_colorByLayer);
    SetEdgeColorMode(s.m_edgeColorMode);
    Change(m_faceColorMode, s.m_faceColorMode, kFaceColorModeProperty);
    SetEdgeKind(s.m_edgeKind);
    SetAxesShown(s.m_axesShown);
    SetTextShown(s.m_textShown);
    SetDimensionsShown(s.m_dimensionsShown);
    m_legacyFlag = s.m_legacyFlag;
    Change(m_componentAxesShown, s.m_componentAxesShown, kComponentAxesShownProperty);
    SetShowHiddenGeometry(s.m_hiddenGeometryShown);
    SetJitter(s.m_jitter);
    SetExtension(s.m_extension);
    SetExtensionLength(s.m_extensionLength);
    SetProfiles(s.m_profiles);
    SetProfileWidth(s.m_profileWidth);
    SetDepthCue(s.m_depthCue);
    SetDepthCueWidth(s.m_depthCueWidth);
    SetEndpoints(s.m_endpoints);
    SetEndpointLength(s.m_endpointLength);
    SetEdgePresetEffect(s.m_edgePresetEffect);
    SetBackEdges(s.m_backEdges);
    SetBackgroundColor(s.m_backgroundColor);
    SetEdgeColor(s.m_edgeColor);
    SetSelectedColor(s.m_selectedColor);
    SetLockedColor(s.m_lockedColor);
    SetGuideColor(s.m_guideColor);
    SetFrontFaceColor(s.m_frontFaceColor);
    SetBackFaceColor(s.m_backFaceColor);
    SetDisplayWatermarks(s.m_watermarksShown);
    SetDisplayFog(s.m_fogShown);
    SetFogColor(s.m_fogColor);
    Change(m_fogUsesBackground, s.m_fogUsesBackground, kFogUsesBackgroundProperty);
    SetFogStart(s.m_fogStart);
    SetFogEnd(s.m_fogEnd);
    Change(m_fogHint, s.m_fogHint, kFogHintProperty);
    SetSkyColor(s.m_skyColor);
    m_horizonColor = s.m_horizonColor;
    SetGroundColor(s.m_groundColor);
    SetDrawSky(s.m_skyShown);
    SetDrawGround(s.m_groundShown);
    SetGroundFromBelow(s.m_groundFromBelow);
    SetGroundTransparency(s.m_groundTransparency);
    SetInactiveFade(s.m_inactiveFade);
    SetInstanceFade(s.m_instanceFade);
    SetHideInactive(s.m_hideInactive);
    Change(m_hideOtherInstances, s.m_hideOtherInstances, kFadeProperty);
    SetInactiveSectionColor(s.m_inactiveSectionColor);
    SetActiveSectionColor(s.m_activeSectionColor);
    SetSectionCutColor(s.m_sectionCutColor);
    SetSectionCutWidth(s.m_sectionCutWidth);
    SetSectionDisplay(s.m_sectionDisplay);
    SetXRayOpacity(s.m_xRayOpacity);
    SetTransparencySort(s.m_transparencySort);
    m_hideSoftEdges = s.m_hideSoftEdges;
    m_softEdgeLimit = s.m_softEdgeLimit;
    m_averageNormals = s.m_averageNormals;
    SetShowPhotoBehind(s.m_photoBehindShown);
    SetPhotoBehindOpacity(s.m_photoBehindOpacity);
    SetShowPhotoInFront(s.m_photoInFrontShown);
    SetPhotoInFrontOpacity(s.m_photoInFrontOpacity);
    m_drawPass = s.m_drawPass;
    m_shadowPass = s.m_shadowPass;
    m_blendingOff = s.m_blendingOff;
    m_showViewName = s.m_showViewName;
    SetDisplayGuides(s.m_guidesShown);
    m_showToolOverlay = s.m_showToolOverlay;
    m_showEditingContext = s.m_showEditingContext;
    m_hideCameraBars = s.m_hideCameraBars;
    Announce(kAnyProperty);
    return *this;
}

void CRenderingOptions::SwapContents(CEntity& other)
{
    auto& that = static_cast<CRenderingOptions&>(other);
    CEntity::SwapContents(other);
    using std::swap;
    swap(m_renderingMode, that.m_renderingMode);
    swap(m_texturesShown, that.m_texturesShown);
    swap(m_edgeDisplay, that.m_edgeDisplay);
    swap(m_edgeColorMode, that.m_edgeColorMode);
    swap(m_jitter, that.m_jitter);
    swap(m_profiles, that.m_profiles);
    swap(m_profileWidth, that.m_profileWidth);
    swap(m_faceColorMode, that.m_faceColorMode);
    swap(m_componentAxesShown, that.m_componentAxesShown);
    swap(m_backgroundColor, that.m_backgroundColor);
    swap(m_edgeColor, that.m_edgeColor);
    swap(m_selectedColor, that.m_selectedColor);
    swap(m_guideColor, that.m_guideColor);
    swap(m_colorByLayer, that.m_colorByLayer);
    swap(m_extension, that.m_extension);
    swap(m_extensionLength, that.m_extensionLength);
    swap(m_fogShown, that.m_fogShown);
    swap(m_fogColor, that.m_fogColor);
    swap(m_fogStart, that.m_fogStart);
    swap(m_fogEnd, that.m_fogEnd);
    swap(m_fogHint, that.m_fogHint);
    swap(m_sectionDisplay, that.m_sectionDisplay);
    swap(m_hiddenGeometryShown, that.m_hiddenGeometryShown);
    swap(m_inactiveFade, that.m_inactiveFade);
    swap(m_instanceFade, that.m_instanceFade);
    swap(m_hideInactive, that.m_hideInactive);
    swap(m_hideOtherInstances, that.m_hideOtherInstances);
    swap(m_transparencySort, that.m_transparencySort);
    swap(m_depthCue, that.m_depthCue);
    swap(m_endpoints, that.m_endpoints);
    swap(m_depthCueWidth, that.m_depthCueWidth);
    swap(m_endpointLength, that.m_endpointLength);
    swap(m_edgePresetEffect, that.m_edgePresetEffect);
    swap(m_lockedColor, that.m_lockedColor);
    swap(m_axesShown, that.m_axesShown);
    swap(m_frontFaceColor, that.m_frontFaceColor);
    swap(m_backFaceColor, that.m_backFaceColor);
    swap(m_edgeKind, that.m_edgeKind);
    swap(m_xRay, that.m_xRay);
    swap(m_transparencyEnabled, that.m_transparencyEnabled);
    swap(m_inactiveSectionColor, that.m_inactiveSectionColor);
    swap(m_activeSectionColor, that.m_activeSectionColor);
    swap(m_sectionCutColor, that.m_sectionCutColor);
    swap(m_sectionCutWidth, that.m_sectionCutWidth);
    swap(m_guidesShown, that.m_guidesShown);
    swap(m_skyColor, that.m_skyColor);
    swap(m_groundColor, that.m_groundColor);
    swap(m_skyShown, that.m_skyShown);
    swap(m_groundShown, that.m_groundShown);
    swap(m_groundFromBelow, that.m_groundFromBelow);
    swap(m_groundTransparency, that.m_groundTransparency);
    swap(m_textShown, that.m_textShown);
    swap(m_dimensionsShown, that.m_dimensionsShown);
    swap(m_fogUsesBackground, that.m_fogUsesBackground);
    swap(m_watermarksShown, that.m_watermarksShown);
    swap(m_xRayOpacity, that.m_xRayOpacity);
    swap(m_backEdges, that.m_backEdges);
    swap(m_photoBehindShown, that.m_photoBehindShown);
    swap(m_photoBehindOpacity, that.m_photoBehindOpacity);
    swap(m_photoInFrontShown, that.m_photoInFrontShown);
    swap(m_photoInFrontOpacity, that.m_photoInFrontOpacity);
    swap(m_legacyFlag, that.m_legacyFlag);
    swap(m_horizonColor, that.m_horizonColor);
    swap(m_hideSoftEdges, that.m_hideSoftEdges);
    swap(m_softEdgeLimit, that.m_softEdgeLimit);
    swap(m_averageNormals, that.m_averageNormals);
    swap(m_cameraBarColor, that.m_cameraBarColor);
}

// The model-file record.

void CRenderingOptions::Serialize(CArchive& ar)
{
    SerializeGuarded(ar, [&] {
        CEntity::Serialize(ar);
        if (ar.IsLoading())
            ReadRecord(ar);
        else
            WriteRecord(ar);
    });
}

void CRenderingOptions::ReadRecord(CArchive& ar)
{
    const int32_t v = GetClassVersion(RUNTIME_CLASS(CRenderingOptions));
    ar >> m_renderingMode;
    if (v >= 17 && v <= 21) {
        int32_t code = 0;
        ar >> code;
        if (code == kNeither || code == kXRayOnly || code == kTransparencyOnly) {
            m_xRay = code == kXRayOnly;
            m_transparencyEnabled = code == kTransparencyOnly;
        }
    } else {
        ar >> m_xRay;
    }
    if (v >= 22)
        ar >> m_transparencyEnabled;
    ar >> m_jitter;
    if (v < 9) {
        bool edges = false;
        ar >> edges;
        m_edgeDisplay = edges ? 1 : 0;
    } else {
        ar >> m_edgeDisplay;
    }
    ar >> m_backgroundColor >> m_edgeColor >> m_selectedColor;
    if (v >= 11)
        ar >> m_guideColor;
    if (v >= 1)
        ar >> m_legacyFlag;
    if (v == 2)
        ar >> m_texturesShown;
    if (v >= 4)
        ar >> m_componentAxesShown;
    if (v >= 5)
        ar >> m_colorByLayer;
    if (v >= 6) {
        ar >> m_texturesShown >> m_edgeColorMode;
    } else if (m_renderingMode == kShadedWithTextures) {
        m_renderingMode = kShaded;
        m_texturesShown = true;
    }
    if (v >= 7) {
        ar >> m_extension >> m_extensionLength >> m_profiles >> m_profileWidth;
        if (v >= 26)
            ar >> m_depthCue >> m_depthCueWidth >> m_endpoints >> m_endpointLength;
        if (v >= 28)
            ar >> m_edgePresetEffect;
        ar >> m_hiddenGeometryShown;
    }
    if (v >= 8)
        ar >> m_faceColorMode;
    if (v >= 10)
        ar >> m_frontFaceColor >> m_backFaceColor;
    if (v >= 12)
        ar >> m_inactiveFade >> m_instanceFade >> m_hideInactive >> m_hideOtherInstances;
    if (v >= 29)
        ar >> m_fogShown >> m_fogColor >> m_fogUsesBackground >> m_fogStart >> m_fogEnd;
    if (v >= 30)
        ar >> m_fogHint;
    if (v >= 31)
        ar >> m_edgeKind >> m_axesShown >> m_textShown >> m_dimensionsShown >> m_guidesShown;
    ReadSkyAndGround(ar, v);
    if (v >= 15) {
        ar >> m_inactiveSectionColor >> m_activeSectionColor >> m_sectionCutColor >> m_sectionCutWidth;
        m_sectionCutWidth = ClampSectionCutWidth(m_sectionCutWidth);
        ar >> m_sectionDisplay;
    }
    ReadTransparencyAndSoftEdges(ar, v);
    if (v == 23 || v == 24) {
        bool unused = false;
        ar >> unused;
    }
    if (v >= 27)
        ar >> m_lockedColor;
    if (v >= 32)
        ar >> m_watermarksShown;
    if (v == 33) {
        bool mipmapping = false;
        ar >> mipmapping;
        if (IModelContext* model = GetModel())
            model->SetMipmapping(mipmapping);
        return;
    }
    if (v >= 35)
        ar >> m_xRayOpacity;
    if (v >= 36) {
        ar >> m_backEdges >> m_photoBehindShown >> m_photoBehindOpacity >> m_photoInFrontShown >>
            m_photoInFrontOpacity;
    }
    // Opacities become 8-bit alpha when drawn: a damaged value goes back to its default.
    for (auto [field, fallback] : {std::pair{&m_xRayOpacity, 0.5}, std::pair{&m_photoBehindOpacity, 1.0},
                                   std::pair{&m_photoInFrontOpacity, 0.8}}) {
        if (!IsFade(*field))
            *field = fallback;
    }
}

void CRenderingOptions::ReadSkyAndGround(CArchive& ar, int32_t v)
{
    if (v == 13) {
        CColor sky, ground;
        ar >> sky >> ground;
        if (!IsNoColor(sky))
            m_skyColor = sky;
        if (!IsNoColor(ground))
            m_groundColor = ground;
        for (bool* field : {&m_skyShown, &m_groundShown, &m_groundFromBelow}) {
            int32_t value = 0;
            ar >> value;
            // -1: not stored.
            if (value != -1)
                *field = value != 0;
        }
    } else if (v >= 14) {
        ar >> m_skyColor;
        if (v >= 24)
            ar >> m_horizonColor;
        else
            m_horizonColor = kNoColor;
        ar >> m_groundColor >> m_skyShown >> m_groundShown >> m_groundFromBelow;
    }
    if (v >= 13)
        ar >> m_groundTransparency;
}

void CRenderingOptions::ReadTransparencyAndSoftEdges(CArchive& ar, int32_t v)
{
    if (v == 16 || v == 18) {
        bool value = false;
        ar >> value;
        if (v == 16)
            m_transparencyEnabled = value;
        else
            m_transparencySort = value ? 1 : 0;
        m_hideSoftEdges = m_averageNormals = true;
        return;
    }
    if (v >= 19)
        ar >> m_transparencySort;
    if (v >= 20)
        ar >> m_hideSoftEdges >> m_softEdgeLimit;
    if (v >= 21)
        ar >> m_averageNormals;
    // Older programs always hid soft edges and averaged normals, whatever they stored.
    if (v <= 22)
        m_hideSoftEdges = m_averageNormals = true;
}

void CRenderingOptions::WriteRecord(CArchive& ar) const
{
    const int32_t v = GetClassVersion(RUNTIME_CLASS(CRenderingOptions));
    ar << m_renderingMode;
    if (v >= 17 && v <= 21)
        ar << (m_xRay                  ? int32_t{kXRayOnly}
               : m_transparencyEnabled ? int32_t{kTransparencyOnly}
                                       : int32_t{kNeither});
    else
        ar << m_xRay;
    if (v >= 22)
        ar << m_transparencyEnabled;
    ar << m_jitter;
    if (v < 9)
        ar << (m_edgeDisplay != 0);
    else
        ar << m_edgeDisplay;
    ar << m_backgroundColor << m_edgeColor << m_selectedColor;
    if (v >= 11)
        ar << m_guideColor;
    if (v >= 1)
        ar << m_legacyFlag;
    if (v == 2)
        ar << m_texturesShown;
    if (v >= 4)
        ar << m_componentAxesShown;
    if (v >= 5)
        ar << m_colorByLayer;
    if (v >= 6)
        ar << m_texturesShown << m_edgeColorMode;
    if (v >= 7) {
        ar << m_extension << m_extensionLength << m_profiles << m_profileWidth;
        if (v >= 26)
            ar << m_depthCue << m_depthCueWidth << m_endpoints << m_endpointLength;
        if (v >= 28)
            ar << m_edgePresetEffect;
        ar << m_hiddenGeometryShown;
    }
    if (v >= 8)
        ar << m_faceColorMode;
    if (v >= 10)
        ar << m_frontFaceColor << m_backFaceColor;
    if (v >= 12)
        ar << m_inactiveFade << m_instanceFade << m_hideInactive << m_hideOtherInstances;
    if (v >= 29)
        ar << m_fogShown << m_fogColor << m_fogUsesBackground << m_fogStart << m_fogEnd;
    if (v >= 30)
        ar << m_fogHint;
    if (v >= 31)
        ar << m_edgeKind << m_axesShown << m_textShown << m_dimensionsShown << m_guidesShown;
    if (v == 13) {
        ar << m_skyColor << m_groundColor << int32_t{m_skyShown} << int32_t{m_groundShown}
           << int32_t{m_groundFromBelow};
    } else if (v >= 14) {
        ar << m_skyColor;
        if (v >= 24)
            ar << m_horizonColor;
        ar << m_groundColor << m_skyShown << m_groundShown << m_groundFromBelow;
    }
    if (v >= 13)
        ar << m_groundTransparency;
    if (v >= 15) {
        ar << m_inactiveSectionColor << m_activeSectionColor << m_sectionCutColor << m_sectionCutWidth
           << m_sectionDisplay;
    }
    if (v == 16) {
        ar << m_transparencyEnabled;
    } else if (v == 18) {
        ar << (m_transparencySort != 0);
    } else {
        if (v >= 19)
            ar << m_transparencySort;
        if (v >= 20)
            ar << m_hideSoftEdges << m_softEdgeLimit;
        if (v >= 21)
            ar << m_averageNormals;
    }
    if (v == 23 || v == 24)
        ar << false;
    if (v >= 27)
        ar << m_lockedColor;
    if (v >= 32)
        ar << m_watermarksShown;
    if (v == 33) {
        // The model's mipmapping switch, which these settings do not know: on, as models start.
        ar << true;
        return;
    }
    if (v >= 35)
        ar << m_xRayOpacity;
    if (v >= 36) {
        ar << m_backEdges << m_photoBehindShown << m_photoBehindOpacity << m_photoInFrontShown
           << m_photoInFrontOpacity;
    }
}

// The self-check.

int CRenderingOptions::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CRenderingOptions), map, [&] { return CEntity::CheckValidity(level, map); },
        [&] { return CheckOwnValidity(level); });
}

int CRenderingOptions::CheckOwnValidity(int level)
{
    if (level == kValidityCheckIgnoringIds)
        return 0;
    int result = 0;
    // Reports a problem and repairs it when the level allows.
    const auto problem = [&](bool found, const char* message, auto repair) {
        if (!found)
            return;
        AppendValidityMessage(message, DescribeEntity(this).GetString());
        if (ShouldFix(level)) {
            MarkChanged();
            repair();
        } else {
            result = 1;
        }
    };
    const auto resetFog = [this] {
        m_fogStart = m_fogEnd = -1.0;
        m_fogShown = false;
    };
    problem(m_renderingMode < 0 || m_renderingMode > 5, "The rendering mode for %s is not valid",
            [this] { m_renderingMode = kShaded; });
    problem(m_edgeDisplay < 0 || m_edgeDisplay > 2, "The display style for %s in not valid",
            [this] { m_edgeDisplay = 1; });
    problem(m_edgeColorMode < 0 || m_edgeColorMode > 2, "The edge color mode for %s is not valid",
            [this] { m_edgeColorMode = 1; });
    problem(m_edgeKind != 0 && m_edgeKind != 1, "The face color mode for %s is not valid",
            [this] { m_edgeKind = 0; });
    problem(m_faceColorMode != 0 && m_faceColorMode != 1, "The face color mode for %s is not valid",
            [this] { m_faceColorMode = 0; });
    problem(!std::isfinite(m_fogStart), "The fog density for %s is not valid", resetFog);
    problem(!std::isfinite(m_fogEnd), "The fog density for %s is not valid", resetFog);
    problem(!IsFade(m_inactiveFade), "The inactive fade setting for %s is not valid",
            [this] { m_inactiveFade = 0.0; });
    problem(!IsFade(m_instanceFade), "The instance fade setting for %s is not valid",
            [this] { m_instanceFade = 0.0; });
    problem(m_transparencySort < 0 || m_transparencySort > 2,
            "The transparency sort setting for %s is not valid", [this] { m_transparencySort = 0; });
    problem(!std::isfinite(m_softEdgeLimit), "The soft edge limit for %s is not valid",
            [this] { m_softEdgeLimit = 0.0; });
    return result;
}
