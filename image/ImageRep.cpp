#include "image/ImageRep.h"

#include "image/PLAnyBmp.h"
#include "image/PLFilterFlip.h"
#include "image/PLFilterFlipRGB.h"
#include "image/PLFilterGrayscale.h"
#include "image/PLFilterResizeBilinear.h"
#include "image/PLTextException.h"
#include "image/PLWinBmp.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace orbisk::imageutils {
namespace {

constexpr double kUnitTolerance = 0.001;

// Runs a step that may throw; false when it did.
template <class Step>
bool Try(Step&& step)
{
    try {
        step();
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace

int BytesPerPixelForFormat(int format)
{
    switch (format) {
        case kFormatRGB: return 3;
        case kFormatRGBA: return 4;
        case kFormatGrey: return 1;
        default: return 0;
    }
}

const PLPixelFormat& PixelFormatForBits(int bits)
{
    static const PLPixelFormat kUnnamed;
    switch (bits) {
        case 8: return PLPixelFormat::FindByName("I8");
        case 16: return PLPixelFormat::FindByName("B5G6R5");
        case 24: return PLPixelFormat::FindByName("B8G8R8");
        case 32: return PLPixelFormat::FindByName("A8R8G8B8");
        default: return kUnnamed;
    }
}

ImageRep::ImageRep() = default;

ImageRep::~ImageRep() = default;

bool ImageRep::IsValid() const
{
    return m_pBitmap != nullptr;
}

void ImageRep::Free()
{
    m_pBitmap.reset();
}

void ImageRep::Create(int width, int height, int format, int padding, const uint8_t* pixels)
{
    Free();
    const int bytesPerPixel = BytesPerPixelForFormat(format);
    if (bytesPerPixel == 0 || width < 1 || height < 1 || padding < 0)
        return;
    Try([&] {
        auto bitmap = std::make_unique<PLAnyBmp>();
        // The caller's padding only tells how to read its rows; ours are packed.
        const int64_t stride = int64_t(width) * bytesPerPixel + padding;
        if (stride > INT32_MAX)
            return;
        bitmap->Create(width, height, PixelFormatForBits(bytesPerPixel * 8), pixels, int32_t(stride), {});
        m_pBitmap = std::move(bitmap);
    });
}

int ImageRep::GetHeight() const
{
    return m_pBitmap ? m_pBitmap->GetHeight() : 0;
}

int ImageRep::GetWidth() const
{
    return m_pBitmap ? m_pBitmap->GetWidth() : 0;
}

int ImageRep::GetBytesPerPixel() const
{
    return m_pBitmap ? m_pBitmap->GetBitsPerPixel() / 8 : 0;
}

int ImageRep::GetBytesPerLine() const
{
    return GetWidth() * GetBytesPerPixel() + GetRowPadding();
}

int ImageRep::GetRowPadding() const
{
    return 0;
}

uint8_t* ImageRep::GetPixels()
{
    return const_cast<uint8_t*>(std::as_const(*this).GetPixels());
}

const uint8_t* ImageRep::GetPixels() const
{
    return m_pBitmap && m_pBitmap->GetHeight() > 0 ? m_pBitmap->GetLine(0) : nullptr;
}

int ImageRep::GetFormat() const
{
    switch (m_pBitmap ? m_pBitmap->GetBitsPerPixel() : 0) {
        case 8: return kFormatGrey;
        case 24: return kFormatRGB;
        default: return kFormatRGBA;
    }
}

int64_t ImageRep::GetImageSize() const
{
    return int64_t(std::abs(GetHeight())) * GetBytesPerLine();
}

bool ImageRep::CopyFrom(const ImageRep& other)
{
    if (&other == this)
        return true;
    Free();
    if (!other.IsValid())
        return true;
    Create(other.GetWidth(), other.GetHeight(), other.GetFormat(), other.GetRowPadding(), other.GetPixels());
    return IsValid();
}

bool ImageRep::CopyScaledFrom(const ImageRep& other, int width, int height)
{
    if (&other == this)
        return false;
    Free();
    if (!other.IsValid())
        return true;
    if (width < 1 || height < 1)
        return false;
    const bool done = Try([&] {
        PLAnyBmp source;
        if (!other.CopyToBitmap(source))
            throw PLTextException(PLErr::Internal, "The image has no pixels.");
        // Grey sources are scaled in colour, so the result is 32-bit.
        if (other.IsGrey())
            source.CreateConvertedCopy(source, PLPixelFormat::FindByName("X8R8G8B8"));
        auto bitmap = std::make_unique<PLAnyBmp>();
        PLFilterResizeBilinear(width, height).ApplyFilter(source, *bitmap);
        m_pBitmap = std::move(bitmap);
    });
    if (!done)
        Free();
    return done;
}

bool ImageRep::SwapRedBlue()
{
    if (!m_pBitmap)
        return false;
    if (IsGrey())
        return true;
    return Try([&] { PLFilterFlipRGB().ApplyInPlace(*m_pBitmap); });
}

bool ImageRep::FlipVertical()
{
    if (!m_pBitmap)
        return false;
    return Try([&] { PLFilterFlip().Apply(*m_pBitmap); });
}

bool ImageRep::GetRowCursor(int row, PixelRGB& cursor)
{
    const int bytesPerPixel = GetBytesPerPixel();
    if (!HasPixels() || row < 0 || row >= GetHeight() || bytesPerPixel != cursor.GetBytesPerPixel()) {
        cursor.SetBuffer(nullptr, 0);
        return false;
    }
    return cursor.SetBuffer(GetPixels() + int64_t(row) * GetBytesPerLine(),
                            GetBytesPerLine() / bytesPerPixel);
}

bool ImageRep::PasteImage(const ImageRep& source, int x, int y, bool bottomUp)
{
    if (x < 0 || y < 0 || x > GetWidth() || y > GetHeight() || !source.HasPixels() || !HasPixels() ||
        source.GetFormat() != GetFormat())
        return false;
    const int rows = std::min(source.GetHeight(), GetHeight() - y);
    const int bytesPerPixel = GetBytesPerPixel();
    const size_t rowBytes = size_t(std::min(source.GetWidth(), GetWidth() - x)) * size_t(bytesPerPixel);
    uint8_t* target = GetPixels() + int64_t(y) * GetBytesPerLine() + int64_t(x) * bytesPerPixel;
    for (int i = 0; i < rows; ++i) {
        const int sourceRow = bottomUp ? source.GetHeight() - 1 - i : i;
        std::memcpy(target + int64_t(i) * GetBytesPerLine(),
                    source.GetPixels() + int64_t(sourceRow) * source.GetBytesPerLine(), rowBytes);
    }
    return true;
}

bool ImageRep::AdjustHLS(double hue, double lightness, double saturation, bool relativeHue)
{
    if (hue == 0 && lightness == 0 && saturation == 0)
        return true;
    if (!HasPixels())
        return false;
    return utils::ColorizePixels(GetPixels(), GetWidth(), GetHeight(), GetBytesPerPixel() * 8,
                                 GetBytesPerLine(), hue, lightness, saturation, relativeHue);
}

utils::CColor ImageRep::GetAverageColor() const
{
    return GetAverageColorInRect(0, 0, GetWidth() - 1, GetHeight() - 1);
}

utils::CColor ImageRep::GetAverageColorInRect(int x0, int y0, int x1, int y1) const
{
    if (!HasPixels() || x0 < 0 || x0 > x1 || x1 >= GetWidth() || y0 < 0 || y0 > y1 || y1 >= GetHeight())
        return {};
    const int bytesPerPixel = GetBytesPerPixel();
    const bool hasAlpha = GetFormat() == kFormatRGBA;
    double red = 0, green = 0, blue = 0, alpha = 0;
    for (int y = y0; y <= y1; ++y) {
        const uint8_t* pixel = GetPixels() + int64_t(y) * GetBytesPerLine() + int64_t(x0) * bytesPerPixel;
        for (int x = x0; x <= x1; ++x, pixel += bytesPerPixel) {
            // A grey pixel's byte serves as red, green and blue.
            blue += pixel[0];
            green += pixel[bytesPerPixel > 1 ? 1 : 0];
            red += pixel[bytesPerPixel > 2 ? 2 : 0];
            alpha += hasAlpha ? pixel[3] : 255;
        }
    }
    const double n = double(x1 - x0 + 1) * double(y1 - y0 + 1);
    return utils::CColor(int(red / n), int(green / n), int(blue / n), int(alpha / n));
}

bool ImageRep::Equals(const ImageRep& other) const
{
    if (&other == this)
        return true;
    if (other.GetHeight() != GetHeight() || other.GetWidth() != GetWidth() ||
        other.GetBytesPerPixel() != GetBytesPerPixel())
        return false;
    if (!HasPixels() || !other.HasPixels())
        return HasPixels() == other.HasPixels();
    const size_t rowBytes = size_t(GetWidth()) * size_t(GetBytesPerPixel());
    for (int y = 0; y < GetHeight(); ++y) {
        if (std::memcmp(GetPixels() + int64_t(y) * GetBytesPerLine(),
                        other.GetPixels() + int64_t(y) * other.GetBytesPerLine(), rowBytes) != 0)
            return false;
    }
    return true;
}

void ImageRep::CountAlphaPixels(int& opaque, int& transparent, int& partial) const
{
    opaque = transparent = partial = 0;
    if (!HasPixels())
        return;
    if (GetBytesPerPixel() < 4) {
        opaque = GetWidth() * GetHeight();
        return;
    }
    for (int y = 0; y < GetHeight(); ++y) {
        const uint8_t* pixel = GetPixels() + int64_t(y) * GetBytesPerLine();
        for (int x = 0; x < GetWidth(); ++x, pixel += 4) {
            if (pixel[3] == 255)
                ++opaque;
            else if (pixel[3] == 0)
                ++transparent;
            else
                ++partial;
        }
    }
}

bool ImageRep::ReplaceConverted(const char* format)
{
    return Try([&] {
        auto converted = std::make_unique<PLAnyBmp>();
        converted->CreateConvertedCopy(*m_pBitmap, PLPixelFormat::FindByName(format));
        m_pBitmap = std::move(converted);
    });
}

bool ImageRep::ConvertToRGBA()
{
    if (IsValid() && IsRGBA())
        return true;
    if (!m_pBitmap)
        return false;
    return ReplaceConverted(m_pBitmap->GetBitsPerPixel() < 25 ? "X8R8G8B8" : "A8R8G8B8");
}

bool ImageRep::ConvertToRGB()
{
    if (IsValid() && IsRGB())
        return true;
    if (!m_pBitmap)
        return false;
    return ReplaceConverted("B8G8R8");
}

bool ImageRep::ConvertToGrey()
{
    if (IsValid() && IsGrey())
        return true;
    if (!m_pBitmap)
        return false;
    return Try([&] { PLFilterGrayscale().Apply(*m_pBitmap); });
}

bool ImageRep::ConvertToRGBAWithAlpha()
{
    if (!ConvertToRGBA())
        return false;
    // Memory of the caller has no format name to change.
    if (!m_pBitmap)
        return true;
    // Converted pixels are opaque already; from here on their fourth byte means alpha.
    return Try([&] { m_pBitmap->SetAlphaChannel(true); });
}

template <class Step>
void ImageRep::ForEachRGBA(Step&& step)
{
    PixelRGBA pixel;
    for (int y = 0; y < GetHeight(); ++y) {
        GetRowCursor(y, pixel);
        for (int x = 0; x < GetWidth(); ++x, pixel.Next())
            step(pixel);
    }
}

bool ImageRep::MultiplyAlpha(double factor)
{
    if (std::fabs(factor - 1) <= kUnitTolerance)
        return true;
    if (factor < -kUnitTolerance || !ConvertToRGBAWithAlpha())
        return false;
    ForEachRGBA(
        [factor](PixelRGBA& pixel) { pixel.SetAlpha(utils::UnitToByte(pixel.GetAlpha() / 255.0 * factor)); });
    return true;
}

bool ImageRep::SetAlpha(double opacity)
{
    if (!ConvertToRGBAWithAlpha())
        return false;
    const uint8_t alpha = utils::UnitToByte(opacity);
    ForEachRGBA([alpha](PixelRGBA& pixel) { pixel.SetAlpha(alpha); });
    return true;
}

bool ImageRep::AlphaToGrey()
{
    if (!ConvertToRGBA())
        return false;
    ForEachRGBA([](PixelRGBA& pixel) {
        const auto grey = uint8_t(255 - pixel.GetAlpha());
        pixel.SetRGBA(grey, grey, grey, 255);
    });
    return true;
}

bool ImageRep::LuminanceToAlpha()
{
    if (!ConvertToRGBAWithAlpha())
        return false;
    ForEachRGBA([](PixelRGBA& pixel) {
        const int luminance = (pixel.GetRed() + pixel.GetGreen() + pixel.GetBlue()) / 3;
        pixel.SetRGBA(255, 255, 255, uint8_t(255 - luminance));
    });
    return true;
}

void ImageRep::TintFromLuminance(const utils::CColor& tint, double factor)
{
    if (!IsValid() || !IsRGBA())
        return;
    const bool tinted = tint.red != 0 || tint.green != 0 || tint.blue != 0;
    ForEachRGBA([&](PixelRGBA& pixel) {
        uint8_t red = pixel.GetRed(), green = pixel.GetGreen(), blue = pixel.GetBlue();
        const uint8_t alpha = pixel.GetAlpha();
        if (alpha != 255) {
            // Seen over white: a fully transparent pixel is white.
            const double cover = 1 - alpha / 255.0;
            const auto overWhite = [cover](uint8_t c) {
                return utils::UnitToByte(c / 255.0 + (1 - c / 255.0) * cover);
            };
            red = overWhite(red);
            green = overWhite(green);
            blue = overWhite(blue);
        }
        uint8_t newAlpha = utils::UnitToByte(1 - std::max({red, green, blue}) / 255.0);
        if (tinted) {
            red = tint.red;
            green = tint.green;
            blue = tint.blue;
        }
        if (factor != 1)
            newAlpha = utils::UnitToByte(factor * newAlpha / 255);
        pixel.SetRGBA(red, green, blue, newAlpha);
    });
}

bool ImageRep::Resize(int width, int height)
{
    if (!m_pBitmap || width < 1 || height < 1)
        return false;
    // Grey pixels are luminance, whatever the format's name; scaled as such they come
    // back exact, where a trip through colour would lose a step on some values.
    if (IsGrey() && !m_pBitmap->IsGreyscale() && !ReplaceConverted("L8"))
        return false;
    return Try([&] { PLFilterResizeBilinear(width, height).Apply(*m_pBitmap); });
}

bool ImageRep::ScaleToFit(int width, int height)
{
    if (!m_pBitmap || width < 1 || height < 1)
        return false;
    const double aspect = double(GetWidth()) / GetHeight();
    // An extreme aspect ratio still keeps one row or column.
    if (double(width) / height < aspect)
        return Resize(width, std::max(1, int(width / aspect + 0.5)));
    return Resize(std::max(1, int(height * aspect + 0.5)), height);
}

bool ImageRep::Scale(double factor)
{
    if (factor < -kUnitTolerance)
        return false;
    if (std::fabs(factor - 1) <= kUnitTolerance)
        return true;
    return Resize(int(factor * GetWidth()), int(factor * GetHeight()));
}

bool ImageRep::CopyToBitmap(PLBmp& target) const
{
    if (!HasPixels())
        return false;
    return Try([&] {
        target.Create(GetWidth(), GetHeight(), PixelFormatForBits(GetBytesPerPixel() * 8), GetPixels(),
                      GetBytesPerLine(), {});
    });
}

std::unique_ptr<PLWinBmp> ImageRep::CloneBitmap() const
{
    if (!m_pBitmap)
        return nullptr;
    try {
        return std::make_unique<PLWinBmp>(*m_pBitmap);
    } catch (...) {
        return nullptr;
    }
}

}  // namespace orbisk::imageutils
