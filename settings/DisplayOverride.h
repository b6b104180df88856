#pragma once
// CDisplayOverride: simplifies a model's display for one rendering that is not meant for the
// screen (a printed page, an offscreen bitmap) and gives everything back afterwards. It saves
// the model's rendering options and the shadow settings' north and shadows-shown flags, turns
// off what belongs to interactive work (selection highlighting, tool overlay, editing context,
// view name, north, component axes and, unless asked otherwise, the model axes) and applies the
// simplifications that its flag bits choose.
//
// Usage: a scope object around the rendering.
//     CDisplayOverride override(view, CDisplayOverride::kWhiteBackground);
//     ... draw ...
//     // the destructor restores and posts "DisplayOverrideRestoreNotification"
//
// Applying is silent (no notification, no undo record); restoring announces every property
// that comes back changed. A null host, or a host without a model, makes the object a no-op.

#include <memory>

class CRenderingOptions;
class IModelContext;
class IZphView;

// Posted by Restore, with the host view (IZphView*) as payload.
inline constexpr char kDisplayOverrideRestoreNotification[] = "DisplayOverrideRestoreNotification";

class CDisplayOverride {
public:
    enum Flags {
        kPlainDrawing = 0x01,  // plain edges on white, no sky, ground or watermarks
        kHideShadows = 0x02,
        kHideTextAndDimensions = 0x04,
        kWhiteBackground = 0x08,  // only when the effective background is not white already
        kHideWatermarks = 0x10,
        kShowAxes = 0x20,
        kKeepAxes = 0x40,  // without it the model axes are hidden
        kHideCameraBars = 0x80,
    };

    CDisplayOverride(IZphView* host, int flags);
    ~CDisplayOverride();
    CDisplayOverride(const CDisplayOverride&) = delete;
    CDisplayOverride& operator=(const CDisplayOverride&) = delete;

    // Takes the override of host's model. An override already active is restored first, so the
    // saved settings are always the user's own.
    void Apply(IZphView* host, int flags);
    // Gives everything back; nothing when inactive.
    void Restore();
    bool IsActive() const { return host != nullptr; }

private:
    IZphView* host = nullptr;
    // The host's model when applied: settings saved from one model never go into another.
    IModelContext* model = nullptr;
    std::unique_ptr<CRenderingOptions> savedOptions;
    bool savedShadowsShown = true;
    bool savedNorthShown = false;
};
