// The offscreen memory context: what it draws is read back top row first, in the width asked
// for; resizing; and what a released context and a deleted one leave behind.
#include "view/MemoryGLContext.h"

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "database/Dib.h"
#include "image/ImageRep.h"
#include "platform/wgl/EglPbufferContext.h"
#include "platform/wgl/GLCurrentBinding.h"
#include "tests/support/GLPixelCheck.h"

using orbisk::imageutils::ImageRep;

namespace {

// Fills the rectangle (GL window coordinates, (0, 0) bottom-left) in a pixel projection of
// the context's buffer.
void FillRect(IGLContext& context, int x, int y, int width, int height, GLPixel color)
{
    int bufferWidth = 0;
    int bufferHeight = 0;
    context.GetSize(&bufferWidth, &bufferHeight);
    glViewport(0, 0, bufferWidth, bufferHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, bufferWidth, 0.0, bufferHeight, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor4ub(color.r, color.g, color.b, color.a);
    glRecti(x, y, x + width, y + height);
}

// A pixel of an image read back (blue, green, red order; row 0 on top), as RGBA.
GLPixel ImagePixel(const ImageRep& image, int x, int row)
{
    const int bytes = image.GetBytesPerPixel();
    const uint8_t* p = image.GetPixels() + row * image.GetBytesPerLine() + x * bytes;
    return {p[2], p[1], p[0], bytes == 4 ? p[3] : uint8_t{255}};
}

// Blue everywhere, the bottom row red and the top row green.
void DrawRowMarks(IGLContext& context, int width, int height)
{
    ClearGLBuffers(kBluePixel);
    FillRect(context, 0, 0, width, 1, kRedPixel);
    FillRect(context, 0, height - 1, width, 1, kGreenPixel);
    glFinish();
}

// An image read back from DrawRowMarks: its size, the top row first.
::testing::AssertionResult HasRowMarks(const ImageRep* image, int width, int height)
{
    if (!image)
        return ::testing::AssertionFailure() << "no image";
    if (image->GetWidth() != width || image->GetHeight() != height)
        return ::testing::AssertionFailure() << image->GetWidth() << " x " << image->GetHeight();
    const struct {
        int x;
        int row;
        GLPixel expected;
    } probes[] = {{0, 0, kGreenPixel},
                  {width - 1, 0, kGreenPixel},
                  {width / 2, height / 2, kBluePixel},
                  {width - 1, height - 1, kRedPixel}};
    for (const auto& p : probes)
        if (::testing::AssertionResult near = PixelNear(ImagePixel(*image, p.x, p.row), p.expected); !near)
            return near << " at " << p.x << ", row " << p.row;
    return ::testing::AssertionSuccess();
}

class TemporaryFolder {
public:
    TemporaryFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "glcontext-XXXXXX").string();
        m_path = mkdtemp(pattern.data());
    }
    ~TemporaryFolder() { std::filesystem::remove_all(m_path); }
    std::filesystem::path Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

TEST(GLWinMemoryContext, ReadsBackTheRequestedWidthTopRowFirst)
{
    struct Case {
        int alphaBits;
        int bytesPerPixel;
    };
    // 24 bits read back as RGB, 32 as RGBA.
    const Case cases[] = {{0, 3}, {8, 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.alphaBits);
        auto context = CreateMemoryGLContext(101, 30, 24, c.alphaBits, 8, 32);
        ASSERT_TRUE(context);
        EXPECT_TRUE(context->IsCurrent());
        int width = 0;
        int height = 0;
        context->GetSize(&width, &height);
        EXPECT_EQ(width, 104);
        EXPECT_EQ(height, 30);
        EXPECT_EQ(context->GetRequestedWidth(), 101);

        DrawRowMarks(*context, 104, 30);
        std::unique_ptr<ImageRep> image = context->ReadImage();
        EXPECT_TRUE(HasRowMarks(image.get(), 101, 30));
        ASSERT_TRUE(image);
        EXPECT_EQ(image->GetBytesPerPixel(), c.bytesPerPixel);
        EXPECT_TRUE(GLStateIsClean());
    }
}

TEST(GLWinMemoryContext, GivesItsImageAsAnImageObjectAndAsAFile)
{
    auto context = CreateMemoryGLContext(40, 20, 24, 8, 8, 32);
    ASSERT_TRUE(context);
    DrawRowMarks(*context, 40, 20);

    CDibRef dib(context->GetDib());
    ASSERT_TRUE(dib);
    EXPECT_TRUE(HasRowMarks(dib->GetImageRep(), 40, 20));

    TemporaryFolder folder;
    const std::wstring path = (folder.Path() / "frame.png").wstring();
    ASSERT_TRUE(context->SaveImage(path.c_str(), 4));
    ImageRep saved;
    ASSERT_TRUE(saved.LoadFile(path));
    EXPECT_TRUE(HasRowMarks(&saved, 40, 20));
    EXPECT_FALSE(context->SaveImage((folder.Path() / "frame.xyz").wstring().c_str(), 4));
    EXPECT_TRUE(GLStateIsClean());
}

TEST(GLWinMemoryContext, ResizesItsBufferAndViewport)
{
    auto context = CreateMemoryGLContext(101, 30, 24, 8, 8, 32);
    ASSERT_TRUE(context);

    // Within the same widened width nothing is rebuilt; only the images' width follows.
    ASSERT_TRUE(context->SetSize(103, 30));
    int width = 0;
    int height = 0;
    context->GetSize(&width, &height);
    EXPECT_EQ(width, 104);
    EXPECT_EQ(context->GetRequestedWidth(), 103);

    ASSERT_TRUE(context->SetSize(150, 70));
    context->GetSize(&width, &height);
    EXPECT_EQ(width, 152);
    EXPECT_EQ(height, 70);
    EXPECT_TRUE(context->IsCurrent());
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 150);
    EXPECT_EQ(viewport[3], 70);

