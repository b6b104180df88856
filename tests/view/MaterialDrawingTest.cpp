// Materials in a real offscreen GL context: a material's colour and transparency set through
// the model view, its texture bound within the texture size limit, and textured faces showing
// their texture, read back as pixels.

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

#include "components/Component.h"
#include "database/Dib.h"
#include "database/Material.h"
#include "database/MaterialManager.h"
#include "database/Texture.h"
#include "database/TextureSizeLimit.h"
#include "geometry/Plane3d.h"
#include "model/ZephyronModel.h"
#include "settings/RenderingOptions.h"
#include "tests/support/FaceBuilding.h"
#include "tests/support/GLPixelCheck.h"
#include "tests/support/TopViewSetup.h"
#include "tests/view/ViewTestSupport.h"
#include "topology/Edge.h"
#include "topology/Face.h"
#include "topology/FaceTextureCoords.h"
#include "topology/Vertex.h"
#include "view/ZphView.h"

using orbisk::geometry::CPlane3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CTransform2d;
using orbisk::utils::CColor;

namespace {

constexpr int kMaterialViewSize = 64;

// An image of rows of colours, the first row at the top.
CDib* MakePicture(const std::vector<std::vector<CColor>>& rows)
{
    const int height = static_cast<int>(rows.size());
    const int width = static_cast<int>(rows.front().size());
    std::vector<uint8_t> pixels;
    for (const auto& row : rows) {
        for (const CColor& c : row) {
            pixels.insert(pixels.end(), {c.blue, c.green, c.red, c.alpha});
        }
    }
    auto* image = new CDib;
    image->CreateFromPixels(width, height, 32, pixels.data(), 1.0);
    return image;
}

const CColor kMaterialRed(255, 0, 0, 255);
const CColor kMaterialGreen(0, 255, 0, 255);
const CColor kMaterialBlue(0, 0, 255, 255);
const CColor kMaterialYellow(255, 255, 0, 255);

// Which channels are lit: the texel colours of the checker are pure, whatever light scales them.
::testing::AssertionResult ShowsColour(const GLPixel& pixel, const CColor& colour)
{
    const uint8_t channels[3] = {pixel.r, pixel.g, pixel.b};
    const uint8_t wanted[3] = {colour.red, colour.green, colour.blue};
    for (int i = 0; i < 3; ++i) {
        const bool on = channels[i] > 120;
        const bool off = channels[i] < 40;
        if ((wanted[i] != 0 && !on) || (wanted[i] == 0 && !off))
            return ::testing::AssertionFailure() << pixel << " does not show " << int(colour.red) << ","
                                                 << int(colour.green) << "," << int(colour.blue);
    }
    return ::testing::AssertionSuccess();
}

GLint BoundTexture2D()
{
    GLint name = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return name;
}

class MaterialDrawingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SetUpTopView(view, kMaterialViewSize));
        model = view.GetModel();
        Options().SetAxesShown(false);
        Options().SetRenderingMode(CRenderingOptions::kShadedWithTextures);
        Options().SetTexturesShown(true);
        Options().SetBackgroundColor(CColor(255, 255, 255, 255));
    }

    void TearDown() override
    {
        SetMaxTextureSizeOverride(-1);
        view.ResetDrawState();
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_T));
        EXPECT_EQ(BoundTexture2D(), 0);
        GLint mode = 0;
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        EXPECT_EQ(mode, GL_MODELVIEW);
        EXPECT_TRUE(GLStateIsClean());
    }

    CRenderingOptions& Options() { return *view.GetRenderingOptions(); }

    // A material listed by the model, which owns it.
    CMaterial* AddMaterial(CColor colour)
    {
        auto* material = new CMaterial();
        material->SetColor(colour);
        model->GetRoot()->GetMaterialManager()->AddMaterial(material);
        return material;
    }
    // A texture material; one copy of the image covers size x size model units.
    CMaterial* AddTextured(CDib* image, double size)
    {
        CMaterial* material = AddMaterial(CColor(90, 90, 90, 255));
        auto* texture = new CTexture();
        texture->SetImage(image);
        texture->SetXScale(size);
        texture->SetYScale(size);
        material->SetTexture(texture);
        material->SetType(CMaterial::kTextured);
        return material;
    }

    // The square 0 ... side in x and y at z = 0, facing the viewer.
    CFace* AddSquare(double x0, double y0, double side)
    {
        return AddOutlineFace(
            *model->GetRoot(),
            {{x0, y0, 0}, {x0 + side, y0, 0}, {x0 + side, y0 + side, 0}, {x0, y0 + side, 0}});
    }

    GLPixel At(double x, double y) { return PixelUnder(view, CPoint3d(x, y, 0), kMaterialViewSize); }

    ManualClock clock;
    CZphView view{clock, clock};
    CZephyronModel* model = nullptr;
};

