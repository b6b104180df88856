#pragma once

// Drawing Windows bitmaps (PLWinBmp) and the user interface's bitmaps (CWinBmp) into a
// wxWidgets device context, as StretchDIBits and SetDIBitsToDevice do with SRCCOPY: the
// colours are copied, the fourth byte is not blended, and stretching replicates pixels.
// Rectangles are left, top, right, bottom in device pixels, right and bottom exclusive.

#include "support/SystemQueries.h"

#include <wx/image.h>

class PLBmp;
class PLWinBmp;
class wxDC;

namespace orbisk::bmputils {

class CWinBmp;

// The bitmap's colours (and, when asked, its fourth byte as alpha), top row first.
wxImage ToWxImage(const PLBmp& bitmap, bool withAlpha);

// At the bitmap's own size with its top-left corner at (x, y).
void Draw(wxDC& dc, const PLWinBmp& bitmap, int x, int y);
void StretchDraw(wxDC& dc, const PLWinBmp& bitmap, int x, int y, int width, int height);
// At truncate(factor x width) x truncate(factor x height).
void DrawScaled(wxDC& dc, const PLWinBmp& bitmap, int x, int y, double factor);
// The part left..right, top..bottom of the bitmap (top row 0), unscaled, at (x, y).
void DrawPart(wxDC& dc, const PLWinBmp& bitmap, int x, int y, int left, int top, int right, int bottom);

// False without a bitmap. With stretch the bitmap fills the rectangle, otherwise it is
// drawn at its own size at the rectangle's top-left corner.
bool Draw(wxDC& dc, const CWinBmp& bitmap, const utils::IntRect& rect, bool stretch);
// The bitmap with its effects (CWinBmp::RenderWithEffects) in the rectangle.
bool DrawWithEffects(wxDC& dc, CWinBmp& bitmap, const utils::IntRect& rect, bool keepAspect);

}  // namespace orbisk::bmputils
