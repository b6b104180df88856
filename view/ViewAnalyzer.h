#pragma once
// CViewAnalyzer: reads the depth buffer back over a window rectangle and reports how many pixels
// hold geometry and their average window depth. It reads the frame as last drawn, so it runs
// after a frame was drawn into the current context and before the buffers change.
//
// Window corners are window pixels (x right, y down from the viewport's top edge); the reads
// are in GL rows (from the bottom), one row at a time.

#include <vector>

class IModelView;

class CViewAnalyzer {
public:
    explicit CViewAnalyzer(IModelView* view);
    virtual ~CViewAnalyzer() = default;

    void AnalyzeRect(const int cornerA[2], const int cornerB[2]);
    // The 100 by 100 square centred on the pixel; while it holds nothing it grows, by strips
    // whose widths double each round, until it covers the viewport.
    void AnalyzeAtPixel(const int pixel[2]);

    int GetCoveredCount() const { return m_count; }
    // 0.5 when nothing is covered.
    double GetAverageDepth() const { return m_count > 0 ? m_sum / m_count : 0.5; }

private:
    // GL coordinates; the rectangle is already within the viewport.
    void ReadRows(int x, int y, int width, int height);

    IModelView* m_view;
    int m_x0 = 0;
    int m_y0 = 0;
    int m_x1 = 0;
    int m_y1 = 0;
    // The view definition's viewport y plus height: window y to GL row.
    int m_top = 0;
    int m_count = 0;
    double m_sum = 0.0;
    std::vector<float> m_row;
};
