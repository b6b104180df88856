// Lines kept inside the depth range and clipped to the view frustum: the geometry on a real
// view definition, then drawn through a model view into an offscreen GL context.

#include "view/Clipping.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "geometry/Transform3d.h"
#include "model/ZephyronModel.h"
#include "settings/Camera.h"
#include "settings/ViewDefinition.h"
#include "tests/support/GLPixelCheck.h"
#include "tests/support/OffscreenGLTest.h"
#include "view/ZphView.h"

using orbisk::geometry::CBoundingBox3d;
using orbisk::geometry::CLine3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CRay3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CUnitVector3d;
using orbisk::geometry::CVector3d;
using orbisk::utils::CColor;

namespace {

constexpr int kViewportWidth = 200;
constexpr int kViewportHeight = 100;
// The default clipping range of a view definition.
constexpr double kNear = 1.0;
constexpr double kFar = 10000.0;
constexpr double kNearPlaneDepth = 1.0001 * kNear;
constexpr double kFarPlaneDepth = 0.9999 * kFar;
constexpr double kNearLimitDepth = 1.0001 * kNear;
constexpr double kFarLimitDepth = 0.9997 * kFar;

// The eye at the origin looking down -z, so that a point's depth is -z and model and eye
// coordinates agree.
CViewDefinition MakeDefinition(bool perspective)
{
    CViewDefinition definition;
    definition.SetCameraPosition(CPoint3d(0, 0, 0), CPoint3d(0, 0, -100), CVector3d(0, 1, 0));
    definition.SetViewportSize(kViewportWidth, kViewportHeight);
    definition.SetPerspective(perspective);
    return definition;
}

double DepthOf(const CPoint3d& p)
{
    return -p.z;
}

CPoint3d ScreenOf(const CViewDefinition& definition, const CPoint3d& p)
{
    CPoint3d window;
    definition.ModelToScreen(p, window);
    return window;
}

::testing::AssertionResult SamePixel(const CViewDefinition& definition, const CPoint3d& actual,
                                     const CPoint3d& expected)
{
    const CPoint3d a = ScreenOf(definition, actual);
    const CPoint3d e = ScreenOf(definition, expected);
    if (std::abs(a.x - e.x) < 0.01 && std::abs(a.y - e.y) < 0.01)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "pixel (" << a.x << ", " << a.y << ") instead of (" << e.x << ", " << e.y << ")";
}

// ---------------------------------------------------------------------------------------------
// The depth-range planes.

TEST(DepthRangePlanes, LieJustInsideTheClippingDistances)
{
    for (bool perspective : {true, false}) {
        SCOPED_TRACE(perspective ? "perspective" : "parallel");
        const CDepthRangePlanes planes(MakeDefinition(perspective), CTransform3d());
        EXPECT_FALSE(planes.IsBeforeNearPlane(CPoint3d(3, 1, -1.0002)));
        EXPECT_TRUE(planes.IsBeforeNearPlane(CPoint3d(3, 1, -1.0)));
        EXPECT_FALSE(planes.IsBeyondFarPlane(CPoint3d(-2, 5, -9998.9)));
        EXPECT_TRUE(planes.IsBeyondFarPlane(CPoint3d(-2, 5, -9999.1)));
    }
}

TEST(DepthRangePlanes, ProjectCentrallyInPerspectiveAndOrthogonallyInParallel)
{
    const CPoint3d p(10, 4, -20000);
    const CDepthRangePlanes perspective(MakeDefinition(true), CTransform3d());
    const CPoint3d central = perspective.ProjectToFarPlane(p);
    EXPECT_NEAR(DepthOf(central), kFarPlaneDepth, 1e-6);
    EXPECT_NEAR(central.x, 10 * kFarPlaneDepth / 20000, 1e-9);
    EXPECT_NEAR(central.y, 4 * kFarPlaneDepth / 20000, 1e-9);

    const CDepthRangePlanes parallel(MakeDefinition(false), CTransform3d());
    const CPoint3d orthogonal = parallel.ProjectToNearPlane(CPoint3d(10, 4, -0.5));
    EXPECT_NEAR(orthogonal.x, 10, 1e-12);
    EXPECT_NEAR(orthogonal.y, 4, 1e-12);
    EXPECT_NEAR(DepthOf(orthogonal), kNearPlaneDepth, 1e-12);

    // Along the eye's plane there is no central projection: the plane's point on the axis.
    const CPoint3d onAxis = perspective.ProjectToNearPlane(CPoint3d(5, 0, 0));
    EXPECT_NEAR(onAxis.x, 0, 1e-12);
    EXPECT_NEAR(DepthOf(onAxis), kNearPlaneDepth, 1e-12);
    // A segment running along the plane does not cross it either.
    const CPoint3d parallelClip = perspective.ClipToFarPlane(CPoint3d(0, 0, -5), CPoint3d(7, 0, -5));
    EXPECT_NEAR(parallelClip.x, 0, 1e-12);
    EXPECT_NEAR(DepthOf(parallelClip), kFarPlaneDepth, 1e-9);
}

TEST(DepthRangePlanes, FollowTheCoordinatesOfAnEnteredInstance)
{
    // Local coordinates shifted 1000 along -z: a local point at z = 0 is 1000 deep.
    CTransform3d placement;
    placement.SetTranslation(CVector3d(0, 0, -1000));
    const CDepthRangePlanes planes(MakeDefinition(true), placement.Inverse());
    EXPECT_FALSE(planes.IsBeyondFarPlane(CPoint3d(0, 0, -8998)));
    EXPECT_TRUE(planes.IsBeyondFarPlane(CPoint3d(0, 0, -9000)));
    EXPECT_TRUE(planes.IsBeforeNearPlane(CPoint3d(0, 0, 999.5)));
}

struct SplitCase {
    std::string name;
    bool perspective;
    CPoint3d a;
    CPoint3d b;
    // Depth of each piece's ends, in drawing order (from the farther end).
    std::vector<std::pair<double, double>> depths;
};

TEST(DepthRangePlanes, SplitSegmentsFlattenWhatLiesOutsideTheDepthRange)
{
    // Depths of the near and far planes.
    const double n = kNearPlaneDepth;
    const double f = kFarPlaneDepth;
    const std::vector<SplitCase> cases = {
        {"inside", true, {1, 1, -2}, {-3, 2, -500}, {{500, 2}}},
        {"off axis, from 0.5 to 20000", true, {1, 1, -0.5}, {-3, 2, -20000}, {{f, f}, {f, n}, {n, n}}},
        {"across the far plane", true, {4, 0, -100}, {0, 4, -15000}, {{f, f}, {f, 100}}},
        {"across the near plane", true, {4, 0, -0.2}, {0, 4, -15}, {{15, n}, {n, n}}},
        {"wholly beyond the far plane", true, {-30, 10, -12000}, {50, -20, -30000}, {{f, f}}},
        {"wholly before the near plane", true, {-0.1, 0.1, -0.5}, {0.2, 0, -0.9}, {{n, n}}},
        {"parallel, across both planes", false, {1, 1, -0.5}, {-3, 2, -20000}, {{f, f}, {f, n}, {n, n}}},
        {"parallel, wholly beyond the far plane", false, {-30, 10, -12000}, {50, -20, -30000}, {{f, f}}},
        {"ends closer than the tolerance", true, {1, 1, -5}, {1, 1.0005, -5}, {}},
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE(c.name);
        const CViewDefinition definition = MakeDefinition(c.perspective);
        const CDepthRangePlanes planes(definition, CTransform3d());
        const std::vector<CSegment3d> pieces = planes.SplitSegment(c.a, c.b);
        ASSERT_EQ(pieces.size(), c.depths.size());
        if (pieces.empty())
            continue;
        for (size_t i = 0; i < pieces.size(); ++i) {
            EXPECT_NEAR(DepthOf(pieces[i].first), c.depths[i].first, 1e-6 * c.depths[i].first)
                << "piece " << i;
            EXPECT_NEAR(DepthOf(pieces[i].second), c.depths[i].second, 1e-6 * c.depths[i].second)
                << "piece " << i;
            if (i > 0) {
                EXPECT_EQ(pieces[i].first, pieces[i - 1].second)
                    << "pieces " << i - 1 << " and " << i << " meet";
            }
        }
        // On the screen the pieces run from one end of the segment to the other.
        const bool aIsFarther = DepthOf(c.a) >= DepthOf(c.b);
        EXPECT_TRUE(SamePixel(definition, pieces.front().first, aIsFarther ? c.a : c.b));
        EXPECT_TRUE(SamePixel(definition, pieces.back().second, aIsFarther ? c.b : c.a));
    }
}

TEST(DepthRangePlanes, ASegmentPassingTheEyeIsNotMirroredOntoTheOtherSide)
{
    // From 50 in front of the eye, to the right, to 50 behind it.
    const CViewDefinition definition = MakeDefinition(true);
    const CDepthRangePlanes planes(definition, CTransform3d());
    const std::vector<CSegment3d> pieces = planes.SplitSegment(CPoint3d(1, 0, -50), CPoint3d(3, 0, 50));
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_NEAR(DepthOf(pieces[1].first), kNearPlaneDepth, 1e-9);
    // The flattened end keeps going right, off the picture, as the segment does.
    const double crossing = ScreenOf(definition, pieces[1].first).x;
    EXPECT_GT(ScreenOf(definition, pieces[1].second).x, crossing + kViewportWidth);

    EXPECT_TRUE(planes.SplitSegment(CPoint3d(1, 0, 5), CPoint3d(3, 0, 50)).empty())
        << "wholly behind the eye";
}

// ---------------------------------------------------------------------------------------------
// The view frustum in eye coordinates.

CBoundingBox3d FrustumBox(double halfWidth, double nearZ, double farZ)
{
    CBoundingBox3d box;
    box.Add(CPoint3d(-halfWidth, -halfWidth, nearZ));
    box.Add(CPoint3d(halfWidth, halfWidth, farZ));
    return box;
}

TEST(ViewFrustumClip, StartsEmptyLookingAlongZ)
{
    const CViewFrustumClip clip;
    EXPECT_TRUE(clip.box.IsEmpty());
    EXPECT_EQ(CVector3d(clip.ray.direction), CVector3d(0, 0, 1));
}

TEST(ViewFrustumClip, ContainsPointsInsideTheTruncatedPyramid)
{
    // Perspective: the window is 10 wide at the focal distance 10.
    const CViewFrustumClip clip(FrustumBox(5, -1, -1000), 10, CRay3d());
    struct Case {
        CPoint3d p;
        bool withDepth;
        bool inside;
    };
    const Case cases[] = {
        {{0, 0, -10}, true, true},     {{5, 5, -10}, true, true},         {{5.01, 0, -10}, true, false},
        {{49, -49, -100}, true, true}, {{0, 0, -0.5}, true, false},       {{0, 0, -0.5}, false, true},
        {{0, 0, -2000}, true, false},  {{0, 0, -2000}, false, true},      {{0, 0, 0}, false, false},
        {{0, 0, 1}, false, false},     {{5.0000005, 0, -10}, true, true},  // within the tolerance
    };
    for (const Case& c : cases)
        EXPECT_EQ(clip.ContainsPoint(c.p, c.withDepth), c.inside)
            << "(" << c.p.x << ", " << c.p.y << ", " << c.p.z << ")" << (c.withDepth ? " with depth" : "");

    const CViewFrustumClip parallel(FrustumBox(5, -1, -1000), 0, CRay3d());
    EXPECT_TRUE(parallel.ContainsPoint(CPoint3d(5, -5, -500), true));
    EXPECT_FALSE(parallel.ContainsPoint(CPoint3d(6, 0, -500), true));
    EXPECT_TRUE(parallel.ContainsPoint(CPoint3d(0, 0, 3), false))
        << "parallel projection sees behind the eye";
}

// Where a line enters and leaves, along it, with the faces it crosses there (0: none).
struct Crossing {
    double entry = 0.0;
    int entryFace = 0;
    double exit = 0.0;
    int exitFace = 0;
};

struct RayCase {
    std::string name;
    double focalDistance;
    CPoint3d origin;
    CVector3d direction;
    int result;
    Crossing first;
    Crossing second;
};

TEST(ViewFrustumClip, ClipRayFindsTheVisiblePartAndThePartBetweenTheSideWalls)
{
    // The side walls of the perspective cases are x = +-|z| / 2 and y = +-|z| / 2.
    using F = CViewFrustumClip;
    const int crosses = F::kCrossesFrustum;
    const int walls = F::kCrossesSideWalls;
    const int both = crosses | walls;
    const std::vector<RayCase> cases = {
        {"wall to wall", 10, {-100, 0, -10}, {1, 0, 0}, crosses, {95, F::kLeft, 105, F::kRight}, {}},
        {"down the axis", 10, {0, 0, 0}, {0, 0, -1}, crosses, {1, F::kNear, 1000, F::kFar}, {}},
        {"off the axis, away", 10, {0, 1, -5}, {0, 0, -1}, both, {-3, F::kTop, 995, F::kFar}, {-3, F::kTop}},
        {"by the eye", 10, {0.3, 0, 0}, {-1e-4, 0, -1}, both, {1, F::kNear, 1000, F::kFar}, {0.6, F::kRight}},
        {"beyond far", 10, {-1e4, 0, -2000}, {1, 0, 0}, walls, {}, {9000, F::kLeft, 11000, F::kRight}},
        {"missing", 10, {100, 0, -10}, {0, 1, 0}, 0, {}, {}},
        {"parallel, down", 0, {2, 3, 0}, {0, 0, -1}, crosses, {1, F::kNear, 1000, F::kFar}, {}},
        {"parallel, beyond far", 0, {-10, 0, -1500}, {1, 0, 0}, walls, {}, {5, F::kLeft, 15, F::kRight}},
    };
    for (const RayCase& c : cases) {
        SCOPED_TRACE(c.name);
        CViewFrustumClip clip(FrustumBox(5, -1, -1000), c.focalDistance,
                              CRay3d(c.origin, CUnitVector3d(c.direction)));
        ASSERT_EQ(clip.ClipRay(), c.result);
        EXPECT_NEAR(clip.firstEntry, c.first.entry, 1e-4);
        EXPECT_EQ(clip.firstEntryFace, c.first.entryFace);
        EXPECT_NEAR(clip.firstExit, c.first.exit, 1e-4);
        EXPECT_EQ(clip.firstExitFace, c.first.exitFace);
        EXPECT_NEAR(clip.secondEntry, c.second.entry, 1e-3);
        EXPECT_EQ(clip.secondEntryFace, c.second.entryFace);
        EXPECT_NEAR(clip.secondExit, c.second.exit, 1e-4);
        EXPECT_EQ(clip.secondExitFace, c.second.exitFace);
    }
}

// ---------------------------------------------------------------------------------------------
// Infinite lines.

// A point so far along the line that it shows on the screen where the line vanishes.
CPoint3d FarPointOf(const CLine3d& line)
{
    return line.GetPointAt(1e9);
}

struct InfiniteCase {
    std::string name;
    bool perspective;
    CPoint3d origin;
    CVector3d direction;
    bool bothDirections;
    size_t localPieces;
    size_t eyePieces;
};

CLine3d LineOf(const InfiniteCase& c)
{
    return CLine3d(CRay3d(c.origin, CUnitVector3d(c.direction)), c.bothDirections, true);
}

CInfiniteLinePieces PiecesOf(const InfiniteCase& c)
{
    return FindInfiniteLinePieces(MakeDefinition(c.perspective), CTransform3d(), LineOf(c), c.bothDirections);
}

TEST(InfiniteLine, RunsToItsVanishingPointOnTheFarLimit)
{
    const std::vector<InfiniteCase> cases = {
        {"parallel to the view axis", true, {1, -2, -5}, {0, 0, -1}, true, 1, 1},
        {"slanting away", true, {0, 0, -20}, {0.1, 0.1, -1}, true, 1, 1},
        {"a ray from behind the eye", true, {0.5, 0.5, 10}, {0.1, 0.05, -1}, false, 1, 1},
        {"a ray slanting away", true, {-1, 0, -3}, {0.1, -0.05, -1}, false, 1, 1},
    };
    for (const InfiniteCase& c : cases) {
        SCOPED_TRACE(c.name);
        const CViewDefinition definition = MakeDefinition(c.perspective);
        const CInfiniteLinePieces pieces = PiecesOf(c);
        ASSERT_EQ(pieces.local.size(), c.localPieces);
        ASSERT_EQ(pieces.eye.size(), c.eyePieces);
        const CSegment3d& visible = pieces.local.front();
        const CSegment3d& beyond = pieces.eye.back();
        // The flattened part carries on where the visible one stops, on the far limit...
        EXPECT_NEAR(DepthOf(visible.second), kFarLimitDepth, 1e-6 * kFarLimitDepth);
        EXPECT_TRUE(SamePixel(definition, beyond.first, visible.second));
        EXPECT_NEAR(DepthOf(beyond.first), kFarLimitDepth, 1e-6 * kFarLimitDepth);
        EXPECT_NEAR(DepthOf(beyond.second), kFarLimitDepth, 1e-6 * kFarLimitDepth);
        // ...and ends where the line vanishes.
        EXPECT_TRUE(SamePixel(definition, beyond.second, FarPointOf(LineOf(c))));
    }
}

TEST(InfiniteLine, DrawsOnlyWhatTheCameraSees)
{
    const std::vector<InfiniteCase> cases = {
        {"a ray from behind the eye running further back", true, {0, 0, 5}, {0.1, 0, 1}, false, 0, 0},
        {"a line behind the eye across the view", true, {0, 0, 5}, {1, 0, 0}, true, 0, 0},
        {"a line missing the view", true, {0, 500, -10}, {1, 0, 0}, true, 0, 0},
        {"across the view within the depth range", true, {-1000, 0, -100}, {1, 0, 0}, true, 1, 0},
        {"a ray ending before the view", true, {-1000, 0, -100}, {-1, 0, 0}, false, 0, 0},
        {"wholly beyond the far limit", true, {-50000, 3000, -20000}, {1, 0, 0}, true, 0, 1},
        {"parallel, across the view", false, {-1000, 0, -100}, {1, 0, 0.01}, true, 1, 0},
    };
    for (const InfiniteCase& c : cases) {
        SCOPED_TRACE(c.name);
        const CInfiniteLinePieces pieces = PiecesOf(c);
        EXPECT_EQ(pieces.local.size(), c.localPieces);
        EXPECT_EQ(pieces.eye.size(), c.eyePieces);
    }

    // Beyond the far limit the line is flattened onto it where it shows between the walls.
    const CViewDefinition definition = MakeDefinition(true);
    const CLine3d line(CRay3d(CPoint3d(-50000, 3000, -20000), CUnitVector3d::XAxis()), true, true);
    const CSegment3d flat = FindInfiniteLinePieces(definition, CTransform3d(), line, true).eye.front();
    EXPECT_NEAR(ScreenOf(definition, flat.first).x, 0, 1e-6);
    EXPECT_NEAR(ScreenOf(definition, flat.second).x, kViewportWidth, 1e-6);
    EXPECT_NEAR(ScreenOf(definition, flat.first).y, ScreenOf(definition, line.origin).y, 1e-6);
    EXPECT_NEAR(ScreenOf(definition, flat.second).y, ScreenOf(definition, line.origin).y, 1e-6);
}

TEST(InfiniteLine, IsPlacedByTheCurrentTransformation)
{
    // The same line given in the coordinates of an instance placed 10 to the right.
    const CViewDefinition definition = MakeDefinition(true);
    CTransform3d placement;
    placement.SetTranslation(CVector3d(10, 0, 0));
    const CLine3d local(CRay3d(CPoint3d(-9, 0, -20), CUnitVector3d(0, 0, -1)), true, true);
    const CInfiniteLinePieces pieces = FindInfiniteLinePieces(definition, placement, local, true);
    ASSERT_EQ(pieces.local.size(), 1u);
    // The visible piece stays in the local coordinates, the flattened one is in eye coordinates.
    EXPECT_NEAR(pieces.local.front().first.x, -9, 1e-9);
    EXPECT_NEAR(pieces.local.front().second.x, -9, 1e-9);
    ASSERT_EQ(pieces.eye.size(), 1u);
    EXPECT_TRUE(SamePixel(definition, pieces.eye.front().second, CPoint3d(0, 0, -1e9)));
}

// ---------------------------------------------------------------------------------------------
// Drawn through a model view.

// A model view over an empty model, drawing into the test's context: the eye 20 above the
// origin looking down, so that the depth range the frame fits to the model is about 17.6 to
// 22.6.
class ClippingGLTest : public OffscreenGLTest {
protected:
    void SetUp() override
    {
        OffscreenGLTest::SetUp();
        model = new CZephyronModel();
        view.SetModel(model);
        model->Release();
        view.SetViewportRect(0, 0, Width(), Height());
        ClearGLBuffers(kWhitePixel);
        // Lines in opaque black.
        view.ResetDrawState();
    }
    void TearDown() override
    {
        view.ResetDrawState();
        UsePixelProjection();
        OffscreenGLTest::TearDown();
    }

