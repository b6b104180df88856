// The display override around an offscreen rendering: what it simplifies for each flag, that
// it does so silently, and that its end gives the user's settings back exactly and announces
// them, also after a second Apply and for hosts without a model.

#include "settings/DisplayOverride.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "components/Component.h"
#include "model/ZephyronModel.h"
#include "settings/RenderingOptions.h"
#include "settings/ShadowInfo.h"
#include "settings/SystemColors.h"
#include "support/NotificationCenter.h"
#include "tests/view/ViewTestSupport.h"
#include "topology/ConstructionPoint.h"
#include "view/ZphView.h"

using orbisk::geometry::CPoint3d;
using orbisk::utils::CColor;
using orbisk::utils::CNotificationCenter;

namespace {

const CColor kOverrideWhite(255, 255, 255, 255);
const CColor kOverrideBlack(0, 0, 0, 255);
const CColor kOverrideGrey(90, 90, 90, 255);
const CColor kOverrideGreen(0, 120, 0, 255);

// Every notification the override's users can see, in order.
class Recorder : public orbisk::utils::IObserver {
public:
    Recorder()
    {
        for (const char* name : kNames)
            CNotificationCenter::GetInstance().AddObserver(name, this);
    }
    ~Recorder() override { CNotificationCenter::GetInstance().RemoveObserverFromAll(this); }
    void OnNotification(const char* name, void* payload) override
    {
        const std::string n = name;
        if (n == kRenderingOptionsChangeNotification)
            events.push_back("options " +
                             std::to_string(static_cast<CRenderingOptionsChange*>(payload)->property));
        else if (n == kShadowNotification)
            events.push_back("shadow");
        else {
            events.push_back("restored");
            restoredView = static_cast<IZphView*>(payload);
        }
    }
    std::vector<std::string> events;
    IZphView* restoredView = nullptr;

private:
    static constexpr const char* kNames[] = {kRenderingOptionsChangeNotification, kShadowNotification,
                                             kDisplayOverrideRestoreNotification};
};

class FixedSystemColors : public ISystemColorProvider {
public:
    explicit FixedSystemColors(CColor window) : window(window), previous(SetSystemColorProvider(this)) {}
    ~FixedSystemColors() override { SetSystemColorProvider(previous); }
    CColor GetWindowColor() const override { return window; }
    CColor GetWindowTextColor() const override { return kOverrideBlack; }

private:
    CColor window;
    const ISystemColorProvider* previous;
};

// What the override may touch, for comparing the user's settings before and after.
auto Snapshot(const CRenderingOptions& o, const CShadowInfo& s)
{
    return std::make_tuple(
        o.GetStoredBackgroundColor(), o.GetStoredEdgeColor(), o.GetEdgeKind(), o.GetJitter(), o.GetProfiles(),
        o.GetExtension(), o.GetDepthCue(), o.GetEndpoints(), o.GetEdgePresetEffect(), o.GetSkyShown(),
        o.GetGroundShown(), o.GetTextShown(), o.GetDimensionsShown(), o.GetWatermarksShown(),
        o.GetAxesShown(), o.GetComponentAxesShown(), o.GetShowViewName(), o.GetShowToolOverlay(),
        o.GetShowEditingContext(), o.GetHideCameraBars(), s.GetNorthShown(), s.GetShadowsShown());
}

class DisplayOverrideTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        model = new CZephyronModel();
        view.SetModel(model);
        model->Release();
        point = new CConstructionPoint(CPoint3d(1, 2, 3), CPoint3d(), false);
        model->GetRoot()->AddEntity(point);
        model->GetSelection().Insert(point);
        model->GetSelection().MarkSelected(true);

