// Texts drawn by the real model view into an offscreen GL context and read back: labels come out
// upright and unmirrored at their point or model sizes, alignment codes place the text's box
// around its anchor, texts of the model draw their leaders with arrow heads, and drawing leaves
// the GL state as it found it.

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "components/Component.h"
#include "components/ReferencePoint.h"
#include "components/Text.h"
#include "components/TextRasterizer.h"
#include "components/ZpFont.h"
#include "database/FontManager.h"
#include "database/UndoManager.h"
#include "geometry/Transform3d.h"
#include "model/ZephyronModel.h"
#include "settings/Camera.h"
#include "settings/GLTextCache.h"
#include "settings/RenderingOptions.h"
#include "support/SystemQueries.h"
#include "tests/support/GLPixelCheck.h"
#include "tests/support/TopViewSetup.h"
#include "topology/Vertex.h"
#include "view/ZphView.h"

using orbisk::geometry::CPlane3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CUnitVector3d;
using orbisk::geometry::CVector3d;
using orbisk::utils::CColor;

namespace {

constexpr int kTextViewSize = 160;
const CColor kTextBlack(0, 0, 0, 255);

// The dark pixels of the window, in GL window coordinates (row 0 at the bottom).
struct Ink {
    std::vector<unsigned char> pixels;

    static Ink Read()
    {
        glFinish();
        Ink ink;
        ink.pixels.resize(kTextViewSize * kTextViewSize * 4);
        glReadPixels(0, 0, kTextViewSize, kTextViewSize, GL_RGBA, GL_UNSIGNED_BYTE, ink.pixels.data());
        return ink;
    }
    bool At(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= kTextViewSize || y >= kTextViewSize)
            return false;
        return pixels[(static_cast<size_t>(y) * kTextViewSize + x) * 4] < 128;
    }
    int CountInRow(int y) const
    {
        int count = 0;
        for (int x = 0; x < kTextViewSize; ++x)
            count += At(x, y);
        return count;
    }
    int Count() const
    {
        int count = 0;
        for (int y = 0; y < kTextViewSize; ++y)
            count += CountInRow(y);
        return count;
    }
    // The box of the ink: left, bottom, right, top (inclusive); all -1 without ink.
    struct Box {
        int left = -1, bottom = -1, right = -1, top = -1;
        int Width() const { return right - left + 1; }
        int Height() const { return top - bottom + 1; }
    };
    Box Bounds() const
    {
        Box box;
        for (int y = 0; y < kTextViewSize; ++y) {
            for (int x = 0; x < kTextViewSize; ++x) {
                if (!At(x, y))
                    continue;
                if (box.left < 0) {
                    box = {x, y, x, y};
                    continue;
                }
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.bottom = std::min(box.bottom, y);
                box.top = std::max(box.top, y);
            }
        }
        return box;
    }
    double MeanColumn(int y) const
    {
        double sum = 0;
        int count = 0;
        for (int x = 0; x < kTextViewSize; ++x) {
            if (At(x, y)) {
                sum += x;
                ++count;
            }
        }
        return count ? sum / count : -1.0;
    }
};

// An "L" as drawn: its stem on the left, its foot along the bottom, reaching right. Mirrored, the
// foot reaches left; upside down, the wide row is at the top.
::testing::AssertionResult IsUprightL(const Ink& ink)
{
    const Ink::Box box = ink.Bounds();
    if (box.left < 0)
        return ::testing::AssertionFailure() << "nothing drawn";
    // The foot is the widest of the two lowest rows; the stem alone crosses the two highest.
    const int footRow =
        ink.CountInRow(box.bottom) >= ink.CountInRow(box.bottom + 1) ? box.bottom : box.bottom + 1;
    const int foot = ink.CountInRow(footRow);
    const int head = std::min(ink.CountInRow(box.top), ink.CountInRow(box.top - 1));
    if (foot <= 2 * head)
        return ::testing::AssertionFailure() << "upside down: bottom row " << foot << " top row " << head;
    if (ink.MeanColumn(box.top - 1) >= ink.MeanColumn(footRow))
        return ::testing::AssertionFailure() << "mirrored: the stem is right of the foot's middle";
    return ::testing::AssertionSuccess();
}

// The em height in window pixels of a point size on the screen.
double EmPixels(int points)
{
    return points * orbisk::utils::GetScreenDpi() / 72.0;
}

class TextDrawingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InstallTextRasterizer();
        // One model unit per pixel, the origin in the middle of the window.
        ASSERT_TRUE(SetUpTopView(view, kTextViewSize, {0, 0, 0}, kTextViewSize));
        model = view.GetModel();
        view.SetLighting(false);
        view.SetColor(kTextBlack);
    }

    void TearDown() override
    {
        view.ResetDrawState();
        EXPECT_TRUE(GLStateIsClean());
    }

    // The camera over the origin, `height` model units high.
    void Zoom(double height)
    {
        CCamera camera;
        camera.SetEyeTargetUp({0, 0, 10}, {0, 0, 0}, {0, 1, 0});
        camera.SetPerspective(false);
        camera.SetParallelHeight(height);
        view.SetCamera(camera, 0.0);
        view.SetupProjection();
    }

    CZpFont* Font(int points, bool modelSize = false, double modelHeight = 1.0)
    {
        return dynamic_cast<CZpFont*>(model->GetFontManager()->GetFont(L"Arial", 0, 0, points, nullptr,
                                                                       modelSize ? 1 : 0, modelHeight));
    }

    void Clear() { glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT); }

    // The window pixel (GL, row 0 at the bottom) of a model point.
    void Pixel(const CPoint3d& point, int& x, int& y)
    {
        CPoint3d window;
        ASSERT_TRUE(view.ModelToScreen(point, window));
        x = static_cast<int>(window.x);
        y = kTextViewSize - static_cast<int>(window.y);
    }

    CText* AddText(CZpFont* font, const wchar_t* label)
    {
        auto* text = new CText();
        model->GetRoot()->AddEntity(text);
        text->SetFont(font, false);
        text->SetText(label);
        return text;
    }

    CSuspendUndo unrecorded;
    CZphView view;
    CZephyronModel* model = nullptr;
};

TEST_F(TextDrawingTest, ScreenFacingTextIsUprightAndSizedInPointsWhateverTheZoom)
{
    // Points are screen pixels at the screen's resolution: the zoom does not change them.
    for (double height : {kTextViewSize * 1.0, kTextViewSize * 4.0}) {
        SCOPED_TRACE(height);
        Zoom(height);
        Clear();
        view.DrawText3D(Font(36), {0, 0, 0}, L"L", 0, 0, &kTextBlack, false, true, true, nullptr, false,
                        nullptr);
        const Ink ink = Ink::Read();
        EXPECT_TRUE(IsUprightL(ink));
        const Ink::Box box = ink.Bounds();
        EXPECT_GT(box.Height(), 0.55 * EmPixels(36));
        EXPECT_LT(box.Height(), 1.0 * EmPixels(36));
        // Alignment 0: the text stands right of and above its anchor.
        EXPECT_GE(box.left, kTextViewSize / 2 - 1);
        EXPECT_GE(box.bottom, kTextViewSize / 2 - 1);
    }
}

TEST_F(TextDrawingTest, ModelSizedTextKeepsItsModelHeightAsTheViewZooms)
{
    // 30 model units high: 30 pixels at one unit per pixel, 60 at two pixels per unit.
    struct Case {
        double viewHeight;
        double emPixels;
    };
    for (const Case& c : {Case{kTextViewSize * 1.0, 30.0}, Case{kTextViewSize / 2.0, 60.0}}) {
        SCOPED_TRACE(c.viewHeight);
        Zoom(c.viewHeight);
        Clear();
        view.DrawText3D(Font(10, true, 30.0), {0, 0, 0}, L"L", 4, 0, &kTextBlack, false, true, true, nullptr,
                        false, nullptr);
        const Ink ink = Ink::Read();
        EXPECT_TRUE(IsUprightL(ink));
        EXPECT_GT(ink.Bounds().Height(), 0.55 * c.emPixels);
        EXPECT_LT(ink.Bounds().Height(), 1.0 * c.emPixels);
    }
}

TEST_F(TextDrawingTest, AlignmentCodesPlaceTheBoxAroundTheAnchor)
{
    // The outline of the text's box, from the box's width and height as the cache holds them.
    struct Case {
        int alignment;
        double left;    // box's left edge from the anchor, in widths
        double bottom;  // box's bottom edge from the anchor, in heights
    };
    const Case cases[] = {{0, 0, 0},       {1, -0.5, 0},  {2, -1, 0},    {3, 0, -0.5},
                          {4, -0.5, -0.5}, {5, -1, -0.5}, {6, 0, -1},    {7, -0.5, -1},
                          {8, -1, -1},     {9, 0, -0.5},  {10, -1, -0.5}};
    CZpFont* font = Font(24);
    CGLTextImageCache cache;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.alignment);
        Clear();
        view.DrawText3D(font, {0, 0, 0}, L"Box", c.alignment, 0, &kTextBlack, true, false, true, nullptr,
                        false, &cache);
        ASSERT_GT(cache.GetWidth(), 10);
        ASSERT_GT(cache.GetHeight(), 10);
        const Ink::Box box = Ink::Read().Bounds();
        const double centre = kTextViewSize / 2.0;
        EXPECT_NEAR(box.left, centre + c.left * cache.GetWidth(), 1.5);
        EXPECT_NEAR(box.bottom, centre + c.bottom * cache.GetHeight(), 1.5);
        EXPECT_NEAR(box.Width(), cache.GetWidth() + 1, 1.5);
        EXPECT_NEAR(box.Height(), cache.GetHeight() + 1, 1.5);
    }
}

