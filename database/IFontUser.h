#pragma once
// IFontUser: an element that draws text with a font: a text (entity type 36) or a linear or
// radial dimension (13, 14). The font manager counts the users of its fonts through it; the
// text and dimension classes implement it beside CEntity.

class CEntity;

class IFontUser {
public:
    virtual ~IFontUser() = default;

    // The font the element draws with (a dimension's own, else its style's), or null.
    virtual CEntity* GetUsedFont() const = 0;
};
