#pragma once
// The application's menus as tools and panels see them. A tool builds a context menu through
// CZephyronMenu without touching the window system, and asks the menu hook, which the
// application installs at start-up, to show it. Without a hook no menu is shown, context-menu
// requests report unhandled and there are no accelerator texts.

#include "platform/mfc/String.h"

class CCommand;
class IZphView;

// A menu being built. The base builds nothing.
class CZephyronMenu {
public:
    virtual ~CZephyronMenu() = default;
    // An item that runs the command; state flags as CCommand's (greyed, ticked). The
    // accelerator parameter, when not 0, asks the hook for the shortcut text shown after the
    // item's text.
    virtual void AddCommandItem(const wchar_t* /*text*/, CCommand* /*command*/, int /*stateFlags*/,
                                int /*acceleratorParameter*/)
    {}
    // An item that calls the function; flags and accelerator parameter as above.
    virtual void AddMenuItem(const wchar_t* /*text*/, void (* /*function*/)(), int /*stateFlags*/,
                             int /*acceleratorParameter*/)
    {}
    virtual void AddSeparator() {}
    // The new sub-menu, owned by this menu; null when none was made.
    virtual CZephyronMenu* AddSubMenu(const wchar_t* /*text*/) { return nullptr; }
};

namespace ZephyronMenuHelper {

class UI {
public:
    virtual ~UI() = default;
    // Shows the application's context menu for a right click (or the menu key) at a client
    // point of the view; true when it handled the request.
    virtual bool HandleContextMenu(int /*flags*/, int /*x*/, int /*y*/, IZphView* /*view*/) { return false; }
    // A new, empty popup menu for the caller to fill, show and delete; null when none can be
    // made.
    virtual CZephyronMenu* CreatePopupMenu() { return nullptr; }
    // The shortcut text of an accelerator parameter; empty when there is none.
    virtual CString GetAcceleratorText(int /*acceleratorParameter*/) { return CString(); }
    // Shows the menu at a client point of the owner view (a screen point without one) and
    // returns when it closes; false when it was not shown.
    virtual bool ShowPopupMenu(CZephyronMenu* /*menu*/, int /*x*/, int /*y*/, IZphView* /*owner*/)
    {
        return false;
    }
};

// Null uninstalls; returns the previous hook. The caller keeps the hook alive while installed.
UI* SetHook(UI* hook);
UI* GetHook();
bool HandleContextMenu(int flags, int x, int y, IZphView* view);
CString GetAcceleratorText(int acceleratorParameter);
bool ShowPopupMenu(CZephyronMenu* menu, int x, int y, IZphView* owner);
CZephyronMenu* CreatePopupMenu();

}  // namespace ZephyronMenuHelper
