// The model object: what a new model holds, sharing and releasing it, the current model,
// clearing, the model-level check, properties and the geo-reference defaults.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "components/Component.h"
#include "database/AttributeContainer.h"
#include "database/AttributeNamed.h"
#include "database/CurrentModel.h"
#include "database/LayerManager.h"
#include "database/UndoManager.h"
#include "database/Validity.h"
#include "model/ZephyronModel.h"
#include "settings/PageList.h"
#include "settings/RenderingOptions.h"
#include "settings/ShadowInfo.h"
#include "settings/ZphStyleManager.h"
#include "support/NotificationCenter.h"
#include "support/TypedValue.h"

using orbisk::utils::CTypedValue;

namespace {

class Posts : public orbisk::utils::IObserver {
public:
    explicit Posts(const char* name)
    {
        orbisk::utils::CNotificationCenter::GetInstance().AddObserver(name, this);
    }
    ~Posts() override { orbisk::utils::CNotificationCenter::GetInstance().RemoveObserverFromAll(this); }
    void OnNotification(const char*, void* payload) override { payloads.push_back(payload); }
    std::vector<void*> payloads;
};

class ZephyronModelTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(GetCurrentModel(), nullptr); }
};

}  // namespace

TEST_F(ZephyronModelTest, ANewModelHoldsEverySubObjectAndTheFirstUndoManager)
{
    SetCurrentUndoManager(nullptr);
    CZephyronModel model;
    EXPECT_EQ(model.GetRefCount(), 1);
    EXPECT_EQ(model.GetStatus(), kModelRead);
    EXPECT_EQ(GetCurrentUndoManager(), model.GetUndoManager());
    EXPECT_NE(model.GetRoot(), nullptr);
    EXPECT_NE(model.GetLayerManager(), nullptr);
    EXPECT_NE(model.GetMaterialManager(), nullptr);
    EXPECT_NE(model.GetFontManager(), nullptr);
    EXPECT_NE(model.GetOptions(), nullptr);
    EXPECT_NE(model.GetShadowInfo(), nullptr);
    EXPECT_NE(model.GetPageList(), nullptr);
    EXPECT_NE(model.GetStyleManager(), nullptr);
    EXPECT_NE(model.GetWatermarkManager(), nullptr);
    EXPECT_NE(model.GetDrawingAxes(), nullptr);
    EXPECT_NE(model.GetComponentAxes(), nullptr);
    EXPECT_NE(model.GetDimensionStyleObject(), nullptr);
    EXPECT_NE(model.GetTextStyle(), nullptr);
    EXPECT_NE(model.GetContributorManager(), nullptr);
    EXPECT_EQ(model.GetRoot()->GetModel(), &model);
    EXPECT_TRUE(model.AreMipmapsEnabled());
    // The camera a new model looks through.
    EXPECT_DOUBLE_EQ(model.GetCamera().GetEye().z, 500.0);
    EXPECT_DOUBLE_EQ(model.GetCamera().GetStoredFieldOfView(), 30.0);
    EXPECT_TRUE(model.GetCamera().IsPerspective());
    // With no instance open the root component is the active one.
    EXPECT_EQ(model.GetActiveInstance(), nullptr);
    EXPECT_EQ(model.GetActiveComponent(), model.GetRoot());
}

TEST_F(ZephyronModelTest, TheLastReleaseDeletesTheModelAndAnnouncesIt)
{
    Posts deleted("DeleteModelNotification");
    auto* model = new CZephyronModel;
    EXPECT_EQ(model->AddRef(), 2);
    EXPECT_EQ(model->Release(), 1);
    EXPECT_TRUE(deleted.payloads.empty());
    SetCurrentModel(model);
    EXPECT_EQ(model->Release(), 0);
    ASSERT_EQ(deleted.payloads.size(), 1u);
    EXPECT_EQ(deleted.payloads[0], static_cast<CObject*>(model));
    // Deleting the current model leaves none current.
    EXPECT_EQ(GetCurrentModel(), nullptr);
}

