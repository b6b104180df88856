// The style manager: the list it builds from the model's display settings and scenes, the
// working copy that follows every tracked change, selecting and applying styles, names, and its
// record.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "database/ArchiveSchema.h"
#include "platform/mfc/ArchiveException.h"
#include "settings/RenderingOptions.h"
#include "settings/StyleModel.h"
#include "settings/Watermark.h"
#include "settings/WatermarkList.h"
#include "settings/WatermarkManager.h"
#include "settings/ZphStyle.h"
#include "settings/ZphStyleManager.h"
#include "support/NotificationCenter.h"
#include "tests/model/doubles/ModelDouble.h"
#include "tests/settings/SettingsTestSupport.h"
#include "tests/support/ModelFileWriter.h"
#include "tests/support/StyleRecords.h"

using orbisk::utils::CColor;

namespace {

class TestScene : public IStyledScene {
public:
    explicit TestScene(bool storesStyle) : storesStyle(storesStyle) {}
    bool StoresStyleAndOptions() const override { return storesStyle; }
    CRenderingOptions* GetSceneOptions() const override { return options.get(); }
    CZphStyle* GetSceneStyle() const override { return style; }
    void SetSceneStyle(CZphStyle* s) override { style = s; }

    bool storesStyle;
    std::unique_ptr<CRenderingOptions> options = std::make_unique<CRenderingOptions>();
    CZphStyle* style = nullptr;
};

// A current model with its own announcing display settings and watermarks, and test scenes that
// store a style or not, in place before its manager is made; the real model builds its manager
// from its own scenes when it is made.
class ScriptedStyleModel : public BareModelContext, public IStyleModel {
public:
    ScriptedStyleModel() { options.SetOwner(this); }
    ~ScriptedStyleModel() override
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
    std::vector<IStyledScene*> GetStyledScenes() const override
    {
        std::vector<IStyledScene*> list;
        for (const auto& scene : scenes)
            list.push_back(scene.get());
        return list;
    }
    IStyledScene* GetSelectedStyledScene() const override { return selected; }

    // The manager, made once the scenes are in place.
    CZphStyleManager& MakeManager()
    {
        manager = new CZphStyleManager(this);
        return *manager;
    }

    CCurrentModelScope current{this};
    FixedSystemColors colors;
    mutable CRenderingOptions options;
    mutable CWatermarkManager watermarks;
    std::vector<std::unique_ptr<TestScene>> scenes;
    IStyledScene* selected = nullptr;
    CZphStyleManager* manager = nullptr;
};

}  // namespace

TEST(StyleManagerTest, AModelWithoutScenesGetsOneSelectedStyle)
{
    ScriptedStyleModel model;
    CZphStyleManager& manager = model.MakeManager();
    ASSERT_EQ(manager.GetCount(), 1);
    ASSERT_NE(manager.GetSelectedStyle(), nullptr);
    ASSERT_NE(manager.GetActiveStyle(), nullptr);
    EXPECT_FALSE(manager.Contains(manager.GetActiveStyle()));
    EXPECT_FALSE(manager.IsModified());
    EXPECT_EQ(manager.GetActiveStyle()->GetName(), manager.GetSelectedStyle()->GetName());
    EXPECT_EQ(manager.GetActiveStyle()->GetStyle().GetProperty(1014),
              orbisk::Variant(FixedSystemColors::kWindowText));
}

TEST(StyleManagerTest, ScenesWithEqualSettingsShareOneStyle)
{
    ScriptedStyleModel model;
    for (int i = 0; i < 3; ++i)
        model.scenes.push_back(std::make_unique<TestScene>(i < 2));
    model.scenes[0]->options->SetEdgeColor(CColor(1, 2, 3, 255));
    model.scenes[1]->options->SetEdgeColor(CColor(1, 2, 3, 255));
    model.selected = model.scenes[0].get();
    CZphStyleManager& manager = model.MakeManager();

    EXPECT_EQ(manager.GetCount(), 1);
    EXPECT_NE(model.scenes[0]->style, nullptr);
    EXPECT_EQ(model.scenes[0]->style, model.scenes[1]->style);
    EXPECT_EQ(model.scenes[2]->style, nullptr) << "a scene that stores no style";
    EXPECT_EQ(manager.GetSelectedStyle(), model.scenes[0]->style);
    // The model's own settings differ from the selected scene's.
    EXPECT_TRUE(manager.IsModified());
}

