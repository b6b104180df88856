// Text image caches: a text is rendered once per key, drawn in the current colour, measured
// in drawing units, and dropped when the key or the filtering changes.
#include "settings/GLTextCache.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "tests/support/GLPixelCheck.h"
#include "tests/support/OffscreenGLTest.h"

namespace {

// Renders every text as a black block, `size` pixels high and `size` pixels wide per
// character, on a white margin of 2 pixels, bottom row first as a screen bitmap would come;
// texts of more than `shrinkAbove` pixels are rendered at half size with a scale of 2.
class BlockRasterizer : public ITextRasterizer {
public:
    int renders = 0;
    int shrinkAbove = 1 << 20;

    bool RenderTextToCache(const CString& text, int, const CString&, bool, bool, int size,
                           CGLTextImageCacheBase& cache) override
    {
        ++renders;
        int width = text.GetLength() * size + 4;
        int height = size + 4;
        double scale = 1.0;
        if (width > shrinkAbove) {
            width /= 2;
            height /= 2;
            scale = 2.0;
        }
        std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4, 0xFF);
        for (int y = 2; y < height - 2; ++y)
            for (int x = 2; x < width - 2; ++x)
                for (int b = 0; b < 3; ++b)
                    pixels[(static_cast<size_t>(y) * width + x) * 4 + b] = 0;
        cache.Load(width, height, pixels.data(), 32, 0, true, scale, false);
        return true;
    }
};

class GLTextCacheTest : public OffscreenGLTest {
protected:
    GLTextCacheTest() : OffscreenGLTest(96, 48) {}
    void SetUp() override
    {
        OffscreenGLTest::SetUp();
        SetTextRasterizer(&m_rasterizer);
    }
    void TearDown() override
    {
        SetTextRasterizer(nullptr);
        OffscreenGLTest::TearDown();
    }

    BlockRasterizer m_rasterizer;
};

TEST_F(GLTextCacheTest, DrawsTheTextInTheCurrentColour)
{
    CGLTextImageCache padded;
    CGLTiledTextImageCache tiled;
    IGLTextCache* caches[] = {&padded, &tiled};
    for (IGLTextCache* cache : caches) {
        cache->SetText(L"AB", 0, L"Arial", false, false, 10);
        EXPECT_TRUE(cache->IsValid());
        EXPECT_EQ(cache->GetKind(), 0);
        EXPECT_EQ(cache->GetWidth(), 24);
        EXPECT_EQ(cache->GetHeight(), 14);
        ClearGLBuffers(kBluePixel);
        glColor3ub(255, 0, 0);
        cache->Draw();
        EXPECT_TRUE(PixelNear(ReadGLPixel(3, 3), kRedPixel));
        EXPECT_TRUE(PixelNear(ReadGLPixel(21, 11), kRedPixel));
        EXPECT_TRUE(PixelNear(ReadGLPixel(1, 3), kBluePixel)) << "the white margin is transparent";
        EXPECT_TRUE(PixelNear(ReadGLPixel(25, 3), kBluePixel));
        EXPECT_TRUE(GLStateIsClean());
    }
}

TEST_F(GLTextCacheTest, RendersOncePerKey)
{
    CGLTextImageCache cache;
    cache.SetText(L"AB", 0, L"Arial", false, false, 10);
    cache.SetText(L"AB", 0, L"Arial", false, false, 10);
    EXPECT_EQ(m_rasterizer.renders, 1);

    struct Change {
        const wchar_t* text;
        int alignment;
        const wchar_t* face;
        bool bold;
        bool italic;
        int size;
    };
    // Each differs from the one before in one part of the key; face names compare exactly.
    const Change changes[] = {
        {L"AB", 0, L"Arial", false, false, 12}, {L"AB", 1, L"Arial", false, false, 12},
        {L"AB", 1, L"arial", false, false, 12}, {L"AB", 1, L"arial", true, false, 12},
        {L"AB", 1, L"arial", true, true, 12},   {L"ABC", 1, L"arial", true, true, 12},
    };
    int expected = 1;
    for (const Change& c : changes) {
        cache.SetText(c.text, c.alignment, c.face, c.bold, c.italic, c.size);
        EXPECT_EQ(m_rasterizer.renders, ++expected) << c.text << " " << c.face << " " << c.size;
        EXPECT_TRUE(cache.GetImage().IsLoaded());
    }
    EXPECT_EQ(cache.GetWidth(), 3 * 12 + 4);
    EXPECT_TRUE(cache.IsBold());
    EXPECT_EQ(cache.GetAlignment(), 1);
}

