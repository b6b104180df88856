#pragma once
// CPrintScaleScope: while it is applied, sizes that a view gives in pixels (line widths, text,
// pick apertures, arrow heads) follow the size of a printed or exported image instead of the
// window's, and the view shows at the output size what it showed in the window.

class IModelView;

class CPrintScaleScope {
public:
    CPrintScaleScope() = default;
    // Restores what is still applied.
    ~CPrintScaleScope();
    CPrintScaleScope(const CPrintScaleScope&) = delete;
    CPrintScaleScope& operator=(const CPrintScaleScope&) = delete;

    // The view's viewport becomes width x height; the pixel-size scale becomes the ratio of the
    // output to the window, and the line-width scale lineScale (the same ratio when 0). Nothing
    // for a null view.
    void Apply(IModelView* view, int width, int height, double lineScale);
    // The window's viewport and field of view back, both scales 1; nothing when not applied.
    void Restore();

private:
    IModelView* m_view = nullptr;
    int m_width = 0;
    int m_height = 0;
    // The field of view, or the view height in parallel projection, before the change.
    double m_savedView = 0.0;
};
