#include "tools/MenuHook.h"

namespace ZephyronMenuHelper {

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

bool HandleContextMenu(int flags, int x, int y, IZphView* view)
{
    return g_hook && g_hook->HandleContextMenu(flags, x, y, view);
}

CString GetAcceleratorText(int acceleratorParameter)
{
    return g_hook ? g_hook->GetAcceleratorText(acceleratorParameter) : CString();
}

bool ShowPopupMenu(CZephyronMenu* menu, int x, int y, IZphView* owner)
{
    return g_hook && g_hook->ShowPopupMenu(menu, x, y, owner);
}

CZephyronMenu* CreatePopupMenu()
{
    return g_hook ? g_hook->CreatePopupMenu() : nullptr;
}

}  // namespace ZephyronMenuHelper
