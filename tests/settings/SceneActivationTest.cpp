// Showing a scene: what its flags copy into the model and the order of the notifications on
// the way, the style it selects or re-applies, and the transitions it asks for.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "database/PageOptions.h"
#include "database/UndoManager.h"
#include "settings/Camera.h"
#include "settings/RenderingOptions.h"
#include "settings/SceneModel.h"
#include "settings/ShadowInfo.h"
#include "settings/ViewPage.h"
#include "settings/WatermarkManager.h"
#include "settings/ZphStyle.h"
#include "settings/ZphStyleManager.h"
#include "support/NotificationCenter.h"
#include "tests/model/doubles/ModelDouble.h"
#include "tests/settings/SettingsTestSupport.h"
#include "tests/support/SceneRecords.h"
#include "tests/support/SettingsRecords.h"

using Steps = std::vector<std::string>;

namespace {

// Writes the notifications a scene's activation posts into a list of steps.
class StepRecorder : public orbisk::utils::IObserver {
public:
    explicit StepRecorder(Steps& steps) : m_steps(steps)
    {
        for (const char* name : kNames)
            orbisk::utils::CNotificationCenter::GetInstance().AddObserver(name, this);
    }
    ~StepRecorder() override
    {
        for (const char* name : kNames)
            orbisk::utils::CNotificationCenter::GetInstance().RemoveObserver(name, this);
    }
    void OnNotification(const char* name, void* payload) override
    {
        const std::string text(name);
        if (text == kActivatePageNotification)
            m_steps.push_back(text);
        else
            m_steps.push_back(text + " " + std::to_string(*static_cast<int32_t*>(payload)));
    }

private:
    static constexpr const char* kNames[] = {kPageActivationNotification, "Rendering Options Change",
                                             kStyleNotification, kActivatePageNotification};
    Steps& m_steps;
};

// Writes what a scene hands the model into the same list of steps, in order, which the real
// model applies without a trace; current for its lifetime.
class RecordingSceneModel : public BareModelContext, public ISceneModel {
public:
    RecordingSceneModel() { options.SetOwner(this); }
    ~RecordingSceneModel() override
    {
        if (manager) {
            manager->RemoveAllStyles();
            delete manager;
        }
        watermarks.Clear();
    }

    CRenderingOptions* GetModelOptions() const override { return &options; }
    CWatermarkManager* GetWatermarkManager() const override { return &watermarks; }
    CZphStyleManager* GetStyleManager() const override { return manager; }
    std::vector<IStyledScene*> GetStyledScenes() const override { return {}; }
    IStyledScene* GetSelectedStyledScene() const override { return nullptr; }

    const CCamera& GetCamera() const override { return camera; }
    CBackgroundImage* GetBackgroundImage() const override { return nullptr; }
    CShadowInfo* GetShadowInfo() const override { return nullptr; }
    std::vector<CSectionPlane*> GetActiveSectionPlanes() const override { return {}; }
    std::set<CDrawingElement*> GetHiddenElements() const override { return {}; }
    std::vector<CLayer*> GetLayersDifferingFromDefault(int) const override { return {}; }

    void SetCamera(const CCamera& c) override
    {
        steps.push_back("camera");
        camera = c;
    }
    void SetBackgroundImage(CBackgroundImage*) override { steps.push_back("photo"); }
    void SetShadowInfo(const CShadowInfo& shadows) override
    {
        steps.push_back("shadows");
        lightIntensity = shadows.GetLightIntensity();
    }
    CZphCS* GetDrawingAxes() const override { return nullptr; }
    void ActivateSectionPlanes(const std::vector<CSectionPlane*>&) override
    {
        steps.push_back("section planes");
    }
    void SetHiddenElements(const std::set<CDrawingElement*>&) override { steps.push_back("hidden"); }
    void SetLayersDifferingFromDefault(const std::vector<CLayer*>&) override { steps.push_back("layers"); }

