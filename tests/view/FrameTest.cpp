// Whole frames of the model view drawn offscreen and read back: a real model with its backdrop,
// the immediate routine against the chain of draw stages, the horizon, the camera bars, saved
// images and thumbnails, and the GL state a frame leaves behind.

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "components/TextRasterizer.h"
#include "database/Dib.h"
#include "image/ImageRep.h"
#include "model/ZephyronModel.h"
#include "settings/Camera.h"
#include "settings/RenderingOptions.h"
#include "tests/support/GLPixelCheck.h"
#include "tests/support/TempFolder.h"
#include "view/MemoryGLContext.h"
#include "view/RenderPipeline.h"
#include "view/ZphView.h"

using orbisk::geometry::CPoint3d;
using orbisk::geometry::CVector3d;
using orbisk::imageutils::ImageRep;
using orbisk::utils::CColor;

namespace {

const CColor kSky(60, 120, 230, 255);
const CColor kGround(90, 160, 60, 255);
const CColor kFrameWhite(255, 255, 255, 255);

// A model view drawing into its own offscreen context of the given size.
class FrameTest : public ::testing::Test {
protected:
    // False when no context can be made or the model cannot be read.
    bool Open(int width, int height, CZephyronModel* model)
    {
        m_width = width;
        m_height = height;
        auto context = CreateMemoryGLContext(width, height, 24, 8, 8, 32);
        if (!context || !model)
            return false;
        view.SetGLContext(context.release());
        view.SetModel(model);
        model->Release();
        view.SetViewportRect(0, 0, width, height);
        return true;
    }

    static CZephyronModel* ReadHouse()
    {
        const char* source = std::getenv("ZPH_SOURCE_DIR");
        if (!source)
            return nullptr;
        auto* model = new CZephyronModel();
        const std::string path = std::string(source) + "/examples/house.zph";
        if (!model->LoadFromFile(CString(path.c_str()))) {
            model->Release();
            return nullptr;
        }
        return model;
    }

    CRenderingOptions& Options() { return *view.GetModel()->GetOptions(); }

    // Sky and ground in known colours, on a white background, without the drawing axes.
    void ShowBackdrop(bool sky, bool ground)
    {
        Options().SetAxesShown(false);
        Options().SetBackgroundColor(kFrameWhite);
        Options().SetSkyColor(kSky);
        Options().SetGroundColor(kGround);
        Options().SetDrawSky(sky);
        Options().SetDrawGround(ground);
    }

    void LookAt(const CPoint3d& eye, const CPoint3d& target, bool perspective, double imageAspect = 0.0)
    {
        CCamera camera;
        camera.SetEyeTargetUp(eye, target, CVector3d(0, 0, 1));
        camera.SetPerspective(perspective);
        camera.SetImageAspect(imageAspect);
        view.SetCamera(camera, 0.0);
    }

    void Frame()
    {
        view.PrepareFrame(false, 0);
        glFinish();
    }

    // x to the right, y down from the top, as window pixels are.
    GLPixel At(int x, int y) const { return ReadGLPixel(x, m_height - 1 - y); }

    GLPixel Under(const CPoint3d& point)
    {
        CPoint3d window;
        EXPECT_TRUE(view.ModelToScreen(point, window));
        return At(static_cast<int>(window.x), static_cast<int>(window.y));
    }

