#include "tests/support/GLPixelCheck.h"

#include <GL/gl.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <ostream>
#include <sstream>

GLPixel GLPixel::FromFloats(float r, float g, float b, float a)
{
    const auto channel = [](float value) { return static_cast<std::uint8_t>(std::lround(value * 255.0f)); };
    return {channel(r), channel(g), channel(b), channel(a)};
}

std::ostream& operator<<(std::ostream& out, const GLPixel& pixel)
{
    return out << "(" << int(pixel.r) << ", " << int(pixel.g) << ", " << int(pixel.b) << ", " << int(pixel.a)
               << ")";
}

void ClearGLBuffers(const GLPixel& color)
{
    glClearColor(color.r / 255.0f, color.g / 255.0f, color.b / 255.0f, color.a / 255.0f);
    glClearDepth(1.0);
    glClearStencil(0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
}

GLPixel ReadGLPixel(int x, int y)
{
    std::array<std::uint8_t, 4> rgba{};
    ReadGLPixels({x, y, 1, 1}, GLPixelLayout::RGBA, GLRowOrder::BottomFirst, rgba);
    return {rgba[0], rgba[1], rgba[2], rgba[3]};
}

::testing::AssertionResult PixelNear(const GLPixel& actual, const GLPixel& expected, int tolerance)
{
    const auto near = [tolerance](std::uint8_t a, std::uint8_t b) {
        return std::abs(int(a) - int(b)) <= tolerance;
    };
    if (near(actual.r, expected.r) && near(actual.g, expected.g) && near(actual.b, expected.b) &&
        near(actual.a, expected.a))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "pixel " << actual << " is not within " << tolerance << " of " << expected;
}

::testing::AssertionResult GLStateIsClean()
{
    struct Stack {
        GLenum depth;
        const char* name;
        GLint initial;
    };
    static constexpr Stack stacks[] = {
        {GL_ATTRIB_STACK_DEPTH, "attribute", 0},     {GL_CLIENT_ATTRIB_STACK_DEPTH, "client attribute", 0},
        {GL_MODELVIEW_STACK_DEPTH, "model-view", 1}, {GL_PROJECTION_STACK_DEPTH, "projection", 1},
        {GL_TEXTURE_STACK_DEPTH, "texture", 1},      {GL_NAME_STACK_DEPTH, "name", 0},
    };
    std::ostringstream problems;
    // Several error flags may be set at once; each glGetError call returns and clears one.
    // The bound keeps a lost context (which reports forever) from looping.
    for (int flag = 0; flag < 8; ++flag) {
        const GLenum error = glGetError();
        if (error == GL_NO_ERROR)
            break;
        problems << "GL error 0x" << std::hex << error << std::dec << " pending; ";
    }
    for (const Stack& stack : stacks) {
        GLint depth = -1;
        glGetIntegerv(stack.depth, &depth);
        if (depth != stack.initial)
            problems << "the " << stack.name << " stack is " << depth << " deep, not " << stack.initial
                     << "; ";
    }
    if (problems.tellp() == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << problems.str();
}
