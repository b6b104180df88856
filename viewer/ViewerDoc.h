#pragma once
// CViewerDoc: the application's one document, made at start-up and reused for every model
// opened. It joins the framework's document with the document base: opening a file reads it
// into the embedded model, a file that is no model or needs a newer program is refused with
// a message, and after new and open the model is current again and the scene tabs follow its
// scenes.

#include <functional>

#include "platform/mfc/Document.h"
#include "viewer/BaseDoc.h"

class IZphView;
class ISceneTabs;

class CViewerDoc : public CDocument, public CBaseDoc {
    DECLARE_DYNCREATE(CViewerDoc)
public:
    CViewerDoc();
    ~CViewerDoc() override;

    // CDocument.
    // Reads the model; a refused file has been reported when the user exception leaves here.
    void Serialize(CArchive& ar) override;
    bool OnNewDocument() override;
    bool OnOpenDocument(const wchar_t* pathName) override;
    void OnCloseDocument() override;
    // The viewer never writes a model: there is nothing to save.
    bool SaveModified() override { return true; }
    // Also CBaseDoc's: the views let go of what they hold of the model, then the model is
    // cleared.
    void DeleteContents() override;

    // CBaseDoc.
    void UpdateAllViews() override;

    // The main frame's scene tabs; null (the default) while there is no main frame.
    void SetSceneTabs(ISceneTabs* tabs) { m_sceneTabs = tabs; }
    // Tabs shown only when the model has scenes, with its selected scene announced; then
    // "Resynch UI Notification".
    void SyncSceneTabs();
    // The views that are model views.
    void ForEachZphView(const std::function<void(IZphView&)>& visit) const;

    // The orbit tool, unless a tool is active already: after new and open, and for a
    // re-created view.
    void ActivateDefaultTool();

private:
    void ReleaseViewModelObjects();

    ISceneTabs* m_sceneTabs = nullptr;
};
