// The document's tool manager: current with the document, given the orbit tool by new, emptied
// by the document base's clearing and by close, and the layer-colour tool ends when colour by
// layer is switched on elsewhere.

#include <gtest/gtest.h>

#include "database/UndoManager.h"
#include "settings/RenderingOptions.h"
#include "tools/CameraOrbitTool.h"
#include "tools/ToolManager.h"
#include "viewer/ViewerDoc.h"

TEST(DocumentTools, NewGivesTheOrbitToolAndClearingAndClosingTakeTheToolsAway)
{
    CViewerDoc doc;
    CToolManager& tools = doc.GetToolManager();
    EXPECT_EQ(GetToolManager(), &tools) << "current with the document";
    EXPECT_EQ(tools.GetModel(), &doc.GetModel());

    ASSERT_TRUE(doc.OnNewDocument());
    EXPECT_TRUE(CToolManager::IsToolActive(&tools, CCameraOrbitTool::kToolId));
    doc.CBaseDoc::DeleteContents();
    EXPECT_EQ(tools.GetStackSize(), 0);

    ASSERT_TRUE(doc.OnNewDocument());
    doc.OnCloseDocument();
    EXPECT_EQ(tools.GetStackSize(), 0);
}

TEST(DocumentTools, ColourByLayerSwitchedOnEndsTheLayerColourToolOnly)
{
    CViewerDoc doc;
    CSuspendUndo unrecorded;
    CToolManager& tools = doc.GetToolManager();
    CRenderingOptions& options = *doc.GetModel().GetOptions();
    struct Case {
        int toolId;
        bool on;
        int stackAfter;
    } cases[] = {
        {CBaseDoc::kLayerColorToolId, true, 0},
        {CBaseDoc::kLayerColorToolId, false, 1},
        {CCameraOrbitTool::kToolId, true, 1},
    };
    for (const Case& c : cases) {
        tools.ClearTools(false, nullptr);
        options.SetColorByLayer(!c.on);
        tools.SetTool(new CTool, c.toolId, true);
        options.SetColorByLayer(c.on);
        EXPECT_EQ(tools.GetStackSize(), c.stackAfter) << c.toolId << (c.on ? " on" : " off");
    }
}
