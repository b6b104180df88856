#include "support/Color.h"

#include "support/StringUtils.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstddef>

namespace orbisk::utils {

namespace {

// Tolerant comparisons of unit values and hues.
constexpr double kColorTolerance = 0.001;

bool IsBelow(double a, double b)
{
    return a - b <= -kColorTolerance;
}
bool IsAbove(double a, double b)
{
    return a - b >= kColorTolerance;
}
bool IsNear(double a, double b)
{
    return std::fabs(a - b) < kColorTolerance;
}

float Unit(std::uint8_t channel)
{
    return channel / 255.0f;
}

struct NamedColor {
    std::uint8_t red, green, blue;
    const wchar_t* name;
};

// The CSS colour keywords; only LightGrey is spelt "Grey".
constexpr std::array<NamedColor, 140> kNamedColors{{
    {240, 248, 255, L"AliceBlue"},
    {250, 235, 215, L"AntiqueWhite"},
    {0, 255, 255, L"Aqua"},
    {127, 255, 212, L"Aquamarine"},
    {240, 255, 255, L"Azure"},
    {245, 245, 220, L"Beige"},
    {255, 228, 196, L"Bisque"},
    {0, 0, 0, L"Black"},
    {255, 235, 205, L"BlanchedAlmond"},
    {0, 0, 255, L"Blue"},
    {138, 43, 226, L"BlueViolet"},
    {165, 42, 42, L"Brown"},
    {222, 184, 135, L"BurlyWood"},
    {95, 158, 160, L"CadetBlue"},
    {127, 255, 0, L"Chartreuse"},
    {210, 105, 30, L"Chocolate"},
    {255, 127, 80, L"Coral"},
    {100, 149, 237, L"CornflowerBlue"},
    {255, 248, 220, L"Cornsilk"},
    {220, 20, 60, L"Crimson"},
    {0, 255, 255, L"Cyan"},
    {0, 0, 139, L"DarkBlue"},
    {0, 139, 139, L"DarkCyan"},
    {184, 134, 11, L"DarkGoldenrod"},
    {169, 169, 169, L"DarkGray"},
    {0, 100, 0, L"DarkGreen"},
    {189, 183, 107, L"DarkKhaki"},
    {139, 0, 139, L"DarkMagenta"},
    {85, 107, 47, L"DarkOliveGreen"},
    {255, 140, 0, L"DarkOrange"},
    {153, 50, 204, L"DarkOrchid"},
    {139, 0, 0, L"DarkRed"},
    {233, 150, 122, L"DarkSalmon"},
    {143, 188, 143, L"DarkSeaGreen"},
    {72, 61, 139, L"DarkSlateBlue"},
    {47, 79, 79, L"DarkSlateGray"},
    {0, 206, 209, L"DarkTurquoise"},
    {148, 0, 211, L"DarkViolet"},
    {255, 20, 147, L"DeepPink"},
    {0, 191, 255, L"DeepSkyBlue"},
    {105, 105, 105, L"DimGray"},
    {30, 144, 255, L"DodgerBlue"},
    {178, 34, 34, L"FireBrick"},
    {255, 250, 240, L"FloralWhite"},
    {34, 139, 34, L"ForestGreen"},
    {255, 0, 255, L"Fuchsia"},
    {220, 220, 220, L"Gainsboro"},
    {248, 248, 255, L"GhostWhite"},
    {255, 215, 0, L"Gold"},
    {218, 165, 32, L"Goldenrod"},
    {128, 128, 128, L"Gray"},
    {0, 128, 0, L"Green"},
    {173, 255, 47, L"GreenYellow"},
    {240, 255, 240, L"Honeydew"},
    {255, 105, 180, L"HotPink"},
    {205, 92, 92, L"IndianRed"},
    {75, 0, 130, L"Indigo"},
    {255, 255, 240, L"Ivory"},
    {240, 230, 140, L"Khaki"},
    {230, 230, 250, L"Lavender"},
    {255, 240, 245, L"LavenderBlush"},
    {124, 252, 0, L"LawnGreen"},
    {255, 250, 205, L"LemonChiffon"},
    {173, 216, 230, L"LightBlue"},
    {240, 128, 128, L"LightCoral"},
    {224, 255, 255, L"LightCyan"},
    {250, 250, 210, L"LightGoldenrodYellow"},
    {144, 238, 144, L"LightGreen"},
    {211, 211, 211, L"LightGrey"},
    {255, 182, 193, L"LightPink"},
    {255, 160, 122, L"LightSalmon"},
    {32, 178, 170, L"LightSeaGreen"},
    {135, 206, 250, L"LightSkyBlue"},
    {119, 136, 153, L"LightSlateGray"},
    {176, 196, 222, L"LightSteelBlue"},
    {255, 255, 224, L"LightYellow"},
    {0, 255, 0, L"Lime"},
    {50, 205, 50, L"LimeGreen"},
    {250, 240, 230, L"Linen"},
    {255, 0, 255, L"Magenta"},
    {128, 0, 0, L"Maroon"},
    {102, 205, 170, L"MediumAquamarine"},
    {0, 0, 205, L"MediumBlue"},
    {186, 85, 211, L"MediumOrchid"},
    {147, 112, 219, L"MediumPurple"},
    {60, 179, 113, L"MediumSeaGreen"},
    {123, 104, 238, L"MediumSlateBlue"},
    {0, 250, 154, L"MediumSpringGreen"},
    {72, 209, 204, L"MediumTurquoise"},
    {199, 21, 133, L"MediumVioletRed"},
    {25, 25, 112, L"MidnightBlue"},
    {245, 255, 250, L"MintCream"},
    {255, 228, 225, L"MistyRose"},
    {255, 228, 181, L"Moccasin"},
    {255, 222, 173, L"NavajoWhite"},
    {0, 0, 128, L"Navy"},
    {253, 245, 230, L"OldLace"},
    {128, 128, 0, L"Olive"},
    {107, 142, 35, L"OliveDrab"},
    {255, 165, 0, L"Orange"},
    {255, 69, 0, L"OrangeRed"},
    {218, 112, 214, L"Orchid"},
    {238, 232, 170, L"PaleGoldenrod"},
    {152, 251, 152, L"PaleGreen"},
    {175, 238, 238, L"PaleTurquoise"},
    {219, 112, 147, L"PaleVioletRed"},
    {255, 239, 213, L"PapayaWhip"},
    {255, 218, 185, L"PeachPuff"},
    {205, 133, 63, L"Peru"},
    {255, 192, 203, L"Pink"},
    {221, 160, 221, L"Plum"},
    {176, 224, 230, L"PowderBlue"},
    {128, 0, 128, L"Purple"},
    {255, 0, 0, L"Red"},
    {188, 143, 143, L"RosyBrown"},
    {65, 105, 225, L"RoyalBlue"},
    {139, 69, 19, L"SaddleBrown"},
    {250, 128, 114, L"Salmon"},
    {244, 164, 96, L"SandyBrown"},
    {46, 139, 87, L"SeaGreen"},
    {255, 245, 238, L"Seashell"},
    {160, 82, 45, L"Sienna"},
    {192, 192, 192, L"Silver"},
    {135, 206, 235, L"SkyBlue"},
    {106, 90, 205, L"SlateBlue"},
    {112, 128, 144, L"SlateGray"},
    {255, 250, 250, L"Snow"},
    {0, 255, 127, L"SpringGreen"},
    {70, 130, 180, L"SteelBlue"},
    {210, 180, 140, L"Tan"},
    {0, 128, 128, L"Teal"},
    {216, 191, 216, L"Thistle"},
    {255, 99, 71, L"Tomato"},
    {64, 224, 208, L"Turquoise"},
    {238, 130, 238, L"Violet"},
    {245, 222, 179, L"Wheat"},
    {255, 255, 255, L"White"},
    {245, 245, 245, L"WhiteSmoke"},
    {255, 255, 0, L"Yellow"},
    {154, 205, 50, L"YellowGreen"},
}};

struct Extremes {
    double max, min;
};

// Tolerant: a channel replaces the running extreme only when clearly beyond it.
Extremes FindExtremes(double r, double g, double b)
{
    double max = r;
    if (IsAbove(g, r))
        max = g;
    if (IsAbove(b, max))
        max = b;
    double min = r;
    if (IsBelow(g, r))
        min = g;
    if (IsBelow(b, min))
        min = b;
    return {max, min};
}

// The hue of a colour that has one (d = max - min not near 0), in degrees.
double Hue(double r, double g, double b, double max, double d)
{
    const double rc = (max - r) / d;
    const double gc = (max - g) / d;
    const double bc = (max - b) / d;
    double hue = 0;
    if (IsNear(r, max))
        hue = bc - gc;
    else if (IsNear(g, max))
        hue = 2 + rc - bc;
    else if (IsNear(b, max))
        hue = 4 + gc - rc;
    hue *= 60;
    if (IsBelow(hue, 0))
        hue += 360;
    return hue;
}

double HueToChannel(double m1, double m2, double hue)
{
    if (IsAbove(hue, 360))
        hue -= 360;
    else if (IsBelow(hue, 0))
        hue += 360;
    if (IsBelow(hue, 60))
        return m1 + (m2 - m1) * hue / 60;
    if (IsBelow(hue, 180))
        return m2;
    if (IsBelow(hue, 240))
        return m1 + (m2 - m1) * (240 - hue) / 60;
    return m1;
}

// Brings a hue into the tolerant range (-e, 360 + e).
double WrapHue(double hue)
{
    if (!std::isfinite(hue))
        return 0;
    if (std::fabs(hue) > 720)
        hue = std::fmod(hue, 360.0);
    while (IsBelow(hue, 0))
        hue += 360;
    while (IsAbove(hue, 360))
        hue -= 360;
    return hue;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower >= 'a' && lower <= 'f')
        return lower - 'a' + 10;
    return -1;
}

// Calls visit(b, g, r) on every pixel; false unless there are 24- or 32-bit pixels.
template <typename Visit>
bool ForEachPixel(std::uint8_t* pixels, int width, int height, int bitsPerPixel, int stride, Visit visit)
{
    if (!pixels || (bitsPerPixel != 24 && bitsPerPixel != 32))
        return false;
    const std::ptrdiff_t pixelSize = bitsPerPixel / 8;
    const std::ptrdiff_t rowStep = stride != 0 ? stride : width * pixelSize;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* pixel = pixels + y * rowStep;
        for (int x = 0; x < width; ++x, pixel += pixelSize)
            visit(pixel[0], pixel[1], pixel[2]);
    }
    return true;
}

}  // namespace

