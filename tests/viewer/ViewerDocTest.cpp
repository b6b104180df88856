// The application's document: opening model files into its model, refusing files that are no
// model or need a newer program, new and close, the scene tabs, the section toggles and the
// caches dropped when a model operation ends.

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "components/Component.h"
#include "components/ComponentDefinition.h"
#include "components/ComponentInstance.h"
#include "database/CurrentModel.h"
#include "database/DefinitionList.h"
#include "database/UndoManager.h"
#include "platform/mfc/MessageBox.h"
#include "settings/RenderingOptions.h"
#include "settings/ShadowInfo.h"
#include "settings/ZephyronPage.h"
#include "support/NotificationCenter.h"
#include "support/StringTable.h"
#include "tests/support/ModelFiles.h"
#include "tests/support/TempFolder.h"
#include "tests/support/UndoLogFolder.h"
#include "topology/AverageNormalCache.h"
#include "topology/SectionPlane.h"
#include "view/IAnimation.h"
#include "view/ZphView.h"
#include "viewer/ISceneTabs.h"
#include "viewer/ViewerDoc.h"

namespace {

using orbisk::utils::CNotificationCenter;
using orbisk::utils::IObserver;
using orbisk::utils::TranslateString;

// Records the notifications of the names it was given, with the payload's meaning decoded.
class NotificationLog : public IObserver {
public:
    explicit NotificationLog(std::vector<const char*> names)
    {
        for (const char* name : names)
            CNotificationCenter::GetInstance().AddObserver(name, this);
    }
    ~NotificationLog() override { CNotificationCenter::GetInstance().RemoveObserverFromAll(this); }

    void OnNotification(const char* name, void* payload) override
    {
        entries.push_back(name);
        if (std::strcmp(name, "Page Notification") == 0) {
            const auto* page = static_cast<const CPageNotification*>(payload);
            pageCodes.push_back(page->code);
            pageNames.push_back(page->page ? page->page->GetName() : CString());
        }
        payloads.push_back(payload);
    }
    int Count(const char* name) const
    {
        int count = 0;
        for (const std::string& entry : entries)
            count += entry == name;
        return count;
    }

    std::vector<std::string> entries;
    std::vector<void*> payloads;
    std::vector<int32_t> pageCodes;
    std::vector<CString> pageNames;
};

// The main frame's tabs as the document sees them: what it asked for, in order.
class RecordingSceneTabs : public ISceneTabs {
public:
    void ShowSceneTabs(bool show) override { calls.push_back(show ? "show" : "hide"); }
    void ClearSceneTabSelection() override { calls.push_back("clear selection"); }
    std::vector<std::string> calls;
};

// A cut that tells when it is dropped.
class CountedSlice : public ISectionPlaneSlice {
public:
    explicit CountedSlice(int& drops) : m_drops(drops) {}
    ~CountedSlice() override { ++m_drops; }
    void Build(const orbisk::geometry::CPlane3d&, IModelView*) override {}
    void Draw(IModelView*) override {}

private:
    int& m_drops;
};

// A model view in a window of the document, and an animation that it runs.
class ModelWindowView : public CView, public CZphView {};
class PlayingAnimation : public IAnimation {
public:
    bool Step(IZphView*) override { return true; }
    void Finish() override { finished = true; }
    void Pause(bool) override {}
    void Delete() override { deleted = true; }
    bool finished = false;
    bool deleted = false;
};

class ViewerDocTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_previousHook = SetMessageBoxHook([this](const CString& text, unsigned) {
            messages.push_back(text);
            return IDOK;
        });
    }
    void TearDown() override { SetMessageBoxHook(m_previousHook); }

    std::wstring Save(WholeModel& file, const char* name)
    {
        const std::filesystem::path path = folder / name;
        file.SaveTo(path.string());
        return path.wstring();
    }
    std::wstring SaveText(const char* name, const std::string& text)
    {
        const std::filesystem::path path = folder / name;
        std::ofstream(path, std::ios::binary) << text;
        return path.wstring();
    }
    std::wstring SaveDescribedModel(const wchar_t* description)
    {
        WholeModel file;
        file.description = description;
        return Save(file, "described.zph");
    }

    // An active section plane of the root component holding a cut that counts its drops.
    CSectionPlane* AddActivePlaneWithSlice(int& drops)
    {
        CComponent* root = doc.GetModel().GetRoot();
        auto* plane = new CSectionPlane;
        root->AddEntity(plane);
        root->SetActiveSectionPlane(plane);
        plane->SetSlice(std::make_unique<CountedSlice>(drops));
        return plane;
    }
    // A stand-in for the free edges kept beside the shadow display lists.
    void FillShadowEdges() { doc.GetModel().GetShadowInfo()->GetEdgeSegments().resize(3); }
    size_t ShadowEdgeCount() { return doc.GetModel().GetShadowInfo()->GetEdgeSegments().size(); }

    TempFolder folder;
    std::vector<CString> messages;
    CViewerDoc doc;

