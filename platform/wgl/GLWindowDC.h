#pragma once
// CGLWindowDC: the device context of a GL window (a CGLCanvas) as the GL configuration and the
// window GL context use it: the pixel formats of the window's display, the window's own
// format, its colour depth and resolution, buffer swaps, and GL rendering contexts made for
// it (HGLRC handles).
//
// The formats are the display's GLX frame-buffer configurations that can draw to a window, in
// the server's order. A window's format is fixed when the canvas is made, so SetPixelFormat
// succeeds only for the format the window already has, as a Win32 window takes one format
// once. Formats that a software renderer draws are generic (PFD_GENERIC_FORMAT); a format
// swaps by copy when the server says so through the OML swap-method extension. The extension
// string is the display's GLX extensions under their WGL names, with WGL_ARB_pixel_format
// standing for the frame-buffer configurations themselves.

#include "platform/wgl/PixelFormatProvider.h"

#include <cstdint>
#include <string>
#include <vector>

class CGLCanvas;
struct HGLRC__;
using HGLRC = HGLRC__*;

class CGLWindowDC : public IPixelFormatProvider {
public:
    // The canvas must outlive this object.
    explicit CGLWindowDC(CGLCanvas& canvas);
    ~CGLWindowDC() override;
    CGLWindowDC(const CGLWindowDC&) = delete;
    CGLWindowDC& operator=(const CGLWindowDC&) = delete;

    int DescribePixelFormat(int format, PIXELFORMATDESCRIPTOR* descriptor) override;
    int GetPixelFormatSamples(int format) override;
    std::string GetExtensionsString() override;
    int GetPixelFormat() override;
    bool SetPixelFormat(int format) override;

    CGLCanvas& GetCanvas() const { return m_canvas; }
    // Bits per pixel of the window's visual.
    int GetBitsPerPixel() const;
    // Dots per inch of the screen.
    void GetDPI(int* x, int* y) const;
    bool SwapBuffers();

    // A new rendering context for the window, null when none can be made. Delete it with
    // DeleteContext.
    HGLRC CreateContext();
    static void DeleteContext(HGLRC context);
    // Makes the context current on the window (releasing a current offscreen context first).
    virtual bool MakeCurrent(HGLRC context);
    // The context is current on this thread (on whatever drawable).
    static bool IsContextCurrent(HGLRC context);
    // The context is current, drawing to this window.
    bool IsCurrent(HGLRC context) const;

private:
    struct Format {
        int configId;
        PIXELFORMATDESCRIPTOR descriptor;
        int samples;
    };

    const Format* Find(int format) const;

    CGLCanvas& m_canvas;
    std::vector<Format> m_formats;
    std::string m_extensions;
};
