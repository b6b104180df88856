#include "GeomTestSupport.h"

#include "geometry/Matrix4d.h"
#include "geometry/Transform2d.h"

namespace geomtest {
namespace {

CTransform2d FromColumnMajor(std::initializer_list<double> values)
{
    CTransform2d t;
    std::copy(values.begin(), values.end(), t.m);
    return t;
}

CTransform2d Translation2d(double u, double v)
{
    return FromColumnMajor({1, 0, 0, 0, 1, 0, u, v, 1});
}

TEST(Transform2d, AffineWhenTheBottomRowIsZeroZeroNonZero)
{
    CTransform2d t = FromColumnMajor({2, 0, 0, 0, 4, 0, 6, 8, 2});
    EXPECT_TRUE(t.IsAffine());
    EXPECT_FALSE(t.IsProjective());
    EXPECT_TRUE(t.Normalize());
    EXPECT_TRUE(t.IsEqual(FromColumnMajor({1, 0, 0, 0, 2, 0, 3, 4, 1}), 0.0));

    CTransform2d degenerate = FromColumnMajor({1, 0, 0, 0, 1, 0, 0, 0, 5e-7});
    EXPECT_FALSE(degenerate.IsAffine());
    EXPECT_FALSE(degenerate.Normalize());
    EXPECT_EQ(degenerate.m[8], 5e-7);
    EXPECT_TRUE(FromColumnMajor({1, 0, 0.1, 0, 1, 0, 0, 0, 1}).IsProjective());
}

TEST(Transform2d, IdentityUsesTheSquaredTolerance)
{
    EXPECT_TRUE(CTransform2d().IsIdentity());
    EXPECT_TRUE(FromColumnMajor({1.000001, 0, 0, 0, 1, 0, 0, 0, 1}).IsIdentity());
    EXPECT_FALSE(FromColumnMajor({1, 0, 0, 0, 1, 0, 0.00001, 0, 1}).IsIdentity());
}

TEST(Transform2d, FromAnOpenGLTextureMatrix)
{
    double matrix[16] = {2, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    CTransform2d t;
    t.SetFromMatrix4(matrix);
    EXPECT_TRUE(t.IsEqual(CTransform2d(2, 1), 0.0));

    // Rows and columns x, y and w; z is skipped.
    const double full[16] = {1, 2, 30, 3, 4, 5, 60, 6, 70, 80, 90, 100, 7, 8, 110, 2};
    t.SetFromMatrix4(full);
    EXPECT_TRUE(t.IsEqual(FromColumnMajor({1, 2, 3, 4, 5, 6, 7, 8, 2}), 0.0));

    double back[16];
    FromColumnMajor({1, 2, 3, 4, 5, 6, 7, 8, 9}).GetMatrix4(back);
    const double expected[16] = {1, 2, 0, 3, 4, 5, 0, 6, 0, 0, 1, 0, 7, 8, 0, 9};
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(back[i], expected[i]) << "element " << i;
}

TEST(Transform2d, ProductAppliesThisFirst)
{
    CPoint3d p(1, 0, 1);
    (Translation2d(1, 0) * CTransform2d(2, 2)).TransformPoint(p);
    EXPECT_TRUE(Near3(p, CPoint3d(4, 0, 1)));
    p = CPoint3d(1, 0, 1);
    (CTransform2d(2, 2) * Translation2d(1, 0)).TransformPoint(p);
    EXPECT_TRUE(Near3(p, CPoint3d(3, 0, 1)));
}

TEST(Transform2d, Inverse)
{
    struct Case {
        const char* what;
        CTransform2d t, inverse;
    } cases[] = {
        {"diagonal", FromColumnMajor({2, 0, 0, 0, 4, 0, 0, 0, 1}),
         FromColumnMajor({0.5, 0, 0, 0, 0.25, 0, 0, 0, 1})},
        {"projective, not normalised", FromColumnMajor({1, 0, 0.1, 0, 1, 0, 0, 0, 1}),
         FromColumnMajor({1, 0, -0.1, 0, 1, 0, 0, 0, 1})},
        {"affine, normalised", FromColumnMajor({4, 0, 0, 0, 4, 0, 4, 0, 2}),
         FromColumnMajor({0.5, 0, 0, 0, 0.5, 0, -1, 0, 1})},
        // The undivided adjugate: the same projective map, up to a factor.
        {"singular", FromColumnMajor({1, 0, 0, 0, 0, 0, 0, 0, 1}),
         FromColumnMajor({0, 0, 0, 0, 1, 0, 0, 0, 0})},
    };
    for (const Case& c : cases)
        EXPECT_TRUE(c.t.Inverse().IsEqual(c.inverse, 1e-12)) << c.what;
}

TEST(Matrix4d, InverseByGaussJordan)
{
    CMatrix4d permutation;
    const double swapXY[16] = {0, 1, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 1};
    std::copy(std::begin(swapXY), std::end(swapXY), permutation.m);
    CMatrix4d inverse;
    ASSERT_TRUE(permutation.GetInverse(inverse));
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(inverse.m[4 * c + r], permutation.m[4 * r + c]);
    }

    CMatrix4d general;
    const double values[16] = {2, 0, 1, 0, 1, 3, 0, 0, 0, 1, 4, 0, 5, 6, 7, 1};
    std::copy(std::begin(values), std::end(values), general.m);
    ASSERT_TRUE(general.GetInverse(inverse));
    const CMatrix4d product = general * inverse;
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(product.m[i], CMatrix4d().m[i], 1e-12) << "element " << i;
}

TEST(Matrix4d, SingularMatrixGivesFalseAndTheIdentity)
{
    CMatrix4d zeroColumn;
    zeroColumn.m[4] = zeroColumn.m[5] = zeroColumn.m[6] = zeroColumn.m[7] = 0;
    CMatrix4d out;
    out.m[3] = 42;
    EXPECT_FALSE(zeroColumn.GetInverse(out));
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(out.m[i], CMatrix4d().m[i]);
}

TEST(Matrix4d, ProductAppliesTheRightOperandFirstAndMatchesTransform)
{
    CMatrix4d scale, translate;
    scale.m[0] = 2;
    translate.m[12] = 1;
    double v[4] = {1, 0, 0, 1};
    (scale * translate).Transform(v);
    EXPECT_EQ(v[0], 4);
    EXPECT_EQ(v[3], 1);

    double w[4] = {1, 2, 5, 1};
    CMatrix4d(CTransform2d(2, 3)).Transform(w);
    EXPECT_EQ(w[0], 2);
    EXPECT_EQ(w[1], 6);
    EXPECT_EQ(w[2], 5);
}

}  // namespace
}  // namespace geomtest
