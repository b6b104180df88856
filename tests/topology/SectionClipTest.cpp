// Section clipping while drawing: the active section planes cut what GL rasterises through the
// user clip planes 0 to 5, and cut face polygons on the CPU side; a section plane's cached cut
// is dropped whenever its plane changes.

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <memory>

#include "geometry/BoundingBox3d.h"
#include "geometry/UnitVector3d.h"
#include "model/ZephyronModel.h"
#include "settings/Camera.h"
#include "tests/support/GLPixelCheck.h"
#include "tests/support/TopViewSetup.h"
#include "tests/topology/FaceTestSupport.h"
#include "tests/view/ViewTestSupport.h"
#include "topology/FacePolygon.h"
#include "topology/SectionPlane.h"
#include "topology/SectionPlaneStack.h"
#include "view/MemoryGLContext.h"
#include "view/ZphView.h"

using orbisk::geometry::CBoundingBox3d;
using orbisk::geometry::CUnitVector3d;

namespace {

constexpr int kClipViewSize = 64;

// The section plane that keeps what lies on the side the normal points to, through the point.
std::unique_ptr<CSectionPlane> Keeping(const CPoint3d& point, const CVector3d& normal)
{
    auto section = std::make_unique<CSectionPlane>();
    section->SetPlane(CPlane3d(point, CUnitVector3d(normal)));
    return section;
}

bool AnyClipPlaneEnabled()
{
    for (int i = 0; i < CSectionPlaneStack::kMaskedPlanes; ++i) {
        if (glIsEnabled(GL_CLIP_PLANE0 + i))
            return true;
    }
    return false;
}

// Restores the process-wide suppression however the test ends.
class SuppressionScope {
public:
    explicit SuppressionScope(bool suppressed) : m_previous(CSectionPlaneStack::GetClipPlanesSuppressed())
    {
        CSectionPlaneStack::SetClipPlanesSuppressed(suppressed);
    }
    ~SuppressionScope() { CSectionPlaneStack::SetClipPlanesSuppressed(m_previous); }

private:
    bool m_previous;
};

// A view over a new model in its own offscreen context, looking down the z axis at the origin
// in parallel projection, 10 units high.
class SectionClipGLTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SetUpTopView(view, kClipViewSize));
        model = view.GetModel();
        Clear();
    }

    void TearDown() override
    {
        EXPECT_EQ(view.GetSectionPlaneStack()->GetCount(), 0);
        EXPECT_FALSE(AnyClipPlaneEnabled());
        view.ResetDrawState();
        EXPECT_TRUE(GLStateIsClean());
    }

    static void Clear()
    {
        glClearColor(1, 1, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }

    GLPixel PixelAt(const CPoint3d& point) { return PixelUnder(view, point, kClipViewSize); }

    ManualClock clock;
    CZphView view{clock, clock};
    CZephyronModel* model = nullptr;
};

}  // namespace

TEST_F(SectionClipGLTest, ALineAcrossAnActiveSectionPlaneIsDrawnOnlyOnTheKeptSide)
{
    // With GL's clip planes suppressed (as while shadow volumes and stroked edges draw) the view
    // cuts the line itself; either way only the kept side shows.
    for (bool suppressed : {false, true}) {
        SuppressionScope suppression(suppressed);
        Clear();
        const auto section = Keeping(CPoint3d(0, 0, 0), CVector3d(1, 0, 0));
        view.PushSectionPlane(section.get(), true);
        EXPECT_EQ(glIsEnabled(GL_CLIP_PLANE0) != 0, !suppressed);
        view.DrawLine(CPoint3d(-4, 1, 0), CPoint3d(4, 1, 0));
        EXPECT_EQ(view.PopSectionPlane(true), 0);
        EXPECT_TRUE(PixelNear(PixelAt(CPoint3d(2, 1, 0)), kBlackPixel))
            << "kept side, suppressed " << suppressed;
        EXPECT_TRUE(PixelNear(PixelAt(CPoint3d(-2, 1, 0)), kWhitePixel))
            << "cut side, suppressed " << suppressed;
    }
}

