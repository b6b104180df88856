#include "scenegraph/engine/Math.h"

#include <gtest/gtest.h>

#include <vector>

using namespace Gap::Math;

namespace {

igMatrix44f MathTestMatrix(const std::vector<float>& rows)
{
    igMatrix44f m;
    m.set(rows.data());
    return m;
}

void ExpectNearMatrix(const igMatrix44f& expected, const igMatrix44f& actual, float tolerance)
{
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(expected(r, c), actual(r, c), tolerance) << r << "," << c;
    }
}

void ExpectNearVec3(const igVec3f& expected, const igVec3f& actual, float tolerance = 1e-5f)
{
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(expected[i], actual[i], tolerance) << i;
}

struct InvertCase {
    const char* name;
    std::vector<float> rows;
};

const std::vector<InvertCase> kInvertibleMatrices = {
    // A rotation about z by 30 degrees, scale 2, then a far translation in inches.
    {"affine", {1.7320508f, 1.0f, 0, 0, -1.0f, 1.7320508f, 0, 0, 0, 0, 2, 0, 4000, -2500, 120, 1}},
    // Affine with a shear and the reciprocal of a uniform scale in element (3, 3).
    {"sheared", {1, 0.5f, 0, 0, 0, 1, 0, 0, 0.25f, 0, 1, 0, 3, 4, 5, 0.5f}},
    // A perspective frustum, near 0.1 and far 1000.
    {"projective", {1.5f, 0, 0, 0, 0, 2, 0, 0, 0.1f, -0.2f, -1.0002f, -1, 0, 0, -0.20002f, 0}},
};

}  // namespace

TEST(MathTest, InvertedMatrixTimesItselfIsTheIdentity)
{
    for (const auto& c : kInvertibleMatrices) {
        SCOPED_TRACE(c.name);
        const igMatrix44f m = MathTestMatrix(c.rows);
        igMatrix44f inverse;
        ASSERT_TRUE(inverse.invert(m));
        ExpectNearMatrix(igMatrix44f(), m * inverse, 1e-4f);
        ExpectNearMatrix(igMatrix44f(), inverse * m, 1e-4f);
    }
}

TEST(MathTest, SingularMatrixDoesNotInvertAndStaysAsItWas)
{
    // Row 2 is twice row 0: the matrix flattens space onto a plane.
    igMatrix44f m = MathTestMatrix({1, 2, 3, 0, 0, 1, 4, 0, 2, 4, 6, 0, 5, 6, 7, 1});
    const igMatrix44f before = m;
    EXPECT_FALSE(m.invert());
    EXPECT_EQ(before, m);

    igMatrix44f zero = MathTestMatrix(std::vector<float>(16, 0.0f));
    EXPECT_FALSE(zero.invert());
}

TEST(MathTest, AdjointTimesMatrixIsDeterminantTimesIdentity)
{
    for (const auto& c : kInvertibleMatrices) {
        SCOPED_TRACE(c.name);
        const igMatrix44f m = MathTestMatrix(c.rows);
        igMatrix44f adj;
        adj.adjoint(m);
        igMatrix44f expected;
        expected.makeScale({m.determinant(), m.determinant(), m.determinant()});
        expected(3, 3) = m.determinant();
        ExpectNearMatrix(expected, adj * m, 1e-3f * std::fabs(m.determinant()) + 1e-4f);
    }
    // The adjoint exists for a singular matrix too, and then annihilates it.
    const igMatrix44f singular = MathTestMatrix({1, 2, 3, 0, 0, 1, 4, 0, 2, 4, 6, 0, 5, 6, 7, 1});
    igMatrix44f adj;
    adj.adjoint(singular);
    EXPECT_FLOAT_EQ(0.0f, singular.determinant());
    ExpectNearMatrix(MathTestMatrix(std::vector<float>(16, 0.0f)), adj * singular, 1e-4f);
}

TEST(MathTest, TransposeSwapsRowsAndColumns)
{
    igMatrix44f m = MathTestMatrix({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15});
    m.transpose();
    EXPECT_EQ(4.0f, m(0, 1));
    EXPECT_EQ(1.0f, m(1, 0));
    EXPECT_EQ(11.0f, m(3, 2));
}

TEST(MathTest, MultiplyAppliesTheLeftMatrixFirst)
{
    igMatrix44f scale;
    scale.makeScale({2, 2, 2});
    igMatrix44f move;
    move.makeTranslation({10, 0, 0});
    const igVec3f p(1, 1, 1);
    ExpectNearVec3({12, 2, 2}, p.transformPoint(scale * move));
    ExpectNearVec3({22, 2, 2}, p.transformPoint(move * scale));

    igMatrix44f m = scale;
    m.postMultiply(move);
    EXPECT_EQ(scale * move, m);
    m = scale;
    m.preMultiply(move);
    EXPECT_EQ(move * scale, m);
}

