#pragma once
// The main window's menu bar. Item texts and status-bar prompts are translated when the bar is
// built; an item whose command is ticked by its update handler is made checkable.

class wxMenuBar;

wxMenuBar* CreateMainMenuBar();
