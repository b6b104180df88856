#pragma once
// Text drawn in OpenGL from a cache that holds it already rendered: a text is rasterised
// only when its content, font or size changes.
//
// IGLTextCache keeps the key of the text it holds (text, alignment, face, bold, italic,
// size); SetText rebuilds only for a new key. The image caches hold the text as an alpha
// image that the current colour paints: CGLTextImageCache in one texture,
// CGLTiledTextImageCache in a grid of tiles (for texts larger than one texture). The text
// rasteriser (ITextRasterizer) renders black text on white and hands the pixels to the
// cache's Load. Textures belong to the GL context current when the text was built: owners
// Clear their caches before drawing in another context.

#include <cstdint>

#include "platform/mfc/String.h"
#include "settings/GLImage.h"

class IGLTextCache {
public:
    virtual ~IGLTextCache() = default;

    // Draws the text held from (0, 0) to (GetWidth, GetHeight) in the z = 0 plane of the
    // current model-view frame, in the current colour.
    virtual void Draw() = 0;
    // In drawing units (pixels x scale), truncated; 0 when nothing is held.
    virtual int GetWidth() = 0;
    virtual int GetHeight() = 0;
    // Renders the text into the cache.
    virtual void Build(const CString& text, int alignment, const CString& face, bool bold, bool italic,
                       int size) = 0;
    // Drops the text held and the key.
    virtual void Clear();
    virtual bool IsValid() = 0;
    // 0 image caches, 1 outline caches, 2 filled outline caches.
    virtual int GetKind() = 0;
    virtual void SetSmooth(bool smooth) = 0;

    // Nothing when the key is the one held (text and face compared exactly); otherwise Clear,
    // Build unless the text is empty, and the new key is kept (also for an empty text, and
    // when the build fails, so that a failing text is not tried again for every frame).
    void SetText(const CString& text, int alignment, const CString& face, bool bold, bool italic, int size);

    const CString& GetText() const { return m_text; }
    // 0 left, 1 centred, 2 right.
    int GetAlignment() const { return m_alignment; }
    const CString& GetFaceName() const { return m_faceName; }
    bool IsBold() const { return m_bold; }
    bool IsItalic() const { return m_italic; }
    int GetSize() const { return m_size; }

private:
    CString m_text;
    int m_alignment = 0;
    CString m_faceName;
    bool m_bold = false;
    bool m_italic = false;
    int m_size = 0;
};

class CGLTextImageCacheBase;

// What renders a text for the image caches. The rasteriser draws the text black on white and
// passes the pixels to the cache's Load; it returns false, leaving the cache empty, when it
// cannot (no such font, no memory).
class ITextRasterizer {
public:
    virtual ~ITextRasterizer() = default;
    virtual bool RenderTextToCache(const CString& text, int alignment, const CString& face, bool bold,
                                   bool italic, int size, CGLTextImageCacheBase& cache) = 0;
};

// The process's text rasteriser (null: none, and image caches build nothing). The object stays
// the caller's and must outlive its use.
void SetTextRasterizer(ITextRasterizer* rasterizer);
ITextRasterizer* GetTextRasterizer();

// An image cache: the key and one embedded image.
class CGLTextImageCacheBase : public IGLTextCache {
public:
    ~CGLTextImageCacheBase() override = default;

    // The image drawn in two passes (CGLImageBase::DrawAlphaTwoPass).
    void Draw() override;
    int GetWidth() override;
    int GetHeight() override;
    // Through the process's text rasteriser.
    void Build(const CString& text, int alignment, const CString& face, bool bold, bool italic,
               int size) override;
    void Clear() override;
    // The image's scale is valid and the alignment is 0, 1 or 2.
    bool IsValid() override;
    int GetKind() override { return 0; }
    // A new value clears the cache, so that the next SetText builds with the new filtering.
    void SetSmooth(bool smooth) override;

    virtual CGLImageBase& GetImage() = 0;
    virtual const CGLImageBase& GetImage() const = 0;

    // The rasteriser's entry: loads the image (see CGLImageBase::Load).
    void Load(int width, int height, const uint8_t* pixels, int bitsPerPixel, int stride, bool flip,
              double scale, bool mipmaps);
};

class CGLTextImageCache : public CGLTextImageCacheBase {
public:
    CGLTextImageCache() = default;
    ~CGLTextImageCache() override;

    CGLImage& GetImage() override { return m_image; }
    const CGLImage& GetImage() const override { return m_image; }

private:
    CGLImage m_image;
};

class CGLTiledTextImageCache : public CGLTextImageCacheBase {
public:
    CGLTiledTextImageCache() = default;
    ~CGLTiledTextImageCache() override;

    CGLTiledImage& GetImage() override { return m_image; }
    const CGLTiledImage& GetImage() const override { return m_image; }

private:
    CGLTiledImage m_image;
};
