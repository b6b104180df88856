#include "platform/wgl/EglPbufferContext.h"

#include "platform/wgl/GLCurrentBinding.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <tuple>
#include <vector>

namespace {
void Report(std::string* failure, std::string text)
{
    if (failure)
        *failure = std::move(text);
}

std::string EglErrorText(const char* call)
{
    char code[16];
    std::snprintf(code, sizeof code, "0x%04X", static_cast<unsigned>(eglGetError()));
    return std::string(call) + " failed with EGL error " + code;
}

bool HasExtension(const char* list, std::string_view name)
{
    for (std::string_view rest = list ? list : ""; !rest.empty();) {
        const std::size_t end = rest.find(' ');
        if (rest.substr(0, end) == name)
            return true;
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    return false;
}

// eglInitialize may be called any number of times on the one surfaceless display; the
// display is never terminated, because that would destroy every context made on it.
EGLDisplay SurfacelessDisplay(std::string* failure)
{
    if (!HasExtension(eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS), "EGL_MESA_platform_surfaceless")) {
        Report(failure, "EGL offers no surfaceless platform (EGL_MESA_platform_surfaceless)");
        return EGL_NO_DISPLAY;
    }
    const auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) {
        Report(failure, "EGL has no eglGetPlatformDisplayEXT");
        return EGL_NO_DISPLAY;
    }
    EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY) {
        Report(failure, EglErrorText("eglGetPlatformDisplayEXT"));
        return EGL_NO_DISPLAY;
    }
    if (eglInitialize(display, nullptr, nullptr) != EGL_TRUE) {
        Report(failure, EglErrorText("eglInitialize"));
        return EGL_NO_DISPLAY;
    }
    return display;
}

EGLint Attribute(EGLDisplay display, EGLConfig config, EGLint name)
{
    EGLint value = 0;
    eglGetConfigAttrib(display, config, name, &value);
    return value;
}

GLPixelFormat FormatOf(EGLDisplay display, EGLConfig config)
{
    GLPixelFormat format;
    format.colorBits = Attribute(display, config, EGL_RED_SIZE) + Attribute(display, config, EGL_GREEN_SIZE) +
                       Attribute(display, config, EGL_BLUE_SIZE);
    format.alphaBits = Attribute(display, config, EGL_ALPHA_SIZE);
    format.depthBits = Attribute(display, config, EGL_DEPTH_SIZE);
    format.stencilBits = Attribute(display, config, EGL_STENCIL_SIZE);
    format.samples = Attribute(display, config, EGL_SAMPLES);
    return format;
}

// Lower is better: a stencil shortfall first, then a depth shortfall, then the distance
// from the request.
auto Distance(const GLPixelFormat& offered, const GLPixelFormat& request)
{
    return std::make_tuple(offered.stencilBits < request.stencilBits, offered.depthBits < request.depthBits,
                           std::abs(offered.stencilBits - request.stencilBits),
                           std::abs(offered.depthBits - request.depthBits));
}

EGLConfig ChooseConfig(EGLDisplay display, const GLPixelFormat& request, std::string* failure)
{
    const EGLint wanted[] = {EGL_SURFACE_TYPE,
                             EGL_PBUFFER_BIT,
                             EGL_RENDERABLE_TYPE,
                             EGL_OPENGL_BIT,
                             EGL_COLOR_BUFFER_TYPE,
                             EGL_RGB_BUFFER,
                             EGL_CONFIG_CAVEAT,
                             EGL_NONE,
                             EGL_NONE};
    EGLint count = 0;
    if (eglChooseConfig(display, wanted, nullptr, 0, &count) != EGL_TRUE || count <= 0) {
        Report(failure, "EGL offers no pbuffer configuration for OpenGL");
        return nullptr;
    }
    std::vector<EGLConfig> configs(static_cast<std::size_t>(count));
    eglChooseConfig(display, wanted, configs.data(), count, &count);
    configs.resize(static_cast<std::size_t>(count));

    EGLConfig best = nullptr;
    GLPixelFormat bestFormat;
    for (EGLConfig config : configs) {
        const GLPixelFormat offered = FormatOf(display, config);
        if (offered.colorBits != request.colorBits || offered.alphaBits != request.alphaBits ||
            offered.samples != request.samples)
            continue;
        if (!best || Distance(offered, request) < Distance(bestFormat, request)) {
            best = config;
            bestFormat = offered;
        }
    }
    if (!best)
        Report(failure, "EGL offers no pbuffer configuration with " + std::to_string(request.colorBits) +
                            " colour bits, " + std::to_string(request.alphaBits) + " alpha bits and " +
                            std::to_string(request.samples) + " samples");
    return best;
}
}  // namespace

