// GL images: the tile layout of large pictures, alpha images painted in the current colour at
// the right pixels (padded, tiled, shrunk to the texture size limit), colour pictures, the
// two-pass drawing's depth, and the release of the textures.
#include "settings/GLImage.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "database/TextureSizeLimit.h"
#include "tests/support/GLPixelCheck.h"
#include "tests/support/OffscreenGLTest.h"

namespace {

TEST(SplitIntoTiles, CutsLengthsIntoPowerOfTwoTiles)
{
    struct Case {
        int length;
        int count;
        std::vector<int> sizes;
        int lastUsed;
    };
    // The last tile overhangs by at most 32; a rest below 16 gets a tile of 16.
    const Case cases[] = {
        {1500, 5, {1024, 256, 128, 64, 32}, 28},
        {1030, 2, {1024, 16}, 6},
        {1040, 2, {1024, 32}, 16},
        {1024, 1, {1024}, 1024},
        {700, 3, {512, 128, 64}, 60},
        {5, 1, {32}, 5},
        {0, 0, {}, 0},
        {-7, 0, {}, 0},
        // 24 tiles cover the length exactly: the table holds it.
        {24 * 1024, 24, std::vector<int>(24, 1024), 1024},
        // More than 24 tiles: minus the tiles placed.
        {24 * 1024 + 100, -24, std::vector<int>(24, 1024), 24 * 1024 + 100 - 23 * 1024},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        int sizes[24] = {};
        int lastUsed = -1;
        const int count = SplitIntoTiles(c.length, sizes, &lastUsed, 24, 1024, 16, 32);
        EXPECT_EQ(count, c.count);
        EXPECT_EQ(std::vector<int>(sizes, sizes + c.sizes.size()), c.sizes);
        EXPECT_EQ(lastUsed, c.lastUsed);
    }
}

// A white picture of blue-green-red pixels with black and grey blocks: what the text
// rasteriser hands over. Row 0 is the first row in memory.
class TextPicture {
public:
    TextPicture(int width, int height, int bytesPerPixel, int padding = 0)
        : m_width(width),
          m_bytesPerPixel(bytesPerPixel),
          m_stride(width * bytesPerPixel + padding),
          m_pixels(static_cast<size_t>(m_stride) * height, 0xFF)
    {}
    void Fill(int x0, int y0, int x1, int y1, uint8_t grey)
    {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                for (int b = 0; b < std::min(m_bytesPerPixel, 3); ++b)
                    m_pixels[static_cast<size_t>(y) * m_stride + x * m_bytesPerPixel + b] = grey;
    }
    const uint8_t* Pixels() const { return m_pixels.data(); }
    int Stride() const { return m_stride; }
    int Bits() const { return m_bytesPerPixel * 8; }

private:
    int m_width;
    int m_bytesPerPixel;
    int m_stride;
    std::vector<uint8_t> m_pixels;
};

class GLImageTest : public OffscreenGLTest {
protected:
    GLImageTest() : OffscreenGLTest(1120, 64) {}
    void TearDown() override
    {
        SetMaxTextureSizeOverride(-1);
        OffscreenGLTest::TearDown();
    }
};

// Draws the image in red over blue, two-pass, with the quad's origin at (x, y).
void DrawInRed(CGLImageBase& image, double x = 0.0, double y = 0.0)
{
    ClearGLBuffers(kBluePixel);
    glPushMatrix();
    glTranslated(x, y, 0.0);
    glColor3ub(255, 0, 0);
    image.DrawAlphaTwoPass();
    glPopMatrix();
}

struct Probe {
    int x;
    int y;
    GLPixel expected;
};

void ExpectPixels(const std::vector<Probe>& probes)
{
    for (const Probe& p : probes)
        EXPECT_TRUE(PixelNear(ReadGLPixel(p.x, p.y), p.expected)) << "at " << p.x << ", " << p.y;
}

TEST_F(GLImageTest, PaintsBlackTextOpaqueAndWhiteTransparentInTheCurrentColour)
{
    struct Case {
        bool tiled;
        bool flip;
        int bytesPerPixel;
        int padding;
        bool smooth;
    };
    const Case cases[] = {
        {false, false, 3, 0, false}, {false, true, 4, 0, false}, {false, false, 3, 2, false},
        {false, false, 1, 3, false}, {false, false, 3, 0, true}, {true, false, 3, 0, false},
        {true, true, 4, 0, false},   {true, false, 1, 0, false}, {true, true, 3, 0, true},
    };
    // Blending blends the alpha channel too.
    const GLPixel half{127, 0, 128, 191};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << (c.tiled ? "tiled" : "padded") << ", flip " << c.flip << ", " << c.bytesPerPixel
                     << " bytes, padding " << c.padding << ", smooth " << c.smooth);
        // 100 x 20 (texture 128 x 32) or 1100 x 20 (tiles 1024, 64 and 16): a black block
        // across the tile edge at 1024 in the first rows in memory, a grey one beside it.
        const int width = c.tiled ? 1100 : 100;
        TextPicture picture(width, 20, c.bytesPerPixel, c.padding);
        const int blockX = width - 90;
        picture.Fill(blockX, 0, blockX + 70, 5, 0);
        picture.Fill(blockX + 75, 0, blockX + 85, 5, 128);

