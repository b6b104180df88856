// Lengths shown in the four unit formats and typed lengths read back into inches.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "database/LengthFormatter.h"
#include "database/UnitsOptions.h"
#include "support/TypedValue.h"

using orbisk::utils::CTypedValue;

namespace {

// The text with "." as the user's decimal separator.
std::wstring Local(std::wstring text)
{
    for (wchar_t& c : text) {
        if (c == L'.')
            c = GetDecimalSeparator();
    }
    return text;
}

std::wstring Formatted(double inches, int32_t format, int32_t precision, int32_t unit = kUnitInches)
{
    return CLengthFormatter().FormatLength(inches, format, precision, unit).GetString();
}

class LengthFormatterTest : public ::testing::Test {
protected:
    // Units options of the model being worked on; the defaults until a test sets them.
    void Set(const wchar_t* name, const CTypedValue& value) { ASSERT_TRUE(units.SetOption(name, value)); }
    LengthFormatterTest() { units.MakeCurrent(); }

    CUnitsOptions units;
};

struct FormatCase {
    double inches;
    int32_t format;
    int32_t precision;
    int32_t unit;
    const wchar_t* text;
};

}  // namespace

TEST_F(LengthFormatterTest, LengthsShowInEachFormatRoundedToThePrecision)
{
    const FormatCase cases[] = {
        {18.5, kFormatArchitectural, 4, kUnitInches, L"1' 6 1/2\""},
        {12.0, kFormatArchitectural, 4, kUnitInches, L"1'"},
        {0.25, kFormatArchitectural, 4, kUnitInches, L"1/4\""},
        {0.0, kFormatArchitectural, 4, kUnitInches, L"0\""},
        {-18.5, kFormatArchitectural, 4, kUnitInches, L"-1' 6 1/2\""},
        {18.53, kFormatArchitectural, 4, kUnitInches, L"~ 1' 6 1/2\""},
        {7.0, kFormatArchitectural, 4, kUnitInches, L"7\""},
        {6.03125, kFormatArchitectural, 5, kUnitInches, L"6 1/32\""},
        {1.0, kFormatDecimal, 1, kUnitMillimeters, L"25.4mm"},
        {1.0, kFormatDecimal, 2, kUnitCentimeters, L"2.54cm"},
        {100.0, kFormatDecimal, 3, kUnitMeters, L"2.540m"},
        {18.0, kFormatDecimal, 1, kUnitFeet, L"1.5'"},
        {2.0, kFormatDecimal, 0, kUnitInches, L"2\""},
        {18.0, kFormatEngineering, 2, kUnitInches, L"1.50'"},
        {24.0, kFormatEngineering, 2, kUnitInches, L"2'"},
        {18.0, kFormatEngineering, 0, kUnitInches, L"~ 2'"},
        {2.375, kFormatFractional, 3, kUnitInches, L"2 3/8\""},
        {0.375, kFormatFractional, 3, kUnitInches, L"3/8\""},
        {5.0, kFormatFractional, 3, kUnitInches, L"5\""},
    };
    for (const FormatCase& c : cases)
        EXPECT_EQ(Formatted(c.inches, c.format, c.precision, c.unit), Local(c.text))
            << c.inches << " in format " << c.format;
}

TEST_F(LengthFormatterTest, WholeFeetShowZeroInchesWhenInchDisplayIsForced)
{
    Set(L"ForceInchDisplay", CTypedValue(true));
    EXPECT_EQ(Formatted(12.0, kFormatArchitectural, 4), L"1' 0\"");
    EXPECT_EQ(Formatted(0.0, kFormatArchitectural, 4), L"0\"");
}

