// The window GL context on a real GLX canvas: made on the window's pixel format, made current,
// its size only shrinking, and the reasons creation fails.
#include "platform/wgl/GLCanvas.h"
#include "platform/wgl/GLWindowDC.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WindowTest.h"
#include "viewer/GLConfigUtils.h"
#include "viewer/GLWinBaseGLContext.h"

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <wx/frame.h>

#include <memory>
#include <string>

namespace {

// A device context whose make-current calls can be refused and are counted.
class CRefusingWindowDC : public CGLWindowDC {
public:
    using CGLWindowDC::CGLWindowDC;

    bool MakeCurrent(HGLRC context) override
    {
        ++calls;
        return !refuse && CGLWindowDC::MakeCurrent(context);
    }

    bool refuse = false;
    int calls = 0;
};

class GLWinBaseGLContextTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_frame = new wxFrame(nullptr, wxID_ANY, "Zephyron", wxDefaultPosition, wxSize(320, 240));
        m_canvas = CGLCanvas::Create(m_frame);
        ASSERT_TRUE(m_canvas) << "the display offers no RGBA, double-buffered, depth 24, stencil 8 format";
        m_frame->Show();
        ASSERT_TRUE(PumpEventsUntil([this] { return m_canvas->IsShownOnScreen(); }));
    }

    void TearDown() override
    {
        if (m_frame)
            m_frame->Destroy();
        PumpEventsUntil([] { return true; }, std::chrono::milliseconds(100));
    }

    CGLCanvas& Canvas() { return *m_canvas; }
    int WindowFormat() { return CGLWindowDC(*m_canvas).GetPixelFormat(); }

    std::unique_ptr<CGLWinBaseGLContext> Create(int format, int* error)
    {
        return std::unique_ptr<CGLWinBaseGLContext>(CGLWinBaseGLContext::CreateOnDC(
            std::make_unique<CGLWindowDC>(*m_canvas), format, 200, 150, error));
    }

private:
    wxFrame* m_frame = nullptr;
    CGLCanvas* m_canvas = nullptr;
};

TEST_F(GLWinBaseGLContextTest, WindowDeviceContextListsTheDisplaysFormatsWithTheWindowsOwn)
{
    CGLWindowDC dc(Canvas());
    const int count = dc.DescribePixelFormat(1, nullptr);
    ASSERT_GT(count, 0);
    const int format = dc.GetPixelFormat();
    ASSERT_GE(format, 1);
    ASSERT_LE(format, count);
    PIXELFORMATDESCRIPTOR pfd;
    ASSERT_EQ(dc.DescribePixelFormat(format, &pfd), count);
    EXPECT_TRUE(pfd.dwFlags & PFD_DOUBLEBUFFER);
    EXPECT_EQ(pfd.iPixelType, PFD_TYPE_RGBA);
    EXPECT_EQ(pfd.cDepthBits, 24);
    EXPECT_EQ(pfd.cStencilBits, 8);
    EXPECT_EQ(dc.DescribePixelFormat(count + 1, &pfd), 0);
    EXPECT_TRUE(GLConfigUtils::IsWGLExtensionSupported("WGL_ARB_pixel_format", &dc));
    EXPECT_FALSE(dc.SetPixelFormat(format == 1 ? 2 : 1)) << "a window takes one format";
    EXPECT_TRUE(dc.SetPixelFormat(format));

    // The configuration chooses among these formats; under Xvfb all are drawn in software.
    EXPECT_FALSE(GLConfigUtils::HasHardwarePixelFormat(dc));
    GLConfigRecord request{0, 0, 24, 8, 16, 8, 0};
    EXPECT_GT(GLConfigUtils::ChoosePixelFormat(dc, request), 0);

    // A first start finds no hardware and settles on a software format.
    TempFolder registry;
    ScopedEnvironment config("XDG_CONFIG_HOME", registry.Path().c_str());
    GLConfigUtils::SetUseFastFeedback(1);
    *GLConfigUtils::GetActiveConfig() = GLConfigRecord{};
    bool reset = true;
    const int chosen = GLConfigUtils::GetActivePixelFormat(dc, &reset);
    EXPECT_GT(chosen, 0);
    EXPECT_FALSE(reset);
    EXPECT_FALSE(GLConfigUtils::IsAcceleratedFormat(dc, chosen));
    EXPECT_EQ(GLConfigUtils::GetActiveConfig()->accelerated, 0);
}