// A 2 x 2 checker laid once over a square face: each quarter of the face shows its texel, the
// image upright (its first row at the top of the face).
TEST_F(MaterialDrawingTest, TexturedFaceShowsItsTextureUpright)
{
    CMaterial* material =
        AddTextured(MakePicture({{kMaterialRed, kMaterialGreen}, {kMaterialBlue, kMaterialYellow}}), 4.0);
    CFace* face = AddSquare(0, 0, 4);
    face->SetMaterial(material);

    face->Draw(&view);

    EXPECT_TRUE(ShowsColour(At(1, 3), kMaterialRed)) << "top left";
    EXPECT_TRUE(ShowsColour(At(3, 3), kMaterialGreen)) << "top right";
    EXPECT_TRUE(ShowsColour(At(1, 1), kMaterialBlue)) << "bottom left";
    EXPECT_TRUE(ShowsColour(At(3, 1), kMaterialYellow)) << "bottom right";
    EXPECT_EQ(At(-2, -2), (GLPixel{255, 255, 255, 255})) << "outside the face";
}

// The texture repeats at its scale; a stored side mapping moves it on the face.
TEST_F(MaterialDrawingTest, TextureRepeatsAtItsScaleAndFollowsTheSideMapping)
{
    CMaterial* material =
        AddTextured(MakePicture({{kMaterialRed, kMaterialGreen}, {kMaterialBlue, kMaterialYellow}}), 2.0);
    CFace* face = AddSquare(0, 0, 4);
    face->SetMaterial(material);
    face->Draw(&view);
    // Two copies across and down: the quarter at (0.5, 3.5) and the one at (2.5, 3.5) match.
    EXPECT_TRUE(ShowsColour(At(0.5, 3.5), kMaterialRed));
    EXPECT_TRUE(ShowsColour(At(2.5, 3.5), kMaterialRed));
    EXPECT_TRUE(ShowsColour(At(3.5, 0.5), kMaterialYellow));

    // A mapping that shifts texture space by one texel (1 unit) to the right.
    CTransform2d shift;
    shift.m[6] = 1.0;
    auto* coords = new CFaceTextureCoords;
    coords->SetFrontMapping(shift);
    face->AddAttributeDictionary(coords);
    glClear(GL_COLOR_BUFFER_BIT);
    face->Draw(&view);
    EXPECT_TRUE(ShowsColour(At(1.5, 3.5), kMaterialRed));
    EXPECT_TRUE(ShowsColour(At(0.5, 3.5), kMaterialGreen));
}

// Textures are off in other modes and in the faded draw modes: the face takes the material's
// display colour instead (the average of the texture).
TEST_F(MaterialDrawingTest, FacesDrawNoTextureWhenTexturesAreOff)
{
    CMaterial* material =
        AddTextured(MakePicture({{kMaterialRed, kMaterialRed}, {kMaterialRed, kMaterialRed}}), 4.0);
    CFace* face = AddSquare(0, 0, 4);
    face->SetMaterial(material);
    Options().SetTexturesShown(false);
    material->SetColor(CColor(0, 0, 255, 255));
    material->SetType(CMaterial::kColorizedTexture);
    face->Draw(&view);
    EXPECT_TRUE(ShowsColour(At(1, 1), kMaterialBlue))
        << "colourised texture's average colour, not the texels";
}

