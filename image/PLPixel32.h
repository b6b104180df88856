#pragma once

#include <cstdint>

// One 32-bit pixel or palette entry, in memory order blue, green, red, alpha.
struct PLPixel32 {
    uint8_t b = 0;
    uint8_t g = 0;
    uint8_t r = 0;
    uint8_t a = 0;

    friend bool operator==(const PLPixel32&, const PLPixel32&) = default;
};
static_assert(sizeof(PLPixel32) == 4);