    std::vector<uint8_t> ReadAll() const
    {
        std::vector<uint8_t> pixels(static_cast<size_t>(m_width) * m_height * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, m_width, m_height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }

    CZphView view;
    int m_width = 0;
    int m_height = 0;
};

bool IsSky(const GLPixel& p)
{
    return p.b > p.g + 40 && p.b > p.r + 40;
}

bool IsGround(const GLPixel& p)
{
    return p.g > p.r + 20 && p.g > p.b + 20;
}

TEST_F(FrameTest, TheHouseDrawsWithSkyGroundFacesAndEdges)
{
    ASSERT_TRUE(Open(320, 240, ReadHouse()));
    ShowBackdrop(true, true);
    view.SetCamera(view.GetModel()->GetCamera(), 0.0);
    Frame();

    EXPECT_TRUE(IsSky(At(160, 3))) << At(160, 3);
    EXPECT_TRUE(IsGround(At(3, 236))) << At(3, 236);
    // The front wall, brick red under the light from the eye.
    const GLPixel wall = Under(CPoint3d(120, 0, 40));
    EXPECT_TRUE(wall.r > wall.g + 40 && wall.r > wall.b + 40) << wall;
    // The wall's vertical corner edge, a dark line a pixel wide.
    CPoint3d corner;
    ASSERT_TRUE(view.ModelToScreen(CPoint3d(480, 0, 60), corner));
    bool dark = false;
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx) {
            const GLPixel p = At(static_cast<int>(corner.x) + dx, static_cast<int>(corner.y) + dy);
            dark = dark || (p.r < 70 && p.g < 70 && p.b < 70);
        }
    EXPECT_TRUE(dark);
}

TEST_F(FrameTest, TheImmediateRoutineAndTheDrawStagesGiveTheSameImage)
{
    ASSERT_TRUE(Open(200, 150, ReadHouse()));
    ShowBackdrop(true, true);
    view.SetCamera(view.GetModel()->GetCamera(), 0.0);
    ASSERT_FALSE(IsSceneGraphEnabled());
    Frame();
    const std::vector<uint8_t> immediate = ReadAll();

    SetSceneGraphEnabled(true);
    Frame();
    SetSceneGraphEnabled(false);
    const std::vector<uint8_t> staged = ReadAll();

    ASSERT_EQ(immediate.size(), staged.size());
    size_t differing = 0;
    for (size_t i = 0; i < immediate.size(); ++i)
        differing += immediate[i] != staged[i];
    EXPECT_EQ(differing, 0u);
    // Not two blank frames: the house covers part of the view.
    EXPECT_TRUE(IsSky(At(100, 2)));
}

TEST_F(FrameTest, ALevelHorizonHasTheSkyAboveAndTheGroundBelow)
{
    ASSERT_TRUE(Open(160, 120, new CZephyronModel()));
    ShowBackdrop(true, true);
    LookAt(CPoint3d(0, -100, 10), CPoint3d(0, 0, 10), true);
    Frame();

    // The horizon is where the ground meets the backdrop at the far distance, a little below
    // the middle; level, so the same at both sides.
    for (int x : {3, 80, 156}) {
        for (int y : {2, 30, 50})
            EXPECT_TRUE(IsSky(At(x, y))) << x << ", " << y << ": " << At(x, y);
        for (int y : {100, 117})
            EXPECT_TRUE(IsGround(At(x, y))) << x << ", " << y << ": " << At(x, y);
    }
    // Towards the top the sky takes its own colour.
    EXPECT_TRUE(PixelNear(At(80, 0), GLPixel{60, 120, 230, 255}, 30)) << At(80, 0);
}

TEST_F(FrameTest, LookingStraightDownTheGroundFillsTheViewInItsPlainColour)
{
    for (bool perspective : {true, false}) {
        SCOPED_TRACE(perspective ? "perspective" : "parallel");
        ASSERT_TRUE(Open(160, 120, new CZephyronModel()));
        ShowBackdrop(true, true);
        Options().SetGroundTransparency(0);
        CCamera camera;
        camera.SetEyeTargetUp(CPoint3d(0, 0, 100), CPoint3d(0, 0, 0), CVector3d(0, 1, 0));
        camera.SetPerspective(perspective);
        view.SetCamera(camera, 0.0);
        Frame();
        // No horizon in sight: nothing paled towards it, nothing graded by depth.
        for (const auto& [x, y] : {std::pair{2, 2}, {80, 60}, {157, 117}, {2, 117}})
            EXPECT_TRUE(PixelNear(At(x, y), GLPixel{90, 160, 60, At(x, y).a}))
                << x << ", " << y << ": " << At(x, y);
    }
}

TEST_F(FrameTest, ACameraAspectOtherThanTheViewportsIsMaskedByGreyBars)
{
    struct Case {
        double aspect;
        std::vector<std::pair<int, int>> grey;
        std::vector<std::pair<int, int>> clear;
    };
    // 400 x 300: aspect 2 leaves 200 rows for the picture, bars of 50 at the top and bottom;
    // aspect 1 leaves 300 columns, bars of 50 at the left and right.
    const Case cases[] = {
        {2.0, {{200, 2}, {200, 48}, {5, 297}, {200, 252}}, {{200, 53}, {200, 150}, {200, 246}}},
        {1.0, {{2, 150}, {48, 150}, {352, 10}, {397, 290}}, {{53, 150}, {200, 150}, {346, 150}}},
        {4.0 / 3.0 + 0.0003, {}, {{2, 2}, {200, 150}, {397, 297}}},
    };
    ASSERT_TRUE(Open(400, 300, new CZephyronModel()));
    ShowBackdrop(false, false);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.aspect);
        LookAt(CPoint3d(0, 0, 100), CPoint3d(0, 0, 0), false, c.aspect);
        Frame();
        // Black at alpha 127 over white (the buffer's alpha is blended too).
        for (auto [x, y] : c.grey) {
            GLPixel p = At(x, y);
            p.a = 255;
            EXPECT_TRUE(PixelNear(p, GLPixel{128, 128, 128, 255}, 3)) << x << ", " << y << ": " << At(x, y);
        }
        for (auto [x, y] : c.clear)
            EXPECT_TRUE(PixelNear(At(x, y), GLPixel{255, 255, 255, 255}))
                << x << ", " << y << ": " << At(x, y);
    }
}

