#include "view/DrawingBase.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include "geometry/GeomFilterVolume.h"
#include "tests/support/OffscreenGLTest.h"
#include "topology/SectionPlane.h"

using orbisk::geometry::CGeomFilterCrossingVolume;
using orbisk::geometry::CPlane3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CVector3d;
using orbisk::geometry::VolumePlanes;

namespace {

CTransform3d Translation(double x, double y, double z)
{
    CTransform3d t;
    t.SetTranslation(CVector3d(x, y, z));
    return t;
}

// The unit cube [0, 1]^3 as a crossing volume.
CGeomFilterCrossingVolume* UnitCubeFilter(double size = 1.0)
{
    VolumePlanes planes = {CPlane3d(-1, 0, 0, 0),    CPlane3d(1, 0, 0, -size), CPlane3d(0, -1, 0, 0),
                           CPlane3d(0, 1, 0, -size), CPlane3d(0, 0, -1, 0),    CPlane3d(0, 0, 1, -size)};
    return new CGeomFilterCrossingVolume(planes);
}

}  // namespace

TEST(DrawingBase, EmptyStacksAnswerTheirRestValues)
{
    CDrawingBase sink;
    EXPECT_FALSE(sink.HasElements());
    EXPECT_EQ(sink.GetEyePoint(), CPoint3d(0, 0, 0));
    EXPECT_EQ(sink.GetViewDirection(), CVector3d(0, 0, 1));
    EXPECT_EQ(sink.GetGeometryFilter(), nullptr);
    sink.PopTransform(false);
    sink.PopGeometryFilter();
    EXPECT_EQ(sink.PopSectionPlane(true), 0);
}

TEST(DrawingBase, EyeFollowsEnteredInstancesFromTheModelEye)
{
    CDrawingBase sink;
    sink.SetEyeAndDirection(CPoint3d(10, 20, 30), CVector3d(0, 0, -1));
    sink.PushTransform(Translation(1, 2, 3), false);
    EXPECT_EQ(sink.GetEyePoint(), CPoint3d(9, 18, 27));
    EXPECT_EQ(sink.GetViewDirection(), CVector3d(0, 0, -1));
    sink.PushTransform(Translation(1, 0, 0), false);
    // Both placements apply, whichever level the eye is asked at.
    EXPECT_EQ(sink.GetEyePoint(), CPoint3d(8, 18, 27));
    EXPECT_EQ(sink.GetTransform().MultiplyPoint(CPoint3d(0, 0, 0)), CPoint3d(2, 2, 3));
    EXPECT_EQ(sink.GetInverseTransform().MultiplyPoint(CPoint3d(2, 2, 3)), CPoint3d(0, 0, 0));
    sink.PopTransform(false);
    sink.PopTransform(false);
    EXPECT_EQ(sink.GetEyePoint(), CPoint3d(10, 20, 30));
    EXPECT_FALSE(sink.HasElements());
}

TEST(DrawingBase, SecondFilterIsCombinedAndPoppingRestoresTheFirst)
{
    CDrawingBase sink;
    auto* first = UnitCubeFilter();
    sink.PushGeometryFilter(first);
    EXPECT_EQ(sink.GetGeometryFilter(), first);
    sink.PushGeometryFilter(UnitCubeFilter(0.5));
    // Only what both accept passes.
    EXPECT_TRUE(sink.GetGeometryFilter()->TestPoint(CPoint3d(0.25, 0.25, 0.25)));
    EXPECT_FALSE(sink.GetGeometryFilter()->TestPoint(CPoint3d(0.75, 0.75, 0.75)));
    EXPECT_TRUE(first->TestPoint(CPoint3d(0.75, 0.75, 0.75)));
    sink.PopGeometryFilter();
    EXPECT_EQ(sink.GetGeometryFilter(), first);
    // Null over an active filter means no filtering until popped.
    sink.PushGeometryFilter(nullptr);
    EXPECT_EQ(sink.GetGeometryFilter(), nullptr);
}

TEST(DrawingBase, FiltersAreCarriedIntoEnteredInstances)
{
    CDrawingBase sink;
    sink.PushTransform(Translation(5, 0, 0), false);
    sink.PopTransform(false);
    EXPECT_EQ(sink.GetGeometryFilter(), nullptr) << "no filter, nothing pushed or popped";

    sink.PushGeometryFilter(UnitCubeFilter());
    sink.PushTransform(Translation(5, 0, 0), false);
    // The model's cube seen from inside an instance placed at x = 5.
    EXPECT_TRUE(sink.GetGeometryFilter()->TestPoint(CPoint3d(-4.5, 0.5, 0.5)));
    EXPECT_FALSE(sink.GetGeometryFilter()->TestPoint(CPoint3d(0.5, 0.5, 0.5)));
    sink.PopTransform(false);
    EXPECT_TRUE(sink.GetGeometryFilter()->TestPoint(CPoint3d(0.5, 0.5, 0.5)));
}

class DrawingBaseGLTest : public OffscreenGLTest {};

TEST_F(DrawingBaseGLTest, GLReceivesEachPlacementOnceAndPopsIt)
{
    CDrawingBase sink;
    sink.PushTransform(Translation(10, 0, 0), true);
    sink.PushTransform(Translation(0, 5, 0), true);
    double matrix[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, matrix);
    EXPECT_DOUBLE_EQ(matrix[12], 10.0);
    EXPECT_DOUBLE_EQ(matrix[13], 5.0);
    sink.PopTransform(true);
    sink.PopTransform(true);
}

TEST_F(DrawingBaseGLTest, SectionPlanesTakeGLClipPlanesAndGiveThemBack)
{
    CDrawingBase sink;
    CSectionPlane section;
    sink.PushSectionPlane(&section, true);
    EXPECT_TRUE(glIsEnabled(GL_CLIP_PLANE0));
    sink.DisablePlanes(1);
    EXPECT_FALSE(glIsEnabled(GL_CLIP_PLANE0));
    sink.EnablePlanes(1);
    EXPECT_TRUE(glIsEnabled(GL_CLIP_PLANE0));
    EXPECT_EQ(sink.PopSectionPlane(true), 0);
    EXPECT_FALSE(glIsEnabled(GL_CLIP_PLANE0));
}
