#pragma once
// CViewerApp: the viewer's application object. Start-up installs the process-wide hooks
// (CAppServices), parses the command line, chooses the language and loads the localised
// resources, sets up the graphics configuration, the profile and the four recent files,
// registers the one document template and opens the first document, then shows the window
// and, when asked, starts the slideshow. Exit undoes it in a fixed order, the hooks last.
//
// Beside it, the process-wide accessors through which the rest of the program reaches the
// shell: the current model view, the redraw of the active document's views and the profile.

#include <optional>

#include "platform/mfc/WinApp.h"
#include "platform/win32/Icon.h"
#include "support/ResourceLoader.h"
#include "viewer/AppServices.h"

class CZphView;
class IZphView;

class CViewerApp : public CWinApp {
public:
    // The document template's resource id and string.
    static constexpr unsigned kDocTemplateId = 303;
    // The command that starts the slideshow.
    static constexpr int kPlayCommand = 10552;
    // The commands of the recent files.
    static constexpr unsigned kFirstRecentFileCommand = 57616;
    static constexpr unsigned kLastRecentFileCommand = 57631;

    CViewerApp();
    ~CViewerApp() override;

    bool InitInstance() override;
    int ExitInstance() override;
    bool OnIdle(long count) override;

    // New document, then "Resynch UI Notification" with the current model.
    void OnFileNew() override;
    // Opens the recent file of the command (57616 onwards); an entry that no longer opens is
    // removed. False for a command outside the list.
    bool OnOpenRecentFile(unsigned commandId);

    // Null outside InitInstance .. ExitInstance.
    CAppServices* GetServices() { return m_services ? &*m_services : nullptr; }

private:
    orbisk::utils::ResourceLoader m_resourceLoader;
    std::optional<CAppServices> m_services;
};

CViewerApp* GetViewerApp();

// The override when one is set, else the main window's active view; null when there is none.
IZphView* GetCurrentZphView();
// Sets, or with null clears, the override; returns the view given.
IZphView* SetCurrentZphView(IZphView* view);
// The main frame's active model view, whatever the override.
CZphView* GetActivPlumoraView();
// Redraws every view of the active document.
void UpdateActiveDocumentViews();

// The cursor of an id of the application's cursor table, null when there is none.
HCURSOR GetViewerCursor(int id);
// Shows the cursor over the active view (over the main window without one); null changes
// nothing.
void SetCursorIfValid(HCURSOR cursor);

// The application's profile; without an application the default (reads) or false (writes).
int GetAppProfileInt(const wchar_t* section, const wchar_t* entry, int defaultValue);
bool WriteAppProfileInt(const wchar_t* section, const wchar_t* entry, int value);
bool GetAppProfileBool(const wchar_t* section, const wchar_t* entry, bool defaultValue);
