#pragma once
// CRenderingOptions: the display settings of a model or a scene: how faces and edges are drawn,
// the colours of background, edges, faces, selection, sections, sky and ground, fog, the fading
// of what lies outside the component being edited, transparency, watermarks and the
// background-photo overlay.
//
// Every setting that users and styles change has a property number (Property). Only the
// model's own settings have an owner; a change of one of them is announced by posting
// "Rendering Options Change" with a CRenderingOptionsChange record, and property 0 means that
// any setting may have changed. Scene settings, copies and saved copies post nothing. Setters
// return at once when the value is unchanged (doubles: closer than 0.001) and record nothing
// for undo. Values out of range are not refused by the setters (except where a setter says so)
// but by CheckValidity, which repairs them.
//
// The all-zero colour is no colour: the background and edge colours then stand for the system
// colours (settings/SystemColors.h), the fog colour for the background colour, the horizon
// colour for a tint of the sky colour.
//
// Besides the saved settings the object carries run-time fields that the frame drawing writes
// and the entities' drawing reads; they are never saved and never announced.

#include <cstdint>

#include "database/Entity.h"
#include "database/IRenderingOptions.h"
#include "support/Color.h"
#include "topology/GuideDisplayOptions.h"
#include "topology/IEdgeDisplayOptions.h"
#include "topology/SectionPlaneDisplayOptions.h"

class CRenderingOptions;
class IModelContext;

inline constexpr char kRenderingOptionsChangeNotification[] = "Rendering Options Change";

// The payload of "Rendering Options Change".
struct CRenderingOptionsChange {
    int32_t property;
    CRenderingOptions* options;
};

