// Face drawing in real offscreen GL contexts: the colours and materials of the two sides, the
// state around the fill, the primitives a face is sent as, and the stipples of hidden and
// selected faces, read back as pixels.

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "components/Component.h"
#include "database/Material.h"
#include "model/ZephyronModel.h"
#include "settings/RenderingOptions.h"
#include "tests/support/GLPixelCheck.h"
#include "tests/support/TopViewSetup.h"
#include "tests/view/ViewTestSupport.h"
#include "topology/Edge.h"
#include "topology/Face.h"
#include "topology/FaceTextureCoords.h"
#include "topology/FaceTextureProjection.h"
#include "topology/Vertex.h"
#include "view/MemoryGLContext.h"
#include "view/ZphView.h"

using orbisk::geometry::CPlane3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CVector3d;
using orbisk::utils::CColor;

namespace {

constexpr int kFaceViewSize = 64;
const GLPixel kClear{255, 255, 255, 255};

// The model view, recording the primitives it is asked to open and the material colours it
// sets, in order.
class RecordingFaceView : public CZphView {
public:
    using CZphView::CZphView;
    void BeginPrimitive(int kind) override
    {
        calls.push_back("begin " + std::to_string(kind));
        CZphView::BeginPrimitive(kind);
    }
    bool SetMaterialColor(CMaterial* material, const CColor& color, unsigned int face, bool flag) override
    {
        materialColors.push_back({color, face});
        return CZphView::SetMaterialColor(material, color, face, flag);
    }

    std::vector<std::string> calls;
    std::vector<std::pair<CColor, unsigned int>> materialColors;
};

class FaceDrawingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SetUpTopView(view, kFaceViewSize));
        model = view.GetModel();
        Options().SetAxesShown(false);
    }

    void TearDown() override
    {
        view.ResetDrawState();
        EXPECT_TRUE(GLStateIsClean());
    }

    CRenderingOptions& Options() { return *view.GetRenderingOptions(); }

    // A face on the outline at z = 0, its loop counter-clockwise about the normal +z; with
    // a hole when one is given.
    CFace* AddFace(const std::vector<CPoint3d>& outline, bool facingUp = true)
    {
        std::vector<CVertex*> vertices;
        for (const CPoint3d& p : outline)
            vertices.push_back(new CVertex(p));
        std::vector<CEdge*> edges;
        for (size_t i = 0; i < vertices.size(); ++i) {
            auto* edge = new CEdge(vertices[i], vertices[(i + 1) % vertices.size()], false);
            model->GetRoot()->AddEntity(edge);
            edges.push_back(edge);
        }
        auto* face = new CFace(static_cast<int>(edges.size()), edges.data(), CPlane3d(0, 0, 1, 0));
        if (!facingUp)
            face->Reverse();
        model->GetRoot()->AddEntity(face);
        return face;
    }
    CFace* AddSquare(double half, bool facingUp = true)
    {
        return AddFace({{-half, -half, 0}, {half, -half, 0}, {half, half, 0}, {-half, half, 0}}, facingUp);
    }

    // Pixels of the 32 x 32 block in the middle of the window that are not the clear colour:
    // one whole period of a polygon stipple.
    int CoveredPixelsInBlock()
    {
        glFinish();
        std::vector<unsigned char> pixels(32 * 32 * 4);
        glReadPixels(16, 16, 32, 32, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        int covered = 0;
        for (size_t i = 0; i < pixels.size(); i += 4) {
            if (pixels[i] != kClear.r || pixels[i + 1] != kClear.g || pixels[i + 2] != kClear.b)
                ++covered;
        }
        return covered;
    }
    GLPixel Centre()
    {
        glFinish();
        return ReadGLPixel(kFaceViewSize / 2, kFaceViewSize / 2);
    }

    ManualClock clock;
    RecordingFaceView view{clock, clock};
    CZephyronModel* model = nullptr;
};