TEST_F(TextDrawingTest, KeepReadableTurnsTextLyingInTheModelUpright)
{
    // Text lying in the x-y plane of a frame turned half round, or mirrored, still reads upright.
    const CTransform3d turned(CPoint3d(), CUnitVector3d(0, 0, 1), 3.14159265358979);
    const CTransform3d mirrored(-1.0, 1.0, 1.0);
    for (const CTransform3d& frame : {turned, mirrored}) {
        Clear();
        view.PushTransform(frame, true);
        view.DrawText3D(Font(36), {0, 0, 0}, L"L", 4, 0, &kTextBlack, false, true, false, nullptr, true,
                        nullptr);
        view.PopTransform(true);
        EXPECT_TRUE(IsUprightL(Ink::Read()));
    }
}

TEST_F(TextDrawingTest, ScreenTextSitsAtItsOffsetsOverTheGeometryAndRestoresTheState)
{
    CText* text = AddText(Font(36), L"L");
    text->SetOffsets(0.25, 0.75);
    // The depth test is on, with the depth buffer nearer than anything; fog is on.
    glEnable(GL_DEPTH_TEST);
    glClearDepth(0.0);
    Clear();
    glClearDepth(1.0);
    view.SetDepthFunc(GL_LEQUAL);
    glEnable(GL_FOG);
    text->Draw(&view);
    const Ink ink = Ink::Read();
    EXPECT_TRUE(IsUprightL(ink));
    // Alignment 9: the left edge at the offset, the first line's middle at its height (y counted
    // from the top of the window).
    const Ink::Box box = ink.Bounds();
    EXPECT_NEAR(box.left, 0.25 * kTextViewSize, 0.15 * EmPixels(36));
    EXPECT_NEAR((box.top + box.bottom) / 2.0, 0.25 * kTextViewSize, 0.25 * EmPixels(36));
    GLint depthFunction = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunction);
    EXPECT_EQ(depthFunction, GL_LEQUAL);
    EXPECT_TRUE(glIsEnabled(GL_FOG));
    glDisable(GL_FOG);
    glDisable(GL_DEPTH_TEST);
    view.SetDepthFunc(GL_LESS);
}

TEST_F(TextDrawingTest, LeadersDrawTheirArrowHeadAtTheAnchor)
{
    // A model-term leader from (-40, -40) to (0, 0), the label beyond it.
    const CPoint3d anchor(-40, -40, 0);
    const CUnitVector3d along(1, 1, 0);
    const CUnitVector3d across(-1, 1, 0);
    for (int arrowType : {0, 3}) {
        SCOPED_TRACE(arrowType);
        CText* text = AddText(Font(24), L"L");
        text->SetAnchor(CReferencePoint(anchor), true);
        text->SetLeaderTypeRaw(CText::kModelLeader);
        text->SetLeaderVector({40, 40, 0});
        text->SetArrowType(arrowType);
        Clear();
        text->Draw(&view);
        const Ink ink = Ink::Read();
        int x = 0;
        int y = 0;
        // The leader's middle.
        Pixel(anchor + CVector3d(along) * 28.0, x, y);
        EXPECT_TRUE(ink.At(x, y) || ink.At(x + 1, y) || ink.At(x, y + 1));
        // Beside the leader near the anchor, inside the closed arrow (half of the font's model
        // height long, a third of that wide on each side at its end).
        const double size = 0.5 * EmPixels(24);
        Pixel(anchor + CVector3d(along) * (0.8 * size) + CVector3d(across) * (0.15 * size), x, y);
        EXPECT_EQ(ink.At(x, y), arrowType == 3);
        // The label lies right of the leader's end.
        const Ink::Box box = ink.Bounds();
        EXPECT_GT(box.right, kTextViewSize / 2 + 5);
        model->GetRoot()->EraseEntity(text);
    }
}

