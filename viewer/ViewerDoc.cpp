#include "viewer/ViewerDoc.h"

#include "database/IZphView.h"
#include "database/UndoManager.h"
#include "database/VersionInfo.h"
#include "platform/mfc/Archive.h"
#include "platform/mfc/MessageBox.h"
#include "settings/PageList.h"
#include "settings/ZephyronPage.h"
#include "support/NotificationCenter.h"
#include "support/PathUtils.h"
#include "support/StringTable.h"
#include "tools/CameraOrbitTool.h"
#include "viewer/ISceneTabs.h"

IMPLEMENT_DYNCREATE(CViewerDoc, CDocument)

namespace {

using orbisk::utils::TranslateString;

constexpr char kNotAModelMessage[] = "This does not appear to be a Zephyron model!";
constexpr char kNewerVersionMessage[] =
    "The file was created in a newer version of Zephyron.\n\nYou have version %s.\nYou need version %s.\n\n"
    "Please visit the Zephyron web site to get the latest version.";
constexpr char kResynchUINotification[] = "Resynch UI Notification";

}  // namespace

CViewerDoc::CViewerDoc()
{
    MakeCurrent();
}

CViewerDoc::~CViewerDoc() = default;

void CViewerDoc::Serialize(CArchive& ar)
{
    CZephyronModel& model = GetModel();
    model.Serialize(ar);
    switch (model.GetStatus()) {
        case kModelRead: return;
        case kNotAModelFile:
            AfxMessageBox(TranslateString(kNotAModelMessage), MB_OK);
            AfxThrowUserException();
        case kNeedsNewerProgram:
        default: {
            CString message;
            message.Format(TranslateString(kNewerVersionMessage).GetString(),
                           CVersionInfo().ToString().GetString(), model.GetVersion().ToString().GetString());
            AfxMessageBox(message, MB_OK);
            AfxThrowUserException();
        }
    }
}

bool CViewerDoc::OnNewDocument()
{
    CSuspendUndo unrecorded;
    if (!CDocument::OnNewDocument())
        return false;
    MakeCurrent();
    GetModel().SetPath(CString());
    ActivateDefaultTool();
    SyncSceneTabs();
    return true;
}

bool CViewerDoc::OnOpenDocument(const wchar_t* pathName)
{
    CSuspendUndo unrecorded;
    if (!CDocument::OnOpenDocument(pathName))
        return false;
    MakeCurrent();
    GetModel().SetPath(orbisk::utils::GetFileName(pathName, true).c_str());
    ActivateDefaultTool();
    SyncSceneTabs();
    return true;
}

void CViewerDoc::OnCloseDocument()
{
    ReleaseViewModelObjects();
    if (CToolManager* manager = ::GetToolManager())
        manager->ClearTools(true, nullptr);
    CSuspendUndo unrecorded;
    CDocument::OnCloseDocument();
}

void CViewerDoc::DeleteContents()
{
    ReleaseViewModelObjects();
    GetModel().Clear();
    // An emptied model must not keep the name of the file it held, whether a new model
    // follows, a refused file, or nothing.
    GetModel().SetPath(CString());
}

void CViewerDoc::UpdateAllViews()
{
    CDocument::UpdateAllViews(nullptr, 0, nullptr);
}

void CViewerDoc::SyncSceneTabs()
{
    CPageList* scenes = GetModel().GetPageList();
    if (m_sceneTabs) {
        if (!scenes || scenes->IsEmpty()) {
            m_sceneTabs->ShowSceneTabs(false);
        } else {
            m_sceneTabs->ClearSceneTabSelection();
            m_sceneTabs->ShowSceneTabs(true);
            if (CZephyronPage* selected = scenes->GetSelectedPage())
                PostPageNotification(selected, kPageSelected);
        }
    }
    orbisk::utils::CNotificationCenter::GetInstance().PostNotification(kResynchUINotification, nullptr);
}

void CViewerDoc::ForEachZphView(const std::function<void(IZphView&)>& visit) const
{
    for (CView* view : GetViews())
        if (auto* modelView = dynamic_cast<IZphView*>(view))
            visit(*modelView);
}

void CViewerDoc::ActivateDefaultTool()
{
    // A window without a tool would drop every mouse event: the user starts out orbiting.
    CToolManager& manager = GetToolManager();
    if (!manager.GetActiveTool())
        manager.SetTool(new CCameraOrbitTool(), CCameraOrbitTool::kToolId, true);
}

void CViewerDoc::ReleaseViewModelObjects()
{
    ForEachZphView([](IZphView& view) { view.ReleaseAnimationAndScene(); });
}
