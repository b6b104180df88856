// Capturing the model's state into a scene: what the flags and the mask let it take, the
// camera and settings a caller or a view hands in, the layers each layer mode lists, the
// photo's uses, and the round trip that showing the captured scene later makes.

#include <gtest/gtest.h>

#include <algorithm>

#include "components/Component.h"
#include "database/CurrentModel.h"
#include "database/Layer.h"
#include "database/LayerManager.h"
#include "database/UndoManager.h"
#include "model/ZephyronModel.h"
#include "settings/BackgroundImage.h"
#include "settings/RenderingOptions.h"
#include "settings/ShadowInfo.h"
#include "settings/ViewDefinition.h"
#include "settings/ViewPage.h"
#include "settings/ZphStyleManager.h"
#include "tests/model/doubles/ViewDouble.h"
#include "tests/settings/SettingsTestSupport.h"
#include "topology/ConstructionPoint.h"
#include "topology/SectionPlane.h"
#include "topology/ZphCS.h"

namespace {

constexpr uint32_t kSceneStoresAll = 0x7F;
// What the print code asks for: every bit.
constexpr uint32_t kPrintMask = 4095;

bool ListsLayer(const std::vector<CLayer*>& layers, const CLayer* layer)
{
    return std::find(layers.begin(), layers.end(), layer) != layers.end();
}

// A view that shows a model through a camera and display settings of its own.
class ViewShowingModel : public RecordingView {
public:
    CZephyronModel* GetModel() override { return model; }
    IModelContext* GetModelContext() override { return model; }
    const CViewDefinition* GetViewDefinition() const override { return &definition; }
    CViewDefinition* GetViewDefinition() override { return &definition; }

    CZephyronModel* model = nullptr;
    CViewDefinition definition;
};

class SceneUpdateTest : public ::testing::Test {
protected:
    CLayer* AddLayer(const wchar_t* name, uint32_t behavior, bool hidden)
    {
        CLayer* layer = model.GetLayerManager()->AddLayer(name);
        layer->SetBehavior(behavior);
        layer->SetHidden(hidden);
        return layer;
    }

    CDrawingElement* AddGuidePoint()
    {
        auto* point = new CConstructionPoint({1, 2, 3}, {0, 0, 0}, false);
        model.GetRoot()->AddEntity(point);
        return point;
    }

    CSuspendUndo noRecording{true};
    FixedSystemColors colors;
    CZephyronModel model;
    CCurrentModelScope current{&model};
};

}  // namespace

TEST_F(SceneUpdateTest, ShowingACapturedSceneRestoresWhatItCaptured)
{
    model.GetCamera().SetEyeTargetUp({1, 2, 3}, {1, 12, 3}, {0, 0, 1});
    model.GetShadowInfo()->SetLightIntensity(55);
    model.GetDrawingAxes()->SetFrame({5, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1});
    CLayer* walls = AddLayer(L"Walls", 0, true);
    CLayer* roof = AddLayer(L"Roof", 0, false);
    CDrawingElement* hidden = AddGuidePoint();
    hidden->SetHidden(true);
    CDrawingElement* shown = AddGuidePoint();
    auto* plane = new CSectionPlane;
    model.GetRoot()->AddEntity(plane);
    model.GetRoot()->SetActiveSectionPlane(plane);

    CViewPage scene(L"Print", L"", kSceneStoresAll);
    scene.Update(&model, nullptr, nullptr, kPrintMask, 0);
    EXPECT_DOUBLE_EQ(scene.GetCamera().GetEye().y, 2.0);
    ASSERT_NE(scene.GetShadowInfo(), nullptr);
    EXPECT_EQ(scene.GetShadowInfo()->GetLightIntensity(), 55);
    ASSERT_NE(scene.GetAxes(), nullptr);
    EXPECT_DOUBLE_EQ(scene.GetAxes()->GetOrigin().x, 5.0);
    ASSERT_NE(scene.GetRenderingOptions(), nullptr);
    EXPECT_EQ(scene.GetStyle(), model.GetStyleManager()->GetSelectedStyle());
    EXPECT_EQ(scene.GetHiddenElements(), std::set<CDrawingElement*>{hidden});
    EXPECT_EQ(scene.GetLayers(), std::vector<CLayer*>{walls});
    EXPECT_EQ(scene.GetSectionPlanes(), std::vector<CSectionPlane*>{plane});

    // Everything moves on; showing the scene brings it all back.
    model.GetCamera().SetEyeTargetUp({9, 9, 9}, {9, 19, 9}, {0, 0, 1});
    model.GetShadowInfo()->SetLightIntensity(10);
    model.GetDrawingAxes()->SetFrame({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1});
    walls->SetHidden(false);
    roof->SetHidden(true);
    hidden->SetHidden(false);
    shown->SetHidden(true);
    model.GetRoot()->SetActiveSectionPlane(nullptr);

    scene.SetModel(&model);
    scene.Activate(nullptr);
    EXPECT_DOUBLE_EQ(model.GetCamera().GetEye().y, 2.0);
    EXPECT_EQ(model.GetShadowInfo()->GetLightIntensity(), 55);
    EXPECT_DOUBLE_EQ(model.GetDrawingAxes()->GetOrigin().x, 5.0);
    EXPECT_TRUE(walls->IsHidden());
    EXPECT_FALSE(roof->IsHidden());
    EXPECT_TRUE(hidden->GetFlags() & CDrawingElement::kHidden);
    EXPECT_FALSE(shown->GetFlags() & CDrawingElement::kHidden);
    EXPECT_EQ(model.GetRoot()->GetActiveSectionPlane(), plane);

    // A second showing leaves the same state: no layer is flipped back.
    scene.Activate(nullptr);
    EXPECT_TRUE(walls->IsHidden());
    EXPECT_FALSE(roof->IsHidden());
}