TEST_F(SectionClipGLTest, ABoxAcrossAnActiveSectionPlaneLosesItsBackHalf)
{
    CBoundingBox3d box;
    box.Add(CPoint3d(-2, -2, -1));
    box.Add(CPoint3d(2, 2, 1));
    const auto section = Keeping(CPoint3d(0, 0, 0), CVector3d(1, 0, 0));
    view.PushSectionPlane(section.get(), true);
    // The box as model geometry: its twelve edges.
    const int edges[12][2] = {{0, 1}, {1, 3}, {3, 2}, {2, 0}, {4, 5}, {5, 7},
                              {7, 6}, {6, 4}, {0, 4}, {1, 5}, {3, 7}, {2, 6}};
    for (const auto& edge : edges)
        view.DrawLine(box.GetCorner(edge[0]), box.GetCorner(edge[1]));
    EXPECT_TRUE(PixelNear(PixelAt(CPoint3d(2, 0, 1)), kBlackPixel));
    EXPECT_TRUE(PixelNear(PixelAt(CPoint3d(1, 2, 1)), kBlackPixel));
    EXPECT_TRUE(PixelNear(PixelAt(CPoint3d(-2, 0, 1)), kWhitePixel));
    EXPECT_TRUE(PixelNear(PixelAt(CPoint3d(-1, 2, 1)), kWhitePixel));

    // A view box is an annotation: the section planes never cut it.
    Clear();
    view.DrawBox(box, 1.0);
    EXPECT_TRUE(glIsEnabled(GL_CLIP_PLANE0)) << "given back after the box";
    view.PopSectionPlane(true);
    EXPECT_TRUE(PixelNear(PixelAt(CPoint3d(-1, 2, 1)), kBlackPixel));
}

TEST_F(SectionClipGLTest, ThePlaneCutsInEyeCoordinatesInsideEnteredInstances)
{
    // Pushed in the component's coordinates, the plane still cuts at model x = 0 while an
    // instance moved 3 units right is drawn.
    const auto section = Keeping(CPoint3d(0, 0, 0), CVector3d(1, 0, 0));
    view.PushSectionPlane(section.get(), true);
    orbisk::geometry::CTransform3d moved;
    moved.SetTranslation(CVector3d(3, 0, 0));
    view.PushTransform(moved, true);
    EXPECT_NEAR(view.GetSectionPlaneStack()->GetCurrentPlane(0).d, 3.0, 1e-12);
    view.DrawLine(CPoint3d(-7, 1, 0), CPoint3d(1, 1, 0));
    view.PopTransform(true);
    view.PopSectionPlane(true);
    EXPECT_TRUE(PixelNear(PixelAt(CPoint3d(2, 1, 0)), kBlackPixel));
    EXPECT_TRUE(PixelNear(PixelAt(CPoint3d(-2, 1, 0)), kWhitePixel));
}

TEST_F(SectionClipGLTest, SevenPlanesTakeTheSixClipPlanesAndTheSeventhClipsOnlyInSoftware)
{
    CSectionPlaneStack& stack = *view.GetSectionPlaneStack();
    std::vector<std::unique_ptr<CSectionPlane>> planes;
    for (int i = 0; i < 7; ++i) {
        // Plane i keeps x above -10 + i.
        planes.push_back(Keeping(CPoint3d(-10 + i, 0, 0), CVector3d(1, 0, 0)));
        view.PushSectionPlane(planes.back().get(), true);
    }
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(planes[i]->GetClipPlaneId(), static_cast<uint32_t>(GL_CLIP_PLANE0 + i));
        EXPECT_TRUE(glIsEnabled(GL_CLIP_PLANE0 + i));
    }
    EXPECT_EQ(planes[6]->GetClipPlaneId(), 0u);
    EXPECT_FALSE(stack.IsPointVisible(CPoint3d(-4.5, 0, 0))) << "behind the seventh";
    EXPECT_TRUE(stack.IsPointVisible(CPoint3d(-3.5, 0, 0)));
    EXPECT_EQ(stack.GetCoplanarMask(CPlane3d(1, 0, 0, 4)), 0u) << "masks stop at the sixth";
    EXPECT_EQ(stack.GetCoplanarMask(CPlane3d(-1, 0, 0, -5)), 1u << 5);

    // Annotations are drawn between DisablePlanes and EnablePlanes of every bit.
    view.DisablePlanes(~0u);
    EXPECT_FALSE(AnyClipPlaneEnabled());
    view.EnablePlanes(0b101);
    EXPECT_TRUE(glIsEnabled(GL_CLIP_PLANE0));
    EXPECT_FALSE(glIsEnabled(GL_CLIP_PLANE1));
    EXPECT_TRUE(glIsEnabled(GL_CLIP_PLANE2));
    view.EnablePlanes(~0u);

    for (int remaining = 6; remaining >= 0; --remaining)
        EXPECT_EQ(view.PopSectionPlane(true), remaining);
    for (const auto& plane : planes)
        EXPECT_EQ(plane->GetClipPlaneId(), 0u);
}

TEST_F(SectionClipGLTest, SuppressedPlanesRecordTheirIdsWithoutTouchingGL)
{
    SuppressionScope suppression(true);
    const auto section = Keeping(CPoint3d(0, 0, 0), CVector3d(0, 1, 0));
    view.PushSectionPlane(section.get(), true);
    EXPECT_EQ(section->GetClipPlaneId(), static_cast<uint32_t>(GL_CLIP_PLANE0));
    EXPECT_FALSE(glIsEnabled(GL_CLIP_PLANE0));
    view.EnablePlanes(~0u);
    EXPECT_FALSE(glIsEnabled(GL_CLIP_PLANE0));
    view.PopSectionPlane(true);
    EXPECT_EQ(section->GetClipPlaneId(), 0u);

    // Pushed without GL, a plane holds no clip plane and its pop releases none.
    view.PushSectionPlane(section.get(), false);
    EXPECT_EQ(section->GetClipPlaneId(), 0u);
    view.PopSectionPlane(true);
}

