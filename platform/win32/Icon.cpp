#include "platform/win32/Icon.h"

#include <cstddef>
#include <new>

HICON CreateIconFromPixels(const ICONPIXELS* info)
{
    if (!info || !info->colour || info->width < 1 || info->height < 1)
        return nullptr;
    const size_t count = size_t(info->width) * size_t(info->height);
    const BYTE* colour = info->colour;
    bool hasAlpha = false;
    for (size_t i = 0; i < count && !hasAlpha; ++i)
        hasAlpha = colour[4 * i + 3] != 0;
    auto* icon = new (std::nothrow) HICON__{info->fIcon != 0, int(info->xHotspot), int(info->yHotspot),
                                            int(info->width), int(info->height),   {}};
    if (!icon)
        return nullptr;
    try {
        icon->rgba.resize(4 * count);
    } catch (const std::bad_alloc&) {
        delete icon;
        return nullptr;
    }
    for (size_t i = 0; i < count; ++i) {
        const BYTE* in = colour + 4 * i;
        BYTE* out = icon->rgba.data() + 4 * i;
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
        out[3] = info->mask && info->mask[i] ? 0 : hasAlpha ? in[3] : 255;
    }
    return icon;
}

BOOL DestroyIcon(HICON icon)
{
    if (!icon)
        return 0;
    delete icon;
    return 1;
}

BOOL DestroyCursor(HCURSOR cursor)
{
    return DestroyIcon(cursor);
}