    void LookDown(bool perspective, double height)
    {
        CCamera camera;
        camera.SetEyeTargetUp(CPoint3d(0, 0, kEyeHeight), CPoint3d(0, 0, 0), CVector3d(0, 1, 0));
        camera.SetPerspective(perspective);
        camera.SetParallelHeight(height);
        view.SetCamera(camera, 0.0);
        view.SetupProjection();
    }
    double Near() { return view.GetViewDefinition()->GetNear(); }
    double Far() { return view.GetViewDefinition()->GetFar(); }
    // A model point at a depth below the eye.
    static CPoint3d AtDepth(double x, double y, double depth) { return CPoint3d(x, y, kEyeHeight - depth); }

    // Whether something is drawn at, or next to, the pixel under a window position (y down).
    bool IsDrawnAt(double x, double y)
    {
        glFinish();
        const int column = static_cast<int>(x);
        const int row = Height() - 1 - static_cast<int>(y);
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                if (!PixelNear(ReadGLPixel(column + dx, row + dy), kWhitePixel, 40))
                    return true;
            }
        }
        return false;
    }
    bool IsDrawnAt(const CPoint3d& point)
    {
        CPoint3d window;
        view.GetViewDefinition()->ModelToScreen(point, window);
        return IsDrawnAt(window.x, window.y);
    }

    static constexpr double kEyeHeight = 20.0;
    CZphView view;
    CZephyronModel* model = nullptr;
};

