// The text rasteriser over the installed faces (fontconfig and FreeType): image sizes follow
// the layout's measure and the integer rules of text images, lines are placed by their
// justification, and the images come out upright when a real GL context draws them.
#include "components/TextRasterizer.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "components/TextLayoutMeasure.h"
#include "platform/win32/SystemInfo.h"
#include "tests/support/GLPixelCheck.h"
#include "tests/support/OffscreenGLTest.h"

namespace {

// The character height in pixels of a point size on the screen.
int EmPixels(int points)
{
    return (points * GetScreenDeviceCaps(LOGPIXELSY) + 36) / 72;
}

// Which pixels of a drawn text image are ink; row 0 is the top of the drawn image.
struct Ink {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> dark;

    bool At(int x, int row) const { return dark[static_cast<size_t>(row) * width + x] != 0; }
    int CountInRow(int row) const
    {
        int count = 0;
        for (int x = 0; x < width; ++x)
            count += At(x, row);
        return count;
    }
    int FirstRow() const
    {
        for (int row = 0; row < height; ++row)
            if (CountInRow(row) > 0)
                return row;
        return -1;
    }
    int LastRow() const
    {
        for (int row = height - 1; row >= 0; --row)
            if (CountInRow(row) > 0)
                return row;
        return -1;
    }
    // The mean column of the ink in rows [first, last), or -1 without ink.
    double MeanColumn(int first, int last) const
    {
        double sum = 0;
        int count = 0;
        for (int row = first; row < last; ++row)
            for (int x = 0; x < width; ++x)
                if (At(x, row)) {
                    sum += x;
                    ++count;
                }
        return count ? sum / count : -1.0;
    }
};

class TextRasterizerTest : public OffscreenGLTest {
protected:
    TextRasterizerTest() : OffscreenGLTest(320, 200) {}

    void TearDown() override
    {
        ReleaseTextRasterizer();
        OffscreenGLTest::TearDown();
    }