TEST_F(LengthFormatterTest, SuppressedUnitsDropTheMarkOfDecimalAndFractionalLengths)
{
    Set(L"SuppressUnitsDisplay", CTypedValue(true));
    EXPECT_EQ(Formatted(1.0, kFormatDecimal, 1, kUnitMillimeters), Local(L"25.4"));
    EXPECT_EQ(Formatted(2.375, kFormatFractional, 3), L"2 3/8");
    EXPECT_EQ(Formatted(18.5, kFormatArchitectural, 4), L"1' 6 1/2\"")
        << "architectural lengths keep their marks";
}

TEST_F(LengthFormatterTest, ForcedFractionsShowBelowOnePrecisionStep)
{
    const CLengthFormatter forced(4, true);
    EXPECT_EQ(std::wstring(forced.FormatLength(24.0, kFormatEngineering, 2, kUnitInches).GetString()),
              Local(L"2.00'"));
    EXPECT_EQ(std::wstring(forced.FormatLength(18.0, kFormatArchitectural, 4, kUnitInches).GetString()),
              L"1' 6 0/2\"");
}

TEST_F(LengthFormatterTest, APrecisionFinerThanTheFormatsOfferIsClamped)
{
    // The fraction search ends at 1/64: a finer step would find no fraction and lose the
    // whole inches with it.
    EXPECT_EQ(Formatted(1.0078125, kFormatArchitectural, 7), L"~ 1 1/64\"");
    EXPECT_EQ(Formatted(13.0, kFormatFractional, 40), L"13\"");
    EXPECT_EQ(Formatted(1.0, kFormatDecimal, 1000, kUnitMillimeters), Local(L"25.400000mm"));
    EXPECT_EQ(Formatted(18.5, kFormatArchitectural, -3), L"~ 1' 7\"")
        << "a negative precision rounds to whole inches";
    EXPECT_DOUBLE_EQ(CLengthFormatter::GetPrecisionStep(kFormatArchitectural, 99), 1.0 / 64);

    Set(L"LengthPrecision", CTypedValue(9));
    EXPECT_EQ(std::wstring(CLengthFormatter().Format(13.5).GetString()), L"1' 1 1/2\"");
}

TEST_F(LengthFormatterTest, TheFormatterTakesTheCurrentUnitsWhenItIsMade)
{
    Set(L"LengthFormat", CTypedValue(int{kFormatDecimal}));
    Set(L"LengthUnit", CTypedValue(int{kUnitCentimeters}));
    Set(L"LengthPrecision", CTypedValue(1));
    const CLengthFormatter formatter;
    Set(L"LengthPrecision", CTypedValue(3));
    EXPECT_EQ(formatter.GetPrecision(), 1);
    EXPECT_EQ(std::wstring(formatter.Format(1.0).GetString()), Local(L"~ 2.5cm"))
        << "2.54 rounded to one decimal";
    EXPECT_EQ(std::wstring(CLengthFormatter(2).Format(1.0).GetString()), Local(L"2.54cm"));
}

TEST_F(LengthFormatterTest, UnknownFormatsAndUnitsFallBackToDecimalInches)
{
    EXPECT_EQ(Formatted(1.5, 9, 1, kUnitInches), Local(L"1.5\""));
    EXPECT_EQ(Formatted(1.5, kFormatDecimal, 1, 17), Local(L"1.5\""));
    EXPECT_EQ(std::wstring(CLengthFormatter::GetUnitSuffix(-2).GetString()), L"\"");
}

TEST_F(LengthFormatterTest, LengthsThatAreNoNumberFormatAsNothing)
{
    EXPECT_EQ(Formatted(std::numeric_limits<double>::quiet_NaN(), kFormatArchitectural, 4), L"");
    EXPECT_EQ(Formatted(std::numeric_limits<double>::infinity(), kFormatDecimal, 2), L"");
    EXPECT_EQ(Formatted(1e300, kFormatArchitectural, 4).substr(0, 2), L"90")
        << "huge lengths saturate, never wrap";
}

