// Images drawing themselves into a real model view over an offscreen GL context: the picture's
// face drawn where the image is placed, the polygon offset that keeps it off the face it lies
// on, and the display settings it draws with, put back afterwards without a notification.

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

#include "components/Component.h"
#include "components/ComponentDefinition.h"
#include "components/Image.h"
#include "database/DefinitionList.h"
#include "database/Dib.h"
#include "database/Material.h"
#include "database/MaterialManager.h"
#include "database/Relationship.h"
#include "database/RelationshipMap.h"
#include "database/Texture.h"
#include "model/ZephyronModel.h"
#include "settings/RenderingOptions.h"
#include "support/NotificationCenter.h"
#include "tests/support/GLPixelCheck.h"
#include "tests/support/TopViewSetup.h"
#include "tests/view/ViewTestSupport.h"
#include "topology/Edge.h"
#include "topology/Face.h"
#include "topology/Vertex.h"
#include "view/ZphView.h"

using orbisk::geometry::CPlane3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CVector3d;
using orbisk::utils::CColor;
using orbisk::utils::CNotificationCenter;

namespace {

constexpr int kImageViewSize = 64;
const CColor kRed(255, 0, 0, 255);
const CColor kGreen(0, 255, 0, 255);
const CColor kBlue(0, 0, 255, 255);
const CColor kYellow(255, 255, 0, 255);

// A 2 x 2 picture, its first row at the top.
CDib* MakeChecker()
{
    std::vector<uint8_t> pixels;
    for (const CColor& c : {kRed, kGreen, kBlue, kYellow})
        pixels.insert(pixels.end(), {c.blue, c.green, c.red, c.alpha});
    auto* image = new CDib;
    image->CreateFromPixels(2, 2, 32, pixels.data(), 1.0);
    return image;
}

// Which channels are lit: the texels are pure colours, whatever light scales them.
::testing::AssertionResult ShowsColour(const GLPixel& pixel, const CColor& colour)
{
    const uint8_t channels[3] = {pixel.r, pixel.g, pixel.b};
    const uint8_t wanted[3] = {colour.red, colour.green, colour.blue};
    for (int i = 0; i < 3; ++i) {
        if ((wanted[i] != 0 && channels[i] <= 120) || (wanted[i] == 0 && channels[i] >= 40))
            return ::testing::AssertionFailure() << pixel << " does not show " << int(colour.red) << ","
                                                 << int(colour.green) << "," << int(colour.blue);
    }
    return ::testing::AssertionSuccess();
}

// The real model view, noting the factor of every polygon offset pushed.
class OffsetRecordingView : public CZphView {
public:
    using CZphView::CZphView;

    void PushPolygonOffset(bool enable, float factor, float units) override
    {
        offsets.push_back(factor);
        CZphView::PushPolygonOffset(enable, factor, units);
    }

    std::vector<float> offsets;
};

class CountingObserver : public orbisk::utils::IObserver {
public:
    void OnNotification(const char*, void*) override { ++posts; }
    int posts = 0;
};

class ImageDrawingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SetUpTopView(view, kImageViewSize));
        model = view.GetModel();
        Options().SetAxesShown(false);
        // One copy of the picture covers the unit square of the image's definition.
        picture = new CMaterial;
        picture->SetColor(CColor(90, 90, 90, 255));
        auto* texture = new CTexture;
        texture->SetImage(MakeChecker());
        texture->SetXScale(1.0);
        texture->SetYScale(1.0);
        picture->SetTexture(texture);
        picture->SetType(CMaterial::kTextured);
        model->GetMaterialManager()->AddMaterial(picture);
    }

    void TearDown() override
    {
        view.ResetDrawState();
        EXPECT_TRUE(GLStateIsClean());
    }

    CRenderingOptions& Options() { return *view.GetRenderingOptions(); }

    // An image of the unit square whose face carries the picture's material, placed by the
    // transformation; its face turns towards the eye (+z) unless reversed.
    CImage* AddImage(const CTransform3d& placement, bool reversed = false)
    {
        auto* definition = new CComponentDefinition;
        definition->SetName(L"Picture");
        definition->SetKind(2);
        definition->EnsureThumbnail();
        model->GetRoot()->GetDefinitionList()->Add(definition);
        std::vector<CVertex*> corners;
        for (const CPoint3d& p : {CPoint3d(0, 0, 0), CPoint3d(1, 0, 0), CPoint3d(1, 1, 0), CPoint3d(0, 1, 0)})
            corners.push_back(new CVertex(p));
        std::vector<CEdge*> edges;
        for (size_t i = 0; i < corners.size(); ++i) {
            edges.push_back(new CEdge(corners[i], corners[(i + 1) % corners.size()], false));
            definition->AddEntity(edges.back());
        }
        auto* face = new CFace(static_cast<int>(edges.size()), edges.data(), CPlane3d(0, 0, 1, 0));
        if (reversed)
            face->Reverse();
        face->SetMaterial(picture);
        definition->AddEntity(face);
        auto* image = new CImage;
        definition->AddInstance(image);
        model->GetRoot()->Add(image);
        image->SetTransform(placement);
        return image;
    }

    GLPixel PixelAt(const CPoint3d& point) { return PixelUnder(view, point, kImageViewSize); }

    ManualClock clock;
    OffsetRecordingView view{clock, clock};
    CZephyronModel* model = nullptr;
    CMaterial* picture = nullptr;
};

