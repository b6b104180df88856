// Screen-space images in a real offscreen GL context: watermarks placed, stretched and tiled
// over the view, faded, and the background photo behind the model under its veil, read back as
// pixels.

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "components/Component.h"
#include "components/TextRasterizer.h"
#include "database/CurrentModel.h"
#include "database/Dib.h"
#include "database/Material.h"
#include "database/MaterialManager.h"
#include "model/ZephyronModel.h"
#include "settings/BackgroundImage.h"
#include "settings/RenderingOptions.h"
#include "settings/Watermark.h"
#include "settings/WatermarkTransition.h"
#include "tests/support/FaceBuilding.h"
#include "tests/support/GLPixelCheck.h"
#include "tests/support/TopViewSetup.h"
#include "tests/view/ViewTestSupport.h"
#include "topology/Edge.h"
#include "topology/Face.h"
#include "topology/Vertex.h"
#include "view/ZphView.h"

using orbisk::geometry::CPlane3d;
using orbisk::geometry::CPoint3d;
using orbisk::utils::CColor;

namespace {

constexpr int kWatermarkViewSize = 64;

// A width x height image in one colour, or (checker) alternating red and blue from a red
// top-left pixel.
CDib* MakeImage(int width, int height, CColor colour, bool checker = false)
{
    std::vector<uint8_t> pixels;
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            CColor c = colour;
            if (checker)
                c = (row + column) % 2 == 0 ? CColor(255, 0, 0, 255) : CColor(0, 0, 255, 255);
            pixels.insert(pixels.end(), {c.blue, c.green, c.red, c.alpha});
        }
    }
    auto* image = new CDib;
    image->CreateFromPixels(width, height, 32, pixels.data(), 1.0);
    return image;
}

// Red, green and blue within the tolerance; blending leaves the window's alpha as it may.
::testing::AssertionResult ColourNear(GLPixel actual, GLPixel expected, int tolerance = 3)
{
    actual.a = expected.a;
    return PixelNear(actual, expected, tolerance);
}

class ScreenImageDrawingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A view ten units square over 64 pixels, looking at the origin.
        ASSERT_TRUE(SetUpTopView(view, kWatermarkViewSize));
        model = view.GetModel();
        Options().SetAxesShown(false);
        Options().SetBackgroundColor(CColor(255, 255, 255, 255));
        glEnable(GL_DEPTH_TEST);
    }

    void TearDown() override
    {
        // What the drawing found is what it leaves.
        EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
        GLint value = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
        EXPECT_EQ(value, 0);
        glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &value);
        EXPECT_EQ(value, GL_MODULATE);
        GLboolean depthWrites = GL_FALSE;
        glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
        EXPECT_TRUE(depthWrites);
        glGetIntegerv(GL_MATRIX_MODE, &value);
        EXPECT_EQ(value, GL_MODELVIEW);
        glDisable(GL_DEPTH_TEST);
        view.ResetDrawState();
        EXPECT_TRUE(GLStateIsClean());
    }

    CRenderingOptions& Options() { return *view.GetRenderingOptions(); }
    void Clear() { glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT); }
    // GL window coordinates: (0, 0) is the bottom-left pixel.
    static GLPixel Pixel(int x, int y)
    {
        glFinish();
        return ReadGLPixel(x, y);
    }

    ManualClock clock;
    CZphView view{clock, clock};
    CZephyronModel* model = nullptr;
};