TEST_F(LengthFormatterTest, TrimmingDropsTheApproximationMarkTrailingZerosAndOptionallyTheMark)
{
    const CLengthFormatter formatter;
    auto trimmed = [&](double inches, int32_t precision, bool keepSuffix) {
        return std::wstring(
            formatter.FormatTrimmed(inches, kFormatDecimal, precision, kUnitMillimeters, keepSuffix)
                .GetString());
    };
    const double approximately1point5mm = 1.53 / 25.4;
    EXPECT_EQ(trimmed(approximately1point5mm, 1, false), Local(L" 1.5"));
    EXPECT_EQ(trimmed(approximately1point5mm, 1, true), Local(L" 1.5mm"));
    EXPECT_EQ(trimmed(1.5 / 25.4, 3, false), Local(L"1.5"));
    EXPECT_EQ(trimmed(2.0 / 25.4, 3, true), L"2mm") << "a separator left last goes too";
    EXPECT_EQ(trimmed(20.0 / 25.4, 0, false), L"20") << "zeros of the whole number stay";
    EXPECT_EQ(trimmed(std::nan(""), 2, true), L"");
}

struct ParseCase {
    const wchar_t* text;
    int32_t format;
    int32_t unit;
    bool readable;
    double inches;
};

TEST_F(LengthFormatterTest, TypedLengthsReadBackIntoInches)
{
    const ParseCase cases[] = {
        {L"1' 6 1/2\"", kFormatArchitectural, kUnitInches, true, 18.5},
        {L"6", kFormatArchitectural, kUnitInches, true, 6.0},
        {L"1/2", kFormatArchitectural, kUnitInches, true, 0.5},
        {L"-3 1/2\"", kFormatArchitectural, kUnitInches, true, -3.5},
        {L"3.5cm", kFormatArchitectural, kUnitInches, true, 3.5 / 2.54},
        {L"5 mm", kFormatArchitectural, kUnitInches, false, 0.0},
        {L"5.5 mm", kFormatArchitectural, kUnitInches, true, 5.5},
        {L"1/0", kFormatArchitectural, kUnitInches, false, 0.0},
        {L"~ 1' 6\"", kFormatArchitectural, kUnitInches, true, 18.0},
        {L"-1' 6\"", kFormatArchitectural, kUnitInches, true, -18.0},
        {L"2'", kFormatArchitectural, kUnitInches, true, 24.0},
        {L"5MM", kFormatArchitectural, kUnitInches, true, 5 / 25.4},
        {L"2m", kFormatArchitectural, kUnitInches, true, 2 / 0.0254},
        {L"3\"", kFormatArchitectural, kUnitInches, true, 3.0},
        {L"3 inches", kFormatArchitectural, kUnitInches, false, 0.0},
        {L"3km", kFormatArchitectural, kUnitInches, false, 0.0},
        {L"6 1/2 feet", kFormatArchitectural, kUnitInches, false, 0.0},
        {L"6 1/0\"", kFormatArchitectural, kUnitInches, false, 0.0},
        {L"1/2x", kFormatArchitectural, kUnitInches, false, 0.0},
        {L"1/", kFormatArchitectural, kUnitInches, true, 0.0},
        {L"", kFormatArchitectural, kUnitInches, true, 0.0},
        {L"2", kFormatEngineering, kUnitInches, true, 24.0},
        {L"1.5'", kFormatEngineering, kUnitInches, true, 18.0},
        {L"25.4", kFormatDecimal, kUnitMillimeters, true, 1.0},
        {L"1.5", kFormatDecimal, kUnitFeet, true, 18.0},
        {L"3 3/8", kFormatFractional, kUnitInches, true, 3.375},
        {L"1e400'", kFormatArchitectural, kUnitInches, false, 0.0},
    };
    for (const ParseCase& c : cases) {
        double inches = -99.0;
        EXPECT_EQ(CLengthFormatter::ParseLength(CString(Local(c.text).c_str()), inches, c.format, c.unit),
                  c.readable)
            << c.text;
        EXPECT_NEAR(inches, c.inches, 1e-9) << c.text;
    }
}

