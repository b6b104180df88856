// Text drawn by the model view: texts at model points, drawn by their fonts, and the view's own
// labels at window positions.

#include <GL/gl.h>

#include "components/ZpFont.h"
#include "view/ZphView.h"

void CZphView::DrawText3D(CZpFont* font, const CPoint3d& anchor, const wchar_t* text, int alignment,
                          int justification, const CColor* color, bool outline, bool drawText,
                          bool screenFacing, const CPlane3d* plane, bool keepReadable, IGLTextCache* cache)
{
    if (IsDrawingSuppressed() || !font || !text)
        return;
    font->DrawText(this, anchor, CString(text), alignment, justification, color, outline, drawText,
                   screenFacing, plane, keepReadable, cache);
}

void CZphView::DrawScreenText(int x, int y, const wchar_t* text)
{
    if (IsDrawingSuppressed() || !m_textFont || !text)
        return;
    if (!m_textFont->AreMetricsComputed())
        m_textFont->UpdateMetrics();
    CColor edge;
    GetEdgeColor(edge);
    SetColor(edge);
    // At the view's pixel scale, so that labels keep their size on a print.
    m_textFont->UpdateTextCache(CString(text), 0, this, CPoint3d(), m_textCache);
    int width = 0;
    int height = 0;
    GetViewportSize(width, height);
    EndPrimitive();
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, width, 0, height, 0, 1);
    // (x, y) counts from the window's top-left corner and is the text's top-left corner.
    glTranslated(x, height - y - m_textCache.GetHeight(), 0);
    // Labels lie over everything; the caller's depth test is left as it was.
    const GLboolean depthTest = glIsEnabled(GL_DEPTH_TEST);
    glDisable(GL_DEPTH_TEST);
    m_textCache.Draw();
    if (depthTest)
        glEnable(GL_DEPTH_TEST);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}
