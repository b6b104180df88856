#include "tools/StatusBarHook.h"

namespace StatusBar {

namespace {
UI* g_hook = nullptr;
}

UI* SetHook(UI* hook)
{
    UI* previous = g_hook;
    g_hook = hook;
    return previous;
}

UI* GetHook()
{
    return g_hook;
}

void Refresh()
{
    if (g_hook)
        g_hook->Refresh();
}

void SetPromptText(const CString& text)
{
    if (g_hook)
        g_hook->SetPromptText(text);
}

bool IsValueBoxVisible()
{
    return g_hook && g_hook->IsValueBoxVisible();
}

void ShowValueBox(bool show)
{
    if (g_hook)
        g_hook->ShowValueBox(show);
}

void SetValueLabel(const CString& text)
{
    if (g_hook)
        g_hook->SetValueLabel(text);
}

void SetValueText(const CString& text, bool flag)
{
    if (g_hook)
        g_hook->SetValueText(text, flag);
}

}  // namespace StatusBar
