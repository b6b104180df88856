#include "platform/win32/Cursor.h"

#include <map>
#include <memory>

namespace {

bool IsStandardCursorId(int id)
{
    switch (id) {
        case IDC_ARROW:
        case IDC_IBEAM:
        case IDC_WAIT:
        case IDC_CROSS:
        case IDC_UPARROW:
        case IDC_SIZE:
        case IDC_ICON:
        case IDC_SIZENWSE:
        case IDC_SIZENESW:
        case IDC_SIZEWE:
        case IDC_SIZENS:
        case IDC_SIZEALL:
        case IDC_NO:
        case IDC_HAND:
        case IDC_APPSTARTING:
        case IDC_HELP: return true;
        default: return false;
    }
}

// Made on first use and kept until exit, like the system's shared cursors.
std::map<int, std::unique_ptr<HICON__>>& StandardCursors()
{
    static std::map<int, std::unique_ptr<HICON__>> cursors;
    return cursors;
}

}  // namespace

HCURSOR LoadCursor(HINSTANCE module, int cursorId)
{
    if (module || !IsStandardCursorId(cursorId))
        return nullptr;
    std::unique_ptr<HICON__>& cursor = StandardCursors()[cursorId];
    if (!cursor)
        cursor = std::make_unique<HICON__>(HICON__{false, 0, 0, 0, 0, {}});
    return cursor.get();
}

int GetStandardCursorId(HCURSOR cursor)
{
    if (!cursor)
        return 0;
    for (const auto& [id, standard] : StandardCursors())
        if (standard.get() == cursor)
            return id;
    return 0;
}
