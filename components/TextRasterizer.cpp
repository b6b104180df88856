#include "components/TextRasterizer.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "components/TextLayoutMeasure.h"
#include "platform/win32/SystemInfo.h"
#include "support/StringUtils.h"

namespace {

constexpr int kMaxImageSide = 2048;
// Beyond this a text is only ever drawn shrunk; the bound keeps the integer sums exact.
constexpr long long kMaxExtent = 1LL << 24;
// FreeType's largest character size in pixels.
constexpr int kMaxEmPixels = 0xFFFF;

struct Face {
    FT_Face face = nullptr;
    bool emboldened = false;  // bold asked for, but the resolved face is regular
    bool slanted = false;     // italic asked for, but the resolved face is upright
};

// A face with no FreeType face when the name resolves to no scalable font.
Face FindFace(const CString& name, bool bold, bool italic)
{
    Face found;
    found.face = FindFontFace(name, bold, italic);
    if (found.face) {
        found.emboldened = bold && !(found.face->style_flags & FT_STYLE_FLAG_BOLD);
        found.slanted = italic && !(found.face->style_flags & FT_STYLE_FLAG_ITALIC);
    }
    return found;
}

// The shared buffer, from first use until Release. The faces belong to the font store that
// measuring uses too.
class RasterizerState {
public:
    static RasterizerState& Get()
    {
        static RasterizerState state;
        return state;
    }

    // The shared buffer as an image of at least width x height grey pixels, `rowBytes` apart;
    // null when it cannot be allocated. The image is recreated at exactly the size asked for
    // when it is narrower or lower; the allocation only grows.
    uint8_t* Buffer(int width, int height, int& rowBytes)
    {
        if (m_width < width || m_height < height) {
            m_width = width;
            m_height = height;
            const size_t needed = static_cast<size_t>(width) * static_cast<size_t>(height);
            if (m_buffer.size() < needed) {
                std::vector<uint8_t>().swap(m_buffer);
                try {
                    m_buffer.resize(needed);
                } catch (const std::bad_alloc&) {}
            }
        }
        rowBytes = m_width;
        if (m_buffer.size() < static_cast<size_t>(m_width) * static_cast<size_t>(m_height))
            return nullptr;
        return m_buffer.data();
    }

    void Release()
    {
        std::vector<uint8_t>().swap(m_buffer);
        m_width = 0;
        m_height = 0;
    }

private:
    RasterizerState() = default;

