#pragma once
// LevelOfDetailHelper: the model view's level-of-detail controller. While frames take longer
// than the target time it leaves out drawing features, one or two at a time; when fast frames
// follow, features come back one at a time, and a settled flag keeps the display from
// flickering between two levels. Its result is the feature mask that every drawing step reads
// through the view (IModelView::GetFeatures).
//
// Feature bits: 2 textures, 4 dimensions and text, 8 fog, 16 watermarks, 32 ground shadows,
// 64 shadows on faces, 128 edge effects and strokes, 256 sorted transparency; bit 1 is never
// dropped, 511 is full detail. A feature counts as relevant only when the view's settings use
// it: dropping an irrelevant one costs nothing, so the walk goes on past it.
//
// LODTimerCallback: the single-shot timer that restores full detail and redraws once movement
// has stopped.

#include <cstdint>
#include <vector>

#include "view/Clock.h"
#include "view/ZphTimerCallback.h"

class CZphView;

namespace lod {
inline constexpr uint32_t kTextures = 2;
inline constexpr uint32_t kDimensionsAndText = 4;
inline constexpr uint32_t kFog = 8;
inline constexpr uint32_t kWatermarks = 16;
inline constexpr uint32_t kGroundShadows = 32;
inline constexpr uint32_t kFaceShadows = 64;
inline constexpr uint32_t kEdgeEffects = 128;
inline constexpr uint32_t kSortedTransparency = 256;
inline constexpr uint32_t kFullDetail = 511;
}  // namespace lod

class LevelOfDetailHelper {
public:
    // Seconds: about six frames a second.
    static constexpr double kTargetFrameTime = 0.1667;
    static constexpr uint32_t kMaxDegradation = 10;

    // view may be null (no feature is then relevant); the clock times the frames and must
    // outlive the helper.
    explicit LevelOfDetailHelper(CZphView* view, const IClock& clock = SteadyClock());
    virtual ~LevelOfDetailHelper() = default;

    void BeginFrame();
    void EndFrame();
    bool IsFullDetail() const { return m_effectiveFeatures == lod::kFullDetail; }
    void ResetToFullDetail();
    // ResetToFullDetail, the target time and a new frame timer.
    void Reset();
    // Pushes (forced top | mask) and returns it.
    uint32_t PushFeatures(uint32_t mask);
    // The popped top, 0 when empty.
    uint32_t PopFeatures();
    uint32_t GetForcedFeatures() const { return m_forced.empty() ? 0 : m_forced.back(); }
    // The degradation counter while only bit 1 is left, else 0.
    uint32_t GetDegradationLevel() const;
    // Seconds; -1 before a frame was measured.
    double GetLastFrameTime() const { return m_lastFrameTime; }
    uint32_t GetEffectiveFeatures() const { return m_effectiveFeatures; }
    uint32_t GetEnabledFeatures() const { return m_enabledFeatures; }
    double GetTargetFrameTime() const { return m_targetFrameTime; }
    bool IsSettled() const { return m_settled; }
    bool IsMeasuring() const { return m_measuring; }

    // Whether the view's settings use the feature bit.
    bool IsRelevant(uint32_t feature) const;

private:
    void Adapt();
    void DropFeature();
    void RestoreFeature();

    CZphView* m_view;
    const IClock* m_clock;
    double m_targetFrameTime = kTargetFrameTime;
    uint32_t m_enabledFeatures = lod::kFullDetail;
    uint32_t m_effectiveFeatures = lod::kFullDetail;
    uint32_t m_degradation = 0;
    std::vector<uint32_t> m_forced;
    CStopwatch m_frameTimer;
    bool m_measuring = false;
    uint32_t m_measuredFrames = 0;
    double m_lastFrameTime = -1.0;
    double m_previousFrameTime = -1.0;
    double m_frameTimeBefore = -1.0;
    bool m_settled = false;
};

class LODTimerCallback : public CZphTimerCallback {
public:
    explicit LODTimerCallback(CZphView* view) : m_view(view) {}

    // The delay in whole milliseconds (truncated).
    void Start(double seconds);
    // Stops the timer when it runs.
    void Stop();
    bool IsRunning() const { return m_running; }

    // Full detail for the next frame, and a redraw.
    void OnTimer() override;

private:
    CZphView* m_view;
    bool m_running = false;
};