    // Draws the cache in black on white at the origin, one image pixel to one screen pixel, and
    // reads back the ink of its quad.
    Ink DrawAndRead(CGLTextImageCacheBase& cache)
    {
        Ink ink;
        ink.width = cache.GetWidth();
        ink.height = cache.GetHeight();
        EXPECT_LE(ink.width, Width());
        EXPECT_LE(ink.height, Height());
        if (ink.width <= 0 || ink.height <= 0 || ink.width > Width() || ink.height > Height())
            return ink;
        ClearGLBuffers(GLPixel{255, 255, 255, 255});
        glColor3ub(0, 0, 0);
        cache.Draw();
        std::vector<uint8_t> rgba(static_cast<size_t>(ink.width) * ink.height * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, ink.width, ink.height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        ink.dark.resize(static_cast<size_t>(ink.width) * ink.height);
        for (int y = 0; y < ink.height; ++y)
            for (int x = 0; x < ink.width; ++x)
                ink.dark[static_cast<size_t>(ink.height - 1 - y) * ink.width + x] =
                    rgba[(static_cast<size_t>(y) * ink.width + x) * 4] < 128;
        return ink;
    }
};

TEST_F(TextRasterizerTest, CapitalTStandsUprightWhateverWasRenderedBefore)
{
    struct Case {
        const wchar_t* before;  // rendered first, so that the shared buffer is larger or older
        const wchar_t* face;
    };
    const Case cases[] = {
        {nullptr, L"Arial"},
        {L"WWWWWWWWWWWWWWWWWWWW", L"Arial"},
        {L"M\r\nM\r\nM\r\nM\r\nM\r\nM", L"Tahoma"},
        {L"WWWWWWWWWWWW\r\nWWWWWWWWWWWW\r\nWWWWWWWWWWWW", L"Tahoma"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.before ? c.before : L"(nothing)");
        CGLTextImageCache before;
        if (c.before) {
            ASSERT_TRUE(RenderTextToCache(c.before, 0, c.face, false, false, 36, before));
        }
        CGLTextImageCache cache;
        ASSERT_TRUE(RenderTextToCache(L"T", 0, c.face, false, false, 36, cache));
        const Ink ink = DrawAndRead(cache);
        ASSERT_GT(ink.height, 0);
        const int top = ink.FirstRow();
        const int bottom = ink.LastRow();
        ASSERT_GE(top, 0);
        // The cap height sits below the ascent: the bar is in the upper third, the stem's foot
        // on the baseline, above the descent.
        EXPECT_LT(top, ink.height / 3);
        EXPECT_GT(bottom, ink.height / 2);
        EXPECT_LT(bottom, ink.height - 2);
        // The bar is several times wider than the stem.
        EXPECT_GT(ink.CountInRow(top + 1), 3 * ink.CountInRow(bottom - 1));
        // Nothing of an earlier text shows in the margins.
        for (int row = 0; row < top; ++row) {
            EXPECT_EQ(ink.CountInRow(row), 0) << "row " << row;
        }
        for (int row = bottom + 1; row < ink.height; ++row) {
            EXPECT_EQ(ink.CountInRow(row), 0) << "row " << row;
        }
    }
}

TEST_F(TextRasterizerTest, ImageSizesFollowTheLayoutMeasureAndTheIntegerRules)
{
    struct Case {
        const wchar_t* text;
        int justification;
        bool bold;
        bool italic;
        int points;
    };
    const Case cases[] = {
        {L"T", 0, false, false, 12},
        {L"Hello, world", 1, false, false, 10},
        {L"Hello, world", 2, true, false, 10},
        {L"Slanted", 0, false, true, 15},
        {L"Slanted", 2, false, true, 15},
        {L"Slanted bold", 1, true, true, 15},
        {L"one\r\nlonger line\r\n3", 1, false, false, 9},
        {L"a\\nb", 0, false, false, 20},
        {L"\x00e4\x00df\x20ac", 0, false, false, 11},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const CString face(L"Arial");
        CTextMeasure measure;
        ASSERT_TRUE(MeasureText(c.text, c.justification, face, c.bold, c.italic, c.points, measure));

        RECT rect{-1, -1, -1, -1};
        ASSERT_TRUE(RenderText(face, c.points, c.bold, c.italic, c.text, c.justification, &rect, nullptr));
        const int measured = c.italic && c.justification == 2 ? rect.right : rect.right - rect.left;
        int width = (measured + 3) / 4 * 4;
        if (c.italic)
            width = (EmPixels(c.points) / 2 + width + 3) / 4 * 4;
        EXPECT_EQ(rect.top, 0);
        EXPECT_EQ(rect.bottom, measure.height);
        EXPECT_EQ(rect.left, c.italic && c.justification == 2 ? rect.right - width : 0);

        CGLTextImageCache cache;
        ASSERT_TRUE(RenderTextToCache(c.text, c.justification, face, c.bold, c.italic, c.points, cache));
        EXPECT_EQ(cache.GetImage().GetWidth(), width);
        EXPECT_EQ(cache.GetImage().GetWidth() % 4, 0);
        EXPECT_EQ(cache.GetImage().GetWidth(), measure.width);
        EXPECT_EQ(cache.GetImage().GetHeight(), measure.height);
        EXPECT_EQ(cache.GetImage().GetScale(), 1.0);
        EXPECT_TRUE(cache.GetImage().IsLoaded());
    }
}

TEST_F(TextRasterizerTest, LinesEndAtNewlinesCrLfAndBackslashN)
{
    RECT one{};
    ASSERT_TRUE(RenderText(L"Arial", 20, false, false, L"ab", 0, &one, nullptr));
    for (const wchar_t* text : {L"ab\nab", L"ab\r\nab", L"ab\\nab"}) {
        RECT two{};
        ASSERT_TRUE(RenderText(L"Arial", 20, false, false, text, 0, &two, nullptr));
        EXPECT_EQ(two.bottom, 2 * one.bottom) << text;
        EXPECT_EQ(two.right, one.right) << text;
    }
}

TEST_F(TextRasterizerTest, EachLineIsPlacedByTheJustification)
{
    struct Case {
        int justification;
        double low;  // where the short line's ink centre lies, as a fraction of the widest line
        double high;
    };
    const Case cases[] = {{0, 0.0, 0.15}, {1, 0.4, 0.6}, {2, 0.85, 1.0}, {7, 0.4, 0.6}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.justification);
        const wchar_t* text = L"I\r\nWWWWWW\r\nI";
        RECT rect{};
        ASSERT_TRUE(RenderText(L"Arial", 24, false, false, text, c.justification, &rect, nullptr));
        CGLTextImageCache cache;
        ASSERT_TRUE(RenderTextToCache(text, c.justification, L"Arial", false, false, 24, cache));
        const Ink ink = DrawAndRead(cache);
        ASSERT_EQ(ink.height, rect.bottom);
        const int line = ink.height / 3;
        for (int first : {0, 2 * line}) {
            const double centre = ink.MeanColumn(first, first + line) / rect.right;
            EXPECT_GE(centre, c.low) << "line at row " << first;
            EXPECT_LE(centre, c.high) << "line at row " << first;
        }
        EXPECT_GT(ink.MeanColumn(line, 2 * line), 0.4 * rect.right);
        EXPECT_LT(ink.MeanColumn(line, 2 * line), 0.6 * rect.right);
    }
}

TEST_F(TextRasterizerTest, TextsBeyond2048PixelsAreRenderedSmallerWithALargerPixelSize)
{
    struct Case {
        std::wstring text;
        int points;
        bool wide;  // the width is the longer side
    };
    std::wstring tall;
    for (int i = 0; i < 60; ++i)
        tall += L"I\r\n";
    tall += L"I";
    const Case cases[] = {
        {std::wstring(200, L'W'), 36, true},
        {tall, 36, false},
        {L"Big", 40000, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.points);
        RECT rect{};
        ASSERT_TRUE(RenderText(L"Arial", c.points, false, false, c.text.c_str(), 0, &rect, nullptr));
        const int w = (rect.right + 3) / 4 * 4;
        const int h = rect.bottom;
        ASSERT_GT(c.wide ? w : h, 2048);

        CGLTiledTextImageCache cache;
        ASSERT_TRUE(RenderTextToCache(c.text.c_str(), 0, L"Arial", false, false, c.points, cache));
        const CGLTiledImage& image = cache.GetImage();
        const double scale = (c.wide ? w : h) / 2048.0;
        EXPECT_DOUBLE_EQ(image.GetScale(), scale);
        if (c.wide) {
            EXPECT_EQ(image.GetWidth(), 2048);
            EXPECT_EQ(image.GetHeight(), static_cast<int>(h / scale));
        } else {
            EXPECT_EQ(image.GetHeight(), 2048);
            EXPECT_EQ(image.GetWidth(), static_cast<int>(w / scale));
        }
        // Drawn at (nearly) its full size.
        EXPECT_NEAR(cache.GetWidth(), w, scale + 1);
        EXPECT_NEAR(cache.GetHeight(), h, scale + 1);
    }
}

TEST_F(TextRasterizerTest, SizesNoFontCanHaveRenderNothing)
{
    for (int points : {0, -12, 1000000}) {
        SCOPED_TRACE(points);
        CGLTextImageCache cache;
        RECT rect{1, 2, 3, 4};
        EXPECT_FALSE(RenderText(L"Arial", points, false, false, L"Text", 0, &rect, &cache));
        EXPECT_EQ(rect.right, 3);
        EXPECT_FALSE(cache.GetImage().IsLoaded());
        EXPECT_EQ(cache.GetWidth(), 0);
        EXPECT_EQ(cache.GetHeight(), 0);
    }
}

TEST_F(TextRasterizerTest, InstalledRasterizerFillsTheImageCaches)
{
    InstallTextRasterizer();
    ASSERT_NE(GetTextRasterizer(), nullptr);
    CTextMeasure measure;
    ASSERT_TRUE(MeasureText(L"Tiles", 0, L"Tahoma", true, false, 12, measure));
    CGLTiledTextImageCache tiled;
    tiled.SetText(L"Tiles", 0, L"Tahoma", true, false, 12);
    EXPECT_EQ(tiled.GetWidth(), measure.width);
    EXPECT_EQ(tiled.GetHeight(), measure.height);
    CGLTextImageCache single;
    single.SetText(L"T", 0, L"Arial", false, false, 36);
    const Ink ink = DrawAndRead(single);
    EXPECT_LT(ink.FirstRow(), ink.height / 3);
    // After the release the rasteriser opens its faces again.
    ReleaseTextRasterizer();
    single.SetText(L"T", 1, L"Arial", false, false, 36);
    EXPECT_GT(single.GetWidth(), 0);
    SetTextRasterizer(nullptr);
}

}  // namespace