    std::vector<uint8_t> m_buffer;
    int m_width = 0;
    int m_height = 0;
};

// Windows' MulDiv for positive operands: the quotient rounded half up.
long long MulDiv(long long number, long long numerator, long long denominator)
{
    return (number * numerator + denominator / 2) / denominator;
}

// Backslash-n pairs and "\r\n" become newlines; the lines between newlines.
std::vector<std::wstring> BreakLines(const CString& text)
{
    std::vector<std::wstring> lines(1);
    const std::wstring_view all(text.GetString(), static_cast<size_t>(text.GetLength()));
    for (size_t i = 0; i < all.size(); ++i) {
        const bool pair = i + 1 < all.size() && all[i + 1] == L'n' && all[i] == L'\\';
        const bool crlf = i + 1 < all.size() && all[i + 1] == L'\n' && all[i] == L'\r';
        if (pair || crlf || all[i] == L'\n') {
            lines.emplace_back();
            if (pair || crlf)
                ++i;
            continue;
        }
        lines.back() += all[i];
    }
    return lines;
}

int ScaledUp(long designUnits, int emPixels, int unitsPerEm)
{
    return static_cast<int>(std::ceil(static_cast<double>(std::labs(designUnits)) * emPixels / unitsPerEm));
}

struct Glyph {
    FT_UInt index = 0;
    int advance = 0;  // whole pixels
};

struct Layout {
    std::vector<std::vector<Glyph>> lines;
    std::vector<long long> widths;
    int ascent = 0;      // top of a line to its baseline
    int lineHeight = 0;  // ascent plus descent
    long long width = 0;
    long long height = 0;
};

// Glyph advances without kerning, each its unhinted width rounded to whole pixels, and the
// line metrics from the face's Windows metrics when it has them: as GDI measures.
Layout Measure(FT_Face face, int emPixels, const CString& text)
{
    Layout layout;
    const int unitsPerEm = face->units_per_EM > 0 ? face->units_per_EM : 2048;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
        layout.ascent = ScaledUp(os2->usWinAscent, emPixels, unitsPerEm);
        layout.lineHeight = layout.ascent + ScaledUp(os2->usWinDescent, emPixels, unitsPerEm);
    } else {
        layout.ascent = ScaledUp(face->ascender, emPixels, unitsPerEm);
        layout.lineHeight = layout.ascent + ScaledUp(face->descender, emPixels, unitsPerEm);
    }
    for (const std::wstring& line : BreakLines(text)) {
        std::vector<Glyph>& glyphs = layout.lines.emplace_back();
        long long width = 0;
        for (const wchar_t c : line) {
            Glyph glyph;
            glyph.index = FT_Get_Char_Index(face, static_cast<FT_ULong>(c));
            if (FT_Load_Glyph(face, glyph.index, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0)
                continue;
            glyph.advance = static_cast<int>((face->glyph->linearHoriAdvance + 0x8000) >> 16);
            width = std::min(width + glyph.advance, kMaxExtent);
            glyphs.push_back(glyph);
        }
        layout.widths.push_back(width);
        layout.width = std::max(layout.width, width);
    }
    layout.height = std::min(
        static_cast<long long>(layout.lineHeight) * static_cast<long long>(layout.lines.size()), kMaxExtent);
    return layout;
}

// Darkens the grey image by one rendered glyph whose top-left pixel lands at (left, top).
void Stamp(const FT_Bitmap& glyph, int left, int top, uint8_t* pixels, int rowBytes, int width, int height)
{
    if (glyph.pixel_mode != FT_PIXEL_MODE_GRAY || glyph.pitch <= 0 || !glyph.buffer)
        return;
    const int rows = static_cast<int>(glyph.rows);
    const int columns = static_cast<int>(glyph.width);
    for (int row = std::max(0, -top); row < rows && top + row < height; ++row) {
        const uint8_t* source = glyph.buffer + static_cast<size_t>(row) * static_cast<size_t>(glyph.pitch);
        uint8_t* target = pixels + static_cast<size_t>(top + row) * static_cast<size_t>(rowBytes);
        for (int column = std::max(0, -left); column < columns && left + column < width; ++column) {
            const uint8_t ink = static_cast<uint8_t>(255 - source[column]);
            target[left + column] = std::min(target[left + column], ink);
        }
    }
}

// Draws the lines black on the white image, each placed by the justification within the
// drawing rectangle's left and right, everything scaled by `scale`.
void Draw(const Face& face, int emPixels, const Layout& layout, int justification, long long left,
          long long right, double scale, uint8_t* pixels, int rowBytes, int width, int height)
{
    const FT_F26Dot6 size = std::max<FT_F26Dot6>(64, std::lround(emPixels * scale * 64.0));
    if (FT_Set_Char_Size(face.face, 0, size, 72, 72) != 0)
        return;
    FT_GlyphSlot slot = face.face->glyph;
    for (size_t i = 0; i < layout.lines.size(); ++i) {
        const long long lineWidth = layout.widths[i];
        long long x = left;
        if (justification == 2)
            x = right - lineWidth;
        else if (justification != 0)
            x = left + (right - left - lineWidth) / 2;
        const long long baseline = static_cast<long long>(i) * layout.lineHeight + layout.ascent;
        const int baselineRow = static_cast<int>(std::lround(static_cast<double>(baseline) * scale));
        for (const Glyph& glyph : layout.lines[i]) {
            const int originX = static_cast<int>(std::lround(static_cast<double>(x) * scale));
            x += glyph.advance;
            if (FT_Load_Glyph(face.face, glyph.index, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_LIGHT) != 0)
                continue;
            if (face.emboldened)
                FT_GlyphSlot_Embolden(slot);
            if (face.slanted)
                FT_GlyphSlot_Oblique(slot);
            if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0)
                continue;
            Stamp(slot->bitmap, originX + slot->bitmap_left, baselineRow - slot->bitmap_top, pixels, rowBytes,
                  width, height);
        }
    }
}

}  // namespace