private:
    MessageBoxHook m_previousHook;
};

}  // namespace

TEST_F(ViewerDocTest, TheDocumentsModelIsCurrentFromTheStart)
{
    EXPECT_EQ(GetCurrentModel(), &doc.GetModel());
    EXPECT_EQ(GetCurrentUndoManager(), doc.GetModel().GetUndoManager());
}

TEST_F(ViewerDocTest, OpeningAModelReadsItAndNamesItAfterTheFile)
{
    ASSERT_TRUE(doc.OnOpenDocument(SaveDescribedModel(L"A small house").c_str()));

    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(doc.GetModel().GetStatus(), kModelRead);
    EXPECT_EQ(doc.GetModel().GetDescription(), CString(L"A small house"));
    EXPECT_EQ(doc.GetModel().GetPath(), CString(L"described.zph")) << "file name with extension, no folders";
    EXPECT_EQ(GetCurrentModel(), &doc.GetModel());
}

TEST_F(ViewerDocTest, RefusedFilesAreReportedOnceAndLeaveAnEmptyDocument)
{
    WholeModel tooNew;
    tooNew.versionMap.emplace_back("CText", 10);
    tooNew.header.build = 4000;
    CString newerMessage;
    newerMessage.Format(
        TranslateString("The file was created in a newer version of Zephyron.\n\nYou have version "
                        "%s.\nYou need version %s.\n\nPlease visit the Zephyron web site to get "
                        "the latest version.")
            .GetString(),
        L"8.0.3669", L"8.0.4000");
    struct Case {
        const char* what;
        std::wstring path;
        CString message;
    };
    const Case cases[] = {
        {"a text file", SaveText("notes.zph", "Shopping list\nbread\n"),
         TranslateString("This does not appear to be a Zephyron model!")},
        {"a file of a newer program", Save(tooNew, "new.zph"), newerMessage},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(doc.OnOpenDocument(SaveDescribedModel(L"Previous").c_str())) << c.what;
        messages.clear();

        EXPECT_FALSE(doc.OnOpenDocument(c.path.c_str())) << c.what;

        ASSERT_EQ(messages.size(), 1u) << c.what << ": one message, no second one from the framework";
        EXPECT_EQ(messages[0], c.message) << c.what;
        EXPECT_TRUE(doc.GetModel().GetDescription().IsEmpty()) << c.what << ": the previous model is gone";
        EXPECT_TRUE(doc.GetModel().GetPath().IsEmpty()) << c.what << ": the old file name is gone too";
    }
}

TEST_F(ViewerDocTest, AFileThatCannotBeOpenedKeepsTheModelAndIsReported)
{
    ASSERT_TRUE(doc.OnOpenDocument(SaveDescribedModel(L"Kept").c_str()));

    EXPECT_FALSE(doc.OnOpenDocument((folder / "missing.zph").wstring().c_str()));

    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(doc.GetModel().GetDescription(), CString(L"Kept"));
    EXPECT_EQ(doc.GetModel().GetPath(), CString(L"described.zph"));
}

TEST_F(ViewerDocTest, NewAndCloseEmptyTheModel)
{
    for (bool close : {false, true}) {
        ASSERT_TRUE(doc.OnOpenDocument(SaveDescribedModel(L"Temporary").c_str()));
        if (close) {
            doc.OnCloseDocument();
        } else {
            EXPECT_TRUE(doc.OnNewDocument());
            EXPECT_EQ(GetCurrentModel(), &doc.GetModel());
        }
        EXPECT_TRUE(doc.GetModel().GetDescription().IsEmpty()) << (close ? "close" : "new");
        EXPECT_TRUE(doc.GetModel().GetPath().IsEmpty()) << (close ? "close" : "new");
        EXPECT_TRUE(IsUndoRecording()) << "recording is back on afterwards";
    }
    EXPECT_TRUE(doc.SaveModified()) << "the viewer never asks to save";
}

