#include "platform/mfc/DC.h"

#include <wx/bitmap.h>
#include <wx/dc.h>
#include <wx/image.h>

bool CDC::GetClipBox(RECT& box) const
{
    wxRect rect;
    m_dc.GetClippingBox(rect);
    if (rect.IsEmpty())
        return false;
    box = RECT{rect.GetLeft(), rect.GetTop(), rect.GetRight() + 1, rect.GetBottom() + 1};
    return true;
}

void CDC::PutPixels(int x, int y, int width, int height, const BYTE* rgb)
{
    if (width < 1 || height < 1)
        return;
    // Static data: the image only looks at the caller's pixels.
    const wxImage image(width, height, const_cast<BYTE*>(rgb), true);
    m_dc.DrawBitmap(wxBitmap(image), x, y, false);
}
