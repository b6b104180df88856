// The offscreen context itself: creation and its pixel format, resizing, and which
// context is current.
#include "platform/wgl/EglPbufferContext.h"

#include "platform/wgl/GLCurrentBinding.h"
#include "tests/support/GLPixelCheck.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace {
std::unique_ptr<CEglPbufferContext> MakeContext(int width, int height, const GLPixelFormat& request = {})
{
    std::string failure;
    auto context = CEglPbufferContext::Create(width, height, request, &failure);
    EXPECT_TRUE(context) << failure;
    return context;
}

TEST(EglPbufferContext, IsACompatibilityContextWithTheRequestedFramebuffer)
{
    auto context = MakeContext(32, 16);
    ASSERT_TRUE(context);
    EXPECT_FALSE(context->IsCurrent()) << "creation leaves the context not current";
    ASSERT_TRUE(context->MakeCurrent());
    EXPECT_TRUE(context->IsCurrent());
    EXPECT_EQ(context->Width(), 32);
    EXPECT_EQ(context->Height(), 16);

    const GLPixelFormat expected{24, 8, 24, 8, 0};
    EXPECT_EQ(context->Format(), expected);
    EXPECT_EQ(GLPixelFormat::OfCurrentContext(), expected);

    GLint profile = 0;
    glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
    EXPECT_NE(profile & GL_CONTEXT_COMPATIBILITY_PROFILE_BIT, 0)
        << reinterpret_cast<const char*>(glGetString(GL_VERSION));
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 32);
    EXPECT_EQ(viewport[3], 16);
    EXPECT_TRUE(GLStateIsClean());
}

TEST(EglPbufferContext, ReportsTheChosenDepthAndStencilNotTheRequest)
{
    struct Case {
        GLPixelFormat request;
        int minDepth;
        int stencil;
    };
    // No configuration has both 32-bit depth and a stencil buffer, nor 16-bit stencil:
    // stencil is kept and depth given up first.
    const Case cases[] = {
        {{24, 8, 32, 8, 0}, 24, 8},
        {{24, 8, 24, 16, 0}, 24, 8},
        {{24, 8, 16, 0, 0}, 16, 0},
        {{24, 0, 24, 8, 0}, 24, 8},
    };
    for (const Case& c : cases) {
        auto context = MakeContext(8, 8, c.request);
        ASSERT_TRUE(context);
        EXPECT_EQ(context->Format().colorBits, c.request.colorBits);
        EXPECT_EQ(context->Format().alphaBits, c.request.alphaBits);
        EXPECT_GE(context->Format().depthBits, c.minDepth) << "requested depth " << c.request.depthBits;
        EXPECT_EQ(context->Format().stencilBits, c.stencil) << "requested stencil " << c.request.stencilBits;
        ASSERT_TRUE(context->MakeCurrent());
        EXPECT_EQ(GLPixelFormat::OfCurrentContext(), context->Format());
    }
}

TEST(EglPbufferContext, RefusesSizesOutOfRangeAndFormatsNoConfigurationHas)
{
    struct Case {
        const char* what;
        int width;
        int height;
        GLPixelFormat request;
    };
    const Case cases[] = {
        {"zero width", 0, 8, {}},
        {"zero height", 8, 0, {}},
        {"negative width", -4, 8, {}},
        {"width beyond any pbuffer", 1 << 20, 8, {}},
        {"height beyond any pbuffer", 8, 1 << 20, {}},
        {"48 colour bits", 8, 8, {48, 8, 24, 8, 0}},
        {"16 alpha bits", 8, 8, {24, 16, 24, 8, 0}},
        {"3 samples", 8, 8, {24, 8, 24, 8, 3}},
    };
    for (const Case& c : cases) {
        std::string failure;
        EXPECT_FALSE(CEglPbufferContext::Create(c.width, c.height, c.request, &failure)) << c.what;
        EXPECT_FALSE(failure.empty()) << c.what;
    }
}

TEST(EglPbufferContext, ResizeKeepsTheContextAndItsObjectsAndDrawsAtTheNewSize)
{
    auto context = MakeContext(64, 64);
    ASSERT_TRUE(context && context->MakeCurrent());
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    ClearGLBuffers(kGreenPixel);
    glEndList();

    ASSERT_TRUE(context->Resize(101, 37));
    EXPECT_EQ(context->Width(), 101);
    EXPECT_EQ(context->Height(), 37);
    EXPECT_TRUE(context->IsCurrent());
    ASSERT_EQ(glIsList(list), GL_TRUE) << "the display list outlives the old pbuffer";

    glViewport(0, 0, 101, 37);
    glCallList(list);
    EXPECT_TRUE(PixelNear(ReadGLPixel(100, 36), kGreenPixel)) << "the top-right pixel of the new size";
    glDeleteLists(list, 1);
    EXPECT_TRUE(GLStateIsClean());
}

