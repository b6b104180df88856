#pragma once
// The camera context menu that every camera tool offers on a right click or the menu key: it
// switches between the navigation tools, ends the camera tool and zooms to the model's
// extents. This file gives the menu's items, in order, with the tick each shows now, and runs
// the command of a chosen item; the application's menu hook puts them on the screen.

#include <vector>

class IZphView;

struct CameraMenuItem {
    // Menu flag of a ticked item.
    static constexpr int kTicked = 8;
    // Untranslated; empty for a separator.
    const char* label;
    // 0 for a separator.
    int commandId;
    // kTicked or 0.
    int flags;

    bool IsSeparator() const { return commandId == 0; }
};

// Command ids of the menu's own items (the tool items use their tools' ids).
inline constexpr int kCameraMenuExit = 10530;
inline constexpr int kCameraMenuZoomExtents = 10527;

// The items with their ticks for the current tool manager.
std::vector<CameraMenuItem> BuildCameraContextMenu();
// Runs the item's command; false for an id the menu does not hold or whose tool this program
// does not have.
bool RunCameraMenuCommand(int commandId);
// The function a menu item calls for the command (it runs RunCameraMenuCommand).
void (*GetCameraMenuCallback(int commandId))();
// Builds the menu through the menu hook and shows it at a client point of the view; false when
// the menu is switched off, cannot be made or was not shown.
bool ShowCameraContextMenu(int x, int y, IZphView* view);
// Whether a camera tool's right click shows this menu ("Tools"/"CameraContextMenu", default on);
// otherwise the application's own context menu is used.
bool IsCameraContextMenuEnabled();
