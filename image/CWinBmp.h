#pragma once

// The bitmap behind the user interface's art: an image file loaded into a 32-bit Windows
// bitmap, with the pixel work of its effects (colour adjustment, two-tone recolouring,
// fading, the disabled look, flattening onto a background), drawn into device contexts
// and made into icons and cursors through the platform's GDI calls
// (platform/win32/Gdi.h, platform/win32/Icon.h). Everything here works without a
// display; only the device contexts and the showing of icons belong to the window side.

#include "platform/win32/Gdi.h"
#include "platform/win32/Icon.h"
#include "platform/win32/WinTypes.h"
#include "support/Color.h"
#include "support/SystemQueries.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class PLAnyPicDecoder;
class PLBmp;
class PLWinBmp;

namespace orbisk::imageutils {
class ImageRep;
}

namespace orbisk::bmputils {

// A colour of the given alpha over a background, as a Windows colour reference (red in
// the low byte): alpha 0 gives the background, 255 the colour itself.
COLORREF BlendOverColorRef(int red, int green, int blue, int alpha, COLORREF background);

// "JPEG", "PNG", "BMP" or "TIF" for a path whose last four characters are ".jpg",
// ".png", ".bmp" or ".tif" (without regard to case); otherwise empty.
std::wstring GetEncoderNameForPath(const std::wstring& path);

// Windows bitmaps drawn with StretchDIBits (SetDIBitsToDevice for a part), from the
// whole bitmap unless a part is named. Rectangles are in the device context's
// coordinates.
// At the bitmap's own size with its top-left corner at (x, y).
void Draw(HDC dc, const PLWinBmp& bitmap, int x, int y, DWORD rop = SRCCOPY);
void StretchDraw(HDC dc, const PLWinBmp& bitmap, int x, int y, int width, int height, DWORD rop = SRCCOPY);
// At truncate(factor x width) x truncate(factor x height).
void DrawScaled(HDC dc, const PLWinBmp& bitmap, int x, int y, double factor, DWORD rop = SRCCOPY);
// The part left..right, top..bottom of the bitmap (top row 0; right and bottom
// exclusive), unscaled, at (x, y).
void DrawPart(HDC dc, const PLWinBmp& bitmap, int x, int y, int left, int top, int right, int bottom);

// The two pictures of an icon, top row first: the colour of every pixel, and the mask,
// which is set (white) where the background shows through.
struct IconImages {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> colour;
    std::vector<uint8_t> mask;
};

class CWinBmp {
public:
    CWinBmp();
    CWinBmp(const CWinBmp&) = delete;
    CWinBmp& operator=(const CWinBmp&) = delete;
    virtual ~CWinBmp();

    int GetWidth() const;
    int GetHeight() const;
    // Null when empty.
    PLWinBmp* GetBitmap() const { return m_pBitmap.get(); }

    // A 32-bit bitmap ("X8R8G8B8" unless the image has alpha). A path that names no
    // regular file gives false and keeps the current bitmap; a file that does not decode
    // leaves the bitmap empty.
    bool LoadFile(const std::wstring& path);
    // The same from an image file kept as a resource (imageutils::kResourceTypeData).
    bool LoadResource(uint32_t id, uint32_t resourceType);
    // A copy of the image's bitmap in its own pixel format.
    bool CreateFromImageRep(const imageutils::ImageRep& image);

    bool Resize(int width, int height);
    // Replaces a bitmap of another depth by a 32-bit copy; failures are ignored.
    void ConvertTo32Bit();

    // The disabled look: light grey by luminance; 32-bit pixels move toward the colour's
    // red level as they are transparent, and fully transparent ones take the colour.
    void GreyOut(const utils::CColor& colour);
    // Composes the pixels of a bitmap with alpha over the colour; nothing for a zero
    // colour or a format without alpha.
    void FlattenOnto(const utils::CColor& colour);
    // 32-bit bitmaps: lightens the triangle below the diagonal from the top-right to the
    // bottom-left corner toward white, by amount / 255.
    static void Fade(PLBmp& bitmap, int amount);

    // The effects that drawing with effects applies. A colour adjustment (hue in
    // degrees, replaced unless relative; lightness and saturation changes) wins over a
    // pending recolouring, which is used once.
    void SetColorAdjustment(double hue, double lightness, double saturation, bool relativeHue);
    void SetFadeAmount(uint8_t amount) { m_fadeAmount = amount; }
    // Pixels equal to key (red, green, blue) become match, all others other.
    void SetRecolor(const utils::CColor& key, const utils::CColor& match, const utils::CColor& other);

    // The picture that drawing with effects puts into rect: a 32-bit copy sized to the
    // rectangle (with keepAspect, fitted into it and centred), with the effects applied.
    // placement receives where it goes. Null without a bitmap or on failure.
    std::unique_ptr<PLWinBmp> RenderWithEffects(const utils::IntRect& rect, bool keepAspect,
                                                utils::IntRect& placement);

    // False without a bitmap. With stretch the bitmap fills the rectangle, otherwise it is
    // drawn at its own size at the rectangle's top-left corner.
    bool Draw(HDC dc, const utils::IntRect& rect, bool stretch) const;
    // RenderWithEffects, drawn where it places it. False without a bitmap or on failure.
    bool DrawWithEffects(HDC dc, const utils::IntRect& rect, bool keepAspect);

    // Every pixel over the background by its alpha; the mask is set where alpha is 0.
    IconImages GetIconImages(COLORREF background) const;
    // The icon images; as a cursor, the masked pixels are black. Null without a bitmap.
    // The handle is the caller's.
    HICON CreateIcon(bool asCursor, COLORREF background, int hotspotX, int hotspotY) const;
    // The bitmap's colours and alpha, with the hot spot from the top-left corner. Null
    // without a bitmap. The handle is the caller's.
    HCURSOR CreateCursor(int hotspotX, int hotspotY) const;

private:
    // Replaces the bitmap by what decode puts into a new one, made 32-bit.
    bool Load(const std::function<void(PLAnyPicDecoder&, PLWinBmp&)>& decode);

    std::unique_ptr<PLWinBmp> m_pBitmap;
    double m_hue = 0;
    double m_lightness = 0;
    double m_saturation = 0;
    bool m_relativeHue = false;
    uint8_t m_fadeAmount = 0;
    bool m_recolorPending = false;
    utils::CColor m_recolorKey;
    utils::CColor m_recolorMatch;
    utils::CColor m_recolorOther;
};

// The image of a file, or of a resource (imageutils::kResourceTypeData for image files),
// as an icon over the button face colour, greyed out when not enabled; or as a cursor.
// Null when the image does not load. The handles are the caller's.
HICON CreateIconFromFile(const std::wstring& path, bool enabled);
HICON CreateIconFromResource(uint32_t id, uint32_t resourceType, bool enabled);
HCURSOR CreateCursorFromFile(const std::wstring& path, int hotspotX, int hotspotY);
HCURSOR CreateCursorFromResource(uint32_t id, uint32_t resourceType, int hotspotX, int hotspotY);

}  // namespace orbisk::bmputils