TEST(EglPbufferContext, FailedResizeChangesNothing)
{
    auto context = MakeContext(40, 30);
    ASSERT_TRUE(context && context->MakeCurrent());
    for (auto [width, height] : {std::pair{1 << 20, 30}, std::pair{40, 0}, std::pair{-1, -1}}) {
        EXPECT_FALSE(context->Resize(width, height)) << width << " x " << height;
        EXPECT_EQ(context->Width(), 40);
        EXPECT_EQ(context->Height(), 30);
        EXPECT_TRUE(context->IsCurrent());
    }
    ClearGLBuffers(kRedPixel);
    EXPECT_TRUE(PixelNear(ReadGLPixel(39, 29), kRedPixel));
}

TEST(EglPbufferContext, ResizeOfAContextNotCurrentLeavesItNotCurrent)
{
    auto context = MakeContext(16, 16);
    ASSERT_TRUE(context);
    ASSERT_TRUE(context->Resize(24, 20));
    EXPECT_FALSE(context->IsCurrent());
    ASSERT_TRUE(context->MakeCurrent());
    glViewport(0, 0, 24, 20);
    ClearGLBuffers(kRedPixel);
    EXPECT_TRUE(PixelNear(ReadGLPixel(23, 19), kRedPixel));
}

TEST(EglPbufferContext, TwoContextsKeepTheirOwnImages)
{
    auto first = MakeContext(16, 16);
    auto second = MakeContext(16, 16);
    ASSERT_TRUE(first && second);
    ASSERT_TRUE(first->MakeCurrent());
    ClearGLBuffers(kRedPixel);
    ASSERT_TRUE(second->MakeCurrent());
    EXPECT_FALSE(first->IsCurrent());
    ClearGLBuffers(kGreenPixel);
    ASSERT_TRUE(first->MakeCurrent());
    EXPECT_TRUE(PixelNear(ReadGLPixel(8, 8), kRedPixel));
    ASSERT_TRUE(second->MakeCurrent());
    EXPECT_TRUE(PixelNear(ReadGLPixel(8, 8), kGreenPixel));
}

TEST(EglPbufferContext, ReleasingOrDestroyingTheCurrentContextLeavesNoneCurrent)
{
    auto context = MakeContext(8, 8);
    ASSERT_TRUE(context && context->MakeCurrent());
    context->ReleaseCurrent();
    EXPECT_FALSE(context->IsCurrent());
    EXPECT_TRUE(CGLCurrentBinding::Capture().IsNone());

    ASSERT_TRUE(context->MakeCurrent());
    context.reset();
    EXPECT_TRUE(CGLCurrentBinding::Capture().IsNone());
}

TEST(EglPbufferContext, ReleasingAContextNotCurrentKeepsTheCurrentOne)
{
    auto current = MakeContext(8, 8);
    auto other = MakeContext(8, 8);
    ASSERT_TRUE(current && other && current->MakeCurrent());
    other->ReleaseCurrent();
    other.reset();
    EXPECT_TRUE(current->IsCurrent());
}

TEST(GLCurrentBinding, RestoresTheContextThatWasCurrent)
{
    auto outer = MakeContext(8, 8);
    auto inner = MakeContext(8, 8);
    ASSERT_TRUE(outer && inner && outer->MakeCurrent());

    const CGLCurrentBinding saved = CGLCurrentBinding::Capture();
    EXPECT_FALSE(saved.IsNone());
    ASSERT_TRUE(inner->MakeCurrent());
    ASSERT_TRUE(saved.Restore());
    EXPECT_TRUE(outer->IsCurrent());
    EXPECT_FALSE(inner->IsCurrent());
}

TEST(GLCurrentBinding, RestoringNothingLeavesNoContextCurrent)
{
    auto context = MakeContext(8, 8);
    ASSERT_TRUE(context);
    CGLCurrentBinding::ReleaseEgl();
    const CGLCurrentBinding nothing = CGLCurrentBinding::Capture();
    EXPECT_TRUE(nothing.IsNone());
    ASSERT_TRUE(context->MakeCurrent());
    ASSERT_TRUE(nothing.Restore());
    EXPECT_FALSE(context->IsCurrent());
    EXPECT_TRUE(CGLCurrentBinding::Capture().IsNone());
}
}  // namespace