TEST_F(FrameTest, TheViewNameIsWrittenAtTheTopLeft)
{
    InstallTextRasterizer();
    ASSERT_TRUE(Open(200, 100, new CZephyronModel()));
    ShowBackdrop(false, false);
    Options().SetShowViewName(true);
    LookAt(CPoint3d(0, 0, 100), CPoint3d(0, 0, 0), false);
    Frame();

    auto darkIn = [this](int x0, int y0, int x1, int y1) {
        int dark = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                const GLPixel p = At(x, y);
                dark += p.r < 128 && p.g < 128 && p.b < 128;
            }
        return dark;
    };
    // "Top" in the edge colour in the corner, nothing further down.
    EXPECT_GT(darkIn(0, 0, 80, 25), 5);
    EXPECT_EQ(darkIn(0, 40, 200, 100), 0);
    EXPECT_TRUE(GLStateIsClean());
}

TEST_F(FrameTest, SaveViewImageWritesThePictureAsPng)
{
    ASSERT_TRUE(Open(120, 90, new CZephyronModel()));
    ShowBackdrop(false, false);
    Options().SetBackgroundColor(CColor(200, 100, 50, 255));
    Options().SetShowViewName(false);  // the picture is the background alone
    LookAt(CPoint3d(0, 0, 100), CPoint3d(0, 0, 0), false);
    TempFolder folder;
    struct Case {
        const char* name;
        bool supersample;
    };
    for (const Case& c : {Case{"plain.png", false}, Case{"smooth.png", true}}) {
        SCOPED_TRACE(c.name);
        const std::filesystem::path path = folder.Path() / c.name;
        ASSERT_TRUE(view.SaveViewImage(path.wstring().c_str(), 64, 48, 0, 0, true, c.supersample));
        ImageRep image;
        ASSERT_TRUE(image.LoadFile(path.wstring()));
        EXPECT_EQ(image.GetWidth(), 64);
        EXPECT_EQ(image.GetHeight(), 48);
        const CColor average = image.GetAverageColor();
        EXPECT_NEAR(average.red, 200, 2);
        EXPECT_NEAR(average.green, 100, 2);
        EXPECT_NEAR(average.blue, 50, 2);
    }
    // The view's own context is current again and still draws.
    Frame();
    EXPECT_TRUE(PixelNear(At(60, 45), GLPixel{200, 100, 50, 255}));
}

TEST_F(FrameTest, ThumbnailsFollowTheViewportsShape)
{
    ASSERT_TRUE(Open(400, 200, new CZephyronModel()));
    LookAt(CPoint3d(0, 0, 100), CPoint3d(0, 0, 0), false);
    view.RenderModelThumbnails(256, 0);
    CZephyronModel& model = *view.GetModel();
    ASSERT_NE(model.GetThumbnail(), nullptr);
    ASSERT_NE(model.GetSecondImage(), nullptr);
    EXPECT_EQ(model.GetThumbnail()->GetWidth(), 256);
    EXPECT_EQ(model.GetThumbnail()->GetHeight(), 128);
    EXPECT_EQ(model.GetSecondImage()->GetWidth(), 256);
    EXPECT_EQ(model.GetSecondImage()->GetHeight(), 128);
}

TEST_F(FrameTest, AFrameLeavesTheGLStateAndTheViewAsItFoundThem)
{
    ASSERT_TRUE(Open(160, 120, ReadHouse()));
    ShowBackdrop(true, true);
    Options().SetTransparencyEnabled(true);
    view.SetCamera(view.GetModel()->GetCamera(), 0.0);
    for (bool stages : {false, true}) {
        SCOPED_TRACE(stages);
        SetSceneGraphEnabled(stages);
        Frame();
        SetSceneGraphEnabled(false);
        EXPECT_TRUE(GLStateIsClean());
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
        EXPECT_FALSE(glIsEnabled(GL_POLYGON_OFFSET_FILL));
        EXPECT_FALSE(glIsEnabled(GL_STENCIL_TEST));
        GLboolean depthWrites = GL_FALSE;
        glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
        EXPECT_TRUE(depthWrites);
        EXPECT_EQ(Options().GetDrawPass(), 0);
        EXPECT_EQ(Options().GetShadowPass(), 0);
        EXPECT_EQ(view.GetTransparencyMode(), 0);
        EXPECT_EQ(view.GetLayer(), nullptr);
        EXPECT_EQ(view.GetDrawMode(), 0);
    }
}