// A placed 32 x 16 image at scale 0.5 is half the view wide (32 pixels) and 16 high, at the
// corner or centre its position names.
TEST_F(ScreenImageDrawingTest, PlacedWatermarksSitAtTheirPosition)
{
    struct Case {
        int position;
        int insideX, insideY;    // a pixel the image covers
        int outsideX, outsideY;  // and one it does not
    };
    const Case cases[] = {
        {CWatermark::kBottomRight, 48, 8, 16, 8},
        {CWatermark::kTopLeft, 16, 56, 48, 56},
        {CWatermark::kCentre, 32, 32, 32, 16},
        {CWatermark::kBottomCentre, 32, 8, 8, 8},
    };
    CWatermark watermark;
    CDibRef image(MakeImage(32, 16, CColor(255, 0, 0, 255)));
    watermark.SetImage(image.Get());
    watermark.SetStretched(false);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.position);
        watermark.SetPosition(c.position);
        Clear();
        watermark.Draw(&view, true);
        EXPECT_TRUE(PixelNear(Pixel(c.insideX, c.insideY), kRedPixel));
        EXPECT_EQ(Pixel(c.outsideX, c.outsideY), kWhitePixel);
    }
    // Its size: 32 x 16 pixels from the bottom-right corner.
    watermark.SetPosition(CWatermark::kBottomRight);
    Clear();
    watermark.Draw(&view, false);
    EXPECT_TRUE(PixelNear(Pixel(33, 1), kRedPixel));
    EXPECT_TRUE(PixelNear(Pixel(62, 14), kRedPixel));
    EXPECT_EQ(Pixel(30, 1), kWhitePixel);
    EXPECT_EQ(Pixel(62, 17), kWhitePixel);
    watermark.DropTexture();
}

// A stretched 2 : 1 image keeping its aspect covers the full width and the middle half of the
// square view; without it, the whole view.
TEST_F(ScreenImageDrawingTest, StretchedWatermarksCoverTheView)
{
    CWatermark watermark;
    CDibRef image(MakeImage(32, 16, CColor(0, 0, 255, 255)));
    watermark.SetImage(image.Get());
    watermark.Draw(&view, true);
    EXPECT_TRUE(PixelNear(Pixel(1, 32), kBluePixel));
    EXPECT_TRUE(PixelNear(Pixel(62, 18), kBluePixel));
    EXPECT_EQ(Pixel(32, 14), kWhitePixel);
    EXPECT_EQ(Pixel(32, 50), kWhitePixel);

    watermark.SetMaintainAR(false);
    Clear();
    watermark.Draw(&view, true);
    EXPECT_TRUE(PixelNear(Pixel(32, 2), kBluePixel));
    EXPECT_TRUE(PixelNear(Pixel(32, 61), kBluePixel));
    watermark.DropTexture();
}

// A tiled 2 x 2 checker at scale 8 repeats every 16 pixels from the top-left corner, its red
// top-left pixel first.
TEST_F(ScreenImageDrawingTest, TiledWatermarksRepeatFromTheTopLeft)
{
    CWatermark watermark;
    CDibRef image(MakeImage(2, 2, CColor(), true));
    watermark.SetImage(image.Get());
    watermark.SetTiled(true);
    watermark.SetScale(8.0);
    watermark.Draw(&view, true);
    auto isRed = [](const GLPixel& p) { return p.r > 200 && p.b < 40; };
    auto isBlue = [](const GLPixel& p) { return p.b > 200 && p.r < 40; };
    // Rows count from the bottom: the top row of the view is 63.
    for (int tile = 0; tile < 4; ++tile) {
        SCOPED_TRACE(tile);
        const int x = 16 * tile + 4;
        EXPECT_TRUE(isRed(Pixel(x, 59))) << Pixel(x, 59);
        EXPECT_TRUE(isBlue(Pixel(x + 8, 59))) << Pixel(x + 8, 59);
        EXPECT_TRUE(isBlue(Pixel(x, 51))) << Pixel(x, 51);
        EXPECT_TRUE(isRed(Pixel(x, 59 - 16 * tile))) << Pixel(x, 59 - 16 * tile);
    }
    watermark.DropTexture();
}

