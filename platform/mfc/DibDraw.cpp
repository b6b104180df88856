#include "platform/mfc/DibDraw.h"

#include "image/CWinBmp.h"
#include "image/PLAnyBmp.h"
#include "image/PLWinBmp.h"

#include <wx/bitmap.h>
#include <wx/dc.h>

#include <algorithm>

namespace orbisk::bmputils {
namespace {

// Copies the part (sourceX, sourceY, sourceWidth x sourceHeight) of the bitmap, clipped to
// it, stretched to width x height, to (x, y).
void DrawRegion(wxDC& dc, const PLBmp& bitmap, int sourceX, int sourceY, int sourceWidth, int sourceHeight,
                int x, int y, int width, int height)
{
    const wxRect source = wxRect(sourceX, sourceY, sourceWidth, sourceHeight)
                              .Intersect(wxRect(0, 0, bitmap.GetWidth(), bitmap.GetHeight()));
    if (source.IsEmpty() || width < 1 || height < 1)
        return;
    wxImage image = ToWxImage(bitmap, false);
    if (source.GetSize() != image.GetSize())
        image = image.GetSubImage(source);
    if (image.GetWidth() != width || image.GetHeight() != height)
        image.Rescale(width, height, wxIMAGE_QUALITY_NEAREST);
    dc.DrawBitmap(wxBitmap(image), x, y, false);
}

}  // namespace

wxImage ToWxImage(const PLBmp& bitmap, bool withAlpha)
{
    const PLBmp* pixels = &bitmap;
    PLAnyBmp converted;
    if (bitmap.GetBitsPerPixel() != 32) {
        converted.CreateConvertedCopy(bitmap, PLPixelFormat::FindByName("X8R8G8B8"));
        pixels = &converted;
    }
    const int width = pixels->GetWidth();
    const int height = pixels->GetHeight();
    wxImage image(width, height, false);
    if (withAlpha)
        image.InitAlpha();
    unsigned char* rgb = image.GetData();
    unsigned char* alpha = image.GetAlpha();
    for (int y = 0; y < height; ++y) {
        const uint8_t* pixel = pixels->GetLine(y);
        for (int x = 0; x < width; ++x, pixel += 4, rgb += 3) {
            rgb[0] = pixel[2];
            rgb[1] = pixel[1];
            rgb[2] = pixel[0];
            if (alpha)
                *alpha++ = pixel[3];
        }
    }
    return image;
}

void Draw(wxDC& dc, const PLWinBmp& bitmap, int x, int y)
{
    DrawRegion(dc, bitmap, 0, 0, bitmap.GetWidth(), bitmap.GetHeight(), x, y, bitmap.GetWidth(),
               bitmap.GetHeight());
}

void StretchDraw(wxDC& dc, const PLWinBmp& bitmap, int x, int y, int width, int height)
{
    DrawRegion(dc, bitmap, 0, 0, bitmap.GetWidth(), bitmap.GetHeight(), x, y, width, height);
}

void DrawScaled(wxDC& dc, const PLWinBmp& bitmap, int x, int y, double factor)
{
    StretchDraw(dc, bitmap, x, y, int(factor * bitmap.GetWidth()), int(factor * bitmap.GetHeight()));
}

void DrawPart(wxDC& dc, const PLWinBmp& bitmap, int x, int y, int left, int top, int right, int bottom)
{
    DrawRegion(dc, bitmap, left, top, right - left, bottom - top, x, y, right - left, bottom - top);
}

bool Draw(wxDC& dc, const CWinBmp& bitmap, const utils::IntRect& rect, bool stretch)
{
    const PLWinBmp* pixels = bitmap.GetBitmap();
    if (!pixels)
        return false;
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    try {
        if (stretch && (width != pixels->GetWidth() || height != pixels->GetHeight()))
            StretchDraw(dc, *pixels, rect.left, rect.top, width, height);
        else
            Draw(dc, *pixels, rect.left, rect.top);
        return true;
    } catch (...) {
        return false;
    }
}

bool DrawWithEffects(wxDC& dc, CWinBmp& bitmap, const utils::IntRect& rect, bool keepAspect)
{
    utils::IntRect placement{};
    const std::unique_ptr<PLWinBmp> rendered = bitmap.RenderWithEffects(rect, keepAspect, placement);
    if (!rendered)
        return false;
    Draw(dc, *rendered, placement.left, placement.top);
    return true;
}

}  // namespace orbisk::bmputils