// The picture shows upright over the placed rectangle whatever the display settings: the image
// draws shaded and textured also where the faces of the model do not.
TEST_F(ImageDrawingTest, TheImageDrawsItsPictureWhereItIsPlacedWhateverTheFaceStyle)
{
    struct Case {
        const char* name;
        int32_t mode;
        bool textures;
    };
    const Case cases[] = {
        {"shaded with textures", CRenderingOptions::kShadedWithTextures, true},
        {"monochrome with textures off", CRenderingOptions::kMonochrome, false},
    };
    // Twice as wide as high, its lower left corner at (-4, -2).
    CImage* image = AddImage(
        CTransform3d(CVector3d(8, 0, 0), CVector3d(0, 4, 0), CVector3d(0, 0, 1), CPoint3d(-4, -2, 0)));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Options().SetRenderingMode(c.mode);
        Options().SetTexturesShown(c.textures);
        glClear(GL_COLOR_BUFFER_BIT);
        image->Draw(&view);
        EXPECT_TRUE(ShowsColour(PixelAt(CPoint3d(-2, 1, 0)), kRed)) << "top left";
        EXPECT_TRUE(ShowsColour(PixelAt(CPoint3d(2, 1, 0)), kGreen)) << "top right";
        EXPECT_TRUE(ShowsColour(PixelAt(CPoint3d(-2, -1, 0)), kBlue)) << "bottom left";
        EXPECT_TRUE(ShowsColour(PixelAt(CPoint3d(2, -1, 0)), kYellow)) << "bottom right";
        EXPECT_TRUE(PixelNear(PixelAt(CPoint3d(0, 3, 0)), kWhitePixel)) << "above it";
        EXPECT_TRUE(PixelNear(PixelAt(CPoint3d(4.5, 0, 0)), kWhitePixel)) << "beside it";
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    }
}

// Whether the image counts as seen from the front, and so is pulled towards the viewer, is
// whether it is glued exactly when its face is seen from the front side.
TEST_F(ImageDrawingTest, AGluedImageSeenFromTheFrontOrAFreeOneSeenFromBehindIsPulledTowardsTheViewer)
{
    struct Case {
        const char* name;
        bool glued, reversed;
        float offset;
        bool frontFacing;
    };
    const Case cases[] = {
        {"a free image seen from the front", false, false, 2.0f, false},
        {"a free image seen from behind", false, true, -1.5f, true},
        {"a glued image seen from the front", true, false, -1.5f, true},
        {"a glued image seen from behind", true, true, 2.0f, false},
    };
    CRelationshipMap& relationships = model->GetRoot()->GetRelationshipMap();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CImage* image = AddImage(CTransform3d(), c.reversed);
        if (c.glued)
            relationships.Add(new CRelationship(image->GetFace(), image));
        view.offsets.clear();
        image->Draw(&view);
        ASSERT_FALSE(view.offsets.empty());
        EXPECT_EQ(view.offsets.front(), c.offset);
        EXPECT_EQ(image->IsFrontFacing(), c.frontFacing) << "as the picker will find it";
        EXPECT_FALSE(glIsEnabled(GL_POLYGON_OFFSET_FILL)) << "the offset is popped";
        relationships.RemoveRelationshipsOf(image);
    }
}

TEST_F(ImageDrawingTest, DrawingAnImageLeavesTheDisplaySettingsAsTheyWereAndTellsNobody)
{
    struct Case {
        const char* name;
        bool textures, colorByLayer, profiles;
        int32_t mode, edges;
    };
    const Case cases[] = {
        {"monochrome without edges, by layer, with profiles", false, true, true,
         CRenderingOptions::kMonochrome, 0},
        {"wireframe", true, false, false, CRenderingOptions::kWireframe, 1},
        {"shaded with textures and edges", true, false, false, CRenderingOptions::kShaded, 1},
    };
    CImage* image = AddImage(CTransform3d());
    CountingObserver observer;
    CNotificationCenter& center = CNotificationCenter::GetInstance();
    center.AddObserver(kRenderingOptionsChangeNotification, &observer);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Options().SetRenderingMode(c.mode);
        Options().SetTexturesShown(c.textures);
        Options().SetColorByLayer(c.colorByLayer);
        Options().SetProfiles(c.profiles);
        Options().SetEdgeDisplay(c.edges);
        observer.posts = 0;
        image->Draw(&view);
        EXPECT_EQ(observer.posts, 0);
        EXPECT_TRUE(center.IsEnabled()) << "delivery is on again";
        EXPECT_EQ(Options().GetRenderingMode(), c.mode);
        EXPECT_EQ(Options().GetTexturesShown(), c.textures);
        EXPECT_EQ(Options().IsColorByLayer(), c.colorByLayer);
        EXPECT_EQ(Options().GetProfiles(), c.profiles);
        EXPECT_EQ(Options().GetEdgeDisplay(), c.edges);
    }
    center.RemoveObserver(kRenderingOptionsChangeNotification, &observer);
}

}  // namespace
