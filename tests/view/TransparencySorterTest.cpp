// Sorted transparency in a real offscreen context: translucent faces handed to the sorter in
// the wrong order come out blended far to near, which the colour where they overlap proves.

#include "components/TransparencySorter.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

#include "components/Component.h"
#include "components/ComponentDefinition.h"
#include "components/ComponentInstance.h"
#include "database/DefinitionList.h"
#include "database/Material.h"
#include "model/ZephyronModel.h"
#include "settings/Camera.h"
#include "settings/RenderingOptions.h"
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
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CVector3d;
using orbisk::utils::CColor;

namespace {

constexpr int kSortViewSize = 64;

// Counts the primitives begun, and can pretend the drawing was interrupted.
class CountingView : public CZphView {
public:
    using CZphView::CZphView;
    bool IsDrawingSuppressed() override { return interrupted; }
    void BeginPrimitive(int kind) override
    {
        ++begun;
        CZphView::BeginPrimitive(kind);
    }
    bool interrupted = false;
    int begun = 0;
};

class TransparencySorterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SetUpTopView(view, kSortViewSize));
        model = view.GetModel();
        Options().SetAxesShown(false);
        Options().SetTransparencyEnabled(true);
        Options().SetDrawPass(CRenderingOptions::kDrawTransparentFaces);
        for (CMaterial* material : {&red, &blue}) {
            material->SetUseTransparency(true);
            material->SetTransparency(0.5);
        }
        red.SetColor(CColor(255, 0, 0, 255));
        blue.SetColor(CColor(0, 0, 255, 255));
    }

    void TearDown() override
    {
        for (CFace* face : faces)
            face->SetMaterial(nullptr);
        Options().SetDrawPass(CRenderingOptions::kDrawEverything);
        view.ResetDrawState();
        EXPECT_TRUE(GLStateIsClean());
    }

    CRenderingOptions& Options() { return *view.GetRenderingOptions(); }

    // A face on the outline, its loop counter-clockwise seen from the eye above, in the
    // component (the model's root without one).
    CFace* AddFace(const std::vector<CPoint3d>& outline, CMaterial* material, CComponent* into = nullptr)
    {
        CFace* face = AddOutlineFace(into ? *into : *model->GetRoot(), outline);
        face->SetMaterial(material);
        faces.push_back(face);
        return face;
    }
    // A square at height z around (x, 0).
    CFace* AddSquare(double half, double z, CMaterial* material, double x = 0.0, CComponent* into = nullptr)
    {
        return AddFace({{x - half, -half, z}, {x + half, -half, z}, {x + half, half, z}, {x - half, half, z}},
                       material, into);
    }

    // The faces through a sorter of the mode, blended as the transparent pass blends them.
    void DrawSorted(int mode, const std::vector<CFace*>& order)
    {
        glClear(GL_COLOR_BUFFER_BIT);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        CTransparencySorter sorter;
        sorter.Init(mode, static_cast<int>(order.size()), &view);
        for (CFace* face : order)
            sorter.Add(face, nullptr);
        sorter.Draw(&view);
        view.EndPrimitive();
        glDisable(GL_BLEND);
        glFinish();
    }

    GLPixel Centre() { return ReadGLPixel(kSortViewSize / 2, kSortViewSize / 2); }

    ManualClock clock;
    CountingView view{clock, clock};
    CZephyronModel* model = nullptr;
    CMaterial red;
    CMaterial blue;
    std::vector<CFace*> faces;
};

// Half-transparent red over blue over white gives a reddish purple; blue over red a bluish
// one: the nearer face must be blended last whichever order the faces were added in.
TEST_F(TransparencySorterTest, TheNearerFaceIsBlendedLastInEitherMode)
{
    for (bool perspective : {false, true}) {
        CCamera camera = view.GetViewDefinition()->GetCamera();
        camera.SetPerspective(perspective);
        view.SetCamera(camera, 0.0);
        for (int mode : {1, 2}) {
            for (bool redNear : {true, false}) {
                SCOPED_TRACE(::testing::Message()
                             << "mode " << mode << (perspective ? ", perspective" : ", parallel")
                             << (redNear ? ", red near" : ", blue near"));
                CFace* near = AddSquare(3, 1.0, redNear ? &red : &blue);
                CFace* far = AddSquare(4, -1.0, redNear ? &blue : &red);
                // Near first: drawn as added, the far face would cover it.
                DrawSorted(mode, {near, far});
                const GLPixel p = Centre();
                if (redNear)
                    EXPECT_TRUE(p.r > p.b + 40) << p;
                else
                    EXPECT_TRUE(p.b > p.r + 40) << p;
                EXPECT_TRUE(p.g > 40 && p.g < 90) << "both faces blended over the white background: " << p;
                for (CFace* face : {near, far}) {
                    face->SetMaterial(nullptr);
                    model->GetRoot()->EraseEntity(face);
                }
                faces.clear();
            }
        }
    }
}

