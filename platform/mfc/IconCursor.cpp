#include "platform/mfc/IconCursor.h"

#include <wx/bitmap.h>
#include <wx/image.h>

namespace {

wxImage ToWxImage(const HICON__& icon)
{
    wxImage image(icon.width, icon.height, false);
    image.InitAlpha();
    unsigned char* rgb = image.GetData();
    unsigned char* alpha = image.GetAlpha();
    const BYTE* pixel = icon.rgba.data();
    for (size_t i = 0; i < icon.rgba.size() / 4; ++i, pixel += 4) {
        rgb[3 * i] = pixel[0];
        rgb[3 * i + 1] = pixel[1];
        rgb[3 * i + 2] = pixel[2];
        alpha[i] = pixel[3];
    }
    return image;
}

}  // namespace

wxIcon ToWxIcon(HICON icon)
{
    if (!icon)
        return {};
    wxIcon result;
    result.CopyFromBitmap(wxBitmap(ToWxImage(*icon)));
    return result;
}

wxCursor ToWxCursor(HCURSOR cursor)
{
    if (!cursor)
        return {};
    wxImage image = ToWxImage(*cursor);
    image.SetOption(wxIMAGE_OPTION_CUR_HOTSPOT_X, cursor->xHotspot);
    image.SetOption(wxIMAGE_OPTION_CUR_HOTSPOT_Y, cursor->yHotspot);
    return wxCursor(image);
}
