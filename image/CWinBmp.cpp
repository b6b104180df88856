#include "image/CWinBmp.h"

#include "image/ImageRep.h"
#include "image/PLAnyPicDecoder.h"
#include "image/PLFilterResizeBilinear.h"
#include "image/PLWinBmp.h"
#include "platform/win32/SystemInfo.h"
#include "support/PathUtils.h"
#include "support/ResourceLoader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cwctype>

namespace orbisk::bmputils {
namespace {

constexpr double kAdjustmentTolerance = 0.001;

double Unit(int byte)
{
    return byte / 255.0;
}

// c moved toward target by cover (0 keeps c, 1 gives target), on unit values.
uint8_t Toward(int c, int target, double cover)
{
    return utils::UnitToByte(Unit(c) + (Unit(target) - Unit(c)) * cover);
}

// A 32-bit copy of a bitmap of another depth: with alpha only when it had more than 24 bits.
std::unique_ptr<PLWinBmp> Converted32(const PLBmp& bitmap)
{
    auto converted = std::make_unique<PLWinBmp>();
    converted->CreateConvertedCopy(
        bitmap, PLPixelFormat::FindByName(bitmap.GetBitsPerPixel() < 25 ? "X8R8G8B8" : "A8R8G8B8"));
    return converted;
}

std::unique_ptr<PLWinBmp> EnsureWinBmp32(std::unique_ptr<PLWinBmp> bitmap)
{
    if (bitmap->GetBitsPerPixel() == 32)
        return bitmap;
    return Converted32(*bitmap);
}

// Calls step(pixel) for every 4-byte pixel of a 32-bit bitmap, row by row.
template <class Step>
void ForEachPixel32(PLBmp& bitmap, Step&& step)
{
    for (int32_t y = 0; y < bitmap.GetHeight(); ++y) {
        uint8_t* pixel = bitmap.GetLine(y);
        for (int32_t x = 0; x < bitmap.GetWidth(); ++x, pixel += 4)
            step(pixel);
    }
}

// The largest rectangle of the bitmap's aspect ratio inside rect, centred in it.
utils::IntRect FitAndCentre(const utils::IntRect& rect, int width, int height)
{
    const int rectWidth = rect.right - rect.left;
    const int rectHeight = rect.bottom - rect.top;
    utils::IntRect placement = rect;
    if (double(width) * rectHeight <= double(height) * rectWidth) {
        const int fitted = int(double(width) / height * rectHeight);
        placement.left += (rectWidth - fitted) / 2;
        placement.right = placement.left + fitted;
    } else {
        const int fitted = int(double(height) / width * rectWidth);
        placement.top += (rectHeight - fitted) / 2;
        placement.bottom = placement.top + fitted;
    }
    return placement;
}

// The packed DIB's header, and its rows: stored bottom row first, so the last row of the
// bitmap starts them.
const BITMAPINFO* InfoOf(const PLWinBmp& bitmap)
{
    return reinterpret_cast<const BITMAPINFO*>(bitmap.GetBitmapInfo());
}
const void* BitsOf(const PLWinBmp& bitmap)
{
    return bitmap.GetLine(bitmap.GetHeight() - 1);
}

// Over the button face colour, greyed out when not enabled.
HICON ButtonIcon(CWinBmp& bitmap, bool enabled)
{
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    if (!enabled) {
        utils::CColor grey(face);
        grey.alpha = 255;
        bitmap.GreyOut(grey);
    }
    return bitmap.CreateIcon(false, face, 0, 0);
}

}  // namespace

void Draw(HDC dc, const PLWinBmp& bitmap, int x, int y, DWORD rop)
{
    StretchDraw(dc, bitmap, x, y, bitmap.GetWidth(), bitmap.GetHeight(), rop);
}

void StretchDraw(HDC dc, const PLWinBmp& bitmap, int x, int y, int width, int height, DWORD rop)
{
    if (bitmap.GetHeight() < 1)
        return;
    StretchDIBits(dc, x, y, width, height, 0, 0, bitmap.GetWidth(), bitmap.GetHeight(), BitsOf(bitmap),
                  InfoOf(bitmap), DIB_RGB_COLORS, rop);
}

void DrawScaled(HDC dc, const PLWinBmp& bitmap, int x, int y, double factor, DWORD rop)
{
    StretchDraw(dc, bitmap, x, y, int(factor * bitmap.GetWidth()), int(factor * bitmap.GetHeight()), rop);
}

void DrawPart(HDC dc, const PLWinBmp& bitmap, int x, int y, int left, int top, int right, int bottom)
{
    if (bitmap.GetHeight() < 1 || right <= left || bottom <= top)
        return;
    // The source's lower-left corner, counted from the bottom row as in every bottom-up DIB.
    SetDIBitsToDevice(dc, x, y, DWORD(right - left), DWORD(bottom - top), left, bitmap.GetHeight() - bottom,
                      0, UINT(bitmap.GetHeight()), BitsOf(bitmap), InfoOf(bitmap), DIB_RGB_COLORS);
}

COLORREF BlendOverColorRef(int red, int green, int blue, int alpha, COLORREF background)
{
    if (alpha == 0)
        return background;
    const auto pack = [](int r, int g, int b) { return COLORREF(r | g << 8 | b << 16); };
    if (alpha == 255)
        return pack(red, green, blue);
    const utils::CColor under(background);
    const double cover = 1 - Unit(alpha);
    return pack(Toward(red, under.red, cover), Toward(green, under.green, cover),
                Toward(blue, under.blue, cover));
}

std::wstring GetEncoderNameForPath(const std::wstring& path)
{
    if (path.size() < 4)
        return {};
    std::wstring tail = path.substr(path.size() - 4);
    for (wchar_t& c : tail)
        c = wchar_t(std::towlower(wint_t(c)));
    if (tail == L".jpg")
        return L"JPEG";
    if (tail == L".png")
        return L"PNG";
    if (tail == L".bmp")
        return L"BMP";
    if (tail == L".tif")
        return L"TIF";
    return {};
}

CWinBmp::CWinBmp() = default;

CWinBmp::~CWinBmp() = default;

int CWinBmp::GetWidth() const
{
    return m_pBitmap ? m_pBitmap->GetWidth() : 0;
}

int CWinBmp::GetHeight() const
{
    return m_pBitmap ? m_pBitmap->GetHeight() : 0;
}

bool CWinBmp::LoadFile(const std::wstring& path)
{
    if (!utils::IsRegularFile(path))
        return false;
    return Load(
        [&](PLAnyPicDecoder& decoder, PLWinBmp& bitmap) { decoder.DecodeFile(path.c_str(), bitmap); });
}

bool CWinBmp::LoadResource(uint32_t id, uint32_t resourceType)
{
    m_pBitmap.reset();
    const void* data = nullptr;
    size_t size = 0;
    if (!utils::FindResourceData(resourceType, id, data, size))
        return false;
    return Load([&](PLAnyPicDecoder& decoder, PLWinBmp& bitmap) {
        decoder.DecodeMemory(static_cast<const uint8_t*>(data), size, bitmap);
    });
}

bool CWinBmp::Load(const std::function<void(PLAnyPicDecoder&, PLWinBmp&)>& decode)
{
    m_pBitmap.reset();
    try {
        PLAnyPicDecoder decoder;
        auto bitmap = std::make_unique<PLWinBmp>();
        decode(decoder, *bitmap);
        m_pBitmap = EnsureWinBmp32(std::move(bitmap));
        return true;
    } catch (...) {
        m_pBitmap.reset();
        return false;
    }
}

bool CWinBmp::CreateFromImageRep(const imageutils::ImageRep& image)
{
    m_pBitmap = image.CloneBitmap();
    return m_pBitmap != nullptr;
}

bool CWinBmp::Resize(int width, int height)
{
    if (!m_pBitmap || width < 1 || height < 1)
        return false;
    try {
        PLFilterResizeBilinear(width, height).Apply(*m_pBitmap);
        return true;
    } catch (...) {
        return false;
    }
}

void CWinBmp::ConvertTo32Bit()
{
    if (!m_pBitmap || m_pBitmap->GetBitsPerPixel() == 32)
        return;
    try {
        m_pBitmap = Converted32(*m_pBitmap);
    } catch (...) {
        // The bitmap stays as it was.
    }
}

void CWinBmp::GreyOut(const utils::CColor& colour)
{
    if (!m_pBitmap)
        return;
    const int bits = m_pBitmap->GetBitsPerPixel();
    if (bits != 24 && bits != 32)
        return;
    const int step = bits / 8;
    for (int32_t y = 0; y < m_pBitmap->GetHeight(); ++y) {
        uint8_t* pixel = m_pBitmap->GetLine(y);
        for (int32_t x = 0; x < m_pBitmap->GetWidth(); ++x, pixel += step) {
            const int luminance = int(0.71516 * pixel[1] + 0.212671 * pixel[2] + 0.072169 * pixel[0]);
            const int grey = int(0.5 * luminance + 128);
            if (bits == 32 && pixel[3] == 0) {
                pixel[0] = colour.blue;
                pixel[1] = colour.green;
                pixel[2] = colour.red;
                pixel[3] = colour.alpha;
                continue;
            }
            const uint8_t value = bits == 32 ? Toward(grey, colour.red, 1 - Unit(pixel[3])) : uint8_t(grey);
            pixel[0] = pixel[1] = pixel[2] = value;
            if (bits == 32)
                pixel[3] = 255;
        }
    }
}

void CWinBmp::FlattenOnto(const utils::CColor& colour)
{
    if (!m_pBitmap || colour == utils::CColor() || !m_pBitmap->GetPixelFormat().HasAlphaChannel() ||
        m_pBitmap->GetBitsPerPixel() != 32)
        return;
    ForEachPixel32(*m_pBitmap, [&colour](uint8_t* pixel) {
        const uint8_t alpha = pixel[3];
        if (alpha == 255)
            return;
        if (alpha == 0) {
            pixel[0] = colour.blue;
            pixel[1] = colour.green;
            pixel[2] = colour.red;
            pixel[3] = colour.alpha;
            return;
        }
        const double cover = 1 - Unit(alpha);
        pixel[0] = Toward(pixel[0], colour.blue, cover);
        pixel[1] = Toward(pixel[1], colour.green, cover);
        pixel[2] = Toward(pixel[2], colour.red, cover);
        pixel[3] = 255;
    });
}

void CWinBmp::Fade(PLBmp& bitmap, int amount)
{
    if (bitmap.GetBitsPerPixel() != 32)
        return;
    const double t = amount / 255.0;
    const int64_t width = bitmap.GetWidth();
    const int64_t height = bitmap.GetHeight();
    for (int64_t y = 0; y < height; ++y) {
        uint8_t* row = bitmap.GetLine(int32_t(y));
        for (int64_t x = (height - y) * width / height; x < width; ++x) {
            uint8_t* pixel = row + 4 * x;
            for (int c = 0; c < 3; ++c)
                pixel[c] = Toward(pixel[c], 255, t);
        }
    }
}

void CWinBmp::SetColorAdjustment(double hue, double lightness, double saturation, bool relativeHue)
{
    m_hue = hue;
    m_lightness = lightness;
    m_saturation = saturation;
    m_relativeHue = relativeHue;
}

void CWinBmp::SetRecolor(const utils::CColor& key, const utils::CColor& match, const utils::CColor& other)
{
    m_recolorKey = key;
    m_recolorMatch = match;
    m_recolorOther = other;
    m_recolorPending = true;
}

std::unique_ptr<PLWinBmp> CWinBmp::RenderWithEffects(const utils::IntRect& rect, bool keepAspect,
                                                     utils::IntRect& placement)
{
    if (!m_pBitmap || GetWidth() < 1 || GetHeight() < 1)
        return nullptr;
    placement = keepAspect ? FitAndCentre(rect, GetWidth(), GetHeight()) : rect;
    const int width = placement.right - placement.left;
    const int height = placement.bottom - placement.top;
    if (width < 1 || height < 1)
        return nullptr;
    try {
        auto copy = std::make_unique<PLWinBmp>();
        copy->CreateConvertedCopy(*m_pBitmap, PLPixelFormat::FindByName("A8R8G8B8"));
        if (width != GetWidth() || height != GetHeight())
            PLFilterResizeBilinear(width, height).Apply(*copy);
        // DIB rows run bottom-up, so the lowest row in memory is the last one.
        uint8_t* pixels = copy->GetLine(height - 1);
        const int stride = int(copy->GetBytesPerLine());
        const bool adjust = std::fabs(m_hue) >= kAdjustmentTolerance ||
                            std::fabs(m_lightness) >= kAdjustmentTolerance ||
                            std::fabs(m_saturation) >= kAdjustmentTolerance;
        if (adjust) {
            utils::ColorizePixels(pixels, width, height, 32, stride, m_hue, m_lightness, m_saturation,
                                  m_relativeHue);
        } else if (m_recolorPending) {
            utils::ReplaceColorPixels(pixels, width, height, 32, stride, m_recolorKey, m_recolorMatch,
                                      m_recolorOther);
            m_recolorPending = false;
        }
        if (m_fadeAmount != 0)
            Fade(*copy, m_fadeAmount);
        return copy;
    } catch (...) {
        return nullptr;
    }
}

bool CWinBmp::Draw(HDC dc, const utils::IntRect& rect, bool stretch) const
{
    if (!m_pBitmap)
        return false;
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (stretch && (width != GetWidth() || height != GetHeight()))
        StretchDraw(dc, *m_pBitmap, rect.left, rect.top, width, height, SRCCOPY);
    else
        bmputils::Draw(dc, *m_pBitmap, rect.left, rect.top, SRCCOPY);
    return true;
}

bool CWinBmp::DrawWithEffects(HDC dc, const utils::IntRect& rect, bool keepAspect)
{
    utils::IntRect placement{};
    const std::unique_ptr<PLWinBmp> rendered = RenderWithEffects(rect, keepAspect, placement);
    if (!rendered)
        return false;
    bmputils::Draw(dc, *rendered, placement.left, placement.top, SRCCOPY);
    return true;
}

HICON CWinBmp::CreateIcon(bool asCursor, COLORREF background, int hotspotX, int hotspotY) const
{
    const IconImages images = GetIconImages(background);
    if (images.width < 1 || images.height < 1)
        return nullptr;
    // Colours without alpha (every alpha byte 0), so that the mask alone decides.
    std::vector<BYTE> colour(4 * images.colour.size(), 0);
    for (size_t i = 0; i < images.colour.size(); ++i) {
        const COLORREF c = asCursor && images.mask[i] ? 0 : images.colour[i];
        colour[4 * i] = BYTE(c >> 16);
        colour[4 * i + 1] = BYTE(c >> 8);
        colour[4 * i + 2] = BYTE(c);
    }
    ICONPIXELS info{};
    info.fIcon = !asCursor;
    info.xHotspot = DWORD(hotspotX);
    info.yHotspot = DWORD(hotspotY);
    info.width = images.width;
    info.height = images.height;
    info.colour = colour.data();
    info.mask = images.mask.data();
    return CreateIconFromPixels(&info);
}

HCURSOR CWinBmp::CreateCursor(int hotspotX, int hotspotY) const
{
    if (!m_pBitmap || GetWidth() < 1 || GetHeight() < 1)
        return nullptr;
    try {
        std::unique_ptr<PLWinBmp> converted;
        const PLBmp* bitmap = m_pBitmap.get();
        if (bitmap->GetBitsPerPixel() != 32) {
            converted = Converted32(*bitmap);
            bitmap = converted.get();
        }
        const bool hasAlpha = bitmap->GetPixelFormat().HasAlphaChannel();
        const size_t width = size_t(bitmap->GetWidth());
        std::vector<BYTE> colour(4 * width * size_t(bitmap->GetHeight()));
        for (int32_t y = 0; y < bitmap->GetHeight(); ++y) {
            BYTE* row = colour.data() + 4 * width * size_t(y);
            std::memcpy(row, bitmap->GetLine(y), 4 * width);
            for (size_t x = 0; !hasAlpha && x < width; ++x)
                row[4 * x + 3] = 255;
        }
        ICONPIXELS info{};
        info.fIcon = FALSE;
        info.xHotspot = DWORD(hotspotX);
        info.yHotspot = DWORD(hotspotY);
        info.width = bitmap->GetWidth();
        info.height = bitmap->GetHeight();
        info.colour = colour.data();
        return CreateIconFromPixels(&info);
    } catch (...) {
        return nullptr;
    }
}

IconImages CWinBmp::GetIconImages(COLORREF background) const
{
    IconImages images;
    if (!m_pBitmap)
        return images;
    std::unique_ptr<PLWinBmp> converted;
    const PLBmp* bitmap = m_pBitmap.get();
    if (bitmap->GetBitsPerPixel() != 32) {
        try {
            converted = Converted32(*bitmap);
        } catch (...) {
            return images;
        }
        bitmap = converted.get();
    }
    images.width = bitmap->GetWidth();
    images.height = bitmap->GetHeight();
    images.colour.reserve(size_t(images.width) * size_t(images.height));
    images.mask.reserve(size_t(images.width) * size_t(images.height));
    for (int32_t y = 0; y < images.height; ++y) {
        const uint8_t* pixel = bitmap->GetLine(y);
        for (int32_t x = 0; x < images.width; ++x, pixel += 4) {
            images.colour.push_back(BlendOverColorRef(pixel[2], pixel[1], pixel[0], pixel[3], background));
            images.mask.push_back(pixel[3] == 0);
        }
    }
    return images;
}

HICON CreateIconFromFile(const std::wstring& path, bool enabled)
{
    CWinBmp bitmap;
    return bitmap.LoadFile(path) ? ButtonIcon(bitmap, enabled) : nullptr;
}

HICON CreateIconFromResource(uint32_t id, uint32_t resourceType, bool enabled)
{
    CWinBmp bitmap;
    return bitmap.LoadResource(id, resourceType) ? ButtonIcon(bitmap, enabled) : nullptr;
}

HCURSOR CreateCursorFromFile(const std::wstring& path, int hotspotX, int hotspotY)
{
    CWinBmp bitmap;
    return bitmap.LoadFile(path) ? bitmap.CreateCursor(hotspotX, hotspotY) : nullptr;
}

HCURSOR CreateCursorFromResource(uint32_t id, uint32_t resourceType, int hotspotX, int hotspotY)
{
    CWinBmp bitmap;
    return bitmap.LoadResource(id, resourceType) ? bitmap.CreateCursor(hotspotX, hotspotY) : nullptr;
}

}  // namespace orbisk::bmputils
