#include "platform/wgl/GLCurrentBinding.h"

#include <EGL/egl.h>
#include <GL/glx.h>

CGLCurrentBinding CGLCurrentBinding::Capture()
{
    CGLCurrentBinding binding;
    if (EGLContext context = eglGetCurrentContext(); context != EGL_NO_CONTEXT) {
        binding.api_ = Api::Egl;
        binding.display_ = eglGetCurrentDisplay();
        binding.context_ = context;
        binding.draw_ = reinterpret_cast<std::uintptr_t>(eglGetCurrentSurface(EGL_DRAW));
        binding.read_ = reinterpret_cast<std::uintptr_t>(eglGetCurrentSurface(EGL_READ));
        return binding;
    }
    if (GLXContext context = glXGetCurrentContext()) {
        binding.api_ = Api::Glx;
        binding.display_ = glXGetCurrentDisplay();
        binding.context_ = context;
        binding.draw_ = glXGetCurrentDrawable();
        binding.read_ = glXGetCurrentReadDrawable();
    }
    return binding;
}

bool CGLCurrentBinding::Restore() const
{
    switch (api_) {
    case Api::Egl:
        ReleaseGlx();
        return eglMakeCurrent(display_, reinterpret_cast<EGLSurface>(draw_),
                              reinterpret_cast<EGLSurface>(read_), context_) == EGL_TRUE;
    case Api::Glx:
        ReleaseEgl();
        return glXMakeContextCurrent(static_cast<Display*>(display_), draw_, read_,
                                     static_cast<GLXContext>(context_)) == True;
    case Api::NoContext:
        break;
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
