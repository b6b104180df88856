#include "database/LengthFormatter.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cwchar>
#include <limits>
#include <string_view>

#include "database/UnitsOptions.h"
#include "support/StringUtils.h"

namespace {

constexpr wchar_t kInchMark = L'"';
constexpr wchar_t kFootMark = L'\'';
constexpr double kInchesPerFoot = 12.0;
constexpr double kMillimetersPerInch = 25.4;
constexpr double kCentimetersPerInch = 2.54;
constexpr double kMetersPerInch = 0.0254;
constexpr double kPowersOfTen[] = {1.0, 10.0, 100.0, 1000.0, 1e4, 1e5, 1e6};
// Fractions are searched down to 1/2^kMaxPrecision.
constexpr int kFractionBits = CLengthFormatter::kMaxPrecision;

int32_t ClampPrecision(int32_t precision)
{
    return std::clamp(precision, 0, CLengthFormatter::kMaxPrecision);
}

int32_t NormalFormat(int32_t format)
{
    return format >= kFormatDecimal && format <= kFormatFractional ? format : kFormatDecimal;
}

bool IsFractionFormat(int32_t format)
{
    return format == kFormatArchitectural || format == kFormatFractional;
}

double FromInches(double inches, int32_t unit)
{
    switch (unit) {
        case kUnitFeet: return inches / kInchesPerFoot;
        case kUnitMillimeters: return inches * kMillimetersPerInch;
        case kUnitCentimeters: return inches * kCentimetersPerInch;
        case kUnitMeters: return inches * kMetersPerInch;
        default: return inches;
    }
}

double ToInches(double value, int32_t unit)
{
    switch (unit) {
        case kUnitFeet: return value * kInchesPerFoot;
        case kUnitMillimeters: return value / kMillimetersPerInch;
        case kUnitCentimeters: return value / kCentimetersPerInch;
        case kUnitMeters: return value / kMetersPerInch;
        default: return value;
    }
}

// The integer part of a value of at least 0, saturating: huge lengths print as huge numbers
// instead of overflowing.
long long WholePart(double value)
{
    constexpr double kLimit = 9.0e18;
    return value >= kLimit ? static_cast<long long>(kLimit) : static_cast<long long>(value);
}

std::wstring Printf(const wchar_t* format, ...)
{
    // Enough for any double printed with at most six decimals.
    wchar_t buffer[400];
    va_list arguments;
    va_start(arguments, format);
    const int length = std::vswprintf(buffer, std::size(buffer), format, arguments);
    va_end(arguments);
    return length < 0 ? std::wstring() : std::wstring(buffer, static_cast<size_t>(length));
}

struct Fraction {
    int numerator;
    int denominator;
};

// The first fraction n/2^k (k = 1 to 6) that the fractional part equals; false when none does.
bool FindFraction(double fractionalPart, Fraction& fraction)
{
    // A whole part too large to hold (WholePart saturates) leaves no fraction to show.
    if (!(fractionalPart < 1.0))
        return false;
    for (int bits = 1; bits <= kFractionBits; ++bits) {
        const double scaled = fractionalPart * (1 << bits);
        const int numerator = static_cast<int>(scaled);
        if (scaled - numerator < 0.000001) {
            fraction = {numerator, 1 << bits};
            return true;
        }
    }
    return false;
}

// "w n/d", or "n/d" below 1 inch; empty when the fractional part is no such fraction.
std::wstring FractionText(long long whole, double fractionalPart)
{
    Fraction fraction{};
    if (!FindFraction(fractionalPart, fraction))
        return {};
    return whole >= 1 ? Printf(L"%lld %d/%d", whole, fraction.numerator, fraction.denominator)
                      : Printf(L"%d/%d", fraction.numerator, fraction.denominator);
}

bool IsDigit(wchar_t c)
{
    return c >= L'0' && c <= L'9';
}

size_t SkipDigits(std::wstring_view text, size_t position)
{
    while (position < text.size() && IsDigit(text[position]))
        ++position;
    return position;
}

size_t SkipSpaces(std::wstring_view text, size_t position)
{
    while (position < text.size() && text[position] == L' ')
        ++position;
    return position;
}

double Number(std::wstring_view text)
{
    return ParseNumber(CString(text));
}

// The unit a mark names; false for any other text.
bool UnitOfMark(std::wstring_view mark, int32_t& unit)
{
    struct Mark {
        const wchar_t* text;
        int32_t unit;
    };
    static constexpr Mark kMarks[] = {{L"cm", kUnitCentimeters},
                                      {L"mm", kUnitMillimeters},
                                      {L"m", kUnitMeters},
                                      {L"\"", kUnitInches},
                                      {L"'", kUnitFeet}};
    for (const Mark& candidate : kMarks) {
        if (orbisk::utils::CompareNoCase(mark, candidate.text) == 0) {
            unit = candidate.unit;
            return true;
        }
    }
    return false;
}

// A fraction whose denominator is this small or smaller is a division by zero.
constexpr double kSmallestDenominator = 0.000001;

// One number with an optional fraction or unit mark (no feet part), in the unit it names.
bool ParseLengthPart(std::wstring_view text, double& inches, int32_t format, int32_t unit)
{
    inches = 0.0;
    int32_t valueUnit = format == kFormatEngineering ? kUnitFeet
                        : IsFractionFormat(format)   ? kUnitInches
                                                     : unit;
    if (text.empty())
        return false;
    const size_t start = SkipSpaces(text, 0);
    size_t position = start;
    if (position < text.size() && text[position] == L'-')
        ++position;
    position = SkipDigits(text, position);
    const bool negative = position > start && text[start] == L'-';
    double value = Number(text.substr(start, position - start));

    if (position < text.size()) {
        const wchar_t next = text[position];
        if (next == GetDecimalSeparator()) {
            value = Number(text.substr(start));
            UnitOfMark(text.substr(SkipDigits(text, position + 1)), valueUnit);
        } else if (next == L'/') {
            const size_t denominatorStart = position + 1;
            position = SkipDigits(text, denominatorStart);
            const std::wstring_view denominatorText =
                text.substr(denominatorStart, position - denominatorStart);
            if (denominatorText.empty()) {
                value = 0.0;
            } else {
                const double denominator = Number(denominatorText);
                if (denominator <= kSmallestDenominator)
                    return false;
                value /= denominator;
            }
            if (position < text.size() && text[position] != kInchMark)
                return false;
        } else if (next == L' ') {
            const size_t numeratorStart = SkipSpaces(text, position);
            position = SkipDigits(text, numeratorStart);
            const std::wstring_view numeratorText = text.substr(numeratorStart, position - numeratorStart);
            if (position >= text.size() || text[position] != L'/')
                return false;
            const size_t denominatorStart = position + 1;
            position = SkipDigits(text, denominatorStart);
            const std::wstring_view denominatorText =
                text.substr(denominatorStart, position - denominatorStart);
            if (!numeratorText.empty() && !denominatorText.empty()) {
                const double denominator = Number(denominatorText);
                if (denominator <= kSmallestDenominator)
                    return false;
                const double fraction = Number(numeratorText) / denominator;
                value += negative ? -fraction : fraction;
            }
            if (position < text.size() && text[position] != kInchMark)
                return false;
        } else if (!UnitOfMark(text.substr(position), valueUnit)) {
            return false;
        }
    }
    inches = ToInches(value, valueUnit);
    return true;
}

}  // namespace