// A material's transparency: its colour reaches the view with alpha 1 - transparency, and a
// face blends with what lies behind it, textured or not.
TEST_F(MaterialDrawingTest, TransparentMaterialsBlendWithTheBackground)
{
    CMaterial* plain = AddMaterial(CColor(10, 20, 30, 255));
    plain->SetUseTransparency(true);
    plain->SetTransparency(0.25);
    view.BindMaterial(plain, 0, 0);
    CColor colour;
    EXPECT_EQ(view.GetColor(colour), CColor(10, 20, 30, 191));

    Options().SetTransparencyEnabled(true);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    struct Case {
        const char* name;
        bool textured;
    };
    for (const Case& c : {Case{"plain", false}, Case{"textured", true}}) {
        SCOPED_TRACE(c.name);
        CMaterial* material =
            c.textured
                ? AddTextured(MakePicture({{kMaterialBlue, kMaterialBlue}, {kMaterialBlue, kMaterialBlue}}),
                              4.0)
                : AddMaterial(CColor(0, 0, 255, 255));
        CFace* face = AddSquare(c.textured ? 0 : -4, 0, 4);
        face->SetMaterial(material);
        face->Draw(&view);
        const GLPixel opaque = At(c.textured ? 2 : -2, 2);
        material->SetUseTransparency(true);
        material->SetTransparency(0.5);
        glClear(GL_COLOR_BUFFER_BIT);
        face->Draw(&view);
        const GLPixel blended = At(c.textured ? 2 : -2, 2);
        EXPECT_LT(opaque.r, 40);
        EXPECT_NEAR(blended.r, (opaque.r + 255) / 2, 6) << blended;
        EXPECT_NEAR(blended.b, (opaque.b + 255) / 2, 6) << blended;
    }
    glDisable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
}

// The model view binds a texture material's texture (made within the texture size limit) and
// sets a plain material's colour; a faded view gets the colour only. The call answers its
// first number.
TEST_F(MaterialDrawingTest, BindMaterialBindsTexturesWithinTheSizeLimit)
{
    struct Case {
        int32_t override;
        int width, height;
        GLenum target;  // an image fitted to one row is a one-dimensional texture
        int expectedWidth;
    };
    const Case cases[] = {
        {-1, 2048, 4, GL_TEXTURE_2D, 1024},
        {256, 2048, 16, GL_TEXTURE_2D, 256},
        {0, 64, 4, GL_TEXTURE_2D, 64},
        {-1, 2048, 2, GL_TEXTURE_1D, 1024},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.override);
        SetMaxTextureSizeOverride(c.override);
        std::vector<std::vector<CColor>> rows(
            static_cast<size_t>(c.height), std::vector<CColor>(static_cast<size_t>(c.width), kMaterialRed));
        CMaterial* material = AddTextured(MakePicture(rows), 4.0);

        EXPECT_EQ(view.BindMaterial(material, 7, 0), 7);
        EXPECT_TRUE(glIsEnabled(c.target));
        GLint bound = 0;
        glGetIntegerv(c.target == GL_TEXTURE_1D ? GL_TEXTURE_BINDING_1D : GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_NE(bound, 0);
        EXPECT_EQ(bound, static_cast<GLint>(material->GetTexture()->GetGLTexture()));
        GLint width = 0;
        glGetTexLevelParameteriv(c.target, 0, GL_TEXTURE_WIDTH, &width);
        EXPECT_EQ(width, c.expectedWidth);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        material->ApplyTexturePlanes(CPlane3d(1, 0, 0, 0), CPlane3d(0, 1, 0, 0));
        material->EndTexture();
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_1D));
        material->GetTexture()->DeleteGLTexture();
    }

    CMaterial* material =
        AddTextured(MakePicture({{kMaterialRed, kMaterialRed}, {kMaterialRed, kMaterialRed}}), 4.0);
    view.PushDrawMode(2);
    view.BindMaterial(material, 0, 0);
    view.PopDrawMode();
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D)) << "faded";
    EXPECT_EQ(material->GetTexture()->GetGLTexture(), 0u);
}

}  // namespace