// A stage that records its runs and may switch another stage off while it prepares.
class RecordingStage : public zephyron::graphics::RenderStage {
public:
    RecordingStage(std::vector<int>& log, int id, RenderStage* disables = nullptr)
        : m_log(log), m_id(id), m_disables(disables)
    {}
    void Prepare(zephyron::graphics::RenderStageContext&) override
    {
        if (m_disables)
            m_disables->SetEnabled(false);
    }
    void Render(zephyron::graphics::RenderStageContext&) override { m_log.push_back(m_id); }

private:
    std::vector<int>& m_log;
    int m_id;
    RenderStage* m_disables;
};

TEST(RenderStages, AGroupRunsItsEnabledChildrenInOrderReadingEachFlagWhenItsTurnComes)
{
    std::vector<int> log;
    RecordingStage third(log, 3);
    RecordingStage second(log, 2);
    RecordingStage first(log, 1, &third);
    RecordingStage off(log, 4);
    off.SetEnabled(false);
    zephyron::graphics::GroupRenderStage group;
    EXPECT_EQ(group.AddStage(&first), 0);
    EXPECT_EQ(group.AddStage(nullptr), -1);
    EXPECT_EQ(group.AddStage(&off), 1);
    EXPECT_EQ(group.AddStage(&second), 2);
    EXPECT_EQ(group.AddStage(&third), 3);
    zephyron::graphics::RenderStageContext context(nullptr, nullptr);
    group.Run(context);
    EXPECT_EQ(log, (std::vector<int>{1, 2}));
    group.SetEnabled(false);
    group.Run(context);
    EXPECT_EQ(log.size(), 2u);
}

TEST(RenderStages, ThePipelineDrawsTheBackdropThenTheModelThenThePhotosText)
{
    CZphView view;
    zephyron::graphics::RenderPipeline& pipeline = view.GetRenderPipeline();
    // Horizon, background watermarks, ground, photo, drawing axes, the model group, photo text.
    ASSERT_EQ(pipeline.GetRoot().GetStages().size(), 7u);
    auto* model = dynamic_cast<const zephyron::graphics::RenderModel*>(pipeline.GetRoot().GetStages()[5]);
    ASSERT_NE(model, nullptr);
    // North, opaque, annotations, ground plane, active path, transparent, strokes, end of drawing,
    // edited axes, selection, camera bars.
    EXPECT_EQ(model->GetStages().size(), 11u);
    EXPECT_NE(dynamic_cast<const zephyron::graphics::RenderOpaqueStage*>(model->GetStages()[1]), nullptr);
    EXPECT_NE(dynamic_cast<const zephyron::graphics::RenderTransparent*>(model->GetStages()[5]), nullptr);
    EXPECT_NE(dynamic_cast<const zephyron::graphics::LegacyDrawCameraBounds*>(model->GetStages()[10]),
              nullptr);
}

TEST(ViewName, TheViewNameFollowsTheCameraDirection)
{
    struct Case {
        CVector3d direction;
        const wchar_t* name;
    };
    const Case cases[] = {
        {{0, 0, -1}, L"Top"},  {{0, 0, 1}, L"Bottom"}, {{1, 0, 0}, L"Left"}, {{-1, 0, 0}, L"Right"},
        {{0, 1, 0}, L"Front"}, {{0, -1, 0}, L"Back"},  {{1, 1, -1}, L""},
    };
    CZphView view;
    for (const Case& c : cases) {
        CCamera camera;
        const CPoint3d target(10, 20, 0);
        const CVector3d up = std::abs(c.direction.z) > 0.5 ? CVector3d(0, 1, 0) : CVector3d(0, 0, 1);
        camera.SetEyeTargetUp(target - c.direction * 50.0, target, up);
        view.SetCamera(camera, 0.0);
        EXPECT_EQ(std::wstring(view.GetViewName()), std::wstring(c.name));
    }
}

}  // namespace
