// The first window: a frame holding a GL canvas drawn with legacy OpenGL, driven by menu
// commands and closed by the test, beside offscreen contexts in the same process.
#include "platform/wgl/EglPbufferContext.h"
#include "platform/wgl/GLCanvas.h"
#include "platform/wgl/GLCurrentBinding.h"
#include "tests/support/GLPixelCheck.h"
#include "tests/support/WindowTest.h"

#include <GL/gl.h>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <wx/dcclient.h>
#include <wx/frame.h>
#include <wx/menu.h>

#include <memory>
#include <string>

namespace {

// What one paint saw in the back buffer just before the swap.
struct PaintRecord {
    bool madeCurrent = false;
    GLPixel inside;   // the middle of the triangle
    GLPixel outside;  // a corner
    GLPixelFormat format;
    bool doubleBuffered = false;
    bool stateClean = false;
};

// A frame whose canvas clears to a background colour and draws a red triangle in the
// middle; the menu command "Green Background" changes the background.
class CTriangleFrame : public wxFrame {
public:
    static constexpr int kGreenBackgroundCommand = wxID_HIGHEST + 1;

    explicit CTriangleFrame(bool& destroyed)
        : wxFrame(nullptr, wxID_ANY, "Zephyron", wxDefaultPosition, wxSize(320, 240)), m_destroyed(destroyed)
    {
        auto* view = new wxMenu;
        view->Append(kGreenBackgroundCommand, "&Green Background");
        auto* menuBar = new wxMenuBar;
        menuBar->Append(view, "&View");
        SetMenuBar(menuBar);
        Bind(wxEVT_MENU, &CTriangleFrame::OnGreenBackground, this, kGreenBackgroundCommand);

        m_canvas = CGLCanvas::Create(this);
        if (m_canvas)
            m_canvas->Bind(wxEVT_PAINT, &CTriangleFrame::OnPaint, this);
    }
    ~CTriangleFrame() override { m_destroyed = true; }

    CGLCanvas* Canvas() const { return m_canvas; }
    int Paints() const { return m_paints; }
    const PaintRecord& LastPaint() const { return m_last; }

    bool WaitForPaintAfter(int paints)
    {
        return PumpEventsUntil([this, paints] { return m_paints > paints; });
    }

private:
    void OnGreenBackground(wxCommandEvent&)
    {
        m_background = kGreenPixel;
        m_canvas->Refresh();
    }

    void OnPaint(wxPaintEvent&)
    {
        wxPaintDC dc(m_canvas);
        m_last = PaintRecord{};
        m_last.madeCurrent = m_canvas->MakeCurrent();
        if (m_last.madeCurrent)
            Draw();
        ++m_paints;
    }

    void Draw()
    {
        const wxSize size = m_canvas->GetClientSize();
        glViewport(0, 0, size.x, size.y);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0.0, 1.0, 0.0, 1.0, -1.0, 1.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        ClearGLBuffers(m_background);
        glColor3ub(255, 0, 0);
        glBegin(GL_TRIANGLES);
        glVertex2d(0.2, 0.2);
        glVertex2d(0.8, 0.2);
        glVertex2d(0.5, 0.8);
        glEnd();

        glReadBuffer(GL_BACK);
        m_last.inside = ReadGLPixel(size.x / 2, size.y / 3);
        m_last.outside = ReadGLPixel(2, size.y - 3);
        m_last.format = GLPixelFormat::OfCurrentContext();
        GLboolean doubleBuffered = GL_FALSE;
        glGetBooleanv(GL_DOUBLEBUFFER, &doubleBuffered);
        m_last.doubleBuffered = doubleBuffered == GL_TRUE;
        m_last.stateClean = GLStateIsClean();
        m_canvas->SwapBuffers();
    }

