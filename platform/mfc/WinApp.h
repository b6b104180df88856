#pragma once
// CWinApp: the application object as the viewer's start-up and commands use it, over wxApp.
// One object exists per process; AfxWinMain runs it: wxWidgets starts, InitInstance runs in
// place of wxApp::OnInit (ExitInstance follows also when it fails), idle time goes to OnIdle,
// and ExitInstance runs when the last window has gone.
//
// Also here: the per-user profile under "Software\<registry key>\<application name>\<section>"
// in HKEY_CURRENT_USER, the recent-file list kept in the profile section "Recent File List",
// and the single-document template that makes the one document, its frame and its view.

#include <memory>
#include <vector>

#include "platform/mfc/CommandLineInfo.h"
#include "platform/mfc/String.h"

class CDocument;
class CFrameWnd;
struct CRuntimeClass;

// The most recently used files, newest first, at most a fixed number. Changes are written to
// the profile at once.
class CRecentFileList {
public:
    CRecentFileList(int maxSize, const wchar_t* section, const wchar_t* entryFormat);

    int GetSize() const { return static_cast<int>(m_files.size()); }
    int GetMaxSize() const { return m_maxSize; }
    const CString& operator[](int index) const { return m_files.at(static_cast<size_t>(index)); }
    // Moves the path to the front; the oldest entry drops out when the list is full.
    void Add(const CString& path);
    // Out-of-range indexes change nothing.
    void Remove(int index);
    void ReadList();
    void WriteList() const;

private:
    int m_maxSize;
    CString m_section;
    CString m_entryFormat;
    std::vector<CString> m_files;
};

struct CCreateContext {
    const CRuntimeClass* m_pNewViewClass = nullptr;
    CDocument* m_pCurrentDoc = nullptr;
};

// The one template of a single-document application: a document class, a frame class and a
// view class, made at the first new or open and reused afterwards. The resource string of the
// template's id is given with it: "<window title>\n<document name>\n...".
class CSingleDocTemplate {
public:
    CSingleDocTemplate(unsigned resourceId, const CString& docString, const CRuntimeClass* documentClass,
                       const CRuntimeClass* frameClass, const CRuntimeClass* viewClass);
    ~CSingleDocTemplate();
    CSingleDocTemplate(const CSingleDocTemplate&) = delete;
    CSingleDocTemplate& operator=(const CSingleDocTemplate&) = delete;

    // Null path: a new, empty document. The document (and at first its frame and view) is
    // made when missing; null when the document refuses. A refused open leaves an empty
    // document behind, as the open step deleted the contents.
    CDocument* OpenDocumentFile(const wchar_t* pathName);
    CDocument* GetDocument() const { return m_document.get(); }
    unsigned GetResourceId() const { return m_resourceId; }
    // The field of the resource string: 0 window title, 1 document name, ...
    CString GetDocString(int index) const;
    // Forgets the frame (it destroys itself) and deletes the document.
    void CloseAllDocuments();
    void OnFrameDestroyed(CFrameWnd* frame);

private:
    bool CreateFrame();
    void DestroyFrame();

    unsigned m_resourceId;
    CString m_docString;
    const CRuntimeClass* m_documentClass;
    const CRuntimeClass* m_frameClass;
    const CRuntimeClass* m_viewClass;
    std::unique_ptr<CDocument> m_document;
    CFrameWnd* m_frame = nullptr;
};

class CWinApp {
public:
    // Without a name the application is named after the program's file.
    explicit CWinApp(const wchar_t* appName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual bool InitInstance() { return true; }
    // Closes the document and frees the template; the program's exit code.
    virtual int ExitInstance();
    // True while more idle time is wanted.
    virtual bool OnIdle(long count);

    // The program's arguments, without the program's name.
    void SetArguments(std::vector<CString> arguments) { m_arguments = std::move(arguments); }
    const std::vector<CString>& GetArguments() const { return m_arguments; }
    void ParseCommandLine(CCommandLineInfo& info) { ::ParseCommandLine(m_arguments, info); }
    // New or open as the command line says; false when that fails.
    bool ProcessShellCommand(CCommandLineInfo& info);

    virtual CDocument* OpenDocumentFile(const wchar_t* pathName);
    virtual void OnFileNew();
    void AddDocTemplate(CSingleDocTemplate* docTemplate);
    CSingleDocTemplate* GetDocTemplate() const { return m_docTemplate.get(); }

    const CString& GetAppName() const { return m_appName; }
    void SetRegistryKey(const wchar_t* company);
    const CString& GetRegistryKey() const { return m_registryKey; }
    // The recent-file list with that many entries, read from the profile.
    void LoadStdProfileSettings(int maxRecentFiles = 4);
    CRecentFileList* GetRecentFileList() const { return m_recentFileList.get(); }
    void AddToRecentFileList(const wchar_t* pathName);

    // Without a registry key the profile is empty: reads give the default, writes fail.
    int GetProfileInt(const wchar_t* section, const wchar_t* entry, int defaultValue);
    bool WriteProfileInt(const wchar_t* section, const wchar_t* entry, int value);
    CString GetProfileString(const wchar_t* section, const wchar_t* entry, const wchar_t* defaultValue = L"");
    bool WriteProfileString(const wchar_t* section, const wchar_t* entry, const wchar_t* value);

    CFrameWnd* m_pMainWnd = nullptr;

private:
    CString SectionKey(const wchar_t* section) const;

    CString m_appName;
    CString m_registryKey;
    std::vector<CString> m_arguments;
    std::unique_ptr<CSingleDocTemplate> m_docTemplate;
    std::unique_ptr<CRecentFileList> m_recentFileList;
};

// The application object, null when there is none.
CWinApp* AfxGetApp();
// The application's main window, null when there is none.
CFrameWnd* AfxGetMainWnd();
// Runs the application object over wxWidgets with the program's arguments; the exit code.
int AfxWinMain(int argc, char** argv);
