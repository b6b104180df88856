#include "view/LevelOfDetailHelper.h"

#include <gtest/gtest.h>

#include <vector>

#include "model/ZephyronModel.h"
#include "settings/RenderingOptions.h"
#include "settings/ShadowInfo.h"
#include "tests/view/ViewTestSupport.h"
#include "view/ZphView.h"

namespace {

// A view over a new model whose settings make the chosen features relevant.
class DetailFixture : public ::testing::Test {
protected:
    DetailFixture() : view(frameClock)
    {
        model = new CZephyronModel();
        view.SetModel(model);
        model->Release();
    }

    // Frames of the given durations (seconds), each begun and ended by the helper.
    void RunFrames(const std::vector<double>& times)
    {
        LevelOfDetailHelper& detail = view.GetLevelOfDetail();
        for (double t : times) {
            detail.BeginFrame();
            frameClock.Advance(t);
            detail.EndFrame();
        }
        // The next frame adapts to the frames just measured and takes as long as the last.
        detail.BeginFrame();
        frameClock.Advance(times.back());
        detail.EndFrame();
    }

    ManualClock frameClock;
    ManualTimerService timers;
    CZphView view;
    CZephyronModel* model;
};

}  // namespace

TEST_F(DetailFixture, TwoSlowFramesDropTheTwoMostExpensiveRelevantFeatures)
{
    LevelOfDetailHelper helper(nullptr, frameClock);
    // Without a view nothing is relevant: the two drops walk through every bit.
    for (double t : {0.3, 0.3, 0.3}) {
        helper.BeginFrame();
        frameClock.Advance(t);
        helper.EndFrame();
    }
    helper.BeginFrame();
    EXPECT_EQ(helper.GetEffectiveFeatures(), 1u);
}

TEST_F(DetailFixture, DropsSkipIrrelevantFeaturesOnTheWay)
{
    CRenderingOptions* options = view.GetRenderingOptions();
    ASSERT_NE(options, nullptr);
    ASSERT_NE(view.GetShadowInfo(), nullptr);
    options->SetTransparencySort(0);
    view.GetShadowInfo()->SetShadowsShown(true);
    view.GetShadowInfo()->SetOnFaces(true);
    view.GetShadowInfo()->SetOnGround(true);

    RunFrames({0.3, 0.3, 0.3});
    const uint32_t enabled = view.GetLevelOfDetail().GetEnabledFeatures();
    // Sorted transparency is not relevant: it goes on the way, and the two drops still take
    // two relevant features, the cheaper ones staying.
    EXPECT_EQ(enabled & lod::kSortedTransparency, 0u);
    EXPECT_EQ(enabled & lod::kFaceShadows, 0u);
    EXPECT_NE(enabled & lod::kWatermarks, 0u);
}

TEST_F(DetailFixture, CrossingTheTargetSettlesUntilTwoSlowFrames)
{
    LevelOfDetailHelper& detail = view.GetLevelOfDetail();
    RunFrames({0.01, 0.01, 0.3, 0.01});  // became slow: one drop, settled; then fast again
    EXPECT_TRUE(detail.IsSettled());
    const uint32_t afterDrop = detail.GetEnabledFeatures();
    EXPECT_NE(afterDrop, lod::kFullDetail);
    RunFrames({0.01, 0.01, 0.01});
    EXPECT_EQ(detail.GetEnabledFeatures(), afterDrop) << "nothing comes back while settled";
}

TEST_F(DetailFixture, DegradationCountsOnceEveryFeatureIsGone)
{
    LevelOfDetailHelper& detail = view.GetLevelOfDetail();
    for (int i = 0; i < 20 && detail.GetEffectiveFeatures() != 1u; ++i)
        RunFrames({0.3, 0.3});
    ASSERT_EQ(detail.GetEffectiveFeatures(), 1u);
    const uint32_t before = detail.GetDegradationLevel();
    ASSERT_LT(before, LevelOfDetailHelper::kMaxDegradation);
    RunFrames({0.3, 0.3});
    EXPECT_GT(detail.GetDegradationLevel(), before);
    for (int i = 0; i < 10; ++i)
        RunFrames({0.3, 0.3});
    EXPECT_EQ(detail.GetDegradationLevel(), LevelOfDetailHelper::kMaxDegradation);
}

TEST_F(DetailFixture, WithDetailControlOffOnlyForcedFeaturesChange)
{
    view.SetDetailControlEnabled(false);
    RunFrames({0.3, 0.3, 0.3, 0.3});
    EXPECT_TRUE(view.IsFullDetail());
}

TEST_F(DetailFixture, ForcedFeaturesAccumulate)
{
    EXPECT_EQ(view.PushFeatures(32), 32u);
    EXPECT_EQ(view.PushFeatures(64), 96u);
    EXPECT_EQ(view.PopFeatures(), 96u);
    EXPECT_EQ(view.PopFeatures(), 32u);
    EXPECT_EQ(view.PopFeatures(), 0u);
}

TEST_F(DetailFixture, RestoreTimerStartsAfterAReducedFrameAndRedrawsAtFullDetail)
{
    struct Case {
        double fullDetailFrame;
        int expectedMilliseconds;
    };
    for (const Case& c : {Case{0.3, 1000}, Case{7.5, 5000}, Case{2.5, 2500}}) {
        view.ResetFrameTimes();
        // A full-detail frame of the given time, then slow frames that drop features.
        view.BeginDetailFrame();
        frameClock.Advance(c.fullDetailFrame);
        view.EndDetailFrame();
        for (int i = 0; i < 3 && view.IsFullDetail(); ++i) {
            view.BeginDetailFrame();
            frameClock.Advance(c.fullDetailFrame);
            view.EndDetailFrame();
        }
        view.BeginDetailFrame();
        frameClock.Advance(c.fullDetailFrame);
        view.EndDetailFrame();
        ASSERT_FALSE(view.IsFullDetail());
        LODTimerCallback& timer = view.GetDetailTimer();
        ASSERT_TRUE(timer.IsRunning());
        EXPECT_EQ(timers.GetInterval(timer.GetTimerId()), c.expectedMilliseconds) << c.fullDetailFrame;

        timers.Fire(timer.GetTimerId());
        EXPECT_FALSE(timer.IsRunning());
        EXPECT_FALSE(timers.IsRunning(timer.GetTimerId())) << "single shot";
        EXPECT_EQ(view.GetRedrawFeatures(), lod::kFullDetail);
        view.BeginDetailFrame();
        EXPECT_TRUE(view.IsFullDetail());
        view.EndDetailFrame();
    }
}

TEST(ZphTimerCallback, DestroyedCallbackIsNeverCalled)
{
    ManualTimerService timers;
    uint32_t id = 0;
    {
        CZphTimerCallback callback;
        callback.StartTimer(100, false);
        id = callback.GetTimerId();
        EXPECT_EQ(CZphTimerCallback::FindTimerCallback(id), &callback);
    }
    timers.Fire(id);
    EXPECT_FALSE(timers.IsRunning(id));
    EXPECT_EQ(CZphTimerCallback::FindTimerCallback(0), nullptr);
}