    bool& m_destroyed;
    CGLCanvas* m_canvas = nullptr;
    GLPixel m_background = kBluePixel;
    int m_paints = 0;
    PaintRecord m_last;
};

class GLWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_frame = new CTriangleFrame(m_destroyed);
        ASSERT_TRUE(m_frame->Canvas())
            << "the display offers no RGBA, double-buffered, depth 24, stencil 8 format";
        m_frame->Show();
        ASSERT_TRUE(m_frame->WaitForPaintAfter(0)) << "the canvas was never painted";
    }

    void TearDown() override
    {
        m_frame->Close(true);
        EXPECT_TRUE(PumpEventsUntil([this] { return m_destroyed; }))
            << "the closed frame was never destroyed";
    }

    CTriangleFrame& Window() { return *m_frame; }

private:
    bool m_destroyed = false;
    CTriangleFrame* m_frame = nullptr;
};

TEST_F(GLWindow, CanvasDrawsLegacyGLIntoADoubleBufferedStencilFormat)
{
    const PaintRecord& paint = Window().LastPaint();
    ASSERT_TRUE(paint.madeCurrent);
    EXPECT_TRUE(PixelNear(paint.inside, kRedPixel));
    EXPECT_TRUE(PixelNear(paint.outside, kBluePixel));
    EXPECT_TRUE(paint.doubleBuffered);
    EXPECT_EQ(paint.format.depthBits, 24);
    EXPECT_EQ(paint.format.stencilBits, 8);
    EXPECT_EQ(paint.format.samples, 0);
    EXPECT_TRUE(paint.stateClean);
}

TEST_F(GLWindow, MenuCommandChangesTheBackgroundOfTheNextFrame)
{
    const int paints = Window().Paints();
    wxCommandEvent command(wxEVT_MENU, CTriangleFrame::kGreenBackgroundCommand);
    wxPostEvent(&Window(), command);
    ASSERT_TRUE(Window().WaitForPaintAfter(paints));
    EXPECT_TRUE(PixelNear(Window().LastPaint().outside, kGreenPixel));
    EXPECT_TRUE(PixelNear(Window().LastPaint().inside, kRedPixel));
}

TEST_F(GLWindow, OffscreenDrawingBetweenFramesGivesTheWindowContextBack)
{
    ASSERT_TRUE(Window().Canvas()->MakeCurrent());
    const CGLCurrentBinding windowBinding = CGLCurrentBinding::Capture();
    ASSERT_FALSE(windowBinding.IsNone());

    std::string failure;
    auto offscreen = CEglPbufferContext::Create(16, 16, {}, &failure);
    ASSERT_TRUE(offscreen) << failure;
    ASSERT_TRUE(offscreen->MakeCurrent()) << "the window's GLX context must be released first";
    ClearGLBuffers(kGreenPixel);
    EXPECT_TRUE(PixelNear(ReadGLPixel(8, 8), kGreenPixel));

    ASSERT_TRUE(windowBinding.Restore());
    EXPECT_FALSE(offscreen->IsCurrent());
    GLboolean doubleBuffered = GL_FALSE;
    glGetBooleanv(GL_DOUBLEBUFFER, &doubleBuffered);
    EXPECT_EQ(doubleBuffered, GL_TRUE) << "the window's context, not the single-buffered pbuffer, is current";

    // The canvas takes its context back even while the offscreen one is current.
    ASSERT_TRUE(offscreen->MakeCurrent());
    const int paints = Window().Paints();
    Window().Canvas()->Refresh();
    ASSERT_TRUE(Window().WaitForPaintAfter(paints));
    ASSERT_TRUE(Window().LastPaint().madeCurrent);
    EXPECT_TRUE(PixelNear(Window().LastPaint().inside, kRedPixel));
    EXPECT_TRUE(PixelNear(Window().LastPaint().outside, kBluePixel));
}

TEST(WindowTestMain, WxAssertsBecomeTestFailuresInsteadOfDialogs)
{
    EXPECT_NONFATAL_FAILURE(wxFAIL_MSG("a probe of the assert handler"), "a probe of the assert handler");
}
}  // namespace