        std::unique_ptr<CGLImageBase> image;
        if (c.tiled)
            image = std::make_unique<CGLTiledImage>();
        else
            image = std::make_unique<CGLImage>();
        image->SetSmooth(c.smooth);
        image->Load(width, 20, picture.Pixels(), picture.Bits(), picture.Stride(), c.flip, 1.0, false);
        ASSERT_TRUE(image->IsLoaded());
        EXPECT_EQ(image->GetWidth(), width);
        EXPECT_EQ(image->GetHeight(), 20);
        if (!c.tiled) {
            auto& padded = static_cast<CGLImage&>(*image);
            EXPECT_EQ(padded.GetTextureWidth(), 128);
            EXPECT_EQ(padded.GetTextureHeight(), 32);
        }
        DrawInRed(*image, 3.0, 10.0);
        // The first rows in memory at the bottom, or at the top when flipped.
        const int blockY = c.flip ? 10 + 17 : 10 + 2;
        const int otherY = c.flip ? 10 + 2 : 10 + 17;
        ExpectPixels({
            {3 + blockX + 1, blockY, kRedPixel},
            {3 + blockX + 68, blockY, kRedPixel},
            {3 + blockX + 80, blockY, half},
            {3 + blockX - 2, blockY, kBluePixel},
            {3 + blockX + 72, blockY, kBluePixel},
            {3 + blockX + 10, otherY, kBluePixel},
            {3 + width + 2, blockY, kBluePixel},
            {3 + blockX + 10, 10 + 21, kBluePixel},
        });
        EXPECT_TRUE(GLStateIsClean());
    }
}

TEST_F(GLImageTest, KeepsImagesWithinTheTextureSizeLimit)
{
    // A 2048-pixel-wide text under the fixed limit of 1024 is averaged into a texture of
    // half the size, drawn at its full size (here at a quarter scale).
    TextPicture text(2048, 32, 3);
    text.Fill(1024, 0, 2048, 32, 0);
    CGLImage image;
    image.Load(2048, 32, text.Pixels(), text.Bits(), 0, false, 0.25, false);
    ASSERT_TRUE(image.IsLoaded());
    EXPECT_LE(image.GetTextureWidth(), GetMaxTextureSize());
    DrawInRed(image);
    ExpectPixels({{300, 4, kRedPixel},
                  {510, 4, kRedPixel},
                  {200, 4, kBluePixel},
                  {514, 4, kBluePixel},
                  {300, 9, kBluePixel}});

    // Tiles are no larger than the limit either.
    SetMaxTextureSizeOverride(256);
    TextPicture wide(1100, 20, 3);
    wide.Fill(500, 0, 700, 20, 0);
    CGLTiledImage tiled;
    tiled.Load(1100, 20, wide.Pixels(), wide.Bits(), 0, false, 1.0, false);
    ASSERT_TRUE(tiled.IsLoaded());
    for (int column = 0; column < tiled.GetColumnCount(); ++column)
        EXPECT_LE(tiled.GetTileWidth(column), 256);
    DrawInRed(tiled);
    ExpectPixels({{501, 5, kRedPixel}, {698, 15, kRedPixel}, {498, 5, kBluePixel}, {702, 5, kBluePixel}});
    EXPECT_TRUE(GLStateIsClean());
}

