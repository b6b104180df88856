#pragma once
// The window-system side of the run-time menus: CZephyronMenuWin builds a CZephyronMenu into a
// platform menu, CZphMenu is the popup that owns the commands of its items, and
// ViewerMenuHelperUI is the menu hook that the application installs at start-up. Also here: the
// values of the support table (web addresses and other deployment settings from
// "Support/Zephyron.dat").

#include <memory>
#include <string>

#include "platform/mfc/Menu.h"
#include "tools/MenuHook.h"

// A popup menu whose items carry commands. When it goes, the release of every command id of
// the command range in it or its sub-menus is queued: a command chosen from it may still be
// on its way.
class CZphMenu : public CMenu {
public:
    ~CZphMenu() override;
};

// Ids of the framework's menus that run-time items are placed in front of the tail of.
constexpr UINT kEditUndoCommand = 57643;
constexpr UINT kEditMenuMarkerCommand = 57667;
constexpr UINT kFileNewCommand = 57600;
constexpr UINT kFirstRecentFileCommand = 57616;

class CZephyronMenuWin : public CZephyronMenu {
public:
    // Over a menu (may be null: then nothing is built); owns the popup when one is given.
    CZephyronMenuWin(CMenu* menu, CZphMenu* ownedPopup);
    ~CZephyronMenuWin() override;
    CZephyronMenuWin(const CZephyronMenuWin&) = delete;
    CZephyronMenuWin& operator=(const CZephyronMenuWin&) = delete;

    // An item running the function; the item holds the command's first reference.
    void AddMenuItem(const wchar_t* text, void (*function)(), int stateFlags,
                     int acceleratorParameter) override;
    void AddCommandItem(const wchar_t* text, CCommand* command, int stateFlags,
                        int acceleratorParameter) override;
    void AddSeparator() override;
    // The sub-menu's object is the caller's to delete; the sub-menu itself belongs to this menu.
    CZephyronMenu* AddSubMenu(const wchar_t* text) override;
    // Shows the menu at a client point of the owner view (a screen point without one), owned
    // by the main window; false without a menu, without a main window or when it fails.
    bool TrackPopup(int x, int y, IZphView* owner);

    CMenu* GetMenu() const { return m_menu; }
    // Where the next item goes.
    UINT GetInsertPosition() const;

private:
    CMenu* m_menu;
    CZphMenu* m_ownedPopup;
    // A sub-menu's wrapper; the sub-menu itself belongs to its parent.
    std::unique_ptr<CMenu> m_subMenu;
};

// A new, empty popup menu (the deferred command releases run first); the caller deletes it.
CZephyronMenuWin* CreateZphPopupMenu();

// The application's menu hook: it shows the menus built with CreateZphPopupMenu and knows no
// accelerator texts.
class ViewerMenuHelperUI : public ZephyronMenuHelper::UI {
public:
    bool ShowPopupMenu(CZephyronMenu* menu, int x, int y, IZphView* owner) override;
    CZephyronMenu* CreatePopupMenu() override;
};

// The support table's value of the key, or the default, with its placeholders filled in:
// "{CULTURE}" and "{QWS_CULTURE}" from the language settings, "{VAULTRIX_SERVER}",
// "{QWS_SERVER}" and "{VERSION}" from the table itself when it has them, "{PLATFORM}" as "win".
void GetSupportValue(std::wstring& value, const std::wstring& key, const std::wstring& defaultValue);
void GetSupportValue(std::wstring& value, const std::wstring& key);