TEST_F(ClippingGLTest, AGuideRunningAwayIsDrawnOutToItsVanishingPoint)
{
    LookDown(true, 1.0);
    // Straight down at (4, -4): on the screen from the lower right towards the centre.
    const CLine3d guide(CRay3d(AtDepth(4, -4, 0), -CUnitVector3d::ZAxis()), true, true);
    struct Case {
        std::string name;
        bool clipped;
    };
    for (const Case& c : {Case{"as an infinite line", true}, Case{"as a plain segment", false}}) {
        SCOPED_TRACE(c.name);
        ClearGLBuffers(kWhitePixel);
        if (c.clipped)
            view.DrawInfiniteLine(guide, 0, true, CColor(0, 0, 0), 1.0);
        else
            view.DrawLine(AtDepth(4, -4, 1), AtDepth(4, -4, 1000 * Far()));
        view.EndPrimitive();
        EXPECT_TRUE(IsDrawnAt(AtDepth(4, -4, (Near() + Far()) / 2))) << "within the depth range";
        for (double times : {1.5, 3.0, 40.0})
            EXPECT_EQ(IsDrawnAt(AtDepth(4, -4, times * Far())), c.clipped)
                << times << " times the far distance";
        // Nothing past the vanishing point at the centre.
        const double centre = Width() / 2.0;
        EXPECT_FALSE(IsDrawnAt(centre - 4, centre - 4));
    }
}

