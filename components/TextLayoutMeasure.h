#pragma once
// Measuring text as the text images are laid out: a face named as the model files name it
// ("Arial", "Tahoma"), bold and italic, a size in points at the screen's resolution. The name is
// resolved through fontconfig to an installed face (metric-compatible faces stand in for the
// Windows ones) and the text is measured with FreeType, as GDI's DrawText measures a rectangle:
// the widest line and one line height per line, the width raised to a multiple of 4 (and, for
// italic text, widened by half the character height for the slant).
//
// Faces are opened once and kept for the life of the process; everything runs on the one
// user-interface thread.

#include <string>

#include "platform/mfc/String.h"

struct CTextMeasure {
    int width = 0;
    int height = 0;
};

// The text's rectangle in pixels. Backslash-n pairs and "\r\n" end lines like newlines.
// False, and an empty rectangle, when the point size is not positive or no face can be found.
// An empty text measures 0 x 0.
bool MeasureText(const wchar_t* text, int justification, const CString& face, bool bold, bool italic,
                 int pointSize, CTextMeasure& out);

// The font file that the face resolves to (empty when none), and the face's family name.
std::string ResolveFontFile(const CString& face, bool bold, bool italic);
std::string ResolveFontFamily(const CString& face, bool bold, bool italic);

// The FreeType face (an FT_Face) that the name resolves to, opened once for the process and
// shared by measuring and rasterising; null when no scalable face can be found.
struct FT_FaceRec_;
FT_FaceRec_* FindFontFace(const CString& face, bool bold, bool italic);

// The character height (em size) in pixels that a size in points has on the screen.
int PointsToPixels(int pointSize);