TEST_F(SceneUpdateTest, OnlyWhatTheSceneStoresAndTheMaskNamesIsTaken)
{
    model.GetCamera().SetEyeTargetUp({1, 2, 3}, {1, 12, 3}, {0, 0, 1});
    AddGuidePoint()->SetHidden(true);

    CViewPage cameraOnly(L"Camera", L"", CViewPage::kStoresCamera);
    cameraOnly.Update(&model, nullptr, nullptr, kPrintMask, 0);
    EXPECT_DOUBLE_EQ(cameraOnly.GetCamera().GetEye().z, 3.0);
    EXPECT_EQ(cameraOnly.GetRenderingOptions(), nullptr);
    EXPECT_TRUE(cameraOnly.GetHiddenElements().empty());

    CViewPage masked(L"Masked", L"", kSceneStoresAll);
    masked.Update(&model, nullptr, nullptr, CViewPage::kStoresHiddenElements, 0);
    EXPECT_DOUBLE_EQ(masked.GetCamera().GetEye().z, CCamera().GetEye().z) << "the camera stays";
    EXPECT_EQ(masked.GetShadowInfo(), nullptr);
    EXPECT_EQ(masked.GetHiddenElements().size(), 1u);

    // Without a model nothing happens.
    masked.Update(nullptr, nullptr, nullptr, kPrintMask, 0);
    EXPECT_EQ(masked.GetShadowInfo(), nullptr);
}

TEST_F(SceneUpdateTest, AGivenCameraAndSettingsWinOverTheModels)
{
    CCamera camera;
    camera.SetEyeTargetUp({7, 8, 9}, {7, 18, 9}, {0, 0, 1});
    CRenderingOptions xRay;
    xRay.SetXRay(true);
    CViewPage scene(L"Given", L"", CViewPage::kStoresCamera | CViewPage::kStoresStyle);
    scene.Update(&model, &camera, &xRay, kPrintMask, 0);
    EXPECT_DOUBLE_EQ(scene.GetCamera().GetEye().x, 7.0);
    ASSERT_NE(scene.GetRenderingOptions(), nullptr);
    EXPECT_TRUE(scene.GetRenderingOptions()->GetXRay());
    EXPECT_FALSE(model.GetOptions()->GetXRay());
    EXPECT_EQ(scene.GetRenderingOptions()->GetParent(), &scene);

    // A view hands in its own camera and settings, and its model.
    ViewShowingModel view;
    view.model = &model;
    CCamera viewCamera;
    viewCamera.SetEyeTargetUp({4, 5, 6}, {4, 15, 6}, {0, 0, 1});
    view.definition.SetCamera(viewCamera);
    CRenderingOptions viewOptions;
    view.options = &viewOptions;
    scene.UpdateFromView(&view, kPrintMask, 0);
    EXPECT_DOUBLE_EQ(scene.GetCamera().GetEye().x, 4.0);
    EXPECT_FALSE(scene.GetRenderingOptions()->GetXRay());
}

TEST_F(SceneUpdateTest, TheLayerModeDecidesWhichLayersDifferFromTheirDefault)
{
    const struct {
        uint32_t behavior;
        bool hidden;
        int mode;
        bool listed;
    } cases[] = {
        {0, false, 0, false},
        {0, true, 0, true},
        // As shown now, the behaviour for new scenes does not count...
        {CLayer::kHiddenInNewScene, false, 0, false},
        {CLayer::kVisibleInNewScene, true, 0, true},
        // ...as a new scene would show it, it does.
        {CLayer::kHiddenInNewScene, false, 1, true},
        {CLayer::kVisibleInNewScene, true, 1, false},
    };
    CViewPage scene(L"Layers", L"", CViewPage::kStoresLayers);
    int index = 0;
    for (const auto& c : cases) {
        CLayer* layer = AddLayer((L"Layer " + std::to_wstring(index++)).c_str(), c.behavior, c.hidden);
        scene.Update(&model, nullptr, nullptr, kPrintMask, c.mode);
        EXPECT_EQ(ListsLayer(scene.GetLayers(), layer), c.listed)
            << "behaviour " << c.behavior << " hidden " << c.hidden << " mode " << c.mode;
        layer->SetHidden(false);
        layer->SetBehavior(0);
    }
}

TEST_F(SceneUpdateTest, TheSceneHoldsOneUseOfTheModelsPhoto)
{
    auto* photo = new CBackgroundImage;
    model.SetBackgroundImage(photo);
    {
        CViewPage scene(L"Photo", L"", CViewPage::kStoresCamera);
        scene.Update(&model, nullptr, nullptr, kPrintMask, 0);
        EXPECT_EQ(scene.GetBackgroundImage(), photo);
        EXPECT_EQ(photo->GetUseCount(), 2);
        scene.Update(&model, nullptr, nullptr, kPrintMask, 0);
        EXPECT_EQ(photo->GetUseCount(), 2) << "the same photo again";
    }
    EXPECT_EQ(photo->GetUseCount(), 1);
    model.SetBackgroundImage(nullptr);
}
