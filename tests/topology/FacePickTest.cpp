// A face answering the view's picker: the depth range of an aperture pick, ray picks, and the
// point, crossing and window picks through a picker whose pick volume is a box.
#include <gtest/gtest.h>

#include <cmath>

#include "settings/RenderingOptions.h"
#include "tests/topology/FaceTestSupport.h"
#include "topology/Edge.h"
#include "topology/EdgeUse.h"
#include "topology/Loop.h"
#include "topology/SectionPlane.h"
#include "topology/Vertex.h"

namespace {

using orbisk::geometry::CBoundingBox3d;
using orbisk::geometry::CLine3d;
using orbisk::geometry::CRay3d;
using orbisk::geometry::CUnitVector3d;

CBoundingBox3d Box(const CPoint3d& min, const CPoint3d& max)
{
    CBoundingBox3d box;
    box.Add(min);
    box.Add(max);
    return box;
}

class FacePickTest : public FaceTest {
protected:
    // A 10 x 10 face on the plane z = x, rising along x.
    CFace* Ramp()
    {
        const std::vector<CPoint3d> outline = {{0, 0, 0}, {10, 0, 10}, {10, 10, 10}, {0, 10, 0}};
        std::vector<CEdge*> edges = NewPolygon(outline);
        const CPlane3d plane(CPoint3d(), CUnitVector3d(-1, 0, 1));
        return new CFace(4, edges.data(), plane);
    }
    // Looking straight down from z = 100 at (x, y).
    static CRay3d DownAt(double x, double y) { return CRay3d(CPoint3d(x, y, 100), -CUnitVector3d::ZAxis()); }
};

TEST_F(FacePickTest, AnApertureWithinTheFaceGivesTheDepthsOfItsCorners)
{
    CFace* ramp = Ramp();
    BoxPickHelper picker;
    picker.ray = DownAt(5, 5);
    double nearDepth = 0.0;
    double farDepth = 0.0;
    ASSERT_TRUE(ramp->Pick(&picker, nearDepth, farDepth));
    EXPECT_NEAR(nearDepth, 94.5, 1e-9);
    EXPECT_NEAR(farDepth, 95.5, 1e-9);
}

TEST_F(FacePickTest, AnApertureAcrossTheEdgeTakesTheCrossingPoints)
{
    CFace* ramp = Ramp();
    BoxPickHelper picker;
    picker.ray = DownAt(10, 5);
    double nearDepth = 0.0;
    double farDepth = 0.0;
    ASSERT_TRUE(ramp->Pick(&picker, nearDepth, farDepth));
    EXPECT_NEAR(nearDepth, 90.0, 1e-9) << "where the top edge crosses the aperture";
    EXPECT_NEAR(farDepth, 90.5, 1e-9) << "the corners inside the face";
}

TEST_F(FacePickTest, AFaceSeenEdgeOnIsNotPicked)
{
    const std::vector<CPoint3d> wall = {{0, 0, 0}, {0, 10, 0}, {0, 10, 10}, {0, 0, 10}};
    std::vector<CEdge*> edges = NewPolygon(wall);
    auto* face = new CFace(4, edges.data(), CPlane3d(CPoint3d(), CUnitVector3d(1, 0, 0)));
    BoxPickHelper picker;
    picker.ray = DownAt(0, 5);
    double nearDepth = 0.0;
    double farDepth = 0.0;
    EXPECT_FALSE(face->Pick(&picker, nearDepth, farDepth));
    EXPECT_GT(nearDepth, farDepth) << "no depth range";
}

TEST_F(FacePickTest, ARayPickAllowsALineEndingJustBeforeThePlane)
{
    CFace* face = NewSquareFace({0, 0, 0}, 10);
    struct Case {
        double endBeforePlane;
        bool hits;
    };
    const Case cases[] = {{-1.0, true}, {0.0005, true}, {0.002, false}};
    for (const Case& c : cases) {
        CLine3d line(CPoint3d(5, 5, 10), CPoint3d(5, 5, c.endBeforePlane));
        CPoint3d point;
        EXPECT_EQ(face->PickRay(line, point, true), c.hits) << c.endBeforePlane;
        if (c.hits) {
            EXPECT_EQ(point, CPoint3d(5, 5, 0));
        }
    }
    CLine3d behind(CPoint3d(5, 5, 10), CPoint3d(5, 5, 20));
    CPoint3d point;
    EXPECT_FALSE(face->PickRay(behind, point, true)) << "the plane lies behind the line's start";
    face->SetHidden(true);
    EXPECT_FALSE(face->PickRay(CLine3d(CPoint3d(5, 5, 10), CPoint3d(5, 5, -10)), point, true));
    EXPECT_TRUE(face->PickRay(CLine3d(CPoint3d(5, 5, 10), CPoint3d(5, 5, -10)), point, false));
}

TEST_F(FacePickTest, APointPickRecordsTheFaceUnderTheRay)
{
    CFace* face = NewSquareFace({0, 0, 0}, 10);
    AddHole(face, Square({4, 4, 0}, 2));
    BoxPickHelper picker;
    picker.volume = Box({4.5, 0.5, -1}, {5.5, 1.5, 1});
    picker.ray = DownAt(5, 1);
    EXPECT_EQ(face->PickInside(&picker), CFace::kPicked);
    EXPECT_EQ(picker.hitElement, face);

    picker.hitElement = nullptr;
    picker.volume = Box({4.5, 4.5, -1}, {5.5, 5.5, 1});
    picker.ray = DownAt(5, 5);
    EXPECT_EQ(face->PickInside(&picker), CFace::kNotPicked) << "the ray goes through the hole";
    EXPECT_EQ(picker.hitElement, nullptr);

    picker.visible = false;
    picker.pointTests = 0;
    picker.ray = DownAt(5, 1);
    EXPECT_EQ(face->PickInside(&picker), CFace::kNotPicked);
    EXPECT_EQ(picker.pointTests, 0) << "an invisible face asks nothing";
}

TEST_F(FacePickTest, ACrossingPickCatchingOnlyAnEdgeRecordsTheEdge)
{
    CFace* face = NewSquareFace({0, 0, 0}, 10);
    const CEdgeUse* first = face->GetOuterLoop()->GetFirstEdgeUse();
    BoxPickHelper picker;
    picker.mode = IPickHelper::kCrossingPick;
    // Across the bottom edge, between its vertices, with the ray outside the face.
    picker.volume = Box({4, -1, -1}, {6, 0.5, 1});
    picker.ray = DownAt(5, -0.5);
    EXPECT_EQ(face->PickInside(&picker), CFace::kPicked);
    EXPECT_EQ(picker.hitElement, first->GetEdge());

    picker.volume = Box({-1, -1, -1}, {1, 1, 1});
    picker.ray = DownAt(-0.5, -0.5);
    EXPECT_EQ(face->PickInside(&picker), CFace::kPicked);
    EXPECT_EQ(picker.hitElement, first->GetStartVertex()) << "a vertex comes before the edges";
}

TEST_F(FacePickTest, AWindowPickNeedsEveryOuterVertexInside)
{
    CFace* face = NewSquareFace({0, 0, 0}, 10);
    BoxPickHelper picker;
    picker.mode = IPickHelper::kWindowPick;
    picker.volume = Box({-1, -1, -1}, {11, 11, 1});
    EXPECT_EQ(face->PickInside(&picker), CFace::kPicked);
    picker.volume = Box({-1, -1, -1}, {11, 9, 1});
    EXPECT_EQ(face->PickInside(&picker), CFace::kNotPicked) << "two vertices lie outside";
    picker.mode = IPickHelper::kExtentsWalk;
    picker.volume = Box({-1, -1, -1}, {11, 11, 1});
    EXPECT_EQ(face->PickInside(&picker), CFace::kPicked);
}

TEST_F(FacePickTest, SectionPlanesCutAwayWhatTheyHideAndWhatLiesOnThem)
{
    CFace* face = NewSquareFace({0, 0, 0}, 10);
    auto* section = new CSectionPlane;
    section->SetPlane(CPlane3d(-1, 0, 0, 5));  // keeps x < 5
    BoxPickHelper picker;
    picker.sectionPlanes.Push(section);
    picker.volume = Box({6.5, 0.5, -1}, {7.5, 1.5, 1});
    picker.ray = DownAt(7, 1);
    EXPECT_EQ(face->PickAtPoint(&picker), CFace::kCutAway)
        << "the ray meets the face where the cut removed it";
    EXPECT_EQ(face->PickInside(&picker), CFace::kNotPicked) << "and the kept part is not near the aperture";
    picker.volume = Box({2.5, 0.5, -1}, {3.5, 1.5, 1});
    picker.ray = DownAt(3, 1);
    EXPECT_EQ(face->PickInside(&picker), CFace::kPicked);

    auto* onFace = new CSectionPlane;
    onFace->SetPlane(CPlane3d(0, 0, -1, 0));
    picker.sectionPlanes.Push(onFace);
    EXPECT_EQ(face->PickInside(&picker), CFace::kCutAway) << "a face on a section plane";
    picker.sectionPlanes.Pop();
}

TEST_F(FacePickTest, RegionPicksTestThePartTheSectionPlanesKeep)
{
    CFace* face = NewSquareFace({0, 0, 0}, 10);
    const CEdgeUse* first = face->GetOuterLoop()->GetFirstEdgeUse();
    auto* section = new CSectionPlane;
    section->SetPlane(CPlane3d(-1, 0, 0, 5));
    BoxPickHelper picker;
    picker.sectionPlanes.Push(section);

    picker.mode = IPickHelper::kWindowPick;
    picker.volume = Box({-1, -1, -1}, {6, 11, 1});
    EXPECT_EQ(face->PickInside(&picker), CFace::kPicked) << "the kept half lies inside the window";

    picker.mode = IPickHelper::kCrossingPick;
    picker.volume = Box({4.9, 4.9, -1}, {5.1, 5.1, 1});
    picker.ray = DownAt(5.05, 5);
    EXPECT_EQ(face->PickInside(&picker), CFace::kNotPicked) << "the cut edge is not the face's";

    picker.volume = Box({2, -1, -1}, {3, 0.5, 1});
    picker.ray = DownAt(2.5, -0.5);
    EXPECT_EQ(face->PickInside(&picker), CFace::kPicked);
    EXPECT_EQ(picker.hitElement, first->GetEdge()) << "the kept part of the bottom edge";
}

TEST_F(FacePickTest, FacesHideWhatLiesBehindThemOnlyInOpaqueViews)
{
    auto* options = new CRenderingOptions;
    RecordingView view;
    view.options = options;
    EXPECT_TRUE(FacesOccludeInView(&view));
    options->SetXRay(true);
    EXPECT_FALSE(FacesOccludeInView(&view));
    options->SetXRay(false);
    options->SetBackEdges(true);
    EXPECT_FALSE(FacesOccludeInView(&view));
    options->SetBackEdges(false);
    options->SetRenderingMode(IEdgeDisplayOptions::kWireframe);
    EXPECT_FALSE(FacesOccludeInView(&view));
    EXPECT_TRUE(FacesOccludeInView(nullptr));
}

}  // namespace