TEST_F(ViewerDocTest, SceneTabsShowOnlyForModelsWithScenesAndSelectTheSelectedScene)
{
    RecordingSceneTabs tabs;
    doc.SetSceneTabs(&tabs);

    WholeModel withScenes;
    SceneFields front;
    front.page.name = "Front";
    SceneFields plan;
    plan.page.name = "Plan";
    withScenes.scenes = {&withScenes.Scene(front), &withScenes.Scene(plan)};
    withScenes.selectedScene = withScenes.scenes.back();
    const std::wstring scenesPath = Save(withScenes, "scenes.zph");
    WholeModel plain;
    const std::wstring plainPath = Save(plain, "plain.zph");

    {
        NotificationLog log({"Page Notification", "Resynch UI Notification"});
        ASSERT_TRUE(doc.OnOpenDocument(scenesPath.c_str()));
        EXPECT_EQ(tabs.calls, (std::vector<std::string>{"clear selection", "show"}));
        ASSERT_EQ(log.pageCodes, std::vector<int32_t>{3});
        EXPECT_EQ(log.pageNames[0], CString(L"Plan"));
        EXPECT_EQ(log.entries.back(), "Resynch UI Notification");
    }
    for (bool viaNew : {false, true}) {
        tabs.calls.clear();
        NotificationLog log({"Page Notification", "Resynch UI Notification"});
        ASSERT_TRUE(viaNew ? doc.OnNewDocument() : doc.OnOpenDocument(plainPath.c_str()));
        EXPECT_EQ(tabs.calls, std::vector<std::string>{"hide"});
        EXPECT_EQ(log.Count("Resynch UI Notification"), 1);
        EXPECT_EQ(log.payloads.back(), nullptr);
    }

    // Without a main frame only the panels hear of it.
    doc.SetSceneTabs(nullptr);
    NotificationLog log({"Resynch UI Notification"});
    doc.SyncSceneTabs();
    EXPECT_EQ(log.Count("Resynch UI Notification"), 1);
}

TEST_F(ViewerDocTest, AnOperationEndDropsSectionCutsAndShadowCachesAndAnnouncesComponents)
{
    int drops = 0;
    AddActivePlaneWithSlice(drops);
    FillShadowEdges();
    NotificationLog log({"Loaded Components Changed"});
    CUndoManager* undo = doc.GetModel().GetUndoManager();

    // A committed operation that recorded nothing.
    undo->StartOperation(1, L"Nothing", false, false);
    undo->CommitOperation(CUndoManager::kKeepEmpty, 0, true);

    EXPECT_EQ(drops, 1);
    EXPECT_EQ(ShadowEdgeCount(), 0u);
    ASSERT_EQ(log.Count("Loaded Components Changed"), 1);
    EXPECT_EQ(log.payloads[0], &doc.GetModel());

    // Flag 0x80 announces the components once more; a discarded operation only then.
    struct Case {
        uint32_t flags;
        bool discarded;
        int announcements;
    };
    for (const Case& c : {Case{0x80, false, 2}, Case{0x80, true, 1}, Case{0, true, 0}}) {
        log.entries.clear();
        undo->StartOperation(1, L"Op", false, false);
        undo->CommitOperation(c.flags | (c.discarded ? 0u : uint32_t(CUndoManager::kKeepEmpty)), 0, true);
        EXPECT_EQ(log.Count("Loaded Components Changed"), c.announcements) << c.flags << " " << c.discarded;
    }
}

TEST_F(ViewerDocTest, OperationsOfTypes89And93LeaveTheAverageNormalCacheAlone)
{
    CAverageNormalCache* cache = doc.GetModel().GetActiveComponent()->GetAverageNormalCache();
    CUndoManager* undo = doc.GetModel().GetUndoManager();
    struct Case {
        int type;
        bool heldDuring;
        bool heldAfter;
    };
    // The cache starts held, so that "left alone" differs from a reset.
    for (const Case& c : {Case{1, true, false}, Case{89, true, true}, Case{93, true, true}}) {
        cache->SetHold(true);
        undo->StartOperation(c.type, L"Op", false, false);
        EXPECT_EQ(cache->IsHeld(), c.heldDuring) << c.type;
        undo->CommitOperation(CUndoManager::kKeepEmpty, 0, true);
        EXPECT_EQ(cache->IsHeld(), c.heldAfter) << c.type;
    }
}

TEST_F(ViewerDocTest, ChangesOfTheDisplaySettingsDropTheCachesThatDependOnThem)
{
    int drops = 0;
    AddActivePlaneWithSlice(drops);
    CRenderingOptions* options = doc.GetModel().GetOptions();
    struct Case {
        int32_t property;
        int dropsAfter;
    };
    // Rendering mode and edge display change the cut; every change drops the shadow caches.
    for (const Case& c :
         {Case{CRenderingOptions::kJitterProperty, 0}, Case{CRenderingOptions::kEdgeDisplayProperty, 1}}) {
        FillShadowEdges();
        CRenderingOptionsChange change{c.property, options};
        CNotificationCenter::GetInstance().PostNotification(kRenderingOptionsChangeNotification, &change);
        EXPECT_EQ(drops, c.dropsAfter) << c.property;
        EXPECT_EQ(ShadowEdgeCount(), 0u) << c.property;
    }
    FillShadowEdges();
    CNotificationCenter::GetInstance().PostNotification(kRenderingOptionsChangeNotification, nullptr);
    EXPECT_EQ(ShadowEdgeCount(), 0u) << "also without a payload";
}