// Depth sort: faces whose depth ranges overlap are put in order by their planes. The tilted
// face reaches farther back than the small flat one, so ordered by depth alone it would be
// drawn first; but where the two overlap on the screen it lies in front of the flat one.
TEST_F(TransparencySorterTest, DepthSortOrdersOverlappingDepthRangesByTheirPlanes)
{
    // Flat: z = 0 over x in [2, 4]. Tilted: from z = -2 at x = -3 up to z = 2 at x = 5, so at
    // z 0.5 to 1.5 over the flat face.
    CFace* flat = AddSquare(1, 0.0, &red, 3.0);
    CFace* tilted = AddFace({{-3, -3, -2}, {5, -3, 2}, {5, 3, 2}, {-3, 3, -2}}, &blue);
    ASSERT_GT(tilted->GetPlane().GetNormal().z, 0.0) << "the tilted face looks up at the eye";

    // x = 3 is window column 32 + 3 * 6.4.
    for (const auto& order : {std::vector<CFace*>{flat, tilted}, std::vector<CFace*>{tilted, flat}}) {
        DrawSorted(2, order);
        const GLPixel p = ReadGLPixel(51, kSortViewSize / 2);
        EXPECT_TRUE(p.b > p.r + 40) << "the tilted blue face, nearer there, is blended last: " << p;
    }
}

// Component instances are boxed by their definitions' bounds placed in the component: the
// instance nearer the eye is blended last.
TEST_F(TransparencySorterTest, DepthSortDrawsInstancesFarToNear)
{
    CComponent* root = model->GetRoot();
    auto place = [&](CMaterial* material, double z) {
        auto* definition = new CComponentDefinition;
        root->GetDefinitionList()->Add(definition);
        AddSquare(3, 0.0, material, 0.0, definition);
        auto* instance = new CComponentInstance;
        definition->AddInstance(instance);
        root->AddEntity(instance);
        CTransform3d placement;
        placement.SetTranslation(CVector3d(0, 0, z));
        instance->SetTransform(placement);
        return instance;
    };
    for (bool redNear : {true, false}) {
        SCOPED_TRACE(redNear ? "red near" : "blue near");
        CComponentInstance* near = place(redNear ? &red : &blue, 1.0);
        CComponentInstance* far = place(redNear ? &blue : &red, -1.0);
        glClear(GL_COLOR_BUFFER_BIT);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        CTransparencySorter sorter;
        sorter.Init(2, 2, &view);
        sorter.Add(nullptr, near);
        sorter.Add(nullptr, far);
        sorter.Draw(&view);
        view.EndPrimitive();
        glDisable(GL_BLEND);
        glFinish();
        const GLPixel p = Centre();
        if (redNear)
            EXPECT_TRUE(p.r > p.b + 40) << p;
        else
            EXPECT_TRUE(p.b > p.r + 40) << p;
    }
}

// An interrupted drawing returns before drawing anything; a sorter without a strategy draws
// nothing; items beyond the capacity are left out.
TEST_F(TransparencySorterTest, InterruptionUnknownModesAndCapacityDrawNothingMore)
{
    CFace* near = AddSquare(3, 1.0, &red);
    CFace* far = AddSquare(4, -1.0, &blue);
    const GLPixel white{255, 255, 255, 255};

    view.interrupted = true;
    for (int mode : {1, 2}) {
        DrawSorted(mode, {near, far});
        EXPECT_TRUE(PixelNear(Centre(), white)) << "mode " << mode;
    }
    view.interrupted = false;

    DrawSorted(3, {near, far});
    EXPECT_TRUE(PixelNear(Centre(), white));

    for (int mode : {1, 2}) {
        SCOPED_TRACE(mode);
        glClear(GL_COLOR_BUFFER_BIT);
        CTransparencySorter sorter;
        sorter.Init(mode, 1, &view);
        sorter.Add(far, nullptr);
        sorter.Add(near, nullptr);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        sorter.Draw(&view);
        view.EndPrimitive();
        glDisable(GL_BLEND);
        glFinish();
        const GLPixel p = Centre();
        EXPECT_TRUE(p.b > 100 && p.r < 160 && p.r > 100) << "only the far blue face over white: " << p;
    }
}

// A face wholly behind the near plane gets no window box, so the depth sort never draws it;
// the box-centre sort has no such test.
TEST_F(TransparencySorterTest, DepthSortLeavesOutAFaceBehindTheEye)
{
    CFace* behind = AddSquare(3, 20.0, &red);
    for (int mode : {1, 2}) {
        view.begun = 0;
        DrawSorted(mode, {behind});
        EXPECT_EQ(view.begun > 0, mode == 1) << "mode " << mode;
    }
}

}  // namespace