// Opacity: the alpha scale and a transition's fade blend the image over what is behind it; an
// intensity mask turns dark pixels opaque in the background colour.
TEST_F(ScreenImageDrawingTest, WatermarkOpacityAndFades)
{
    CWatermark watermark;
    CDibRef image(MakeImage(32, 16, CColor(255, 0, 0, 255)));
    watermark.SetImage(image.Get());
    watermark.SetMaintainAR(false);
    watermark.AddUse();
    watermark.SetAlphaScale(0.5);
    watermark.Draw(&view, false);
    EXPECT_TRUE(ColourNear(Pixel(32, 32), GLPixel{255, 128, 128, 255}));

    watermark.SetAlphaScale(1.0);
    auto transition = CWatermarkTransition::Create({}, {nullptr, &watermark});
    ASSERT_TRUE(transition);
    transition->Step(0.25);
    Clear();
    transition->Draw(&view, false);
    EXPECT_TRUE(ColourNear(Pixel(32, 32), GLPixel{255, 191, 191, 255})) << "fading in";
    transition->Finish();
    watermark.DropTexture();

    CWatermark mask;
    CDibRef dark(MakeImage(32, 16, CColor(0, 0, 0, 255)));
    mask.SetImage(dark.Get());
    mask.SetMaintainAR(false);
    mask.SetIntensForAlpha(true);
    CCurrentModelScope current(model);
    Options().SetBackgroundColor(CColor(0, 255, 0, 255));
    Clear();
    mask.Draw(&view, true);
    EXPECT_TRUE(PixelNear(Pixel(32, 32), kGreenPixel));
    mask.DropTexture();
}

// An image that cannot be shown leaves the view untouched.
TEST_F(ScreenImageDrawingTest, WatermarksWithoutImageDrawNothing)
{
    CWatermark watermark;
    watermark.Draw(&view, true);
    EXPECT_EQ(Pixel(32, 32), kWhitePixel);
}

class BackgroundPhotoDrawingTest : public ScreenImageDrawingTest {
protected:
    void SetUp() override
    {
        ScreenImageDrawingTest::SetUp();
        Options().SetShowPhotoBehind(true);
        Options().SetPhotoBehindOpacity(1.0);
        // 64 x 32: twice as wide as high in a square view, so it spans the view's width and the
        // middle half of its height.
        CDibRef image(MakeImage(64, 32, CColor(0, 255, 0, 255)));
        photo.SetImage(image.Get());
        photo.SetMode(CBackgroundImage::kModeEmbedded);
    }
    void TearDown() override
    {
        photo.ReleaseGLResources();
        ScreenImageDrawingTest::TearDown();
    }

    CFace* AddSquare(double x0, double y0, double side)
    {
        return AddOutlineFace(
            *model->GetRoot(),
            {{x0, y0, 0}, {x0 + side, y0, 0}, {x0 + side, y0 + side, 0}, {x0, y0 + side, 0}});
    }

    CBackgroundImage photo;
};

// The photo fills its part of the view behind the model: a face drawn after it covers it, and
// the rest of the photo shows around the face.
TEST_F(BackgroundPhotoDrawingTest, PhotoIsDrawnBehindTheModel)
{
    photo.Draw(&view, true, false, false);
    EXPECT_TRUE(photo.GetTiledImage().IsLoaded());
    EXPECT_TRUE(PixelNear(Pixel(32, 32), kGreenPixel));
    EXPECT_TRUE(PixelNear(Pixel(8, 24), kGreenPixel));
    EXPECT_EQ(Pixel(32, 8), kWhitePixel) << "below the photo";
    EXPECT_EQ(Pixel(32, 56), kWhitePixel) << "above the photo";

    auto* material = new CMaterial();
    material->SetColor(CColor(0, 0, 255, 255));
    model->GetRoot()->GetMaterialManager()->AddMaterial(material);
    CFace* face = AddSquare(-1, -1, 2);
    face->SetMaterial(material);
    face->Draw(&view);
    const GLPixel onFace = Pixel(32, 32);
    EXPECT_GT(onFace.b, 120);
    EXPECT_LT(onFace.g, 40);
    EXPECT_TRUE(PixelNear(Pixel(8, 24), kGreenPixel)) << "beside the face";
}

