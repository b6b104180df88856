#pragma once
// Pixel formats given by a test: a list of descriptors (numbered from 1), their sample counts,
// an extension string and the surface's format.

#include "platform/wgl/PixelFormatProvider.h"

#include <string>
#include <vector>

struct ScriptedFormat {
    bool accelerated = true;
    int color = 24;  // red + green + blue, split evenly
    int alpha = 8;
    int depth = 24;
    int stencil = 8;
    bool swapCopy = false;
    int samples = 0;
    bool doubleBuffer = true;
    bool rgba = true;
};

class CScriptedPixelFormats : public IPixelFormatProvider {
public:
    CScriptedPixelFormats(std::vector<ScriptedFormat> formats, std::string extensions)
        : m_formats(std::move(formats)), m_extensions(std::move(extensions))
    {}

    static PIXELFORMATDESCRIPTOR Describe(const ScriptedFormat& format)
    {
        PIXELFORMATDESCRIPTOR pfd;
        pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
        if (format.doubleBuffer)
            pfd.dwFlags |= PFD_DOUBLEBUFFER;
        if (!format.accelerated)
            pfd.dwFlags |= PFD_GENERIC_FORMAT;
        pfd.dwFlags |= format.swapCopy ? PFD_SWAP_COPY : PFD_SWAP_EXCHANGE;
        pfd.iPixelType = format.rgba ? PFD_TYPE_RGBA : PFD_TYPE_COLORINDEX;
        pfd.cRedBits = pfd.cGreenBits = pfd.cBlueBits = static_cast<std::uint8_t>(format.color / 3);
        pfd.cColorBits = static_cast<std::uint8_t>(format.color);
        pfd.cAlphaBits = static_cast<std::uint8_t>(format.alpha);
        pfd.cDepthBits = static_cast<std::uint8_t>(format.depth);
        pfd.cStencilBits = static_cast<std::uint8_t>(format.stencil);
        return pfd;
    }

    int DescribePixelFormat(int format, PIXELFORMATDESCRIPTOR* descriptor) override
    {
        if (descriptor) {
            if (format < 1 || format > Count())
                return 0;
            *descriptor = Describe(m_formats[static_cast<size_t>(format - 1)]);
        }
        return Count();
    }
    int GetPixelFormatSamples(int format) override
    {
        return format < 1 || format > Count() ? 0 : m_formats[static_cast<size_t>(format - 1)].samples;
    }
    std::string GetExtensionsString() override { return m_extensions; }
    int GetPixelFormat() override { return m_current; }
    bool SetPixelFormat(int format) override
    {
        if (m_current != 0 && m_current != format)
            return false;
        m_current = format;
        return true;
    }

private:
    int Count() const { return static_cast<int>(m_formats.size()); }

    std::vector<ScriptedFormat> m_formats;
    std::string m_extensions;
    int m_current = 0;
};
