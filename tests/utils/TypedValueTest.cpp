#include "support/TypedValue.h"

#include "support/ArchiveOperators.h"
#include "tests/support/ArchiveBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <optional>

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer runtime's allocation hooks (sanitizer/allocator_interface.h, which g++
// does not ship).
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*onAllocation)(const volatile void*, size_t),
                                                         void (*onRelease)(const volatile void*));
#endif

namespace orbisk::utils {
namespace {

using namespace geometry;
using ::operator+;  // joins byte strings; hidden by the namespaces' own operators

CTypedValue Byte(std::uint8_t v)
{
    CTypedValue value;
    value.SetByte(v);
    return value;
}
CTypedValue Short(std::int16_t v)
{
    CTypedValue value;
    value.SetShort(v);
    return value;
}
CTypedValue Kind(std::int32_t type, double v)
{  // one of the further double kinds 12-16
    CTypedValue value;
    const Bytes bytes = Bytes{static_cast<std::uint8_t>(type)} + LittleEndian(v);
    BytesLeftAfter(bytes, [&](CArchive& ar) { ar >> value; });
    return value;
}
CTypedValue Time(std::int64_t seconds)
{
    CTypedValue value;
    value.SetTime(seconds);
    return value;
}
CTypedValue Array(std::vector<CTypedValue> elements)
{
    CTypedValue value;
    value.SetArray(std::move(elements));
    return value;
}
CTypedValue Point(double x, double y, double z)
{
    CTypedValue value;
    value.SetPoint(CPoint3d(x, y, z));
    return value;
}

template <typename T>
std::optional<T> Try(bool (CTypedValue::*tryGet)(T&) const, const CTypedValue& value)
{
    T out{};
    if (!(value.*tryGet)(out))
        return std::nullopt;
    return out;
}

TEST(TypedValueConversion, ToNumbers)
{
    const double huge = 1e300;
    struct Case {
        const char* what;
        CTypedValue value;
        std::optional<std::int32_t> asInt;
        std::optional<std::int16_t> asShort;
        std::optional<std::uint8_t> asByte;
        std::optional<double> asDouble;
    };
    const Case cases[] = {
        {"byte", Byte(200), 200, 200, 200, 200.0},
        {"negative short", Short(-2), -2, -2, 254, -2.0},
        {"int", CTypedValue(0x12345), 0x12345, 0x2345, 0x45, double(0x12345)},
        {"positive double", CTypedValue(2.9), 2, 2, 2, 2.9},
        {"negative double", CTypedValue(-2.9), -2, -2, 254, -2.9},
        {"float", CTypedValue(300.5f), 300, 300, 44, 300.5},
        {"bool", CTypedValue(true), 1, 1, 1, 1.0},
        {"further double kind", Kind(14, 7.5), 7, 7, 7, 7.5},
        {"huge double", CTypedValue(huge), INT32_MAX, -1, 255, huge},
        {"NaN", CTypedValue(std::nan("")), 0, 0, 0, std::nullopt},
        {"colour", CTypedValue(CColor(1, 2, 3, 4)), 0x04030201, std::nullopt, std::nullopt, std::nullopt},
        {"string", CTypedValue(L"12"), std::nullopt, std::nullopt, std::nullopt, std::nullopt},
        {"time", Time(5), std::nullopt, std::nullopt, std::nullopt, std::nullopt},
        {"empty", CTypedValue(), std::nullopt, std::nullopt, std::nullopt, std::nullopt},
        {"point", Point(1, 2, 3), std::nullopt, std::nullopt, std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Try(&CTypedValue::TryGetInt, c.value), c.asInt);
        EXPECT_EQ(Try(&CTypedValue::TryGetShort, c.value), c.asShort);
        EXPECT_EQ(Try(&CTypedValue::TryGetByte, c.value), c.asByte);
        if (c.asDouble) {
            EXPECT_EQ(Try(&CTypedValue::TryGetDouble, c.value), c.asDouble);
        }
    }
}

TEST(TypedValueConversion, FloatRefusesDoublesBeyondItsRange)
{
    EXPECT_EQ(Try(&CTypedValue::TryGetFloat, CTypedValue(1e300)), std::nullopt);
    EXPECT_EQ(Try(&CTypedValue::TryGetDouble, CTypedValue(1e300)), 1e300);
    EXPECT_EQ(Try(&CTypedValue::TryGetFloat, CTypedValue(-1e39)), std::nullopt);
    EXPECT_EQ(Try(&CTypedValue::TryGetFloat, CTypedValue(0.25)), 0.25f);
    EXPECT_EQ(Try(&CTypedValue::TryGetFloat, CTypedValue(7)), 7.0f);
    EXPECT_EQ(Try(&CTypedValue::TryGetFloat, CTypedValue(std::numeric_limits<float>::infinity())),
              std::numeric_limits<float>::infinity());
}

TEST(TypedValueConversion, ToBool)
{
    EXPECT_EQ(Try(&CTypedValue::TryGetBool, CTypedValue(0)), false);
    EXPECT_EQ(Try(&CTypedValue::TryGetBool, Byte(3)), true);
    EXPECT_EQ(Try(&CTypedValue::TryGetBool, CTypedValue(std::nan(""))), true);
    EXPECT_EQ(Try(&CTypedValue::TryGetBool, CTypedValue(L"")), true);
    EXPECT_EQ(Try(&CTypedValue::TryGetBool, Time(1)), std::nullopt);
}

TEST(TypedValueConversion, ToText)
{
    struct Case {
        CTypedValue value;
        std::optional<CString> text;
    };
    const Case cases[] = {
        {CTypedValue(true), CString(L"true")},
        {CTypedValue(false), CString(L"false")},
        {CTypedValue(0.5f), CString(L"0.5")},
        {CTypedValue(1e20), CString(L"1e+20")},
        {Short(-7), CString(L"-7")},
        {Kind(12, 2.5), CString(L"2.5")},
        {CTypedValue(L"text"), CString(L"text")},
        {Time(0), CString(L"Thu Jan  1 00:00:00 1970\n")},
        {Time(1'000'000'000), CString(L"Sun Sep  9 01:46:40 2001\n")},
        {CTypedValue(CColor(1, 2, 3)), std::nullopt},
        {Point(1, 2, 3), std::nullopt},
        {CTypedValue(), std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Try(&CTypedValue::TryGetString, c.value), c.text);
}

TEST(TypedValueConversion, ToColour)
{
    struct Case {
        const char* what;
        CTypedValue value;
        std::optional<CColor> color;
    };
    const Case cases[] = {
        {"unit doubles", Array({CTypedValue(1.0), CTypedValue(0.5), CTypedValue(0.0)}),
         CColor(255, 127, 0, 255)},
        {"clamped ints", Array({CTypedValue(300), CTypedValue(-5), CTypedValue(128)}),
         CColor(255, 0, 128, 255)},
        {"bytes with alpha", Array({Byte(1), Byte(2), Byte(3), Byte(4)}), CColor(1, 2, 3, 4)},
        {"two elements", Array({CTypedValue(1), CTypedValue(2)}), std::nullopt},
        {"five elements", Array(std::vector<CTypedValue>(5, CTypedValue(1))), std::nullopt},
        {"a further double kind", Array({CTypedValue(1), CTypedValue(2), Kind(13, 0.5)}), std::nullopt},
        {"a text element", Array({CTypedValue(1), CTypedValue(2), CTypedValue(L"3")}), std::nullopt},
        {"name", CTypedValue(L"Red"), CColor(255, 0, 0, 255)},
        {"hex text", CTypedValue(L"#102030"), CColor(0x10, 0x20, 0x30, 255)},
        {"unknown name", CTypedValue(L"Reddish"), std::nullopt},
        {"packed colour", CTypedValue(CColor(9, 8, 7, 6)), CColor(9, 8, 7, 6)},
        {"int", CTypedValue(0x01020304), CColor(4, 3, 2, 1)},
        {"double", CTypedValue(1.0), std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Try(&CTypedValue::TryGetColor, c.value), c.color);
    }
}

TEST(TypedValueConversion, GeometryComesOnlyFromItsOwnKind)
{
    CTypedValue value;
    value.SetUnitVector(CUnitVector3d(0, 0, 1));
    EXPECT_FALSE(Try(&CTypedValue::TryGetVector, value));
    EXPECT_FALSE(Try(&CTypedValue::TryGetPoint, value));
    ASSERT_TRUE(Try(&CTypedValue::TryGetUnitVector, value));
    EXPECT_EQ(Try(&CTypedValue::TryGetUnitVector, value)->z, 1.0);

    value.SetVector(CVector3d(3, 0, 4));
    EXPECT_EQ(Try(&CTypedValue::TryGetVector, value)->z, 4.0);

    value.SetTransform(CTransform3d(CPoint3d(), CUnitVector3d(0, 0, 1), std::numbers::pi / 2));
    const std::optional<CTransform3d> back = Try(&CTypedValue::TryGetTransform, value);
    ASSERT_TRUE(back);
    EXPECT_NEAR(back->MultiplyPoint(CPoint3d(1, 0, 0)).y, 1.0, 1e-12);
    EXPECT_EQ(Try(&CTypedValue::TryGetTime, Time(42)), 42);
    EXPECT_EQ(Try(&CTypedValue::TryGetTime, CTypedValue(42)), std::nullopt);
}

TEST(TypedValueConversion, GetThrowsTheRequestedCodeAndLeavesTheValue)
{
    const CTypedValue point = Point(1, 2, 3);
    struct Case {
        std::function<void()> get;
        std::int32_t code;
    };
    const Case cases[] = {
        {[&] { point.GetByte(); }, 2},   {[&] { point.GetInt(); }, 4},  {[&] { point.GetFloat(); }, 5},
        {[&] { point.GetDouble(); }, 6}, {[&] { point.GetBool(); }, 7}, {[&] { point.GetString(); }, 10},
        {[&] { point.GetArray(); }, 11},
    };
    for (const Case& c : cases) {
        try {
            c.get();
            ADD_FAILURE() << "no error for code " << c.code;
        } catch (const CConversionError& error) {
            EXPECT_EQ(error.m_requestedType, c.code);
        }
    }
    EXPECT_EQ(Try(&CTypedValue::TryGetPoint, point)->y, 2.0);
    EXPECT_EQ(CTypedValue(2.9).GetInt(), 2);
    EXPECT_EQ(CTypedValue(L"x").GetString(), CString(L"x"));
}

TEST(TypedValueSharing, CopiesShareOnePayload)
{
    CTypedValue original(L"shared text");
    {
        CTypedValue copy = original;
        copy.Clear();
        EXPECT_TRUE(copy.IsEmpty());
    }
    EXPECT_EQ(original.GetString(), CString(L"shared text"));

    const CTypedValue array = Array({CTypedValue(1)});
    CRefPtr<CTypedValue::Array> first = array.GetArray();
    CRefPtr<CTypedValue::Array> second = CTypedValue(array).GetArray();
    EXPECT_EQ(first.Get(), second.Get());
    EXPECT_EQ(first->GetRefCount(), 3u);  // the value and the two handles
}

TEST(TypedValueSharing, AssigningAnElementOfItsOwnArrayIsSafe)
{
    CTypedValue value = Array({CTypedValue(L"inner")});
    value = value.GetArray()->values[0];
    EXPECT_EQ(value.GetString(), CString(L"inner"));
    CTypedValue nested = Array({Array({CTypedValue(L"deep")})});
    nested = std::move(nested.GetArray()->values[0]);
    EXPECT_EQ(nested.GetArray()->values[0].GetString(), CString(L"deep"));
}

TEST(TypedValueGeometry, IsGeometricLooksIntoArrays)
{
    EXPECT_TRUE(Point(0, 0, 0).IsGeometric());
    EXPECT_FALSE(CTypedValue(1).IsGeometric());
    EXPECT_TRUE(Array({CTypedValue(1), Array({Point(0, 0, 0)})}).IsGeometric());
    EXPECT_FALSE(Array({CTypedValue(1)}).IsGeometric());
}

TEST(TypedValueGeometry, TransformByKeepsEarlierCopiesUntouched)
{
    CTransform3d move;
    move.SetTranslation(CVector3d(10, 0, 0));
    CTypedValue value = Array({CTypedValue(5), Point(1, 2, 3)});
    const CTypedValue before = value;
    EXPECT_TRUE(value.TransformBy(move));
    const auto& now = value.GetArray()->values;
    EXPECT_EQ(now[0].GetInt(), 5);
    EXPECT_EQ(Try(&CTypedValue::TryGetPoint, now[1])->x, 11.0);
    EXPECT_EQ(Try(&CTypedValue::TryGetPoint, before.GetArray()->values[1])->x, 1.0);
    EXPECT_FALSE(Array({CTypedValue(5)}).TransformBy(move));
    CTypedValue number(3);
    EXPECT_FALSE(number.TransformBy(move));
    EXPECT_EQ(number.GetInt(), 3);
}

TEST(TypedValueGeometry, TransformByMovesVectorsWithoutTranslation)
{
    CTransform3d turn(CPoint3d(5, 5, 5), CUnitVector3d(0, 0, 1), std::numbers::pi / 2);
    CTypedValue vector, unit, transform;
    vector.SetVector(CVector3d(2, 0, 0));
    unit.SetUnitVector(CUnitVector3d(1, 0, 0));
    CTransform3d lift;
    lift.SetTranslation(CVector3d(0, 0, 1));
    transform.SetTransform(lift);
    ASSERT_TRUE(vector.TransformBy(turn) && unit.TransformBy(turn) && transform.TransformBy(turn));
    EXPECT_NEAR(Try(&CTypedValue::TryGetVector, vector)->y, 2.0, 1e-12);
    EXPECT_NEAR(Try(&CTypedValue::TryGetUnitVector, unit)->y, 1.0, 1e-12);
    // The stored transformation first, then the turn: the origin goes up, then round (5, 5).
    const CPoint3d origin = Try(&CTypedValue::TryGetTransform, transform)->MultiplyPoint(CPoint3d());
    EXPECT_NEAR(origin.x, 10.0, 1e-9);
    EXPECT_NEAR(origin.y, 0.0, 1e-9);
    EXPECT_NEAR(origin.z, 1.0, 1e-9);
}

TEST(TypedValueArchive, EachKindHasItsByteForm)
{
    CTypedValue transform;
    transform.SetTransform(CTransform3d());
    CTypedValue unit;
    unit.SetUnitVector(CUnitVector3d(0, 1, 0));
    struct Case {
        const char* what;
        CTypedValue value;
        Bytes bytes;
    };
    const Case cases[] = {
        {"empty", CTypedValue(), {0x00}},
        {"byte", Byte(0xAB), {0x02, 0xAB}},
        {"short", Short(-2), {0x03, 0xFE, 0xFF}},
        {"int", CTypedValue(0x12345678), {0x04, 0x78, 0x56, 0x34, 0x12}},
        {"float", CTypedValue(1.0f), Bytes{0x05} + LittleEndian(1.0f)},
        {"double", CTypedValue(-2.5), Bytes{0x06} + LittleEndian(-2.5)},
        {"bool", CTypedValue(true), {0x07, 0x01}},
        {"colour", CTypedValue(CColor(10, 20, 30, 255)), {0x08, 0x0A, 0x14, 0x1E, 0xFF}},
        {"time", Time(0x0102030405), Bytes{0x09} + LittleEndian(std::int64_t{0x0102030405})},
        {"string", CTypedValue(L"hi"), {0x0A, 0xFF, 0xFE, 0xFF, 0x02, 'h', 0x00, 'i', 0x00}},
        {"array", Array({Byte(1), CTypedValue(false)}),
         Bytes{0x0B} + LittleEndian(std::int32_t{2}) + Bytes{0x02, 0x01, 0x07, 0x00}},
        {"point", Point(1, 2, 3), Bytes{0x11} + LittleEndian(1.0, 2.0, 3.0)},
        {"unit vector", unit, Bytes{0x13} + LittleEndian(0.0, 1.0, 0.0)},
        {"transformation", transform,
         Bytes{0x14} + LittleEndian(1.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0)},
        {"further double kind", Kind(16, 0.5), Bytes{0x10} + LittleEndian(0.5)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(WrittenBy([&](CArchive& ar) { ar << c.value; }), c.bytes);
        CTypedValue back(L"previous contents");
        EXPECT_EQ(BytesLeftAfter(c.bytes, [&](CArchive& ar) { ar >> back; }), 0u);
        EXPECT_EQ(back.GetType(), c.value.GetType());
        EXPECT_EQ(WrittenBy([&](CArchive& ar) { ar << back; }), c.bytes);
    }
}

TEST(TypedValueArchive, ReadingRules)
{
    CTypedValue value(7);
    BytesLeftAfter(Bytes{0x0B} + LittleEndian(std::int32_t{0}), [&](CArchive& ar) { ar >> value; });
    EXPECT_TRUE(value.IsEmpty());  // an array of no elements is the empty value
    BytesLeftAfter(Bytes{0x0B} + LittleEndian(std::int32_t{-3}), [&](CArchive& ar) { ar >> value; });
    EXPECT_TRUE(value.IsEmpty());

    BytesLeftAfter({0x0A, 0x00}, [&](CArchive& ar) { ar >> value; });
    EXPECT_EQ(value.GetType(), kTypeString);
    EXPECT_EQ(value.GetString(), CString());

    BytesLeftAfter(Bytes{0x13} + LittleEndian(0.0, 3.0, 4.0), [&](CArchive& ar) { ar >> value; });
    EXPECT_DOUBLE_EQ(Try(&CTypedValue::TryGetUnitVector, value)->y, 0.6);

    BytesLeftAfter({0x07, 0x05}, [&](CArchive& ar) { ar >> value; });
    EXPECT_TRUE(value.GetBool());

    BytesLeftAfter({0x15, 0xEE}, [&](CArchive& ar) { ar >> value; });  // a code without payload
    EXPECT_EQ(value.GetType(), 0x15);
}

TEST(TypedValueArchive, HostileAndTruncatedInputRaisesTheArchiveException)
{
    Bytes nested;
    for (int level = 0; level < 1000; ++level)
        nested = nested + Bytes{0x0B} + LittleEndian(std::int32_t{1});
    nested.push_back(0x00);
    struct Case {
        const char* what;
        Bytes bytes;
        int cause;
    };
    const Case cases[] = {
        {"a count larger than the data", Bytes{0x0B} + LittleEndian(std::int32_t{0x7FFFFFFF}) + Bytes{0, 0},
         CArchiveException::endOfFile},
        {"arrays nested a thousand deep", nested, CArchiveException::genericException},
        {"a cut-off double", Bytes{0x06, 0, 0, 0}, CArchiveException::endOfFile},
        {"a cut-off array", Bytes{0x0B} + LittleEndian(std::int32_t{2}) + Bytes{0x02, 0x01},
         CArchiveException::endOfFile},
        {"a cut-off transformation", Bytes{0x14} + LittleEndian(1.0, 0.0), CArchiveException::endOfFile},
        {"nothing at all", Bytes{}, CArchiveException::endOfFile},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CTypedValue value;
        EXPECT_EQ(ArchiveCause([&] { BytesLeftAfter(c.bytes, [&](CArchive& ar) { ar >> value; }); }),
                  c.cause);
    }
}

#if defined(__SANITIZE_ADDRESS__)
size_t g_largestAllocation = 0;
bool g_watchingAllocations = false;

void OnAllocation(const volatile void*, size_t size)
{
    if (g_watchingAllocations)
        g_largestAllocation = std::max(g_largestAllocation, size);
}
void OnRelease(const volatile void*) {}
#endif

// The largest block allocated while `run` runs; only sanitizer builds can watch them.
std::optional<size_t> LargestAllocationDuring(const std::function<void()>& run)
{
#if defined(__SANITIZE_ADDRESS__)
    static const int installed = __sanitizer_install_malloc_and_free_hooks(OnAllocation, OnRelease);
    if (installed == 0)
        return std::nullopt;
    g_largestAllocation = 0;
    g_watchingAllocations = true;
    run();
    g_watchingAllocations = false;
    return g_largestAllocation;
#else
    run();
    return std::nullopt;
#endif
}

TEST(TypedValueArchive, ArrayCountsTheDataCouldHoldAllocateOnlyForWhatIsThere)
{
    // Counts no larger than the bytes that follow, which each element needs at least,
    // with elements that break off at once: memory must not follow the counts.
    constexpr std::int32_t kCount = 1 << 20;
    const Bytes stringPastTheEnd = Bytes{0x0A, 0xFF, 0xFF, 0xFF} + LittleEndian(std::uint32_t{0xFFFFFFF0});
    Bytes nested;
    for (int level = 0; level < 4; ++level)
        nested = nested + Bytes{0x0B} + LittleEndian(kCount);
    struct Case {
        const char* what;
        Bytes bytes;
    };
    const Case cases[] = {
        {"a string longer than the data", Bytes{0x0B} + LittleEndian(kCount) + stringPastTheEnd},
        {"arrays nested in arrays", nested + stringPastTheEnd},
    };
    for (Case c : cases) {
        SCOPED_TRACE(c.what);
        c.bytes.resize(c.bytes.size() + kCount, 0x00);
        int cause = CArchiveException::none;
        const std::optional<size_t> largest = LargestAllocationDuring([&] {
            CTypedValue value;
            cause = ArchiveCause([&] { BytesLeftAfter(c.bytes, [&](CArchive& ar) { ar >> value; }); });
        });
        EXPECT_EQ(cause, CArchiveException::endOfFile);
        if (!largest)
            GTEST_SKIP() << "allocations are watched in sanitizer builds only";
        EXPECT_LT(*largest, size_t{kCount}) << "no block as large as the data, let alone 16 bytes an element";
    }
}

TEST(TypedValueArchive, WrongModeRaisesTheArchiveException)
{
    CTypedValue value(1);
    EXPECT_EQ(ArchiveCause([&] {
                  CMemFile file;
                  CArchive ar(&file, CArchive::store | CArchive::bNoFlushOnDelete);
                  ar >> value;
              }),
              CArchiveException::writeOnly);
    const Bytes bytes(8, 0);
    EXPECT_EQ(ArchiveCause([&] {
                  CMemFile file(bytes.data(), bytes.size());
                  CArchive ar(&file, CArchive::load);
                  ar << value;
              }),
              CArchiveException::readOnly);
}

}  // namespace
}  // namespace orbisk::utils
