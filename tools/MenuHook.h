#pragma once
// The application's context menus as the tool manager sees them: a hook that the application
// installs at start-up. Without one no context menu is shown and requests report unhandled.

class IZphView;

namespace ZephyronMenuHelper {

class UI {
public:
    virtual ~UI() = default;
    // Shows the application's context menu for a right click (or the menu key) at a client
    // point of the view; true when it handled the request.
    virtual bool HandleContextMenu(int /*flags*/, int /*x*/, int /*y*/, IZphView* /*view*/) { return false; }
};

// Null uninstalls; returns the previous hook. The caller keeps the hook alive while installed.
UI* SetHook(UI* hook);
bool HandleContextMenu(int flags, int x, int y, IZphView* view);

}  // namespace ZephyronMenuHelper
