#include "platform/wgl/GLWindowDC.h"

#include "platform/wgl/GLCanvas.h"
#include "platform/wgl/GLCurrentBinding.h"

#include <wx/gdicmn.h>
#include <wx/utils.h>

#include <GL/glx.h>
#include <GL/glxext.h>

#include <algorithm>
#include <cstring>
#include <sstream>

struct HGLRC__ {
    explicit HGLRC__(CGLCanvas& canvas) : context(&canvas) {}

    wxGLContext context;
    // The GLX handle, learnt the first time the context is made current.
    GLXContext glx = nullptr;
};

namespace {

Display* DisplayOf(CGLCanvas& canvas, int* screen)
{
    Display* display = wxGetX11Display();
    const auto* visual = static_cast<const XVisualInfo*>(canvas.GetXVisualInfo());
    *screen = visual ? visual->screen : (display ? DefaultScreen(display) : 0);
    return display;
}

int Attribute(Display* display, GLXFBConfig config, int name)
{
    int value = 0;
    return glXGetFBConfigAttrib(display, config, name, &value) == Success ? value : 0;
}

std::uint8_t Bits(int value)
{
    return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

// Whether the display's renderer is a hardware one; unknown counts as hardware.
bool RendererIsAccelerated(Display* display, int screen)
{
    const char* extensions = glXQueryExtensionsString(display, screen);
    if (!extensions || !std::strstr(extensions, "GLX_MESA_query_renderer"))
        return true;
    const auto query = reinterpret_cast<PFNGLXQUERYRENDERERINTEGERMESAPROC>(
        glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXQueryRendererIntegerMESA")));
    unsigned int accelerated = 1;
    if (!query || !query(display, screen, 0, GLX_RENDERER_ACCELERATED_MESA, &accelerated))
        return true;
    return accelerated != 0;
}

std::string WglNames(const char* glxExtensions)
{
    std::string names = "WGL_ARB_extensions_string WGL_ARB_pixel_format";
    std::istringstream words(glxExtensions ? glxExtensions : "");
    std::string word;
    while (words >> word) {
        if (word.rfind("GLX_", 0) == 0)
            word.replace(0, 4, "WGL_");
        if (word != "WGL_ARB_pixel_format" && word != "WGL_ARB_extensions_string")
            names += " " + word;
    }
    return names;
}

}  // namespace

CGLWindowDC::CGLWindowDC(CGLCanvas& canvas) : m_canvas(canvas)
{
    int screen = 0;
    Display* display = DisplayOf(canvas, &screen);
    if (!display)
        return;
    m_extensions = WglNames(glXQueryExtensionsString(display, screen));
    const bool hardware = RendererIsAccelerated(display, screen);
    const bool swapMethods = m_extensions.find("WGL_OML_swap_method") != std::string::npos;

    int count = 0;
    GLXFBConfig* configs = glXGetFBConfigs(display, screen, &count);
    for (int i = 0; configs && i < count; ++i) {
        const GLXFBConfig config = configs[i];
        if (!Attribute(display, config, GLX_X_RENDERABLE) ||
            !(Attribute(display, config, GLX_DRAWABLE_TYPE) & GLX_WINDOW_BIT) ||
            Attribute(display, config, GLX_VISUAL_ID) == 0)
            continue;
        PIXELFORMATDESCRIPTOR pfd;
        pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
        if (Attribute(display, config, GLX_DOUBLEBUFFER))
            pfd.dwFlags |= PFD_DOUBLEBUFFER;
        if (Attribute(display, config, GLX_STEREO))
            pfd.dwFlags |= PFD_STEREO;
        if (!hardware || Attribute(display, config, GLX_CONFIG_CAVEAT) == GLX_SLOW_CONFIG)
            pfd.dwFlags |= PFD_GENERIC_FORMAT;
        if (swapMethods) {
            const int method = Attribute(display, config, GLX_SWAP_METHOD_OML);
            if (method == GLX_SWAP_COPY_OML)
                pfd.dwFlags |= PFD_SWAP_COPY;
            else if (method == GLX_SWAP_EXCHANGE_OML)
                pfd.dwFlags |= PFD_SWAP_EXCHANGE;
        }
        pfd.iPixelType = (Attribute(display, config, GLX_RENDER_TYPE) & GLX_RGBA_BIT) ? PFD_TYPE_RGBA
                                                                                      : PFD_TYPE_COLORINDEX;
        pfd.cRedBits = Bits(Attribute(display, config, GLX_RED_SIZE));
        pfd.cGreenBits = Bits(Attribute(display, config, GLX_GREEN_SIZE));
        pfd.cBlueBits = Bits(Attribute(display, config, GLX_BLUE_SIZE));
        pfd.cAlphaBits = Bits(Attribute(display, config, GLX_ALPHA_SIZE));
        pfd.cColorBits = Bits(pfd.cRedBits + pfd.cGreenBits + pfd.cBlueBits);
        pfd.cAccumRedBits = Bits(Attribute(display, config, GLX_ACCUM_RED_SIZE));
        pfd.cAccumGreenBits = Bits(Attribute(display, config, GLX_ACCUM_GREEN_SIZE));
        pfd.cAccumBlueBits = Bits(Attribute(display, config, GLX_ACCUM_BLUE_SIZE));
        pfd.cAccumAlphaBits = Bits(Attribute(display, config, GLX_ACCUM_ALPHA_SIZE));
        pfd.cAccumBits =
            Bits(pfd.cAccumRedBits + pfd.cAccumGreenBits + pfd.cAccumBlueBits + pfd.cAccumAlphaBits);
        pfd.cDepthBits = Bits(Attribute(display, config, GLX_DEPTH_SIZE));
        pfd.cStencilBits = Bits(Attribute(display, config, GLX_STENCIL_SIZE));
        const int samples =
            Attribute(display, config, GLX_SAMPLE_BUFFERS) > 0 ? Attribute(display, config, GLX_SAMPLES) : 0;
        m_formats.push_back({Attribute(display, config, GLX_FBCONFIG_ID), pfd, samples});
    }
    if (configs)
        XFree(configs);
}

CGLWindowDC::~CGLWindowDC() = default;

const CGLWindowDC::Format* CGLWindowDC::Find(int format) const
{
    if (format < 1 || format > static_cast<int>(m_formats.size()))
        return nullptr;
    return &m_formats[static_cast<size_t>(format - 1)];
}

int CGLWindowDC::DescribePixelFormat(int format, PIXELFORMATDESCRIPTOR* descriptor)
{
    if (descriptor) {
        const Format* found = Find(format);
        if (!found)
            return 0;
        *descriptor = found->descriptor;
    }
    return static_cast<int>(m_formats.size());
}

int CGLWindowDC::GetPixelFormatSamples(int format)
{
    const Format* found = Find(format);
    return found ? found->samples : 0;
}

std::string CGLWindowDC::GetExtensionsString()
{
    return m_extensions;
}

int CGLWindowDC::GetPixelFormat()
{
    const GLXFBConfig* config = m_canvas.GetGLXFBConfig();
    int screen = 0;
    Display* display = DisplayOf(m_canvas, &screen);
    if (!config || !*config || !display)
        return 0;
    const int id = Attribute(display, *config, GLX_FBCONFIG_ID);
    for (size_t i = 0; i < m_formats.size(); ++i)
        if (m_formats[i].configId == id)
            return static_cast<int>(i) + 1;
    return 0;
}

bool CGLWindowDC::SetPixelFormat(int format)
{
    return format > 0 && format == GetPixelFormat();
}

int CGLWindowDC::GetBitsPerPixel() const
{
    const auto* visual = static_cast<const XVisualInfo*>(m_canvas.GetXVisualInfo());
    return visual ? visual->depth : 0;
}

void CGLWindowDC::GetDPI(int* x, int* y) const
{
    const wxSize ppi = wxGetDisplayPPI();
    *x = ppi.x;
    *y = ppi.y;
}

bool CGLWindowDC::SwapBuffers()
{
    return m_canvas.SwapBuffers();
}

HGLRC CGLWindowDC::CreateContext()
{
    auto* context = new HGLRC__(m_canvas);
    if (!context->context.IsOK()) {
        delete context;
        return nullptr;
    }
    return context;
}

void CGLWindowDC::DeleteContext(HGLRC context)
{
    delete context;
}

bool CGLWindowDC::MakeCurrent(HGLRC context)
{
    if (!context)
        return false;
    CGLCurrentBinding::ReleaseEgl();
    if (!context->context.SetCurrent(m_canvas))
        return false;
    context->glx = glXGetCurrentContext();
    return true;
}

bool CGLWindowDC::IsContextCurrent(HGLRC context)
{
    return context && context->glx && glXGetCurrentContext() == context->glx;
}

bool CGLWindowDC::IsCurrent(HGLRC context) const
{
    return IsContextCurrent(context) && glXGetCurrentDrawable() == m_canvas.GetXWindow();
}