TEST(MathTest, OrthographicProjectionMapsTheBoxCornersToTheUnitCube)
{
    igMatrix44f p;
    p.makeOrthographicProjection(-4, 2, -1, 3, 0.5f, 10);
    // The view looks down -z, so near lies at z = -0.5 and far at z = -10.
    ExpectNearVec3({-1, -1, -1}, igVec3f(-4, -1, -0.5f).transformPoint(p));
    ExpectNearVec3({1, 1, 1}, igVec3f(2, 3, -10).transformPoint(p));
    ExpectNearVec3({1, -1, -1}, igVec3f(2, -1, -0.5f).transformPoint(p));
    EXPECT_TRUE(igAlmostEqual(1.0f, p(3, 3)));

    // Window depth from the projection's depth terms at (2, 2) and (3, 2): 0 at near, 1 at far.
    const float a = p(2, 2), b = p(3, 2);
    EXPECT_NEAR(0.0f, (b + 1) / 2 - a * 0.5f / 2, 1e-6f);
    EXPECT_NEAR(1.0f, (b + 1) / 2 - a * 10.0f / 2, 1e-6f);
}

TEST(MathTest, TranslationMovesPointsButNotVectors)
{
    igMatrix44f m;
    m.makeTranslation({5, -3, 2});
    const igVec3f v(1, 2, 3);
    ExpectNearVec3({6, -1, 5}, v.transformPoint(m));
    ExpectNearVec3({1, 2, 3}, v.transformVector(m));
    ExpectNearVec3({6, -1, 5}, m.transformPoint(v));
    ExpectNearVec3({1, 2, 3}, m.transformVector(v));
    const igVec4f h = igVec4f(1, 2, 3, 0).transform(m);
    EXPECT_EQ(igVec4f(1, 2, 3, 0), h);
}

TEST(MathTest, PointTransformDividesByTheReciprocalScale)
{
    // Element (3, 3) = 1 / 4 stands for a uniform scale of 4.
    igMatrix44f m;
    m(3, 3) = 0.25f;
    ExpectNearVec3({4, 8, 12}, igVec3f(1, 2, 3).transformPoint(m));
    ExpectNearVec3({1, 2, 3}, igVec3f(1, 2, 3).transformVector(m));
}

TEST(MathTest, NormalStaysPerpendicularUnderNonUniformScale)
{
    igMatrix44f m;
    m.makeScale({1, 4, 1});
    // The plane x + y = 0 holds (1, -1, 0); scaled, it holds (1, -4, 0).
    const igVec3f n = m.transformNormal({1, 1, 0});
    EXPECT_NEAR(0.0f, n.dot(igVec3f(1, -4, 0)), 1e-5f);
    EXPECT_GT(n.dot(igVec3f(1, 1, 0)), 0.0f);
}

TEST(MathTest, AlmostEqualUsesAnAbsoluteTolerance)
{
    struct Case {
        float a, b, tolerance;
        bool equal;
    };
    const Case cases[] = {
        {0.0f, 1e-7f, 1e-6f, true}, {0.0f, 2e-6f, 1e-6f, false}, {1.0f, 1.0f, 0.0f, true},
        {1.0f, 1.05f, 0.1f, true},  {-1.0f, 1.0f, 1.0f, false},  {1000.0f, 1000.001f, 1e-6f, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.equal, igAlmostEqual(c.a, c.b, c.tolerance)) << c.a << " vs " << c.b;
        EXPECT_EQ(c.equal, igAlmostEqualf(c.b, c.a, c.tolerance)) << c.a << " vs " << c.b;
    }
    EXPECT_TRUE(igAlmostEqualf(5e-7f, 0.0f));
    EXPECT_FALSE(igAlmostEqualf(2e-6f, 0.0f));
}

TEST(MathTest, BoxGrowsFromEmptyByWhatItTakesIn)
{
    igAABox box;
    EXPECT_TRUE(box.isEmpty());
    EXPECT_EQ(0.0f, box.getDiagonalSquared());
    box.extend(igVec3f(1, 2, 3));
    EXPECT_FALSE(box.isEmpty());
    box.extend(igVec3f(-1, 4, 3));
    EXPECT_EQ(igVec3f(-1, 2, 3), box.getMin());
    EXPECT_EQ(igVec3f(1, 4, 3), box.getMax());
    EXPECT_EQ(igVec3f(0, 3, 3), box.getCenter());
    EXPECT_FLOAT_EQ(8.0f, box.getDiagonalSquared());
    EXPECT_TRUE(box.contains({0, 3, 3}));
    EXPECT_FALSE(box.contains({0, 5, 3}));

    igAABox other;
    other.extend(box);
    EXPECT_EQ(box.getMin(), other.getMin());
    other.extend(igAABox());
    EXPECT_EQ(box.getMax(), other.getMax());
    other.makeEmpty();
    EXPECT_TRUE(other.isEmpty());
}

TEST(MathTest, LerpRunsFromTheFirstColourToTheSecond)
{
    const igVec4f a(0, 0, 0, 1), b(1, 0.5f, 0.25f, 0);
    EXPECT_EQ(a, igVec4f::lerp(a, b, 0));
    EXPECT_EQ(b, igVec4f::lerp(a, b, 1));
    EXPECT_EQ(igVec4f(0.5f, 0.25f, 0.125f, 0.5f), igVec4f::lerp(a, b, 0.5f));
}
