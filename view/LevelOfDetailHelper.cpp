#include "view/LevelOfDetailHelper.h"

#include "settings/RenderingOptions.h"
#include "settings/ShadowInfo.h"
#include "view/ZphView.h"

LevelOfDetailHelper::LevelOfDetailHelper(CZphView* view, const IClock& clock)
    : m_view(view), m_clock(&clock), m_frameTimer(clock)
{
    Reset();
}

void LevelOfDetailHelper::ResetToFullDetail()
{
    m_lastFrameTime = m_previousFrameTime = m_frameTimeBefore = -1.0;
    m_enabledFeatures = m_effectiveFeatures = lod::kFullDetail;
    m_measuredFrames = 0;
    m_settled = false;
    m_degradation = 0;
    m_forced.clear();
}

void LevelOfDetailHelper::Reset()
{
    ResetToFullDetail();
    m_targetFrameTime = kTargetFrameTime;
    m_frameTimer = CStopwatch(*m_clock);
    m_measuring = false;
}

void LevelOfDetailHelper::BeginFrame()
{
    if (m_measuring)
        return;
    Adapt();
    m_effectiveFeatures = GetForcedFeatures() | m_enabledFeatures;
    m_frameTimer.Restart();
    m_measuring = true;
}

void LevelOfDetailHelper::EndFrame()
{
    if (!m_measuring)
        return;
    m_lastFrameTime = m_frameTimer.GetElapsed();
    m_measuring = false;
    // The first frame of a run only starts the count.
    if (m_measuredFrames > 0) {
        m_frameTimeBefore = m_previousFrameTime;
        m_previousFrameTime = m_lastFrameTime;
    }
    ++m_measuredFrames;
}

uint32_t LevelOfDetailHelper::PushFeatures(uint32_t mask)
{
    m_forced.push_back(GetForcedFeatures() | mask);
    return m_forced.back();
}

uint32_t LevelOfDetailHelper::PopFeatures()
{
    if (m_forced.empty())
        return 0;
    const uint32_t top = m_forced.back();
    m_forced.pop_back();
    return top;
}

uint32_t LevelOfDetailHelper::GetDegradationLevel() const
{
    return m_effectiveFeatures == 1 ? m_degradation : 0;
}

bool LevelOfDetailHelper::IsRelevant(uint32_t feature) const
{
    const CRenderingOptions* options = m_view ? m_view->GetRenderingOptions() : nullptr;
    if (!options)
        return false;
    const CShadowInfo* shadows = m_view->GetShadowInfo();
    switch (feature) {
        case lod::kTextures: {
            const int32_t mode = options->GetRenderingMode();
            return mode != 0 && mode != 1 && mode != 5 && options->GetTexturesShown();
        }
        case lod::kDimensionsAndText: return true;
        case lod::kFog: return options->GetFogShown();
        case lod::kWatermarks: return options->GetWatermarksShown();
        case lod::kGroundShadows: return shadows && shadows->GetShadowsShown() && shadows->GetOnGround();
        case lod::kFaceShadows: return shadows && shadows->GetShadowsShown() && shadows->GetOnFaces();
        case lod::kEdgeEffects:
            return options->HasEdgeEffects(0xFFFFFFFFu) || options->GetEdgeColorMode() == 2;
        case lod::kSortedTransparency: return options->GetTransparencySort() != 0;
        default: return false;
    }
}

void LevelOfDetailHelper::Adapt()
{
    if (m_view && !m_view->IsDetailControlEnabled())
        return;
    const double target = m_targetFrameTime;
    const double before = m_frameTimeBefore;
    const double previous = m_previousFrameTime;
    if (!(before > 0))
        return;
    if (before > target && previous > target) {
        DropFeature();
        // An expensive feature still on: react faster.
        if (m_enabledFeatures &
            (lod::kGroundShadows | lod::kFaceShadows | lod::kEdgeEffects | lod::kSortedTransparency))
            DropFeature();
        m_settled = false;
    } else if (before < target && previous < target && !m_settled) {
        RestoreFeature();
    } else if (before > target && previous < target) {
        m_settled = true;
    } else if (before < target && previous > target) {
        DropFeature();
        m_settled = true;
    }
}

void LevelOfDetailHelper::DropFeature()
{
    if (m_effectiveFeatures == 1) {
        if (m_degradation < kMaxDegradation)
            ++m_degradation;
        return;
    }
    for (uint32_t bit = lod::kSortedTransparency; bit >= lod::kTextures; bit >>= 1) {
        if (!(m_enabledFeatures & bit))
            continue;
        m_enabledFeatures &= ~bit;
        if (IsRelevant(bit))
            return;
    }
}

void LevelOfDetailHelper::RestoreFeature()
{
    if (m_effectiveFeatures == lod::kFullDetail)
        return;
    if (m_effectiveFeatures == 1 && m_degradation > 0) {
        --m_degradation;
        return;
    }
    for (uint32_t bit = lod::kTextures; bit <= lod::kSortedTransparency; bit <<= 1) {
        if (m_enabledFeatures & bit)
            continue;
        m_enabledFeatures |= bit;
        if (IsRelevant(bit))
            return;
    }
}

void LODTimerCallback::Start(double seconds)
{
    m_running = true;
    StartTimer(static_cast<int>(seconds * 1000.0), false);
}

void LODTimerCallback::Stop()
{
    if (!m_running)
        return;
    m_running = false;
    StopTimer();
}

void LODTimerCallback::OnTimer()
{
    m_running = false;
    if (!m_view)
        return;
    m_view->SetRedrawFeatures(lod::kFullDetail);
    m_view->Invalidate(false);
}