std::uint8_t UnitToByte(double value)
{
    if (value <= 0)
        return 0;
    if (value >= 1)
        return 255;
    return static_cast<std::uint8_t>(value * 255);
}

CColor CColor::FromUnitRGBA(double r, double g, double b, double a)
{
    return CColor(UnitToByte(r), UnitToByte(g), UnitToByte(b), UnitToByte(a));
}

float CColor::GetMaxUnit() const
{
    return Unit(std::max({red, green, blue}));
}

float* CColor::GetUnitRGBA(float* target) const
{
    static float shared[4];
    float* out = target ? target : shared;
    out[0] = GetRedUnit();
    out[1] = GetGreenUnit();
    out[2] = GetBlueUnit();
    out[3] = GetAlphaUnit();
    return out;
}

void CColor::Lerp(CColor& result, const CColor& a, const CColor& b, double t)
{
    const auto mix = [t](std::uint8_t x, std::uint8_t y) {
        return UnitToByte(Unit(x) * t + Unit(y) * (1 - t));
    };
    result = CColor(mix(a.red, b.red), mix(a.green, b.green), mix(a.blue, b.blue), mix(a.alpha, b.alpha));
}

void CColor::BlendWith(const CColor& other, double t)
{
    Lerp(*this, *this, other, t);
}