    CCurrentModelScope current{this};
    FixedSystemColors colors;
    mutable CRenderingOptions options;
    mutable CWatermarkManager watermarks;
    CZphStyleManager* manager = nullptr;
    Steps steps;
    CCamera camera;
    int32_t lightIntensity = 0;
};

constexpr uint32_t kEverything = 0x7F;
// Axes records need the drawing-element writer; the model double has no axes to copy into.
constexpr uint32_t kAllButAxes = kEverything & ~uint32_t{CViewPage::kStoresAxes};

class SceneActivationTest : public ::testing::Test {
protected:
    // A scene of the model that stores what the flags say: a camera with its eye at z = 30,
    // settings with X-ray on, shadows with a light intensity of 55.
    std::unique_ptr<CViewPage> MakeScene(uint32_t flags, double transitionTime = 2.0)
    {
        ScopedSchemas schemas({{"CViewPage", 12},
                               {"CZephyronPage", 1},
                               {"CCamera", 5},
                               {"CRenderingOptions", 36},
                               {"CShadowInfo", 7}});
        CameraFields camera;
        camera.eye = {10, 20, 30};
        camera.target = {10, 25, 30};
        camera.up = {0, 0, 1};
        ShadowFields shadows;
        shadows.lightIntensity = 55;
        ScenePageFields fields;
        fields.flags = flags;
        fields.camera = NewObject("CCamera") + CameraRecord(camera, 5);
        fields.options = EntityPart() + DefaultRenderingOptionsRecord();
        fields.shadows = EntityPart() + ShadowInfoRecord(shadows, 7);
        fields.transitionTime = transitionTime;
        auto scene = std::make_unique<CViewPage>();
        ReadFrom(EntityPart() + ScenePageRecord(fields, 12), [&](CArchive& ar) { scene->Serialize(ar); });
        if (CRenderingOptions* options = scene->GetRenderingOptions())
            options->SetXRay(true);
        scene->SetModel(&model);
        return scene;
    }

    CSuspendUndo noRecording{true};
    RecordingSceneModel model;
};

}  // namespace

TEST_F(SceneActivationTest, TheFlagsNameExactlyWhatReachesTheModelInItsOrder)
{
    const struct {
        uint32_t flags;
        Steps steps;
    } cases[] = {
        {0, {"Activate Page"}},
        {CViewPage::kStoresCamera, {"camera", "photo", "Activate Page"}},
        {CViewPage::kStoresLayers | CViewPage::kStoresShadows, {"shadows", "layers", "Activate Page"}},
        {CViewPage::kStoresHiddenElements | CViewPage::kStoresSectionPlanes,
         {"section planes", "hidden", "Activate Page"}},
        {CViewPage::kStoresStyle,
         {"Page Activation Notification 0", "Rendering Options Change 38", "Rendering Options Change 0",
          "Page Activation Notification 1", "Activate Page"}},
        {kAllButAxes,
         {"camera", "photo", "Page Activation Notification 0", "Rendering Options Change 38",
          "Rendering Options Change 0", "Page Activation Notification 1", "shadows", "section planes",
          "hidden", "layers", "Activate Page"}},
    };
    for (const auto& c : cases) {
        model.options.SetDefaults();
        const auto scene = MakeScene(c.flags);
        model.steps.clear();
        StepRecorder recorder(model.steps);
        scene->Activate(nullptr);
        EXPECT_EQ(model.steps, c.steps) << "flags " << c.flags;
    }
    EXPECT_DOUBLE_EQ(model.camera.GetEye().z, 30.0);
    EXPECT_EQ(model.lightIntensity, 55);
    EXPECT_TRUE(model.options.GetXRay());
}

