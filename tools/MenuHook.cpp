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

bool HandleContextMenu(int flags, int x, int y, IZphView* view)
{
    return g_hook && g_hook->HandleContextMenu(flags, x, y, view);
}

}  // namespace ZephyronMenuHelper