CLengthFormatter::CLengthFormatter(int32_t precision, bool forceFraction)
    : m_precision(precision == -1 ? GetDefaultPrecision() : precision), m_forceFraction(forceFraction)
{}

CString CLengthFormatter::Format(double inches) const
{
    return FormatLength(inches, CUnitsOptions::GetLengthFormat(), m_precision,
                        CUnitsOptions::GetEffectiveLengthUnit());
}

double CLengthFormatter::GetPrecisionStep(int32_t format, int32_t precision)
{
    format = NormalFormat(format);
    precision = ClampPrecision(precision);
    if (IsFractionFormat(format))
        return 1.0 / (1 << precision);
    const double step = 1.0 / kPowersOfTen[precision];
    return format == kFormatEngineering ? kInchesPerFoot * step : step;
}

double CLengthFormatter::RoundToPrecision(double value, int32_t format, int32_t precision)
{
    const double step = GetPrecisionStep(format, precision);
    return std::floor(value / step + 0.5) * step;
}

CString CLengthFormatter::GetUnitSuffix(int32_t unit)
{
    switch (unit) {
        case kUnitFeet: return CString(kFootMark);
        case kUnitMillimeters: return L"mm";
        case kUnitCentimeters: return L"cm";
        case kUnitMeters: return L"m";
        default: return CString(kInchMark);
    }
}

int32_t CLengthFormatter::GetDefaultPrecision()
{
    return CUnitsOptions::GetLengthPrecision();
}

CString CLengthFormatter::FormatLength(double inches, int32_t format, int32_t precision, int32_t unit) const
{
    if (!std::isfinite(inches))
        return CString();
    format = NormalFormat(format);
    precision = ClampPrecision(precision);
    const bool negative = inches < 0.0;
    const double absolute = std::fabs(format == kFormatDecimal ? FromInches(inches, unit) : inches);
    const double rounded = RoundToPrecision(absolute, format, precision);
    const bool approximate = std::fabs(absolute - rounded) >= 0.001;

    std::wstring text = approximate ? L"~ " : L"";
    if (negative)
        text += L'-';
    switch (format) {
        case kFormatArchitectural: text += FormatArchitectural(rounded, precision, unit); break;
        case kFormatEngineering:
            text += FormatNumber(rounded / kInchesPerFoot, format, precision, unit);
            break;
        default: text += FormatNumber(rounded, format, precision, unit); break;
    }
    return CString(text);
}