TEST_F(SceneActivationTest, TheSelectedStyleIsReappliedAndAnotherOneSelected)
{
    model.manager = new CZphStyleManager(&model);
    CZphStyle* selected = model.manager->GetSelectedStyle();
    ASSERT_NE(selected, nullptr);

    // The scene's settings are copied, then the working copy of the selected style is applied
    // over them in the style's id order: its effective edge colour (13), X-ray off (38) and
    // its effective background colour (12).
    const auto scene = MakeScene(CViewPage::kStoresStyle);
    scene->SetSceneStyle(selected);
    model.steps.clear();
    {
        StepRecorder recorder(model.steps);
        scene->Activate(nullptr);
    }
    const Steps reapplied = {
        "Page Activation Notification 0", "Rendering Options Change 38", "Rendering Options Change 0",
        "Page Activation Notification 1", "Rendering Options Change 13", "Rendering Options Change 38",
        "Rendering Options Change 12",    "Rendering Options Change 0",  "Activate Page"};
    EXPECT_EQ(model.steps, reapplied);
    EXPECT_FALSE(model.options.GetXRay());
    EXPECT_FALSE(model.manager->IsModified()) << "the copy was not tracked";

    // A style of its own becomes the selected one and is applied.
    CRenderingOptions xRay;
    xRay.SetXRay(true);
    CZphStyle* own = CZphStyleManager::CreateStyleFromOptions(xRay, nullptr);
    model.manager->AddStyle(own);
    scene->SetSceneStyle(own);
    model.options.SetDefaults();
    model.steps.clear();
    {
        StepRecorder recorder(model.steps);
        scene->Activate(nullptr);
    }
    EXPECT_EQ(model.manager->GetSelectedStyle(), own);
    EXPECT_TRUE(model.options.GetXRay());
    ASSERT_GE(model.steps.size(), 2u);
    EXPECT_EQ(model.steps[model.steps.size() - 2], "Style Notification 3");
}

TEST_F(SceneActivationTest, ASceneWithoutModelChangesNothingAndPostsNothing)
{
    CViewPage scene(L"Loose", L"", kEverything);
    StepRecorder recorder(model.steps);
    scene.Activate(nullptr);
    EXPECT_TRUE(model.steps.empty());
}

namespace {

// Stands in for the navigation layer's scene transitions.
class TransitionFactoryDouble : public ISceneTransitionFactory {
public:
    TransitionFactoryDouble() : m_previous(SetSceneTransitionFactory(this)) {}
    ~TransitionFactoryDouble() override { SetSceneTransitionFactory(m_previous); }

    IAnimation* CreateSceneTransition(IModelView*, CViewPage* from, CViewPage* to, double s) override
    {
        previous = from;
        next = to;
        seconds = s;
        // Never used as an animation: only handed back.
        return reinterpret_cast<IAnimation*>(&marker);
    }

    CViewPage* previous = nullptr;
    CViewPage* next = nullptr;
    double seconds = 0.0;
    int marker = 0;

private:
    ISceneTransitionFactory* m_previous;
};

}  // namespace

TEST_F(SceneActivationTest, TransitionsComeFromTheInstalledFactoryWithTheSceneOrDefaultTime)
{
    const auto from = MakeScene(CViewPage::kStoresCamera);
    const auto timed = MakeScene(CViewPage::kStoresCamera, 2.5);
    const auto untimed = MakeScene(CViewPage::kStoresCamera, -1.0);
    CZephyronPage plain(L"Plain", L"");

    EXPECT_EQ(timed->CreateTransition(nullptr, from.get()), nullptr) << "no factory";

    TransitionFactoryDouble factory;
    const auto* made = reinterpret_cast<IAnimation*>(&factory.marker);
    EXPECT_EQ(timed->CreateTransition(nullptr, from.get()), made);
    EXPECT_EQ(factory.previous, from.get());
    EXPECT_EQ(factory.next, timed.get());
    EXPECT_DOUBLE_EQ(factory.seconds, 2.5);

    EXPECT_EQ(untimed->CreateTransition(nullptr, &plain), made);
    EXPECT_EQ(factory.previous, nullptr) << "a previous scene that is not a view page";
    EXPECT_DOUBLE_EQ(factory.seconds, CPageOptions::GetTransitionTime());

    // Switched off in the scene options: no transition at all.
    CPageValues& values = CPageOptions::CurrentValues();
    const CPageValues saved = values;
    values.showTransition = false;
    EXPECT_FALSE(timed->HasTransition());
    EXPECT_EQ(timed->CreateTransition(nullptr, from.get()), nullptr);
    values = saved;
    EXPECT_EQ(MakeScene(CViewPage::kStoresCamera, 0.0)->CreateTransition(nullptr, from.get()), nullptr);
}
