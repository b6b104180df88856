#include "tests/support/OffscreenGLTest.h"

#include <GL/gl.h>

#include <string>

void OffscreenGLTest::SetUp()
{
    std::string failure;
    m_context = CEglPbufferContext::Create(m_width, m_height, {}, &failure);
    ASSERT_TRUE(m_context) << failure;
    ASSERT_TRUE(m_context->MakeCurrent());
    UsePixelProjection();
}

void OffscreenGLTest::TearDown()
{
    if (!m_context)
        return;
    EXPECT_TRUE(GLStateIsClean()) << "after the test body";
    m_context.reset();
}

void OffscreenGLTest::UsePixelProjection() const
{
    glViewport(0, 0, m_width, m_height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, m_width, 0.0, m_height, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
