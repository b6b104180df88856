#pragma once

#include "platform/wgl/GLPixelFormat.h"

#include <wx/glcanvas.h>

// A wxGLCanvas (GLX) together with its own GL context: the window surface that views draw
// on with legacy OpenGL. Double-buffered; draw, read back from GL_BACK if needed, then
// SwapBuffers().
class CGLCanvas : public wxGLCanvas {
public:
    // The canvas with that pixel format (colour and alpha bits are minimums; depth, stencil
    // and samples as given), or null when the display offers no such format.
    static CGLCanvas* Create(wxWindow* parent, wxWindowID id = wxID_ANY, const GLPixelFormat& format = {});

    static wxGLAttributes AttributesFor(const GLPixelFormat& format);

    // Releases a current EGL context first (see CGLCurrentBinding). Needs the canvas shown.
    bool MakeCurrent();

private:
    CGLCanvas(wxWindow* parent, wxWindowID id, const wxGLAttributes& attributes);

    wxGLContext m_context;
};
