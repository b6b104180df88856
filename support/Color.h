#pragma once
// The colour value of the whole system, with unit-value arithmetic, HSL and HSV, colour
// names and two whole-image colour operations.
//
// Unit values are channel bytes divided by 255. Hue is in degrees (-1 for no hue),
// lightness, saturation and value in 0..1. Pixels passed in are blue, green, red in
// memory order, with a fourth byte (left untouched) at 32 bits per pixel.

#include <cstdint>
#include <string>

namespace orbisk::utils {

// 0 at or below 0, 255 at or above 1, else value x 255 truncated toward zero.
std::uint8_t UnitToByte(double value);

class CColor {
public:
    // Four bytes in this order; as one little-endian 32-bit value red is the low byte and
    // the low three bytes form a Windows colour reference. Alpha 255 is opaque; the
    // all-zero colour means "no colour".
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t alpha = 0;

    constexpr CColor() = default;
    // Each argument's low byte becomes the channel.
    constexpr CColor(int r, int g, int b, int a = 255)
        : red(static_cast<std::uint8_t>(r)),
          green(static_cast<std::uint8_t>(g)),
          blue(static_cast<std::uint8_t>(b)),
          alpha(static_cast<std::uint8_t>(a))
    {}
    constexpr explicit CColor(std::uint32_t packed)
        : CColor(static_cast<int>(packed & 0xFF), static_cast<int>((packed >> 8) & 0xFF),
                 static_cast<int>((packed >> 16) & 0xFF), static_cast<int>(packed >> 24))
    {}

    static CColor FromUnitRGBA(double r, double g, double b, double a);

    constexpr std::uint32_t GetPacked() const
    {
        return red | green << 8 | blue << 16 | static_cast<std::uint32_t>(alpha) << 24;
    }
    // red | green << 8 | blue << 16, alpha dropped.
    constexpr std::uint32_t GetRGB() const { return red | green << 8 | blue << 16; }

    void SetRGBA(int r, int g, int b, int a) { *this = CColor(r, g, b, a); }
    void SetUnitRGBA(double r, double g, double b, double a) { *this = FromUnitRGBA(r, g, b, a); }
    void SetAlpha(int a) { alpha = static_cast<std::uint8_t>(a); }
    void SetAlphaUnit(double a) { alpha = UnitToByte(a); }

    float GetRedUnit() const { return red / 255.0f; }
    float GetGreenUnit() const { return green / 255.0f; }
    float GetBlueUnit() const { return blue / 255.0f; }
    float GetAlphaUnit() const { return alpha / 255.0f; }
    // The largest of red, green and blue.
    float GetMaxUnit() const;

    // Writes red, green, blue, alpha as unit values into `target`, or into one shared
    // static array when none is given (valid until the next such call); returns it.
    float* GetUnitRGBA(float* target = nullptr) const;

    bool IsGrey() const { return red == green && green == blue; }

    // Every channel, alpha included: a x t + b x (1 - t).
    static void Lerp(CColor& result, const CColor& a, const CColor& b, double t);
    // Every channel: this x t + other x (1 - t).
    void BlendWith(const CColor& other, double t);
    // Composes this colour over `other` by this colour's alpha: fully transparent gives
    // `other`, opaque leaves this colour, otherwise every channel moves toward `other`.
    void BlendOver(const CColor& other);

    // false, outputs untouched, when all four bytes are zero.
    bool GetHSL(double& hue, double& lightness, double& saturation) const;
    bool GetHSV(double& hue, double& saturation, double& value) const;

    // A name of the colour table (compared without regard to case) or a hexadecimal text;
    // on failure the colour is unchanged.
    bool SetFromName(const std::wstring& text);

    friend constexpr bool operator==(const CColor&, const CColor&) = default;
};

static_assert(sizeof(CColor) == 4);

void RGBToHSL(std::uint8_t red, std::uint8_t green, std::uint8_t blue, double& hue, double& lightness,
              double& saturation);
void HSLToRGB(double hue, double lightness, double saturation, std::uint8_t& red, std::uint8_t& green,
              std::uint8_t& blue);
void RGBToHSV(std::uint8_t red, std::uint8_t green, std::uint8_t blue, double& hue, double& saturation,
              double& value);

// The hue, lightness and saturation amounts that carry colour a to colour b (the tint
// that turns a texture's average colour into a material colour). True when a grey
// colour was involved; the hue amount is relative only with `relative`.
bool CompareHSL(double& hueAmount, double& lightnessAmount, double& saturationAmount, const CColor& a,
                const CColor& b, bool relative);

// Moves the colour by the amounts (the hue is replaced unless `relative`); saturation
// is kept in 0..1 and lightness in 0.01..1.
void AdjustHSL(std::uint8_t& red, std::uint8_t& green, std::uint8_t& blue, double hueAmount,
               double lightnessAmount, double saturationAmount, bool relative);

// Both take `height` rows of `width` pixels, a row starting `stride` bytes after the
// previous one (width x bitsPerPixel / 8 when 0); false, nothing changed, unless there
// are pixels at 24 or 32 bits per pixel.
bool ColorizePixels(std::uint8_t* pixels, int width, int height, int bitsPerPixel, int stride,
                    double hueAmount, double lightnessAmount, double saturationAmount, bool relative);
// Pixels equal to `match` in red, green and blue take `matched`, all others `other`.
bool ReplaceColorPixels(std::uint8_t* pixels, int width, int height, int bitsPerPixel, int stride,
                        const CColor& match, const CColor& matched, const CColor& other);

// "#rrggbb" or "#rgb" (any number of leading "#", hexadecimal digits of either case);
// alpha 255. On failure the colour is unchanged.
bool ParseHexColor(const std::wstring& text, CColor& color);

}  // namespace orbisk::utils