namespace {

class SectionClipTest : public FaceTest {};

// A cut the drawing layer would build; it tells when it is dropped.
class CountingSlice : public ISectionPlaneSlice {
public:
    explicit CountingSlice(int& dropped) : m_dropped(dropped) {}
    ~CountingSlice() override { ++m_dropped; }
    void Build(const CPlane3d&, IModelView*) override {}
    void Draw(IModelView*) override {}

private:
    int& m_dropped;
};

}  // namespace

TEST_F(SectionClipTest, APolygonCutByTheFirstPlaneOnlyEndsWithTheCutFlagOfTheLast)
{
    CSectionPlaneStack stack;
    auto* first = new CSectionPlane;
    first->SetPlane(CPlane3d(1, 0, 0, -5));  // keeps x above 5: crosses the square
    auto* second = new CSectionPlane;
    second->SetPlane(CPlane3d(0, 1, 0, 1));  // keeps y above -1: misses it
    stack.Push(first);
    stack.Push(second);

    CFacePolygon polygon(NewSquareFace(CPoint3d(0, 0, 0), 10), nullptr, false);
    bool cut = false;
    ASSERT_TRUE(stack.ClipPolygon(polygon, &cut));
    EXPECT_FALSE(cut);
    ASSERT_EQ(polygon.GetLoopVertexCount(0), 4);
    for (int k = 0; k < 4; ++k)
        EXPECT_GE(polygon.GetLoopPoint(0, k).x, 5.0 - 1e-9);

    // A plane leaving the square behind removes it.
    auto* beyond = new CSectionPlane;
    beyond->SetPlane(CPlane3d(1, 0, 0, -20));
    stack.Push(beyond);
    CFacePolygon gone(NewSquareFace(CPoint3d(0, 0, 0), 10), nullptr, false);
    EXPECT_FALSE(stack.ClipPolygon(gone));

    // Switched off, the polygon is kept whole and the flag says cut.
    stack.SetSwitchedOff(true);
    CFacePolygon whole(NewSquareFace(CPoint3d(0, 0, 0), 10), nullptr, false);
    EXPECT_TRUE(stack.ClipPolygon(whole, &cut));
    EXPECT_TRUE(cut);
    EXPECT_EQ(whole.GetLoopVertexCount(0), 4);
    EXPECT_EQ(stack.GetCoplanarMask(CPlane3d(1, 0, 0, -5)), 0u);
    for (int i = 0; i < 3; ++i)
        stack.Pop();
}

TEST_F(SectionClipTest, TheCachedCutIsDroppedWhenThePlaneChanges)
{
    auto* section = new CSectionPlane;
    section->SetPlane(CPlane3d(0, 0, 1, 0));
    int dropped = 0;

    struct Case {
        const char* change;
        void (*apply)(CSectionPlane&);
        int droppedAfter;
    };
    const Case cases[] = {
        {"an equal plane", [](CSectionPlane& s) { s.SetPlane(CPlane3d(0, 0, 1, 0.0005)); }, 0},
        {"a moved plane", [](CSectionPlane& s) { s.SetPlane(CPlane3d(0, 0, 1, -2)); }, 1},
        {"a transformation",
         [](CSectionPlane& s) {
             orbisk::geometry::CTransform3d moved;
             moved.SetTranslation(CVector3d(0, 0, 1));
             s.Transform(moved);
         },
         1},
        {"the identity", [](CSectionPlane& s) { s.Transform(orbisk::geometry::CTransform3d()); }, 0},
        {"clearing", [](CSectionPlane& s) { s.ClearSlice(); }, 1},
    };
    for (const Case& c : cases) {
        section->ClearSlice();
        dropped = 0;
        section->SetSlice(std::make_unique<CountingSlice>(dropped));
        c.apply(*section);
        EXPECT_EQ(dropped, c.droppedAfter) << c.change;
        EXPECT_EQ(section->GetSlice() != nullptr, c.droppedAfter == 0) << c.change;
    }
    dropped = 0;
    section->SetSlice(std::make_unique<CountingSlice>(dropped));
    // Copies are not made in the test's operation: this one is the test's to delete.
    const std::unique_ptr<CSectionPlane> copy(static_cast<CSectionPlane*>(section->CreateCopy()));
    EXPECT_EQ(copy->GetSlice(), nullptr) << "a copy has no cut of its own yet";
    EXPECT_EQ(copy->GetClipPlaneId(), 0u);
    section->ClearSlice();
    EXPECT_EQ(dropped, 1);
}
