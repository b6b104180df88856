#pragma once
// CGLWinMemoryContext: an offscreen GL context (printing tiles, bitmap export, thumbnails,
// the item buffer), drawing into an EGL pbuffer that needs no X server. The buffer is
// single-buffered, so what is drawn to the back buffer is read back from the front one
// without a swap.
//
// Creating it records the context current at that moment; releasing or deleting it while it
// is current makes that one current again (a context made current since is left alone). A
// released context is dead: it cannot be made current and has no image to give.

#include <memory>

#include "view/GLContext.h"

class CEglPbufferContext;
class CGLCurrentBinding;

class CGLWinMemoryContext : public CGLContext {
public:
    // colorBits counts red, green and blue; the depth and stencil bits are the closest the
    // system offers (GetStencilBits tells what was chosen).
    CGLWinMemoryContext(int width, int height, int colorBits, int alphaBits, int stencilBits, int depthBits);
    ~CGLWinMemoryContext() override;
    CGLWinMemoryContext(const CGLWinMemoryContext&) = delete;
    CGLWinMemoryContext& operator=(const CGLWinMemoryContext&) = delete;

    // Makes the buffer (not yet current), widening the width to a multiple of 4; false when
    // the system offers no such buffer. Creating again first releases.
    bool Create() override;
    bool MakeCurrent() override;
    bool Release() override;
    bool IsCurrent() override;
    // Of this context; false when it is not the current one.
    bool GetMaxViewportDims(int* width, int* height) override;
    // The screen's resolution: the buffer is meant to match the screen.
    void GetDPI(int* x, int* y) override;

protected:
    bool ResizeBuffer(int width, int height) override;

private:
    std::unique_ptr<CEglPbufferContext> m_context;
    std::unique_ptr<CGLCurrentBinding> m_previous;
};

// A created context, current; null when it cannot be made. Callers ask for 24 colour, 8
// alpha, 8 stencil and 32 depth bits.
std::unique_ptr<CGLWinMemoryContext> CreateMemoryGLContext(int width, int height, int colorBits,
                                                           int alphaBits, int stencilBits, int depthBits);
