#include "view/ViewAnalyzer.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdlib>

#include "database/IModelView.h"
#include "settings/ViewDefinition.h"

namespace {

// The cleared background is 1; anything nearer than this holds geometry.
constexpr float kCoveredBelow = 0.99999f;
constexpr int kSquare = 100;

}  // namespace

CViewAnalyzer::CViewAnalyzer(IModelView* view) : m_view(view)
{
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    m_x0 = viewport[0];
    m_y0 = viewport[1];
    m_x1 = viewport[0] + viewport[2];
    m_y1 = viewport[1] + viewport[3];
    if (const CViewDefinition* definition = view ? view->GetViewDefinition() : nullptr) {
        int x = 0, y = 0, width = 0, height = 0;
        definition->GetViewport(x, y, width, height);
        m_top = y + height;
    }
}

void CViewAnalyzer::ReadRows(int x, int y, int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    if (static_cast<int>(m_row.size()) < width)
        m_row.resize(width);
    GLint packAlignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (int row = y; row < y + height; ++row) {
        glReadPixels(x, row, width, 1, GL_DEPTH_COMPONENT, GL_FLOAT, m_row.data());
        for (int i = 0; i < width; ++i) {
            if (m_row[i] < kCoveredBelow) {
                ++m_count;
                m_sum += m_row[i];
            }
        }
    }
    glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
}

void CViewAnalyzer::AnalyzeRect(const int cornerA[2], const int cornerB[2])
{
    const int rowA = m_y0 + m_top - cornerA[1];
    const int rowB = m_y0 + m_top - cornerB[1];
    const int x = std::max(std::min(cornerA[0], cornerB[0]), m_x0);
    const int y = std::max(std::min(rowA, rowB), m_y0);
    const int width = std::min(std::abs(cornerA[0] - cornerB[0]), m_x1 - x);
    const int height = std::min(std::abs(rowA - rowB), m_y1 - y);
    m_count = 0;
    m_sum = 0.0;
    ReadRows(x, y, width, height);
}

void CViewAnalyzer::AnalyzeAtPixel(const int pixel[2])
{
    m_count = 0;
    m_sum = 0.0;
    // The square as GL coordinates [left, right) x [bottom, top), clipped to the viewport.
    int left = std::max(pixel[0] - kSquare / 2, m_x0);
    int bottom = std::max(m_y0 + m_top - pixel[1] - kSquare / 2, m_y0);
    int right = std::min(pixel[0] - kSquare / 2 + kSquare, m_x1);
    int top = std::min(m_y0 + m_top - pixel[1] - kSquare / 2 + kSquare, m_y1);
    if (right <= left || top <= bottom)
        return;
    ReadRows(left, bottom, right - left, top - bottom);

    int stepX = kSquare;
    int stepY = kSquare;
    auto coversViewport = [&] { return left <= m_x0 && right >= m_x1 && bottom <= m_y0 && top >= m_y1; };
    while (m_count == 0 && !coversViewport()) {
        const int newLeft = std::max(left - stepX, m_x0);
        ReadRows(newLeft, bottom, left - newLeft, top - bottom);
        left = newLeft;
        const int newRight = std::min(right + stepX, m_x1);
        ReadRows(right, bottom, newRight - right, top - bottom);
        right = newRight;
        const int newBottom = std::max(bottom - stepY, m_y0);
        ReadRows(left, newBottom, right - left, bottom - newBottom);
        bottom = newBottom;
        const int newTop = std::min(top + stepY, m_y1);
        ReadRows(left, top, right - left, newTop - top);
        top = newTop;
        stepX *= 2;
        stepY *= 2;
    }
}
