#include "view/MemoryGLContext.h"

#include <GL/gl.h>

#include "platform/wgl/EglPbufferContext.h"
#include "platform/wgl/GLCurrentBinding.h"
#include "platform/win32/SystemInfo.h"

CGLWinMemoryContext::CGLWinMemoryContext(int width, int height, int colorBits, int alphaBits, int stencilBits,
                                         int depthBits)
    : CGLContext(width, height, colorBits, alphaBits, stencilBits, depthBits)
{}

CGLWinMemoryContext::~CGLWinMemoryContext()
{
    Release();
}

bool CGLWinMemoryContext::Create()
{
    Release();
    WidenWidth();
    GLPixelFormat request;
    request.colorBits = GetRequestedColorBits();
    request.alphaBits = GetAlphaBits();
    request.depthBits = GetDepthBits();
    request.stencilBits = GetStencilBits();
    std::unique_ptr<CEglPbufferContext> context =
        CEglPbufferContext::Create(GetBufferWidth(), GetBufferHeight(), request);
    if (!context)
        return false;
    SetStencilBits(context->Format().stencilBits);
    m_previous = std::make_unique<CGLCurrentBinding>(CGLCurrentBinding::Capture());
    m_context = std::move(context);
    return true;
}

bool CGLWinMemoryContext::MakeCurrent()
{
    return m_context && m_context->MakeCurrent();
}

bool CGLWinMemoryContext::Release()
{
    if (!m_context)
        return false;
    // The previous context first: once ours is gone, nothing of it may stay current.
    if (m_context->IsCurrent() && !(m_previous && m_previous->Restore()))
        m_context->ReleaseCurrent();
    m_context.reset();
    m_previous.reset();
    return true;
}

bool CGLWinMemoryContext::IsCurrent()
{
    return m_context && m_context->IsCurrent();
}

bool CGLWinMemoryContext::GetMaxViewportDims(int* width, int* height)
{
    if (!IsCurrent())
        return false;
    GLint dims[2] = {0, 0};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, dims);
    *width = dims[0];
    *height = dims[1];
    return dims[0] > 0 && dims[1] > 0;
}

void CGLWinMemoryContext::GetDPI(int* x, int* y)
{
    *x = GetScreenDeviceCaps(LOGPIXELSX);
    *y = GetScreenDeviceCaps(LOGPIXELSY);
}

bool CGLWinMemoryContext::ResizeBuffer(int width, int height)
{
    return m_context && m_context->Resize(width, height) && m_context->MakeCurrent();
}

std::unique_ptr<CGLWinMemoryContext> CreateMemoryGLContext(int width, int height, int colorBits,
                                                           int alphaBits, int stencilBits, int depthBits)
{
    auto context =
        std::make_unique<CGLWinMemoryContext>(width, height, colorBits, alphaBits, stencilBits, depthBits);
    if (!context->Create() || !context->MakeCurrent())
        return nullptr;
    return context;
}
