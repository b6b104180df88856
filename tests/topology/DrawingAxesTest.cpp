// Drawing axes: their record (with its fallbacks to the default frame), the frame operations,
// the transformations they accept, the check with its repairs, and picking the three axis lines.

#include <cmath>
#include <limits>
#include <memory>

#include "database/UndoManager.h"
#include "geometry/Transform3d.h"
#include "tests/topology/ContentsTestSupport.h"
#include "topology/ComponentCS.h"
#include "topology/ZphCS.h"

using orbisk::geometry::CRay3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CUnitVector3d;
using orbisk::utils::CColor;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

void ExpectFrame(const CZphCS& axes, const CPoint3d& origin, const CVector3d& x, const CVector3d& y,
                 const CVector3d& z, const std::string& why)
{
    EXPECT_TRUE(axes.GetOrigin().IsEqual(origin, 1e-9)) << why;
    EXPECT_TRUE(CVector3d(axes.GetXAxis()).IsEqual(x, 1e-9)) << why;
    EXPECT_TRUE(CVector3d(axes.GetYAxis()).IsEqual(y, 1e-9)) << why;
    EXPECT_TRUE(CVector3d(axes.GetZAxis()).IsEqual(z, 1e-9)) << why;
}

void ExpectDefaultFrame(const CZphCS& axes, const std::string& why)
{
    ExpectFrame(axes, {}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, why);
}

class DrawingAxesTest : public ContentsTest {
protected:
    ContentsRecords records;
};

TEST_F(DrawingAxesTest, ARecordReadsTheOriginAndNormalisedAxes)
{
    const AxesFields fields{{1, 2, 3}, {0, 2, 0}, {-3, 0, 0}, {0, 0, 0.5}};
    CZphCS* axes = Read<CZphCS>(records, records.Axes({}, fields));
    ASSERT_NE(axes, nullptr);
    ExpectFrame(*axes, {1, 2, 3}, {0, 1, 0}, {-1, 0, 0}, {0, 0, 1}, "as stored, axes normalised");
    EXPECT_EQ(axes->GetEntityType(), 33);
}

TEST_F(DrawingAxesTest, AxesCopyThroughTheArchive)
{
    auto* axes = new CZphCS;
    axes->SetFrame({1, 2, 3}, CUnitVector3d::YAxis(), CUnitVector3d::ZAxis(), CUnitVector3d::XAxis());
    CZphCS* copy = CopyThroughArchive(axes);
    ASSERT_NE(copy, nullptr);
    ExpectFrame(*copy, {1, 2, 3}, {0, 1, 0}, {0, 0, 1}, {1, 0, 0}, "copied");
}

TEST_F(DrawingAxesTest, AZeroAxisOrABrokenElementPartLeavesTheDefaultFrame)
{
    const AxesFields zeroY{{5, 5, 5}, {1, 0, 0}, {0, 0, 0}, {0, 0, 1}};
    CZphCS* axes = Read<CZphCS>(records, records.Axes({}, zeroY));
    ASSERT_NE(axes, nullptr);
    ExpectDefaultFrame(*axes, "a zero y axis resets all four values");

    const AxesFields moved{{5, 5, 5}, {0, 1, 0}, {-1, 0, 0}, {0, 0, 1}};
    CZphCS* broken = Read<CZphCS>(records, records.AxesWithBrokenElementPart(moved));
    ASSERT_NE(broken, nullptr) << "the failure of the drawing element part does not fail the record";
    ExpectDefaultFrame(*broken, "a failed drawing element part");
}

TEST_F(DrawingAxesTest, AxesReadWithAMaterialAndALayerKeepNeither)
{
    ContentsRecords records({.entity = 0});
    ElementFields element;
    element.material = CColor(255, 0, 0);
    element.layer = "Walls";
    std::unique_ptr<CZphCS> axes;
    {
        // The layer owns a material of its own: both wait in the model's pool, unrecorded.
        CSuspendUndo unrecorded;
        axes.reset(Read<CZphCS>(records, records.Axes(element, {})));
    }
    ASSERT_NE(axes, nullptr);
    EXPECT_EQ(axes->GetMaterial(), nullptr);
    EXPECT_TRUE(axes->UsesDefaultLayer());
    EXPECT_FALSE(axes->AcceptsMaterial());
    EXPECT_EQ(model.GetDroppedObjects().GetCount(), 2) << "the material and the layer";
}

TEST_F(DrawingAxesTest, OnlyRotationsAndTranslationsMoveTheAxes)
{
    const CTransform3d mirror(-1, 1, 1);
    CTransform3d scale;
    scale.SetUniformScale(2.0);
    const CTransform3d stretch(1, 2, 1);
    for (const CTransform3d* ignored : {&mirror, static_cast<const CTransform3d*>(&scale), &stretch}) {
        auto* axes = new CZphCS;
        axes->SetFrame({1, 0, 0}, CUnitVector3d::XAxis(), CUnitVector3d::YAxis(), CUnitVector3d::ZAxis());
        axes->Transform(*ignored);
        ExpectFrame(*axes, {1, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1},
                    "a transformation that is not a motion");
    }

    auto* axes = new CZphCS;
    axes->SetFrame({1, 0, 0}, CUnitVector3d::XAxis(), CUnitVector3d::YAxis(), CUnitVector3d::ZAxis());
    axes->Transform(CTransform3d(CPoint3d(), CUnitVector3d::ZAxis(), std::acos(0.0)));
    ExpectFrame(*axes, {0, 1, 0}, {0, 1, 0}, {-1, 0, 0}, {0, 0, 1}, "a quarter turn about z");
}

