#include "platform/wgl/GLCanvas.h"

#include "platform/wgl/GLCurrentBinding.h"

CGLCanvas* CGLCanvas::Create(wxWindow* parent, wxWindowID id, const GLPixelFormat& format)
{
    const wxGLAttributes attributes = AttributesFor(format);
    if (!IsDisplaySupported(attributes))
        return nullptr;
    return new CGLCanvas(parent, id, attributes);
}

wxGLAttributes CGLCanvas::AttributesFor(const GLPixelFormat& format)
{
    const int channelBits = format.colorBits / 3;
    wxGLAttributes attributes;
    attributes.PlatformDefaults().RGBA().MinRGBA(channelBits, channelBits, channelBits, format.alphaBits);
    attributes.DoubleBuffer().Depth(format.depthBits).Stencil(format.stencilBits);
    if (format.samples > 0)
        attributes.SampleBuffers(1).Samplers(format.samples);
    attributes.EndList();
    return attributes;
}

CGLCanvas::CGLCanvas(wxWindow* parent, wxWindowID id, const wxGLAttributes& attributes)
    : wxGLCanvas(parent, attributes, id), m_context(this)
{}

bool CGLCanvas::MakeCurrent()
{
    CGLCurrentBinding::ReleaseEgl();
    return m_context.SetCurrent(*this);
}
