#include "viewer/GLWinBaseGLContext.h"

#include "viewer/GLConfigUtils.h"

#include <GL/gl.h>

#include <cstring>

const char* const GLContextErrorStrings[10] = {
    "No Error",
    "Unable to get a DC",
    "ChoosePixelFormat failed",
    "SelectPixelFormat failed",
    "wglCreateContext failed",
    "wglMakeCurrent failed",
    "wglDeleteContext failed",
    "SwapBuffers failed",
    "CreatePalette failed",
    "",
};

CGLWinBaseGLContext::CGLWinBaseGLContext(std::unique_ptr<CGLWindowDC> dc, int width, int height)
    : m_width(width), m_height(height), m_dc(std::move(dc))
{}

CGLWinBaseGLContext::~CGLWinBaseGLContext()
{
    Release();
}

CGLWinBaseGLContext* CGLWinBaseGLContext::CreateOnDC(std::unique_ptr<CGLWindowDC> dc, int pixelFormat,
                                                     int width, int height, int* error)
{
    int ignored = 0;
    if (!error)
        error = &ignored;
    *error = 0;
    std::unique_ptr<CGLWinBaseGLContext> context(new CGLWinBaseGLContext(std::move(dc), width, height));
    if (pixelFormat > 0 && context->CreateContext(pixelFormat, error))
        return context.release();
    return nullptr;
}

bool CGLWinBaseGLContext::CreateContext(int pixelFormat, int* error)
{
    int ignored = 0;
    if (!error)
        error = &ignored;
    try {
        if (!m_dc) {
            *error = 1;
            return false;
        }
        PIXELFORMATDESCRIPTOR pfd;
        if (!m_dc->DescribePixelFormat(pixelFormat, &pfd))
            return false;
        *error = 3;
        if (!m_dc->SetPixelFormat(pixelFormat))
            return false;
        *error = 4;
        m_context = m_dc->CreateContext();
        if (!m_context)
            return false;
        *error = 5;
        if (!m_dc->MakeCurrent(m_context))
            return false;
        *error = 0;
        m_multisampleLevel = ProbeMultisampleLevel();
        return true;
    } catch (...) {
        return false;
    }
}

int CGLWinBaseGLContext::ProbeMultisampleLevel()
{
    PixelFormatCandidate current;
    if (!m_dc || !GLConfigUtils::GetPixelFormatInfo(*m_dc, 0, current))
        return 0;
    if (!GLConfigUtils::IsWGLExtensionSupported("WGL_ARB_multisample", m_dc.get()))
        return 0;
    GLConfigUtils::PixelFormatQueryARB query;
    query.colorBits = current.pfd.cColorBits;
    query.alphaBits = current.pfd.cAlphaBits;
    query.depthBits = current.pfd.cDepthBits;
    query.stencilBits = current.pfd.cStencilBits;
    query.swapCopy = (current.pfd.dwFlags & PFD_SWAP_COPY) != 0;
    for (int samples : {4, 2}) {
        query.samples = samples;
        const int format = GLConfigUtils::ChoosePixelFormatARB(*m_dc, query);
        PIXELFORMATDESCRIPTOR pfd;
        if (format > 0 && m_dc->DescribePixelFormat(format, &pfd) &&
            ((pfd.dwFlags & PFD_SWAP_COPY) != 0) == query.swapCopy)
            return samples;
    }
    return 0;
}

int CGLWinBaseGLContext::ChoosePixelFormat(bool accelerated, bool swapCopy, int colorBits, int alphaBits,
                                           int stencilBits, int depthBits)
{
    if (!m_dc)
        return 0;
    try {
        const GLConfigRecord request{0,         accelerated ? 1 : 0, colorBits,       alphaBits,
                                     depthBits, stencilBits,         swapCopy ? 1 : 0};
        return GLConfigUtils::ChoosePixelFormat(*m_dc, request);
    } catch (...) {
        return 0;
    }
}

bool CGLWinBaseGLContext::MakeCurrent()
{
    if (!m_dc)
        return false;
    if (m_context && CGLWindowDC::IsContextCurrent(m_context))
        return true;
    // Drivers refuse now and then while the window is being set up; asking again is enough.
    bool current = false;
    for (int attempt = 0; attempt < kMakeCurrentAttempts && !current; ++attempt)
        current = m_dc->MakeCurrent(m_context);
    return current;
}

bool CGLWinBaseGLContext::Release()
{
    if (m_context) {
        CGLWindowDC::DeleteContext(m_context);
        m_context = nullptr;
    }
    m_dc.reset();
    return true;
}

bool CGLWinBaseGLContext::GetMaxViewportDims(int* width, int* height)
{
    GLint dims[2] = {0, 0};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, dims);
    *width = dims[0];
    *height = dims[1];
    return true;
}

bool CGLWinBaseGLContext::SetSize(int width, int height)
{
    if (width > m_width || height > m_height)
        return false;
    glViewport(0, 0, width, height);
    m_width = width;
    m_height = height;
    return true;
}

void CGLWinBaseGLContext::GetSize(int* width, int* height)
{
    *width = m_width;
    *height = m_height;
}

bool CGLWinBaseGLContext::IsHardwareAccelerated()
{
    return m_dc && GLConfigUtils::IsAcceleratedFormat(*m_dc, 0);
}

int CGLWinBaseGLContext::GetColorBits()
{
    return m_dc ? m_dc->GetBitsPerPixel() : 0;
}

bool CGLWinBaseGLContext::IsCurrent()
{
    return m_dc && m_context && m_dc->IsCurrent(m_context);
}

void CGLWinBaseGLContext::SwapBuffers()
{
    if (m_dc)
        m_dc->SwapBuffers();
}

int CGLWinBaseGLContext::GetStencilBits()
{
    PixelFormatCandidate current;
    if (!m_dc || !GLConfigUtils::GetPixelFormatInfo(*m_dc, 0, current))
        return 0;
    return current.pfd.cStencilBits;
}

bool CGLWinBaseGLContext::HasStencil8()
{
    return GetStencilBits() == 8;
}

bool CGLWinBaseGLContext::IsNvidiaTrueColor()
{
    PixelFormatCandidate current;
    if (!m_dc || !GLConfigUtils::GetPixelFormatInfo(*m_dc, 0, current) ||
        !GLConfigUtils::IsAccelerated(current.pfd))
        return false;
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    if (!renderer)
        return false;
    bool nvidia = false;
    for (const char* prefix : {"RIVA 128", "RIVA TNT", "GeForce", "Quadro"})
        nvidia = nvidia || std::strncmp(renderer, prefix, std::strlen(prefix)) == 0;
    if (!nvidia)
        return false;
    GLint indexBits = 0;
    glGetIntegerv(GL_INDEX_BITS, &indexBits);
    return indexBits == 32;
}

void CGLWinBaseGLContext::GetDPI(int* x, int* y)
{
    if (!m_dc) {
        IGLContext::GetDPI(x, y);
        return;
    }
    m_dc->GetDPI(x, y);
}
