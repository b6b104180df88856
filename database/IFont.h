#pragma once
// IFont: what the font manager uses of a font (entity type 19): the properties it matches
// fonts on, the count of its users and the handle of its text cache. The font class
// implements it beside CEntity; the font manager keeps fonts as entities.

#include <cstdint>

#include "platform/mfc/String.h"

// What fonts are matched on (CFontManager::GetFont).
struct CFontDescription {
    CString faceName;
    uint8_t style1 = 0;
    uint8_t style2 = 0;
    int32_t type = 0;
    uint8_t extra = 0;
    double pointSize = 0.0;
    // The font's text-cache object, compared by identity.
    const void* textCache = nullptr;
};

class IFont {
public:
    virtual ~IFont() = default;

    virtual CFontDescription GetDescription() const = 0;
    // The number of styles, texts and dimensions that use the font.
    virtual int32_t GetRefCount() const = 0;
    // With a change notice.
    virtual void SetRefCount(int32_t count) = 0;
    // Forgets the handle of the cached text (the cache lives in one GL context).
    virtual void ClearCacheHandle() = 0;
};
