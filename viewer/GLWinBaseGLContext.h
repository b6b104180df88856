#pragma once
// CGLWinBaseGLContext: the GL context of an on-screen view window. It owns the window's device
// context object from creation on and a rendering context made for it on the pixel format
// that the graphics configuration chose. Made through CreateOnDC, which reports why creation
// failed by a code that indexes GLContextErrorStrings.
//
// The window's size only shrinks through SetSize; the view sets its viewport itself when the
// window grows.

#include "platform/wgl/GLWindowDC.h"
#include "view/GLContext.h"

#include <memory>

// The texts of the context error codes 0 to 9.
extern const char* const GLContextErrorStrings[10];

class CGLWinBaseGLContext : public IGLContext {
public:
    // Takes the device context over; null (the device context deleted) when the pixel format
    // is not above 0 or the context cannot be made, with the reason in `error`.
    static CGLWinBaseGLContext* CreateOnDC(std::unique_ptr<CGLWindowDC> dc, int pixelFormat, int width,
                                           int height, int* error);

    ~CGLWinBaseGLContext() override;
    CGLWinBaseGLContext(const CGLWinBaseGLContext&) = delete;
    CGLWinBaseGLContext& operator=(const CGLWinBaseGLContext&) = delete;

    // How often MakeCurrent asks before it gives up.
    static constexpr int kMakeCurrentAttempts = 102;

    bool MakeCurrent() override;
    bool Release() override;
    bool GetMaxViewportDims(int* width, int* height) override;
    bool SetSize(int width, int height) override;
    void GetSize(int* width, int* height) override;
    bool IsHardwareAccelerated() override;
    int GetColorBits() override;
    bool IsCurrent() override;
    void SwapBuffers() override;
    int GetStencilBits() override;
    bool IsNvidiaTrueColor() override;
    bool HasStencil8() override;
    void GetDPI(int* x, int* y) override;
    int GetMultisampleLevel() override { return m_multisampleLevel; }
    HGLRC GetHGLRC() const { return m_context; }

    // The best format of the device context for these wishes, 0 without a device context.
    virtual int ChoosePixelFormat(bool accelerated, bool swapCopy, int colorBits, int alphaBits,
                                  int stencilBits, int depthBits);
    // Sets the format on the window and makes a rendering context for it, left current.
    virtual bool CreateContext(int pixelFormat, int* error);
    // The owned device context, null after Release.
    virtual CGLWindowDC* GetDC() { return m_dc.get(); }

protected:
    CGLWinBaseGLContext(std::unique_ptr<CGLWindowDC> dc, int width, int height);

private:
    // The sample count (4, 2 or 0) that a format otherwise equal to the window's offers.
    int ProbeMultisampleLevel();

    int m_width;
    int m_height;
    std::unique_ptr<CGLWindowDC> m_dc;
    HGLRC m_context = nullptr;
    int m_multisampleLevel = 0;
};
