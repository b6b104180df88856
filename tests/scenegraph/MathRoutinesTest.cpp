#include "scenegraph/ext/MathRoutines.h"

#include <gtest/gtest.h>

using namespace Gap::Math;
using namespace Gap::zephyron;

namespace {

void ExpectNearRoutineVec(const igVec3f& expected, const igVec3f& actual)
{
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(expected[i], actual[i], 1e-5f) << i;
}

// A model-view matrix: the model turned a quarter about z (x goes to y), scaled by 2 and moved to
// (1, 2, -10) in eye space.
igMatrix44f QuarterTurnModelView()
{
    const float rows[16] = {0, 2, 0, 0, -2, 0, 0, 0, 0, 0, 2, 0, 1, 2, -10, 1};
    igMatrix44f m;
    m.set(rows);
    return m;
}

}  // namespace

TEST(MathRoutinesTest, ModelAxesInEyeSpaceAreUnitDirections)
{
    const igMatrix44f m = QuarterTurnModelView();
    ExpectNearRoutineVec({0, 1, 0}, ModelSpaceAxisInEyeSpace(m, 0));
    ExpectNearRoutineVec({-1, 0, 0}, ModelSpaceAxisInEyeSpace(m, 1));
    ExpectNearRoutineVec({0, 0, 1}, ModelSpaceAxisInEyeSpace(m, 2));
}

TEST(MathRoutinesTest, ModelOriginInEyeSpaceIsWhereTheTranslationPutsIt)
{
    ExpectNearRoutineVec({1, 2, -10}, ModelSpaceOriginInEyeSpace(QuarterTurnModelView()));
    ExpectNearRoutineVec({0, 0, 0}, ModelSpaceOriginInEyeSpace(igMatrix44f()));
}

TEST(MathRoutinesTest, ProjectionOnAPlaneDropsTheNormalPart)
{
    struct Case {
        igVec3f vector, normal, expected;
    };
    const Case cases[] = {
        {{1, 2, 3}, {0, 0, 1}, {1, 2, 0}},
        {{1, 2, 3}, {0, 0, 5}, {1, 2, 0}},  // the normal's length does not matter
        {{1, 1, 0}, {1, 1, 0}, {0, 0, 0}},  // along the normal: nothing is left
        {{0, 0, 1}, {0, 1, 1}, {0, -0.5f, 0.5f}},
        {{1, 2, 3}, {0, 0, 0}, {1, 2, 3}},  // no plane: unchanged
    };
    for (const auto& c : cases)
        ExpectNearRoutineVec(c.expected, ProjectVectorOnPlane(c.vector, c.normal));
}

TEST(MathRoutinesTest, RotationByAxesTurnsOneAxisOntoTheOtherAboutTheCentre)
{
    const igVec3f centre(1, 1, 0);
    const igMatrix44f r = MakeRotationMatrixByAxes({2, 0, 0}, {0, 3, 0}, centre);
    // A quarter turn about z through (1, 1, 0).
    ExpectNearRoutineVec({0, 1, 0}, igVec3f(1, 0, 0).transformVector(r));
    ExpectNearRoutineVec({0, 0, 1}, igVec3f(0, 0, 1).transformVector(r));
    ExpectNearRoutineVec(centre, centre.transformPoint(r));
    ExpectNearRoutineVec({1, 2, 0}, igVec3f(2, 1, 0).transformPoint(r));
    EXPECT_NEAR(1.0f, r.determinant(), 1e-5f);
}

TEST(MathRoutinesTest, RotationByAxesOfEqualOrOppositeDirections)
{
    EXPECT_TRUE(MakeRotationMatrixByAxes({0, 1, 0}, {0, 5, 0}, {3, 3, 3}).isIdentity(1e-6f));
    EXPECT_TRUE(MakeRotationMatrixByAxes({0, 0, 0}, {0, 1, 0}, {3, 3, 3}).isIdentity(1e-6f));

    const igMatrix44f half = MakeRotationMatrixByAxes({0, 1, 0}, {0, -1, 0}, {0, 0, 0});
    ExpectNearRoutineVec({0, -1, 0}, igVec3f(0, 1, 0).transformVector(half));
    EXPECT_NEAR(1.0f, half.determinant(), 1e-5f);
}

TEST(MathRoutinesTest, FaceCameraRotationKeepsTheModelUprightAndTurnsItsFrontToTheEye)
{
    // The model's z axis points up the screen (eye y), its y axis to the eye's right.
    const float rows[16] = {0, 0, 1, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -10, 1};
    igMatrix44f m;
    m.set(rows);
    const igVec3f z = ModelSpaceAxisInEyeSpace(m, 2);
    const igVec3f away = -ProjectVectorOnPlane({0, 0, 1}, z).normalized();
    const igMatrix44f facing =
        m * MakeRotationMatrixByAxes(ModelSpaceAxisInEyeSpace(m, 1), away, ModelSpaceOriginInEyeSpace(m));
    ExpectNearRoutineVec({0, 0, -1}, ModelSpaceAxisInEyeSpace(facing, 1));
    ExpectNearRoutineVec(z, ModelSpaceAxisInEyeSpace(facing, 2));
    ExpectNearRoutineVec({0, 0, -10}, ModelSpaceOriginInEyeSpace(facing));
}

TEST(MathRoutinesTest, ViewDirectionIsTheEyesMinusZInWorldSpace)
{
    EXPECT_EQ(igVec3f(0, 0, -1), ViewDirectionInWorldSpace(igMatrix44f()));

    // A camera at (0, -10, 0) looking along world +y, world z up: eye x = world x, eye y = world
    // z, eye z = world -y. Row i of the view matrix is the eye-space image of world axis i.
    const float rows[16] = {1, 0, 0, 0, 0, 0, -1, 0, 0, 1, 0, 0, 0, 0, -10, 1};
    igMatrix44f view;
    view.set(rows);
    ExpectNearRoutineVec({0, 1, 0}, ViewDirectionInWorldSpace(view));

    igMatrix44f flat;
    flat.makeScale({1, 1, 0});
    EXPECT_EQ(igVec3f(), ViewDirectionInWorldSpace(flat));
}
