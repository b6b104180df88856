#include "components/InstancePath.h"

#include <gtest/gtest.h>

#include "components/ComponentInstance.h"
#include "components/Group.h"
#include "database/UndoManager.h"
#include "geometry/Transform3d.h"
#include "tests/model/doubles/EntityDoubles.h"

using orbisk::geometry::CPoint3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CVector3d;

namespace {

class InstancePathTest : public ::testing::Test {
protected:
    CSuspendUndo m_unrecorded;
};

CTransform3d Translation(double x, double y, double z)
{
    CTransform3d transform;
    transform.SetTranslation(CVector3d(x, y, z));
    return transform;
}

TEST_F(InstancePathTest, EmptyPathAndPathStartingWithAFaceAreTheIdentity)
{
    CInstancePath path;
    EXPECT_TRUE(path.GetTransform().IsIdentity());
    EXPECT_EQ(path.GetFirst(), nullptr);
    EXPECT_EQ(path.GetLast(), nullptr);
    EXPECT_EQ(path.GetInstance(0), nullptr);

    TestDrawingElement face;
    CComponentInstance instance;
    instance.SetTransform(Translation(1, 2, 3));
    path.PushBack(&face);
    path.PushBack(&instance);
    EXPECT_TRUE(path.GetTransform().IsIdentity());
}

TEST_F(InstancePathTest, EntriesByIndexAreNullOutsideThePathAndForNonInstances)
{
    TestDrawingElement face;
    CGroup group;
    CInstancePath path;
    path.PushBack(&group);
    path.PushBack(&face);
    EXPECT_EQ(path.GetAt(-1), nullptr);
    EXPECT_EQ(path.GetAt(2), nullptr);
    EXPECT_EQ(path.GetAt(1), &face);
    EXPECT_EQ(path.GetInstance(0), &group);
    EXPECT_EQ(path.GetInstance(1), nullptr);
    EXPECT_TRUE(path.Contains(&face));
    EXPECT_FALSE(path.Contains(nullptr));
    path.PopBack();
    path.PopBack();
    path.PopBack();
    EXPECT_TRUE(path.IsEmpty());
}

// The innermost instance's transformation applies first: a point of the inner definition goes
// through the inner placement, then the outer one.
TEST_F(InstancePathTest, TransformComposesTheInstancesInnermostFirst)
{
    CComponentInstance outer;
    CComponentInstance inner;
    outer.SetTransform(CTransform3d(2.0, 2.0, 2.0));
    inner.SetTransform(Translation(1, 0, 0));
    TestDrawingElement edge;
    CInstancePath path;
    path.PushBack(&outer);
    path.PushBack(&inner);
    path.PushBack(&edge);
    const CPoint3d mapped = path.GetTransform().MultiplyPoint(CPoint3d(0, 0, 0));
    EXPECT_NEAR(mapped.x, 2.0, 1e-12);
    EXPECT_NEAR(mapped.y, 0.0, 1e-12);

    CInstancePath copy = path;
    EXPECT_TRUE(copy == path);
    copy.Set(&edge);
    EXPECT_EQ(copy.GetSize(), 1);
    EXPECT_FALSE(copy == path);
    copy.Append(path);
    EXPECT_EQ(copy.GetSize(), 4);
}

}  // namespace