        // The user's settings: everything the override turns off is on.
        CRenderingOptions& o = Options();
        o.SetBackgroundColor(kOverrideGrey);
        o.SetEdgeColor(kOverrideGreen);
        o.SetEdgeKind(1);
        o.SetJitter(true);
        o.SetProfiles(true);
        o.SetExtension(true);
        o.SetDepthCue(true);
        o.SetEndpoints(true);
        o.SetEdgePresetEffect(true);
        o.SetDrawSky(true);
        o.SetDrawGround(true);
        o.SetTextShown(true);
        o.SetDimensionsShown(true);
        o.SetDisplayWatermarks(true);
        o.SetAxesShown(true);
        Shadows().SetNorthShown(true);
        Shadows().SetShadowsShown(true);
    }

    CRenderingOptions& Options() { return *model->GetOptions(); }
    CShadowInfo& Shadows() { return *model->GetShadowInfo(); }
    auto UserSettings() { return Snapshot(Options(), Shadows()); }

    ManualClock clock;
    CZphView view{clock, clock};
    CZephyronModel* model = nullptr;
    CConstructionPoint* point = nullptr;
};

// Flags 0: only what belongs to interactive work goes, silently; the end brings it all back,
// announcing the changed properties, then property 0, then the restoration itself.
TEST_F(DisplayOverrideTest, InteractiveAidsGoSilentlyAndComeBackAnnounced)
{
    const auto before = UserSettings();
    Recorder recorder;
    {
        CDisplayOverride override(&view, 0);
        ASSERT_TRUE(override.IsActive());
        EXPECT_FALSE(Options().GetAxesShown());
        EXPECT_FALSE(Shadows().GetNorthShown());
        EXPECT_FALSE(Options().GetShowViewName());
        EXPECT_FALSE(Options().GetShowToolOverlay());
        EXPECT_FALSE(Options().GetShowEditingContext());
        EXPECT_FALSE(point->IsSelected()) << "the selection is drawn unselected";
        EXPECT_EQ(Options().GetStoredBackgroundColor(), kOverrideGrey) << "no flag, no simplification";
        EXPECT_TRUE(Options().GetJitter());
        EXPECT_TRUE(Shadows().GetShadowsShown());
        EXPECT_TRUE(recorder.events.empty()) << "observers do not see the override";
    }
    EXPECT_EQ(UserSettings(), before);
    EXPECT_TRUE(point->IsSelected());
    const std::vector<std::string> expected = {"shadow", "options 35", "options 0", "restored"};
    EXPECT_EQ(recorder.events, expected);
    EXPECT_EQ(recorder.restoredView, static_cast<IZphView*>(&view));
}

