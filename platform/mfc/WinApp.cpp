#include "platform/mfc/WinApp.h"

#include <wx/app.h>
#include <wx/msgdlg.h>

#include <fstream>
#include <string>

#include "platform/mfc/Document.h"
#include "platform/mfc/FrameWnd.h"
#include "platform/mfc/MessageBox.h"
#include "platform/mfc/TextEncoding.h"
#include "platform/mfc/WxText.h"
#include "platform/win32/Registry.h"
#include "platform/win32/SystemInfo.h"

namespace {

CWinApp* theApp = nullptr;

CString ProgramName()
{
    wchar_t path[4096];
    if (GetModuleFileName(nullptr, path, std::size(path)) == 0)
        return L"Application";
    const std::wstring text = path;
    const size_t slash = text.find_last_of(L'/');
    return text.substr(slash == std::wstring::npos ? 0 : slash + 1).c_str();
}

bool CanBeRead(const wchar_t* pathName)
{
    return std::ifstream(WideToUtf8(pathName)).good();
}

void ResetToNewDocument(CDocument& document, CFrameWnd& frame)
{
    document.SetPathName(CString());
    if (document.OnNewDocument())
        frame.InitialUpdateFrame(&document, true);
}

}  // namespace

// ----------------------------------------------------------------------------------------------
// Recent files.

CRecentFileList::CRecentFileList(int maxSize, const wchar_t* section, const wchar_t* entryFormat)
    : m_maxSize(maxSize < 1 ? 1 : maxSize), m_section(section), m_entryFormat(entryFormat)
{}

void CRecentFileList::Add(const CString& path)
{
    if (path.IsEmpty())
        return;
    for (size_t i = 0; i < m_files.size(); ++i) {
        if (m_files[i] == path) {
            m_files.erase(m_files.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
    }
    m_files.insert(m_files.begin(), path);
    if (static_cast<int>(m_files.size()) > m_maxSize)
        m_files.resize(static_cast<size_t>(m_maxSize));
    WriteList();
}

void CRecentFileList::Remove(int index)
{
    if (index < 0 || index >= GetSize())
        return;
    m_files.erase(m_files.begin() + index);
    WriteList();
}

void CRecentFileList::ReadList()
{
    m_files.clear();
    CWinApp* app = AfxGetApp();
    if (!app)
        return;
    for (int i = 0; i < m_maxSize; ++i) {
        CString entry;
        entry.Format(m_entryFormat.GetString(), i + 1);
        const CString path = app->GetProfileString(m_section, entry);
        if (!path.IsEmpty())
            m_files.push_back(path);
    }
}

void CRecentFileList::WriteList() const
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return;
    for (int i = 0; i < m_maxSize; ++i) {
        CString entry;
        entry.Format(m_entryFormat.GetString(), i + 1);
        app->WriteProfileString(m_section, entry,
                                i < GetSize() ? m_files[static_cast<size_t>(i)].GetString() : L"");
    }
}

// ----------------------------------------------------------------------------------------------
// The document template.

CSingleDocTemplate::CSingleDocTemplate(unsigned resourceId, const CString& docString,
                                       const CRuntimeClass* documentClass, const CRuntimeClass* frameClass,
                                       const CRuntimeClass* viewClass)
    : m_resourceId(resourceId),
      m_docString(docString),
      m_documentClass(documentClass),
      m_frameClass(frameClass),
      m_viewClass(viewClass)
{}

CSingleDocTemplate::~CSingleDocTemplate()
{
    CloseAllDocuments();
}

CString CSingleDocTemplate::GetDocString(int index) const
{
    const std::wstring text = m_docString.GetString();
    size_t start = 0;
    for (int i = 0; i < index; ++i) {
        start = text.find(L'\n', start);
        if (start == std::wstring::npos)
            return {};
        ++start;
    }
    const size_t end = text.find(L'\n', start);
    return text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start).c_str();
}

bool CSingleDocTemplate::CreateFrame()
{
    CObject* object = m_frameClass ? m_frameClass->CreateObject() : nullptr;
    auto* frame = dynamic_cast<CFrameWnd*>(object);
    if (!frame) {
        delete object;
        return false;
    }
    m_frame = frame;
    CCreateContext context{m_viewClass, m_document.get()};
    if (!frame->LoadFrame(GetDocString(0), &context)) {
        // LoadFrame destroyed the window it made; a frame whose window never existed is ours.
        if (m_frame == frame && !frame->GetHandle())
            delete frame;
        m_frame = nullptr;
        return false;
    }
    if (CWinApp* app = AfxGetApp(); app && !app->m_pMainWnd)
        app->m_pMainWnd = frame;
    return true;
}

