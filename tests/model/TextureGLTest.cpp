// Textures in a real GL context: the texture size limit, making GL textures of every pixel
// layout, binding a material texture with generated coordinates, and the managers freeing
// their textures when the X-ray or transparency setting changes.

#include <GL/gl.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "database/Dib.h"
#include "database/Layer.h"
#include "database/LayerManager.h"
#include "database/Material.h"
#include "database/MaterialManager.h"
#include "database/Texture.h"
#include "database/TextureSizeLimit.h"
#include "database/UndoManager.h"
#include "geometry/Plane3d.h"
#include "image/ImageRep.h"
#include "support/NotificationCenter.h"
#include "tests/model/ManagerTestSupport.h"
#include "tests/support/OffscreenGLTest.h"

using orbisk::geometry::CPlane3d;
using orbisk::imageutils::ImageRep;
using orbisk::utils::CColor;

namespace {

class TextureGLTest : public OffscreenGLTest {
protected:
    ~TextureGLTest() override { SetMaxTextureSizeOverride(-1); }

    static std::unique_ptr<ImageRep> Image(int width, int height, int format)
    {
        auto image = std::make_unique<ImageRep>();
        std::vector<uint8_t> pixels(
            static_cast<size_t>(width * height * orbisk::imageutils::BytesPerPixelForFormat(format)), 200);
        image->Create(width, height, format, 0, pixels.data());
        return image;
    }
    static GLint Parameter(GLenum target, GLenum name)
    {
        GLint value = 0;
        glGetTexLevelParameteriv(target, 0, name, &value);
        return value;
    }
    static void DeleteTexture(uint32_t name)
    {
        const GLuint texture = name;
        glDeleteTextures(1, &texture);
    }
    // Draws a quad over the whole view with the texture bound and coordinates generated.
    void DrawTextured(CTexture& texture)
    {
        ClearGLBuffers(GLPixel{});
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        texture.BindGLTexture(false, false, false, 1.0);
        texture.BeginTexGen(CPlane3d(1, 0, 0, 0), CPlane3d(0, 1, 0, 0));
        glBegin(GL_QUADS);
        glVertex2i(0, 0);
        glVertex2i(Width(), 0);
        glVertex2i(Width(), Height());
        glVertex2i(0, Height());
        glEnd();
        texture.EndTexture();
    }

    CSuspendUndo unrecorded;
};

void PostRenderingOptionsChange(int32_t property)
{
    orbisk::utils::CNotificationCenter::GetInstance().PostNotification("Rendering Options Change", &property);
}

}  // namespace

TEST_F(TextureGLTest, TheLimitIsFixedUntilTheUserChoosesOne)
{
    NotificationRecorder changes("Max texture size changed");
    EXPECT_EQ(GetMaxTextureSizeOverride(), -1);
    EXPECT_EQ(GetMaxTextureSize(), 1024);
    for (int refused : {3, 1, -2, 6})
        SetMaxTextureSizeOverride(refused);
    EXPECT_TRUE(changes.payloads.empty());
    EXPECT_EQ(GetMaxTextureSizeOverride(), -1);

    GLint card = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &card);
    SetMaxTextureSizeOverride(0);
    EXPECT_EQ(GetMaxTextureSize(), std::clamp(card, 1024, 4096)) << "the card's limit, clamped";
    SetMaxTextureSizeOverride(256);
    EXPECT_EQ(GetMaxTextureSize(), 256);
    SetMaxTextureSizeOverride(1 << 20);
    EXPECT_EQ(GetMaxTextureSize(), std::clamp(card, 1024, 4096)) << "an override above the card's limit";
    SetMaxTextureSizeOverride(-1);
    EXPECT_EQ(changes.payloads, (std::vector<void*>(4, nullptr)));
}

TEST_F(TextureGLTest, SizesAreFittedToPowersOfTwoWithinTheLimit)
{
    struct Case {
        int32_t width;
        int32_t height;
        int32_t fittedWidth;
        int32_t fittedHeight;
        bool changed;
    };
    const Case cases[] = {
        {600, 400, 1024, 512, true}, {512, 256, 512, 256, false}, {4096, 4096, 1024, 1024, true},
        {8192, 2, 4096, 1, true},    {0, 3, 2, 4, true},          {1, 1, 1, 1, false},
    };
    for (const Case& c : cases) {
        int32_t width = c.width;
        int32_t height = c.height;
        EXPECT_EQ(FitTextureSize(width, height), c.changed) << c.width << "x" << c.height;
        EXPECT_EQ(width, c.fittedWidth) << c.width << "x" << c.height;
        EXPECT_EQ(height, c.fittedHeight) << c.width << "x" << c.height;
    }
}