// Each flag's simplification while active, and the user's settings exactly back afterwards.
TEST_F(DisplayOverrideTest, EachFlagSimplifiesAndRestoreGivesEverythingBack)
{
    struct Case {
        const char* name;
        int flags;
        bool (*holds)(const CRenderingOptions&, const CShadowInfo&);
    };
    const Case cases[] = {
        {"plain drawing on white", CDisplayOverride::kPlainDrawing,
         [](const CRenderingOptions& o, const CShadowInfo&) {
             return o.GetEdgeKind() == 0 && !o.GetJitter() && !o.GetProfiles() && !o.GetExtension() &&
                    !o.GetDepthCue() && !o.GetEndpoints() && !o.GetEdgePresetEffect() && !o.GetSkyShown() &&
                    !o.GetGroundShown() && o.GetStoredBackgroundColor() == kOverrideWhite &&
                    o.GetStoredEdgeColor() == kOverrideBlack && !o.GetWatermarksShown();
         }},
        {"shadows hidden", CDisplayOverride::kHideShadows,
         [](const CRenderingOptions&, const CShadowInfo& s) { return !s.GetShadowsShown(); }},
        {"text and dimensions hidden", CDisplayOverride::kHideTextAndDimensions,
         [](const CRenderingOptions& o, const CShadowInfo&) {
             return !o.GetTextShown() && !o.GetDimensionsShown();
         }},
        {"white background over grey", CDisplayOverride::kWhiteBackground,
         [](const CRenderingOptions& o, const CShadowInfo&) {
             return o.GetStoredBackgroundColor() == kOverrideWhite &&
                    o.GetStoredEdgeColor() == kOverrideBlack && o.GetJitter();
         }},
        {"watermarks off", CDisplayOverride::kHideWatermarks,
         [](const CRenderingOptions& o, const CShadowInfo&) { return !o.GetWatermarksShown(); }},
        {"axes kept", CDisplayOverride::kKeepAxes,
         [](const CRenderingOptions& o, const CShadowInfo&) { return o.GetAxesShown(); }},
        {"axes shown and kept", CDisplayOverride::kShowAxes | CDisplayOverride::kKeepAxes,
         [](const CRenderingOptions& o, const CShadowInfo&) { return o.GetAxesShown(); }},
        {"camera bars hidden", CDisplayOverride::kHideCameraBars,
         [](const CRenderingOptions& o, const CShadowInfo&) { return o.GetHideCameraBars(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto before = UserSettings();
        {
            CDisplayOverride override(&view, c.flags);
            EXPECT_TRUE(c.holds(Options(), Shadows()));
        }
        EXPECT_EQ(UserSettings(), before);
    }
}

// A second Apply on an active override restores first: the settings saved are still the
// user's, not the first override's simplification.
TEST_F(DisplayOverrideTest, ApplyingTwiceStillRestoresTheUsersSettings)
{
    const auto before = UserSettings();
    {
        CDisplayOverride override(&view, CDisplayOverride::kPlainDrawing | CDisplayOverride::kHideShadows);
        override.Apply(&view, CDisplayOverride::kHideCameraBars);
        EXPECT_EQ(Options().GetStoredBackgroundColor(), kOverrideGrey)
            << "the first override's white is gone";
        EXPECT_TRUE(Shadows().GetShadowsShown());
        EXPECT_TRUE(Options().GetHideCameraBars());
        EXPECT_FALSE(Shadows().GetNorthShown());
        EXPECT_FALSE(point->IsSelected());
    }
    EXPECT_EQ(UserSettings(), before);
    EXPECT_TRUE(point->IsSelected());
}

// The effective background decides flag 0x08: a background of no colour stands for the
// system window colour.
TEST_F(DisplayOverrideTest, WhiteBackgroundFollowsTheEffectiveBackground)
{
    Options().SetBackgroundColor(CColor());
    for (CColor window : {kOverrideWhite, kOverrideGrey}) {
        FixedSystemColors system(window);
        CDisplayOverride override(&view, CDisplayOverride::kWhiteBackground);
        const bool changes = window != kOverrideWhite;
        EXPECT_EQ(Options().GetStoredBackgroundColor(), changes ? kOverrideWhite : CColor());
        EXPECT_EQ(Options().GetStoredEdgeColor(), changes ? kOverrideBlack : kOverrideGreen);
    }
    EXPECT_EQ(Options().GetStoredBackgroundColor(), CColor());
}

// No host, a host without a model, and a host whose model changed meanwhile: nothing is
// overridden, nothing posted, and no model is given another's settings.
TEST_F(DisplayOverrideTest, WithoutAModelThereIsNoOverride)
{
    const auto before = UserSettings();
    Recorder recorder;
    {
        CDisplayOverride none(nullptr, 0xFF);
        EXPECT_FALSE(none.IsActive());
    }
    ManualClock otherClock;
    CZphView empty(otherClock, otherClock);
    {
        CDisplayOverride override(&empty, 0xFF);
        EXPECT_FALSE(override.IsActive());
        override.Restore();
    }
    EXPECT_TRUE(recorder.events.empty());
    EXPECT_EQ(UserSettings(), before);

    // The view moves on to another model while the override is active.
    CDisplayOverride override(&view, CDisplayOverride::kPlainDrawing);
    auto* other = new CZephyronModel();
    model->AddRef();
    view.SetModel(other);
    other->Release();
    const auto otherBefore = Snapshot(*other->GetOptions(), *other->GetShadowInfo());
    override.Restore();
    EXPECT_EQ(Snapshot(*other->GetOptions(), *other->GetShadowInfo()), otherBefore);
    EXPECT_EQ(recorder.events.back(), "restored");
    view.SetModel(model);
    model->Release();
}

}  // namespace