TEST_F(DrawingAxesTest, TheAxesAreATransformationAndGiveOneAxisAtATime)
{
    auto* axes = new CZphCS;
    axes->SetFrame({1, 2, 3}, CUnitVector3d::YAxis(), CUnitVector3d::ZAxis(), CUnitVector3d::XAxis());
    const CTransform3d frame = axes->GetTransform();
    EXPECT_TRUE(frame.MultiplyPoint({1, 0, 0}).IsEqual({1, 3, 3}, 1e-9)) << "x runs along the model's y";
    EXPECT_TRUE(frame.MultiplyPoint({0, 0, 1}).IsEqual({2, 2, 3}, 1e-9)) << "z runs along the model's x";

    auto* copy = new CZphCS;
    copy->SetFromTransform(frame);
    ExpectFrame(*copy, {1, 2, 3}, {0, 1, 0}, {0, 0, 1}, {1, 0, 0}, "set from the transformation");

    const struct {
        int index;
        CVector3d axis;
    } cases[] = {{0, {0, 1, 0}}, {1, {0, 0, 1}}, {2, {1, 0, 0}}, {5, {0, 1, 0}}, {-1, {0, 1, 0}}};
    for (const auto& c : cases)
        EXPECT_TRUE(CVector3d(axes->GetAxis(c.index)).IsEqual(c.axis, 1e-9)) << "index " << c.index;

    axes->Reset();
    ExpectDefaultFrame(*axes, "reset");
}

TEST_F(DrawingAxesTest, TheCheckReportsAndRepairsTheOriginAndEachAxis)
{
    CValidityCheckScope checking;
    auto* axes = new CZphCS;
    axes->SetFrame({kNaN, 0, 0}, CUnitVector3d::XAxis(), CUnitVector3d::YAxis(), CUnitVector3d(0, 0, 0));
    EXPECT_EQ(axes->CheckValidity(kValidityCheck, nullptr), 1) << "problems left unrepaired";
    const std::wstring unrepaired = Report();
    EXPECT_NE(unrepaired.find(L"is not valid\nThe Z axis for"), std::wstring::npos)
        << "one line each: " << unrepaired;
    EXPECT_EQ(unrepaired.back(), L'\n');
    ClearValidityReport();

    EXPECT_EQ(axes->CheckValidity(kValidityFix, nullptr), 0);
    const std::wstring report = Report();
    size_t fixed = 0;
    for (size_t at = report.find(L" - fixed\n"); at != std::wstring::npos;
         at = report.find(L" - fixed\n", at + 1))
        ++fixed;
    EXPECT_EQ(fixed, 2u) << std::wstring(report);
    ExpectDefaultFrame(*axes, "repaired");
}

TEST_F(DrawingAxesTest, AComponentsAxesAreDrawingAxesAndCopyAsPlainOnes)
{
    auto* axes = new CComponentCS(40, true, false, false);
    EXPECT_TRUE(axes->IsKindOf(RUNTIME_CLASS(CZphCS)));
    EXPECT_STREQ(axes->GetRuntimeClass()->m_lpszClassName, "CZphCS");
    EXPECT_EQ(axes->GetDisplay().GetSize(), 40);
    EXPECT_TRUE(axes->GetDisplay().HasCross());
    axes->SetFrame({1, 1, 1}, CUnitVector3d::XAxis(), CUnitVector3d::YAxis(), CUnitVector3d::ZAxis());

    CEntity* copy = axes->CreateCopy();
    EXPECT_EQ(dynamic_cast<CComponentCS*>(copy), nullptr);
    ASSERT_NE(dynamic_cast<CZphCS*>(copy), nullptr);
    EXPECT_TRUE(static_cast<CZphCS*>(copy)->GetOrigin().IsEqual({1, 1, 1}, 1e-9));
    delete copy;
}

TEST_F(DrawingAxesTest, AxesStayInTheirComponentAndHideOnlyByTheirOwnFlag)
{
    auto* axes = new CZphCS;
    EXPECT_FALSE(axes->EraseFrom(&component));
    EXPECT_FALSE(axes->IsHidden(nullptr));
    axes->SetHidden(true);
    EXPECT_TRUE(axes->IsHidden(nullptr));
}

TEST_F(DrawingAxesTest, APickFindsTheNearestAxisLineAlongTheRay)
{
    auto* axes = new CZphCS;
    RecordingPicker picker;
    // Down from above, through (3, 0.05, 0): past the x axis, 3 from the origin.
    picker.ray = CRay3d({3, 0.05, 10}, CUnitVector3d(0, 0, -1));
    double depth = 0, distance = 0;
    ASSERT_TRUE(axes->Pick(&picker, depth, distance));
    EXPECT_NEAR(depth, std::sqrt(100.0025), 1e-9) << "to the point of the x axis nearest the ray";
    EXPECT_EQ(depth, distance);

    EXPECT_EQ(axes->PickInside(&picker), 1);
    ASSERT_EQ(picker.points.size(), 1u) << "the x axis passed first";
    EXPECT_TRUE(picker.points[0].IsEqual({3, 0, 0}, 1e-9));

    picker.mode = IPickHelper::kWindowPick;
    EXPECT_EQ(axes->PickInside(&picker), 0) << "axes are picked only at a point";

    // Along z: parallel to one axis; the others are 0.5 and 0.7 away.
    picker.mode = IPickHelper::kPointPick;
    picker.points.clear();
    picker.ray = CRay3d({0.5, 0.7, 10}, CUnitVector3d(0, 0, -1));
    EXPECT_EQ(axes->PickInside(&picker), 0);
    EXPECT_EQ(picker.points.size(), 2u) << "the z axis, parallel to the ray, is not tested";
}

}  // namespace
