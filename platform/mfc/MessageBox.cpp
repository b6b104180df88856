#include "platform/mfc/MessageBox.h"

#include <cstdio>
#include <utility>

namespace {

MessageBoxHook& Hook()
{
    static MessageBoxHook hook;
    return hook;
}

}  // namespace

int AfxMessageBox(const CString& text, unsigned type)
{
    if (const MessageBoxHook& hook = Hook())
        return hook(text, type);
    std::fprintf(stderr, "%ls\n", text.GetString());
    return IDOK;
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook)
{
    return std::exchange(Hook(), std::move(hook));
}

bool HasMessageBoxHook()
{
    return static_cast<bool>(Hook());
}
