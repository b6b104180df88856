// The X-ray and back-edges switches of the current model: never both on.

#include <gtest/gtest.h>

#include "database/CurrentModel.h"
#include "database/UndoManager.h"
#include "model/ZephyronModel.h"
#include "settings/RenderingOptions.h"
#include "viewer/StyleEditorHelper.h"

TEST(StyleEditorHelper, XRayAndBackEdgesSwitchEachOtherOff)
{
    CZephyronModel model;
    CCurrentModelScope current(&model);
    CSuspendUndo unrecorded;
    CRenderingOptions& options = *model.GetOptions();
    CStyleEditorHelper helper;

    helper.SetBackEdges(true);
    helper.SetXRay(true);
    EXPECT_TRUE(helper.GetXRay());
    EXPECT_FALSE(helper.GetBackEdges()) << "X-ray on switches back edges off";
    helper.SetBackEdges(true);
    EXPECT_TRUE(options.GetBackEdges());
    EXPECT_FALSE(options.GetXRay()) << "and the other way round";

    helper.SetXRay(false);
    EXPECT_TRUE(helper.GetBackEdges()) << "switching one off leaves the other";
    helper.SetBackEdges(false);
    helper.SetXRay(true);
    helper.SetXRay(false);
    EXPECT_FALSE(helper.GetBackEdges());

    options.SetRenderingMode(CRenderingOptions::kWireframe);
    EXPECT_FALSE(helper.HasFaces());
    options.SetRenderingMode(CRenderingOptions::kShaded);
    EXPECT_TRUE(helper.HasFaces());
}

TEST(StyleEditorHelper, WithoutACurrentModelNothingIsOnAndFacesAreShown)
{
    CCurrentModelScope none(nullptr);
    CStyleEditorHelper helper;
    helper.SetXRay(true);
    helper.SetBackEdges(true);
    EXPECT_FALSE(helper.GetXRay());
    EXPECT_FALSE(helper.GetBackEdges());
    EXPECT_TRUE(helper.HasFaces());
}