TEST_F(TextureGLTest, ImagesOnePixelHighBecomeOneDimensionalTextures)
{
    const std::unique_ptr<ImageRep> line = Image(300, 1, orbisk::imageutils::kFormatRGB);
    const uint32_t name = CreateGLTexture(line.get(), false);
    ASSERT_NE(name, 0u);
    EXPECT_EQ(Parameter(GL_TEXTURE_1D, GL_TEXTURE_WIDTH), 512);
    EXPECT_EQ(line->GetWidth(), 300) << "the caller's image is not changed";
    DeleteTexture(name);
    glBindTexture(GL_TEXTURE_1D, 0);
    EXPECT_EQ(CreateGLTexture(nullptr, false), 0u);
}

TEST_F(TextureGLTest, UnalignedRowsAreUploadedByteWiseAndTheAlignmentRestored)
{
    struct Case {
        int width;
        int format;
        // Colour textures are made with their number of components.
        GLint internalFormat;
    };
    const Case cases[] = {
        {3, orbisk::imageutils::kFormatRGB, 3},
        {4, orbisk::imageutils::kFormatRGBA, 4},
        {2, orbisk::imageutils::kFormatGrey, GL_LUMINANCE},
    };
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    for (const Case& c : cases) {
        const std::unique_ptr<ImageRep> image = Image(c.width, 2, c.format);
        const uint32_t name = CreateGLTexture(image.get(), true);
        EXPECT_EQ(Parameter(GL_TEXTURE_2D, GL_TEXTURE_WIDTH), c.width == 3 ? 4 : c.width);
        EXPECT_EQ(Parameter(GL_TEXTURE_2D, GL_TEXTURE_INTERNAL_FORMAT), c.internalFormat);
        GLint wrap = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
        EXPECT_EQ(wrap, GL_REPEAT);
        GLint alignment = 0;
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
        EXPECT_EQ(alignment, 4);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        DeleteTexture(name);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
}

TEST_F(TextureGLTest, ABoundTextureColoursWhatIsDrawnAndLeavesTheStateAsItFoundIt)
{
    CTexture texture;
    texture.SetImage(MakeImage(CColor(200, 40, 10)));
    DrawTextured(texture);
    EXPECT_NE(texture.GetGLTexture(), 0u);
    EXPECT_TRUE(PixelNear(ReadGLPixel(Width() / 2, Height() / 2), GLPixel{200, 40, 10, 255}));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));

    const uint32_t first = texture.GetGLTexture();
    DrawTextured(texture);
    EXPECT_EQ(texture.GetGLTexture(), first) << "made once, then cached";
    texture.SetColorize(CColor(), true, 0.5);
    EXPECT_EQ(texture.GetGLTexture(), 0u) << "a colour adjustment drops it";
    DrawTextured(texture);
    texture.DeleteGLTexture();
    glBindTexture(GL_TEXTURE_2D, 0);
}

TEST_F(TextureGLTest, AnImageOnePixelHighBindsAsTheOneDimensionalTextureItIs)
{
    CTexture texture;
    texture.SetImage(MakeImage(CColor(10, 200, 10), 8, 1));
    DrawTextured(texture);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_TRUE(PixelNear(ReadGLPixel(5, 5), GLPixel{10, 200, 10, 255}));
    texture.DeleteGLTexture();
    glBindTexture(GL_TEXTURE_1D, 0);
}

TEST_F(TextureGLTest, XRayAndTransparencyChangesFreeTheManagersTextures)
{
    CMaterialManager materials;
    auto* material = new CMaterial;
    auto* texture = new CTexture;
    texture->SetImage(MakeImage(CColor(1, 2, 3)));
    material->SetTexture(texture);
    material->SetType(CMaterial::kTextured);
    materials.AddMaterial(material);

    CLayerManager layers;
    CLayer* layer = layers.AddDefaultLayer();
    auto* layerTexture = new CTexture;
    layerTexture->SetImage(MakeImage(CColor(4, 5, 6)));
    layer->GetMaterial()->SetTexture(layerTexture);
    layer->GetMaterial()->SetType(CMaterial::kTextured);

    DrawTextured(*texture);
    DrawTextured(*layerTexture);
    PostRenderingOptionsChange(12);
    EXPECT_NE(texture->GetGLTexture(), 0u) << "other properties leave them";
    EXPECT_NE(layerTexture->GetGLTexture(), 0u);
    PostRenderingOptionsChange(38);
    EXPECT_EQ(texture->GetGLTexture(), 0u);
    EXPECT_EQ(layerTexture->GetGLTexture(), 0u);
    DrawTextured(*texture);
    PostRenderingOptionsChange(39);
    EXPECT_EQ(texture->GetGLTexture(), 0u);
    glBindTexture(GL_TEXTURE_2D, 0);
    materials.RemoveAll();
    layers.RemoveAll();
}