TEST_F(ClippingGLTest, SegmentsOutsideTheDepthRangeCoverTheirOwnPixels)
{
    LookDown(true, 1.0);
    struct Case {
        std::string name;
        double depth;
    };
    for (const Case& c :
         {Case{"beyond the far plane", 2 * Far()}, Case{"before the near plane", Near() / 2}}) {
        for (bool clipped : {true, false}) {
            SCOPED_TRACE(c.name + (clipped ? ", clipped to the depth range" : ", drawn as it is"));
            ClearGLBuffers(kWhitePixel);
            const double y = c.depth / 40;
            const CPoint3d a = AtDepth(-c.depth / 10, y, c.depth);
            const CPoint3d b = AtDepth(c.depth / 10, y, c.depth);
            if (clipped)
                DrawLineClippedToDepthRange(&view, a, b);
            else
                view.DrawLine(a, b);
            view.EndPrimitive();
            EXPECT_EQ(IsDrawnAt(AtDepth(0, y, c.depth)), clipped);
            EXPECT_EQ(IsDrawnAt(AtDepth(c.depth / 20, y, c.depth)), clipped);
        }
    }
}

TEST_F(ClippingGLTest, ArrowHeadsAreFivePixelsAtAnyZoom)
{
    for (double unitsPerPixel : {0.1, 1.0}) {
        SCOPED_TRACE(::testing::Message() << unitsPerPixel << " units per pixel");
        LookDown(false, Height() * unitsPerPixel);
        ClearGLBuffers(kWhitePixel);
        // From 20 pixels left of the centre to 10 pixels right of it.
        const CPoint3d a(-20 * unitsPerPixel, 0, 0);
        const CPoint3d b(10 * unitsPerPixel, 0, 0);
        DrawStyledSegment(&view, a, b, CColor(0, 0, 0), 0, false, true, 1.0);
        const double tipX = Width() / 2.0 + 10;
        const double y = Height() / 2.0;
        EXPECT_TRUE(IsDrawnAt(tipX - 3.5, y - 3.5)) << "the barb above";
        EXPECT_TRUE(IsDrawnAt(tipX - 3.5, y + 3.5)) << "the barb below";
        EXPECT_FALSE(IsDrawnAt(tipX - 8.5, y - 8.5)) << "past the barb's end";
        EXPECT_FALSE(IsDrawnAt(a.x / unitsPerPixel + Width() / 2.0 + 3.5, y - 3.5))
            << "no arrow at the start";
    }
}

}  // namespace
