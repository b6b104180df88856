#include "GeomTestSupport.h"

#include "geometry/Ray3d.h"
#include "geometry/Transform3d.h"

#include <cmath>

namespace geomtest {
namespace {

CTransform3d Translation(double x, double y, double z)
{
    CTransform3d t;
    t.SetTranslation(CVector3d(x, y, z));
    return t;
}

CTransform3d UniformScale(double s)
{
    CTransform3d t;
    t.SetUniformScale(s);
    return t;
}

CTransform3d RotationAboutZ(double angle)
{
    return CTransform3d(CPoint3d(), CUnitVector3d::ZAxis(), angle);
}

TEST(Transform3d, RotationAboutAnOffsetAxis)
{
    CTransform3d rotation;
    rotation.SetRotation(CPoint3d(1, 0, 0), CUnitVector3d::ZAxis(), kPi / 2);
    EXPECT_TRUE(Near3(rotation.MultiplyPoint(CPoint3d(2, 0, 0)), CPoint3d(1, 1, 0)));
    EXPECT_TRUE(Near3(rotation.MultiplyPoint(CPoint3d(0, 0, 5)), CPoint3d(1, -1, 5)));
    EXPECT_TRUE(Near3(rotation.MultiplyVector(CVector3d(1, 0, 0)), CVector3d(0, 1, 0)));
    EXPECT_TRUE(rotation.orthonormal);
    EXPECT_FALSE(rotation.identity);
}

TEST(Transform3d, UniformScaleTravelsThroughElementFifteen)
{
    const CTransform3d scale = UniformScale(2);
    EXPECT_TRUE(Near3(scale.MultiplyPoint(CPoint3d(1, 2, 3)), CPoint3d(2, 4, 6)));
    double matrix[16];
    scale.GetMatrix(matrix);
    EXPECT_EQ(matrix[15], 0.5);
    const CTransform3d back(matrix);
    EXPECT_EQ(back.scale, 2.0);
    EXPECT_FALSE(back.identity);
    EXPECT_FALSE(back.orthonormal);
}

TEST(Transform3d, MatrixArraysAreColumnMajor)
{
    CTransform3d transform = RotationAboutZ(kPi / 2);
    transform.t = CVector3d(7, 8, 9);
    double matrix[16];
    transform.GetMatrix(matrix);
    // Column 0 is the image of X, column 1 that of Y; the translation is column 3.
    const double expected[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 7, 8, 9, 1};
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(matrix[i], expected[i], 1e-15) << "element " << i;

    float floats[16];
    transform.GetMatrix(floats);
    CTransform3d fromFloats;
    fromFloats.SetMatrix(floats);
    EXPECT_TRUE(fromFloats.IsEqual(transform));

    // Elements 3, 7 and 11 are ignored.
    double withGarbage[16];
    std::copy(std::begin(matrix), std::end(matrix), withGarbage);
    withGarbage[3] = withGarbage[7] = withGarbage[11] = 99;
    EXPECT_TRUE(CTransform3d(withGarbage).IsEqual(transform));
}

TEST(Transform3d, CompositionAppliesTheRightOperandFirst)
{
    const CTransform3d moveThenTurn = Translation(1, 0, 0) * RotationAboutZ(kPi / 2);
    EXPECT_TRUE(Near3(moveThenTurn.MultiplyPoint(CPoint3d(1, 0, 0)), CPoint3d(1, 1, 0)));
    const CTransform3d turnThenMove = RotationAboutZ(kPi / 2) * Translation(1, 0, 0);
    EXPECT_TRUE(Near3(turnThenMove.MultiplyPoint(CPoint3d(1, 0, 0)), CPoint3d(0, 2, 0)));
    const CTransform3d scaled = UniformScale(2) * Translation(1, 0, 0);
    EXPECT_TRUE(Near3(scaled.MultiplyPoint(CPoint3d(1, 0, 0)), CPoint3d(4, 0, 0)));
    const CTransform3d afterScale = Translation(1, 0, 0) * UniformScale(2);
    EXPECT_TRUE(Near3(afterScale.MultiplyPoint(CPoint3d(1, 0, 0)), CPoint3d(3, 0, 0)));
}

TEST(Transform3d, InversionWithScaleAndTranslation)
{
    CTransform3d scaled = UniformScale(2);
    scaled.t = CVector3d(1, 0, 0);
    const CTransform3d inverse = scaled.Inverse();
    EXPECT_DOUBLE_EQ(inverse.scale, 0.5);
    EXPECT_TRUE(Near3(inverse.t, CVector3d(-2, 0, 0)));
    EXPECT_TRUE((inverse * scaled).IsIdentity());
    EXPECT_TRUE((scaled * inverse).IsIdentity());
}

TEST(Transform3d, InverseUndoesEveryKindOfTransformation)
{
    CTransform3d sheared;
    const double shear[16] = {1, 0, 0, 0, 0.5, 1, 0, 0, 0, 0.25, 2, 0, 3, -1, 2, 0.5};
    sheared.SetMatrix(shear);
    CTransform3d turnedAndMoved = RotationAboutZ(0.3);
    turnedAndMoved.t = CVector3d(4, 5, 6);
    struct Case {
        const char* what;
        CTransform3d transform;
    } cases[] = {
        {"rotation and translation (transpose)", turnedAndMoved},
        {"non-uniform scale", CTransform3d(2, 4, 0.5)},
        {"shear with translation and scale", sheared},
        {"mirror", CTransform3d(-1, 1, 1)},
    };
    const CPoint3d probes[] = {{0, 0, 0}, {1, 2, 3}, {-7, 0.5, 11}};
    for (const Case& c : cases) {
        const CTransform3d inverse = c.transform.Inverse();
        for (const CPoint3d& p : probes)
            EXPECT_TRUE(Near3(inverse.MultiplyPoint(c.transform.MultiplyPoint(p)), p)) << c.what;
    }
}

TEST(Transform3d, InvertLeavesASingularTransformationUnchanged)
{
    const CTransform3d flat(1, 1, 0);
    CTransform3d inverted = flat;
    inverted.Invert();
    EXPECT_TRUE(inverted.IsEqual(flat));
    CTransform3d zeroScale = UniformScale(0);
    zeroScale.Invert();
    EXPECT_EQ(zeroScale.scale, 0.0);
}

TEST(Transform3d, SetSnapsToTheExactIdentity)
{
    const double nearIdentity[9] = {1.0005, 0, 0, 0, 1.0005, 0, 0, 0, 1.0005};
    CTransform3d transform = UniformScale(3);
    transform.Set(nearIdentity, CVector3d(0.0005, 0, 0), 1.0002);
    EXPECT_TRUE(transform.identity);
    EXPECT_TRUE(transform.orthonormal);
    EXPECT_EQ(transform.m[0], 1.0);
    EXPECT_EQ(transform.t.x, 0.0);
    EXPECT_EQ(transform.scale, 1.0);
}

TEST(Transform3d, SetDetectsAndRepairsOrthonormality)
{
    // A rotation about Z by 90 degrees with noise below the tolerance.
    const double noisy[9] = {0.0004, -1.0003, 0, 1, 0.0002, 0, 0, 0, 1};
    CTransform3d transform;
    transform.Set(noisy, CVector3d(5, 0, 0), 1);
    EXPECT_FALSE(transform.identity);
    ASSERT_TRUE(transform.orthonormal);
    EXPECT_NEAR(transform.GetXScale(), 1.0, 1e-12);
    EXPECT_NEAR(transform.GetYScale(), 1.0, 1e-12);
    EXPECT_NEAR(
        transform.MultiplyVector(CVector3d(1, 0, 0)).Dot(transform.MultiplyVector(CVector3d(0, 1, 0))), 0,
        1e-12);
    EXPECT_TRUE(Near3(transform.GetZAxis(), CUnitVector3d::ZAxis(), 0.0));

    const double doubled[9] = {2, 0, 0, 0, 2, 0, 0, 0, 2};
    transform.Set(doubled, CVector3d(), 1);
    EXPECT_FALSE(transform.identity);
    EXPECT_FALSE(transform.orthonormal);
}

TEST(Transform3d, OrthonormalizeKeepsZAndTheHandedness)
{
    CTransform3d mirrored(CVector3d(1, 0.01, 0), CVector3d(0, 1, 0), CVector3d(0, 0, -1), CPoint3d());
    ASSERT_TRUE(mirrored.IsMirrored());
    mirrored.Orthonormalize();
    EXPECT_TRUE(mirrored.IsMirrored());
    EXPECT_TRUE(Near3(mirrored.GetZAxis(), -CUnitVector3d::ZAxis()));
    EXPECT_TRUE(mirrored.IsOrthonormal());
    EXPECT_FALSE(RotationAboutZ(1).IsMirrored());
}

TEST(Transform3d, TransformedBoxEnclosesTheTransformedCorners)
{
    CBoundingBox3d box = UnitBox();
    RotationAboutZ(kPi / 4).TransformBox(box);
    EXPECT_NEAR(box.x.min, -std::sqrt(0.5), 1e-12);
    EXPECT_NEAR(box.x.max, std::sqrt(0.5), 1e-12);
    EXPECT_NEAR(box.y.max, std::sqrt(2.0), 1e-12);

    const CBoundingBox3d flipped = UniformScale(-2).MultiplyBox(UnitBox());
    EXPECT_EQ(flipped.x.min, -2);
    EXPECT_EQ(flipped.x.max, 0);

    const CBoundingBox3d empty = RotationAboutZ(1).MultiplyBox(CBoundingBox3d());
    EXPECT_TRUE(empty.IsEmpty());
}

TEST(Transform3d, PlanesMoveWithTheTransformation)
{
    struct Case {
        const char* what;
        CTransform3d transform;
        CPlane3d plane, expected;
    } cases[] = {
        {"translation", Translation(0, 0, 5), CPlane3d(0, 0, 1, 0), CPlane3d(0, 0, 1, -5)},
        {"uniform scale", UniformScale(2), CPlane3d(0, 0, 1, -1), CPlane3d(0, 0, 1, -2)},
        {"rotation", RotationAboutZ(kPi / 2), CPlane3d(1, 0, 0, -1), CPlane3d(0, 1, 0, -1)},
        {"non-uniform scale", CTransform3d(1, 1, 4), CPlane3d(0, 1, 1, -1), CPlane3d(0, 4, 1, -4)},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(NearPlane(c.transform.MultiplyPlane(c.plane), c.expected)) << c.what;
        // The transformed plane holds the transformed points.
        const CPoint3d onPlane = c.plane.ProjectPoint(CPoint3d(0.3, 0.7, 0.2));
        EXPECT_NEAR(c.transform.MultiplyPlane(c.plane).SignedDistance(c.transform.MultiplyPoint(onPlane)), 0,
                    1e-12)
            << c.what;
    }
}

TEST(Transform3d, RaysReportTheirStretch)
{
    CRay3d ray(CPoint3d(1, 0, 0), CUnitVector3d::XAxis());
    EXPECT_DOUBLE_EQ(UniformScale(3).TransformRay(ray), 3.0);
    EXPECT_TRUE(Near3(ray.origin, CPoint3d(3, 0, 0)));
    EXPECT_TRUE(Near3(ray.direction, CUnitVector3d::XAxis()));
    EXPECT_EQ(CTransform3d().TransformRay(ray), 1.0);

    const CRay3d turned = RotationAboutZ(kPi / 2).MultiplyRay(ray);
    EXPECT_TRUE(Near3(turned.direction, CUnitVector3d::YAxis()));
}

TEST(Transform3d, QueriesOfAxesOriginAndScale)
{
    CTransform3d transform(CVector3d(2, 0, 0), CVector3d(0, 3, 0), CVector3d(0, 0, 4), CPoint3d(1, 1, 1));
    transform.scale = 2;
    EXPECT_TRUE(Near3(transform.GetScales(), CVector3d(4, 6, 8)));
    EXPECT_TRUE(Near3(transform.GetOrigin(), CPoint3d(2, 2, 2)));
    EXPECT_TRUE(Near3(transform.GetYAxis(), CUnitVector3d::YAxis()));
    EXPECT_TRUE(Near3(CTransform3d().GetOrigin(), CPoint3d(), 0.0));

    const CTransform3d onPlane(CPoint3d(1, 2, 3), -CUnitVector3d::ZAxis());
    EXPECT_TRUE(Near3(onPlane.GetXAxis(), -CUnitVector3d::XAxis()));
    EXPECT_TRUE(Near3(onPlane.GetZAxis(), -CUnitVector3d::ZAxis()));
    EXPECT_TRUE(Near3(onPlane.GetOrigin(), CPoint3d(1, 2, 3)));
}

TEST(Transform3d, UnitVectorsStayUnit)
{
    CUnitVector3d u = CUnitVector3d::XAxis();
    CTransform3d(3, 1, 1).TransformUnitVector(u);
    EXPECT_TRUE(Near3(u, CUnitVector3d::XAxis()));
}

}  // namespace
}  // namespace geomtest
