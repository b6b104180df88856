#include "settings/GLTextCache.h"

namespace {
ITextRasterizer* g_rasterizer = nullptr;
}  // namespace

void SetTextRasterizer(ITextRasterizer* rasterizer)
{
    g_rasterizer = rasterizer;
}

ITextRasterizer* GetTextRasterizer()
{
    return g_rasterizer;
}

void IGLTextCache::Clear()
{
    m_text.Empty();
    m_alignment = 0;
    m_faceName.Empty();
    m_bold = false;
    m_italic = false;
    m_size = 0;
}

void IGLTextCache::SetText(const CString& text, int alignment, const CString& face, bool bold, bool italic,
                           int size)
{
    if (text == m_text && alignment == m_alignment && face == m_faceName && bold == m_bold &&
        italic == m_italic && size == m_size)
        return;
    Clear();
    if (!text.IsEmpty())
        Build(text, alignment, face, bold, italic, size);
    m_text = text;
    m_alignment = alignment;
    m_faceName = face;
    m_bold = bold;
    m_italic = italic;
    m_size = size;
}

void CGLTextImageCacheBase::Draw()
{
    GetImage().DrawAlphaTwoPass();
}

int CGLTextImageCacheBase::GetWidth()
{
    const CGLImageBase& image = GetImage();
    return static_cast<int>(image.GetWidth() * image.GetScale());
}

int CGLTextImageCacheBase::GetHeight()
{
    const CGLImageBase& image = GetImage();
    return static_cast<int>(image.GetHeight() * image.GetScale());
}

void CGLTextImageCacheBase::Build(const CString& text, int alignment, const CString& face, bool bold,
                                  bool italic, int size)
{
    if (ITextRasterizer* rasterizer = GetTextRasterizer())
        rasterizer->RenderTextToCache(text, alignment, face, bold, italic, size, *this);
}

void CGLTextImageCacheBase::Clear()
{
    GetImage().Release();
    IGLTextCache::Clear();
}

bool CGLTextImageCacheBase::IsValid()
{
    return GetImage().IsScaleValid() && GetAlignment() >= 0 && GetAlignment() <= 2;
}

void CGLTextImageCacheBase::SetSmooth(bool smooth)
{
    if (smooth == GetImage().IsSmooth())
        return;
    Clear();
    GetImage().SetSmooth(smooth);
}

void CGLTextImageCacheBase::Load(int width, int height, const uint8_t* pixels, int bitsPerPixel, int stride,
                                 bool flip, double scale, bool mipmaps)
{
    GetImage().Load(width, height, pixels, bitsPerPixel, stride, flip, scale, mipmaps);
}

CGLTextImageCache::~CGLTextImageCache()
{
    Clear();
}

CGLTiledTextImageCache::~CGLTiledTextImageCache()
{
    Clear();
}