class CRenderingOptions : public CEntity,
                          public IRenderingOptions,
                          public IEdgeDisplayOptions,
                          public ISectionPlaneDisplayOptions,
                          public IGuideDisplayOptions {
    DECLARE_SERIAL(CRenderingOptions)
public:
    using CColor = orbisk::utils::CColor;

    enum Property : int32_t {
        kAnyProperty = 0,
        kRenderingModeProperty = 1,
        kTexturesShownProperty = 3,
        kEdgeDisplayProperty = 4,
        kEdgeColorModeProperty = 5,
        kJitterProperty = 6,
        kProfilesProperty = 8,
        kProfileWidthProperty = 9,
        kFaceColorModeProperty = 10,
        kComponentAxesShownProperty = 11,
        kBackgroundColorProperty = 12,
        kEdgeColorProperty = 13,
        kSelectedColorProperty = 14,
        kGuideColorProperty = 15,
        kColorByLayerProperty = 16,
        kExtensionProperty = 17,
        kExtensionLengthProperty = 18,
        kFogShownProperty = 19,
        kFogColorProperty = 22,
        kFogDistanceProperty = 23,
        kFogHintProperty = 24,
        kSectionDisplayProperty = 25,
        kHiddenGeometryShownProperty = 26,
        kFadeProperty = 27,
        kTransparencySortProperty = 28,
        kDepthCueProperty = 29,
        kEndpointsProperty = 30,
        kDepthCueWidthProperty = 31,
        kEndpointLengthProperty = 32,
        kEdgePresetEffectProperty = 33,
        kLockedColorProperty = 34,
        kAxesShownProperty = 35,
        kFaceColorsProperty = 36,
        kEdgeKindProperty = 37,
        kXRayProperty = 38,
        kTransparencyEnabledProperty = 39,
        kInactiveSectionColorProperty = 40,
        kActiveSectionColorProperty = 41,
        kSectionCutColorProperty = 42,
        kSectionCutWidthProperty = 43,
        kGuidesShownProperty = 44,
        kSkyColorProperty = 45,
        kGroundColorProperty = 46,
        kSkyShownProperty = 47,
        kGroundShownProperty = 48,
        kGroundFromBelowProperty = 49,
        kGroundTransparencyProperty = 50,
        kTextShownProperty = 51,
        kDimensionsShownProperty = 52,
        kFogUsesBackgroundProperty = 53,
        kWatermarksShownProperty = 54,
        kXRayOpacityProperty = 55,
        kBackEdgesProperty = 56,
        kPhotoBehindShownProperty = 57,
        kPhotoBehindOpacityProperty = 58,
        kPhotoInFrontShownProperty = 59,
        kPhotoInFrontOpacityProperty = 60,
    };

    enum RenderingMode : int32_t {
        kWireframe = 0,
        kHiddenLine = 1,
        kShaded = 2,
        kShadedWithTextures = 4,
        kMonochrome = 5
    };
    // Bits of the section display.
    enum SectionDisplay : int32_t { kSectionPlanesShown = 1, kSectionCutsShown = 2 };
    // Bits of HasEdgeEffects.
    enum EdgeEffect : uint32_t {
        kProfilesEffect = 0x01,
        kExtensionEffect = 0x02,
        kJitterEffect = 0x04,
        kDepthCueEffect = 0x08,
        kEndpointsEffect = 0x10,
        kStrokeEdgesEffect = 0x20,
    };
    // drawPass: what the element drawing draws of the faces.
    enum DrawPass : int32_t { kDrawEverything = 0, kDrawOpaqueFaces = 1, kDrawTransparentFaces = 2 };
    // shadowPass: the stencil shadow pass being drawn.
    enum ShadowPass : int32_t { kNoShadowPass = 0, kAmbientShadowPass = 1, kLitShadowPass = 2 };

    // The defaults, no owner.
    CRenderingOptions();
    // No owner; every setting copied through Assign (so nothing is announced); the camera bar
    // and auxiliary colours start as no colour.
    CRenderingOptions(const CRenderingOptions& other);
    CRenderingOptions& operator=(const CRenderingOptions&) = delete;

    // After the entity record, the fields each schema carries; fields a schema lacks keep
    // their values. Reading announces nothing. Storing writes the record of the schema that
    // GetClassVersion answers.
    void Serialize(CArchive& ar) override;
    CEntity* CreateCopy() const override;
    // Exchanges every saved setting and the camera bar colour, but not the owner or the other
    // run-time fields; announces nothing of its own.
    void SwapContents(CEntity& other) override;
    // The owner, else the model of the parent (a scene's settings answer their scene's model).
    IModelContext* GetModel() const override;
    // Repairs values out of range at the fixing level.
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityRenderingOptions; }

    // The model whose own settings these are; only the model sets it.
    IModelContext* GetOwner() const { return m_owner; }
    void SetOwner(IModelContext* owner) { m_owner = owner; }

    // Every default, announcing nothing.
    void SetDefaults();
    // Copies every setting of the other, each through its setter's comparison, so that each
    // changed property is announced once, then property 0 (only with an owner). The camera bar
    // colour, the auxiliary colour and the sorted-transparency flag are not copied.
    CRenderingOptions& Assign(const CRenderingOptions& source);

    // Always on: selected and locked entities are drawn in their highlight colours.
    static bool IsSelectionHighlightEnabled() { return true; }

    // IRenderingOptions.
    // The stored edge colour, or the system window-text colour while it is no colour.
    CColor GetEdgeColor() const override;
    CColor GetSelectedColor() const override { return m_selectedColor; }
    CColor GetLockedColor() const override { return m_lockedColor; }
    bool IsColorByLayer() const override { return m_colorByLayer; }
    bool IsHiddenGeometryShown() const override { return m_hiddenGeometryShown; }
    void SetAxesShown(bool shown) override;

    // Computed colours.
    // The stored background colour, or the system window colour while it is no colour.
    CColor GetBackgroundColor() const;
    // The stored horizon colour, or a quarter of the sky colour over three quarters of white.
    CColor GetHorizonColor() const;
    // Kind 1 red, 2 green, 3 blue, 7 and 8 magenta, others the effective edge colour: the
    // colours of edges by axis.
    CColor GetAxisColor(int kind) const;
    // The effective background colour while the fog uses it or has no colour of its own.
    CColor GetFogColor() const;
    // The fog colour when set, else the effective background colour (the sky and ground).
    CColor GetFogColorOrBackground() const;
    // Any of the effects in the mask (EdgeEffect bits) is on.
    bool HasEdgeEffects(uint32_t mask) const;
    // Plain edges are drawn along with the faces: no stroke edges, not wireframe, and edges on
    // (or hidden-line mode, which always has them).
    bool DrawsPlainEdgesWithFaces() const;

    // The stored values, as read and set.
    int32_t GetRenderingMode() const override { return m_renderingMode; }
    bool GetTexturesShown() const { return m_texturesShown; }
    int32_t GetEdgeDisplay() const override { return m_edgeDisplay; }
    int32_t GetEdgeColorMode() const override { return m_edgeColorMode; }
    bool GetJitter() const { return m_jitter; }
    bool GetProfiles() const { return m_profiles; }
    int32_t GetProfileWidth() const { return m_profileWidth; }
    int32_t GetFaceColorMode() const { return m_faceColorMode; }
    bool GetComponentAxesShown() const { return m_componentAxesShown; }
    // Property 11 has no setter of its own; only the display override turns it off.
    void HideComponentAxes();
    CColor GetStoredBackgroundColor() const { return m_backgroundColor; }
    CColor GetStoredEdgeColor() const { return m_edgeColor; }
    CColor GetGuideColor() const override { return m_guideColor; }
    // Property 44 set hides the guides; clear, its default, shows them.
    bool AreGuidesHidden() const override { return m_guidesShown; }
    bool GetExtension() const { return m_extension; }
    int32_t GetExtensionLength() const { return m_extensionLength; }
    bool GetFogShown() const { return m_fogShown; }
    CColor GetStoredFogColor() const { return m_fogColor; }
    // -1 means not set.
    double GetFogStart() const { return m_fogStart; }
    double GetFogEnd() const { return m_fogEnd; }
    // 1 fastest, 2 nicest, any other value no preference.
    int32_t GetFogHint() const { return m_fogHint; }
    int32_t GetSectionDisplay() const override { return m_sectionDisplay; }
    double GetInactiveFade() const { return m_inactiveFade; }
    double GetInstanceFade() const { return m_instanceFade; }
    bool GetHideInactive() const { return m_hideInactive; }
    bool GetHideOtherInstances() const { return m_hideOtherInstances; }
    // 0 faster, 1 medium, 2 nicer.
    int32_t GetTransparencySort() const { return m_transparencySort; }
    bool GetDepthCue() const { return m_depthCue; }
    bool GetEndpoints() const { return m_endpoints; }
    int32_t GetDepthCueWidth() const { return m_depthCueWidth; }
    int32_t GetEndpointLength() const { return m_endpointLength; }
    bool GetEdgePresetEffect() const { return m_edgePresetEffect; }
    bool GetAxesShown() const { return m_axesShown; }
    CColor GetFrontFaceColor() const { return m_frontFaceColor; }
    CColor GetBackFaceColor() const { return m_backFaceColor; }
    // 0 plain edges, 1 stroke edges.
    int32_t GetEdgeKind() const { return m_edgeKind; }
    bool GetXRay() const override { return m_xRay; }
    bool GetTransparencyEnabled() const override { return m_transparencyEnabled; }
    CColor GetInactiveSectionColor() const override { return m_inactiveSectionColor; }
    CColor GetActiveSectionColor() const override { return m_activeSectionColor; }
    CColor GetSectionCutColor() const override { return m_sectionCutColor; }
    int32_t GetSectionCutWidth() const override { return m_sectionCutWidth; }
    // The stored bit of property 44 under its stored name. Models store it set to hide the
    // guides, and clear (the default) to show them: drawing reads it through AreGuidesHidden.
    bool GetGuidesShown() const { return m_guidesShown; }
    CColor GetSkyColor() const { return m_skyColor; }
    CColor GetGroundColor() const { return m_groundColor; }
    bool GetSkyShown() const { return m_skyShown; }
    bool GetGroundShown() const { return m_groundShown; }
    bool GetGroundFromBelow() const { return m_groundFromBelow; }
    int32_t GetGroundTransparency() const { return m_groundTransparency; }
    bool GetTextShown() const { return m_textShown; }
    bool GetDimensionsShown() const { return m_dimensionsShown; }
    bool GetFogUsesBackground() const { return m_fogUsesBackground; }
    bool GetWatermarksShown() const { return m_watermarksShown; }
    double GetXRayOpacity() const override { return m_xRayOpacity; }
    bool GetBackEdges() const { return m_backEdges; }
    bool GetPhotoBehindShown() const { return m_photoBehindShown; }
    double GetPhotoBehindOpacity() const { return m_photoBehindOpacity; }
    bool GetPhotoInFrontShown() const { return m_photoInFrontShown; }
    double GetPhotoInFrontOpacity() const { return m_photoInFrontOpacity; }
    bool GetLegacyFlag() const { return m_legacyFlag; }
    CColor GetStoredHorizonColor() const { return m_horizonColor; }
    bool GetHideSoftEdges() const { return m_hideSoftEdges; }
    // Radians.
    double GetSoftEdgeLimit() const { return m_softEdgeLimit; }
    bool GetAverageNormals() const { return m_averageNormals; }
    // What edges read of the options.
    bool AreProfilesShown() const override { return m_profiles; }
    bool HidesSoftEdges() const override { return m_hideSoftEdges; }
    bool AveragesNormals() const override { return m_averageNormals; }

    // Setters of the numbered settings. 0 and 1 switch the edges on (announced first).
    void SetRenderingMode(int32_t mode);
    void SetTexturesShown(bool shown);
    // 0 is refused in wireframe mode.
    void SetEdgeDisplay(int32_t display);
    void SetEdgeColorMode(int32_t mode);
    void SetJitter(bool on);
    void SetProfiles(bool on);
    void SetProfileWidth(int32_t width);
    void SetBackgroundColor(CColor color);
    void SetEdgeColor(CColor color);
    void SetSelectedColor(CColor color);
    void SetGuideColor(CColor color);
    void SetColorByLayer(bool on);
    void SetExtension(bool on);
    void SetExtensionLength(int32_t length);
    void SetDisplayFog(bool shown);
    void SetFogColor(CColor color);
    void SetFogStart(double start);
    void SetFogEnd(double end);
    void SetSectionDisplay(int32_t bits);
    // Flips the section display bits given (only bits 0 and 1 count).
    void ToggleSectionDisplay(int32_t bits);
    void SetShowHiddenGeometry(bool shown);
    void SetInactiveFade(double fade);
    void SetInstanceFade(double fade);
    void SetHideInactive(bool hide);
    void SetTransparencySort(int32_t sort);
    void SetDepthCue(bool on);
    void SetEndpoints(bool on);
    void SetDepthCueWidth(int32_t width);
    void SetEndpointLength(int32_t length);
    void SetEdgePresetEffect(bool on);
    void SetLockedColor(CColor color);
    void SetFrontFaceColor(CColor color);
    void SetBackFaceColor(CColor color);
    void SetEdgeKind(int32_t kind);
    void SetXRay(bool on);
    void SetTransparencyEnabled(bool on);
    void SetInactiveSectionColor(CColor color);
    void SetActiveSectionColor(CColor color);
    void SetSectionCutColor(CColor color);
    // Clamped to 1..20 after the comparison with the stored width.
    void SetSectionCutWidth(int32_t width);
    void SetDisplayGuides(bool shown);
    void SetSkyColor(CColor color);
    void SetGroundColor(CColor color);
    void SetDrawSky(bool shown);
    void SetDrawGround(bool shown);
    void SetGroundFromBelow(bool visible);
    void SetGroundTransparency(int32_t transparency);
    void SetTextShown(bool shown);
    void SetDimensionsShown(bool shown);
    void SetDisplayWatermarks(bool shown);
    void SetXRayOpacity(double opacity);
    void SetBackEdges(bool on);
    void SetShowPhotoBehind(bool shown);
    void SetPhotoBehindOpacity(double opacity);
    void SetShowPhotoInFront(bool shown);
    void SetPhotoInFrontOpacity(double opacity);

    // Saved settings without a property number: set without announcement.
    void SetHorizonColor(CColor color) { m_horizonColor = color; }
    void SetHideSoftEdges(bool hide) { m_hideSoftEdges = hide; }
    void SetAverageNormals(bool on) { m_averageNormals = on; }

    // Run-time fields.
    CColor GetCameraBarColor() const { return m_cameraBarColor; }
    void SetCameraBarColor(CColor color) { m_cameraBarColor = color; }
    CColor GetAuxiliaryColor() const { return m_auxiliaryColor; }
    void SetAuxiliaryColor(CColor color) { m_auxiliaryColor = color; }
    int32_t GetDrawPass() const { return m_drawPass; }
    void SetDrawPass(int32_t pass) { m_drawPass = pass; }
    int32_t GetShadowPass() const { return m_shadowPass; }
    void SetShadowPass(int32_t pass) { m_shadowPass = pass; }
    bool GetLegacySortedTransparency() const { return m_legacySortedTransparency; }
    void SetLegacySortedTransparency(bool on) { m_legacySortedTransparency = on; }
    bool GetBlendingOff() const { return m_blendingOff; }
    void SetBlendingOff(bool off) { m_blendingOff = off; }
    bool GetShowViewName() const { return m_showViewName; }
    void SetShowViewName(bool show) { m_showViewName = show; }
    bool GetShowEditingContext() const { return m_showEditingContext; }
    void SetShowEditingContext(bool show) { m_showEditingContext = show; }
    bool GetShowToolOverlay() const { return m_showToolOverlay; }
    void SetShowToolOverlay(bool show) { m_showToolOverlay = show; }
    bool GetHideCameraBars() const { return m_hideCameraBars; }
    void SetHideCameraBars(bool hide) { m_hideCameraBars = hide; }

