#pragma once
// The status bar and its measurements box as tools and views see them: a hook that the
// application installs once its status bar exists. Until then every call does nothing and
// the measurements box reads as hidden, so tools run the same without a main window.

#include "platform/mfc/String.h"

namespace StatusBar {

class UI {
public:
    virtual ~UI() = default;
    virtual void Refresh() {}
    virtual void SetPromptText(const CString& /*text*/) {}
    virtual bool IsValueBoxVisible() { return false; }
    virtual void ShowValueBox(bool /*show*/) {}
    virtual void SetValueLabel(const CString& /*text*/) {}
    virtual void SetValueText(const CString& /*text*/, bool /*flag*/) {}
};

// Null uninstalls; returns the previous hook. The caller keeps the hook alive while installed.
UI* SetHook(UI* hook);
UI* GetHook();

void Refresh();
void SetPromptText(const CString& text);
bool IsValueBoxVisible();
void ShowValueBox(bool show);
void SetValueLabel(const CString& text);
void SetValueText(const CString& text, bool flag);

}  // namespace StatusBar
