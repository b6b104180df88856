#include "platform/mfc/IconCursor.h"

#include "image/CWinBmp.h"
#include "image/PLWinBmp.h"
#include "platform/mfc/DibDraw.h"

#include <wx/bitmap.h>
#include <wx/image.h>
#include <wx/settings.h>

namespace orbisk::bmputils {
namespace {

// Over the button face colour, greyed out when not enabled.
wxIcon ButtonIcon(CWinBmp& bitmap, bool enabled)
{
    const wxColour face = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE);
    const utils::CColor background(face.Red(), face.Green(), face.Blue(), 255);
    if (!enabled)
        bitmap.GreyOut(background);
    return CreateIcon(bitmap, background.GetRGB());
}

}  // namespace

wxIcon CreateIcon(const CWinBmp& bitmap, COLORREF background)
{
    const IconImages images = bitmap.GetIconImages(background);
    if (images.width < 1 || images.height < 1)
        return {};
    wxImage image(images.width, images.height, false);
    image.InitAlpha();
    unsigned char* rgb = image.GetData();
    unsigned char* alpha = image.GetAlpha();
    for (size_t i = 0; i < images.colour.size(); ++i, rgb += 3) {
        const utils::CColor colour(images.colour[i]);
        rgb[0] = colour.red;
        rgb[1] = colour.green;
        rgb[2] = colour.blue;
        alpha[i] = images.mask[i] ? 0 : 255;
    }
    wxIcon icon;
    icon.CopyFromBitmap(wxBitmap(image));
    return icon;
}

wxCursor CreateCursor(const CWinBmp& bitmap, int hotspotX, int hotspotY)
{
    if (!bitmap.GetBitmap())
        return {};
    wxImage image;
    try {
        image = ToWxImage(*bitmap.GetBitmap(), true);
    } catch (...) {
        return {};
    }
    image.SetOption(wxIMAGE_OPTION_CUR_HOTSPOT_X, hotspotX);
    image.SetOption(wxIMAGE_OPTION_CUR_HOTSPOT_Y, hotspotY);
    return wxCursor(image);
}

wxIcon CreateIconFromFile(const std::wstring& path, bool enabled)
{
    CWinBmp bitmap;
    return bitmap.LoadFile(path) ? ButtonIcon(bitmap, enabled) : wxIcon();
}

wxIcon CreateIconFromResource(uint32_t id, uint32_t resourceType, bool enabled)
{
    CWinBmp bitmap;
    return bitmap.LoadResource(id, resourceType) ? ButtonIcon(bitmap, enabled) : wxIcon();
}

wxCursor CreateCursorFromFile(const std::wstring& path, int hotspotX, int hotspotY)
{
    CWinBmp bitmap;
    return bitmap.LoadFile(path) ? CreateCursor(bitmap, hotspotX, hotspotY) : wxCursor();
}

wxCursor CreateCursorFromResource(uint32_t id, uint32_t resourceType, int hotspotX, int hotspotY)
{
    CWinBmp bitmap;
    return bitmap.LoadResource(id, resourceType) ? CreateCursor(bitmap, hotspotX, hotspotY) : wxCursor();
}

}  // namespace orbisk::bmputils