TEST_F(TextDrawingTest, HiddenTextsDrawOnlyTheirBox)
{
    CText* text = AddText(Font(36), L"L");
    text->SetOffsets(0.5, 0.5);
    text->SetHidden(true);
    view.GetRenderingOptions()->SetShowHiddenGeometry(true);
    Clear();
    text->Draw(&view);
    const Ink ink = Ink::Read();
    const Ink::Box box = ink.Bounds();
    ASSERT_GE(box.left, 0);
    // An outline: the box's middle is empty, its edges are drawn.
    EXPECT_FALSE(ink.At((box.left + box.right) / 2, (box.top + box.bottom) / 2));
    EXPECT_GE(ink.CountInRow(box.bottom), box.Width() / 2);
}

TEST_F(TextDrawingTest, ScreenLabelsHangFromTheirTopLeftCornerAndKeepTheDepthTestOff)
{
    view.CreateTextFont();
    view.DrawScreenText(10, 20, L"L");
    const Ink ink = Ink::Read();
    EXPECT_TRUE(IsUprightL(ink));
    const Ink::Box box = ink.Bounds();
    EXPECT_GE(box.left, 10);
    EXPECT_LE(box.top, kTextViewSize - 20);
    EXPECT_GT(box.top, kTextViewSize - 20 - 0.5 * EmPixels(10));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
}

TEST_F(TextDrawingTest, LabelsAnchoredBehindGeometryAreHidden)
{
    // A view-term leader from a vertex: the depth buffer at the anchor decides.
    // A lone vertex belongs to no edge: the test keeps it, beyond the text that refers to it.
    auto vertex = std::make_unique<CVertex>(CPoint3d(-20, -20, 0));
    CText* text = AddText(Font(24), L"L");
    text->SetAnchor(CReferencePoint(vertex.get()), true);
    text->SetLeaderTypeRaw(CText::kViewLeader);
    text->SetLeaderVector({30, 30, 0});
    struct Case {
        double clearDepth;
        bool visible;
    };
    for (const Case& c : {Case{1.0, true}, Case{0.0, false}}) {
        SCOPED_TRACE(c.clearDepth);
        glClearDepth(c.clearDepth);
        Clear();
        EXPECT_EQ(text->IsVisible(&view), c.visible);
        text->Draw(&view);
        EXPECT_EQ(Ink::Read().Count() > 0, c.visible);
    }
    glClearDepth(1.0);
    model->GetRoot()->EraseEntity(text);
}

TEST_F(TextDrawingTest, FontsKeepACacheOfTheirKindAndReplaceOthers)
{
    CZpFont* font = Font(24);
    IGLTextCache* cache = font->GetTextCache(nullptr);
    ASSERT_NE(dynamic_cast<CGLTiledTextImageCache*>(cache), nullptr);
    EXPECT_EQ(font->GetTextCache(cache), cache);
    // The outline kinds draw from images too; an unknown kind has no cache.
    font->SetRenderType(CZpFont::kRenderOutline);
    EXPECT_EQ(font->GetTextCache(cache), cache);
    font->SetRenderType(7);
    EXPECT_EQ(font->GetTextCache(cache), nullptr);
    font->SetRenderType(CZpFont::kRenderImage);
    IGLTextCache* single = new CGLTextImageCache();
    cache = font->GetTextCache(single);
    EXPECT_EQ(cache, single);
    delete cache;
}

TEST_F(TextDrawingTest, TextsFacingTheViewerAreBroughtInFrontOfThePlaneTheyLabel)
{
    // The camera looks down -z from z = 10; the plane is z = 0, facing it. A box 10 x 5 in the
    // screen's plane, its origin at the given z.
    const CVector3d w(10, 0, 0);
    const CVector3d h(0, 5, 0);
    struct Case {
        CPlane3d plane;
        double z;
        bool result;
        double movedZ;
    };
    const Case cases[] = {
        {CPlane3d(0, 0, 1, 0), -5.0, true, 0.0},    // behind: moved onto the plane
        {CPlane3d(0, 0, -1, 0), -5.0, true, 0.0},   // the plane's side does not matter
        {CPlane3d(0, 0, 1, 0), 2.0, true, 2.0},     // already in front: kept
        {CPlane3d(1, 0, 0, 0), -5.0, false, -5.0},  // seen edge-on: never met
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.z);
        CPoint3d origin(3, 4, c.z);
        EXPECT_EQ(BringTextInFront(&view, c.plane, w, h, origin), c.result);
        EXPECT_NEAR(origin.z, c.movedZ, 1e-9);
        EXPECT_DOUBLE_EQ(origin.x, 3.0);
        EXPECT_DOUBLE_EQ(origin.y, 4.0);
    }
}

}  // namespace
