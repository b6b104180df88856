#pragma once
// CDC: a device context over a wxWidgets one (a window's paint or client context, a
// memory context, a printer's). It is the object its HDC handle points at, so the GDI
// calls of platform/win32/Gdi.h draw through it. The wxDC must outlive it.

#include "platform/win32/Gdi.h"

class wxDC;

class CDC : public IDeviceContext {
public:
    explicit CDC(wxDC& dc) : m_dc(dc) {}

    HDC GetSafeHdc() { return this; }
    operator HDC() { return this; }
    wxDC& GetWxDC() const { return m_dc; }

    // The clipping region's box, else the whole surface; false when the surface has no
    // known size (a printer's page drawn through a graphics context).
    bool GetClipBox(RECT& box) const override;
    void PutPixels(int x, int y, int width, int height, const BYTE* rgb) override;

private:
    wxDC& m_dc;
};