// The photo's first row is its top.
TEST_F(BackgroundPhotoDrawingTest, PhotoIsUpright)
{
    std::vector<uint8_t> pixels;
    for (int row = 0; row < 32; ++row) {
        for (int column = 0; column < 64; ++column)
            pixels.insert(pixels.end(), {0, uint8_t(row < 16 ? 0 : 255), uint8_t(row < 16 ? 255 : 0), 255});
    }
    CDibRef image(new CDib);
    image->CreateFromPixels(64, 32, 32, pixels.data(), 1.0);
    photo.SetImage(image.Get());
    EXPECT_FALSE(photo.GetTiledImage().IsLoaded()) << "a new image drops the old textures";
    photo.Draw(&view, true, false, false);
    EXPECT_TRUE(PixelNear(Pixel(32, 40), kRedPixel)) << "top half";
    EXPECT_TRUE(PixelNear(Pixel(32, 24), kGreenPixel)) << "bottom half";
}

// The photo shows through a veil of the background colour whose opacity is one minus the
// photo's; hidden behind, or with fog, it is not drawn.
TEST_F(BackgroundPhotoDrawingTest, PhotoOpacityVeilAndSwitches)
{
    struct Case {
        const char* name;
        double opacity;
        bool shown;
        bool fog;
        GLPixel expected;
    };
    const Case cases[] = {
        {"opaque", 1.0, true, false, kGreenPixel},
        {"half", 0.5, true, false, GLPixel{128, 255, 128, 255}},
        {"zero keeps a trace", 0.0, true, false, GLPixel{250, 255, 250, 255}},
        {"hidden", 1.0, false, false, kWhitePixel},
        {"fog", 1.0, true, true, kWhitePixel},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Options().SetPhotoBehindOpacity(c.opacity);
        Options().SetShowPhotoBehind(c.shown);
        Options().SetDisplayFog(c.fog);
        Clear();
        photo.Draw(&view, true, false, false);
        EXPECT_TRUE(ColourNear(Pixel(32, 32), c.expected));
    }
    Options().SetDisplayFog(false);

    // The veil is left out when it would be fully clear, even on black (the unset colour).
    Options().SetShowPhotoBehind(true);
    Options().SetPhotoBehindOpacity(1.0);
    Options().SetBackgroundColor(CColor(0, 0, 0, 255));
    view.SetColor(CColor(255, 0, 255, 255));
    Clear();
    photo.Draw(&view, true, false, false);
    EXPECT_TRUE(PixelNear(Pixel(32, 32), kGreenPixel));
}

// A linked photo whose file is missing draws from its thumbnail, and the text pass writes
// "Original Image Not Found" in red across about the middle half of the view.
TEST(BackgroundPhotoPlaceholderTest, MissingImageShowsThePlaceholderText)
{
    constexpr int size = 256;
    ManualClock clock;
    CZphView view{clock, clock};
    ASSERT_TRUE(SetUpTopView(view, size));
    view.GetRenderingOptions()->SetBackgroundColor(CColor(255, 255, 255, 255));
    InstallTextRasterizer();
    CBackgroundImage photo;
    CDibRef image(MakeImage(64, 32, CColor(0, 255, 0, 255)));
    photo.SetImage(image.Get());
    photo.SetMode(CBackgroundImage::kModeLinked);
    photo.SetImage(nullptr);
    ASSERT_TRUE(photo.GetThumbnail());

    photo.Draw(&view, false, true, false);
    glFinish();
    std::vector<uint8_t> pixels(static_cast<size_t>(size * size * 4));
    glReadPixels(0, 0, size, size, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    int red = 0;
    int left = size;
    int right = 0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const uint8_t* p = &pixels[static_cast<size_t>((y * size + x) * 4)];
            if (p[0] > 200 && p[1] < 100 && p[2] < 100) {
                ++red;
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    EXPECT_GT(red, 50);
    EXPECT_GT(left, size / 8);
    EXPECT_LT(right, size * 7 / 8);
    EXPECT_GT(right - left, size / 4);

    photo.ReleaseGLResources();
    view.ResetDrawState();
    EXPECT_TRUE(GLStateIsClean());
}

}  // namespace
