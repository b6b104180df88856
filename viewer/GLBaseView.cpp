#include "viewer/GLBaseView.h"

#include <wx/dcclient.h>

#include <memory>

#include "platform/mfc/FrameWnd.h"
#include "platform/mfc/MessageBox.h"
#include "platform/wgl/GLCanvas.h"
#include "platform/wgl/GLWindowDC.h"
#include "support/StringTable.h"
#include "viewer/GLConfigUtils.h"
#include "viewer/GLWinBaseGLContext.h"
#include "viewer/ViewerApp.h"

IMPLEMENT_DYNAMIC(CBaseGLView, CObject)

namespace {

using GLConfigUtils::GLTrace;
using orbisk::utils::TranslateString;

constexpr char kColorWarning[] =
    "WARNING: Zephyron has detected that you are using a 16 bit Windows display setting.\nThis setting may "
    "cause "
    "Zephyron to run poorly, including display\nissues (e.g., white squares around your cursors) and invalid "
    "face "
    "shadows.\nIf you experience problems, try changing your Windows display settings to\nTrue Color (32 "
    "bit).";
constexpr char kInitFailed[] =
    "Zephyron was unable to initialize OpenGL!\nPlease make sure you have installed the correct\ndrivers for "
    "your "
    "graphics card.";
constexpr char kAccelerationDisabled[] =
    "OpenGL hardware acceleration will be disabled\nthe next time you start the application.";
constexpr wchar_t kColorWarningSection[] = L"Color_Warning";
constexpr wchar_t kColorWarningEntry[] = L"Color_Warning";
// Codes above this have no text of their own.
constexpr int kLastErrorWithText = 9;

}  // namespace

CBaseGLView::CBaseGLView() = default;

CBaseGLView::~CBaseGLView()
{
    DestroyWindow();
}

bool CBaseGLView::Create(wxWindow* parent, CDocument* document)
{
    m_window = CGLCanvas::Create(parent);
    if (!m_window)
        return false;
    BindWindowEvents();
    if (document)
        document->AddView(this);
    if (OnCreate() == -1) {
        DestroyWindow();
        return false;
    }
    return true;
}

void CBaseGLView::BindWindowEvents()
{
    // The frame covers the whole window: erasing first would only flicker.
    m_window->SetBackgroundStyle(wxBG_STYLE_PAINT);
    m_window->Bind(wxEVT_PAINT, [this](wxPaintEvent&) {
        wxPaintDC validate(m_window);
        OnDraw();
    });
    m_window->Bind(wxEVT_SIZE, &CBaseGLView::OnWindowSize, this);
    m_window->Bind(wxEVT_DESTROY, [this](wxWindowDestroyEvent& event) {
        event.Skip();
        // The frame took the window down without the view: OpenGL must still end.
        if (event.GetEventObject() == m_window && !m_destroyed) {
            m_destroyed = true;
            OnDestroy();
            m_window = nullptr;
        }
    });
}

void CBaseGLView::OnWindowSize(wxSizeEvent& event)
{
    event.Skip();
    const wxSize size = m_window->GetClientSize();
    OnSize(size.GetWidth(), size.GetHeight());
}

void CBaseGLView::DestroyWindow()
{
    if (!m_window)
        return;
    CGLCanvas* window = m_window;
    if (!m_destroyed) {
        m_destroyed = true;
        OnDestroy();
    }
    m_window = nullptr;
    window->Destroy();
}

void CBaseGLView::OnInitialUpdate()
{
    GLTrace(">CBaseGLView::OnInitialUpdate\n");
    OnUpdate(nullptr, 0, nullptr);
    if (GetGLContext())
        return;
    if (InitializeOpenGL()) {
        if (!GetAppProfileInt(kColorWarningSection, kColorWarningEntry, 0) &&
            GetGLContext()->GetColorBits() == 16) {
            AfxMessageBox(TranslateString(kColorWarning), MB_OK);
            WriteAppProfileInt(kColorWarningSection, kColorWarningEntry, 1);
        }
        InitGLState();
        return;
    }

    GLTrace("-InitializeOpenGL failed ... m_error=%d\n", m_error);
    if (m_acceleratedFormat)
        GLConfigUtils::SetAccelerated(false);
    CString message = TranslateString(kInitFailed);
    if (m_acceleratedFormat)
        message += CString(L"\r\n\r\n") + TranslateString(kAccelerationDisabled);
    if (m_error >= 1 && m_error <= kLastErrorWithText) {
        message += CString(L"\r\n\r\n") + TranslateString("Error: ");
        message += CString(GLContextErrorStrings[m_error]);
    } else {
        // Whatever went wrong, the application must see a failure.
        m_error = kLastErrorWithText;
    }
    AfxMessageBox(message, MB_OK);
}

