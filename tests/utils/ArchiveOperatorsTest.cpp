#include "support/ArchiveOperators.h"

#include "tests/support/ArchiveBytes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>

namespace orbisk::utils {
namespace {

using namespace geometry;
using ::operator+;  // joins byte strings; hidden by the namespaces' own operators

TEST(ArchiveForms, ColourIsFourBytesRedFirst)
{
    EXPECT_EQ(WrittenBy([](CArchive& ar) { ar << CColor(10, 20, 30, 255); }),
              (Bytes{0x0A, 0x14, 0x1E, 0xFF}));
    CColor color;
    BytesLeftAfter({0x0A, 0x14, 0x1E, 0x80}, [&](CArchive& ar) { ar >> color; });
    EXPECT_EQ(color, CColor(10, 20, 30, 128));
}

TEST(ArchiveForms, PointsVectorsAndPlanesAreTheirDoubles)
{
    EXPECT_EQ(WrittenBy([](CArchive& ar) { ar << CPoint3d(1, 2, 3) << CVector3d(-1, 0.5, 0); }),
              LittleEndian(1.0, 2.0, 3.0, -1.0, 0.5, 0.0));
    EXPECT_EQ(WrittenBy([](CArchive& ar) { ar << CPlane3d(0, 0, 1, -2); }),
              LittleEndian(0.0, 0.0, 1.0, -2.0));
    double matrix[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    EXPECT_EQ(WrittenBy([&](CArchive& ar) { WriteMatrix3x3(ar, matrix); }),
              LittleEndian(1.0, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0, 8.0, 9.0));
    double back[9] = {};
    BytesLeftAfter(LittleEndian(1.0, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0, 8.0, 9.0),
                   [&](CArchive& ar) { ReadMatrix3x3(ar, back); });
    EXPECT_EQ(back[5], 6.0);
}

TEST(ArchiveForms, ReadingNormalisesUnitVectorsAndPlanes)
{
    CPlane3d plane;
    BytesLeftAfter(LittleEndian(0.0, 0.0, 2.0, 4.0), [&](CArchive& ar) { ar >> plane; });
    EXPECT_EQ(plane.c, 1.0);
    EXPECT_EQ(plane.d, 2.0);

    CUnitVector3d unit;
    BytesLeftAfter(LittleEndian(0.0, 3.0, 4.0), [&](CArchive& ar) { ar >> unit; });
    EXPECT_DOUBLE_EQ(unit.y, 0.6);
    EXPECT_DOUBLE_EQ(unit.z, 0.8);
    BytesLeftAfter(LittleEndian(0.0, 0.0, 0.0), [&](CArchive& ar) { ar >> unit; });
    EXPECT_FALSE(unit.IsNonZero());

    CPoint3d point;
    BytesLeftAfter(LittleEndian(0.0, 3.0, 4.0), [&](CArchive& ar) { ar >> point; });
    EXPECT_EQ(point.z, 4.0);  // points are not normalised
}

TEST(ArchiveForms, RaysAndLines)
{
    CRay3d ray;
    BytesLeftAfter(LittleEndian(1.0, 2.0, 3.0, 0.0, 0.0, 5.0), [&](CArchive& ar) { ar >> ray; });
    EXPECT_EQ(ray.origin.x, 1.0);
    EXPECT_EQ(ray.direction.z, 1.0);
    EXPECT_EQ(WrittenBy([&](CArchive& ar) { ar << ray; }), LittleEndian(1.0, 2.0, 3.0, 0.0, 0.0, 1.0));

    // The parameters are taken as stored, whatever the direction setter made of them.
    CLine3d line;
    BytesLeftAfter(LittleEndian(1.0, 0.0, 0.0, 2.0, 0.0, 0.0, -1.5, 7.25), [&](CArchive& ar) { ar >> line; });
    EXPECT_EQ(line.origin.x, 1.0);
    EXPECT_EQ(line.direction.x, 1.0);
    EXPECT_EQ(line.t0, -1.5);
    EXPECT_EQ(line.t1, 7.25);
    EXPECT_EQ(WrittenBy([&](CArchive& ar) { ar << line; }),
              LittleEndian(1.0, 0.0, 0.0, 1.0, 0.0, 0.0, -1.5, 7.25));
}

TEST(ArchiveForms, TransformationIsThirteenDoublesWithoutFlags)
{
    const Bytes identity = LittleEndian(1.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0);
    EXPECT_EQ(WrittenBy([](CArchive& ar) { ar << CTransform3d(); }), identity);
    ASSERT_EQ(identity.size(), 104u);

    CTransform3d transform;
    transform.identity = transform.orthonormal = false;
    BytesLeftAfter(identity, [&](CArchive& ar) { ar >> transform; });
    EXPECT_TRUE(transform.identity);
    EXPECT_TRUE(transform.orthonormal);

    BytesLeftAfter(LittleEndian(0.0, -1.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 5.0, 6.0, 7.0, 2.0),
                   [&](CArchive& ar) { ar >> transform; });
    EXPECT_FALSE(transform.identity);
    EXPECT_TRUE(transform.orthonormal);
    EXPECT_EQ(transform.t.y, 6.0);
    EXPECT_EQ(transform.scale, 2.0);
}

TEST(ArchiveForms, ArcWithoutYAxisGetsOneAndIsWrittenWithIt)
{
    const double quarter = std::numbers::pi / 2;
    const Bytes withoutY = LittleEndian(1.0, 2.0, 3.0, 0.0, 0.0, 2.0, 2.0, 0.0, 0.0, 0.0, quarter);
    ASSERT_EQ(withoutY.size(), 88u);
    CArc3d arc;
    EXPECT_EQ(BytesLeftAfter(withoutY, [&](CArchive& ar) { SerializeArc3d(ar, arc, false); }), 0u);
    EXPECT_EQ(arc.plane.c, 1.0);
    EXPECT_DOUBLE_EQ(arc.yAxis.y, 2.0);  // normal x xAxis
    EXPECT_DOUBLE_EQ(arc.radius, 2.0);
    EXPECT_DOUBLE_EQ(arc.plane.d, -3.0);  // through the centre

    const Bytes withY = WrittenBy([&](CArchive& ar) { SerializeArc3d(ar, arc, false); });
    EXPECT_EQ(withY, LittleEndian(1.0, 2.0, 3.0, 0.0, 0.0, 1.0, 2.0, 0.0, 0.0, 0.0, quarter, 0.0, 2.0, 0.0));
    ASSERT_EQ(withY.size(), 112u);

    // A stored y axis is kept as it is, not recomputed.
    const Bytes skewed = LittleEndian(0.0, 0.0, 0.0, 0.0, 0.0, 1.0, 1.0, 0.0, 0.0, 0.0, 1.0, 0.5, 3.0, 0.0);
    CArc3d ellipse;
    EXPECT_EQ(BytesLeftAfter(skewed, [&](CArchive& ar) { SerializeArc3d(ar, ellipse, true); }), 0u);
    EXPECT_EQ(ellipse.yAxis.x, 0.5);
    EXPECT_EQ(ellipse.yAxis.y, 3.0);

    // The archive's mode decides the direction; a record cut short is the end of the file.
    EXPECT_EQ(ArchiveCause([&] {
                  BytesLeftAfter(Bytes(withY.begin(), withY.end() - 1),
                                 [&](CArchive& ar) { SerializeArc3d(ar, arc, true); });
              }),
              CArchiveException::endOfFile);
}

TEST(ArchiveForms, WrongModeAndShortDataRaiseTheArchiveException)
{
    struct Case {
        const char* type;
        size_t size;
        std::function<void(CArchive&)> write, read;
    };
    CColor color;
    CPoint3d point;
    CVector3d vector;
    CUnitVector3d unit;
    CPlane3d plane;
    CRay3d ray;
    CLine3d line;
    CTransform3d transform;
    double matrix[9] = {};
    const Case cases[] = {
        {"colour", 4, [&](CArchive& ar) { ar << color; }, [&](CArchive& ar) { ar >> color; }},
        {"point", 24, [&](CArchive& ar) { ar << point; }, [&](CArchive& ar) { ar >> point; }},
        {"vector", 24, [&](CArchive& ar) { ar << vector; }, [&](CArchive& ar) { ar >> vector; }},
        {"unit vector", 24, [&](CArchive& ar) { ar << unit; }, [&](CArchive& ar) { ar >> unit; }},
        {"plane", 32, [&](CArchive& ar) { ar << plane; }, [&](CArchive& ar) { ar >> plane; }},
        {"matrix", 72, [&](CArchive& ar) { WriteMatrix3x3(ar, matrix); },
         [&](CArchive& ar) { ReadMatrix3x3(ar, matrix); }},
        {"ray", 48, [&](CArchive& ar) { ar << ray; }, [&](CArchive& ar) { ar >> ray; }},
        {"line", 64, [&](CArchive& ar) { ar << line; }, [&](CArchive& ar) { ar >> line; }},
        {"transformation", 104, [&](CArchive& ar) { ar << transform; },
         [&](CArchive& ar) { ar >> transform; }},
    };
    const Bytes zeros(200, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        EXPECT_EQ(WrittenBy(c.write).size(), c.size);
        EXPECT_EQ(BytesLeftAfter(Bytes(zeros.begin(), zeros.begin() + c.size), c.read), 0u);
        EXPECT_EQ(ArchiveCause([&] {
                      CMemFile file;
                      CArchive ar(&file, CArchive::store | CArchive::bNoFlushOnDelete);
                      c.read(ar);
                  }),
                  CArchiveException::writeOnly);
        EXPECT_EQ(ArchiveCause([&] {
                      CMemFile file(zeros.data(), zeros.size());
                      CArchive ar(&file, CArchive::load);
                      c.write(ar);
                  }),
                  CArchiveException::readOnly);
        EXPECT_EQ(
            ArchiveCause([&] { BytesLeftAfter(Bytes(zeros.begin(), zeros.begin() + c.size - 1), c.read); }),
            CArchiveException::endOfFile);
    }
}

TEST(TextConversions, CStringAndWideStringKeepEveryUnit)
{
    const std::wstring text{L'a', 0, 0xE9, 0x1F600};
    EXPECT_EQ(FromCString(ToCString(text)), text);
    EXPECT_EQ(ToCString(L"abc"), CString(L"abc"));
}

TEST(TextConversions, StripQuotes)
{
    struct Case {
        const wchar_t* text;
        const wchar_t* expected;
    };
    const Case cases[] = {{L"\"", L""},        {L"a\"", L"a"},           {L"\"a", L"a"},
                          {L"\"a\"", L"a"},    {L"\"\"a\"\"", L"\"a\""}, {L"", L""},
                          {L"plain", L"plain"}};
    for (const Case& c : cases)
        EXPECT_EQ(StripQuotes(c.text), CString(c.expected)) << c.text;
}

}  // namespace
}  // namespace orbisk::utils