void CColor::BlendOver(const CColor& other)
{
    if (alpha == 0) {
        *this = other;
        return;
    }
    if (alpha == 255)
        return;
    const float cover = 1 - GetAlphaUnit();
    const auto blend = [cover](std::uint8_t self, std::uint8_t under) {
        return UnitToByte(Unit(self) + (Unit(under) - Unit(self)) * cover);
    };
    *this = CColor(blend(red, other.red), blend(green, other.green), blend(blue, other.blue),
                   blend(alpha, other.alpha));
}

bool CColor::GetHSL(double& hue, double& lightness, double& saturation) const
{
    if (GetPacked() == 0)
        return false;
    RGBToHSL(red, green, blue, hue, lightness, saturation);
    return true;
}

bool CColor::GetHSV(double& hue, double& saturation, double& value) const
{
    if (GetPacked() == 0)
        return false;
    RGBToHSV(red, green, blue, hue, saturation, value);
    return true;
}

bool CColor::SetFromName(const std::wstring& text)
{
    for (const NamedColor& named : kNamedColors) {
        if (CompareNoCase(text, named.name) == 0) {
            *this = CColor(named.red, named.green, named.blue, 255);
            return true;
        }
    }
    return ParseHexColor(text, *this);
}

void RGBToHSL(std::uint8_t red, std::uint8_t green, std::uint8_t blue, double& hue, double& lightness,
              double& saturation)
{
    const double r = Unit(red), g = Unit(green), b = Unit(blue);
    const auto [max, min] = FindExtremes(r, g, b);
    lightness = (max + min) / 2;
    if (IsNear(max, min)) {
        saturation = 0;
        hue = -1;
        return;
    }
    const double d = max - min;
    const bool darkHalf = IsBelow(lightness, 0.5) || IsNear(lightness, 0.5);
    saturation = darkHalf ? d / (max + min) : d / (2 - max - min);
    hue = Hue(r, g, b, max, d);
}

