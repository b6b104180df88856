#pragma once
// The rasteriser behind every text image: a (multi-line) text in a face, point size, bold and
// italic, rendered black on white into one shared grey buffer and handed to a text image
// cache, which turns it into an alpha texture.
//
// The face name is resolved through fontconfig (metric-compatible installed faces stand in
// for "Arial", "Tahoma" and the other Windows faces) and drawn with FreeType, anti-aliased;
// a style the resolved face lacks is synthesised (emboldened or slanted). The character
// height in pixels is the point size at the screen's vertical resolution. Lines end at
// newlines, "\r\n" and backslash-n pairs, and each line is placed left, centred or right
// within the widest line.
//
// Integer rules of the images: the width is raised to a multiple of 4; italic text gets half
// the character height more (for the slant), again raised to a multiple of 4; a text larger
// than 2048 pixels either way is rendered smaller, at most 2048 x 2048, with a larger pixel
// size, so that it still draws at its full size. Row 0 of the pixels handed over is the top of
// the text.
//
// Process-wide state: the shared buffer, kept from first use until ReleaseTextRasterizer; the
// faces are the ones measuring opens (FindFontFace). Everything runs on the one user-interface
// thread.

#include "platform/mfc/String.h"
#include "platform/win32/WinTypes.h"
#include "settings/GLTextCache.h"

// Renders `text` (justification 0 left, 2 right, anything else centred). `rect`, when given,
// receives the text's rectangle in pixels: (0, 0) to the measured width and height, or, for
// right-justified italic text, the image's width ending at the measured width. `cache`, when
// given, receives the pixels (none when the buffer cannot be had). False, with nothing
// rendered and `rect` untouched, when the point size is not positive or no face can be opened
// at that size.
bool RenderText(const CString& face, int pointSize, bool bold, bool italic, const CString& text,
                int justification, RECT* rect, CGLTextImageCacheBase* cache);

// RenderText into `cache`, without a rectangle: the image caches' rendering.
bool RenderTextToCache(const CString& text, int justification, const CString& face, bool bold, bool italic,
                       int pointSize, CGLTextImageCacheBase& cache);

// Frees the shared buffer; the next rendering makes it again. The program calls it at exit.
void ReleaseTextRasterizer();

// The image caches' way to this rasteriser (see ITextRasterizer).
class CTextRasterizer final : public ITextRasterizer {
public:
    bool RenderTextToCache(const CString& text, int justification, const CString& face, bool bold,
                           bool italic, int size, CGLTextImageCacheBase& cache) override;
};

// Makes this rasteriser the process's (SetTextRasterizer): what a program that draws text
// images calls before it draws.
void InstallTextRasterizer();
