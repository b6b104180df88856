#pragma once
// CMenu and CCmdUI: menus as the shell builds and updates them, over wxMenu.
//
// A CMenu holds one wxMenu. A menu it made itself (CreatePopupMenu) it owns and destroys;
// an attached one belongs to whoever attached it. Inserting a popup moves that popup's menu
// into this one, which then owns it.
//
// A CCmdUI carries one command id through an update handler and records what the handler
// asked for: enabled or greyed, and the check state (0 clear, 1 set, 2 indeterminate).

#include <cstdint>

#include "platform/win32/WinTypes.h"

class wxMenu;
class wxUpdateUIEvent;
class wxWindow;

// Menu flags; greyed and checked are the same bits as a command's state flags.
constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_CHECKED = 0x0008;
constexpr UINT MF_POPUP = 0x0010;
constexpr UINT MF_SEPARATOR = 0x0800;
constexpr UINT MF_BYPOSITION = 0x0400;
constexpr UINT TPM_LEFTALIGN = 0x0000;
constexpr UINT TPM_RIGHTBUTTON = 0x0002;

// wxWidgets takes item ids below 0x7fff, or in its own negative band of automatic ids. The
// framework's command ids from 33536 to 63535 (the run-time commands from 50000, the file and
// edit commands from 57600) are carried in that band as the id minus 65536; every other id is
// carried as it is. Automatic ids are handed out from the bottom of the band, far below the
// command ranges in use.
int WxIdFromCommandId(UINT id);
UINT CommandIdFromWxId(int id);

class CMenu {
public:
    CMenu() = default;
    virtual ~CMenu();
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    // A new, empty menu that this object owns; false when it already holds one.
    bool CreatePopupMenu();
    // Holds a menu owned elsewhere; false when it already holds one.
    bool Attach(wxMenu* menu);
    // Lets go of the menu without destroying it.
    wxMenu* Detach();
    // Destroys an owned menu, lets go of an attached one.
    bool DestroyMenu();
    wxMenu* GetSafeMenu() const { return m_menu; }

    // -1 without a menu.
    int GetMenuItemCount() const;
    // The command id of the item at a position; 0 for a separator, UINT(-1) for a sub-menu
    // or a position out of range.
    UINT GetMenuItemID(int position) const;
    // The sub-menu at a position, null when the item is none.
    wxMenu* GetSubMenu(int position) const;

    // A string item (MF_STRING) or a separator (MF_SEPARATOR) at a position (MF_BYPOSITION);
    // a position at or past the end appends. False when it could not be inserted.
    bool InsertMenu(UINT position, UINT flags, UINT id, const wchar_t* text);
    // A sub-menu (MF_POPUP): the popup's menu moves into this one.
    bool InsertMenu(UINT position, UINT flags, CMenu* popup, const wchar_t* text);

    // Shows the menu at a screen point, owned by the window, and returns when it closes; a
    // chosen item arrives at the owner as a menu command.
    bool TrackPopupMenu(UINT flags, int x, int y, wxWindow* owner);

private:
    bool CanInsert(UINT position, UINT flags) const;

    wxMenu* m_menu = nullptr;
    bool m_owned = false;
};

class CCmdUI {
public:
    explicit CCmdUI(UINT id) : m_nID(id) {}
    virtual ~CCmdUI() = default;

    virtual void Enable(bool on = true);
    virtual void SetCheck(int check = 1);

    bool WasEnableSet() const { return m_enableSet; }
    bool IsEnabled() const { return m_enabled; }
    bool WasCheckSet() const { return m_checkSet; }
    int GetCheck() const { return m_check; }
    // Passes what the handler asked for to a window-system update; a check goes only to
    // checkable items, indeterminate shows as set.
    void ApplyTo(wxUpdateUIEvent& event, bool checkable) const;

    UINT m_nID;

private:
    bool m_enableSet = false;
    bool m_enabled = true;
    bool m_checkSet = false;
    int m_check = 0;
};