    DrawRowMarks(*context, 152, 70);
    EXPECT_TRUE(HasRowMarks(context->ReadImage().get(), 150, 70));
    EXPECT_TRUE(GLStateIsClean());
}

TEST(GLWinMemoryContext, ASizeBeyondTheLimitChangesNothing)
{
    auto context = CreateMemoryGLContext(64, 32, 24, 8, 8, 32);
    ASSERT_TRUE(context);
    DrawRowMarks(*context, 64, 32);
    int maxWidth = 0;
    int maxHeight = 0;
    ASSERT_TRUE(context->GetMaxViewportDims(&maxWidth, &maxHeight));

    struct Case {
        int width;
        int height;
    };
    const Case cases[] = {{maxWidth + 1, 32}, {64, maxHeight + 1}, {64, 0}, {-8, 32}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        EXPECT_FALSE(context->SetSize(c.width, c.height));
        int width = 0;
        int height = 0;
        context->GetSize(&width, &height);
        EXPECT_EQ(width, 64);
        EXPECT_EQ(height, 32);
        EXPECT_EQ(context->GetRequestedWidth(), 64);
        ASSERT_TRUE(context->MakeCurrent()) << "the context stays alive";
        EXPECT_TRUE(HasRowMarks(context->ReadImage().get(), 64, 32)) << "the drawing is kept";
    }
    EXPECT_TRUE(GLStateIsClean());
}

TEST(GLWinMemoryContext, AReleasedContextCannotBeUsed)
{
    auto context = CreateMemoryGLContext(16, 16, 24, 8, 8, 32);
    ASSERT_TRUE(context);
    ASSERT_TRUE(context->Release());
    EXPECT_FALSE(context->IsCurrent());
    EXPECT_FALSE(context->MakeCurrent());
    EXPECT_EQ(context->GetDib(), nullptr);
    EXPECT_FALSE(context->SaveImage(L"/tmp/never-written.png", 4));
    EXPECT_FALSE(context->SetSize(32, 32));
    EXPECT_TRUE(CGLCurrentBinding::Capture().IsNone());
}

TEST(GLWinMemoryContext, DeletingItRestoresTheContextCurrentAtItsCreation)
{
    {
        auto context = CreateMemoryGLContext(16, 16, 24, 8, 8, 32);
        ASSERT_TRUE(context);
    }
    EXPECT_TRUE(CGLCurrentBinding::Capture().IsNone()) << "created while none was current";

    auto outer = CEglPbufferContext::Create(8, 8);
    ASSERT_TRUE(outer);
    ASSERT_TRUE(outer->MakeCurrent());
    {
        auto context = CreateMemoryGLContext(16, 16, 24, 8, 8, 32);
        ASSERT_TRUE(context);
        EXPECT_FALSE(outer->IsCurrent());
        // Resizing keeps the context it came from.
        ASSERT_TRUE(context->SetSize(64, 64));
    }
    EXPECT_TRUE(outer->IsCurrent());
    outer->ReleaseCurrent();
}

TEST(GLWinMemoryContext, ReportsTheStencilBitsItGot)
{
    struct Case {
        int requested;
        int got;
    };
    const Case cases[] = {{8, 8}, {16, 8}, {0, 0}};
    for (const Case& c : cases) {
        auto context = CreateMemoryGLContext(8, 8, 24, 8, c.requested, 24);
        ASSERT_TRUE(context);
        EXPECT_EQ(context->GetStencilBits(), c.got) << "requested " << c.requested;
        EXPECT_EQ(context->HasStencil8(), c.got == 8);
        GLint bits = -1;
        glGetIntegerv(GL_STENCIL_BITS, &bits);
        EXPECT_EQ(bits, c.got);
    }
}

}  // namespace
