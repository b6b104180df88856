// The face point classifier: points against a face with a hole, coplanar faces against each
// other, loops against a face, and the queries built on it.
#include <gtest/gtest.h>

#include "tests/topology/FaceTestSupport.h"
#include "topology/Edge.h"
#include "topology/EdgeUse.h"
#include "topology/FacePointClassifier.h"
#include "topology/Loop.h"
#include "topology/Vertex.h"

namespace {

using Classifier = CFacePointClassifier;

class FacePointClassifierTest : public FaceTest {};

TEST_F(FacePointClassifierTest, PointsAgainstAFaceWithAHole)
{
    CFace* face = NewSquareFace({0, 0, 0}, 10);
    AddHole(face, Square({4, 4, 0}, 2));
    const Classifier classifier(face);
    struct Case {
        CPoint3d point;
        bool outerOnly;
        int expected;
    };
    const Case cases[] = {
        {{5, 5, 0}, false, Classifier::kOutside},  {{5, 4, 0}, false, Classifier::kOnEdge},
        {{4, 4, 0}, false, Classifier::kOnVertex}, {{1, 1, 0}, false, Classifier::kInside},
        {{5, 5, 0}, true, Classifier::kInside},    {{11, 5, 0}, false, Classifier::kOutside},
    };
    for (const Case& c : cases)
        EXPECT_EQ(classifier.ClassifyPoint2d(classifier.Project(c.point), c.outerOnly), c.expected)
            << c.point.x << ", " << c.point.y << (c.outerOnly ? " outer only" : "");
    EXPECT_EQ(Classifier().ClassifyPoint({0, 0, 0}), Classifier::kNoFace);
    EXPECT_EQ(classifier.GetPointCount(), 8);
}

TEST_F(FacePointClassifierTest, CoplanarFacesAgainstEachOther)
{
    CFace* large = NewSquareFace({0, 0, 0}, 10);
    CFace* small = NewSquareFace({2, 2, 0}, 2);
    CFace* twin = NewSquareFace({0, 0, 0}, 10);
    CFace* apart = NewSquareFace({20, 0, 0}, 2);
    CFace* crossing = NewSquareFace({8, 3, 0}, 4);
    const Classifier ofLarge(large);
    const Classifier ofSmall(small);
    EXPECT_EQ(ofLarge.CompareWithFace(small), Classifier::kOtherInside);
    EXPECT_EQ(ofSmall.CompareWithFace(large), Classifier::kInsideOther);
    EXPECT_EQ(ofLarge.CompareWithFace(twin), Classifier::kTouching) << "corners on each other's boundary";
    EXPECT_EQ(ofLarge.CompareWithFace(apart), Classifier::kApart);
    EXPECT_EQ(ofLarge.CompareWithFace(crossing), Classifier::kOverlapping);
}

TEST_F(FacePointClassifierTest, ReversedCoplanarFacesShareTheFrame)
{
    CFace* large = NewSquareFace({0, 0, 0}, 10);
    CFace* small = NewSquareFace({2, 2, 0}, 2);
    small->Reverse();
    const Classifier ofLarge(large);
    const Classifier ofSmall(small);
    EXPECT_EQ(ofLarge.Project({3, 4, 0}).x, ofSmall.Project({3, 4, 0}).x);
    EXPECT_EQ(ofLarge.ClassifyFace(ofSmall, false), Classifier::kOtherInside);
}

TEST_F(FacePointClassifierTest, ALoopTouchingTheOuterBoundaryIsMixedOnlyForTheLoopTest)
{
    CFace* face = NewSquareFace({0, 0, 0}, 10);
    // A triangle inside the face with one corner on its bottom edge.
    CFace* touching = NewFace({{5, 0, 0}, {7, 3, 0}, {3, 3, 0}});
    CFace* inside = NewSquareFace({2, 2, 0}, 2);
    const Classifier classifier(face);
    EXPECT_EQ(classifier.ClassifyLoop(touching->GetOuterLoop()), Classifier::kLoopMixed);
    EXPECT_EQ(classifier.ClassifyLoopOf(Classifier(touching), touching->GetOuterLoop(), false),
              Classifier::kLoopInside);
    EXPECT_EQ(classifier.ClassifyLoop(inside->GetOuterLoop()), Classifier::kLoopInside);
    CFace* around = NewSquareFace({-1, -1, 0}, 12);
    EXPECT_EQ(classifier.ClassifyLoop(around->GetOuterLoop()), Classifier::kLoopSurrounds);
    EXPECT_EQ(classifier.ClassifyLoopOf(Classifier(face), inside->GetOuterLoop(), false),
              Classifier::kUndecided)
        << "a loop of another face";
}

TEST_F(FacePointClassifierTest, FaceInsideFaceNeedsOnePlane)
{
    CFace* large = NewSquareFace({0, 0, 0}, 10);
    CFace* small = NewSquareFace({2, 2, 0}, 2);
    CFace* lifted = NewSquareFace({2, 2, 0.002}, 2);
    EXPECT_TRUE(IsFaceInsideFace(small, large));
    EXPECT_FALSE(IsFaceInsideFace(large, small));
    EXPECT_FALSE(IsFaceInsideFace(lifted, large)) << "parallel planes 0.002 apart";
}

TEST_F(FacePointClassifierTest, FacesSharingEdges)
{
    CFace* left = NewSquareFace({0, 0, 0}, 1);
    const std::vector<CEdgeUse*> uses = left->GetOuterLoop()->GetEdgeUses();
    CEdge* sharedEdge = uses[1]->GetEdge();
    CEdge* edges[] = {sharedEdge, NewEdge(sharedEdge->GetEnd(), NewVertex({2, 1, 0})), nullptr, nullptr};
    edges[2] = NewEdge(edges[1]->GetEnd(), NewVertex({2, 0, 0}));
    edges[3] = NewEdge(edges[2]->GetEnd(), sharedEdge->GetStart());
    auto* right = new CFace(4, edges, CPlane3d(0, 0, 1, 0));
    std::vector<CEntity*> found;
    EXPECT_EQ(FindFacesSharingEdges(1, &sharedEdge, found), 2);
    CEdge* ofLeft[] = {sharedEdge, uses[2]->GetEdge()};
    EXPECT_EQ(FindFacesSharingEdges(2, ofLeft, found), 1);
    EXPECT_EQ(found.front(), left);
    EXPECT_EQ(FindFacesSharingEdges(0, ofLeft, found), 0);
    (void)right;
}

}  // namespace
