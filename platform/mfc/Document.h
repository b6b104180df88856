#pragma once
// CDocument and CView, as far as the application's document relies on them: the open, new
// and close steps with their archive reading, the list of views that show the document, and
// the redraw of those views. CUserException is the framework's "already reported" failure:
// code that has told the user what went wrong throws it, and the open step gives up without
// a second message.
//
// No windows here: the window views of the application derive from CView and add them.

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/mfc/Exception.h"
#include "platform/mfc/Object.h"
#include "platform/mfc/String.h"

class CArchive;
class CDocument;

class CView : public CObject {
public:
    ~CView() override;

    CDocument* GetDocument() const { return m_pDocument; }
    // The document's UpdateAllViews reaches every view but the sender here.
    virtual void OnUpdate(CView* sender, intptr_t hint, CObject* hintObject);

private:
    friend class CDocument;
    CDocument* m_pDocument = nullptr;
};

class CUserException : public CException {
public:
    CUserException();
    CString GetErrorMessage() const override { return {}; }
};

[[noreturn]] void AfxThrowUserException();

class CDocument : public CObject {
    DECLARE_DYNAMIC(CDocument)
public:
    CDocument() = default;
    // Views still attached forget the document.
    ~CDocument() override;
    CDocument(const CDocument&) = delete;
    CDocument& operator=(const CDocument&) = delete;

    // DeleteContents; true. The document is unmodified.
    virtual bool OnNewDocument();
    // DeleteContents, then Serialize on a loading archive over the file. On failure the
    // contents are deleted again, so that nothing half-read stays behind, and the user is told
    // why, unless a CUserException says that this was done already. False on failure; on
    // success the document is unmodified.
    virtual bool OnOpenDocument(const wchar_t* pathName);
    // DeleteContents.
    virtual void OnCloseDocument();
    // Empties the document; nothing here.
    virtual void DeleteContents();
    // True when the document may be closed; a document without changes always may.
    virtual bool SaveModified();
    // Set by changes the user made since the document was made new or opened.
    void SetModifiedFlag(bool modified = true) { m_bModified = modified; }
    bool IsModified() const { return m_bModified; }

    const CString& GetPathName() const { return m_strPathName; }
    void SetPathName(const CString& pathName) { m_strPathName = pathName; }

    void AddView(CView* view);
    void RemoveView(CView* view);
    const std::vector<CView*>& GetViews() const { return m_viewList; }
    // OnUpdate on every view but the sender.
    void UpdateAllViews(CView* sender, intptr_t hint = 0, CObject* hintObject = nullptr);

private:
    CString m_strPathName;
    bool m_bModified = false;
    std::vector<CView*> m_viewList;
};