TEST_F(GLTextCacheTest, AnEmptyTextClearsTheCacheAndIsKept)
{
    CGLTextImageCache cache;
    cache.SetText(L"AB", 2, L"Arial", true, false, 10);
    const uint32_t texture = cache.GetImage().GetTexture();
    cache.SetText(L"", 2, L"Arial", true, false, 10);
    EXPECT_EQ(m_rasterizer.renders, 1);
    EXPECT_FALSE(cache.GetImage().IsLoaded());
    EXPECT_FALSE(glIsTexture(texture));
    EXPECT_EQ(cache.GetWidth(), 0);
    EXPECT_TRUE(cache.GetText().IsEmpty());
    EXPECT_EQ(cache.GetAlignment(), 2);
    EXPECT_EQ(cache.GetSize(), 10);
    cache.SetText(L"", 2, L"Arial", true, false, 10);
    EXPECT_EQ(m_rasterizer.renders, 1);
}

TEST_F(GLTextCacheTest, ChangingTheFilteringRendersAgain)
{
    CGLTextImageCache cache;
    cache.SetText(L"AB", 0, L"Arial", false, false, 10);
    cache.SetSmooth(false);
    EXPECT_TRUE(cache.GetImage().IsLoaded()) << "the same filtering keeps the texture";
    cache.SetSmooth(true);
    EXPECT_FALSE(cache.GetImage().IsLoaded());
    EXPECT_TRUE(cache.GetImage().IsSmooth());
    cache.SetText(L"AB", 0, L"Arial", false, false, 10);
    EXPECT_EQ(m_rasterizer.renders, 2);
    GLint filter = 0;
    glBindTexture(GL_TEXTURE_2D, cache.GetImage().GetTexture());
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filter);
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(filter, GL_LINEAR);
}

TEST_F(GLTextCacheTest, MeasuresAShrunkTextAtItsFullSize)
{
    m_rasterizer.shrinkAbove = 2048;
    CGLTiledTextImageCache cache;
    // 31 x 132 + 4 = 4096 wide and 136 high, rendered at 2048 x 68 with a scale of 2.
    cache.SetText(CString(L'W', 31), 0, L"Arial", false, false, 132);
    EXPECT_EQ(cache.GetImage().GetWidth(), 2048);
    EXPECT_EQ(cache.GetWidth(), 4096);
    EXPECT_EQ(cache.GetHeight(), 136);
}

TEST_F(GLTextCacheTest, IsInvalidForAnUnknownAlignment)
{
    CGLTextImageCache cache;
    cache.SetText(L"AB", 3, L"Arial", false, false, 10);
    EXPECT_FALSE(cache.IsValid());
    cache.SetText(L"AB", 2, L"Arial", false, false, 10);
    EXPECT_TRUE(cache.IsValid());
}

TEST_F(GLTextCacheTest, WithoutARasterizerNothingIsHeld)
{
    SetTextRasterizer(nullptr);
    CGLTextImageCache cache;
    cache.SetText(L"AB", 0, L"Arial", false, false, 10);
    EXPECT_FALSE(cache.GetImage().IsLoaded());
    EXPECT_EQ(cache.GetWidth(), 0);
    ClearGLBuffers(kBluePixel);
    cache.Draw();
    EXPECT_TRUE(PixelNear(ReadGLPixel(5, 5), kBluePixel));
}

}  // namespace