TEST_F(GLWinBaseGLContextTest, ContextOnTheWindowsFormatIsCurrentAndOnlyShrinks)
{
    int error = -1;
    std::unique_ptr<CGLWinBaseGLContext> context = Create(WindowFormat(), &error);
    ASSERT_TRUE(context) << GLContextErrorStrings[error];
    EXPECT_EQ(error, 0);
    EXPECT_TRUE(context->IsCurrent()) << "creation leaves the context current";

    Canvas().MakeCurrent();  // another context on the same window
    EXPECT_FALSE(context->IsCurrent());
    ASSERT_TRUE(context->MakeCurrent());
    EXPECT_TRUE(context->IsCurrent());

    int width = 0;
    int height = 0;
    context->GetSize(&width, &height);
    EXPECT_EQ(width, 200);
    EXPECT_EQ(height, 150);

    EXPECT_FALSE(context->SetSize(201, 100));
    EXPECT_FALSE(context->SetSize(100, 151));
    context->GetSize(&width, &height);
    EXPECT_EQ(width, 200);
    EXPECT_EQ(height, 150);

    EXPECT_TRUE(context->SetSize(120, 150));
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 120);
    EXPECT_EQ(viewport[3], 150);
    context->GetSize(&width, &height);
    EXPECT_EQ(width, 120);

    int maxWidth = 0;
    int maxHeight = 0;
    EXPECT_TRUE(context->GetMaxViewportDims(&maxWidth, &maxHeight));
    EXPECT_GE(maxWidth, 200);
    EXPECT_EQ(context->GetStencilBits(), 8);
    EXPECT_TRUE(context->HasStencil8());
    EXPECT_FALSE(context->IsHardwareAccelerated()) << "Xvfb draws in software";
    EXPECT_FALSE(context->IsNvidiaTrueColor());
    EXPECT_GE(context->GetColorBits(), 24);
    const int level = context->GetMultisampleLevel();
    EXPECT_TRUE(level == 0 || level == 2 || level == 4) << level;
    context->SwapBuffers();

    EXPECT_TRUE(context->Release());
    EXPECT_FALSE(context->MakeCurrent());
    EXPECT_EQ(context->GetStencilBits(), 0);
    EXPECT_EQ(context->GetColorBits(), 0);
    int x = 0;
    int y = 0;
    context->GetDPI(&x, &y);
    EXPECT_EQ(x, -1);
}

TEST_F(GLWinBaseGLContextTest, CreationFailuresReportTheirCodes)
{
    int error = -1;
    EXPECT_FALSE(Create(0, &error));
    EXPECT_EQ(error, 0) << "no format: nothing tried";

    EXPECT_FALSE(Create(CGLWindowDC(Canvas()).DescribePixelFormat(1, nullptr) + 1, &error));
    EXPECT_EQ(error, 0) << "a format the window cannot describe";

    const int other = WindowFormat() == 1 ? 2 : 1;
    EXPECT_FALSE(Create(other, &error));
    EXPECT_EQ(error, 3);
    EXPECT_STREQ(GLContextErrorStrings[error], "SelectPixelFormat failed");

    auto refusing = std::make_unique<CRefusingWindowDC>(Canvas());
    refusing->refuse = true;
    EXPECT_FALSE(CGLWinBaseGLContext::CreateOnDC(std::move(refusing), WindowFormat(), 10, 10, &error));
    EXPECT_EQ(error, 5);
    EXPECT_STREQ(GLContextErrorStrings[error], "wglMakeCurrent failed");
    EXPECT_STREQ(GLContextErrorStrings[9], "");
}

TEST_F(GLWinBaseGLContextTest, MakeCurrentGivesUpAfter102Refusals)
{
    auto dc = std::make_unique<CRefusingWindowDC>(Canvas());
    CRefusingWindowDC* refusing = dc.get();
    int error = -1;
    std::unique_ptr<CGLWinBaseGLContext> context(
        CGLWinBaseGLContext::CreateOnDC(std::move(dc), WindowFormat(), 50, 50, &error));
    ASSERT_TRUE(context);
    EXPECT_TRUE(context->MakeCurrent());
    EXPECT_EQ(refusing->calls, 1) << "already current: not asked again";

    Canvas().MakeCurrent();
    refusing->refuse = true;
    refusing->calls = 0;
    EXPECT_FALSE(context->MakeCurrent());
    EXPECT_EQ(refusing->calls, CGLWinBaseGLContext::kMakeCurrentAttempts);

    refusing->refuse = false;
    EXPECT_TRUE(context->MakeCurrent());
}

TEST_F(GLWinBaseGLContextTest, FirstStartOnASoftwareRendererRefusesHardware)
{
    int error = -1;
    std::unique_ptr<CGLWinBaseGLContext> context = Create(WindowFormat(), &error);
    ASSERT_TRUE(context);
    GLConfigUtils::GetCurrentConfig()->accelerated = 1;
    const char* source = std::getenv("ZPH_SOURCE_DIR");
    ASSERT_TRUE(source);
    const std::string folder = std::string(source) + "/resources";
    const std::wstring wideFolder(folder.begin(), folder.end());
    // A scratch registry: the first-start check writes to it.
    TempFolder registry;
    ScopedEnvironment config("XDG_CONFIG_HOME", registry.Path().c_str());
    EXPECT_FALSE(GLConfigUtils::UseHWAccelerationFirstTime(wideFolder))
        << reinterpret_cast<const char*>(glGetString(GL_RENDERER));
}

}  // namespace
