#include "platform/wgl/GLPixelFormat.h"

#include <GL/gl.h>

namespace {
int GetInteger(GLenum name)
{
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}
}  // namespace

GLPixelFormat GLPixelFormat::OfCurrentContext()
{
    GLPixelFormat format;
    format.colorBits = GetInteger(GL_RED_BITS) + GetInteger(GL_GREEN_BITS) + GetInteger(GL_BLUE_BITS);
    format.alphaBits = GetInteger(GL_ALPHA_BITS);
    format.depthBits = GetInteger(GL_DEPTH_BITS);
    format.stencilBits = GetInteger(GL_STENCIL_BITS);
    format.samples = GetInteger(GL_SAMPLES);
    return format;
}