TEST(StyleManagerTest, TheWorkingCopyFollowsTheModelsSettings)
{
    ScriptedStyleModel model;
    CZphStyleManager& manager = model.MakeManager();
    manager.SelectStyle(manager.GetSelectedStyle(), false);
    SettingsPosts posts(kStyleNotification);

    model.options.SetEdgeColor(CColor(9, 9, 9, 255));
    EXPECT_TRUE(manager.IsModified());
    EXPECT_EQ(manager.GetActiveStyle()->GetStyle().GetProperty(1014), orbisk::Variant(CColor(9, 9, 9, 255)));
    model.options.SetEdgeColor(CColor());  // back to the system colour the style holds
    EXPECT_FALSE(manager.IsModified());
    EXPECT_EQ(posts.Codes(), (std::vector<int32_t>{2, 2}));

    posts.posts.clear();
    model.options.SetDisplayFog(true);  // no style id
    model.options.SetFrontFaceColor(CColor(1, 1, 1, 255));
    EXPECT_EQ(posts.Codes(), (std::vector<int32_t>{2}));

    // Scene settings are not the model's.
    posts.posts.clear();
    CRenderingOptions sceneOptions;
    sceneOptions.SetOwner(&model);
    sceneOptions.SetXRay(true);
    EXPECT_TRUE(posts.posts.empty());
}

TEST(StyleManagerTest, NothingIsTrackedWhileASceneIsActivatedOrAnAnimationRuns)
{
    ScriptedStyleModel model;
    CZphStyleManager& manager = model.MakeManager();
    SettingsPosts posts(kStyleNotification);
    auto& centre = orbisk::utils::CNotificationCenter::GetInstance();
    const auto post = [&](const char* name, int code) { centre.PostNotification(name, &code); };

    post(kPageActivationNotification, 0);
    model.options.SetXRay(true);
    post(kPageActivationNotification, 1);
    post(kAnimationNotification, 0);
    model.options.SetXRayOpacity(0.25);
    post(kAnimationNotification, 2);
    EXPECT_TRUE(posts.posts.empty());
    EXPECT_EQ(manager.GetActiveStyle()->GetStyle().GetProperty(2004).GetBool(), false);
    model.options.SetXRay(false);
    EXPECT_EQ(posts.Codes(), (std::vector<int32_t>{2}));
}

TEST(StyleManagerTest, WatermarkChangesCountOnlyForTheStylesWatermarks)
{
    ScriptedStyleModel model;
    CWatermark* logo = NewWatermark(L"Logo");
    model.watermarks.ReplaceAll({nullptr, logo});
    CZphStyleManager& manager = model.MakeManager();
    SettingsPosts posts(kStyleNotification);
    CWatermark stranger;
    stranger.SetName(L"Stranger");
    EXPECT_TRUE(posts.posts.empty());
    logo->SetName(L"Logo2");
    EXPECT_EQ(posts.Codes(), (std::vector<int32_t>{2}));
    EXPECT_TRUE(manager.IsModified()) << "the name differs from the selected style's copy";
}

TEST(StyleManagerTest, ApplyingAStyleSetsTheSettingsAndReplacesTheWatermarks)
{
    ScriptedStyleModel model;
    model.watermarks.ReplaceAll({nullptr, NewWatermark(L"Logo")});
    CZphStyleManager& manager = model.MakeManager();
    CZphStyle style;
    style.GetStyle().SetProperty(2001, orbisk::Variant(0));
    style.GetStyle().SetProperty(1014, orbisk::Variant(CColor(5, 6, 7, 255)));
    ASSERT_EQ(style.GetStyle().GetWatermarkList(), nullptr);
    SettingsPosts changes(kRenderingOptionsChangeNotification);

    TestScene scene(true);
    manager.ApplyStyleToScene(&style, scene, false, true);
    EXPECT_EQ(scene.options->GetRenderingMode(), 0);
    EXPECT_EQ(scene.style, &style);
    EXPECT_EQ(model.watermarks.GetCount(), 2) << "without watermarks the model's stay";
    EXPECT_TRUE(changes.posts.empty()) << "scene settings announce nothing";

    manager.ApplyStyle(&style, &model);
    EXPECT_EQ(model.options.GetRenderingMode(), 0);
    EXPECT_EQ(model.options.GetStoredEdgeColor(), CColor(5, 6, 7, 255));
    EXPECT_EQ(model.watermarks.GetCount(), 0) << "a style without a watermark list removes them";
    ASSERT_FALSE(changes.posts.empty());
    EXPECT_EQ(changes.posts.back().code, 0);
    EXPECT_FALSE(manager.IsSuspended());
}

TEST(StyleManagerTest, SelectingMakesAPrivateCopyAndCanApplyIt)
{
    ScriptedStyleModel model;
    CZphStyleManager& manager = model.MakeManager();
    auto* style = new CZphStyle();
    style->GetStyle().SetProperty(2004, orbisk::Variant(true));
    SettingsPosts posts(kStyleNotification);
    manager.SelectStyle(style, true);
    EXPECT_TRUE(manager.Contains(style));
    EXPECT_EQ(manager.GetSelectedStyle(), style);
    EXPECT_NE(manager.GetActiveStyle(), style);
    EXPECT_TRUE(manager.GetActiveStyle()->IsSameStyle(*style));
    EXPECT_TRUE(model.options.GetXRay());
    EXPECT_FALSE(manager.IsModified());
    EXPECT_EQ(posts.Codes(), (std::vector<int32_t>{0, 3}));
}

