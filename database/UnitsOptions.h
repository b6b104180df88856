#pragma once
// CUnitsOptions: the model's units settings ("UnitsOptions"): length format, unit and
// precision, snapping, angle precision, and two display switches. Lengths are inches, angles
// degrees. The current instance (the current model's) is what length formatting and parsing
// read through the static accessors, which answer the defaults while none is current.
//
// Setting "LengthFormat" or "LengthUnit" also posts "Material Notification" with code 7 (the
// material panels show sizes in these units). Every successful SetOption posts "Option
// Provider Changed", also when the value is the stored one.

#include <cstdint>

#include "database/FixedOptionsProvider.h"

// Codes of "LengthFormat" and "LengthUnit".
enum LengthFormat : int32_t {
    kFormatDecimal = 0,
    kFormatArchitectural = 1,
    kFormatEngineering = 2,
    kFormatFractional = 3
};
enum LengthUnit : int32_t {
    kUnitInches = 0,
    kUnitFeet = 1,
    kUnitMillimeters = 2,
    kUnitCentimeters = 3,
    kUnitMeters = 4
};

struct CUnitsValues {
    int32_t lengthFormat = kFormatArchitectural;
    int32_t lengthUnit = kUnitInches;
    // Decimals, or the power of two of the smallest fraction.
    int32_t lengthPrecision = 4;
    bool lengthSnapEnabled = true;
    double lengthSnapLength = 0.0625;
    int32_t anglePrecision = 1;
    bool angleSnapEnabled = true;
    double snapAngle = 15.0;
    bool suppressUnitsDisplay = false;
    // Architectural lengths of whole feet show 0".
    bool forceInchDisplay = false;
};

class CUnitsOptions : public CFixedOptionsProvider<CUnitsOptions, CUnitsValues> {
public:
    static constexpr std::array<COptionField<CUnitsValues>, 10> kOptions{{
        {L"LengthPrecision", &CUnitsValues::lengthPrecision},
        {L"LengthFormat", &CUnitsValues::lengthFormat},
        {L"LengthUnit", &CUnitsValues::lengthUnit},
        {L"LengthSnapEnabled", &CUnitsValues::lengthSnapEnabled},
        {L"LengthSnapLength", &CUnitsValues::lengthSnapLength},
        {L"AnglePrecision", &CUnitsValues::anglePrecision},
        {L"AngleSnapEnabled", &CUnitsValues::angleSnapEnabled},
        {L"SnapAngle", &CUnitsValues::snapAngle},
        {L"SuppressUnitsDisplay", &CUnitsValues::suppressUnitsDisplay},
        {L"ForceInchDisplay", &CUnitsValues::forceInchDisplay},
    }};

    CString GetName() const override { return L"UnitsOptions"; }
    bool SetOption(const CString& name, const orbisk::utils::CTypedValue& value) override;
    bool IsSavedWithModel(const CString&) const override { return true; }
    bool IsSecondaryFlagSet(const CString&) const override { return false; }

    // The current instance's settings, or the defaults.
    static int32_t GetLengthFormat() { return CurrentValues().lengthFormat; }
    static int32_t GetLengthPrecision() { return CurrentValues().lengthPrecision; }
    // Inches for the architectural format, feet for the engineering one, else LengthUnit.
    static int32_t GetEffectiveLengthUnit();
    static bool IsUnitsDisplaySuppressed() { return CurrentValues().suppressUnitsDisplay; }
    static bool IsInchDisplayForced() { return CurrentValues().forceInchDisplay; }
};

// The user's decimal point, looked up once per process.
wchar_t GetDecimalSeparator();
// The number at the start of the text in the user's numeric locale (leading blanks skipped);
// 0 when nothing converts. Text after the number is ignored.
double ParseNumber(const CString& text);
