#pragma once

#include "image/PLFilter.h"

#include <cstdint>

// Resizing to a new width and height.
class PLFilterResize : public PLFilter {
public:
    PLFilterResize(int32_t newWidth, int32_t newHeight) : m_newXSize(newWidth), m_newYSize(newHeight) {}

protected:
    int32_t m_newXSize;
    int32_t m_newYSize;
};

// Resizing with a triangle kernel 0.64 source pixels wide, widened when shrinking. Works
// on 24 and 32-bit bitmaps and 8-bit greyscale ones; others raise code 6.
class PLFilterResizeBilinear : public PLFilterResize {
public:
    using PLFilterResize::PLFilterResize;
    void ApplyFilter(const PLBmp& source, PLBmp& destination) const override;
};