// The colour a side draws in, as the options and its material decide it.
TEST_F(FaceDrawingTest, EachSideTakesItsColourAndAlphaFromOptionsAndMaterial)
{
    struct Case {
        const char* name;
        int mode;
        bool front, hidden, xRay, transparencyOn;
        double transparency;  // of the face's material; below 0 no material
        CColor background;
        CColor expected;
    };
    const CColor matColour(10, 200, 30, 255);
    const Case cases[] = {
        {"front, shaded, no material",
         CRenderingOptions::kShaded,
         true,
         false,
         false,
         false,
         -1,
         {},
         {225, 225, 200, 255}},
        {"back, shaded, no back material",
         CRenderingOptions::kShaded,
         false,
         false,
         false,
         false,
         -1,
         {},
         {128, 128, 200, 255}},
        {"front with its material",
         CRenderingOptions::kShaded,
         true,
         false,
         false,
         false,
         0,
         {},
         {10, 200, 30, 255}},
        {"x-ray 0.5 over transparency 0.4",
         CRenderingOptions::kShaded,
         true,
         false,
         true,
         false,
         0.4,
         {},
         {10, 200, 30, 76}},
        {"transparency 0.25 without x-ray",
         CRenderingOptions::kShaded,
         true,
         false,
         false,
         true,
         0.25,
         {},
         {10, 200, 30, 191}},
        {"hidden face, hidden line, black background",
         CRenderingOptions::kHiddenLine,
         true,
         true,
         false,
         false,
         -1,
         {0, 0, 0, 255},
         {64, 64, 64, 255}},
        {"hidden face, hidden line, white background",
         CRenderingOptions::kHiddenLine,
         true,
         true,
         false,
         false,
         -1,
         {255, 255, 255, 255},
         {192, 192, 192, 255}},
        {"hidden line draws the background colour",
         CRenderingOptions::kHiddenLine,
         true,
         false,
         false,
         false,
         0,
         {0, 0, 90, 255},
         {0, 0, 90, 255}},
        {"monochrome ignores the material",
         CRenderingOptions::kMonochrome,
         true,
         false,
         false,
         false,
         0,
         {},
         {225, 225, 200, 255}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Options().SetRenderingMode(c.mode);
        Options().SetXRay(c.xRay);
        Options().SetXRayOpacity(0.5);
        Options().SetTransparencyEnabled(c.transparencyOn);
        if (c.background.alpha)
            Options().SetBackgroundColor(c.background);
        CFace* face = AddSquare(1);
        face->SetHidden(c.hidden);
        CMaterial material;
        material.SetColor(matColour);
        if (c.transparency > 0) {
            material.SetUseTransparency(true);
            material.SetTransparency(c.transparency);
        }
        CColor color;
        int kind = -1;
        CMaterial* got = face->GetDrawColor(&view, c.front, color, kind);
        if (c.transparency >= 0 && c.mode != CRenderingOptions::kMonochrome) {
            // The material a side would have: handed in as the view's inherited one.
            ASSERT_TRUE(view.PushMaterial(&material));
            got = face->GetDrawColor(&view, c.front, color, kind);
            view.PopMaterial();
            EXPECT_EQ(got, &material);
            EXPECT_EQ(kind, CFace::kInheritedMaterial);
        }
        EXPECT_EQ(color, c.expected);
    }
}

// Under X-ray the colour queries of sorting and export see half opacity, times the
// material's opacity; transparency draws X-ray faces and transparent materials in the
// transparent pass.
TEST_F(FaceDrawingTest, XRayFacesAreHalfOpaqueForTheColourQueries)
{
    CMaterial material;
    material.SetColor(CColor(10, 200, 30, 255));
    material.SetUseTransparency(true);
    material.SetTransparency(0.4);
    CFace* face = AddSquare(1);
    face->SetMaterial(&material);
    struct Case {
        const char* name;
        bool xRay, transparencyOn;
        int alpha;
        bool transparent;
    };
    const Case cases[] = {
        {"x-ray", true, false, 76, true},
        {"transparency without x-ray", false, true, 153, true},
        {"neither", false, false, 255, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Options().SetXRay(c.xRay);
        Options().SetTransparencyEnabled(c.transparencyOn);
        CColor color;
        face->GetSideColor(color, &view, true);
        EXPECT_EQ(color.alpha, c.alpha);
        EXPECT_EQ(face->IsTransparentInView(&view, true), c.transparent);
    }
    face->SetMaterial(nullptr);
}

// A convex triangle, quadrilateral and pentagon go out as one primitive each; a concave face
// goes through the tessellator, which draws its own triangles.
TEST_F(FaceDrawingTest, SimpleConvexFacesAreOnePrimitiveAndOthersAreTessellated)
{
    struct Case {
        const char* name;
        std::vector<CPoint3d> outline;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"triangle", {{-2, -2, 0}, {2, -2, 0}, {0, 2, 0}}, {"begin 4"}},
        {"quadrilateral", {{-2, -2, 0}, {2, -2, 0}, {2, 2, 0}, {-2, 2, 0}}, {"begin 7"}},
        {"pentagon", {{-2, -2, 0}, {2, -2, 0}, {3, 1, 0}, {0, 3, 0}, {-3, 1, 0}}, {"begin 9"}},
        {"concave chevron", {{-3, -3, 0}, {0, 0, 0}, {3, -3, 0}, {0, 3, 0}}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CFace* face = AddFace(c.outline);
        view.calls.clear();
        glClear(GL_COLOR_BUFFER_BIT);
        face->Draw(&view);
        EXPECT_EQ(view.calls, c.calls);
        EXPECT_NE(Centre(), kClear) << "the fill covers the middle of the window";
        model->GetRoot()->EraseEntity(face);
    }
}

// Seen from above, a face whose normal points up shows its front and one turned over its back;
// each side sets the matching GL material side, in the options' colour of that side. Back
// materials light back faces only under two-sided lighting, which the frame turns on.
TEST_F(FaceDrawingTest, TheViewerSeesTheSideTheNormalPointsTo)
{
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
    Options().SetFrontFaceColor(CColor(250, 0, 0, 255));
    Options().SetBackFaceColor(CColor(0, 0, 250, 255));
    for (bool up : {true, false}) {
        SCOPED_TRACE(up ? "front" : "back");
        CFace* face = AddSquare(3, up);
        EXPECT_EQ(face->IsFrontFacing(&view), up);
        view.materialColors.clear();
        glClear(GL_COLOR_BUFFER_BIT);
        face->Draw(&view);
        ASSERT_EQ(view.materialColors.size(), 1u);
        EXPECT_EQ(view.materialColors[0].second, up ? GLenum(GL_FRONT) : GLenum(GL_BACK));
        const GLPixel p = Centre();
        if (up)
            EXPECT_TRUE(p.r > p.b && p.g < 20) << p;
        else
            EXPECT_TRUE(p.b > p.r && p.g < 20) << p;
        model->GetRoot()->EraseEntity(face);
    }
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_FALSE);
}

// Shown as hidden geometry, a hidden face draws through the grid (a line every eighth row and a dot every
// eighth column elsewhere: 240 of each 1024 pixels); a selected face in wireframe draws the background colour
// under the sparse dots of the selection (64 of 1024).
TEST_F(FaceDrawingTest, HiddenAndSelectedFacesDrawTheirStipples)
{
    struct Case {
        const char* name;
        int mode;
        bool hidden, selected;
        int covered;
    };
    const Case cases[] = {
        {"hidden face in hidden-line mode", CRenderingOptions::kHiddenLine, true, false, 240},
        {"selected face in wireframe, background clear colour", CRenderingOptions::kWireframe, false, true,
         64},
        {"plain face in wireframe is not drawn", CRenderingOptions::kWireframe, false, false, 0},
    };
    Options().SetBackgroundColor(CColor(255, 255, 255, 255));
    Options().SetShowHiddenGeometry(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Options().SetRenderingMode(c.mode);
        CFace* face = AddSquare(4);
        face->SetHidden(c.hidden);
        face->SetSelectedFlag(c.selected);
        glClear(GL_COLOR_BUFFER_BIT);
        face->Draw(&view);
        EXPECT_EQ(CoveredPixelsInBlock(), c.covered);
        EXPECT_FALSE(glIsEnabled(GL_POLYGON_STIPPLE));
        model->GetRoot()->EraseEntity(face);
    }
}

// The state word: what BeginSide turns on, EndSide turns off again, and only that.
TEST_F(FaceDrawingTest, EndSideUndoesWhatBeginSideTurnedOn)
{
    CMaterial opaque;
    opaque.SetColor(CColor(10, 20, 30, 255));
    CMaterial seeThrough;
    seeThrough.SetColor(CColor(10, 20, 30, 255));
    seeThrough.SetUseTransparency(true);
    seeThrough.SetTransparency(0.5);
    CMaterial clear;
    clear.SetUseTransparency(true);
    clear.SetTransparency(1.0);
    struct Case {
        const char* name;
        CMaterial* material;
        bool transparentPass, hidden, stippleBefore;
        int state;
    };
    const Case cases[] = {
        {"opaque material in the transparent pass keeps depth writes", &opaque, true, false, false, 0},
        {"transparent material in the transparent pass", &seeThrough, true, false, false,
         CFace::kDepthWritesOff},
        {"no material in the transparent pass", nullptr, true, false, false, CFace::kDepthWritesOff},
        {"fully transparent material", &clear, false, false, false, CFace::kAlphaTestOn},
        {"hidden face", nullptr, false, true, false, CFace::kStippleOn},
        {"hidden face whose caller enabled stipple", nullptr, false, true, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Options().SetDrawPass(c.transparentPass ? CRenderingOptions::kDrawTransparentFaces
                                                : CRenderingOptions::kDrawEverything);
        CFace* face = AddSquare(1);
        face->SetHidden(c.hidden);
        if (c.stippleBefore)
            glEnable(GL_POLYGON_STIPPLE);
        const int state = face->BeginSide(&view, true, c.material, CColor(1, 2, 3, 255));
        EXPECT_EQ(state, c.state);
        GLboolean depthWrites = GL_TRUE;
        glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
        EXPECT_EQ(depthWrites == GL_FALSE, (c.state & CFace::kDepthWritesOff) != 0);
        face->EndSide(state, c.material);
        glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
        EXPECT_EQ(depthWrites, GL_TRUE);
        EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
        EXPECT_EQ(glIsEnabled(GL_POLYGON_STIPPLE) == GL_TRUE, c.stippleBefore);
        glDisable(GL_POLYGON_STIPPLE);
        model->GetRoot()->EraseEntity(face);
    }
    Options().SetDrawPass(CRenderingOptions::kDrawEverything);
}

// Without a stored mapping a side projects the texture along the face normal; a stored
// mapping of the front then scales what the front shows, and the back keeps the plain frame.
TEST_F(FaceDrawingTest, ATextureProjectsAlongTheNormalThroughTheSidesMapping)
{
    CFace* face = AddSquare(1);
    const CPoint3d point(2, 3, 5);
    struct Case {
        const char* name;
        bool mapped, front;
        CPoint3d uvq;
        int hasTransform;
    };
    const Case cases[] = {
        {"front without coordinates", false, true, {2, 3, 1}, 0},
        {"back without coordinates", false, false, {2, 3, 1}, 0},
        {"front mapped at twice the size", true, true, {1, 1.5, 1}, 1},
        {"back beside a mapped front", true, false, {2, 3, 1}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.mapped && !GetFaceTextureCoords(face)) {
            auto* coords = new CFaceTextureCoords;
            coords->SetFrontMapping(orbisk::geometry::CTransform2d(2.0, 2.0));
            face->AddAttributeDictionary(coords);
        }
        CFaceTextureProjection projection;
        face->GetTextureProjection(c.front, projection);
        EXPECT_EQ(projection.hasTransform, c.hasTransform);
        EXPECT_EQ(projection.projective, 0);
        const CPoint3d uvq = projection.GetUVQ(point);
        EXPECT_NEAR(uvq.x, c.uvq.x, 1e-12);
        EXPECT_NEAR(uvq.y, c.uvq.y, 1e-12);
        EXPECT_NEAR(uvq.z, c.uvq.z, 1e-12);
    }
}

}  // namespace