std::wstring CLengthFormatter::FormatArchitectural(double inches, int32_t precision, int32_t unit) const
{
    const long long feet = WholePart((inches + 0.000001) / kInchesPerFoot);
    const double rest = inches - kInchesPerFoot * static_cast<double>(feet);
    if (rest >= 0.001) {
        const std::wstring restText = FormatNumber(rest, kFormatArchitectural, precision, unit);
        return feet != 0 ? Printf(L"%lld' ", feet) + restText : restText;
    }
    if (feet == 0)
        return L"0\"";
    return CUnitsOptions::IsInchDisplayForced() ? Printf(L"%lld' 0\"", feet) : Printf(L"%lld'", feet);
}

std::wstring CLengthFormatter::FormatNumber(double value, int32_t format, int32_t decimals,
                                            int32_t unit) const
{
    const long long whole = WholePart(value + 0.000001);
    const double fractionalPart = decimals == 0 ? 0.0 : value - static_cast<double>(whole);
    const double step = format == kFormatEngineering ? 1.0 / kPowersOfTen[decimals] : 1.0 / (1 << decimals);
    const bool atLeastOneStep = fractionalPart - step > -0.001;

    std::wstring text;
    switch (format) {
        case kFormatArchitectural:
            if (atLeastOneStep || m_forceFraction) {
                text = FractionText(whole, fractionalPart);
                if (!text.empty())
                    text += kInchMark;
            } else {
                text = Printf(L"%lld\"", whole);
            }
            break;
        case kFormatEngineering:
            text = atLeastOneStep || m_forceFraction ? Printf(L"%.*f'", decimals, value)
                                                     : Printf(L"%lld'", whole);
            break;
        case kFormatFractional:
            text = atLeastOneStep ? FractionText(whole, fractionalPart) : Printf(L"%lld", whole);
            if (!CUnitsOptions::IsUnitsDisplaySuppressed())
                text += kInchMark;
            break;
        default:
            text = Printf(L"%.*f", decimals, value);
            if (!CUnitsOptions::IsUnitsDisplaySuppressed())
                text += GetUnitSuffix(unit).GetString();
            break;
    }
    std::replace(text.begin(), text.end(), L'.', GetDecimalSeparator());
    return text;
}

CString CLengthFormatter::FormatTrimmed(double inches, int32_t format, int32_t precision, int32_t unit,
                                        bool keepSuffix) const
{
    std::wstring text = FormatLength(inches, format, precision, unit).GetString();
    if (text.empty())
        return CString();
    if (text.front() == L'~')
        text.erase(0, 1);
    const wchar_t separator = GetDecimalSeparator();
    const size_t lastDigit = text.find_last_of(std::wstring(L"0123456789") + separator);
    if (lastDigit == std::wstring::npos)
        return keepSuffix ? CString(text) : CString();
    size_t end = lastDigit + 1;
    if (text.find(separator) != std::wstring::npos) {
        while (end > 0 && text[end - 1] == L'0')
            --end;
        if (end > 0 && text[end - 1] == separator)
            --end;
    }
    std::wstring result = text.substr(0, end);
    if (keepSuffix)
        result += text.substr(lastDigit + 1);
    return CString(result);
}

bool CLengthFormatter::ParseLength(const CString& text, double& inches, int32_t format, int32_t unit)
{
    inches = 0.0;
    format = NormalFormat(format);
    std::wstring_view rest(text.GetString(), static_cast<size_t>(text.GetLength()));
    if (!rest.empty() && rest.front() == L'~')
        rest.remove_prefix(1);
    double feet = 0.0;
    bool negativeFeet = false;
    const size_t footMark = rest.find(kFootMark);
    if (footMark != std::wstring_view::npos && footMark > 0) {
        const std::wstring_view feetText = rest.substr(0, footMark);
        feet = Number(feetText);
        const size_t firstNonBlank = feetText.find_first_not_of(L" \t");
        negativeFeet = firstNonBlank != std::wstring_view::npos && feetText[firstNonBlank] == L'-';
        rest.remove_prefix(footMark + 1);
    }
    double restInches = 0.0;
    if (!rest.empty() && !ParseLengthPart(rest, restInches, format, unit))
        return false;
    const double result =
        negativeFeet ? feet * kInchesPerFoot - restInches : feet * kInchesPerFoot + restInches;
    if (!std::isfinite(result))
        return false;
    inches = result;
    return true;
}

bool CLengthFormatter::ParseLengthWithCurrentUnits(const CString& text, double& inches)
{
    const int32_t format = CUnitsOptions::GetLengthFormat();
    const int32_t unit = format == kFormatDecimal ? CUnitsOptions::GetEffectiveLengthUnit() : kUnitInches;
    return ParseLength(text, inches, format, unit);
}