void CBaseGLView::OnUpdate(CView*, intptr_t, CObject*)
{
    Invalidate(false);
}

bool CBaseGLView::RecreateWindowForFormat(CGLWindowDC& dc, int pixelFormat)
{
    PixelFormatCandidate info;
    if (!GLConfigUtils::GetPixelFormatInfo(dc, pixelFormat, info))
        return false;
    GLPixelFormat format;
    format.colorBits = info.pfd.cColorBits;
    format.alphaBits = info.pfd.cAlphaBits;
    format.depthBits = info.pfd.cDepthBits;
    format.stencilBits = info.pfd.cStencilBits;
    format.samples = dc.GetPixelFormatSamples(pixelFormat);
    wxWindow* parent = m_window->GetParent();
    CGLCanvas* replacement = CGLCanvas::Create(parent, wxID_ANY, format);
    if (!replacement)
        return false;
    replacement->SetSize(m_window->GetSize());
    replacement->SetPosition(m_window->GetPosition());
    CGLCanvas* old = m_window;
    m_window = replacement;
    old->Destroy();
    BindWindowEvents();
    m_window->Show();
    return true;
}

bool CBaseGLView::InitializeOpenGL()
{
    GLTrace(">InitializeOpenGL\n");
    if (!m_window)
        return false;
    try {
        auto dc = std::make_unique<CGLWindowDC>(*m_window);
        int pixelFormat = GLConfigUtils::GetActivePixelFormat(*dc, &m_settingsReset);
        if (pixelFormat == 0) {
            m_error = 2;
            return false;
        }
        m_acceleratedFormat = GLConfigUtils::IsAcceleratedFormat(*dc, pixelFormat);
        // A window takes its format when it is made, and GLX picks the frame-buffer
        // configuration of a window by its bits, not by number: a window on other bits is
        // made again with the chosen format's bits, and the format it then has is the one
        // used and remembered.
        if (dc->GetPixelFormat() != pixelFormat) {
            dc.reset();
            CGLWindowDC probe(*m_window);
            if (RecreateWindowForFormat(probe, pixelFormat))
                GLTrace("Window made again for pf=%d\n", pixelFormat);
            dc = std::make_unique<CGLWindowDC>(*m_window);
            const int windowFormat = dc->GetPixelFormat();
            if (windowFormat > 0 && windowFormat != pixelFormat) {
                GLTrace("The window has pf=%d\n", windowFormat);
                pixelFormat = windowFormat;
                GLConfigUtils::GetActiveConfig()->pixelFormat = windowFormat;
                m_acceleratedFormat = GLConfigUtils::IsAcceleratedFormat(*dc, pixelFormat);
            }
        }

        GLTrace("Make a context ... pf=%d\n", pixelFormat);
        const wxSize size = m_window->GetClientSize();
        CGLWinBaseGLContext* context = CGLWinBaseGLContext::CreateOnDC(
            std::move(dc), pixelFormat, size.GetWidth(), size.GetHeight(), &m_error);
        GLTrace("Got context @%p error=%d\n", static_cast<void*>(context), m_error);
        if (!context)
            return false;
        SetGLContext(context);
        GLConfigUtils::CommitActiveConfig();
        SetViewportRect(0, 0, size.GetWidth(), size.GetHeight());
        GLTrace("GL initialization succeeded\n");
        return true;
    } catch (...) {
        GLTrace("Failed with exception ...\n");
        return false;
    }
}

void CBaseGLView::TerminateOpenGL()
{
    try {
        GLTrace(">TerminateOpenGL\n");
        if (GetGLContext() && GetGLContext()->IsHardwareAccelerated()) {
            GLTrace("HW_OK=1\n");
            GLConfigUtils::WriteValue(L"HW_OK", 1);
        }
        ReleaseGLContext();
    } catch (...) {}
}

void CBaseGLView::OnDraw()
{
    if (!GetGLContext())
        return;
    MakeCurrent();
    PrepareFrame(true, 0);
}

void CBaseGLView::OnSize(int width, int height)
{
    SetViewportRect(0, 0, width, height);
    // A window that shrinks exposes nothing, yet its frame must be drawn on the new viewport.
    if (m_window)
        m_window->Refresh(false);
}

void CBaseGLView::OnDestroy()
{
    TerminateOpenGL();
}

CGLWindowDC* CBaseGLView::GetGLDC() const
{
    auto* context = dynamic_cast<CGLWinBaseGLContext*>(GetGLContext());
    return context ? context->GetDC() : nullptr;
}
