#pragma once
// CLengthFormatter: lengths (stored in inches) as the text the user sees, and typed text back
// into inches, in the notations of the units options (database/UnitsOptions.h):
//   decimal        in the chosen unit, with its mark:          25.4mm
//   architectural  feet and inches with a fraction:            1' 6 1/2"
//   engineering    decimal feet:                               1.50'
//   fractional     inches with a fraction:                     2 3/8"
// A value that rounding to the precision changed by 0.001 or more is marked "~ ".
//
// Precision is the number of decimals (decimal, engineering) or the power of two of the
// smallest fraction (architectural, fractional: 4 is 1/16). It is clamped to 0..6: the
// fraction search ends at 1/64, so a finer step would drop whole values. A format outside 0..3
// is taken as decimal, a unit outside 0..4 as inches. The "." of the numbers becomes the
// user's decimal separator, which parsing expects too.

#include <cstdint>
#include <string>

#include "platform/mfc/String.h"

class CLengthFormatter {
public:
    static constexpr int32_t kMaxPrecision = 6;

    // A precision of -1 takes the current LengthPrecision, now. With forceFraction the
    // architectural and engineering texts show the fraction or the decimals even when the
    // fractional part is below one precision step.
    explicit CLengthFormatter(int32_t precision = -1, bool forceFraction = false);

    int32_t GetPrecision() const { return m_precision; }

    // In the current format and effective unit, at the formatter's precision.
    CString Format(double inches) const;
    // Empty for a value that is not finite.
    CString FormatLength(double inches, int32_t format, int32_t precision, int32_t unit) const;
    // FormatLength without the "~", trailing zeros of the decimals, a separator left last and,
    // unless keepSuffix, the unit mark.
    CString FormatTrimmed(double inches, int32_t format, int32_t precision, int32_t unit,
                          bool keepSuffix) const;

    // Reads a typed length: feet before an apostrophe, then a number with an optional
    // fraction or unit mark ("cm", "mm", "m", '"', "'"; case ignored). A number without a mark
    // is in feet for the engineering format, inches for architectural and fractional, and in
    // the given unit for decimal. False, with the value 0, when the text cannot be read or
    // gives no finite length.
    static bool ParseLength(const CString& text, double& inches, int32_t format, int32_t unit);
    // With the current format, and for decimal the current effective unit.
    static bool ParseLengthWithCurrentUnits(const CString& text, double& inches);

    // The length of one step of the precision, in the unit the format rounds in (inches; the
    // decimal format's own unit).
    static double GetPrecisionStep(int32_t format, int32_t precision);
    static double RoundToPrecision(double value, int32_t format, int32_t precision);
    // '"' for inches and unknown units, "'" for feet, "mm", "cm", "m".
    static CString GetUnitSuffix(int32_t unit);
    static int32_t GetDefaultPrecision();

private:
    std::wstring FormatNumber(double value, int32_t format, int32_t decimals, int32_t unit) const;
    std::wstring FormatArchitectural(double inches, int32_t precision, int32_t unit) const;

    int32_t m_precision;
    bool m_forceFraction;
};
