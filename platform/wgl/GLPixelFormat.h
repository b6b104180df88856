#pragma once

// The bit depths of a GL framebuffer: what a context asks for, and what the chosen
// configuration actually has.
struct GLPixelFormat {
    int colorBits = 24;  // red + green + blue together
    int alphaBits = 8;
    int depthBits = 24;
    int stencilBits = 8;
    int samples = 0;  // 0: no multisampling

    // The framebuffer of the context current on this thread; all zero when none is current.
    static GLPixelFormat OfCurrentContext();

    friend bool operator==(const GLPixelFormat&, const GLPixelFormat&) = default;
};
