#include "platform/mfc/Document.h"

#include <algorithm>

#include "platform/mfc/Archive.h"
#include "platform/mfc/ArchiveException.h"
#include "platform/mfc/File.h"
#include "platform/mfc/FileException.h"
#include "platform/mfc/MessageBox.h"

IMPLEMENT_DYNAMIC(CDocument, CObject)

CView::~CView()
{
    if (m_pDocument)
        m_pDocument->RemoveView(this);
}

void CView::OnUpdate(CView*, intptr_t, CObject*) {}

CUserException::CUserException()
{
    SetWhat(L"user exception");
}

void AfxThrowUserException()
{
    throw CUserException();
}

CDocument::~CDocument()
{
    for (CView* view : m_viewList)
        view->m_pDocument = nullptr;
}

bool CDocument::OnNewDocument()
{
    DeleteContents();
    m_strPathName.Empty();
    m_bModified = false;
    return true;
}

bool CDocument::OnOpenDocument(const wchar_t* pathName)
{
    CFile file;
    CFileException openError;
    if (!file.Open(pathName, CFile::modeRead | CFile::shareDenyWrite, &openError)) {
        AfxMessageBox(openError.GetErrorMessage(), MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    DeleteContents();
    try {
        CArchive archive(&file, CArchive::load);
        Serialize(archive);
        archive.Close();
        file.Close();
    } catch (const CUserException&) {
        file.Abort();
        DeleteContents();
        return false;
    } catch (const CException& e) {
        file.Abort();
        DeleteContents();
        AfxMessageBox(e.GetErrorMessage(), MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    m_bModified = false;
    return true;
}

void CDocument::OnCloseDocument()
{
    DeleteContents();
}

void CDocument::DeleteContents() {}

bool CDocument::SaveModified()
{
    return true;
}

void CDocument::AddView(CView* view)
{
    if (!view || view->m_pDocument == this)
        return;
    if (view->m_pDocument)
        view->m_pDocument->RemoveView(view);
    m_viewList.push_back(view);
    view->m_pDocument = this;
}

void CDocument::RemoveView(CView* view)
{
    const auto found = std::find(m_viewList.begin(), m_viewList.end(), view);
    if (found == m_viewList.end())
        return;
    m_viewList.erase(found);
    view->m_pDocument = nullptr;
}

void CDocument::UpdateAllViews(CView* sender, intptr_t hint, CObject* hintObject)
{
    for (CView* view : std::vector<CView*>(m_viewList))
        if (view != sender)
            view->OnUpdate(sender, hint, hintObject);
}