TEST_F(LengthFormatterTest, EveryFormattedLengthReadsBackAsTheRoundedLength)
{
    struct Case {
        int32_t format;
        int32_t precision;
        int32_t unit;
    };
    const Case formats[] = {
        {kFormatArchitectural, 4, kUnitInches}, {kFormatArchitectural, 6, kUnitInches},
        {kFormatFractional, 3, kUnitInches},    {kFormatEngineering, 3, kUnitInches},
        {kFormatDecimal, 2, kUnitMillimeters},  {kFormatDecimal, 3, kUnitMeters},
        {kFormatDecimal, 1, kUnitCentimeters},  {kFormatDecimal, 2, kUnitFeet},
    };
    const double lengths[] = {0.0, 0.25, 1.0, 6.5, 11.9375, 12.0, 18.53, 100.0 / 3, 1234.5, -7.75, -30.0};
    const CLengthFormatter formatter;
    for (const Case& f : formats) {
        for (const double inches : lengths) {
            const CString text = formatter.FormatLength(inches, f.format, f.precision, f.unit);
            double read = 0.0;
            ASSERT_TRUE(CLengthFormatter::ParseLength(text, read, f.format, f.unit)) << text.GetString();
            const double step = CLengthFormatter::GetPrecisionStep(f.format, f.precision);
            const double stepInInches = f.format == kFormatDecimal && f.unit == kUnitMillimeters ? step / 25.4
                                        : f.format == kFormatDecimal && f.unit == kUnitMeters ? step / 0.0254
                                        : f.format == kFormatDecimal && f.unit == kUnitCentimeters
                                            ? step / 2.54
                                        : f.format == kFormatDecimal && f.unit == kUnitFeet ? step * 12
                                                                                            : step;
            EXPECT_NEAR(read, inches, stepInInches / 2 + 1e-9) << text.GetString();
        }
    }
}

TEST_F(LengthFormatterTest, TypedLengthsUseTheCurrentUnits)
{
    double inches = 0.0;
    ASSERT_TRUE(CLengthFormatter::ParseLengthWithCurrentUnits(L"6", inches));
    EXPECT_DOUBLE_EQ(inches, 6.0) << "architectural: inches";

    Set(L"LengthFormat", CTypedValue(int{kFormatDecimal}));
    Set(L"LengthUnit", CTypedValue(int{kUnitMillimeters}));
    ASSERT_TRUE(CLengthFormatter::ParseLengthWithCurrentUnits(CString(Local(L"50.8").c_str()), inches));
    EXPECT_DOUBLE_EQ(inches, 2.0);

    Set(L"LengthFormat", CTypedValue(int{kFormatEngineering}));
    ASSERT_TRUE(CLengthFormatter::ParseLengthWithCurrentUnits(L"2", inches));
    EXPECT_DOUBLE_EQ(inches, 24.0) << "engineering: feet, whatever the stored unit";
}

TEST(LengthPrecisionTest, StepsAndRounding)
{
    struct Case {
        int32_t format;
        int32_t precision;
        double step;
        double value;
        double rounded;
    };
    const Case cases[] = {
        {kFormatDecimal, 0, 1.0, 2.5, 3.0},        {kFormatDecimal, 2, 0.01, 1.234, 1.23},
        {kFormatEngineering, 0, 12.0, 18.0, 24.0}, {kFormatEngineering, 1, 1.2, 1.7, 1.2},
        {kFormatArchitectural, 0, 1.0, 6.49, 6.0}, {kFormatArchitectural, 4, 0.0625, 1.03, 1.0},
        {kFormatFractional, 3, 0.125, 2.4, 2.375},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(CLengthFormatter::GetPrecisionStep(c.format, c.precision), c.step);
        EXPECT_NEAR(CLengthFormatter::RoundToPrecision(c.value, c.format, c.precision), c.rounded, 1e-12);
    }
}