TEST_F(ZephyronModelTest, ChangesCountCommittedAndRedoneOperationsLessUndoneOnes)
{
    CZephyronModel model;
    model.OnOperationEnd(2, 0, 0);
    EXPECT_EQ(model.GetChangeCount(), 0);
    model.OnOperationEnd(0, 0, 0);
    model.OnOperationEnd(3, 0, 0);
    model.OnOperationEnd(4, 0, 0);
    EXPECT_EQ(model.GetChangeCount(), 2);
    model.OnOperationEnd(2, 0, 0);
    EXPECT_EQ(model.GetChangeCount(), 1);
    model.Clear();
    EXPECT_EQ(model.GetChangeCount(), 0);
}

TEST_F(ZephyronModelTest, PropertiesReadNullAsEmptyAndTheDescriptionIsOne)
{
    CZephyronModel model;
    EXPECT_EQ(model.GetModelProperties(), nullptr);
    EXPECT_EQ(model.GetDescription(), CString());
    model.SetDescription(L"A small house");
    EXPECT_EQ(model.GetDescription(), CString(L"A small house"));
    ASSERT_NE(model.GetModelProperties(), nullptr);
    for (const wchar_t* null : {L"NULL", L"null", L"NuLl"}) {
        model.SetModelProperty(L"Author", null);
        EXPECT_EQ(model.GetModelProperty(L"Author"), CString()) << std::wstring(null).size();
    }
    model.Clear();
    EXPECT_EQ(model.GetModelProperties(), nullptr);
}

TEST_F(ZephyronModelTest, MipmapSwitchAnnouncesOnlyAChange)
{
    CZephyronModel model;
    Posts changed("ModelMipmapChangedNotification");
    model.SetMipmapsEnabled(true);
    EXPECT_TRUE(changed.payloads.empty());
    model.SetMipmapsEnabled(false);
    EXPECT_EQ(changed.payloads.size(), 1u);
    EXPECT_FALSE(model.AreMipmapsEnabled());
}

TEST_F(ZephyronModelTest, GeoReferenceGetsTheShadowPlaceWhereEntriesAreMissing)
{
    CZephyronModel model;
    {
        CCurrentModelScope current(&model);
        CSuspendUndo unrecorded;
        auto* geo = new CAttributeNamed(L"GeoReference");
        geo->SetValue(L"Longitude", CTypedValue(7.5));
        model.GetRoot()->AddAttributeDictionary(geo);
    }
    model.EnsureGeoReferenceDefaults();
    CAttributeNamed* geo = model.GetGeoReference();
    ASSERT_NE(geo, nullptr);
    EXPECT_DOUBLE_EQ(geo->GetValue(L"Longitude").GetDouble(), 7.5);
    EXPECT_DOUBLE_EQ(geo->GetValue(L"Latitude").GetDouble(), model.GetShadowInfo()->GetLatitude());
    bool uses = false;
    EXPECT_TRUE(geo->GetValue(L"UsesGeoReferencing").TryGetBool(uses));
    EXPECT_TRUE(uses);
    CString source;
    EXPECT_TRUE(geo->GetValue(L"LocationSource").TryGetString(source));
    EXPECT_EQ(source, CString(L"Terravista"));
}

TEST_F(ZephyronModelTest, TheModelCheckTurnsChecksOnForItsDurationOnly)
{
    CZephyronModel model;
    ASSERT_FALSE(AreValidityChecksEnabled());
    ClearValidityReport();
    EXPECT_EQ(model.CheckValidity(kValidityCheck, true), 0) << GetValidityReport().GetString();
    EXPECT_EQ(model.CheckValidity(kValidityCheckIgnoringIds, false), 0);
    EXPECT_FALSE(AreValidityChecksEnabled());
}

TEST_F(ZephyronModelTest, ClearReturnsToANewModel)
{
    CZephyronModel model;
    model.SetDescription(L"Gone after clearing");
    model.SetMipmapsEnabled(false);
    model.GetCamera().SetFieldOfView(55.0);
    model.Clear();
    EXPECT_EQ(model.GetDescription(), CString());
    EXPECT_TRUE(model.AreMipmapsEnabled());
    EXPECT_DOUBLE_EQ(model.GetCamera().GetStoredFieldOfView(), 30.0);
    EXPECT_EQ(model.GetRoot()->GetCount(), 0);
    EXPECT_EQ(model.GetPageList()->GetCount(), 0);
    EXPECT_EQ(model.GetLayerManager()->GetCount(), 1);
}