private:
    // Stores a changed value and announces the property; false when nothing changed.
    template <class T>
    bool Change(T& field, const T& value, int32_t property);
    bool ChangeDouble(double& field, double value, int32_t property);
    void Announce(int32_t property);
    // The edge display under SetEdgeDisplay's refusal, announcing property 4.
    void ChangeEdgeDisplay(int32_t display);
    void ReadRecord(CArchive& ar);
    void ReadSkyAndGround(CArchive& ar, int32_t schema);
    void ReadTransparencyAndSoftEdges(CArchive& ar, int32_t schema);
    void WriteRecord(CArchive& ar) const;
    int CheckOwnValidity(int level);

    IModelContext* m_owner = nullptr;

    // Numbered settings.
    int32_t m_renderingMode;
    bool m_texturesShown;
    int32_t m_edgeDisplay;
    int32_t m_edgeColorMode;
    bool m_jitter;
    bool m_profiles;
    int32_t m_profileWidth;
    int32_t m_faceColorMode;
    bool m_componentAxesShown;
    CColor m_backgroundColor;
    CColor m_edgeColor;
    CColor m_selectedColor;
    CColor m_guideColor;
    bool m_colorByLayer;
    bool m_extension;
    int32_t m_extensionLength;
    bool m_fogShown;
    CColor m_fogColor;
    double m_fogStart;
    double m_fogEnd;
    int32_t m_fogHint;
    int32_t m_sectionDisplay;
    bool m_hiddenGeometryShown;
    double m_inactiveFade;
    double m_instanceFade;
    bool m_hideInactive;
    bool m_hideOtherInstances;
    int32_t m_transparencySort;
    bool m_depthCue;
    bool m_endpoints;
    int32_t m_depthCueWidth;
    int32_t m_endpointLength;
    bool m_edgePresetEffect;
    CColor m_lockedColor;
    bool m_axesShown;
    CColor m_frontFaceColor;
    CColor m_backFaceColor;
    int32_t m_edgeKind;
    bool m_xRay;
    bool m_transparencyEnabled;
    CColor m_inactiveSectionColor;
    CColor m_activeSectionColor;
    CColor m_sectionCutColor;
    int32_t m_sectionCutWidth;
    bool m_guidesShown;
    CColor m_skyColor;
    CColor m_groundColor;
    bool m_skyShown;
    bool m_groundShown;
    bool m_groundFromBelow;
    int32_t m_groundTransparency;
    bool m_textShown;
    bool m_dimensionsShown;
    bool m_fogUsesBackground;
    bool m_watermarksShown;
    double m_xRayOpacity;
    bool m_backEdges;
    bool m_photoBehindShown;
    double m_photoBehindOpacity;
    bool m_photoInFrontShown;
    double m_photoInFrontOpacity;

    // Saved settings without a property number.
    bool m_legacyFlag;
    CColor m_horizonColor;
    bool m_hideSoftEdges;
    double m_softEdgeLimit;
    bool m_averageNormals;

    // Run-time fields.
    CColor m_cameraBarColor;
    CColor m_auxiliaryColor;
    int32_t m_drawPass = kDrawEverything;
    int32_t m_shadowPass = kNoShadowPass;
    bool m_legacySortedTransparency = false;
    bool m_blendingOff = false;
    bool m_showViewName = true;
    bool m_showEditingContext = true;
    bool m_showToolOverlay = true;
    bool m_hideCameraBars = false;
};
