#pragma once
// IGLContext: every OpenGL drawing surface (a view window, an offscreen buffer) as the model
// view and the offscreen renderers see it. Every operation has a body that answers "not
// available", so an implementation overrides only what it supports.
//
// CGLContext: what the offscreen contexts share: the requested size and bit depths, the
// buffer width widened to a multiple of 4, resizing, and reading the colour buffer back into
// an image (top row first, blue-green-red order) for the image and image-file operations.
// The buffer itself (its creation, release, making it current) is the derived class's.
//
// Contexts make themselves current only when asked to (MakeCurrent; resizing an offscreen
// context also leaves it current). The other operations that issue GL calls need the context
// current: reading an image back from a context that is not fails.

#include <memory>

class CDib;
namespace orbisk::imageutils {
class ImageRep;
}

class IGLContext {
public:
    virtual ~IGLContext() = default;

    virtual bool Create() { return false; }
    virtual bool MakeCurrent() { return false; }
    // Gives up the GL context and its buffer; afterwards the context can no longer be made
    // current.
    virtual bool Release() { return false; }
    // GL_MAX_VIEWPORT_DIMS, in pixels.
    virtual bool GetMaxViewportDims(int* width, int* height)
    {
        (void)width;
        (void)height;
        return false;
    }
    virtual bool SetSize(int width, int height)
    {
        (void)width;
        (void)height;
        return false;
    }
    // The buffer's size in pixels.
    virtual void GetSize(int* width, int* height)
    {
        *width = 0;
        *height = 0;
    }
    // The width asked for, which is the width of every image read back.
    virtual int GetRequestedWidth() { return 0; }
    virtual bool IsHardwareAccelerated() { return false; }
    virtual int GetColorBits() { return 0; }
    // Device pixels per drawing unit.
    virtual double GetScale() { return 1.0; }
    virtual bool IsCurrent() { return false; }
    virtual void SwapBuffers() {}
    // -1: the surface cannot tell.
    virtual int GetStencilBits() { return -1; }
    virtual bool IsNvidiaTrueColor() { return false; }
    virtual bool HasStencil8() { return false; }
    // Dots per inch; -1, -1 when unknown.
    virtual void GetDPI(int* x, int* y)
    {
        *x = -1;
        *y = -1;
    }
    // Samples per pixel of a multisampled surface: 4, 2, or 0 for none.
    virtual int GetMultisampleLevel() { return 0; }
    // Saves the image read back by the path's extension (jpg, png, bmp, tif); quality is the
    // JPEG quality or the PNG compression level.
    virtual bool SaveImage(const wchar_t* path, int quality)
    {
        (void)path;
        (void)quality;
        return false;
    }
    // A new image object holding the image read back, without holders yet; null when there
    // is no image to read.
    virtual CDib* GetDib() { return nullptr; }
};

class CGLContext : public IGLContext {
public:
    using ImageRep = orbisk::imageutils::ImageRep;

    // colorBits counts red, green and blue together; alphaBits 0 reads images back as RGB,
    // anything else as RGBA.
    CGLContext(int width, int height, int colorBits, int alphaBits, int stencilBits, int depthBits);

    // When the widened width and the height are unchanged, only the requested width changes.
    // Otherwise the buffer is rebuilt at the new size and left current with
    // the viewport covering the requested width; on failure (a size beyond the maximum
    // viewport, a buffer that cannot be made) everything stays as it was, including the
    // requested width, and the result is false.
    bool SetSize(int width, int height) override;
    void GetSize(int* width, int* height) override;
    int GetRequestedWidth() override { return m_requestedWidth; }
    int GetStencilBits() override { return m_stencilBits; }
    bool HasStencil8() override { return GetStencilBits() == 8; }
    bool SaveImage(const wchar_t* path, int quality) override;
    CDib* GetDib() override;

    // The colour buffer of this context (which must be current), requested width by
    // height: RGB when colour plus alpha bits are 24, else RGBA; null when this context is
    // not current or the read fails.
    std::unique_ptr<ImageRep> ReadImage();

    int GetDepthBits() const { return m_depthBits; }
    int GetAlphaBits() const { return m_alphaBits; }

    // The buffer width for a requested width: the next multiple of 4, at least 4.
    static int WidenedWidth(int width);

protected:
    // Replaces the buffer by one of the given (already widened) size, keeping the context
    // current; on failure the old buffer must be left in place and usable.
    virtual bool ResizeBuffer(int width, int height) = 0;

    // For the derived class's Create: the buffer width it shall make and the stencil bits it
    // actually got.
    void WidenWidth() { m_width = WidenedWidth(m_requestedWidth); }
    void SetStencilBits(int bits) { m_stencilBits = bits; }
    int GetBufferWidth() const { return m_width; }
    int GetBufferHeight() const { return m_height; }
    int GetRequestedColorBits() const { return m_colorBits; }

private:
    int m_width;
    int m_height;
    int m_colorBits;
    int m_alphaBits;
    int m_stencilBits;
    int m_depthBits;
    int m_requestedWidth;
};
