#include "platform/mfc/IconCursor.h"

#include "platform/win32/Cursor.h"

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

wxStockCursor ToStockCursor(int standardId)
{
    switch (standardId) {
        case IDC_IBEAM: return wxCURSOR_IBEAM;
        case IDC_WAIT: return wxCURSOR_WAIT;
        case IDC_CROSS: return wxCURSOR_CROSS;
        case IDC_UPARROW: return wxCURSOR_POINT_LEFT;
        case IDC_SIZE:
        case IDC_SIZEALL: return wxCURSOR_SIZING;
        case IDC_SIZENWSE: return wxCURSOR_SIZENWSE;
        case IDC_SIZENESW: return wxCURSOR_SIZENESW;
        case IDC_SIZEWE: return wxCURSOR_SIZEWE;
        case IDC_SIZENS: return wxCURSOR_SIZENS;
        case IDC_NO: return wxCURSOR_NO_ENTRY;
        case IDC_HAND: return wxCURSOR_HAND;
        case IDC_APPSTARTING: return wxCURSOR_ARROWWAIT;
        case IDC_HELP: return wxCURSOR_QUESTION_ARROW;
        default: return wxCURSOR_ARROW;
    }
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
    if (const int standardId = GetStandardCursorId(cursor))
        return wxCursor(ToStockCursor(standardId));
    wxImage image = ToWxImage(*cursor);
    image.SetOption(wxIMAGE_OPTION_CUR_HOTSPOT_X, cursor->xHotspot);
    image.SetOption(wxIMAGE_OPTION_CUR_HOTSPOT_Y, cursor->yHotspot);
    return wxCursor(image);
}