TEST_F(GLImageTest, TwoPassDrawingWritesDepthOnlyForOpaqueTexels)
{
    TextPicture picture(64, 16, 3);
    picture.Fill(0, 0, 20, 16, 0);
    picture.Fill(20, 0, 40, 16, 100);
    CGLImage image;
    image.Load(64, 16, picture.Pixels(), picture.Bits(), 0, false, 1.0, false);

    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    DrawInRed(image);
    glDisable(GL_DEPTH_TEST);
    struct DepthProbe {
        int x;
        float depth;
    };
    // z = 0 in a projection from -1 to 1 lies at depth 0.5; the cleared depth is 1.
    const DepthProbe probes[] = {{10, 0.5f}, {30, 1.0f}, {50, 1.0f}};
    for (const DepthProbe& p : probes) {
        float depth = -1.0f;
        glReadPixels(p.x, 8, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
        EXPECT_NEAR(depth, p.depth, 1e-3) << "at x " << p.x;
    }
    EXPECT_TRUE(PixelNear(ReadGLPixel(30, 8), GLPixel{155, 0, 100, 194}, 3))
        << "the partly opaque texels blend";
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_EQ(depthWrites, GL_TRUE);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(GLStateIsClean());
}

TEST_F(GLImageTest, DrawsColourPicturesInTheirColours)
{
    struct Case {
        int bytesPerPixel;
        bool alpha;
    };
    const Case cases[] = {{3, false}, {4, true}, {3, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bytesPerPixel << " bytes, alpha " << c.alpha);
        // Blue-green-red pixels: the left half red, the right half green; 1040 wide, so
        // that the green half spans two tiles.
        const int width = 1040;
        std::vector<uint8_t> pixels(static_cast<size_t>(width) * 8 * c.bytesPerPixel);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < width; ++x) {
                uint8_t* p = pixels.data() + (static_cast<size_t>(y) * width + x) * c.bytesPerPixel;
                p[0] = 0;
                p[1] = x < 520 ? 0 : 255;
                p[2] = x < 520 ? 255 : 0;
                if (c.bytesPerPixel == 4)
                    p[3] = 255;
            }
        CGLTiledImage image;
        image.LoadColour(width, 8, pixels.data(), c.bytesPerPixel * 8, c.alpha, 255, false);
        ASSERT_TRUE(image.IsLoaded());
        EXPECT_EQ(image.GetFormat(), c.alpha ? GLenum{GL_BGRA} : GLenum{GL_BGR});
        ClearGLBuffers(kBluePixel);
        glColor3ub(255, 255, 255);
        image.DrawAlphaTwoPass();
        ExpectPixels({{10, 4, kRedPixel},
                      {515, 4, kRedPixel},
                      {525, 4, {0, 255, 0, 255}},
                      {1035, 4, {0, 255, 0, 255}},
                      {1045, 4, kBluePixel},
                      {10, 9, kBluePixel}});
        EXPECT_TRUE(GLStateIsClean());
    }
}

TEST_F(GLImageTest, ReleaseDeletesTheTexturesAndEmptiesTheImage)
{
    TextPicture picture(1100, 20, 3);
    CGLImage padded;
    CGLTiledImage tiled;
    padded.Load(100, 20, picture.Pixels(), picture.Bits(), picture.Stride(), false, 2.0, false);
    tiled.Load(1100, 20, picture.Pixels(), picture.Bits(), 0, false, 2.0, true);
    const std::vector<uint32_t> names = {padded.GetTexture(), tiled.GetTextures().at(0),
                                         tiled.GetTextures().at(2)};
    for (uint32_t name : names)
        EXPECT_TRUE(glIsTexture(name)) << name;

    CGLImageBase* images[] = {&padded, &tiled};
    for (CGLImageBase* image : images) {
        image->Release();
        EXPECT_FALSE(image->IsLoaded());
        EXPECT_EQ(image->GetFormat(), 0u);
        EXPECT_EQ(image->GetWidth(), 0);
        EXPECT_EQ(image->GetScale(), 1.0);
    }
    for (uint32_t name : names)
        EXPECT_FALSE(glIsTexture(name)) << name;
    EXPECT_TRUE(tiled.GetTextures().empty());

    // Deleting a loaded image deletes its textures too.
    uint32_t name = 0;
    {
        CGLImage scoped;
        scoped.Load(100, 20, picture.Pixels(), picture.Bits(), picture.Stride(), false, 1.0, false);
        name = scoped.GetTexture();
        EXPECT_TRUE(glIsTexture(name));
    }
    EXPECT_FALSE(glIsTexture(name));
    EXPECT_TRUE(GLStateIsClean());
}

TEST_F(GLImageTest, RefusesPicturesItCannotReadSafely)
{
    TextPicture picture(16, 16, 3);
    struct Case {
        const char* what;
        int width;
        int height;
        const uint8_t* pixels;
        int bits;
        int stride;
    };
    const Case cases[] = {
        {"no pixels", 16, 16, nullptr, 24, 0},
        {"no width", 0, 16, picture.Pixels(), 24, 0},
        {"negative height", 16, -1, picture.Pixels(), 24, 0},
        {"16 bits", 16, 16, picture.Pixels(), 16, 0},
        {"a stride shorter than a row", 16, 16, picture.Pixels(), 24, 40},
    };
    for (const Case& c : cases) {
        CGLImage padded;
        CGLTiledImage tiled;
        padded.Load(c.width, c.height, c.pixels, c.bits, c.stride, false, 1.0, false);
        tiled.Load(c.width, c.height, c.pixels, c.bits, c.stride, false, 1.0, false);
        EXPECT_FALSE(padded.IsLoaded()) << c.what;
        EXPECT_FALSE(tiled.IsLoaded()) << c.what;
        EXPECT_EQ(padded.GetFormat(), 0u) << c.what;
    }
    // A picture longer than 24 tiles gets no textures and draws nothing.
    std::vector<uint8_t> tall(static_cast<size_t>(16) * 25 * 1024, 0);
    CGLTiledImage tiled;
    tiled.Load(16, 25 * 1024, tall.data(), 8, 0, false, 1.0, false);
    EXPECT_FALSE(tiled.IsLoaded());
    ClearGLBuffers(kBluePixel);
    tiled.DrawAlphaTwoPass();
    EXPECT_TRUE(PixelNear(ReadGLPixel(5, 5), kBluePixel));
    EXPECT_TRUE(GLStateIsClean());
}

}  // namespace
