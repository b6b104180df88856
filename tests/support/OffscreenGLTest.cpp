#include "tests/support/OffscreenGLTest.h"

#include <GL/gl.h>

#include <string>

void OffscreenGLTest::SetUp()
{
    std::string failure;
    context_ = CEglPbufferContext::Create(width_, height_, {}, &failure);
    ASSERT_TRUE(context_) << failure;
    ASSERT_TRUE(context_->MakeCurrent());
    UsePixelProjection();
}

void OffscreenGLTest::TearDown()
{
    if (!context_)
        return;
    EXPECT_TRUE(GLStateIsClean()) << "after the test body";
    context_.reset();
}

void OffscreenGLTest::UsePixelProjection() const
{
    glViewport(0, 0, width_, height_);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, width_, 0.0, height_, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