bool RenderText(const CString& faceName, int pointSize, bool bold, bool italic, const CString& text,
                int justification, RECT* rect, CGLTextImageCacheBase* cache)
{
    if (pointSize <= 0)
        return false;
    const long long dpi = std::max(1, GetScreenDeviceCaps(LOGPIXELSY));
    const long long em = MulDiv(pointSize, dpi, 72);
    if (em <= 0 || em > kMaxEmPixels)
        return false;
    const int emPixels = static_cast<int>(em);
    RasterizerState& state = RasterizerState::Get();
    const Face face = FindFace(faceName, bold, italic);
    if (!face.face || FT_Set_Pixel_Sizes(face.face, 0, static_cast<FT_UInt>(emPixels)) != 0)
        return false;
    if (text.IsEmpty()) {
        if (rect)
            *rect = RECT{0, 0, 0, 0};
        return true;
    }

    const Layout layout = Measure(face.face, emPixels, text);
    long long left = 0;
    const long long right = layout.width;
    long long w = (layout.width + 3) / 4 * 4;
    long long h = layout.height;
    if (italic) {
        w = (emPixels / 2 + w + 3) / 4 * 4;
        if (justification == 2)
            left = right - w;
    }
    if (rect)
        *rect = RECT{static_cast<LONG>(left), 0, static_cast<LONG>(right), static_cast<LONG>(h)};
    if (!cache)
        return true;

    double scale = 1.0;
    if (w > kMaxImageSide || h > kMaxImageSide) {
        const double fw = static_cast<double>(w) / kMaxImageSide;
        const double fh = static_cast<double>(h) / kMaxImageSide;
        // A side is kept at one pixel at least, so that an extreme text still gives an image.
        if (fw > fh) {
            scale = 1.0 / fw;
            w = kMaxImageSide;
            h = std::max(1LL, static_cast<long long>(static_cast<double>(h) * scale));
        } else {
            scale = 1.0 / fh;
            h = kMaxImageSide;
            w = std::max(1LL, static_cast<long long>(static_cast<double>(w) * scale));
        }
    }
    const int width = static_cast<int>(w);
    const int height = static_cast<int>(h);
    int rowBytes = 0;
    uint8_t* pixels = state.Buffer(width, height, rowBytes);
    if (!pixels) {
        cache->Load(width, height, nullptr, 8, 0, true, 1.0 / scale, false);
        return true;
    }
    for (int row = 0; row < height; ++row)
        std::fill_n(pixels + static_cast<size_t>(row) * static_cast<size_t>(rowBytes), width, uint8_t{255});
    Draw(face, emPixels, layout, justification, left, right, scale, pixels, rowBytes, width, height);
    // Row 0 is the top of the text: the image reads the rows bottom-up.
    cache->Load(width, height, pixels, 8, rowBytes, true, 1.0 / scale, false);
    return true;
}

bool RenderTextToCache(const CString& text, int justification, const CString& face, bool bold, bool italic,
                       int pointSize, CGLTextImageCacheBase& cache)
{
    return RenderText(face, pointSize, bold, italic, text, justification, nullptr, &cache);
}

void ReleaseTextRasterizer()
{
    RasterizerState::Get().Release();
}

bool CTextRasterizer::RenderTextToCache(const CString& text, int justification, const CString& face,
                                        bool bold, bool italic, int size, CGLTextImageCacheBase& cache)
{
    return ::RenderTextToCache(text, justification, face, bold, italic, size, cache);
}

void InstallTextRasterizer()
{
    static CTextRasterizer rasterizer;
    SetTextRasterizer(&rasterizer);
}
