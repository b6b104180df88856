// Face polygons: a face flattened into point lists that remember their edges, drawn through GL
// or the tessellator, clipped by planes, asked whether a point lies in the face, and cut by a
// plane into the pieces of the section line that lie inside the face.

#include "topology/FacePolygon.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "geometry/UnitVector3d.h"
#include "platform/wgl/EglPbufferContext.h"
#include "tests/support/GLPixelCheck.h"
#include "tests/topology/FaceTestSupport.h"
#include "topology/Edge.h"
#include "topology/EdgeUse.h"
#include "topology/FacePointClassifier.h"
#include "topology/Loop.h"
#include "topology/Vertex.h"

using orbisk::geometry::CUnitVector3d;

namespace {

class FacePolygonTest : public FaceTest {
protected:
    // A face of the box [0, 10]^3 on the outline, its normal pointing out of the box.
    CFace* NewBoxFace(const std::vector<CPoint3d>& outline, const CVector3d& outward)
    {
        std::vector<CEdge*> edges = NewPolygon(outline);
        return new CFace(static_cast<int>(edges.size()), edges.data(),
                         CPlane3d(outline[0], CUnitVector3d(outward)));
    }

    // The square [0, 10]^2 with the hole [4, 6]^2.
    CFace* NewRing()
    {
        CFace* face = NewSquareFace(CPoint3d(0, 0, 0), 10);
        AddHole(face, Square(CPoint3d(4, 4, 0), 2));
        return face;
    }
};

// The pieces a slicer produced, each as its two ends with the smaller x (then y) first.
std::vector<std::pair<CPoint3d, CPoint3d>> Pieces(const CFacePolygonSlicer& slicer)
{
    std::vector<std::pair<CPoint3d, CPoint3d>> pieces;
    for (int i = 0; i < slicer.GetSegmentCount(); ++i) {
        CPoint3d a;
        CPoint3d b;
        CEdge* edge = nullptr;
        slicer.GetSegment(i, a, b, edge);
        if (std::make_pair(b.x, b.y) < std::make_pair(a.x, a.y))
            std::swap(a, b);
        pieces.emplace_back(a, b);
    }
    std::sort(pieces.begin(), pieces.end(), [](const auto& l, const auto& r) {
        return std::make_tuple(l.first.x, l.first.y, l.first.z) <
               std::make_tuple(r.first.x, r.first.y, r.first.z);
    });
    return pieces;
}

bool Near(const CPoint3d& a, const CPoint3d& b)
{
    return a.IsEqual(b, 1e-9);
}

}  // namespace

TEST_F(FacePolygonTest, EveryPointRemembersTheEdgeThatEndsAtIt)
{
    CFace* face = NewRing();
    CFacePolygon polygon(face, nullptr, false);
    ASSERT_EQ(polygon.GetLoopCount(), 2);
    EXPECT_FALSE(polygon.IsSimple());
    for (int loop = 0; loop < 2; ++loop) {
        ASSERT_EQ(polygon.GetLoopVertexCount(loop), 4);
        for (int k = 0; k < 4; ++k) {
            CPoint3d previous;
            CPoint3d point;
            CEdge* edge = nullptr;
            polygon.GetLoopSegment(loop, k, previous, point, edge);
            ASSERT_NE(edge, nullptr);
            const bool joins = (Near(edge->GetStart()->GetPosition(), previous) &&
                                Near(edge->GetEnd()->GetPosition(), point)) ||
                               (Near(edge->GetEnd()->GetPosition(), previous) &&
                                Near(edge->GetStart()->GetPosition(), point));
            EXPECT_TRUE(joins) << "loop " << loop << " point " << k;
        }
    }

    CFacePolygon outer(face, nullptr, true);
    EXPECT_EQ(outer.GetLoopCount(), 1);
}