void RGBToHSV(std::uint8_t red, std::uint8_t green, std::uint8_t blue, double& hue, double& saturation,
              double& value)
{
    const double r = Unit(red), g = Unit(green), b = Unit(blue);
    const auto [max, min] = FindExtremes(r, g, b);
    value = max;
    saturation = IsNear(max, 0) ? 0 : (max - min) / max;
    hue = IsNear(saturation, 0) ? -1 : Hue(r, g, b, max, max - min);
}

void HSLToRGB(double hue, double lightness, double saturation, std::uint8_t& red, std::uint8_t& green,
              std::uint8_t& blue)
{
    const double m2 = IsBelow(lightness, 0.5) ? lightness * (1 + saturation)
                                              : lightness + saturation - lightness * saturation;
    const double m1 = 2 * lightness - m2;
    if (IsNear(saturation, 0)) {
        red = green = blue = UnitToByte(lightness);
        return;
    }
    red = UnitToByte(HueToChannel(m1, m2, hue + 120));
    green = UnitToByte(HueToChannel(m1, m2, hue));
    blue = UnitToByte(HueToChannel(m1, m2, hue - 120));
}

bool CompareHSL(double& hueAmount, double& lightnessAmount, double& saturationAmount, const CColor& a,
                const CColor& b, bool relative)
{
    double ha = 0, la = 0, sa = 0, hb = 0, lb = 0, sb = 0;
    a.GetHSL(ha, la, sa);
    b.GetHSL(hb, lb, sb);
    lightnessAmount = lb - la;
    if (a.IsGrey() || b.IsGrey()) {
        hueAmount = a.IsGrey() && !b.IsGrey() ? hb : 0;
        saturationAmount = b.IsGrey() ? (a.IsGrey() ? 0 : -1) : sb;
        return true;
    }
    saturationAmount = sb - sa;
    hueAmount = relative ? hb - ha : hb;
    return false;
}

void AdjustHSL(std::uint8_t& red, std::uint8_t& green, std::uint8_t& blue, double hueAmount,
               double lightnessAmount, double saturationAmount, bool relative)
{
    double hue = 0, lightness = 0, saturation = 0;
    RGBToHSL(red, green, blue, hue, lightness, saturation);
    hue = WrapHue(relative ? hue + hueAmount : hueAmount);
    saturation = std::clamp(saturation + saturationAmount, 0.0, 1.0);
    lightness = std::clamp(lightness + lightnessAmount, 0.01, 1.0);
    if (IsNear(saturation, 0)) {
        red = green = blue = UnitToByte(lightness);
        return;
    }
    HSLToRGB(hue, lightness, saturation, red, green, blue);
}

bool ColorizePixels(std::uint8_t* pixels, int width, int height, int bitsPerPixel, int stride,
                    double hueAmount, double lightnessAmount, double saturationAmount, bool relative)
{
    return ForEachPixel(pixels, width, height, bitsPerPixel, stride,
                        [&](std::uint8_t& b, std::uint8_t& g, std::uint8_t& r) {
                            AdjustHSL(r, g, b, hueAmount, lightnessAmount, saturationAmount, relative);
                        });
}

bool ReplaceColorPixels(std::uint8_t* pixels, int width, int height, int bitsPerPixel, int stride,
                        const CColor& match, const CColor& matched, const CColor& other)
{
    return ForEachPixel(pixels, width, height, bitsPerPixel, stride,
                        [&](std::uint8_t& b, std::uint8_t& g, std::uint8_t& r) {
                            const bool isMatch = r == match.red && g == match.green && b == match.blue;
                            const CColor& to = isMatch ? matched : other;
                            r = to.red;
                            g = to.green;
                            b = to.blue;
                        });
}

bool ParseHexColor(const std::wstring& text, CColor& color)
{
    const size_t start = text.find_first_not_of(L'#');
    std::string hex = start == std::wstring::npos ? std::string() : ToUtf8(text.substr(start));
    if (hex.size() == 3)
        hex = {hex[0], hex[0], hex[1], hex[1], hex[2], hex[2]};
    if (hex.size() != 6)
        return false;
    int bytes[3];
    for (int i = 0; i < 3; ++i) {
        const int high = HexDigit(hex[2 * i]);
        const int low = HexDigit(hex[2 * i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes[i] = high * 16 + low;
    }
    color = CColor(bytes[0], bytes[1], bytes[2], 255);
    return true;
}

}  // namespace orbisk::utils
