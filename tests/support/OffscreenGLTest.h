#pragma once

#include "platform/wgl/EglPbufferContext.h"
#include "tests/support/GLPixelCheck.h"

#include <gtest/gtest.h>

#include <memory>

// A test with its own offscreen GL context (RGBA8, 24-bit depth, 8-bit stencil, no
// multisampling), current for the whole test. The projection maps one unit to one pixel:
// x from 0 to Width(), y from 0 to Height() with (0, 0) bottom-left, and z from -1 (far)
// to 1 (near). After the test body, the GL state must be clean (GLStateIsClean).
//
// A derived fixture picks another size through the constructor.
class OffscreenGLTest : public ::testing::Test {
protected:
    explicit OffscreenGLTest(int width = 64, int height = 64) : m_width(width), m_height(height) {}

    void SetUp() override;
    void TearDown() override;

    CEglPbufferContext& Context() { return *m_context; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }

    // Sets the projection and model-view matrices described above.
    void UsePixelProjection() const;

private:
    int m_width;
    int m_height;
    std::unique_ptr<CEglPbufferContext> m_context;
};