TEST_F(FacePolygonTest, OnlyPointsStrictlyBetweenTheBoundariesAreContained)
{
    CFacePolygon polygon(NewRing(), nullptr, false);
    struct Case {
        CPoint3d point;
        bool contained;
        const char* where;
    };
    const Case cases[] = {
        {{2, 2, 0}, true, "between the boundaries"},    {{5, 5, 0}, false, "inside the hole"},
        {{0, 5, 0}, false, "on the outer boundary"},    {{4, 5, 0}, false, "on the hole's boundary"},
        {{10, 10, 0}, false, "on an outer vertex"},     {{20, 5, 0}, false, "outside"},
        {{8, 8, 3}, true, "above the face, projected"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(polygon.ContainsPoint(c.point), c.contained) << c.where;
}

TEST_F(FacePolygonTest, ClippingKeepsTheFrontSideAndMarksTheCutLine)
{
    struct Case {
        CPlane3d plane;
        bool remains;
        bool cut;
        int points;
        const char* what;
    };
    const Case cases[] = {
        {CPlane3d(1, 0, 0, -5), true, true, 4, "through the middle"},
        {CPlane3d(1, 0, 0, 1), true, false, 4, "missing it on the kept side"},
        {CPlane3d(1, 0, 0, -20), false, false, 0, "leaving it all behind"},
        {CPlane3d(1, 0, 0, -10), false, false, 0, "touching only its far side"},
    };
    for (const Case& c : cases) {
        CFacePolygon polygon(NewSquareFace(CPoint3d(0, 0, 0), 10), nullptr, false);
        bool cut = false;
        EXPECT_EQ(polygon.ClipToPlane(c.plane, &cut), c.remains) << c.what;
        if (!c.remains)
            continue;
        EXPECT_EQ(cut, c.cut) << c.what;
        ASSERT_EQ(polygon.GetLoopVertexCount(0), c.points) << c.what;
        for (int k = 0; k < c.points; ++k)
            EXPECT_GE(polygon.GetLoopPoint(0, k).x, c.plane.d < 0 ? -c.plane.d - 1e-9 : 0.0) << c.what;
    }

    // Through the middle: the point where the outline comes back across the cut line follows
    // a piece of the cut line, which is no edge; every other point keeps an edge.
    CFacePolygon half(NewSquareFace(CPoint3d(0, 0, 0), 10), nullptr, false);
    ASSERT_TRUE(half.ClipToPlane(CPlane3d(1, 0, 0, -5)));
    int withoutEdge = 0;
    for (int k = 0; k < half.GetLoopVertexCount(0); ++k) {
        CPoint3d previous;
        CPoint3d point;
        CEdge* edge = nullptr;
        half.GetLoopSegment(0, k, previous, point, edge);
        if (edge)
            continue;
        ++withoutEdge;
        EXPECT_NEAR(previous.x, 5.0, 1e-9);
        EXPECT_NEAR(point.x, 5.0, 1e-9);
    }
    EXPECT_EQ(withoutEdge, 1);
}

TEST_F(FacePolygonTest, APlaneThroughAHoleSlicesTheFaceEitherSideOfIt)
{
    CFacePolygon polygon(NewRing(), nullptr, false);
    CFacePolygonSlicer slicer;
    ASSERT_TRUE(slicer.Slice(polygon, CPlane3d(0, 1, 0, -5)));
    const auto pieces = Pieces(slicer);
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_TRUE(Near(pieces[0].first, CPoint3d(0, 5, 0)));
    EXPECT_TRUE(Near(pieces[0].second, CPoint3d(4, 5, 0)));
    EXPECT_TRUE(Near(pieces[1].first, CPoint3d(6, 5, 0)));
    EXPECT_TRUE(Near(pieces[1].second, CPoint3d(10, 5, 0)));
}

TEST_F(FacePolygonTest, AFaceEdgeInTheCuttingPlaneIsAPieceOfItsOwn)
{
    CFace* face = NewSquareFace(CPoint3d(0, 0, 0), 10);
    CFacePolygon polygon(face, nullptr, false);
    CFacePolygonSlicer slicer;
    ASSERT_TRUE(slicer.Slice(polygon, CPlane3d(0, 1, 0, 0)));
    ASSERT_EQ(slicer.GetSegmentCount(), 1);
    CPoint3d a;
    CPoint3d b;
    CEdge* edge = nullptr;
    slicer.GetSegment(0, a, b, edge);
    ASSERT_NE(edge, nullptr);
    EXPECT_EQ(edge->GetStart()->GetPosition().y, 0.0);
    EXPECT_EQ(edge->GetEnd()->GetPosition().y, 0.0);
    EXPECT_NEAR(a.DistanceTo(b), 10.0, 1e-9);

    // Parallel planes have no line in common; a plane that misses the face gives no piece.
    EXPECT_FALSE(slicer.Slice(polygon, CPlane3d(0, 0, 1, -3)));
    EXPECT_FALSE(slicer.Slice(polygon, CPlane3d(0, 1, 0, -20)));
    EXPECT_TRUE(slicer.IsEmpty());
}

TEST_F(FacePolygonTest, ASectionThroughABoxCutsItsSidesIntoTheSectionOutline)
{
    std::vector<CFace*> faces = {
        NewBoxFace({{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}}, {0, 0, -1}),
        NewBoxFace({{0, 0, 10}, {10, 0, 10}, {10, 10, 10}, {0, 10, 10}}, {0, 0, 1}),
        NewBoxFace({{0, 0, 0}, {10, 0, 0}, {10, 0, 10}, {0, 0, 10}}, {0, -1, 0}),
        NewBoxFace({{10, 0, 0}, {10, 10, 0}, {10, 10, 10}, {10, 0, 10}}, {1, 0, 0}),
        NewBoxFace({{10, 10, 0}, {0, 10, 0}, {0, 10, 10}, {10, 10, 10}}, {0, 1, 0}),
        NewBoxFace({{0, 10, 0}, {0, 0, 0}, {0, 0, 10}, {0, 10, 10}}, {-1, 0, 0}),
    };
    // Keeps the upper half of the box.
    const CPlane3d section(0, 0, 1, -5);
    std::vector<std::pair<CPoint3d, CPoint3d>> outline;
    int sliced = 0;
    for (CFace* face : faces) {
        CFacePolygon polygon(face, nullptr, false);
        CFacePolygonSlicer slicer;
        if (!slicer.Slice(polygon, section))
            continue;
        ++sliced;
        for (const auto& piece : Pieces(slicer))
            outline.push_back(piece);
    }
    EXPECT_EQ(sliced, 4) << "the top and bottom faces are parallel to the section";
    ASSERT_EQ(outline.size(), 4u);
    const CPoint3d corners[] = {{0, 0, 5}, {10, 0, 5}, {10, 10, 5}, {0, 10, 5}};
    for (const CPoint3d& corner : corners) {
        const auto ends = std::count_if(outline.begin(), outline.end(), [&](const auto& piece) {
            return Near(piece.first, corner) || Near(piece.second, corner);
        });
        EXPECT_EQ(ends, 2) << "corner " << corner.x << ", " << corner.y;
    }
    for (const auto& piece : outline)
        EXPECT_NEAR(piece.first.DistanceTo(piece.second), 10.0, 1e-9);
}

TEST_F(FacePolygonTest, ARingThatClosesOnItselfElsewhereFillsNoMoreThanTheFaceCounts)
{
    CFace* face = NewSquareFace(CPoint3d(0, 0, 0), 10);
    CLoop* loop = face->GetLoop(0);
    std::vector<CEdgeUse*> uses = loop->GetEdgeUses();
    ASSERT_EQ(uses.size(), 4u);
    uses[3]->SetNext(uses[1]);  // 0 -> 1 -> 2 -> 3 -> 1 -> ...
    const int count = face->GetEdgeUseCount();
    EXPECT_EQ(count, loop->GetWalkBound() + 1);

    const CFacePointClassifier classifier(face);
    EXPECT_EQ(classifier.GetPointCount(), count);
    const CFacePolygon polygon(face, nullptr, false);
    EXPECT_EQ(polygon.GetLoopVertexCount(0), count);

    uses[3]->SetNext(uses[0]);
}

// Drawing: the ring goes through the tessellator and leaves its hole empty; reversed, the
// normal turns round.
TEST_F(FacePolygonTest, TheTessellatedRingLeavesItsHoleEmpty)
{
    std::string failure;
    auto context = CEglPbufferContext::Create(32, 32, {}, &failure);
    ASSERT_TRUE(context) << failure;
    ASSERT_TRUE(context->MakeCurrent());
    glViewport(0, 0, 32, 32);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, 10.0, 0.0, 10.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    CFacePolygon polygon(NewRing(), nullptr, false);
    for (bool reverse : {false, true}) {
        glClearColor(1, 1, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glColor3ub(0, 0, 0);
        polygon.Draw(reverse);
        GLfloat normal[4];
        glGetFloatv(GL_CURRENT_NORMAL, normal);
        EXPECT_FLOAT_EQ(normal[2], reverse ? -1.0f : 1.0f);
        glFinish();
        EXPECT_TRUE(PixelNear(ReadGLPixel(6, 6), GLPixel{0, 0, 0, 255})) << "the ring, reverse " << reverse;
        EXPECT_TRUE(PixelNear(ReadGLPixel(16, 16), GLPixel{255, 255, 255, 255}))
            << "the hole, reverse " << reverse;
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_TRUE(GLStateIsClean());
}

TEST_F(FacePolygonTest, AConvexTriangleIsDrawnWithoutTheTessellator)
{
    std::string failure;
    auto context = CEglPbufferContext::Create(32, 32, {}, &failure);
    ASSERT_TRUE(context) << failure;
    ASSERT_TRUE(context->MakeCurrent());
    glViewport(0, 0, 32, 32);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, 10.0, 0.0, 10.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    CFace* face = NewFace({{0, 0, 0}, {10, 0, 0}, {0, 10, 0}});
    CFacePolygon polygon(face, nullptr, false);
    ASSERT_TRUE(polygon.IsSimple());
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3ub(0, 0, 0);
    polygon.Draw(false);
    glFinish();
    EXPECT_TRUE(PixelNear(ReadGLPixel(4, 4), GLPixel{0, 0, 0, 255}));
    EXPECT_TRUE(PixelNear(ReadGLPixel(28, 28), GLPixel{255, 255, 255, 255}));
    EXPECT_TRUE(GLStateIsClean());
}
