#pragma once
// ISceneTabs: the main frame's row of scene tabs as the document drives it. The frame
// implements it; the document is given it once the frame exists, and skips the tab steps
// until then.

class ISceneTabs {
public:
    virtual ~ISceneTabs() = default;
    virtual void ShowSceneTabs(bool show) = 0;
    // No tab selected; the tabs select a scene again when "Page Notification" code 3
    // announces it.
    virtual void ClearSceneTabSelection() = 0;
};