TEST_F(ViewerDocTest, SectionTogglesFlipTheDisplayAndKeepHiddenPlanesOutOfTheSelection)
{
    CRenderingOptions* options = doc.GetModel().GetOptions();
    const int32_t before = options->GetSectionDisplay();
    int drops = 0;
    CSectionPlane* plane = AddActivePlaneWithSlice(drops);

    // Cuts: each toggle flips the cut bit; showing them drops the old cut.
    doc.ToggleSectionCuts();
    EXPECT_EQ(options->GetSectionDisplay(), before ^ CRenderingOptions::kSectionCutsShown);
    EXPECT_EQ(drops, (before & CRenderingOptions::kSectionCutsShown) ? 0 : 1);
    doc.ToggleSectionCuts();
    EXPECT_EQ(options->GetSectionDisplay(), before);

    // Planes: hiding them takes the selected plane out of the selection.
    if (!(options->GetSectionDisplay() & CRenderingOptions::kSectionPlanesShown))
        doc.ToggleSectionPlanes();
    ASSERT_TRUE(options->GetSectionDisplay() & CRenderingOptions::kSectionPlanesShown);
    doc.GetModel().GetSelection().Insert(plane);
    doc.ToggleSectionPlanes();
    EXPECT_FALSE(options->GetSectionDisplay() & CRenderingOptions::kSectionPlanesShown);
    EXPECT_FALSE(doc.GetModel().GetSelection().Contains(plane));
}

TEST_F(ViewerDocTest, ACommittedChangeRenewsDefinitionsInUseAndPurgesUnusedOnes)
{
    struct Case {
        uint32_t flags;
        bool renewed;
        bool unusedErased;
    };
    for (const Case& c : {Case{0, true, true}, Case{0x04 | 0x10, false, false}}) {
        doc.OnNewDocument();
        CComponent* root = doc.GetModel().GetRoot();
        CDefinitionList* definitions = root->GetDefinitionList();
        auto* used = new CComponentDefinition;
        definitions->Add(used);
        auto* instance = new CComponentInstance;
        used->AddInstance(instance);
        root->AddEntity(instance);
        auto* unused = new CComponentDefinition;
        definitions->Add(unused);
        const auto usedGuid = used->GetGuid();
        const auto unusedGuid = unused->GetGuid();

        CUndoManager* undo = doc.GetModel().GetUndoManager();
        undo->StartOperation(1, L"Rename", false, false);
        used->SetName(L"Door");
        unused->SetName(L"Window");
        undo->CommitOperation(c.flags, 0, true);

        EXPECT_EQ(used->GetGuid() != usedGuid, c.renewed) << c.flags;
        EXPECT_EQ(used->IsEdited(), c.renewed) << c.flags;
        // By address: an erased definition is gone.
        std::vector<const CEntity*> listed;
        for (int i = 0; i < definitions->GetCount(); ++i)
            listed.push_back(definitions->GetAt(i));
        EXPECT_EQ(listed.size(), c.unusedErased ? 1u : 2u) << c.flags;
        EXPECT_EQ(listed.front(), used) << c.flags;
        if (!c.unusedErased) {
            EXPECT_EQ(unused->GetGuid(), unusedGuid) << c.flags;
        }
    }
}

TEST_F(ViewerDocTest, EmptyingTheDocumentStopsTheAnimationsOfItsModelViews)
{
    CView otherView;
    ModelWindowView first;
    ModelWindowView second;
    for (CView* view : std::initializer_list<CView*>{&otherView, &first, &second})
        doc.AddView(view);
    int modelViews = 0;
    doc.ForEachZphView([&](IZphView&) { ++modelViews; });
    EXPECT_EQ(modelViews, 2) << "a view that is no model view is skipped";

    for (bool close : {false, true}) {
        PlayingAnimation animation;
        second.SetAnimation(&animation);
        if (close)
            doc.OnCloseDocument();
        else
            doc.OnNewDocument();
        EXPECT_TRUE(animation.finished && animation.deleted) << (close ? "close" : "new");
        EXPECT_EQ(second.GetAnimation(), nullptr) << (close ? "close" : "new");
    }
}
