#pragma once

#include "platform/wgl/GLPixelReader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <iosfwd>

// One RGBA pixel as 8-bit channels.
struct GLPixel {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    std::uint8_t a = 0;

    // From channels in 0..1, as glColor and glClearColor take them.
    static GLPixel FromFloats(float r, float g, float b, float a = 1.0f);

    friend bool operator==(const GLPixel&, const GLPixel&) = default;
};

std::ostream& operator<<(std::ostream& out, const GLPixel& pixel);

// The opaque plain colours the drawing tests paint with.
inline constexpr GLPixel kWhitePixel{255, 255, 255, 255};
inline constexpr GLPixel kBlackPixel{0, 0, 0, 255};
inline constexpr GLPixel kRedPixel{255, 0, 0, 255};
inline constexpr GLPixel kGreenPixel{0, 255, 0, 255};
inline constexpr GLPixel kBluePixel{0, 0, 255, 255};

// Clears colour (to that colour), depth (to the far plane) and stencil (to 0) of the
// current context.
void ClearGLBuffers(const GLPixel& color);

// The pixel at (x, y) in GL window coordinates ((0, 0) is bottom-left) of the current
// context's read buffer.
GLPixel ReadGLPixel(int x, int y);

// Every channel within the tolerance: the rasteriser may round a channel by one or two.
::testing::AssertionResult PixelNear(const GLPixel& actual, const GLPixel& expected, int tolerance = 2);

// No GL error pending, and the attribute, client-attribute, matrix and name stacks back at
// their initial depths: what every drawing routine must leave behind.
::testing::AssertionResult GLStateIsClean();