CDocument* CSingleDocTemplate::OpenDocumentFile(const wchar_t* pathName)
{
    bool createdDocument = false;
    if (!m_document) {
        CObject* object = m_documentClass ? m_documentClass->CreateObject() : nullptr;
        auto* document = dynamic_cast<CDocument*>(object);
        if (!document) {
            delete object;
            return nullptr;
        }
        m_document.reset(document);
        createdDocument = true;
    } else if (!m_document->SaveModified()) {
        return nullptr;
    }

    bool createdFrame = false;
    if (!m_frame) {
        if (!CreateFrame()) {
            if (createdDocument)
                m_document.reset();
            return nullptr;
        }
        createdFrame = true;
    }

    CDocument* document = m_document.get();
    if (!pathName) {
        if (!document->OnNewDocument()) {
            if (createdFrame)
                DestroyFrame();
            return nullptr;
        }
        document->SetPathName(CString());
    } else if (!document->OnOpenDocument(pathName)) {
        // The user has been told why.
        if (createdFrame) {
            DestroyFrame();
            return nullptr;
        }
        // A file that could not even be opened left the document as it was; otherwise the
        // open step had already deleted the old contents, and an empty document is shown.
        if (CanBeRead(pathName))
            ResetToNewDocument(*document, *m_frame);
        return nullptr;
    } else {
        document->SetPathName(pathName);
        if (CWinApp* app = AfxGetApp())
            app->AddToRecentFileList(pathName);
    }
    m_frame->InitialUpdateFrame(document, true);
    return document;
}

void CSingleDocTemplate::CloseAllDocuments()
{
    DestroyFrame();
    if (m_document) {
        m_document->OnCloseDocument();
        m_document.reset();
    }
}

void CSingleDocTemplate::DestroyFrame()
{
    // At once, not at the next idle time as wx destroys top-level windows: the views hold the
    // document's contents and must go before the document.
    CFrameWnd* frame = m_frame;
    m_frame = nullptr;
    if (frame && wxTheApp && wxTheApp->IsScheduledForDestruction(frame))
        wxPendingDelete.DeleteObject(frame);
    delete frame;
}

void CSingleDocTemplate::OnFrameDestroyed(CFrameWnd* frame)
{
    if (m_frame == frame)
        m_frame = nullptr;
}

// ----------------------------------------------------------------------------------------------
// The application.

CWinApp::CWinApp(const wchar_t* appName)
{
    theApp = this;
    if (appName && *appName) {
        m_appName = appName;
        return;
    }
    m_appName = ProgramName();
}

CWinApp::~CWinApp()
{
    m_docTemplate.reset();
    if (theApp == this)
        theApp = nullptr;
}

int CWinApp::ExitInstance()
{
    if (m_docTemplate)
        m_docTemplate->CloseAllDocuments();
    m_docTemplate.reset();
    return 0;
}

bool CWinApp::OnIdle(long)
{
    return false;
}

bool CWinApp::ProcessShellCommand(CCommandLineInfo& info)
{
    switch (info.m_nShellCommand) {
        case CCommandLineInfo::FileNew: OnFileNew(); return m_pMainWnd != nullptr;
        case CCommandLineInfo::FileOpen:
        // Printing from the command line is not offered: the file is opened instead.
        case CCommandLineInfo::FilePrint:
        case CCommandLineInfo::FilePrintTo: return OpenDocumentFile(info.m_strFileName) != nullptr;
        case CCommandLineInfo::FileDDE:
        case CCommandLineInfo::FileNothing: return true;
        case CCommandLineInfo::AppRegister:
        case CCommandLineInfo::AppUnregister:
            // Nothing to register on this platform; the program has done its job.
            return false;
    }
    return false;
}

CDocument* CWinApp::OpenDocumentFile(const wchar_t* pathName)
{
    return m_docTemplate ? m_docTemplate->OpenDocumentFile(pathName) : nullptr;
}

void CWinApp::OnFileNew()
{
    if (m_docTemplate)
        m_docTemplate->OpenDocumentFile(nullptr);
}

void CWinApp::AddDocTemplate(CSingleDocTemplate* docTemplate)
{
    m_docTemplate.reset(docTemplate);
}

void CWinApp::SetRegistryKey(const wchar_t* company)
{
    m_registryKey = company;
}

void CWinApp::LoadStdProfileSettings(int maxRecentFiles)
{
    m_recentFileList = std::make_unique<CRecentFileList>(maxRecentFiles, L"Recent File List", L"File%d");
    m_recentFileList->ReadList();
}

void CWinApp::AddToRecentFileList(const wchar_t* pathName)
{
    if (m_recentFileList && pathName)
        m_recentFileList->Add(pathName);
}

