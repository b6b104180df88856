#include "platform/wgl/GLCurrentBinding.h"

#include <EGL/egl.h>
#include <GL/glx.h>

CGLCurrentBinding CGLCurrentBinding::Capture()
{
    CGLCurrentBinding binding;
    if (EGLContext context = eglGetCurrentContext(); context != EGL_NO_CONTEXT) {
        binding.m_api = Api::Egl;
        binding.m_display = eglGetCurrentDisplay();
        binding.m_context = context;
        binding.m_draw = reinterpret_cast<std::uintptr_t>(eglGetCurrentSurface(EGL_DRAW));
        binding.m_read = reinterpret_cast<std::uintptr_t>(eglGetCurrentSurface(EGL_READ));
        return binding;
    }
    if (GLXContext context = glXGetCurrentContext()) {
        binding.m_api = Api::Glx;
        binding.m_display = glXGetCurrentDisplay();
        binding.m_context = context;
        binding.m_draw = glXGetCurrentDrawable();
        binding.m_read = glXGetCurrentReadDrawable();
    }
    return binding;
}

bool CGLCurrentBinding::Restore() const
{
    switch (m_api) {
        case Api::Egl:
            ReleaseGlx();
            return eglMakeCurrent(m_display, reinterpret_cast<EGLSurface>(m_draw),
                                  reinterpret_cast<EGLSurface>(m_read), m_context) == EGL_TRUE;
        case Api::Glx:
            ReleaseEgl();
            return glXMakeContextCurrent(static_cast<Display*>(m_display), m_draw, m_read,
                                         static_cast<GLXContext>(m_context)) == True;
        case Api::NoContext: break;
    }
    ReleaseEgl();
    ReleaseGlx();
    return true;
}

void CGLCurrentBinding::ReleaseEgl()
{
    if (eglGetCurrentContext() == EGL_NO_CONTEXT)
        return;
    eglMakeCurrent(eglGetCurrentDisplay(), EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

void CGLCurrentBinding::ReleaseGlx()
{
    if (glXGetCurrentContext() == nullptr)
        return;
    glXMakeContextCurrent(glXGetCurrentDisplay(), None, None, nullptr);
}