std::unique_ptr<CEglPbufferContext> CEglPbufferContext::Create(int width, int height,
                                                               const GLPixelFormat& request,
                                                               std::string* failure)
{
    std::unique_ptr<CEglPbufferContext> result(new CEglPbufferContext);
    CEglPbufferContext& self = *result;
    self.m_display = SurfacelessDisplay(failure);
    if (self.m_display == EGL_NO_DISPLAY)
        return nullptr;
    self.m_config = ChooseConfig(self.m_display, request, failure);
    if (!self.m_config)
        return nullptr;
    self.m_format = FormatOf(self.m_display, self.m_config);
    self.m_maxWidth = Attribute(self.m_display, self.m_config, EGL_MAX_PBUFFER_WIDTH);
    self.m_maxHeight = Attribute(self.m_display, self.m_config, EGL_MAX_PBUFFER_HEIGHT);
    if (!self.IsValidSize(width, height)) {
        Report(failure, "a pbuffer of " + std::to_string(width) + " x " + std::to_string(height) +
                            " pixels is outside 1 x 1 to " + std::to_string(self.m_maxWidth) + " x " +
                            std::to_string(self.m_maxHeight));
        return nullptr;
    }

    // Version 2.1 with no profile gives the newest compatibility context the driver has.
    eglBindAPI(EGL_OPENGL_API);
    const EGLint contextAttributes[] = {EGL_CONTEXT_MAJOR_VERSION, 2, EGL_CONTEXT_MINOR_VERSION, 1, EGL_NONE};
    self.m_context = eglCreateContext(self.m_display, self.m_config, EGL_NO_CONTEXT, contextAttributes);
    if (self.m_context == EGL_NO_CONTEXT) {
        Report(failure, EglErrorText("eglCreateContext"));
        return nullptr;
    }
    self.m_surface = self.CreateSurface(width, height);
    if (self.m_surface == EGL_NO_SURFACE) {
        Report(failure, EglErrorText("eglCreatePbufferSurface"));
        return nullptr;
    }
    self.m_width = width;
    self.m_height = height;
    return result;
}

CEglPbufferContext::~CEglPbufferContext()
{
    ReleaseCurrent();
    if (m_surface != EGL_NO_SURFACE)
        eglDestroySurface(m_display, m_surface);
    if (m_context != EGL_NO_CONTEXT)
        eglDestroyContext(m_display, m_context);
}

bool CEglPbufferContext::MakeCurrent()
{
    CGLCurrentBinding::ReleaseGlx();
    return eglMakeCurrent(m_display, m_surface, m_surface, m_context) == EGL_TRUE;
}

bool CEglPbufferContext::IsCurrent() const
{
    return m_context != EGL_NO_CONTEXT && eglGetCurrentContext() == m_context;
}

void CEglPbufferContext::ReleaseCurrent()
{
    if (IsCurrent())
        eglMakeCurrent(m_display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

bool CEglPbufferContext::Resize(int width, int height)
{
    if (!IsValidSize(width, height))
        return false;
    EGLSurface surface = CreateSurface(width, height);
    if (surface == EGL_NO_SURFACE)
        return false;
    if (IsCurrent() && eglMakeCurrent(m_display, surface, surface, m_context) != EGL_TRUE) {
        eglDestroySurface(m_display, surface);
        return false;
    }
    eglDestroySurface(m_display, m_surface);
    m_surface = surface;
    m_width = width;
    m_height = height;
    return true;
}

bool CEglPbufferContext::IsValidSize(int width, int height) const
{
    return width >= 1 && height >= 1 && width <= m_maxWidth && height <= m_maxHeight;
}

void* CEglPbufferContext::CreateSurface(int width, int height) const
{
    const EGLint attributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    return eglCreatePbufferSurface(m_display, m_config, attributes);
}