TEST(StyleManagerTest, NewNamesAreUnique)
{
    ScriptedStyleModel model;
    CZphStyleManager& manager = model.MakeManager();
    manager.RemoveAllStyles();
    for (const wchar_t* name : {L"Style", L"style1", L"Style"}) {
        auto* style = new CZphStyle();
        style->SetName(name);
        manager.AddStyle(style);
    }
    auto* unnamed = new CZphStyle();
    manager.AddStyle(unnamed);
    EXPECT_NE(manager.FindStyleByName(L"STYLE2"), nullptr);
    EXPECT_EQ(unnamed->GetName(), L"Style3");
    EXPECT_EQ(manager.MakeUniqueStyleName(L"Style4"), L"Style4");
    EXPECT_EQ(manager.MakeUniqueStyleName(L"Other9"), L"Other1");
    EXPECT_EQ(manager.FindStyleByName(L""), nullptr);
}

TEST(StyleManagerTest, RecordsReplaceTheList)
{
    ScriptedStyleModel model;
    ScopedSchemas schemas{{"CDib", 3}, {"CZphStyle", 1}, {"CZphStyleManager", 2}};
    const auto writeStyle = [](ModelFileWriter& writer, const std::string& name) {
        return writer.WriteObjectRecord("CZphStyle", 1, [&](CArchive& ar) {
            const Bytes bytes = EntityPart() + ZphStyleRecordHead({}, "") + StyleRecordHead(3, name, "", 0);
            ar.Write(bytes.data(), static_cast<uint32_t>(bytes.size()));
        });
    };
    ModelFileWriter writer;
    writer.WriteObjectRecord("CZphStyleManager", 2, [&](CArchive& ar) {
        const Bytes head = EntityPart() + Int(2);
        ar.Write(head.data(), static_cast<uint32_t>(head.size()));
        writeStyle(writer, "A");
        const auto b = writeStyle(writer, "B");
        writer.WriteObjectReference(b);
        writeStyle(writer, "B");  // the working copy
        ar << uint8_t{1};
    });
    const Bytes bytes = writer.Finish();
    CZphStyleManager* read = nullptr;
    EXPECT_EQ(BytesLeftAfter(bytes, [&](CArchive& ar) { ar >> read; }), 0u);
    ASSERT_NE(read, nullptr);
    const std::unique_ptr<CZphStyleManager> owned(read);
    EXPECT_EQ(read->GetCount(), 2);
    ASSERT_NE(read->GetSelectedStyle(), nullptr);
    EXPECT_EQ(read->GetSelectedStyle()->GetName(), L"B");
    ASSERT_NE(read->GetActiveStyle(), nullptr);
    EXPECT_FALSE(read->Contains(read->GetActiveStyle()));
    EXPECT_TRUE(read->IsModified());
}

TEST(StyleManagerTest, CutRecordsFailAndLoseNothing)
{
    ScriptedStyleModel model;
    ScopedSchemas schemas{{"CDib", 3}, {"CZphStyle", 1}, {"CZphStyleManager", 2}};
    ModelFileWriter writer;
    writer.WriteObjectRecord("CZphStyleManager", 2, [&](CArchive& ar) {
        const Bytes head = EntityPart() + Int(1);
        ar.Write(head.data(), static_cast<uint32_t>(head.size()));
        const auto a = writer.WriteObjectRecord("CZphStyle", 1, [&](CArchive& inner) {
            const Bytes bytes = EntityPart() + ZphStyleRecordHead({}, "") + StyleRecordHead(3, "A", "", 0);
            inner.Write(bytes.data(), static_cast<uint32_t>(bytes.size()));
        });
        writer.WriteObjectReference(a);
        writer.WriteNullObject();
        ar << uint8_t{0};
    });
    const Bytes bytes = writer.Finish();
    for (size_t cut = 1; cut < bytes.size(); ++cut) {
        const Bytes part(bytes.begin(), bytes.begin() + static_cast<long>(cut));
        CObject* read = nullptr;
        EXPECT_THROW(ReadFrom(part, [&](CArchive& ar) { ar >> read; }), CArchiveException) << cut;
    }
    CObject* read = nullptr;
    ReadFrom(bytes, [&](CArchive& ar) { ar >> read; });
    auto* manager = dynamic_cast<CZphStyleManager*>(read);
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(manager->GetCount(), 1);
    delete manager;
}
