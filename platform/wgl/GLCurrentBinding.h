#pragma once

#include <cstdint>

// Which GL context is current on this thread, of either API: an EGL context (offscreen)
// or a GLX context (a window). glvnd lets only one of them be current at a time, and
// refuses to make a context of one API current while the other API has one current,
// so everything that makes a context current goes through ReleaseEgl/ReleaseGlx first.
//
// A binding captured here is restored with the very handles it saw: the context and
// surfaces it names must still exist when Restore runs.
class CGLCurrentBinding {
public:
    static CGLCurrentBinding Capture();

    // Makes the captured context current again; a binding of nothing leaves no context
    // of either API current.
    bool Restore() const;

    bool IsNone() const { return m_api == Api::NoContext; }

    static void ReleaseEgl();
    static void ReleaseGlx();

private:
    enum class Api { NoContext, Egl, Glx };

    Api m_api = Api::NoContext;
    // EGL or GLX handles, kept opaque so that includers get neither Xlib's macros
    // (None, Bool, Status) nor EGL's headers. Surfaces are EGLSurface pointers or GLX
    // drawable ids; both fit an uintptr_t.
    void* m_display = nullptr;
    void* m_context = nullptr;
    std::uintptr_t m_draw = 0;
    std::uintptr_t m_read = 0;
};
