#include "platform/mfc/FrameWnd.h"

#include "platform/mfc/Document.h"
#include "platform/mfc/WinApp.h"
#include "platform/mfc/WxText.h"

IMPLEMENT_DYNAMIC(CFrameWnd, CObject)

CFrameWnd::CFrameWnd() = default;

CFrameWnd::~CFrameWnd()
{
    if (CWinApp* app = AfxGetApp()) {
        if (app->m_pMainWnd == this)
            app->m_pMainWnd = nullptr;
        if (CSingleDocTemplate* docTemplate = app->GetDocTemplate())
            docTemplate->OnFrameDestroyed(this);
    }
}

bool CFrameWnd::LoadFrame(const CString& appTitle, CCreateContext* context)
{
    m_appTitle = appTitle;
    wxPoint position = wxDefaultPosition;
    wxSize size = wxDefaultSize;
    if (!PreCreateWindow(position, size))
        return false;
    if (!Create(nullptr, wxID_ANY, ToWxString(appTitle.GetString()), position, size))
        return false;
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { OnClose(); });
    Bind(wxEVT_DROP_FILES, &CFrameWnd::OnDropFiles, this);
    if (OnCreate(context) == -1 || !OnCreateClient(context)) {
        Destroy();
        return false;
    }
    return true;
}

CDocument* CFrameWnd::GetActiveDocument() const
{
    return m_pActiveView ? m_pActiveView->GetDocument() : nullptr;
}

void CFrameWnd::InitialUpdateFrame(CDocument*, bool makeVisible)
{
    if (makeVisible)
        Show();
    OnUpdateFrameTitle();
}

void CFrameWnd::OnUpdateFrameTitle()
{
    CString documentTitle = L"Untitled";
    if (CDocument* document = GetActiveDocument(); document && !document->GetPathName().IsEmpty()) {
        const std::wstring path = document->GetPathName().GetString();
        const size_t slash = path.find_last_of(L"/\\");
        documentTitle = path.substr(slash == std::wstring::npos ? 0 : slash + 1).c_str();
    }
    CString title = documentTitle;
    if (!m_appTitle.IsEmpty())
        title += CString(L" - ") + m_appTitle;
    SetTitle(ToWxString(title.GetString()));
}

bool CFrameWnd::PreCreateWindow(wxPoint&, wxSize&)
{
    return true;
}

int CFrameWnd::OnCreate(CCreateContext*)
{
    return 0;
}

bool CFrameWnd::OnCreateClient(CCreateContext*)
{
    return true;
}

void CFrameWnd::OnClose()
{
    Destroy();
}

void CFrameWnd::OnDropFiles(wxDropFilesEvent& event)
{
    CWinApp* app = AfxGetApp();
    if (!app || event.GetNumberOfFiles() < 1)
        return;
    // One document at a time: the first file dropped is opened.
    app->OpenDocumentFile(FromWxString(event.GetFiles()[0]).c_str());
}
