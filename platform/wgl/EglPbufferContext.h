#pragma once

#include "platform/wgl/GLPixelFormat.h"

#include <memory>
#include <string>

// A GL context that draws into an EGL pbuffer on Mesa's surfaceless platform: offscreen,
// with no X server. The context is a compatibility one (legacy OpenGL 1.x + GLU works).
//
// The framework is single-buffered: GL_FRONT and GL_BACK name the same buffer, so an
// image drawn to GL_BACK can be read back from GL_FRONT. No swap is needed.
//
// The request's colour bits, alpha bits and samples must be matched exactly; for depth and
// stencil the closest configuration is chosen, giving up depth before stencil (a request
// of 32-bit depth with 8-bit stencil gets 24/8 where no 32/8 configuration exists).
// Format() tells what was chosen.
class CEglPbufferContext {
public:
    // A context with a width x height pbuffer (both at least 1), not yet current; null on
    // failure, with the reason in *failure when given.
    static std::unique_ptr<CEglPbufferContext> Create(int width, int height,
                                                      const GLPixelFormat& request = {},
                                                      std::string* failure = nullptr);
    ~CEglPbufferContext();
    CEglPbufferContext(const CEglPbufferContext&) = delete;
    CEglPbufferContext& operator=(const CEglPbufferContext&) = delete;

    // Releases a current GLX context first (see CGLCurrentBinding).
    bool MakeCurrent();
    bool IsCurrent() const;
    // Leaves no context current when this one is; otherwise does nothing.
    void ReleaseCurrent();

    // Replaces the pbuffer by one of the new size; the context and its GL objects (display
    // lists, textures) stay, and a current context stays current on the new pbuffer. The
    // viewport is the caller's to set. On failure (a size out of range, or EGL refusing)
    // nothing changes and the result is false.
    bool Resize(int width, int height);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    const GLPixelFormat& Format() const { return m_format; }

private:
    CEglPbufferContext() = default;
    bool IsValidSize(int width, int height) const;
    void* CreateSurface(int width, int height) const;

    // EGLDisplay, EGLConfig, EGLContext and EGLSurface, kept opaque so that includers do
    // not get EGL's headers.
    void* m_display = nullptr;
    void* m_config = nullptr;
    void* m_context = nullptr;
    void* m_surface = nullptr;
    int m_width = 0;
    int m_height = 0;
    int m_maxWidth = 0;
    int m_maxHeight = 0;
    GLPixelFormat m_format;
};