CString CWinApp::SectionKey(const wchar_t* section) const
{
    return CString(L"Software\\") + m_registryKey + L"\\" + m_appName + L"\\" + section;
}

int CWinApp::GetProfileInt(const wchar_t* section, const wchar_t* entry, int defaultValue)
{
    if (m_registryKey.IsEmpty())
        return defaultValue;
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, SectionKey(section), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return defaultValue;
    DWORD value = 0;
    DWORD type = REG_NONE;
    DWORD size = sizeof value;
    const LSTATUS status =
        RegQueryValueEx(key, entry, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_DWORD)
        return defaultValue;
    return static_cast<int>(value);
}

bool CWinApp::WriteProfileInt(const wchar_t* section, const wchar_t* entry, int value)
{
    if (m_registryKey.IsEmpty())
        return false;
    HKEY key = nullptr;
    if (RegCreateKeyEx(HKEY_CURRENT_USER, SectionKey(section), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                       nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const DWORD data = static_cast<DWORD>(value);
    const LSTATUS status =
        RegSetValueEx(key, entry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

CString CWinApp::GetProfileString(const wchar_t* section, const wchar_t* entry, const wchar_t* defaultValue)
{
    if (m_registryKey.IsEmpty())
        return defaultValue;
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, SectionKey(section), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return defaultValue;
    DWORD type = REG_NONE;
    DWORD size = 0;
    CString result = defaultValue;
    if (RegQueryValueEx(key, entry, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_SZ) {
        std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
        if (RegQueryValueEx(key, entry, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) ==
            ERROR_SUCCESS)
            result = text.c_str();
    }
    RegCloseKey(key);
    return result;
}

bool CWinApp::WriteProfileString(const wchar_t* section, const wchar_t* entry, const wchar_t* value)
{
    if (m_registryKey.IsEmpty())
        return false;
    HKEY key = nullptr;
    if (RegCreateKeyEx(HKEY_CURRENT_USER, SectionKey(section), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                       nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const std::wstring text = value ? value : L"";
    const LSTATUS status = RegSetValueEx(key, entry, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                         static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

CWinApp* AfxGetApp()
{
    return theApp;
}

CFrameWnd* AfxGetMainWnd()
{
    return theApp ? theApp->m_pMainWnd : nullptr;
}

// ----------------------------------------------------------------------------------------------
// The application over wxWidgets.

namespace {

int ShowMessageBox(const CString& text, unsigned type)
{
    long style = wxOK | wxCENTRE;
    if ((type & 0x0F) == MB_YESNO)
        style = wxYES_NO | wxCENTRE;
    else if ((type & 0x0F) == MB_OKCANCEL)
        style = wxOK | wxCANCEL | wxCENTRE;
    if ((type & 0xF0) == MB_ICONEXCLAMATION)
        style |= wxICON_EXCLAMATION;
    else if ((type & 0xF0) == MB_ICONINFORMATION)
        style |= wxICON_INFORMATION;
    wxWindow* parent = AfxGetMainWnd();
    switch (wxMessageBox(ToWxString(text.GetString()), wxTheApp ? wxTheApp->GetAppDisplayName() : wxString(),
                         style, parent)) {
        case wxYES: return IDYES;
        case wxNO: return IDNO;
        case wxCANCEL: return IDCANCEL;
        default: return IDOK;
    }
}

class CWinAppHost : public wxApp {
public:
    bool OnInit() override
    {
        CWinApp* app = AfxGetApp();
        if (!app)
            return false;
        std::vector<CString> arguments;
        for (int i = 1; i < argc; ++i)
            arguments.emplace_back(FromWxString(argv[i]).c_str());
        app->SetArguments(std::move(arguments));
        SetAppDisplayName(ToWxString(app->GetAppName().GetString()));
        SetMessageBoxHook(ShowMessageBox);
        Bind(wxEVT_IDLE, &CWinAppHost::OnIdleEvent, this);
        if (app->InitInstance())
            return true;
        // As the framework does: the exit steps run also after a failed start.
        app->ExitInstance();
        return false;
    }

    int OnExit() override
    {
        CWinApp* app = AfxGetApp();
        const int code = app ? app->ExitInstance() : 0;
        SetMessageBoxHook(nullptr);
        return code;
    }

private:
    void OnIdleEvent(wxIdleEvent& event)
    {
        event.Skip();
        CWinApp* app = AfxGetApp();
        if (app && app->OnIdle(m_idleCount++))
            event.RequestMore();
        else
            m_idleCount = 0;
    }

    long m_idleCount = 0;
};

}  // namespace

int AfxWinMain(int argc, char** argv)
{
    wxApp::SetInstance(new CWinAppHost);
    return wxEntry(argc, argv);
}
