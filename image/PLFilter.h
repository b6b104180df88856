#pragma once

#include "image/PLObject.h"

class PLBmp;

// A transformation of a codec bitmap, from a source into a destination or in place. A
// filter overrides ApplyFilter or Apply; each default is made of the other.
class PLFilter : public PLObject {
public:
    // In place: filters into a temporary bitmap, which the bitmap then copies.
    virtual void Apply(PLBmp& bmp) const;
    // The destination becomes a copy of the source (unless they are one), then Apply.
    virtual void ApplyFilter(const PLBmp& source, PLBmp& destination) const;
};

// A filter that works in place.
class PLInPlaceFilter : public PLFilter {
public:
    void Apply(PLBmp& bmp) const override { ApplyInPlace(bmp); }
    virtual void ApplyInPlace(PLBmp& bmp) const = 0;
};
